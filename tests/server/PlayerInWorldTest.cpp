#include "engine/core/StringUtil.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/skills/StatusEffect.h"
#include "support/PlayerWorld.h"

#include <cmath>

namespace {

// How the world's other rules see a player: the nearest player wakes
// monsters, parties and covenants decide who fights whom and who is seen.
class PlayerInWorld : public PlayerWorld {
protected:
    // An NPC of the first NPC monster type of the data.
    Actor* npcAt(const ZonePosition& at)
    {
        for (const auto& type : GameData::get().getMonsterTypes())
            if (type->archetype && type->archetype->npc) {
                Actor* actor = server.spawns->spawnMonster(type.get(), at.zone, MonsterRarity::Normal, 1);
                return actor ? add(actor, at) : nullptr;
            }
        return nullptr;
    }
};

} // namespace

TEST_F(PlayerInWorld, NearestPlayerDecidesRangeAndGameTracksThePlayers)
{
    Actor* near = monsterAt(besidePlayer(100.0f), 1);
    ASSERT_NE(near, nullptr);
    EXPECT_TRUE(near->isInPlayerRange(100.5f));
    EXPECT_FALSE(near->isInPlayerRange(99.0f));

    Player* second = addPlayer();
    ASSERT_NE(second, nullptr);
    second->setPosition(besidePlayer(90.0f));
    EXPECT_EQ(server.game->findNearestPlayer(besidePlayer(100.0f)), second);
    EXPECT_EQ(server.game->getFirstPlayer(), player);
    // Equal distances: the earlier player wins.
    second->setPosition(besidePlayer(200.0f));
    EXPECT_EQ(server.game->findNearestPlayer(besidePlayer(100.0f)), player);

    server.game->removeEntity(player);
    EXPECT_EQ(server.game->getFirstPlayer(), second);
    EXPECT_EQ(server.game->getPlayers().front(), nullptr) << "the entry is nulled for reuse";
    delete player;
    player = second;

    // Leaving the town sets the flag once; zone -1 does not count.
    EXPECT_FALSE(server.game->hasLeftTown());
    second->setPosition(ZonePosition(-1, 0.0f, 0.0f));
    server.game->update(0.05f);
    EXPECT_FALSE(server.game->hasLeftTown());
    second->setPosition(ZonePosition(1, 100.0f, 100.0f));
    server.game->update(0.05f);
    EXPECT_TRUE(server.game->hasLeftTown());
}

TEST_F(PlayerInWorld, AGoblinCampWakesAsThePlayerComesWithinItsActivationDistance)
{
    const MonsterType* type = GameData::get().findMonsterType("GoblinWarrior");
    ASSERT_NE(type, nullptr);
    std::vector<Actor*> camp;
    for (float dy : {0.0f, 40.0f, -40.0f}) {
        ZonePosition at = besidePlayer(0.0f);
        at.y += dy;
        Actor* goblin = server.spawns->spawnMonster(type, at.zone, MonsterRarity::Normal, 1);
        ASSERT_NE(goblin, nullptr);
        camp.push_back(add(goblin, at));
        goblin->setActiveNow(false);
    }
    const float wakes = camp[0]->getActivationDistance();
    ASSERT_GT(wakes, 0.0f);
    auto stepFor = [&](float seconds) {
        for (float t = 0.0f; t < seconds; t += 0.05f)
            server.game->update(0.05f);
    };
    // Just beyond the distance the camp sleeps on; just within it wakes.
    ZonePosition far = camp[0]->getPosition();
    far.x -= wakes + 60.0f;
    player->setPosition(far);
    stepFor(5.0f);
    for (const Actor* goblin : camp)
        EXPECT_FALSE(goblin->isActiveNow());
    ZonePosition near = camp[0]->getPosition();
    near.x -= wakes - 10.0f;
    player->setPosition(near);
    stepFor(5.0f);
    for (const Actor* goblin : camp)
        EXPECT_TRUE(goblin->isActiveNow());
}

TEST_F(PlayerInWorld, CompanionJoinsOnlyItsPartysFights)
{
    Actor* companion = npcAt(besidePlayer(40.0f));
    Actor* stranger = monsterAt(besidePlayer(400.0f), 1);
    ASSERT_TRUE(companion && stranger);
    ASSERT_TRUE(companion->isNpc());
    companion->setLeader(player, 4);
    ASSERT_EQ(companion->getLeader(), player);
    EXPECT_FALSE(companion->isEnemy(stranger));
    // The stranger goes for the player: now it is the party's fight.
    stranger->addTargetEntry(player);
    ASSERT_TRUE(stranger->isEnemyOf(player));
    EXPECT_TRUE(companion->isEnemy(stranger));
    // A party member aiming at it counts as well.
    stranger->clearTargetList();
    EXPECT_FALSE(companion->isEnemy(stranger));
    player->setAction(Player::ActionAttack, static_cast<uint32_t>(stranger->getEntityNumber()));
    EXPECT_TRUE(companion->isEnemy(stranger));
    EXPECT_TRUE(isOwnedByViewer(companion, player));
    EXPECT_FALSE(isOwnedByViewer(stranger, player));
    companion->clearLeader();
}

TEST_F(PlayerInWorld, BoundSoulStoneIsSeenOnlyByItsPlayer)
{
    Player* other = addPlayer();
    ASSERT_NE(other, nullptr);
    player->setHealth(0);
    player->killed(nullptr);
    ItemGround* ground = nullptr;
    for (int i = 0; i < Game::kMaxEntities && !ground; ++i)
        if (auto* g = dynamic_cast<ItemGround*>(server.game->getEntity(i)); g && g->getGroundItem())
            ground = g;
    ASSERT_NE(ground, nullptr);
    EXPECT_TRUE(isOwnedByViewer(ground, player));
    EXPECT_FALSE(isOwnedByViewer(ground, other));
}

TEST_F(PlayerInWorld, AbsorbingFarFromThePlayerKeepsATenth)
{
    Actor* far = monsterAt(besidePlayer(900.0f), 1);
    ASSERT_NE(far, nullptr);
    StatusEffect effect;
    effect.setOwner(far);
    effect.absorbDamageAwayFromPlayer = 500.0f;
    int damage = 57;
    effect.absorb(damage);
    EXPECT_EQ(damage, 5);
    far->warp(besidePlayer(300.0f));
    damage = 57;
    effect.absorb(damage);
    EXPECT_EQ(damage, 57);
}
