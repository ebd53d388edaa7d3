// A Game quest's timed events: at random intervals it rolls its chances and
// makes the world react (follow-up quests, spreading, spawns, gates, the
// thief, supplies) or ends itself. An ending is reported so that nothing of
// the quest runs on after it.
#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/NpcDisplayName.h"
#include "game/world/ServerLink.h"
#include "game/world/SpawnSystem.h"

#include <algorithm>

namespace {

constexpr int kNews = 3;
constexpr float kEffectSeconds = 5.0f;

std::string lookupName(const MonsterType* type)
{
    return type && type->getEntry() ? type->getEntry()->getName() : std::string();
}

std::string itemNameOf(const MonsterType* type)
{
    return type && type->archetype ? type->archetype->questItemName : std::string();
}

std::string actorName(const Entity* entity)
{
    const auto* actor = dynamic_cast<const Actor*>(entity);
    return actor ? actor->getName() : std::string();
}

void news(const std::string& text)
{
    sendGameMessage(text, kNews);
}

} // namespace

Quest::Carrier Quest::pickCarrierCandidate()
{
    std::vector<Carrier> candidates;
    Game* game = Game::instance();
    if (!game) {
        return {};
    }
    auto fit = [this](const Sentient* body) {
        return body && !isCarrier(body) && body->getHealth() > 0 && body->getMaxHealth() > 0;
    };
    for (int s = 0; s < game->getTownNpcCount(); ++s) {
        if (Actor* npc = game->getTownNpcAt(s); fit(npc)) {
            candidates.push_back(Carrier{SafePtr<Entity>(npc), -1, s});
        }
    }
    Player* player = game->getFirstPlayer();
    if (const Covenant* covenant = player ? player->getCovenant() : nullptr) {
        for (int r = 0; r < covenant->getRecruitSlotCount(); ++r) {
            if (Actor* recruit = covenant->getRecruitActor(r); fit(recruit)) {
                candidates.push_back(Carrier{SafePtr<Entity>(recruit), covenant->index, r});
            }
        }
    }
    if (fit(player)) {
        candidates.push_back(Carrier{SafePtr<Entity>(player), -1, -1});
    }
    if (candidates.empty()) {
        return {};
    }
    const size_t n = candidates.size();
    return candidates[std::min(static_cast<size_t>(randomFloat() * static_cast<float>(n)), n - 1)];
}

bool Quest::handleEvent(float seconds)
{
    Game* game = Game::instance();
    const QuestDefinition* def = definition;
    if (!game || !def || def->maxEventTime <= 0.0f) {
        return false;
    }
    const int playersLevel = game->pickQuestLevel(-1);
    if (playersLevel < level + def->minEventLevelDiff || playersLevel > level + def->maxEventLevelDiff) {
        return false;
    }
    if (isComplete() || failed || m_playerCopy) {
        return false;
    }
    if (is(QuestType::KillMonsterGroup) && !targets.empty() && targets[0].count >= targets[0].needed) {
        return false;
    }
    if (!eventTimer.running) {
        eventTimer.min = def->minEventTime;
        eventTimer.max = def->maxEventTime;
        eventTimer.startRandom();
        return false;
    }
    eventTimer.advance(seconds);
    if (!eventTimer.isExpired()) {
        return false;
    }
    eventTimer.min = def->minEventTime;
    eventTimer.max = def->maxEventTime;
    eventTimer.startRandom();
    // Within the distance (equal counts) of the nearest player.
    auto playerNear = [&](const Entity* npc) {
        const Player* nearest = npc ? game->findNearestPlayer(npc->getPosition()) : nullptr;
        return nearest && nearest->distanceToEntity(npc, false) <= def->playerNearDistance;
    };
    if (def->noEventsNearPlayer && questNpc && playerNear(questNpc.get())) {
        return false;
    }

    const int number = id;
    auto end = [&] {
        fail();
        game->dropQuestFromPlayers(number);
        game->deleteQuestIfUnheld(number);
        return true;
    };
    // A fresh draw for every row whose chance is above 0.
    auto rolled = [](float chance) { return chance > 0.0f && randomFloat() < chance; };
    auto raise = [&](QuestType t, QuestBase* source = nullptr) {
        return game->generateQuests(toIndex(t), source ? source : this, -1);
    };
    auto many = [](Quest* q) { return q->getMonsterTypeText(0, true, true, 1, false); };
    const std::string oneMonster = getMonsterTypeText(0, true, false, 1, false);
    const std::string targetLevelText = getLevelText(false, true);
    const bool monsterItem = isAny({QuestType::MonsterQuestItem, QuestType::ArmorsmithMonsterQuestItem,
                                    QuestType::WeaponsmithMonsterQuestItem});
    const bool levelItem = isAny({QuestType::LevelQuestItem, QuestType::ArmorsmithLevelQuestItem,
                                  QuestType::WeaponsmithLevelQuestItem});
    // The escort's NPC may be lost only while no player is near and it does not follow one.
    auto escortAlone = [&] {
        Entity* npc = questNpc.get();
        return is(QuestType::Escort) && npc && game->getFirstPlayer() && !playerNear(npc) &&
               !npc->hasFlag(EntityBase::kFlagEscorted);
    };

    // 1 Uprising
    if (rolled(def->uprisingChance)) {
        if (Quest* q = raise(QuestType::Uprising); q && q->getMonsterType(0)) {
            if (is(QuestType::ClearLevel)) {
                news(wrapText("QuestEventUprisingClearLevel", "%s %s %s", targetLevelText.c_str(),
                              many(q).c_str(), q->getLevelText(false, true).c_str()));
            } else {
                news(wrapText("QuestEventUprising", "%s %s %s", oneMonster.c_str(), many(q).c_str(),
                              q->getLevelText(false, true).c_str()));
                successCount += 1;
            }
        }
    }
    // 2 A group forms from the quest's monster
    if (rolled(def->formGroupChance) && raise(QuestType::KillMonsterGroup)) {
        questNpc = nullptr;
        return end();
    }
    // 3 Spread
    if (rolled(def->spreadChance)) {
        Carrier carrier = pickCarrierCandidate();
        if (Entity* entity = carrier.entity.get()) {
            carriers.push_back(carrier);
            news(wrapText("QuestEventSpread", "%s", getNpcDisplayName(entity).c_str()));
            if (auto* body = dynamic_cast<Sentient*>(entity); body && def->statusEffect) {
                body->addStatusEffect(def->statusEffect, body, 1);
            }
        }
    }
    // 4 Spawn
    if (rolled(def->spawnChance) && questNpc && spawnedCount < def->maxMonsters) {
        if (SpawnSystem* spawns = SpawnSystem::instance(); spawns && game) {
            Game::QuestPlacing placing(game);
            appendSpawnedEntity(
                spawns->spawnMonsterAt(level, getMonsterType(0), attackPosition, attackPosition.zone));
        }
    }
    // 5 Back through the gate
    if (rolled(def->gateInChance) && hidden) {
        pickTownAttackTarget();
        Entity::teleportNear(questNpc.get(), attackPosition);
        for (const SafePtr<Entity>& slot : spawnedEntities) {
            Entity::teleportNear(slot.get(), attackPosition);
        }
        hidden = false;
    }
    // 6 Out through the gate
    if (rolled(def->gateOutChance) && !hidden && questNpc) {
        if (!def->effectModelName.empty()) {
            game->spawnEntity(def->effectModelName, attackPosition, kEffectSeconds);
        }
        const ZonePosition nowhere{-1, 0.0f, 0.0f};
        questNpc->setPosition(nowhere);
        for (const SafePtr<Entity>& slot : spawnedEntities) {
            if (Entity* entity = slot.get()) {
                entity->setPosition(nowhere);
            }
        }
        news("$$QuestEventGateOut$$");
        hidden = true;
    }
    // 7 The thief steals and vanishes
    if (rolled(def->stealItemChance) && !hidden && questNpc && questNpc->hasFlag(EntityBase::kFlagHidden)) {
        thiefSteal();
        thiefDisappear();
    }
    // 8 The thief shows up at a vendor, or wins when none is left
    if (rolled(def->showThiefChance) && hidden && moveThief(true)) {
        return true;
    }
    // 9 The thief leaves with its loot
    if (rolled(def->thiefLeaveChance) && questNpc && questNpc->hasFlag(EntityBase::kFlagHidden) &&
        successCount >= def->minSuccess) {
        thiefWins();
        return true;
    }
    // 10-13 Poison, petrification and plague
    if (rolled(def->poisonedSupplyChance)) {
        raise(QuestType::PoisonedSupply);
    }
    if (rolled(def->deadlyPoisonChance)) {
        raise(QuestType::DeadlyPoison);
    }
    if (rolled(def->petrifyChance)) {
        raise(QuestType::Petrify);
    }
    if (rolled(def->plagueChance)) {
        raise(QuestType::Plague);
    }
    // 14 Town attack
    if (rolled(def->townAttackChance) && level > def->townAttackMinLevel) {
        if (is(QuestType::Renegade)) {
            if (raise(QuestType::RenegadeAttack)) {
                return end();
            }
        } else if (raise(QuestType::TownAttack)) {
            switch (static_cast<QuestType>(type)) {
            case QuestType::Uprising:
                news(wrapText("QuestEventTownAttackUprising", "%s %s", many(this).c_str(),
                              targetLevelText.c_str()));
                break;
            case QuestType::WarAgainstBarbarians:
                news(wrapText("QuestEventTownAttackWarAgainstBarbarians", "%s", many(this).c_str()));
                break;
            case QuestType::StoryTurenArmy:
                news(wrapText("QuestEventTownAttackTurenArmy", "%s", many(this).c_str()));
                break;
            case QuestType::StoryCiglioHorde:
                news(wrapText("QuestEventTownAttackCiglioHorde", "%s", many(this).c_str()));
                break;
            case QuestType::StoryDraaienArmy:
                news(wrapText("QuestEventTownAttackDraaienArmy", "%s", many(this).c_str()));
                break;
            case QuestType::TownAttack:
                news("$$QuestEventTownAttackTownAttack$$");
                break;
            case QuestType::MonsterScout:
                news("$$QuestEventTownAttackScout$$");
                break;
            default:
                break;
            }
            successCount += 5;
        }
    }
    // 15-17 Assassin, kidnapping, traps
    if (rolled(def->assassinChance) && raise(QuestType::Assassin)) {
        if (is(QuestType::MonsterScout)) {
            news("$$QuestEventAssassinScout$$");
        }
        successCount += 5;
    }
    if (rolled(def->kidnapChance) && raise(QuestType::Kidnapping)) {
        if (is(QuestType::MonsterScout)) {
            news("$$QuestEventKidnapScout$$");
        }
        successCount += 5;
    }
    if (rolled(def->trapChance) && raise(QuestType::TownTraps)) {
        successCount += 1;
    }
    // 18 Siege
    if (rolled(def->siegeAttackChance) && raise(QuestType::Siege)) {
        if (is(QuestType::Uprising)) {
            news(wrapText("QuestEventSiegeUprising", "%s %s", many(this).c_str(), targetLevelText.c_str()));
        } else if (is(QuestType::StoryTurenArmy)) {
            news(wrapText("QuestEventSiegeTurenArmy", "%s", many(this).c_str()));
        } else if (is(QuestType::StoryDraaienArmy)) {
            news(wrapText("QuestEventSiegeDraaienArmy", "%s", many(this).c_str()));
        }
        successCount += 5;
    }
    // 19 A renegade joins an attack under way
    if (rolled(def->groupAttackChance) && is(QuestType::Renegade) &&
        game->hasOpenQuestOfType(toIndex(QuestType::RenegadeAttack)) && raise(QuestType::RenegadeAttack)) {
        return end();
    }
    // 20 The quest ends by itself
    if (rolled(def->endChance) && !(def->dontEndNearPlayer && questNpc && playerNear(questNpc.get()))) {
        if (is(QuestType::War) && targets.size() >= 2) {
            const std::string a = targets[0].monsterType ? targets[0].monsterType->getName() : std::string();
            const std::string b = targets[1].monsterType ? targets[1].monsterType->getName() : std::string();
            if (FactionSystem* factions = FactionSystem::instance()) {
                factions->makePeace(factions->getFactionId(a), factions->getFactionId(b));
            }
            news(wrapText("QuestEventEndWar", "%s %s", a.c_str(), b.c_str()));
        }
        return end();
    }
    // 21-22 A monster quest, a war
    if (rolled(def->monsterQuestChance)) {
        raise(QuestType::MonsterQuest);
    }
    if (rolled(def->dragIntoWarChance)) {
        raise(QuestType::War);
    }
    // 23 Supplies
    if (rolled(def->supplyChangeChance) && multiplier < def->maxMult) {
        setSupplyMultiplier(multiplier, multiplier + def->multChange);
        const std::string& supply = npcChoice >= 0 && npcChoice < static_cast<int>(def->textList.size())
                                        ? def->textList[static_cast<size_t>(npcChoice)]
                                        : std::string();
        news(wrapText("QuestEventSupplyChange", "%s", supply.c_str()));
    }
    // 24 Someone needs rescuing
    if (rolled(def->rescueChance)) {
        if (is(QuestType::Escort)) {
            if (escortAlone()) {
                news(wrapText("QuestEventRescueEscort", "%s", getNpcName().c_str()));
                if (raise(QuestType::RescueNpc)) {
                    questNpc = nullptr;
                    return end();
                }
            }
        } else if (raise(QuestType::RescueNpc)) {
            news(wrapText("QuestEventRescue", "%s", targetLevelText.c_str()));
        }
    }
    // 25 The escorted NPC dies on its own
    if (rolled(def->deathChance) && escortAlone()) {
        if (auto* npc = dynamic_cast<Sentient*>(questNpc.get())) {
            npc->setHealth(0);
        }
    }
    // 26-28 Someone else gathers the items
    const std::string typeName = lookupName(getMonsterType(0));
    const std::string itemName = itemNameOf(getMonsterType(0));
    auto gatherLine = [&](const char* monsterKey, const char* levelKey, const std::string& who) {
        if (monsterItem) {
            news(wrapText(monsterKey, "%s %s %s", who.c_str(), typeName.c_str(), itemName.c_str()));
        } else if (levelItem) {
            news(wrapText(levelKey, "%s %s", who.c_str(), getItemName(2).c_str()));
        }
    };
    if (rolled(def->npcGatherSuccessChance)) {
        gatherLine("QuestEventGatherSuccessMonsterItem", "QuestEventGatherSuccessLevelItem",
                   game->randomNpcName());
        return end();
    }
    if (rolled(def->npcGatherFailureChance)) {
        gatherLine("QuestEventGatherFailureMonsterItem", "QuestEventGatherFailureLevelItem",
                   game->randomNpcName());
    }
    if (rolled(def->npcGatherRescueChance) && successCount == 0) {
        if (Quest* q = raise(QuestType::RescueNpc)) {
            gatherLine("QuestEventGatherRescueMonsterItem", "QuestEventGatherRescueLevelItem",
                       q->getNpcName());
            successCount -= 1;
        }
    }
    // 29-31 Revenge: counted whether or not a quest could be raised
    if (rolled(def->ghostRevengeChance)) {
        raise(QuestType::GhostRevenge);
        successCount += 1;
    }
    if (rolled(def->revengeChance)) {
        raise(QuestType::Revenge);
        successCount += 1;
    }
    if (rolled(def->generalRevengeChance)) {
        raise(QuestType::KillMonsters);
        successCount += 1;
    }
    // 32 The recruit turns renegade
    if (rolled(def->recruitChance)) {
        Quest* recruit = game->findRecruitQuest();
        if (recruit && !recruit->failed && recruit->questNpc && raise(QuestType::Renegade, recruit)) {
            news(wrapText("QuestEventRecruitRenegade", "%s %s", getNpcName().c_str(),
                          actorName(recruit->questNpc.get()).c_str()));
            const int recruitNumber = recruit->id;
            recruit->fail();
            recruit->dismissNpcs();
            game->dropQuestFromPlayers(recruitNumber);
            game->deleteQuestIfUnheld(recruitNumber);
            if (recruit == this) {
                return true;
            }
        }
    }
    // 33 The siege engines fire
    if (rolled(def->projectileChance)) {
        fireSiegeProjectiles();
    }
    if (def->endOnSuccess && successCount > 0) {
        return end();
    }
    return false;
}
