#pragma once

#include "engine/core/Color.h"
#include "engine/core/GameTime.h"
#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition.h"
#include "game/definitions/AttachmentDefinition.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class DatabaseEntry;
class SkillDefinition;
class SkillTree;
class QuestDefinition;
class NpcChat;
class CovenantTrait;
class CovenantDefinition;
class CovenantBase;

// How GameData creates, loads and destroys the definitions of a later
// subsystem. `load` returns false to drop a definition (it is destroyed).
template <class T> struct DefinitionLoader {
    T* (*create)() = nullptr;
    bool (*load)(T* definition, const DatabaseEntry* entry) = nullptr;
    void (*destroy)(T* definition) = nullptr;
    // Optional second pass, run over every definition of the type once all of
    // them are loaded (names of other definitions of the type resolve here).
    void (*link)(T* definition) = nullptr;

    bool isSet() const { return create && load && destroy; }
};

// Registered by the skill, quest and covenant code before GameData::load runs.
// Lists whose loader is not set stay empty.
struct DefinitionLoaders {
    DefinitionLoader<SkillDefinition> skillDefinitions;
    DefinitionLoader<SkillTree> skillTrees;
    DefinitionLoader<QuestDefinition> questDefinitions;
    DefinitionLoader<NpcChat> npcChats;
    DefinitionLoader<CovenantTrait> covenantTraits;
    DefinitionLoader<CovenantDefinition> covenantDefinitions;
    // A covenant's display name and the colour index of its definition.
    void (*describeCovenant)(const CovenantBase* covenant, std::string& name, int& colorIndex) = nullptr;
};

// A definition of a later subsystem with the entry it was loaded from.
template <class T> struct LoadedDefinition {
    T* definition = nullptr;
    const DatabaseEntry* entry = nullptr;
    std::string name;
};

// The one object holding the game's enumerations, the "GameSystem" rules
// record and the definition lists. Built and loaded right after the database.
class GameData : public Singleton<GameData> {
public:
    GameData();
    ~GameData();

    static DefinitionLoaders& loaders();

    // Loads everything from the database and hands the derived geometry to
    // the engine. False when the "GameSystem" entry is missing.
    bool load();
    void unload();
    bool isLoaded() const { return m_loaded; }

    const GameRules& rules() const { return m_rules; }
    GameRules& mutableRules() { return m_rules; }
    // Hands the zone size and the grid to the engine (ZoneTopology, snapToGrid).
    void applyDerivedValues() const;

    // ---- Character classes
    const CharacterClass* findCharacterClassById(int id) const;
    const std::vector<std::unique_ptr<CharacterClass>>& getCharacterClasses() const { return m_classes; }
    CharacterClass& addCharacterClass(int index);

    // ---- Monsters
    const std::vector<std::unique_ptr<MonsterArchetype>>& getMonsterArchetypes() const
    {
        return m_archetypes;
    }
    const std::vector<std::unique_ptr<MonsterType>>& getMonsterTypes() const { return m_monsterTypes; }
    MonsterArchetype* findDefinitionByName(std::string_view name) const;
    MonsterArchetype* findArchetypeByEntry(const DatabaseEntry* entry) const;
    MonsterType* findMonsterType(std::string_view name) const;
    MonsterType* findMonsterTypeByEntryId(int entryId) const;
    MonsterType* getMonsterType(int index) const;
    int countMonsterTypesAtLevel(int level) const;
    MonsterType* getMonsterTypeAtLevel(int level, int n) const;
    // Types whose level range overlaps lo … hi and that have any of the flag
    // bits (MonsterType::kGuardCapable …); 0 takes every type.
    void collectMonsterTypes(int flags, int lo, int hi, std::vector<MonsterType*>& out) const;
    // Adds definitions directly (tests and tools); links resolve in resolveMonsterLinks.
    MonsterArchetype& addMonsterArchetype();
    MonsterType& addMonsterType();
    void resolveMonsterLinks();

    // The monster attribute record of a character class; null when absent.
    const MonsterAttributes* getMonsterAttributes(int characterClass) const;
    MonsterAttributes& mutableMonsterAttributes(int characterClass);

    // ---- Attachments
    const AttachmentDefinition* findAttachment(std::string_view name) const;
    const std::vector<std::unique_ptr<AttachmentDefinition>>& getAttachments() const { return m_attachments; }

    // ---- Definitions of later subsystems
    const std::vector<LoadedDefinition<SkillDefinition>>& getSkillDefinitions() const { return m_skills; }
    std::vector<SkillDefinition*> getSkillDefinitionList() const;
    SkillDefinition* findSkillDefinition(std::string_view name) const;
    int findSkillIndex(std::string_view name) const;
    const std::vector<LoadedDefinition<SkillTree>>& getSkillTrees() const { return m_skillTrees; }
    QuestDefinition* getQuestDefinition(int questType) const;
    int getQuestDefinitionCount() const;
    const std::vector<LoadedDefinition<NpcChat>>& getNpcChats() const { return m_npcChats; }
    // The chat entry of that name (case-insensitive); null when none.
    NpcChat* findNpcChat(std::string_view name) const;
    const std::vector<LoadedDefinition<CovenantTrait>>& getCovenantTraits() const { return m_covenantTraits; }
    const std::vector<LoadedDefinition<CovenantDefinition>>& getCovenantDefinitions() const
    {
        return m_covenantDefinitions;
    }
    int findCovenantDefinition(std::string_view name) const;
    CovenantDefinition* getCovenantDefinition(int index) const;

    // ---- Rules
    float expectedMoneyAtLevel(int level) const;
    int rollMoney(int level) const;
    int getRumorCost(int rumorLevel, int targetLevel) const;
    int pickRumorFailure() const;
    Color getSunColor(float time, const Color& day, const Color& night) const;
    ZonePosition getTownGatePosition(int index) const;
    // The start position scaled by the world grid size, rounded down to a cell
    // (the covenant house's cell).
    ZonePosition getStartPosition(int gridWidth, int gridHeight) const;
    // Where new players stand: zone 0, the tile at "StartPosition" of the
    // level's tiles, snapped to the grid.
    ZonePosition getStartPosition() const;
    float getResistanceAbsorbFraction(float resistance, int level) const;
    float getLevelCurveValue(int totalInfluence) const;
    int getInfluenceForLevel(int totalInfluence) const;
    int getTradeRouteValue(const GameTime& elapsed, int routeSize, int cap) const;
    int getTradeRouteStartCost(int routeSize) const;
    // A type drawn by the "QuestTypeChance" or "EventChance" weights (stream
    // 0); None when every weight is 0. None itself is never drawn.
    QuestType randomQuestType() const;
    QuestType randomEventType() const;
    // Drawn from the given stream (the client draws from its own).
    std::string getRandomWonGameText(int stream = 0) const;
    std::string getRandomLostGameText(int stream = 0) const;
    std::string getRelationName(int relation) const;
    std::string getColoredTreatyName(int treaty) const;
    std::string getColoredTradeRouteName(int routeSize) const;
    std::string getTreatyDescription(int treaty) const;
    std::string getTradeRouteDescription(int routeSize) const;
    std::string getColoredCovenantDisplayName(const CovenantBase* covenant) const;
    std::string getFontName(int index) const;
    // The running world's difficulty (a WorldDifficultyLevel), set by the
    // world; monster level ranges are raised by its level offset.
    void setWorldDifficulty(int difficulty) { m_rules.worldDifficulty = difficulty; }
    int getDifficultyLevelOffset() const;

private:
    void loadCharacterClasses();
    void loadMonsters();
    void loadAttachments();
    void loadMonsterAttributes();
    template <class T>
    void loadDefinitionsOfType(const DefinitionLoader<T>& loader, int entryType,
                               std::vector<LoadedDefinition<T>>& out);
    template <class T>
    void destroyDefinitions(const DefinitionLoader<T>& loader, std::vector<LoadedDefinition<T>>& list);
    void loadQuestDefinitions();
    QuestType randomQuestOrEvent(bool event) const;

    GameRules m_rules;
    bool m_loaded = false;
    std::vector<std::unique_ptr<CharacterClass>> m_classes;
    // Points each class's trees at the loaded skill trees.
    void linkClassSkillTrees();
    std::vector<std::unique_ptr<MonsterArchetype>> m_archetypes;
    std::vector<std::unique_ptr<MonsterType>> m_monsterTypes;
    std::vector<std::unique_ptr<AttachmentDefinition>> m_attachments;
    std::array<MonsterAttributes, kCharacterClassTypeCount> m_monsterAttributes{};
    std::vector<LoadedDefinition<SkillDefinition>> m_skills;
    std::vector<LoadedDefinition<SkillTree>> m_skillTrees;
    std::vector<LoadedDefinition<QuestDefinition>> m_quests; // index = QuestType
    std::vector<LoadedDefinition<NpcChat>> m_npcChats;
    std::vector<LoadedDefinition<CovenantTrait>> m_covenantTraits;
    std::vector<LoadedDefinition<CovenantDefinition>> m_covenantDefinitions;
};

// Creates the GameData, loads it and logs the version line; false when the
// rules entry is missing. Called at start-up right after the database.
bool startUpGameData(std::unique_ptr<GameData>& holder);

struct AppHooks;
// Builds and loads the GameData after the database (afterDatabaseLoad) and
// deletes it after the other hook systems (destroySystems). Hooks already set
// run first.
void installGameDataHooks(AppHooks& hooks);
