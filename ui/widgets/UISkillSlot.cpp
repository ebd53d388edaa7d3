#include "ui/widgets/UISkillSlot.h"

#include "client/mirrors/EntityClient.h"
#include "client/mirrors/SkillClient.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameEnums.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/UIValueTables.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/WidgetReads.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kBlack = "Textures/black.tga";
constexpr int kPowerStat = 80;
constexpr int kSkillPointsStat = 94;

void rgb(int index, float out[3])
{
    Color c = ColorSystem::getColor(index);
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

// The entity states that distract: minor, decent and major, own and the enemy's.
constexpr uint32_t kDistractionStates = (7u << 7) | (7u << 18);

} // namespace

UISkillSlot::UISkillSlot()
{
    m_canClick = true;
    m_activatingButton = 6;
    UISystem* ui = UISystem::instance();
    if (UIDrawing* drawing = ui ? ui->getDrawing() : nullptr) {
        m_outline = drawing->acquireImage("Textures/outline.tga", 6);
    }
}

UISkillSlot::~UISkillSlot() = default;

void UISkillSlot::copyFrom(const UISkillSlot& other)
{
    copySlotFrom(other);
    m_tree = other.m_tree;
    m_skillIndex = other.m_skillIndex;
}

bool UISkillSlot::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "skillIndex")) {
        m_tree = reader.getInt();
        m_skillIndex = reader.getInt();
        return false;
    }
    return UIWidget::parseParm(keyword, reader);
}

void UISkillSlot::getSource(int& kind, int& a, int& b) const
{
    kind = 1;
    a = m_tree;
    b = m_skillIndex;
}

void UISkillSlot::setSource(int tree, int skill)
{
    m_tree = tree;
    m_skillIndex = skill;
    lookUp();
}

void UISkillSlot::lookUp()
{
    ClientView* view = widgetClientView();
    m_skill = view && m_tree >= 0 && m_skillIndex >= 0 ? view->getPlayerSkill(m_tree, m_skillIndex) : nullptr;
    m_level = m_skill ? m_skill->getLevel() : -1;
}

bool UISkillSlot::isVisible() const
{
    return UIWidget::isVisible() && m_skill != nullptr;
}

void UISkillSlot::checkAvailable()
{
    ClientView* view = widgetClientView();
    if (!view || !m_skill) {
        return;
    }
    if (!view->hasLocalPlayer() || m_tree < 0 || m_skillIndex < 0 || m_skill->getLevel() < 1) {
        const SkillDefinition* definition = m_skill->getDefinition();
        view->showErrorMessage(
            formatString("Don't have the %s skill", definition ? definition->getShownName().c_str() : ""));
    }
}

void UISkillSlot::update(float seconds)
{
    UIWidget::update(seconds);
    lookUp();
    ClientView* view = widgetClientView();
    const SkillDefinition* definition = m_skill ? m_skill->getDefinition() : nullptr;
    if (m_standalone && !m_draggedDrawing) {
        const auto* placed = dynamic_cast<const SkillClient*>(m_skill);
        if (placed && m_menu && !(definition && definition->hardCodedLocation)) {
            Vec2 page = m_menu->getSize();
            m_position = {placed->treeX * page.x - m_size.x / 2.0f, placed->treeY * page.y - m_size.y / 2.0f};
        }
    } else if (m_heldByHotBar) {
        m_position = {0.0f, 0.0f};
    }
    setTexture(definition && !definition->textureName.empty() ? definition->textureName : kBlack);
    bool usable = m_level >= 1 && view && view->checkSkillUse(*m_skill) == 0;
    m_colour = ColorSystem::getColor(!showsUsability() || usable ? 0 : kDimmedColour);

    if (!m_skill || !definition || m_level < 1 || !definition->showSkillHint || !m_heldByHotBar || !view ||
        !view->hasLocalPlayer()) {
        return;
    }
    if (view->checkSkillUse(*m_skill) != 0) {
        m_hintGiven = false;
        return;
    }
    bool ready = m_skill->isReady() && view->getPlayerStat(kPowerStat) >= getSkillPowerCost(*m_skill);
    if (ready && !m_hintGiven) {
        view->addUseHint(definition->getEntryName());
    }
    m_hintGiven = ready;
}

void UISkillSlot::draw()
{
    if (!isVisible()) {
        return;
    }
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    ClientView* view = ui ? ui->getClientView() : nullptr;
    const SkillDefinition* definition = m_skill->getDefinition();
    if (!drawing || !view || !definition) {
        return;
    }
    Vec2 at = getScreenPosition();
    // The icon in the slot's colour: dimmed while the skill cannot be used.
    if (m_image.isValid()) {
        const float tint[3] = {m_colour.r, m_colour.g, m_colour.b};
        drawing->drawImage(m_image, at.x, at.y, at.x + m_size.x, at.y + m_size.y, m_alpha, tint, false,
                           false);
    }
    float white[3];
    rgb(0, white);
    const ResourceHandle* wipe = drawing->standardImage(1);
    float left = m_skill->getTimerRemaining();
    if (left > 0.0f && wipe) {
        drawing->drawRadialWipe(*wipe, at.x, at.y, m_size.x, m_size.y, 0.75f, white,
                                std::clamp(m_skill->getCooldownFraction(), 0.0f, 1.0f));
    }
    const ResourceHandle& font = m_font.isValid() ? m_font : ui->getDefaultFont();
    if (m_level >= 1) {
        if (m_outline.isValid()) {
            float outline[3];
            rgb(kOutlineColour, outline);
            drawing->drawImage(m_outline, at.x, at.y, at.x + m_size.x, at.y + m_size.y, 1.0f, outline, false,
                               false);
        }
        if (!m_draggedDrawing && !definition->isBasic()) {
            // The level stands inside the right edge, on the lower third.
            std::string level = std::to_string(m_level);
            Vec2 laid = drawing->layoutText(font, level);
            drawing->drawText(font, level, static_cast<int>(at.x + m_size.x - 7.0f - laid.x),
                              static_cast<int>(at.y + m_size.y * 2.0f / 3.0f - laid.y / 2.0f), white, false,
                              1.0f);
        }
    }
    int maximum = getSkillMaxLevel(*m_skill);
    bool belowMaximum = m_level < maximum || (!definition->isBasic() && definition->maxSkillLevel == 0);
    if (m_standalone && !m_draggedDrawing && belowMaximum) {
        int cost = m_skill->getPointCost(std::max(m_level, 0));
        if (cost > 0) {
            float colour[3];
            rgb(view->getPlayerStat(kSkillPointsStat) < cost ? 1 : 2, colour);
            std::string text = std::to_string(cost);
            Vec2 laid = drawing->layoutText(font, text);
            drawing->drawText(font, text, static_cast<int>(at.x + (m_size.x - laid.x) / 2.0f),
                              static_cast<int>(at.y + m_size.y + 6.0f), colour, false, 1.0f);
        }
    }
    if (definition->linkedEnd) {
        drawLinkLine();
    }
    drawHotKeyHint();
}

// From this slot's centre to the centre of the slot of the skill it links to.
void UISkillSlot::drawLinkLine()
{
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    const SkillBase* linked = m_skill ? m_skill->getLinked() : nullptr;
    if (!drawing || !linked || !m_menu) {
        return;
    }
    for (const auto& widget : m_menu->getWidgets()) {
        const auto* other = dynamic_cast<const UISkillSlot*>(widget.get());
        if (!other || other == this || other->getSkill() != linked) {
            continue;
        }
        Vec2 from = getScreenPosition();
        Vec2 to = other->getScreenPosition();
        float colour[3];
        rgb(kOutlineColour, colour);
        drawing->drawLine(from.x + m_size.x / 2.0f, from.y + m_size.y / 2.0f,
                          to.x + other->getSize().x / 2.0f, to.y + other->getSize().y / 2.0f, 2.0f, colour,
                          0xFFFF);
        return;
    }
}

void UISkillSlot::activate()
{
    ClientView* view = widgetClientView();
    if (view && m_tree >= 0 && m_skillIndex >= 0 && view->hasLocalPlayer()) {
        view->useSkill(m_tree, m_skillIndex);
    }
}

void UISkillSlot::onClick(int button, bool down, int x, int y)
{
    UIWidget::onClick(button, down, x, y);
    UISystem* ui = UISystem::instance();
    ClientView* view = ui ? ui->getClientView() : nullptr;
    if (!down || !view) {
        return;
    }
    if (button == 1) {
        activate();
    } else if (button == 0 && ui->getUIMode() == UIMode::IncreaseSkill) {
        view->queueServerCommand(formatString("increaseSkill %d %d ", m_tree, m_skillIndex));
    } else if (button == 0) {
        if (dynamic_cast<UISkillSlot*>(ui->getDragWidget())) {
            ui->setDragWidget(nullptr);
        } else if (m_skill) {
            ui->setDragWidget(this);
        }
    }
}

bool UISkillSlot::getTooltip(UITooltip& out)
{
    ClientView* view = widgetClientView();
    if (!m_skill || !view || !view->hasLocalPlayer()) {
        return false;
    }
    UIWidget::getTooltip(out);
    const SkillDefinition* definition = m_skill->getDefinition();
    std::string text = view->describeSkill(*m_skill, ClientView::SkillText::Tooltip);
    text += getHotKeyHint("$$use$$");
    if (showsUsability() && definition) {
        std::string lines;
        int seconds = static_cast<int>(std::ceil(m_skill->getTimerRemaining()));
        if (seconds == 1) {
            lines += "\nCan't use for another 1 second";
        } else if (seconds > 1) {
            lines += formatString("\nCan't use for another %d seconds", seconds);
        }
        if (getSkillPowerCost(*m_skill) > view->getPlayerStat(kPowerStat)) {
            const CharacterClass* type = view->getPlayerClass();
            lines += "\nNot enough " + (type ? type->powerName : std::string());
        }
        const EntityClient* target = view->getTargetEntity(false);
        if (definition->needsEnemy && (!target || target->getMouseAction(true, false) != 2)) {
            lines += "\nNeed an enemy";
        }
        if (!lines.empty()) {
            text += "^c099" + lines + "^c145";
        }
    }
    if (m_skill->causesCriticalHits() || m_skill->causesCrushingBlows() || m_skill->causesDeepWounds()) {
        view->showHelpTopic("FindCombatPercents");
    }
    if (definition) {
        uint32_t states = definition->requiredEntityStateOne | definition->requiredEntityStateAll;
        if ((states & kDistractionStates) != 0) {
            view->showHelpTopic("Distractions");
        }
        if (states != 0) {
            view->showHelpTopic("StateRequirements");
        }
    }
    out.text = text;
    return true;
}
