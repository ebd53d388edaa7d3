#include "game/world/AreaResource.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/files/AtomicWrite.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "graphics/shaders/ShaderSystem.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr const char* kSpecialNames[AreaResource::kSpecialEdgeCount] = {
    "levelEdgeClosed", "levelEdgeOpen", "levelBottleneck", "closed", "door", "wall",
    "bottomOpen",      "leftOpen",      "cornerOnly"};

constexpr const char* kDetailWords[] = {"VeryLow", "Low", "Normal", "High", "VeryHigh"};

// A whole token as a decimal integer (saturated); false when it is not one.
bool tokenToInt(const std::string& token, int& out)
{
    if (token.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(token.c_str(), &end, 10);
    if (end == token.c_str() || *end != '\0') {
        return false;
    }
    if (errno == ERANGE || v > INT_MAX) {
        v = v < 0 ? INT_MIN : INT_MAX;
    } else if (v < INT_MIN) {
        v = INT_MIN;
    }
    out = static_cast<int>(v);
    return true;
}

bool tokenToFloat(const std::string& token, float& out)
{
    if (token.empty()) {
        return false;
    }
    char* end = nullptr;
    float v = std::strtof(token.c_str(), &end);
    if (end == token.c_str() || *end != '\0') {
        return false;
    }
    out = v;
    return true;
}

// The next token (on the current line only, unless crossLines) as an
// integer, or the fallback.
int readInt(TextReader& reader, int fallback, bool crossLines)
{
    std::string token;
    int value = fallback;
    if (reader.readToken(token, crossLines) && !tokenToInt(token, value)) {
        value = fallback;
    }
    return value;
}

int readLineInt(TextReader& reader, int fallback)
{
    return readInt(reader, fallback, false);
}

// A list count and its names. A count larger than what the file holds stops
// at the last token instead of appending empty names.
std::vector<std::string> readNameList(TextReader& reader, const char* what)
{
    std::vector<std::string> names;
    std::string token;
    int count = 0;
    if (!reader.readToken(token, true)) {
        return names;
    }
    if (!tokenToInt(token, count)) {
        reader.report(2, "%s count \"%s\" is not a number; the list is empty\n", what, token.c_str());
        return names;
    }
    if (count < 0) {
        reader.report(2, "%s count %d is negative; the list is empty\n", what, count);
        return names;
    }
    for (int i = 0; i < count; ++i) {
        if (!reader.readToken(token, true)) {
            reader.report(2, "%s list ends after %d of %d names\n", what, i, count);
            break;
        }
        names.push_back(token);
    }
    return names;
}

// A name as the reader gets it back: quoted when empty or when it holds a
// blank, a tab (or another byte the reader skips) or a comment start.
void appendName(std::string& out, const std::string& name)
{
    bool quote = name.empty() ||
                 name.find_first_of(std::string_view(" \t\r\0\v\f", 6)) != std::string::npos ||
                 name.find("//") != std::string::npos || name.find("/*") != std::string::npos;
    if (quote) {
        out += '"';
        out += name;
        out += '"';
    } else {
        out += name;
    }
}

void appendList(std::string& out, const std::vector<std::string>& names)
{
    appendFormat(out, "%d\n", static_cast<int>(names.size()));
    for (const std::string& name : names) {
        appendName(out, name);
        out += '\n';
    }
    out += '\n';
}

void defaultBlockSize(int& width, int& height)
{
    width = 16;
    height = 16;
    if (GameData* data = GameData::instance()) {
        width = data->rules().blockTileWidth;
        height = data->rules().blockTileHeight;
    }
}

} // namespace

AreaResource::AreaResource()
{
    defaultBlockSize(m_blockWidth, m_blockHeight);
    m_special.fill(-1);
}

AreaResource::AreaResource(int blockWidth, int blockHeight)
    : m_blockWidth(std::max(blockWidth, 1)), m_blockHeight(std::max(blockHeight, 1))
{
    m_special.fill(-1);
}

AreaResource::~AreaResource() = default;

const char* AreaResource::specialEdgeName(int kind)
{
    return kind >= 0 && kind < kSpecialEdgeCount ? kSpecialNames[kind] : "";
}

std::unique_ptr<AreaResource> AreaResource::parse(TextReader& reader)
{
    int width = 16;
    int height = 16;
    defaultBlockSize(width, height);
    return parse(reader, width, height);
}

std::unique_ptr<AreaResource> AreaResource::parse(TextReader& reader, int blockWidth, int blockHeight)
{
    auto area = std::make_unique<AreaResource>(blockWidth, blockHeight);
    const int w = area->m_blockWidth;
    const int h = area->m_blockHeight;

    for (std::string& name : readNameList(reader, "tile")) {
        area->m_tiles.push_back(AreaTile{std::move(name), {}, {}, 0});
    }
    area->m_edgeKinds = readNameList(reader, "edge kind");
    area->recomputeSpecialEdges();
    for (std::string& name : readNameList(reader, "object type")) {
        area->m_objectTypes.push_back(AreaObjectType{std::move(name), {}, 0});
    }
    const int tileCount = static_cast<int>(area->m_tiles.size());
    const int typeCount = static_cast<int>(area->m_objectTypes.size());

    std::string token;
    while (reader.readToken(token, true)) {
        if (token != "block" || reader.lastTokenQuoted()) {
            continue;
        }
        area->m_blocks.push_back(std::make_unique<AreaBlock>(w, h));
        AreaBlock& block = *area->m_blocks.back();
        block.tiles.assign(static_cast<size_t>(w) * h, 0);
        const int blockLine = reader.getLine();

        // The header's fields are tokens like the rest: a hand-written file
        // may break them over lines.
        if (reader.readToken(token, true)) {
            block.name = token;
        }
        float weight = 1.0f;
        block.weight = reader.readToken(token, true) && tokenToFloat(token, weight) ? weight : 1.0f;
        block.openSides = readInt(reader, AreaBlock::kAllSidesOpen, true) & AreaBlock::kAllSidesOpen;
        block.maxUses = readInt(reader, 0, true);
        block.alwaysMonsters = readInt(reader, 0, true) != 0;
        block.alwaysChests = readInt(reader, 0, true) != 0;
        reader.readToken(token, true); // "{", whatever stands there

        bool badTile = false;
        for (size_t i = 0; i < block.tiles.size(); ++i) {
            int value = 0;
            if (reader.readToken(token, true) && !tokenToInt(token, value)) {
                value = 0;
            }
            if (value < -1 || value >= tileCount) {
                if (!badTile) {
                    reader.report(
                        2, "tile index %d outside the list of %d (block of line %d); the cell is empty\n",
                        value, tileCount, blockLine);
                    badTile = true;
                }
                value = -1;
            }
            block.tiles[i] = value;
        }
        for (int& edge : block.edges) {
            edge = 0;
            if (reader.readToken(token, true) && !tokenToInt(token, edge)) {
                edge = 0;
            }
        }
        bool badType = false;
        while (reader.readToken(token, true)) {
            if (token == "}" && !reader.lastTokenQuoted()) {
                break;
            }
            int x = 0;
            if (!tokenToInt(token, x)) {
                x = 0;
            }
            int row = readLineInt(reader, 0);
            int type = readLineInt(reader, 0);
            int direction = readLineInt(reader, 0);
            int element = block.rowElement(x, row);
            if (element < 0) {
                continue;
            }
            if (type < -1 || type >= typeCount) {
                if (!badType) {
                    reader.report(2, "object type %d outside the list of %d (block of line %d); no object\n",
                                  type, typeCount, blockLine);
                    badType = true;
                }
                type = -1;
            }
            block.objects[element] = AreaCellObject{type, direction};
        }
    }
    return area;
}

void AreaResource::registerType(ResourceSystem& resources)
{
    ResourceTypeInfo info;
    info.extension = "ara";
    info.factory = [](const std::string& fileName, const uint8_t* data, size_t size, int) {
        TextReader reader(std::string_view(reinterpret_cast<const char*>(data), size), fileName);
        std::unique_ptr<AreaResource> area = AreaResource::parse(reader);
        area->setFileName(fileName);
        return std::unique_ptr<Resource>(std::move(area));
    };
    info.placeholderFactory = [](const std::string& fileName) {
        auto area = std::make_unique<AreaResource>();
        area->setFileName(fileName);
        return std::unique_ptr<Resource>(std::move(area));
    };
    resources.registerType(std::move(info));
}

void registerAreaResourceType(ResourceSystem& resources)
{
    AreaResource::registerType(resources);
}

void AreaResource::recomputeSpecialEdges()
{
    m_special.fill(-1);
    for (size_t i = 0; i < m_edgeKinds.size(); ++i) {
        for (int k = 0; k < kSpecialEdgeCount; ++k) {
            if (equalsNoCase(m_edgeKinds[i], kSpecialNames[k])) {
                m_special[k] = static_cast<int>(i); // a later duplicate wins
            }
        }
    }
}

// ---- Use by levels

void AreaResource::acquire()
{
    ++m_userCount;
    if (m_loaded) {
        return;
    }
    for (AreaTile& tile : m_tiles) {
        tile.baseShader = acquireShader(tile.name, kTileShaderSubType);
    }
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        for (AreaObjectType& type : m_objectTypes) {
            type.handle = resources->load(type.name);
        }
    }
    loadGroundDetail();
    m_loaded = true;
}

void AreaResource::release()
{
    --m_userCount;
    if (!m_loaded || m_userCount >= 1) {
        return;
    }
    for (AreaTile& tile : m_tiles) {
        tile.baseShader.release();
        tile.shader.release();
    }
    for (AreaObjectType& type : m_objectTypes) {
        type.handle.release();
    }
    m_loaded = false;
}

void AreaResource::loadGroundDetail()
{
    for (AreaTile& tile : m_tiles) {
        tile.shader = tile.baseShader;
    }
    int level = 2;
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        UserVarRef var = vars->getVar("r_groundDetail", "2", 0);
        if (var.isValid()) {
            level = var.getInt();
        }
    }
    std::string base = getFileName();
    size_t slash = base.find_last_of("/\\");
    if (slash != std::string::npos) {
        base.erase(0, slash + 1);
    }
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) {
        base.erase(dot);
    }
    std::string entryName = "GroundDetail" + base;
    if (level >= 0 && level < static_cast<int>(std::size(kDetailWords))) {
        entryName += kDetailWords[level];
    }
    Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry(entryName) : nullptr;
    if (!entry) {
        return;
    }
    std::vector<std::string> replace = db->getStringList(entry, "Replace");
    std::vector<std::string> with = db->getStringList(entry, "With");
    const size_t pairs = std::min(replace.size(), with.size());
    for (size_t i = 0; i < pairs; ++i) {
        int a = findTileByName(replace[i]);
        int b = findTileByName(with[i]);
        if (a < 0 || b < 0) {
            continue;
        }
        const int from = m_tiles[a].baseShader.getIndex();
        const ResourceHandle to = m_tiles[b].baseShader;
        for (AreaTile& tile : m_tiles) {
            if (tile.shader.getIndex() == from) {
                tile.shader = to;
            }
        }
    }
}

AreaBlock* AreaResource::getBlock(int block)
{
    return block >= 0 && block < getBlockCount() ? m_blocks[block].get() : nullptr;
}

const AreaBlock* AreaResource::getBlock(int block) const
{
    return block >= 0 && block < getBlockCount() ? m_blocks[block].get() : nullptr;
}

ResourceHandle AreaResource::getCellTile(int block, int x, int y) const
{
    const AreaBlock* b = getBlock(block);
    if (!b) {
        return {};
    }
    int element = b->cellElement(x, y);
    if (element < 0) {
        return {};
    }
    int tile = b->tiles[element];
    if (tile < 0 || tile >= static_cast<int>(m_tiles.size())) {
        return {};
    }
    return m_tiles[tile].shader;
}

int AreaResource::getCellObjectType(int block, int x, int y) const
{
    const AreaBlock* b = getBlock(block);
    if (!b) {
        return -1;
    }
    int element = b->cellElement(x, y);
    if (element < 0) {
        return -1;
    }
    int type = b->objects[element].type;
    return type >= 0 && type < static_cast<int>(m_objectTypes.size()) ? type : -1;
}

int AreaResource::getCellObject(int block, int x, int y, ResourceHandle& handle, int& direction) const
{
    int type = getCellObjectType(block, x, y);
    if (type < 0) {
        handle.release();
        return -1;
    }
    const AreaBlock* b = getBlock(block);
    handle = m_objectTypes[type].handle;
    direction = b->objects[b->cellElement(x, y)].direction;
    return type;
}

ResourceHandle AreaResource::getObjectHandle(int type) const
{
    if (type < 0 || type >= static_cast<int>(m_objectTypes.size())) {
        return {};
    }
    return m_objectTypes[type].handle;
}

bool AreaResource::isSideOpen(int block, int side) const
{
    const AreaBlock* b = getBlock(block);
    return b && b->isSideOpen(side);
}

bool AreaResource::edgeMatches(int edge, int wanted) const
{
    const auto is = [this, edge](SpecialEdge kind) {
        return m_special[kind] >= 0 && edge == m_special[kind];
    };
    if (wanted == kWantClosedEdge) {
        return is(kLevelEdgeClosed) || is(kClosed);
    }
    if (wanted == kWantOpenEdge) {
        return is(kLevelEdgeOpen);
    }
    if (wanted == kWantBottleneck) {
        return is(kLevelBottleneck);
    }
    const auto wants = [this, wanted](SpecialEdge kind) {
        return m_special[kind] >= 0 && wanted == m_special[kind];
    };
    if (wanted == kWantAny || wants(kDoor) || wants(kWall)) {
        return !is(kLevelEdgeClosed) && !is(kLevelEdgeOpen) && !is(kLevelBottleneck);
    }
    if (wants(kBottomOpen)) {
        return is(kBottomOpen) || is(kCornerOnly) || is(kDoor) || is(kWall);
    }
    if (wants(kLeftOpen)) {
        return is(kLeftOpen) || is(kCornerOnly) || is(kDoor) || is(kWall);
    }
    if (wants(kCornerOnly)) {
        return is(kBottomOpen) || is(kLeftOpen);
    }
    return edge == wanted || is(kDoor) || is(kWall);
}

int AreaResource::chooseBlock(const std::array<int, 4>& wanted, std::vector<int>& useCounts) const
{
    const int count = getBlockCount();
    if (static_cast<int>(useCounts.size()) != count) {
        useCounts.resize(count, 0);
    }
    std::vector<int> candidates;
    float total = 0.0f;
    const auto weightOf = [](float w) { return std::isfinite(w) && w > 0.0f ? w : 0.0f; };
    for (int i = 0; i < count; ++i) {
        const AreaBlock& block = *m_blocks[i];
        if (block.maxUses >= 1 && useCounts[i] >= block.maxUses) {
            continue;
        }
        bool fits = true;
        for (int d = 0; d < 4 && fits; ++d) {
            fits = edgeMatches(block.edges[d], wanted[d]);
        }
        if (fits) {
            candidates.push_back(i);
            total += weightOf(block.weight);
        }
    }
    if (candidates.empty()) {
        return -1;
    }
    const float r = randomFloat(2) * total;
    float sum = 0.0f;
    int chosen = candidates.back(); // rounding past the sum ends on the last
    for (int i : candidates) {
        sum += weightOf(m_blocks[i]->weight);
        if (r <= sum) {
            chosen = i;
            break;
        }
    }
    ++useCounts[chosen];
    return chosen;
}

// ---- Editing

AreaBlock& AreaResource::addBlock()
{
    m_blocks.push_back(std::make_unique<AreaBlock>(m_blockWidth, m_blockHeight));
    return *m_blocks.back();
}

void AreaResource::removeBlock(int block)
{
    if (block >= 0 && block < getBlockCount()) {
        m_blocks.erase(m_blocks.begin() + block);
    }
}

void AreaResource::setCellTile(int block, int x, int y, const ResourceHandle& shader)
{
    AreaBlock* b = getBlock(block);
    int element = b ? b->cellElement(x, y) : -1;
    if (element < 0) {
        return;
    }
    int tile = findTileByShader(shader);
    if (tile < 0) {
        if (!shader.isValid()) {
            b->tiles[element] = -1;
            return;
        }
        m_tiles.push_back(AreaTile{shader.getFileName(), shader, shader, 0});
        tile = static_cast<int>(m_tiles.size()) - 1;
    }
    b->tiles[element] = tile;
}

void AreaResource::setCellObject(int block, int x, int y, const ResourceHandle& model, int direction)
{
    AreaBlock* b = getBlock(block);
    int element = b ? b->cellElement(x, y) : -1;
    if (element < 0 || !model.isValid()) {
        return;
    }
    int type = findObjectType(model);
    if (type < 0) {
        m_objectTypes.push_back(AreaObjectType{model.getFileName(), model, 0});
        type = static_cast<int>(m_objectTypes.size()) - 1;
    }
    b->objects[element] = AreaCellObject{type, direction};
}

void AreaResource::clearCellObject(int block, int x, int y)
{
    AreaBlock* b = getBlock(block);
    int element = b ? b->cellElement(x, y) : -1;
    if (element >= 0) {
        b->objects[element].type = -1;
    }
}

bool AreaResource::isStorableName(std::string_view name)
{
    return name.find_first_of("\"\r\n") == std::string_view::npos;
}

int AreaResource::addEdgeKind(const std::string& name)
{
    if (!isStorableName(name)) {
        return -1;
    }
    int found = findEdgeKind(name);
    if (found >= 0) {
        return found;
    }
    m_edgeKinds.push_back(name);
    recomputeSpecialEdges();
    return static_cast<int>(m_edgeKinds.size()) - 1;
}

void AreaResource::removeEdgeKind(int kind)
{
    if (kind < 0 || kind >= static_cast<int>(m_edgeKinds.size())) {
        return;
    }
    for (auto& block : m_blocks) {
        for (int& edge : block->edges) {
            if (edge == kind) {
                edge = 0;
            } else if (edge > kind) {
                --edge;
            }
        }
    }
    m_edgeKinds.erase(m_edgeKinds.begin() + kind);
    // The special kinds move with the names behind the removed one.
    recomputeSpecialEdges();
}

bool AreaResource::setBlockName(int block, const std::string& name)
{
    AreaBlock* b = getBlock(block);
    if (!b || !isStorableName(name)) {
        return false;
    }
    b->name = name;
    return true;
}

int AreaResource::addTileName(const std::string& name)
{
    m_tiles.push_back(AreaTile{name, {}, {}, 0});
    return static_cast<int>(m_tiles.size()) - 1;
}

int AreaResource::addObjectTypeName(const std::string& name)
{
    m_objectTypes.push_back(AreaObjectType{name, {}, 0});
    return static_cast<int>(m_objectTypes.size()) - 1;
}

// ---- Lookups

int AreaResource::findTileByName(std::string_view name) const
{
    for (size_t i = 0; i < m_tiles.size(); ++i) {
        if (equalsNoCase(m_tiles[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int AreaResource::findTileByShader(const ResourceHandle& shader) const
{
    if (!shader.isValid()) {
        return -1;
    }
    for (size_t i = 0; i < m_tiles.size(); ++i) {
        if (m_tiles[i].baseShader == shader) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int AreaResource::findObjectType(const ResourceHandle& model) const
{
    if (!model.isValid()) {
        return -1;
    }
    for (size_t i = 0; i < m_objectTypes.size(); ++i) {
        if (m_objectTypes[i].handle == model) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int AreaResource::findEdgeKind(std::string_view name) const
{
    for (size_t i = 0; i < m_edgeKinds.size(); ++i) {
        if (equalsNoCase(m_edgeKinds[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// ---- Saving

void AreaResource::pruneUnusedTiles()
{
    for (AreaTile& tile : m_tiles) {
        tile.useCount = 0;
    }
    const int count = static_cast<int>(m_tiles.size());
    for (const auto& block : m_blocks) {
        for (int tile : block->tiles) {
            if (tile >= 0 && tile < count) {
                ++m_tiles[tile].useCount;
            }
        }
    }
    for (int i = count - 1; i >= 0; --i) {
        if (m_tiles[i].useCount != 0) {
            continue;
        }
        m_tiles.erase(m_tiles.begin() + i);
        for (auto& block : m_blocks) {
            for (int& tile : block->tiles) {
                if (tile > i) {
                    --tile;
                }
            }
        }
    }
}

void AreaResource::pruneUnusedObjectTypes()
{
    for (AreaObjectType& type : m_objectTypes) {
        type.useCount = 0;
    }
    const int count = static_cast<int>(m_objectTypes.size());
    for (const auto& block : m_blocks) {
        for (const AreaCellObject& object : block->objects) {
            if (object.type >= 0 && object.type < count) {
                ++m_objectTypes[object.type].useCount;
            }
        }
    }
    for (int i = count - 1; i >= 0; --i) {
        if (m_objectTypes[i].useCount != 0) {
            continue;
        }
        m_objectTypes.erase(m_objectTypes.begin() + i);
        for (auto& block : m_blocks) {
            for (AreaCellObject& object : block->objects) {
                if (object.type > i) {
                    --object.type;
                }
            }
        }
    }
}

void AreaResource::writeBlock(const AreaBlock& block, std::string& out) const
{
    out += "block ";
    appendName(out, block.name);
    appendFormat(out, " %f %d %d %d %d\n", static_cast<double>(block.weight), block.openSides, block.maxUses,
                 block.alwaysMonsters ? 1 : 0, block.alwaysChests ? 1 : 0);
    out += "{\n";
    const int w = block.getWidth();
    for (int r = 0; r < block.getHeight(); ++r) {
        for (int c = 0; c < w; ++c) {
            appendFormat(out, "%d ", block.tiles[r * w + c]);
        }
        out += '\n';
    }
    appendFormat(out, "\t%d\n%d\t\t%d\n\t%d\n", block.edges[0], block.edges[1], block.edges[2],
                 block.edges[3]);
    for (int r = 0; r < block.getHeight(); ++r) {
        for (int c = 0; c < w; ++c) {
            const AreaCellObject& object = block.objects[r * w + c];
            if (object.type >= 0) {
                appendFormat(out, "%d %d %d %d\n", c, r, object.type, object.direction);
            }
        }
    }
    out += "}\n";
}

std::string AreaResource::buildText()
{
    pruneUnusedTiles();
    pruneUnusedObjectTypes();
    std::string out;
    std::vector<std::string> names;
    for (const AreaTile& tile : m_tiles) {
        names.push_back(tile.name);
    }
    appendList(out, names);
    appendList(out, m_edgeKinds);
    names.clear();
    for (const AreaObjectType& type : m_objectTypes) {
        names.push_back(type.name);
    }
    appendList(out, names);
    for (const auto& block : m_blocks) {
        writeBlock(*block, out);
        out += '\n';
    }
    return out;
}

bool AreaResource::save(const std::string& path)
{
    std::string text = buildText();
    if (!writeFileAtomically(path, text)) {
        debugPrint(3, "%s: the area could not be written; the old file is kept\n", path.c_str());
        return false;
    }
    return true;
}
