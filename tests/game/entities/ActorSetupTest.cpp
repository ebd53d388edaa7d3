#include "ActorFixture.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "game/covenants/StatChangeList.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kLevel = toIndex(CharacterStat::Level);

class ActorSetupTest : public ActorFixture {
protected:
    void setDifficulty(WorldDifficultyLevel level) { world.data->setWorldDifficulty(toIndex(level)); }
};

TEST_F(ActorSetupTest, LevelValuesComeFromTheAttributeRecordsAndTheDifficulty)
{
    Actor warrior;
    warrior.initFromMonsterType(findType("GoblinWarrior"), 10);
    EXPECT_EQ(warrior.getStat(toIndex(CharacterStat::BaseStrength)), 37);
    EXPECT_EQ(warrior.getBaseArmor(), 24);
    EXPECT_EQ(warrior.getBaseMinDamage(), 9);
    EXPECT_EQ(warrior.getBaseMaxDamage(), 19);
    EXPECT_EQ(warrior.getStat(toIndex(CharacterStat::Skill1)), 10);
    EXPECT_EQ(warrior.getHealth(), warrior.getMaxHealth());
    EXPECT_GT(warrior.getMaxHealth(), 0);

    setDifficulty(WorldDifficultyLevel::Champion);
    EXPECT_EQ(warrior.getBaseArmor(), 28);
    EXPECT_EQ(warrior.getBaseMinDamage(), 12);
    EXPECT_EQ(warrior.getBaseMaxDamage(), 25);

    // NPC types keep the plain values at every difficulty.
    Actor guard;
    guard.initFromMonsterType(findType("TownGuardType"), 10);
    ASSERT_TRUE(guard.isNpc());
    ASSERT_NE(guard.getNpcType(), 0);
    EXPECT_EQ(guard.getBaseArmor(), 17);
    EXPECT_EQ(guard.getBaseMinDamage(), 9);
    EXPECT_EQ(guard.getBaseMaxDamage(), 19);
    setDifficulty(WorldDifficultyLevel::Normal);
}

TEST_F(ActorSetupTest, ElementalSharesAddToThePhysicalRangeOfTheType)
{
    MonsterCopy adept(findType("CultAdept"));
    adept.archetype->damagePercent = {1.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f};
    adept.type->damagePercent = {1.0f, 0.25f, 0.25f, 0.0f, 0.0f, 0.0f};
    Actor actor;
    actor.initFromMonsterType(adept.type.get(), 5);
    StatChangeList list;
    list.add(0, 8, 16);
    actor.addExtraDamage(list);
    ASSERT_NE(list.find(1), nullptr);
    EXPECT_FLOAT_EQ(list.find(1)->min, 6.0f);
    EXPECT_FLOAT_EQ(list.find(1)->max, 12.0f);
    EXPECT_FLOAT_EQ(list.find(2)->min, 2.0f);
    EXPECT_FLOAT_EQ(list.find(2)->max, 4.0f);
    EXPECT_FLOAT_EQ(list.find(0)->min, 8.0f);
    EXPECT_EQ(list.find(3), nullptr);

    // A physical share of 0 zeroes the physical range but the elements
    // still grow from the range it had.
    adept.type->damagePercent = {0.0f, 0.25f, 0.0f, 0.0f, 0.0f, 0.0f};
    StatChangeList zeroed;
    zeroed.add(0, 8, 16);
    actor.addExtraDamage(zeroed);
    EXPECT_FLOAT_EQ(zeroed.find(0)->max, 0.0f);
    EXPECT_FLOAT_EQ(zeroed.find(1)->max, 12.0f);
}

TEST_F(ActorSetupTest, SprintSpeedHiddenGroupsAndNames)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->minSprintSpeed = goblin.archetype->maxSprintSpeed = 150.0f;
    goblin.archetype->hideChance = 0.2f;
    goblin.archetype->groupExtraHideChance = 0.5f;
    goblin.archetype->randomNameFile.clear();
    Actor first;
    first.initFromMonsterType(goblin.type.get(), 5);
    EXPECT_EQ(first.getSprintSpeed(), 150);
    EXPECT_EQ(first.getName(), "Goblin Warrior");

    // The second of two hides with 0.7 after a hider, else 0.2.
    int hidAfterHider = 0;
    int hidAfterOther = 0;
    int afterHider = 0;
    Random::setState(0, 99);
    for (int i = 0; i < 1200; ++i) {
        Actor a;
        a.initFromMonsterType(goblin.type.get(), 5);
        bool firstHid = a.hasFlag(Actor::kFlagHidden);
        Actor b;
        b.initFromMonsterType(goblin.type.get(), 5);
        bool hid = b.hasFlag(Actor::kFlagHidden);
        afterHider += firstHid ? 1 : 0;
        (firstHid ? hidAfterHider : hidAfterOther) += hid ? 1 : 0;
    }
    EXPECT_NEAR(static_cast<float>(hidAfterHider) / static_cast<float>(afterHider), 0.7f, 0.09f);
    EXPECT_NEAR(static_cast<float>(hidAfterOther) / static_cast<float>(1200 - afterHider), 0.2f, 0.04f);

    goblin.archetype->minSprintSpeed = 128.0f;
    goblin.archetype->maxSprintSpeed = 130.0f;
    for (int i = 0; i < 60; ++i) {
        Actor a;
        a.initFromMonsterType(goblin.type.get(), 5);
        EXPECT_GE(a.getSprintSpeed(), 128);
        EXPECT_LE(a.getSprintSpeed(), 130);
    }
}

TEST_F(ActorSetupTest, PointsGoToTheCheapestSkillAndFreeSkillsTakeOnePointWithoutMaximum)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    goblin.archetype->useSkillPoints = true;
    goblin.archetype->startingSkillPoints = 17;
    goblin.archetype->skills.clear();
    goblin.type->skills.clear();
    goblin.archetype->deathSkill.clear();
    SkillDefinition free;
    free.statReq = toIndex(CharacterStat::Strength);
    free.baseCost = 5;
    free.comparePointsMult = 1.0f;
    SkillDefinition a;
    a.baseCost = 1;
    a.costIncreasePerLevel = 1;
    a.maxSkillLevel = 3;
    a.comparePointsMult = 1.0f;
    SkillDefinition b;
    b.baseCost = 2;
    b.comparePointsMult = 1.0f;

    Actor actor;
    actor.initFromMonsterType(goblin.type.get(), 1, true);
    ASSERT_TRUE(actor.getSkillList()->getSkills().empty());
    actor.getSkillList()->addSkill(&a, &actor, 0, 1);
    actor.getSkillList()->addSkill(&b, &actor, 0, 2);
    actor.spendSkillPoints();
    EXPECT_EQ(actor.getStat(11), 2);
    EXPECT_EQ(actor.getStat(12), 7);

    Actor withFree;
    withFree.initFromMonsterType(goblin.type.get(), 1, true);
    withFree.getSkillList()->addSkill(&free, &withFree, 0, 1);
    withFree.getSkillList()->addSkill(&a, &withFree, 0, 2);
    withFree.getSkillList()->addSkill(&b, &withFree, 0, 3);
    withFree.spendSkillPoints();
    EXPECT_EQ(withFree.getStat(11), 1);
    EXPECT_EQ(withFree.getStat(12), 2);
    EXPECT_EQ(withFree.getStat(13), 7);

    // Negative costs are free too, and a maximum caps them.
    SkillDefinition negative;
    negative.baseCost = -3;
    negative.maxSkillLevel = 4;
    Actor capped;
    capped.initFromMonsterType(goblin.type.get(), 1, true);
    capped.getSkillList()->addSkill(&negative, &capped, 0, 1);
    capped.spendSkillPoints();
    EXPECT_EQ(capped.getStat(11), 4);
}

// Every health an actor of up to 600 points can have comes back as it was
// (a world saved, loaded and saved again is the same file): 82 of 152 once
// came back as 83.
TEST_F(ActorSetupTest, EveryHealthComesBackFromTheRecordAsItWas)
{
    Actor actor;
    Actor copy;
    for (int maximum = 1; maximum <= 600; ++maximum) {
        actor.setMaxHealth(maximum);
        copy.setMaxHealth(maximum);
        for (int health = 0; health <= maximum; ++health) {
            actor.setHealth(health);
            ByteBuffer record;
            actor.write(record);
            ByteBuffer back(record.data(), record.size());
            ASSERT_TRUE(copy.read(back, 40));
            ASSERT_EQ(copy.getHealth(), health) << "of " << maximum;
        }
    }
}

TEST_F(ActorSetupTest, EveryShippedTypeRoundTripsThroughItsRecordAtLevelsOneAndTwenty)
{
    int checked = 0;
    for (const auto& type : world.data->getMonsterTypes()) {
        if (!type->archetype)
            continue;
        for (int level : {1, 20}) {
            Actor actor;
            actor.initFromMonsterType(type.get(), level);
            actor.setEnhancementRarity(2);
            actor.setHealth(actor.getMaxHealth() / 2);
            actor.setSavedFlag(true);
            ByteBuffer out;
            actor.writeCreationInfo(out);
            actor.write(out);

            ByteBuffer in(out.data(), out.size());
            Actor copy;
            ASSERT_TRUE(copy.readCreationInfo(in)) << type->getEntryName();
            ASSERT_TRUE(copy.read(in, 40));
            EXPECT_TRUE(in.atEnd());
            EXPECT_EQ(copy.getMonsterType(), type.get());
            EXPECT_EQ(copy.getStat(kLevel), level);
            EXPECT_EQ(copy.getEnhancementRarity(), 2);
            EXPECT_EQ(copy.getNameIndex(), actor.getNameIndex());
            EXPECT_EQ(copy.getName(), actor.getName());
            EXPECT_EQ(copy.getMaxHealth(), actor.getMaxHealth()) << type->getEntryName();
            EXPECT_EQ(copy.getHealth(), actor.getHealth()) << type->getEntryName();
            EXPECT_TRUE(copy.getSavedFlag());
            ++checked;
        }
    }
    EXPECT_GT(checked, 20);
}

TEST_F(ActorSetupTest, OldVersionsSkipTheirFieldsAndBadFractionsAreClamped)
{
    Actor actor;
    actor.initFromMonsterType(findType("GoblinWarrior"), 5);
    const int max = actor.getMaxHealth();
    auto record = [](int32_t seed, float fraction, int32_t saved) {
        ByteBuffer b;
        b.writeInt(seed);
        b.writeFloat(fraction);
        b.writeInt(saved);
        return b;
    };
    {
        ByteBuffer in = record(7, 0.5f, 1);
        ASSERT_TRUE(actor.read(in, 7));
        EXPECT_EQ(actor.getHealth(), max) << "version 7 has no fraction";
        EXPECT_EQ(in.remaining(), 8u);
    }
    {
        ByteBuffer in = record(7, 0.5f, 1);
        ASSERT_TRUE(actor.read(in, 30));
        EXPECT_EQ(actor.getHealth(), (max + 1) / 2);
        EXPECT_FALSE(actor.getSavedFlag()) << "version 30 has no saved flag";
        EXPECT_EQ(in.remaining(), 4u);
    }
    world.log.clear();
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 3.0f}) {
        ByteBuffer in = record(7, bad, 0);
        ASSERT_TRUE(actor.read(in, 31));
        EXPECT_EQ(actor.getHealth(), max);
    }
    EXPECT_EQ(world.log.count(2), 3u);
    {
        ByteBuffer in = record(7, -2.0f, 0);
        ASSERT_TRUE(actor.read(in, 31));
        EXPECT_EQ(actor.getHealth(), 0);
    }
    ByteBuffer shortRecord;
    shortRecord.writeInt(7);
    EXPECT_FALSE(actor.read(shortRecord, 31));
}

TEST_F(ActorSetupTest, AnUnknownTypeIsReadThroughAndRefusedAndTheNextRecordStillReads)
{
    ByteBuffer out;
    out.writeString("NoSuchMonster");
    out.writeInt(5);
    out.writeInt(0);
    out.writeInt(1);
    out.writeString("StatusEffectBasicRegen");
    out.writeInt(42);
    Actor known;
    known.initFromMonsterType(findType("CaveSpider"), 3);
    known.writeCreationInfo(out);

    world.log.clear();
    ByteBuffer in(out.data(), out.size());
    Actor lost;
    EXPECT_FALSE(lost.readCreationInfo(in));
    EXPECT_TRUE(world.log.contains("NoSuchMonster", 3));
    Actor next;
    EXPECT_TRUE(next.readCreationInfo(in));
    EXPECT_EQ(next.getMonsterType(), findType("CaveSpider"));
    EXPECT_TRUE(in.atEnd());
}

TEST_F(ActorSetupTest, TruncatedRecordsAndHugeCountsFailCleanly)
{
    Actor actor;
    actor.initFromMonsterType(findType("GoblinChief"), 8);
    ByteBuffer out;
    actor.writeCreationInfo(out);
    actor.write(out);
    for (size_t cut = 0; cut < out.size(); ++cut) {
        ByteBuffer in(out.data(), cut);
        Actor copy;
        bool ok = copy.readCreationInfo(in) && copy.read(in, 40);
        EXPECT_FALSE(ok) << cut;
    }
    ByteBuffer huge;
    huge.writeString("GoblinChief");
    huge.writeInt(8);
    huge.writeInt(0);
    huge.writeInt(0x7FFFFFFF);
    huge.writeInt(1);
    ByteBuffer in(huge.data(), huge.size());
    Actor copy;
    EXPECT_FALSE(copy.readCreationInfo(in));
}

} // namespace

namespace {

TEST_F(ActorSetupTest, ShippedClassesReadTheMonsterKeys)
{
    const MonsterType* goblin = findType("GoblinWarrior");
    const MonsterType* skeleton = findType("SkeletonWarrior");
    ASSERT_TRUE(goblin && skeleton);
    EXPECT_TRUE(goblin->archetype->canTurn);
    EXPECT_TRUE(goblin->archetype->canBeEaten);
    EXPECT_FALSE(goblin->archetype->canBeRaised);
    EXPECT_TRUE(skeleton->archetype->canBeRaised);
    for (const auto& type : world.data->getMonsterTypes()) {
        const MonsterArchetype* c = type->archetype;
        ASSERT_NE(c, nullptr) << type->getEntryName();
        EXPECT_GE(c->baseAggressionRange, 300.0f) << c->getEntryName();
        EXPECT_LE(c->baseAggressionRange, 400.0f) << c->getEntryName();
        EXPECT_GT(c->sensesTime, 0.0f) << c->getEntryName();
        EXPECT_GT(c->deathFadeTime, 0.0f) << c->getEntryName();
    }
}

} // namespace
