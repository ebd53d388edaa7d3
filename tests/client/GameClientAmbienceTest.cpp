// The level ambience and the client weather over the shipped data: the
// ambient light's fade and rain dimming, the level sound banks, the rain
// loops, lightning and thunder (recording sound driver).
#include "client/Client.h"
#include "client/ClientFrameHooks.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/WeatherClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/Clock.h"
#include "engine/core/Random.h"
#include "engine/platform/SystemInfo.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"
#include "graphics/effects/EffectResourceTypes.h"
#include "graphics/effects/EffectSystem.h"
#include "sound/SoundResourceTypes.h"
#include "sound/SoundSystem.h"
#include "support/RecordingSoundDriver.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

class GameClientAmbienceTest : public ::testing::Test {
protected:
    GameClientAmbienceTest() : world(true, false), clock([] { return int64_t(0); })
    {
        registerSoundResourceTypes(world.resources);
        registerMusicResourceType(world.resources);
        world.resources.startLoader();
        levels.installNeighbourFunction();
        lighting.setMaxLights(16);
        world.vars.setVar("CovenantName", "Red Hand");
        world.vars.setVar("playerName", "Aldric");
        world.vars.setVar("PlayerClass", "$$ClassMage$$");
        client.registerCommands();
        GameClient::registerCommands();
        EXPECT_TRUE(client.startGame(false));
        EXPECT_TRUE(client.connect());
        client.getLocalPlayer()->setEntityNumber(7);
        town = levelOf("AreaTown");
        town2 = levelOf("AreaTown");
    }
    ~GameClientAmbienceTest() override
    {
        sound.shutdown();
        GameClient::destroy();
        client.shutdown();
        world.resources.stopLoader();
    }

    AreaDefinition* definition(const std::string& name)
    {
        auto def = std::make_unique<AreaDefinition>();
        def->load(world.database.findEntry(name), static_cast<int>(areas.size()));
        areas.push_back(std::move(def));
        return areas.back().get();
    }
    int levelOf(const std::string& area)
    {
        auto level = std::make_unique<Level>();
        level->definition = definition(area);
        return levels.addLevel(std::move(level));
    }
    void standIn(int level) { client.getLocalPlayer()->setPosition(ZonePosition(level, 100.0f, 100.0f)); }
    const LightRecord& lastLight() const { return lighting.getLight(lighting.getCount() - 1); }
    void startSound() { ASSERT_TRUE(sound.init(&driver)); }
    // Channels playing that sound id, not fading out.
    std::vector<int> channelsWithId(int soundId)
    {
        std::vector<int> found;
        for (int i = 2; i < SoundSystem::kChannelCount; ++i) {
            const SoundChannel* c = sound.getChannel(i);
            if (c && c->inUse && !c->fadingOut && c->soundId == soundId) {
                found.push_back(i);
            }
        }
        return found;
    }
    // The bank of a level once the loader has it.
    bool waitForBank(int level)
    {
        for (int i = 0; i < 400; ++i) {
            const ResourceHandle& bank = GameClient::get().getLevelSoundBank(level);
            if (bank.isValid() && bank.isLoaded()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    TestWorld world;
    Clock clock;
    SystemInfo info;
    World levels;
    LightingSystem lighting;
    RecordingSoundDriver driver;
    SoundSystem sound;
    Client client;
    std::vector<std::unique_ptr<AreaDefinition>> areas;
    int town = -1;
    int town2 = -1;
};

TEST_F(GameClientAmbienceTest, AmbientLightFadesToTheSunAndRainDimsOnlyWhatIsAdded)
{
    GameClient& game = GameClient::get();
    const Color day(1.0f, 0.96f, 0.88f);
    standIn(town);

    // The town fades over 2 s: 0.5 of red takes one second.
    game.setAmbientColor(Color(0.5f, 0.96f, 0.88f), 2.0f);
    game.updateAmbientLight(0.5f);
    EXPECT_NEAR(game.getAmbientColor().r, 0.75f, 1e-5f);
    game.updateAmbientLight(0.5f);
    EXPECT_NEAR(game.getAmbientColor().r, 1.0f, 1e-5f);
    EXPECT_EQ(lastLight().type, 2);

    // An area without a transition time switches at once.
    AreaDefinition* still = definition("AreaTown");
    still->colorTransitionTime = 0.0f;
    auto plain = std::make_unique<Level>();
    plain->definition = still;
    standIn(levels.addLevel(std::move(plain)));
    game.setAmbientColor(Color(0.0f, 0.0f, 0.0f), 2.0f);
    game.updateAmbientLight(0.01f);
    EXPECT_EQ(game.getAmbientColor(), day);

    // Rain of local intensity 0.5 (front 1 × town 0.5) adds 0.7 of the
    // colour and stores it undimmed; a flash of 0.2 brightens what is added.
    standIn(town);
    WeatherClient& weather = game.getWeather();
    weather.setValues(1.0f, 0.0f, 0.0f);
    WeatherClient::Settings settings;
    settings.lowestSunlightMult = 0.4f;
    settings.maxLightningIntensity = 0.4f;
    settings.lightRainMinIntensity = 2.0f;
    settings.mediumRainMinIntensity = 2.0f;
    settings.hardRainMinIntensity = 2.0f;
    weather.setSettings(settings);
    struct Case {
        const char* flash;
        float factor;
    };
    for (const Case& c : {Case{"", 0.7f}, Case{"n", 0.9f}}) {
        weather.startFlash(c.flash);
        weather.update(0.0f);
        lighting.beginFrame();
        game.updateAmbientLight(0.1f);
        ASSERT_EQ(lighting.getCount(), 1) << c.flash;
        EXPECT_NEAR(lastLight().colour[0], c.factor * day.r, 1e-5f) << c.flash;
        EXPECT_NEAR(lastLight().colour[1], c.factor * day.g, 1e-5f) << c.flash;
        EXPECT_NEAR(lastLight().colour[2], c.factor * day.b, 1e-5f) << c.flash;
        EXPECT_EQ(game.getAmbientColor(), day);
    }

    // With the area editor open no level is current: the light stops fading.
    {
        GraphicsSystem graphics;
        graphics.getFrameHooks().isAreaEditorActive = [] { return true; };
        game.setAmbientColor(Color(0.2f, 0.2f, 0.2f), 2.0f);
        game.updateAmbientLight(1.0f);
        EXPECT_EQ(game.getAmbientColor(), Color(0.2f, 0.2f, 0.2f));
        EXPECT_EQ(game.getCurrentLevel(), -1);
    }

    // Without a current level (not connected) the colour stays where it is.
    game.setAmbientColor(Color(0.2f, 0.2f, 0.2f), 2.0f);
    client.endGame();
    game.updateAmbientLight(1.0f);
    EXPECT_EQ(game.getAmbientColor(), Color(0.2f, 0.2f, 0.2f));
}

// A new world starts at midnight: every area's night light, as the client
// hands it to the lighting system, is bright enough to see a monster by
// (at least 0.35 in its darkest and 0.5 in its brightest component) and
// still darker than its day.
TEST_F(GameClientAmbienceTest, NightLightOfEveryKindOfAreaMeetsTheFloor)
{
    GameClient& game = GameClient::get();
    for (const char* area : {"AreaTown", "AreaMeadows", "AreaDarkwood", "AreaFenlands", "AreaBarrows",
                             "AreaSpiderDen", "AreaSecretCrypt", "AreaSecretCache"}) {
        standIn(levelOf(area));
        Color seen[2];
        for (int noon = 0; noon < 2; ++noon) {
            StateMessage state;
            state.game.valueV4 = noon ? 12.0f : 0.0f;
            game.readStateUpdate(state);
            lighting.beginFrame();
            game.setAmbientColor(Color(0.0f, 0.0f, 0.0f), 0.0f);
            game.updateAmbientLight(0.05f);
            ASSERT_EQ(lighting.getCount(), 1) << area;
            ASSERT_EQ(lastLight().type, 2) << area;
            seen[noon] = Color(lastLight().colour[0], lastLight().colour[1], lastLight().colour[2]);
        }
        const Color& night = seen[0];
        EXPECT_GE(std::min({night.r, night.g, night.b}), 0.35f - 1e-5f) << area;
        EXPECT_GE(std::max({night.r, night.g, night.b}), 0.5f - 1e-5f) << area;
        EXPECT_LE(night.r + night.g + night.b, seen[1].r + seen[1].g + seen[1].b)
            << area << ": night is darker";
    }
}

TEST_F(GameClientAmbienceTest, LevelBanksLoadAndReleaseAndASharedBankPlaysOn)
{
    startSound();
    GameClient& game = GameClient::get();
    levels.notifyLevelBuilt(*levels.getLevel(town), false);
    levels.notifyLevelBuilt(*levels.getLevel(town2), false);
    ASSERT_TRUE(waitForBank(town));
    ASSERT_TRUE(waitForBank(town2));

    standIn(town);
    game.updateAmbientSound(0.1f);
    std::vector<int> base = channelsWithId(SoundSystem::kAmbientBaseSoundId);
    ASSERT_EQ(base.size(), 1u);
    EXPECT_EQ(game.getCurrentAmbientBank(), "Sounds/Levels/town.lsb");
    standIn(town2);
    game.updateAmbientSound(0.1f);
    EXPECT_EQ(channelsWithId(SoundSystem::kAmbientBaseSoundId), base) << "not restarted";

    levels.notifyLevelReleased(*levels.getLevel(town), false);
    EXPECT_FALSE(game.getLevelSoundBank(town).isValid());
    EXPECT_TRUE(game.getLevelSoundBank(town2).isValid());
}

TEST_F(GameClientAmbienceTest, RainFollowsThePlayerAndFallsOnlyInWeather)
{
    registerEffectResourceTypes(world.resources);
    EffectSystem effects;
    effects.setEnvironment(makeEffectEnvironment(client));
    standIn(town);
    GameClient& game = GameClient::get();
    game.onFirstUpdate();
    ASSERT_EQ(effects.getEffects().size(), 1u);
    EffectInstance* rain = effects.getEffects()[0];
    EXPECT_TRUE(rain->active);
    EXPECT_TRUE(rain->entity == client.getLocalPlayer());

    for (int i = 0; i < 10; ++i)
        effects.update(0.05f);
    EXPECT_TRUE(rain->particles.empty()) << "no weather, no rain";

    // Front 1 over the town's 0.5: drops within the square around the player.
    game.getWeather().setValues(1.0f, 0.0f, 0.0f);
    for (int i = 0; i < 10; ++i)
        effects.update(0.05f);
    ASSERT_FALSE(rain->particles.empty());
    for (const Particle* p : rain->particles) {
        EXPECT_LE(std::abs(p->position.x - 100.0f), 330.0f);
        EXPECT_LE(std::abs(p->position.y - 100.0f), 330.0f);
    }
}

TEST_F(GameClientAmbienceTest, ThePlayerCarriesItsLightAndItsTableEntryAddsNone)
{
    GameClient& game = GameClient::get();
    PlayerClient& player = *client.getLocalPlayer();
    auto entry = std::make_unique<EntityClient>();
    EntityClient* mirror = entry.get();
    mirror->setEntityNumber(7);
    mirror->setLightColor(Vec3(1.0f, 0.5f, 0.0f));
    mirror->setLightFalloff(64.0f);
    game.setEntity(7, std::move(entry));
    auto other = std::make_unique<EntityClient>();
    other->setEntityNumber(8);
    other->setPosition(ZonePosition(town, 300.0f, 300.0f));
    other->setLightColor(Vec3(0.0f, 0.0f, 1.0f));
    other->setLightFalloff(32.0f);
    game.setEntity(8, std::move(other));
    player.serverMirror = mirror;
    player.setLightColor(mirror->getLightColor());
    player.setLightFalloff(mirror->getLightFalloff());
    standIn(town);

    lighting.beginFrame();
    game.getEntity(7)->update(0.01f);
    game.getEntity(8)->update(0.01f);
    player.update(0.01f);
    ASSERT_EQ(lighting.getCount(), 2);
    EXPECT_FLOAT_EQ(lighting.getLight(0).colour[2], 1.0f) << "the other entity's";
    const LightRecord& own = lighting.getLight(1);
    EXPECT_FLOAT_EQ(own.radius, 64.0f);
    EXPECT_FLOAT_EQ(own.position.x, 100.0f) << "at the player";
    EXPECT_EQ(own.position.zone, town);
}

// A bounce sound never takes a channel from a playing sound, and nothing
// plays before the sound system is up.
TEST_F(GameClientAmbienceTest, BounceSoundsPlayOnlyOnAFreeChannel)
{
    EffectEnvironment env = makeEffectEnvironment(client);
    ResourceHandle clap = world.resources.load("Sounds/Weather/thunder.wav");
    const ZonePosition3 at(town, 100.0f, 100.0f, 0.0f);
    auto inUse = [this] {
        int n = 0;
        for (int i = 0; i < SoundSystem::kChannelCount; ++i) {
            const SoundChannel* c = sound.getChannel(i);
            n += c && c->inUse ? 1 : 0;
        }
        return n;
    };
    env.playSound(clap, at);
    EXPECT_EQ(inUse(), 0);
    startSound();
    SoundChannel* held = sound.getChannel(SoundSystem::kChannelCount - 1);
    sound.playSound(held, at, clap, 42, 5, true, 0.0f, 0.0f);
    for (int i = 0; i < SoundSystem::kChannelCount; ++i) {
        env.playSound(clap, at);
    }
    EXPECT_EQ(inUse(), SoundSystem::kChannelCount - SoundSystem::kFirstEffectChannel);
    EXPECT_EQ(held->owner, 42);
    EXPECT_EQ(held->soundId, 5);
    const SoundChannel* bounce = sound.getChannel(SoundSystem::kFirstEffectChannel);
    EXPECT_EQ(bounce->owner, -1);
    EXPECT_EQ(bounce->soundId, 0);
    EXPECT_FALSE(bounce->looping);
}

// The frame's questions of the client: the think step's frame time, and the
// player's frame box on screen for the placed models in front of it.
TEST_F(GameClientAmbienceTest, TheFrameGetsThePlayersScreenBoxAndTheFrameTime)
{
    GraphicsSystem graphics;
    installClientFrameHooks(client, graphics);
    client.think(0.04);
    EXPECT_DOUBLE_EQ(graphics.getFrameSeconds(), 0.04);

    ViewParameters view;
    view.width = 1024;
    view.height = 768;
    client.setViewParameters(view);
    graphics.setupPlayerCamera(1.0f, false);
    // Not joined: the client's screen is centred on zone -1's origin.
    client.getLocalPlayer()->setPosition(ZonePosition(-1, 10.0f, 20.0f));
    float rect[4];
    auto& box = graphics.getFrameHooks().getPlayerScreenRect;
    ASSERT_TRUE(box);
    EXPECT_FALSE(box(rect)) << "no model yet";
    PlayerClient& player = *client.getLocalPlayer();
    player.setModel("Models/BoxMan/boxman.mdl");
    ASSERT_NE(player.getModel(), nullptr);
    ASSERT_TRUE(box(rect));
    const Vec2 feet = client.worldToScreen(player.getPosition(), true);
    EXPECT_LT(rect[0], feet.x);
    EXPECT_GT(rect[2], feet.x);
    EXPECT_LT(rect[1], feet.y) << "the box rises above the feet";
    EXPECT_GE(rect[3], feet.y);
    // Twice the size, twice the box.
    const float width = rect[2] - rect[0];
    player.setScale(2.0f);
    ASSERT_TRUE(box(rect));
    EXPECT_NEAR(rect[2] - rect[0], 2.0f * width, 0.01f * width);
}

// Weather with the town's multiplier 0.5 unless a case says otherwise.
class WeatherClientTest : public GameClientAmbienceTest {
protected:
    WeatherClientTest()
    {
        settings.lowestSunlightMult = 0.4f;
        settings.lightRainMinIntensity = 0.05f;
        settings.mediumRainMinIntensity = 0.35f;
        settings.hardRainMinIntensity = 0.7f;
        settings.rainSoundFadeTime = 3.0f;
        settings.lightningCheckTime = 0.01f;
        settings.baseLightningChance = 10.0f; // every check flashes
        settings.maxLightningIntensity = 0.8f;
        settings.maxThunderTime = 4.0f;
        settings.lightningPatterns = {"az"};
        weather().setSettings(settings);
        standIn(town);
    }
    WeatherClient& weather() { return GameClient::get().getWeather(); }
    // Sets the local intensity through the server value over the town's 0.5.
    void localIntensity(float i) { weather().setValues(i / 0.5f, 0.0f, 0.0f); }
    int thunders()
    {
        int n = 0;
        for (int i = 2; i < SoundSystem::kChannelCount; ++i) {
            const SoundChannel* c = sound.getChannel(i);
            n += c && c->inUse && c->resource.getFileName() == "Sounds/Weather/thunder.wav" ? 1 : 0;
        }
        return n;
    }
    WeatherClient::Settings settings;
};

TEST_F(WeatherClientTest, RainLoopsCrossFadeByIntensity)
{
    startSound();
    auto fadingWithId = [&](int soundId) {
        for (int i = 2; i < SoundSystem::kChannelCount; ++i) {
            const SoundChannel* c = sound.getChannel(i);
            if (c && c->inUse && c->fadingOut && c->soundId == soundId) {
                return true;
            }
        }
        return false;
    };
    // From silence to medium rain: the loop starts with id 132.
    localIntensity(0.5f);
    weather().update(0.02f);
    EXPECT_EQ(weather().getCurrentRainSound().getFileName(), "Sounds/Weather/rainMedium.ogg");
    EXPECT_EQ(weather().getRainSoundId(), 132);
    EXPECT_EQ(channelsWithId(132).size(), 1u);

    // On to hard rain: that channel fades out while the hard loop starts with 133.
    localIntensity(0.9f);
    weather().update(0.02f);
    EXPECT_EQ(weather().getCurrentRainSound().getFileName(), "Sounds/Weather/rainHard.ogg");
    EXPECT_EQ(weather().getRainSoundId(), 133);
    EXPECT_TRUE(channelsWithId(132).empty());
    EXPECT_TRUE(fadingWithId(132)) << "the medium loop fades out";
    EXPECT_EQ(channelsWithId(133).size(), 1u);

    localIntensity(0.35f); // exactly on the medium threshold: light
    weather().update(0.02f);
    EXPECT_EQ(weather().getCurrentRainSound().getFileName(), "Sounds/Weather/rainLight.ogg");
    EXPECT_EQ(weather().getRainSoundId(), 132);

    localIntensity(0.0f);
    weather().update(0.02f);
    EXPECT_FALSE(weather().getCurrentRainSound().isValid());
    EXPECT_TRUE(channelsWithId(132).empty());
}

TEST_F(WeatherClientTest, LightningChecksFlashesAndThunder)
{
    startSound();
    const uint32_t stream0 = Random::getState(0);

    // Above 0 but not above the light threshold: each frame stops the timer
    // the frame before started, so no check comes due.
    localIntensity(0.04f);
    for (int i = 0; i < 20; ++i)
        weather().update(0.02f);
    EXPECT_TRUE(weather().getThunderDelays().empty());

    // No weather, no check.
    localIntensity(0.0f);
    for (int i = 0; i < 5; ++i)
        weather().update(0.02f);
    EXPECT_FALSE(weather().getLightningTimer().running);

    // I = 1 and I = 1.5 (a multiplier above 1): the flash's thunder sounds in
    // the next frame.
    for (float i : {1.0f, 1.5f}) {
        weather().update(0.0f);
        localIntensity(i);
        weather().update(0.0f);  // starts the timer
        weather().update(0.02f); // the check: flash and thunder
        ASSERT_FALSE(weather().getLightningPattern().empty()) << i;
        EXPECT_EQ(thunders(), 0) << i;
        weather().update(0.001f);
        EXPECT_EQ(thunders(), 1) << i;
        sound.stopChannel(sound.getChannel(channelsWithId(0).front()));
        localIntensity(0.0f);
    }

    // "az" with maximum 0.8: 0 at 0 s, 25/26 × 0.8 at 0.05 s, gone after 0.1 s.
    weather().startFlash("az");
    weather().update(0.0f);
    EXPECT_FLOAT_EQ(weather().getLightningBrightness(), 0.0f);
    weather().update(0.05f);
    EXPECT_NEAR(weather().getLightningBrightness(), 0.769f, 1e-3f);
    weather().update(0.05f);
    EXPECT_TRUE(weather().getLightningPattern().empty());
    EXPECT_FLOAT_EQ(weather().getLightningBrightness(), 0.0f);

    // No patterns: thunder without a flash.
    settings.lightningPatterns.clear();
    weather().setSettings(settings);
    localIntensity(1.0f);
    weather().update(0.0f);
    weather().update(0.02f);
    EXPECT_TRUE(weather().getLightningPattern().empty());
    weather().update(0.001f);
    EXPECT_EQ(thunders(), 1);

    EXPECT_EQ(Random::getState(0), stream0) << "the weather's draws leave stream 0 alone";
}

} // namespace
