#pragma once

#include "engine/core/Singleton.h"
#include "engine/resources/ResourceHandle.h"
#include "engine/resources/ResourceTypeInfo.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

// The resource manager: a table of entries (file name, loaded flag,
// reference count, object) filled by file name, the type chosen by the
// extension, and loaded on the loader thread. Every entry field is read and
// written under the table's lock.
//
// Waits never hang: an empty name makes no entry, a file that cannot be read
// becomes loaded with its type's placeholder (or no object), the loader wakes
// waiters after each entry, and a wait on the loader thread itself, or after
// the loader stopped, loads the entry inline.
class FileSystem;

class ResourceSystem : public Singleton<ResourceSystem> {
public:
    using FileReader = std::function<bool(const std::string& name, std::vector<uint8_t>& out)>;
    using FileWriter = std::function<bool(const std::string& name, const std::string& contents)>;

    // The graphics system's context lock. A thread about to wait gives up all
    // levels it holds (releaseAll returns how many; 0 when it is not the
    // owner) and takes the same number back afterwards.
    struct ContextLockHooks {
        std::function<int()> releaseAll;
        std::function<void(int levels)> reacquire;
    };

    struct Statistics {
        size_t entries = 0;
        size_t loaded = 0;
        size_t queued = 0;
        size_t loading = 0; // taken off the queue, not yet settled
        uint64_t loads = 0;
        uint64_t failures = 0;
        uint64_t reloads = 0;
        uint64_t bytesRead = 0;
        uint64_t imageBytes = 0; // kept file images of loaded entries
        double loadMs = 0.0;
    };

    ResourceSystem();
    ~ResourceSystem();

    // get() is the singleton; get(handle) the resource object.
    using Singleton<ResourceSystem>::get;

    void registerType(ResourceTypeInfo info);
    bool hasType(std::string_view extension) const;

    // Files are read from this directory unless a reader is installed.
    void setBaseDirectory(const std::string& dir);
    void setFileReader(FileReader reader);
    // Reads every resource through the file system (its mounts and packages):
    // the given one, or the current one at the time of each read.
    void readThroughFileSystem(FileSystem* files = nullptr);
    void setFileWriter(FileWriter writer);
    bool readFile(const std::string& name, std::vector<uint8_t>& out) const;
    bool writeFile(const std::string& name, const std::string& contents) const;
    void setContextLockHooks(ContextLockHooks hooks);

    void startLoader();
    void stopLoader();
    bool isLoaderRunning() const;
    bool isLoaderThread() const;

    // Load flag: the object keeps the file image (whatever its type says); a
    // factory that keeps an image of its own is not overwritten.
    static constexpr int kKeepImage = 8;

    // A counted handle for the file, queued for loading when new; -1 for an
    // empty name.
    ResourceHandle load(const std::string& fileName, int flags = 0);
    // load() for a name whose extension has a registered type; an empty
    // handle otherwise, without a log line (a headless run registers no
    // image or sound types, and its mirrors still name such files).
    ResourceHandle loadIfTyped(const std::string& fileName);
    bool load(const std::string& fileName, ResourceHandle& out, int flags = 0);
    // The entry index of a name, created (not loaded, not counted) when new.
    // The flags matter only for types that key their entries by them.
    int findOrCreateIndex(const std::string& fileName, int flags = 0);
    int findEntry(const std::string& fileName, int flags = 0) const;

    // The object behind an entry, waiting while it loads; null for -1.
    Resource* get(int index);
    Resource* get(const ResourceHandle& handle) { return get(handle.getIndex()); }
    template <class T> T* getAs(const ResourceHandle& handle) { return dynamic_cast<T*>(get(handle)); }

    void addRef(int index);
    void release(int index);
    int getRefCount(int index) const;
    std::string getFileName(int index) const;
    bool isLoaded(int index) const;
    // The object of a loaded entry without waiting; null otherwise.
    Resource* peek(int index) const;

    // Deletes and queues again every loaded resource of the extension whose
    // sub-type matches the filter (any with -1). Forced also catches an entry
    // that is being built: it is built again once that build ends. Returns
    // how many.
    int reloadExtension(std::string_view extension, int subTypeFilter = -1, bool forced = false);
    void waitForQueueEmpty();

    int getEntryCount() const;
    bool entryHasExtension(int index, std::string_view extension) const;
    Resource* waitForEntry(int index) { return get(index); }

    std::mutex& getLock() { return m_mutex; }
    Statistics getStatistics() const;
    void logStatistics() const;
    // Prints every loaded entry on one line (index, references, describe())
    // and the loaded count per extension. Main thread.
    void listResources() const;
    // The console command `listResources`.
    void registerCommands();

    // A fatal error reached on the loader thread: the text is kept for the
    // main thread and the loader thread ends (this throws back to its loop).
    [[noreturn]] void raiseLoaderFatal(const std::string& text);
    // Takes the pending fatal text, if any (main thread, each frame).
    bool takeFatalError(std::string& text);

    static std::string normalizeName(std::string_view name);
    static std::string extensionOf(std::string_view name);

private:
    enum class State { Idle, Queued, Loading, Loaded };
    struct Entry {
        std::string fileName;
        std::string key;
        std::string extension;
        State state = State::Idle;
        int refCount = 0;
        int flags = 0;
        std::thread::id loadingThread; // while Loading
        std::unique_ptr<Resource> object;
        int waitingOn = -1;         // the entry it was put back behind
        bool reloadPending = false; // built again after the current build
        int reloadFilter = -1;
    };
    struct LoaderAbort {};

    int findEntryLocked(const std::string& key) const;
    int createEntryLocked(const std::string& fileName, const std::string& key);
    const ResourceTypeInfo* findTypeLocked(const std::string& extension) const;
    std::string makeKeyLocked(const std::string& fileName, int flags) const;
    void queueLocked(int index);
    // Builds a queued entry. On the loader's own round (mayDefer) an entry
    // whose dependency is queued or loading goes back into the queue behind
    // it; elsewhere the dependency is built first. False when deferred.
    bool loadQueuedLocked(std::unique_lock<std::mutex>& lock, int index, bool mayDefer = false);
    // Whether the entry may be built now (see loadQueuedLocked).
    bool dependencyReadyLocked(std::unique_lock<std::mutex>& lock, int index, bool mayDefer);
    bool findTypeLocked(const std::string& extension, ResourceTypeInfo& out) const;
    std::unique_ptr<Resource> buildFromFile(const ResourceTypeInfo& type, const std::string& fileName,
                                            int flags, std::vector<uint8_t>& data, uint64_t& bytes);
    std::unique_ptr<Resource> buildObject(const Entry& snapshot, bool& failed, uint64_t& bytes);
    void waitUntilSettled(std::unique_lock<std::mutex>& lock, int index);
    int releaseContext() const;
    void reacquireContext(int levels) const;
    void loaderMain();

    mutable std::mutex m_mutex;
    std::condition_variable m_workCv;
    std::condition_variable m_doneCv;
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::unordered_map<std::string, int> m_byKey; // normalised name -> index
    std::deque<int> m_queue;
    std::vector<ResourceTypeInfo> m_types;
    std::string m_baseDir = ".";
    FileReader m_reader;
    FileWriter m_writer;
    ContextLockHooks m_contextHooks;

    std::thread m_loader;
    std::atomic<std::thread::id> m_loaderId{};
    bool m_loaderRunning = false;
    bool m_stopRequested = false;
    bool m_fatalPending = false;
    std::string m_fatalText;

    Statistics m_stats;
};
