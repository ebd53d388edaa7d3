#include "support/FakeClientView.h"
#include "support/RecordingUIDrawing.h"
#include "support/RenderScene.h"

#include "engine/core/TextReader.h"
#include "graphics/render/ModelRenderSurface.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/PreviewEntity.h"
#include "ui/widgets/UIModelWidget.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The widget's models go into the graphics system's render queue: the weapon
// at BoxMan's weapon tag.
TEST(ModelWidgetQueueTest, AWeaponIsQueuedAtTheTagOfBoxMan)
{
    RenderScene scene;
    FakeClientView view;
    RecordingUIDrawing drawing{scene.resources};
    UISystem ui;
    ui.setClientView(&view);
    ui.setDrawing(&drawing);
    UIMenu* menu = ui.addMenu(std::make_unique<UIMenu>());
    TextReader reader(
        "name W\nvisible 1\nModelWidget\n{\n internalName MW\n size 200 150\n"
        " modelUserVar M Models/BoxMan/boxman.mdl\n attachmentUserVar 0 A Models/Items/handAxe.mdl\n"
        " attachmentTag 0 tag_weapon\n angleUserVar T 30\n}\n",
        "test.mnu");
    menu->parse(reader);
    auto* widget = dynamic_cast<UIModelWidget*>(menu->findWidget("MW"));
    ASSERT_NE(widget, nullptr);
    widget->update(0.25f);
    PreviewEntity& man = widget->getModelEntity();
    const ModelResource* axe = widget->getAttachment(0).getModel();
    ASSERT_TRUE(man.getModel() && axe);
    scene.queue.beginFrame();
    widget->draw();

    const ModelRenderSurface* body = nullptr;
    const ModelRenderSurface* weapon = nullptr;
    for (RenderSurface* surface : scene.queue.getQueued()) {
        if (auto* m = dynamic_cast<const ModelRenderSurface*>(surface)) {
            body = m->model == man.getModel() && !body ? m : body;
            weapon = m->model == axe && !weapon ? m : weapon;
        }
    }
    ASSERT_TRUE(body && weapon) << "both models queued";
    ZonePosition3 place, tag;
    Matrix3 bodyTurn, tagTurn;
    man.getWorldTransform(place, bodyTurn);
    ASSERT_TRUE(man.getTagTransform(widget->getAttachPoint(0), tag, tagTurn));
    // Queued places are the camera's: compare offsets from the body.
    EXPECT_NEAR(weapon->position.x - body->position.x, tag.x - place.x, 1e-3f);
    EXPECT_NEAR(weapon->position.y - body->position.y, tag.y - place.y, 1e-3f);
    EXPECT_NEAR(weapon->position.z - body->position.z, tag.z - place.z, 1e-3f);
    EXPECT_GT(std::fabs(tag.z - place.z), 1.0f) << "the tag is not the body's own place";
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(weapon->orientation.m[i / 3][i % 3], tagTurn.m[i / 3][i % 3], 1e-4f) << i;
    }
}

} // namespace
