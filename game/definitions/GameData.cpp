#include "game/definitions/GameData.h"

#include "engine/app/AppHooks.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameFormulas.h"

#include <algorithm>
#include <cmath>

namespace {

// Draw from stream 0 and pick by running sum: the first index whose running
// sum exceeds r × total; the last positive weight when rounding leaves none.
int pickWeighted(const std::vector<float>& weights)
{
    float total = 0.0f;
    for (float w : weights)
        total += std::max(w, 0.0f);
    if (total <= 0.0f)
        return -1;
    float draw = randomFloat(0) * total;
    float sum = 0.0f;
    int last = -1;
    for (size_t i = 0; i < weights.size(); ++i) {
        if (weights[i] <= 0.0f)
            continue;
        sum += weights[i];
        last = static_cast<int>(i);
        if (sum > draw)
            return last;
    }
    return last;
}

float interpolate(float from, float to, float t)
{
    return from + (to - from) * t;
}

// One of the texts at random (stream 0); "" when there are none.
std::string pickRandomText(const std::vector<std::string>& texts, int stream = 0)
{
    if (texts.empty())
        return "";
    return texts[static_cast<size_t>(randomInt(stream, static_cast<int>(texts.size())))];
}

} // namespace

GameData::GameData() = default;

GameData::~GameData()
{
    unload();
}

DefinitionLoaders& GameData::loaders()
{
    static DefinitionLoaders s_loaders;
    return s_loaders;
}

template <class T>
void GameData::destroyDefinitions(const DefinitionLoader<T>& loader, std::vector<LoadedDefinition<T>>& list)
{
    for (LoadedDefinition<T>& item : list)
        if (item.definition && loader.destroy)
            loader.destroy(item.definition);
    list.clear();
}

void GameData::unload()
{
    DefinitionLoaders& l = loaders();
    // Reverse of the load order: later lists may refer to earlier ones.
    destroyDefinitions(l.covenantDefinitions, m_covenantDefinitions);
    destroyDefinitions(l.covenantTraits, m_covenantTraits);
    destroyDefinitions(l.npcChats, m_npcChats);
    destroyDefinitions(l.questDefinitions, m_quests);
    destroyDefinitions(l.skillTrees, m_skillTrees);
    destroyDefinitions(l.skillDefinitions, m_skills);
    m_attachments.clear();
    m_monsterTypes.clear();
    m_archetypes.clear();
    m_classes.clear();
    m_monsterAttributes = {};
    m_loaded = false;
}

bool GameData::load()
{
    unload();
    m_rules = GameRules();
    const DatabaseEntry* system = DefinitionReader::findEntry("GameSystem");
    if (!system) {
        debugPrint(3, "GameSystem database entry not found!\n");
        return false;
    }
    m_rules.load(system);
    loadCharacterClasses();
    loadMonsterAttributes();
    loadMonsters();
    loadAttachments();
    const DefinitionLoaders& l = loaders();
    loadDefinitionsOfType(l.skillDefinitions, toIndex(DatabaseEntryType::Skill), m_skills);
    loadDefinitionsOfType(l.skillTrees, toIndex(DatabaseEntryType::SkillTree), m_skillTrees);
    linkClassSkillTrees();
    loadQuestDefinitions();
    loadDefinitionsOfType(l.npcChats, toIndex(DatabaseEntryType::NpcChat), m_npcChats);
    loadDefinitionsOfType(l.covenantTraits, toIndex(DatabaseEntryType::CovenantTrait), m_covenantTraits);
    loadDefinitionsOfType(l.covenantDefinitions, toIndex(DatabaseEntryType::Covenant), m_covenantDefinitions);
    applyDerivedValues();
    m_loaded = true;
    return true;
}

void GameData::linkClassSkillTrees()
{
    for (const std::unique_ptr<CharacterClass>& c : m_classes) {
        if (!c)
            continue;
        for (ClassSkillTree& tree : c->skillTrees) {
            tree.tree = nullptr;
            for (const LoadedDefinition<SkillTree>& loaded : m_skillTrees)
                if (loaded.definition && equalsNoCase(loaded.name, tree.name)) {
                    tree.tree = loaded.definition;
                    break;
                }
        }
    }
}

void GameData::applyDerivedValues() const
{
    ZoneTopology::setSize(m_rules.levelWidth, m_rules.levelHeight);
    setGrid(m_rules.tileSize, m_rules.tileSize, m_rules.tileOrigin.x, m_rules.tileOrigin.y);
}

void GameData::loadCharacterClasses()
{
    for (int i = 0; i < kCharacterClassTypeCount; ++i) {
        std::string entryName = "Class" + getCharacterClassTypeName(i);
        const DatabaseEntry* entry = DefinitionReader::findEntry(entryName);
        if (!entry) {
            // Player classes are required; the others fall back to nothing.
            debugPrint(i < kPlayerClassCount ? 3 : 2, "Character class entry %s not found\n",
                       entryName.c_str());
            continue;
        }
        int index = DefinitionReader(entry).getInt("Index", i);
        if (index != i)
            debugPrint(2, "%s: %s: Index %d differs from its class type %d; using %d\n",
                       DefinitionReader(entry).where("Index").c_str(), entryName.c_str(), index, i, i);
        addCharacterClass(i).load(entry, i);
    }
}

void GameData::loadMonsterAttributes()
{
    for (int i = 0; i < kCharacterClassTypeCount; ++i) {
        const DatabaseEntry* entry =
            DefinitionReader::findEntry("MonsterAttributes" + getCharacterClassTypeName(i));
        if (entry)
            m_monsterAttributes[static_cast<size_t>(i)].load(entry);
    }
}

void GameData::loadMonsters()
{
    for (const DatabaseEntry* entry :
         DefinitionReader::entriesOfType(toIndex(DatabaseEntryType::MonsterArchetype))) {
        MonsterArchetype& archetype = addMonsterArchetype();
        archetype.load(entry, archetype.getIndex());
    }
    for (const DatabaseEntry* entry :
         DefinitionReader::entriesOfType(toIndex(DatabaseEntryType::MonsterType))) {
        MonsterType& type = addMonsterType();
        type.load(entry, type.getIndex());
    }
    resolveMonsterLinks();
}

void GameData::loadAttachments()
{
    for (const DatabaseEntry* entry :
         DefinitionReader::entriesOfType(toIndex(DatabaseEntryType::Attachment))) {
        auto attachment = std::make_unique<AttachmentDefinition>();
        attachment->load(entry, static_cast<int>(m_attachments.size()));
        m_attachments.push_back(std::move(attachment));
    }
}

template <class T>
void GameData::loadDefinitionsOfType(const DefinitionLoader<T>& loader, int entryType,
                                     std::vector<LoadedDefinition<T>>& out)
{
    if (!loader.isSet())
        return;
    for (const DatabaseEntry* entry : DefinitionReader::entriesOfType(entryType)) {
        T* definition = loader.create();
        if (!definition)
            continue;
        if (!loader.load(definition, entry)) {
            loader.destroy(definition);
            continue;
        }
        out.push_back({definition, entry, DefinitionReader(entry).entryName()});
    }
    if (loader.link)
        for (LoadedDefinition<T>& item : out)
            loader.link(item.definition);
}

void GameData::loadQuestDefinitions()
{
    const DefinitionLoader<QuestDefinition>& loader = loaders().questDefinitions;
    if (!loader.isSet())
        return;
    // Every type has a definition; one without its entry reads as all zero.
    m_quests.resize(kQuestTypeCount);
    const DatabaseEntry* system = DefinitionReader::findEntry("GameSystem");
    for (int type = 0; type < kQuestTypeCount; ++type) {
        const std::string& entryName = m_rules.questEntryNames[static_cast<size_t>(type)];
        const std::string typeName = getQuestTypeName(type);
        const DatabaseEntry* entry = nullptr;
        if (!entryName.empty()) {
            entry = DefinitionReader::findEntry(entryName);
            if (!entry)
                debugPrint(2, "%s: Quest definition entry %s (%s) not found; its definition is all zero\n",
                           DefinitionReader(system).where("Quest" + typeName).c_str(), entryName.c_str(),
                           typeName.c_str());
        } else if (type != toIndex(QuestType::None)) {
            debugPrint(2, "%s: no key Quest%s; the %s definition is all zero\n",
                       DefinitionReader(system).where().c_str(), typeName.c_str(), typeName.c_str());
        }
        QuestDefinition* definition = loader.create();
        if (definition && !loader.load(definition, entry)) {
            loader.destroy(definition);
            definition = nullptr;
        }
        m_quests[static_cast<size_t>(type)] = {definition, entry, entry ? entryName : std::string()};
    }
}

int GameData::getQuestDefinitionCount() const
{
    return static_cast<int>(std::count_if(m_quests.begin(), m_quests.end(),
                                          [](const auto& quest) { return quest.definition != nullptr; }));
}

NpcChat* GameData::findNpcChat(std::string_view name) const
{
    for (const LoadedDefinition<NpcChat>& chat : m_npcChats)
        if (equalsNoCase(chat.name, name))
            return chat.definition;
    return nullptr;
}

// ---- Character classes

CharacterClass& GameData::addCharacterClass(int index)
{
    m_classes.push_back(std::make_unique<CharacterClass>());
    CharacterClass& added = *m_classes.back();
    added.load(nullptr, index);
    return added;
}

const CharacterClass* GameData::findCharacterClassById(int id) const
{
    for (const auto& c : m_classes)
        if (c->getIndex() == id)
            return c.get();
    return nullptr;
}

const MonsterAttributes* GameData::getMonsterAttributes(int characterClass) const
{
    if (characterClass < 0 || characterClass >= kCharacterClassTypeCount)
        return nullptr;
    const MonsterAttributes& attributes = m_monsterAttributes[static_cast<size_t>(characterClass)];
    return attributes.loaded ? &attributes : nullptr;
}

MonsterAttributes& GameData::mutableMonsterAttributes(int characterClass)
{
    MonsterAttributes& attributes =
        m_monsterAttributes[static_cast<size_t>(std::clamp(characterClass, 0, kCharacterClassTypeCount - 1))];
    attributes.loaded = true;
    return attributes;
}

// ---- Monsters

MonsterArchetype& GameData::addMonsterArchetype()
{
    m_archetypes.push_back(std::make_unique<MonsterArchetype>());
    MonsterArchetype& added = *m_archetypes.back();
    added.load(nullptr, static_cast<int>(m_archetypes.size()) - 1);
    return added;
}

MonsterType& GameData::addMonsterType()
{
    m_monsterTypes.push_back(std::make_unique<MonsterType>());
    MonsterType& added = *m_monsterTypes.back();
    added.load(nullptr, static_cast<int>(m_monsterTypes.size()) - 1);
    return added;
}

void GameData::resolveMonsterLinks()
{
    for (auto& archetype : m_archetypes)
        archetype->clearTypes();
    auto linkType = [this](const MonsterType& owner, const std::string& name,
                           const char* key) -> MonsterType* {
        if (name.empty())
            return nullptr;
        MonsterType* found = findMonsterType(name);
        if (!found)
            debugPrint(2, "%s: monster type %s: %s %s is not a monster type\n",
                       DefinitionReader(owner.getEntry()).where(key).c_str(), owner.getEntryName().c_str(),
                       key, name.c_str());
        return found;
    };
    for (auto& type : m_monsterTypes) {
        type->archetype = type->archetypeName.empty() ? nullptr : findDefinitionByName(type->archetypeName);
        if (!type->archetype)
            debugPrint(3, "%s: monster type %s: unknown Archetype \"%s\"\n",
                       DefinitionReader(type->getEntry()).where("Archetype").c_str(),
                       type->getEntryName().c_str(), type->archetypeName.c_str());
        else
            type->archetype->addType(type.get());
        // The Base entry counts only when it is itself a monster type.
        type->base = type->baseName.empty() ? nullptr : findMonsterType(type->baseName);
        type->companion = linkType(*type, type->companionName, "Companion");
        type->successor = linkType(*type, type->successorName, "Successor");
        type->legendVersion = linkType(*type, type->legendVersionName, "LegendVersion");
        type->uniqueVersions.clear();
        for (const std::string& name : type->uniqueVersionNames)
            if (MonsterType* version = linkType(*type, name, "UniqueVersion"))
                type->uniqueVersions.push_back(version);
        type->members.clear();
        for (const std::string& name : type->memberNames)
            if (MonsterType* member = linkType(*type, name, "Member"))
                type->members.push_back(member);
    }
}

MonsterArchetype* GameData::findDefinitionByName(std::string_view name) const
{
    for (const auto& archetype : m_archetypes)
        if (equalsNoCase(archetype->getEntryName(), name))
            return archetype.get();
    return nullptr;
}

MonsterArchetype* GameData::findArchetypeByEntry(const DatabaseEntry* entry) const
{
    if (!entry)
        return nullptr;
    for (const auto& archetype : m_archetypes)
        if (archetype->getEntry() == entry)
            return archetype.get();
    return nullptr;
}

MonsterType* GameData::findMonsterType(std::string_view name) const
{
    for (const auto& type : m_monsterTypes)
        if (equalsNoCase(type->getEntryName(), name))
            return type.get();
    return nullptr;
}

MonsterType* GameData::findMonsterTypeByEntryId(int entryId) const
{
    if (entryId == -1)
        return nullptr;
    for (const auto& type : m_monsterTypes)
        if (type->getEntryId() == entryId)
            return type.get();
    return nullptr;
}

MonsterType* GameData::getMonsterType(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_monsterTypes.size()))
        return nullptr;
    return m_monsterTypes[static_cast<size_t>(index)].get();
}

int GameData::countMonsterTypesAtLevel(int level) const
{
    int count = 0;
    for (const auto& type : m_monsterTypes)
        if (type->isRegularSpawn() && type->isAtLevel(level))
            ++count;
    return count;
}

MonsterType* GameData::getMonsterTypeAtLevel(int level, int n) const
{
    if (n < 0)
        return nullptr;
    for (const auto& type : m_monsterTypes)
        if (type->isRegularSpawn() && type->isAtLevel(level) && n-- == 0)
            return type.get();
    return nullptr;
}

void GameData::collectMonsterTypes(int flags, int lo, int hi, std::vector<MonsterType*>& out) const
{
    for (const auto& type : m_monsterTypes) {
        if (type->getMaxLevel() < lo || type->getMinLevel() > hi)
            continue;
        if (flags != 0 && !type->matchesFlags(flags))
            continue;
        out.push_back(type.get());
    }
}

// ---- Attachments

const AttachmentDefinition* GameData::findAttachment(std::string_view name) const
{
    for (const auto& attachment : m_attachments)
        if (equalsNoCase(attachment->getEntryName(), name))
            return attachment.get();
    return nullptr;
}

// ---- Later subsystems' definitions

std::vector<SkillDefinition*> GameData::getSkillDefinitionList() const
{
    std::vector<SkillDefinition*> list;
    list.reserve(m_skills.size());
    for (const auto& skill : m_skills)
        list.push_back(skill.definition);
    return list;
}

SkillDefinition* GameData::findSkillDefinition(std::string_view name) const
{
    int index = findSkillIndex(name);
    return index < 0 ? nullptr : m_skills[static_cast<size_t>(index)].definition;
}

int GameData::findSkillIndex(std::string_view name) const
{
    for (size_t i = 0; i < m_skills.size(); ++i)
        if (m_skills[i].name == name)
            return static_cast<int>(i);
    return -1;
}

QuestDefinition* GameData::getQuestDefinition(int questType) const
{
    if (questType < 0 || questType >= static_cast<int>(m_quests.size()))
        return nullptr;
    return m_quests[static_cast<size_t>(questType)].definition;
}

int GameData::findCovenantDefinition(std::string_view name) const
{
    for (size_t i = 0; i < m_covenantDefinitions.size(); ++i)
        if (equalsNoCase(m_covenantDefinitions[i].name, name))
            return static_cast<int>(i);
    return -1;
}

CovenantDefinition* GameData::getCovenantDefinition(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_covenantDefinitions.size()))
        return nullptr;
    return m_covenantDefinitions[static_cast<size_t>(index)].definition;
}

// ---- Rules

float GameData::expectedMoneyAtLevel(int level) const
{
    return (m_rules.minMoneyPerLevel + m_rules.maxMoneyPerLevel) * 0.5f *
           static_cast<float>(m_rules.moneyChance) / 100.0f * static_cast<float>(level);
}

int GameData::rollMoney(int level) const
{
    int r = static_cast<int>(randomFloat(0) * 100.0f);
    if (r > 99)
        r = 99;
    if (r >= m_rules.moneyChance)
        return 0;
    float lo = static_cast<float>(level) * m_rules.minMoneyPerLevel;
    float hi = static_cast<float>(level) * m_rules.maxMoneyPerLevel;
    return floorToInt(randomFloatBetween(0, lo, hi) + 0.5f);
}

int GameData::getRumorCost(int rumorLevel, int targetLevel) const
{
    if (rumorLevel < 0 || rumorLevel >= static_cast<int>(m_rules.rumorCostPerLevel.size()))
        return 0;
    return ceilToInt(m_rules.rumorCostPerLevel[static_cast<size_t>(rumorLevel)] *
                     static_cast<float>(targetLevel));
}

int GameData::pickRumorFailure() const
{
    float total = 0.0f;
    for (float chance : m_rules.rumorFailureChance)
        total += chance;
    float draw = randomFloat(0) * total;
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) {
        sum += m_rules.rumorFailureChance[static_cast<size_t>(i)];
        if (sum > draw)
            return i;
    }
    return 3;
}

Color GameData::getSunColor(float time, const Color& day, const Color& night) const
{
    const GameRules& r = m_rules;
    if (time < r.sunriseStart || time > r.sunsetEnd)
        return night;
    auto blend = [](const Color& from, const Color& to, float t) {
        return Color(interpolate(from.r, to.r, t), interpolate(from.g, to.g, t), interpolate(from.b, to.b, t),
                     interpolate(from.a, to.a, t));
    };
    if (time <= r.sunriseEnd) {
        float span = r.sunriseEnd - r.sunriseStart;
        return span > 0.0f ? blend(night, day, (time - r.sunriseStart) / span) : day;
    }
    if (time < r.sunsetStart)
        return day;
    float span = r.sunsetEnd - r.sunsetStart;
    return span > 0.0f ? blend(day, night, (time - r.sunsetStart) / span) : night;
}

ZonePosition GameData::getTownGatePosition(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_rules.townGatePositions.size()))
        return m_rules.townCenterPosition;
    return m_rules.townGatePositions[static_cast<size_t>(index)];
}

ZonePosition GameData::getStartPosition(int gridWidth, int gridHeight) const
{
    float x = std::floor(m_rules.startPosition.x * static_cast<float>(gridWidth));
    float y = std::floor(m_rules.startPosition.y * static_cast<float>(gridHeight));
    return ZonePosition(0, x, y);
}

ZonePosition GameData::getStartPosition() const
{
    const float cellX = std::floor(m_rules.startPosition.x * static_cast<float>(m_rules.levelTileWidth));
    const float cellY = std::floor(m_rules.startPosition.y * static_cast<float>(m_rules.levelTileHeight));
    return snapToGrid(ZonePosition(0, m_rules.tileOrigin.x + cellX * m_rules.tileSize,
                                   m_rules.tileOrigin.y + cellY * m_rules.tileSize));
}

float GameData::getResistanceAbsorbFraction(float resistance, int level) const
{
    if (resistance <= 0.0f)
        return 0.0f;
    float reference = m_rules.resistanceReferenceDamagePerLevel * static_cast<float>(std::max(level, 1));
    if (reference <= 0.0f)
        return 1.0f;
    // Combat absorbs a uniform amount between x × min% and x.
    float x = m_rules.resistanceAbsorbMultiplier * resistance;
    float expected = x * (1.0f + m_rules.resistanceMinAbsorbPercent) * 0.5f;
    return std::clamp(expected / reference, 0.0f, 1.0f);
}

float GameData::getLevelCurveValue(int totalInfluence) const
{
    const std::vector<Vec2>& curve = m_rules.influenceCurve;
    if (curve.empty())
        return 0.0f;
    float x = static_cast<float>(totalInfluence);
    if (x <= curve.front().x)
        return curve.front().y;
    for (size_t i = 1; i < curve.size(); ++i) {
        if (x <= curve[i].x) {
            float span = curve[i].x - curve[i - 1].x;
            if (span <= 0.0f)
                return curve[i].y;
            return interpolate(curve[i - 1].y, curve[i].y, (x - curve[i - 1].x) / span);
        }
    }
    return curve.back().y;
}

int GameData::getInfluenceForLevel(int totalInfluence) const
{
    return floorToInt(getLevelCurveValue(totalInfluence) * m_rules.influenceCurveMult);
}

int GameData::getTradeRouteValue(const GameTime& elapsed, int routeSize, int cap) const
{
    if (routeSize < 0 || routeSize >= kTradeRouteCount)
        return 0;
    size_t s = static_cast<size_t>(routeSize);
    double hours = std::max(elapsed.toSeconds(), 0.0) / 3600.0;
    double value = m_rules.tradeRouteStartValue[s] + hours * m_rules.tradeRouteIncreasePerHour[s];
    if (m_rules.tradeRouteMaxValue[s] > 0)
        value = std::min(value, static_cast<double>(m_rules.tradeRouteMaxValue[s]));
    value = std::min(value, static_cast<double>(cap));
    return floorToInt(static_cast<float>(value));
}

int GameData::getTradeRouteStartCost(int routeSize) const
{
    if (routeSize < 0 || routeSize >= kTradeRouteCount)
        return 0;
    return m_rules.tradeRouteStartCost[static_cast<size_t>(routeSize)];
}

QuestType GameData::randomQuestOrEvent(bool event) const
{
    const std::array<float, kQuestTypeCount>& chances =
        event ? m_rules.eventTypeChance : m_rules.questTypeChance;
    std::vector<float> weights(chances.begin(), chances.end());
    weights[static_cast<size_t>(toIndex(QuestType::None))] = 0.0f;
    int picked = pickWeighted(weights);
    return picked < 0 ? QuestType::None : static_cast<QuestType>(picked);
}

QuestType GameData::randomQuestType() const
{
    return randomQuestOrEvent(false);
}

QuestType GameData::randomEventType() const
{
    return randomQuestOrEvent(true);
}

std::string GameData::getRandomWonGameText(int stream) const
{
    return pickRandomText(m_rules.wonGameText, stream);
}

std::string GameData::getRandomLostGameText(int stream) const
{
    return pickRandomText(m_rules.lostGameText, stream);
}

std::string GameData::getRelationName(int relation) const
{
    for (const GameRules::RelationName& entry : m_rules.relationNames)
        if (relation < entry.threshold)
            return entry.name;
    return "";
}

std::string GameData::getColoredTreatyName(int treaty) const
{
    if (treaty < 0 || treaty >= kCovenantTreatyCount)
        return "";
    return formatColorCode(m_rules.treatyColor[static_cast<size_t>(treaty)]) + "$$Treaty" +
           getCovenantTreatyName(treaty) + "$$";
}

std::string GameData::getColoredTradeRouteName(int routeSize) const
{
    if (routeSize < 0 || routeSize >= kTradeRouteCount)
        return "";
    return formatColorCode(m_rules.tradeRouteColor[static_cast<size_t>(routeSize)]) + "$$TradeRoute" +
           getTradeRouteName(routeSize) + "$$";
}

std::string GameData::getTreatyDescription(int treaty) const
{
    if (treaty < 0 || treaty >= kCovenantTreatyCount)
        return "";
    return "$$TreatyDesc" + getCovenantTreatyName(treaty) + "$$";
}

std::string GameData::getTradeRouteDescription(int routeSize) const
{
    if (routeSize < 0 || routeSize >= kTradeRouteCount)
        return "";
    return "$$TradeRouteDesc" + getTradeRouteName(routeSize) + "$$";
}

std::string GameData::getColoredCovenantDisplayName(const CovenantBase* covenant) const
{
    const DefinitionLoaders& l = loaders();
    if (!covenant || !l.describeCovenant)
        return "";
    std::string name;
    int colorIndex = 0;
    l.describeCovenant(covenant, name, colorIndex);
    return formatColorCode(colorIndex) + name;
}

std::string GameData::getFontName(int index) const
{
    const std::vector<std::string>& fonts = m_rules.fontNames;
    if (fonts.empty())
        return "";
    if (index < 0 || index >= static_cast<int>(fonts.size()))
        return fonts.front();
    return fonts[static_cast<size_t>(index)];
}

int GameData::getDifficultyLevelOffset() const
{
    int d = m_rules.worldDifficulty;
    if (d < 0 || d >= kWorldDifficultyCount)
        return 0;
    return m_rules.difficultyLevelOffset[static_cast<size_t>(d)];
}

bool startUpGameData(std::unique_ptr<GameData>& holder)
{
    holder = std::make_unique<GameData>();
    if (!holder->load())
        return false;
    const GameRules& rules = holder->rules();
    debugPrint(1,
               "GameData: %zu classes, %zu monster classes, %zu monster types, %zu attachments, "
               "%d quest definitions, %zu NPC chats, %zu covenant definitions, %zu covenant traits, "
               "%zu skill definitions\n",
               holder->getCharacterClasses().size(), holder->getMonsterArchetypes().size(),
               holder->getMonsterTypes().size(), holder->getAttachments().size(),
               holder->getQuestDefinitionCount(), holder->getNpcChats().size(),
               holder->getCovenantDefinitions().size(), holder->getCovenantTraits().size(),
               holder->getSkillDefinitions().size());
    debugPrintRaw("Game data version %s\n", rules.version.empty() ? "unknown" : rules.version.c_str());
    return true;
}

void installGameDataHooks(AppHooks& hooks)
{
    auto holder = std::make_shared<std::unique_ptr<GameData>>();
    chainHook(hooks.afterDatabaseLoad, [holder] { startUpGameData(*holder); });
    chainHook(hooks.destroySystems, [holder] { holder->reset(); });
}
