// Fonts and text of the graphics system: the standard fonts, drawing and
// measuring text, and the font helpers.
#include "graphics/GraphicsSystem.h"

#include "engine/resources/ResourceSystem.h"
#include "graphics/ScreenGeometry.h"
#include "graphics/StageDrawer.h"
#include "graphics/shaders/Shader.h"
#include "graphics/text/FontResource.h"
#include "graphics/text/TextLayout.h"

namespace {

const FontResource* resolveFont(const ResourceHandle& handle)
{
    ResourceSystem* resources = ResourceSystem::instance();
    return resources && handle.isValid() ? resources->getAs<FontResource>(handle) : nullptr;
}

// A "^f" code: the list font and the font that draws it.
TextLayout::FontSwitch fontSwitcher(GraphicsSystem& graphics)
{
    return [&graphics](int entry, const FontResource*& requested, const FontResource*& drawing) {
        const ResourceHandle& handle = graphics.getListFont(entry);
        const FontResource* r = resolveFont(handle);
        if (!r) {
            return false;
        }
        const FontResource* d = resolveFont(graphics.nextLargerFont(handle));
        requested = r;
        drawing = d ? d : r;
        return true;
    };
}

} // namespace

void GraphicsSystem::setGameValues(const FrameGameValues& values)
{
    m_gameValues = values;
    m_listFonts.clear();
    m_listFonts.resize(values.fontNames.size());
    ResourceSystem* resources = ResourceSystem::instance();
    if (!resources || values.fontNames.empty()) {
        return;
    }
    // The log font is list entry 1, the default font entry 0.
    const int entries[4] = {1, 0, 2, 3};
    for (int i = 0; i < 4; ++i) {
        m_fontHandles[static_cast<size_t>(i)] = getListFont(entries[i]);
    }
}

const ResourceHandle& GraphicsSystem::getListFont(int entry)
{
    static const ResourceHandle none;
    if (m_listFonts.empty()) {
        return none;
    }
    if (entry < 0 || entry >= static_cast<int>(m_listFonts.size())) {
        entry = 0;
    }
    ResourceHandle& handle = m_listFonts[static_cast<size_t>(entry)];
    ResourceSystem* resources = ResourceSystem::instance();
    if (!handle.isValid() && resources) {
        handle = resources->load(m_gameValues.fontNames[static_cast<size_t>(entry)]);
    }
    return handle;
}

const ResourceHandle& GraphicsSystem::getFontHandle(int index) const
{
    static const ResourceHandle none;
    return index >= 0 && index < 4 ? m_fontHandles[static_cast<size_t>(index)] : none;
}

const ResourceHandle& GraphicsSystem::nextLargerFont(const ResourceHandle& font) const
{
    if (getVar("r_higherResFonts").getInt() != 0 && font.isValid()) {
        for (int i = 0; i < 3; ++i) {
            if (m_fontHandles[static_cast<size_t>(i)] == font) {
                return m_fontHandles[static_cast<size_t>(i) + 1];
            }
        }
    }
    return font;
}

float GraphicsSystem::glyphAdvance(const FontResource& font, unsigned char character)
{
    return static_cast<float>(font.glyphs[character].height);
}

float GraphicsSystem::scaledGlyphWidth(const FontResource& a, const FontResource& b, unsigned char character)
{
    const FontResource::Glyph& ga = a.glyphs[character];
    if (ga.height == 0) {
        return 0.0f;
    }
    return static_cast<float>(ga.width) * (static_cast<float>(b.glyphs[character].height) / ga.height);
}

void GraphicsSystem::drawText(const ResourceHandle& font, const std::string& text, int x, int y,
                              const float colour[3], bool shadow, float opacity)
{
    const FontResource* requested = resolveFont(font);
    const FontResource* drawing = resolveFont(nextLargerFont(font));
    if (!drawing) {
        drawing = requested;
    }
    if (!requested || !drawing || !drawing->texture.isValid()) {
        return;
    }
    TextLayout::Style style;
    style.x = static_cast<float>(x);
    style.y = static_cast<float>(y);
    std::copy(colour, colour + 3, style.colour);
    style.shadow = shadow;
    style.lineSpacing = m_textLineSpacing;
    style.drawing = true;
    auto switchFont = fontSwitcher(*this);
    TextLayout::Result result =
        TextLayout::walk(TextLayout::prepare(text), requested, drawing, style, switchFont);
    ResourceSystem& resources = ResourceSystem::get();
    for (const TextLayout::Run& run : result.runs) {
        auto* shader = resources.getAs<Shader>(run.drawing->texture);
        if (!shader) {
            return;
        }
        prepareShader(shader);
        for (const TextLayout::Quad& q : run.quads) {
            ScreenGeometry::addTexturedRect(m_stageDrawer->batch(), q.x0, q.y0, q.x1, q.y1, q.uv, q.colour,
                                            opacity);
        }
        drawShaderStages(nullptr, false);
    }
}

Vec2 GraphicsSystem::layoutText(const std::string& text, const ResourceHandle& font)
{
    if (text.empty() || !font.isValid()) {
        return {};
    }
    const FontResource* requested = resolveFont(font);
    const FontResource* drawing = resolveFont(nextLargerFont(font));
    if (!requested) {
        return {};
    }
    TextLayout::Style style;
    style.lineSpacing = m_textLineSpacing;
    auto switchFont = fontSwitcher(*this);
    TextLayout::Result result = TextLayout::walk(TextLayout::prepare(text), requested,
                                                 drawing ? drawing : requested, style, switchFont);
    return {result.width, result.height};
}
