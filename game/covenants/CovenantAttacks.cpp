#include "game/covenants/Covenant.h"

#include "game/definitions/GameEnums.h"
#include "game/entities/Entity.h"
#include "game/world/Game.h"

void Covenant::onAttacked(Entity* victim, Entity* attacker, int amount, bool noAlarm)
{
    // A destroyed covenant is past harm: no second end, no second reward.
    if (!victim || !attacker || destroyed)
        return;
    Game* game = Game::instance();
    if (const Covenant* enemy = attacker->getCovenant()) {
        if (enemy != this && getRelationState(enemy->index) != static_cast<int>(CovenantTreaty::War) && game)
            game->announceDiplomacy(index, enemy->index, static_cast<int>(CovenantTreaty::War), false);
        membersTargetAttacker(attacker);
    }
    if (!noAlarm) {
        const ZonePosition& at = victim->getPosition();
        if (ZonePosition::distanceTo(at, housePosition) < kNearHouseDistance)
            raiseAlarm();
    }
    if (victim == lifestone.get()) {
        if (victim->getMaxHealth() > 0 && victim->getHealth() <= 0) {
            onDestroyed(attacker, true, true);
            return;
        }
        lifestoneAttacked(attacker, amount);
    }
}

Covenant* Covenant::findDestroyer(const Entity* attacker) const
{
    if (keepsDestroyerReckoning())
        return getDestroyer();
    // Without a reckoning of its own (the player's covenant keeps none), the
    // covenant whose member struck the last blow ended it: a raid's end
    // is no work of monsters.
    Covenant* striker = attacker ? attacker->getCovenant() : nullptr;
    return striker && striker != this && !striker->destroyed ? striker : nullptr;
}

void Covenant::onDestroyed(Entity* attacker, bool dismissGuards, bool announce)
{
    Game* game = Game::instance();
    if (announce && game)
        game->onCovenantDestroyed(this, findDestroyer(attacker));
    destroyed = true;
    zeroPowerStats();
    influence = InfluenceCounters();
    if (game) {
        game->resetRelationStatesWith(index);
        game->resetRelationSubStatesWith(index);
    }
    if (dismissGuards) {
        killAllMembers();
        removeAllGuards();
    } else {
        removeAllMembers();
    }
    // Every other covenant hears its offer withdrawn; the covenant itself
    // holds no offer of its own, and would be sent an empty one.
    for (int i = 0; i < kMaxCovenants; ++i)
        if (Covenant* other = game ? game->getCovenant(i) : nullptr; other != this)
            clearPendingOffer(other, true);
    if (Entity* stone = lifestone.get()) {
        stone->setLightColor(Vec3{0.0f, 0.0f, 0.0f});
        stone->setLightFalloff(0.0f);
    }
    updateStats();
}
