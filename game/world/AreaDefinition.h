#pragma once

#include "engine/core/Color.h"
#include "engine/core/ZonePosition.h"
#include "engine/resources/ResourceHandle.h"
#include "game/definitions/GameEnums.h"

#include <array>
#include <string>
#include <vector>

class DatabaseEntry;
class Level;
class MonsterArchetype;
class MonsterType;

// One kind of area (database entry type "Area"): the block file its levels
// are built from, their sizes, what their blocks receive, the monster pool
// and the level builder's limits.
class AreaDefinition {
public:
    // A chest or trap object with its "SpawnChance".
    struct WeightedEntry {
        float weight = 0.0f;
        const DatabaseEntry* entry = nullptr;
    };
    // A monster the world adds for particular levels, under an id.
    struct SpawnEntry {
        float weight = 0.0f;
        MonsterType* monster = nullptr;
        int id = 0;
    };

    AreaDefinition() = default;
    ~AreaDefinition();
    AreaDefinition(const AreaDefinition&) = delete;
    AreaDefinition& operator=(const AreaDefinition&) = delete;

    void load(const DatabaseEntry* entry, int index);
    int getIndex() const { return m_index; }

    // Width and height of the area in world-grid cells (stream 1).
    void rollSize(int& width, int& height) const;
    int rollMonsterCount(bool always) const;
    int rollChestCount(bool always) const;
    int rollTrapCount() const;
    int pickChestType() const;
    int pickTrapType() const;

    // Fills the candidate list from the pool at a base monster level.
    void collectMonsterCandidates(int baseMonsterLevel);
    // Collects the candidates and activates "NumMonsterTypesToUse" of them,
    // once, drawing from the given random stream. The world draws them from
    // its seeded streams so that a seed always gives the same monsters.
    void prepareMonsterTypes(int baseMonsterLevel, int stream = 0);
    bool isPrepared() const { return m_prepared; }
    MonsterType* pickMonsterToSpawn() const;
    void addSpawnEntry(MonsterType* monster, float weight, int id);
    void removeSpawnEntry(int id);
    float getRarityChance(int rarity, bool night) const;
    // Whether the type, or the type it is based on, is active here.
    bool isMonsterOfArea(const MonsterType* type) const;

    bool containsLevelIndex(int value) const;

    // ---- Gates and the first level
    // Not downward: "UpGateName"; downward: "DownGateName" when the level is
    // one of this area's, else "EntranceGateName".
    const std::string& getGateName(int level, bool downward) const;
    // The middle of the first level; zone -1 while the area has none.
    ZonePosition getFirstLevelCenter() const;
    // In a used area with levels and "SpawnGate": one level (stream 1) gets
    // a random spot inside it as its gate spot.
    void chooseGateSpot();
    // The first level with a gate; null for none.
    Level* getGateLevel() const;

    const std::vector<MonsterArchetype*>& getMonsterPool() const { return m_pool; }
    const std::vector<MonsterArchetype*>& getDesiredPool() const { return m_desired; }
    const std::vector<MonsterType*>& getCandidates() const { return m_candidates; }
    const std::vector<MonsterType*>& getActiveTypes() const { return m_active; }
    float getActiveWeight() const { return m_activeWeight; }
    const std::vector<SpawnEntry>& getSpawnEntries() const { return m_spawnEntries; }
    float getSpawnEntryWeight() const { return m_spawnEntryWeight; }
    const std::vector<WeightedEntry>& getChests() const { return m_chests; }
    const std::vector<WeightedEntry>& getTraps() const { return m_traps; }
    // The candidate weight: selection weight, times "DesiredChanceMult" for
    // a desired type.
    float candidateWeight(const MonsterType* type) const;
    bool isDesired(const MonsterArchetype* archetype) const;

    // ---- Read from the entry
    std::string name;
    std::string entryName;
    std::string areaFileName;
    std::string soundFileName;
    // Levels across, down and below (a dungeon's floors), each cut to
    // 0 … kMaxExtent when read.
    static constexpr int kMaxExtent = 64;
    int minWidth = 0, maxWidth = 0;
    int minHeight = 0, maxHeight = 0;
    int minDepth = 0, maxDepth = 0;
    int maxBlockWidth = 0, maxBlockHeight = 0;
    int minBlocks = 0;
    float monsterChancePerBlock = 0.0f;
    int minMonstersPerBlock = 0, maxMonstersPerBlock = 0;
    float chestChancePerBlock = 0.0f;
    int minChestsPerBlock = 0, maxChestsPerBlock = 0;
    float trapChancePerBlock = 0.0f;
    int minTrapsPerBlock = 0, maxTrapsPerBlock = 0;
    float questItemChancePerBlock = 0.0f;
    int maxQuestItemsPerBlock = 0;
    const DatabaseEntry* questItem = nullptr;
    int numMonsterTypesToUse = 0;
    int minMonsterLevelOffset = 0, maxMonsterLevelOffset = 0;
    int minDesiredMonsterLevelOffset = 0, maxDesiredMonsterLevelOffset = 0;
    float npcSpawnChance = 0.0f;
    float dungeonChance = 0.0f;
    bool spawnGate = false;
    float spawnChance = 0.0f;
    Color daySunColor;
    Color nightSunColor;
    float colorTransitionTime = 0.0f;
    float desiredChanceMult = 0.0f;
    std::array<float, kMonsterRarityCount> monsterChance{};
    std::array<float, kMonsterRarityCount> monsterNightChance{};
    int randomLevelGenerator = 0;
    ResourceHandle defaultShader;
    std::string entranceGateName, downGateName, upGateName;
    std::string treasureMapChestName;
    float weatherIntensityMult = 0.0f;
    int maxBlockFailures = 0;
    int maxLevelFailures = 0;
    bool playerCanCreateGate = false;
    bool uniqueMonstersAllowed = false;
    bool secretLevel = false;
    std::string textFile;

    // ---- Kept by the world
    std::vector<Level*> levels;    // built from this definition
    std::vector<int> levelIndices; // filled by the world
    bool inUse = false;
    bool mainPath = false;                            // placed on a section's main path
    bool startOrEnd = false;                          // a section's start or end area
    std::vector<const AreaDefinition*> adjacentAreas; // opened to, by a passage

private:
    void activate(MonsterType* type);
    void readWeightedList(const DatabaseEntry* entry, const char* key, std::vector<WeightedEntry>& out,
                          float& sum);

    int m_index = -1;
    std::vector<MonsterArchetype*> m_pool;
    std::vector<MonsterArchetype*> m_desired;
    std::vector<WeightedEntry> m_chests;
    float m_chestWeight = 0.0f;
    std::vector<WeightedEntry> m_traps;
    float m_trapWeight = 0.0f;
    std::vector<MonsterType*> m_candidates;
    std::vector<MonsterType*> m_active;
    float m_activeWeight = 0.0f;
    bool m_prepared = false;
    std::vector<SpawnEntry> m_spawnEntries;
    float m_spawnEntryWeight = 0.0f;
};
