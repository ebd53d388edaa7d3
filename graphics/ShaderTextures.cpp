#include "graphics/ShaderTextures.h"

#include "engine/resources/ResourceSystem.h"
#include "graphics/TextureResource.h"
#include "graphics/shaders/Shader.h"

#include <algorithm>
#include <cmath>

Resource* resolveResourceHandle(const ResourceHandle& handle)
{
    ResourceSystem* resources = ResourceSystem::instance();
    return resources && handle.isValid() ? resources->get(handle) : nullptr;
}

TextureResource* resolveShaderTexture(const ResourceHandle& shader)
{
    auto* s = dynamic_cast<Shader*>(resolveResourceHandle(shader));
    if (!s || s->stages.empty()) {
        return nullptr;
    }
    return dynamic_cast<TextureResource*>(resolveResourceHandle(s->stages.front().getFrameTexture()));
}

ShaderTextureSize getShaderTextureSize(const ResourceHandle& shader)
{
    TextureResource* texture = resolveShaderTexture(shader);
    if (!texture) {
        return {};
    }
    return {static_cast<float>(texture->width), static_cast<float>(texture->height)};
}

TileRepeat computeTileRepeat(float width, float height, const ResourceHandle& shader, bool whole)
{
    TileRepeat repeat;
    if (!(width > 0.0f) || !(height > 0.0f)) {
        return repeat;
    }
    ShaderTextureSize size = getShaderTextureSize(shader);
    if (!(size.width > 0.0f) || !(size.height > 0.0f)) {
        return repeat;
    }
    repeat.u1 = width / size.width;
    repeat.v1 = height / size.height;
    if (whole) {
        repeat.u1 = std::max(1.0f, std::round(repeat.u1));
        repeat.v1 = std::max(1.0f, std::round(repeat.v1));
    }
    return repeat;
}
