#include "ui/LiveClientView.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/commands/PlayerCommands.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "client/stats/GlobalStats.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryGroup.h"
#include "game/skills/SkillBase.h"
#include "game/world/World.h"

// The game-state reads of the live view: the local player, the player
// covenant and the game client's own values.

namespace {

PlayerClient* player()
{
    const Client* client = Client::instance();
    return client ? client->getLocalPlayer() : nullptr;
}

PlayerCovenantClient* playerCovenant()
{
    const Client* client = Client::instance();
    return client ? client->getPlayerCovenant() : nullptr;
}

QuestClient* questSlot(int slot)
{
    PlayerClient* p = player();
    if (!p || slot < 0 || slot >= PlayerClient::kQuestSlots || !p->isQuestSlotActive(slot)) {
        return nullptr;
    }
    return p->getQuestSlot(slot);
}

const InventoryGroup* playerGroup(int group)
{
    PlayerClient* p = player();
    InventoryBase* inventory = p ? p->getInventory() : nullptr;
    return inventory ? inventory->getSlot(group) : nullptr;
}

} // namespace

int LiveClientView::getPlayerFunStat(int stat) const
{
    const PlayerClient* p = player();
    return p && stat >= 0 && stat < PlayerClient::kStatisticCount ? p->statistics.get(stat) : 0;
}

std::string LiveClientView::getPlayerName() const
{
    const PlayerClient* p = player();
    return p ? p->getGeneratedName() : std::string();
}

std::string LiveClientView::getPlayerNameAndTitle() const
{
    const PlayerClient* p = player();
    return p ? p->getTitle() : std::string();
}

std::string LiveClientView::getPlayerTitle() const
{
    const PlayerClient* p = player();
    return p ? p->getTitleLine() : std::string();
}

const CharacterClass* LiveClientView::getPlayerClass() const
{
    const PlayerClient* p = player();
    const GameData* data = GameData::instance();
    return p && data ? data->findCharacterClassById(p->getStat(PlayerClient::kStatClass)) : nullptr;
}

int LiveClientView::getActiveItemSet() const
{
    const PlayerClient* p = player();
    return p ? p->activeWeaponSet : 0;
}

const ItemBase* LiveClientView::getPlayerItem(int group, int entry) const
{
    const PlayerClient* p = player();
    return p ? p->getItem(group, entry) : nullptr;
}

int LiveClientView::getPlayerGroupCount(int group) const
{
    PlayerClient* p = player();
    InventoryBase* inventory = p ? p->getInventory() : nullptr;
    return inventory && inventory->getSlot(group) ? inventory->countItemsInGroup(group) : 0;
}

int LiveClientView::getPlayerGroupCapacity(int group) const
{
    const InventoryGroup* g = playerGroup(group);
    return g ? g->getSize() : 0;
}

int LiveClientView::getIdentifyAllCost() const
{
    PlayerClient* p = player();
    InventoryBase* inventory = p ? p->getInventory() : nullptr;
    return inventory ? inventory->getIdentifyAllCost() : 0;
}

int LiveClientView::getEquipmentWorth() const
{
    const PlayerClient* p = player();
    return p ? p->sumGroupValue(static_cast<int>(InventoryGroupIndex::Equipment)) : 0;
}

int LiveClientView::getInventoryWorth() const
{
    const PlayerClient* p = player();
    return p ? p->sumInventoryValue() : 0;
}

int LiveClientView::getPlayerDps() const
{
    // The summary keeps hundredths.
    const PlayerClient* p = player();
    return p ? p->getSummary().damagePerSecond / 100 : 0;
}

bool LiveClientView::playerHasQuest(int slot) const
{
    return questSlot(slot) != nullptr;
}

int LiveClientView::getPlayerQuestId(int slot) const
{
    const QuestClient* quest = questSlot(slot);
    return quest ? quest->id : -1;
}

std::string LiveClientView::getPlayerQuestTitle(int slot) const
{
    return questSlot(slot) ? player()->getQuestSlotTitle(slot) : std::string();
}

std::string LiveClientView::getPlayerQuestDescription(int slot) const
{
    return questSlot(slot) ? player()->getQuestSlotDescription(slot) : std::string();
}

bool LiveClientView::isPlayerQuestFinished(int slot) const
{
    const QuestClient* quest = questSlot(slot);
    return quest && quest->isComplete();
}

int LiveClientView::countActiveQuests() const
{
    const PlayerClient* p = player();
    return p ? p->countActiveQuests() : 0;
}

QuestBase* LiveClientView::findMostUrgentQuest() const
{
    const PlayerClient* p = player();
    return p ? questSlot(p->findMostUrgentQuest()) : nullptr;
}

bool LiveClientView::playerHasQuestInLevel(int level) const
{
    const PlayerClient* p = player();
    return p && p->hasQuestInLevel(level);
}

int LiveClientView::findCompletedQuestSlot(const EntityClient* giver) const
{
    const PlayerClient* p = player();
    return p ? p->findCompletedQuestSlot(giver) : -1;
}

// The player's own test, as the server's: a quest whose kind the player has
// solved before (its bit among the player's solved bits), not held complete.
bool LiveClientView::canSkipQuest(int id) const
{
    const PlayerClient* p = player();
    return p && p->isQuestHintSet(id);
}

int LiveClientView::getPlayerSkillLevel(int tree, int skill) const
{
    // The level the skill works at: a bonus skill's follows its attribute,
    // whatever its slot's points stat holds.
    const SkillBase* known = getPlayerSkill(tree, skill);
    return known ? known->getLevel() : 0;
}

void LiveClientView::setTradingFlag(bool on)
{
    if (PlayerClient* p = player()) {
        p->uiForcedAction = on;
    }
}

void LiveClientView::showHelpTopic(const std::string& name)
{
    if (PlayerClient* p = player()) {
        p->showHelpTopic(name);
    }
}

bool LiveClientView::isPlayerCovenantAttacked() const
{
    const PlayerCovenantClient* covenant = playerCovenant();
    return covenant && covenant->houseAttacked;
}

int LiveClientView::findPendingOffer() const
{
    const PlayerCovenantClient* covenant = playerCovenant();
    return covenant ? covenant->findPendingOffer() : -1;
}

bool LiveClientView::isRecruitCandidate(const EntityClient* entity) const
{
    const PlayerCovenantClient* covenant = playerCovenant();
    return covenant && entity && covenant->isRecruitCandidate(entity->getEntityNumber());
}

int LiveClientView::getPlayerCovenantFunStat(int stat) const
{
    const PlayerCovenantClient* covenant = playerCovenant();
    return covenant && stat >= 0 && stat < 4 ? covenant->funStatTotals.get(stat) : 0;
}

GameTime LiveClientView::getGameTime() const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getGameTime() : GameTime();
}

int LiveClientView::getCovenantIndexByInfluence(int place) const
{
    const GameClient* game = GameClient::instance();
    if (!game || place < 0 || static_cast<size_t>(place) >= game->getInfluenceRanking().size()) {
        return -1;
    }
    return game->getInfluenceRanking()[static_cast<size_t>(place)].first;
}

bool LiveClientView::isCovenantBeingRaided(int index) const
{
    const GameClient* game = GameClient::instance();
    const CovenantClient* covenant = game ? game->getCovenant(index) : nullptr;
    return covenant && covenant->isBeingRaided();
}

int LiveClientView::getCurrentCovenant() const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getCurrentCovenant() : -1;
}

void LiveClientView::setCurrentCovenant(int index)
{
    if (GameClient* game = GameClient::instance()) {
        game->setCurrentCovenant(index);
    }
}

std::string LiveClientView::getDiplomacyResponse() const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getDiplomacyResponseText() : std::string();
}

std::string LiveClientView::getNpcChatText() const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getNpcChatText() : std::string();
}

std::string LiveClientView::getWonGameText() const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getWonGameText() : std::string();
}

std::string LiveClientView::getLostGameText() const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getLostGameText() : std::string();
}

bool LiveClientView::hasOpenTownQuest(bool townAttack, bool siege) const
{
    const GameClient* game = GameClient::instance();
    return game && game->hasOpenTownQuest(townAttack, siege);
}

QuestBase* LiveClientView::getOfferedQuest(int index) const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getOfferedQuest(index) : nullptr;
}

const RecruitBase* LiveClientView::getSelectedRecruit() const
{
    return Client::instance() ? PlayerCommands::getSelectedRecruit() : nullptr;
}

std::string LiveClientView::getGlobalRecordText(int statType, int index) const
{
    std::string text;
    int value = 0;
    GlobalStats::findRecordHolder(statType, index, text, value);
    return text;
}

int LiveClientView::getCurrentLevel() const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getCurrentLevel() : -1;
}

std::string LiveClientView::getLevelName(int level) const
{
    const World* world = World::instance();
    return world && level >= 0 ? world->getLevelName(level) : std::string();
}

float LiveClientView::getMutualRelation(int a, int b) const
{
    const GameClient* game = GameClient::instance();
    return game ? game->getRelationValue(a, b) : 0.0f;
}

bool LiveClientView::getTradingFlag() const
{
    const PlayerClient* p = player();
    return p && p->uiForcedAction;
}

int LiveClientView::getPendingOfferKind(int covenant) const
{
    PlayerCovenantClient* own = playerCovenant();
    const PlayerCovenantClient::PendingOffer* offer = own ? own->getPendingOffer(covenant) : nullptr;
    return offer ? offer->kind : 0;
}

void LiveClientView::clearIgnoredOffers()
{
    if (PlayerCovenantClient* own = playerCovenant()) {
        own->clearIgnoredOffers();
    }
}

void LiveClientView::setDiplomacyResponse(int covenant, int kind)
{
    if (GameClient* game = GameClient::instance()) {
        game->setDiplomacyResponse(covenant, kind);
    }
}

void LiveClientView::clearDiplomacyResponse()
{
    // No covenant has no answer: the text empties.
    setDiplomacyResponse(-1, 0);
}

int LiveClientView::getHistorySnapshotCount() const
{
    const PlayerCovenantClient* own = playerCovenant();
    return own ? static_cast<int>(own->history.size()) : 0;
}

int LiveClientView::getHistoryValue(int snapshot, int covenant, int component) const
{
    const PlayerCovenantClient* own = playerCovenant();
    if (!own || snapshot < 0 || static_cast<size_t>(snapshot) >= own->history.size() || covenant < 0 ||
        component < 0 || component >= 9) {
        return 0;
    }
    const HistorySample& sample = own->history[static_cast<size_t>(snapshot)];
    if (static_cast<size_t>(covenant) >= sample.size()) {
        return 0;
    }
    const HistoryRecord& record = sample[static_cast<size_t>(covenant)];
    return component < 5 ? record.power[static_cast<size_t>(component)]
                         : record.influence[static_cast<size_t>(component - 5)];
}

int LiveClientView::getHistoryMinimum(int component) const
{
    const PlayerCovenantClient* own = playerCovenant();
    if (!own || component < 0 || component >= 9) {
        return 0;
    }
    return component < 5 ? own->powerMin[static_cast<size_t>(component)]
                         : own->influenceMin[static_cast<size_t>(component - 5)];
}

int LiveClientView::getHistoryMaximum(int component) const
{
    const PlayerCovenantClient* own = playerCovenant();
    if (!own || component < 0 || component >= 9) {
        return 0;
    }
    return component < 5 ? own->powerMax[static_cast<size_t>(component)]
                         : own->influenceMax[static_cast<size_t>(component - 5)];
}
