#include "ui/widgets/UIStatValue.h"

#include "client/mirrors/EntityClient.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "game/covenants/CovenantBase.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/Money.h"
#include "game/quests/RecruitBase.h"
#include "ui/UIValueTables.h"
#include "ui/widgets/WidgetReads.h"

namespace {

// The name table a stat type's indices come from.
GameEnum indexTable(int type)
{
    switch (static_cast<StatType>(type)) {
    case StatType::Normal:
    case StatType::GlobalNormal:
        return GameEnum::CharacterStat;
    case StatType::Fun:
    case StatType::GlobalFun:
        return GameEnum::CharacterFunStat;
    case StatType::Covenant:
    case StatType::PlayerCovenant:
        return GameEnum::CovenantStat;
    case StatType::CovenantFun:
        return GameEnum::CovenantFunStat;
    default:
        return GameEnum::StatOtherIndex;
    }
}

int other(StatOtherIndex index)
{
    return static_cast<int>(index);
}

int hundredths(float value)
{
    return static_cast<int>(value * 100.0f);
}

int covenantStat(const CovenantBase* covenant, int index)
{
    return covenant ? covenant->stats.get(index) : 0;
}

} // namespace

void UIStatValue::copyFrom(const UIStatValue& other)
{
    copyBaseFrom(other);
    m_statName = other.m_statName;
    m_divider = other.m_divider;
    m_showName = other.m_showName;
    m_showStringValue = other.m_showStringValue;
    m_statType = other.m_statType;
    m_statIndex = other.m_statIndex;
    m_secondStatIndex = other.m_secondStatIndex;
    m_covenantIndex = other.m_covenantIndex;
    m_conversionType = other.m_conversionType;
    m_showStat = other.m_showStat;
    m_maxedColor = other.m_maxedColor;
    m_increasedColor = other.m_increasedColor;
    m_decreasedColor = other.m_decreasedColor;
}

void UIStatValue::setStat(int type, int index, int secondIndex)
{
    m_statType = type;
    m_statIndex = index;
    m_secondStatIndex = secondIndex;
}

bool UIStatValue::parseParm(const std::string& keyword, TextReader& reader)
{
    auto is = [&](const char* name) { return equalsNoCase(keyword, name); };
    auto token = [&] {
        std::string out;
        reader.readToken(out, false);
        return out;
    };
    if (is("stat")) {
        m_statType = parseGameEnum(GameEnum::StatType, token());
        m_statName = token();
        m_statIndex = parseGameEnum(indexTable(m_statType), m_statName);
        std::string second = token();
        m_secondStatIndex = second.empty() ? -1 : parseGameEnum(indexTable(m_statType), second);
    } else if (is("showName")) {
        m_showName = reader.getBool();
    } else if (is("divider")) {
        m_divider = token();
    } else if (is("conversionType")) {
        m_conversionType = lookupEnumName(statConversionTypeTable(), token());
    } else if (is("showStringValue")) {
        m_showStringValue = reader.getBool();
    } else if (is("showStat")) {
        m_showStat = reader.getBool();
    } else if (is("maxedColor")) {
        m_maxedColor = parseColorType(token());
    } else if (is("increasedColor")) {
        m_increasedColor = parseColorType(token());
    } else if (is("decreasedColor")) {
        m_decreasedColor = parseColorType(token());
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}

int UIStatValue::getStatValue(bool second) const
{
    const int index = second ? m_secondStatIndex : m_statIndex;
    ClientView* view = widgetClientView();
    if (!view || index < 0 || m_statType == kNoStat) {
        return 0;
    }
    const auto type = static_cast<StatType>(m_statType);
    if (m_entityType == UIEntity::PlayerClient) {
        if (!view->hasLocalPlayer()) {
            return 0;
        }
        switch (type) {
        case StatType::Normal:
            return view->getPlayerStat(index);
        case StatType::Fun:
            return view->getPlayerFunStat(index);
        case StatType::Covenant:
            return covenantStat(view->getCovenant(m_covenantIndex), index);
        case StatType::CovenantFun:
            return view->getPlayerCovenantFunStat(index);
        case StatType::PlayerCovenant:
            return covenantStat(view->getPlayerCovenant(), index);
        case StatType::Other: {
            const EntityClient* entity = view->getPlayerEntity();
            switch (static_cast<StatOtherIndex>(index)) {
            case StatOtherIndex::Health:
                return entity ? entity->getHealth() : 0;
            case StatOtherIndex::MaxHealth:
                return entity ? entity->getMaxHealth() : 0;
            case StatOtherIndex::TimedEvent:
                return entity ? static_cast<int>(entity->getProgressTimer()) : 0;
            case StatOtherIndex::MaxTimedEvent:
                return entity ? static_cast<int>(entity->getProgressLength()) : 0;
            case StatOtherIndex::Dps:
                return view->getPlayerDps();
            case StatOtherIndex::EquipmentWorth:
                return view->getEquipmentWorth();
            case StatOtherIndex::InventoryWorth:
                return view->getInventoryWorth();
            default:
                return 0;
            }
        }
        default:
            return 0;
        }
    }
    if (type == StatType::Other) {
        switch (static_cast<StatOtherIndex>(index)) {
        case StatOtherIndex::CovenantHealth:
        case StatOtherIndex::CovenantMaxHealth:
        case StatOtherIndex::CovenantPower: {
            const CovenantBase* covenant = getCovenant();
            if (!covenant) {
                return 0;
            }
            if (index == other(StatOtherIndex::CovenantPower)) {
                return covenant->computePower();
            }
            return index == other(StatOtherIndex::CovenantHealth) ? covenant->getLifestoneHealth()
                                                                  : covenant->getLifestoneMaxHealth();
        }
        case StatOtherIndex::CovenantMaxPower: {
            const CovenantBase* strongest = view->getCovenant(view->getCovenantIndexByPower(0));
            return strongest ? strongest->computePower() : 0;
        }
        default:
            break;
        }
    }
    if (m_entityType == UIEntity::SelectedRecruit) {
        const RecruitBase* recruit = view->getSelectedRecruit();
        return recruit && type == StatType::Normal ? recruit->stats.get(index) : 0;
    }
    const EntityClient* entity = getEntity();
    if (!entity || type != StatType::Other) {
        return 0;
    }
    switch (static_cast<StatOtherIndex>(index)) {
    case StatOtherIndex::Health:
        return entity->getHealth();
    case StatOtherIndex::MaxHealth:
        return entity->getMaxHealth();
    case StatOtherIndex::Power:
        return entity->getPower();
    case StatOtherIndex::MaxPower:
        return entity->getMaxPower();
    case StatOtherIndex::TimedEvent:
        return hundredths(entity->getProgressTimer());
    case StatOtherIndex::MaxTimedEvent:
        return hundredths(entity->getProgressLength());
    default:
        return 0;
    }
}

bool UIStatValue::isStatMaxed() const
{
    return m_secondStatIndex != -1 && getStatValue(true) <= getStatValue(false);
}

int UIStatValue::attributeChange() const
{
    const int strength = static_cast<int>(CharacterStat::Strength);
    const int attribute = m_statIndex - strength;
    ClientView* view = widgetClientView();
    if (m_statType != static_cast<int>(StatType::Normal) || m_entityType != UIEntity::PlayerClient ||
        attribute < 0 || attribute >= 5 || !view || !view->hasLocalPlayer()) {
        return 0;
    }
    int expected = view->getPlayerStat(static_cast<int>(CharacterStat::BaseStrength) + attribute) +
                   skillAttributeBonus(*view, m_statIndex);
    int current = view->getPlayerStat(m_statIndex);
    return current > expected ? 1 : (current < expected ? -1 : 0);
}

std::string UIStatValue::convertedText(int value, int second) const
{
    switch (m_conversionType) {
    case 1:
        return formatMoney(value);
    case 2:
        return formatMoneyShort(value);
    case 3:
        return formatString("%d crystals", value);
    case 4:
        return formatString("%.1f", value / 100.0);
    case 5: {
        // The days are the stat after the chosen one; past the table none.
        int days = 0;
        if (m_statIndex + 1 < getGameEnumCount(indexTable(m_statType))) {
            UIStatValue next;
            next.m_entityType = m_entityType;
            next.m_entityIndex = m_entityIndex;
            next.m_covenantIndex = m_covenantIndex;
            next.setStat(m_statType, m_statIndex + 1, -1);
            days = next.getStatValue(false);
        }
        return formatDuration(days, value);
    }
    case 6:
        return getMonsterTypeName(value, false);
    case 7:
        return getMonsterTypeName(value, true);
    case 8:
        return second < 1 ? std::string("0%") : formatString("%.0f%%", value * 100.0 / second);
    case 9:
        return formatString("lvl %d", value);
    default:
        return std::string();
    }
}

std::string UIStatValue::buildText(bool forTooltip) const
{
    int colour = 0;
    const bool maxed = isStatMaxed();
    if (m_maxedColor != 0 && maxed) {
        colour = m_maxedColor;
    } else if (m_increasedColor != 0 || m_decreasedColor != 0) {
        int change = attributeChange();
        colour = change > 0 ? m_increasedColor : (change < 0 ? m_decreasedColor : 0);
    }
    std::string out = colour != 0 ? formatColorCode(colour) : std::string();
    const int value = getStatValue(false);
    if (m_showName && !forTooltip) {
        out += "$$" + m_statName + "$$";
    } else if (m_showStringValue) {
        ClientView* view = widgetClientView();
        bool global = m_statType >= static_cast<int>(StatType::GlobalNormal) &&
                      m_statType <= static_cast<int>(StatType::GlobalOther);
        if (view && global) {
            out += view->getGlobalRecordText(m_statType, m_statIndex);
        }
    } else if (m_conversionType != 0) {
        out += convertedText(value, m_secondStatIndex != -1 ? getStatValue(true) : 0);
    } else if (m_secondStatIndex == -1) {
        out += std::to_string(value);
    } else {
        // The divider carries its own blanks (" / ").
        out += std::to_string(value) + m_divider + std::to_string(getStatValue(true));
    }
    if (forTooltip && maxed) {
        out += " (maxed)";
    }
    if (colour != 0) {
        // Back to the colour before the prefix.
        out += formatColorCode(145);
    }
    return out;
}

void UIStatValue::draw()
{
    setText(m_showStat ? buildText(false) : std::string());
    UIWidget::draw();
}

bool UIStatValue::getTooltip(UITooltip& out)
{
    if (!m_highlightRedirect.empty() && UIWidget::getTooltip(out) && !out.text.empty()) {
        return true;
    }
    ClientView* view = widgetClientView();
    if (!view || !view->hasLocalPlayer()) {
        return false;
    }
    out.text = tooltipLines();
    return true;
}
