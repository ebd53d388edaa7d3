#pragma once

#include "engine/console/UserVarRef.h"

#include <string>

class Actor;
class Entity;
class Recruit;
class Sentient;
class SkillBase;
class StatChangeList;
struct ZonePosition;

// The server's referee for every attack: hit and defence rolls, critical
// hits, crushing blows and deep wounds, absorption by status effects,
// resistances and armour, the split into direct damage and damage over
// time, the floating "dmg" lines, sounds and effects, and kill experience.
// One exists at a time (createCombatSystem). Random draws all come from
// stream 0, in a fixed order per call.
class CombatSystem {
public:
    // Defence outcomes of a miss: 0 nothing shown, 1 Block … 5.
    static constexpr int kDefenseOutcomeCount = 6;
    // The "StatusEffectDeepWound" entry a deep wound adds.
    static constexpr const char* kDeepWoundEffect = "StatusEffectDeepWound";

    CombatSystem();
    ~CombatSystem();
    CombatSystem(const CombatSystem&) = delete;
    CombatSystem& operator=(const CombatSystem&) = delete;

    static CombatSystem* instance() { return s_instance; }

    // "CombatEventTime" of the "CombatSystem" entry: how long a sentient
    // remembers a combat event.
    float getCombatEventTime() const { return m_combatEventTime; }
    bool showsCombatEffects() const;
    static const char* getDefenseText(int outcome);

    // A weapon or skill attack with its hit roll. Not forced, the target must
    // be in reach (the skill's range, else the melee reach). The total dealt,
    // 0 on a miss or refusal; a negative total healed the target.
    int resolveHit(Entity* attacker, Entity* target, const SkillBase* skill, bool forced, float damageMult);
    // The attacker's damage list for the skill, scaled by damageMult, dealt
    // through applyDamage without a hit roll.
    int applyWeaponDamage(Entity* attacker, Entity* target, const SkillBase* skill, float damageMult);
    // One entry {damageType, amount, amount} through applyDamage.
    int applyDamageOfType(int amount, Entity* source, Entity* target, int damageType, bool overTime,
                          bool reflected);
    // Non-weapon damage (skills, spells, traps, damage over time): no hit or
    // deep-wound roll, no armour, no sound or effect. Reflected damage does
    // not make the target answer with its own hit reactions. A total of 0 or
    // less does nothing.
    int applyDamage(Entity* source, Entity* target, const StatChangeList& list, bool overTime,
                    bool reflected);
    // Every living sentient but the source within the radius (hostile to the
    // source, or any with hitsEverything) takes applyDamage; the sum.
    int applyAreaDamageOfType(int amount, Entity* source, const ZonePosition& position, float radius,
                              int damageType);
    int applyAreaDamage(Entity* source, const ZonePosition& position, float radius,
                        const StatChangeList& list, bool hitsEverything);
    // A computer covenant's recruit against a monster no player watches, won
    // by the level gap and one draw; keeps the recruit's run of wins and
    // losses, moving it a level deeper after 10 wins, back after 3 losses.
    bool resolveOffscreenFight(Actor* monster, Recruit* recruit);

    // ---- The steps, in the order the attacks use them
    // Attack against Defense; one draw.
    bool rollHit(const SkillBase* skill, Entity* target, Entity* attacker) const;
    // Chance in percent of a special outcome (a CombatModifier index).
    float rollSpecial(int kind, const Sentient* attacker, const Entity* target, const SkillBase* skill) const;
    // 0 … 5; one draw.
    int rollDefense(const Entity* target) const;
    // One damage entry's amount: its roll, the entry's maximum for a crushing
    // blow, doubled for a critical hit; false (logged) for an unknown type.
    bool rollEntryAmount(const StatChangeList& list, int index, bool crushing, bool critical, int& type,
                         int& amount) const;
    int absorbByResistance(const Entity* target, int damageType, int amount, bool overTime) const;
    int absorbByArmor(const Entity* attacker, const Entity* target, int amount) const;
    int applyPvpMult(const Entity* attacker, const Entity* target, int amount) const;
    // The direct part; an over-time part of 1 or more becomes the
    // "StatusEffectBasic<type>" effect on the target.
    int splitDamageOverTime(int damageType, Entity* source, Entity* target, int amount) const;
    // Shows and deals the amount; a kill goes to onKilled.
    void dealDamage(Entity* target, int amount, Entity* attacker, bool big, bool overTime, bool quiet);
    void onKilled(Entity* victim, Entity* killer);
    void shareKillExperience(Sentient* killer, Sentient* victim);
    // The attacker's sound of the outcome (its own, else the game's) at the
    // target; the target's combat effect (its own, else the game's).
    void playAttackSound(Entity* target, Entity* attacker, int outcome) const;
    void spawnCombatEffect(Entity* target, Entity* attacker, int outcome) const;

private:
    float m_combatEventTime = 0.0f;
    UserVarRef m_showCombatEffects;

    static inline CombatSystem* s_instance = nullptr;
};

// Makes the one CombatSystem (a second call does nothing) and registers
// ShowCombatEffects.
void createCombatSystem();
void destroyCombatSystem();
