#include "client/Client.h"
#include "client/ClientHooks.h"
#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/SkillClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "client/stats/GlobalStats.h"
#include "engine/app/Application.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "engine/files/FileSystem.h"
#include "engine/net/SocketLayer.h"
#include "engine/platform/LaunchOptions.h"
#include "engine/platform/Platform.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GateList.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Entity.h"
#include "game/entities/Gate.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestLoaders.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FightingServices.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "game/world/WorldHooks.h"
#include "graphics/shaders/ShaderHooks.h"
#include "main/FrameCommands.h"
#include "server/GameStartup.h"
#include "server/Server.h"
#include "sound/SoundResourceTypes.h"
#include "sound/SoundSystem.h"
#include "support/PlayState.h"
#include "support/RecordingClientUi.h"
#include "support/RecordingSoundDriver.h"
#include "support/TestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <thread>

#include <csignal>
#include <sys/resource.h>

namespace {

// The program's own start-up on the shipped data with the game data, server
// and client hooks, headless; frames of a fixed length through the clock.
class ClientEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(DebugSystem::instance(), nullptr);
        LaunchOptions options = headlessOptions(user);
        AppHooks hooks;
        registerQuestLoaders();
        installGameDataHooks(hooks);
        installServerHooks(hooks);
        installClientHooks(hooks);
        installFrameCommands(hooks);
        if (withWorld) {
            registerSkillLoaders();
            registerFightingServices();
            installShaderHooks(hooks);
            installWorldHooks(hooks);
        }
        if (withSound) {
            // The headless program loads no sounds; this run hears what the
            // client plays through a recording driver.
            chainHook(hooks.createSoundSystem, [this] { soundSystem = std::make_unique<SoundSystem>(); });
            chainHook(hooks.registerSystems, [] {
                registerSoundResourceTypes(ResourceSystem::get());
                registerMusicResourceType(ResourceSystem::get());
            });
            chainHookFirst(hooks.destroySystems, [this] { soundSystem.reset(); });
        }
        app = std::make_unique<Application>(options, std::move(hooks));
        app->setClockSource([this] { return now; });
        app->startup();
        if (withSound) {
            ASSERT_TRUE(soundSystem->init(&soundDriver));
        }
        sink = DebugSystem::get().addSink([this](int level, const std::string& text) {
            lines.push_back(text);
            if (level >= 2) {
                warnings.push_back(text);
            }
            if (level >= 3) {
                errors.push_back(text);
            }
        });
        client = Client::instance();
        server = Server::instance();
        ASSERT_NE(client, nullptr);
        ASSERT_NE(server, nullptr);
        ASSERT_NE(GameClient::instance(), nullptr);
    }
    void TearDown() override
    {
        if (!app) {
            return;
        }
        DebugSystem::get().removeSink(sink);
        if (soundSystem) {
            soundSystem->shutdown();
        }
        app->requestQuit();
        app->shutdown();
        app.reset();
        EXPECT_EQ(Client::instance(), nullptr);
        EXPECT_EQ(GameClient::instance(), nullptr);
    }

    // The program ends and starts again on the same user folder, with no
    // world's gates known yet, as a new process.
    void restartProgram()
    {
        TearDown();
        GateList::setWorldSource(nullptr);
        lines.clear();
        warnings.clear();
        errors.clear();
        SetUp();
    }
    void frame()
    {
        now += frameNs;
        app->frame();
    }
    // Frames until the check holds; false at a limit that only catches a hang.
    // The frame count is a floor: a busy machine's loader may be late, so the
    // wait gives up only once 60 s have passed too.
    template <class Check> bool frameUntil(Check check, int limit = 400)
    {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; !check(); ++i) {
            if (i >= limit && std::chrono::steady_clock::now() - start > std::chrono::seconds(60)) {
                return false;
            }
            frame();
        }
        return true;
    }
    void set(const char* name, const char* value) { UserVarSystem::get().setVar(name, value); }
    SocketLayer::PortStats stats(uint16_t port) const { return SocketLayer::get().getStats(port); }
    size_t logged(const std::string& fragment) const
    {
        size_t n = 0;
        for (const std::string& line : lines) {
            n += line.find(fragment) != std::string::npos ? 1 : 0;
        }
        return n;
    }

    // Lines of level 2 or above, each once, besides the expected ones.
    void expectNoWarnings(const std::vector<std::string>& expected = {}) const
    {
        for (const std::string& line : warnings) {
            bool known = std::any_of(expected.begin(), expected.end(), [&line](const std::string& e) {
                return line.find(e) != std::string::npos;
            });
            EXPECT_TRUE(known) << line;
        }
    }

    // The shared World of the whole program (levels, paths, shaders), as the
    // program has it.
    bool withWorld = false;
    bool withSound = false;
    std::unique_ptr<SoundSystem> soundSystem;
    RecordingSoundDriver soundDriver;
    TempDir user;
    std::unique_ptr<Application> app;
    int64_t now = 1'000'000'000;
    int64_t frameNs = 50'000'000;
    int sink = 0;
    std::vector<std::string> lines;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    Client* client = nullptr;
    Server* server = nullptr;
};

class ClientWorldEndToEnd : public ClientEndToEnd {
protected:
    ClientWorldEndToEnd() { withWorld = true; }

    // "Aldric" of Red Hand, a warrior, started on both sides and joined
    // within four frames.
    void startWarrior()
    {
        set("PlayerName", "Aldric");
        set("CovenantName", "Red Hand");
        set("PlayerClass", "$$ClassWarrior$$");
        ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
        for (int i = 0; i < 4; ++i) {
            frame();
        }
        ASSERT_TRUE(client->isJoined());
    }
    // The server's player of the first client.
    Player* serverPlayer() const
    {
        const ClientRecord* record = server->getClient(0);
        return record ? dynamic_cast<Player*>(Game::get().getEntity(record->playerNumber)) : nullptr;
    }
    // Continue "Aldric" as the main menu's button does: true once joined.
    bool continueSaved()
    {
        set("resumeGameChar", "Aldric");
        set("PlayerName", "");
        if (!CommandSystem::get().execute("resumeGame", nullptr, false, false)) {
            return false;
        }
        return frameUntil([this] { return client->isJoined() && serverPlayer(); });
    }
};

// A quest's person spoken to as the player does: clicked on its mirror, its
// window's command sent.
class ClientQuestPeopleEndToEnd : public ClientWorldEndToEnd {
protected:
    // A quest of the type about a person of the shipped entry, placed near
    // the spot, with the levels as given; held by the player. Null when the
    // person cannot stand there.
    Quest* heldQuestAbout(QuestType type, const char* person, const ZonePosition& near, int target,
                          int destination = -1)
    {
        Game& game = Game::get();
        // One of the type the world drew already would be a duplicate.
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            if (const Quest* drawn = game.getQuest(i); drawn && drawn->type == toIndex(type)) {
                game.deleteQuest(i);
            }
        }
        auto quest = std::make_unique<Quest>();
        quest->setup(5, game.getClock(), 4242u, toIndex(type), 0);
        quest->rollChoices(false);
        quest->randomizeParameters();
        quest->targetLevel = target;
        quest->secondTargetLevel = destination;
        const MonsterType* kind = GameData::get().findMonsterType(person);
        Actor* npc = kind ? SpawnSystem::get().spawnMonsterAt(-1, kind, near, near.zone) : nullptr;
        if (!npc) {
            return nullptr;
        }
        quest->questNpc = npc;
        const int number = game.addQuest(std::move(quest));
        Player* player = serverPlayer();
        return player && player->acceptQuest(number) ? game.getQuest(number) : nullptr;
    }
    // The player stands beside the entity on the server, and the client knows.
    bool standBeside(const Entity* entity, float dx)
    {
        ZonePosition near = entity->getPosition();
        near.x += dx;
        ZonePosition at = near;
        Player* player = serverPlayer();
        Game::get().findFreeSpotNear(near, 4, at, player, true);
        player->warp(at);
        return frameUntil([&] {
            const PlayerClient* own = client->getLocalPlayer();
            return own && ZonePosition::distanceTo(own->getPosition(), player->getPosition()) < 8.0f &&
                   GameClient::get().getEntity(entity->getEntityNumber()) != nullptr;
        });
    }
    // The client's journal entry of the server's quest.
    const QuestClient* journalEntry(const Quest& quest) const
    {
        const PlayerClient* own = client->getLocalPlayer();
        for (int slot = 0; own && slot < PlayerClient::kQuestSlots; ++slot) {
            const QuestClient* held = own->isQuestSlotActive(slot) ? own->getQuestSlot(slot) : nullptr;
            if (held && held->id == quest.id && held->type == quest.type) {
                return held;
            }
        }
        return nullptr;
    }
    // Clicks the person's mirror: the window of the action opens.
    void click(const Entity* person, int action, const std::string& menu)
    {
        EntityClient* mirror = GameClient::get().getEntity(person->getEntityNumber());
        ASSERT_NE(mirror, nullptr);
        PlayerClient* own = client->getLocalPlayer();
        ASSERT_NE(own, nullptr);
        ui.menus.clear();
        EXPECT_EQ(mirror->getMouseAction(true, false), action);
        own->selectEntity(mirror);
        // A step away the player walks up first; in reach the window opens.
        EXPECT_TRUE(frameUntil([&] {
            return own->action == action &&
                   std::find(ui.menus.begin(), ui.menus.end(), "push " + menu) != ui.menus.end();
        })) << own->action;
    }
    void SetUp() override
    {
        ClientWorldEndToEnd::SetUp();
        ui.install(client->getUi());
    }

    RecordingClientUi ui{{}};
};

class ClientSoundEndToEnd : public ClientEndToEnd {
protected:
    ClientSoundEndToEnd()
    {
        withWorld = true;
        withSound = true;
    }
};

// State read back through the client's files and the join: the game saved
// and left, then continued as the Continue button does.
class StateReadBackResumed : public ClientWorldEndToEnd {
protected:
    // Save and exit, do what is given to the files, then Continue "Aldric":
    // true once joined again.
    bool saveAndContinue(const std::function<void()>& betweenRuns = [] {})
    {
        if (!CommandSystem::get().execute("saveAndExit", nullptr, false, false)) {
            return false;
        }
        FileSystem::get().finishWrites();
        betweenRuns();
        return continueSaved();
    }
    // The Warden's helm and gauntlets put on from the bag at level 6, the
    // player's health whole.
    void wearWardenSet()
    {
        Player* player = serverPlayer();
        player->setStat(toIndex(CharacterStat::Level), 6);
        const int bag = toIndex(InventoryGroupIndex::Bag1);
        const int equipment = toIndex(InventoryGroupIndex::Equipment);
        for (const auto& [piece, place] : {std::pair{"WardenHelm", EquipedLocation::Head},
                                           std::pair{"WardenGauntlets", EquipedLocation::Hands}}) {
            auto* worn = new Item();
            worn->setItemEntry(Database::get().findEntry(piece));
            player->getInventory()->getSlot(bag)->setItem(2, worn);
            player->moveItem(bag, 2, equipment, toIndex(place));
            ASSERT_EQ(player->getInventory()->getItemAt(equipment, toIndex(place)), worn) << piece;
        }
        player->setHealth(player->getMaxHealth());
    }
    // The places of the activated gates.
    static std::string activated(const std::vector<GateRecord>& records)
    {
        std::string places;
        for (size_t i = 0; i < records.size(); ++i) {
            places += records[i].activated ? " " + std::to_string(i) : "";
        }
        return places;
    }
    // What play meets of the joined character: its covenant's members, its
    // house and crystals, its quests and its gates.
    std::string playState() const
    {
        const Player* player = serverPlayer();
        const Covenant* covenant = player ? player->getCovenant() : nullptr;
        if (!covenant) {
            return "no covenant";
        }
        std::string state = "player " + sentientState(player) + " vitality " +
                            std::to_string(player->getStat(toIndex(CharacterStat::Vitality))) + " armour " +
                            std::to_string(player->getStat(toIndex(CharacterStat::Armor))) + "\n";
        state += "house" + houseState(*covenant) + " stone " +
                 std::to_string(covenant->getLifestoneHealth()) + "/" +
                 std::to_string(covenant->getLifestoneMaxHealth()) + " crystals " +
                 std::to_string(covenant->stats.get(toIndex(CovenantStat::Money))) + "\n";
        for (int slot = 0; slot < covenant->getRecruitSlotCount(); ++slot) {
            if (const Recruit* recruit = covenant->getRecruit(slot)) {
                state += "member " + std::to_string(slot) + ": " + sentientState(recruit->getActor()) + "\n";
            }
        }
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            if (const Quest* quest = player->getQuest(slot); quest && quest->level != -1) {
                state += "quest " + std::to_string(slot) + ": " + questState(*quest) + "\n";
            }
        }
        auto* own = const_cast<Player*>(player);
        return state + "gates" + activated(own->getGates().getRecords()) + " copy" +
               activated(own->getGatesCopy().getRecords()) + "\n";
    }
};

} // namespace

TEST_F(ClientEndToEnd, JoinsExchangesMessagesPausesAndLeaves)
{
    set("PlayerName", "Aldric");
    set("CovenantName", "Red Hand");
    set("PlayerClass", "$$ClassMage$$");
    set("autoSaveTime", "1");
    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    EXPECT_EQ(stats(kServerPort).packetsSent, 1u);
    EXPECT_EQ(stats(kServerPort).bytesSent, 4u);
    EXPECT_TRUE(server->isActive());

    frame();
    EXPECT_FALSE(client->isJoined());
    // The join: {4, 0, "Red Hand", 0, "Aldric", 3}.
    EXPECT_EQ(stats(kServerPort).packetsSent, 2u);
    EXPECT_EQ(stats(kServerPort).bytesSent, 4u + 32u);
    frame();
    EXPECT_TRUE(client->isJoined());
    EXPECT_EQ(stats(kServerPort).packetsSent, 3u);
    EXPECT_EQ(stats(kServerPort).bytesSent, 36u + 40u);
    uint64_t stateBytes = stats(kClientPort).bytesReceived;
    frame();
    // The first state message: 84 bytes, the player's own entity record (its
    // common fields and ten equipment entries), the town NPC slots and what
    // the world puts in view (its town NPCs, gates, monsters).
    EXPECT_GT(stats(kClientPort).bytesReceived - stateBytes, 84u + 192u) << "the first state message";
    EXPECT_TRUE(GameClient::get().isLoaded());
    ASSERT_EQ(server->getClientCount(), 1u);

    // Forty frames: one input and one state message each, and one state
    // message more for each automatic save (it reads the state it saves).
    Game* game = Game::instance();
    ASSERT_NE(game, nullptr);
    Entity* dummy = game->spawnEntity("TrainingDummy", ZonePosition(0, 1944.0f, 2016.0f), 0.0f);
    ASSERT_NE(dummy, nullptr);
    dummy->setMaxHealth(100);
    dummy->setHealth(50);
    auto input = stats(kServerPort);
    auto state = stats(kClientPort);
    const unsigned savesBefore = GameClient::get().getAutomaticSaveCount();
    for (int i = 0; i < 40; ++i) {
        if (i == 3) {
            dummy->heal(10);
        }
        if (i == 5) {
            ServerLink::queueClientCommand("set clientProbe 7");
        }
        if (i == 6) {
            // Sent with the server's step of frame 5, read in frame 6.
            EXPECT_EQ(getUserVarString("clientProbe"), "");
        }
        if (i == 7) {
            EXPECT_EQ(getUserVarString("clientProbe"), "7");
        }
        if (i == 8) {
            client->queueServerCommand("lineOne");
            client->queueServerCommand("lineTwo");
            client->queueServerCommand("lineThree");
        }
        frame();
    }
    const unsigned autosaves = GameClient::get().getAutomaticSaveCount() - savesBefore;
    EXPECT_GE(autosaves, 1u);
    EXPECT_EQ(stats(kServerPort).packetsSent - input.packetsSent, 40u);
    EXPECT_EQ(stats(kClientPort).packetsSent - state.packetsSent, 40u + autosaves);
    EXPECT_EQ(stats(kClientPort).packetsReceived - state.packetsReceived, 40u + autosaves);
    // The server's damage line reaches a bound client command.
    EXPECT_EQ(logged("Unknown command - dmg"), 0u);
    EXPECT_EQ(server->getClient(0)->linesReceived, 3u);
    EXPECT_EQ(server->getClient(0)->inputMessages, 41u);

    // The model's name at the server's index, on the same resource entry.
    int model = dummy->getModelHandle().getIndex();
    ASSERT_GE(model, 0);
    ASSERT_LT(static_cast<size_t>(model), client->getResourceNames().size());
    EXPECT_EQ(client->getResourceName(model), ResourceSystem::get().getFileName(model));
    EXPECT_EQ(client->getResourceNames()[static_cast<size_t>(model)].handle.getIndex(), model);
    EXPECT_EQ(client->getDroppedCount(), 0u);
    // Headless, the mirrors name images and sounds that no type loads here:
    // they are skipped without an error line.
    EXPECT_TRUE(errors.empty()) << errors.front();

    // The game's two mirrors wrote the join and live while joined.
    ASSERT_NE(client->getLocalPlayer(), nullptr);
    ASSERT_NE(client->getPlayerCovenant(), nullptr);
    EXPECT_EQ(client->getPlayerCovenant()->name, "Red Hand");

    // Paused, and then an inactive window: no server step, messages still flow.
    set("paused", "1");
    uint32_t steps = server->getStepCount();
    input = stats(kServerPort);
    state = stats(kClientPort);
    for (int i = 0; i < 10; ++i) {
        frame();
    }
    EXPECT_EQ(server->getStepCount(), steps);
    set("paused", "0");
    SystemInfo::get().setActive(false);
    for (int i = 0; i < 10; ++i) {
        frame();
    }
    EXPECT_EQ(server->getStepCount(), steps);
    EXPECT_EQ(stats(kServerPort).packetsSent - input.packetsSent, 20u);
    EXPECT_EQ(stats(kClientPort).packetsSent - state.packetsSent, 20u);
    SystemInfo::get().setActive(true);

    // A one-second autosave ran every 20 frames of 50 ms while unpaused.
    EXPECT_EQ(GameClient::get().getAutomaticSaveCount(), 2u);
    // With 250 ms frames: every fourth frame, none while paused.
    frameNs = 250'000'000;
    std::vector<int> saveFrames;
    unsigned saves = GameClient::get().getAutomaticSaveCount();
    for (int i = 0; i < 24; ++i) {
        set("paused", i >= 8 && i < 16 ? "1" : "0");
        frame();
        if (GameClient::get().getAutomaticSaveCount() != saves) {
            saves = GameClient::get().getAutomaticSaveCount();
            saveFrames.push_back(i);
        }
    }
    ASSERT_EQ(saveFrames.size(), 4u);
    EXPECT_EQ(saveFrames[1] - saveFrames[0], 4);
    EXPECT_EQ(saveFrames[2] - saveFrames[1], 4 + 8);
    EXPECT_EQ(saveFrames[3] - saveFrames[2], 4);
    set("paused", "0");
    frameNs = 50'000'000;

    ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
    EXPECT_FALSE(client->isJoined());
    EXPECT_FALSE(client->isConnected());
    EXPECT_FALSE(server->isActive());
    EXPECT_EQ(server->getClientCount(), 0u);

    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    frame();
    frame();
    EXPECT_TRUE(client->isJoined());
    EXPECT_EQ(server->getClientCount(), 1u);
}

TEST_F(ClientEndToEnd, EveryStateMessageFillsThePlayerAndCovenantMirrors)
{
    set("PlayerName", "Aldric");
    set("CovenantName", "Red Hand");
    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    ASSERT_TRUE(client->isJoined());
    Game* game = Game::instance();
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(server->getClientCount(), 1u);
    const int number = server->getClient(0)->playerNumber;
    auto* player = dynamic_cast<Player*>(game->getEntity(number));
    ASSERT_NE(player, nullptr);
    Covenant* covenant = player->getCovenant();
    ASSERT_NE(covenant, nullptr);

    // Values the client cannot have from its own join: they travel only in
    // the two sections of the state message.
    player->setStat(toIndex(CharacterStat::Money), 4321);
    covenant->setLifestoneMaxHealth(777);
    covenant->setLifestoneHealth(555);
    frame();
    frame();
    PlayerClient* mirror = client->getLocalPlayer();
    PlayerCovenantClient* own = client->getPlayerCovenant();
    ASSERT_NE(mirror, nullptr);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(mirror->getEntityNumber(), number);
    EXPECT_EQ(mirror->getStat(toIndex(CharacterStat::Money)), 4321);
    EXPECT_EQ(own->index, covenant->index);
    EXPECT_EQ(own->name, "Red Hand");
    EXPECT_EQ(own->getLifestoneMaxHealth(), 777);
    // The stone heals a little in the steps between.
    EXPECT_GE(own->getLifestoneHealth(), 555);
    EXPECT_LT(own->getLifestoneHealth(), 600);
    EXPECT_EQ(client->getDroppedCount(), 0u);
}

TEST_F(ClientWorldEndToEnd, AComputerCovenantsGiftReachesTheClientAndItsAcceptanceIsCarriedOut)
{
    set("PlayerName", "Aldric");
    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    ASSERT_TRUE(client->isJoined());
    Game* game = Game::instance();
    auto* player = dynamic_cast<Player*>(game->getEntity(server->getClient(0)->playerNumber));
    ASSERT_NE(player, nullptr);
    Covenant* own = player->getCovenant();
    ASSERT_NE(own, nullptr);
    auto* giver = dynamic_cast<ActorCovenant*>(game->getCovenant(0));
    ASSERT_NE(giver, nullptr);
    ASSERT_NE(own, giver);
    const std::string g = std::to_string(giver->index);
    giver->stats.set(static_cast<int>(CovenantStat::Money), 500);
    const int crystals = own->stats.get(static_cast<int>(CovenantStat::Money));

    // The computer covenant's gift: the line reaches the client in the next
    // state message and waits there as the covenant's pending offer.
    TradeOffer gift;
    gift.type = 2;
    gift.addEntry(static_cast<int>(TradeTermKind::TermCrystals), 10, 0);
    giver->sendOffer(own, gift);
    const std::string line = "offerToPlayer 2 " + g + " 0 8 10";
    frame();
    frame();
    PlayerCovenantClient* mirror = client->getPlayerCovenant();
    ASSERT_NE(mirror, nullptr);
    const PlayerCovenantClient::PendingOffer* pending = mirror->getPendingOffer(giver->index);
    ASSERT_NE(pending, nullptr) << line;
    ASSERT_EQ(pending->entries.size(), 1u);
    EXPECT_EQ(pending->kind, 2);

    ASSERT_TRUE(GameClient::get().getDiplomacyResponseText().empty());
    client->queueServerCommand("acceptOffer 2 " + g + " 0 8 10");
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    EXPECT_EQ(own->stats.get(static_cast<int>(CovenantStat::Money)), crystals + 10);
    // "dipRes 12 i" comes back as the covenant's answer text.
    EXPECT_FALSE(GameClient::get().getDiplomacyResponseText().empty());

    std::vector<std::string> shown;
    client->setTextEventSink([&shown](const ClientTextEvent& event) { shown.push_back(event.text); });
    client->queueServerCommand("declareWar " + g);
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    EXPECT_EQ(own->getRelationState(giver->index), static_cast<int>(CovenantTreaty::War));
    EXPECT_EQ(giver->getRelationState(own->index), static_cast<int>(CovenantTreaty::War));
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                            [](const std::string& l) { return l.find(" declares ") != std::string::npos; }),
              1);
    client->setTextEventSink(nullptr);
    EXPECT_EQ(logged("Diplomacy:"), 0u);
    EXPECT_EQ(client->getDroppedCount(), 0u);
    expectNoWarnings();
}

TEST_F(ClientEndToEnd, ClientAloneGetsNoAnswer)
{
    set("PlayerName", "Aldric");
    ASSERT_TRUE(CommandSystem::get().execute("start client 0", nullptr, false, false));
    for (int i = 0; i < 200; ++i) {
        frame();
    }
    EXPECT_FALSE(client->isJoined());
    EXPECT_EQ(stats(kServerPort).packetsSent, 1u);
    EXPECT_EQ(logged("No answer from a server on port 5002"), 1u);
}

TEST_F(ClientEndToEnd, BadNamesRefuseStart)
{
    set("PlayerName", "../x");
    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    EXPECT_EQ(stats(kServerPort).packetsSent, 0u);
    EXPECT_FALSE(server->isActive());
    EXPECT_EQ(logged("PlayerName"), 1u);
    set("PlayerName", "Aldric");
    ASSERT_TRUE(CommandSystem::get().execute("start sideways 0", nullptr, false, false));
    EXPECT_FALSE(server->isActive());
    // Nothing can be resumed before characters are saved.
    set("resumeGameChar", "Aldric");
    ASSERT_TRUE(CommandSystem::get().execute("start both 1", nullptr, false, false));
    EXPECT_EQ(logged("Cannot resume Aldric: its character file cannot be read"), 1u);
    EXPECT_EQ(getUserVarString("resumeGameChar"), "");
    EXPECT_FALSE(server->isActive());
}

TEST_F(ClientEndToEnd, PrecacheHoldsTheModelAndTheClassIndexIsSent)
{
    const auto& precache = GameClient::get().getPrecache();
    ASSERT_EQ(precache.size(), 1u);
    EXPECT_EQ(ResourceSystem::get().getFileName(precache[0].getIndex()), "Models/BoxMan/boxman.mdl");
    for (int i = 0; i < GameClient::kSoundCount; ++i) {
        EXPECT_EQ(GameClient::get().getSound(i).getIndex(), -1);
    }
}

TEST_F(ClientEndToEnd, NewCharacterJoinGivesTheClassKitAtTheStartPosition)
{
    set("PlayerName", "Aldric");
    set("CovenantName", "Red Hand");
    set("PlayerClass", "$$ClassWarrior$$");
    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    frame();
    frame();
    ASSERT_TRUE(client->isJoined());
    ASSERT_EQ(server->getClientCount(), 1u);
    auto* player = dynamic_cast<Player*>(server->getClient(0)->player.get());
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->getName(), "Aldric");

    InventoryBase* inventory = player->getInventory();
    const ItemBase* bag = inventory->getItem(toIndex(InventoryGroupIndex::Main), 0);
    ASSERT_NE(bag, nullptr);
    EXPECT_EQ(bag->getEntryName(), "Backpack");
    const DatabaseEntry* kit = DefinitionReader::findEntry("ClassWarrior");
    ASSERT_NE(kit, nullptr);
    std::vector<std::string> names = DefinitionReader(kit).getStringList("StartingItem");
    ASSERT_FALSE(names.empty());
    std::map<std::string, int> wanted;
    for (const std::string& name : names)
        ++wanted[name];
    std::map<std::string, int> held;
    std::map<std::string, int> places;
    const int bag1 = toIndex(InventoryGroupIndex::Bag1);
    for (int i = 0; i < 8; ++i)
        if (const ItemBase* item = inventory->getItem(bag1, i)) {
            held[item->getEntryName()] += item->isStack() ? item->getQuantity() : 1;
            ++places[item->getEntryName()];
        }
    EXPECT_EQ(held, wanted);
    EXPECT_EQ(places["MinorHealthPotion"], 1) << "the two potions share one stack";
    EXPECT_EQ(held["MinorHealthPotion"], 2);
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::Money)), DefinitionReader(kit).getInt("StartingMoney"));
    EXPECT_GT(player->getStat(toIndex(CharacterStat::Money)), 0);
    EXPECT_EQ(player->getHealth(), player->getMaxHealth());
    EXPECT_GT(player->getMaxHealth(), 0);
    EXPECT_EQ(player->getPosition(), GameData::get().getStartPosition());
    // The body is the class's model, and the client's mirror shows it.
    EXPECT_EQ(player->getModelName(), DefinitionReader(kit).getString("ModelName"));
    for (int i = 0;
         i < 20 && !(client->getLocalPlayer() && client->getLocalPlayer()->getModelHandle().isValid()); ++i) {
        frame();
    }
    ASSERT_NE(client->getLocalPlayer(), nullptr);
    EXPECT_EQ(client->getLocalPlayer()->getModelName(), player->getModelName());
}

TEST_F(ClientWorldEndToEnd, ASavedCharacterIsListedAndResumesWithItsFiles)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    Player* player = serverPlayer();
    ASSERT_NE(player, nullptr);
    player->setStat(toIndex(CharacterStat::Money), 4321);
    frame();
    frame();
    PlayerClient* mirror = client->getLocalPlayer();
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->getGeneratedName(), "Aldric");
    EXPECT_EQ(mirror->getStat(toIndex(CharacterStat::Money)), 4321);
    EXPECT_EQ(mirror->getStat(PlayerClient::kStatLevel), player->getStat(toIndex(CharacterStat::Level)));

    ByteBuffer quitting;
    player->writePlayerSection(quitting);
    const int32_t msPlayed = player->getStatistics()[Player::MsPlayedToday];
    const int32_t daysPlayed = player->getStatistics()[Player::DaysPlayed];
    ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
    FileSystem& files = FileSystem::get();
    for (const char* name :
         {"chars/Aldric.chr", "chars/Aldric.his", "Chars/global.sav", "chars/global.sts"}) {
        EXPECT_TRUE(files.fileExists(name, true)) << name;
    }
    // The Load Character list finds it.
    std::vector<ListEntry> listed;
    CommandSystem::get().callListFunction("getAvailableCharacters", listed);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].value, "Aldric");
    EXPECT_NE(listed[0].name.find("Aldric (Red Hand)"), std::string::npos) << listed[0].name;

    // Read back as a second run would: the record names its class and covenant.
    GlobalStats::clear();
    GlobalStats::load();
    std::string holder;
    int level = 0;
    GlobalStats::findRecordHolder(5, 84, holder, level);
    EXPECT_EQ(holder, "Aldric (Warrior from Red Hand)");
    EXPECT_EQ(level, 1);

    ASSERT_TRUE(continueSaved());
    mirror = client->getLocalPlayer();
    ASSERT_NE(mirror, nullptr);
    EXPECT_TRUE(mirror->loadedFromFile);
    // The money travelled in the loaded join section to the server's new player and back.
    auto* again = dynamic_cast<Player*>(Game::get().getEntity(server->getClient(0)->playerNumber));
    ASSERT_NE(again, nullptr);
    {
        // The section the quitting player wrote comes back byte for byte,
        // but for its head (entity number, animation and its priority and
        // mode: a new body) and the time played since.
        again->getStatistics()[Player::MsPlayedToday] = msPlayed;
        again->getStatistics()[Player::DaysPlayed] = daysPlayed;
        ByteBuffer back;
        again->writePlayerSection(back);
        const std::vector<uint8_t> now = back.bytes();
        const std::vector<uint8_t> then = quitting.bytes();
        constexpr size_t kHead = 16;
        ASSERT_EQ(now.size(), then.size());
        ASSERT_GT(now.size(), kHead);
        EXPECT_EQ(std::vector<uint8_t>(now.begin() + kHead, now.end()),
                  std::vector<uint8_t>(then.begin() + kHead, then.end()));
    }
    EXPECT_EQ(again->getStat(toIndex(CharacterStat::Money)), 4321);
    EXPECT_EQ(mirror->getStat(toIndex(CharacterStat::Money)), 4321);
    EXPECT_EQ(client->getPlayerCovenant()->name, "Red Hand");
    EXPECT_EQ(client->getDroppedCount(), 0u);
    expectNoWarnings();
}

// The second new game of a user folder joins with the saved form of its
// covenant section (the global file exists): its stone is still whole.
TEST_F(ClientWorldEndToEnd, ASecondNewGameInTheSameFolderStartsWithAWholeStone)
{
    std::vector<std::string> shown;
    client->setTextEventSink([&shown](const ClientTextEvent& event) { shown.push_back(event.text); });
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    frame();
    ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
    ASSERT_TRUE(FileSystem::get().fileExists("Chars/global.sav", true));

    shown.clear();
    set("PlayerName", "Beric");
    set("CovenantName", "Blue Tower");
    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    for (int i = 0; i < 24; ++i) {
        frame();
    }
    ASSERT_TRUE(client->isJoined());
    Player* player = serverPlayer();
    ASSERT_NE(player, nullptr);
    ASSERT_EQ(player->getName(), "Beric");
    const Covenant* covenant = player->getCovenant();
    ASSERT_NE(covenant, nullptr);
    EXPECT_GT(covenant->getLifestoneMaxHealth(), 0);
    EXPECT_EQ(covenant->getLifestoneHealth(), covenant->getLifestoneMaxHealth());
    for (const std::string& text : shown) {
        EXPECT_EQ(text.find("Life stone"), std::string::npos) << text;
    }
    client->setTextEventSink(nullptr);
}

// The stone warnings start with the server's first covenant section after a
// join: a character file's damaged stone that the server restores (its world
// file gone) shows nothing; a stone still damaged in its own world warns once.
TEST_F(ClientWorldEndToEnd, AResumedStoneWarnsOnlyOfWhatTheServerHolds)
{
    std::vector<std::string> shown;
    client->setTextEventSink([&shown](const ClientTextEvent& event) { shown.push_back(event.text); });
    struct Case {
        const char* what;
        int percent;
        bool worldRemoved;
        bool restored;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"its own world at 40 %", 40, false, false, {"Life stone is threatened (below 50%)!"}},
        {"its world file removed at 50 %", 50, true, true, {}},
    };
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Covenant* covenant = serverPlayer() ? serverPlayer()->getCovenant() : nullptr;
        ASSERT_NE(covenant, nullptr);
        const int maximum = covenant->getLifestoneMaxHealth();
        ASSERT_GT(maximum, 0);
        covenant->setLifestoneHealth(maximum * c.percent / 100);
        frame();
        frame();
        ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
        // Resumed as a user does, in a new run of the program.
        client->setTextEventSink(nullptr);
        ASSERT_NO_FATAL_FAILURE(restartProgram());
        if (c.worldRemoved) {
            ASSERT_TRUE(std::filesystem::remove(user.path() / "Chars" / "Aldric.wld"));
            // That run drew otherwise before its world: the new world is
            // another, so the character starts afresh in it.
            Random::next(0);
        }
        client->setTextEventSink([&shown](const ClientTextEvent& event) { shown.push_back(event.text); });
        shown.clear();
        ASSERT_TRUE(continueSaved());
        // The stone's warning comes once the client has judged the server's
        // stone: its last judged share is the share the server sent.
        ASSERT_TRUE(frameUntil([this] {
            const PlayerCovenantClient* own = client->getPlayerCovenant();
            const int maximum = own ? own->getLifestoneMaxHealth() : 0;
            return own && own->stoneFromServer && maximum > 0 &&
                   own->lastLifeStoneFraction ==
                       static_cast<float>(static_cast<double>(own->getLifestoneHealth()) / maximum);
        }));
        covenant = serverPlayer() ? serverPlayer()->getCovenant() : nullptr;
        ASSERT_NE(covenant, nullptr);
        EXPECT_EQ(covenant->getLifestoneHealth() == covenant->getLifestoneMaxHealth(), c.restored);
        std::vector<std::string> warned;
        std::copy_if(shown.begin(), shown.end(), std::back_inserter(warned),
                     [](const std::string& text) { return text.find("Life stone") != std::string::npos; });
        EXPECT_EQ(warned, c.warnings);
        // A character without its world is told so, not only the log.
        const std::string noWorld = "No saved world was found for Aldric: a new world was made.";
        EXPECT_EQ(std::count(shown.begin(), shown.end(), noWorld), c.worldRemoved ? 2 : 0)
            << "in the centre and in the message log";
    }
    client->setTextEventSink(nullptr);
}

// A package's addressee answers a click with its window; Deliver completes
// the quest on the server and in the client's journal.
TEST_F(ClientQuestPeopleEndToEnd, ADeliveryIsHandedOverThroughItsPersonsWindow)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    ZonePosition near = serverPlayer()->getPosition();
    near.x += 120.0f;
    Quest* quest = heldQuestAbout(QuestType::Delivery, "NpcDeliveryWarrior", near, 0);
    ASSERT_NE(quest, nullptr);
    const Entity* person = quest->questNpc.get();
    ASSERT_NE(person, nullptr);
    ASSERT_TRUE(standBeside(person, 40.0f));
    ASSERT_TRUE(frameUntil([&] { return journalEntry(*quest) != nullptr; }));
    EXPECT_FALSE(journalEntry(*quest)->isComplete());
    ASSERT_NO_FATAL_FAILURE(click(person, 27, "NpcDeliveryMenu"));
    // The window's button runs its command as the program's own.
    ASSERT_TRUE(executeCommandLine("npcDelivery"));
    EXPECT_TRUE(frameUntil([&] {
        const QuestClient* entry = journalEntry(*quest);
        return quest->isComplete() && entry && entry->isComplete();
    }));
}

// The hot-bar lesson asks for a potion from the inventory and a skill other
// than the basic attack on the hot bar: done as its text says, the client
// completes it and the server's quest is complete; half done, it stays open.
TEST_F(ClientQuestPeopleEndToEnd, TheHotBarLessonEndsWhenItsTextIsFollowed)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    Quest* lesson = Game::get().generateQuests(toIndex(QuestType::TutorialUseSlot), nullptr, -1);
    ASSERT_NE(lesson, nullptr);
    ASSERT_NE(serverPlayer()->acceptQuest(lesson->id), nullptr);
    ASSERT_TRUE(frameUntil([&] { return journalEntry(*lesson) != nullptr; }));
    PlayerClient* own = client->getLocalPlayer();
    ASSERT_NE(own, nullptr);
    // The kit's potion, as the client shows it in the first bag.
    const int bag = toIndex(InventoryGroupIndex::Bag1);
    HotkeyRecord potion;
    for (int i = 0; i < 8; ++i) {
        const ItemBase* item = own->getInventory()->getItem(bag, i);
        if (item && item->getEntryName() == "MinorHealthPotion") {
            potion = HotkeyRecord{{0, bag, i, item->getItemEntry()->getId()}};
        }
    }
    ASSERT_EQ(potion.values[1], bag) << "no potion in the kit";

    // Each step drops one more thing on the bar, as a drag from the
    // inventory or the skills screen writes its place.
    struct Step {
        const char* what;
        int place;
        HotkeyRecord record;
        bool done;
    };
    const Step steps[] = {
        {"the potion alone", 5, potion, false},
        {"the basic attack on a second place", 3, HotkeyRecord{{1, 0, 0, -1}}, false},
        {"a skill of the second tree", 4, HotkeyRecord{{1, 1, 0, -1}}, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(own->setHotkey(step.place, step.record));
        if (step.done) {
            EXPECT_TRUE(frameUntil([&] {
                const QuestClient* entry = journalEntry(*lesson);
                return lesson->isComplete() && entry && entry->isComplete();
            }));
        } else {
            // The client decides in its own frame; two leave room for the
            // state message that follows.
            frame();
            frame();
            EXPECT_FALSE(journalEntry(*lesson)->isComplete());
            EXPECT_FALSE(lesson->isComplete());
        }
    }
}

// A traveller answers a click with its window; Escort makes it follow the
// player, who walks to a level's gate and goes through it: the traveller
// goes along into its destination, and the quest completes.
TEST_F(ClientQuestPeopleEndToEnd, AnEscortedTravellerFollowsThePlayerIntoItsDestination)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    // A level's own gate: once open it takes the player to its covenant's
    // gate in the town, the destination here.
    Gate* way = nullptr;
    for (int i = 0; i < Game::kMaxEntities && !way; ++i) {
        auto* gate = dynamic_cast<Gate*>(Game::get().getEntity(i));
        if (gate && gate->getPosition().zone > 0 && gate->getKind() == Gate::kLevelGate) {
            way = gate;
        }
    }
    ASSERT_NE(way, nullptr);
    const int start = way->getPosition().zone;
    // The player there first, so that the level stands built.
    ASSERT_TRUE(standBeside(way, 64.0f));
    ASSERT_TRUE(frameUntil([&] { return World::get().isLevelLoaded(start); }));
    // The traveller waits a few steps from the gate.
    Quest* quest = heldQuestAbout(QuestType::Escort, "NpcEscortMage", way->getPosition(), start, 0);
    ASSERT_NE(quest, nullptr);
    auto* traveller = dynamic_cast<Actor*>(quest->questNpc.get());
    ASSERT_NE(traveller, nullptr);
    ASSERT_EQ(traveller->getPosition().zone, start);
    ASSERT_TRUE(standBeside(traveller, 40.0f));
    ASSERT_NO_FATAL_FAILURE(click(traveller, 28, "NpcEscortMenu"));
    ASSERT_TRUE(executeCommandLine("npcEscort"));
    Player* player = serverPlayer();
    ASSERT_TRUE(frameUntil([&] { return traveller->getLeader() == player; }));

    // The gate opened, the player clicks it, walks there and goes through.
    way->beginUse(player);
    ASSERT_EQ(player->getPosition().zone, start);
    EntityClient* gateMirror = GameClient::get().getEntity(way->getEntityNumber());
    ASSERT_NE(gateMirror, nullptr);
    client->getLocalPlayer()->selectEntity(gateMirror);
    ASSERT_TRUE(frameUntil([&] { return player->getPosition().zone == 0; }));
    EXPECT_EQ(traveller->getPosition().zone, 0) << "along with the player";
    EXPECT_LT(ZonePosition::distanceTo(traveller->getPosition(), player->getPosition()), 300.0f);
    EXPECT_TRUE(frameUntil([&] {
        const QuestClient* entry = journalEntry(*quest);
        return quest->isComplete() && entry && entry->isComplete();
    }));
}

// Started from the menu's command (no "newWorld" from any client): the world
// opens with its quests, and the client's quest mirrors hold the same ones.
// On several seeds, with one quest of every type a giver offers drawn too,
// each quest's title, description and progress as the client shows them
// name what they are about: no text key or argument left, no plural "s"
// without its name.
TEST_F(ClientWorldEndToEnd, AMenuStartedWorldOpensWithItsQuestsOnBothSides)
{
    const auto expectNamed = [](const std::string& shown, const std::string& what) {
        const std::string text = Localization::get().translateCopy(shown);
        EXPECT_EQ(text.find("$$"), std::string::npos) << what << ": " << text;
        EXPECT_EQ(text.find("@@"), std::string::npos) << what << ": " << text;
        for (size_t at = text.find(" s"); at != std::string::npos; at = text.find(" s", at + 1)) {
            const bool word = at + 2 < text.size() && std::isalpha(static_cast<unsigned char>(text[at + 2]));
            EXPECT_TRUE(word) << what << ": a plural without its name: " << text;
        }
    };
    for (uint32_t seed : {24680u, 1357u, 97531u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        warnings.clear();
        Random::setState(0, seed);
        ASSERT_NO_FATAL_FAILURE(startWarrior());
        for (int i = 0; i < 3; ++i) {
            frame();
        }
        Game& game = Game::get();
        EXPECT_FALSE(game.areInitialQuestsPending());
        std::vector<int> serverTypes;
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            const Quest* quest = game.getQuest(i);
            serverTypes.push_back(quest ? quest->type : -1);
        }
        const auto has = [&serverTypes](QuestType type) {
            return std::count(serverTypes.begin(), serverTypes.end(), toIndex(type));
        };
        EXPECT_EQ(has(QuestType::StoryKillTurenScout), 1);
        EXPECT_EQ(has(QuestType::TutorialEquipWeapon), 1);
        const auto held = std::count_if(serverTypes.begin(), serverTypes.end(), [](int t) { return t > 0; });
        EXPECT_GE(held, 3) << "at least one drawn quest besides the story and the tutorial";

        const GameClient* mirror = GameClient::instance();
        ASSERT_NE(mirror, nullptr);
        ASSERT_EQ(mirror->getQuestCount(), serverTypes.size());
        for (size_t i = 0; i < serverTypes.size(); ++i) {
            const QuestClient* quest = mirror->getQuest(static_cast<int>(i));
            EXPECT_EQ(quest ? quest->type : -1, serverTypes[i]) << "slot " << i;
            if (quest) {
                EXPECT_EQ(quest->level, game.getQuest(static_cast<int>(i))->level) << "slot " << i;
            }
        }
        expectNoWarnings();

        // One of every type a giver offers, as the world draws them.
        const GameRules& rules = GameData::get().rules();
        for (int type = 1; type < kQuestTypeCount; ++type) {
            if (rules.questTypeChance[static_cast<size_t>(type)] > 0.0f) {
                game.generateQuests(type, nullptr, -1);
            }
        }
        for (int i = 0; i < 3; ++i) {
            frame();
        }
        ASSERT_EQ(mirror->getQuestCount(), static_cast<size_t>(game.getQuestTableSize()));
        const PlayerClient* own = client->getLocalPlayer();
        ASSERT_NE(own, nullptr);
        int shown = 0;
        for (size_t i = 0; i < mirror->getQuestCount(); ++i) {
            QuestClient* quest = mirror->getQuest(static_cast<int>(i));
            if (!quest || quest->level < 0) {
                continue;
            }
            const std::string what = getQuestTypeName(quest->type) + " (slot " + std::to_string(i) + ")";
            expectNamed(quest->getTitle(false, -1), what + " title");
            expectNamed(quest->getDescription(own->stats.get(PlayerClient::kStatLevel), mirror->getGameTime(),
                                              own->getGeneratedName()),
                        what + " description");
            expectNamed(quest->getProgressText(true), what + " progress");
            ++shown;
        }
        EXPECT_GT(shown, 10);

        // Left without a save, for the next seed's new game.
        client->endGame();
        server->reset();
        frame();
    }
}

TEST_F(ClientWorldEndToEnd, ADamagedCharacterFileIsRefusedAndLeftAsItWas)
{
    std::filesystem::create_directories(user.path() / "chars");
    const std::vector<uint8_t> damaged = {39, 0, 0, 0, 1, 2, 3};
    writeFileBytes(user.path() / "chars" / "Aldric.chr", damaged);
    set("resumeGameChar", "Aldric");
    ASSERT_TRUE(CommandSystem::get().execute("resumeGame", nullptr, false, false));
    frame();
    EXPECT_FALSE(server->isActive());
    EXPECT_EQ(client->getLocalPlayer(), nullptr);
    EXPECT_EQ(logged("chars/Aldric.chr: "), 1u);
    EXPECT_EQ(logged("Cannot resume"), 0u) << "the loader's line says why";
    EXPECT_EQ(readFileBytes(user.path() / "chars" / "Aldric.chr"), damaged);
    expectNoWarnings({"chars/Aldric.chr: "});
}

// The files of the characters' folder by name, without what a save leaves
// on its way (temporaries, its journal).
std::map<std::string, std::vector<uint8_t>> savedGame(const TempDir& user)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : std::filesystem::directory_iterator(user.path() / "Chars")) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.ends_with(".tmp")) {
            files[name] = readFileBytes(entry.path());
        }
    }
    return files;
}

// Daggers on the server: in the player's inventory and in its covenant's stash.
struct Daggers {
    int bag = 0;
    int stash = 0;
};

Daggers countDaggers(Player& player)
{
    const DatabaseEntry* dagger = Database::get().findEntry("Dagger");
    Daggers found;
    for (int g = 0; g < kInventoryGroupCount; ++g) {
        for (int s = 0; s < 64; ++s) {
            const ItemBase* item = player.getInventory()->getItem(g, s);
            found.bag += item && item->getItemEntry() == dagger ? 1 : 0;
        }
    }
    InventoryBase* stash = player.getCovenant() ? player.getCovenant()->inventory.get() : nullptr;
    for (int g = toIndex(InventoryGroupIndex::Loot); stash && g <= toIndex(InventoryGroupIndex::LootBag8);
         ++g) {
        for (int s = 0; s < 64; ++s) {
            const ItemBase* item = stash->getItem(g, s);
            found.stash += item && item->getItemEntry() == dagger ? 1 : 0;
        }
    }
    return found;
}

// A dagger moved from the covenant's stash to the bag, and "Save and exit"
// stopped at each step of its save as a killed program stops: the program
// started again finds the whole save before (every file as it was) or the
// whole new one (every file as the save meant it), and the resumed game
// holds the dagger once, in the stash or in the bag.
TEST_F(ClientWorldEndToEnd, ASaveStoppedAtAnyStepResumesTheOldSaveOrTheNewWithTheDaggerOnce)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    {
        Covenant* covenant = serverPlayer()->getCovenant();
        ASSERT_NE(covenant, nullptr);
        InventoryGroup* stash = covenant->inventory->getOwnGroup(toIndex(InventoryGroupIndex::Loot));
        ASSERT_TRUE(stash && stash->getSize() > 0);
        auto* dagger = new Item();
        dagger->setItemEntry(Database::get().findEntry("Dagger"));
        dagger->generate(1);
        stash->setItem(0, dagger);
    }
    frame();
    frame();
    ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
    ASSERT_FALSE(client->isJoined());
    const auto before = savedGame(user);
    const auto resume = [&] { ASSERT_TRUE(continueSaved()); };
    // The old save on disk, resumed; the dagger moved into the bag.
    const auto moveDagger = [&] {
        std::filesystem::remove_all(user.path() / "Chars");
        std::filesystem::create_directories(user.path() / "Chars");
        for (const auto& [name, bytes] : before) {
            writeFileBytes(user.path() / "Chars" / name, bytes);
        }
        ASSERT_NO_FATAL_FAILURE(resume());
        Player& player = *serverPlayer();
        InventoryGroup* stash =
            player.getCovenant()->inventory->getOwnGroup(toIndex(InventoryGroupIndex::Loot));
        ASSERT_NE(stash->getItem(0), nullptr);
        ItemBase* dagger = stash->releaseItem(0);
        ASSERT_EQ(player.getInventory()->addItem(dagger), InventoryBase::kAddPlaced);
        frame();
        frame();
    };

    // The steps of the save, seen once without a stop.
    ASSERT_NO_FATAL_FAILURE(moveDagger());
    std::vector<std::string> steps;
    FileSystem::get().setSaveSetStepHook([&](const std::string& step) {
        steps.push_back(step);
        return true;
    });
    ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
    FileSystem::get().setSaveSetStepHook(nullptr);
    ASSERT_FALSE(client->isJoined());
    const auto landed = std::find(steps.begin(), steps.end(), "journal landed");
    ASSERT_NE(landed, steps.end());
    for (const char* file : {"global.sav", "Aldric.his", "Aldric.chr", "global.sts", "Aldric.wld"}) {
        EXPECT_EQ(std::count(steps.begin(), landed, std::string("written Chars/") + file), 1) << file;
        EXPECT_EQ(std::count(landed, steps.end(), std::string("renamed Chars/") + file), 1) << file;
    }
    // Continue's character lands with the save.
    EXPECT_EQ(std::count(steps.begin(), landed, std::string("written user.cfg")), 1);

    for (size_t stop = 0; stop < steps.size(); ++stop) {
        SCOPED_TRACE("stopped at " + steps[stop]);
        ASSERT_NO_FATAL_FAILURE(moveDagger());
        size_t step = 0;
        FileSystem::get().setSaveSetStepHook([&](const std::string&) { return step++ != stop; });
        ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
        // Until its journal is removed the save is not made, and the player stays.
        EXPECT_EQ(client->isJoined(), stop + 1 < steps.size());
        // What the save meant to write: the journal's files, each still in
        // its temporary or already renamed.
        const bool isNew = stop >= static_cast<size_t>(landed - steps.begin());
        auto meant = before;
        if (isNew) {
            for (const auto& [name, bytes] : savedGame(user)) {
                meant[name] = bytes;
            }
            for (const auto& entry : std::filesystem::directory_iterator(user.path() / "Chars")) {
                const std::string name = entry.path().filename().string();
                if (name.ends_with(".tmp")) {
                    meant[name.substr(0, name.size() - 4)] = readFileBytes(entry.path());
                }
            }
        }
        ASSERT_NO_FATAL_FAILURE(restartProgram());
        EXPECT_TRUE(savedGame(user) == meant)
            << (isNew ? "not the whole new save" : "not the whole old save");
        for (const auto& entry : std::filesystem::recursive_directory_iterator(user.path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.ends_with(".tmp") || name == FileSystem::kJournal) << name << " is left";
        }
        ASSERT_NO_FATAL_FAILURE(resume());
        const Daggers daggers = countDaggers(*serverPlayer());
        EXPECT_EQ(daggers.bag, isNew ? 1 : 0);
        EXPECT_EQ(daggers.stash, isNew ? 0 : 1);
        // Ended as a killed program ends, so the next step starts afresh.
        ASSERT_NO_FATAL_FAILURE(restartProgram());
    }
}

// "Save and exit" or Quit where the save cannot be written: the player stays
// in the game and is told, and the last save is as it was; once the folder
// takes the files again, the same command saves and leaves (Quit, asked
// again, leaves without the save). The disk is full for
// this process (a file size limit of 0: no file grows, root or not), or the
// characters' folder cannot be made (a plain file has its name).
TEST_F(ClientWorldEndToEnd, ASaveThatCannotBeWrittenKeepsThePlayerInTheGameAndTheLastSave)
{
    std::vector<std::string> shown;
    client->setTextEventSink([&shown](const ClientTextEvent& event) { shown.push_back(event.text); });
    struct Row {
        const char* what;
        bool savedBefore;
        std::function<void()> block;
        std::function<void()> unblock;
    };
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    const Row rows[] = {
        {"the disk is full", true,
         [] {
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit none{0, RLIM_INFINITY};
             ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
         },
         [&] {
             ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
             std::signal(SIGXFSZ, SIG_DFL);
         }},
        {"the characters' folder cannot be made", false,
         [&] {
             std::filesystem::remove_all(user.path() / "Chars");
             user.write("Chars", "not a folder");
         },
         [&] { std::filesystem::remove(user.path() / "Chars"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_NO_FATAL_FAILURE(startWarrior());
        if (row.savedBefore) {
            ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
            ASSERT_TRUE(continueSaved());
        }
        serverPlayer()->setStat(toIndex(CharacterStat::Money), 777);
        frame();
        frame();
        const auto lastSave = row.savedBefore ? savedGame(user) : decltype(savedGame(user))();
        shown.clear();
        row.block();
        ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
        EXPECT_TRUE(client->isJoined()) << "the game ended without its save";
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                                [](const std::string& text) {
                                    return text.starts_with("The game could not be saved (") &&
                                           text.ends_with("The last save is kept.");
                                }))
            << shown.size() << " texts shown";
        // Quit (and the window's close) alike, and it says how to leave. (A
        // second save finds the folder "chars" the first one made.)
        if (row.savedBefore) {
            shown.clear();
            ASSERT_TRUE(CommandSystem::get().execute("quit", nullptr, false, false));
            EXPECT_TRUE(app->isRunning()) << "Quit ended the game without its save";
            EXPECT_TRUE(client->isJoined());
            EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                                    [](const std::string& text) {
                                        return text.starts_with("The game could not be saved (") &&
                                               text.ends_with("The last save is kept. Quit again to leave "
                                                              "without saving.");
                                    }))
                << shown.size() << " texts shown";
        }
        if (row.savedBefore) {
            EXPECT_TRUE(savedGame(user) == lastSave) << "the last save changed";
            for (const auto& entry : std::filesystem::directory_iterator(user.path() / "Chars")) {
                EXPECT_FALSE(entry.path().string().ends_with(".tmp")) << entry.path() << " is left";
            }
        } else {
            const std::vector<uint8_t> kept = readFileBytes(user.path() / "Chars");
            EXPECT_EQ(std::string(kept.begin(), kept.end()), "not a folder");
        }
        row.unblock();
        frame();
        ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
        EXPECT_FALSE(client->isJoined());
        EXPECT_TRUE(FileSystem::get().fileExists("chars/Aldric.chr", true));
        if (row.savedBefore) {
            EXPECT_TRUE(savedGame(user) != lastSave);
        }
        // (A plain file "Chars" had the files made in a folder "chars".)
        std::filesystem::remove_all(user.path() / "Chars");
        std::filesystem::remove_all(user.path() / "chars");
    }
    // Asked again, Quit leaves, with the last save as it was.
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
    ASSERT_TRUE(continueSaved());
    frame();
    const auto kept = savedGame(user);
    rows[0].block();
    // First the window's close, then Quit.
    shown.clear();
    SDL_Event close{};
    close.type = SDL_QUIT;
    Platform::get().handleEvent(close);
    EXPECT_TRUE(app->isRunning());
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](const std::string& text) {
        return text.ends_with("Quit again to leave without saving.");
    }));
    ASSERT_TRUE(CommandSystem::get().execute("quit", nullptr, false, false));
    EXPECT_FALSE(app->isRunning());
    rows[0].unblock();
    EXPECT_TRUE(savedGame(user) == kept) << "the last save changed";
    client->setTextEventSink(nullptr);
}

// The program ending (a signal, or Quit asked again after the player was
// told) where its save cannot be written: it ends all the same, the log says which file could not
// be written and that the save was not made, and the last save is whole and
// is what Continue brings back.
TEST_F(ClientWorldEndToEnd, AnEndWhoseSaveCannotBeWrittenLogsItAndKeepsTheLastSave)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    frame();
    ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
    const auto resume = [&] { ASSERT_TRUE(continueSaved()); };
    ASSERT_NO_FATAL_FAILURE(resume());
    const int money = toIndex(CharacterStat::Money);
    const int saved = serverPlayer()->getStat(money);
    serverPlayer()->setStat(money, saved + 777);
    frame();
    const auto lastSave = savedGame(user);

    // The disk full for this process: no file grows.
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit none{0, RLIM_INFINITY};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    lines.clear();
    app->requestQuit();
    frame();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(logged("The save was not made (Chars/global.sav: "), 1u);
    EXPECT_EQ(logged("the previous save stays whole"), 1u);
    EXPECT_TRUE(savedGame(user) == lastSave) << "the last save changed";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(user.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.ends_with(".tmp") || name == FileSystem::kJournal) << name << " is left";
    }

    ASSERT_NO_FATAL_FAILURE(restartProgram());
    ASSERT_NO_FATAL_FAILURE(resume());
    EXPECT_EQ(serverPlayer()->getStat(money), saved);
}

TEST_F(ClientWorldEndToEnd, ThePlayerActsFromTheClientAndTheServerFollows)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    Game& game = Game::get();
    Player* player = serverPlayer();
    ASSERT_NE(player, nullptr);
    PlayerClient* mirror = client->getLocalPlayer();
    ASSERT_NE(mirror, nullptr);
    const auto serverAt = [&] { return player->getPosition(); };
    const auto walkUntilStill = [&] {
        for (int i = 0;
             i < 200 && (mirror->hasDestination() || mirror->action == PlayerClient::kActionApproach); ++i) {
            frame();
        }
        frame();
        frame();
    };

    // A click on the ground five tiles east: the server's player follows the mirror.
    const ZonePosition start = mirror->getPosition();
    const ZonePosition east(start.zone, start.x + 5 * 32.0f, start.y);
    const Vec2 onScreen = client->worldToScreen(east, true);
    client->onButtonPress(0, true, static_cast<int>(onScreen.x), static_cast<int>(onScreen.y));
    client->onButtonPress(0, false, static_cast<int>(onScreen.x), static_cast<int>(onScreen.y));
    ASSERT_TRUE(mirror->hasDestination());
    float largestGap = 0.0f;
    for (int i = 0; i < 200 && mirror->hasDestination(); ++i) {
        frame();
        largestGap = std::max(largestGap, ZonePosition::distanceTo(serverAt(), mirror->getPosition()));
    }
    frame();
    EXPECT_GT(mirror->getPosition().x, start.x + 3 * 32.0f);
    EXPECT_LT(ZonePosition::distanceTo(serverAt(), mirror->getPosition()), 1.0f);
    EXPECT_LE(largestGap, mirror->getMovement() * 0.05f * 2.0f + 1.0f) << "within a frame of the mirror";

    // A shipped item dropped two tiles away: walked to and picked up.
    auto* sword = new Item();
    sword->setItemEntry(Database::get().findEntry("ShortSword"));
    sword->generate(1);
    const ZonePosition here = mirror->getPosition();
    ItemGround* ground =
        dropItemOnGround(sword, true, false, ZonePosition(here.zone, here.x, here.y + 64.0f));
    ASSERT_NE(ground, nullptr);
    const int number = ground->getEntityNumber();
    frame();
    frame();
    EntityClient* onGround = GameClient::get().getEntity(number);
    ASSERT_NE(onGround, nullptr);
    mirror->selectEntity(onGround);
    EXPECT_EQ(mirror->action, PlayerClient::kActionApproach);
    walkUntilStill();
    EXPECT_EQ(GameClient::get().getEntity(number), nullptr) << "the ground mirror is gone";
    int group = -1, slot = -1;
    bool inBags = false;
    for (int g = 0; g < 15 && !inBags; ++g) {
        for (int s = 0; s < 64 && !inBags; ++s) {
            const ItemBase* held = mirror->getItem(g, s);
            inBags = held && held->getEntry() == Database::get().findEntry("ShortSword");
            group = g;
            slot = s;
        }
    }
    EXPECT_TRUE(inBags) << group << " " << slot;

    // An attribute point spent from the client.
    player->setStat(toIndex(CharacterStat::AttributePointsLeft), 2);
    frame();
    frame();
    const int strength = mirror->getStat(5);
    ASSERT_EQ(mirror->getStat(93), 2);
    ASSERT_TRUE(CommandSystem::get().execute("ClientIncrementAttribute Strength", nullptr, false, true));
    frame();
    frame();
    frame();
    EXPECT_EQ(mirror->getStat(5), strength + 1);
    EXPECT_EQ(mirror->getStat(93), 1);

    // A skill used on a Goblin Warrior: the server's answer runs its timer.
    const MonsterType* goblinType = GameData::get().findMonsterType("GoblinWarrior");
    ASSERT_NE(goblinType, nullptr);
    Actor* goblin = SpawnSystem::get().spawnMonster(goblinType, 0, MonsterRarity::Normal, 1);
    ASSERT_NE(goblin, nullptr);
    const ZonePosition near = mirror->getPosition();
    goblin->setPosition(ZonePosition(near.zone, near.x + 40.0f, near.y));
    ASSERT_GE(game.addEntity(goblin), 0);
    frame();
    frame();
    EntityClient* goblinMirror = GameClient::get().getEntity(goblin->getEntityNumber());
    ASSERT_NE(goblinMirror, nullptr);
    SkillBase* strike = nullptr;
    for (SkillBase* skill : mirror->skills->getSkills()) {
        if (!strike && skill->getDefinition() && skill->getLevel() > 0 &&
            !skill->getDefinition()->canAutoAttack) {
            strike = skill;
        }
    }
    ASSERT_NE(strike, nullptr);
    mirror->setTarget(goblinMirror, true);
    mirror->useSkill(strike->getTree(), strike->getSlot());
    for (int i = 0; i < 6; ++i) {
        frame();
    }
    EXPECT_FALSE(static_cast<SkillClient*>(strike)->waiting) << "usedSkill came back";
    EXPECT_TRUE(strike->getUseTimer().running);

    // The server's warp to a town gate: the mirror jumps, then walks from there.
    ASSERT_TRUE(CommandSystem::get().execute("serverCommand gateTown 1", nullptr, false, true));
    for (int i = 0; i < 4; ++i) {
        frame();
    }
    const ZonePosition gate(0, 2712.0f, 2016.0f);
    EXPECT_LT(ZonePosition::distanceTo(mirror->getPosition(), gate), 3 * 32.0f) << mirror->getPosition().x;
    EXPECT_LT(ZonePosition::distanceTo(serverAt(), mirror->getPosition()), 1.0f);
    mirror->setDestination(ZonePosition(0, mirror->getPosition().x, mirror->getPosition().y + 64.0f), true);
    walkUntilStill();
    EXPECT_LT(ZonePosition::distanceTo(serverAt(), mirror->getPosition()), 1.0f) << "positions adopted again";
    EXPECT_EQ(client->getDroppedCount(), 0u);
    expectNoWarnings();
}

TEST_F(ClientWorldEndToEnd, AGiftReachesTheClientAndTheSheetShowsTheServersValues)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    Game& game = Game::get();
    Player* player = serverPlayer();
    ASSERT_NE(player, nullptr);
    Covenant* own = player->getCovenant();
    ASSERT_NE(own, nullptr);
    Covenant* giver = nullptr;
    for (int i = 0; i < game.getCovenantCount() && !giver; ++i) {
        Covenant* c = game.getCovenant(i);
        giver = c && c != own && dynamic_cast<ActorCovenant*>(c) ? c : nullptr;
    }
    ASSERT_NE(giver, nullptr);
    giver->addCrystals(50);

    // A computer covenant's gift of five crystals reaches the client.
    TradeOffer gift;
    gift.type = 2;
    gift.terms.push_back(TradeTerm{0, static_cast<int32_t>(TradeTermKind::TermCrystals), 5});
    giver->sendOffer(own, gift);
    frame();
    frame();
    PlayerCovenantClient* mirror = client->getPlayerCovenant();
    ASSERT_NE(mirror, nullptr);
    const PlayerCovenantClient::PendingOffer* pending = mirror->getPendingOffer(giver->index);
    ASSERT_NE(pending, nullptr);
    ASSERT_EQ(pending->entries.size(), 1u);
    EXPECT_EQ(pending->kind, 2);
    GameClient::get().setCurrentCovenant(giver->index);
    const size_t before = client->getQueuedCommands().size();
    ASSERT_TRUE(CommandSystem::get().execute("acceptTrade", nullptr, false, true));
    ASSERT_EQ(client->getQueuedCommands().size(), before + 1);
    EXPECT_EQ(client->getQueuedCommands().back(), formatString("acceptOffer 2 %d 0 8 5", giver->index));
    // The server answers "dipRes 12 <covenant>": the covenant's confirmation line.
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    const std::string answer = GameClient::get().getDiplomacyResponseText();
    const CovenantClient* giverMirror = GameClient::get().getCovenant(giver->index);
    ASSERT_NE(giverMirror, nullptr);
    const std::string key = "DiplomacyTextResponse" + getCovenantResponseName(12);
    const std::string relation =
        GameData::get().getRelationName(static_cast<int>(giverMirror->getRelation(mirror->index)));
    DefinitionReader lines(giver->getDefinition()->getEntry());
    std::vector<std::string> confirmations = lines.getStringList(key + relation);
    if (confirmations.empty()) {
        confirmations = lines.getStringList(key);
    }
    ASSERT_FALSE(confirmations.empty());
    EXPECT_NE(std::find(confirmations.begin(), confirmations.end(), answer), confirmations.end()) << answer;

    // The sheet shows the level and health the server sent.
    player->setHealth(std::max(1, player->getMaxHealth() - 3));
    frame();
    frame();
    ASSERT_TRUE(CommandSystem::get().execute("exportHtml Character", nullptr, false, false));
    std::vector<uint8_t> bytes = readFileBytes(user.path() / "Aldric.htm");
    const std::string page(bytes.begin(), bytes.end());
    EXPECT_NE(page.find(formatString("Health: %d / %d<br>", player->getHealth(), player->getMaxHealth())),
              std::string::npos)
        << page.substr(0, 400);
    EXPECT_NE(page.find(formatString("Level %d ", player->getStat(toIndex(CharacterStat::Level)))),
              std::string::npos);
    expectNoWarnings();
}

// A guard hired into the player's house: the tooltip of another contract in
// the bag compares with that guard, as the client has them from the server.
TEST_F(ClientWorldEndToEnd, AContractsTooltipNamesTheGuardThatStands)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    Player* player = serverPlayer();
    ASSERT_NE(player, nullptr);
    Covenant* own = player->getCovenant();
    ASSERT_NE(own, nullptr);
    own->addCrystals(100000);
    const int bag = toIndex(InventoryGroupIndex::Bag1), house = toIndex(InventoryGroupIndex::House);
    InventoryGroup* places = player->getInventory()->getSlot(bag);
    ASSERT_NE(places, nullptr);
    std::vector<int> free;
    for (int i = 0; i < places->getSize() && free.size() < 2; ++i) {
        if (!places->getItem(i)) {
            free.push_back(i);
        }
    }
    ASSERT_EQ(free.size(), 2u);
    // The standing guard's contract and the hovered one differ in level.
    std::unique_ptr<Item> standing = Vendor::createGuardItem(9);
    std::unique_ptr<Item> hovered = Vendor::createGuardItem(2);
    ASSERT_TRUE(standing && hovered);
    places->setItem(free[0], standing.release());
    player->moveItem(bag, free[0], house, 0);
    ASSERT_NE(own->getGuard(0), nullptr);
    places->setItem(free[1], hovered.release());

    PlayerClient* mirror = client->getLocalPlayer();
    ASSERT_NE(mirror, nullptr);
    const ItemBase* held = nullptr;
    const ItemBase* contract = nullptr;
    // One state message a frame carries them; the bound only catches a hang.
    for (int i = 0; i < 100 && !(held && contract); ++i) {
        frame();
        held = mirror->inventory->getItemAt(house, 0);
        contract = mirror->inventory->getItemAt(bag, free[1]);
    }
    ASSERT_NE(held, nullptr) << "the house's guard never reached the client";
    ASSERT_NE(contract, nullptr);
    std::string text;
    mirror->getEquipTooltip(contract, text, TooltipContext{});
    std::string guard;
    held->getTooltip(mirror, TooltipContext{}, guard);
    ASSERT_FALSE(guard.empty());
    EXPECT_NE(text.find("Currently in guard slot 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("  None"), std::string::npos) << text;
    EXPECT_EQ(text.size() - guard.size(), text.rfind(guard))
        << "the standing guard's contract closes it: " << text;
}

// A new world while joined: the messages written before it and after it are
// all read, and the mirrors follow the new world's player.
TEST_F(ClientWorldEndToEnd, ANewWorldKeepsEveryStateMessageReadable)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    // A state message of the old world is still on its way when the world
    // changes to one with another number of gates.
    server->update();
    Game& game = Game::get();
    const size_t oldGates = client->getLocalPlayer()->levelGates.getRecords().size();
    Player* player = nullptr;
    for (int tries = 0; tries < 20 && (!player || player->getGates().getRecords().size() == oldGates);
         ++tries) {
        ASSERT_TRUE(server->newWorld({"1", "Average", "Normal", "2"}));
        player = dynamic_cast<Player*>(game.getEntity(server->getClient(0)->playerNumber));
        ASSERT_NE(player, nullptr);
    }
    ASSERT_NE(player->getGates().getRecords().size(), oldGates);
    player->setStat(toIndex(CharacterStat::Money), 9876);
    for (int i = 0; i < 4; ++i) {
        frame();
    }
    PlayerClient* mirror = client->getLocalPlayer();
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(client->getDroppedCount(), 0u);
    EXPECT_EQ(mirror->getEntityNumber(), player->getEntityNumber());
    EXPECT_EQ(mirror->getStat(toIndex(CharacterStat::Money)), 9876);
    EXPECT_EQ(mirror->levelGates.getRecords().size(), player->getGates().getRecords().size());
    expectNoWarnings();
}

// The theme is heard in the town and nowhere else, and again on coming back.
TEST_F(ClientSoundEndToEnd, TheThemePlaysInTheTownOnly)
{
    set("PlayerName", "Aldric");
    set("CovenantName", "Red Hand");
    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    const auto framesUntil = [this](bool playing) {
        for (int i = 0; i < 400 && client->isThemePlaying() != playing; ++i) {
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return client->isThemePlaying() == playing;
    };
    for (int i = 0; i < 4; ++i) {
        frame();
    }
    ASSERT_TRUE(client->isJoined());
    PlayerClient* mirror = client->getLocalPlayer();
    ASSERT_NE(mirror, nullptr);
    ASSERT_EQ(mirror->getPosition().zone, 0);
    EXPECT_TRUE(framesUntil(true)) << "in the town";
    const ZonePosition town = mirror->getPosition();
    ASSERT_TRUE(CommandSystem::get().execute("warp 1 2048 2048", nullptr, false, true));
    EXPECT_EQ(mirror->getPosition().zone, 1);
    EXPECT_TRUE(framesUntil(false)) << "outside the town";
    ASSERT_TRUE(
        CommandSystem::get().execute(formatString("warp 0 %.1f %.1f", town.x, town.y), nullptr, false, true));
    EXPECT_TRUE(framesUntil(true)) << "back in the town";
}

// A character with a warrior in its covenant, a hurt guard hired at its
// house, a relic on show, a quest one kill on, two gates taken and a set
// worn plays on as it was after each of three saves and continues, the
// second in a new program: at the join and a step later no member grows
// stronger, no guard's contract is lost, the quest keeps its goal, the
// gates stay taken and the set's bonuses are held.
TEST_F(StateReadBackResumed, AMemberGuardRelicQuestAndGatesComeBackAtEveryContinue)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    Player* player = serverPlayer();
    ASSERT_NE(player, nullptr);
    ASSERT_NO_FATAL_FAILURE(wearWardenSet());
    auto* covenant = dynamic_cast<PlayerCovenant*>(player->getCovenant());
    ASSERT_NE(covenant, nullptr);
    ZonePosition near = player->getPosition();
    near.x += 80.0f;
    Actor* warrior = SpawnSystem::get().spawnMonsterAt(-1, GameData::get().findMonsterType("RecruitWarrior"),
                                                       near, near.zone);
    ASSERT_NE(warrior, nullptr);
    player->recruitToCovenant(warrior, false);
    ASSERT_EQ(covenant->getRecruitCount(), 1);
    // A member comes back whole: so it is saved.
    warrior->setHealth(warrior->getMaxHealth());
    // Into the house from the bag, as the player moves them.
    covenant->addCrystals(100000);
    const int bag = toIndex(InventoryGroupIndex::Bag1);
    const int house = toIndex(InventoryGroupIndex::House);
    player->getInventory()->getSlot(bag)->setItem(0, Vendor::createGuardItem(5).release());
    auto* relic = new Item();
    relic->setItemEntry(Database::get().findEntry("EmberRelic"));
    player->getInventory()->getSlot(bag)->setItem(1, relic);
    player->moveItem(bag, 0, house, 0);
    player->moveItem(bag, 1, house, 4);
    auto* guard = dynamic_cast<Sentient*>(covenant->getGuard(0));
    ASSERT_NE(guard, nullptr);
    ASSERT_NE(covenant->getRelicDisplay(4), nullptr);
    // Hurt, and held there until each save: its regeneration taken away.
    guard->setHealth(guard->getMaxHealth() - 9);
    auto holdGuard = [this] {
        if (Entity* standing = serverPlayer()->getCovenant()->getGuard(0)) {
            standing->removeStatusEffect(Database::get().findEntry(Actor::kRegenEffect));
        }
    };
    holdGuard();
    // One of the kind the world drew already would be a duplicate.
    Game& game = Game::get();
    for (int i = 0; i < game.getQuestTableSize(); ++i) {
        if (const Quest* drawn = game.getQuest(i); drawn && drawn->type == toIndex(QuestType::KillMonsters)) {
            game.deleteQuest(i);
        }
    }
    Quest* offered = game.generateQuests(toIndex(QuestType::KillMonsters), nullptr, 3);
    ASSERT_NE(offered, nullptr);
    Quest* held = player->acceptQuest(offered->id);
    ASSERT_NE(held, nullptr);
    held->recordKill(held->getMonsterType(0), held->getTargetLevel());
    const std::vector<GateRecord>& gates = player->getGates().getRecords();
    ASSERT_GE(gates.size(), 2u);
    player->activateGate(gates[0].zone);
    player->activateGate(gates[1].zone);
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    const std::string played = playState();
    ASSERT_NE(played.find("guard 0: "), std::string::npos) << played;
    ASSERT_NE(played.find("WardenSetFull WardenSetPartial"), std::string::npos) << played;
    ASSERT_NE(played.find("gates 0 1 copy 0 1\n"), std::string::npos) << played;
    for (int resume = 1; resume <= 3; ++resume) {
        const auto newProgram = [this] { restartProgram(); };
        ASSERT_TRUE(resume == 2 ? saveAndContinue(newProgram) : saveAndContinue()) << "continue " << resume;
        EXPECT_EQ(playState(), played) << "continue " << resume;
        holdGuard();
        frame();
        EXPECT_EQ(playState(), played) << "a step after continue " << resume;
        // A little play before the next save: the client hears of it all.
        holdGuard();
        for (int i = 0; i < 3; ++i) {
            frame();
        }
    }
    expectNoWarnings();
}

// What the server changed in the very step before a save is in the save
// the game continues, whichever way the save is made: a guard fallen (its
// contract broken), a quest done, a warrior taken in and a guard hired just
// then come back as they were. The client writes its files from mirrors
// that hear of the server's step a frame later, the world is the server's
// own: the save takes both of the same step.
TEST_F(StateReadBackResumed, WhatTheStepBeforeASaveChangedIsInTheSaveHoweverItIsMade)
{
    const int bag = toIndex(InventoryGroupIndex::Bag1);
    const int house = toIndex(InventoryGroupIndex::House);
    struct Way {
        const char* what;
        // Before the step's frame (the program asked to end saves at its end).
        std::function<void()> before;
        std::function<bool()> save;
    };
    const auto none = [] {};
    const Way ways[] = {
        {"Save and exit", none,
         [] { return CommandSystem::get().execute("saveAndExit", nullptr, false, false); }},
        {"the automatic save", none, [] { return GameClient::get().saveGame(); }},
        {"the program's end", [this] { app->requestQuit(); }, [] { return true; }},
        // Saved as the client reads the offer, before the sections after it.
        {"an allied victory offered", [] { Game::get().setAlliedVictoryOffered(true); },
         [this] {
             frame();
             return GameClient::get().getAlliedVictory();
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        ASSERT_NO_FATAL_FAILURE(startWarrior());
        Player* player = serverPlayer();
        ASSERT_NE(player, nullptr);
        Covenant* covenant = player->getCovenant();
        ASSERT_NE(covenant, nullptr);
        covenant->addCrystals(100000);
        // A guard hired and a quest one kill from its end, both known to the client.
        player->getInventory()->getSlot(bag)->setItem(0, Vendor::createGuardItem(5).release());
        player->moveItem(bag, 0, house, 0);
        auto* fallen = dynamic_cast<Sentient*>(covenant->getGuard(0));
        ASSERT_NE(fallen, nullptr);
        Game& game = Game::get();
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            if (const Quest* drawn = game.getQuest(i);
                drawn && drawn->type == toIndex(QuestType::KillMonsters)) {
                game.deleteQuest(i);
            }
        }
        Quest* offered = game.generateQuests(toIndex(QuestType::KillMonsters), nullptr, 3);
        ASSERT_NE(offered, nullptr);
        Quest* held = player->acceptQuest(offered->id);
        ASSERT_NE(held, nullptr);
        ASSERT_GE(held->goal, 2);
        const auto kill = [held] { held->recordKill(held->getMonsterType(0), held->getTargetLevel()); };
        for (int i = 0; i < held->goal * 2 && held->progress + 1 < held->goal; ++i) {
            kill();
        }
        ASSERT_EQ(held->progress + 1, held->goal);
        for (int i = 0; i < 3; ++i) {
            frame();
        }

        // The step before the save: the guard falls, the last kill is made,
        // a warrior joins and a second guard is hired.
        fallen->setHealth(0);
        kill();
        ZonePosition near = player->getPosition();
        near.x += 80.0f;
        Actor* warrior = SpawnSystem::get().spawnMonsterAt(
            -1, GameData::get().findMonsterType("RecruitWarrior"), near, near.zone);
        ASSERT_NE(warrior, nullptr);
        player->recruitToCovenant(warrior, false);
        warrior->setHealth(warrior->getMaxHealth());
        player->getInventory()->getSlot(bag)->setItem(0, Vendor::createGuardItem(5).release());
        player->moveItem(bag, 0, house, 1);
        way.before();
        frame();
        // Its body is not of the save (it would lie a while longer).
        if (Entity* body = covenant->getGuard(0)) {
            ASSERT_TRUE(body->isDead());
            game.deleteEntity(body, true);
        }
        const std::string played = playState();
        ASSERT_NE(played.find("contract 0 broken free"), std::string::npos) << played;
        ASSERT_NE(played.find("guard 1: "), std::string::npos) << played;
        ASSERT_NE(played.find("member 0: "), std::string::npos) << played;
        ASSERT_NE(played.find(" complete"), std::string::npos) << played;
        ASSERT_TRUE(way.save());
        FileSystem::get().finishWrites();
        // The program ends here without a save of its own unless its loop saved.
        if (!app->isRunning() || client->isJoined()) {
            ASSERT_NO_FATAL_FAILURE(restartProgram());
        }
        ASSERT_TRUE(continueSaved());
        EXPECT_EQ(playState(), played);
        ASSERT_TRUE(CommandSystem::get().execute("saveAndExit", nullptr, false, false));
        std::filesystem::remove_all(user.path() / "Chars");
    }
}

// Gates taken stay taken through a Continue of a new program into a new
// world (the world file gone) and a Continue back into the old one: the
// covenant's list keeps them by place, and the server's list follows it.
// The fresh start in the new world keeps the worn set's bonuses.
TEST_F(StateReadBackResumed, GatesTakenStayThroughANewWorldAndBack)
{
    ASSERT_NO_FATAL_FAILURE(startWarrior());
    ASSERT_NO_FATAL_FAILURE(wearWardenSet());
    Player* player = serverPlayer();
    ASSERT_NE(player, nullptr);
    const std::vector<GateRecord>& gates = player->getGates().getRecords();
    ASSERT_GE(gates.size(), 3u);
    player->activateGate(gates[0].zone);
    player->activateGate(gates[2].zone);
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    const std::string taken = " 0 2";
    ASSERT_EQ(activated(client->getLocalPlayer()->covenantGates.getRecords()), taken);
    const uint32_t firstWorld = World::get().getWorldSeed();
    const std::filesystem::path worldFile = user.path() / "Chars" / "Aldric.wld";
    struct Step {
        const char* what;
        bool newWorld;
    };
    std::vector<uint8_t> kept;
    for (const Step& step : {Step{"into a new world", true}, Step{"back into the first", false}}) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(saveAndContinue([&] {
            if (step.newWorld) {
                kept = readFileBytes(worldFile);
                std::filesystem::remove(worldFile);
                restartProgram();
            } else {
                writeFileBytes(worldFile, kept);
            }
        }));
        EXPECT_EQ(World::get().getWorldSeed() != firstWorld, step.newWorld);
        for (int i = 0; i < 3; ++i) {
            frame();
        }
        EXPECT_EQ(activated(client->getLocalPlayer()->covenantGates.getRecords()), taken);
        EXPECT_EQ(activated(serverPlayer()->getGatesCopy().getRecords()), taken);
        EXPECT_EQ(activated(serverPlayer()->getGates().getRecords()), taken);
        EXPECT_NE(sentientState(serverPlayer()).find("WardenSetFull WardenSetPartial"), std::string::npos);
    }
}

// An aura the player put on itself lasts until taken off: a Continue of a
// new program has it on again, the player's stats as they were, at the join
// and a step later.
TEST_F(StateReadBackResumed, APriestsAuraIsOnAtContinueAndAStepLater)
{
    set("PlayerName", "Aldric");
    set("CovenantName", "Red Hand");
    set("PlayerClass", "$$ClassPriest$$");
    ASSERT_TRUE(CommandSystem::get().execute("start both 0", nullptr, false, false));
    ASSERT_TRUE(frameUntil([this] { return client->isJoined() && serverPlayer(); }));
    serverPlayer()->addStatusEffectByName("StatusEffectDevotionAura", serverPlayer(), 1);
    auto auraState = [this] {
        const Player* player = serverPlayer();
        return sentientState(player) + " defense " +
               std::to_string(player->getStat(toIndex(CharacterStat::Defense))) + " magic resistance " +
               std::to_string(player->getStat(toIndex(CharacterStat::ResistanceMagic)));
    };
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    const std::string on = auraState();
    ASSERT_NE(on.find("StatusEffectDevotionAura"), std::string::npos) << on;
    ASSERT_TRUE(saveAndContinue([this] { restartProgram(); }));
    EXPECT_EQ(auraState(), on) << "at the join";
    frame();
    EXPECT_EQ(auraState(), on) << "a step later";
}
