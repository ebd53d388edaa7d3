#include "game/world/AreaDefinition.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/WorldRules.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/RandomGenerator.h"
#include "graphics/shaders/ShaderSystem.h"

#include <algorithm>

namespace {

constexpr const char* kRarityNames[kMonsterRarityCount] = {"Normal",   "Common", "Uncommon", "Rare",
                                                           "VeryRare", "Unique", "Legend",   "Boss"};

bool contains(const std::vector<MonsterType*>& list, const MonsterType* type)
{
    return std::find(list.begin(), list.end(), type) != list.end();
}

Color scaled(const Color& color, float intensity)
{
    return Color(color.r * intensity, color.g * intensity, color.b * intensity, color.a);
}

} // namespace

AreaDefinition::~AreaDefinition() = default;

void AreaDefinition::readWeightedList(const DatabaseEntry* entry, const char* key,
                                      std::vector<WeightedEntry>& out, float& sum)
{
    Database& db = Database::get();
    out.clear();
    sum = 0.0f;
    for (const std::string& item : db.getStringList(entry, key)) {
        const DatabaseEntry* found = db.findEntry(item);
        if (!found) {
            continue;
        }
        WeightedEntry w{db.getFloat(found, "SpawnChance", 0.0f), found};
        sum += w.weight;
        out.push_back(w);
    }
}

void AreaDefinition::load(const DatabaseEntry* entry, int index)
{
    m_index = index;
    Database& db = Database::get();
    auto text = [&](const char* key) { return db.getString(entry, key); };
    auto integer = [&](const char* key) { return db.getInt(entry, key, 0); };
    auto real = [&](const char* key, float fallback = 0.0f) { return db.getFloat(entry, key, fallback); };

    entryName = entry->getName();
    name = text("Name");
    areaFileName = text("AreaFileName");
    soundFileName = text("SoundFileName");
    auto limited = [&](const char* key, int lo, int hi) {
        const int value = integer(key);
        const int cut = std::clamp(value, lo, hi);
        if (cut != value) {
            debugPrint(2, "%s: area %s: %s %d is outside %d..%d; using %d\n",
                       DefinitionReader(entry).where(key).c_str(), entryName.c_str(), key, value, lo, hi,
                       cut);
        }
        return cut;
    };
    // The layout makes a level per cell these span: a damaged count would
    // have it walk billions of cells or chain as many floors.
    auto extent = [&](const char* key) { return limited(key, 0, kMaxExtent); };
    minWidth = extent("MinWidth");
    maxWidth = extent("MaxWidth");
    minHeight = extent("MinHeight");
    maxHeight = extent("MaxHeight");
    minDepth = extent("MinDepth");
    maxDepth = extent("MaxDepth");
    maxBlockWidth = integer("MaxBlockWidth");
    maxBlockHeight = integer("MaxBlockHeight");
    minBlocks = integer("MinBlocks");
    monsterChancePerBlock = real("MonsterChancePerBlock");
    minMonstersPerBlock = integer("MinMonstersPerBlock");
    maxMonstersPerBlock = integer("MaxMonstersPerBlock");
    chestChancePerBlock = real("ChestChancePerBlock");
    minChestsPerBlock = integer("MinChestsPerBlock");
    maxChestsPerBlock = integer("MaxChestsPerBlock");
    trapChancePerBlock = real("TrapChancePerBlock");
    minTrapsPerBlock = integer("MinTrapsPerBlock");
    maxTrapsPerBlock = integer("MaxTrapsPerBlock");
    questItemChancePerBlock = real("QuestItemChancePerBlock");
    maxQuestItemsPerBlock = integer("MaxQuestItemsPerBlock");
    std::string questItemName = text("QuestItem");
    questItem = questItemName.empty() ? nullptr : db.findEntry(questItemName);
    numMonsterTypesToUse = integer("NumMonsterTypesToUse");
    // Added to a level's monster level: kept within what a level can be, so
    // the sum cannot overflow.
    auto offset = [&](const char* key) {
        return limited(key, -GameRules::kMaxLevelLimit, GameRules::kMaxLevelLimit);
    };
    minMonsterLevelOffset = offset("MinMonsterLevelOffset");
    maxMonsterLevelOffset = offset("MaxMonsterLevelOffset");
    minDesiredMonsterLevelOffset = offset("MinDesiredMonsterLevelOffset");
    maxDesiredMonsterLevelOffset = offset("MaxDesiredMonsterLevelOffset");
    npcSpawnChance = real("NpcSpawnChance");
    dungeonChance = real("DungeonChance");
    spawnGate = integer("SpawnGate") != 0;
    spawnChance = real("SpawnChance");
    // A colour without an intensity is taken as it is.
    daySunColor = scaled(parseColor(text("DaySunColor")), real("DaySunIntensity", 1.0f));
    nightSunColor = scaled(parseColor(text("NightSunColor")), real("NightSunIntensity", 1.0f));
    colorTransitionTime = real("ColorTransitionTime");

    GameData* data = GameData::instance();
    auto readPool = [&](const char* key, std::vector<MonsterArchetype*>& out) {
        out.clear();
        for (const std::string& item : db.getStringList(entry, key)) {
            MonsterArchetype* archetype = data ? data->findDefinitionByName(item) : nullptr;
            if (archetype && archetype->selectionWeight > 0.0f &&
                std::find(out.begin(), out.end(), archetype) == out.end()) {
                out.push_back(archetype);
            }
        }
    };
    readPool("MonsterSpawn", m_pool);
    readPool("DesiredMonsterSpawn", m_desired);
    desiredChanceMult = real("DesiredChanceMult");
    readWeightedList(entry, "ChestSpawn", m_chests, m_chestWeight);
    readWeightedList(entry, "TrapSpawn", m_traps, m_trapWeight);
    for (int r = 0; r < kMonsterRarityCount; ++r) {
        monsterChance[r] = real((std::string("MonsterChance") + kRarityNames[r]).c_str());
        monsterNightChance[r] = real((std::string("MonsterNightChance") + kRarityNames[r]).c_str());
    }
    randomLevelGenerator = lookupRandomGenerator(text("RandomLevelGenerator"));
    std::string shader = text("DefaultShader");
    defaultShader =
        shader.empty() ? ResourceHandle() : acquireShader(shader, AreaResource::kTileShaderSubType);
    entranceGateName = text("EntranceGateName");
    downGateName = text("DownGateName");
    upGateName = text("UpGateName");
    treasureMapChestName = text("TreasureMapChestName");
    weatherIntensityMult = real("WeatherIntensityMult");
    maxBlockFailures = integer("MaxBlockFailures");
    maxLevelFailures = integer("MaxLevelFailures");
    playerCanCreateGate = integer("PlayerCanCreateGate") != 0;
    uniqueMonstersAllowed = integer("UniqueMonstersAllowed") != 0;
    secretLevel = integer("SecretLevel") != 0;
    textFile = text("TextFile");
}

void AreaDefinition::rollSize(int& width, int& height) const
{
    width = randomIntInclusive(1, minWidth, maxWidth);
    height = randomIntInclusive(1, minHeight, maxHeight);
}

int AreaDefinition::rollMonsterCount(bool always) const
{
    if (!always && monsterChancePerBlock <= randomFloat(0)) {
        return 0;
    }
    return randomIntInclusive(0, minMonstersPerBlock, maxMonstersPerBlock);
}

int AreaDefinition::rollChestCount(bool always) const
{
    if (!always && chestChancePerBlock <= randomFloat(0)) {
        return 0;
    }
    return randomIntInclusive(0, minChestsPerBlock, maxChestsPerBlock);
}

int AreaDefinition::rollTrapCount() const
{
    if (trapChancePerBlock <= randomFloat(0)) {
        return 0;
    }
    return randomIntInclusive(0, minTrapsPerBlock, maxTrapsPerBlock);
}

namespace {

int pickWeighted(const std::vector<AreaDefinition::WeightedEntry>& list, float sum)
{
    if (!(sum > 0.0f)) {
        return -1;
    }
    const float r = randomFloat(0) * sum;
    float running = 0.0f;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i].entry) {
            continue;
        }
        running += list[i].weight;
        if (running > r) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

int AreaDefinition::pickChestType() const
{
    return pickWeighted(m_chests, m_chestWeight);
}

int AreaDefinition::pickTrapType() const
{
    return pickWeighted(m_traps, m_trapWeight);
}

bool AreaDefinition::isDesired(const MonsterArchetype* archetype) const
{
    return archetype && std::find(m_desired.begin(), m_desired.end(), archetype) != m_desired.end();
}

float AreaDefinition::candidateWeight(const MonsterType* type) const
{
    if (!type || !type->archetype) {
        return 0.0f;
    }
    float weight = type->archetype->selectionWeight;
    return isDesired(type->archetype) ? weight * desiredChanceMult : weight;
}

void AreaDefinition::collectMonsterCandidates(int level)
{
    m_candidates.clear();
    for (MonsterArchetype* archetype : m_pool) {
        const bool desired = isDesired(archetype);
        int lo = level + (desired ? minDesiredMonsterLevelOffset : minMonsterLevelOffset);
        int hi = level + (desired ? maxDesiredMonsterLevelOffset : maxMonsterLevelOffset);
        lo = std::max(lo, 1);
        hi = std::max(hi, 1);
        for (int lv = lo; lv <= hi; ++lv) {
            std::vector<MonsterType*> types;
            archetype->collectTypesForLevel(lv, types);
            for (MonsterType* type : types) {
                MonsterType* candidate = type->base ? type->base : type;
                if (!contains(m_candidates, candidate)) {
                    m_candidates.push_back(candidate);
                }
            }
        }
    }
}

void AreaDefinition::prepareMonsterTypes(int level, int stream)
{
    if (m_prepared) {
        return;
    }
    collectMonsterCandidates(level);
    for (int i = 0; i < numMonsterTypesToUse; ++i) {
        float sum = 0.0f;
        for (MonsterType* c : m_candidates) {
            sum += candidateWeight(c);
        }
        const float r = randomFloat(stream) * sum;
        float running = 0.0f;
        MonsterType* picked = nullptr;
        for (size_t k = 0; k < m_candidates.size(); ++k) {
            running += candidateWeight(m_candidates[k]);
            if (running > r) {
                picked = m_candidates[k];
                m_candidates.erase(m_candidates.begin() + static_cast<long>(k));
                break;
            }
        }
        if (picked) {
            activate(picked);
        }
    }
    m_prepared = true;
}

void AreaDefinition::activate(MonsterType* type)
{
    // Companions and successors are activated with their type; a chain ends
    // at the first type already active (which also ends any loop).
    while (type && !contains(m_active, type)) {
        m_active.push_back(type);
        m_activeWeight += type->archetype ? type->archetype->spawnWeight : 0.0f;
        activate(type->companion);
        type = type->successor;
    }
}

MonsterType* AreaDefinition::pickMonsterToSpawn() const
{
    const float a = m_activeWeight;
    const float b = m_spawnEntryWeight;
    if (a <= 0.0f && b <= 0.0f) {
        return nullptr;
    }
    const float r = randomFloat(0) * (std::max(a, 0.0f) + std::max(b, 0.0f));
    if (a <= r) {
        const float r2 = randomFloat(0) * b;
        float running = 0.0f;
        for (const SpawnEntry& e : m_spawnEntries) {
            if (!e.monster) {
                continue;
            }
            running += e.weight;
            if (running > r2) {
                return e.monster;
            }
        }
        return nullptr;
    }
    const float r3 = randomFloat(0) * a;
    float running = 0.0f;
    for (MonsterType* type : m_active) {
        running += type->archetype ? type->archetype->spawnWeight : 0.0f;
        if (running > r3) {
            return type;
        }
    }
    return nullptr;
}

void AreaDefinition::addSpawnEntry(MonsterType* monster, float weight, int id)
{
    std::vector<MonsterType*> chain;
    // The monster, its companions and its successors, each once.
    std::vector<MonsterType*> pending{monster};
    while (!pending.empty()) {
        MonsterType* m = pending.back();
        pending.pop_back();
        while (m && !contains(chain, m)) {
            chain.push_back(m);
            pending.push_back(m->companion);
            m = m->successor;
        }
    }
    for (MonsterType* m : chain) {
        bool present = std::any_of(m_spawnEntries.begin(), m_spawnEntries.end(),
                                   [&](const SpawnEntry& e) { return e.monster == m && e.id == id; });
        if (present) {
            continue;
        }
        m_spawnEntries.push_back(SpawnEntry{weight, m, id});
        m_spawnEntryWeight += weight;
    }
}

void AreaDefinition::removeSpawnEntry(int id)
{
    for (SpawnEntry& e : m_spawnEntries) {
        if (e.monster && e.id == id) {
            e.monster = nullptr;
            e.id = 0;
            m_spawnEntryWeight -= e.weight;
        }
    }
}

float AreaDefinition::getRarityChance(int rarity, bool night) const
{
    if (rarity < 0 || rarity >= kMonsterRarityCount) {
        return 0.0f;
    }
    return night ? monsterNightChance[rarity] : monsterChance[rarity];
}

bool AreaDefinition::isMonsterOfArea(const MonsterType* type) const
{
    if (!type) {
        return false;
    }
    return contains(m_active, type) || (type->base && contains(m_active, type->base));
}

bool AreaDefinition::containsLevelIndex(int value) const
{
    return std::find(levelIndices.begin(), levelIndices.end(), value) != levelIndices.end();
}

const std::string& AreaDefinition::getGateName(int level, bool downward) const
{
    if (!downward) {
        return upGateName;
    }
    const bool ours = std::any_of(levels.begin(), levels.end(),
                                  [level](const Level* l) { return l && l->zone == level && level >= 0; });
    return ours ? downGateName : entranceGateName;
}

ZonePosition AreaDefinition::getFirstLevelCenter() const
{
    if (levels.empty() || !levels.front()) {
        return ZonePosition(-1, 0.0f, 0.0f);
    }
    const GameRules& rules = worldRules();
    return ZonePosition(levels.front()->zone, rules.levelWidth * 0.5f, rules.levelHeight * 0.5f);
}

void AreaDefinition::chooseGateSpot()
{
    if (!inUse || levels.empty() || !spawnGate) {
        return;
    }
    Level* level = levels[static_cast<size_t>(randomInt(1, static_cast<int>(levels.size())))];
    level->gateSpot = level->randomPositionInArea();
    level->gateFlag = true;
}

Level* AreaDefinition::getGateLevel() const
{
    for (Level* level : levels) {
        if (level && level->gateFlag) {
            return level;
        }
    }
    return nullptr;
}
