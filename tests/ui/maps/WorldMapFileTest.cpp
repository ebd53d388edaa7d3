// The explored map's file: its bytes, the old versions, records in any
// order, another world's map and every kind of damaged file.
#include "engine/core/ByteBuffer.h"
#include "engine/files/FileSystem.h"
#include "support/FakeMapWorld.h"
#include "support/UITestBench.h"
#include "ui/maps/WorldMap.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct WorldMapFileTest : ::testing::Test {
    WorldMapFileTest() : files(data.path().string(), user.path().string())
    {
        std::filesystem::create_directories(user.path() / "chars");
        world.addLevel(0, 0, "Town");
        world.addLevel(1, 0, "Fields");
        world.addLevel(2, 0, "Hills");
        world.addLevel(3, 0, "Marsh");
        world.levels[2].connections = {{1, {2, 1.0f, 1.0f}}, {3, {2, 2.0f, 2.0f}}};
        map.registerCommands(nullptr);
    }

    // A map with three levels seen, a gate and a connection noted.
    void explore(WorldMap& m)
    {
        bench.view.playerPosition = {2, 100.0f, 100.0f};
        m.update(0.0f);
        bench.view.playerPosition = {0, 200.0f, 30.0f};
        m.update(0.0f);
        m.notePortal({2, 40.0f, 50.0f}, {-1, 0.0f, 0.0f});
        m.notePortal({2, 60.0f, 70.0f}, {3, 0.0f, 0.0f});
        m.getExploredLevel(3, true);
    }
    std::vector<uint8_t> saved(WorldMap& m, const std::string& name = "chars/Ann.map")
    {
        m.saveExplored(name);
        return readFileBytes(user.path() / name);
    }
    void put(const std::vector<uint8_t>& bytes, const std::string& name = "chars/Ann.map")
    {
        writeFileBytes(user.path() / name, bytes);
    }
    // Header and one record of version v for level `level`, grid filled with `fill`.
    static void record(ByteBuffer& out, int level, int n, uint8_t fill, int version)
    {
        out.writeInt(int32_t(1));
        out.writeInt(int32_t(level));
        std::vector<uint8_t> grid(static_cast<size_t>(n * n * 4), fill);
        out.reserve(grid.data(), grid.size());
        if (version >= 35) {
            out.writeZonePosition({level, 5.0f, 6.0f});
            out.writeInt(int32_t(1));
            out.writeZonePosition({level, 7.0f, 8.0f});
        }
    }

    UITestBench bench;
    TempDir data;
    TempDir user;
    FileSystem files;
    // Levels of 8 tiles keep the files small: grids of 4 × 4 cells.
    FakeMapWorld world{8};
    // One world map at a time (it is the program's singleton).
    std::unique_ptr<WorldMap> owned = std::make_unique<WorldMap>(world, bench.view);
    WorldMap& map = *owned;
    WorldMap& fresh(MapWorld& from)
    {
        owned.reset();
        owned = std::make_unique<WorldMap>(from, bench.view);
        return *owned;
    }
};

TEST_F(WorldMapFileTest, WrittenAndReadAlike)
{
    bench.view.playerPosition = {0, 10.0f, 10.0f};
    std::vector<uint8_t> empty = saved(map);
    ByteBuffer expected;
    for (int32_t v : {39, -1, 0, 0}) {
        expected.writeInt(v);
    }
    EXPECT_EQ(empty, expected.bytes()) << "nothing explored: 16 bytes";

    explore(map);
    std::vector<uint8_t> first = saved(map);
    // 12 + Σ(24 + 4·n² + 12·m) + 4 with n = 4: four levels seen (small
    // levels lie within reach), level 2 with two connections (the first unseen).
    ASSERT_EQ(first.size(), 12u + 4 * (24 + 64) + 2 * 12 + 4);
    const std::vector<uint8_t> town = map.getExploredLevel(0, false)->pixels;

    WorldMap& other = fresh(world);
    // A world that is not loaded yet keeps what was read.
    world.loaded = false;
    other.loadExplored("chars/Ann.map");
    world.loaded = true;
    ASSERT_EQ(other.getLevelTableSize(), 4);
    EXPECT_EQ(other.getExploredLevel(2, false)->gate.x, 40.0f);
    ASSERT_EQ(other.getExploredLevel(2, false)->connections.size(), 2u);
    EXPECT_EQ(other.getExploredLevel(2, false)->connections[1].y, 70.0f);
    EXPECT_EQ(other.getExploredLevel(0, false)->pixels, town);
    EXPECT_EQ(saved(other, "chars/Bob.map"), first) << "a second save is byte for byte the first";

    // A map of another world is dropped at the first frame of the running one.
    world.seed = 4321;
    other.update(0.0f);
    EXPECT_EQ(other.getExploredLevel(2, false), nullptr);
}

TEST_F(WorldMapFileTest, OldVersionsAndRecordOrder)
{
    struct Row {
        int32_t first;
        int version;
        bool gateFields;
    } rows[] = {
        {34, 34, false}, {200000, 0, false}, {100001, 0, false}, {100000, 100000, true}, {39, 39, true}};
    for (const Row& row : rows) {
        ByteBuffer out;
        out.writeInt(row.first);
        if (row.version != 0) {
            out.writeInt(int32_t(7));
        }
        out.writeInt(int32_t(1234));
        record(out, 3, 4, 9, row.gateFields ? 35 : 0);
        record(out, 1, 4, 5, row.gateFields ? 35 : 0);
        record(out, 3, 4, 11, row.gateFields ? 35 : 0);
        out.writeInt(int32_t(0));
        put(out.bytes());
        world.loaded = false;
        map.loadExplored("chars/Ann.map");
        EXPECT_EQ(map.getWorldId(), row.version == 0 ? row.first : 7) << row.first;
        ASSERT_EQ(map.getLevelTableSize(), 4) << row.first;
        const ExploredLevel* three = map.getExploredLevel(3, false);
        ASSERT_NE(three, nullptr);
        EXPECT_EQ(three->pixels[0], 11) << "the repeated record overwrites";
        EXPECT_EQ(map.getExploredLevel(1, false)->pixels[5], 5);
        EXPECT_EQ(map.getExploredLevel(0, false), nullptr) << "sparse";
        EXPECT_EQ(three->gate.zone, row.gateFields ? 3 : -1) << row.first;
        EXPECT_EQ(three->connections.size(), row.gateFields ? 1u : 0u) << row.first;
    }
}

TEST_F(WorldMapFileTest, ADamagedMapIsSetAsideWhicheverSpellingTheFolderHas)
{
    for (const std::string folder : {"Chars", "chars"}) {
        std::filesystem::remove_all(user.path() / "Chars");
        std::filesystem::remove_all(user.path() / "chars");
        std::filesystem::create_directories(user.path() / folder);
        WorldMap& writer = fresh(world);
        explore(writer);
        writer.saveExplored("chars/Ann.map");
        const std::vector<uint8_t> good = readFileBytes(user.path() / folder / "Ann.map");
        ASSERT_GT(good.size(), 20u) << folder;
        const std::vector<uint8_t> cut(good.begin(), good.begin() + 20);
        put(cut, folder + "/Ann.map");
        bench.log.clear();
        WorldMap& reader = fresh(world);
        reader.loadExplored("chars/Ann.map");
        EXPECT_EQ(bench.log.count(3), 0u) << folder;
        EXPECT_EQ(readFileBytes(user.path() / folder / "Ann.map.damaged"), cut) << folder;
        // The next save writes a fresh map beside the damaged one.
        explore(reader);
        reader.saveExplored("chars/Ann.map");
        EXPECT_EQ(readFileBytes(user.path() / folder / "Ann.map"), good) << folder;
        EXPECT_EQ(readFileBytes(user.path() / folder / "Ann.map.damaged"), cut) << folder;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(user.path()), {}), 1) << folder;
    }
}

TEST_F(WorldMapFileTest, DamagedFilesAreRefusedWholeAndSetAside)
{
    explore(map);
    const std::vector<uint8_t> good = saved(map);
    auto refused = [&](const std::vector<uint8_t>& bytes, const char* what) {
        put(bytes);
        std::filesystem::remove(user.path() / "chars/Ann.map.damaged");
        bench.log.clear();
        WorldMap& reader = fresh(world);
        reader.getExploredLevel(0, true);
        reader.loadExplored("chars/Ann.map");
        EXPECT_EQ(reader.getExploredLevel(0, false), nullptr)
            << what << ": the game goes on with an empty map";
        EXPECT_TRUE(bench.log.contains("chars/Ann.map: ")) << what;
        EXPECT_TRUE(bench.log.contains(" at byte ")) << what;
        EXPECT_TRUE(std::filesystem::exists(user.path() / "chars/Ann.map.damaged")) << what;
    };
    for (size_t size = 0; size < good.size(); ++size) {
        refused(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)),
                ("cut to " + std::to_string(size)).c_str());
    }
    std::vector<uint8_t> index = good;
    index[16] = 0x10; // the first record's level index: 10,000
    index[17] = 0x27;
    refused(index, "index 10000");
    index[16] = 4; // a level the world does not hold
    index[17] = 0;
    refused(index, "index 4");
    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    refused(trailing, "bytes after the terminator");

    // Written with levels of 16 tiles (n = 8), read with n = 4.
    FakeMapWorld large(16);
    for (int i = 0; i < 4; ++i) {
        large.addLevel(i, 0, "L");
    }
    WorldMap& wide = fresh(large);
    bench.view.playerPosition = {1, 100.0f, 100.0f};
    wide.update(0.0f);
    refused(saved(wide), "another grid size");
}

TEST_F(WorldMapFileTest, AFailedWriteKeepsTheOldFile)
{
    explore(map);
    const std::vector<uint8_t> old = saved(map);
    // The temporary file cannot be made: its name is taken by a directory.
    std::filesystem::create_directories(user.path() / "chars/Ann.map.tmp");
    map.getExploredLevel(1, true);
    map.saveExplored("chars/Ann.map");
    EXPECT_TRUE(bench.log.contains("chars/Ann.map", 3));
    EXPECT_EQ(readFileBytes(user.path() / "chars/Ann.map"), old);
}

} // namespace
