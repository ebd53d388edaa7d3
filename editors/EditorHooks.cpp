#include "editors/EditorHooks.h"

#include "client/Client.h"
#include "editors/Editor.h"
#include "editors/ModelEditor.h"
#include "engine/app/AppHooks.h"
#include "graphics/GraphicsSystem.h"
#include "ui/UISystem.h"

#include <memory>

namespace {

struct EditorParts {
    std::unique_ptr<Editor> area;
    std::unique_ptr<ModelEditor> model;
};

void fillFrameHooks(FrameHooks& hooks)
{
    hooks.isAreaEditorActive = [] { return Editor::instance() && Editor::get().isActive(); };
    hooks.drawAreaEditor = [] {
        if (Editor* editor = Editor::instance()) {
            editor->draw();
        }
    };
    hooks.isModelEditorActive = [] { return ModelEditor::instance() && ModelEditor::get().isActive(); };
    hooks.drawModelEditor = [] {
        if (ModelEditor* editor = ModelEditor::instance()) {
            editor->draw();
        }
    };
}

void fillClientHooks(ClientEditors& slots)
{
    slots.isAreaEditorActive = [] { return Editor::instance() && Editor::get().isActive(); };
    slots.areaEditorButton = [](int button, bool down, int x, int y) {
        Editor* editor = Editor::instance();
        return editor && editor->handleMouseButton(button, down, x, y);
    };
    slots.updateModelEditor = [](double seconds) {
        if (ModelEditor* editor = ModelEditor::instance()) {
            editor->update(seconds);
        }
    };
}

// While painting every button event goes to the area editor alone.
void capture(bool on)
{
    if (!on) {
        Client::captureButtons(nullptr);
        return;
    }
    Client::captureButtons([](int button, bool down, int x, int y) {
        if (Editor* editor = Editor::instance()) {
            editor->handleMouseButton(button, down, x, y);
        }
    });
}

} // namespace

void installEditorHooks(AppHooks& hooks)
{
    auto parts = std::make_shared<EditorParts>();
    chainHook(hooks.createLateSystems, [parts] {
        parts->area = std::make_unique<Editor>();
        parts->model = std::make_unique<ModelEditor>();
    });
    chainHook(hooks.setupWorld, [parts] {
        if (!parts->area || !parts->model) {
            return;
        }
        parts->area->registerCommands();
        parts->area->start();
        parts->area->setCaptureHook(capture);
        parts->model->registerCommands();
        parts->model->start();
        if (UISystem* ui = UISystem::instance()) {
            ui->addReloadListener([] {
                if (Editor* editor = Editor::instance()) {
                    editor->bindWidgets();
                }
                if (ModelEditor* editor = ModelEditor::instance()) {
                    editor->bindWidgets();
                }
            });
        }
        if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
            fillFrameHooks(graphics->getFrameHooks());
        }
        if (Client* client = Client::instance()) {
            fillClientHooks(client->getEditors());
        }
    });
    chainHookFirst(hooks.destroySystems, [parts] {
        if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
            FrameHooks& frame = graphics->getFrameHooks();
            frame.isAreaEditorActive = nullptr;
            frame.drawAreaEditor = nullptr;
            frame.isModelEditorActive = nullptr;
            frame.drawModelEditor = nullptr;
        }
        if (Client* client = Client::instance()) {
            client->getEditors() = ClientEditors();
        }
        parts->model.reset();
        parts->area.reset();
    });
}
