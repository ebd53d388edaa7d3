#pragma once

// The route planner: ways over a level's free cells, and from level to level
// over their edges and connection gates.
#include "engine/core/ZonePosition.h"

#include <array>
#include <map>
#include <set>
#include <vector>

class Gate;

namespace selfplay {

// The sides of a level: 0 north, 1 east, 2 south, 3 west.
inline constexpr int kSideDx[] = {0, 1, 0, -1};
inline constexpr int kSideDy[] = {-1, 0, 1, 0};

// The player's level flooded over free cells from where it stands: the
// way back from each cell reached, and per side the nearest edge cell with
// free ground across.
struct LevelFlood {
    int zone = -1;
    std::vector<int> previous = std::vector<int>(128 * 128, -2);
    std::array<int, 4> edge{-1, -1, -1, -1};

    // A point whose cell, or a cell beside it, was reached.
    bool reaches(const ZonePosition& p) const;
    // The cell at column x, row y was reached.
    bool reachedCell(int x, int y) const
    {
        return x >= 0 && x < 128 && y >= 0 && y < 128 && previous[static_cast<size_t>(y * 128 + x)] != -2;
    }
    // The cell centres from the start to the side's edge cell, then a
    // point across the edge.
    std::vector<ZonePosition> routeToSide(int side) const;
};

// The first step on the shortest way from the player's level to another:
// a side to walk off, or a gate.
struct LevelStep {
    int side = -1;
    const Gate* gate = nullptr;
    int levels = -1;  // the way's length in levels
    int hardest = -1; // the monster level of the hardest level passed through
    int unwalked = 0; // levels passed through whose sides it has not seen
};

class RoutePlanner {
public:
    // The shortest route over free cells, diagonals included (none past a
    // blocked corner), to the reachable cell nearest to `goal`: the way a
    // player in a hurry walks.
    static std::vector<ZonePosition> straightRoute(const ZonePosition& from, const ZonePosition& goal);

    static LevelFlood floodLevel(const ZonePosition& from);

    // The gates between levels (a level's connection to the one below or
    // above it), by the level they stand on.
    static std::multimap<int, const Gate*> connectionGates();

    // The first step of the shortest way to the goal. On the flood's own
    // level only the sides and gates it can walk to count; elsewhere, sides
    // found closed before are left out. Of ways as short, the one whose
    // hardest level on the way (neither end counted) has the weakest
    // monsters: two ways round a block of levels often tie, and the wrong
    // one sent a player through a nest of spiders it died in time after
    // time. Levels whose monsters are above the cap are not passed through
    // (the goal itself may be one); -1 for no cap.
    LevelStep stepTowards(int goal, const LevelFlood& flood, int monsterCap = -1) const;

    // The sides of the flood's level that it cannot walk to, while a level
    // lies beyond them, are noted as closed.
    void noteClosedSides(const LevelFlood& flood);

private:
    std::set<int> m_closedSides; // level * 4 + side
    std::set<int> m_seenLevels;  // levels whose closed sides are noted
};

} // namespace selfplay
