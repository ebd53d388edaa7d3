// Bakes the game's bitmap fonts from a description. Usage:
//   fontgen <description> <output root> <face directory>
// Each line "font <name> <face file> <line height>" writes, below the output
// root, "fonts/<name>.fnt" and "Textures/Fonts/<name>.tga". The line height is
// in virtual-screen pixels; the image is rendered at twice that size, white
// with the coverage in alpha, in the smallest square power-of-two image that
// holds every glyph cell. A cell holds all of its glyph's ink and is drawn
// whole. '#' starts a comment. Anything wrong stops the tool
// with "file:line: …". The output depends only on the description and the
// face, so two runs give the same bytes.
#include "engine/files/AtomicWrite.h"
#include "graphics/codecs/TgaImage.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kScale = 2;      // image pixels per virtual-screen pixel
constexpr int kPadding = 2;    // image pixels between cells
constexpr int kMaxSide = 4096; // largest image tried

struct Cell {
    int byte = -1;
    int advance = 0;            // virtual pixels, rounded
    int width = 0;              // drawn width in virtual pixels
    std::vector<uint8_t> alpha; // cell pixels, y down
    int cellWidth = 0;          // image pixels
    int x = 0, y = 0;           // place in the image
};

[[noreturn]] void fail(const std::string& where, const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", where.c_str(), what.c_str());
    std::exit(1);
}

void writeIfChanged(const std::filesystem::path& out, const std::string& contents, const std::string& where)
{
    std::error_code ec;
    std::filesystem::create_directories(out.parent_path(), ec);
    std::ifstream old(out, std::ios::binary);
    std::string existing((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    if (!old || existing != contents) {
        if (!writeFileAtomically(out.string(), contents)) {
            fail(where, "cannot write " + out.string());
        }
    }
}

bool hasGlyph(int b)
{
    return (b >= 32 && b <= 126) || (b >= 160 && b <= 255);
}

// Packs the cells in rows; false when they do not fit the side.
bool pack(std::vector<Cell>& cells, int side, int rowHeight)
{
    int x = kPadding, y = kPadding;
    for (Cell& c : cells) {
        if (x + c.cellWidth + kPadding > side) {
            x = kPadding;
            y += rowHeight + kPadding;
        }
        if (c.cellWidth + 2 * kPadding > side || y + rowHeight + kPadding > side) {
            return false;
        }
        c.x = x;
        c.y = y;
        x += c.cellWidth + kPadding;
    }
    return true;
}

void bakeFont(FT_Library library, const std::string& where, const std::string& name,
              const std::string& facePath, int lineHeight, const std::filesystem::path& root)
{
    FT_Face face = nullptr;
    if (FT_New_Face(library, facePath.c_str(), 0, &face) != 0) {
        fail(where, "cannot read the face " + facePath);
    }
    const int imageLine = lineHeight * kScale;
    const double span = static_cast<double>(face->ascender - face->descender);
    if (span <= 0.0) {
        fail(where, "the face has no line height");
    }
    // The pixel size whose ascent + descent is the image line; smaller when
    // an accent or a descender would reach out of the line (the face's
    // ascent and descent do not bound every glyph), so that no glyph loses
    // a row.
    FT_UInt ppem = static_cast<FT_UInt>(std::lround(imageLine * face->units_per_EM / span));
    int baseline = 0;
    std::vector<Cell> cells;
    for (;; --ppem) {
        if (ppem < 2 || FT_Set_Pixel_Sizes(face, 0, ppem) != 0) {
            fail(where, "cannot size the face to the line");
        }
        int above = 0, below = 0;
        for (int b = 32; b < 256; ++b) {
            if (!hasGlyph(b)) {
                continue;
            }
            if (FT_Load_Char(face, static_cast<FT_ULong>(b), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
                fail(where, "cannot render byte " + std::to_string(b));
            }
            const FT_GlyphSlot slot = face->glyph;
            if (slot->bitmap.rows > 0) {
                above = std::max(above, slot->bitmap_top);
                below = std::max(below, static_cast<int>(slot->bitmap.rows) - slot->bitmap_top);
            }
        }
        if (above + below <= imageLine) {
            // The face's own baseline, moved only as far as a glyph needs.
            baseline = static_cast<int>(std::lround(imageLine * face->ascender / span));
            baseline = std::clamp(baseline, above, imageLine - below);
            break;
        }
    }

    // Record 0: an empty cell of the line height.
    cells.push_back({0, 0, 0, std::vector<uint8_t>(static_cast<size_t>(imageLine) * 2, 0), 2});
    for (int b = 32; b < 256; ++b) {
        if (!hasGlyph(b)) {
            continue;
        }
        if (FT_Load_Char(face, static_cast<FT_ULong>(b), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
            fail(where, "cannot render byte " + std::to_string(b));
        }
        FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        Cell c;
        c.byte = b;
        c.advance = static_cast<int>(std::lround(slot->advance.x / 64.0 / kScale));
        // A glyph whose ink starts left of the pen moves right by that much;
        // one whose ink runs past its advance gets a cell as wide as the ink:
        // the drawn quad is the whole cell, so nothing of the glyph is cut.
        const int shift = std::max(0, -slot->bitmap_left);
        const int inkRight = shift + slot->bitmap_left + static_cast<int>(bm.width);
        c.width = std::max({c.advance - 1, (inkRight + kScale - 1) / kScale, 0});
        c.cellWidth = std::max(1, c.width * kScale);
        c.alpha.assign(static_cast<size_t>(c.cellWidth) * imageLine, 0);
        for (unsigned row = 0; row < bm.rows; ++row) {
            const int y = baseline - slot->bitmap_top + static_cast<int>(row);
            for (unsigned col = 0; col < bm.width; ++col) {
                const int x = shift + slot->bitmap_left + static_cast<int>(col);
                uint8_t v =
                    bm.buffer[static_cast<size_t>(row) * static_cast<size_t>(std::abs(bm.pitch)) + col];
                if (v == 0) {
                    continue;
                }
                if (y < 0 || y >= imageLine || x < 0 || x >= c.cellWidth) {
                    fail(where, "byte " + std::to_string(b) + " does not fit its cell");
                }
                uint8_t& p = c.alpha[static_cast<size_t>(y) * c.cellWidth + x];
                p = std::max(p, v);
            }
        }
        cells.push_back(std::move(c));
    }
    // A fixed-pitch face keeps one width for every glyph: the widest one's,
    // the others' ink where it was, with blank columns after it.
    if (FT_IS_FIXED_WIDTH(face)) {
        int widest = 0;
        for (const Cell& c : cells) {
            widest = std::max(widest, c.byte > 0 ? c.width : 0);
        }
        for (Cell& c : cells) {
            if (c.byte <= 0 || c.width == widest) {
                continue;
            }
            std::vector<uint8_t> wider(static_cast<size_t>(widest * kScale) * imageLine, 0);
            for (int y = 0; y < imageLine; ++y) {
                std::copy_n(c.alpha.begin() + static_cast<long>(y) * c.cellWidth, c.cellWidth,
                            wider.begin() + static_cast<long>(y) * widest * kScale);
            }
            c.alpha = std::move(wider);
            c.width = widest;
            c.cellWidth = widest * kScale;
        }
    }
    FT_Done_Face(face);

    int side = 16;
    while (!pack(cells, side, imageLine)) {
        side *= 2;
        if (side > kMaxSide) {
            fail(where, "the glyphs do not fit a " + std::to_string(kMaxSide) + " image");
        }
    }

    // The image, y down, then written bottom row first.
    std::vector<uint8_t> alpha(static_cast<size_t>(side) * side, 0);
    for (const Cell& c : cells) {
        for (int y = 0; y < imageLine; ++y) {
            for (int x = 0; x < c.cellWidth; ++x) {
                alpha[static_cast<size_t>(c.y + y) * side + c.x + x] =
                    c.alpha[static_cast<size_t>(y) * c.cellWidth + x];
            }
        }
    }
    std::vector<uint8_t> rgba;
    rgba.reserve(alpha.size() * 4);
    for (int y = side - 1; y >= 0; --y) {
        for (int x = 0; x < side; ++x) {
            rgba.insert(rgba.end(), {255, 255, 255, alpha[static_cast<size_t>(y) * side + x]});
        }
    }
    std::vector<uint8_t> tga = encodeTga(side, side, 4, rgba.data());
    writeIfChanged(root / "Textures/Fonts" / (name + ".tga"), std::string(tga.begin(), tga.end()), where);

    // Glyph index b for each byte with a glyph; record b holds its cell.
    std::ostringstream fnt;
    fnt << "size " << lineHeight << "\ncharIndexes\n{\n";
    for (int b = 0; b < 256; ++b) {
        fnt << (hasGlyph(b) ? b : -1) << ((b % 16 == 15) ? "\n" : " ");
    }
    fnt << "}\ncharData\n{\n";
    std::vector<const Cell*> records(256, nullptr);
    for (const Cell& c : cells) {
        records[static_cast<size_t>(c.byte)] = &c;
    }
    char line[160];
    for (int g = 0; g < 256; ++g) {
        const Cell* c = records[static_cast<size_t>(g)];
        if (!c) {
            fnt << "-1 -1 -1 -1 -1 -1\n";
            continue;
        }
        // Drawing adds one pixel after each glyph: the record is one narrower
        // than the advance, or as wide as the ink.
        const int width = c->width;
        float s = static_cast<float>(side);
        std::snprintf(line, sizeof line, "%.6f %.6f %.6f %.6f %d %d\n", c->x / s, c->y / s,
                      (c->x + width * kScale) / s, (c->y + imageLine) / s, width, lineHeight);
        fnt << line;
    }
    fnt << "}\n";
    writeIfChanged(root / "fonts" / (name + ".fnt"), fnt.str(), where);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: fontgen <description> <output root> <face directory>\n");
        return 2;
    }
    const std::string file = argv[1];
    const std::filesystem::path root = argv[2];
    const std::filesystem::path faces = argv[3];
    std::ifstream in(file);
    if (!in) {
        fail(file, "cannot read");
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        fail(file, "cannot start FreeType");
    }
    std::string text;
    int lineNumber = 0;
    while (std::getline(in, text)) {
        ++lineNumber;
        std::string where = file + ":" + std::to_string(lineNumber);
        if (size_t hash = text.find('#'); hash != std::string::npos) {
            text.erase(hash);
        }
        std::istringstream words(text);
        std::string op, name, faceFile, heightText;
        if (!(words >> op)) {
            continue;
        }
        if (op != "font") {
            fail(where, "unknown line \"" + op + "\"");
        }
        if (!(words >> name >> faceFile >> heightText)) {
            fail(where, "a font line is \"font <name> <face file> <line height>\"");
        }
        char* end = nullptr;
        long height = std::strtol(heightText.c_str(), &end, 10);
        if (*end != '\0' || height < 4 || height > 128) {
            fail(where, "line height \"" + heightText + "\" is not a number of 4 to 128");
        }
        bakeFont(library, where, name, (faces / faceFile).string(), static_cast<int>(height), root);
    }
    FT_Done_FreeType(library);
    return 0;
}
