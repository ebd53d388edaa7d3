#pragma once

#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "game/ai/BehaviorBase.h"
#include "game/ai/BehaviorStack.h"
#include "game/entities/Sentient.h"
#include "game/entities/TargetEntry.h"
#include "game/entities/Timer.h"
#include "game/world/GridPath.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class ByteBuffer;
class MonsterArchetype;
class MonsterType;
struct MonsterAttributes;

// The computer-run character: every monster, NPC, guard and recruit body. It
// adds to the sentient the tie to its monster type and class, behaviours with
// one current behaviour, a target list ranked by threat, walking along grid
// paths, waking near players, a per-covenant damage ledger for kill credit
// and the death sequence that ends in its deletion.
// Walking and death are in Actor.cpp, the target list in ActorTargets.cpp,
// the set-up from a monster type in ActorSetup.cpp.
class Actor : public Sentient {
public:
    // Death states: just died, dying, corpse, fading, gone.
    enum DeathState { kAlive = 0, kDying = 1, kCorpse = 2, kFading = 3, kGone = 4 };
    // Threat kinds of updateTargetEntry that run event effects.
    static constexpr int kThreatDamage = 1;
    static constexpr int kThreatHeal = 2;
    static constexpr int kThreatBuff = 4;
    // Kill credit looks for a covenant leader this close (inclusive).
    static constexpr float kCreditRange = 250.0f;
    static constexpr float kSoundRange = 500.0f;
    static constexpr float kFadeSeconds = 5.5f;
    // The regeneration every actor starts with.
    static constexpr const char* kRegenEffect = "StatusEffectBasicRegen";

    Actor();
    // Made with its stat recomputes held (deferStatUpdates): the caller sets
    // the actor up and resumes them once.
    struct HeldStats {};
    explicit Actor(HeldStats);
    ~Actor() override;

    // ---- Events of the class record
    static void declareEvents(ClassRecord& record);
    static void bindHandlers(ClassRecord& record);
    enum EventIndex { EnemyHealedEvent, EnemyBuffedEvent, PassToBehaviorEvent, HeardSoundEvent, EventCount };
    static const EventType* getEventType(EventIndex index) { return s_events[index]; }

    // ---- Entity operations replaced here
    void setPosition(const ZonePosition& position) override;
    void update(float dt) override;
    bool canUseItemType(int type) const override;
    bool isEnemy(const SkillEntity* other) const override;
    bool canMove() const override;
    void writeSnapshot(ByteBuffer& out) const override;
    void attackedBy(Entity* attacker) override;
    void fireSimpleEvent(int event, int datum) override;
    void printInfo() const override;
    Entity* getTarget() const override { return m_currentTarget.get(); }
    bool isEnemyOf(const Entity* entity) const override;
    void getTargetPosition(ZonePosition& out) const override;
    void warp(const ZonePosition& position) override;

    // ---- Sentient operations replaced here
    void addStatBonus(int stat, int& value, int group) override;
    void damaged(int amount, Entity* source, bool overTime, bool quiet) override;
    void levelUp() override;
    bool hasEnemyNear(bool targetingMe, bool targetingParty, float radius) const override;
    // The party hears of an attack on one of its own: the attacker joins the target list.
    void alert(Entity* attacker) override { addTargetEntry(attacker); }
    void addBaseDamage(StatChangeList& list) override;
    float getStrengthDamageMult() const override { return 0.0f; }
    void addExtraDamage(StatChangeList& list) override;
    void triggerStatusEffectsOnHit(Event& event, bool flag) override;
    void enemyKilled(Entity* victim) override;
    int getBaseArmor() const override;
    int getDexterityBonus() const override;
    int getMaxHealthFromClass() const override;
    int getBaseMinDamage() const override;
    int getBaseMaxDamage() const override;
    int getSpiritResistanceBonus(int stat) const override;
    bool canGainExperience() const override { return m_isNpc; }
    float getSizeScale() const override;
    bool hasOwnAvoidance() const override;

    // ---- Own operations
    virtual int getNpcType() const;
    virtual bool isPlaceFree(const ZonePosition& position) const;
    // The path finder's obstacles: every other solid entity of the table in
    // the box (half-extents ex, ey) whose solid type's bit is in the mask.
    void markObstacles(PathGrid& grid, float ex, float ey, uint32_t mask) override;
    void collectObstacles(float ex, float ey, uint32_t mask, std::vector<Entity*>& out) const;
    // The monster class's own sound and effect of an attack outcome; the
    // sound falls back to the weapon's and the game's.
    std::string getAttackSoundName(int soundType) const override;
    std::string getCombatEffectName(int soundType) const override;
    // A member of a computer-run covenant shares the loot with it.
    float getLootShare() const override;
    void giveLoot(Actor* victim) override;
    bool canBeAttacked() const;
    float getXpShareFactor() const override;
    float getXpMult() const override;
    bool isCovenantGuard() const override { return m_covenantGuard; }
    Sentient* getKillCreditEntity() const { return m_killCredit.get(); }
    // The sentient whose skill summoned this actor; null for others.
    Sentient* getSummoner() const { return m_summoner.get(); }
    void setSummoner(Sentient* summoner) { m_summoner = summoner; }
    void playIdleAnimation(bool restart);
    // Back to life at full health on a free spot near the body; false (and
    // nothing done) unless the class can be raised, the rank is below 5 and
    // the body lies in the corpse state.
    bool resurrect();
    // A body eaten or destroyed: gone at its next step unless its covenant
    // will raise it.
    void endCorpse();

    // ---- Walking (Actor.cpp)
    void setHomePosition(const ZonePosition& position);
    void moveAlongPathTo(const ZonePosition& position);
    void followEntity(Entity* entity);
    void stopMoving();
    // stopMoving, and the step under way ends too: the next walk starts from
    // wherever the actor then stands (after a warp or a leap).
    void dropWalk();
    // One step of walking along the path; false once nothing more was walked.
    void walk(float dt);
    bool isInPlayerRange(float distance) const;

    // ---- Target list (ActorTargets.cpp)
    void addTargetEntry(Entity* entity);
    TargetEntry* findTargetEntry(const Entity* entity);
    void updateTargetEntry(Entity* entity, float amount, int kind);
    void reduceThreat(float fraction);
    void removeTargetEntry(Entity* entity);
    void removeTargetsOfCovenant(int covenantIndex);
    void clearTargetList();
    Entity* findNearestTarget() const;
    bool isTargetReachable(TargetEntry& entry);
    void updateTargets(float dt);
    // Faction alert: every actor of the named faction around the user gains
    // the hate for it (nothing for an unknown faction).
    static constexpr float kAlertRadius = 600.0f;
    static void alertFaction(const std::string& faction, Sentient* user, float hate);
    const std::vector<TargetEntry>& getTargets() const { return m_targets; }
    // Looking for targets by sight, and the range at which a candidate is seen.
    void lookForTargets(float dt);
    float getDetectionRange(const Sentient* candidate) const;

    // ---- Set-up from a monster type (ActorSetup.cpp)
    // With keepGear the random skills, the point spending and the starting
    // items are left to the caller.
    void initFromMonsterType(const MonsterType* type, int level, bool keepGear = false);
    // Appends the entries of the effects an actor made from the type starts
    // with: every actor's regeneration, the class's and the type's
    // enhancements.
    static void startingEffects(const MonsterType* type, std::vector<const DatabaseEntry*>& out);
    void giveMonsterSkills();
    void spendSkillPoints();
    void writeCreationInfo(ByteBuffer& out) const;
    // False (with a level-3 line naming the entry) when the record's type is
    // unknown; the record is read to its end either way.
    bool readCreationInfo(ByteBuffer& in);
    // The world save after the creation record.
    virtual void write(ByteBuffer& out) const;
    virtual bool read(ByteBuffer& in, int version);
    std::string getName() const;
    void setNameSeed(int32_t seed);
    bool isRegularCombatant() const;

    // ---- Behaviours (ActorBehaviors.cpp)
    // Replaces the behaviours with copies of the stack's; the current one is
    // stopped first.
    void setBehaviors(const BehaviorStack& stack);
    void clearBehaviors();
    // The think step: every behaviour's timers, selection, then the current
    // behaviour's update while the owner lives.
    void thinkBehaviors(float dt);
    void selectBehavior();
    // A SimpleEvent to every behaviour: notify to the current one,
    // notifyInactive to the rest.
    void notifyBehaviors(int code, int data);
    void passEventToCurrentBehavior(Event& event);
    void passEventToBehaviors(Event& event);
    void printBehaviorInfo() const;
    // The type of the current behaviour, -1 with none.
    int getCurrentBehaviorType() const;
    BehaviorBase* getCurrentBehavior() const { return m_currentBehavior; }
    const BehaviorList& getBehaviors() const { return m_behaviors; }
    BehaviorList& getBehaviorList() { return m_behaviors; }

    // ---- Fields
    const MonsterType* getMonsterType() const { return m_monsterType; }
    const MonsterArchetype* getMonsterClass() const { return m_monsterClass; }
    const MonsterAttributes* getMonsterAttributes() const { return m_monsterAttributes; }
    bool isHomeSet() const { return m_homeSet; }
    const ZonePosition& getHome() const { return m_home; }
    const ZonePosition& getDestination() const { return m_destination; }
    bool isMoving() const { return m_moving; }
    bool needsPath() const { return m_needsPath; }
    bool isStepping() const { return m_stepping; }
    const GridPath& getPath() const { return m_path; }
    Entity* getPathGoal() const { return m_pathGoal.get(); }
    int getDeathState() const { return m_deathState; }
    const Timer& getCorpseTimer() const { return m_corpseTimer; }
    int getSprintSpeed() const { return m_sprintSpeed; }
    bool isSprinting() const { return m_sprinting; }
    void setSprinting(bool sprinting) { m_sprinting = sprinting; }
    // The stats it has walking, sprinting or not, with only these of its
    // effects (Sentient::statsWithEffects); the actor is left as it was.
    CounterList walkingStatsWith(const std::vector<StatusEffect*>& effects) const;
    float getActivationDistance() const { return m_activationDistance; }
    bool getNoTargetScan() const { return m_noTargetScan; }
    void setNoTargetScan(bool off) { m_noTargetScan = off; }
    SkillBase* getDeathSkill() const { return m_deathSkill; }
    bool isNpc() const { return m_isNpc; }
    bool isActiveNow() const { return m_active; }
    void setActiveNow(bool active) { m_active = active; }
    int getEnhancementRarity() const { return m_enhancementRarity; }
    void setEnhancementRarity(int rarity) { m_enhancementRarity = rarity; }
    bool getUsesAllItems() const { return m_usesAllItems; }
    void setUsesAllItems(bool all) { m_usesAllItems = all; }
    void setCovenantGuard(bool guard) { m_covenantGuard = guard; }
    // A covenant's hero recruit.
    bool isHero() const { return m_hero; }
    void setHero(bool hero) { m_hero = hero; }
    int32_t getNameIndex() const { return m_nameIndex; }
    bool isQuestActor() const { return m_questActor; }
    void setQuestActor(bool quest) { m_questActor = quest; }
    bool isFriendly() const { return m_friendly; }
    void setFriendly(bool friendly) { m_friendly = friendly; }
    bool getChecksActivity() const { return m_checksActivity; }
    void setChecksActivity(bool checks) { m_checksActivity = checks; }
    bool isPristine() const { return m_pristine; }
    void setPristine(bool pristine) { m_pristine = pristine; }
    bool getWander() const { return m_wander; }
    void setWander(bool wander) { m_wander = wander; }
    bool getSavedFlag() const { return m_savedFlag; }
    void setSavedFlag(bool saved) { m_savedFlag = saved; }
    const std::array<int32_t, 6>& getResistanceBonus() const { return m_resistanceBonus; }
    // Ledger of damage by covenant index.
    int getDamageByCovenant(int covenantIndex) const;
    // Fields the spawn and world code keep on an actor.
    bool introGiven = false;
    ZonePosition spawnPosition;
    bool respawn = false;
    bool noRespawn = false;
    bool relocated = false;
    // The loot of a killed monster: some to the ground, the rest kept in
    // its loot group for whoever takes it.
    void dropLoot();

protected:
    void onEnemyHealed(Event& event);
    void onEnemyBuffed(Event& event);
    void onPassToBehavior(Event& event);
    void onHeardSound(Event& event);
    void onEnemyKilled(Event& event);

    // The skill of that name, found in the list or added to it; null when
    // no definition has the name.
    SkillBase* addMonsterSkill(const std::string& name);
    void checkActivity();
    // A quest-giving NPC turns towards the first player when it talks to it.
    void lookAtTalkingPlayer();
    // A guard or a covenant's idle NPC turns to its life stone.
    void faceLifestoneWhenIdle();
    void updateDead(float dt);
    void deathBookkeeping();
    void enterCorpseState();
    void chooseKillCredit(Entity* source);
    // The covenant's wait before its dead come back; 0 without a covenant.
    float getCovenantResurrectTime() const;

    const MonsterType* m_monsterType = nullptr;
    const MonsterArchetype* m_monsterClass = nullptr;
    const MonsterAttributes* m_monsterAttributes = nullptr;
    bool m_homeSet = false;
    ZonePosition m_home{-1, 0.0f, 0.0f};
    std::vector<TargetEntry> m_targets;
    SafePtr<Entity> m_currentTarget;
    ZonePosition m_destination{-1, 0.0f, 0.0f};
    bool m_moving = false;
    bool m_needsPath = false;
    bool m_atNode = true;
    ZonePosition m_nextNode{-1, 0.0f, 0.0f};
    GridPath m_path;
    bool m_stepping = false;
    SafePtr<Entity> m_pathGoal;
    int32_t m_pathLength = 0;
    Timer m_corpseTimer;
    int m_deathState = kAlive;
    std::array<int32_t, 6> m_resistanceBonus{};
    int32_t m_sprintSpeed = 0;
    bool m_sprinting = false;
    float m_activationDistance = 0.0f;
    BehaviorList m_behaviors;
    BehaviorBase* m_currentBehavior = nullptr;
    bool m_noTargetScan = false;
    SkillBase* m_deathSkill = nullptr;
    bool m_isNpc = false;
    bool m_active = false;
    Timer m_activityTimer;
    SafePtr<Sentient> m_killCredit;
    SafePtr<Sentient> m_summoner;
    Timer m_sensesTimer;
    Timer m_hearingTimer;
    int32_t m_enhancementRarity = 0;
    bool m_usesAllItems = false;
    bool m_covenantGuard = false;
    bool m_hero = false;
    int32_t m_nameIndex = 0;
    mutable std::string m_name;
    bool m_questActor = false;
    bool m_friendly = false;
    bool m_checksActivity = true;
    bool m_pristine = true;
    bool m_wander = false;
    // Damage per covenant index, parallel vectors.
    std::vector<int32_t> m_damageCovenants;
    std::vector<int32_t> m_damageAmounts;
    bool m_savedFlag = false;

private:
    static inline const EventType* s_events[EventCount] = {};
};
