// Items of a computer-run covenant: what it finds and loots, where it keeps
// it, what it sells, and what an item is worth to it in a deal.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/Random.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/data/Localization.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Actor.h"
#include "game/entities/Inventory.h"
#include "game/entities/Item.h"
#include "game/entities/Recruit.h"
#include "game/world/Game.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kStash = static_cast<int>(InventoryGroupIndex::Stash);
constexpr int kHouse = static_cast<int>(InventoryGroupIndex::House);
constexpr int kLoot = static_cast<int>(InventoryGroupIndex::Loot);
constexpr int kEquipment = static_cast<int>(InventoryGroupIndex::Equipment);

bool isRelic(const ItemBase* item)
{
    return item->getItemType() == ItemType::Relic;
}

// Relics, the three kept kinds and anything above normal go to the stash.
bool isStashable(const ItemBase* item)
{
    const int type = static_cast<int>(item->getItemType());
    return !item->isNoSale() && (isRelic(item) || type == 4 || type == 12 || type == 13 ||
                                 static_cast<int>(item->getRarity()) >= 1);
}

InventoryBase* recruitInventory(const Recruit* recruit)
{
    if (Actor* actor = recruit->getActor())
        return actor->getInventory();
    return recruit->inventory.get();
}

int saleFactorPrice(const ItemBase* item)
{
    const int p = item->getPrice(1);
    return static_cast<int>(std::floor(static_cast<float>(p) * lerpByLevel(static_cast<float>(p))));
}
} // namespace

bool ActorCovenant::findPlaceForItem(const ItemBase* item, bool stashAllowed, InventoryBase*& inventoryOut,
                                     int& group, int& slot) const
{
    inventoryOut = nullptr;
    group = -1;
    slot = -1;
    if (!item)
        return false;
    const int w = itemWorth(item);
    if (isRelic(item)) {
        const int relicSlot = findRelicSlot(item);
        if (relicSlot >= 0) {
            inventoryOut = inventory.get();
            group = kHouse;
            slot = relicSlot;
            return true;
        }
    }
    int bestWorth = 0;
    for (const auto& recruit : recruits) {
        InventoryBase* inv = recruit ? recruitInventory(recruit.get()) : nullptr;
        if (!inv)
            continue;
        const EquipedLocation location = inv->findEquipSlot(*item);
        if (location == EquipedLocation::None)
            continue;
        const int at = static_cast<int>(location);
        const ItemBase* there = inv->getItemAt(kEquipment, at);
        const int w2 = there ? itemWorth(there) : 0;
        if (w <= w2)
            continue;
        if (!there) {
            inventoryOut = inv;
            group = kEquipment;
            slot = at;
            return true;
        }
        if (!inventoryOut || w2 < bestWorth) {
            inventoryOut = inv;
            group = kEquipment;
            slot = at;
            bestWorth = w2;
        }
    }
    if (inventoryOut)
        return true;
    if (!stashAllowed || !isStashable(item))
        return false;
    const InventoryGroup* stash = inventory->getOwnGroup(kStash);
    for (int i = 0; stash && i < stash->getSize(); ++i) {
        const ItemBase* there = stash->getItem(i);
        if (!there) {
            inventoryOut = inventory.get();
            group = kStash;
            slot = i;
            return true;
        }
        const int w2 = itemWorth(there);
        if (w2 < w && (slot < 0 || w2 < bestWorth)) {
            slot = i;
            bestWorth = w2;
        }
    }
    if (slot < 0)
        return false;
    inventoryOut = inventory.get();
    group = kStash;
    return true;
}

int ActorCovenant::findRelicSlot(const ItemBase* relic) const
{
    const int slot = relicSlotToReplace();
    if (slot < 0 || !relic)
        return -1;
    const ItemBase* there = getHouseItem(slot);
    return itemWorth(relic) > (there ? itemWorth(there) : 0) ? slot : -1;
}

bool ActorCovenant::storeItem(ItemBase* item)
{
    if (!item)
        return false;
    InventoryBase* inv = nullptr;
    int group = -1;
    int slot = -1;
    if (!findPlaceForItem(item, true, inv, group, slot) || !inv->getSlot(group)) {
        sellItem(item);
        delete item;
        return false;
    }
    placeItem(item, inv, group, slot);
    return true;
}

void ActorCovenant::placeItem(ItemBase* item, InventoryBase* inv, int group, int slot)
{
    item->setKeptByCovenant(true);
    InventoryGroup* target = inv->getSlot(group);
    const bool own = inv == inventory.get();
    if (ItemBase* old = target->getItem(slot)) {
        if (own && group == kHouse && isRelic(old))
            removeRelicDisplay(slot);
        sellItem(old);
        target->destroyItemAt(slot);
        if (own && group == kStash)
            withdrawOffersWithStashItem(slot);
    }
    target->setItem(slot, item);
    inv->onItemChanged(group, slot);
    // A member's new equipment counts at once: the stone follows its health.
    if (auto* carrier = dynamic_cast<Inventory*>(inv); carrier && carrier->getSentient())
        carrier->getSentient()->updateStats(false);
    if (own && group == kHouse && isRelic(item))
        createRelicDisplay(item, slot);
    updateStats();
}

void ActorCovenant::sellItem(const ItemBase* item)
{
    if (!item)
        return;
    const DatabaseEntry* entry = item->getEntry();
    if (entry && entry->getType() == static_cast<int>(DatabaseEntryType::Money)) {
        addMoney(item->getAmount());
        return;
    }
    addMoney(static_cast<int>(std::floor(def().SellPercent * static_cast<float>(saleFactorPrice(item)))));
}

float ActorCovenant::getItemSaleValue(const ItemBase* item, bool stashRank) const
{
    const GameData* data = GameData::instance();
    if (!item || !data)
        return 0.0f;
    const GameRules& rules = data->rules();
    const float desirability = stashRank ? getStashRank(item) : getItemDesirability(item);
    const float w = static_cast<float>(itemWorth(item));
    const float p = static_cast<float>(rules.minSellPercentPrice);
    const float s = w >= p || p <= 0.0f
                        ? rules.minSellPercent
                        : rules.maxSellPercent - (rules.maxSellPercent - rules.minSellPercent) * w / p;
    return (rules.tradeAdditionPercent * desirability + s) * w;
}

float ActorCovenant::getItemDesirability(const ItemBase* item) const
{
    InventoryBase* inv = nullptr;
    int group = -1;
    int slot = -1;
    if (!findPlaceForItem(item, false, inv, group, slot))
        return 0.0f;
    const ItemBase* old = inv->getItemAt(group, slot);
    if (!old)
        return 1.0f;
    const float newPrice = static_cast<float>(item->getPrice(1));
    const float oldPrice = static_cast<float>(old->getPrice(1));
    if (newPrice <= 0.0f || newPrice <= oldPrice || oldPrice <= 0.0f)
        return newPrice > 0.0f && oldPrice <= 0.0f && newPrice > oldPrice ? 1.0f : 0.0f;
    return std::min(1.0f, newPrice / oldPrice - 1.0f);
}

float ActorCovenant::getStashRank(const ItemBase* item) const
{
    const InventoryGroup* stash = inventory->getOwnGroup(kStash);
    const int m = stash ? stash->getSize() : 0;
    if (m <= 0 || !item)
        return 0.0f;
    const int w = itemWorth(item);
    int k = 0;
    for (int i = 0; i < m; ++i) {
        const ItemBase* other = stash->getItem(i);
        if (other && other != item && itemWorth(other) < w)
            ++k;
    }
    return static_cast<float>(k + 1) / static_cast<float>(m);
}

int ActorCovenant::pickStashItemForTrade() const
{
    const InventoryGroup* stash = inventory->getOwnGroup(kStash);
    const int count = stash ? stash->countItems() : 0;
    if (count <= 0)
        return -1;
    int k = std::min(count - 1, static_cast<int>(randomFloat(0) * static_cast<float>(count)));
    for (int i = 0; i < stash->getSize(); ++i) {
        if (stash->getItem(i) && k-- == 0)
            return i;
    }
    return -1;
}

InventoryGroup* ActorCovenant::getInventoryGroup(int group)
{
    return inventory->getOwnGroup(group == kLoot ? kStash : group);
}

ItemBase* ActorCovenant::getItemAt(int, int slot) const
{
    return getItem(kStash, slot);
}

std::unique_ptr<ItemBase> ActorCovenant::removeTradeItem(int, int slot)
{
    InventoryGroup* stash = inventory->getOwnGroup(kStash);
    if (!stash || slot < 0 || slot >= stash->getSize() || !stash->getItem(slot))
        return nullptr;
    std::unique_ptr<ItemBase> item(stash->releaseItem(slot));
    inventory->updateBagGroups();
    withdrawOffersWithStashItem(slot);
    return item;
}

void ActorCovenant::receiveItem(std::unique_ptr<ItemBase> item)
{
    storeItem(item.release());
}

void ActorCovenant::withdrawOffersWithStashItem(int slot)
{
    const Game* game = Game::instance();
    for (int i = 0; game && i < game->getCovenantCount() && i < kMaxCovenants; ++i) {
        const PendingOffer& pending = pendingOffers[static_cast<size_t>(i)];
        const bool promised =
            std::any_of(pending.offer.terms.begin(), pending.offer.terms.end(), [&](const TradeTerm& t) {
                int group = 0;
                int at = 0;
                TradeTerm::readItemPlace(t.value, group, at);
                return t.kind == static_cast<int>(TradeTermKind::TermItem) && t.side == 0 && at == slot;
            });
        if (promised)
            withdrawOffer(game->getCovenant(i), false);
    }
}

void ActorCovenant::announceFoundUniqueItem(const ItemBase* item) const
{
    Game* game = Game::instance();
    if (!item || !game || static_cast<int>(item->getRarity()) < 5)
        return;
    game->sendGameMessage(wrapText("CovenantFoundUniqueItem", "%s %s",
                                   game->getCovenantColoredName(index).c_str(),
                                   item->getDisplayName(true).c_str()),
                          3);
}

void ActorCovenant::gainRandomItems(Sentient* finder, const CovenantReward* reward, int rewardLevel)
{
    if (!reward)
        return;
    if (!finder)
        finder = getLeader();
    if (!finder)
        return;
    if (reward->experience) {
        const World* world = World::instance();
        finder->awardExperience(world ? world->getLevelMonsterLevel(rewardLevel) : 1, 0, 1.0f);
        return;
    }
    if (!(reward->chance >= randomFloat(0)))
        return;
    const SpawnSystem* spawns = SpawnSystem::instance();
    if (!spawns)
        return;
    const Game* game = Game::instance();
    const int n =
        SpawnSystem::rollExtraCount(reward->minimum, reward->maximum,
                                    static_cast<float>(finder->getStat(toIndex(CharacterStat::ItemsChance))));
    for (int i = 0; i < n; ++i) {
        const int itemLevel = finder->getStat(toIndex(CharacterStat::Level)) + reward->levelBonus;
        std::unique_ptr<Item> item =
            spawns->createRandomItem(itemLevel, finder->getStat(toIndex(CharacterStat::MagicChance)), -1, -1,
                                     -1.0f, -1, false, 0, reward->itemKind, ItemRarity::Normal);
        if (!item)
            continue;
        announceFoundUniqueItem(item.get());
        if (game && game->isPlayerTargetingCovenant(this))
            sellItem(item.get());
        else
            storeItem(item.release());
    }
}

void ActorCovenant::takeLootFromActor(Actor* victim)
{
    if (!victim)
        return;
    InventoryBase* inv = victim->getInventory();
    InventoryGroup* loot = inv ? inv->getSlot(kLoot) : nullptr;
    if (!loot)
        return;
    const Game* game = Game::instance();
    const bool talking = game && game->isPlayerTargetingCovenant(this);
    for (int i = 0; i < loot->getSize(); ++i) {
        ItemBase* item = loot->getItem(i);
        if (!item)
            continue;
        announceFoundUniqueItem(item);
        if (talking) {
            sellItem(item);
            continue;
        }
        // An item with no place is sold and stays in the loot for others.
        InventoryBase* place = nullptr;
        int group = -1;
        int slot = -1;
        if (!findPlaceForItem(item, true, place, group, slot) || !place->getSlot(group)) {
            sellItem(item);
            continue;
        }
        placeItem(loot->releaseItem(i), place, group, slot);
    }
    inv->updateBagGroups();
}

void ActorCovenant::offerToBuyItem(Covenant* player)
{
    Sentient* leader = player ? player->getLeader() : nullptr;
    InventoryBase* inv = leader ? leader->getInventory() : nullptr;
    if (!inv)
        return;
    const float advantage = def().TradeAdvantage;
    for (int pass = 0; pass < 2; ++pass) {
        const bool remembered = lastProposalGroup >= 0;
        int startGroup = remembered ? lastProposalGroup : static_cast<int>(InventoryGroupIndex::Bag1);
        int startSlot = remembered ? lastProposalSlot + 1 : 0;
        for (int group = startGroup; group <= static_cast<int>(InventoryGroupIndex::Bag4); ++group) {
            const InventoryGroup* g = inv->getSlot(group);
            for (int slot = group == startGroup ? startSlot : 0; g && slot < g->getSize(); ++slot) {
                const ItemBase* item = g->getItem(slot);
                if (!item || !isStashable(item))
                    continue;
                // The item given by the player (side 1 as this covenant weighs
                // offers: the player's bag place, not this covenant's own).
                TradeOffer offer;
                offer.addEntry(static_cast<int>(TradeTermKind::TermItem), TradeTerm::itemPlace(group, slot),
                               1);
                const int answer = completeOffer(offer, player, advantage);
                if (answer != static_cast<int>(CovenantResponse::OfferGood) || offer.terms.size() != 2 ||
                    offer.terms[1].kind != static_cast<int>(TradeTermKind::TermGold))
                    continue;
                const float floorPrice = std::ceil(static_cast<float>(saleFactorPrice(item)) /
                                                   (advantage != 0.0f ? advantage : 1.0f));
                if (!(static_cast<float>(offer.terms[1].value) > floorPrice))
                    continue;
                lastProposalGroup = group;
                lastProposalSlot = slot;
                // Handed to the player as an offer of its own for it to
                // complete: its side first, the suggestion filling its trade.
                offer.swapSides();
                offer.type = 3;
                player->receiveOfferResult(this, offer, false, static_cast<int>(CovenantResponse::OfferGood));
                return;
            }
        }
        if (!remembered)
            break;
        lastProposalGroup = -1;
        lastProposalSlot = -1;
    }
    // Nothing to suggest: say so on the trade page rather than leave both
    // sides of the offer empty without a word.
    player->sendDiplomacyResult(this, static_cast<int>(CovenantResponse::NoTradePossible));
}
