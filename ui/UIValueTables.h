#pragma once

#include "engine/data/EnumNameTable.h"

#include <string_view>

class TextReader;

// The words of the menu files for conditions, described entities, text
// sources, colour sources and modes. A value is the index of its name in its
// table; the numbering never changes (menu files and saved widgets rely on it).
namespace UICondition {
enum : int {
    None,
    AttributePoints,
    SkillPoints,
    CovenantPoints,
    QuestNotice,
    ParentWidgetSelected,
    AtWar,
    OutstandingDiplomacyRequest,
    BeingRaided,
    BeingRaidedOrAttacked,
    FriendBeingRaided,
    Raiding,
    TextMatchesUserVar,
    StatMaxed,
    ImportantCovenant,
    ChampionMonster,
    EliteMonster,
    UniqueMonster,
    LegendMonster,
    BossMonster,
    SubmenuSelected,
    UserVarSet,
    UserVarNotSet,
    UserVarDeleteVerification,
    NormalVendor,
    GuardVendor,
    Gambler,
    LowHealth,
    NearLevelUp,
    HasQuestAvailable,
    TutorialQuest,
    EntityValid,
    EntityDead,
    EntityHasHealth,
    EntityHasPower,
    ValidSelectedQuest,
    CanSkipSelectedPlayerQuest,
    CanSkipSelectedQuest,
    ValidTimedEvent,
    CanResumeGame,
    CanPlayChampion,
    CanPlayElite,
    CanPlayLegendary,
    TownBeingAttacked,
    TownBeingSieged,
    TimedQuest,
    LostGame,
    WonGame,
    ShowTreaties,
    ShowTradeRoutes,
    MiniMapOn,
    GateMapOn,
    ExtraTextEvents,
    ItemSet1,
    ItemSet2,
    AlwaysTrue,
    NothingEquipped,
    BelowDifficultyMinLevel,
    PotentialRecruit,
    PlayerWarrior,
    PlayerRogue,
    PlayerPriest,
    PlayerMage,
    Count
};
}

namespace UIEntity {
enum : int {
    PlayerServer,
    PlayerClient,
    Selected,
    SelectedRecruit,
    PartyMember,
    PlayerCovenant,
    PlayerCovenantServer,
    EnemyCovenant,
    SortedCovenantByPower,
    Count
};
}

namespace UITextSource {
enum : int {
    None,
    PlayerName,
    PlayerNameAndTitle,
    PlayerTitle,
    PlayerClassName,
    PowerName,
    PowerSources,
    SelectedFullName,
    SelectedName,
    SelectedTitle,
    EntityName,
    EntityNameSimple,
    EntityLevel,
    UserVar,
    SpecifiedUserVar,
    CovenantName,
    CovenantShortName,
    ColoredCovenantName,
    ColoredCovenantShortName,
    AreaName,
    SkillTreeName,
    ShelfName,
    QuestText,
    QuestTitle,
    PotentialQuestText,
    SolvedQuestText,
    SolvedQuestTitle,
    DiplomacyResponse,
    NpcChatText,
    TimedEventType,
    Version,
    SelectedCharacterClassDescription,
    CovenantInfluenceRank,
    CovenantPowerRank,
    CovenantTaxesSimple,
    CovenantTaxes,
    CovenantTaxesVerbose,
    CovenantHas,
    CovenantOffers,
    SubmenuName,
    TextFile,
    TextFileDirect,
    RecruitSkills,
    HelpTopic,
    HelpTopicTitle,
    TomesOnBookshelf,
    ShortestTimeQuestTitle,
    ShortestTimeQuestTime,
    Text,
    RelationWithPlayerCovenant,
    VirtualKeyRealKeyName,
    BagCapacity,
    IdentifyAll,
    HotKey,
    NamedHotKey,
    MilitaryWinProgress,
    MilitaryWinRemaining,
    DiplomaticWinProgress,
    DiplomaticWinRemaining,
    AllianceWinProgress,
    AllianceWinRemaining,
    RaidingCovenant,
    RumorText,
    WonGameText,
    LostGameText,
    Count
};
}

namespace UIColorSource {
enum : int { None, EntityClass, Covenant, Count };
}

namespace UIMode {
enum : int { Normal, IncreaseSkill, Count };
}

// The five interface tables, filled by the UI system's constructor (in the
// order condition, entity, text source, colour source, mode) and emptied by
// its destructor; a lookup before that finds nothing and gives 0.
void fillUIValueTables();
void clearUIValueTables();
const EnumNameTable& uiConditionTable();
const EnumNameTable& uiEntityTable();
const EnumNameTable& uiTextSourceTable();
const EnumNameTable& uiColorSourceTable();
const EnumNameTable& uiModeTable();
// The ten ways a stat value becomes text; fixed for the program's life.
const EnumNameTable& statConversionTypeTable();

// Name -> value, case-insensitive; an unknown name logs "Unknown %s name %s"
// at error level and gives 0. With a reader the line starts with its
// "file:line: ".
int lookupUICondition(std::string_view name, const TextReader* reader = nullptr);
int lookupUIEntity(std::string_view name, const TextReader* reader = nullptr);
int lookupUITextSource(std::string_view name, const TextReader* reader = nullptr);
int lookupUIColorSource(std::string_view name, const TextReader* reader = nullptr);
int lookupUIMode(std::string_view name, const TextReader* reader = nullptr);
int lookupTextOrientation(std::string_view name, const TextReader* reader = nullptr);
