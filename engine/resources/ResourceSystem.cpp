#include "engine/resources/ResourceSystem.h"
#include "engine/files/WholeFile.h"

#include "engine/console/CommandSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/FatalError.h"
#include "engine/core/StringUtil.h"
#include "engine/files/AtomicWrite.h"
#include "engine/files/FileSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <new>

ResourceSystem::ResourceSystem() = default;

ResourceSystem::~ResourceSystem()
{
    stopLoader();
    // Objects may hold handles of other entries: take them out first so that
    // their releases find a consistent table, then delete them.
    std::vector<std::unique_ptr<Resource>> objects;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& e : m_entries) {
            if (e->object) {
                objects.push_back(std::move(e->object));
            }
        }
    }
    objects.clear();
}

std::string ResourceSystem::normalizeName(std::string_view name)
{
    std::string key = toLowerCopy(name);
    std::replace(key.begin(), key.end(), '\\', '/');
    return key;
}

std::string ResourceSystem::extensionOf(std::string_view name)
{
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::string();
    }
    return toLowerCopy(name.substr(dot + 1));
}

void ResourceSystem::registerType(ResourceTypeInfo info)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    info.extension = toLowerCopy(info.extension);
    for (auto& t : m_types) {
        if (t.extension == info.extension) {
            t = std::move(info);
            return;
        }
    }
    m_types.push_back(std::move(info));
}

bool ResourceSystem::hasType(std::string_view extension) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string ext = toLowerCopy(extension);
    return std::any_of(m_types.begin(), m_types.end(), [&](const auto& t) { return t.extension == ext; });
}

void ResourceSystem::setBaseDirectory(const std::string& dir)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_baseDir = dir;
}

void ResourceSystem::setFileReader(FileReader reader)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reader = std::move(reader);
}

void ResourceSystem::readThroughFileSystem(FileSystem* files)
{
    setFileReader([files](const std::string& name, std::vector<uint8_t>& out) {
        FileSystem* from = files ? files : FileSystem::instance();
        auto data = from ? from->readFile(name) : std::nullopt;
        if (!data)
            return false;
        out = std::move(*data);
        return true;
    });
}

void ResourceSystem::setFileWriter(FileWriter writer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writer = std::move(writer);
}

void ResourceSystem::setContextLockHooks(ContextLockHooks hooks)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_contextHooks = std::move(hooks);
}

bool ResourceSystem::readFile(const std::string& name, std::vector<uint8_t>& out) const
{
    FileReader reader;
    std::string base;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        reader = m_reader;
        base = m_baseDir;
    }
    out.clear();
    if (reader) {
        return reader(name, out);
    }
    std::string path = base + "/" + name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return readWholeFile(path, out) == WholeFileResult::Read;
}

bool ResourceSystem::writeFile(const std::string& name, const std::string& contents) const
{
    FileWriter writer;
    std::string base;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        writer = m_writer;
        base = m_baseDir;
    }
    if (writer) {
        return writer(name, contents);
    }
    return writeFileAtomically((std::filesystem::path(base) / name).string(), contents);
}

void ResourceSystem::startLoader()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_loaderRunning || m_loader.joinable()) {
        return;
    }
    m_stopRequested = false;
    m_loaderRunning = true;
    m_loader = std::thread([this] { loaderMain(); });
}

void ResourceSystem::stopLoader()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = true;
    }
    m_workCv.notify_all();
    if (m_loader.joinable()) {
        m_loader.join();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_loaderRunning = false;
    m_doneCv.notify_all();
}

bool ResourceSystem::isLoaderRunning() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_loaderRunning;
}

bool ResourceSystem::isLoaderThread() const
{
    return m_loaderId.load() == std::this_thread::get_id();
}

void ResourceSystem::loaderMain()
{
    m_loaderId = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopRequested) {
        if (m_queue.empty()) {
            // Idle until a load is queued or the loader is stopped: both
            // notify, so an idle program does not wake this thread.
            m_workCv.wait(lock, [this] { return m_stopRequested || !m_queue.empty(); });
            continue;
        }
        int index = m_queue.front();
        m_queue.pop_front();
        try {
            loadQueuedLocked(lock, index, true);
        } catch (const LoaderAbort&) {
            // raiseLoaderFatal left the lock released and the entry settled.
            lock.lock();
            break;
        }
        // Work remains: a zero-length pause between entries.
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
    m_loaderRunning = false;
    m_loaderId = std::thread::id();
    lock.unlock();
    m_doneCv.notify_all();
}

int ResourceSystem::findEntryLocked(const std::string& key) const
{
    auto it = m_byKey.find(key);
    return it == m_byKey.end() ? -1 : it->second;
}

int ResourceSystem::createEntryLocked(const std::string& fileName, const std::string& key)
{
    auto e = std::make_unique<Entry>();
    e->fileName = fileName;
    std::replace(e->fileName.begin(), e->fileName.end(), '\\', '/');
    e->key = key;
    e->extension = extensionOf(normalizeName(fileName));
    m_entries.push_back(std::move(e));
    int index = static_cast<int>(m_entries.size() - 1);
    m_byKey.emplace(key, index);
    return index;
}

const ResourceTypeInfo* ResourceSystem::findTypeLocked(const std::string& extension) const
{
    for (const auto& t : m_types) {
        if (t.extension == extension) {
            return &t;
        }
    }
    return nullptr;
}

std::string ResourceSystem::makeKeyLocked(const std::string& fileName, int flags) const
{
    std::string key = normalizeName(fileName);
    const ResourceTypeInfo* type = findTypeLocked(extensionOf(key));
    if (type && type->flagsInKey) {
        // '|' cannot be part of a file name the game uses.
        key += '|';
        key += std::to_string(flags);
    }
    return key;
}

int ResourceSystem::findEntry(const std::string& fileName, int flags) const
{
    if (fileName.empty()) {
        return -1;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return findEntryLocked(makeKeyLocked(fileName, flags));
}

int ResourceSystem::findOrCreateIndex(const std::string& fileName, int flags)
{
    if (fileName.empty()) {
        return -1;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string key = makeKeyLocked(fileName, flags);
    int index = findEntryLocked(key);
    return index >= 0 ? index : createEntryLocked(fileName, key);
}

void ResourceSystem::queueLocked(int index)
{
    m_entries[index]->state = State::Queued;
    m_queue.push_back(index);
    m_workCv.notify_one();
}

ResourceHandle ResourceSystem::loadIfTyped(const std::string& fileName)
{
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || !hasType(std::string_view(fileName).substr(dot + 1))) {
        return {};
    }
    return load(fileName);
}

ResourceHandle ResourceSystem::load(const std::string& fileName, int flags)
{
    if (fileName.empty()) {
        return ResourceHandle();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string key = makeKeyLocked(fileName, flags);
    int index = findEntryLocked(key);
    if (index < 0) {
        index = createEntryLocked(fileName, key);
    }
    Entry& e = *m_entries[index];
    ++e.refCount;
    if (e.state == State::Idle) {
        e.flags = flags;
        queueLocked(index);
    }
    return ResourceHandle::adopt(index);
}

bool ResourceSystem::load(const std::string& fileName, ResourceHandle& out, int flags)
{
    out = load(fileName, flags);
    return out.isValid();
}

bool ResourceSystem::findTypeLocked(const std::string& extension, ResourceTypeInfo& out) const
{
    for (const auto& t : m_types) {
        if (t.extension == extension) {
            out = t;
            return true;
        }
    }
    return false;
}

std::unique_ptr<Resource> ResourceSystem::buildFromFile(const ResourceTypeInfo& type,
                                                        const std::string& fileName, int flags,
                                                        std::vector<uint8_t>& data, uint64_t& bytes)
{
    data.clear();
    bool read = type.fileReader ? type.fileReader(fileName, data) : readFile(fileName, data);
    if (!read) {
        // A type that stands in for another expects missing files (caches).
        debugPrint(type.standsInFor.empty() ? 2 : 1, "%s: cannot read resource file\n", fileName.c_str());
        return nullptr;
    }
    bytes += data.size();
    return type.factory ? type.factory(fileName, data.data(), data.size(), flags) : nullptr;
}

std::unique_ptr<Resource> ResourceSystem::buildObject(const Entry& snapshot, bool& failed, uint64_t& bytes)
{
    ResourceTypeInfo type;
    bool haveType = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        haveType = findTypeLocked(snapshot.extension, type);
    }
    failed = false;
    bytes = 0;
    if (!haveType) {
        debugPrint(3, "%s: no resource type for extension \"%s\"\n", snapshot.fileName.c_str(),
                   snapshot.extension.c_str());
        failed = true;
        return nullptr;
    }
    std::vector<uint8_t> data;
    std::unique_ptr<Resource> object;
    if (type.nameFactory) {
        object = type.nameFactory(snapshot.fileName, snapshot.flags);
    } else {
        object = buildFromFile(type, snapshot.fileName, snapshot.flags, data, bytes);
    }
    if (!object && !type.standsInFor.empty() && !type.nameFactory) {
        // The stood-in file, built by its own type (one level only).
        ResourceTypeInfo other;
        bool haveOther = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            haveOther = findTypeLocked(toLowerCopy(type.standsInFor), other);
        }
        if (haveOther) {
            std::string name = snapshot.fileName;
            size_t dot = name.rfind('.');
            size_t slash = name.find_last_of('/');
            if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
                name.erase(dot);
            }
            name += "." + type.standsInFor;
            object = buildFromFile(other, name, snapshot.flags, data, bytes);
            if (object) {
                debugPrint(1, "%s: using %s in its place\n", snapshot.fileName.c_str(), name.c_str());
                type.memoryCategory = other.memoryCategory;
                type.keepImage = other.keepImage;
            }
        }
    }
    if (!object) {
        failed = true;
        if (type.placeholderFactory) {
            object = type.placeholderFactory(snapshot.fileName);
            if (object) {
                object->setPlaceholder(true);
            }
        }
    }
    if (object) {
        object->setFileName(snapshot.fileName);
        // A factory that kept an image of its own (converted pixels) keeps it.
        if ((type.keepImage || (snapshot.flags & kKeepImage)) && !failed && !object->keepsImage() &&
            !type.nameFactory) {
            object->keepImage(data.data(), data.size(), type.memoryCategory);
        }
    }
    return object;
}

bool ResourceSystem::dependencyReadyLocked(std::unique_lock<std::mutex>& lock, int index, bool mayDefer)
{
    ResourceReadinessCheck check;
    if (const ResourceTypeInfo* type = findTypeLocked(m_entries[index]->extension)) {
        check = type->readinessCheck;
    }
    if (!check) {
        return true;
    }
    const int count = static_cast<int>(m_entries.size());
    for (int round = 0; round <= count; ++round) {
        Entry& e = *m_entries[index];
        std::string name = e.fileName;
        int flags = e.flags;
        // Loading marks the entry ours while the check runs unlocked.
        e.state = State::Loading;
        e.loadingThread = std::this_thread::get_id();
        lock.unlock();
        int dep = check(name, flags);
        lock.lock();
        if (dep < 0 || dep >= static_cast<int>(m_entries.size()) || dep == index) {
            return true;
        }
        Entry& d = *m_entries[dep];
        if (d.state == State::Loaded) {
            return true;
        }
        if (d.state == State::Idle) {
            debugPrint(2, "%s: built before %s, which is not being loaded\n", name.c_str(),
                       d.fileName.c_str());
            return true;
        }
        // A chain of entries waiting on each other that comes back here.
        bool cycle = d.state == State::Loading && d.loadingThread == std::this_thread::get_id();
        for (int x = d.waitingOn, steps = 0; !cycle && x >= 0 && steps < count;
             x = m_entries[x]->waitingOn, ++steps) {
            cycle = x == index;
        }
        if (cycle) {
            debugPrint(2, "%s: built before %s, which waits for it\n", name.c_str(), d.fileName.c_str());
            return true;
        }
        if (mayDefer) {
            e.waitingOn = dep;
            e.reloadPending = false;
            e.state = State::Queued;
            m_queue.push_back(index);
            return false;
        }
        if (d.state == State::Queued) {
            auto it = std::find(m_queue.begin(), m_queue.end(), dep);
            if (it != m_queue.end()) {
                m_queue.erase(it);
            }
            loadQueuedLocked(lock, dep, false);
        } else {
            m_doneCv.wait_for(lock, std::chrono::milliseconds(10));
        }
    }
    return true;
}

bool ResourceSystem::loadQueuedLocked(std::unique_lock<std::mutex>& lock, int index, bool mayDefer)
{
    if (!dependencyReadyLocked(lock, index, mayDefer)) {
        return false;
    }
    Entry& e = *m_entries[index];
    e.waitingOn = -1;
    e.state = State::Loading;
    e.loadingThread = std::this_thread::get_id();
    Entry snapshot;
    snapshot.fileName = e.fileName;
    snapshot.extension = e.extension;
    snapshot.flags = e.flags;
    lock.unlock();

    auto start = std::chrono::steady_clock::now();
    bool failed = false;
    uint64_t bytes = 0;
    std::unique_ptr<Resource> object;
    try {
        try {
            object = buildObject(snapshot, failed, bytes);
        } catch (const std::bad_alloc&) {
            // Nobody can go on without the memory (on the loader thread the
            // fatal-error hook hands the text to the main thread).
            fatalError("Out of memory");
        }
    } catch (const LoaderAbort&) {
        lock.lock();
        e.state = State::Loaded;
        e.reloadPending = false;
        lock.unlock();
        m_doneCv.notify_all();
        throw;
    } catch (const std::exception& ex) {
        debugPrint(3, "%s: %s\n", snapshot.fileName.c_str(), ex.what());
        failed = true;
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    std::unique_ptr<Resource> discard;
    lock.lock();
    ++m_stats.loads;
    m_stats.failures += failed ? 1 : 0;
    m_stats.bytesRead += bytes;
    m_stats.loadMs += ms;
    bool again =
        e.reloadPending && (e.reloadFilter < 0 || (object && object->getSubType() == e.reloadFilter));
    e.reloadPending = false;
    if (e.refCount <= 0) {
        // Released while it loaded: nobody wants it any more.
        discard = std::move(object);
        e.state = State::Idle;
    } else if (again) {
        // A forced reload came while it was built from the old settings.
        discard = std::move(object);
        ++m_stats.reloads;
        queueLocked(index);
    } else {
        e.object = std::move(object);
        e.state = State::Loaded;
    }
    lock.unlock();
    discard.reset();
    m_doneCv.notify_all();
    lock.lock();
    return true;
}

int ResourceSystem::releaseContext() const
{
    std::function<int()> fn;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        fn = m_contextHooks.releaseAll;
    }
    return fn ? fn() : 0;
}

void ResourceSystem::reacquireContext(int levels) const
{
    if (levels <= 0) {
        return;
    }
    std::function<void(int)> fn;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        fn = m_contextHooks.reacquire;
    }
    if (fn) {
        fn(levels);
    }
}

void ResourceSystem::waitUntilSettled(std::unique_lock<std::mutex>& lock, int index)
{
    Entry& e = *m_entries[index];
    for (;;) {
        if (e.state == State::Loaded || e.state == State::Idle || m_fatalPending) {
            return;
        }
        if (e.state == State::Queued && (!m_loaderRunning || isLoaderThread())) {
            auto it = std::find(m_queue.begin(), m_queue.end(), index);
            if (it != m_queue.end()) {
                m_queue.erase(it);
            }
            loadQueuedLocked(lock, index);
            return;
        }
        if (e.state == State::Loading && e.loadingThread == std::this_thread::get_id()) {
            // Loading further up this thread's own stack: a cycle.
            return;
        }
        m_doneCv.wait_for(lock, std::chrono::milliseconds(100));
    }
}

Resource* ResourceSystem::get(int index)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size())) {
        return nullptr;
    }
    Entry& e = *m_entries[index];
    if (e.state == State::Loaded || e.state == State::Idle) {
        return e.object.get();
    }
    if (isLoaderThread()) {
        waitUntilSettled(lock, index);
        return e.object.get();
    }
    lock.unlock();
    int levels = releaseContext();
    lock.lock();
    waitUntilSettled(lock, index);
    Resource* object = e.object.get();
    lock.unlock();
    reacquireContext(levels);
    return object;
}

void ResourceSystem::waitForQueueEmpty()
{
    int levels = isLoaderThread() ? 0 : releaseContext();
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            bool busy =
                !m_queue.empty() || std::any_of(m_entries.begin(), m_entries.end(),
                                                [](const auto& e) { return e->state == State::Loading; });
            if (!busy || m_fatalPending) {
                break;
            }
            if (!m_loaderRunning || isLoaderThread()) {
                if (m_queue.empty()) {
                    break;
                }
                int index = m_queue.front();
                m_queue.pop_front();
                loadQueuedLocked(lock, index);
                continue;
            }
            m_doneCv.wait_for(lock, std::chrono::milliseconds(100));
        }
    }
    reacquireContext(levels);
}

void ResourceSystem::addRef(int index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index >= 0 && index < static_cast<int>(m_entries.size())) {
        ++m_entries[index]->refCount;
    }
}

void ResourceSystem::release(int index)
{
    std::unique_ptr<Resource> discard;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (index < 0 || index >= static_cast<int>(m_entries.size())) {
            return;
        }
        Entry& e = *m_entries[index];
        if (e.refCount <= 0) {
            debugPrint(2, "%s: resource released more often than loaded\n", e.fileName.c_str());
            return;
        }
        if (--e.refCount > 0) {
            return;
        }
        if (e.state == State::Loaded) {
            discard = std::move(e.object);
            e.state = State::Idle;
        } else if (e.state == State::Queued) {
            auto it = std::find(m_queue.begin(), m_queue.end(), index);
            if (it != m_queue.end()) {
                m_queue.erase(it);
            }
            e.state = State::Idle;
            e.waitingOn = -1;
        }
        // A loading entry is dropped by the loader when it finishes.
    }
    // Deleted outside the lock: the object may release handles of its own.
}

int ResourceSystem::getRefCount(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return index >= 0 && index < static_cast<int>(m_entries.size()) ? m_entries[index]->refCount : 0;
}

std::string ResourceSystem::getFileName(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return index >= 0 && index < static_cast<int>(m_entries.size()) ? m_entries[index]->fileName
                                                                    : std::string();
}

Resource* ResourceSystem::peek(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size()) ||
        m_entries[index]->state != State::Loaded) {
        return nullptr;
    }
    return m_entries[index]->object.get();
}

bool ResourceSystem::isLoaded(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return index >= 0 && index < static_cast<int>(m_entries.size()) &&
           m_entries[index]->state == State::Loaded;
}

int ResourceSystem::reloadExtension(std::string_view extension, int subTypeFilter, bool forced)
{
    std::string ext = toLowerCopy(extension);
    std::vector<std::unique_ptr<Resource>> discard;
    int count = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (size_t i = 0; i < m_entries.size(); ++i) {
            Entry& e = *m_entries[i];
            if (e.extension != ext) {
                continue;
            }
            if (forced && e.state == State::Loading) {
                // Its sub-type is known once the build ends.
                e.reloadPending = true;
                e.reloadFilter = subTypeFilter;
                ++count;
                continue;
            }
            if (e.state != State::Loaded) {
                continue;
            }
            if (subTypeFilter >= 0 && (!e.object || e.object->getSubType() != subTypeFilter)) {
                continue;
            }
            discard.push_back(std::move(e.object));
            queueLocked(static_cast<int>(i));
            ++count;
        }
        m_stats.reloads += count;
    }
    return count;
}

int ResourceSystem::getEntryCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_entries.size());
}

bool ResourceSystem::entryHasExtension(int index, std::string_view extension) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size())) {
        return false;
    }
    const Entry& e = *m_entries[index];
    return e.state == State::Loaded && equalsNoCase(e.extension, extension);
}

ResourceSystem::Statistics ResourceSystem::getStatistics() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statistics s = m_stats;
    s.entries = m_entries.size();
    s.queued = m_queue.size();
    for (const auto& e : m_entries) {
        s.loading += e->state == State::Loading ? 1 : 0;
        if (e->state == State::Loaded) {
            ++s.loaded;
            s.imageBytes += e->object ? e->object->getImageSize() : 0;
        }
    }
    return s;
}

void ResourceSystem::listResources() const
{
    std::vector<std::pair<int, const Resource*>> loaded;
    std::map<std::string, int> perExtension;
    std::vector<int> refs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (size_t i = 0; i < m_entries.size(); ++i) {
            const Entry& e = *m_entries[i];
            if (e.state != State::Loaded) {
                continue;
            }
            ++perExtension[e.extension];
            loaded.emplace_back(static_cast<int>(i), e.object.get());
            refs.push_back(e.refCount);
        }
    }
    // Described outside the lock (describe may ask for other entries); loaded
    // objects only go away on the main thread, which is running this. One
    // line per entry: index, references, the object's description.
    for (size_t i = 0; i < loaded.size(); ++i) {
        std::string about =
            loaded[i].second ? loaded[i].second->describe() : getFileName(loaded[i].first) + " (no object)";
        debugPrintRaw("%4d %3d  %s\n", loaded[i].first, refs[i], about.c_str());
    }
    for (const auto& [ext, count] : perExtension) {
        debugPrintRaw("%s: %d loaded\n", ext.empty() ? "(none)" : ext.c_str(), count);
    }
}

void ResourceSystem::registerCommands()
{
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->registerCommand([this](const CommandArgs&) { listResources(); }, "listResources",
                                  "Lists the loaded resources", "", "", false, 0);
    }
}

void ResourceSystem::logStatistics() const
{
    Statistics s = getStatistics();
    debugPrintRaw("Resources: %zu entries, %zu loaded, %zu queued; %llu loads (%llu failed), %llu reloads, "
                  "%llu bytes read, %llu bytes of kept images, %.1f ms loading\n",
                  s.entries, s.loaded, s.queued, static_cast<unsigned long long>(s.loads),
                  static_cast<unsigned long long>(s.failures), static_cast<unsigned long long>(s.reloads),
                  static_cast<unsigned long long>(s.bytesRead), static_cast<unsigned long long>(s.imageBytes),
                  s.loadMs);
}

void ResourceSystem::raiseLoaderFatal(const std::string& text)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_fatalPending) {
            m_fatalPending = true;
            m_fatalText = text;
        }
    }
    m_doneCv.notify_all();
    throw LoaderAbort{};
}

bool ResourceSystem::takeFatalError(std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_fatalPending) {
        return false;
    }
    text = m_fatalText;
    return true;
}
