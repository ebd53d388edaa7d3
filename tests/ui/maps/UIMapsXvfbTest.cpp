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
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "main/ProgramHooks.h"
#include "support/Picture.h"
#include "support/TestSupport.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/maps/WorldMap.h"
#include "ui/menus/UIMenu.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdlib>
#include <filesystem>

namespace {

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
    window.click(320, 294);
    ASSERT_TRUE(ui.findMenu("Options")->isActive());
    window.click(386, 96);
    ASSERT_EQ(ui.findMenu("Options")->getSelectedSubMenu(), 2);
    VirtualKeys& keys = VirtualKeys::get();
    const int worldMapKey = keys.findKey("worldMap", false);
    window.click(370, 226);
    EXPECT_EQ(UserVarSystem::get().findVar("BindKeyAction")->getString(), "worldMap");
    window.key(SDL_SCANCODE_K);
    EXPECT_EQ(keys.getAction(worldMapKey)->code, keyNameToCode("m"));
    EXPECT_TRUE(ui.findMenu("KeyAlreadyBound")->isActive());
    window.key(SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(ui.findMenu("KeyAlreadyBound")->isActive());
    window.click(370, 226);
    window.key(SDL_SCANCODE_G);
    EXPECT_EQ(keys.getAction(worldMapKey)->code, keyNameToCode("g"));
    EXPECT_EQ(UserVarSystem::get().findVar("BindKeyShown")->getString(), "0");
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(ui.findMenu("Main")->isActive());
    EXPECT_FALSE(ui.findMenu("Options")->isActive());

    window.click(320, 206);
    ASSERT_TRUE(ui.findMenu("NewCharacter")->isActive());
    window.click(300, 270);
    window.type("Map Makers");
    window.click(490, 408);
    for (int frame = 0; frame < 600 && !(GameClient::instance() && GameClient::get().isLoaded() &&
                                         Client::get().getLocalPlayer());
         ++frame) {
        app.frame();
    }
    ASSERT_TRUE(GameClient::get().isLoaded()) << "the game did not start";
    WorldMap& map = WorldMap::get();
    // The town (level 0) is known whole once the first state has come.
    for (int frame = 0; frame < 600 && !map.getExploredLevel(0, false); ++frame) {
        app.frame();
    }
    ExploredLevel* town = map.getExploredLevel(0, false);
    ASSERT_NE(town, nullptr) << "the town was never explored";
    EXPECT_EQ(town->cell(town->side / 2, town->side / 2)[3], 255);

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
    for (int frame = 0; frame < 10; ++frame) {
        app.frame();
    }
    ASSERT_TRUE(map.isShown());
    EXPECT_TRUE(ui.findMenu("WorldMap")->isActive());
    Picture shown = window.shot();
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
    for (int frame = 0; frame < 60 && map.getHoveredLabel() < 0; ++frame) {
        app.frame();
    }
    ASSERT_GE(map.getHoveredLabel(), 0);
    app.frame();
    Picture hovered = window.shot();
    EXPECT_EQ(map.getLabels()[static_cast<size_t>(map.getHoveredLabel())].text.rfind("Town Gate", 0), 0u);
    EXPECT_TRUE(colourNear(hovered, {gateAt.x, gateAt.y - 30.0f}, 40, 200, 160, 60, 30))
        << "no help box border";
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

} // namespace
