#pragma once

#include "engine/core/Color.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"
#include "engine/core/ZonePosition3.h"
#include "engine/resources/ResourceHandle.h"

#include <array>
#include <cstdint>
#include <string>

// A colour as the red, green and blue the drawing calls take.
inline void toRgb(const Color& c, float out[3])
{
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
}

// How the interface draws and measures: images are shaders acquired by path,
// texts are drawn with a font at their top-left corner in the 640 × 480
// interface space.
class UIDrawing {
public:
    virtual ~UIDrawing() = default;

    virtual ResourceHandle acquireImage(const std::string& path, int flags) = 0;
    virtual ResourceHandle loadFont(const std::string& path) = 0;
    // The image's size in pixels; (0, 0) when unknown.
    virtual Vec2 imageSize(const ResourceHandle& image) = 0;
    virtual void drawImage(const ResourceHandle& image, float x0, float y0, float x1, float y1, float alpha,
                           const float colour[3], bool tiled, bool tiledToFit) = 0;
    virtual void drawText(const ResourceHandle& font, const std::string& text, int x, int y,
                          const float colour[3], bool backdrop, float alpha) = 0;
    virtual Vec2 layoutText(const ResourceHandle& font, const std::string& text) = 0;
    // One of the graphics system's standard images (1 the overlay, 3 the
    // glow circle); null when there is none.
    virtual const ResourceHandle* standardImage(int index) = 0;
    // A plain line; a stipple other than 0xFFFF dashes it.
    virtual void drawLine(float x0, float y0, float x1, float y1, float width, const float colour[3],
                          uint16_t stipple) = 0;
    // A clockwise wipe over the rectangle showing the fraction (0 … 1) left.
    virtual void drawRadialWipe(const ResourceHandle& image, float x, float y, float width, float height,
                                float alpha, const float colour[3], float fraction) = 0;
    // The on-screen text events the graphics system holds.
    virtual int textEventCount() = 0;
    // Where the message log is drawn over the interface now: x0, y0, x1, y1;
    // false while it shows nothing.
    virtual bool messageLogBox(std::array<float, 4>& box) { return false; }
    // While on, drawing reaches only the rectangle x0, y0, x1, y1.
    virtual void setClip(bool on, const std::array<float, 4>& box) {}
    // A model standing at a facing (0 … 7) in the rectangle (its thumbnail).
    virtual void drawModel(const ResourceHandle& model, int facing, float x0, float y0, float x1,
                           float y1) = 0;
    // A 3D view in the rectangle: the viewport there (cleared when asked), a
    // new render-queue frame and the camera at the eye looking at the target.
    // Entities queue themselves in between; endModelView draws what they
    // queued and puts the 2D overlay back.
    virtual void beginModelView(float x0, float y0, float x1, float y1, const ZonePosition3& eye,
                                const ZonePosition& target, float zoom, bool clear) = 0;
    virtual void endModelView() = 0;

    // ---- The maps' pictures: RGBA textures the interface fills, drawn on
    // the ground under the player's camera. Texture ids are -1 for none;
    // without a display nothing is made or drawn.
    // Makes the texture when `texture` is -1, else fills it again; the id.
    virtual int uploadTexture(int texture, const uint8_t* rgba, int width, int height, bool repeat)
    {
        return texture;
    }
    virtual void deleteTexture(int texture) {}
    // The player's camera at a zoom (0: the current one; the camera's scale
    // answered), the screen cleared when asked, and the 640 × 480 overlay again.
    virtual float setupPlayerCamera(float zoom, bool clear) { return 1.0f; }
    virtual void setOrthoOverlay() {}
    // While on, drawing passes only where the stencil holds 2.
    virtual void setStencilTest(bool on) {}
    // A textured square on the ground: its corner, side, texture-coordinate
    // rectangle {u0, v0, u1, v1}, wrap, colour and alpha (blended).
    virtual void drawGroundQuad(int texture, const ZonePosition& corner, float side, const float uv[4],
                                bool repeat, const float colour[3], float alpha)
    {
    }
    // An image as a square on the ground: its corner and side.
    virtual void drawGroundImage(const ResourceHandle& image, const ZonePosition& corner, float side,
                                 const float colour[3], float alpha)
    {
    }
    // The camera's distance ratio and its target (the mini-map's centre).
    virtual float getViewFactor() { return 1.0f; }
    virtual ZonePosition getCameraTarget() { return ZonePosition(-1, 0.0f, 0.0f); }
    // The window's width over its height.
    virtual float getAspectRatio() { return 4.0f / 3.0f; }
};
