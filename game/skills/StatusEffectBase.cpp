#include "game/skills/StatusEffectBase.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/EnumNameTable.h"
#include "engine/data/Localization.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/skills/EntryKeyScan.h"
#include "game/skills/Saturate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace {

// Multipliers are kept in thousandths, truncated toward zero.
int32_t toThousandths(float value)
{
    return saturate(static_cast<double>(value * 1000.0f));
}

// A multiplier as the percent shown to players: a negative m is the reduction
// 1 / (1 - m) - 1.
float multiplierPercent(float m)
{
    return m >= 0.0f ? m * 100.0f : (1.0f / (1.0f - m) - 1.0f) * 100.0f;
}

std::string timeText(float seconds)
{
    return formatDuration(seconds, false, 0.05f);
}

std::string wrapKey(const std::string& name)
{
    return wrapText(name.c_str());
}

const DatabaseEntry* findNamedEntry(const Database& db, const DatabaseEntry* entry, const char* key)
{
    std::string name = db.getString(entry, key);
    if (name.empty())
        return nullptr;
    const DatabaseEntry* found = db.findEntry(name);
    if (!found)
        debugPrint(2, "%s: %s: %s names the unknown entry %s\n", DefinitionReader(entry).where(key).c_str(),
                   entry->getName().c_str(), key, name.c_str());
    return found;
}

} // namespace

StatusEffectBase::StatusEffectBase()
{
    timers.add(&durationTimer);
    durationTimer.listed = true;
    timers.add(&tickTimer);
    tickTimer.listed = true;
}

StatusEffectBase::~StatusEffectBase() = default;

int StatusEffectBase::getInt(const std::string& key) const
{
    const Database* db = Database::instance();
    if (!db)
        return 0;
    const DatabaseEntry* entry = getEntry();
    int64_t value = entry ? db->getInt(entry, key) : 0;
    if (perLevelEntry && level >= 2)
        value += static_cast<int64_t>(db->getInt(perLevelEntry, key)) * (level - 1);
    return saturateWide(value);
}

float StatusEffectBase::getFloat(const std::string& key) const
{
    const Database* db = Database::instance();
    if (!db)
        return 0.0f;
    const DatabaseEntry* entry = getEntry();
    float value = entry ? db->getFloat(entry, key, 0.0f) : 0.0f;
    if (perLevelEntry && level >= 2)
        value += db->getFloat(perLevelEntry, key, 0.0f) * static_cast<float>(level - 1);
    return value;
}

void StatusEffectBase::setEntry(const DatabaseEntry* entry, int newLevel, Entity* /*source*/)
{
    level = newLevel;
    if (entry == getEntry())
        return;
    SimpleData::setEntry(entry, entry ? entry->getName() : std::string());
    loadFromDatabase();
}

void StatusEffectBase::loadFromDatabase()
{
    const Database* db = Database::instance();
    if (db && getEntry())
        static_cast<StatusEffectValues&>(*this) = cachedValues();
    else
        readValues();
    strengthLeft = strength;
}

namespace {
// An entry's values per level, each read once (under g_levelsMutex) and
// never changed after. Levels below 2 read alike.
struct StatusEffectLevels : DatabaseEntry::Derived {
    mutable std::map<int, StatusEffectValues> byLevel;
};
std::mutex g_levelsMutex;
} // namespace

const StatusEffectValues& StatusEffectBase::cachedValues() const
{
    const DatabaseEntry* e = getEntry();
    const auto& levels =
        e->derived<StatusEffectLevels>([](const DatabaseEntry&) { return StatusEffectLevels(); });
    const int key = level >= 2 ? level : 1;
    std::lock_guard<std::mutex> lock(g_levelsMutex);
    auto found = levels.byLevel.find(key);
    if (found != levels.byLevel.end())
        return found->second;
    StatusEffectBase reader;
    reader.SimpleData::setEntry(e, e->getName());
    reader.level = key;
    reader.readValues();
    return levels.byLevel.emplace(key, static_cast<const StatusEffectValues&>(reader)).first->second;
}

void StatusEffectBase::readValues()
{
    const Database* db = Database::instance();
    const DatabaseEntry* e = getEntry();
    // Without an entry every field reads its neutral value.
    auto plainInt = [&](const char* key) { return db && e ? db->getInt(e, key) : 0; };
    auto plainFloat = [&](const char* key) { return db && e ? db->getFloat(e, key, 0.0f) : 0.0f; };
    auto flag = [&](const char* key) { return plainInt(key) != 0; };
    auto text = [&](const char* key) { return db && e ? db->getString(e, key) : std::string(); };
    auto scaledInt = [&](const std::string& key) { return getInt(key); };
    auto scaledFloat = [&](const std::string& key) { return getFloat(key); };

    perLevelEntry = db && e ? findNamedEntry(*db, e, "PerLevel") : nullptr;
    name = text("Name");
    healthChange = scaledFloat("HealthChange");
    healthChangePercent = scaledFloat("HealthChangePercent") / 100.0f;
    damageType = toIndex(parseDamageType(text("DamageType")));
    powerChange = scaledFloat("PowerChange");
    powerChangePercent = scaledFloat("PowerChangePercent") / 100.0f;
    tickTime = scaledFloat("TickTime");
    randomizeTickTime = scaledFloat("RandomizeTickTime");
    totalTime = scaledFloat("TotalTime");
    basicRegen = flag("BasicRegen");
    isPublic = flag("Public");
    forever = flag("Forever");
    mustFocus = flag("MustFocus");
    mustPartiallyFocus = flag("MustPartiallyFocus");
    mustRemainUnknown = flag("MustRemainUnknown");
    mustHaveNoEnemy = flag("MustHaveNoEnemy");
    printFailure = flag("PrintFailure");
    effectType = toIndex(parseStatusEffectType(text("EffectType")));
    combinedStatusEffect = text("CombinedStatusEffect");
    groupName = text("GroupName");
    statusType = toIndex(parseStatusType(text("StatusType")));
    removeOnEvent = toIndex(parseSimpleEvent(text("RemoveOnEvent")));
    damageOnHit = scaledInt("DamageOnHit");
    damageOnHitPercent = scaledFloat("DamageOnHitPercent");
    removeOnDeath = flag("RemoveOnDeath");
    effectModelName = text("EffectModelName");
    onHitEffectModelName = text("OnHitEffectModelName");
    whenHitEffectModelName = text("WhenHitEffectModelName");
    effectTime = plainFloat("EffectTime");
    effectTagName = text("EffectTagName");
    itemSetEffect = flag("ItemSetEffect");

    // The families are read only where the entry or its per-level entry has a
    // key of them; the others stay 0.
    const EnumNameTable& stats = getGameEnumTable(GameEnum::CharacterStat);
    std::vector<bool> changes = familyKeys({e, perLevelEntry}, "StatChange", stats, kStatCount);
    std::vector<bool> mults = familyKeys({e, perLevelEntry}, "StatMult", stats, kStatCount);
    for (int i = 0; i < kStatCount; ++i) {
        const std::string& statName = stats.nameOf(i);
        size_t at = static_cast<size_t>(i);
        statChanges[at] = changes[at] ? scaledInt("StatChange" + statName) : 0;
        statMults[at] = mults[at] ? toThousandths(scaledFloat("StatMult" + statName)) : 0;
    }
    readDynamicStatFamilies({e, perLevelEntry}, scaledFloat, dynamicStatChange, dynamicStatMult,
                            defendingDynamicStatChange, defendingDynamicStatMult);

    cantAttack = flag("CantAttack");
    cantUseSkills = flag("CantUseSkills");
    cantUseSpells = flag("CantUseSpells");
    cantMove = flag("CantMove");
    entityStates = 0;
    if (db && e)
        for (const std::string& state : db->getStringList(e, "EntityState"))
            entityStates |= 1u << toIndex(parseEntityState(state));
    damageBreaks = flag("DamageBreaks");
    skillUseBreaks = flag("SkillUseBreaks");
    attackedBreaks = flag("AttackedBreaks");
    powerLeechPerHit = scaledInt("PowerLeechPerHit");
    powerBurnPerHitPercent = scaledFloat("PowerBurnPerHitPercent");
    strength = scaledInt("Strength");
    absorbDamage = scaledInt("AbsorbDamage");
    absorbAllDamage = flag("AbsorbAllDamage");
    absorbDamageAwayFromPlayer = scaledFloat("AbsorbDamageAwayFromPlayer");
    for (int t = 0; t < kDamageTypeCount; ++t) {
        const std::string typeName = getDamageTypeName(t);
        extraMinDamagePercent[static_cast<size_t>(t)] = scaledInt("ExtraMinDamagePercent" + typeName);
        extraMaxDamagePercent[static_cast<size_t>(t)] = scaledInt("ExtraMaxDamagePercent" + typeName);
    }
    extraMinDamagePercentElemental = scaledInt("ExtraMinDamagePercentElemental");
    extraMaxDamagePercentElemental = scaledInt("ExtraMaxDamagePercentElemental");
    lifeSteal = scaledFloat("LifeSteal") / 100.0f;
    alpha = plainFloat("Alpha");
    aura = flag("Aura");
    auraOffensive = flag("AuraOffensive");
    auraDistance = 0.0f;
    auraStatusEffect = nullptr;
    if (aura) {
        auraDistance = scaledFloat("AuraDistance");
        auraStatusEffect = findNamedEntry(*db, e, "AuraStatusEffect");
    }
    for (int t = 0; t < kDamageTypeCount; ++t)
        damageMult[static_cast<size_t>(t)] = scaledFloat("DamageMult" + getDamageTypeName(t));
    onlyWhenRaiding = flag("OnlyWhenRaiding");
    onlyWhenBeingRaided = flag("OnlyWhenBeingRaided");
    isPowerRegen = flag("isPowerRegen");
    informOthers = flag("InformOthers");
    onHitSkill = text("OnHitSkill");
    whenHitSkill = text("WhenHitSkill");
    whenKilledSkill = text("WhenKilledSkill");
    strengthTime = scaledFloat("StrengthTime");
    strengthEffectEasy = plainFloat("StrengthEffectEasy");
    strengthEffectHard = plainFloat("StrengthEffectHard");
    checkSuccess = flag("CheckSuccess");
    successEndEffect = checkSuccess ? findNamedEntry(*db, e, "SuccessEndEffect") : nullptr;
}

bool StatusEffectBase::isSameKind(const StatusEffectBase* other) const
{
    if (!other || ended || other->ended)
        return false;
    if (effectType == toIndex(StatusEffectType::OnlyOneExact))
        return getEntry() == other->getEntry();
    return groupName == other->groupName;
}

float StatusEffectBase::getStrengthFactor(float referenceLevel, int targetLevel) const
{
    float r = referenceLevel;
    float l = static_cast<float>(targetLevel);
    if (l < r)
        return 1.0f + (strengthEffectEasy - 1.0f) * (r - l);
    if (l == r)
        return 1.0f;
    float exponent = l - std::ceil(r);
    float hard = exponent > 0.0f ? std::pow(strengthEffectHard, exponent) : 1.0f;
    return hard * (1.0f - (1.0f - (r - std::trunc(r))) * (1.0f - strengthEffectEasy));
}

void StatusEffectBase::weakenDamageOverTime(int amount)
{
    if (healthChange >= 0.0f)
        return;
    float perLevel = level != 0 ? healthChange / static_cast<float>(level) : 0.0f;
    healthChange += static_cast<float>(amount);
    if (perLevel != 0.0f)
        level = saturate(std::ceil(static_cast<double>(healthChange / perLevel)));
    if (healthChange >= 0.0f)
        ended = true;
}

float StatusEffectBase::scaleByStrength(float value) const
{
    if (strengthLeft == strength)
        return value;
    if (strength < 1)
        return 0.0f;
    return static_cast<float>(strengthLeft) / static_cast<float>(strength) * value;
}

float StatusEffectBase::getWorth() const
{
    const GameData* data = GameData::instance();
    if (!data)
        return 0.0f;
    const GameRules& rules = data->rules();
    float ticks = tickTime > 0.0f ? std::floor(totalTime / tickTime) : 0.0f;
    float worth =
        rules.worthHealthChange * healthChange * ticks + rules.worthPowerChange * powerChange * ticks;
    float minutes = totalTime / 60.0f;
    for (int s = toIndex(CharacterStat::Strength); s <= toIndex(CharacterStat::Spirit); ++s)
        worth +=
            static_cast<float>(statChanges[static_cast<size_t>(s)]) * rules.worthAttributeChange * minutes;
    for (int s = toIndex(CharacterStat::ResistancePhysical); s <= toIndex(CharacterStat::ResistanceMagic);
         ++s)
        worth +=
            static_cast<float>(statChanges[static_cast<size_t>(s)]) * rules.worthResistanceChange * minutes;
    worth += static_cast<float>(statChanges[toIndex(CharacterStat::MagicChance)]) *
             rules.worthMagicFindChange * minutes;
    return worth;
}

bool StatusEffectBase::hasCriticalMult() const
{
    return dynamicStatMult[toIndex(DynamicStat::CriticalHit)] > 0.0f ||
           dynamicStatMult[toIndex(DynamicStat::CriticalHeal)] > 0.0f ||
           dynamicStatMult[toIndex(DynamicStat::MagicCriticalHit)] > 0.0f;
}

bool StatusEffectBase::hasCrushingBlowMult() const
{
    return dynamicStatMult[toIndex(DynamicStat::CrushingBlow)] > 0.0f ||
           dynamicStatMult[toIndex(DynamicStat::MagicCrushingBlow)] > 0.0f;
}

bool StatusEffectBase::hasDeepWoundsMult() const
{
    return dynamicStatMult[toIndex(DynamicStat::DeepWounds)] > 0.0f;
}

void StatusEffectBase::getDescription(std::string& out, const StatusEffectBase* perLevel, int descLevel,
                                      int enemyLevel, const CharacterClass* characterClass) const
{
    out.clear();
    // Leveled values: the effect's own plus the per-level growth above level 1.
    const bool grows = perLevel && descLevel > 1;
    const float steps = static_cast<float>(descLevel) - 1.0f;
    auto lv = [&](float own, float increment) { return grows ? own + increment * steps : own; };
    auto lvInt = [&](int own, int increment) {
        return grows ? saturate(static_cast<double>(own) +
                                static_cast<double>(increment) * (static_cast<double>(descLevel) - 1.0))
                     : own;
    };
    const StatusEffectBase& p = perLevel ? *perLevel : *this;
    const std::string powerName =
        characterClass && !characterClass->powerName.empty() ? characterClass->powerName : "Power";

    // 1: duration.
    float d = lv(totalTime, p.totalTime);
    if (d > 0.0f && !forever) {
        if (strengthTime > 0.0f)
            d *= getStrengthFactor(lv(strengthTime, p.strengthTime), enemyLevel);
        appendFormat(out, "Duration: %s", timeText(d).c_str());
        if (strengthTime > 0.0f)
            appendFormat(out, " (lvl %d enemy)", enemyLevel);
        out += "\n";
    }

    // 2: stats.
    for (int i = 0; i < kStatCount; ++i) {
        size_t at = static_cast<size_t>(i);
        int v = lvInt(statChanges[at], p.statChanges[at]);
        if (v == 0 && statMults[at] == 0)
            continue;
        std::string key = getCharacterStatName(i, true);
        if (v != 0) {
            if (i == toIndex(CharacterStat::ExtraMoney) || i == toIndex(CharacterStat::ItemsChance) ||
                i == toIndex(CharacterStat::MagicChance))
                appendFormat(out, "%+d%% %s\n", v, key.c_str());
            else if (i == toIndex(CharacterStat::HealthRegen))
                appendFormat(out, "%+.1f %s\n", static_cast<double>(v) / 100.0, key.c_str());
            else
                appendFormat(out, "%+d %s\n", v, key.c_str());
        }
        if (statMults[at] != 0) {
            float m = static_cast<float>(statMults[at]) / 1000.0f;
            if (grows)
                m += steps * static_cast<float>(p.statMults[at]) / 1000.0f;
            appendFormat(out, "%+.0f%% %s\n", static_cast<double>(multiplierPercent(m)), key.c_str());
        }
    }

    // 3: dynamic stats.
    for (int j = 0; j < kDynamicStatCount; ++j) {
        size_t at = static_cast<size_t>(j);
        std::string key = getDynamicStatName(j, true);
        if (dynamicStatChange[at] > 0.0f)
            appendFormat(out, "%.1f%% chance of %s\n",
                         static_cast<double>(lv(dynamicStatChange[at], p.dynamicStatChange[at])),
                         key.c_str());
        if (dynamicStatMult[at] != 0.0f) {
            std::string multName = j == toIndex(DynamicStat::PowerGainMult) ? powerName + " Gain" : key;
            appendFormat(
                out, "%+.0f%% %s\n",
                static_cast<double>(multiplierPercent(lv(dynamicStatMult[at], p.dynamicStatMult[at]))),
                multName.c_str());
        }
        if (defendingDynamicStatChange[at] > 0.0f)
            appendFormat(
                out, "%.1f%% chance of %s\n",
                static_cast<double>(lv(defendingDynamicStatChange[at], p.defendingDynamicStatChange[at])),
                key.c_str());
        if (defendingDynamicStatMult[at] != 0.0f)
            appendFormat(out, "%+.0f%% %s\n",
                         static_cast<double>(multiplierPercent(
                             lv(defendingDynamicStatMult[at], p.defendingDynamicStatMult[at]))),
                         key.c_str());
    }

    // 4, 5: health over time. Without a positive tick time there is no tick
    // count, so the lines built on ticks are left out.
    float t = lv(tickTime, p.tickTime);
    float ticks = t > 0.0f ? std::floor(d / t) : 0.0f;
    float h = lv(healthChange, p.healthChange);
    if (t > 0.0f) {
        if (h < 0.0f)
            appendFormat(out, "%.1f damage every %s\n", static_cast<double>(-h), timeText(t).c_str());
        else if (h > 0.0f)
            appendFormat(out, "+%.1f health over %s\n", static_cast<double>(ticks * h), timeText(d).c_str());
    }
    if (healthChangePercent != 0.0f && t > 0.0f) {
        float pct = healthChangePercent * 100.0f / t;
        if (pct > 0.0f)
            appendFormat(out, "Regenerates %.1f%% health per second\n", static_cast<double>(pct));
        else
            appendFormat(out, "%.1f%% damage per second\n", static_cast<double>(-pct));
    }
    // 6
    if (lifeSteal > 0.0f)
        appendFormat(out, "%.0f%% Life Stolen Per Hit\n", static_cast<double>(lifeSteal * 100.0f));
    // 7, 8: power over time.
    float c = lv(powerChange, p.powerChange);
    if (c != 0.0f && t > 0.0f) {
        if (forever)
            appendFormat(out, "%.1f %s every %s\n", static_cast<double>(c), powerName.c_str(),
                         timeText(tickTime).c_str());
        else
            appendFormat(out, "%.1f %s over %s\n", static_cast<double>(ticks * c), powerName.c_str(),
                         timeText(d).c_str());
    }
    if (powerChangePercent > 0.0f && t > 0.0f)
        appendFormat(out, "Regenerates %.1f%% mana/faith per second\n",
                     static_cast<double>(powerChangePercent * 100.0f / t));
    // 9 … 12: on-hit values.
    int leech = lvInt(powerLeechPerHit, p.powerLeechPerHit);
    if (leech != 0)
        appendFormat(out, "Leaches %d %s per hit\n", leech, powerName.c_str());
    int thorns = lvInt(damageOnHit, p.damageOnHit);
    if (thorns != 0)
        appendFormat(out, "Causes %d damage to attacker each time you are hit\n", thorns);
    float thornsPercent = lv(damageOnHitPercent, p.damageOnHitPercent);
    if (thornsPercent > 0.0f)
        appendFormat(out, "Causes %.0f%% damage of max damage to attacker each time hit\n",
                     static_cast<double>(thornsPercent * 100.0f));
    if (powerBurnPerHitPercent > 0.0f)
        appendFormat(out, "Burns %.0f%% of victim's power with each successful hit\n",
                     static_cast<double>(powerBurnPerHitPercent * 100.0f));
    // 13 … 15: damage.
    for (int dt = 0; dt < kDamageTypeCount; ++dt) {
        size_t at = static_cast<size_t>(dt);
        if (extraMinDamagePercent[at] > 0 || extraMaxDamagePercent[at] > 0)
            appendFormat(
                out, "+%d - %d%% %s Damage\n", lvInt(extraMinDamagePercent[at], p.extraMinDamagePercent[at]),
                lvInt(extraMaxDamagePercent[at], p.extraMaxDamagePercent[at]), getDamageTypeName(dt).c_str());
    }
    if (extraMinDamagePercentElemental > 0 || extraMaxDamagePercentElemental > 0)
        appendFormat(out, "+%d - %d%% Random Elemental Damage\n",
                     lvInt(extraMinDamagePercentElemental, p.extraMinDamagePercentElemental),
                     lvInt(extraMaxDamagePercentElemental, p.extraMaxDamagePercentElemental));
    for (int dt = 0; dt < kDamageTypeCount; ++dt) {
        size_t at = static_cast<size_t>(dt);
        if (damageMult[at] != 0.0f)
            appendFormat(out, "%+.0f%% %s damage\n",
                         static_cast<double>(multiplierPercent(lv(damageMult[at], p.damageMult[at]))),
                         getDamageTypeName(dt).c_str());
    }
    // 16, 17: absorbing.
    int absorb = lvInt(absorbDamage, p.absorbDamage);
    if (absorb != 0)
        appendFormat(out, "Absorbs up to %d damage\n", absorb);
    if (absorbAllDamage)
        out += "Absorbs all damage\n";
    // 18: control.
    if (cantAttack && cantUseSkills && cantMove) {
        out += "Freezes target\n";
    } else {
        if (cantUseSpells)
            out += "Prevents using spells\n";
        if (cantUseSkills)
            out += "Prevents using skills\n";
        if (cantMove)
            out += "Prevents movement\n";
    }
    // 19 … 23
    if (damageBreaks)
        out += "Any damage breaks effect\n";
    if (mustFocus)
        out += "Must focus to keep effect\n";
    if (mustPartiallyFocus)
        out += "Attacking or using a skill disrupts this effect\n";
    if (entityStates != 0) {
        out += "Causes:";
        for (int s = 0; s < kEntityStateCount; ++s)
            if (entityStates & (1u << s))
                out += " " + wrapKey(getGameEnumName(GameEnum::EntityState, s));
        out += "\n";
    }
    if (onlyWhenRaiding)
        out += "Only active when raiding\n";
}
