#pragma once

#include "engine/resources/ResourceHandle.h"
#include "game/world/GroundCell.h"

#include <cstdint>
#include <vector>

class AreaResource;

// What a placed object received when it was first asked for: its facing and
// scale stay for as long as the layout lives; the renderer lowers the fade
// while it stands in the way.
struct CellObjectState {
    int facing = 0;
    float scale = 1.0f;
    float fade = 1.0f;
    bool initialised = false;
};

// Everything built for a referenced level: which block stands in each place,
// which places are reached, the collision grids, the ground cells and the
// objects' states.
class LevelLayout {
public:
    LevelLayout() = default;
    ~LevelLayout();
    LevelLayout(const LevelLayout&) = delete;
    LevelLayout& operator=(const LevelLayout&) = delete;

    bool built = false;
    bool areaAcquired = false;
    bool wanted = false;
    ResourceHandle area;
    AreaResource* areaResource = nullptr; // the loaded object behind `area`
    // Set only for the area editor's preview of one block.
    AreaResource* editorArea = nullptr;
    int editorBlock = -1;

    std::vector<int> places;   // block index per place, -1 empty
    std::vector<bool> reached; // per place
    std::vector<int> useCounts;
    int startPlace = -1; // where a grown layout started
    int refCount = 0;
    int wantCount = 0;

    std::vector<GroundCell> groundCells; // per tile, built on demand
    std::vector<int8_t> mapObjects;      // object-type index per tile, -1 none
    std::vector<CellObjectState> objectStates;

    // Collision grids (one bit per cell) and which places have them filled.
    std::vector<bool> movementBits;
    std::vector<bool> sightBits;
    std::vector<bool> placeBuilt;
};
