// The maps and cursors in the whole program under Xvfb on the shipped data:
// a new game through the menus, the world map's key showing the town's
// explored square, the busy cursor drawn by the interface at the mouse, and
// the explored map written at "Save and exit".
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/KeyNames.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/ColorSystem.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/Weather.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"
#include "main/ProgramHooks.h"
#include "support/ClientWaits.h"
#include "support/Picture.h"
#include "support/TestSupport.h"
#include "support/WindowedGame.h"
#include "ui/UICursors.h"
#include "ui/UISystem.h"
#include "ui/maps/LiveMapWorld.h"
#include "ui/maps/MiniMap.h"
#include "ui/maps/WorldMap.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIScrollBar.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

// A new game from the main menu: New Game, a typed name, Start. True once
// the town (level 0) is known, which it is whole from the first state on.
bool startNewGame(WindowedGame& window, const std::string& name)
{
    window.click(320, 206);
    EXPECT_TRUE(menuActive("NewCharacter"));
    window.click(300, 270);
    window.type(name);
    window.click(490, 408);
    return window.frameUntil(
        [] {
            return GameClient::instance() && GameClient::get().isLoaded() && Client::get().getLocalPlayer() &&
                   WorldMap::get().getExploredLevel(0, false);
        },
        2400);
}

TEST(UIMapsXvfbTest, WorldMapBusyCursorAndTheExploredFile)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\nui_hardwareCursor 0\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    Application& app = *window.app;
    app.frame();
    UISystem& ui = UISystem::get();

    // The controls page: K is the skills screen's, so it is refused and said
    // so; G then binds the world map.
    window.click(320, 338);
    ASSERT_TRUE(ui.findMenu("Options")->isActive());
    window.click(386, 96);
    ASSERT_EQ(ui.findMenu("Options")->getSelectedSubMenu(), 2);
    VirtualKeys& keys = VirtualKeys::get();
    const int worldMapKey = keys.findKey("worldMap", false);
    UIWidget* row = ui.findWidget("OptionsControls::BindworldMap");
    ASSERT_NE(row, nullptr);
    const int rowX = static_cast<int>(row->getScreenPosition().x + row->getSize().x / 2);
    const int rowY = static_cast<int>(row->getScreenPosition().y + row->getSize().y / 2);
    window.click(rowX, rowY);
    EXPECT_EQ(UserVarSystem::get().findVar("BindKeyAction")->getString(), "worldMap");
    window.key(SDL_SCANCODE_K);
    EXPECT_EQ(keys.getAction(worldMapKey)->code, keyNameToCode("m"));
    EXPECT_TRUE(ui.findMenu("KeyAlreadyBound")->isActive());
    window.key(SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(ui.findMenu("KeyAlreadyBound")->isActive());
    window.click(rowX, rowY);
    window.key(SDL_SCANCODE_G);
    EXPECT_EQ(keys.getAction(worldMapKey)->code, keyNameToCode("g"));
    EXPECT_EQ(UserVarSystem::get().findVar("BindKeyShown")->getString(), "0");
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(ui.findMenu("Main")->isActive());
    EXPECT_FALSE(ui.findMenu("Options")->isActive());

    ASSERT_TRUE(startNewGame(window, "Map Makers")) << "the game did not start or the town was never seen";
    WorldMap& map = WorldMap::get();
    ExploredLevel* town = map.getExploredLevel(0, false);
    ASSERT_NE(town, nullptr) << "the town was never explored";
    EXPECT_EQ(town->cell(town->side / 2, town->side / 2)[3], 255);

    // Each shipped cursor image (32 x 32, the largest taken) built a system
    // cursor on the X display.
    for (int id = 1; id < UICursors::kCount; ++id) {
        if (*UICursors::imageName(id)) {
            EXPECT_TRUE(ui.getCursors().hasCursor(id)) << UICursors::imageName(id);
        }
    }

    // The busy cursor, drawn by the interface, holds for its frames; its
    // ring stands 12 pixels right of the mouse (hot spot at its centre).
    window.moveTo(200, 200);
    app.frame();
    executeCommandLine("uiBusy");
    int busyFrames = 0;
    for (int frame = 0; frame < 20 && ui.getCurrentCursor() == 7; ++frame) {
        app.frame();
        ++busyFrames;
    }
    EXPECT_GT(busyFrames, ui.getSettings().minBusyFrames);
    executeCommandLine("uiBusy");
    app.frame();
    Picture busy = window.shot();
    const uint8_t* ring = pixelAt(busy, 212, 200);
    EXPECT_NEAR(ring[0], 240, 20);
    EXPECT_NEAR(ring[1], 230, 20);
    EXPECT_NEAR(ring[2], 200, 20);

    // The world map's key (G since the binding) shows the map: the town's
    // square in its explored colours. Cells at five places of the square are
    // looked at; a label may cover one or two of them.
    window.key(SDL_SCANCODE_G);
    ASSERT_TRUE(window.frameUntil([&] {
        const ResourceSystem::Statistics loads = ResourceSystem::get().getStatistics();
        return map.isShown() && ui.findMenu("WorldMap")->isActive() && loads.queued + loads.loading == 0;
    })) << "the world map with its images";
    Picture shown = window.stillShot();
    const float cellSide = 64.0f;
    const float places[5][2] = {{0.3f, 0.3f}, {0.7f, 0.3f}, {0.3f, 0.7f}, {0.7f, 0.7f}, {0.5f, 0.2f}};
    int matching = 0;
    for (const auto& place : places) {
        const int cx = static_cast<int>(place[0] * static_cast<float>(town->side));
        const int cy = static_cast<int>(place[1] * static_cast<float>(town->side));
        ZonePosition centre(0, (static_cast<float>(cx) + 0.5f) * cellSide,
                            (static_cast<float>(cy) + 0.5f) * cellSide);
        Vec2 at = map.screenPointOf(centre);
        ASSERT_TRUE(at.x >= 0.0f && at.x < 640.0f && at.y >= 0.0f && at.y < 480.0f) << at.x << "," << at.y;
        const uint8_t* drawn = pixelAt(shown, static_cast<int>(at.x), static_cast<int>(at.y));
        const uint8_t* explored = town->cell(cx, cy);
        bool near = true;
        for (int c = 0; c < 3; ++c) {
            near = near && std::abs(drawn[c] - explored[c]) <= 40;
        }
        matching += near ? 1 : 0;
    }
    EXPECT_GE(matching, 3) << "the town's square is not drawn in its explored colours";

    // Some pixel near a point has a colour (the shot is larger than the interface).
    auto colourNear = [&](const Picture& p, Vec2 point, int radius, int r, int g, int b, int tolerance) {
        for (int dy = -radius; dy <= radius; ++dy) {
            for (int dx = -radius; dx <= radius; ++dx) {
                int x = static_cast<int>(point.x) + dx, y = static_cast<int>(point.y) + dy;
                if (x < 0 || y < 0 || x >= 640 || y >= 480) {
                    continue;
                }
                const uint8_t* c = pixelAt(p, x, y);
                if (std::abs(c[0] - r) <= tolerance && std::abs(c[1] - g) <= tolerance &&
                    std::abs(c[2] - b) <= tolerance) {
                    return true;
                }
            }
        }
        return false;
    };
    // The key: each living covenant's cross in its colour.
    const UISettings& s = ui.getSettings();
    const int count = GameClient::get().getCovenantCount();
    for (int i = 0; i < count; ++i) {
        const CovenantBase* covenant = GameClient::get().getCovenant(i);
        if (!covenant || covenant->destroyed || !covenant->getDefinition()) {
            continue;
        }
        Color c = ColorSystem::getColor(covenant->getDefinition()->color);
        Vec2 cross{s.worldMapKeyPosition.x + s.worldMapKeyMarkerSize / 2.0f,
                   s.worldMapKeyPosition.y - static_cast<float>(count - i) * s.worldMapKeyLineSpace +
                       s.worldMapKeyMarkerSize / 2.0f};
        EXPECT_TRUE(colourNear(shown, cross, 2, static_cast<int>(c.r * 255.0f),
                               static_cast<int>(c.g * 255.0f), static_cast<int>(c.b * 255.0f), 48))
            << "key of covenant " << i;
    }
    // The covenants' places are labelled with their display names.
    int covenantLabels = 0;
    for (const MapLabel& label : map.getLabels()) {
        if (label.kind == MapLabel::Covenant) {
            const CovenantBase* covenant = GameClient::get().getCovenant(label.target);
            ASSERT_NE(covenant, nullptr);
            ++covenantLabels;
            EXPECT_EQ(label.text.rfind(covenant->getDisplayName() + " covenant location", 0), 0u)
                << label.text;
        }
    }
    EXPECT_GT(covenantLabels, 0);
    // Every house shows its cross in its covenant's colour, the player's own
    // too, which stands amid the town's people, their areas and a new
    // player at home.
    bool ownHouse = false;
    for (const MapLabel& label : map.getLabels()) {
        if (label.kind != MapLabel::Covenant) {
            continue;
        }
        ownHouse = ownHouse || label.target == Client::get().getPlayerCovenantIndex();
        EXPECT_TRUE(colourNear(
            shown, map.screenPointOf(label.position), 8, static_cast<int>(label.colour[0] * 255.0f),
            static_cast<int>(label.colour[1] * 255.0f), static_cast<int>(label.colour[2] * 255.0f), 40))
            << "no mark of " << label.text;
    }
    EXPECT_TRUE(ownHouse) << "the player's house is not on the map";
    // The mouse on the "Town Gate" label shows the help box: its gold border
    // above the label.
    const MapLabel* gate = nullptr;
    for (const MapLabel& label : map.getLabels()) {
        if (label.kind == MapLabel::TownGate) {
            gate = &label;
            break;
        }
    }
    ASSERT_NE(gate, nullptr);
    Vec2 gateAt = map.screenPointOf(gate->position);
    window.moveTo(static_cast<int>(gateAt.x), static_cast<int>(gateAt.y));
    window.frameUntil([&] { return map.getHoveredLabel() >= 0; });
    ASSERT_GE(map.getHoveredLabel(), 0);
    app.frame();
    Picture hovered = window.shot();
    EXPECT_EQ(map.getLabels()[static_cast<size_t>(map.getHoveredLabel())].text.rfind("Town Gate", 0), 0u);
    EXPECT_TRUE(colourNear(hovered, {gateAt.x, gateAt.y - 30.0f}, 40, 200, 160, 60, 30))
        << "no help box border";

    // The map stays within its open area between the bars: scrolled as far
    // as it goes toward the hot bar, the town's lower half lies below that
    // area, and nothing of it shows there: what is drawn below the area is
    // what the interface draws when the town stands in the middle of it.
    // Left of the status texts on the right, which come and go.
    window.moveTo(600, 30);
    const ZonePosition townMiddle(0, 0.5f * cellSide * static_cast<float>(town->side),
                                  0.5f * cellSide * static_cast<float>(town->side));
    // The bars scrolled to bring the town's middle toward a screen point
    // (each bar moves it along a line of its own, solved for both); where
    // it came.
    auto scrollTownTo = [&](Vec2 target) {
        UIScrollBar* bars[2] = {map.getHorizontalBar(), map.getVerticalBar()};
        Vec2 step[2];
        map.layout();
        const Vec2 from = map.screenPointOf(townMiddle);
        for (int b = 0; b < 2; ++b) {
            const int kept = bars[b]->getFirstVisible();
            bars[b]->scrollTo(kept + 10);
            map.layout();
            const Vec2 moved = map.screenPointOf(townMiddle);
            step[b] = {(moved.x - from.x) / 10.0f, (moved.y - from.y) / 10.0f};
            bars[b]->scrollTo(kept);
        }
        const float det = step[0].x * step[1].y - step[1].x * step[0].y;
        if (std::abs(det) > 1e-3f) {
            const Vec2 d{target.x - from.x, target.y - from.y};
            bars[0]->scrollTo(bars[0]->getFirstVisible() +
                              static_cast<int>(std::lround((d.x * step[1].y - step[1].x * d.y) / det)));
            bars[1]->scrollTo(bars[1]->getFirstVisible() +
                              static_cast<int>(std::lround((step[0].x * d.y - d.x * step[0].y) / det)));
        }
        app.frame();
        return map.screenPointOf(townMiddle);
    };
    const std::array<float, 4> area = map.openArea();
    EXPECT_GT(scrollTownTo({320.0f, 480.0f}).y, area[3]) << "the town could not be scrolled below the area";
    // A log line that comes meanwhile is no part of the map: its box is left out.
    std::array<float, 4> logs[2] = {};
    GraphicsSystem::get().clearTextEvents();
    const Picture below = window.stillShot();
    GraphicsSystem::get().getMessageLogBox(logs[0].data());
    const Vec2 middle = scrollTownTo({(area[0] + area[2]) * 0.5f, (area[1] + area[3]) * 0.5f});
    EXPECT_TRUE(middle.y > area[1] && middle.y < area[3]) << middle.y;
    GraphicsSystem::get().clearTextEvents();
    const Picture inside = window.stillShot();
    GraphicsSystem::get().getMessageLogBox(logs[1].data());
    auto underLog = [&](int x, int y) {
        return std::any_of(std::begin(logs), std::end(logs), [&](const std::array<float, 4>& b) {
            return x >= b[0] - 1.0f && x <= b[2] + 1.0f && y >= b[1] - 1.0f && y <= b[3] + 1.0f;
        });
    };
    // The horizontal bar's own row aside: its thumb moves with the map.
    const UIWidget* horizontal = map.getHorizontalBar();
    const Vec2 barAt = horizontal->getScreenPosition();
    const int right = static_cast<int>(barAt.x + horizontal->getSize().x);
    int differing = 0;
    for (int y = static_cast<int>(area[3]) + 1; y < 448; ++y) {
        if (y >= static_cast<int>(barAt.y) && y <= static_cast<int>(barAt.y + horizontal->getSize().y)) {
            continue;
        }
        for (int x = 0; x < right; ++x) {
            if (underLog(x, y)) {
                continue;
            }
            const uint8_t* a = pixelAt(below, x, y);
            const uint8_t* b = pixelAt(inside, x, y);
            differing += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 24 ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0) << "the map shows below its open area";
    window.key(SDL_SCANCODE_G);
    app.frame();
    EXPECT_FALSE(map.isShown());

    // Save and exit writes the map: 12 + Σ(24 + 4·n² + 12·m) + 4 bytes.
    size_t expected = 16;
    for (int level = 0; level < map.getLevelTableSize(); ++level) {
        if (const ExploredLevel* record = map.getExploredLevel(level, false)) {
            expected += 24 + record->pixels.size() + 12 * record->connections.size();
        }
    }
    std::string name = Client::get().getLocalPlayer()->getGeneratedName();
    window.key(SDL_SCANCODE_ESCAPE);
    window.click(320, 262);
    app.frame();
    // The user directory keeps the characters' folder under either case.
    std::filesystem::path file = window.user.path() / "chars" / (name + ".map");
    if (!std::filesystem::exists(file)) {
        file = window.user.path() / "Chars" / (name + ".map");
    }
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    EXPECT_EQ(std::filesystem::file_size(file), expected);
}

// The shot's pixel that holds an interface point.
const uint8_t* pixelHolding(const Picture& p, Vec2 at)
{
    const int x = static_cast<int>(std::floor(at.x * static_cast<float>(p.width) / 640.0f));
    const int y = static_cast<int>(std::floor(at.y * static_cast<float>(p.height) / 480.0f));
    return p.at(std::clamp(x, 0, p.width - 1), std::clamp(y, 0, p.height - 1));
}

// Every cell of the town (level 0) seen.
bool townSeenWhole()
{
    const ExploredLevel* town = WorldMap::get().getExploredLevel(0, false);
    for (int cell = 0; town && cell < town->side * town->side; ++cell) {
        if (town->cell(cell % town->side, cell / town->side)[3] != 255) {
            return false;
        }
    }
    return town != nullptr;
}

// What the mini-map showed in one still frame: the picture, where it lay on
// the ground and the shot.
struct MiniMapFrame {
    Picture shot;
    std::vector<uint8_t> picture;
    ZonePosition target;
    Vec2 placement;
    float scale = 1.0f;
    std::vector<Vec2> markers; // their centres on the interface

    // The picture's pixel (x, y) on the interface.
    Vec2 screenOf(float x, float y) const
    {
        const float unit = getUserVarFloat("miniMapSize") / 128.0f * scale;
        ZonePosition p(target.zone, target.x + placement.x + x * unit, target.y + placement.y + y * unit);
        p.needsNormalizing = false;
        return Client::get().worldToScreen(p, true);
    }
    int tileX() const { return static_cast<int>(std::floor(target.x / LiveMapWorld().getTileSize())); }
    int tileY() const { return static_cast<int>(std::floor(target.y / LiveMapWorld().getTileSize())); }
    // An interface point within `reach` pixels of a marker's centre.
    bool nearMarker(float x, float y, float reach) const
    {
        for (const Vec2& m : markers) {
            if (std::hypot(m.x - x, m.y - y) < reach) {
                return true;
            }
        }
        return false;
    }
};

// The mini-map drawn opaque in the town: at its centre the floor colours of
// the tiles around the player, nothing of it outside the mask, and after
// Save and exit and Continue the same picture again.
TEST(UIMapsXvfbTest, TheMiniMapInTheTownAndAfterContinue)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\nui_hardwareCursor 0\nminiMapAlpha 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    ASSERT_TRUE(startNewGame(window, "Mini Makers")) << "the game did not start\n" << window.logTail();
    // No rain over the mask's edge, the mouse away from the markers.
    Weather::Settings dry = Game::get().weather().settings();
    dry.maxFronts = 0;
    Game::get().weather().setSettings(dry);
    Game::get().weather().clear();
    window.moveTo(100, 300);

    const UISettings& settings = UISystem::get().getSettings();
    const Vec2 maskCentre{settings.miniMapMaskPosition.x + settings.miniMapMaskSize.x / 2.0f,
                          settings.miniMapMaskPosition.y + settings.miniMapMaskSize.y / 2.0f};
    // The mask image is a disc of radius 63 in 128 pixels.
    const float maskRadius = settings.miniMapMaskSize.x / 2.0f * 63.0f / 64.0f;
    LiveMapWorld world;
    // The still frame of the world standing paused, once the floor's
    // textures are in and the picture has nothing left to redraw.
    auto stillFrame = [&] {
        Application::runConsoleLine("set paused 1");
        MiniMap& mini = MiniMap::get();
        EXPECT_TRUE(window.frameUntil(
            [&] {
                const ResourceSystem::Statistics loads = ResourceSystem::get().getStatistics();
                MapTileColours colours;
                const ZonePosition target = MiniMap::get().getLastCentre();
                const int tx = static_cast<int>(std::floor(target.x / LiveMapWorld().getTileSize()));
                const int ty = static_cast<int>(std::floor(target.y / LiveMapWorld().getTileSize()));
                return loads.queued + loads.loading == 0 && townSeenWhole() &&
                       mini.getRefreshedTiles() == 0 &&
                       world.getTileColours(target.zone, tx, ty, mini.getPixelsPerTile(), colours) &&
                       WorldMap::get().getTileVisibility(tx, ty, target.zone) == 1.0f;
            },
            2400))
            << "the picture of the explored town";
        MiniMapFrame frame;
        const float x0 = settings.miniMapMaskPosition.x - 8.0f, y0 = settings.miniMapMaskPosition.y - 8.0f;
        frame.shot = window.stillShot(static_cast<int>(x0), static_cast<int>(y0),
                                      static_cast<int>(x0 + settings.miniMapMaskSize.x + 16.0f),
                                      static_cast<int>(y0 + settings.miniMapMaskSize.y + 16.0f));
        EXPECT_TRUE(window.settled) << "the frame around the mini-map never stood still";
        frame.picture = mini.unwrapped();
        frame.target = MiniMap::get().getLastCentre();
        frame.placement = mini.getPlacement();
        frame.scale = mini.getScale();
        for (const MapLabel& label : mini.getLabels()) {
            const Vec2 at = mini.markerPlace(label);
            const float pixel = getUserVarFloat("miniMapSize") / 128.0f;
            frame.markers.push_back(frame.screenOf(at.x / pixel, at.y / pixel));
        }
        Application::runConsoleLine("set paused 0");
        return frame;
    };

    // A new or resumed character is set down over its first moments (it
    // starts some 25 units off the start point and is moved onto it while
    // the world runs): the picture is taken once it has stood still for a
    // second, or a loaded machine pauses the world before it got there.
    auto atRest = [&] {
        ZonePosition last = Game::get().getFirstPlayer()->getPosition();
        auto since = std::chrono::steady_clock::now();
        return window.frameUntil([&] {
            const ZonePosition now = Game::get().getFirstPlayer()->getPosition();
            if (now.zone != last.zone || now.x != last.x || now.y != last.y) {
                last = now;
                since = std::chrono::steady_clock::now();
            }
            return std::chrono::steady_clock::now() - since > std::chrono::seconds(1);
        });
    };
    ASSERT_TRUE(atRest()) << "the character never stood still";
    const MiniMapFrame on = stillFrame();
    Application::runConsoleLine("set miniMapOn 0");
    const MiniMapFrame off = stillFrame();
    Application::runConsoleLine("set miniMapOn 1");

    // The picture's centre stands at the mask's centre, and inside the mask
    // each tile of the ground is drawn where the picture puts it in its
    // floor colour (the small level the picture is made of, the town fully
    // explored), the same way round as the ground: at the middle of each
    // tile's place, away from the markers, the colour of that tile. The
    // client's projection and the drawn frame may differ by a pixel or two,
    // so the places are taken at the shift that matches best, which must
    // stay that small.
    const MiniMap& mini = MiniMap::get();
    const Vec2 centre = on.screenOf(64.0f, 64.0f);
    EXPECT_NEAR(centre.x, maskCentre.x, 1.5f);
    EXPECT_NEAR(centre.y, maskCentre.y, 1.5f);
    struct Sample {
        Vec2 at;
        int colour[3];
        bool central;
    };
    std::vector<Sample> samples;
    const int ppt = mini.getPixelsPerTile(), tps = mini.getTilesPerSide();
    for (int row = 1; row + 1 < tps; ++row) {
        for (int column = 1; column + 1 < tps; ++column) {
            const Vec2 at = on.screenOf((static_cast<float>(column) + 0.5f) * static_cast<float>(ppt),
                                        (static_cast<float>(row) + 0.5f) * static_cast<float>(ppt));
            if (std::hypot(at.x - maskCentre.x, at.y - maskCentre.y) > maskRadius - 6.0f ||
                on.nearMarker(at.x, at.y, 7.0f)) {
                continue;
            }
            const int tx = on.tileX() - tps / 2 + column, ty = on.tileY() - tps / 2 + row;
            MapTileColours floor;
            ASSERT_TRUE(world.getTileColours(on.target.zone, tx, ty, ppt, floor)) << tx << ", " << ty;
            Sample sample{at, {0, 0, 0}, std::abs(tx - on.tileX()) <= 3 && std::abs(ty - on.tileY()) <= 3};
            for (int i = 0; i < ppt * ppt; ++i) {
                for (int c = 0; c < 3; ++c) {
                    sample.colour[c] += floor.rgba[i * 4 + c];
                }
            }
            for (int& c : sample.colour) {
                c /= ppt * ppt;
            }
            samples.push_back(sample);
        }
    }
    auto matches = [&](const Sample& sample, Vec2 shift) {
        const uint8_t* drawn = pixelHolding(on.shot, {sample.at.x + shift.x, sample.at.y + shift.y});
        return std::abs(drawn[0] - sample.colour[0]) <= 24 && std::abs(drawn[1] - sample.colour[1]) <= 24 &&
               std::abs(drawn[2] - sample.colour[2]) <= 24;
    };
    Vec2 shift;
    int best = -1;
    for (float sy = -3.0f; sy <= 3.0f; sy += 0.5f) {
        for (float sx = -3.0f; sx <= 3.0f; sx += 0.5f) {
            const int n =
                static_cast<int>(std::count_if(samples.begin(), samples.end(), [&](const Sample& p) {
                    return matches(p, {sx, sy});
                }));
            if (n > best) {
                best = n;
                shift = {sx, sy};
            }
        }
    }
    int central = 0, centralMatching = 0;
    for (const Sample& sample : samples) {
        central += sample.central ? 1 : 0;
        centralMatching += sample.central && matches(sample, shift) ? 1 : 0;
    }
    EXPECT_GT(samples.size(), 200u) << "tiles inside the mask away from the markers";
    EXPECT_GE(best * 20, static_cast<int>(samples.size()) * 19)
        << best << " of " << samples.size() << " tiles in their floor colour, shifted by " << shift.x << ", "
        << shift.y;
    EXPECT_GE(central, 4) << "tiles around the centre away from the markers";
    EXPECT_EQ(centralMatching, central) << "tiles around the centre in their floor colour";

    // Just outside the mask's disc, where the picture's square reaches,
    // every pixel is the frame without the mini-map.
    Vec2 corners[4];
    for (int i = 0; i < 4; ++i) {
        corners[i] = on.screenOf(i == 1 || i == 2 ? 128.0f : 0.0f, i >= 2 ? 128.0f : 0.0f);
    }
    // Inside the square by more than a pixel and a half from each side.
    auto insideSquare = [&](float x, float y) {
        const float turn = (corners[1].x - corners[0].x) * (corners[2].y - corners[0].y) -
                           (corners[1].y - corners[0].y) * (corners[2].x - corners[0].x);
        for (int i = 0; i < 4; ++i) {
            const Vec2 a = corners[i], b = corners[(i + 1) % 4];
            const float cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
            if ((turn > 0.0f ? cross : -cross) < 1.5f * std::hypot(b.x - a.x, b.y - a.y)) {
                return false;
            }
        }
        return true;
    };
    int outside = 0, changed = 0;
    for (int y = 0; y < on.shot.height; ++y) {
        for (int x = 0; x < on.shot.width; ++x) {
            const float ix = (static_cast<float>(x) + 0.5f) * 640.0f / static_cast<float>(on.shot.width);
            const float iy = (static_cast<float>(y) + 0.5f) * 480.0f / static_cast<float>(on.shot.height);
            const float d = std::hypot(ix - maskCentre.x, iy - maskCentre.y);
            if (d < maskRadius + 1.5f || d > maskRadius + 5.0f || !insideSquare(ix, iy)) {
                continue;
            }
            ++outside;
            const uint8_t *a = on.shot.at(x, y), *b = off.shot.at(x, y);
            changed += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 12 ? 1 : 0;
        }
    }
    EXPECT_GT(outside, 10) << "the picture's square reaches past the mask";
    EXPECT_EQ(changed, 0) << "pixels outside the mask changed by the mini-map";

    // Save and exit, Continue: the character stands where it was, and the
    // same picture is drawn (its tiles at the same places).
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(menuActive("PauseMenu"));
    window.click(320, 262);
    ASSERT_TRUE(window.frameUntil([] { return menuActive("Main"); }));
    window.click(320, 250);
    ASSERT_TRUE(window.frameUntil(
        [] {
            return GameClient::instance() && GameClient::get().isLoaded() && Client::get().getLocalPlayer() &&
                   WorldMap::get().getExploredLevel(0, false);
        },
        2400))
        << "the saved character did not resume\n"
        << window.logTail();
    window.moveTo(100, 300);
    ASSERT_TRUE(atRest()) << "the resumed character never stood still";
    const MiniMapFrame resumed = stillFrame();
    ASSERT_EQ(resumed.target.zone, on.target.zone);
    ASSERT_EQ(resumed.tileX(), on.tileX()) << "the character resumes on its tile";
    ASSERT_EQ(resumed.tileY(), on.tileY());
    EXPECT_EQ(resumed.picture, on.picture) << "the same picture";
    // The picture stands still on the screen and steps by whole tiles: the
    // same pixels inside the mask and the square, but for the markers (the
    // townsfolk stand elsewhere now).
    int compared = 0, same = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
            if (std::hypot(fx - maskCentre.x, fy - maskCentre.y) > maskRadius - 3.0f ||
                !insideSquare(fx, fy) || on.nearMarker(fx, fy, 5.0f) || resumed.nearMarker(fx, fy, 5.0f)) {
                continue;
            }
            ++compared;
            const uint8_t *a = pixelAt(on.shot, x, y), *b = pixelAt(resumed.shot, x, y);
            same += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) <= 12 ? 1 : 0;
        }
    }
    EXPECT_GT(compared, 2000) << "pixels of the picture away from the markers";
    EXPECT_GE(same * 200, compared * 199) << same << " of " << compared << " pixels alike after Continue";
}

} // namespace
