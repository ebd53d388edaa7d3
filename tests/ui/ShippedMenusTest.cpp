#include "support/ProgramRunner.h"
#include "support/UITestBench.h"

#include "engine/console/EngineCommands.h"

#include "engine/console/CommandLine.h"
#include "engine/files/FileSystem.h"
#include "engine/files/WholeFile.h"
#include "ui/widgets/UIDropDownMenu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

namespace {

// The shipped menus on the fakes, read through the game data's file system.
struct ShippedMenus : ::testing::Test {
    ShippedMenus() : files(gameDataPath(), user.path().string())
    {
        files.mountGeneratedDirectory(generatedDataPath());
        bench.keys.declareAction("gameMenu", 1, false, "");
        bench.ui.registerCommands();
        bench.log.clear();
        bench.ui.loadMenus(false);
    }
    TempDir user;
    FileSystem files;
    UITestBench bench;
};

TEST_F(ShippedMenus, EveryMenuLoadsCleanlyAndNamesWhatExists)
{
    ASSERT_NE(bench.ui.findMenu("Main"), nullptr);
    for (const char* name :
         {"NewCharacter", "Options", "OptionsVideo", "OptionsSound", "OptionsControls", "Hud", "PauseMenu"}) {
        EXPECT_NE(bench.ui.findMenu(name), nullptr) << name;
    }
    for (const auto& line : bench.log.lines()) {
        EXPECT_EQ(line.text.find(".mnu:"), std::string::npos) << line.text;
        EXPECT_EQ(line.text.find("menus.lst:"), std::string::npos) << line.text;
        EXPECT_EQ(line.text.find("Could not find"), std::string::npos) << line.text;
    }
    std::optional<std::vector<uint8_t>> shaders = files.readWholeFile("Shaders/ui.sdr");
    std::string shaderText = shaders ? std::string(shaders->begin(), shaders->end()) : std::string();
    for (const auto& acquired : bench.drawing.acquired) {
        // A name without a folder is a shader of the interface's script.
        if (acquired.path.find('/') == std::string::npos) {
            EXPECT_NE(shaderText.find("\n" + acquired.path + "\n"), std::string::npos) << acquired.path;
            continue;
        }
        EXPECT_TRUE(files.fileExists(acquired.path)) << acquired.path;
    }
    for (const auto& menu : bench.ui.getMenus()) {
        for (const auto& widget : menu->getWidgets()) {
            if (widget->getFont().isValid() && widget->getFont() != bench.ui.getDefaultFont()) {
                std::string font = bench.resources.getFileName(widget->getFont().getIndex());
                EXPECT_TRUE(files.fileExists(font)) << font;
            }
            // A widget with text draws only its text: a button's label is a
            // widget of its own, or the button shows no image. A drop-down
            // menu draws its header's image under its words itself.
            if (widget->canClick() && widget->getImage().isValid() &&
                !dynamic_cast<const UIDropDownMenu*>(widget.get())) {
                EXPECT_EQ(widget->getTextValue(), "") << menu->getName() << "::" << widget->getInternalName();
            }
        }
    }
}

TEST_F(ShippedMenus, EveryTextKeyHasATranslation)
{
    std::set<std::string> keys;
    for (const auto& entry : std::filesystem::directory_iterator(gameDataPath("loc/english"))) {
        std::string text;
        readWholeFile(entry.path().string(), text);
        forEachConfigLine(text, [&](const std::vector<std::string>& words, int) { keys.insert(words[0]); });
    }
    const std::regex key(R"(\$\$([A-Za-z0-9_]+)\$\$)");
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(gameDataPath("UI"))) {
        std::string text;
        readWholeFile(entry.path().string(), text);
        for (std::sregex_iterator it(text.begin(), text.end(), key), end; it != end; ++it) {
            ++seen;
            EXPECT_TRUE(keys.count((*it)[1].str())) << entry.path() << ": " << (*it)[1].str();
        }
    }
    EXPECT_GT(seen, 20);
}

TEST_F(ShippedMenus, OptionsRememberWhatThePagesChange)
{
    UIMenu* options = bench.ui.findMenu("Options");
    bench.ui.pushMenu(options);
    ASSERT_EQ(options->getSelectedSubMenu(), 0);
    std::vector<std::string> remembered = options->getRememberedNames();
    EXPECT_NE(std::find(remembered.begin(), remembered.end(), "s_volumeMusic"), remembered.end());
    // A click in the middle of the music slider sets a half.
    options->selectSubMenu(1);
    UIWidget* music = bench.ui.findWidget("OptionsSound::s_volumeMusic");
    ASSERT_NE(music, nullptr);
    Vec2 at = music->getScreenPosition();
    EXPECT_TRUE(bench.ui.onMouseButton(0, true, static_cast<int>(at.x + music->getSize().x / 2),
                                       static_cast<int>(at.y) + 4));
    EXPECT_EQ(getUserVarString("s_volumeMusic"), "0.500000");
    EXPECT_TRUE(bench.ui.handleKey(1, true, false)) << "the game-menu key goes back";
    EXPECT_FALSE(options->isActive());
}

// Every key action of the default configuration has its row on the controls
// page: the rows stand apart inside the options frame, and a click on one
// waits for the key of that action.
TEST_F(ShippedMenus, TheControlsPageRebindsEveryKeyAction)
{
    std::string config;
    ASSERT_EQ(readWholeFile(gameDataPath("default.cfg"), config), WholeFileResult::Read);
    std::vector<std::string> actions;
    forEachConfigLine(config, [&](const std::vector<std::string>& words, int) {
        if (words.size() >= 3 && words[0] == "VirtualKey") {
            actions.push_back(words[1]);
        }
    });
    ASSERT_EQ(actions.size(), 35u);
    registerEngineCommands(); // "set", which the rows run
    UIMenu* options = bench.ui.findMenu("Options");
    bench.ui.pushMenu(options);
    options->selectSubMenu(2);
    const UIWidget* back = bench.ui.findWidget("Options::Back");
    ASSERT_NE(back, nullptr);
    const Vec2 backAt = back->getScreenPosition();
    const Vec2 backSize = back->getSize();
    std::vector<const UIWidget*> rows;
    for (const std::string& action : actions) {
        SCOPED_TRACE(action);
        UIWidget* row = bench.ui.findWidget("OptionsControls::Bind" + action);
        ASSERT_NE(row, nullptr);
        const Vec2 at = row->getScreenPosition();
        const Vec2 size = row->getSize();
        EXPECT_GE(at.x, 60.0f);
        EXPECT_LE(at.x + size.x, 580.0f);
        EXPECT_GE(at.y, 110.0f) << "below the tabs";
        EXPECT_LE(at.y + size.y, 440.0f) << "on the panel";
        EXPECT_TRUE(at.x + size.x <= backAt.x || backAt.x + backSize.x <= at.x || at.y + size.y <= backAt.y ||
                    backAt.y + backSize.y <= at.y)
            << "meets the Back button";
        for (const UIWidget* other : rows) {
            const Vec2 o = other->getScreenPosition();
            const bool apart = at.x + size.x <= o.x || o.x + other->getSize().x <= at.x ||
                               at.y + size.y <= o.y || o.y + other->getSize().y <= at.y;
            EXPECT_TRUE(apart) << "overlaps " << other->getInternalName();
        }
        rows.push_back(row);
        setUserVar("BindKeyShown", "0");
        EXPECT_TRUE(bench.ui.onMouseButton(0, true, static_cast<int>(at.x + size.x / 2),
                                           static_cast<int>(at.y + size.y / 2)));
        bench.ui.onMouseButton(0, false, static_cast<int>(at.x + size.x / 2),
                               static_cast<int>(at.y + size.y / 2));
        EXPECT_EQ(getUserVarString("BindKeyAction"), action);
        EXPECT_EQ(getUserVarString("BindKeyShown"), "1");
    }
    setUserVar("BindKeyShown", "0");
}

TEST(ShippedMenusProgram, AHeadlessRunDrivesTheMenusFromTheConsole)
{
    TempDir user;
    RunResult run =
        runProgram({"--headless", "--data-dir", gameDataPath(), "--user-dir", user.path().string()},
                   "set developer 1\nshowMenu Options\nreloadMenus\nquit\n", true);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string log = readFile(user.file("log.txt"));
    for (const char* bad : {"Unknown widget parm", "Unknown menu parm", "Couldn't load menu",
                            "Unknown menu type", "Could not find", "Unknown command - reloadMenus"}) {
        EXPECT_EQ(log.find(bad), std::string::npos) << bad << "\n" << log;
    }
    EXPECT_NE(log.find("showMenu can only be issued by the program"), std::string::npos) << log;
}

} // namespace
