// The font generator (tools/gen/fontgen.cpp): two runs on one description,
// and the fonts the build made from the shipped description.
#include "graphics/codecs/TgaImage.h"
#include "graphics/text/FontResource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace {

// Where the build found the DejaVu faces.
std::string faceDirectory()
{
    for (const char* dir :
         {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu", "/usr/share/fonts/TTF"}) {
        if (std::filesystem::exists(std::string(dir) + "/DejaVuSans.ttf")) {
            return dir;
        }
    }
    return "";
}

int runFontgen(const TempDir& dir, const std::string& out)
{
    const std::string command = std::string(GLOAM_BINARY_DIR) + "/tools/fontgen '" +
                                dir.file("desc.fontsrc") + "' '" + dir.file(out) + "' '" + faceDirectory() +
                                "' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return -1;
    }
    char buffer[256];
    while (std::fread(buffer, 1, sizeof buffer, pipe) > 0) {
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FontgenTool, TwoRunsWriteTheSameBytes)
{
    ASSERT_FALSE(faceDirectory().empty()) << "the build needs the DejaVu faces";
    TempDir dir;
    dir.write("desc.fontsrc", "font plain DejaVuSans.ttf 12\nfont bold DejaVuSans-Bold.ttf 16\n");
    ASSERT_EQ(runFontgen(dir, "one"), 0);
    ASSERT_EQ(runFontgen(dir, "two"), 0);
    for (const char* file :
         {"fonts/plain.fnt", "Textures/Fonts/plain.tga", "fonts/bold.fnt", "Textures/Fonts/bold.tga"}) {
        const std::vector<uint8_t> first = readFileBytes(dir.path() / "one" / file);
        EXPECT_GT(first.size(), 18u) << file;
        EXPECT_EQ(first, readFileBytes(dir.path() / "two" / file)) << file;
    }
}

// Every glyph of every shipped font draws whole: the quad a glyph is drawn
// with shows its rectangle of the font image at the image's own scale, and
// no ink of the image lies outside the rectangles that bytes are drawn
// with (ink there is a part of a glyph that is never drawn, such as the
// right side of "P" that made "16CP" read "16CF").
TEST(FontgenTool, TheShippedFontsDrawEveryGlyphWhole)
{
    std::vector<std::string> names;
    std::ifstream description(gameDataPath("fonts/fonts.fontsrc"));
    for (std::string line; std::getline(description, line);) {
        std::istringstream words(line);
        std::string op, name;
        if (words >> op >> name && op == "font") {
            names.push_back(name);
        }
    }
    ASSERT_GE(names.size(), 7u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> fnt = readFileBytes(generatedDataPath("fonts/" + name + ".fnt"));
        const std::vector<uint8_t> tga = readFileBytes(generatedDataPath("Textures/Fonts/" + name + ".tga"));
        std::unique_ptr<FontResource> font =
            FontResource::parse(name + ".fnt", fnt.data(), fnt.size(), false);
        TgaImage image;
        ASSERT_NE(font, nullptr);
        ASSERT_TRUE(readTgaImage(image, tga.data(), tga.size()));
        ASSERT_EQ(image.bytesPerPixel, 4);
        // Alpha at (x, y) counted from the top; the rows are stored bottom first.
        auto alpha = [&](int x, int y) {
            return image.pixels[(static_cast<size_t>(image.height - 1 - y) * image.width + x) * 4 + 3];
        };
        struct Rect {
            int byte, x0, y0, x1, y1;
        };
        std::vector<Rect> rects;
        std::set<int> scales;
        for (int b = 0; b < 256; ++b) {
            const FontResource::Glyph* g = font->glyphForByte(static_cast<unsigned char>(b));
            if (!g) {
                continue;
            }
            const Rect r{b, static_cast<int>(std::lround(g->left * image.width)),
                         static_cast<int>(std::lround(g->top * image.height)),
                         static_cast<int>(std::lround(g->right * image.width)),
                         static_cast<int>(std::lround(g->bottom * image.height))};
            ASSERT_GT(g->height, 0) << "byte " << b;
            ASSERT_EQ((r.y1 - r.y0) % g->height, 0) << "byte " << b;
            const int scale = (r.y1 - r.y0) / g->height;
            scales.insert(scale);
            EXPECT_EQ(r.x1 - r.x0, g->width * scale) << "byte " << b << " is drawn squeezed or stretched";
            rects.push_back(r);
            int ink = 0;
            for (int y = r.y0; y < r.y1; ++y) {
                for (int x = r.x0; x < r.x1; ++x) {
                    ink += alpha(x, y) != 0;
                }
            }
            if (b > 32 && b < 127) {
                EXPECT_GT(ink, 0) << "byte " << b << " draws nothing";
            }
        }
        EXPECT_EQ(scales.size(), 1u) << "the glyphs are drawn at different scales";
        // Ink outside every drawn rectangle, told by the glyph it follows on its row.
        std::set<int> cut;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                if (alpha(x, y) == 0) {
                    continue;
                }
                const Rect* before = nullptr;
                bool inside = false;
                for (const Rect& r : rects) {
                    inside = inside || (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1);
                    if (y >= r.y0 && y < r.y1 && r.x1 <= x && (!before || r.x1 > before->x1)) {
                        before = &r;
                    }
                }
                if (!inside) {
                    cut.insert(before ? before->byte : -1);
                }
            }
        }
        std::string cutText;
        for (int b : cut) {
            cutText += b > 32 && b < 127 ? std::string(1, static_cast<char>(b)) : "#" + std::to_string(b);
            cutText += ' ';
        }
        EXPECT_TRUE(cut.empty()) << "glyphs drawn without a part of their ink: " << cutText;
    }
}

} // namespace
