#pragma once

#include "ui/widgets/UIWidget.h"

// The key-binding input: while its visibility variable is set it takes the
// next key or mouse button, binds it to the action its action variable
// names and hides itself again.
class UIVirtualKeyInput : public UIWidget {
public:
    UIVirtualKeyInput();
    ~UIVirtualKeyInput() override;

    bool handleMouseButton(int button, bool down, int x, int y) override;
    bool onKey(int key, bool down) override;
    bool hasFocus() const override { return true; }
    bool capturesKeys() const override { return isVisible(); }
    bool isVisible() const override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    void copyFrom(const UIVirtualKeyInput& other);

private:
    void bind(int code, bool isMouse);
    void hideInput();

    UserVarRef m_showVar;
    UserVarRef m_actionVar;
    std::string m_duplicateMenu;
};
