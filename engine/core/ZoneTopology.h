#pragma once

#include <functional>

// Zone (level) geometry used by zone positions: the size of every zone in
// world units and which zone lies next to which. The game definitions set the
// size and the world sets the neighbour lookup; until then leaving a zone
// gives zone -1 ("nowhere").
class ZoneTopology {
public:
    // The zone next to `zone` by dx, dy in -1..1 (x and y of zone positions),
    // or -1 when there is none.
    using NeighbourFunction = std::function<int(int zone, int dx, int dy)>;

    float width = 0.0f;
    float height = 0.0f;
    NeighbourFunction neighbourFunction;

    int neighbour(int zone, int dx, int dy) const;
    // Zone sizes are known (both > 0).
    bool hasSize() const { return width > 0.0f && height > 0.0f; }

    // The topology every zone position uses.
    static ZoneTopology& current();
    static void setSize(float width, float height);
    static void setNeighbourFunction(NeighbourFunction function);
    // Back to no size and no neighbours.
    static void reset();
};
