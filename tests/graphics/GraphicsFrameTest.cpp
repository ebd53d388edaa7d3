#include "engine/resources/ModelResource.h"
#include "graphics/BloomPlan.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"

#include "graphics/ViewPlanes.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/render/RenderView.h"
#include "support/ProgramRunner.h"
#include "support/RenderScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

TEST(CameraMathsTest, ZoomProjectionAndTileRange)
{
    RenderScene scene;
    GraphicsSystem& g = scene.graphics;
    scene.vars.setVar("zoomMax", "5");
    g.setZoom(2.0f);
    EXPECT_EQ(g.getVar("zoomMax").getString(), "3.000000");
    EXPECT_EQ(g.getVar("zoom").getString(), "2.000000");
    g.setZoom(0.5f);
    EXPECT_EQ(g.getVar("zoom").getString(), "0.600000");
    g.setZoom(9.0f);
    EXPECT_EQ(g.getVar("zoom").getString(), "3.000000");
    // The zoom takes effect with the next frame's settings.
    EXPECT_FLOAT_EQ(g.getZoom(), 1.0f);
    g.applyChangedSettings();
    EXPECT_FLOAT_EQ(g.getZoom(), 3.0f);

    float e[4];
    ASSERT_TRUE(projectionExtents(1280, 720, 1.0f, e));
    EXPECT_NEAR(e[1], 320.0f * (1280.0f / 720.0f) / (4.0f / 3.0f), 1e-3);
    EXPECT_FLOAT_EQ(e[3], 240.0f);
    ASSERT_TRUE(projectionExtents(1024, 768, 2.0f, e));
    EXPECT_FLOAT_EQ(e[1], 640.0f);
    // A minimised window: nothing to project and no tiles to walk.
    EXPECT_FALSE(projectionExtents(800, 0, 1.0f, e));
    EXPECT_FALSE(projectionExtents(0, 600, 1.0f, e));
    EXPECT_FLOAT_EQ(projectionWiden(800, 0), 1.0f);

    int range[4];
    ASSERT_TRUE(sceneTileRange(ZonePosition(0, 100, 100), 32.0f, Vec2(480, 480), 1.0f, 1.0f, range));
    EXPECT_EQ(range[0], -12); // floor(-380 / 32)
    EXPECT_EQ(range[1], 18);  // ceil(580 / 32) - 1
    EXPECT_EQ(range[2], -12);
    EXPECT_EQ(range[3], 18);
    // A wide window widens both axes.
    ASSERT_TRUE(sceneTileRange(ZonePosition(0, 0, 0), 32.0f, Vec2(480, 480), 1.0f, 1.5f, range));
    EXPECT_EQ(range[1], 22); // ceil(720 / 32) - 1
    EXPECT_FALSE(sceneTileRange(ZonePosition(0, 0, 0), 32.0f, Vec2(480, 480), 1.0f,
                                std::numeric_limits<float>::infinity(), range));
    EXPECT_FALSE(sceneTileRange(ZonePosition(0, 0, 0), 0.0f, Vec2(480, 480), 1.0f, 1.0f, range));

    // The shipped draw distance around (1000, 1000) at the two window shapes.
    struct Window {
        int width, height, first, last;
    };
    for (const Window& w : {Window{1024, 768, 16, 46}, Window{1280, 720, 11, 51}}) {
        ASSERT_TRUE(sceneTileRange(ZonePosition(0, 1000, 1000), 32.0f, Vec2(480, 480), 1.0f,
                                   projectionWiden(w.width, w.height), range));
        EXPECT_EQ(range[0], w.first) << w.width;
        EXPECT_EQ(range[1], w.last) << w.width;
        EXPECT_EQ(range[2], w.first) << w.width;
        EXPECT_EQ(range[3], w.last) << w.width;
    }
}

TEST(CameraMathsTest, TheCameraLooksDownAtItsTargetAndCullsOutsideTheBox)
{
    RenderScene scene;
    GraphicsSystem& g = scene.graphics;
    g.getFrameHooks().isConnected = [] { return true; };
    g.getFrameHooks().getCameraCentre = [] { return ZonePosition(3, 1000.0f, 2000.0f); };
    g.setupPlayerCamera(1.0f, false);
    const RenderView& view = g.getView();
    EXPECT_EQ(view.referenceZone, 3);
    EXPECT_NEAR(g.getDistanceRatio(), std::sqrt(2.0f), 1e-4);
    EXPECT_NEAR(view.eye.x, 1500.0f, 0.05f);
    EXPECT_NEAR(view.eye.y, 1500.0f, 0.05f);
    // The target sits in the middle of the view, 1000 in front of the eye.
    const float* m = view.viewMatrix;
    const float p[3] = {1000.0f, 2000.0f, 0.0f};
    float eye[3];
    for (int r = 0; r < 3; ++r) {
        eye[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
    }
    EXPECT_NEAR(eye[0], 0.0f, 0.05f);
    EXPECT_NEAR(eye[1], 0.0f, 0.05f);
    EXPECT_NEAR(eye[2], -1000.0f, 0.05f);
    // The camera's matrix rows are its forward, left and up axes.
    float rotation[9];
    g.getCameraMatrix(rotation);
    EXPECT_NEAR(rotation[2], -std::sqrt(0.5f), 1e-4); // looking down at 45 degrees

    ASSERT_EQ(view.planes.size(), 4u);
    EXPECT_FALSE(g.isSphereCulled(Vec3(1000, 2000, 0), 1.0f));
    // 320 units to the screen's right along the ground (x + y grows right).
    const float s = 320.0f / std::sqrt(2.0f);
    EXPECT_FALSE(g.isSphereCulled(Vec3(1000 + s - 1, 2000 + s - 1, 0), 0.0f));
    EXPECT_TRUE(g.isSphereCulled(Vec3(1000 + s + 2, 2000 + s + 2, 0), 1.0f));
    // Touching the plane is inside.
    EXPECT_FALSE(g.isSphereCulled(Vec3(1000 + s + 2, 2000 + s + 2, 0), 4.0f));
    // A larger zoom sees further.
    g.setupPlayerCamera(2.0f, false);
    EXPECT_FALSE(g.isSphereCulled(Vec3(1000 + s + 2, 2000 + s + 2, 0), 1.0f));
    // Without a connection the camera looks at zone -1's origin.
    g.getFrameHooks().isConnected = nullptr;
    g.setupPlayerCamera(1.0f, false);
    EXPECT_EQ(g.getCameraTarget().zone, -1);

    // Plane helpers.
    RenderView::Plane plane = planeFromPoints(Vec3(0, 0, 5), Vec3(1, 0, 5), Vec3(0, 1, 5));
    EXPECT_FLOAT_EQ(plane.normal.z, 1.0f);
    EXPECT_FLOAT_EQ(plane.distance, 5.0f);
    float rect[4] = {1e9f, 1e9f, -1e9f, -1e9f};
    extendRect(Vec2(3, -2), rect);
    extendRect(Vec2(-1, 4), rect);
    EXPECT_FLOAT_EQ(rect[0], -1.0f);
    EXPECT_FLOAT_EQ(rect[3], 4.0f);
}

TEST(CameraMathsTest, OverheadViewShadowsAndObjectsInTheWay)
{
    RenderScene scene;
    GraphicsSystem& g = scene.graphics;
    FrameHooks& h = g.getFrameHooks();
    ZonePosition player(0, 0.0f, 0.0f);
    h.isConnected = [] { return true; };
    h.hasLocalPlayer = [] { return true; };
    h.getCameraCentre = [&] { return player; };
    h.worldToScreen = [](const ZonePosition& p, bool) { return Vec2(p.x, p.y); };
    scene.vars.setVar("r_overheadView", "1");
    g.setupPlayerCamera(1.0f, false);
    EXPECT_NEAR(g.getDistanceRatio(), 1.00005f, 1e-5f);

    scene.vars.setVar("r_shadows", "2");
    EXPECT_EQ(g.getShadowMode(), 2);
    h.isModelEditorActive = [] { return true; };
    EXPECT_EQ(g.getShadowMode(), 0);
    h.isModelEditorActive = nullptr;

    // BoxMan's box (-0.5 -0.25 to 0.5 0.25) under each rule type.
    const std::string boxMan = readFile(gameDataPath() + "/Models/BoxMan/boxman.mdl");
    const size_t typeLine = boxMan.find("InWayAlphaType 2");
    ASSERT_NE(typeLine, std::string::npos);
    ModelResource* models[5] = {};
    for (int type : {0, 2, 3, 4}) {
        std::string text = boxMan;
        text.replace(typeLine, 16, "InWayAlphaType " + std::to_string(type));
        const std::string name = "Models/BoxMan/way" + std::to_string(type) + ".mdl";
        scene.dir.write(name, text);
        models[type] = scene.model(scene.load(name));
        ASSERT_NE(models[type], nullptr) << type;
    }
    struct Case {
        int type, facing;
        float x, y; // the player's offset from the object
        bool hidden;
    };
    const Case cases[] = {
        {0, 0, 10, -5, false},     {2, 0, 10, -5, true},   {2, 4, 10, 5, false},        {2, 2, 10, 5, true},
        {2, 6, -10, -5, false},    {3, 0, 10, 5, true},    {3, 4, -10, -5, false},      {3, 2, 10, -5, true},
        {3, 6, 10, 5, false},      {2, 0, -10, 5, false}, // on the camera's side
        {2, 1, -10, -5, false},    {2, 1, 10, -5, true},  // other facings: p.y < p.x and the rectangles meet
        {4, 3, 0.5f, 0.25f, true}, {4, 3, 0.6f, 0, false}, {4, 3, -0.5f, -0.25f, true},
    };
    const float everywhere[4] = {-1e6f, -1e6f, 1e6f, 1e6f};
    const ZonePosition3 object(0, 100.0f, 100.0f, 0.0f);
    for (const Case& c : cases) {
        player = ZonePosition(0, object.x + c.x, object.y + c.y);
        EXPECT_EQ(g.isObjectHidingPlayer(object, *models[c.type], c.facing, 1.0f, everywhere), c.hidden)
            << "type " << c.type << " facing " << c.facing << " at " << c.x << " " << c.y;
    }
    // A box in another zone hides nothing.
    player = ZonePosition(1, object.x, object.y);
    EXPECT_FALSE(g.isObjectHidingPlayer(object, *models[4], 0, 1.0f, everywhere));
}

// A frame without a display, every slot recording its call.
class FrameOrderTest : public ::testing::Test {
protected:
    FrameOrderTest()
    {
        FrameHooks& h = scene.graphics.getFrameHooks();
        h.isConnected = [] { return true; };
        h.isGameRunning = [this] { return running; };
        h.hasLocalPlayer = [] { return true; };
        h.getCameraCentre = [] { return ZonePosition(0, 64.0f, 64.0f); };
        h.getCellShader = [this](int, int x, int y) {
            ++cells;
            return tile;
        };
        h.getCellObject = [this](int, int x, int y, FrameCellObject& out) {
            if (x != 2 || y != 2) {
                return false;
            }
            out.model = man;
            out.fade = &fade;
            return true;
        };
        h.drawEntities = [this] { calls.push_back("entities"); };
        h.drawEffects = [this](double) { calls.push_back("effects"); };
        h.updateWorldMap = [this](double) { calls.push_back("worldMap.update"); };
        h.isWorldMapShown = [this] { return worldMap; };
        h.drawWorldMap = [this] { calls.push_back("worldMap.draw"); };
        h.isFullScreenMenuShown = [this] { return fullScreenMenu; };
        h.drawMiniMap = [this] { calls.push_back("miniMap"); };
        h.drawAreaEditor = [this] { calls.push_back("areaEditor"); };
        h.drawModelEditor = [this] { calls.push_back("modelEditor"); };
        h.drawOverheadTexts = [this] { calls.push_back("overhead"); };
        h.updateAndDrawMenus = [this](double) { calls.push_back("menus"); };
        h.drawHelpMenu = [this](double) { calls.push_back("helpMenu"); };
        h.drawDragAndCursor = [this] { calls.push_back("cursor"); };
        h.isMouseOverMenu = [this] { return overMenu; };
        tile = scene.shader("Textures/areas/town/cobbles01");
        man = scene.boxMan();
        scene.model(man); // loaded: the world pass draws only ready models
    }

    RenderScene scene;
    std::vector<std::string> calls;
    bool running = true, worldMap = false, fullScreenMenu = false, overMenu = false;
    int tile = -1, man = -1, cells = 0;
    float fade = 0.25f;
};

TEST_F(FrameOrderTest, TheStepsOfAFrameInOrder)
{
    const uint32_t frame = scene.graphics.getFrameNumber();
    scene.graphics.renderFrame(0.5);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"worldMap.update", "entities", "effects", "miniMap", "areaEditor",
                                        "modelEditor", "overhead", "menus", "helpMenu", "cursor"}));
    EXPECT_EQ(scene.graphics.getFrameNumber(), frame + 1);
    // The world pass walked the draw distance around the target, tiles
    // -13 … 16 both ways, and the placed model faded back up by half a
    // second's step.
    EXPECT_EQ(cells, 30 * 30);
    const float minimum = scene.model(man)->getInWayMinFade();
    ASSERT_LT(minimum, 1.0f);
    EXPECT_FLOAT_EQ(fade, 0.25f + (1.0f - minimum) * 0.5f);

    // The world map, a menu that hides the world, the model editor or a game
    // not running: no world, and none of the texts over its entities (the
    // mouse is over no menu, which would hide them as well).
    bool modelEditor = false;
    scene.graphics.getFrameHooks().isModelEditorActive = [&] { return modelEditor; };
    const std::vector<std::string> withoutWorld = {"worldMap.update", "areaEditor", "modelEditor",
                                                   "menus",           "helpMenu",   "cursor"};
    struct Case {
        const char* name;
        bool worldMap, fullScreenMenu, modelEditor, running;
        std::vector<std::string> calls;
    } cases[] = {
        {"world map",
         true,
         false,
         false,
         true,
         {"worldMap.update", "worldMap.draw", "areaEditor", "modelEditor", "menus", "helpMenu", "cursor"}},
        {"full-screen menu", false, true, false, true, withoutWorld},
        {"model editor", false, false, true, true, withoutWorld},
        {"no game", false, false, false, false, withoutWorld},
    };
    for (const Case& c : cases) {
        calls.clear();
        worldMap = c.worldMap;
        fullScreenMenu = c.fullScreenMenu;
        modelEditor = c.modelEditor;
        running = c.running;
        scene.graphics.renderFrame(0.5);
        EXPECT_EQ(calls, c.calls) << c.name;
    }
}

} // namespace

TEST_F(FrameOrderTest, TheAreaEditorHidesTheSceneAndTheRateFollowsTheFrameTime)
{
    bool areaEditor = true;
    scene.graphics.getFrameHooks().isAreaEditorActive = [&] { return areaEditor; };
    scene.graphics.renderFrame(0.5);
    EXPECT_EQ(calls, (std::vector<std::string>{"worldMap.update", "areaEditor", "modelEditor", "menus",
                                               "helpMenu", "cursor"}));
    EXPECT_EQ(cells, 0);
    scene.graphics.setupPlayerCamera(1.0f, false);
    EXPECT_EQ(scene.graphics.getCameraTarget().zone, -1);
    areaEditor = false;
    scene.graphics.setupPlayerCamera(1.0f, false);
    EXPECT_EQ(scene.graphics.getCameraTarget().zone, 0);

    // smoothFps 0: the rate of the frame itself; a frame of 0 ms shows none.
    GraphicsSystem& g = scene.graphics;
    float shown = 0.0f;
    ASSERT_TRUE(g.computeFps(10.0, 16.0, shown));
    EXPECT_FLOAT_EQ(shown, 62.5f);
    EXPECT_FALSE(g.computeFps(10.02, 0.0, shown));
    // Sampled every second: frames counted over the time since the last sample.
    scene.vars.setVar("smoothFps", "1");
    ASSERT_TRUE(g.computeFps(11.5, 20.0, shown));
    for (int i = 1; i <= 30; ++i) {
        ASSERT_TRUE(g.computeFps(11.5 + i * 0.05, 20.0, shown));
    }
    EXPECT_NEAR(shown, 30.0f / 1.5f, 1e-3f);

    // A held (quiet menu) frame keeps the figure last drawn for a quarter
    // second; a frame that draws anyway, or a later one, takes the new figure.
    struct Step {
        double now;
        const char* fresh;
        bool held;
        const char* drawn;
    } steps[] = {{20.0, "60.1 fps", true, "60.1 fps"},  {20.1, "58.7 fps", true, "60.1 fps"},
                 {20.2, "61.0 fps", false, "61.0 fps"}, {20.3, "59.9 fps", true, "61.0 fps"},
                 {20.46, "59.9 fps", true, "59.9 fps"}, {20.5, "60.0 fps", true, "59.9 fps"},
                 {20.5, "60.0 fps", false, "60.0 fps"}, {10.0, "12.0 fps", true, "12.0 fps"}};
    for (const Step& step : steps) {
        EXPECT_EQ(g.fpsTextToDraw(step.now, step.fresh, step.held), step.drawn) << step.now;
    }
}

TEST_F(FrameOrderTest, APlacedBrazierLightsItsCell)
{
    LightingSystem lighting;
    lighting.setMaxLights(16);
    const int brazier = scene.load("Models/Objects/brazier.mdl");
    const ModelResource* model = scene.model(brazier);
    ASSERT_NE(model, nullptr);
    EXPECT_FLOAT_EQ(model->getLightIntensity(), 96.0f);
    man = brazier;
    scene.graphics.renderFrame(0.5);
    ASSERT_EQ(lighting.getCount(), 1);
    const LightRecord& light = lighting.getLight(0);
    EXPECT_EQ(light.type, 0);
    EXPECT_FLOAT_EQ(light.radius, 96.0f);
    EXPECT_FLOAT_EQ(light.colour[0], 1.0f);
    EXPECT_FLOAT_EQ(light.colour[1], 0.7f);
    EXPECT_FLOAT_EQ(light.colour[2], 0.4f);
    EXPECT_FLOAT_EQ(light.position.x, 2.5f * 32.0f) << "at the cell's centre";

    // BoxMan gives none.
    lighting.beginFrame();
    man = scene.boxMan();
    scene.graphics.renderFrame(0.5);
    EXPECT_EQ(lighting.getCount(), 0);
}

TEST(BloomPlanTest, TextureSidesAndBlurWeights)
{
    struct SideCase {
        int requested, largest, side;
    };
    for (const SideCase& c :
         {SideCase{200, 4096, 256}, SideCase{256, 4096, 256}, SideCase{0, 4096, 1}, SideCase{-7, 4096, 1},
          SideCase{2147483647, 8192, 8192}, SideCase{5000, 6000, 4096}}) {
        EXPECT_EQ(BloomPlan::textureSide(c.requested, c.largest), c.side) << c.requested;
    }
    // n = 2, intensity 1.4: 0.21, 0.28, 0.21; the ±2 quads weigh 0 and are skipped.
    std::vector<BloomPlan::Quad> quads = BloomPlan::blurPass(2, 1.0f, 1.4f, 256.0f);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_NEAR(quads[0].weight, 0.21f, 1e-6f);
    EXPECT_NEAR(quads[1].weight, 0.28f, 1e-6f);
    EXPECT_NEAR(quads[2].weight, 0.21f, 1e-6f);
    EXPECT_FLOAT_EQ(quads[0].offset, -1.0f / 256.0f);
    EXPECT_TRUE(quads[0].replaces);
    EXPECT_FALSE(quads[1].replaces);
    EXPECT_TRUE(BloomPlan::blurPass(0, 1.0f, 1.4f, 256.0f).empty());
    // A typed huge blur walks at most 2 × 256 + 1 steps.
    EXPECT_LE(BloomPlan::blurPass(2147483647, 1.0f, 100.0f, 256.0f).size(), 513u);
}

TEST_F(FrameOrderTest, BloomWritesTheRoundedTextureSizeBack)
{
    scene.vars.setVar("r_bloom", "1");
    scene.vars.setVar("r_bloomTextureSize", "200");
    scene.graphics.renderFrame(0.1);
    EXPECT_EQ(scene.vars.getVar("r_bloomTextureSize", "", 0).getString(), "256");
}
