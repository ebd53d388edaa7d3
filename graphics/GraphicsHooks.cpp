#include "graphics/GraphicsHooks.h"

#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "graphics/GraphicsSystem.h"

#include <memory>

void installGraphicsHooks(AppHooks& hooks, std::function<float()> tileSize)
{
    auto holder = std::make_shared<std::unique_ptr<GraphicsSystem>>();
    chainHook(hooks.createGraphicsSystems, [holder, tileSize] {
        *holder = std::make_unique<GraphicsSystem>();
        (*holder)->setTileSizeSource(tileSize);
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
