#pragma once

#include <array>
#include <vector>

class ModelResource;

// The collision cells a placed object blocks, relative to the first cell of
// its tile (dx right, dy upward), for a tile of `cellsPerTile` cells. The
// turned footprint of W x H cells is centred on the tile: its first column
// at floor((S - W) / 2), its rows from floor((S - H) / 2) upward, the
// footprint's top row at the highest. Empty for a model without a grid.
std::vector<std::array<int, 2>> objectFootprintCells(const ModelResource& model, int facing,
                                                     int cellsPerTile = 1);
