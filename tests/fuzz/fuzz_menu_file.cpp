// Reads arbitrary bytes as a menu file (widget blocks and menu keywords) and,
// when the first byte is odd, as a menu list whose entries name the shipped
// menu files. Nothing read may crash, hang or leave a loop of menus. The same
// text is also laid out and scrolled as a text widget's text.
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/TextReader.h"
#include "engine/resources/ResourceSystem.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/RecordingUIDrawing.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIText.h"

#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem debug;
    static CommandSystem commands;
    static UserVarSystem vars;
    static VirtualKeys keys;
    static FileSystem* files = [] {
        std::filesystem::path user = std::filesystem::temp_directory_path() / "gloam_fuzz_menu";
        std::filesystem::create_directories(user);
        return new FileSystem(GLOAM_DATA_DIR, user.string());
    }();
    (void)files;
    static ResourceSystem resources;
    static RecordingUIDrawing drawing(resources);
    drawing.calls.clear();
    drawing.acquired.clear();
    if (size == 0) {
        return 0;
    }
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    UISystem ui;
    ui.setDrawing(&drawing);
    {
        // Widths from below the right margin to a few words.
        UIMenu* menu = ui.addMenu(std::make_unique<UIMenu>());
        auto owned = std::make_unique<UIText>();
        TextReader block("{ size " + std::to_string((data[0] % 64) * 3) + " 40 keyboardControl 1 }",
                         "fuzz.mnu");
        owned->parseBlock(block);
        UIText* widget = static_cast<UIText*>(menu->addWidget(std::move(owned)));
        widget->setMenu(menu);
        widget->finishSetup();
        widget->layoutLines(std::string(reinterpret_cast<const char*>(data), size));
        widget->prepareDraw();
        widget->onKey(209, true);
        widget->onMouseWheel(-1);
        widget->prepareDraw();
    }
    if (data[0] & 1) {
        ui.loadMenuList(text, "UI/menus.lst", false);
        ui.loadMenuList(text, "UI/menus.lst", true);
    } else {
        // Two menus, so links between them are tried both ways.
        for (const char* name : {"first.mnu", "second.mnu"}) {
            UIMenu* menu = ui.addMenu(std::make_unique<UIMenu>());
            TextReader reader(text, name);
            menu->parse(reader);
            menu->collectSubMenuTabs();
        }
    }
    for (const auto& menu : ui.getMenus()) {
        menu->handleCommand("menuCommand saveUserVars");
        menu->refreshWidgets();
        menu->draw();
        menu->update(0.1f);
        menu->handleMouseButton(0, true, 10, 10);
        menu->handleMouseButton(0, false, 10, 10);
    }
    ui.update(0.1f);
    ui.draw();
    ui.hideAllMenus();
    return 0;
}
