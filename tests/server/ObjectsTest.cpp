#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "game/definitions/GateList.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Chest.h"
#include "game/entities/Door.h"
#include "game/entities/Gate.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Projectile.h"
#include "game/entities/Secret.h"
#include "game/entities/Stash.h"
#include "game/entities/Torch.h"
#include "game/entities/Trap.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/world/AreaDefinition.h"
#include "game/world/SpawnSystem.h"
#include "support/LevelWait.h"
#include "support/PlayerWorld.h"
#include "support/RandomScript.h"
#include "support/ScriptedCovenant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class ObjectsTest : public PlayerWorld {
protected:
    void SetUp() override
    {
        PlayerWorld::SetUp();
        covenant.nearGate = besidePlayer(-160.0f);
        player->setCovenantIndex(0);
    }

    template <class T> T* make(const char* entryName, const ZonePosition& at, int direction = West)
    {
        auto* object = new T();
        object->setEntry(Database::get().findEntry(entryName), entryName);
        object->loadFromDatabase();
        object->setDirection(direction);
        object->setSecondaryPosition(at);
        return add(object, at);
    }

    template <class T> std::vector<T*> all() const
    {
        std::vector<T*> out;
        for (int i = 0; i < Game::kMaxEntities; ++i)
            if (auto* e = dynamic_cast<T*>(server.game->getEntity(i)))
                out.push_back(e);
        return out;
    }

    bool deletePending(const Entity* e) const
    {
        return server.game->findEvent(Entity::getDeleteEventType(), e) != nullptr;
    }

    int count(const std::string& line) const
    {
        return static_cast<int>(std::count(lines().begin(), lines().end(), line));
    }

    void step(int n)
    {
        for (int i = 0; i < n; ++i)
            server.game->update(0.05f);
    }

    ScriptedCovenant& covenant = addScriptedCovenant(*server.game);
};

// ---- Chests ----------------------------------------------------------------------

TEST_F(ObjectsTest, AChestOpensOverItsTimeDropsOnceAndThenFadesAway)
{
    Chest* chest = make<Chest>("ChestWooden", besidePlayer(64.0f));
    chest->setLevel(5);
    for (auto [level, seconds] : {std::pair{1, 1.9f}, {10, 1.25f}, {30, 0.5f}}) {
        player->setStat(toIndex(CharacterStat::Level), level);
        chest->beginUse(player);
        EXPECT_TRUE(queued(formatString("timer %d %f 3", player->getEntityNumber(), seconds))) << level;
        chest->endUse(player);
        server.game->updateEvents(0.0f);
    }
    ASSERT_TRUE(chest->isClosed());
    chest->use(player);
    const size_t dropped = all<ItemGround>().size();
    EXPECT_GE(dropped, 1u);
    EXPECT_FALSE(chest->isClosed());
    EXPECT_FALSE(chest->isSolid());
    chest->use(player);
    EXPECT_EQ(all<ItemGround>().size(), dropped);
    // The lid lifts first; the fade starts with "open", and only once.
    EXPECT_FALSE(deletePending(chest));
    step(20);
    EXPECT_TRUE(deletePending(chest));
}

TEST_F(ObjectsTest, AChestWithoutAnOpeningAnimationFadesAtOnce)
{
    Chest* chest = make<Chest>("ChestWooden", besidePlayer(64.0f));
    chest->setModel("Models/BoxMan/boxman.mdl");
    chest->use(player);
    EXPECT_TRUE(deletePending(chest));
}

TEST_F(ObjectsTest, ADisarmedChestTrapNeverFiresOnTheNextOpening)
{
    Chest* chest = make<Chest>("ChestWooden", besidePlayer(64.0f));
    chest->setTrap(Database::get().findEntry("SpikeTrap"));
    Trap* trap = chest->getTrap();
    ASSERT_NE(trap, nullptr);
    player->setStat(toIndex(CharacterStat::DisarmTrap), 100);
    ASSERT_TRUE(scriptDraws({drawBelow(trap->getTriggerChance())}));
    chest->beginUse(player);
    server.game->updateEvents(5.0f);
    ASSERT_TRUE(trap->isFinished());
    ASSERT_FALSE(trap->isSprung());
    chest->endUse(player);
    ASSERT_TRUE(scriptDraws({drawBelow(trap->getTriggerChance())}));
    chest->beginUse(player);
    server.game->updateEvents(5.0f);
    EXPECT_FALSE(trap->isSprung());
    EXPECT_TRUE(all<Projectile>().empty());
}

TEST_F(ObjectsTest, ASecretChestOpensTheNextSecretLevelOrGivesItemsWhenNoneIsLeft)
{
    server.world->createSecretLevels();
    server.game->resizeForWorld(server.world->getLevelCount());
    const int numSecret = server.world->getNumSecretLevels();
    ASSERT_GT(numSecret, 0);
    struct Case {
        const char* what;
        int handedOutBefore;
        bool opensWay;
    };
    const std::vector<Case> cases = {
        {"first secret level free", 0, true},
        {"last secret level free", numSecret - 1, true},
        {"every secret level handed out", numSecret, false},
    };
    // The cases run in order: each opened way hands one secret level out for good.
    int handedOut = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_LE(handedOut, c.handedOutBefore);
        for (; handedOut < c.handedOutBefore; ++handedOut)
            ASSERT_NE(server.game->nextSecretLevel(), nullptr);
        Chest* chest = make<Chest>("ChestWooden", besidePlayer(64.0f));
        const int here = chest->getPosition().zone;
        const int hereDepth = server.world->getLevelMonsterLevel(here);
        // No trap, then the secret roll under its chance.
        ASSERT_GT(chest->getSecretLevelChance(), 0.0f);
        ASSERT_TRUE(
            scriptDraws({drawAtLeast(chest->getTrapChance()), drawBelow(chest->getSecretLevelChance())}));
        chest->setUpInLevel(here);
        ASSERT_TRUE(chest->isSecretChest());
        EXPECT_EQ(chest->getTrap(), nullptr);
        const size_t gatesBefore = all<Gate>().size();
        const size_t itemsBefore = all<ItemGround>().size();
        chest->use(player);
        std::vector<Gate*> gates = all<Gate>();
        EXPECT_FALSE(chest->isClosed());
        if (c.opensWay) {
            ASSERT_EQ(gates.size(), gatesBefore + 2);
            Gate* a = gates[gates.size() - 2];
            Gate* b = gates.back();
            for (Gate* gate : {a, b}) {
                EXPECT_EQ(gate->getKind(), Gate::kSecret);
                EXPECT_EQ(gate->getLinkedKind(), Gate::kSecret);
            }
            const int secret = server.world->getFirstSecretLevel() + c.handedOutBefore;
            EXPECT_EQ(server.world->getLevelMonsterLevel(secret), hereDepth + 1);
            EXPECT_TRUE(a->getPosition().zone == secret || b->getPosition().zone == secret);
            EXPECT_EQ(all<ItemGround>().size(), itemsBefore);
            ++handedOut;
        } else {
            EXPECT_EQ(gates.size(), gatesBefore);
            EXPECT_GT(all<ItemGround>().size(), itemsBefore);
        }
    }
}

// ---- Doors -----------------------------------------------------------------------

TEST_F(ObjectsTest, ADoubleDoorOpensAndClosesBothLeavesButNotOnSomeoneInIt)
{
    const ZonePosition at = besidePlayer(96.0f);
    Door* door = make<Door>("DoorGreat", at, North);
    door->onPlaced();
    Door* leaf = door->getTwin();
    ASSERT_NE(leaf, nullptr);
    EXPECT_TRUE(door->isSolid() && leaf->isSolid()) << "a closed door blocks from the start";
    EXPECT_FALSE(leaf->isPrimary());
    EXPECT_FLOAT_EQ(leaf->getPosition().x, at.x + 32.0f);
    EXPECT_FLOAT_EQ(leaf->getPosition().y, at.y);
    EXPECT_EQ(door->getStat(10), std::max(1, server.world->getLevelMonsterLevel(at.zone)));

    leaf->use(player);
    EXPECT_EQ(door->getState(), Door::Opening);
    EXPECT_TRUE(door->isSolid() && leaf->isSolid());
    step(40);
    ASSERT_EQ(door->getState(), Door::Open);
    EXPECT_FALSE(door->isSolid() || leaf->isSolid());

    // Someone in the second leaf's spot keeps both open.
    player->setPosition(leaf->getPosition());
    door->use(player);
    EXPECT_EQ(door->getState(), Door::Open);
    player->setPosition(besidePlayer(-200.0f));
    door->use(player);
    EXPECT_EQ(door->getState(), Door::Closing);
    step(40);
    EXPECT_EQ(door->getState(), Door::Closed);
    EXPECT_TRUE(door->isSolid() && leaf->isSolid());
}

TEST_F(ObjectsTest, ADoorPlacedOnSomeoneStartsOpenAndASkillShutsOpenDoorsInItsReach)
{
    Door* onPlayer = make<Door>("DoorWooden", player->getPosition(), North);
    onPlayer->onPlaced();
    EXPECT_EQ(onPlayer->getState(), Door::Open);
    EXPECT_FALSE(onPlayer->isSolid());

    Door* near = make<Door>("DoorWooden", besidePlayer(150.0f), North);
    Door* far = make<Door>("DoorWooden", besidePlayer(300.0f), North);
    Door* shut = make<Door>("DoorWooden", besidePlayer(-150.0f), North);
    for (Door* door : {near, far, shut})
        door->onPlaced();
    for (Door* door : {near, far})
        door->use(player);
    step(40);
    ASSERT_EQ(near->getState(), Door::Open);
    ASSERT_EQ(far->getState(), Door::Open);

    // Outlives the player, whose list keeps a pointer to it.
    static std::unique_ptr<SkillDefinition> gust;
    gust = std::make_unique<SkillDefinition>();
    gust->basicSkill = true;
    auto* skill = dynamic_cast<Skill*>(player->getSkillList()->addSkill(gust.get(), player, 2, 9));
    ASSERT_NE(skill, nullptr);
    // Without a distance no door moves.
    skill->execute(player, nullptr, Skill::kStageRequest, true);
    EXPECT_EQ(near->getState(), Door::Open);

    gust->shutDoorDistance = 200.0f;
    skill->execute(player, nullptr, Skill::kStageRequest, true);
    EXPECT_EQ(near->getState(), Door::Closing);
    EXPECT_EQ(far->getState(), Door::Open);
    EXPECT_EQ(shut->getState(), Door::Closed) << "a closed door is not opened";
    EXPECT_EQ(onPlayer->getState(), Door::Open) << "nor is one closed on someone";
}

// ---- Gates -----------------------------------------------------------------------

TEST_F(ObjectsTest, ALevelGateIsActivatedByTheFirstUseAndCarriesHomeOnTheNext)
{
    int zone = -1;
    for (int i = 1; i < server.world->getLevelCount() && zone < 0; ++i)
        if (server.world->getLevel(i)->gateFlag)
            zone = i;
    ASSERT_GE(zone, 0);
    Gate* gate = make<Gate>("ObjectGate", ZonePosition(zone, 100.0f, 100.0f));
    const int levelId = server.world->getWorldSize()->entryId;
    gate->beginUse(player);
    EXPECT_TRUE(
        queued(formatString("msg 2 \"%s Gate activated!\"", server.world->getLevelName(zone).c_str())));
    ASSERT_NE(player->getGates().find(levelId, zone), nullptr);
    EXPECT_TRUE(player->getGates().find(levelId, zone)->activated);
    bool copied = false;
    for (const GateRecord& r : player->getGatesCopy().getRecords())
        copied = copied || (r.zone == zone && r.levelId == levelId && r.activated);
    EXPECT_TRUE(copied);

    gate->beginUse(player);
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), covenant.nearGate), 5.0f * 32.0f);
    EXPECT_TRUE(player->isWarpPending());

    // No covenant: no use at all.
    player->setCovenantIndex(-1);
    const size_t before = lines().size();
    gate->beginUse(player);
    EXPECT_EQ(lines().size(), before);
}

// A warp into a level not built yet (the world map's gate travel) cannot see
// its walls: once the level is built a player left in rock stands on the
// nearest free ground, and one on free ground stays where it is.
TEST_F(ObjectsTest, APlayerWarpedIntoALevelNotBuiltStandsOnFreeGroundOnceItIs)
{
    int zone = -1;
    for (int i = 1; i < server.world->getLevelCount() && zone < 0; ++i)
        if (!server.world->isLevelLoaded(i) && !server.game->isLevelLoaded(i))
            zone = i;
    ASSERT_GE(zone, 0);
    Level* level = server.world->getLevel(zone);
    auto build = [&](bool wanted) {
        if (wanted)
            level->acquire(kViewKey);
        else
            level->release(kViewKey);
        return waitForLevels(server.app->getHooks(),
                             [&] { return server.game->isLevelLoaded(zone) == wanted; });
    };
    ASSERT_TRUE(build(true));
    auto blocked = [&](const ZonePosition& p) { return !server.game->isPlaceFree(p, player, 3); };
    // A blocked cell with free ground beside it, and a free cell.
    ZonePosition rock(-1, 0.0f, 0.0f);
    ZonePosition ground(-1, 0.0f, 0.0f);
    for (int cy = 2; cy < 126 && (rock.zone < 0 || ground.zone < 0); ++cy) {
        for (int cx = 2; cx < 126; ++cx) {
            const ZonePosition at(zone, cx * 32.0f + 16.0f, cy * 32.0f + 16.0f);
            const ZonePosition beside(zone, at.x + 64.0f, at.y);
            if (ground.zone < 0 && !blocked(at))
                ground = at;
            if (rock.zone < 0 && blocked(at) && !blocked(beside))
                rock = at;
        }
    }
    ASSERT_GE(rock.zone, 0);
    ASSERT_GE(ground.zone, 0);
    struct Case {
        const char* what;
        ZonePosition to;
        bool moves;
    };
    for (const Case& c : {Case{"into rock", rock, true}, Case{"onto free ground", ground, false}}) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(build(false)) << "the level stays built";
        player->warp(c.to);
        EXPECT_EQ(player->getPosition().x, c.to.x) << "no walls to see yet";
        ASSERT_TRUE(build(true));
        player->update(0.05f);
        const ZonePosition& at = player->getPosition();
        EXPECT_EQ(at.zone, zone);
        EXPECT_FALSE(blocked(at)) << at.x << " " << at.y;
        EXPECT_LT(ZonePosition::distanceTo(at, c.to), 5.0f * 32.0f);
        EXPECT_EQ(ZonePosition::distanceTo(at, c.to) > 0.0f, c.moves);
    }
    ASSERT_TRUE(build(false));
    player->setPosition(GameData::get().getStartPosition());
}

TEST_F(ObjectsTest, ASecretGatePairRewardsItsDiscoveryOnceFromEitherEnd)
{
    const ZonePosition a = besidePlayer(100.0f);
    const ZonePosition b = besidePlayer(400.0f);
    server.game->createLinkedGates(a, b, Gate::kSecret);
    std::vector<Gate*> gates = all<Gate>();
    ASSERT_EQ(gates.size(), 2u);
    EXPECT_EQ(gates[0]->getLinked(), gates[1]);
    gates[1]->beginUse(player);
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), gates[0]->getPosition()), 5.0f * 32.0f);
    gates[0]->beginUse(player);
    gates[1]->beginUse(player);
    EXPECT_EQ(count("msg 2 \"Secret found!\""), 1);
    EXPECT_TRUE(gates[0]->isFound() && gates[1]->isFound());
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::SecretsFound)), 1);
}

// The quests hear of a chest that says so and of a move through a
// connection gate: the treasure-map quest is solved by its chest, and an
// escorted NPC near the player goes through with it.
TEST_F(ObjectsTest, AQuestChestAndAConnectionGateTellTheQuests)
{
    auto rolled = [&](QuestType type) {
        auto quest = std::make_unique<Quest>();
        quest->setup(5, server.game->getClock(), 777u, toIndex(type), 0);
        quest->rollChoices(false);
        quest->randomizeParameters();
        const int number = server.game->addQuest(std::move(quest));
        EXPECT_NE(player->acceptQuest(number), nullptr);
        return number;
    };
    const int map = rolled(QuestType::TreasureMap);
    Chest* chest = make<Chest>("ChestWooden", besidePlayer(64.0f));
    server.game->getQuest(map)->questChest = chest;
    Chest* plain = make<Chest>("ChestWooden", besidePlayer(-64.0f));
    server.game->getQuest(map)->questChest = plain;
    plain->use(player);
    EXPECT_NE(server.game->getQuest(map), nullptr) << "a chest that tells nobody";
    server.game->getQuest(map)->questChest = chest;
    chest->setNotifiesQuests(true);
    chest->use(player);
    EXPECT_EQ(server.game->getQuest(map), nullptr);
    EXPECT_TRUE(queued("msg 2 \"$$QuestSolvedTreasureMap$$\""));

    const int escort = rolled(QuestType::Escort);
    Actor* npc = add(server.spawns->spawnMonster(GameData::get().findMonsterType("GoblinWarrior"), 0,
                                                 MonsterRarity::Normal, 1),
                     besidePlayer(-96.0f));
    ASSERT_NE(npc, nullptr);
    server.game->getQuest(escort)->questNpc = npc;
    const ZonePosition far = besidePlayer(600.0f);
    server.game->createLinkedGates(besidePlayer(48.0f), far, Gate::kConnection);
    std::vector<Gate*> gates = all<Gate>();
    ASSERT_EQ(gates.size(), 2u);
    Gate* near = ZonePosition::distanceTo(gates[0]->getPosition(), player->getPosition()) <
                         ZonePosition::distanceTo(gates[1]->getPosition(), player->getPosition())
                     ? gates[0]
                     : gates[1];
    const ZonePosition other = (near == gates[0] ? gates[1] : gates[0])->getPosition();
    near->beginUse(player);
    EXPECT_LT(ZonePosition::distanceTo(player->getPosition(), other), 2.0f * 32.0f);
    EXPECT_LT(ZonePosition::distanceTo(npc->getPosition(), other), 5.0f * 32.0f) << "the escort follows";
}

TEST_F(ObjectsTest, ASecretOfNoLevelAwardsExperienceAsForLevelOne)
{
    server.game->onSecretFound(100000);
    EXPECT_TRUE(queued(formatString("dmg %d +200xp", player->getEntityNumber())));
}

TEST_F(ObjectsTest, SecretLevelsAreHandedOutOnceEachThenNoMore)
{
    EXPECT_EQ(server.game->nextSecretLevel(), nullptr);
    server.world->createSecretLevels();
    const int n = server.world->getNumSecretLevels();
    ASSERT_GT(n, 0);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(server.game->nextSecretLevel(),
                  server.world->getLevel(server.world->getFirstSecretLevel() + i));
    EXPECT_EQ(server.game->nextSecretLevel(), nullptr);
    EXPECT_EQ(server.game->nextSecretLevel(), nullptr);
}

// ---- Secrets and stashes ---------------------------------------------------------

TEST_F(ObjectsTest, ASecretOpensAtNightAmongOnlyRedTorchesOncePerPlayer)
{
    server.world->createSecretLevels();
    server.game->resizeForWorld(server.world->getLevelCount());
    const int secretLevel = server.world->getNamedSecretLevel();
    ASSERT_GE(secretLevel, 0);
    const int index = server.world->getStartLevelIndex();
    ASSERT_GE(index, 0);
    const ZonePosition at = besidePlayer(200.0f);
    Secret* secret = make<Secret>("SecretPassage", at);
    secret->onPlaced();
    const auto opened = [&] { return all<Gate>().size(); };

    // No torch at night: shut.
    server.game->setTimeOfDay(4.99);
    secret->use(player);
    EXPECT_EQ(opened(), 0u);
    ZonePosition beside = at;
    beside.x += 40.0f;
    make<Torch>("TorchWall", beside);
    beside.y += 40.0f;
    Torch* green = make<Torch>("BrazierGreen", beside);
    server.game->setTimeOfDay(21.01);
    secret->use(player);
    EXPECT_EQ(opened(), 0u);
    green->setLit(false);
    for (double hour : {5.0, 21.0, 12.0}) {
        server.game->setTimeOfDay(hour);
        secret->use(player);
        EXPECT_EQ(opened(), 0u) << hour;
    }
    server.game->setTimeOfDay(4.99);
    secret->use(player);
    EXPECT_EQ(opened(), 2u);
    EXPECT_EQ(server.world->getLevelMonsterLevel(secretLevel), (index + 1) * 25);
    EXPECT_NE(player->getStat(toIndex(CharacterStat::SpecificSecrets)) & (1 << index), 0);
    secret->use(player);
    EXPECT_EQ(opened(), 2u);

    // A secret index above 1 acts as 0, and a world index past the stat's
    // bits has nothing to mark: neither ever opens.
    player->setStat(toIndex(CharacterStat::SpecificSecrets), 0);
    Database& db = Database::get();
    db.addSubDatabase("SecretTest", "secret_test.dbl",
                      "SecretSeven {\n Base SecretPassage\n SecretIndex 7\n}\n");
    db.resolveBases();
    Secret* seven = make<Secret>("SecretSeven", at);
    seven->onPlaced();
    seven->use(player);
    server.world->setStartLevelIndex(32);
    Secret* far = make<Secret>("SecretPassage", at);
    far->onPlaced();
    far->use(player);
    EXPECT_EQ(opened(), 2u);
    EXPECT_EQ(player->getStat(toIndex(CharacterStat::SpecificSecrets)), 0);
    server.world->setStartLevelIndex(index);
}

TEST_F(ObjectsTest, ASecretStaysShutWhileAStoryQuestStandsInTheGame)
{
    const ZonePosition at = besidePlayer(200.0f);
    Secret* secret = make<Secret>("SecretPassage", at);
    secret->onPlaced();
    ZonePosition beside = at;
    beside.x += 40.0f;
    make<Torch>("TorchWall", beside);
    server.game->setTimeOfDay(4.0);
    ASSERT_TRUE(secret->conditionsHold());

    auto questOf = [&](QuestType type) {
        auto quest = std::make_unique<Quest>();
        quest->setup(5, server.game->getClock(), 777u, toIndex(type), 0);
        return server.game->addQuest(std::move(quest));
    };
    // A quest outside the story chain changes nothing.
    const int hunt = questOf(QuestType::KillMonsters);
    ASSERT_EQ(server.game->getQuest(hunt)->definition->questSolvedBit, -1);
    EXPECT_TRUE(secret->conditionsHold());
    const int story = questOf(QuestType::StoryKillTurenScout);
    ASSERT_NE(server.game->getQuest(story)->definition->questSolvedBit, -1);
    EXPECT_FALSE(secret->conditionsHold());
    secret->use(player);
    EXPECT_TRUE(all<Gate>().empty());
    server.game->deleteQuest(story);
    EXPECT_TRUE(secret->conditionsHold());
}

// A burst skill used by the player: fire lights the torches made for it,
// cold puts out only those made for cold, and no torch is hurt.
TEST_F(ObjectsTest, ABurstOfFireLightsTorchesAndOneOfColdPutsOutOnlyThoseItReaches)
{
    Torch* wall = make<Torch>("TorchWall", besidePlayer(40.0f));
    Torch* brazier = make<Torch>("BrazierGreen", besidePlayer(-40.0f));
    Torch* far = make<Torch>("TorchWall", besidePlayer(400.0f));
    for (Torch* torch : {wall, brazier, far})
        torch->use(nullptr);
    ASSERT_FALSE(wall->isLit() || brazier->isLit() || far->isLit());

    const SkillDefinition* fire = GameData::get().findSkillDefinition("TrapFireBurst");
    ASSERT_NE(fire, nullptr);
    ASSERT_TRUE(fire->explosion);
    auto* burst = dynamic_cast<Skill*>(player->getSkillList()->addSkill(fire, player, 2, 8));
    ASSERT_NE(burst, nullptr);
    ASSERT_EQ(burst->execute(player, nullptr, Skill::kStageRequest, true), Skill::kDone);
    EXPECT_TRUE(wall->isLit());
    EXPECT_TRUE(brazier->isLit());
    EXPECT_FALSE(far->isLit()) << "beyond the burst's range";

    // Outlives the player, whose list keeps a pointer to it.
    static std::unique_ptr<SkillDefinition> frost;
    frost = std::make_unique<SkillDefinition>();
    frost->basicSkill = true;
    frost->explosion = true;
    frost->explosionDamage = fire->explosionDamage;
    frost->explosionRange = fire->explosionRange;
    frost->explosionDamageType = toIndex(DamageType::Cold);
    auto* cold = dynamic_cast<Skill*>(player->getSkillList()->addSkill(frost.get(), player, 2, 9));
    ASSERT_NE(cold, nullptr);
    ASSERT_EQ(cold->execute(player, nullptr, Skill::kStageRequest, true), Skill::kDone);
    EXPECT_FALSE(wall->isLit());
    EXPECT_TRUE(brazier->isLit()) << "a brazier does not feel the cold";
    for (const Torch* torch : {wall, brazier, far})
        EXPECT_EQ(torch->getHealth(), torch->getMaxHealth()) << torch->getEntryName();
}

TEST_F(ObjectsTest, StashesOpenTheLootGroupsOfTheUserOrItsCovenant)
{
    Stash* own = make<Stash>("ObjectPlayerStash", besidePlayer(64.0f));
    Stash* shared = make<Stash>("ObjectCovenantStash", besidePlayer(-64.0f));
    ASSERT_TRUE(own->isPlayerStash());
    covenant.inventory = std::make_unique<InventoryBase>();
    const int loot = toIndex(InventoryGroupIndex::Loot);
    for (int g = loot; g <= toIndex(InventoryGroupIndex::LootBag8); ++g) {
        EXPECT_EQ(own->getGroupFor(player, g), player->getInventory()->getOwnGroup(g)) << g;
        EXPECT_EQ(shared->getGroupFor(player, g), covenant.inventory->getOwnGroup(g)) << g;
        EXPECT_NE(shared->getGroupFor(player, g), nullptr);
    }
    EXPECT_EQ(own->getGroupFor(player, loot - 1), nullptr);
    EXPECT_EQ(shared->getGroupFor(player, toIndex(InventoryGroupIndex::LootBag8) + 1), nullptr);
    EXPECT_EQ(shared->getGroupFor(nullptr, loot), nullptr);
    player->setCovenantIndex(-1);
    EXPECT_EQ(shared->getGroupFor(player, loot), nullptr);
    EXPECT_EQ(own->getGroupFor(player, loot), player->getInventory()->getOwnGroup(loot));
}

// ---- Population and world end -------------------------------------------------------

TEST_F(ObjectsTest, PopulationLooksAtAGridOfPointsAndFillsEachBlockOnce)
{
    Game::Settings& settings = server.game->mutableSettings();
    settings.spawnSteps = 2;
    settings.spawnStepDistance = 100.0f;
    const ZonePosition at = player->getPosition();
    EXPECT_EQ(server.game->populateAroundPosition(at), 25);
    const int filled = server.game->getPopulatedBlockCount(at.zone);
    EXPECT_GE(filled, 1);
    const int entities = server.game->getEntityCount();
    EXPECT_EQ(server.game->populateAroundPosition(at), 25);
    EXPECT_EQ(server.game->getPopulatedBlockCount(at.zone), filled);
    EXPECT_EQ(server.game->getEntityCount(), entities);
    // Not generated: the step fills nothing.
    settings.spawnSteps = 4;
    server.game->updatePopulation();
    EXPECT_EQ(server.game->getPopulatedBlockCount(at.zone), filled);
}

TEST_F(ObjectsTest, CovenantPositionsComeOnceEachThenNone)
{
    Game::Settings& settings = server.game->mutableSettings();
    settings.covenantPositions = {Vec2(1.0f, 2.0f), Vec2(3.0f, 4.0f), Vec2(5.0f, 6.0f)};
    settings.covenantPositionCount = 3;
    std::vector<float> xs;
    ZonePosition out;
    for (int i = 0; i < 3; ++i) {
        server.game->takeRandomCovenantPosition(out);
        EXPECT_EQ(out.zone, 0);
        xs.push_back(out.x);
    }
    std::sort(xs.begin(), xs.end());
    EXPECT_EQ(xs, (std::vector<float>{1.0f, 3.0f, 5.0f}));
    server.game->takeRandomCovenantPosition(out);
    EXPECT_EQ(out.zone, -1);
}

TEST_F(ObjectsTest, WithEveryRingFullTheRewardChestStandsAtTheTownCentreAfterTheNews)
{
    // A solid chest on every spot of every ring the reward may take.
    const GameRules& rules = worldRules();
    const ZonePosition centre = rules.townCenterPosition;
    ASSERT_EQ(centre, ZonePosition(0, 1944.0f, 2016.0f));
    player->setPosition(besidePlayer(1000.0f));
    const int rings = rules.rewardChestRingLimit;
    for (int i = -rings; i <= rings; ++i)
        for (int j = -rings; j <= rings; ++j)
            make<Chest>("ChestWooden",
                        centre.offset(Vec2(32.0f * static_cast<float>(i), 32.0f * static_cast<float>(j))));
    const size_t blockers = all<Chest>().size();
    ASSERT_EQ(blockers, static_cast<size_t>((2 * rings + 1) * (2 * rings + 1)));

    server.game->offerRewardChest(true);
    Chest* reward = nullptr;
    for (Chest* chest : all<Chest>())
        if (chest->isWorldRewardChest())
            reward = chest;
    ASSERT_NE(reward, nullptr);
    EXPECT_EQ(reward->getEntryName(), "ChestRewardLarge");
    EXPECT_EQ(reward->getPosition(), centre);
    const auto conquered =
        std::find(lines().begin(), lines().end(), "msg 2 \"You have conquered this world!\"");
    ASSERT_NE(conquered, lines().end());
    ASSERT_NE(conquered + 1, lines().end());
    EXPECT_EQ(*(conquered + 1), formatString("msg 3 \"Reward chest (lvl %d) now available in town center!\"",
                                             reward->getLevel()));
}

TEST_F(ObjectsTest, AWorldIsWonOnlyWhenItHadComputerCovenantsAndAllFell)
{
    covenant.player = true;
    server.game->setWorldGenerated(true);
    EXPECT_FALSE(server.game->allAiCovenantsDestroyed());
    ScriptedCovenant& rival = addScriptedCovenant(*server.game);
    server.game->setAiCovenantCount(2);
    EXPECT_FALSE(server.game->allAiCovenantsDestroyed());
    rival.destroyed = true;
    EXPECT_TRUE(server.game->allAiCovenantsDestroyed());
    server.game->setWorldGenerated(false);
    EXPECT_FALSE(server.game->allAiCovenantsDestroyed());
    EXPECT_FALSE(server.game->isPlayerCovenantDestroyed());
    covenant.destroyed = true;
    EXPECT_TRUE(server.game->isPlayerCovenantDestroyed());
}

// ---- The player's gate pairs -------------------------------------------------------------

TEST_F(ObjectsTest, PlayerGatePairsNeedAnAreaThatAllowsThemAndStandAtTheirSavedSpot)
{
    AreaDefinition* town = server.world->getLevel(0)->definition;
    ASSERT_NE(town, nullptr);
    ASSERT_FALSE(town->playerCanCreateGate);
    town->playerCanCreateGate = true;
    const ZonePosition here = besidePlayer(96.0f);
    player->createGate(here, 0, false);
    Entity* near = player->getGate(0, 0);
    Entity* home = player->getGate(0, 1);
    ASSERT_NE(near, nullptr);
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(static_cast<Gate*>(near)->getLinked(), home);
    EXPECT_EQ(player->getPlayerGatePosition().x, here.x);

    // Where gates are not allowed: the text, and the old pair stays.
    town->playerCanCreateGate = false;
    player->createGate(besidePlayer(-96.0f), 0, false);
    EXPECT_TRUE(queued("msg 4 \"Can't create gate here!\""));
    EXPECT_EQ(player->getGate(0, 0), near);

    // Every ring around the saved spot taken: a restored gate stands on it.
    town->playerCanCreateGate = true;
    const ZonePosition saved = besidePlayer(400.0f);
    const int cell = 32;
    for (int i = -8; i <= 8; ++i)
        for (int j = -8; j <= 8; ++j) {
            auto* block = new Entity();
            block->setSolid(true);
            add(block, saved.offset(Vec2(static_cast<float>(i * cell), static_cast<float>(j * cell))));
        }
    player->createGate(saved, 0, false);
    EXPECT_EQ(player->getGate(0, 0), near) << "no room and not restoring: nothing changes";
    player->createGate(saved, 0, true);
    ASSERT_NE(player->getGate(0, 0), nullptr);
    EXPECT_EQ(player->getGate(0, 0)->getPosition().x, saved.x);
    EXPECT_EQ(player->getGate(0, 0)->getPosition().y, saved.y);
    EXPECT_EQ(all<Gate>().size(), 2u) << "the old pair is gone";
    town->playerCanCreateGate = false;
}

TEST_F(ObjectsTest, AReturnScrollOpensThePairAfterTheGateTime)
{
    AreaDefinition* town = server.world->getLevel(0)->definition;
    town->playerCanCreateGate = true;
    player->giveStartingItems();
    auto* scroll = new Item();
    scroll->setItemEntry(Database::get().findEntry("ScrollOfReturn"));
    ASSERT_EQ(player->getInventory()->addItem(scroll), InventoryBase::kAddPlaced);
    EXPECT_FALSE(scroll->use(player));
    EXPECT_TRUE(queued(formatString("timer %d %f 6", player->getEntityNumber(), 5.0)));
    server.game->updateEvents(4.9f);
    EXPECT_EQ(player->getGate(0, 0), nullptr);
    server.game->updateEvents(0.2f);
    EXPECT_NE(player->getGate(0, 0), nullptr);
    town->playerCanCreateGate = false;
}

} // namespace
