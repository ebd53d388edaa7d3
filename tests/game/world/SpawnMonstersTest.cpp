#include "engine/core/Random.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/entities/ActorFixture.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/skills/StatusEffect.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"
#include "support/RandomScript.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

// Monsters on the shipped data in the flat one-level Game; a World of one
// level whose area's rarity chances the test sets where it is needed.
class SpawnMonstersTest : public ActorFixture {
protected:
    SpawnMonstersTest() { spawns.load(); }
    // A World of one level of the test's area (placement then asks it too).
    void makeWorld()
    {
        worldLevels = std::make_unique<World>();
        auto level = std::make_unique<Level>();
        level->definition = &area;
        worldLevels->addLevel(std::move(level));
    }
    ~SpawnMonstersTest() override { world.game->clear(); }

    static int randomEnhancements(const Actor& actor)
    {
        int n = 0;
        for (const StatusEffect* e : actor.getStatusEffects())
            n += e->getEntry() &&
                 e->getEntry()->getTypeInherited() == static_cast<int>(DatabaseEntryType::MonsterEnhancement);
        return n;
    }
    int npcOnlyEnhancements(const Actor& actor) const
    {
        int n = 0;
        for (const StatusEffect* e : actor.getStatusEffects())
            n += e->getEntry() && world.database.getInt(e->getEntry(), "NpcOnly") != 0;
        return n;
    }
    static bool has(const Actor& actor, const std::string& name)
    {
        for (const StatusEffect* e : actor.getStatusEffects())
            if (e->getEntry() && e->getEntry()->getName() == name)
                return true;
        return false;
    }
    std::unique_ptr<Actor> make(const char* type, MonsterRarity rarity, int level = 10)
    {
        return std::unique_ptr<Actor>(spawns.spawnMonster(findType(type), 0, rarity, level));
    }

    SpawnSystem spawns;
    AreaDefinition area;
    std::unique_ptr<World> worldLevels;
};

TEST_F(SpawnMonstersTest, RaritiesFallBackAndBringTheirEnhancements)
{
    ASSERT_TRUE(spawns.isLoaded());
    // No legend and no unique version: VeryRare, two random enhancements
    // and the VeryRare mark.
    for (int i = 0; i < 10; ++i) {
        auto scout = make("GoblinScout", MonsterRarity::Legend);
        ASSERT_NE(scout, nullptr);
        EXPECT_EQ(scout->getEnhancementRarity(), static_cast<int>(MonsterRarity::VeryRare));
        EXPECT_EQ(randomEnhancements(*scout), 2);
        EXPECT_TRUE(has(*scout, "EnhancementRarityVeryRare"));
        EXPECT_EQ(scout->getMonsterType(), findType("GoblinScout"));
    }
    // An NPC: four from its own table, no mark.
    auto npc = make("RecruitWarrior", MonsterRarity::Legend);
    ASSERT_NE(npc, nullptr);
    ASSERT_TRUE(npc->isNpc());
    EXPECT_EQ(randomEnhancements(*npc), 4);
    EXPECT_EQ(npcOnlyEnhancements(*npc), 4);
    EXPECT_FALSE(has(*npc, "EnhancementRarityVeryRare"));

    auto rare = make("GoblinScout", MonsterRarity::Rare);
    EXPECT_TRUE(has(*rare, "EnhancementRarityRare"));
    EXPECT_EQ(randomEnhancements(*rare), 1);
    auto rareNpc = make("RecruitWarrior", MonsterRarity::Rare);
    EXPECT_FALSE(has(*rareNpc, "EnhancementRarityRare"));
    EXPECT_EQ(npcOnlyEnhancements(*rareNpc), 3);

    auto plain = make("GoblinScout", MonsterRarity::Normal);
    EXPECT_EQ(randomEnhancements(*plain), 0);
    auto boss = make("GoblinScout", MonsterRarity::Boss);
    EXPECT_EQ(randomEnhancements(*boss), 0);
    EXPECT_TRUE(has(*boss, "EnhancementRarityBoss"));
    auto quiet = std::unique_ptr<Actor>(
        spawns.spawnMonster(findType("GoblinScout"), 0, MonsterRarity::VeryRare, 10, true));
    EXPECT_EQ(randomEnhancements(*quiet), 0);

    // A legend version is used; a unique request picks a unique version.
    auto lord = make("SkeletonWarrior", MonsterRarity::Legend);
    if (findType("SkeletonWarrior") && findType("SkeletonWarrior")->legendVersion) {
        EXPECT_EQ(lord->getMonsterType(), findType("SkeletonWarrior")->legendVersion);
        EXPECT_EQ(lord->getEnhancementRarity(), static_cast<int>(MonsterRarity::Legend));
    }
    EXPECT_EQ(spawns.spawnMonster(nullptr, 0, MonsterRarity::Normal, 5), nullptr);
}

TEST_F(SpawnMonstersTest, PlacedMonstersOfAGlowingRarityWearTheGlowAndNpcsNever)
{
    const std::string& glowModel = spawns.getMonsterDrops(static_cast<int>(MonsterRarity::Rare)).effectModel;
    ASSERT_FALSE(glowModel.empty()) << "the shipped data gives Rare monsters a look";
    auto glows = [&](const Actor* actor) {
        int n = 0;
        for (const auto& child : actor->getChildren())
            n += child && child->getModelName() == glowModel;
        return n;
    };
    auto place = [&](const char* type, MonsterRarity rarity, int tx) {
        Actor* actor = make(type, rarity).release();
        EXPECT_EQ(glows(actor), 0) << "nothing before it stands";
        if (!spawns.placeMonster(actor, nav.tileCentre(0, tx, 60), nullptr)) {
            delete actor;
            return static_cast<Actor*>(nullptr);
        }
        return actor;
    };
    Actor* rare = place("GoblinScout", MonsterRarity::Rare, 40);
    ASSERT_NE(rare, nullptr);
    EXPECT_EQ(glows(rare), 1);
    Actor* plain = place("GoblinScout", MonsterRarity::Normal, 50);
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(spawns.getMonsterDrops(static_cast<int>(MonsterRarity::Normal)).effectModel.empty());
    EXPECT_EQ(glows(plain), 0);
    Actor* npc = place("RecruitWarrior", MonsterRarity::Rare, 70);
    ASSERT_NE(npc, nullptr);
    EXPECT_EQ(glows(npc), 0);
}

TEST_F(SpawnMonstersTest, RarityStepsFollowTheAreaByDayAndByNight)
{
    makeWorld();
    const MonsterType* scout = findType("GoblinScout");
    area.monsterChance = {0, 0, 100, 100, 100, 100, 100, 100};
    area.monsterNightChance = {0, 100, 100, 0, 100, 100, 100, 100};
    world.data->mutableRules().sunriseStart = 5.0f;
    world.data->mutableRules().sunsetEnd = 21.0f;
    world.game->setTimeOfDay(12.0);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(spawns.rollRarity(MonsterRarity::Normal, scout, 0), MonsterRarity::Normal)
            << "Common's chance of 0 stops every walk";
    EXPECT_EQ(spawns.rollRarity(MonsterRarity::Common, scout, 0), MonsterRarity::Boss);
    world.game->setTimeOfDay(23.0);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(spawns.rollRarity(MonsterRarity::Normal, scout, 0), MonsterRarity::Uncommon);
    // No such level: no step.
    EXPECT_EQ(spawns.rollRarity(MonsterRarity::Normal, scout, 7), MonsterRarity::Normal);
    // A unique type stays unique.
    for (const auto& type : world.data->getMonsterTypes()) {
        if (type->unique) {
            std::unique_ptr<Actor> u(spawns.createMonster(type.get(), 0, 10));
            EXPECT_EQ(u->getEnhancementRarity(), static_cast<int>(MonsterRarity::Unique));
            break;
        }
    }
}

TEST_F(SpawnMonstersTest, AQuestHuntingATypeInALevelRaisesItsRarityChancesThereOnly)
{
    makeWorld();
    const MonsterType* scout = findType("GoblinScout");
    const MonsterType* spider = findType("CaveSpider");
    ASSERT_NE(scout, nullptr);
    ASSERT_NE(spider, nullptr);
    area.monsterChance = {0, 40, 0, 0, 0, 0, 0, 0};
    area.monsterNightChance = area.monsterChance;
    QuestDefinition hunting;
    hunting.monsterRarityMultiplier = 1.5f;
    auto addHunt = [&](int level) {
        auto quest = std::make_unique<Quest>();
        quest->type = toIndex(QuestType::KillMonsters);
        quest->level = 5;
        quest->definition = &hunting;
        quest->monsterType = const_cast<MonsterType*>(scout);
        quest->targetLevel = level;
        return world.game->addQuest(std::move(quest));
    };
    Game& game = *world.game;
    EXPECT_FLOAT_EQ(game.getQuestRarityMultiplier(0, scout), 1.0f) << "no quest";
    addHunt(1);
    EXPECT_FLOAT_EQ(game.getQuestRarityMultiplier(0, scout), 1.0f) << "another level";
    addHunt(0);
    EXPECT_FLOAT_EQ(game.getQuestRarityMultiplier(0, scout), 1.5f);
    EXPECT_FLOAT_EQ(game.getQuestRarityMultiplier(0, spider), 1.0f) << "another type";

    // A roll between Common's 40 and 40 × 1.5 promotes only the hunted type.
    struct Row {
        const MonsterType* type;
        MonsterRarity expected;
    };
    for (const Row& row : {Row{scout, MonsterRarity::Common}, Row{spider, MonsterRarity::Normal},
                           Row{nullptr, MonsterRarity::Normal}}) {
        ASSERT_TRUE(scriptDraws({drawBetween(0.40f, 0.595f)}));
        EXPECT_EQ(spawns.rollRarity(MonsterRarity::Normal, row.type, 0), row.expected)
            << (row.type ? row.type->getEntryName() : "no type");
    }
    // Below 40 every type steps up.
    ASSERT_TRUE(scriptDraws({drawBelow(0.39f)}));
    EXPECT_EQ(spawns.rollRarity(MonsterRarity::Normal, spider, 0), MonsterRarity::Common);
    game.clearQuests();
}

TEST_F(SpawnMonstersTest, ARandomTypeIsOneUsableAtTheLevelWithItsRarityRolledUpFromTheGivenOne)
{
    makeWorld();
    area.monsterChance = {0, 100, 100, 50, 0, 0, 0, 0};
    area.monsterNightChance = area.monsterChance;
    std::set<const MonsterType*> types;
    std::set<int> rarities;
    for (int i = 0; i < 200; ++i) {
        std::unique_ptr<Actor> a(spawns.spawnMonster(0, MonsterRarity::Uncommon, 12));
        ASSERT_NE(a, nullptr);
        const MonsterType* type = a->getMonsterType();
        ASSERT_NE(type, nullptr);
        ASSERT_TRUE(type->isRegularSpawn() && type->isAtLevel(12)) << type->getEntryName();
        EXPECT_EQ(a->getStat(toIndex(CharacterStat::Level)), 12);
        types.insert(type);
        rarities.insert(a->getEnhancementRarity());
    }
    EXPECT_EQ(static_cast<int>(types.size()), world.data->countMonsterTypesAtLevel(12));
    // From Uncommon, Rare half the time and never beyond it.
    EXPECT_EQ(rarities, (std::set<int>{toIndex(MonsterRarity::Uncommon), toIndex(MonsterRarity::Rare)}));

    // No type at the level: nothing, and nothing drawn.
    Random::setState(0, 99);
    EXPECT_EQ(spawns.spawnMonster(0, MonsterRarity::Normal, 100000), nullptr);
    EXPECT_EQ(Random::getState(0), 99u);
}

TEST_F(SpawnMonstersTest, RecruitNumbersOutsideTheFourSlotsMakeNothing)
{
    EXPECT_EQ(spawns.createRecruitActor(12, 5), nullptr);
    EXPECT_EQ(spawns.createRecruitActor(7, 5), nullptr);
    EXPECT_EQ(spawns.createRecruitActor(-100, 5), nullptr);
    std::unique_ptr<Actor> first(spawns.createRecruitActor(8, 5));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getMonsterType(), findType("RecruitWarrior"));
    std::unique_ptr<Actor> last(spawns.createRecruitActor(11, 5));
    ASSERT_NE(last, nullptr);
    std::unique_ptr<Actor> recruit(spawns.spawnPotentialRecruit(0, 6));
    ASSERT_NE(recruit, nullptr);
    EXPECT_TRUE(has(*recruit, "EnhancementRecruitBasic"));
}

TEST_F(SpawnMonstersTest, SpacedTypesKeepApartAndWallsTakeNoMonster)
{
    const MonsterType* goblin = findType("GoblinScout");
    const MonsterType* spider = findType("CaveSpider");
    int told = 0;
    world.game->hooks().monsterSpawned = [&](Actor* a, const MonsterType*) { told += a != nullptr; };
    Actor* first = spawns.spawnMonsterAt(-1, goblin, nav.tileCentre(0, 60, 60), 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getStat(toIndex(CharacterStat::Level)), goblin->getMinLevel());
    EXPECT_EQ(told, 1);
    std::unique_ptr<Actor> second(spawns.spawnMonster(goblin, 0, MonsterRarity::Normal, 3));
    EXPECT_FALSE(spawns.canPlaceMonster(second.get(), nav.tileCentre(0, 62, 60)))
        << "64 units from the first";
    EXPECT_TRUE(spawns.canPlaceMonster(second.get(), nav.tileCentre(0, 64, 60))) << "128 units away";
    Actor* s1 = spawns.spawnMonsterAt(3, spider, nav.tileCentre(0, 70, 70), 0);
    ASSERT_NE(s1, nullptr);
    std::unique_ptr<Actor> s2(spawns.spawnMonster(spider, 0, MonsterRarity::Normal, 3));
    EXPECT_TRUE(spawns.canPlaceMonster(s2.get(), nav.tileCentre(0, 70, 70)));

    // Nowhere to stand (a World whose level is not built walls every spot):
    // nothing is placed and nothing is left behind.
    makeWorld();
    const int before = world.game->getEntityCount();
    EXPECT_EQ(spawns.spawnMonsterAt(3, spider, nav.tileCentre(0, 10, 10), 0), nullptr);
    EXPECT_EQ(world.game->getEntityCount(), before);
    EXPECT_EQ(told, 2);
    // Unless placing there is allowed: then the monster stands where it was
    // put, marked to find free ground once the level is built.
    spawns.setPlaceInUnbuiltLevels(true);
    Actor* early = spawns.spawnMonsterAt(3, spider, nav.tileCentre(0, 10, 10), 0);
    spawns.setPlaceInUnbuiltLevels(false);
    ASSERT_NE(early, nullptr);
    EXPECT_TRUE(early->relocated);
    EXPECT_EQ(early->getPosition(), nav.tileCentre(0, 10, 10));
    EXPECT_EQ(world.game->getEntityCount(), before + 1);
    EXPECT_EQ(told, 3);
    world.game->hooks().monsterSpawned = nullptr;
}

} // namespace
