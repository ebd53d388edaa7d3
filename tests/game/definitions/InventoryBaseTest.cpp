#include "ItemTestFixture.h"

#include "engine/core/ByteBuffer.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr int kMain = toIndex(InventoryGroupIndex::Main);
constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
constexpr int kBag2 = toIndex(InventoryGroupIndex::Bag2);
constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
constexpr int kHouse = toIndex(InventoryGroupIndex::House);
constexpr int kBookshelf = toIndex(InventoryGroupIndex::Bookshelf);
constexpr int kPrimary = toIndex(EquipedLocation::HandPrimary);
constexpr int kSecondary = toIndex(EquipedLocation::HandSecondary);

class InventoryBaseTest : public ItemDatabaseTest {
protected:
    // Puts a bag in Main place `place` and opens its group.
    void giveBag(InventoryBase& inventory, int place, const char* bag = "SmallPouch")
    {
        inventory.getSlot(kMain)->setItem(place, newItem(bag));
        inventory.updateBagGroups();
    }

    void fillGroup(InventoryBase& inventory, int group, const char* name)
    {
        InventoryGroup* g = inventory.getSlot(group);
        while (g->hasRoom())
            EXPECT_TRUE(g->addItem(newItem(name)));
    }
};

} // namespace

TEST_F(InventoryBaseTest, StartsWithTwentySevenEmptyGroupsAtTheirCapacities)
{
    InventoryBase inventory;
    EXPECT_EQ(inventory.getSlot(kMain)->getSize(), 4);
    EXPECT_EQ(inventory.getSlot(kEquipment)->getSize(), kEquipedLocationCount);
    EXPECT_EQ(inventory.getSlot(kBag1)->getSize(), 0);
    EXPECT_EQ(inventory.getSlot(kHouse)->getSize(), 8);
    for (int g = 0; g < kInventoryGroupCount; ++g)
        EXPECT_EQ(inventory.countItemsInGroup(g), 0);
    EXPECT_EQ(inventory.getSlot(kInventoryGroupCount), nullptr);
    EXPECT_EQ(inventory.getSlot(-1), nullptr);
    EXPECT_EQ(inventory.countItemsInGroup(99), 0);
    EXPECT_EQ(inventory.getItemAt(kEquipment, kEquipedLocationCount), nullptr);
    EXPECT_EQ(inventory.getItemAt(kEquipment, -1), nullptr);
}

TEST_F(InventoryBaseTest, StartingCapacitiesComeFromTheRules)
{
    reloadWithGameSystem("StashSize 6\nLootSize 30\nBookshelfSize 12");
    InventoryBase inventory;
    EXPECT_EQ(inventory.getSlot(toIndex(InventoryGroupIndex::Stash))->getSize(), 6);
    EXPECT_EQ(inventory.getSlot(kLoot)->getSize(), 30);
    EXPECT_EQ(inventory.getSlot(kBookshelf)->getSize(), 12);
}

TEST_F(InventoryBaseTest, TwelvePotionsStackFiveFiveTwo)
{
    InventoryBase inventory;
    giveBag(inventory, 0);
    std::vector<int> results;
    for (int i = 0; i < 12; ++i) {
        ItemBase* potion = newItem("MinorHealthPotion");
        int result = inventory.addItem(potion);
        results.push_back(result);
        if (result == InventoryBase::kAddStacked)
            delete potion;
    }
    EXPECT_EQ(results, (std::vector<int>{0, 2, 2, 2, 2, 0, 2, 2, 2, 2, 0, 2}));
    ASSERT_EQ(inventory.countItemsInGroup(kBag1), 3);
    EXPECT_EQ(inventory.getItemAt(kBag1, 0)->getQuantity(), 5);
    EXPECT_EQ(inventory.getItemAt(kBag1, 1)->getQuantity(), 5);
    EXPECT_EQ(inventory.getItemAt(kBag1, 2)->getQuantity(), 2);
}

TEST_F(InventoryBaseTest, AStackAboveItsLimitIsSplitWhenAdded)
{
    InventoryBase inventory;
    giveBag(inventory, 0);
    ItemBase* potions = newItem("MinorHealthPotion");
    potions->setQuantity(12);
    EXPECT_EQ(inventory.addItem(potions), InventoryBase::kAddPlaced);
    ASSERT_EQ(inventory.countItemsInGroup(kBag1), 3);
    int total = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_LE(inventory.getItemAt(kBag1, i)->getQuantity(), 5);
        total += inventory.getItemAt(kBag1, i)->getQuantity();
    }
    EXPECT_EQ(total, 12);
}

TEST_F(InventoryBaseTest, DifferentItemsDoNotStack)
{
    InventoryBase inventory;
    giveBag(inventory, 0);
    EXPECT_EQ(inventory.addItem(newItem("MinorHealthPotion")), InventoryBase::kAddPlaced);
    EXPECT_EQ(inventory.addItem(newItem("MinorPowerPotion")), InventoryBase::kAddPlaced);
    // Single items never stack, even of one entry.
    EXPECT_EQ(inventory.addItem(newItem("Dagger")), InventoryBase::kAddPlaced);
    EXPECT_EQ(inventory.addItem(newItem("Dagger")), InventoryBase::kAddPlaced);
    EXPECT_EQ(inventory.countItemsInGroup(kBag1), 4);
}

TEST_F(InventoryBaseTest, AFullBagPassesTheItemDownTheChain)
{
    InventoryBase inventory;
    giveBag(inventory, 0);
    giveBag(inventory, 1);
    fillGroup(inventory, kBag1, "Dagger");
    ItemBase* axe = newItem("HandAxe");
    EXPECT_EQ(inventory.addItem(axe), InventoryBase::kAddPlaced);
    int group = -1, slot = -1;
    ASSERT_TRUE(inventory.findItem(axe, group, slot));
    EXPECT_EQ(group, kBag2);
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(inventory.findItem(kBag2, axe), 0);
    EXPECT_EQ(axe->getGroup(), kBag2);

    // Starting further down the chain skips Bag1 even when it has room.
    inventory.getSlot(kBag1)->destroyItemAt(0);
    ItemBase* mace = newItem("Mace");
    EXPECT_EQ(inventory.addItem(mace, kBag2), InventoryBase::kAddPlaced);
    EXPECT_EQ(mace->getGroup(), kBag2);
}

TEST_F(InventoryBaseTest, NoRoomAnywhereGivesOneAndLeavesTheItemToTheCaller)
{
    InventoryBase inventory;
    std::unique_ptr<ItemBase> dagger = makeItem("Dagger");
    EXPECT_EQ(inventory.addItem(dagger.get()), InventoryBase::kAddNoRoom); // no bag at all
    giveBag(inventory, 0);
    fillGroup(inventory, kBag1, "Dagger");
    EXPECT_EQ(inventory.addItem(dagger.get()), InventoryBase::kAddNoRoom);
    EXPECT_FALSE(inventory.hasRoom(kBag1));
    EXPECT_EQ(inventory.addItem(nullptr), InventoryBase::kAddNoRoom);

    // A stack that only partly fits keeps the rest.
    inventory.getSlot(kBag1)->destroyItemAt(0);
    ItemBase* potions = newItem("MinorHealthPotion");
    potions->setQuantity(4);
    inventory.getSlot(kBag1)->setItem(0, potions);
    std::unique_ptr<ItemBase> more = makeItem("MinorHealthPotion");
    more->setQuantity(3);
    EXPECT_FALSE(inventory.stackItem(more.get()));
    EXPECT_EQ(potions->getQuantity(), 5);
    EXPECT_EQ(more->getQuantity(), 2);
}

TEST_F(InventoryBaseTest, ClearEntryHandsTheItemBackAndDestroyItemAtDeletes)
{
    InventoryBase inventory;
    giveBag(inventory, 0);
    ItemBase* dagger = newItem("Dagger");
    inventory.getSlot(kBag1)->setItem(2, dagger);
    std::unique_ptr<ItemBase> taken(inventory.clearEntry(kBag1, 2));
    EXPECT_EQ(taken.get(), dagger);
    EXPECT_EQ(inventory.getItemAt(kBag1, 2), nullptr);
    EXPECT_EQ(inventory.clearEntry(kBag1, 2), nullptr);
    EXPECT_EQ(inventory.clearEntry(99, 0), nullptr);

    InventoryGroup* bag = inventory.getSlot(kBag1);
    bag->setItem(0, newItem("Dagger"));
    bag->destroyItemAt(-1);
    bag->destroyItemAt(bag->getSize());
    bag->destroyItemAt(3); // empty place
    EXPECT_EQ(bag->countItems(), 1);
    bag->destroyItemAt(0);
    EXPECT_EQ(bag->countItems(), 0);
}

TEST_F(InventoryBaseTest, AGroupOwnsEachItemOnce)
{
    InventoryGroup group;
    group.setIndex(kBag1);
    group.setSize(3);
    ItemBase* dagger = newItem("Dagger");
    group.setItem(0, dagger);
    group.setItem(2, dagger); // moves, never two owners
    EXPECT_EQ(group.getItem(0), nullptr);
    EXPECT_EQ(group.getItem(2), dagger);
    EXPECT_EQ(group.countItems(), 1);
    std::unique_ptr<ItemBase> taken(group.releaseItem(2));
    EXPECT_EQ(taken->getGroup(), -1);
    group.setItem(5, taken.get()); // outside: nothing happens
    EXPECT_EQ(group.countItems(), 0);
}

TEST_F(InventoryBaseTest, MovesIntoEmptyPlacesSwapsAndMergesStacks)
{
    InventoryBase inventory;
    giveBag(inventory, 0);
    giveBag(inventory, 1);
    ItemBase* dagger = newItem("Dagger");
    ItemBase* axe = newItem("HandAxe");
    inventory.getSlot(kBag1)->setItem(0, dagger);
    inventory.getSlot(kBag2)->setItem(3, axe);

    EXPECT_TRUE(inventory.moveItem(kBag1, 0, kBag2, 3));
    EXPECT_EQ(inventory.getItemAt(kBag2, 3), dagger);
    EXPECT_EQ(inventory.getItemAt(kBag1, 0), axe);
    EXPECT_EQ(dagger->getGroup(), kBag2);

    EXPECT_TRUE(inventory.moveItem(kBag2, 3, kBag2, 5));
    EXPECT_EQ(inventory.getItemAt(kBag2, 5), dagger);
    EXPECT_EQ(inventory.getItemAt(kBag2, 3), nullptr);

    ItemBase* stackA = newItem("MinorHealthPotion");
    ItemBase* stackB = newItem("MinorHealthPotion");
    stackA->setQuantity(2);
    stackB->setQuantity(4);
    inventory.getSlot(kBag1)->setItem(1, stackA);
    inventory.getSlot(kBag1)->setItem(2, stackB);
    EXPECT_TRUE(inventory.moveItem(kBag1, 1, kBag1, 2)); // 2 onto 4: one moves, one stays
    EXPECT_EQ(stackB->getQuantity(), 5);
    EXPECT_EQ(stackA->getQuantity(), 1);
    EXPECT_FALSE(inventory.moveItem(kBag1, 1, kBag1, 2)); // the target stack is full

    EXPECT_FALSE(inventory.moveItem(kBag1, 4, kBag2, 0));  // nothing there
    EXPECT_FALSE(inventory.moveItem(kBag1, 0, kBag2, 99)); // outside the group
    EXPECT_FALSE(inventory.moveItem(kBag1, 0, 27, 0));
}

TEST_F(InventoryBaseTest, RefusesMovesThatBreakThePlaceRules)
{
    InventoryBase inventory;
    giveBag(inventory, 0);
    giveBag(inventory, 1);
    InventoryGroup* bag = inventory.getSlot(kBag1);
    bag->setItem(0, newItem("Dagger"));
    bag->setItem(1, newItem("FoundersChronicle"));
    bag->setItem(2, newItem("EmberRelic"));
    bag->setItem(3, newItem("Greatsword"));
    bag->setItem(4, newItem("Buckler"));

    EXPECT_FALSE(inventory.moveItem(kBag1, 0, kEquipment, toIndex(EquipedLocation::Head)));
    EXPECT_FALSE(inventory.moveItem(kBag1, 0, kBookshelf, 0));
    EXPECT_TRUE(inventory.moveItem(kBag1, 1, kBookshelf, 0));
    EXPECT_FALSE(inventory.moveItem(kBag1, 2, kHouse, 0)); // places 0..3 are for guards
    EXPECT_TRUE(inventory.moveItem(kBag1, 2, kHouse, 4));

    // Two hands: a two-handed weapon and a shield never share.
    EXPECT_TRUE(inventory.moveItem(kBag1, 4, kEquipment, kSecondary));
    EXPECT_FALSE(inventory.moveItem(kBag1, 3, kEquipment, kPrimary));
    EXPECT_TRUE(inventory.moveItem(kEquipment, kSecondary, kBag1, 4));
    EXPECT_TRUE(inventory.moveItem(kBag1, 3, kEquipment, kPrimary));
    EXPECT_FALSE(inventory.moveItem(kBag1, 4, kEquipment, kSecondary));

    // A bag never goes into itself, and a bag with items stays put.
    EXPECT_FALSE(inventory.moveItem(kMain, 0, kBag1, 5));
    EXPECT_FALSE(inventory.moveItem(kMain, 0, kMain, 2));
    EXPECT_TRUE(inventory.moveItem(kMain, 1, kMain, 3)); // Bag2 is empty
    EXPECT_EQ(inventory.getSlot(kBag2)->getSize(), 0);
    EXPECT_EQ(inventory.getSlot(toIndex(InventoryGroupIndex::Bag4))->getSize(), 6);
}

TEST_F(InventoryBaseTest, EquipsAtTheFittingPlace)
{
    InventoryBase inventory;
    giveBag(inventory, 0, "TravelPack");
    InventoryGroup* bag = inventory.getSlot(kBag1);
    bag->setItem(0, newItem("CopperRing"));
    bag->setItem(1, newItem("CopperRing"));
    bag->setItem(2, newItem("Buckler"));
    bag->setItem(3, newItem("Greatsword"));
    bag->setItem(4, newItem("MinorHealthPotion"));
    bag->setItem(5, newItem("Dagger"));

    EXPECT_TRUE(inventory.equipItem(kBag1, 0));
    EXPECT_TRUE(inventory.equipItem(kBag1, 1));
    EXPECT_NE(inventory.getItemAt(kEquipment, toIndex(EquipedLocation::Ring1)), nullptr);
    EXPECT_NE(inventory.getItemAt(kEquipment, toIndex(EquipedLocation::Ring2)), nullptr);
    EXPECT_FALSE(inventory.equipItem(kBag1, 4)); // a potion is not equipment
    EXPECT_EQ(inventory.findEquipSlot(*bag->getItem(4)), EquipedLocation::None);

    // A dagger fits either hand: with the main hand taken it goes to the off hand.
    EXPECT_TRUE(inventory.equipItem(kBag1, 2));
    EXPECT_EQ(inventory.findEquipSlot(*bag->getItem(5)), EquipedLocation::HandPrimary);

    // A two-handed weapon sends the shield back to the bags.
    EXPECT_TRUE(inventory.equipItem(kBag1, 3));
    ItemBase* weapon = inventory.getItemAt(kEquipment, kPrimary);
    ASSERT_NE(weapon, nullptr);
    EXPECT_EQ(weapon->getItemType(), ItemType::HandBoth);
    EXPECT_EQ(inventory.getItemAt(kEquipment, kSecondary), nullptr);
    EXPECT_EQ(inventory.countItemsInGroup(kBag1), 3); // potion, dagger, shield
}

TEST_F(InventoryBaseTest, ShrinkingABagGroupKeepsItsItemsWhereTheyFit)
{
    InventoryBase inventory;
    giveBag(inventory, 0, "TravelPack"); // 12 places
    inventory.getSlot(kBag1)->setItem(10, newItem("Dagger"));
    inventory.getSlot(kMain)->setItem(0, newItem("SmallPouch")); // 6 places
    inventory.updateBagGroups();
    EXPECT_EQ(inventory.getSlot(kBag1)->getSize(), 6);
    EXPECT_EQ(inventory.countItemsInGroup(kBag1), 1);
}

TEST_F(InventoryBaseTest, IdentifyAllCostSumsUnidentifiedItemsOutsideLoot)
{
    InventoryBase inventory;
    giveBag(inventory, 0);
    EXPECT_EQ(inventory.getIdentifyAllCost(), 0);

    ItemBase* dagger = newItem("Dagger", 4);
    dagger->addMagicProperty(entry("ModSharp"), 0.5f);
    inventory.getSlot(kBag1)->setItem(0, dagger);
    ItemBase* looted = newItem("Dagger", 7);
    looted->addMagicProperty(entry("ModSharp"), 0.5f);
    inventory.getSlot(kLoot)->setItem(0, looted);
    inventory.getSlot(kBag1)->setItem(1, newItem("Dagger", 9)); // nothing to identify
    EXPECT_EQ(inventory.getIdentifyAllCost(), 10 * 4);

    dagger->setIdentified(true);
    EXPECT_EQ(inventory.getIdentifyAllCost(), 0);
}

TEST_F(InventoryBaseTest, IdentifyCostPerLevelComesFromTheRules)
{
    reloadWithGameSystem("IdentifyCostPerLevel 25");
    InventoryBase inventory;
    giveBag(inventory, 0);
    ItemBase* dagger = newItem("Dagger", 4);
    dagger->addMagicProperty(entry("ModSharp"), 0.5f);
    inventory.getSlot(kBag1)->setItem(0, dagger);
    EXPECT_EQ(inventory.getIdentifyAllCost(), 25 * 4);
}

TEST_F(InventoryBaseTest, CopyFromMakesIndependentCopies)
{
    InventoryBase source;
    giveBag(source, 0);
    ItemBase* potions = newItem("MinorHealthPotion");
    potions->setQuantity(3);
    source.getSlot(kBag1)->setItem(2, potions);

    InventoryBase copy;
    copy.copyFrom(source);
    ItemBase* copied = copy.getItemAt(kBag1, 2);
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, potions);
    EXPECT_EQ(copied->getQuantity(), 3);
    EXPECT_EQ(copied->getGroup(), kBag1);
    potions->setQuantity(1);
    EXPECT_EQ(copied->getQuantity(), 3);
}

TEST_F(InventoryBaseTest, MergingStacksNeverLosesQuantityAboveTheQuantityLimit)
{
    reloadWithExtraItems("HugeStack {\nType Item\nItemType Drink\nMaxStack 5000000\nValue 1\n}\n");
    InventoryBase inventory;
    giveBag(inventory, 0);
    ItemBase* big = newItem("HugeStack");
    ItemBase* small = newItem("HugeStack");
    big->setQuantity(900000);
    small->setQuantity(200000);
    inventory.getSlot(kBag1)->setItem(0, big);
    inventory.getSlot(kBag1)->setItem(1, small);
    EXPECT_TRUE(inventory.moveItem(kBag1, 1, kBag1, 0));
    EXPECT_EQ(big->getQuantity(), ItemBase::kMaxQuantity);
    ASSERT_EQ(inventory.getItemAt(kBag1, 1), small);
    EXPECT_EQ(small->getQuantity(), 100000);

    // Through the add chain: the full stack takes nothing, the rest gets a place.
    ItemBase* more = newItem("HugeStack");
    more->setQuantity(50000);
    EXPECT_EQ(inventory.addItem(more), InventoryBase::kAddStacked);
    delete more;
    EXPECT_EQ(small->getQuantity(), 150000);
}

TEST_F(InventoryBaseTest, RandomMovesAndEquipsNeitherLoseNorDuplicateItems)
{
    InventoryBase inventory;
    giveBag(inventory, 0, "TravelPack");
    giveBag(inventory, 1);
    const char* kinds[] = {
        "Dagger",     "Greatsword", "Buckler",     "ShortBow",          "LeatherCap",
        "CopperRing", "CopperRing", "BoneAmulet",  "FoundersChronicle", "EmberRelic",
        "SmallPouch", "TravelPack", "TravelBread", "MinorHealthPotion", "MinorHealthPotion"};
    for (const char* kind : kinds) {
        ItemBase* item = newItem(kind);
        if (item->isStack())
            item->setQuantity(3);
        ASSERT_EQ(inventory.addItem(item), InventoryBase::kAddPlaced) << kind;
    }
    inventory.getSlot(toIndex(InventoryGroupIndex::Stash))->setItem(0, newItem("SmallPouch"));
    inventory.updateBagGroups();

    // Every item once, in the group it says, and the quantity of each entry.
    auto census = [&inventory] {
        std::map<const DatabaseEntry*, long long> quantities;
        std::set<const ItemBase*> seen;
        for (int g = 0; g < kInventoryGroupCount; ++g) {
            for (int i = 0; i < inventory.getSlot(g)->getSize(); ++i) {
                const ItemBase* item = inventory.getItemAt(g, i);
                if (!item)
                    continue;
                EXPECT_TRUE(seen.insert(item).second);
                EXPECT_EQ(item->getGroup(), g);
                quantities[item->getItemEntry()] += item->getQuantity();
            }
        }
        return quantities;
    };
    const auto before = census();
    LogCapture log;
    std::mt19937 random(20261207);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    // A random group with places (now and then any group), and a place in it
    // or one past its end.
    auto pickPlace = [&](int& group, int& slot) {
        std::vector<int> open;
        for (int g = 0; g < kInventoryGroupCount; ++g)
            if (inventory.getSlot(g)->getSize() > 0)
                open.push_back(g);
        group =
            pick(10) == 0 ? pick(kInventoryGroupCount) : open[static_cast<size_t>(pick(int(open.size())))];
        slot = pick(inventory.getSlot(group)->getSize() + 1);
    };
    int moved = 0;
    for (int step = 0; step < 3000; ++step) {
        int fromGroup = 0, fromSlot = 0, toGroup = 0, toSlot = 0;
        pickPlace(fromGroup, fromSlot);
        pickPlace(toGroup, toSlot);
        if (pick(8) == 0)
            inventory.equipItem(fromGroup, fromSlot);
        else if (inventory.moveItem(fromGroup, fromSlot, toGroup, toSlot))
            ++moved;
        ASSERT_EQ(census(), before) << "step " << step;
    }
    EXPECT_GT(moved, 100);
    EXPECT_EQ(log.count(2) + log.count(3), 0u);
}

// ---- Images -------------------------------------------------------------------

namespace {

class InventoryImageTest : public InventoryBaseTest {
protected:
    // One item of every kind, and something in every group.
    void fillEveryGroup(InventoryBase& inventory)
    {
        const char* kinds[] = {
            "Dagger",     "Greatsword", "ShortBow",          "Buckler",    "LeatherCap",        "ChainShirt",
            "CopperRing", "BoneAmulet", "SilverCharm",       "WardenHelm", "MinorHealthPotion", "TravelBread",
            "Money",      "SmallPouch", "FoundersChronicle", "EmberRelic", "QuestSealedLetter"};
        Random::setState(0, 777);
        for (int g = 0; g < kInventoryGroupCount; ++g) {
            InventoryGroup* group = inventory.getSlot(g);
            if (group->getSize() == 0)
                group->setSize(3);
            ItemBase* item = newItem(kinds[g % (sizeof(kinds) / sizeof(kinds[0]))], 1 + g);
            item->generate(1 + g);
            if (g % 3 == 0 && item->getItemType() != ItemType::Other) {
                item->applyModifierName(entry("ModSharp"));
                item->addMagicProperty(entry("ModSharp"), 0.25f);
                item->applyModifierName(entry("ModOfTheBear"));
                item->addMagicProperty(entry("ModOfTheBear"), 0.75f);
                item->setRarity(ItemRarity::Uncommon);
                item->setBaseEntry(item->getItemEntry());
            }
            if (item->isStack())
                item->setQuantity(3);
            if (item->getEntryType() == 19)
                item->setAmount(4321);
            item->setIdentified(g % 2 == 0);
            item->setLinkedValue(g);
            if (g == kHouse)
                item->setGuardHealth(55);
            group->setItem(group->getSize() - 1, item);
        }
    }

    std::vector<uint8_t> image(const InventoryBase& inventory, bool fileForm)
    {
        ByteBuffer buffer;
        inventory.write(buffer, fileForm);
        return buffer.bytes();
    }
};

} // namespace

TEST_F(InventoryImageTest, NetworkAndFileImagesReadBackEqual)
{
    InventoryBase original;
    fillEveryGroup(original);
    for (bool fileForm : {false, true}) {
        SCOPED_TRACE(fileForm ? "file form" : "network form");
        std::vector<uint8_t> bytes = image(original, fileForm);
        ByteBuffer buffer(bytes);
        InventoryBase copy;
        ASSERT_TRUE(copy.read(buffer, !fileForm, fileForm, 39));
        EXPECT_TRUE(buffer.atEnd());
        EXPECT_EQ(image(copy, fileForm), bytes);

        for (int g = 0; g < kInventoryGroupCount; ++g) {
            ASSERT_EQ(copy.getSlot(g)->getSize(), original.getSlot(g)->getSize()) << g;
            ASSERT_EQ(copy.countItemsInGroup(g), 1) << g;
            const ItemBase* a = original.getItemAt(g, original.getSlot(g)->getSize() - 1);
            const ItemBase* b = copy.getItemAt(g, copy.getSlot(g)->getSize() - 1);
            ASSERT_NE(b, nullptr) << g;
            EXPECT_EQ(b->getItemEntry(), a->getItemEntry()) << g;
            EXPECT_EQ(b->getDisplayName(true), a->getDisplayName(true)) << g;
            EXPECT_EQ(b->getQuantity(), a->getQuantity()) << g;
            EXPECT_EQ(b->getAmount(), a->getAmount()) << g;
            EXPECT_EQ(b->getArmor(), a->getArmor()) << g;
            EXPECT_EQ(b->getMaxDamage(DamageType::Physical), a->getMaxDamage(DamageType::Physical)) << g;
            EXPECT_EQ(b->getStatBonuses(), a->getStatBonuses()) << g;
            EXPECT_EQ(b->getLinkedValue(), g);
            EXPECT_EQ(b->getGroup(), g);
        }
        EXPECT_EQ(copy.getItemAt(kHouse, 7)->getGuardHealth(), 55);
    }
}

TEST_F(InventoryImageTest, TruncatedImagesAreRejectedAndLeaveTheInventoryAlone)
{
    InventoryBase original;
    fillEveryGroup(original);
    std::vector<uint8_t> bytes = image(original, true);

    InventoryBase target;
    giveBag(target, 0);
    ItemBase* kept = newItem("Dagger");
    target.getSlot(kBag1)->setItem(0, kept);
    LogCapture log;
    // Every cut inside the header and the first item, then a spread over the rest.
    std::vector<size_t> cuts;
    for (size_t cut = 0; cut < 160; ++cut)
        cuts.push_back(cut);
    for (size_t cut = 160; cut < bytes.size(); cut += bytes.size() / 50)
        cuts.push_back(cut);
    cuts.push_back(bytes.size() - 1);
    for (size_t cut : cuts) {
        ByteBuffer buffer(bytes.data(), cut);
        ASSERT_FALSE(target.read(buffer, false, true, 39, "chars/test.chr")) << cut;
    }
    EXPECT_TRUE(log.contains("chars/test.chr: inventory image rejected", 3));
    EXPECT_EQ(target.getItemAt(kBag1, 0), kept);
    EXPECT_EQ(target.getSlot(kBag1)->getSize(), 6);
}

TEST_F(InventoryImageTest, CorruptImagesAreRejectedWithAReason)
{
    InventoryBase original;
    giveBag(original, 0);
    ItemBase* dagger = newItem("Dagger", 2);
    dagger->addMagicProperty(entry("ModSharp"), 0.5f);
    original.getSlot(kBag1)->setItem(1, dagger);
    const std::vector<uint8_t> good = image(original, true);

    // Offsets: version 0, group count 4, Main capacity 8, Main count 12, Main
    // place 16, then the pouch image; Bag1's record follows the Equipment one.
    auto patchInt = [](std::vector<uint8_t> bytes, size_t at, int32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<size_t>(i)] =
                static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"version", patchInt(good, 0, 2), "unknown image version 2"},
        {"group count", patchInt(good, 4, 28), "group count 28"},
        {"capacity", patchInt(good, 8, 100000), "capacity 100000 out of range"},
        {"count", patchInt(good, 12, 5), "holds 5 items in 4 places"},
        {"place", patchInt(good, 16, 4), "place 4 out of order or range"},
    };
    std::vector<uint8_t> renamed = good;
    std::string daggerName = "Dagger";
    auto it = std::search(renamed.begin(), renamed.end(), daggerName.begin(), daggerName.end());
    ASSERT_NE(it, renamed.end());
    *it = 'X'; // "Xagger" is no entry
    cases.push_back({"entry", renamed, "unknown item entry"});
    std::vector<uint8_t> modifier = good;
    std::string sharp = "ModSharp";
    it = std::search(modifier.begin(), modifier.end(), sharp.begin(), sharp.end());
    ASSERT_NE(it, modifier.end());
    std::copy(daggerName.begin(), daggerName.end(), it); // "Daggerrp": no entry
    cases.push_back({"modifier", modifier, "unknown magic modifier"});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture log;
        ByteBuffer buffer(c.bytes);
        InventoryBase target;
        EXPECT_FALSE(target.read(buffer, false, true, 39, "Chars/global.sav"));
        EXPECT_TRUE(log.contains(c.reason, 3)) << (log.lines().empty() ? "" : log.lines().back().text);
        EXPECT_EQ(target.countItemsInGroup(kMain), 0);
    }
}

TEST_F(InventoryImageTest, NetworkImagesCarryIdsAndOldFilesAreReadById)
{
    InventoryBase original;
    giveBag(original, 0);
    original.getSlot(kBag1)->setItem(0, newItem("ChainShirt", 3));
    std::vector<uint8_t> network = image(original, false);
    // Ids, not names, travel in messages.
    std::string name = "ChainShirt";
    EXPECT_EQ(std::search(network.begin(), network.end(), name.begin(), name.end()), network.end());

    // A file of data version 37 refers to entries by id, like a message.
    ByteBuffer old(network);
    InventoryBase copy;
    ASSERT_TRUE(copy.read(old, false, true, 37));
    ASSERT_NE(copy.getItemAt(kBag1, 0), nullptr);
    EXPECT_EQ(copy.getItemAt(kBag1, 0)->getItemEntry(), entry("ChainShirt"));
}
