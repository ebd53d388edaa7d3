#include "support/TestEntityMirror.h"
#include "support/TestWorld.h"
#include "support/UITestBench.h"

#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "engine/core/ColorCodes.h"
#include "engine/data/Localization.h"
#include "game/covenants/CovenantBase.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameEnums.h"
#include "ui/UIValueTables.h"

#include <gtest/gtest.h>

namespace {

std::string sourceText(UIWidget& widget, int type, int number = -1)
{
    return UIWidget::getSourceText({type, number, ""}, widget);
}

// The interface on its fakes over the shipped game data.
struct DataBench {
    DataBench()
    {
        ui.setClientView(&view);
        ui.setDrawing(&drawing);
    }
    UIWidget& widget(const std::string& entityType)
    {
        UIMenu* menu = ui.addMenu(std::make_unique<UIMenu>());
        TextReader reader(
            "name M\nvisible 1\nWidget\n{\n internalName W\n entityType " + entityType + "\n}\n", "test.mnu");
        menu->parse(reader);
        return *menu->findWidget("W");
    }
    TestWorld world{true, false};
    Clock clock{[] { return int64_t(0); }};
    VirtualKeys keys;
    Input input;
    RecordingUIDrawing drawing{world.resources};
    FakeClientView view;
    UISystem ui;
};

TEST(WidgetSourceTest, LevelsBagsRanksRumoursAndTaxes)
{
    UITestBench bench;
    UIMenu* menu = bench.loadMenu("name M\nvisible 1\nWidget\n{\n internalName Sel\n entityType Selected\n}\n"
                                  "Widget\n{\n internalName Own\n entityType PlayerCovenant\n}\n");
    UIWidget& selected = *menu->findWidget("Sel");
    UIWidget& own = *menu->findWidget("Own");
    TestEntityMirror player, target;
    bench.view.localPlayer = &player;
    bench.view.target = &target;
    bench.view.playerStats[static_cast<int>(CharacterStat::Level)] = 10;

    // The level's colour by the difference to the player.
    const std::pair<int, int> levels[] = {{-5, 4}, {-2, 2}, {2, 5}, {3, 6}, {5, 7}, {6, 1}};
    for (auto [d, colour] : levels) {
        bench.view.levels[&target] = 10 + d;
        EXPECT_EQ(sourceText(selected, UITextSource::EntityLevel),
                  formatColorCode(colour) + std::to_string(10 + d))
            << d;
    }

    // Bags: strictly above nine tenths is coloured.
    const int bag1 = static_cast<int>(InventoryGroupIndex::Bag1);
    bench.view.groupCapacities = {{bag1, 12}, {bag1 + 1, 8}};
    bench.view.groupCounts = {{bag1, 12}, {bag1 + 1, 6}};
    EXPECT_EQ(sourceText(selected, UITextSource::BagCapacity), "18/20");
    bench.view.groupCounts[bag1 + 1] = 7;
    EXPECT_EQ(sourceText(selected, UITextSource::BagCapacity), "^c00119/20");

    // The player covenant (index 2 of 3) at each place of the power order.
    CovenantBase covenants[3];
    for (int i = 0; i < 3; ++i) {
        covenants[i].index = i;
        bench.view.covenants.push_back(&covenants[i]);
    }
    bench.view.playerCovenant = &covenants[2];
    bench.view.playerCovenantIndex = 2;
    const std::pair<int, const char*> ranks[] = {{1, "st"},  {2, "nd"},  {3, "rd"}, {11, "th"},
                                                 {12, "th"}, {13, "th"}, {21, "st"}};
    for (auto [rank, suffix] : ranks) {
        bench.view.powerOrder.assign(static_cast<size_t>(rank - 1), 0);
        bench.view.powerOrder.push_back(2);
        std::string text = sourceText(own, UITextSource::DiplomaticWinProgress);
        std::string expected = wrapText("WinProgressRank", "%d%s", rank, suffix);
        EXPECT_EQ(text.substr(text.size() - expected.size()), expected) << rank;
    }

    // Taxes of a covenant without routes or guards.
    std::string taxes = sourceText(own, UITextSource::CovenantTaxesVerbose);
    const std::string tail = "No trade routes\nGuard Costs: 0\n";
    ASSERT_GE(taxes.size(), tail.size());
    EXPECT_EQ(taxes.substr(taxes.size() - tail.size()), tail);
    covenants[2].setRelationSubState(0, 2);
    EXPECT_NE(sourceText(own, UITextSource::CovenantTaxesVerbose).find("Trade with "), std::string::npos);

    // No quest chosen: the fixed text even without a player.
    bench.view.localPlayer = nullptr;
    EXPECT_EQ(sourceText(selected, UITextSource::PotentialQuestText), "No new quests available.");
    // Quest slots outside 0 … 5 are empty.
    bench.view.localPlayer = &player;
    bench.view.quests[0] = {true, 7, "Rats", "Kill rats", false, nullptr};
    EXPECT_EQ(sourceText(selected, UITextSource::QuestTitle, 0), "Rats");
    EXPECT_EQ(sourceText(selected, UITextSource::QuestTitle, 6), "");
    EXPECT_EQ(sourceText(selected, UITextSource::QuestTitle, -1), "");
}

TEST(WidgetSourceTest, RumourPricesAgainstTheMoney)
{
    DataBench bench;
    UIWidget& widget = bench.widget("PlayerCovenant");
    CovenantBase own, partner;
    own.index = 1;
    partner.index = 0;
    partner.level = 2;
    bench.view.covenants = {&partner, &own};
    bench.view.playerCovenant = &own;
    bench.view.playerCovenantIndex = 1;
    bench.view.currentCovenant = 0;
    int cost = GameData::get().getRumorCost(1, 2);
    ASSERT_GT(cost, 0);
    const int money = static_cast<int>(CovenantStat::Money);
    own.stats.set(money, cost);
    std::string text = sourceText(widget, UITextSource::RumorText, 1);
    EXPECT_EQ(text, "$$RumorText2$$" + wrapText("RumorCost", "%s%d", "", cost));
    own.stats.set(money, cost - 1);
    text = sourceText(widget, UITextSource::RumorText, 1);
    EXPECT_EQ(text, "$$RumorText2$$" + wrapText("RumorCost", "%s%d", formatColorCode(1).c_str(), cost));
    // Only the three rumours 0 … 2 exist.
    for (int kind : {3, -1}) {
        EXPECT_EQ(sourceText(widget, UITextSource::RumorText, kind), "") << kind;
    }
}

// The class buttons store "$$ClassRogue$$": the description is the Rogue's,
// found without a log line; an unknown name shows nothing.
TEST(WidgetSourceTest, TheChosenClassDescription)
{
    DataBench bench;
    UIMenu* menu = bench.ui.addMenu(std::make_unique<UIMenu>());
    TextReader reader("name M\nWidget\n{\n internalName W\n userVar PlayerClass\n}\n", "test.mnu");
    menu->parse(reader);
    UIWidget& widget = *menu->findWidget("W");
    const CharacterClass* rogue =
        GameData::get().findCharacterClassById(static_cast<int>(CharacterClassType::Rogue));
    ASSERT_TRUE(rogue && !rogue->desc.empty());
    bench.world.log.clear();
    setUserVar("PlayerClass", "$$ClassRogue$$");
    EXPECT_EQ(sourceText(widget, UITextSource::SelectedCharacterClassDescription), rogue->desc);
    setUserVar("PlayerClass", "$$ClassNobody$$");
    EXPECT_EQ(sourceText(widget, UITextSource::SelectedCharacterClassDescription), "");
    EXPECT_FALSE(bench.world.log.contains("Unknown CharacterClassType", 3));
}

TEST(WidgetSourceTest, EntityNamesDifferByTheHints)
{
    DataBench bench;
    GameClient::registerCommands();
    EntityUpdateRecord record;
    record.number = 18;
    const DatabaseEntry* entry = bench.world.database.findEntry("Money");
    ASSERT_NE(entry, nullptr);
    record.entryId = static_cast<uint32_t>(entry->getId());
    record.covenant = -1;
    record.position = ZonePosition(0, 100.0f, 100.0f);
    record.typeSection.kind = EntityTypeSection::Kind::Money;
    record.typeSection.value = 250;
    GameClient::get().readEntityUpdate(record);

    UIWidget& widget = bench.widget("Selected");
    bench.view.target = GameClient::get().getEntity(18);
    std::string full = sourceText(widget, UITextSource::EntityName);
    std::string simple = sourceText(widget, UITextSource::EntityNameSimple);
    EXPECT_EQ(simple, sourceText(widget, UITextSource::SelectedFullName));
    ASSERT_FALSE(simple.empty());
    // The hints come in their own colour.
    EXPECT_EQ(full, simple + formatColorCode(146) +
                        "\nLeft click to pick up\nHold down Alt to see all items on ground" +
                        formatColorCode(145));
    GameClient::destroy();
}

} // namespace
