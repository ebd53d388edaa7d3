#include "ui/widgets/UIVirtualKeyInput.h"

#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/input/KeyCodes.h"
#include "ui/UISystem.h"

namespace {

UserVarRef readVariable(TextReader& reader)
{
    std::string name;
    reader.readToken(name, false);
    UserVarSystem* vars = UserVarSystem::instance();
    if (!vars || name.empty()) {
        return UserVarRef();
    }
    return vars->getVar(name, "", UserVarSystem::kCreate);
}

} // namespace

UIVirtualKeyInput::UIVirtualKeyInput()
{
    m_canClick = true;
}

UIVirtualKeyInput::~UIVirtualKeyInput() = default;

void UIVirtualKeyInput::copyFrom(const UIVirtualKeyInput& other)
{
    copyBaseFrom(other);
    m_showVar = other.m_showVar;
    m_actionVar = other.m_actionVar;
    m_duplicateMenu = other.m_duplicateMenu;
}

bool UIVirtualKeyInput::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "ShowUserVar")) {
        m_showVar = readVariable(reader);
        return false;
    }
    if (equalsNoCase(keyword, "VirtualKeyUserVar")) {
        m_actionVar = readVariable(reader);
        return false;
    }
    if (equalsNoCase(keyword, "DuplicateMenuName")) {
        reader.readToken(m_duplicateMenu, false);
        return false;
    }
    return UIWidget::parseParm(keyword, reader);
}

bool UIVirtualKeyInput::isVisible() const
{
    if (m_showVar.isValid() && m_showVar.getInt() == 0) {
        return false;
    }
    return UIWidget::isVisible();
}

void UIVirtualKeyInput::hideInput()
{
    if (m_showVar.isValid()) {
        m_showVar.setString("0");
    }
}

void UIVirtualKeyInput::bind(int code, bool isMouse)
{
    VirtualKeys* keys = VirtualKeys::instance();
    std::string action = m_actionVar.isValid() ? m_actionVar.getString() : std::string();
    bool bound = keys && keys->bindKey(action, code, isMouse);
    if (!bound && !m_duplicateMenu.empty()) {
        if (UISystem* ui = UISystem::instance()) {
            ui->pushMenuByName(m_duplicateMenu);
        }
    }
}

bool UIVirtualKeyInput::onKey(int key, bool down)
{
    if (!down) {
        return false;
    }
    if (key != DIK_ESCAPE) {
        bind(key, false);
    }
    hideInput();
    return true;
}

bool UIVirtualKeyInput::handleMouseButton(int button, bool down, int x, int y)
{
    if (!isVisible() || !down) {
        return false;
    }
    bind(button, true);
    hideInput();
    return true;
}
