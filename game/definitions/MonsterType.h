#pragma once

#include "engine/core/Color.h"
#include "game/definitions/EntryDefinition.h"
#include "game/definitions/GameEnums.h"

#include <array>
#include <string>
#include <vector>

class DatabaseEntry;
class MonsterArchetype;

// One monster at a level range (database entry type "MonsterType"), based on a
// monster class ("Archetype"). Unique and legend versions are types of their own.
class MonsterType : public EntryDefinition {
public:
    // collectMonsterTypes filter bits.
    static constexpr int kGuardCapable = 0x2;
    static constexpr int kUnique = 0x4;
    static constexpr int kLegend = 0x8;
    static constexpr int kUniqueOrLegend = 0x10;
    static constexpr int kBossCapable = 0x20;

    // Reads the entry's own values; links (archetype, versions, base,
    // companion, successor) are resolved by GameData once all types exist.
    void load(const DatabaseEntry* entry, int index);

    int getEntryId() const { return m_entryId; }

    // The type's own "Name", else its monster class's name, else the entry name.
    const std::string& getName() const;
    // Minimum level raised by the world difficulty's level offset.
    int getMinLevel() const;
    int getMaxLevel() const;
    bool isAtLevel(int level) const { return level >= getMinLevel() && level <= getMaxLevel(); }
    // Has any of the collectMonsterTypes bits (0x10 means unique or legend).
    bool matchesFlags(int flags) const;
    // Not unique or legend, not an NPC class, spawn chance above 0.
    bool isRegularSpawn() const;
    // The type's own "GivesQuests" when its entry has one, else its monster
    // class's: a would-be recruit's class lets a click open its recruit
    // window while its type is no quest giver (its death is a wanderer's).
    bool givesQuests() const;
    // One of the unique versions at random (stream 0); null when none.
    MonsterType* pickRandomUniqueVersion() const;

    std::string name;
    std::string pluralName;
    std::string title; // shown after unique and legend names
    std::string archetypeName;
    std::string baseName;
    std::string companionName;
    std::string successorName;
    std::vector<std::string> uniqueVersionNames;
    std::string legendVersionName;
    std::vector<std::string> memberNames;
    std::vector<std::string> enhancements;
    std::vector<std::string> skills;
    std::string deathSkill;
    std::string modelName;
    std::string factionName;
    float lightIntensity = 0.0f;
    Color lightColor;
    std::vector<int> hideSurfaces;
    std::array<float, kDamageTypeCount> baseResistance{};
    // Share of the damage dealt per damage type; all physical unless the
    // entry says otherwise (the monster set-up multiplies by it).
    std::array<float, kDamageTypeCount> damagePercent{1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    float scale = 1.0f;
    bool unique = false;
    bool legend = false;
    bool guardCapable = false;
    bool bossCapable = false;
    bool questUnique = false;  // "QuestUnique": offered by the unique-monster quest search
    bool canBeSummoned = true; // "CanBeSummoned": a skill's random summon may be of this type
    int ownGivesQuests = -1;   // "GivesQuests" of the entry itself; -1 when it has none
    int minLevel = 1;
    int maxLevel = 1;

    // Resolved links.
    MonsterArchetype* archetype = nullptr;
    MonsterType* base = nullptr;
    MonsterType* companion = nullptr;
    MonsterType* successor = nullptr;
    MonsterType* legendVersion = nullptr;
    std::vector<MonsterType*> uniqueVersions;
    std::vector<MonsterType*> members;

private:
    int m_entryId = -1;
};
