#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/object/SafePtr.h"
#include "engine/resources/ResourceHandle.h"
#include "ui/widgets/UIWidget.h"

#include <string>
#include <vector>

class UIScrollBar;

// A scrolling list of every texture image (or every model) of the game data,
// one row per file with its thumbnail and name. A click writes the row's
// resource name into the texture variable, the row under the mouse goes to
// the highlight variable; setting the texture variable from anywhere refills
// the list at the next frame.
class UITextureList : public UIWidget {
public:
    struct Entry {
        std::string file; // "Textures/…/x.tga" or "Models/…/x.mdl"
        // Acquired when the row is first shown, kept until the list refills.
        ResourceHandle handle;
    };
    // Rows stand this far apart beyond the element height.
    static constexpr float kRowGap = 4.0f;

    UITextureList();
    ~UITextureList() override;

    void draw() override;
    void update(float seconds) override;
    void setVisible(bool shown) override;
    // A press on the bar laid over the list's right edge is the bar's.
    bool handleMouseButton(int button, bool down, int x, int y) override;
    void onClick(int button, bool down, int x, int y) override;
    void initialize(bool menuWasHidden) override;
    void finishSetup() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    void fill();
    // Rows the widget's height shows, at one pitch.
    int getVisibleRows() const;
    int getFirstVisible() const;
    // The last visible entry, -1 with none.
    int getLastVisible() const;
    // The entry under a screen point, -1 for none.
    int entryAt(float x, float y) const;
    // What a click on the entry writes: the shader of a texture, the model file.
    std::string resourceName(int entry) const;
    const std::vector<Entry>& getEntries() const { return m_entries; }
    UIScrollBar* getScrollBar() const;
    // The facing model thumbnails are drawn at (0 … 7).
    void setFacing(int facing) { m_facing = ((facing % 8) + 8) % 8; }

    void copyFrom(const UITextureList& other);

private:
    float pitch() const { return m_elementSize.y + kRowGap; }
    void acquireVisible();

    std::string m_folder = "Textures";
    std::vector<Entry> m_entries;
    Vec2 m_elementSize;
    UserVarRef m_textureVar;
    UserVarRef m_highlightVar;
    SafePtr<UIWidget> m_scrollBar;
    std::string m_currentName;
    bool m_useModels = false;
    bool m_filled = false;
    int m_facing = 4;
};
