#include "ui/menus/UIRelationsMenu.h"

#include "engine/core/ColorSystem.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>
#include <cmath>

// The power and influence charts: every covenant's weighted sum of the shown
// components over the recorded history, ending at its current value.

namespace {

constexpr int kMaxPoints = 20;
constexpr CovenantStat kPowerStats[] = {CovenantStat::House, CovenantStat::AbsoluteInfluence,
                                        CovenantStat::People, CovenantStat::Items, CovenantStat::LifeStone};
constexpr CovenantStat kInfluenceStats[] = {CovenantStat::InfluenceAdventure,
                                            CovenantStat::InfluenceCompetition, CovenantStat::InfluenceWorld,
                                            CovenantStat::InfluenceTransferred};

} // namespace

void UIRelationsMenu::drawChart(ClientView& view, UIDrawing& drawing, bool power)
{
    RelationsChartToggle* toggles = power ? m_powerToggles.data() : m_influenceToggles.data();
    const int components = power ? kPowerComponents : kInfluenceComponents;
    for (int k = 0; k < components; ++k) {
        if (UIWidget* widget = toggles[k].widget.get()) {
            widget->setColour(ColorSystem::getColor(toggles[k].shown ? 0 : 4));
        }
    }
    getCurrentPage()->draw();
    if (!view.getPlayerCovenant()) {
        return;
    }
    const int snapshots = view.getHistorySnapshotCount();
    const int m = std::min(snapshots, kMaxPoints);
    const GameData* data = GameData::instance();
    auto weight = [&](int k) {
        return power ? (data ? data->rules().covenantPowerMult[static_cast<size_t>(k)] : 1.0f) : 1.0f;
    };
    auto stat = [&](int k) { return static_cast<int>(power ? kPowerStats[k] : kInfluenceStats[k]); };
    const int historyBase = power ? 0 : kPowerComponents;
    const int count = std::min(m_covenantCount, static_cast<int>(kEntries));

    float low = 0.0f, high = 0.0f;
    for (int k = 0; k < components; ++k) {
        if (!toggles[k].shown) {
            continue;
        }
        float lowK = static_cast<float>(view.getHistoryMinimum(historyBase + k));
        float highK = static_cast<float>(view.getHistoryMaximum(historyBase + k));
        for (int c = 0; c < count; ++c) {
            if (const CovenantBase* covenant = view.getCovenant(c)) {
                float current = static_cast<float>(covenant->stats.get(stat(k)));
                lowK = std::min(lowK, current);
                highK = std::max(highK, current);
            }
        }
        low += weight(k) * lowK;
        high += weight(k) * highK;
    }
    (power ? m_powerLow : m_influenceLow) = low;
    (power ? m_powerHigh : m_influenceHigh) = high;
    if (m == 0) {
        return;
    }
    auto value = [&](int c, int t) {
        float sum = 0.0f;
        const CovenantBase* covenant = view.getCovenant(c);
        // Points spread evenly over the whole history: snapshots / (m + 1) * t
        // is 0 for every t while 20 or fewer are recorded, which flattens
        // the history against the chart's right end.
        const int snapshot = static_cast<int>(static_cast<int64_t>(snapshots) * t / m);
        for (int k = 0; k < components; ++k) {
            if (!toggles[k].shown) {
                continue;
            }
            float v = t < m ? static_cast<float>(view.getHistoryValue(snapshot, c, historyBase + k))
                            : (covenant ? static_cast<float>(covenant->stats.get(stat(k))) : 0.0f);
            sum += weight(k) * v;
        }
        return sum;
    };
    const float floorValue = std::min(low, 0.0f);
    auto point = [&](int c, int t) {
        float f = high > 0.0f ? (value(c, t) - floorValue) / (high - floorValue) : 0.0f;
        return Vec2{100.0f + static_cast<float>(t) / static_cast<float>(m) * 440.0f,
                    100.0f + (1.0f - f) * 280.0f};
    };
    UISystem* ui = UISystem::instance();
    float white[3];
    const Color c0 = ColorSystem::getColor(0);
    white[0] = c0.r;
    white[1] = c0.g;
    white[2] = c0.b;
    for (int c = 0; c < count; ++c) {
        const CovenantBase* covenant = view.getCovenant(c);
        const CovenantDefinition* definition = covenant ? covenant->getDefinition() : nullptr;
        const Color own = ColorSystem::getColor(definition ? definition->color : 0);
        const float colour[3] = {own.r, own.g, own.b};
        for (int t = 0; t < m; ++t) {
            Vec2 a = point(c, t);
            Vec2 b = point(c, t + 1);
            drawing.drawLine(a.x, a.y, b.x, b.y, 3.0f, colour, 0xffff);
        }
        if (ui) {
            drawing.drawText(ui->getDefaultFont(), coloredName(covenant), 15, 90 + 15 * c, white, false,
                             1.0f);
        }
    }
}
