#include "client/ScreenProjection.h"
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/ViewPlanes.h"
#include "graphics/render/RenderView.h"
#include "support/GridTopology.h"
#include "support/RenderScene.h"
#include "support/TestEntityMirror.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const ZonePosition kCamera(0, 1000.0f, 1000.0f);

ScreenProjection projection(float zoom = 1.0f, float verticalScale = 1.0f, int width = 640, int height = 480)
{
    ViewParameters view;
    view.zoom = zoom;
    view.verticalScale = verticalScale;
    view.width = width;
    view.height = height;
    return ScreenProjection(kCamera, view);
}

void expectBack(const ScreenProjection& p, const ZonePosition& world)
{
    Vec2 screen = p.worldToScreen(world, true);
    ZonePosition back = p.screenToWorld(screen.x, screen.y);
    Vec2 local = ZonePosition::getLocal(back, world);
    EXPECT_NEAR(local.x, world.x, 0.01f);
    EXPECT_NEAR(local.y, world.y, 0.01f);
}

} // namespace

TEST(ScreenProjection, CentreAndKnownPoints)
{
    GridTopology zones(4096.0f, 4096.0f);
    for (float zoom : {0.6f, 1.0f, 3.0f}) {
        ScreenProjection p = projection(zoom);
        Vec2 centre = p.worldToScreen(kCamera, true);
        EXPECT_NEAR(centre.x, 320.0f, 1e-3f);
        EXPECT_NEAR(centre.y, 240.0f, 1e-3f);
        ZonePosition world = p.screenToWorld(320.0f, 240.0f);
        EXPECT_EQ(world.zone, 0);
        EXPECT_NEAR(world.x, 1000.0f, 1e-3f);
        EXPECT_NEAR(world.y, 1000.0f, 1e-3f);
        // The caller's flag comes back in the result's flag byte.
        EXPECT_TRUE(world.needsNormalizing);
        EXPECT_FALSE(p.screenToWorld(320.0f, 240.0f, false).needsNormalizing);
    }
    ZonePosition point(0, 1100.0f, 1000.0f);
    Vec2 s = projection().worldToScreen(point, true);
    EXPECT_NEAR(s.x, 390.71f, 0.01f);
    EXPECT_NEAR(s.y, 310.71f, 0.01f);
    EXPECT_NEAR(projection(1.0f, 1.0f, 1280, 720).worldToScreen(point, true).x, 373.03f, 0.01f);
    Vec2 zoomed = projection(2.0f).worldToScreen(point, true);
    EXPECT_NEAR(zoomed.x, 355.36f, 0.01f);
    EXPECT_NEAR(zoomed.y, 275.36f, 0.01f);
    EXPECT_NEAR(projection(1.0f, 2.0f).worldToScreen(point, true).y, 275.36f, 0.01f);
    EXPECT_NEAR(projection().screenPositionOf(point, 10.0f).y, 300.71f, 0.01f);

    expectBack(projection(), point);
    expectBack(projection(2.0f), point);
    expectBack(projection(1.0f, 1.0f, 1280, 720), point);
    expectBack(projection(1.0f, 2.0f), point);
}

TEST(ScreenProjection, AcrossAZoneBorder)
{
    GridTopology zones(4096.0f, 4096.0f);
    ViewParameters view;
    ScreenProjection p(ZonePosition(0, 4086.0f, 1000.0f), view);
    // 20 units east of the camera lies in zone 1.
    ZonePosition east(1, 10.0f, 1000.0f);
    Vec2 screen = p.worldToScreen(east, true);
    EXPECT_NEAR(screen.x, 320.0f + 14.142f, 0.01f);
    ZonePosition back = p.screenToWorld(screen.x, screen.y);
    EXPECT_EQ(back.zone, 1);
    EXPECT_NEAR(back.x, 10.0f, 0.01f);
    EXPECT_NEAR(back.y, 1000.0f, 0.01f);
}

TEST(ScreenProjection, ClientTakesOnlyUsableViewValues)
{
    LogCapture log;
    Client client;
    ViewParameters view;
    view.zoom = 2.0f;
    view.verticalScale = 0.0f;
    view.width = 1280;
    view.height = 720;
    client.setViewParameters(view);
    EXPECT_EQ(client.getViewParameters().zoom, 2.0f);
    EXPECT_EQ(client.getViewParameters().verticalScale, 1.0f);
    EXPECT_EQ(client.getViewParameters().width, 1280);
    view.zoom = std::numeric_limits<float>::quiet_NaN();
    view.verticalScale = -1.0f;
    view.height = 0;
    client.setViewParameters(view);
    EXPECT_EQ(client.getViewParameters().zoom, 2.0f);
    EXPECT_EQ(client.getViewParameters().verticalScale, 1.0f);
    EXPECT_EQ(client.getViewParameters().height, 720);
}

namespace {

class PickingTest : public ::testing::Test {
protected:
    PickingTest() { GameClient::registerCommands(); }
    ~PickingTest() override { GameClient::destroy(); }

    TestEntityMirror* add(int number, float x, float y, int action = 1)
    {
        auto mirror = std::make_unique<TestEntityMirror>(action);
        mirror->setPosition(ZonePosition(0, x, y));
        TestEntityMirror* raw = mirror.get();
        GameClient::get().setEntity(number, std::move(mirror));
        return raw;
    }

    LogCapture log;
};

} // namespace

TEST_F(PickingTest, ModelLessRectangleAndChoice)
{
    ScreenProjection p = projection();
    TestEntityMirror* a = add(7, 1000.0f, 1000.0f);
    ScreenRect rect = p.getEntityScreenRect(*a);
    // Without game data the half tile is 16, as with a TileSize of 32.
    EXPECT_FLOAT_EQ(rect.left, 304.0f);
    EXPECT_FLOAT_EQ(rect.right, 336.0f);
    EXPECT_FLOAT_EQ(rect.bottom, 240.0f);
    EXPECT_FLOAT_EQ(rect.top, 168.0f);

    EXPECT_EQ(p.pickEntity(GameClient::get(), 320.0f, 200.0f, nullptr, -1), a);
    EXPECT_EQ(p.pickEntity(GameClient::get(), 320.0f, 250.0f, nullptr, -1), nullptr);
    // Equal weight and distance: the lower number.
    TestEntityMirror* b = add(3, 1000.0f, 1000.0f);
    EXPECT_EQ(p.pickEntity(GameClient::get(), 320.0f, 200.0f, nullptr, -1), b);
    // Nothing to do with it: passed over.
    b->setMouseAction(0);
    EXPECT_EQ(p.pickEntity(GameClient::get(), 320.0f, 200.0f, nullptr, -1), a);
    EXPECT_EQ(p.pickEntity(GameClient::get(), 320.0f, 200.0f, a, -1), nullptr);
}

TEST_F(PickingTest, HoverEntityGoesWithItsMirror)
{
    SafePtr<EntityClient> hover = add(9, 1000.0f, 1000.0f);
    EXPECT_NE(hover.get(), nullptr);
    GameClient::get().setEntity(9, nullptr);
    EXPECT_EQ(hover.get(), nullptr);
}

TEST(ScreenProjectionModel, LoadedBoxManAndAModelThatNeverLoads)
{
    LogCapture log;
    TempDir user;
    FileSystem files(gameDataPath(), user.path().string());
    ResourceSystem resources;
    useGameData(resources);
    ModelResource::registerTypes(resources);
    resources.startLoader();
    GameClient::registerCommands();
    ScreenProjection p = projection();

    TestEntityMirror boxMan;
    boxMan.setRadius(12.0f);
    boxMan.setPosition(kCamera);
    boxMan.setModel("BoxMan/boxman.mdl");
    ASSERT_NE(boxMan.getModel(), nullptr); // waits for the loader here, not in the picking
    ASSERT_TRUE(boxMan.getModelHandle().isLoaded());
    ScreenRect rect = p.getEntityScreenRect(boxMan);
    EXPECT_FLOAT_EQ(rect.bottom, 252.0f);
    EXPECT_FLOAT_EQ(rect.top, 168.0f);
    EXPECT_FLOAT_EQ(rect.left, 304.0f);

    // With the loader stopped the request stays queued: a model that never
    // loads (a finished failed load would count as loaded, empty).
    resources.stopLoader();
    TestEntityMirror missing;
    missing.setRadius(12.0f);
    missing.setPosition(kCamera);
    missing.setModel("Nowhere/none.mdl");
    ScreenRect none = p.getEntityScreenRect(missing);
    EXPECT_FLOAT_EQ(none.bottom, 240.0f);
    EXPECT_FLOAT_EQ(none.top, 168.0f);
    GameClient::destroy();
}

// The frame's view and projection matrices put world points where the
// client's projection does, at the window shapes and zooms the game uses.
TEST(ScreenProjection, TheFramesMatricesAgreeWithTheClient)
{
    RenderScene scene;
    GraphicsSystem& g = scene.graphics;
    const ZonePosition target(0, 320.0f, 240.0f);
    g.getFrameHooks().isConnected = [] { return true; };
    g.getFrameHooks().getCameraCentre = [&] { return target; };
    for (float zoom : {1.0f, 1.6f}) {
        g.setupPlayerCamera(zoom, false);
        const float* m = g.getView().viewMatrix;
        for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1280, 720}}) {
            float e[4];
            ASSERT_TRUE(projectionExtents(w, h, zoom, e));
            ViewParameters view;
            view.zoom = zoom;
            view.verticalScale = g.getDistanceRatio();
            view.width = w;
            view.height = h;
            const ScreenProjection client(target, view);
            for (float dx : {-300.0f, -95.0f, 0.0f, 140.0f, 290.0f}) {
                for (float dy : {-250.0f, -30.0f, 0.0f, 60.0f, 310.0f}) {
                    const ZonePosition p(0, target.x + dx, target.y + dy);
                    const float ex = m[0] * p.x + m[4] * p.y + m[12];
                    const float ey = m[1] * p.x + m[5] * p.y + m[13];
                    const float sx = (ex - e[0]) / (e[1] - e[0]) * 640.0f;
                    const float sy = (e[3] - ey) / (e[3] - e[2]) * 480.0f;
                    const Vec2 s = client.worldToScreen(p, true);
                    EXPECT_NEAR(sx, s.x, 0.5f) << w << " zoom " << zoom << " at " << dx << " " << dy;
                    EXPECT_NEAR(sy, s.y, 0.5f) << w << " zoom " << zoom << " at " << dx << " " << dy;
                }
            }
        }
    }
}
