#pragma once

#include "engine/object/SafePtr.h"
#include "game/entities/EntityBase.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class ByteBuffer;
class ClassRecord;
class Covenant;
class DatabaseEntry;
class Event;
class Projectile;
class Skill;
class StatChangeList;
struct EventType;
struct PathGrid;

// A kept status effect as sent to clients: entry id, instance tag.
using KeptStatusEffect = std::pair<uint32_t, int32_t>;

// The server class every world object is made from: database loading, the
// "delete" and "fadeTo" events, fading, attachment to a parent's model,
// damage, healing and use, relevance to clients and the entity section of
// the state message.
class Entity : public EntityBase {
public:
    static constexpr float kFadeStep = 0.05f;
    // The solid types a warp keeps clear of: Normal and Gate.
    static constexpr uint32_t kWarpBlocking = 3;

    Entity();
    ~Entity() override;

    // ---- Class record and events
    static ClassRecord* getClassRecordOf() { return s_classRecord; }
    static void setClassRecordOf(ClassRecord* record) { s_classRecord = record; }
    // The class record's operations: declare "delete" and "fadeTo", bind them.
    static void declareEvents(ClassRecord& record);
    static void bindHandlers(ClassRecord& record);
    static const EventType* getDeleteEventType() { return s_deleteEvent; }
    static const EventType* getFadeToEventType() { return s_fadeToEvent; }

    // ---- EntityBase operations
    void loadFromDatabase() override;
    void setPosition(const ZonePosition& position) override;
    void releaseModel() override;
    // Loads through the resource system and names the file to clients.
    void loadResource(const std::string& name, ResourceHandle& out) override;
    void update(float dt) override;
    // 0, but for a covenant's life stone: its defence, armour and
    // resistances are its members' best.
    int getStat(int index) const override;

    // ---- Entity operations
    virtual void onPlaced() {}
    virtual void setLevel(int level) { m_level = level; }
    // The entity takes part in the world step.
    virtual bool isActive() const { return true; }
    virtual void collectKeptStatusEffects(std::vector<KeptStatusEffect>& out) const {}
    // The class's own part of the state message, right after writeUpdate.
    virtual void writeSnapshot(ByteBuffer& out) const {}
    virtual void takeDamage(int amount, Entity* source = nullptr);
    // Returns the amount healed; with showText, "dmg <n> +<amount>" goes to
    // every client.
    virtual int heal(int amount, Entity* source = nullptr, bool showText = true);
    virtual void hitByDamageType(int amount, int damageType) {}
    virtual void attackedBy(Entity* attacker) {}
    virtual bool canReceiveStatusEffect(const DatabaseEntry* entry, const Entity* source) const
    {
        return false;
    }
    virtual bool hasStatusEffect(const DatabaseEntry* entry) const { return false; }
    virtual void addStatusEffectByName(const std::string& name, Entity* source, int level) {}
    virtual void addStatusEffect(const DatabaseEntry* entry, Entity* source, int level) {}
    virtual void removeStatusEffect(const DatabaseEntry* entry) {}
    virtual void fireSimpleEvent(int event, int datum) {}
    virtual void beginUse(Entity* user);
    virtual void use(Entity* user) {}
    virtual void endUse(Entity* user);
    virtual void printInfo() const;
    virtual Entity* getTarget() const { return nullptr; }
    virtual bool isRelevantTo(const Entity* viewer) const;
    virtual void getTargetPosition(ZonePosition& out) const { out = ZonePosition(-1, 0.0f, 0.0f); }
    // Called right after the entity received its number.
    virtual void addedToWorld();
    virtual void trapDisarmed(Entity* trap) {}
    // May append related entities to a client's visible list.
    virtual void addRelatedEntities(std::vector<Entity*>& list) const {}
    // Relations of the entity queries; a plain object is neither, except
    // that a covenant's life stone stands against the covenants at war with
    // or raiding its own.
    virtual bool isFriendlyTo(const Entity* other) const { return false; }
    virtual bool isHostileTo(const Entity* other) const;
    // Placed on the nearest free spot within the game's free-spot rings
    // (blocked by Normal and Gate solids), else on the position itself.
    virtual void warp(const ZonePosition& position);
    // The total damage one skill use dealt (a player keeps its best).
    virtual void recordSkillTotal(int total) {}
    // Friendly skills aimed at this object pass it by.
    virtual bool refusesFriendlySkills() const { return false; }

    // ---- Non-virtual
    int getLevel() const { return m_level; }
    const DatabaseEntry* getUseStatusEffect() const { return m_useStatusEffect; }
    bool getKeepModel() const { return m_keepModel; }
    void setKeepModel(bool keep) { m_keepModel = keep; }
    float getHealthFraction() const;
    Covenant* getCovenant() const;
    // Faction number (-1 none) and the own faction name, which replaces the
    // entry's "FactionName" when set.
    int getFactionId() const { return m_factionId; }
    void setFactionId(int id) { m_factionId = id; }
    const std::string& getOwnFactionName() const { return m_ownFactionName; }
    void setOwnFactionName(const std::string& name) { m_ownFactionName = name; }
    std::string getFactionName() const;
    void playSound(const std::string& name, float radius = 500.0f, float parameter = 0.0f);
    // The facing sector of the other entity relative to this one's facing.
    int getBearingTo(const EntityBase* other) const;
    float getAnimationEventFraction(const std::string& eventName) const;
    // Schedules this entity's "delete" event.
    void scheduleDelete(float delay);

    const std::vector<SafePtr<Entity>>& getChildren() const { return m_children; }
    Entity* getParent() const;
    void createAttachments(const std::string& listKey);
    // The first child at that tag with that model file: taken out of the
    // children and deleted through its "delete" event.
    bool removeAttachedEntity(const std::string& modelName, const std::string& tagName);

    // The entity section of the state message.
    void writeUpdate(ByteBuffer& out) const;

    // ---- Helpers on any entity
    // Warps the entity to the first free spot of rings 0 … 4 around the
    // position, else to the position.
    static void teleportNear(Entity* entity, const ZonePosition& position);
    static void fadeTo(Entity* entity, float target, float seconds);
    static void fadeOutAndDelete(Entity* entity, float seconds);
    // A plain entity added to the world, attached to the parent at the tag
    // when a parent is given. Null (and nothing kept) when the table is full.
    static Entity* createEntity(const DatabaseEntry* entry, const std::string& modelName, Entity* parent,
                                const std::string& tagName, float scale);
    // A temporary effect model on the parent, deleted after the seconds.
    static Entity* spawnAttachedEffect(const std::string& modelName, Entity* parent,
                                       const std::string& tagName, float seconds);
    // A projectile of the entry, set up and launched from the source towards
    // the target (or the position), then added to the world. Null for an
    // unknown entry or a full table (Projectile.cpp).
    static Projectile* spawnProjectile(const std::string& entryName, const StatChangeList& damage,
                                       bool normalAttack, bool magicAttack, Entity* source, Entity* target,
                                       const ZonePosition& targetPosition, const DatabaseEntry* statusEffect,
                                       int statusEffectLevel, float radius,
                                       const StatChangeList& radiusDamage, Skill* skill);

protected:
    void onDeleteEvent(Event& event);
    void onFadeToEvent(Event& event);
    void detachFromParent();

    int m_level = 0;
    const DatabaseEntry* m_useStatusEffect = nullptr;
    std::vector<SafePtr<Entity>> m_children;
    bool m_keepModel = false;
    int m_factionId = -1;
    std::string m_ownFactionName;

private:
    static inline ClassRecord* s_classRecord = nullptr;
    static inline const EventType* s_deleteEvent = nullptr;
    static inline const EventType* s_fadeToEvent = nullptr;
};

// Whether a client with that viewer should hear of the entity: within the
// ±600 square, relevant by class, or owned by the viewer.
bool isEntityRelevantToViewer(const Entity* entity, const Entity* viewer);
// Party members, own ground items, covenant member actors (their classes add
// the cases).
bool isOwnedByViewer(const Entity* entity, const Entity* viewer);
