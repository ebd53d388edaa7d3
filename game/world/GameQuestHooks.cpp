// What the world tells the quests: deaths, attacks on quest people, skips.
// Every loop walks the quest table by its rule, so a quest may end itself.
#include "game/covenants/ActorCovenant.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/NpcDisplayName.h"
#include "game/world/ServerLink.h"

void Game::installQuestRunningHooks()
{
    m_hooks.monsterDied = [this](Actor* monster, Sentient* killCredit) {
        onActorKilled(monster, killCredit);
        scheduleMonsterRespawn(monster, killCredit);
    };
    m_hooks.announceDeath = [this](Actor* npc) { announceDeath(npc, npc->getKillCreditEntity(), false); };
    // A quest NPC's quest tells of its death; its fellows still react to it.
    m_hooks.questNpcDied = [this](Actor* npc, Sentient* killCredit) { announceDeath(npc, killCredit, true); };
    m_hooks.questNpcAttacked = [this](Actor* npc, Entity* attacker) { onActorAttacked(npc, attacker); };
    m_hooks.applyPlagueEffects = [this](Sentient* body) { applyPlagueEffects(body); };
    m_hooks.monsterSpawned = [this](Actor* monster, const MonsterType* previous) {
        onMonsterSpawned(monster, previous);
    };
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

float Game::getQuestRarityMultiplier(int level, const MonsterType* type) const
{
    float factor = 1.0f;
    for (int i = 0; i < getQuestTableSize(); ++i) {
        Quest* quest = getQuest(i);
        if (quest && quest->definition && quest->definition->monsterRarityMultiplier > 0.0f &&
            quest->getTargetLevel() == level && quest->getMonsterType(0) == type) {
            factor *= quest->definition->monsterRarityMultiplier;
        }
    }
    return factor;
}

void Game::onTownTrapRemoved(Entity* trap)
{
    forEachQuest([this, trap](Quest& quest) {
        if (quest.type != toIndex(QuestType::TownTraps) || !quest.removeSpawnedEntity(trap)) {
            return;
        }
        if (quest.progress < quest.goal) {
            ++quest.progress;
        }
        notifyPlayersOfQuest(quest.id);
        if (quest.isComplete()) {
            deleteQuestIfUnheld(quest.id);
        }
    });
}

bool Game::startTreasureMapQuest(int mapLevel, Player* player)
{
    if (!player) {
        return false;
    }
    if (!player->hasFreeQuestSlot()) {
        sendGameMessage("$$FullQuestSlots$$", 4);
        return false;
    }
    Quest* quest = generateQuests(toIndex(QuestType::TreasureMap), nullptr, mapLevel);
    if (!quest) {
        sendGameMessage("$$QuestTreasureMapOutOfRange$$", 2);
        return false;
    }
    player->acceptQuest(quest->id);
    return true;
}

bool Game::deliverPackage(Player* player, Actor* npc)
{
    bool delivered = false;
    forEachQuest([&](Quest& quest) {
        if (!delivered && quest.deliverTo(player, npc)) {
            delivered = true;
        }
    });
    if (!delivered && player && npc) {
        sendGameMessage("Don't have package for " + getNpcDisplayName(npc) + "!", 4);
    }
    return delivered;
}

void Game::onPlayerJoined(Player* player)
{
    if (!player) {
        return;
    }
    keepWorldLost(player);
    levelTownNpcsTo(player);
    forEachQuest([player](Quest& quest) { quest.relinkEscort(player); });
    // Before a world exists there is no chain to move on.
    if (m_worldGenerated) {
        advanceQuestChain(player);
    }
}

void Game::onMonsterSpawned(Actor* monster, const MonsterType* previous)
{
    // A quest's own placing (set-up, restore, its block or its events)
    // brings its uniques itself: the quest may not be in the table yet.
    const MonsterType* type = monster ? monster->getMonsterType() : nullptr;
    if (!type || m_questPlacementDepth > 0 || !(type->unique || type->legend) ||
        (previous && (previous->unique || previous->legend))) {
        return;
    }
    if (isMonsterTypeUsedByQuest(type)) {
        // A second specimen of a hunted unique leaves the world again.
        monster->scheduleDelete(0.0f);
        return;
    }
    generateUniqueMonsterQuest(monster);
}
