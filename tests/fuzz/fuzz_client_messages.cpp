// Arbitrary datagrams through a joined client's dispatch, on the shipped
// database with the client's own commands registered: a server line runs
// them as the program would, internal ones included, so the URL opener is
// replaced by one that opens nothing. The client has a local player and its
// covenant, as a started game has, so the state message's two player
// sections are read too. The first byte picks the message type (2, 3, 5, 6
// or another), the rest is the body. A message the client drops must leave
// the name table, the outgoing queue, the game values, the entity mirrors,
// the covenant mirrors, the quest list and the local player's and its
// covenant's mirrors as they were. The queued input is sent (to nowhere)
// after every input, as a frame would, so nothing grows from one input to
// the next.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/net/SocketLayer.h"
#include "engine/platform/Shell.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/skills/SkillLoaders.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string makeUserDirectory()
{
    char pattern[] = "/tmp/gloam-fuzz-client-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? std::string(made) : std::string("/tmp");
}

bool openNothing(const std::string&)
{
    return true;
}

struct World {
    World() : files(GLOAM_DATA_DIR, makeUserDirectory())
    {
        setUrlOpener(openNothing);
        database.load(Database::kMasterFile, false);
        // The rules size the player covenant's recruit slots, as in the
        // program, where the game definitions load before any game starts.
        registerSkillLoaders();
        registerCovenantLoaders();
        startUpGameData(data);
        client.registerCommands();
        GameClient::registerCommands();
        join();
    }

    // A line may end the game: the next input starts it again.
    void join()
    {
        if (!client.getLocalPlayer()) {
            client.startGame(false);
        }
        ByteBuffer joined;
        joined.writeInt(uint32_t(5));
        for (int i = 0; i < 4; ++i) {
            joined.writeInt(uint32_t(0));
        }
        joined.writeInt(uint32_t(0xFFFFFFFFu));
        client.dispatchMessage(joined, server);
    }

    DebugSystem debug;
    FileSystem files;
    Database database;
    std::unique_ptr<GameData> data;
    CommandSystem commands;
    UserVarSystem vars;
    SocketLayer sockets;
    Client client;
    NetAddress server;
};

World& world()
{
    static World* w = new World();
    return *w;
}

struct Snapshot {
    size_t names = 0;
    std::vector<std::string> queue;
    float valueV4 = 0.0f;
    float valueV1 = 0.0f;
    uint32_t covenants = 0;
    std::vector<std::string> named;
    bool joined = false;
    // Entity table, covenant mirrors and quest list.
    std::string mirrors;
    // The local player's stats and inventory, its covenant's kept state.
    std::vector<uint8_t> player;

    static Snapshot take(const Client& client)
    {
        Snapshot s;
        s.names = client.getResourceNames().size();
        s.queue = client.getQueuedCommands();
        s.joined = client.isJoined();
        if (const GameClient* game = GameClient::instance()) {
            s.valueV4 = game->getValueV4();
            s.valueV1 = game->getScaleFactor1();
            s.covenants = game->getCovenantCount();
            s.named = game->getNamedNames();
            s.mirrors = digest(*game);
        }
        ByteBuffer own;
        if (const PlayerClient* local = client.getLocalPlayer()) {
            local->stats.write(own);
            if (local->inventory) {
                local->inventory->write(own, false);
            }
        }
        if (const PlayerCovenantClient* covenant = client.getPlayerCovenant()) {
            covenant->writeCharacterSection(own);
            own.writeString(covenant->name);
        }
        s.player = own.bytes();
        return s;
    }
    static std::string digest(const GameClient& game)
    {
        std::string d;
        auto add = [&d](auto value) { d += std::to_string(value) + ','; };
        for (int n = 0; n < GameClient::kEntityCount; ++n) {
            const EntityClient* e = game.getEntity(n);
            if (!e) {
                continue;
            }
            add(n);
            add(e->getEntryId());
            add(e->getHealth());
            add(e->getMaxHealth());
            add(e->getPosition().x);
            add(e->getStatusEffects().size());
            add(e->getAttachmentEntry(0));
            add(e->getLevel());
            add(e->getAppearanceSeed());
            add(e->getMoneyAmount());
            add(e->getFloatingTexts().size());
            d += ';';
        }
        for (size_t c = 0; c < game.getCovenantTableSize(); ++c) {
            const CovenantClient* covenant = game.getCovenant(static_cast<int>(c));
            d += covenant->name + ',';
            add(covenant->destroyed);
            add(covenant->getInfluence());
            add(covenant->getTraitCount());
            add(covenant->raidTarget);
            for (int other = 0; other < covenant->getRelationCount(); ++other) {
                add(covenant->getRelationRecord(other)->relation);
            }
            d += ';';
        }
        for (size_t q = 0; q < game.getQuestCount(); ++q) {
            const QuestClient* quest = game.getQuest(static_cast<int>(q));
            add(quest ? quest->id : -2);
            add(quest ? quest->progress : 0);
            add(quest ? quest->type : 0);
        }
        return d;
    }
    bool operator==(const Snapshot& o) const
    {
        return mirrors == o.mirrors && player == o.player && names == o.names && queue == o.queue &&
               joined == o.joined && covenants == o.covenants && named == o.named &&
               (valueV4 == o.valueV4 || (valueV4 != valueV4 && o.valueV4 != o.valueV4)) &&
               (valueV1 == o.valueV1 || (valueV1 != valueV1 && o.valueV1 != o.valueV1));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    World& w = world();
    if (!w.client.isJoined()) {
        w.join();
    }
    static const uint32_t kTypes[] = {2, 3, 5, 6, 0, 1, 4, 77};
    ByteBuffer message;
    message.writeInt(kTypes[data[0] % 8]);
    message.reserve(data + 1, size - 1);

    Snapshot before = Snapshot::take(w.client);
    unsigned drops = w.client.getDroppedCount();
    w.client.dispatchMessage(message, w.server);
    if (w.client.getDroppedCount() != drops) {
        FUZZ_CHECK(w.client.getDroppedCount() == drops + 1);
        FUZZ_CHECK(Snapshot::take(w.client) == before);
    }
    // The client has no endpoint here: this only empties the queue.
    if (!w.client.isJoined()) {
        w.join();
    }
    w.client.sendInput();
    return 0;
}
