#include "engine/console/CommandSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/ActorFixture.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Sentient.h"
#include "game/world/SpawnSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>
#include <string>

namespace {

// "Name { Key value; Key value }" as the database reads it: one key a line.
std::string entries(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == ';')
            out += '\n';
        else if (c == '{' || c == '}')
            out += std::string("\n") + c + "\n";
        else
            out += c;
    }
    return out;
}

// Levels land on the base (no spreads, nothing above it) and nothing rises
// above Normal unless a test says so.
const char* kSettings =
    "SpawnSystem { MaxNormalItemLevel 50; ItemNormalLevelSpreadMult 1; "
    "ItemCommonLevelSpreadMult 1; ItemRareLevelSpreadMult 1; ItemVeryRareLevelSpreadMult 1 }\n"
    "Money { Type Money; MaxStack 1000000 }\n";

const char* kItems = R"(
Blade { Type Item; SpawnChance 1; MinLevel 1; MaxLevel 105; ModifiersAllowed 1; MagicRequirement Weapon; ModifierLevelRequirement 0.5 }
Plain { Type Item; SpawnChance 1; MinLevel 1; MaxLevel 105; ModifiersAllowed 0 }
Charm { Type Item; SpawnChance 0; AlwaysMagic 1; ModifiersAllowed 1 }
Chart { Type Item; SpawnChance 0; ItemType TreasureMap }
)";

const char* kModifiers = R"(
Keen { Type MagicModifier; Name "Keen"; Prefix 1; SpawnChance 1; ItemLevel 20; MinLevel 7; AvailableAtMaxLevel 1 }
Hot { Type MagicModifier; Name "Hot"; Prefix 1; SpawnChance 1; ItemLevel 1; MagicRequirement MeleeWeapon; AvailableAtMaxLevel 1 }
OfAges { Type MagicModifier; Name "of Ages"; SpawnChance 1; ItemLevel 1; AvailableAtMaxLevel 1 }
)";

class SpawnItemsTest : public ::testing::Test {
protected:
    SpawnItemsTest() { Random::setState(0, 20261207u); }

    void load(const std::string& text)
    {
        database.addSubDatabase("Spawn", "spawns.dbl", entries(kSettings));
        database.addSubDatabase("Test", "test.dbl", entries(text));
        database.resolveBases();
        spawns.load();
        ASSERT_TRUE(spawns.isLoaded());
    }
    std::unique_ptr<Item> make(int base, ItemRarity start, bool money = false, int moneyBonus = 0,
                               const char* specific = nullptr)
    {
        return spawns.createRandomItem(base, 0, 0, 0, 0.0f, 0, money, moneyBonus,
                                       specific ? database.findEntry(specific) : nullptr, start);
    }
    static std::set<std::string> modifiersOf(const Item& item)
    {
        std::set<std::string> names;
        for (const MagicProperty& p : item.getMagicProperties())
            names.insert(p.modifier->getName());
        return names;
    }
    InventoryGroup& lootOf(Entity& e)
    {
        return *e.getInventory()->getSlot(toIndex(InventoryGroupIndex::Loot));
    }

    LogCapture log;
    Random random;
    CommandSystem commands;
    Database database;
    GameData data;
    SpawnSystem spawns;
};

TEST_F(SpawnItemsTest, ExtraCountsFromEvenOddsUpToCertain)
{
    std::set<int> counts;
    for (int i = 0; i < 300; ++i) {
        counts.insert(SpawnSystem::rollExtraCount(1, 3, 0.0f));
        ASSERT_EQ(SpawnSystem::rollExtraCount(1, 3, 100.0f), 3);
    }
    EXPECT_EQ(counts, (std::set<int>{1, 2, 3}));
    EXPECT_EQ(SpawnSystem::rollExtraCount(4, 2, 100.0f), 4);
    EXPECT_EQ(SpawnSystem::rollExtraCount(0, 0, 100.0f), 0);
    for (int i = 0; i < 100; ++i) {
        float v = SpawnSystem::rollModifierValue();
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
    }
}

TEST_F(SpawnItemsTest, ThreeModifiersShowNoNameButKeepEveryProperty)
{
    load(std::string(kItems) + kModifiers);
    // Keen ("ItemLevel" 20) is found from level 20 on.
    for (int i = 0; i < 50; ++i) {
        std::unique_ptr<Item> item = make(30, ItemRarity::Rare);
        ASSERT_NE(item, nullptr);
        if (item->getItemEntry()->getName() != "Blade")
            continue;
        EXPECT_EQ(item->getRarity(), ItemRarity::Rare);
        ASSERT_EQ(item->getMagicProperties().size(), 3u);
        EXPECT_EQ(item->getPrefixCount() + item->getSuffixCount(), 3);
        EXPECT_EQ(item->getPrefixName(), "");
        EXPECT_EQ(item->getSuffixName(), "");
        // After a prefix the next pick is a suffix: both kinds are there.
        // "Hot" needs a melee weapon and never goes on.
        std::set<std::string> names = modifiersOf(*item);
        EXPECT_TRUE(names.count("Keen"));
        EXPECT_TRUE(names.count("OfAges"));
        EXPECT_FALSE(names.count("Hot"));
        // Keen asks for level 7 and, at "ItemLevel" 20 × 0.5, 10.
        EXPECT_EQ(item->getMinLevel(), 10);
        EXPECT_EQ(item->getLevel(), 30);
    }
    // One modifier keeps its name.
    std::unique_ptr<Item> common;
    for (int i = 0; i < 50 && !common; ++i) {
        common = make(30, ItemRarity::Common);
        if (common && common->getItemEntry()->getName() != "Blade")
            common.reset();
    }
    ASSERT_NE(common, nullptr);
    ASSERT_EQ(common->getMagicProperties().size(), 1u);
    EXPECT_NE(common->getPrefixName() + common->getSuffixName(), "");
}

TEST_F(SpawnItemsTest, MagicRollsPickOnceMoreForItemsWithoutModifiers)
{
    load(std::string(kItems) + kModifiers);
    std::map<std::string, int> seen;
    for (int i = 0; i < 400; ++i) {
        std::unique_ptr<Item> item = make(10, ItemRarity::VeryRare);
        ASSERT_NE(item, nullptr);
        const std::string name = item->getItemEntry()->getName();
        ++seen[name];
        if (name == "Plain")
            ASSERT_TRUE(item->getMagicProperties().empty()) << "the second pick stays, modifiers or not";
        else
            ASSERT_FALSE(item->getMagicProperties().empty());
    }
    // Plain comes back only when picked twice: about a quarter.
    EXPECT_GT(seen["Plain"], 60);
    EXPECT_LT(seen["Plain"], 140);
    // A Normal roll keeps whatever it picked.
    int plain = 0;
    for (int i = 0; i < 400; ++i)
        plain += make(10, ItemRarity::Normal)->getItemEntry()->getName() == "Plain";
    EXPECT_GT(plain, 150);
}

TEST_F(SpawnItemsTest, AnAlwaysMagicItemWithoutAModifierIsNotMade)
{
    load(kItems);
    EXPECT_EQ(make(5, ItemRarity::Normal, false, 0, "Charm"), nullptr);
    EXPECT_EQ(make(5, ItemRarity::Uncommon, false, 0, "Charm"), nullptr);
    std::unique_ptr<Item> map = make(12, ItemRarity::Normal, false, 0, "Chart");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->getAmount(), 12) << "a treasure map's amount is its level";
    EXPECT_EQ(map->getLevel(), 12);
}

TEST_F(SpawnItemsTest, MoneyGrowsByItsBonus)
{
    load(kItems);
    GameRules& rules = data.mutableRules();
    rules.moneyChance = 100;
    rules.minMoneyPerLevel = 10.0f;
    rules.maxMoneyPerLevel = 10.0f;
    std::unique_ptr<Item> money = make(10, ItemRarity::Normal, true);
    ASSERT_NE(money, nullptr);
    EXPECT_EQ(money->getItemEntry(), spawns.getMoneyEntry());
    EXPECT_EQ(money->getAmount(), 100);
    money = make(10, ItemRarity::Normal, true, 50);
    EXPECT_EQ(money->getAmount(), 150);
    EXPECT_EQ(money->getQuantity(), 150);
    // A huge bonus saturates rather than overflowing.
    money = make(10, ItemRarity::Normal, true, INT_MAX);
    EXPECT_EQ(money->getAmount(), INT_MAX);
    // A failed money roll still gives an item.
    rules.moneyChance = 0;
    std::unique_ptr<Item> item = make(10, ItemRarity::Normal, true, 50);
    ASSERT_NE(item, nullptr);
    EXPECT_NE(item->getItemEntry(), spawns.getMoneyEntry());
}

TEST_F(SpawnItemsTest, NoChanceDropsOnlyOnADrawOfExactlyZero)
{
    load(kItems);
    Sentient chest;
    for (int i = 0; i < 200; ++i)
        spawns.dropItems(ZonePosition(0, 10.0f, 10.0f), 0.0f, 1, 1, 5, 0.0f, 0, 0, 0.0f, &chest);
    EXPECT_EQ(lootOf(chest).countItems(), 0);
    // The state that makes the next draw 0: x × 569813 + 9116991 = 0.
    uint32_t inverse = Random::kMultiplier;
    for (int i = 0; i < 5; ++i)
        inverse *= 2u - Random::kMultiplier * inverse;
    Random::setState(0, (0u - Random::kIncrement) * inverse);
    spawns.dropItems(ZonePosition(0, 10.0f, 10.0f), 0.0f, 1, 1, 5, 0.0f, 0, 0, 0.0f, &chest);
    EXPECT_EQ(lootOf(chest).countItems(), 1);
}

TEST_F(SpawnItemsTest, LootThatFindsNoRoomIsDeleted)
{
    load("Blade { Type Item; SpawnChance 1; MinLevel 1; MaxLevel 105 }\n");
    Sentient corpse;
    InventoryGroup& loot = lootOf(corpse);
    ASSERT_GT(loot.getSize(), 0);
    const int size = loot.getSize();
    for (int i = 0; i < size - 1; ++i)
        spawns.dropItem(ZonePosition(0, 10.0f, 10.0f), 5, 0, 0, &corpse);
    EXPECT_EQ(loot.countItems(), size - 1);
    // The last place, then nothing more: the rest are deleted (the leak
    // checker of the test build sees any that is not).
    for (int i = 0; i < 5; ++i)
        spawns.dropItem(ZonePosition(0, 10.0f, 10.0f), 5, 0, 0, &corpse);
    EXPECT_EQ(loot.countItems(), size);
    EXPECT_FALSE(loot.hasRoom());

    // Money merges into the stack there even in a full group.
    GameRules& rules = data.mutableRules();
    rules.moneyChance = 100;
    rules.minMoneyPerLevel = 1.0f;
    rules.maxMoneyPerLevel = 1.0f;
    ItemBase* blade = loot.releaseItem(0);
    delete blade;
    spawns.dropItem(ZonePosition(0, 10.0f, 10.0f), 5, 0, 0, &corpse);
    ASSERT_EQ(loot.getItem(0)->getItemEntry(), spawns.getMoneyEntry());
    EXPECT_EQ(loot.getItem(0)->getQuantity(), 5);
    spawns.dropItem(ZonePosition(0, 10.0f, 10.0f), 5, 0, 0, &corpse);
    EXPECT_EQ(loot.getItem(0)->getQuantity(), 10);
    EXPECT_EQ(loot.countItems(), size);
}

TEST_F(SpawnItemsTest, BestItemOfAKindIsTheHighestLevelUpToTheLevel)
{
    load(R"(
BaseDrink { Type Item; BaseOnly 1; SpawnChance 1 }
Water { Base BaseDrink; MinLevel 1; MaxLevel 105 }
Ale { Base BaseDrink; MinLevel 10; MaxLevel 105 }
Cider { Base BaseDrink; MinLevel 10; MaxLevel 105 }
Bread { Type Item; SpawnChance 1; MinLevel 20; MaxLevel 105 }
)");
    const DatabaseEntry* drink = database.findEntry("BaseDrink");
    EXPECT_EQ(spawns.findBestItemOfKind(5, drink), database.findEntry("Water"));
    EXPECT_EQ(spawns.findBestItemOfKind(50, drink), database.findEntry("Ale"))
        << "the earlier of equal levels";
    EXPECT_EQ(spawns.findBestItemOfKind(0, drink), nullptr);
    std::unique_ptr<Item> ale = spawns.createBestItemOfKind(12, drink);
    ASSERT_NE(ale, nullptr);
    EXPECT_EQ(ale->getItemEntry()->getName(), "Ale");
}

// A dead monster's loot on the shipped data, through the Game's hook.
class MonsterLootTest : public ActorFixture {
protected:
    MonsterLootTest()
    {
        spawns.load();
        SpawnSystem::installGameHooks(*world.game);
        world.data->mutableRules().moneyChance = 0;
    }
    SpawnSystem spawns;
};

TEST_F(MonsterLootTest, ABossFillsItsCorpseWithItsRowsItems)
{
    ASSERT_TRUE(spawns.isLoaded());
    const auto& types = world.data->getMonsterTypes();
    ASSERT_FALSE(types.empty());
    Actor* boss = spawn(types.front().get(), 12, 60, 60);
    ASSERT_NE(boss, nullptr);
    boss->setEnhancementRarity(static_cast<int>(MonsterRarity::Boss));
    SpawnSystem::MonsterDrops& row = spawns.mutableMonsterDrops(static_cast<int>(MonsterRarity::Boss));
    row.itemChance = 1.0f;
    row.minItems = 4;
    row.maxItems = 4;
    row.levelIncrease = 6;
    const int level = boss->getStat(toIndex(CharacterStat::Level));
    ASSERT_TRUE(world.game->hooks().dropMonsterLoot);
    world.game->hooks().dropMonsterLoot(boss, 0.0f, 0, 0.0f, 0.0f);
    InventoryGroup& loot = *boss->getInventory()->getSlot(toIndex(InventoryGroupIndex::Loot));
    // Four draws; one of an item that is always magic and takes none of the
    // modifiers drawn for it makes nothing.
    EXPECT_GE(loot.countItems(), 3);
    EXPECT_LE(loot.countItems(), 4);
    const SpawnSystem::Spreads& s = spawns.getSpreads();
    for (int i = 0; i < loot.getSize(); ++i) {
        if (ItemBase* item = loot.getItem(i)) {
            EXPECT_LE(item->getLevel(), level + 6 + s.maxItemDropLevelAboveBase);
            EXPECT_GE(item->getLevel(), 1);
        }
    }
    // With a ground chance of 1 nothing goes into the corpse.
    Actor* other = spawn(types.front().get(), 12, 40, 40);
    ASSERT_NE(other, nullptr);
    other->setEnhancementRarity(static_cast<int>(MonsterRarity::Boss));
    world.game->hooks().dropMonsterLoot(other, 1.0f, 0, 0.0f, 0.0f);
    EXPECT_EQ(other->getInventory()->getSlot(toIndex(InventoryGroupIndex::Loot))->countItems(), 0);
    world.game->clear();
}

TEST_F(MonsterLootTest, UniqueItemsOnTheGroundAreHeard)
{
    // Every step up to Unique is certain, Artifact never.
    for (int r = 1; r <= static_cast<int>(ItemRarity::Unique); ++r)
        spawns.setItemRarityChance(r, 100);
    spawns.setItemRarityChance(static_cast<int>(ItemRarity::Artifact), 0);
    world.game->clearSoundEvents();
    const int before = world.game->getEntityCount();
    spawns.dropItem(nav.tileCentre(0, 50, 50), 20, 0, 0, nullptr);
    ASSERT_EQ(world.game->getEntityCount(), before + 1);
    ASSERT_EQ(world.game->getSoundEvents().size(), 1u);
    const SoundEvent& sound = world.game->getSoundEvents().front();
    EXPECT_EQ(sound.radius, 150.0f);
    auto* ground = dynamic_cast<ItemGround*>(world.game->getEntity(sound.entityNumber));
    ASSERT_NE(ground, nullptr);
    ASSERT_NE(ground->getGroundItem(), nullptr);
    EXPECT_EQ(ground->getGroundItem()->getRarity(), ItemRarity::Unique);
    EXPECT_TRUE(ground->getGroundItem()->getItemEntry()->getName().rfind("Unique", 0) == 0);

    // A plain item lands without a sound.
    for (int r = 1; r < kItemRarityCount; ++r)
        spawns.setItemRarityChance(r, 0);
    world.game->clearSoundEvents();
    spawns.dropItem(nav.tileCentre(0, 40, 50), 20, 0, 0, nullptr);
    EXPECT_EQ(world.game->getEntityCount(), before + 2);
    EXPECT_TRUE(world.game->getSoundEvents().empty());
    world.game->clear();
}

} // namespace
