#include "graphics/codecs/GeneratedTextures.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "graphics/codecs/TgaImage.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

GreyImage makeImage(int width, int height, const std::function<double(int r, int c)>& value)
{
    GreyImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    size_t i = 0;
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            uint8_t v = GeneratedTextures::toByte(value(r, c));
            image.pixels[i++] = v;
            image.pixels[i++] = v;
            image.pixels[i++] = v;
        }
    }
    return image;
}

} // namespace

uint8_t GeneratedTextures::toByte(double v)
{
    v = std::clamp(v, 0.0, 1.0);
    return static_cast<uint8_t>(std::floor(v * 255.0 + 0.5));
}

GreyImage GeneratedTextures::whiteSwipe()
{
    return makeImage(64, 64, [](int r, int c) {
        // In float, as the effect was tuned: r + c = 39 gives byte 2.
        float v =
            (static_cast<float>(c) / 63.0f * 0.5f - 0.15f) + (static_cast<float>(r) / 63.0f * 0.5f) - 0.15f;
        return std::max(0.0, static_cast<double>(v));
    });
}

GreyImage GeneratedTextures::swipeSquare()
{
    return makeImage(64, 64, [](int r, int) { return r / 63.0; });
}

GreyImage GeneratedTextures::whiteStar()
{
    return makeImage(16, 16, [](int r, int c) {
        double a = 1.0 - 0.1 * std::abs(r - 8);
        double b = 1.0 - 0.1 * std::abs(c - 8);
        return a * b * std::max(a, b);
    });
}

GreyImage GeneratedTextures::noise()
{
    return makeImage(64, 64, [](int, int) {
        uint32_t x = Random::next(0);
        double q = static_cast<double>((x >> 16) & 0x7FFF) / 32768.0;
        return 0.5 + 0.5 * q;
    });
}

bool GeneratedTextures::byName(const std::string& name, GreyImage& out)
{
    if (name == "whiteSwipe") {
        out = whiteSwipe();
    } else if (name == "swipeSquare") {
        out = swipeSquare();
    } else if (name == "whiteStar") {
        out = whiteStar();
    } else if (name == "noise") {
        out = noise();
    } else {
        return false;
    }
    return true;
}

bool GeneratedTextures::generateTextures()
{
    bool ok = true;
    for (const char* name : {"whiteSwipe", "swipeSquare", "whiteStar", "noise"}) {
        GreyImage image;
        byName(name, image);
        std::string file = std::string(name) + ".tga";
        if (!writeTga(image.width, image.height, 3, image.pixels.data(), file)) {
            debugPrint(3, "Could not write %s\n", file.c_str());
            ok = false;
        }
    }
    return ok;
}
