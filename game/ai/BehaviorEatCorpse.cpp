#include "game/ai/BehaviorEatCorpse.h"

#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/resources/MeshSetResource.h"
#include "engine/resources/ModelResource.h"
#include "game/ai/CorpseSearch.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

#include <algorithm>

BehaviorEatCorpse::BehaviorEatCorpse()
{
    addTimer(searchTimer);
}

int BehaviorEatCorpse::getType() const
{
    return static_cast<int>(ActorBehavior::EatCorpse);
}

void BehaviorEatCorpse::copyFrom(const BehaviorBase& prototype)
{
    if (const auto* other = behaviorAs<BehaviorEatCorpse>(prototype)) {
        maxRange = other->maxRange;
        animName = other->animName;
        maxCorpsesToEat = other->maxCorpsesToEat;
        statusEffect = other->statusEffect;
        healthRegen = other->healthRegen;
        showSurface = other->showSurface;
        canMove = other->canMove;
        eatEffect = other->eatEffect;
        victimEffect = other->victimEffect;
        doneSoundName = other->doneSoundName;
        searchTimer.min = other->searchTimer.min;
        searchTimer.max = other->searchTimer.max;
    }
}

void BehaviorEatCorpse::loadData(const DatabaseEntry* entry)
{
    const Database* db = Database::instance();
    if (!db || !entry) {
        return;
    }
    maxRange = db->getFloat(entry, "MaxRange");
    float time = db->getFloat(entry, "SenseTime");
    searchTimer.min = 0.9f * time;
    searchTimer.max = 1.1f * time;
    animName = db->getString(entry, "AnimName");
    maxCorpsesToEat = db->getInt(entry, "MaxCorpsesToEat");
    statusEffect = resolveBehaviorEntry(entry, "StatusEffect");
    healthRegen = db->getFloat(entry, "HealthRegen");
    db->getIntList(entry, "ShowSurface", showSurface);
    canMove = db->getInt(entry, "CanMove") != 0;
    eatEffect = db->getString(entry, "EatEffect");
    victimEffect = db->getString(entry, "VictimEffect");
    doneSoundName = db->getString(entry, "DoneSoundName");
}

Actor* BehaviorEatCorpse::findCorpse() const
{
    Game* game = Game::instance();
    if (!game || !m_owner) {
        return nullptr;
    }
    auto* body = dynamic_cast<Actor*>(game->findNearestEntityInRange(m_owner, maxRange));
    if (!body || !body->getMonsterClass() || !body->getMonsterClass()->canBeEaten) {
        return nullptr;
    }
    return body;
}

int BehaviorEatCorpse::getOwnerSurfaceCount() const
{
    const ModelResource* model = m_owner ? m_owner->getModel() : nullptr;
    const MeshSetResource* meshes = model ? model->getMeshSet() : nullptr;
    if (!meshes) {
        return 0;
    }
    int count = 0;
    for (const Mesh& mesh : meshes->meshes()) {
        count = std::max(count, mesh.surface + 1);
    }
    return count;
}

bool BehaviorEatCorpse::canStart()
{
    if (corpsesEaten >= maxCorpsesToEat) {
        return false;
    }
    // No meal while the enemy is after the owner.
    if (Entity* enemy = m_owner->getTarget(); enemy && enemy->getTarget() == m_owner) {
        return false;
    }
    return timedCorpseSearch(searchTimer, [this] { return findCorpse() != nullptr; });
}

bool BehaviorEatCorpse::canContinue()
{
    return isLyingDead(corpse.get()) && !m_finished;
}

void BehaviorEatCorpse::start()
{
    // A walk that fails finishes the meal; the wait decides the next try.
    searchTimer.startRandom();
    corpse = findCorpse();
    if (!corpse) {
        m_finished = true;
        return;
    }
    phase = canMove ? kWalking : (!animName.empty() ? kArrived : kEating);
}

void BehaviorEatCorpse::stop()
{
    m_owner->stopMoving();
}

void BehaviorEatCorpse::update(float)
{
    Actor* body = corpse.get();
    if (!body) {
        return;
    }
    if (phase == kWalking) {
        m_owner->followEntity(body);
        return;
    }
    if (phase == kArrived) {
        if (canMove) {
            if (ZonePosition::isWithinSquare(m_owner->getPosition(), body->getPosition(), kOnBodyDistance)) {
                // Standing on the body: turn opposite its facing.
                m_owner->setDirection((body->getDirection() + 4) % 8);
            } else {
                m_owner->faceEntity(body);
            }
        }
        m_owner->playAnimation(animName, toIndex(AnimationPriority::Attack), 0, false);
        phase = kEating;
    }
    if (phase == kEating && (animName.empty() || !m_owner->isPlayingAnimation(animName))) {
        eat(body);
    }
}

void BehaviorEatCorpse::eat(Actor* body)
{
    if (Game* game = Game::instance()) {
        if (!victimEffect.empty()) {
            game->spawnEntity(victimEffect, body->getPosition(), kEffectValue);
        }
        if (!eatEffect.empty()) {
            game->spawnEntity(eatEffect, m_owner->getPosition(), kEffectValue);
        }
    }
    if (!doneSoundName.empty()) {
        m_owner->playSound(doneSoundName, kSoundRadius, 0.0f);
    }
    body->endCorpse();
    if (corpsesEaten >= 0 && corpsesEaten < static_cast<int>(showSurface.size())) {
        int s = showSurface[static_cast<size_t>(corpsesEaten)];
        if (s >= 0 && s < getOwnerSurfaceCount()) {
            m_owner->setVisualFlag(s, true);
        }
    }
    ++corpsesEaten;
    if (statusEffect) {
        m_owner->addStatusEffect(statusEffect, m_owner, corpsesEaten);
    }
    // Truncated towards 0 and saturated: a huge HealthRegen heals in full
    // rather than wrapping to a blow.
    float regen = static_cast<float>(m_owner->getMaxHealth()) * healthRegen;
    m_owner->heal(regen < 0.0f ? ceilToInt(regen) : floorToInt(regen), m_owner);
    m_finished = true;
    phase = kDone;
}

void BehaviorEatCorpse::notify(int code, int)
{
    if (code == toIndex(SimpleEvent::PathFindingFailed)) {
        m_finished = true;
    } else if (code == toIndex(SimpleEvent::PathFindingSuccess) && phase == kWalking) {
        phase = kArrived;
    }
}
