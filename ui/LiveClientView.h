#pragma once

#include "ui/ClientView.h"

// The interface's reads answered from the running client (none while there
// is no client).
class LiveClientView : public ClientView {
public:
    bool isGameRunning() const override;
    bool isInGame() const override;
    bool isPaused() const override;
    void setAutoPause(bool on) override;
    bool hasLocalPlayer() const override;
    EntityClient* getPlayerEntity() const override;
    EntityClient* getLocalPlayer() const override;
    EntityClient* getTargetEntity(bool fallback) const override;
    EntityClient* getPartyMember(int index) const override;
    CovenantBase* getPlayerCovenant() const override;
    int getPlayerCovenantIndex() const override;
    int getCovenantCount() const override;
    CovenantBase* getCovenant(int index) const override;
    int getCovenantIndexByPower(int place) const override;
    int getPlayerStat(int stat) const override;
    int getEntityLevel(const EntityClient* entity) const override;
    bool getEntityClassColor(const EntityClient* entity, Color& out) const override;
    int getChosenClassIndex() const override;
    void playInterfaceSound(const ResourceHandle& sound) override;
    bool getHoverEntityTooltip(std::string& text, bool& onScreen, Vec2& screen) const override;
    std::string getSelectedStoryFile() const override;
    void showErrorMessage(const std::string& text) override;
    bool isPlayerCovenantBeingRaided() const override;
    bool isPlayerCovenantRaiding() const override;
};
