#include "game/world/FactionSystem.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/object/Event.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Sentient.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/CombatSystem.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"
#include "game/world/GameSystem.h"
#include "server/GameStartup.h"
#include "support/ClassStart.h"
#include "support/ScriptedCovenant.h"
#include "support/TestSupport.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Thresholds 10/30/70/90, three factions in the database and one ("Drifters")
// named only in a list. "Ghost" names an entry without a Name.
const char* kFactions = R"(
FactionSystem {
    ChangePerKill -5
    MaxHateReputation 10
    MaxDislikeReputation 30
    MinLikeReputation 70
    MinLoveReputation 90
    PlayerFactionName "Players"
    NpcFactionName "Villagers"
}
EntryPlayers {
    Type Faction
    Name "Players"
    CanGoToWar 1
    DefaultReputation 40
    ReputationWith EntryVillagers EntryBeasts NoSuchEntry Ghost
    ReputationEntryVillagers 80
    ReputationEntryBeasts 5
    ReputationGhost 77
}
EntryBeasts {
    Type Faction
    Name "Beasts"
    ReputationWith EntryDrifters EntryPlayers
    ReputationEntryDrifters 60.5
}
Ghost {
    Type Faction
}
EntryVillagers {
    Type Faction
    Name "Villagers"
    CanGoToWar 0
    DefaultReputation 55
}
EntryDrifters {
    Name "Drifters"
}
Wolf {
    FactionName "Beasts"
}
)";

class FactionSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        database.addSubDatabase("Faction", "factions.dbl", kFactions);
        database.resolveBases();
        factions = std::make_unique<FactionSystem>();
    }

    int id(const std::string& name) const { return factions->getFactionId(name); }

    std::vector<uint8_t> saved() const
    {
        ByteBuffer out;
        factions->write(out);
        return out.bytes();
    }

    LogCapture log;
    Database database;
    std::unique_ptr<FactionSystem> factions;
};

TEST_F(FactionSystemTest, LoadsEntriesInOrderWithReputationsKeyedByEntryName)
{
    ASSERT_EQ(factions->getFactionCount(), 4);
    EXPECT_EQ(factions->getFaction(0)->name, "Players");
    EXPECT_EQ(factions->getFaction(1)->name, "Villagers"); // first met in the Players' list
    EXPECT_EQ(factions->getFaction(2)->name, "Beasts");
    EXPECT_EQ(factions->getFaction(3)->name, "Drifters");
    EXPECT_EQ(factions->getFaction(4), nullptr);
    EXPECT_EQ(factions->getFaction(-1), nullptr);
    EXPECT_EQ(factions->getPlayerFactionId(), 0);
    EXPECT_EQ(factions->getNpcFactionId(), 1);
    EXPECT_EQ(factions->getFactionId("players"), -1); // names match exactly

    const Faction* players = factions->getFaction(0);
    EXPECT_TRUE(players->canGoToWar);
    EXPECT_FLOAT_EQ(players->defaultReputation, 40.0f);
    // Unknown and nameless entries in the list are skipped.
    ASSERT_EQ(players->reputations.size(), 2u);
    EXPECT_FLOAT_EQ(factions->getReputation(id("Players"), id("Villagers")), 80.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(id("Players"), id("Beasts")), 5.0f);

    // Missing keys: no war, reputation 0 (hatred); a listed entry without
    // its "Reputation" key stands at 0 too.
    const Faction* beasts = factions->getFaction(2);
    EXPECT_FALSE(beasts->canGoToWar);
    EXPECT_FLOAT_EQ(beasts->defaultReputation, 0.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(id("Beasts"), id("Drifters")), 60.5f);
    EXPECT_FLOAT_EQ(factions->getReputation(id("Beasts"), id("Players")), 0.0f);

    // Read later from its own entry, a faction first met in a list takes it.
    const Faction* villagers = factions->getFaction(1);
    EXPECT_FALSE(villagers->canGoToWar);
    EXPECT_FLOAT_EQ(villagers->defaultReputation, 55.0f);
    // A faction without an entry of type Faction keeps the defaults.
    const Faction* drifters = factions->getFaction(3);
    EXPECT_TRUE(drifters->canGoToWar);
    EXPECT_FLOAT_EQ(drifters->defaultReputation, 50.0f);

    EXPECT_TRUE(log.contains("factions.dbl:"));
    EXPECT_TRUE(log.contains("faction Ghost has no Name"));
}

TEST_F(FactionSystemTest, MissingSettingsEntryIsPassedOverSilently)
{
    factions.reset();
    database.clear();
    database.addSubDatabase("Faction", "factions.dbl", "Lone {\n Type Faction\n Name \"Lone\"\n}\n");
    database.resolveBases();
    log.clear();
    FactionSystem bare;
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(bare.getFactionCount(), 1);
    EXPECT_EQ(bare.getPlayerFactionId(), -1);
    EXPECT_EQ(bare.getNpcFactionId(), -1);
    EXPECT_FLOAT_EQ(bare.getChangePerKill(), 0.0f);
    // All thresholds 0: every reputation is love.
    EXPECT_EQ(bare.attitudeOf(0.0f), FactionSystem::kLove);
}

TEST_F(FactionSystemTest, ReputationFallsBackToSelfDefaultAndNeutral)
{
    int players = id("Players");
    int villagers = id("Villagers");
    int drifters = id("Drifters");
    EXPECT_FLOAT_EQ(factions->getReputation(players, players), 100.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(players, drifters), 40.0f); // default
    EXPECT_FLOAT_EQ(factions->getReputation(-1, players), 50.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(players, -1), 50.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(17, players), 50.0f);
    // An entry toward itself wins over the 100.
    factions->setReputation(villagers, villagers, 12.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(villagers, villagers), 12.0f);

    factions->changeReputation(players, villagers, 30.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(players, villagers), 100.0f);
    factions->changeReputation(players, drifters, -55.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(players, drifters), 0.0f);
    factions->changeReputation(players, drifters, 7.5f);
    EXPECT_FLOAT_EQ(factions->getReputation(players, drifters), 7.5f);
    // No entry is made toward a faction that does not exist.
    size_t entries = factions->getFaction(players)->reputations.size();
    factions->changeReputation(players, 42, 5.0f);
    EXPECT_EQ(factions->getFaction(players)->reputations.size(), entries);
}

TEST_F(FactionSystemTest, AttitudeThresholdsAndWar)
{
    EXPECT_EQ(factions->attitudeOf(-3.0f), FactionSystem::kHate);
    EXPECT_EQ(factions->attitudeOf(9.99f), FactionSystem::kHate);
    EXPECT_EQ(factions->attitudeOf(10.0f), FactionSystem::kDislike);
    EXPECT_EQ(factions->attitudeOf(30.0f), FactionSystem::kNeutral);
    EXPECT_EQ(factions->attitudeOf(69.9f), FactionSystem::kNeutral);
    EXPECT_EQ(factions->attitudeOf(70.0f), FactionSystem::kLike);
    EXPECT_EQ(factions->attitudeOf(90.0f), FactionSystem::kLove);
    EXPECT_EQ(factions->attitudeOf(140.0f), FactionSystem::kLove);

    Sentient player;
    Sentient villager;
    player.setFactionId(id("Players"));
    villager.setFactionId(id("Villagers"));
    factions->setReputation(id("Players"), id("Villagers"), 100.0f);
    EXPECT_EQ(factions->getRelation(&player, &villager), FactionSystem::kLove);
    EXPECT_EQ(factions->getRelation(&villager, &player), FactionSystem::kNeutral); // 55 by default

    // At war: hatred whatever the value, both ways; peace restores it.
    factions->declareWar(id("Players"), id("Villagers"));
    EXPECT_TRUE(factions->isAtWar(id("Players"), id("Villagers")));
    EXPECT_TRUE(factions->isAtWar(id("Villagers"), id("Players")));
    EXPECT_EQ(factions->getRelation(&player, &villager), FactionSystem::kHate);
    EXPECT_EQ(factions->getRelation(&villager, &player), FactionSystem::kHate);
    // The entry made for the war starts at 50.
    EXPECT_FLOAT_EQ(factions->getReputation(id("Villagers"), id("Players")), 50.0f);
    factions->makePeace(id("Villagers"), id("Players"));
    EXPECT_FALSE(factions->isAtWar(id("Players"), id("Villagers")));
    EXPECT_EQ(factions->getRelation(&player, &villager), FactionSystem::kLove);

    // Nothing for a missing faction; peace where no entry exists adds none.
    factions->declareWar(id("Players"), -1);
    factions->declareWar(9, id("Players"));
    EXPECT_FALSE(factions->isAtWar(id("Players"), -1));
    size_t entries = factions->getFaction(id("Drifters"))->reputations.size();
    factions->makePeace(id("Drifters"), id("Players"));
    EXPECT_EQ(factions->getFaction(id("Drifters"))->reputations.size(), entries);

    EXPECT_TRUE(factions->canGoToWar(id("Players"), id("Drifters")));
    EXPECT_FALSE(factions->canGoToWar(id("Players"), id("Villagers")));
    EXPECT_FALSE(factions->canGoToWar(id("Players"), -1));
}

TEST_F(FactionSystemTest, RelationNeedsTwoEntitiesAndASentientWithAFaction)
{
    Sentient player;
    Sentient beast;
    Entity statue;
    player.setFactionId(id("Players"));
    beast.setFactionId(id("Beasts"));
    statue.setFactionId(id("Beasts"));
    EXPECT_EQ(factions->getRelation(&player, &beast), FactionSystem::kHate); // 5
    EXPECT_EQ(factions->getRelation(&beast, &player), FactionSystem::kHate); // 0
    EXPECT_EQ(factions->getRelation(nullptr, &beast), FactionSystem::kNeutral);
    EXPECT_EQ(factions->getRelation(&player, nullptr), FactionSystem::kNeutral);
    // The other side counts only as a sentient; the observer as any entity.
    EXPECT_EQ(factions->getRelation(&player, &statue), FactionSystem::kNeutral);
    EXPECT_EQ(factions->getRelation(&statue, &player), FactionSystem::kHate);
    Sentient drifter; // no faction
    EXPECT_EQ(factions->getRelation(&player, &drifter), FactionSystem::kNeutral);
    EXPECT_EQ(factions->getRelation(&drifter, &player), FactionSystem::kNeutral);
    // A faction number the system does not have is no faction.
    drifter.setFactionId(31);
    EXPECT_EQ(factions->getRelation(&drifter, &player), FactionSystem::kNeutral);
}

TEST_F(FactionSystemTest, ReputationBetweenEntitiesGoesByFactionName)
{
    Entity a;
    Entity b;
    EXPECT_FLOAT_EQ(factions->getReputationBetween(&a, nullptr), 50.0f);
    EXPECT_FLOAT_EQ(factions->getReputationBetween(&a, &b), 50.0f); // no names
    // The entry's "FactionName", replaced by an own name when one is set.
    a.setOwnFactionName("Players");
    b.setEntry(database.findEntry("Wolf"), "Wolf");
    EXPECT_EQ(b.getFactionName(), "Beasts");
    EXPECT_FLOAT_EQ(factions->getReputationBetween(&a, &b), 5.0f);
    EXPECT_FLOAT_EQ(factions->getReputationBetween(&b, &a), 0.0f);
    b.setOwnFactionName("Villagers");
    EXPECT_FLOAT_EQ(factions->getReputationBetween(&a, &b), 80.0f);
    b.setOwnFactionName("Beasts");
    // The faction number plays no part here.
    a.setFactionId(id("Villagers"));
    EXPECT_FLOAT_EQ(factions->getReputationBetween(&a, &b), 5.0f);
}

TEST_F(FactionSystemTest, KillsLowerTheVictimsAndItsFriendsReputationOfTheKiller)
{
    int players = id("Players");
    int villagers = id("Villagers");
    int beasts = id("Beasts");
    int drifters = id("Drifters");
    // R = Drifters likes the victim's faction (80) more than the killer's (40).
    factions->setReputation(drifters, villagers, 80.0f);
    factions->setReputation(drifters, beasts, 40.0f);
    // Players like the villagers but like the beasts even more: no change.
    factions->setReputation(players, beasts, 95.0f);
    Sentient killer;
    Sentient victim;
    killer.setFactionId(beasts);
    victim.setFactionId(villagers);

    factions->onKill(&killer, &victim, 0);
    EXPECT_FLOAT_EQ(factions->getReputation(villagers, beasts), 50.0f); // 55 by default, less 5
    EXPECT_FLOAT_EQ(factions->getReputation(drifters, beasts), 36.0f);  // 80 x -5 x 0.01
    EXPECT_FLOAT_EQ(factions->getReputation(players, beasts), 95.0f);
    EXPECT_FLOAT_EQ(factions->getReputation(beasts, villagers), 0.0f); // the killers' own view stays

    // Added without clamping.
    factions->setReputation(villagers, beasts, 2.0f);
    factions->onKill(&killer, &victim, 0);
    EXPECT_FLOAT_EQ(factions->getReputation(villagers, beasts), -3.0f);

    // A flag, a missing side or a side without faction changes nothing.
    std::vector<uint8_t> before = saved();
    factions->onKill(&killer, &victim, 1);
    factions->onKill(nullptr, &victim, 0);
    factions->onKill(&killer, nullptr, 0);
    Sentient factionless;
    factions->onKill(&factionless, &victim, 0);
    factions->onKill(&killer, &factionless, 0);
    EXPECT_EQ(saved(), before);
}

TEST_F(FactionSystemTest, SaveBlockRoundTripsByteForByte)
{
    factions->declareWar(id("Players"), id("Beasts"));
    factions->setReputation(id("Drifters"), id("Players"), -12.5f);
    std::vector<uint8_t> image = saved();

    // The layout: count, then name, entry count and entries per faction.
    ByteBuffer in(image);
    EXPECT_EQ(in.readUInt(), 4u);
    EXPECT_EQ(in.readString(), "Players");
    EXPECT_EQ(in.readUInt(), 2u);
    EXPECT_EQ(in.readString(), "Villagers");
    EXPECT_FLOAT_EQ(in.readFloat(), 80.0f);
    EXPECT_EQ(in.readUInt(), 0u);
    EXPECT_EQ(in.readString(), "Beasts");
    EXPECT_FLOAT_EQ(in.readFloat(), 5.0f);
    EXPECT_EQ(in.readUInt(), 1u);
    EXPECT_TRUE(in.ok());

    // Into a fresh system from the same database: the same bytes again.
    factions.reset();
    FactionSystem fresh;
    EXPECT_FALSE(fresh.isAtWar(fresh.getFactionId("Players"), fresh.getFactionId("Beasts")));
    ByteBuffer reader(image);
    ASSERT_TRUE(fresh.read(reader));
    EXPECT_TRUE(reader.atEnd());
    ByteBuffer again;
    fresh.write(again);
    EXPECT_EQ(again.bytes(), image);
    EXPECT_TRUE(fresh.isAtWar(fresh.getFactionId("Beasts"), fresh.getFactionId("Players")));
    EXPECT_FLOAT_EQ(fresh.getReputation(fresh.getFactionId("Drifters"), fresh.getFactionId("Players")),
                    -12.5f);
}

TEST_F(FactionSystemTest, SavedFactionsMissingFromTheDatabaseAreDropped)
{
    ByteBuffer image;
    image.writeInt(static_cast<uint32_t>(2));
    image.writeString("Vanished");
    image.writeInt(static_cast<uint32_t>(1));
    image.writeString("Players");
    image.writeFloat(3.0f);
    image.writeInt(static_cast<uint32_t>(1));
    image.writeString("Players");
    image.writeInt(static_cast<uint32_t>(2));
    image.writeString("Vanished");
    image.writeFloat(1.0f);
    image.writeInt(static_cast<uint32_t>(0));
    image.writeString("Beasts");
    image.writeFloat(33.0f);
    image.writeInt(static_cast<uint32_t>(0));
    std::vector<uint8_t> before = saved();
    log.clear();
    ASSERT_TRUE(factions->read(image));
    EXPECT_EQ(log.count(3), 0u);
    EXPECT_EQ(factions->getFactionCount(), 4);
    EXPECT_EQ(factions->findFaction("Vanished"), nullptr);
    EXPECT_FLOAT_EQ(factions->getReputation(id("Players"), id("Beasts")), 33.0f);
    // Only that value changed; the war word 0 clears nothing.
    factions->setReputation(id("Players"), id("Beasts"), 5.0f);
    EXPECT_EQ(saved(), before);
}

TEST_F(FactionSystemTest, DamagedBlocksAreRefusedWholeAndLogged)
{
    factions->declareWar(id("Players"), id("Drifters"));
    factions->setReputation(id("Beasts"), id("Villagers"), 61.0f);
    std::vector<uint8_t> image = saved();
    factions->setReputation(id("Beasts"), id("Villagers"), 1.0f);
    std::vector<uint8_t> before = saved();
    // Every cut short of the whole block.
    for (size_t cut = 0; cut < image.size(); ++cut) {
        ByteBuffer part(std::vector<uint8_t>(image.begin(), image.begin() + static_cast<long>(cut)));
        log.clear();
        EXPECT_FALSE(factions->read(part)) << cut;
        EXPECT_TRUE(log.contains("Faction block", 3)) << cut;
        ASSERT_EQ(saved(), before) << cut;
    }
    // Counts larger than the bytes could hold.
    ByteBuffer huge;
    huge.writeInt(static_cast<uint32_t>(0x7fffffff));
    EXPECT_FALSE(factions->read(huge));
    ByteBuffer hugeEntries;
    hugeEntries.writeInt(static_cast<uint32_t>(1));
    hugeEntries.writeString("Players");
    hugeEntries.writeInt(static_cast<uint32_t>(1000));
    hugeEntries.writeString("Beasts");
    EXPECT_FALSE(factions->read(hugeEntries));
    // A reputation that is not a number.
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        ByteBuffer nan;
        nan.writeInt(static_cast<uint32_t>(1));
        nan.writeString("Players");
        nan.writeInt(static_cast<uint32_t>(1));
        nan.writeString("Beasts");
        nan.writeFloat(bad);
        nan.writeInt(static_cast<uint32_t>(0));
        log.clear();
        EXPECT_FALSE(factions->read(nan));
        EXPECT_TRUE(log.contains("not a number", 3));
    }
    EXPECT_EQ(saved(), before);
}

// ---- In the Game, on the shipped data ---------------------------------------------------

class FactionWorldTest : public ::testing::Test {
protected:
    void SetUp() override { world.game->resizeForWorld(1); }

    Sentient* add(float x, int faction)
    {
        auto* s = new Sentient();
        s->setMaxHealth(10);
        s->setHealth(10);
        s->setFactionId(faction);
        s->setPosition(ZonePosition(0, x, 500.0f));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        return s;
    }

    std::vector<Entity*> inRange(const Entity* self, uint32_t mask)
    {
        std::vector<Entity*> out;
        world.game->getEntitiesInRange(false, ZonePosition(0, 500.0f, 500.0f), self, 200.0f, mask, out);
        return out;
    }

    TestWorld world;
    FactionSystem factions;
};

TEST_F(FactionWorldTest, ShippedFactionsAndSettings)
{
    // The player, the town, the goblins' "Monsters" and three more families.
    EXPECT_EQ(factions.getFactionCount(), 6);
    int barbarian = factions.getFactionId("Barbarian");
    int town = factions.getFactionId("Town");
    int monsters = factions.getFactionId("Monsters");
    ASSERT_NE(barbarian, -1);
    ASSERT_NE(town, -1);
    ASSERT_NE(monsters, -1);
    EXPECT_EQ(factions.getPlayerFactionId(), barbarian);
    EXPECT_EQ(factions.getNpcFactionId(), town);
    EXPECT_FLOAT_EQ(factions.getChangePerKill(), -5.0f);
    EXPECT_FLOAT_EQ(factions.getMaxHateReputation(), 10.0f);
    EXPECT_FLOAT_EQ(factions.getMaxDislikeReputation(), 30.0f);
    EXPECT_FLOAT_EQ(factions.getMinLikeReputation(), 70.0f);
    EXPECT_FLOAT_EQ(factions.getMinLoveReputation(), 90.0f);
    const std::vector<int> families = {monsters, factions.getFactionId("Undead"),
                                       factions.getFactionId("Vermin"), factions.getFactionId("Cult")};
    for (int family : families) {
        ASSERT_NE(family, -1);
        for (int a : {barbarian, town}) {
            EXPECT_FLOAT_EQ(factions.getReputation(a, family), 5.0f);
            EXPECT_FLOAT_EQ(factions.getReputation(family, a), 5.0f);
            EXPECT_EQ(factions.attitudeOf(factions.getReputation(a, family)), FactionSystem::kHate);
        }
        // Wary of each other, and free to go to war: quests set them at it.
        for (int other : families) {
            if (other != family) {
                EXPECT_FLOAT_EQ(factions.getReputation(family, other), 40.0f);
                EXPECT_TRUE(factions.canGoToWar(family, other));
            }
        }
    }
    EXPECT_FLOAT_EQ(factions.getReputation(town, barbarian), 80.0f);
    EXPECT_FLOAT_EQ(factions.getReputation(barbarian, town), 80.0f);
    EXPECT_EQ(factions.attitudeOf(80.0f), FactionSystem::kLike);
    // Every faction a shipped monster or class names exists.
    const Database& db = Database::get();
    for (int i = 0; i < db.getEntryCount(); ++i) {
        std::string name = db.getString(db.getEntryAt(i), "FactionName");
        if (!name.empty()) {
            EXPECT_NE(factions.findFaction(name), nullptr) << db.getEntryAt(i)->getName();
        }
    }
}

TEST_F(FactionWorldTest, ResizingForAWorldReloadsTheFactions)
{
    int monsters = factions.getFactionId("Monsters");
    int barbarian = factions.getFactionId("Barbarian");
    factions.declareWar(barbarian, factions.getFactionId("Town"));
    factions.setReputation(monsters, barbarian, 0.0f);
    factions.getOrAddFaction("Stray");
    world.game->resizeForWorld(2);
    EXPECT_EQ(factions.getFactionCount(), 6);
    EXPECT_FLOAT_EQ(factions.getReputation(monsters, barbarian), 5.0f);
    EXPECT_FALSE(factions.isAtWar(barbarian, factions.getFactionId("Town")));
    EXPECT_EQ(factions.getPlayerFactionId(), barbarian);
}

TEST_F(FactionWorldTest, AttitudeBitsOfTheQueryMask)
{
    using namespace EntityQueryMask;
    int barbarian = factions.getFactionId("Barbarian");
    int town = factions.getFactionId("Town");
    int monsters = factions.getFactionId("Monsters");
    Sentient* self = add(500.0f, barbarian);
    Sentient* guard = add(510.0f, town);    // 80 toward barbarians: like
    Sentient* wolf = add(520.0f, monsters); // 5: hate
    Sentient* loner = add(530.0f, -1);      // no faction: neutral
    Sentient* kin = add(540.0f, barbarian); // 100 toward itself: love
    ASSERT_TRUE(self && guard && wolf && loner && kin);
    factions.setReputation(town, barbarian, 69.0f); // neutral now
    EXPECT_EQ(inRange(self, kAttitudeLike | kNotSelf), std::vector<Entity*>{kin});
    factions.setReputation(town, barbarian, 70.0f);
    EXPECT_EQ(inRange(self, kAttitudeLike | kNotSelf), (std::vector<Entity*>{guard, kin}));
    EXPECT_EQ(inRange(self, kAttitudeNeutral | kNotSelf), (std::vector<Entity*>{guard, loner, kin}));
    // The attitude is the candidate's toward self: the wolf's own view counts.
    factions.setReputation(barbarian, monsters, 95.0f);
    EXPECT_EQ(inRange(self, kAttitudeNeutral | kNotSelf), (std::vector<Entity*>{guard, loner, kin}));
    factions.setReputation(monsters, barbarian, 30.0f);
    EXPECT_EQ(inRange(self, kAttitudeNeutral | kNotSelf), (std::vector<Entity*>{guard, wolf, loner, kin}));
    factions.declareWar(monsters, barbarian);
    EXPECT_EQ(inRange(self, kAttitudeNeutral | kNotSelf), (std::vector<Entity*>{guard, loner, kin}));
    // Without a self the bits answer false.
    EXPECT_TRUE(inRange(nullptr, kAttitudeLike | kAttitudeNeutral).empty());
    // The installed hook answers through the same system.
    EXPECT_EQ(EntityServices::factionRelation(guard, self), FactionSystem::kLike);
    EXPECT_EQ(EntityServices::factionRelation(wolf, self), FactionSystem::kHate);
    EXPECT_TRUE(kin->isFactionFriendly(self));
    EXPECT_FALSE(wolf->isFactionFriendly(self));
}

TEST_F(FactionWorldTest, SentientsAnswerTheFriendAndEnemyBits)
{
    using namespace EntityQueryMask;
    Sentient* self = add(500.0f, -1);
    Sentient* follower = add(510.0f, -1);
    Sentient* stranger = add(520.0f, -1);
    Sentient* corpse = add(530.0f, -1);
    ASSERT_TRUE(self && follower && stranger && corpse);
    corpse->setHealth(0);
    Entity* prop = new Entity();
    prop->setPosition(ZonePosition(0, 540.0f, 500.0f));
    ASSERT_GE(world.game->addEntity(prop), 0);
    self->setCovenantIndex(0);
    follower->setCovenantIndex(1);
    stranger->setCovenantIndex(2);
    corpse->setCovenantIndex(3);
    // Covenants at war with self's.
    setCovenantsAtWar(*world.game, 0, 2);
    setCovenantsAtWar(*world.game, 0, 3);
    scriptedCovenantAt(*world.game, 1);
    follower->setLeader(self, 4);
    // Friends: itself (same covenant) and its follower; enemies: the living
    // others with health, and the body (still a health capacity).
    EXPECT_EQ(inRange(self, kFriendly), (std::vector<Entity*>{self, follower}));
    EXPECT_EQ(inRange(self, kHostile), (std::vector<Entity*>{stranger, corpse}));
    EXPECT_EQ(inRange(self, kHostile | kNotDead), std::vector<Entity*>{stranger});
    EXPECT_EQ(inRange(self, kAny | kNotFriendly), (std::vector<Entity*>{stranger, corpse, prop}));
    EXPECT_TRUE(follower->isFriendlyTo(self)); // its leader
    EXPECT_FALSE(stranger->isHostileTo(stranger));
    follower->clearLeader();
}

TEST_F(FactionWorldTest, WarpCancelsASkillWindup)
{
    Sentient* s = add(500.0f, -1);
    ASSERT_NE(s, nullptr);
    const EventType* useSkill = Sentient::getEventType(Sentient::UseSkillEvent);
    ASSERT_TRUE(s->startSkillWindup(2, 3.0f, nullptr, true, 0));
    ASSERT_NE(world.game->findEvent(useSkill, s), nullptr);
    const auto& lines = world.server->getQueuedCommands();
    size_t before = lines.size();
    s->warp(ZonePosition(0, 2000.0f, 2000.0f));
    const Event* pending = world.game->findEvent(useSkill, s);
    EXPECT_TRUE(!pending || pending->isCancelled());
    ASSERT_EQ(lines.size(), before + 1);
    EXPECT_EQ(lines[before], formatString("timer %d %f %d", s->getEntityNumber(), 0.0, 0));
    EXPECT_NEAR(s->getPosition().x, 2000.0f, 64.0f);
    EXPECT_NEAR(s->getPosition().y, 2000.0f, 64.0f);
}

TEST_F(FactionWorldTest, MonstersTakeTheFactionOfTheirTypeElseOfTheirClass)
{
    registerSkillLoaders();
    const MonsterType* goblin = world.data->findMonsterType("GoblinWarrior");
    const MonsterType* guardType = world.data->findMonsterType("TownGuardType");
    ASSERT_TRUE(goblin && guardType);
    ASSERT_TRUE(goblin->factionName.empty()); // the class names it
    Actor wolf;
    wolf.initFromMonsterType(goblin, 3);
    EXPECT_EQ(wolf.getFactionId(), factions.getFactionId("Monsters"));
    Actor guard;
    guard.initFromMonsterType(guardType, 3);
    EXPECT_EQ(guard.getFactionId(), factions.getFactionId("Town"));
    EXPECT_EQ(factions.getRelation(&wolf, &guard), FactionSystem::kHate);
    EXPECT_EQ(factions.getRelation(&guard, &guard), FactionSystem::kLove);

    // A type naming a faction no entry has adds it.
    MonsterType stray = *goblin;
    stray.factionName = "Wanderers";
    Actor wanderer;
    wanderer.initFromMonsterType(&stray, 3);
    EXPECT_EQ(wanderer.getFactionId(), 6);
    EXPECT_EQ(factions.getFaction(6)->name, "Wanderers");
}

// ---- The game systems -------------------------------------------------------------------

class FactionStartupTest : public ::testing::Test {
protected:
    void TearDown() override { shutdownGame(); }

    TestWorld world{true, false};
};

TEST_F(FactionStartupTest, StartGameMakesItAmongTheGameSystemsAndKillsReachIt)
{
    startGame();
    FactionSystem* factions = FactionSystem::instance();
    ASSERT_NE(factions, nullptr);
    const auto& systems = GameSystemRegistry::instance()->getSystems();
    EXPECT_NE(std::find(systems.begin(), systems.end(), static_cast<GameSystem*>(factions)), systems.end());
    int monsters = factions->getFactionId("Monsters");
    int barbarian = factions->getFactionId("Barbarian");
    Sentient killer;
    Sentient victim;
    killer.setFactionId(barbarian);
    victim.setFactionId(monsters);
    notifyGameSystemsOfKill(&killer, &victim);
    EXPECT_FLOAT_EQ(factions->getReputation(monsters, barbarian), 0.0f);
    startGame();
    EXPECT_EQ(FactionSystem::instance(), factions);
    shutdownGame();
    EXPECT_EQ(FactionSystem::instance(), nullptr);
    EXPECT_EQ(GameSystemRegistry::instance(), nullptr);
}

// A kill dealt through the combat system reaches the faction system.
class FactionKillTest : public ::testing::Test {
protected:
    FactionKillTest() { createCombatSystem(); }
    ~FactionKillTest() override { destroyCombatSystem(); }

    Sentient* place(CharacterClassType type, float x, const std::string& faction)
    {
        auto* s = new Sentient();
        giveClassStart(*s, type);
        s->setStat(toIndex(CharacterStat::Level), 5);
        s->updateStats(true);
        s->setFactionId(factions.getFactionId(faction));
        s->setPosition(ZonePosition(0, x, 1000.0f));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        return s;
    }

    TestWorld world;
    GameSystemRegistry registry;
    FactionSystem factions;
};

TEST_F(FactionKillTest, KillingAMonsterMakesTheMonstersLikeTheKillersLess)
{
    world.game->resizeForWorld(1);
    int barbarian = factions.getFactionId("Barbarian");
    int monsters = factions.getFactionId("Monsters");
    int town = factions.getFactionId("Town");
    Sentient* mage = place(CharacterClassType::Mage, 1000.0f, "Barbarian");
    Sentient* warrior = place(CharacterClassType::Warrior, 1100.0f, "Monsters");
    Sentient* other = place(CharacterClassType::Warrior, 1200.0f, "Monsters");
    ASSERT_TRUE(mage && warrior && other);
    ASSERT_EQ(factions.getRelation(warrior, mage), FactionSystem::kHate);
    CombatSystem* combat = CombatSystem::instance();
    ASSERT_NE(combat, nullptr);

    // A wound that does not kill moves nothing.
    combat->applyDamageOfType(1, mage, warrior, 0, false, false);
    ASSERT_FALSE(warrior->isDead());
    EXPECT_FLOAT_EQ(factions.getReputation(monsters, barbarian), 5.0f);

    combat->applyDamageOfType(100000, mage, warrior, 0, false, false);
    ASSERT_TRUE(warrior->isDead());
    EXPECT_FLOAT_EQ(factions.getReputation(monsters, barbarian), 0.0f);
    // The town hates the monsters: its view of the killer stays.
    EXPECT_FLOAT_EQ(factions.getReputation(town, barbarian), 80.0f);
    // A second kill goes below 0: kills are not clamped.
    combat->applyDamageOfType(100000, mage, other, 0, false, false);
    ASSERT_TRUE(other->isDead());
    EXPECT_FLOAT_EQ(factions.getReputation(monsters, barbarian), -5.0f);
    EXPECT_EQ(factions.getRelation(other, mage), FactionSystem::kHate);
}

} // namespace
