// Loads arbitrary bytes as a font and lays out text drawn from the same bytes
// with it: every glyph index stays within the font, and every measured size
// is finite and not negative.
#include "engine/core/DebugSystem.h"
#include "graphics/text/FontResource.h"
#include "graphics/text/TextLayout.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem debug;
    auto font = FontResource::parse("fonts/fuzz.fnt", data, size, false);
    FUZZ_CHECK(font != nullptr);
    for (int index : font->charIndexes) {
        FUZZ_CHECK(index >= -1 && index <= 255);
    }
    // The text: the input's last 64 bytes, colour and font codes included.
    const size_t start = size > 64 ? size - 64 : 0;
    const std::string text(reinterpret_cast<const char*>(data) + start, size - start);
    TextLayout::Style style;
    style.drawing = true;
    style.shadow = (size & 1) != 0;
    const TextLayout::Result r = TextLayout::walk(TextLayout::prepare(text), font.get(), font.get(), style);
    FUZZ_CHECK(std::isfinite(r.width) && std::isfinite(r.height));
    FUZZ_CHECK(r.width >= 0.0f && r.height >= 0.0f);
    for (const TextLayout::Run& run : r.runs) {
        for (const TextLayout::Quad& q : run.quads) {
            FUZZ_CHECK(std::isfinite(q.x0) && std::isfinite(q.x1) && std::isfinite(q.y0) &&
                       std::isfinite(q.y1));
        }
    }
    return 0;
}
