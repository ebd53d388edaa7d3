#include "game/covenants/PlayerCovenant.h"

#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/entities/Vendor.h"

namespace {
constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
// The mode of InventoryBase::stackItem and addItem that looks at every bag.
constexpr int kAllBags = 3;

bool isLootGroup(int group)
{
    return group >= toIndex(InventoryGroupIndex::Loot) && group <= toIndex(InventoryGroupIndex::LootBag8);
}
} // namespace

Player* PlayerCovenant::getPlayer() const
{
    return player.get();
}

// ---- Recruits

Actor* PlayerCovenant::getRecruitActorForPlayer(int slot, const Entity* requester) const
{
    if (!requester)
        return nullptr;
    return getRecruitActor(slot);
}

Recruit* PlayerCovenant::findRecruitOfActor(const Entity* entity) const
{
    return findRecruitByActor(dynamic_cast<const Actor*>(entity));
}

void PlayerCovenant::dismissRecruit(int slot, Player* requester)
{
    Recruit* recruit = getRecruit(slot);
    if (!requester || !recruit)
        return;
    if (Actor* actor = recruit->getActor()) {
        actor->dropAllEquipment();
        actor->clearLeader();
        if (Recruit* record = findRecruitOfActor(actor))
            record->dismissActor();
    }
    recruits[static_cast<size_t>(slot)].reset();
    recruitCount = getRecruitCount();
}

void PlayerCovenant::countPeople()
{
    int people = 0;
    for (const std::unique_ptr<Recruit>& recruit : recruits)
        if (recruit)
            people += peopleValueOfRecruit(recruit.get());
    if (const Player* p = getPlayer())
        people += peopleValueOfActor(p);
    stats.set(static_cast<int>(CovenantStat::People), people);
}

void PlayerCovenant::countItems()
{
    int worth = 0;
    for (const std::unique_ptr<Recruit>& recruit : recruits) {
        if (!recruit)
            continue;
        Actor* actor = recruit->getActor();
        InventoryBase* items = actor ? actor->getInventory() : recruit->inventory.get();
        if (items)
            worth += inventoryGroupWorth(items);
    }
    if (Player* p = getPlayer(); p && p->getInventory())
        worth += inventoryGroupWorth(p->getInventory());
    stats.set(static_cast<int>(CovenantStat::Items), worth);
}

// ---- Items: group 24 lives with the player

InventoryGroup* PlayerCovenant::getHouseGroup() const
{
    Player* p = getPlayer();
    return p && p->getInventory() ? p->getInventory()->getOwnGroup(kHouseGroup) : nullptr;
}

ItemBase* PlayerCovenant::getItem(int group, int slot) const
{
    const InventoryGroup* g = group == kHouseGroup ? getHouseGroup() : inventory->getOwnGroup(group);
    return g && slot >= 0 && slot < g->getSize() ? g->getItem(slot) : nullptr;
}

void PlayerCovenant::removeItem(int group, int slot)
{
    InventoryGroup* g = group == kHouseGroup ? getHouseGroup() : inventory->getOwnGroup(group);
    if (g && slot >= 0 && slot < g->getSize() && g->getItem(slot))
        g->destroyItemAt(slot);
}

InventoryGroup* PlayerCovenant::getInventoryGroup(int group)
{
    return inventory->getOwnGroup(group);
}

ItemBase* PlayerCovenant::getItemAt(int group, int slot) const
{
    // The loot groups show what the player deals with, not its own items.
    Player* p = getPlayer();
    return p && !isLootGroup(group) ? p->getItem(group, slot) : nullptr;
}

std::unique_ptr<ItemBase> PlayerCovenant::removeTradeItem(int group, int slot)
{
    Player* p = getPlayer();
    if (!p || !p->getInventory() || isLootGroup(group))
        return nullptr;
    std::unique_ptr<ItemBase> taken(p->getInventory()->clearEntry(group, slot));
    // A house item traded away takes its guard or relic display along.
    p->itemRemoved(taken.get(), group, slot);
    return taken;
}

void PlayerCovenant::receiveItem(std::unique_ptr<ItemBase> given)
{
    Player* p = getPlayer();
    if (!p || !given || !dynamic_cast<Item*>(given.get()))
        return;
    InventoryBase* bags = p->getInventory();
    InventoryGroup* first = bags ? bags->getSlot(kBag1) : nullptr;
    if (first) {
        // A merged item lives on in the stack; the object goes.
        if (first->stackItem(given.get()) || bags->stackItem(given.get(), kAllBags))
            return;
        if (first->addItem(given.get())) {
            given.release();
            return;
        }
        if (bags->addItem(given.get(), kAllBags) != InventoryBase::kAddNoRoom) {
            given.release();
            return;
        }
    }
    auto* item = static_cast<Item*>(given.get());
    if (dropItemOnGround(item, false, true, p->getPosition()))
        given.release();
}

// ---- Update and the recruit preview

void PlayerCovenant::update(float dt)
{
    Covenant::update(dt);
    announceRaidWhenNear();
    updateRecruitPreview();
}

bool PlayerCovenant::isRecruitCandidate(const Player& player, const Actor* actor)
{
    if (!actor || actor->getCovenant() || !actor->isNpc() || player.isEnemy(actor))
        return false;
    if (actor->getMaxHealth() > 0 && actor->getHealth() <= 0)
        return false;
    const MonsterType* type = actor->getMonsterType();
    const MonsterArchetype* archetype = type ? type->archetype : nullptr;
    if (archetype && (archetype->canBeRescued || archetype->canReceiveDelivery || archetype->canBeEscorted))
        return false;
    // A shopkeeper keeps its shop: taken in, the town (or the road) would
    // lose its merchant, guard seller or gambler for good.
    if (dynamic_cast<const Vendor*>(actor))
        return false;
    return !(type && type->givesQuests() && actor->getNpcType() != static_cast<int>(NpcType::Recruit));
}

void PlayerCovenant::updateRecruitPreview()
{
    recruitPreview->detachActor();
    Player* p = getPlayer();
    Actor* actor = p ? p->getTargetActor() : nullptr;
    if (p && isRecruitCandidate(*p, actor))
        recruitPreview->attachActor(actor, true);
}
