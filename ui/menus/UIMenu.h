#pragma once

#include "engine/core/MathUtil.h"
#include "engine/object/SafePtr.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TextReader;
class UIWidget;
struct UITooltip;

// One panel of the interface: a named rectangle that owns its widgets (kept
// by ascending draw order), may have pages (sub-menus selected by tabs), runs
// command lines when shown and hidden and passes every command line of its
// widgets through handleCommand, where the "menuCommand" verbs act on it.
class UIMenu : public SafeClass {
public:
    // Makes the widget of a type keyword; null when the word is no widget type.
    using WidgetMaker = std::function<std::unique_ptr<UIWidget>(std::string_view type)>;

    UIMenu();
    ~UIMenu() override;
    UIMenu(const UIMenu&) = delete;
    UIMenu& operator=(const UIMenu&) = delete;

    // ---- The overridable operations
    virtual void draw();
    virtual void update(float seconds);
    virtual Vec2 getSize() const { return m_size; }
    virtual bool handleKey(int key, bool down, bool repeat);
    virtual bool handleMouseButton(int button, bool down, int x, int y);
    virtual void onShow() {}
    virtual void onHide() {}
    virtual bool getTooltip(int x, int y, UITooltip& out);
    virtual bool parseParm(const std::string& keyword, TextReader& reader);
    virtual void runCommands(const std::vector<std::string>& lines);
    virtual void handleCommand(const std::string& line);
    virtual UIWidget* findWidgetAt(int x, int y, bool onlyFlagged);

    // Reads the menu's keywords and widget blocks to the end of the text.
    // Without a maker the widget factory of the UI system makes the widgets.
    void parse(TextReader& reader, const WidgetMaker& maker = {});

    // Inserts before the first widget whose draw order is at least its own.
    UIWidget* addWidget(std::unique_ptr<UIWidget> widget);
    std::unique_ptr<UIWidget> removeWidget(UIWidget* widget);
    // Takes the widget out and puts it back at the place of its draw order.
    void reinsertWidget(UIWidget* widget);
    // Case-sensitive, by internal name.
    UIWidget* findWidget(std::string_view name) const;
    const std::vector<std::unique_ptr<UIWidget>>& getWidgets() const { return m_widgets; }
    // Appends its shown open lists (and their scroll bars), then its page's.
    void collectOpenLists(std::vector<UIWidget*>& out) const;

    UIMenu* getSubMenu(int index) const;
    int getSubMenuCount() const { return static_cast<int>(m_subMenus.size()); }
    // False (nothing linked) when the link would close a cycle of menus.
    bool addSubMenu(UIMenu* menu);
    bool setParent(UIMenu* parent);
    UIMenu* getParent() const { return m_parent.get(); }
    void selectSubMenu(int index);
    int getSelectedSubMenu() const { return m_selectedSubMenu; }
    UIMenu* getSelectedSubMenuMenu() const { return getSubMenu(m_selectedSubMenu); }
    // A widget of it, or of its shown page, captures the keys.
    bool isCapturingKeys() const;
    void collectSubMenuTabs();

    void setVisible(bool visible);
    void show();
    void hide();
    void refreshWidgets();
    // Replaces the widgets by clones of another menu's.
    void copyWidgetsFrom(const UIMenu& other);
    void notifyPlayerUpdate(int value);
    void notifyGameStart();
    bool handleMouseWheel(bool up);
    // A point on a shown textured widget of negative draw order at least 16
    // across both ways (a panel), of the menu or of its shown page.
    bool liesOnPanel(int x, int y) const;
    // A press of the first two buttons there that nothing else took.
    bool takesPanelPress(int button, bool down, int x, int y) const;

    // Not (in-game only without a game), not (hidden while paused and
    // paused), and visible or on the stack.
    bool isActive() const;
    // Not in-game only without a game and not hidden while paused.
    bool isEligible() const;

    const std::string& getName() const { return m_name; }
    void setName(const std::string& name) { m_name = name; }
    const std::string& getExternalName() const { return m_externalName; }
    const Vec2& getPosition() const { return m_position; }
    void setPosition(const Vec2& position) { m_position = position; }
    void setSize(const Vec2& size) { m_size = size; }
    bool isVisible() const { return m_visible; }
    void setVisibleFlag(bool visible) { m_visible = visible; }
    bool isOnStack() const { return m_onStack; }
    void setOnStack(bool on) { m_onStack = on; }
    bool isFullScreen() const { return m_fullScreen; }
    bool isAlwaysOnTop() const { return m_alwaysOnTop; }
    bool isSubMenu() const { return m_subMenu; }
    bool isAllowedToReload() const { return m_allowedToReload; }
    bool isInGameOnly() const { return m_inGameOnly; }
    bool alwaysHandlesInput() const { return m_alwaysHandleInput; }
    bool pausesGame() const { return m_pausesGame; }
    bool hidesWhenPaused() const { return m_hideWhenPaused; }
    // Active and covering the whole screen.
    bool blocks() const { return m_fullScreen && isActive(); }
    const std::string& getPath() const { return m_path; }
    void setPath(const std::string& path) { m_path = path; }
    const std::vector<std::string>& getRememberedNames() const { return m_rememberedNames; }

protected:
    static bool parentChainContains(const UIMenu* from, const UIMenu* target);
    // Whether `target` is reached from `from` through pages.
    static bool pagesReach(const UIMenu* from, const UIMenu* target);

    std::vector<std::unique_ptr<UIWidget>> m_widgets;
    Vec2 m_position;
    Vec2 m_size;
    std::string m_name;
    std::string m_externalName;
    bool m_visible = false;
    bool m_onStack = false;
    SafePtr<UIMenu> m_parent;
    bool m_fullScreen = false;
    bool m_alwaysOnTop = false;
    bool m_subMenu = false;
    bool m_allowedToReload = true;
    bool m_inGameOnly = false;
    bool m_alwaysHandleInput = false;
    bool m_pausesGame = false;
    bool m_hideWhenPaused = false;
    std::vector<SafePtr<UIMenu>> m_subMenus;
    int m_selectedSubMenu = -1;
    std::vector<SafePtr<UIWidget>> m_subMenuTabs;
    std::vector<std::string> m_showCommands;
    std::vector<std::string> m_hideCommands;
    std::vector<std::string> m_rememberedNames;
    std::vector<std::string> m_rememberedValues;
    std::string m_path;
};
