#pragma once

#include "engine/core/Color.h"
#include "engine/core/MathUtil.h"

#include <string>

class CovenantBase;
class EntityClient;
class ResourceHandle;

// What the interface reads of the client, in the client's own terms.
// Entities and covenants are the client's mirrors; everything else comes as
// values, so a test can answer without a running client. Every read answers
// "nothing there" (false, null, -1, 0) when the client has no game.
class ClientView {
public:
    virtual ~ClientView() = default;

    // A game is loaded and running.
    virtual bool isGameRunning() const = 0;
    // The client has joined a game.
    virtual bool isInGame() const = 0;
    virtual bool isPaused() const = 0;
    // The automatic pause of a pausing menu ("pausedAuto").
    virtual void setAutoPause(bool on) = 0;

    virtual bool hasLocalPlayer() const = 0;
    virtual EntityClient* getPlayerEntity() const = 0;
    virtual EntityClient* getLocalPlayer() const = 0;
    // The player's target; with the fallback the last one while attacking.
    virtual EntityClient* getTargetEntity(bool fallback) const = 0;
    virtual EntityClient* getPartyMember(int index) const = 0;
    virtual CovenantBase* getPlayerCovenant() const = 0;
    virtual int getPlayerCovenantIndex() const = 0;
    virtual int getCovenantCount() const = 0;
    // Null outside 0 … count − 1: the interface never makes a mirror.
    virtual CovenantBase* getCovenant(int index) const = 0;
    // The covenant index at a place of the power order; −1 outside it.
    virtual int getCovenantIndexByPower(int place) const = 0;
    // A character stat of the local player; 0 without one.
    virtual int getPlayerStat(int stat) const = 0;
    virtual int getEntityLevel(const EntityClient* entity) const = 0;
    // The colour of an entity's character class (the second colour for a
    // player entity whose power is rising); false when it has no class.
    virtual bool getEntityClassColor(const EntityClient* entity, Color& out) const = 0;
    // 0 warrior, 1 rogue, 2 priest, 3 mage.
    virtual int getChosenClassIndex() const = 0;
    // Plays an interface sound at the local player while sound is on, a
    // channel is free and the handle is valid.
    virtual void playInterfaceSound(const ResourceHandle& sound) = 0;

    // The entity under the mouse: its hover text, and its screen point when
    // it is on screen; false when there is none.
    virtual bool getHoverEntityTooltip(std::string& text, bool& onScreen, Vec2& screen) const = 0;
    // The story file of the selected entity; empty without one.
    virtual std::string getSelectedStoryFile() const = 0;
    // The player covenant's raid flags.
    virtual bool isPlayerCovenantBeingRaided() const = 0;
    virtual bool isPlayerCovenantRaiding() const = 0;
    // A refusal shown to the player as a floating message.
    virtual void showErrorMessage(const std::string& text) = 0;
};
