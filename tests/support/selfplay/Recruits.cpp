#include "support/selfplay/Recruits.h"

#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Vendor.h"
#include "support/selfplay/Bot.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIWidget.h"

#include <cmath>

namespace selfplay {

namespace {
constexpr int kHouse = toIndex(InventoryGroupIndex::House);
} // namespace

Recruits::Recruits(Bot& bot) : Part(bot) {}

void Recruits::count(Figures& figures)
{
    if (m_recruitAskedAt >= 0 && frame() - m_recruitAskedAt >= 20) {
        const Covenant* own = player()->getCovenant();
        figures.recruits += own && own->getRecruitCount() > m_recruitsBefore ? 1 : 0;
        m_recruitAskedAt = -1;
        groundClick();
    }
}

bool Recruits::recruitSomeone()
{
    const Covenant* own = player()->getCovenant();
    if (!own || !own->hasRoomForRecruit()) {
        return false;
    }
    if (m_recruit < 0 || frame() > m_recruitUntil) {
        if (m_recruit >= 0) {
            m_recruitTried.insert(m_recruit);
        }
        // A would-be recruit anywhere on the level: a click on it walks
        // up and opens its recruit window beside its talk.
        m_recruit = nearest(
            [&](Entity* e) {
                auto* actor = dynamic_cast<Actor*>(e);
                return actor && actor->isAlive() && actor->getNpcType() == toIndex(NpcType::Recruit) &&
                       PlayerCovenant::isRecruitCandidate(*player(), actor) &&
                       !m_recruitTried.contains(e->getEntityNumber());
            },
            1.0e9f, false);
        m_recruitUntil = frame() + 3 * kFramesPerMinute / 2;
        if (m_recruit < 0) {
            return false;
        }
        trace(formatString("goes to recruit %d", m_recruit).c_str());
    }
    auto* npc = dynamic_cast<Actor*>(Game::get().getEntity(m_recruit));
    if (!npc || !npc->isAlive() || npc->getCovenant() ||
        npc->getPosition().zone != player()->getPosition().zone) {
        m_recruitTried.insert(m_recruit);
        m_recruit = -1;
        return false;
    }
    // The window of this person, not one left open by the last.
    if (menuShown("Recruit") && mirror()->getTarget(false) == mirrorOf(m_recruit) && mirror()->action == 24) {
        if (!clickWidget(shownWidget("Recruit::ToCovenant"))) {
            fault() << "the recruit window has no ToCovenant button";
        }
        trace("recruits");
        m_recruitTried.insert(m_recruit);
        m_recruit = -1;
        m_recruitsBefore = own->getRecruitCount();
        m_recruitAskedAt = frame();
        return true;
    }
    if (!mirrorOf(m_recruit) || distance(npc->getPosition(), player()->getPosition()) > 300.0f) {
        m_bot.walker.walkTo(npc->getPosition());
        return true;
    }
    if (mirror()->getTarget(false) != mirrorOf(m_recruit) || mirror()->action == PlayerClient::kActionNone) {
        mirror()->selectEntity(mirrorOf(m_recruit));
    }
    return true;
}

bool Recruits::hireGuard(Figures& figures)
{
    Covenant* own = player()->getCovenant();
    if (!own || frame() < m_nextGuardLook) {
        return false;
    }
    if (m_guardLaid >= 0) {
        // The server takes the contract with the next state.
        if (own->getGuard(m_guardLaid)) {
            ++figures.guards;
            trace(formatString("hires a guard at place %d", m_guardLaid).c_str());
        } else if (frame() <= m_guardUntil) {
            return true;
        } else {
            trace("its guard contract was not taken");
        }
        m_guardLaid = -1;
        endGuardHire();
        return true;
    }
    const int place = freeGuardPlace(*own);
    const int here = player()->getPosition().zone;
    if (m_guardStage == 0) {
        if (place < 0 || own->housePosition.zone != here) {
            return false;
        }
        if (carriedContract().first >= 0) {
            m_guardStage = 2;
        } else {
            m_guardVendor = nearest(
                [&](Entity* e) {
                    auto* v = dynamic_cast<Vendor*>(e);
                    // A vendor no one has traded with yet shows its
                    // goods only once visited.
                    return v && v->isAlive() && v->isGuardVendor() &&
                           (contractSlot(*v, *own) >= 0 ||
                            (notStocked(*v) && own->stats.get(toIndex(CovenantStat::Money)) > 0));
                },
                1.0e9f, false);
            if (m_guardVendor < 0) {
                m_nextGuardLook = frame() + kFramesPerMinute;
                return false;
            }
            m_guardStage = 1;
            trace(formatString("goes to buy a guard contract (%d crystals)",
                               own->stats.get(toIndex(CovenantStat::Money)))
                      .c_str());
        }
        m_guardTries = 0;
        m_guardUntil = frame() + 2 * kFramesPerMinute;
    }
    if (place < 0 || own->housePosition.zone != here || frame() > m_guardUntil) {
        trace("guard hiring given up");
        endGuardHire();
        return false;
    }
    return m_guardStage == 1 ? buyContract(*own) : layContract(*own, place);
}

void Recruits::endGuardHire()
{
    m_guardStage = 0;
    m_guardVendor = -1;
    m_nextGuardLook = frame() + 5 * kFramesPerMinute;
    groundClick();
}

bool Recruits::buyContract(Covenant& own)
{
    auto* vendor = dynamic_cast<Vendor*>(Game::get().getEntity(m_guardVendor));
    if (!vendor || !vendor->isAlive() || vendor->getPosition().zone != player()->getPosition().zone) {
        endGuardHire();
        return false;
    }
    if (carriedContract().first >= 0) {
        trace("bought a guard contract");
        m_guardStage = 2;
        m_guardTries = 0;
        groundClick();
        return true;
    }
    EntityClient* clickable = mirrorOf(m_guardVendor);
    if (!menuShown("Vendor")) {
        bool lost = false;
        if (m_bot.trade.clickBuyAndSell("the guard vendor", lost)) {
            if (lost) {
                endGuardHire();
            }
        } else if (!clickable || distance(vendor->getPosition(), player()->getPosition()) > 400.0f) {
            m_bot.walker.walkTo(vendor->getPosition());
        } else if (mirror()->getTarget(false) != clickable || mirror()->action == PlayerClient::kActionNone) {
            mirror()->selectEntity(clickable);
        }
        return true;
    }
    // The goods arrive with the state after the window opens.
    const int slot = contractSlot(*vendor, own);
    if (++m_guardTries > 4 || slot < 0) {
        trace("no guard contract bought");
        endGuardHire();
        return false;
    }
    if (!clickWidget(shownWidget(formatString("Vendor::Stock%d", slot)), 1)) {
        fault() << "the guard vendor's window shows no goods place " << slot;
        endGuardHire();
    }
    return true;
}

bool Recruits::layContract(Covenant& own, int place)
{
    const auto [group, slot] = carriedContract();
    Entity* pedestal = own.getPedestal(0);
    if (group < 0 || !pedestal || pedestal->getPosition().zone != player()->getPosition().zone ||
        ++m_guardTries > 60) {
        trace("no guard contract laid down");
        endGuardHire();
        return false;
    }
    if (!menuShown("House")) {
        EntityClient* clickable = mirrorOf(pedestal->getEntityNumber());
        if (!clickable || distance(pedestal->getPosition(), player()->getPosition()) > 300.0f) {
            m_bot.walker.walkTo(pedestal->getPosition());
        } else if (mirror()->getTarget(false) != clickable || mirror()->action == PlayerClient::kActionNone) {
            mirror()->selectEntity(clickable);
        }
        return true;
    }
    const std::string bag = formatString("bag%d", group - kBag1);
    if (!menuShown(bag.c_str())) {
        if (!clickWidget(shownWidget(formatString("Inventory::Bag%d", group - kBag1)), 1)) {
            fault() << "the House window shows no inventory to open " << bag << " from";
            endGuardHire();
        }
        return true;
    }
    UIItemSlot* from = findSlot(bag.c_str(), group, slot);
    UIWidget* to = shownWidget(formatString("House::Guard%d", place));
    if (!from || !to) {
        fault() << "the House window has no guard place " << place << " or " << bag << " no place " << slot;
        endGuardHire();
        return false;
    }
    clickWidget(from);
    clickWidget(to);
    m_guardLaid = place;
    m_guardUntil = frame() + 40;
    return true;
}

int Recruits::freeGuardPlace(const Covenant& own) const
{
    // The House window shows the player's own House group. A contract whose
    // guard died hires no one: a live one laid on it takes its place, and
    // the dead one comes back to the bag.
    InventoryBase* inventory = player()->getInventory();
    for (int place = 0; inventory && place < Covenant::kGuardSlots; ++place) {
        const ItemBase* item = inventory->getItemAt(kHouse, place);
        if ((!item || isDeadContract(*item)) && !own.getGuard(place)) {
            return place;
        }
    }
    return -1;
}

bool Recruits::isDeadContract(const ItemBase& item)
{
    return item.getItemType() == ItemType::Guard && item.hasBrokenFree();
}

std::pair<int, int> Recruits::carriedContract() const
{
    return m_ctx.findInBags(
        [](const ItemBase& item) { return item.getItemType() == ItemType::Guard && !isDeadContract(item); });
}

bool Recruits::notStocked(Vendor& vendor)
{
    for (int slot = 0; slot < Vendor::kSlotCount; ++slot) {
        if (vendor.getStockItem(slot)) {
            return false;
        }
    }
    return true;
}

int Recruits::contractSlot(Vendor& vendor, const Covenant& own)
{
    const int crystals = own.stats.get(toIndex(CovenantStat::Money));
    for (int slot = 0; slot < Vendor::kSlotCount; ++slot) {
        const ItemBase* item = vendor.getStockItem(slot);
        if (item && item->getItemType() == ItemType::Guard && !vendor.isBuyBackSlot(slot) &&
            std::floor(item->getPrice(1) * static_cast<double>(vendor.getSlotPriceFactor(slot))) <=
                static_cast<double>(crystals)) {
            return slot;
        }
    }
    return -1;
}

} // namespace selfplay
