#include "graphics/DeferredStageBackend.h"

#include <cstring>

namespace {

enum Call : uint32_t { kContext, kBegin, kStage, kEnd, kModelView };

uint32_t bits(float value)
{
    uint32_t out;
    std::memcpy(&out, &value, sizeof out);
    return out;
}

float fromBits(uint32_t value)
{
    float out;
    std::memcpy(&out, &value, sizeof out);
    return out;
}

} // namespace

void DeferredStageBackend::Frame::clear()
{
    words.clear();
    floats.clear();
    indices.clear();
    colours.clear();
}

DeferredStageBackend::DeferredStageBackend(StageBackend& target, std::function<uint32_t(int)> textureName)
    : m_target(target), m_textureName(std::move(textureName))
{
}

void DeferredStageBackend::hold(std::initializer_list<uint64_t> context)
{
    m_held.clear();
    m_holding = true;
    m_held.words.push_back(kContext);
    m_held.words.push_back(static_cast<uint32_t>(context.size()));
    for (uint64_t value : context) {
        m_held.words.push_back(static_cast<uint32_t>(value));
        m_held.words.push_back(static_cast<uint32_t>(value >> 32));
    }
}

bool DeferredStageBackend::matchesShown() const
{
    return m_holding && m_shownKnown && m_held == m_shown;
}

void DeferredStageBackend::release()
{
    if (!m_holding) {
        return;
    }
    m_holding = false;
    replay(m_held);
}

void DeferredStageBackend::markShown()
{
    std::swap(m_shown, m_held);
    m_held.clear();
    m_shownKnown = true;
}

void DeferredStageBackend::forgetShown()
{
    m_shownKnown = false;
}

void DeferredStageBackend::beginBatch(const StageShaderState& s, const float* positions, size_t vertexCount)
{
    if (!m_holding) {
        m_target.beginBatch(s, positions, vertexCount);
        return;
    }
    m_vertices = vertexCount;
    m_held.words.insert(m_held.words.end(),
                        {kBegin, s.cullEnabled, s.cullFace, s.depthFunc, s.depthTest, s.depthWrite,
                         s.colorWrite, s.stencilEnabled, s.stencilFunc, static_cast<uint32_t>(s.stencilRef),
                         s.stencilActions[0], s.stencilActions[1], s.stencilActions[2],
                         static_cast<uint32_t>(vertexCount)});
    m_held.floats.insert(m_held.floats.end(), positions, positions + vertexCount * 3);
}

void DeferredStageBackend::drawStage(const StageDraw& d, const uint32_t* indices, size_t indexCount)
{
    if (!m_holding) {
        m_target.drawStage(d, indices, indexCount);
        return;
    }
    const uint32_t name = m_textureName ? m_textureName(d.texture) : 0;
    m_held.words.insert(m_held.words.end(), {kStage,
                                             static_cast<uint32_t>(d.stage),
                                             d.blendEnabled,
                                             d.sourceBlend,
                                             d.destBlend,
                                             static_cast<uint32_t>(d.vertexColorMode),
                                             bits(d.constantColor[0]),
                                             bits(d.constantColor[1]),
                                             bits(d.constantColor[2]),
                                             bits(d.constantColor[3]),
                                             d.alphaTest,
                                             d.alphaFunc,
                                             bits(d.alphaRef),
                                             static_cast<uint32_t>(d.texture),
                                             name,
                                             d.clampU,
                                             d.clampV,
                                             d.minFilter,
                                             d.magFilter,
                                             d.texCoords != nullptr,
                                             d.colours != nullptr,
                                             static_cast<uint32_t>(indexCount)});
    if (d.texCoords) {
        m_held.floats.insert(m_held.floats.end(), d.texCoords, d.texCoords + m_vertices * 2);
    }
    if (d.colours) {
        m_held.colours.insert(m_held.colours.end(), d.colours, d.colours + m_vertices * 4);
    }
    m_held.indices.insert(m_held.indices.end(), indices, indices + indexCount);
}

void DeferredStageBackend::endBatch()
{
    if (!m_holding) {
        m_target.endBatch();
        return;
    }
    m_held.words.push_back(kEnd);
}

void DeferredStageBackend::setModelView(const float matrix[16])
{
    if (!m_holding) {
        m_target.setModelView(matrix);
        return;
    }
    m_held.words.push_back(kModelView);
    m_held.floats.insert(m_held.floats.end(), matrix, matrix + 16);
}

// The debug views draw at once: what is held goes first.
void DeferredStageBackend::drawNormals(const float* positions, const float* normals, size_t vertexCount)
{
    release();
    m_target.drawNormals(positions, normals, vertexCount);
}

void DeferredStageBackend::drawTriangleOutlines(const uint32_t* indices, size_t indexCount, bool depthTestOff)
{
    release();
    m_target.drawTriangleOutlines(indices, indexCount, depthTestOff);
}

void DeferredStageBackend::replay(const Frame& f)
{
    size_t w = 0, fl = 0, ix = 0, co = 0;
    size_t vertices = 0;
    while (w < f.words.size()) {
        switch (f.words[w++]) {
        case kContext:
            w += 1 + 2 * size_t{f.words[w]};
            break;
        case kBegin: {
            StageShaderState s;
            s.cullEnabled = f.words[w++] != 0;
            s.cullFace = f.words[w++];
            s.depthFunc = f.words[w++];
            s.depthTest = f.words[w++] != 0;
            s.depthWrite = f.words[w++] != 0;
            s.colorWrite = f.words[w++] != 0;
            s.stencilEnabled = f.words[w++] != 0;
            s.stencilFunc = f.words[w++];
            s.stencilRef = static_cast<int>(f.words[w++]);
            for (unsigned& action : s.stencilActions) {
                action = f.words[w++];
            }
            vertices = f.words[w++];
            m_target.beginBatch(s, f.floats.data() + fl, vertices);
            fl += vertices * 3;
            break;
        }
        case kStage: {
            StageDraw d;
            d.stage = static_cast<int>(f.words[w++]);
            d.blendEnabled = f.words[w++] != 0;
            d.sourceBlend = f.words[w++];
            d.destBlend = f.words[w++];
            d.vertexColorMode = static_cast<int>(f.words[w++]);
            for (float& c : d.constantColor) {
                c = fromBits(f.words[w++]);
            }
            d.alphaTest = f.words[w++] != 0;
            d.alphaFunc = f.words[w++];
            d.alphaRef = fromBits(f.words[w++]);
            d.texture = static_cast<int>(f.words[w++]);
            ++w; // the bound name, for the comparison only
            d.clampU = f.words[w++];
            d.clampV = f.words[w++];
            d.minFilter = f.words[w++];
            d.magFilter = f.words[w++];
            const bool texCoords = f.words[w++] != 0;
            const bool colours = f.words[w++] != 0;
            const size_t indexCount = f.words[w++];
            if (texCoords) {
                d.texCoords = f.floats.data() + fl;
                fl += vertices * 2;
            }
            if (colours) {
                d.colours = f.colours.data() + co;
                co += vertices * 4;
            }
            m_target.drawStage(d, f.indices.data() + ix, indexCount);
            ix += indexCount;
            break;
        }
        case kEnd:
            m_target.endBatch();
            break;
        case kModelView:
            m_target.setModelView(f.floats.data() + fl);
            fl += 16;
            break;
        default:
            return;
        }
    }
}
