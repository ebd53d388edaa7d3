#include "ui/maps/WorldMap.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/input/Input.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameEnums.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/maps/MapWorld.h"
#include "ui/widgets/UIScrollBar.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kEntityNumbers = 1000;
constexpr int kColourCount = 149;
constexpr int kNoMapColour = 146;
constexpr float kHoverReach = 10.0f;
const char* const kGateHint = "\n^c008Right click to teleport to gate";

void colourOf(int index, float out[3])
{
    Color c = ColorSystem::getColor(index >= 0 && index < kColourCount ? index : 0);
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

// The NPC types with an area in town.
const int kNpcAreaTypes[] = {1, 2, 3, 4, 6, 7, 8, 9};

bool within(Vec2 at, const std::array<float, 4>& box)
{
    return at.x >= box[0] && at.x <= box[2] && at.y >= box[1] && at.y <= box[3];
}

} // namespace

Vec2 WorldMap::levelCentre(int level) const
{
    int gx = 0, gy = 0;
    if (level >= 0 && level < m_world.getLevelCount()) {
        m_world.getGridPosition(level, gx, gy);
    }
    // An off-grid player level stands at the origin.
    if (m_offGrid && level == m_player.zone) {
        gx = m_originX;
        gy = m_originY;
    }
    return {kLevelSpan * static_cast<float>(gx - m_originX), kLevelSpan * static_cast<float>(gy - m_originY)};
}

Vec2 WorldMap::mapPoint(const ZonePosition& position) const
{
    Vec2 centre = levelCentre(position.zone);
    float side = static_cast<float>(m_world.getLevelTiles()) * m_world.getTileSize();
    if (!(side > 0.0f)) {
        return centre;
    }
    return {centre.x - kLevelSpan * 0.5f + kLevelSpan * (position.x / side),
            centre.y - kLevelSpan * 0.5f + kLevelSpan * (position.y / side)};
}

bool WorldMap::isLevelShown(int level) const
{
    if (level < 0 || level >= m_world.getLevelCount()) {
        return false;
    }
    if (m_offGrid) {
        return level == m_player.zone;
    }
    int gx = 0, gy = 0;
    m_world.getGridPosition(level, gx, gy);
    return gx >= 0 && gy >= 0;
}

bool WorldMap::isKnownLevel(int level) const
{
    if (static_cast<size_t>(level) < m_levels.size() && m_levels[static_cast<size_t>(level)]) {
        return true;
    }
    std::vector<int> gates = m_view.getActivatedGateLevels();
    return std::find(gates.begin(), gates.end(), level) != gates.end() || m_view.playerHasQuestInLevel(level);
}

Vec2 WorldMap::groundPoint(Vec2 map) const
{
    float column = static_cast<float>(m_viewColumn);
    float row = static_cast<float>(m_viewRow);
    return {m_player.x + map.x - 4.0f * column + 4.0f * row, m_player.y + map.y - 4.0f * column - 4.0f * row};
}

Vec2 WorldMap::screenPoint(Vec2 map) const
{
    Vec2 ground = groundPoint(map);
    ZonePosition at(m_player.zone, ground.x, ground.y);
    at.needsNormalizing = false;
    return m_view.worldToScreen(at);
}

void WorldMap::addLabel(const ZonePosition& at, const float colour[3], int kind, float size, std::string text,
                        int target)
{
    MapLabel label;
    label.position = at;
    std::copy(colour, colour + 3, label.colour);
    label.kind = kind;
    label.size = size;
    label.text = std::move(text);
    label.target = target;
    m_labels.push_back(std::move(label));
}

void WorldMap::addLabels(const ZonePosition& player)
{
    m_labels.clear();
    const bool atGate = isAtGate();
    float colour[3];
    std::string text;
    int code = 0;
    ZonePosition at;

    // The local player first (entity number -1 of the view).
    colourOf(0, colour);
    text.clear();
    if (m_view.getMapEntity(-1, true, at, text, code) && code != kNoMapColour) {
        colourOf(code, colour);
    }
    addLabel(player, colour, MapLabel::Plain, 4.0f, text, -1);
    for (int number = 0; number < kEntityNumbers; ++number) {
        if (!m_view.getMapEntity(number, true, at, text, code)) {
            continue;
        }
        colourOf(code != kNoMapColour ? code : 0, colour);
        addLabel(at, colour, MapLabel::Plain, 4.0f, text, -1);
    }
    for (int i = 0; i < m_view.getCovenantCount(); ++i) {
        const CovenantBase* covenant = m_view.getCovenant(i);
        if (!covenant || covenant->destroyed) {
            continue;
        }
        const CovenantDefinition* definition = covenant->getDefinition();
        colourOf(definition ? definition->color : 0, colour);
        std::string line = covenant->getDisplayName() + " covenant location";
        if (atGate) {
            line += "\n^c008Right click to teleport to covenant";
        }
        addLabel(covenant->housePosition, colour, MapLabel::Covenant, 8.0f, line, i);
    }
    colourOf(8, colour);
    ZonePosition own = m_view.getReturnPosition();
    if (own.zone != -1) {
        addLabel(own, colour, MapLabel::Gate, 4.0f, "Player's Gate", -1);
    }
    const float gateSize = atGate ? 12.0f : 4.0f;
    std::vector<int> gates = m_view.getActivatedGateLevels();
    for (size_t i = 0; i < gates.size(); ++i) {
        int level = gates[i];
        if (level < 0 || level >= m_world.getLevelCount()) {
            continue;
        }
        const ExploredLevel* record = static_cast<size_t>(level) < m_levels.size()
                                          ? m_levels[static_cast<size_t>(level)].get()
                                          : nullptr;
        ZonePosition where =
            record && record->gate.zone != -1 ? record->gate : m_world.getStoredPosition(level);
        addLabel(where, colour, MapLabel::Gate, gateSize,
                 m_world.getLevelName(level) + " Gate" + (atGate ? kGateHint : ""), static_cast<int>(i));
    }
    const float tile = m_world.getTileSize();
    for (size_t level = 0; level < m_levels.size(); ++level) {
        const ExploredLevel* record = m_levels[level].get();
        if (!record) {
            continue;
        }
        std::vector<MapConnection> connections = m_world.getConnections(static_cast<int>(level));
        for (size_t i = 0; i < connections.size(); ++i) {
            ZonePosition where = i < record->connections.size() && record->connections[i].zone != -1
                                     ? record->connections[i]
                                     : connections[i].position;
            int tx = static_cast<int>(std::floor(where.x / tile));
            int ty = static_cast<int>(std::floor(where.y / tile));
            if (getTileVisibility(tx, ty, where.zone) > 0.25f) {
                addLabel(where, colour, MapLabel::Gate, 4.0f,
                         "To " + m_world.getLevelName(connections[i].targetLevel), -1);
            }
        }
    }
    std::vector<ZonePosition> townGates = m_world.getTownGates();
    for (size_t i = 0; i < townGates.size(); ++i) {
        addLabel(townGates[i], colour, MapLabel::TownGate, gateSize,
                 std::string("Town Gate") + (atGate ? kGateHint : ""), static_cast<int>(i));
    }
    float edgeColour[3];
    colourOf(7, edgeColour);
    for (size_t level = 0; level < m_levels.size(); ++level) {
        if (!m_levels[level]) {
            continue;
        }
        const int l = static_cast<int>(level);
        for (int edge = 0; edge < 4; ++edge) {
            int other = -1, tx = 0, ty = 0;
            if (!m_world.getEdgeLabel(l, edge, other, tx, ty)) {
                continue;
            }
            if (getTileVisibility(tx, ty, l) > 0.5f) {
                ZonePosition where(l, (static_cast<float>(tx) + 0.5f) * tile,
                                   (static_cast<float>(ty) + 0.5f) * tile);
                addLabel(where, edgeColour, MapLabel::Connection, 8.0f,
                         "Connection from " + m_world.getLevelName(l) + " to " + m_world.getLevelName(other),
                         -1);
            }
        }
    }
    for (int type : kNpcAreaTypes) {
        ZonePosition where = m_world.getNpcPosition(type);
        if (where.zone == -1) {
            continue;
        }
        colourOf(type >= 6 ? 8 : 3, colour);
        addLabel(where, colour, MapLabel::Plain, 4.0f, "$$NpcType" + getNpcTypeName(type) + "$$ area", -1);
    }
}

void WorldMap::hover()
{
    m_tooltipText.clear();
    m_hovered = -1;
    int mx = 0, my = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(mx, my);
    }
    float best = kHoverReach;
    Vec2 bestAt;
    // Only the labels drawn: those of shown levels inside the open area.
    const std::array<float, 4> area = openArea();
    for (size_t i = 0; i < m_labels.size(); ++i) {
        if (!isLevelShown(m_labels[i].position.zone)) {
            continue;
        }
        Vec2 at = screenPoint(mapPoint(m_labels[i].position));
        if (!within(at, area)) {
            continue;
        }
        float d = std::hypot(at.x - static_cast<float>(mx), at.y - static_cast<float>(my));
        // Ties keep the earlier label.
        if (d < best) {
            best = d;
            bestAt = at;
            m_hovered = static_cast<int>(i);
        }
    }
    if (m_hovered >= 0) {
        MapLabel& label = m_labels[static_cast<size_t>(m_hovered)];
        label.size *= 4.0f;
        m_tooltipText = label.text;
        m_tooltipSize = {8.0f, 8.0f};
        m_tooltipPosition = {bestAt.x - 4.0f, bestAt.y - 4.0f};
    }
}

void WorldMap::layout()
{
    m_originX = 0;
    m_originY = 0;
    if (m_world.getLevelCount() > 0) {
        m_world.getGridPosition(0, m_originX, m_originY);
    }
    m_player = m_view.getPlayerPosition();
    m_labels.clear();
    m_names.clear();
    if (m_player.zone == -1) {
        m_tooltipText.clear();
        m_hovered = -1;
        return;
    }
    m_offGrid = false;
    if (m_player.zone >= 0 && m_player.zone < m_world.getLevelCount()) {
        int gx = 0, gy = 0;
        m_world.getGridPosition(m_player.zone, gx, gy);
        m_offGrid = gx < 0 || gy < 0;
    }

    int largestX = 0, largestY = 0;
    for (int level = 0; level < m_world.getLevelCount(); ++level) {
        if (!isKnownLevel(level)) {
            continue;
        }
        int gx = 0, gy = 0;
        m_world.getGridPosition(level, gx, gy);
        largestX = std::max(largestX, gx - m_originX);
        largestY = std::max(largestY, gy - m_originY);
    }
    m_mapSize = (largestX + largestY + 2) * 16;
    UIScrollBar* vertical = getVerticalBar();
    UIScrollBar* horizontal = getHorizontalBar();
    if (vertical && m_verticalSize != m_mapSize) {
        vertical->setRange(3 * m_mapSize, 60);
        m_verticalSize = m_mapSize;
    }
    if (horizontal && m_horizontalSize != m_mapSize) {
        horizontal->setRange(3 * m_mapSize, 60);
        m_horizontalSize = m_mapSize;
    }
    if (m_recentre) {
        Vec2 at = mapPoint(m_player);
        int column = static_cast<int>(std::floor((at.x + at.y) / 8.0f));
        int row = static_cast<int>(std::floor(static_cast<float>(column) - at.x / 4.0f));
        if (horizontal) {
            horizontal->scrollTo(column);
        }
        if (vertical) {
            vertical->scrollTo(m_mapSize - row - 1);
        }
    }
    if (vertical) {
        m_viewRow = m_mapSize - vertical->getFirstVisible() - 1;
    }
    if (horizontal) {
        m_viewColumn = horizontal->getFirstVisible();
    }

    addLabels(m_player);
    hover();

    if (!m_showZoneNames.isValid() || m_showZoneNames.getInt() != 0) {
        for (size_t level = 0; level < m_levels.size(); ++level) {
            const int l = static_cast<int>(level);
            if (!m_levels[level] || !isLevelShown(l)) {
                continue;
            }
            Vec2 centre = levelCentre(l);
            if (m_offGrid) {
                centre.y -= 70.0f;
            }
            m_names.push_back({m_world.getLevelName(l), centre, m_view.playerHasQuestInLevel(l)});
        }
    }
    m_recentre = false;
}

std::array<float, 4> WorldMap::openArea() const
{
    std::array<float, 4> area{0.0f, 0.0f, 640.0f, 480.0f};
    if (const UIWidget* bar = m_verticalBar.get()) {
        const Vec2 at = bar->getScreenPosition();
        area[1] = at.y;
        area[2] = at.x;
        area[3] = at.y + bar->getSize().y;
    }
    if (const UIWidget* bar = m_horizontalBar.get()) {
        area[3] = std::min(area[3], bar->getScreenPosition().y);
    }
    return area;
}

// A name stands just above its level's square on the screen, centred over it,
// so that the marks inside the level stay clear of it (off the grid, centred
// on its raised middle). It is kept inside the map's open area, clear of the
// bars, of the Close button above the area and of the status texts around
// it; a level whose middle lies outside that area has its name left out, and
// so has one that the message log, drawn over the map, would cover.
bool WorldMap::placeName(const NameMark& name, Vec2 size, Vec2& out) const
{
    const Vec2 middle = screenPoint(name.at);
    const std::array<float, 4> area = openArea();
    if (!within(middle, area)) {
        return false;
    }
    out = {middle.x - size.x * 0.5f, middle.y - size.y * 0.5f};
    if (!m_offGrid) {
        const float half = kLevelSpan * 0.5f;
        float top = middle.y;
        for (const Vec2 corner :
             {Vec2{-half, -half}, Vec2{half, -half}, Vec2{-half, half}, Vec2{half, half}}) {
            top = std::min(top, screenPoint({name.at.x + corner.x, name.at.y + corner.y}).y);
        }
        out.y = top - size.y - 2.0f;
    }
    out.x = std::max(area[0], std::min(out.x, area[2] - size.x));
    out.y = std::max(area[1], std::min(out.y, area[3] - size.y));
    std::array<float, 4> log;
    return !(m_drawing && m_drawing->messageLogBox(log) && out.x < log[2] && log[0] < out.x + size.x &&
             out.y < log[3] && log[1] < out.y + size.y);
}

void WorldMap::draw()
{
    if (!m_drawing) {
        layout();
        return;
    }
    // The map stands in place of the scene: the screen is cleared first.
    m_drawing->setupPlayerCamera(1.0f, true);
    layout();
    if (m_player.zone == -1) {
        m_drawing->setOrthoOverlay();
        return;
    }
    // The squares, names and marks stay inside the open area, off the bars
    // and the windows around it (the hot bar, the status texts).
    const std::array<float, 4> area = openArea();
    m_drawing->setClip(true, area);
    float white[3];
    colourOf(0, white);
    const float uv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    auto groundCorner = [this](Vec2 map) {
        Vec2 g = groundPoint(map);
        ZonePosition at(m_player.zone, g.x, g.y);
        at.needsNormalizing = false;
        return at;
    };
    for (size_t level = 0; level < m_levels.size(); ++level) {
        ExploredLevel* record = m_levels[level].get();
        if (!record || !isLevelShown(static_cast<int>(level))) {
            continue;
        }
        uploadLevel(*record);
        Vec2 centre = levelCentre(static_cast<int>(level));
        Vec2 corner{centre.x - kLevelSpan * 0.5f, centre.y - kLevelSpan * 0.5f};
        m_drawing->drawGroundQuad(record->texture, groundCorner(corner), kLevelSpan, uv, false, white, 1.0f);
    }

    m_drawing->setOrthoOverlay();
    UISystem* ui = UISystem::instance();
    const ResourceHandle& font = ui ? ui->getDefaultFont() : m_keyFont;
    for (const NameMark& name : m_names) {
        const Vec2 size = m_drawing->layoutText(font, name.text);
        Vec2 at;
        if (!placeName(name, size, at)) {
            continue;
        }
        float colour[3];
        colourOf(name.questLevel ? 2 : 0, colour);
        m_drawing->drawText(font, name.text, static_cast<int>(at.x), static_cast<int>(at.y), colour, false,
                            1.0f);
    }
    m_drawing->setClip(false, area);
    if (ui) {
        const UISettings& s = ui->getSettings();
        const int count = m_view.getCovenantCount();
        for (int i = 0; i < count; ++i) {
            const CovenantBase* covenant = m_view.getCovenant(i);
            if (!covenant || covenant->destroyed) {
                continue;
            }
            float y =
                std::round(s.worldMapKeyPosition.y - static_cast<float>(count - i) * s.worldMapKeyLineSpace);
            float x = std::round(s.worldMapKeyPosition.x);
            const CovenantDefinition* definition = covenant->getDefinition();
            float colour[3];
            colourOf(definition ? definition->color : 0, colour);
            m_drawing->drawImage(m_cross, x, y, x + s.worldMapKeyMarkerSize, y + s.worldMapKeyMarkerSize,
                                 1.0f, colour, false, false);
            m_drawing->drawText(m_keyFont.isValid() ? m_keyFont : font, covenant->getDisplayName(),
                                static_cast<int>(std::round(s.worldMapKeyTextOffset)), static_cast<int>(y),
                                white, false, 1.0f);
        }
    }

    m_drawing->setupPlayerCamera(1.0f, false);
    m_drawing->setClip(true, area);
    // A house stands among the town's people and areas, and a new player
    // at home: the covenants' crosses go over every dot, the player's (the
    // first label) over the others.
    auto layer = [this](size_t i) { return m_labels[i].kind == MapLabel::Covenant ? 2 : i == 0 ? 1 : 0; };
    for (int pass = 0; pass < 3; ++pass) {
        for (size_t i = 0; i < m_labels.size(); ++i) {
            const MapLabel& label = m_labels[i];
            if (layer(i) != pass || !isLevelShown(label.position.zone)) {
                continue;
            }
            Vec2 at = mapPoint(label.position);
            m_drawing->drawGroundImage(label.kind == MapLabel::Covenant ? m_plus : m_circle,
                                       groundCorner({at.x - label.size, at.y - label.size}),
                                       2.0f * label.size, label.colour, 1.0f);
        }
    }
    m_drawing->setClip(false, area);
    m_drawing->setOrthoOverlay();
}
