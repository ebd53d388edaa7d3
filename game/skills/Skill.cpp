#include "game/skills/Skill.h"

#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/resources/ModelAnimation.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Door.h"
#include "game/entities/Player.h"
#include "game/entities/Sentient.h"
#include "game/skills/CounterList.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillRefusal.h"
#include "game/world/CombatSystem.h"
#include "game/world/Game.h"
#include "game/world/ServerLink.h"
#include "game/world/Weather.h"

namespace {

constexpr int kPowerStat = toIndex(CharacterStat::Power);
constexpr int kRefusalMessage = 5;
constexpr float kSoundRadius = 200.0f;

} // namespace

void Skill::updateTimer(float seconds)
{
    SkillBase::updateTimer(seconds);
    // A player's skills are paced by the player alone.
    if (dynamic_cast<const Player*>(m_sentientOwner)) {
        m_usable = true;
        return;
    }
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return;
    // Without a period the pacing never starts, so the check that would
    // restart it is not worth its line tests.
    float period = definition->getUseCheckTime(getLevel());
    if (period <= 0.0f)
        return;
    if (m_usable && m_sentientOwner &&
        checkUse(m_sentientOwner, m_sentientOwner->getTarget(), kStageRequest, false) != 0)
        startUseCheck();
    if (!m_useCheckTimer.running) {
        startUseCheck();
        return;
    }
    m_useCheckTimer.advance(seconds);
    if (m_useCheckTimer.running && m_useCheckTimer.remaining <= 0.0f) {
        float r = randomFloat(0);
        m_usable = definition->getUseCheckChance(getLevel()) > r;
        float length = randomRange(period, 0.1f);
        m_useCheckTimer.running = true;
        m_useCheckTimer.duration = length;
        m_useCheckTimer.remaining = length;
    }
}

void Skill::setOwner(SkillEntity* owner)
{
    SkillBase::setOwner(owner);
    m_sentientOwner = dynamic_cast<Sentient*>(owner);
}

void Skill::use(Sentient* user, Entity* friendTarget, int stage, bool unchecked)
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return;
    int result = kFailed;
    int code = checkUse(user, user ? user->getTarget() : nullptr, stage, unchecked);
    if (code != 0)
        showRefusal(code, user);
    else
        result = execute(user, friendTarget, stage, unchecked);
    const bool byPlayer = dynamic_cast<const Player*>(user) != nullptr;
    if (result == kDone) {
        startReuseTimer();
        if (byPlayer)
            sendUsed(true);
        startUseCheck();
        return;
    }
    if (byPlayer)
        sendUsed(false);
    if (result == kNothingMore || result == kStaged || !user)
        return;
    // A staged use that failed on its return leaves its animation.
    if (stage != kStageRequest && (!definition->castingAnimation.empty() || !definition->animation.empty()))
        user->playAnimation("idle", toIndex(AnimationPriority::Override), 0, true);
    user->fireSimpleEvent(toIndex(SimpleEvent::SkillFinished), -1);
}

int Skill::checkUse(Sentient* user, Entity* target, int stage, bool unchecked) const
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return toIndex(SkillRefusal::Silent);
    if (unchecked)
        return toIndex(SkillRefusal::None);
    if (user->getMaxHealth() > 0 && user->getHealth() <= 0)
        return toIndex(SkillRefusal::Dead);
    if (!isKnown(user))
        return toIndex(SkillRefusal::NotOwned);
    if (!user->canUseSkills(definition->getCastTime(getLevel()) > 0.0f))
        return toIndex(SkillRefusal::Blocked);
    if (stage == kStageRequest && !m_usable)
        return toIndex(SkillRefusal::Silent);
    if (definition->needsEnemy && target && !user->canSee(target))
        return toIndex(SkillRefusal::CantSee);
    if (!isReady())
        return toIndex(SkillRefusal::NotReady);
    if (definition->noAttackers && user->hasEnemyNear(false, false, kNoAttackersRadius))
        return toIndex(SkillRefusal::SeenByEnemies);
    // The definition tests the listed cost; a user who pays less (the no-cost
    // flag, a cheaper-power modifier) is tested against what it pays.
    const CounterList& stats = user->getStats();
    int listed = definition->getPowerCost(getLevel());
    int cost = getPowerCost(user);
    int power = stats.get(kPowerStat);
    if (cost < listed && power < listed && power >= cost) {
        CounterList paying = stats;
        paying.set(kPowerStat, listed);
        return checkRequirements(user, paying, target, user->getTickFlags());
    }
    return checkRequirements(user, stats, target, user->getTickFlags());
}

void Skill::showRefusal(int code, Sentient* user) const
{
    if (!user || code < toIndex(SkillRefusal::Dead) || code >= kSkillRefusalCount)
        return;
    user->sendMessage(kRefusalMessage, getSkillRefusalText(code, user->getCharacterClass()));
}

int Skill::execute(Sentient* user, Entity* friendTarget, int stage, bool unchecked)
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return kFailed;
    if (checkUse(user, user->getTarget(), stage, unchecked) != 0)
        return kFailed;
    if (user->getStat(kPowerStat) < getPowerCost(user))
        return kFailed;
    user->fireSimpleEvent(toIndex(SimpleEvent::UseSkill), -1);
    int useStage = getUseStage(stage, user);
    float delay = 0.0f;
    bool cast = false;
    if (useStage == kUseCast) {
        if (!definition->castingAnimation.empty())
            user->playAnimation(definition->castingAnimation, toIndex(AnimationPriority::SpecialAttackStart),
                                0, true);
        delay = getCastTime(user);
        cast = true;
    } else if (useStage == kUseAtMarker) {
        user->playAnimation(definition->animation, toIndex(AnimationPriority::SpecialAttack), 0, false);
        delay = getMarkerTime(user);
    } else {
        if (stage == kStageRequest && !definition->animation.empty())
            user->playAnimation(definition->animation, toIndex(AnimationPriority::SpecialAttack), 0, false);
        return act(user, friendTarget);
    }
    int skillNumber = getTree() * kSkillStatsPerTree + getSlot();
    return user->startSkillWindup(skillNumber, delay, friendTarget, cast, useStage) ? kStaged : kNothingMore;
}

int Skill::act(Sentient* user, Entity* friendTarget)
{
    const SkillDefinition* definition = getDefinition();
    user->fireSimpleEvent(toIndex(SimpleEvent::SkillFinished), -1);
    if (targetsSingleEnemy(user))
        if (Entity* target = user->getTarget())
            user->faceEntity(target);
    if (definition->needsEnemy || definition->allEnemies) {
        if (!applyToEnemies(user) && !definition->alwaysWorks)
            return kFailed;
    }
    if (definition->self || definition->needsFriend || definition->allAllies) {
        if (!applyToFriends(user, friendTarget))
            return kFailed;
    }
    if (definition->useAllRage)
        user->getStats().set(kPowerStat, 0);
    else
        user->getStats().subtractFloored(kPowerStat, getPowerCost(user));
    if (!definition->alertFaction.empty()) {
        // The damage figure is the middle of the user's attack range.
        float hate = 1.0f;
        if (definition->alertHateMult > 0.0f) {
            StatChangeList damage;
            user->buildAttackDamageList(damage);
            int lo = 0;
            int hi = 0;
            damage.sumRanges(lo, hi);
            hate = definition->alertHateMult * 0.5f * static_cast<float>(lo + hi);
        }
        Actor::alertFaction(definition->alertFaction, user, hate);
    }
    if (definition->monstersToSpawn > 0 || definition->maxMonstersToSpawn > 0)
        summonMonsters(user, user->getTarget());
    Game* game = Game::instance();
    if (!definition->projectile.empty() && definition->alwaysWorks) {
        ZonePosition aim;
        user->getTargetPosition(aim);
        launchProjectile(user, nullptr, aim);
        if (!definition->dontLookAtTarget) {
            user->faceTowards(aim, false);
            user->sendWarpDirection();
        }
    }
    if (definition->reverseProjectile)
        reflectProjectiles(user);
    if (definition->blink || definition->teleport) {
        moveUser(user);
        if (!definition->targetEffect.empty() && game)
            game->spawnEntity(definition->targetEffect, user->getPosition(), definition->effectTime);
    }
    if (definition->explosion)
        if (CombatSystem* combat = CombatSystem::instance())
            combat->applyAreaDamageOfType(definition->getExplosionDamage(getLevel()), user,
                                          user->getPosition(), definition->getExplosionRange(getLevel()),
                                          definition->explosionDamageType);
    if (!definition->areaEffect.empty() && game)
        game->spawnEntity(definition->areaEffect, user->getPosition(), definition->effectTime);
    applyWind(user->getPosition());
    shutDoors(user->getPosition());
    if (definition->suicide)
        user->scheduleDelete(0.0f);
    if (!definition->soundName.empty())
        user->playSound(definition->soundName, kSoundRadius, 0.0f);
    return kDone;
}

int Skill::getPowerCost(const Sentient* user) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return 0;
    if (user && user->hasFlag(Entity::kFlagNoPowerCost))
        return 0;
    int cost = definition->getPowerCost(getLevel());
    if (!user)
        return cost;
    return user->applyEventModifiers(toIndex(CombatModifier::PowerNeeded), user->getTarget(), cost, this);
}

float Skill::getCastTime(const Sentient* user) const
{
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return 0.0f;
    float time = definition->getCastTime(getLevel());
    if (user)
        user->applyCombatModifiers(toIndex(CombatModifier::CastTime), user->getTarget(), time, this);
    return time;
}

int Skill::getUseStage(int stage, const Sentient* user) const
{
    if (stage == kStageMarker)
        return kUseNow;
    if (stage == kStageRequest && getCastTime(user) > 0.0f)
        return kUseCast;
    const SkillDefinition* definition = getDefinition();
    if (definition && !definition->animation.empty() && getMarkerTime(user) > 0.0f)
        return kUseAtMarker;
    return kUseNow;
}

float Skill::getMarkerTime(const Sentient* user) const
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition || definition->animation.empty())
        return 0.0f;
    // As Entity::getAnimationEventFraction, for the skill's animation rather
    // than the one playing now.
    const ModelAnimation* animation = user->getAnimationByName(definition->animation);
    if (!animation || animation->framesPerSecond <= 0.0f)
        return 0.0f;
    int frames = animation->getNumFrames();
    if (frames <= 0)
        return 0.0f;
    return static_cast<float>(ModelAnimation::getEventFrame(animation, "skillMarker")) /
           static_cast<float>(frames);
}

bool Skill::isKnown(const Sentient* user) const
{
    const SkillDefinition* definition = getDefinition();
    if (!user || !definition)
        return false;
    if (definition->basicSkill)
        return true;
    if (definition->statReq == SkillDefinition::kNoStat) {
        if (getTree() < 0 || getTree() >= kTreeCount || getSlot() < 0 || getSlot() >= kSlotCount)
            return false;
        return user->getStat(toIndex(CharacterStat::Skill1) + getTree() * kSkillStatsPerTree + getSlot()) > 0;
    }
    return user->getStat(definition->statReq) >= definition->pointsReq;
}

void Skill::startUseCheck()
{
    if (dynamic_cast<const Player*>(m_sentientOwner)) {
        m_usable = true;
        return;
    }
    const SkillDefinition* definition = getDefinition();
    if (!definition)
        return;
    float period = definition->getUseCheckTime(getLevel());
    if (period <= 0.0f)
        return;
    float length = randomRange(period, 0.1f);
    m_useCheckTimer.running = true;
    m_useCheckTimer.duration = length;
    m_useCheckTimer.remaining = length;
    m_usable = false;
}

void Skill::sendUsed(bool used) const
{
    const SkillDefinition* definition = getDefinition();
    const DatabaseEntry* entry = definition ? definition->getEntry() : nullptr;
    int id = entry ? static_cast<int>(entry->getId()) : -1;
    queueServerLine(ServerLine::UsedSkill, "%d %d", id, used ? 1 : 0);
}

void Skill::startReuseTimer()
{
    float reuse = getDefinition()->getReuseTime(getLevel());
    Timer& timer = getUseTimer();
    timer.running = true;
    timer.duration = reuse;
    timer.remaining = reuse;
}

void Skill::applyWind(const ZonePosition& position) const
{
    const SkillDefinition* definition = getDefinition();
    if (definition && definition->windDistance > 0.0f && definition->windPower > 0.0f)
        Weather::extinguishTorches(position, definition->windDistance, definition->windPower);
}

void Skill::shutDoors(const ZonePosition& position) const
{
    const SkillDefinition* definition = getDefinition();
    Game* game = Game::instance();
    if (!definition || !game || definition->shutDoorDistance <= 0.0f)
        return;
    std::vector<Entity*> near;
    game->queryEntitiesInRadius(position, definition->shutDoorDistance, false, near);
    for (Entity* entity : near) {
        // A second leaf is never open itself: its primary holds the state.
        if (auto* door = dynamic_cast<Door*>(entity); door && door->getState() == Door::Open)
            door->use(nullptr);
    }
}
