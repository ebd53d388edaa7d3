#pragma once

#include "engine/core/Color.h"
#include "game/definitions/EntryDefinition.h"
#include "game/definitions/GameEnums.h"

#include <array>
#include <string>
#include <vector>

class DatabaseEntry;
class MonsterType;

// A monster class (database entry type "MonsterArchetype"): what every monster
// type based on it shares — character class, movement, model, NPC role, skills,
// items and the weights an area uses to pick it.
class MonsterArchetype : public EntryDefinition {
public:
    void load(const DatabaseEntry* entry, int index);

    // The display name: "Name", else the entry name.
    const std::string& getName() const { return name.empty() ? getEntryName() : name; }
    bool isNpcClass() const { return npc || npcType != 0; }

    // The monster types of this class, in load order (filled by GameData).
    const std::vector<MonsterType*>& getTypes() const { return m_types; }
    void addType(MonsterType* type) { m_types.push_back(type); }
    void clearTypes() { m_types.clear(); }
    // The types usable at a monster level (not unique or legend, level in range).
    void collectTypesForLevel(int level, std::vector<MonsterType*>& out) const;
    // One of those at random (stream 0); null when none.
    MonsterType* pickTypeForLevel(int level) const;

    std::string name;
    int characterClass = 0; // "Class": CharacterClassType index
    float baseSpeed = 0.0f;
    float minSprintSpeed = 0.0f;
    float maxSprintSpeed = 0.0f;
    float idleDistance = 0.0f;
    std::string modelName;
    std::string factionName;
    bool npc = false;
    int npcType = 0;
    bool npcGhost = false;
    bool npcRenegade = false;
    bool npcThief = false;
    bool barbarianRenegade = false; // "BarbarianRenegade"
    bool barbarianThief = false;    // "BarbarianThief"
    bool givesQuests = false;
    bool canBeGuard = false;
    bool canBeRescued = false;
    bool canReceiveDelivery = false;
    bool canBeEscorted = false;
    bool canBeAttacked = true;
    float alpha = 1.0f;
    std::array<float, kDamageTypeCount> baseResistance{};
    std::array<float, kDamageTypeCount> damagePercent{};
    std::vector<std::string> enhancements;
    std::vector<std::string> skills;
    std::vector<std::string> requiredSkills;
    std::vector<std::string> randomSkills;
    int numRandomSkills = 0;
    bool useSkillPoints = false;
    int startingSkillPoints = 0;
    std::vector<std::string> startingItems;
    bool randomItems = false;
    std::string deathSkill;
    float lightIntensity = 0.0f;
    Color lightColor;
    std::vector<int> hideSurfaces;
    float radius = 0.5f;
    float selectRadius = 0.5f;
    bool hideFromMiniMap = false;
    float scale = 1.0f;
    float hideChance = 0.0f;
    float groupExtraHideChance = 0.0f;
    float armorMult = 1.0f;
    float defenseMult = 1.0f;
    float healthMult = 1.0f;
    float xpMult = 1.0f;
    std::string randomNameFile;
    std::string textFile;
    bool precache = false;
    bool randomScale = false;
    float minRandomScale = 1.0f;
    float maxRandomScale = 1.0f;
    std::string questItemName;
    float spawnChance = 1.0f;
    float selectionWeight = 1.0f;
    float spawnWeight = 1.0f;
    // World units: a monster whose spacing reaches the rules' "MonsterSpacing"
    // never stands this near another of its type when spawned.
    float spacing = 0.0f;
    std::string behaviorStack;
    bool alwaysWander = false; // "AlwaysWander": adventures without being sent
    std::vector<std::string> headSurfaces; // "HeadSurface"
    bool randomHeadTexture = false;
    std::string introText;
    std::vector<std::string> npcChats; // "NpcChat": chat entry names
    // What quests ask of a class.
    bool canHaveUprising = false;             // "CanHaveUprising"
    bool canBeSpawned = false;                // "CanBeSpawned"
    bool canKidnap = false;                   // "CanKidnap"
    bool canGiveMonsterQuest = false;         // "CanGiveMonsterQuest"
    std::vector<std::string> relatedClasses;  // "RelatedClass": classes a related quest may pick
    const DatabaseEntry* questItem = nullptr; // "QuestItem": an entry of type QuestItem
    float questItemDropChance = 0.0f;         // "QuestItemDropChance"

    // What the monster itself reads while it lives and dies.
    static constexpr int kCombatSoundCount = kAttackSoundTypeCount;
    bool canTurn = false;
    std::array<std::string, kCombatSoundCount> attackSounds;  // "AttackSound%s"
    std::array<std::string, kCombatSoundCount> combatEffects; // "CombatEffect%s"
    float maxLookAtDistance = 0.0f;
    float invisibleDistance = 0.0f;
    bool hiddenWhenDead = false;
    float deathFadeTime = 0.0f;
    bool canBeRaised = false;
    bool canBeEaten = false;
    int lootExtraMoney = 0;
    float lootExtraItemsChance = 0.0f;
    float lootExtraMagicChance = 0.0f;
    float sensesTime = 0.0f;
    float baseAggressionRange = 0.0f;
    float baseHidingAggressionRange = 0.0f;
    float enemyStealthedAggressionMultiplier = 1.0f;
    float enemyStealthedAggressionChance = 1.0f;
    bool simpleDefenseOnly = false;
    std::string onSightSound;
    std::string onHateSound;
    float healingHateMult = 1.0f;
    float attackTime = 1.0f;
    float attackTimeSpread = 0.0f;
    float lowHealthPercent = 0.0f; // 0: no skill waits
    float minSkillWaitLowHealth = 0.0f;
    float maxSkillWaitLowHealth = 0.0f;
    float minSkillWaitFullHealth = 0.0f;
    float maxSkillWaitFullHealth = 0.0f;
    std::string idleCallGroupName;

private:
    std::vector<MonsterType*> m_types;
};
