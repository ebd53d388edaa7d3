#pragma once

#include "ui/maps/MapWorld.h"

// The maps' view of the shared world (game/world) and the game rules.
class LiveMapWorld : public MapWorld {
public:
    bool isLoaded() const override;
    int getWorldId() const override;
    int getWorldSeed() const override;
    int getLevelCount() const override;
    bool isLevelLoaded(int level) const override;
    void getGridPosition(int level, int& x, int& y) const override;
    std::string getLevelName(int level) const override;
    ZonePosition getStoredPosition(int level) const override;
    int getLevelTiles() const override;
    float getTileSize() const override;
    bool getTileColours(int level, int tileX, int tileY, int side, MapTileColours& out) const override;
    bool wrapCell(int& tileX, int& tileY, int& level) const override;
    std::vector<MapConnection> getConnections(int level) const override;
    MapEdge getEdgeConnection(int level, int edge) const override;
    std::vector<ZonePosition> getTownGates() const override;
    ZonePosition getNpcPosition(int type) const override;
};
