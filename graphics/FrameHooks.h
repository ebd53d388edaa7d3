#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"

#include <functional>
#include <string>
#include <vector>

#include <array>
#include <cstdint>

// A built ground cell as the frame sees it: the blended shader (resource
// entry) and its four corner lists.
struct FrameGroundCell {
    int shader = -1;
    const std::array<std::vector<uint8_t>, 4>* corners = nullptr;
};

// A placed model of a world cell: the model (resource entry), its facing,
// its fade (1 = opaque, changed by the frame) and its scale.
struct FrameCellObject {
    int model = -1;
    int facing = 0;
    float* fade = nullptr;
    float scale = 1.0f;
};

// What the frame asks of the client, the effects, the interface and the
// editors, which graphics/ cannot include. Each slot is filled by its owner
// when it exists; an empty slot gives the "nothing there" answer (false, no
// position, nothing drawn).
struct FrameHooks {
    // --- the client ---------------------------------------------------------
    std::function<bool()> isConnected;
    std::function<bool()> isGameRunning;
    std::function<bool()> isPaused;
    std::function<bool()> hasLocalPlayer;
    std::function<ZonePosition()> getCameraCentre;
    std::function<Vec2(const ZonePosition& position, bool applyZoom)> worldToScreen;
    // The local player's screen rectangle {min x, min y, max x, max y}.
    std::function<bool(float out[4])> getPlayerScreenRect;
    // The world's cells through the shared world: the cell's built ground
    // record (false for none), its tile shader entry (-1 for none) and its
    // placed model.
    std::function<bool(int zone, int x, int y, FrameGroundCell& out)> getBuildCell;
    std::function<int(int zone, int x, int y)> getCellShader;
    std::function<bool(int zone, int x, int y, FrameCellObject& out)> getCellObject;
    std::function<bool(const ZonePosition& position, bool forMovement)> isBlocked;
    // The two per-entity passes: the 3D draw and the overlay texts.
    std::function<void()> drawEntities;
    std::function<void()> drawOverheadTexts;

    // --- effects ------------------------------------------------------------
    std::function<void(double frameSeconds)> drawEffects;

    // --- the interface -------------------------------------------------------
    std::function<void(double frameSeconds)> updateWorldMap;
    std::function<bool()> isWorldMapShown;
    std::function<void()> drawWorldMap;
    std::function<bool()> isFullScreenMenuShown;
    std::function<void()> drawMiniMap;
    std::function<void(double frameSeconds)> updateAndDrawMenus;
    std::function<void(double frameSeconds)> drawHelpMenu;
    std::function<void()> drawDragAndCursor;
    std::function<bool()> isMouseOverMenu;
    // One wheel step, up for "mouseScrollUp"; true when a menu took it.
    std::function<bool(bool up)> handleMouseScroll;
    std::function<Vec2()> getMessageAnchor;
    std::function<Vec2()> getUseSlotOffset;
    std::function<std::string()> getTextCursor;
    std::function<void(int cursor)> setCursor;
    std::function<void()> recreateWorldMapTextures;
    std::function<void()> uploadMiniMap;
    // The console's scroll bar (lines, lines shown, scroll back) → scroll back.
    std::function<int(int lines, int shown, int scrollBack)> consoleScrollBar;

    // --- the editors ---------------------------------------------------------
    std::function<bool()> isAreaEditorActive;
    std::function<void()> drawAreaEditor;
    std::function<bool()> isModelEditorActive;
    std::function<void()> drawModelEditor;

    // Answers with the empty slots' defaults.
    bool connected() const { return isConnected && isConnected(); }
    bool gameRunning() const { return isGameRunning && isGameRunning(); }
    bool paused() const { return isPaused && isPaused(); }
    bool localPlayer() const { return hasLocalPlayer && hasLocalPlayer(); }
    bool mouseOverMenu() const { return isMouseOverMenu && isMouseOverMenu(); }
    bool areaEditorActive() const { return isAreaEditorActive && isAreaEditorActive(); }
    bool modelEditorActive() const { return isModelEditorActive && isModelEditorActive(); }
    Vec2 messageAnchor() const { return getMessageAnchor ? getMessageAnchor() : Vec2(10.0f, 420.0f); }
    Vec2 useSlotOffset() const { return getUseSlotOffset ? getUseSlotOffset() : Vec2(0.0f, 0.0f); }
};

// The game values the frame reads, handed in once the database is loaded.
struct FrameGameValues {
    float tileSize = 32.0f;
    float gridSize = 32.0f;
    Vec2 drawDistance{480.0f, 480.0f};
    std::vector<std::string> fontNames;
};
