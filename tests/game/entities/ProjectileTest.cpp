#include "game/entities/Projectile.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Torch.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"
#include "game/world/EntityQueryMask.h"
#include "support/ProjectileWorld.h"
#include "support/RandomScript.h"
#include "support/ScriptedFighter.h"
#include "support/TeamEntity.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using ProjectileTest = ProjectileWorld;

// ---- Flight -------------------------------------------------------------------

TEST_F(ProjectileTest, CloserThanOneStepHitsInThatStepAndIsGoneAtTheNext)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 119.0f, 100.0f);
    Projectile* bolt = launch("TestBolt", source, target);
    ASSERT_NE(bolt, nullptr);
    int number = bolt->getEntityNumber();
    EXPECT_EQ(bolt->getPosition(), source->getPosition());
    step();
    ASSERT_EQ(target->received.size(), 1u);
    EXPECT_EQ(target->received[0].effect, marker);
    EXPECT_EQ(target->received[0].source, source);
    EXPECT_EQ(target->received[0].level, 3);
    step();
    EXPECT_FALSE(alive(number, bolt));
    EXPECT_EQ(target->received.size(), 1u);
}

TEST_F(ProjectileTest, ExactlyOneStepAwayMovesOntoTheAimAndHitsInTheNext)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 100.0f, 120.0f);
    Projectile* bolt = launch("TestBolt", source, target);
    ASSERT_NE(bolt, nullptr);
    step();
    EXPECT_TRUE(target->received.empty());
    EXPECT_NEAR(bolt->getPosition().x, 100.0f, 1e-3f);
    EXPECT_NEAR(bolt->getPosition().y, 120.0f, 1e-3f);
    step();
    EXPECT_EQ(target->received.size(), 1u);
}

TEST_F(ProjectileTest, FollowsAMovingTarget)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 200.0f, 100.0f);
    Projectile* bolt = launch("TestBolt", source, target);
    step(2);
    EXPECT_NEAR(bolt->getPosition().x, 140.0f, 1e-3f);
    target->setPosition(ZonePosition(0, 140.0f, 200.0f));
    step();
    EXPECT_NEAR(bolt->getPosition().x, 140.0f, 1e-3f);
    EXPECT_NEAR(bolt->getPosition().y, 120.0f, 1e-3f);
}

TEST_F(ProjectileTest, LobRisesForTheFirstHalfSinksForTheRestAndHitsInTheEleventhStep)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 300.0f, 100.0f);
    Projectile* lob = launch("TestLob", source, target);
    ASSERT_NE(lob, nullptr);
    EXPECT_FLOAT_EQ(lob->getLobTurnDistance(), 100.0f);
    const float heights[10] = {5, 10, 15, 20, 25, 20, 15, 10, 5, 0};
    for (float expected : heights) {
        step();
        EXPECT_NEAR(lob->getHeight(), expected, 1e-3f);
        EXPECT_TRUE(target->received.empty());
    }
    step();
    EXPECT_EQ(target->received.size(), 1u);
    EXPECT_EQ(countEntitiesNamed("TestBurst"), 1);
}

TEST_F(ProjectileTest, LobAtTheGroundBurstsWhereItLandsWithoutATarget)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* bystander = fighter(1, 300.0f, 100.0f);
    Projectile* lob = launch("TestLob", source, nullptr, ZonePosition(0, 300.0f, 100.0f));
    ASSERT_NE(lob, nullptr);
    int number = lob->getEntityNumber();
    step(11);
    // No target: no status effect, but the burst at its own position.
    EXPECT_TRUE(bystander->received.empty());
    ASSERT_EQ(countEntitiesNamed("TestBurst"), 1);
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        Entity* e = game().getEntity(i);
        if (e && e->getEntryName() == "TestBurst") {
            EXPECT_NEAR(e->getPosition().x, 300.0f, 1e-3f);
            EXPECT_NEAR(e->getPosition().y, 100.0f, 1e-3f);
        }
    }
    step();
    EXPECT_FALSE(alive(number, lob));
    // The burst lasts 2 s.
    step(40);
    EXPECT_EQ(countEntitiesNamed("TestBurst"), 0);
}

TEST_F(ProjectileTest, NormalWhoseTargetIsDestroyedInFlightIsDeletedWithoutHitting)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 300.0f, 100.0f);
    Projectile* bolt = launch("TestBurstBolt", source, target);
    int number = bolt->getEntityNumber();
    step(2);
    game().deleteEntity(target, true);
    step();
    EXPECT_EQ(countEntitiesNamed("TestBurst"), 0);
    step();
    EXPECT_FALSE(alive(number, bolt));
    EXPECT_EQ(countEntitiesNamed("TestBurst"), 0);
}

TEST_F(ProjectileTest, NormalWithoutTargetGoesAtItsFirstUpdate)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    Projectile* bolt = launch("TestBurstBolt", source, nullptr, ZonePosition(0, 300.0f, 100.0f));
    int number = bolt->getEntityNumber();
    step(2);
    EXPECT_FALSE(alive(number, bolt));
    EXPECT_EQ(countEntitiesNamed("TestBurst"), 0);
}

TEST_F(ProjectileTest, FlightToAnAimOutOfReachEndsWithoutAHit)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    // A ground aim in no zone, as a user without a target position gives.
    Projectile* lob = launch("TestLob", source, nullptr, ZonePosition());
    ASSERT_NE(lob, nullptr);
    int number = lob->getEntityNumber();
    step(2);
    EXPECT_FALSE(alive(number, lob));
    EXPECT_EQ(countEntitiesNamed("TestBurst"), 0);
}

// ---- Rings ----------------------------------------------------------------------

TEST_F(ProjectileTest, RingWithConeHitsOnlyWithin45DegreesOfItsAim)
{
    TeamEntity* source = fighter(0, 1000.0f, 1000.0f);
    auto at = [&](float degrees) {
        float r = degrees * 3.14159265f / 180.0f;
        return fighter(1, 1000.0f + 100.0f * std::cos(r), 1000.0f + 100.0f * std::sin(r));
    };
    TeamEntity* ahead = at(0.0f);
    TeamEntity* inside = at(40.0f);
    TeamEntity* insideBelow = at(-44.0f);
    TeamEntity* outside = at(50.0f);
    TeamEntity* side = at(90.0f);
    TeamEntity* behind = at(180.0f);
    TeamEntity* friendAhead = fighter(0, 1050.0f, 1000.0f);
    Projectile* ring = launch("TestCone", source, nullptr, ZonePosition(0, 1200.0f, 1000.0f));
    ASSERT_NE(ring, nullptr);
    step(10);
    EXPECT_EQ(ahead->received.size(), 1u);
    EXPECT_EQ(inside->received.size(), 1u);
    EXPECT_EQ(insideBelow->received.size(), 1u);
    EXPECT_TRUE(outside->received.empty());
    EXPECT_TRUE(side->received.empty());
    EXPECT_TRUE(behind->received.empty());
    EXPECT_TRUE(friendAhead->received.empty());
    EXPECT_TRUE(source->received.empty());
}

TEST_F(ProjectileTest, RingReachesAnEntityWhenItsRadiusTouchesTheRing)
{
    TeamEntity* source = fighter(0, 1000.0f, 1000.0f);
    TeamEntity* big = fighter(1, 1090.0f, 1000.0f, 30.0f);
    TeamEntity* small = fighter(1, 910.0f, 1000.0f, 0.0f);
    launch("TestOnce", source, nullptr, ZonePosition(0, 1200.0f, 1000.0f));
    step(3); // ring 60: reaches 90 - 30
    EXPECT_EQ(big->received.size(), 1u);
    EXPECT_TRUE(small->received.empty());
    step(2); // ring 100
    EXPECT_EQ(small->received.size(), 1u);
}

TEST_F(ProjectileTest, ConstantDamageRingHitsEachEntityAtMostOncePerDamageTime)
{
    TeamEntity* source = fighter(0, 1000.0f, 1000.0f);
    TeamEntity* pulsed = fighter(1, 1010.0f, 1000.0f);
    Projectile* ring = launch("TestPulse", source, nullptr, ZonePosition(0, 1200.0f, 1000.0f));
    int number = ring->getEntityNumber();
    std::vector<int> hitSteps;
    for (int i = 1; i <= 25; ++i) {
        size_t before = pulsed->received.size();
        step();
        if (pulsed->received.size() > before) {
            hitSteps.push_back(i);
        }
    }
    // Life 1.0: two pulses half a second apart, then the ring is gone.
    ASSERT_EQ(hitSteps.size(), 2u);
    EXPECT_EQ(hitSteps[0], 1);
    EXPECT_GE(hitSteps[1] - hitSteps[0], 10);
    EXPECT_FALSE(alive(number, ring));
}

TEST_F(ProjectileTest, RingWithoutConstantDamageHitsEachEntityOnce)
{
    TeamEntity* source = fighter(0, 1000.0f, 1000.0f);
    TeamEntity* near = fighter(1, 1010.0f, 1000.0f);
    TeamEntity* far = fighter(1, 1000.0f, 1150.0f);
    Projectile* ring = launch("TestOnce", source, nullptr, ZonePosition(0, 1200.0f, 1000.0f));
    int number = ring->getEntityNumber();
    step(25);
    EXPECT_EQ(near->received.size(), 1u);
    EXPECT_EQ(far->received.size(), 1u);
    EXPECT_FALSE(alive(number, ring));
}

TEST_F(ProjectileTest, RingWithoutSourceHitsNothing)
{
    TeamEntity* enemy = fighter(1, 1010.0f, 1000.0f);
    Projectile* ring = launch("TestOnce", nullptr, enemy);
    ASSERT_NE(ring, nullptr);
    step(5);
    EXPECT_TRUE(enemy->received.empty());
}

TEST_F(ProjectileTest, StartsAtTargetPlacesTheProjectileOnItsAim)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    Projectile* ring = launch("TestFromTarget", source, nullptr, ZonePosition(0, 700.0f, 400.0f));
    EXPECT_EQ(ring->getPosition(), ZonePosition(0, 700.0f, 400.0f));
    EXPECT_EQ(ring->getDirection(), 0);
}

// ---- Beams and chains -----------------------------------------------------------

TEST_F(ProjectileTest, BeamChainsToAtMostTwoFurtherTargetsNeverRepeating)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    std::vector<TeamEntity*> enemies;
    for (int i = 0; i < 4; ++i) {
        enemies.push_back(fighter(1, 500.0f + 100.0f * static_cast<float>(i), 100.0f));
    }
    Projectile* root = launch("TestChain", source, enemies[0]);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getPosition(), enemies[0]->getPosition());
    step(20);
    std::vector<Projectile*> all = beams();
    ASSERT_EQ(all.size(), 3u);
    std::vector<Entity*> targets;
    for (Projectile* beam : all) {
        targets.push_back(beam->getTargetEntity());
        EXPECT_EQ(beam->getSource(), source);
        EXPECT_EQ(beam->getRoot(), root);
    }
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(std::unique(targets.begin(), targets.end()), targets.end());
    EXPECT_EQ(std::count(targets.begin(), targets.end(), enemies[3]), 0);
    EXPECT_EQ(root->getHitList().size(), 3u);
    // The second link starts at the first one's target.
    for (Projectile* beam : all) {
        if (beam->getChainDepth() == 1) {
            EXPECT_EQ(beam->getBeamStart(), enemies[0]);
            EXPECT_EQ(beam->getTargetEntity(), enemies[1]);
        }
    }
}

TEST_F(ProjectileTest, ATorchIsHitOnlyByProjectilesThatCanHitTorches)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    for (const char* spark : {"TestSpark", "TestSparkTorches"}) {
        auto* torch = new Torch();
        torch->setPosition(ZonePosition(0, 200.0f, 100.0f));
        ASSERT_GE(game().addEntity(torch), 0);
        launch(spark, source, torch);
        step(10);
        const std::vector<Projectile*> all = beams();
        const bool hitsTorches = std::string(spark) == "TestSparkTorches";
        ASSERT_EQ(all.size(), hitsTorches ? 1u : 0u) << spark;
        if (hitsTorches) {
            EXPECT_EQ(all[0]->getTargetEntity(), torch);
        }
        for (Projectile* beam : all)
            game().deleteEntity(beam, true);
        game().deleteEntity(torch, true);
        step();
    }
}

TEST_F(ProjectileTest, ChainFindsNoFreshTargetAmongTheOnesAlreadyHit)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* first = fighter(1, 500.0f, 100.0f);
    TeamEntity* second = fighter(1, 550.0f, 100.0f);
    launch("TestChain", source, first);
    step(20);
    std::vector<Projectile*> all = beams();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_NE(all[0]->getTargetEntity(), all[1]->getTargetEntity());
    EXPECT_TRUE(first->received.empty() && second->received.empty());
}

TEST_F(ProjectileTest, BeamsEndWithTheirLife)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 500.0f, 100.0f);
    launch("TestChain", source, target);
    step(98);
    EXPECT_EQ(beams().size(), 1u);
    step(4);
    EXPECT_TRUE(beams().empty());
}

TEST_F(ProjectileTest, BeamAttackStrikesItsTargetWithTheNamedBeam)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 110.0f, 100.0f);
    Projectile* spark = launch("TestSpark", source, target);
    step();
    std::vector<Projectile*> all = beams();
    ASSERT_EQ(all.size(), 1u);
    Projectile* beam = all[0];
    EXPECT_EQ(beam->getEntryName(), "TestChain");
    EXPECT_EQ(beam->getTargetEntity(), target);
    EXPECT_EQ(beam->getBeamStart(), spark);
    EXPECT_EQ(beam->getSource(), source);
    EXPECT_EQ(beam->getStatusEffect(), marker);
    EXPECT_EQ(beam->getPosition(), target->getPosition());
    EXPECT_TRUE(spark->isInHitList(target));
    // The spark itself hands on its status effect once.
    EXPECT_EQ(target->received.size(), 1u);
}

TEST_F(ProjectileTest, BeamAttackWithoutABeamSpawnsNothingAndSaysSo)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 110.0f, 100.0f);
    for (const char* name : {"TestSparkNoBeam", "TestSparkLostBeam"}) {
        world.log.clear();
        int before = game().getEntityCount();
        Projectile* spark = launch(name, source, target);
        int number = spark->getEntityNumber();
        step();
        EXPECT_TRUE(beams().empty()) << name;
        EXPECT_TRUE(world.log.contains(name, 2)) << name;
        step();
        EXPECT_FALSE(alive(number, spark)) << name;
        EXPECT_EQ(game().getEntityCount(), before) << name;
    }
}

// ---- Loading ---------------------------------------------------------------------

TEST_F(ProjectileTest, UnknownTypeIsReportedAndFliesAsNormal)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 200.0f, 100.0f);
    Projectile* odd = launch("TestSpiral", source, target);
    ASSERT_NE(odd, nullptr);
    EXPECT_TRUE(world.log.contains("Unknown ProjectileType name Spiral"));
    EXPECT_EQ(odd->getType(), Projectile::Normal);
    step();
    EXPECT_NEAR(odd->getPosition().x, 120.0f, 1e-3f);
}

TEST_F(ProjectileTest, LoaderReportsProjectilesThatNeverEndOrNeverArrive)
{
    Projectile endless;
    endless.setEntry(world.database.findEntry("TestEndless"), "TestEndless");
    endless.loadFromDatabase();
    EXPECT_TRUE(world.log.contains("TestEndless", 2));
    Projectile still;
    still.setEntry(world.database.findEntry("TestStill"), "TestStill");
    still.loadFromDatabase();
    EXPECT_TRUE(world.log.contains("TestStill", 2));
    world.log.clear();
    Projectile fine;
    fine.setEntry(world.database.findEntry("TestPulse"), "TestPulse");
    fine.loadFromDatabase();
    EXPECT_EQ(world.log.count(2), 0u);
    EXPECT_TRUE(fine.getLifeTimer().running);
    EXPECT_FLOAT_EQ(fine.getLifeTimer().remaining, 1.0f);
}

TEST_F(ProjectileTest, SpawnRefusesUnknownEntriesAndAFullTable)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    EXPECT_EQ(launch("NoSuchProjectile", source, nullptr), nullptr);
    while (game().getEntityCount() < Game::kMaxEntities) {
        auto* e = new Entity();
        ASSERT_GE(game().addEntity(e), 0);
    }
    EXPECT_EQ(launch("TestBolt", source, source), nullptr);
    EXPECT_EQ(game().getEntityCount(), Game::kMaxEntities);
}

TEST_F(ProjectileTest, SpawnHandsOnTheTypedEffectAndTheDamageLists)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 300.0f, 100.0f);
    StatChangeList damage;
    damage.add(1, 6, 10);
    StatChangeList area;
    area.add(1, 4, 8);
    Projectile* p = Entity::spawnProjectile("TestBolt", damage, false, true, source, target,
                                            ZonePosition(0, 5.0f, 6.0f), marker, 7, 64.0f, area, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getDamage().entries(), damage.entries());
    EXPECT_EQ(p->getRadiusDamage().entries(), area.entries());
    EXPECT_FLOAT_EQ(p->getDamageRadius(), 64.0f);
    EXPECT_FALSE(p->isNormalAttack());
    EXPECT_TRUE(p->isMagicAttack());
    EXPECT_EQ(p->getStatusEffect(), marker);
    EXPECT_EQ(p->getStatusEffectLevel(), 7);
    EXPECT_EQ(p->getDestination(), ZonePosition(0, 5.0f, 6.0f));
    EXPECT_EQ(p->getRoot(), p);
    EXPECT_FALSE(p->isSolid());
}

TEST_F(ProjectileTest, ProjectileMaskFindsOnlyProjectiles)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 300.0f, 100.0f);
    Projectile* bolt = launch("TestBolt", source, target);
    std::vector<Entity*> found;
    game().getEntitiesInRange(false, source->getPosition(), source, 500.0f, EntityQueryMask::kProjectile,
                              found);
    EXPECT_EQ(found, std::vector<Entity*>{bolt});
}

// ---- Clients ---------------------------------------------------------------------

TEST_F(ProjectileTest, BeamIsSentWithItsEndsToViewersOfEither)
{
    TeamEntity* viewer = fighter(0, 3000.0f, 3000.0f);
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 2900.0f, 3000.0f);
    Projectile* beam = launch("TestChain", source, target);
    Projectile* bolt = launch("TestBolt", source, target);
    // The beam stands on its target, near the viewer; move it away to see
    // that its ends decide.
    beam->setPosition(ZonePosition(0, 100.0f, 100.0f));
    EXPECT_TRUE(isEntityRelevantToViewer(beam, viewer));
    EXPECT_FALSE(isEntityRelevantToViewer(bolt, viewer));
    std::vector<Entity*> list{beam, target};
    beam->addRelatedEntities(list);
    EXPECT_EQ(list, (std::vector<Entity*>{beam, target, source}));
    std::vector<Entity*> none;
    bolt->addRelatedEntities(none);
    EXPECT_TRUE(none.empty());
}

} // namespace

namespace {

// Every projectile a skill names exists, every beam and explosion a
// projectile names exists, and each shipped projectile loads without a
// complaint.
TEST(ShippedProjectiles, NamesResolveAndEntriesLoadCleanly)
{
    TestWorld world;
    const Database& db = world.database;
    const int skillType = static_cast<int>(DatabaseEntryType::Skill);
    const int projectileType = static_cast<int>(DatabaseEntryType::Projectile);
    int named = 0;
    for (const DatabaseEntry* skill = db.findFirstEntryOfType(skillType); skill;
         skill = db.findNextEntryOfType(skill)) {
        std::string name = db.getString(skill, "Projectile");
        if (name.empty()) {
            continue;
        }
        ++named;
        const DatabaseEntry* entry = db.findEntry(name);
        ASSERT_NE(entry, nullptr) << skill->getName() << " names " << name;
        EXPECT_EQ(entry->getTypeInherited(), projectileType) << name;
    }
    EXPECT_GE(named, 3);

    int projectiles = 0;
    world.log.clear();
    for (const DatabaseEntry* entry = db.findFirstEntryOfType(projectileType); entry;
         entry = db.findNextEntryOfType(entry)) {
        ++projectiles;
        std::string beam = db.getString(entry, "Beam");
        if (!beam.empty()) {
            const DatabaseEntry* beamEntry = db.findEntry(beam);
            ASSERT_NE(beamEntry, nullptr) << entry->getName() << " names beam " << beam;
            EXPECT_EQ(db.getString(beamEntry, "ProjectileType"), "Beam") << beam;
        }
        std::string explosion = db.getString(entry, "Explosion");
        if (!explosion.empty()) {
            EXPECT_NE(db.findEntry(explosion), nullptr) << entry->getName() << " names " << explosion;
        }
        if (db.getInt(entry, "BeamAttack") != 0) {
            EXPECT_FALSE(beam.empty()) << entry->getName();
        }
        Projectile p;
        p.setEntry(entry, entry->getName());
        p.loadFromDatabase();
    }
    EXPECT_GE(projectiles, 9);
    EXPECT_EQ(world.log.count(2), 0u);
    EXPECT_EQ(world.log.count(3), 0u);
    ASSERT_NE(db.findEntry("ProjSiege"), nullptr);
    EXPECT_EQ(db.getString(db.findEntry("ProjSiege"), "ProjectileType"), "Lob");
}

} // namespace

namespace {

// ---- Damage through the combat system ----------------------------------------------

class ProjectileDamageTest : public ProjectileWorld {
protected:
    static StatChangeList magic(int amount)
    {
        StatChangeList list;
        list.add(toIndex(DamageType::Magic), amount, amount);
        return list;
    }

    Projectile* fire(const char* name, Entity* source, Entity* target, const StatChangeList& damage,
                     bool normalAttack = false, const ZonePosition& destination = ZonePosition(),
                     float radius = 0.0f, const StatChangeList& radiusDamage = StatChangeList())
    {
        return Entity::spawnProjectile(name, damage, normalAttack, false, source, target, destination,
                                       nullptr, 0, radius, radiusDamage, nullptr);
    }

    // A record of the sentient's own list, as every skill that throws is.
    static Skill* ownSkill(Sentient* owner, const SkillDefinition& definition)
    {
        return dynamic_cast<Skill*>(owner->getSkillList()->addSkill(&definition, owner, 0, 0));
    }

    ScriptedFighter* sentient(float x, float y)
    {
        auto* s = new ScriptedFighter();
        s->setMaxHealth(100);
        s->setHealth(100);
        s->setPosition(ZonePosition(0, x, y));
        EXPECT_GE(game().addEntity(s), 0);
        return s;
    }

    bool queued(const std::string& line) const
    {
        const auto& lines = world.server->getQueuedCommands();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(ProjectileDamageTest, BoltDealsItsListOnArrivalAndKeepsTheTotal)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 130.0f, 100.0f);
    Projectile* bolt = fire("TestBolt", source, target, magic(10));
    step();
    EXPECT_EQ(target->getHealth(), 100);
    step();
    EXPECT_EQ(target->getHealth(), 90);
    EXPECT_EQ(bolt->getDamageDone(), 10);
    EXPECT_TRUE(queued(formatString("dmg %d 10", target->getEntityNumber())));
}

TEST_F(ProjectileDamageTest, BeamDealsItsListAtLaunchAndEachLinkOnce)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    std::vector<TeamEntity*> enemies;
    for (int i = 0; i < 4; ++i) {
        enemies.push_back(fighter(1, 500.0f + 100.0f * static_cast<float>(i), 100.0f));
    }
    Projectile* root = fire("TestChain", source, enemies[0], magic(10));
    EXPECT_EQ(enemies[0]->getHealth(), 90);
    EXPECT_EQ(root->getDamageDone(), 10);
    step(40);
    EXPECT_EQ(enemies[0]->getHealth(), 90);
    EXPECT_EQ(enemies[1]->getHealth(), 90);
    EXPECT_EQ(enemies[2]->getHealth(), 90);
    EXPECT_EQ(enemies[3]->getHealth(), 100);
}

TEST_F(ProjectileDamageTest, BeamAttackDealsTheDamageThroughItsBeamOnly)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    TeamEntity* target = fighter(1, 110.0f, 100.0f);
    Projectile* spark = fire("TestSpark", source, target, magic(10));
    step();
    EXPECT_EQ(target->getHealth(), 90);
    EXPECT_EQ(spark->getDamageDone(), 0);
    ASSERT_EQ(beams().size(), 1u);
    EXPECT_EQ(beams()[0]->getDamageDone(), 10);
}

TEST_F(ProjectileDamageTest, WeaponHitLandsFarBeyondMeleeReach)
{
    auto* source = new ScriptedFighter();
    source->setPosition(ZonePosition(0, 100.0f, 100.0f));
    ASSERT_GE(game().addEntity(source), 0);
    source->addDamage(toIndex(DamageType::Magic), 12.0f, 12.0f);
    source->setStat(toIndex(CharacterStat::Attack), 1000);
    TeamEntity* target = fighter(1, 400.0f, 100.0f);
    Projectile* arrow = fire("TestBolt", source, target, StatChangeList(), true);
    // The hit roll passes; the rest may fall as it likes.
    ASSERT_TRUE(scriptDraws({drawBelow(0.01f)}));
    arrow->hit(target);
    EXPECT_GT(arrow->getDamageDone(), 0);
    EXPECT_EQ(target->getHealth(), 100 - arrow->getDamageDone());
}

TEST_F(ProjectileDamageTest, MagicHitDealsTheSourcesListForTheSkillScaledByTheMultiplier)
{
    ScriptedFighter* source = sentient(100.0f, 100.0f);
    source->addDamage(toIndex(DamageType::Magic), 7.0f, 7.0f);
    TeamEntity* target = fighter(1, 400.0f, 100.0f);
    SkillDefinition definition;
    Skill* skill = ownSkill(source, definition);
    // The projectile's own list is not the magic hit's.
    Projectile* bolt = Entity::spawnProjectile("TestBolt", magic(50), false, true, source, target,
                                               ZonePosition(), nullptr, 0, 0.0f, StatChangeList(), skill);
    ASSERT_NE(bolt, nullptr);
    bolt->setDamageMultiplier(2.0f);
    step(15);
    EXPECT_EQ(target->getHealth(), 100);
    // Neither a critical nor a crushing magic hit.
    ASSERT_TRUE(scriptDraws({drawAtLeast(0.99f), drawAtLeast(0.99f)}));
    bolt->hit(target);
    EXPECT_EQ(source->lastSkill, skill);
    EXPECT_EQ(target->getHealth(), 86);
    EXPECT_EQ(bolt->getDamageDone(), 14);
}

TEST_F(ProjectileDamageTest, MagicHitWithoutItsSourceDealsNothing)
{
    ScriptedFighter* source = sentient(100.0f, 100.0f);
    source->addDamage(toIndex(DamageType::Magic), 7.0f, 7.0f);
    TeamEntity* target = fighter(1, 400.0f, 100.0f);
    SkillDefinition definition;
    Skill* skill = ownSkill(source, definition);
    Projectile* bolt = Entity::spawnProjectile("TestBolt", magic(50), false, true, source, target,
                                               ZonePosition(), marker, 2, 0.0f, StatChangeList(), skill);
    step(2);
    // The source and, with it, its skills are gone while the bolt flies.
    game().deleteEntity(source, true);
    step(14);
    EXPECT_EQ(target->getHealth(), 100);
    EXPECT_EQ(bolt->getDamageDone(), 0);
    ASSERT_EQ(target->received.size(), 1u);
    EXPECT_EQ(target->received[0].source, nullptr);
}

TEST_F(ProjectileDamageTest, TurnedProjectileHandsOnTheSkillOnlyWhileItsOwnerLives)
{
    ScriptedFighter* caster = sentient(100.0f, 100.0f);
    ScriptedFighter* reflector = sentient(300.0f, 100.0f);
    reflector->addDamage(toIndex(DamageType::Magic), 5.0f, 5.0f);
    TeamEntity* enemy = fighter(1, 320.0f, 100.0f);
    SkillDefinition definition;
    Skill* skill = ownSkill(caster, definition);
    Projectile* ring =
        Entity::spawnProjectile("TestOnce", StatChangeList(), false, true, caster, nullptr,
                                ZonePosition(0, 300.0f, 100.0f), nullptr, 0, 0.0f, StatChangeList(), skill);
    ASSERT_NE(ring, nullptr);
    // Turned back: the reflector is the source now, the skill still the caster's.
    ring->setSource(reflector);
    ring->hit(enemy);
    EXPECT_EQ(reflector->lastSkill, skill);
    EXPECT_EQ(ring->getSkill(), skill);
    int dealt = ring->getDamageDone();
    EXPECT_GT(dealt, 0);
    // The caster goes with its skills; the ring still hurts, without the skill.
    game().deleteEntity(caster, true);
    EXPECT_EQ(ring->getSkill(), nullptr);
    ring->hit(enemy);
    EXPECT_EQ(reflector->lastSkill, nullptr);
    EXPECT_GT(ring->getDamageDone(), dealt);
}

TEST_F(ProjectileDamageTest, GroundBurstHurtsTheSentientsWithinItsRadius)
{
    TeamEntity* source = fighter(0, 100.0f, 100.0f);
    ScriptedFighter* centre = sentient(300.0f, 100.0f);
    ScriptedFighter* edge = sentient(350.0f, 100.0f);
    ScriptedFighter* outside = sentient(380.0f, 100.0f);
    TeamEntity* object = fighter(1, 310.0f, 100.0f);
    Projectile* bomb = fire("TestBomb", source, nullptr, StatChangeList(), false,
                            ZonePosition(0, 300.0f, 100.0f), 64.0f, magic(5));
    step(11);
    EXPECT_EQ(centre->getHealth(), 95);
    EXPECT_EQ(edge->getHealth(), 95);
    EXPECT_EQ(outside->getHealth(), 100);
    // Area damage is for living characters only.
    EXPECT_EQ(object->getHealth(), 100);
    EXPECT_EQ(bomb->getDamageDone(), 10);
}

TEST_F(ProjectileDamageTest, ConstantDamageIsSpreadOverTheRingsLife)
{
    TeamEntity* source = fighter(0, 1000.0f, 1000.0f);
    TeamEntity* target = fighter(1, 1010.0f, 1000.0f);
    Projectile* ring =
        fire("TestBurning", source, nullptr, magic(10), false, ZonePosition(0, 1200.0f, 1000.0f));
    // Life 2 s: 5 a pulse, a pulse each half second.
    EXPECT_EQ(ring->getDamage().entries()[0].max, 5.0f);
    step(41);
    EXPECT_EQ(target->getHealth(), 80);
    EXPECT_EQ(ring->getDamageDone(), 20);
}

TEST_F(ProjectileDamageTest, RingBurstsAroundEachEntityItHits)
{
    TeamEntity* source = fighter(0, 1000.0f, 1000.0f);
    TeamEntity* first = fighter(1, 1010.0f, 1000.0f);
    // 30 from the entity the ring hits, 40 from the ring's centre, and the
    // other way round.
    ScriptedFighter* beyond = sentient(1040.0f, 1000.0f);
    ScriptedFighter* behind = sentient(970.0f, 1000.0f);
    Projectile* ring = fire("TestBlastRing", source, nullptr, StatChangeList(), false,
                            ZonePosition(0, 1200.0f, 1000.0f), 32.0f, magic(5));
    step();
    EXPECT_TRUE(ring->isInHitList(first));
    EXPECT_EQ(beyond->getHealth(), 95);
    EXPECT_EQ(behind->getHealth(), 100);
}

} // namespace
