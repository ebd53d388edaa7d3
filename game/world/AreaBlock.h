#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The object standing on one cell of a block: an index into the area's
// object-type list (-1 for none) and its facing.
struct AreaCellObject {
    int type = -1;
    int direction = 4;

    bool operator==(const AreaCellObject& other) const = default;
};

// One building block of an area: W x H cells of ground tiles and objects and
// an edge id on each side. Element r * W + c is row r (0 the top row, as
// written in the file), column c; cell coordinates (x, y) count y upward
// from the bottom row.
class AreaBlock {
public:
    // Sides: 0 top (+y), 1 left (-x), 2 right (+x), 3 bottom (-y).
    static constexpr int kSideCount = 4;
    static constexpr int kAllSidesOpen = 15;

    AreaBlock(int width, int height);

    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }

    // Element index of cell (x, y) with y counted upward; -1 outside.
    int cellElement(int x, int y) const;
    // Element index of row r (from the top), column c; -1 outside.
    int rowElement(int column, int row) const;

    // Four characters "1"/"0", character i for bit i of openSides.
    std::string flagsText() const;
    // For a text of exactly four characters, openSides := the bits of the
    // positions holding "1"; any other length changes nothing.
    void setFlagsFromText(std::string_view text);
    bool isSideOpen(int side) const { return side >= 0 && side < kSideCount && (openSides >> side) & 1; }

    // Same cells, edges and record values.
    bool operator==(const AreaBlock& other) const;

    std::vector<int> tiles;
    std::vector<AreaCellObject> objects;
    std::array<int, kSideCount> edges{};
    std::string name;
    float weight = 1.0f;
    int openSides = kAllSidesOpen;
    int maxUses = 0;
    bool alwaysMonsters = false;
    bool alwaysChests = false;

private:
    int m_width;
    int m_height;
};
