#pragma once

class Resource;
class ResourceHandle;
class TextureResource;

// The resource behind a handle; none for -1.
Resource* resolveResourceHandle(const ResourceHandle& handle);
// The texture of a shader's first stage at its current animation frame; none
// when the handle is no shader, the shader has no stage or the stage no
// texture.
TextureResource* resolveShaderTexture(const ResourceHandle& shader);

struct ShaderTextureSize {
    float width = 0.0f;
    float height = 0.0f;
};
// The size of that texture, (0, 0) without one.
ShaderTextureSize getShaderTextureSize(const ResourceHandle& shader);

// Texture coordinates (0, 0)–(u, v) that tile a shader's image over a
// rectangle of the given size: u = width / texture width, v = height /
// texture height, rounded to whole repeats of at least 1 when `whole` is
// set; all 0 without a positive size or a texture.
struct TileRepeat {
    float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f;
};
TileRepeat computeTileRepeat(float width, float height, const ResourceHandle& shader, bool whole);
