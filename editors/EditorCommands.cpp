#include "editors/Editor.h"

#include "engine/console/CommandSystem.h"

#include <cstdlib>

void Editor::registerCommands()
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    auto add = [commands](const char* name, const char* help, bool internalOnly, std::function<void()> step) {
        commands->registerCommand([step = std::move(step)](const CommandArgs&) { step(); }, name, help, "",
                                  "", internalOnly, 0);
    };
    commands->registerCommand(
        [this](const CommandArgs& args) {
            if (std::atoi(args[0].c_str()) != 0) {
                enter();
            } else {
                requestLeave();
            }
        },
        "editor", "Go into editor mode", "run", "d", false, 0);
    add("editorExit", "Exits the editor with saving checks", false, [this] { leave(); });
    add("EditorNew", "Creates a new area", true, [this] { newArea(); });
    add("EditorOpen", "Opens an area", true, [this] { pushMenu("EditorPickArea"); });
    add("EditorSave", "Saves the current area", true, [this] { save(); });
    add("EditorSaveAs", "Saves the current area", true, [this] { saveAs(); });
    add("EditorLoadArea", "Loads an area", true, [this] { loadArea(); });
    add("EditorNewBlock", "Creates a new block", true, [this] { newBlock(); });
    add("EditorDuplicateBlock", "Duplicates the current block", true, [this] { duplicateBlock(); });
    add("EditorRotateBlock", "Rotates the current block", true, [this] { rotateBlock(); });
    add("EditorSelectBlock", "Selects a current block", true, [this] { pushMenu("EditorPickBlock"); });
    add("EditorChangeBlock", "Changes the current block", true, [this] { changeBlock(); });
    add("EditorDeleteBlock", "Deletes the current block", true, [this] { deleteBlock(); });
    add("EditorChangeTextureDir", "Change to a different texture directory", true,
        [this] { pushMenu("EditorTextures"); });
    add("EditorChangeObjectDir", "Change to a different object directory", true,
        [this] { pushMenu("EditorPickObjectDir"); });
    add("EditorNewConnection", "Creates a new connection", true, [this] { pushMenu("EditorNewConnection"); });
    add("EditorPickConnectionToDelete", "Deletes a connection", true,
        [this] { pushMenu("EditorDeleteConnection"); });
    add("EditorCreateNewConnection", "Creates a new connection", true, [this] { addEdgeKind(); });
    add("EditorDeleteConnection", "Creates a new connection", true, [this] { deleteEdgeKind(); });
    add("EditorTextureMode", "Goes into texture mode", true, [this] { setTextureMode(true); });
    add("EditorObjectMode", "Goes into texture mode", true, [this] { setTextureMode(false); });
    add("EditorObjectsRotateCCW", "Rotates the objects CCW", true, [this] { turnObjects(-1); });
    add("EditorObjectsRotateCW", "Rotates the objects CW", true, [this] { turnObjects(1); });
    add("EditorPrevBlock", "Go to previous block", true, [this] { stepBlock(-1); });
    add("EditorNextBlock", "Go to next block", true, [this] { stepBlock(1); });

    commands->registerListFunction("EditorGetBlocks",
                                   [this](std::vector<ListEntry>& list) { listBlocks(list); });
    commands->registerListFunction("getConnectionNames",
                                   [this](std::vector<ListEntry>& list) { listEdgeKinds(list); });
}
