// Writes the game's Targa images from text descriptions. Usage:
//   texgen <description> <output root>
// Each "image" line names a file below the output root; the drawing lines
// after it paint that image. Coordinates are pixels, x to the right and y
// down from the top-left corner; colours are bytes "r g b [a]" (a 255 when
// left out). Later operations paint over earlier ones.
//   image <path> <width> <height> <24|32>   starts an image, all 0 (transparent);
//                                           sides are powers of two
//   fill <colour>
//   rect <x0> <y0> <x1> <y1> <colour>        corners inclusive
//   disc <cx> <cy> <radius> <colour>
//   ring <cx> <cy> <inner> <outer> <colour>
//   line <x0> <y0> <x1> <y1> <width> <colour>
//   polygon <n> <x1> <y1> … <xn> <yn> <colour>
//   gradient <x0> <y0> <x1> <y1> <colour> <colour>   along the vector, clamped;
//            both colours with alpha or both without
//   noise <seed> <amount>                   ± amount on r, g, b of painted pixels
//   stock <whiteSwipe|swipeSquare|whiteStar|noise>  a generated grey image
// '#' starts a comment. Anything wrong stops the tool with "file:line: …".
#include "engine/core/Random.h"
#include "engine/files/AtomicWrite.h"
#include "graphics/codecs/GeneratedTextures.h"
#include "graphics/codecs/TgaImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Stream 0's state before a stock noise image, so that builds repeat.
constexpr uint32_t kStockNoiseSeed = 20261207u;
constexpr int kMaxSide = 4096;

struct Rgba {
    int r = 0, g = 0, b = 0, a = 255;
};

struct Canvas {
    std::string path;
    int width = 0;
    int height = 0;
    int depth = 32;
    std::vector<Rgba> pixels; // y down

    Rgba& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    template <class F> void paint(F inside, const Rgba& colour)
    {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (inside(x + 0.5, y + 0.5)) {
                    at(x, y) = colour;
                }
            }
        }
    }
};

class Description {
public:
    Description(std::string file, std::string root) : m_file(std::move(file)), m_root(std::move(root)) {}

    int run()
    {
        std::ifstream in(m_file);
        if (!in) {
            std::fprintf(stderr, "%s: cannot read the description\n", m_file.c_str());
            return 1;
        }
        std::string text;
        while (std::getline(in, text)) {
            ++m_line;
            size_t hash = text.find('#');
            if (hash != std::string::npos) {
                text.erase(hash);
            }
            std::istringstream words(text);
            m_words.clear();
            for (std::string w; words >> w;) {
                m_words.push_back(w);
            }
            m_next = 0;
            if (!m_words.empty()) {
                command();
            }
        }
        finish();
        return 0;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        std::fprintf(stderr, "%s:%d: %s\n", m_file.c_str(), m_line, what.c_str());
        std::exit(1);
    }

    std::string word()
    {
        if (m_next >= m_words.size()) {
            fail("a value is missing after \"" + m_words[0] + "\"");
        }
        return m_words[m_next++];
    }

    double number()
    {
        std::string w = word();
        char* end = nullptr;
        double v = std::strtod(w.c_str(), &end);
        if (end == w.c_str() || *end != '\0' || !std::isfinite(v)) {
            fail("\"" + w + "\" is not a number");
        }
        return v;
    }

    int byte()
    {
        double v = number();
        if (v < 0 || v > 255 || v != std::floor(v)) {
            fail("a colour byte must be a whole number from 0 to 255");
        }
        return static_cast<int>(v);
    }

    Rgba colour()
    {
        Rgba c;
        c.r = byte();
        c.g = byte();
        c.b = byte();
        c.a = m_next < m_words.size() ? byte() : 255;
        return c;
    }

    void noMore() const
    {
        if (m_next != m_words.size()) {
            fail("unexpected \"" + m_words[m_next] + "\"");
        }
    }

    Canvas& canvas()
    {
        if (m_canvas.path.empty()) {
            fail("\"" + m_words[0] + "\" before the first image line");
        }
        return m_canvas;
    }

    void command()
    {
        const std::string& op = m_words[0];
        m_next = 1;
        if (op == "image") {
            finish();
            Canvas c;
            c.path = word();
            double w = number(), h = number(), d = number();
            if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide || w != std::floor(w) || h != std::floor(h)) {
                fail("image sizes are whole numbers from 1 to 4096");
            }
            // The compressed texture cache takes powers of two only.
            const auto side = [](double v) { return static_cast<unsigned>(v); };
            if ((side(w) & (side(w) - 1)) != 0 || (side(h) & (side(h) - 1)) != 0) {
                fail("image sizes are powers of two");
            }
            if (d != 24 && d != 32) {
                fail("the depth is 24 or 32");
            }
            if (c.path.find("..") != std::string::npos || c.path.front() == '/') {
                fail("the image path must stay below the output root");
            }
            c.width = static_cast<int>(w);
            c.height = static_cast<int>(h);
            c.depth = static_cast<int>(d);
            c.pixels.assign(static_cast<size_t>(c.width) * c.height, Rgba{0, 0, 0, 0});
            m_canvas = std::move(c);
        } else if (op == "fill") {
            Rgba c = colour();
            noMore();
            canvas().paint([](double, double) { return true; }, c);
        } else if (op == "rect") {
            double x0 = number(), y0 = number(), x1 = number(), y1 = number();
            Rgba c = colour();
            noMore();
            canvas().paint(
                [&](double x, double y) { return x >= x0 && x <= x1 + 1 && y >= y0 && y <= y1 + 1; }, c);
        } else if (op == "disc" || op == "ring") {
            double cx = number(), cy = number();
            double inner = op == "ring" ? number() : -1.0;
            double outer = number();
            Rgba c = colour();
            noMore();
            canvas().paint(
                [&](double x, double y) {
                    double d = std::hypot(x - cx, y - cy);
                    return d <= outer && d >= inner;
                },
                c);
        } else if (op == "line") {
            double x0 = number(), y0 = number(), x1 = number(), y1 = number(), w = number();
            Rgba c = colour();
            noMore();
            double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
            canvas().paint(
                [&](double x, double y) {
                    double t = len2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0, 1.0) : 0.0;
                    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= w / 2;
                },
                c);
        } else if (op == "polygon") {
            double n = number();
            if (n < 3 || n > 64 || n != std::floor(n)) {
                fail("a polygon has 3 to 64 corners");
            }
            std::vector<double> xs, ys;
            for (int i = 0; i < static_cast<int>(n); ++i) {
                xs.push_back(number());
                ys.push_back(number());
            }
            Rgba c = colour();
            noMore();
            canvas().paint(
                [&](double x, double y) {
                    bool in = false;
                    for (size_t i = 0, j = xs.size() - 1; i < xs.size(); j = i++) {
                        if ((ys[i] > y) != (ys[j] > y) &&
                            x < (xs[j] - xs[i]) * (y - ys[i]) / (ys[j] - ys[i]) + xs[i]) {
                            in = !in;
                        }
                    }
                    return in;
                },
                c);
        } else if (op == "gradient") {
            double x0 = number(), y0 = number(), x1 = number(), y1 = number();
            // Two colours: "r g b r g b" or "r g b a r g b a".
            bool alpha = m_words.size() - m_next == 8;
            Rgba a, b;
            for (Rgba* c : {&a, &b}) {
                c->r = byte();
                c->g = byte();
                c->b = byte();
                c->a = alpha ? byte() : 255;
            }
            noMore();
            Canvas& cv = canvas();
            double dx = x1 - x0, dy = y1 - y0, len2 = std::max(dx * dx + dy * dy, 1e-9);
            for (int y = 0; y < cv.height; ++y) {
                for (int x = 0; x < cv.width; ++x) {
                    double t = std::clamp(((x + 0.5 - x0) * dx + (y + 0.5 - y0) * dy) / len2, 0.0, 1.0);
                    auto mix = [t](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * t)); };
                    cv.at(x, y) = Rgba{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a)};
                }
            }
        } else if (op == "noise") {
            double seed = number(), amount = number();
            noMore();
            uint32_t state = static_cast<uint32_t>(static_cast<int64_t>(seed));
            for (Rgba& p : canvas().pixels) {
                if (p.a == 0) {
                    continue;
                }
                state = state * 1664525u + 1013904223u;
                int delta = static_cast<int>(std::lround(((state >> 8) / 16777216.0 * 2.0 - 1.0) * amount));
                p.r = std::clamp(p.r + delta, 0, 255);
                p.g = std::clamp(p.g + delta, 0, 255);
                p.b = std::clamp(p.b + delta, 0, 255);
            }
        } else if (op == "stock") {
            std::string name = word();
            noMore();
            if (name == "noise") {
                Random::setState(0, kStockNoiseSeed);
            }
            GreyImage image;
            if (!GeneratedTextures::byName(name, image)) {
                fail("no stock image \"" + name + "\"");
            }
            Canvas& cv = canvas();
            if (image.width != cv.width || image.height != cv.height) {
                fail("the stock image is " + std::to_string(image.width) + " x " +
                     std::to_string(image.height));
            }
            // Row 0 of the generator is the first row of the file (the bottom).
            for (int r = 0; r < cv.height; ++r) {
                for (int c = 0; c < cv.width; ++c) {
                    int v = image.at(r, c);
                    cv.at(c, cv.height - 1 - r) = Rgba{v, v, v, 255};
                }
            }
        } else {
            fail("unknown operation \"" + op + "\"");
        }
    }

    void finish()
    {
        if (m_canvas.path.empty()) {
            return;
        }
        Canvas& cv = m_canvas;
        int bpp = cv.depth / 8;
        std::vector<uint8_t> rgb;
        rgb.reserve(cv.pixels.size() * bpp);
        // Targa rows go bottom first.
        for (int y = cv.height - 1; y >= 0; --y) {
            for (int x = 0; x < cv.width; ++x) {
                const Rgba& p = cv.at(x, y);
                rgb.push_back(static_cast<uint8_t>(p.r));
                rgb.push_back(static_cast<uint8_t>(p.g));
                rgb.push_back(static_cast<uint8_t>(p.b));
                if (bpp == 4) {
                    rgb.push_back(static_cast<uint8_t>(p.a));
                }
            }
        }
        std::vector<uint8_t> bytes = encodeTga(cv.width, cv.height, bpp, rgb.data());
        std::string contents(bytes.begin(), bytes.end());
        std::filesystem::path out = std::filesystem::path(m_root) / cv.path;
        std::error_code ec;
        std::filesystem::create_directories(out.parent_path(), ec);
        std::ifstream old(out, std::ios::binary);
        std::string existing((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
        if (!old || existing != contents) {
            if (!writeFileAtomically(out.string(), contents)) {
                std::fprintf(stderr, "%s: cannot write %s\n", m_file.c_str(), out.string().c_str());
                std::exit(1);
            }
        }
        m_canvas = Canvas();
    }

    std::string m_file;
    std::string m_root;
    int m_line = 0;
    std::vector<std::string> m_words;
    size_t m_next = 0;
    Canvas m_canvas;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: texgen <description> <output root>\n");
        return 2;
    }
    Random random;
    return Description(argv[1], argv[2]).run();
}
