#include "ui/maps/WorldMap.h"

#include "client/player/CharacterFiles.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "ui/maps/MapWorld.h"

// The explored map of a character, "chars/<name>.map": version, world
// identity, one record per explored level, a 0 at the end. The file name
// comes from the character files' one name rule; see docs/formats.md.

namespace {

// A first word above this is the world identifier of a file without a version.
constexpr int32_t kVersionLimit = 100000;
// The gate and connection fields exist from this version on.
constexpr int32_t kGateVersion = 35;

} // namespace

void WorldMap::writeExplored(ByteBuffer& out) const
{
    out.writeInt(static_cast<int32_t>(kFileVersion));
    out.writeInt(static_cast<int32_t>(m_worldId));
    out.writeInt(static_cast<int32_t>(m_worldSeed));
    for (size_t level = 0; level < m_levels.size(); ++level) {
        const ExploredLevel* record = m_levels[level].get();
        if (!record) {
            continue;
        }
        out.writeInt(int32_t(1));
        out.writeInt(static_cast<int32_t>(level));
        out.reserve(record->pixels.data(), record->pixels.size());
        out.writeZonePosition(record->gate);
        out.writeInt(static_cast<int32_t>(record->connections.size()));
        for (const ZonePosition& connection : record->connections) {
            out.writeZonePosition(connection);
        }
    }
    out.writeInt(int32_t(0));
}

bool WorldMap::readExplored(ByteBuffer& in, std::string& error)
{
    size_t fieldStart = 0;
    auto refuse = [&](const char* field) {
        error = field;
        in.setReadPos(fieldStart);
        return false;
    };
    auto mark = [&] { fieldStart = in.getReadPos(); };

    mark();
    int32_t first = in.readInt();
    if (in.failed()) {
        return refuse("version");
    }
    int32_t version = 0;
    int32_t worldId = first;
    if (first <= kVersionLimit) {
        version = first;
        mark();
        worldId = in.readInt();
        if (in.failed()) {
            return refuse("world identifier");
        }
    }
    mark();
    int32_t seed = in.readInt();
    if (in.failed()) {
        return refuse("world seed");
    }

    const int n = m_n;
    const size_t gridBytes = static_cast<size_t>(n) * static_cast<size_t>(n) * 4;
    const int levelLimit =
        m_world.isLoaded() ? std::min(kMaxLevelIndex + 1, m_world.getLevelCount()) : kMaxLevelIndex + 1;
    std::vector<std::unique_ptr<ExploredLevel>> table;
    for (;;) {
        mark();
        int32_t flag = in.readInt();
        if (in.failed()) {
            return refuse("continuation flag");
        }
        if (flag == 0) {
            // The terminator is the file's last word: anything after it (or a
            // grid of another size) means the file is not what it claims.
            if (!in.atEnd()) {
                return refuse("terminator");
            }
            break;
        }
        mark();
        int32_t level = in.readInt();
        if (in.failed() || level < 0 || level >= levelLimit) {
            return refuse("level index");
        }
        mark();
        if (in.remaining() < gridBytes) {
            return refuse("explored grid");
        }
        if (static_cast<size_t>(level) >= table.size()) {
            table.resize(static_cast<size_t>(level) + 1);
        }
        std::unique_ptr<ExploredLevel>& record = table[static_cast<size_t>(level)];
        if (!record) {
            record = std::make_unique<ExploredLevel>(n);
        }
        in.readBytes(record->pixels.data(), gridBytes);
        record->dirty = true;
        if (version >= kGateVersion) {
            mark();
            ZonePosition gate = in.readZonePosition();
            if (in.failed()) {
                return refuse("gate position");
            }
            record->gate = gate;
            mark();
            uint32_t count = in.readCount(12);
            if (in.failed()) {
                return refuse("connection count");
            }
            record->connections.assign(count, ZonePosition(-1, 0.0f, 0.0f));
            for (uint32_t i = 0; i < count; ++i) {
                record->connections[i] = in.readZonePosition();
            }
        }
    }

    resetForWorld(worldId, seed);
    m_levels = std::move(table);
    ++m_exploredChanges;
    return true;
}

bool WorldMap::saveExplored(const std::string& fileName)
{
    ByteBuffer out;
    writeExplored(out);
    // Through a temporary file renamed over the old one: a failed write
    // leaves the old map, with a line naming the file.
    return CharacterFiles::write(fileName, out);
}

void WorldMap::loadExplored(const std::string& fileName)
{
    CharacterFiles::ReadResult result = CharacterFiles::readChecked(
        fileName, [this](ByteBuffer& in, std::string& field) { return readExplored(in, field); });
    if (result == CharacterFiles::ReadResult::Refused) {
        // Set aside, so the next save cannot hide it; the game goes on with
        // an empty map.
        CharacterFiles::setAside(fileName);
        resetForWorld(m_worldId, m_worldSeed);
    }
}
