#include "game/entities/Sentient.h"

#include "game/definitions/DefinitionReader.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"
#include "support/ClassStart.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

// A sentient of a shipped class in the real Game, stepped by the world.
class SentientWorldTest : public ::testing::Test {
protected:
    Sentient* place(CharacterClassType type)
    {
        auto* s = new Sentient();
        giveClassStart(*s, type);
        s->updateStats(true);
        s->setPosition(ZonePosition(0, 100.0f, 100.0f));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        return s;
    }

    Loaders loaders;
    TestWorld world;
};

TEST_F(SentientWorldTest, PriestRegeneratesOnePointASecond)
{
    Sentient* priest = place(CharacterClassType::Priest);
    ASSERT_NE(priest, nullptr);
    EXPECT_EQ(priest->getMaxHealth(), 102);
    EXPECT_EQ(priest->getStat(toIndex(CharacterStat::MaxPower)), 75);
    EXPECT_EQ(priest->getStat(toIndex(CharacterStat::Power)), 75);
    priest->setHealth(51);
    priest->addStatusEffectByName("StatusEffectBasicRegen", priest, 1);
    ASSERT_EQ(priest->getStatusEffects().size(), 1u);
    for (int step = 0; step < 210; ++step)
        world.game->update(0.05f);
    EXPECT_EQ(priest->getHealth(), 61);
}

TEST_F(SentientWorldTest, TimedBuffRaisesAtOnceAndDropsInItsLastStep)
{
    Sentient* warrior = place(CharacterClassType::Warrior);
    ASSERT_NE(warrior, nullptr);
    const int strength = toIndex(CharacterStat::Strength);
    int before = warrior->getStat(strength);
    warrior->addStatusEffectByName("StatusEffectBattleCry", warrior, 1);
    EXPECT_EQ(warrior->getStat(strength), before + 5);
    int steps = 0;
    while (!warrior->getStatusEffects().empty() && steps < 1000) {
        EXPECT_EQ(warrior->getStat(strength), before + 5) << steps;
        world.game->update(0.05f);
        ++steps;
    }
    EXPECT_EQ(warrior->getStat(strength), before);
    EXPECT_GE(steps, 599);
    EXPECT_LE(steps, 601);
}

} // namespace
