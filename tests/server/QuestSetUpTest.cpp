// Every quest type set up on the shipped data in a generated world with all
// its levels built: which set-ups fail and why, that a failure leaves
// nothing in the world, and that what stands is titled.
#include "engine/core/Random.h"
#include "game/definitions/GameData.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/AreaDefinition.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/LevelWait.h"
#include "support/RandomScript.h"
#include "support/TestCovenant.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

namespace {

class QuestTypes : public ::testing::Test {
protected:
    void SetUp() override
    {
        Random::setState(0, 4242);
        ASSERT_NE(addAldricLeading(game()), nullptr);
        ASSERT_TRUE(Server::get().newWorld({"1", "Average", "Normal", "3"}));
        // Every level built: a quest places its people in its target level.
        World& world = *server.world;
        for (int i = 0; i < world.getLevelCount(); ++i)
            world.getLevel(i)->acquire(kKey);
        ASSERT_TRUE(waitForLevels(
            server.app->getHooks(), [&] { return allLoaded(); }, std::chrono::seconds(240)));
    }
    void TearDown() override
    {
        game().clear();
        for (int i = 0; i < server.world->getLevelCount(); ++i)
            server.world->getLevel(i)->release(kKey);
    }
    bool allLoaded() const
    {
        for (int i = 0; i < server.world->getLevelCount(); ++i)
            if (!server.world->isLevelLoaded(i))
                return false;
        return true;
    }
    Game& game() { return *server.game; }
    std::unique_ptr<Quest> rolled(int type, int level = 10, uint32_t seed = 777)
    {
        auto quest = std::make_unique<Quest>();
        quest->setup(level, game().getClock(), seed, type, 0);
        quest->rollChoices(false);
        return quest;
    }
    // Takes out whatever follow-ups a failure started, with their people.
    void emptyTable()
    {
        for (int i = 0; i < game().getQuestTableSize(); ++i)
            game().deleteQuest(i);
        game().forEachQuest([](Quest&) {}); // the walk's end destroys what was deleted
    }

    static constexpr int kKey = 77;
    HeadlessServer server;
};

TEST_F(QuestTypes, EveryTypeSetsUpAtLevelTenOrFailsForItsReasonLeavingNothing)
{
    // Failures the rules make certain in this world, with the player in town:
    // a quest whose own level lies above the world's levels has no target
    // level; boss areas 2 and 4 have no level in a world of this size.
    const int top = server.world->getMaxMonsterLevel();
    ASSERT_GT(top, 10);
    auto mustFail = [top](int type) {
        const QuestDefinition* d = GameData::get().getQuestDefinition(type);
        if (type == toIndex(QuestType::BossLord) || type == toIndex(QuestType::BossKing)) {
            return true;
        }
        if (d && !d->boss && d->hasWorldLevel && d->defaultLevel > top) {
            return true;
        }
        return type == toIndex(QuestType::RenegadeAttack) // needs the quest it follows
               || type == toIndex(QuestType::Kidnapping); // a player is in town
    };
    // Set-ups that stand on a draw (two sides willing to fight, a type whose
    // class may rise, a plague or drop quest's type the level spawns): either way.
    const std::set<int> byDraw = {toIndex(QuestType::War),
                                  toIndex(QuestType::MonsterQuestItem),
                                  toIndex(QuestType::ArmorsmithMonsterQuestItem),
                                  toIndex(QuestType::WeaponsmithMonsterQuestItem),
                                  toIndex(QuestType::MonsterQuest),
                                  toIndex(QuestType::Plague),
                                  toIndex(QuestType::Meeting),
                                  toIndex(QuestType::Uprising),
                                  toIndex(QuestType::WarAgainstBarbarians),
                                  toIndex(QuestType::KillMonsterGroup)};
    Random::setState(0, 99);
    for (int type = 0; type < kQuestTypeCount; ++type) {
        emptyTable();
        const int entities = game().getEntityCount();
        auto quest = rolled(type);
        quest->setUp(0, nullptr);
        if (!quest->invalid) {
            EXPECT_FALSE(mustFail(type)) << getQuestTypeName(type) << " set up";
            // A quest that stands has a name the player can read.
            EXPECT_NE(quest->getTitle(false, -1), "$$QuestSlotEmpty$$") << getQuestTypeName(type);
        } else {
            EXPECT_TRUE(mustFail(type) || byDraw.count(type)) << getQuestTypeName(type) << " failed";
        }
        const bool failed = quest->invalid;
        quest->removeFromWorld();
        // A failure's follow-up may stand in the world; the quest itself not.
        if (failed && quest->definition->nextQuest.empty()) {
            EXPECT_EQ(game().getEntityCount(), entities)
                << getQuestTypeName(type) << " left something behind";
        }
    }
}

TEST_F(QuestTypes, AnEscortNeedsADestinationOtherThanItsTarget)
{
    int equal = 0;
    int apart = 0;
    for (uint32_t seed = 1; seed <= 120 && (equal == 0 || apart == 0); ++seed) {
        auto quest = rolled(toIndex(QuestType::Escort), 10, seed);
        quest->setUp(0, nullptr);
        const bool same = quest->getTargetLevel() == quest->getSecondTargetLevel();
        (same ? equal : apart) += 1;
        EXPECT_EQ(quest->invalid, same) << "seed " << seed << " levels " << quest->getTargetLevel() << ' '
                                        << quest->getSecondTargetLevel();
        quest->removeFromWorld();
    }
    EXPECT_GT(apart, 0);
}

// A quest for what a kind of monster lets fall stands only where its target
// level's area spawns that kind, and once numbered it raises that kind's
// spawns there: else the player may hold one whose monster never comes.
TEST_F(QuestTypes, AMonsterDropQuestStandsOnlyWhereItsMonsterSpawns)
{
    const std::vector<QuestType> types = {QuestType::MonsterQuestItem, QuestType::ArmorsmithMonsterQuestItem,
                                          QuestType::WeaponsmithMonsterQuestItem};
    Random::setState(0, 31);
    for (QuestType type : types) {
        SCOPED_TRACE(getQuestTypeName(toIndex(type)));
        int stood = 0;
        int refused = 0;
        for (uint32_t seed = 1; seed <= 60; ++seed) {
            emptyTable();
            auto quest = rolled(toIndex(type), 10 + static_cast<int>(seed % 8), seed);
            quest->setUp(0, nullptr);
            if (quest->invalid) {
                ++refused;
                quest->removeFromWorld();
                continue;
            }
            ++stood;
            const Level* target = server.world->getLevel(quest->getTargetLevel());
            ASSERT_NE(target, nullptr);
            ASSERT_NE(target->definition, nullptr);
            const MonsterType* prey = quest->getMonsterType(0);
            EXPECT_TRUE(target->definition->isMonsterOfArea(prey))
                << "seed " << seed << ": " << (prey ? prey->getName() : "no monster")
                << " does not spawn on level " << quest->getTargetLevel();
            const float before = target->definition->getSpawnEntryWeight();
            const int number = game().addQuest(std::move(quest));
            EXPECT_GT(target->definition->getSpawnEntryWeight(), before) << "seed " << seed;
            game().deleteQuest(number);
            EXPECT_FLOAT_EQ(target->definition->getSpawnEntryWeight(), before) << "seed " << seed;
        }
        EXPECT_GT(stood, 0);
        EXPECT_GT(refused, 0) << "every draw spawned on its level: the check was never needed";
    }
    emptyTable();
}

// Two monster types of different families, drawn as A and B by scripted
// draws: the war's chance is (100 - adjusted reputation)^2 / 10000.
TEST_F(QuestTypes, AWarAtAdjustedReputationHundredNeverStartsAndAtZeroAlways)
{
    QuestDefinition& war = *GameData::get().getQuestDefinition(toIndex(QuestType::War));
    std::vector<MonsterType*> window;
    GameData::get().collectMonsterTypes(0, 10 + war.minLevelChange, 10 + war.maxLevelChange, window);
    FactionSystem& factions = *FactionSystem::instance();
    const int goblins = factions.getFactionId("Monsters");
    const int undead = factions.getFactionId("Undead");
    int a = -1;
    int b = -1;
    for (size_t i = 0; i < window.size(); ++i) {
        const int f = Quest::factionOf(window[i]);
        a = f == goblins && a < 0 ? static_cast<int>(i) : a;
        b = f == undead && b < 0 ? static_cast<int>(i) : b;
    }
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    const float n = static_cast<float>(window.size());
    auto pick = [n](int i) {
        return drawBetween((static_cast<float>(i) + 0.1f) / n, (static_cast<float>(i) + 0.9f) / n);
    };
    struct Row {
        float reputation;
        float mult;
        DrawCheck roll;
        bool starts;
    };
    // 60 / 0.5 is above 100: kept at 100, nothing left to roll under.
    // 40 x 0 is 0: every roll of [0, 10000) stays under 100^2.
    const Row rows[] = {{60.0f, 0.5f, drawBelow(0.1f), false}, {40.0f, 0.0f, drawAtLeast(0.9f), true}};
    for (const Row& row : rows) {
        factions.makePeace(goblins, undead);
        factions.setReputation(goblins, undead, row.reputation);
        factions.setReputation(undead, goblins, row.reputation);
        war.reputationMult = row.mult;
        auto quest = rolled(toIndex(QuestType::War));
        ASSERT_TRUE(scriptDraws({pick(a), pick(b), row.roll}));
        quest->setUp(0, nullptr);
        EXPECT_EQ(!quest->invalid, row.starts) << row.reputation << " x " << row.mult;
        EXPECT_EQ(factions.isAtWar(goblins, undead), row.starts);
    }
}

TEST_F(QuestTypes, AMonsterGroupOfTwoNeedsFourFreeUniqueTypes)
{
    QuestDefinition& group = *GameData::get().getQuestDefinition(toIndex(QuestType::KillMonsterGroup));
    group.minCount = 2;
    group.maxCount = 2;
    const int lo = 10 + group.minLevelChange;
    const int hi = 10 + group.maxLevelChange;
    std::vector<MonsterType*> free = game().collectUnusedMonsterTypes(5, lo, hi);
    ASSERT_GE(free.size(), 4u);
    // Quests of the table take all but four, then all but three.
    for (size_t keep : {4u, 3u}) {
        emptyTable();
        for (size_t i = keep; i < free.size(); ++i) {
            auto holder =
                rolled(toIndex(QuestType::UniqueMonsterSpotted), 10, 900u + static_cast<uint32_t>(i));
            holder->monsterType = free[i];
            game().restoreQuest(game().getQuestTableSize(), std::move(holder));
        }
        ASSERT_EQ(game().collectUnusedMonsterTypes(5, lo, hi).size(), keep);
        bool started = false;
        for (uint32_t seed = 1; seed <= 20 && !started; ++seed) {
            auto quest = rolled(toIndex(QuestType::KillMonsterGroup), 10, seed);
            quest->setUp(0, nullptr);
            started = !quest->invalid;
            if (started) {
                EXPECT_EQ(quest->targets.size(), 2u);
            }
            quest->removeFromWorld();
        }
        EXPECT_EQ(started, keep == 4u) << keep << " free types";
    }
    emptyTable();
}

// Placing a quest read back from a save: what each type puts into the world.
// A unique monster spotted and an assassin are credited only when their one
// monster dies. Made at the world's lowest, middle and highest level until
// the draw they share has nothing left in its window, each hunts a monster
// the player can fight: no townsperson, whom no blow of the player's reaches.
TEST_F(QuestTypes, AUniqueMonsterQuestHuntsOnlyWhatThePlayerCanFight)
{
    const Player* player = game().getFirstPlayer();
    ASSERT_NE(player, nullptr);
    const World& world = *server.world;
    for (QuestType type : {QuestType::UniqueMonsterSpotted, QuestType::Assassin}) {
        const QuestDefinition& d = *GameData::get().getQuestDefinition(toIndex(type));
        for (int level : {1, world.getMaxMonsterLevel() / 2, world.getMaxMonsterLevel()}) {
            SCOPED_TRACE(getQuestTypeName(toIndex(type)) + " at level " + std::to_string(level));
            emptyTable();
            const int lo = level + d.minLevelChange;
            const int hi = level + d.maxLevelChange;
            // Kind 6, the legends, only when the definition draws them.
            auto unused = [&] {
                std::vector<MonsterType*> left = game().collectUnusedMonsterTypes(5, lo, hi);
                if (d.legendChance > 0.0f) {
                    for (MonsterType* legend : game().collectUnusedMonsterTypes(6, lo, hi))
                        left.push_back(legend);
                }
                return left;
            };
            int made = 0;
            for (uint32_t seed = 1; seed <= 400 && !unused().empty(); ++seed) {
                auto quest = rolled(toIndex(type), level, seed);
                quest->setUp(0, nullptr);
                MonsterType* drawn = quest->invalid ? nullptr : quest->monsterType;
                if (drawn) {
                    ++made;
                    const auto* prey = dynamic_cast<const Actor*>(quest->questNpc.get());
                    ASSERT_NE(prey, nullptr) << drawn->getEntryName();
                    EXPECT_TRUE(player->isEnemyOf(prey)) << drawn->getEntryName();
                    EXPECT_TRUE(prey->canBeAttacked()) << drawn->getEntryName();
                }
                quest->removeFromWorld();
                // Its monster is held by a quest of another kind (one of its
                // own would be a duplicate), so the next draw takes another.
                if (drawn) {
                    auto holder = rolled(toIndex(QuestType::GhostRevenge), level, 5000u + seed);
                    holder->monsterType = drawn;
                    game().restoreQuest(game().getQuestTableSize(), std::move(holder));
                }
            }
            EXPECT_GT(made, 0);
            std::string left;
            for (const MonsterType* t : unused())
                left += " " + t->getEntryName();
            EXPECT_TRUE(left.empty()) << "never drawn:" << left;
        }
    }
    emptyTable();
}

TEST_F(QuestTypes, RestoredQuestsPlaceTheirPeople)
{
    // The story rescue's captive is always of the first class.
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        auto story = rolled(toIndex(QuestType::StoryShankarRescue), 10, seed);
        EXPECT_EQ(story->rollNpcClass(), 0) << seed;
    }

    // A kidnapped town NPC is taken to the target level and marked.
    Actor* victim = game().getTownNpcAt(0);
    ASSERT_NE(victim, nullptr);
    auto kidnapping = rolled(toIndex(QuestType::Kidnapping));
    kidnapping->npcChoice = 0;
    kidnapping->monsterType = GameData::get().findMonsterType("GoblinChief");
    kidnapping->setUp(1, nullptr);
    ASSERT_FALSE(kidnapping->invalid);
    EXPECT_EQ(kidnapping->questNpc.get(), victim);
    EXPECT_TRUE(victim->hasFlag(EntityBase::kFlagKidnapped));
    EXPECT_EQ(victim->getPosition().zone, kidnapping->getTargetLevel());

    // A town attack whose gate is down: attackers, no gate.
    auto attack = rolled(toIndex(QuestType::TownAttack));
    attack->monsterType = GameData::get().findMonsterType("GoblinWarrior");
    attack->gateHealth = 0.0f;
    attack->attackPosition = GameData::get().getStartPosition();
    attack->setUp(1, nullptr);
    EXPECT_EQ(attack->questNpc.get(), nullptr);
    const QuestDefinition& townAttack = *attack->definition;
    EXPECT_GE(static_cast<int>(attack->spawnedEntities.size()), townAttack.minCount);
    EXPECT_LE(static_cast<int>(attack->spawnedEntities.size()), townAttack.maxCount);

    // A renegade whose NPC still lives is moved into the town, not made again.
    auto renegade = rolled(toIndex(QuestType::RenegadeAttack));
    Actor* npc = game().getTownNpcAt(1);
    ASSERT_NE(npc, nullptr);
    npc->warp(ZonePosition(1, 2000.0f, 2000.0f));
    renegade->questNpc = npc;
    const int entities = game().getEntityCount();
    renegade->setUp(1, nullptr);
    EXPECT_EQ(renegade->questNpc.get(), npc);
    EXPECT_EQ(npc->getPosition().zone, 0);
    EXPECT_EQ(game().getEntityCount(), entities);
}

// Asks for the level under `key` and waits until it is built (the limit
// catches only a hang).
bool buildLevel(HeadlessServer& server, int level, int key)
{
    server.world->getLevel(level)->acquire(key);
    return waitForLevels(server.app->getHooks(), [&] { return server.world->isLevelLoaded(level); });
}

// A new world of seed 4242 led by Aldric, none of its levels built.
struct UnbuiltWorld {
    UnbuiltWorld()
    {
        player = addAldricLeading(*server.game);
        made = player && Server::get().newWorld({"1", "Average", "Normal", "3"});
    }
    // Seeded before the server is made, which draws too.
    bool seeded = (Random::setState(0, 4242), true);
    HeadlessServer server;
    Player* player = nullptr;
    bool made = false;
};

// Without the levels built: a quest's NPC (a captive, a taken townsperson)
// still stands in its target level and moves onto free ground when that level
// is built, its home with it.
TEST(QuestInUnbuiltLevel, APlacedNpcFindsFreeGroundWhenItsLevelIsBuilt)
{
    for (QuestType type : {QuestType::RescueNpc, QuestType::Kidnapping}) {
        SCOPED_TRACE(getQuestTypeName(toIndex(type)));
        UnbuiltWorld unbuilt;
        ASSERT_TRUE(unbuilt.made);
        HeadlessServer& server = unbuilt.server;
        Game& game = *server.game;
        Player* player = unbuilt.player;
        // A townsperson is taken only while the player is away.
        player->setPosition(ZonePosition(1, 2000.0f, 2000.0f));
        std::unique_ptr<Quest> quest;
        for (uint32_t seed = 101; seed < 300 && !quest; ++seed) {
            auto tried = std::make_unique<Quest>();
            tried->setup(10, game.getClock(), seed, toIndex(type), 0);
            tried->rollChoices(false);
            const int target = tried->getTargetLevel();
            if (target <= 0 || server.world->isLevelLoaded(target)) {
                continue;
            }
            tried->setUp(0, nullptr);
            if (!tried->invalid) {
                quest = std::move(tried);
            } else {
                tried->removeFromWorld();
            }
        }
        ASSERT_NE(quest, nullptr);
        const int target = quest->getTargetLevel();
        auto* npc = dynamic_cast<Actor*>(quest->questNpc.get());
        ASSERT_NE(npc, nullptr);
        EXPECT_EQ(npc->getPosition().zone, target);
        EXPECT_TRUE(npc->relocated);

        constexpr int kKey = 78;
        ASSERT_TRUE(buildLevel(server, target, kKey));
        EXPECT_EQ(npc->getPosition().zone, target);
        EXPECT_TRUE(game.isPlaceFree(npc->getPosition(), npc, 3));
        EXPECT_EQ(npc->getHome().zone, target);
        EXPECT_TRUE(ZonePosition::isWithinSquare(npc->getPosition(), npc->getHome(), 0.5f));
        game.clear();
        server.world->getLevel(target)->release(kKey);
    }
}

// Any actor warped into a level not built yet (a covenant's member sent on
// an adventure, a quest's NPC) stands on free ground once the level is built.
TEST(WarpIntoUnbuiltLevel, AnActorFindsFreeGroundWhenTheLevelIsBuilt)
{
    UnbuiltWorld unbuilt;
    ASSERT_TRUE(unbuilt.made);
    HeadlessServer& server = unbuilt.server;
    Game& game = *server.game;
    const MonsterType* type = GameData::get().findMonsterType("GoblinWarrior");
    ASSERT_NE(type, nullptr);
    int target = -1;
    for (int level = 1; level < server.world->getLevelCount() && target < 0; ++level) {
        target = server.world->isLevelLoaded(level) ? -1 : level;
    }
    ASSERT_GE(target, 1);
    Level* level = server.world->getLevel(target);
    // Spots drawn blind: some lie in what becomes rock.
    std::vector<SafePtr<Actor>> warped;
    for (int i = 0; i < 32; ++i) {
        auto* actor = new Actor();
        actor->initFromMonsterType(type, 5);
        actor->setPosition(ZonePosition(0, 2000.0f, 2000.0f));
        ASSERT_GE(game.addEntity(actor), 0);
        actor->warp(level->randomPositionInArea());
        EXPECT_EQ(actor->getPosition().zone, target);
        warped.emplace_back(actor);
    }
    constexpr int kKey = 79;
    ASSERT_TRUE(buildLevel(server, target, kKey));
    for (const SafePtr<Actor>& actor : warped) {
        ASSERT_NE(actor.get(), nullptr);
        EXPECT_TRUE(game.isPlaceFree(actor->getPosition(), actor.get(), 3))
            << actor->getPosition().x << " " << actor->getPosition().y;
    }
    game.clear();
    level->release(kKey);
}

// Items a quest hides in a level no one has built yet: taking the quest
// places none (no free ground there), and they lie in the level once it is.
TEST(QuestInUnbuiltLevel, ItsItemsLieInItsLevelOnceTheLevelIsBuilt)
{
    for (QuestType type : {QuestType::LevelQuestItem, QuestType::ArmorsmithLevelQuestItem,
                           QuestType::WeaponsmithLevelQuestItem}) {
        SCOPED_TRACE(toIndex(type));
        UnbuiltWorld unbuilt;
        ASSERT_TRUE(unbuilt.made);
        HeadlessServer& server = unbuilt.server;
        Game& game = *server.game;
        Player* player = unbuilt.player;
        auto rolledQuest = std::make_unique<Quest>();
        rolledQuest->setup(10, game.getClock(), 101, toIndex(type), 0);
        rolledQuest->rollChoices(false);
        rolledQuest->setUp(0, nullptr);
        ASSERT_FALSE(rolledQuest->invalid);
        const int target = rolledQuest->getTargetLevel();
        ASSERT_GT(target, 0);
        ASSERT_FALSE(server.world->isLevelLoaded(target));
        Quest* quest = game.getQuest(game.addQuest(std::move(rolledQuest)));
        ASSERT_NE(quest, nullptr);
        ASSERT_NE(player->acceptQuest(quest->id), nullptr);
        EXPECT_TRUE(quest->spawnedEntities.empty());

        constexpr int kKey = 79;
        ASSERT_TRUE(buildLevel(server, target, kKey));
        EXPECT_GE(static_cast<int>(quest->spawnedEntities.size()), quest->goal);
        for (const SafePtr<Entity>& placed : quest->spawnedEntities) {
            ASSERT_NE(placed.get(), nullptr);
            EXPECT_EQ(placed->getPosition().zone, target);
        }
        game.clear();
        server.world->getLevel(target)->release(kKey);
    }
}

// The story's army quest over new worlds: it is always made, its target
// level spawns its monster (by the area's own list or the quest's spawn
// entry), and a monster of that level killed there comes back while the
// player is away, so the count can always be met.
TEST(StoryArmyQuest, ItsLevelSpawnsItsMonsterAndTheFallenComeBack)
{
    HeadlessServer server;
    Game& game = *server.game;
    const GameRules& rules = worldRules();
    for (uint32_t worldSeed = 1; worldSeed <= 12; ++worldSeed) {
        SCOPED_TRACE(worldSeed);
        Random::setState(0, 4242 + worldSeed);
        Random::setState(1, 4242 + worldSeed);
        Player* player = addAldricLeading(game);
        ASSERT_NE(player, nullptr);
        ASSERT_TRUE(Server::get().newWorld({"1", "Hard", "Normal", "4"}));
        Quest* quest = game.generateQuests(toIndex(QuestType::StoryTurenArmy), nullptr, -1);
        ASSERT_NE(quest, nullptr) << "the story stops here";
        const int target = quest->getTargetLevel();
        Level* level = server.world->getLevel(target);
        ASSERT_TRUE(level && level->definition);
        const MonsterType* prey = quest->getMonsterType(0);
        bool spawns = level->definition->isMonsterOfArea(prey);
        for (const AreaDefinition::SpawnEntry& entry : level->definition->getSpawnEntries())
            spawns = spawns || (entry.monster == prey && entry.id == quest->id + 1);
        EXPECT_TRUE(spawns) << (prey ? prey->getName() : "no monster") << " never spawns on level " << target
                            << " (" << level->definition->name << ")";

        // One of the level's own, killed with the player away from its spot.
        server.spawns->setPlaceInUnbuiltLevels(true);
        const ZonePosition spot = level->randomPositionInArea();
        Actor* fallen = nullptr;
        for (int tries = 0; tries < 50 && !fallen; ++tries)
            fallen = server.spawns->spawnAndPlaceMonster(target, spot);
        ASSERT_NE(fallen, nullptr);
        const float away = rules.respawnDistance + 100.0f;
        player->setPosition(ZonePosition{target, spot.x < away ? spot.x + away : spot.x - away, spot.y});
        game.scheduleMonsterRespawn(fallen, player);
        game.removeEntity(fallen);
        delete fallen;
        const size_t standing = game.collectEntitiesOnLevel(target).size();
        EXPECT_EQ(game.countRespawns(target), 1);
        game.runRespawnQueues(rules.monsterRespawnTime);
        EXPECT_EQ(game.countRespawns(target), 0);
        EXPECT_EQ(game.collectEntitiesOnLevel(target).size(), standing + 1) << "none came back";
        server.spawns->setPlaceInUnbuiltLevels(false);
        game.clear();
    }
}

} // namespace
