#include "graphics/shaders/ShaderScriptParser.h"

#include "engine/core/StringUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class ShaderScriptParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (DebugSystem* debug = DebugSystem::instance()) {
            debug->setDeveloper(true); // level-1 lines are the parser's
        }
    }

    std::vector<std::unique_ptr<ShaderDefinition>> parse(const std::string& text, bool betterLighting = false)
    {
        std::vector<std::unique_ptr<ShaderDefinition>> out;
        int32_t next = 0;
        ShaderScriptParser(betterLighting).parseFile(text, "Shaders/test.sdr", out, next);
        return out;
    }

    // One definition with one stage holding the given stage lines.
    ShaderStageDefinition stage(const std::string& lines)
    {
        auto defs = parse("s\n{\n{\n" + lines + "\n}\n}\n");
        EXPECT_EQ(defs.size(), 1u);
        EXPECT_EQ(defs[0]->stages.size(), 1u);
        return defs[0]->stages[0];
    }

    LogCapture log;
};

TEST_F(ShaderScriptParserTest, DefaultsOfDefinitionAndStage)
{
    auto defs = parse("a { { } }");
    ASSERT_EQ(defs.size(), 1u);
    const ShaderDefinition& d = *defs[0];
    EXPECT_EQ(d.name, "a");
    EXPECT_TRUE(d.cullEnabled);
    EXPECT_EQ(d.cullFace, unsigned(GL_BACK));
    EXPECT_TRUE(d.testDepth);
    EXPECT_TRUE(d.writeDepth);
    EXPECT_EQ(d.depthFunc, unsigned(GL_LEQUAL));
    EXPECT_EQ(d.sort, SortType::Opaque);
    EXPECT_EQ(d.stencilFunc, unsigned(GL_ALWAYS));
    EXPECT_TRUE(d.useMipMaps);
    EXPECT_FALSE(d.BlocksCollision);
    ASSERT_EQ(d.stages.size(), 1u);
    EXPECT_EQ(d.stages[0].clampU, unsigned(GL_CLAMP));
    EXPECT_EQ(d.stages[0].vertexColorMode, 2);
    EXPECT_EQ(log.lines().size(), 0u);
}

TEST_F(ShaderScriptParserTest, CullNoneInAnyCase)
{
    EXPECT_FALSE(parse("a { cull none }")[0]->cullEnabled);
    EXPECT_FALSE(parse("a { CULL None }")[0]->cullEnabled);
    EXPECT_EQ(parse("a { cull Front }")[0]->cullFace, unsigned(GL_FRONT));
    auto bad = parse("a { cull Sideways }");
    EXPECT_TRUE(bad[0]->cullEnabled);
    EXPECT_TRUE(log.contains("Shaders/test.sdr:1: Unknown cull type Sideways", 1));
}

TEST_F(ShaderScriptParserTest, BlendFactorsAndTheirSets)
{
    ShaderStageDefinition s = stage("blendFunc DstColor Zero");
    EXPECT_TRUE(s.blendEnabled);
    EXPECT_EQ(s.sourceBlend, unsigned(GL_DST_COLOR));
    EXPECT_EQ(s.destBlend, unsigned(GL_ZERO));

    s = stage("blendFunc SrcColor One");
    EXPECT_EQ(s.sourceBlend, unsigned(GL_ONE));
    EXPECT_TRUE(log.contains("Shaders/test.sdr:4: Unknown source blend SrcColor", 1));

    log.clear();
    s = stage("blendFunc One DstColor");
    EXPECT_EQ(s.destBlend, unsigned(GL_ONE));
    EXPECT_TRUE(log.contains("Unknown dest blend DstColor", 1));
}

TEST_F(ShaderScriptParserTest, AnimLineEndsAtItsLine)
{
    ShaderStageDefinition s = stage("anim 8 a b c\nclamp Repeat");
    EXPECT_FLOAT_EQ(s.animationRate, 8.0f);
    EXPECT_EQ(s.animationFrames, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(s.clampU, unsigned(GL_REPEAT));
    EXPECT_EQ(s.clampV, unsigned(GL_REPEAT));
}

TEST_F(ShaderScriptParserTest, UvModsReadTheirOwnArgumentCounts)
{
    ShaderStageDefinition s = stage("uvMod Scale 2 7\nuvMod Scroll 0.5 0.25 9\nuvMod Offset 1 2\nuvMod None");
    ASSERT_EQ(s.uvModifiers.size(), 4u);
    EXPECT_EQ(s.uvModifiers[0].type, UVMod::Scale);
    EXPECT_FLOAT_EQ(s.uvModifiers[0].scale, 2.0f);
    EXPECT_EQ(s.uvModifiers[1].type, UVMod::Scroll);
    EXPECT_FLOAT_EQ(s.uvModifiers[1].scrollU, 0.5f);
    EXPECT_FLOAT_EQ(s.uvModifiers[1].scrollV, 0.25f);
    EXPECT_FLOAT_EQ(s.uvModifiers[2].offsetV, 2.0f);
    EXPECT_EQ(s.uvModifiers[3].type, UVMod::None);
}

TEST_F(ShaderScriptParserTest, ShortWaveLineLeavesTheNextKeyword)
{
    ShaderStageDefinition s = stage("colorGen Wave 0.5 0.25\nalphaGen Constant 0.5");
    EXPECT_EQ(s.colorGen, ColorGen::Wave);
    EXPECT_EQ(s.colorWave, (WaveParams{0.5f, 0.25f, 0.0f, 0.0f}));
    EXPECT_EQ(s.alphaGen, AlphaGen::Constant);
    EXPECT_FLOAT_EQ(s.constantAlpha, 0.5f);

    auto defs = parse("a {\ndeformVerts Wave 0.25 0 1\nsort Additive\n}");
    ASSERT_EQ(defs[0]->deforms.size(), 1u);
    EXPECT_TRUE(defs[0]->vertexDeformation);
    EXPECT_EQ(defs[0]->deforms[0].wave, (WaveParams{0.0f, 1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(defs[0]->sort, SortType::Additive);
}

TEST_F(ShaderScriptParserTest, SortNamesAndUnknownEnumNames)
{
    EXPECT_EQ(parse("a { sort additive }")[0]->sort, SortType::Additive);
    EXPECT_EQ(static_cast<int>(SortType::Additive), 4);
    EXPECT_EQ(parse("a { sort Glow }")[0]->sort, SortType::Opaque);
    EXPECT_TRUE(log.contains("Shaders/test.sdr:1: Unknown SortType name Glow\n", 3));
    log.clear();
    EXPECT_EQ(stage("colorGen Rainbow").colorGen, ColorGen::Identity);
    EXPECT_TRUE(log.contains("Unknown ColorGen name Rainbow", 3));
}

TEST_F(ShaderScriptParserTest, StencilSettings)
{
    auto d = parse("a {\nstencilFunc Equal 1\nstencilOp Keep Keep Replace\n}");
    EXPECT_TRUE(d[0]->stencilEnabled);
    EXPECT_EQ(d[0]->stencilFunc, unsigned(GL_EQUAL));
    EXPECT_EQ(d[0]->stencilRef, 1);
    EXPECT_EQ(d[0]->stencilActions[0], unsigned(GL_KEEP));
    EXPECT_EQ(d[0]->stencilActions[1], unsigned(GL_KEEP));
    EXPECT_EQ(d[0]->stencilActions[2], unsigned(GL_REPLACE));

    d = parse("a { stencilOp Keep Melt\ndepthFunc Sometimes }");
    EXPECT_EQ(d[0]->stencilActions[1], unsigned(GL_KEEP));
    EXPECT_EQ(d[0]->stencilActions[2], unsigned(GL_KEEP)); // missing on its line
    EXPECT_EQ(d[0]->depthFunc, unsigned(GL_LEQUAL));
    EXPECT_TRUE(log.contains("Unknown stencil action Melt", 1));
    EXPECT_TRUE(log.contains("Shaders/test.sdr:2: Unknown comparison func Sometimes", 1));
}

TEST_F(ShaderScriptParserTest, FileEndingInsideAStageClosesBoth)
{
    auto d = parse("first {\n{\ntexture Textures/a.tga\nalphaGen Constant 0.5");
    ASSERT_EQ(d.size(), 1u);
    ASSERT_EQ(d[0]->stages.size(), 1u);
    EXPECT_EQ(d[0]->stages[0].texture, "Textures/a.tga");
    EXPECT_EQ(d[0]->stages[0].vertexColorMode, 3); // computed when the stage closed
    EXPECT_EQ(d[0]->blendGroup, "Textures/a.tga");
    EXPECT_EQ(d[0]->groupHash, hashString("Textures/a.tga"));
}

TEST_F(ShaderScriptParserTest, BlendGroupAndFlags)
{
    auto d = parse("Textures/x{ blendGroup grass BlocksCollision\nBlocksSight dontBlend useShaderTime 1 "
                   "highlightsSurface 1 useMipMaps 0 testDepth 0 writeDepth 0 writeColor 0\n{ texture t }}\n"
                   "second { }");
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0]->name, "Textures/x");
    EXPECT_EQ(d[0]->blendGroup, "grass");
    EXPECT_EQ(d[0]->groupHash, hashString("grass"));
    EXPECT_TRUE(d[0]->BlocksCollision);
    EXPECT_TRUE(d[0]->BlocksSight);
    EXPECT_FALSE(d[0]->blendAllowed);
    EXPECT_TRUE(d[0]->useShaderTime);
    EXPECT_TRUE(d[0]->highlightsSurface);
    EXPECT_FALSE(d[0]->useMipMaps);
    EXPECT_FALSE(d[0]->testDepth || d[0]->writeDepth || d[0]->writeColor);
    EXPECT_EQ(d[0]->index, 0);
    EXPECT_EQ(d[1]->index, 1);
    EXPECT_EQ(d[1]->blendGroup, "");
    EXPECT_EQ(d[1]->groupHash, 0);
}

TEST_F(ShaderScriptParserTest, UnknownKeywordsAreSkippedSilently)
{
    auto d = parse("a { shiny 3 sort Additive { frobnicate texture t.tga } }");
    EXPECT_EQ(d[0]->sort, SortType::Additive);
    EXPECT_EQ(d[0]->stages[0].texture, "t.tga");
    // "3" was read as a keyword and skipped too: no line at all.
    EXPECT_EQ(log.lines().size(), 0u);
}

TEST_F(ShaderScriptParserTest, ColourTokensAndSphereNormals)
{
    ShaderStageDefinition s = stage("colorGen Constant 1,0.5,0");
    EXPECT_FLOAT_EQ(s.constantColor[0], 1.0f);
    EXPECT_FLOAT_EQ(s.constantColor[1], 0.5f);
    EXPECT_FLOAT_EQ(s.constantColor[2], 0.0f);
    auto d = parse("a { { colorGen Sphere } }");
    EXPECT_TRUE(d[0]->stages[0].needsNormals);
    EXPECT_TRUE(d[0]->needsNormals);
}

TEST(VertexColorMode, CombinationsOfSources)
{
    EXPECT_EQ(computeVertexColorMode(ColorGen::Vertex, AlphaGen::Identity, false, false), 0);
    EXPECT_EQ(computeVertexColorMode(ColorGen::Constant, AlphaGen::Identity, false, false), 2);
    EXPECT_EQ(computeVertexColorMode(ColorGen::Identity, AlphaGen::Constant, false, false), 3);
    EXPECT_EQ(computeVertexColorMode(ColorGen::Vertex, AlphaGen::Wave, false, false), 1);
    EXPECT_EQ(computeVertexColorMode(ColorGen::Identity, AlphaGen::CodeGenerated, false, false), 1);
    EXPECT_EQ(computeVertexColorMode(ColorGen::Sphere, AlphaGen::Identity, false, false), 2);
    EXPECT_EQ(computeVertexColorMode(ColorGen::Sphere, AlphaGen::Identity, false, true), 0);
    EXPECT_EQ(computeVertexColorMode(ColorGen::Constant, AlphaGen::Identity, true, false), 3);
    EXPECT_EQ(computeVertexColorMode(ColorGen::Saved, AlphaGen::Identity, true, false), 1);
}

TEST(ShaderEnums, TablesInOrderWithDefaultZero)
{
    EXPECT_EQ(colorGenTable().count(), kColorGenCount);
    EXPECT_EQ(colorGenTable().find("SphereAndConstant"), 13);
    EXPECT_EQ(alphaGenTable().find("stagegenerated"), 4);
    EXPECT_EQ(uvModTable().find("Offset"), 3);
    EXPECT_EQ(deformVertsTypeTable().find("Wave"), 2);
    EXPECT_EQ(sortTypeTable().tableName, "SortType");
    for (const EnumNameTable* t :
         {&colorGenTable(), &alphaGenTable(), &uvModTable(), &deformVertsTypeTable(), &sortTypeTable()}) {
        EXPECT_EQ(t->defaultValue, 0) << t->tableName;
    }
}

TEST(Waves, ValueAndDeformAndScroll)
{
    WaveParams colour{0.5f, 0.5f, 60.0f, 0.0f};
    EXPECT_NEAR(evaluateWave(colour, 0.0f, 15.25f), 1.0f, 1e-4);
    EXPECT_NEAR(evaluateWave(colour, 0.0f, 15.75f), 0.0f, 1e-4);

    VertexDeform deform;
    deform.type = DeformVertsType::Wave;
    deform.value = 0.25f;
    deform.wave = {0.0f, 1.0f, 0.0f, 0.0f};
    // (1 + 2·2 + 0) × 0.25 = 1.25 turns: sin gives 1 (with plain y it would be -1).
    EXPECT_NEAR(deform.displacement(1.0f, 2.0f, 0.0f, 0.0f), 1.0f, 1e-5);

    UVModifier scroll;
    scroll.type = UVMod::Scroll;
    scroll.scrollU = 1.0f;
    float u = 0.0f, v = 0.0f;
    scroll.apply(u, v, 30.0f);
    EXPECT_FLOAT_EQ(u, 0.5f);
    u = 0.0f;
    scroll.apply(u, v, 0.0f);
    EXPECT_FLOAT_EQ(u, 0.0f);
}

} // namespace
