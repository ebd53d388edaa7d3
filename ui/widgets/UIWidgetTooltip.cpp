#include "ui/widgets/UIWidget.h"

#include "engine/core/ColorCodes.h"
#include "game/definitions/GameEnums.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"

#include <algorithm>

namespace {

// The widgets asked in the tooltip request under way, so that a chain of
// redirects never comes back to one of them.
std::vector<const UIWidget*>& askedWidgets()
{
    static std::vector<const UIWidget*> asked;
    return asked;
}

const char* levelWord(int d)
{
    if (d <= -5)
        return "Very easy";
    if (d <= -2)
        return "Easy";
    if (d <= 2)
        return "Average";
    if (d <= 4)
        return "Hard";
    if (d == 5)
        return "Very hard";
    return "Impossible";
}

} // namespace

int UIWidget::getEntityLevelDifference() const
{
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (!view || !view->hasLocalPlayer()) {
        return 0;
    }
    int player = view->getPlayerStat(static_cast<int>(CharacterStat::Level));
    EntityClient* entity = getEntity();
    if (!entity) {
        return -player;
    }
    return view->getEntityLevel(entity) - player;
}

std::string UIWidget::getHotKeyHint(const std::string& action) const
{
    if (m_hotKey == -1) {
        return std::string();
    }
    std::string key = getKeyDisplayName(m_hotKey);
    std::string out = formatColorCode(8);
    if (action.empty()) {
        out += "$$Press the$$ " + key + " $$key$$";
    } else {
        out += "$$Press the$$ " + key + " $$key to$$ " + action;
    }
    out += formatColorCode(145);
    return out;
}

bool UIWidget::getTooltip(UITooltip& out)
{
    std::vector<const UIWidget*>& asked = askedWidgets();
    if (!m_highlightRedirect.empty()) {
        UISystem* ui = UISystem::instance();
        UIWidget* target = ui ? ui->findWidget(m_highlightRedirect) : nullptr;
        if (target && std::find(asked.begin(), asked.end(), target) == asked.end() &&
            std::find(asked.begin(), asked.end(), this) == asked.end()) {
            asked.push_back(this);
            bool answered = target->getTooltip(out);
            asked.pop_back();
            if (answered) {
                return true;
            }
        }
    }
    return tooltipOwnSteps(out);
}

bool UIWidget::tooltipOwnSteps(UITooltip& out)
{
    bool placed = false;
    if (!m_textSources.empty() && m_textSources.front().type == UITextSource::EntityLevel) {
        out.text = levelWord(getEntityLevelDifference());
        placed = true;
    } else if (!m_name.empty()) {
        out.text = m_name + "\n" + getHotKeyHint("$$open$$");
        return true;
    }
    bool highlight = false;
    if (!m_highlightText.empty()) {
        out.text = m_highlightText;
        highlight = true;
    }
    if (!m_highlightSources.empty() && m_highlightSources.front().type != UITextSource::None) {
        if (highlight) {
            out.text += "\n";
        }
        std::string extra = buildSourceText(m_highlightSources, *this);
        if (!extra.empty() || highlight) {
            out.text += extra;
            highlight = highlight || !extra.empty();
        }
    }
    (void)placed;
    return highlight || m_blocksMouse;
}
