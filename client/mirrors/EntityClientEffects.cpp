// What the effect system asks of an entity mirror, and the animation events
// that start and stop effects, beams and swipes on it.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/EntityClient.h"
#include "engine/core/ColorSystem.h"
#include "engine/data/Database.h"
#include "engine/object/Event.h"
#include "engine/resources/ModelResource.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/WorldRules.h"
#include "graphics/effects/EffectSystem.h"

namespace {

// State flag of an attach parent that hides what its children emit.
constexpr uint32_t kHiddenFlag = 0x400;

void copyColour(const Color& c, float out[3])
{
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

} // namespace

std::string EntityClient::getEffectModelName() const
{
    const ModelResource* model = getModel();
    return model ? model->getFileName() : std::string("(no model)");
}

int EntityClient::findEffectAttachPoint(const std::string& name) const
{
    return getModel() ? findAttachPoint(name) : -1;
}

bool EntityClient::getEffectTagTransform(int attachPoint, ZonePosition3& position, Matrix3& orientation) const
{
    // An effect on no attach point follows the entity itself.
    if (attachPoint < 0) {
        getWorldTransform(position, orientation);
        return true;
    }
    return getTagTransform(attachPoint, position, orientation);
}

int EntityClient::parseEffectLocation(const std::string& name) const
{
    return getGameEnumTable(GameEnum::EquipedLocation).find(name);
}

int EntityClient::findEffectTagInAttachment(int location, const std::string& tag) const
{
    return findTagInAttachment(location, tag);
}

bool EntityClient::getEffectAttachmentTagTransform(int location, const std::string& tag,
                                                   ZonePosition3& position, Matrix3& orientation) const
{
    return getAttachmentTagTransform(location, tag, position, orientation);
}

EffectHost::ParentState EntityClient::getEffectParentState() const
{
    ParentState state;
    if (const EntityClient* parent = getAttachParent()) {
        state.exists = true;
        state.dead = parent->isDead();
        state.hidden = (parent->getFlags() & kHiddenFlag) != 0;
        state.fade = parent->getFadeValue();
    }
    return state;
}

bool EntityClient::getEffectBeamEnds(ZonePosition3& start, ZonePosition3& end) const
{
    GameClient* game = GameClient::instance();
    const EntityClient* from = game ? game->getEntity(m_beamStart) : nullptr;
    const EntityClient* to = game ? game->getEntity(m_beamTarget) : nullptr;
    if (!from || !to) {
        return false;
    }
    Matrix3 ignored;
    return from->getEffectTagTransform(m_beamStartPoint, start, ignored) &&
           to->getEffectTagTransform(m_beamTargetPoint, end, ignored);
}

bool EntityClient::getEffectItemColour(float out[3]) const
{
    const Database* db = Database::instance();
    if (!db || !m_entry) {
        return false;
    }
    int type = getGameEnumTable(GameEnum::ItemType).find(db->getString(m_entry, "ItemType"));
    const auto& colours = worldRules().itemTypeColor;
    if (type < 0 || static_cast<size_t>(type) >= colours.size()) {
        return false;
    }
    copyColour(ColorSystem::getColor(colours[static_cast<size_t>(type)]), out);
    return true;
}

bool EntityClient::getEffectCovenantColour(float out[3]) const
{
    const GameClient* game = GameClient::instance();
    const CovenantClient* covenant = game ? game->getCovenant(getCovenantIndex()) : nullptr;
    if (!covenant) {
        return false;
    }
    copyColour(ColorSystem::getColor(covenant->getColorType()), out);
    return true;
}

bool EntityClient::isNotLocalPlayer() const
{
    Client* client = Client::instance();
    const int number = client ? client->getPlayerSlot() : -1;
    GameClient* game = GameClient::instance();
    return number == -1 || !game || game->getEntity(number) != this;
}

// ---- Events. Arguments the model file left out read as empty strings.

void EntityClient::onStartEffectEvent(Event& event)
{
    const std::string name = event.readString();
    const std::string point = event.readString();
    EffectSystem* effects = EffectSystem::instance();
    if (effects && isNotLocalPlayer()) {
        if (EffectInstance* e = effects->spawnEffect(this, name, point)) {
            e->active = true;
        }
    }
}

void EntityClient::onStopEffectEvent(Event& event)
{
    const std::string name = event.readString();
    const std::string point = event.readString();
    EffectSystem* effects = EffectSystem::instance();
    if (effects && isNotLocalPlayer()) {
        if (EffectInstance* e = effects->spawnEffect(this, name, point)) {
            e->active = false;
        }
    }
}

void EntityClient::onSpawnEffectEvent(Event& event)
{
    const std::string name = event.readString();
    const std::string point = event.readString();
    EffectSystem* effects = EffectSystem::instance();
    if (effects && isNotLocalPlayer()) {
        if (EffectInstance* e = effects->spawnEffect(this, name, point)) {
            e->spawnBurst(*effects);
        }
    }
}

void EntityClient::onStartBeamEvent(Event& event)
{
    const std::string name = event.readString();
    const std::string point = event.readString();
    EffectSystem* effects = EffectSystem::instance();
    if (effects && isNotLocalPlayer()) {
        if (BeamInstance* b = effects->startBeam(this, name, point)) {
            b->active = true;
        }
    }
}

void EntityClient::onStopBeamEvent(Event& event)
{
    const std::string name = event.readString();
    const std::string point = event.readString();
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->stopBeam(this, name, point);
    }
}

void EntityClient::onStartSwipeEvent(Event& event)
{
    const std::string name = event.readString();
    const std::string a = event.readString();
    const std::string b = event.readString();
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->startSwipe(this, std::string(), name, a, b);
    }
}

void EntityClient::onStopSwipeEvent(Event& event)
{
    const std::string name = event.readString();
    const std::string a = event.readString();
    const std::string b = event.readString();
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->stopSwipe(this, std::string(), name, a, b);
    }
}

void EntityClient::onStartClientModelSwipeEvent(Event& event)
{
    const std::string location = event.readString();
    const std::string name = event.readString();
    const std::string a = event.readString();
    const std::string b = event.readString();
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->startSwipe(this, location, name, a, b);
    }
}

void EntityClient::onStopClientModelSwipeEvent(Event& event)
{
    const std::string location = event.readString();
    const std::string name = event.readString();
    const std::string a = event.readString();
    const std::string b = event.readString();
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->stopSwipe(this, location, name, a, b);
    }
}
