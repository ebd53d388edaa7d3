#pragma once

#include "engine/console/CommandRecord.h"
#include "engine/core/GameTime.h"
#include "ui/widgets/UIWidget.h"

#include <string>
#include <vector>

class UIScrollBar;

// A scrolling column of one-line items, filled from a directory listing or a
// list provider, with single or multiple selection, a double-click action,
// per-item tooltips and commands. The selection reaches the game through user
// variables. Items are held by value, so every copy has its own.
class UIList : public UIWidget {
public:
    UIList();
    ~UIList() override;

    void draw() override;
    void update(float seconds) override;
    void refresh() override;
    void setVisible(bool shown) override;
    // A click on the own scroll bar or buttons, which lie inside the
    // rectangle one draw order above, is left to them.
    bool handleMouseButton(int button, bool down, int x, int y) override;
    void onClick(int button, bool down, int x, int y) override;
    void initialize(bool menuWasHidden) override;
    bool getTooltip(UITooltip& out) override;
    void finishSetup() override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;

    void fillItems();
    void selectItem(int index);
    // The row under a screen point, -1 for none.
    int itemAt(float x, float y) const;
    bool getSelectedValue(std::string& out) const;
    void getSelectedValues(std::vector<std::string>& out) const;
    int getSelectedIndex() const { return m_selectedIndex; }
    const std::vector<ListEntry>& getItems() const { return m_items; }
    int getItemHeight() const { return m_itemHeight; }
    int getVisibleRows() const;
    UIScrollBar* getScrollBar() const;

    void copyFrom(const UIList& other);

private:
    std::vector<ListEntry> m_items;
    std::string m_directory;
    std::string m_extension;
    bool m_userFiles = false;
    int m_itemHeight = 10;
    int m_selectedIndex = -1;
    std::vector<bool> m_multiSelection;
    int m_lastClickIndex = -1;
    GameTime m_lastClickTime;
    UserVarRef m_directoryVar;
    UserVarRef m_itemSelectedVar;
    std::string m_infoProc;
    bool m_refreshEachFrame = false;
    bool m_canSelectMultiple = false;
    bool m_runCommandOnSelect = false;
    // Owned by the menu, like every widget.
    SafePtr<UIWidget> m_scrollBar;
    Vec2 m_scrollBarOffset;
    Vec2 m_scrollBarSize;
    bool m_userVarHoldsName = true;
    std::string m_doubleClickRedirect;
    bool m_selectFirstItem = false;
};
