#pragma once

#include "ui/maps/MapWorld.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A few hand-made levels for the maps: each level has a grid place, a name
// and one floor texture whose small levels are given (4 × 4 with a pattern,
// 2 × 2 and 1 × 1), except tiles marked bare; levels side by side on the
// grid are each other's neighbours.
class FakeMapWorld : public MapWorld {
public:
    struct Level {
        int gridX = 0;
        int gridY = 0;
        std::string name;
        bool loaded = true;
        // A base colour; the 4 × 4 level varies it by pixel.
        uint8_t r = 100, g = 150, b = 50;
        // Tiles with x below this have no map shader.
        int bareColumns = 0;
        std::vector<MapConnection> connections;
        std::array<std::vector<uint8_t>, 3> small;
    };

    explicit FakeMapWorld(int tiles = 128) : tiles(tiles) {}

    int addLevel(int gx, int gy, const std::string& name, uint8_t r = 100, uint8_t g = 150, uint8_t b = 50)
    {
        Level level;
        level.gridX = gx;
        level.gridY = gy;
        level.name = name;
        level.r = r;
        level.g = g;
        level.b = b;
        for (int slot = 0; slot < 3; ++slot) {
            int side = 4 >> slot;
            for (int i = 0; i < side * side; ++i) {
                // The pattern makes a misplaced pixel show.
                level.small[slot].push_back(static_cast<uint8_t>(r + (side == 4 ? i : 0)));
                level.small[slot].push_back(g);
                level.small[slot].push_back(static_cast<uint8_t>(b + (side == 4 ? 2 * i : 0)));
                level.small[slot].push_back(static_cast<uint8_t>(side == 4 ? 200 + i : 255));
            }
        }
        levels.push_back(level);
        return static_cast<int>(levels.size()) - 1;
    }

    bool isLoaded() const override { return loaded; }
    int getWorldId() const override { return worldId; }
    int getWorldSeed() const override { return seed; }
    int getLevelCount() const override { return static_cast<int>(levels.size()); }
    bool isLevelLoaded(int level) const override { return valid(level) && levels[level].loaded; }
    void getGridPosition(int level, int& x, int& y) const override
    {
        x = valid(level) ? levels[level].gridX : -1;
        y = valid(level) ? levels[level].gridY : -1;
    }
    std::string getLevelName(int level) const override { return valid(level) ? levels[level].name : ""; }
    ZonePosition getStoredPosition(int level) const override
    {
        return {level, tiles * tileSize / 2.0f, tiles * tileSize / 2.0f};
    }
    int getLevelTiles() const override { return tiles; }
    float getTileSize() const override { return tileSize; }
    bool getTileColours(int level, int tileX, int tileY, int side, MapTileColours& out) const override
    {
        if (!valid(level) || tileX < levels[level].bareColumns || tileX < 0 || tileY < 0 || tileX >= tiles ||
            tileY >= tiles) {
            return false;
        }
        int slot = side == 4 ? 0 : side == 2 ? 1 : side == 1 ? 2 : -1;
        if (slot < 0) {
            return false;
        }
        out.side = side;
        out.rgba = levels[level].small[slot].data();
        return true;
    }
    bool wrapCell(int& tileX, int& tileY, int& level) const override
    {
        if (!valid(level)) {
            return false;
        }
        int dx = tileX < 0 ? -1 : tileX >= tiles ? 1 : 0;
        int dy = tileY < 0 ? -1 : tileY >= tiles ? 1 : 0;
        if (dx == 0 && dy == 0) {
            return true;
        }
        int other = at(levels[level].gridX + dx, levels[level].gridY + dy);
        if (other < 0) {
            return false;
        }
        tileX -= dx * tiles;
        tileY -= dy * tiles;
        level = other;
        return tileX >= 0 && tileY >= 0 && tileX < tiles && tileY < tiles;
    }
    std::vector<MapConnection> getConnections(int level) const override
    {
        return valid(level) ? levels[level].connections : std::vector<MapConnection>();
    }
    // Every edge between neighbours is crossed at `edgeTile`.
    MapEdge getEdgeConnection(int level, int edge) const override
    {
        static const int kSteps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        if (!valid(level) || edge < 0 || edge > 3 || levels[level].gridX < 0 || levels[level].gridY < 0) {
            return {};
        }
        return {at(levels[level].gridX + kSteps[edge][0], levels[level].gridY + kSteps[edge][1]),
                edgeTile < 0 ? tiles / 2 : edgeTile};
    }
    std::vector<ZonePosition> getTownGates() const override { return townGates; }
    ZonePosition getNpcPosition(int) const override { return {-1, 0.0f, 0.0f}; }

    int at(int gx, int gy) const
    {
        if (gx < 0 || gy < 0) {
            return -1;
        }
        for (size_t i = 0; i < levels.size(); ++i) {
            if (levels[i].gridX == gx && levels[i].gridY == gy) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    bool valid(int level) const { return level >= 0 && level < static_cast<int>(levels.size()); }

    int tiles;
    float tileSize = 32.0f;
    bool loaded = true;
    int worldId = 7;
    int seed = 1234;
    int edgeTile = -1; // -1: the middle
    std::vector<Level> levels;
    std::vector<ZonePosition> townGates;
};
