#pragma once

#include "engine/core/Color.h"
#include "game/definitions/EntryDefinition.h"
#include "game/definitions/GameEnums.h"

#include <array>
#include <string>
#include <vector>

class DatabaseEntry;
class SkillTree;

// One skill tree of a class: its name, how many skills it holds and the
// loaded tree (set by GameData once the trees are loaded; null before or
// when the tree is missing).
struct ClassSkillTree {
    std::string name;
    int skillCount = 0;
    const SkillTree* tree = nullptr;
};

// A character class record, read from the entry "Class" + the
// CharacterClassType name ("ClassWarrior", …).
class CharacterClass : public EntryDefinition {
public:
    static constexpr int kMaxSkillTrees = 4;

    void load(const DatabaseEntry* entry, int index);

    int getSkillTreeCount() const { return static_cast<int>(skillTrees.size()); }
    // Text number i of the class's text list; "" out of range.
    std::string getText(int i) const;
    // Whether a character of this class may use items with that requirement.
    bool allowsItemRequirement(int requirement) const;
    bool usesPower() const { return m_usesPower; }

    std::string name;
    std::string powerName;
    std::string desc;
    std::string modelName;
    std::array<int, 5> startAttributes{}; // "Start" + base stat name
    float damageMultPerStr = 0.0f;
    int attackPerDex = 0;
    float healthPerVit = 0.0f;
    int powerPerInt = 0;
    int powerPerSpr = 0;
    float healthRegenPerSpr = 0.0f;
    float powerRegenPerSpr = 0.0f;
    float criticalPerInt = 0.0f;
    float resistancePerSpr = 0.0f;
    float defensePerDex = 0.0f;
    float specificMissTypePercent = 0.0f;
    float powerGainOnHit = 0.0f;
    float powerGainOnCriticalHit = 0.0f;
    float powerGainOnCrushingBlow = 0.0f;
    float powerGainOnDeepWounds = 0.0f;
    float powerGainOnDamage = 0.0f;
    float powerGainOnBlockOrParry = 0.0f;
    float powerGainOnKill = 0.0f;
    float powerRegenOutsideCombat = 0.0f;
    float basePowerRegen = 0.0f;
    float powerRegenPerInt = 0.0f;
    bool canRegenPower = false;
    bool canDrainPower = false;
    bool maxPowerOnLevelUp = false;
    int maxPower = 0;
    int powerStart = 0;
    int powerRegen = 0;
    std::array<int, 5> attributesPerLevel{}; // "StrengthPerLevel" … "SpiritPerLevel"
    bool powerDirection = false;
    float powerTimer = 0.0f;
    float powerDecay = 0.0f;
    float combatPowerRegenMultiplier = 1.0f;
    float combatHealthRegenMultiplier = 1.0f;
    float healthPerLevel = 0.0f;
    float baseSpeed = 0.0f;
    Color mainColor;
    Color altColor;
    std::vector<std::string> texts;
    std::vector<ClassSkillTree> skillTrees;
    std::vector<int> itemRequirements; // ItemRequirement values the class may use

private:
    bool m_usesPower = false;
};
