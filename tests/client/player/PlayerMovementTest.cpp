// The local player walks itself on the shipped world: free spots near a
// blocked click, its speed along a path, no path, and dragging the goal.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/data/Database.h"
#include "engine/input/Input.h"
#include "game/definitions/GameData.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "support/HeadlessServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

class PlayerMovementTest : public ::testing::Test {
protected:
    static constexpr int kViewKey = 12;

    void SetUp() override
    {
        ASSERT_NE(server.world, nullptr);
        server.world->setWorldSeed(4242);
        server.world->load();
        server.world->getLevel(0)->acquire(kViewKey);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!server.world->isLevelLoaded(0) && std::chrono::steady_clock::now() < deadline) {
            server.app->getHooks().finishLevels();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(server.world->isLevelLoaded(0));
        client = std::make_unique<Client>();
        GameClient::registerCommands();
        client->setTextEventSink([this](const ClientTextEvent& e) { texts.push_back(e); });
        ASSERT_TRUE(client->startGame(false));
        player = client->getLocalPlayer();
        player->setPlayerEntityNumber(0);
        EntityUpdateRecord r;
        r.entryId = static_cast<uint32_t>(Database::get().findEntry("ClassWarrior")->getId());
        r.health = 100;
        r.maxHealth = 100;
        r.solid = 1;
        GameClient::get().readEntityUpdate(r);
        ASSERT_NE(player->getServerMirror(), nullptr);
        player->stats.set(PlayerClient::kStatMovement, 200);
        player->setPosition(start());
    }
    void TearDown() override
    {
        client->endGame();
        GameClient::destroy();
        client.reset();
        if (server.world->isLevelLoaded(0))
            server.world->getLevel(0)->release(kViewKey);
    }

    // A grid point of the town from which the next five points east are free.
    ZonePosition start() const
    {
        const float grid = GameData::get().rules().gridSize;
        ZonePosition at = snapToGrid(GameData::get().getStartPosition());
        for (int tries = 0; tries < 400; ++tries) {
            bool clear = true;
            for (int i = 0; i <= 5 && clear; ++i) {
                clear = player->canStandAt(ZonePosition(0, at.x + grid * static_cast<float>(i), at.y), 1);
            }
            if (clear)
                return at;
            at.x += grid * static_cast<float>((tries % 20) == 19 ? -19 : 1);
            at.y += (tries % 20) == 19 ? grid : 0.0f;
        }
        ADD_FAILURE() << "no free row in the town";
        return at;
    }

    HeadlessServer server;
    std::unique_ptr<Client> client;
    PlayerClient* player = nullptr;
    std::vector<ClientTextEvent> texts;
};

TEST_F(PlayerMovementTest, WalksAtItsSpeedAndSnapsAtEachWaypoint)
{
    const float grid = GameData::get().rules().gridSize;
    const ZonePosition from = player->getPosition();
    player->setDestination(ZonePosition(0, from.x + 5.0f * grid, from.y), true);
    float travelled = 0.0f;
    int frames = 0;
    while (player->hasDestination() && frames < 100) {
        ZonePosition before = player->getPosition();
        player->update(0.05f);
        float step = ZonePosition::distanceTo(before, player->getPosition());
        if (player->hasDestination()) {
            EXPECT_NEAR(step, 10.0f, 0.01f) << "frame " << frames; // 200 × 50 ms
        }
        travelled += step;
        ++frames;
        // A walk that lands on a whole step stands on the grid.
        float offset = std::fmod(player->getPosition().x - from.x, grid);
        if (std::fabs(offset) < 0.01f) {
            EXPECT_FLOAT_EQ(player->getPosition().y, from.y);
        }
    }
    EXPECT_NEAR(player->getPosition().x, from.x + 5.0f * grid, 0.01f);
    EXPECT_NEAR(travelled, 5.0f * grid, 0.05f);
    // 160 units at 10 a frame; the frame after the last step ends the walk.
    EXPECT_EQ(frames, 17);
    for (const ClientTextEvent& e : texts) {
        EXPECT_NE(e.text, "Path blocked");
    }
}

TEST_F(PlayerMovementTest, ABlockedClickWalksToTheNearestFreePointWithinSixSteps)
{
    const float grid = GameData::get().rules().gridSize;
    const ZonePosition from = player->getPosition();
    // The nearest blocked grid point around the start.
    ZonePosition blocked;
    bool found = false;
    for (int r = 1; r < 20 && !found; ++r) {
        for (int dy = -r; dy <= r && !found; ++dy) {
            for (int dx = -r; dx <= r && !found; ++dx) {
                ZonePosition p(0, from.x + grid * static_cast<float>(dx),
                               from.y + grid * static_cast<float>(dy));
                if (!player->canStandAt(p, 1) && server.world->isLevelLoaded(0)) {
                    blocked = p;
                    found = true;
                }
            }
        }
    }
    ASSERT_TRUE(found);
    player->setDestination(blocked, true);
    ZonePosition goal = player->getPathGoal();
    EXPECT_TRUE(player->canStandAt(goal, 1));
    EXPECT_LE(std::fabs(goal.x - blocked.x), 6.0f * grid + 0.01f);
    EXPECT_LE(std::fabs(goal.y - blocked.y), 6.0f * grid + 0.01f);
    for (int i = 0; i < 200 && player->hasDestination(); ++i) {
        player->update(0.05f);
    }
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), goal), 0.01f);
}

TEST_F(PlayerMovementTest, NoPathShowsPathBlockedAndTheDragFollowsTheCursor)
{
    Input::get().setMousePosition(200, 150);
    const ZonePosition from = player->getPosition();
    // Far beyond the search's grid: no path.
    player->setDestination(ZonePosition(0, from.x + 4000.0f, from.y), false);
    texts.clear();
    player->update(0.05f);
    std::erase_if(texts, [](const ClientTextEvent& e) { return e.kind != 8; });
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "Path blocked");
    EXPECT_EQ(texts[0].kind, 8);
    EXPECT_FLOAT_EQ(texts[0].lifetime, 5.0f);
    EXPECT_FLOAT_EQ(texts[0].x, 200.0f);
    EXPECT_FLOAT_EQ(texts[0].y, 150.0f);
    EXPECT_FALSE(player->hasDestination());
    EXPECT_EQ(player->getPosition().x, from.x);

    // Held, the goal follows the cursor every frame.
    ASSERT_TRUE(player->onMouseButton(0, true, 200.0f, 150.0f));
    ZonePosition first = player->getPathGoal();
    Input::get().setMousePosition(400, 150);
    player->update(0.05f);
    EXPECT_NE(player->getPathGoal().x, first.x);
    client->onButtonPress(0, false, 400, 150);
    EXPECT_FALSE(player->isMoveButtonHeld());
    ZonePosition released = player->getPathGoal();
    Input::get().setMousePosition(100, 150);
    player->update(0.05f);
    EXPECT_EQ(player->getPathGoal().x, released.x);
}

TEST_F(PlayerMovementTest, AnItemOffItsGridPointIsPickedUpWhereTheApproachEnds)
{
    const float grid = GameData::get().rules().gridSize;
    const ZonePosition from = player->getPosition();
    const uint32_t money = static_cast<uint32_t>(Database::get().findEntry("Money")->getId());
    // Four points east (and a row down), then moved off that point: the
    // path ends within reach of the point, not always of the item.
    struct Spot {
        int row;
        float dx;
        float dy;
    };
    const Spot spots[] = {
        {0, 0.0f, 0.0f}, {0, 15.0f, -15.0f}, {0, 15.0f, 15.0f}, {1, 8.0f, 8.0f}, {1, 0.0f, 15.0f}};
    for (const Spot& s : spots) {
        player->warpTo(from);
        player->setTarget(nullptr, true);
        EntityUpdateRecord r;
        r.number = 30;
        r.entryId = money;
        r.position =
            ZonePosition(0, from.x + 4.0f * grid + s.dx, from.y + static_cast<float>(s.row) * grid + s.dy);
        r.health = 1;
        r.maxHealth = 1;
        GameClient::get().readEntityUpdate(r);
        EntityClient* item = GameClient::get().getEntity(30);
        ASSERT_NE(item, nullptr);
        item->setPosition(r.position);
        const size_t sent = client->getQueuedCommands().size();
        player->selectEntity(item);
        ASSERT_EQ(player->action, PlayerClient::kActionApproach);
        for (int i = 0; i < 200 && player->action == PlayerClient::kActionApproach; ++i) {
            player->update(0.05f);
        }
        EXPECT_EQ(player->action, PlayerClient::kActionNone) << s.row << " " << s.dx << " " << s.dy;
        ASSERT_GT(client->getQueuedCommands().size(), sent);
        EXPECT_EQ(client->getQueuedCommands().back(), "pickupEntity 30")
            << s.row << " " << s.dx << " " << s.dy;
        EXPECT_GT(ZonePosition::distanceTo(player->getPosition(), from), grid) << "walked up to it";
    }
}

TEST_F(PlayerMovementTest, TheFirstStateMessageKeepsTheTownBuiltOnce)
{
    const auto townViews = [this] {
        int n = 0;
        for (const auto& [key, view] : server.world->getViews()) {
            n += view.level == 0 && key != -1 ? 1 : 0;
        }
        return n;
    };
    int before = townViews();
    std::vector<std::string> offered;
    client->getUi().pendingFirstTopic = [] { return std::string("Welcome"); };
    client->getUi().findHelpTopic = [](const std::string& name) { return name == "Welcome" ? 0 : -1; };
    client->getUi().helpTopicCount = [] { return 1; };
    client->getUi().addHelpTopicButton = [&offered](int topic) { offered.push_back(std::to_string(topic)); };
    GameClient::get().onFirstUpdate();
    EXPECT_TRUE(GameClient::get().isLoaded());
    EXPECT_EQ(townViews(), before + 1);
    EXPECT_EQ(offered, std::vector<std::string>{"0"});
    GameClient::get().onFirstUpdate();
    EXPECT_EQ(townViews(), before + 1);
}

TEST_F(PlayerMovementTest, GateTextsNameLevelsOfTheWorld)
{
    player->secondPosition = ZonePosition(0, 64.0f, 64.0f);
    EntityUpdateRecord r;
    r.number = 5;
    r.entryId = static_cast<uint32_t>(Database::get().findEntry("ObjectGate")->getId());
    r.position = ZonePosition(1, 100.0f, 100.0f);
    r.typeSection.kind = EntityTypeSection::Kind::Gate;
    r.typeSection.gateTarget = player->secondPosition;
    GameClient::get().readEntityUpdate(r);
    EntityClient* gate = GameClient::get().getEntity(5);
    ASSERT_NE(gate, nullptr);
    ASSERT_FALSE(server.world->getLevelName(0).empty());
    std::string text;
    gate->getTooltipText(text, true, true, true);
    EXPECT_EQ(text, "Gate to " + server.world->getLevelName(0));
    r.typeSection.gateTarget = ZonePosition(-1, 0.0f, 0.0f);
    GameClient::get().readEntityUpdate(r);
    gate->getTooltipText(text, true, true, true);
    EXPECT_EQ(text, server.world->getLevelName(1) + " Gate");
}

// The per-frame upkeep: a level named on arrival, a dead player kept down
// unless the game is lost, and a far target let go unless it is one's own.
TEST_F(PlayerMovementTest, TheUpdateNamesLevelsKeepsTheDeadDownAndLetsFarStrangersGo)
{
    const std::string town = server.world->getLevelName(0);
    const std::string wild = server.world->getLevelName(1);
    ASSERT_FALSE(wild.empty());
    player->exploredLevels = {true, false};
    player->update(0.0f);
    texts.clear();
    const ZonePosition home = player->getPosition();
    struct Move {
        int zone;
        bool explored;
        std::string shown; // empty: nothing
    };
    const Move moves[] = {{1, false, "Discovered " + wild},
                          {1, false, ""},
                          {0, true, "Entering " + town},
                          {1, true, "Entering " + wild}};
    for (const Move& m : moves) {
        player->exploredLevels[1] = m.explored;
        player->EntityBase::setPosition(ZonePosition(m.zone, home.x, home.y));
        texts.clear();
        player->update(0.0f);
        std::erase_if(texts, [](const ClientTextEvent& e) { return e.kind != 2; });
        if (m.shown.empty()) {
            EXPECT_TRUE(texts.empty()) << m.zone;
            continue;
        }
        ASSERT_EQ(texts.size(), 1u) << m.shown;
        EXPECT_EQ(texts[0].text, m.shown);
        EXPECT_FLOAT_EQ(texts[0].x, 320.0f);
        EXPECT_FLOAT_EQ(texts[0].y, 100.0f);
        EXPECT_FLOAT_EQ(texts[0].lifetime, 5.0f);
    }
    player->EntityBase::setPosition(home);
    player->update(0.0f);

    // The server's mirror dies: action 1, except once the game is lost.
    const uint32_t warrior = static_cast<uint32_t>(Database::get().findEntry("ClassWarrior")->getId());
    const auto mirrorHealth = [warrior](int health) {
        EntityUpdateRecord r;
        r.entryId = warrior;
        r.health = health;
        r.maxHealth = 100;
        r.solid = 1;
        GameClient::get().readEntityUpdate(r);
    };
    struct Death {
        bool loaded;
        bool destroyed;
        bool down;
    };
    for (const Death& d : {Death{false, true, true}, Death{true, false, true}, Death{true, true, false}}) {
        if (d.loaded && !GameClient::get().isLoaded()) {
            GameClient::get().onFirstUpdate();
        }
        client->getPlayerCovenant()->destroyed = d.destroyed;
        mirrorHealth(100);
        player->update(0.0f);
        ASSERT_EQ(player->action, PlayerClient::kActionNone);
        mirrorHealth(0);
        player->update(0.0f);
        EXPECT_EQ(player->action == PlayerClient::kActionDead, d.down) << d.loaded << d.destroyed;
    }
    client->getPlayerCovenant()->destroyed = false;
    mirrorHealth(100);
    player->update(0.0f);

    // Targets beyond the selection distance: only the player's own people stay.
    player->setCovenantIndex(0);
    const float reach = GameData::get().rules().maxSelectedEntityDistance;
    ASSERT_GT(reach, 0.0f);
    struct Far {
        const char* entry;
        int covenant;
        float away;
        bool kept;
    };
    const Far rows[] = {{"RecruitWarrior", 3, reach + 200.0f, false},
                        {"RecruitWarrior", -1, reach + 200.0f, false},
                        {"RecruitWarrior", 0, reach + 200.0f, true},
                        {"RecruitWarrior", 3, reach - 200.0f, true}};
    uint32_t number = 20;
    for (const Far& f : rows) {
        EntityUpdateRecord r;
        r.number = number++;
        r.entryId = static_cast<uint32_t>(Database::get().findEntry(f.entry)->getId());
        r.covenant = f.covenant;
        r.position = ZonePosition(0, home.x + f.away, home.y);
        r.health = 100;
        r.maxHealth = 100;
        r.solid = 1;
        r.typeSection.kind = EntityTypeSection::Kind::Sentient;
        r.typeSection.equipped.fill(-1);
        GameClient::get().readEntityUpdate(r);
        EntityClient* other = GameClient::get().getEntity(static_cast<int>(r.number));
        ASSERT_NE(other, nullptr);
        player->setTarget(other, true);
        player->update(0.0f);
        EXPECT_EQ(player->target.get() == other, f.kept) << f.covenant << " at " << f.away;
    }
}

} // namespace
