#include "graphics/StageDrawer.h"

#include "engine/core/Color.h"
#include "graphics/RenderSurface.h"
#include "graphics/shaders/Shader.h"
#include "support/RecordingStageBackend.h"
#include "support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

// One quad (two triangles) per surface.
class QuadSurface : public RenderSurface {
public:
    void draw(StageBatch& b, bool withNormals) override
    {
        uint32_t base = b.baseVertex();
        const float corners[4][3] = {{1, 2, 0}, {2, 2, 0}, {2, 3, 0}, {1, 3, 0}};
        for (int i = 0; i < 4; ++i) {
            b.positions.insert(b.positions.end(), corners[i], corners[i] + 3);
            b.texCoords.push_back(i == 1 || i == 2 ? 1.0f : 0.0f);
            b.texCoords.push_back(i >= 2 ? 1.0f : 0.0f);
            if (withNormals) {
                b.normals.insert(b.normals.end(), {0.0f, 0.0f, 1.0f});
            }
        }
        for (uint32_t i : {0u, 2u, 1u, 0u, 3u, 2u}) {
            b.indices.push_back(base + i + badIndex);
        }
        for (size_t s = 0; s < stageAlphas.size(); ++s) {
            if (b.stageAlphas.size() <= s) {
                b.stageAlphas.resize(s + 1);
            }
            b.stageAlphas[s].insert(b.stageAlphas[s].end(), stageAlphas[s].begin(), stageAlphas[s].end());
        }
        ++draws;
    }
    void begin() override { ++begins; }
    void end() override { ++ends; }

    std::vector<std::vector<uint8_t>> stageAlphas;
    uint32_t badIndex = 0;
    int begins = 0, draws = 0, ends = 0;
};

class StageDrawerTest : public ::testing::Test {
protected:
    StageDrawerTest()
    {
        drawer.setWaveClock([this] { return seconds; });
    }

    // Draws one surface with the shader and returns its batch.
    const RecordingStageBackend::Batch& drawOne(Shader& shader, QuadSurface& surface)
    {
        surface.shader = &shader;
        std::vector<RenderSurface*> queue = {&surface};
        drawer.drawQueuedSurfaces(queue);
        EXPECT_FALSE(backend.batches.empty());
        static RecordingStageBackend::Batch none;
        return backend.batches.empty() ? none : backend.batches.back();
    }

    LogCapture log;
    RecordingStageBackend backend;
    StageDrawer drawer{&backend};
    float seconds = 0.0f;
};

TEST_F(StageDrawerTest, NeighboursWithOneKeyAndShaderMakeOneBatch)
{
    Shader shader;
    shader.stages.resize(1);
    QuadSurface a, b, c;
    for (QuadSurface* s : {&a, &b, &c}) {
        s->shader = &shader;
        s->sortKey = 7;
    }
    c.sortKey = 3; // sorted to the front, a batch of its own
    std::vector<RenderSurface*> queue = {&a, &b, &c};
    drawer.drawQueuedSurfaces(queue);
    ASSERT_EQ(backend.batches.size(), 2u);
    EXPECT_EQ(backend.batches[1].positions.size(), 8u * 3);
    EXPECT_EQ(a.begins + b.begins, 1);
    EXPECT_EQ(a.ends + b.ends, 1);
    EXPECT_EQ(a.draws + b.draws, 2);

    backend.batches.clear();
    shader.useShaderTime = true;
    drawer.drawQueuedSurfaces(queue);
    EXPECT_EQ(backend.batches.size(), 3u);
}

TEST_F(StageDrawerTest, FadedSurfaceBlendsOverItsStage)
{
    Shader shader;
    shader.stages.resize(1);
    shader.stages[0].blendEnabled = true;
    shader.stages[0].sourceBlend = GL_ONE;
    shader.stages[0].destBlend = GL_ONE;
    QuadSurface s;
    s.fade = 0.5f;
    const auto& batch = drawOne(shader, s);
    const StageDraw& d = batch.stages.at(0).draw;
    EXPECT_EQ(d.sourceBlend, unsigned(GL_SRC_ALPHA));
    EXPECT_EQ(d.destBlend, unsigned(GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_EQ(d.vertexColorMode, 3);
    EXPECT_FLOAT_EQ(d.constantColor[3], 0.5f);
}

TEST_F(StageDrawerTest, PassKindsTurnWritesOff)
{
    Shader shader;
    shader.stages.resize(1);
    QuadSurface s;
    s.pass = 1;
    EXPECT_FALSE(drawOne(shader, s).state.colorWrite);
    EXPECT_TRUE(backend.batches.back().state.depthWrite);
    s.pass = 2;
    EXPECT_FALSE(drawOne(shader, s).state.depthWrite);
    EXPECT_TRUE(backend.batches.back().state.colorWrite);
}

TEST_F(StageDrawerTest, EmptyBatchOnlyEndsTheSurface)
{
    Shader shader;
    shader.stages.resize(1);
    QuadSurface s;
    drawer.prepareShader(&shader);
    drawer.drawShaderStages(&s, false);
    EXPECT_EQ(s.ends, 1);
    EXPECT_EQ(backend.batchCount, 0u);
}

TEST_F(StageDrawerTest, WavesScrollsAndDeforms)
{
    Shader shader;
    shader.stages.resize(1);
    ShaderStage& st = shader.stages[0];
    st.colorGen = ColorGen::Wave;
    st.colorWave = {0.5f, 0.5f, 60.0f, 0.0f};
    st.alphaGen = AlphaGen::Constant;
    st.constantAlpha = 0.5f;
    st.vertexColorMode = computeVertexColorMode(st.colorGen, st.alphaGen, false, false); // 3
    UVModifier scroll;
    scroll.type = UVMod::Scroll;
    scroll.scrollU = 1.0f;
    st.uvModifiers.push_back(scroll);
    VertexDeform deform;
    deform.type = DeformVertsType::Wave;
    deform.value = 0.25f;
    deform.wave = {0.0f, 1.0f, 0.0f, 0.0f};
    shader.deforms.push_back(deform);
    shader.vertexDeformation = true;

    QuadSurface s;
    seconds = 15.25f;
    auto batch = drawOne(shader, s);
    EXPECT_EQ(Color::toRGBA8(batch.stages[0].draw.constantColor[0], 0, 0, 0)[0], 255);
    // Vertex (1, 2, 0) moved by +1 along its normal (0, 0, 1).
    EXPECT_NEAR(batch.positions[2], 1.0f, 1e-5);
    seconds = 15.75f;
    batch = drawOne(shader, s);
    EXPECT_EQ(Color::toRGBA8(batch.stages[0].draw.constantColor[0], 0, 0, 0)[0], 0);

    seconds = 30.0f;
    batch = drawOne(shader, s);
    EXPECT_FLOAT_EQ(batch.stages[0].texCoords[0], 0.5f);
    EXPECT_FLOAT_EQ(batch.stages[0].texCoords[2], 1.5f);
    seconds = 0.0f;
    batch = drawOne(shader, s);
    EXPECT_FLOAT_EQ(batch.stages[0].texCoords[0], 0.0f);
}

TEST_F(StageDrawerTest, AlphaBytesAndShortSurfaceArrays)
{
    Shader shader;
    shader.stages.resize(2);
    shader.stages[0].colorGen = ColorGen::Vertex;
    shader.stages[0].alphaGen = AlphaGen::Constant;
    shader.stages[0].constantAlpha = 0.5f;
    shader.stages[0].vertexColorMode = 1;
    shader.stages[1].colorGen = ColorGen::SameAsPreviousStage;
    shader.stages[1].alphaGen = AlphaGen::StageGenerated;
    shader.stages[1].vertexColorMode = 1;
    QuadSurface s; // supplies no stage alphas
    auto batch = drawOne(shader, s);
    ASSERT_EQ(batch.stages.size(), 2u);
    EXPECT_EQ(batch.stages[0].colours[3], 128);
    EXPECT_EQ(batch.stages[0].colours[0], 255);
    for (size_t i = 3; i < batch.stages[1].colours.size(); i += 4) {
        EXPECT_EQ(batch.stages[1].colours[i], 255); // opaque
    }
    s.stageAlphas = {{}, {0, 0, 255, 255}};
    batch = drawOne(shader, s);
    EXPECT_EQ(batch.stages[1].colours[3], 0);
    EXPECT_EQ(batch.stages[1].colours[11], 255);
}

TEST_F(StageDrawerTest, BadIndexDropsTheBatchAndCountsAreKept)
{
    Shader shader;
    shader.stages.resize(2);
    shader.setFileName("Shaders/bad.sdr");
    QuadSurface s;
    s.badIndex = 2; // reaches vertex 5 of 4
    s.shader = &shader;
    std::vector<RenderSurface*> queue = {&s};
    drawer.drawQueuedSurfaces(queue);
    EXPECT_EQ(backend.batchCount, 0u);
    EXPECT_EQ(s.ends, 1);
    EXPECT_TRUE(log.contains("Shaders/bad.sdr: batch index 5 beyond its 4 vertices", 3));

    s.badIndex = 0;
    drawer.resetCounters();
    drawOne(shader, s);
    EXPECT_EQ(drawer.getTriangles(), 2u);
    EXPECT_EQ(drawer.getTrianglePasses(), 4u);
}

TEST_F(StageDrawerTest, FiltersAndDebugViews)
{
    Shader shader;
    shader.stages.resize(1);
    drawer.settings().filteringQuality = 2;
    drawer.settings().showTris = 1;
    drawer.settings().showNormals = true;
    QuadSurface s;
    auto batch = drawOne(shader, s);
    EXPECT_EQ(batch.stages[0].draw.minFilter, unsigned(GL_LINEAR_MIPMAP_LINEAR));
    EXPECT_EQ(backend.outlinesDrawn, 1u);
    EXPECT_EQ(backend.normalsDrawn, 1u); // normals were asked for
    shader.useMipMaps = false;
    EXPECT_EQ(drawOne(shader, s).stages[0].draw.minFilter, unsigned(GL_LINEAR));
}

TEST_F(StageDrawerTest, OnlyPlainGroundTilesAreDrawnAsFlatWithAffineCoordinates)
{
    struct Case {
        const char* name;
        bool blendedTile, scrolled, deformed;
        bool flat[2]; // per stage
    };
    // The second stage's coordinates scroll where asked.
    const Case cases[] = {
        {"ground tile", true, false, false, {true, true}},
        {"any other shader", false, false, false, {false, false}},
        {"ground with moving coordinates", true, true, false, {true, false}},
        {"ground with moving vertices", true, false, true, {false, false}},
    };
    for (const Case& c : cases) {
        Shader shader;
        shader.blendedTile = c.blendedTile;
        shader.stages.resize(2);
        if (c.scrolled) {
            UVModifier scroll;
            scroll.type = UVMod::Scroll;
            scroll.scrollU = 1.0f;
            shader.stages[1].uvModifiers.push_back(scroll);
        }
        if (c.deformed) {
            VertexDeform deform;
            deform.type = DeformVertsType::Wave;
            deform.value = 0.25f;
            shader.deforms.push_back(deform);
        }
        QuadSurface s;
        const auto batch = drawOne(shader, s);
        ASSERT_EQ(batch.stages.size(), 2u) << c.name;
        EXPECT_EQ(batch.stages[0].draw.flatAndAffine, c.flat[0]) << c.name;
        EXPECT_EQ(batch.stages[1].draw.flatAndAffine, c.flat[1]) << c.name;
    }
}

} // namespace
