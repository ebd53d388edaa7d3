#include "ui/UISystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/FatalError.h"
#include "engine/core/TextReader.h"
#include "engine/files/FileSystem.h"
#include "ui/WidgetFactory.h"
#include "ui/menus/UIMenu.h"

namespace {

bool readText(const std::string& path, std::string& out)
{
    FileSystem* files = FileSystem::instance();
    if (!files) {
        return false;
    }
    std::optional<std::vector<uint8_t>> bytes = files->readWholeFile(path);
    if (!bytes) {
        return false;
    }
    out.assign(bytes->begin(), bytes->end());
    return true;
}

} // namespace

void UISystem::loadMenus(bool reload)
{
    CallGuard guard(*this);
    std::string list;
    if (!readText("UI/menus.lst", list)) {
        fatalError("Couldn't load UI/menus.lst");
    }
    loadMenuList(list, "UI/menus.lst", reload);
}

void UISystem::loadMenuList(const std::string& text, const std::string& fileName, bool reload)
{
    CallGuard guard(*this);
    std::vector<std::string> stacked;
    if (reload) {
        m_sideStack.clear();
        while (!m_menuStack.empty()) {
            UIMenu* menu = m_menuStack.back().get();
            m_menuStack.pop_back();
            if (!menu) {
                continue;
            }
            if (menu->isOnStack()) {
                menu->hide();
                menu->setOnStack(false);
            }
            stacked.push_back(menu->getName());
        }
    }

    TextReader reader(text, fileName);
    std::string type;
    while (reader.readToken(type, true)) {
        std::string name;
        reader.readToken(name, false);
        std::string path = "UI/" + name + ".mnu";
        UIMenu* old = nullptr;
        size_t oldIndex = 0;
        if (reload) {
            for (size_t i = 0; i < m_menus.size(); ++i) {
                if (m_menus[i]->getPath() == path) {
                    old = m_menus[i].get();
                    oldIndex = i;
                    break;
                }
            }
            if (old && !old->isAllowedToReload()) {
                continue;
            }
        }
        std::string body;
        if (!readText(path, body)) {
            debugPrint(1, "%s: Couldn't load menu %s\n", reader.location().c_str(), path.c_str());
            continue;
        }
        std::unique_ptr<UIMenu> menu = createMenu(type);
        if (!menu) {
            debugPrint(1, "%s: Unknown menu type %s\n", reader.location().c_str(), type.c_str());
            continue;
        }
        if (old) {
            if (old->isActive()) {
                menu->show();
                menu->setVisibleFlag(true);
            } else {
                menu->hide();
                menu->setVisibleFlag(false);
            }
            m_menus.erase(m_menus.begin() + static_cast<std::ptrdiff_t>(oldIndex));
        }
        UIMenu* added = addMenu(std::move(menu));
        added->setPath(path);
        TextReader menuReader(body, path);
        added->parse(menuReader);
        added->collectSubMenuTabs();
    }

    m_helpMenu = findMenu("Help");
    m_helpWidget = m_helpMenu ? m_helpMenu->findWidget("Help") : nullptr;
    loadHelpTopics();

    if (reload) {
        for (const std::function<void()>& listener : m_reloadListeners) {
            listener();
        }
        for (size_t i = stacked.size(); i-- > 0;) {
            pushMenu(findMenu(stacked[i]));
        }
    }
}
