#include "graphics/shaders/ShaderHooks.h"

#include "engine/app/AppHooks.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/shaders/ShaderSystem.h"

#include <memory>

void installShaderHooks(AppHooks& hooks)
{
    auto holder = std::make_shared<std::unique_ptr<ShaderSystem>>();
    std::function<void()> previousCreate = hooks.createGraphicsSystems;
    hooks.createGraphicsSystems = [holder, previousCreate] {
        // Before the graphics system, which asks it for shaders.
        *holder = std::make_unique<ShaderSystem>();
        if (previousCreate) {
            previousCreate();
        }
    };
    std::function<void()> previousRegister = hooks.registerSystems;
    hooks.registerSystems = [holder, previousRegister] {
        if (*holder) {
            (*holder)->registerCommands();
        }
        if (previousRegister) {
            previousRegister();
        }
    };
    std::function<void()> previousDestroy = hooks.destroySystems;
    hooks.destroySystems = [holder, previousDestroy] {
        if (previousDestroy) {
            previousDestroy();
        }
        // The loader builds shaders through this system: stop it first.
        if (ResourceSystem* resources = ResourceSystem::instance()) {
            resources->stopLoader();
        }
        holder->reset();
    };
}
