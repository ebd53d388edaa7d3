#pragma once

#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/StatChangeList.h"
#include "game/entities/Projectile.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/CombatSystem.h"
#include "support/TeamEntity.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A one-level world on the shipped data and its combat system, with test
// projectiles of every kind, fighters on two sides and a marker status effect
// that every launch hands on, so that hits show on the fighters.
inline constexpr float kProjectileWorldStep = 0.05f;

inline constexpr const char* kTestProjectiles = R"(
TestBolt {
    Type Projectile
    ProjectileType Normal
    Speed 400
}
TestBurstBolt {
    Type Projectile
    ProjectileType Normal
    Speed 400
    Explosion TestBurst
}
TestBurst {
    Type Object
}
TestLob {
    Type Projectile
    ProjectileType Lob
    Speed 400
    LobSpeed 100
    Explosion TestBurst
}
TestCone {
    Type Projectile
    ProjectileType Ring
    Speed 400
    Life 1.0
    ConeDegrees 90
}
TestPulse {
    Type Projectile
    ProjectileType Ring
    Speed 400
    Life 1.0
    ConstantDamage 1
    DamageTime 0.5
}
TestOnce {
    Type Projectile
    ProjectileType Ring
    Speed 400
    Life 1.0
}
TestChain {
    Type Projectile
    ProjectileType Beam
    Life 5
    MaxChains 3
    ChainDistance 150
    ChainTime 0.1
    SourceTag tag_helmet
    DestTag no_such_tag
}
TestSpark {
    Type Projectile
    ProjectileType Normal
    Speed 400
    BeamAttack 1
    Beam TestChain
}
TestSparkTorches {
    Type Projectile
    ProjectileType Normal
    Speed 400
    BeamAttack 1
    Beam TestChain
    CanHitTorches 1
}
TestSparkNoBeam {
    Type Projectile
    ProjectileType Normal
    Speed 400
    BeamAttack 1
}
TestSparkLostBeam {
    Type Projectile
    ProjectileType Normal
    Speed 400
    BeamAttack 1
    Beam NoSuchBeam
}
TestSpiral {
    Type Projectile
    ProjectileType Spiral
    Speed 400
}
TestEndless {
    Type Projectile
    ProjectileType Ring
    Speed 100
}
TestStill {
    Type Projectile
    ProjectileType Lob
    LobSpeed 10
}
TestFromTarget {
    Type Projectile
    ProjectileType Ring
    Speed 100
    Life 1
    StartsAtTarget 1
}
TestBomb {
    Type Projectile
    ProjectileType Lob
    Speed 400
    LobSpeed 100
    HitsEverything 1
}
TestBlastRing {
    Type Projectile
    ProjectileType Ring
    Speed 400
    Life 1.0
    HitsEverything 1
}
TestBurning {
    Type Projectile
    ProjectileType Ring
    Speed 400
    Life 2.0
    ConstantDamage 1
    DamageTime 0.5
}
)";

class ProjectileWorld : public ::testing::Test {
protected:
    ProjectileWorld()
    {
        registerSkillLoaders();
        createCombatSystem();
    }
    ~ProjectileWorld() override { destroyCombatSystem(); }

    void SetUp() override
    {
        world.database.addSubDatabase("ProjectileTest", "projectile_test.dbl", kTestProjectiles);
        world.database.resolveBases();
        world.game->resizeForWorld(1);
        marker = world.database.findEntry("StatusEffectBasicRegen");
        ASSERT_NE(marker, nullptr);
        world.log.clear();
    }

    Game& game() { return *world.game; }

    TeamEntity* fighter(int team, float x, float y, float radius = 0.0f)
    {
        auto* e = new TeamEntity(team);
        e->setRadius(radius);
        e->setPosition(ZonePosition(0, x, y));
        EXPECT_GE(game().addEntity(e), 0);
        return e;
    }

    Projectile* launch(const char* name, Entity* source, Entity* target,
                       const ZonePosition& destination = ZonePosition())
    {
        StatChangeList none;
        return Entity::spawnProjectile(name, none, false, false, source, target, destination, marker, 3, 0.0f,
                                       none, nullptr);
    }

    void step(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            game().update(kProjectileWorldStep);
        }
    }

    bool alive(int number, const Entity* entity) const { return world.game->getEntity(number) == entity; }

    std::vector<Projectile*> beams() const
    {
        std::vector<Projectile*> out;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            auto* p = dynamic_cast<Projectile*>(world.game->getEntity(i));
            if (p && p->getType() == Projectile::Beam) {
                out.push_back(p);
            }
        }
        return out;
    }

    int countEntitiesNamed(const std::string& entryName) const
    {
        int count = 0;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            Entity* e = world.game->getEntity(i);
            count += (e && e->getEntryName() == entryName) ? 1 : 0;
        }
        return count;
    }

    TestWorld world;
    const DatabaseEntry* marker = nullptr;
};
