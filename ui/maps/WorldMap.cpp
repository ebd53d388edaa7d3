#include "ui/maps/WorldMap.h"

#include "engine/console/UserVarSystem.h"
#include "engine/input/Input.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/maps/MapWorld.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIScrollBar.h"

#include <algorithm>
#include <cmath>

namespace {

// Exploring looks this far around the player; closer than the near
// distance a cell is seen whole.
constexpr float kExploreReach = 400.0f;
constexpr float kExploreNear = 240.0f;

} // namespace

WorldMap::WorldMap(MapWorld& world, ClientView& view) : m_world(world), m_view(view)
{
    m_n = std::max(1, m_world.getLevelTiles() / 2);
}

WorldMap::~WorldMap()
{
    dropLevels();
}

void WorldMap::registerCommands(UIDrawing* drawing)
{
    m_drawing = drawing;
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        m_drawWorldMap = vars->getVar("drawWorldMap", "0", UserVarSystem::kCreate);
        m_showZoneNames = vars->getVar("wm_showZoneNames", "1", UserVarSystem::kCreate);
    }
    findWidgets();
    if (drawing) {
        m_circle = drawing->acquireImage("Textures/circle.tga", 6);
        m_plus = drawing->acquireImage("Textures/plus.tga", 6);
        m_cross = drawing->acquireImage("Textures/x.tga", 6);
        UISystem* ui = UISystem::instance();
        if (ui && !ui->getSettings().worldMapKeyFontName.empty()) {
            m_keyFont = drawing->loadFont(ui->getSettings().worldMapKeyFontName);
        }
    }
    m_n = std::max(1, m_world.getLevelTiles() / 2);
}

void WorldMap::findWidgets()
{
    UISystem* ui = UISystem::instance();
    m_menu = ui ? ui->findMenu("WorldMap") : nullptr;
    m_verticalBar = m_menu ? m_menu->findWidget("VerticalScrollBar") : nullptr;
    m_horizontalBar = m_menu ? m_menu->findWidget("HorizontalScrollBar") : nullptr;
    // New bars start empty: the next layout gives them their range.
    m_verticalSize = -1;
    m_horizontalSize = -1;
}

UIScrollBar* WorldMap::getVerticalBar() const
{
    return dynamic_cast<UIScrollBar*>(m_verticalBar.get());
}

UIScrollBar* WorldMap::getHorizontalBar() const
{
    return dynamic_cast<UIScrollBar*>(m_horizontalBar.get());
}

bool WorldMap::isShown() const
{
    return m_drawWorldMap.isValid() && m_drawWorldMap.getInt() != 0;
}

bool WorldMap::isAtGate() const
{
    return m_view.hasLocalPlayer() && m_view.getPlayerAction() == 14;
}

void WorldMap::dropLevels()
{
    for (std::unique_ptr<ExploredLevel>& level : m_levels) {
        if (level && level->texture >= 0 && m_drawing) {
            m_drawing->deleteTexture(level->texture);
        }
    }
    m_levels.clear();
    ++m_exploredChanges;
}

void WorldMap::resetForWorld(int worldId, int seed)
{
    dropLevels();
    m_recentre = true;
    m_mapSize = 0;
    m_verticalSize = -1;
    m_horizontalSize = -1;
    m_hovered = -1;
    m_worldId = worldId;
    m_worldSeed = seed;
    m_n = std::max(1, m_world.getLevelTiles() / 2);
}

ExploredLevel* WorldMap::getExploredLevel(int level, bool create)
{
    if (level < 0 || level > kMaxLevelIndex) {
        return nullptr;
    }
    if (static_cast<size_t>(level) < m_levels.size() && m_levels[static_cast<size_t>(level)]) {
        return m_levels[static_cast<size_t>(level)].get();
    }
    // Records only for levels the world holds: a damaged zone makes nothing.
    if (!create || (m_world.isLoaded() && level >= m_world.getLevelCount())) {
        return nullptr;
    }
    if (static_cast<size_t>(level) >= m_levels.size()) {
        m_levels.resize(static_cast<size_t>(level) + 1);
    }
    m_levels[static_cast<size_t>(level)] = std::make_unique<ExploredLevel>(m_n);
    return m_levels[static_cast<size_t>(level)].get();
}

void WorldMap::setExploredCell(int level, int cx, int cy, int alpha)
{
    ExploredLevel* record = getExploredLevel(level, true);
    if (!record || cx < 0 || cy < 0 || cx >= record->side || cy >= record->side) {
        return;
    }
    int sum[3] = {0, 0, 0};
    int count = 0;
    for (int t = 0; t < 4; ++t) {
        MapTileColours colours;
        if (m_world.getTileColours(level, 2 * cx + (t & 1), 2 * cy + (t >> 1), 1, colours) && colours.rgba) {
            for (int c = 0; c < 3; ++c) {
                sum[c] += colours.rgba[c];
            }
            ++count;
        }
    }
    uint8_t* pixel = record->cell(cx, cy);
    for (int c = 0; c < 3; ++c) {
        pixel[c] = static_cast<uint8_t>(count ? std::clamp(sum[c] / count, 0, 255) : 0);
    }
    pixel[3] = static_cast<uint8_t>(std::clamp(alpha, 0, 255));
    record->dirty = true;
    ++m_exploredChanges;
}

float WorldMap::getTileExplored(int tileX, int tileY, int level) const
{
    if (level < 0 || static_cast<size_t>(level) >= m_levels.size() || !m_levels[static_cast<size_t>(level)]) {
        return 0.0f;
    }
    const ExploredLevel& record = *m_levels[static_cast<size_t>(level)];
    int cx = tileX / 2, cy = tileY / 2;
    if (tileX < 0 || tileY < 0 || cx >= record.side || cy >= record.side) {
        return 0.0f;
    }
    int alpha = record.cell(cx, cy)[3];
    return alpha >= 255 ? 1.0f : static_cast<float>(alpha) / 255.0f;
}

float WorldMap::getTileVisibility(int tileX, int tileY, int level) const
{
    if (!m_world.wrapCell(tileX, tileY, level)) {
        return 0.0f;
    }
    auto explored = [this, level](int x, int y) {
        int l = level;
        return m_world.wrapCell(x, y, l) ? getTileExplored(x, y, l) : 0.0f;
    };
    // Toward the neighbouring cell: left or up from an even tile, else right or down.
    int sx = tileX % 2 == 0 ? -1 : 1;
    int sy = tileY % 2 == 0 ? -1 : 1;
    float v = 3.0f * explored(tileX, tileY) + explored(tileX + sx, tileY) + explored(tileX, tileY + sy) +
              explored(tileX + sx, tileY + sy);
    v /= 6.0f;
    return v >= 0.95f ? 1.0f : v;
}

int WorldMap::exploreAlpha(float d)
{
    if (d <= kExploreNear) {
        return 255;
    }
    if (d >= kExploreReach) {
        return 0;
    }
    return static_cast<int>((1.0f - (d - kExploreNear) / (kExploreReach - kExploreNear)) * 255.0f);
}

void WorldMap::explore(const ZonePosition& player)
{
    const float tile = m_world.getTileSize();
    const float step = 2.0f * tile;
    for (float dy = -kExploreReach; dy <= kExploreReach; dy += step) {
        for (float dx = -kExploreReach; dx <= kExploreReach; dx += step) {
            int level = player.zone;
            int tx = static_cast<int>(std::floor((player.x + dx) / tile));
            int ty = static_cast<int>(std::floor((player.y + dy) / tile));
            if (!m_world.wrapCell(tx, ty, level) || level < 0 || level >= m_world.getLevelCount() ||
                !m_world.isLevelLoaded(level)) {
                continue;
            }
            ExploredLevel* record = getExploredLevel(level, true);
            if (!record) {
                continue;
            }
            int cx = tx / 2, cy = ty / 2;
            if (cx < 0 || cy < 0 || cx >= record->side || cy >= record->side) {
                continue;
            }
            int old = record->cell(cx, cy)[3];
            if (old >= 255) {
                continue;
            }
            int alpha = exploreAlpha(std::sqrt(dx * dx + dy * dy));
            if (alpha > old) {
                setExploredCell(level, cx, cy, alpha);
            }
        }
    }
}

void WorldMap::update(float)
{
    if (m_world.isLoaded() && (m_world.getWorldId() != m_worldId || m_world.getWorldSeed() != m_worldSeed)) {
        resetForWorld(m_world.getWorldId(), m_world.getWorldSeed());
    }
    if (m_worldId == -1) {
        return;
    }
    UISystem* ui = UISystem::instance();
    UIMenu* menu = m_menu.get();
    if (isShown()) {
        if (ui && menu && !menu->isVisible()) {
            ui->showMenu(menu);
        }
    } else {
        if (ui && menu && (menu->isVisible() || ui->isOnMenuStack(menu))) {
            ui->hideMenu(menu);
        }
        m_recentre = true;
    }
    ZonePosition player = m_view.getPlayerPosition();
    if (player.zone == -1) {
        return;
    }
    if (m_dragging) {
        if (isShown()) {
            int x = 0, y = 0;
            if (const Input* input = Input::instance()) {
                input->getMousePosition(x, y);
            }
            onClick(0, true, x, y);
        } else {
            m_dragging = false;
            m_view.setMapCapture(false);
        }
    }
    if (UIScrollBar* bar = getVerticalBar()) {
        m_viewRow = m_mapSize - bar->getFirstVisible() - 1;
    }
    if (UIScrollBar* bar = getHorizontalBar()) {
        m_viewColumn = bar->getFirstVisible();
    }
    explore(player);
}

void WorldMap::updateAreas()
{
    ExploredLevel* record = getExploredLevel(0, false);
    // Called on every state update: a record shown whole stays so, since
    // cells are only ever raised.
    if (!record || record->revealedWhole) {
        return;
    }
    for (int cy = 0; cy < record->side; ++cy) {
        for (int cx = 0; cx < record->side; ++cx) {
            if (record->cell(cx, cy)[3] != 255) {
                setExploredCell(0, cx, cy, 255);
            }
        }
    }
    record->revealedWhole = true;
}

void WorldMap::notePortal(const ZonePosition& entity, const ZonePosition& target)
{
    if (target.zone == 0) {
        return;
    }
    if (entity.zone < 0 || entity.zone >= m_world.getLevelCount()) {
        return;
    }
    if (target.zone == -1) {
        if (entity.zone > 0) {
            if (ExploredLevel* record = getExploredLevel(entity.zone, true)) {
                record->gate = entity;
            }
        }
        return;
    }
    ExploredLevel* record = getExploredLevel(entity.zone, true);
    if (!record) {
        return;
    }
    std::vector<MapConnection> connections = m_world.getConnections(entity.zone);
    for (size_t i = 0; i < connections.size(); ++i) {
        if (connections[i].targetLevel != target.zone) {
            continue;
        }
        if (record->connections.size() < i + 1) {
            record->connections.resize(i + 1, ZonePosition(-1, 0.0f, 0.0f));
        }
        record->connections[i] = entity;
    }
}

void WorldMap::recreateTextures()
{
    for (std::unique_ptr<ExploredLevel>& level : m_levels) {
        if (level) {
            level->texture = -1;
            level->dirty = true;
            uploadLevel(*level);
        }
    }
}

void WorldMap::uploadLevel(ExploredLevel& level)
{
    if (!m_drawing || !level.dirty) {
        return;
    }
    level.texture =
        m_drawing->uploadTexture(level.texture, level.pixels.data(), level.side, level.side, false);
    level.dirty = false;
}

bool WorldMap::onClick(int button, bool down, int x, int y)
{
    if (!isShown()) {
        return false;
    }
    if (button == 0) {
        if (down) {
            if (!m_dragging) {
                m_dragging = true;
                m_dragX = x;
                m_dragY = y;
                m_view.setMapCapture(true);
            } else {
                // 2.15 pixels of drag move a bar by one item.
                int rows = static_cast<int>(static_cast<float>(m_dragY - y) / 2.15f);
                int columns = static_cast<int>(static_cast<float>(m_dragX - x) / 2.15f);
                if (UIScrollBar* bar = getVerticalBar()) {
                    bar->scrollTo(bar->getFirstVisible() + rows);
                }
                if (UIScrollBar* bar = getHorizontalBar()) {
                    bar->scrollTo(bar->getFirstVisible() + columns);
                }
                m_dragX = x;
                m_dragY = y;
            }
        } else if (m_dragging) {
            m_dragging = false;
            m_view.setMapCapture(false);
        }
        return true;
    }
    if (down && isAtGate() && m_hovered >= 0 && static_cast<size_t>(m_hovered) < m_labels.size()) {
        const MapLabel& label = m_labels[static_cast<size_t>(m_hovered)];
        const char* format = label.kind == MapLabel::Gate       ? "gate %d"
                             : label.kind == MapLabel::Covenant ? "gateToCovenant %d"
                             : label.kind == MapLabel::TownGate ? "gateTown %d"
                                                                : nullptr;
        if (format && label.target != -1) {
            char line[64];
            std::snprintf(line, sizeof(line), format, label.target);
            m_view.queueServerCommand(line);
            m_drawWorldMap.setString("0");
        }
    }
    return true;
}

bool WorldMap::getTooltip(UITooltip& out)
{
    if (!m_tooltipText.empty()) {
        out.text = m_tooltipText;
        out.position = m_tooltipPosition;
        out.size = m_tooltipSize;
        out.alpha = 1.0f;
        return true;
    }
    UIMenu* menu = m_menu.get();
    int x = 0, y = 0;
    if (const Input* input = Input::instance()) {
        input->getMousePosition(x, y);
    }
    return menu && menu->getTooltip(x, y, out);
}
