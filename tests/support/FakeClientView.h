#pragma once

#include "ui/ClientView.h"

#include "engine/resources/ResourceHandle.h"

#include <map>
#include <vector>

// A client as the interface reads it, every answer a field the test sets.
class FakeClientView : public ClientView {
public:
    bool isGameRunning() const override { return gameRunning; }
    bool isInGame() const override { return inGame; }
    bool isPaused() const override { return paused; }
    void setAutoPause(bool on) override { autoPauses.push_back(on); }
    bool hasLocalPlayer() const override { return localPlayer != nullptr; }
    EntityClient* getPlayerEntity() const override { return playerEntity; }
    EntityClient* getLocalPlayer() const override { return localPlayer; }
    EntityClient* getTargetEntity(bool) const override { return target; }
    EntityClient* getPartyMember(int index) const override
    {
        return index >= 0 && index < static_cast<int>(party.size()) ? party[static_cast<size_t>(index)]
                                                                    : nullptr;
    }
    CovenantBase* getPlayerCovenant() const override { return playerCovenant; }
    int getPlayerCovenantIndex() const override { return playerCovenantIndex; }
    int getCovenantCount() const override { return static_cast<int>(covenants.size()); }
    CovenantBase* getCovenant(int index) const override
    {
        return index >= 0 && index < getCovenantCount() ? covenants[static_cast<size_t>(index)] : nullptr;
    }
    int getCovenantIndexByPower(int place) const override
    {
        return place >= 0 && place < static_cast<int>(powerOrder.size())
                   ? powerOrder[static_cast<size_t>(place)]
                   : -1;
    }
    int getPlayerStat(int stat) const override
    {
        auto it = playerStats.find(stat);
        return localPlayer && it != playerStats.end() ? it->second : 0;
    }
    int getEntityLevel(const EntityClient* entity) const override
    {
        auto it = levels.find(entity);
        return it == levels.end() ? 0 : it->second;
    }
    bool getEntityClassColor(const EntityClient* entity, Color& out) const override
    {
        auto it = classColors.find(entity);
        if (it == classColors.end()) {
            return false;
        }
        out = it->second;
        return true;
    }
    int getChosenClassIndex() const override { return chosenClass; }
    void playInterfaceSound(const ResourceHandle& sound) override
    {
        soundsPlayed.push_back(sound.getIndex());
    }
    bool getHoverEntityTooltip(std::string& text, bool& onScreen, Vec2& screen) const override
    {
        if (hoverText.empty()) {
            return false;
        }
        text = hoverText;
        onScreen = hoverOnScreen;
        screen = hoverScreen;
        return true;
    }
    std::string getSelectedStoryFile() const override { return storyFile; }
    bool isPlayerCovenantBeingRaided() const override { return beingRaided; }
    bool isPlayerCovenantRaiding() const override { return raiding; }
    void showErrorMessage(const std::string& text) override { errors.push_back(text); }

    bool gameRunning = false;
    bool inGame = false;
    bool paused = false;
    std::vector<bool> autoPauses;
    EntityClient* localPlayer = nullptr;
    EntityClient* playerEntity = nullptr;
    EntityClient* target = nullptr;
    std::vector<EntityClient*> party;
    CovenantBase* playerCovenant = nullptr;
    int playerCovenantIndex = -1;
    std::vector<CovenantBase*> covenants;
    std::vector<int> powerOrder;
    std::map<int, int> playerStats;
    std::map<const EntityClient*, int> levels;
    std::map<const EntityClient*, Color> classColors;
    int chosenClass = 0;
    std::vector<int> soundsPlayed;
    std::string hoverText;
    bool hoverOnScreen = false;
    Vec2 hoverScreen;
    std::string storyFile;
    bool beingRaided = false;
    bool raiding = false;
    std::vector<std::string> errors;
};
