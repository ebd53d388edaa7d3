#include "ui/maps/MiniMap.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/input/Input.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/maps/MapWorld.h"
#include "ui/maps/WorldMap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kEntityNumbers = 1000;
constexpr int kNoMapColour = 146;
constexpr float kHoverReach = 10.0f;

int wrap(int value)
{
    return ((value % MiniMap::kSide) + MiniMap::kSide) % MiniMap::kSide;
}

void colourOf(int index, float out[3])
{
    Color c = ColorSystem::getColor(index >= 0 && index < 149 ? index : 0);
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

} // namespace

MiniMap::MiniMap(MapWorld& world, ClientView& view, WorldMap& worldMap)
    : m_world(world), m_view(view), m_worldMap(worldMap),
      m_pixels(static_cast<size_t>(kSide) * kSide * 4, 255)
{
}

MiniMap::~MiniMap()
{
    if (m_drawing && m_texture >= 0) {
        m_drawing->deleteTexture(m_texture);
    }
}

void MiniMap::registerVars(UIDrawing* drawing)
{
    m_drawing = drawing;
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        m_on = vars->getVar("miniMapOn", "1", UserVarSystem::kCreate);
        m_zoomVar = vars->getVar("miniMapZoom", "8", UserVarSystem::kCreate);
        m_alpha = vars->getVar("miniMapAlpha", "0.5", UserVarSystem::kCreate);
        m_size = vars->getVar("miniMapSize", "128.0", UserVarSystem::kCreate);
        m_location = vars->getVar("miniMapLocation", "1", UserVarSystem::kCreate);
    }
    if (drawing) {
        m_mask = drawing->acquireImage("MiniMapMask", 6);
        m_circle = drawing->acquireImage("Textures/circle.tga", 6);
        m_texture = drawing->uploadTexture(-1, m_pixels.data(), kSide, kSide, true);
    }
}

void MiniMap::recreateTexture()
{
    if (m_drawing) {
        m_texture = m_drawing->uploadTexture(-1, m_pixels.data(), kSide, kSide, true);
    }
}

bool MiniMap::isShown() const
{
    UserVarSystem* vars = UserVarSystem::instance();
    bool ui = !vars || getUserVarInt("drawUI") != 0;
    return ui && m_on.isValid() && m_on.getInt() != 0;
}

void MiniMap::readZoom()
{
    int zoom = m_zoomVar.isValid() ? m_zoomVar.getInt() : 8;
    if (zoom != 8 && zoom != 16 && zoom != 32) {
        zoom = 8;
    }
    if (zoom != m_zoom) {
        m_zoom = zoom;
        m_tilesPerSide = zoom * 4;
        m_pixelsPerTile = kSide / m_tilesPerSide;
        m_valid = false;
    }
}

void MiniMap::refreshTile(int column, int row)
{
    ++m_refreshed;
    const int ppt = m_pixelsPerTile;
    int x0 = wrap(m_offsetX + column * ppt);
    // Rows run the way the ground's y does: the picture lies on the ground
    // in the same turn as the scene and the markers.
    int y0 = wrap(m_offsetY + row * ppt);
    int tx = m_firstColumn + column;
    int ty = m_firstRow + row;
    int level = m_lastCentre.zone;
    MapTileColours colours;
    bool known = m_world.wrapCell(tx, ty, level) && m_world.getTileColours(level, tx, ty, ppt, colours) &&
                 colours.rgba && colours.side == ppt;
    float v = known ? m_worldMap.getTileVisibility(tx, ty, level) : 0.0f;
    for (int py = 0; py < ppt; ++py) {
        for (int px = 0; px < ppt; ++px) {
            uint8_t* out = m_pixels.data() + (static_cast<size_t>(y0 + py) * kSide + (x0 + px)) * 4;
            if (!known || v <= 0.0f) {
                out[0] = out[1] = out[2] = 0;
                out[3] = 255;
                continue;
            }
            const uint8_t* in = colours.rgba + (static_cast<size_t>(py) * ppt + px) * 4;
            for (int c = 0; c < 3; ++c) {
                out[c] = v >= 1.0f ? in[c] : static_cast<uint8_t>(std::lround(static_cast<float>(in[c]) * v));
            }
            out[3] = in[3];
        }
    }
}

void MiniMap::updatePicture(const ZonePosition& centre)
{
    m_refreshed = 0;
    readZoom();
    const float tile = m_world.getTileSize();
    int cx = static_cast<int>(std::floor(centre.x / tile));
    int cy = static_cast<int>(std::floor(centre.y / tile));
    int lastX = static_cast<int>(std::floor(m_lastCentre.x / tile));
    int lastY = static_cast<int>(std::floor(m_lastCentre.y / tile));
    int dx = cx - lastX, dy = cy - lastY;
    const int tps = m_tilesPerSide;
    // Cells of two levels cannot be compared: another zone redraws it all,
    // and so does ground explored since the last update, which may lie
    // anywhere in the picture.
    const uint32_t explored = m_worldMap.getExploredChanges();
    bool whole = !m_valid || centre.zone != m_lastCentre.zone || std::abs(dx) >= tps || std::abs(dy) >= tps ||
                 explored != m_exploredSeen;
    m_exploredSeen = explored;
    m_lastCentre = centre;
    m_firstColumn = cx - tps / 2;
    m_firstRow = cy - tps / 2;
    if (whole) {
        m_offsetX = 0;
        m_offsetY = 0;
        for (int row = 0; row < tps; ++row) {
            for (int column = 0; column < tps; ++column) {
                refreshTile(column, row);
            }
        }
        m_valid = true;
        return;
    }
    m_offsetX = wrap(m_offsetX + dx * m_pixelsPerTile);
    m_offsetY = wrap(m_offsetY + dy * m_pixelsPerTile);
    // The columns and rows that came into view.
    int columnFrom = dx > 0 ? tps - dx : 0;
    int columnTo = dx > 0 ? tps : -dx;
    int rowFrom = dy > 0 ? tps - dy : 0;
    int rowTo = dy > 0 ? tps : -dy;
    for (int row = 0; row < tps; ++row) {
        for (int column = 0; column < tps; ++column) {
            bool newColumn = column >= columnFrom && column < columnTo;
            bool newRow = row >= rowFrom && row < rowTo;
            if (newColumn || newRow) {
                refreshTile(column, row);
            }
        }
    }
}

std::vector<uint8_t> MiniMap::unwrapped() const
{
    std::vector<uint8_t> out(m_pixels.size());
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            std::memcpy(out.data() + (static_cast<size_t>(y) * kSide + x) * 4,
                        pixel(wrap(m_offsetX + x), wrap(m_offsetY + y)), 4);
        }
    }
    return out;
}

void MiniMap::addMarkers(const ZonePosition& target)
{
    m_labels.clear();
    const float zoom = static_cast<float>(m_zoom > 0 ? m_zoom : 8);
    auto near = [&](const ZonePosition& at, Vec2& offset) {
        ZonePosition local = at;
        if (local.zone != target.zone) {
            return false;
        }
        offset = {(local.x - target.x) / zoom, (local.y - target.y) / zoom};
        return std::abs(offset.x) <= kMarkerReach && std::abs(offset.y) <= kMarkerReach;
    };
    ZonePosition at;
    std::string text;
    int code = 0;
    Vec2 offset;
    for (int number = 0; number < kEntityNumbers; ++number) {
        if (!m_view.getMapEntity(number, false, at, text, code) || !near(at, offset)) {
            continue;
        }
        MapLabel label;
        label.position = at;
        colourOf(code != kNoMapColour ? code : 0, label.colour);
        label.text = text;
        m_labels.push_back(std::move(label));
    }
    const float tile = m_world.getTileSize();
    for (int level = 0; level < std::min(m_world.getLevelCount(), m_worldMap.getLevelTableSize()); ++level) {
        if (!m_worldMap.getExploredLevel(level, false)) {
            continue;
        }
        for (int edge = 0; edge < 4; ++edge) {
            int other = -1, tx = 0, ty = 0;
            if (!m_world.getEdgeLabel(level, edge, other, tx, ty) ||
                m_worldMap.getTileVisibility(tx, ty, level) <= 0.5f) {
                continue;
            }
            ZonePosition where(level, (static_cast<float>(tx) + 0.5f) * tile,
                               (static_cast<float>(ty) + 0.5f) * tile);
            if (!near(where, offset)) {
                continue;
            }
            MapLabel label;
            label.position = where;
            colourOf(7, label.colour);
            label.kind = MapLabel::Connection;
            label.text =
                "Connection from " + m_world.getLevelName(level) + " to " + m_world.getLevelName(other);
            m_labels.push_back(std::move(label));
        }
    }
}

Vec2 MiniMap::markerPlace(const MapLabel& label) const
{
    const float size = m_size.isValid() ? m_size.getFloat() : 128.0f;
    const float zoom = static_cast<float>(m_zoom > 0 ? m_zoom : 8);
    const float factor = 0.9f * (size / 128.0f) / (m_viewFactor > 0.0f ? m_viewFactor : 1.0f);
    const float half = size / 2.0f + 1.5f * static_cast<float>(m_pixelsPerTile);
    return {factor * (label.position.x - m_lastCentre.x) / zoom + half,
            factor * (label.position.y - m_lastCentre.y) / zoom + half};
}

bool MiniMap::covers(int x, int y) const
{
    const UISystem* ui = UISystem::instance();
    if (!ui || !m_view.isGameRunning() || !m_view.hasLocalPlayer() || !isShown()) {
        return false;
    }
    const UISettings& s = ui->getSettings();
    const float r = s.miniMapMaskSize.x / 2.0f;
    const float dx = static_cast<float>(x) - (s.miniMapMaskPosition.x + r);
    const float dy = static_cast<float>(y) - (s.miniMapMaskPosition.y + s.miniMapMaskSize.y / 2.0f);
    return r > 0.0f && dx * dx + dy * dy <= r * r;
}

bool MiniMap::getTooltip(UITooltip& out) const
{
    if (m_tooltipText.empty()) {
        return false;
    }
    out.text = m_tooltipText;
    out.position = m_tooltipPosition;
    out.size = {8.0f, 8.0f};
    out.alpha = 1.0f;
    return true;
}

void MiniMap::draw()
{
    m_tooltipText.clear();
    if (!m_drawing || !m_view.isGameRunning() || !m_view.hasLocalPlayer() || !isShown()) {
        return;
    }
    UISystem* ui = UISystem::instance();
    if (!ui) {
        return;
    }
    const UISettings& s = ui->getSettings();
    m_drawing->setOrthoOverlay();
    float white[3];
    colourOf(0, white);
    m_drawing->drawImage(m_mask, s.miniMapMaskPosition.x, s.miniMapMaskPosition.y,
                         s.miniMapMaskPosition.x + s.miniMapMaskSize.x,
                         s.miniMapMaskPosition.y + s.miniMapMaskSize.y, 1.0f, white, false, false);
    const float scale = m_drawing->setupPlayerCamera(0.0f, false);
    m_drawing->setStencilTest(true);
    const ZonePosition target = m_drawing->getCameraTarget();
    const float size = m_size.isValid() ? m_size.getFloat() : 128.0f;
    // The picture's centre stands under the mask's centre (wider screens
    // move it right): the ground is turned against the screen, so a corner
    // under the mask's corner would leave the camera target outside it.
    float ratio = m_drawing->getAspectRatio();
    float a = ratio > 1.4f ? ratio / 1.3333334f : 1.0f;
    float k = std::floor((a - 1.0f) * 69.0f + 0.5f);
    ZonePosition under = m_view.screenToWorld(s.miniMapMaskPosition.x + s.miniMapMaskSize.x / 2.0f + k,
                                              s.miniMapMaskPosition.y + s.miniMapMaskSize.y / 2.0f);
    // Near a level's edge the ground point lies in the next level; past the
    // world's edge it has none, and the last placement stays.
    const Vec2 local = ZonePosition::getLocal(under, target);
    if (std::fabs(local.x - target.x) < ZonePosition::kUnreachable / 2.0f) {
        m_placement = {local.x - target.x - size * scale / 2.0f, local.y - target.y - size * scale / 2.0f};
    }
    m_scale = scale;
    const Vec2 placement = m_placement;
    updatePicture(target);
    m_texture = m_drawing->uploadTexture(m_texture, m_pixels.data(), kSide, kSide, true);
    const float u = static_cast<float>(m_offsetX) / 127.0f, v = static_cast<float>(m_offsetY) / 127.0f;
    const float uv[4] = {u, v, u + 1.0f, v + 1.0f};
    ZonePosition at(target.zone, target.x + placement.x, target.y + placement.y);
    at.needsNormalizing = false;
    m_drawing->drawGroundQuad(m_texture, at, size * scale, uv, true, white,
                              m_alpha.isValid() ? m_alpha.getFloat() : 0.5f);

    addMarkers(target);
    int mx = 0, my = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(mx, my);
    }
    m_viewFactor = m_drawing->getViewFactor();
    auto markerCentre = [&](const MapLabel& label) {
        const Vec2 place = markerPlace(label);
        ZonePosition c(target.zone, target.x + placement.x + scale * place.x,
                       target.y + placement.y + scale * place.y);
        c.needsNormalizing = false;
        return c;
    };
    float best = kHoverReach;
    m_hovered = -1;
    for (size_t i = 0; i < m_labels.size(); ++i) {
        Vec2 screen = m_view.worldToScreen(markerCentre(m_labels[i]));
        float d = std::hypot(screen.x - static_cast<float>(mx), screen.y - static_cast<float>(my));
        if (d < best) {
            best = d;
            m_hovered = static_cast<int>(i);
            m_tooltipPosition = {screen.x - 4.0f, screen.y - 4.0f};
        }
    }
    if (m_hovered >= 0) {
        m_labels[static_cast<size_t>(m_hovered)].size *= 4.0f;
        m_tooltipText = m_labels[static_cast<size_t>(m_hovered)].text;
    }
    for (const MapLabel& label : m_labels) {
        ZonePosition c = markerCentre(label);
        float side = label.size * scale;
        ZonePosition from(c.zone, c.x - side / 2.0f, c.y - side / 2.0f);
        from.needsNormalizing = false;
        m_drawing->drawGroundImage(m_circle, from, side, label.colour, 1.0f);
    }
    m_drawing->setStencilTest(false);
    m_drawing->setOrthoOverlay();
}
