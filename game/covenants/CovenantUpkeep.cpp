#include "game/covenants/Covenant.h"

#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Sentient.h"
#include "game/skills/Saturate.h"
#include "game/world/Game.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr int kMoney = static_cast<int>(CovenantStat::Money);
constexpr int kLeaderGuardGroupFirst = 2; // Bag1 … Bag4
constexpr int kLeaderGuardGroupLast = 5;

bool isLiveGuardItem(const ItemBase* item)
{
    return item && item->getGuardType() && !item->hasBrokenFree();
}
} // namespace

void Covenant::computeGuardCosts()
{
    long long total = 0;
    auto add = [&total](const ItemBase* item) {
        if (item && !item->hasBrokenFree())
            total += item->getUpkeep();
    };
    if (const Sentient* leader = getLeader()) {
        InventoryBase* carried = const_cast<Sentient*>(leader)->getInventory();
        for (int group = kLeaderGuardGroupFirst; carried && group <= kLeaderGuardGroupLast; ++group) {
            const InventoryGroup* g = carried->getSlot(group);
            for (int slot = 0; g && slot < g->getSize(); ++slot)
                add(g->getItem(slot));
        }
    }
    for (int slot = 0; slot < kGuardSlots; ++slot)
        add(getHouseItem(slot));
    stats.set(static_cast<int>(CovenantStat::GuardCosts), saturateWide(total));
}

int Covenant::covenantItemsWorth(bool guardsOnly) const
{
    long long total = 0;
    for (int slot = 0; slot < kHouseSlots; ++slot) {
        const ItemBase* item = getHouseItem(slot);
        if (item && (!guardsOnly || item->getGuardType()))
            total += itemWorth(item);
    }
    return saturateWide(total);
}

float Covenant::getItemSaleValue(const ItemBase* item, bool) const
{
    int worth = itemWorth(item);
    return static_cast<float>(worth) * lerpByLevel(static_cast<float>(worth));
}

void Covenant::addMoney(int delta)
{
    if (Sentient* leader = getLeader())
        leader->getStats().add(toIndex(CharacterStat::Money), delta);
}

int Covenant::getLeaderGold() const
{
    const Sentient* leader = getLeader();
    return leader ? leader->getStat(toIndex(CharacterStat::Money)) : 0;
}

void Covenant::gainInfluenceFromXp(int sourceLevel, float xp, int source)
{
    const GameRules& r = worldRules();
    float factor = 0.0f;
    switch (source) {
    case 0:
        factor = r.influenceMultCombatXp;
        break;
    case 1:
        factor = r.influenceMultSecretXp;
        break;
    case 2:
        factor = r.influenceMultQuestXp;
        break;
    case 3:
        factor = r.influenceMultExplorationXp;
        break;
    default:
        break;
    }
    double a = std::floor(static_cast<double>(factor) * experienceMultiplierBetweenLevels(sourceLevel, 1) *
                          100.0 * xp);
    double gain = std::floor(std::trunc(a) * getMultiplier(static_cast<int>(CovenantMultiplier::Influence)));
    int32_t& counter = source == 0 ? influence.adventure : influence.world;
    counter = saturateWide(static_cast<int64_t>(counter) + saturate(gain));
}

int Covenant::guardSlotToSell() const
{
    // The dearest guard: prices compared with prices, the first kept on ties.
    int best = -1;
    int bestPrice = 0;
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        const ItemBase* item = getHouseItem(slot);
        if (!isLiveGuardItem(item))
            continue;
        int price = item->getPrice(1);
        if (best < 0 || price > bestPrice) {
            best = slot;
            bestPrice = price;
        }
    }
    return best;
}

void Covenant::findGuardItemOfLeader(int& group, int& slotOut) const
{
    group = 27;
    slotOut = -1;
    Sentient* leader = getLeader();
    InventoryBase* carried = leader ? leader->getInventory() : nullptr;
    for (int g = kLeaderGuardGroupFirst; carried && g <= kLeaderGuardGroupLast; ++g) {
        const InventoryGroup* items = carried->getSlot(g);
        for (int slot = 0; items && slot < items->getSize(); ++slot) {
            const ItemBase* item = items->getItem(slot);
            if (item && item->getGuardType()) {
                group = g;
                slotOut = slot;
                return;
            }
        }
    }
}

void Covenant::payUpkeep()
{
    Game* game = Game::instance();
    const bool player = game && game->isPlayerCovenant(this);
    const float sellPercent = worldRules().maxSellPercent;
    // Each round gives up one guard, guard item or route, so it ends.
    for (;;) {
        int delta = sumRelationValues();
        int crystals = stats.get(kMoney);
        if (delta >= 0) {
            stats.set(kMoney, saturateWide(static_cast<int64_t>(crystals) + delta));
            return;
        }
        long long loss = -static_cast<long long>(delta);
        if (loss <= crystals) {
            if (player && 3 * loss >= crystals)
                game->sendGameMessage(
                    "Running low on crystals!  Guards/trade routes will be sold/canceled if we run out!", 3);
            stats.set(kMoney, saturateWide(static_cast<int64_t>(crystals) + delta));
            return;
        }

        int slot = guardSlotToSell();
        if (slot >= 0 && guards[static_cast<size_t>(slot)].get()) {
            const Actor* guard = dynamic_cast<const Actor*>(guards[static_cast<size_t>(slot)].get());
            if (player)
                game->sendGameMessage("Ran out of crystals, had to sell " +
                                          (guard ? guard->getName() : std::string()) + " guard!",
                                      3);
            const ItemBase* item = getHouseItem(slot);
            int price = item ? item->getPrice(1) : 0;
            stats.set(kMoney, saturateWide(static_cast<int64_t>(crystals) +
                                           static_cast<int64_t>(
                                               std::floor(price * static_cast<double>(sellPercent)))));
            dismissGuard(slot);
            if (InventoryGroup* house = getHouseGroup())
                house->destroyItemAt(slot);
            updateStats();
            continue;
        }

        int group = 27;
        int place = -1;
        findGuardItemOfLeader(group, place);
        if (place >= 0) {
            if (player)
                game->sendGameMessage("Ran out of crystals, had to sell guard from inventory!", 3);
            InventoryGroup* items = getLeader()->getInventory()->getSlot(group);
            const ItemBase* item = items->getItem(place);
            int price = item ? item->getPrice(1) : 0;
            stats.addCapped(kMoney, static_cast<int>(std::floor(price * static_cast<double>(sellPercent))),
                            INT_MAX);
            items->destroyItemAt(place);
            updateStats();
            continue;
        }

        int route = tradeRouteToCancel();
        if (route >= 0) {
            if (player)
                game->sendGameMessage("Ran out of crystals, had to cancel trade route with " +
                                          game->getCovenantColoredName(route) + "!",
                                      3);
            if (game)
                game->announceTradeRoute(index, route, 0, false);
            // A route to a missing or destroyed covenant is not ended there:
            // the covenant drops its own record so the round makes progress.
            if (getRelationSubState(route) != static_cast<int>(TradeRoute::None))
                setRelationSubState(route, static_cast<int>(TradeRoute::None));
            continue;
        }

        stats.set(kMoney, saturateWide(static_cast<int64_t>(crystals) + delta));
        return;
    }
}
