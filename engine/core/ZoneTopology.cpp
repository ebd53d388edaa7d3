#include "engine/core/ZoneTopology.h"

#include <cmath>
#include <utility>

int ZoneTopology::neighbour(int zone, int dx, int dy) const
{
    if (zone < 0) {
        return -1;
    }
    if (dx == 0 && dy == 0) {
        return zone;
    }
    if (!neighbourFunction) {
        return -1;
    }
    int result = neighbourFunction(zone, dx, dy);
    return result < 0 ? -1 : result;
}

ZoneTopology& ZoneTopology::current()
{
    static ZoneTopology topology;
    return topology;
}

void ZoneTopology::setSize(float w, float h)
{
    ZoneTopology& t = current();
    t.width = (w > 0.0f && std::isfinite(w)) ? w : 0.0f;
    t.height = (h > 0.0f && std::isfinite(h)) ? h : 0.0f;
}

void ZoneTopology::setNeighbourFunction(NeighbourFunction function)
{
    current().neighbourFunction = std::move(function);
}

void ZoneTopology::reset()
{
    current() = ZoneTopology();
}
