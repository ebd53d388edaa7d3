#include "graphics/TextureTools.h"

#include "engine/console/CommandSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"
#include "graphics/TextureCache.h"
#include "graphics/codecs/CodecFiles.h"
#include "graphics/codecs/GeneratedTextures.h"
#include "graphics/codecs/TextureCtx.h"
#include "graphics/codecs/TextureRtx.h"
#include "graphics/codecs/TgaImage.h"

#include <cstdlib>

bool TextureTools::resizeImage(const std::string& fileName, int newWidth, int newHeight)
{
    TgaImage image;
    if (!readTgaHeader(image, fileName)) {
        debugPrint(2, "%s: not a Targa image that can be converted (type 2, 24 or 32 bits)\n",
                   fileName.c_str());
        return false;
    }
    bool widthOk = image.width <= newWidth;
    bool heightOk = image.height <= newHeight;
    if (!widthOk || !heightOk) {
        if (!widthOk) {
            debugPrintRaw("New width (%d) smaller than old width (%d) \n", newWidth, image.width);
        } else {
            debugPrintRaw("New height (%d) smaller than old height (%d) \n", newHeight, image.height);
        }
        return false;
    }
    if (newWidth > TgaHeader::kMaxSide || newHeight > TgaHeader::kMaxSide) {
        debugPrint(2, "%s: %d x %d is larger than a Targa image can be\n", fileName.c_str(), newWidth,
                   newHeight);
        return false;
    }
    // R, G, B, A canvas, rows in file order like the source.
    std::vector<uint8_t> canvas(static_cast<size_t>(newWidth) * newHeight * 4, 0);
    int x0 = newWidth / 2 - image.width / 2;
    int y0 = newHeight / 2 - image.height / 2;
    const int bpp = image.bytesPerPixel;
    for (int row = 0; row < image.height; ++row) {
        for (int column = 0; column < image.width; ++column) {
            const uint8_t* p = image.pixels.data() + (static_cast<size_t>(row) * image.width + column) * bpp;
            uint8_t* q = canvas.data() + (static_cast<size_t>(y0 + row) * newWidth + x0 + column) * 4;
            if (p[0] == 170 && p[1] == 170 && p[2] == 170) {
                continue; // the colour key: transparent
            }
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
            q[3] = bpp == 4 ? p[3] : 255;
        }
    }
    if (!writeTga(newWidth, newHeight, 4, canvas.data(), fileName)) {
        debugPrint(3, "Could not write %s\n", fileName.c_str());
        return false;
    }
    return true;
}

int TextureTools::convertTextureDirectory(const std::string& directory, const std::string& name, int count,
                                          int newWidth, int newHeight)
{
    int converted = 0;
    for (int i = 0; i < count; ++i) {
        std::string file = formatString("%s/%s/%s%03d.tga", directory.c_str(), name.c_str(), name.c_str(), i);
        converted += resizeImage(file, newWidth, newHeight) ? 1 : 0;
    }
    return converted;
}

bool TextureTools::compressTexture(const std::string& fileName)
{
    TextureRtx rtx;
    if (!rtx.loadTga(fileName)) {
        debugPrint(2, "%s: not a Targa image that can be compressed\n", fileName.c_str());
        return false;
    }
    rtx.swapRedBlue();
    rtx.buildMipChain();
    std::string target = TextureCache::targetName(fileName, "ctx");
    TextureCtx ctx;
    if (!ctx.save(rtx.mipChain.data(), rtx.bytesPerPixel, rtx.width, rtx.height, rtx.levelCount, target)) {
        debugPrint(3, "Failed to compress/save texture %s\n", target.c_str());
        return false;
    }
    return true;
}

bool TextureTools::uncompressTexture(const std::string& fileName)
{
    std::string name = codec::withExtension(fileName, "ctx");
    std::vector<uint8_t> file;
    FileSystem* files = FileSystem::instance();
    std::string cache = std::string(TextureCache::kDirectory) + name;
    auto cached = files ? files->readFile(cache, true) : std::nullopt;
    TextureCtx ctx;
    bool decoded = cached ? ctx.decode(cached->data(), cached->size()) : ctx.load(name);
    if (!decoded || ctx.mipChain.empty()) {
        debugPrint(2, "%s: not a compressed texture that can be read\n", name.c_str());
        return false;
    }
    std::string target = codec::replaceExtension(name, "");
    target.pop_back(); // the dot
    target += "-test.tga";
    if (!writeTga(ctx.width, ctx.height, ctx.bytesPerPixel, ctx.mipChain.data(), target)) {
        debugPrint(3, "Could not write %s\n", target.c_str());
        return false;
    }
    return true;
}

uint64_t TextureTools::textureUsageBytes(int width, int height, int bitsPerPixel, bool mipChain,
                                         bool compressed)
{
    uint64_t bytes =
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * (bitsPerPixel == 32 ? 4 : 3);
    if (mipChain) {
        bytes = static_cast<uint64_t>(static_cast<double>(bytes) * 1.33);
    }
    if (compressed) {
        bytes /= bitsPerPixel == 32 ? 4 : 6;
    }
    return bytes;
}

void TextureTools::registerCommands(CommandSystem& commands)
{
    commands.registerCommand(
        [](const CommandArgs& args) {
            if (args.size() < 3) {
                debugPrintRaw("usage: convertTexture fileName newWidth newHeight\n");
                return;
            }
            resizeImage(args[0], std::atoi(args[1].c_str()), std::atoi(args[2].c_str()));
        },
        "convertTexture", "Converts a texture", "fileName newWidth newHeight", "sii", false, 0);
    commands.registerCommand(
        [](const CommandArgs& args) {
            if (args.size() < 5) {
                debugPrintRaw("usage: convertTextureDirectory directory textureName numTextures newWidth "
                              "newHeight\n");
                return;
            }
            convertTextureDirectory(args[0], args[1], std::atoi(args[2].c_str()), std::atoi(args[3].c_str()),
                                    std::atoi(args[4].c_str()));
        },
        "convertTextureDirectory", "Converts a full texture directory",
        "directory textureName numTextures newWidth newHeight", "ssiii", false, 0);
    commands.registerCommand([](const CommandArgs&) { TextureCache::buildRtxFiles(); }, "buildRtxs",
                             "Builds all of the rtx files", "", "", false, 0);
    commands.registerCommand([](const CommandArgs&) { TextureCache::buildCtxFiles(); }, "buildCtxs",
                             "Builds all of the ctx files", "", "", false, 0);
    commands.registerCommand(
        [](const CommandArgs& args) {
            if (args.empty() || args[0].empty()) {
                debugPrintRaw("usage: compressTexture fileName.tga\n");
                return;
            }
            compressTexture(args[0]);
        },
        "compressTexture", "Compresses one Targa image into the texture cache", "fileName", "S", false, 0);
    commands.registerCommand(
        [](const CommandArgs& args) {
            if (args.empty() || args[0].empty()) {
                debugPrintRaw("usage: uncompressTexture fileName.ctx\n");
                return;
            }
            uncompressTexture(args[0]);
        },
        "uncompressTexture", "Writes a compressed texture back as a Targa image", "fileName", "S", false, 0);
    commands.registerCommand([](const CommandArgs&) { GeneratedTextures::generateTextures(); },
                             "generateTextures", "Generates a bunch of general textures", "", "", false, 0);
}
