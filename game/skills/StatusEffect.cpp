#include "game/skills/StatusEffect.h"

#include "engine/core/Random.h"
#include "engine/object/Event.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Player.h"
#include "game/entities/Sentient.h"
#include "game/skills/SkillBase.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kLevelStat = toIndex(CharacterStat::Level);
constexpr int kPowerStat = toIndex(CharacterStat::Power);
constexpr int kMaxPowerStat = toIndex(CharacterStat::MaxPower);
constexpr int kMaxHealthStat = toIndex(CharacterStat::MaxHealth);
constexpr int kMovementStat = toIndex(CharacterStat::Movement);
// A skill fired by an effect acts at once (the marker stage), unchecked.
constexpr int kFiredSkillStage = 2;

SkillBase* makeTriggerSkill(const std::string& name)
{
    if (name.empty())
        return nullptr;
    SkillBase* skill = EntityServices::createSkill();
    const GameData* data = GameData::instance();
    skill->setDefinition(data ? data->findSkillDefinition(name) : nullptr);
    skill->setPlace(0, 0);
    return skill;
}

// The effect entry of an element's explosion (its model is
// "Models/Effects/<element>Explosion.mdl").
const char* explosionEffect(int element)
{
    switch (element) {
    case 1:
        return "EffectFireExplosion";
    case 2:
        return "EffectIceExplosion";
    case 3:
        return "EffectPoisonExplosion";
    case 4:
        return "EffectLightningExplosion";
    default:
        return nullptr;
    }
}

// A hit's effect model at the entity for the effect's time. It always ends:
// one of an effect without a time of its own goes at the next step (the
// Game keeps an entity spawned with no time, and every hit adds one).
void spawnAt(const std::string& entryName, const Entity* at, float seconds, const Entity* faceTo)
{
    constexpr float kNextStep = 0.001f;
    Game* game = Game::instance();
    if (!game || !at)
        return;
    Entity* spawned = game->spawnEntity(entryName, at->getPosition(), std::max(seconds, kNextStep));
    if (spawned && faceTo)
        spawned->faceTowards(faceTo->getPosition(), false);
}

} // namespace

StatusEffect::~StatusEffect()
{
    if (m_owner && !effectModelName.empty() && !effectTagName.empty())
        m_owner->removeAttachedEntity(effectModelName, effectTagName);
    deleteSkills();
}

void StatusEffect::deleteSkills()
{
    delete m_onHitSkill;
    delete m_whenHitSkill;
    delete m_whenKilledSkill;
    m_onHitSkill = m_whenHitSkill = m_whenKilledSkill = nullptr;
}

void StatusEffect::setEntry(const DatabaseEntry* entry, int newLevel, Entity* source)
{
    StatusEffectBase::setEntry(entry, newLevel, source);
    if (auto* sentient = dynamic_cast<Sentient*>(source)) {
        sentient->applyCombatModifiers(toIndex(DynamicStat::HealthChange), nullptr, healthChange, nullptr,
                                       entry);
        sentient->applyCombatModifiers(toIndex(DynamicStat::TotalTime), nullptr, totalTime, nullptr, entry);
        float power = 1.0f;
        sentient->applyCombatModifiers(toIndex(DynamicStat::GeneralPower), nullptr, power, nullptr, entry);
        if (power != 1.0f) {
            for (int i = 0; i < kStatCount; ++i) {
                statChanges[static_cast<size_t>(i)] =
                    static_cast<int32_t>(static_cast<float>(statChanges[static_cast<size_t>(i)]) * power);
                statMults[static_cast<size_t>(i)] =
                    static_cast<int32_t>(static_cast<float>(statMults[static_cast<size_t>(i)]) * power);
            }
            powerLeechPerHit = static_cast<int32_t>(static_cast<float>(powerLeechPerHit) * power);
            absorbDamage = static_cast<int32_t>(static_cast<float>(absorbDamage) * power);
            healthChange *= power;
            powerChange *= power;
        }
    }
    deleteSkills();
    m_onHitSkill = makeTriggerSkill(onHitSkill);
    m_whenHitSkill = makeTriggerSkill(whenHitSkill);
    m_whenKilledSkill = makeTriggerSkill(whenKilledSkill);
    if (m_owner)
        for (SkillBase* skill : {m_onHitSkill, m_whenHitSkill, m_whenKilledSkill})
            if (skill)
                skill->setOwner(m_owner);
}

void StatusEffect::setOwner(Sentient* owner)
{
    bool model = !effectModelName.empty() && !effectTagName.empty();
    if (m_owner && model)
        m_owner->removeAttachedEntity(effectModelName, effectTagName);
    m_owner = owner;
    if (m_owner && model)
        Entity::createEntity(nullptr, effectModelName, m_owner, effectTagName, 1.0f);
    for (SkillBase* skill : {m_onHitSkill, m_whenHitSkill, m_whenKilledSkill})
        if (skill)
            skill->setOwner(m_owner);
}

void StatusEffect::restartTickTimer()
{
    float t = randomRange(tickTime, randomizeTickTime);
    tickTimer.duration = t;
    tickTimer.remaining = t;
    tickTimer.running = true;
}

void StatusEffect::start()
{
    if (m_owner && alpha < 1.0f)
        Entity::fadeTo(m_owner, alpha, 2.0f);
    restartTickTimer();
    if (!forever) {
        if (strengthTime > 0.0f && m_owner)
            totalTime *= getStrengthFactor(strengthTime, m_owner->getStat(kLevelStat));
        durationTimer.duration = totalTime;
        durationTimer.remaining = totalTime;
        durationTimer.running = true;
    }
}

void StatusEffect::stop()
{
    if (m_owner && alpha < 1.0f)
        Entity::fadeTo(m_owner, 1.0f, 2.0f);
    if (m_owner && m_succeeded && successEndEffect)
        m_owner->addStatusEffect(successEndEffect, m_owner, level);
}

bool StatusEffect::isActive() const
{
    if (!onlyWhenRaiding && !onlyWhenBeingRaided)
        return true;
    const Covenant* covenant = m_owner ? m_owner->getCovenant() : nullptr;
    if (!covenant)
        return false;
    if (onlyWhenRaiding && !covenant->takesPartInRaid(m_owner))
        return false;
    if (onlyWhenBeingRaided && !covenant->isDefender(m_owner))
        return false;
    return true;
}

bool StatusEffect::think(Sentient* owner, float seconds)
{
    durationTimer.advance(seconds);
    tickTimer.advance(seconds);
    if (ended)
        return true;
    if (removeOnDeath && owner && owner->isDead())
        return true;
    if (mustRemainUnknown && owner && owner->hasEnemyNear(false, false, 300.0f)) {
        if (printFailure)
            owner->sendMessage(5,
                               checkSuccess && !m_succeeded ? "$$InViewOfEnemies$$" : "$$SpottedByEnemy$$");
        return true;
    }
    if (mustHaveNoEnemy && owner && owner->getTarget())
        return true;
    if ((mustFocus || mustPartiallyFocus) && owner && owner->hasLostFocus())
        return true;
    if (itemSetEffect && owner) {
        int needed = 0;
        if (owner->countSetBonusItems(getEntry(), needed) < needed || needed == 0)
            return true;
    }
    if (owner && owner->isDead())
        return false;
    if (tickTimer.running && tickTimer.remaining <= 0.0f) {
        if (healthChange != 0.0f || healthChangePercent != 0.0f)
            applyHealthChange();
        if (powerChange != 0.0f || powerChangePercent != 0.0f)
            applyPowerChange();
        if (basicRegen && owner)
            owner->basicRegenerate();
        if (aura)
            applyAura();
        if (checkSuccess)
            m_succeeded = true;
        restartTickTimer();
    }
    if (!forever && durationTimer.isExpired())
        return true;
    return false;
}

void StatusEffect::applyHealthChange()
{
    if (!m_owner || !isActive())
        return;
    float amount = 0.0f;
    if (healthChange != 0.0f)
        amount += scaleByStrength(healthChange);
    if (healthChangePercent != 0.0f)
        amount += static_cast<float>(m_owner->getStat(kMaxHealthStat)) * healthChangePercent;
    int n = randomRound(amount);
    if (n < 0)
        EntityServices::applyDamageOfType(-n, getInflicter(), m_owner, damageType, true, false);
    else if (n >= 1)
        m_owner->heal(n, getInflicter(), informOthers);
}

void StatusEffect::applyPowerChange()
{
    if (!m_owner || !isActive())
        return;
    const CharacterClass* c = m_owner->getCharacterClass();
    if (isPowerRegen && c && !c->canRegenPower)
        return;
    float amount = powerChange + static_cast<float>(m_owner->getStat(kMaxPowerStat)) * powerChangePercent;
    int n = randomRound(amount);
    CounterList& stats = m_owner->getStats();
    if (n > 0)
        stats.addCapped(kPowerStat, n, stats.get(kMaxPowerStat));
    else if (n < 0)
        stats.subtractFloored(kPowerStat, -n);
}

void StatusEffect::applyAura()
{
    if (!m_owner || !isActive() || !auraStatusEffect)
        return;
    if (!auraOffensive && !m_owner->getSupportFlag())
        return;
    std::vector<Entity*> found;
    EntityServices::entitiesInRange(m_owner, m_owner->getPosition(), auraDistance,
                                    auraOffensive ? 0x44u : 0x210u, found);
    for (Entity* e : found)
        if (auto* s = dynamic_cast<Sentient*>(e))
            s->addStatusEffect(auraStatusEffect, m_owner, 1);
}

void StatusEffect::addStatBonus(int mode, int stat, int& total) const
{
    if (!isActive() || stat < 0 || stat >= kStatCount)
        return;
    if (mode == 0) {
        if (stat >= toIndex(CharacterStat::Strength) && stat <= toIndex(CharacterStat::Spirit))
            total += statChanges[static_cast<size_t>(stat)];
    } else if (mode == 1) {
        total += statChanges[static_cast<size_t>(stat)];
    }
    if (stat == kMovementStat && cantMove)
        total = 0;
}

float StatusEffect::getStatMult(int stat) const
{
    if (!isActive() || stat < 0 || stat >= kStatCount)
        return 0.0f;
    return static_cast<float>(statMults[static_cast<size_t>(stat)]) / 1000.0f;
}

void StatusEffect::addDamage(int mode, StatChangeList& list)
{
    if (!isActive())
        return;
    if (mode == 1) {
        list.add(toIndex(DamageType::Physical), statChanges[toIndex(CharacterStat::MinDamage)],
                 statChanges[toIndex(CharacterStat::MaxDamage)]);
        return;
    }
    if (mode != 3 || !m_owner)
        return;
    StatChangeList base;
    m_owner->addBaseDamage(base);
    int tMin = 0;
    int tMax = 0;
    base.sumRanges(tMin, tMax);
    for (int t = 0; t < kDamageTypeCount; ++t) {
        int minP = extraMinDamagePercent[static_cast<size_t>(t)];
        int maxP = extraMaxDamagePercent[static_cast<size_t>(t)];
        if (minP > 0 || maxP > 0)
            list.add(t, static_cast<int>(std::floor(minP * tMin * 0.01)),
                     static_cast<int>(std::floor(maxP * tMax * 0.01)));
    }
    if (extraMinDamagePercentElemental > 0 || extraMaxDamagePercentElemental > 0) {
        int pick = static_cast<int>(4.0f * randomFloat(0));
        if (pick > 3)
            pick = 3;
        m_element = 1 + pick;
        list.add(m_element, static_cast<int>(std::floor(extraMinDamagePercentElemental * tMin * 0.01)),
                 static_cast<int>(std::floor(extraMaxDamagePercentElemental * tMax * 0.01)));
    }
}

void StatusEffect::absorb(int& damage)
{
    if (absorbAllDamage) {
        damage = 0;
        return;
    }
    // Far from the game's first player the damage shrinks to a tenth.
    if (absorbDamageAwayFromPlayer > 0.0f && m_owner) {
        const Game* game = Game::instance();
        const Player* player = game ? game->getFirstPlayer() : nullptr;
        if (player && ZonePosition::distanceTo(player->getPosition(), m_owner->getPosition()) >
                          absorbDamageAwayFromPlayer)
            damage /= 10;
    }
    if (absorbDamage > 0 && damage > 0) {
        if (absorbDamage > damage) {
            absorbDamage -= damage;
            damage = 0;
        } else {
            damage -= absorbDamage;
            absorbDamage = 0;
            ended = true;
        }
    }
}

void StatusEffect::onSimpleEvent(int event, Entity* other)
{
    if (!m_owner)
        return;
    auto* sentient = dynamic_cast<Sentient*>(other);
    if (event == removeOnEvent)
        ended = true;
    if (mustFocus && (event == toIndex(SimpleEvent::Move) || event == toIndex(SimpleEvent::UseSkill))) {
        ended = true;
    } else if (mustPartiallyFocus && event == toIndex(SimpleEvent::UseSkill)) {
        ended = true;
        return;
    }
    switch (static_cast<SimpleEvent>(event)) {
    case SimpleEvent::SkillFinished:
        if (skillUseBreaks)
            ended = true;
        break;
    case SimpleEvent::Hit:
        if (damageOnHit != 0 && sentient)
            EntityServices::applyDamageOfType(damageOnHit, m_owner, sentient, damageType, false, true);
        if (damageOnHitPercent > 0.0f && sentient) {
            StatChangeList list;
            m_owner->buildAttackDamageList(list);
            list.scale(damageOnHitPercent);
            EntityServices::applyDamage(m_owner, sentient, list, false, true);
        }
        if (damageBreaks)
            ended = true;
        break;
    case SimpleEvent::DamageOverTime:
        if (damageBreaks)
            ended = true;
        break;
    case SimpleEvent::Attacked:
        if (attackedBreaks)
            ended = true;
        break;
    default:
        break;
    }
}

void StatusEffect::combine(StatusEffect& newer)
{
    if (!combinedStatusEffect.empty()) {
        setEntryByName(combinedStatusEffect);
        return;
    }
    if (healthChange == 0.0f)
        return;
    float remaining = durationTimer.running ? durationTimer.remaining : 0.0f;
    // A tick time of 0 or less has no ticks to share out.
    int total = tickTime > 0.0f ? static_cast<int>(totalTime / tickTime) : 0;
    if (total > 0) {
        int left = static_cast<int>(remaining / tickTime);
        float perTick =
            (static_cast<float>(left) * healthChange + static_cast<float>(total) * newer.healthChange) /
            static_cast<float>(total);
        int newLevel =
            static_cast<int>(std::floor(perTick / healthChange * static_cast<float>(level) + 0.5f));
        level = newLevel < 1 ? 1 : newLevel;
        healthChange = perTick;
    }
    start();
}

void StatusEffect::handleHitEvent(Event& event)
{
    if (!m_owner)
        return;
    const EventType* successfulHit = Sentient::getEventType(Sentient::SuccessfulHitEvent);
    const EventType* whenHit = Sentient::getEventType(Sentient::WhenHitEvent);
    if (successfulHit && event.getTypeId() == successfulHit->id) {
        auto* victim = event.readObjectAs<Sentient>();
        int damage = event.readInt();
        bool weaponHit = event.readBool();
        bool overTime = event.readBool();
        if (!victim)
            return;
        if (!overTime) {
            if (powerLeechPerHit > 0)
                m_owner->addPower(powerLeechPerHit);
            if (powerBurnPerHitPercent > 0.0f) {
                int burn = static_cast<int>(
                    std::floor(static_cast<float>(victim->getStat(kMaxPowerStat)) * powerBurnPerHitPercent));
                if (burn > 0 && victim->getStat(kPowerStat) > 0) {
                    victim->getStats().subtractFloored(kPowerStat, burn);
                    victim->playSound("Sounds/Magic/powerburn.wav", 100.0f);
                }
            }
            if (lifeSteal > 0.0f) {
                m_owner->heal(randomRound(static_cast<float>(damage) * lifeSteal), nullptr, true);
                m_owner->playSound("Sounds/Magic/lifesteal.wav", 100.0f);
            }
            if (m_onHitSkill && weaponHit)
                EntityServices::useSkill(m_onHitSkill, m_owner, victim, kFiredSkillStage, true);
            if (!onHitEffectModelName.empty() && weaponHit)
                spawnAt(onHitEffectModelName, victim, effectTime, m_owner);
        }
        if (extraMaxDamagePercentElemental > 0 && weaponHit)
            if (const char* effect = explosionEffect(m_element))
                spawnAt(effect, victim, effectTime, nullptr);
    } else if (whenHit && event.getTypeId() == whenHit->id) {
        auto* attacker = event.readObjectAs<Entity>();
        bool reflected = event.readBool();
        if (reflected)
            return;
        if (m_whenHitSkill)
            EntityServices::useSkill(m_whenHitSkill, m_owner, attacker, kFiredSkillStage, true);
        if (attacker && !whenHitEffectModelName.empty())
            spawnAt(whenHitEffectModelName, attacker, effectTime, nullptr);
    }
}
