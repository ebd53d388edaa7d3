#include "support/selfplay/Loot.h"

#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/ItemData.h"
#include "game/entities/Chest.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/quests/Quest.h"
#include "support/selfplay/Bot.h"

#include <algorithm>

namespace selfplay {

Loot::Loot(Bot& bot) : Part(bot) {}

int Loot::wantedNear(bool homeward) const
{
    return m_bot.push.pushing() || homeward ? -1
                                            : nearest([&](Entity* e) { return isWantedLoot(e); }, 320.0f);
}

bool Loot::pickUp(bool homeward, int wanted)
{
    // With its bags full the rest would stay where it lies: not worth
    // the walk.
    const bool bagsHaveRoom = m_ctx.freeBagPlaces() > 0;
    const int loot = m_bot.push.pushing() || homeward ? -1
                     : wanted >= 0
                         ? wanted
                         : nearest(
                               [&](Entity* e) {
                                   const auto* lying = dynamic_cast<ItemGround*>(e);
                                   return lying && !leftAlone(m_ignoredLoot, e->getEntityNumber()) &&
                                          (bagsHaveRoom || takenWithoutRoom(*lying));
                               },
                               320.0f);
    if (loot >= 0 && m_loot == loot && frame() - m_lootSince >= 200) {
        // Out of reach (across a wall) or no room in the bags: left
        // alone for a while.
        trace("leaves loot it cannot take");
        m_ignoredLoot[loot] = frame() + 10 * kFramesPerMinute;
        m_loot = -1;
        groundClick();
        return true;
    }
    if (loot >= 0 && m_loot != loot) {
        m_bot.trade.closeWindows();
        m_loot = loot;
        m_lootSince = frame();
        mirror()->selectEntity(mirrorOf(loot));
        return true;
    }
    if (loot >= 0 && frame() - m_lootSince < 200) {
        // A click that did not take (the item still fading in, a fight
        // between, a window that held the player) is made again.
        if (!stillClicked(mirrorOf(loot))) {
            mirror()->selectEntity(mirrorOf(loot));
        }
        m_ctx.branch = "loot";
        return true;
    }
    m_loot = -1;
    return false;
}

std::array<int, 4> Loot::carried() const
{
    int items = 0;
    InventoryBase* inventory = player()->getInventory();
    for (int group = kMain; inventory && group <= kBag4; ++group) {
        const InventoryGroup* places = inventory->getOwnGroup(group);
        for (int slot = 0; places && slot < places->getSize(); ++slot) {
            const ItemBase* item = inventory->getItemAt(group, slot);
            items += item ? std::max(1, item->getQuantity()) : 0;
        }
    }
    int progress = 0;
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        const Quest* quest = player()->getQuest(slot);
        progress += quest && quest->isInUse() ? quest->progress : 0;
    }
    return {player()->getStat(kMoney), -player()->getStat(toIndex(CharacterStat::XpDebt)), items, progress};
}

void Loot::count(Figures& figures)
{
    Game& game = Game::get();
    // Loot is counted when it reached the player: its money, its bags (a
    // stack grown), a quest it counts for or, its death's stone, its debt
    // of experience paid; not when it went to someone else or faded.
    if (m_loot >= 0 && !game.getEntity(m_loot)) {
        const std::array<int, 4> now = carried();
        bool reached = false;
        for (size_t i = 0; i < now.size(); ++i) {
            reached = reached || now[i] > m_carriedBefore[i];
        }
        figures.looted += reached ? 1 : 0;
        m_loot = -1;
    } else if (m_loot >= 0) {
        m_carriedBefore = carried();
    }
    if (m_chest >= 0) {
        const auto* chest = dynamic_cast<const Chest*>(game.getEntity(m_chest));
        if (!chest || !chest->isClosed()) {
            ++figures.chestsOpened;
            ++m_chestsOpened;
            trace("opened a chest");
            m_chest = -1;
        }
    }
}

bool Loot::takenWithoutRoom(const ItemGround& lying) const
{
    const Item* item = lying.getGroundItem();
    return item && (item->getEntryType() == kEntryTypeMoney || item->getOwner() == player());
}

bool Loot::isWantedLoot(Entity* e) const
{
    const auto* lying = dynamic_cast<ItemGround*>(e);
    const Item* item = lying && !lying->isItemTaken() ? lying->getGroundItem() : nullptr;
    if (!item || leftAlone(m_ignoredLoot, e->getEntityNumber())) {
        return false;
    }
    const DatabaseEntry* entry = item->getLinkedEntry() ? item->getLinkedEntry() : item->getItemEntry();
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        Quest* quest = player()->getQuest(slot);
        if (quest && quest->isInUse() && !quest->isComplete() && quest->isQuestItem(entry)) {
            return true;
        }
    }
    return false;
}

bool Loot::openChest()
{
    // Until it has opened one, a closed chest anywhere on its level is
    // sought out; after, those it passes near.
    const bool seek = m_chestsOpened == 0;
    const int chest = nearest(
        [&](Entity* e) {
            const auto* candidate = dynamic_cast<const Chest*>(e);
            return candidate && candidate->isClosed() && !leftAlone(m_ignoredChests, e->getEntityNumber());
        },
        seek ? 1.0e9f : 400.0f, !seek);
    const bool resumed = frame() - m_chestSeenAt > 10; // other branches came between
    m_chestSeenAt = frame();
    if (chest < 0) {
        m_chest = -1;
        return false;
    }
    // Only the frames spent on the chest count, and they add up while
    // other choices come between.
    if (chest != m_chest) {
        trace("goes to open a chest");
        m_chestFrames = 0;
    } else if ((m_chestFrames += 10) >= (seek ? 4 * kFramesPerMinute : 400)) {
        trace("leaves a chest it cannot open");
        m_ignoredChests[chest] = frame() + 10 * kFramesPerMinute;
        m_chest = -1;
        groundClick();
        return false;
    }
    const ZonePosition& at = Game::get().getEntity(chest)->getPosition();
    if (!mirrorOf(chest) || distance(at, player()->getPosition()) > 400.0f) {
        m_chest = chest;
        m_bot.walker.walkTo(at);
        return true;
    }
    if (chest != m_chest || resumed) {
        m_bot.trade.closeWindows();
        m_chest = chest;
        mirror()->selectEntity(mirrorOf(chest));
    } else if (!stillClicked(mirrorOf(chest))) {
        mirror()->selectEntity(mirrorOf(chest));
    }
    return true;
}

} // namespace selfplay
