#pragma once

#include <string>
#include <string_view>
#include <vector>

// The ".rtx" and ".ctx" caches of the game's textures. Sources are the game
// data's files (never the user directory's); targets go to the user
// directory's "TextureCache/" at the source's path, through the file system
// (a temporary file and a rename), and are rebuilt when the source is newer.
class TextureCache {
public:
    static constexpr const char* kDirectory = "TextureCache/";

    // "Textures/a/b.tga" with "rtx" gives "TextureCache/Textures/a/b.rtx".
    static std::string targetName(const std::string& source, std::string_view extension);
    // Every file of the extension in the game data tree, sorted; files below
    // a user directory that lies inside the data directory are left out.
    static std::vector<std::string> listSources(std::string_view extension);
    // Whether the target (user directory) is missing or older than the
    // source (game data).
    static bool needsBuild(const std::string& source, const std::string& target);

    // `buildRtxs`: ".ctx" sources decoded, then Targa files, each into an
    // ".rtx" with its mip chain. Nothing is printed. Returns how many were
    // written.
    static int buildRtxFiles();
    // `buildCtxs`: ".rtx" then Targa sources compressed into ".ctx" files;
    // each prints "Created compressed texture %s" or logs "Failed to
    // compress/save texture %s" (sizes that are not powers of two).
    static int buildCtxFiles();
};
