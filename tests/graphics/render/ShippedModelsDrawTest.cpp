// Every shipped model that the game places or hangs on a body draws: each has
// a skin whose shaders exist and a loaded animation.
#include "engine/resources/ModelResource.h"
#include "support/RenderScene.h"

#include <gtest/gtest.h>

namespace {

TEST(ShippedModelsDrawTest, PlacedObjectsAndWornItemsDrawEveryMesh)
{
    RenderScene scene;
    for (const char* name :
         {"Models/Objects/tree.mdl", "Models/Objects/deadtree.mdl", "Models/Objects/boulder.mdl",
          "Models/Objects/standingstone.mdl", "Models/Objects/crate.mdl", "Models/Items/dagger.mdl",
          "Models/Items/handAxe.mdl", "Models/Items/shortSword.mdl", "Models/Items/buckler.mdl",
          "Models/Items/leatherCap.mdl", "Models/BoxMan/spider.mdl"}) {
        const int index = scene.load(name);
        ModelResource* model = scene.model(index);
        ASSERT_NE(model, nullptr) << name;
        EXPECT_EQ(model->getFlags(), 0u) << name;
        ASSERT_NE(model->getMeshSet(), nullptr) << name;
        scene.queue.beginFrame();
        scene.queue.addSkinnedModel(ModelDrawRequest::at(index, ZonePosition3(-1, 0, 0, 0), Matrix3()));
        const size_t before = scene.backend.batchCount;
        scene.draw();
        EXPECT_EQ(scene.backend.batchCount - before, static_cast<size_t>(model->getMeshSet()->getNumMeshes()))
            << name;
        if (std::string(name).find("/Items/") != std::string::npos) {
            EXPECT_GE(model->findAttachPoint("tag_tip"), 0) << name;
        }
    }
    EXPECT_EQ(scene.log.count(3), 0u);
    EXPECT_EQ(scene.log.count(2), 0u);
}

} // namespace
