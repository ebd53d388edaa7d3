#pragma once

// The menu manager of the client: owns every menu of the menu files, keeps
// the menu stack, orders the active menus, routes keys, buttons and the wheel
// into them, tracks the hovered, focused, dragged and held widgets, repeats a
// held button and runs the menus' command lines.
//
// The rule for borrowed pointers: every pointer to a widget or menu that its
// holder does not own is a SafePtr (the hovered, focus, drag and held widgets,
// stack entries, parent widgets and menus, pages and tabs, and whatever later
// widgets point at), so a deleted widget or menu reads as null everywhere and
// every user tests it. No menu or widget is deleted while the interface walks
// them: a reload asked from inside a UI call (a button's commands, a menu's
// show commands) waits until the outermost call returns.

#include "engine/console/UserVarRef.h"
#include "engine/core/Color.h"
#include "engine/core/GameTime.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Singleton.h"
#include "engine/object/SafePtr.h"
#include "engine/resources/ResourceHandle.h"
#include "ui/widgets/UIWidget.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ClientView;
class TextReader;
class UIDrawing;
class UICursors;
class UIMenu;

// The screen-layout values of the "UISystem" entry.
struct UISettings {
    Vec2 centerTextPosition;
    Vec2 relationChangeTextPosition;
    // Over a window that covers the game (the relations screen): above its
    // pages' words and the covenants' badges.
    Vec2 relationChangeTextPositionOverWindow;
    Vec2 eventsTextPosition;
    Vec2 fullUseSlotsOffset;
    Vec2 helpTopicBasePosition;
    float helpTopicButtonOffset = 0.0f;
    float helpTopicButtonSize = 0.0f;
    Vec2 miniMapMaskPosition;
    Vec2 miniMapMaskSize;
    float minRelationForColoring = 0.0f;
    float maxRelationForColoring = 0.0f;
    Vec2 worldMapKeyPosition;
    float worldMapKeyLineSpace = 0.0f;
    float worldMapKeyMarkerSize = 0.0f;
    float worldMapKeyTextOffset = 0.0f;
    std::string worldMapKeyFontName;
    std::string scrollbarUp;
    std::string scrollbarDown;
    std::string scrollbarLeft;
    std::string scrollbarRight;
    std::string scrollbarBar;
    std::string scrollbarBackground;
    std::string scrollbarBarHoriz;
    std::string scrollbarBackgroundHoriz;
    Color defaultHoverColor;
    int minBusyFrames = 0;
    std::vector<std::string> gameMenu;
    float mouseFirstRepeatTime = 0.0f;
    float mouseOtherRepeatTime = 0.0f;
    Vec2 relationsCenter;
    float relationsRadius = 0.0f;
    Vec2 sideStackStart;
    Vec2 sideStackSpace;
    float spaceBetweenTextLines = 0.0f;
    Vec2 relationPicturePos;
    Vec2 relationNamePos;
};

class UISystem : public Singleton<UISystem> {
public:
    // The pointer in interface units; (0, 0) without input.
    static void pointerPosition(int& x, int& y);
    // The number of user variables the interface keeps.
    static constexpr int kVariableCount = 13;

    UISystem();
    ~UISystem();

    // The two seams: what the interface reads of the client and how it draws.
    // Neither is owned. Setting the drawing loads the default font.
    void setClientView(ClientView* view) { m_view = view; }
    ClientView* getClientView() const { return m_view; }
    void setDrawing(UIDrawing* drawing);
    UIDrawing* getDrawing() const { return m_drawing; }
    const ResourceHandle& getDefaultFont() const { return m_defaultFont; }

    // Settings, menus, "Main" shown, commands and variables, the help-topic
    // sound.
    void init();

    // ---- Lookups
    UIMenu* findMenu(std::string_view name) const;
    // "Menu::Widget"; logs what is missing (with the reader's "file:line: "
    // when the name comes from a menu file).
    UIWidget* findWidget(std::string_view fullName, const TextReader* where = nullptr) const;
    UIWidget* getWidgetAtMouse(bool onlyFlagged);
    UIMenu* addMenu(std::unique_ptr<UIMenu> menu);
    const std::vector<std::unique_ptr<UIMenu>>& getMenus() const { return m_menus; }

    // ---- Menu visibility
    void showMenu(UIMenu* menu);
    void showMenu(std::string_view name) { showMenu(findMenu(name)); }
    void hideMenu(UIMenu* menu);
    void hideMenu(std::string_view name) { hideMenu(findMenu(name)); }
    void toggleMenu(UIMenu* menu);
    void pushPopMenu(UIMenu* menu);
    void pushMenu(UIMenu* menu);
    void pushMenuByName(std::string_view name) { pushMenu(findMenu(name)); }
    void popMenu();
    void removeFromMenuStack(UIMenu* menu);
    void removeFromMenuStackByName(std::string_view name) { removeFromMenuStack(findMenu(name)); }
    void hideAllMenus();
    bool isOnMenuStack(const UIMenu* menu) const;
    // The stack, bottom first (deleted menus read null).
    std::vector<UIMenu*> getMenuStack() const;
    bool isFullScreenMenuShown() const;
    bool isMouseOverMenu();
    // Closes every open drop-down list but `keep`: one list is open at a time.
    void closeOpenLists(const UIWidget* keep = nullptr);

    // ---- Input (true when taken)
    bool handleKey(int key, bool down, bool repeat);
    bool onMouseButton(int button, bool down, int x, int y);
    bool handleMouseScroll(bool up);

    // ---- Frame
    void update(float seconds);
    void draw();
    void updateAndDraw(float seconds);
    void drawDragAndCursor();
    bool getTooltip(UITooltip& out);
    void notifyPlayerUpdate(int value);
    void notifyGameStart();
    void layOutSideStack();
    std::vector<SafePtr<UIMenu>>& getSideStack() { return m_sideStack; }

    // ---- Helpers for widgets
    void runCommand(const std::string& line);
    void runCommandList(const std::vector<std::string>& lines);
    bool isDoubleClick(const GameTime& now, const GameTime& previous) const;
    bool isBlinkOn(float period) const;
    std::string getTextCursor() const { return isBlinkOn(0.5f) ? "_" : ""; }
    // The interface's clock: the engine clock's game time (zero without one).
    GameTime getTime() const;
    double getTimeSeconds() const { return getTime().toSeconds(); }
    bool showDamageNumbers() const;
    bool showXpNumbers() const;
    bool showSimpleTips() const;

    // ---- Widget pointers
    UIWidget* getHoveredWidget() const { return m_hovered.get(); }
    UIWidget* getFocusWidget() const { return m_focus.get(); }
    void setFocusWidget(UIWidget* widget) { m_focus = widget; }
    UIWidget* getDragWidget() const { return m_drag.get(); }
    void setDragWidget(UIWidget* widget) { m_drag = widget; }
    // The widget whose button is held: the client's capture, repeated by
    // the frame.
    UIWidget* getHeldWidget() const { return m_held.get(); }
    int getHeldButton() const { return m_heldButton; }
    void setRepeatWidget(UIWidget* widget, int button);
    void setHeldWidget(UIWidget* widget)
    {
        if (m_held.get() != widget) {
            setRepeatWidget(widget, m_heldButton);
        }
    }
    // Clears the held widget when it is this one.
    void clearHeldWidget(const UIWidget* widget);
    // The client's capture step: the held widget gets the button event.
    bool sendToHeldWidget(int button, bool down);

    int getUIMode() const { return m_mode; }
    void setUIMode(int mode) { m_mode = mode; }
    const std::string& getStoryFile() const { return m_storyFile; }
    void setStoryFile(const std::string& name) { m_storyFile = name; }

    // ---- Settings
    const UISettings& getSettings() const { return m_settings; }
    UISettings& editSettings() { return m_settings; }
    void loadSettings();
    void showGameMenus();
    // An editor's view replaces the game's: the game menus go while it shows,
    // and come back when it is left; without a game the start screen does.
    void hideMenusForEditor();
    void showMenusAfterEditor();
    // Whether a press on a window's panel stays with the window: not while
    // an editor or the world map has the screen, whose views take the
    // presses their menus leave.
    bool panelsTakePresses() const;

    // ---- Menu files
    // Reads "UI/menus.lst" and its menus; with reload replaces the loaded
    // ones. Asked from inside a UI call, a reload waits for it to return.
    void loadMenus(bool reload);
    void requestReload();
    // Called after each reload, so holders of widget lookups find them again.
    void addReloadListener(std::function<void()> listener);
    // Reads a menu list text (its file name for messages) and loads each
    // entry; the fuzz target and the loader share it.
    void loadMenuList(const std::string& text, const std::string& fileName, bool reload);

    void registerCommands();
    UserVarRef getVariable(int index) const;

    // ---- Help topics (HelpTopics.cpp): read with the menus; offered topics
    // stand as a row of blinking run-time button menus.
    void loadHelpTopics();
    int findHelpTopic(std::string_view name) const;
    std::string getNextHelpTopic(int index) const;
    int getHelpTopicCount() const { return static_cast<int>(m_helpTopics.size()); }
    const std::string& getStartHelpTopic() const { return m_startHelpTopic; }
    void addHelpTopicButton(int index);
    bool hasHelpTopicButton(int index) const;
    bool reshowHelpTopicButton(int index);
    void addHelpTopicButtonMenu(UIMenu* menu);
    void layoutHelpTopicButtons();
    // Each frame after the console: the "Help" menu shown, updated, drawn, hidden.
    void drawHelpMenu(float seconds);
    void registerHelpTopicCommands();
    UIWidget* getHelpWidget() const { return m_helpWidget.get(); }

    // ---- Cursors (UISystemCursor.cpp)
    void loadCursors();
    UICursors& getCursors() { return *m_cursors; }
    // Selects a cursor; after the busy cursor (7) other ids are refused
    // until more than MinBusyFrames counted calls have passed.
    void setCursor(int id, bool counting);
    int chooseCursor();
    // On mouse motion and when the pointer enters the window.
    void updateCursor();
    int getCurrentCursor() const { return m_currentCursor; }
    // The chosen cursor selected and, without a system cursor, drawn at the mouse.
    void drawCursor();

    // Counts nested UI calls, so that a reload waits for the outermost.
    class CallGuard {
    public:
        explicit CallGuard(UISystem& ui);
        ~CallGuard();
        CallGuard(const CallGuard&) = delete;
        CallGuard& operator=(const CallGuard&) = delete;

    private:
        UISystem& m_ui;
    };

private:
    friend class CallGuard;
    void updateActiveMenus(bool includeInputOnly);
    // The open lists of the active menus (and their scroll bars): drawn
    // after every menu and asked for the mouse before them.
    void collectOpenLists();
    bool handleMouseButton(int button, bool down, int x, int y);
    void setCovenantDir();
    void moveWidgetY(const std::vector<std::string>& args);
    void calculateUserVar(const std::vector<std::string>& args);
    void showHistory();
    int levelForMethods() const;

    ClientView* m_view = nullptr;
    UIDrawing* m_drawing = nullptr;
    ResourceHandle m_defaultFont;

    std::vector<std::unique_ptr<UIMenu>> m_menus;
    SafePtr<UIWidget> m_drag;
    SafePtr<UIMenu> m_helpMenu;
    SafePtr<UIWidget> m_helpWidget;
    SafePtr<UIWidget> m_focus;
    std::vector<SafePtr<UIMenu>> m_sideStack;
    std::deque<SafePtr<UIMenu>> m_menuStack;
    // Rebuilt per call and never kept across a deletion.
    std::vector<UIMenu*> m_active;
    std::vector<UIWidget*> m_openLists;
    GameTime m_doubleClickInterval{0, 0, 0, 0.5f};
    int m_mode = 0;
    std::string m_storyFile;
    UserVarRef m_variables[kVariableCount];
    SafePtr<UIWidget> m_hovered;
    ResourceHandle m_newTopicSound;
    SafePtr<UIWidget> m_held;
    int m_heldButton = 0;
    float m_heldTime = 0.0f;
    int m_repeatCount = 0;
    UISettings m_settings;

    int m_callDepth = 0;
    bool m_reloadPending = false;
    std::vector<std::function<void()>> m_reloadListeners;

    std::vector<std::string> m_helpTopics;
    std::vector<std::string> m_helpNextTopics;
    std::string m_startHelpTopic;
    std::vector<SafePtr<UIMenu>> m_helpButtons;
    // The help buttons an editor hid, shown again when it is left.
    std::vector<SafePtr<UIMenu>> m_helpButtonsUnderEditor;
    bool m_editorShown = false;
    std::unique_ptr<UICursors> m_cursors;
    int m_currentCursor = 0;
    int m_busyFrames = 0;
};
