#include "engine/core/Random.h"
#include "game/entities/ActorFixture.h"
#include "game/entities/TargetEntry.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace {

// A level-12 caster on the flat field with a summoning skill it knows, and
// an enemy to set the summons on.
class SkillSummonsTest : public ActorFixture {
protected:
    SkillSummonsTest()
    {
        spawns.load();
        user = placeTarget(12, 60, 60);
        enemy = placeTarget(3, 70, 60);
        world.game->hooks().monsterSpawned = [this](Actor* a, const MonsterType*) { summoned.push_back(a); };
    }
    ~SkillSummonsTest() override
    {
        world.game->hooks().monsterSpawned = nullptr;
        world.game->clear();
    }

    Skill* learn()
    {
        definition.basicSkill = true;
        auto* list = dynamic_cast<SkillList*>(user->getSkillList());
        return list ? static_cast<Skill*>(list->addSkill(&definition, user, 0, 0)) : nullptr;
    }
    const DatabaseEntry* entryOf(const char* typeName) const
    {
        const MonsterType* type = findType(typeName);
        return type ? world.database.findEntry(type->getEntryName()) : nullptr;
    }

    SpawnSystem spawns;
    SkillDefinition definition;
    Sentient* user = nullptr;
    Sentient* enemy = nullptr;
    std::vector<Actor*> summoned;
};

TEST_F(SkillSummonsTest, SummonsStandNearTheUserAtItsLevelHatingTheTarget)
{
    ASSERT_NE(user, nullptr);
    definition.monstersToSpawn = 3;
    definition.monsterType = entryOf("CaveSpider");
    ASSERT_NE(definition.monsterType, nullptr);
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);

    const int before = world.game->getEntityCount();
    EXPECT_EQ(skill->summonMonsters(user, enemy), 3);
    EXPECT_EQ(world.game->getEntityCount(), before + 3);
    ASSERT_EQ(summoned.size(), 3u);
    std::set<std::pair<float, float>> spots;
    for (Actor* a : summoned) {
        EXPECT_EQ(a->getMonsterType(), findType("CaveSpider"));
        EXPECT_EQ(a->getStat(toIndex(CharacterStat::Level)), 12);
        EXPECT_FALSE(a->hasFlag(Actor::kFlagHidden));
        const TargetEntry* entry = a->findTargetEntry(enemy);
        ASSERT_NE(entry, nullptr);
        EXPECT_FLOAT_EQ(entry->threat, 1.0f);
        EXPECT_LT(ZonePosition::distanceTo(a->getPosition(), user->getPosition()), 32.0f * 8);
        spots.insert({a->getPosition().x, a->getPosition().y});
    }
    EXPECT_EQ(spots.size(), 3u) << "each on a spot of its own";

    // Without a target nobody is hated.
    summoned.clear();
    EXPECT_EQ(skill->summonMonsters(user, nullptr), 3);
    for (Actor* a : summoned)
        EXPECT_EQ(a->findTargetEntry(enemy), nullptr);
}

TEST_F(SkillSummonsTest, ARangeDrawsEveryCountFromMinimumToMaximum)
{
    definition.monstersToSpawn = 9; // a range overrides the plain count
    definition.minMonstersToSpawn = 2;
    definition.maxMonstersToSpawn = 4;
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);
    std::set<int> seen;
    for (int i = 0; i < 300; ++i) {
        const int n = skill->rollSummonCount();
        ASSERT_GE(n, 2);
        ASSERT_LE(n, 4);
        seen.insert(n);
    }
    EXPECT_EQ(seen.size(), 3u);
    // Only a maximum: 0 … maximum.
    definition.minMonstersToSpawn = 0;
    definition.maxMonstersToSpawn = 1;
    seen.clear();
    for (int i = 0; i < 200; ++i)
        seen.insert(skill->rollSummonCount());
    EXPECT_EQ(seen, (std::set<int>{0, 1}));
}

TEST_F(SkillSummonsTest, HugeCountsFromTheDataAreBoundedByTheWorld)
{
    definition.monstersToSpawn = INT32_MAX;
    // Not a monster type: every summon fails to be made.
    definition.monsterType = world.database.findEntry("ProjFirebolt");
    ASSERT_NE(definition.monsterType, nullptr);
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);
    EXPECT_EQ(skill->rollSummonCount(), Game::kMaxEntities);
    EXPECT_EQ(skill->summonMonsters(user, enemy), 0);
    // A range as wide as the int type.
    definition.minMonstersToSpawn = INT32_MIN;
    definition.maxMonstersToSpawn = INT32_MAX;
    for (int i = 0; i < 50; ++i) {
        const int n = skill->rollSummonCount();
        ASSERT_GE(n, 0);
        ASSERT_LE(n, Game::kMaxEntities);
    }
}

TEST_F(SkillSummonsTest, AnArchetypeSummonsOneOfItsTypesForTheLevel)
{
    const MonsterType* scout = findType("GoblinScout");
    ASSERT_NE(scout, nullptr);
    definition.monstersToSpawn = 2;
    definition.monsterArchetype = world.database.findEntry(scout->archetype->getEntryName());
    ASSERT_NE(definition.monsterArchetype, nullptr);
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);
    EXPECT_EQ(skill->summonMonsters(user, enemy), 2);
    ASSERT_EQ(summoned.size(), 2u);
    for (Actor* a : summoned) {
        ASSERT_NE(a->getMonsterType(), nullptr);
        EXPECT_EQ(a->getMonsterType()->archetype, scout->archetype);
        EXPECT_FALSE(a->getMonsterType()->unique);
    }
}

TEST_F(SkillSummonsTest, NowhereToStandLeavesNothingAndStopsTheSummoning)
{
    definition.monstersToSpawn = 4;
    definition.monsterType = entryOf("CaveSpider");
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);
    // A World whose one level is not built walls every spot.
    AreaDefinition area;
    auto walls = std::make_unique<World>();
    auto level = std::make_unique<Level>();
    level->definition = &area;
    walls->addLevel(std::move(level));

    const int before = world.game->getEntityCount();
    Random::setState(0, 4242);
    EXPECT_EQ(skill->summonMonsters(user, enemy), 0);
    const uint32_t afterSummons = Random::getState(0);
    EXPECT_EQ(world.game->getEntityCount(), before);
    EXPECT_TRUE(summoned.empty());
    // The sanitizer build's leak check sees any summon left undeleted.

    // Only the first was made: the stream moved as far as making one spider.
    Random::setState(0, 4242);
    delete spawns.spawnMonster(findType("CaveSpider"), 0, MonsterRarity::Normal, 12);
    EXPECT_EQ(Random::getState(0), afterSummons);
}

TEST_F(SkillSummonsTest, RandomSummonsAreTypesOfTheUsersLevelOfAtLeastTheSkillsRarity)
{
    definition.monstersToSpawn = 4;
    definition.minMonsterRarity = toIndex(MonsterRarity::Rare);
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);
    const int before = world.game->getEntityCount();
    EXPECT_EQ(skill->summonMonsters(user, enemy), 4);
    ASSERT_EQ(summoned.size(), 4u);
    // The four and what they wear (a rarity may bring its effect model).
    size_t attached = 0;
    for (Actor* a : summoned)
        attached += a->getChildren().size();
    EXPECT_EQ(world.game->getEntityCount(), before + 4 + static_cast<int>(attached));
    for (Actor* a : summoned) {
        const MonsterType* type = a->getMonsterType();
        ASSERT_NE(type, nullptr);
        EXPECT_TRUE(type->isRegularSpawn()) << type->getEntryName();
        EXPECT_TRUE(type->isAtLevel(12)) << type->getEntryName();
        EXPECT_TRUE(type->canBeSummoned) << type->getEntryName();
        EXPECT_GE(a->getEnhancementRarity(), toIndex(MonsterRarity::Rare)) << type->getEntryName();
        EXPECT_EQ(a->getStat(toIndex(CharacterStat::Level)), 12);
        EXPECT_FALSE(a->hasFlag(Actor::kFlagHidden));
        EXPECT_NE(a->findTargetEntry(enemy), nullptr);
        EXPECT_LT(ZonePosition::distanceTo(a->getPosition(), user->getPosition()), 32.0f * 8);
    }
}

TEST_F(SkillSummonsTest, ARefusedRandomTypeIsDeletedAndDrawnAgainThreeTimesAtMost)
{
    definition.monstersToSpawn = 2;
    definition.minMonsterRarity = toIndex(MonsterRarity::Uncommon);
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);
    ASSERT_GT(world.data->countMonsterTypesAtLevel(12), 1);
    for (const auto& type : world.data->getMonsterTypes())
        type->canBeSummoned = false;

    // Every draw refused: both summons skipped, nothing left anywhere.
    const int before = world.game->getEntityCount();
    Random::setState(0, 777);
    EXPECT_EQ(skill->summonMonsters(user, enemy), 0);
    const uint32_t afterSummons = Random::getState(0);
    EXPECT_EQ(world.game->getEntityCount(), before);
    EXPECT_TRUE(summoned.empty());
    // Three draws for each of the two: a refusal skips that summon only.
    Random::setState(0, 777);
    for (int draw = 0; draw < 6; ++draw)
        delete spawns.spawnMonster(0, MonsterRarity::Uncommon, 12);
    EXPECT_EQ(Random::getState(0), afterSummons);

    // One type allowed: every summon is of it, and some draw it in none of
    // their three tries.
    MonsterType* allowed = world.data->getMonsterTypeAtLevel(12, 0);
    ASSERT_NE(allowed, nullptr);
    allowed->canBeSummoned = true;
    definition.monstersToSpawn = 12;
    Random::setState(0, 4242);
    const int placed = skill->summonMonsters(user, enemy);
    EXPECT_GT(placed, 0);
    EXPECT_LT(placed, 12);
    EXPECT_EQ(static_cast<int>(summoned.size()), placed);
    EXPECT_EQ(world.game->getEntityCount(), before + placed);
    for (Actor* a : summoned)
        EXPECT_EQ(a->getMonsterType(), allowed);
}

TEST_F(SkillSummonsTest, ARandomSummonOfUniqueRarityNeverBringsAUniqueOfTheShippedData)
{
    definition.monstersToSpawn = 12;
    definition.minMonsterRarity = toIndex(MonsterRarity::Unique);
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);
    const int placed = skill->summonMonsters(user, enemy);
    EXPECT_GT(placed, 0);
    for (Actor* a : summoned) {
        const MonsterType* type = a->getMonsterType();
        ASSERT_NE(type, nullptr);
        EXPECT_FALSE(type->unique || type->legend) << type->getEntryName();
        // Types without unique versions fall back to VeryRare.
        EXPECT_EQ(a->getEnhancementRarity(), toIndex(MonsterRarity::VeryRare)) << type->getEntryName();
    }
}

TEST_F(SkillSummonsTest, TheCultLordCallsInitiatesOfItsOwnLevelWhenItsSkillActs)
{
    const SkillDefinition* call = world.data->findSkillDefinition("CultistCallInitiates");
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->minMonstersToSpawn, 2);
    EXPECT_EQ(call->maxMonstersToSpawn, 3);
    ASSERT_NE(call->monsterType, nullptr);

    Actor* lord = spawn(findType("BossLordType"), 30, 40, 40);
    ASSERT_NE(lord, nullptr);
    Skill* skill = nullptr;
    for (SkillBase* known : lord->getSkillList()->getSkills())
        if (known->getDefinition() == call)
            skill = static_cast<Skill*>(known);
    ASSERT_NE(skill, nullptr) << "the lord knows the call";

    lord->updateTargetEntry(enemy, 5.0f, 0);
    lord->updateTargets(0.05f);
    ASSERT_EQ(lord->getTarget(), enemy);
    EXPECT_EQ(skill->execute(lord, nullptr, Skill::kStageMarker, true), Skill::kDone);
    ASSERT_GE(summoned.size(), 2u);
    ASSERT_LE(summoned.size(), 3u);
    for (Actor* a : summoned) {
        EXPECT_EQ(a->getMonsterType(), findType("CultInitiate"));
        EXPECT_EQ(a->getStat(toIndex(CharacterStat::Level)), lord->getStat(toIndex(CharacterStat::Level)));
        EXPECT_NE(a->findTargetEntry(enemy), nullptr) << "set on the lord's target";
    }
}

} // namespace

namespace {

TEST_F(SkillSummonsTest, ALongWarpDeletesTheUsersOwnSummonsNearTheOldPlaceOnly)
{
    definition.monstersToSpawn = 2;
    definition.monsterType = entryOf("CaveSpider");
    Skill* skill = learn();
    ASSERT_NE(skill, nullptr);
    ASSERT_EQ(skill->summonMonsters(user, enemy), 2);
    // The enemy's own summon, and a spider of nobody's.
    ASSERT_EQ(skill->summonMonsters(enemy, nullptr), 2);
    ASSERT_EQ(summoned.size(), 4u);
    Actor* wild = spawn(findType("CaveSpider"), 5, 62, 62);
    ASSERT_NE(wild, nullptr);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(summoned[static_cast<size_t>(i)]->getSummoner(), user);
        EXPECT_EQ(summoned[static_cast<size_t>(i) + 2]->getSummoner(), enemy);
    }
    std::vector<SafePtr<Actor>> watched(summoned.begin(), summoned.end());
    SafePtr<Actor> wildRef(wild);

    // A short step keeps them.
    ZonePosition near = user->getPosition();
    near.x += 64.0f;
    user->warp(near);
    step(0.1f);
    EXPECT_TRUE(watched[0].get() && watched[1].get());

    ZonePosition far = user->getPosition();
    far.x -= 32.0f * 40;
    user->warp(far);
    step(0.1f);
    EXPECT_EQ(watched[0].get(), nullptr);
    EXPECT_EQ(watched[1].get(), nullptr);
    EXPECT_TRUE(watched[2].get() && watched[3].get());
    EXPECT_NE(wildRef.get(), nullptr);
}

} // namespace
