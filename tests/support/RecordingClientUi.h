#pragma once

#include "client/ClientUi.h"

#include <map>
#include <string>
#include <vector>

// An interface that knows a few help topics (in a chain by index order) and
// records what the client asks of it.
struct RecordingClientUi {
    explicit RecordingClientUi(std::vector<std::string> topicNames) : topics(std::move(topicNames)) {}

    void install(ClientUi& ui)
    {
        ui.findHelpTopic = [this](const std::string& name) {
            for (size_t i = 0; i < topics.size(); ++i)
                if (topics[i] == name)
                    return static_cast<int>(i);
            return -1;
        };
        ui.helpTopicCount = [this] { return static_cast<int>(topics.size()); };
        ui.nextHelpTopic = [this](int topic) {
            auto it = next.find(topic);
            return it == next.end() ? -1 : it->second;
        };
        ui.addHelpTopicButton = [this](int topic) { buttons.push_back(topics[static_cast<size_t>(topic)]); };
        ui.notifyClassChange = [this](int classId) { classChanges.push_back(classId); };
        ui.notifyPlayerUpdate = [this] { ++playerUpdates; };
        ui.notifyGameStart = [this] { ++gameStarts; };
        ui.pushMenu = [this](const std::string& name) { menus.push_back("push " + name); };
        ui.removeMenuFromStack = [this](const std::string& name) { menus.push_back("remove " + name); };
        ui.hideMenu = [this](const std::string& name) { menus.push_back("hide " + name); };
        ui.showMenu = [this](const std::string& name) { menus.push_back("show " + name); };
        ui.showSimpleTips = [this] { return simpleTips; };
        ui.hoveredPartyMember = [this] { return hoveredMember; };
    }

    std::vector<std::string> topics;
    std::map<int, int> next;
    std::vector<std::string> buttons;
    std::vector<int> classChanges;
    int playerUpdates = 0;
    int gameStarts = 0;
    // "push X", "remove X", "hide X", "show X" in call order.
    std::vector<std::string> menus;
    bool simpleTips = true;
    int hoveredMember = -1;
};
