#include "ui/menus/UIMenu.h"

#include "engine/console/CommandLine.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVar.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/StringUtil.h"
#include "ui/UISystem.h"
#include "ui/widgets/UIWidget.h"

#include <cstdlib>

void UIMenu::runCommands(const std::vector<std::string>& lines)
{
    if (UIMenu* parent = m_parent.get()) {
        parent->runCommands(lines);
        return;
    }
    // A command may change the list it comes from (a reload waits, but a
    // menu's own lines are copied all the same).
    std::vector<std::string> copy = lines;
    for (const std::string& line : copy) {
        handleCommand(line);
    }
}

void UIMenu::handleCommand(const std::string& line)
{
    if (UIMenu* parent = m_parent.get()) {
        parent->handleCommand(line);
        return;
    }
    std::vector<std::string> words;
    splitCommandLine(line, words);
    if (words.empty() || words[0] != "menuCommand") {
        if (UISystem* ui = UISystem::instance()) {
            ui->runCommand(line);
        } else {
            executeCommandLine(line);
        }
        return;
    }
    if (words.size() < 2) {
        return;
    }
    const std::string& verb = words[1];
    UserVarSystem* vars = userVarsReady() ? UserVarSystem::instance() : nullptr;
    if (equalsNoCase(verb, "selectSubMenu")) {
        selectSubMenu(words.size() > 2 ? std::atoi(words[2].c_str()) : 0);
    } else if (equalsNoCase(verb, "hide")) {
        UISystem* ui = UISystem::instance();
        if (m_onStack && ui) {
            ui->removeFromMenuStack(this);
        } else if (m_visible) {
            hide();
            m_visible = false;
        }
    } else if (equalsNoCase(verb, "unselectAll")) {
        for (const std::unique_ptr<UIWidget>& widget : m_widgets) {
            widget->setSelected(false);
        }
    } else if (equalsNoCase(verb, "saveUserVars")) {
        m_rememberedNames.clear();
        m_rememberedValues.clear();
        if (!vars) {
            return;
        }
        for (const std::unique_ptr<UIWidget>& widget : m_widgets) {
            const UserVarRef& var = widget->getUserVar();
            if (var.isValid()) {
                m_rememberedNames.push_back(var->getName());
                m_rememberedValues.push_back(var->getString());
            }
        }
    } else if (equalsNoCase(verb, "applyUserVars")) {
        if (!vars) {
            return;
        }
        for (size_t i = 0; i < m_rememberedNames.size(); ++i) {
            UserVar* var = vars->findVar(m_rememberedNames[i]);
            if (var && var->needsRestart() && var->getString() != m_rememberedValues[i]) {
                handleCommand("vidRestart");
                // What was applied is what the next Apply compares with (and
                // what Cancel goes back to): a second size chosen on the same
                // page, equal to the one the page was opened with, must
                // restart the display again.
                for (size_t j = 0; j < m_rememberedNames.size(); ++j) {
                    if (const UserVar* applied = vars->findVar(m_rememberedNames[j])) {
                        m_rememberedValues[j] = applied->getString();
                    }
                }
                return;
            }
        }
    } else if (equalsNoCase(verb, "restoreUserVars")) {
        if (!vars) {
            return;
        }
        for (size_t i = 0; i < m_rememberedNames.size(); ++i) {
            UserVarRef var =
                vars->getVar(m_rememberedNames[i], m_rememberedValues[i], UserVarSystem::kCreate);
            if (var.isValid() && var.getString() != m_rememberedValues[i]) {
                var.setString(m_rememberedValues[i]);
            }
        }
    } else if (equalsNoCase(verb, "resetToDefaultUserVars")) {
        if (!vars) {
            return;
        }
        for (const std::string& name : m_rememberedNames) {
            UserVar* var = vars->findVar(name);
            if (var && var->getString() != var->getDefault()) {
                var->setValue(var->getDefault());
            }
        }
    }
}
