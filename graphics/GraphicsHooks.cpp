#include "graphics/GraphicsHooks.h"

#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/input/Input.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/shaders/ShaderSystem.h"

#include <memory>

void installGraphicsHooks(AppHooks& hooks, GraphicsSystem::GameLinks links)
{
    auto holder = std::make_shared<std::unique_ptr<GraphicsSystem>>();
    chainHook(hooks.createGraphicsSystems, [holder, links] {
        auto& graphics = *holder;
        graphics = std::make_unique<GraphicsSystem>();
        graphics->setGameLinks(links);
        // After a restart: the input belongs to the new window, and the
        // shaders are built again on the new context's textures.
        graphics->addRestartListener([] {
            if (Input* input = Input::instance()) {
                input->reset();
            }
        });
        graphics->addRestartListener([] {
            if (ShaderSystem* shaders = ShaderSystem::instance()) {
                shaders->reload();
            }
        });
    });
    chainHook(hooks.registerSystems, [holder] {
        Application* app = Application::instance();
        (*holder)->registerCommands(app && !app->isHeadless());
    });
    hooks.setupDisplay = [holder](std::string& error) { return (*holder)->setupDisplay(error); };
    hooks.takeScreenshot = [holder] { (*holder)->takeScreenshot(); };
    if (!hooks.clientDraw) {
        // Until the scene is drawn: a cleared frame, so the swap paces the
        // loop and screenshots have a frame to read.
        hooks.clientDraw = [holder](double) {
            GraphicsSystem& graphics = **holder;
            if (graphics.isDisplayReady()) {
                graphics.beginFrame();
                graphics.endFrame();
            }
        };
    }
    chainHook(hooks.shutdownDisplay, [holder] {
        if (*holder) {
            (*holder)->shutdownDisplay();
        }
    });
    chainHook(hooks.destroySystems, [holder] { holder->reset(); });
}
