// The world pass of a frame: the ground tiles around the camera and the
// models placed on them, faded while they hide the local player.
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"

#include "engine/core/Direction.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/ViewPlanes.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/RenderQueue.h"

#include <algorithm>
#include <cmath>

bool sceneTileRange(const ZonePosition& target, float tileSize, const Vec2& drawDistance, float zoom,
                    float widen, int out[4])
{
    if (!(tileSize > 0.0f) || !std::isfinite(widen) || !std::isfinite(zoom)) {
        return false;
    }
    const float hx = widen * drawDistance.x * zoom;
    const float hy = widen * drawDistance.y * zoom;
    const double x0 = std::floor((target.x - hx) / tileSize), x1 = std::ceil((target.x + hx) / tileSize) - 1;
    const double y0 = std::floor((target.y - hy) / tileSize), y1 = std::ceil((target.y + hy) / tileSize) - 1;
    // A range no level could hold is nothing to draw.
    constexpr double kLimit = 1 << 20;
    if (!(std::fabs(x0) < kLimit && std::fabs(x1) < kLimit && std::fabs(y0) < kLimit &&
          std::fabs(y1) < kLimit)) {
        return false;
    }
    out[0] = static_cast<int>(x0);
    out[1] = static_cast<int>(x1);
    out[2] = static_cast<int>(y0);
    out[3] = static_cast<int>(y1);
    return true;
}

void GraphicsSystem::renderScene(double frameSeconds)
{
    FrameHooks& hooks = m_frameHooks;
    float playerRect[4] = {0, 0, 0, 0};
    const bool havePlayerRect =
        hooks.localPlayer() && hooks.getPlayerScreenRect && hooks.getPlayerScreenRect(playerRect);
    if (!hooks.connected() || !hooks.localPlayer()) {
        return;
    }
    int width = 0, height = 0;
    getDrawableSize(width, height);
    const float t = m_gameValues.tileSize;
    const ZonePosition& target = m_cameraTarget;
    int range[4];
    if (!sceneTileRange(target, t, m_gameValues.drawDistance, m_zoom, projectionWiden(width, height),
                        range)) {
        return;
    }
    ResourceSystem& resources = ResourceSystem::get();
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const bool blended = getVar("blendedTiles").getInt() != 0;
    const int zone = target.zone;
    for (int y = range[3]; y >= range[2]; --y) {
        for (int x = range[0]; x <= range[1]; ++x) {
            const Vec3 a(x * t, y * t, 0.0f), b((x + 1) * t, (y + 1) * t, 0.0f);
            FrameGroundCell cell;
            if (blended && hooks.getBuildCell && hooks.getBuildCell(zone, x, y, cell)) {
                m_renderQueue->addBlendedTile(a, b, cell.shader, cell.corners, 0);
            } else {
                int shader = hooks.getCellShader ? hooks.getCellShader(zone, x, y) : -1;
                if (shader < 0 && hooks.getCellShader) {
                    shader = hooks.getCellShader(zone, 0, 0);
                }
                m_renderQueue->addTile(shader, a, b, 0, false, white, 1.0f);
            }
            FrameCellObject object;
            if (!hooks.getCellObject || !hooks.getCellObject(zone, x, y, object) || object.model < 0) {
                continue;
            }
            auto* model = dynamic_cast<ModelResource*>(resources.peek(object.model));
            if (!model || model->getFlags() != 0) {
                continue;
            }
            const ZonePosition3 centre(zone, (x + 0.5f) * t, (y + 0.5f) * t, 0.0f);
            if (object.fade) {
                const float minimum = model->getInWayMinFade();
                const float step = static_cast<float>((1.0f - minimum) * frameSeconds);
                const bool hiding = havePlayerRect && isObjectHidingPlayer(centre, *model, object.facing,
                                                                           object.scale, playerRect);
                *object.fade =
                    hiding ? std::max(minimum, *object.fade - step) : std::min(1.0f, *object.fade + step);
            }
            ModelDrawRequest request =
                ModelDrawRequest::at(object.model, centre, directionToMatrix(object.facing), object.scale);
            request.fade = object.fade ? *object.fade : 1.0f;
            m_renderQueue->addSkinnedModel(request);
            // A light-giving object (a brazier) lights what stands around it.
            if (model->getLightIntensity() > 0.0f) {
                if (LightingSystem* lighting = LightingSystem::instance()) {
                    const Vec3& c = model->getLightColor();
                    lighting->addLight(ZonePosition(zone, centre.x, centre.y), Color(c.x, c.y, c.z),
                                       model->getLightIntensity(), 0);
                }
            }
        }
    }
    addLightsReachingRange(zone, t, range);
}

void GraphicsSystem::addLightsReachingRange(int zone, float tileSize, const int range[4])
{
    // A brazier's light reaches its radius times the falloff multiplier
    // past its own cell: one standing just off the drawn cells still lights
    // ground on the screen. Left out, its lit patch vanished the moment the
    // walking player's range dropped its cell (a dark band crossing the town
    // at night). Those lights come after the drawn cells' own.
    LightingSystem* lighting = LightingSystem::instance();
    FrameHooks& hooks = m_frameHooks;
    if (!lighting || !hooks.getCellObject || !(tileSize > 0.0f)) {
        return;
    }
    constexpr float kLongestLightReach = 256.0f;
    const int margin = static_cast<int>(std::ceil(kLongestLightReach / tileSize));
    const float x0 = range[0] * tileSize, x1 = (range[1] + 1) * tileSize;
    const float y0 = range[2] * tileSize, y1 = (range[3] + 1) * tileSize;
    ResourceSystem& resources = ResourceSystem::get();
    for (int y = range[3] + margin; y >= range[2] - margin; --y) {
        for (int x = range[0] - margin; x <= range[1] + margin; ++x) {
            if (x >= range[0] && x <= range[1] && y >= range[2] && y <= range[3]) {
                x = range[1]; // the drawn cells added theirs
                continue;
            }
            FrameCellObject object;
            if (!hooks.getCellObject(zone, x, y, object) || object.model < 0) {
                continue;
            }
            auto* model = dynamic_cast<ModelResource*>(resources.peek(object.model));
            if (!model || model->getFlags() != 0 || !(model->getLightIntensity() > 0.0f)) {
                continue;
            }
            const float cx = (x + 0.5f) * tileSize, cy = (y + 0.5f) * tileSize;
            const float dx = std::max({x0 - cx, 0.0f, cx - x1}), dy = std::max({y0 - cy, 0.0f, cy - y1});
            const float reach = model->getLightIntensity() * std::max(1.0f, lighting->getFalloffMultiplier());
            if (dx * dx + dy * dy < reach * reach) {
                const Vec3& c = model->getLightColor();
                lighting->addLight(ZonePosition(zone, cx, cy), Color(c.x, c.y, c.z),
                                   model->getLightIntensity(), 0);
            }
        }
    }
}

bool GraphicsSystem::isObjectHidingPlayer(const ZonePosition3& object, const ModelResource& model, int facing,
                                          float scale, const float screenRect[4])
{
    const FrameHooks& hooks = m_frameHooks;
    const int type = model.getInWayAlphaType();
    if (!hooks.localPlayer() || !hooks.getCameraCentre || type == 0) {
        return false;
    }
    const ZonePosition player = hooks.getCameraCentre();
    if (type == 4) {
        if (player.zone != object.zone) {
            return false;
        }
        const Vec2 lo = model.getInWayMinOffset(), hi = model.getInWayMaxOffset();
        return player.x >= object.x + lo.x && player.x <= object.x + hi.x && player.y >= object.y + lo.y &&
               player.y <= object.y + hi.y;
    }
    const Vec2 p = ZonePosition::getOffset(ZonePosition(object.zone, object.x, object.y), player);
    if (p.x <= 0.0f && p.y >= 0.0f) {
        return false;
    }
    if ((type == 2 && (facing == 0 || facing == 4)) || (type == 3 && (facing == 2 || facing == 6))) {
        return p.y < 0.0f;
    }
    if ((type == 2 && (facing == 2 || facing == 6)) || (type == 3 && (facing == 0 || facing == 4))) {
        return p.x > 0.0f;
    }
    if (!(p.y < p.x) || !hooks.worldToScreen) {
        return false;
    }
    // The model's screen rectangle against the player's (touching counts).
    float rect[4];
    if (!getModelScreenRect(model, 0, object, 0, scale, rect)) {
        return false;
    }
    return rect[0] <= screenRect[2] && screenRect[0] <= rect[2] && rect[1] <= screenRect[3] &&
           screenRect[1] <= rect[3];
}

bool GraphicsSystem::getModelScreenRect(const ModelResource& model, int animation,
                                        const ZonePosition3& position, int frame, float scale, float out[4])
{
    if (!m_frameHooks.worldToScreen) {
        return false;
    }
    Vec3 lo(-16, -16, 0), hi(16, 16, 64);
    const ModelAnimation* anim = model.getAnimation(animation);
    const AnimationResource* keys = anim ? anim->getAnimationResource() : nullptr;
    if (keys && keys->hasBounds()) {
        lo = keys->getFrameBoundsMin(frame);
        hi = keys->getFrameBoundsMax(frame);
    }
    out[0] = out[1] = 1e30f;
    out[2] = out[3] = -1e30f;
    for (int i = 0; i < 8; ++i) {
        const float cx = (i & 1 ? hi.x : lo.x) * scale, cy = (i & 2 ? hi.y : lo.y) * scale;
        const float cz = (i & 4 ? hi.z : lo.z) * scale;
        ZonePosition corner(position.zone, position.x + cx, position.y + cy);
        Vec2 screen = m_frameHooks.worldToScreen(corner, true);
        // Height lifts the point up the screen by the view's slant.
        screen.y -= (position.z + cz) / m_distanceRatio;
        extendRect(screen, out);
    }
    return true;
}
