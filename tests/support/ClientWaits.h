#pragma once

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "game/world/World.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"

// What the whole-program tests wait for between frames.

// The named menu is on screen.
inline bool menuActive(const char* name)
{
    UIMenu* menu = UISystem::get().findMenu(name);
    return menu && menu->isActive();
}

// The player's level is built on both sides and the client stands on it.
inline bool standsOnBuiltLevel()
{
    if (!GameClient::instance() || !GameClient::get().isLoaded()) {
        return false;
    }
    const ZonePosition at = Client::get().getPlayerPosition();
    World* world = World::instance();
    return at.zone >= 0 && world && world->isLevelLoaded(at.zone) && !world->hasPendingBuilds() &&
           Client::get().getLocalPlayer()->getServerMirror() != nullptr;
}
