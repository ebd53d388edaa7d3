#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"

#include "engine/console/CommandLine.h"
#include "engine/files/FileSystem.h"
#include "game/covenants/CovenantBase.h"
#include "game/definitions/GameEnums.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIStatBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using Call = RecordingUIDrawing::Call;

const char* const kPages[] = {"RelationsMain",          "RelationsDiplomacy",    "RelationsTradeRequest",
                              "RelationsTradeResponse", "RelationsPowerCompare", "RelationsInfluenceCompare",
                              "RelationsWinProgress",   "RelationsRaid",         "RelationsTrade",
                              "RelationsTradeItems",    "RelationsTreaties"};

// The relations menu over its eleven pages (all but the skipped one), four
// covenants of which the player's is index 2.
struct RelationsScene {
    explicit RelationsScene(const std::string& skipped = "")
        : files(dir.path().string(), user.path().string())
    {
        bench.ui.registerCommands();
        bench.commands.registerCommand(
            [this](const CommandArgs& args) {
                std::string line;
                for (const std::string& a : args) {
                    line += (line.empty() ? "" : " ") + a;
                }
                server.push_back("serverCommand " + line);
            },
            "serverCommand", "to the server", "words", "SSSSSSSS", true, CommandRecord::kSkipArgumentCheck);
        bench.commands.registerListFunction("npcs", [](std::vector<ListEntry>& out) {
            for (const char* value : {"5", "17", "9", "23"}) {
                out.push_back({std::string("Npc ") + value, value, "", "", true});
            }
        });
        std::string list;
        for (const char* page : kPages) {
            if (page == skipped) {
                continue;
            }
            std::string widgets =
                "Widget {\n internalName Label\n text page\n position 0 0\n size 10 10\n}\n";
            if (std::string(page) == "RelationsPowerCompare") {
                for (int k = 0; k < 5; ++k) {
                    widgets += formatString("Widget {\n internalName Power%d\n}\n", k);
                }
            } else if (std::string(page) == "RelationsInfluenceCompare") {
                for (int k = 0; k < 4; ++k) {
                    widgets += formatString("Widget {\n internalName Influence%d\n}\n", k);
                }
            } else if (std::string(page) == "RelationsRaid") {
                widgets +=
                    "List {\n internalName RaidNpcList\n position 0 100\n size 100 40\n itemHeight 10\n"
                    " infoProc npcs\n canSelectMultiple 1\n canClick 1\n}\n";
            }
            dir.write(std::string("UI/") + page + ".mnu",
                      std::string("name ") + page + "\nsubMenu 1\nvisible 1\n" + widgets);
            list += std::string("Menu ") + page + "\n";
        }
        dir.write("UI/CovenantRelations.mnu", "allowedToReload 0\n");
        dir.write("UI/menus.lst", list + "RelationsMenu CovenantRelations\n");
        UISettings& settings = bench.ui.editSettings();
        settings.relationsCenter = {390.0f, 250.0f};
        settings.relationsRadius = 150.0f;
        settings.minRelationForColoring = 20.0f;
        settings.maxRelationForColoring = 80.0f;
        bench.ui.loadMenus(false);
        menu = dynamic_cast<UIRelationsMenu*>(bench.ui.findMenu("CovenantRelations"));

        bench.view.gameRunning = bench.view.inGame = true;
        bench.view.localPlayer = &player;
        for (int i = 0; i < 4; ++i) {
            covenants[i].index = i;
            bench.view.covenants.push_back(&covenants[i]);
        }
        bench.view.playerCovenant = &covenants[2];
        bench.view.playerCovenantIndex = 2;
    }
    void open()
    {
        menu->show();
        menu->update(0.0f);
    }
    std::vector<Call> lines(float width = -1.0f) const
    {
        std::vector<Call> out;
        for (const Call& call : bench.drawing.calls) {
            if (call.kind == Call::Line && (width < 0.0f || call.alpha == width)) {
                out.push_back(call);
            }
        }
        return out;
    }
    void redraw()
    {
        bench.drawing.calls.clear();
        menu->update(0.0f);
        menu->draw();
    }

    TempDir dir;
    TempDir user;
    FileSystem files;
    UITestBench bench;
    UIRelationsMenu* menu = nullptr;
    TestEntityMirror player;
    CovenantBase covenants[4];
    std::vector<std::string> server;
};

bool near(float a, float b)
{
    return std::fabs(a - b) < 0.01f;
}

TEST(RelationsMenuTest, TheCircleAndItsLines)
{
    RelationsScene scene;
    ASSERT_NE(scene.menu, nullptr);
    scene.open();
    // The player's covenant straight above the centre, the others in order.
    const Vec2 expected[] = {{240, 250}, {390, 400}, {390, 100}, {540, 250}};
    for (int i = 0; i < 4; ++i) {
        Vec2 at = scene.menu->circlePosition(i);
        EXPECT_TRUE(near(at.x, expected[i].x) && near(at.y, expected[i].y))
            << i << ": " << at.x << "," << at.y;
        Vec2 box = scene.menu->getEntry(i).container->getPosition();
        EXPECT_TRUE(near(box.x, at.x - 32.0f) && near(box.y, at.y - 32.0f)) << i;
    }

    // The first show selects every entry: every pair has its relation line.
    for (int i = 0; i < UIRelationsMenu::kEntries; ++i) {
        EXPECT_TRUE(scene.menu->getEntry(i).selected) << i;
    }
    scene.redraw();
    // A line may be cut where it passes a badge's words; its first piece
    // starts at its covenant.
    auto startsOnTheCircle = [&](const Call& line) {
        for (int i = 0; i < 4; ++i) {
            const Vec2 at = scene.menu->circlePosition(i);
            if (near(line.x0, at.x) && near(line.y0, at.y)) {
                return true;
            }
        }
        return false;
    };
    const std::vector<Call> all = scene.lines(3.0f);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), startsOnTheCircle), 6);

    // Only covenant 0 selected; covenant 2 is out: lines to 1 and 3 only.
    for (int i = 0; i < 4; ++i) {
        scene.menu->getEntry(i).selected = i == 0;
    }
    scene.covenants[2].destroyed = true;
    scene.bench.view.relations[{0, 1}] = 80.0f;
    scene.bench.view.relations[{0, 3}] = 20.0f;
    setUserVar("rel_simplify", "1");
    scene.redraw();
    // Each line's last piece ends at the other covenant, in its colour.
    std::vector<std::vector<float>> ends;
    for (const Call& piece : scene.lines(3.0f)) {
        const std::vector<float> colour(piece.colour, piece.colour + 3);
        if (near(piece.x1, 390) && near(piece.y1, 400)) {
            EXPECT_EQ(colour, (std::vector<float>{0, 1, 0}));
            ends.push_back(colour);
        } else if (near(piece.x1, 540) && near(piece.y1, 250)) {
            EXPECT_EQ(colour, (std::vector<float>{1, 0, 0}));
            ends.push_back(colour);
        }
    }
    EXPECT_EQ(ends.size(), 2u);
    // Peace and no route draw nothing, and the simplified legend keeps its first sample only.
    EXPECT_TRUE(scene.lines(4.0f).empty());
    EXPECT_TRUE(scene.lines(1.0f).empty());
    ASSERT_EQ(scene.lines(2.5f).size(), 1u);

    scene.covenants[0].setRelationState(1, 5);
    scene.covenants[0].setRelationSubState(3, 2);
    scene.redraw();
    std::vector<Call> treaties = scene.lines(4.0f);
    ASSERT_GE(treaties.size(), 2u) << "the treaty line and its legend sample";
    EXPECT_EQ(treaties[0].handle, 0xf0f0);
    EXPECT_GE(scene.lines(1.0f).size(), 2u) << "the route line and its legend sample";

    // A right click on a crest selects it; a click on an eliminated one does nothing.
    EXPECT_TRUE(scene.menu->handleMouseButton(1, true, 390, 400));
    EXPECT_TRUE(scene.menu->getEntry(1).selected);
    EXPECT_FALSE(scene.menu->handleMouseButton(1, true, 390, 100));
    EXPECT_FALSE(scene.menu->getEntry(2).selected);
    // The selection outlasts hiding and showing again.
    scene.menu->hide();
    scene.open();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(scene.menu->getEntry(i).selected, i < 2) << i;
    }
}

// No line runs through a badge's words (name, ranks, taxes), of any kind:
// with four covenants the line across the circle would cross the left
// badge's taxes. Each line still leaves its covenant.
TEST(RelationsMenuTest, TheLinesLeaveTheBadgesWordsClear)
{
    RelationsScene scene;
    ASSERT_NE(scene.menu, nullptr);
    scene.open();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (i != j) {
                scene.covenants[i].setRelationState(j, 5);
                scene.covenants[i].setRelationSubState(j, 2);
            }
        }
    }
    scene.redraw();
    struct Box {
        float x0, y0, x1, y1;
    };
    std::vector<Box> words;
    for (int i = 0; i < 4; ++i) {
        const RelationsCovenantEntry& entry = scene.menu->getEntry(i);
        for (const auto& w : entry.container->getWidgets()) {
            if (w.get() != entry.eliminatedLabel &&
                (!w->getTextSources().empty() || !w->getTextValue().empty())) {
                const Vec2 at = w->getScreenPosition(), size = w->getSize();
                words.push_back({at.x, at.y, at.x + size.x, at.y + size.y});
            }
        }
    }
    ASSERT_EQ(words.size(), 16u) << "a name, two ranks and the taxes on each badge";
    // Whether the segment runs through the box (clipped to it).
    auto crosses = [](const Call& l, const Box& b) {
        float t0 = 0.0f, t1 = 1.0f;
        const float p[4] = {l.x0 - l.x1, l.x1 - l.x0, l.y0 - l.y1, l.y1 - l.y0};
        const float q[4] = {l.x0 - b.x0, b.x1 - l.x0, l.y0 - b.y0, b.y1 - l.y0};
        for (int k = 0; k < 4; ++k) {
            if (p[k] == 0.0f) {
                if (q[k] < 0.0f) {
                    return false;
                }
            } else if (p[k] < 0.0f) {
                t0 = std::max(t0, q[k] / p[k]);
            } else {
                t1 = std::min(t1, q[k] / p[k]);
            }
        }
        return t0 < t1;
    };
    for (float width : {3.0f, 4.0f, 1.0f}) {
        SCOPED_TRACE(width);
        const std::vector<Call> pieces = scene.lines(width);
        EXPECT_GE(pieces.size(), 7u) << "six lines and the legend's sample";
        for (const Call& piece : pieces) {
            for (const Box& b : words) {
                EXPECT_FALSE(crosses(piece, b))
                    << "(" << piece.x0 << ", " << piece.y0 << ") - (" << piece.x1 << ", " << piece.y1
                    << ") through (" << b.x0 << ", " << b.y0 << ") - (" << b.x1 << ", " << b.y1 << ")";
            }
        }
    }
}

TEST(RelationsMenuTest, ChartsOverTheHistory)
{
    RelationsScene scene;
    scene.open();
    for (int c = 0; c < 4; ++c) {
        scene.covenants[c].stats.set(static_cast<int>(CovenantStat::House), 10 * (c + 1));
    }
    scene.bench.view.history.assign(30, std::vector<std::array<int, 9>>(4, std::array<int, 9>{}));
    scene.menu->handleCommand("ShowPowerCompare");
    scene.redraw();
    std::vector<Call> segments = scene.lines(3.0f);
    ASSERT_EQ(segments.size(), 80u) << "20 segments for each of four covenants";
    for (int c = 0; c < 4; ++c) {
        const Call& last = segments[static_cast<size_t>(c * 20 + 19)];
        EXPECT_FLOAT_EQ(last.x1, 540.0f);
        EXPECT_FLOAT_EQ(last.y1, 100.0f + (1.0f - 10.0f * static_cast<float>(c + 1) / 40.0f) * 280.0f) << c;
    }
    // Five snapshots: a point for each, from the chart's left end on.
    scene.bench.view.history.assign(5, std::vector<std::array<int, 9>>(4, std::array<int, 9>{}));
    for (int t = 0; t < 5; ++t) {
        scene.bench.view.history[static_cast<size_t>(t)][0][0] = 8 * t;
    }
    scene.redraw();
    segments = scene.lines(3.0f);
    ASSERT_EQ(segments.size(), 20u);
    for (int t = 0; t < 5; ++t) {
        const Call& segment = segments[static_cast<size_t>(t)];
        EXPECT_FLOAT_EQ(segment.x0, 100.0f + 88.0f * static_cast<float>(t)) << t;
        EXPECT_FLOAT_EQ(segment.y0, 100.0f + (1.0f - 8.0f * static_cast<float>(t) / 40.0f) * 280.0f) << t;
    }
    // Every component off: everything lies flat at the bottom.
    scene.menu->handleCommand("OnlyShowPower 0");
    scene.menu->handleCommand("TogglePower 0");
    scene.redraw();
    for (const Call& segment : scene.lines(3.0f)) {
        EXPECT_FLOAT_EQ(segment.y0, 380.0f);
        EXPECT_FLOAT_EQ(segment.y1, 380.0f);
    }
    // A component past the toggles changes nothing.
    scene.menu->handleCommand("OnlyShowPower 1");
    scene.menu->handleCommand("ShowPower 7");
    scene.menu->handleCommand("ToggleInfluence 4");
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(scene.menu->getPowerToggle(k).shown, k == 1) << k;
    }
    EXPECT_TRUE(scene.menu->getInfluenceToggle(3).shown);
}

TEST(RelationsMenuTest, PagesTalkTradeAndRaid)
{
    RelationsScene scene;
    scene.open();
    using P = UIRelationsMenu;
    auto current = [&] { return scene.menu->getCurrentPage(); };
    scene.menu->handleCommand("TradeMenu");
    scene.menu->handleCommand("ShowTradeResponse");
    scene.menu->handleCommand("DoneWithTradeResponse");
    EXPECT_EQ(current(), scene.menu->getPage(P::Trade));
    scene.menu->handleCommand("ShowRelations");
    scene.menu->handleCommand("ShowTradeResponse");
    scene.bench.view.pendingOffer = 3;
    scene.bench.view.offerKind = 1;
    scene.menu->handleCommand("DoneWithTradeResponse");
    EXPECT_EQ(current(), scene.menu->getPage(P::TradeRequest));
    EXPECT_EQ(scene.bench.view.responses.back(), (std::pair<int, int>{3, 7}));
    EXPECT_EQ(scene.bench.view.currentCovenant, 3);
    // The trading flag follows the page, written only on a change.
    EXPECT_EQ(scene.bench.view.tradingFlags, (std::vector<bool>{true}));
    scene.bench.view.pendingOffer = -1;

    // A left click on covenant 1's crest talks to it; a raid on it takes the chosen people.
    scene.menu->handleCommand("ShowRelations");
    scene.menu->update(0.0f);
    // The player's own crest (at the top) is not talked to, and says so by
    // offering only the right click.
    UITooltip own, other;
    ASSERT_TRUE(scene.menu->getTooltip(390, 100, own));
    EXPECT_EQ(own.text.find("Left click to talk"), std::string::npos) << own.text;
    EXPECT_NE(own.text.find("Right click to select"), std::string::npos) << own.text;
    ASSERT_TRUE(scene.menu->getTooltip(390, 400, other));
    EXPECT_NE(other.text.find("Left click to talk"), std::string::npos) << other.text;
    scene.menu->handleMouseButton(0, true, 390, 400);
    EXPECT_EQ(current(), scene.menu->getPage(P::Diplomacy));
    EXPECT_EQ(scene.menu->getTalkCovenant(), 1);
    scene.menu->handleCommand("RaidMenu");
    auto* list = dynamic_cast<UIList*>(scene.bench.ui.findWidget("RelationsRaid::RaidNpcList"));
    ASSERT_NE(list, nullptr);
    list->initialize(true);
    list->onClick(0, true, 5, 115);
    list->onClick(0, true, 5, 135);
    scene.menu->handleCommand("StartRaid");
    EXPECT_EQ(scene.server, (std::vector<std::string>{"serverCommand Raid 1 17 23"}));
    EXPECT_FALSE(scene.menu->isVisible());
    EXPECT_EQ(scene.bench.view.tradingFlags, (std::vector<bool>{true, false}));
}

TEST(RelationsMenuTest, AMissingPageAndAReloadedPage)
{
    {
        RelationsScene scene("RelationsRaid");
        scene.open();
        scene.menu->handleCommand("RaidMenu");
        EXPECT_EQ(scene.menu->getCurrentPage(), nullptr);
        scene.menu->handleKey(65, true, false);
        scene.menu->handleMouseButton(0, true, 390, 400);
        UITooltip tip;
        scene.menu->getTooltip(10, 10, tip);
        scene.menu->draw();
        scene.menu->handleCommand("StartRaid");
        EXPECT_EQ(scene.server, (std::vector<std::string>{"serverCommand Raid -1"}));
    }
    RelationsScene scene;
    scene.open();
    UIMenu* old = scene.menu->getPage(UIRelationsMenu::Main);
    scene.dir.write("UI/RelationsMain.mnu", "name RelationsMain\nsubMenu 1\nvisible 1\n"
                                            "Widget {\n text renewed\n size 10 10\n}\n");
    executeCommandLine("reloadMenus");
    ASSERT_EQ(scene.bench.ui.findMenu("CovenantRelations"), scene.menu) << "kept by allowedToReload 0";
    EXPECT_NE(scene.menu->getPage(UIRelationsMenu::Main), old);
    EXPECT_EQ(scene.menu->getPage(UIRelationsMenu::Main), scene.bench.ui.findMenu("RelationsMain"));
    scene.menu->handleCommand("ShowRelations");
    scene.redraw();
    bool renewed = false;
    for (const Call& text : scene.bench.drawing.texts()) {
        renewed = renewed || text.text == "renewed";
    }
    EXPECT_TRUE(renewed);
}

TEST(RelationsMenuTest, TheLifestoneBarNamesItsHealthAboveTheFigures)
{
    RelationsScene scene;
    scene.open();
    scene.covenants[1].setLifestoneHealth(30);
    scene.covenants[1].setLifestoneMaxHealth(120);
    UIStatBar* bar = nullptr;
    for (const auto& widget : scene.menu->getEntry(1).container->getWidgets()) {
        bar = bar ? bar : dynamic_cast<UIStatBar*>(widget.get());
    }
    ASSERT_NE(bar, nullptr);
    UITooltip tip;
    ASSERT_TRUE(bar->getTooltip(tip));
    EXPECT_EQ(tip.text, "Covenant lifestone health\n30 / 120");
}

// A left click on the life-stone bar under a crest asks for that covenant's
// life stone as the target (the player's own too); when it became the
// target the screen closes. A right click, a fallen covenant's bar and a
// stone that stays away do neither; the bar's tooltip says what a click does.
TEST(RelationsMenuTest, ALeftClickOnALifestoneBarSelectsThatStone)
{
    RelationsScene scene;
    std::vector<std::string> asked;
    TestEntityMirror stone;
    stone.setLifeStoneFlag(true);
    bool found = true;
    scene.bench.commands.registerCommand(
        [&](const CommandArgs& args) {
            asked.push_back(args.empty() ? std::string() : args[0]);
            stone.setCovenantIndex(std::atoi(asked.back().c_str()));
            scene.bench.view.target = found ? &stone : nullptr;
        },
        "selectLifestone", "the stone", "covenantIndex", "d", true, 0);
    scene.covenants[3].destroyed = true;
    scene.open();
    auto barCentre = [&](int covenant) {
        const UIWidget* bar = scene.menu->getEntry(covenant).lifestoneBar;
        EXPECT_NE(bar, nullptr);
        const Vec2 at = bar ? bar->getScreenPosition() + bar->getSize() * 0.5f : Vec2{};
        return std::pair<int, int>{static_cast<int>(at.x), static_cast<int>(at.y)};
    };
    struct Case {
        const char* what;
        int covenant, button;
        bool stoneFound;
        std::vector<std::string> asked;
        bool open;
    };
    const Case cases[] = {
        {"right click", 1, 1, true, {}, true},
        {"a fallen covenant", 3, 0, true, {}, true},
        {"a stone out of sight", 1, 0, false, {"1"}, true},
        {"another covenant's", 1, 0, true, {"1"}, false},
        {"the player's own", 2, 0, true, {"2"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!scene.menu->isActive()) {
            scene.open();
        }
        asked.clear();
        found = c.stoneFound;
        scene.bench.view.target = nullptr;
        const auto [x, y] = barCentre(c.covenant);
        scene.menu->handleMouseButton(c.button, true, x, y);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(scene.menu->isActive(), c.open);
    }
    scene.open();
    const auto [x, y] = barCentre(1);
    UITooltip tip;
    ASSERT_TRUE(scene.menu->getTooltip(x, y, tip));
    EXPECT_NE(tip.text.find("Covenant lifestone health\n"), std::string::npos) << tip.text;
    EXPECT_NE(tip.text.find("Left click to select the lifestone"), std::string::npos) << tip.text;
}

} // namespace
