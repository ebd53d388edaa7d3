#include "tools/datacheck/DataCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

// Replaces the first occurrence of `from` in a file of the copy.
void replaceIn(const std::filesystem::path& file, const std::string& from, const std::string& to)
{
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    std::string contents = text.str();
    size_t at = contents.find(from);
    ASSERT_NE(at, std::string::npos) << from << " not in " << file;
    contents.replace(at, from.size(), to);
    std::ofstream(file, std::ios::trunc) << contents;
}

} // namespace

TEST(DataCheck, TheShippedDataAndTheSourcesNameNothingMissing)
{
    const std::vector<std::string> problems =
        DataCheck::run(gameDataPath(), generatedDataPath(), GLOAM_SOURCE_DIR);
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

// A copy of data/ with one reference broken gives exactly that problem, with
// its file, line and entry (a change that breaks nothing, none).
TEST(DataCheck, OneBrokenReferenceOfEachKindIsReportedWhereItIs)
{
    struct Case {
        const char* file;
        const char* from;
        const char* to;
        const char* expected;
    };
    const Case cases[] = {
        {"Database/items.dbl", "ModelName \"Models/Items/dagger.mdl\"",
         "ModelName \"Models/Items/dagge.mdl\"",
         "Database/items.dbl:65: entry Dagger: ModelName: no file \"Models/Items/dagge.mdl\""},
        {"Database/skills.dbl", "StartingSkills WarriorStrike", "StartingSkills WarriorStrik",
         "Database/skills.dbl:210: entry WarriorTreeArms: StartingSkills: no entry named \"WarriorStrik\""},
        {"UI/Main.mnu", "$$MenuNewGame$$", "$$MenuNewGam$$",
         "UI/Main.mnu:35: no translation of \"MenuNewGam\""},
        {"UI/menus.lst", "Menu Story", "Menu Stories", "UI/menus.lst:"},
        {"Database/items.dbl", "    QuestItemNamePlural \"Lost Seals\"\n", "",
         "Database/items.dbl:772: entry QuestLostSeal: a quest can ask for it, but it has no "
         "QuestItemNamePlural"},
        // The prey of a unique monster quest must be one the player can kill;
        // a townsperson turned against the town is.
        {"Database/monsters.dbl", "    Title \"captive scribe\"\n",
         "    Title \"captive scribe\"\n    Unique 1\n",
         "Database/monsters.dbl:877: entry StoryShankarCaptive: Unique: a unique monster quest can hunt it, "
         "but its class is townsfolk, no enemy of the player"},
        {"Database/monsters.dbl", "    Archetype RecruitWarriorClass\n",
         "    Archetype RecruitWarriorClass\n    Legend 1\n",
         "Database/monsters.dbl:520: entry RecruitWarrior: Legend: a unique monster quest can hunt it, "
         "but its class is townsfolk, no enemy of the player"},
        {"Database/monsters.dbl", "    Archetype NpcRenegadeWarriorClass\n",
         "    Archetype NpcRenegadeWarriorClass\n    Unique 1\n", nullptr},
        // So must an area boss: a town guard cannot be one.
        {"Database/monsters.dbl", "    GuardVendor 1\n    Archetype TownGuard\n",
         "    GuardVendor 1\n    Archetype TownGuard\n    BossCapable 1\n",
         "Database/monsters.dbl:500: entry TownGuardType: BossCapable: an area's boss quest can draw it, "
         "but its class is townsfolk, no enemy of the player"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir copy;
        std::filesystem::copy(gameDataPath(), copy.path(), std::filesystem::copy_options::recursive);
        replaceIn(copy.path() / c.file, c.from, c.to);
        const std::vector<std::string> problems =
            DataCheck::run(copy.path().string(), generatedDataPath(), "");
        if (!c.expected) {
            EXPECT_TRUE(problems.empty()) << joined(problems);
            continue;
        }
        ASSERT_EQ(problems.size(), 1u) << joined(problems);
        EXPECT_NE(problems[0].find(c.expected), std::string::npos) << problems[0];
    }
}

// Every menu name resolves: one named by a command line of a menu file and
// one the client opens in code, each reported with its file and line.
TEST(DataCheck, MenuNamesOfTheMenusAndOfTheClientMustBeListed)
{
    TempDir copy;
    std::filesystem::copy(gameDataPath(), copy.path(), std::filesystem::copy_options::recursive);
    // The talking window's Close runs a second line that names no menu.
    replaceIn(copy.path() / "UI/NpcChat.mnu", "    addCommand \"selectPlayer\"\n",
              "    addCommand \"selectPlayer\"\n    addCommand \"pushMenu NoSuchMenu\"\n");
    TempDir sources;
    std::filesystem::create_directories(sources.path() / "client/player");
    std::ofstream(sources.path() / "client/player/Fixture.cpp")
        << "// ui.openOnStack(\"InAComment\");\n"
        << "void open(const ClientUi& ui, bool talks)\n"
        << "{\n"
        << "    ui.openOnStack(talks ? \"NpcMenu\"\n"
        << "                         : \"AlsoMissing\");\n"
        << "    ui.close({\"Stash\", \"stashBag0\"});\n"
        << "    runMenuLine(\"hideMenu AlliedVictory\");\n"
        << "    runMenuLine(\"showMenu %s\");\n"
        << "    log(\"AlsoMissing is not a call's argument\");\n"
        << "}\n";
    std::vector<std::string> problems =
        DataCheck::run(copy.path().string(), generatedDataPath(), sources.path().string());
    // What the fixture's sources leave unused (the rain's effect) is not
    // this test's.
    problems.erase(
        std::remove_if(problems.begin(), problems.end(),
                       [](const std::string& p) { return p.find(" no menu ") == std::string::npos; }),
        problems.end());
    EXPECT_EQ(problems, (std::vector<std::string>{"UI/NpcChat.mnu:40: no menu \"NoSuchMenu\"",
                                                  "client/player/Fixture.cpp:5: no menu \"AlsoMissing\""}))
        << joined(problems);

    // A listed menu type of any case counts; an unknown type is named.
    replaceIn(copy.path() / "UI/menus.lst", "BagMenu bag0", "bagmenu bag0");
    replaceIn(copy.path() / "UI/menus.lst", "Menu Story", "Screen Story");
    const std::vector<std::string> listed = DataCheck::run(copy.path().string(), generatedDataPath(), "");
    EXPECT_EQ(listed, (std::vector<std::string>{"UI/menus.lst:11: unknown menu type \"Screen\"",
                                                "UI/NpcChat.mnu:40: no menu \"NoSuchMenu\""}))
        << joined(listed);
}

// Every shown skill, status effect, enhancement and covenant trait needs an
// icon: with "TextureName" taken from one of each, exactly those four are
// reported at their entry's line. The shipped per-level entries, templates
// and the hidden regeneration effect have none and are not reported.
TEST(DataCheck, AShownEntryWithoutAnIconIsReportedAtItsEntry)
{
    struct Case {
        const char* file;
        const char* folder;
        const char* entry;
    };
    const Case cases[] = {{"Database/skills.dbl", "Skills", "WarriorCleave"},
                          {"Database/effects.dbl", "Effects", "StatusEffectVenom"},
                          {"Database/effects.dbl", "Effects", "EnhancementTough"},
                          {"Database/covenants.dbl", "Traits", "TraitWarlike"}};
    TempDir copy;
    std::filesystem::copy(gameDataPath(), copy.path(), std::filesystem::copy_options::recursive);
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        // The entry's own icon line goes; its line number is read from the copy.
        const std::string icon =
            std::string("    TextureName \"Textures/Icons/") + c.folder + "/" + c.entry + ".tga\"\n";
        replaceIn(copy.path() / c.file, icon, "");
        std::ifstream in(copy.path() / c.file);
        std::string line;
        int number = 0;
        while (std::getline(in, line) && line.rfind(std::string(c.entry) + " {", 0) != 0) {
            ++number;
        }
        expected.push_back(std::string(c.file) + ":" + std::to_string(number + 1) + ": entry " + c.entry +
                           ": no TextureName");
    }
    std::vector<std::string> problems = DataCheck::run(copy.path().string(), generatedDataPath(), "");
    std::sort(problems.begin(), problems.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(problems, expected);
}

// The verb of a menu's command line must name a command the program
// registers (its sources' tables, any case), a "menuCommand" verb or one of
// the menu's own; a yes/no keyword takes a number, as a word reads as no;
// the names of the shown enumerations need translations.
TEST(DataCheck, MenuCommandVerbsYesNoValuesAndShownEnumNamesMustBeKnown)
{
    struct Case {
        const char* line;     // added after the talking window's Close command
        const char* reported; // empty: nothing is reported
    };
    const Case cases[] = {
        {"addCommand \"noSuchCommand\"", "unknown command \"noSuchCommand\""},
        {"addCommand \"menuCommand noSuchVerb\"", "unknown command \"menuCommand noSuchVerb\""},
        {"addHideCommand \"noSuchCommand 1\"", "unknown command \"noSuchCommand\""},
        {"addCommand \"ClientSkipPlayerQuest\"", ""},
        {"addCommand \"IdentifyAll\"", ""},
        {"addCommand \"newWorld 1 Easy Normal 3\"", ""},
        {"addCommand \"SELECTPLAYER\"", ""},
        {"addCommand \"menuCommand Hide\"", ""},
        {"addCommand \"ShowRelations\"", ""},
        {"addCommand \"showRelations\"", "unknown command \"showRelations\""},
        {"addCommand \"editorExit\"", ""},
        {"runCommandOnSelect \"EditorChangeBlock\"",
         "\"runCommandOnSelect\" takes 0 or 1, not \"EditorChangeBlock\""},
        {"CANCLICK yes", "\"CANCLICK\" takes 0 or 1, not \"yes\""},
        {"canClick 1", ""},
        {"vendorSlot -1", ""},
        {"useTextBackdrop", ""},
        {"hotKey gameMenu", ""},
    };
    TempDir copy;
    std::filesystem::copy(gameDataPath(), copy.path(), std::filesystem::copy_options::recursive);
    const std::string close = "    addCommand \"selectPlayer\"\n";
    std::string added;
    for (const Case& c : cases) {
        added += std::string("    ") + c.line + "\n";
    }
    replaceIn(copy.path() / "UI/NpcChat.mnu", close, close + added);
    replaceIn(copy.path() / "loc/english/global.trn", "WeaponSword \"Swords\"\n", "");
    // The line of the talking window's Close command, read from the copy.
    int closeLine = 0;
    {
        std::ifstream in(copy.path() / "UI/NpcChat.mnu");
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (line + "\n" == close) {
                closeLine = number;
                break;
            }
        }
    }
    ASSERT_GT(closeLine, 0);
    std::vector<std::string> expected;
    for (size_t i = 0; i < std::size(cases); ++i) {
        if (*cases[i].reported) {
            expected.push_back("UI/NpcChat.mnu:" + std::to_string(closeLine + 1 + static_cast<int>(i)) +
                               ": " + cases[i].reported);
        }
    }
    expected.push_back("loc/english: ItemRequirement \"WeaponSword\" has no translation");
    const std::vector<std::string> problems =
        DataCheck::run(copy.path().string(), generatedDataPath(), GLOAM_SOURCE_DIR);
    std::vector<std::string> mine;
    for (const std::string& problem : problems) {
        if (problem.rfind("UI/NpcChat.mnu:", 0) == 0 || problem.rfind("loc/", 0) == 0) {
            mine.push_back(problem);
        }
    }
    EXPECT_EQ(mine, expected) << joined(problems);
}

// An internal-only command counts as sent by a menu line (after
// "serverCommand" too), a key binding or a literal of the code, not by its
// own registration; one the README's "What does not work yet" names is known,
// unless something sends it: then the README is wrong.
TEST(DataCheck, InternalOnlyCommandsThatNothingSendsAreListed)
{
    TempDir sources;
    std::filesystem::create_directories(sources.path() / "client");
    std::ofstream(sources.path() / "client/Fixture.cpp")
        << "const Row kRows[] = {{\"unsentRow\", \"\", 1}, {\"sentByCode\", \"\", 1}};\n"
        << "void hook() { attach(\"unsentHandler\", handler); }\n"
        << "// queueServerCommand(\"inAComment\");\n"
        << "void send() { queueServerCommand(formatString(\"sentByCode %d\", 3)); }\n"
        << "const Named kNames[] = {{Line::Chat, \"sentByTable\"}};\n"
        << "bool same(const std::string& v) { return v == \"inAComparison\"; }\n";
    std::ofstream(sources.path() / "README.md")
        << "## What does not work yet\n\n- `known` is not sent, nor \"sentByTable\".\n\n"
        << "## Testing\n\n- `unsentRow` is named elsewhere.\n";
    const std::vector<std::string> internalOnly = {"unsentRow",  "unsentHandler", "sentByCode", "sentByTable",
                                                   "inAComment", "inAComparison", "known",      "stopRaid",
                                                   "pushMenu",   "worldMap"};
    std::vector<std::string> known;
    std::vector<std::string> problems =
        DataCheck::run(gameDataPath(), generatedDataPath(), sources.path().string(), internalOnly, &known);
    std::vector<std::string> unsent;
    std::vector<std::string> wrong;
    for (const std::string& problem : problems) {
        if (problem.find("internal-only") != std::string::npos) {
            unsent.push_back(
                problem.substr(problem.find('"') + 1, problem.rfind('"') - problem.find('"') - 1));
        } else if (problem.rfind("README.md: ", 0) == 0) {
            wrong.push_back(problem);
        }
    }
    EXPECT_EQ(known, (std::vector<std::string>{"known"}));
    EXPECT_EQ(wrong, (std::vector<std::string>{"README.md: \"What does not work yet\" names \"sentByTable\", "
                                               "which a menu, key or code sends"}))
        << joined(problems);
    // "stopRaid" and "pushMenu" come from menu lines; "worldMap" is an
    // action of default.cfg, not a command it runs.
    EXPECT_EQ(unsent, (std::vector<std::string>{"unsentRow", "unsentHandler", "inAComment", "inAComparison",
                                                "worldMap"}))
        << joined(problems);
}

// What the program builds and a copy of the data leaves unused is named
// where it is: a behaviour type no stack lists, the beam file and the event
// kinds no model fires any more, a story text nothing names, a kind of story
// no entry holds, a book nothing gives, and a model event naming a missing
// file. The README's "What does not work yet" makes one known, and is itself
// wrong when it names what the data uses.
TEST(DataCheck, WhatTheProgramBuildsAndTheDataLeavesUnusedIsNamed)
{
    struct Edit {
        const char* file;
        const char* from;
        const char* to;
    };
    const Edit edits[] = {
        {"Database/behaviors.dbl", " DestroyCorpse ReturnHome", " ReturnHome"},
        {"Models/BoxMan/boxman.mdl", "    event entry startBeam \"spellBeam.bem\" \"tag_weapon\"\n", ""},
        {"Models/BoxMan/boxman.mdl", "    event exit stopBeam \"spellBeam.bem\" \"tag_weapon\"\n", ""},
        {"Models/Objects/torch.mdl", "\"Objects/torchFlame.wav\"", "\"Objects/torchFlam.wav\""},
        {"Database/monsters.dbl", "    TextFile \"Text/storySkarn.txt\"\n", ""},
        {"Database/quests.dbl", "    ItemReward FoundersChronicle\n", ""},
        {"Database/areas.dbl", "    TextFile \"Text/areaTown.txt\"\n", ""},
        {"Database/areas.dbl", "    TextFile \"Text/areaMeadows.txt\"\n", ""},
        {"Database/areas.dbl", "    TextFile \"Text/areaDarkwood.txt\"\n", ""},
        {"Database/areas.dbl", "    TextFile \"Text/areaBarrows.txt\"\n", ""},
        // The brood keeper then comes with no monster a world draws.
        {"Database/monsters.dbl", "    Successor BroodKeeper\n", ""},
        // A quest the rules never name is never set up: its reward is lost.
        {"Database/quests.dbl", "TutorialGetQuest {",
         "LostErrand {\n    Base QuestTemplate\n    ItemReward QuestGoblinEar\n}\n\nTutorialGetQuest {"},
    };
    TempDir copy;
    std::filesystem::copy(gameDataPath(), copy.path(), std::filesystem::copy_options::recursive);
    for (const Edit& e : edits) {
        replaceIn(copy.path() / e.file, e.from, e.to);
    }
    auto lineOf = [&](const char* file, const std::string& header) {
        std::ifstream in(copy.path() / file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (line == header) {
                return number;
            }
        }
        return 0;
    };
    const int book = lineOf("Database/items.dbl", "FoundersChronicle {");
    const int keeper = lineOf("Database/monsters.dbl", "SpiderBroodKeeper {");
    const int errand = lineOf("Database/quests.dbl", "LostErrand {");
    ASSERT_GT(errand, 0);
    ASSERT_GT(book, 0);
    ASSERT_GT(keeper, 0);
    const std::string unused = " is used by nothing in data/: ";
    std::vector<std::string> expected = {
        "Models/Objects/torch.mdl: animation \"idle\": event \"loopSound\" names no file "
        "\"Sounds/Objects/torchFlam.wav\"",
        "Database/monsters.dbl:" + std::to_string(keeper) + ": spawner \"SpiderBroodKeeper\"" + unused +
            "no area draws a monster of its class, and no type drawn, named or brought along by another "
            "brings one",
        "data: behaviour type \"DestroyCorpse\"" + unused +
            "no behaviour stack of a monster class a world can bring lists it",
        "data: animation event \"startBeam\"" + unused + "no model under \"Models/\" fires it",
        "data: animation event \"stopBeam\"" + unused + "no model under \"Models/\" fires it",
        "Effects/spellBeam.bem: effect file \"spellBeam.bem\"" + unused +
            "no model event, database entry or code names it",
        "data: story kind \"area story\"" + unused + "no area has a \"TextFile\"",
        "Text/areaBarrows.txt: story \"Text/areaBarrows.txt\"" + unused + "no \"TextFile\" names it",
        "Text/areaDarkwood.txt: story \"Text/areaDarkwood.txt\"" + unused + "no \"TextFile\" names it",
        "Text/areaMeadows.txt: story \"Text/areaMeadows.txt\"" + unused + "no \"TextFile\" names it",
        "Text/areaTown.txt: story \"Text/areaTown.txt\"" + unused + "no \"TextFile\" names it",
        "Text/storySkarn.txt: story \"Text/storySkarn.txt\"" + unused + "no \"TextFile\" names it",
        "Database/quests.dbl:" + std::to_string(errand) + ": item reward \"QuestGoblinEar\"" + unused +
            "only quest \"LostErrand\" gives it, and no world sets that up: no \"Quest<Type>\" of "
            "\"GameSystem\" names the quest",
        "Database/items.dbl:" + std::to_string(book) + ": book \"FoundersChronicle\"" + unused +
            "it tells a story, but no \"SpawnChance\" drops it, no quest's \"ItemReward\" and no class's "
            "\"StartingItem\" gives it"};
    std::vector<std::string> problems =
        DataCheck::run(copy.path().string(), generatedDataPath(), GLOAM_SOURCE_DIR);
    EXPECT_EQ(problems, expected) << joined(problems);

    // Sources whose only literal is the rain's effect, and the README's
    // section with a line that names one thing the copy leaves unused and
    // one the data uses.
    TempDir sources;
    std::filesystem::create_directories(sources.path() / "client");
    std::ofstream(sources.path() / "client/Fixture.cpp") << "void rain() { spawn(\"rain.eff\", \"\"); }\n";
    std::string readme;
    {
        std::ifstream in(std::string(GLOAM_SOURCE_DIR) + "/README.md");
        std::stringstream text;
        text << in.rdbuf();
        readme = text.str();
    }
    const size_t section = readme.find("## What does not work yet\n\n");
    ASSERT_NE(section, std::string::npos);
    readme.insert(section + 27, "- Nothing runs `DestroyCorpse`, nor \"castGlow.eff\".\n");
    std::ofstream(sources.path() / "README.md") << readme;
    std::vector<std::string> known;
    problems = DataCheck::run(copy.path().string(), generatedDataPath(), sources.path().string(), {}, nullptr,
                              &known);
    EXPECT_NE(std::find(known.begin(), known.end(), "behaviour type \"DestroyCorpse\""), known.end())
        << joined(known);
    expected.erase(expected.begin() + 2);
    expected.push_back("README.md: \"What does not work yet\" names \"castGlow.eff\", which the data uses");
    EXPECT_EQ(problems, expected) << joined(problems);

    // The brood keeper still follows the giant spider, but with no spawn
    // weight it never comes; the first lesson, which the rules no longer
    // name, takes the chronicle and its story along.
    TempDir weightless;
    std::filesystem::copy(gameDataPath(), weightless.path(), std::filesystem::copy_options::recursive);
    replaceIn(weightless.path() / "Database/monsters.dbl", "    SpawnWeight 0.5\n", "    SpawnWeight 0\n");
    replaceIn(weightless.path() / "Database/gamesystem.dbl",
              "    QuestTutorialEquipWeapon TutorialEquipWeapon\n", "");
    problems = DataCheck::run(weightless.path().string(), generatedDataPath(), GLOAM_SOURCE_DIR);
    ASSERT_EQ(problems.size(), 2u) << joined(problems);
    EXPECT_EQ(problems[0].substr(problems[0].find(": spawner")),
              expected[1].substr(expected[1].find(": spawner")));
    EXPECT_EQ(problems[1], "Database/quests.dbl:" +
                               std::to_string(lineOf("Database/quests.dbl", "TutorialEquipWeapon {")) +
                               ": item reward \"FoundersChronicle\"" + unused +
                               "only quest \"TutorialEquipWeapon\" gives it, and no world sets that up: no "
                               "\"Quest<Type>\" of \"GameSystem\" names the quest; nobody reads its story "
                               "\"Text/foundersChronicle.txt\"");
}

// The program checks the data as the tests do, the program's own
// internal-only commands included: those the README names are listed apart
// as known, every other line is a problem, counted at the end.
TEST(DataCheck, TheProgramListsTheCommandsTheReadmeNamesApart)
{
    const std::string command = std::string(GLOAM_BINARY_DIR) + "/tools/datacheck '" + gameDataPath() + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr) << command;
    std::string output;
    char buffer[512];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, n);
    }
    const int status = pclose(pipe);
    std::vector<std::string> lines;
    std::istringstream text(output);
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    ASSERT_FALSE(lines.empty()) << command;
    const std::string last = lines.back();
    lines.pop_back();
    std::vector<std::string> known;
    std::vector<std::string> knownUnused;
    std::vector<std::string> problems;
    for (const std::string& line : lines) {
        if (line.rfind("known: ", 0) == 0) {
            const size_t open = line.find('"');
            const std::string name = line.substr(open + 1, line.find('"', open + 1) - open - 1);
            (line.find(" is used by nothing in data/ ") != std::string::npos ? knownUnused : known)
                .push_back(name);
        } else {
            problems.push_back(line);
        }
    }
    std::sort(known.begin(), known.end());
    EXPECT_EQ(knownUnused, (std::vector<std::string>{"Suicide"})) << output;
    EXPECT_EQ(known, (std::vector<std::string>{"addHelpTopic", "moveWidgetY", "newWorld", "openBrowser",
                                               "repositionHelpTopics", "sendCommandToMenu", "setCovenantDir",
                                               "setFocus", "setUIMode", "toggleMenu", "uiBusy",
                                               "updateParsedCharacterLevel"}))
        << output;
    EXPECT_EQ(last, std::to_string(problems.size()) + (problems.size() == 1 ? " problem" : " problems"))
        << output;
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), problems.empty() ? 0 : 1) << output;
}
