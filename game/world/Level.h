#pragma once

#include "engine/core/Color.h"
#include "engine/core/ZonePosition.h"
#include "engine/resources/ResourceHandle.h"
#include "game/world/LevelLayout.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class AreaDefinition;
class AreaResource;
class DatabaseEntry;
class MonsterType;
class Section;

// A level's link to another: where it stands, and the target level with the
// index of the target's own connection point.
struct ConnectionPoint {
    ZonePosition position{-1, 0.0f, 0.0f};
    int targetLevel = -1;
    int targetConnection = -1;
};

// One zone of the world: its index in the World's level list is its zone
// number. While anything references it, it holds a LevelLayout with
// everything built for it.
class Level {
public:
    // Kinds of a level side (borderKinds), as the World's joins write them
    // and the layout reads them; any other value reads as closed.
    enum BorderKind : int {
        kBorderPassage = 0,    // closed but for one opening at borderOpenings
        kBorderClosed = 1,     // a border to another area
        kBorderContinuous = 2, // open to a neighbour of the same area
        kBorderUndecided = 3,  // a border to another area not yet joined
    };
    // Requester keys of drawing views.
    static constexpr int kDrawingKey = -1;
    static constexpr int kEditorKey = -1000;

    Level();
    ~Level();
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

    // ---- References
    void acquire(int key);
    void release(int key);
    LevelLayout* getLayout() const { return m_layout.get(); }
    void setEditorPreview(AreaResource* area, int block);

    // ---- Queries
    Level* getRootLevel();
    Color getSunColor(float timeOfDay) const;
    bool isMonsterOfArea(const MonsterType* type) const;
    // A random point of a block place (stream 0); zone -1 for a place
    // outside the grid.
    ZonePosition randomPositionInBlock(int column, int row) const;
    // The definition's name, with " lvl <n>" for a level number above 0.
    std::string getName() const;
    int getConnectionCount() const { return static_cast<int>(connections.size()); }
    const ConnectionPoint* getConnection(int i) const;

    // ---- Layout (LevelBuild.cpp)
    void ensureLayout();
    void acquireArea();
    void releaseArea();
    void buildLayout();
    std::array<int, 4> wantedEdges(int x, int y) const;
    int neighbourEdge(int x, int y, int side) const;
    int borderCode(int side, int position) const;
    bool expandFrom(int x, int y, int side, bool connectivity, std::vector<int>& pending);
    // A random reached point (stream 1); the centre with `valid` clear when
    // the built layout has no reached place to stand on.
    ZonePosition randomPositionInArea(bool* valid = nullptr);
    bool isPlaceReachable(int x, int y) const;
    int getPlace(int x, int y) const;
    // The area file of the layout (the editor's area for the preview).
    AreaResource* getArea() const;
    // The grid limits the layout may use: min("MaxBlockWidth", GW) when set.
    int usableWidth() const;
    int usableHeight() const;

    // ---- Cells (LevelCells.cpp)
    ResourceHandle getCellTile(int tileX, int tileY);
    // The object on a tile: its model in `handle`, its state in `state`
    // (may be null); -1 and a released handle for none.
    int getCellObject(int tileX, int tileY, ResourceHandle& handle, CellObjectState** state);
    const DatabaseEntry* pickChestObject() const;
    const DatabaseEntry* pickTrapObject() const;
    int rollMonsterCountAt(int place) const;
    int rollChestCountAt(int place) const;
    void clearGrids();

    // ---- Collision (LevelCollision.cpp)
    // Cells outside the grid, of an unbuilt layout or of an unreached or
    // unusable place are blocked.
    bool isCellBlockedForMovement(int cellX, int cellY);
    bool isCellBlockedForSight(int cellX, int cellY);
    bool isPlaceUsable(int x, int y) const;
    bool isPlaceEmpty(int x, int y) const;
    void fillPlaceGrids(int place, int x, int y);

    // ---- Ground (LevelGround.cpp)
    // The ground record of a tile, built at its first request; an empty
    // record for a tile outside the level.
    const GroundCell& getGroundCell(int tileX, int tileY);
    void buildGroundCell(int tileX, int tileY, GroundCell& record);
    // Empties the ground cells so that they are built again.
    void clearGroundCells();
    // The shader a map shows for the tile, referenced; -1 outside the level.
    ResourceHandle getMapShader(int tileX, int tileY);

    // ---- Fields
    bool pendingBuild = false;
    std::array<int, 8> neighbours{-1, -1, -1, -1, -1, -1, -1, -1};
    std::array<int, 4> borderKinds{1, 1, 1, 1};
    std::array<int, 4> borderOpenings{-1, -1, -1, -1};
    uint32_t seed = 0;
    AreaDefinition* definition = nullptr;
    Section* section = nullptr;
    int zone = -1;
    int gridColumn = -1;
    int gridRow = -1;
    int levelNumber = 0;
    int monsterLevel = 1;
    bool gateFlag = false;
    ZonePosition gateSpot{-1, 0.0f, 0.0f};
    std::vector<ConnectionPoint> connections;
    bool subLevel = false;
    Level* parent = nullptr;

private:
    void createLayout();
    void deleteLayout();
    void buildFilled(AreaResource& area);
    void buildGrown(AreaResource& area);
    void connectivityPass(int start);
    bool isCellBlocked(int cellX, int cellY, bool sight);

    std::unique_ptr<LevelLayout> m_layout;
};
