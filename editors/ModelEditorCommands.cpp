#include "editors/ModelEditor.h"

#include "engine/console/CommandSystem.h"

#include <cstdlib>

void ModelEditor::registerCommands()
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    auto add = [commands](const char* name, const char* help, std::function<void()> step) {
        commands->registerCommand([step = std::move(step)](const CommandArgs&) { step(); }, name, help, "",
                                  "", true, 0);
    };
    commands->registerCommand(
        [this](const CommandArgs& args) {
            if (std::atoi(args[0].c_str()) != 0) {
                enter();
            } else {
                leave();
            }
        },
        "modelEditor", "Go into editor mode", "run", "d", false, 0);
    add("ModelEditorChangeDir", "Change to a different model directory",
        [this] { pushMenu("ModelEditorPickDir"); });
    add("ModelEditorChangeAttachmentDir", "Change to a different attachment model directory",
        [this] { pushMenu("ModelEditorPickAttachmentDir"); });
    add("ModelEditorZoomIn", "Zooms in on the model", [this] { zoomBy(-0.05f); });
    add("ModelEditorZoomOut", "Zooms out away from the model", [this] { zoomBy(0.05f); });
    add("ModelEditorShiftUp", "Shifts the model up", [this] { shift(-10.0f); });
    add("ModelEditorShiftDown", "Shifts the model down", [this] { shift(10.0f); });
    add("ModelEditorRotateLeft", "Rotates the model left", [this] { turnModel(-10.0f); });
    add("ModelEditorRotateRight", "Rotates the model right", [this] { turnModel(10.0f); });
    add("ModelEditorScaleUp", "Scales the attachment model up", [this] { scaleAttachment(0.05f); });
    add("ModelEditorScaleDown", "Scaless the attachment model down", [this] { scaleAttachment(-0.05f); });
    add("ModelEditorPrevAnim", "Goes to the previous anim", [this] { stepAnimation(-1); });
    add("ModelEditorNextAnim", "Goes to the next anim", [this] { stepAnimation(1); });
    add("ModelEditorPlay", "Starts the animation", [this] { play(false); });
    add("ModelEditorPlayOnce", "Starts the animation and plays it once", [this] { play(true); });
    add("ModelEditorStop", "Stops the animation", [this] { stop(); });
    add("ModelEditorPrevFrame", "Goes to the previous frame", [this] { stepFrame(-1); });
    add("ModelEditorNextFrame", "Goes to the next frame", [this] { stepFrame(1); });
    add("ModelEditorTagUp", "Moves the current tag up", [this] { moveTag(Vec3(0.0f, 0.0f, 1.0f)); });
    add("ModelEditorTagDown", "Moves the current tag down", [this] { moveTag(Vec3(0.0f, 0.0f, -1.0f)); });
    add("ModelEditorTagLeft", "Moves the current tag left", [this] { moveTag(cameraLeft()); });
    add("ModelEditorTagRight", "Moves the current tag right", [this] { moveTag(cameraLeft() * -1.0f); });
    add("ModelEditorTagForward", "Moves the current tag forward", [this] { moveTag(cameraForward()); });
    add("ModelEditorTagBackwards", "Moves the current tag backwards",
        [this] { moveTag(cameraForward() * -1.0f); });
    add("ModelEditorPitchUp", "Rotates the current tag", [this] { turnTag(0.0f, -5.0f, 0.0f); });
    add("ModelEditorPitchDown", "Rotates the current tag", [this] { turnTag(0.0f, 5.0f, 0.0f); });
    add("ModelEditorYawLeft", "Rotates the current tag", [this] { turnTag(5.0f, 0.0f, 0.0f); });
    add("ModelEditorYawRight", "Rotates the current tag", [this] { turnTag(-5.0f, 0.0f, 0.0f); });
    add("ModelEditorRollUp", "Rotates the current tag", [this] { turnTag(0.0f, 0.0f, 5.0f); });
    add("ModelEditorRollDown", "Rotates the current tag", [this] { turnTag(0.0f, 0.0f, -5.0f); });
    add("ModelEditorSaveTags", "Saves out all of the tags", [this] { saveTags(); });
    add("ModelEditorPrevTag", "Go to the previous tag", [this] { stepTag(-1); });
    add("ModelEditorNextTag", "Go to the next tag", [this] { stepTag(1); });
    add("ModelEditorAddTag", "Adds a new tag", [this] { addTag(); });
    add("ModelEditorDeleteTag", "Deletes the current tag", [this] { deleteTag(); });
    commands->registerCommand([this](const CommandArgs& args) { setModelMode(std::atoi(args[0].c_str())); },
                              "ModelEditorModelMode", "Goes into specified model mode", "mode", "i", true, 0);

    commands->registerListFunction("ModelEditorGetBoneNames",
                                   [this](std::vector<ListEntry>& list) { listBones(list); });
}
