#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"

#include <functional>
#include <initializer_list>
#include <string>

// What the client asks of the interface, which sits above client/. Each hook
// answers "no interface" until the menus and maps install theirs.
struct ClientUi {
    // Index of a help topic by name, -1 when there is none.
    std::function<int(const std::string& name)> findHelpTopic;
    // How many help topics there are.
    std::function<int()> helpTopicCount;
    // The topic that follows a read one, -1 when none.
    std::function<int(int topic)> nextHelpTopic;
    // Puts the topic's side button on screen.
    std::function<void(int topic)> addHelpTopicButton;
    // The topic offered when the help topics are reset, -1 when none.
    std::function<int()> startHelpTopic;
    // The topic waiting for the first state message, "" when none.
    std::function<std::string()> pendingFirstTopic;
    std::function<void()> notifyGameStart;
    std::function<void(int classId)> notifyClassChange;
    std::function<void()> notifyPlayerUpdate;
    // Explored world map of a character's ".map" file.
    std::function<void(const std::string& file)> loadExploredMap;
    std::function<bool(const std::string& file)> saveExploredMap;
    std::function<void()> updateMapAreas;
    std::function<void(bool built)> setMiniMapBuilt;
    // The world map's step of a button event (true when taken), and a gate
    // or connection object seen in a snapshot (its position and target).
    std::function<bool(int button, bool down, int x, int y)> worldMapButton;
    std::function<void(const ZonePosition& entity, const ZonePosition& target)> notePortal;
    // The menus: a key (true when taken), the held widget's button event
    // (the capture), a button, whether the pointer is over a blocking menu.
    std::function<bool(int key, bool down, bool repeat)> menuKey;
    std::function<bool(int button, bool down)> captureButton;
    std::function<bool(int button, bool down, int x, int y)> menuButton;
    std::function<bool()> isMouseOverMenu;
    std::function<void()> hideAllMenus;
    std::function<void()> showGameMenus;
    // Menus by name; a name without a menu does nothing.
    std::function<bool(const std::string& name)> hasMenu;
    std::function<void(const std::string& name)> showMenu;
    std::function<void(const std::string& name)> hideMenu;
    std::function<void(const std::string& name)> pushMenu;
    std::function<void(const std::string& name)> removeMenuFromStack;
    std::function<bool()> showDamageNumbers;
    std::function<bool()> showXpNumbers;
    std::function<bool()> showSimpleTips;
    // Where centred messages (of the size given), relation changes and event
    // lines stand.
    std::function<Vec2(Vec2 size)> centerTextPosition;
    std::function<Vec2()> relationChangeTextPosition;
    std::function<Vec2()> eventsTextPosition;

    // The entity number of the party member whose portrait is hovered, -1 none.
    std::function<int()> hoveredPartyMember;

    // The action menus: opened onto the stack, taken off it, closed and shown by name.
    void openOnStack(const std::string& name) const
    {
        if (pushMenu)
            pushMenu(name);
    }
    void takeOffStack(const std::string& name) const
    {
        if (removeMenuFromStack)
            removeMenuFromStack(name);
    }
    void close(const std::string& name) const
    {
        if (hideMenu)
            hideMenu(name);
    }
    void close(std::initializer_list<const char*> names) const
    {
        for (const char* name : names)
            close(name);
    }
    int hoveredMember() const { return hoveredPartyMember ? hoveredPartyMember() : -1; }

    int findTopic(const std::string& name) const { return findHelpTopic ? findHelpTopic(name) : -1; }
    int topicCount() const { return helpTopicCount ? helpTopicCount() : 0; }
    int nextTopic(int topic) const { return nextHelpTopic ? nextHelpTopic(topic) : -1; }
    void addButton(int topic) const
    {
        if (addHelpTopicButton)
            addHelpTopicButton(topic);
    }
    int startTopic() const { return startHelpTopic ? startHelpTopic() : -1; }
    std::string firstTopic() const { return pendingFirstTopic ? pendingFirstTopic() : std::string(); }
    void gameStarted() const
    {
        if (notifyGameStart)
            notifyGameStart();
    }
    void classChanged(int classId) const
    {
        if (notifyClassChange)
            notifyClassChange(classId);
    }
    void playerUpdated() const
    {
        if (notifyPlayerUpdate)
            notifyPlayerUpdate();
    }
    void loadMap(const std::string& file) const
    {
        if (loadExploredMap)
            loadExploredMap(file);
    }
    // False when the map could not be written (no map: nothing to write).
    bool saveMap(const std::string& file) const { return !saveExploredMap || saveExploredMap(file); }
    void mapAreas() const
    {
        if (updateMapAreas)
            updateMapAreas();
    }
    void miniMapBuilt(bool built) const
    {
        if (setMiniMapBuilt)
            setMiniMapBuilt(built);
    }
    bool mapButton(int button, bool down, int x, int y) const
    {
        return worldMapButton && worldMapButton(button, down, x, y);
    }
    void portal(const ZonePosition& entity, const ZonePosition& target) const
    {
        if (notePortal)
            notePortal(entity, target);
    }
    bool key(int code, bool down, bool repeat) const { return menuKey && menuKey(code, down, repeat); }
    bool capture(int button, bool down) const { return captureButton && captureButton(button, down); }
    bool button(int button, bool down, int x, int y) const
    {
        return menuButton && menuButton(button, down, x, y);
    }
    bool mouseOverMenu() const { return isMouseOverMenu && isMouseOverMenu(); }
    // After a game starts, is lost or set up anew: the game's menus.
    void switchToGameMenus() const
    {
        if (hideAllMenus)
            hideAllMenus();
        if (showGameMenus)
            showGameMenus();
    }
    void hideMenus() const
    {
        if (hideAllMenus)
            hideAllMenus();
    }
    void show(const std::string& name) const
    {
        if (showMenu)
            showMenu(name);
    }
    bool damageNumbers() const { return !showDamageNumbers || showDamageNumbers(); }
    bool xpNumbers() const { return !showXpNumbers || showXpNumbers(); }
    bool simpleTips() const { return !showSimpleTips || showSimpleTips(); }
    // The three text places; without an interface the virtual screen's defaults.
    Vec2 centerText(Vec2 size = {}) const
    {
        return centerTextPosition ? centerTextPosition(size) : Vec2(320.0f, 240.0f);
    }
    Vec2 relationText() const
    {
        return relationChangeTextPosition ? relationChangeTextPosition() : Vec2(320.0f, 180.0f);
    }
    Vec2 eventsText() const { return eventsTextPosition ? eventsTextPosition() : Vec2(10.0f, 300.0f); }
};
