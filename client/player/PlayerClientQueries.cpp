// What the menus and maps ask of the player's quest slots and gate list.
#include "client/player/PlayerClient.h"

#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/QuestClient.h"
#include "engine/core/StringUtil.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/World.h"

#include <algorithm>

bool PlayerClient::hasCompletedQuestFor(const std::vector<int32_t>& ids) const
{
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        QuestClient* quest = getQuestSlot(slot);
        if (quest && quest->isComplete() && std::find(ids.begin(), ids.end(), quest->id) != ids.end()) {
            return true;
        }
    }
    return false;
}

bool PlayerClient::isQuestHintSet(int id) const
{
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        QuestClient* quest = getQuestSlot(slot);
        if (quest && quest->id == id && quest->isComplete()) {
            return false;
        }
    }
    const GameClient* game = GameClient::instance();
    const World* world = World::instance();
    if (!game || !world) {
        return false;
    }
    const QuestClient* quest = nullptr;
    for (size_t q = 0; q < game->getQuestCount() && !quest; ++q) {
        const QuestClient* candidate = game->getQuest(static_cast<int>(q));
        quest = candidate && candidate->id == id ? candidate : nullptr;
    }
    if (!quest || !quest->definition || quest->definition->questSolvedBit < 0) {
        return false;
    }
    const size_t bit = static_cast<size_t>(world->getTutorialBaseIndex() + quest->definition->questSolvedBit);
    return bit < tutorialHints.size() && tutorialHints[bit];
}

int PlayerClient::findCompletedQuestSlot(const EntityClient* npc) const
{
    if (!npc) {
        return -1;
    }
    // A quest involves the NPC it is taken back to.
    const NpcType type = static_cast<NpcType>(npc->getNpcType());
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        QuestClient* quest = getQuestSlot(slot);
        if (quest && quest->isComplete() && quest->isGivenBy(type, nullptr)) {
            return slot;
        }
    }
    return -1;
}

bool PlayerClient::hasQuestInLevel(int level) const
{
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        if (QuestClient* quest = getQuestSlot(slot); quest && quest->isTargetOnLevel(level)) {
            return true;
        }
    }
    return false;
}

int PlayerClient::findMostUrgentQuest() const
{
    const GameClient* game = GameClient::instance();
    if (!game) {
        return -1;
    }
    int best = -1;
    double bestLeft = 0.0;
    for (int slot = 0; slot < kQuestSlots; ++slot) {
        const QuestClient* quest = getQuestSlot(slot);
        const QuestDefinition* definition = quest ? quest->definition : nullptr;
        if (!definition || definition->maxTime <= 0.0f || quest->failed || quest->isComplete()) {
            continue;
        }
        double left = quest->getTimeLeft(game->getGameTime());
        if (best < 0 || left < bestLeft) {
            best = slot;
            bestLeft = left;
        }
    }
    return best;
}

std::string PlayerClient::getQuestSlotDescription(int slot) const
{
    QuestClient* quest = getQuestSlot(slot);
    const GameClient* game = GameClient::instance();
    if (!quest || !game) {
        return std::string();
    }
    std::string text = quest->getDescription(stats.get(kStatLevel), game->getGameTime(), getGeneratedName());
    if (quest->type != toIndex(QuestType::Recruit)) {
        return text;
    }
    // The covenant nearest to taking the recruit: most kills, the first on a tie.
    int leader = -1;
    int most = 0;
    for (uint32_t i = 0; i < game->getCovenantCount(); ++i) {
        const CovenantClient* covenant = game->getCovenant(static_cast<int>(i));
        if (covenant && covenant->getQuestState() > most) {
            most = covenant->getQuestState();
            leader = static_cast<int>(i);
        }
    }
    if (leader >= 0) {
        text += formatString("Leading enemy covenant: %s with %d kill%s\n",
                             game->getColoredCovenantName(leader).c_str(), most, most == 1 ? "" : "s");
    }
    return text;
}

void PlayerClient::fillGateList(std::vector<ListEntry>& list) const
{
    const World* world = World::instance();
    const auto& records = levelGates.getRecords();
    for (size_t i = 0; i < records.size(); ++i) {
        ListEntry row;
        row.name = world ? world->getLevelName(records[i].zone) : std::string();
        row.value = std::to_string(i);
        row.enabled = records[i].activated != 0;
        list.push_back(std::move(row));
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const ListEntry& a, const ListEntry& b) { return a.name < b.name; });
}
