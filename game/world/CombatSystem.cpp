#include "game/world/CombatSystem.h"
#include "game/skills/Saturate.h"

#include "game/covenants/Covenant.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/object/SafePtr.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Recruit.h"
#include "game/entities/Sentient.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"
#include "game/world/GameSystem.h"
#include "game/world/ServerLink.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Reach of a plain weapon attack, in GridSize.
constexpr float kMeleeReach = 1.9f;

constexpr int kind(DynamicStat s)
{
    return toIndex(s);
}

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

// The colour-code form "^f004" of a font switch.
std::string fontCode(int font)
{
    return formatString("%c%c%03d", '^', 'f', font);
}

bool validDamageType(int type)
{
    return type >= 0 && type < kDamageTypeCount;
}

// amount − randomRound(rnd × (x − m) + m) with m = x × minPercent: a uniform
// absorption between x × minPercent and x.
int absorb(int amount, float x, float minPercent)
{
    float m = x * minPercent;
    float r = randomFloat(0);
    int absorbed = randomRound(r * (x - m) + m);
    return saturateWide(static_cast<int64_t>(amount) - absorbed);
}

void noteEvent(Entity* entity, int code, const Entity* other)
{
    if (auto* s = dynamic_cast<Sentient*>(entity))
        s->noteCombatEvent(code, other ? other->getEntityNumber() : -1);
}

// The attacker's damage list for the skill, scaled (scale leaves 1.0 alone).
void buildAttackList(Entity* attacker, Entity* target, const SkillBase* skill, float damageMult,
                     StatChangeList& list)
{
    if (auto* sentient = dynamic_cast<Sentient*>(attacker))
        sentient->buildDamageList(target, list, skill);
    list.scale(damageMult);
}

// {damageType, amount, amount}.
StatChangeList singleEntryList(int damageType, int amount)
{
    StatChangeList list;
    StatChange* entry = list.find(damageType, true);
    entry->min = static_cast<float>(amount);
    entry->max = static_cast<float>(amount);
    return list;
}

// One text per outcome of rollDefense. Outcome 4 records the target's "Dodge"
// state and reads so; outcome 5 records "Evade" and shows no text.
const char* const kDefenseTexts[CombatSystem::kDefenseOutcomeCount] = {"Miss",       "Block", "Parry",
                                                                       "Deflection", "Dodge", ""};

} // namespace

CombatSystem::CombatSystem()
{
    s_instance = this;
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("CombatSystem") : nullptr;
    if (entry)
        m_combatEventTime = db->getFloat(entry, "CombatEventTime", 0.0f);
    else
        debugPrint(3, "CombatSystem database entry no found!\n");
    if (UserVarSystem* vars = UserVarSystem::instance())
        m_showCombatEffects = vars->getVar("ShowCombatEffects", "1", UserVarSystem::kCreate);
}

CombatSystem::~CombatSystem()
{
    if (s_instance == this)
        s_instance = nullptr;
}

bool CombatSystem::showsCombatEffects() const
{
    return !m_showCombatEffects.isValid() || m_showCombatEffects.getBool();
}

const char* CombatSystem::getDefenseText(int outcome)
{
    return outcome >= 0 && outcome < kDefenseOutcomeCount ? kDefenseTexts[outcome] : "";
}

// ---- Weapon attacks ------------------------------------------------------------------

int CombatSystem::resolveHit(Entity* attacker, Entity* target, const SkillBase* skill, bool forced,
                             float damageMult)
{
    if (!attacker || !target || target->isDead())
        return 0;
    if (!forced) {
        const SkillDefinition* definition = skill ? skill->getDefinition() : nullptr;
        bool inReach = definition
                           ? definition->isInRange(attacker, target)
                           : attacker->distanceToEntity(target, true) <= kMeleeReach * worldRules().gridSize;
        if (!inReach)
            return 0;
    }
    auto* sentient = dynamic_cast<Sentient*>(attacker);
    bool critical = false;
    bool crushing = false;
    bool deepWound = false;
    if (sentient) {
        critical =
            rollSpecial(kind(DynamicStat::CriticalHit), sentient, target, skill) > randomFloat(0) * 100.0f;
        crushing =
            rollSpecial(kind(DynamicStat::CrushingBlow), sentient, target, skill) > randomFloat(0) * 100.0f;
        deepWound =
            rollSpecial(kind(DynamicStat::DeepWounds), sentient, target, skill) > randomFloat(0) * 100.0f;
    }
    // The reactions below may delete either side.
    SafePtr<Entity> attackerRef(attacker);
    SafePtr<Entity> targetRef(target);
    target->attackedBy(attacker);
    if (!attackerRef.get() || !targetRef.get())
        return 0;

    if (!rollHit(skill, target, attacker)) {
        int d = rollDefense(target);
        if (d >= 1 && d <= 5) {
            noteEvent(target, d - 1, attacker);
            noteEvent(attacker, 10 + d, target);
            if (*getDefenseText(d))
                queueServerLine(ServerLine::Damage, "%d %s", target->getEntityNumber(), getDefenseText(d));
        }
        AttackSoundType sound = d == 1               ? AttackSoundType::Block
                                : (d == 2 || d == 3) ? AttackSoundType::Parry
                                                     : AttackSoundType::NormalMiss;
        playAttackSound(target, attacker, toIndex(sound));
        spawnCombatEffect(target, attacker, toIndex(sound));
        if (auto* defender = dynamic_cast<Sentient*>(target))
            defender->onDefended(d);
        return 0;
    }

    AttackSoundType outcome = critical && crushing ? AttackSoundType::DeadlyHit
                              : critical           ? AttackSoundType::CriticalHit
                              : crushing           ? AttackSoundType::CrushingBlow
                              : deepWound          ? AttackSoundType::DeepWounds
                                                   : AttackSoundType::NormalHit;
    playAttackSound(target, attacker, toIndex(outcome));
    spawnCombatEffect(target, attacker, toIndex(outcome));
    noteEvent(target, 6, attacker);
    noteEvent(attacker, 17, target);

    StatChangeList list;
    buildAttackList(attacker, target, skill, damageMult, list);

    auto* defender = dynamic_cast<Sentient*>(target);
    int64_t total = 0;
    for (int i = 0; i < list.getCount(); ++i) {
        int type = 0;
        int amount = 0;
        if (!rollEntryAmount(list, i, crushing, critical, type, amount))
            continue;
        if (critical) {
            noteEvent(target, 5, attacker);
            noteEvent(attacker, 16, target);
        }
        if (defender)
            defender->filterIncomingDamage(amount);
        if (amount >= 0)
            amount = absorbByResistance(target, type, amount, false);
        if (type == toIndex(DamageType::Physical) && amount >= 0)
            amount = absorbByArmor(attacker, target, amount);
        if (amount >= 0)
            amount = applyPvpMult(attacker, target, amount);
        total += splitDamageOverTime(type, attacker, target, amount);
        if (!targetRef.get())
            return 0;
    }
    int dealt = saturateWide(total);
    if (sentient)
        sentient->hitLanded(dealt, target, true, critical, crushing, deepWound, false);
    if (!attackerRef.get() || !targetRef.get())
        return dealt;
    if (dealt >= 0) {
        dealDamage(target, dealt, attacker, critical || crushing, false, false);
        if (dealt > 0 && targetRef.get())
            if (auto* hurt = dynamic_cast<Sentient*>(targetRef.get()))
                hurt->onHitTaken(attackerRef.get(), false);
    } else {
        target->heal(saturateWide(-static_cast<int64_t>(dealt)), nullptr, true);
    }
    if (dealt > 0 && deepWound && attackerRef.get() && targetRef.get())
        targetRef.get()->addStatusEffectByName(kDeepWoundEffect, attackerRef.get(), dealt);
    return dealt;
}

bool CombatSystem::rollHit(const SkillBase* skill, Entity* target, Entity* attacker) const
{
    int attack = attacker ? attacker->getStat(stat(CharacterStat::Attack)) : 0;
    if (skill)
        if (auto* sentient = dynamic_cast<const Sentient*>(attacker))
            attack = sentient->applyEventModifiers(kind(DynamicStat::Attack), target, attack, skill);
    int defence = target ? target->getStat(stat(CharacterStat::Defense)) : 0;
    float chance =
        attack != 0 ? computeHitChance(static_cast<float>(attack), static_cast<float>(defence)) : 0.0f;
    return chance > randomFloat(0);
}

float CombatSystem::rollSpecial(int kindIndex, const Sentient* attacker, const Entity* target,
                                const SkillBase* skill) const
{
    if (!attacker)
        return 0.0f;
    float chance = attacker->getCombatModifier(kindIndex, target, skill);
    if (auto* defender = dynamic_cast<const Sentient*>(target))
        defender->applyTargetEventModifiers(kindIndex, attacker, chance, skill);
    return chance;
}

int CombatSystem::rollDefense(const Entity* target) const
{
    int d = target ? target->getStat(stat(CharacterStat::Defense)) : 0;
    int64_t r = static_cast<int64_t>(randomFloat(0) * static_cast<float>(d));
    if (r == d)
        r = static_cast<int64_t>(d) - 1;
    if (!target)
        return 0;
    const CharacterStat order[] = {CharacterStat::Block, CharacterStat::Parry, CharacterStat::Deflection,
                                   CharacterStat::Evade, CharacterStat::Dodge};
    for (int i = 0; i < 5; ++i) {
        r -= target->getStat(stat(order[i]));
        if (r < 0)
            return i + 1;
    }
    return 0;
}

bool CombatSystem::rollEntryAmount(const StatChangeList& list, int index, bool crushing, bool critical,
                                   int& type, int& amount) const
{
    amount = list.rollEntry(index, type);
    if (!validDamageType(type)) {
        debugPrint(2, "Combat: damage entry of unknown type %d skipped\n", type);
        return false;
    }
    if (crushing) {
        int lo = 0;
        list.getEntryRange(index, lo, amount, type);
    }
    if (critical)
        amount = saturateWide(static_cast<int64_t>(amount) * 2);
    return true;
}

int CombatSystem::absorbByResistance(const Entity* target, int damageType, int amount, bool overTime) const
{
    if (!target || !validDamageType(damageType))
        return amount;
    int resistance = target->getStat(toIndex(damageTypeToStat(damageType)));
    if (resistance < 0)
        return amount;
    float x = resistanceAbsorbLimit(worldRules(), static_cast<float>(resistance), overTime);
    return absorb(amount, x, worldRules().resistanceMinAbsorbPercent);
}

int CombatSystem::absorbByArmor(const Entity* attacker, const Entity* target, int amount) const
{
    if (!target)
        return amount;
    int64_t armor = target->getStat(stat(CharacterStat::Armor));
    if (attacker)
        armor -= attacker->getStat(stat(CharacterStat::ArmorPiercing));
    if (armor < 0)
        return amount;
    float x = armorAbsorbLimit(worldRules(), static_cast<float>(armor));
    return absorb(amount, x, worldRules().armorMinAbsorbPercent);
}

int CombatSystem::applyPvpMult(const Entity* attacker, const Entity* target, int amount) const
{
    if (!attacker || !target)
        return amount;
    const Covenant* targetCovenant = target->getCovenant();
    if (!targetCovenant || !attacker->getCovenant())
        return amount;
    // A covenant's leader takes full damage.
    if (targetCovenant->getLeader() == target)
        return amount;
    const GameData* data = GameData::instance();
    const float mult = data ? data->rules().pvpDamageMult : 1.0f;
    return static_cast<int>(std::floor(mult * static_cast<float>(amount) + 0.5f));
}

int CombatSystem::splitDamageOverTime(int damageType, Entity* source, Entity* target, int amount) const
{
    if (!validDamageType(damageType))
        return amount;
    const size_t t = static_cast<size_t>(damageType);
    int direct = randomRound(static_cast<float>(amount) * worldRules().directDamagePercent[t]);
    int overTime = randomRound(static_cast<float>(amount) * worldRules().damageOverTimePercent[t]);
    if (overTime >= 1 && target)
        target->addStatusEffectByName("StatusEffectBasic" + getDamageTypeName(damageType), source, overTime);
    return direct;
}

// ---- Dealing and kills -------------------------------------------------------------------

void CombatSystem::dealDamage(Entity* target, int amount, Entity* attacker, bool big, bool overTime,
                              bool quiet)
{
    if (!target || target->isDead())
        return;
    if (big)
        queueServerLine(ServerLine::Damage, "%d %s%d", target->getEntityNumber(), fontCode(4).c_str(),
                        amount);
    else
        queueServerLine(ServerLine::Damage, "%d %d", target->getEntityNumber(), amount);
    if (amount == 0)
        return;
    SafePtr<Entity> targetRef(target);
    SafePtr<Entity> attackerRef(attacker);
    if (auto* sentient = dynamic_cast<Sentient*>(target))
        sentient->takeDamage(amount, attacker, overTime, quiet);
    else
        target->takeDamage(amount, attacker);
    if (!targetRef.get())
        return;
    target->attackedBy(attackerRef.get());
    if (targetRef.get() && target->isDead())
        onKilled(target, attackerRef.get());
    // The covenant hears of blows on its members and house.
    if (Entity* hit = targetRef.get()) {
        if (Covenant* covenant = hit->getCovenant())
            covenant->onAttacked(hit, attackerRef.get(), amount, false);
        if (Game* game = Game::instance(); game && targetRef.get())
            game->notifyCovenantsOfAttack(attackerRef.get(), targetRef.get());
    }
}

void CombatSystem::onKilled(Entity* victim, Entity* killer)
{
    auto* dead = dynamic_cast<Sentient*>(victim);
    if (!dead)
        return;
    SafePtr<Sentient> deadRef(dead);
    SafePtr<Entity> killerRef(killer);
    Entity* credit = dead->getKillCredit();
    SafePtr<Entity> creditedRef(credit ? credit : killer);
    if (auto* credited = dynamic_cast<Sentient*>(creditedRef.get())) {
        shareKillExperience(credited, dead);
        if (creditedRef.get() && deadRef.get())
            credited->enemyKilled(dead);
        if (creditedRef.get() && deadRef.get())
            notifyGameSystemsOfKill(credited, dead);
    }
    // Every covenant hears of a kill in which a covenant member took part.
    Entity* credited = creditedRef.get();
    if (deadRef.get() && (dead->getCovenant() || (credited && credited->getCovenant()))) {
        if (Game* game = Game::instance()) {
            for (int i = 0; i < game->getCovenantCount() && deadRef.get(); ++i) {
                if (Covenant* covenant = game->getCovenant(i))
                    covenant->onKill(dead, creditedRef.get());
            }
        }
    }
    if (deadRef.get())
        dead->killed(creditedRef.get());
}

void CombatSystem::shareKillExperience(Sentient* killer, Sentient* victim)
{
    if (!killer || !victim)
        return;
    std::vector<Sentient*> members;
    killer->collectParty(members);
    std::vector<SafePtr<Sentient>> group(members.begin(), members.end());
    const float value = victim->getXpMult();
    const int level = victim->getStat(stat(CharacterStat::Level));
    for (SafePtr<Sentient>& ref : group) {
        Sentient* member = ref.get();
        if (!member || !member->canGainExperience())
            continue;
        float amount = member->getPartyXpShare() * value * member->getXpShareFactor();
        int xp = member->awardExperience(level, 0, amount);
        queueServerLine(ServerLine::Damage, "%d %s+%dxp", member->getEntityNumber(), fontCode(5).c_str(), xp);
    }
}

// ---- Shown outcomes --------------------------------------------------------------------------

void CombatSystem::playAttackSound(Entity* target, Entity* attacker, int outcome) const
{
    if (!target || outcome < 0 || outcome >= kAttackSoundTypeCount)
        return;
    std::string name;
    if (auto* sentient = dynamic_cast<const Sentient*>(attacker))
        name = sentient->getAttackSoundName(outcome);
    if (name.empty())
        name = worldRules().attackSound[static_cast<size_t>(outcome)];
    if (!name.empty())
        target->playSound(name, 400.0f, 0.0f);
}

void CombatSystem::spawnCombatEffect(Entity* target, Entity* attacker, int outcome) const
{
    if (!showsCombatEffects() || !target || !attacker || outcome < 0 || outcome >= kAttackSoundTypeCount)
        return;
    std::string name;
    if (auto* sentient = dynamic_cast<const Sentient*>(target))
        name = sentient->getCombatEffectName(outcome);
    if (name.empty())
        name = worldRules().combatEffect[static_cast<size_t>(outcome)];
    Game* game = Game::instance();
    if (!name.empty() && game)
        game->spawnEntity(name, target->getPosition(), 5.0f);
}

// ---- Non-weapon damage ------------------------------------------------------------------------

int CombatSystem::applyWeaponDamage(Entity* attacker, Entity* target, const SkillBase* skill,
                                    float damageMult)
{
    if (!attacker || !target)
        return 0;
    StatChangeList list;
    buildAttackList(attacker, target, skill, damageMult, list);
    return applyDamage(attacker, target, list, false, false);
}

int CombatSystem::applyDamageOfType(int amount, Entity* source, Entity* target, int damageType, bool overTime,
                                    bool reflected)
{
    return applyDamage(source, target, singleEntryList(damageType, amount), overTime, reflected);
}

int CombatSystem::applyDamage(Entity* source, Entity* target, const StatChangeList& list, bool overTime,
                              bool reflected)
{
    if (!source || !target || target->isDead())
        return 0;
    SafePtr<Entity> sourceRef(source);
    SafePtr<Entity> targetRef(target);
    target->attackedBy(source);
    if (!sourceRef.get() || !targetRef.get())
        return 0;
    auto* sentient = dynamic_cast<Sentient*>(source);
    bool critical = false;
    bool crushing = false;
    if (sentient) {
        critical = rollSpecial(kind(DynamicStat::MagicCriticalHit), sentient, target, nullptr) >
                   randomFloat(0) * 100.0f;
        crushing = rollSpecial(kind(DynamicStat::MagicCrushingBlow), sentient, target, nullptr) >
                   randomFloat(0) * 100.0f;
    }
    auto* defender = dynamic_cast<Sentient*>(target);
    int64_t total = 0;
    for (int i = 0; i < list.getCount(); ++i) {
        int type = 0;
        int amount = 0;
        if (!rollEntryAmount(list, i, crushing, critical, type, amount))
            continue;
        if (defender) {
            defender->filterIncomingDamage(amount);
        } else {
            // Fire lights a torch, cold puts it out.
            target->hitByDamageType(amount, type);
            if (!targetRef.get() || !sourceRef.get())
                return 0;
        }
        if (amount >= 0)
            amount = absorbByResistance(target, type, amount, overTime);
        if (amount >= 0)
            amount = applyPvpMult(source, target, amount);
        if (!overTime)
            amount = splitDamageOverTime(type, source, target, amount);
        total += amount;
        if (!targetRef.get())
            return 0;
    }
    int dealt = saturateWide(total);
    if (sentient)
        sentient->hitLanded(dealt, target, false, critical, crushing, false, overTime);
    if (dealt <= 0 || !sourceRef.get() || !targetRef.get())
        return dealt;
    dealDamage(target, dealt, source, critical || crushing, overTime, reflected);
    if (!overTime && targetRef.get())
        if (auto* hurt = dynamic_cast<Sentient*>(targetRef.get()))
            hurt->onHitTaken(sourceRef.get(), reflected);
    return dealt;
}

int CombatSystem::applyAreaDamageOfType(int amount, Entity* source, const ZonePosition& position,
                                        float radius, int damageType)
{
    return applyAreaDamage(source, position, radius, singleEntryList(damageType, amount), false);
}

int CombatSystem::applyAreaDamage(Entity* source, const ZonePosition& position, float radius,
                                  const StatChangeList& list, bool hitsEverything)
{
    Game* game = Game::instance();
    if (!game)
        return 0;
    using namespace EntityQueryMask;
    std::vector<Entity*> found;
    game->getEntitiesInRange(false, position, source, radius, kNotDead | (hitsEverything ? kAny : kHostile),
                             found);
    // Damage may kill or remove any of them before its turn.
    std::vector<SafePtr<Entity>> targets(found.begin(), found.end());
    SafePtr<Entity> sourceRef(source);
    int64_t total = 0;
    for (SafePtr<Entity>& ref : targets) {
        Entity* target = ref.get();
        if (!target || target == source || !dynamic_cast<Sentient*>(target))
            continue;
        if (!sourceRef.get())
            break;
        total += applyDamage(source, target, list, false, false);
    }
    // Objects in the radius take no damage; each entry's kind may still act
    // on them (fire lights a torch, cold puts it out).
    if (sourceRef.get()) {
        std::vector<Entity*> objects;
        game->getEntitiesInRange(false, position, source, radius, kAny, objects);
        std::vector<SafePtr<Entity>> touched;
        for (Entity* object : objects)
            if (object != source && !dynamic_cast<Sentient*>(object))
                touched.emplace_back(object);
        for (SafePtr<Entity>& ref : touched) {
            for (int i = 0; i < list.getCount() && ref.get(); ++i) {
                int type = 0;
                int amount = 0;
                if (rollEntryAmount(list, i, false, false, type, amount))
                    ref->hitByDamageType(amount, type);
            }
        }
    }
    return saturateWide(total);
}

// ---- The one instance ----------------------------------------------------------------------------

void createCombatSystem()
{
    if (!CombatSystem::instance())
        new CombatSystem();
}

void destroyCombatSystem()
{
    delete CombatSystem::instance();
}

bool CombatSystem::resolveOffscreenFight(Actor* monster, Recruit* recruit)
{
    if (!monster || !recruit)
        return false;
    const int levelStat = static_cast<int>(CharacterStat::Level);
    const int gap = recruit->getStat(levelStat) - monster->getStat(levelStat);
    float chance = 0.0f;
    if (gap > 0)
        chance = 0.99f;
    else if (gap == 0)
        chance = 0.98f;
    else if (gap == -1)
        chance = 0.75f;
    else if (gap == -2)
        chance = 0.5f;
    else if (gap == -3)
        chance = 0.25f;
    const bool won = chance > randomFloat(0);
    if (won) {
        recruit->losses = 0;
        if (++recruit->wins >= 10) {
            recruit->wins = 0;
            recruit->losses = 0;
            recruit->moveToRandomLevel(1);
        }
        Actor* member = recruit->getActor();
        if (member && member->getHealth() > 0)
            member->awardExperience(monster->getStat(levelStat), 0, 1.0f);
    } else {
        recruit->wins = 0;
        if (++recruit->losses >= 3) {
            recruit->wins = 0;
            recruit->losses = 0;
            recruit->moveToRandomLevel(-1);
        }
    }
    return won;
}
