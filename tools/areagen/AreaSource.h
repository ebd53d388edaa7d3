#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class AreaResource;

// A readable description of an area block file (".areasrc"): tiles and
// objects by one-character aliases, edge kinds, drawn patterns composed with
// side treatments, and drawn maps cut into blocks. See docs/formats.md.
struct AreaSource {
    struct Tile {
        std::string shader;
    };
    struct Object {
        char tile = 0;
        std::string model;
        int direction = 4;
    };
    // How a side of a composed block looks for one edge kind.
    struct Kind {
        std::string edge;
        std::string treatment; // none, band, gap, corridor
        char tile = 0;
        float weight = 1.0f;
        int line = 0;
    };
    struct Pattern {
        std::string name;
        float weight = 1.0f;
        std::vector<std::string> rows;
        int line = 0;
    };
    struct Compose {
        std::string pattern;
        bool all = false; // every combination; else interior, sides and corners
        std::vector<std::string> kinds;
        int line = 0;
    };
    struct Map {
        std::string name;
        int across = 0;
        int down = 0;
        std::vector<std::string> rows;
        int line = 0;
    };
    struct Opening {
        int place = 0;
        char tile = 0;
        int line = 0;
    };

    std::string fileName;
    int blockWidth = 16;
    int blockHeight = 16;
    std::map<char, Tile> tiles;
    std::vector<char> tileOrder;
    std::map<char, Object> objects;
    std::vector<char> objectOrder;
    std::vector<std::string> edges;
    std::map<std::string, Kind> kinds;
    std::vector<Pattern> patterns;
    std::vector<Compose> composes;
    std::vector<Map> maps;
    std::vector<Opening> openings;

    // Reads a description; false with "file:line: what is wrong" in error.
    bool parse(std::string_view text, const std::string& name, std::string& error);
};

// What the block check needs to know of the game data.
struct AreaSourceData {
    // The tile's shader blocks movement.
    std::function<bool(const std::string& shader)> blocksCollision;
    // Cells (dx, dy with dy upward) a model blocks around its tile at a facing.
    std::function<std::vector<std::array<int, 2>>(const std::string& model, int facing)> footprint;
};

// Builds the area of a read description and checks every block (walkable
// cells connected, every open side reached). False with "file:line: what is
// wrong" in error.
bool buildAreaFromSource(const AreaSource& source, const AreaSourceData& data, AreaResource& area,
                         std::string& error);
