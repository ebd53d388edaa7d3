// The player's six quest slots: each holds a copy of a Game quest, found by
// the quest's number.
#include "game/covenants/Covenant.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"

#include <algorithm>

namespace {
bool returnsToTutor(const Quest& quest)
{
    return quest.definition && quest.definition->returnNpcType == NpcType::Tutor;
}
} // namespace

int Player::findQuestSlot(int number) const
{
    for (int s = 0; s < kQuestSlots; ++s) {
        const Quest* quest = getQuest(s);
        if (quest && quest->isInUse() && quest->id == number) {
            return s;
        }
    }
    return -1;
}

int Player::findFreeQuestSlot() const
{
    for (int s = 0; s < kQuestSlots; ++s) {
        const Quest* quest = getQuest(s);
        if (quest && !quest->isInUse()) {
            return s;
        }
    }
    return -1;
}

int Player::countQuests() const
{
    int n = 0;
    for (int s = 0; s < kQuestSlots; ++s) {
        const Quest* quest = getQuest(s);
        n += quest && quest->isInUse() ? 1 : 0;
    }
    return n;
}

bool Player::hasQuest(int number) const
{
    return findQuestSlot(number) >= 0;
}

bool Player::isQuestComplete(int number) const
{
    const int s = findQuestSlot(number);
    return s >= 0 && getQuest(s)->isComplete();
}

Quest* Player::acceptQuest(int number)
{
    Game* game = Game::instance();
    Quest* gameQuest = game ? game->getQuest(number) : nullptr;
    if (!gameQuest || hasQuest(number)) {
        return nullptr;
    }
    const int s = findFreeQuestSlot();
    if (s < 0) {
        sendMessage(4, "$$FullQuestSlots$$");
        return nullptr;
    }
    Quest* slot = getQuest(s);
    slot->copyFrom(gameQuest);
    gameQuest->accept();
    return slot;
}

void Player::skipQuest(int number)
{
    const int s = findQuestSlot(number);
    if (s >= 0) {
        getQuest(s)->reset();
    }
    if (Game* game = Game::instance()) {
        game->skipQuest(number, this);
    }
}

void Player::solveQuest(int number)
{
    int s = -1;
    Actor* npc = getTargetActor();
    if (number < 0) {
        if (!npc) {
            return;
        }
        const NpcType npcType = static_cast<NpcType>(npc->getNpcType());
        for (int i = 0; i < kQuestSlots && s < 0; ++i) {
            Quest* quest = getQuest(i);
            if (!quest || !quest->isInUse() || !quest->isComplete()) {
                continue;
            }
            const bool monsterQuest =
                quest->type == toIndex(QuestType::MonsterQuest) && quest->getQuestEntity() == npc;
            if (monsterQuest || quest->isGivenBy(npcType, npc)) {
                s = i;
            }
        }
    } else {
        s = findQuestSlot(number);
    }
    if (s < 0) {
        return;
    }
    Quest* quest = getQuest(s);
    if (!quest->open) {
        return;
    }
    const int gameNumber = quest->id;
    if (quest->type == toIndex(QuestType::Recruit)) {
        Covenant* covenant = getCovenant();
        if (!covenant) {
            return;
        }
        Actor* recruit = dynamic_cast<Actor*>(quest->getQuestEntity());
        // Taken in already (through its own recruit window): the quest is
        // handed in without a second place for the same person.
        const bool member = recruit && covenant->findRecruitByActor(recruit);
        if (!member && (!recruit || !covenant->canTakeRecruit())) {
            sendMessage(4, "Already have max covenant recruits");
            return;
        }
        // The recruit follows the player while the party has room, else goes home.
        const Game* rules = Game::instance();
        const int partySize = rules ? rules->settings().maxAdventureGroupSize : 0;
        if (!member) {
            recruitToCovenant(recruit, static_cast<int>(m_followers.size()) < partySize - 1);
        }
        if (!covenant->findRecruitByActor(recruit)) {
            return;
        }
    }
    quest->giveReward(this);
    Game* game = Game::instance();
    if (game) {
        game->solveQuest(gameNumber, this);
    }
    m_statistics[QuestsSolved] += 1;
    // The Game dropped its quest from every slot; a quest it no longer had
    // still leaves this one.
    if (Quest* slot = getQuest(s); slot->isInUse() && slot->id == gameNumber) {
        slot->reset();
    }
}

void Player::completeQuest(int number)
{
    const int s = findQuestSlot(number);
    if (s < 0) {
        return;
    }
    Quest* quest = getQuest(s);
    if (quest->failed || !quest->open || !quest->definition || !quest->definition->canSolveFromClient) {
        return;
    }
    quest->setCompleted();
    if (Quest* gameQuest = quest->getGameQuest()) {
        gameQuest->setCompleted();
    }
}

void Player::startEscort(Actor* npc)
{
    Game* game = Game::instance();
    if (!npc || !game) {
        return;
    }
    for (int i = 0; i < kQuestSlots; ++i) {
        const Quest* quest = getQuest(i);
        if (quest && quest->isInUse() && quest->open && !quest->isComplete() &&
            quest->type == toIndex(QuestType::Escort) && quest->getQuestEntity() == npc) {
            if (Quest* escorted = game->getQuest(quest->id)) {
                escorted->startEscort(this, npc);
            }
            return;
        }
    }
    if (!hasFreeQuestSlot()) {
        sendMessage(4, "No free quest slots!");
        return;
    }
    if (Quest* found = game->findQuestByGiver(npc, toIndex(QuestType::Escort))) {
        acceptQuest(found->id);
        found->startEscort(this, npc);
    }
}

void Player::refreshQuest(int number, bool onlyTracked)
{
    const int s = findQuestSlot(number);
    if (s < 0) {
        return;
    }
    Quest* quest = getQuest(s);
    if (!onlyTracked || (quest->definition && quest->definition->activeQuest)) {
        quest->updateProgress();
    }
}

void Player::copyQuestCount(int number)
{
    const int s = findQuestSlot(number);
    Game* game = Game::instance();
    const Quest* gameQuest = game ? game->getQuest(number) : nullptr;
    if (s >= 0 && gameQuest) {
        getQuest(s)->progress = gameQuest->progress;
    }
}

bool Player::offerToQuests(ItemGround* ground)
{
    const Item* item = ground && !ground->isItemTaken() ? ground->getGroundItem() : nullptr;
    if (!item) {
        return false;
    }
    for (int s = 0; s < kQuestSlots; ++s) {
        Quest* quest = getQuest(s);
        if (!quest || !quest->isInUse() || !quest->acceptsItem(item)) {
            continue;
        }
        quest->progress = std::min(quest->goal, quest->progress + 1);
        if (quest->type == toIndex(QuestType::StoryCiglioFindItem) && quest->definition &&
            quest->definition->statusEffect) {
            addStatusEffect(quest->definition->statusEffect, this, quest->level);
        }
        ground->consumeItem();
        Entity::fadeOutAndDelete(ground, 2.0f);
        return true;
    }
    return false;
}

bool Player::hasOpenCountQuest(const Entity* entity) const
{
    const Actor* actor = dynamic_cast<const Actor*>(entity);
    const MonsterType* type = actor ? actor->getMonsterType() : nullptr;
    if (!type) {
        return false;
    }
    for (int s = 0; s < kQuestSlots; ++s) {
        const Quest* quest = getQuest(s);
        if (!quest || !quest->isInUse()) {
            continue;
        }
        const QuestType t = static_cast<QuestType>(quest->type);
        const bool countType =
            t == QuestType::MonsterQuestItem || t == QuestType::DeadlyPoison || t == QuestType::Petrify ||
            t == QuestType::Plague || t == QuestType::ArmorsmithMonsterQuestItem ||
            t == QuestType::WeaponsmithMonsterQuestItem || t == QuestType::StoryDraaienNullifier;
        if (countType && quest->progress < quest->goal && quest->getMonsterType(0) == type) {
            return true;
        }
    }
    return false;
}

void Player::finishTutorial(bool skipped)
{
    if (skipped) {
        sendMessage(2, "Tutorial skipped");
        for (int s = 0; s < kQuestSlots; ++s) {
            Quest* quest = getQuest(s);
            if (quest && quest->isInUse() && returnsToTutor(*quest)) {
                quest->reset();
            }
        }
    } else {
        sendMessage(2, "Tutorial finished");
    }
    if (Game* game = Game::instance()) {
        game->endTutorial(skipped);
    }
    if (!m_flags65.empty()) {
        m_flags65[0] = true;
    }
}

void Player::restartTutorial()
{
    for (int s = 0; s < kQuestSlots; ++s) {
        Quest* quest = getQuest(s);
        if (quest && quest->isInUse() && returnsToTutor(*quest)) {
            quest->reset();
        }
    }
    Game* game = Game::instance();
    if (game) {
        game->endTutorial(true);
    }
    if (!m_flags65.empty()) {
        m_flags65[0] = false;
    }
    if (game) {
        game->generateQuests(toIndex(QuestType::TutorialEquipWeapon), nullptr, -1);
    }
}
