// The client's skill list: tree layout by "BaseCost", the slot queries and
// the status effect's visual settings.
#include "client/mirrors/SkillClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/mirrors/StatusEffectClient.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillTestData.h"
#include "support/FakeSkillEntity.h"

#include <gtest/gtest.h>

namespace {

const char* const kSkills = R"(
TierOneA {
    Type Skill
    BaseCost 1
}
TierOneB {
    Type Skill
    BaseCost 1
}
TierTwo {
    Type Skill
    BaseCost 2
}
TierFive {
    Type Skill
    BaseCost 5
}
Huge {
    Type Skill
    BaseCost 2000000000
}
Negative {
    Type Skill
    BaseCost -7
}
Costly {
    Type Skill
    Power 10
    PerLevel CostlyPerLevel
    MaxSkillLevel 6
}
CostlyPerLevel {
    Type Skill
    Power 2
}
Basic {
    Type Skill
    BasicSkill 1
    MaxSkillLevel 9
}
Quiet {
    Type Skill
    NoAttackers 1
}
Chill {
    Type StatusEffect
    FreezeAnim 1
    VictimShaderOnChild 1
    PlayLostEffectSound 1
}
)";

class SkillClientTest : public ::testing::Test {
protected:
    const SkillDefinition* def(const char* name) const
    {
        const SkillDefinition* d = GameData::get().findSkillDefinition(name);
        EXPECT_NE(d, nullptr) << name;
        return d;
    }
    SkillClient* add(const char* name, int tree, int slot)
    {
        return dynamic_cast<SkillClient*>(list.addSkill(def(name), &user, tree, slot));
    }
    std::pair<float, float> at(const SkillClient* skill) const { return {skill->treeX, skill->treeY}; }

    SkillTestData data{kSkills};
    FakeSkillEntity user;
    SkillListClient list;
};

} // namespace

TEST_F(SkillClientTest, TreesAreLaidOutInRowsOfRisingBaseCost)
{
    ASSERT_TRUE(data.loaded);
    SkillClient* a = add("TierOneA", 0, 0);
    SkillClient* five = add("TierFive", 0, 1);
    SkillClient* b = add("TierOneB", 0, 2);
    SkillClient* two = add("TierTwo", 0, 3);
    ASSERT_TRUE(a && five && b && two);
    // The same tiers in another tree, with huge and negative costs.
    SkillClient* negative = add("Negative", 1, 0);
    SkillClient* huge = add("Huge", 1, 1);
    list.layoutSkillTrees();
    using P = std::pair<float, float>;
    EXPECT_EQ(at(a), (P{1.0f / 3.0f, 0.25f}));
    EXPECT_EQ(at(b), (P{2.0f / 3.0f, 0.25f}));
    EXPECT_EQ(at(two), (P{0.5f, 0.5f}));
    EXPECT_EQ(at(five), (P{0.5f, 0.75f}));
    EXPECT_EQ(at(negative), (P{0.5f, 1.0f / 3.0f}));
    EXPECT_EQ(at(huge), (P{0.5f, 2.0f / 3.0f}));
}

TEST_F(SkillClientTest, SlotQueries)
{
    ASSERT_TRUE(data.loaded);
    SkillClient* costly = add("Costly", 2, 4);
    ASSERT_NE(costly, nullptr);
    EXPECT_EQ(getSkillPowerCost(*costly), 10); // level 0
    user.stats.set(costly->getPointsStat(), 3);
    ASSERT_EQ(costly->getLevel(), 3);
    EXPECT_EQ(getSkillPowerCost(*costly), 14);
    EXPECT_EQ(getSkillMaxLevel(*costly), 6);
    EXPECT_EQ(getSkillMaxLevel(*add("Basic", 3, 0)), 1);

    SkillClient* quiet = add("Quiet", 3, 1);
    ASSERT_NE(quiet, nullptr);
    ASSERT_EQ(SkillClient::checkUse(*quiet, &user, user.stats, nullptr, 0), 0);
    EXPECT_EQ(SkillClient::checkUse(*quiet, &user, user.stats, nullptr, SkillClient::kAttackersFlag), 13);
    // The record's own refusal (no power for it) comes first.
    EXPECT_EQ(SkillClient::checkUse(*costly, &user, user.stats, nullptr, SkillClient::kAttackersFlag), 5);
}

TEST_F(SkillClientTest, StatusEffectSetUpTwiceWithOneEntryLoadsOnce)
{
    ASSERT_TRUE(data.loaded);
    const DatabaseEntry* chill = data.database.findEntry("Chill");
    ASSERT_NE(chill, nullptr);
    StatusEffectClient effect;
    effect.setEntry(chill, 2, nullptr);
    effect.setEntry(chill, 3, nullptr);
    EXPECT_EQ(effect.getLoadCount(), 1);
    EXPECT_EQ(effect.level, 3);
    EXPECT_TRUE(effect.freezesAnimation());
    EXPECT_TRUE(effect.isVictimShaderOnChild());
    EXPECT_TRUE(effect.playsLostEffectSound());
    EXPECT_FALSE(effect.getVictimShader().isValid());
}
