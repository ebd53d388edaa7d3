#include "ui/widgets/UITextInput.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/input/Input.h"
#include "ui/UISystem.h"

namespace {

constexpr int kKeyEscape = 1;
constexpr int kKeyBackspace = 14;
constexpr int kKeyTab = 15;
constexpr int kKeyEnter = 28;
constexpr int kKeyPadEnter = 156;

std::string readWord(TextReader& reader)
{
    std::string token;
    reader.readToken(token, false);
    return token;
}

} // namespace

UITextInput::UITextInput()
{
    m_canClick = true;
    m_ignoreRepeats = false;
}

UITextInput::~UITextInput() = default;

void UITextInput::copyFrom(const UITextInput& other)
{
    copyBaseFrom(other);
    m_inputText = other.m_inputText;
    m_onlyAllowNumbers = other.m_onlyAllowNumbers;
    m_allowTabs = other.m_allowTabs;
    m_enterRedirect = other.m_enterRedirect;
    m_tabRedirect = other.m_tabRedirect;
    m_maxCharacters = other.m_maxCharacters;
    m_clearOnShow = other.m_clearOnShow;
}

void UITextInput::initialize(bool menuWasHidden)
{
    UIWidget::initialize(menuWasHidden);
    // A field for a new thing starts empty each time its menu comes up.
    if (m_clearOnShow && menuWasHidden) {
        m_inputText.clear();
        if (m_userVar.isValid() && userVarsReady()) {
            m_userVar.setString("");
        }
    }
}

void UITextInput::update(float seconds)
{
    if (m_userVar.isValid() && userVarsReady()) {
        m_inputText = m_userVar.getString();
    }
    UISystem* ui = UISystem::instance();
    std::string shown = m_inputText;
    if (ui && ui->getFocusWidget() == this) {
        shown += ui->getTextCursor();
    }
    unescapeNewlines(shown);
    m_text = shown;
}

void UITextInput::onClick(int button, bool down, int x, int y)
{
    if (button != 0) {
        return;
    }
    if (UISystem* ui = UISystem::instance()) {
        ui->setFocusWidget(this);
    }
}

void UITextInput::storeInput()
{
    if (m_userVar.isValid() && userVarsReady()) {
        m_userVar.setString(m_inputText);
    }
}

bool UITextInput::onKey(int key, bool down)
{
    if (!down) {
        return true;
    }
    Input* input = Input::instance();
    int typed = input ? input->scanCodeToChar(key) : Input::scanCodeToChar(key, false);
    if (key == kKeyEscape) {
        return false;
    }
    UISystem* ui = UISystem::instance();
    if (key == kKeyBackspace) {
        if (!m_inputText.empty()) {
            m_inputText.pop_back();
        }
    } else if (key == kKeyEnter || key == kKeyPadEnter) {
        UIWidget* target = ui && !m_enterRedirect.empty() ? ui->findWidget(m_enterRedirect) : nullptr;
        if (target) {
            target->onMouseHeld(0, true);
        }
    } else if (key == kKeyTab && !m_tabRedirect.empty()) {
        if (UIWidget* target = ui ? ui->findWidget(m_tabRedirect) : nullptr) {
            ui->setFocusWidget(target);
        }
    } else if (typed != 0) {
        bool dropped = (typed == '\t' && !m_allowTabs) ||
                       (m_onlyAllowNumbers && (typed < '0' || typed > '9')) ||
                       (m_maxCharacters > 0 && static_cast<int>(m_inputText.size()) >= m_maxCharacters);
        if (!dropped) {
            m_inputText += static_cast<char>(typed);
        }
    }
    storeInput();
    return true;
}

bool UITextInput::parseParm(const std::string& keyword, TextReader& reader)
{
    if (equalsNoCase(keyword, "onlyAllowNumbers")) {
        m_onlyAllowNumbers = reader.getBool();
    } else if (equalsNoCase(keyword, "allowTabs")) {
        m_allowTabs = reader.getBool();
    } else if (equalsNoCase(keyword, "enterRedirect")) {
        m_enterRedirect = readWord(reader);
    } else if (equalsNoCase(keyword, "tabRedirect")) {
        m_tabRedirect = readWord(reader);
    } else if (equalsNoCase(keyword, "maxCharacters")) {
        m_maxCharacters = reader.getInt();
    } else if (equalsNoCase(keyword, "clearOnShow")) {
        m_clearOnShow = reader.getBool();
    } else {
        return UIWidget::parseParm(keyword, reader);
    }
    return false;
}
