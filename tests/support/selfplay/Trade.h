#pragma once

// Errands and trade: in the town now and then the player goes round the
// givers of quests it can finish and a vendor, whose window it buys from (a
// scroll of return, better gear, potions) and sells to.
#include "support/selfplay/Part.h"

#include <functional>
#include <set>
#include <utility>
#include <vector>

class ItemBase;
class Vendor;

namespace selfplay {

class Trade : public Part {
public:
    explicit Trade(Bot& bot);

    // The errands planned now and then (and when asked) are run: true while
    // there are some.
    bool errands(Figures& figures);
    // Walks up to the errand's NPC by clicking it; its window opens and the
    // player takes a quest or trades through the window's buttons.
    void runErrand(Figures& figures);
    void nextErrand();
    // The errands are dropped and the windows closed.
    void dropErrands();
    // Errands are planned at the next chance (back from the dead).
    void planErrandsNow() { m_planErrands = true; }
    bool hasErrands() const { return !m_errands.empty(); }
    size_t errandCount() const { return m_errands.size(); }
    // When the last errands were planned for the next time.
    int nextErrandsAt() const { return m_nextErrands; }
    // A vendor's window is being traded in.
    bool trading() const { return m_tradeStage != 0; }

    // The windows of an errand the player left are closed: a click on the
    // ground.
    void closeWindows();

    // In a vendor's talk window, its "Buy and sell" button clicked: true when
    // such a window was up; `lost` when it had no button (a fault, named
    // after `who`).
    bool clickBuyAndSell(const char* who, bool& lost);

private:
    // The nearest quest giver and vendor of the player's level, in that order.
    void planErrands();

    // A vendor's window starts from nothing bought or sold.
    void startTrade();

    // The vendor's window: purchases (a right click on its goods), then
    // sales (a bag item dropped on the vendor's goods), more than one while
    // the bags have little room.
    void trade(Vendor& vendor, Figures& figures);

    // The first bag item that may be sold, a healing potion last; not one
    // the player is yet to put on.
    std::pair<int, int> sellableItem() const;

    // An item of the vendor's goods (not one it buys back) the player can
    // pay for.
    bool affordableAt(const Vendor& vendor, int slot, const ItemBase* item) const;

    // The vendor's goods hold something wanted that the player can pay for
    // (something better to wear, a scroll of return).
    bool sellsAffordable(const Vendor& vendor, const std::function<bool(const ItemBase&)>& wanted) const;

    // A piece of the vendor's goods the player can pay for: a scroll of
    // return, then something better to wear or wield. With `anything` (the
    // visit's first purchase), a potion when it has few before those, and
    // else the first it can pay for.
    int affordableSlot(Vendor& vendor, bool anything) const;

    bool m_planErrands = true;
    int m_nextErrands = 0;
    std::vector<int> m_errands;
    size_t m_errandGivers = 0; // the errands at the front that are for quests
    int m_errandUntil = 0;
    int m_tradeStage = 0;
    int m_tradeTries = 0;
    bool m_buyAfterSale = false;
    int m_buysHere = 0;               // purchases at this vendor
    int m_salesHere = 0;              // sales after the first there
    std::set<int> m_placesBoughtHere; // the places worn that they are for
    std::set<int> m_vendorsSeen;      // vendors whose goods it has been to see
    int m_fundsBefore = -1;
};

} // namespace selfplay
