#pragma once

#include <cstdint>
#include <string>

class CommandSystem;

// The artist's and developer's texture commands.
class TextureTools {
public:
    // Places a Targa image of the game data in the middle of a larger
    // transparent canvas (32 bits; pixels of 170, 170, 170 become
    // transparent) and writes it under the same name into the user
    // directory. Refuses to shrink ("New width (%d) smaller than old width
    // (%d) \n", the same for the height). False when nothing was written.
    static bool resizeImage(const std::string& fileName, int newWidth, int newHeight);
    // resizeImage for directory/name/name000.tga … name<count-1>.tga.
    static int convertTextureDirectory(const std::string& directory, const std::string& name, int count,
                                       int newWidth, int newHeight);
    // A Targa file of the game data compressed into the user directory's
    // "TextureCache/<name>.ctx".
    static bool compressTexture(const std::string& fileName);
    // A ".ctx" (the user directory's cache first, then the game data) written
    // back as "<name>-test.tga" into the user directory.
    static bool uncompressTexture(const std::string& fileName);

    // Bytes a texture counts in the usage report: width × height × 4 (32
    // bits) or × 3, × 1.33 with its mip chain, then / 4 (32 bits) or / 6
    // with compression in use.
    static uint64_t textureUsageBytes(int width, int height, int bitsPerPixel, bool mipChain,
                                      bool compressed);

    // convertTexture, convertTextureDirectory, buildRtxs, buildCtxs,
    // compressTexture, uncompressTexture and generateTextures.
    static void registerCommands(CommandSystem& commands);
};
