#include "support/selfplay/WorldCheck.h"

#include "client/Client.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/world/World.h"
#include "support/LevelRoute.h"
#include "support/PlayedGame.h"
#include "support/selfplay/Bot.h"

namespace selfplay {

WorldCheck::WorldCheck(Bot& bot) : Part(bot) {}

void WorldCheck::checkInvariants(int minute)
{
    m_ctx.setFaultContext(formatString("game minute %d: ", minute));
    if (!m_ctx.program.errors.empty()) {
        fault() << "error logged: " << m_ctx.program.errors.front();
    }
    // A command the server took in this frame (a sale, a purchase) shows
    // in the mirror with the next state: a difference is looked at once
    // more then, and only one that stays is a fault.
    m_ctx.holdFaults(true);
    checkMirrors();
    m_ctx.holdFaults(false);
    m_mirrorsAgain = m_ctx.dropHeldFaults();
    checkWorld();
    m_ctx.setFaultContext("");
}

void WorldCheck::recheckMirrors()
{
    m_mirrorsAgain = false;
    m_ctx.setFaultContext("a frame after a game minute: ");
    checkMirrors();
    m_ctx.setFaultContext("");
}

void WorldCheck::checkMirrors()
{
    const ZonePosition& there = player()->getPosition();
    const ZonePosition& here = mirror()->getPosition();
    if (!player()->isWarpPending()) {
        if (here.zone != there.zone ||
            distance(here, there) > mirror()->getMovement() * 0.05f * 2.0f + 1.0f) {
            fault() << "the mirror stands at " << here.zone << " " << here.x << " " << here.y
                    << ", the server's player at " << there.zone << " " << there.x << " " << there.y;
        }
    }
    // The player's health reaches the client on its entity's mirror.
    const EntityClient* body = mirrorOf(player()->getEntityNumber());
    if ((body ? body->getHealth() : -1) != player()->getHealth()) {
        fault() << "the mirror's health is " << (body ? body->getHealth() : -1) << ", the server's "
                << player()->getHealth();
    }
    if (mirror()->getStat(kMoney) != player()->getStat(kMoney)) {
        fault() << "the mirror's money is " << mirror()->getStat(kMoney) << ", the server's "
                << player()->getStat(kMoney);
    }
    InventoryBase* inventory = player()->getInventory();
    for (int group = kMain; inventory && group <= kBag4; ++group) {
        const InventoryGroup* items = inventory->getOwnGroup(group);
        for (int slot = 0; items && slot < items->getSize(); ++slot) {
            const ItemBase* real = inventory->getItemAt(group, slot);
            const ItemBase* seen = mirror()->getItem(group, slot);
            if ((seen ? seen->getItemEntry() : nullptr) != (real ? real->getItemEntry() : nullptr)) {
                fault() << "inventory group " << group << " place " << slot << " differs in the mirror";
            }
        }
    }
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        const Quest* quest = player()->getQuest(slot);
        const int id = quest && quest->isInUse() ? quest->id : -1;
        const int seen = mirror()->isQuestSlotActive(slot) ? mirror()->getQuestSlotId(slot) : -1;
        if (seen != id) {
            fault() << "quest slot " << slot << " holds " << seen << " in the mirror, " << id
                    << " on the server";
        }
    }
    Game& game = Game::get();
    GameClient& client = GameClient::get();
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        const Covenant* real = game.getCovenant(i);
        const CovenantBase* seen = real == player()->getCovenant()
                                       ? static_cast<const CovenantBase*>(Client::get().getPlayerCovenant())
                                       : client.getCovenant(i);
        if (!real || !seen) {
            fault() << "covenant " << i << " has no mirror";
            continue;
        }
        for (int j = 0; j < game.getCovenantCount(); ++j) {
            if (j != i) {
                if (seen->getRelationState(j) != real->getRelationState(j)) {
                    fault() << "the relation of covenant " << i << " to " << j << " differs in the mirror";
                }
            }
        }
    }
}

void WorldCheck::checkWorld()
{
    Game& game = Game::get();
    World& world = World::get();
    if (game.getEntityCount() > Game::kMaxEntities * 9 / 10) {
        fault() << game.getEntityCount() << " entities, above 90 % of the table";
    }
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        const Covenant* covenant = game.getCovenant(i);
        if (!covenant) {
            fault() << "covenant " << i << " is missing";
            return;
        }
        checkMembersPointBack(*covenant);
        // Two covenants see one relation between them.
        for (int j = 0; j < game.getCovenantCount(); ++j) {
            const Covenant* other = game.getCovenant(j);
            if (j != i && other && covenant->getRelationState(j) != other->getRelationState(i)) {
                fault() << "covenants " << i << " and " << j << " see their relation otherwise";
            }
        }
    }
    // Every quest in use names a level of the world and its definition;
    // the player's slots hold quests of the table.
    for (int i = 0; i < game.getQuestTableSize(); ++i) {
        const Quest* quest = game.getQuest(i);
        if (quest && quest->isInUse() &&
            (quest->level >= world.getLevelCount() || !quest->definition || quest->progress < 0)) {
            fault() << "quest " << i << " has level " << quest->level << ", progress " << quest->progress
                    << (quest->definition ? "" : " and no definition");
        }
        // A quest credited only for its one monster's death hunts one the
        // player can fight: no townsperson, none that no blow reaches.
        const bool onePrey = quest && (quest->type == toIndex(QuestType::UniqueMonsterSpotted) ||
                                       quest->type == toIndex(QuestType::Assassin));
        const auto* prey = onePrey ? dynamic_cast<const Actor*>(quest->questNpc.get()) : nullptr;
        const MonsterArchetype* kind = prey ? prey->getMonsterClass() : nullptr;
        if (prey && ((prey->isNpc() && !(kind && kind->npcRenegade)) || !prey->canBeAttacked())) {
            fault() << "quest " << i << " of type " << quest->type << " hunts " << describe(*prey)
                    << ", whom the player cannot fight";
        }
    }
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        const Quest* quest = player()->getQuest(slot);
        if (quest && quest->isInUse() && (quest->id < 0 || quest->id >= game.getQuestTableSize())) {
            fault() << "the player's quest slot " << slot << " holds quest " << quest->id;
        }
    }
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        Entity* entity = game.getEntity(i);
        if (!entity) {
            continue;
        }
        checkListedByItsCovenant(*entity);
        const ZonePosition& p = entity->getPosition();
        auto* sentient = dynamic_cast<Sentient*>(entity);
        // Such a monster can neither be met nor killed.
        const auto* monster = dynamic_cast<const Actor*>(entity);
        if (p.zone < 0 && monster && monster->isAlive() && !entity->getParent() &&
            entity->getCovenantIndex() < 0) {
            fault() << "entity " << i << " " << monster->getName() << " is alive off every level at " << p.x
                    << " " << p.y;
        }
        if (p.zone < 0 || !world.isLevelLoaded(p.zone) || entity->getParent()) {
            continue;
        }
        const bool lying =
            dynamic_cast<ItemGround*>(entity) != nullptr || dynamic_cast<Chest*>(entity) != nullptr;
        if ((sentient && sentient->isAlive()) || lying) {
            if (!walkable(p)) {
                const auto* actor = dynamic_cast<const Actor*>(entity);
                fault() << "entity " << i << (lying ? " (an item or chest)" : "") << " "
                        << (actor ? actor->getName() : std::string()) << " (covenant "
                        << entity->getCovenantIndex() << ", npc type " << (actor ? actor->getNpcType() : -1)
                        << ") is on a blocked cell at " << p.zone << " " << p.x << " " << p.y;
            }
        }
    }
}

std::string WorldCheck::describe(const Entity& entity)
{
    const auto* sentient = dynamic_cast<const Sentient*>(&entity);
    const auto* actor = dynamic_cast<const Actor*>(&entity);
    const auto* player = dynamic_cast<const Player*>(&entity);
    const std::string name = actor ? actor->getName() : player ? player->getName() : "an object";
    return formatString("entity %d, %s%s", entity.getEntityNumber(), name.c_str(),
                        sentient && !sentient->isAlive() ? ", dead" : "");
}

void WorldCheck::checkMembersPointBack(const Covenant& covenant)
{
    const int i = covenant.index;
    auto pointsBack = [&](const Entity* member, const std::string& what) {
        if (member && member->getCovenantIndex() != i) {
            fault() << what << " of covenant " << i << " (" << describe(*member) << ") points to covenant "
                    << member->getCovenantIndex();
        }
    };
    pointsBack(covenant.getLeader(), "the leader");
    pointsBack(covenant.getExtraMember(), "the extra member");
    for (int slot = 0; slot < covenant.getRecruitSlotCount(); ++slot) {
        const Recruit* recruit = covenant.getRecruit(slot);
        if (!recruit) {
            continue;
        }
        if (recruit->covenantIndex != i) {
            fault() << "the record of recruit " << slot << " of covenant " << i << " names covenant "
                    << recruit->covenantIndex;
        }
        pointsBack(recruit->getActor(), formatString("recruit %d", slot));
    }
    pointsBack(covenant.getLifestone(), "the life stone");
    for (int slot = 0; slot < Covenant::kGuardSlots; ++slot) {
        pointsBack(covenant.getGuard(slot), formatString("guard %d", slot));
    }
}

void WorldCheck::checkListedByItsCovenant(const Entity& entity)
{
    const int index = entity.getCovenantIndex();
    if (index < 0) {
        return;
    }
    const Covenant* covenant = Game::get().getCovenant(index);
    if (!covenant || covenant->index != index) {
        fault() << describe(entity) << " names covenant " << index << ", which the game does not have";
        return;
    }
    bool guard = false;
    for (int slot = 0; slot < Covenant::kGuardSlots; ++slot) {
        guard = guard || covenant->getGuard(slot) == &entity;
    }
    if (dynamic_cast<const Sentient*>(&entity) && !covenant->isMember(&entity) && !guard) {
        fault() << describe(entity) << " names covenant " << index << ", which does not list it";
    }
}

} // namespace selfplay
