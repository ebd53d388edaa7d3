#include "game/skills/Skill.h"

#include "game/definitions/CharacterClass.h"
#include "game/entities/Projectile.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/CombatSystem.h"
#include "support/ClassStart.h"
#include "support/FlatNavigation.h"
#include "support/ScriptedCovenant.h"
#include "support/SkillUser.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int kLevel = toIndex(CharacterStat::Level);

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

// Shipped classes and skills on the real Game with its combat system: a
// skill used by one sentient reaches another through the whole chain.
class SkillFightTest : public ::testing::Test {
protected:
    SkillFightTest()
    {
        createCombatSystem();
        world.game->resizeForWorld(1);
        field.openZone(0);
    }
    ~SkillFightTest() override { destroyCombatSystem(); }

    SkillUser* place(CharacterClassType type, float x, int level)
    {
        auto* s = new SkillUser();
        giveClassStart(*s, type);
        s->setStat(kLevel, level);
        // No skill but the ones a test raises.
        for (int stat = toIndex(CharacterStat::Skill1); stat < toIndex(CharacterStat::Skill1) + 60; ++stat)
            s->setStat(stat, 0);
        s->updateStats(true);
        s->setPosition(ZonePosition(0, x, 1000.0f));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        s->getSkillList()->rebuild(s, s->getCharacterClass());
        return s;
    }

    int countLines(const std::string& prefix) const
    {
        const auto& lines = world.server->getQueuedCommands();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.compare(0, prefix.size(), prefix) == 0 && l.find('+') == std::string::npos;
        }));
    }

    Loaders loaders;
    TestWorld world;
    // An open field: the mage sees the warrior.
    FlatNavigation field;
    ScopedNavigation navigation{*world.game, field};
};

TEST_F(SkillFightTest, FireboltCastFliesAndBurnsTheWarrior)
{
    SkillUser* mage = place(CharacterClassType::Mage, 1000.0f, 5);
    SkillUser* warrior = place(CharacterClassType::Warrior, 1200.0f, 5);
    ASSERT_NE(mage, nullptr);
    ASSERT_NE(warrior, nullptr);
    // Different covenants: each is the other's enemy.
    warrior->setCovenantIndex(addScriptedCovenant(*world.game).index);
    auto* firebolt = dynamic_cast<Skill*>(mage->getSkillList()->findByName("MageFirebolt"));
    ASSERT_NE(firebolt, nullptr);
    mage->setStat(toIndex(CharacterStat::Skill1) + firebolt->getTree() * 15 + firebolt->getSlot(), 5);
    ASSERT_EQ(firebolt->getLevel(), 5);
    mage->target = warrior;
    const int health = warrior->getHealth();
    const int power = mage->getStat(toIndex(CharacterStat::Power));
    ASSERT_GE(power, 12);

    firebolt->use(mage, nullptr, Skill::kStageRequest, false);
    EXPECT_TRUE(mage->messages.empty());
    const std::string timer = "timer " + std::to_string(mage->getEntityNumber()) + " 1.500000 1";
    EXPECT_EQ(countLines(timer), 1);

    // The cast (1.5 s), then the bolt's flight of 200 units at 400 a second.
    Projectile* bolt = nullptr;
    int steps = 0;
    while (warrior->getHealth() == health && steps < 100) {
        world.game->update(0.05f);
        ++steps;
        for (int i = 0; i < Game::kMaxEntities && !bolt; ++i)
            bolt = dynamic_cast<Projectile*>(world.game->getEntity(i));
    }
    EXPECT_GE(steps, 38);
    EXPECT_LE(steps, 42);
    ASSERT_NE(bolt, nullptr);
    EXPECT_EQ(countLines("dmg " + std::to_string(warrior->getEntityNumber()) + " "), 1);
    // Level 5: 6 + 4 × 3 = 18 … 10 + 4 × 4 = 26 fire; the skill's and the
    // combat's critical rolls may double it twice; resistance takes some; 70 %
    // burns at once and the rest over time.
    int dealt = health - warrior->getHealth();
    EXPECT_GE(dealt, 1);
    EXPECT_LE(dealt, static_cast<int>(std::ceil(26 * 4 * 0.7f)));
    // The cast paid 8 + 4 × 1 mana (and regenerated meanwhile).
    EXPECT_LE(mage->getStat(toIndex(CharacterStat::Power)), power);
    EXPECT_TRUE(firebolt->getUseTimer().running);
}

} // namespace
