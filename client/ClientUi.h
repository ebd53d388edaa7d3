#pragma once

#include <functional>
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
    std::function<void(const std::string& file)> saveExploredMap;
    std::function<void()> updateMapAreas;
    std::function<void(bool built)> setMiniMapBuilt;

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
    void saveMap(const std::string& file) const
    {
        if (saveExploredMap)
            saveExploredMap(file);
    }
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
};
