#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "engine/resources/ResourceHandle.h"
#include "ui/maps/ExploredLevel.h"
#include "ui/maps/MapLabel.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class ByteBuffer;
class ClientView;
class MapWorld;
class UIDrawing;
class UIMenu;
class UIScrollBar;
class UIWidget;
struct UITooltip;

// The full-screen map of the levels the player knows, with the fog of what
// was explored, labels, the covenant key, scrolling, dragging and gate
// clicks; it also keeps the explored state of every level, which the
// mini-map reads and each character's ".map" file stores.
class WorldMap : public Singleton<WorldMap> {
public:
    // Highest level index a file or message may name.
    static constexpr int kMaxLevelIndex = 4095;
    // One map unit per level side: a level is a 128 × 128 square.
    static constexpr float kLevelSpan = 128.0f;
    static constexpr int kFileVersion = 39;

    WorldMap(MapWorld& world, ClientView& view);
    ~WorldMap();

    // Variables, the menu and bars, images and the key font.
    void registerCommands(UIDrawing* drawing);
    void findWidgets();

    void update(float seconds);
    bool isShown() const;
    void draw();
    bool onClick(int button, bool down, int x, int y);
    bool getTooltip(UITooltip& out);
    void resetForWorld(int worldId, int seed);

    ExploredLevel* getExploredLevel(int level, bool create);
    // The alpha a point at that distance from the player lifts its cell to.
    static int exploreAlpha(float distance);
    void setExploredCell(int level, int cx, int cy, int alpha);
    // Grows with every change of the explored state (a cell raised, the
    // levels dropped or read): readers redraw what they made of it.
    uint32_t getExploredChanges() const { return m_exploredChanges; }
    float getTileExplored(int tileX, int tileY, int level) const;
    float getTileVisibility(int tileX, int tileY, int level) const;
    void notePortal(const ZonePosition& entity, const ZonePosition& target);
    void updateAreas();
    void recreateTextures();
    bool isAtGate() const;
    bool isDragging() const { return m_dragging; }

    // The ".map" file of a character name (Part of the character's files).
    bool saveExplored(const std::string& fileName);
    void loadExplored(const std::string& fileName);
    // The file's bytes, and reading them whole: false (nothing changed) when
    // they are refused, with the field named and the buffer at its offset.
    void writeExplored(ByteBuffer& out) const;
    bool readExplored(ByteBuffer& in, std::string& field);

    // ---- State read by the mini-map and the tests
    int getGridSide() const { return m_n; }
    int getWorldId() const { return m_worldId; }
    int getWorldSeed() const { return m_worldSeed; }
    int getLevelTableSize() const { return static_cast<int>(m_levels.size()); }
    const std::vector<MapLabel>& getLabels() const { return m_labels; }
    int getHoveredLabel() const { return m_hovered; }
    int getMapSize() const { return m_mapSize; }
    Vec2 getOrigin() const { return {static_cast<float>(m_originX), static_cast<float>(m_originY)}; }
    bool isOffGrid() const { return m_offGrid; }
    UIScrollBar* getVerticalBar() const;
    UIScrollBar* getHorizontalBar() const;
    // Level names as drawn: text and centre point in map units.
    struct NameMark {
        std::string text;
        Vec2 at;
        bool questLevel;
    };
    const std::vector<NameMark>& getNames() const { return m_names; }
    // Where a name of that laid-out size is written (its top-left corner on
    // the screen); false when it is left out. See WorldMapDraw.cpp.
    bool placeName(const NameMark& name, Vec2 size, Vec2& out) const;
    // The part of the screen the map shows between its bars: x0, y0, x1, y1.
    std::array<float, 4> openArea() const;

    // The per-frame layout without drawing: origin, map size, recentring,
    // labels, hover and names (draw calls it, then draws).
    void layout();
    // Map point of a position inside a level, and the screen point of a
    // map point (through the client's camera).
    Vec2 mapPoint(const ZonePosition& position) const;
    Vec2 levelCentre(int level) const;
    // Where a position stands on the screen while the map is drawn.
    Vec2 screenPointOf(const ZonePosition& position) const { return screenPoint(mapPoint(position)); }
    bool isLevelShown(int level) const;

private:
    void explore(const ZonePosition& player);
    void addLabels(const ZonePosition& player);
    void addLabel(const ZonePosition& at, const float colour[3], int kind, float size, std::string text,
                  int target);
    void hover();
    Vec2 groundPoint(Vec2 map) const;
    Vec2 screenPoint(Vec2 map) const;
    bool isKnownLevel(int level) const;
    void uploadLevel(ExploredLevel& level);
    void dropLevels();

    MapWorld& m_world;
    ClientView& m_view;
    UIDrawing* m_drawing = nullptr;
    int m_worldId = -1;
    int m_worldSeed = 0;
    std::vector<std::unique_ptr<ExploredLevel>> m_levels;
    uint32_t m_exploredChanges = 0;
    UserVarRef m_drawWorldMap;
    UserVarRef m_showZoneNames;
    SafePtr<UIMenu> m_menu;
    SafePtr<UIWidget> m_verticalBar;
    SafePtr<UIWidget> m_horizontalBar;
    int m_mapSize = 0;
    int m_verticalSize = -1;
    int m_horizontalSize = -1;
    bool m_recentre = true;
    int m_originX = 0;
    int m_originY = 0;
    int m_viewRow = 0;
    int m_viewColumn = 0;
    ResourceHandle m_circle;
    ResourceHandle m_plus;
    ResourceHandle m_cross;
    ResourceHandle m_keyFont;
    std::vector<MapLabel> m_labels;
    std::vector<bool> m_labelShown;
    std::vector<NameMark> m_names;
    std::string m_tooltipText;
    Vec2 m_tooltipSize;
    Vec2 m_tooltipPosition;
    int m_hovered = -1;
    bool m_dragging = false;
    int m_dragX = 0;
    int m_dragY = 0;
    bool m_offGrid = false;
    ZonePosition m_player{-1, 0.0f, 0.0f};
    int m_n = 64;
};
