#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/ObjectFootprint.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderSystem.h"

#include <vector>

bool Level::isPlaceUsable(int x, int y) const
{
    if (!m_layout) {
        return false;
    }
    if (m_layout->editorArea) {
        return true;
    }
    return !(definition && ((definition->maxBlockWidth > 0 && x >= definition->maxBlockWidth) ||
                            (definition->maxBlockHeight > 0 && y >= definition->maxBlockHeight)));
}

bool Level::isPlaceEmpty(int x, int y) const
{
    return m_layout && m_layout->built && getPlace(x, y) < 0;
}

bool Level::isCellBlockedForMovement(int cellX, int cellY)
{
    return isCellBlocked(cellX, cellY, false);
}

bool Level::isCellBlockedForSight(int cellX, int cellY)
{
    return isCellBlocked(cellX, cellY, true);
}

bool Level::isCellBlocked(int cellX, int cellY, bool sight)
{
    if (!m_layout || !m_layout->built) {
        return true;
    }
    const GameRules& rules = worldRules();
    if (cellX < 0 || cellY < 0 || cellX >= rules.collisionGridWidth || cellY >= rules.collisionGridHeight) {
        return true;
    }
    const int s = rules.collisionCellsPerTile;
    const int x = cellX / (rules.blockTileWidth * s);
    const int y = cellY / (rules.blockTileHeight * s);
    if (x >= usableWidth() || y >= usableHeight() || !isPlaceUsable(x, y)) {
        return true;
    }
    const int place = y * rules.blocksAcross + x;
    if (!m_layout->editorArea && !m_layout->reached.empty() && !m_layout->reached[place]) {
        return true;
    }
    if (!m_layout->placeBuilt[place]) {
        fillPlaceGrids(place, x, y);
    }
    const size_t bit = static_cast<size_t>(cellY) * rules.collisionGridWidth + cellX;
    return sight ? m_layout->sightBits[bit] : m_layout->movementBits[bit];
}

void Level::fillPlaceGrids(int place, int x, int y)
{
    const GameRules& rules = worldRules();
    LevelLayout& layout = *m_layout;
    const int s = rules.collisionCellsPerTile;
    const int bw = rules.blockTileWidth;
    const int bh = rules.blockTileHeight;
    const int cw = rules.collisionGridWidth;
    const int ch = rules.collisionGridHeight;
    const int ox = x * bw * s;
    const int oy = y * bh * s;
    auto set = [&](int cx, int cy, bool movement, bool sight) {
        if (cx < 0 || cy < 0 || cx >= cw || cy >= ch) {
            return;
        }
        const size_t bit = static_cast<size_t>(cy) * cw + cx;
        if (movement) {
            layout.movementBits[bit] = true;
        }
        if (sight) {
            layout.sightBits[bit] = true;
        }
    };
    const bool editor = layout.editorArea != nullptr;
    const AreaResource* area = getArea();
    const int block = editor ? layout.editorBlock : getPlace(x, y);

    // Level edge walls: none on an open border, none at a kind-0 opening.
    if (!editor) {
        auto walled = [&](int side, int position) {
            const int kind = borderKinds[side];
            if (kind == kBorderContinuous) {
                return false;
            }
            return !(kind == kBorderPassage && position == borderOpenings[side]);
        };
        if (x == 0 && walled(1, y)) {
            for (int i = 0; i < bh * s; ++i)
                set(ox, oy + i, true, true);
        }
        if (x == rules.blocksAcross - 1 && walled(2, y)) {
            for (int i = 0; i < bh * s; ++i)
                set(ox + bw * s - 1, oy + i, true, true);
        }
        if (y == 0 && walled(3, x)) {
            for (int i = 0; i < bw * s; ++i)
                set(ox + i, oy, true, true);
        }
        if (y == rules.blocksDown - 1 && walled(0, x)) {
            for (int i = 0; i < bw * s; ++i)
                set(ox + i, oy + bh * s - 1, true, true);
        }
    }

    if (area && area->getBlock(block)) {
        // The models and tile flags once per place, not per cell.
        ResourceSystem* resources = ResourceSystem::instance();
        std::vector<const ModelResource*> models(area->getObjectTypes().size(), nullptr);
        for (size_t i = 0; i < models.size() && resources; ++i) {
            const ResourceHandle& h = area->getObjectTypes()[i].handle;
            if (h.isValid()) {
                models[i] = dynamic_cast<const ModelResource*>(resources->get(h.getIndex()));
            }
        }
        std::vector<uint8_t> tileFlags(area->getTiles().size(), 0); // 1 movement, 2 sight
        if (resources && ShaderSystem::instance()) {
            // Wait for the shaders first: the loader builds them under the
            // shader system's lock, which is taken only to read the flags.
            std::vector<const Shader*> tileShaders(tileFlags.size(), nullptr);
            for (size_t i = 0; i < tileFlags.size(); ++i) {
                const int index = area->getTiles()[i].shader.getIndex();
                tileShaders[i] = index >= 0 ? dynamic_cast<const Shader*>(resources->get(index)) : nullptr;
            }
            ShaderSystemLock lock;
            for (size_t i = 0; i < tileFlags.size(); ++i) {
                if (const Shader* shader = tileShaders[i]) {
                    tileFlags[i] = (shader->BlocksCollision ? 1 : 0) | (shader->BlocksSight ? 2 : 0);
                }
            }
        }
        const AreaBlock& b = *area->getBlock(block);
        for (int ty = 0; ty < bh; ++ty) {
            for (int tx = 0; tx < bw; ++tx) {
                const int element = b.cellElement(tx, ty);
                const AreaCellObject& object = b.objects[element];
                const ModelResource* model = object.type >= 0 && object.type < static_cast<int>(models.size())
                                                 ? models[object.type]
                                                 : nullptr;
                // An entity of its own stands here (door, torch, secret): it
                // blocks as a body, not by its footprint. The ground under it
                // still counts, so a torch set into a wall leaves no hole.
                const bool entityObject = model && !model->getObjectType().empty();
                const int levelTileX = x * bw + tx;
                const int levelTileY = y * bh + ty;
                if (model && !entityObject) {
                    for (const auto& cell : objectFootprintCells(*model, object.direction, s)) {
                        const int cx = levelTileX * s + cell[0];
                        const int cy = levelTileY * s + cell[1];
                        if (cx < 0 || cy < 0 || cx >= cw || cy >= ch) {
                            continue;
                        }
                        set(cx, cy, true, model->getBlocksSight());
                        if (!editor && !model->getMapShaderName().empty() && object.type <= 127 &&
                            !layout.mapObjects.empty()) {
                            layout.mapObjects[static_cast<size_t>(cy / s) * rules.levelTileWidth + cx / s] =
                                static_cast<int8_t>(object.type);
                        }
                    }
                }
                const int tile = b.tiles[element];
                const uint8_t flags =
                    tile >= 0 && tile < static_cast<int>(tileFlags.size()) ? tileFlags[tile] : 0;
                if (flags) {
                    for (int j = 0; j < s; ++j)
                        for (int i = 0; i < s; ++i)
                            set(levelTileX * s + i, levelTileY * s + j, flags & 1, flags & 2);
                }
            }
        }
    }
    layout.placeBuilt[place] = true;
}
