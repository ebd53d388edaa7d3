#include "support/SlotTestBench.h"

#include "engine/files/FileSystem.h"
#include "game/definitions/GameFormulas.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIUseSlot.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const int kMain = groupOf(InventoryGroupIndex::Main);
const int kBag1 = groupOf(InventoryGroupIndex::Bag1);
const int kBag2 = groupOf(InventoryGroupIndex::Bag2);
const int kLoot = groupOf(InventoryGroupIndex::Loot);

// A vendor's goods worth 1,000 and a cheap potion stack.
const char* const kExtraItems = "Goods {\n Base ItemBase\n Name \"Goods\"\n Value 1000\n"
                                " TextureName \"Textures/Items/goods.tga\"\n}\n";

UIItemSlot* slot(SlotTestBench& bench, const std::string& keywords)
{
    auto* made = bench.make<UIItemSlot>("ItemSlot", keywords);
    EXPECT_NE(made, nullptr) << keywords;
    return made;
}

TEST(ItemSlotTest, LeftClicksOnTheFakes)
{
    struct Case {
        const char* name;
        const char* dragged; // keywords of the dragged slot, empty for none
        const char* target;
        std::function<void(SlotTestBench&)> setUp;
        const char* queued; // "" for nothing
        const char* message;
        bool dragStays;
    };
    const Case cases[] = {
        {"a bag into itself", "inventorySlot Main 0\n itemSlotType Bag\n", "inventorySlot Bag1 2\n",
         [](SlotTestBench& b) {
             b.place("Backpack", kMain, 0);
             b.view.groupCapacities[kBag1] = 8;
         },
         "", "Can't move item here!", false},
        {"an item onto a full bag", "inventorySlot Main 5\n", "inventorySlot Main 1\n itemSlotType Bag\n",
         [](SlotTestBench& b) {
             b.place("SmallPouch", kMain, 1);
             b.place("ShortSword", kMain, 5);
             b.view.groupCounts[kBag2] = 6;
             b.view.groupCapacities[kBag2] = 6;
         },
         "", "Bag is full!", true},
        {"an item of that full bag onto it", "inventorySlot Bag2 0\n",
         "inventorySlot Main 1\n itemSlotType Bag\n",
         [](SlotTestBench& b) {
             b.place("SmallPouch", kMain, 1);
             b.place("ShortSword", kBag2, 0);
             b.view.groupCounts[kBag2] = 6;
             b.view.groupCapacities[kBag2] = 6;
         },
         "", "Can't move item here!", false},
        {"a kept item into the stash", "inventorySlot Main 3\n", "inventorySlot Stash 0\n",
         [](SlotTestBench& b) { b.place("QuestSealedLetter", kMain, 3); }, "", "Item must stay in inventory!",
         false},
        {"a shield onto the head", "inventorySlot Main 4\n",
         "inventorySlot Equipment Head\n itemSlotType Head\n",
         [](SlotTestBench& b) { b.place("KiteShield", kMain, 4); }, "",
         "Slot can only hold $$HeadOnlyHold$$!", false},
        {"a sword into the hand", "inventorySlot Bag1 2\n",
         "inventorySlot Equipment HandPrimary\n itemSlotType HandPrimary\n",
         [](SlotTestBench& b) { b.place("ShortSword", kBag1, 2); }, "moveItem 2 2 1 14", "", false},
        {"an unbound slot", "", "inventorySlot Main -1\n",
         [](SlotTestBench& b) { b.place("ShortSword", kMain, -1); }, "", "", false},
    };
    for (const Case& c : cases) {
        SlotTestBench bench(kExtraItems);
        c.setUp(bench);
        UIItemSlot* dragged = *c.dragged ? slot(bench, c.dragged) : nullptr;
        UIItemSlot* target = slot(bench, c.target);
        bench.ui.setDragWidget(dragged);
        target->onClick(0, true, 0, 0);
        EXPECT_EQ(bench.view.queued.empty() ? "" : bench.view.queued.back(), std::string(c.queued)) << c.name;
        EXPECT_EQ(bench.view.errors.empty() ? "" : bench.view.errors.back(), std::string(c.message))
            << c.name;
        EXPECT_EQ(bench.ui.getDragWidget() == dragged && dragged, c.dragStays) << c.name;
    }
    // With nothing dragged a filled slot starts the drag; an unbound one
    // shows nothing, even with an item at entry -1, and never does.
    SlotTestBench bench;
    bench.place("ShortSword", kMain, 2);
    bench.place("ShortSword", kMain, -1);
    UIItemSlot* unbound = slot(bench, "inventorySlot Main -1\n");
    unbound->update(0.0f);
    EXPECT_EQ(unbound->getItem(), nullptr);
    unbound->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.ui.getDragWidget(), nullptr);
    UIItemSlot* filled = slot(bench, "inventorySlot Main 2\n");
    filled->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.ui.getDragWidget(), filled);
}

TEST(ItemSlotTest, OnlyMainAndLootPlacesOpenBags)
{
    SlotTestBench bench;
    struct Case {
        const char* keywords;
        int bag;
    };
    const Case cases[] = {
        {"inventorySlot Main 0\n itemSlotType Bag\n", kBag1},
        {"inventorySlot Main 3\n itemSlotType Bag\n", groupOf(InventoryGroupIndex::Bag4)},
        {"inventorySlot Main 4\n itemSlotType Bag\n", -1},
        {"inventorySlot Loot 7\n itemSlotType Bag\n", groupOf(InventoryGroupIndex::LootBag8)},
        {"inventorySlot Loot 8\n itemSlotType Bag\n", -1},
        {"inventorySlot Stash 0\n itemSlotType Bag\n", -1},
        {"inventorySlot Main 0\n", -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(slot(bench, c.keywords)->getBagGroup(), c.bag) << c.keywords;
    }
    // A right click on a bag place opens its bag menu; the Main 4 place too,
    // by its number.
    bench.commands.registerCommand([&](const CommandArgs& a) { bench.recorded.push_back("push " + a[0]); },
                                   "pushPopMenu", "", "", "s", true, 0);
    slot(bench, "inventorySlot Main 4\n itemSlotType Bag\n")->onClick(1, true, 0, 0);
    slot(bench, "inventorySlot Loot 2\n itemSlotType Bag\n")->onClick(1, true, 0, 0);
    EXPECT_EQ(bench.recorded, (std::vector<std::string>{"push bag4", "push stashBag2"}));
}

TEST(ItemSlotTest, PricesAndSales)
{
    SlotTestBench bench(kExtraItems);
    TestEntityMirror vendor;
    vendor.setVendorKind(true, false, false);
    vendor.setCovenantIndex(5);
    bench.view.target = &vendor;
    const ItemBase* goods = bench.place("Goods", kLoot, 3);
    ASSERT_EQ(goods->getPrice(), 1000);
    UIItemSlot* stock = slot(bench, "inventorySlot Loot 3\n vendorSlot 1\n");

    bench.view.playerStats[96] = 999;
    stock->onClick(1, true, 0, 0);
    EXPECT_EQ(bench.view.errors, (std::vector<std::string>{"Can't afford item!"}));
    bench.view.playerStats[96] = 1000;
    stock->onClick(1, true, 0, 0);
    EXPECT_EQ(bench.view.queued, (std::vector<std::string>{"buyItem 15 3"}));

    // Buying back at the sell fraction of the price: 0.5 at 0 down to 0.25
    // at 2,000, so 0.375 at 1,000.
    GameRules& rules = bench.data.mutableRules();
    rules.maxSellPercent = 0.5f;
    rules.minSellPercent = 0.25f;
    rules.minSellPercentPrice = 2000;
    EXPECT_EQ(slot(bench, "inventorySlot Loot 3\n vendorSlot 1\n repurchaseSlot 1\n")->getBuyPrice(), 375);

    // A gambler asks the gamble price except for the two buy-back places.
    vendor.setVendorKind(true, false, true);
    bench.place("Goods", kLoot, 22);
    bench.place("Goods", kLoot, 23);
    ASSERT_NE(goods->getGamblePrice(), goods->getPrice());
    EXPECT_EQ(stock->getBuyPrice(), goods->getGamblePrice());
    EXPECT_EQ(slot(bench, "inventorySlot Loot 22\n vendorSlot 1\n")->getBuyPrice(), 1000);
    EXPECT_EQ(slot(bench, "inventorySlot Loot 23\n vendorSlot 1\n")->getBuyPrice(), 1000);

    // A guard is paid in the covenant's guard currency, not in money.
    vendor.setVendorKind(true, true, false);
    const ItemBase* guard = bench.place("GuardGoblinWarrior", kLoot, 4);
    UIItemSlot* guardStock = slot(bench, "inventorySlot Loot 4\n vendorSlot 1\n");
    bench.view.playerStats[96] = 1000000;
    bench.view.covenantCounters[10] = guard->getPrice() - 1;
    bench.view.errors.clear();
    guardStock->onClick(1, true, 0, 0);
    EXPECT_EQ(bench.view.errors, (std::vector<std::string>{"Can't afford item!"}));
    bench.view.playerStats[96] = 0;
    bench.view.covenantCounters[10] = guard->getPrice();
    guardStock->onClick(1, true, 0, 0);
    EXPECT_EQ(bench.view.queued.back(), "buyItem 15 4");

    // So is the contract guard vendors stock, and it goes back to them only.
    const ItemBase* contract = bench.place("GuardContract", kLoot, 5);
    UIItemSlot* contractStock = slot(bench, "inventorySlot Loot 5\n vendorSlot 1\n");
    ASSERT_GT(contract->getPrice(), 0);
    bench.view.playerStats[96] = 1000000;
    bench.view.covenantCounters[10] = contract->getPrice() - 1;
    bench.view.errors.clear();
    contractStock->onClick(1, true, 0, 0);
    EXPECT_EQ(bench.view.errors, (std::vector<std::string>{"Can't afford item!"}));
    bench.view.playerStats[96] = 0;
    bench.view.covenantCounters[10] = contract->getPrice();
    contractStock->onClick(1, true, 0, 0);
    EXPECT_EQ(bench.view.queued.back(), "buyItem 15 5");
    bench.place("GuardContract", kMain, 7);
    UIItemSlot* carried = slot(bench, "inventorySlot Main 7\n");
    vendor.setVendorKind(true, false, false);
    bench.ui.setDragWidget(carried);
    stock->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.errors.back(), "Can only sell guard items to guard vendor!");
    vendor.setVendorKind(true, true, false);
    bench.ui.setDragWidget(carried);
    stock->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.queued.back(), "sellItem 0 7");
    bench.view.errors.clear();

    // An empty vendor place sells nothing, even at price 0.
    bench.view.queued.clear();
    bench.view.errors.clear();
    slot(bench, "inventorySlot Loot 9\n vendorSlot 1\n")->onClick(1, true, 0, 0);
    EXPECT_TRUE(bench.view.queued.empty());
    EXPECT_TRUE(bench.view.errors.empty());

    // Selling: a bag with items, then a normal item to the guard vendor.
    bench.place("Backpack", kMain, 0);
    bench.view.groupCounts[kBag1] = 1;
    bench.place("ShortSword", kMain, 6);
    UIItemSlot* bag = slot(bench, "inventorySlot Main 0\n itemSlotType Bag\n");
    UIItemSlot* sword = slot(bench, "inventorySlot Main 6\n");
    vendor.setVendorKind(true, false, false);
    bench.ui.setDragWidget(bag);
    stock->onClick(0, true, 0, 0);
    vendor.setVendorKind(true, true, false);
    bench.ui.setDragWidget(sword);
    stock->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.errors,
              (std::vector<std::string>{"Can't sell bags with items in it!",
                                        "Can only sell normal items to the normal vendor!"}));
    EXPECT_TRUE(bench.view.queued.empty());
    EXPECT_EQ(bench.ui.getDragWidget(), nullptr);
    vendor.setVendorKind(true, false, false);
    bench.ui.setDragWidget(sword);
    stock->onClick(0, true, 0, 0);
    EXPECT_EQ(bench.view.queued, (std::vector<std::string>{"sellItem 0 6"}));
}

TEST(ItemSlotTest, TooltipsTimersAndDrops)
{
    SlotTestBench bench("Elixir {\n Base ItemBase\n Name \"Elixir\"\n ItemTimer 2\n ItemTimerTime 10\n"
                        " CanBeUsed 1\n MaxStack 5\n TextureName \"Textures/Items/elixir.tga\"\n}\n");
    UITooltip tip;
    ASSERT_TRUE(slot(bench, "inventorySlot Equipment Head\n itemSlotType Head\n")->getTooltip(tip));
    EXPECT_EQ(tip.text, "$$HeadItemSlot$$");

    // The timer: its seconds in the tooltip, its share in the wipe, kept
    // within 0 … 1 however long the timer says it has left.
    bench.place("Elixir", kMain, 1);
    UIItemSlot* elixir = slot(bench, "inventorySlot Main 1\n");
    const std::pair<float, const char*> timers[] = {{1.0f, "^c099\nCan't use for another 1 second^c145"},
                                                    {4.2f, "^c099\nCan't use for another 5 seconds^c145"}};
    for (const auto& [left, line] : timers) {
        bench.view.itemTimers[2] = left;
        ASSERT_TRUE(elixir->getTooltip(tip));
        EXPECT_NE(tip.text.find(line), std::string::npos) << tip.text;
    }
    bench.view.itemTimers[2] = 25.0f;
    elixir->update(0.0f);
    elixir->draw();
    ASSERT_EQ(bench.drawing.wipes.size(), 1u);
    EXPECT_FLOAT_EQ(bench.drawing.wipes[0].fraction, 1.0f);
    bench.view.itemTimers[2] = 0.0f;
    elixir->draw();
    EXPECT_EQ(bench.drawing.wipes.size(), 1u);

    // A drag let go over nothing drops the item; a kept item is refused.
    bench.ui.setDragWidget(elixir);
    elixir->endDrag();
    bench.place("QuestSealedLetter", kMain, 2);
    UIItemSlot* letter = slot(bench, "inventorySlot Main 2\n");
    bench.ui.setDragWidget(letter);
    letter->endDrag();
    EXPECT_EQ(bench.view.queued, (std::vector<std::string>{"dropItem 0 1"}));
    EXPECT_EQ(bench.view.errors, (std::vector<std::string>{"Can't drop item!"}));
    EXPECT_EQ(bench.ui.getDragWidget(), nullptr);
}

// The interface commands act on the place under the mouse, each on its kind.
TEST(ItemSlotTest, CommandsOnThePlaceUnderTheMouse)
{
    SlotTestBench bench(kExtraItems);
    bench.ui.registerCommands();
    TestEntityMirror vendor;
    vendor.setVendorKind(true, false, false);
    bench.view.target = &vendor;
    bench.view.playerStats[96] = 5000;
    bench.place("ShortSword", kMain, 3);
    bench.place("Goods", kLoot, 1);
    bench.place("FoundersChronicle", kLoot, 2);
    slot(bench, "inventorySlot Main 3\n position 0 0\n size 32 32\n");
    slot(bench, "inventorySlot Loot 1\n vendorSlot 1\n position 40 0\n size 32 32\n");
    slot(bench, "inventorySlot Loot 2\n position 80 0\n size 32 32\n");
    auto* place = bench.make<UIUseSlot>("UseSlot", " index 4\n position 120 0\n size 32 32\n");
    auto at = [&](int x, const char* line) {
        bench.input.setMousePosition(x, 10);
        bench.ui.runCommand(line);
    };
    at(10, "sellHighlightedItem");
    at(50, "sellHighlightedItem");
    EXPECT_EQ(bench.view.queued, (std::vector<std::string>{"sellItem 0 3", "buyItem 15 1"}));

    // A vendor's goods tell no history; the same tome elsewhere does.
    TempDir userDir;
    FileSystem files(gameDataPath(), userDir.path().string(), false);
    at(90, "showHistory");
    EXPECT_EQ(bench.ui.getStoryFile(), "");
    vendor.setVendorKind(false, false, false);
    at(90, "showHistory");
    EXPECT_EQ(bench.ui.getStoryFile(), "Text/foundersChronicle.txt");

    bench.ui.setDragWidget(bench.ui.findWidget("M1::W"));
    place->onClick(0, true, 0, 0);
    ASSERT_NE(place->getContent(), nullptr);
    at(130, "clearUseSlot");
    EXPECT_EQ(place->getContent(), nullptr);
    EXPECT_EQ(bench.view.getHotkey(4), (std::array<int, 4>{2, -1, -1, -1}));
}

} // namespace
