#include "game/world/Level.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/world/AreaDefinition.h"
#include "game/world/AreaResource.h"
#include "game/world/World.h"

#include <algorithm>

LevelLayout::~LevelLayout() = default;

Level::Level() = default;

Level::~Level()
{
    if (m_layout && m_layout->wantCount != 0) {
        m_layout->wantCount = 1;
        release(kDrawingKey);
    }
    if (m_layout) {
        m_layout->refCount = 1;
        deleteLayout();
    }
}

void Level::createLayout()
{
    const GameRules& rules = worldRules();
    m_layout = std::make_unique<LevelLayout>();
    m_layout->wanted = true;
    const size_t cells = static_cast<size_t>(rules.collisionGridWidth) * rules.collisionGridHeight;
    m_layout->movementBits.assign(cells, false);
    m_layout->sightBits.assign(cells, false);
    m_layout->placeBuilt.assign(static_cast<size_t>(rules.blocksAcross) * rules.blocksDown, false);
}

void Level::acquire(int key)
{
    if (!m_layout) {
        createLayout();
    }
    ++m_layout->refCount;
    if (!m_layout->area.isValid() && !m_layout->editorArea) {
        if (definition && ResourceSystem::instance()) {
            m_layout->area = ResourceSystem::get().load(definition->areaFileName);
        }
        pendingBuild = true;
        m_layout->built = false;
    }
    if (key == kDrawingKey || key == kEditorKey) {
        ++m_layout->wantCount;
        m_layout->wanted = true;
    }
}

void Level::release(int key)
{
    if (!m_layout || m_layout->refCount <= 0) {
        debugPrint(3, "Level %d (%s): released without a reference; nothing changes\n", zone,
                   getName().c_str());
        return;
    }
    --m_layout->refCount;
    if (key == kDrawingKey) {
        --m_layout->wantCount;
        if (m_layout->areaAcquired && m_layout->wantCount <= 0) {
            releaseArea();
            m_layout->wanted = false;
            if (World* world = World::instance()) {
                world->notifyLevelReleased(*this, true);
            }
        }
    }
    if (m_layout->refCount == 0) {
        deleteLayout();
    }
}

void Level::deleteLayout()
{
    if (World* world = World::instance()) {
        world->notifyLevelReleased(*this, false);
    }
    pendingBuild = false;
    if (m_layout->areaAcquired) {
        releaseArea();
    }
    m_layout->area.release();
    m_layout.reset();
}

void Level::setEditorPreview(AreaResource* area, int block)
{
    if (!m_layout) {
        createLayout();
        m_layout->built = true;
        m_layout->areaAcquired = true;
        m_layout->wanted = true;
        m_layout->refCount = 1;
        m_layout->wantCount = 1;
        pendingBuild = false;
    } else if (m_layout->editorArea != area || m_layout->editorBlock != block) {
        clearGroundCells();
    }
    m_layout->editorArea = area;
    m_layout->editorBlock = block;
}

Level* Level::getRootLevel()
{
    Level* level = this;
    // A parent chain never holds more levels than the world.
    for (int guard = 0; level->parent && guard < 100000; ++guard) {
        level = level->parent;
    }
    return level;
}

Color Level::getSunColor(float t) const
{
    if (!definition) {
        return Color(0.0f, 0.0f, 0.0f);
    }
    const GameRules& rules = worldRules();
    const Color& d = definition->daySunColor;
    const Color& n = definition->nightSunColor;
    auto mix = [](const Color& a, const Color& b, float f) {
        return Color(a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f);
    };
    if (t < rules.sunriseStart || t > rules.sunsetEnd) {
        return Color(n.r, n.g, n.b);
    }
    if (t <= rules.sunriseEnd) {
        float span = rules.sunriseEnd - rules.sunriseStart;
        return span > 0.0f ? mix(n, d, (t - rules.sunriseStart) / span) : Color(d.r, d.g, d.b);
    }
    if (t < rules.sunsetStart) {
        return Color(d.r, d.g, d.b);
    }
    float span = rules.sunsetEnd - rules.sunsetStart;
    return span > 0.0f ? mix(d, n, (t - rules.sunsetStart) / span) : Color(n.r, n.g, n.b);
}

bool Level::isMonsterOfArea(const MonsterType* type) const
{
    if (!definition || !type) {
        return false;
    }
    const MonsterType* m = type->base ? type->base : type;
    const auto& candidates = definition->getCandidates();
    const auto& active = definition->getActiveTypes();
    return std::find(candidates.begin(), candidates.end(), m) != candidates.end() ||
           std::find(active.begin(), active.end(), m) != active.end();
}

ZonePosition Level::randomPositionInBlock(int column, int row) const
{
    const GameRules& rules = worldRules();
    if (column < 0 || row < 0 || column >= rules.blocksAcross || row >= rules.blocksDown) {
        return ZonePosition(-1, 0.0f, 0.0f);
    }
    const float bw = rules.blockTileWidth * rules.tileSize;
    const float bh = rules.blockTileHeight * rules.tileSize;
    // Inside the grid every draw lies in the level; the bound only keeps a
    // broken zone set-up from spinning.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        float x = randomFloat(0) * bw + bw * column;
        float y = randomFloat(0) * bh + bh * row;
        ZonePosition p = snapToGrid(ZonePosition(zone, x, y));
        p.normalize();
        if (p.zone == zone) {
            return p;
        }
    }
    return ZonePosition(-1, 0.0f, 0.0f);
}

std::string Level::getName() const
{
    if (!definition) {
        return {};
    }
    std::string name = definition->name;
    if (levelNumber > 0) {
        name += " lvl " + std::to_string(levelNumber);
    }
    return name;
}

const ConnectionPoint* Level::getConnection(int i) const
{
    return i >= 0 && i < getConnectionCount() ? &connections[i] : nullptr;
}
