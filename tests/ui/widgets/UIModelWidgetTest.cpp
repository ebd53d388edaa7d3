#include "support/UITestBench.h"

#include "client/mirrors/EntityClient.h"
#include "engine/resources/ModelResource.h"
#include "ui/widgets/PreviewEntity.h"
#include "ui/widgets/UIModelWidget.h"

#include <gtest/gtest.h>

namespace {

struct ModelWidgetTest : ::testing::Test {
    ModelWidgetTest()
    {
        setResourceRoots(bench.resources, {gameDataPath(), generatedDataPath()});
        ModelResource::registerTypes(bench.resources);
    }
    UIModelWidget* addWidget(const std::string& keywords)
    {
        UIMenu* menu =
            bench.loadMenu("name W\nvisible 1\nModelWidget\n{\n internalName MW\n position 100 50\n"
                           " size 200 150\n " +
                           keywords + "\n zoom 1.5\n}\n");
        return dynamic_cast<UIModelWidget*>(menu->findWidget("MW"));
    }

    UITestBench bench;
};

TEST_F(ModelWidgetTest, AttachmentIndicesOutsideTheFourSetNothing)
{
    UIModelWidget* widget = addWidget(
        "attachmentUserVar 4 W4 a.mdl\n attachmentUserVar -1 Wm b.mdl\n attachmentTag 4 tag_weapon\n"
        " attachmentTag -1 tag_head\n attachmentUserVar 3 W3 c.mdl\n attachmentTag 3 tag_hand");
    ASSERT_NE(widget, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(widget->getAttachmentVar(i).isValid()) << i;
        EXPECT_TRUE(widget->getAttachmentTag(i).empty()) << i;
    }
    EXPECT_EQ(bench.vars.findVar("W4"), nullptr);
    EXPECT_EQ(bench.vars.findVar("Wm"), nullptr);
    EXPECT_TRUE(widget->getAttachmentVar(3).isValid());
    EXPECT_EQ(widget->getAttachmentTag(3), "tag_hand");
    EXPECT_FLOAT_EQ(widget->getZoom(), 1.5f) << "the block reads on past them";
}

TEST_F(ModelWidgetTest, WithoutAModelOnlyTheAreaIsCleared)
{
    UIModelWidget* widget = addWidget("modelUserVar M \"\"\n clearBackground 1");
    widget->update(0.1f);
    widget->draw();
    ASSERT_EQ(bench.drawing.modelViews.size(), 1u);
    const auto& view = bench.drawing.modelViews[0];
    EXPECT_TRUE(view.clear);
    EXPECT_TRUE(view.ended);
    EXPECT_FLOAT_EQ(view.x0, 100.0f);
    EXPECT_FLOAT_EQ(view.y1, 200.0f);
    EXPECT_EQ(view.target.zone, -1);
    EXPECT_FLOAT_EQ(view.target.x, 1000.0f);
    EXPECT_EQ(widget->getModelEntity().getModel(), nullptr);
}

TEST_F(ModelWidgetTest, AWeaponHangsAtTheTagOfBoxMan)
{
    UIModelWidget* widget =
        addWidget("modelUserVar M Models/BoxMan/boxman.mdl\n attachmentUserVar 0 W Models/Items/handAxe.mdl\n"
                  " attachmentTag 0 tag_weapon\n angleUserVar A 90");
    widget->update(0.1f);
    PreviewEntity& man = widget->getModelEntity();
    ASSERT_NE(man.getModel(), nullptr);
    ASSERT_NE(widget->getAttachment(0).getModel(), nullptr);
    const int tag = man.findAttachPoint("tag_weapon");
    ASSERT_GE(tag, 0);
    EXPECT_EQ(widget->getAttachPoint(0), tag);
    EXPECT_GE(man.getAnimation(), 0) << "idle plays";
    EXPECT_FLOAT_EQ(widget->getAngle(), 90.0f);

    // A new model resolves the tag again; another weapon keeps its tag.
    bench.vars.setVar("W", "Models/Items/dagger.mdl");
    widget->update(0.1f);
    EXPECT_EQ(widget->getAttachPoint(0), tag);
    EXPECT_EQ(widget->getAttachment(0).getModelName().find("dagger") != std::string::npos, true);
    EXPECT_EQ(man.getMouseAction(true, true), 0) << "the preview answers no mouse action";
}

} // namespace
