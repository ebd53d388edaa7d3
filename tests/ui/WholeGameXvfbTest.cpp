// The game as a new user plays it: the whole program windowed under Xvfb on
// the shipped data, driven with the mouse and keys only, through the main
// menu, a new character, the town, a walk out of it, the quest and relations
// screens, save and exit, and the character resumed as it was left. A
// screenshot at each stage is checked at known pixels.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/player/PlayerClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "graphics/text/TextEvent.h"
#include "graphics/text/TextEventList.h"
#include "support/LevelRoute.h"
#include "support/WindowedGame.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

bool menuActive(const char* name)
{
    UIMenu* menu = UISystem::get().findMenu(name);
    return menu && menu->isActive();
}

// The share of the pixels of a box of the interface that differ between two
// shots.
double differingShare(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1)
{
    int differing = 0, all = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x, ++all) {
            const uint8_t *p = pixelAt(a, x, y), *q = pixelAt(b, x, y);
            differing += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 24 ? 1 : 0;
        }
    }
    return all ? static_cast<double>(differing) / all : 0.0;
}

// The player's level is built on both sides and the client stands on it.
bool standsOnBuiltLevel()
{
    if (!GameClient::instance() || !GameClient::get().isLoaded()) {
        return false;
    }
    const ZonePosition at = Client::get().getPlayerPosition();
    World* world = World::instance();
    return at.zone >= 0 && world && world->isLevelLoaded(at.zone) && !world->hasPendingBuilds() &&
           Client::get().getLocalPlayer()->getServerMirror() != nullptr;
}

// The nearest living actor on the player's level that is its enemy.
Actor* nearestFoe(Player& player, float range)
{
    Actor* best = nullptr;
    float bestDistance = range;
    const ZonePosition at = player.getPosition();
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
        if (!actor || !actor->isAlive() || actor->getPosition().zone != at.zone || !player.isEnemyOf(actor)) {
            continue;
        }
        const Vec2 p = ZonePosition::getLocal(actor->getPosition(), at);
        const float d = std::hypot(p.x - at.x, p.y - at.y);
        if (d < bestDistance) {
            best = actor;
            bestDistance = d;
        }
    }
    return best;
}

// A run of at least `length` red pixels in a row, as an enemy's health bar
// draws, within a box of the interface.
bool redBarIn(const Picture& p, int x0, int y0, int x1, int y1, int length)
{
    for (int y = std::max(0, y0); y < std::min(480, y1); ++y) {
        int run = 0;
        for (int x = std::max(0, x0); x < std::min(640, x1); ++x) {
            const uint8_t* c = pixelAt(p, x, y);
            run = c[0] > 150 && c[1] < 70 && c[2] < 70 ? run + 1 : 0;
            if (run >= length) {
                return true;
            }
        }
    }
    return false;
}

void expectColour(const uint8_t* c, int r, int g, int b, const char* what)
{
    EXPECT_NEAR(c[0], r, 12) << what;
    EXPECT_NEAR(c[1], g, 12) << what;
    EXPECT_NEAR(c[2], b, 12) << what;
}

void expectColour(const uint8_t* c, const uint8_t* wanted, const char* what)
{
    expectColour(c, wanted[0], wanted[1], wanted[2], what);
}

} // namespace

TEST(WholeGameXvfbTest, FromTheMainMenuIntoTheWorldAndBackAgain)
{
    WindowedGame game;
    if (!game.start("compressedTextures 0\nr_screenshotType 1\nr_higherResFonts 0\n")) {
        GTEST_SKIP() << "no X server can be started";
    }
    ASSERT_TRUE(game.frameUntil([] { return menuActive("Main"); }));
    // The same world on every run.
    Random::setState(0, 20261208u);

    // The main menu: its title band.
    {
        const Picture menu = game.shot(false, "main-menu.png");
        expectColour(pixelAt(menu, 126, 100), 150, 104, 40, "the title band");
    }

    // A new character: the Warrior, a typed name and covenant, Start.
    game.click(320, 206);
    ASSERT_TRUE(menuActive("NewCharacter"));
    game.click(145, 130);
    EXPECT_EQ(UserVarSystem::get().findVar("PlayerClass")->getString(), "$$ClassWarrior$$");
    game.click(300, 230);
    for (int i = 0; i < 24; ++i) {
        game.key(SDL_SCANCODE_BACKSPACE);
    }
    game.type("Brannoc");
    game.key(SDL_SCANCODE_TAB);
    game.type("Ash Vigil");
    game.click(490, 408);
    ASSERT_TRUE(game.waitForGame(1200)) << "the game did not start";
    ASSERT_TRUE(game.frameUntil(standsOnBuiltLevel, 2400)) << "the town was not built";
    Player* player = Game::get().getFirstPlayer();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->getName(), "Brannoc");
    const int town = Client::get().getPlayerPosition().zone;

    // The character stands in the town: its model drawn at the camera's
    // centre, where a frame without models shows the ground.
    {
        ASSERT_NE(Client::get().getLocalPlayer()->getServerMirror()->getModel(), nullptr)
            << "the player's body";
        game.waitForLoads();
        const Picture with = game.shot();
        Application::runConsoleLine("set drawModel 0");
        const Picture without = game.shot();
        Application::runConsoleLine("set drawModel 1");
        const Vec2 centre = Client::get().worldToScreen(Client::get().getPlayerPosition(), true);
        const int cx = static_cast<int>(centre.x), cy = static_cast<int>(centre.y);
        EXPECT_GT(differingShare(with, without, cx - 6, cy - 30, cx + 6, cy), 0.3)
            << "the character in the town";
    }

    // Walking: a click on the ground a few cells ahead on a route, again
    // whenever the character has come near the clicked point, until `done`
    // holds or the route's end is reached.
    auto walk = [&](const std::vector<ZonePosition>& route, const std::function<bool()>& done) {
        size_t next = 0;
        bool clicked = false;
        return game.frameUntil(
            [&] {
                const ZonePosition at = Client::get().getPlayerPosition();
                if (done() || route.empty() || at.zone != route.front().zone) {
                    return true;
                }
                const Vec2 local = ZonePosition::getLocal(route[next], at);
                const bool near = std::hypot(local.x - at.x, local.y - at.y) < 40.0f;
                if (near && next + 1 == route.size()) {
                    return true;
                }
                if (near || !clicked) {
                    next = std::min(route.size() - 1, next + (clicked ? 4 : 0));
                    clicked = true;
                    const Vec2 p = Client::get().worldToScreen(route[next], true);
                    game.click(static_cast<int>(p.x), static_cast<int>(p.y));
                }
                return false;
            },
            6000);
    };

    // Out of the town on foot, across its southern edge.
    {
        const std::vector<ZonePosition> route = routeToLevelEdge(Client::get().getPlayerPosition(), 2);
        ASSERT_FALSE(route.empty()) << "no way out of the town";
        walk(route, [&] { return Client::get().getPlayerPosition().zone != town; });
        // The server may still place it on the town's side for a moment.
        ASSERT_TRUE(game.frameUntil(
            [&] { return Client::get().getPlayerPosition().zone != town && standsOnBuiltLevel(); }, 2400))
            << "the character did not leave the town";
    }

    // The first level discovered lifts the new character to level 2; the
    // line is in the message log at the screen's lower left.
    {
        auto levelOf = [&] { return player->getStat(toIndex(CharacterStat::Level)); };
        ASSERT_TRUE(game.frameUntil([&] { return levelOf() >= 2; }, 1200)) << "no level-up";
        // The server's line reaches the client a few frames later.
        auto logged = [] {
            for (const TextEvent& e : GraphicsSystem::get().getTextEvents().events()) {
                if (e.kind == TextEventList::kLogKind && e.text.find("level 2") != std::string::npos) {
                    return true;
                }
            }
            return false;
        };
        EXPECT_TRUE(game.frameUntil(logged, 600)) << "the level-up line";
        const Picture shot = game.shot();
        int lit = 0;
        for (int y = 400; y < 440; ++y) {
            for (int x = 8; x < 200; ++x) {
                const uint8_t* c = pixelAt(shot, x, y);
                lit += std::min({c[0], c[1], c[2]}) > 170 ? 1 : 0;
            }
        }
        EXPECT_GT(lit, 20) << "the log's text";
    }

    // Monsters that fight back: the nearest enemy, walked towards with
    // clicks on the ground and attacked with a click on it, its health bar
    // drawn over it; each fight ends with one of them dead. A monster may
    // fall before it strikes: then the next one, up to four.
    {
        player = Game::get().getFirstPlayer();
        const int fullHealth = player->getHealth();
        int lowestHealth = fullHealth;
        bool barSeen = false;
        const ZonePosition goals[] = {
            {0, 2048.0f, 2048.0f}, {0, 1024.0f, 1024.0f}, {0, 3072.0f, 1024.0f}, {0, 1024.0f, 3072.0f}};
        for (int fight = 0; fight < 4 && !(lowestHealth < fullHealth && barSeen) && player->isAlive();
             ++fight) {
            Actor* foe = nullptr;
            const ZonePosition from = Client::get().getPlayerPosition();
            ZonePosition goal = goals[fight];
            goal.zone = from.zone;
            const std::vector<ZonePosition> route = routeToPoint(from, goal);
            const bool walked = walk(route, [&] {
                foe = nearestFoe(*player, 600.0f);
                return foe != nullptr;
            });
            ASSERT_TRUE(foe) << "no monster on the level beyond the town: fight " << fight << ", a route of "
                             << route.size() << " points (walked " << walked << ") from " << from.zone << " "
                             << from.x << "," << from.y << " to " << Client::get().getPlayerPosition().x
                             << "," << Client::get().getPlayerPosition().y << ", the nearest enemy " <<
                [&] {
                    Actor* any = nearestFoe(*player, 1e9f);
                    if (!any) {
                        return std::string("none");
                    }
                    const Vec2 p = ZonePosition::getLocal(any->getPosition(), player->getPosition());
                    return std::to_string(p.x) + "," + std::to_string(p.y);
                }();
            const int foeNumber = foe->getEntityNumber();
            int frames = 0;
            const bool ended = game.frameUntil(
                [&] {
                    auto* target = dynamic_cast<Actor*>(Game::get().getEntity(foeNumber));
                    if (!target || !target->isAlive() || !player->isAlive()) {
                        return true;
                    }
                    lowestHealth = std::min(lowestHealth, player->getHealth());
                    if (++frames % 10 != 0) {
                        return false;
                    }
                    const ZonePosition at = Client::get().getPlayerPosition();
                    const Vec2 p = Client::get().worldToScreen(target->getPosition(), true);
                    if (p.x > 40 && p.x < 600 && p.y > 60 && p.y < 420) {
                        if (!barSeen) {
                            barSeen = redBarIn(game.shot(false, "fight.png"), static_cast<int>(p.x) - 40,
                                               static_cast<int>(p.y) - 140, static_cast<int>(p.x) + 40,
                                               static_cast<int>(p.y), 12);
                        }
                        // One click on it: the attack goes on by itself, a
                        // new click would start the swing again.
                        if (Client::get().getLocalPlayer()->getTargetEntityNumber(true) != foeNumber) {
                            game.click(static_cast<int>(p.x), static_cast<int>(p.y) - 12);
                        }
                    } else {
                        const Vec2 local = ZonePosition::getLocal(target->getPosition(), at);
                        const float d = std::max(1.0f, std::hypot(local.x - at.x, local.y - at.y));
                        ZonePosition toward = at;
                        toward.addOffset((local.x - at.x) / d * 160.0f, (local.y - at.y) / d * 160.0f);
                        const Vec2 q = Client::get().worldToScreen(toward, true);
                        game.click(static_cast<int>(q.x), static_cast<int>(q.y));
                    }
                    return false;
                },
                8000);
            ASSERT_TRUE(ended) << "the fight did not end";
            lowestHealth = std::min(lowestHealth, player->getHealth());
        }
        EXPECT_LT(lowestHealth, fullHealth) << "the monsters fought back";
        EXPECT_TRUE(barSeen) << "a health bar over the monster";
    }

    // The quest and relations screens open on their keys.
    const Picture world = game.shot();
    game.key(SDL_SCANCODE_Q);
    EXPECT_TRUE(menuActive("Quests"));
    const Picture quests = game.shot();
    // The journal's panel on the right, the level still drawn on the left.
    expectColour(pixelAt(quests, 480, 300), 26, 29, 41, "the quest panel");
    expectColour(pixelAt(quests, 100, 300), pixelAt(world, 100, 300), "the level beside it");
    game.key(SDL_SCANCODE_Q);
    EXPECT_FALSE(menuActive("Quests"));
    game.key(SDL_SCANCODE_R);
    EXPECT_TRUE(menuActive("CovenantRelations"));
    const Picture relations = game.shot();
    // Its buttons along the bottom.
    expectColour(pixelAt(relations, 60, 465), 58, 74, 112, "the Covenants button");
    expectColour(pixelAt(relations, 600, 465), 58, 74, 112, "the Close button");
    // It covers the whole screen, the Hud's keys with it: Escape closes it.
    game.key(SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(menuActive("CovenantRelations"));

    // Save and exit from the game menu, then Continue from the main menu.
    const int level = player->getStat(toIndex(CharacterStat::Level));
    const uint32_t seed = World::get().getWorldSeed();
    game.key(SDL_SCANCODE_ESCAPE);
    ASSERT_TRUE(menuActive("PauseMenu"));
    game.click(320, 262);
    ASSERT_TRUE(game.frameUntil([] { return menuActive("Main"); }));
    EXPECT_FALSE(GameClient::get().isLoaded());
    EXPECT_EQ(UserVarSystem::get().findVar("resumeGameChar")->getString(), "Brannoc");
    game.click(320, 250);
    ASSERT_TRUE(game.waitForGame(1200)) << "the saved character did not resume\n" << game.logTail();
    ASSERT_TRUE(game.frameUntil(standsOnBuiltLevel, 2400));
    player = Game::get().getFirstPlayer();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->getName(), "Brannoc");
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::Level)), level);
    EXPECT_EQ(World::get().getWorldSeed(), seed) << "the same world";
    // A joining player starts at the town's start point.
    EXPECT_EQ(Client::get().getPlayerPosition().zone, town);
    EXPECT_TRUE(menuActive("Hud"));
    const Picture resumed = game.shot();
    expectColour(pixelAt(resumed, 510, 470), 46, 40, 30, "the Hud's strip");
}
