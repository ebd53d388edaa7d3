// The world map on hand-made levels: exploring, portals, the layout of
// levels, bars and labels, hovering and clicks.
#include "ui/maps/WorldMap.h"
#include "game/covenants/CovenantBase.h"
#include "support/FakeMapWorld.h"
#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"
#include "ui/widgets/UIScrollBar.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct WorldMapTest : ::testing::Test {
    WorldMapTest()
    {
        bench.ui.registerCommands();
        bench.loadMenu(
            "name WorldMap\nScrollBar {\n internalName VerticalScrollBar\n basicSetup 0 0 640 480\n}\n"
            "ScrollBar {\n internalName HorizontalScrollBar\n vertical 0\n basicSetup 0 0 624 480\n}\n");
        map.registerCommands(&bench.drawing);
        bench.view.localPlayer = &player;
    }
    ~WorldMapTest() override { bench.view.localPlayer = nullptr; }

    // The alpha of the cell holding a world point of a level.
    int alphaAt(int level, float x, float y)
    {
        ExploredLevel* record = map.getExploredLevel(level, false);
        return record ? record->cell(static_cast<int>(x / 64.0f), static_cast<int>(y / 64.0f))[3] : -1;
    }

    UITestBench bench;
    FakeMapWorld world;
    WorldMap map{world, bench.view};
    TestEntityMirror player;
};

TEST_F(WorldMapTest, ExploringLiftsTheFogByDistance)
{
    EXPECT_EQ(WorldMap::exploreAlpha(240.0f), 255);
    EXPECT_EQ(WorldMap::exploreAlpha(320.0f), 127);
    EXPECT_EQ(WorldMap::exploreAlpha(400.0f), 0);

    world.addLevel(0, 0, "Town");
    // Samples stand every 64 units from 400 before the player: at offsets
    // -16 and 48 around it, so the player's own cell and the one right of
    // it are seen whole; 368 right of it is sqrt(368² + 16²) away.
    bench.view.playerPosition = {0, 2048.0f, 2048.0f};
    map.update(0.0f);
    EXPECT_EQ(map.getWorldId(), 7) << "the map takes the loaded world's identity";
    EXPECT_EQ(alphaAt(0, 2048.0f + 48.0f, 2048.0f - 16.0f), 255);
    EXPECT_EQ(alphaAt(0, 2048.0f + 368.0f, 2048.0f - 16.0f),
              WorldMap::exploreAlpha(std::hypot(368.0f, 16.0f)));
    EXPECT_EQ(alphaAt(0, 2048.0f + 432.0f, 2048.0f - 16.0f), 0) << "out of reach";
    // The explored colour is the floor's mean of the 1 × 1 levels.
    const uint8_t* cell = map.getExploredLevel(0, false)->cell(32, 31);
    EXPECT_EQ(cell[0], 100);
    EXPECT_EQ(cell[2], 50);

    // Walking away never darkens a cell.
    bench.view.playerPosition = {0, 2048.0f + 448.0f, 2048.0f};
    map.update(0.0f);
    EXPECT_EQ(alphaAt(0, 2048.0f + 48.0f, 2048.0f - 16.0f), 255);

    // A new world drops everything.
    world.seed = 99;
    bench.view.playerPosition = {0, 1024.0f, 1024.0f};
    map.update(0.0f);
    EXPECT_EQ(map.getWorldSeed(), 99);
    EXPECT_EQ(alphaAt(0, 2048.0f + 48.0f, 2048.0f - 16.0f), 0);
    EXPECT_EQ(alphaAt(0, 1024.0f + 48.0f, 1024.0f - 16.0f), 255);
}

TEST_F(WorldMapTest, PortalsOnlyForLevelsTheWorldHolds)
{
    world.addLevel(0, 0, "Town");
    int cave = world.addLevel(1, 0, "Cave");
    world.levels[1].connections = {{0, {1, 10.0f, 10.0f}}, {5, {1, 20.0f, 20.0f}}, {0, {1, 30.0f, 30.0f}}};
    map.notePortal({5000, 1.0f, 1.0f}, {-1, 0.0f, 0.0f});
    map.notePortal({5000, 1.0f, 1.0f}, {3, 0.0f, 0.0f});
    EXPECT_EQ(map.getLevelTableSize(), 0) << "a damaged zone makes nothing";
    map.notePortal({0, 5.0f, 5.0f}, {-1, 0.0f, 0.0f});
    EXPECT_EQ(map.getExploredLevel(0, false), nullptr) << "the town has no gate of its own";
    map.notePortal({cave, 40.0f, 50.0f}, {-1, 0.0f, 0.0f});
    EXPECT_EQ(map.getExploredLevel(cave, false)->gate.x, 40.0f);
    map.notePortal({cave, 12.0f, 13.0f}, {0, 0.0f, 0.0f});
    map.notePortal({cave, 11.0f, 11.0f}, {5, 0.0f, 0.0f});
    const ExploredLevel* record = map.getExploredLevel(cave, false);
    EXPECT_EQ(record->gate.x, 40.0f) << "target zone 0 notes nothing";
    ASSERT_EQ(record->connections.size(), 2u);
    EXPECT_EQ(record->connections[0].zone, -1);
    EXPECT_EQ(record->connections[1].x, 11.0f);
    EXPECT_EQ(map.getExploredLevel(world.getLevelCount(), true), nullptr);
}

TEST_F(WorldMapTest, LevelsBarsAndNames)
{
    map.layout();
    EXPECT_EQ(map.getOrigin().x, 0.0f) << "no levels: origin (0, 0)";

    world.addLevel(2, 1, "Town");
    world.addLevel(3, 1, "Fields");
    world.addLevel(5, 3, "Hills");
    world.addLevel(-1, -1, "Crypt");
    world.edgeTile = 40;
    bench.view.playerPosition = {0, 2048.0f, 2048.0f};
    map.update(0.0f);
    map.getExploredLevel(2, true);
    for (int cell = 0; cell < 64 * 64; ++cell) {
        map.setExploredCell(0, cell % 64, cell / 64, 255);
    }
    map.layout();
    // The one edge that leads somewhere from a level with a record is
    // labelled at the tile where it is crossed.
    std::vector<ZonePosition> crossings;
    for (const MapLabel& label : map.getLabels()) {
        if (label.kind == MapLabel::Connection) {
            EXPECT_EQ(label.text, "Connection from Town to Fields");
            crossings.push_back(label.position);
        }
    }
    EXPECT_EQ(crossings, std::vector<ZonePosition>{ZonePosition(0, 127.5f * 32.0f, 40.5f * 32.0f)});
    EXPECT_EQ(map.getOrigin().x, 2.0f);
    EXPECT_EQ(map.getOrigin().y, 1.0f);
    EXPECT_EQ(map.getMapSize(), 112) << "known levels reach (3, 2) from the origin";
    EXPECT_EQ(map.getVerticalBar()->getCount(), 336);
    EXPECT_EQ(map.getHorizontalBar()->getVisibleCount(), 60);
    ASSERT_EQ(map.getNames().size(), 2u);
    EXPECT_EQ(map.getNames()[1].text, "Hills");
    // A name is written above its level's square, clear of the marks in it,
    // and inside the map's open area.
    {
        Vec2 at;
        const Vec2 size{40.0f, 12.0f};
        ASSERT_TRUE(map.placeName(map.getNames()[0], size, at));
        const Vec2 middle = map.screenPointOf({0, 2048.0f, 2048.0f});
        EXPECT_FLOAT_EQ(at.x + size.x * 0.5f, middle.x);
        for (const MapLabel& label : map.getLabels()) {
            if (label.position.zone == 0) {
                EXPECT_LE(at.y + size.y, map.screenPointOf(label.position).y - label.size * 0.5f)
                    << label.text;
            }
        }
        const std::array<float, 4> area = map.openArea();
        EXPECT_TRUE(at.x >= area[0] && at.y >= area[1] && at.x + size.x <= area[2] &&
                    at.y + size.y <= area[3]);
        // Under the message log's lines it is left out; clear of them it stays.
        bench.drawing.logShown = true;
        bench.drawing.logBox = {at.x + size.x - 1.0f, at.y + size.y - 1.0f, at.x + 200.0f, at.y + 100.0f};
        Vec2 under;
        EXPECT_FALSE(map.placeName(map.getNames()[0], size, under));
        bench.drawing.logBox = {at.x + size.x, at.y - 100.0f, at.x + 200.0f, at.y + 100.0f};
        EXPECT_TRUE(map.placeName(map.getNames()[0], size, under));
        bench.drawing.logShown = false;
        // Scrolled far off, the level's name is left out.
        map.getHorizontalBar()->scrollTo(300);
        map.layout();
        EXPECT_FALSE(map.placeName(map.getNames()[0], size, at));
    }

    setUserVar("wm_showZoneNames", "0");
    map.layout();
    EXPECT_TRUE(map.getNames().empty());
    EXPECT_FALSE(map.getLabels().empty()) << "labels stay";
    setUserVar("wm_showZoneNames", "1");

    // In the off-grid crypt only the crypt shows, at the origin, its name 70 higher.
    bench.view.playerPosition = {3, 100.0f, 100.0f};
    map.update(0.0f);
    map.layout();
    EXPECT_TRUE(map.isOffGrid());
    EXPECT_TRUE(map.isLevelShown(3));
    EXPECT_FALSE(map.isLevelShown(0));
    ASSERT_EQ(map.getNames().size(), 1u);
    EXPECT_EQ(map.getNames()[0].text, "Crypt");
    EXPECT_EQ(map.getNames()[0].at.y, -70.0f);
}

TEST_F(WorldMapTest, HoverClicksAndDrags)
{
    world.addLevel(0, 0, "Town");
    world.townGates = {{0, 2100.0f, 2100.0f}};
    CovenantBase red, blue;
    red.name = "Red";
    blue.name = "Blue";
    red.housePosition = {0, 1000.0f, 1000.0f};
    blue.housePosition = {0, 1000.0f, 1000.0f};
    CovenantBase* none = nullptr;
    bench.view.covenants = {&red, none, &blue};
    bench.view.playerPosition = {0, 2048.0f, 2048.0f};
    setUserVar("drawWorldMap", "1");
    map.update(0.0f);
    map.layout();

    // Both covenant labels stand at one point: the first added is hovered.
    int covenantLabel = -1;
    for (size_t i = 0; i < map.getLabels().size(); ++i) {
        if (map.getLabels()[i].kind == MapLabel::Covenant) {
            covenantLabel = static_cast<int>(i);
            break;
        }
    }
    ASSERT_GE(covenantLabel, 0);
    Vec2 at = map.screenPointOf(red.housePosition);
    const int hoverX = static_cast<int>(at.x) + 3, hoverY = static_cast<int>(at.y);
    bench.input.setMousePosition(hoverX, hoverY);
    map.layout();
    ASSERT_EQ(map.getHoveredLabel(), covenantLabel) << "the first of two equal labels";
    EXPECT_EQ(map.getLabels()[static_cast<size_t>(covenantLabel)].target, 0);
    EXPECT_EQ(map.getLabels()[static_cast<size_t>(covenantLabel)].size, 32.0f) << "hovered: four times";

    // Away from a gate a right click queues nothing and the map stays.
    EXPECT_TRUE(map.onClick(1, true, hoverX, hoverY));
    EXPECT_TRUE(bench.view.queued.empty());
    EXPECT_EQ(getUserVarString("drawWorldMap"), "1");
    // At a gate it teleports and closes.
    bench.view.playerAction = 14;
    map.layout();
    ASSERT_EQ(map.getHoveredLabel(), covenantLabel);
    EXPECT_TRUE(map.onClick(1, true, hoverX, hoverY));
    EXPECT_EQ(bench.view.queued, std::vector<std::string>{"gateToCovenant 0"});
    EXPECT_EQ(getUserVarString("drawWorldMap"), "0");
    EXPECT_FALSE(map.onClick(1, true, hoverX, hoverY)) << "a closed map takes nothing";

    // A left drag of 43 pixels moves a bar by 20 items.
    setUserVar("drawWorldMap", "1");
    UIScrollBar* bar = map.getHorizontalBar();
    bar->scrollTo(50);
    EXPECT_TRUE(map.onClick(0, true, 300, 200));
    EXPECT_TRUE(bench.view.mapCapture);
    EXPECT_TRUE(map.onClick(0, true, 257, 200));
    EXPECT_EQ(bar->getFirstVisible(), 70);
    EXPECT_TRUE(map.onClick(0, false, 257, 200));
    EXPECT_FALSE(bench.view.mapCapture);

    // Under the horizontal bar, out of the open area, the covenant label is
    // not drawn, so not hovered.
    const std::array<float, 4> area = map.openArea();
    map.layout();
    const Vec2 from = map.screenPointOf(red.housePosition);
    const float lower = map.screenPointOf({0, 1000.0f, 1100.0f}).y;
    red.housePosition.y += 100.0f * (area[3] + 6.0f - from.y) / (lower - from.y);
    at = map.screenPointOf(red.housePosition);
    ASSERT_TRUE(at.y > area[3] && at.y < 480.0f) << at.y;
    bench.input.setMousePosition(static_cast<int>(at.x), static_cast<int>(at.y));
    map.layout();
    EXPECT_EQ(map.getHoveredLabel(), -1);
}

} // namespace
