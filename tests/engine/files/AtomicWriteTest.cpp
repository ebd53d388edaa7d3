#include "engine/files/AtomicWrite.h"
#include "engine/files/FileSystem.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST(AtomicWrite, CreatesAndReplacesWithoutLeavingTheTemporary)
{
    TempDir dir;
    LogCapture capture;
    std::string path = dir.file("user.cfg");
    ASSERT_TRUE(writeFileAtomically(path, "first"));
    EXPECT_EQ(readText(path), "first");
    ASSERT_TRUE(writeFileAtomically(path, std::string_view("se\0cond", 7)));
    EXPECT_EQ(readText(path), std::string("se\0cond", 7));
    ASSERT_TRUE(writeFileAtomically(path, ""));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    EXPECT_EQ(capture.count(3), 0u);
}

TEST(AtomicWrite, FailuresKeepTheOldTargetAndRemoveTheTemporary)
{
    TempDir dir;
    LogCapture capture;
    // A rename cannot replace a directory that holds a file.
    std::string blocked = dir.file("blocked");
    dir.write("blocked/inside.txt", "keep");
    EXPECT_FALSE(writeFileAtomically(blocked, "new"));
    EXPECT_EQ(readText(blocked + "/inside.txt"), "keep");
    EXPECT_FALSE(fs::exists(blocked + ".tmp"));
    EXPECT_TRUE(capture.contains("previous file is kept", 3));

    // A commit told that an earlier write failed discards the temporary.
    std::string path = dir.file("save.wld");
    dir.write("save.wld", "old");
    std::FILE* handle = std::fopen((path + ".tmp").c_str(), "wb");
    ASSERT_NE(handle, nullptr);
    std::fputs("half", handle);
    capture.clear();
    EXPECT_FALSE(commitAtomicWrite(handle, path + ".tmp", path, false));
    EXPECT_EQ(readText(path), "old");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    EXPECT_TRUE(capture.contains("Cannot write " + path, 3));

    // No temporary file can be made in a missing directory.
    capture.clear();
    EXPECT_FALSE(writeFileAtomically(dir.file("missing/file.txt"), "x"));
    EXPECT_TRUE(capture.contains("Cannot write", 3));
}

TEST(FileSystemWrite, FailedCommitKeepsTheOldTarget)
{
    TempDir dir;
    LogCapture capture;
    dir.write("user/save.wld/inside.txt", "keep");
    FileSystem files(dir.file("base"), dir.file("user"));
    File* file = files.open("save.wld", true, false, true, false);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(files.write(file, std::string("new contents")));
    EXPECT_FALSE(files.close(file));
    EXPECT_EQ(readText(dir.file("user/save.wld/inside.txt")), "keep");
    EXPECT_FALSE(fs::exists(dir.file("user/save.wld.tmp")));
    EXPECT_TRUE(capture.contains("previous file is kept", 3));
}

namespace {

// The two files of a save that a sword moves between: the covenant's stash
// and the character's bag, each "sword" or "".
struct StashAndBag {
    std::string stash;
    std::string bag;
};

StashAndBag readPair(const TempDir& dir)
{
    return {readText(dir.file("user/Chars/global.sav")), readText(dir.file("user/Chars/Aldric.chr"))};
}

// Writes the pair as one save set; the hook sees each step.
bool savePair(FileSystem& files, const StashAndBag& pair)
{
    files.beginSaveSet();
    for (const auto& [name, text] :
         {std::pair{"Chars/global.sav", pair.stash}, {"chars/Aldric.chr", pair.bag}}) {
        File* file = files.open(name, true, false, true, true);
        if (file) {
            files.write(file, text);
            files.close(file);
        }
    }
    return files.commitSaveSet();
}

std::vector<std::string> leftovers(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir.file("user"))) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".tmp") || name == FileSystem::kJournal) {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace

// A sword moved from the stash to the bag, the save stopped at each of its
// steps as a killed program stops: the next start finds the old pair or the
// new one, never a mix (the sword in neither file, or in both), and nothing
// of the stopped save is left lying about. Only once the journal has landed
// is the save the new one.
TEST(FileSystemSaveSet, AStopAtAnyStepLeavesTheOldSaveOrTheNewWhole)
{
    const StashAndBag before{"sword", ""};
    const StashAndBag after{"", "sword"};
    std::vector<std::string> steps;
    {
        TempDir dir;
        dir.write("user/Chars/global.sav", before.stash);
        FileSystem files(dir.file("base"), dir.file("user"));
        files.setSaveSetStepHook([&](const std::string& step) {
            steps.push_back(step);
            return true;
        });
        ASSERT_TRUE(savePair(files, after));
    }
    const std::vector<std::string> expected = {
        "written Chars/global.sav", "written Chars/Aldric.chr", "journal written", "journal landed",
        "renamed Chars/global.sav", "renamed Chars/Aldric.chr", "journal removed"};
    ASSERT_EQ(steps, expected);
    for (size_t stop = 0; stop < steps.size(); ++stop) {
        SCOPED_TRACE("stopped at " + steps[stop]);
        TempDir dir;
        LogCapture capture;
        dir.write("user/Chars/global.sav", before.stash);
        dir.write("user/Chars/Aldric.chr", before.bag);
        {
            FileSystem files(dir.file("base"), dir.file("user"));
            size_t step = 0;
            files.setSaveSetStepHook([&](const std::string&) { return step++ != stop; });
            // Stopped once its journal is gone, the save was made.
            EXPECT_EQ(savePair(files, after), stop + 1 == steps.size());
        }
        FileSystem next(dir.file("base"), dir.file("user"));
        next.recoverSaveSet();
        const StashAndBag found = readPair(dir);
        const bool landed = stop >= 3;
        EXPECT_EQ(found.stash, landed ? after.stash : before.stash);
        EXPECT_EQ(found.bag, landed ? after.bag : before.bag);
        EXPECT_EQ((found.stash == "sword") + (found.bag == "sword"), 1) << "the sword is not there once";
        EXPECT_TRUE(leftovers(dir).empty()) << leftovers(dir).front();
        // A save after the start is made whole again.
        EXPECT_TRUE(savePair(next, before));
        EXPECT_EQ(readPair(dir).stash, before.stash);
        EXPECT_EQ(readPair(dir).bag, before.bag);
    }
}

// A file of the save that cannot be written stops the whole save: no file
// is replaced, no temporary stays, and the failure names the file. A journal
// that did not land whole is removed at the start and changes nothing.
TEST(FileSystemSaveSet, AFileThatCannotBeWrittenKeepsTheWholeOldSave)
{
    TempDir dir;
    LogCapture capture;
    dir.write("user/Chars/global.sav", "sword");
    dir.write("user/Chars/Aldric.chr", "");
    FileSystem files(dir.file("base"), dir.file("user"));
    // The character's history has a plain file where its folder would be.
    dir.write("user/history", "not a folder");
    files.beginSaveSet();
    for (const char* name : {"Chars/global.sav", "history/Aldric.his", "chars/Aldric.chr"}) {
        File* file = files.open(name, true, false, true, true);
        if (file) {
            files.write(file, std::string(name).ends_with(".chr") ? "sword" : "");
            files.close(file);
        }
    }
    EXPECT_FALSE(files.commitSaveSet());
    EXPECT_NE(files.getSaveSetError().find("history/Aldric.his"), std::string::npos)
        << files.getSaveSetError();
    EXPECT_EQ(readPair(dir).stash, "sword");
    EXPECT_EQ(readPair(dir).bag, "");
    EXPECT_TRUE(leftovers(dir).empty()) << leftovers(dir).front();
    EXPECT_TRUE(capture.contains("The save was not made", 3));

    // Journals that are not whole: cut, naming a file outside the folder.
    for (const char* journal : {"Gloamreach save journal 1\nchars/Aldric.chr\n",
                                "Gloamreach save journal 1\n../outside\nend 1\n"}) {
        SCOPED_TRACE(journal);
        dir.write("user/save.jnl", journal);
        dir.write("user/Chars/Aldric.chr.tmp", "sword");
        capture.clear();
        files.recoverSaveSet();
        EXPECT_EQ(readPair(dir).bag, "");
        EXPECT_TRUE(leftovers(dir).empty()) << leftovers(dir).front();
        EXPECT_TRUE(capture.contains("not a whole save journal", 2));
    }

    // A whole journal with a file that cannot be put in place stays, and
    // the next save, killed after its first file, leaves no temporary the
    // journal would take up: once the file can be placed, the interrupted
    // save comes back whole (the sword in the bag only).
    dir.write("user/save.jnl", "Gloamreach save journal 1\nChars/Aldric.chr\nChars/global.sav\nend 2\n");
    dir.write("user/Chars/Aldric.chr.tmp", "sword");
    dir.write("user/Chars/global.sav.tmp", "");
    fs::remove(dir.file("user/Chars/global.sav"));
    dir.write("user/Chars/global.sav/in the way", "");
    EXPECT_FALSE(files.recoverSaveSet());
    EXPECT_EQ(files.getRecoveryError().rfind("Chars/global.sav: ", 0), 0u) << files.getRecoveryError();
    files.setSaveSetStepHook([](const std::string& step) { return !step.starts_with("written"); });
    EXPECT_FALSE(savePair(files, {"sword", ""}));
    EXPECT_NE(files.getSaveSetError().find("an interrupted save could not be finished (Chars/global.sav"),
              std::string::npos)
        << files.getSaveSetError();
    files.setSaveSetStepHook({});
    fs::remove_all(dir.file("user/Chars/global.sav"));
    EXPECT_TRUE(files.recoverSaveSet());
    EXPECT_EQ(readPair(dir).stash, "");
    EXPECT_EQ(readPair(dir).bag, "sword");
    EXPECT_TRUE(leftovers(dir).empty()) << leftovers(dir).front();
}
