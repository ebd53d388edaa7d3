#include "game/covenants/ActorCovenantFixture.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"

namespace {
constexpr int kStash = static_cast<int>(InventoryGroupIndex::Stash);
constexpr int kLoot = static_cast<int>(InventoryGroupIndex::Loot);

Item* makeItem(const char* entry, int level = 1)
{
    auto* item = new Item();
    item->setItemEntry(DefinitionReader::findEntry(entry));
    item->setLevel(level);
    item->updateStackValue();
    return item;
}
} // namespace

class ActorCovenantItemsTest : public ActorCovenantFixture {
protected:
    ActorCovenantItemsTest() : a(addActorCovenant("Ironbound")), human(addTestCovenant(*world.game, "Human"))
    {
        a.initNew(nav.tileCentre(0, 30, 30), 5, 1);
        player = addPlayerLeading(*world.game, human, nav.tileCentre(0, 60, 60));
    }

    // Without recruits every item goes to the house, the stash or is sold.
    void dismissRecruits()
    {
        for (int i = 0; i < a.getRecruitSlotCount(); ++i) {
            if (Recruit* r = a.getRecruit(i)) {
                r->dismissActor();
                a.deleteRecruit(r);
            }
        }
    }

    ActorCovenant& a;
    TestCovenant& human;
    Player* player = nullptr;
};

TEST_F(ActorCovenantItemsTest, WhileThePlayerTalksFoundItemsTurnIntoGoldAndLootStays)
{
    player->setAction(Player::ActionChooseCovenant, static_cast<uint32_t>(a.index));
    const int gold = a.getLeaderGold();
    const int worth = a.covenantItemsWorth(false);
    CovenantReward reward;
    reward.minimum = 3;
    reward.maximum = 3;
    a.gainRandomItems(nullptr, &reward, 0);
    EXPECT_GT(a.getLeaderGold(), gold);
    EXPECT_EQ(a.covenantItemsWorth(false), worth);

    Actor* victim = spawn(findType("RecruitWarrior"), 3, 50, 50);
    ASSERT_TRUE(victim->getInventory()->getSlot(kLoot)->addItem(makeItem("ChainShirt")));
    a.takeLootFromActor(victim);
    EXPECT_EQ(victim->getInventory()->countItemsInGroup(kLoot), 1);
}

TEST_F(ActorCovenantItemsTest, UnplaceableItemsAreSoldAndWeakerRelicsStayOutOfTheHouse)
{
    dismissRecruits();
    const int gold = a.getLeaderGold();
    EXPECT_FALSE(a.storeItem(makeItem("TravelBread")));
    EXPECT_GE(a.getLeaderGold(), gold);
    EXPECT_EQ(a.inventory->countItemsInGroup(kStash), 0);

    for (int i = 0; i < Covenant::kRelicSlots; ++i)
        ASSERT_TRUE(a.storeItem(makeItem("Relic3")));
    const ItemBase* before = a.getHouseItem(Covenant::kFirstRelicSlot);
    std::unique_ptr<Item> weak(makeItem("Relic1"));
    EXPECT_EQ(a.findRelicSlot(weak.get()), -1);
    EXPECT_FALSE(a.storeItem(makeItem("Relic1")));
    EXPECT_EQ(a.getHouseItem(Covenant::kFirstRelicSlot), before);
}

TEST_F(ActorCovenantItemsTest, ReplacingAStashItemWithdrawsTheOffersThatPromiseIt)
{
    dismissRecruits();
    for (int i = 0; i < ActorCovenant::kStashSize; ++i)
        ASSERT_TRUE(a.storeItem(makeItem("ChainShirt", 1 + i)));
    // The cheapest is the level-1 shirt in slot 0.
    TradeOffer offer;
    offer.addEntry(static_cast<int>(TradeTermKind::TermItem), TradeTerm::itemPlace(kStash, 0), 0);
    a.sendOffer(&human, offer);
    ASSERT_FALSE(a.getPendingOffer(human.index).offer.terms.empty());
    ASSERT_TRUE(a.storeItem(makeItem("ChainShirt", 30)));
    EXPECT_TRUE(a.getPendingOffer(human.index).offer.terms.empty());
    ASSERT_EQ(human.expired.size(), 1u);
}

TEST_F(ActorCovenantItemsTest, WorthAtTheMinimumSellPriceUsesTheMinimumPercent)
{
    dismissRecruits();
    std::unique_ptr<Item> bread(makeItem("TravelBread"));
    const int w = Covenant::itemWorth(bread.get());
    ASSERT_GT(w, 0);
    auto& rules = const_cast<GameRules&>(world.data->rules());
    const GameRules saved = rules;
    rules.minSellPercentPrice = w;
    EXPECT_FLOAT_EQ(a.getItemSaleValue(bread.get(), false), rules.minSellPercent * static_cast<float>(w));
    rules.minSellPercentPrice = w + 1;
    EXPECT_FLOAT_EQ(a.getItemSaleValue(bread.get(), false),
                    (rules.maxSellPercent - (rules.maxSellPercent - rules.minSellPercent) *
                                                static_cast<float>(w) / static_cast<float>(w + 1)) *
                        static_cast<float>(w));
    rules = saved;
}

TEST_F(ActorCovenantItemsTest, ARecruitsKillDropsHalfTheLootAndTheCovenantTakesWhatItWants)
{
    Actor* recruit = a.getRecruitActor(0) ? a.getRecruitActor(0) : a.getRecruitActor(1);
    ASSERT_NE(recruit, nullptr);
    EXPECT_FLOAT_EQ(recruit->getLootShare(), 0.5f);
    Actor* stranger = spawn(findType("RecruitWarrior"), 3, 52, 50);
    stranger->setCovenantIndex(a.index);
    EXPECT_FLOAT_EQ(stranger->getLootShare(), 0.0f);

    Actor* victim = spawn(findType("RecruitWarrior"), 3, 50, 50);
    ASSERT_TRUE(victim->getInventory()->getSlot(kLoot)->addItem(makeItem("ChainShirt", 40)));
    recruit->giveLoot(victim);
    EXPECT_EQ(victim->getInventory()->countItemsInGroup(kLoot), 0);
}
