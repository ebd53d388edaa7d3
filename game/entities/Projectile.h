#pragma once

#include "engine/object/SafePtr.h"
#include "game/covenants/StatChangeList.h"
#include "game/entities/Entity.h"
#include "game/entities/Timer.h"

#include <string>
#include <vector>

class Skill;
class SkillDefinition;

// A server entity that carries an attack's damage from its source to a
// target: a missile flying to its target (Normal), an arcing one that may
// aim at the ground (Lob), a ring growing around its launch point (Ring), or
// a beam between two entities that may chain on to further targets (Beam).
// It is launched once before it joins the Game, thinks every step and ends
// through its "delete" event.
class Projectile : public Entity {
public:
    enum Type : int { Normal = 0, Ring = 1, Beam = 2, Lob = 3 };

    Projectile();
    ~Projectile() override;

    // The entity's keys, then the projectile's; logs (level 2) a Ring or
    // Beam without "Life" and a Normal or Lob without "Speed".
    void loadFromDatabase() override;
    // The base step (timers, animation), then think.
    void update(float dt) override;
    void writeSnapshot(ByteBuffer& out) const override;
    // A beam follows its target and its source.
    bool isRelevantTo(const Entity* viewer) const override;
    // A beam brings its target and source along.
    void addRelatedEntities(std::vector<Entity*>& list) const override;

    // ---- Set-up
    // For a beam the attach points come from "SourceTag" and "DestTag" (or
    // "origin"); a beam's target joins the hit list.
    void setSource(Entity* source);
    void setTarget(Entity* target);
    void setBeamStart(Entity* start);
    void setDestination(const ZonePosition& destination) { m_destination = destination; }
    void setDamage(const StatChangeList& list) { list.copyTo(m_damage); }
    void setRadiusDamage(float radius, const StatChangeList& list)
    {
        m_radius = radius;
        list.copyTo(m_radiusDamage);
    }
    void setAttackKind(bool normalAttack, bool magicAttack)
    {
        m_normalAttack = normalAttack;
        m_magicAttack = magicAttack;
    }
    void setStatusEffect(const DatabaseEntry* effect, int level)
    {
        m_statusEffect = effect;
        m_statusEffectLevel = level;
    }
    // The skill lives in its owner's skill list: the projectile hands it on
    // only while that owner (or, for an unowned skill, the source at this
    // call) exists, whoever the source has become since.
    void setSkill(Skill* skill);
    void setRoot(Projectile* root) { m_root = root; }
    void setDamageMultiplier(float multiplier) { m_damageMultiplier = multiplier; }

    // Called once after set-up, before the projectile joins the Game.
    void launch();
    // The per-step behaviour: flight, ring growth, chaining, end of life.
    void think(float dt);
    // The effects of reaching a target; null for a hit on the ground.
    void hit(Entity* target);

    // A follow-up beam onto the target: from the root's entry when chaining,
    // else from the root's "Beam" entry. Null (nothing spawned, level-2 line)
    // without such an entry, and null when the world is full.
    static Projectile* spawnChainProjectile(Projectile* root, Projectile* from, Entity* target, bool chain);

    // ---- Fields
    int getType() const { return m_type; }
    float getSpeed() const { return m_speed; }
    Entity* getSource() const { return m_source.get(); }
    Entity* getTargetEntity() const { return m_target.get(); }
    Entity* getBeamStart() const { return m_beamStart.get(); }
    Projectile* getRoot() const { return m_root.get(); }
    // Null once the skill's owner is gone or no longer holds the record (a
    // class change rebuilds the list, an ended effect deletes its trigger
    // skills): the record is found among the owner's live ones by address
    // and definition, never trusted by address alone.
    Skill* getSkill() const;
    const ZonePosition& getDestination() const { return m_destination; }
    const StatChangeList& getDamage() const { return m_damage; }
    const StatChangeList& getRadiusDamage() const { return m_radiusDamage; }
    float getDamageRadius() const { return m_radius; }
    const DatabaseEntry* getStatusEffect() const { return m_statusEffect; }
    int getStatusEffectLevel() const { return m_statusEffectLevel; }
    bool isNormalAttack() const { return m_normalAttack; }
    bool isMagicAttack() const { return m_magicAttack; }
    int getChainDepth() const { return m_chainDepth; }
    bool hasChained() const { return m_chained; }
    int getMaxChains() const { return m_maxChains; }
    float getRingRadius() const { return m_ringRadius; }
    float getHeight() const { return m_height; }
    float getLobTurnDistance() const { return m_lobTurnDistance; }
    int getDamageDone() const { return m_damageDone; }
    float getDamageMultiplier() const { return m_damageMultiplier; }
    const DatabaseEntry* getBeamEntry() const { return m_beamEntry; }
    const std::string& getExplosion() const { return m_explosion; }
    bool isBeamAttack() const { return m_beamAttack; }
    bool hitsEverything() const { return m_hitsEverything; }
    const std::vector<SafePtr<Entity>>& getHitList() const { return m_hitList; }
    bool isInHitList(const Entity* entity) const;
    const Timer& getLifeTimer() const { return m_lifeTimer; }
    const Timer& getChainTimer() const { return m_chainTimer; }
    const Timer& getDamageTimer() const { return m_damageTimer; }

private:
    void addToHitList(Entity* entity);
    // Saturates at the int range.
    void addDamageDone(int amount);
    // Where the projectile flies or looks: the target's position, else the
    // destination.
    ZonePosition getAim() const;
    void move(float dt);
    void growRing(float dt);
    void chain();
    bool isInCone(const Entity* entity) const;
    // The point of "tag", else of "origin", on the entity's model.
    static int findTagOrOrigin(const Entity* entity, const std::string& tag);
    // Deletes the projectile at the next event pass; it thinks no more.
    void end();

    float m_speed = 0.0f;
    StatChangeList m_damage;
    SafePtr<Entity> m_beamStart;
    int m_beamStartAttachPoint = -1;
    SafePtr<Entity> m_target;
    int m_targetAttachPoint = -1;
    SafePtr<Entity> m_source;
    int m_sourceAttachPoint = -1;
    Skill* m_skill = nullptr;
    const SkillDefinition* m_skillDefinition = nullptr;
    SafePtr<Entity> m_skillOwner;
    const DatabaseEntry* m_statusEffect = nullptr;
    int m_statusEffectLevel = 0;
    float m_radius = 0.0f;
    StatChangeList m_radiusDamage;
    bool m_normalAttack = false;
    bool m_magicAttack = false;
    std::string m_explosion;
    int m_type = Normal;
    Timer m_lifeTimer;
    Timer m_damageTimer;
    float m_ringRadius = 0.0f;
    std::vector<SafePtr<Entity>> m_hitList;
    Timer m_chainTimer;
    SafePtr<Projectile> m_root;
    int m_maxChains = 0;
    float m_chainDistance = 0.0f;
    int m_chainDepth = 0;
    bool m_chained = false;
    ZonePosition m_destination;
    float m_coneDegrees = 0.0f;
    bool m_constantDamage = false;
    float m_damageTime = 0.0f;
    bool m_startsAtTarget = false;
    bool m_beamAttack = false;
    const DatabaseEntry* m_beamEntry = nullptr;
    std::string m_sourceTag;
    std::string m_destTag;
    int m_damageDone = 0;
    bool m_hitsEverything = false;
    bool m_canHitTorches = false;
    float m_lobSpeed = 0.0f;
    float m_lobTurnDistance = 0.0f;
    float m_height = 0.0f;
    float m_damageMultiplier = 1.0f;
    bool m_ending = false;
};
