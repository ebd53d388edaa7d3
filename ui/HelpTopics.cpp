#include "ui/UISystem.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/data/Database.h"
#include "ui/ClientView.h"
#include "ui/menus/UIMenu.h"

#include <string_view>

namespace {

std::string buttonName(const std::string& topic)
{
    return topic + "Button";
}

} // namespace

void UISystem::loadHelpTopics()
{
    m_helpTopics.clear();
    m_helpNextTopics.clear();
    m_startHelpTopic.clear();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("HelpTopics") : nullptr;
    if (!entry) {
        debugPrint(3, "HelpTopics database entry not found!\n");
        return;
    }
    m_helpTopics = db->getStringList(entry, "HelpTopic");
    m_startHelpTopic = db->getString(entry, "StartHelpTopic");
    m_helpNextTopics.assign(m_helpTopics.size(), std::string());
    for (size_t i = 0; i < m_helpTopics.size(); ++i) {
        m_helpNextTopics[i] = db->getString(entry, "NextHelpTopic" + m_helpTopics[i]);
    }
}

int UISystem::findHelpTopic(std::string_view name) const
{
    for (size_t i = 0; i < m_helpTopics.size(); ++i) {
        if (equalsNoCase(m_helpTopics[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string UISystem::getNextHelpTopic(int index) const
{
    if (index < 0 || index >= getHelpTopicCount()) {
        return std::string();
    }
    return m_helpNextTopics[static_cast<size_t>(index)];
}

bool UISystem::hasHelpTopicButton(int index) const
{
    if (index < 0 || index >= getHelpTopicCount()) {
        return false;
    }
    std::string name = buttonName(m_helpTopics[static_cast<size_t>(index)]);
    for (const SafePtr<UIMenu>& entry : m_helpButtons) {
        if (entry.get() && entry->getName() == name) {
            return true;
        }
    }
    return false;
}

bool UISystem::reshowHelpTopicButton(int index)
{
    if (index < 0 || index >= getHelpTopicCount()) {
        return false;
    }
    std::string name = buttonName(m_helpTopics[static_cast<size_t>(index)]);
    for (const SafePtr<UIMenu>& entry : m_helpButtons) {
        UIMenu* menu = entry.get();
        if (!menu || menu->getName() != name) {
            continue;
        }
        if (!menu->isActive()) {
            menu->show();
            menu->setVisibleFlag(true);
            return true;
        }
    }
    return false;
}

void UISystem::addHelpTopicButton(int index)
{
    if (index < 0 || index >= getHelpTopicCount()) {
        return;
    }
    if (hasHelpTopicButton(index)) {
        if (reshowHelpTopicButton(index)) {
            layoutHelpTopicButtons();
        }
        return;
    }
    CallGuard guard(*this);
    const std::string& topic = m_helpTopics[static_cast<size_t>(index)];
    auto menu = std::make_unique<UIMenu>();
    menu->setName(buttonName(topic));
    float side = m_settings.helpTopicButtonSize;
    menu->setSize({side, side});
    // The button is read like any menu file's widget, so it takes the same
    // keywords and conditions. Its image is its own: the quest marks belong
    // over the people who give quests.
    std::string block =
        formatString("{\n size %g %g\n texture Textures/Icons/helpTopic.tga\n"
                     " highlightText \"Help topic - $$HelpTitle%s$$\\n^c008Left click to read\"\n"
                     " canClick 1\n blinkCondition AlwaysTrue\n"
                     " addCommand \"set HelpTopic %s\"\n addCommand \"pushMenu helpTopic\"\n}\n",
                     side, side, topic.c_str(), topic.c_str());
    auto widget = std::make_unique<UIWidget>();
    widget->setMenu(menu.get());
    TextReader reader(block, menu->getName());
    widget->parseBlock(reader);
    UIWidget* added = menu->addWidget(std::move(widget));
    added->setMenu(menu.get());
    added->finishSetup();
    UIMenu* placed = addMenu(std::move(menu));
    if (!placed->isVisible()) {
        placed->show();
        placed->setVisibleFlag(true);
    }
    addHelpTopicButtonMenu(placed);
    if (m_view) {
        m_view->playInterfaceSound(m_newTopicSound);
    }
}

void UISystem::addHelpTopicButtonMenu(UIMenu* menu)
{
    m_helpButtons.emplace_back(menu);
    layoutHelpTopicButtons();
}

void UISystem::layoutHelpTopicButtons()
{
    int count = 0;
    for (const SafePtr<UIMenu>& entry : m_helpButtons) {
        if (entry.get() && entry->isActive()) {
            ++count;
        }
    }
    const UISettings& s = m_settings;
    float x = s.helpTopicBasePosition.x - static_cast<float>(count) * s.helpTopicButtonOffset * 0.5f;
    for (const SafePtr<UIMenu>& entry : m_helpButtons) {
        UIMenu* menu = entry.get();
        if (menu && menu->isActive()) {
            menu->setPosition({x, s.helpTopicBasePosition.y});
            x += s.helpTopicButtonOffset;
        }
    }
}

void UISystem::drawHelpMenu(float seconds)
{
    UIMenu* help = m_helpMenu.get();
    if (!help) {
        return;
    }
    CallGuard guard(*this);
    if (!help->isVisible()) {
        help->show();
        help->setVisibleFlag(true);
    }
    help->update(seconds);
    help->draw();
    help->hide();
    help->setVisibleFlag(false);
}

void UISystem::registerHelpTopicCommands()
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    // Only the two that mark every topic may be typed by the player; the
    // others are the menus' own.
    auto add = [commands](const char* name, const char* types, const char* argNames, const char* help,
                          CommandHandler handler) {
        const std::string_view typed = name;
        const bool internalOnly = typed != "readAllHelpTopics" && typed != "resetAllHelpTopics";
        commands->registerCommand(std::move(handler), name, help, argNames, types, internalOnly, 0);
    };
    add("addHelpTopic", "s", "helpTopicName", "Adds a help topic so the player can read it",
        [this](const CommandArgs& a) {
            if (m_view && m_view->hasLocalPlayer()) {
                m_view->showHelpTopic(a[0]);
            }
        });
    add("readHelpTopic", "", "", "Marks that the player has read the current help topic",
        [this](const CommandArgs&) {
            int index = findHelpTopic(getUserVarString("HelpTopic"));
            if (m_view && m_view->hasLocalPlayer()) {
                m_view->setHelpTopicRead(index);
            }
        });
    add("hideHelpTopicButton", "", "", "Hides the help topic button for the current help topic",
        [this](const CommandArgs&) {
            UIMenu* menu = findMenu(buttonName(getUserVarString("HelpTopic")));
            if (menu && menu->isVisible()) {
                hideMenu(menu);
            }
        });
    add("readAllHelpTopics", "", "", "Marks that the player has read all of the help topics",
        [this](const CommandArgs&) {
            if (m_view && m_view->hasLocalPlayer()) {
                m_view->setAllHelpTopicsRead();
            }
            for (const SafePtr<UIMenu>& entry : m_helpButtons) {
                if (UIMenu* menu = entry.get(); menu && menu->isVisible()) {
                    hideMenu(menu);
                }
            }
        });
    add("resetAllHelpTopics", "", "", "Marks that the player has not read any of the help topics",
        [this](const CommandArgs&) {
            if (m_view && m_view->hasLocalPlayer()) {
                m_view->resetHelpTopics();
            }
        });
    add("repositionHelpTopics", "", "", "Reposition all of the help topics",
        [this](const CommandArgs&) { layoutHelpTopicButtons(); });
    add("uiBusy", "", "", "Tells the ui that the system is busy",
        [this](const CommandArgs&) { setCursor(7, false); });
}
