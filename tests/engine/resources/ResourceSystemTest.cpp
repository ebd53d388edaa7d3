#include "engine/resources/ResourceSystem.h"
#include "engine/core/MemorySystem.h"
#include "engine/resources/TextResource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <set>
#include <thread>

namespace {

// A resource remembering which thread built it.
class ProbeResource : public Resource {
public:
    ProbeResource(std::string text, std::thread::id thread) : text(std::move(text)), thread(thread) {}
    std::string text;
    std::thread::id thread;
    int subType = 0;
    int getSubType() const override { return subType; }
};

class ResourceSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resources.setBaseDirectory(dir.path().string());
        ResourceTypeInfo probe;
        probe.extension = "prb";
        probe.factory = [this](const std::string&, const uint8_t* data, size_t size, int) {
            ++builds;
            auto r = std::make_unique<ProbeResource>(std::string(reinterpret_cast<const char*>(data), size),
                                                     std::this_thread::get_id());
            r->subType = r->text.rfind("sub", 0) == 0 ? 7 : 0;
            return r;
        };
        resources.registerType(probe);
        TextResource::registerType(resources);
    }

    ProbeResource* probe(const ResourceHandle& h) { return resources.getAs<ProbeResource>(h); }

    TempDir dir;
    LogCapture log;
    ResourceSystem resources;
    std::atomic<int> builds{0};
};

TEST_F(ResourceSystemTest, HandlesCountReferencesAndUnloadAtZero)
{
    dir.write("a.prb", "alpha");
    ResourceHandle first = resources.load("a.prb");
    ResourceHandle second = resources.load("A.PRB"); // names compare without case
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(first.getIndex(), second.getIndex());
    EXPECT_EQ(resources.getRefCount(first.getIndex()), 2);
    {
        ResourceHandle copy = first;
        EXPECT_EQ(resources.getRefCount(first.getIndex()), 3);
        ResourceHandle assigned;
        assigned = copy;
        EXPECT_EQ(resources.getRefCount(first.getIndex()), 4);
        ResourceHandle& alias = assigned;
        assigned = alias; // self-assignment keeps the count
        EXPECT_EQ(resources.getRefCount(first.getIndex()), 4);
    }
    EXPECT_EQ(resources.getRefCount(first.getIndex()), 2);
    ASSERT_NE(probe(first), nullptr);
    EXPECT_EQ(probe(first)->text, "alpha");
    EXPECT_EQ(first.getFileName(), "a.prb");

    int index = first.getIndex();
    second.release();
    EXPECT_EQ(second.getIndex(), -1);
    EXPECT_TRUE(resources.isLoaded(index));
    first.release();
    EXPECT_FALSE(resources.isLoaded(index));
    EXPECT_EQ(resources.get(index), nullptr); // unloaded entries give no object, at once

    // Loading again reuses the entry and builds a new object.
    ResourceHandle again = resources.load("a.prb");
    EXPECT_EQ(again.getIndex(), index);
    ASSERT_NE(probe(again), nullptr);
    EXPECT_EQ(builds, 2);
}

TEST_F(ResourceSystemTest, EmptyNameMakesNoEntryAndMissingFileNeverHangs)
{
    resources.startLoader();
    ResourceHandle none = resources.load("");
    EXPECT_EQ(none.getIndex(), -1);
    EXPECT_EQ(resources.getEntryCount(), 0);
    EXPECT_EQ(resources.get(-1), nullptr);
    EXPECT_EQ(resources.getFileName(-1), "");
    EXPECT_EQ(resources.findOrCreateIndex(""), -1);

    auto start = std::chrono::steady_clock::now();
    ResourceHandle missingText = resources.load("nowhere/gone.txt");
    ResourceHandle missingProbe = resources.load("nowhere/gone.prb");
    Resource* placeholder = resources.get(missingText);
    Resource* nothing = resources.get(missingProbe);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    // "txt" has a placeholder type, "prb" none.
    ASSERT_NE(placeholder, nullptr);
    EXPECT_TRUE(placeholder->isPlaceholder());
    EXPECT_EQ(dynamic_cast<TextResource*>(placeholder)->getSize(), 0u);
    EXPECT_EQ(nothing, nullptr);
    EXPECT_TRUE(resources.isLoaded(missingProbe.getIndex()));
    EXPECT_TRUE(log.contains("nowhere/gone.prb: cannot read resource file", 2));
    EXPECT_EQ(resources.getStatistics().failures, 2u);

    // An extension without a type is an error line, and still settles.
    dir.write("odd.xyz", "?");
    ResourceHandle odd = resources.load("odd.xyz");
    EXPECT_EQ(resources.get(odd), nullptr);
    EXPECT_TRUE(log.contains("odd.xyz: no resource type for extension \"xyz\"", 3));
}

TEST_F(ResourceSystemTest, ConcurrentLoadsBuildEachFileOnceOnTheLoaderThread)
{
    constexpr int kFiles = 40;
    constexpr int kThreads = 6;
    for (int i = 0; i < kFiles; ++i) {
        dir.write("f" + std::to_string(i) + ".prb", "content " + std::to_string(i));
    }
    resources.startLoader();
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    std::vector<std::vector<ResourceHandle>> held(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kFiles; ++i) {
                int n = (i + t * 7) % kFiles;
                ResourceHandle h = resources.load("f" + std::to_string(n) + ".prb");
                auto* r = resources.getAs<ProbeResource>(h);
                if (!r || r->text != "content " + std::to_string(n)) {
                    ++wrong;
                }
                held[t].push_back(h);
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(builds, kFiles);
    EXPECT_EQ(resources.getEntryCount(), kFiles);
    for (int i = 0; i < kFiles; ++i) {
        int index = resources.findEntry("f" + std::to_string(i) + ".prb");
        ASSERT_GE(index, 0);
        // Each thread holds one handle (its local one went out of scope).
        EXPECT_EQ(resources.getRefCount(index), kThreads);
        auto* r = dynamic_cast<ProbeResource*>(resources.get(index));
        ASSERT_NE(r, nullptr);
        EXPECT_NE(r->thread, std::this_thread::get_id());
    }
    held.clear();
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_FALSE(resources.isLoaded(i));
    }
}

TEST_F(ResourceSystemTest, LoaderThreadLoadsQueuedDependencyInlineAndSurvivesCycles)
{
    // A type whose factory needs another resource, as a model needs its parts.
    ResourceTypeInfo dep;
    dep.extension = "dep";
    dep.factory = [this](const std::string&, const uint8_t* data, size_t size,
                         int) -> std::unique_ptr<Resource> {
        std::string target(reinterpret_cast<const char*>(data), size);
        ResourceHandle part = resources.load(target);
        Resource* r = resources.get(part);
        auto* p = dynamic_cast<ProbeResource*>(r);
        return std::make_unique<ProbeResource>(p ? "got " + p->text : std::string("none"),
                                               std::this_thread::get_id());
    };
    resources.registerType(dep);
    dir.write("part.prb", "part");
    dir.write("whole.dep", "part.prb");
    dir.write("self.dep", "self.dep"); // needs itself

    resources.startLoader();
    auto result = std::async(std::launch::async, [&] {
        ResourceHandle whole = resources.load("whole.dep");
        ResourceHandle self = resources.load("self.dep");
        auto* w = resources.getAs<ProbeResource>(whole);
        auto* s = resources.getAs<ProbeResource>(self);
        return std::make_pair(w ? w->text : "", s ? s->text : "");
    });
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "a wait hung";
    auto [whole, self] = result.get();
    EXPECT_EQ(whole, "got part");
    EXPECT_EQ(self, "none");
}

TEST_F(ResourceSystemTest, WithoutLoaderOneThreadLoadsAndTheOthersWait)
{
    ResourceTypeInfo slow;
    slow.extension = "slow";
    slow.factory = [this](const std::string&, const uint8_t*, size_t, int) -> std::unique_ptr<Resource> {
        ++builds;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return std::make_unique<ProbeResource>("slow", std::this_thread::get_id());
    };
    resources.registerType(slow);
    dir.write("a.slow", "x");
    ResourceHandle h = resources.load("a.slow");
    std::vector<Resource*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] { seen[t] = resources.get(h); });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(builds, 1);
    for (Resource* r : seen) {
        EXPECT_NE(r, nullptr);
        EXPECT_EQ(r, seen[0]);
    }
}

TEST_F(ResourceSystemTest, KeptImagesAreCountedInTheTypesMemoryCategory)
{
    ResourceTypeInfo snd;
    snd.extension = "snd";
    snd.keepImage = true;
    snd.memoryCategory = static_cast<int>(MemCategory::Sound);
    snd.factory = [](const std::string&, const uint8_t*, size_t, int) {
        return std::make_unique<ProbeResource>("", std::this_thread::get_id());
    };
    resources.registerType(snd);
    dir.write("boom.snd", std::string(5000, 'b'));
    int64_t before = MemorySystem::getStats(MemCategory::Sound).currentBytes;
    {
        ResourceHandle h = resources.load("boom.snd");
        Resource* r = resources.get(h);
        ASSERT_NE(r, nullptr);
        ASSERT_TRUE(r->keepsImage());
        ASSERT_EQ(r->getImageSize(), 5000u);
        EXPECT_EQ(r->getImage()[4999], 'b');
        EXPECT_GE(MemorySystem::getStats(MemCategory::Sound).currentBytes, before + 5000);
    }
    // Unloaded with its last handle: the image is freed.
    EXPECT_EQ(MemorySystem::getStats(MemCategory::Sound).currentBytes, before);
    // Types without the flag keep nothing, unless the load asks for it.
    dir.write("plain.prb", "x");
    dir.write("kept.prb", "xyz");
    ResourceHandle plain = resources.load("plain.prb");
    EXPECT_FALSE(resources.get(plain)->keepsImage());
    EXPECT_EQ(resources.get(plain)->getImage(), nullptr);
    ResourceHandle kept = resources.load("kept.prb", ResourceSystem::kKeepImage);
    ASSERT_TRUE(resources.get(kept)->keepsImage());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(resources.get(kept)->getImage())), "xyz");
    EXPECT_EQ(resources.getStatistics().imageBytes, 3u);
}

// The graphics system's context lock: recursive, with owner and nesting.
struct FakeContextLock {
    std::recursive_mutex mutex;
    std::atomic<std::thread::id> owner{};
    int nesting = 0;

    void acquire()
    {
        mutex.lock();
        owner = std::this_thread::get_id();
        ++nesting;
    }
    void release()
    {
        if (--nesting == 0) {
            owner = std::thread::id();
        }
        mutex.unlock();
    }
};

TEST_F(ResourceSystemTest, WaitGivesUpEveryLevelOfTheContextLock)
{
    FakeContextLock gl;
    resources.setContextLockHooks({[&] {
                                       if (gl.owner.load() != std::this_thread::get_id()) {
                                           return 0;
                                       }
                                       int levels = gl.nesting;
                                       for (int i = 0; i < levels; ++i) {
                                           gl.release();
                                       }
                                       return levels;
                                   },
                                   [&](int levels) {
                                       for (int i = 0; i < levels; ++i) {
                                           gl.acquire();
                                       }
                                   }});
    // The loader needs the context to build this type (a texture upload).
    ResourceTypeInfo tex;
    tex.extension = "tex";
    tex.factory = [&](const std::string&, const uint8_t*, size_t, int) -> std::unique_ptr<Resource> {
        gl.acquire();
        auto r = std::make_unique<ProbeResource>("uploaded", std::this_thread::get_id());
        gl.release();
        return r;
    };
    resources.registerType(tex);
    dir.write("wall.tex", "pixels");

    resources.startLoader();
    auto result = std::async(std::launch::async, [&] {
        gl.acquire();
        gl.acquire(); // nested twice, as a draw call inside a frame does
        ResourceHandle h = resources.load("wall.tex");
        auto* r = resources.getAs<ProbeResource>(h);
        int nestingAfter = gl.nesting;
        bool ownerAfter = gl.owner.load() == std::this_thread::get_id();
        gl.release();
        gl.release();
        return std::make_tuple(r ? r->text : std::string(), nestingAfter, ownerAfter);
    });
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "deadlock on the lock";
    auto [text, nesting, owner] = result.get();
    EXPECT_EQ(text, "uploaded");
    EXPECT_EQ(nesting, 2);
    EXPECT_TRUE(owner);
}

TEST_F(ResourceSystemTest, ReloadExtensionRebuildsOnlyMatchingLoadedEntries)
{
    dir.write("one.prb", "old");
    dir.write("two.prb", "sub old");
    dir.write("note.txt", "text");
    resources.startLoader();
    ResourceHandle one = resources.load("one.prb");
    ResourceHandle two = resources.load("two.prb");
    ResourceHandle note = resources.load("note.txt");
    resources.waitForQueueEmpty();
    ASSERT_EQ(builds, 2);

    dir.write("one.prb", "new");
    dir.write("two.prb", "sub new");
    // Sub-type filter: only "two" has sub-type 7.
    EXPECT_EQ(resources.reloadExtension("PRB", 7), 1);
    EXPECT_EQ(probe(two)->text, "sub new");
    EXPECT_EQ(probe(one)->text, "old");
    EXPECT_EQ(resources.reloadExtension("prb"), 2);
    EXPECT_EQ(probe(one)->text, "new");
    EXPECT_EQ(resources.getAs<TextResource>(note)->getText(), "text");
    EXPECT_EQ(resources.reloadExtension("mdl"), 0);
    EXPECT_EQ(resources.getStatistics().reloads, 3u);
}

TEST_F(ResourceSystemTest, EntryHasExtensionCountsLoadedEntriesOnly)
{
    dir.write("a.txt", "x");
    ResourceHandle a = resources.load("a.txt");
    int pending = resources.findOrCreateIndex("b.txt");
    EXPECT_FALSE(resources.entryHasExtension(a.getIndex(), "txt")); // queued, loader not started
    ASSERT_NE(resources.get(a), nullptr);                           // inline without a loader
    EXPECT_TRUE(resources.entryHasExtension(a.getIndex(), "TXT"));
    EXPECT_FALSE(resources.entryHasExtension(a.getIndex(), "prb"));
    EXPECT_FALSE(resources.entryHasExtension(pending, "txt"));
    EXPECT_EQ(resources.getRefCount(pending), 0);
    EXPECT_FALSE(resources.entryHasExtension(99, "txt"));
}

TEST_F(ResourceSystemTest, FatalErrorOnLoaderThreadIsHandedToTheMainThread)
{
    ResourceTypeInfo bad;
    bad.extension = "bad";
    bad.factory = [this](const std::string& name, const uint8_t*, size_t, int) -> std::unique_ptr<Resource> {
        resources.raiseLoaderFatal("Out of memory while loading " + name);
    };
    resources.registerType(bad);
    dir.write("x.bad", "1");
    resources.startLoader();
    ResourceHandle x = resources.load("x.bad");
    EXPECT_EQ(resources.get(x), nullptr);
    std::string text;
    ASSERT_TRUE(resources.takeFatalError(text));
    EXPECT_EQ(text, "Out of memory while loading x.bad");
    // The loader thread has ended.
    for (int i = 0; i < 100 && resources.isLoaderRunning(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(resources.isLoaderRunning());
}

TEST_F(ResourceSystemTest, ReleasedWhileQueuedNeverBuildsAndStatisticsAreLogged)
{
    dir.write("q.prb", "q");
    {
        ResourceHandle h = resources.load("q.prb");
    }
    resources.startLoader();
    resources.waitForQueueEmpty();
    EXPECT_EQ(builds, 0);
    ResourceHandle h = resources.load("q.prb");
    resources.waitForQueueEmpty();
    EXPECT_TRUE(h.isLoaded());
    resources.logStatistics();
    EXPECT_TRUE(log.contains("Resources: 1 entries, 1 loaded"));
}

// A cache type standing in for its source: the cache, else the source built
// by the source's factory under the cache's name, else the placeholder.
TEST_F(ResourceSystemTest, StandInTypeFallsBackToTheSourceOneLevelOnly)
{
    ResourceTypeInfo source;
    source.extension = "src";
    source.factory = [](const std::string& name, const uint8_t* data, size_t size, int) {
        return std::make_unique<ProbeResource>(
            "source:" + std::string(reinterpret_cast<const char*>(data), size), std::this_thread::get_id());
    };
    source.standsInFor = "prb"; // never followed from a stand-in
    resources.registerType(source);
    ResourceTypeInfo cache;
    cache.extension = "cch";
    cache.standsInFor = "src";
    cache.factory = [](const std::string&, const uint8_t* data, size_t size,
                       int) -> std::unique_ptr<Resource> {
        std::string text(reinterpret_cast<const char*>(data), size);
        if (text == "broken") {
            return nullptr;
        }
        return std::make_unique<ProbeResource>("cache:" + text, std::this_thread::get_id());
    };
    cache.placeholderFactory = [](const std::string&) {
        return std::make_unique<ProbeResource>("missing", std::this_thread::get_id());
    };
    resources.registerType(cache);
    dir.write("a.cch", "good");
    dir.write("a.src", "A");
    dir.write("b.cch", "broken");
    dir.write("b.src", "B");
    dir.write("c.src", "C");
    dir.write("d.prb", "never");

    ResourceHandle a = resources.load("a.cch");
    ResourceHandle b = resources.load("b.cch");
    ResourceHandle c = resources.load("c.cch");
    ResourceHandle d = resources.load("d.cch");
    EXPECT_EQ(probe(a)->text, "cache:good");
    EXPECT_EQ(probe(b)->text, "source:B");
    EXPECT_FALSE(probe(b)->isPlaceholder());
    EXPECT_EQ(probe(b)->getFileName(), "b.cch");
    EXPECT_EQ(resources.getFileName(b.getIndex()), "b.cch");
    EXPECT_EQ(probe(c)->text, "source:C");
    // d.src is missing; its own stand-in d.prb is not followed.
    EXPECT_EQ(probe(d)->text, "missing");
    EXPECT_TRUE(probe(d)->isPlaceholder());
    EXPECT_EQ(resources.getStatistics().failures, 1u);
}

TEST_F(ResourceSystemTest, TypeReaderAndFactoryKeptImagesWin)
{
    ResourceTypeInfo own;
    own.extension = "own";
    std::vector<std::string> asked;
    own.fileReader = [&](const std::string& name, std::vector<uint8_t>& out) {
        asked.push_back(name);
        std::string text = "from reader";
        out.assign(text.begin(), text.end());
        return true;
    };
    own.factory = [](const std::string&, const uint8_t* data, size_t size, int flags) {
        auto r = std::make_unique<ProbeResource>(std::string(reinterpret_cast<const char*>(data), size),
                                                 std::this_thread::get_id());
        if (flags & ResourceSystem::kKeepImage) {
            const uint8_t converted[3] = {1, 2, 3};
            r->keepImage(converted, sizeof converted, 1);
        }
        return r;
    };
    resources.registerType(own);
    ResourceHandle h = resources.load("x.own", ResourceSystem::kKeepImage);
    ProbeResource* r = probe(h);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->text, "from reader");
    EXPECT_EQ(asked, std::vector<std::string>{"x.own"});
    // The factory's converted image stays; the raw file bytes do not replace it.
    ASSERT_EQ(r->getImageSize(), 3u);
    EXPECT_EQ(r->getImage()[2], 3);

    // A factory keeping nothing gets the raw bytes under the flag.
    dir.write("k.prb", "raw");
    ResourceHandle k = resources.load("k.prb", ResourceSystem::kKeepImage);
    ASSERT_NE(probe(k), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(probe(k)->getImage()), probe(k)->getImageSize()),
              "raw");
}

} // namespace

namespace {

// A type without a file whose builds can be held open.
struct NameBuilt : public Resource {
    int flags = 0;
};

TEST(ResourceSystemNameTypes, FlagsInKeyAndForcedReloadOfABuildInProgress)
{
    LogCapture log;
    ResourceSystem resources;
    std::mutex gate;
    std::atomic<int> builds{0};
    std::atomic<bool> building{false};
    ResourceTypeInfo info;
    info.extension = "nb";
    info.flagsInKey = true;
    info.nameFactory = [&](const std::string&, int flags) -> std::unique_ptr<Resource> {
        building = true;
        std::lock_guard<std::mutex> hold(gate);
        ++builds;
        auto r = std::make_unique<NameBuilt>();
        r->flags = flags;
        return r;
    };
    resources.registerType(info);

    ResourceHandle one = resources.load("a.nb", 1);
    ResourceHandle six = resources.load("A.NB", 6);
    EXPECT_NE(one.getIndex(), six.getIndex());
    EXPECT_EQ(resources.findEntry("a.nb", 6), six.getIndex());
    EXPECT_EQ(static_cast<NameBuilt*>(resources.get(six))->flags, 6); // built inline: no loader yet
    EXPECT_EQ(static_cast<NameBuilt*>(resources.get(one))->flags, 1);

    builds = 0;
    building = false;
    std::unique_lock<std::mutex> held(gate);
    resources.startLoader();
    EXPECT_EQ(resources.reloadExtension("nb", -1, false), 2);
    while (!building) {
        std::this_thread::yield();
    }
    // One entry is being built now: only a forced reload catches it.
    EXPECT_EQ(resources.reloadExtension("nb", -1, false), 0);
    EXPECT_GE(resources.reloadExtension("nb", -1, true), 1);
    held.unlock();
    resources.waitForQueueEmpty();
    EXPECT_EQ(builds.load(), 3);
    EXPECT_NE(resources.get(one), nullptr);
    EXPECT_NE(resources.get(six), nullptr);
    resources.stopLoader();
}

TEST(ResourceSystemNameTypes, ReadinessCheckDefersWithoutBlockingAndBreaksCycles)
{
    LogCapture log;
    ResourceSystem resources;
    std::vector<std::string> order;
    std::mutex orderMutex;
    ResourceTypeInfo info;
    info.extension = "dep";
    info.nameFactory = [&](const std::string& name, int) -> std::unique_ptr<Resource> {
        std::lock_guard<std::mutex> lock(orderMutex);
        order.push_back(name);
        return std::make_unique<NameBuilt>();
    };
    // "a.dep" waits for "b.dep", "b.dep" for "c.dep"; "x.dep" and "y.dep"
    // wait for each other.
    info.readinessCheck = [&](const std::string& name, int) {
        const char* dep = name == "a.dep"   ? "b.dep"
                          : name == "b.dep" ? "c.dep"
                          : name == "x.dep" ? "y.dep"
                          : name == "y.dep" ? "x.dep"
                                            : "";
        return resources.findEntry(dep);
    };
    resources.registerType(info);
    ResourceHandle a = resources.load("a.dep");
    ResourceHandle b = resources.load("b.dep");
    ResourceHandle c = resources.load("c.dep");
    ResourceHandle x = resources.load("x.dep");
    ResourceHandle y = resources.load("y.dep");
    resources.startLoader();
    resources.waitForQueueEmpty();
    ASSERT_EQ(order.size(), 5u);
    auto pos = [&](const char* n) { return std::find(order.begin(), order.end(), n) - order.begin(); };
    EXPECT_LT(pos("c.dep"), pos("b.dep"));
    EXPECT_LT(pos("b.dep"), pos("a.dep"));
    EXPECT_TRUE(x.isLoaded() && y.isLoaded());
    EXPECT_TRUE(log.contains("which waits for it", 2));
    resources.stopLoader();

    // After the loader stopped, get() builds the dependency first.
    order.clear();
    resources.reloadExtension("dep", -1, true);
    EXPECT_NE(resources.get(a), nullptr);
    EXPECT_LT(pos("b.dep"), pos("a.dep"));
    EXPECT_LT(pos("c.dep"), pos("b.dep"));
}

} // namespace
