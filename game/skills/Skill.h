#pragma once

#include "game/entities/Timer.h"
#include "game/skills/SkillBase.h"

#include <cstdint>
#include <vector>

class DatabaseEntry;
class Entity;
class Projectile;
class Sentient;
class StatChangeList;
struct ZonePosition;

// A skill as the server runs it for one owner: the use request with its
// check and refusal texts, the staging of casts and animation markers through
// the owner's skill wind-up, the acting steps, the reuse timer and the AI's
// use-check pacing. The effects on targets are in SkillEffects.cpp.
class Skill : public SkillBase {
public:
    // Enemies within this distance block a "NoAttackers" skill.
    static constexpr float kNoAttackersRadius = 300.0f;

    // Stages of a request: a new one, a cast that finished, a marker reached.
    static constexpr int kStageRequest = 0;
    static constexpr int kStageCastDone = 1;
    static constexpr int kStageMarker = 2;
    // What getUseStage decides: cast first, wait for the marker, act now.
    static constexpr int kUseCast = 1;
    static constexpr int kUseAtMarker = 2;
    static constexpr int kUseNow = 3;

    // Results of execute.
    static constexpr int kFailed = 0;
    static constexpr int kDone = 1;
    static constexpr int kStaged = 2;
    static constexpr int kNothingMore = 3;

    Skill() = default;

    void updateTimer(float seconds) override;
    // Keeps the owner, and the owner as a Sentient when it is one.
    void setOwner(SkillEntity* owner) override;

    // A request by user. Enemy skills act on the user's own target;
    // friendTarget is the friend chosen by the caller. unchecked skips the
    // whole check (death skills, skills fired by status effects).
    void use(Sentient* user, Entity* friendTarget, int stage, bool unchecked);
    // 0 or a refusal code, checked in a fixed order.
    int checkUse(Sentient* user, Entity* target, int stage, bool unchecked) const;
    // Sends the refusal text of the code to the user; codes 0, 1 and
    // unknown codes say nothing.
    void showRefusal(int code, Sentient* user) const;
    int execute(Sentient* user, Entity* friendTarget, int stage, bool unchecked);

    int getPowerCost(const Sentient* user) const;
    float getCastTime(const Sentient* user) const;
    int getUseStage(int stage, const Sentient* user) const;
    bool isKnown(const Sentient* user) const;

    // AI pacing: clears the usable flag for a varied "UseCheckTime".
    void startUseCheck();
    // Queues "usedSkill <definition entry id> <0|1>" for the clients.
    void sendUsed(bool used) const;

    // ---- Effects on targets (SkillEffects.cpp)
    // True when the enemy list was non-empty.
    bool applyToEnemies(Sentient* user);
    // True when the friend list was non-empty.
    bool applyToFriends(Sentient* user, Entity* friendTarget);
    // The targets, each once: the user's target, then further enemies
    // within "MaxRange".
    void collectEnemies(Sentient* user, std::vector<Entity*>& list) const;
    // The chosen friend when the user counts it as one (else the user
    // itself for a "Self" skill), then the allies within "MaxRange".
    void collectFriends(Sentient* user, Entity* friendTarget, std::vector<Entity*>& list) const;
    bool acceptsTarget(const Sentient* user, const Entity* entity) const;
    // A "NeedsFriend" skill takes a non-player character of no covenant or
    // the owner's, or one the owner counts as a friend.
    bool acceptsFriendTarget(const SkillEntity* entity) const override;
    // "SilentHateChange" at the skill's level through the user's HateChange
    // pass.
    float getSilentHateChange(const Sentient* user, const Entity* target = nullptr) const;
    // Whether an active status effect on the entity (a Sentient) is of that
    // StatusType.
    static bool carriesStatusType(const Entity* entity, int statusType);
    // The entry of the definition's "StatusEffect"; null without one.
    const DatabaseEntry* getStatusEffectEntry() const;
    // Frees the entity states the skill asks for, the user's and (for the
    // mirrored enemy states) the target's.
    void consumeRequiredStates(Sentient* user, Entity* target) const;
    // "MinDamage" … "MaxDamage" of "DamageType", through the user's skill
    // damage pass.
    void addDirectDamage(const Sentient* user, StatChangeList& list) const;
    // "Heal" (and "HealPercent" of the friend's maximum health), doubled on
    // a critical heal of the user.
    int getHealAmount(const Sentient* user, const Entity* friendTarget) const;
    // Up to five tries of a destination the Game accepts; the user warps
    // to the first. A blink jumps up to 200 units each way.
    void moveUser(Sentient* user);
    // The skill's monsters near the user, each hating the target; stops at
    // the first that finds nowhere to stand (that one is deleted). Returns
    // how many were placed.
    int summonMonsters(Sentient* user, Entity* target);
    // How many monsters a use summons (a count, else a draw in min … max),
    // at most Game::kMaxEntities.
    int rollSummonCount() const;
    // The skill's "Projectile" from the user at the target (or towards the
    // position without one); null without a user or when none was made.
    Projectile* launchProjectile(Sentient* user, Entity* target, const ZonePosition& position);
    // "ProjMinDamage" … "ProjMaxDamage" (and the radius twin) of
    // "ProjDamageType", through the user's skill damage pass, doubled on the
    // user's critical roll.
    void addProjectileDamage(const Sentient* user, StatChangeList& list) const;
    void addRadiusDamage(const Sentient* user, StatChangeList& list) const;
    // Projectiles aimed at the user turn back on their sources, stronger by
    // "DamageMultAll".
    void reflectProjectiles(Sentient* user);
    // "WindDistance"/"WindPower": torches around the position go out in
    // that wind. Nothing unless both are above 0.
    void applyWind(const ZonePosition& position) const;
    // Every open door within "ShutDoorDistance" of the position is used
    // once, which closes it (a door someone stands in stays open).
    void shutDoors(const ZonePosition& position) const;
    // The radius of the skill's searches around the user that name none:
    // "MaxRange" when above 0, else half the state message's square.
    float getSearchRadius() const;

    // ---- AI choice (SkillChoice.cpp)
    // Rates the skill for the user's situation; 0 when it is not to be used.
    void updatePriority(Sentient* user);
    // Whom an AI use aims at: the weakest ally for a heal, the buff target
    // for a buff, else the user ("Self") or the user's target.
    Entity* chooseTarget(Sentient* user) const;
    // The first living ally within "MaxRange" with the lowest health
    // fraction below 1; null when all are whole.
    Sentient* findWeakestAlly(Sentient* user) const;
    // The first living ally (with "AllAllies"), else the user, that takes
    // the skill's status effect; null without one.
    Entity* findBuffTarget(Sentient* user) const;
    // A covenant member, or a monster above Normal rarity.
    bool isToughEnemy(const Entity* target) const;

    float getPriority() const { return m_priority; }
    void setPriority(float priority) { m_priority = priority; }
    Timer& getUseCheckTimer() { return m_useCheckTimer; }
    const Timer& getUseCheckTimer() const { return m_useCheckTimer; }
    bool isUsable() const { return m_usable; }
    void setUsable(bool usable) { m_usable = usable; }
    Sentient* getSentientOwner() const { return m_sentientOwner; }

private:
    // The acting steps: 1 when the use took effect, 0 when it failed.
    int act(Sentient* user, Entity* friendTarget);
    // The "skillMarker" time of the named animation of the user's model; 0
    // without one.
    float getMarkerTime(const Sentient* user) const;
    void startReuseTimer();

    float m_priority = 0.0f;
    Timer m_useCheckTimer;
    bool m_usable = true;
    Sentient* m_sentientOwner = nullptr;
};
