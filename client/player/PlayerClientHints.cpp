// What the local player draws beside its body: the ring under its target
// and the use-hint icons over its head.
#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/ZonePosition3.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/shaders/ShaderSystem.h"

namespace {

constexpr const char* kSelectionShader = "SelectedTarget";
constexpr float kSelectionSize = 48.0f;
// Ground quads and icons above entities use this sub-type; images on the
// screen the interface's.
constexpr int kGroundSubType = 5;
constexpr int kImageSubType = 6;
constexpr int kLastColour = 148;

bool showUseHints()
{
    const UserVarSystem* vars = UserVarSystem::instance();
    const UserVar* var = vars ? vars->findVar("ui_showUseHints") : nullptr;
    // The interface makes it on; without one there is nothing to say otherwise.
    return var ? var->getBool() : true;
}

} // namespace

void PlayerClient::buildUseHints()
{
    useHints.clear();
    const GameData* data = GameData::instance();
    if (!data) {
        return;
    }
    for (const GameRules::UseHint& place : data->rules().useHints) {
        UseHintRecord record;
        record.offsetX = place.offsetX;
        record.offsetY = place.offsetY;
        useHints.push_back(std::move(record));
    }
}

void PlayerClient::addUseHint(const std::string& definition)
{
    if (definition.empty() || !showUseHints()) {
        return;
    }
    for (UseHintRecord& record : useHints) {
        if (!record.definition.empty()) {
            continue;
        }
        record.definition = definition;
        record.alpha = 0.0f;
        record.fadingIn = true;
        record.shader = ResourceHandle();
        const Database* database = Database::instance();
        const std::string icon =
            database ? database->getString(database->findEntry(definition), "TextureName") : "";
        if (!icon.empty()) {
            record.shader = acquireShader(icon, kImageSubType);
        }
        return;
    }
}

void PlayerClient::removeUseHint(const std::string& definition)
{
    for (UseHintRecord& record : useHints) {
        if (record.definition == definition) {
            record = UseHintRecord{{}, {}, 0.0f, false, record.offsetX, record.offsetY};
        }
    }
}

void PlayerClient::clearUseHints()
{
    for (UseHintRecord& record : useHints) {
        record = UseHintRecord{{}, {}, 0.0f, false, record.offsetX, record.offsetY};
    }
}

void PlayerClient::fadeUseHints(float dt)
{
    const GameData* data = GameData::instance();
    if (!data) {
        return;
    }
    for (UseHintRecord& record : useHints) {
        if (record.definition.empty()) {
            continue;
        }
        if (record.fadingIn) {
            record.alpha += data->rules().useHintFadeInSpeed * dt;
            if (record.alpha >= 1.0f) {
                record.alpha = 1.0f;
                record.fadingIn = false;
            }
            continue;
        }
        record.alpha -= data->rules().useHintFadeOutSpeed * dt;
        if (record.alpha < 0.0f) {
            record = UseHintRecord{{}, {}, 0.0f, false, record.offsetX, record.offsetY};
        }
    }
}

void PlayerClient::drawIndicators()
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    const EntityClient* selected = target.get();
    if (!graphics || !selected || selected->hasFlag(kFlagHidden)) {
        return;
    }
    if (!selectionShader.isValid()) {
        selectionShader = acquireShader(kSelectionShader, kGroundSubType);
    }
    const int code = selected->getMapColorCode();
    const Color colour = ColorSystem::getColor(code >= 0 && code <= kLastColour ? code : 0);
    const float rgb[3] = {colour.r, colour.g, colour.b};
    ZonePosition3 place;
    Matrix3 turn;
    selected->getWorldTransform(place, turn);
    graphics->queueGroundQuad(place, selectionShader.getIndex(), kSelectionSize, rgb, 1.0f);
}

void PlayerClient::drawOverheadText()
{
    if (EntityClient* mirror = serverMirror.get()) {
        mirror->drawOverheadText();
    }
    const Client* client = Client::instance();
    GraphicsSystem* graphics = GraphicsSystem::instance();
    const GameData* data = GameData::instance();
    if (!client || !graphics || !data) {
        return;
    }
    const Vec2 base = client->screenPositionOf(getPosition(), 0.0f);
    const float zoom = client->getViewParameters().zoom > 0.0f ? client->getViewParameters().zoom : 1.0f;
    // The rule is in tiles, as the world is drawn: a hint shrinks with the view.
    const float side = data->rules().useHintSize * data->rules().tileSize / zoom;
    const float white[3] = {1.0f, 1.0f, 1.0f};
    for (const UseHintRecord& record : useHints) {
        if (record.definition.empty() || !record.shader.isValid()) {
            continue;
        }
        const float x = base.x + record.offsetX - side * 0.5f;
        const float y = base.y + record.offsetY - side * 0.5f;
        graphics->drawImage(white, record.shader, x, y, x + side, y + side, record.alpha, false, false);
    }
}
