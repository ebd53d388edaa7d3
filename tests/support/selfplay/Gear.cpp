#include "support/selfplay/Gear.h"

#include "client/mirrors/SkillListClient.h"
#include "engine/core/StringUtil.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/WorldRules.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "support/selfplay/Bot.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIWidget.h"

namespace selfplay {

Gear::Gear(Bot& bot) : Part(bot) {}

bool Gear::equip()
{
    return (m_equipping || frame() % 50 == 21) && equipSomething();
}

void Gear::count(Figures& figures)
{
    if (m_equipAsked && frame() - m_equipAt >= 2) {
        InventoryBase* inventory = player()->getInventory();
        if (inventory && inventory->getItemAt(kEquipment, m_equipPlace) == m_equipAsked) {
            ++figures.equipped;
        }
        m_equipAsked = nullptr;
    }
}

bool Gear::spendPoints()
{
    const bool left = mirror()->getStat(toIndex(CharacterStat::AttributePointsLeft)) > 0;
    if (!left || frame() < m_nextPointAt) {
        if (!left && m_characterOpened) {
            m_characterOpened = false;
            if (menuShown("Character")) {
                clickWidget(shownWidget("Hud::Character"));
                return true;
            }
        }
        return false;
    }
    if (!menuShown("Character")) {
        if (!clickWidget(shownWidget("Hud::Character"))) {
            fault() << "the Hud has no Character button";
            m_nextPointAt = frame() + 10 * kFramesPerMinute;
            return false;
        }
        m_characterOpened = true;
        return true;
    }
    const std::string button =
        std::string("Character::Inc") + (m_pointsSpent % 3 == 2 ? "Vitality" : classAttribute());
    if (!clickWidget(shownWidget(button))) {
        fault() << "points are left but the Character window has no " << button << " button";
        m_nextPointAt = frame() + 10 * kFramesPerMinute;
        return false;
    }
    ++m_pointsSpent;
    // The server's answer comes with the next state.
    m_nextPointAt = frame() + 10;
    return true;
}

const char* Gear::classAttribute() const
{
    // Strength, Dexterity, Vitality, Intelligence, Spirit, as the class's
    // "…PerLevel" keys list them; Vitality has its own turn.
    static constexpr const char* kNames[] = {"Strength", "Dexterity", "Vitality", "Intelligence", "Spirit"};
    const CharacterClass* type = player()->getCharacterClass();
    int best = 0;
    for (int i = 1; type && i < 5; ++i) {
        if (i != 2 && type->attributesPerLevel[static_cast<size_t>(i)] >
                          type->attributesPerLevel[static_cast<size_t>(best)]) {
            best = i;
        }
    }
    return kNames[best];
}

bool Gear::spendSkillPoints()
{
    const int points = mirror()->getStat(toIndex(CharacterStat::SkillPointsLeft));
    SkillBase* raised = nullptr;
    for (SkillBase* skill : mirror()->skills->getSkills()) {
        const SkillDefinition* d = skill ? skill->getDefinition() : nullptr;
        if (!d || !d->needsEnemy || !Fights::isFightingSkill(*skill)) {
            continue;
        }
        const int cost = skill->getPointCost(skill->getLevel());
        const bool room = d->maxSkillLevel == 0 || skill->getLevel() < d->maxSkillLevel;
        if (room && cost <= points && money() >= static_cast<int>(cost * worldRules().moneyPerSkillPoint)) {
            raised = skill;
            break;
        }
    }
    if (!raised || frame() < m_nextSkillAt) {
        if (!raised && m_skillsOpened) {
            m_skillsOpened = false;
            if (menuShown("Skills")) {
                pressKey("skillsScreen");
                return true;
            }
        }
        return false;
    }
    const std::string name = raised->getDefinition()->name;
    if (!menuShown("Skills")) {
        if (!pressKey("skillsScreen")) {
            fault() << "no key opens the skills page";
            m_nextSkillAt = frame() + 10 * kFramesPerMinute;
            return false;
        }
        m_skillsOpened = true;
        return true;
    }
    UIWidget* up = shownOnPage(formatString("SkillsTree%d::Up%d", raised->getTree(), raised->getSlot()));
    if (!up) {
        if (m_tabAsked != raised->getTree() &&
            clickWidget(shownWidget(formatString("Skills::Tab%d", raised->getTree())))) {
            m_tabAsked = raised->getTree();
            return true;
        }
        fault() << "skill points are left but the skills page has no plus button for " << name;
        m_nextSkillAt = frame() + 10 * kFramesPerMinute;
        return false;
    }
    m_tabAsked = -1;
    clickWidget(up);
    trace(formatString("raises %s", name.c_str()).c_str());
    // The server's answer comes with the next state.
    m_nextSkillAt = frame() + 10;
    return true;
}

bool Gear::isUpgrade(const ItemBase& item) const
{
    // Only what its class may wear, from the item's level on: the game
    // puts nothing else on.
    if (!player()->meetsItemRequirement(toIndex(item.getItemRequirement())) ||
        ownLevel() < item.getMinLevel()) {
        return false;
    }
    InventoryBase* inventory = player()->getInventory();
    const EquipedLocation place = inventory ? inventory->findEquipSlot(item) : EquipedLocation::None;
    if (place == EquipedLocation::None || !inventory->canHoldAt(item, kEquipment, toIndex(place))) {
        return false;
    }
    const ItemBase* worn = inventory->getItemAt(kEquipment, toIndex(place));
    return !worn || (worn->getPrice(1) < item.getPrice(1) && item.getItemType() != ItemType::Bag);
}

bool Gear::equipSomething()
{
    InventoryBase* inventory = player()->getInventory();
    for (int group = kBag1; inventory && group <= kBag4; ++group) {
        const InventoryGroup* items = inventory->getOwnGroup(group);
        for (int slot = 0; items && slot < items->getSize(); ++slot) {
            ItemBase* item = inventory->getItemAt(group, slot);
            if (!item || !isUpgrade(*item)) {
                continue;
            }
            const EquipedLocation place = inventory->findEquipSlot(*item);
            // The inventory opens by its Hud button, the bag by a right
            // click on it there; each shows with the next frame.
            const std::string bag = formatString("bag%d", group - kBag1);
            if (!menuShown("Inventory")) {
                clickWidget(shownWidget("Hud::Inventory"));
                m_equipping = true;
                return true;
            }
            if (!menuShown(bag.c_str())) {
                clickWidget(shownWidget(formatString("Inventory::Bag%d", group - kBag1)), 1);
                m_equipping = true;
                return true;
            }
            m_equipping = false;
            UIItemSlot* place0 = findSlot(bag.c_str(), group, slot);
            if (!place0) {
                fault() << "the window " << bag << " shows no place " << slot << " of its bag";
                return false;
            }
            clickWidget(place0, 1);
            m_equipAsked = item;
            m_equipPlace = toIndex(place);
            m_equipAt = frame();
            trace(formatString("equips %s (%d)", item->getName().c_str(), item->getPrice(1)).c_str());
            return true;
        }
    }
    m_equipping = false;
    return false;
}

} // namespace selfplay
