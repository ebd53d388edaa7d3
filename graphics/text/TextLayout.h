#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class FontResource;

// One walk over a text in a font: colour codes, font switches, line feeds
// and tabs. It yields the glyph quads of the virtual screen, grouped by the
// font whose texture draws them, and the size the text takes; drawing and
// measuring both use it, so what is drawn is what was measured.
class TextLayout {
public:
    struct Quad {
        float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        float uv[4] = {0, 0, 0, 0}; // left, top, right, bottom as drawn
        float colour[3] = {1, 1, 1};
    };
    // Quads that one font's texture draws, in text order.
    struct Run {
        const FontResource* drawing = nullptr;
        std::vector<Quad> quads;
    };
    struct Result {
        float width = 0.0f;
        float height = 0.0f;
        std::vector<Run> runs;
        // A font switch to a font without a texture ended the drawing.
        bool stopped = false;
    };
    struct Style {
        float x = 0.0f, y = 0.0f;
        float colour[3] = {1.0f, 1.0f, 1.0f};
        bool shadow = false;
        float lineSpacing = 0.0f;
        // Collect quads, and stop at a font without a texture.
        bool drawing = false;
    };
    // Font-list entry of a "^f" code → the requested font and the font that
    // draws it; false leaves the fonts as they are.
    using FontSwitch =
        std::function<bool(int entry, const FontResource*& requested, const FontResource*& drawing)>;

    // Text keys translated, then each backslash-n made a line feed.
    static std::string prepare(std::string_view text);
    static Result walk(std::string_view text, const FontResource* requested, const FontResource* drawing,
                       const Style& style, const FontSwitch& switchFont = {});
    // The width glyph record g of the requested font takes when drawn with
    // the drawing font's texture (0 when the drawing glyph has no height).
    static float drawnWidth(const FontResource& requested, const FontResource& drawing, int g);
};
