#pragma once

#include "engine/core/MathUtil.h"
#include "engine/object/SafePtr.h"
#include "game/entities/Entity.h"
#include "game/entities/Timer.h"
#include "game/skills/CounterList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Actor;
class CharacterClass;
class Covenant;
class Inventory;
class InventoryBase;
class InventoryGroup;
class SkillBase;
class SkillListBase;
class StatChangeList;
class StatusEffect;

// The server-side base of every living character: a class, the character
// stats and their recompute, an inventory, a skill list, the running status
// effects, a party, power and experience, a per-step state word and the
// sentient events. Combat is in SentientCombat.cpp, class and level-up in
// SentientClass.cpp, actions and party in SentientActions.cpp, status
// effects in SentientEffects.cpp.
class Sentient : public Entity {
public:
    static constexpr int kStatCount = 112;

    // A flag bit about another entity that lasts a while (a combat event).
    struct TimedFlag {
        int32_t entityNumber = -1;
        float timeLeft = 0.0f;
        int32_t bit = 0;
    };

    Sentient();
    ~Sentient() override;

    // ---- Events of the class record
    static void declareEvents(ClassRecord& record);
    static void bindHandlers(ClassRecord& record);
    enum EventIndex {
        SuccessfulHitEvent,
        WhenHitEvent,
        WhenKilledEvent,
        EnemyKilledEvent,
        SuccessfulKillEvent,
        IdentifyItemEvent,
        UseSkillEvent,
        UseEntityEvent,
        AttackEvent,
        CreateGateEvent,
        ResurrectEvent,
        EventCount
    };
    static const EventType* getEventType(EventIndex index) { return s_events[index]; }

    // ---- Entity operations replaced here
    void update(float dt) override;
    int getStat(int index) const override;
    ItemBase* getItem(int group, int slot) const override;
    bool hasRoomInGroup(int group) const override;
    InventoryBase* getInventory() override { return m_inventory.get(); }
    float getMovement() const override;
    bool meetsItemRequirement(int requirement) const override;
    // Why this sentient may not wear the item (its class or level), as a
    // message; empty when it may.
    std::string wearRefusal(const ItemBase& item) const;
    bool canMove() const override;
    bool isEnemy(const SkillEntity* other) const override;
    void collectKeptStatusEffects(std::vector<KeptStatusEffect>& out) const override;
    void takeDamage(int amount, Entity* source = nullptr) override;
    int heal(int amount, Entity* source = nullptr, bool showText = true) override;
    void attackedBy(Entity* attacker) override;
    // A one-of-a-kind effect is refused while its kind is on; a
    // one-per-inflicter one only while the same source's copy is.
    bool canReceiveStatusEffect(const DatabaseEntry* entry, const Entity* source) const override;
    bool hasStatusEffect(const DatabaseEntry* entry) const override;
    void addStatusEffectByName(const std::string& name, Entity* source, int level = 15) override;
    void addStatusEffect(const DatabaseEntry* entry, Entity* source, int level) override;
    void removeStatusEffect(const DatabaseEntry* entry) override { endStatusEffectsOf(entry); }
    // datum: the other party's entity number, -1 for none.
    void fireSimpleEvent(int event, int datum) override;
    // The entity queries' relations: a friend (isFriendOf) is friendly; any
    // other entity with a health capacity is hostile.
    bool isFriendlyTo(const Entity* other) const override { return isFriendOf(other); }
    bool isHostileTo(const Entity* other) const override;
    // Entity::warp, then a pending skill wind-up is cancelled.
    void warp(const ZonePosition& position) override;

    // ---- Further Sentient operations with Entity's reach
    virtual CounterList& getStats() { return m_stats; }
    const CounterList& getStats() const { return m_stats; }
    virtual void takeDamage(int amount, Entity* source, bool overTime, bool quiet);
    void noteCombatEvent(int stateBit, int entityNumber);
    // Frees every timed flag record of that state bit.
    void freeCombatEvents(int stateBit);
    // Each active effect's absorb pass, in list order.
    virtual void filterIncomingDamage(int& damage);
    virtual bool canAct() const;
    void addListener(Listener* listener);
    void removeListener(Listener* listener);
    virtual bool isFriendOf(const Entity* entity) const;
    virtual bool isEnemyOf(const Entity* entity) const;
    // The sound of an attack outcome (AttackSoundType); empty: the game's.
    virtual std::string getAttackSoundName(int soundType) const;
    // The effect entry shown for an attack outcome; empty: the game's.
    virtual std::string getCombatEffectName(int soundType) const { return std::string(); }
    // The skill's damage terms join in when a skill is given.
    virtual void buildDamageList(const Entity* target, StatChangeList& list,
                                 const SkillBase* skill = nullptr);
    virtual void onHitTaken(Entity* attacker, bool flag);
    virtual void onDefended(int kind);

    // ---- Added operations, in order
    /* 1 */ virtual void addStatBonus(int stat, int& value, int group) {}
    /* 2 */ virtual void damaged(int amount, Entity* source, bool overTime, bool quiet);
    /* 3 */ virtual void hitLanded(int amount, Entity* target, bool hit, bool critical, bool crushingBlow,
                                   bool deepWounds, bool flag);
    /* 4 */ virtual void enemyKilled(Entity* victim);
    /* 5 */ virtual void levelUp();
    /* 6 */ virtual InventoryGroup* getInventoryGroup(int group);
    /* 7 */ virtual void regenerate(float extraHealthRegen);
    /* 8 */ virtual bool hasEnemyNear(bool targetingMe, bool targetingParty, float radius) const;
    /* 9 */ virtual void alert(Entity* attacker) {}
    // A follower hears that its leader attacks the target.
    /* 10 */ virtual void leaderAttacks(Entity* target) {}
    /* 11 */ virtual bool isForcedEnemy(const Entity* entity) const { return false; }
    /* 12 */ virtual bool isFactionFriendly(const Entity* entity) const;
    /* 13 */ virtual void killed(Entity* killer);
    /* 14 */ virtual void addBaseDamage(StatChangeList& list);
    /* 15 */ virtual float getStrengthDamageMult() const;
    /* 16 */ virtual void addExtraDamage(StatChangeList& list) {}
    // The factor on this member's share of kill experience.
    /* 17 */ virtual float getXpShareFactor() const { return 1.0f; }
    // The experience value of killing this sentient.
    /* 18 */ virtual float getXpMult() const { return 1.0f; }
    /* 19 */ virtual void triggerStatusEffectsOnHit(Event& event, bool flag);
    /* 20 */ virtual void collectPartyInRange(std::vector<Sentient*>& list, float range);
    /* 21 */ virtual bool usesClassEntry() const { return false; }
    // (22: a factor hook that nothing reads or overrides is left out.)
    /* 23 */ virtual bool isItemTimerReady(const ItemBase* item) const { return true; }
    /* 24 */ virtual void sendItemTimer(const ItemBase* item) {}
    // A player's attack action is on.
    /* 25 */ virtual bool isAttacking() const { return false; }
    // The entity a player's current action deals with.
    /* 26 */ virtual Entity* getActionTarget() const { return nullptr; }
    /* 27 */ virtual bool isCovenantGuard() const { return false; }
    /* 28 */ virtual int getBaseArmor() const { return 0; }
    /* 29 */ virtual int getDexterityBonus() const;
    /* 30 */ virtual int getMaxHealthFromClass() const;
    /* 31 */ virtual int getBaseMinDamage() const { return 1; }
    /* 32 */ virtual int getBaseMaxDamage() const { return 4; }
    /* 33 */ virtual int getSpiritResistanceBonus(int stat) const;
    /* 34 */ virtual bool canGainExperience() const { return true; }
    /* 35 */ virtual float getSizeScale() const { return 1.0f; }
    /* 36 */ virtual void sendMessage(int type, const std::string& text) {}
    /* 37 */ virtual bool hasOwnAvoidance() const { return false; }
    // A player keeps the largest value given (statistic 18).
    /* 38 */ virtual void recordValue18(int value) {}
    // The entity credited with killing this one; null: the killer.
    /* 39 */ virtual Entity* getKillCredit() const { return nullptr; }
    /* 40 */ virtual void sendWarpDirection() {}
    // An item came to this sentient (a player's chat on rare finds).
    /* 41 */ virtual void onItemFound(const ItemBase* item) {}
    // The statistics a player keeps (kills, deaths); null for others.
    virtual std::vector<int32_t>* getFunStats() { return nullptr; }
    // A player whose attention is on a fight of its own choosing.
    virtual bool hasLostFocus() const { return false; }
    // As a kill credit: its share of the dead monster's loot, and what it
    // takes from the loot after the drop.
    virtual float getLootShare() const { return 1.0f; }
    virtual void giveLoot(Actor* victim) { (void)victim; }

    // ---- Stats (Sentient.cpp)
    // While deferred (a count, so holds nest), recomputes are only noted;
    // the last resume runs one if any was asked for.
    void updateStats(bool refill);
    void deferStatUpdates() { ++m_statsDeferred; }
    void resumeStatUpdates();
    // Saved stats take the place of the built ones; a refill asked for while
    // held goes with them, so a saved Power stays as saved.
    void replaceStats(const CounterList& saved);
    void computeStatGroup(int group, bool refill);
    void applyStatBonuses(int stat, int group);
    // The stats a recompute gives with only these of its effects, as
    // updateStats stores them. The sentient is left exactly as it was: its
    // stats, effects, health, light and covenant, and the random streams.
    CounterList statsWithEffects(const std::vector<StatusEffect*>& effects) const;
    bool isStatAdjustable(int stat, int group) const;
    // A stat write; outside 0 … 111 nothing is written (level-2 line).
    void setStat(int index, int value);
    const CharacterClass* getCharacterClass() const { return m_class; }
    void setCharacterClassRecord(const CharacterClass* record) { m_class = record; }
    float getDamagePerSecond() const;

    // ---- Class (SentientClass.cpp)
    // On an unknown index: "Unknown class index %d", nothing changes.
    void setCharacterClass(int index);
    // One item of the entry into the equipment (generated at the level when
    // asked, two levels lower on each failure); an item without a place is
    // freed.
    bool giveItem(const std::string& entryName, bool generate);
    void giveStartingEquipment();

    // ---- Actions (SentientActions.cpp)
    std::string getAttackAnimation() const;
    void startAttack(Entity* target);
    // False when the same skill is already winding up.
    bool startSkillWindup(int skillNumber, float duration, Entity* target, bool showTimer, int extra);
    void startIdentifyItem(ItemBase* item, float duration);
    // kind: the TimedAction the client's timer shows; 0 takes the event's own.
    void startTimedEvent(EventIndex index, float duration, SafeClass* object, int kind = 0);
    void cancelTimedActions();
    void cancelUseEntity();
    // True when the item went to the ground.
    bool dropItem(int group, int index, Entity* requester);
    void dropAllEquipment();
    void useSkillByIndex(int tree, int index, Entity* target);
    // Numbers 0 … 999 only; any other names nothing.
    void useEntityByNumber(int number);
    void writeSnapshot(ByteBuffer& out) const override;

    // ---- Line tests (SentientSight.cpp)
    // Whether the straight line to the other is free of cells that block
    // sight (or walking) and of solid objects standing on it.
    bool isLineClear(const Entity* other, bool sight) const;
    bool isSightLineClear(const Entity* other) const { return isLineClear(other, true); }
    bool isWalkLineClear(const Entity* other) const { return isLineClear(other, false); }
    bool canSee(const Entity* other) const { return isLineClear(other, true); }
    // The walking line test towards a place rather than an entity.
    bool isWalkLineClearTo(const ZonePosition& position) const;

    // ---- Status effects (SentientEffects.cpp)
    // Takes ownership of the effect on every path.
    void insertStatusEffect(StatusEffect* effect, Entity* source);
    // Tells the listeners that the giver buffed this sentient with the
    // skill ("EnemyBuffed" with the skill's entry id, -1 without one).
    void buffedBy(Entity* giver, const SkillBase* skill);
    StatusEffect* findSameKindEffect(const StatusEffect* effect, const Entity* source) const;
    void updateStatusEffects(float seconds);
    void weakenStatusEffect(const std::string& name, int amount);
    void refreshStatusEffect(const std::string& name, int value);
    void endStatusEffectsOf(const DatabaseEntry* entry);
    void endAllStatusEffects();
    bool canAttack() const;
    bool canUseSkills(bool spells) const;
    bool isHiddenByEffect() const;
    const std::vector<StatusEffect*>& getStatusEffects() const { return m_effects; }
    // The damage list of the sentient's own attack, for damage-on-hit.
    void buildAttackDamageList(StatChangeList& list) { buildDamageList(nullptr, list); }
    // The item-set check of set effects.
    bool isSetComplete(const DatabaseEntry* setEntry) const;
    // Equipped items granting the effect as a set bonus; needed becomes the
    // item count that bonus asks (0 when none grants it).
    int countSetBonusItems(const DatabaseEntry* effect, int& needed) const;
    // The regeneration tick of a basic-regeneration effect.
    virtual void basicRegenerate() { regenerate(0.0f); }
    bool getSupportFlag() const { return m_supportFlag; }
    void setSupportFlag(bool support) { m_supportFlag = support; }

    // ---- Damage, power and experience (SentientCombat.cpp)
    void gainPower(float amount);
    void addPower(int amount);
    // effect: the status effect whose numbers pass, for the passives that
    // enhance it.
    void applyCombatModifiers(int index, const Entity* target, float& value, const SkillBase* skill = nullptr,
                              const DatabaseEntry* effect = nullptr) const;
    void applyTargetEventModifiers(int index, const Entity* target, float& value,
                                   const SkillBase* skill = nullptr) const;
    int applyEventModifiers(int index, const Entity* target, int value,
                            const SkillBase* skill = nullptr) const;
    float getCombatModifier(int index, const Entity* target, const SkillBase* skill = nullptr) const;
    void applyDamageModifiers(int group, const SkillBase* skill, StatChangeList& list);
    bool isInCombat() const;
    int awardExperience(int sourceLevel, int kind, float amount);
    int payExperienceDebt(int xp);
    int addDeathDebt();
    void reduceDebt(int amount);
    void updatePartyXpShare();
    float getPartyXpShare() const { return m_partyXpShare; }
    void cancelSkillWindup();
    void restartPowerDecay();

    // ---- Party (SentientActions.cpp)
    void setLeader(Sentient* leader, int maxPartySize);
    void clearLeader();
    void dismissFollowers();
    void collectParty(std::vector<Sentient*>& list);
    bool isInPartyOf(const Entity* entity) const;
    Sentient* firstFollower() const;
    void alertParty(Entity* attacker);
    Sentient* getLeader() const { return m_leader.get(); }
    Sentient* getTopLeader() const;
    const std::vector<Sentient*>& getFollowers() const { return m_followers; }
    void addMoney(int amount);
    // Closer than 750 to its own covenant's life stone.
    bool isNearLifestone() const;
    Listener* nearestListener() const;

    const std::vector<TimedFlag>& getTimedFlags() const { return m_timedFlags; }
    const std::vector<SafePtr<Listener>>& getListeners() const { return m_listeners; }
    Timer& getPowerTimer() { return m_powerTimer; }
    int getBaseSpeed() const { return m_baseSpeed; }
    void setBaseSpeed(int speed) { m_baseSpeed = speed; }
    void setBaseLight(const Vec3& color, float intensity)
    {
        m_baseLightColor = color;
        m_baseLightIntensity = intensity;
    }
    SkillListBase* getSkillList() const { return m_skillList; }
    // The record is one of this sentient's live skills: its list's, or a
    // trigger skill of one of its status effects. Compares addresses with
    // live records only, so a freed record is never read.
    bool holdsSkill(const SkillBase* skill) const;
    // Set when an Equipment or Bookshelf place changed: the next update
    // recomputes.
    void markEquipmentChanged() { m_equipmentChanged = true; }

protected:
    // Broadcasts to a copy of the listener list.
    void broadcastToListeners(Event& event);
    void onIdentifyItemEvent(Event& event);
    void onUseSkillEvent(Event& event);
    void onUseEntityEvent(Event& event);
    void onAttackEvent(Event& event);

    Timer m_timer;
    CounterList m_stats;
    std::unique_ptr<InventoryBase> m_inventory;
    SkillListBase* m_skillList = nullptr;
    std::vector<StatusEffect*> m_effects;
    int32_t m_reserved = -1;
    const CharacterClass* m_class = nullptr;
    std::vector<TimedFlag> m_timedFlags;
    int32_t m_baseSpeed = 0;
    SafePtr<Sentient> m_leader;
    std::vector<Sentient*> m_followers;
    std::vector<SafePtr<Listener>> m_listeners;
    float m_partyXpShare = 1.0f;
    Timer m_powerTimer;
    Vec3 m_baseLightColor{0.0f, 0.0f, 0.0f};
    float m_baseLightIntensity = 0.0f;
    bool m_supportFlag = true;
    bool m_equipmentChanged = false;
    int m_statsDeferred = 0;
    bool m_statsPending = false;
    bool m_statsPendingRefill = false;

private:
    // What one stat gets in a group pass: the worn items and the shelf, the
    // covenant's relics, and what the skills and effects add or their
    // percentages (null: asked of them for this stat alone).
    struct StatSources {
        int items = 0;
        int relics = 0;
        const int* skills = nullptr;
        const float* skillMult = nullptr;
        const int* effects = nullptr;
        const double* effectMult = nullptr;
    };
    // For an adjustable stat only.
    void applyStatBonuses(int stat, int group, const StatSources& sources);
    // The recompute's last stat steps: Power within MaxPower, the damage
    // range summed, LightIntensity capped.
    void finishDerivedStats();
    // The line test to a place; `other` (may be null) does not block it.
    bool isLineClearTo(const ZonePosition& position, const Entity* other, bool sight) const;

    static inline const EventType* s_events[EventCount] = {};
};
