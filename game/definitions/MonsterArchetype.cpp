#include "game/definitions/MonsterArchetype.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/Random.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/MonsterType.h"

#include <algorithm>
#include <cctype>

void MonsterArchetype::load(const DatabaseEntry* entry, int index)
{
    if (!bindEntry(entry, index))
        return;
    DefinitionReader r(entry);
    name = r.getString("Name");
    // "Class" is a CharacterClassType name or its number.
    std::string className = r.getString("Class");
    if (!className.empty() && std::isdigit(static_cast<unsigned char>(className[0])))
        characterClass = std::clamp(r.getInt("Class"), 0, kCharacterClassTypeCount - 1);
    else
        characterClass = toIndex(parseCharacterClassType(className));
    baseSpeed = r.getFloat("BaseSpeed");
    minSprintSpeed = r.getFloat("MinSprintSpeed");
    maxSprintSpeed = r.getFloat("MaxSprintSpeed");
    idleDistance = r.getFloat("IdleDistance");
    modelName = r.getString("ModelName");
    factionName = r.getString("FactionName");
    npc = r.getFlag("Npc");
    npcType = toIndex(parseNpcType(r.getString("NpcType")));
    npcGhost = r.getFlag("NpcGhost");
    npcRenegade = r.getFlag("NpcRenegade");
    npcThief = r.getFlag("NpcThief");
    barbarianRenegade = r.getFlag("BarbarianRenegade");
    barbarianThief = r.getFlag("BarbarianThief");
    givesQuests = r.getFlag("GivesQuests");
    canBeGuard = r.getFlag("CanBeGuard");
    canBeRescued = r.getFlag("CanBeRescued");
    canReceiveDelivery = r.getFlag("CanReceiveDelivery");
    canBeEscorted = r.getFlag("CanBeEscorted");
    canBeAttacked = r.getFlag("CanBeAttacked", true);
    alpha = r.getFloat("Alpha", 1.0f);
    r.getFloats("BaseResistance", baseResistance);
    damagePercent.fill(0.0f);
    damagePercent[0] = 1.0f; // physical damage is kept unless changed
    r.getFloats("DamagePercent", damagePercent);
    enhancements = r.getStringList("Enhancement");
    skills = r.getStringList("Skill");
    requiredSkills = r.getStringList("RequiredSkill");
    randomSkills = r.getStringList("RandomSkill");
    numRandomSkills = r.getInt("NumRandomSkills");
    useSkillPoints = r.getFlag("UseSkillPoints");
    startingSkillPoints = r.getInt("StartingSkillPoints");
    startingItems = r.getStringList("StartingItem");
    randomItems = r.getFlag("RandomItems");
    deathSkill = r.getString("DeathSkill");
    lightIntensity = r.getFloat("LightIntensity");
    lightColor = parseColor(r.getString("LightColor"));
    hideSurfaces = r.getIntList("HideSurface");
    radius = r.getFloat("Radius", 0.5f);
    selectRadius = r.getFloat("SelectRadius", radius);
    hideFromMiniMap = r.getFlag("HideFromMiniMap");
    scale = r.getFloat("Scale", 1.0f);
    hideChance = r.getFloat("HideChance");
    groupExtraHideChance = r.getFloat("GroupExtraHideChance");
    armorMult = r.getFloat("ArmorMult", 1.0f);
    defenseMult = r.getFloat("DefenseMult", 1.0f);
    healthMult = r.getFloat("HealthMult", 1.0f);
    xpMult = r.getFloat("XpMult", 1.0f);
    randomNameFile = r.getString("RandomNameFile");
    textFile = r.getString("TextFile");
    precache = r.getFlag("precache");
    randomScale = r.getFlag("RandomScale");
    minRandomScale = r.getFloat("MinRandomScale", 1.0f);
    maxRandomScale = r.getFloat("MaxRandomScale", 1.0f);
    questItemName = r.getString("QuestItemName");
    canHaveUprising = r.getFlag("CanHaveUprising");
    canBeSpawned = r.getFlag("CanBeSpawned");
    canKidnap = r.getFlag("CanKidnap");
    canGiveMonsterQuest = r.getFlag("CanGiveMonsterQuest");
    relatedClasses = r.getStringList("RelatedClass");
    const std::string questItemName = r.getString("QuestItem");
    questItem = questItemName.empty() ? nullptr : DefinitionReader::findEntry(questItemName);
    questItemDropChance = r.getFloat("QuestItemDropChance");
    spawnChance = r.getFloat("SpawnChance", 1.0f);
    selectionWeight = r.getFloat("SelectionWeight", 1.0f);
    spawnWeight = r.getFloat("SpawnWeight", 1.0f);
    behaviorStack = r.getString("BehaviorStack");
    alwaysWander = r.getFlag("AlwaysWander");
    canTurn = r.getFlag("CanTurn");
    for (int i = 0; i < kCombatSoundCount; ++i) {
        std::string kind = getAttackSoundTypeName(i);
        attackSounds[static_cast<size_t>(i)] = r.getString("AttackSound" + kind);
        combatEffects[static_cast<size_t>(i)] = r.getString("CombatEffect" + kind);
    }
    maxLookAtDistance = r.getFloat("MaxLookAtDistance");
    invisibleDistance = r.getFloat("InvisibleDistance");
    hiddenWhenDead = r.getFlag("HiddenWhenDead");
    deathFadeTime = r.getFloat("DeathFadeTime");
    canBeRaised = r.getFlag("CanBeRaised");
    canBeEaten = r.getFlag("CanBeEaten");
    lootExtraMoney = r.getInt("LootExtraMoney");
    spacing = std::max(0.0f, r.getFloat("Spacing"));
    lootExtraItemsChance = r.getFloat("LootExtraItemsChance");
    lootExtraMagicChance = r.getFloat("LootExtraMagicChance");
    sensesTime = r.getFloat("SensesTime");
    baseAggressionRange = r.getFloat("BaseAggressionRange");
    baseHidingAggressionRange = r.getFloat("BaseHidingAggressionRange", baseAggressionRange);
    enemyStealthedAggressionMultiplier = r.getFloat("EnemyStealthedAggressionMultiplier", 1.0f);
    enemyStealthedAggressionChance = r.getFloat("EnemyStealthedAggressionChance", 1.0f);
    simpleDefenseOnly = r.getFlag("SimpleDefenseOnly");
    onSightSound = r.getString("OnSightSound");
    onHateSound = r.getString("OnHateSound");
    healingHateMult = r.getFloat("HealingHateMult", 1.0f);
    attackTime = r.getFloat("AttackTime", 1.0f);
    attackTimeSpread = r.getFloat("AttackTimeSpread");
    lowHealthPercent = r.getFloat("LowHealthPercent");
    minSkillWaitLowHealth = r.getFloat("MinSkillWaitLowHealth");
    maxSkillWaitLowHealth = r.getFloat("MaxSkillWaitLowHealth");
    minSkillWaitFullHealth = r.getFloat("MinSkillWaitFullHealth");
    maxSkillWaitFullHealth = r.getFloat("MaxSkillWaitFullHealth");
    idleCallGroupName = r.getString("IdleCallGroupName");
    headSurfaces = r.getStringList("HeadSurface");
    randomHeadTexture = r.getFlag("randomHeadTexture");
    introText = r.getString("IntroText");
    npcChats = r.getStringList("NpcChat");
}

void MonsterArchetype::collectTypesForLevel(int level, std::vector<MonsterType*>& out) const
{
    for (MonsterType* type : m_types)
        if (!type->unique && !type->legend && type->isAtLevel(level))
            out.push_back(type);
}

MonsterType* MonsterArchetype::pickTypeForLevel(int level) const
{
    std::vector<MonsterType*> candidates;
    collectTypesForLevel(level, candidates);
    if (candidates.empty())
        return nullptr;
    return candidates[static_cast<size_t>(randomInt(0, static_cast<int>(candidates.size())))];
}
