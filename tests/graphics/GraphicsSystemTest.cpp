#include "graphics/GraphicsSystem.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The graphics system's variables, lists and display rules, without a display.
class GraphicsOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        graphics.registerCommands(false);
        graphics.setDisplayModesForTest({{640, 480, 32, 60},
                                         {800, 600, 32, 60},
                                         {1024, 768, 32, 60},
                                         {1024, 768, 24, 75},
                                         {1280, 1024, 16, 60},
                                         {1600, 1200, 32, 60}});
        graphics.setModeSetterForTest([this](int w, int h, int f) {
            modeCalls.push_back({w, h, f});
            for (const auto& m : graphics.getDisplayModes()) {
                if (m.width == w && m.height == h && (f <= 0 || f == m.refreshRate) && acceptListed) {
                    return true;
                }
            }
            return w == 800 && h == 600 && f == 0;
        });
    }
    std::string var(const char* name) { return graphics.getVar(name).getString(); }
    std::vector<std::pair<std::string, std::string>> list(const char* name)
    {
        std::vector<ListEntry> entries;
        commands.callListFunction(name, entries);
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& e : entries) {
            out.emplace_back(e.name, e.value);
        }
        return out;
    }

    LogCapture log;
    CommandSystem commands;
    UserVarSystem vars;
    GraphicsSystem graphics;
    std::vector<std::array<int, 3>> modeCalls;
    bool acceptListed = true;
};

using Entries = std::vector<std::pair<std::string, std::string>>;

} // namespace

TEST_F(GraphicsOptionsTest, VariablesInTableOrderWithTheirDefaults)
{
    EXPECT_EQ(var("r_width"), "800");
    EXPECT_EQ(var("r_mode"), "-1");
    EXPECT_EQ(var("monitorSync"), "1");
    EXPECT_EQ(var("ui_textEventsTime"), "30.0");
    // With the engine's developer and logfile, and the interface's drawUI and
    // ui_maxTextEventsShown that the text events make when absent.
    EXPECT_EQ(vars.getCount(), 46u + 2u + 2u);
    EXPECT_NE(commands.findCommand("prevTextEvent"), nullptr);
    EXPECT_NE(commands.findCommand("vidRestart"), nullptr);
    // The help texts that cmdlist prints.
    const std::pair<const char*, const char*> tools[] = {
        {"buildRtxs", "Builds all of the rtx files"},
        {"buildCtxs", "Builds all of the ctx files"},
        {"convertTexture", "Converts a texture"},
        {"convertTextureDirectory", "Converts a full texture directory"},
        {"compressTexture", nullptr},
        {"uncompressTexture", nullptr},
        {"generateTextures", "Generates a bunch of general textures"}};
    for (const auto& [tool, help] : tools) {
        const CommandRecord* record = commands.findCommand(tool);
        ASSERT_NE(record, nullptr) << tool;
        if (help) {
            EXPECT_EQ(record->help, help) << tool;
        }
    }
    EXPECT_EQ(GraphicsSystem::getTextOrientationTable().nameOf(1), "Center");
    const float* offset = graphics.getCameraOffset();
    EXPECT_NEAR(offset[2], 1000.0f / std::sqrt(2.0f), 0.05f);
    EXPECT_NEAR(offset[0], 500.0f, 0.05f);
}

TEST_F(GraphicsOptionsTest, ModeIndexPicksAListedSize)
{
    int w = 0, h = 0;
    for (const char* bad : {"0", "-1", "7", "-5"}) {
        vars.setVar("r_mode", bad);
        graphics.resolveWindowSize(w, h);
        EXPECT_EQ(w, 800) << bad;
        EXPECT_EQ(h, 600) << bad;
        EXPECT_EQ(var("r_mode"), bad);
    }
    vars.setVar("r_mode", "3");
    graphics.resolveWindowSize(w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_EQ(var("r_mode"), "-1");
    EXPECT_EQ(var("r_width"), "1024");
    EXPECT_EQ(var("r_height"), "768");
}

TEST_F(GraphicsOptionsTest, FullScreenFallsBackToTheClosestModeThenTo800By600)
{
    int w = 1234, h = 567, f = 0;
    ASSERT_TRUE(graphics.setDisplayMode(w, h, f, true));
    // Closest of 24 bits or more: 1024 × 768 (1280 × 1024 has 16 bits).
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_EQ(var("r_width"), "1024");
    EXPECT_EQ(var("r_height"), "768");
    EXPECT_EQ(var("r_freq"), "0");

    acceptListed = false;
    w = 1234, h = 567, f = 70;
    ASSERT_TRUE(graphics.setDisplayMode(w, h, f, true));
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(var("r_width"), "800");
    EXPECT_EQ(var("r_freq"), "0");
    modeCalls.clear();
    w = 1234, h = 567, f = 0;
    EXPECT_FALSE(graphics.setDisplayMode(w, h, f, false));
    EXPECT_EQ(modeCalls.size(), 1u);
}

TEST_F(GraphicsOptionsTest, ClosestModeAndUsableModes)
{
    int w = 1000, h = 700, f = 0;
    ASSERT_TRUE(findClosestDisplayMode(graphics.getDisplayModes(), w, h, f));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    w = 1000, h = 700, f = 70;
    ASSERT_TRUE(findClosestDisplayMode(graphics.getDisplayModes(), w, h, f));
    EXPECT_EQ(f, 75);
    std::vector<DisplayMode> none = {{1024, 768, 16, 60}};
    EXPECT_FALSE(findClosestDisplayMode(none, w, h, f));

    EXPECT_EQ(list("getAvailableDisplayModes"),
              (Entries{{"800x600", "-1"}, {"800x600", "2"}, {"1024x768", "3"}, {"1600x1200", "6"}}));
    vars.setVar("r_mode", "4");
    EXPECT_EQ(list("getAvailableScreenFrequencies"),
              (Entries{{"Default", "0"}, {"60 Hz", "60"}, {"75 Hz", "75"}}));
}

TEST_F(GraphicsOptionsTest, OptionListsAnisotropyMultisampleAndTextureNames)
{
    EXPECT_EQ(list("getShadowTypes"), (Entries{{"None", "0"}, {"Simple", "1"}, {"Complex", "2"}}));
    EXPECT_EQ(list("getFilteringQualityTypes"),
              (Entries{{"None", "0"}, {"Bilinear", "1"}, {"Trilinear", "2"}}));
    EXPECT_EQ(list("getTextureQualityTypes"), (Entries{{"High", "0"}, {"Medium", "1"}, {"Low", "2"}}));
    EXPECT_EQ(list("getScreenshotTypes"), (Entries{{"jpg", "0"}, {"png", "1"}, {"tga", "2"}}));
    EXPECT_EQ(list("getGroundDetailTypes"),
              (Entries{{"Very Low", "0"}, {"Low", "1"}, {"Normal", "2"}, {"High", "3"}, {"Very High", "4"}}));

    graphics.setMultisampleFormatsForTest({});
    EXPECT_EQ(list("getAntiAliasingModes"), (Entries{{"None", "0"}}));
    vars.setVar("r_antiAliasingSamples", "4");
    EXPECT_EQ(graphics.chooseMultisampleSamples(), 0);
    graphics.setMultisampleFormatsForTest({{2, 2}, {4, 4}});
    EXPECT_EQ(list("getAntiAliasingModes"), (Entries{{"None", "0"}, {"2 Samples", "2"}, {"4 Samples", "4"}}));
    EXPECT_EQ(graphics.chooseMultisampleSamples(), 4);

    vars.setVar("r_anisotropicValue", "0.5");
    graphics.initAnisotropy(true, 16.0f);
    EXPECT_FLOAT_EQ(graphics.getAnisotropyLevel(), 8.5f);
    vars.setVar("r_anisotropicValue", "3");
    graphics.computeAnisotropy();
    EXPECT_FLOAT_EQ(graphics.getAnisotropyLevel(), 16.0f);

    EXPECT_EQ(graphics.allocateTextureId(), 1024u);
    for (uint32_t expected = 1025; expected <= 1030; ++expected) {
        EXPECT_EQ(graphics.allocateTextureId(), expected);
    }
    graphics.deleteTexture(1030);
    graphics.deleteTexture(1025);
    EXPECT_EQ(graphics.allocateTextureId(), 1030u);
    EXPECT_EQ(graphics.allocateTextureId(), 1025u);
    EXPECT_EQ(graphics.allocateTextureId(), 1031u);
}

TEST(GraphicsMatrices, PlanarShadowFlattensOntoThePlane)
{
    const float plane[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    const float light[3] = {0.3f, -0.2f, 2.0f};
    float m[16];
    planarShadowMatrix(plane, light, m);
    auto apply = [&](const float p[3], float out[3]) {
        float v[4];
        for (int i = 0; i < 4; ++i) {
            v[i] = m[0 * 4 + i] * p[0] + m[1 * 4 + i] * p[1] + m[2 * 4 + i] * p[2] + m[3 * 4 + i];
        }
        for (int i = 0; i < 3; ++i) {
            out[i] = v[i] / v[3];
        }
    };
    const float points[3][3] = {{1.0f, 2.0f, 3.0f}, {-4.0f, 0.5f, 0.7f}, {10.0f, -3.0f, 0.0f}};
    for (const auto& p : points) {
        float q[3];
        apply(p, q);
        EXPECT_NEAR(q[2], 0.0f, 1e-5f);
        if (p[2] == 0.0f) {
            EXPECT_NEAR(q[0], p[0], 1e-5f);
            EXPECT_NEAR(q[1], p[1], 1e-5f);
        }
    }

    // The model-space shadow of an identity model lands 0.1 above the ground.
    GraphicsSystem graphics;
    float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    graphics.buildShadowMatrix(identity, light, m);
    float q[3];
    apply(points[0], q);
    EXPECT_NEAR(q[2], 0.1f, 1e-5f);

    // makeTransformMatrix: rotation rows become columns, then the axis matrix.
    const float rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const float translation[3] = {5, 6, 7};
    graphics.makeTransformMatrix(rotation, translation, m);
    // World x forward is eye −z; the translation goes through the axes too.
    EXPECT_FLOAT_EQ(m[2], -1.0f);
    EXPECT_FLOAT_EQ(m[12], -6.0f);
    EXPECT_FLOAT_EQ(m[13], 7.0f);
    EXPECT_FLOAT_EQ(m[14], -5.0f);
    float copy[16];
    copyMatrix(copy, m);
    EXPECT_EQ(std::vector<float>(copy, copy + 16), std::vector<float>(m, m + 16));
}

TEST(GraphicsScreenshots, SizeRule)
{
    int r[4];
    const float window[4] = {0.0f, 0.0f, 800.0f, 600.0f};
    ASSERT_TRUE(GraphicsSystem::screenshotSize(window, false, 800, 600, r));
    EXPECT_EQ(r[2], 798);
    EXPECT_EQ(r[3], 598);
    ASSERT_TRUE(GraphicsSystem::screenshotSize(window, true, 800, 600, r));
    EXPECT_EQ(r[2], 800);
    EXPECT_EQ(r[3], 600);
    const float big[4] = {0.4f, 0.5f, 1024.0f, 768.0f};
    ASSERT_TRUE(GraphicsSystem::screenshotSize(big, true, 800, 600, r));
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[1], 1);
    EXPECT_EQ(r[2], 800);
    const float tiny[4] = {0.0f, 0.0f, 2.0f, 2.0f};
    EXPECT_FALSE(GraphicsSystem::screenshotSize(tiny, false, 800, 600, r));
    EXPECT_STREQ(GraphicsSystem::screenshotExtension(0), "jpg");
    EXPECT_STREQ(GraphicsSystem::screenshotExtension(1), "png");
    EXPECT_STREQ(GraphicsSystem::screenshotExtension(5), "tga");
}

TEST_F(GraphicsOptionsTest, AChangedGroundDetailIsAppliedOnceAtTheNextFrame)
{
    int applied = 0;
    GraphicsSystem::GameLinks links;
    links.applyGroundDetail = [&] { ++applied; };
    graphics.setGameLinks(links);
    graphics.getVar("r_groundDetail").clearChanged();
    graphics.beginFrame();
    graphics.endFrame();
    EXPECT_EQ(applied, 0);
    vars.setVar("r_groundDetail", "4");
    EXPECT_EQ(applied, 0); // not before the frame
    graphics.beginFrame();
    graphics.endFrame();
    graphics.beginFrame();
    graphics.endFrame();
    EXPECT_EQ(applied, 1);
}
