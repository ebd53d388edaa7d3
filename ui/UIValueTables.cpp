#include "ui/UIValueTables.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/TextReader.h"
#include "graphics/GraphicsSystem.h"

namespace {

const char* const kConditionNames[] = {"None",
                                       "AttributePoints",
                                       "SkillPoints",
                                       "CovenantPoints",
                                       "QuestNotice",
                                       "ParentWidgetSelected",
                                       "AtWar",
                                       "OutstandingDiplomacyRequest",
                                       "BeingRaided",
                                       "BeingRaidedOrAttacked",
                                       "FriendBeingRaided",
                                       "Raiding",
                                       "TextMatchesUserVar",
                                       "StatMaxed",
                                       "ImportantCovenant",
                                       "ChampionMonster",
                                       "EliteMonster",
                                       "UniqueMonster",
                                       "LegendMonster",
                                       "BossMonster",
                                       "SubmenuSelected",
                                       "UserVarSet",
                                       "UserVarNotSet",
                                       "UserVarDeleteVerification",
                                       "NormalVendor",
                                       "GuardVendor",
                                       "Gambler",
                                       "LowHealth",
                                       "NearLevelUp",
                                       "HasQuestAvailable",
                                       "TutorialQuest",
                                       "EntityValid",
                                       "EntityDead",
                                       "EntityHasHealth",
                                       "EntityHasPower",
                                       "ValidSelectedQuest",
                                       "CanSkipSelectedPlayerQuest",
                                       "CanSkipSelectedQuest",
                                       "ValidTimedEvent",
                                       "CanResumeGame",
                                       "CanPlayChampion",
                                       "CanPlayElite",
                                       "CanPlayLegendary",
                                       "TownBeingAttacked",
                                       "TownBeingSieged",
                                       "TimedQuest",
                                       "LostGame",
                                       "WonGame",
                                       "ShowTreaties",
                                       "ShowTradeRoutes",
                                       "MiniMapOn",
                                       "GateMapOn",
                                       "ExtraTextEvents",
                                       "ItemSet1",
                                       "ItemSet2",
                                       "AlwaysTrue",
                                       "NothingEquipped",
                                       "BelowDifficultyMinLevel",
                                       "PotentialRecruit",
                                       "PlayerWarrior",
                                       "PlayerRogue",
                                       "PlayerPriest",
                                       "PlayerMage"};
static_assert(sizeof(kConditionNames) / sizeof(kConditionNames[0]) == UICondition::Count);

const char* const kEntityNames[] = {"PlayerServer",         "PlayerClient",  "Selected",
                                    "SelectedRecruit",      "PartyMember",   "PlayerCovenant",
                                    "PlayerCovenantServer", "EnemyCovenant", "SortedCovenantByPower"};
static_assert(sizeof(kEntityNames) / sizeof(kEntityNames[0]) == UIEntity::Count);

const char* const kTextSourceNames[] = {"None",
                                        "PlayerName",
                                        "PlayerNameAndTitle",
                                        "PlayerTitle",
                                        "PlayerClassName",
                                        "PowerName",
                                        "PowerSources",
                                        "SelectedFullName",
                                        "SelectedName",
                                        "SelectedTitle",
                                        "EntityName",
                                        "EntityNameSimple",
                                        "EntityLevel",
                                        "UserVar",
                                        "SpecifiedUserVar",
                                        "CovenantName",
                                        "CovenantShortName",
                                        "ColoredCovenantName",
                                        "ColoredCovenantShortName",
                                        "AreaName",
                                        "SkillTreeName",
                                        "ShelfName",
                                        "QuestText",
                                        "QuestTitle",
                                        "PotentialQuestText",
                                        "SolvedQuestText",
                                        "SolvedQuestTitle",
                                        "DiplomacyResponse",
                                        "NpcChatText",
                                        "TimedEventType",
                                        "Version",
                                        "SelectedCharacterClassDescription",
                                        "CovenantInfluenceRank",
                                        "CovenantPowerRank",
                                        "CovenantTaxesSimple",
                                        "CovenantTaxes",
                                        "CovenantTaxesVerbose",
                                        "CovenantHas",
                                        "CovenantOffers",
                                        "SubmenuName",
                                        "TextFile",
                                        "TextFileDirect",
                                        "RecruitSkills",
                                        "HelpTopic",
                                        "HelpTopicTitle",
                                        "TomesOnBookshelf",
                                        "ShortestTimeQuestTitle",
                                        "ShortestTimeQuestTime",
                                        "Text",
                                        "RelationWithPlayerCovenant",
                                        "VirtualKeyRealKeyName",
                                        "BagCapacity",
                                        "IdentifyAll",
                                        "HotKey",
                                        "NamedHotKey",
                                        "MilitaryWinProgress",
                                        "MilitaryWinRemaining",
                                        "DiplomaticWinProgress",
                                        "DiplomaticWinRemaining",
                                        "AllianceWinProgress",
                                        "AllianceWinRemaining",
                                        "RaidingCovenant",
                                        "RumorText",
                                        "WonGameText",
                                        "LostGameText"};
static_assert(sizeof(kTextSourceNames) / sizeof(kTextSourceNames[0]) == UITextSource::Count);

const char* const kColorSourceNames[] = {"None", "EntityClass", "Covenant"};
const char* const kModeNames[] = {"Normal", "IncreaseSkill"};
const char* const kStatConversionNames[] = {
    "None",    "Money",          "MoneyShort",  "CovenantMoney",
    "Float",   "TimeInTwoStats", "MonsterType", "MonsterTypeAtPlayerLevel",
    "Percent", "Level"};
static_assert(sizeof(kStatConversionNames) / sizeof(kStatConversionNames[0]) == 10);

EnumNameTable g_conditions;
EnumNameTable g_entities;
EnumNameTable g_textSources;
EnumNameTable g_colorSources;
EnumNameTable g_modes;

void fill(EnumNameTable& table, const char* name, const char* const* names, int count)
{
    table.tableName = name;
    table.defaultValue = 0;
    table.names.assign(static_cast<size_t>(count), std::string());
    for (int i = 0; i < count; ++i) {
        table.names[static_cast<size_t>(i)] = names[i];
    }
}

int lookupIn(const EnumNameTable& table, std::string_view name, const TextReader* reader)
{
    if (!reader) {
        return lookupEnumName(table, name);
    }
    int found = table.find(name);
    if (found >= 0) {
        return found;
    }
    debugPrint(3, "%s: Unknown %s name %.*s\n", reader->location().c_str(), table.tableName.c_str(),
               static_cast<int>(name.size()), name.data());
    return table.defaultValue;
}

} // namespace

void fillUIValueTables()
{
    fill(g_conditions, "UICondition", kConditionNames, UICondition::Count);
    fill(g_entities, "UIEntity", kEntityNames, UIEntity::Count);
    fill(g_textSources, "UITextSource", kTextSourceNames, UITextSource::Count);
    fill(g_colorSources, "UIColorSource", kColorSourceNames, UIColorSource::Count);
    fill(g_modes, "UIMode", kModeNames, UIMode::Count);
}

void clearUIValueTables()
{
    for (EnumNameTable* table : {&g_conditions, &g_entities, &g_textSources, &g_colorSources, &g_modes}) {
        table->names.clear();
        table->names.shrink_to_fit();
    }
}

const EnumNameTable& uiConditionTable()
{
    return g_conditions;
}
const EnumNameTable& uiEntityTable()
{
    return g_entities;
}
const EnumNameTable& uiTextSourceTable()
{
    return g_textSources;
}
const EnumNameTable& uiColorSourceTable()
{
    return g_colorSources;
}
const EnumNameTable& uiModeTable()
{
    return g_modes;
}

const EnumNameTable& statConversionTypeTable()
{
    static const EnumNameTable table("StatConversionType", kStatConversionNames, 10, 0);
    return table;
}

int lookupUICondition(std::string_view name, const TextReader* reader)
{
    return lookupIn(g_conditions, name, reader);
}
int lookupUIEntity(std::string_view name, const TextReader* reader)
{
    return lookupIn(g_entities, name, reader);
}
int lookupUITextSource(std::string_view name, const TextReader* reader)
{
    return lookupIn(g_textSources, name, reader);
}
int lookupUIColorSource(std::string_view name, const TextReader* reader)
{
    return lookupIn(g_colorSources, name, reader);
}
int lookupUIMode(std::string_view name, const TextReader* reader)
{
    return lookupIn(g_modes, name, reader);
}
int lookupTextOrientation(std::string_view name, const TextReader* reader)
{
    return lookupIn(GraphicsSystem::getTextOrientationTable(), name, reader);
}
