#pragma once

#include "ui/widgets/UIWidget.h"

class ClientView;

// One game statistic shown as text: a character, fun or covenant stat, a
// global record or a derived value (health, power, damage per second,
// worths), converted for display, coloured when maxed, raised or lowered,
// with an explaining tooltip for the attributes and combat values.
class UIStatValue : public UIWidget {
public:
    static constexpr int kNoStat = 9;

    void draw() override;
    bool getTooltip(UITooltip& out) override;
    bool parseParm(const std::string& keyword, TextReader& reader) override;
    bool isStatMaxed() const override;

    // The first or the second stat's value; 0 where nothing is read.
    int getStatValue(bool second) const;
    // The shown text; the tooltip form ends maxed values with " (maxed)".
    std::string buildText(bool forTooltip) const;
    void setStat(int type, int index, int secondIndex);

    void copyFrom(const UIStatValue& other);

    // The local player's bonus on an attribute stat from its learned skills.
    static int skillAttributeBonus(const ClientView& view, int stat);

protected:
    std::string convertedText(int value, int second) const;
    // Risen above (1) or fallen below (−1) the base plus the skills' bonus.
    int attributeChange() const;
    std::string tooltipLines() const;

    std::string m_statName;
    std::string m_divider;
    bool m_showName = false;
    bool m_showStringValue = false;
    int m_statType = kNoStat;
    int m_statIndex = -1;
    int m_secondStatIndex = -1;
    int m_covenantIndex = -1;
    int m_conversionType = 0;
    bool m_showStat = true;
    int m_maxedColor = 0;
    int m_increasedColor = 0;
    int m_decreasedColor = 0;
};
