#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The four stock grey images the effects use, 24-bit, rows in order from
// row 0 (which a Targa file shows at the bottom).
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // three equal bytes per pixel

    uint8_t at(int row, int column) const { return pixels[(static_cast<size_t>(row) * width + column) * 3]; }
};

class GeneratedTextures {
public:
    static GreyImage whiteSwipe();  // 64 × 64 diagonal ramp, 0 near (0, 0) to 0.7 at (63, 63)
    static GreyImage swipeSquare(); // 64 × 64, row r is r / 63
    static GreyImage whiteStar();   // 16 × 16, brightest at (8, 8)
    // 64 × 64 in 128…255, one draw of random stream 0 per pixel in row order.
    static GreyImage noise();

    // The image by its file name without extension ("whiteSwipe" …); false
    // for any other name.
    static bool byName(const std::string& name, GreyImage& out);

    // `generateTextures`: writes "whiteSwipe.tga", "swipeSquare.tga",
    // "whiteStar.tga" and "noise.tga" into the user directory. False when a
    // file could not be written (logged).
    static bool generateTextures();

    // A value in [0, 1] as a byte: floor(v × 255 + 0.5).
    static uint8_t toByte(double v);
};
