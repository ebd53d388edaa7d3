#pragma once

#include <functional>

// What the client asks of the editors, which sit above client/. Each hook
// answers "no editor" until the editors install theirs.
struct ClientEditors {
    // The area editor is shown: the player's position reads as none.
    std::function<bool()> isAreaEditorActive;
    // The area editor's turn at a mouse button (true when taken).
    std::function<bool(int button, bool down, int x, int y)> areaEditorButton;
    // The model editor's step of a frame.
    std::function<void(double seconds)> updateModelEditor;

    bool areaEditorActive() const { return isAreaEditorActive && isAreaEditorActive(); }
    bool button(int button, bool down, int x, int y) const
    {
        return areaEditorButton && areaEditorButton(button, down, x, y);
    }
    void update(double seconds) const
    {
        if (updateModelEditor) {
            updateModelEditor(seconds);
        }
    }
};
