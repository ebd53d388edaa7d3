#include "graphics/effects/EffectResourceTypes.h"

#include "engine/resources/ResourceSystem.h"
#include "graphics/effects/BeamDefinition.h"
#include "graphics/effects/EffectDefinition.h"
#include "graphics/effects/SwipeDefinition.h"

namespace {

template <class T> void registerOne(ResourceSystem& resources, const char* extension)
{
    if (resources.hasType(extension)) {
        return;
    }
    ResourceTypeInfo info;
    info.extension = extension;
    info.factory = [](const std::string& name, const uint8_t* data, size_t size,
                      int) -> std::unique_ptr<Resource> { return T::create(name, data, size); };
    resources.registerType(std::move(info));
}

} // namespace

void registerEffectResourceTypes(ResourceSystem& resources)
{
    registerOne<EffectDefinition>(resources, "eff");
    registerOne<BeamDefinition>(resources, "bem");
    registerOne<SwipeDefinition>(resources, "swp");
}
