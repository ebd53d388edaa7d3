#include "game/ai/BehaviorRaiseDead.h"

#include "engine/data/Database.h"
#include "game/ai/CorpseSearch.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Actor.h"
#include "game/entities/EntityServices.h"
#include "game/world/Game.h"

#include <vector>

namespace {

// Ranks that never come back: unique, legend and boss.
bool isSpecialRank(int rarity)
{
    return rarity >= 5 && rarity <= 7;
}

} // namespace

BehaviorRaiseDead::BehaviorRaiseDead()
{
    addTimer(searchTimer);
}

int BehaviorRaiseDead::getType() const
{
    return static_cast<int>(ActorBehavior::RaiseDead);
}

void BehaviorRaiseDead::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorRaiseDead>(prototype)) {
        maxRange = other->maxRange;
        raiseAnyFriendly = other->raiseAnyFriendly;
        raiseEntity = other->raiseEntity;
        animName = other->animName;
        effectName = other->effectName;
        effectTime = other->effectTime;
        searchTimer.min = other->searchTimer.min;
        searchTimer.max = other->searchTimer.max;
    }
}

void BehaviorRaiseDead::loadData(const DatabaseEntry* entry)
{
    const Database* db = Database::instance();
    if (!db || !entry) {
        return;
    }
    maxRange = db->getFloat(entry, "MaxRange");
    raiseAnyFriendly = db->getInt(entry, "RaiseAnyFriendly") != 0;
    raiseEntity = resolveBehaviorEntry(entry, "RaiseEntity");
    float time = db->getFloat(entry, "RaiseTime");
    searchTimer.min = time;
    searchTimer.max = 1.1f * time;
    animName = db->getString(entry, "AnimName");
    effectName = db->getString(entry, "EffectName");
    effectTime = db->getFloat(entry, "EffectTime");
}

bool BehaviorRaiseDead::isRaisable(const Actor* body) const
{
    if (!body || body == m_owner) {
        return false;
    }
    if (raiseAnyFriendly) {
        if (EntityServices::factionRelation(m_owner, body) <= 1) {
            return false;
        }
    } else if (!raiseEntity || body->getEntry() != raiseEntity) {
        return false;
    }
    const MonsterArchetype* monsterClass = body->getMonsterClass();
    return monsterClass && monsterClass->canBeRaised && !isSpecialRank(body->getEnhancementRarity()) &&
           body->isDead() && body->getDeathState() == Actor::kCorpse;
}

Actor* BehaviorRaiseDead::findCorpse() const
{
    Game* game = Game::instance();
    if (!game || !m_owner) {
        return nullptr;
    }
    std::vector<Entity*> found;
    game->queryEntitiesInRadius(m_owner->getPosition(), maxRange, false, found);
    for (Entity* entity : found) {
        auto* body = dynamic_cast<Actor*>(entity);
        if (isRaisable(body)) {
            return body;
        }
    }
    return nullptr;
}

bool BehaviorRaiseDead::canStart()
{
    return timedCorpseSearch(searchTimer, [this] { return findCorpse() != nullptr; });
}

bool BehaviorRaiseDead::canContinue()
{
    return isLyingDead(corpse.get()) && !m_finished;
}

void BehaviorRaiseDead::start()
{
    searchTimer.startRandom();
    corpse = findCorpse();
    Actor* body = corpse.get();
    if (!body) {
        m_finished = true;
        return;
    }
    m_owner->playAnimation(animName, toIndex(AnimationPriority::SpecialAttack), 0, false);
    if (!effectName.empty()) {
        if (Game* game = Game::instance()) {
            game->spawnEntity(effectName, body->getPosition(), effectTime);
        }
    }
}

void BehaviorRaiseDead::update(float)
{
    Actor* body = corpse.get();
    if (!body || (!animName.empty() && m_owner->isPlayingAnimation(animName))) {
        return;
    }
    body->resurrect();
    m_finished = true;
}
