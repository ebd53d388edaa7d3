#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class DatabaseEntry;
class Entity;
class Sentient;
class SkillBase;
class SkillListBase;
class StatChangeList;
struct ZonePosition;

// The services of the fighting code that living characters call: combat,
// entity queries and free spots, factions, skill use and the skills' bonuses.
// The fighting code installs them at start-up; until then every call gives
// the answer for "nothing there" (written beside each hook).
struct EntityServiceHooks {
    // → 0, nothing dealt.
    std::function<int(int amount, Entity* source, Entity* target, int damageType, bool overTime,
                      bool reflected)>
        applyDamageOfType;
    // → 0.
    std::function<int(Entity* source, Entity* target, const StatChangeList& list, bool overTime,
                      bool reflected)>
        applyDamage;
    // → 0.
    std::function<int(Sentient* attacker, Entity* target)> resolveHit;
    // → 0.0.
    std::function<float()> combatEventTime;

    // → none found.
    std::function<void(Entity* self, const ZonePosition& centre, float radius, uint32_t mask,
                       std::vector<Entity*>& out)>
        entitiesInRange;
    // → false.
    std::function<bool(const ZonePosition& centre, int ring, ZonePosition& out, Entity* entity,
                       bool itemSpot)>
        findFreeSpotOnRing;
    // → false.
    std::function<bool(const ZonePosition& centre, int lastRing, ZonePosition& out, Entity* entity)>
        findFreeSpotNear;
    // → 2.
    std::function<int(const Entity* a, const Entity* b)> factionRelation;

    // → a plain SkillListBase.
    std::function<SkillListBase*()> createSkillList;
    // → a plain SkillBase.
    std::function<SkillBase*()> createSkill;
    // → nothing. stage: 0 a new request, 1 a cast ended, 2 the skill's
    // animation marker was reached; unchecked skips the use check.
    std::function<void(SkillBase* skill, Sentient* user, Entity* target, int stage, bool unchecked)> useSkill;

    // → 0.
    std::function<int(const Sentient* sentient, int stat, int group)> skillStatChange;
    // → 0.0.
    std::function<float(const Sentient* sentient, int stat)> skillStatMult;
    // → false (each stat is then asked of the two above). The two above for
    // every stat at once, added to values[stat] / mults[stat]; false, with
    // nothing added, when the sums could change during the recompute.
    std::function<bool(const Sentient* sentient, int group, std::vector<int>& values)> skillStatChanges;
    std::function<bool(const Sentient* sentient, std::vector<float>& mults)> skillStatMults;
    // → value unchanged. effect: the status effect whose numbers are being
    // set, for the passives that enhance it.
    std::function<void(const Sentient* sentient, int index, const SkillBase* skill,
                       const DatabaseEntry* effect, const Entity* target, int phase, float& value)>
        skillModifiers;
    // → nothing added.
    std::function<void(const Sentient* sentient, int group, const SkillBase* skill, StatChangeList& list)>
        skillDamage;
    // → false.
    std::function<bool(const Sentient* sentient, int requirement)> skillGrantsRequirement;
};

// The installed hooks and the calls through them.
class EntityServices {
public:
    static const EntityServiceHooks& hooks() { return s_hooks; }
    static void setHooks(const EntityServiceHooks& hooks) { s_hooks = hooks; }

    static int applyDamageOfType(int amount, Entity* source, Entity* target, int damageType, bool overTime,
                                 bool reflected);
    static int applyDamage(Entity* source, Entity* target, const StatChangeList& list, bool overTime,
                           bool reflected);
    static int resolveHit(Sentient* attacker, Entity* target);
    static float combatEventTime();

    static void entitiesInRange(Entity* self, const ZonePosition& centre, float radius, uint32_t mask,
                                std::vector<Entity*>& out);
    static bool findFreeSpotOnRing(const ZonePosition& centre, int ring, ZonePosition& out, Entity* entity,
                                   bool itemSpot);
    static bool findFreeSpotNear(const ZonePosition& centre, int lastRing, ZonePosition& out, Entity* entity);
    static int factionRelation(const Entity* a, const Entity* b);

    static SkillListBase* createSkillList();
    static SkillBase* createSkill();
    static void useSkill(SkillBase* skill, Sentient* user, Entity* target, int stage = 0,
                         bool unchecked = false);

    static int skillStatChange(const Sentient* sentient, int stat, int group);
    static float skillStatMult(const Sentient* sentient, int stat);
    static bool skillStatChanges(const Sentient* sentient, int group, std::vector<int>& values);
    static bool skillStatMults(const Sentient* sentient, std::vector<float>& mults);
    static void skillModifiers(const Sentient* sentient, int index, const SkillBase* skill,
                               const DatabaseEntry* effect, const Entity* target, int phase, float& value);
    static void skillDamage(const Sentient* sentient, int group, const SkillBase* skill,
                            StatChangeList& list);
    static bool skillGrantsRequirement(const Sentient* sentient, int requirement);

private:
    static inline EntityServiceHooks s_hooks;
};
