#include "ItemTestFixture.h"

#include "engine/core/ByteBuffer.h"
#include "game/definitions/GameData.h"
#include "game/definitions/Money.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);

class ItemBaseTest : public ItemDatabaseTest {
protected:
    std::string tooltip(const ItemBase& item, unsigned options, const ItemHolder* owner = nullptr,
                        const ItemBase* compare = nullptr)
    {
        TooltipContext context;
        context.options = options;
        context.compareWith = compare;
        std::string out;
        item.getTooltip(owner, context, out);
        return out;
    }

    static bool has(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }
};

} // namespace

// ---- Entry fields and rarity ------------------------------------------------------

TEST_F(ItemBaseTest, LoadsKindStackAndRarityFromItsEntry)
{
    auto potion = makeItem("MinorHealthPotion");
    EXPECT_EQ(potion->getItemType(), ItemType::Drink);
    EXPECT_EQ(potion->getMaxStack(), 5);
    EXPECT_TRUE(potion->isStack());
    EXPECT_EQ(makeItem("Dagger")->getMaxStack(), 1);
    EXPECT_EQ(makeItem("SmallPouch")->getBagSize(), 6);
    EXPECT_EQ(makeItem("WardenHelm")->getRarity(), ItemRarity::Set);
    EXPECT_EQ(makeItem("Greatsword")->getItemRequirement(), ItemRequirement::WeaponSwordTwoHanded);

    ItemBase cleared;
    EXPECT_EQ(cleared.getItemType(), ItemType::Other);
    potion->clear();
    EXPECT_EQ(potion->getItemEntry(), nullptr);
    EXPECT_EQ(potion->getItemType(), ItemType::Other);
    EXPECT_EQ(potion->getMaxStack(), 1);
}

TEST_F(ItemBaseTest, SetItemsCarryTheirLinksAndBonuses)
{
    // Without the status-effect services a set bonus shows its name.
    ItemBase::setStatusEffectHooks({});
    auto helm = makeItem("WardenHelm", 5);
    EXPECT_EQ(helm->getSetLink(0).set, entry("WardenSet"));
    EXPECT_EQ(helm->getSetLink(0).size, 2);
    EXPECT_EQ(helm->getSetLink(1).set, nullptr);
    EXPECT_EQ(helm->getPartialSetBonus().effect, entry("WardenSetPartial"));
    EXPECT_EQ(helm->getFullSetBonus().effect, entry("WardenSetFull"));
    EXPECT_EQ(helm->getFullSetBonus().itemsNeeded, 2);
    EXPECT_TRUE(has(tooltip(*helm, 0), "\nWith 2 items:\nWarden's Vigil\n"));
}

// ---- Generation --------------------------------------------------------------------

TEST_F(ItemBaseTest, GenerationIsReproducibleForASeed)
{
    auto first = makeItem("QuarterStaff");
    auto second = makeItem("QuarterStaff");
    Random::setState(0, 1234);
    first->generate(5);
    uint32_t after = Random::getState(0);
    Random::setState(0, 1234);
    second->generate(5);
    EXPECT_EQ(first->getRolls(), second->getRolls());
    EXPECT_EQ(first->getStatBonuses(), second->getStatBonuses());
    EXPECT_EQ(first->getMaxDamage(DamageType::Magic), second->getMaxDamage(DamageType::Magic));

    // Only the one varying family (Intelligence 1..3) draws.
    Random::setState(0, 1234);
    float r = randomFloat(0);
    EXPECT_EQ(after, Random::getState(0));
    int expected = static_cast<int>(std::floor(1.0f + r * 2.0f + 0.5f));
    EXPECT_EQ(first->getStatBonus(CharacterStat::Intelligence), expected);
    EXPECT_EQ(first->getLevel(), 5);
}

TEST_F(ItemBaseTest, GenerationScalesWithTheLevelAndDefaultsToTheMinimumLevel)
{
    auto dagger = makeItem("Dagger");
    dagger->generate(11);
    EXPECT_EQ(dagger->getMinDamage(DamageType::Physical), 8);  // 2 + 0.6 × 10
    EXPECT_EQ(dagger->getMaxDamage(DamageType::Physical), 17); // 5 + 1.2 × 10
    EXPECT_EQ(dagger->getMaxDamage(DamageType::Fire), 0);

    auto greatsword = makeItem("Greatsword");
    greatsword->generate(0);
    EXPECT_EQ(greatsword->getLevel(), 3);

    // An armour roll stays within the level-scaled range.
    auto cap = makeItem("LeatherCap");
    for (uint32_t seed : {1u, 99u, 123456u}) {
        Random::setState(0, seed);
        cap->generate(9);
        EXPECT_GE(cap->getArmor(), 6);  // 2 + 0.5 × 8
        EXPECT_LE(cap->getArmor(), 11); // 4 + 0.9 × 8 = 11.2
    }
}

TEST_F(ItemBaseTest, MagicPropertiesAddTheirFamiliesAtTheirValue)
{
    auto dagger = makeItem("Dagger");
    dagger->addMagicProperty(entry("ModSharp"), 0.5f); // +20 % physical
    EXPECT_EQ(dagger->getMinDamage(DamageType::Physical), 2);
    EXPECT_EQ(dagger->getMaxDamage(DamageType::Physical), 6);
    dagger->addMagicProperty(entry("ModBlazing"), 0.0f); // fire 1..4 at half strength
    EXPECT_EQ(dagger->getMinDamage(DamageType::Fire), 1);
    EXPECT_EQ(dagger->getMaxDamage(DamageType::Fire), 2);
    dagger->addMagicProperty(entry("ModOfTheBear"), 1.0f);
    EXPECT_EQ(dagger->getStatBonus(CharacterStat::Strength), 5);
    dagger->addMagicProperty(entry("ModQuick"), 1.0f);
    EXPECT_FLOAT_EQ(dagger->getWeaponSpeedBonus(), 0.15f);
    EXPECT_EQ(dagger->getMagicProperties().size(), 4u);
    dagger->addMagicProperty(nullptr, 0.5f);
    EXPECT_EQ(dagger->getMagicProperties().size(), 4u);
}

TEST_F(ItemBaseTest, AcceptsOnlyItsMagicRequirements)
{
    auto dagger = makeItem("Dagger");
    EXPECT_TRUE(dagger->acceptsMagicRequirement(MagicRequirement::None));
    EXPECT_TRUE(dagger->acceptsMagicRequirement(MagicRequirement::MeleeWeapon));
    EXPECT_FALSE(dagger->acceptsMagicRequirement(MagicRequirement::Armor));
    auto bow = makeItem("ShortBow");
    EXPECT_TRUE(bow->acceptsMagicRequirement(MagicRequirement::RangedWeapon));
    EXPECT_FALSE(bow->acceptsMagicRequirement(MagicRequirement::MeleeWeapon));
}

// ---- Names -------------------------------------------------------------------------

TEST_F(ItemBaseTest, NamesWithTwoAndThreeModifiers)
{
    auto dagger = makeItem("Dagger");
    for (const char* name : {"ModSharp", "ModOfTheBear"}) {
        dagger->applyModifierName(entry(name));
        dagger->addMagicProperty(entry(name), 0.5f);
    }
    dagger->setRarity(ItemRarity::Rare);
    EXPECT_EQ(dagger->getDisplayName(false), "Dagger"); // still unidentified
    dagger->setIdentified(true);
    EXPECT_EQ(dagger->getDisplayName(false), "Sharp Dagger of the Bear");
    EXPECT_EQ(dagger->getDisplayName(true), "^c005Sharp Dagger of the Bear^c145");

    dagger->applyModifierName(entry("ModOfVigor"));
    dagger->addMagicProperty(entry("ModOfVigor"), 0.5f);
    EXPECT_EQ(dagger->getPrefixCount(), 1);
    EXPECT_EQ(dagger->getSuffixCount(), 2);
    // Still identified: the plain name comes from the third modifier, which
    // leaves both names empty.
    EXPECT_FALSE(dagger->needsIdentify());
    EXPECT_EQ(dagger->getPrefixName(), "");
    EXPECT_EQ(dagger->getSuffixName(), "");
    EXPECT_EQ(dagger->getDisplayName(false), "Dagger");
    EXPECT_EQ(dagger->getDisplayName(true), "^c005Dagger^c145");
    EXPECT_EQ(dagger->getMagicProperties().size(), 3u);

    // Two prefixes: the later one is shown.
    auto axe = makeItem("HandAxe");
    axe->applyModifierName(entry("ModSharp"));
    axe->applyModifierName(entry("ModBlazing"));
    EXPECT_EQ(axe->getDisplayName(false), "Blazing Hand Axe");
}

TEST_F(ItemBaseTest, RarityColoursComeFromTheRules)
{
    auto ring = makeItem("CopperRing");
    ring->setRarity(ItemRarity::Unique);
    EXPECT_EQ(ring->getDisplayName(true), "^c061Copper Ring^c145");
    ring.reset();
    reloadWithGameSystem("ItemRarityColorUnique 77");
    EXPECT_EQ(ItemBase::getRarityColor(ItemRarity::Unique), 77);
}

// ---- Value, price, gamble price ---------------------------------------------------------

TEST_F(ItemBaseTest, PricesFollowTheValueRule)
{
    auto dagger = makeItem("Dagger", 3);
    EXPECT_EQ(dagger->getPrice(), 64); // 40 + 12 × 2
    EXPECT_EQ(dagger->getPrice(3), 192);
    EXPECT_EQ(dagger->getPrice(0), 0);

    dagger->setRarity(ItemRarity::Rare);
    dagger->addMagicProperty(entry("ModSharp"), 0.5f); // worth 0.4 × (0.5 + 0.5)
    EXPECT_EQ(dagger->getPrice(), 179);                // floor(64 × 1.4 × 2)
}

TEST_F(ItemBaseTest, RarityValueFactorsComeFromTheRules)
{
    reloadWithGameSystem("ItemRarityValueMultRare 3");
    auto dagger = makeItem("Dagger", 3);
    dagger->setRarity(ItemRarity::Rare);
    dagger->addMagicProperty(entry("ModSharp"), 0.5f);
    EXPECT_EQ(dagger->getPrice(), 268); // floor(64 × 1.4 × 3)
}

TEST_F(ItemBaseTest, SetBonusWorthRaisesTheValue)
{
    auto helm = makeItem("WardenHelm", 5);
    EXPECT_EQ(helm->getPrice(), 880); // (120 + 25 × 4) × Set 4
    ItemStatusEffectHooks hooks;
    hooks.worth = [](const DatabaseEntry*) { return 0.5f; };
    ItemBase::setStatusEffectHooks(hooks);
    helm->updateStackValue();
    EXPECT_EQ(helm->getPrice(), 1760); // × (1 + 0.5 + 0.5)
    ItemBase::setStatusEffectHooks({});
}

TEST_F(ItemBaseTest, MoneyQuestItemsAndStacks)
{
    auto money = makeItem("Money");
    money->setAmount(250);
    EXPECT_EQ(money->getAmount(), 250);
    EXPECT_EQ(money->getQuantity(), 250);
    EXPECT_EQ(money->getPrice(), 250);
    EXPECT_EQ(makeItem("QuestSealedLetter")->getPrice(), 0);

    auto potion = makeItem("MinorHealthPotion");
    EXPECT_EQ(potion->calculateValue(), 12);
    potion->setQuantity(3);
    EXPECT_EQ(potion->getCachedValue(), -1);
    EXPECT_EQ(potion->getPrice(potion->getQuantity()), 36);
}

TEST_F(ItemBaseTest, GamblePriceUsesTheBaseEntryAtTheItemsLevel)
{
    auto dagger = makeItem("Dagger", 3);
    dagger->setRarity(ItemRarity::VeryRare);
    dagger->addMagicProperty(entry("ModSharp"), 0.9f);
    EXPECT_EQ(dagger->getGamblePrice(), 192); // 3 × 64, whatever the magic
    dagger->setBaseEntry(entry("HandAxe"));
    EXPECT_EQ(dagger->getGamblePrice(), 255); // 3 × (55 + 15 × 2)
}

TEST_F(ItemBaseTest, GamblePriceFactorComesFromTheRules)
{
    reloadWithGameSystem("GamblePriceMult 2.5");
    EXPECT_EQ(makeItem("Dagger", 3)->getGamblePrice(), 160);
}

TEST_F(ItemBaseTest, SellValueUsesTheSellFactor)
{
    GameData data;
    data.mutableRules().minSellPercent = 0.25f;
    data.mutableRules().maxSellPercent = 0.75f;
    data.mutableRules().minSellPercentPrice = 80;
    auto dagger = makeItem("Dagger"); // price 40: factor 0.75 − 0.5 × 40 / 80
    EXPECT_EQ(dagger->getSellValue(), 20);
    EXPECT_EQ(dagger->getSellValue(4), 40); // price 160 is past 80: factor 0.25
}

// ---- Use and slots -----------------------------------------------------------------

TEST_F(ItemBaseTest, IdentificationAndUse)
{
    auto dagger = makeItem("Dagger");
    EXPECT_FALSE(dagger->needsIdentify());
    dagger->addMagicProperty(entry("ModSharp"), 0.5f);
    EXPECT_TRUE(dagger->needsIdentify());
    dagger->setIdentified(true);
    EXPECT_FALSE(dagger->needsIdentify());

    auto potion = makeItem("MinorHealthPotion");
    potion->addMagicProperty(entry("ModOfVigor"), 0.5f);
    EXPECT_FALSE(potion->needsIdentify()); // "AlwaysIdentified"

    auto shirt = makeItem("ChainShirt");
    shirt->setGroup(kBag1);
    EXPECT_TRUE(shirt->isEquippableInBag());
    shirt->setGroup(toIndex(InventoryGroupIndex::StashBag8));
    EXPECT_TRUE(shirt->isEquippableInBag());
    shirt->setGroup(toIndex(InventoryGroupIndex::Main));
    EXPECT_FALSE(shirt->isEquippableInBag());
    EXPECT_FALSE(shirt->isUsable());
    shirt->setGroup(toIndex(InventoryGroupIndex::Loot));
    EXPECT_TRUE(shirt->isUsable());

    for (const char* name :
         {"MinorHealthPotion", "TravelBread", "FoundersChronicle", "EmberRelic", "Money"}) {
        auto item = makeItem(name);
        item->setGroup(kBag1);
        EXPECT_FALSE(item->isEquippableInBag()) << name;
    }
    potion->setGroup(kBag1);
    EXPECT_TRUE(potion->isUsable());
    auto relic = makeItem("EmberRelic");
    relic->setGroup(kBag1);
    EXPECT_FALSE(relic->isUsable());
}

TEST_F(ItemBaseTest, DefaultEquipLocations)
{
    EXPECT_EQ(makeItem("Dagger")->getDefaultEquipLocation(), EquipedLocation::HandPrimary);
    EXPECT_EQ(makeItem("Greatsword")->getDefaultEquipLocation(), EquipedLocation::HandPrimary);
    EXPECT_EQ(makeItem("Buckler")->getDefaultEquipLocation(), EquipedLocation::HandSecondary);
    EXPECT_EQ(makeItem("CopperRing")->getDefaultEquipLocation(), EquipedLocation::Ring1);
    EXPECT_EQ(makeItem("SilverCharm")->getDefaultEquipLocation(), EquipedLocation::Jewelry1);
    EXPECT_EQ(makeItem("BoneAmulet")->getDefaultEquipLocation(), EquipedLocation::Neck);
    EXPECT_EQ(makeItem("ShortBow")->getDefaultEquipLocation(), EquipedLocation::Ranged);
    EXPECT_EQ(makeItem("LeatherBoots")->getDefaultEquipLocation(), EquipedLocation::Feet);
    EXPECT_EQ(makeItem("MinorHealthPotion")->getDefaultEquipLocation(), EquipedLocation::None);
    EXPECT_EQ(makeItem("SmallPouch")->getDefaultEquipLocation(), EquipedLocation::None);
}

TEST_F(ItemBaseTest, SlotTypesTakeTheirItemTypes)
{
    struct Case {
        const char* item;
        ItemSlotType slot;
        bool fits;
    };
    const Case cases[] = {
        {"LeatherCap", ItemSlotType::Head, true},
        {"Dagger", ItemSlotType::Head, false},
        {"CopperRing", ItemSlotType::Ring, true},
        {"SilverCharm", ItemSlotType::Jewelry, true},
        {"Dagger", ItemSlotType::HandPrimary, true},
        {"Greatsword", ItemSlotType::HandPrimary, true},
        {"HandAxe", ItemSlotType::HandPrimary, true},
        {"Buckler", ItemSlotType::HandPrimary, false},
        {"Buckler", ItemSlotType::HandSecondary, true},
        {"Dagger", ItemSlotType::HandSecondary, true},
        {"Greatsword", ItemSlotType::HandSecondary, false},
        {"HandAxe", ItemSlotType::HandSecondary, false},
        {"ShortBow", ItemSlotType::Ranged, true},
        {"SmallPouch", ItemSlotType::Bag, true},
        {"FoundersChronicle", ItemSlotType::Tome, true},
        {"EmberRelic", ItemSlotType::Relic, true},
        {"EmberRelic", ItemSlotType::Guard, false},
        {"MinorHealthPotion", ItemSlotType::General, true},
        {"MinorHealthPotion", ItemSlotType::None, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(makeItem(c.item)->fitsSlotType(c.slot), c.fits)
            << c.item << " in slot type " << toIndex(c.slot);
}

TEST_F(ItemBaseTest, CanPlaceInSlotAsksTheOwner)
{
    auto greatsword = makeItem("Greatsword"); // needs level 3
    FakeHolder owner;
    const int equipment = toIndex(InventoryGroupIndex::Equipment);
    const int hand = toIndex(EquipedLocation::HandPrimary);
    EXPECT_TRUE(greatsword->canPlaceInSlot(nullptr, 0, 0, ItemSlotType::General));
    EXPECT_FALSE(greatsword->canPlaceInSlot(nullptr, equipment, hand, ItemSlotType::HandPrimary));
    EXPECT_TRUE(greatsword->canPlaceInSlot(&owner, equipment, hand, ItemSlotType::HandPrimary));
    EXPECT_FALSE(greatsword->canPlaceInSlot(&owner, equipment, hand, ItemSlotType::HandSecondary));
    owner.level = 2;
    EXPECT_FALSE(greatsword->canPlaceInSlot(&owner, equipment, hand, ItemSlotType::HandPrimary));
    owner.level = 10;
    owner.meets = false;
    EXPECT_FALSE(greatsword->canPlaceInSlot(&owner, equipment, hand, ItemSlotType::HandPrimary));
    owner.meets = true;
    owner.allows = false;
    EXPECT_FALSE(greatsword->canPlaceInSlot(&owner, equipment, hand, ItemSlotType::HandPrimary));
    owner.allows = true;

    // Any item may be dropped on a bag place that holds a bag.
    InventoryBase inventory;
    inventory.getSlot(0)->setItem(0, newItem("SmallPouch"));
    owner.inventory = &inventory;
    EXPECT_TRUE(greatsword->canPlaceInSlot(&owner, 0, 0, ItemSlotType::Bag));
    EXPECT_FALSE(greatsword->canPlaceInSlot(&owner, 0, 1, ItemSlotType::Bag));
    EXPECT_FALSE(makeItem("TravelPack")->canPlaceInSlot(&owner, 0, 0, ItemSlotType::Head));
}

// ---- Tooltips ----------------------------------------------------------------------

TEST_F(ItemBaseTest, FullTooltipOfAnUnidentifiedWeapon)
{
    auto dagger = makeItem("Dagger", 2);
    dagger->applyModifierName(entry("ModOfTheBear"));
    dagger->addMagicProperty(entry("ModOfTheBear"), 1.0f);
    dagger->setGroup(kBag1);
    std::string text = tooltip(*dagger, 0);
    EXPECT_EQ(text.rfind(dagger->getDisplayName(true) + "\n", 0), 0u) << text;
    EXPECT_TRUE(has(text, "Unidentified"));
    EXPECT_TRUE(has(text, "3 - 6 damage\n"));
    EXPECT_TRUE(has(text, "Speed: 1.0\n"));
    EXPECT_FALSE(has(text, "$$Strength$$")); // hidden until identified
    EXPECT_TRUE(has(text, "\nRight click to identify"));
    EXPECT_FALSE(has(text, "Sell value"));

    dagger->setIdentified(true);
    text = tooltip(*dagger, 0);
    EXPECT_TRUE(has(text, "+5 $$Strength$$\n"));
    EXPECT_TRUE(has(text, "\nRight click to equip"));

    // A guard contract is no gear: it says where it goes.
    auto guard = makeItem("GuardGoblinWarrior");
    guard->setGroup(kBag1);
    text = tooltip(*guard, 0);
    EXPECT_FALSE(has(text, "Right click to equip")) << text;
    EXPECT_TRUE(has(text, "\nGoes into a guard place at your house's pedestal")) << text;
}

TEST_F(ItemBaseTest, DescriptionOnlyTooltipHasNoHintsButASellValue)
{
    for (const char* name :
         {"Dagger", "MinorHealthPotion", "ChainShirt", "FoundersChronicle", "SmallPouch"}) {
        auto item = makeItem(name);
        item->setGroup(kBag1);
        std::string full = tooltip(*item, 0);
        std::string description = tooltip(*item, TooltipDescriptionOnly);
        EXPECT_TRUE(has(full, "\nRight click to")) << name;
        EXPECT_FALSE(has(description, "Right click")) << name;
        EXPECT_TRUE(has(description, "\nSell value: " + formatMoney(item->getSellValue()))) << name;
        // The loot hint goes too.
        EXPECT_TRUE(has(tooltip(*item, TooltipInLoot), "\nRight click to loot")) << name;
        EXPECT_FALSE(has(tooltip(*item, TooltipInLoot | TooltipDescriptionOnly), "Right click")) << name;
    }
    auto potion = makeItem("MinorHealthPotion");
    potion->setGroup(kBag1);
    std::string text = tooltip(*potion, 0);
    EXPECT_TRUE(has(text, "Quantity: 1\n"));
    EXPECT_TRUE(has(text, "Heals 30 - 45\n"));
    EXPECT_TRUE(has(text, "\nRight click to use"));
    auto tome = makeItem("FoundersChronicle");
    tome->setGroup(kBag1);
    EXPECT_TRUE(has(tooltip(*tome, 0), "An old account of the first covenants.\n\nRight click to read"));
}

TEST_F(ItemBaseTest, VendorGambleAndRequirementLines)
{
    auto dagger = makeItem("Dagger", 3);
    dagger->applyModifierName(entry("ModSharp"));
    dagger->addMagicProperty(entry("ModSharp"), 0.5f);
    dagger->setIdentified(true);
    dagger->setRarity(ItemRarity::Rare);

    std::string stock = tooltip(*dagger, TooltipVendorStock | TooltipAtVendor);
    EXPECT_TRUE(has(stock, "\nRight click to buy"));
    EXPECT_TRUE(has(stock, "\nPrice: " + formatMoney(179)));

    std::string gamble = tooltip(*dagger, TooltipVendorStock | TooltipGambleHidden);
    EXPECT_EQ(gamble.rfind("^c145Dagger^c145\n", 0), 0u) << gamble;
    EXPECT_TRUE(has(gamble, "\nPrice: " + formatMoney(192)));

    std::string foreign = tooltip(*dagger, TooltipForeignOwner);
    EXPECT_FALSE(has(foreign, "Right click"));

    // A guard contract is paid for in the covenant's crystals, not in money.
    auto contract = makeItem("GuardContract");
    EXPECT_TRUE(has(tooltip(*contract, TooltipVendorStock), "\nPrice: 10 crystals"))
        << tooltip(*contract, TooltipVendorStock);
    EXPECT_TRUE(has(tooltip(*contract, TooltipAtVendor),
                    "\nSell value: " + formatCrystals(contract->getSellValue(1))));
    EXPECT_FALSE(has(tooltip(*contract, TooltipVendorStock), "CP"));

    FakeHolder owner;
    owner.level = 2;
    owner.meets = false;
    std::string text = tooltip(*makeItem("Greatsword"), 0, &owner);
    EXPECT_TRUE(has(text, "^c001Requires level 3^c145\n"));
    EXPECT_TRUE(has(text, "^c001Requires $$WeaponSwordTwoHanded$$^c145\n"));
    owner.level = 3;
    owner.meets = true;
    text = tooltip(*makeItem("Greatsword"), 0, &owner);
    EXPECT_TRUE(has(text, "\nRequires level 3\n"));

    // Power goes by the name the holder's class gives it, as its skills say.
    owner.powerName = "Mana";
    auto robe = makeItem("LinenRobe");
    robe->setIdentified(true);
    EXPECT_TRUE(has(tooltip(*robe, 0, &owner), " Maximum Mana\n")) << tooltip(*robe, 0, &owner);
    EXPECT_TRUE(has(tooltip(*makeItem("MinorPowerPotion"), 0, &owner), "Restores 20 - 30 mana\n"));
    EXPECT_TRUE(has(tooltip(*makeItem("MinorPowerPotion"), 0), "Restores 20 - 30 power\n"));
}

// The comparison with what is worn follows the tooltip after one blank line,
// never run into its last line, and adds nothing when either part is empty.
TEST(ItemTooltipPartsTest, AFurtherPartFollowsAfterABlankLine)
{
    struct Case {
        std::string tooltip;
        std::string part;
        std::string joined;
    };
    const Case cases[] = {
        {"Dagger\nRight click to equip\n", "Currently equipped\n",
         "Dagger\nRight click to equip\n\nCurrently equipped\n"},
        {"Price: 10CP", "Currently in guard slot 1", "Price: 10CP\n\nCurrently in guard slot 1"},
        {"Dagger\n\n\n", "Worn", "Dagger\n\nWorn"},
        {"Dagger\n", "", "Dagger\n"},
        {"", "Currently equipped", "Currently equipped"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        std::string text = c.tooltip;
        ItemBase::appendTooltipPart(text, c.part);
        EXPECT_EQ(text, c.joined) << c.tooltip << " + " << c.part;
    }
}

TEST_F(ItemBaseTest, ComparisonShowsDifferences)
{
    auto mine = makeItem("Dagger");          // 2 - 5
    auto theirs = makeItem("Greatsword", 3); // 10 - 21
    std::string text = tooltip(*theirs, TooltipShowComparison, nullptr, mine.get());
    EXPECT_TRUE(has(text, "damage (+16)\n")) << text;
    EXPECT_FALSE(has(tooltip(*theirs, 0, nullptr, mine.get()), "(+"));
}

// ---- Hostile entry values and images -------------------------------------------------

namespace {

// Entries whose values go past what an item or its image may hold.
std::string hostileItems()
{
    return "HugeStack {\nType Item\nItemType Drink\nMaxStack 5000000\nValue 1\n}\n"
           "StackedBag {\nType Item\nItemType Bag\nBagSize 4\nMaxStack 5\n}\n"
           "LowItem {\nType Item\nItemType Head\nMinLevel -3\n}\n"
           "HighItem {\nType Item\nItemType Head\nMinLevel 5000\nMinStrength 2000000000\n"
           "MaxStrength 2000000000\n}\n"
           "BigPile {\nType Money\nAmount 5000000\n}\n"
           "DebtPile {\nType Money\nAmount -40\n}\n"
           "ModLong {\nType MagicModifier\nPrefix 1\nMinStrength 2000000000\nMaxStrength 2000000000\nName " +
           std::string(300, 'x') + "\n}\n";
}

// The item read back from its own image, or null with the reason logged.
std::unique_ptr<ItemBase> readBack(const ItemBase& item, bool fileForm)
{
    ByteBuffer buffer;
    item.writeImage(buffer, fileForm);
    ByteBuffer input(buffer.bytes());
    auto copy = std::make_unique<ItemBase>();
    std::string error;
    if (!copy->readImage(input, fileForm, 39, error)) {
        ADD_FAILURE() << item.getEntryName() << ": " << error;
        return nullptr;
    }
    ByteBuffer again;
    copy->writeImage(again, fileForm);
    EXPECT_EQ(again.bytes(), buffer.bytes()) << item.getEntryName();
    return copy;
}

} // namespace

TEST_F(ItemBaseTest, HostileEntryValuesAreClampedToWhatAnImageCarries)
{
    m_database.reset();
    loadDatabase("IdentifyCostPerLevel 2000000000", hostileItems());

    EXPECT_EQ(makeItem("HugeStack")->getMaxStack(), ItemBase::kMaxQuantity);
    EXPECT_FALSE(makeItem("StackedBag")->isStack());
    EXPECT_EQ(makeItem("LowItem")->getMinLevel(), 0);
    auto high = makeItem("HighItem");
    high->generate(); // at the entry's level, as far as items go
    EXPECT_EQ(high->getMinLevel(), ItemBase::kMaxItemLevel);
    EXPECT_EQ(high->getLevel(), ItemBase::kMaxItemLevel);
    auto bigPile = makeItem("BigPile");
    EXPECT_EQ(bigPile->getAmount(), 5000000);
    EXPECT_EQ(bigPile->getQuantity(), ItemBase::kMaxQuantity);
    auto debt = makeItem("DebtPile");
    EXPECT_EQ(debt->getAmount(), 0);
    EXPECT_EQ(debt->getPrice(), 0);
    debt->setAmount(-7);
    EXPECT_EQ(debt->getAmount(), 0);

    // Many modifiers: counts stop at the image limit, names are cut, sums saturate.
    for (int i = 0; i < 70; ++i)
        high->applyModifierName(entry("ModLong"));
    high->addMagicProperty(entry("ModLong"), 0.5f);
    high->addMagicProperty(entry("ModLong"), std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(high->getPrefixCount(), ItemBase::kMaxMagicProperties);
    EXPECT_EQ(high->getMagicProperties().back().value, 0.0f);
    EXPECT_EQ(high->getStatBonus(CharacterStat::Strength), INT_MAX);
    EXPECT_EQ(high->getIdentifyCost(), INT_MAX);
    high->setMinLevel(-1);
    EXPECT_EQ(high->getMinLevel(), 0);
    high->setMinLevel(ItemBase::kMaxItemLevel);
    high->setRarity(ItemRarity::Rare);
    ItemBase named;
    named.applyModifierName(entry("ModLong"));
    EXPECT_EQ(named.getPrefixName().size(), 256u);

    // Whatever the entries said, every item's image reads back.
    for (bool fileForm : {false, true}) {
        SCOPED_TRACE(fileForm ? "file form" : "network form");
        for (const char* name : {"HugeStack", "LowItem", "BigPile", "DebtPile"})
            readBack(*makeItem(name), fileForm);
        auto copy = readBack(*high, fileForm);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->getMinLevel(), ItemBase::kMaxItemLevel);
        EXPECT_EQ(copy->getStatBonus(CharacterStat::Strength), INT_MAX);
    }
}

TEST_F(ItemBaseTest, ImagesWithANegativeAmountAreRefused)
{
    auto dagger = makeItem("Dagger");
    dagger->setAmount(4321);
    ByteBuffer buffer;
    dagger->writeImage(buffer, true);
    std::vector<uint8_t> bytes = buffer.bytes();
    const uint8_t amount[] = {0xE1, 0x10, 0x00, 0x00};
    auto at = std::search(bytes.begin(), bytes.end(), std::begin(amount), std::end(amount));
    ASSERT_NE(at, bytes.end());
    std::fill(at, at + 4, uint8_t{0xFF}); // -1

    ByteBuffer input(bytes);
    ItemBase copy;
    std::string error;
    EXPECT_FALSE(copy.readImage(input, true, 39, error));
    EXPECT_EQ(error, "negative amount");
}

// ---- Shipped data --------------------------------------------------------------------

namespace {

class ShippedItemsTest : public ItemDatabaseTest {
protected:
    std::vector<const DatabaseEntry*> entriesOfType(int type)
    {
        std::vector<const DatabaseEntry*> out;
        for (const DatabaseEntry* e = m_database->findFirstEntryOfType(type); e;
             e = m_database->findNextEntryOfType(e))
            out.push_back(e);
        return out;
    }
};

} // namespace

TEST_F(ShippedItemsTest, EveryItemAndModifierLoadsWithoutWarnings)
{
    LogCapture log;
    int count = 0;
    for (int type : {1, 19, 22}) {
        for (const DatabaseEntry* e : entriesOfType(type)) {
            ItemBase item;
            item.setItemEntry(e);
            item.generate(10);
            for (const DatabaseEntry* modifier : entriesOfType(2)) {
                EXPECT_FALSE(m_database->getString(modifier, "Name").empty()) << modifier->getName();
                item.acceptsMagicRequirement(
                    parseMagicRequirement(m_database->getString(modifier, "MagicRequirement")));
            }
            std::string text;
            item.getTooltip(nullptr, {}, text);
            EXPECT_FALSE(item.getName().empty()) << e->getName();
            ++count;
        }
    }
    EXPECT_GT(count, 30);
    EXPECT_EQ(log.count(2) + log.count(3), 0u) << (log.lines().empty() ? "" : log.lines().front().text);
}

TEST_F(ShippedItemsTest, ThereIsAnItemForEveryEquipmentPlaceAndKind)
{
    std::vector<std::unique_ptr<ItemBase>> items;
    for (const DatabaseEntry* e : entriesOfType(1)) {
        items.push_back(std::make_unique<ItemBase>());
        items.back()->setItemEntry(e);
    }
    auto any = [&](auto test) {
        return std::any_of(items.begin(), items.end(), [&](const auto& item) { return test(*item); });
    };
    for (int location = 0; location < toIndex(EquipedLocation::None); ++location) {
        if (location == toIndex(EquipedLocation::Ring2) || location == toIndex(EquipedLocation::Jewelry2))
            continue;
        EXPECT_TRUE(any([&](const ItemBase& i) { return toIndex(i.getDefaultEquipLocation()) == location; }))
            << getEquipedLocationName(location);
    }
    for (ItemRequirement weapon :
         {ItemRequirement::WeaponDagger, ItemRequirement::WeaponAxe, ItemRequirement::WeaponSword,
          ItemRequirement::WeaponSwordTwoHanded, ItemRequirement::WeaponMace, ItemRequirement::WeaponStaff,
          ItemRequirement::Shield})
        EXPECT_TRUE(any([&](const ItemBase& i) { return i.getItemRequirement() == weapon; }))
            << toIndex(weapon);
    for (ItemType type : {ItemType::Bag, ItemType::Tome, ItemType::Relic, ItemType::Drink, ItemType::Food})
        EXPECT_TRUE(any([&](const ItemBase& i) { return i.getItemType() == type; }))
            << getItemTypeName(toIndex(type));
    EXPECT_TRUE(any([](const ItemBase& i) { return i.getItemType() == ItemType::Drink && i.isStack(); }));
    EXPECT_FALSE(entriesOfType(19).empty());
    EXPECT_FALSE(entriesOfType(22).empty());
    EXPECT_GE(entriesOfType(2).size(), 6u);

    // The set: as many items as its size says, each granting its bonuses.
    int setItems = 0;
    for (const auto& item : items) {
        if (item->getSetLink(0).set != entry("WardenSet"))
            continue;
        ++setItems;
        EXPECT_EQ(item->getSetLink(0).size, 2);
        EXPECT_NE(item->getPartialSetBonus().effect, nullptr);
        EXPECT_NE(item->getFullSetBonus().effect, nullptr);
    }
    EXPECT_EQ(setItems, 2);
}
