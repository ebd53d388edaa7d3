#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/files/CharacterFileName.h"
#include "engine/files/FileSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/GateList.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/quests/Quest.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/Weather.h"
#include "game/world/World.h"
#include "game/world/WorldGateSource.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr uint32_t kMaxRelationEntries = 32;
// A covenant record holds at least its house, flags, definition and stone.
constexpr size_t kMinCovenantBytes = 28;
// An actor's own part of a town NPC record: name seed, health share, flag.
constexpr size_t kActorRecordBytes = 12;

// Reads one i32 field; false when the buffer ends first.
bool readInt(ByteBuffer& in, int32_t& out)
{
    out = in.readInt();
    return in.ok();
}

} // namespace

bool Game::loadWorld(ByteBuffer& in, std::string& what, size_t& offset)
{
    size_t at = 0;
    auto fail = [&](const char* field) {
        what = field;
        offset = at;
        return false;
    };
    auto mark = [&] { at = in.getReadPos(); };

    mark();
    int32_t version = 0;
    if (!readInt(in, version)) {
        return fail("version");
    }
    if (version < 1 || version > kWorldSaveVersion) {
        return fail("version");
    }
    World* world = World::instance();
    if (!world) {
        return fail("world");
    }
    world->reset();

    mark();
    int32_t sizeId = 0;
    int32_t difficulty = 0;
    if (!readInt(in, sizeId)) {
        return fail("world size");
    }
    if (version >= 2) {
        mark();
        if (!readInt(in, difficulty)) {
            return fail("world difficulty");
        }
    }
    mark();
    const uint32_t seed = in.readUInt();
    if (in.failed()) {
        return fail("layout seed");
    }
    world->setRequestedWorldSize(sizeId);
    world->setStartLevelIndex(difficulty);
    if (GameData* data = GameData::instance()) {
        data->setWorldDifficulty(difficulty);
    }
    world->setWorldSeed(seed);
    world->load();
    const uint32_t secretSeed = Random::next(0);
    if (secretSeed != world->getSecretSeed()) {
        world->setSecretSeed(secretSeed);
        world->createSecretLevels();
    }
    GateList::setWorldSource(&WorldGateSource::instance());
    resizeForWorld(world->getLevelCount());

    mark();
    const GameTime clock = in.readGameTime();
    if (in.failed() || !std::isfinite(clock.seconds)) {
        return fail("clock");
    }
    mark();
    const double timeOfDay = in.readDouble();
    if (in.failed() || !std::isfinite(timeOfDay) || timeOfDay < 0.0 || timeOfDay > 24.0) {
        return fail("time of day");
    }
    m_clock = clock;
    m_timeOfDay = timeOfDay;
    mark();
    const uint32_t computerCount = in.readCount(kMinCovenantBytes);
    if (in.failed() || computerCount > kMaxRelationEntries) {
        return fail("computer covenant count");
    }
    m_covenants.clear();
    for (uint32_t i = 0; i < computerCount; ++i) {
        mark();
        auto covenant = std::make_unique<ActorCovenant>();
        ActorCovenant* added = covenant.get();
        if (addCovenant(std::move(covenant)) < 0 || !added->read(in, version)) {
            return fail("computer covenant");
        }
        added->updateStats();
    }
    m_aiCovenantCount = static_cast<int>(computerCount);

    ParkedRelations parked;
    mark();
    for (int32_t& value : parked.values) {
        if (!readInt(in, value)) {
            return fail("player covenant values");
        }
    }
    mark();
    const uint32_t n = in.readCount(4);
    if (in.failed() || n > kMaxRelationEntries) {
        return fail("relation states");
    }
    parked.states.resize(n);
    for (int32_t& state : parked.states) {
        if (!readInt(in, state) || state < 0 || state >= kCovenantTreatyCount) {
            return fail("relation states");
        }
    }
    mark();
    const uint32_t routes = in.readCount(4);
    if (in.failed() || routes != n) {
        return fail("trade routes");
    }
    parked.routes.resize(n);
    for (int32_t& route : parked.routes) {
        if (!readInt(in, route) || route < 0 || route >= kTradeRouteCount) {
            return fail("trade routes");
        }
    }
    mark();
    if (!readInt(in, parked.linked)) {
        return fail("player covenant index value");
    }
    parked.pending = true;
    m_parked = parked;

    if (version >= 18) {
        mark();
        m_leftTown = in.readBool();
        if (in.failed()) {
            return fail("left town");
        }
    }
    mark();
    m_worldEnded = in.readBool();
    if (in.failed()) {
        return fail("world ended");
    }
    if (version >= 12) {
        mark();
        m_alliedVictoryOffered = in.readBool();
        if (in.failed()) {
            return fail("allied victory");
        }
    }
    mark();
    const bool hasTutor = in.readBool();
    if (in.failed()) {
        return fail("extra actor");
    }
    if (hasTutor) {
        auto tutor = std::make_unique<Actor>();
        if (!tutor->readCreationInfo(in)) {
            return fail("extra actor");
        }
        ZonePosition stand(0, 0.0f, 0.0f);
        const int standIndex = static_cast<int>(m_settings.npcTypes.size());
        if (standIndex < static_cast<int>(worldRules().npcPositions.size())) {
            stand = worldRules().npcPositions[static_cast<size_t>(standIndex)];
        }
        ZonePosition spot = stand;
        findFreeSpotNear(stand, 4, spot, tutor.get(), true);
        tutor->setPosition(spot);
        if (addEntity(tutor.get()) >= 0) {
            m_tutor = tutor.release();
        }
    }
    createGates();

    // Where each town NPC's record starts: its health is applied again once
    // the quests have given the sick their affliction.
    std::vector<std::pair<Actor*, size_t>> npcRecords;
    if (version >= 4) {
        mark();
        const uint32_t m = in.readCount(4);
        if (in.failed()) {
            return fail("town NPC count");
        }
        m_townNpcs.clear();
        m_townNpcs.resize(m_settings.npcTypes.size());
        for (uint32_t i = 0; i < m; ++i) {
            mark();
            const bool present = in.readBool();
            if (in.failed()) {
                return fail("town NPC");
            }
            if (!present) {
                continue;
            }
            // Older files keep no level: their townsfolk start at 1 and rise
            // when the player joins.
            int32_t level = 1;
            if (version >= 40) {
                mark();
                if (!readInt(in, level) || level < 1 || level > GameRules::kMaxLevelLimit) {
                    return fail("town NPC level");
                }
            }
            const int slot = static_cast<int>(i);
            Actor* npc = nullptr;
            if (slot < static_cast<int>(m_townNpcs.size())) {
                createTownNpc(slot);
                npc = getTownNpcAt(slot);
            }
            if (npc) {
                // The saved share of health is of the levelled maximum.
                raiseTownNpc(npc, level);
                const size_t recordStart = in.getReadPos();
                if (!npc->read(in, version)) {
                    return fail("town NPC");
                }
                npcRecords.emplace_back(npc, recordStart);
                continue;
            }
            // A slot the rules no longer have (or a type gone from the data).
            Actor dropped;
            if (!dropped.read(in, version)) {
                return fail("town NPC");
            }
            debugPrint(2, "World save: town NPC slot %d has no place now and is dropped\n", slot);
        }
    } else {
        createTownNpcs();
    }

    if (version >= 3) {
        mark();
        const uint32_t q = in.readCount(4);
        if (in.failed()) {
            return fail("quest count");
        }
        clearQuests();
        for (uint32_t i = 0; i < q; ++i) {
            mark();
            const bool filled = in.readBool();
            if (in.failed()) {
                return fail("quest");
            }
            if (!filled) {
                continue;
            }
            auto quest = std::make_unique<Quest>();
            if (!quest->read(in, version)) {
                return fail("quest");
            }
            if (quest->level == -1) {
                debugPrint(2, "World save: quest slot %u left empty\n", i);
                continue;
            }
            restoreQuest(static_cast<int>(i), std::move(quest));
        }
        // Empty entries at the end keep the table's size, so the world saves as it was read.
        resizeQuestTable(static_cast<int>(q));
        // A saved health is a share of the maximum the NPC had, affliction
        // included: the afflictions first, then the shares again.
        for (int i = 0; i < getQuestTableSize(); ++i) {
            if (Quest* quest = getQuest(i); quest && quest->carriersPending) {
                quest->rebindCarriers();
            }
        }
        for (const auto& [npc, start] : npcRecords) {
            ByteBuffer record(in.data() + start, std::min(kActorRecordBytes, in.size() - start));
            npc->Actor::read(record, version);
        }
    }
    if (version >= 5) {
        mark();
        FactionSystem* factions = FactionSystem::instance();
        const bool read = factions ? factions->read(in) : (in.readCount(1) == 0 && in.ok());
        if (!read) {
            return fail("factions");
        }
    }
    if (version >= 10) {
        mark();
        if (!m_weather->read(in)) {
            return fail("weather");
        }
    }
    if (version >= 21) {
        mark();
        const uint32_t count = in.readCount(4);
        if (in.failed()) {
            return fail("level flags");
        }
        std::vector<bool> flags(count);
        for (uint32_t i = 0; i < count; ++i) {
            flags[i] = in.readBool();
        }
        if (in.failed()) {
            return fail("level flags");
        }
        m_levelFlags1 = flags;
    }
    if (version >= 32) {
        mark();
        if (!readDynamicChats(in)) {
            return fail("chat lines");
        }
    }
    // A file without the upkeep round's time left starts it anew: a load
    // pays no round of its own.
    float upkeepLeft = worldRules().upkeepInterval;
    if (version >= 41) {
        mark();
        upkeepLeft = in.readFloat();
        if (in.failed() || !std::isfinite(upkeepLeft)) {
            return fail("upkeep time");
        }
    }
    GameCountdown& upkeep = m_countdowns[kUpkeepCountdown];
    upkeep.active = upkeepLeft >= 0.0f;
    upkeep.left = std::max(0.0f, upkeepLeft);
    upkeep.reset = worldRules().upkeepInterval;
    // The town is built only for a file that read whole.
    world->addTownView();
    return true;
}

bool Game::loadCharacter(std::string& error)
{
    error.clear();
    std::string fileName;
    if (!CharacterFileName::make(getUserVarString("PlayerName"), ".wld", fileName)) {
        error = "PlayerName \"" + getUserVarString("PlayerName") + "\" is not a valid character name";
        return false;
    }
    FileSystem* files = FileSystem::instance();
    if (!files || !files->fileExists(fileName, true)) {
        return false;
    }
    std::optional<std::vector<uint8_t>> bytes = files->readFile(fileName, true);
    ByteBuffer in = bytes ? ByteBuffer(*bytes) : ByteBuffer();
    clear();
    std::string what;
    size_t offset = 0;
    std::vector<std::string> reasons;
    bool loaded = false;
    {
        // A refused file gets one line: the readers' own reasons join it.
        DebugLineHold hold;
        loaded = loadWorld(in, what, offset);
        if (!loaded) {
            reasons = hold.take();
        }
    }
    if (!loaded) {
        error = fileName + ": offset " + std::to_string(offset) + ": " + what + " cannot be read";
        for (std::string& reason : reasons) {
            while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) {
                reason.pop_back();
            }
            error += " (" + reason + ")";
        }
        debugPrint(3, "%s\n", error.c_str());
        clear();
        if (World* world = World::instance()) {
            world->reset();
        }
        return false;
    }
    return true;
}
