#include "graphics/TextureCache.h"

#include "engine/core/DebugSystem.h"
#include "engine/files/FileSystem.h"
#include "graphics/codecs/CodecFiles.h"
#include "graphics/codecs/TextureCtx.h"
#include "graphics/codecs/TextureRtx.h"

#include <filesystem>

std::string TextureCache::targetName(const std::string& source, std::string_view extension)
{
    return kDirectory + codec::replaceExtension(source, extension);
}

std::vector<std::string> TextureCache::listSources(std::string_view extension)
{
    std::vector<std::string> names;
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return names;
    }
    files->listFiles(names, "", std::string(extension), false, true);
    // A user directory inside the data directory (the default layout) holds
    // caches, screenshots and generated files: never sources.
    std::error_code ec;
    std::filesystem::path base = std::filesystem::weakly_canonical(files->getBaseDirectory(), ec);
    std::filesystem::path user = std::filesystem::weakly_canonical(files->getUserDirectory(), ec);
    std::string inside = user.lexically_relative(base).generic_string();
    if (!inside.empty() && !inside.starts_with("..") && inside != ".") {
        std::string prefix = inside + "/";
        std::erase_if(names, [&](const std::string& n) {
            return n.size() >= prefix.size() &&
                   std::equal(prefix.begin(), prefix.end(), n.begin(), [](char a, char b) {
                       return std::tolower(static_cast<unsigned char>(a)) ==
                              std::tolower(static_cast<unsigned char>(b));
                   });
        });
    }
    return names;
}

bool TextureCache::needsBuild(const std::string& source, const std::string& target)
{
    FileSystem* files = FileSystem::instance();
    return files && files->isNewer(source, false, target, true);
}

int TextureCache::buildRtxFiles()
{
    int built = 0;
    for (const std::string& source : listSources("ctx")) {
        std::string target = targetName(source, "rtx");
        if (!needsBuild(source, target)) {
            continue;
        }
        TextureCtx ctx;
        if (!ctx.load(source) || ctx.mipChain.empty()) {
            continue;
        }
        TextureRtx rtx;
        rtx.width = ctx.width;
        rtx.height = ctx.height;
        rtx.bytesPerPixel = ctx.bytesPerPixel;
        size_t level0 = static_cast<size_t>(ctx.width) * ctx.height * ctx.bytesPerPixel;
        if (ctx.mipChain.size() < level0) {
            continue;
        }
        rtx.pixels.assign(ctx.mipChain.begin(), ctx.mipChain.begin() + static_cast<std::ptrdiff_t>(level0));
        rtx.buildMipChain();
        built += rtx.save(target) ? 1 : 0;
    }
    for (const std::string& source : listSources("tga")) {
        std::string target = targetName(source, "rtx");
        if (!needsBuild(source, target)) {
            continue;
        }
        TextureRtx rtx;
        if (!rtx.loadTga(source)) {
            continue;
        }
        rtx.swapRedBlue();
        rtx.buildMipChain();
        built += rtx.save(target) ? 1 : 0;
    }
    return built;
}

int TextureCache::buildCtxFiles()
{
    int built = 0;
    auto compress = [&built](const TextureRtx& rtx, const std::string& target) {
        TextureCtx ctx;
        if (ctx.save(rtx.mipChain.data(), rtx.bytesPerPixel, rtx.width, rtx.height, rtx.levelCount, target)) {
            debugPrintRaw("Created compressed texture %s\n", target.c_str());
            ++built;
        } else {
            debugPrint(3, "Failed to compress/save texture %s\n", target.c_str());
        }
    };
    for (const std::string& source : listSources("rtx")) {
        std::string target = targetName(source, "ctx");
        TextureRtx rtx;
        if (needsBuild(source, target) && rtx.load(source)) {
            compress(rtx, target);
        }
    }
    for (const std::string& source : listSources("tga")) {
        std::string target = targetName(source, "ctx");
        TextureRtx rtx;
        if (!needsBuild(source, target) || !rtx.loadTga(source)) {
            continue;
        }
        // The caches hold R, G, B(, A) as they are uploaded.
        rtx.swapRedBlue();
        rtx.buildMipChain();
        compress(rtx, target);
    }
    return built;
}
