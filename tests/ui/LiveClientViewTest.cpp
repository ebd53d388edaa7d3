#include "support/RecordingClientUi.h"
#include "support/TestWorld.h"
#include "support/UITestBench.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "client/player/PlayerClient.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/Money.h"
#include "ui/LiveClientView.h"

#include <gtest/gtest.h>

namespace {

// Without a client every read answers "nothing there" and every request
// does nothing.
TEST(LiveClientViewTest, WithoutAClientEveryReadIsEmpty)
{
    UITestBench bench;
    LiveClientView view;
    EXPECT_FALSE(view.hasLocalPlayer());
    EXPECT_EQ(view.getPlayerClass(), nullptr);
    EXPECT_FALSE(view.playerHasQuest(0));
    EXPECT_EQ(view.getPlayerQuestId(-1), -1);
    EXPECT_EQ(view.findMostUrgentQuest(), nullptr);
    EXPECT_EQ(view.getCovenantIndexByPower(0), -1);
    EXPECT_EQ(view.getCovenantIndexByInfluence(0), -1);
    EXPECT_EQ(view.getCurrentCovenant(), -1);
    EXPECT_EQ(view.getHistorySnapshotCount(), 0);
    EXPECT_EQ(view.getHistoryValue(0, 0, 0), 0);
    EXPECT_EQ(view.findPendingOffer(), -1);
    EXPECT_EQ(view.getSelectedRecruit(), nullptr);
    EXPECT_EQ(view.getWonGameText(), "");
    view.setDiplomacyResponse(0, 7);
    EXPECT_EQ(view.getDiplomacyResponse(), "");
    std::string text;
    Vec2 screen;
    EXPECT_FALSE(view.getEntityLabel(0, text, screen));
}

// The labels shown while Alt is held: items on the ground and closed chests
// by name alone, with the hover hints left to the hover box.
TEST(LiveClientViewTest, GroundLabelsNameTheirThingWithoutTheHoverHints)
{
    TestWorld world{true, false};
    RecordingClientUi hooks{{"Alt"}};
    Client client;
    GameClient::registerCommands();
    struct Ends {
        ~Ends() { GameClient::destroy(); }
    } ends;
    hooks.install(client.getUi());
    ASSERT_TRUE(client.startGame(false));
    auto add = [&](int number, const char* entry, EntityTypeSection::Kind kind, int value) {
        EntityUpdateRecord r;
        r.number = static_cast<uint32_t>(number);
        const DatabaseEntry* found = world.database.findEntry(entry);
        EXPECT_NE(found, nullptr) << entry;
        r.entryId = found ? static_cast<uint32_t>(found->getId()) : kMessageEndMark;
        r.covenant = -1;
        r.position = ZonePosition(0, 100.0f + 40.0f * number, 100.0f);
        r.health = 100;
        r.maxHealth = 100;
        r.solid = 1;
        r.typeSection.kind = kind;
        r.typeSection.value = value;
        GameClient::get().readEntityUpdate(r);
    };
    add(3, "ShortSword", EntityTypeSection::Kind::Item, 0);
    add(4, "ChestWooden", EntityTypeSection::Kind::Chest, 1);
    add(5, "Money", EntityTypeSection::Kind::Money, 40);

    LiveClientView view;
    std::string hover, label;
    Vec2 screen;
    GameClient::get().getEntity(3)->getTooltipText(hover, false, true, true);
    ASSERT_NE(hover.find("Hold down Alt to see all items on ground"), std::string::npos) << hover;
    ASSERT_TRUE(view.getEntityLabel(3, label, screen));
    EXPECT_EQ(label.find('\n'), std::string::npos) << label;
    EXPECT_NE(label.find("Short Sword"), std::string::npos) << label;
    EXPECT_EQ(hover.rfind(label, 0), 0u) << "the label is the hover text's name line";

    ASSERT_TRUE(view.getEntityLabel(4, label, screen));
    EXPECT_NE(label.find("Chest"), std::string::npos) << label;
    EXPECT_EQ(label.find("Left click"), std::string::npos) << label;

    // Money on the ground is an item too: its label is its sum. A missing
    // entity takes none.
    ASSERT_TRUE(view.getEntityLabel(5, label, screen));
    EXPECT_EQ(label, formatMoney(40));
    EXPECT_FALSE(view.getEntityLabel(6, label, screen));

    // The house's stores each say what they keep.
    const std::pair<const char*, const char*> stores[] = {{"ObjectCovenantStash", "$$SharedStashDesc$$"},
                                                          {"ObjectPlayerStash", "$$PlayerStashDesc$$"},
                                                          {"ObjectBookshelf", "$$BookshelfDesc$$"}};
    int number = 7;
    for (const auto& [entry, description] : stores) {
        add(number, entry, EntityTypeSection::Kind::Plain, 0);
        hover.clear();
        GameClient::get().getEntity(number++)->getTooltipText(hover, false, true, true);
        EXPECT_NE(hover.find(description), std::string::npos) << entry << ": " << hover;
    }
}

// The player selected as a target shows its own level, whether the target
// is the local player's mirror or the player's entity in the table.
TEST(LiveClientViewTest, ThePlayersOwnEntityHasThePlayersLevel)
{
    TestWorld world{true, false};
    RecordingClientUi hooks{{}};
    Client client;
    GameClient::registerCommands();
    struct Ends {
        ~Ends() { GameClient::destroy(); }
    } ends;
    hooks.install(client.getUi());
    ASSERT_TRUE(client.startGame(false));
    PlayerClient* player = client.getLocalPlayer();
    player->setPlayerEntityNumber(7);
    player->stats.set(PlayerClient::kStatLevel, 12);
    EntityUpdateRecord r;
    r.number = 7;
    r.entryId = static_cast<uint32_t>(world.database.findEntry("ShortSword")->getId());
    r.covenant = -1;
    r.position = ZonePosition(0, 100.0f, 100.0f);
    r.health = 50;
    r.maxHealth = 100;
    GameClient::get().readEntityUpdate(r);
    const EntityClient* own = GameClient::get().getEntity(7);
    ASSERT_NE(own, nullptr);
    ASSERT_NE(own, player);
    LiveClientView view;
    for (const EntityClient* target : {static_cast<const EntityClient*>(player), own}) {
        EXPECT_EQ(view.getEntityLevel(target), 12);
    }
}

} // namespace
