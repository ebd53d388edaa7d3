#include "game/entities/Item.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/entities/Inventory.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Sentient.h"
#include "game/skills/SkillLoaders.h"
#include "support/RecordingEntityServices.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);

// A sentient whose item timer can be held.
class Holder : public Sentient {
public:
    bool isItemTimerReady(const ItemBase*) const override { return timerReady; }
    void sendItemTimer(const ItemBase*) override { ++timersStarted; }
    void sendMessage(int type, const std::string& text) override { messages.push_back(text); }
    bool timerReady = true;
    int timersStarted = 0;
    std::vector<std::string> messages;
};

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

class ItemTest : public ::testing::Test {
protected:
    ItemTest()
    {
        holder.setCharacterClass(toIndex(CharacterClassType::Warrior));
        holder.setStat(toIndex(CharacterStat::BaseVitality), 30);
        holder.updateStats(true);
        holder.getInventory()->getOwnGroup(kBag1)->setSize(8);
    }

    Item* make(const char* entry, int quantity = 1)
    {
        auto* item = dynamic_cast<Item*>(holder.getInventory()->createItem());
        item->setItemEntry(DefinitionReader::findEntry(entry));
        item->generate(1);
        item->setQuantity(quantity);
        return item;
    }

    Loaders loaders;
    TestWorld world;
    RecordingEntityServices services;
    Holder holder;
};

TEST_F(ItemTest, InventoryMakesItemsAndRefusesUnknownGroups)
{
    Inventory* inventory = dynamic_cast<Inventory*>(holder.getInventory());
    ASSERT_NE(inventory, nullptr);
    EXPECT_EQ(inventory->getSlot(27), nullptr);
    EXPECT_EQ(inventory->getSentient(), &holder);
    std::unique_ptr<ItemBase> made(inventory->createItem());
    EXPECT_NE(dynamic_cast<Item*>(made.get()), nullptr);
}

TEST_F(ItemTest, PotionStackShrinksAndASingleOneIsUsedUp)
{
    Inventory* inventory = dynamic_cast<Inventory*>(holder.getInventory());
    holder.setHealth(10);
    InventoryGroup* bag = inventory->getOwnGroup(kBag1);
    bag->setItem(0, make("MinorHealthPotion", 3));
    inventory->removeUsedItem(kBag1, 0, &holder);
    ASSERT_NE(bag->getItem(0), nullptr);
    EXPECT_EQ(bag->getItem(0)->getQuantity(), 2);
    EXPECT_GE(holder.getHealth(), 40);
    EXPECT_LE(holder.getHealth(), 55);

    bag->setItem(1, make("MinorHealthPotion", 1));
    inventory->removeUsedItem(kBag1, 1, &holder);
    EXPECT_EQ(bag->getItem(1), nullptr); // freed: the sanitizer build sees no leak
    EXPECT_EQ(holder.timersStarted, 2);

    holder.timerReady = false;
    holder.setHealth(10);
    inventory->removeUsedItem(kBag1, 0, &holder);
    EXPECT_EQ(bag->getItem(0)->getQuantity(), 2);
    EXPECT_EQ(holder.getHealth(), 10);
}

TEST_F(ItemTest, DropFailuresLeaveTheItemWithTheCaller)
{
    std::unique_ptr<Item> item(make("MinorHealthPotion"));
    ZonePosition here(0, 100.0f, 100.0f);
    // Every ring taken.
    EntityServiceHooks hooks = EntityServices::hooks();
    hooks.findFreeSpotOnRing = [](const ZonePosition&, int, ZonePosition&, Entity*, bool) { return false; };
    EntityServices::setHooks(hooks);
    EXPECT_EQ(dropItemOnGround(item.get(), false, false, here), nullptr);
    EXPECT_EQ(item->getOwner(), nullptr);

    // A full entity table.
    hooks.findFreeSpotOnRing = [](const ZonePosition& c, int, ZonePosition& out, Entity*, bool) {
        out = c;
        return true;
    };
    EntityServices::setHooks(hooks);
    std::vector<Entity*> fillers;
    while (world.game->getEntityCount() < Game::kMaxEntities) {
        auto* e = new Entity();
        if (world.game->addEntity(e) < 0) {
            delete e;
            break;
        }
    }
    EXPECT_EQ(dropItemOnGround(item.get(), false, false, here), nullptr);
    EXPECT_EQ(item->getOwner(), nullptr);
    world.game->clear();
}

TEST_F(ItemTest, GroundItemOfUncommonRarityGoesAfter180Seconds)
{
    EntityServiceHooks hooks = EntityServices::hooks();
    hooks.findFreeSpotOnRing = [](const ZonePosition& c, int, ZonePosition& out, Entity*, bool) {
        out = c;
        return true;
    };
    EntityServices::setHooks(hooks);
    Item* item = make("MinorHealthPotion");
    item->setRarity(ItemRarity::Uncommon);
    ItemGround* ground = dropItemOnGround(item, false, false, ZonePosition(0, 50.0f, 50.0f));
    ASSERT_NE(ground, nullptr);
    EXPECT_EQ(ground->getGroundItem(), item);
    EXPECT_EQ(item->getOwner(), ground);
    ByteBuffer snapshot;
    ground->writeSnapshot(snapshot);
    EXPECT_EQ(snapshot.size(), 4u);
    int number = ground->getEntityNumber();
    for (int step = 0; step < 3590; ++step)
        world.game->update(0.05f);
    EXPECT_EQ(world.game->getEntity(number), ground);
    for (int step = 0; step < 20; ++step)
        world.game->update(0.05f);
    EXPECT_EQ(world.game->getEntity(number), nullptr);
}

// ---- Actions ------------------------------------------------------------------------

TEST_F(ItemTest, WindupsAndTimerLines)
{
    world.game->addEntity(&holder);
    const auto& lines = world.server->getQueuedCommands();
    size_t before = lines.size();
    EXPECT_TRUE(holder.startSkillWindup(3, 1.5f, nullptr, true, 0));
    EXPECT_FALSE(holder.startSkillWindup(3, 1.5f, nullptr, true, 0));
    EXPECT_TRUE(holder.startSkillWindup(4, 2.0f, nullptr, true, 0));
    int n = holder.getEntityNumber();
    ASSERT_EQ(lines.size(), before + 3);
    EXPECT_EQ(lines[before], formatString("timer %d %f %d", n, 1.5, 1));
    EXPECT_EQ(lines[before + 1], formatString("timer %d %f %d", n, 0.0, 0));
    EXPECT_EQ(lines[before + 2], formatString("timer %d %f %d", n, 2.0, 1));
    holder.cancelTimedActions();
    world.game->removeEntity(&holder);
}

// Counts its uses.
class Usable : public Entity {
public:
    void use(Entity* user) override { ++uses; }
    int uses = 0;
};

TEST_F(ItemTest, UseEntityByNumberTakesTableNumbersOnly)
{
    auto* usable = new Usable();
    int number = world.game->addEntity(usable);
    ASSERT_GE(number, 0);
    holder.useEntityByNumber(-1);
    holder.useEntityByNumber(number + Game::kMaxEntities);
    EXPECT_EQ(usable->uses, 0);
    holder.useEntityByNumber(number);
    EXPECT_EQ(usable->uses, 1);
}

TEST_F(ItemTest, SnapshotAndAttackAnimationFollowTheEquipment)
{
    EXPECT_EQ(holder.getAttackAnimation(), "attack");
    Item* sword = make("ShortSword");
    int id = sword->getItemEntry()->getId();
    holder.getInventory()->getOwnGroup(kEquipment)->setItem(toIndex(EquipedLocation::HandPrimary), sword);
    EXPECT_EQ(holder.getAttackAnimation(), "attackOneHand");
    ByteBuffer out;
    holder.writeSnapshot(out);
    ASSERT_EQ(out.size(), 40u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(out.readInt(), i == 8 ? id : -1) << i;
    holder.getInventory()
        ->getOwnGroup(kEquipment)
        ->setItem(toIndex(EquipedLocation::HandSecondary), make("Buckler"));
    EXPECT_EQ(holder.getAttackAnimation(), "attackOneHandWithShield");
}

TEST_F(ItemTest, DroppingFromLootAndAFailedDrop)
{
    InventoryGroup* loot = holder.getInventory()->getOwnGroup(toIndex(InventoryGroupIndex::Loot));
    loot->setSize(4);
    Item* potion = make("MinorHealthPotion");
    loot->setItem(0, potion);
    // No free spot: the item stays.
    EXPECT_FALSE(holder.dropItem(toIndex(InventoryGroupIndex::Loot), 0, &holder));
    EXPECT_EQ(loot->getItem(0), potion);
    EntityServiceHooks hooks = EntityServices::hooks();
    hooks.findFreeSpotOnRing = [](const ZonePosition& c, int, ZonePosition& out, Entity*, bool) {
        out = c;
        return true;
    };
    EntityServices::setHooks(hooks);
    holder.setPosition(ZonePosition(0, 10.0f, 10.0f));
    EXPECT_TRUE(holder.dropItem(toIndex(InventoryGroupIndex::Loot), 0, &holder));
    EXPECT_EQ(loot->getItem(0), nullptr);
    EXPECT_EQ(potion->getOwner() != nullptr, true);
}

// ---- Starting equipment ------------------------------------------------------------------

TEST_F(ItemTest, StartingEquipmentSuitsTheClass)
{
    for (int round = 0; round < 8; ++round) {
        Sentient rogue;
        rogue.setCharacterClass(toIndex(CharacterClassType::Rogue));
        rogue.giveStartingEquipment();
        const ItemBase* chest = rogue.getItem(kEquipment, toIndex(EquipedLocation::Chest));
        ASSERT_NE(chest, nullptr);
        EXPECT_EQ(chest->getItemEntry()->getName(), "BaseChestLeather");
        const ItemBase* weapon = rogue.getItem(kEquipment, toIndex(EquipedLocation::HandPrimary));
        ASSERT_NE(weapon, nullptr);
        std::string name = weapon->getItemEntry()->getName();
        EXPECT_TRUE(name == "BaseDagger" || name == "BaseSword") << name;
        EXPECT_EQ(rogue.getItem(kEquipment, toIndex(EquipedLocation::HandSecondary)), nullptr);
    }
    Sentient mage;
    mage.setCharacterClass(toIndex(CharacterClassType::Mage));
    mage.giveStartingEquipment();
    ASSERT_NE(mage.getItem(kEquipment, toIndex(EquipedLocation::Chest)), nullptr);
    EXPECT_EQ(mage.getItem(kEquipment, toIndex(EquipedLocation::Chest))->getItemEntry()->getName(),
              "BaseChestCloth");
    ASSERT_NE(mage.getItem(kEquipment, toIndex(EquipedLocation::HandPrimary)), nullptr);
    EXPECT_EQ(mage.getItem(kEquipment, toIndex(EquipedLocation::HandPrimary))->getItemEntry()->getName(),
              "BaseStaff");
}

TEST_F(ItemTest, GivenItemNeverThrowsAwayTheOneItWouldDisplace)
{
    // Without room in the bags, the chest already worn stays and the new one
    // is not given; with room, the worn one moves to the bags.
    Sentient wearer;
    wearer.setCharacterClass(toIndex(CharacterClassType::Rogue));
    ASSERT_TRUE(wearer.giveItem("BaseChestLeather", false));
    const ItemBase* worn = wearer.getItem(kEquipment, toIndex(EquipedLocation::Chest));
    ASSERT_NE(worn, nullptr);
    InventoryBase* inventory = wearer.getInventory();
    int bagRoom = 0;
    for (int bag = 0; bag < InventoryBase::kBagCount; ++bag) {
        if (InventoryGroup* group = inventory->getSlot(kBag1 + bag)) {
            bagRoom += group->getSize();
        }
    }
    ASSERT_EQ(bagRoom, 0) << "a new sentient carries no bags";
    EXPECT_FALSE(wearer.giveItem("BaseChestLeather", false));
    EXPECT_EQ(wearer.getItem(kEquipment, toIndex(EquipedLocation::Chest)), worn);
}

} // namespace

namespace {

TEST_F(ItemTest, EquippingThroughTheInventoryRecomputesAtTheNextUpdate)
{
    InventoryBase* inventory = holder.getInventory();
    inventory->getOwnGroup(kBag1)->setItem(0, make("ShortSword"));
    EXPECT_EQ(holder.getStat(toIndex(CharacterStat::AttackSpeed)), 1500);
    ASSERT_TRUE(inventory->equipItem(kBag1, 0));
    EXPECT_EQ(holder.getStat(toIndex(CharacterStat::AttackSpeed)), 1500);
    holder.update(0.05f);
    EXPECT_EQ(holder.getStat(toIndex(CharacterStat::AttackSpeed)), 1200); // 1.2 s
    delete inventory->clearEntry(kEquipment, toIndex(EquipedLocation::HandPrimary));
    holder.update(0.05f);
    EXPECT_EQ(holder.getStat(toIndex(CharacterStat::AttackSpeed)), 1500);
}

TEST_F(ItemTest, UsingGearFromABagWearsOnlyWhatTheClassMayWearAtItsLevel)
{
    // A right click on a bag item is the same test as a drag onto its place:
    // the class allows its kind and the wearer has reached its "MinLevel".
    // A refusal says why; a guard is hired at the house, never worn.
    struct Case {
        CharacterClassType type;
        int level;
        const char* entry;
        EquipedLocation place;
        bool worn;
        const char* said;
    };
    const Case cases[] = {
        {CharacterClassType::Mage, 5, "QuarterStaff", EquipedLocation::HandPrimary, true, nullptr},
        {CharacterClassType::Mage, 5, "Mace", EquipedLocation::HandPrimary, false,
         "Can't equip: requires $$WeaponMace$$!"},
        {CharacterClassType::Mage, 5, "ChainShirt", EquipedLocation::Chest, false,
         "Can't equip: requires $$ArmorMail$$!"},
        {CharacterClassType::Rogue, 5, "Buckler", EquipedLocation::HandSecondary, false,
         "Can't equip: requires $$Shield$$!"},
        {CharacterClassType::Rogue, 5, "Dagger", EquipedLocation::HandPrimary, true, nullptr},
        {CharacterClassType::Warrior, 1, "ChainShirt", EquipedLocation::Chest, false,
         "Can't equip: requires level 2!"},
        {CharacterClassType::Warrior, 2, "ChainShirt", EquipedLocation::Chest, true, nullptr},
        {CharacterClassType::Warrior, 5, "GuardGoblinWarrior", EquipedLocation::HandPrimary, false,
         "Guards go into a guard place at your house's pedestal!"},
        // A Mage wears cloth in every place it can wear armour, from level 1.
        {CharacterClassType::Mage, 1, "ClothHood", EquipedLocation::Head, true, nullptr},
        {CharacterClassType::Mage, 1, "ClothWraps", EquipedLocation::Wrists, true, nullptr},
        {CharacterClassType::Mage, 1, "ClothGloves", EquipedLocation::Hands, true, nullptr},
        {CharacterClassType::Mage, 1, "ClothSash", EquipedLocation::Waist, true, nullptr},
        {CharacterClassType::Mage, 1, "ClothLeggings", EquipedLocation::Legs, true, nullptr},
        {CharacterClassType::Mage, 1, "ClothShoes", EquipedLocation::Feet, true, nullptr},
        {CharacterClassType::Mage, 5, "LeatherCap", EquipedLocation::Head, false,
         "Can't equip: requires $$ArmorLeather$$!"},
    };
    for (const Case& c : cases) {
        Holder wearer;
        wearer.setCharacterClass(toIndex(c.type));
        wearer.setStat(toIndex(CharacterStat::Level), c.level);
        InventoryBase* inventory = wearer.getInventory();
        inventory->getOwnGroup(kBag1)->setSize(4);
        auto* item = dynamic_cast<Item*>(inventory->createItem());
        item->setItemEntry(DefinitionReader::findEntry(c.entry));
        item->generate(1);
        inventory->getOwnGroup(kBag1)->setItem(0, item);
        EXPECT_FALSE(item->use(&wearer));
        const ItemBase* inBag = inventory->getItemAt(kBag1, 0);
        EXPECT_EQ(inventory->getItemAt(kEquipment, toIndex(c.place)) == item, c.worn)
            << c.entry << " on a class " << toIndex(c.type) << " of level " << c.level;
        EXPECT_EQ(inBag == item, !c.worn) << c.entry;
        EXPECT_EQ(wearer.messages, c.said ? std::vector<std::string>{c.said} : std::vector<std::string>{})
            << c.entry;
    }
}

TEST_F(ItemTest, PartyInRangeTakesEntityNumber999)
{
    Sentient leader;
    auto* member = new Sentient();
    // Fill the table so the member gets the last number.
    while (world.game->getEntityCount() < Game::kMaxEntities - 1) {
        auto* e = new Entity();
        if (world.game->addEntity(e) < 0) {
            delete e;
            break;
        }
    }
    ASSERT_EQ(world.game->addEntity(member), 999);
    member->setLeader(&leader, 4);
    holder.setLeader(&leader, 4);
    std::vector<Sentient*> found;
    holder.collectPartyInRange(found, 10000.0f);
    EXPECT_NE(std::find(found.begin(), found.end(), member), found.end());
    holder.clearLeader();
    member->clearLeader();
    world.game->clear();
}

TEST_F(ItemTest, ClassSetsTheSkillSlotsOfItsTrees)
{
    const CharacterClass* warrior = holder.getCharacterClass();
    ASSERT_NE(warrior, nullptr);
    for (int t = 0; t < warrior->getSkillTreeCount(); ++t) {
        int n = warrior->skillTrees[static_cast<size_t>(t)].skillCount;
        for (int i = 0; i < kSkillStatsPerTree; ++i)
            EXPECT_EQ(holder.getStat(toIndex(skillStat(t, i))), i < n ? 1 : 0) << t << " " << i;
    }
}

} // namespace

namespace {

TEST_F(ItemTest, SetBonusesComeWithTheItemsAndGoWithThem)
{
    InventoryGroup* equipment = holder.getInventory()->getOwnGroup(kEquipment);
    Item* helm = make("WardenHelm");
    equipment->setItem(toIndex(EquipedLocation::Head), helm);
    EXPECT_FALSE(helm->applySetBonuses(&holder)); // one of two
    Item* hands = make("WardenGauntlets");
    equipment->setItem(toIndex(EquipedLocation::Hands), hands);
    EXPECT_TRUE(hands->applySetBonuses(&holder));
    EXPECT_EQ(holder.getStatusEffects().size(), 2u); // partial and full
    EXPECT_FALSE(helm->applySetBonuses(&holder));    // already given
    holder.update(0.05f);
    EXPECT_EQ(holder.getStatusEffects().size(), 2u);
    delete holder.getInventory()->clearEntry(kEquipment, toIndex(EquipedLocation::Hands));
    holder.update(0.05f);
    EXPECT_TRUE(holder.getStatusEffects().empty());
}

} // namespace

TEST_F(ItemTest, UsingABagFromABagPutsItOnTheFirstEmptyBagPlace)
{
    constexpr int kMain = toIndex(InventoryGroupIndex::Main);
    constexpr int kBag2 = toIndex(InventoryGroupIndex::Bag2);
    InventoryBase* inventory = holder.getInventory();
    InventoryGroup* main = inventory->getOwnGroup(kMain);
    ASSERT_GE(main->getSize(), InventoryBase::kBagCount);
    main->setItem(0, make("SmallPouch"));
    inventory->updateBagGroups();
    InventoryGroup* bag1 = inventory->getOwnGroup(kBag1);
    ASSERT_GT(bag1->getSize(), 1);
    Item* pack = make("TravelPack");
    bag1->setItem(1, pack);

    EXPECT_FALSE(pack->use(&holder));
    EXPECT_EQ(bag1->getItem(1), nullptr);
    EXPECT_EQ(main->getItem(1), pack);
    EXPECT_EQ(inventory->getOwnGroup(kBag2)->getSize(), pack->getBagSize()) << "the place opens the bag";

    // Every place taken: the bag stays where it lies.
    main->setItem(2, make("SmallPouch"));
    main->setItem(3, make("SmallPouch"));
    inventory->updateBagGroups();
    Item* spare = make("SmallPouch");
    bag1->setItem(0, spare);
    EXPECT_FALSE(spare->use(&holder));
    EXPECT_EQ(bag1->getItem(0), spare);
}

TEST_F(ItemTest, AttackSoundsComeFromTheWeaponElseFromTheGameDefaults)
{
    world.database.addSubDatabase("LoudWeapons", "loud.dbl",
                                  "LoudSword\n{\n    Base ShortSword\n"
                                  "    AttackSoundNormalHit \"sounds/combat/loudHit.ogg\"\n}\n");
    const int normalHit = toIndex(AttackSoundType::NormalHit);
    const int block = toIndex(AttackSoundType::Block);
    const GameRules& rules = GameData::instance()->rules();
    ASSERT_FALSE(rules.attackSound[static_cast<size_t>(normalHit)].empty());
    EXPECT_EQ(holder.getAttackSoundName(normalHit), rules.attackSound[static_cast<size_t>(normalHit)]);

    InventoryGroup* equipment = holder.getInventory()->getOwnGroup(kEquipment);
    equipment->setItem(toIndex(EquipedLocation::HandPrimary), make("LoudSword"));
    EXPECT_EQ(holder.getAttackSoundName(normalHit), "sounds/combat/loudHit.ogg");
    EXPECT_EQ(holder.getAttackSoundName(block), rules.attackSound[static_cast<size_t>(block)]);
    EXPECT_EQ(holder.getAttackSoundName(kAttackSoundTypeCount), "");
    EXPECT_EQ(holder.getAttackSoundName(-1), "");
}

TEST_F(ItemTest, AllStatsFromItemsInOnePassMatchEachStatsOwnSum)
{
    struct Placed {
        int group;
        int slot;
        const char* entry;
        std::vector<const char*> modifiers;
    };
    struct Case {
        const char* what;
        std::vector<Placed> items;
        bool adds; // some stat of groups 0 and 1 gets something
    };
    const int kBookshelf = toIndex(InventoryGroupIndex::Bookshelf);
    const int hand = toIndex(EquipedLocation::HandPrimary);
    const int shield = toIndex(EquipedLocation::HandSecondary);
    const int ring = toIndex(EquipedLocation::Ring1);
    const std::vector<Case> cases = {
        {"nothing worn", {}, false},
        {"a weapon with a stat and a damage modifier",
         {{kEquipment, hand, "ShortSword", {"ModSharp", "ModOfTheBear"}}},
         true},
        {"a shield, a ring and a shelf item",
         {{kEquipment, shield, "Buckler", {"ModOfTheBear", "ModOfWarding", "ModOfTheBastion"}},
          {kEquipment, ring, "CopperRing", {"ModOfVigor", "ModOfTheFox"}},
          {kBookshelf, 1, "BoneAmulet", {"ModOfTheBear"}}},
         true},
        {"items in a bag add nothing", {{kBag1, 0, "Greatsword", {"ModOfTheBear"}}}, false},
    };
    auto* inventory = dynamic_cast<Inventory*>(holder.getInventory());
    ASSERT_NE(inventory, nullptr);
    inventory->getOwnGroup(kBookshelf)->setSize(4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int g : {kEquipment, kBookshelf, kBag1})
            inventory->getOwnGroup(g)->destroyAll();
        for (const Placed& p : c.items) {
            Item* item = make(p.entry);
            for (const char* modifier : p.modifiers)
                item->addMagicProperty(DefinitionReader::findEntry(modifier), 0.5f);
            inventory->getOwnGroup(p.group)->setItem(p.slot, item);
            ASSERT_EQ(inventory->getOwnGroup(p.group)->getItem(p.slot), item);
        }
        bool added = false;
        for (int group = 0; group < 4; ++group) {
            std::vector<int> totals(kCharacterStatCount, 0);
            inventory->addStatsFromItems(group, totals);
            for (int s = 0; s < kCharacterStatCount; ++s) {
                int one = 0;
                inventory->addStatFromItems(group, s, one);
                EXPECT_EQ(totals[static_cast<size_t>(s)], one) << "group " << group << ", stat " << s;
                added = added || one != 0;
            }
        }
        EXPECT_EQ(added, c.adds);
    }
}
