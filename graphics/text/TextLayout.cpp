#include "graphics/text/TextLayout.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"
#include "graphics/text/FontResource.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr int kColourCount = 149;
constexpr int kRestoreColour = 145;
constexpr int kShadowColour = 10;

// A caret, a letter and three digits.
bool codeAt(std::string_view text, size_t i, char& letter, int& number)
{
    if (i + 5 > text.size() || text[i] != '^' || !std::isalpha(static_cast<unsigned char>(text[i + 1]))) {
        return false;
    }
    number = 0;
    for (size_t k = i + 2; k < i + 5; ++k) {
        if (!std::isdigit(static_cast<unsigned char>(text[k]))) {
            return false;
        }
        number = number * 10 + (text[k] - '0');
    }
    letter = text[i + 1];
    return true;
}

void setColour(float out[3], const Color& c)
{
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

} // namespace

std::string TextLayout::prepare(std::string_view text)
{
    std::string out(text);
    if (Localization* localization = Localization::instance()) {
        localization->translate(out);
    }
    unescapeNewlines(out);
    return out;
}

float TextLayout::drawnWidth(const FontResource& requested, const FontResource& drawing, int g)
{
    const FontResource::Glyph& d = drawing.glyphs[static_cast<size_t>(g)];
    if (d.height == 0) {
        return 0.0f;
    }
    float ratio =
        static_cast<float>(requested.glyphs[static_cast<size_t>(g)].height) / static_cast<float>(d.height);
    return static_cast<float>(d.width) * ratio;
}

TextLayout::Result TextLayout::walk(std::string_view text, const FontResource* requested,
                                    const FontResource* drawing, const Style& style,
                                    const FontSwitch& switchFont)
{
    Result result;
    if (!requested || !drawing) {
        return result;
    }
    float current[3] = {style.colour[0], style.colour[1], style.colour[2]};
    std::vector<std::array<float, 3>> stack;
    float shadow[3];
    setColour(shadow, ColorSystem::getColor(kShadowColour));
    bool locked = false;
    float penX = 0.0f, penY = 0.0f, lineHeight = 0.0f;
    bool lineEmpty = true;
    if (style.drawing) {
        result.runs.push_back({drawing, {}});
    }

    auto addQuad = [&](float x0, float y0, float x1, float y1, const FontResource::Glyph& g,
                       const float c[3]) {
        Quad q;
        q.x0 = style.x + x0;
        q.y0 = style.y + y0;
        q.x1 = style.x + x1;
        q.y1 = style.y + y1;
        q.uv[0] = g.left;
        q.uv[1] = 1.0f - g.top;
        q.uv[2] = g.right;
        q.uv[3] = 1.0f - g.bottom;
        std::copy(c, c + 3, q.colour);
        result.runs.back().quads.push_back(q);
    };

    for (size_t i = 0; i < text.size(); ++i) {
        char letter = 0;
        int number = 0;
        if (codeAt(text, i, letter, number)) {
            i += 4;
            if (locked) {
                continue;
            }
            if (letter == 'c') {
                if (number >= kColourCount) {
                    number = 0;
                }
                std::array<float, 3> previous{current[0], current[1], current[2]};
                if (number == kRestoreColour) {
                    if (stack.empty()) {
                        std::copy(style.colour, style.colour + 3, current);
                    } else {
                        std::copy(stack.back().begin(), stack.back().end(), current);
                        stack.pop_back();
                    }
                } else {
                    setColour(current, ColorSystem::getColor(number));
                    stack.push_back(previous);
                }
            } else if (letter == 'f') {
                if (switchFont && switchFont(number, requested, drawing) && style.drawing) {
                    if (!drawing->texture.isValid()) {
                        result.stopped = true;
                        break;
                    }
                    result.runs.push_back({drawing, {}});
                }
            } else if (letter == 'l') {
                locked = true;
            }
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            if (lineHeight == 0.0f) {
                lineHeight = std::max(0.0f, static_cast<float>(requested->glyphs[0].height));
            }
            penY += style.lineSpacing + lineHeight;
            result.height += style.lineSpacing + lineHeight;
            penX = 0.0f;
            lineHeight = 0.0f;
            lineEmpty = true;
            continue;
        }
        if (byte == '\t') {
            penX += drawnWidth(*requested, *drawing, ' ') * 5.0f + 1.0f;
            result.width = std::max(result.width, penX);
            continue;
        }
        int g = requested->charIndexes[byte];
        if (g < 0) {
            continue;
        }
        // A record the file left out, or gave a negative size, takes no room.
        float w = std::max(0.0f, drawnWidth(*requested, *drawing, g));
        float h = std::max(0.0f, static_cast<float>(requested->glyphs[static_cast<size_t>(g)].height));
        if (style.drawing) {
            const FontResource::Glyph& dg = drawing->glyphs[static_cast<size_t>(g)];
            if (style.shadow) {
                addQuad(penX + 1, penY + 1, penX + w + 1, penY + h + 1, dg, shadow);
            }
            addQuad(penX, penY, penX + w, penY + h, dg, current);
        }
        penX += w + 1.0f;
        lineEmpty = false;
        lineHeight = std::max(lineHeight, h);
        result.width = std::max(result.width, penX);
    }
    if (!lineEmpty) {
        result.height += style.lineSpacing + lineHeight;
    }
    return result;
}
