#include "ui/menus/UIRelationsMenu.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/MathUtil.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/GameData.h"
#include "ui/ClientView.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

// The covenant circle: where each badge stands, the talk widgets, and the
// relation, treaty and trade-route lines between the selected covenants.

namespace {

constexpr float kDegrees = 0.0174532930056f;
constexpr uint16_t kSolid = 0xffff;
constexpr uint16_t kTreatyDashes = 0xf0f0;
constexpr uint16_t kRouteDots = 0xcccc;
constexpr int kPeace = 1;

void rgb(const Color& c, float out[3])
{
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

std::string crestOf(const CovenantBase* covenant)
{
    const CovenantDefinition* definition = covenant ? covenant->getDefinition() : nullptr;
    return definition ? definition->crestName : std::string();
}

// A colour-table colour named by a rules table; colour 0 outside it.
template <size_t N> Color tableColour(const std::array<int, N>& table, int state)
{
    return ColorSystem::getColor(
        state >= 0 && static_cast<size_t>(state) < N ? table[static_cast<size_t>(state)] : 0);
}

// Draws the line from a to b except where it crosses a box: the badges'
// words stay clear of every line. The stretches inside each box are found
// by clipping the line to it.
void drawAround(UIDrawing& drawing, Vec2 a, Vec2 b, float width, const float colour[3], uint16_t pattern,
                const std::vector<RectF>& boxes)
{
    const float dx = b.x - a.x, dy = b.y - a.y;
    std::vector<std::pair<float, float>> hidden;
    for (const RectF& box : boxes) {
        float t0 = 0.0f, t1 = 1.0f;
        const float p[4] = {-dx, dx, -dy, dy};
        const float q[4] = {a.x - box.minX, box.maxX - a.x, a.y - box.minY, box.maxY - a.y};
        bool inside = true;
        for (int k = 0; k < 4 && inside; ++k) {
            if (p[k] == 0.0f) {
                inside = q[k] >= 0.0f;
            } else if (p[k] < 0.0f) {
                t0 = std::max(t0, q[k] / p[k]);
            } else {
                t1 = std::min(t1, q[k] / p[k]);
            }
        }
        if (inside && t0 < t1) {
            hidden.emplace_back(t0, t1);
        }
    }
    std::sort(hidden.begin(), hidden.end());
    float from = 0.0f;
    auto piece = [&](float t0, float t1) {
        if (t1 > t0) {
            drawing.drawLine(a.x + dx * t0, a.y + dy * t0, a.x + dx * t1, a.y + dy * t1, width, colour,
                             pattern);
        }
    };
    for (const auto& [t0, t1] : hidden) {
        piece(from, t0);
        from = std::max(from, t1);
    }
    piece(from, 1.0f);
}

} // namespace

std::vector<RectF> UIRelationsMenu::badgeWordBoxes(int count) const
{
    // Half the widest line and a point of air around the words.
    constexpr float kClear = 3.0f;
    std::vector<RectF> boxes;
    for (int i = 0; i < count; ++i) {
        const RelationsCovenantEntry& entry = m_entries[static_cast<size_t>(i)];
        for (const auto& w : entry.container->getWidgets()) {
            const bool words = !w->getTextSources().empty() || !w->getTextValue().empty();
            // The eliminated label shows only over an eliminated covenant's crest.
            if (!words || w.get() == entry.picture || (w.get() == entry.eliminatedLabel && !isOut(i))) {
                continue;
            }
            const Vec2 at = w->getScreenPosition(), size = w->getSize();
            boxes.push_back({at.x - kClear, at.y - kClear, at.x + size.x + kClear, at.y + size.y + kClear});
        }
    }
    return boxes;
}

Vec2 UIRelationsMenu::circlePosition(int covenant) const
{
    UISystem* ui = UISystem::instance();
    const Vec2 centre = ui ? ui->getSettings().relationsCenter : Vec2();
    const float radius = ui ? ui->getSettings().relationsRadius : 0.0f;
    ClientView* v = ui ? ui->getClientView() : nullptr;
    const int own = v ? v->getPlayerCovenantIndex() : -1;
    const int n = m_covenantCount > 0 ? m_covenantCount : 1;
    int slot = covenant == own ? 0 : (covenant < own ? covenant + 1 : covenant);
    float angle = (static_cast<float>(slot) * (-360.0f / static_cast<float>(n)) - 90.0f) * kDegrees;
    return {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
}

void UIRelationsMenu::refreshTalk(int covenant)
{
    m_talkCovenant = covenant;
    UISystem* ui = UISystem::instance();
    ClientView* v = ui ? ui->getClientView() : nullptr;
    const CovenantBase* c = v ? v->getCovenant(covenant) : nullptr;
    if (m_talkPicture) {
        m_talkPicture->setTexture(crestOf(c));
        m_talkPicture->setEntityIndex(covenant);
    }
    if (m_talkName) {
        m_talkName->setText(coloredName(c));
    }
    if (v) {
        v->setCurrentCovenant(covenant);
    }
}

void UIRelationsMenu::update(float seconds)
{
    if (!isActive()) {
        return;
    }
    UIMenu::update(seconds);
    UISystem* ui = UISystem::instance();
    ClientView* v = ui ? ui->getClientView() : nullptr;
    m_covenantCount = v ? v->getCovenantCount() : 0;
    for (int i = 0; i < kEntries && i < m_covenantCount; ++i) {
        RelationsCovenantEntry& entry = m_entries[static_cast<size_t>(i)];
        if (entry.picture) {
            entry.picture->setTexture(crestOf(v->getCovenant(i)));
        }
        Vec2 at = circlePosition(i);
        entry.container->setPosition({at.x - 32.0f, at.y - 32.0f});
    }
    const int own = v ? v->getPlayerCovenantIndex() : -1;
    if (own != m_ownBadge) {
        auto hint = [this](int index, const std::vector<UITextSourceRecord>& sources) {
            if (index >= 0 && index < kEntries && m_entries[static_cast<size_t>(index)].picture) {
                m_entries[static_cast<size_t>(index)].picture->setHighlightSources(sources);
            }
        };
        hint(m_ownBadge, m_badgeSources);
        hint(own, m_ownBadgeSources);
        m_ownBadge = own;
    }
    if (m_current == Diplomacy) {
        refreshTalk(m_talkCovenant);
    }
    if (UIMenu* page = getCurrentPage()) {
        page->update(seconds);
    }
}

void UIRelationsMenu::draw()
{
    if (!isActive()) {
        return;
    }
    UISystem* ui = UISystem::instance();
    ClientView* v = ui ? ui->getClientView() : nullptr;
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    UIMenu* page = getCurrentPage();
    if (!v || !drawing || !page) {
        return;
    }
    switch (m_current) {
    case Main:
        drawCircle(*v, *drawing);
        break;
    case PowerCompare:
    case InfluenceCompare:
        drawChart(*v, *drawing, m_current == PowerCompare);
        break;
    case WinProgress:
        page->draw();
        break;
    default:
        page->draw();
        if (m_talkPicture) {
            m_talkPicture->draw();
        }
        if (m_talkName) {
            m_talkName->draw();
        }
        break;
    }
}

void UIRelationsMenu::drawCircle(ClientView& view, UIDrawing& drawing)
{
    bindVariables();
    getCurrentPage()->draw();
    UISystem* ui = UISystem::instance();
    const float lo = ui ? ui->getSettings().minRelationForColoring : 0.0f;
    const float hi = ui ? ui->getSettings().maxRelationForColoring : 0.0f;
    const GameData* data = GameData::instance();
    bool treatyDrawn = false, routeDrawn = false;
    const int count = std::min(m_covenantCount, static_cast<int>(kEntries));
    const std::vector<RectF> words = badgeWordBoxes(count);
    for (int i = 0; i < count; ++i) {
        for (int j = i + 1; j < count; ++j) {
            if (!(m_entries[static_cast<size_t>(i)].selected || m_entries[static_cast<size_t>(j)].selected) ||
                isOut(i) || isOut(j)) {
                continue;
            }
            const Vec2 a = circlePosition(i);
            const Vec2 b = circlePosition(j);
            float degrees = a.x == b.x && a.y == b.y ? 0.0f : std::atan2(b.y - a.y, b.x - a.x) / kDegrees;
            if (degrees < 0.0f) {
                degrees += 360.0f;
            }
            float turned = (a.x == b.x && a.y == b.y ? 0.0f : degrees + 90.0f) * kDegrees;
            Vec2 u{std::cos(turned), std::sin(turned)};
            if (a.x == b.x && a.y == b.y) {
                u = {0.0f, 1.0f};
            }
            const CovenantBase* first = view.getCovenant(i);
            if (m_showRelations.isValid() && m_showRelations.getBool()) {
                float value = view.getMutualRelation(i, j);
                float colour[3] = {0.0f, 0.0f, 0.0f};
                if (value >= hi) {
                    colour[1] = 1.0f;
                } else if (value <= lo) {
                    colour[0] = 1.0f;
                } else {
                    colour[0] = (hi - value) / (hi - lo);
                    colour[1] = (value - lo) / (hi - lo);
                }
                drawAround(drawing, a, b, 3.0f, colour, kSolid, words);
            }
            const int treaty = first->getRelationState(j);
            if (m_showTreaties.isValid() && m_showTreaties.getBool() && treaty != kPeace) {
                float colour[3];
                rgb(data ? tableColour(data->rules().treatyColor, treaty) : ColorSystem::getColor(0), colour);
                drawAround(drawing, {a.x + 4.0f * u.x, a.y + 4.0f * u.y},
                           {b.x + 4.0f * u.x, b.y + 4.0f * u.y}, 4.0f, colour, kTreatyDashes, words);
                treatyDrawn = true;
            }
            const int route = first->getRelationSubState(j);
            if (m_showTradeRoutes.isValid() && m_showTradeRoutes.getBool() && route != 0) {
                float colour[3];
                rgb(data ? tableColour(data->rules().tradeRouteColor, route) : ColorSystem::getColor(0),
                    colour);
                drawAround(drawing, {a.x - 4.0f * u.x, a.y - 4.0f * u.y},
                           {b.x - 4.0f * u.x, b.y - 4.0f * u.y}, 1.0f, colour, kRouteDots, words);
                routeDrawn = true;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        RelationsCovenantEntry& entry = m_entries[static_cast<size_t>(i)];
        const bool out = isOut(i);
        if (entry.picture) {
            entry.picture->setColour(ColorSystem::getColor(entry.selected && !out ? 0 : 4));
        }
        if (entry.eliminatedLabel) {
            entry.eliminatedLabel->setVisible(out);
        }
        entry.container->update(0.0f);
        entry.container->draw();
    }
    float white[3];
    rgb(ColorSystem::getColor(0), white);
    const bool simplify = m_simplify.isValid() && m_simplify.getBool();
    drawing.drawLine(80.0f, 136.0f, 160.0f, 136.0f, 2.5f, white, kSolid);
    if (!simplify || treatyDrawn) {
        drawing.drawLine(80.0f, 231.0f, 160.0f, 231.0f, 4.0f, white, kTreatyDashes);
    }
    if (!simplify || routeDrawn) {
        drawing.drawLine(80.0f, 326.0f, 160.0f, 326.0f, 1.0f, white, kRouteDots);
    }
}
