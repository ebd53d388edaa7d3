#include "editors/Editor.h"

#include "client/Client.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaResource.h"
#include "game/world/Level.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/shaders/ShaderSystem.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UITextureList.h"

const char* const Editor::kVarNames[Editor::kVarCount] = {
    "EditorTexture",
    "EditorObject",
    "EditorAreaFileName",
    "EditorBlockName",
    "EditorBlockIndex",
    "EditorBlockWeight",
    "EditorBlockMaxUse",
    "EditorBlockOpenEdges",
    "EditorBlockAlwaysHasMonsters",
    "EditorBlockAlwaysHasChest",
    "EditorTopConnection",
    "EditorLeftConnection",
    "EditorRightConnection",
    "EditorBottomConnection",
    "EditorConnectionName",
    "EditorConnectionToDelete",
    "EditorHighlightInfo",
};

namespace {

float tileSize()
{
    GameData* data = GameData::instance();
    return data ? data->rules().tileSize : 32.0f;
}

} // namespace

Editor::Editor() : m_preview(std::make_unique<Level>()), m_vars(kVarCount) {}

Editor::~Editor()
{
    if (m_painting && m_captureHook) {
        m_captureHook(false);
    }
    closeArea();
}

std::string Editor::text(int index) const
{
    const UserVarRef& v = m_vars[static_cast<size_t>(index)];
    if (!v.isValid() || !userVarsReady()) {
        debugPrint(3, "Trying to reference a userVar before it has been set up!\n");
        return std::string();
    }
    return v.getString();
}

void Editor::setText(int index, const std::string& value)
{
    const UserVarRef& v = m_vars[static_cast<size_t>(index)];
    if (v.isValid() && userVarsReady()) {
        v.setString(value);
    }
}

void Editor::start()
{
    UserVarSystem* vars = UserVarSystem::instance();
    for (int i = 0; i < kVarCount; ++i) {
        if (vars) {
            var(i) = vars->getVar(kVarNames[i], "", UserVarSystem::kCreate);
        }
    }
    AreaResource probe;
    const float s = tileSize();
    m_cameraTarget = ZonePosition3(-1, kOrigin + probe.getBlockWidth() * s * 0.5f + 5.0f,
                                   kOrigin + probe.getBlockHeight() * s * 0.5f + 60.0f, 0.0f);
    m_cameraEye = m_cameraTarget;
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        const float* offset = graphics->getCameraOffset();
        m_cameraEye.addOffset(offset[0], offset[1], offset[2]);
        if (const ResourceHandle* empty = graphics->getStandardTexture(9)) {
            m_defaultTile = *empty;
        }
        m_outline = acquireShader("Textures/UI/EditorOutline.tga", 6);
    }
    bindWidgets();
    m_currentBlock = -1;
    emptyEdgeVariables();
    clearPreview();
    setTextureMode(false);
    newArea();
}

void Editor::bindWidgets()
{
    UISystem* ui = UISystem::instance();
    m_menu = ui ? ui->findMenu("Editor") : nullptr;
    m_textureList = ui ? dynamic_cast<UITextureList*>(ui->findWidget("Editor::TextureList")) : nullptr;
    m_objectList = ui ? dynamic_cast<UITextureList*>(ui->findWidget("Editor::ObjectList")) : nullptr;
    if (m_objectList) {
        m_objectList->setFacing(m_facing);
    }
    // Reloaded lists show the mode the editor is in.
    setTextureMode(m_textureMode);
}

void Editor::pushMenu(const char* name)
{
    UISystem* ui = UISystem::instance();
    UIMenu* menu = ui ? ui->findMenu(name) : nullptr;
    if (menu && !menu->isVisible()) {
        ui->pushMenu(menu);
    }
}

void Editor::refreshMenu()
{
    if (m_menu) {
        m_menu->refreshWidgets();
    }
}

void Editor::enter()
{
    if (m_active) {
        return;
    }
    if (UISystem* ui = UISystem::instance()) {
        ui->hideMenusForEditor();
        ui->pushMenuByName("Editor");
    }
    m_active = true;
}

void Editor::leave()
{
    if (!m_active) {
        return;
    }
    if (UISystem* ui = UISystem::instance()) {
        ui->removeFromMenuStackByName("Editor");
        ui->showMenusAfterEditor();
    }
    m_active = false;
}

void Editor::requestLeave()
{
    if (m_saved) {
        leave();
    } else {
        pushMenu("EditorExitConfirm");
    }
}

AreaResource* Editor::getArea() const
{
    if (m_areaIsLoaded) {
        ResourceSystem* resources = ResourceSystem::instance();
        return resources && m_loadedArea.isValid() ? resources->getAs<AreaResource>(m_loadedArea) : nullptr;
    }
    return m_newArea.get();
}

void Editor::closeArea()
{
    if (m_areaIsLoaded) {
        if (AreaResource* area = getArea(); area && area->isAcquired()) {
            area->release();
        }
        m_loadedArea.release();
    }
    m_newArea.reset();
    m_areaIsLoaded = false;
    // The preview must not keep the closed area.
    m_preview->setEditorPreview(nullptr, -1);
}

void Editor::clearPreview()
{
    m_preview->clearGrids();
    m_preview->clearGroundCells();
}

void Editor::emptyEdgeVariables()
{
    for (int i = kTopConnection; i <= kBottomConnection; ++i) {
        setText(i, "");
    }
}

void Editor::newArea()
{
    closeArea();
    m_newArea = std::make_unique<AreaResource>();
    m_areaIsLoaded = false;
    setText(kAreaFileName, "");
    m_currentBlock = -1;
    emptyEdgeVariables();
    clearPreview();
    refreshMenu();
    for (const char* kind : {"open", "levelEdgeClosed", "levelBottleneck", "levelEdgeOpen"}) {
        if (m_newArea->findEdgeKind(kind) < 0) {
            m_newArea->addEdgeKind(kind);
        }
    }
}

void Editor::loadArea()
{
    closeArea();
    m_currentBlock = -1;
    emptyEdgeVariables();
    clearPreview();
    ResourceSystem* resources = ResourceSystem::instance();
    const std::string name = text(kAreaFileName);
    if (resources && !name.empty()) {
        m_loadedArea = resources->load("Levels/" + name);
    }
    m_areaIsLoaded = true;
    if (AreaResource* area = getArea()) {
        area->acquire();
    }
    refreshMenu();
}

bool Editor::save()
{
    const std::string name = text(kAreaFileName);
    if (name.empty()) {
        saveAs();
        return false;
    }
    if (!FileSystem::isSafeRelativePath(name)) {
        debugPrint(2, "EditorSave: \"%s\" is no file name inside \"Levels\"; nothing is written\n",
                   name.c_str());
        return false;
    }
    AreaResource* area = getArea();
    ResourceSystem* resources = ResourceSystem::instance();
    if (!area || !resources) {
        return false;
    }
    const std::string path = "Levels/" + name;
    if (!resources->writeFile(path, area->buildText())) {
        debugPrint(3, "%s: the area could not be written; the old file is kept\n", path.c_str());
        return false;
    }
    // Pruning may have renumbered the tiles the preview built its cells of.
    clearPreview();
    m_saved = true;
    return true;
}

void Editor::saveAs()
{
    // The flag waits for a write that worked.
    pushMenu("EditorSaveAs");
}

void Editor::setTextureMode(bool on)
{
    m_textureMode = on;
    if (m_textureList) {
        m_textureList->setVisible(on);
    }
    if (m_objectList) {
        m_objectList->setVisible(!on);
    }
}

void Editor::turnObjects(int step)
{
    m_facing = ((m_facing + step) % 8 + 8) % 8;
    if (m_objectList) {
        m_objectList->setFacing(m_facing);
    }
}

void Editor::applyGroundDetail()
{
    if (AreaResource* area = getArea(); area && area->isAcquired()) {
        area->loadGroundDetail();
    }
    m_preview->clearGroundCells();
}
