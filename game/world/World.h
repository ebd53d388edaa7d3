#pragma once

#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition.h"
#include "engine/resources/ResourceHandle.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class AreaDefinition;
class DatabaseEntry;
class Level;
class MonsterType;
class Section;
class WorldGrid;
struct GroundCell;

// One record of the "World" entry's "WorldSize" list.
struct WorldSize {
    std::string name;
    int sectionLevelDepth = 0;
    float sectionMinLevelsMult = 0.0f;
    int width = 0;
    int height = 0;
    int entryId = -1;
};

// A player's (or the town's) hold on the levels around it.
struct WorldView {
    int key = 0;
    int zone = -1;  // of the last position reported
    int level = -1; // whose neighbourhood is held
};

// The one object that knows the world's levels: the level list (the index is
// the zone number), which level lies next to which, and who hears of levels
// being built and released. Loading lays the sections out on the grid and
// seeds every level (WorldLoad.cpp, WorldJoins.cpp); views keep the levels
// around each player built (WorldViews.cpp); per-level questions
// (WorldLevels.cpp) and per-cell ones across level edges (WorldCells.cpp).
class World : public Singleton<World> {
public:
    using LevelCallback = std::function<void(int level)>;
    // The four listener lists.
    enum ListenerList { kFirstBuilt, kSecondBuilt, kFirstReleased, kSecondReleased, kListenerListCount };
    // Town views take keys from here downward; -1 is the local client's
    // drawing key and -1000 the editor's.
    static constexpr int kFirstTownKey = -2;
    static constexpr int kMaxSections = 2;

    // ---- Loading (WorldLoad.cpp)
    // Back to an empty world: views released and removed, levels, areas,
    // sections, sizes and the secret seed gone. The layout seed and the
    // requested size stay.
    void reset();
    // Reads "World", lays out the sections and seeds every level. No "World"
    // entry, or no world size at all, is a critical error.
    void load();
    bool isLoaded() const { return m_loaded; }
    // Appends the secret levels from secretSeed (stream 3); a repeated call
    // first removes the ones it made before.
    void createSecretLevels();
    uint32_t getWorldSeed() const { return m_worldSeed; }
    void setWorldSeed(uint32_t seed) { m_worldSeed = seed; }
    uint32_t getSecretSeed() const { return m_secretSeed; }
    void setSecretSeed(uint32_t seed) { m_secretSeed = seed; }
    // A world-size entry id, or -1 for "Standard".
    int getRequestedWorldSize() const { return m_requestedWorldSize; }
    void setRequestedWorldSize(int entryId) { m_requestedWorldSize = entryId; }
    int getStartLevelIndex() const { return m_startLevelIndex; }
    void setStartLevelIndex(int index) { m_startLevelIndex = index; }
    // Where the world's quest-solved bits start in a player's hint flags: bit 0
    // is the tutorial, each of the four start difficulties has 16.
    int getTutorialBaseIndex() const { return 1 + 16 * std::clamp(m_startLevelIndex, 0, 3); }
    const std::vector<WorldSize>& getWorldSizes() const { return m_worldSizes; }
    // The chosen record; null before a load.
    const WorldSize* getWorldSize() const;
    int getFirstSecretLevel() const { return m_firstSecretLevel; }
    int getNumSecretLevels() const { return m_numSecretLevels; }
    int getNamedSecretLevel() const { return m_namedSecretLevel; }
    int getMaxMonsterLevel() const { return m_maxMonsterLevel; }
    int getMinMonsterLevel() const { return m_minMonsterLevel; }
    int getSectionCount() const { return static_cast<int>(m_sections.size()); }
    Section* getSection(int index) const;
    const std::vector<std::unique_ptr<AreaDefinition>>& getSecretAreas() const { return m_secretAreas; }
    // The areas of the sections in load order (the world's area numbers);
    // null out of range.
    AreaDefinition* getArea(int number) const;
    int getAreaCount() const { return static_cast<int>(m_areas.size()); }
    // Numbers an area the sections loaded.
    int registerArea(AreaDefinition* area);
    // The entry an item of the owner's list names; a name that matches none
    // is logged with the list's file and line, and gives null.
    static const DatabaseEntry* findListedEntry(const DatabaseEntry* owner, const char* key,
                                                const std::string& name);

    // ---- Layout (WorldJoins.cpp); the grid lives while load runs
    WorldGrid* getGrid() const { return m_grid.get(); }
    // Stores a level in a cell and keeps the bounds; a level is added to the
    // list. Returns its index (-1 for none).
    int setGridCell(int lateral, int depth, std::unique_ptr<Level> level, bool mainPath);
    // mode: a Level::BorderKind; the same area makes the sides continuous.
    void joinCells(Level* a, Level* b, int mode);
    void connectGridCells();
    void connectAreas();
    // Appends the new level below `upper` and gives both a connection point.
    int connectLevels(Level* upper, std::unique_ptr<Level> lower);
    const std::vector<std::pair<int, int>>& getBorderPairs() const { return m_borderPairs; }

    // ---- Views (WorldViews.cpp)
    // Loads the World when needed; an existing view of the key moves.
    void addPlayerView(int key, int level);
    // Releases the view's levels and forgets it.
    void removePlayerView(int key);
    // A view on the town under a free key from -2 down, unless a view holds
    // level 0 already.
    void addTownView();
    // Moves the view once the position lies half a level beyond the held
    // level; `level` becomes the held level (-1 without a view).
    void updatePlayerView(int key, const ZonePosition& position, int& level);
    const WorldView* getView(int key) const;
    const std::map<int, WorldView>& getViews() const { return m_views; }
    // A reference with the key, and at the top call also on the levels
    // reached through connection points.
    void acquireLevel(int level, int key, bool top = true);
    void releaseLevel(int level, int key, bool top = true);

    // ---- Level questions (WorldLevels.cpp); neutral for -1 and out of range
    std::string getLevelName(int level) const;
    int getLevelMonsterLevel(int level) const;
    // (-1, -1) off the grid; (0, 0) out of range.
    void getLevelGridPosition(int level, int& lateral, int& depth) const;
    ZonePosition getLevelStoredPosition(int level) const;
    // The neighbour in a direction 0 … 7.
    int getNeighbourLevel(int level, int direction) const;
    AreaDefinition* getLevelDefinition(int level) const;
    std::string getLevelSoundFile(int level) const;
    std::string getLevelTextFile(int level) const;
    std::string getTreasureMapChestName(int level) const;
    bool levelAllowsUniqueMonsters(int level) const;
    ZonePosition randomPositionInLevel(int level);
    // Among the levels whose area has monsters (sub-levels skipped on
    // request): those based at the wanted level when there are any, else
    // those whose range holds it; the roll picks. -1 for none.
    int pickLevelForMonsterLevel(int monsterLevel, float roll, bool skipSubLevels) const;
    // The top of the parent chain; -1 without a parent.
    int getRootLevel(int level) const;
    bool isSubLevel(int level) const;
    // Gate kind 1 is "ObjectGate"; others are the level area's up gate, or
    // its down gate toward the target level below it.
    std::string getGateName(int level, int kind, int targetLevel) const;
    // Forwards to the level and its area.
    int rollMonsterCountAt(int level, int place) const;
    int rollChestCountAt(int level, int place) const;
    bool isPlaceUsable(int level, int x, int y) const;
    MonsterType* pickMonsterToSpawn(int level, int& monsterLevel) const;

    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // ---- Levels
    // Takes the level; its zone becomes its index.
    int addLevel(std::unique_ptr<Level> level);
    Level* getLevel(int index) const;
    int getLevelCount() const { return static_cast<int>(m_levels.size()); }
    // The neighbour direction 0 … 7 of a step dx (lateral), dy (depth) of
    // -1 … 1; -1 for no step or a longer one.
    static int neighbourDirection(int dx, int dy);
    // The level's neighbour by dx (lateral) and dy (depth), -1 for none.
    int getNeighbourLevel(int level, int dx, int dy) const;
    // Hands the level neighbours to the zone positions.
    void installNeighbourFunction();

    // ---- Building
    // Returns an id for removeLevelListener.
    int addLevelListener(ListenerList list, LevelCallback callback);
    void removeLevelListener(int id);
    // The first built list, and the second too when `both` is set.
    void notifyLevelBuilt(const Level& level, bool both);
    // Only the second built list: the level's graphics came later.
    void notifyLevelDrawable(const Level& level);
    // The first released list when the last reference went, the second when
    // only the drawing resources were dropped.
    void notifyLevelReleased(const Level& level, bool drawingOnly);
    // Finishes pending builds (once per main-loop pass): those whose area
    // file is loaded, or, while this process runs the server, all of them,
    // waiting for the files the loader has not read yet.
    void completePendingBuilds();
    // On while the server's Game plays on this World: what a step draws must
    // not follow the loader thread's pace, so a build completes at the first
    // pass after its request however long the file takes.
    void setBuildsWaitForFiles(bool wait) { m_buildsWaitForFiles = wait; }
    // True while a level waits for its build (the loader thread's layout or
    // the main thread's finish).
    bool hasPendingBuilds() const;

    // ---- Cells across level edges (WorldCells.cpp)
    // Moves tile coordinates outside the level into the neighbouring level;
    // false when there is none.
    bool wrapCell(int& tileX, int& tileY, int& level) const;
    bool wrapCollisionCell(int& cellX, int& cellY, int& level) const;
    // The tile's drawn shader, else the area's "DefaultShader".
    ResourceHandle getCellShader(int tileX, int tileY, int level);
    // The ground record of a tile, across level edges; null for none.
    const GroundCell* getBuildCell(int tileX, int tileY, int level);
    bool isLevelLoaded(int level) const;
    // The cell under a position is blocked; true outside the world.
    bool isBlockedForMovement(const ZonePosition& position);
    bool isBlockedForSight(const ZonePosition& position);
    // Square rings around the position, ring 0 outward, out to the whole
    // rings of radius / cell size: true at the first cell blocked for movement.
    bool isCircleBlocked(const ZonePosition& position, float radius);
    // r_groundDetail changed: the area of every built level takes its ground
    // detail again and the level's ground cells are built anew.
    void applyGroundDetail();

private:
    bool isCellBlocked(int cellX, int cellY, int level, bool sight);
    void moveView(WorldView& view, int level);
    // Moves the gate spot and connection points of a newly built level that
    // have no free cell within four rings onto the nearest free cell.
    void settleSpots(Level& level);
    AreaDefinition* pickSecretArea();
    void makeSecretLevel(AreaDefinition* area);
    // "StartingMonsterLevel" of the start index: the town's monster level and
    // the secret levels'.
    int startingMonsterLevel() const;
    void removeSecretLevels();

    bool m_loaded = false;
    uint32_t m_worldSeed = 0;
    uint32_t m_secretSeed = 0;
    int m_requestedWorldSize = -1;
    int m_startLevelIndex = 0;
    std::vector<WorldSize> m_worldSizes;
    int m_worldSizeIndex = -1;
    std::vector<std::unique_ptr<AreaDefinition>> m_secretAreas;
    float m_secretWeightSum = 0.0f;
    int m_firstSecretLevel = -1;
    int m_numSecretLevels = 0;
    int m_namedSecretLevel = -1;
    std::vector<std::unique_ptr<Section>> m_sections;
    std::vector<AreaDefinition*> m_areas;
    std::unique_ptr<WorldGrid> m_grid;
    std::vector<std::pair<int, int>> m_borderPairs;
    std::map<int, WorldView> m_views;
    int m_maxMonsterLevel = 0;
    int m_minMonsterLevel = 100;

    std::vector<std::unique_ptr<Level>> m_levels;
    std::array<std::vector<std::pair<int, LevelCallback>>, kListenerListCount> m_listeners;
    int m_nextListenerId = 1;
    bool m_destroying = false;
    bool m_buildsWaitForFiles = false;
};

// The map cell of a local position: floor(x / "MapCellSize"), floor(y / …).
void positionToMapCell(float x, float y, int& mapX, int& mapY);
