#include "engine/console/VirtualKeys.h"

#include "engine/console/CommandLine.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/KeyNames.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

VirtualKeys::VirtualKeys() = default;
VirtualKeys::~VirtualKeys() = default;

int VirtualKeys::declareAction(const std::string& name, int code, bool isMouse, const std::string& command)
{
    int index = findKey(name, false);
    if (index < 0) {
        index = static_cast<int>(m_actions.size());
        m_actions.emplace_back();
    }
    Action& a = m_actions[static_cast<size_t>(index)];
    a.name = name;
    a.command = command;
    a.code = a.defaultCode = code;
    a.isMouse = a.defaultIsMouse = (code >= 0) && isMouse;
    return index;
}

void VirtualKeys::onKey(int key, bool down)
{
    if (!down) {
        return;
    }
    int index = findActionForKey(key, false);
    if (index < 0) {
        return;
    }
    // Copy: the line may rebind keys.
    std::string line = m_actions[static_cast<size_t>(index)].command;
    if (line.empty()) {
        return;
    }
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->execute(line, nullptr, false, false);
    }
}

bool VirtualKeys::bindKey(const std::string& action, int code, bool isMouse)
{
    int index = findKey(action, false);
    if (index < 0 || keyCodeToName(code, isMouse).empty()) {
        return false;
    }
    int owner = findActionForKey(code, isMouse);
    if (owner >= 0 && owner != index) {
        return false;
    }
    Action& a = m_actions[static_cast<size_t>(index)];
    a.code = code;
    a.isMouse = isMouse;
    UserVarSystem* vars = UserVarSystem::instance();
    if (vars && !vars->getUserConfigPath().empty()) {
        vars->writeUserConfig();
    }
    return true;
}

int VirtualKeys::findKey(std::string_view name, bool asVirtualKey) const
{
    for (size_t i = 0; i < m_actions.size(); ++i) {
        if (equalsNoCase(m_actions[i].name, name)) {
            return static_cast<int>(i) + (asVirtualKey ? kVirtualKeyBase : 0);
        }
    }
    return -1;
}

bool VirtualKeys::isBoundTo(int virtualKey, int keyCode, bool isMouse) const
{
    const Action* a = getAction(virtualKey - kVirtualKeyBase);
    return virtualKey >= kVirtualKeyBase && a && a->code >= 0 && a->code == keyCode && a->isMouse == isMouse;
}

std::string VirtualKeys::getBoundKeyName(int code) const
{
    const Action* a = code >= kVirtualKeyBase ? getAction(code - kVirtualKeyBase) : nullptr;
    if (!a || a->code < 0) {
        return std::string();
    }
    return keyCodeToName(a->code, a->isMouse);
}

int VirtualKeys::findActionForKey(int code, bool isMouse) const
{
    if (code < 0) {
        return -1;
    }
    for (size_t i = 0; i < m_actions.size(); ++i) {
        if (m_actions[i].code == code && m_actions[i].isMouse == isMouse) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const VirtualKeys::Action* VirtualKeys::getAction(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_actions.size()) {
        return nullptr;
    }
    return &m_actions[static_cast<size_t>(index)];
}

bool VirtualKeys::applyConfigLine(const std::vector<std::string>& words, bool isDefault,
                                  const std::string& fileName, int lineNumber)
{
    const char* file = fileName.c_str();
    if (words.size() < 3) {
        debugPrint(2, "%s:%d: VirtualKey needs an action name and a key\n", file, lineNumber);
        return false;
    }
    const std::string& name = words[1];
    const std::string& keyName = words[2];
    int code = -1;
    bool isMouse = false;
    if (keyName != "-") {
        code = keyOrButtonNameToCode(keyName, isMouse);
        if (code < 0) {
            debugPrint(2, "%s:%d: unknown key name %s\n", file, lineNumber, keyName.c_str());
            return false;
        }
    }
    size_t maxWords = isDefault ? 4 : 3;
    if (words.size() > maxWords) {
        debugPrint(2, "%s:%d: extra words after VirtualKey %s ignored%s\n", file, lineNumber, name.c_str(),
                   isDefault ? "" : " (command lines are read from default.cfg only)");
    }

    if (isDefault) {
        int owner = findActionForKey(code, isMouse);
        if (owner >= 0 && !equalsNoCase(m_actions[static_cast<size_t>(owner)].name, name)) {
            debugPrint(2, "%s:%d: key %s already belongs to %s; %s left unbound\n", file, lineNumber,
                       keyName.c_str(), m_actions[static_cast<size_t>(owner)].name.c_str(), name.c_str());
            code = -1;
        }
        declareAction(name, code, isMouse, words.size() > 3 ? words[3] : std::string());
        return true;
    }

    int index = findKey(name, false);
    if (index < 0) {
        debugPrint(2, "%s:%d: unknown VirtualKey action %s\n", file, lineNumber, name.c_str());
        return false;
    }
    // The user's file wins over a default that took the same key; the
    // action that loses it is unbound (and written back as such).
    int owner = findActionForKey(code, isMouse);
    if (owner >= 0 && owner != index) {
        Action& other = m_actions[static_cast<size_t>(owner)];
        debugPrint(1, "%s:%d: %s takes key %s from %s\n", file, lineNumber, name.c_str(), keyName.c_str(),
                   other.name.c_str());
        other.code = -1;
        other.isMouse = false;
    }
    Action& a = m_actions[static_cast<size_t>(index)];
    a.code = code;
    a.isMouse = isMouse;
    return true;
}

void VirtualKeys::appendUserConfig(std::string& out) const
{
    for (const Action& a : m_actions) {
        if (a.code == a.defaultCode && (a.code < 0 || a.isMouse == a.defaultIsMouse)) {
            continue;
        }
        std::string key = a.code < 0 ? std::string("-") : keyCodeToConfigName(a.code, a.isMouse);
        if (key.empty()) {
            continue;
        }
        out += "VirtualKey ";
        out += quoteCommandWord(a.name);
        out += ' ';
        out += key;
        out += '\n';
    }
}
