#include "ui/maps/LiveMapWorld.h"

#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/ShaderTextures.h"
#include "graphics/TextureResource.h"

namespace {

World* world()
{
    return World::instance();
}

Level* level(int index)
{
    World* w = world();
    return w ? w->getLevel(index) : nullptr;
}

} // namespace

bool LiveMapWorld::isLoaded() const
{
    return world() && world()->isLoaded();
}

int LiveMapWorld::getWorldId() const
{
    const WorldSize* size = world() ? world()->getWorldSize() : nullptr;
    return size ? size->entryId : -1;
}

int LiveMapWorld::getWorldSeed() const
{
    return world() ? static_cast<int>(world()->getWorldSeed()) : 0;
}

int LiveMapWorld::getLevelCount() const
{
    return world() ? world()->getLevelCount() : 0;
}

bool LiveMapWorld::isLevelLoaded(int index) const
{
    return world() && world()->isLevelLoaded(index);
}

void LiveMapWorld::getGridPosition(int index, int& x, int& y) const
{
    x = y = -1;
    if (world()) {
        world()->getLevelGridPosition(index, x, y);
    }
}

std::string LiveMapWorld::getLevelName(int index) const
{
    return world() ? world()->getLevelName(index) : std::string();
}

ZonePosition LiveMapWorld::getStoredPosition(int index) const
{
    return world() ? world()->getLevelStoredPosition(index) : ZonePosition(-1, 0.0f, 0.0f);
}

int LiveMapWorld::getLevelTiles() const
{
    const GameData* data = GameData::instance();
    return data ? data->rules().levelTileWidth : 128;
}

float LiveMapWorld::getTileSize() const
{
    const GameData* data = GameData::instance();
    return data ? data->rules().tileSize : 32.0f;
}

bool LiveMapWorld::getTileColours(int index, int tileX, int tileY, int side, MapTileColours& out) const
{
    Level* l = level(index);
    if (!l) {
        return false;
    }
    ResourceHandle shader = l->getMapShader(tileX, tileY);
    const TextureResource* texture = shader.isValid() ? resolveShaderTexture(shader) : nullptr;
    // The small levels are 4 × 4, 2 × 2 and 1 × 1 in that order.
    int slot = side == 4 ? 0 : side == 2 ? 1 : side == 1 ? 2 : -1;
    if (!texture || slot < 0) {
        return false;
    }
    const std::vector<uint8_t>& pixels = texture->smallLevels[static_cast<size_t>(slot)];
    if (pixels.size() < static_cast<size_t>(side * side * 4)) {
        return false;
    }
    // The level keeps the shader, so its pixels outlive this handle.
    out.side = side;
    out.rgba = pixels.data();
    return true;
}

bool LiveMapWorld::wrapCell(int& tileX, int& tileY, int& index) const
{
    return world() && world()->wrapCell(tileX, tileY, index);
}

std::vector<MapConnection> LiveMapWorld::getConnections(int index) const
{
    std::vector<MapConnection> out;
    Level* l = level(index);
    for (int i = 0; l && i < l->getConnectionCount(); ++i) {
        const ConnectionPoint* point = l->getConnection(i);
        out.push_back(point ? MapConnection{point->targetLevel, point->position} : MapConnection{});
    }
    return out;
}

MapEdge LiveMapWorld::getEdgeConnection(int index, int edge) const
{
    static const int kSteps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    // The level's border sides of the left, right, top and bottom edges.
    static const int kSides[4] = {1, 2, 3, 0};
    const Level* l = level(index);
    const GameData* data = GameData::instance();
    if (!l || !data || edge < 0 || edge > 3) {
        return {};
    }
    const int other = world()->getNeighbourLevel(index, kSteps[edge][0], kSteps[edge][1]);
    const GameRules& rules = data->rules();
    const bool across = edge >= 2;
    const int places = across ? rules.blocksAcross : rules.blocksDown;
    const int blockTiles = across ? rules.blockTileWidth : rules.blockTileHeight;
    const int side = kSides[edge];
    int block = -1;
    if (l->borderKinds[side] == Level::kBorderPassage) {
        block = l->borderOpenings[side];
    } else if (l->borderKinds[side] == Level::kBorderContinuous) {
        block = places / 2;
    }
    // Closed and never joined borders are walled along their whole length.
    if (other < 0 || block < 0 || block >= places) {
        return {};
    }
    return {other, block * blockTiles + blockTiles / 2};
}

std::vector<ZonePosition> LiveMapWorld::getTownGates() const
{
    const GameData* data = GameData::instance();
    return data ? data->rules().townGatePositions : std::vector<ZonePosition>();
}

ZonePosition LiveMapWorld::getNpcPosition(int type) const
{
    const GameData* data = GameData::instance();
    if (!data || type < 0 || type >= kNpcTypeCount) {
        return ZonePosition(-1, 0.0f, 0.0f);
    }
    return data->rules().townNpcStand(type);
}
