#include "ActorFixture.h"

#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"

namespace {

class ActorBuffTest : public ActorFixture {};

// A monster hates whoever buffs its target with a skill by that skill's
// "SilentHateChange"; the status effect's own notice names no skill and
// adds nothing.
TEST_F(ActorBuffTest, BuffingTheMonstersTargetWithASkillDrawsItsSilentHate)
{
    MonsterCopy goblin(findType("GoblinWarrior"));
    Actor* actor = spawn(goblin.type.get(), 5, 20, 20);
    Sentient* fighter = placeTarget(5, 23, 20);
    Sentient* priest = placeTarget(5, 20, 24);
    ASSERT_TRUE(actor && fighter && priest);
    actor->takeDamage(10, fighter);
    ASSERT_NE(actor->findTargetEntry(fighter), nullptr);

    SkillDefinition* ward = world.data->findSkillDefinition("PriestWard");
    ASSERT_NE(ward, nullptr);
    ASSERT_NE(ward->getStatusEffect(), nullptr);
    ward->silentHateChange = 7.0f;
    auto* skill = dynamic_cast<Skill*>(priest->getSkillList()->addSkill(ward, priest, 3, 0));
    ASSERT_NE(skill, nullptr);
    priest->setStat(toIndex(CharacterStat::Skill1) + 3 * 15, 1);
    ASSERT_EQ(skill->getLevel(), 1);

    EXPECT_TRUE(skill->applyToFriends(priest, fighter));
    EXPECT_FALSE(fighter->getStatusEffects().empty());
    ASSERT_NE(actor->findTargetEntry(priest), nullptr);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(priest)->threat, 7.0f);

    // A buff given without a skill is told too, but names none.
    fighter->addStatusEffectByName("StatusEffectBattleCry", priest, 1);
    EXPECT_FLOAT_EQ(actor->findTargetEntry(priest)->threat, 7.0f);
}

} // namespace
