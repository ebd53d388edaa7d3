#include "graphics/TextureResource.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"

TextureResource::~TextureResource()
{
    if (glName != GraphicsSystem::kNoTexture) {
        if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
            graphics->deleteTexture(glName);
        }
    }
}

std::string TextureResource::describe() const
{
    return formatString("%s: %d x %d, %d bits%s", getFileName().c_str(), width, height, pixelDepth,
                        isPlaceholder() ? " (placeholder)" : "");
}

std::unique_ptr<TextureResource> TextureResource::fromDecoded(DecodedTexture&& image,
                                                              const std::string& fileName)
{
    auto texture = std::make_unique<TextureResource>();
    texture->header = image.header;
    texture->width = image.width;
    texture->height = image.height;
    texture->pixelDepth = image.pixelDepth;
    texture->smallLevels = std::move(image.smallLevels);
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics) {
        return texture;
    }
    // Under the lock: a video restart holds it while no context exists.
    graphics->acquireContext();
    struct Release {
        GraphicsSystem* graphics;
        ~Release() { graphics->releaseContext(); }
    } release{graphics};
    if (graphics->hasContext()) {
        unsigned format = GraphicsSystem::kFormatRgb;
        switch (image.format) {
        case DecodedTexture::Format::Rgba:
            format = GraphicsSystem::kFormatRgba;
            break;
        case DecodedTexture::Format::Dxt1:
            format = GraphicsSystem::kFormatDxt1;
            break;
        case DecodedTexture::Format::Dxt3:
            format = GraphicsSystem::kFormatDxt3;
            break;
        case DecodedTexture::Format::Dxt5:
            format = GraphicsSystem::kFormatDxt5;
            break;
        case DecodedTexture::Format::Rgb:
            break;
        }
        std::string error;
        texture->glName = graphics->uploadTexture(image.data.data(), image.width, image.height, format,
                                                  image.levels, error);
        if (texture->glName == GraphicsSystem::kNoTexture) {
            debugPrint(3, "Cannot upload texture %s: %s\n", fileName.c_str(), error.c_str());
            return nullptr;
        }
    }
    return texture;
}

std::unique_ptr<Resource> TextureResource::loadTga(const uint8_t* data, const std::string& fileName,
                                                   size_t size, int flags)
{
    DecodedTexture image;
    if (!decodeTgaTexture(data, size, fileName, image)) {
        return nullptr;
    }
    std::vector<uint8_t> kept;
    if (flags & ResourceSystem::kKeepImage) {
        kept = makeNormalisedTga(image);
    }
    auto texture = fromDecoded(std::move(image), fileName);
    if (texture && !kept.empty()) {
        texture->keepImage(kept.data(), kept.size(), 1);
    }
    return texture;
}

std::unique_ptr<Resource> TextureResource::loadRtx(const uint8_t* data, size_t size,
                                                   const std::string& fileName)
{
    DecodedTexture image;
    if (!decodeRtxTexture(data, size, fileName, image)) {
        return nullptr;
    }
    return fromDecoded(std::move(image), fileName);
}

std::unique_ptr<Resource> TextureResource::loadCtx(const uint8_t* data, size_t size,
                                                   const std::string& fileName)
{
    DecodedTexture image;
    if (!decodeCtxTexture(data, size, fileName, image)) {
        return nullptr;
    }
    return fromDecoded(std::move(image), fileName);
}

std::unique_ptr<Resource> TextureResource::makeMissingTexture(const std::string& fileName)
{
    auto texture = fromDecoded(makeMissingTextureImage(), fileName);
    if (!texture) {
        // Even the stand-in could not be uploaded: an object without a name.
        texture = std::make_unique<TextureResource>();
        texture->width = texture->height = 16;
    }
    return texture;
}

bool TextureResource::readCacheFile(const std::string& name, std::vector<uint8_t>& out)
{
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return false;
    }
    auto data = files->readFile(kCacheDirectory + name, true);
    if (!data) {
        data = files->readFile(name);
    }
    if (!data) {
        return false;
    }
    out = std::move(*data);
    return true;
}

void TextureResource::registerTypes(ResourceSystem& resources)
{
    ResourceTypeInfo tga;
    tga.extension = "tga";
    tga.factory = [](const std::string& name, const uint8_t* data, size_t size, int flags) {
        return loadTga(data, name, size, flags);
    };
    tga.placeholderFactory = makeMissingTexture;
    resources.registerType(tga);

    ResourceTypeInfo rtx;
    rtx.extension = "rtx";
    rtx.factory = [](const std::string& name, const uint8_t* data, size_t size, int) {
        return loadRtx(data, size, name);
    };
    rtx.placeholderFactory = makeMissingTexture;
    rtx.standsInFor = "tga";
    rtx.fileReader = readCacheFile;
    resources.registerType(rtx);

    ResourceTypeInfo ctx = rtx;
    ctx.extension = "ctx";
    ctx.factory = [](const std::string& name, const uint8_t* data, size_t size, int) {
        return loadCtx(data, size, name);
    };
    resources.registerType(ctx);
}
