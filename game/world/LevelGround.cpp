#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderSystem.h"

#include <algorithm>
#include <cmath>

namespace {

bool sameBlendGroup(const Shader& a, const Shader& b)
{
    return a.groupHash == b.groupHash && a.blendGroup == b.blendGroup;
}

// Slots (dx, dy) of each corner: 0 upper left, 1 upper right, 2 lower
// right, 3 lower left.
constexpr int kCornerSlots[4][4][2] = {
    {{-1, 0}, {0, 0}, {-1, 1}, {0, 1}},
    {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
    {{0, -1}, {1, -1}, {0, 0}, {1, 0}},
    {{-1, -1}, {0, -1}, {-1, 0}, {0, 0}},
};

} // namespace

void Level::clearGroundCells()
{
    if (m_layout) {
        m_layout->groundCells.clear();
    }
}

const GroundCell& Level::getGroundCell(int tileX, int tileY)
{
    static const GroundCell empty;
    if (pendingBuild || (m_layout && m_layout->built && m_layout->wanted && !m_layout->areaAcquired)) {
        ensureLayout();
    }
    const GameRules& rules = worldRules();
    if (!m_layout || tileX < 0 || tileY < 0 || tileX >= rules.levelTileWidth ||
        tileY >= rules.levelTileHeight) {
        return empty;
    }
    auto& cells = m_layout->groundCells;
    if (cells.empty()) {
        cells.resize(static_cast<size_t>(rules.levelTileWidth) * rules.levelTileHeight);
    }
    GroundCell& record = cells[static_cast<size_t>(tileY) * rules.levelTileWidth + tileX];
    if (!record.built) {
        buildGroundCell(tileX, tileY, record);
    }
    return record;
}

void Level::buildGroundCell(int tileX, int tileY, GroundCell& record)
{
    const GameRules& rules = worldRules();
    ResourceSystem* resources = ResourceSystem::instance();
    std::array<ResourceHandle, 9> handles;
    std::array<const Shader*, 9> shaders{};
    const bool editor = m_layout && m_layout->editorArea;
    World* world = World::instance();
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int k = 3 * (dy + 1) + (dx + 1);
            const int x = tileX + dx;
            const int y = tileY + dy;
            if (editor) {
                if (x >= 0 && y >= 0 && x < rules.blockTileWidth && y < rules.blockTileHeight) {
                    handles[k] = m_layout->editorArea->getCellTile(m_layout->editorBlock, x, y);
                }
            } else if (world && zone >= 0) {
                handles[k] = world->getCellShader(x, y, zone);
            } else if (x >= 0 && y >= 0 && x < rules.levelTileWidth && y < rules.levelTileHeight) {
                handles[k] = getCellTile(x, y);
            }
            if (handles[k].isValid() && resources) {
                shaders[k] = dynamic_cast<const Shader*>(resources->get(handles[k]));
            }
        }
    }
    const int own = handles[4].getIndex();
    std::array<int, 9> slot{};
    {
        ShaderSystemLock lock;
        for (int k = 0; k < 9; ++k) {
            const Shader* a = shaders[k];
            const Shader* b = shaders[4];
            const bool keeps = a && b && !sameBlendGroup(*a, *b) && a->blendAllowed && b->blendAllowed;
            slot[k] = keeps ? handles[k].getIndex() : own;
        }
    }
    std::vector<int> layers{own};
    std::vector<int> others;
    for (int k = 0; k < 9; ++k) {
        if (slot[k] != own && std::find(others.begin(), others.end(), slot[k]) == others.end()) {
            others.push_back(slot[k]);
        }
    }
    std::sort(others.begin(), others.end());
    layers.insert(layers.end(), others.begin(), others.end());
    if (own < 0) {
        record.shader.release();
        for (auto& corner : record.corners) {
            corner.assign(1, 255);
        }
        record.built = true;
        return;
    }
    record.shader = acquireBlendedTileShader(layers);
    auto layerOf = [&](int handle) {
        return static_cast<int>(std::find(layers.begin(), layers.end(), handle) - layers.begin());
    };
    for (int c = 0; c < 4; ++c) {
        std::vector<int> counts(layers.size(), 0);
        for (const auto& s : kCornerSlots[c]) {
            counts[layerOf(slot[3 * (s[1] + 1) + (s[0] + 1)])] += 1;
        }
        std::vector<uint8_t>& weights = record.corners[c];
        weights.assign(layers.size(), 0);
        int total = std::max(counts[0], 1);
        weights[0] = 255;
        for (size_t j = 1; j < layers.size(); ++j) {
            if (counts[j] > 0) {
                total += counts[j];
                const int w = static_cast<int>(std::floor(255.0 * counts[j] / total + 0.5));
                weights[j] = static_cast<uint8_t>(std::clamp(w, 0, 255));
            }
        }
    }
    record.built = true;
}

ResourceHandle Level::getMapShader(int tileX, int tileY)
{
    if (pendingBuild || (m_layout && m_layout->built && m_layout->wanted && !m_layout->areaAcquired)) {
        ensureLayout();
    }
    const GameRules& rules = worldRules();
    if (!m_layout || tileX < 0 || tileY < 0 || tileX >= rules.levelTileWidth ||
        tileY >= rules.levelTileHeight) {
        return {};
    }
    const int s = rules.collisionCellsPerTile;
    if (isCellBlockedForMovement(tileX * s, tileY * s)) {
        const int px = tileX / rules.blockTileWidth;
        const int py = tileY / rules.blockTileHeight;
        if (!m_layout->editorArea && !m_layout->reached.empty() &&
            !m_layout->reached[static_cast<size_t>(py) * rules.blocksAcross + px]) {
            return definition ? definition->defaultShader : ResourceHandle();
        }
        const size_t i = static_cast<size_t>(tileY) * rules.levelTileWidth + tileX;
        const AreaResource* area = getArea();
        if (i < m_layout->mapObjects.size() && m_layout->mapObjects[i] >= 0 && area && area->isAcquired()) {
            ResourceHandle model = area->getObjectHandle(m_layout->mapObjects[i]);
            const ModelResource* m =
                model.isValid() ? ResourceSystem::get().getAs<ModelResource>(model) : nullptr;
            if (m && m->getMapShader().isValid()) {
                return m->getMapShader();
            }
        }
    }
    return getCellTile(tileX, tileY);
}
