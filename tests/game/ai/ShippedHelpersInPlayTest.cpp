// The shipped spider matriarch, spiders and cultists on the flat field, with
// the real rules, factions and skills, against one warrior: the matriarch
// brings forth cave spiders, a spider leaps at the warrior, and a cultist
// short of power prays.
#include "engine/core/Random.h"
#include "game/ai/BehaviorJump.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/skills/SkillList.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/CombatSystem.h"
#include "game/world/FactionSystem.h"
#include "game/world/SpawnSystem.h"
#include "game/world/Weather.h"
#include "support/AwakeMonster.h"
#include "support/ClassStart.h"
#include "support/FlatNavigation.h"
#include "support/ScriptedCovenant.h"
#include "support/SkillUser.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

class ShippedHelpersInPlayTest : public ::testing::Test {
protected:
    ShippedHelpersInPlayTest()
    {
        createCombatSystem();
        createFactionSystem();
        world.game->resizeForWorld(1);
        world.game->weather().setSettings(Weather::Settings());
        field.openZone(0);
        spawns.load();
        for (int stream = 0; stream < Random::kStreamCount; ++stream)
            Random::setState(stream, 11u + static_cast<uint32_t>(stream));
    }
    ~ShippedHelpersInPlayTest() override
    {
        destroyFactionSystem();
        destroyCombatSystem();
    }

    const MonsterType* findType(const std::string& entry) const { return world.data->findMonsterType(entry); }
    Actor* spawn(const std::string& entry, int level, int tx, int ty)
    {
        return addAwakeMonster(*world.game, findType(entry), level, field.tileCentre(0, tx, ty));
    }
    // A warrior of a covenant of its own, as a player's character is.
    SkillUser* placeWarrior(int tx, int ty)
    {
        auto* s = new SkillUser();
        giveClassStart(*s, CharacterClassType::Warrior);
        s->setStat(toIndex(CharacterStat::Level), 10);
        s->updateStats(true);
        s->setOwnFactionName("Barbarian");
        s->setFactionId(FactionSystem::instance()->getFactionId("Barbarian"));
        s->setCovenantIndex(addScriptedCovenant(*world.game).index);
        s->setPosition(field.tileCentre(0, tx, ty));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        s->getSkillList()->rebuild(s, s->getCharacterClass());
        return s;
    }
    int countOfType(const std::string& entry) const
    {
        int n = 0;
        for (int i = 0; i < Game::kMaxEntities; ++i)
            if (const auto* a = dynamic_cast<const Actor*>(world.game->getEntity(i)))
                n += a->getMonsterType() && a->getMonsterType()->getEntryName() == entry && !a->isDead();
        return n;
    }

    Loaders loaders;
    TestWorld world;
    FlatFieldPathFinder field;
    ScopedNavigation navigation{*world.game, field};
    SpawnSystem spawns;
};

TEST_F(ShippedHelpersInPlayTest, TheMatriarchBroodsTheSpidersLeapAndTheCultistPrays)
{
    SkillUser* fighter = placeWarrior(48, 40);
    ASSERT_NE(fighter, nullptr);
    const int spidersBefore = countOfType("CaveSpider");
    // The matriarch 256 away (inside her 320), spiders 192 away (inside the
    // leap's band of 100 to 300) and a cultist whose power is spent.
    Actor* matriarch = spawn("VessraTheSpinner", 40, 40, 40);
    std::vector<SafePtr<Actor>> spiders;
    for (int k = 0; k < 4; ++k)
        spiders.emplace_back(spawn("GiantSpider", 10, 54, 34 + 4 * k));
    Actor* cultist = spawn("CultInitiate", 10, 48, 48);
    ASSERT_TRUE(matriarch && cultist);
    cultist->setStat(toIndex(CharacterStat::Power), 0);

    int brood = -1, leap = -1, prayer = -1;
    for (int i = 0; i < 60 * 20 && (brood < 0 || leap < 0 || prayer < 0); ++i) {
        world.game->update(0.05f);
        if (brood < 0 && countOfType("CaveSpider") > spidersBefore)
            brood = i;
        for (const auto& spider : spiders) {
            const auto* jump =
                spider ? dynamic_cast<const BehaviorJump*>(spider->getCurrentBehavior()) : nullptr;
            if (leap < 0 && jump && jump->jumping)
                leap = i;
        }
        if (prayer < 0 && cultist->getCurrentBehaviorType() == static_cast<int>(ActorBehavior::Pray))
            prayer = i;
    }
    EXPECT_GE(brood, 0) << "the matriarch brought forth no spider";
    EXPECT_GE(leap, 0) << "no spider leapt at the warrior";
    EXPECT_GE(prayer, 0) << "the cultist never prayed";
    EXPECT_EQ(world.log.count(3), 0u);
}

// A shipped traveller that a player escorts walks after its leader, near or
// far, and comes within the follow range without leaving the level.
TEST_F(ShippedHelpersInPlayTest, AnEscortedTravellerWalksAfterItsLeader)
{
    struct Case {
        const char* entry;
        int tilesApart;
    };
    const Case cases[] = {
        {"NpcEscortWarrior", 8}, {"NpcEscortRogue", 16}, {"NpcEscortPriest", 8}, {"NpcEscortMage", 16}};
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        const int ty = 20 + 8 * row++;
        Actor* traveller = spawn(c.entry, 5, 20, ty);
        SkillUser* leader = placeWarrior(20 + c.tilesApart, ty);
        ASSERT_TRUE(traveller && leader);
        traveller->setLeader(leader, 4);
        const auto apart = [&] {
            return ZonePosition::distanceTo(traveller->getPosition(), leader->getPosition());
        };
        const float from = apart();
        ASSERT_GT(from, 160.0f);
        // The limit only catches a traveller that never comes.
        for (int i = 0; i < 20 * 60 && apart() >= 160.0f; ++i)
            world.game->update(0.05f);
        EXPECT_LT(apart(), 160.0f) << "from " << from;
        EXPECT_EQ(traveller->getPosition().zone, leader->getPosition().zone);
        traveller->clearLeader();
    }
}

} // namespace
