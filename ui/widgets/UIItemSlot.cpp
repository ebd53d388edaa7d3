#include "ui/widgets/UIItemSlot.h"

#include "client/mirrors/EntityClient.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/widgets/WidgetReads.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

constexpr int kMain = toIndex(InventoryGroupIndex::Main);
constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
constexpr int kBag4 = toIndex(InventoryGroupIndex::Bag4);
constexpr int kStashBag1 = toIndex(InventoryGroupIndex::StashBag1);
constexpr int kLoot = toIndex(InventoryGroupIndex::Loot);
constexpr int kLootBag1 = toIndex(InventoryGroupIndex::LootBag1);
constexpr int kLootBag8 = toIndex(InventoryGroupIndex::LootBag8);
constexpr int kHouse = toIndex(InventoryGroupIndex::House);
constexpr const char* kBlack = "Textures/black.tga";

void rgb(const Color& c, float out[3])
{
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

std::string entryString(const DatabaseEntry* entry, const char* key)
{
    return entry ? DefinitionReader(entry).getString(key) : std::string();
}

bool looksNumeric(const std::string& token)
{
    return !token.empty() &&
           (std::isdigit(static_cast<unsigned char>(token[0])) || (token[0] == '-' && token.size() > 1));
}

} // namespace

UIItemSlot::UIItemSlot()
{
    m_canClick = true;
    m_activatingButton = 6;
    m_baseColour = ColorSystem::getColor(0);
    m_emptyTexture = kBlack;
    setTexture(kBlack);
    UISystem* ui = UISystem::instance();
    if (UIDrawing* drawing = ui ? ui->getDrawing() : nullptr) {
        m_highlight = drawing->acquireImage("EquipmentSlotHighlight", 6);
        m_highlightBad = drawing->acquireImage("EquipmentSlotHighlightBad", 6);
        m_outline = drawing->acquireImage("Textures/outlineItem.tga", 6);
        m_unidentified = drawing->acquireImage("Textures/unidentifiedItem.tga", 6);
    }
}

UIItemSlot::~UIItemSlot() = default;

void UIItemSlot::copyFrom(const UIItemSlot& other)
{
    copySlotFrom(other);
    m_group = other.m_group;
    m_entry = other.m_entry;
    m_slotType = other.m_slotType;
    m_vendor = other.m_vendor;
    m_repurchase = other.m_repurchase;
    m_sourceEntry = other.m_sourceEntry;
    m_onlyDrop = other.m_onlyDrop;
    m_emptyTexture = other.m_emptyTexture;
    m_baseColour = other.m_baseColour;
}

bool UIItemSlot::parseParm(const std::string& keyword, TextReader& reader)
{
    auto is = [&](const char* name) { return equalsNoCase(keyword, name); };
    auto token = [&] {
        std::string out;
        reader.readToken(out, false);
        return out;
    };
    if (is("inventorySlot")) {
        m_group = static_cast<int>(parseInventoryGroupIndex(token()));
        std::string entry = token();
        m_entry =
            looksNumeric(entry) ? std::atoi(entry.c_str()) : static_cast<int>(parseEquipedLocation(entry));
    } else if (is("itemSlotType")) {
        m_slotType = static_cast<int>(parseItemSlotType(token()));
    } else if (is("vendorSlot")) {
        m_vendor = reader.getBool();
    } else if (is("repurchaseSlot")) {
        m_repurchase = reader.getBool();
    } else if (is("onlyDrop")) {
        m_onlyDrop = reader.getBool();
    } else if (is("texture")) {
        m_emptyTexture = token();
        setTexture(m_emptyTexture);
    } else if (is("color")) {
        m_colour = parseColor(token());
        m_baseColour = m_colour;
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}

const ItemBase* UIItemSlot::getItem() const
{
    ClientView* view = widgetClientView();
    if (m_entry < 0 || !view || !view->hasLocalPlayer()) {
        return nullptr;
    }
    if (m_group >= kLootBag1 && m_group <= kLootBag8) {
        // A stash's bags: only while the stash is there and standing. The
        // mirrors carry no inventory of their own, so the bags are the
        // covenant's.
        const EntityClient* stash = view->getTargetEntity(false);
        if (!stash || !stash->isStash() || (stash->getMaxHealth() > 0 && stash->getHealth() <= 0)) {
            return nullptr;
        }
        return view->getCovenantItem(kStashBag1 + (m_group - kLootBag1), m_entry);
    }
    return view->getPlayerItem(m_group, m_entry);
}

int UIItemSlot::getBagGroup() const
{
    if (m_slotType != static_cast<int>(ItemSlotType::Bag) || (m_group != kMain && m_group != kLoot)) {
        return -1;
    }
    return InventoryBase::getBagGroupOf(m_group, m_entry);
}

bool UIItemSlot::isGamblerStock() const
{
    ClientView* view = widgetClientView();
    const EntityClient* other = view ? view->getTargetEntity(false) : nullptr;
    return m_group == kLoot && other && other->isVendor() && other->isGambler() &&
           m_entry != kRepurchaseFirst && m_entry != kRepurchaseLast;
}

std::string UIItemSlot::getIconName(const ItemBase& item) const
{
    std::string own = entryString(item.getItemEntry(), "TextureName");
    ItemRarity rarity = item.getRarity();
    if (!isGamblerStock() || rarity == ItemRarity::Normal || rarity == ItemRarity::Set) {
        return own;
    }
    // The gamble must not show what it is: the plain item's icon.
    const DatabaseEntry* base = item.getItemEntry() ? item.getItemEntry()->getBase() : nullptr;
    if (rarity == ItemRarity::Artifact && base) {
        base = base->getBase();
    }
    std::string hidden = entryString(base, "TextureName");
    return hidden.empty() ? own : hidden;
}

void UIItemSlot::getSource(int& kind, int& a, int& b) const
{
    kind = 0;
    a = m_group;
    b = m_entry;
}

void UIItemSlot::setSource(int group, int entry)
{
    m_group = group;
    m_entry = entry;
    const ItemBase* item = getItem();
    m_sourceEntry = item ? item->getItemEntry() : nullptr;
}

void UIItemSlot::clearSource()
{
    m_group = kMain;
    m_entry = -1;
}

int UIItemSlot::getSourceEntryId() const
{
    return m_sourceEntry ? m_sourceEntry->getId() : -1;
}

void UIItemSlot::setSourceEntryId(int id)
{
    if (id == -1) {
        return;
    }
    const Database* database = Database::instance();
    m_sourceEntry = database ? database->getEntryByIndex(id) : nullptr;
}

bool UIItemSlot::refreshSource()
{
    const ItemBase* item = getItem();
    if (item && item->getItemEntry() == m_sourceEntry) {
        return true;
    }
    ClientView* view = widgetClientView();
    if (!view || !m_sourceEntry) {
        return false;
    }
    // Main, Equipment, then the four bags.
    for (int group = kMain; group <= kBag4; ++group) {
        int capacity = view->getPlayerGroupCapacity(group);
        for (int entry = 0; entry < capacity; ++entry) {
            const ItemBase* there = view->getPlayerItem(group, entry);
            if (there && there->getItemEntry() == m_sourceEntry) {
                m_group = group;
                m_entry = entry;
                return true;
            }
        }
    }
    return false;
}

void UIItemSlot::getText(std::string& out) const
{
    const ItemBase* item = getItem();
    out = item ? entryString(item->getItemEntry(), "TextFile") : std::string();
}

void UIItemSlot::update(float seconds)
{
    UIWidget::update(seconds);
    const ItemBase* item = getItem();
    const DatabaseEntry* entry = item ? item->getItemEntry() : nullptr;
    if (item != m_lastItem || entry != m_lastEntry) {
        m_lastItem = item;
        m_lastEntry = entry;
        if (!item) {
            setTexture(m_emptyTexture.empty() ? kBlack : m_emptyTexture);
            m_colour = m_baseColour;
        }
    }
    if (item) {
        setTexture(getIconName(*item));
    }
    ClientView* view = widgetClientView();
    if (item && view && m_heldByHotBar && item->getBool("UseHint")) {
        if (view->getItemTimerRemaining(*item) > 0.0f) {
            m_hintGiven = false;
        } else if (!m_hintGiven) {
            view->addUseHint(entry ? entry->getName() : std::string());
            m_hintGiven = true;
        }
    }
}

void UIItemSlot::draw()
{
    if (!isVisible()) {
        return;
    }
    UIWidget::draw();
    drawOverlays(getItem());
}

void UIItemSlot::drawOverlays(const ItemBase* item)
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (!drawing || !view) {
        return;
    }
    Vec2 at = getScreenPosition();
    float white[3];
    rgb(ColorSystem::getColor(0), white);
    const ResourceHandle& font = m_font.isValid() ? m_font : ui->getDefaultFont();
    if (item) {
        float timerTime = item->getFloat("ItemTimerTime");
        float left = timerTime > 0.0f ? view->getItemTimerRemaining(*item) : 0.0f;
        const ResourceHandle* wipe = drawing->standardImage(1);
        if (left > 0.0f && wipe) {
            drawing->drawRadialWipe(*wipe, at.x, at.y, m_size.x, m_size.y, 0.5f, white,
                                    std::clamp(left / timerTime, 0.0f, 1.0f));
        }
        const ResourceHandle* plain = drawing->standardImage(0);
        if (!view->meetsItemRequirement(*item) && plain) {
            float red[3];
            rgb(ColorSystem::getColor(1), red);
            drawing->drawImage(*plain, at.x, at.y, at.x + m_size.x, at.y + m_size.y, 0.25f, red, false,
                               false);
        }
        if (item->getMaxStack() > 1) {
            std::string count = std::to_string(item->getQuantity());
            Vec2 laid = drawing->layoutText(font, count);
            drawing->drawText(font, count, static_cast<int>(at.x + m_size.x - 10.0f - laid.x),
                              static_cast<int>(at.y + m_size.y - 10.9f), white, false, 1.0f);
        }
    }
    // A bag shows how full it is.
    int bag = item ? getBagGroup() : -1;
    if (bag >= 0) {
        std::string fill = std::to_string(view->getPlayerGroupCount(bag)) + "/" +
                           std::to_string(view->getPlayerGroupCapacity(bag));
        Vec2 laid = drawing->layoutText(font, fill);
        drawing->drawText(font, fill, static_cast<int>(at.x + (m_size.x - laid.x) / 2.0f),
                          static_cast<int>(at.y + (m_size.y - laid.y) / 2.0f), white, false, 1.0f);
    }
    auto* dragged = dynamic_cast<UIItemSlot*>(ui->getDragWidget());
    const ItemBase* carried = dragged ? dragged->getItem() : nullptr;
    if (carried) {
        bool fits = carried->fitsSlotType(static_cast<ItemSlotType>(m_slotType)) &&
                    view->canPlaceItem(*carried, m_group, m_entry, m_slotType);
        const ResourceHandle& shade = fits ? m_highlight : m_highlightBad;
        if (shade.isValid()) {
            drawing->drawImage(shade, at.x, at.y, at.x + m_size.x, at.y + m_size.y, 1.0f, white, false,
                               false);
        }
    }
    if (!item) {
        return;
    }
    bool gamble = isGamblerStock();
    if (!gamble && m_outline.isValid()) {
        float quality[3];
        rgb(ColorSystem::getColor(ItemBase::getRarityColor(item->getRarity())), quality);
        drawing->drawImage(m_outline, at.x, at.y, at.x + m_size.x, at.y + m_size.y, 1.0f, quality, false,
                           false);
    }
    const EntityClient* other = view->getTargetEntity(false);
    bool atGambler = other && other->isGambler();
    bool covered = atGambler ? (m_entry == kRepurchaseFirst || m_entry == kRepurchaseLast) : true;
    if (item->needsIdentify() && covered && m_unidentified.isValid()) {
        drawing->drawImage(m_unidentified, at.x, at.y, at.x + m_size.x, at.y + m_size.y, 1.0f, white, false,
                           false);
    }
}

bool UIItemSlot::getTooltip(UITooltip& out)
{
    ClientView* view = widgetClientView();
    if (!view || !view->hasLocalPlayer()) {
        return false;
    }
    UIWidget::getTooltip(out);
    const ItemBase* item = getItem();
    if (!item) {
        out.text = "$$" + getItemSlotTypeName(m_slotType) + "ItemSlot$$";
        return true;
    }
    const EntityClient* other = view->getTargetEntity(false);
    TooltipContext context;
    if (other && other->getCovenantIndex() != view->getPlayerCovenantIndex()) {
        context.options |= TooltipForeignOwner;
    }
    if (other && other->isVendor()) {
        context.options |= TooltipAtVendor;
    }
    if (m_repurchase) {
        context.options |= TooltipRepurchase;
    }
    if (isGamblerStock()) {
        context.options |= TooltipGambleHidden;
    }
    if (m_group == kLoot && other && other->isVendor()) {
        context.options |= TooltipVendorStock;
    }
    EquipedLocation place = item->getDefaultEquipLocation();
    if (m_group != kEquipment && place != EquipedLocation::None) {
        context.compareWith = view->getPlayerItem(kEquipment, static_cast<int>(place));
    }
    std::string text = view->getItemTooltip(*item, context);
    if ((item->isIdentified() || item->isAlwaysIdentified()) &&
        (item->getStatBonus(static_cast<CharacterStat>(104)) != 0 ||
         item->getStatBonus(static_cast<CharacterStat>(105)) != 0)) {
        view->showHelpTopic("FindCombatPercents");
    }
    if (item->getFloat("ItemTimerTime") > 0.0f) {
        int seconds = static_cast<int>(std::ceil(view->getItemTimerRemaining(*item)));
        if (seconds == 1) {
            text += "^c099\nCan't use for another 1 second^c145";
        } else if (seconds > 1) {
            text += "^c099\nCan't use for another " + std::to_string(seconds) + " seconds^c145";
        }
    }
    if (m_group != kEquipment && m_group != kHouse) {
        ItemBase::appendTooltipPart(text, view->getEquipTooltip(*item, context));
    }
    out.text = text;
    return true;
}
