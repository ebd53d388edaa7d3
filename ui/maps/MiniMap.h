#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition.h"
#include "engine/resources/ResourceHandle.h"
#include "ui/maps/MapLabel.h"

#include <cstdint>
#include <string>
#include <vector>

class ClientView;
class MapWorld;
class UIDrawing;
class WorldMap;
struct UITooltip;

// The small map over the game scene: a wrap-around 128 × 128 picture of the
// floor around the camera target, darkened by the world map's fog, drawn
// inside the "MiniMapMask" stencil with markers for what is near.
class MiniMap : public Singleton<MiniMap> {
public:
    static constexpr int kSide = 128;
    // Markers farther than this (in tiles of the zoom) are left out.
    static constexpr float kMarkerReach = 75.0f;

    MiniMap(MapWorld& world, ClientView& view, WorldMap& worldMap);
    ~MiniMap();

    void registerVars(UIDrawing* drawing);
    void draw();
    bool isShown() const;
    // The picture is made anew at the next update.
    void invalidate() { m_valid = false; }
    // After a display restart: a new texture of the same pixels.
    void recreateTexture();
    bool getTooltip(UITooltip& out) const;
    // The interface point (x, y) lies on the map's disc as drawn.
    bool covers(int x, int y) const;

    // Brings the picture to the camera target.
    void updatePicture(const ZonePosition& centre);
    int getZoom() const { return m_zoom; }
    int getTilesPerSide() const { return m_tilesPerSide; }
    int getPixelsPerTile() const { return m_pixelsPerTile; }
    int getOffsetX() const { return m_offsetX; }
    int getOffsetY() const { return m_offsetY; }
    // Pixel (x, y) of the wrap-around texture.
    const uint8_t* pixel(int x, int y) const
    {
        return m_pixels.data() + (static_cast<size_t>(y) * kSide + x) * 4;
    }
    // The picture as seen: texture pixels read from the wrap offsets on.
    std::vector<uint8_t> unwrapped() const;
    // How many tiles the last update redrew.
    int getRefreshedTiles() const { return m_refreshed; }
    // Where the last drawn picture lay: its corner relative to the camera
    // target and the camera scale its side was multiplied by.
    Vec2 getPlacement() const { return m_placement; }
    // The camera target the picture was last brought to.
    const ZonePosition& getLastCentre() const { return m_lastCentre; }
    float getScale() const { return m_scale; }
    // A marker's centre from the picture's corner, before the camera scale.
    Vec2 markerPlace(const MapLabel& label) const;
    const std::vector<MapLabel>& getLabels() const { return m_labels; }

private:
    void readZoom();
    void refreshTile(int column, int row);
    void addMarkers(const ZonePosition& target);

    MapWorld& m_world;
    ClientView& m_view;
    WorldMap& m_worldMap;
    UIDrawing* m_drawing = nullptr;
    int m_texture = -1;
    std::vector<uint8_t> m_pixels;
    int m_offsetX = 0;
    int m_offsetY = 0;
    int m_zoom = 0;
    int m_tilesPerSide = 32;
    int m_pixelsPerTile = 4;
    bool m_valid = false;
    ZonePosition m_lastCentre{-1, 0.0f, 0.0f};
    int m_firstColumn = 0;
    int m_firstRow = 0;
    int m_refreshed = 0;
    uint32_t m_exploredSeen = 0;
    Vec2 m_placement;
    float m_scale = 1.0f;
    float m_viewFactor = 1.0f;
    UserVarRef m_on;
    UserVarRef m_zoomVar;
    UserVarRef m_alpha;
    UserVarRef m_size;
    UserVarRef m_location;
    ResourceHandle m_mask;
    ResourceHandle m_circle;
    std::vector<MapLabel> m_labels;
    std::string m_tooltipText;
    Vec2 m_tooltipPosition;
    int m_hovered = -1;
};
