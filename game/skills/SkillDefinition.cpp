#include "game/skills/SkillDefinition.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/data/EnumNameTable.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/skills/EntryKeyScan.h"
#include "game/skills/Saturate.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillEntity.h"
#include "game/skills/SkillRefusal.h"
#include "game/skills/StatusEffectBase.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

void logUnresolved(const DatabaseEntry* entry, const char* key, const std::string& name, const char* what)
{
    debugPrint(2, "%s: %s: %s names %s, which is not %s\n", DefinitionReader(entry).where(key).c_str(),
               entry ? entry->getName().c_str() : "?", key, name.c_str(), what);
}

bool validStat(int stat)
{
    return stat >= 0 && stat < SkillDefinition::kStatCount;
}

} // namespace

SkillDefinition::SkillDefinition() : statChanges(kStatCount), statMults(kStatCount) {}

SkillDefinition::~SkillDefinition() = default;

int SkillDefinition::atLevel(int SkillDefinition::*field, int level) const
{
    if (!perLevel || level < 1)
        return this->*field;
    return saturate(static_cast<double>(this->*field) + static_cast<double>(perLevel->*field) * (level - 1));
}

float SkillDefinition::atLevel(float SkillDefinition::*field, int level) const
{
    if (!perLevel || level < 1)
        return this->*field;
    return this->*field + perLevel->*field * static_cast<float>(level - 1);
}

template <size_t N>
float SkillDefinition::atLevel(std::array<float, N> SkillDefinition::*field, int index, int level) const
{
    if (index < 0 || index >= static_cast<int>(N))
        return 0.0f;
    size_t at = static_cast<size_t>(index);
    float base = (this->*field)[at];
    if (!perLevel || level < 1)
        return base;
    return base + (perLevel->*field)[at] * static_cast<float>(level - 1);
}

void SkillDefinition::loadFromDatabase()
{
    const Database* db = Database::instance();
    const DatabaseEntry* e = getEntry();
    if (!db || !e)
        return;
    auto has = [&](const char* key) { return db->findField(e, key) != nullptr; };
    auto i = [&](const char* key) { return db->getInt(e, key); };
    auto f = [&](const char* key) { return db->getFloat(e, key, 0.0f); };
    auto b = [&](const char* key) { return db->getInt(e, key) != 0; };
    auto s = [&](const char* key) { return db->getString(e, key); };
    auto entryNamed = [&](const char* key) -> const DatabaseEntry* {
        std::string n = s(key);
        if (n.empty())
            return nullptr;
        const DatabaseEntry* found = db->findEntry(n);
        if (!found)
            logUnresolved(e, key, n, "a database entry");
        return found;
    };

    // 1, 2
    name = s("Name");
    desc = s("Desc");
    baseName = s("BaseName");
    textureName = s("TextureName");
    soundName = s("SoundName");
    perLevelName = s("PerLevel");
    perLevel = nullptr;
    // 3
    power = i("Power");
    powerAdded = i("PowerAdded");
    powerAddedOnKill = b("PowerAddedOnKill");
    needsEnemy = b("NeedsEnemy");
    needsFriend = b("NeedsFriend");
    animation = s("Animation");
    castingAnimation = s("CastingAnimation");
    attack = b("Attack");
    magicAttack = b("MagicAttack");
    requiredEnemyStatus = toIndex(parseStatusType(s("RequiredEnemyStatus")));
    enemyEvent = toIndex(parseSimpleEvent(s("EnemyEvent")));
    projectile = s("Projectile");
    projMinDamage = i("ProjMinDamage");
    projMaxDamage = i("ProjMaxDamage");
    projRadiusMinDamage = i("ProjRadiusMinDamage");
    projRadiusMaxDamage = i("ProjRadiusMaxDamage");
    projDamageType = toIndex(parseDamageType(s("ProjDamageType")));
    projRadius = f("ProjRadius");
    projNormalAttack = b("ProjNormalAttack");
    projMagicAttack = b("ProjMagicAttack");
    projStatusEffect = b("ProjStatusEffect");
    projectileOnKill = b("ProjectileOnKill");
    castTime = f("CastTime");
    self = b("Self");
    heal = i("Heal");
    healPercent = f("HealPercent");
    // 4
    explosion = b("Explosion");
    explosionDamage = explosion ? i("ExplosionDamage") : 0;
    explosionRange = explosion ? f("ExplosionRange") : 0.0f;
    explosionDamageType = explosion ? toIndex(parseDamageType(s("ExplosionDamageType"))) : 0;
    // 5
    skillType = toIndex(parseSkillType(s("SkillType")));
    basePriority = f("BasePriority");
    saveForToughEnemies = b("SaveForToughEnemies");
    combatOnly = b("CombatOnly");
    minRange = f("MinRange");
    maxRange = f("MaxRange");
    // 6: the effect object exists even when its entry does not.
    statusEffect.reset();
    perLevelStatusEffect.reset();
    std::string effectName = s("StatusEffect");
    if (!effectName.empty()) {
        const DatabaseEntry* effectEntry = entryNamed("StatusEffect");
        statusEffect = std::make_unique<StatusEffectBase>();
        if (effectEntry)
            statusEffect->setEntry(effectEntry, 1, nullptr);
        if (statusEffect->perLevelEntry) {
            perLevelStatusEffect = std::make_unique<StatusEffectBase>();
            perLevelStatusEffect->setEntry(statusEffect->perLevelEntry, 1, nullptr);
        }
    }
    // 7
    damagePerExtraRageFirst = f("DamagePerExtraRage");
    minDamage = i("MinDamage");
    maxDamage = i("MaxDamage");
    damageType = toIndex(parseDamageType(s("DamageType")));
    extraEnemies = i("ExtraEnemies");
    allEnemies = b("AllEnemies");
    victimMustMove = b("VictimMustMove");
    allAllies = b("AllAllies");
    hateChange = f("HateChange");
    silentHateChange = f("SilentHateChange");
    reduceAllHate = f("ReduceAllHate");
    randomHateVictim = b("RandomHateVictim");
    useAllRage = b("UseAllRage");
    interrupt = b("Interrupt");
    alwaysWorks = b("AlwaysWorks");
    dontLookAtTarget = b("DontLookAtTarget");
    // 8
    requiredEntityStateOne = 0;
    requiredEntityStateAll = 0;
    for (const std::string& state : db->getStringList(e, "RequiredEntityState-One"))
        requiredEntityStateOne |= 1u << toIndex(parseEntityState(state));
    for (const std::string& state : db->getStringList(e, "RequiredEntityState-All"))
        requiredEntityStateAll |= 1u << toIndex(parseEntityState(state));
    // 9
    reuseTime = f("ReuseTime");
    useCheckTime = f("UseCheckTime");
    useCheckChance = f("UseCheckChance");
    dispelEffectName = s("DispelEffectName");
    dispelEffectStrength = i("DispelEffectStrength");
    cureEffectName = s("CureEffectName");
    cureEffectStrength = f("CureEffectStrength");
    alertFaction = s("AlertFaction");
    alertHateMult = f("AlertHateMult");
    blink = b("Blink");
    teleport = b("Teleport");
    targetEffect = s("TargetEffect");
    areaEffect = s("AreaEffect");
    effectTime = f("EffectTime");
    baseCost = i("BaseCost");
    costIncreasePerLevel = i("CostIncreasePerLevel");
    stopAttacking = b("StopAttacking");
    monstersToSpawn = i("MonstersToSpawn");
    minMonstersToSpawn = i("MinMonstersToSpawn");
    maxMonstersToSpawn = i("MaxMonstersToSpawn");
    // 10
    monsterArchetype = nullptr;
    monsterType = nullptr;
    minMonsterRarity = 0;
    if (monstersToSpawn > 0 || maxMonstersToSpawn > 0) {
        monsterArchetype = entryNamed("MonsterArchetype");
        monsterType = entryNamed("MonsterType");
        minMonsterRarity = toIndex(parseMonsterRarity(s("MinMonsterRarity")));
    }
    // 11
    for (int t = 0; t < kDamageTypeCount; ++t)
        damageMult[static_cast<size_t>(t)] = f(("DamageMult" + getDamageTypeName(t)).c_str());
    damageMultAll = f("DamageMultAll");
    // 12
    itemRequirement = has("ItemRequirement") ? toIndex(parseItemRequirement(s("ItemRequirement"))) : 0;
    weaponType = has("WeaponType") ? toIndex(parseItemRequirement(s("WeaponType"))) : 0;
    requiresShield = b("RequiresShield");
    statReq = toIndex(parseCharacterStat(s("StatReq")));
    pointsReq = i("PointsReq");
    maxSkillLevel = i("MaxSkillLevel");
    startingSkillLevel = i("StartingSkillLevel");
    damagePerExtraRage = f("DamagePerExtraRage");
    // 13: only the stats the entry names.
    const EnumNameTable& stats = getGameEnumTable(GameEnum::CharacterStat);
    std::vector<bool> changeKeys = familyKeys({e}, "StatChange", stats, kStatCount);
    std::vector<bool> multKeys = familyKeys({e}, "StatMult", stats, kStatCount);
    statChanges.reset();
    statMults.reset();
    for (int stat = 0; stat < kStatCount; ++stat) {
        if (changeKeys[static_cast<size_t>(stat)])
            statChanges.set(stat, i(("StatChange" + stats.nameOf(stat)).c_str()));
        if (multKeys[static_cast<size_t>(stat)])
            statMults.set(
                stat, saturate(static_cast<double>(f(("StatMult" + stats.nameOf(stat)).c_str()) * 1000.0f)));
    }
    // 14
    readDynamicStatFamilies(
        {e}, [&](const std::string& key) { return f(key.c_str()); }, dynamicStatChange, dynamicStatMult,
        defendingDynamicStatChange, defendingDynamicStatMult);
    // 15: skill names resolve in link(), once every definition is loaded.
    passive = b("Passive");
    skillNames = db->getStringList(e, "Skill");
    skills.clear();
    enhanceStatusEffects.clear();
    for (const std::string& effect : db->getStringList(e, "EnhanceStatusEffect")) {
        if (const DatabaseEntry* found = db->findEntry(effect))
            enhanceStatusEffects.push_back(found);
        else
            logUnresolved(e, "EnhanceStatusEffect", effect, "a database entry");
    }
    // 16
    reverseProjectile = b("ReverseProjectile");
    linked = s("Linked");
    linkedEnd = b("LinkedEnd");
    haltsPowerDrop = b("HaltsPowerDrop");
    projectileDamage = b("ProjectileDamage");
    radiusDamage = b("RadiusDamage");
    basicSkill = b("BasicSkill");
    hardCodedLocation = b("HardCodedLocation");
    canAutoAttack = b("CanAutoAttack");
    windDistance = f("WindDistance");
    windPower = f("WindPower");
    shutDoorDistance = f("ShutDoorDistance");
    unhide = b("Unhide");
    hide = b("Hide");
    suicide = b("Suicide");
    showAttackTime = b("ShowAttackTime");
    showSkillHint = b("ShowSkillHint");
    noAttackers = b("NoAttackers");
    noiseRange = f("NoiseRange");
    comparePointsMult = f("ComparePointsMult");
}

void SkillDefinition::link()
{
    const GameData* data = GameData::instance();
    perLevel = nullptr;
    skills.clear();
    if (!perLevelName.empty()) {
        perLevel = data ? data->findSkillDefinition(perLevelName) : nullptr;
        if (!perLevel)
            logUnresolved(getEntry(), "PerLevel", perLevelName, "a skill");
    }
    for (const std::string& skillName : skillNames) {
        const SkillDefinition* found = data ? data->findSkillDefinition(skillName) : nullptr;
        if (found)
            skills.push_back(found);
        else
            logUnresolved(getEntry(), "Skill", skillName, "a skill");
    }
}

// ---- Values at a level

int SkillDefinition::getPowerCost(int level) const
{
    return atLevel(&SkillDefinition::power, level);
}

int SkillDefinition::getPowerAdded(int level) const
{
    return atLevel(&SkillDefinition::powerAdded, level);
}

int SkillDefinition::getExplosionDamage(int level) const
{
    return atLevel(&SkillDefinition::explosionDamage, level);
}

float SkillDefinition::getDamageMultAll(int level) const
{
    return atLevel(&SkillDefinition::damageMultAll, level);
}

float SkillDefinition::getDamageMult(int type, int level) const
{
    if (damageMultAll != 0.0f)
        return getDamageMultAll(level);
    return atLevel(&SkillDefinition::damageMult, type, level);
}

float SkillDefinition::getExplosionRange(int level) const
{
    return atLevel(&SkillDefinition::explosionRange, level);
}

float SkillDefinition::getReuseTime(int level) const
{
    return atLevel(&SkillDefinition::reuseTime, level);
}

float SkillDefinition::getUseCheckTime(int level) const
{
    return atLevel(&SkillDefinition::useCheckTime, level);
}

float SkillDefinition::getUseCheckChance(int level) const
{
    return atLevel(&SkillDefinition::useCheckChance, level);
}

float SkillDefinition::getHateChange(int level) const
{
    return atLevel(&SkillDefinition::hateChange, level);
}

float SkillDefinition::getSilentHateChange(int level) const
{
    return atLevel(&SkillDefinition::silentHateChange, level);
}

float SkillDefinition::getReduceAllHate(int level) const
{
    return atLevel(&SkillDefinition::reduceAllHate, level);
}

float SkillDefinition::getCastTime(int level) const
{
    return atLevel(&SkillDefinition::castTime, level);
}

float SkillDefinition::getProjectileRadius(int level) const
{
    return atLevel(&SkillDefinition::projRadius, level);
}

float SkillDefinition::getDamagePerExtraRage(int level) const
{
    return atLevel(&SkillDefinition::damagePerExtraRage, level);
}

float SkillDefinition::getCureEffectStrength(int level) const
{
    return atLevel(&SkillDefinition::cureEffectStrength, level);
}

void SkillDefinition::addProjectileDamage(StatChangeList& list, int level) const
{
    list.add(projDamageType, atLevel(&SkillDefinition::projMinDamage, level),
             atLevel(&SkillDefinition::projMaxDamage, level));
}

void SkillDefinition::addRadiusDamage(StatChangeList& list, int level) const
{
    list.add(projDamageType, atLevel(&SkillDefinition::projRadiusMinDamage, level),
             atLevel(&SkillDefinition::projRadiusMaxDamage, level));
}

void SkillDefinition::addDamage(StatChangeList& list, int level) const
{
    list.add(damageType, atLevel(&SkillDefinition::minDamage, level),
             atLevel(&SkillDefinition::maxDamage, level));
}

int SkillDefinition::getHealAmount(int level, const SkillEntity* target) const
{
    int amount = atLevel(&SkillDefinition::heal, level);
    if (healPercent > 0.0f && target)
        amount = saturate(static_cast<double>(amount) +
                          std::trunc(static_cast<double>(healPercent) * target->getMaxHealth()));
    return amount;
}

int SkillDefinition::getStatChange(int stat, int level) const
{
    if (!validStat(stat))
        return 0;
    int base = statChanges.get(stat);
    if (!perLevel || level < 1)
        return base;
    return saturate(static_cast<double>(base) +
                    static_cast<double>(perLevel->statChanges.get(stat)) * (level - 1));
}

float SkillDefinition::getStatMult(int stat, int level) const
{
    if (level == 0)
        return 1.0f;
    if (!validStat(stat))
        return 0.0f;
    int base = statMults.get(stat);
    bool grows = perLevel && level > 1 && perLevel->statMults.get(stat) != 0;
    if (base == 0 && !grows)
        return 0.0f;
    float value = static_cast<float>(base) / 1000.0f;
    if (grows)
        value += static_cast<float>(level - 1) * static_cast<float>(perLevel->statMults.get(stat)) / 1000.0f;
    return value;
}

float SkillDefinition::getDynamicStatChange(int index, int level) const
{
    return atLevel(&SkillDefinition::dynamicStatChange, index, level);
}

float SkillDefinition::getDynamicStatMult(int index, int level) const
{
    return atLevel(&SkillDefinition::dynamicStatMult, index, level);
}

float SkillDefinition::getDefendingDynamicStatChange(int index, int level) const
{
    return atLevel(&SkillDefinition::defendingDynamicStatChange, index, level);
}

float SkillDefinition::getDefendingDynamicStatMult(int index, int level) const
{
    return atLevel(&SkillDefinition::defendingDynamicStatMult, index, level);
}

// ---- Plain queries

int SkillDefinition::getMaxLevel() const
{
    return basicSkill ? 1 : maxSkillLevel;
}

int SkillDefinition::getAttackDamageType() const
{
    if (maxDamage > 0)
        return damageType;
    if (projMaxDamage > 0)
        return projDamageType;
    return toIndex(DamageType::Physical);
}

bool SkillDefinition::meetsEntityStateRequirement(uint32_t stateFlags) const
{
    if (requiredEntityStateOne != 0 && (requiredEntityStateOne & stateFlags) == 0)
        return false;
    if (requiredEntityStateAll != 0 && (requiredEntityStateAll & stateFlags) != requiredEntityStateAll)
        return false;
    return true;
}

bool SkillDefinition::enhances(const SkillBase* skill, const DatabaseEntry* statusEffectEntry) const
{
    if (skills.empty() && enhanceStatusEffects.empty())
        return true;
    if (skill && skill->getDefinition() &&
        std::find(skills.begin(), skills.end(), skill->getDefinition()) != skills.end())
        return true;
    return statusEffectEntry && std::find(enhanceStatusEffects.begin(), enhanceStatusEffects.end(),
                                          statusEffectEntry) != enhanceStatusEffects.end();
}

namespace {

bool rangeTest(const SkillEntity* user, const SkillEntity* target, float lo, float hi)
{
    if (!user || !target)
        return false;
    if (lo <= 0.0f && hi <= 0.0f)
        return true;
    float d = user->distanceTo(target, true);
    if (lo > 0.0f && d < lo)
        return false;
    if (hi > 0.0f && d > hi)
        return false;
    return true;
}

} // namespace

bool SkillDefinition::isInRange(const SkillEntity* user, const SkillEntity* target) const
{
    return rangeTest(user, target, minRange, maxRange);
}

bool SkillDefinition::isWellInRange(const SkillEntity* user, const SkillEntity* target) const
{
    return rangeTest(user, target, 1.25f * minRange, 0.75f * maxRange);
}

// ---- Levels

int SkillDefinition::levelFromStatValue(int value) const
{
    // A non-positive requirement has no meaningful step: no level.
    if (statReq == kNoStat || pointsReq <= 0 || value < pointsReq)
        return 0;
    if (!perLevel)
        return 1;
    int step = perLevel->pointsReq > 0 ? perLevel->pointsReq : pointsReq;
    int level = (value - pointsReq) / step + 1;
    if (basicSkill || maxSkillLevel > 0)
        level = std::min(level, getMaxLevel());
    return level;
}

int SkillDefinition::getLevelFromStats(const CounterList& stats, int pointsStat) const
{
    if (basicSkill)
        return 1;
    if (statReq != kNoStat)
        return validStat(statReq) ? levelFromStatValue(stats.get(statReq)) : 0;
    return validStat(pointsStat) ? stats.get(pointsStat) : 0;
}

int SkillDefinition::getPointsStillNeeded(int level, const CounterList& stats) const
{
    if (!validStat(statReq))
        return 0;
    int64_t required = pointsReq;
    if (perLevel && level > 0)
        required += static_cast<int64_t>(perLevel->pointsReq) * level;
    int64_t missing = required - stats.get(statReq);
    return missing < 0 ? 0 : static_cast<int>(std::min<int64_t>(missing, INT32_MAX));
}

int SkillDefinition::getPointCostAt(int level) const
{
    return saturate(static_cast<double>(baseCost) + static_cast<double>(costIncreasePerLevel) * level);
}

// ---- The use check

int SkillDefinition::checkUse(int level, const CounterList& stats, const SkillEntity* user,
                              const SkillEntity* target, uint32_t stateFlags) const
{
    if (stats.get(toIndex(CharacterStat::Power)) < getPowerCost(level))
        return toIndex(SkillRefusal::NotEnoughPower);
    if (needsEnemy && (!target || !user || !user->isEnemy(target)))
        return toIndex(SkillRefusal::NeedsEnemy);
    if (combatOnly && !target)
        return toIndex(SkillRefusal::CombatOnly);
    if (!meetsEntityStateRequirement(stateFlags))
        return toIndex(SkillRefusal::MissingState);
    if (needsEnemy && !isInRange(user, target))
        return toIndex(SkillRefusal::OutOfRange);
    return toIndex(SkillRefusal::None);
}
