#include "client/ClientFrameHooks.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/GroundCell.h"
#include "game/world/Level.h"
#include "game/world/LevelLayout.h"
#include "game/world/World.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/effects/EffectSystem.h"
#include "graphics/text/TextEventList.h"
#include "sound/SoundSystem.h"

#include <cmath>

EffectEnvironment makeEffectEnvironment(Client& client)
{
    EffectEnvironment env;
    Client* c = &client;
    env.isPaused = [c] { return c->isPaused(); };
    env.areaWeatherIntensity = [] { return getCurrentAreaWeatherIntensity(); };
    env.weatherAmount = [] {
        GameClient* game = GameClient::instance();
        return game ? game->getWeatherIntensity() : 0.0f;
    };
    env.wind = [] {
        GameClient* game = GameClient::instance();
        return game ? Vec2(game->getWindX(), game->getWindY()) : Vec2(0.0f, 0.0f);
    };
    env.screenPositionOf = [c](const ZonePosition3& p) {
        return c->screenPositionOf(ZonePosition(p.zone, p.x, p.y), p.z);
    };
    // A free channel, no owner, sound id 0, not looping; nothing without sound.
    env.playSound = [](const ResourceHandle& sound, const ZonePosition3& at) {
        SoundSystem* system = SoundSystem::instance();
        if (!system || !system->isInitialized()) {
            return;
        }
        if (SoundChannel* channel = system->findFreeChannel()) {
            system->playSound(channel, at, sound, -1, 0, false, 0.0f, 0.0f);
        }
    };
    return env;
}

void installClientFrameHooks(Client& client, GraphicsSystem& graphics)
{
    FrameHooks& hooks = graphics.getFrameHooks();
    Client* c = &client;
    hooks.isConnected = [c] { return c->isConnected(); };
    hooks.isGameRunning = [c] { return c->isJoined() && GameClient::instance() != nullptr; };
    hooks.isPaused = [c] { return c->isPaused(); };
    hooks.hasLocalPlayer = [c] { return c->hasLocalPlayer(); };
    hooks.getCameraCentre = [c] { return c->getCameraCentre(); };
    hooks.worldToScreen = [c](const ZonePosition& p, bool zoom) { return c->worldToScreen(p, zoom); };
    // The player's frame box on screen: the world pass fades placed models
    // standing in front of it.
    hooks.getPlayerScreenRect = [c, g = &graphics](float out[4]) {
        EntityClient* player = c->getPlayerEntity();
        ModelResource* model = player ? player->getModel() : nullptr;
        if (!model) {
            return false;
        }
        ZonePosition3 position;
        Matrix3 orientation;
        player->getWorldTransform(position, orientation);
        const float time = player->getAnimationTime();
        const int frame = std::isfinite(time) && time > 0.0f ? static_cast<int>(time) : 0;
        return g->getModelScreenRect(*model, player->getAnimation(), position, frame, player->getScale(),
                                     out);
    };
    hooks.drawEntities = [c] { c->drawEntities(); };
    hooks.drawOverheadTexts = [c] { c->drawOverheadTexts(); };
    hooks.drawEffects = [gr = &graphics](double) {
        if (EffectSystem* effects = EffectSystem::instance()) {
            effects->draw(gr->getRenderQueue());
        }
    };
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->setEnvironment(makeEffectEnvironment(client));
    }
    hooks.getBuildCell = [](int zone, int x, int y, FrameGroundCell& out) {
        World* world = World::instance();
        const GroundCell* cell = world ? world->getBuildCell(x, y, zone) : nullptr;
        if (!cell || !cell->built || !cell->shader.isValid()) {
            return false;
        }
        out.shader = cell->shader.getIndex();
        out.corners = &cell->corners;
        return true;
    };
    hooks.getCellShader = [](int zone, int x, int y) {
        World* world = World::instance();
        return world ? world->getCellShader(x, y, zone).getIndex() : -1;
    };
    hooks.getCellObject = [](int zone, int x, int y, FrameCellObject& out) {
        World* world = World::instance();
        if (!world || !world->wrapCell(x, y, zone)) {
            return false;
        }
        Level* level = world->getLevel(zone);
        ResourceHandle model;
        CellObjectState* state = nullptr;
        if (!level || level->getCellObject(x, y, model, &state) < 0 || !model.isValid() || !state) {
            return false;
        }
        // The level's area holds the model for as long as the level stands.
        out.model = model.getIndex();
        out.facing = state->facing;
        out.fade = &state->fade;
        out.scale = state->scale;
        return true;
    };
    hooks.isBlocked = [](const ZonePosition& p, bool forMovement) {
        World* world = World::instance();
        if (!world) {
            return true;
        }
        return forMovement ? world->isBlockedForMovement(p) : world->isBlockedForSight(p);
    };
    GraphicsSystem* g = &graphics;
    client.setTextEventSink([g](const ClientTextEvent& e) {
        g->addTextEvent(e.text, e.x, e.y, e.lifetime, e.kind, e.centred ? 1 : 0, e.alwaysNew ? 1 : 0);
    });
    client.setTextEventClear([g] { g->getTextEvents().clear(); });
}

std::function<void(double)> wrapFrameRenderer(std::function<void(double)> renderer)
{
    return [renderer](double seconds) {
        GraphicsSystem* graphics = GraphicsSystem::instance();
        Client* client = Client::instance();
        if (graphics && client) {
            ViewParameters view;
            view.zoom = graphics->getZoom();
            view.verticalScale = graphics->getDistanceRatio();
            int width = 0, height = 0;
            graphics->getDrawableSize(width, height);
            view.width = width;
            view.height = height;
            client->setViewParameters(view);
        }
        if (renderer) {
            renderer(seconds);
        }
    };
}
