#include "game/entities/Actor.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/data/NameGenerator.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillListBase.h"
#include "game/skills/StatusEffect.h"
#include "game/world/Faction.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

// Skills placed in the stat-backed slots: skill i keeps its points in
// stat 11 + i, up to the last skill stat.
constexpr int kMaxPlacedSkills = toIndex(CharacterStat::Skill60) - toIndex(CharacterStat::Skill1);

int truncate(float x)
{
    if (!std::isfinite(x))
        return 0;
    return static_cast<int>(std::clamp(x, -2.0e9f, 2.0e9f));
}

} // namespace

// ---- Set-up ----------------------------------------------------------------------

void Actor::initFromMonsterType(const MonsterType* type, int level, bool keepGear)
{
    if (!type || !type->archetype)
        return;
    const MonsterArchetype& cls = *type->archetype;
    m_monsterType = type;
    m_monsterClass = &cls;
    setCharacterClass(cls.characterClass);
    setStat(stat(CharacterStat::Level), level);
    if (getEntry() != type->getEntry() && type->getEntry()) {
        setEntry(type->getEntry(), type->getEntryName());
        loadFromDatabase();
    }
    const GameData* data = GameData::instance();
    m_monsterAttributes = data ? data->getMonsterAttributes(cls.characterClass) : nullptr;
    if (m_monsterAttributes)
        for (int i = 0; i < 5; ++i)
            setStat(stat(CharacterStat::BaseStrength) + i,
                    truncate(m_monsterAttributes->base[static_cast<size_t>(i)]) +
                        truncate(m_monsterAttributes->perLevel[static_cast<size_t>(i)] *
                                 static_cast<float>(level)));
    setStat(stat(CharacterStat::MinDamage), getBaseMinDamage());
    setStat(stat(CharacterStat::MaxDamage), getBaseMaxDamage());
    setStat(stat(CharacterStat::Armor), getBaseArmor());

    setBaseSpeed(truncate(cls.baseSpeed));
    m_sprintSpeed = randomIntInclusive(truncate(cls.minSprintSpeed), truncate(cls.maxSprintSpeed));

    m_activationDistance = cls.idleDistance;
    setModel(cls.modelName);
    const std::string& faction = !type->factionName.empty() ? type->factionName : cls.factionName;
    if (FactionSystem* factions = FactionSystem::instance(); factions && !faction.empty())
        if (const Faction* found = factions->getOrAddFaction(faction))
            setFactionId(found->id);
    m_isNpc = cls.npc;
    m_fade = cls.alpha;
    for (size_t k = 0; k < m_resistanceBonus.size(); ++k)
        m_resistanceBonus[k] = truncate(type->baseResistance[k] + cls.baseResistance[k]);

    auto addEnhancements = [this](const std::vector<std::string>& names) {
        const Database* db = Database::instance();
        for (const std::string& name : names) {
            m_maxHealth = 0;
            m_health = 0;
            if (db && db->findEntry(name))
                addStatusEffectByName(name, this, 1);
        }
    };
    addEnhancements(cls.enhancements);
    if (Game* game = Game::instance())
        game->copyBehaviorStack(&cls, this, m_behaviors);

    if (m_skillList)
        m_skillList->setFixed(true);
    auto addSkills = [this](const std::vector<std::string>& names) {
        for (const std::string& name : names)
            addMonsterSkill(name);
    };
    addSkills(cls.skills);
    if (!keepGear)
        giveMonsterSkills();
    addEnhancements(type->enhancements);
    addSkills(type->skills);

    const std::string& deathSkill = !type->deathSkill.empty() ? type->deathSkill : cls.deathSkill;
    m_deathSkill = deathSkill.empty() ? nullptr : addMonsterSkill(deathSkill);

    if (!type->modelName.empty() || !cls.modelName.empty())
        setModel(!type->modelName.empty() ? type->modelName : cls.modelName);
    m_radius = cls.radius;
    m_nameIndex = static_cast<int32_t>(Random::next(0));
    m_name.clear();

    if (type->lightIntensity > 0.0f)
        setBaseLight(Vec3{type->lightColor.r, type->lightColor.g, type->lightColor.b}, type->lightIntensity);
    else if (cls.lightIntensity > 0.0f)
        setBaseLight(Vec3{cls.lightColor.r, cls.lightColor.g, cls.lightColor.b}, cls.lightIntensity);

    for (const std::vector<int>* surfaces : {&type->hideSurfaces, &cls.hideSurfaces})
        for (int index : *surfaces)
            setVisualFlag(index, false);

    Game* game = Game::instance();
    bool previousHid = game && game->getPreviousMonsterHid();
    if (game)
        game->setPreviousMonsterHid(false);
    if (cls.hideChance > 0.0f) {
        float chance = cls.hideChance + (previousHid ? cls.groupExtraHideChance : 0.0f);
        if (randomFloat(0) < chance) {
            m_flags |= kFlagHidden;
            if (game)
                game->setPreviousMonsterHid(true);
        }
    }

    setStat(stat(CharacterStat::Skill1), level);
    updateStats(true);

    if (!keepGear) {
        for (const std::string& item : cls.startingItems)
            giveItem(item, false);
        if (cls.randomItems)
            giveStartingEquipment();
        else if (!cls.startingItems.empty())
            updateStats(true);
    }
}

void Actor::startingEffects(const MonsterType* type, std::vector<const DatabaseEntry*>& out)
{
    // As the constructor and initFromMonsterType give them.
    auto add = [&out](const std::string& name) {
        if (const DatabaseEntry* entry = DefinitionReader::findEntry(name))
            out.push_back(entry);
    };
    add(kRegenEffect);
    if (!type || !type->archetype)
        return;
    for (const std::string& name : type->archetype->enhancements)
        add(name);
    for (const std::string& name : type->enhancements)
        add(name);
}

SkillBase* Actor::addMonsterSkill(const std::string& name)
{
    const GameData* data = GameData::instance();
    const SkillDefinition* definition = data ? data->findSkillDefinition(name) : nullptr;
    if (!definition || !m_skillList)
        return nullptr;
    if (SkillBase* existing = m_skillList->findByDefinition(definition))
        return existing;
    // Without point spending every skill reads its level from stat 10 (the
    // monster's level); with it skill i keeps its own points in stat 11 + i.
    int tree = 0;
    int slot = 0;
    if (m_monsterClass && m_monsterClass->useSkillPoints) {
        int i = static_cast<int>(m_skillList->getSkills().size());
        if (i >= kMaxPlacedSkills) {
            debugPrint(2, "Monster %s: no skill place left for %s\n", getName().c_str(), name.c_str());
            return nullptr;
        }
        tree = (i + 1) / SkillBase::kSlotCount;
        slot = (i + 1) % SkillBase::kSlotCount;
    }
    return m_skillList->addSkill(definition, this, tree, slot);
}

void Actor::giveMonsterSkills()
{
    if (!m_monsterClass || !m_monsterClass->useSkillPoints)
        return;
    for (const std::string& name : m_monsterClass->requiredSkills)
        addMonsterSkill(name);
    const std::vector<std::string>& pool = m_monsterClass->randomSkills;
    if (m_monsterClass->numRandomSkills > 0 && !pool.empty()) {
        std::vector<int> picks;
        randomPickDistinct(static_cast<int>(pool.size()),
                           std::min(m_monsterClass->numRandomSkills, static_cast<int>(pool.size())), picks);
        for (int i : picks)
            addMonsterSkill(pool[static_cast<size_t>(i)]);
    }
    spendSkillPoints();
}

void Actor::spendSkillPoints()
{
    if (!m_monsterClass || !m_monsterClass->useSkillPoints || !m_skillList)
        return;
    const std::vector<SkillBase*>& skills = m_skillList->getSkills();
    const int count = std::min(static_cast<int>(skills.size()), kMaxPlacedSkills);
    Game* game = Game::instance();
    long long points = m_monsterClass->startingSkillPoints;
    if (game)
        points += game->getTotalSkillPoints(getStat(stat(CharacterStat::Level)));
    const int first = stat(CharacterStat::Skill1) + 1;
    for (int i = 0; i < count; ++i)
        setStat(first + i, 0);
    while (points > 0) {
        int best = -1;
        int bestCost = 0;
        int bestPriority = 0;
        for (int i = 0; i < count; ++i) {
            const SkillDefinition* def = skills[static_cast<size_t>(i)]->getDefinition();
            if (!def)
                continue;
            int cur = getStat(first + i);
            int max = def->basicSkill ? 1 : def->maxSkillLevel;
            long long rawCost = def->statReq == SkillDefinition::kNoStat
                                    ? static_cast<long long>(def->baseCost) +
                                          static_cast<long long>(def->costIncreasePerLevel) * cur
                                    : 0;
            int cost = static_cast<int>(std::clamp<long long>(rawCost, INT32_MIN, INT32_MAX));
            // A skill that costs nothing takes points only up to its maximum,
            // or a single one without a maximum, so the spending ends.
            bool candidate = cost <= 0 ? (max > 0 ? cur < max : cur < 1) : (max == 0 || cur < max);
            if (!candidate)
                continue;
            int priority = roundToInt(def->comparePointsMult * static_cast<float>(cost));
            if (best < 0 || priority < bestPriority) {
                best = i;
                bestCost = cost;
                bestPriority = priority;
            }
        }
        if (best < 0 || points < bestCost)
            break;
        points -= std::max(bestCost, 0);
        setStat(first + best, getStat(first + best) + 1);
        if (points < 1)
            break;
    }
}

// ---- Level-dependent values --------------------------------------------------------------

namespace {

float difficultyFactor(const Actor& actor, const std::array<float, kWorldDifficultyCount>& table)
{
    if (actor.isNpc() && actor.getNpcType() != 0)
        return 1.0f;
    const GameRules& rules = worldRules();
    int d = std::clamp(rules.worldDifficulty, 0, kWorldDifficultyCount - 1);
    return table[static_cast<size_t>(d)];
}

} // namespace

int Actor::getBaseArmor() const
{
    if (!m_monsterAttributes || !m_monsterClass)
        return 0;
    float level = static_cast<float>(getStat(stat(CharacterStat::Level)));
    int base = truncate(m_monsterAttributes->baseArmor + m_monsterAttributes->armorPerLevel * level);
    return truncate(m_monsterClass->armorMult * static_cast<float>(base) *
                    difficultyFactor(*this, worldRules().difficultyArmorMult));
}

int Actor::getDexterityBonus() const
{
    if (!m_monsterClass)
        return 0;
    return roundToInt(static_cast<float>(Sentient::getDexterityBonus()) * m_monsterClass->defenseMult *
                      difficultyFactor(*this, worldRules().difficultyDefenseMult));
}

int Actor::getMaxHealthFromClass() const
{
    if (!m_monsterClass)
        return Sentient::getMaxHealthFromClass();
    return roundToInt(static_cast<float>(Sentient::getMaxHealthFromClass()) * m_monsterClass->healthMult *
                      difficultyFactor(*this, worldRules().difficultyHealthMult));
}

int Actor::getBaseMinDamage() const
{
    if (!m_monsterAttributes)
        return 0;
    float level = static_cast<float>(getStat(stat(CharacterStat::Level)));
    int base = truncate(m_monsterAttributes->minDamage + m_monsterAttributes->minDamagePerLevel * level);
    return roundToInt(static_cast<float>(base) * difficultyFactor(*this, worldRules().difficultyDamageMult));
}

int Actor::getBaseMaxDamage() const
{
    if (!m_monsterAttributes)
        return 0;
    float level = static_cast<float>(getStat(stat(CharacterStat::Level)));
    int base = truncate(m_monsterAttributes->maxDamage + m_monsterAttributes->maxDamagePerLevel * level);
    return roundToInt(static_cast<float>(base) * difficultyFactor(*this, worldRules().difficultyDamageMult));
}

int Actor::getSpiritResistanceBonus(int s) const
{
    if (!m_monsterAttributes || s == stat(CharacterStat::ResistancePhysical))
        return Sentient::getSpiritResistanceBonus(s);
    float level = static_cast<float>(getStat(stat(CharacterStat::Level)));
    int base =
        truncate(m_monsterAttributes->baseResistance + m_monsterAttributes->resistancePerLevel * level);
    return roundToInt(static_cast<float>(base) *
                      difficultyFactor(*this, worldRules().difficultyResistanceMult));
}

void Actor::addExtraDamage(StatChangeList& list)
{
    if (!m_monsterClass || !m_monsterType)
        return;
    int lo = 0;
    int hi = 0;
    list.getStatRange(lo, hi);
    if (StatChange* physical = list.find(0, false)) {
        for (float factor : {m_monsterClass->damagePercent[0], m_monsterType->damagePercent[0]}) {
            if (factor != 1.0f) {
                physical->min *= factor;
                physical->max *= factor;
            }
        }
    }
    for (int k = 1; k < kDamageTypeCount; ++k) {
        float p = m_monsterClass->damagePercent[static_cast<size_t>(k)] +
                  m_monsterType->damagePercent[static_cast<size_t>(k)];
        int addLo = truncate(static_cast<float>(lo) * p);
        int addHi = truncate(static_cast<float>(hi) * p);
        if (p <= 0.0f || (addLo == 0 && addHi == 0))
            continue;
        list.add(k, addLo, addHi);
    }
}

// ---- Name and role -----------------------------------------------------------------------

std::string Actor::getName() const
{
    if (!m_name.empty())
        return m_name;
    if (m_monsterClass && !m_monsterClass->randomNameFile.empty())
        if (NameGenerator* names = NameGenerator::instance()) {
            m_name = names->generateName(m_monsterClass->randomNameFile, static_cast<uint32_t>(m_nameIndex));
            if (!m_name.empty())
                return m_name;
        }
    return m_monsterType ? m_monsterType->getName() : std::string();
}

void Actor::setNameSeed(int32_t seed)
{
    if (seed == m_nameIndex)
        return;
    m_nameIndex = seed;
    m_name.clear();
}

bool Actor::isRegularCombatant() const
{
    int npcType = getNpcType();
    if (npcType != toIndex(NpcType::None) && npcType != toIndex(NpcType::Recruit))
        return false;
    if (m_monsterClass &&
        (m_monsterClass->canBeRescued || m_monsterClass->canReceiveDelivery || m_monsterClass->canBeEscorted))
        return false;
    if (npcType == toIndex(NpcType::Recruit) && m_covenantIndex < 0)
        return false;
    return true;
}

// ---- Creation record ---------------------------------------------------------------------------

void Actor::writeCreationInfo(ByteBuffer& out) const
{
    out.writeString(getEntry() ? getEntryName() : std::string());
    out.writeInt(getStat(stat(CharacterStat::Level)));
    out.writeInt(m_enhancementRarity);
    std::vector<std::string> names;
    for (const StatusEffect* e : m_effects) {
        const DatabaseEntry* entry = e->getEntry();
        if (entry && entry->getTypeInherited() == static_cast<int>(DatabaseEntryType::MonsterEnhancement))
            names.push_back(entry->getName());
    }
    out.writeInt(static_cast<int32_t>(names.size()));
    for (const std::string& name : names)
        out.writeString(name);
    out.writeInt(m_nameIndex);
}

bool Actor::readCreationInfo(ByteBuffer& in)
{
    std::string entryName = in.readString();
    int32_t level = in.readInt();
    int32_t rarity = in.readInt();
    // Each name takes at least its terminating byte.
    uint32_t count = in.readCount(1);
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count && !in.failed(); ++i)
        names.push_back(in.readString());
    int32_t seed = in.readInt();
    if (in.failed()) {
        debugPrint(3, "Monster record %s: truncated\n", entryName.c_str());
        return false;
    }
    const GameData* data = GameData::instance();
    const MonsterType* type = data && !entryName.empty() ? data->findMonsterType(entryName) : nullptr;
    if (!type || !type->archetype) {
        debugPrint(3, "Monster record: unknown monster type %s, monster dropped\n", entryName.c_str());
        return false;
    }
    // Levels and ranks out of the game's range are brought into it: a level
    // of millions would set up for ever.
    const int maxLevel = std::max(1, worldRules().maxLevel);
    if (level < 1 || level > maxLevel || rarity < 0 || rarity >= kMonsterRarityCount) {
        debugPrint(2, "Monster record %s: level %d, rank %d out of range\n", entryName.c_str(), level,
                   rarity);
        level = std::clamp(level, 1, maxLevel);
        rarity = std::clamp(rarity, 0, kMonsterRarityCount - 1);
    }
    initFromMonsterType(type, level, false);
    m_enhancementRarity = rarity;
    updateStats(true);
    // Enhancements the type gives are back already; adding them again would
    // stack them. Only enhancements are written, so only they are taken back.
    const Database* db = Database::instance();
    for (const std::string& name : names) {
        const DatabaseEntry* entry = db ? db->findEntry(name) : nullptr;
        if (!entry || entry->getTypeInherited() != static_cast<int>(DatabaseEntryType::MonsterEnhancement)) {
            debugPrint(2, "Monster record %s: %s is not a monster enhancement, left out\n", entryName.c_str(),
                       name.c_str());
            continue;
        }
        if (!hasStatusEffect(entry))
            addStatusEffectByName(name, this, 1);
    }
    setNameSeed(seed);
    return true;
}
