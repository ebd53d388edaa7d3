#include "graphics/GraphicsHooks.h"

#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/app/DebugConsole.h"
#include "engine/input/Input.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"
#include "graphics/effects/EffectResourceTypes.h"
#include "graphics/effects/EffectSystem.h"
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
        graphics->addRestartListener([g = graphics.get()] { g->forgetBloomTextures(); });
    });
    auto lighting = std::make_shared<std::unique_ptr<LightingSystem>>();
    chainHook(hooks.createGraphicsSystems, [lighting] { *lighting = std::make_unique<LightingSystem>(); });
    auto effects = std::make_shared<std::unique_ptr<EffectSystem>>();
    chainHook(hooks.createGraphicsSystems, [effects] { *effects = std::make_unique<EffectSystem>(); });
    // Effect files name shaders: the types come once the shaders can be asked for.
    chainHook(hooks.setupWorld, [] {
        if (ResourceSystem* resources = ResourceSystem::instance()) {
            registerEffectResourceTypes(*resources);
        }
    });
    chainHook(hooks.registerSystems, [holder, lighting] {
        Application* app = Application::instance();
        (*holder)->registerCommands(app && !app->isHeadless());
        (*lighting)->registerVariables();
        (*lighting)->setPausedQuery([holder] { return *holder && (*holder)->getFrameHooks().paused(); });
        if (DebugConsole* console = DebugConsole::instance()) {
            console->setDrawHook([holder](const DebugConsole& open) {
                if (*holder) {
                    (*holder)->drawConsole(open);
                }
            });
        }
    });
    chainHook(hooks.afterDatabaseLoad, [holder, lighting, links] {
        (*lighting)->load();
        if (links.gameValues) {
            (*holder)->setGameValues(links.gameValues());
        }
    });
    hooks.setupDisplay = [holder](std::string& error) { return (*holder)->setupDisplay(error); };
    hooks.takeScreenshot = [holder] { (*holder)->takeScreenshot(); };
    if (!hooks.clientDraw) {
        hooks.clientDraw = [holder](double seconds) {
            GraphicsSystem& graphics = **holder;
            if (graphics.isDisplayReady()) {
                graphics.renderFrame(seconds);
            }
        };
    }
    chainHook(hooks.shutdownDisplay, [holder] {
        if (*holder) {
            (*holder)->shutdownDisplay();
        }
    });
    chainHook(hooks.destroySystems, [holder, lighting, effects] {
        if (DebugConsole* console = DebugConsole::instance()) {
            console->setDrawHook(nullptr);
        }
        // Its instances hold definitions and shaders.
        effects->reset();
        holder->reset();
        lighting->reset();
    });
}
