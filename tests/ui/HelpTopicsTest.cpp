// Help topics: the chain read from the database, the offering walk of the
// local player, the button row and the six commands.
#include "client/Client.h"
#include "client/player/PlayerClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/data/Database.h"
#include "support/TestEntityMirror.h"
#include "support/UITestBench.h"
#include "ui/UiHooks.h"

#include <gtest/gtest.h>

namespace {

struct HelpTopicsTest : ::testing::Test {
    HelpTopicsTest()
    {
        bench.ui.registerCommands();
        bench.ui.editSettings().helpTopicBasePosition = {400.0f, 420.0f};
        bench.ui.editSettings().helpTopicButtonOffset = 40.0f;
        bench.ui.editSettings().helpTopicButtonSize = 32.0f;
        installClientUi(client.getUi(), bench.ui);
    }
    ~HelpTopicsTest() override { clearClientUi(client.getUi()); }

    void loadTopics(const std::string& entry)
    {
        db = std::make_unique<Database>();
        db->addSubDatabase("Interface", "interface.dbl", entry);
        db->resolveBases();
        bench.ui.loadMenuList("", "menus.lst", false);
    }

    // The visible buttons' topics and x positions, in row order.
    std::vector<std::pair<std::string, float>> row() const
    {
        std::vector<std::pair<std::string, float>> out;
        for (const auto& menu : bench.ui.getMenus()) {
            const std::string& name = menu->getName();
            if (name.size() > 6 && name.ends_with("Button") && menu->isActive()) {
                out.emplace_back(name.substr(0, name.size() - 6), menu->getPosition().x);
            }
        }
        return out;
    }

    UITestBench bench;
    std::unique_ptr<Database> db;
    Client client;
    PlayerClient player;
};

const char* const kTopics = "HelpTopics {\n StartHelpTopic Welcome\n HelpTopic Welcome\n HelpTopic Moving\n"
                            " HelpTopic Fighting\n HelpTopic LevelUp\n HelpTopic Loop\n"
                            " NextHelpTopicWelcome Moving\n NextHelpTopicMoving Fighting\n"
                            " NextHelpTopicLevelUp Loop\n NextHelpTopicLoop LevelUp\n}\n";

TEST_F(HelpTopicsTest, OfferingFollowsTheChainPastReadTopics)
{
    loadTopics(kTopics);
    ASSERT_EQ(bench.ui.getHelpTopicCount(), 5);
    EXPECT_EQ(bench.ui.findHelpTopic("levelup"), 3);
    EXPECT_EQ(bench.ui.getNextHelpTopic(2), "");

    // Welcome read, Moving unread: Moving's button (setHelpTopicRead offers it).
    player.setHelpTopicRead(0);
    EXPECT_TRUE(bench.ui.hasHelpTopicButton(1));
    EXPECT_EQ(bench.view.soundsPlayed.size(), 1u);
    UIMenu* moving = bench.ui.findMenu("MovingButton");
    moving->setPosition({7.0f, 9.0f});
    player.showHelpTopic("Welcome");
    EXPECT_EQ(row().size(), 1u) << "the visible button is not added again";
    EXPECT_EQ(bench.view.soundsPlayed.size(), 1u) << "no sound for a visible topic";
    EXPECT_EQ(moving->getPosition().x, 7.0f) << "and no new layout";

    // A fully read chain offers nothing; a read cycle returns at once.
    player.setAllHelpTopicsRead();
    player.showHelpTopic("Welcome");
    player.showHelpTopic("LevelUp");
    player.showHelpTopic("NoSuchTopic");
    EXPECT_EQ(row().size(), 1u);
    EXPECT_FALSE(bench.ui.hasHelpTopicButton(3));
    EXPECT_EQ(bench.view.soundsPlayed.size(), 1u);

    // Reset offers the start topic.
    player.resetHelpTopics();
    EXPECT_TRUE(bench.ui.hasHelpTopicButton(0));
}

TEST_F(HelpTopicsTest, ButtonsStandInACentredRow)
{
    loadTopics(kTopics);
    for (int topic : {0, 2, 3}) {
        bench.ui.addHelpTopicButton(topic);
    }
    auto buttons = row();
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0], (std::pair<std::string, float>{"Welcome", 340.0f}));
    EXPECT_EQ(buttons[1], (std::pair<std::string, float>{"Fighting", 380.0f}));
    EXPECT_EQ(buttons[2], (std::pair<std::string, float>{"LevelUp", 420.0f}));
    UIMenu* button = bench.ui.findMenu("FightingButton");
    ASSERT_NE(button, nullptr);
    ASSERT_EQ(button->getWidgets().size(), 1u);
    const UIWidget& widget = *button->getWidgets()[0];
    EXPECT_EQ(widget.getSize().x, 32.0f);
    EXPECT_TRUE(widget.canClick());
    EXPECT_EQ(widget.getClickCommands(),
              (std::vector<std::string>{"set HelpTopic Fighting", "pushMenu helpTopic"}));
    UITooltip tip;
    ASSERT_TRUE(const_cast<UIWidget&>(widget).getTooltip(tip));
    EXPECT_EQ(tip.text, "Help topic - $$HelpTitleFighting$$\n^c008Left click to read");

    // Hiding the middle one closes the gap at the next layout.
    setUserVar("HelpTopic", "Fighting");
    executeCommandLine("hideHelpTopicButton");
    executeCommandLine("repositionHelpTopics");
    buttons = row();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].second, 360.0f);
    EXPECT_EQ(buttons[1].second, 400.0f);
}

TEST_F(HelpTopicsTest, WithoutTheEntryEveryOfferDoesNothing)
{
    loadTopics("Other {\n x 1\n}\n");
    EXPECT_TRUE(bench.log.contains("HelpTopics database entry not found!", 3));
    size_t lines = bench.log.lines().size();
    player.showHelpTopic("Welcome");
    bench.ui.addHelpTopicButton(0);
    executeCommandLine("addHelpTopic Welcome");
    EXPECT_TRUE(row().empty());
    EXPECT_EQ(bench.log.lines().size(), lines) << "the error is logged once, at loading";
}

TEST_F(HelpTopicsTest, AfterAReloadButtonsAreKeptAndReused)
{
    loadTopics(kTopics);
    TestEntityMirror mirror;
    bench.view.localPlayer = &mirror;
    bench.ui.addHelpTopicButton(0);
    bench.ui.addHelpTopicButton(1);
    UIMenu* first = bench.ui.findMenu("WelcomeButton");
    bench.ui.loadMenuList("", "menus.lst", true);
    executeCommandLine("readAllHelpTopics");
    EXPECT_TRUE(bench.view.allHelpTopicsRead);
    EXPECT_TRUE(row().empty());
    size_t menus = bench.ui.getMenus().size();
    bench.ui.addHelpTopicButton(0);
    EXPECT_EQ(bench.ui.getMenus().size(), menus) << "the hidden button is shown again";
    EXPECT_EQ(bench.ui.findMenu("WelcomeButton"), first);
    EXPECT_EQ(row().size(), 1u);

    setUserVar("HelpTopic", "Moving");
    executeCommandLine("readHelpTopic");
    EXPECT_EQ(bench.view.helpTopicsRead, std::vector<int>{1});
    bench.view.localPlayer = nullptr;
}

} // namespace
