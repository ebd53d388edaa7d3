#include "ui/LiveClientView.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/ItemClient.h"
#include "client/mirrors/SkillClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "game/definitions/GameData.h"
#include "game/definitions/ItemBase.h"
#include "game/skills/SkillDefinition.h"

#include <iterator>

// The reads and requests of the item, skill and hot-bar slots.

namespace {

PlayerClient* player()
{
    const Client* client = Client::instance();
    return client ? client->getLocalPlayer() : nullptr;
}

// The game client's interface sounds, in its own order.
const char* const kGameSounds[] = {
    "SoundNameItemPickup",    "SoundNameQuestComplete", "SoundNameQuestFailed",       "SoundNameMessageAlert",
    "SoundNameInvalidAction", "SoundNameLostEffect",    "SoundNameBuyItem",           "SoundNameSellItem",
    "SoundNameUseSlot",       "SoundNameSkillIncrease", "SoundNameAttributeIncrease", "SoundNameWonGame",
    "SoundNameLostGame",
};

} // namespace

const ItemBase* LiveClientView::getCovenantItem(int group, int entry) const
{
    const Client* client = Client::instance();
    PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    return covenant && covenant->inventory ? covenant->inventory->getItemAt(group, entry) : nullptr;
}

int LiveClientView::getCovenantCounter(int index) const
{
    const Client* client = Client::instance();
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    return covenant ? covenant->stats.get(index) : 0;
}

bool LiveClientView::canPlaceItem(const ItemBase& item, int group, int entry, int slotType) const
{
    const PlayerClient* p = player();
    return p && item.canPlaceInSlot(p, group, entry, static_cast<ItemSlotType>(slotType));
}

bool LiveClientView::meetsItemRequirement(const ItemBase& item) const
{
    const PlayerClient* p = player();
    return p && p->meetsItemRequirement(item.getItemRequirement()) &&
           p->getItemHolderLevel() >= item.getMinLevel();
}

float LiveClientView::getItemTimerRemaining(const ItemBase& item) const
{
    const PlayerClient* p = player();
    return p ? p->getItemTimerRemaining(item.getInt("ItemTimer")) : 0.0f;
}

void LiveClientView::queueServerCommand(const std::string& line)
{
    if (Client* client = Client::instance()) {
        client->queueServerCommand(line);
    }
}

void LiveClientView::useItem(int group, int entry)
{
    PlayerClient* p = player();
    auto* item = p ? dynamic_cast<ItemClient*>(p->getItem(group, entry)) : nullptr;
    if (item) {
        ItemClient::use(*item, group, entry);
    }
}

void LiveClientView::playItemSound(const ItemBase& item)
{
    if (const auto* own = dynamic_cast<const ItemClient*>(&item)) {
        ItemClient::playSound(*own);
    }
}

void LiveClientView::addUseHint(const std::string& entryName)
{
    if (PlayerClient* p = player()) {
        p->addUseHint(entryName);
    }
}

std::string LiveClientView::getItemTooltip(const ItemBase& item, const TooltipContext& context) const
{
    std::string out;
    if (const PlayerClient* p = player()) {
        item.getTooltip(p, context, out);
    }
    return out;
}

std::string LiveClientView::getEquipTooltip(const ItemBase& item, const TooltipContext& context)
{
    std::string out;
    if (PlayerClient* p = player()) {
        p->getEquipTooltip(&item, out, context);
    }
    return out;
}

const SkillBase* LiveClientView::getPlayerSkill(int tree, int skill) const
{
    const PlayerClient* p = player();
    return p && p->skills ? p->skills->findByTreeSlot(tree, skill) : nullptr;
}

int LiveClientView::checkSkillUse(const SkillBase& skill) const
{
    PlayerClient* p = player();
    if (!p) {
        return -1;
    }
    return SkillClient::checkUse(skill, p, p->stats, p->getTarget(true), p->getFlags());
}

std::string LiveClientView::describeSkill(const SkillBase& skill, SkillText which) const
{
    const PlayerClient* p = player();
    const SkillDefinition* definition = skill.getDefinition();
    std::string out;
    if (!p || !definition) {
        return out;
    }
    switch (which) {
    case SkillText::Tooltip:
        definition->getTooltip(p->stats, getPlayerClass(), skill.getPointsStat(), false, out);
        break;
    case SkillText::RaiseCost:
        definition->appendRaiseCost(p->stats, false, skill.getPointsStat(), out);
        break;
    case SkillText::LowerCost:
        definition->appendLowerCost(p->stats, skill.getPointsStat(), out);
        break;
    }
    return out;
}

void LiveClientView::useSkill(int tree, int skill)
{
    if (PlayerClient* p = player()) {
        p->useSkill(tree, skill);
    }
}

std::array<int, 4> LiveClientView::getHotkey(int index) const
{
    const PlayerClient* p = player();
    HotkeyRecord record = p ? p->getHotkey(index) : HotkeyRecord{{2, -1, -1, -1}};
    return {record.values[0], record.values[1], record.values[2], record.values[3]};
}

void LiveClientView::setHotkey(int index, const std::array<int, 4>& record)
{
    if (PlayerClient* p = player()) {
        p->setHotkey(index, HotkeyRecord{{record[0], record[1], record[2], record[3]}});
    }
}

ResourceHandle LiveClientView::getGameSound(const std::string& name) const
{
    const GameClient* game = GameClient::instance();
    for (size_t i = 0; game && i < std::size(kGameSounds); ++i) {
        if (name == kGameSounds[i]) {
            return game->getSound(static_cast<int>(i));
        }
    }
    return {};
}

bool LiveClientView::isFriendly(const EntityClient* entity) const
{
    return entity && entity->isFriendly();
}

EntityClient* LiveClientView::getEntityUnderMouse() const
{
    const Client* client = Client::instance();
    return client ? client->getHoverEntity() : nullptr;
}
