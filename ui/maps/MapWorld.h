#pragma once

#include "engine/core/ZonePosition.h"

#include <cstdint>
#include <string>
#include <vector>

// One of a tile's small texture levels as RGBA bytes: side × side pixels,
// rows top first.
struct MapTileColours {
    int side = 0;
    const uint8_t* rgba = nullptr;
};

// A level's connection point: the level it leads to and where it stands.
struct MapConnection {
    int targetLevel = -1;
    ZonePosition position;
};

// A level edge that leads somewhere: the level beyond it and the tile along
// the edge at the middle of the block place where it is crossed.
struct MapEdge {
    int targetLevel = -1;
    int tile = -1;
};

// What the maps read of the world: a loaded flag, the world's identity,
// its levels with their grid places, names and tiles, and the places of the
// town's gates and people. Levels are 0 … count − 1.
class MapWorld {
public:
    virtual ~MapWorld() = default;

    virtual bool isLoaded() const = 0;
    // The world's identity: (world-size entry id, layout seed).
    virtual int getWorldId() const = 0;
    virtual int getWorldSeed() const = 0;
    virtual int getLevelCount() const = 0;
    virtual bool isLevelLoaded(int level) const = 0;
    // A negative coordinate: the level has no place on the grid.
    virtual void getGridPosition(int level, int& x, int& y) const = 0;
    virtual std::string getLevelName(int level) const = 0;
    virtual ZonePosition getStoredPosition(int level) const = 0;
    // Tiles per level side and the tile size in world units.
    virtual int getLevelTiles() const = 0;
    virtual float getTileSize() const = 0;
    // The small texture level of side 4, 2 or 1 of the tile's map shader;
    // false without a shader, texture or level of that side.
    virtual bool getTileColours(int level, int tileX, int tileY, int side, MapTileColours& out) const = 0;
    // Tile coordinates outside a level move into the neighbouring level;
    // false when there is none.
    virtual bool wrapCell(int& tileX, int& tileY, int& level) const = 0;
    virtual std::vector<MapConnection> getConnections(int level) const = 0;
    // The crossing of edge 0 left, 1 right, 2 top, 3 bottom; target -1
    // where the edge leads nowhere (no level, or walled).
    virtual MapEdge getEdgeConnection(int level, int edge) const = 0;
    virtual std::vector<ZonePosition> getTownGates() const = 0;
    // The place of an NPC type's area in town; zone -1 for none.
    virtual ZonePosition getNpcPosition(int type) const = 0;

    // The edge cell the maps label a crossing at, and the level it leads to;
    // false for an edge that leads nowhere.
    bool getEdgeLabel(int level, int edge, int& other, int& tileX, int& tileY) const
    {
        const MapEdge crossing = getEdgeConnection(level, edge);
        const int last = getLevelTiles() - 1;
        if (crossing.targetLevel < 0 || crossing.tile < 0 || crossing.tile > last) {
            return false;
        }
        other = crossing.targetLevel;
        tileX = edge == 0 ? 0 : edge == 1 ? last : crossing.tile;
        tileY = edge == 2 ? 0 : edge == 3 ? last : crossing.tile;
        return true;
    }
};
