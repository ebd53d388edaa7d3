#include "graphics/GraphicsHooks.h"

#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "graphics/GraphicsSystem.h"

#include <memory>

namespace {

// Chains a new step after whatever was installed before.
std::function<void()> after(std::function<void()> first, std::function<void()> then)
{
    if (!first) {
        return then;
    }
    return [first, then] {
        first();
        then();
    };
}

} // namespace

void installGraphicsHooks(AppHooks& hooks, std::function<float()> tileSize)
{
    auto holder = std::make_shared<std::unique_ptr<GraphicsSystem>>();
    hooks.createGraphicsSystems = after(hooks.createGraphicsSystems, [holder, tileSize] {
        *holder = std::make_unique<GraphicsSystem>();
        (*holder)->setTileSizeSource(tileSize);
    });
    hooks.registerSystems = after(hooks.registerSystems, [holder] {
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
    hooks.shutdownDisplay = after(hooks.shutdownDisplay, [holder] {
        if (*holder) {
            (*holder)->shutdownDisplay();
        }
    });
    hooks.destroySystems = after(hooks.destroySystems, [holder] { holder->reset(); });
}
