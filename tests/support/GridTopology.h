#pragma once

#include "engine/core/ZoneTopology.h"

// Zones 0..8 as a 3 x 3 block (zone = row * 3 + column, x along columns, y
// along rows) while it lives; the topology is reset afterwards.
class GridTopology {
public:
    GridTopology(float width, float height)
    {
        ZoneTopology::setSize(width, height);
        ZoneTopology::setNeighbourFunction([](int zone, int dx, int dy) {
            int column = zone % 3 + dx;
            int row = zone / 3 + dy;
            if (zone < 0 || zone > 8 || column < 0 || column > 2 || row < 0 || row > 2) {
                return -1;
            }
            return row * 3 + column;
        });
    }
    ~GridTopology() { ZoneTopology::reset(); }
    GridTopology(const GridTopology&) = delete;
    GridTopology& operator=(const GridTopology&) = delete;
};
