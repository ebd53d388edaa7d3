#pragma once

#include <memory>
#include <string>
#include <vector>

class AreaDefinition;
class DatabaseEntry;
class World;

// One part of the world's depth: a start area, main-path areas, an end area,
// side and filler areas beside them and dungeons below, each area a rectangle
// of levels on the World's layout grid. Draws come from stream 1.
class Section {
public:
    static constexpr int kMaxAreas = 8;
    static constexpr int kMaxDungeons = 6;

    explicit Section(World& world);
    ~Section();
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

    // Reads the entry; every area named is its own definition.
    void load(const DatabaseEntry* entry);
    // Places the areas on the World's grid.
    void place();
    // Base monster levels by depth and distance from the middle, from s.
    void assignMonsterLevels(int startMonsterLevel);
    // One gate spot in each used area with "SpawnGate".
    void placeGates();

    // ---- Read from the entry
    std::string name;
    int lockedSize = 0;
    int baseSize = 0;
    int monsterLevelsFromDepth = 0;
    float monsterLevelsFromWidth = 0.0f;
    int minLevels = 0;
    bool needExtraStartArea = false;
    std::unique_ptr<AreaDefinition> startArea;
    std::unique_ptr<AreaDefinition> endArea;
    std::vector<std::unique_ptr<AreaDefinition>> areas;
    std::vector<std::unique_ptr<AreaDefinition>> dungeons;

    // ---- Run-time
    int levelCount = 0;
    int startDepth = 0;
    int endDepth = -1;
    int areasLeft = 0;
    int dungeonsLeft = 0;
    int startMonsterLevel = 0;
    int highestMonsterLevel = 0;

private:
    AreaDefinition* pickArea(std::vector<std::unique_ptr<AreaDefinition>>& list, int& left);
    void addArea(AreaDefinition* area, int x, int y, int w, int h, bool mainPath);
    int mainPathPosition(int w) const;
    bool fits(int x, int y, int w, int h, bool withinSection) const;
    bool placeExtraStartArea(AreaDefinition* area, int w, int h);
    bool findSidePosition(int w, int h, int& x, int& y) const;
    bool isFillerCell(int lateral, int depth) const;
    int countFillerCells() const;
    void placeFiller();
    void propagate(int level, float value, int from, int guard);

    World& m_world;
};
