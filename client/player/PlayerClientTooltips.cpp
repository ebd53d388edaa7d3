// What the player or a recruit wears where a hovered item would go, the
// house's guard and relic slots, and the character's title.
#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"

namespace {

constexpr int kHeaderColor = 8;
constexpr int kBodyColor = 145;
constexpr int kEquipmentGroup = 1;
constexpr int kHouseGroup = 24;
constexpr int kGuardMode = 19;
constexpr int kRelicMode = 20;
constexpr int kHouseSlots = 4;
constexpr int kNoLocation = static_cast<int>(EquipedLocation::None);

PlayerCovenantClient* playerCovenant()
{
    Client* client = Client::instance();
    return client ? client->getPlayerCovenant() : nullptr;
}

int wrapSlot(int slot)
{
    if (slot < 0) {
        return kHouseSlots - 1;
    }
    return slot >= kHouseSlots ? 0 : slot;
}

// What is worn or stands at the house is the player's own: the hovered item's
// stock, gamble and buy-back options must not describe it (a gambler's
// "base item only" showed a worn staff without its magic).
TooltipContext ownItemContext(const TooltipContext& hovered)
{
    TooltipContext own;
    own.options = hovered.options & (TooltipAtVendor | TooltipDescriptionOnly);
    return own;
}

} // namespace

void PlayerClient::getEquipTooltip(const ItemBase* item, std::string& tooltip, const TooltipContext& context)
{
    if (!item) {
        return;
    }
    tooltipMode = item->getGuardType() ? kGuardMode : static_cast<int>(item->getItemType());
    if (item->getGuardType() || static_cast<int>(item->getItemType()) == kRelicMode) {
        getHouseSlotTooltip(item, tooltip, context);
        return;
    }
    PlayerCovenantClient* covenant = playerCovenant();
    if (!covenant) {
        return;
    }
    int location = static_cast<int>(item->getDefaultEquipLocation());
    if (location == kNoLocation) {
        return;
    }
    RecruitClient* recruit = tooltipRecruitIndex >= 0 ? covenant->getRecruit(tooltipRecruitIndex) : nullptr;
    if (!recruit) {
        tooltipRecruitIndex = -1;
    }
    InventoryBase* worn = recruit ? recruit->inventory.get() : inventory.get();

    tooltip += formatColorCode(kHeaderColor);
    tooltip += recruit ? formatString("Equipped by %s\n", recruit->name.c_str())
                       : std::string("Currently equipped\n");
    tooltip += "Use left/right arrow keys to scroll\nthrough character and recruit current items\n\n";
    tooltip += formatColorCode(kBodyColor);

    bool shown = false;
    const auto show = [&](int place) {
        const ItemBase* compared = worn ? worn->getItemAt(kEquipmentGroup, place) : nullptr;
        if (!compared) {
            return;
        }
        std::string text;
        compared->getTooltip(this, ownItemContext(context), text);
        if (text.empty()) {
            return;
        }
        if (shown) {
            tooltip += "\n\n";
        }
        tooltip += text;
        shown = true;
    };
    show(location);
    // Rings and jewellery come in pairs: both places are compared.
    if (location == static_cast<int>(EquipedLocation::Ring1)) {
        show(static_cast<int>(EquipedLocation::Ring2));
    } else if (location == static_cast<int>(EquipedLocation::Jewelry1)) {
        show(static_cast<int>(EquipedLocation::Jewelry2));
    }
    if (!shown) {
        bool anyone = location == static_cast<int>(EquipedLocation::Chest) ||
                      location == static_cast<int>(EquipedLocation::HandPrimary) ||
                      location == static_cast<int>(EquipedLocation::HandSecondary);
        tooltip += recruit && !anyone ? "  Recruit can't hold this type of item" : "  None";
    }
}

void PlayerClient::getHouseSlotTooltip(const ItemBase* item, std::string& tooltip,
                                       const TooltipContext& context)
{
    PlayerCovenantClient* covenant = playerCovenant();
    if (!item || !covenant) {
        return;
    }
    bool guard = item->getGuardType() != nullptr;
    int slot = guard ? tooltipGuardSlot : tooltipRelicSlot;
    int entry = guard ? slot : slot + kHouseSlots;
    tooltip += formatColorCode(kHeaderColor);
    tooltip +=
        formatString(guard ? "Currently in guard slot %d\n" : "Currently in relics slot %d\n", slot + 1);
    tooltip += guard ? "Use left/right arrow keys to scroll\nthrough guards\n\n"
                     : "Use left/right arrow keys to scroll\nthrough relics\n\n";
    tooltip += formatColorCode(kBodyColor);
    // The house's guards and relics stand in the player's own House group.
    const ItemBase* held = inventory ? inventory->getItemAt(kHouseGroup, entry) : nullptr;
    std::string text;
    if (held) {
        held->getTooltip(this, ownItemContext(context), text);
    }
    tooltip += held ? text : std::string("  None");
}

void PlayerClient::scrollItemComparison(int step)
{
    PlayerCovenantClient* covenant = playerCovenant();
    if (!covenant || step == 0) {
        return;
    }
    if (tooltipMode == kGuardMode) {
        tooltipGuardSlot = wrapSlot(tooltipGuardSlot + step);
        return;
    }
    if (tooltipMode == kRelicMode) {
        tooltipRelicSlot = wrapSlot(tooltipRelicSlot + step);
        return;
    }
    // Recruits sit in slots with gaps: walk the slots, -1 (the player) between the ends.
    int slots = covenant->getRecruitSlotCount();
    int index = tooltipRecruitIndex;
    int direction = step > 0 ? 1 : -1;
    for (int tries = 0; tries <= slots; ++tries) {
        index += direction;
        if (index >= slots) {
            index = -1;
        } else if (index < -1) {
            index = slots - 1;
        }
        if (index == -1 || covenant->getRecruit(index)) {
            break;
        }
    }
    tooltipRecruitIndex = index;
}

void PlayerClient::offerItemHelp(const ItemBase* item)
{
    const DatabaseEntry* entry = item ? item->getEntry() : nullptr;
    int type = entry ? entry->getTypeInherited() : 0;
    if (type == 1 || type == 19 || type == 22) {
        showHelpTopic("Alt");
    }
    if (type == 19) {
        showHelpTopic("Money");
    }
}

std::string PlayerClient::getSkillRankName() const
{
    int level = stats.get(kStatLevel);
    if (level > 99) {
        return "Grandmaster";
    }
    if (level > 49) {
        return "Master";
    }
    if (level > 24) {
        return "Expert";
    }
    return level < 10 ? "Apprentice" : "Amateur";
}

std::string PlayerClient::getTitleLine() const
{
    const GameData* data = GameData::instance();
    const CharacterClass* characterClass =
        data ? data->findCharacterClassById(stats.get(kStatClass)) : nullptr;
    std::string className = characterClass ? characterClass->name : std::string();
    return formatString("Level %d %s %s", stats.get(kStatLevel), getSkillRankName().c_str(),
                        className.c_str());
}

std::string PlayerClient::getItemHolderPowerName() const
{
    const GameData* data = GameData::instance();
    const CharacterClass* characterClass =
        data ? data->findCharacterClassById(stats.get(kStatClass)) : nullptr;
    return characterClass ? characterClass->powerName : std::string();
}

std::string PlayerClient::getTitle() const
{
    return formatString("%s %s", getGeneratedName().c_str(), getTitleLine().c_str());
}

bool PlayerClient::allowsItemPlacement(const ItemBase&, int group, int) const
{
    return inventory->getOwnGroup(group) != nullptr;
}

const InventoryBase* PlayerClient::getItemHolderInventory() const
{
    return inventory.get();
}
