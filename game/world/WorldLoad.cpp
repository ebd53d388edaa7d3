// Reading the "World" entry: world sizes, sections laid out on the grid,
// level seeds, gates, monster levels and the secret levels.
#include "engine/core/DebugSystem.h"
#include "engine/core/FatalError.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/Section.h"
#include "game/world/World.h"
#include "game/world/WorldGrid.h"

#include <algorithm>

namespace {

constexpr const char* kMissingWorld = "Missing World specification!\n";
constexpr const char* kNamedSecretArea = "Helaque\x92s Treasure";
// Far above any shipped world; keeps a damaged entry from asking for
// absurd grids and level lists.
constexpr int kMaxGridSide = 64;
constexpr int kMaxSecretLevels = 64;

// The apostrophe as Windows-1252 (0x92), UTF-8 (E2 80 99) or ASCII, one
// character.
std::string foldApostrophes(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x92') {
            out += '\'';
        } else if (text.compare(i, 3, "\xE2\x80\x99") == 0) {
            out += '\'';
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

World::World()
{
    reset();
}

void World::reset()
{
    // Views hold references into the old level list: give them back first.
    for (auto& [key, view] : m_views) {
        moveView(view, -1);
    }
    m_views.clear();
    m_levels.clear();
    m_borderPairs.clear();
    m_grid.reset();
    m_sections.clear();
    m_areas.clear();
    m_secretAreas.clear();
    // The secret levels went with the level list: a kept seed would make the
    // same seed drawn again look as if they stood, and they would be lost.
    m_secretSeed = 0;
    m_secretWeightSum = 0.0f;
    m_numSecretLevels = 0;
    m_firstSecretLevel = -1;
    m_namedSecretLevel = -1;
    m_worldSizes.clear();
    m_worldSizeIndex = -1;
    m_maxMonsterLevel = 0;
    m_minMonsterLevel = 100;
    m_loaded = false;
    m_startLevelIndex = 0;
}

const WorldSize* World::getWorldSize() const
{
    return m_worldSizeIndex >= 0 && m_worldSizeIndex < static_cast<int>(m_worldSizes.size())
               ? &m_worldSizes[m_worldSizeIndex]
               : nullptr;
}

Section* World::getSection(int index) const
{
    return index >= 0 && index < getSectionCount() ? m_sections[index].get() : nullptr;
}

AreaDefinition* World::getArea(int number) const
{
    return number >= 0 && number < getAreaCount() ? m_areas[number] : nullptr;
}

int World::registerArea(AreaDefinition* area)
{
    m_areas.push_back(area);
    return getAreaCount() - 1;
}

const DatabaseEntry* World::findListedEntry(const DatabaseEntry* owner, const char* key,
                                            const std::string& name)
{
    const DatabaseEntry* found = DefinitionReader::findEntry(name);
    if (!found) {
        debugPrint(2, "%s: entry %s: %s names %s, which is no entry; left out\n",
                   DefinitionReader(owner).where(key).c_str(), DefinitionReader(owner).entryName().c_str(),
                   key, name.c_str());
    }
    return found;
}

void World::load()
{
    // The start index is the load's argument: set before, kept through the
    // reset.
    const int startLevelIndex = m_startLevelIndex;
    reset();
    m_startLevelIndex = startLevelIndex;
    m_loaded = true;
    if (m_worldSeed == 0) {
        m_worldSeed = Random::next(0);
    }
    Random::setState(1, m_worldSeed);

    Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("World") : nullptr;
    if (!entry) {
        fatalError(kMissingWorld);
    }
    for (const std::string& name : db->getStringList(entry, "WorldSize")) {
        const DatabaseEntry* sizeEntry = findListedEntry(entry, "WorldSize", name);
        if (!sizeEntry) {
            continue;
        }
        WorldSize size;
        size.name = db->getString(sizeEntry, "Name");
        size.width = std::clamp(db->getInt(sizeEntry, "Width"), 0, kMaxGridSide);
        size.height = std::clamp(db->getInt(sizeEntry, "Height"), 0, kMaxGridSide);
        size.sectionLevelDepth = std::clamp(db->getInt(sizeEntry, "SectionLevelDepth"), 0, kMaxGridSide);
        size.sectionMinLevelsMult = db->getFloat(sizeEntry, "SectionMinLevelsMult", 0.0f);
        size.entryId = sizeEntry->getId();
        m_worldSizes.push_back(size);
    }
    if (m_worldSizes.empty()) {
        fatalError(kMissingWorld);
    }
    std::string wanted = "Standard";
    if (m_requestedWorldSize != -1) {
        const DatabaseEntry* requested = db->getEntryByIndex(m_requestedWorldSize);
        wanted = requested ? db->getString(requested, "Name") : std::string();
    }
    auto findSize = [&](const std::string& name) {
        for (size_t i = 0; i < m_worldSizes.size(); ++i) {
            if (m_worldSizes[i].name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    m_worldSizeIndex = findSize(wanted);
    if (m_worldSizeIndex < 0) {
        m_worldSizeIndex = std::max(findSize("Standard"), 0);
        debugPrint(3, "World size \"%s\" (entry %d) not found; the world is %s\n", wanted.c_str(),
                   m_requestedWorldSize, m_worldSizes[m_worldSizeIndex].name.c_str());
    }
    const WorldSize& size = m_worldSizes[m_worldSizeIndex];
    m_grid = std::make_unique<WorldGrid>(size.width, size.height);

    m_numSecretLevels = std::clamp(db->getInt(entry, "NumSecretLevels"), 0, kMaxSecretLevels);
    for (const std::string& name : db->getStringList(entry, "Secret")) {
        if (const DatabaseEntry* secret = findListedEntry(entry, "Secret", name)) {
            auto area = std::make_unique<AreaDefinition>();
            area->load(secret, -1);
            m_secretWeightSum += area->spawnChance;
            m_secretAreas.push_back(std::move(area));
        }
    }
    const std::vector<std::string> sections = db->getStringList(entry, "Section");
    for (size_t i = 0; i < sections.size(); ++i) {
        if (static_cast<int>(i) >= kMaxSections) {
            debugPrint(2, "World: section %s ignored; a world has at most %d sections\n", sections[i].c_str(),
                       kMaxSections);
            continue;
        }
        if (const DatabaseEntry* sectionEntry = findListedEntry(entry, "Section", sections[i])) {
            auto section = std::make_unique<Section>(*this);
            section->load(sectionEntry);
            m_sections.push_back(std::move(section));
        }
    }

    for (auto& section : m_sections) {
        section->place();
    }
    connectGridCells();
    connectAreas();
    for (auto& level : m_levels) {
        level->seed = Random::next(1);
    }
    for (auto& section : m_sections) {
        section->placeGates();
    }
    int running = startingMonsterLevel();
    for (auto& section : m_sections) {
        section->assignMonsterLevels(running);
        running += section->monsterLevelsFromDepth;
    }
    m_maxMonsterLevel = 0;
    m_minMonsterLevel = 100;
    for (const auto& level : m_levels) {
        m_maxMonsterLevel = std::max(m_maxMonsterLevel, level->monsterLevel);
        m_minMonsterLevel = std::min(m_minMonsterLevel, level->monsterLevel);
    }
    m_grid.reset();
    m_borderPairs.clear();
}

AreaDefinition* World::pickSecretArea()
{
    const float r = randomFloat(3) * m_secretWeightSum;
    float sum = 0.0f;
    for (auto& area : m_secretAreas) {
        sum += area->spawnChance;
        if (r < sum) {
            return area.get();
        }
    }
    return nullptr;
}

int World::startingMonsterLevel() const
{
    const std::vector<int>& starts = worldRules().startingMonsterLevels;
    if (m_startLevelIndex >= 0 && m_startLevelIndex < static_cast<int>(starts.size())) {
        return starts[m_startLevelIndex];
    }
    if (starts.empty()) {
        return 1;
    }
    debugPrint(2, "World: start index %d outside the %d starting monster levels; the first is used\n",
               m_startLevelIndex, static_cast<int>(starts.size()));
    return starts.front();
}

void World::makeSecretLevel(AreaDefinition* area)
{
    auto level = std::make_unique<Level>();
    level->definition = area;
    // A secret level stands at the world's starting monster level: 1 in the
    // easiest world; at a fixed 1 the harder worlds, whose monster types all
    // start higher, would leave it empty.
    level->monsterLevel = startingMonsterLevel();
    level->seed = Random::next(3);
    area->prepareMonsterTypes(level->monsterLevel, 3); // from the secret seed, like the level
    Level* raw = level.get();
    addLevel(std::move(level));
    area->levels.push_back(raw);
    area->levelIndices.push_back(raw->zone);
}

void World::removeSecretLevels()
{
    const int first = m_firstSecretLevel;
    if (first < 0 || first > getLevelCount()) {
        return;
    }
    for (auto& [key, view] : m_views) {
        if (view.level >= first) {
            moveView(view, -1);
        }
    }
    for (auto& area : m_secretAreas) {
        std::erase_if(area->levels, [first](const Level* l) { return l->zone >= first; });
        std::erase_if(area->levelIndices, [first](int index) { return index >= first; });
    }
    m_levels.resize(static_cast<size_t>(first));
    m_firstSecretLevel = -1;
    m_namedSecretLevel = -1;
}

void World::createSecretLevels()
{
    // Made again from the seed: a repeated call gives the same levels.
    removeSecretLevels();
    Random::setState(3, m_secretSeed);
    m_firstSecretLevel = getLevelCount();
    for (int i = 0; i < m_numSecretLevels; ++i) {
        if (AreaDefinition* area = pickSecretArea()) {
            makeSecretLevel(area);
        }
    }
    m_namedSecretLevel = -1;
    const std::string named = foldApostrophes(kNamedSecretArea);
    for (auto& area : m_secretAreas) {
        if (foldApostrophes(area->name) == named) {
            m_namedSecretLevel = getLevelCount();
            makeSecretLevel(area.get());
            break;
        }
    }
}
