#include "engine/console/UserVarSystem.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/EngineCommands.h"
#include "engine/console/KeyNames.h"
#include "engine/console/VirtualKeys.h"
#include "support/TestSupport.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {
std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The systems as the application creates them, around the user variables.
struct ConfigFixture : ::testing::Test {
    LogCapture log;
    TempDir dir;
    std::unique_ptr<CommandSystem> commands = std::make_unique<CommandSystem>();
    std::unique_ptr<VirtualKeys> keys = std::make_unique<VirtualKeys>();
    std::unique_ptr<UserVarSystem> vars = std::make_unique<UserVarSystem>();

    std::string userCfg() const { return dir.file("user.cfg"); }

    void loadFixtures()
    {
        std::filesystem::copy_file(testDataPath("console/user.cfg"), userCfg());
        vars->loadConfig(testDataPath("console/default.cfg"), userCfg());
    }
    // Shut down and start again, as the next run of the game would.
    void restart(const std::string& defaultCfg)
    {
        vars.reset();
        keys.reset();
        keys = std::make_unique<VirtualKeys>();
        vars = std::make_unique<UserVarSystem>();
        vars->loadConfig(defaultCfg, userCfg());
    }
};
} // namespace

TEST(UserVarTest, SettingParsesNumbersAndAlwaysFlagsChanged)
{
    UserVar var("s_volumeMaster", "0.5");
    EXPECT_EQ(var.getInt(), 0);
    EXPECT_FLOAT_EQ(var.getFloat(), 0.5f);
    EXPECT_FALSE(var.hasChanged());
    var.setValue("3 apples");
    EXPECT_EQ(var.getInt(), 3);
    EXPECT_FLOAT_EQ(var.getFloat(), 3.0f);
    EXPECT_TRUE(var.getBool());
    var.clearChanged();
    var.setValue("3 apples");
    EXPECT_TRUE(var.hasChanged());
    var.setValue("abc");
    EXPECT_EQ(var.getInt(), 0);
    EXPECT_FALSE(var.getBool());
}

TEST(UserVarTest, OutOfRangeNumbersSaturateAndNonFiniteFloatsReadAsZero)
{
    UserVar var("r_gamma", "99999999999");
    EXPECT_EQ(var.getInt(), INT_MAX);
    var.setValue("-99999999999");
    EXPECT_EQ(var.getInt(), INT_MIN);
    EXPECT_TRUE(var.getBool());
    for (const char* bad : {"nan", "inf", "-inf", "1e39"}) {
        var.setValue(bad);
        EXPECT_EQ(var.getFloat(), 0.0f) << bad;
        EXPECT_EQ(var.getString(), bad);
    }
    var.setValue("-2147483648");
    EXPECT_EQ(var.getInt(), INT_MIN);
    EXPECT_FLOAT_EQ(var.getFloat(), -2147483648.0f);
}

TEST(UserVarTest, UnsetHandleReportsAndGivesEmptyValues)
{
    LogCapture log;
    UserVarRef ref;
    EXPECT_FALSE(ref.isValid());
    EXPECT_EQ(ref.getString(), "");
    EXPECT_EQ(ref.getInt(), 0);
    EXPECT_EQ(ref.getFloat(), 0.0f);
    EXPECT_FALSE(ref.getBool());
    ref.setString("1");
    EXPECT_TRUE(log.contains("Trying to reference a userVar before it has been set up!\n", 3));
    EXPECT_EQ(log.count(3), 5u);
}

TEST_F(ConfigFixture, GetVarCreatesOnlyWithTheFlagAndKeepsExistingValues)
{
    EXPECT_FALSE(vars->getVar("ui_autoAttack", "1", 0).isValid());
    UserVarRef a = vars->getVar("ui_autoAttack", "1", UserVarSystem::kCreate);
    ASSERT_TRUE(a.isValid());
    EXPECT_TRUE(a.getBool());
    a.setString("0");
    UserVarRef b = vars->getVar("UI_AUTOATTACK", "1", UserVarSystem::kCreate);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(b.getString(), "0");
    EXPECT_EQ(b->getDefault(), "1");

    EXPECT_EQ(getUserVarString("uI_autoattack"), "0");
    EXPECT_EQ(getUserVarString("missing"), "");
    EXPECT_EQ(getUserVarInt("missing"), 0);
    EXPECT_FALSE(getUserVarBool("missing"));
    setUserVar("PlayerName", "Orla");
    EXPECT_EQ(getUserVarString("playername"), "Orla");
    EXPECT_TRUE(userVarsReady());
}

TEST_F(ConfigFixture, DeveloperAndLogfileDriveTheDebugSystem)
{
    setUserVar("developer", "1");
    EXPECT_TRUE(DebugSystem::get().isDeveloper());
    setUserVar("developer", "0");
    EXPECT_FALSE(DebugSystem::get().isDeveloper());
    setUserVar("logfile", "2");
    EXPECT_EQ(DebugSystem::get().getLogMode(), 2);
    setUserVar("logfile", "1");
}

TEST_F(ConfigFixture, UserCfgOverridesDefaultsAndFlagsComeFromDefaultCfg)
{
    loadFixtures();
    UserVar* name = vars->findVar("playername");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->getString(), "Edrica of the Fen");
    EXPECT_EQ(name->getDefault(), "Wandering Soul");
    EXPECT_TRUE(name->isSaved());
    EXPECT_FALSE(name->needsRestart());

    UserVar* res = vars->findVar("r_resolution");
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(res->getString(), "800 600");
    EXPECT_TRUE(res->isSaved());
    EXPECT_TRUE(res->needsRestart());
    UserVar* fullbright = vars->findVar("r_fullbright");
    ASSERT_NE(fullbright, nullptr);
    EXPECT_FALSE(fullbright->isSaved());
    EXPECT_EQ(getUserVarString("loc_language"), "english");
    EXPECT_FLOAT_EQ(getUserVarFloat("s_volumeMaster"), 0.75f);

    // A variable the code registers after the files keeps the file's value.
    EXPECT_EQ(vars->getVar("PlayerName", "Nobody", UserVarSystem::kCreate).getString(), "Edrica of the Fen");
}

TEST_F(ConfigFixture, MalformedLinesAreLoggedWithFileAndLineAndSkipped)
{
    loadFixtures();
    std::string expected = testDataPath("console/default.cfg") + ":14: brokenLineWithoutValue has no value";
    EXPECT_TRUE(log.contains(expected, 2));
    EXPECT_EQ(vars->findVar("brokenLineWithoutValue"), nullptr);

    log.clear();
    vars->parseConfigText(
        "good 1\nflagged 2 sometimes\n\"\" 3\nVirtualKey\nVirtualKey jump nosuchkey\nafter 4\n", "t.cfg",
        true);
    EXPECT_TRUE(log.contains("t.cfg:2: unknown flag sometimes", 2));
    EXPECT_TRUE(log.contains("t.cfg:3: bad variable name", 2));
    EXPECT_TRUE(log.contains("t.cfg:4: VirtualKey needs an action name and a key", 2));
    EXPECT_TRUE(log.contains("t.cfg:5: unknown key name nosuchkey", 2));
    EXPECT_EQ(getUserVarInt("flagged"), 2);
    EXPECT_EQ(getUserVarInt("after"), 4);
    EXPECT_EQ(keys->findKey("jump", false), -1);

    log.clear();
    // Outside default.cfg a line is a name and a value: anything longer is
    // reported with its line and creates or changes nothing.
    vars->parseConfigText("PlayerName x save\nVirtualKey nobody q\nthis is garbage line\nkept 5\n", "u.cfg",
                          false);
    EXPECT_TRUE(log.contains("u.cfg:1: more than a name and a value", 2));
    EXPECT_TRUE(log.contains("u.cfg:2: unknown VirtualKey action nobody", 2));
    EXPECT_TRUE(log.contains("u.cfg:3: more than a name and a value", 2));
    EXPECT_NE(getUserVarString("PlayerName"), "x");
    EXPECT_EQ(vars->findVar("this"), nullptr);
    EXPECT_EQ(getUserVarInt("kept"), 5);
}

TEST_F(ConfigFixture, CrLfLinesReadLikeLfLines)
{
    vars->parseConfigText("ui_a 1\r\nui_b \"two words\"\r\nui_c \"open quote\r\nui_d 4 // note\r\n",
                          "crlf.cfg", true);
    EXPECT_EQ(getUserVarString("ui_a"), "1");
    EXPECT_EQ(getUserVarString("ui_b"), "two words");
    // An unclosed quote runs to the end of the line, not into its CR.
    EXPECT_EQ(getUserVarString("ui_c"), "open quote");
    EXPECT_EQ(getUserVarInt("ui_d"), 4);
    EXPECT_EQ(log.count(2), 0u);
}

TEST_F(ConfigFixture, KeyBindingsComeFromBothFiles)
{
    loadFixtures();
    ASSERT_EQ(keys->getCount(), 4u);
    int inventory = keys->findKey("Inventory", true);
    int attack = keys->findKey("attackMove", true);
    EXPECT_TRUE(keys->isBoundTo(inventory, keyNameToCode("b"), false));
    EXPECT_FALSE(keys->isBoundTo(inventory, keyNameToCode("i"), false));
    EXPECT_TRUE(keys->isBoundTo(attack, 0, true));
    EXPECT_FALSE(keys->isBoundTo(attack, 0, false));
    EXPECT_EQ(keys->getBoundKeyName(attack), "Left Mouse");
    EXPECT_EQ(keys->getBoundKeyName(keys->findKey("spare", true)), "");
    EXPECT_EQ(keys->getAction(inventory - VirtualKeys::kVirtualKeyBase)->command, "toggleMenu Inventory");
}

TEST_F(ConfigFixture, RebindingIsWrittenBackAndReadAgainEqual)
{
    loadFixtures();
    ASSERT_TRUE(keys->bindKey("map", keyNameToCode("f5"), false));
    ASSERT_TRUE(keys->bindKey("spare", 2, true));
    std::string written = readFile(userCfg());
    EXPECT_NE(written.find("VirtualKey map f5\n"), std::string::npos) << written;
    EXPECT_NE(written.find("VirtualKey inventory b\n"), std::string::npos) << written;
    EXPECT_NE(written.find("VirtualKey spare mouse3\n"), std::string::npos) << written;
    EXPECT_EQ(written.find("attackMove"), std::string::npos) << "unchanged bindings are not written";

    restart(testDataPath("console/default.cfg"));
    for (const char* action : {"map", "inventory", "spare", "attackMove"}) {
        int index = keys->findKey(action, false);
        ASSERT_GE(index, 0) << action;
    }
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("map", true), keyNameToCode("f5"), false));
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("inventory", true), keyNameToCode("b"), false));
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("spare", true), 2, true));
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("attackMove", true), 0, true));
    EXPECT_EQ(getUserVarString("PlayerName"), "Edrica of the Fen");
    // Writing again gives the same file.
    ASSERT_TRUE(vars->writeUserConfig());
    EXPECT_EQ(readFile(userCfg()), written);
}

TEST_F(ConfigFixture, SwappedKeysSurviveAnyLineOrder)
{
    vars->parseConfigText("VirtualKey a q \"echo a\"\nVirtualKey b w \"echo b\"\n", "d.cfg", true);
    vars->setUserConfigPath(userCfg());
    // Swap through a third key, as a player would.
    ASSERT_TRUE(keys->bindKey("a", keyNameToCode("e"), false));
    ASSERT_TRUE(keys->bindKey("b", keyNameToCode("q"), false));
    ASSERT_TRUE(keys->bindKey("a", keyNameToCode("w"), false));
    vars->setUserConfigPath("");
    keys.reset();
    vars.reset();
    keys = std::make_unique<VirtualKeys>();
    vars = std::make_unique<UserVarSystem>();
    vars->parseConfigText("VirtualKey a q \"echo a\"\nVirtualKey b w \"echo b\"\n", "d.cfg", true);
    ASSERT_TRUE(vars->readConfigFile(userCfg(), false));
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("a", true), keyNameToCode("w"), false));
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("b", true), keyNameToCode("q"), false));

    // The same swap written the other way round.
    vars->parseConfigText("VirtualKey a q\nVirtualKey b w\n", "d2.cfg", false);
    vars->parseConfigText("VirtualKey b q\nVirtualKey a w\n", "u2.cfg", false);
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("a", true), keyNameToCode("w"), false));
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("b", true), keyNameToCode("q"), false));
}

TEST_F(ConfigFixture, ValueWithADoubleQuoteIsWrittenReadably)
{
    loadFixtures();
    setUserVar("PlayerName", "Ed \"the\" Bold");
    vars->getVar("ui_path", "", UserVarSystem::kCreate)->setSaved(true);
    setUserVar("ui_path", "C:\\games\\\"odd\"\\dir\nnext");
    ASSERT_TRUE(vars->writeUserConfig());
    std::string written = readFile(userCfg());
    EXPECT_EQ(written.find("the\""), std::string::npos) << written;

    restart(testDataPath("console/default.cfg"));
    EXPECT_EQ(getUserVarString("PlayerName"), "Ed the Bold");
    EXPECT_EQ(getUserVarString("ui_path"), "C:\\games\\odd\\dir next");
    // Lines after the awkward values still read.
    EXPECT_EQ(getUserVarString("s_volumeMaster"), "0.75");
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("inventory", true), keyNameToCode("b"), false));
}

TEST_F(ConfigFixture, UserCfgIsReplacedAtomically)
{
    loadFixtures();
    std::string before = readFile(userCfg());
    // A directory where the temporary file would go makes the write fail:
    // the old file must stay whole.
    std::filesystem::create_directory(userCfg() + ".tmp");
    setUserVar("PlayerName", "Changed");
    EXPECT_FALSE(vars->writeUserConfig());
    EXPECT_EQ(readFile(userCfg()), before);
    EXPECT_TRUE(log.contains("Cannot write", 3));

    std::filesystem::remove(userCfg() + ".tmp");
    EXPECT_TRUE(vars->writeUserConfig());
    EXPECT_FALSE(std::filesystem::exists(userCfg() + ".tmp"));
    EXPECT_NE(readFile(userCfg()).find("PlayerName \"Changed\"\n"), std::string::npos);
}

TEST_F(ConfigFixture, SavedVariablesAreWrittenSortedAndOthersLeftOut)
{
    loadFixtures();
    std::string text = vars->buildUserConfig();
    size_t name = text.find("PlayerName \"Edrica of the Fen\"\n");
    size_t res = text.find("r_resolution \"800 600\"\n");
    size_t vol = text.find("s_volumeMaster \"0.75\"\n");
    ASSERT_NE(name, std::string::npos) << text;
    ASSERT_NE(res, std::string::npos) << text;
    ASSERT_NE(vol, std::string::npos) << text;
    EXPECT_LT(name, res);
    EXPECT_LT(res, vol);
    EXPECT_EQ(text.find("r_fullbright"), std::string::npos);
    EXPECT_EQ(text.find("developer"), std::string::npos);

    EXPECT_EQ(vars->getSavedCount(), 3u);
    EXPECT_EQ(vars->getChangedFromDefaultCount(), 1u); // PlayerName
}

TEST_F(ConfigFixture, ConsoleReadsAndSetsVariables)
{
    registerEngineCommands();
    loadFixtures();
    EXPECT_TRUE(commands->execute("set ui_showUseHints 1", nullptr, false, false));
    EXPECT_EQ(getUserVarInt("ui_showUseHints"), 1);
    EXPECT_TRUE(commands->execute("toggle ui_showUseHints", nullptr, false, false));
    EXPECT_EQ(getUserVarInt("ui_showUseHints"), 0);
    EXPECT_TRUE(commands->execute("set PlayerName \"Mira Vale\"", nullptr, false, false));
    EXPECT_EQ(getUserVarString("PlayerName"), "Mira Vale");
    log.clear();
    EXPECT_TRUE(commands->execute("set PlayerName", nullptr, false, false));
    EXPECT_TRUE(log.contains("PlayerName is \"Mira Vale\" (default \"Wandering Soul\")"));
    EXPECT_TRUE(commands->execute("set \"two words\" 1", nullptr, false, false));
    EXPECT_EQ(vars->findVar("two words"), nullptr);
    // Nor may a name hold a control character: user.cfg could not carry it.
    EXPECT_TRUE(commands->execute("set \"bell\x07\" 1", nullptr, false, false));
    EXPECT_EQ(vars->findVar("bell\x07"), nullptr);

    EXPECT_TRUE(commands->execute("bind map f7", nullptr, false, false));
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("map", true), keyNameToCode("f7"), false));
    EXPECT_NE(readFile(userCfg()).find("VirtualKey map f7"), std::string::npos);
    log.clear();
    EXPECT_TRUE(commands->execute("bind map b", nullptr, false, false));
    EXPECT_TRUE(log.contains("B is already bound to inventory", 2));

    dir.write("scripts/setup.cfg", "// a script\nset ui_autoAttack 0\ndrawWorldMap 1\nVirtualKey map f8\n");
    EXPECT_TRUE(commands->execute("exec scripts/setup.cfg", nullptr, false, false));
    EXPECT_EQ(getUserVarString("ui_autoAttack"), "0");
    EXPECT_EQ(getUserVarInt("drawWorldMap"), 1);
    EXPECT_TRUE(keys->isBoundTo(keys->findKey("map", true), keyNameToCode("f8"), false));

    // A relative name is also looked for beside user.cfg.
    dir.write("autoexec.cfg", "set ui_autoAttack 1\n");
    EXPECT_TRUE(commands->execute("exec autoexec.cfg", nullptr, false, false));
    EXPECT_EQ(getUserVarString("ui_autoAttack"), "1");
    log.clear();
    EXPECT_TRUE(commands->execute("exec nowhere.cfg", nullptr, false, false));
    EXPECT_TRUE(log.contains("Cannot read nowhere.cfg", 2));

    // Scripts stay inside the game's directories.
    TempDir outside;
    outside.write("evil.cfg", "set ui_autoAttack 7\n");
    log.clear();
    EXPECT_TRUE(commands->execute("exec " + outside.file("evil.cfg"), nullptr, false, false));
    EXPECT_TRUE(commands->execute("exec ../evil.cfg", nullptr, false, false));
    EXPECT_EQ(getUserVarString("ui_autoAttack"), "1");
    EXPECT_EQ(log.count(3), 2u);
}

TEST_F(ConfigFixture, ConsoleEdgesToggleDotSlashAndDefaultFlags)
{
    registerEngineCommands();
    loadFixtures();
    // Only a 0/1 switch toggles; a text value stays as it was.
    EXPECT_TRUE(commands->execute("set loc_language english", nullptr, false, false));
    log.clear();
    EXPECT_TRUE(commands->execute("toggle loc_language", nullptr, false, false));
    EXPECT_EQ(getUserVarString("loc_language"), "english");
    EXPECT_TRUE(log.contains("toggle: loc_language is \"english\", not 0 or 1", 2));
    EXPECT_TRUE(commands->execute("set ui_flag 2", nullptr, false, false));
    EXPECT_TRUE(commands->execute("toggle ui_flag", nullptr, false, false));
    EXPECT_EQ(getUserVarString("ui_flag"), "2");

    // "./x.cfg" names x.cfg of the directory.
    dir.write("x.cfg", "set ui_autoAttack 9\n");
    EXPECT_TRUE(commands->execute("exec ./x.cfg", nullptr, false, false));
    EXPECT_EQ(getUserVarString("ui_autoAttack"), "9");
    EXPECT_TRUE(commands->execute("exec ././x.cfg", nullptr, false, false));

    // default.cfg keeps its flags wherever it is read from.
    dir.write("default.cfg", "ui_newSaved 1 save\n");
    log.clear();
    EXPECT_TRUE(commands->execute("exec default.cfg", nullptr, false, false));
    EXPECT_FALSE(log.contains("flags are read from default.cfg only"));
    EXPECT_EQ(log.count(2), 0u);
    ASSERT_NE(vars->findVar("ui_newSaved"), nullptr);
    EXPECT_TRUE(vars->findVar("ui_newSaved")->isSaved());
}

TEST(CommandUsageTest, ArgumentsShowFromTheirTypeLetters)
{
    CommandRecord set;
    set.name = "set";
    set.argNames = "name value";
    set.argTypes = "sS";
    EXPECT_EQ(set.usage(), "set <name> [value]");
    CommandRecord echo;
    echo.name = "echo";
    echo.argNames = "text";
    echo.argTypes = "SSSS";
    EXPECT_EQ(echo.usage(), "echo [text...]");
    CommandRecord bare;
    bare.name = "quit";
    EXPECT_EQ(bare.usage(), "quit");
    CommandRecord unnamed;
    unnamed.name = "move";
    unnamed.argTypes = "iI";
    EXPECT_EQ(unnamed.usage(), "move <arg1> [arg2]");
}

TEST_F(ConfigFixture, ExecLeavesCommentsOffCommandLinesAndStopsRunawayNesting)
{
    registerEngineCommands();
    loadFixtures();
    std::vector<CommandArgs> calls;
    commands->registerCommand([&calls](const CommandArgs& a) { calls.push_back(a); }, "countMe", "", "text",
                              "S", false, 0);

    dir.write("commented.cfg", "set ui_autoAttack 5 // five\r\ncountMe \"a // b\" // trailing\n");
    EXPECT_TRUE(commands->execute("exec commented.cfg", nullptr, false, false));
    EXPECT_EQ(getUserVarString("ui_autoAttack"), "5");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (CommandArgs{"a // b"}));
    EXPECT_FALSE(log.contains("Bad arguments"));

    // A script that runs itself, and two that run each other.
    calls.clear();
    dir.write("loop.cfg", "countMe\nexec loop.cfg\n");
    EXPECT_TRUE(commands->execute("exec loop.cfg", nullptr, false, false));
    EXPECT_GT(calls.size(), 1u);
    EXPECT_LT(calls.size(), 100u);
    EXPECT_TRUE(log.contains("exec loop.cfg: scripts nested more than", 3));

    calls.clear();
    log.clear();
    dir.write("ping.cfg", "exec pong.cfg\n");
    dir.write("pong.cfg", "countMe\nexec ping.cfg\n");
    EXPECT_TRUE(commands->execute("exec ping.cfg", nullptr, false, false));
    EXPECT_LT(calls.size(), 100u);
    EXPECT_EQ(log.count(3), 1u);
    // Once unwound, scripts nest again from the top.
    calls.clear();
    EXPECT_TRUE(commands->execute("exec commented.cfg", nullptr, false, false));
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(ConfigFixture, ShippedDefaultsReadCleanly)
{
    // The log is flushed line by line with or without the shipped file.
    EXPECT_EQ(getUserVarInt("logfile"), 2);
    ASSERT_TRUE(vars->readConfigFile(gameDataPath("default.cfg"), true));
    EXPECT_EQ(log.count(2), 0u);
    EXPECT_EQ(log.count(3), 0u);
    EXPECT_EQ(getUserVarString("loc_language"), "english");
    EXPECT_EQ(getUserVarInt("logfile"), 2);
}
