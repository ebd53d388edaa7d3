#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/net/SocketLayer.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Inventory.h"
#include "game/entities/Item.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/skills/CounterList.h"
#include "support/PlayerWorld.h"
#include "support/SavedJoin.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

class PlayerJoin : public PlayerWorld {
protected:
    void SetUp() override
    {
        PlayerWorld::SetUp();
        getLocalAddress(address, 5003);
        sink = DebugSystem::get().addSink([this](int level, const std::string& text) {
            if (level == 2)
                warnings.push_back(text);
        });
        player->setName("Aldric");
        player->giveStartingItems();
        player->getStats().set(toIndex(CharacterStat::Money), 777);
        player->getStats().set(toIndex(CharacterStat::BaseStrength), 61);
        player->getQuest(0)->setup(4, GameTime(), 99u, toIndex(QuestType::KillMonsters), 0);
        ASSERT_EQ(player->getQuest(0)->level, 4);
    }
    void TearDown() override
    {
        DebugSystem::get().removeSink(sink);
        PlayerWorld::TearDown();
    }

    // The record of a level-3 recruit warrior, its body gone again.
    void saveLevelThreeWarrior(Recruit& record)
    {
        const MonsterType* type = GameData::get().findMonsterType("RecruitWarrior");
        ASSERT_NE(type, nullptr);
        Actor* body = server.spawns->spawnMonster(type, 0, MonsterRarity::Normal, 3);
        ASSERT_NE(body, nullptr);
        record.saveFromActor(body);
        delete body;
    }

    // Joins with the message; the player made for it, or null when refused.
    Player* join(ByteBuffer message)
    {
        message.setReadPos(4);
        const ClientRecord* record = Server::get().findClient(address);
        const Entity* before = record ? record->player.get() : nullptr;
        Server::get().handlePlayerJoin(message, address);
        record = Server::get().findClient(address);
        Entity* after = record ? record->player.get() : nullptr;
        return after != before ? dynamic_cast<Player*>(after) : nullptr;
    }
    SavedJoin sameWorld() const
    {
        SavedJoin saved;
        saved.levelId = static_cast<uint32_t>(server.world->getWorldSize()->entryId);
        saved.worldId = server.world->getWorldSeed();
        return saved;
    }

    NetAddress address;
    int sink = 0;
    std::vector<std::string> warnings;
};

} // namespace

TEST_F(PlayerJoin, SavedCharacterFromAnotherWorldStartsAfreshWithItsThings)
{
    SavedJoin saved;
    saved.levelId = 12345;
    saved.positions = false;
    player->setHealth(3);
    Player* joined = join(saved.write(*player));
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(joined->getName(), "Aldric");
    EXPECT_EQ(joined->getStat(toIndex(CharacterStat::Money)), 777);
    EXPECT_EQ(joined->getStat(toIndex(CharacterStat::BaseStrength)), 61);
    ASSERT_NE(joined->getInventory()->getItem(toIndex(InventoryGroupIndex::Main), 0), nullptr);
    EXPECT_EQ(joined->getInventory()->getItem(toIndex(InventoryGroupIndex::Main), 0)->getEntryName(),
              "Backpack");
    EXPECT_EQ(joined->getQuest(0)->level, 4);
    EXPECT_EQ(joined->getQuest(0)->seed, 99u);
    // Afresh: full health; no positions: no gates placed, nothing visited.
    EXPECT_EQ(joined->getHealth(), joined->getMaxHealth());
    EXPECT_EQ(joined->getPlayerGatePosition().zone, -1);
    EXPECT_EQ(joined->getRaidGatePosition().zone, -1);
    EXPECT_EQ(joined->getVisitedLevels().size(), static_cast<size_t>(server.world->getLevelCount()));
    for (bool visited : joined->getVisitedLevels())
        EXPECT_FALSE(visited);
    EXPECT_EQ(joined->getPosition(), GameData::get().getStartPosition());
}

TEST_F(PlayerJoin, ACharacterFromAnotherWorldBringsNoneOfItsCovenantsRunningState)
{
    SavedJoin saved = sameWorld();
    saved.savedCovenant = true;
    saved.crystals = 900;
    saved.stoneHealth = 100;
    const int money = toIndex(CovenantStat::Money);
    // Its own world: the covenant goes on as it was.
    Player* joined = join(saved.write(*player));
    ASSERT_NE(joined, nullptr);
    auto* covenant = dynamic_cast<PlayerCovenant*>(joined->getCovenant());
    ASSERT_NE(covenant, nullptr);
    EXPECT_EQ(covenant->stats.get(money), 900);
    EXPECT_EQ(covenant->getLifestoneHealth(), 100);

    // It comes from another world with a guard bought there in its house.
    const int house = toIndex(InventoryGroupIndex::House);
    InventoryGroup* places = player->getInventory()->getSlot(house);
    ASSERT_NE(places, nullptr);
    auto* guardItem = new Item();
    guardItem->setItemEntry(Database::get().findEntry("GuardSkeletonWarrior"));
    ASSERT_EQ(guardItem->getItemType(), ItemType::Guard);
    places->setItem(0, guardItem);
    saved.levelId = 12345;
    joined = join(saved.write(*player));
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(joined->getInventory()->getItemAt(house, 0), nullptr) << "the guard's house item stays behind";
    covenant = dynamic_cast<PlayerCovenant*>(joined->getCovenant());
    ASSERT_NE(covenant, nullptr);
    EXPECT_EQ(covenant->stats.get(money), 0);
    EXPECT_EQ(covenant->influence, InfluenceCounters());
    EXPECT_GT(covenant->getLifestoneMaxHealth(), 0);
    EXPECT_EQ(covenant->getLifestoneHealth(), covenant->getLifestoneMaxHealth());
    for (int slot = 0; slot < Covenant::kGuardSlots; ++slot)
        EXPECT_EQ(covenant->getGuard(slot), nullptr) << slot;
    // A second reset, as a new world makes after its own, changes nothing.
    covenant->resetHouse();
    EXPECT_EQ(covenant->stats.get(money), 0);
    EXPECT_EQ(covenant->getLifestoneHealth(), covenant->getLifestoneMaxHealth());
}

TEST_F(PlayerJoin, SameWorldKeepsPositionsVisitsAndGateFlags)
{
    SavedJoin saved = sameWorld();
    player->setHealth(3);
    Player* joined = join(saved.write(*player));
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(joined->getHealth(), 3);
    EXPECT_EQ(joined->getPlayerGatePosition(), saved.playerGate);
    EXPECT_EQ(joined->getVisitedLevels(), saved.visited);
    const auto& records = joined->getGates().getRecords();
    for (size_t i = 0; i < records.size(); ++i)
        EXPECT_EQ(records[i].activated, static_cast<int32_t>(i % 2));
}

TEST_F(PlayerJoin, FlagsOfAnotherLengthAreCutOrFilled)
{
    SavedJoin saved = sameWorld();
    saved.flags.assign(70, true);
    Player* joined = join(saved.write(*player));
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(joined->getFlags65(), std::vector<bool>(Player::kFlagCount, true));

    saved.flags.assign(10, true);
    joined = join(saved.write(*player));
    ASSERT_NE(joined, nullptr);
    const std::vector<bool>& flags = joined->getFlags65();
    ASSERT_EQ(flags.size(), static_cast<size_t>(Player::kFlagCount));
    for (size_t i = 0; i < flags.size(); ++i)
        EXPECT_EQ(flags[i], i < 10) << i;
}

TEST_F(PlayerJoin, EveryCutOfASavedSectionIsRefusedWithItsField)
{
    const ByteBuffer whole = sameWorld().write(*player);
    const int entities = server.game->getEntityCount();
    // The covenant section ends after its name; every cut past it is the
    // character's.
    const size_t characterStart = 4 + 4 + std::string("Red Hand").size() + 1;
    for (size_t length = characterStart; length < whole.size(); ++length) {
        warnings.clear();
        std::vector<uint8_t> bytes(whole.data(), whole.data() + length);
        ASSERT_EQ(join(ByteBuffer(bytes)), nullptr) << "cut at " << length;
        ASSERT_EQ(warnings.size(), 1u) << "cut at " << length;
        EXPECT_NE(warnings[0].find("refused: character "), std::string::npos) << warnings[0];
        ASSERT_EQ(server.game->getEntityCount(), entities) << "cut at " << length;
    }
    EXPECT_EQ(Server::get().getClientCount(), 0u);
    // An unknown class is refused the same way.
    ByteBuffer bad;
    bad.writeInt(uint32_t(4));
    bad.writeInt(uint32_t(0));
    bad.writeString("Red Hand");
    bad.writeInt(uint32_t(0));
    bad.writeString("Aldric");
    bad.writeInt(uint32_t(7));
    bad.writeInt(uint32_t(0)); // the record would follow
    warnings.clear();
    EXPECT_EQ(join(bad), nullptr);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("class index"), std::string::npos);
}

TEST_F(PlayerJoin, SecondJoinReplacesTheOldPlayer)
{
    SavedJoin saved = sameWorld();
    Player* first = join(saved.write(*player));
    ASSERT_NE(first, nullptr);
    const int number = first->getEntityNumber();
    SafePtr<Entity> old(first);
    size_t before = Server::get().getClientCount();
    ByteBuffer again = saved.write(*player);
    again.setReadPos(4);
    Server::get().handlePlayerJoin(again, address);
    EXPECT_EQ(Server::get().getClientCount(), before);
    EXPECT_EQ(old.get(), nullptr) << "the old player is gone";
    EXPECT_NE(Server::get().getClient(0)->player.get(), nullptr);
    // The number may serve a house object of the new covenant, not a player.
    EXPECT_EQ(dynamic_cast<Player*>(server.game->getEntity(number)), nullptr);
}

TEST_F(PlayerJoin, InputAdoptsOnlyPositionsOnALevelOfTheWorld)
{
    Player* joined = join(sameWorld().write(*player));
    ASSERT_NE(joined, nullptr);
    const ZonePosition start = joined->getPosition();
    auto input = [&](const ZonePosition& at, uint32_t action) {
        ByteBuffer m;
        m.writeInt(uint32_t(1));
        m.writeZonePosition(at);
        m.writeZonePosition(at);
        m.writeInt(action);
        m.writeInt(Player::kNoTarget);
        m.writeInt(uint32_t(0));
        m.setReadPos(4);
        Server::get().handleClientInput(m, address);
    };
    input(ZonePosition(-1, 10.0f, 10.0f), 2);
    EXPECT_EQ(joined->getPosition(), start);
    EXPECT_EQ(joined->getAction(), 2) << "the action still applies";
    input(ZonePosition(server.world->getLevelCount(), 10.0f, 10.0f), 3);
    input(ZonePosition(0, std::nanf(""), 10.0f), 3);
    EXPECT_EQ(joined->getPosition(), start);
    EXPECT_EQ(joined->getAction(), 3);
    ZonePosition moved = start;
    moved.x += 64.0f;
    input(moved, 0);
    EXPECT_EQ(joined->getPosition(), moved);
}

TEST_F(PlayerJoin, StartingItemsWithoutRoomAreDroppedWithALine)
{
    Player* fresh = addPlayer();
    ASSERT_NE(fresh, nullptr);
    // Main is full of things that are no bags: the backpack finds no place,
    // so no bag opens and the kit fits nowhere.
    InventoryGroup* main = fresh->getInventory()->getOwnGroup(toIndex(InventoryGroupIndex::Main));
    const DatabaseEntry* bread = DefinitionReader::findEntry("TravelBread");
    ASSERT_NE(bread, nullptr);
    for (int i = 0; i < main->getSize(); ++i) {
        auto* item = new Item();
        item->clear();
        item->setItemEntry(bread);
        main->setItem(i, item);
    }
    warnings.clear();
    fresh->giveStartingItems();
    const DatabaseEntry* kit = DefinitionReader::findEntry("ClassWarrior");
    const size_t names = DefinitionReader(kit).getStringList("StartingItem").size();
    EXPECT_EQ(warnings.size(), names);
    EXPECT_EQ(fresh->getStat(toIndex(CharacterStat::Money)), DefinitionReader(kit).getInt("StartingMoney"));
}

TEST_F(PlayerJoin, TheJoinFoundsThePlayersCovenantOrRefusesItWhole)
{
    const int covenants = server.game->getCovenantCount();
    Player* joined = join(sameWorld().write(*player));
    ASSERT_NE(joined, nullptr);
    ASSERT_EQ(server.game->getCovenantCount(), covenants + 1);
    auto* covenant = dynamic_cast<PlayerCovenant*>(joined->getCovenant());
    ASSERT_NE(covenant, nullptr);
    EXPECT_EQ(covenant->index, covenants) << "after the computer-run ones";
    EXPECT_EQ(covenant->name, "Red Hand");
    EXPECT_EQ(covenant->getLeader(), joined);
    EXPECT_GT(covenant->getLifestoneMaxHealth(), 0) << "counted from its members";

    // A saved covenant naming slot 7 of four: nothing is made.
    ByteBuffer bad;
    bad.writeInt(uint32_t(4));
    bad.writeInt(uint32_t(1));
    bad.writeString("Red Hand");
    Inventory bags;
    bags.write(bad, false);
    bad.writeInt(uint32_t(1));
    bad.writeInt(uint32_t(7));
    bad.writeInt(uint32_t(0)); // the record would follow
    const int entities = server.game->getEntityCount();
    warnings.clear();
    EXPECT_EQ(join(bad), nullptr);
    EXPECT_EQ(server.game->getCovenantCount(), covenants + 1);
    EXPECT_EQ(server.game->getEntityCount(), entities);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("covenant recruit slot"), std::string::npos);
}

// A saved covenant section cut anywhere, or naming a slot twice, drops the
// join whole: no covenant, no house, one line naming the field.
TEST_F(PlayerJoin, EveryCutOrRepeatedSlotOfTheCovenantSectionDropsTheJoin)
{
    Recruit record;
    ASSERT_NO_FATAL_FAILURE(saveLevelThreeWarrior(record));
    SavedJoin saved = sameWorld();
    saved.recruit = &record;
    saved.recruitSlots = {1, 3};
    ByteBuffer covenantOnly;
    saved.writeCovenant(covenantOnly);
    const ByteBuffer whole = saved.write(*player);
    const size_t sectionEnd = 4 + covenantOnly.size();
    ASSERT_GT(whole.size(), sectionEnd);

    const int covenants = server.game->getCovenantCount();
    const int entities = server.game->getEntityCount();
    const auto refused = [&](ByteBuffer message, const std::string& what) {
        warnings.clear();
        EXPECT_EQ(join(std::move(message)), nullptr) << what;
        EXPECT_EQ(server.game->getCovenantCount(), covenants) << what;
        EXPECT_EQ(server.game->getEntityCount(), entities) << what;
        EXPECT_EQ(warnings.size(), 1u) << what;
    };
    for (size_t cut = 4; cut < sectionEnd; ++cut) {
        refused(ByteBuffer(whole.data(), cut), "cut at " + std::to_string(cut));
    }
    saved.recruitSlots = {1, 1};
    refused(saved.write(*player), "slot 1 twice");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("covenant recruit slot"), std::string::npos) << warnings[0];
}

TEST_F(PlayerJoin, ASavedPartyFollowsThePlayerAgain)
{
    Recruit record;
    ASSERT_NO_FATAL_FAILURE(saveLevelThreeWarrior(record));
    SavedJoin saved = sameWorld();
    saved.recruit = &record;
    saved.recruitSlots = {0, 1, 2};
    saved.party = {0, 2};
    Player* joined = join(saved.write(*player));
    ASSERT_NE(joined, nullptr);
    auto* covenant = dynamic_cast<PlayerCovenant*>(joined->getCovenant());
    ASSERT_NE(covenant, nullptr);
    ASSERT_EQ(covenant->getRecruitCount(), 3);
    const std::vector<Sentient*> expected = {covenant->getRecruitActor(0), covenant->getRecruitActor(2)};
    EXPECT_EQ(joined->getFollowers(), expected);
    EXPECT_NE(expected[0], nullptr);
    EXPECT_NE(expected[1], nullptr);
}

TEST_F(PlayerJoin, ANewCovenantsStoneStaysWholeWhileItsMembersGrow)
{
    ByteBuffer message;
    message.writeInt(uint32_t(4));
    message.writeInt(uint32_t(0));
    message.writeString("Aldric's covenant");
    message.writeInt(uint32_t(0));
    message.writeString("Aldric");
    message.writeInt(uint32_t(0));
    Player* joined = join(message);
    ASSERT_NE(joined, nullptr);
    Covenant* covenant = joined->getCovenant();
    ASSERT_NE(covenant, nullptr);
    auto whole = [&](const char* when) {
        covenant->update(0.05f);
        EXPECT_GT(covenant->getLifestoneMaxHealth(), 0) << when;
        EXPECT_EQ(covenant->getLifestoneHealth(), covenant->getLifestoneMaxHealth()) << when;
    };
    whole("after the join");

    int maximum = covenant->getLifestoneMaxHealth();
    const int need =
        joined->getStat(toIndex(CharacterStat::XpNeeded)) - joined->getStat(toIndex(CharacterStat::Xp));
    joined->awardExperience(1, 0, static_cast<float>(need) / 100.0f + 0.001f);
    ASSERT_EQ(joined->getStat(toIndex(CharacterStat::Level)), 2);
    EXPECT_GT(covenant->getLifestoneMaxHealth(), maximum) << "the level raised the maximum";
    whole("after a level");

    const MonsterType* type = GameData::get().findMonsterType("RecruitWarrior");
    ASSERT_NE(type, nullptr);
    auto recruit = [&] {
        Actor* actor = server.spawns->spawnMonster(type, 0, MonsterRarity::Normal, 1);
        EXPECT_NE(actor, nullptr);
        return actor ? covenant->addRecruit(add(actor, besidePlayer(40.0f))) : -1;
    };
    maximum = covenant->getLifestoneMaxHealth();
    ASSERT_GE(recruit(), 0);
    EXPECT_GT(covenant->getLifestoneMaxHealth(), maximum) << "the recruit counts";
    whole("after a recruit");

    // A hurt stone gains what its maximum gains, once.
    const int half = covenant->getLifestoneMaxHealth() / 2;
    covenant->setLifestoneHealth(half);
    maximum = covenant->getLifestoneMaxHealth();
    ASSERT_GE(recruit(), 0);
    EXPECT_EQ(covenant->getLifestoneHealth(), half + covenant->getLifestoneMaxHealth() - maximum);

    // Health and maximum set as a save holds them stay so through a refresh.
    covenant->setLifestoneMaxHealth(60);
    covenant->setLifestoneHealth(50);
    covenant->updateStats();
    EXPECT_EQ(covenant->getLifestoneHealth(), 50);
    EXPECT_GT(covenant->getLifestoneMaxHealth(), 60);
    // A recruit joining right after such a setting still brings its gain,
    // also one of no class (its joining recomputes none of its stats).
    Actor* joining = server.spawns->spawnMonster(GameData::get().findMonsterType("GoblinScout"), 0,
                                                 MonsterRarity::Normal, 1);
    ASSERT_NE(joining, nullptr);
    add(joining, besidePlayer(40.0f));
    covenant->setLifestoneMaxHealth(covenant->getLifestoneMaxHealth());
    covenant->setLifestoneHealth(50);
    maximum = covenant->getLifestoneMaxHealth();
    ASSERT_GE(covenant->addRecruit(joining), 0);
    EXPECT_EQ(covenant->getLifestoneHealth(), 50 + covenant->getLifestoneMaxHealth() - maximum);

    for (const std::string& line : lines())
        EXPECT_EQ(line.find("life stone"), std::string::npos) << line;
}
