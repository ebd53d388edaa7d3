#include "engine/core/Random.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"

namespace {

// Block and cell of a level tile; false outside the level.
bool tileToBlockCell(const GameRules& rules, int tileX, int tileY, int& placeX, int& placeY, int& cellX,
                     int& cellY)
{
    if (tileX < 0 || tileY < 0 || tileX >= rules.levelTileWidth || tileY >= rules.levelTileHeight ||
        rules.blockTileWidth <= 0 || rules.blockTileHeight <= 0) {
        return false;
    }
    placeX = tileX / rules.blockTileWidth;
    placeY = tileY / rules.blockTileHeight;
    cellX = tileX % rules.blockTileWidth;
    cellY = tileY % rules.blockTileHeight;
    return true;
}

} // namespace

ResourceHandle Level::getCellTile(int tileX, int tileY)
{
    if (pendingBuild || (m_layout && m_layout->built && m_layout->wanted && !m_layout->areaAcquired)) {
        ensureLayout();
    }
    const AreaResource* area = getArea();
    int px, py, cx, cy;
    if (!area || !tileToBlockCell(worldRules(), tileX, tileY, px, py, cx, cy)) {
        return {};
    }
    const int block = m_layout->editorArea ? m_layout->editorBlock : getPlace(px, py);
    return area->getCellTile(block, cx, cy);
}

namespace {
constexpr int kVisualStream = 4;
} // namespace

int Level::getCellObject(int tileX, int tileY, ResourceHandle& handle, CellObjectState** state)
{
    if (state) {
        *state = nullptr;
    }
    if (pendingBuild || (m_layout && m_layout->built && m_layout->wanted && !m_layout->areaAcquired)) {
        ensureLayout();
    }
    const AreaResource* area = getArea();
    const GameRules& rules = worldRules();
    int px, py, cx, cy;
    if (!area || !tileToBlockCell(rules, tileX, tileY, px, py, cx, cy)) {
        handle.release();
        return -1;
    }
    const int block = m_layout->editorArea ? m_layout->editorBlock : getPlace(px, py);
    int direction = 4;
    const int type = area->getCellObject(block, cx, cy, handle, direction);
    if (type < 0 || !handle.isValid()) {
        return type;
    }
    auto& states = m_layout->objectStates;
    if (states.empty()) {
        states.assign(static_cast<size_t>(rules.levelTileWidth) * rules.levelTileHeight, CellObjectState{});
    }
    CellObjectState& record = states[static_cast<size_t>(tileY) * rules.levelTileWidth + tileX];
    if (!record.initialised) {
        record.initialised = true;
        const ModelResource* model = ResourceSystem::get().getAs<ModelResource>(handle);
        // Only drawing asks for these records: their draws come from the
        // client's visual stream, so the simulation's stream 0 never depends
        // on where the camera looks.
        record.facing =
            model && model->getRandomRotation() ? randomIntInclusive(kVisualStream, 0, 7) : direction;
        record.scale = 1.0f;
        if (model && model->hasRandomScale()) {
            record.scale =
                randomFloatBetween(kVisualStream, model->getRandomScaleMin(), model->getRandomScaleMax());
        }
        record.fade = 1.0f;
    }
    if (state) {
        *state = &record;
    }
    return type;
}

const DatabaseEntry* Level::pickChestObject() const
{
    if (!definition) {
        return nullptr;
    }
    int i = definition->pickChestType();
    return i >= 0 ? definition->getChests()[i].entry : nullptr;
}

const DatabaseEntry* Level::pickTrapObject() const
{
    if (!definition) {
        return nullptr;
    }
    int i = definition->pickTrapType();
    return i >= 0 ? definition->getTraps()[i].entry : nullptr;
}

int Level::rollMonsterCountAt(int place) const
{
    if (!definition || !m_layout || m_layout->places.empty()) {
        return 0;
    }
    const AreaResource* area = getArea();
    const AreaBlock* block = place >= 0 && place < static_cast<int>(m_layout->places.size()) && area
                                 ? area->getBlock(m_layout->places[place])
                                 : nullptr;
    return definition->rollMonsterCount(block && block->alwaysMonsters);
}

int Level::rollChestCountAt(int place) const
{
    if (!definition || !m_layout || m_layout->places.empty()) {
        return 0;
    }
    const AreaResource* area = getArea();
    const AreaBlock* block = place >= 0 && place < static_cast<int>(m_layout->places.size()) && area
                                 ? area->getBlock(m_layout->places[place])
                                 : nullptr;
    return definition->rollChestCount(block && block->alwaysChests);
}

void Level::clearGrids()
{
    if (!m_layout) {
        return;
    }
    std::fill(m_layout->movementBits.begin(), m_layout->movementBits.end(), false);
    std::fill(m_layout->sightBits.begin(), m_layout->sightBits.end(), false);
    std::fill(m_layout->placeBuilt.begin(), m_layout->placeBuilt.end(), false);
}
