#pragma once

#include <vector>

class Level;

// The layout grid the sections fill while the World loads: Width (lateral)
// × Height (depth) cells of levels, and per depth row the occupied span and
// the main path's span.
class WorldGrid {
public:
    // lowerBound / upperBound: no cell yet in the row, or the span reaches
    // the grid's edge.
    static constexpr int kNone = -1;
    static constexpr int kEdge = -2;

    WorldGrid(int width, int height);

    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }
    int getDepthCount() const { return m_depthCount; }
    bool contains(int lateral, int depth) const;
    // Null for an empty cell or one outside the grid.
    Level* getCell(int lateral, int depth) const;
    // Stores the level (null allowed) and keeps the bounds.
    void setCell(int lateral, int depth, Level* level, bool mainPath);

    // The raw bounds of a row; kNone outside the grid.
    int lowerBound(int depth) const;
    int upperBound(int depth) const;
    // The bounds with kNone read as Width / 2.
    int lowerBoundOr(int depth) const;
    int upperBoundOr(int depth) const;
    // The main path's span of a row; Width / 2 for none or outside the grid.
    int mainMin(int depth) const;
    int mainMax(int depth) const;
    bool hasMainPath(int depth) const;

private:
    int m_width;
    int m_height;
    int m_depthCount = 0;
    std::vector<Level*> m_cells;
    std::vector<int> m_lowerBound;
    std::vector<int> m_upperBound;
    std::vector<int> m_mainMin;
    std::vector<int> m_mainMax;
};
