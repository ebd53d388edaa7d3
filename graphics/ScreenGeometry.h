#pragma once

#include <cstdint>

class StageBatch;

// Builders that append screen-space geometry of the 640 × 480 virtual
// screen (y down) to the batch.
class ScreenGeometry {
public:
    struct Point {
        float x = 0, y = 0; // virtual screen
        float u = 0, v = 0;
        float r = 1, g = 1, b = 1, a = 1;
    };

    // (x, y) becomes ((x − 320) / 320, (240 − y) / 240, 0).
    static void toClip(float x, float y, float out[3]);
    // One quad from corner (x0, y0) to (x1, y1) with the quad's texture
    // coordinates, (0, 1) at the first corner; the colour on all four.
    static void addRect(StageBatch& batch, float x0, float y0, float x1, float y1, const float colour[3],
                        float alpha);
    // As addRect with the texture rectangle (left, top, right, bottom) on
    // the corners (text glyphs).
    static void addTexturedRect(StageBatch& batch, float x0, float y0, float x1, float y1, const float uv[4],
                                const float colour[3], float alpha);
    // One triangle of three screen points.
    static void addTriangle(StageBatch& batch, const Point& p0, const Point& p1, const Point& p2);
    // The radial wipe over a rectangle: up to five triangles fanning from its
    // centre, sweeping clockwise from the middle of the left edge as the
    // fraction grows from 0 to 1. Returns how many triangles were added.
    static int addRadialWipe(StageBatch& batch, float r, float g, float b, float x, float y, float width,
                             float height, float alpha, float fraction);
};
