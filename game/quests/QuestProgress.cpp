// A running quest: the periodic check, kills, rescue, delivery, the escort's
// start, the reward and skipping. Deleting goes through the Game, which keeps
// the object until no walk of its table runs, so a quest may end itself here.
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/entities/Stash.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/NpcDisplayName.h"
#include "game/world/ServerLink.h"
#include "game/world/SpawnSystem.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kNews = 3;
constexpr int kReward = 2;
constexpr int kRefusal = 4;

std::string nameOf(const Entity* entity)
{
    const auto* actor = dynamic_cast<const Actor*>(entity);
    return actor ? actor->getName() : std::string();
}

// The "dmg <number> +<amount>xp" line of an award that granted something.
void tellExperience(const Sentient& who, int amount)
{
    if (amount > 0) {
        queueServerLine(ServerLine::Damage, "%d +%sxp", who.getEntityNumber(),
                        formatThousands(amount).c_str());
    }
}

} // namespace

// ---- Periodic check ---------------------------------------------------------------------

void Quest::think(Player* player, float seconds)
{
    if (level == -1 || isComplete() || failed || !definition) {
        return;
    }
    if (carriersPending) {
        rebindCarriers();
        return;
    }
    if (!m_playerCopy && handleEvent(seconds)) {
        return;
    }
    Game* game = Game::instance();
    auto advance = [this] {
        if (progress < goal) {
            ++progress;
        }
    };
    auto checkItem = [this](int k) {
        if (k >= 0 && k < static_cast<int>(targets.size())) {
            targets[static_cast<size_t>(k)].count = 1;
        }
    };
    Entity* target = player ? player->getTargetActor() : nullptr;
    const auto* targetActor = dynamic_cast<const Actor*>(target);
    const int action = player ? player->getAction() : -1;
    switch (static_cast<QuestType>(type)) {
    case QuestType::ScoutLocation:
        if (player && player->getPosition().zone == getTargetLevel()) {
            advance();
        }
        break;
    case QuestType::Escort:
        if (Entity* npc = questNpc.get(); npc && npc->getPosition().zone == getSecondTargetLevel()) {
            updateProgress();
            if (game) {
                game->refreshQuestForPlayers(id);
            }
            dismissNpcs();
        }
        break;
    case QuestType::TutorialEquipWeapon:
        if (player && player->getItem(1, 14)) {
            advance();
        }
        break;
    case QuestType::TutorialInvestigateHouse: {
        if (!player) {
            break;
        }
        // The house object in use: a stone or a stash is no actor.
        const Entity* used = player->getActionTarget();
        if (action == 14) {
            checkItem(0);
        } else if (action == 19 && used && used->getCovenant() &&
                   used->getCovenant() == player->getCovenant()) {
            // The player's own house object.
            checkItem(1);
        } else if (action == 16) {
            checkItem(2);
        } else if (action == 10) {
            if (const auto* stash = dynamic_cast<const Stash*>(used)) {
                checkItem(stash->isPlayerStash() ? 3 : 5);
            }
        } else if (action == 11) {
            checkItem(4);
        }
        break;
    }
    case QuestType::TutorialTalkToQuestGivers:
        if (targetActor && (action == 24 || action == 25)) {
            const auto npcType = static_cast<NpcType>(targetActor->getNpcType());
            checkItem(npcType == NpcType::Warmaster    ? 0
                      : npcType == NpcType::Apothecary ? 1
                      : npcType == NpcType::Steward    ? 2
                                                       : -1);
        }
        break;
    case QuestType::TutorialTalkToVendors:
        if (targetActor && action == 22) {
            switch (static_cast<NpcType>(targetActor->getNpcType())) {
            case NpcType::VendorBasic:
                checkItem(0);
                break;
            case NpcType::VendorWeapon:
                checkItem(1);
                break;
            case NpcType::VendorArmor:
                checkItem(2);
                break;
            case NpcType::VendorGuard:
                checkItem(3);
                break;
            case NpcType::Gambler:
                checkItem(4);
                break;
            default:
                break;
            }
        }
        break;
    case QuestType::TutorialGetQuest:
        if (player && player->countQuests() > 1) {
            advance();
        }
        break;
    case QuestType::Meeting:
        if (meetingDisturbed && player) {
            auto near = [&](const Entity* side) {
                return side && !side->isDead() &&
                       ZonePosition::distanceTo(side->getPosition(), player->getPosition()) <=
                           definition->playerNearDistance;
            };
            if (!near(questNpc.get()) && !near(secondNpc.get())) {
                endMeeting();
                return;
            }
        }
        break;
    default:
        break;
    }
    if (m_playerCopy) {
        return;
    }
    if (isExpired()) {
        fail();
        if (Entity* npc = questNpc.get()) {
            if (is(QuestType::Recruit)) {
                sendGameMessage(wrapText("QuestRecruitLate", "%s", nameOf(npc).c_str()), kNews);
            } else if (is(QuestType::DeadlyPoison)) {
                sendGameMessage(wrapText("QuestDeadlyPoisonLate", "%s", getNpcDisplayName(npc).c_str()),
                                kNews);
            }
            dismissNpcs();
        }
        if (game) {
            const int number = id;
            game->dropQuestFromPlayers(number);
            game->deleteQuestIfUnheld(number);
        }
    }
}

// ---- Kills ------------------------------------------------------------------------------

void Quest::countKill(Entity* killed)
{
    if (level == -1 || invalid || isComplete() || failed) {
        return;
    }
    const auto* actor = dynamic_cast<const Actor*>(killed);
    if (actor && actor->getMonsterType()) {
        recordKill(actor->getMonsterType(), actor->getPosition().zone);
    }
}

bool Quest::onKilledByCovenant(Entity* killer)
{
    Game* game = Game::instance();
    const Player* first = game ? game->getFirstPlayer() : nullptr;
    const Covenant* theirs = killer ? killer->getCovenant() : nullptr;
    const Covenant* ours = first ? first->getCovenant() : nullptr;
    if (!theirs || !ours || theirs == ours || theirs->linkedCovenant == ours->index) {
        return false;
    }
    const std::string name = game->getCovenantColoredName(theirs->index);
    switch (static_cast<QuestType>(type)) {
    case QuestType::Renegade:
    case QuestType::RenegadeAttack:
        sendGameMessage(wrapText("QuestCovKillRenegade", "%s %s", name.c_str(), getNpcName().c_str()), kNews);
        break;
    case QuestType::Thief:
        sendGameMessage(wrapText("QuestCovKillThief", "%s", name.c_str()), kNews);
        break;
    case QuestType::MonsterScout:
        sendGameMessage(wrapText("QuestCovKillMonsterScout", "%s %s", name.c_str(),
                                 getMonsterTypeText(0, false, false, 1, false).c_str()),
                        kNews);
        break;
    default:
        sendGameMessage(wrapText("QuestCovKillMonster", "%s %s", name.c_str(),
                                 getMonsterTypeText(0, true, false, 1, false).c_str()),
                        kNews);
        break;
    }
    if (auto* sentient = dynamic_cast<Sentient*>(killer)) {
        sentient->awardExperience(level, 2, 1.0f);
    }
    fail();
    const int number = id;
    game->dropQuestFromPlayers(number);
    game->deleteQuestIfUnheld(number);
    return true;
}

bool Quest::removeSpawnedEntity(const Entity* entity)
{
    for (SafePtr<Entity>& slot : spawnedEntities) {
        if (entity && slot.get() == entity) {
            slot = nullptr;
            spawnedCount = std::max(0, spawnedCount - 1);
            return true;
        }
    }
    return false;
}

void Quest::onEntityKilled(Entity* killed, Entity* killer)
{
    if (level == -1 || isComplete() || failed || !definition || !killed) {
        return;
    }
    Game* game = Game::instance();
    if (!game) {
        return;
    }
    const int number = id;
    const bool isNpc = killed == questNpc.get();
    const auto* killedActor = dynamic_cast<const Actor*>(killed);
    const MonsterType* killedType = killedActor ? killedActor->getMonsterType() : nullptr;
    auto progressed = [&] {
        updateProgress();
        game->refreshQuestForPlayers(number);
    };
    auto end = [&] {
        fail();
        game->dropQuestFromPlayers(number);
        game->deleteQuestIfUnheld(number);
    };
    const std::string targetText = getMonsterTypeText(0, true, false, 1, false);

    if (definition->boss) {
        if (isNpc && !onKilledByCovenant(killer)) {
            updateProgress();
            game->raiseNpcChat(ChatDialogType::BossKilled, targetText);
        }
        return;
    }
    switch (static_cast<QuestType>(type)) {
    case QuestType::UniqueMonsterSpotted:
    case QuestType::Assassin:
    case QuestType::MonsterScout:
    case QuestType::StoryKillTurenScout:
    case QuestType::StoryKillShankarPartner:
    case QuestType::StoryKillCiglioGuard:
    case QuestType::StoryKillDraaienMage:
        if (isNpc && !onKilledByCovenant(killer)) {
            if (isAny({QuestType::UniqueMonsterSpotted, QuestType::Assassin})) {
                game->raiseNpcChat(is(QuestType::Assassin) ? ChatDialogType::AssassinKilled
                                                           : ChatDialogType::UniqueMonster,
                                   targetText);
            }
            sendGameMessage(wrapText("QuestKilledMonster", "%s", targetText.c_str()), kNews);
            progressed();
            questNpc = nullptr;
        }
        return;
    case QuestType::Renegade:
    case QuestType::RenegadeAttack:
        if (isNpc && !onKilledByCovenant(killer)) {
            sendGameMessage(wrapText("QuestKilledRenegade", "%s", getNpcDisplayName(killed).c_str()), kNews);
            game->raiseNpcChat(ChatDialogType::RenegadeKilled, nameOf(killed));
            progressed();
        }
        return;
    case QuestType::GhostRevenge:
    case QuestType::Revenge:
        if (killedType && killedType == monsterType) {
            if (!onKilledByCovenant(killer)) {
                progressed();
                game->deleteQuestIfUnheld(number);
            }
        } else if (isNpc) {
            sendGameMessage(wrapText("QuestKilledRevenge", "%s", getNpcDisplayName(killed).c_str()), kNews);
            end();
        }
        return;
    case QuestType::KillMonsterGroup:
    case QuestType::StoryShankarLuteKefah:
    case QuestType::Meeting: {
        bool hit = false;
        for (size_t i = 0; i < targets.size(); ++i) {
            QuestTarget& t = targets[i];
            if (killedType && t.monsterType == killedType && t.count == 0) {
                t.count = 1;
                hit = true;
                // The line names the target killed, not the group's first.
                const std::string killedText = getMonsterTypeText(static_cast<int>(i), true, false, 1, false);
                sendGameMessage(wrapText("QuestKilledMonster", "%s", killedText.c_str()), kNews);
            }
        }
        if (hit && is(QuestType::Meeting)) {
            checkMeetingWar();
        }
        if (hit && isComplete()) {
            progressed();
        }
        return;
    }
    case QuestType::TownAttack:
        if (isNpc) {
            questNpc = nullptr;
        } else {
            removeSpawnedEntity(killed);
        }
        if (!questNpc.get() && spawnedCount == 0) {
            sendGameMessage(wrapText("QuestSuccessTownAttack"), kNews);
            game->raiseNpcChat(ChatDialogType::TownAttackRepelled, monsterType ? monsterType->name : "");
            game->deleteQuest(number);
        }
        return;
    case QuestType::Thief:
        if (isNpc && !onKilledByCovenant(killer)) {
            sendGameMessage(wrapText("QuestKilledThief"), kNews);
            game->raiseNpcChat(ChatDialogType::ThiefKilled, std::string());
            progressed();
        }
        return;
    case QuestType::Siege:
        if (removeSpawnedEntity(killed)) {
            if (progress < goal) {
                ++progress;
            }
            game->refreshQuestForPlayers(number);
        }
        return;
    default:
        break;
    }

    // The quest's protected NPC died.
    const bool protectedNpc =
        isRescueNpc(killed) || isDeliveryNpc(killed) || isEscortNpc(killed) ||
        (isNpc && isAny({QuestType::MonsterQuest, QuestType::DeadlyPoison, QuestType::Kidnapping,
                         QuestType::Recruit, QuestType::WanderingVendor, QuestType::Petrify}));
    if (!protectedNpc) {
        return;
    }
    if (definition->ghostRevengeChance > 0.0f && randomFloat() < definition->ghostRevengeChance) {
        game->generateQuests(toIndex(QuestType::GhostRevenge), this, -1);
    }
    if (definition->revengeChance > 0.0f && randomFloat() < definition->revengeChance) {
        game->generateQuests(toIndex(QuestType::Revenge), this, -1);
    }
    fail();
    // A town NPC is named with its type; a recruit by its own name.
    std::string name = getNpcDisplayName(killed);
    const char* key = nullptr;
    switch (static_cast<QuestType>(type)) {
    case QuestType::RescueNpc:
        key = "QuestKilledRescueNpc";
        break;
    case QuestType::Delivery:
        key = "QuestKilledDelivery";
        break;
    case QuestType::Escort:
        key = "QuestKilledEscort";
        break;
    case QuestType::DeadlyPoison:
        key = "QuestKilledDeadlyPoison";
        break;
    case QuestType::Petrify:
        key = "QuestKilledPetrify";
        break;
    case QuestType::Kidnapping:
        key = "QuestKilledKidnapping";
        break;
    case QuestType::Recruit:
        key = "QuestKilledRecruit";
        name = nameOf(killed);
        break;
    default:
        break;
    }
    if (key) {
        sendGameMessage(wrapText(key, "%s", name.c_str()), kNews);
    }
    if (is(QuestType::RescueNpc)) {
        game->raiseNpcChat(ChatDialogType::RescueNpcDied, name);
    } else if (is(QuestType::Delivery)) {
        game->raiseNpcChat(ChatDialogType::DeliveryNpcDied, name);
    } else if (is(QuestType::Escort)) {
        game->raiseNpcChat(ChatDialogType::EscortNpcDied, name, getLevelText(true, true));
    }
    game->dropQuestFromPlayers(number);
    game->deleteQuestIfUnheld(number);
}

void Quest::onTargetAttacked(Entity* attacked, Entity* attacker)
{
    if (!is(QuestType::Meeting) || !open || !dynamic_cast<Player*>(attacker)) {
        return;
    }
    const auto* actor = dynamic_cast<const Actor*>(attacked);
    const MonsterType* attackedType = actor ? actor->getMonsterType() : nullptr;
    for (const QuestTarget& t : targets) {
        if (attackedType && t.monsterType == attackedType) {
            meetingDisturbed = true;
        }
    }
}

// ---- Talk -------------------------------------------------------------------------------

void Quest::tryRescue(Actor* npc)
{
    Game* game = Game::instance();
    if (!npc || !game || !definition || !isRescueNpc(npc)) {
        return;
    }
    // Enemies of the NPC: living sentients whose faction hates or dislikes
    // it (monsters and a town NPC have no covenant to tell them apart).
    std::vector<Entity*> near;
    game->getEntitiesInRange(false, npc->getPosition(), npc, definition->safeRange,
                             EntityQueryMask::kLivingButSelf, near);
    const FactionSystem* factions = FactionSystem::instance();
    const bool unsafe = std::any_of(near.begin(), near.end(), [&](const Entity* e) {
        return dynamic_cast<const Sentient*>(e) && factions &&
               factions->getRelation(e, npc) <= FactionSystem::kDislike;
    });
    if (unsafe) {
        sendGameMessage(wrapText("QuestResceNotSafe"), kRefusal);
        return;
    }
    updateProgress();
    game->refreshQuestForPlayers(id);
    if (is(QuestType::Kidnapping)) {
        const GameData* data = GameData::instance();
        const int npcType = npc->getNpcType();
        if (data && npcType >= 0 && npcType < kNpcTypeCount) {
            npc->warp(data->rules().townNpcStand(npcType));
            npc->setHomePosition(npc->getPosition());
        }
        npc->setFlags(npc->getFlags() & ~EntityBase::kFlagKidnapped);
        npc->setQuestActor(false);
        npc->setNoTargetScan(false);
        game->raiseNpcChat(ChatDialogType::RescuedMe, getNpcDisplayName(npc), npc->getNpcType());
    } else {
        if (isAny({QuestType::RescueNpc, QuestType::StoryShankarRescue})) {
            game->raiseNpcChat(ChatDialogType::RescuedNpc, getNpcDisplayName(npc));
        }
        Entity::fadeOutAndDelete(npc, 5.0f);
        if (questNpc.get() == npc) {
            questNpc = nullptr;
        }
    }
}

bool Quest::deliverTo(Player* player, Actor* npc)
{
    Game* game = Game::instance();
    if (!player || !npc || !game || !is(QuestType::Delivery) || !open || getQuestEntity() != npc ||
        !player->hasQuest(id)) {
        return false;
    }
    updateProgress();
    dismissNpcs();
    game->refreshQuestForPlayers(id);
    return true;
}

namespace {

// An escort walks behind the player without taking a party place, so no
// party limit holds it back.
void followPlayer(Actor* npc, Player* player)
{
    npc->setLeader(player, std::numeric_limits<int>::max());
}

} // namespace

void Quest::startEscort(Player* player, Actor* npc)
{
    if (!player || !npc || !is(QuestType::Escort) || !open || getQuestEntity() != npc ||
        !player->hasQuest(id)) {
        return;
    }
    followPlayer(npc, player);
    npc->setFlags(npc->getFlags() | EntityBase::kFlagEscorted);
}

void Quest::relinkEscort(Player* player)
{
    auto* npc = dynamic_cast<Actor*>(getQuestEntity());
    if (!player || !npc || !is(QuestType::Escort) || !open ||
        !(npc->getFlags() & EntityBase::kFlagEscorted) || !player->hasQuest(id)) {
        return;
    }
    followPlayer(npc, player);
}

// ---- Reward and skipping ----------------------------------------------------------------

void Quest::giveReward(Player* player)
{
    Game* game = Game::instance();
    if (!player || !definition) {
        return;
    }
    const float amount = static_cast<float>(xpReward) / 100.0f;
    tellExperience(*player, player->awardExperience(level, 2, amount));
    if (Sentient* follower = player->firstFollower()) {
        tellExperience(*follower, follower->awardExperience(level, 2, amount));
    }
    player->addMoney(moneyReward);
    if (definition->armorReward || definition->weaponReward) {
        dropRewardItem(player);
        sendGameMessage(wrapText(definition->armorReward ? "QuestArmorReward" : "QuestWeaponReward"),
                        kReward);
    }
    if (definition->itemReward && !isSolvedFor(player)) {
        if (const SpawnSystem* spawns = SpawnSystem::instance()) {
            spawns->dropRandomItemAt(definition->itemReward, player->getPosition());
            sendGameMessage(wrapText("QuestItemReward"), kReward);
        }
    }
    FactionSystem* factions = FactionSystem::instance();
    const Entity* monster = getQuestEntity();
    if (is(QuestType::MonsterQuest) && monster && factions) {
        const int theirs = monster->getFactionId();
        const int own = player->getFactionId();
        const int before = factions->attitudeOf(factions->getReputation(theirs, own));
        factions->changeReputation(theirs, own, definition->reputationChange);
        const int after = factions->attitudeOf(factions->getReputation(theirs, own));
        if (before <= 1 && after > 1) {
            sendGameMessage(wrapText("QuestMonsterQuestTruce", "%s",
                                     getMonsterTypeText(0, false, true, 2, false).c_str()),
                            kReward);
        }
    }
    (void)game;
}

bool Quest::isSolvedFor(const Player* player) const
{
    const Game* game = Game::instance();
    if (!player || !game || !definition || definition->questSolvedBit == -1) {
        return false;
    }
    const std::vector<bool>& bits = player->getFlags65();
    const int bit = game->getSolvedBitBase() + definition->questSolvedBit;
    return bit >= 0 && bit < static_cast<int>(bits.size()) && bits[static_cast<size_t>(bit)];
}

bool Quest::canSkip(const Player* player) const
{
    return player && isSolvedFor(player);
}

void Quest::skip(Player*)
{
    Game* game = Game::instance();
    if (!definition || !game) {
        return;
    }
    sendGameMessage(wrapText("QuestSkipped", "%s", titleArgument().c_str()), kNews);
    if (isAny({QuestType::StoryTurenGraves, QuestType::StoryCiglioFindItem})) {
        removeQuestItems();
    }
    dismissNpcs();
    const int number = id;
    if (!definition->nextQuest.empty()) {
        game->generateQuests(definition->nextQuestType(), nullptr, -1);
    }
    game->deleteQuest(number);
}
