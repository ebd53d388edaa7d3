#include "ui/widgets/UIListButton.h"

#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "ui/UISystem.h"
#include "ui/widgets/UIList.h"

UIListButton::UIListButton() = default;

UIListButton::~UIListButton() = default;

UIList* UIListButton::getList() const
{
    return static_cast<UIList*>(m_list.get());
}

void UIListButton::copyFrom(const UIListButton& other)
{
    copyBaseFrom(other);
    m_list = other.m_list;
    m_listCommand = other.m_listCommand;
}

void UIListButton::onClick(int button, bool down, int x, int y)
{
    std::string value;
    UIList* list = getList();
    if (button != 0 || !down || !list || !list->getSelectedValue(value)) {
        return;
    }
    executeCommand(m_listCommand + " " + value);
}

bool UIListButton::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "listCommand")) {
        reader.readToken(m_listCommand, false);
    } else if (equalsNoCase(keyword, "list")) {
        std::string path;
        reader.readToken(path, false);
        UISystem* ui = UISystem::instance();
        // Only a list counts; any other widget leaves the button without one.
        m_list = ui ? dynamic_cast<UIList*>(ui->findWidget(path, &reader)) : nullptr;
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
