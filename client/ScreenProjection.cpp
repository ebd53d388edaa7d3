#include "client/ScreenProjection.h"

#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/resources/AnimationResource.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kDegreesToRadians = 0.017453293f;
constexpr float kMinPickHeight = 72.0f;

float halfTile()
{
    const GameData* data = GameData::instance();
    return data ? data->rules().tileSize * 0.5f : 16.0f;
}

// The top of the model's bounds at the current frame, or none while the
// model (or its animation) is not loaded: picking never waits for the loader.
bool modelTop(const EntityClient& entity, float& top)
{
    const ResourceHandle& model = entity.getModelHandle();
    if (!model.isValid() || !model.isLoaded()) {
        return false;
    }
    const ModelAnimation* animation = entity.getAnimationRecord(entity.getAnimation());
    if (!animation || !animation->animation.isValid() || !animation->animation.isLoaded()) {
        top = 0.0f;
        return true;
    }
    const auto* bounds = animation->animation.getAs<AnimationResource>();
    top = bounds ? bounds->getFrameBoundsMax(static_cast<int>(entity.getAnimationTime())).z : 0.0f;
    return true;
}

} // namespace

float ScreenProjection::aspectFactor() const
{
    float ratio = static_cast<float>(m_view.width) / static_cast<float>(m_view.height);
    return ratio > 1.4f ? ratio / 1.3333333f : 1.0f;
}

Vec2 ScreenProjection::worldToScreen(const ZonePosition& position, bool applyZoom) const
{
    Vec2 local = ZonePosition::getLocal(position, m_camera);
    Vec2 v{local.x - m_camera.x, local.y - m_camera.y};
    float length = std::sqrt(v.x * v.x + v.y * v.y);
    float angle = (vec2Angle(v) - 45.0f) * kDegreesToRadians;
    float sx = std::cos(angle) * length;
    float sy = std::sin(angle) * length;
    if (applyZoom) {
        sx /= m_view.zoom;
        sy /= m_view.zoom;
    }
    return Vec2{sx / aspectFactor() + 320.0f, 240.0f - sy / m_view.verticalScale};
}

Vec2 ScreenProjection::screenPositionOf(const ZonePosition& position, float height) const
{
    Vec2 screen = worldToScreen(position, true);
    screen.y -= height / m_view.verticalScale;
    return screen;
}

Vec2 ScreenProjection::screenToWorldOffset(float x, float y, bool applyZoom) const
{
    float dx = x - 320.0f;
    float dy = 240.0f - y;
    float wideX = dx / m_view.verticalScale * aspectFactor();
    float angle = (vec2Angle(Vec2{wideX, dy}) + 45.0f) * kDegreesToRadians;
    float length = std::sqrt(wideX * wideX + dy * dy) * m_view.verticalScale;
    Vec2 offset{std::cos(angle) * length, std::sin(angle) * length};
    if (applyZoom) {
        offset.x *= m_view.zoom;
        offset.y *= m_view.zoom;
    }
    return offset;
}

ZonePosition ScreenProjection::screenToWorld(float x, float y, bool flag) const
{
    ZonePosition result = m_camera.offset(screenToWorldOffset(x, y, true));
    // Normalising clears the flag byte; the caller's flag is what it keeps.
    result.needsNormalizing = flag;
    return result;
}

ZonePosition ScreenProjection::screenToWorldFrom(const ZonePosition& position, float x, float y) const
{
    return position.offset(screenToWorldOffset(x, y, false));
}

ScreenRect ScreenProjection::getEntityScreenRect(const EntityClient& entity) const
{
    Vec2 screen = worldToScreen(entity.getPosition(), true);
    float top = 0.0f;
    bool hasModel = modelTop(entity, top);
    float r = hasModel ? std::max(entity.getRadius(), entity.getSelectRadius()) : 0.0f;
    float w = std::max(r, halfTile());
    float h = hasModel ? top * entity.getScale() / m_view.verticalScale : 0.0f;
    h = std::max(h, kMinPickHeight);
    ScreenRect rect;
    rect.left = screen.x - w;
    rect.right = screen.x + w;
    rect.bottom = screen.y + r / m_view.verticalScale;
    rect.top = screen.y - h / m_view.zoom;
    return rect;
}

EntityClient* ScreenProjection::pickEntity(const GameClient& game, float x, float y,
                                           const EntityClient* excluded, int playerSlot) const
{
    EntityClient* best = nullptr;
    float bestWeight = 0.0f;
    float bestDistance = 0.0f;
    const EntityClient* player = playerSlot >= 0 ? game.getEntity(playerSlot) : nullptr;
    bool excludePlayer = excluded && player && excluded->getEntityNumber() == playerSlot;
    for (int number = 0; number < GameClient::kEntityCount; ++number) {
        EntityClient* entity = game.getEntity(number);
        if (!entity || entity == excluded || (excludePlayer && entity == player) ||
            entity->getMouseAction(false, false) == 0) {
            continue;
        }
        ScreenRect rect = getEntityScreenRect(*entity);
        if (x < rect.left || x > rect.right || y < rect.top || y > rect.bottom) {
            continue;
        }
        int type = entity->getEntry() ? entity->getEntry()->getTypeInherited() : 0;
        bool groundItem = type == static_cast<int>(DatabaseEntryType::Item) ||
                          type == static_cast<int>(DatabaseEntryType::Money) ||
                          type == static_cast<int>(DatabaseEntryType::QuestItem);
        float weight = groundItem ? 0.75f : 1.0f;
        float cx = (rect.left + rect.right) * 0.5f - x;
        float cy = (rect.top + rect.bottom) * 0.5f - y;
        float distance = cx * cx + cy * cy;
        if (!best || weight > bestWeight || (weight == bestWeight && distance < bestDistance)) {
            best = entity;
            bestWeight = weight;
            bestDistance = distance;
        }
    }
    return best;
}
