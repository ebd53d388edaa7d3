// The built program on the shipped data, with the characters' folder spelt
// either way on disk: a cut history, explored map and global save are set
// aside at the resume, and the save at the end writes fresh files beside
// them. Nothing of the three is lost.
#include "support/ProgramRunner.h"
#include "support/TestSupport.h"

#include "engine/files/FileSystem.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> programArgs(const TempDir& user)
{
    return {"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()};
}

// Runs the program with the console lines, then quits once the player has
// joined and a line has gone from the client to the server and back (by
// then the client knows its character's name, which the save at the end of
// the loop files the character under).
// `whileJoined` runs before the quit.
RunResult playUntilJoined(const TempDir& user, const std::string& lines, const std::string& name = "Aldric",
                          const std::function<void()>& whileJoined = nullptr)
{
    const std::vector<FeedStep> steps = {
        {"", [lines](int) { return "set developer 1\n" + lines; }},
        {name + " joins as entity %d",
         [](int number) { return "entityInfo " + std::to_string(number) + "\n"; }},
        {"Health ",
         [whileJoined](int) {
             if (whileJoined) {
                 whileJoined();
             }
             return std::string("quit\n");
         }},
    };
    return runProgramFed(programArgs(user), steps);
}

} // namespace

TEST(CharacterFolderProgram, CutFilesAreSetAsideAndSavedAfreshWhicheverSpellingTheFolderHas)
{
    // "Chars" is the spelling a fresh user directory gets; "chars" is made
    // beforehand.
    for (const std::string folder : {"Chars", "chars"}) {
        TempDir user;
        if (folder == "chars") {
            std::filesystem::create_directories(user.path() / folder);
        }
        RunResult first =
            playUntilJoined(user, "set PlayerName Aldric\nset PlayerClass Warrior\nstart both 0\n");
        ASSERT_EQ(first.exitCode, 0) << folder << "\n" << first.err;

        std::vector<std::vector<uint8_t>> cut;
        const std::vector<std::string> files = {"Aldric.his", "Aldric.map", "global.sav"};
        for (const std::string& name : files) {
            std::vector<uint8_t> bytes = readFileBytes(user.path() / folder / name);
            ASSERT_GT(bytes.size(), 4u) << folder << "/" << name;
            bytes.resize(bytes.size() / 2);
            writeFileBytes(user.path() / folder / name, bytes);
            cut.push_back(bytes);
        }

        RunResult second = playUntilJoined(user, "set resumeGameChar Aldric\nresumeGame\n");
        ASSERT_EQ(second.exitCode, 0) << folder << "\n" << second.err;
        const std::string log = readFile(user.file("log.txt"));
        for (size_t i = 0; i < files.size(); ++i) {
            const std::filesystem::path kept = user.path() / folder / (files[i] + ".damaged");
            EXPECT_EQ(readFileBytes(kept), cut[i]) << kept << "\n" << log;
            const std::vector<uint8_t> fresh = readFileBytes(user.path() / folder / files[i]);
            EXPECT_GT(fresh.size(), cut[i].size()) << folder << "/" << files[i];
            EXPECT_NE(log.find(files[i] + ": set aside as "), std::string::npos) << log;
        }
        EXPECT_EQ(log.find("cannot be set aside"), std::string::npos) << log;
        EXPECT_EQ(std::filesystem::exists(user.path() / "Chars"), folder == "Chars");
        EXPECT_EQ(std::filesystem::exists(user.path() / "chars"), folder == "chars");
    }
}

// Continue resumes the character of the last save on disk however the
// program ended: Aldric's run quits cleanly, the new Brannoc's is killed
// once its first save has landed, and the next start's Continue brings
// Brannoc back (user.cfg, which names him, is part of the save).
TEST(CharacterFolderProgram, ContinueResumesTheCharacterOfTheLastSaveAfterAKill)
{
    TempDir user;
    RunResult first = playUntilJoined(user, "set PlayerName Aldric\nset PlayerClass Warrior\nstart both 0\n");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    RunResult killed = runProgram(
        programArgs(user), "set autoSaveTime 1\nset PlayerName Brannoc\nset PlayerClass Mage\nstart both 0\n",
        false,
        [&](const RunResult&) {
            return std::filesystem::exists(user.path() / "Chars" / "Brannoc.chr") &&
                   !std::filesystem::exists(user.path() / FileSystem::kJournal);
        },
        SIGKILL);
    ASSERT_EQ(killed.exitCode, 128 + SIGKILL) << killed.err;
    RunResult resumed = playUntilJoined(user, "resumeGame\n", "Brannoc");
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("Brannoc joins as entity"), std::string::npos) << resumed.out;
}

// A second program on a folder the first one holds says so and ends; the
// folder is left as it was: the first one's log, settings and an unfinished
// save's temporary stay, and the first one's save at its end is whole.
TEST(CharacterFolderProgram, ASecondProgramOnAHeldFolderRefusesAndTouchesNothing)
{
    TempDir user;
    RunResult second;
    std::string logBefore, logAfter, settingsBefore, settingsAfter;
    const std::filesystem::path unfinished = user.path() / "Chars" / "Orla.chr.tmp";
    RunResult first = playUntilJoined(user, "set PlayerName Aldric\nset PlayerClass Warrior\nstart both 0\n",
                                      "Aldric", [&] {
                                          std::filesystem::create_directories(unfinished.parent_path());
                                          writeFileBytes(unfinished, {'h', 'a', 'l', 'f'});
                                          logBefore = readFile(user.file("log.txt"));
                                          settingsBefore = readFile(user.file("user.cfg"));
                                          second = runProgram(programArgs(user), "quit\n", true);
                                          logAfter = readFile(user.file("log.txt"));
                                          settingsAfter = readFile(user.file("user.cfg"));
                                      });
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("The user folder \"" + user.path().string() +
                              "\" is in use by another Gloamreach program (process "),
              std::string::npos)
        << second.err;
    EXPECT_EQ(logAfter.substr(0, logBefore.size()), logBefore);
    EXPECT_EQ(settingsAfter, settingsBefore);
    EXPECT_EQ(readFileBytes(unfinished), std::vector<uint8_t>({'h', 'a', 'l', 'f'}));
    const std::string log = readFile(user.file("log.txt"));
    EXPECT_EQ(log.find("The save was not made"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(user.path() / FileSystem::kJournal));
    EXPECT_GT(readFileBytes(user.path() / "Chars" / "Aldric.chr").size(), 4u);
}
