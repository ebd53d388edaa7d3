#include "ui/maps/MapHooks.h"

#include "client/ClientUi.h"
#include "engine/platform/Platform.h"
#include "graphics/FrameHooks.h"
#include "sound/SoundSystem.h"
#include "ui/UICursors.h"
#include "ui/UISystem.h"
#include "ui/maps/MiniMap.h"
#include "ui/maps/WorldMap.h"

namespace {

int g_platformHooks = -1;

} // namespace

void installMapHooks(FrameHooks& frame, ClientUi* client)
{
    frame.updateWorldMap = [](double seconds) {
        if (WorldMap* map = WorldMap::instance()) {
            map->update(static_cast<float>(seconds));
        }
    };
    frame.isWorldMapShown = [] {
        WorldMap* map = WorldMap::instance();
        return map && map->isShown();
    };
    frame.drawWorldMap = [] {
        if (WorldMap* map = WorldMap::instance()) {
            map->draw();
        }
    };
    frame.drawMiniMap = [] {
        if (MiniMap* map = MiniMap::instance()) {
            map->draw();
        }
    };
    frame.setCursor = [](int cursor) {
        if (UISystem* ui = UISystem::instance()) {
            ui->setCursor(cursor, false);
        }
    };
    frame.recreateWorldMapTextures = [] {
        if (WorldMap* map = WorldMap::instance()) {
            map->recreateTextures();
        }
    };
    frame.uploadMiniMap = [] {
        if (MiniMap* map = MiniMap::instance()) {
            map->recreateTexture();
        }
    };
    if (client) {
        client->loadExploredMap = [](const std::string& file) {
            if (WorldMap* map = WorldMap::instance()) {
                map->loadExplored(file);
            }
        };
        client->saveExploredMap = [](const std::string& file) {
            WorldMap* map = WorldMap::instance();
            return !map || map->saveExplored(file);
        };
        client->updateMapAreas = [] {
            if (WorldMap* map = WorldMap::instance()) {
                map->updateAreas();
            }
        };
        client->setMiniMapBuilt = [](bool built) {
            MiniMap* map = MiniMap::instance();
            if (map && !built) {
                map->invalidate();
            }
        };
        client->worldMapButton = [](int button, bool down, int x, int y) {
            WorldMap* map = WorldMap::instance();
            if (map && map->onClick(button, down, x, y)) {
                return true;
            }
            // A press on the mini-map is no click on the ground behind it;
            // a release goes on, so a hold begun elsewhere ends.
            const MiniMap* mini = MiniMap::instance();
            return down && mini && mini->covers(x, y);
        };
        client->notePortal = [](const ZonePosition& entity, const ZonePosition& target) {
            if (WorldMap* map = WorldMap::instance()) {
                map->notePortal(entity, target);
            }
        };
    }
    if (Platform* platform = Platform::instance(); platform && g_platformHooks < 0) {
        Platform::Hooks hooks;
        hooks.updateCursor = [] {
            if (UISystem* ui = UISystem::instance()) {
                ui->updateCursor();
            }
        };
        g_platformHooks = platform->addHooks(std::move(hooks));
    }
    if (SoundSystem* sound = SoundSystem::instance()) {
        sound->setBusyCursorQuery([] {
            UISystem* ui = UISystem::instance();
            return ui && ui->getCurrentCursor() == UICursors::kBusy;
        });
    }
}

void clearMapHooks(FrameHooks& frame, ClientUi* client)
{
    frame.updateWorldMap = nullptr;
    frame.isWorldMapShown = nullptr;
    frame.drawWorldMap = nullptr;
    frame.drawMiniMap = nullptr;
    frame.setCursor = nullptr;
    frame.recreateWorldMapTextures = nullptr;
    frame.uploadMiniMap = nullptr;
    if (client) {
        client->loadExploredMap = nullptr;
        client->saveExploredMap = nullptr;
        client->updateMapAreas = nullptr;
        client->setMiniMapBuilt = nullptr;
        client->worldMapButton = nullptr;
        client->notePortal = nullptr;
    }
    if (Platform* platform = Platform::instance(); platform && g_platformHooks >= 0) {
        platform->removeHooks(g_platformHooks);
    }
    g_platformHooks = -1;
    if (SoundSystem* sound = SoundSystem::instance()) {
        sound->setBusyCursorQuery(nullptr);
    }
}
