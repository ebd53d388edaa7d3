// A frame held back: what it sends on, when it matches the screen, and which
// frames may be held at all.
#include "graphics/DeferredStageBackend.h"
#include "graphics/GraphicsSystem.h"
#include "support/RecordingStageBackend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What may differ from one menu frame to the next.
struct MenuFrame {
    uint64_t inputEvents = 7;
    uint64_t windowEvents = 3;
    uint64_t width = 800;
    uint64_t textureChanges = 40;
    float textX = 10.0f;         // where the frame-rate text starts
    float glyphU = 0.25f;        // which glyph it shows
    float scroll = 0.0f;         // a scrolling stage's offset
    uint8_t fade = 255;          // a fading image's alpha
    bool outlines = false;       // the triangle-outline debug view
    uint32_t backgroundName = 0; // the background's texture, not loaded yet
};

// A background image, then a line of text with per-vertex colours.
void drawMenu(StageBackend& backend, const MenuFrame& f)
{
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    backend.setModelView(identity);
    const uint32_t quad[6] = {0, 1, 2, 0, 2, 3};
    StageShaderState state;
    state.depthTest = false;
    const float background[12] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
    const float whole[8] = {f.scroll, 0, 1 + f.scroll, 0, 1 + f.scroll, 1, f.scroll, 1};
    StageDraw image;
    image.texture = 4;
    image.texCoords = whole;
    backend.beginBatch(state, background, 4);
    backend.drawStage(image, quad, 6);
    if (f.outlines) {
        backend.drawTriangleOutlines(quad, 6, true);
    }
    backend.endBatch();

    const float x = f.textX / 320.0f - 1.0f;
    const float text[12] = {x, 0.9f, 0, x + 0.1f, 0.9f, 0, x + 0.1f, 1, 0, x, 1, 0};
    const float glyph[8] = {f.glyphU, 0, f.glyphU + 0.1f, 0, f.glyphU + 0.1f, 0.1f, f.glyphU, 0.1f};
    const uint8_t colours[16] = {255, 255, 255, f.fade, 255, 255, 255, f.fade,
                                 255, 255, 255, f.fade, 255, 255, 255, f.fade};
    StageDraw letters;
    letters.texture = 9;
    letters.blendEnabled = true;
    letters.vertexColorMode = 1;
    letters.texCoords = glyph;
    letters.colours = colours;
    backend.beginBatch(state, text, 4);
    backend.drawStage(letters, quad, 6);
    backend.endBatch();
}

void holdMenu(DeferredStageBackend& deferred, const MenuFrame& f)
{
    deferred.hold({f.width, 600, f.inputEvents, f.windowEvents, f.textureChanges});
    drawMenu(deferred, f);
}

void expectSameCalls(const RecordingStageBackend& a, const RecordingStageBackend& b)
{
    ASSERT_EQ(a.batches.size(), b.batches.size());
    EXPECT_EQ(a.modelViewLoads, b.modelViewLoads);
    EXPECT_EQ(a.outlinesDrawn, b.outlinesDrawn);
    for (size_t i = 0; i < a.batches.size(); ++i) {
        const auto& x = a.batches[i];
        const auto& y = b.batches[i];
        EXPECT_EQ(x.positions, y.positions) << i;
        EXPECT_EQ(x.modelView, y.modelView) << i;
        EXPECT_EQ(x.state.depthTest, y.state.depthTest) << i;
        ASSERT_EQ(x.stages.size(), y.stages.size()) << i;
        for (size_t s = 0; s < x.stages.size(); ++s) {
            EXPECT_EQ(x.stages[s].texCoords, y.stages[s].texCoords);
            EXPECT_EQ(x.stages[s].colours, y.stages[s].colours);
            EXPECT_EQ(x.stages[s].indices, y.stages[s].indices);
            EXPECT_EQ(x.stages[s].draw.texture, y.stages[s].draw.texture);
            EXPECT_EQ(x.stages[s].draw.blendEnabled, y.stages[s].draw.blendEnabled);
            EXPECT_EQ(x.stages[s].draw.vertexColorMode, y.stages[s].draw.vertexColorMode);
        }
    }
}

TEST(DeferredStageBackendTest, AReleasedFrameReachesTheBackEndAsIfDrawnDirectly)
{
    for (bool outlines : {false, true}) {
        MenuFrame f;
        f.outlines = outlines;
        RecordingStageBackend direct, later;
        drawMenu(direct, f);
        DeferredStageBackend deferred(later, [](int) { return 0u; });
        holdMenu(deferred, f);
        // The debug view draws at once, after what was held before it, and
        // what follows passes straight on.
        EXPECT_EQ(later.batches.size(), outlines ? 2u : 0u);
        EXPECT_EQ(deferred.isHolding(), !outlines);
        deferred.release();
        expectSameCalls(direct, later);
        // Not holding, calls pass straight on.
        drawMenu(deferred, f);
        EXPECT_EQ(later.batches.size(), 4u);
    }
}

TEST(DeferredStageBackendTest, OnlyAFrameLikeTheOneShownIsDropped)
{
    struct Case {
        const char* what;
        void (*change)(MenuFrame&);
        bool matches;
    };
    const Case cases[] = {
        {"nothing changed", [](MenuFrame&) {}, true},
        {"an input event", [](MenuFrame& f) { ++f.inputEvents; }, false},
        {"a window event (exposed, resized)", [](MenuFrame& f) { ++f.windowEvents; }, false},
        {"a new window size", [](MenuFrame& f) { f.width = 1024; }, false},
        {"a texture uploaded", [](MenuFrame& f) { ++f.textureChanges; }, false},
        {"text moved", [](MenuFrame& f) { f.textX = 11.0f; }, false},
        {"another glyph (the frame rate changed)", [](MenuFrame& f) { f.glyphU = 0.5f; }, false},
        {"a scrolling stage one step on", [](MenuFrame& f) { f.scroll = 0.01f; }, false},
        {"a fade one step on", [](MenuFrame& f) { f.fade = 254; }, false},
        {"a debug view drawn at once", [](MenuFrame& f) { f.outlines = true; }, false},
        {"an image that finished loading", [](MenuFrame& f) { f.backgroundName = 31; }, false},
    };
    for (const Case& c : cases) {
        RecordingStageBackend target;
        const MenuFrame* drawing = nullptr;
        DeferredStageBackend deferred(
            target, [&](int texture) { return texture == 4 ? drawing->backgroundName : 12u; });
        const MenuFrame shown;
        drawing = &shown;
        holdMenu(deferred, shown);
        EXPECT_FALSE(deferred.matchesShown()) << "nothing shown yet";
        deferred.release();
        deferred.markShown();

        MenuFrame next = shown;
        c.change(next);
        drawing = &next;
        holdMenu(deferred, next);
        EXPECT_EQ(deferred.matchesShown(), c.matches) << c.what;
        // A dropped frame leaves the shown one to compare with.
        drawing = &shown;
        holdMenu(deferred, shown);
        EXPECT_TRUE(deferred.matchesShown()) << c.what;
        deferred.forgetShown();
        EXPECT_FALSE(deferred.matchesShown()) << c.what;
    }
}

TEST(DeferredStageBackendTest, OnlyMenusAndTextInAWindowAreHeld)
{
    using C = GraphicsSystem::QuietFrameConditions;
    C menu;
    menu.window = true;
    menu.fullScreenMenu = true;
    EXPECT_TRUE(GraphicsSystem::mayHoldFrame(menu));
    const std::pair<const char*, void (*)(C&)> draws[] = {
        {"no window (or one of no size)", [](C& c) { c.window = false; }},
        {"a screenshot asked for", [](C& c) { c.screenshot = true; }},
        {"a game running", [](C& c) { c.gameRunning = true; }},
        {"the world map", [](C& c) { c.worldMap = true; }},
        {"no full-screen menu", [](C& c) { c.fullScreenMenu = false; }},
        {"an editor", [](C& c) { c.editorActive = true; }},
        {"the texture or triangle report", [](C& c) { c.reports = true; }},
    };
    for (const auto& [what, change] : draws) {
        C c = menu;
        change(c);
        EXPECT_FALSE(GraphicsSystem::mayHoldFrame(c)) << what;
    }
}

} // namespace
