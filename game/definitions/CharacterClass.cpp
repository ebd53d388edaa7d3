#include "game/definitions/CharacterClass.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "game/definitions/DefinitionReader.h"

#include <algorithm>

void CharacterClass::load(const DatabaseEntry* entry, int index)
{
    if (!bindEntry(entry, index))
        return;
    DefinitionReader r(entry);
    name = r.getString("Name");
    if (name.empty())
        name = getCharacterClassTypeName(index);
    powerName = r.getString("PowerName");
    desc = r.getString("Desc");
    modelName = r.getString("ModelName");
    for (size_t i = 0; i < 5; ++i) {
        startAttributes[i] = r.getInt(std::string("StartBase") + kBaseAttributeNames[i], 0);
        attributesPerLevel[i] = r.getInt(std::string(kBaseAttributeNames[i]) + "PerLevel", 0);
    }
    damageMultPerStr = r.getFloat("DamageMultPerStr");
    attackPerDex = r.getInt("AttackPerDex");
    healthPerVit = r.getFloat("HealthPerVit");
    powerPerInt = r.getInt("PowerPerInt");
    powerPerSpr = r.getInt("PowerPerSpr");
    healthRegenPerSpr = r.getFloat("HealthRegenPerSpr");
    powerRegenPerSpr = r.getFloat("PowerRegenPerSpr");
    criticalPerInt = r.getFloat("CriticalPerInt");
    resistancePerSpr = r.getFloat("ResistancePerSpr");
    defensePerDex = r.getFloat("DefensePerDex");
    specificMissTypePercent = r.getFloat("SpecificMissTypePercent");
    powerGainOnHit = r.getFloat("PowerGainOnHit");
    powerGainOnCriticalHit = r.getFloat("PowerGainOnCriticalHit");
    powerGainOnCrushingBlow = r.getFloat("PowerGainOnCrushingBlow");
    powerGainOnDeepWounds = r.getFloat("PowerGainOnDeepWounds");
    powerGainOnDamage = r.getFloat("PowerGainOnDamage");
    powerGainOnBlockOrParry = r.getFloat("PowerGainOnBlockOrParry");
    powerGainOnKill = r.getFloat("PowerGainOnKill");
    powerRegenOutsideCombat = r.getFloat("PowerRegenOutsideCombat");
    basePowerRegen = r.getFloat("BasePowerRegen");
    powerRegenPerInt = r.getFloat("PowerRegenPerInt");
    canRegenPower = r.getFlag("CanRegenPower");
    canDrainPower = r.getFlag("CanDrainPower");
    maxPowerOnLevelUp = r.getFlag("MaxPowerOnLevelUp");
    maxPower = r.getInt("MaxPower");
    powerStart = r.getInt("PowerStart");
    powerRegen = r.getInt("PowerRegen");
    powerDirection = r.getFlag("PowerDirection");
    powerTimer = r.getFloat("PowerTimer");
    powerDecay = r.getFloat("PowerDecay");
    combatPowerRegenMultiplier = r.getFloat("CombatPowerRegenMultiplier", 1.0f);
    combatHealthRegenMultiplier = r.getFloat("CombatHealthRegenMultiplier", 1.0f);
    healthPerLevel = r.getFloat("HealthPerLevel");
    baseSpeed = r.getFloat("BaseSpeed");
    mainColor = parseColor(r.getString("Color"));
    altColor = parseColor(r.getString("AltColor"));
    m_usesPower = r.getFlag("UsesPower", !powerName.empty());
    texts = r.getStringList("Text");

    skillTrees.clear();
    for (const std::string& treeName : r.getStringList("SkillTree")) {
        if (static_cast<int>(skillTrees.size()) == kMaxSkillTrees) {
            debugPrint(2, "%s: %s: more than %d skill trees; the rest are ignored\n",
                       r.where("SkillTree").c_str(), getEntryName().c_str(), kMaxSkillTrees);
            break;
        }
        ClassSkillTree tree;
        tree.name = treeName;
        const DatabaseEntry* treeEntry = DefinitionReader::findEntry(treeName);
        if (!treeEntry)
            debugPrint(2, "%s: %s: skill tree %s not found\n", r.where("SkillTree").c_str(),
                       getEntryName().c_str(), treeName.c_str());
        // A tree holds at most one skill per slot stat.
        tree.skillCount = std::min(
            static_cast<int>(DefinitionReader(treeEntry).getStringList("Skill").size()), kSkillStatsPerTree);
        skillTrees.push_back(tree);
    }

    itemRequirements.clear();
    for (const std::string& requirement : r.getStringList("ItemRequirement"))
        itemRequirements.push_back(toIndex(parseItemRequirement(requirement)));
}

std::string CharacterClass::getText(int i) const
{
    if (i < 0 || i >= static_cast<int>(texts.size()))
        return "";
    return texts[static_cast<size_t>(i)];
}

bool CharacterClass::allowsItemRequirement(int requirement) const
{
    if (requirement == toIndex(ItemRequirement::None))
        return true;
    return std::find(itemRequirements.begin(), itemRequirements.end(), requirement) != itemRequirements.end();
}
