#pragma once

#include "engine/console/CommandRecord.h"
#include "ui/widgets/UIWidget.h"

#include <string>
#include <vector>

class UIScrollBar;

// Edits one user variable by choosing among the entries of a list provider:
// closed it shows the name of the entry whose value the variable holds, open
// a scrolling list of names; a pick writes the entry's value.
class UIDropDownBox : public UIWidget {
public:
    UIDropDownBox();
    ~UIDropDownBox() override;

    void draw() override;
    void update(float seconds) override;
    void refresh() override;
    // A click on the own scroll bar or buttons, which lie inside the
    // rectangle one draw order above, is left to them.
    bool handleMouseButton(int button, bool down, int x, int y) override;
    void onClick(int button, bool down, int x, int y) override;
    void initialize(bool menuWasHidden) override;
    void finishSetup() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    void fillEntries();
    void choose(int index);
    // The name of the entry the variable holds; empty for none.
    std::string getCurrentText() const;
    // The entry under a screen point of the open box, -1 for none.
    int rowAt(float x, float y) const;
    int getVisibleRows() const;
    bool isOpen() const { return m_open; }
    bool drawsOnTop() const override { return m_open; }
    void closeList() override { close(); }
    const std::vector<ListEntry>& getEntries() const { return m_entries; }
    UIScrollBar* getScrollBar() const;

    void copyFrom(const UIDropDownBox& other);

private:
    void close();
    int firstRow() const;
    int lastRow() const;

    ResourceHandle m_arrowImage;
    ResourceHandle m_backgroundImage;
    ResourceHandle m_listImage;
    Vec2 m_baseSize;
    Vec2 m_maxSize;
    std::string m_infoProc;
    std::vector<ListEntry> m_entries;
    // Owned by the menu, like every widget.
    SafePtr<UIWidget> m_scrollBar;
    bool m_refreshEachFrame = false;
    bool m_open = false;
};
