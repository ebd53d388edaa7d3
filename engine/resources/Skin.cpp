#include "engine/resources/Skin.h"

#include "engine/resources/ModelTextScanner.h"

#include <mutex>

namespace {
std::mutex g_lookupMutex;
Skin::ShaderLookup g_lookup;
} // namespace

void Skin::setShaderLookup(ShaderLookup lookup)
{
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    g_lookup = std::move(lookup);
}

ResourceHandle Skin::lookupShader(const std::string& name, int subType)
{
    ShaderLookup lookup;
    {
        std::lock_guard<std::mutex> lock(g_lookupMutex);
        lookup = g_lookup;
    }
    return lookup && !name.empty() ? lookup(name, subType) : ResourceHandle();
}

std::unique_ptr<Skin> Skin::parse(const std::string& fileName, const uint8_t* data, size_t size)
{
    ModelTextScanner scan(fileName, data, size);
    auto skin = std::make_unique<Skin>();
    while (!scan.atEnd()) {
        int line = scan.line();
        std::vector<ModelTextScanner::Token> fields = scan.restOfLine();
        if (fields.size() < 2 || fields.size() > 3 || !fields[1].quoted) {
            scan.warn(line, "expected <surfaceNumber> \"<shader name>\" [flag]");
            continue;
        }
        SkinSurface s;
        if (!scan.toInt(fields[0], s.surface) || (fields.size() == 3 && !scan.toInt(fields[2], s.flag))) {
            continue;
        }
        s.shaderName = fields[1].text;
        s.shader = lookupShader(s.shaderName, kSkinShaderSubType);
        if (skin->findSurface(s.surface)) {
            scan.warn(line, "surface " + std::to_string(s.surface) + " is given twice");
            continue;
        }
        skin->m_surfaces.push_back(std::move(s));
    }
    return skin;
}

const SkinSurface* Skin::findSurface(int surface) const
{
    for (const auto& s : m_surfaces) {
        if (s.surface == surface) {
            return &s;
        }
    }
    return nullptr;
}

int Skin::getSurfaceShader(int surface) const
{
    const SkinSurface* s = findSurface(surface);
    return s ? s->shader.getIndex() : -1;
}

void Skin::copySurfaces(Skin& skin, const Skin& source)
{
    if (&skin == &source) {
        return;
    }
    for (const auto& s : source.m_surfaces) {
        bool replaced = false;
        for (auto& own : skin.m_surfaces) {
            if (own.surface == s.surface) {
                own = s;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            skin.m_surfaces.push_back(s);
        }
    }
}
