#pragma once

// Common base of the texture work objects of the build tools.
class TextureBase {
public:
    TextureBase() = default;
    virtual ~TextureBase() = default;
    TextureBase(const TextureBase&) = delete;
    TextureBase& operator=(const TextureBase&) = delete;
};
