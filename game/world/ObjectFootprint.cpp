#include "game/world/ObjectFootprint.h"

#include "engine/resources/ModelResource.h"

namespace {

int floorDiv2(int v)
{
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

} // namespace

std::vector<std::array<int, 2>> objectFootprintCells(const ModelResource& model, int facing, int cellsPerTile)
{
    std::vector<std::array<int, 2>> cells;
    if (!model.hasCollisionGrid()) {
        return cells;
    }
    int w = 0;
    int h = 0;
    model.getFootprintSize(facing, w, h);
    const int firstColumn = floorDiv2(cellsPerTile - w);
    const int firstRow = floorDiv2(cellsPerTile - h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (model.isCollisionCellBlocked(facing, x, y)) {
                cells.push_back({firstColumn + x, firstRow + (h - 1 - y)});
            }
        }
    }
    return cells;
}
