// The client's side of the sound system, on the recording driver: theme
// music, the pause through the client's queries and the sounds of a state
// message.
#include "client/Client.h"
#include "client/ClientSoundQueries.h"
#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/ItemClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Clock.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/net/SocketLayer.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/SoundFileWriter.h"
#include "sound/SoundResourceTypes.h"
#include "sound/SoundSystem.h"
#include "support/ClientMessageBytes.h"
#include "support/RecordingSoundDriver.h"
#include "support/SoundTestFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

namespace CMB = ClientMessageBytes;

namespace {

std::vector<int16_t> tone(int frames, int channels)
{
    std::vector<int16_t> s(static_cast<size_t>(frames * channels));
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<int16_t>(9000 * std::sin(static_cast<double>(i) * 0.1));
    }
    return s;
}

class ClientSoundTest : public SoundTestFixture {
protected:
    void SetUp() override
    {
        SoundTestFixture::SetUp();
        writeFileBytes(dir.file("mono.wav"), SoundFileWriter::makeWave(tone(2205, 1), 1, 22050, 16));
        writeFileBytes(dir.file("alert.wav"), SoundFileWriter::makeWave(tone(2205, 1), 1, 22050, 16));
        for (const char* name : {"won.wav", "lost.wav", "attribute.wav"}) {
            writeFileBytes(dir.file(name), SoundFileWriter::makeWave(tone(2205, 1), 1, 22050, 16));
        }
        std::vector<uint8_t> ogg;
        ASSERT_TRUE(SoundFileWriter::makeOgg(tone(22050, 2), 2, 44100, 0.2f, 5, ogg));
        writeFileBytes(dir.file("theme.ogg"), ogg);
        database.addSubDatabase(
            "GameSystem", "gamesystem.dbl",
            "GameSystem\n{\n    ThemeMusicName \"theme.ogg\"\n    MusicFadeTime 2.0\n"
            "    SoundNameMessageAlert \"alert.wav\"\n    SoundNameInvalidAction \"alert.wav\"\n"
            "    SoundNameWonGame \"won.wav\"\n    SoundNameLostGame \"lost.wav\"\n"
            "    SoundNameAttributeIncrease \"attribute.wav\"\n}\n");
        client.registerCommands();
        GameClient::registerCommands();
    }
    void TearDown() override
    {
        sound.setClientQueries(nullptr);
        sound.shutdown();
        GameClient::destroy();
        client.shutdown();
    }
    void start()
    {
        ASSERT_TRUE(sound.init(&driver));
        sound.setClientQueries(&queries);
    }
    void join(const std::vector<std::pair<uint32_t, std::string>>& names = {})
    {
        NetAddress server;
        getLocalAddress(server, kServerPort);
        ByteBuffer joined = CMB::joined(0, names);
        client.dispatchMessage(joined, server);
        ASSERT_TRUE(client.isJoined());
    }
    void deliver(ByteBuffer message)
    {
        NetAddress server;
        getLocalAddress(server, kServerPort);
        client.dispatchMessage(message, server);
    }
    // Frames until the theme plays (it loads on the loader thread).
    bool thinkUntilThemePlays()
    {
        for (int i = 0; i < 400 && !client.isThemePlaying(); ++i) {
            client.think(0.05);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return client.isThemePlaying();
    }
    int channelsInUse()
    {
        int n = 0;
        for (int i = 2; i < SoundSystem::kChannelCount; ++i) {
            const SoundChannel* channel = sound.getChannel(i);
            n += channel && channel->inUse ? 1 : 0;
        }
        return n;
    }
    // The files of the channels in use, in channel order.
    std::vector<std::string> playing()
    {
        std::vector<std::string> names;
        for (int i = 2; i < SoundSystem::kChannelCount; ++i) {
            const SoundChannel* channel = sound.getChannel(i);
            if (channel && channel->inUse) {
                names.push_back(ResourceSystem::get().getFileName(channel->resource.getIndex()));
            }
        }
        return names;
    }

    Database database;
    SocketLayer sockets;
    SoundSystem sound;
    RecordingSoundDriver driver;
    ClientSoundQueries queries;
    Client client;
};

} // namespace

TEST_F(ClientSoundTest, ThemePlaysUntilJoined)
{
    start();
    EXPECT_EQ(GameClient::get().getThemeMusicName(), "theme.ogg");
    ASSERT_TRUE(thinkUntilThemePlays());
    EXPECT_GE(sound.getMusicChannel(), 0);
    join();
    client.think(0.05);
    EXPECT_FALSE(client.isThemePlaying());
}

TEST_F(ClientSoundTest, PausedJoinedClientSilencesLoopingChannels)
{
    start();
    join();
    SoundChannel* channel = sound.findFreeChannel();
    ASSERT_NE(channel, nullptr);
    sound.playSound(channel, ZonePosition3(-1, 0.0f, 0.0f, 0.0f), resources.load("mono.wav"), -1, 0, true,
                    0.0f, 0.0f);
    ASSERT_TRUE(channel->inUse);
    vars.setVar("paused", "1");
    EXPECT_TRUE(queries.isPaused());
    sound.update();
    EXPECT_FLOAT_EQ(driver.gain[channel->handle], 0.0f);
}

TEST_F(ClientSoundTest, StateMessageSoundsReachTheSoundSystem)
{
    start();
    join({{3, "mono.wav"}});
    CMB::StateValues s;
    s.sounds = {{3, 4, 50.0f}, {kMessageEndMark, 5, 0.0f}, {500, 6, 0.0f}};
    deliver(CMB::state(s));
    ASSERT_EQ(channelsInUse(), 1);
    for (int i = 2; i < SoundSystem::kChannelCount; ++i) {
        SoundChannel* channel = sound.getChannel(i);
        if (channel->inUse) {
            EXPECT_EQ(channel->owner, 4);
            EXPECT_FLOAT_EQ(channel->minDist, 50.0f);
            EXPECT_EQ(channel->position.zone, 0);
            EXPECT_FLOAT_EQ(channel->position.x, 5.0f);
            EXPECT_FLOAT_EQ(channel->position.y, 6.0f);
        }
    }
}

TEST_F(ClientSoundTest, UninitialisedSoundPlaysAndLogsNothing)
{
    join({{3, "mono.wav"}});
    log.clear();
    CMB::StateValues s;
    s.sounds = {{3, 4, 50.0f}};
    deliver(CMB::state(s));
    for (int i = 0; i < 5; ++i) {
        client.think(0.05);
        client.draw(0.05);
    }
    EXPECT_EQ(channelsInUse(), 0);
    EXPECT_TRUE(driver.calls.empty());
    EXPECT_FALSE(client.isThemePlaying());
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(ClientSoundTest, CovenantEliminatedPlaysOnceWhenNewlySetAfterTheFirstSection)
{
    std::filesystem::create_directories(dir.path() / "Sounds");
    std::vector<uint8_t> ogg;
    ASSERT_TRUE(SoundFileWriter::makeOgg(tone(4410, 1), 1, 22050, 0.2f, 5, ogg));
    writeFileBytes(dir.file(CovenantClient::kEliminatedSound), ogg);
    start();
    CovenantClient covenant(0);
    CovenantSection section;
    section.destroyed = true;
    covenant.readSection(section);
    EXPECT_EQ(channelsInUse(), 0);
    section.destroyed = false;
    covenant.readSection(section);
    section.destroyed = true;
    covenant.readSection(section);
    covenant.readSection(section);
    ASSERT_EQ(channelsInUse(), 1);
    for (int i = 2; i < SoundSystem::kChannelCount; ++i) {
        if (sound.getChannel(i)->inUse) {
            EXPECT_EQ(sound.getChannel(i)->owner, -1);
            EXPECT_EQ(sound.getChannel(i)->position.zone, -1);
        }
    }
}

TEST_F(ClientSoundTest, ItemSoundsUseRequestsAndTypeMultipliers)
{
    database.addSubDatabase("Items", "items.dbl",
                            "Bread\n{\n    Type Item\n    ItemType Food\n    DropSoundName \"mono.wav\"\n}\n"
                            "Water\n{\n    Type Item\n    ItemType Drink\n    UseSoundName \"mono.wav\"\n}\n"
                            "Rock\n{\n    Type Item\n}\n");
    start();
    ItemClient bread;
    bread.setItemEntry(database.findEntry("Bread"));
    EXPECT_TRUE(bread.getDropSound().isValid());
    EXPECT_FALSE(bread.getUseSound().isValid());
    // No use sound: the request is queued all the same, nothing plays.
    ItemClient::use(bread, 3, 4);
    EXPECT_EQ(client.getQueuedCommands(), (std::vector<std::string>{"useItem 3 4"}));
    EXPECT_EQ(channelsInUse(), 0);
    ItemClient::playSound(bread);
    EXPECT_EQ(channelsInUse(), 1);
    // Reloading from an entry without a drop sound lets the old one go.
    bread.setItemEntry(database.findEntry("Rock"));
    EXPECT_FALSE(bread.getDropSound().isValid());

    GameClient::get().setScaleFactors(1.5f, 0.5f);
    bread.setItemEntry(database.findEntry("Bread"));
    ItemClient water;
    water.setItemEntry(database.findEntry("Water"));
    ItemClient rock;
    rock.setItemEntry(database.findEntry("Rock"));
    EXPECT_FLOAT_EQ(bread.getTypeMultiplier(), 1.5f);
    EXPECT_FLOAT_EQ(water.getTypeMultiplier(), 0.5f);
    EXPECT_FLOAT_EQ(rock.getTypeMultiplier(), 1.0f);
    // Without a local player nothing is usable.
    EXPECT_FALSE(water.isUsable());
    InventoryClient inventory;
    std::unique_ptr<ItemBase> made(inventory.createItem());
    EXPECT_NE(dynamic_cast<ItemClient*>(made.get()), nullptr);
}

TEST_F(ClientSoundTest, MessagesAndErrorsSoundOnlyWhereTheyShould)
{
    start();
    // The interface sounds load with the game state, once sound runs.
    GameClient::destroy();
    GameClient::registerCommands();
    join();
    GameClient& game = GameClient::get();
    game.showMessage(2, "centred");
    game.showMessage(6, "relation");
    game.showErrorMessage("quiet", true);
    EXPECT_EQ(channelsInUse(), 0);
    game.showMessage(7, "alert");
    EXPECT_EQ(channelsInUse(), 1);
    game.showErrorMessage("refused", false);
    EXPECT_EQ(channelsInUse(), 2);
    // A point spent on an attribute sounds at once, before the server answers.
    ASSERT_TRUE(CommandSystem::get().execute("ClientIncrementAttribute Strength", nullptr, false, true));
    EXPECT_EQ(client.getQueuedCommands().back(), "IncAtrb Strength");
    EXPECT_EQ(channelsInUse(), 3);
}

// Winning and losing each play their own sound at the player.
TEST_F(ClientSoundTest, TheGameEndsWithItsSound)
{
    start();
    GameClient::destroy();
    GameClient::registerCommands();
    join();
    GameClient::get().wonGame();
    ASSERT_EQ(playing().size(), 1u);
    EXPECT_NE(playing()[0].find("won.wav"), std::string::npos) << playing()[0];
    GameClient::get().lostGame();
    ASSERT_EQ(playing().size(), 2u);
    EXPECT_NE(playing()[1].find("lost.wav"), std::string::npos) << playing()[1];
}

TEST_F(ClientSoundTest, TheThemePlaysInTheTownOnly)
{
    start();
    ASSERT_TRUE(client.startGame(false));
    join(); // into zone 0, the town
    ASSERT_TRUE(thinkUntilThemePlays());
    PlayerClient* player = client.getLocalPlayer();
    ASSERT_NE(player, nullptr);
    player->setPosition(ZonePosition(3, 64.0f, 64.0f));
    client.think(0.05);
    EXPECT_FALSE(client.isThemePlaying());
    player->setPosition(ZonePosition(0, 64.0f, 64.0f));
    EXPECT_TRUE(thinkUntilThemePlays());
    client.endGame();
}

// The player's own activity is heard at its body: a cue while it lasts, the
// identifying done sound after it, silence after anything else; a raided
// house sounds its alarm every five seconds.
TEST_F(ClientSoundTest, ThePlayersActivityAndTheRaidAlarmAreHeard)
{
    std::vector<uint8_t> ogg;
    ASSERT_TRUE(SoundFileWriter::makeOgg(tone(4410, 1), 1, 22050, 0.2f, 5, ogg));
    std::filesystem::create_directories(dir.path() / "Sounds" / "Items");
    for (const char* name : {"Sounds/Items/identifying.ogg", "Sounds/Items/doneIdentifying.ogg",
                             "Sounds/openingChest.ogg", "Sounds/alarm.ogg"}) {
        writeFileBytes(dir.file(name), ogg);
    }
    start();
    ASSERT_TRUE(client.startGame(false));
    join();
    PlayerClient* player = client.getLocalPlayer();
    ASSERT_NE(player, nullptr);
    player->setPlayerEntityNumber(4);
    GameClient::get().setEntity(4, std::make_unique<EntityClient>());
    client.onNewEntity(*GameClient::get().getEntity(4));
    EntityClient* mirror = player->getServerMirror();
    ASSERT_NE(mirror, nullptr);
    struct Step {
        int kind;
        std::vector<std::string> heard;
    };
    const Step steps[] = {{2, {"Sounds/Items/identifying.ogg"}},
                          {0, {"Sounds/Items/doneIdentifying.ogg"}},
                          {3, {"Sounds/openingChest.ogg"}},
                          {0, {}}};
    for (const Step& step : steps) {
        mirror->startProgress(step.kind == 0 ? 0.0f : 5.0f, step.kind);
        player->update(0.0f);
        EXPECT_EQ(playing(), step.heard) << "activity " << step.kind;
    }

    for (int i = 2; i < SoundSystem::kChannelCount; ++i) {
        sound.stopChannel(sound.getChannel(i));
    }
    PlayerCovenantClient* covenant = client.getPlayerCovenant();
    ASSERT_NE(covenant, nullptr);
    covenant->beingRaided = true;
    std::vector<int> alarms;
    for (int second = 0; second < 12; ++second) {
        const size_t before = playing().size();
        covenant->update(second == 0 ? 0.0f : 1.0f);
        if (playing().size() > before) {
            alarms.push_back(second);
        }
    }
    EXPECT_EQ(alarms, (std::vector<int>{0, 5, 10}));
    for (const std::string& name : playing()) {
        EXPECT_EQ(name, "Sounds/alarm.ogg");
    }
}
