#include "support/UITestBench.h"

#include "engine/files/FileSystem.h"
#include "ui/widgets/UIDropDownBox.h"
#include "ui/widgets/UIFilePicker.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIScrollBar.h"
#include "ui/widgets/UIText.h"
#include "ui/widgets/UITextInput.h"

#include <gtest/gtest.h>

namespace {

// Levels/ holds the directories a and b and the file top.ara; rows start 30
// below the picker's top, 15 high.
struct FilePickerTest : ::testing::Test {
    FilePickerTest() : files(data.path().string(), user.path().string())
    {
        data.write("Levels/a/x.ara", "x");
        data.write("Levels/b/y.ara", "y");
        data.write("Levels/top.ara", "t");
        data.write("Levels/notes.txt", "n");
        bench.ui.registerCommands();
        bench.commands.registerListFunction("areas", [](std::vector<ListEntry>& out) {
            out.push_back({"Old Fort", "fort.ara", "", "", true});
            out.push_back({"Bad", "../escape.ara", "", "", true});
        });
    }
    UIFilePicker* addPicker(const std::string& keywords)
    {
        UIMenu* menu =
            bench.loadMenu("name P\nvisible 1\nFilePicker\n{\n size 200 150\n baseDirectory Levels\n"
                           " addExtension ara\n userVar picked\n successCommand \"rec done\"\n " +
                           keywords + "\n}\n");
        auto* picker = dynamic_cast<UIFilePicker*>(menu->findWidget("FilePicker"));
        picker->initialize(true);
        return picker;
    }
    void click(int y, int64_t ms)
    {
        bench.setTimeMs(ms);
        bench.ui.onMouseButton(0, true, 20, y);
        bench.ui.onMouseButton(0, false, 20, y);
    }
    UserVarRef var(const char* name) { return bench.vars.getVar(name, "", UserVarSystem::kCreate); }
    std::vector<std::string> names(const UIFilePicker* picker)
    {
        std::vector<std::string> out;
        for (const auto& entry : picker->getEntries()) {
            out.push_back(entry.name);
        }
        return out;
    }

    UITestBench bench;
    TempDir data;
    TempDir user;
    FileSystem files;
};

TEST_F(FilePickerTest, BrowsingAndRefusedChoices)
{
    UIFilePicker* picker = addPicker("textBox 1\n tempUserVar typedName");
    ASSERT_NE(picker->getNameInput(), nullptr);
    EXPECT_EQ(names(picker), (std::vector<std::string>{"a", "b", "top.ara"}));
    picker->executeCommand("widgetCommand back");
    EXPECT_EQ(picker->getCurrentDirectory(), "");
    EXPECT_EQ(picker->getEntries().size(), 3u);

    struct Refusal {
        const char* typed;
        const char* error;
    };
    const Refusal refusals[] = {{"", "Nothing selected"},
                                {"x.txt", "Nothing selected"},
                                {"../x.ara", "$$InvalidFileName$$"},
                                {"/tmp/x.ara", "$$InvalidFileName$$"},
                                {"a/../../x.ara", "$$InvalidFileName$$"}};
    for (const Refusal& r : refusals) {
        var("typedName").setString(r.typed);
        bench.view.errors.clear();
        picker->executeCommand("widgetCommand ok");
        EXPECT_EQ(bench.view.errors, (std::vector<std::string>{r.error})) << r.typed;
    }
    EXPECT_EQ(var("picked").getString(), "");
    EXPECT_TRUE(bench.recorded.empty());

    // One click on a directory relabels Ok; a second one soon after enters.
    click(35, 1000);
    EXPECT_EQ(picker->getOkButton()->getTextValue(), "Open");
    EXPECT_EQ(var("typedName").getString(), "a");
    click(35, 1200);
    EXPECT_EQ(picker->getCurrentDirectory(), "a");
    EXPECT_EQ(names(picker), (std::vector<std::string>{"x.ara"}));

    // Two quick clicks below the last row enter and complete nothing.
    click(100, 3000);
    click(100, 3100);
    EXPECT_EQ(picker->getSelectedRow(), -1);
    EXPECT_TRUE(bench.recorded.empty());

    // The Ok button's line finds the picker by its menu and name.
    var("typedName").setString("new.ara");
    bench.ui.onMouseButton(0, true, 160, 140);
    EXPECT_EQ(var("picked").getString(), "a/new.ara");
    EXPECT_EQ(bench.recorded, (std::vector<std::string>{"done"}));
}

TEST_F(FilePickerTest, DirectoriesAndProviderIdentifiers)
{
    UIFilePicker* folders = addPicker("pickingFile 0");
    folders->executeCommand("widgetCommand ok");
    EXPECT_EQ(var("picked").getString(), "");
    EXPECT_EQ(bench.recorded, (std::vector<std::string>{"done"}));

    UIFilePicker* areas = addPicker("infoProc areas\n useIdentifier");
    EXPECT_EQ(names(areas), (std::vector<std::string>{"Old Fort", "Bad"}));
    click(5, 1000);
    ASSERT_EQ(areas->getSelectedRow(), 0);
    areas->executeCommand("widgetCommand ok");
    EXPECT_EQ(var("picked").getString(), "fort.ara");
    bench.ui.showMenu(areas->getMenu());
    click(20, 3000);
    areas->executeCommand("widgetCommand ok");
    EXPECT_EQ(var("picked").getString(), "fort.ara");
    EXPECT_EQ(bench.view.errors, (std::vector<std::string>{"$$InvalidFileName$$"}));
}

// Ok on a selected directory enters it, whatever the picker picks and
// whether or not a name box holds the directory's name.
TEST_F(FilePickerTest, OkEntersASelectedDirectory)
{
    const char* pickers[] = {"textBox 1\n tempUserVar typedName\n pickingFile 0",
                             "textBox 1\n tempUserVar typedName\n pickingFile 1", "pickingFile 0"};
    for (const char* keywords : pickers) {
        UIFilePicker* picker = addPicker(keywords);
        bench.view.errors.clear();
        picker->onClick(0, true, 20, 50); // the second row: directory b
        ASSERT_EQ(picker->getSelectedRow(), 1) << keywords;
        picker->update(0.0f);
        ASSERT_EQ(picker->getSelectedRow(), 1) << keywords << ": the box holds the row's name";
        picker->executeCommand("widgetCommand ok");
        EXPECT_EQ(picker->getCurrentDirectory(), "b") << keywords;
        EXPECT_EQ(names(picker), (std::vector<std::string>{"y.ara"})) << keywords;
        EXPECT_EQ(picker->getOkButton()->getTextValue(), "Ok") << keywords;
        EXPECT_TRUE(bench.view.errors.empty()) << keywords << ": " << bench.view.errors.front();
        EXPECT_TRUE(bench.recorded.empty()) << keywords << ": the picker stays open";
        EXPECT_TRUE(picker->getMenu()->isVisible()) << keywords;
        bench.ui.hideMenu(picker->getMenu());
    }
}

TEST_F(FilePickerTest, ACopiedMenuOwnsItsRowsAndOutlivesTheTemplate)
{
    bench.commands.registerListFunction("modes", [](std::vector<ListEntry>& out) {
        out.push_back({"Low", "0", "", "", true});
    });
    auto source = std::make_unique<UIMenu>();
    TextReader reader(
        "name T\nList\n{\n size 100 50\n canClick 1\n infoProc areas\n}\nText\n{\n size 100 40\n text \"a "
        "b\"\n}\n"
        "DropDownBox\n{\n position 0 200\n baseSize 100 20\n maxSize 100 60\n infoProc modes\n}\n"
        "FilePicker\n{\n position 300 0\n size 200 150\n baseDirectory Levels\n addExtension ara\n"
        " textBox 1\n}\n",
        "t.mnu");
    source->parse(reader);
    for (const auto& widget : source->getWidgets()) {
        widget->initialize(true);
    }
    UIMenu* copy = bench.loadMenu("name C\nvisible 1\n");
    copy->copyWidgetsFrom(*source);
    // Each owner made its bar (and the picker its five widgets) beside the
    // copied ones.
    int bars = 0;
    for (const auto& widget : copy->getWidgets()) {
        bars += dynamic_cast<UIScrollBar*>(widget.get()) != nullptr;
    }
    EXPECT_EQ(bars, 8);
    source.reset();
    for (const auto& widget : copy->getWidgets()) {
        widget->initialize(true);
    }
    UIList* list = nullptr;
    for (const auto& widget : copy->getWidgets()) {
        list = list ? list : dynamic_cast<UIList*>(widget.get());
    }
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->getItems().size(), 2u);
    bench.ui.update(0.1f);
    bench.ui.draw();
    bench.ui.onMouseButton(0, true, 10, 5);
    bench.ui.onMouseButton(0, false, 10, 5);
    EXPECT_EQ(list->getSelectedIndex(), 0);
}

} // namespace
