#include "editors/Editor.h"

#include "client/Client.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/Direction.h"
#include "engine/input/Input.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaResource.h"
#include "game/world/GroundCell.h"
#include "game/world/Level.h"
#include "graphics/GlStateCache.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"
#include "graphics/StageDrawer.h"
#include "graphics/render/BatchGeometry.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/shaders/Shader.h"
#include "graphics/shaders/ShaderSystem.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>
#include <cmath>

namespace {

// A light of this type lights everything alike.
constexpr int kAmbientLight = 2;

const GameRules* rules()
{
    GameData* data = GameData::instance();
    return data ? &data->rules() : nullptr;
}

float cellSize()
{
    const GameRules* r = rules();
    return r && r->tileSize > 0.0f ? r->tileSize : 32.0f;
}

bool isSet(const char* name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    UserVar* v = vars ? vars->findVar(name) : nullptr;
    return v && getUserVarInt(name) != 0;
}

} // namespace

std::array<float, 4> Editor::freeViewRect() const
{
    constexpr float kWidth = 640.0f, kHeight = 480.0f;
    std::vector<std::array<float, 4>> covered;
    if (m_menu) {
        for (const std::unique_ptr<UIWidget>& widget : m_menu->getWidgets()) {
            const Vec2 size = widget->getSize();
            if (!widget->isVisible() || size.x <= 0.0f || size.y <= 0.0f) {
                continue;
            }
            const Vec2 at = widget->getScreenPosition();
            covered.push_back({at.x, at.y, at.x + size.x, at.y + size.y});
        }
    }
    // Each left edge of a widget is a candidate right side; the bottom is
    // then the highest top among the widgets reaching into that width.
    std::vector<float> rights{kWidth};
    for (const auto& box : covered) {
        if (box[0] > 0.0f && box[0] < kWidth) {
            rights.push_back(box[0]);
        }
    }
    std::array<float, 4> best{0.0f, 0.0f, kWidth, kHeight};
    float bestArea = 0.0f;
    for (float right : rights) {
        float bottom = kHeight;
        for (const auto& box : covered) {
            if (box[0] < right && box[2] > 0.0f && box[3] > 0.0f) {
                bottom = std::min(bottom, std::max(box[1], 0.0f));
            }
        }
        if (right * bottom > bestArea) {
            bestArea = right * bottom;
            best = {0.0f, 0.0f, right, bottom};
        }
    }
    return best;
}

Editor::View Editor::fitView() const
{
    View view;
    view.target = m_cameraTarget;
    const AreaResource* area = getArea();
    if (!area) {
        return view;
    }
    // The editor's camera looks at its target with the frame's view (the
    // client's own projection follows the player).
    ViewParameters parameters;
    if (Client* client = Client::instance()) {
        parameters = client->getViewParameters();
    }
    parameters.zoom = 1.0f;
    const float s = cellSize();
    const float width = static_cast<float>(area->getBlockWidth()) * s;
    const float height = static_cast<float>(area->getBlockHeight()) * s;
    const int zone = m_cameraTarget.zone;
    const ZonePosition centre(zone, kOrigin + width * 0.5f, kOrigin + height * 0.5f);
    const ScreenProjection unzoomed(centre, parameters);
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    for (int corner = 0; corner < 4; ++corner) {
        const float x = kOrigin + ((corner & 1) ? width : 0.0f);
        const float y = kOrigin + ((corner & 2) ? height : 0.0f);
        const Vec2 p = unzoomed.worldToScreen(ZonePosition(zone, x, y), false);
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    const std::array<float, 4> free = freeViewRect();
    const float freeWidth = free[2] - free[0], freeHeight = free[3] - free[1];
    if (freeWidth > 0.0f && freeHeight > 0.0f) {
        view.zoom = std::max({1.0f, (right - left) / freeWidth, (bottom - top) / freeHeight});
    }
    parameters.zoom = view.zoom;
    const Vec2 offset =
        ScreenProjection(centre, parameters)
            .screenToWorldOffset((free[0] + free[2]) * 0.5f, (free[1] + free[3]) * 0.5f, true);
    view.target = ZonePosition3(zone, centre.x - offset.x, centre.y - offset.y, 0.0f);
    return view;
}

bool Editor::findCell(float x, float y, int& column, int& row) const
{
    column = row = -1;
    const AreaResource* area = getArea();
    if (!area) {
        return false;
    }
    const View fitted = fitView();
    ViewParameters view;
    if (Client* client = Client::instance()) {
        view = client->getViewParameters();
    }
    view.zoom = fitted.zoom;
    const ZonePosition target(fitted.target.zone, fitted.target.x, fitted.target.y);
    const Vec2 offset = ScreenProjection(target, view).screenToWorldOffset(x, y, true);
    // Floor, not truncation: the strip left of and below the block is
    // outside it, not column or row 0.
    const float s = cellSize();
    const float cx = std::floor((target.x + offset.x - kOrigin) / s);
    const float cy = std::floor((target.y + offset.y - kOrigin) / s);
    if (!(cx >= 0.0f && cy >= 0.0f && cx < static_cast<float>(area->getBlockWidth()) &&
          cy < static_cast<float>(area->getBlockHeight()))) {
        return false;
    }
    column = static_cast<int>(cx);
    row = static_cast<int>(cy);
    return true;
}

void Editor::refreshSelection()
{
    ResourceSystem* resources = ResourceSystem::instance();
    const std::string texture = text(kTexture);
    if (texture != m_textureName) {
        m_textureName = texture;
        m_texture = texture.empty() ? ResourceHandle() : acquireShader(texture, 1);
    }
    const std::string object = text(kObject);
    if (object != m_objectName) {
        m_objectName = object;
        m_object = object.empty() || !resources ? ResourceHandle() : resources->load(object);
    }
}

bool Editor::paintCell(int column, int row, int button)
{
    AreaResource* area = getArea();
    if (!area || !currentBlock()) {
        return false;
    }
    if (m_textureMode) {
        area->setCellTile(m_currentBlock, column, row, m_texture);
        m_preview->clearGroundCells();
    } else if (button == 1) {
        area->clearCellObject(m_currentBlock, column, row);
    } else {
        area->setCellObject(m_currentBlock, column, row, m_object, m_facing);
    }
    m_saved = false;
    clearPreview();
    return true;
}

bool Editor::handleMouseButton(int button, bool down, int x, int y)
{
    if (!m_active || (button != 0 && button != 1)) {
        return false;
    }
    if (button == 0 && !down) {
        if (m_painting) {
            m_painting = false;
            if (m_captureHook) {
                m_captureHook(false);
            }
        }
        return true;
    }
    if (!down) {
        return false;
    }
    refreshSelection();
    int column = -1, row = -1;
    if ((m_textureMode && (!m_texture.isValid() || button == 1)) ||
        (!m_textureMode && button == 0 && !m_object.isValid()) || !currentBlock() ||
        !findCell(static_cast<float>(x), static_cast<float>(y), column, row)) {
        return false;
    }
    paintCell(column, row, button);
    if (!m_painting && button == 0) {
        m_painting = true;
        if (m_captureHook) {
            m_captureHook(true);
        }
    }
    return true;
}

void Editor::update()
{
    int mx = 0, my = 0;
    UISystem::pointerPosition(mx, my);
    if (m_painting) {
        refreshSelection();
        int column = -1, row = -1;
        const bool selected = m_textureMode ? m_texture.isValid() : m_object.isValid();
        if (selected && currentBlock() &&
            findCell(static_cast<float>(mx), static_cast<float>(my), column, row)) {
            paintCell(column, row, 0);
        }
    }
    copyVariablesIntoBlock();
    setText(kHighlightInfo, "");
    int column = -1, row = -1;
    AreaResource* area = getArea();
    if (area && currentBlock() && findCell(static_cast<float>(mx), static_cast<float>(my), column, row)) {
        ResourceHandle tile = area->getCellTile(m_currentBlock, column, row);
        if (tile.isValid()) {
            setText(kHighlightInfo, tile.getFileName());
        }
    }
}

void Editor::draw()
{
    if (!m_active) {
        return;
    }
    update();
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics) {
        return;
    }
    const View fitted = fitView();
    ZonePosition3 eye = fitted.target;
    const float* offset = graphics->getCameraOffset();
    eye.addOffset(offset[0], offset[1], offset[2]);
    graphics->setCamera(ZonePosition(fitted.target.zone, fitted.target.x, fitted.target.y), eye, fitted.zoom);
    graphics->clearViewport();
    RenderQueue& queue = graphics->getRenderQueue();
    queue.beginFrame();
    // No level lights the block: it is shown under plain white light.
    if (LightingSystem* lighting = LightingSystem::instance()) {
        lighting->beginFrame();
        lighting->addLight(ZonePosition(m_cameraTarget.zone, m_cameraTarget.x, m_cameraTarget.y),
                           Color(1, 1, 1), 0.0f, kAmbientLight);
    }
    AreaResource* area = getArea();
    if (!area || !currentBlock()) {
        return;
    }
    m_preview->setEditorPreview(area, m_currentBlock);
    int mx = 0, my = 0, hotColumn = -1, hotRow = -1;
    UISystem::pointerPosition(mx, my);
    findCell(static_cast<float>(mx), static_cast<float>(my), hotColumn, hotRow);

    const float s = cellSize();
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const bool blended = isSet("blendedTiles");
    const int zone = m_cameraTarget.zone;
    for (int row = area->getBlockHeight() - 1; row >= 0; --row) {
        for (int column = 0; column < area->getBlockWidth(); ++column) {
            const Vec3 a(kOrigin + column * s, kOrigin + row * s, 0.0f);
            const Vec3 b(kOrigin + (column + 1) * s, kOrigin + (row + 1) * s, 0.0f);
            if (blended) {
                const GroundCell& cell = m_preview->getGroundCell(column, row);
                if (cell.shader.isValid()) {
                    queue.addBlendedTile(a, b, cell.shader.getIndex(), &cell.corners, 0);
                } else {
                    queue.addTile(m_defaultTile.getIndex(), a, b, 0, true, white, 1.0f);
                }
            } else {
                const ResourceHandle tile = area->getCellTile(m_currentBlock, column, row);
                queue.addTile(tile.isValid() ? tile.getIndex() : m_defaultTile.getIndex(), a, b, 0, true,
                              white, 1.0f);
            }
            ResourceHandle model;
            int facing = 4;
            if (area->getCellObject(m_currentBlock, column, row, model, facing) >= 0 && model.isValid()) {
                const ZonePosition3 centre(zone, kOrigin + (column + 0.5f) * s, kOrigin + (row + 0.5f) * s,
                                           0.0f);
                queue.addSkinnedModel(
                    ModelDrawRequest::at(model.getIndex(), centre, directionToMatrix(facing), 1.0f));
            }
            if (column == hotColumn && row == hotRow && m_outline.isValid()) {
                // Lifted a little so it is not lost in the tile below.
                queue.addTile(m_outline.getIndex(), Vec3(a.x, a.y, 0.5f), Vec3(b.x, b.y, 0.5f), 0, true,
                              white, 1.0f);
            }
        }
    }
    graphics->drawQueuedSurfaces(queue.getQueued());
    if (isSet("showCollisionGrid")) {
        drawGrid(true);
    }
    if (isSet("showSightCollisionGrid")) {
        drawGrid(false);
    }
}

void Editor::drawGrid(bool forMovement)
{
    GraphicsSystem& graphics = GraphicsSystem::get();
    const ResourceHandle* white = graphics.getStandardTexture(0);
    ResourceSystem* resources = ResourceSystem::instance();
    auto* shader = white && white->isValid() && resources ? resources->getAs<Shader>(*white) : nullptr;
    const AreaResource* area = getArea();
    if (!shader || !area) {
        return;
    }
    graphics.resetRenderState();
    graphics.loadCameraMatrix();
    graphics.prepareShader(shader);
    const GameRules* r = rules();
    const int perCell = r && r->collisionCellsPerTile > 0 ? r->collisionCellsPerTile : 1;
    const float size = r && r->subCellSize > 0.0f ? r->subCellSize : cellSize();
    const Color free = ColorSystem::getColor(0), blocked = ColorSystem::getColor(1);
    StageBatch& batch = graphics.getStageDrawer().batch();
    for (int y = 0; y < area->getBlockHeight() * perCell; ++y) {
        for (int x = 0; x < area->getBlockWidth() * perCell; ++x) {
            const bool isBlocked = forMovement ? m_preview->isCellBlockedForMovement(x, y)
                                               : m_preview->isCellBlockedForSight(x, y);
            const Color& c = isBlocked ? blocked : free;
            const float colour[3] = {c.r, c.g, c.b};
            const float px = kOrigin + (x + 0.5f) * size, py = kOrigin + (y + 0.5f) * size;
            const Vec3 corners[4] = {
                {px - 2, py - 2, 1}, {px + 2, py - 2, 1}, {px + 2, py + 2, 1}, {px - 2, py + 2, 1}};
            BatchGeometry::addQuad(batch, corners, colour, 1.0f);
        }
    }
    // The overlay lies over the models as well as the ground.
    if (graphics.hasContext()) {
        graphics.getGlState().setDepthTest(false);
    }
    graphics.drawShaderStages(nullptr, true);
    if (graphics.hasContext()) {
        graphics.getGlState().setDepthTest(true);
    }
}
