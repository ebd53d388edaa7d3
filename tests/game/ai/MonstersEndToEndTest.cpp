// A camp of shipped monsters against one warrior on the flat field, with the
// real rules, factions, combat and skills: they notice it, close in, hurt it,
// kill it, forget it and go home.
#include "engine/core/Random.h"
#include "game/ai/BehaviorIdle.h"
#include "game/ai/BehaviorReturnHome.h"
#include "game/ai/BehaviorSleep.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Projectile.h"
#include "game/skills/SkillList.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/CombatSystem.h"
#include "game/world/FactionSystem.h"
#include "support/FlatNavigation.h"
#include "support/SkillUser.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr float kStep = 0.05f;

// The target: a warrior that records who hurt it.
class RecordingTarget : public SkillUser {
public:
    void takeDamage(int amount, Entity* source, bool overTime, bool quiet) override
    {
        Entity* from = source;
        if (auto* p = dynamic_cast<Projectile*>(source); p && p->getSource())
            from = p->getSource();
        if (from && amount > 0)
            damagedBy.insert(from->getEntityNumber());
        SkillUser::takeDamage(amount, source, overTime, quiet);
    }
    std::set<int> damagedBy;
};

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

class MonstersEndToEndTest : public ::testing::Test {
protected:
    MonstersEndToEndTest()
    {
        createCombatSystem();
        createFactionSystem();
        world.game->resizeForWorld(1);
        field.openZone(0);
    }
    ~MonstersEndToEndTest() override
    {
        destroyFactionSystem();
        destroyCombatSystem();
    }

    const MonsterType* findType(const std::string& name) const
    {
        for (const auto& type : world.data->getMonsterTypes())
            if (type->name == name)
                return type.get();
        return nullptr;
    }

    Actor* spawn(const std::string& name, int level, int tx, int ty)
    {
        const MonsterType* type = findType(name);
        if (!type)
            return nullptr;
        auto* actor = new Actor();
        actor->initFromMonsterType(type, level);
        // Chance hiding would make the run depend on the draw.
        actor->setFlags(actor->getFlags() & ~Actor::kFlagHidden);
        // No player exists to wake the camp.
        actor->setChecksActivity(false);
        actor->setActiveNow(true);
        actor->setPosition(field.tileCentre(0, tx, ty));
        actor->setHomePosition(field.tileCentre(0, tx, ty));
        if (world.game->addEntity(actor) < 0) {
            delete actor;
            return nullptr;
        }
        return actor;
    }

    RecordingTarget* placeWarrior(int level, const ZonePosition& at)
    {
        auto* s = new RecordingTarget();
        s->setCharacterClass(toIndex(CharacterClassType::Warrior));
        const CharacterClass* c = s->getCharacterClass();
        for (int i = 0; i < 5; ++i)
            s->setStat(toIndex(CharacterStat::BaseStrength) + i, c->startAttributes[static_cast<size_t>(i)]);
        s->setStat(toIndex(CharacterStat::Level), level);
        s->updateStats(true);
        s->setOwnFactionName("Barbarian");
        s->setFactionId(FactionSystem::instance()->getFactionId("Barbarian"));
        // A covenant of its own, as a player's character has.
        s->setCovenantIndex(2);
        s->setPosition(at);
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        s->getSkillList()->rebuild(s, c);
        return s;
    }

    Loaders loaders;
    TestWorld world;
    FlatFieldPathFinder field;
    ScopedNavigation navigation{*world.game, field};
};

// Every monster but the cultist, which fires from afar, closes to melee
// range, walking round the others' bodies; every one hurts the target.
bool mustClose(const std::string& type)
{
    return type != "Cult Initiate";
}

bool isRestful(const Actor* a)
{
    const BehaviorBase* b = a->getCurrentBehavior();
    return dynamic_cast<const BehaviorIdle*>(b) || dynamic_cast<const BehaviorReturnHome*>(b) ||
           dynamic_cast<const BehaviorSleep*>(b);
}

TEST_F(MonstersEndToEndTest, CampNoticesKillsForgetsAndGoesHome)
{
    ASSERT_NE(FactionSystem::instance(), nullptr);
    // One fixed draw: the run does not hang on the tests before it.
    const uint32_t seed = 7u;
    for (int stream = 0; stream < 5; ++stream)
        Random::setState(stream, seed + static_cast<uint32_t>(stream));
    // A wall across the way that blocks walking but not sight.
    for (int ty = 36; ty <= 44; ++ty)
        field.blockWalking(0, 35, ty);

    struct Placed {
        const char* type;
        int level, tx, ty;
    };
    const Placed camp[] = {{"Goblin Warrior", 4, 31, 40},
                           {"Cult Initiate", 4, 28, 40},
                           {"Cave Spider", 3, 31, 37},
                           {"Cave Spider", 4, 31, 43},
                           {"Bloater", 3, 30, 43}};
    std::vector<SafePtr<Actor>> monsters;
    std::map<int, ZonePosition> home;
    std::map<int, std::string> names;
    for (const Placed& p : camp) {
        Actor* a = spawn(p.type, p.level, p.tx, p.ty);
        ASSERT_NE(a, nullptr) << p.type;
        monsters.emplace_back(a);
        home[a->getEntityNumber()] = a->getHome();
        names[a->getEntityNumber()] = p.type;
    }
    const ZonePosition start = monsters[0]->getPosition();
    RecordingTarget* target = placeWarrior(3, ZonePosition(0, start.x + 500.0f, start.y));
    ASSERT_NE(target, nullptr);
    SafePtr<Entity> victim(target);
    for (const auto& m : monsters)
        ASSERT_TRUE(m->isEnemy(target)) << names[m->getEntityNumber()];

    auto listsTarget = [&](const Actor* a) {
        for (const TargetEntry& e : a->getTargets())
            if (e.entity.get() == target)
                return true;
        return false;
    };

    const int steps = static_cast<int>(300.0f / kStep);
    const int stepIn = static_cast<int>(10.0f / kStep);
    std::map<int, int> listedAt; // first step on or after the step in
    int died = -1, forgotten = -1, allHome = -1;
    std::set<int> closed; // seen below 96
    for (int i = 0; i < steps; ++i) {
        if (i == stepIn && victim)
            target->setPosition(ZonePosition(0, start.x + 190.0f, start.y));
        world.game->update(kStep);
        if (i >= stepIn && victim && !target->isDead()) {
            for (const auto& m : monsters)
                if (m && listsTarget(m.get()) && !listedAt.count(m->getEntityNumber()))
                    listedAt[m->getEntityNumber()] = i;
        }
        if (victim && !target->isDead()) {
            for (const auto& m : monsters)
                if (m && mustClose(names[m->getEntityNumber()]) && m->distanceToEntity(target, false) < 96.0f)
                    closed.insert(m->getEntityNumber());
        }
        if (died < 0 && (!victim || target->isDead()))
            died = i;
        if (died >= 0 && i == died + static_cast<int>(1.0f / kStep)) {
            forgotten = i;
            for (const auto& m : monsters)
                if (m && !m->isDead())
                    EXPECT_TRUE(m->getTargets().empty()) << names[m->getEntityNumber()];
        }
        if (died >= 0 && allHome < 0) {
            bool all = true;
            for (const auto& m : monsters) {
                if (!m || m->isDead())
                    continue;
                all = all && isRestful(m.get()) &&
                      ZonePosition::distanceTo(m->getPosition(), home[m->getEntityNumber()]) <= 350.0f;
            }
            if (all && forgotten >= 0)
                allHome = i;
        }
    }

    for (const auto& [number, name] : names) {
        ASSERT_TRUE(listedAt.count(number)) << name << " never listed the target";
        EXPECT_LE((listedAt[number] - stepIn) * kStep, 5.0f) << name;
    }
    for (const auto& [number, name] : names)
        if (mustClose(name))
            EXPECT_TRUE(closed.count(number)) << name << " never closed";
    ASSERT_GE(died, 0) << "the target outlived the run";
    EXPECT_LE(died * kStep, 120.0f);
    ASSERT_TRUE(victim);
    for (const auto& [number, name] : names)
        EXPECT_TRUE(target->damagedBy.count(number)) << name << " never hurt the target";
    ASSERT_GE(allHome, 0) << "the survivors did not settle at home";
    EXPECT_LE((allHome - died) * kStep, 60.0f);

    // Five minutes on: no projectile or effect is left, and the bloater's
    // burst body has gone.
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const Entity* e = world.game->getEntity(i);
        if (!e)
            continue;
        EXPECT_EQ(dynamic_cast<const Projectile*>(e), nullptr) << "a projectile is left";
        EXPECT_NE(e->getEntryName().rfind("Effect", 0), 0u) << e->getEntryName() << " is left";
    }
    EXPECT_EQ(monsters[4].get(), nullptr) << "the bloater's body is left";
}

} // namespace
