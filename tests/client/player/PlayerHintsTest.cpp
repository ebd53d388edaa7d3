// The local player's use-hint icons on the shipped rules, and the ring it
// queues under its target.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/net/SocketLayer.h"
#include "game/definitions/GameData.h"
#include "graphics/render/TileRenderSurface.h"
#include "support/DrawnEntityMirror.h"
#include "support/RenderScene.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class PlayerHintsTest : public ::testing::Test {
protected:
    PlayerHintsTest()
    {
        GameClient::registerCommands();
        auto mirror = std::make_unique<EntityClient>();
        mirror->setMaxHealth(100);
        mirror->setHealth(100);
        GameClient::get().setEntity(3, std::move(mirror));
        player.setPlayerEntityNumber(3);
    }
    ~PlayerHintsTest() override { GameClient::destroy(); }

    std::vector<std::string> shown() const
    {
        std::vector<std::string> names;
        for (const UseHintRecord& record : player.getUseHints()) {
            names.push_back(record.definition);
        }
        return names;
    }

    TestWorld world{true, false};
    PlayerClient player;
};

} // namespace

TEST_F(PlayerHintsTest, HintsTakeTheFreePlacesFadeInAndOutAndGo)
{
    const GameRules& rules = world.data->rules();
    ASSERT_EQ(player.getUseHints().size(), rules.useHints.size());
    ASSERT_EQ(rules.useHints.size(), 3u);
    EXPECT_FLOAT_EQ(player.getUseHints()[1].offsetX, rules.useHints[1].offsetX);

    world.vars.setVar("ui_showUseHints", "0");
    player.addUseHint("MinorHealthPotion");
    EXPECT_EQ(shown(), (std::vector<std::string>{"", "", ""})) << "hints switched off";
    world.vars.setVar("ui_showUseHints", "1");
    for (const char* name : {"MinorHealthPotion", "MinorPowerPotion", "Dagger", "HandAxe"}) {
        player.addUseHint(name);
    }
    EXPECT_EQ(shown(), (std::vector<std::string>{"MinorHealthPotion", "MinorPowerPotion", "Dagger"}))
        << "no fourth place";
    EXPECT_TRUE(player.getUseHints()[0].fadingIn);
    EXPECT_FLOAT_EQ(player.getUseHints()[0].alpha, 0.0f);

    // In at the fade-in speed up to 1, then out at the fade-out speed until freed.
    const float in = rules.useHintFadeInSpeed;
    const float out = rules.useHintFadeOutSpeed;
    player.update(0.5f / in);
    EXPECT_NEAR(player.getUseHints()[0].alpha, 0.5f, 1e-4f);
    player.update(0.75f / in);
    EXPECT_FLOAT_EQ(player.getUseHints()[0].alpha, 1.0f);
    EXPECT_FALSE(player.getUseHints()[0].fadingIn);
    player.update(0.5f / out);
    EXPECT_NEAR(player.getUseHints()[0].alpha, 0.5f, 1e-4f);
    player.removeUseHint("MinorPowerPotion");
    EXPECT_EQ(shown(), (std::vector<std::string>{"MinorHealthPotion", "", "Dagger"}));
    player.addUseHint("HandAxe");
    EXPECT_EQ(shown(), (std::vector<std::string>{"MinorHealthPotion", "HandAxe", "Dagger"}))
        << "the first free place";
    player.update(0.6f / out);
    EXPECT_EQ(shown(), (std::vector<std::string>{"", "HandAxe", ""}));
    player.clearUseHints();
    EXPECT_EQ(shown(), (std::vector<std::string>{"", "", ""}));
    EXPECT_FLOAT_EQ(player.getUseHints()[2].offsetX, rules.useHints[2].offsetX) << "places stay";
}

TEST(PlayerSelectionRing, TheTargetNotHiddenHasARingInItsColour)
{
    RenderScene scene;
    GameClient::registerCommands();
    auto owned = std::make_unique<DrawnEntityMirror>();
    DrawnEntityMirror& goblin = *owned;
    goblin.setEntityNumber(7);
    goblin.setPosition(ZonePosition(-1, 300.0f, 200.0f));
    goblin.setCovenantIndex(2); // another covenant, not at war
    GameClient::get().setEntity(7, std::move(owned));
    PlayerClient player;
    const auto rings = [&] {
        scene.queue.beginFrame();
        player.drawIndicators();
        std::vector<const TileRenderSurface*> found;
        for (RenderSurface* s : scene.queue.getQueued()) {
            if (auto* tile = dynamic_cast<const TileRenderSurface*>(s)) {
                found.push_back(tile);
            }
        }
        return found;
    };
    EXPECT_TRUE(rings().empty()) << "no target";

    player.setTarget(&goblin, false);
    std::vector<const TileRenderSurface*> ring = rings();
    ASSERT_EQ(ring.size(), 1u);
    EXPECT_NEAR(ring[0]->cornerB.x - ring[0]->cornerA.x, 48.0f, 1e-3f);
    ASSERT_EQ(goblin.getMapColorCode(), EntityClient::kMapOrange);
    const Color expected = ColorSystem::getColor(EntityClient::kMapOrange);
    EXPECT_FLOAT_EQ(ring[0]->colour[0], expected.r);
    EXPECT_FLOAT_EQ(ring[0]->colour[1], expected.g);
    EXPECT_FLOAT_EQ(ring[0]->colour[2], expected.b);
    EXPECT_EQ(scene.resources.getFileName(player.selectionShader.getIndex()), "SelectedTarget.sdr");

    goblin.setFlags(EntityBase::kFlagHidden);
    EXPECT_TRUE(rings().empty()) << "a hidden target shows no ring";
    GameClient::destroy();
}

// An icon fading in is drawn at its place over the player, a square of
// "UseHintSize" tiles, at the record's alpha; a hint without an icon draws nothing.
TEST(PlayerUseHintIcons, DrawnOverThePlayerAtTheirPlaceAndAlpha)
{
    RenderScene scene;
    SocketLayer sockets;
    Database database;
    database.addSubDatabase(
        "GameSystem", "gamesystem.dbl",
        "GameSystem {\n    TileSize 32\n    UseHintSize 0.75\n    UseHintFadeInSpeed 4.0\n"
        "    UseHint \"Up 10 -90\" \"Down -30 40\"\n}\n");
    database.addSubDatabase("Items", "items.dbl",
                            "Tonic {\n    TextureName \"Textures/white.tga\"\n}\nPlain {\n}\n");
    database.resolveBases();
    std::unique_ptr<GameData> data;
    ASSERT_TRUE(startUpGameData(data));
    Client client;
    GameClient::registerCommands();
    auto mirror = std::make_unique<EntityClient>();
    mirror->setMaxHealth(10);
    mirror->setHealth(10);
    GameClient::get().setEntity(3, std::move(mirror));
    {
        PlayerClient player;
        player.setPlayerEntityNumber(3);
        player.EntityBase::setPosition(ZonePosition(-1, 200.0f, 120.0f));
        player.addUseHint("Plain");
        player.addUseHint("Tonic");
        player.update(0.125f);
        ASSERT_NEAR(player.getUseHints()[1].alpha, 0.5f, 1e-4f);

        scene.backend.batches.clear();
        player.drawOverheadText();
        ASSERT_EQ(scene.backend.batches.size(), 1u) << "only the hint with an icon";
        const RecordingStageBackend::Batch& drawn = scene.backend.batches[0];
        ASSERT_GE(drawn.positions.size(), 12u);
        float x0 = drawn.positions[0], x1 = x0, y0 = drawn.positions[1], y1 = y0;
        for (size_t i = 0; i + 2 < drawn.positions.size(); i += 3) {
            x0 = std::min(x0, drawn.positions[i]);
            x1 = std::max(x1, drawn.positions[i]);
            y0 = std::min(y0, drawn.positions[i + 1]);
            y1 = std::max(y1, drawn.positions[i + 1]);
        }
        // The batch holds the virtual screen (640 x 480, y down) in -1 … 1, y up.
        const auto screenX = [](float x) { return (x + 1.0f) * 320.0f; };
        const auto screenY = [](float y) { return (1.0f - y) * 240.0f; };
        const float zoom = client.getViewParameters().zoom > 0.0f ? client.getViewParameters().zoom : 1.0f;
        const Vec2 base = client.screenPositionOf(player.getPosition(), 0.0f);
        EXPECT_NEAR(screenX(x1) - screenX(x0), 24.0f / zoom, 0.01f);
        EXPECT_NEAR(screenY(y0) - screenY(y1), 24.0f / zoom, 0.01f);
        EXPECT_NEAR(screenX((x0 + x1) * 0.5f), base.x - 30.0f, 0.01f) << "the second place";
        EXPECT_NEAR(screenY((y0 + y1) * 0.5f), base.y + 40.0f, 0.01f);
        ASSERT_FALSE(drawn.stages.empty());
        ASSERT_GE(drawn.stages[0].colours.size(), 4u);
        EXPECT_NEAR(drawn.stages[0].colours[3], 128, 1);
    }
    GameClient::destroy();
    data.reset();
    ZoneTopology::reset();
    setGrid(1.0f, 1.0f, 0.0f, 0.0f);
}
