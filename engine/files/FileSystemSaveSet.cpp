#include "engine/files/AtomicWrite.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

// A save writes several files (the covenant's stash, the character, its
// history and map, the statistics, the world). Each alone is replaced
// whole, but the game reads them as one: a stash item and a bag item are
// the same sword. So a save set replaces all of them or none, through a
// journal that lands by one rename.

namespace fs = std::filesystem;

namespace {

constexpr const char* kJournalHead = "Gloamreach save journal 1";
constexpr const char* kTempSuffix = ".tmp";
// A journal names at most this many files of at most this length.
constexpr size_t kMaxJournalFiles = 64;
constexpr size_t kMaxJournalLine = 1024;

bool isFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The targets of a whole journal, relative to the user directory; nothing
// when the journal is cut, damaged or names a file outside the folder.
std::optional<std::vector<std::string>> readJournal(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() <= kMaxJournalFiles + 2 && std::getline(in, line)) {
        if (line.size() > kMaxJournalLine) {
            return std::nullopt;
        }
        lines.push_back(line);
    }
    if (lines.size() < 2 || lines.size() > kMaxJournalFiles + 2 || lines.front() != kJournalHead ||
        lines.back() != "end " + std::to_string(lines.size() - 2)) {
        return std::nullopt;
    }
    std::vector<std::string> targets(lines.begin() + 1, lines.end() - 1);
    for (const std::string& target : targets) {
        if (!FileSystem::isSafeRelativePath(target)) {
            return std::nullopt;
        }
    }
    return targets;
}

} // namespace

bool FileSystem::inSaveSet() const
{
    return m_saveSet.depth > 0 && m_saveSet.owner == std::this_thread::get_id();
}

bool FileSystem::saveSetStep(const std::string& step)
{
    if (m_saveSetStopped) {
        return false;
    }
    if (m_saveSetStepHook && !m_saveSetStepHook(step)) {
        m_saveSetStopped = true;
        return false;
    }
    return true;
}

void FileSystem::setSaveSetStepHook(std::function<bool(const std::string& step)> hook)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_saveSetStepHook = std::move(hook);
}

std::string FileSystem::userRelative(const std::string& path) const
{
    const std::string prefix = m_userDirectory + "/";
    return path.starts_with(prefix) ? path.substr(prefix.size()) : path;
}

void FileSystem::noteSaveSetFailure(const std::string& name, const std::string& reason)
{
    if (!inSaveSet() || m_saveSet.failed) {
        return;
    }
    m_saveSet.failed = true;
    m_saveSet.error = reason.empty() ? name : name + ": " + reason;
}

void FileSystem::failSaveSet(const std::string& name, const std::string& reason)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    noteSaveSetFailure(name, reason);
}

void FileSystem::beginSaveSet()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_saveSet.depth > 0) {
        if (m_saveSet.owner == std::this_thread::get_id()) {
            ++m_saveSet.depth;
        } else {
            debugPrint(3, "A save began while another thread's save was open; it is made file by file\n");
        }
        return;
    }
    // A journal left by a commit that could not finish is finished first:
    // this save's temporaries share its names. One that cannot be finished
    // stands for the last save, so this one writes nothing.
    finishWrites();
    bool blocked = false;
    if (!m_saveSetStopped && isFile(m_userDirectory + "/" + kJournal)) {
        blocked = !recoverSaveSet();
    }
    m_saveSet = SaveSetState{};
    m_saveSet.depth = 1;
    m_saveSet.owner = std::this_thread::get_id();
    if (blocked) {
        m_saveSet.blocked = true;
        noteSaveSetFailure(kJournal, "an interrupted save could not be finished (" + m_recoveryError + ")");
    }
}

bool FileSystem::closeIntoSaveSet(std::unique_ptr<File> record)
{
    bool ok = !record->failed && !m_saveSetStopped;
    int error = 0;
    if (ok && (std::fflush(record->handle) != 0 || ::fsync(::fileno(record->handle)) != 0)) {
        ok = false;
        error = errno;
    }
    if (std::fclose(record->handle) != 0 && ok) {
        ok = false;
        error = errno;
    }
    record->handle = nullptr;
    if (m_saveSetStopped) {
        // The program is taken as killed: what it left stays as it is.
        return false;
    }
    if (!ok) {
        const std::string reason = error != 0 ? std::strerror(error) : std::string("a write failed");
        debugPrint(3, "Cannot write %s: %s; the previous save is kept\n", record->path.c_str(),
                   reason.c_str());
        std::remove(record->tempPath.c_str());
        noteSaveSetFailure(record->name, reason);
        return false;
    }
    if (std::find(m_saveSet.targets.begin(), m_saveSet.targets.end(), record->path) ==
        m_saveSet.targets.end()) {
        m_saveSet.targets.push_back(record->path);
    }
    saveSetStep("written " + userRelative(record->path));
    return true;
}

void FileSystem::dropSaveSetFiles()
{
    if (!m_saveSetStopped) {
        for (const std::string& target : m_saveSet.targets) {
            std::remove((target + kTempSuffix).c_str());
            forgetListing(getPathDirectory(target));
        }
    }
    m_saveSet = SaveSetState{};
}

void FileSystem::abandonSaveSet()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!inSaveSet()) {
        return;
    }
    if (--m_saveSet.depth == 0) {
        dropSaveSetFiles();
    }
}

bool FileSystem::commitSaveSet()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!inSaveSet()) {
        return false;
    }
    if (--m_saveSet.depth > 0) {
        return !m_saveSet.failed;
    }
    if (m_saveSetStopped) {
        m_saveSet = SaveSetState{};
        return false;
    }
    if (m_saveSet.failed) {
        debugPrint(3, "The save was not made (%s); the previous save stays whole\n", m_saveSet.error.c_str());
        const std::string error = m_saveSet.error;
        dropSaveSetFiles();
        m_saveSet.error = error;
        return false;
    }
    std::vector<std::string> targets = std::move(m_saveSet.targets);
    m_saveSet = SaveSetState{};
    if (targets.empty()) {
        return true;
    }
    // The temporaries' names reach the disk before the journal that renames
    // them: a journal that lands never names a temporary the disk lost.
    {
        std::set<std::string> folders;
        for (const std::string& target : targets) {
            folders.insert(getPathDirectory(target));
        }
        for (const std::string& folder : folders) {
            syncDirectory(folder);
        }
    }
    auto fail = [&](const std::string& what, int error) {
        m_saveSet.error = what + ": " + std::strerror(error);
        debugPrint(3, "The save was not made (%s); the previous save stays whole\n", m_saveSet.error.c_str());
        for (const std::string& target : targets) {
            std::remove((target + kTempSuffix).c_str());
        }
        return false;
    };

    // The journal: every target, then its count; it lands whole or not at all.
    const std::string journal = m_userDirectory + "/" + kJournal;
    const std::string journalTemp = journal + kTempSuffix;
    std::string text = std::string(kJournalHead) + "\n";
    for (const std::string& target : targets) {
        text += userRelative(target) + "\n";
    }
    text += "end " + std::to_string(targets.size()) + "\n";
    std::FILE* handle = std::fopen(journalTemp.c_str(), "wb");
    if (handle == nullptr) {
        return fail(kJournal, errno);
    }
    bool written = std::fwrite(text.data(), 1, text.size(), handle) == text.size() &&
                   std::fflush(handle) == 0 && ::fsync(::fileno(handle)) == 0;
    int error = written ? 0 : errno;
    if (std::fclose(handle) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        std::remove(journalTemp.c_str());
        return fail(kJournal, error);
    }
    if (!saveSetStep("journal written")) {
        return false;
    }
    if (std::rename(journalTemp.c_str(), journal.c_str()) != 0) {
        error = errno;
        std::remove(journalTemp.c_str());
        return fail(kJournal, error);
    }
    syncDirectory(m_userDirectory);
    if (!saveSetStep("journal landed")) {
        return false;
    }

    // From here on the journal stands for the save: what a failure leaves,
    // it finishes at the next save or start.
    std::set<std::string> directories;
    for (const std::string& target : targets) {
        if (std::rename((target + kTempSuffix).c_str(), target.c_str()) != 0) {
            m_saveSet.error = userRelative(target) + ": " + std::strerror(errno);
            debugPrint(3, "Cannot rename %s%s: %s; the save is finished from %s at the next save or start\n",
                       target.c_str(), kTempSuffix, std::strerror(errno), journal.c_str());
            return false;
        }
        directories.insert(getPathDirectory(target));
        forgetListing(getPathDirectory(target));
        if (!saveSetStep("renamed " + userRelative(target))) {
            return false;
        }
    }
    for (const std::string& directory : directories) {
        syncDirectory(directory);
    }
    std::remove(journal.c_str());
    syncDirectory(m_userDirectory);
    forgetListing(m_userDirectory);
    saveSetStep("journal removed");
    return true;
}

bool FileSystem::recoverSaveSet()
{
    finishWrites();
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_saveSetStopped || inSaveSet()) {
        return true;
    }
    m_recoveryError.clear();
    const std::string journal = m_userDirectory + "/" + kJournal;
    // The characters' folder, however its name is spelt (every spelling
    // names it for the file system's lookups).
    std::set<std::string> directories = {m_userDirectory};
    {
        std::error_code ec;
        for (fs::directory_iterator it(m_userDirectory, fs::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec)) {
            if (it->is_directory(ec) && equalsNoCase(it->path().filename().string(), "chars")) {
                directories.insert(it->path().string());
            }
        }
    }
    if (isFile(journal)) {
        std::optional<std::vector<std::string>> targets = readJournal(journal);
        if (!targets) {
            // Only a whole journal is ever renamed into place.
            debugPrint(2, "%s: not a whole save journal; removed, the files stay as they are\n",
                       journal.c_str());
        } else {
            size_t finished = 0;
            for (const std::string& relative : *targets) {
                const std::string target = m_userDirectory + "/" + relative;
                const std::string temp = target + kTempSuffix;
                directories.insert(getPathDirectory(target));
                // A missing temporary was renamed before the run ended.
                if (!isFile(temp)) {
                    continue;
                }
                if (std::rename(temp.c_str(), target.c_str()) != 0) {
                    m_recoveryError = relative + ": " + std::strerror(errno);
                    debugPrint(3, "Cannot finish the interrupted save: %s: %s; %s stays for the next start\n",
                               temp.c_str(), std::strerror(errno), journal.c_str());
                    return false;
                }
                ++finished;
            }
            for (const std::string& directory : directories) {
                syncDirectory(directory);
            }
            debugPrint(2,
                       "The last save was interrupted after all its files were written; it is finished "
                       "(%zu of %zu files renamed)\n",
                       finished, targets->size());
        }
        std::remove(journal.c_str());
        syncDirectory(m_userDirectory);
    }
    // Whatever temporary is left belongs to a save that never landed.
    size_t removed = 0;
    for (const std::string& directory : directories) {
        std::error_code ec;
        for (fs::directory_iterator it(directory, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            const std::string path = it->path().string();
            if (path.ends_with(kTempSuffix) && isFile(path) && std::remove(path.c_str()) == 0) {
                ++removed;
            }
        }
        forgetListing(directory);
    }
    if (removed > 0) {
        debugPrint(2,
                   "An interrupted save left %zu temporary files in %s; they are removed and the "
                   "previous save stays\n",
                   removed, m_userDirectory.c_str());
    }
    return true;
}
