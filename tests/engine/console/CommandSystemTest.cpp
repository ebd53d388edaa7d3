#include "engine/console/CommandSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {
// Player is opaque to the engine: any distinct address stands for one.
alignas(8) char playerStorage[8];
Player* const kPlayer = reinterpret_cast<Player*>(playerStorage);

struct CommandSystemTest : ::testing::Test {
    LogCapture log;
    CommandSystem commands;
    std::vector<CommandArgs> localCalls;
    std::vector<std::pair<CommandArgs, Player*>> serverCalls;
    std::vector<std::string> forwarded;

    CommandHandler local()
    {
        return [this](const CommandArgs& args) { localCalls.push_back(args); };
    }
    ServerCommandHandler server()
    {
        return [this](const CommandArgs& args, Player* p) { serverCalls.emplace_back(args, p); };
    }
    void installForwarder()
    {
        commands.setForwarder([this](const std::string& line) { forwarded.push_back(line); });
    }
};
} // namespace

TEST_F(CommandSystemTest, RunsLocalHandlerWithTypedAndOptionalArguments)
{
    commands.registerCommand(local(), "pushMenu", "Pushes a menu", "menuName count", "sI", false, 0);
    EXPECT_TRUE(commands.execute("pushMenu \"Main Menu\" 3", nullptr, false, false));
    EXPECT_TRUE(commands.execute("PUSHMENU Options", nullptr, false, false));
    ASSERT_EQ(localCalls.size(), 2u);
    EXPECT_EQ(localCalls[0], (CommandArgs{"Main Menu", "3"}));
    EXPECT_EQ(localCalls[1], (CommandArgs{"Options"}));
}

TEST_F(CommandSystemTest, BadArgumentsAreRefusedButReportedAsHandled)
{
    commands.registerCommand(local(), "chooseGoldAmount", "", "side", "i", false, 0);
    EXPECT_TRUE(commands.execute("chooseGoldAmount 12abc", nullptr, false, true));
    EXPECT_TRUE(commands.execute("chooseGoldAmount", nullptr, false, true));
    EXPECT_TRUE(commands.execute("chooseGoldAmount 1 2", nullptr, false, true));
    EXPECT_TRUE(localCalls.empty());
    EXPECT_TRUE(log.contains("Bad arguments for chooseGoldAmount", 2));
    EXPECT_EQ(commands.getRefusedCount(), 3u);
}

TEST_F(CommandSystemTest, SkipFlagHandsOverAnyArguments)
{
    commands.registerCommand(local(), "offerToPlayer", "", "", "", true, CommandRecord::kSkipArgumentCheck);
    EXPECT_TRUE(commands.execute("offerToPlayer 1 two 3.0 x y z", nullptr, false, true));
    ASSERT_EQ(localCalls.size(), 1u);
    EXPECT_EQ(localCalls[0].size(), 6u);
}

TEST_F(CommandSystemTest, UnknownNamesAreLoggedInTheExactText)
{
    // Typed at the console, the line names cmdlist; issued by the program
    // (a menu, a binding, a line of the server), it is only named.
    EXPECT_FALSE(commands.execute("noSuchThing 1 2", nullptr, false, false));
    EXPECT_TRUE(log.contains("Unknown command - noSuchThing 1 2 (cmdlist lists the commands)\n", 0));
    log.clear();
    EXPECT_FALSE(commands.execute("noSuchThing 1 2", nullptr, false, true));
    EXPECT_TRUE(log.contains("Unknown command - noSuchThing 1 2\n", 0));
    EXPECT_FALSE(log.contains("cmdlist"));
    log.clear();
    EXPECT_FALSE(commands.execute("fly away", nullptr, true, true));
    EXPECT_TRUE(log.contains("Unknown server command - fly away\n", 0));
    EXPECT_FALSE(log.contains("Unknown command - "));
    // An empty line names nothing and logs nothing.
    log.clear();
    EXPECT_FALSE(commands.execute("   ", nullptr, false, false));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CommandSystemTest, InternalOnlyRefusedFromConsoleButRunFromProgram)
{
    commands.registerCommand(local(), "showMenu", "Shows a menu", "menuName", "s", true, 0);
    EXPECT_TRUE(commands.execute("showMenu Inventory", nullptr, false, false));
    EXPECT_TRUE(localCalls.empty());
    EXPECT_TRUE(commands.execute("showMenu Inventory", nullptr, false, true));
    ASSERT_EQ(localCalls.size(), 1u);
    EXPECT_EQ(localCalls[0], (CommandArgs{"Inventory"}));
}

TEST_F(CommandSystemTest, ServerHandlerGetsItsPlayerAndNeedsOne)
{
    commands.registerServerCommand(server(), "ddddff", "useSkill", "tree skill target level x y",
                                   "Uses the skill", true, true, 0);
    EXPECT_TRUE(commands.execute("useSkill 0 1 17 3 10.5 -4", nullptr, true, true));
    EXPECT_TRUE(serverCalls.empty());
    EXPECT_TRUE(commands.execute("useSkill 0 1 17 3 10.5 -4", kPlayer, true, true));
    ASSERT_EQ(serverCalls.size(), 1u);
    EXPECT_EQ(serverCalls[0].second, kPlayer);
    EXPECT_EQ(serverCalls[0].first, (CommandArgs{"0", "1", "17", "3", "10.5", "-4"}));
    // The server runs bad lines silently.
    log.clear();
    EXPECT_TRUE(commands.execute("useSkill 0 1 17 3 ten -4", kPlayer, true, true));
    EXPECT_EQ(serverCalls.size(), 1u);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CommandSystemTest, ServerModeNeverRunsALocalHandler)
{
    commands.registerCommand(local(), "quitGame", "", "", "", false, 0);
    EXPECT_TRUE(commands.execute("quitGame", nullptr, true, true));
    EXPECT_TRUE(localCalls.empty());
}

TEST_F(CommandSystemTest, LineWithoutLocalHandlerIsForwardedWhole)
{
    installForwarder();
    commands.registerServerCommand(server(), "dd", "moveItem", "group slot", "", true, false, 0);
    EXPECT_TRUE(commands.execute("moveItem  2 \"5\"", nullptr, false, false));
    ASSERT_EQ(forwarded, (std::vector<std::string>{"moveItem  2 \"5\""}));
    EXPECT_TRUE(serverCalls.empty());
}

TEST_F(CommandSystemTest, ForwardingComesOnlyAfterTheChecksPass)
{
    installForwarder();
    commands.registerServerCommand(server(), "issi", "newWorld",
                                   "startingLevel difficultyLevel worldDifficultyLevel numAiCovenants",
                                   "Starts a new world", true, true, 0);
    // Typed at the console: internal only, so it never reaches the server.
    EXPECT_TRUE(commands.execute("newWorld 1 Easy Normal 3", nullptr, false, false));
    EXPECT_TRUE(forwarded.empty());
    // From the program but with a bad integer: refused here too.
    EXPECT_TRUE(commands.execute("newWorld one Easy Normal 3", nullptr, false, true));
    EXPECT_TRUE(forwarded.empty());
    // A good program line goes through.
    EXPECT_TRUE(commands.execute("newWorld 1 Easy Normal 3", nullptr, false, true));
    EXPECT_EQ(forwarded.size(), 1u);
}

TEST_F(CommandSystemTest, LocalAndServerHandlersShareOneName)
{
    installForwarder();
    commands.registerCommand(local(), "resurrect", "client side", "", "", false, 0);
    commands.registerServerCommand(server(), "", "resurrect", "", "server side", true, true, 0);
    const CommandRecord* rec = commands.findCommand("Resurrect");
    ASSERT_NE(rec, nullptr);
    EXPECT_TRUE(rec->handler && rec->serverHandler);
    EXPECT_TRUE(commands.execute("resurrect", nullptr, false, true));
    EXPECT_TRUE(commands.execute("resurrect", kPlayer, true, true));
    EXPECT_EQ(localCalls.size(), 1u);
    EXPECT_EQ(serverCalls.size(), 1u);
    EXPECT_TRUE(forwarded.empty());
}

TEST_F(CommandSystemTest, HandlersMayRunLinesAndRemoveThemselves)
{
    commands.registerCommand(local(), "inner", "", "value", "i", false, 0);
    commands.registerCommand(
        [this](const CommandArgs& args) {
            commands.execute("inner " + args[0], nullptr, false, false);
            commands.unregisterCommand("outer");
            localCalls.push_back(args);
        },
        "outer", "", "value", "i", false, 0);
    EXPECT_TRUE(commands.execute("outer 5", nullptr, false, false));
    ASSERT_EQ(localCalls.size(), 2u);
    EXPECT_EQ(localCalls[0], (CommandArgs{"5"}));
    EXPECT_EQ(localCalls[1], (CommandArgs{"5"}));
    EXPECT_EQ(commands.findCommand("outer"), nullptr);
}

TEST_F(CommandSystemTest, ListAndCheckFunctionsByName)
{
    commands.registerListFunction("getConnectionNames", [](std::vector<ListEntry>& list) {
        list.push_back({"North", "0", "", "", true});
        list.push_back({"South", "1", "", "", false});
    });
    std::vector<ListEntry> list = {ListEntry{"stale", "", "", "", true}};
    commands.callListFunction("GETCONNECTIONNAMES", list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].name, "South");
    EXPECT_FALSE(list[1].enabled);
    commands.callListFunction("missing", list);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(ListEntry().enabled);

    bool answer = false;
    commands.registerCheckFunction("verifyCharName", [&answer] { return answer; });
    auto check = commands.findCheckFunction("verifycharname");
    ASSERT_TRUE(check);
    EXPECT_FALSE(check());
    answer = true;
    EXPECT_TRUE(check());
    EXPECT_FALSE(commands.findCheckFunction("nothing"));
}

TEST_F(CommandSystemTest, ExecuteCommandLineRunsAsTheProgram)
{
    commands.registerCommand(local(), "pushPopMenu", "", "menuName", "s", true, 0);
    EXPECT_TRUE(executeCommandLine("pushPopMenu bag2"));
    EXPECT_EQ(localCalls.size(), 1u);
    EXPECT_FALSE(executeCommandLine("pushPopMenuX bag2"));
}
