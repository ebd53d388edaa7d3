#include "game/skills/SkillListBase.h"

#include "game/covenants/StatChangeList.h"
#include "game/definitions/CharacterClass.h"
#include "game/entities/EntityServices.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/SkillTree.h"
#include "support/FakeSkillEntity.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Definitions named by hand, trees over them, classes over the trees.
class SkillListBaseTest : public ::testing::Test {
protected:
    SkillListBaseTest()
    {
        for (const char* name : {"Slash", "Parry", "Charge"}) {
            auto d = std::make_unique<SkillDefinition>();
            d->SimpleData::setEntry(nullptr, name);
            d->name = name;
            defs.push_back(std::move(d));
        }
        treeA.skills = {defs[0].get(), nullptr, defs[1].get()};
        treeB.skills = {defs[2].get()};
        first.skillTrees = {{"A", 3, &treeA}};
        second.skillTrees = {{"A", 3, &treeA}, {"B", 1, &treeB}};
    }

    std::vector<std::unique_ptr<SkillDefinition>> defs;
    SkillTree treeA;
    SkillTree treeB;
    CharacterClass first;
    CharacterClass second;
    FakeSkillEntity owner;
};

TEST_F(SkillListBaseTest, RebuildFollowsTheClassAndSkipsEmptySlots)
{
    SkillListBase list;
    EXPECT_FALSE(list.update(nullptr, 1.0f, &owner));
    EXPECT_TRUE(list.getSkills().empty());

    EXPECT_TRUE(list.update(&first, 0.0f, &owner));
    ASSERT_EQ(list.getSkills().size(), 2u);
    SkillBase* parry = list.findByTreeSlot(0, 2);
    ASSERT_NE(parry, nullptr);
    EXPECT_EQ(parry->getDefinition(), defs[1].get());
    EXPECT_EQ(parry->getOwner(), &owner);

    // The same class advances the timers only.
    parry->getUseTimer().running = true;
    parry->getUseTimer().remaining = 2.0f;
    EXPECT_FALSE(list.update(&first, 0.5f, &owner));
    EXPECT_EQ(list.findByTreeSlot(0, 2), parry);
    EXPECT_FLOAT_EQ(parry->getUseTimer().remaining, 1.5f);
    // A null class advances nothing.
    EXPECT_FALSE(list.update(nullptr, 0.5f, &owner));
    EXPECT_FLOAT_EQ(parry->getUseTimer().remaining, 1.5f);

    EXPECT_TRUE(list.update(&second, 0.0f, &owner));
    EXPECT_EQ(list.getSkills().size(), 3u);
    EXPECT_NE(list.findByTreeSlot(1, 0), nullptr);
}

TEST_F(SkillListBaseTest, FixedListsAndLookups)
{
    SkillListBase list;
    list.setFixed(true);
    SkillBase* a = list.addSkill(defs[0].get(), &owner, 0, 0);
    EXPECT_EQ(list.addSkill(defs[0].get(), &owner, 2, 5), a);
    EXPECT_EQ(a->getTree(), 2);
    EXPECT_EQ(a->getSlot(), 5);
    EXPECT_EQ(list.addSkill(nullptr, &owner, 0, 1), nullptr);
    EXPECT_FALSE(list.update(&second, 0.1f, &owner));
    EXPECT_EQ(list.getSkills().size(), 1u);
    EXPECT_EQ(list.findByName("Slash"), a);
    EXPECT_EQ(list.findByName("slash"), nullptr);
    EXPECT_EQ(list.findById(-1), a); // no entry counts as -1
}

TEST(EntityServicesTest, UnsetHooksGiveTheNeutralAnswers)
{
    EntityServiceHooks saved = EntityServices::hooks();
    EntityServices::setHooks({});
    StatChangeList list;
    ZonePosition spot;
    std::vector<Entity*> found;
    EXPECT_EQ(EntityServices::applyDamageOfType(5, nullptr, nullptr, 0, false, false), 0);
    EXPECT_EQ(EntityServices::applyDamage(nullptr, nullptr, list, false, false), 0);
    EXPECT_EQ(EntityServices::resolveHit(nullptr, nullptr), 0);
    EXPECT_EQ(EntityServices::combatEventTime(), 0.0f);
    EntityServices::entitiesInRange(nullptr, spot, 10.0f, 0, found);
    EXPECT_TRUE(found.empty());
    EXPECT_FALSE(EntityServices::findFreeSpotOnRing(spot, 0, spot, nullptr, true));
    EXPECT_FALSE(EntityServices::findFreeSpotNear(spot, 3, spot, nullptr));
    EXPECT_EQ(EntityServices::factionRelation(nullptr, nullptr), 2);
    std::unique_ptr<SkillListBase> skills(EntityServices::createSkillList());
    EXPECT_NE(skills, nullptr);
    std::unique_ptr<SkillBase> skill(EntityServices::createSkill());
    EXPECT_NE(skill, nullptr);
    float value = 3.0f;
    EntityServices::skillModifiers(nullptr, 0, nullptr, nullptr, nullptr, 1, value);
    EXPECT_EQ(value, 3.0f);
    EXPECT_EQ(EntityServices::skillStatChange(nullptr, 5, 0), 0);
    EXPECT_EQ(EntityServices::skillStatMult(nullptr, 5), 0.0f);
    EXPECT_FALSE(EntityServices::skillGrantsRequirement(nullptr, 3));
    EntityServices::setHooks(saved);
}

// The shipped player classes' trees load and every listed skill has a slot.
TEST(ShippedSkillTreesTest, PlayerClassListsBuild)
{
    registerSkillLoaders();
    TestWorld world;
    for (int c = 0; c < 4; ++c) {
        const CharacterClass* record = world.data->findCharacterClassById(c);
        ASSERT_NE(record, nullptr);
        SkillListBase list;
        FakeSkillEntity owner;
        EXPECT_TRUE(list.update(record, 0.0f, &owner));
        size_t expected = 0;
        for (const ClassSkillTree& t : record->skillTrees) {
            ASSERT_NE(t.tree, nullptr) << t.name;
            expected += static_cast<size_t>(t.skillCount);
        }
        EXPECT_EQ(list.getSkills().size(), expected) << record->name;
    }
}

} // namespace
