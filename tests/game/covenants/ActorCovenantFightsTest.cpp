#include "game/covenants/ActorCovenantFixture.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/world/FactionSystem.h"
#include "game/world/FightingServices.h"

// Two computer-run covenants whose houses stand 200 apart, a player by.
class ActorCovenantFightsTest : public ActorCovenantFixture {
protected:
    ActorCovenantFightsTest() : a(addActorCovenant("Ironbound")), b(addActorCovenant("Thornveil"))
    {
        registerFightingServices(); // members answer by their covenants' relation
        a.initNew(nav.tileCentre(0, 40, 40), 5, 1);
        ZonePosition other = a.housePosition;
        other.x += 200.0f;
        b.initNew(other, 5, 1);
        auto* player = new Player();
        player->setPosition(nav.tileCentre(0, 44, 48));
        if (world.game->addEntity(player) < 0)
            delete player;
    }

    // Whether some member of one targets a member of the other.
    bool anyTargetsTheOther() const
    {
        for (const ActorCovenant* from : {&a, &b}) {
            const ActorCovenant* to = from == &a ? &b : &a;
            for (int i = 0; i < from->getRecruitSlotCount(); ++i) {
                const Actor* actor = from->getRecruitActor(i);
                const Entity* target = actor ? actor->getTarget() : nullptr;
                if (target && target->getCovenant() == to)
                    return true;
            }
        }
        return false;
    }

    bool watch(float seconds)
    {
        for (float t = 0.0f; t < seconds; t += 0.05f) {
            world.game->update(0.05f);
            if (anyTargetsTheOther())
                return true;
        }
        return false;
    }

    FactionSystem factions;
    ActorCovenant& a;
    ActorCovenant& b;
};

TEST_F(ActorCovenantFightsTest, AtWarTheirRecruitsFight)
{
    world.game->announceDiplomacy(a.index, b.index, static_cast<int>(CovenantTreaty::War), false);
    ASSERT_EQ(a.getRelationState(b.index), static_cast<int>(CovenantTreaty::War));
    EXPECT_TRUE(watch(30.0f));
}

TEST_F(ActorCovenantFightsTest, AlliedTheirRecruitsLeaveEachOtherAlone)
{
    world.game->announceDiplomacy(a.index, b.index, static_cast<int>(CovenantTreaty::Alliance), false);
    EXPECT_FALSE(watch(30.0f));
}

// The stone of a covenant is something a hostile covenant's members may
// take as a target, and only then (the raid's party is told to).
TEST_F(ActorCovenantFightsTest, OnlyAHostileCovenantsMembersTakeTheStoneAsATarget)
{
    Entity* stone = b.getLifestone();
    Actor* member = a.getRecruitActor(0);
    ASSERT_TRUE(stone && member);
    EXPECT_FALSE(stone->isHostileTo(member));
    member->addTargetEntry(stone);
    EXPECT_EQ(member->findTargetEntry(stone), nullptr) << "at peace";
    EXPECT_FALSE(b.getPedestal(0)->isHostileTo(member));

    world.game->announceDiplomacy(a.index, b.index, static_cast<int>(CovenantTreaty::Raid), false);
    a.startRaid(b.index);
    ASSERT_TRUE(a.isRaiding());
    EXPECT_TRUE(stone->isHostileTo(member));
    EXPECT_FALSE(stone->isHostileTo(b.getRecruitActor(0))) << "its own members";
    EXPECT_FALSE(b.getPedestal(0)->isHostileTo(member)) << "only the stone";
    ASSERT_NE(member->findTargetEntry(stone), nullptr);
    // The defenders far off: the raiders go for the stone.
    for (int s = 0; s < b.getRecruitSlotCount(); ++s)
        if (Actor* defender = b.getRecruitActor(s))
            defender->setPosition(ZonePosition(0, 3500.0f, 3500.0f));
    for (int i = 0; i < 40 && member->getTarget() != stone; ++i)
        world.game->update(0.05f);
    EXPECT_EQ(member->getTarget(), stone);
}

// Far from any player actors rest and forget their targets; a raider does
// not, or a raid away from the player could never strike.
TEST_F(ActorCovenantFightsTest, RaidersFarFromAnyPlayerStayAwakeForTheStone)
{
    Player* player = world.game->getFirstPlayer();
    ASSERT_NE(player, nullptr);
    player->setPosition(ZonePosition(0, 3900.0f, 3900.0f));
    for (int s = 0; s < b.getRecruitSlotCount(); ++s)
        if (Actor* defender = b.getRecruitActor(s))
            defender->setPosition(ZonePosition(0, 200.0f, 3900.0f));
    world.game->announceDiplomacy(a.index, b.index, static_cast<int>(CovenantTreaty::Raid), false);
    a.startRaid(b.index);
    ASSERT_TRUE(a.isRaiding());
    Actor* member = a.getRecruitActor(0);
    ASSERT_NE(member, nullptr);
    ASSERT_TRUE(a.takesPartInRaid(member));
    ASSERT_GT(ZonePosition::distanceTo(player->getPosition(), member->getPosition()), 2000.0f);
    for (int i = 0; i < 40; ++i)
        world.game->update(0.05f);
    EXPECT_TRUE(member->isActiveNow());
    EXPECT_EQ(member->getTarget(), b.getLifestone());
}
