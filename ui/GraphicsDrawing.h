#pragma once

#include "ui/UIDrawing.h"

// The interface's drawing through the graphics system and the shaders.
class GraphicsDrawing : public UIDrawing {
public:
    ResourceHandle acquireImage(const std::string& path, int flags) override;
    ResourceHandle loadFont(const std::string& path) override;
    Vec2 imageSize(const ResourceHandle& image) override;
    void drawImage(const ResourceHandle& image, float x0, float y0, float x1, float y1, float alpha,
                   const float colour[3], bool tiled, bool tiledToFit) override;
    void drawText(const ResourceHandle& font, const std::string& text, int x, int y, const float colour[3],
                  bool backdrop, float alpha) override;
    Vec2 layoutText(const ResourceHandle& font, const std::string& text) override;
    const ResourceHandle* standardImage(int index) override;
    void drawLine(float x0, float y0, float x1, float y1, float width, const float colour[3],
                  uint16_t stipple) override;
    int textEventCount() override;
    bool messageLogBox(std::array<float, 4>& box) override;
    void setClip(bool on, const std::array<float, 4>& box) override;
    void drawRadialWipe(const ResourceHandle& image, float x, float y, float width, float height, float alpha,
                        const float colour[3], float fraction) override;
    void drawModel(const ResourceHandle& model, int facing, float x0, float y0, float x1, float y1) override;
    void beginModelView(float x0, float y0, float x1, float y1, const ZonePosition3& eye,
                        const ZonePosition& target, float zoom, bool clear) override;
    void endModelView() override;
    int uploadTexture(int texture, const uint8_t* rgba, int width, int height, bool repeat) override;
    void deleteTexture(int texture) override;
    float setupPlayerCamera(float zoom, bool clear) override;
    void setOrthoOverlay() override;
    void setStencilTest(bool on) override;
    void drawGroundQuad(int texture, const ZonePosition& corner, float side, const float uv[4], bool repeat,
                        const float colour[3], float alpha) override;
    void drawGroundImage(const ResourceHandle& image, const ZonePosition& corner, float side,
                         const float colour[3], float alpha) override;
    float getViewFactor() override;
    ZonePosition getCameraTarget() override;
    float getAspectRatio() override;
};
