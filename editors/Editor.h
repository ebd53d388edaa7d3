#pragma once

// The area editor: builds the block files ("Levels/*.ara") that worlds are
// generated from. It shows one block of the current area from above, paints
// tiles and places objects with the mouse, edits the block's fields through
// user variables bound to the widgets of its menus, and writes the file into
// the user directory.

#include "engine/console/UserVarRef.h"
#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition3.h"
#include "engine/object/SafePtr.h"
#include "engine/resources/ResourceHandle.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class AreaBlock;
class AreaResource;
class Level;
class UIMenu;
class UITextureList;
struct ListEntry;

class Editor : public Singleton<Editor> {
public:
    // The world point of cell (0, 0)'s corner.
    static constexpr float kOrigin = 1000.0f;
    // The user variables, in the order of kVarNames.
    enum Var {
        kTexture,
        kObject,
        kAreaFileName,
        kBlockName,
        kBlockIndex,
        kBlockWeight,
        kBlockMaxUse,
        kBlockOpenEdges,
        kBlockMonsters,
        kBlockChest,
        kTopConnection, // the four sides in side order
        kLeftConnection,
        kRightConnection,
        kBottomConnection,
        kConnectionName,
        kConnectionToDelete,
        kHighlightInfo,
        kVarCount
    };
    static const char* const kVarNames[kVarCount];

    Editor();
    ~Editor();

    // Commands, user variables and list providers; then the start-up state.
    void registerCommands();
    void start();
    // Looks up menu "Editor" and its two lists again (after a menu reload).
    void bindWidgets();

    // ---- Entering and leaving
    bool isActive() const { return m_active; }
    void enter();
    void leave();
    // "editor 0": leaves when saved, else asks through "EditorExitConfirm".
    void requestLeave();

    // ---- The area and its file
    void newArea();
    void loadArea();
    // Writes the area to "Levels/" + EditorAreaFileName; without a name asks
    // for one. False when nothing was written.
    bool save();
    void saveAs();
    AreaResource* getArea() const;
    bool isSaved() const { return m_saved; }

    // ---- Blocks (EditorBlocks.cpp)
    int getCurrentBlock() const { return m_currentBlock; }
    AreaBlock* currentBlock() const;
    void newBlock();
    void duplicateBlock();
    void changeBlock();
    void deleteBlock();
    void rotateBlock();
    void stepBlock(int step);
    void addEdgeKind();
    void deleteEdgeKind();
    void fillEdgeVariables();
    void listBlocks(std::vector<ListEntry>& list) const;
    void listEdgeKinds(std::vector<ListEntry>& list) const;

    // ---- Painting
    bool isTextureMode() const { return m_textureMode; }
    void setTextureMode(bool on);
    int getObjectFacing() const { return m_facing; }
    void turnObjects(int step);
    bool isPainting() const { return m_painting; }
    bool handleMouseButton(int button, bool down, int x, int y);
    // The cell of the block under a point of the interface; false (and -1,
    // -1) outside the block.
    bool findCell(float x, float y, int& column, int& row) const;
    // What the client does when painting starts and ends (its button hook).
    using CaptureHook = std::function<void(bool capture)>;
    void setCaptureHook(CaptureHook hook) { m_captureHook = std::move(hook); }

    // ---- Frame (EditorDraw.cpp)
    // The per-frame copy of the variables into the block, then the drawing.
    void update();
    void draw();
    Level& getPreviewLevel() { return *m_preview; }
    // r_groundDetail changed: the preview's cells are built again.
    void applyGroundDetail();
    const ZonePosition3& getCameraTarget() const { return m_cameraTarget; }
    // The view of the block: the smallest zoom not below 1 at which the whole
    // block fits the part of the screen the editor's menu leaves free, and
    // the target that centres it there. Drawing and the cell under the
    // pointer both use it; the game's own zoom is left alone.
    struct View {
        float zoom = 1.0f;
        ZonePosition3 target{-1, 0.0f, 0.0f, 0.0f};
    };
    View fitView() const;
    // The largest rectangle from the top-left corner of the interface that no
    // widget of the editor's menu covers: left, top, right, bottom.
    std::array<float, 4> freeViewRect() const;

private:
    void closeArea();
    void clearPreview();
    void emptyEdgeVariables();
    void loadBlockVariables();
    void refreshMenu();
    void pushMenu(const char* name);
    void refreshSelection();
    bool paintCell(int column, int row, int button);
    void copyVariablesIntoBlock();
    void drawGrid(bool forMovement);
    UserVarRef& var(int index) { return m_vars[static_cast<size_t>(index)]; }
    std::string text(int index) const;
    void setText(int index, const std::string& value);

    bool m_active = false;
    std::unique_ptr<Level> m_preview;
    ResourceHandle m_loadedArea;
    std::unique_ptr<AreaResource> m_newArea;
    bool m_areaIsLoaded = false;
    int m_currentBlock = -1;
    ZonePosition3 m_cameraTarget{-1, 0.0f, 0.0f, 0.0f};
    ZonePosition3 m_cameraEye{-1, 0.0f, 0.0f, 0.0f};
    ResourceHandle m_defaultTile;
    ResourceHandle m_outline;
    ResourceHandle m_texture;
    std::string m_textureName;
    ResourceHandle m_object;
    std::string m_objectName;
    std::vector<UserVarRef> m_vars;
    SafePtr<UITextureList> m_textureList;
    SafePtr<UITextureList> m_objectList;
    SafePtr<UIMenu> m_menu;
    bool m_painting = false;
    bool m_textureMode = false;
    int m_facing = 4;
    bool m_saved = true;
    CaptureHook m_captureHook;
};
