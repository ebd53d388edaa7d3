#include "engine/files/FileSystem.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/AtomicWrite.h"
#include "engine/files/PathUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kPackageNames[] = {"assets001.zip", "assets002.zip"};

// "/" separators, no leading "./", no trailing "/".
std::string cleanRelative(std::string_view name)
{
    std::string path = normalizeSlashes(name);
    while (path.starts_with("./")) {
        path.erase(0, 2);
    }
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::vector<std::string> splitPath(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) {
            slash = path.size();
        }
        parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

std::string cleanExtension(std::string_view extension)
{
    if (extension.starts_with("*")) {
        extension.remove_prefix(1);
    }
    if (extension.starts_with(".")) {
        extension.remove_prefix(1);
    }
    return std::string(extension);
}

bool matchesExtension(std::string_view name, const std::string& extension)
{
    return extension.empty() || hasExtension(name, extension);
}

bool isDirectory(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folders the editors write into the user directory: read from there
// before the game data, so a level or model built next sees the edit.
bool isEditedFolder(std::string_view relative)
{
    auto under = [relative](std::string_view folder) {
        return relative.size() > folder.size() && relative[folder.size()] == '/' &&
               equalsNoCase(relative.substr(0, folder.size()), folder);
    };
    return under("Levels") || under("Models") || equalsNoCase(relative, "Levels") ||
           equalsNoCase(relative, "Models");
}

bool isRegularFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Appends what is left of the stream; false on a read error.
bool readRest(std::FILE* handle, std::vector<uint8_t>& out)
{
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), handle)) > 0) {
        out.insert(out.end(), buffer, buffer + n);
    }
    return std::ferror(handle) == 0;
}

void sortNoCase(std::vector<std::string>::iterator begin, std::vector<std::string>::iterator end)
{
    std::sort(begin, end, [](const std::string& a, const std::string& b) {
        int c = compareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
}

// Moves the names to the end of `out`, each once whatever its case (the first
// one met wins), and sorts what was added.
void appendUniqueSorted(std::vector<std::string>& names, std::vector<std::string>& out)
{
    std::set<std::string> seen;
    size_t first = out.size();
    for (std::string& name : names) {
        if (seen.insert(toLowerCopy(name)).second) {
            out.push_back(std::move(name));
        }
    }
    sortNoCase(out.begin() + static_cast<long>(first), out.end());
}

} // namespace

FileSystem::FileSystem(const std::string& baseDirectory, const std::string& userDirectory, bool mount)
    : m_baseDirectory(cleanRelative(baseDirectory.empty() ? "." : baseDirectory)),
      m_userDirectory(cleanRelative(userDirectory.empty() ? "." : userDirectory))
{
    if (m_baseDirectory.empty()) {
        m_baseDirectory = baseDirectory.starts_with("/") ? "/" : ".";
    }
    if (m_userDirectory.empty()) {
        m_userDirectory = userDirectory.starts_with("/") ? "/" : ".";
    }
    if (mount) {
        mountPackages();
    }
}

void FileSystem::mountPackages()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_packages.clear();
    for (const char* packageName : kPackageNames) {
        auto real = resolve(m_baseDirectory, packageName);
        if (!real || !isRegularFile(*real)) {
            // Normal for an install of loose files.
            debugPrint(1, "Package %s/%s not found\n", m_baseDirectory.c_str(), packageName);
            continue;
        }
        auto package = std::make_unique<ZipPackage>();
        if (package->open(*real)) {
            m_packages.push_back(std::move(package));
        }
    }
}

void FileSystem::mountGeneratedDirectory(const std::string& directory)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_generatedDirectory = directory.empty() ? std::string() : cleanRelative(directory);
    if (m_generatedDirectory.empty() && directory.starts_with("/")) {
        m_generatedDirectory = "/";
    }
}

FileSystem::~FileSystem()
{
    {
        std::lock_guard<std::mutex> commits(m_commitMutex);
        m_stopCommits = true;
    }
    m_commitWake.notify_all();
    if (m_committer.joinable()) {
        m_committer.join();
    }
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_saveSet.depth > 0) {
        debugPrint(2, "A save was never committed; the previous save stays\n");
        dropSaveSetFiles();
    }
    for (auto& file : m_open) {
        if (file->handle != nullptr) {
            std::fclose(file->handle);
        }
        if (file->writing && !m_saveSetStopped) {
            debugPrint(2, "%s was never closed; the old file stays\n", file->name.c_str());
            std::remove(file->tempPath.c_str());
        }
    }
    m_open.clear();
}

bool FileSystem::isValidUserName(std::string_view name)
{
    if (name.empty() || name.size() > static_cast<size_t>(kMaxUserNameLength)) {
        return false;
    }
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                  c == '-' || c == '\'';
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool FileSystem::isSafeRelativePath(std::string_view path)
{
    if (path.empty() || path.front() == '/' || path.front() == '\\') {
        return false;
    }
    for (const std::string& part : splitPath(normalizeSlashes(path))) {
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        for (char c : part) {
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
        }
    }
    return true;
}

std::string FileSystem::addDirectoryPrefix(const std::string& directory, const std::string& path)
{
    std::string result = normalizeSlashes(path);
    std::string prefix = normalizeSlashes(directory) + "/";
    if (result.size() >= prefix.size() &&
        equalsNoCase(std::string_view(result).substr(0, prefix.size()), prefix)) {
        return result;
    }
    return prefix + result;
}

// Lower-cased names of a directory, re-read when the directory changed. A
// miss in a listing taken within a second of the directory's last change is
// checked again, since time stamps may be too coarse to show the change.
std::optional<std::string> FileSystem::lookupName(const std::string& directory, const std::string& lowerName)
{
    struct stat st;
    if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        m_listings.erase(directory);
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto it = m_listings.find(directory);
        if (it == m_listings.end() || !sameTime(it->second.modified, st.st_mtim) || attempt == 1) {
            Listing listing;
            listing.modified = st.st_mtim;
            clock_gettime(CLOCK_REALTIME, &listing.listedAt);
            std::error_code ec;
            for (fs::directory_iterator dir(directory, fs::directory_options::skip_permission_denied, ec),
                 end;
                 !ec && dir != end; dir.increment(ec)) {
                std::string real = dir->path().filename().string();
                listing.names.emplace(toLowerCopy(real), real);
            }
            it = m_listings.insert_or_assign(directory, std::move(listing)).first;
        }
        auto found = it->second.names.find(lowerName);
        if (found != it->second.names.end()) {
            return found->second;
        }
        if (it->second.listedAt.tv_sec > it->second.modified.tv_sec + 1) {
            break;
        }
    }
    return std::nullopt;
}

void FileSystem::forgetListing(const std::string& directory)
{
    m_listings.erase(directory);
}

std::optional<std::string> FileSystem::resolve(const std::string& root, const std::string& relative)
{
    std::string clean = cleanRelative(relative);
    if (clean.empty()) {
        return root;
    }
    std::string exact = root + "/" + clean;
    struct stat st;
    if (::stat(exact.c_str(), &st) == 0) {
        return exact;
    }
    std::string current = root;
    for (const std::string& part : splitPath(clean)) {
        std::string candidate = current + "/" + part;
        if (::stat(candidate.c_str(), &st) == 0) {
            current = std::move(candidate);
            continue;
        }
        auto real = lookupName(current, toLowerCopy(part));
        if (!real) {
            return std::nullopt;
        }
        current += "/" + *real;
    }
    return current;
}

std::optional<std::string> FileSystem::resolveParent(const std::string& root, const std::string& relative,
                                                     bool create)
{
    if (!isDirectory(root)) {
        std::error_code ec;
        fs::create_directories(root, ec);
        if (ec) {
            debugPrint(3, "Cannot create the directory %s: %s\n", root.c_str(), ec.message().c_str());
            return std::nullopt;
        }
    }
    std::vector<std::string> parts = splitPath(cleanRelative(relative));
    std::string current = root;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        std::string candidate = current + "/" + parts[i];
        if (isDirectory(candidate)) {
            current = std::move(candidate);
            continue;
        }
        // Reuse an existing directory whose name differs only in case.
        auto real = lookupName(current, toLowerCopy(parts[i]));
        if (real && isDirectory(current + "/" + *real)) {
            current += "/" + *real;
            continue;
        }
        if (!create) {
            return std::nullopt;
        }
        if (::mkdir(candidate.c_str(), 0755) != 0 && errno != EEXIST) {
            debugPrint(3, "Cannot create the directory %s: %s\n", candidate.c_str(), std::strerror(errno));
            return std::nullopt;
        }
        forgetListing(current);
        current = std::move(candidate);
    }
    std::string target = current + "/" + parts.back();
    if (!isRegularFile(target)) {
        auto real = lookupName(current, toLowerCopy(parts.back()));
        if (real && isRegularFile(current + "/" + *real)) {
            target = current + "/" + *real;
        }
    }
    return target;
}

std::optional<FileSystem::Found> FileSystem::locate(const std::string& name, bool userDirectory, bool edited)
{
    if (userDirectory) {
        finishWrites();
    }
    std::string clean = cleanRelative(name);
    if (!isSafeRelativePath(clean)) {
        if (!clean.empty()) {
            debugPrint(3, "Refused file name %s (leaves its directory)\n", name.c_str());
        }
        return std::nullopt;
    }
    Found found;
    if (!userDirectory && edited && isEditedFolder(clean)) {
        auto edited = resolve(m_userDirectory, clean);
        if (edited && isRegularFile(*edited)) {
            found.realPath = *edited;
            if (m_shadowLogged.insert(toLowerCopy(clean)).second && locate(clean, false, false)) {
                debugPrint(1, "%s: the edited file in the user directory is read before the shipped one\n",
                           clean.c_str());
            }
            return found;
        }
    }
    auto real = resolve(userDirectory ? m_userDirectory : m_baseDirectory, clean);
    if (real && isRegularFile(*real)) {
        found.realPath = *real;
        return found;
    }
    if (userDirectory) {
        return std::nullopt;
    }
    if (!m_generatedDirectory.empty()) {
        real = resolve(m_generatedDirectory, clean);
        if (real && isRegularFile(*real)) {
            found.realPath = *real;
            return found;
        }
    }
    for (auto it = m_packages.rbegin(); it != m_packages.rend(); ++it) {
        if (const ZipPackage::Member* member = (*it)->find(clean)) {
            found.package = it->get();
            found.member = member;
            return found;
        }
    }
    return std::nullopt;
}

bool FileSystem::readFound(const Found& found, std::vector<uint8_t>& out)
{
    out.clear();
    if (found.package != nullptr) {
        if (!found.package->read(*found.member, out)) {
            ++m_stats.failedMembers;
            return false;
        }
        ++m_stats.membersRead;
        m_stats.bytesRead += out.size();
        return true;
    }
    std::FILE* handle = std::fopen(found.realPath.c_str(), "rb");
    if (handle == nullptr) {
        return false;
    }
    bool ok = readRest(handle, out);
    std::fclose(handle);
    m_stats.bytesRead += out.size();
    return ok;
}

File* FileSystem::open(const std::string& name, bool write, bool textMode, bool userDirectory,
                       bool createDirectories)
{
    // A file still being committed shares its temporary file with this one.
    if (write) {
        finishWrites();
    }
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::string clean = cleanRelative(name);
    if (!isSafeRelativePath(clean)) {
        debugPrint(3, "Refused file name %s (leaves its directory)\n", name.c_str());
        return nullptr;
    }
    auto file = std::make_unique<File>();
    file->name = name;
    file->writing = write;
    file->textMode = textMode;
    if (write) {
        if (m_saveSetStopped) {
            debugPrint(1, "%s: not written, a test stopped the run's saves\n", name.c_str());
            return nullptr;
        }
        // Its temporary could be renamed by the journal still standing.
        if (inSaveSet() && m_saveSet.blocked) {
            return nullptr;
        }
        auto target = resolveParent(m_userDirectory, clean, createDirectories);
        if (!target) {
            noteSaveSetFailure(name, "its folder cannot be made");
            return nullptr;
        }
        file->path = *target;
        file->tempPath = *target + ".tmp";
        file->handle = std::fopen(file->tempPath.c_str(), "wb");
        if (file->handle == nullptr) {
            const std::string reason = std::strerror(errno);
            debugPrint(3, "Cannot write %s: %s\n", file->path.c_str(), reason.c_str());
            noteSaveSetFailure(name, reason);
            return nullptr;
        }
    } else {
        auto found = locate(clean, userDirectory);
        if (!found) {
            return nullptr;
        }
        if (found->package != nullptr) {
            if (!readFound(*found, file->memberData)) {
                return nullptr;
            }
            file->fromPackage = true;
            file->path = found->member->name;
        } else {
            file->path = found->realPath;
            file->handle = std::fopen(file->path.c_str(), "rb");
            if (file->handle == nullptr) {
                return nullptr;
            }
        }
    }
    ++m_stats.filesOpened;
    m_open.push_back(std::move(file));
    return m_open.back().get();
}

bool FileSystem::close(File* file)
{
    if (file == nullptr) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    auto it = std::find_if(m_open.begin(), m_open.end(), [file](const auto& f) { return f.get() == file; });
    if (it == m_open.end()) {
        debugPrint(3, "Close of a file that is not open\n");
        return false;
    }
    std::unique_ptr<File> record = std::move(*it);
    m_open.erase(it);
    if (!record->writing) {
        if (record->handle != nullptr) {
            std::fclose(record->handle);
        }
        return true;
    }
    if (inSaveSet()) {
        return closeIntoSaveSet(std::move(record));
    }
    bool ok = commitAtomicWrite(record->handle, record->tempPath, record->path, !record->failed);
    forgetListing(getPathDirectory(record->path));
    return ok;
}

bool FileSystem::closeInBackground(File* file)
{
    std::unique_ptr<File> record;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        auto it =
            std::find_if(m_open.begin(), m_open.end(), [file](const auto& f) { return f.get() == file; });
        if (it == m_open.end() || !(*it)->writing || (*it)->failed || inSaveSet()) {
            // Nothing to commit: a plain close, which logs what went wrong.
            // A file of a save set waits for the set's commit.
            return close(file);
        }
        record = std::move(*it);
        m_open.erase(it);
        // A listing taken before the rename must not outlive it.
        forgetListing(getPathDirectory(record->path));
    }
    {
        std::lock_guard<std::mutex> commits(m_commitMutex);
        if (!m_committer.joinable()) {
            m_committer = std::thread(&FileSystem::runCommits, this);
        }
        m_commits.push_back(std::move(record));
    }
    m_commitWake.notify_one();
    return true;
}

void FileSystem::runCommits()
{
    std::unique_lock<std::mutex> commits(m_commitMutex);
    for (;;) {
        m_commitWake.wait(commits, [this] { return m_stopCommits || !m_commits.empty(); });
        if (m_commits.empty()) {
            return;
        }
        std::unique_ptr<File> record = std::move(m_commits.front());
        m_commits.pop_front();
        m_commitBusy = true;
        commits.unlock();
        commitAtomicWrite(record->handle, record->tempPath, record->path, true);
        record->handle = nullptr;
        commits.lock();
        m_committedDirectories.push_back(getPathDirectory(record->path));
        m_commitBusy = false;
        m_commitsDone.notify_all();
    }
}

void FileSystem::finishWrites()
{
    std::vector<std::string> directories;
    {
        std::unique_lock<std::mutex> commits(m_commitMutex);
        m_commitsDone.wait(commits, [this] { return m_commits.empty() && !m_commitBusy; });
        directories.swap(m_committedDirectories);
    }
    if (!directories.empty()) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        for (const std::string& directory : directories) {
            forgetListing(directory);
        }
    }
}

bool FileSystem::readAll(File* file, std::vector<uint8_t>& out)
{
    out.clear();
    if (file == nullptr || file->writing) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (file->fromPackage) {
        out = file->memberData;
        return true;
    }
    if (file->handle == nullptr || std::fseek(file->handle, 0, SEEK_SET) != 0) {
        return false;
    }
    bool ok = readRest(file->handle, out);
    m_stats.bytesRead += out.size();
    return ok;
}

bool FileSystem::write(File* file, const void* data, size_t size)
{
    if (file == nullptr || !file->writing || file->handle == nullptr) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (size > 0 && std::fwrite(data, 1, size, file->handle) != size) {
        file->failed = true;
        const std::string reason = std::strerror(errno);
        debugPrint(3, "Writing %s failed: %s\n", file->path.c_str(), reason.c_str());
        noteSaveSetFailure(file->name, reason);
        return false;
    }
    m_stats.bytesWritten += size;
    return true;
}

std::optional<std::vector<uint8_t>> FileSystem::readFile(const std::string& name, bool userDirectory)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    auto found = locate(name, userDirectory);
    if (!found) {
        return std::nullopt;
    }
    std::vector<uint8_t> data;
    if (!readFound(*found, data) || data.empty()) {
        return std::nullopt;
    }
    ++m_stats.filesOpened;
    return data;
}

bool FileSystem::fileExists(const std::string& name, bool userDirectory)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::string clean = cleanRelative(name);
    return isSafeRelativePath(clean) && locate(clean, userDirectory).has_value();
}

void FileSystem::deleteUserFile(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    auto found = locate(name, true);
    if (found) {
        std::remove(found->realPath.c_str());
        forgetListing(getPathDirectory(found->realPath));
    }
}

bool FileSystem::renameUserFile(const std::string& from, const std::string& to, std::string& error)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::string target = cleanRelative(to);
    if (!isSafeRelativePath(target)) {
        error = "the new name leaves its directory";
        return false;
    }
    auto found = locate(from, true);
    if (!found) {
        error = std::strerror(ENOENT);
        return false;
    }
    auto real = resolveParent(m_userDirectory, target, true);
    if (!real) {
        error = "its directory cannot be made";
        return false;
    }
    if (::rename(found->realPath.c_str(), real->c_str()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    forgetListing(getPathDirectory(found->realPath));
    forgetListing(getPathDirectory(*real));
    syncDirectory(getPathDirectory(*real));
    return true;
}

void FileSystem::listLoose(const std::string& directory, const std::string& extension, bool recursive,
                           std::vector<std::string>& names, bool userDirectory)
{
    if (userDirectory) {
        finishWrites();
    }
    if (userDirectory) {
        listLooseIn(m_userDirectory, directory, extension, recursive, names);
        return;
    }
    if (isEditedFolder(directory)) {
        listLooseIn(m_userDirectory, directory, extension, recursive, names);
    }
    listLooseIn(m_baseDirectory, directory, extension, recursive, names);
    if (!m_generatedDirectory.empty()) {
        listLooseIn(m_generatedDirectory, directory, extension, recursive, names);
    }
}

void FileSystem::listLooseIn(const std::string& rootDirectory, const std::string& directory,
                             const std::string& extension, bool recursive, std::vector<std::string>& names)
{
    auto real = resolve(rootDirectory, directory);
    if (!real || !isDirectory(*real)) {
        return;
    }
    fs::path root(*real);
    std::error_code ec;
    auto add = [&](const fs::directory_entry& entry) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) {
            return;
        }
        std::string relative = entry.path().lexically_relative(root).generic_string();
        if (matchesExtension(relative, extension)) {
            names.push_back(relative);
        }
    };
    if (recursive) {
        for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec)) {
            add(*it);
        }
    } else {
        for (fs::directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            add(*it);
        }
    }
}

void FileSystem::listFiles(std::vector<std::string>& out, const std::string& directory,
                           const std::string& extension, bool userDirectory, bool recursive)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::string dir = cleanRelative(directory);
    if (!dir.empty() && !isSafeRelativePath(dir)) {
        return;
    }
    std::string ext = cleanExtension(extension);
    std::vector<std::string> names;
    listLoose(dir, ext, recursive, names, userDirectory);
    if (!userDirectory) {
        std::string prefix = dir.empty() ? std::string() : ZipPackage::makeKey(dir) + "/";
        for (auto it = m_packages.rbegin(); it != m_packages.rend(); ++it) {
            for (const ZipPackage::Member& member : (*it)->getMembers()) {
                std::string key = ZipPackage::makeKey(member.name);
                if (!key.starts_with(prefix)) {
                    continue;
                }
                std::string relative = member.name.substr(prefix.size());
                if (!recursive && relative.find('/') != std::string::npos) {
                    continue;
                }
                if (matchesExtension(relative, ext)) {
                    names.push_back(relative);
                }
            }
        }
    }
    appendUniqueSorted(names, out);
}

void FileSystem::listDirectories(const std::string& directory, std::vector<std::string>& out,
                                 bool userDirectory)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::string dir = cleanRelative(directory);
    if (!dir.empty() && !isSafeRelativePath(dir)) {
        return;
    }
    std::vector<std::string> names;
    std::vector<std::string> roots{userDirectory ? m_userDirectory : m_baseDirectory};
    if (!userDirectory && !m_generatedDirectory.empty()) {
        roots.push_back(m_generatedDirectory);
    }
    for (const std::string& root : roots) {
        auto real = resolve(root, dir);
        if (!real || !isDirectory(*real)) {
            continue;
        }
        std::error_code ec;
        for (fs::directory_iterator it(*real, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->is_directory(typeError)) {
                names.push_back(it->path().filename().string());
            }
        }
    }
    if (!userDirectory) {
        std::string prefix = dir.empty() ? std::string() : ZipPackage::makeKey(dir) + "/";
        for (auto it = m_packages.rbegin(); it != m_packages.rend(); ++it) {
            for (const auto& [key, name] : (*it)->getDirectories()) {
                if (key.starts_with(prefix) && key.size() > prefix.size() &&
                    key.find('/', prefix.size()) == std::string::npos) {
                    names.push_back(name.substr(prefix.size()));
                }
            }
        }
    }
    appendUniqueSorted(names, out);
}

bool FileSystem::modifiedTime(const std::string& name, bool userDirectory, int out[6])
{
    auto found = locate(name, userDirectory);
    if (!found) {
        return false;
    }
    if (found->package != nullptr) {
        ZipPackage::splitDosDate(found->member->dosDate, out);
        return true;
    }
    struct stat st;
    if (::stat(found->realPath.c_str(), &st) != 0) {
        return false;
    }
    struct tm local {};
    localtime_r(&st.st_mtime, &local);
    out[0] = local.tm_year + 1900;
    out[1] = local.tm_mon + 1;
    out[2] = local.tm_mday;
    out[3] = local.tm_hour;
    out[4] = local.tm_min;
    out[5] = local.tm_sec;
    return true;
}

bool FileSystem::isNewer(const std::string& a, const std::string& b)
{
    return isNewer(a, false, b, false);
}

bool FileSystem::isNewer(const std::string& a, bool aInUserDirectory, const std::string& b,
                         bool bInUserDirectory)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    int timeA[6];
    int timeB[6];
    if (!modifiedTime(a, aInUserDirectory, timeA)) {
        return false;
    }
    if (!modifiedTime(b, bInUserDirectory, timeB)) {
        return true;
    }
    return std::lexicographical_compare(timeB, timeB + 6, timeA, timeA + 6);
}

std::string FileSystem::makeNumberedFileName(const std::string& prefix, const std::string& extension)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::string clean = cleanRelative(prefix);
    std::string probe = clean + "0000." + extension;
    if (!isSafeRelativePath(probe)) {
        debugPrint(3, "Refused file name %s (leaves its directory)\n", probe.c_str());
        return std::string();
    }
    // Creates the directory first, so that an unreadable or missing one is
    // not mistaken for one with every number free.
    auto target = resolveParent(m_userDirectory, probe, true);
    if (!target) {
        debugPrint(3, "Cannot create the directory for %s\n", probe.c_str());
        return std::string();
    }
    std::string directory = getPathDirectory(*target);
    std::string base = clean;
    stripDirectory(base);
    std::set<std::string> taken;
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec) {
        debugPrint(3, "Cannot read the directory %s: %s\n", directory.c_str(), ec.message().c_str());
        return std::string();
    }
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        taken.insert(toLowerCopy(it->path().filename().string()));
    }
    for (int number = 0; number <= 9999; ++number) {
        std::string name = formatString("%s%04d.%s", base.c_str(), number, extension.c_str());
        struct stat st;
        if (taken.count(toLowerCopy(name)) == 0 && ::stat((directory + "/" + name).c_str(), &st) != 0) {
            return formatString("%s%04d.%s", clean.c_str(), number, extension.c_str());
        }
    }
    debugPrint(3, "No free file name left for %s####.%s\n", clean.c_str(), extension.c_str());
    return std::string();
}

FileSystem::Statistics FileSystem::getStatistics() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_stats;
}

size_t FileSystem::getPackageCount() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_packages.size();
}

void FileSystem::logStatistics()
{
    Statistics stats = getStatistics();
    debugPrintRaw("FileSystem: %llu files opened, %llu package members read (%llu damaged)\n",
                  static_cast<unsigned long long>(stats.filesOpened),
                  static_cast<unsigned long long>(stats.membersRead),
                  static_cast<unsigned long long>(stats.failedMembers));
    debugPrintRaw("Bytes read: %llu\n", static_cast<unsigned long long>(stats.bytesRead));
    debugPrintRaw("Bytes written: %llu\n", static_cast<unsigned long long>(stats.bytesWritten));
}

std::string makeNumberedFileName(const std::string& prefix, const std::string& extension)
{
    FileSystem* fileSystem = FileSystem::instance();
    if (fileSystem == nullptr) {
        debugPrint(3, "makeNumberedFileName: no file system\n");
        return std::string();
    }
    return fileSystem->makeNumberedFileName(prefix, extension);
}
