// Writes an area block file (".ara") from its readable description
// (".areasrc"): areagen <source> <output file> <data directory>
// The shader scripts of the data directory tell which tiles block movement,
// its model files which cells their objects take. Any fault stops the tool
// with "file:line: what is wrong" and no output.
#include "engine/core/DebugSystem.h"
#include "engine/resources/ModelResource.h"
#include "game/world/AreaResource.h"
#include "game/world/ObjectFootprint.h"
#include "graphics/shaders/ShaderDefinition.h"
#include "graphics/shaders/ShaderSystem.h"
#include "tools/areagen/AreaSource.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace {

bool readWhole(const fs::path& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::stringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

std::string withoutExtension(const std::string& name)
{
    size_t dot = name.rfind('.');
    size_t slash = name.find_last_of('/');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? name.substr(0, dot)
                                                                                   : name;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: areagen <source.areasrc> <output.ara> <data directory>\n");
        return 2;
    }
    DebugSystem debug;
    const fs::path sourcePath = argv[1];
    const fs::path outputPath = argv[2];
    const fs::path dataDir = argv[3];

    std::string text;
    if (!readWhole(sourcePath, text)) {
        std::fprintf(stderr, "%s: cannot be read\n", sourcePath.string().c_str());
        return 1;
    }
    AreaSource source;
    std::string error;
    if (!source.parse(text, sourcePath.string(), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    ShaderSystem shaders;
    std::vector<fs::path> scripts;
    for (const auto& entry : fs::directory_iterator(dataDir / "Shaders")) {
        if (entry.path().extension() == ".sdr") {
            scripts.push_back(entry.path());
        }
    }
    std::sort(scripts.begin(), scripts.end());
    for (const fs::path& script : scripts) {
        std::string sdr;
        readWhole(script, sdr);
        shaders.loadText(sdr, "Shaders/" + script.filename().string());
    }
    for (const auto& [c, tile] : source.tiles) {
        std::lock_guard<std::recursive_mutex> lock(shaders.getLock());
        if (!shaders.findDefinition(withoutExtension(tile.shader))) {
            std::fprintf(stderr, "%s:1: tile '%c' names \"%s\", which no shader script defines\n",
                         sourcePath.string().c_str(), c, tile.shader.c_str());
            return 1;
        }
    }

    std::map<std::string, std::unique_ptr<ModelResource>> models;
    for (const auto& [c, object] : source.objects) {
        if (models.count(object.model)) {
            continue;
        }
        std::string mdl;
        if (!readWhole(dataDir / object.model, mdl)) {
            std::fprintf(stderr, "%s:1: object '%c': model \"%s\" cannot be read\n",
                         sourcePath.string().c_str(), c, object.model.c_str());
            return 1;
        }
        models[object.model] =
            ModelResource::parse(object.model, reinterpret_cast<const uint8_t*>(mdl.data()), mdl.size());
        if (!models[object.model]) {
            std::fprintf(stderr, "%s:1: object '%c': model \"%s\" does not parse\n",
                         sourcePath.string().c_str(), c, object.model.c_str());
            return 1;
        }
    }

    AreaSourceData data;
    data.blocksCollision = [&shaders](const std::string& shader) {
        std::lock_guard<std::recursive_mutex> lock(shaders.getLock());
        const ShaderDefinition* def = shaders.findDefinition(withoutExtension(shader));
        return def && def->BlocksCollision;
    };
    data.footprint = [&models](const std::string& model, int facing) {
        auto it = models.find(model);
        return it == models.end() ? std::vector<std::array<int, 2>>{}
                                  : objectFootprintCells(*it->second, facing);
    };
    AreaResource area(source.blockWidth, source.blockHeight);
    if (!buildAreaFromSource(source, data, area, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    fs::create_directories(outputPath.parent_path());
    if (!area.save(outputPath.string())) {
        std::fprintf(stderr, "%s: cannot be written\n", outputPath.string().c_str());
        return 1;
    }
    return 0;
}
