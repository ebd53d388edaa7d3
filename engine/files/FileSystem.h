#pragma once

#include "engine/core/Singleton.h"
#include "engine/files/File.h"
#include "engine/files/ZipPackage.h"

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

// Game data directory with its packages, and the user directory.
//
// Reads without the user-directory flag look for a loose file in the base
// directory first, then in the generated-content directory (when one is
// mounted), then in "assets002.zip", then in "assets001.zip"; with the flag
// they look in the user directory only; below "Levels" and "Models" (what
// the editors write) the user directory comes first for those reads and
// lists too. Every path component is matched
// without regard to case. Writes only ever create real files in the user
// directory, through a temporary file that close() renames over the target.
// All operations are guarded by one lock.
class FileSystem : public Singleton<FileSystem> {
public:
    static constexpr const char* kJoinText = "/";
    static constexpr int kMaxUserNameLength = 20;

    // Opens the packages of the base directory. A missing package is an
    // info line (loose-file installs have none); a damaged one is skipped
    // with an error line.
    // Mounts "assets001.zip" and "assets002.zip" of the base directory unless
    // told not to (the application mounts them once the log is open).
    FileSystem(const std::string& baseDirectory, const std::string& userDirectory, bool mount = true);
    void mountPackages();
    // Content the build generates (models, …) lives in its own directory,
    // searched right after the base directory's loose files; "" unmounts.
    void mountGeneratedDirectory(const std::string& directory);
    const std::string& getGeneratedDirectory() const { return m_generatedDirectory; }
    ~FileSystem();

    const std::string& getBaseDirectory() const { return m_baseDirectory; }
    const std::string& getUserDirectory() const { return m_userDirectory; }
    // Text placed between directory levels by the file picker.
    static const char* getJoinText() { return kJoinText; }

    // Opens a file; null when it cannot be opened. Writing always targets the
    // user directory and replaces an existing file when the record is closed;
    // createDirectories makes missing parent directories for a write.
    File* open(const std::string& name, bool write, bool textMode = false, bool userDirectory = false,
               bool createDirectories = false);
    // Closes and forgets a record. For a write the data is flushed, synced
    // and renamed over the target; false when that fails (the old file stays).
    bool close(File* file);
    // Closes a file written for the user directory and leaves its commit
    // (flush, sync, rename, directory sync) to a worker thread, so the
    // caller does not wait for the disk. False, with the file closed and its
    // line logged here, when a write to it had already failed. Reads, new
    // writes and the file system's end wait for every commit handed over.
    bool closeInBackground(File* file);
    // Waits until every commit handed over has been made.
    void finishWrites();

    // One save of several files, made as one (see SaveSet). From
    // beginSaveSet on, every write that this thread closes keeps its synced
    // temporary file ("<target>.tmp") instead of replacing the target.
    // commitSaveSet then lists the targets in the save journal (kJournal in
    // the user directory, which lands whole by one rename), renames each
    // temporary over its target and removes the journal: a run that ends
    // before the journal lands leaves every old file, one that ends after it
    // is finished by recoverSaveSet at the next start. When a file of the
    // set could not be written, nothing is replaced, the temporaries go and
    // the result is false (getSaveSetError names the file). Sets nest: only
    // the outermost commit commits.
    static constexpr const char* kJournal = "save.jnl";
    void beginSaveSet();
    bool commitSaveSet();
    // Drops the set's temporaries; the old files stay.
    void abandonSaveSet();
    // Marks the open set of this thread failed: a file that belongs to the
    // save was refused before it reached the file system.
    void failSaveSet(const std::string& name, const std::string& reason);
    const std::string& getSaveSetError() const { return m_saveSet.error; }
    // Start-up: finishes a save whose journal landed, or removes what an
    // unfinished one left (its temporaries and a journal still being
    // written), so the saves read next are whole-old or whole-new. False,
    // with the journal kept, when a file of it cannot be put in place: the
    // files on disk may then be part old and part new, and every save set
    // fails without writing until a later call finishes it
    // (getRecoveryError names the file).
    bool recoverSaveSet();
    const std::string& getRecoveryError() const { return m_recoveryError; }
    // Tests: called at each step of a save set ("written <file>", "journal
    // written", "journal landed", "renamed <file>", "journal removed").
    // Returning false stops the save right there, as a killed program
    // would: nothing more of any save reaches the disk in this run.
    void setSaveSetStepHook(std::function<bool(const std::string& step)> hook);
    // The whole content of an open file.
    bool readAll(File* file, std::vector<uint8_t>& out);
    // One write of all bytes to an open real file; counted in "Bytes written".
    bool write(File* file, const void* data, size_t size);
    bool write(File* file, std::string_view bytes) { return write(file, bytes.data(), bytes.size()); }

    // The whole file, or nothing when it is missing or empty.
    std::optional<std::vector<uint8_t>> readFile(const std::string& name, bool userDirectory = false);
    std::optional<std::vector<uint8_t>> readWholeFile(const std::string& name, bool userDirectory = false)
    {
        return readFile(name, userDirectory);
    }
    bool fileExists(const std::string& name, bool userDirectory = false);

    // Deletes a file of the user directory; the result is not reported.
    void deleteUserFile(const std::string& name);
    // Renames a file of the user directory, replacing the target. Both names
    // are found as reads find them (each path component without regard to
    // case), so "chars/a" renames "Chars/a" and "chars/b" lands beside it.
    // False, with the reason in `error`, when it cannot be done.
    bool renameUserFile(const std::string& from, const std::string& to, std::string& error);

    // Appends the names of the files with that extension ("tga", ".tga" or
    // "*.tga"; empty or "*" for all) below the directory, relative to it and
    // with sub-folder prefixes when recursive; each name once, sorted without
    // regard to case. An absent directory adds nothing.
    void listFiles(std::vector<std::string>& out, const std::string& directory, const std::string& extension,
                   bool userDirectory = false, bool recursive = false);
    std::vector<std::string> listFiles(const std::string& directory, const std::string& extension,
                                       bool userDirectory = false)
    {
        std::vector<std::string> names;
        listFiles(names, directory, extension, userDirectory, false);
        return names;
    }
    // The file picker's form: a pattern "*." + extension.
    void listFiles(const std::string& directory, const std::string& pattern, std::vector<std::string>& out,
                   bool userDirectory, bool recursive)
    {
        listFiles(out, directory, pattern, userDirectory, recursive);
    }
    // Appends the names of the sub-directories of a directory.
    void listDirectories(const std::string& directory, std::vector<std::string>& out,
                         bool userDirectory = false);

    // True when a exists and b does not, or a was modified later (compared
    // as year, month, day, hour, minute, second).
    bool isNewer(const std::string& a, const std::string& b);
    // The same with each side in the game data or the user directory (a
    // source in the game data against its cache in the user directory).
    bool isNewer(const std::string& a, bool aInUserDirectory, const std::string& b, bool bInUserDirectory);

    std::string makeBasePath(const std::string& name) const { return m_baseDirectory + "/" + name; }
    // Backslashes become "/"; directory + "/" is put in front unless the path
    // already starts with it (without regard to case).
    static std::string addDirectoryPrefix(const std::string& directory, const std::string& path);

    // The first free name prefix + four digits + "." + extension in the user
    // directory; "" (with an error line) when all 10000 are taken or the
    // directory cannot be made.
    std::string makeNumberedFileName(const std::string& prefix, const std::string& extension);

    // The rule for names typed by the player that end up in file names,
    // command lines and text markup: 1 to 20 letters, digits, blanks, '-'
    // and '\''.
    static bool isValidUserName(std::string_view name);
    // A relative path without "..", "." or empty components.
    static bool isSafeRelativePath(std::string_view path);

    void logStatistics();

    struct Statistics {
        uint64_t bytesRead = 0;
        uint64_t bytesWritten = 0;
        uint64_t filesOpened = 0;
        uint64_t membersRead = 0;
        uint64_t failedMembers = 0;
    };
    Statistics getStatistics() const;
    size_t getPackageCount() const;

private:
    struct Listing {
        timespec modified{};
        timespec listedAt{};
        std::unordered_map<std::string, std::string> names; // lower case -> real name
    };
    struct Found {
        std::string realPath;          // loose file
        ZipPackage* package = nullptr; // or package member
        const ZipPackage::Member* member = nullptr;
    };

    std::optional<std::string> resolve(const std::string& root, const std::string& relative);
    std::optional<std::string> resolveParent(const std::string& root, const std::string& relative,
                                             bool create);
    std::optional<std::string> lookupName(const std::string& directory, const std::string& lowerName);
    void forgetListing(const std::string& directory);
    // `edited`: the user directory's edited folders first.
    std::optional<Found> locate(const std::string& name, bool userDirectory, bool edited = true);
    bool readFound(const Found& found, std::vector<uint8_t>& out);
    bool modifiedTime(const std::string& name, bool userDirectory, int out[6]);
    void listLoose(const std::string& directory, const std::string& extension, bool recursive,
                   std::vector<std::string>& names, bool userDirectory);
    void listLooseIn(const std::string& root, const std::string& directory, const std::string& extension,
                     bool recursive, std::vector<std::string>& names);

    void runCommits();
    bool inSaveSet() const;
    bool saveSetStep(const std::string& step);
    bool closeIntoSaveSet(std::unique_ptr<File> record);
    void dropSaveSetFiles();
    void noteSaveSetFailure(const std::string& name, const std::string& reason);
    std::string userRelative(const std::string& path) const;

    struct SaveSetState {
        int depth = 0;
        std::thread::id owner;
        bool failed = false;
        // A journal that could not be finished stands: nothing is written.
        bool blocked = false;
        std::string error;
        // Targets (real paths) whose synced temporaries wait for the commit.
        std::vector<std::string> targets;
    };
    SaveSetState m_saveSet;
    // Set when a test stopped a save: the run acts as killed from then on.
    bool m_saveSetStopped = false;
    std::string m_recoveryError;
    std::function<bool(const std::string& step)> m_saveSetStepHook;

    mutable std::recursive_mutex m_mutex;
    // The commit worker's queue; never locked while waiting for m_mutex.
    std::mutex m_commitMutex;
    std::condition_variable m_commitWake;
    std::condition_variable m_commitsDone;
    std::deque<std::unique_ptr<File>> m_commits;
    std::vector<std::string> m_committedDirectories;
    bool m_commitBusy = false;
    bool m_stopCommits = false;
    std::thread m_committer;
    std::string m_baseDirectory;
    std::string m_userDirectory;
    std::string m_generatedDirectory;
    // Searched last to first: later packages override earlier ones.
    std::vector<std::unique_ptr<ZipPackage>> m_packages;
    std::vector<std::unique_ptr<File>> m_open;
    std::unordered_map<std::string, Listing> m_listings;
    std::set<std::string> m_shadowLogged; // edited files that shadow shipped ones, logged once
    Statistics m_stats;
};

// Free form used by the screenshot code: the file system's numbered name.
std::string makeNumberedFileName(const std::string& prefix, const std::string& extension);
