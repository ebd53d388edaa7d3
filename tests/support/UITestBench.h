#pragma once

#include "support/FakeClientView.h"
#include "support/RecordingUIDrawing.h"
#include "support/TestSupport.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/Clock.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/input/Input.h"
#include "engine/resources/ResourceSystem.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIWidget.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The interface on its two fakes, with the engine services it calls and a
// clock the test moves. "rec …" is a command that records its line.
struct UITestBench {
    UITestBench()
    {
        // Menu files report unknown keywords at the developer level.
        DebugSystem::get().setDeveloper(true);
        ui.setClientView(&view);
        ui.setDrawing(&drawing);
        commands.registerCommand(
            [this](const CommandArgs& args) {
                std::string line;
                for (const std::string& a : args) {
                    line += (line.empty() ? "" : " ") + a;
                }
                recorded.push_back(line);
            },
            "rec", "records", "words", "SSSSSSSS", true, CommandRecord::kSkipArgumentCheck);
    }

    void setTimeMs(int64_t ms)
    {
        nowNs = ms * 1000000;
        clock.update();
    }

    // A menu read from a text, added to the interface.
    UIMenu* loadMenu(const std::string& text, const std::string& file = "test.mnu")
    {
        UIMenu* menu = ui.addMenu(std::make_unique<UIMenu>());
        TextReader reader(text, file);
        menu->parse(reader);
        menu->collectSubMenuTabs();
        return menu;
    }

    LogCapture log;
    int64_t nowNs = 0;
    Clock clock{[this] { return nowNs; }};
    CommandSystem commands;
    UserVarSystem vars;
    VirtualKeys keys;
    Input input;
    ResourceSystem resources;
    RecordingUIDrawing drawing{resources};
    FakeClientView view;
    UISystem ui;
    std::vector<std::string> recorded;
};
