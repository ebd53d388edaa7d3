#pragma once

#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/EntityServices.h"
#include "game/skills/SkillLoaders.h"
#include "support/FlatNavigation.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// The shipped data in a Game of one 128 × 128 tile level on the flat test
// field, with a faction relation the test chooses (1: hostile).
class ActorFixture : public ::testing::Test {
protected:
    struct Loaders {
        Loaders()
        {
            registerSkillLoaders();
            registerCovenantLoaders();
        }
    };

    ActorFixture() : scoped(*world.game, nav)
    {
        world.game->resizeForWorld(1);
        nav.openZone(0);
        m_savedHooks = EntityServices::hooks();
        EntityServiceHooks hooks = m_savedHooks;
        hooks.factionRelation = [this](const Entity*, const Entity*) { return relation; };
        EntityServices::setHooks(hooks);
    }
    ~ActorFixture() override { EntityServices::setHooks(m_savedHooks); }

    const MonsterType* findType(const std::string& entryName) const
    {
        return world.data->findMonsterType(entryName);
    }

    // A monster of the type at the tile, in the world and not hidden; null
    // when the table is full.
    Actor* spawn(const MonsterType* type, int level, int tx, int ty)
    {
        auto* actor = new Actor();
        if (type)
            actor->initFromMonsterType(type, level);
        // Classes that hide by chance would make the tests depend on the draw.
        actor->setFlags(actor->getFlags() & ~Actor::kFlagHidden);
        actor->setPosition(nav.tileCentre(0, tx, ty));
        if (world.game->addEntity(actor) < 0) {
            delete actor;
            return nullptr;
        }
        return actor;
    }

    // A plain living character of the warrior class at the tile.
    Sentient* placeTarget(int level, int tx, int ty)
    {
        auto* s = new Sentient();
        s->setCharacterClass(toIndex(CharacterClassType::Warrior));
        s->setStat(toIndex(CharacterStat::Level), level);
        for (int i = 0; i < 5; ++i)
            s->setStat(toIndex(CharacterStat::BaseStrength) + i, 20);
        s->updateStats(true);
        s->setPosition(nav.tileCentre(0, tx, ty));
        if (world.game->addEntity(s) < 0) {
            delete s;
            return nullptr;
        }
        return s;
    }

    // The enemy at that offset from the actor, listed and made its target.
    void placeEnemyAt(Actor* actor, Sentient* enemy, float dx, float dy)
    {
        ZonePosition p = actor->getPosition();
        enemy->setPosition(ZonePosition(p.zone, p.x + dx, p.y + dy));
        if (!actor->findTargetEntry(enemy)) {
            actor->addTargetEntry(enemy);
        }
        actor->updateTargets(0.0f);
        ASSERT_EQ(actor->getTarget(), enemy);
    }

    void step(float seconds)
    {
        for (float t = 0.0f; t < seconds - 1e-4f; t += 0.05f)
            world.game->update(0.05f);
    }

    Loaders loaders;
    TestWorld world;
    FlatNavigation nav;
    ScopedNavigation scoped;
    int relation = 1;

private:
    EntityServiceHooks m_savedHooks;
};

// A monster class and type copied from the shipped ones, for changing keys.
struct MonsterCopy {
    MonsterCopy(const MonsterType* shipped)
        : archetype(std::make_unique<MonsterArchetype>(*shipped->archetype)),
          type(std::make_unique<MonsterType>(*shipped))
    {
        type->archetype = archetype.get();
    }
    std::unique_ptr<MonsterArchetype> archetype;
    std::unique_ptr<MonsterType> type;
};
