#include "ui/widgets/UIStatWidget.h"

#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "game/definitions/GameEnums.h"
#include "ui/UIValueTables.h"
#include "ui/widgets/WidgetReads.h"

#include <cmath>

void UIStatWidget::copyFrom(const UIStatWidget& other)
{
    UIStatValue::copyFrom(other);
    m_statControlsPosition = other.m_statControlsPosition;
    m_startPosition = other.m_startPosition;
    m_endPosition = other.m_endPosition;
    m_statMultiplier = other.m_statMultiplier;
    m_statWraps = other.m_statWraps;
    m_dontDrawValue = other.m_dontDrawValue;
    m_dontDrawValueSet = other.m_dontDrawValueSet;
}

bool UIStatWidget::parseParm(const std::string& keyword, TextReader& reader)
{
    auto is = [&](const char* name) { return equalsNoCase(keyword, name); };
    if (is("startPosition")) {
        m_startPosition = reader.getVec2();
    } else if (is("endPosition")) {
        m_endPosition = reader.getVec2();
    } else if (is("statControlsPosition")) {
        m_statControlsPosition = reader.getBool();
    } else if (is("statMultiplier")) {
        m_statMultiplier = reader.getFloat();
    } else if (is("dontDrawValue")) {
        m_dontDrawValue = reader.getInt();
        m_dontDrawValueSet = true;
    } else if (is("statWraps")) {
        m_statWraps = reader.getBool();
    } else {
        return UIStatValue::parseParm(keyword, reader);
    }
    return false;
}

float UIStatWidget::getFraction() const
{
    float f = 0.0f;
    if (m_statType == static_cast<int>(StatType::Normal) &&
        m_statIndex == static_cast<int>(CharacterStat::XpDebt)) {
        // The debt marker stands where experience plus debt would reach.
        ClientView* view = widgetClientView();
        int debt = view ? view->getPlayerStat(m_statIndex) : 0;
        int needed = view ? view->getPlayerStat(static_cast<int>(CharacterStat::XpNeeded)) : 0;
        if (debt > 0 && needed > 0) {
            f = static_cast<float>(debt + view->getPlayerStat(static_cast<int>(CharacterStat::Xp))) /
                static_cast<float>(needed);
        }
    } else if (m_statMultiplier != 0.0f) {
        // Without a multiplier the marker stays at its start.
        f = static_cast<float>(getStatValue(false)) / m_statMultiplier;
    }
    if (!std::isfinite(f) || f < 0.0f) {
        return 0.0f;
    }
    if (f > 1.0f) {
        f = m_statWraps ? f - std::floor(f) : 1.0f;
    }
    return f;
}

void UIStatWidget::update(float seconds)
{
    if (!m_statControlsPosition) {
        return;
    }
    float f = getFraction();
    m_position = {m_startPosition.x + (m_endPosition.x - m_startPosition.x) * f - m_size.x * 0.5f,
                  m_startPosition.y + (m_endPosition.y - m_startPosition.y) * f};
}

void UIStatWidget::draw()
{
    if (m_dontDrawValueSet && getStatValue(false) == m_dontDrawValue) {
        return;
    }
    UIWidget::draw();
}
