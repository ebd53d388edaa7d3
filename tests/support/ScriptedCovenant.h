#pragma once

#include "engine/object/SafePtr.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Sentient.h"
#include "game/world/Game.h"

#include <memory>
#include <set>

// A covenant whose leader, kill-credit, resurrection, return and raid answers
// the test sets, counting the teleport effects it is asked to play. Its raid
// is whatever the test makes of raidTarget and the relation table; the
// members on the raid are those the test lists. The life stone and the spot
// near it are the real covenant's.
class ScriptedCovenant : public Covenant {
public:
    Sentient* getLeader() const override { return leader.get(); }
    bool isExcludedFromKillCredit() const override { return excluded; }
    float getResurrectTime(const Entity*) const override { return resurrectTime; }
    ZonePosition getReturnPosition(const Entity*) const override { return returnPosition; }
    void playTeleportEffect(Entity*) override { ++teleportEffects; }
    bool isPlayerCovenant() const override { return player; }
    bool takesPartInRaid(const Entity* member) const override { return raiders.count(member) != 0; }
    bool allowsRaidTeleport() const override { return raidTeleports; }
    void countRaidParty(int& alive, int& dead) const override
    {
        alive = raidersAlive;
        dead = raidersDead;
    }
    ZonePosition getSpotNearGate(const Entity*) const override { return nearGate; }
    bool isVisitingTown() const override { return townVisit.zone >= 0; }
    ZonePosition getTownVisitPosition() const override { return townVisit; }

    // A plain life stone entity in the game at the position.
    Entity* placeLifestone(const ZonePosition& at)
    {
        auto* stone = new Entity();
        stone->setPosition(at);
        if (Game::get().addEntity(stone) < 0) {
            delete stone;
            return nullptr;
        }
        setLifestone(stone);
        return stone;
    }

    // Starts a raid on the covenant at that index of the game's list.
    void raid(int target)
    {
        raidTarget = target;
        setRelationState(target, static_cast<int>(CovenantTreaty::Raid));
    }

    SafePtr<Sentient> leader;
    bool excluded = false;
    float resurrectTime = 0.0f;
    ZonePosition returnPosition;
    int teleportEffects = 0;
    bool player = false;
    std::set<const Entity*> raiders;
    bool raidTeleports = true;
    int raidersAlive = 0;
    int raidersDead = 0;
    ZonePosition nearGate{-1, 0.0f, 0.0f};
    ZonePosition townVisit{-1, 0.0f, 0.0f}; // the adventure goal; zone -1: none
};

// A new scripted covenant owned by the game.
inline ScriptedCovenant& addScriptedCovenant(Game& game)
{
    auto covenant = std::make_unique<ScriptedCovenant>();
    ScriptedCovenant& added = *covenant;
    game.addCovenant(std::move(covenant));
    return added;
}

// Scripted covenants added until the game has one at the index; that one.
inline ScriptedCovenant& scriptedCovenantAt(Game& game, int index)
{
    while (game.getCovenantCount() <= index)
        addScriptedCovenant(game);
    return *dynamic_cast<ScriptedCovenant*>(game.getCovenant(index));
}

// Both covenants at war with each other.
inline void setCovenantsAtWar(Game& game, int a, int b)
{
    scriptedCovenantAt(game, a).setRelationState(b, static_cast<int>(CovenantTreaty::War));
    scriptedCovenantAt(game, b).setRelationState(a, static_cast<int>(CovenantTreaty::War));
}
