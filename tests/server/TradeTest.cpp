#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "support/PlayerWorld.h"
#include "support/ScriptedCovenant.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);

class TradeTest : public PlayerWorld {
protected:
    void SetUp() override
    {
        PlayerWorld::SetUp();
        player->giveStartingItems();
        player->setStat(toIndex(CharacterStat::Money), 10000);
    }

    Vendor* vendor(const char* typeName, int level = 5)
    {
        const MonsterType* type = GameData::get().findMonsterType(typeName);
        auto* v = dynamic_cast<Vendor*>(server.spawns->spawnMonster(type, 0, MonsterRarity::Normal, level));
        EXPECT_NE(v, nullptr) << typeName;
        return v ? add(v, besidePlayer(48.0f)) : nullptr;
    }
    // Opens the vendor's goods: the vendor stocks for the player.
    void trade(Vendor* v)
    {
        player->setAction(Player::ActionTrade, static_cast<uint32_t>(v->getEntityNumber()));
        ASSERT_NE(player->getInventoryGroup(kLoot), nullptr);
    }

    static Item* item(const char* entry, int quantity = 1, int level = 1)
    {
        auto* it = new Item();
        it->setItemEntry(Database::get().findEntry(entry));
        it->generate(level);
        it->setQuantity(quantity);
        return it;
    }
    int money() const { return statOf(*player, CharacterStat::Money); }
    int countInBags(const char* entry) const
    {
        int n = 0;
        for (int g = kBag1; g <= toIndex(InventoryGroupIndex::Bag4); ++g)
            if (InventoryGroup* bag = player->getInventory()->getSlot(g))
                for (int i = 0; i < bag->getSize(); ++i)
                    if (const ItemBase* it = bag->getItem(i))
                        n += it->getItemEntry() == Database::get().findEntry(entry) ? 1 : 0;
        return n;
    }
    // Bag places from the first free one on are taken.
    void fillBags()
    {
        for (int g = kBag1; g <= toIndex(InventoryGroupIndex::Bag4); ++g)
            if (InventoryGroup* bag = player->getInventory()->getSlot(g)) {
                while (bag->hasRoom())
                    ASSERT_TRUE(bag->addItem(item("ShortSword")));
            }
    }
};

TEST_F(TradeTest, SlotKindsFollowTheKindOfVendor)
{
    struct Row {
        const char* type;
        int kinds[8]; // slots 0, 3, 4, 19, 20, 21, 22, 23
    };
    const Row rows[] = {
        {"NpcVendorBasic", {1, 4, 5, 5, 6, 6, 7, 7}},
        {"NpcVendorGuard", {0, 0, 0, 0, 6, 6, 7, 7}},
        {"NpcGambler", {5, 5, 5, 5, 6, 6, 7, 7}},
    };
    const int slots[8] = {0, 3, 4, 19, 20, 21, 22, 23};
    for (const Row& row : rows) {
        Vendor* v = vendor(row.type);
        ASSERT_NE(v, nullptr);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(v->slotKind(slots[i]), row.kinds[i]) << row.type << " slot " << slots[i];
    }
}

// The player's section shows the vendor's goods as its Loot group from the
// first state written after the trade starts: the vendor stocks for its first
// customer then, before anything is bought. Outside a trade the group is empty.
TEST_F(TradeTest, TheGoodsReachThePlayersSectionBeforeAnyPurchase)
{
    Vendor* v = vendor("NpcVendorBasic");
    ASSERT_NE(v, nullptr);
    auto lootShown = [&] {
        ByteBuffer out;
        player->getInventory()->write(out, false);
        InventoryBase image;
        ByteBuffer in(out.bytes());
        EXPECT_TRUE(image.read(in, true, false, 39, "player section"));
        const InventoryGroup* loot = image.getOwnGroup(kLoot);
        return loot ? loot->countItems() : -1;
    };
    EXPECT_EQ(lootShown(), 0);
    EXPECT_EQ(v->getVendorLevel(), -1);
    player->setAction(Player::ActionTrade, static_cast<uint32_t>(v->getEntityNumber()));
    const int shown = lootShown();
    EXPECT_NE(v->getVendorLevel(), -1) << "the vendor waited for a purchase";
    EXPECT_GT(shown, 0);
    int stocked = 0;
    for (int i = 0; i < Vendor::kSlotCount; ++i)
        stocked += v->getStockItem(i) ? 1 : 0;
    EXPECT_EQ(shown, stocked);
}

TEST_F(TradeTest, RandomStockKeepsItsBudgetAndNeedsAPlayer)
{
    Vendor* budget = vendor("NpcVendorWandering");
    budget->setRandomItemsTarget(5);
    trade(budget);
    ASSERT_NE(player->getInventoryGroup(kLoot), nullptr);
    EXPECT_LE(budget->getRandomItemsGenerated(), 5);
    int filled = 0;
    for (int i = 4; i < 20; ++i)
        filled += budget->getStockItem(i) ? 1 : 0;
    EXPECT_LE(filled, 5);
    // Past the budget a renewed random slot stays as it was.
    const ItemBase* before = budget->getStockItem(19);
    budget->stockSlot(19);
    EXPECT_EQ(budget->getStockItem(19), before);

    Vendor* endless = vendor("NpcVendorBasic");
    ASSERT_EQ(endless->getRandomItemsTarget(), 0);
    trade(endless);
    for (int i = 0; i < 40; ++i)
        endless->stockSlot(4);
    EXPECT_EQ(endless->getRandomItemsGenerated(), 16 + 40);

    Vendor* lonely = vendor("NpcVendorBasic");
    server.game->deleteEntity(player, true);
    player = nullptr;
    lonely->setCustomer(lonely);
    for (int i = 4; i < 20; ++i)
        EXPECT_EQ(lonely->getStockItem(i), nullptr);
    EXPECT_NE(lonely->getStockItem(0), nullptr); // base goods need no player
}

TEST_F(TradeTest, GuardAndGamblerStockAndTheRestockTimer)
{
    Vendor* guards = vendor("NpcVendorGuard");
    trade(guards);
    const ItemBase* contract = guards->getStockItem(0);
    ASSERT_NE(contract, nullptr);
    EXPECT_EQ(contract->getQuantity(), Vendor::kGuardStack);
    EXPECT_NE(contract->getGuardType(), nullptr);
    player->setStat(toIndex(CharacterStat::Level), 20);
    guards->update(0.05f);
    EXPECT_EQ(guards->getStockItem(0), contract);

    Vendor* gambler = vendor("NpcGambler");
    trade(gambler);
    for (int i = 0; i < 20; ++i)
        if (const ItemBase* it = gambler->getStockItem(i)) {
            EXPECT_FALSE(it->isIdentified()) << i;
        }

    // While the player has the vendor selected its timer waits.
    Vendor* shop = vendor("NpcVendorBasic");
    trade(shop);
    for (int i = 0; i < 700; ++i)
        shop->update(0.05f);
    EXPECT_TRUE(shop->getRestockTimer().isExpired());
    player->setAction(0, Player::kNoTarget);
    shop->update(0.05f);
    EXPECT_FALSE(shop->getRestockTimer().isExpired());
}

TEST_F(TradeTest, VendorSaveRoundTrips)
{
    Vendor* v = vendor("NpcVendorBasic");
    trade(v);
    ByteBuffer saved;
    v->write(saved);
    Vendor copy;
    copy.initFromMonsterType(GameData::get().findMonsterType("NpcVendorBasic"), 5);
    ASSERT_TRUE(copy.read(saved, 40));
    EXPECT_EQ(copy.getVendorLevel(), v->getVendorLevel());
    for (int i = 0; i < Vendor::kSlotCount; ++i) {
        const ItemBase* a = v->getStockItem(i);
        const ItemBase* b = copy.getStockItem(i);
        ASSERT_EQ(a == nullptr, b == nullptr) << i;
        if (a) {
            EXPECT_EQ(a->getItemEntry(), b->getItemEntry()) << i;
        }
    }
    ByteBuffer cut(saved.data(), saved.size() / 2);
    Vendor other;
    EXPECT_FALSE(other.read(cut, 40));
}

TEST_F(TradeTest, BuyingSellingAndBuyingBack)
{
    Vendor* v = vendor("NpcVendorBasic");
    trade(v);
    v->placeInSlot(5, item("MinorHealthPotion", 5));
    const int price = v->getStockItem(5)->getPrice(1);
    const int before = money();
    player->buyItem(kLoot, 5);
    EXPECT_EQ(v->getStockItem(5)->getQuantity(), 4);
    EXPECT_EQ(money(), before - price);

    // Two sales: the newer in the last slot, the older before it.
    Item* first = item("ShortSword");
    Item* second = item("MinorPowerPotion", 3);
    ASSERT_EQ(player->getInventory()->addItem(first), InventoryBase::kAddPlaced);
    ASSERT_EQ(player->getInventory()->addItem(second), InventoryBase::kAddPlaced);
    int g = -1, s = -1;
    ASSERT_TRUE(player->getInventory()->findItem(first, g, s));
    const int fetched = first->getSellValue(1);
    const int cash = money();
    player->sellItem(g, s);
    EXPECT_EQ(money(), cash + fetched);
    ASSERT_TRUE(player->getInventory()->findItem(second, g, s));
    player->sellItem(g, s);
    EXPECT_EQ(second->getQuantity(), 2);
    EXPECT_EQ(v->getStockItem(22), first);
    EXPECT_EQ(v->getStockItem(23)->getItemEntry(), second->getItemEntry());
    // Bought back for what it fetched.
    const int back = money();
    player->buyItem(kLoot, 22);
    EXPECT_EQ(v->getStockItem(22), nullptr);
    EXPECT_EQ(money(), back - fetched);
}

TEST_F(TradeTest, GamblesAndBoundItemsFollowTheirRules)
{
    Vendor* gambler = vendor("NpcGambler");
    trade(gambler);
    Item* roll = item("ShortSword");
    roll->setQuantity(0); // a chance of 0: the gamble always fails
    gambler->placeInSlot(6, roll);
    const int cost = roll->getGamblePrice();
    const int before = money();
    const int swords = countInBags("ShortSword");
    player->buyItem(kLoot, 6);
    EXPECT_EQ(money(), before - cost);
    EXPECT_EQ(gambler->getStockItem(6), nullptr);
    EXPECT_EQ(countInBags("ShortSword"), swords + 1);

    Vendor* guards = vendor("NpcVendorGuard");
    Vendor* shop = vendor("NpcVendorBasic");
    ScriptedCovenant& covenant = addScriptedCovenant(*server.game);
    player->setCovenantIndex(covenant.index);
    covenant.stats.set(toIndex(CovenantStat::Money), 0);
    Item* sword = item("ShortSword");
    Item* bound = item("GuardContract");
    ASSERT_EQ(player->getInventory()->addItem(sword), InventoryBase::kAddPlaced);
    ASSERT_EQ(player->getInventory()->addItem(bound), InventoryBase::kAddPlaced);
    int g = -1, s = -1;
    trade(guards);
    ASSERT_TRUE(player->getInventory()->findItem(sword, g, s));
    player->sellItem(g, s);
    EXPECT_TRUE(player->getInventory()->findItem(sword, g, s)) << "a guard vendor buys no sword";
    trade(shop);
    ASSERT_TRUE(player->getInventory()->findItem(bound, g, s));
    player->sellItem(g, s);
    EXPECT_TRUE(player->getInventory()->findItem(bound, g, s)) << "an ordinary vendor buys no bound item";
}

TEST_F(TradeTest, APriceOf16SellsFor3InCrystals)
{
    Vendor* guards = vendor("NpcVendorGuard");
    ScriptedCovenant& covenant = addScriptedCovenant(*server.game);
    player->setCovenantIndex(covenant.index);
    covenant.stats.set(toIndex(CovenantStat::Money), 0);
    Item* contract = item("GuardContract", 1, 7);
    ASSERT_EQ(contract->getPrice(1), 16); // 10 + 1 a level above the first
    ASSERT_EQ(player->getInventory()->addItem(contract), InventoryBase::kAddPlaced);
    trade(guards);
    int g = -1, s = -1;
    ASSERT_TRUE(player->getInventory()->findItem(contract, g, s));
    player->sellItem(g, s);
    EXPECT_EQ(covenant.stats.get(toIndex(CovenantStat::Money)), 3); // floor(16 x (0.25 - 0.15 x 16 / 10000))
    EXPECT_EQ(guards->getStockItem(23), contract);
}

// Every entry with a Value that can be sold (an item without NoSale) sells for
// at least a copper at item levels 1 and 2; a bound one for a crystal at the
// guard vendor.
TEST_F(TradeTest, EveryGoodWithAValueSellsForSomethingAtItemLevelsOneAndTwo)
{
    Vendor* shop = vendor("NpcVendorBasic");
    Vendor* guards = vendor("NpcVendorGuard");
    ScriptedCovenant& covenant = addScriptedCovenant(*server.game);
    player->setCovenantIndex(covenant.index);
    // Empty bags: each good is sold alone, not one of a stack of another level.
    for (int g = kBag1; g <= toIndex(InventoryGroupIndex::Bag4); ++g)
        if (InventoryGroup* bag = player->getInventory()->getSlot(g))
            for (int i = 0; i < bag->getSize(); ++i)
                delete player->getInventory()->clearEntry(g, i);
    const Database& db = Database::get();
    int sold = 0;
    for (int e = 0; e < db.getEntryCount(); ++e) {
        const DatabaseEntry* entry = db.getEntryAt(e);
        if (!entry || entry->isBaseOnly() ||
            entry->getTypeInherited() != static_cast<int>(DatabaseEntryType::Item) ||
            db.getFloat(entry, "Value") <= 0.0f)
            continue;
        for (int level : {1, 2}) {
            SCOPED_TRACE(entry->getName() + " at item level " + std::to_string(level));
            Item* goods = item(entry->getName().c_str(), 1, level);
            if (goods->isNoSale()) {
                delete goods;
                break;
            }
            const bool bound = goods->getBool("Bound");
            trade(bound ? guards : shop);
            ASSERT_EQ(player->getInventory()->addItem(goods), InventoryBase::kAddPlaced);
            int g = -1, s = -1;
            ASSERT_TRUE(player->getInventory()->findItem(goods, g, s));
            const int before = bound ? covenant.stats.get(toIndex(CovenantStat::Money)) : money();
            player->sellItem(g, s);
            const int after = bound ? covenant.stats.get(toIndex(CovenantStat::Money)) : money();
            EXPECT_GE(after - before, 1) << "price " << goods->getPrice(1);
            ++sold;
        }
    }
    EXPECT_GT(sold, 100);
}

TEST_F(TradeTest, SixtyKillsAtMonsterLevelOneLeaveMoneyForAPotion)
{
    // Ten runs of 60 kills: on average a run leaves 30 CP or more on the
    // ground, enough for a Minor Health Potion. Each kill's loot falls on its
    // first step as a corpse.
    constexpr int kRuns = 10;
    constexpr int kKills = 60;
    const MonsterType* type = GameData::get().findMonsterType("GoblinScout");
    ASSERT_NE(type, nullptr);
    Random::setState(0, 4242);
    for (int kill = 0; kill < kRuns * kKills; ++kill) {
        Actor* monster = server.spawns->spawnMonster(type, 0, MonsterRarity::Normal, 1);
        ASSERT_NE(monster, nullptr);
        add(monster, besidePlayer(64.0f + static_cast<float>(kill % 10) * 40.0f));
        monster->takeDamage(monster->getHealth() + 5, player);
        ASSERT_TRUE(monster->isDead());
        server.game->update(0.05f);
    }
    int coppers = 0;
    int piles = 0;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const auto* ground = dynamic_cast<const ItemGround*>(server.game->getEntity(i));
        const Item* held = ground ? ground->getGroundItem() : nullptr;
        if (held && held->getItemEntry() == Database::get().findEntry("Money")) {
            coppers += held->getAmount();
            ++piles;
        }
    }
    std::printf("%d kills: %d piles, %d CP\n", kRuns * kKills, piles, coppers);
    EXPECT_GE(coppers, kRuns * 30);
    std::unique_ptr<Item> potion(item("MinorHealthPotion"));
    EXPECT_GE(coppers, kRuns * potion->getPrice(1));
}

TEST_F(TradeTest, MoneyPickupAndIdentifyAll)
{
    Item* coins = item("Money", 250);
    ItemGround* ground = dropItemOnGround(coins, true, false, besidePlayer(32.0f));
    ASSERT_NE(ground, nullptr);
    const int before = money();
    const int picked = player->getStatistics()[Player::MoneyPickedUp];
    player->pickupEntity(ground->getEntityNumber());
    EXPECT_EQ(money(), before + 250);
    EXPECT_EQ(player->getStatistics()[Player::MoneyPickedUp], picked + 250);

    const size_t said = lines().size();
    player->identifyAll();
    EXPECT_EQ(lines().size(), said);
    EXPECT_EQ(money(), before + 250);
}

// A quest item goes to the first quest that wants it, one at a time up to
// its goal; nobody else takes it, and an unwanted one stays with a line.
TEST_F(TradeTest, AQuestItemCountsForTheQuestThatWantsItElseStays)
{
    auto wanted = std::make_unique<Quest>();
    wanted->setup(5, server.game->getClock(), 777u, toIndex(QuestType::StoryCiglioFindItem), 0);
    wanted->rollChoices(false);
    wanted->randomizeParameters();
    ASSERT_NE(wanted->definition, nullptr);
    ASSERT_FALSE(wanted->definition->canPickupExtra);
    const int number = server.game->addQuest(std::move(wanted));
    Quest* held = player->acceptQuest(number);
    ASSERT_NE(held, nullptr);
    held->goal = 1;
    held->progress = 0;

    auto dropQuestItem = [&](const char* entry, float dx) {
        ItemGround* ground = dropItemOnGround(item(entry), true, false, besidePlayer(dx));
        EXPECT_NE(ground, nullptr) << entry;
        return ground;
    };
    ItemGround* other = dropQuestItem("QuestGraveToken", 32.0f);
    ItemGround* seal = dropQuestItem("QuestLostSeal", 40.0f);
    ItemGround* second = dropQuestItem("QuestLostSeal", 48.0f);
    ASSERT_TRUE(other && seal && second);

    const size_t said = lines().size();
    player->pickupEntity(other->getEntityNumber());
    EXPECT_FALSE(other->isItemTaken());
    EXPECT_EQ(lines().size(), said + 1);
    EXPECT_TRUE(queued("msg 4 \"Already have all we need!\""));

    player->pickupEntity(seal->getEntityNumber());
    EXPECT_EQ(held->progress, 1);
    EXPECT_TRUE(seal->isItemTaken());
    EXPECT_EQ(countInBags("QuestLostSeal"), 0);
    player->pickupEntity(seal->getEntityNumber());
    EXPECT_EQ(held->progress, 1) << "taken once while it fades";

    // The goal is reached: the next one is not wanted.
    player->pickupEntity(second->getEntityNumber());
    EXPECT_EQ(held->progress, 1);
    EXPECT_FALSE(second->isItemTaken());

    // The taken one fades and goes; the others stay.
    const int sealNumber = seal->getEntityNumber();
    for (int i = 0; i < 60 && server.game->getEntity(sealNumber); ++i)
        server.game->update(0.05f);
    EXPECT_EQ(server.game->getEntity(sealNumber), nullptr);
    EXPECT_EQ(server.game->getEntity(other->getEntityNumber()), other);
}

// Every refusal leaves each item with exactly one owner (ASan checks the rest).
TEST_F(TradeTest, EveryFailurePathKeepsOneOwnerPerItem)
{
    Vendor* shop = vendor("NpcVendorBasic");
    trade(shop);
    shop->placeInSlot(7, item("ShortSword"));
    shop->placeInSlot(8, item("MinorHealthPotion", 5));
    fillBags();
    const int before = money();
    player->buyItem(kLoot, 7); // no room: the sword goes back
    EXPECT_NE(shop->getStockItem(7), nullptr);
    player->buyItem(kLoot, 8); // no room for a unit: it is destroyed
    EXPECT_EQ(shop->getStockItem(8)->getQuantity(), 5);
    EXPECT_EQ(money(), before);
    EXPECT_TRUE(queued("msg 4 \"No room in inventory!\""));

    Vendor* gambler = vendor("NpcGambler");
    trade(gambler);
    Item* roll = item("ShortSword");
    roll->setQuantity(0);
    gambler->placeInSlot(9, roll);
    player->buyItem(kLoot, 9); // a lost gamble with no room: back in its slot
    EXPECT_EQ(gambler->getStockItem(9), roll);
    EXPECT_EQ(money(), before);

    // A single unit merged whole into the player's stack.
    InventoryGroup* bag = player->getInventory()->getSlot(kBag1);
    bag->setItem(0, item("MinorHealthPotion", 2));
    bag->getItem(0)->setIdentified(true);
    trade(shop);
    shop->placeInSlot(10, item("MinorHealthPotion", 1));
    player->buyItem(kLoot, 10);
    EXPECT_EQ(bag->getItem(0)->getQuantity(), 3);
    EXPECT_EQ(shop->getStockItem(10), nullptr);

    // A bound contract needs a covenant to pay with.
    Vendor* guards = vendor("NpcVendorGuard");
    trade(guards);
    bag->destroyItemAt(1);
    player->buyItem(kLoot, 0);
    EXPECT_EQ(bag->getItem(1), nullptr);
}

} // namespace
