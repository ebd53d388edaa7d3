// A scripted run of shipped monsters on the flat field, with the real rules,
// factions, combat and skills, laid out so that every kind of behaviour a
// monster has gets its turn: a recruit whose leader walks off, comes close
// and warps away; bodies near a spider, a skeleton and a cultist; an enemy
// beside a cultist with a camp round it.
#include "engine/core/Random.h"
#include "game/ai/BehaviorRanged.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/skills/SkillList.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/CombatSystem.h"
#include "game/world/FactionSystem.h"
#include "support/AwakeMonster.h"
#include "support/ClassStart.h"
#include "support/FlatNavigation.h"
#include "support/ScriptedCovenant.h"
#include "support/StandInPlayer.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr float kStep = 0.05f;

int stepAt(float seconds)
{
    return static_cast<int>(seconds / kStep + 0.5f);
}

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

class MonstersScriptedRunTest : public ::testing::Test {
protected:
    MonstersScriptedRunTest()
    {
        createCombatSystem();
        createFactionSystem();
        world.game->resizeForWorld(1);
        field.openZone(0);
        for (int stream = 0; stream < Random::kStreamCount; ++stream)
            Random::setState(stream, 21u + static_cast<uint32_t>(stream));
    }
    ~MonstersScriptedRunTest() override
    {
        destroyFactionSystem();
        destroyCombatSystem();
    }

    const MonsterType* findType(const std::string& entryName) const
    {
        return world.data->findMonsterType(entryName);
    }

    // An awake monster of the type at home on the tile, not hidden.
    Actor* spawn(const std::string& entryName, int level, int tx, int ty)
    {
        Actor* actor = addAwakeMonster(*world.game, findType(entryName), level, field.tileCentre(0, tx, ty));
        if (actor) {
            names[actor] = entryName;
            everyone.emplace_back(actor);
        }
        return actor;
    }

    // A monster killed where it lies, left as a body.
    Actor* bodyOf(const std::string& entryName, int tx, int ty)
    {
        Actor* body = spawn(entryName, 3, tx, ty);
        if (body)
            body->takeDamage(body->getHealth(), nullptr);
        return body;
    }

    // A warrior of the faction; the Barbarian one in a covenant of its own,
    // as a player's character is.
    Sentient* placeWarrior(const std::string& faction, int level, int tx, int ty)
    {
        auto* s = new Sentient();
        giveClassStart(*s, CharacterClassType::Warrior);
        s->setStat(toIndex(CharacterStat::Level), level);
        s->updateStats(true);
        s->setOwnFactionName(faction);
        s->setFactionId(FactionSystem::instance()->getFactionId(faction));
        if (faction == "Barbarian")
            s->setCovenantIndex(scriptedCovenantAt(*world.game, 0).index);
        s->setPosition(field.tileCentre(0, tx, ty));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        s->getSkillList()->rebuild(s, s->getCharacterClass());
        return s;
    }

    static ZonePosition offset(const Entity* e, float dx, float dy)
    {
        const ZonePosition& p = e->getPosition();
        return ZonePosition(p.zone, p.x + dx, p.y + dy);
    }

    Loaders loaders;
    TestWorld world;
    FlatFieldPathFinder field;
    ScopedNavigation navigation{*world.game, field};
    std::map<const Actor*, std::string> names;
    std::vector<SafePtr<Actor>> everyone;
};

std::string behaviorName(int type)
{
    std::string name = getActorBehaviorName(type);
    return name.empty() ? std::to_string(type) : name;
}

TEST_F(MonstersScriptedRunTest, EveryBehaviourTypeBecomesCurrent)
{
    // The recruit and its leader, north-west.
    Actor* recruit = spawn("RecruitWarrior", 5, 15, 110);
    Sentient* leader = placeWarrior("Town", 5, 18, 110);
    ASSERT_TRUE(recruit && leader);
    recruit->setLeader(leader, 4);
    ASSERT_EQ(recruit->getLeader(), leader);

    // Bodies, north-east: a goblin beside a spider, another beside a
    // skeleton, and a skeleton warrior beside a cultist, each out of the
    // other eaters' and smashers' reach.
    Actor* spider = spawn("CaveSpider", 4, 60, 20);
    Actor* skeleton = spawn("SkeletonWarrior", 4, 60, 36);
    Actor* raiser = spawn("CultInitiate", 5, 78, 28);
    Actor* eaten = bodyOf("GoblinWarrior", 63, 20);
    Actor* smashed = bodyOf("GoblinWarrior", 63, 36);
    Actor* raised = bodyOf("SkeletonWarrior", 81, 28);
    ASSERT_TRUE(spider && skeleton && raiser && eaten && smashed && raised);
    SafePtr<Actor> smashedBody(smashed);

    // A goblin alone in the south-west with a player standing by: the
    // player is no fighter (no health), only someone to idle in front of.
    Actor* idler = spawn("GoblinWarrior", 4, 15, 20);
    ASSERT_NE(idler, nullptr);
    Player* watcher = addStandInPlayer(*world.game);
    ASSERT_NE(watcher, nullptr);
    watcher->setPosition(field.tileCentre(0, 17, 20));

    // The fight, south-east: an enemy beside a cultist, with a hurt goblin,
    // a sound one and a bloater near.
    Actor* cultist = spawn("CultInitiate", 5, 100, 90);
    Actor* hurtGoblin = spawn("GoblinWarrior", 4, 97, 86);
    Actor* goblin = spawn("GoblinWarrior", 4, 97, 94);
    Actor* bloater = spawn("BloaterType", 3, 104, 94);
    Sentient* enemy = placeWarrior("Barbarian", 3, 101, 90);
    ASSERT_TRUE(cultist && hurtGoblin && goblin && bloater && enemy);
    SafePtr<Actor> bloaterLeft(bloater);
    hurtGoblin->setHealth(hurtGoblin->getMaxHealth() / 5);
    for (Actor* a : {cultist, hurtGoblin, goblin, bloater})
        ASSERT_TRUE(a->isEnemy(enemy)) << names[a];
    const BehaviorRanged* ranged = nullptr;
    for (const auto& b : cultist->getBehaviors())
        if (auto* r = dynamic_cast<const BehaviorRanged*>(b.get()))
            ranged = r;
    ASSERT_NE(ranged, nullptr);

    // What became current, per actor. A selection stays current until its
    // owner's next think step, so a look after every world step sees each.
    std::map<const Actor*, std::set<int>> seen;
    float nearestAfterFollow = 1.0e9f, farthestShot = 0.0f;
    int shotsAfterWarp = 0;
    bool avoidedAtClose = false;
    float afterJump = -1.0f;
    const ZonePosition enemyAway = offset(cultist, 600.0f, 0.0f);

    const int steps = stepAt(90.0f);
    for (int i = 0; i < steps; ++i) {
        // The leader walks east at 60 a second for 6 s, waits, comes right
        // up to the recruit at 14 s, and warps far off at 20 s.
        if (i < stepAt(6.0f))
            leader->setPosition(offset(leader, 3.0f, 0.0f));
        else if (i == stepAt(14.0f))
            leader->setPosition(offset(recruit, -20.0f, 0.0f));
        else if (i == stepAt(20.0f))
            leader->setPosition(offset(leader, 1200.0f, 0.0f));
        // The enemy is kept alive, steps out of the cultist's band at 30 s
        // and leaves the field at 60 s.
        if (enemy->getHealth() > 0)
            enemy->setHealth(enemy->getMaxHealth());
        if (i == stepAt(30.0f))
            enemy->setPosition(enemyAway);
        else if (i == stepAt(60.0f))
            enemy->setPosition(field.tileCentre(0, 5, 5));

        world.game->update(kStep);

        for (const SafePtr<Actor>& a : everyone)
            if (a && a->getCurrentBehaviorType() >= 0)
                seen[a.get()].insert(a->getCurrentBehaviorType());
        if (i > stepAt(14.0f) && i < stepAt(15.0f) &&
            recruit->getCurrentBehaviorType() == toIndex(ActorBehavior::AvoidLeader))
            avoidedAtClose = true;
        if (i > stepAt(8.0f) && i < stepAt(14.0f))
            nearestAfterFollow = std::min(nearestAfterFollow, recruit->distanceToEntity(leader, false));
        if (i == stepAt(20.0f) + 1)
            afterJump = recruit->distanceToEntity(leader, false);
        // A shot of the step leaves the wait just started.
        if (i > stepAt(30.0f) && i < stepAt(60.0f) && cultist->getCurrentBehavior() == ranged &&
            ranged->shotTimer.running && ranged->shotTimer.remaining == ranged->shotTimer.duration) {
            ++shotsAfterWarp;
            farthestShot = std::max(farthestShot, cultist->distanceToEntity(enemy, false));
        }
    }

    // Who did what.
    struct Expected {
        const Actor* actor;
        ActorBehavior type;
    };
    const Expected expected[] = {{recruit, ActorBehavior::FollowLeader},
                                 {recruit, ActorBehavior::AvoidLeader},
                                 {recruit, ActorBehavior::TeleportToLeader},
                                 {spider, ActorBehavior::EatCorpse},
                                 {skeleton, ActorBehavior::DestroyCorpse},
                                 {raiser, ActorBehavior::RaiseDead},
                                 {raiser, ActorBehavior::Sleep},
                                 {cultist, ActorBehavior::Teleport},
                                 {cultist, ActorBehavior::Ranged},
                                 {cultist, ActorBehavior::Approach},
                                 {hurtGoblin, ActorBehavior::Retreat},
                                 {goblin, ActorBehavior::Melee},
                                 {bloater, ActorBehavior::Suicide},
                                 {idler, ActorBehavior::Idle}};
    for (const Expected& e : expected)
        EXPECT_TRUE(seen[e.actor].count(toIndex(e.type)))
            << names[e.actor] << " never ran " << behaviorName(toIndex(e.type));

    // Every type but TeleportRaid, which needs a raid (and those no shipped
    // monster has).
    std::set<int> all;
    for (const auto& [actor, types] : seen)
        all.insert(types.begin(), types.end());
    for (int type = 0; type < kActorBehaviorCount; ++type) {
        const ActorBehavior b = static_cast<ActorBehavior>(type);
        if (b == ActorBehavior::Spawner || b == ActorBehavior::Pray || b == ActorBehavior::LifestoneRegen ||
            b == ActorBehavior::Adventure || b == ActorBehavior::Jump || b == ActorBehavior::TeleportRaid)
            continue;
        EXPECT_TRUE(all.count(type)) << behaviorName(type) << " never became current";
    }

    // And each did what it is for.
    EXPECT_LT(nearestAfterFollow, 160.0f) << "the recruit did not follow";
    EXPECT_TRUE(avoidedAtClose) << "the recruit did not step aside";
    EXPECT_GE(afterJump, 0.0f);
    EXPECT_LE(afterJump, 96.0f * 1.5f) << "the recruit did not jump to its leader";
    EXPECT_FALSE(smashedBody) << "the skeleton left the goblin body";
    EXPECT_FALSE(raised->isDead()) << "the cultist did not raise the skeleton warrior";
    EXPECT_TRUE(!bloaterLeft || bloaterLeft->isDead());
    EXPECT_GT(shotsAfterWarp, 0) << "the cultist did not come back into its band";
    EXPECT_LE(farthestShot, 450.0f);
    // Nor did it warn of anything: the models and data it loads are sound.
    EXPECT_EQ(world.log.count(3), 0u) << "the run logged errors";
    EXPECT_EQ(world.log.count(2), 0u) << "the run logged warnings";
}

} // namespace
