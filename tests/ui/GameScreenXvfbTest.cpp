// The game on screen and in the speakers: the whole program in this process,
// windowed under Xvfb at 1024 x 768 on the shipped data, the sound going to
// OpenAL Soft's wave writer. The player stands in the town at noon; one rain
// front over the town brings the rain loop, the drops around the player and
// the dimmed daylight; a goblin's swing draws its trail and sparks; the
// frame rate, a notice, bloom and a model preview are drawn on top; at night
// a brazier lights the ground around it, and a BoxMan queued in front of it
// draws inside its screen rectangle, half faded between body and ground.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/WeatherClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/core/Random.h"
#include "engine/platform/Platform.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/Weather.h"
#include "game/world/WeatherFront.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/effects/EffectSystem.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/ParticleRenderSurface.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/render/SwipeRenderSurface.h"
#include "main/ProgramHooks.h"
#include "sound/LevelSoundBankResource.h"
#include "sound/SoundSystem.h"
#include "support/AwakeMonster.h"
#include "support/Picture.h"
#include "support/TestSupport.h"
#include "support/WaveCapture.h"
#include "support/WindowedGame.h"
#include "support/XvfbDisplay.h"
#include "ui/UISystem.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// A rectangle of the 640 x 480 virtual screen in screenshot pixels.
struct Box {
    int x0, y0, x1, y1;
};

Box pixels(const Picture& p, float x0, float y0, float x1, float y1)
{
    return {static_cast<int>(x0 * p.width / 640.0f), static_cast<int>(y0 * p.height / 480.0f),
            static_cast<int>(std::ceil(x1 * p.width / 640.0f)),
            static_cast<int>(std::ceil(y1 * p.height / 480.0f))};
}

template <class F> int countIn(const Picture& p, const Box& b, F&& test)
{
    int n = 0;
    for (int y = std::max(0, b.y0); y < std::min(p.height, b.y1); ++y) {
        for (int x = std::max(0, b.x0); x < std::min(p.width, b.x1); ++x) {
            n += test(p.at(x, y)) ? 1 : 0;
        }
    }
    return n;
}

// The screen boxes of the entities the client draws (the townsfolk), grown
// by their blob shadows: model switches change them too.
std::vector<Box> entityBoxes(const Picture& p)
{
    std::vector<Box> boxes;
    for (int number = 0; number < 1000; ++number) {
        EntityClient* e = GameClient::get().getEntity(number);
        const ModelResource* model = e ? e->getModel() : nullptr;
        if (!model) {
            continue;
        }
        ZonePosition3 at;
        Matrix3 turn;
        e->getWorldTransform(at, turn);
        float r[4];
        if (GraphicsSystem::get().getModelScreenRect(*model, e->getAnimation(), at, 0, e->getScale(), r)) {
            const Box b = pixels(p, r[0], r[1], r[2], r[3]);
            boxes.push_back({b.x0 - 16, b.y0 - 16, b.x1 + 16, b.y1 + 16});
        }
    }
    return boxes;
}

bool inAny(const std::vector<Box>& boxes, int x, int y)
{
    for (const Box& b : boxes) {
        if (x >= b.x0 && x < b.x1 && y >= b.y0 && y < b.y1) {
            return true;
        }
    }
    return false;
}

int brightness(const uint8_t* c)
{
    return c[0] + c[1] + c[2];
}

double meanBrightness(const Picture& p, const Box& b)
{
    double sum = 0;
    int n = 0;
    for (int y = b.y0; y < b.y1; ++y) {
        for (int x = b.x0; x < b.x1; ++x, ++n) {
            sum += brightness(p.at(x, y));
        }
    }
    return n ? sum / n : 0.0;
}

// The median over the patch of each pixel's brightness in `lit` against
// `unlit`: raindrops cross a few pixels, the ground is the rest.
double medianRatio(const Picture& lit, const Picture& unlit, const Box& b)
{
    std::vector<double> ratios;
    for (int y = b.y0; y < b.y1; ++y) {
        for (int x = b.x0; x < b.x1; ++x) {
            const int base = brightness(unlit.at(x, y));
            if (base > 30) {
                ratios.push_back(static_cast<double>(brightness(lit.at(x, y))) / base);
            }
        }
    }
    if (ratios.empty()) {
        return 0.0;
    }
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    return ratios[ratios.size() / 2];
}

const EffectInstance* effectNamed(const std::string& name)
{
    for (const EffectInstance* e : EffectSystem::get().getEffects()) {
        if (e->definitionName == name) {
            return e;
        }
    }
    return nullptr;
}

template <class T> int queuedOf()
{
    int n = 0;
    for (RenderSurface* s : GraphicsSystem::get().getRenderQueue().getQueued()) {
        n += dynamic_cast<T*>(s) ? 1 : 0;
    }
    return n;
}

const MonsterType* monsterType(const std::string& name)
{
    return GameData::get().findMonsterType(name);
}

TEST(GameScreenXvfbTest, RainDaylightEffectsAndTextsInTheTown)
{
    WindowedGame screen;
    const std::string wave = screen.user.file("capture.wav");
    // Exact colours, the window size of the checks, the frame rate shown,
    // silence until the rain; the sound into a wave file.
    if (!screen.start(
            "compressedTextures 0\nr_screenshotType 1\nr_higherResFonts 0\nr_width 1024\n"
            "r_height 768\nfps 1\nsmoothFps 0\nPlayerName \"Wren\"\ns_volumeMaster 0\ns_volumeMusic 0\n",
            wave)) {
        GTEST_SKIP() << "no X server can be started";
    }
    Application& app = *screen.app;
    GraphicsSystem& graphics = GraphicsSystem::get();
    ASSERT_TRUE(graphics.isDisplayReady());

    Application::runConsoleLine("start both 0");
    screen.waitForGame();
    ASSERT_TRUE(GameClient::instance() && GameClient::get().isLoaded()) << "the game did not start";
    Game& game = Game::get();
    Player* player = game.getFirstPlayer();
    ASSERT_NE(player, nullptr);
    // The local player's own entry, should the server's player section not
    // have named it yet: the camera, the rain and its loop follow it.
    if (Client::get().getPlayerSlot() < 0) {
        Client::get().getLocalPlayer()->setPlayerEntityNumber(player->getEntityNumber());
    }
    game.setTimeOfDay(12.0);
    // No front but the test's, and one that stays as it is.
    Weather& weather = game.weather();
    Weather::Settings still = weather.settings();
    still.maxFronts = 1;
    still.minFrontStartTime = still.maxFrontStartTime = 1e6f;
    still.minIntensityChange = still.maxIntensityChange = 0.0f;
    still.minWindVelocityChange = still.maxWindVelocityChange = 0.0f;
    still.minFrontSpeed = still.maxFrontSpeed = 0.0f;
    still.maxFrontIntensity = std::max(still.maxFrontIntensity, 1.0f);
    still.maxTotalIntensity = std::max(still.maxTotalIntensity, 1.0f);
    weather.setSettings(still);

    // The daylight settles (the town's colour transition) without rain.
    const int level = Client::get().getPlayerPosition().zone;
    ASSERT_NE(World::get().getLevel(level), nullptr);
    // The client's light has reached the sun's colour at the time it shows.
    auto lightSettled = [&] {
        const GameClient& client = GameClient::get();
        return client.getAmbientColor() == World::get().getLevel(level)->getSunColor(client.getValueV4());
    };
    ASSERT_TRUE(screen.frameUntil([&] { return GameClient::get().getValueV4() >= 11.5f && lightSettled(); }))
        << "the daylight did not settle";
    ASSERT_EQ(GameClient::get().getWeather().getIntensity(), 0.0f);
    EXPECT_EQ(level, player->getPosition().zone);
    // The rain alone is to be heard: the town's loop, which fades in over
    // seconds of its own once the town's sounds are in, is stopped and its
    // random sounds held back. Nothing was heard yet (no master volume).
    ASSERT_TRUE(screen.frameUntil([] { return !GameClient::get().getCurrentAmbientBank().empty(); }))
        << "the town's sounds";
    {
        auto* town = GameClient::get().getLevelSoundBank(level).getAs<LevelSoundBankResource>();
        ASSERT_NE(town, nullptr);
        for (auto& random : town->getRandomSounds()) {
            random->chance = 0.0f;
        }
        for (int i = 0; i < SoundSystem::kChannelCount; ++i) {
            SoundChannel* channel = SoundSystem::get().getChannel(i);
            if (channel && channel->inUse && i != SoundSystem::get().getMusicChannel()) {
                SoundSystem::get().stopChannel(channel);
            }
        }
    }

    // A red notice at the centre, drawn with the frame rate at (10, 10).
    graphics.addTextEvent("^c001Red notice", 320, 240, 5, 0, 1, 0);
    const Picture dry = screen.shot();
    {
        // Digits share one width: the box of any rate under 100, and the
        // lit share asked of it that of a rate under 10, which a busy
        // machine shows.
        const Vec2 size = graphics.layoutText("00.0 fps", graphics.getFontHandle(1));
        const Box fps = pixels(dry, 10, 10, 10 + size.x, 10 + size.y);
        auto white = [](const uint8_t* c) { return std::min({c[0], c[1], c[2]}) > 160; };
        const Vec2 slow = graphics.layoutText("0.0 fps", graphics.getFontHandle(1));
        const Box least = pixels(dry, 10, 10, 10 + slow.x, 10 + slow.y);
        const int area = (least.x1 - least.x0) * (least.y1 - least.y0);
        EXPECT_GT(countIn(dry, fps, white), area / 10) << "the frame rate is drawn";
        const Vec2 notice = graphics.layoutText("Red notice", graphics.getFontHandle(1));
        const Box red =
            pixels(dry, 320 - notice.x / 2, 240 - notice.y / 2, 320 + notice.x / 2, 240 + notice.y / 2);
        // Colour 1, a light red.
        auto isRed = [](const uint8_t* c) { return c[0] > 150 && c[0] > c[1] + 80 && c[0] > c[2] + 80; };
        EXPECT_GT(countIn(dry, red, isRed), 0) << "the notice is red";
    }

    // One front of intensity 1 over the whole town: 0.5 there.
    WeatherFront* front = weather.startFront(player->getPosition());
    ASSERT_NE(front, nullptr);
    front->intensity = 1.0f;
    front->wind = Vec2(0.0f, 0.0f);
    front->velocity = Vec2(0.0f, 0.0f);
    front->fadeUpTime = 0.0f;
    front->fadeUpTimer.start(0.0f);
    front->frontTime = 1e6f;
    front->holdTimer.start(1e6f);
    front->minDistance = front->maxDistance = 1e6f;
    Application::runConsoleLine("set s_volumeMaster 1");
    // Drops are counted on every frame until the rain is in full and its
    // sound chosen, and over a hundred frames at least.
    int rainFrames = 0, frames = 0, strays = 0;
    auto rainInFull = [&] {
        return std::fabs(GameClient::get().getWeather().getIntensity() - 1.0f) <= 1e-4f &&
               GameClient::get().getWeather().getCurrentRainSound().getFileName() ==
                   "Sounds/Weather/rainMedium.ogg";
    };
    for (Clock::time_point t = Clock::now();
         (frames < 100 || !rainInFull()) && secondsSince(t) < WindowedGame::kHangSeconds; ++frames) {
        app.frame();
        const EffectInstance* rain = effectNamed("rain.eff");
        ASSERT_NE(rain, nullptr);
        if (rain->particles.empty() || queuedOf<ParticleRenderSurface>() == 0) {
            continue;
        }
        ++rainFrames;
        const ZonePosition at = Client::get().getPlayerPosition();
        for (const Particle* p : rain->particles) {
            // In the player's zone; a drop past the world's edge keeps the
            // coordinates of the zone it left.
            const ZonePosition drop(p->position.zone, p->position.x, p->position.y);
            const Vec2 local = drop.zone < 0 ? Vec2(drop.x, drop.y) : ZonePosition::getLocal(drop, at);
            strays += std::fabs(local.x - at.x) > 330.0f || std::fabs(local.y - at.y) > 330.0f;
        }
    }
    EXPECT_NEAR(GameClient::get().getWeather().getIntensity(), 1.0f, 1e-4f);
    EXPECT_EQ(GameClient::get().getWeather().getCurrentRainSound().getFileName(),
              "Sounds/Weather/rainMedium.ogg");
    EXPECT_GE(rainFrames, frames - 3) << "drops from the first frames of the front on";
    EXPECT_EQ(strays, 0) << "every drop within 330 units of the player";
    while (GameClient::get().getWeather().getLightningBrightness() != 0.0f) {
        app.frame();
    }
    const Picture wet = screen.shot();
    // A patch of ground left of the player, away from the braziers and the
    // texts: 1 - 0.5 x (1 - 0.4) of its dry brightness.
    const Box ground = pixels(dry, 40, 300, 140, 400);
    EXPECT_NEAR(medianRatio(wet, dry, ground), 0.7, 0.05);

    // Night at a brazier once the rain has stopped and its drops are down:
    // its light reddens the ground near it, and switching models off changes
    // its screen rectangle only.
    weather.clear();
    game.setTimeOfDay(0.0);
    World& world = World::get();
    Level* town = world.getLevel(level);
    ASSERT_NE(town, nullptr);
    std::vector<ZonePosition> braziers;
    ResourceHandle brazierModel;
    // The walk fills the records of every placed object not yet in view:
    // their turns and sizes come from the visual stream, not stream 0.
    const uint32_t stream0 = Random::getState(0), visual = Random::getState(4);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            ResourceHandle model;
            CellObjectState* state = nullptr;
            if (town->getCellObject(x, y, model, &state) >= 0 &&
                model.getFileName() == "Models/Objects/brazier.mdl") {
                braziers.emplace_back(level, (x + 0.5f) * 32.0f, (y + 0.5f) * 32.0f);
                brazierModel = model;
            }
        }
    }
    ASSERT_FALSE(braziers.empty()) << "the town has braziers";
    EXPECT_EQ(Random::getState(0), stream0);
    EXPECT_NE(Random::getState(4), visual) << "some placed objects turn at random";
    const ZonePosition fire = braziers.front();
    Client::get().getLocalPlayer()->setPosition(fire);
    player->setPosition(fire);
    // The night's light settles and the last drops land.
    ASSERT_TRUE(screen.frameUntil([&] {
        const EffectInstance* rain = effectNamed("rain.eff");
        return GameClient::get().getValueV4() < 1.0f && lightSettled() && (!rain || rain->particles.empty());
    })) << "the night did not settle or the rain did not stop";
    // Paused, so the town stands still between the shots; each shot is
    // taken once two frames in a row come out alike.
    Application::runConsoleLine("set paused 1");
    // The mouse, left at the middle of the screen, would rest on whoever
    // stands by the brazier, and a tooltip opens after its delay in the
    // middle of the shots: it rests where none comes up. The X server's
    // pointer goes there too, since a new window reads it.
    auto restMouse = [&](int x, int y) {
        int wx = 0, wy = 0;
        WindowedGame::windowPoint(x, y, wx, wy);
        SDL_WarpMouseInWindow(Platform::get().getWindow(), wx, wy);
        screen.moveTo(x, y);
    };
    std::pair<int, int> rest{-1, -1};
    for (const auto& [x, y] : {std::pair{2, 2}, {637, 2}, {2, 477}, {637, 477}}) {
        restMouse(x, y);
        UITooltip tip;
        if (!UISystem::get().getTooltip(tip)) {
            rest = {x, y};
            break;
        }
    }
    ASSERT_GE(rest.first, 0) << "no place for the mouse without a tooltip";
    // The townsfolk are left out of the paused town's shots, which are
    // about the brazier, its light and a placed model: a busy machine may
    // still draw a step of theirs between two shots.
    FrameHooks& hooks = graphics.getFrameHooks();
    const auto entities = hooks.drawEntities;
    hooks.drawEntities = nullptr;
    // The frame rate's figures at the top are left out of the comparison.
    const Picture lit = screen.stillShot();
    Application::runConsoleLine("set drawModel 0");
    const Picture bare = screen.stillShot();
    Application::runConsoleLine("set drawModel 1");
    Application::runConsoleLine("set r_fullbright 1");
    const Picture full = screen.stillShot();
    Application::runConsoleLine("set r_fullbright 0");
    {
        // The frame rate and a notice against the same still frame without
        // them: the rate changes nothing in a band of 4 pixels around its box
        // (the box of the widest figure below 1000), the notice's red lies
        // inside its own box only. The server's notices may come at any
        // time, so a pixel counts for the rate when it differs from the
        // frame without it both before and after.
        graphics.clearTextEvents();
        const Picture rate = screen.stillShot();
        Application::runConsoleLine("set fps 0");
        const Picture none = screen.stillShot();
        graphics.addTextEvent("^c001Red notice", 320, 240, 5, 0, 1, 0);
        const Picture notice = screen.stillShot();
        graphics.clearTextEvents();
        Application::runConsoleLine("set fps 1");
        const Picture rateAgain = screen.stillShot();
        auto differs = [](const uint8_t* a, const uint8_t* b) {
            return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 12;
        };
        const Vec2 fpsSize = graphics.layoutText("000.0 fps", graphics.getFontHandle(1));
        const Box fps = pixels(rate, 10, 10, 10 + fpsSize.x, 10 + fpsSize.y);
        const Vec2 noticeSize = graphics.layoutText("Red notice", graphics.getFontHandle(1));
        const Box red = pixels(notice, 320 - noticeSize.x / 2, 240 - noticeSize.y / 2, 320 + noticeSize.x / 2,
                               240 + noticeSize.y / 2);
        int fpsInside = 0, fpsBand = 0, redInside = 0, redElsewhere = 0;
        for (int y = 0; y < rate.height; ++y) {
            for (int x = 0; x < rate.width; ++x) {
                const bool inFps = x >= fps.x0 && x < fps.x1 && y >= fps.y0 && y < fps.y1;
                const bool nearFps = x >= fps.x0 - 4 && x < fps.x1 + 4 && y >= fps.y0 - 4 && y < fps.y1 + 4;
                if (differs(rate.at(x, y), none.at(x, y)) && differs(rateAgain.at(x, y), none.at(x, y))) {
                    fpsInside += inFps ? 1 : 0;
                    fpsBand += nearFps && !inFps ? 1 : 0;
                }
                // The rate's own corner is left out: its figures change.
                const uint8_t* c = notice.at(x, y);
                const bool isRed = c[0] > 150 && c[0] > c[1] + 80 && c[0] > c[2] + 80;
                if (!nearFps && isRed && differs(c, none.at(x, y))) {
                    const bool in = x >= red.x0 && x < red.x1 && y >= red.y0 && y < red.y1;
                    redInside += in ? 1 : 0;
                    redElsewhere += in ? 0 : 1;
                }
            }
        }
        EXPECT_GT(fpsInside, 0) << "the frame rate is drawn";
        EXPECT_EQ(fpsBand, 0) << "nothing of it around its box";
        EXPECT_GT(redInside, 0) << "the notice is drawn";
        EXPECT_EQ(redElsewhere, 0) << "and only inside its centred box";
    }
    {
        const ModelResource* model = ResourceSystem::get().getAs<ModelResource>(brazierModel);
        ASSERT_NE(model, nullptr);
        float rect[4];
        ASSERT_TRUE(graphics.getModelScreenRect(*model, 0, ZonePosition3(fire.zone, fire.x, fire.y, 0.0f), 0,
                                                1.0f, rect));
        const Box inside = pixels(lit, rect[0], rect[1], rect[2], rect[3]);
        // The band from 2 to 20 pixels around it, but for the townsfolk.
        std::vector<Box> folk = entityBoxes(lit);
        const std::vector<Box> folkBare = entityBoxes(bare);
        folk.insert(folk.end(), folkBare.begin(), folkBare.end());
        const Box grown{inside.x0 - 2, inside.y0 - 2, inside.x1 + 2, inside.y1 + 2};
        const Box band{grown.x0 - 18, grown.y0 - 18, grown.x1 + 18, grown.y1 + 18};
        int differing = 0, outside = 0, banded = 0;
        for (int y = std::max(0, band.y0); y < std::min(lit.height, band.y1); ++y) {
            for (int x = std::max(0, band.x0); x < std::min(lit.width, band.x1); ++x) {
                const uint8_t *a = lit.at(x, y), *b = bare.at(x, y);
                const bool differs =
                    std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 12;
                const bool in = x >= inside.x0 && x < inside.x1 && y >= inside.y0 && y < inside.y1;
                const bool near = x >= grown.x0 && x < grown.x1 && y >= grown.y0 && y < grown.y1;
                differing += in && differs ? 1 : 0;
                banded += !near && !inAny(folk, x, y) ? 1 : 0;
                outside += !near && differs && !inAny(folk, x, y) ? 1 : 0;
            }
        }
        EXPECT_GE(differing * 10, (inside.x1 - inside.x0) * (inside.y1 - inside.y0) * 3)
            << "the brazier drawn";
        // A shadow's soft edge may reach a few pixels past the rectangle, and
        // between the two shots a rain streak or a townsman's step may touch
        // a few more (one run in several saw 23 of 3,060).
        EXPECT_LE(outside * 100, banded)
            << "nothing else changes with the models: " << outside << " of " << banded;

        // Ground 48 units from the brazier outside its rectangle, and ground
        // farther than 192 units from every brazier, both on screen and
        // neither under a townsman.
        auto onScreen = [&](const ZonePosition& p, Vec2& out) {
            out = Client::get().worldToScreen(p, true);
            return out.x > 20 && out.x < 620 && out.y > 70 && out.y < 440 && // below the pause banner
                   !inAny(folk, static_cast<int>(out.x * lit.width / 640.0f),
                          static_cast<int>(out.y * lit.height / 480.0f));
        };
        auto pixelOf = [&](const Picture& p, const Vec2& v) {
            return p.at(static_cast<int>(v.x * p.width / 640.0f), static_cast<int>(v.y * p.height / 480.0f));
        };
        Vec2 nearPoint, farPoint;
        bool haveNear = false, haveFar = false;
        for (int d = 0; d < 8; ++d) {
            const float a = static_cast<float>(d) * 0.7853982f;
            ZonePosition p = fire;
            p.addOffset(48.0f * std::cos(a), 48.0f * std::sin(a));
            Vec2 v;
            if (!haveNear && onScreen(p, v) &&
                (v.x < rect[0] - 4 || v.x > rect[2] + 4 || v.y < rect[1] - 4 || v.y > rect[3] + 4)) {
                nearPoint = v;
                haveNear = true;
            }
            ZonePosition q = fire;
            q.addOffset(300.0f * std::cos(a), 300.0f * std::sin(a));
            bool clear = true;
            for (const ZonePosition& b : braziers) {
                const Vec2 l = ZonePosition::getLocal(b, q);
                clear = clear && std::hypot(l.x - q.x, l.y - q.y) > 220.0f;
            }
            if (!haveFar && clear && onScreen(q, v)) {
                farPoint = v;
                haveFar = true;
            }
        }
        ASSERT_TRUE(haveNear && haveFar);
        EXPECT_GT(pixelOf(lit, nearPoint)[0], 80)
            << "red light near the brazier, at " << nearPoint.x << ", " << nearPoint.y;
        EXPECT_GT(pixelOf(lit, nearPoint)[0], pixelOf(lit, farPoint)[0] + 30) << "and less far from it";
        EXPECT_GT(brightness(pixelOf(full, farPoint)), brightness(pixelOf(lit, farPoint)) + 30)
            << "full brightness shows the far tile";
    }

    // A BoxMan queued 64 or 128 units from the camera target, in full
    // brightness: its body's colour inside its box, nothing drawn outside
    // its screen rectangle, its shadow, and half faded it lies between its
    // body and the ground.
    {
        ResourceHandle man = ResourceSystem::get().load("Models/BoxMan/boxman.mdl");
        screen.frameUntil([&] { return man.isLoaded(); });
        const ModelResource* model = ResourceSystem::get().getAs<ModelResource>(man);
        ASSERT_NE(model, nullptr);
        // The checks leave out the townsfolk's boxes: one standing at the
        // model's place would leave only its box's rim, where nothing is
        // drawn. It goes where the paused townsfolk cover least of its box
        // and of the ground its shadow falls on.
        ZonePosition front = fire;
        {
            const std::vector<Box> standing = entityBoxes(lit);
            long least = -1;
            for (const float r : {64.0f, 128.0f}) {
                for (int d = 0; d < 8; ++d) {
                    const float a = static_cast<float>(d) * 0.7853982f - 0.7853982f;
                    ZonePosition p = fire;
                    p.addOffset(r * std::cos(a), r * std::sin(a));
                    float rect[4];
                    if (!graphics.getModelScreenRect(*model, 0, ZonePosition3(p.zone, p.x, p.y, 0.0f), 0,
                                                     1.0f, rect) ||
                        rect[0] < 80 || rect[2] > 560 || rect[1] < 100 || rect[3] > 400) {
                        continue; // the band around it on screen, below the pause banner
                    }
                    const Box b = pixels(lit, rect[0], rect[1], rect[2], rect[3]);
                    long covered = 0;
                    for (int y = b.y0 - 60; y < b.y1 + 60; ++y) {
                        for (int x = b.x0 - 60; x < b.x1 + 60; ++x) {
                            covered += inAny(standing, x, y) ? 1 : 0;
                        }
                    }
                    if (least < 0 || covered < least) {
                        least = covered;
                        front = p;
                    }
                }
            }
            ASSERT_GE(least, 0) << "no place on screen for the model";
        }
        const ZonePosition3 at(front.zone, front.x, front.y, 0.0f);
        float fade = -1.0f;
        bool shadowed = false;
        hooks.drawEntities = [&] {
            if (fade > 0.0f) {
                ModelDrawRequest request = ModelDrawRequest::at(man.getIndex(), at, Matrix3());
                request.fade = fade;
                graphics.getRenderQueue().addSkinnedModel(request);
                if (shadowed) { // the projected shadow, as an entity casts it
                    request.shadowPass = true;
                    request.shadowLight = at;
                    request.shadowLight.addOffset(-100.0f, -100.0f, 150.0f);
                    request.singlePass = true;
                    graphics.getRenderQueue().addSkinnedModel(request);
                }
            }
        };
        // A frame asks for what it draws; the shot is taken once the loader
        // has nothing queued (a busy machine loads the shadow's image late).
        // What the settling frames ask for is waited for too.
        auto settledShot = [&] {
            auto loaderIdle = WindowedGame::loaderIdle;
            Picture still;
            for (int round = 0; round < 10; ++round) {
                screen.shot();
                screen.frameUntil(loaderIdle);
                screen.shot();
                still = screen.stillShot();
                if (screen.settled && loaderIdle()) {
                    break;
                }
            }
            return still;
        };
        // The menus are hidden: the status bar's notices blink whatever the
        // pause, and one may lie in the band the checks look at.
        Application::runConsoleLine("set drawUI 0");
        Application::runConsoleLine("set r_fullbright 1");
        const Picture without = settledShot();
        fade = 1.0f;
        const Picture opaque = settledShot();
        shadowed = true;
        const Picture shadow = settledShot();
        shadowed = false;
        fade = 0.5f;
        const Picture faded = settledShot();
        // After a video restart the same frame comes back: tiles, models and
        // the frame rate's glyphs with their textures.
        fade = -1.0f;
        Application::runConsoleLine("vidRestart");
        ASSERT_TRUE(graphics.isDisplayReady());
        restMouse(rest.first, rest.second);
        ASSERT_TRUE(screen.frameUntil(
            [] {
                UITooltip tip;
                return !UISystem::get().getTooltip(tip);
            },
            30))
            << "a tooltip after the video restart";
        const Picture restarted = screen.shot();
        int changed = 0;
        for (int y = restarted.height / 12; y < restarted.height; ++y) {
            for (int x = 0; x < restarted.width; ++x) {
                const uint8_t *a = restarted.at(x, y), *b = without.at(x, y);
                changed += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 24 ? 1 : 0;
            }
        }
        EXPECT_LT(changed, restarted.width * restarted.height / 100) << "the frame after a video restart";
        {
            // As above: a rate under 10 lights the fewest.
            const Vec2 size = graphics.layoutText("00.0 fps", graphics.getFontHandle(1));
            const Box fps = pixels(restarted, 10, 10, 10 + size.x, 10 + size.y);
            auto white = [](const uint8_t* c) { return std::min({c[0], c[1], c[2]}) > 160; };
            const Vec2 slow = graphics.layoutText("0.0 fps", graphics.getFontHandle(1));
            const Box least = pixels(restarted, 10, 10, 10 + slow.x, 10 + slow.y);
            EXPECT_GT(countIn(restarted, fps, white), (least.x1 - least.x0) * (least.y1 - least.y0) / 10)
                << "the frame rate after a video restart";
        }
        hooks.drawEntities = entities;
        Application::runConsoleLine("set drawUI 1");
        Application::runConsoleLine("set r_fullbright 0");
        Application::runConsoleLine("set paused 0");

        float rect[4];
        ASSERT_TRUE(graphics.getModelScreenRect(*model, 0, at, 0, 1.0f, rect));
        const Box inside = pixels(opaque, rect[0], rect[1], rect[2], rect[3]);
        // Nothing changes in a band of 20 pixels around it but for the 2
        // next to its edges (and the townsfolk).
        const std::vector<Box> folk = entityBoxes(opaque);
        int strays = 0;
        for (int y = std::max(0, inside.y0 - 20); y < std::min(opaque.height, inside.y1 + 20); ++y) {
            for (int x = std::max(0, inside.x0 - 20); x < std::min(opaque.width, inside.x1 + 20); ++x) {
                const bool near =
                    x >= inside.x0 - 2 && x < inside.x1 + 2 && y >= inside.y0 - 2 && y < inside.y1 + 2;
                const uint8_t *a = opaque.at(x, y), *b = without.at(x, y);
                strays += !near && !inAny(folk, x, y) &&
                          std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 12;
            }
        }
        EXPECT_EQ(strays, 0) << "BoxMan draws inside its screen rectangle only";
        // Its projected shadow darkens the ground beside it and brightens
        // nothing.
        int darker = 0, brighter = 0;
        for (int y = std::max(0, inside.y0 - 60); y < std::min(opaque.height, inside.y1 + 60); ++y) {
            for (int x = std::max(0, inside.x0 - 60); x < std::min(opaque.width, inside.x1 + 60); ++x) {
                if (inAny(folk, x, y)) {
                    continue;
                }
                const int change = brightness(shadow.at(x, y)) - brightness(opaque.at(x, y));
                darker += change < -30 ? 1 : 0;
                brighter += change > 12 ? 1 : 0;
            }
        }
        EXPECT_GT(darker, 100) << "the shadow on the ground";
        EXPECT_EQ(brighter, 0);
        // The body's pixel: where, inside its box, the model differs most
        // from the ground (its middle can fall on a seam of the body).
        int mx = inside.x0, my = inside.y0, most = -1;
        for (int y = std::max(0, inside.y0); y < std::min(opaque.height, inside.y1); ++y) {
            for (int x = std::max(0, inside.x0); x < std::min(opaque.width, inside.x1); ++x) {
                const uint8_t *a = opaque.at(x, y), *b = without.at(x, y);
                const int d = std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
                if (!inAny(folk, x, y) && d > most) {
                    most = d;
                    mx = x;
                    my = y;
                }
            }
        }
        const uint8_t* body = opaque.at(mx, my);
        const uint8_t* ground = without.at(mx, my);
        const uint8_t* half = faded.at(mx, my);
        EXPECT_GT(
            std::abs(body[0] - ground[0]) + std::abs(body[1] - ground[1]) + std::abs(body[2] - ground[2]), 40)
            << "most " << most << " box " << inside.x0 << "," << inside.y0 << "-" << inside.x1 << ","
            << inside.y1 << " folk " << folk.size();
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(half[c] + 4, std::min(body[c], ground[c])) << c;
            EXPECT_LE(half[c], std::max(body[c], ground[c]) + 4) << c;
        }
        EXPECT_GT(std::abs(half[0] - body[0]) + std::abs(half[1] - body[1]) + std::abs(half[2] - body[2]), 12)
            << "half faded is not the body";
    }

    // A goblin next to the player swings at it: its trail and sparks are
    // queued.
    ZonePosition beside = player->getPosition();
    beside.addOffset(64.0f, 0.0f);
    ASSERT_NE(addAwakeMonster(game, monsterType("GoblinWarrior"), 1, beside), nullptr);
    bool trail = false, sparks = false;
    for (Clock::time_point t = Clock::now();
         secondsSince(t) < WindowedGame::kHangSeconds && !(trail && sparks);) {
        app.frame();
        for (const SwipeInstance* s : EffectSystem::get().getSwipes()) {
            trail = trail || (s->active && s->definitionName == "weaponTrail.swp" &&
                              queuedOf<SwipeRenderSurface>() > 0);
        }
        const EffectInstance* hit = effectNamed("hitSparks.eff");
        sparks = sparks || (hit && !hit->particles.empty());
    }
    EXPECT_TRUE(trail) << "the weapon trail of the goblin's attack";
    EXPECT_TRUE(sparks) << "the sparks of its hit";

    // Bloom over the same screen only adds light.
    Application::runConsoleLine("set r_bloom 0");
    const Picture plain = screen.shot();
    Application::runConsoleLine("set r_bloom 1");
    app.frame();
    const Picture bloomed = screen.shot();
    const Box whole{0, 0, plain.width, plain.height};
    EXPECT_GT(meanBrightness(bloomed, whole), meanBrightness(plain, whole) + 1.0);
    Application::runConsoleLine("set r_bloom 0");

    // A model preview in a corner of the interface: BoxMan's colours there.
    ResourceHandle man = ResourceSystem::get().load("Models/BoxMan/boxman.mdl");
    screen.frameUntil([&] { return man.isLoaded(); });
    FrameHooks& frame = graphics.getFrameHooks();
    auto menus = frame.updateAndDrawMenus;
    frame.updateAndDrawMenus = [&](double seconds) {
        if (menus) {
            menus(seconds);
        }
        ModelDrawRequest request;
        request.model = man.getIndex();
        request.position = ZonePosition3(-1, 1000.0f, 1000.0f, 0.0f);
        graphics.drawModelPreview(request, 520, 60, 620, 200);
    };
    const Picture preview = screen.shot();
    frame.updateAndDrawMenus = menus;
    const Box corner = pixels(preview, 520, 60, 620, 200);
    auto changed = [&](int x, int y) {
        const uint8_t *a = preview.at(x, y), *b = plain.at(x, y);
        return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 60;
    };
    int differing = 0;
    for (int y = corner.y0; y < corner.y1; ++y) {
        for (int x = corner.x0; x < corner.x1; ++x) {
            differing += changed(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(differing, 200) << "the preview draws the model";

    screen.stop();

    // The medium loop rises over its fade from the silence before the front:
    // its first half-second against its fifth.
    Capture capture;
    ASSERT_TRUE(readCapture(wave, capture));
    const size_t step = kCaptureRate / 100, half = kCaptureRate / 2;
    size_t onset = 0;
    while (onset + step < capture.left.size() && rms(capture.left, onset, onset + step) < 5e-5) {
        onset += step;
    }
    ASSERT_GT(capture.left.size(), onset + 5 * half) << "no rain heard";
    // Each half-second by the median loudness of its 10 ms steps: the
    // townsfolk's footsteps nearby cross a few of them.
    auto loudness = [&](size_t from) {
        std::vector<double> steps;
        for (size_t at = from; at + step <= from + half; at += step) {
            steps.push_back(rms(capture.left, at, at + step));
        }
        std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
        return steps[steps.size() / 2];
    };
    const double early = loudness(onset);
    const double later = loudness(onset + 4 * half);
    EXPECT_GT(later, 1e-4) << "the loop is heard";
    EXPECT_GT(later, 1.3 * early) << "early " << early << ", later " << later;
}

} // namespace
