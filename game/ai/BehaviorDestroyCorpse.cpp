#include "game/ai/BehaviorDestroyCorpse.h"

#include "engine/data/Database.h"
#include "game/ai/CorpseSearch.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/world/CombatSystem.h"
#include "game/world/Game.h"

BehaviorDestroyCorpse::BehaviorDestroyCorpse()
{
    addTimer(searchTimer);
}

int BehaviorDestroyCorpse::getType() const
{
    return static_cast<int>(ActorBehavior::DestroyCorpse);
}

void BehaviorDestroyCorpse::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorDestroyCorpse>(prototype)) {
        maxRange = other->maxRange;
        searchTimer.min = other->searchTimer.min;
        searchTimer.max = other->searchTimer.max;
    }
}

void BehaviorDestroyCorpse::loadData(const DatabaseEntry* entry)
{
    const Database* db = Database::instance();
    if (!db || !entry) {
        return;
    }
    maxRange = db->getFloat(entry, "MaxRange");
    float time = db->getFloat(entry, "DestroyTime");
    searchTimer.min = time;
    searchTimer.max = 1.1f * time;
}

Actor* BehaviorDestroyCorpse::findCorpse() const
{
    Game* game = Game::instance();
    if (!game || !m_owner) {
        return nullptr;
    }
    return dynamic_cast<Actor*>(game->findNearestEntityInRange(m_owner, maxRange));
}

bool BehaviorDestroyCorpse::canStart()
{
    return timedCorpseSearch(searchTimer, [this] { return findCorpse() != nullptr; });
}

void BehaviorDestroyCorpse::start()
{
    searchTimer.startRandom();
    Actor* corpse = findCorpse();
    if (!corpse) {
        return;
    }
    if (CombatSystem* combat = CombatSystem::instance()) {
        combat->applyAreaDamageOfType(kSplashDamage, m_owner, corpse->getPosition(), kSplashRadius, 0);
    }
    // A body its covenant will raise stays.
    corpse->endCorpse();
}
