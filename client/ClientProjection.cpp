#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "engine/input/Input.h"

#include <cmath>

namespace {

bool usable(float value)
{
    return std::isfinite(value) && value > 0.0f;
}

} // namespace

void Client::setViewParameters(const ViewParameters& view)
{
    // Nothing the projection divides by may become 0.
    if (usable(view.zoom)) {
        m_view.zoom = view.zoom;
    }
    if (usable(view.verticalScale)) {
        m_view.verticalScale = view.verticalScale;
    }
    if (view.width > 0 && view.height > 0) {
        m_view.width = view.width;
        m_view.height = view.height;
    }
}

Vec2 Client::worldToScreen(const ZonePosition& position, bool applyZoom) const
{
    return getProjection().worldToScreen(position, applyZoom);
}

Vec2 Client::screenPositionOf(const ZonePosition& position, float height) const
{
    return getProjection().screenPositionOf(position, height);
}

Vec2 Client::screenToWorldOffset(float x, float y, bool applyZoom) const
{
    return getProjection().screenToWorldOffset(x, y, applyZoom);
}

ZonePosition Client::screenToWorld(float x, float y, bool flag) const
{
    return getProjection().screenToWorld(x, y, flag);
}

ZonePosition Client::screenToWorldFrom(const ZonePosition& position, float x, float y) const
{
    return getProjection().screenToWorldFrom(position, x, y);
}

ScreenRect Client::getEntityScreenRect(const EntityClient& entity) const
{
    return getProjection().getEntityScreenRect(entity);
}

EntityClient* Client::pickEntity(float x, float y, const EntityClient* excluded) const
{
    const GameClient* game = GameClient::instance();
    if (!m_joined || !game) {
        return nullptr;
    }
    return getProjection().pickEntity(*game, x, y, excluded, getPlayerSlot());
}

void Client::updateHoverEntity()
{
    // The player's own mirror is left out unless its target is a person it would not attack.
    const Input* input = Input::instance();
    if (!input) {
        m_hoverEntity = nullptr;
        return;
    }
    int x = 0;
    int y = 0;
    input->getMousePosition(x, y);
    m_hoverEntity = pickEntity(static_cast<float>(x), static_cast<float>(y),
                               m_player ? m_player->pickExclusion() : nullptr);
}
