// A camp of shipped monsters against one warrior on the flat field, with the
// real rules, factions, combat and skills: they notice it, close in, hurt it,
// kill it, forget it and go home. The same seed runs the same way twice.
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "game/ai/BehaviorIdle.h"
#include "game/ai/BehaviorRanged.h"
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
#include "game/world/Weather.h"
#include "support/AwakeMonster.h"
#include "support/ClassStart.h"
#include "support/FlatNavigation.h"
#include "support/ScriptedCovenant.h"
#include "support/SkillUser.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr float kStep = 0.05f;
constexpr int kSteps = static_cast<int>(300.0f / kStep);
constexpr int kStepIn = static_cast<int>(10.0f / kStep);

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

template <class B> B* findBehavior(const Actor* actor)
{
    for (const auto& behavior : actor->getBehaviors())
        if (auto* found = dynamic_cast<B*>(behavior.get()))
            return found;
    return nullptr;
}

// One run of the camp in a world of its own, with what the checks need.
class Camp {
public:
    struct Shot {
        int step;
        float distance;
    };

    explicit Camp(uint32_t seed)
    {
        createCombatSystem();
        createFactionSystem();
        world.game->resizeForWorld(1);
        // The camp's runs are kept per random sequence; no weather draws in it.
        world.game->weather().setSettings(Weather::Settings());
        field.openZone(0);
        for (int stream = 0; stream < Random::kStreamCount; ++stream)
            Random::setState(stream, seed + static_cast<uint32_t>(stream));
        // A wall across the way that blocks walking but not sight.
        for (int ty = 36; ty <= 44; ++ty)
            field.blockWalking(0, 35, ty);
    }
    ~Camp()
    {
        destroyFactionSystem();
        destroyCombatSystem();
    }
    Camp(const Camp&) = delete;
    Camp& operator=(const Camp&) = delete;

    // False when a monster or the target could not be placed.
    bool populate()
    {
        struct Placed {
            const char* type;
            int level, tx, ty;
        };
        const Placed camp[] = {{"Goblin Warrior", 4, 31, 40},
                               {"Cult Initiate", 4, 28, 40},
                               {"Cave Spider", 3, 31, 37},
                               {"Cave Spider", 4, 31, 43},
                               {"Bloater", 3, 30, 43}};
        for (const Placed& p : camp) {
            Actor* a = spawn(p.type, p.level, p.tx, p.ty);
            if (!a)
                return false;
            monsters.emplace_back(a);
            home[a->getEntityNumber()] = a->getHome();
            names[a->getEntityNumber()] = p.type;
        }
        start = monsters[0]->getPosition();
        target = placeWarrior(3, ZonePosition(0, start.x + 500.0f, start.y));
        victim = target;
        return target != nullptr;
    }

    // Five simulated minutes in 50 ms steps; the target steps in at 10 s.
    void run()
    {
        const Actor* cultist = monsters[1].get();
        const BehaviorRanged* ranged = findBehavior<BehaviorRanged>(cultist);
        for (int i = 0; i < kSteps; ++i) {
            if (i == kStepIn && victim)
                target->setPosition(ZonePosition(0, start.x + 190.0f, start.y));
            world.game->update(kStep);
            record(i);
            const bool targetLives = victim && !target->isDead();
            if (i >= kStepIn && targetLives) {
                for (const auto& m : monsters)
                    if (m && listsTarget(m.get()) && !listedAt.count(m->getEntityNumber()))
                        listedAt[m->getEntityNumber()] = i;
            }
            if (targetLives) {
                for (const auto& m : monsters)
                    if (m && mustClose(names[m->getEntityNumber()]) &&
                        m->distanceToEntity(target, false) < 96.0f)
                        closed.insert(m->getEntityNumber());
                // A shot of the step leaves the wait just started.
                if (monsters[1] && ranged && cultist->getCurrentBehavior() == ranged &&
                    ranged->shotTimer.running && ranged->shotTimer.remaining == ranged->shotTimer.duration)
                    shots.push_back({i, cultist->distanceToEntity(target, false)});
                if (!shots.empty() && monsters[1])
                    farthestAfterFirstShot =
                        std::max(farthestAfterFirstShot, cultist->distanceToEntity(target, false));
            }
            if (died < 0 && !targetLives)
                died = i;
            if (died >= 0 && i == died + static_cast<int>(1.0f / kStep)) {
                forgotten = i;
                for (const auto& m : monsters)
                    if (m && !m->isDead() && !m->getTargets().empty())
                        remembering.push_back(names[m->getEntityNumber()]);
            }
            if (died >= 0 && forgotten >= 0 && allHome < 0 && survivorsAtHome())
                allHome = i;
        }
    }

    Loaders loaders;
    TestWorld world;
    FlatFieldPathFinder field;
    ScopedNavigation navigation{*world.game, field};

    std::vector<SafePtr<Actor>> monsters;
    std::map<int, ZonePosition> home;
    std::map<int, std::string> names;
    ZonePosition start;
    RecordingTarget* target = nullptr;
    SafePtr<Entity> victim;

    // Per step: every entity's state and the lines broadcast to clients.
    std::vector<std::string> trace;
    std::map<int, int> listedAt; // first step on or after the step in
    std::set<int> closed;        // seen below 96
    std::vector<Shot> shots;     // the cultist's shots while the target lived
    float farthestAfterFirstShot = 0.0f;
    std::vector<std::string> remembering; // survivors with targets a second after the death
    int died = -1, forgotten = -1, allHome = -1;

private:
    const MonsterType* findType(const std::string& name) const
    {
        for (const auto& type : world.data->getMonsterTypes())
            if (type->name == name)
                return type.get();
        return nullptr;
    }

    Actor* spawn(const std::string& name, int level, int tx, int ty)
    {
        return addAwakeMonster(*world.game, findType(name), level, field.tileCentre(0, tx, ty));
    }

    RecordingTarget* placeWarrior(int level, const ZonePosition& at)
    {
        auto* s = new RecordingTarget();
        giveClassStart(*s, CharacterClassType::Warrior);
        s->setStat(toIndex(CharacterStat::Level), level);
        s->updateStats(true);
        s->setOwnFactionName("Barbarian");
        s->setFactionId(FactionSystem::instance()->getFactionId("Barbarian"));
        // A covenant of its own, as a player's character has.
        s->setCovenantIndex(addScriptedCovenant(*world.game).index);
        s->setPosition(at);
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        s->getSkillList()->rebuild(s, s->getCharacterClass());
        return s;
    }

    bool listsTarget(const Actor* a) const
    {
        for (const TargetEntry& e : a->getTargets())
            if (e.entity.get() == target)
                return true;
        return false;
    }

    bool survivorsAtHome() const
    {
        for (const auto& m : monsters) {
            if (!m || m->isDead())
                continue;
            if (!isRestful(m.get()) ||
                ZonePosition::distanceTo(m->getPosition(), home.at(m->getEntityNumber())) > 350.0f)
                return false;
        }
        return true;
    }

    // Positions as exact bits, so that a last-digit drift shows.
    void record(int step)
    {
        std::string line = formatString("%d:", step);
        for (int n = 0; n < Game::kMaxEntities; ++n) {
            const Entity* e = world.game->getEntity(n);
            if (!e)
                continue;
            const ZonePosition& p = e->getPosition();
            line += formatString(" [%d %s %d %a %a %d %d", n, e->getEntryName().c_str(), p.zone,
                                 static_cast<double>(p.x), static_cast<double>(p.y), e->getHealth(),
                                 e->getDirection());
            if (const auto* a = dynamic_cast<const Actor*>(e))
                line += formatString(" %d %d %zu", a->getDeathState(), a->getCurrentBehaviorType(),
                                     a->getTargets().size());
            line += "]";
        }
        const std::vector<std::string>& lines = world.server->getQueuedCommands();
        for (; m_linesSeen < lines.size(); ++m_linesSeen)
            line += " | " + lines[m_linesSeen];
        trace.push_back(std::move(line));
    }

    size_t m_linesSeen = 0;
};

// The outcome every seed must reach.
void expectCampOutcome(Camp& camp)
{
    for (const auto& [number, name] : camp.names) {
        ASSERT_TRUE(camp.listedAt.count(number)) << name << " never listed the target";
        EXPECT_LE((camp.listedAt[number] - kStepIn) * kStep, 5.0f) << name;
    }
    for (const auto& [number, name] : camp.names)
        if (mustClose(name)) {
            EXPECT_TRUE(camp.closed.count(number)) << name << " never closed";
        }
    ASSERT_GE(camp.died, 0) << "the target outlived the run";
    EXPECT_LE(camp.died * kStep, 120.0f);
    ASSERT_TRUE(camp.victim);
    for (const auto& [number, name] : camp.names)
        EXPECT_TRUE(camp.target->damagedBy.count(number)) << name << " never hurt the target";
    ASSERT_GE(camp.forgotten, 0);
    for (const std::string& name : camp.remembering)
        ADD_FAILURE() << name << " still lists a target a second after the death";
    ASSERT_GE(camp.allHome, 0) << "the survivors did not settle at home";
    EXPECT_LE((camp.allHome - camp.died) * kStep, 60.0f);

    // Five minutes on: no projectile or effect is left, and the bloater's
    // burst body has gone.
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        const Entity* e = camp.world.game->getEntity(i);
        if (!e)
            continue;
        EXPECT_EQ(dynamic_cast<const Projectile*>(e), nullptr) << "a projectile is left";
        EXPECT_NE(e->getEntryName().rfind("Effect", 0), 0u) << e->getEntryName() << " is left";
    }
    EXPECT_EQ(camp.monsters[4].get(), nullptr) << "the bloater's body is left";
    EXPECT_EQ(camp.world.log.count(3), 0u) << "the run logged errors";
    EXPECT_EQ(camp.world.log.count(2), 0u) << "the run logged warnings";

    // The cultist shoots only from inside its band of 100 to 450 and, once
    // shooting, never falls back beyond it while the target lives. (Its
    // shots stop once the others hem the target in: a target it cannot walk
    // to is no target.)
    ASSERT_FALSE(camp.shots.empty()) << "the cultist never shot";
    for (const Camp::Shot& shot : camp.shots) {
        EXPECT_GE(shot.distance, 100.0f) << "shot at step " << shot.step;
        EXPECT_LE(shot.distance, 450.0f) << "shot at step " << shot.step;
    }
    EXPECT_LE(camp.farthestAfterFirstShot, 450.0f);
}

TEST(MonstersEndToEndTest, CampNoticesKillsForgetsAndGoesHome)
{
    Camp camp(7u);
    ASSERT_NE(FactionSystem::instance(), nullptr);
    ASSERT_TRUE(camp.populate());
    for (const auto& m : camp.monsters)
        ASSERT_TRUE(m->isEnemy(camp.target)) << camp.names[m->getEntityNumber()];
    camp.run();
    expectCampOutcome(camp);
}

// The first step at which two traces part, with both lines; empty when alike.
std::string firstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return "first run:  " + a[i] + "\nsecond run: " + b[i];
    if (a.size() != b.size())
        return formatString("the runs took %zu and %zu steps", a.size(), b.size());
    return {};
}

TEST(MonstersEndToEndTest, OneSeedRunsTheSameTwiceAndAnotherRunsCleanly)
{
    std::vector<std::string> first;
    {
        Camp camp(7u);
        ASSERT_TRUE(camp.populate());
        camp.run();
        first = std::move(camp.trace);
    }
    {
        Camp camp(7u);
        ASSERT_TRUE(camp.populate());
        camp.run();
        ASSERT_EQ(camp.trace.size(), static_cast<size_t>(kSteps));
        EXPECT_EQ(firstDifference(first, camp.trace), "");
        // The camp has moved, fought and sent lines: not a trace of nothing.
        EXPECT_NE(first.front(), first.back());
        EXPECT_TRUE(std::any_of(first.begin(), first.end(),
                                [](const std::string& s) { return s.find(" | dmg ") != std::string::npos; }));
    }
    Camp other(1234u);
    ASSERT_TRUE(other.populate());
    other.run();
    EXPECT_NE(firstDifference(first, other.trace), "") << "another seed ran the very same way";
    expectCampOutcome(other);
}

} // namespace
