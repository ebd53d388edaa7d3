#include "ui/widgets/UISkillSlotRecruit.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/quests/RecruitBase.h"
#include "game/skills/SkillDefinition.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"
#include "ui/widgets/WidgetReads.h"

UISkillSlotRecruit::UISkillSlotRecruit()
{
    UISystem* ui = UISystem::instance();
    if (UIDrawing* drawing = ui ? ui->getDrawing() : nullptr) {
        m_outline = drawing->acquireImage("Textures/outline.tga", 6);
    }
}

void UISkillSlotRecruit::copyFrom(const UISkillSlotRecruit& other)
{
    copyBaseFrom(other);
    m_number = other.m_number;
}

bool UISkillSlotRecruit::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "skillIndex")) {
        m_number = reader.getInt();
        return false;
    }
    return UIWidget::parseParm(keyword, reader);
}

void UISkillSlotRecruit::update(float seconds)
{
    UIWidget::update(seconds);
    ClientView* view = widgetClientView();
    const RecruitBase* recruit = view ? view->getSelectedRecruit() : nullptr;
    const Database* database = Database::instance();
    const GameData* data = GameData::instance();
    int id = recruit ? recruit->getSkill(m_number) : -1;
    const DatabaseEntry* entry = id >= 0 && database ? database->getEntryByIndex(id) : nullptr;
    int index = entry && data ? data->findSkillIndex(entry->getName()) : -1;
    const auto& definitions = data ? data->getSkillDefinitionList() : std::vector<SkillDefinition*>();
    m_definition = index >= 0 && index < static_cast<int>(definitions.size())
                       ? definitions[static_cast<size_t>(index)]
                       : nullptr;
    m_level = m_definition
                  ? m_definition->getLevelFromStats(recruit->stats, recruit->skillPointsStat(m_number))
                  : -1;
    setTexture(m_definition && !m_definition->textureName.empty() ? m_definition->textureName
                                                                  : "Textures/black.tga");
}

void UISkillSlotRecruit::draw()
{
    if (!isVisible()) {
        return;
    }
    UIWidget::draw();
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (!drawing || !m_definition) {
        return;
    }
    Vec2 at = getScreenPosition();
    Color c = ColorSystem::getColor(0);
    const float white[3] = {c.r, c.g, c.b};
    if (m_outline.isValid()) {
        drawing->drawImage(m_outline, at.x, at.y, at.x + m_size.x, at.y + m_size.y, 1.0f, white, false,
                           false);
    }
    const ResourceHandle& font = m_font.isValid() ? m_font : ui->getDefaultFont();
    std::string level = std::to_string(m_level);
    Vec2 laid = drawing->layoutText(font, level);
    drawing->drawText(font, level, static_cast<int>(at.x + (m_size.x - laid.x) / 2.0f),
                      static_cast<int>(at.y + m_size.y - laid.y), white, false, 1.0f);
}

bool UISkillSlotRecruit::getTooltip(UITooltip& out)
{
    ClientView* view = widgetClientView();
    const RecruitBase* recruit = view ? view->getSelectedRecruit() : nullptr;
    if (!m_definition || !recruit) {
        return false;
    }
    UIWidget::getTooltip(out);
    std::string text;
    m_definition->getTooltip(recruit->stats, nullptr, recruit->skillPointsStat(m_number), false, text);
    out.text = text;
    return true;
}
