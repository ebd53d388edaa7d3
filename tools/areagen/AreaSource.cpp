#include "tools/areagen/AreaSource.h"

#include "engine/core/StringUtil.h"
#include "game/world/AreaResource.h"

#include <cstdlib>
#include <deque>
#include <set>
#include <sstream>

namespace {

constexpr const char* kTreatments[] = {"none", "band", "gap", "corridor"};

std::vector<std::string> splitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        // A line whose first word starts with '#' is a comment ('#' is also
        // a fine alias for a wall).
        if (words.empty() && word[0] == '#') {
            break;
        }
        words.push_back(word);
    }
    return words;
}

bool toInt(const std::string& text, int& out)
{
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < -1000000 || v > 1000000) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool toFloat(const std::string& text, float& out)
{
    char* end = nullptr;
    float v = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v >= 0.0f) || v > 1.0e6f) {
        return false;
    }
    out = v;
    return true;
}

bool isAliasWord(const std::string& word)
{
    return word.size() == 1 && word[0] > ' ' && word[0] < 127;
}

} // namespace

bool AreaSource::parse(std::string_view text, const std::string& name, std::string& error)
{
    fileName = name;
    std::vector<std::string> lines;
    {
        std::string current;
        for (char c : text) {
            if (c == '\n') {
                lines.push_back(current);
                current.clear();
            } else if (c != '\r') {
                current += c;
            }
        }
        if (!current.empty()) {
            lines.push_back(current);
        }
    }
    auto fail = [&](size_t line, const std::string& what) {
        error = name + ":" + std::to_string(line + 1) + ": " + what;
        return false;
    };
    // The drawn rows that follow a "pattern" or "map" line.
    auto readRows = [&](size_t& i, int count, int width, std::vector<std::string>& out) {
        for (int r = 0; r < count; ++r) {
            ++i;
            if (i >= lines.size()) {
                return fail(i - 1, "the drawing ends after " + std::to_string(r) + " of " +
                                       std::to_string(count) + " rows");
            }
            const std::string& row = lines[i];
            if (static_cast<int>(row.size()) != width) {
                return fail(i, "a row of " + std::to_string(row.size()) + " characters where " +
                                   std::to_string(width) + " are drawn");
            }
            for (char c : row) {
                if (!tiles.count(c) && !objects.count(c)) {
                    return fail(i, std::string("'") + c + "' is no tile or object");
                }
            }
            out.push_back(row);
        }
        return true;
    };

    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> w = splitWords(lines[i]);
        if (w.empty()) {
            continue;
        }
        const std::string& key = w[0];
        if (key == "tile") {
            if (w.size() != 3 || !isAliasWord(w[1])) {
                return fail(i, "tile <character> <shader>");
            }
            char c = w[1][0];
            if (tiles.count(c) || objects.count(c)) {
                return fail(i, std::string("'") + c + "' is named twice");
            }
            tiles[c] = Tile{w[2]};
            tileOrder.push_back(c);
        } else if (key == "object") {
            int direction = 4;
            if (w.size() < 4 || w.size() > 5 || !isAliasWord(w[1]) || !isAliasWord(w[2]) ||
                (w.size() == 5 && (!toInt(w[4], direction) || direction < 0 || direction > 7))) {
                return fail(i, "object <character> <tile character> <model> [direction 0-7]");
            }
            char c = w[1][0];
            if (tiles.count(c) || objects.count(c)) {
                return fail(i, std::string("'") + c + "' is named twice");
            }
            if (!tiles.count(w[2][0])) {
                return fail(i, std::string("'") + w[2][0] + "' is no tile");
            }
            objects[c] = Object{w[2][0], w[3], direction};
            objectOrder.push_back(c);
        } else if (key == "edge") {
            if (w.size() < 2) {
                return fail(i, "edge <name>...");
            }
            for (size_t k = 1; k < w.size(); ++k) {
                edges.push_back(w[k]);
            }
        } else if (key == "kind") {
            Kind kind;
            kind.line = static_cast<int>(i + 1);
            if (w.size() < 3) {
                return fail(i, "kind <edge> <none|band|gap|corridor> [tile] [weight <w>]");
            }
            kind.edge = w[1];
            kind.treatment = w[2];
            bool known = false;
            for (const char* t : kTreatments) {
                known = known || kind.treatment == t;
            }
            if (!known) {
                return fail(i, "unknown side treatment \"" + kind.treatment + "\"");
            }
            size_t k = 3;
            if (kind.treatment != "none") {
                if (w.size() < 4 || !isAliasWord(w[3]) || !tiles.count(w[3][0])) {
                    return fail(i, "the treatment \"" + kind.treatment + "\" needs a tile character");
                }
                kind.tile = w[3][0];
                k = 4;
            }
            if (k < w.size()) {
                if (w[k] != "weight" || k + 2 != w.size() || !toFloat(w[k + 1], kind.weight)) {
                    return fail(i, "expected \"weight <number>\" at the end");
                }
            }
            if (std::find(edges.begin(), edges.end(), kind.edge) == edges.end()) {
                return fail(i, "edge kind \"" + kind.edge + "\" is not listed");
            }
            kinds[kind.edge] = kind;
        } else if (key == "pattern") {
            Pattern pattern;
            pattern.line = static_cast<int>(i + 1);
            if (w.size() != 2 && !(w.size() == 4 && w[2] == "weight" && toFloat(w[3], pattern.weight))) {
                return fail(i, "pattern <name> [weight <w>]");
            }
            pattern.name = w[1];
            for (const Pattern& p : patterns) {
                if (p.name == pattern.name) {
                    return fail(i, "pattern \"" + pattern.name + "\" is drawn twice");
                }
            }
            if (!readRows(i, blockHeight, blockWidth, pattern.rows)) {
                return false;
            }
            patterns.push_back(std::move(pattern));
        } else if (key == "compose") {
            Compose compose;
            compose.line = static_cast<int>(i + 1);
            if (w.size() < 4 || (w[2] != "all" && w[2] != "borders")) {
                return fail(i, "compose <pattern> all|borders <kind>...");
            }
            compose.pattern = w[1];
            compose.all = w[2] == "all";
            bool found = false;
            for (const Pattern& p : patterns) {
                found = found || p.name == compose.pattern;
            }
            if (!found) {
                return fail(i, "no pattern \"" + compose.pattern + "\" above");
            }
            for (size_t k = 3; k < w.size(); ++k) {
                if (!kinds.count(w[k])) {
                    return fail(i, "no kind line for \"" + w[k] + "\"");
                }
                compose.kinds.push_back(w[k]);
            }
            if (compose.kinds.size() > (compose.all ? 6u : 8u)) {
                return fail(i, compose.all ? "at most 6 kinds combine on all sides"
                                           : "at most 8 kinds per compose");
            }
            composes.push_back(std::move(compose));
        } else if (key == "map") {
            Map map;
            map.line = static_cast<int>(i + 1);
            if (w.size() != 4 || !toInt(w[2], map.across) || !toInt(w[3], map.down) || map.across < 1 ||
                map.down < 1 || map.across > 16 || map.down > 16) {
                return fail(i, "map <name> <blocks across 1-16> <blocks down 1-16>");
            }
            map.name = w[1];
            if (!readRows(i, map.down * blockHeight, map.across * blockWidth, map.rows)) {
                return false;
            }
            maps.push_back(std::move(map));
        } else if (key == "opening") {
            Opening opening;
            opening.line = static_cast<int>(i + 1);
            if (w.size() != 3 || !toInt(w[1], opening.place) || opening.place < 0 || !isAliasWord(w[2]) ||
                !tiles.count(w[2][0])) {
                return fail(i, "opening <place> <band tile character>");
            }
            opening.tile = w[2][0];
            openings.push_back(opening);
        } else {
            return fail(i, "unknown line \"" + key + "\"");
        }
    }
    return true;
}

namespace {

// One block being made: characters by row (0 the top) and column.
struct Drawing {
    int w = 0;
    int h = 0;
    std::vector<std::string> rows;

    void set(int column, int row, char c)
    {
        if (column >= 0 && column < w && row >= 0 && row < h) {
            rows[row][column] = c;
        }
    }
};

// Paints the side treatment of a kind on side d (0 top, 1 left, 2 right, 3 bottom).
void applyTreatment(Drawing& d, int side, const AreaSource::Kind& kind)
{
    const int w = d.w;
    const int h = d.h;
    const bool band = kind.treatment == "band" || kind.treatment == "gap";
    if (band) {
        const bool gap = kind.treatment == "gap";
        const int along = (side == 0 || side == 3) ? w : h;
        for (int a = 0; a < along; ++a) {
            if (gap && a >= along / 2 - 2 && a <= along / 2 + 1) {
                continue;
            }
            for (int depth = 0; depth < 2; ++depth) {
                switch (side) {
                case 0:
                    d.set(a, depth, kind.tile);
                    break;
                case 3:
                    d.set(a, h - 1 - depth, kind.tile);
                    break;
                case 1:
                    d.set(depth, a, kind.tile);
                    break;
                default:
                    d.set(w - 1 - depth, a, kind.tile);
                    break;
                }
            }
        }
    } else if (kind.treatment == "corridor") {
        for (int a = -2; a <= 1; ++a) {
            switch (side) {
            case 0:
                for (int r = 0; r <= h / 2 + 1; ++r) {
                    d.set(w / 2 + a, r, kind.tile);
                }
                break;
            case 3:
                for (int r = h / 2 - 2; r < h; ++r) {
                    d.set(w / 2 + a, r, kind.tile);
                }
                break;
            case 1:
                for (int c = 0; c <= w / 2 + 1; ++c) {
                    d.set(c, h / 2 + a, kind.tile);
                }
                break;
            default:
                for (int c = w / 2 - 2; c < w; ++c) {
                    d.set(c, h / 2 + a, kind.tile);
                }
                break;
            }
        }
    }
}

class Builder {
public:
    Builder(const AreaSource& source, const AreaSourceData& data, AreaResource& area, std::string& error)
        : m_source(source), m_data(data), m_area(area), m_error(error)
    {
    }

    bool run()
    {
        if (m_area.getBlockWidth() != m_source.blockWidth ||
            m_area.getBlockHeight() != m_source.blockHeight) {
            return fail(1, "the area's block size differs from the drawings'");
        }
        for (char c : m_source.tileOrder) {
            m_tileIndex[c] = m_area.addTileName(m_source.tiles.at(c).shader);
        }
        for (char c : m_source.objectOrder) {
            m_objectIndex[c] = m_area.addObjectTypeName(m_source.objects.at(c).model);
        }
        for (const std::string& edge : m_source.edges) {
            if (m_area.addEdgeKind(edge) < 0) {
                return fail(1, "edge kind \"" + edge + "\" cannot be stored");
            }
        }
        for (const AreaSource::Compose& compose : m_source.composes) {
            if (!composeBlocks(compose)) {
                return false;
            }
        }
        for (const AreaSource::Map& map : m_source.maps) {
            if (!cutMap(map)) {
                return false;
            }
        }
        return true;
    }

private:
    bool fail(int line, const std::string& what)
    {
        m_error = m_source.fileName + ":" + std::to_string(line) + ": " + what;
        return false;
    }

    const AreaSource::Pattern* findPattern(const std::string& name) const
    {
        for (const AreaSource::Pattern& p : m_source.patterns) {
            if (p.name == name) {
                return &p;
            }
        }
        return nullptr;
    }

    bool composeBlocks(const AreaSource::Compose& compose)
    {
        const AreaSource::Pattern* pattern = findPattern(compose.pattern);
        std::vector<std::array<std::string, 4>> combos;
        const std::vector<std::string>& k = compose.kinds;
        if (compose.all) {
            const size_t n = k.size();
            for (size_t a = 0; a < n; ++a)
                for (size_t b = 0; b < n; ++b)
                    for (size_t c = 0; c < n; ++c)
                        for (size_t d = 0; d < n; ++d)
                            combos.push_back({k[a], k[b], k[c], k[d]});
        } else {
            const std::string& inner = k[0];
            combos.push_back({inner, inner, inner, inner});
            for (int side = 0; side < 4; ++side) {
                for (size_t b = 1; b < k.size(); ++b) {
                    std::array<std::string, 4> combo{inner, inner, inner, inner};
                    combo[side] = k[b];
                    combos.push_back(combo);
                }
            }
            const int corners[4][2] = {{0, 1}, {0, 2}, {3, 1}, {3, 2}};
            for (const auto& corner : corners) {
                for (size_t b1 = 1; b1 < k.size(); ++b1) {
                    for (size_t b2 = 1; b2 < k.size(); ++b2) {
                        std::array<std::string, 4> combo{inner, inner, inner, inner};
                        combo[corner[0]] = k[b1];
                        combo[corner[1]] = k[b2];
                        combos.push_back(combo);
                    }
                }
            }
        }
        for (const auto& combo : combos) {
            Drawing d{m_source.blockWidth, m_source.blockHeight, pattern->rows};
            float weight = pattern->weight;
            std::array<int, 4> edges{};
            std::string name = pattern->name;
            for (int side = 0; side < 4; ++side) {
                const AreaSource::Kind& kind = m_source.kinds.at(combo[side]);
                applyTreatment(d, side, kind);
                weight *= kind.weight;
                edges[side] = m_area.findEdgeKind(kind.edge);
                name += ":" + kind.edge;
            }
            if (!addBlock(d, name, weight, edges, compose.line)) {
                return false;
            }
        }
        return true;
    }

    bool cutMap(const AreaSource::Map& map)
    {
        const int bw = m_source.blockWidth;
        const int bh = m_source.blockHeight;
        const int closed = m_area.findEdgeKind("levelEdgeClosed");
        const int bottleneck = m_area.findEdgeKind("levelBottleneck");
        if (closed < 0 || bottleneck < 0) {
            return fail(map.line, "a map needs the edge kinds levelEdgeClosed and levelBottleneck");
        }
        auto innerEdge = [&](const char* dir, int x, int y) {
            return m_area.addEdgeKind(map.name + "_" + dir + "_" + std::to_string(x) + "_" +
                                      std::to_string(y));
        };
        for (int py = 0; py < map.down; ++py) {
            for (int px = 0; px < map.across; ++px) {
                Drawing d{bw, bh, {}};
                const int top = (map.down - 1 - py) * bh;
                for (int r = 0; r < bh; ++r) {
                    d.rows.push_back(map.rows[top + r].substr(static_cast<size_t>(px) * bw, bw));
                }
                std::array<int, 4> edges{};
                edges[0] = py == map.down - 1 ? closed : innerEdge("v", px, py);
                edges[3] = py == 0 ? closed : innerEdge("v", px, py - 1);
                edges[1] = px == 0 ? closed : innerEdge("h", px - 1, py);
                edges[2] = px == map.across - 1 ? closed : innerEdge("h", px, py);
                // Border sides at an opening place come as two blocks: as
                // drawn (a bottleneck) and closed with a band.
                std::vector<std::pair<int, const AreaSource::Opening*>> openSides;
                for (int side = 0; side < 4; ++side) {
                    if (edges[side] != closed) {
                        continue;
                    }
                    const int along = (side == 0 || side == 3) ? px : py;
                    for (const AreaSource::Opening& o : m_source.openings) {
                        if (o.place == along) {
                            openSides.push_back({side, &o});
                            break;
                        }
                    }
                }
                const int variants = 1 << openSides.size();
                for (int v = 0; v < variants; ++v) {
                    Drawing variant = d;
                    std::array<int, 4> variantEdges = edges;
                    std::string name = map.name + " " + std::to_string(px) + " " + std::to_string(py);
                    for (size_t s = 0; s < openSides.size(); ++s) {
                        const int side = openSides[s].first;
                        if (v & (1 << s)) {
                            AreaSource::Kind band;
                            band.treatment = "band";
                            band.tile = openSides[s].second->tile;
                            applyTreatment(variant, side, band);
                            name += " closed" + std::to_string(side);
                        } else {
                            variantEdges[side] = bottleneck;
                        }
                    }
                    if (!addBlock(variant, name, 1.0f, variantEdges, map.line)) {
                        return false;
                    }
                }
            }
        }
        return true;
    }

    bool addBlock(const Drawing& d, const std::string& name, float weight, const std::array<int, 4>& edges,
                  int line)
    {
        const int w = d.w;
        const int h = d.h;
        const int index = m_area.getBlockCount();
        AreaBlock& block = m_area.addBlock();
        if (!m_area.setBlockName(index, name)) {
            return fail(line, "block name \"" + name + "\" cannot be stored");
        }
        block.weight = weight;
        block.edges = edges;
        std::vector<char> walkable(static_cast<size_t>(w) * h, 0);
        for (int r = 0; r < h; ++r) {
            for (int c = 0; c < w; ++c) {
                char ch = d.rows[r][c];
                const int e = r * w + c;
                auto object = m_source.objects.find(ch);
                char tileChar = object != m_source.objects.end() ? object->second.tile : ch;
                block.tiles[e] = m_tileIndex.at(tileChar);
                walkable[e] = !m_data.blocksCollision(m_source.tiles.at(tileChar).shader);
                if (object != m_source.objects.end()) {
                    block.objects[e] = AreaCellObject{m_objectIndex.at(ch), object->second.direction};
                }
            }
        }
        // Footprints take their cells away (dy counts upward, rows downward).
        for (int r = 0; r < h; ++r) {
            for (int c = 0; c < w; ++c) {
                auto object = m_source.objects.find(d.rows[r][c]);
                if (object == m_source.objects.end()) {
                    continue;
                }
                for (const auto& cell : m_data.footprint(object->second.model, object->second.direction)) {
                    int cc = c + cell[0];
                    int rr = r - cell[1];
                    if (cc >= 0 && cc < w && rr >= 0 && rr < h) {
                        walkable[rr * w + cc] = 0;
                    }
                }
            }
        }
        // Open sides: those with walkable edge cells.
        int open = 0;
        for (int a = 0; a < w; ++a) {
            open |= walkable[a] ? 1 : 0;
            open |= walkable[(h - 1) * w + a] ? 8 : 0;
        }
        for (int a = 0; a < h; ++a) {
            open |= walkable[a * w] ? 2 : 0;
            open |= walkable[a * w + w - 1] ? 4 : 0;
        }
        block.openSides = open;
        // Every walkable cell in one piece (so every open side is reached).
        int start = -1;
        int count = 0;
        for (int e = 0; e < w * h; ++e) {
            if (walkable[e]) {
                count += 1;
                if (start < 0) {
                    start = e;
                }
            }
        }
        if (start >= 0) {
            std::vector<char> seen(walkable.size(), 0);
            std::deque<int> queue{start};
            seen[start] = 1;
            int reached = 0;
            while (!queue.empty()) {
                int e = queue.front();
                queue.pop_front();
                ++reached;
                const int r = e / w;
                const int c = e % w;
                const int next[4][2] = {{c, r - 1}, {c - 1, r}, {c + 1, r}, {c, r + 1}};
                for (const auto& n : next) {
                    if (n[0] < 0 || n[0] >= w || n[1] < 0 || n[1] >= h) {
                        continue;
                    }
                    int ne = n[1] * w + n[0];
                    if (walkable[ne] && !seen[ne]) {
                        seen[ne] = 1;
                        queue.push_back(ne);
                    }
                }
            }
            if (reached != count) {
                for (int e = 0; e < w * h; ++e) {
                    if (walkable[e] && !seen[e]) {
                        return fail(line, "block \"" + name + "\": its walkable cells fall apart: column " +
                                              std::to_string(e % w) + ", row " + std::to_string(e / w) +
                                              " cannot be reached from column " + std::to_string(start % w) +
                                              ", row " + std::to_string(start / w));
                    }
                }
            }
        }
        return true;
    }

    const AreaSource& m_source;
    const AreaSourceData& m_data;
    AreaResource& m_area;
    std::string& m_error;
    std::map<char, int> m_tileIndex;
    std::map<char, int> m_objectIndex;
};

} // namespace

bool buildAreaFromSource(const AreaSource& source, const AreaSourceData& data, AreaResource& area,
                         std::string& error)
{
    return Builder(source, data, area, error).run();
}
