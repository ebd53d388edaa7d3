#include "ui/UiHooks.h"

#include "client/Client.h"
#include "engine/app/AppHooks.h"
#include "engine/app/DebugConsole.h"
#include "engine/input/Input.h"
#include "graphics/GraphicsSystem.h"
#include "ui/ConsoleScrollBar.h"
#include "ui/GraphicsDrawing.h"
#include "ui/LiveClientView.h"
#include "ui/UISystem.h"
#include "ui/maps/LiveMapWorld.h"
#include "ui/maps/MapHooks.h"
#include "ui/maps/MiniMap.h"
#include "ui/maps/WorldMap.h"

#include <algorithm>
#include <memory>

namespace {

struct UiParts {
    std::unique_ptr<LiveClientView> view;
    std::unique_ptr<GraphicsDrawing> drawing;
    std::unique_ptr<UISystem> ui;
    // Made after the settings, whose image names it takes.
    std::unique_ptr<ConsoleScrollBar> consoleBar;
    double consoleTime = 0.0;
    // Made after the interface, registered after its menus, deleted before it.
    std::unique_ptr<LiveMapWorld> mapWorld;
    std::unique_ptr<WorldMap> worldMap;
    std::unique_ptr<MiniMap> miniMap;
};

void installConsoleBar(const std::shared_ptr<UiParts>& parts, FrameHooks& hooks)
{
    parts->consoleBar = std::make_unique<ConsoleScrollBar>();
    parts->consoleTime = parts->ui->getTimeSeconds();
    UiParts* p = parts.get();
    hooks.consoleScrollBar = [p](int lines, int shown, int scrollBack) {
        double now = p->ui ? p->ui->getTimeSeconds() : 0.0;
        float seconds = static_cast<float>(std::max(0.0, now - p->consoleTime));
        p->consoleTime = now;
        int back = p->consoleBar ? p->consoleBar->frame(lines, shown, scrollBack, seconds) : scrollBack;
        if (DebugConsole* console = DebugConsole::instance()) {
            console->setScroll(back);
        }
        return back;
    };
    if (DebugConsole* console = DebugConsole::instance()) {
        console->setMouseHook([p](int button, bool down, int x) {
            int y = Input::instance() ? Input::get().getMouseY() : 0;
            return p->consoleBar && p->consoleBar->mouseButton(button, down, x, y);
        });
    }
}

void fillFrameHooks(FrameHooks& hooks)
{
    hooks.isFullScreenMenuShown = [] {
        UISystem* ui = UISystem::instance();
        return ui && ui->isFullScreenMenuShown();
    };
    hooks.updateAndDrawMenus = [](double seconds) {
        if (UISystem* ui = UISystem::instance()) {
            ui->updateAndDraw(static_cast<float>(seconds));
        }
    };
    hooks.drawDragAndCursor = [] {
        if (UISystem* ui = UISystem::instance()) {
            ui->drawDragAndCursor();
        }
    };
    hooks.isMouseOverMenu = [] {
        UISystem* ui = UISystem::instance();
        return ui && ui->isMouseOverMenu();
    };
    hooks.handleMouseScroll = [](bool up) {
        UISystem* ui = UISystem::instance();
        return ui && ui->handleMouseScroll(up);
    };
    hooks.getMessageAnchor = [] {
        UISystem* ui = UISystem::instance();
        return ui ? ui->getSettings().eventsTextPosition : Vec2(10.0f, 420.0f);
    };
    hooks.getUseSlotOffset = [] {
        UISystem* ui = UISystem::instance();
        return ui ? ui->getSettings().fullUseSlotsOffset : Vec2();
    };
    hooks.getTextCursor = [] {
        UISystem* ui = UISystem::instance();
        return ui ? ui->getTextCursor() : std::string();
    };
    hooks.drawHelpMenu = [](double seconds) {
        if (UISystem* ui = UISystem::instance()) {
            ui->drawHelpMenu(static_cast<float>(seconds));
        }
    };
}

void clearFrameHooks(FrameHooks& hooks)
{
    hooks.isFullScreenMenuShown = nullptr;
    hooks.updateAndDrawMenus = nullptr;
    hooks.drawDragAndCursor = nullptr;
    hooks.isMouseOverMenu = nullptr;
    hooks.handleMouseScroll = nullptr;
    hooks.getMessageAnchor = nullptr;
    hooks.getUseSlotOffset = nullptr;
    hooks.getTextCursor = nullptr;
    hooks.drawHelpMenu = nullptr;
    hooks.consoleScrollBar = nullptr;
    if (DebugConsole* console = DebugConsole::instance()) {
        console->setMouseHook(nullptr);
    }
}

} // namespace

void installUiHooks(AppHooks& hooks)
{
    auto parts = std::make_shared<UiParts>();
    chainHook(hooks.createUiSystem, [parts] {
        parts->view = std::make_unique<LiveClientView>();
        parts->drawing = std::make_unique<GraphicsDrawing>();
        parts->ui = std::make_unique<UISystem>();
        parts->ui->setClientView(parts->view.get());
        parts->mapWorld = std::make_unique<LiveMapWorld>();
        parts->worldMap = std::make_unique<WorldMap>(*parts->mapWorld, *parts->view);
        parts->miniMap = std::make_unique<MiniMap>(*parts->mapWorld, *parts->view, *parts->worldMap);
    });
    chainHook(hooks.setupWorld, [parts] {
        UISystem* ui = parts->ui.get();
        if (!ui) {
            return;
        }
        // The default font is the game data's, loaded by now.
        ui->setDrawing(parts->drawing.get());
        ui->init();
        parts->worldMap->registerCommands(parts->drawing.get());
        parts->miniMap->registerVars(parts->drawing.get());
        ui->addReloadListener([] {
            if (WorldMap* map = WorldMap::instance()) {
                map->findWidgets();
            }
        });
        Client* client = Client::instance();
        if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
            installMapHooks(graphics->getFrameHooks(), client ? &client->getUi() : nullptr);
            graphics->setTextLineSpacing(ui->getSettings().spaceBetweenTextLines);
            fillFrameHooks(graphics->getFrameHooks());
            installConsoleBar(parts, graphics->getFrameHooks());
        }
        if (client) {
            installClientUi(client->getUi(), *ui);
        }
    });
    chainHookFirst(hooks.destroySystems, [parts] {
        Client* client = Client::instance();
        if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
            clearFrameHooks(graphics->getFrameHooks());
            clearMapHooks(graphics->getFrameHooks(), client ? &client->getUi() : nullptr);
        }
        if (Client* client = Client::instance()) {
            clearClientUi(client->getUi());
        }
        parts->consoleBar.reset();
        parts->miniMap.reset();
        parts->worldMap.reset();
        parts->mapWorld.reset();
        parts->ui.reset();
        parts->drawing.reset();
        parts->view.reset();
    });
}
