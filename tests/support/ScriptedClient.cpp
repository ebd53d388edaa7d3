#include "support/ScriptedClient.h"

#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/net/SocketLayer.h"
#include "game/definitions/GateList.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Recruit.h"
#include "game/quests/QuestBase.h"
#include "game/world/Game.h"

#include <gtest/gtest.h>

namespace {
constexpr uint32_t kEnd = 0xFFFFFFFFu;

// A failed read names the field and fails the test.
bool check(ByteBuffer& in, const char* message, const char* field)
{
    if (in.failed()) {
        ADD_FAILURE() << "message " << message << ": short read at " << field;
        return false;
    }
    return true;
}

bool readNameList(ByteBuffer& in, const char* message, std::vector<std::pair<uint32_t, std::string>>& out)
{
    for (;;) {
        uint32_t index = in.readUInt();
        if (!check(in, message, "name index")) {
            return false;
        }
        if (index == kEnd) {
            return true;
        }
        std::string name = in.readString();
        if (!check(in, message, "name")) {
            return false;
        }
        out.emplace_back(index, name);
    }
}
// A recruit's state image: type, stats, inventory, entity number, kept
// entries, seed and skills (the join's form lacks the entity number).
bool skipRecruitImage(ByteBuffer& in)
{
    in.readInt();
    CounterList stats(Recruit::kStatCount);
    InventoryBase inventory;
    if (in.failed() || !stats.read(in, Recruit::kStatCount) ||
        !inventory.read(in, true, false, 0, "scripted client recruit"))
        return false;
    in.readInt();
    for (int list = 0; list < 2 && in.ok(); ++list) {
        const uint32_t n = in.readCount(4);
        for (uint32_t i = 0; i < n && in.ok(); ++i)
            in.readInt();
        if (list == 0)
            in.readInt(); // seed
    }
    return in.ok();
}

// The local player's covenant section: name, house, index, the covenant's
// inventory, the recruits by slot, then statistics, flags and the life stone
// (fourteen words) and the optional recruit candidate.
bool skipPlayerCovenantSection(ByteBuffer& in)
{
    in.readString();
    in.readZonePosition();
    in.readUInt();
    InventoryBase inventory;
    if (in.failed() || !inventory.read(in, true, false, 0, "scripted client"))
        return false;
    uint32_t recruits = in.readCount(8);
    for (uint32_t i = 0; i < recruits && in.ok(); ++i) {
        in.readUInt();
        if (!skipRecruitImage(in))
            return false;
    }
    for (int i = 0; i < 14; ++i)
        in.readUInt();
    if (in.readUInt() != 0 && !skipRecruitImage(in))
        return false;
    return in.ok();
}

// A quest slot in its index form.
void skipQuestRecord(ByteBuffer& in)
{
    for (int i = 0; i < 4; ++i)
        in.readUInt();
    in.readGameTime();
    in.readUInt();
    in.readUInt();
    if (in.readUInt() != 0)
        in.readUInt();
    uint32_t targets = in.readCount(8);
    for (uint32_t i = 0; i < targets * 2 && in.ok(); ++i)
        in.readUInt();
}

// The local player's section: 38 words of animation and stats, two
// positions, 61 words of skills and flags, the inventory, name, party,
// 26 words of statistics and flags, six quests, one word per level gate,
// the automatic target and the two flag lists.
bool skipPlayerSection(ByteBuffer& in)
{
    for (int i = 0; i < 38; ++i)
        in.readUInt();
    in.readZonePosition();
    in.readZonePosition();
    for (int i = 0; i < 61; ++i)
        in.readUInt();
    InventoryBase inventory;
    if (in.failed() || !inventory.read(in, true, false, 0, "scripted client"))
        return false;
    in.readString();
    uint32_t party = in.readCount(4);
    for (uint32_t i = 0; i < party + 26 && in.ok(); ++i)
        in.readUInt();
    for (int i = 0; i < 6 && in.ok(); ++i)
        skipQuestRecord(in);
    GateList gates(GateList::Mode::Level);
    gates.build();
    for (size_t i = 0; i < gates.getRecords().size() + 1 && in.ok(); ++i)
        in.readUInt();
    for (int list = 0; list < 2 && in.ok(); ++list) {
        uint32_t count = in.readCount(4);
        for (uint32_t i = 0; i < count && in.ok(); ++i)
            in.readUInt();
    }
    return in.ok();
}

// A reader that keeps the bytes a skipper took.
template <bool (*Skip)(ByteBuffer&)> bool keepSection(ByteBuffer& in, std::vector<uint8_t>& raw)
{
    size_t at = in.getReadPos();
    if (!Skip(in))
        return false;
    raw.assign(in.data() + at, in.data() + in.getReadPos());
    return true;
}

} // namespace

ScriptedClient::ScriptedClient(uint16_t port)
{
    getLocalAddress(m_address, port);
    getLocalAddress(m_server, kServerPort);
    m_endpoint = openUdpSocket(m_address);
    EXPECT_GE(m_endpoint, 0) << "port " << port;
    m_entityReaders[static_cast<int>(DatabaseEntryType::Projectile)] = &ScriptedClient::readProjectileSection;
    m_covenantSectionReader = &keepSection<skipPlayerCovenantSection>;
    m_playerSectionReader = &keepSection<skipPlayerSection>;
    // A character's class section: its ten shown equipment entries.
    m_entityReaders[static_cast<int>(DatabaseEntryType::Class)] = [](ByteBuffer& in,
                                                                     std::vector<uint8_t>& raw) {
        size_t at = in.getReadPos();
        for (int i = 0; i < 10; ++i)
            in.readUInt();
        if (in.failed())
            return false;
        raw.assign(in.data() + at, in.data() + in.getReadPos());
        return true;
    };
    // A town NPC slot: its type value and name.
    m_npcBodyReader = [](ByteBuffer& in, std::vector<uint8_t>& raw) {
        size_t at = in.getReadPos();
        in.readInt();
        in.readString();
        if (in.failed())
            return false;
        raw.assign(in.data() + at, in.data() + in.getReadPos());
        return true;
    };
    // A quest table entry: its present flag and record, skipped.
    m_questBodyReader = [](ByteBuffer& in, std::vector<uint8_t>& raw) {
        size_t at = in.getReadPos();
        const bool present = in.readBool();
        if (in.failed() || (present && !QuestBase::skip(in, false, Game::kWorldSaveVersion)))
            return false;
        raw.assign(in.data() + at, in.data() + in.getReadPos());
        return true;
    };
}

namespace {

// The fields of a projectile section; the cursor ends behind it.
bool parseProjectileSection(ByteBuffer& in, ScriptedClient::ProjectileSection& out)
{
    out = {};
    out.beam = in.readUInt() != 0;
    if (out.beam) {
        out.start = in.readInt();
        out.startPoint = in.readInt();
        out.target = in.readInt();
        out.targetPoint = in.readInt();
    } else {
        out.lob = in.readUInt() != 0;
        if (out.lob) {
            out.height = in.readFloat();
        }
    }
    return in.ok();
}

} // namespace

bool ScriptedClient::readProjectileSection(ByteBuffer& in, std::vector<uint8_t>& raw)
{
    size_t begin = in.getReadPos();
    ProjectileSection section;
    if (!parseProjectileSection(in, section)) {
        return false;
    }
    raw.assign(in.data() + begin, in.data() + in.getReadPos());
    return true;
}

bool ScriptedClient::decodeProjectileSection(const std::vector<uint8_t>& raw, ProjectileSection& out)
{
    ByteBuffer in(raw);
    return parseProjectileSection(in, out) && in.atEnd();
}

ScriptedClient::~ScriptedClient()
{
    if (m_endpoint >= 0) {
        closeUdpSocket(m_endpoint);
    }
}

void ScriptedClient::sendRaw(const ByteBuffer& message)
{
    sendDatagram(m_endpoint, message, m_server);
}

void ScriptedClient::sendHello()
{
    ByteBuffer m;
    m.writeInt(uint32_t(0));
    sendRaw(m);
}

void ScriptedClient::sendJoin(const std::vector<uint8_t>& covenantSection,
                              const std::vector<uint8_t>& characterSection)
{
    ByteBuffer m;
    m.writeInt(uint32_t(4));
    m.reserve(covenantSection.data(), covenantSection.size());
    m.reserve(characterSection.data(), characterSection.size());
    sendRaw(m);
}

void ScriptedClient::sendNewJoin(const std::string& name, uint32_t classIndex)
{
    ByteBuffer m;
    m.writeInt(uint32_t(4));
    m.writeInt(uint32_t(0));
    m.writeString(name + "'s covenant");
    m.writeInt(uint32_t(0));
    m.writeString(name);
    m.writeInt(classIndex);
    sendRaw(m);
}

void ScriptedClient::sendInput(const ZonePosition& position, const ZonePosition& secondary, uint32_t action,
                               uint32_t target, const std::vector<std::string>& lines)
{
    ByteBuffer m;
    m.writeInt(uint32_t(1));
    m.writeZonePosition(position);
    m.writeZonePosition(secondary);
    m.writeInt(action);
    m.writeInt(target);
    m.writeInt(static_cast<uint32_t>(lines.size()));
    for (const std::string& line : lines) {
        m.writeString(line);
    }
    sendRaw(m);
}

size_t ScriptedClient::pending() const
{
    const SocketLayer* layer = SocketLayer::instance();
    return layer ? layer->getQueuedCount(m_address.port) : 0;
}

bool ScriptedClient::next(ByteBuffer& out)
{
    NetAddress sender;
    if (!receiveDatagram(m_endpoint, out, sender)) {
        ADD_FAILURE() << "no message for port " << m_address.port;
        return false;
    }
    return true;
}

bool ScriptedClient::expectType(ByteBuffer& in, uint32_t type)
{
    if (!next(in)) {
        return false;
    }
    uint32_t got = in.readUInt();
    if (!check(in, "?", "type")) {
        return false;
    }
    if (got != type) {
        ADD_FAILURE() << "expected message " << type << ", got " << got;
        return false;
    }
    return true;
}

bool ScriptedClient::readWorldInfo(WorldInfo& out)
{
    ByteBuffer in;
    if (!expectType(in, 2)) {
        return false;
    }
    out.worldSize = in.readUInt();
    out.seed = in.readUInt();
    if (!check(in, "2", "world values")) {
        return false;
    }
    EXPECT_TRUE(in.atEnd()) << "message 2: trailing bytes";
    return in.atEnd();
}

bool ScriptedClient::readNewWorld(WorldInfo& out, uint32_t& secretSeed)
{
    ByteBuffer in;
    if (!expectType(in, 6)) {
        return false;
    }
    out.worldSize = in.readUInt();
    out.seed = in.readUInt();
    secretSeed = in.readUInt();
    return check(in, "6", "world values");
}

bool ScriptedClient::readJoined(Joined& out)
{
    ByteBuffer in;
    if (!expectType(in, 5)) {
        return false;
    }
    out.level = in.readUInt();
    out.worldSize = in.readUInt();
    out.seed = in.readUInt();
    out.secretSeed = in.readUInt();
    if (!check(in, "5", "world values") || !readNameList(in, "5", out.names)) {
        return false;
    }
    EXPECT_TRUE(in.atEnd()) << "message 5: trailing bytes";
    return in.atEnd();
}

bool ScriptedClient::readEntity(ByteBuffer& in, uint32_t number, EntityRecord& e)
{
    e.number = number;
    e.entryId = in.readUInt();
    e.flags = in.readUInt();
    e.solid = in.readUInt();
    e.covenant = in.readInt();
    e.position = in.readZonePosition();
    e.secondaryPosition = in.readZonePosition();
    e.parent = in.readInt();
    e.attachPoint = in.readInt();
    for (float& c : e.light) {
        c = in.readFloat();
    }
    e.falloff = in.readFloat();
    e.lightOffset[0] = in.readFloat();
    e.lightOffset[1] = in.readFloat();
    e.model = in.readUInt();
    e.health = in.readInt();
    e.maxHealth = in.readInt();
    e.animation = in.readInt();
    e.animationMode = in.readInt();
    e.direction = in.readInt();
    e.scale = in.readFloat();
    e.fade = in.readFloat();
    if (!check(in, "3", "entity common fields")) {
        return false;
    }
    in.readBoolVector(e.visualFlags, true);
    e.alwaysRelevant = in.readUInt();
    uint32_t effects = in.readCount(8);
    if (!check(in, "3", "entity visual flags and effect count")) {
        return false;
    }
    for (uint32_t i = 0; i < effects; ++i) {
        uint32_t id = in.readUInt();
        int32_t tag = in.readInt();
        e.effects.emplace_back(id, tag);
    }
    if (!check(in, "3", "entity effects")) {
        return false;
    }
    // The class section by the entry's type.
    const Database* db = Database::instance();
    const DatabaseEntry* entry =
        (db && e.entryId != kEnd) ? db->getEntryByIndex(static_cast<int>(e.entryId)) : nullptr;
    if (entry) {
        auto reader = m_entityReaders.find(entry->getTypeInherited());
        if (reader != m_entityReaders.end()) {
            if (!reader->second(in, e.classSection)) {
                ADD_FAILURE() << "message 3: class section of entity " << number;
                return false;
            }
        } else if (!readDefaultSection(in, *entry, e.classSection)) {
            ADD_FAILURE() << "message 3: class section of entity " << number;
            return false;
        }
    }
    return true;
}

namespace {

// The server's covenant section: fixed fields, one relation entry per
// covenant of the message, the traits, gold and raid fields.
bool skipCovenantBody(ByteBuffer& in, int covenantCount)
{
    in.readInt();
    in.readString();
    in.readZonePosition();
    for (int i = 0; i < 14; ++i)
        in.readInt();
    std::vector<uint8_t> entry(28);
    for (int i = 0; i < covenantCount && in.ok(); ++i)
        in.readBytes(entry.data(), entry.size());
    in.readInt();
    int traits = in.readInt();
    if (!in.ok() || traits < 0 || static_cast<size_t>(traits) > in.remaining() / 4)
        return false;
    for (int i = 0; i < traits; ++i)
        in.readInt();
    for (int i = 0; i < 3; ++i)
        in.readInt();
    return in.ok();
}

} // namespace

bool ScriptedClient::readDefaultSection(ByteBuffer& in, const DatabaseEntry& entry, std::vector<uint8_t>& raw)
{
    const Database* db = Database::instance();
    const size_t at = in.getReadPos();
    const int type = entry.getTypeInherited();
    if (type == static_cast<int>(DatabaseEntryType::MonsterType) || db->getInt(&entry, "Vendor", 0) != 0) {
        // Ten shown equipment entries, power, maximum power, interaction,
        // flag, rank, offered quests, name seed and level.
        for (int i = 0; i < 15; ++i) {
            in.readUInt();
        }
        const uint32_t quests = in.readCount(4);
        for (uint32_t i = 0; i < quests; ++i) {
            in.readUInt();
        }
        in.readUInt();
        in.readUInt();
    } else if (type == static_cast<int>(DatabaseEntryType::Item) ||
               type == static_cast<int>(DatabaseEntryType::Money) ||
               type == static_cast<int>(DatabaseEntryType::QuestItem) ||
               type == static_cast<int>(DatabaseEntryType::Chest)) {
        in.readUInt();
    } else if (db->getInt(&entry, "Gate", 0) != 0) {
        in.readZonePosition();
    }
    if (in.failed()) {
        return false;
    }
    raw.assign(in.data() + at, in.data() + in.getReadPos());
    return true;
}

bool ScriptedClient::readGameSection(ByteBuffer& in, GameSection& g)
{
    std::vector<uint8_t> raw;
    g.clock = in.readGameTime();
    g.difficulty = in.readInt();
    g.covenantCount = in.readInt();
    if (!check(in, "3", "game clock, difficulty and covenant count")) {
        return false;
    }
    for (int i = 0; i < g.covenantCount; ++i) {
        if (!m_covenantBodyReader) {
            if (!skipCovenantBody(in, g.covenantCount)) {
                ADD_FAILURE() << "message 3: covenant body " << i;
                return false;
            }
            continue;
        }
        if (!m_covenantBodyReader(in, raw)) {
            ADD_FAILURE() << "message 3: covenant body " << i;
            return false;
        }
    }
    g.timeOfDay = in.readFloat();
    g.npcCount = in.readInt();
    if (!check(in, "3", "time of day and town NPC count")) {
        return false;
    }
    for (int i = 0; i < g.npcCount; ++i) {
        if (!m_npcBodyReader || !m_npcBodyReader(in, raw)) {
            ADD_FAILURE() << "message 3: town NPC " << i;
            return false;
        }
    }
    g.questCount = in.readInt();
    if (!check(in, "3", "quest count")) {
        return false;
    }
    for (int i = 0; i < g.questCount; ++i) {
        if (!m_questBodyReader || !m_questBodyReader(in, raw)) {
            ADD_FAILURE() << "message 3: quest " << i;
            return false;
        }
    }
    g.scale1 = in.readFloat();
    g.scale2 = in.readFloat();
    g.rain = in.readFloat();
    g.windX = in.readFloat();
    g.windY = in.readFloat();
    g.alliedVictory = in.readBool();
    return check(in, "3", "scale factors, weather and allied victory");
}

bool ScriptedClient::readState(State& s)
{
    ByteBuffer in;
    if (!expectType(in, 3)) {
        return false;
    }
    s.size = in.size();
    s.level = in.readUInt();
    if (!check(in, "3", "level") || !readNameList(in, "3", s.newNames)) {
        return false;
    }
    uint32_t lines = in.readCount(1);
    if (!check(in, "3", "line count")) {
        return false;
    }
    for (uint32_t i = 0; i < lines; ++i) {
        s.lines.push_back(in.readString());
        if (!check(in, "3", "line")) {
            return false;
        }
    }
    for (;;) {
        uint32_t number = in.readUInt();
        if (!check(in, "3", "entity number")) {
            return false;
        }
        if (number == kEnd) {
            break;
        }
        EntityRecord e;
        if (!readEntity(in, number, e)) {
            const DatabaseEntry* last =
                s.entities.empty() || !Database::instance()
                    ? nullptr
                    : Database::get().getEntryByIndex(static_cast<int>(s.entities.back().entryId));
            ADD_FAILURE() << "message 3: entity " << number << " after "
                          << (last ? last->getName() : std::string("no named entity"));
            return false;
        }
        s.entities.push_back(std::move(e));
    }
    if (!readGameSection(in, s.game)) {
        return false;
    }
    if (s.level != kEnd) {
        if (!m_covenantSectionReader || !m_covenantSectionReader(in, s.covenantSection)) {
            ADD_FAILURE() << "message 3: covenant section";
            return false;
        }
        if (!m_playerSectionReader || !m_playerSectionReader(in, s.playerSection)) {
            ADD_FAILURE() << "message 3: player section";
            return false;
        }
    }
    uint32_t sounds = in.readCount(24);
    if (!check(in, "3", "sound count")) {
        return false;
    }
    for (uint32_t i = 0; i < sounds; ++i) {
        Sound sound;
        sound.nameIndex = in.readInt();
        sound.entity = in.readInt();
        sound.position = in.readZonePosition();
        sound.parameter = in.readFloat();
        s.sounds.push_back(sound);
    }
    if (!check(in, "3", "sounds")) {
        return false;
    }
    EXPECT_TRUE(in.atEnd()) << "message 3: trailing bytes";
    return in.atEnd();
}
