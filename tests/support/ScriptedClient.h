#pragma once

#include "engine/core/ByteBuffer.h"
#include "engine/core/GameTime.h"
#include "engine/core/ZonePosition.h"
#include "engine/net/NetAddress.h"

class DatabaseEntry;

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A test client on the real packet transport with a port of its own. It
// writes messages 0, 4 and 1 and reads 2, 5, 3 and 6 strictly: a message that
// ends early fails the test, naming the field.
class ScriptedClient {
public:
    struct WorldInfo {
        uint32_t worldSize = 0;
        uint32_t seed = 0;
    };
    struct Joined {
        uint32_t level = 0;
        uint32_t worldSize = 0;
        uint32_t seed = 0;
        uint32_t secretSeed = 0;
        std::vector<std::pair<uint32_t, std::string>> names;
    };
    // The common entity section; the class section is read by the reader of
    // the entry's type (none for a plain entity).
    struct EntityRecord {
        uint32_t number = 0;
        uint32_t entryId = 0xFFFFFFFFu;
        uint32_t flags = 0;
        uint32_t solid = 0;
        int32_t covenant = -1;
        ZonePosition position;
        ZonePosition secondaryPosition;
        int32_t parent = -1;
        int32_t attachPoint = -1;
        float light[3] = {0, 0, 0};
        float falloff = 0.0f;
        float lightOffset[2] = {0, 0};
        uint32_t model = 0xFFFFFFFFu;
        int32_t health = 0;
        int32_t maxHealth = 0;
        int32_t animation = -1;
        int32_t animationMode = 0;
        int32_t direction = 0;
        float scale = 1.0f;
        float fade = 1.0f;
        std::vector<bool> visualFlags;
        uint32_t alwaysRelevant = 0;
        std::vector<std::pair<uint32_t, int32_t>> effects;
        std::vector<uint8_t> classSection;
    };
    struct GameSection {
        GameTime clock;
        int32_t difficulty = 0;
        int32_t covenantCount = 0;
        float timeOfDay = 0.0f;
        int32_t npcCount = 0;
        int32_t questCount = 0;
        float scale1 = 0.0f;
        float scale2 = 0.0f;
        float rain = 0.0f;
        float windX = 0.0f;
        float windY = 0.0f;
        bool alliedVictory = false;
    };
    struct Sound {
        int32_t nameIndex = -1;
        int32_t entity = -1;
        ZonePosition position;
        float parameter = 0.0f;
    };
    struct State {
        uint32_t level = 0;
        std::vector<std::pair<uint32_t, std::string>> newNames;
        std::vector<std::string> lines;
        std::vector<EntityRecord> entities;
        GameSection game;
        std::vector<uint8_t> covenantSection;
        std::vector<uint8_t> playerSection;
        std::vector<Sound> sounds;
        size_t size = 0;
    };

    // Reads one part of a message; false when the bytes do not fit.
    using SectionReader = std::function<bool(ByteBuffer& in, std::vector<uint8_t>& raw)>;

    // A projectile's class section: a beam's two ends, or a lob's height.
    struct ProjectileSection {
        bool beam = false;
        int32_t start = -1;
        int32_t startPoint = -1;
        int32_t target = -1;
        int32_t targetPoint = -1;
        bool lob = false;
        float height = 0.0f;
    };
    // The reader of entry type Projectile, installed by the constructor: the
    // section's bytes go to raw.
    static bool readProjectileSection(ByteBuffer& in, std::vector<uint8_t>& raw);
    // The fields of bytes that readProjectileSection took; false when they
    // are short or longer than the section.
    static bool decodeProjectileSection(const std::vector<uint8_t>& raw, ProjectileSection& out);

    explicit ScriptedClient(uint16_t port);
    ~ScriptedClient();
    ScriptedClient(const ScriptedClient&) = delete;
    ScriptedClient& operator=(const ScriptedClient&) = delete;

    const NetAddress& address() const { return m_address; }

    void sendHello();
    void sendJoin(const std::vector<uint8_t>& covenantSection, const std::vector<uint8_t>& characterSection);
    // A join as the client writes it for a new covenant and a new character.
    void sendNewJoin(const std::string& name = "Aldric", uint32_t classIndex = 0);
    void sendInput(const ZonePosition& position, const ZonePosition& secondary, uint32_t action,
                   uint32_t target, const std::vector<std::string>& lines);
    void sendRaw(const ByteBuffer& message);

    // Messages waiting for this client.
    size_t pending() const;
    // The next message; false (test failed) when none waits.
    bool next(ByteBuffer& out);
    // Reads the next message as that type; false, with a test failure, when
    // it is missing, of another type or short.
    bool readWorldInfo(WorldInfo& out);
    bool readJoined(Joined& out);
    bool readState(State& out);
    bool readNewWorld(WorldInfo& out, uint32_t& secretSeed);

    // Readers of the class section by database entry type, of the game
    // section's covenant, NPC and quest bodies and of the covenant and player
    // sections; later work adds them.
    void setEntityReader(int entryType, SectionReader reader)
    {
        m_entityReaders[entryType] = std::move(reader);
    }
    void setCovenantBodyReader(SectionReader reader) { m_covenantBodyReader = std::move(reader); }
    void setNpcBodyReader(SectionReader reader) { m_npcBodyReader = std::move(reader); }
    void setQuestBodyReader(SectionReader reader) { m_questBodyReader = std::move(reader); }
    void setCovenantSectionReader(SectionReader reader) { m_covenantSectionReader = std::move(reader); }
    void setPlayerSectionReader(SectionReader reader) { m_playerSectionReader = std::move(reader); }

private:
    bool expectType(ByteBuffer& in, uint32_t type);
    bool readEntity(ByteBuffer& in, uint32_t number, EntityRecord& out);
    bool readGameSection(ByteBuffer& in, GameSection& out);

    int m_endpoint = -1;
    NetAddress m_address;
    NetAddress m_server;
    std::map<int, SectionReader> m_entityReaders;
    SectionReader m_covenantBodyReader;
    // The class section by the entry when no reader is set: monsters and
    // vendors, items, money and chests, gates; nothing for the rest.
    static bool readDefaultSection(ByteBuffer& in, const DatabaseEntry& entry, std::vector<uint8_t>& raw);
    SectionReader m_npcBodyReader;
    SectionReader m_questBodyReader;
    SectionReader m_covenantSectionReader;
    SectionReader m_playerSectionReader;
};
