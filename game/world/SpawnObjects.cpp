#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Chest.h"
#include "game/entities/Door.h"
#include "game/entities/Secret.h"
#include "game/entities/Torch.h"
#include "game/entities/TrapGround.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/LevelLayout.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace {

constexpr int kObjectEntryType = static_cast<int>(DatabaseEntryType::Object);

// The level under a position; null outside the world.
Level* levelAt(int levelIndex)
{
    World* world = World::instance();
    return world ? world->getLevel(levelIndex) : nullptr;
}

// On a free spot near the position, into the game; false (the caller keeps
// the entity) when there is none.
bool placeNear(Entity* entity, const ZonePosition& position)
{
    Game* game = Game::instance();
    const GameData* data = GameData::instance();
    if (!entity || !game)
        return false;
    ZonePosition spot;
    const int rings = data ? data->rules().freeSpotRingLimit : 0;
    if (!game->findFreeSpotNear(position, rings, spot, entity, false))
        return false;
    entity->setPosition(spot);
    entity->setSecondaryPosition(spot);
    if (game->addEntity(entity) < 0)
        return false;
    entity->onPlaced();
    return true;
}

} // namespace

void SpawnSystem::dropChestItems(const Chest* chest, float countBonus, int moneyBonus, int magicChance) const
{
    if (!chest) {
        return;
    }
    // Chest contents always land on the ground.
    dropItems(chest->getPosition(), chest->getItemChance(), chest->getMinItems(), chest->getMaxItems(),
              chest->getLevel(), countBonus, chest->getIncreasedMagicChance() + magicChance, moneyBonus, 1.0f,
              nullptr);
}

const DatabaseEntry* SpawnSystem::findObjectEntry(const std::string& modelFile) const
{
    const Database* db = Database::instance();
    if (!m_objectEntriesBuilt && db) {
        m_objectEntriesBuilt = true;
        for (const DatabaseEntry* e = db->findFirstEntryOfType(kObjectEntryType); e;
             e = db->findNextEntryOfType(e)) {
            const std::string model = db->getString(e, "ModelName");
            if (!model.empty() && !e->isBaseOnly())
                m_objectEntries.emplace(toLowerCopy(model), e);
        }
    }
    auto found = m_objectEntries.find(toLowerCopy(modelFile));
    return found != m_objectEntries.end() ? found->second : nullptr;
}

Entity* SpawnSystem::createObject(const ResourceHandle& model, const ZonePosition& position, int facing) const
{
    Game* game = Game::instance();
    const ModelResource* resource = model.getAs<ModelResource>();
    if (!game || !resource || !model.isLoaded())
        return nullptr;
    const std::string& type = resource->getObjectType();
    Entity* object = nullptr;
    if (equalsNoCase(type, "Door"))
        object = new Door();
    else if (equalsNoCase(type, "Torch"))
        object = new Torch();
    else if (equalsNoCase(type, "Secret"))
        object = new Secret();
    if (!object)
        return nullptr;
    const std::string file = model.getFileName();
    const DatabaseEntry* entry = findObjectEntry(file);
    if (!entry) {
        // Reported once per model file: every block using it would repeat it.
        static std::set<std::string> reported;
        if (reported.insert(toLowerCopy(file)).second)
            debugPrint(2, "Spawn: no object entry has ModelName %s; its %s objects are left out\n",
                       file.c_str(), type.c_str());
        delete object;
        return nullptr;
    }
    object->setEntry(entry, entry->getName());
    object->loadFromDatabase();
    object->setDirection(facing);
    object->setPosition(position);
    object->setSecondaryPosition(position);
    if (game->addEntity(object) < 0) {
        delete object;
        return nullptr;
    }
    object->onPlaced();
    return object;
}

int SpawnSystem::createBlockObjects(int levelIndex, int firstTileX, int firstTileY) const
{
    Level* level = levelAt(levelIndex);
    if (!level)
        return 0;
    const GameRules& rules = worldRules();
    int made = 0;
    for (int y = 0; y < rules.blockTileHeight; ++y) {
        for (int x = 0; x < rules.blockTileWidth; ++x) {
            ResourceHandle model;
            CellObjectState* state = nullptr;
            const int tileX = firstTileX + x;
            const int tileY = firstTileY + y;
            // The model is waited for: which objects stand must not follow
            // the loader thread's pace.
            if (level->getCellObject(tileX, tileY, model, &state) < 0 || !model.get())
                continue;
            const ZonePosition at(levelIndex, (static_cast<float>(tileX) + 0.5f) * rules.tileSize,
                                  (static_cast<float>(tileY) + 0.5f) * rules.tileSize);
            made += createObject(model, at, state ? state->facing : 0) ? 1 : 0;
        }
    }
    return made;
}

Chest* SpawnSystem::createChest(int levelIndex, const DatabaseEntry* entry, int level) const
{
    Level* where = levelAt(levelIndex);
    if (!entry)
        entry = where ? where->pickChestObject() : nullptr;
    if (!entry)
        return nullptr;
    if (level < 1) {
        const int depth = where ? where->monsterLevel : 1;
        level = rollItemLevel(depth, m_spreads.minItemDropLevelSpread, m_spreads.maxItemDropLevelSpread,
                              ItemRarity::Normal, m_spreads.itemDropAboveBaseLevel,
                              m_spreads.maxItemDropLevelAboveBase);
    }
    auto* chest = new Chest();
    chest->setEntry(entry, entry->getName());
    chest->loadFromDatabase();
    chest->setLevel(std::max(1, level));
    chest->setUpInLevel(levelIndex);
    return chest;
}

Chest* SpawnSystem::placeChest(const ZonePosition& position, const DatabaseEntry* entry, int level) const
{
    Chest* chest = createChest(position.zone, entry, level);
    if (chest && !placeNear(chest, position)) {
        delete chest;
        return nullptr;
    }
    return chest;
}

TrapGround* SpawnSystem::createTrap(int levelIndex, int level) const
{
    Level* where = levelAt(levelIndex);
    const DatabaseEntry* entry = where ? where->pickTrapObject() : nullptr;
    if (!entry)
        return nullptr;
    auto* trap = new TrapGround();
    trap->setEntry(entry, entry->getName());
    trap->loadFromDatabase();
    trap->setLevel(
        std::max(1, rollItemLevel(level, m_spreads.minItemDropLevelSpread, m_spreads.maxItemDropLevelSpread,
                                  ItemRarity::Normal, m_spreads.itemDropAboveBaseLevel,
                                  m_spreads.maxItemDropLevelAboveBase)));
    return trap;
}

TrapGround* SpawnSystem::placeTrap(const ZonePosition& position, int levelIndex, int level) const
{
    if (levelIndex < 0)
        levelIndex = position.zone;
    if (level < 1) {
        const Level* where = levelAt(levelIndex);
        level = where ? where->monsterLevel : 1;
    }
    TrapGround* trap = createTrap(levelIndex, level);
    if (trap && !placeNear(trap, position)) {
        delete trap;
        return nullptr;
    }
    return trap;
}
