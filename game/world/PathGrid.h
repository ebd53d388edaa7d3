#pragma once

#include "engine/core/ZonePosition.h"

#include <array>
#include <vector>

class EntityBase;

// The 51 × 51 tiles around a mover as the path finder sees them, one state
// per cell, evaluated lazily during a search. Cell (25, 25) is the mover's
// own tile; the index of cell (x, y) is y × 51 + x.
struct PathGrid {
    static constexpr int kSide = 51;
    static constexpr int kCentre = 25;
    static constexpr int kCellCount = kSide * kSide;

    // Cell states.
    static constexpr int kUnknown = 0;
    static constexpr int kFree = 1;
    static constexpr int kObstacle = 2;
    static constexpr int kBlocked = 3;

    std::array<int, kCellCount> cells{};
    // Cells found blocked by the terrain (state 3 also marks cells that are
    // open but too near a wall or an entity for the mover).
    std::array<bool, kCellCount> walls{};
    EntityBase* mover = nullptr;
    float moverRadius = 0.0f;
    std::vector<EntityBase*> obstacles;
    ZonePosition centre;
    // The tile size the grid was built with.
    float tileWidth = 1.0f;
    float tileHeight = 1.0f;

    static bool contains(int x, int y) { return x >= 0 && y >= 0 && x < kSide && y < kSide; }
    static int indexOf(int x, int y) { return y * kSide + x; }
};
