#include "support/selfplay/Trade.h"

#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/ItemData.h"
#include "game/entities/Vendor.h"
#include "support/selfplay/Bot.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>

namespace selfplay {

Trade::Trade(Bot& bot) : Part(bot) {}

bool Trade::errands(Figures& figures)
{
    // In the town now and then: the givers and the vendor again.
    if (player()->getPosition().zone == 0 && frame() >= m_nextErrands) {
        m_planErrands = true;
    }
    if (m_planErrands) {
        m_planErrands = false;
        m_nextErrands = frame() + 4 * kFramesPerMinute;
        planErrands();
    }
    if (!m_errands.empty()) {
        runErrand(figures);
        return true;
    }
    return false;
}

void Trade::dropErrands()
{
    m_errands.clear();
    m_errandGivers = 0;
    groundClick();
}

void Trade::closeWindows()
{
    if (!m_errands.empty() || m_tradeStage != 0) {
        return;
    }
    for (const char* name : {"Buy-sell", "VendorMenu", "VendorMenuWithQuests", "GetQuest", "QuestNpcMenu"}) {
        if (menuShown(name)) {
            groundClick();
            return;
        }
    }
}

void Trade::planErrands()
{
    Game& game = Game::get();
    // The givers of quests it can finish, nearest first; without any,
    // the giver of the best other one.
    const int free = Player::kQuestSlots - player()->countQuests();
    std::vector<int> givers;
    for (int rank = 3; rank >= 1 && givers.empty() && free > 0; --rank) {
        for (;;) {
            const int giver = nearest(
                [&](Entity* e) {
                    auto* actor = dynamic_cast<Actor*>(e);
                    if (!actor || !actor->isAlive() || !Quests::canTalk(*actor) ||
                        player()->isEnemyOf(actor) ||
                        std::find(givers.begin(), givers.end(), e->getEntityNumber()) != givers.end()) {
                        return false;
                    }
                    for (int id : game.collectQuestsOfferedBy(actor)) {
                        if (m_bot.quests.questRank(id) >= rank) {
                            return true;
                        }
                    }
                    return false;
                },
                1.0e9f, false);
            if (giver < 0 || (rank < 2 && !givers.empty()) || static_cast<int>(givers.size()) >= free) {
                break;
            }
            givers.push_back(giver);
        }
    }
    // Without a scroll of return, the vendor who sells one it can pay for
    // (a raid may find it far from home); else the nearest vendor, unless
    // another sells something better to wear than the player wears, or has
    // not been seen yet.
    const auto shop = [&](Entity* e) {
        auto* v = dynamic_cast<Vendor*>(e);
        return v && v->isAlive() && !v->isGuardVendor() && !v->isGambler();
    };
    int vendor =
        m_ctx.carriedScroll().first >= 0
            ? -1
            : nearest(
                  [&](Entity* e) {
                      return shop(e) && sellsAffordable(*static_cast<Vendor*>(e), Context::isReturnScroll);
                  },
                  1.0e9f, false);
    if (vendor < 0) {
        vendor = nearest(
            [&](Entity* e) {
                return shop(e) &&
                       (sellsAffordable(*static_cast<Vendor*>(e),
                                        [&](const ItemBase& item) { return m_bot.gear.isUpgrade(item); }) ||
                        !m_vendorsSeen.contains(e->getEntityNumber()));
            },
            1.0e9f, false);
    }
    vendor = vendor >= 0 ? vendor : nearest(shop, 1.0e9f, false);
    if (vendor >= 0) {
        m_vendorsSeen.insert(vendor);
    }
    m_errands = givers;
    m_errandGivers = givers.size();
    if (vendor >= 0) {
        m_errands.push_back(vendor);
    }
    m_errandUntil = frame() + 2 * kFramesPerMinute;
    startTrade();
}

void Trade::startTrade()
{
    m_tradeStage = 0;
    m_tradeTries = 0;
    m_buysHere = 0;
    m_salesHere = 0;
    m_placesBoughtHere.clear();
    m_buyAfterSale = false;
}

void Trade::nextErrand()
{
    m_bot.quests.leaveGiver();
    m_errandGivers -= m_errandGivers > 0 ? 1 : 0;
    if (!m_errands.empty()) {
        m_errands.erase(m_errands.begin());
    }
    startTrade();
    m_errandUntil = frame() + 2 * kFramesPerMinute;
    groundClick();
}

void Trade::runErrand(Figures& figures)
{
    const int number = m_errands.front();
    auto* npc = dynamic_cast<Actor*>(Game::get().getEntity(number));
    if (!npc || !npc->isAlive() || npc->getPosition().zone != player()->getPosition().zone ||
        frame() > m_errandUntil) {
        trace("errand given up");
        nextErrand();
        return;
    }
    if (!mirrorOf(number) || distance(npc->getPosition(), player()->getPosition()) > 400.0f) {
        // Out of sight across the level: walked up to first.
        m_bot.walker.walkTo(npc->getPosition());
        return;
    }
    // A vendor is asked for its quests first when it gives any (a
    // smith), then traded with.
    if (auto* vendor = dynamic_cast<Vendor*>(npc); vendor && m_errandGivers == 0) {
        trade(*vendor, figures);
    } else {
        m_bot.quests.takeQuest(*npc);
    }
}

bool Trade::clickBuyAndSell(const char* who, bool& lost)
{
    if (!menuShown("VendorMenu") && !menuShown("VendorMenuWithQuests")) {
        return false;
    }
    const char* button =
        menuShown("VendorMenu") ? "VendorMenu::BuyAndSell" : "VendorMenuWithQuests::BuyAndSell";
    lost = !clickWidget(shownWidget(button));
    if (lost) {
        fault() << who << "'s window has no " << button << " button";
    }
    return true;
}

void Trade::trade(Vendor& vendor, Figures& figures)
{
    EntityClient* clickable = mirrorOf(vendor.getEntityNumber());
    if (!menuShown("Vendor")) {
        bool lost = false;
        if (clickBuyAndSell("the vendor", lost)) {
            if (lost) {
                nextErrand();
            }
            return;
        }
        if (mirror()->getTarget(false) != clickable || mirror()->action == PlayerClient::kActionNone) {
            mirror()->selectEntity(clickable);
        }
        return;
    }
    bool bought = false;
    bool sold = false;
    if (m_fundsBefore >= 0) {
        if (m_tradeStage == 1 && money() < m_fundsBefore) {
            ++figures.bought;
            bought = true;
        } else if (m_tradeStage == 3 && money() > m_fundsBefore) {
            ++figures.sold;
            sold = true;
        }
        m_fundsBefore = -1;
    }
    switch (m_tradeStage) {
    case 0:
        ++m_tradeStage; // the goods arrive with the next state
        break;
    case 1: {
        // A right click on the goods buys; after a purchase that went
        // through, what else it wants, three at most. With the bags full
        // a purchase that needs a place of its own (anything but a potion
        // while it carries potions to stack it on) waits for a sale to
        // make room: the server refuses it otherwise.
        const bool more = m_buysHere < 3 && (m_buysHere == 0 || bought || m_buyAfterSale);
        const int slot = more ? affordableSlot(vendor, m_buysHere == 0) : -1;
        const ItemBase* item = slot >= 0 ? vendor.getStockItem(slot) : nullptr;
        const bool stacks = item && Context::isHealingPotion(*item) && !m_ctx.carriedPotions().empty();
        if (item && !stacks && !m_buyAfterSale && m_ctx.freeBagPlaces() == 0) {
            m_buyAfterSale = true;
            m_tradeStage = 2;
            break;
        }
        m_buyAfterSale = false;
        UIWidget* goods = item ? shownWidget(formatString("Vendor::Stock%d", slot)) : nullptr;
        if (!goods) {
            ++m_tradeStage;
            break;
        }
        trace(formatString("buys %s (%d) with %d", item->getName().c_str(), item->getPrice(1), money())
                  .c_str());
        m_fundsBefore = money();
        clickWidget(goods, 1);
        ++m_buysHere;
        if (const EquipedLocation place = player()->getInventory()->findEquipSlot(*item);
            place != EquipedLocation::None) {
            m_placesBoughtHere.insert(toIndex(place));
        }
        break;
    }
    case 2: {
        // A bag item taken up and let go on the goods sells; its bag's
        // window opens first, with the next frame.
        const auto [group, slot] = sellableItem();
        if (group < 0 || ++m_tradeTries > 5) {
            m_tradeStage = m_buyAfterSale ? 1 : 4;
            break;
        }
        const std::string bag = formatString("bag%d", group - kBag1);
        if (!menuShown(bag.c_str())) {
            clickWidget(shownWidget(formatString("Inventory::Bag%d", group - kBag1)), 1);
            break;
        }
        UIItemSlot* from = findSlot(bag.c_str(), group, slot);
        UIItemSlot* to = dynamic_cast<UIItemSlot*>(shownWidget("Vendor::Stock0"));
        if (from && to) {
            m_fundsBefore = money();
            clickWidget(from);
            clickWidget(to);
        }
        ++m_tradeStage;
        break;
    }
    case 3:
        // After a sale that made room, the purchase it waited for; else
        // more sales while the bags have little room for loot.
        if (m_buyAfterSale) {
            m_tradeStage = 1;
        } else if (sold && m_ctx.freeBagPlaces() < 4 && ++m_salesHere < 8) {
            m_tradeTries = 0;
            m_tradeStage = 2;
        } else {
            m_tradeStage = 4;
        }
        break;
    default:
        trace("traded");
        nextErrand();
        break;
    }
}

std::pair<int, int> Trade::sellableItem() const
{
    InventoryBase* inventory = player()->getInventory();
    std::pair<int, int> potion{-1, -1};
    for (int group = kBag1; inventory && group <= kBag4; ++group) {
        const InventoryGroup* items = inventory->getOwnGroup(group);
        for (int slot = 0; items && slot < items->getSize(); ++slot) {
            const ItemBase* item = inventory->getItemAt(group, slot);
            const DatabaseEntry* entry = item ? item->getItemEntry() : nullptr;
            // A guard contract is for the house, and only a guard
            // vendor takes it back.
            if (!entry || item->isNoSale() || item->getItemType() == ItemType::Guard ||
                Context::isReturnScroll(*item) || m_bot.gear.isUpgrade(*item)) {
                continue;
            }
            if (entry->getName().find("HealthPotion") == std::string::npos) {
                return {group, slot};
            }
            potion = potion.first < 0 ? std::make_pair(group, slot) : potion;
        }
    }
    return potion;
}

bool Trade::affordableAt(const Vendor& vendor, int slot, const ItemBase* item) const
{
    return item && !vendor.isBuyBackSlot(slot) &&
           item->getPrice(1) * static_cast<double>(vendor.getSlotPriceFactor(slot)) <=
               static_cast<double>(money());
}

bool Trade::sellsAffordable(const Vendor& vendor, const std::function<bool(const ItemBase&)>& wanted) const
{
    for (int slot = 0; slot < Vendor::kSlotCount; ++slot) {
        const ItemBase* item = vendor.getStockItem(slot);
        if (affordableAt(vendor, slot, item) && wanted(*item)) {
            return true;
        }
    }
    return false;
}

int Trade::affordableSlot(Vendor& vendor, bool anything) const
{
    InventoryBase* own = player()->getInventory();
    int fallback = -1;
    const bool fewPotions = m_ctx.carriedPotions().size() < 3;
    // One scroll of return lasts (it is read again and again): bought
    // before anything else.
    for (int slot = 0; m_ctx.carriedScroll().first < 0 && slot < Vendor::kSlotCount; ++slot) {
        const ItemBase* item = vendor.getStockItem(slot);
        if (affordableAt(vendor, slot, item) && Context::isReturnScroll(*item)) {
            return slot;
        }
    }
    // Of the better things to wear, the one that adds most to what the
    // player wears, one for each place a visit.
    int upgrade = -1;
    int most = 0;
    for (int slot = 0; own && slot < Vendor::kSlotCount; ++slot) {
        const ItemBase* item = vendor.getStockItem(slot);
        if (!affordableAt(vendor, slot, item)) {
            continue;
        }
        if (fewPotions && anything && Context::isHealingPotion(*item)) {
            return slot;
        }
        const EquipedLocation place = own->findEquipSlot(*item);
        if (m_bot.gear.isUpgrade(*item) && !m_placesBoughtHere.contains(toIndex(place))) {
            const ItemBase* worn = own->getItemAt(kEquipment, toIndex(place));
            const int gain = item->getPrice(1) - (worn ? worn->getPrice(1) : 0);
            if (upgrade < 0 || gain > most) {
                upgrade = slot;
                most = gain;
            }
        }
        fallback = fallback < 0 && anything ? slot : fallback;
    }
    return upgrade >= 0 ? upgrade : fallback;
}

} // namespace selfplay
