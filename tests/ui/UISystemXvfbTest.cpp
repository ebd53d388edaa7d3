// The whole program in this process, windowed under Xvfb on the shipped data:
// the main menu drawn, the options reached, changed and left with the mouse
// and Escape, and the change kept in user.cfg.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/app/Application.h"
#include "engine/app/DebugConsole.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/TextReader.h"
#include "engine/platform/Platform.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/entities/Sentient.h"
#include "graphics/GraphicsSystem.h"
#include "main/ProgramHooks.h"
#include "server/ClientRecord.h"
#include "server/Server.h"
#include "support/Picture.h"
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"
#include "support/WindowedGame.h"
#include "support/XvfbDisplay.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UIHelp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

#include <SDL.h>
#include <cstdlib>
#include <filesystem>

namespace {

void expectNear(const uint8_t* c, int r, int g, int b, int tolerance, const char* what)
{
    EXPECT_NEAR(c[0], r, tolerance) << what;
    EXPECT_NEAR(c[1], g, tolerance) << what;
    EXPECT_NEAR(c[2], b, tolerance) << what;
}

TEST(UISystemXvfbTest, TheMainMenuTheOptionsAndBack)
{
    WindowedGame window;
    // Exact colours: no compressed textures.
    if (!window.start("compressedTextures 0\nr_screenshotType 1\nr_higherResFonts 0\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    const TempDir& user = window.user;
    ASSERT_TRUE(window.waitForLoads()) << "the menu's images";
    UISystem& ui = UISystem::get();
    UIMenu* main = ui.findMenu("Main");
    UIMenu* options_ = ui.findMenu("Options");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(main->isActive());
    // The buttons from the top down: a game first, Quit last.
    const char* order[] = {"Main::NewGame", "Main::Continue", "Main::LoadCharacter", "Main::Options",
                           "Main::Quit"};
    for (size_t i = 1; i < std::size(order); ++i) {
        const UIWidget *above = ui.findWidget(order[i - 1]), *below = ui.findWidget(order[i]);
        ASSERT_TRUE(above && below) << order[i];
        EXPECT_LT(above->getScreenPosition().y, below->getScreenPosition().y)
            << order[i - 1] << " / " << order[i];
    }

    // The title band and the plain Options button where the menu puts them.
    Picture first = window.shot(true);
    expectNear(pixelAt(first, 126, 100), 150, 104, 40, 12, "title band");
    // The title's letters show the band between their strokes; a font
    // texture bound without its alpha draws each glyph as a white box.
    int white = 0, all = 0;
    for (int y = 68; y < 88; ++y) {
        for (int x = 262; x < 378; ++x, ++all) {
            const uint8_t* c = pixelAt(first, x, y);
            white += std::min({c[0], c[1], c[2]}) > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(white, all / 20) << "no title text";
    EXPECT_LT(white, all * 2 / 5) << "the title's glyphs are solid boxes";
    expectNear(pixelAt(first, 246, 344), 28, 36, 62, 12, "Options button");

    // A tooltip's backdrop lets a quarter of what lies under it through (its
    // alpha 0.75): in the box's margin, where no letter is drawn, a pixel is
    // a quarter of the same pixel without the box, not black.
    {
        auto owned = std::make_unique<UIWidget>();
        TextReader block("{\n highlightText \"Over the title\"\n position 280 140\n size 80 20\n}\n",
                         "tip.mnu");
        owned->parseBlock(block);
        owned->setMenu(main);
        UIWidget* tipped = main->addWidget(std::move(owned));
        auto* help = dynamic_cast<UIHelp*>(ui.findWidget("Help::Help"));
        ASSERT_NE(help, nullptr);
        window.moveTo(2, 2);
        const Picture bare = window.stillShot(0, 0);
        window.moveTo(320, 150);
        UITooltip tip;
        ASSERT_TRUE(ui.getTooltip(tip) && tip.text == "Over the title");
        const Picture shown = window.stillShot(0, 0);
        const ResourceHandle& font = help->getFont().isValid() ? help->getFont() : ui.getDefaultFont();
        const HelpBox box =
            help->placeBox(ui.getDrawing()->layoutText(font, tip.text), tip.position, tip.size);
        size_t samples = 0;
        const float middle =
            shareShowingThrough(bare, shown, box.position.x, box.position.y, box.size.x, samples);
        ASSERT_GT(samples, 40u) << "the ground under the box is too dark to tell";
        EXPECT_GT(middle, 0.15f) << "the backdrop hides what lies under it";
        EXPECT_LT(middle, 0.4f) << "the backdrop is too faint";
        main->removeWidget(tipped);
    }

    window.click(320, 338);
    ASSERT_TRUE(options_->isActive());
    Picture panel = window.shot(true);
    expectNear(pixelAt(panel, 200, 320), 28, 30, 44, 16, "options panel");

    window.click(266, 96);
    EXPECT_EQ(options_->getSelectedSubMenu(), 1);
    window.click(402, 232);
    EXPECT_EQ(UserVarSystem::get().findVar("s_volumeMusic")->getString(), "0.500000");

    // Controls: a row waits for the next key. Escape ends the wait alone,
    // the window staying, and binds nothing; the key after it binds nothing
    // either.
    {
        const UIWidget* tab = ui.findWidget("Options::Tab2");
        ASSERT_NE(tab, nullptr);
        window.click(static_cast<int>(tab->getScreenPosition().x + 10),
                     static_cast<int>(tab->getScreenPosition().y + 10));
        ASSERT_EQ(options_->getSelectedSubMenu(), 2);
        auto bindings = [] {
            std::vector<std::pair<int, bool>> out;
            for (size_t i = 0; i < VirtualKeys::get().getCount(); ++i) {
                const VirtualKeys::Action* a = VirtualKeys::get().getAction(static_cast<int>(i));
                out.emplace_back(a->code, a->isMouse);
            }
            return out;
        };
        const auto before = bindings();
        const UIWidget* row = ui.findWidget("OptionsControls::BindquestScreen");
        ASSERT_NE(row, nullptr);
        window.click(static_cast<int>(row->getScreenPosition().x + 10),
                     static_cast<int>(row->getScreenPosition().y + 8));
        ASSERT_EQ(getUserVarString("BindKeyShown"), "1") << "no key awaited";
        window.key(SDL_SCANCODE_ESCAPE);
        EXPECT_TRUE(options_->isActive()) << "Escape closed the window over the awaited key";
        EXPECT_EQ(getUserVarString("BindKeyShown"), "0") << "the key is still awaited";
        window.key(SDL_SCANCODE_J);
        EXPECT_TRUE(bindings() == before) << "a key was bound";
    }

    window.key(SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(options_->isActive());
    Picture back = window.shot(true);
    expectNear(pixelAt(back, 126, 100), 150, 104, 40, 12, "title band again");

    window.stop();
    EXPECT_NE(readFile(user.file("user.cfg")).find("s_volumeMusic \"0.500000\""), std::string::npos)
        << readFile(user.file("user.cfg"));
}

TEST(UISystemXvfbTest, IntoTheGamePausedAndOutAgain)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    Application& app = *window.app;
    app.frame();
    UISystem& ui = UISystem::get();

    window.click(320, 206);
    ASSERT_TRUE(ui.findMenu("NewCharacter")->isActive());
    window.click(263, 130);
    EXPECT_EQ(UserVarSystem::get().findVar("PlayerClass")->getString(), "$$ClassRogue$$");
    // The covenant box takes the focus and the typed name.
    window.click(300, 270);
    window.type("Fen Wardens");
    EXPECT_EQ(UserVarSystem::get().findVar("CovenantName")->getString(), "Fen Wardens");
    window.click(490, 408);
    UIMenu* hud = ui.findMenu("Hud");
    window.waitForGame();
    ASSERT_TRUE(GameClient::get().isLoaded()) << "the game did not start";
    app.frame();
    EXPECT_TRUE(hud->isActive());
    EXPECT_FALSE(ui.findMenu("Main")->isActive());
    EXPECT_TRUE(window.waitForLoads()) << "the Hud's images";
    Picture inGame = window.shot(true);
    expectNear(pixelAt(inGame, 510, 470), 46, 40, 30, 12, "the strip");

    window.key(SDL_SCANCODE_ESCAPE);
    app.frame();
    EXPECT_TRUE(ui.findMenu("PauseMenu")->isActive());
    EXPECT_TRUE(Client::get().isPaused());
    window.click(320, 174);
    app.frame();
    EXPECT_FALSE(ui.findMenu("PauseMenu")->isActive());
    EXPECT_FALSE(Client::get().isPaused());

    window.key(SDL_SCANCODE_GRAVE);
    EXPECT_TRUE(DebugConsole::get().isOpen());
    window.key(SDL_SCANCODE_GRAVE);
    EXPECT_FALSE(DebugConsole::get().isOpen());

    window.key(SDL_SCANCODE_ESCAPE);
    window.click(320, 262);
    app.frame();
    EXPECT_TRUE(ui.findMenu("Main")->isActive());
    EXPECT_FALSE(hud->isActive());
    EXPECT_FALSE(GameClient::get().isLoaded());
}

TEST(UISystemXvfbTest, ADropDownOfTheVideoPageAndTypedNames)
{
    WindowedGame window;
    if (!window.start("compressedTextures 0\nr_screenshotType 1\nNumAiCovenants 4\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    Application& app = *window.app;
    app.frame();
    UISystem& ui = UISystem::get();
    auto var = [](const char* name) { return UserVarSystem::get().findVar(name)->getString(); };

    // The display-mode box opens over the panel; a row sets r_mode.
    window.click(320, 338);
    UIDropDownBox* modes = nullptr;
    for (const auto& widget : ui.findMenu("OptionsVideo")->getWidgets()) {
        if (widget->getPosition().x == 90.0f && widget->getPosition().y == 250.0f) {
            modes = dynamic_cast<UIDropDownBox*>(widget.get());
        }
    }
    ASSERT_NE(modes, nullptr);
    ASSERT_FALSE(modes->getEntries().empty());
    // The window's own size, r_mode -1, is the row the closed box shows.
    EXPECT_EQ(var("r_mode"), "-1");
    EXPECT_EQ(modes->getCurrentText(), "800x600");
    Picture closed = window.shot(true);
    expectNear(pixelAt(closed, 200, 305), 28, 30, 44, 12, "the panel below the closed box");
    window.click(150, 260);
    ASSERT_TRUE(modes->isOpen());
    Picture open = window.shot(true);
    expectNear(pixelAt(open, 200, 305), 60, 66, 96, 12, "the open list");
    window.click(150, 280);
    EXPECT_FALSE(modes->isOpen());
    EXPECT_EQ(var("r_mode"), modes->getEntries()[0].value);

    // The open ground-detail list of the page under the Options menu scrolls
    // with the wheel over it, a row a step.
    UIDropDownBox* detail = nullptr;
    for (const auto& widget : ui.findMenu("OptionsVideo")->getWidgets()) {
        if (widget->getPosition().x == 90.0f && widget->getPosition().y == 314.0f) {
            detail = dynamic_cast<UIDropDownBox*>(widget.get());
        }
    }
    ASSERT_NE(detail, nullptr);
    ASSERT_GT(static_cast<int>(detail->getEntries().size()), detail->getVisibleRows());
    window.click(150, 324);
    ASSERT_TRUE(detail->isOpen());
    const int top = detail->rowAt(150.0f, 336.0f);
    ASSERT_GE(top, 0);
    struct Step {
        int notches, firstRow;
    } steps[] = {{-1, top + 1}, {-1, top + 2}, {1, top + 1}};
    for (const Step& step : steps) {
        window.wheel(150, 345, step.notches);
        EXPECT_EQ(detail->rowAt(150.0f, 336.0f), step.firstRow) << step.notches;
        EXPECT_TRUE(detail->isOpen());
    }
    window.click(150, 336);
    EXPECT_FALSE(detail->isOpen());

    // A window made 1024 wide, then full screen and back with Alt+Enter:
    // the box's first row, shown anew, names the size the window has.
    auto clickOn = [&](const char* path) {
        const UIWidget* w = ui.findWidget(path);
        ASSERT_NE(w, nullptr) << path;
        const Vec2 at = w->getScreenPosition();
        window.click(static_cast<int>(at.x + w->getSize().x / 2),
                     static_cast<int>(at.y + w->getSize().y / 2));
    };
    auto altEnter = [&] {
        for (bool down : {true, false}) {
            SDL_Event e{};
            e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
            e.key.windowID = SDL_GetWindowID(Platform::get().getWindow());
            e.key.keysym.scancode = SDL_SCANCODE_RETURN;
            e.key.keysym.mod = KMOD_LALT;
            Platform::get().handleEvent(e);
            app.frame();
        }
    };
    auto shownSize = [&] {
        window.key(SDL_SCANCODE_ESCAPE);
        window.click(320, 338);
        return modes->getCurrentText();
    };
    ASSERT_NO_FATAL_FAILURE(clickOn("OptionsVideo::Size1024"));
    ASSERT_NO_FATAL_FAILURE(clickOn("OptionsVideo::Apply"));
    ASSERT_EQ(GraphicsSystem::get().getScreenWidth(), 1024);
    EXPECT_EQ(modes->getCurrentText(), "1024x768");
    // A display without that mode: full screen takes another.
    GraphicsSystem::get().setModeSetterForTest([](int w, int h, int) { return w != 1024 || h != 768; });
    altEnter();
    EXPECT_EQ(var("r_fullscreen"), "1");
    EXPECT_NE(var("r_width"), "1024");
    EXPECT_EQ(shownSize(), var("r_width") + "x" + var("r_height"));
    altEnter();
    GraphicsSystem::get().setModeSetterForTest(nullptr);
    EXPECT_EQ(var("r_fullscreen"), "0");
    EXPECT_EQ(shownSize(), std::to_string(GraphicsSystem::get().getScreenWidth()) + "x" +
                               std::to_string(GraphicsSystem::get().getScreenHeight()));
    ASSERT_NO_FATAL_FAILURE(clickOn("OptionsVideo::Size800"));
    ASSERT_NO_FATAL_FAILURE(clickOn("OptionsVideo::Apply"));
    EXPECT_EQ(shownSize(), "800x600");
    window.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(ui.findMenu("Main")->isActive());

    // The name box replaces the random name; Tab moves on, Enter starts.
    window.click(320, 206);
    ASSERT_TRUE(ui.findMenu("NewCharacter")->isActive());
    window.click(300, 230);
    for (int i = 0; i < 21; ++i) {
        window.key(SDL_SCANCODE_BACKSPACE);
    }
    window.type("Orla Fen");
    window.key(SDL_SCANCODE_TAB);
    window.type("Fen Wardens");
    EXPECT_EQ(var("PlayerName"), "Orla Fen");
    EXPECT_EQ(var("CovenantName"), "Fen Wardens");
    window.key(SDL_SCANCODE_RETURN);
    window.waitForGame();
    ASSERT_TRUE(GameClient::get().isLoaded()) << "the game did not start";

    // The live widgets of the running game. A level-3 character with 40 % of
    // the experience it needs: the health bar is full, the experience bar
    // fills 40 % of its 120 pixels.
    auto* player = dynamic_cast<Sentient*>(Server::get().getClient(0)->player.get());
    ASSERT_NE(player, nullptr);
    player->setStat(static_cast<int>(CharacterStat::Level), 3);
    player->setHealth(player->getMaxHealth());
    int needed = player->getStat(static_cast<int>(CharacterStat::XpNeeded));
    ASSERT_GT(needed, 0);
    player->setStat(static_cast<int>(CharacterStat::Xp), needed * 2 / 5);
    // The server's next state updates carry the stats to the mirror. What the
    // town's discoveries pay meanwhile (experience, a level) is undone, so
    // that the client comes to show the stats set here.
    auto mirrored = [](int stat, int value) {
        const PlayerClient* m = Client::get().getLocalPlayer();
        return m && m->getStat(stat) == value;
    };
    // The experience needed follows the level when the server next works
    // out the stats: 40 % is taken of what it needs then.
    const int level = static_cast<int>(CharacterStat::Level), xpStat = static_cast<int>(CharacterStat::Xp),
              xpNeeded = static_cast<int>(CharacterStat::XpNeeded);
    auto hold = [&](Sentient* s) {
        if (s->getStat(level) != 3 || s->getStat(xpStat) != s->getStat(xpNeeded) * 2 / 5) {
            s->setStat(level, 3);
            s->setStat(xpStat, s->getStat(xpNeeded) * 2 / 5);
            s->setHealth(s->getMaxHealth());
        }
        return mirrored(level, 3) && mirrored(xpStat, s->getStat(xpStat)) &&
               mirrored(xpNeeded, s->getStat(xpNeeded));
    };
    EXPECT_TRUE(window.frameUntil([&] { return hold(player) && window.loaderIdle(); }))
        << "the stats reach the client";
    const PlayerClient* mirror = Client::get().getLocalPlayer();
    ASSERT_NE(mirror, nullptr);
    const float xpFraction = static_cast<float>(mirror->getStat(static_cast<int>(CharacterStat::Xp))) /
                             static_cast<float>(mirror->getStat(static_cast<int>(CharacterStat::XpNeeded)));
    EXPECT_NEAR(xpFraction, 0.4f, 0.01f);
    Picture bars = window.shot(true);
    const uint8_t* left = pixelAt(bars, 101, 454);
    const uint8_t* right = pixelAt(bars, 218, 454);
    EXPECT_GT(left[0], 2 * left[1]) << "health colour at the left end";
    expectNear(right, left[0], left[1], left[2], 12, "health colour at the right end");
    expectNear(pixelAt(bars, 222, 454), 46, 40, 30, 12, "the strip past the bar");
    const int xpEnd = 100 + static_cast<int>(120.0f * xpFraction);
    const uint8_t* xp = pixelAt(bars, xpEnd - 3, 472);
    EXPECT_GT(xp[0], 100) << "experience colour before the fill's end";
    expectNear(pixelAt(bars, xpEnd + 3, 472), 16, 14, 12, 12, "the track after the fill's end");

    // The character key opens the sheet; its Strength shows the mirror's stat.
    window.key(SDL_SCANCODE_C);
    ASSERT_TRUE(ui.findMenu("Character")->isActive());
    UIWidget* strength = ui.findWidget("Character::Strength");
    ASSERT_NE(strength, nullptr);
    EXPECT_EQ(strength->getTextValue(),
              std::to_string(mirror->getStat(static_cast<int>(CharacterStat::Strength))));
    window.key(SDL_SCANCODE_ESCAPE);

    // The relations key shows every covenant's crest on the circle, all of
    // them selected at the first show; with all deselected by right clicks,
    // a right click on one draws the lines of its relations.
    window.key(SDL_SCANCODE_R);
    auto* relations = dynamic_cast<UIRelationsMenu*>(ui.findMenu("CovenantRelations"));
    ASSERT_NE(relations, nullptr);
    ASSERT_TRUE(relations->isActive());
    app.frame();
    const int count = static_cast<int>(GameClient::get().getCovenantCount());
    ASSERT_GE(count, 2);
    // No tooltip over the circle: the pointer goes to a corner.
    window.moveTo(2, 2);
    app.frame();
    Picture circle = window.shot(true);
    const std::map<std::string, std::array<int, 3>> crestColours = {
        {"ironbound", {200, 40, 32}},   {"gildedScale", {230, 200, 60}}, {"thornveil", {110, 220, 110}},
        {"emberwatch", {240, 140, 40}}, {"ashenCourt", {170, 80, 210}},  {"human", {120, 180, 240}}};
    for (int c = 0; c < count; ++c) {
        const CovenantDefinition* definition = GameClient::get().getCovenant(c)->getDefinition();
        ASSERT_NE(definition, nullptr);
        std::string crest = std::filesystem::path(definition->crestName).stem().string();
        ASSERT_TRUE(crestColours.count(crest)) << crest;
        const auto& colour = crestColours.at(crest);
        Vec2 at = relations->circlePosition(c);
        expectNear(pixelAt(circle, static_cast<int>(at.x), static_cast<int>(at.y)), colour[0], colour[1],
                   colour[2], 16, crest.c_str());
    }
    for (int c = 0; c < count; ++c) {
        EXPECT_TRUE(relations->getEntry(c).selected) << c;
        Vec2 at = relations->circlePosition(c);
        window.click(static_cast<int>(at.x), static_cast<int>(at.y), SDL_BUTTON_RIGHT);
        app.frame();
        EXPECT_FALSE(relations->getEntry(c).selected) << c;
    }
    window.moveTo(2, 2);
    app.frame();
    circle = window.shot(true);
    // A relation's change over the crowded circle (five covenants): the
    // white pixels it adds lie outside every covenant's badge.
    {
        GameClient::get().showMessage(6, "-12.3 relation (^c010Whispering Court^c145)");
        app.frame();
        Picture said = window.shot(true);
        std::vector<std::array<float, 4>> badges;
        for (int c = 0; c < count; ++c) {
            std::array<float, 4> box{1e9f, 1e9f, -1e9f, -1e9f};
            for (const auto& w : relations->getEntry(c).container->getWidgets()) {
                const Vec2 at = w->getScreenPosition(), size = w->getSize();
                box = {std::min(box[0], at.x), std::min(box[1], at.y), std::max(box[2], at.x + size.x),
                       std::max(box[3], at.y + size.y)};
            }
            badges.push_back(box);
        }
        int added = 0, overBadges = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const uint8_t* before = pixelAt(circle, x, y);
                const uint8_t* after = pixelAt(said, x, y);
                const int change = std::abs(before[0] - after[0]) + std::abs(before[1] - after[1]) +
                                   std::abs(before[2] - after[2]);
                if (after[0] < 200 || after[1] < 200 || after[2] < 200 || change < 120) {
                    continue;
                }
                ++added;
                const float px = static_cast<float>(x), py = static_cast<float>(y);
                overBadges += std::any_of(badges.begin(), badges.end(),
                                          [&](const std::array<float, 4>& b) {
                                              return px >= b[0] && px < b[2] && py >= b[1] && py < b[3];
                                          })
                                  ? 1
                                  : 0;
            }
        }
        EXPECT_GT(added, 30) << "the relation's change is not drawn";
        EXPECT_EQ(overBadges, 0) << "of " << added << " pixels of the relation's change";
    }
    const int own = Client::get().getPlayerCovenantIndex();
    const int chosen = own == 0 ? 1 : 0;
    Vec2 from = relations->circlePosition(chosen);
    window.click(static_cast<int>(from.x), static_cast<int>(from.y), SDL_BUTTON_RIGHT);
    app.frame();
    EXPECT_TRUE(relations->getEntry(chosen).selected);
    // The badge's tooltip box would cover a line: the pointer goes to a corner.
    window.moveTo(2, 2);
    app.frame();
    Picture lines = window.shot(true);
    const UISettings& settings = ui.getSettings();
    for (int other = 0; other < count; ++other) {
        if (other == chosen) {
            continue;
        }
        Vec2 to = relations->circlePosition(other);
        const int mx = static_cast<int>((from.x + to.x) / 2.0f);
        const int my = static_cast<int>((from.y + to.y) / 2.0f);
        float v = GameClient::get().getRelationValue(std::min(chosen, other), std::max(chosen, other));
        float lo = settings.minRelationForColoring, hi = settings.maxRelationForColoring;
        float red = v >= hi ? 0.0f : v <= lo ? 1.0f : (hi - v) / (hi - lo);
        float green = v >= hi ? 1.0f : v <= lo ? 0.0f : (v - lo) / (hi - lo);
        SCOPED_TRACE("line to " + std::to_string(other));
        // The line is thin: the pixel near the midpoint that it changed most.
        const uint8_t* before = pixelAt(circle, mx, my);
        const uint8_t* after = pixelAt(lines, mx, my);
        int most = -1;
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const uint8_t* b = pixelAt(circle, mx + dx, my + dy);
                const uint8_t* a = pixelAt(lines, mx + dx, my + dy);
                const int change = std::abs(b[0] - a[0]) + std::abs(b[1] - a[1]);
                if (change > most) {
                    most = change;
                    before = b;
                    after = a;
                }
            }
        }
        EXPECT_FALSE(std::abs(before[0] - after[0]) < 8 && std::abs(before[1] - after[1]) < 8)
            << "no line to " << other;
        expectNear(after, static_cast<int>(red * 255.0f), static_cast<int>(green * 255.0f), 0, 40,
                   "relation line");
    }

    // Saved and resumed through "Continue", the character shows the same bars.
    window.key(SDL_SCANCODE_ESCAPE);
    Application::runConsoleLine("saveAndExit");
    app.frame();
    ASSERT_TRUE(ui.findMenu("Main")->isActive());
    // The character to continue, as a save remembers it.
    UserVarSystem::get().setVar("resumeGameChar", "Orla Fen");
    app.frame();
    window.click(320, 250);
    window.frameUntil([] {
        return GameClient::instance() && GameClient::get().isLoaded() && Client::get().getLocalPlayer();
    });
    ASSERT_TRUE(GameClient::get().isLoaded()) << "the character did not resume";
    EXPECT_TRUE(window.frameUntil([&] { return mirrored(static_cast<int>(CharacterStat::Level), 3); }))
        << "the resumed level reaches the client";
    const PlayerClient* resumed = Client::get().getLocalPlayer();
    ASSERT_NE(resumed, nullptr);
    EXPECT_TRUE(resumed->loadedFromFile);
    EXPECT_EQ(resumed->getStat(static_cast<int>(CharacterStat::Level)), 3);
    // The loaded level asks its own experience: 40 % of it again.
    auto* loaded = dynamic_cast<Sentient*>(Server::get().getClient(0)->player.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(window.frameUntil([&] { return hold(loaded) && window.loaderIdle(); }))
        << "the experience reaches the client";
    Picture again = window.shot(true);
    const int resumedEnd = 100 + 120 * resumed->getStat(static_cast<int>(CharacterStat::Xp)) /
                                     std::max(1, resumed->getStat(static_cast<int>(CharacterStat::XpNeeded)));
    EXPECT_NEAR(resumedEnd, 148, 2);
    EXPECT_GT(pixelAt(again, resumedEnd - 3, 472)[0], 100) << "experience colour before the fill's end";
    expectNear(pixelAt(again, resumedEnd + 3, 472), 16, 14, 12, 12, "the track after the fill's end");
}

} // namespace
