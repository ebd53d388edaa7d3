#include "graphics/StageDrawer.h"

#include "graphics/render/LitEntity.h"

#include "engine/core/Color.h"
#include "engine/core/DebugSystem.h"
#include "graphics/RenderSurface.h"
#include "graphics/shaders/Shader.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

void packAll(std::vector<uint8_t>& colours, size_t n, const float c[4])
{
    auto packed = Color::toRGBA8(c[0], c[1], c[2], c[3]);
    colours.resize(n * 4);
    for (size_t i = 0; i < n; ++i) {
        std::copy(packed.begin(), packed.end(), colours.begin() + static_cast<std::ptrdiff_t>(i * 4));
    }
}

} // namespace

void StageDrawer::prepareShader(Shader* shader)
{
    m_shader = shader;
    m_batch.clear();
    m_batch.constantColor[0] = m_batch.constantColor[1] = m_batch.constantColor[2] = 1.0f;
    m_batch.constantColor[3] = 1.0f;
}

void StageDrawer::drawQueuedSurfaces(std::vector<RenderSurface*>& queue)
{
    std::stable_sort(queue.begin(), queue.end(),
                     [](const RenderSurface* a, const RenderSurface* b) { return a->sortKey < b->sortKey; });
    RenderSurface* previous = nullptr;
    for (RenderSurface* surface : queue) {
        if (!previous || previous->sortKey != surface->sortKey || previous->shader != surface->shader ||
            surface->beginsOwnBatch || (surface->shader && surface->shader->useShaderTime)) {
            if (previous) {
                drawShaderStages(previous, false);
            }
            prepareShader(surface->shader);
            surface->begin();
        }
        const Shader* s = surface->shader;
        bool withNormals = s && (s->vertexDeformation || (s->needsNormals && m_settings.betterLighting) ||
                                 m_settings.showNormals);
        if (!surface->isCulled()) {
            surface->draw(m_batch, withNormals);
        }
        previous = surface;
    }
    if (previous) {
        drawShaderStages(previous, false);
    }
}

void StageDrawer::applyDeforms(float seconds)
{
    const size_t n = m_batch.vertexCount();
    if (m_batch.normals.size() < n * 3) {
        return; // nothing to move along
    }
    for (const VertexDeform& deform : m_shader->deforms) {
        if (deform.type == DeformVertsType::None) {
            continue;
        }
        for (size_t i = 0; i < n; ++i) {
            float* p = &m_batch.positions[i * 3];
            const float* nrm = &m_batch.normals[i * 3];
            float w = deform.displacement(p[0], p[1], p[2], seconds);
            p[0] += nrm[0] * w;
            p[1] += nrm[1] * w;
            p[2] += nrm[2] * w;
        }
    }
}

Color StageDrawer::light(float x, float y, bool unlit) const
{
    return unlit || !m_lights ? Color(1, 1, 1) : m_lights->lightAt(x, y);
}

void StageDrawer::applySphereLighting(bool unlit, const float* constant)
{
    const size_t n = m_batch.vertexCount();
    float sphere[6][3];
    m_lights->sphereColours(*m_batch.litEntity, unlit, sphere);
    if (constant) {
        for (auto& c : sphere) {
            for (int ch = 0; ch < 3; ++ch) {
                c[ch] *= constant[ch];
            }
        }
    }
    bool uniform = true;
    for (int i = 1; i < 6 && uniform; ++i) {
        for (int ch = 0; ch < 3; ++ch) {
            uniform = uniform && std::fabs(sphere[i][ch] - sphere[0][ch]) <= 0.01f;
        }
    }
    m_batch.colours.resize(n * 4);
    for (size_t i = 0; i < n; ++i) {
        float c[3] = {sphere[0][0], sphere[0][1], sphere[0][2]};
        if (!uniform && i * 3 + 2 < m_batch.normals.size()) {
            const float* nrm = &m_batch.normals[i * 3];
            const float* y = nrm[1] > 0 ? sphere[1] : sphere[0];
            const float* x = nrm[0] < 0 ? sphere[3] : sphere[2];
            const float* z = nrm[2] < 0 ? sphere[5] : sphere[4];
            for (int ch = 0; ch < 3; ++ch) {
                c[ch] = std::fabs(nrm[1]) * y[ch] + std::fabs(nrm[0]) * x[ch] + std::fabs(nrm[2]) * z[ch];
            }
        }
        auto packed = Color::toRGBA8(c[0], c[1], c[2], 1.0f);
        std::copy(packed.begin(), packed.end(), m_batch.colours.begin() + static_cast<std::ptrdiff_t>(i * 4));
    }
}

void StageDrawer::generateColours(const ShaderStage& stage, int mode, float seconds, bool unlit)
{
    const size_t n = m_batch.vertexCount();
    float* constant = m_batch.constantColor;
    auto setConstant = [&](float r, float g, float b) {
        constant[0] = r;
        constant[1] = g;
        constant[2] = b;
        if (mode == 0 || mode == 1) {
            packAll(m_batch.colours, n, constant);
        }
    };
    const float* k = stage.constantColor;
    // Short arrays from a surface are padded: white colours and lighting.
    auto perVertex = [&](auto colourOf) {
        m_batch.colours.resize(n * 4);
        for (size_t i = 0; i < n; ++i) {
            auto c = colourOf(i);
            std::copy(c.begin(), c.end(), m_batch.colours.begin() + static_cast<std::ptrdiff_t>(i * 4));
        }
    };
    auto saved = [&](size_t i, int channel) {
        return i * 3 + channel < m_batch.savedLighting.size() ? m_batch.savedLighting[i * 3 + channel] : 1.0f;
    };
    const float* o = m_batch.origin;
    const bool sphere = m_batch.litEntity && m_lights && m_settings.betterLighting;
    switch (stage.colorGen) {
    case ColorGen::Identity:
        setConstant(1.0f, 1.0f, 1.0f);
        break;
    case ColorGen::Constant:
        setConstant(k[0], k[1], k[2]);
        break;
    case ColorGen::Origin:
    case ColorGen::OriginAndConstant: {
        Color l = light(o[0], o[1], unlit);
        bool withConstant = stage.colorGen == ColorGen::OriginAndConstant;
        setConstant(l.r * (withConstant ? k[0] : 1.0f), l.g * (withConstant ? k[1] : 1.0f),
                    l.b * (withConstant ? k[2] : 1.0f));
        break;
    }
    case ColorGen::EntityLight:
        if (m_batch.litEntity) {
            const float* c = m_batch.litEntity->lightColour;
            setConstant(c[0], c[1], c[2]);
        } else {
            setConstant(1.0f, 1.0f, 1.0f);
        }
        break;
    case ColorGen::Sphere:
        if (sphere) {
            applySphereLighting(unlit, nullptr);
        } else {
            Color l = light(o[0], o[1], unlit);
            setConstant(l.r, l.g, l.b);
        }
        break;
    case ColorGen::SphereAndConstant:
        if (sphere) {
            applySphereLighting(unlit, k);
        } else {
            // The origin's light even for an unlit call.
            Color l = light(o[0], o[1], false);
            setConstant(l.r * k[0], l.g * k[1], l.b * k[2]);
        }
        break;
    case ColorGen::Wave: {
        float v = evaluateWave(stage.colorWave, 0.0f, seconds);
        setConstant(v, v, v);
        break;
    }
    case ColorGen::Vertex:
    case ColorGen::VertexAndConstant: {
        bool withConstant = stage.colorGen == ColorGen::VertexAndConstant;
        if (stage.saveLighting) {
            m_batch.savedLighting.assign(n * 3, 1.0f);
        }
        perVertex([&](size_t i) {
            const float* p = &m_batch.positions[i * 3];
            float x = p[0], y = p[1];
            if (m_batch.hasMatrix) {
                const float* m = m_batch.matrix;
                x = m[0] * p[0] + m[1] * p[1] + m[2] * p[2];
                y = m[3] * p[0] + m[4] * p[1] + m[5] * p[2];
            }
            Color l = light(x + o[0], y + o[1], unlit);
            if (stage.saveLighting) {
                m_batch.savedLighting[i * 3] = l.r;
                m_batch.savedLighting[i * 3 + 1] = l.g;
                m_batch.savedLighting[i * 3 + 2] = l.b;
            }
            return withConstant ? Color::toRGBA8(l.r * k[0], l.g * k[1], l.b * k[2], constant[3])
                                : Color::toRGBA8(l.r, l.g, l.b, constant[3]);
        });
        break;
    }
    case ColorGen::CodeGenerated:
        perVertex([&](size_t i) {
            std::array<uint8_t, 4> c = {255, 255, 255, 255};
            if (i * 4 + 3 < m_batch.codeColours.size()) {
                std::copy_n(m_batch.codeColours.begin() + static_cast<std::ptrdiff_t>(i * 4), 4, c.begin());
            }
            return c;
        });
        break;
    case ColorGen::Saved:
    case ColorGen::SavedAndConstant: {
        bool withConstant = stage.colorGen == ColorGen::SavedAndConstant;
        perVertex([&](size_t i) {
            float m[3] = {1, 1, 1};
            if (withConstant) {
                m[0] = k[0];
                m[1] = k[1];
                m[2] = k[2];
            }
            return Color::toRGBA8(saved(i, 0) * m[0], saved(i, 1) * m[1], saved(i, 2) * m[2], 1.0f);
        });
        break;
    }
    case ColorGen::SameAsPreviousStage:
        break;
    }
    if ((mode == 0 || mode == 1) && m_batch.colours.size() < n * 4) {
        packAll(m_batch.colours, n, constant);
    }
}

void StageDrawer::generateAlpha(const ShaderStage& stage, size_t stageIndex, int mode, float alpha,
                                float seconds)
{
    if (mode != 1 && mode != 3) {
        return;
    }
    const size_t n = m_batch.vertexCount();
    float value = alpha;
    switch (stage.alphaGen) {
    case AlphaGen::Identity:
        break;
    case AlphaGen::Constant:
        value = stage.constantAlpha * alpha;
        break;
    case AlphaGen::Wave:
        value = evaluateWave(stage.alphaWave, 0.0f, seconds) * alpha;
        break;
    case AlphaGen::CodeGenerated:
        for (size_t i = 0; i < n && i * 4 + 3 < m_batch.colours.size(); ++i) {
            m_batch.colours[i * 4 + 3] =
                i * 4 + 3 < m_batch.codeColours.size() ? m_batch.codeColours[i * 4 + 3] : 255;
        }
        return;
    case AlphaGen::StageGenerated: {
        const std::vector<uint8_t>* alphas =
            stageIndex < m_batch.stageAlphas.size() ? &m_batch.stageAlphas[stageIndex] : nullptr;
        for (size_t i = 0; i < n && i * 4 + 3 < m_batch.colours.size(); ++i) {
            // A surface that supplies no alphas for this stage draws opaque.
            m_batch.colours[i * 4 + 3] = alphas && i < alphas->size() ? (*alphas)[i] : 255;
        }
        return;
    }
    }
    m_batch.constantColor[3] = value;
    if (mode == 1) {
        double clamped = std::clamp(static_cast<double>(value), 0.0, 1.0);
        uint8_t byte = static_cast<uint8_t>(std::floor(clamped * 255.0 + 0.5));
        for (size_t i = 0; i < n && i * 4 + 3 < m_batch.colours.size(); ++i) {
            m_batch.colours[i * 4 + 3] = byte;
        }
    }
}

const float* StageDrawer::generateCoords(const ShaderStage& stage, float seconds)
{
    m_batch.texCoords.resize(m_batch.vertexCount() * 2, 0.0f);
    if (stage.uvModifiers.empty()) {
        return m_batch.texCoords.data();
    }
    m_batch.generatedCoords = m_batch.texCoords;
    for (const UVModifier& mod : stage.uvModifiers) {
        for (size_t i = 0; i + 1 < m_batch.generatedCoords.size(); i += 2) {
            mod.apply(m_batch.generatedCoords[i], m_batch.generatedCoords[i + 1], seconds);
        }
    }
    return m_batch.generatedCoords.data();
}

void StageDrawer::drawShaderStages(RenderSurface* surface, bool unlit)
{
    Shader* shader = m_shader;
    const size_t n = m_batch.vertexCount();
    auto finish = [&] {
        if (surface) {
            surface->end();
        }
        m_shader = nullptr;
    };
    if (m_batch.indices.empty() || !shader || !m_backend) {
        finish();
        return;
    }
    // An index at or past the vertex count would make the driver read
    // outside the arrays: the whole batch is dropped.
    uint32_t largest = *std::max_element(m_batch.indices.begin(), m_batch.indices.end());
    if (largest >= n) {
        debugPrint(3, "%s: batch index %u beyond its %zu vertices; not drawn\n",
                   shader->getFileName().c_str(), largest, n);
        finish();
        return;
    }
    float seconds = m_waveSeconds ? m_waveSeconds() : currentWaveSeconds();
    const bool deformed = std::any_of(shader->deforms.begin(), shader->deforms.end(),
                                      [](const VertexDeform& d) { return d.type != DeformVertsType::None; });
    applyDeforms(seconds);

    StageShaderState state;
    state.cullEnabled = shader->cullEnabled;
    state.cullFace = shader->cullFace;
    state.depthFunc = shader->depthFunc;
    state.depthTest = shader->testDepth;
    int pass = surface ? surface->pass : 0;
    state.depthWrite = pass == 2 ? false : shader->writeDepth;
    state.colorWrite = pass == 1 ? false : shader->writeColor;
    state.stencilEnabled = shader->stencilEnabled;
    state.stencilFunc = shader->stencilFunc;
    state.stencilRef = shader->stencilRef;
    std::copy(std::begin(shader->stencilActions), std::end(shader->stencilActions), state.stencilActions);
    m_backend->beginBatch(state, m_batch.positions.data(), n);

    float alpha = surface ? surface->fade : 1.0f;
    bool faded = surface && alpha != 1.0f;
    const bool unlitBatch = unlit || (surface && surface->flag != 0);
    for (size_t i = 0; i < shader->stages.size(); ++i) {
        const ShaderStage& stage = shader->stages[i];
        StageDraw draw;
        draw.stage = static_cast<int>(i);
        draw.texCoords = generateCoords(stage, seconds);
        if (faded) {
            draw.blendEnabled = true;
            draw.sourceBlend = GL_SRC_ALPHA;
            draw.destBlend = GL_ONE_MINUS_SRC_ALPHA;
        } else {
            draw.blendEnabled = stage.blendEnabled;
            draw.sourceBlend = stage.sourceBlend;
            draw.destBlend = stage.destBlend;
        }
        int mode = stage.vertexColorMode;
        if (faded) {
            mode = computeVertexColorMode(stage.colorGen, stage.alphaGen, true, m_settings.betterLighting);
        } else if (stage.colorGen == ColorGen::Sphere || stage.colorGen == ColorGen::SphereAndConstant) {
            mode = computeVertexColorMode(stage.colorGen, stage.alphaGen, false, m_settings.betterLighting);
        }
        generateColours(stage, mode, seconds, unlitBatch);
        generateAlpha(stage, i, mode, alpha, seconds);
        draw.vertexColorMode = mode;
        std::copy(std::begin(m_batch.constantColor), std::end(m_batch.constantColor), draw.constantColor);
        draw.colours = (mode == 0 || mode == 1) ? m_batch.colours.data() : nullptr;
        draw.alphaTest = stage.alphaTestEnabled;
        draw.alphaFunc = stage.alphaTestFunc;
        draw.alphaRef = stage.alphaTestRef;
        draw.texture =
            (shader->useShaderTime ? stage.getFrameTexture(m_batch.shaderTime) : stage.getFrameTexture())
                .getIndex();
        draw.clampU = stage.clampU;
        draw.clampV = stage.clampV;
        if (shader->useMipMaps) {
            draw.minFilter = m_settings.filteringQuality == 1   ? GL_LINEAR_MIPMAP_NEAREST
                             : m_settings.filteringQuality == 2 ? GL_LINEAR_MIPMAP_LINEAR
                                                                : GL_LINEAR;
        } else {
            draw.minFilter = GL_LINEAR;
        }
        draw.magFilter = GL_LINEAR;
        // Ground tiles: flat, each tile's coordinates 0..1 across it.
        draw.flatAndAffine =
            shader->blendedTile && !m_batch.hasMatrix && stage.uvModifiers.empty() && !deformed;
        m_backend->drawStage(draw, m_batch.indices.data(), m_batch.indices.size());
    }
    m_backend->endBatch();
    if (m_settings.showNormals && m_batch.normals.size() >= n * 3) {
        m_backend->drawNormals(m_batch.positions.data(), m_batch.normals.data(), n);
    }
    if (m_settings.showTris) {
        m_backend->drawTriangleOutlines(m_batch.indices.data(), m_batch.indices.size(),
                                        m_settings.showTris == 2);
    }
    uint64_t triangles = m_batch.indices.size() / 3;
    m_triangles += triangles;
    m_trianglePasses += triangles * shader->stages.size();
    finish();
}
