#include "support/UITestBench.h"

#include "client/mirrors/CovenantClient.h"
#include "ui/UIValueTables.h"
#include "ui/widgets/UICheckBox.h"
#include "ui/widgets/UICovenantTraitIcon.h"

#include <gtest/gtest.h>

namespace {

TEST(CheckBoxTest, TheBoxShowsAndFlipsItsVariable)
{
    UITestBench bench;
    UIMenu* menu =
        bench.loadMenu("name M\nvisible 1\nCheckBox\n{\n position 10 10\n size 100 16\n text Shadows\n"
                       " userVar r_test 2\n}\nCheckBox\n{\n position 10 40\n size 100 16\n}\n");
    UserVarRef var = bench.vars.getVar("r_test", "", 0);
    menu->show();
    ASSERT_EQ(var.getString(), "2");

    auto images = [&] {
        std::vector<std::string> out;
        for (const auto& call : bench.drawing.calls) {
            if (call.kind == RecordingUIDrawing::Call::Image) {
                out.push_back(bench.drawing.pathOf[call.handle] + "@" + std::to_string(int(call.y0)));
            }
        }
        return out;
    };
    bench.ui.draw();
    EXPECT_EQ(images(), (std::vector<std::string>{"Textures/UI/checkbox_uncheck.tga@40",
                                                  "Textures/UI/checkbox_uncheck.tga@10",
                                                  "Textures/UI/checkbox.tga@10"}));
    auto texts = bench.drawing.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].text, "Shadows");
    EXPECT_EQ(texts[1].x0, 30.0f);

    struct Click {
        int button;
        bool down;
        int y;
        const char* after;
    };
    // A right click, a release or the unbound box change nothing.
    const Click clicks[] = {
        {0, true, 15, "0"}, {1, true, 15, "0"}, {0, false, 15, "0"}, {0, true, 15, "1"}, {0, true, 45, "1"}};
    for (const Click& c : clicks) {
        bench.ui.onMouseButton(c.button, c.down, 20, c.y);
        EXPECT_EQ(var.getString(), c.after) << c.button << c.down << c.y;
    }
}

TEST(CheckBoxTest, ATraitIconPastTheTraitsShowsNothing)
{
    UITestBench bench;
    CovenantClient covenant(0);
    bench.view.playerCovenant = &covenant;
    UIMenu* menu = bench.loadMenu("name M\nvisible 1\n");
    auto owned = std::make_unique<UICovenantTraitIcon>();
    TextReader reader("{\n entityType PlayerCovenant\n texture UI/old\n size 16 16\n}", "t.mnu");
    owned->parseBlock(reader);
    auto* icon = static_cast<UICovenantTraitIcon*>(menu->addWidget(std::move(owned)));
    icon->setMenu(menu);
    for (int index : {-1, 0, 3}) {
        icon->setTraitIndex(index);
        icon->update(0.0f);
        EXPECT_FALSE(icon->getImage().isValid()) << index;
        UITooltip tip;
        EXPECT_FALSE(icon->getTooltip(tip)) << index;
    }
}

} // namespace
