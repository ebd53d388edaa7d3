// The built program on the shipped data, driven through its console: a new
// warrior joins its own server, its entity is printed and the program quits
// cleanly.
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string line(const std::string& text)
{
    return text + "\n";
}

} // namespace

TEST(PlayerProgram, ANewWarriorJoinsIsPrintedAndTheProgramQuitsCleanly)
{
    TempDir user;
    int entity = -1;
    const std::vector<FeedStep> steps = {
        {"",
         [](int) {
             return line("set developer 1") + line("set PlayerName Aldric") +
                    line("set PlayerClass Warrior") + line("start both 0");
         }},
        // The town's people come first, so the player's number is read.
        {"Aldric joins as entity %d",
         [&entity](int number) {
             entity = number;
             return line("entityInfo " + std::to_string(number));
         }},
        {"Health ", [](int) { return line("quit"); }},
    };
    RunResult run = runProgramFed(
        {"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()}, steps);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_GE(entity, 0) << run.out;
    const std::string log = readFile(user.file("log.txt"));
    EXPECT_NE(log.find("Aldric joins as entity " + std::to_string(entity) + " (Warrior, level 1)\n"),
              std::string::npos)
        << log;
    // The warrior of the shipped data: 30 Vitality x 4.0 + level 1 x 2.0, and
    // 10 of its Toughness, which every class skill starts at level 1 with.
    EXPECT_NE(log.find("\nHealth 132/132\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" 0 warnings, 0 errors"), std::string::npos) << log;
}
