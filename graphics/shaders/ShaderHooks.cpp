#include "graphics/shaders/ShaderHooks.h"

#include "engine/app/AppHooks.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/shaders/ShaderSystem.h"

#include <memory>

void installShaderHooks(AppHooks& hooks)
{
    auto holder = std::make_shared<std::unique_ptr<ShaderSystem>>();
    // Before the graphics system, which asks it for shaders.
    chainHookFirst(hooks.createGraphicsSystems, [holder] { *holder = std::make_unique<ShaderSystem>(); });
    chainHookFirst(hooks.registerSystems, [holder] {
        if (*holder) {
            (*holder)->registerCommands();
        }
    });
    chainHook(hooks.destroySystems, [holder] {
        // The loader builds shaders through this system: stop it first.
        if (ResourceSystem* resources = ResourceSystem::instance()) {
            resources->stopLoader();
        }
        holder->reset();
    });
}
