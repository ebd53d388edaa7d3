#include "game/definitions/MonsterType.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"

#include <algorithm>
#include <climits>

void MonsterType::load(const DatabaseEntry* entry, int index)
{
    if (!bindEntry(entry, index))
        return;
    DefinitionReader r(entry);
    m_entryId = r.entryId();
    name = r.getString("Name");
    pluralName = r.getString("PluralName");
    title = r.getString("Title");
    archetypeName = r.getString("Archetype");
    baseName = r.baseEntryName();
    companionName = r.getString("Companion");
    successorName = r.getString("Successor");
    uniqueVersionNames = r.getStringList("UniqueVersion");
    legendVersionName = r.getString("LegendVersion");
    memberNames = r.getStringList("Member");
    enhancements = r.getStringList("Enhancement");
    skills = r.getStringList("Skill");
    deathSkill = r.getString("DeathSkill");
    modelName = r.getString("ModelName");
    factionName = r.getString("FactionName");
    lightIntensity = r.getFloat("LightIntensity");
    lightColor = parseColor(r.getString("LightColor"));
    hideSurfaces = r.getIntList("HideSurface");
    r.getFloats("BaseResistance", baseResistance);
    damagePercent.fill(0.0f);
    damagePercent[0] = 1.0f; // physical damage is kept unless changed
    r.getFloats("DamagePercent", damagePercent);
    scale = r.getFloat("Scale", 1.0f);
    unique = r.getFlag("Unique");
    legend = r.getFlag("Legend");
    guardCapable = r.getFlag("GuardCapable");
    bossCapable = r.getFlag("BossCapable");
    questUnique = r.getFlag("QuestUnique");
    canBeSummoned = r.getFlag("CanBeSummoned", true);
    ownGivesQuests = r.has("GivesQuests") ? (r.getFlag("GivesQuests") ? 1 : 0) : -1;
    minLevel = r.getInt("MinLevel", 1);
    maxLevel = r.getInt("MaxLevel", minLevel);
    if (maxLevel < minLevel) {
        debugPrint(2, "%s: monster type %s: MaxLevel %d below MinLevel %d; using %d\n",
                   r.where("MaxLevel").c_str(), getEntryName().c_str(), maxLevel, minLevel, minLevel);
        maxLevel = minLevel;
    }
}

const std::string& MonsterType::getName() const
{
    if (!name.empty())
        return name;
    if (archetype)
        return archetype->getName();
    return getEntryName();
}

namespace {

// A level raised by the world difficulty's offset; both come from data, so
// the sum saturates at the int range.
int withDifficultyOffset(int level)
{
    GameData* data = GameData::instance();
    long long shifted = static_cast<long long>(level) + (data ? data->getDifficultyLevelOffset() : 0);
    return static_cast<int>(std::clamp<long long>(shifted, INT_MIN, INT_MAX));
}

} // namespace

int MonsterType::getMinLevel() const
{
    return withDifficultyOffset(minLevel);
}

int MonsterType::getMaxLevel() const
{
    return withDifficultyOffset(maxLevel);
}

bool MonsterType::matchesFlags(int flags) const
{
    if (flags & kUniqueOrLegend)
        flags |= kUnique | kLegend;
    return ((flags & kGuardCapable) && guardCapable) || ((flags & kUnique) && unique) ||
           ((flags & kLegend) && legend) || ((flags & kBossCapable) && bossCapable);
}

bool MonsterType::isRegularSpawn() const
{
    if (unique || legend)
        return false;
    if (archetype && (archetype->isNpcClass() || archetype->spawnChance <= 0.0f))
        return false;
    return true;
}

bool MonsterType::givesQuests() const
{
    if (ownGivesQuests >= 0)
        return ownGivesQuests != 0;
    return archetype && archetype->givesQuests;
}

MonsterType* MonsterType::pickRandomUniqueVersion() const
{
    if (uniqueVersions.empty())
        return nullptr;
    return uniqueVersions[static_cast<size_t>(randomInt(0, static_cast<int>(uniqueVersions.size())))];
}
