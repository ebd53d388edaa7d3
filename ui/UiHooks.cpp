#include "ui/UiHooks.h"

#include "client/Client.h"
#include "engine/app/AppHooks.h"
#include "graphics/GraphicsSystem.h"
#include "ui/GraphicsDrawing.h"
#include "ui/LiveClientView.h"
#include "ui/UISystem.h"

#include <memory>

namespace {

struct UiParts {
    std::unique_ptr<LiveClientView> view;
    std::unique_ptr<GraphicsDrawing> drawing;
    std::unique_ptr<UISystem> ui;
};

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
    hooks.handleMouseScroll = [](int steps) {
        UISystem* ui = UISystem::instance();
        return ui && ui->handleMouseScroll(steps > 0);
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
    });
    chainHook(hooks.setupWorld, [parts] {
        UISystem* ui = parts->ui.get();
        if (!ui) {
            return;
        }
        // The default font is the game data's, loaded by now.
        ui->setDrawing(parts->drawing.get());
        ui->init();
        if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
            graphics->setTextLineSpacing(ui->getSettings().spaceBetweenTextLines);
            fillFrameHooks(graphics->getFrameHooks());
        }
        if (Client* client = Client::instance()) {
            installClientUi(client->getUi(), *ui);
        }
    });
    chainHookFirst(hooks.destroySystems, [parts] {
        if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
            clearFrameHooks(graphics->getFrameHooks());
        }
        if (Client* client = Client::instance()) {
            clearClientUi(client->getUi());
        }
        parts->ui.reset();
        parts->drawing.reset();
        parts->view.reset();
    });
}
