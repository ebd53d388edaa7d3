#include "game/entities/Entity.h"
#include "game/definitions/WorldRules.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/object/ClassRecord.h"
#include "engine/object/EventSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/AttachmentDefinition.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Sentient.h"
#include "game/world/Game.h"
#include "game/world/ServerLink.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kVisibleHalfSquare = 600.0f;

const Database* database()
{
    return Database::instance();
}

uint32_t entryId(const DatabaseEntry* entry)
{
    return entry ? static_cast<uint32_t>(entry->getId()) : 0xFFFFFFFFu;
}

// An entry's own numbers for the entities made from it, read and parsed
// once per entry (a bad value is reported then): each of a save's members,
// stones and pedestals would otherwise search the entry's fields by name.
struct EntityFields : DatabaseEntry::Derived {
    std::string model;
    bool hasDirection = false;
    int direction = 0;
    float scale = 0.0f;
    std::string useEffect;
    float radius = 0.0f;
    int solidType = 0;
    bool hasLight = false;
    Vec3 light;
    float lightFalloff = 0.0f;
};

EntityFields readEntityFields(const Database& db, const DatabaseEntry& entry)
{
    EntityFields f;
    f.model = db.getString(&entry, "ModelName");
    std::string direction = db.getString(&entry, "InitDirection");
    f.hasDirection = !direction.empty();
    if (f.hasDirection)
        f.direction = EntityBase::parseDirection(direction);
    f.scale = db.getFloat(&entry, "Scale", 0.0f);
    f.useEffect = db.getString(&entry, "UseStatusEffect");
    f.radius = db.getFloat(&entry, "Radius", 0.0f);
    f.solidType = EntityBase::parseSolidType(db.getString(&entry, "SolidType"));
    std::string light = db.getString(&entry, "LightColor");
    f.hasLight = !light.empty();
    if (f.hasLight) {
        Color c = parseColor(light);
        f.light = Vec3(c.r, c.g, c.b);
    }
    f.lightFalloff = db.getFloat(&entry, "LightFalloff", 0.0f);
    return f;
}
} // namespace

Entity::Entity()
{
    setClassRecord(s_classRecord);
}

Entity::~Entity()
{
    // Leaves no dangling slot behind when destroyed outside the "delete" path.
    if (Game* game = Game::instance()) {
        game->removeEntity(this);
    }
    releaseModel();
    detachFromParent();
    std::vector<SafePtr<Entity>> children = std::move(m_children);
    m_children.clear();
    for (SafePtr<Entity>& ptr : children) {
        Entity* child = ptr.get();
        if (!child) {
            continue;
        }
        child->setParent(-1, -1);
        if (Game* game = Game::instance()) {
            game->removeEntity(child);
        }
        delete child;
    }
}

// ---- Class record --------------------------------------------------------------

void Entity::declareEvents(ClassRecord& record)
{
    if (EventSystem* events = EventSystem::instance()) {
        s_deleteEvent = events->createEvent("delete");
        s_fadeToEvent = events->createEvent("fadeTo");
    }
}

void Entity::bindHandlers(ClassRecord& record)
{
    if (s_deleteEvent) {
        record.addEventHandler(s_deleteEvent->id, &Entity::onDeleteEvent);
    }
    if (s_fadeToEvent) {
        record.addEventHandler(s_fadeToEvent->id, &Entity::onFadeToEvent);
    }
}

void Entity::onDeleteEvent(Event& event)
{
    if (Game* game = Game::instance()) {
        game->removeEntity(this);
    }
    delete this;
}

void Entity::onFadeToEvent(Event& event)
{
    float target = event.readFloat();
    float step = event.readFloat();
    if (event.args().failed()) {
        return;
    }
    float next = m_fade + step;
    bool done = (step < 0.0f && next <= target) || (step > 0.0f && next >= target) || step == 0.0f;
    if (done) {
        m_fade = std::clamp(target, 0.0f, 1.0f);
        return;
    }
    m_fade = std::clamp(next, 0.0f, 1.0f);
    // A new instance each step: the one being handled goes back to the pool.
    Game* game = Game::instance();
    EventSystem* events = EventSystem::instance();
    if (!game || !events || !s_fadeToEvent) {
        return;
    }
    Event* again = events->newEventOfType(*s_fadeToEvent);
    again->writeFloat(target);
    again->writeFloat(step);
    game->scheduleEvent(this, again, kFadeStep);
}

void Entity::scheduleDelete(float delay)
{
    Game* game = Game::instance();
    EventSystem* events = EventSystem::instance();
    if (!game || !events || !s_deleteEvent) {
        return;
    }
    game->scheduleEvent(this, events->newEventOfType(*s_deleteEvent), delay);
}

// ---- EntityBase operations --------------------------------------------------------

void Entity::loadFromDatabase()
{
    const DatabaseEntry* entry = getEntry();
    const Database* db = database();
    if (!entry || !db) {
        return;
    }
    const EntityFields& f =
        entry->derived<EntityFields>([db](const DatabaseEntry& e) { return readEntityFields(*db, e); });
    if (!m_keepModel) {
        setModel(f.model);
    }
    if (f.hasDirection) {
        m_direction = f.direction;
    }
    if (f.scale != 0.0f) {
        m_scale = f.scale;
    }
    // Looked up each time: the entry it names may come with a later file.
    m_useStatusEffect = f.useEffect.empty() ? nullptr : db->findEntry(f.useEffect);
    m_radius = f.radius;
    m_solidType = f.solidType;
    if (f.hasLight) {
        m_lightColor = f.light;
    }
    m_lightFalloff = f.lightFalloff;
}

void Entity::setPosition(const ZonePosition& position)
{
    EntityBase::setPosition(position);
    if (Game* game = Game::instance()) {
        game->moveEntityInSpatialIndex(this, m_position);
    }
}

void Entity::warp(const ZonePosition& position)
{
    ZonePosition spot = position;
    if (Game* game = Game::instance()) {
        const GameRules& rules = worldRules();
        game->findFreeSpotNear(position, rules.freeSpotRingLimit, spot, this, true, kWarpBlocking);
    }
    setPosition(spot);
    setSecondaryPosition(spot);
}

void Entity::teleportNear(Entity* entity, const ZonePosition& position)
{
    if (!entity) {
        return;
    }
    ZonePosition spot = position;
    if (Game* game = Game::instance()) {
        for (int ring = 0; ring <= 4; ++ring) {
            if (game->findFreeSpotOnRing(position, ring, spot, entity)) {
                break;
            }
            spot = position;
        }
    }
    entity->warp(spot);
}

void Entity::releaseModel()
{
    m_model.release();
    m_modelName.clear();
}

void Entity::loadResource(const std::string& name, ResourceHandle& out)
{
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        resources->load(name, out);
    }
    // The client learns the name no later than the message carrying the index.
    ServerLink::registerResourceName(name);
}

void Entity::update(float dt)
{
    EntityBase::update(dt);
    m_tickFlags = 0;
}

// ---- Damage, healing, use ---------------------------------------------------------

void Entity::takeDamage(int amount, Entity* source)
{
    if (!(m_maxHealth < 1 || m_health > 0) || hasFlag(kFlagInvulnerable)) {
        return;
    }
    long long h = static_cast<long long>(m_health) - amount;
    if (h < 0) {
        h = 0;
    }
    if (hasFlag(kFlagCannotDie) && h < 1) {
        if (DebugSystem* debug = DebugSystem::instance()) {
            debug->playDebugBeep();
        }
        h = m_maxHealth;
    }
    m_health = static_cast<int>(std::min<long long>(h, INT32_MAX));
}

int Entity::heal(int amount, Entity* source, bool showText)
{
    if (isDead()) {
        return 0;
    }
    long long h = static_cast<long long>(m_health) + amount;
    long long healed = amount;
    if (h < 0) {
        h = 0;
    }
    if (h > m_maxHealth) {
        healed -= h - m_maxHealth;
        h = m_maxHealth;
    }
    m_health = static_cast<int>(h);
    if (showText && healed > 0) {
        queueServerLine(ServerLine::Damage, "%d +%d", m_entityNumber, static_cast<int>(healed));
    }
    return static_cast<int>(healed);
}

void Entity::beginUse(Entity* user)
{
    if (m_useStatusEffect && user) {
        user->addStatusEffect(m_useStatusEffect, nullptr, 1);
    }
}

void Entity::endUse(Entity* user)
{
    if (m_useStatusEffect && user) {
        user->removeStatusEffect(m_useStatusEffect);
    }
}

void Entity::printInfo() const
{
    debugPrintRaw("Health %d/%d\n", m_health, m_maxHealth);
    if (m_animationPlaying) {
        if (const ModelAnimation* animation = getAnimationRecord(m_animation)) {
            debugPrintRaw("Anim name: %s\n", animation->name.c_str());
        }
    }
}

// ---- World links --------------------------------------------------------------

bool Entity::isRelevantTo(const Entity* viewer) const
{
    if (m_alwaysRelevant) {
        return true;
    }
    Entity* parent = getParent();
    return parent && parent != this && isEntityRelevantToViewer(parent, viewer);
}

void Entity::addedToWorld()
{
    for (SafePtr<Entity>& child : m_children) {
        if (child) {
            child->m_parentEntity = m_entityNumber;
        }
    }
}

float Entity::getHealthFraction() const
{
    return m_maxHealth > 0 ? static_cast<float>(m_health) / static_cast<float>(m_maxHealth) : 1.0f;
}

int Entity::getStat(int index) const
{
    const bool defence = index == toIndex(CharacterStat::Defense) || index == toIndex(CharacterStat::Armor) ||
                         (index >= toIndex(CharacterStat::ResistancePhysical) &&
                          index <= toIndex(CharacterStat::ResistanceMagic));
    if (!defence || m_covenantIndex < 0) {
        return 0;
    }
    const Covenant* covenant = getCovenant();
    return covenant && covenant->getLifestone() == this ? covenant->getLifestoneStat(index) : 0;
}

Covenant* Entity::getCovenant() const
{
    Game* game = Game::instance();
    return game ? game->getCovenant(m_covenantIndex) : nullptr;
}

bool Entity::isHostileTo(const Entity* other) const
{
    // Without this, raiders that are not players could never take the stone
    // they were sent against as a target.
    const Covenant* own = getCovenant();
    const Covenant* theirs = other ? other->getCovenant() : nullptr;
    if (!own || !theirs || own == theirs || own->getLifestone() != this)
        return false;
    return own->isHostile(theirs->index) || theirs->isHostile(own->index);
}

std::string Entity::getFactionName() const
{
    if (!m_ownFactionName.empty()) {
        return m_ownFactionName;
    }
    const Database* db = Database::instance();
    return db && getEntry() ? db->getString(getEntry(), "FactionName") : std::string();
}

void Entity::playSound(const std::string& name, float radius, float parameter)
{
    if (Game* game = Game::instance()) {
        game->playSound(name, m_position, m_entityNumber, radius, parameter);
    }
}

int Entity::getBearingTo(const EntityBase* other) const
{
    if (!other) {
        return North;
    }
    Vec2 local = ZonePosition::getLocal(other->getPosition(), m_position);
    float toOther = std::atan2(local.y - m_position.y, local.x - m_position.x) * 180.0f / 3.14159265358979f;
    float relative = std::remainder(toOther - directionToAngle(m_direction), 360.0f);
    return angleToDirection8(relative);
}

float Entity::getAnimationEventFraction(const std::string& eventName) const
{
    const ModelAnimation* animation = getAnimationRecord(m_animation);
    if (!animation || m_animationFrames <= 0) {
        return 0.0f;
    }
    if (m_framesPerSecond <= 0 && animation->framesPerSecond <= 0.0f) {
        return 0.0f;
    }
    return static_cast<float>(ModelAnimation::getEventFrame(animation, eventName)) /
           static_cast<float>(m_animationFrames);
}

Entity* Entity::getParent() const
{
    Game* game = Game::instance();
    return game ? game->getEntity(m_parentEntity) : nullptr;
}

void Entity::detachFromParent()
{
    if (Entity* parent = getParent()) {
        auto& list = parent->m_children;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [this](const SafePtr<Entity>& p) { return !p || p.get() == this; }),
                   list.end());
    }
    m_parentEntity = -1;
    m_parentAttachPoint = -1;
}

void Entity::createAttachments(const std::string& listKey)
{
    const Database* db = database();
    const GameData* data = GameData::instance();
    if (!db || !data || !getEntry()) {
        return;
    }
    for (const std::string& name : db->getStringList(getEntry(), listKey)) {
        const AttachmentDefinition* attachment = data->findAttachment(name);
        if (!attachment) {
            debugPrint(2, "%s: unknown attachment %s\n", getEntryName().c_str(), name.c_str());
            continue;
        }
        createEntity(nullptr, attachment->modelName, this, attachment->tagName, attachment->scale);
    }
}

bool Entity::removeAttachedEntity(const std::string& modelName, const std::string& tagName)
{
    int point = findAttachPoint(tagName);
    for (auto it = m_children.begin(); it != m_children.end(); ++it) {
        Entity* child = it->get();
        if (!child || child->m_parentAttachPoint != point) {
            continue;
        }
        const std::string& file = child->getModelName();
        bool same = equalsNoCase(file, modelName) ||
                    (file.size() > modelName.size() &&
                     equalsNoCase(std::string_view(file).substr(file.size() - modelName.size()), modelName) &&
                     file[file.size() - modelName.size() - 1] == '/');
        if (!same) {
            continue;
        }
        m_children.erase(it);
        child->scheduleDelete(0.0f);
        return true;
    }
    return false;
}

// ---- State message ------------------------------------------------------------

void Entity::writeUpdate(ByteBuffer& out) const
{
    out.writeInt(static_cast<int32_t>(m_entityNumber));
    out.writeInt(entryId(getEntry()));
    out.writeInt(m_flags);
    out.writeInt(static_cast<uint32_t>(m_solid ? 1 : 0));
    out.writeInt(static_cast<int32_t>(m_covenantIndex));
    out.writeZonePosition(m_position);
    out.writeZonePosition(m_secondaryPosition);
    out.writeInt(static_cast<int32_t>(m_parentEntity));
    out.writeInt(static_cast<int32_t>(m_parentAttachPoint));
    out.writeFloat(m_lightColor.x);
    out.writeFloat(m_lightColor.y);
    out.writeFloat(m_lightColor.z);
    out.writeFloat(m_lightFalloff);
    out.writeFloat(m_lightOffset.x);
    out.writeFloat(m_lightOffset.y);
    out.writeInt(static_cast<int32_t>(m_model.getIndex()));
    out.writeInt(static_cast<int32_t>(m_health));
    out.writeInt(static_cast<int32_t>(m_maxHealth));
    out.writeInt(static_cast<int32_t>(m_animation));
    out.writeInt(static_cast<int32_t>(m_animationMode));
    out.writeInt(static_cast<int32_t>(m_direction));
    out.writeFloat(getScale());
    out.writeFloat(getFadeValue());
    out.writeBoolVector(m_visualFlags);
    out.writeInt(static_cast<uint32_t>(m_alwaysRelevant ? 1 : 0));
    std::vector<KeptStatusEffect> effects;
    collectKeptStatusEffects(effects);
    out.writeInt(static_cast<uint32_t>(effects.size()));
    for (const KeptStatusEffect& effect : effects) {
        out.writeInt(effect.first);
        out.writeInt(effect.second);
    }
}

// ---- Helpers ---------------------------------------------------------------

void Entity::fadeTo(Entity* entity, float target, float seconds)
{
    if (!entity) {
        return;
    }
    Game* game = Game::instance();
    if (game) {
        game->cancelEvents(s_fadeToEvent, entity);
    }
    if (seconds <= 0.0f) {
        entity->m_fade = target;
        return;
    }
    EventSystem* events = EventSystem::instance();
    if (target == entity->m_fade || !game || !events || !s_fadeToEvent) {
        return;
    }
    Event* event = events->newEventOfType(*s_fadeToEvent);
    event->writeFloat(target);
    event->writeFloat((target - entity->m_fade) * kFadeStep / seconds);
    game->scheduleEvent(entity, event, kFadeStep);
}

void Entity::fadeOutAndDelete(Entity* entity, float seconds)
{
    if (!entity) {
        return;
    }
    fadeTo(entity, 0.0f, seconds);
    entity->scheduleDelete(seconds);
}

Entity* Entity::createEntity(const DatabaseEntry* entry, const std::string& modelName, Entity* parent,
                             const std::string& tagName, float scale)
{
    Game* game = Game::instance();
    if (!game) {
        return nullptr;
    }
    Entity* entity = new Entity();
    entity->setModel(modelName);
    entity->m_scale = scale;
    if (entry && entry != entity->getEntry()) {
        entity->setEntry(entry, entry->getName());
        entity->loadFromDatabase();
    }
    if (game->addEntity(entity) < 0) {
        // A full table: the orphan is not kept.
        delete entity;
        return nullptr;
    }
    entity->m_parentEntity = -1;
    entity->m_parentAttachPoint = -1;
    if (parent) {
        entity->m_parentEntity = parent->m_entityNumber;
        entity->m_parentAttachPoint = parent->findAttachPoint(tagName);
        parent->m_children.emplace_back(entity);
    }
    return entity;
}

Entity* Entity::spawnAttachedEffect(const std::string& modelName, Entity* parent, const std::string& tagName,
                                    float seconds)
{
    Entity* entity = createEntity(nullptr, modelName, parent, tagName, 1.0f);
    if (entity) {
        entity->m_flags |= kFlagTemporaryEffect;
        entity->scheduleDelete(seconds);
    }
    return entity;
}

// ---- Visibility -------------------------------------------------------------

bool isOwnedByViewer(const Entity* entity, const Entity* viewer)
{
    if (!entity || !viewer) {
        return false;
    }
    if (const auto* sentient = dynamic_cast<const Sentient*>(entity);
        sentient && sentient->isInPartyOf(viewer)) {
        return true;
    }
    // A ground item bound to the viewer (its soul stone).
    if (const auto* ground = dynamic_cast<const ItemGround*>(entity)) {
        const Item* item = ground->getGroundItem();
        return item && item->getBool("Bound") && item->getOwner() == viewer;
    }
    // The NPCs of the viewer's covenant.
    const auto* actor = dynamic_cast<const Actor*>(entity);
    return actor && actor->isNpc() && viewer->getCovenantIndex() >= 0 &&
           actor->getCovenantIndex() == viewer->getCovenantIndex();
}

bool isEntityRelevantToViewer(const Entity* entity, const Entity* viewer)
{
    if (!entity || !viewer) {
        return false;
    }
    Vec2 local = ZonePosition::getLocal(entity->getPosition(), viewer->getPosition());
    float dx = local.x - viewer->getPosition().x;
    float dy = local.y - viewer->getPosition().y;
    if (dx > -kVisibleHalfSquare && dx < kVisibleHalfSquare && dy > -kVisibleHalfSquare &&
        dy < kVisibleHalfSquare) {
        return true;
    }
    return entity->isRelevantTo(viewer) || isOwnedByViewer(entity, viewer);
}
