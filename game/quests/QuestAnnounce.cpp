// The lines a quest sends when it enters the world, is accepted, solved or
// closed, and the supply multiplier of a poisoned supply.
#include "engine/core/DebugSystem.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/Game.h"
#include "game/world/NpcDisplayName.h"
#include "game/world/ServerLink.h"

#include <cmath>

namespace {

constexpr int kAnnounceKind = 3;
constexpr int kLevelStat = toIndex(CharacterStat::Level);

std::string typeLookupName(const MonsterType* type)
{
    return type && type->getEntry() ? type->getEntry()->getName() : std::string();
}

std::string displayName(const MonsterType* type)
{
    return type ? type->getName() : std::string();
}

std::string questItemName(const MonsterType* type)
{
    return type && type->archetype ? type->archetype->questItemName : std::string();
}

std::string covenantName(int index)
{
    const Game* game = Game::instance();
    return game && index >= 0 ? game->getCovenantColoredName(index) : std::string();
}

std::string actorName(Entity* entity)
{
    const Actor* actor = dynamic_cast<const Actor*>(entity);
    return actor ? actor->getName() : std::string();
}

} // namespace

void Quest::announce()
{
    if (!definition || !definition->announce || definition->eventOnly || definition->boss) {
        return;
    }
    std::string text;
    const MonsterType* target = getMonsterType(0);
    auto monster = [this](bool plural) { return getMonsterTypeText(0, true, plural, 1, false); };
    switch (static_cast<QuestType>(type)) {
    case QuestType::Recruit: {
        const Actor* recruit = dynamic_cast<const Actor*>(questNpc.get());
        const CharacterClass* cls = recruit ? recruit->getCharacterClass() : nullptr;
        text = wrapText("QuestAnnounceRecruit", "%s %d %s", actorName(questNpc.get()).c_str(),
                        recruit ? recruit->getStat(kLevelStat) : 0, cls ? cls->name.c_str() : "");
        break;
    }
    case QuestType::UniqueMonsterSpotted:
        text = wrapText("QuestAnnounceUniqueMonsterSpotted", "%s %s", monster(false).c_str(),
                        getLevelText(false, true).c_str());
        break;
    case QuestType::Assassin:
        text = wrapText("QuestAnnounceAssassin", "%s", monster(false).c_str());
        break;
    case QuestType::MonsterScout:
        text = wrapText("QuestAnnounceMonsterScout", "%s", typeLookupName(monsterType).c_str());
        break;
    case QuestType::Renegade:
        text = wrapText("QuestAnnounceRenegade", "%s", getNpcName().c_str());
        break;
    case QuestType::RenegadeAttack:
        text = wrapText("QuestAnnounceRenegadeAttack", "%s", getNpcName().c_str());
        break;
    case QuestType::KillMonsterGroup:
        text = wrapText("QuestAnnounceKillMonsterGroup", "%s %s", monster(false).c_str(),
                        getLevelText(false, true).c_str());
        break;
    case QuestType::Meeting:
        text =
            wrapText("QuestAnnounceMeeting", "%s %s %s", getMonsterTypeText(0, true, false, 0, false).c_str(),
                     getMonsterTypeText(1, true, false, 0, false).c_str(), getLevelText(false, true).c_str());
        break;
    case QuestType::Delivery:
        text = wrapText("QuestAnnounceDelivery", "%s", getNpcName().c_str());
        break;
    case QuestType::Escort:
        text = wrapText("QuestAnnounceEscort", "%s %s %s", getNpcName().c_str(),
                        getLevelText(false, true).c_str(), getLevelText(true, true).c_str());
        break;
    case QuestType::RescueNpc:
        text = wrapText("QuestAnnounceRescueNpc", "%s", getNpcName().c_str());
        break;
    case QuestType::War:
        text = wrapText("QuestAnnounceWar", "%s %s", displayName(getMonsterType(0)).c_str(),
                        displayName(getMonsterType(1)).c_str());
        break;
    case QuestType::TreasureMap:
        text = wrapText("QuestAnnounceTreasureMap", "%s", getLevelText(false, true).c_str());
        break;
    case QuestType::PoisonedSupply: {
        const std::string supply = npcChoice >= 0 && npcChoice < static_cast<int>(definition->textList.size())
                                       ? definition->textList[static_cast<size_t>(npcChoice)]
                                       : std::string();
        text = wrapText("QuestAnnouncePoisonedSupply", "%s", supply.c_str());
        break;
    }
    case QuestType::DeadlyPoison:
        text = wrapText("QuestAnnounceDeadlyPoison", "%s", getNpcName().c_str());
        break;
    case QuestType::Petrify:
        text = wrapText("QuestAnnouncePetrify", "%s", getNpcName().c_str());
        break;
    case QuestType::MonsterQuestItem:
    case QuestType::ArmorsmithMonsterQuestItem:
    case QuestType::WeaponsmithMonsterQuestItem: {
        const char* key = is(QuestType::MonsterQuestItem) ? "QuestAnnounceMonsterQuestItem"
                          : is(QuestType::ArmorsmithMonsterQuestItem)
                              ? "QuestAnnounceArmorsmithMonsterQuestItem"
                              : "QuestAnnounceWeaponsmithMonsterQuestItem";
        text = wrapText(key, "%s %s", typeLookupName(target).c_str(), questItemName(target).c_str());
        break;
    }
    case QuestType::LevelQuestItem:
        text = wrapText("QuestAnnounceLevelQuestItem", "%s", getItemName(2).c_str());
        break;
    case QuestType::ArmorsmithLevelQuestItem:
        text = wrapText("QuestAnnounceArmorsmithLevelQuestItem", "%s", getItemName(2).c_str());
        break;
    case QuestType::WeaponsmithLevelQuestItem:
        text = wrapText("QuestAnnounceWeaponsmithLevelQuestItem", "%s", getItemName(2).c_str());
        break;
    case QuestType::TownTraps:
        text = wrapText("QuestAnnounceTownTraps");
        break;
    case QuestType::Thief:
        text = wrapText("QuestAnnounceThief");
        break;
    case QuestType::Kidnapping: {
        const Actor* npc = dynamic_cast<const Actor*>(questNpc.get());
        text = wrapText("QuestAnnounceKidnapping", "%s %s", monster(false).c_str(),
                        npc ? getNpcDisplayName(npc).c_str() : "");
        break;
    }
    case QuestType::Siege:
        text = wrapText("QuestAnnounceSiege", "%d", goal);
        break;
    case QuestType::Uprising:
        text = wrapText("QuestAnnounceUprising", "%s %s", getMonsterTypeText(0, true, true, 1, false).c_str(),
                        getLevelText(false, true).c_str());
        break;
    case QuestType::WarAgainstBarbarians:
        text = wrapText("QuestAnnounceWarAgainstBarbarians", "%s",
                        getMonsterTypeText(0, true, true, 1, false).c_str());
        break;
    default:
        text = getTitle(false, -1);
        break;
    }
    Game* game = Game::instance();
    if (!text.empty()) {
        sendGameMessage(text, kAnnounceKind);
    }
    if (game && !definition->announceSound.empty()) {
        game->playSoundAtPlayer(definition->announceSound, 100.0f, 0.0f);
    }
}

void Quest::accept()
{
    sendGameMessage(wrapText("QuestAccepted", "%s", titleArgument().c_str()), kAnnounceKind);
    if (itemsPending) {
        placeQuestItems();
    }
}

void Quest::solve(Player* player)
{
    if (!definition) {
        return;
    }
    Game* game = Game::instance();
    if (!is(QuestType::Recruit)) {
        sendGameMessage(wrapText("QuestSolved", "%s", titleArgument().c_str()), kAnnounceKind);
    }
    switch (static_cast<QuestType>(type)) {
    case QuestType::Recruit: {
        const int index = player ? player->getCovenantIndex() : -1;
        sendGameMessage(wrapText("QuestSolvedRecruit", "%s %s", covenantName(index).c_str(),
                                 actorName(questNpc.get()).c_str()),
                        kAnnounceKind);
        if (game) {
            game->clearActorCovenantQuests();
        }
        break;
    }
    case QuestType::GhostRevenge:
    case QuestType::Revenge:
        if (questNpc) {
            dismissNpcs();
        }
        break;
    case QuestType::PoisonedSupply:
        setSupplyMultiplier(multiplier, 1.0f);
        break;
    case QuestType::DeadlyPoison:
    case QuestType::Petrify:
        if (Actor* npc = dynamic_cast<Actor*>(questNpc.get())) {
            if (definition->statusEffect) {
                npc->endStatusEffectsOf(definition->statusEffect);
            }
            if (game) {
                game->raiseNpcChat(is(QuestType::Petrify) ? ChatDialogType::CuredMePetrify
                                                          : ChatDialogType::CuredMePoison,
                                   actorName(npc), npc->getNpcType());
            }
        }
        break;
    case QuestType::Plague:
        for (Carrier& carrier : carriers) {
            Sentient* body = dynamic_cast<Sentient*>(carrier.entity.get());
            if (body && !body->isDead() && definition->statusEffect) {
                body->endStatusEffectsOf(definition->statusEffect);
            }
        }
        if (game) {
            game->raiseNpcChat(ChatDialogType::CuredPlague, std::string());
        }
        break;
    case QuestType::LevelQuestItem:
    case QuestType::ArmorsmithLevelQuestItem:
    case QuestType::WeaponsmithLevelQuestItem:
    case QuestType::StoryTurenGraves:
    case QuestType::StoryCiglioFindItem:
        removeQuestItems();
        break;
    default:
        break;
    }
    if (definition->tutorialEnd && player) {
        player->finishTutorial(false);
    }
    if (definition->questSolvedBit != -1 && player && game) {
        std::vector<bool>& bits = player->getFlags65();
        const int bit = game->getSolvedBitBase() + definition->questSolvedBit;
        if (bit >= 0 && bit < static_cast<int>(bits.size())) {
            bits[static_cast<size_t>(bit)] = true;
        }
    }
    // Last: the follow-up may be made while this quest is still in the table.
    if (!definition->nextQuest.empty() && game) {
        game->generateQuests(definition->nextQuestType(), nullptr, -1);
    }
}

void Quest::closeForCovenant(int covenantIndex)
{
    if (!is(QuestType::Recruit)) {
        return;
    }
    sendGameMessage(wrapText("QuestSolvedRecruitOtherCovenant", "%s %s", covenantName(covenantIndex).c_str(),
                             actorName(questNpc.get()).c_str()),
                    kAnnounceKind);
    if (Game* game = Game::instance()) {
        game->clearActorCovenantQuests();
    }
    // The recruit stays in the world for the other covenant.
    questNpc = nullptr;
}

void Quest::onTreasureChestOpened(Entity* chest, Entity* opener)
{
    if (!is(QuestType::TreasureMap) || !chest || questChest.get() != chest) {
        return;
    }
    Player* player = dynamic_cast<Player*>(opener);
    if (!player) {
        return;
    }
    player->solveQuest(id);
    sendGameMessage(wrapText("QuestSolvedTreasureMap"), 2);
}

bool Quest::setSupplyMultiplier(float oldValue, float newValue)
{
    Game* game = Game::instance();
    if (!game || !definition) {
        return false;
    }
    if (npcChoice < 0 || npcChoice >= static_cast<int>(definition->textList.size())) {
        debugPrint(2, "Quest %d: supply %d is not in the %s text list\n", id, npcChoice,
                   getQuestTypeName(type).c_str());
        return false;
    }
    const bool food = definition->textList[static_cast<size_t>(npcChoice)] == "food";
    const float current = food ? game->getScaleFactor1() : game->getScaleFactor2();
    const float limited = std::min(newValue, definition->maxMult);
    // Divide only by a positive old value; a result must stay a price factor.
    const float base = oldValue > 0.0f && std::isfinite(oldValue) ? current / oldValue : current;
    const float result = base * limited;
    if (!(limited > 0.0f) || !std::isfinite(result) || !(result > 0.0f)) {
        debugPrint(2, "Quest %d: supply multiplier %g (limit %g) refused\n", id,
                   static_cast<double>(newValue), static_cast<double>(definition->maxMult));
        return false;
    }
    multiplier = limited;
    if (food) {
        game->setScaleFactors(result, game->getScaleFactor2());
    } else {
        game->setScaleFactors(game->getScaleFactor1(), result);
    }
    return true;
}
