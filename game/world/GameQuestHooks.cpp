// What the world tells the quests: deaths, attacks on quest people, skips.
// Every loop walks the quest table by its rule, so a quest may end itself.
#include "game/covenants/ActorCovenant.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/Game.h"

void Game::installQuestRunningHooks()
{
    m_hooks.monsterDied = [this](Actor* monster, Sentient* killCredit) {
        onActorKilled(monster, killCredit);
    };
    m_hooks.questNpcAttacked = [this](Actor* npc, Entity* attacker) { onActorAttacked(npc, attacker); };
}

void Game::onActorKilled(Actor* victim, Entity* killer)
{
    if (!victim) {
        return;
    }
    forEachQuest([victim, killer](Quest& quest) { quest.onEntityKilled(victim, killer); });
    for (int i = 0; i < getCovenantCount(); ++i) {
        if (auto* covenant = dynamic_cast<ActorCovenant*>(getCovenant(i))) {
            covenant->onThreateningMonsterKilled(killer, victim);
        }
    }
}

void Game::onActorAttacked(Actor* actor, Entity* attacker)
{
    if (!actor) {
        return;
    }
    forEachQuest([actor, attacker](Quest& quest) { quest.onTargetAttacked(actor, attacker); });
}

void Game::skipQuest(int number, Player* player)
{
    Quest* quest = getQuest(number);
    if (quest && quest->canSkip(player)) {
        quest->skip(player);
    }
    flushDeletedQuests();
}
