#include "ui/GraphicsDrawing.h"

#include "engine/core/Direction.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/ShaderTextures.h"
#include "graphics/TextureResource.h"
#include "graphics/render/ModelDrawRequest.h"
#include "graphics/render/RenderQueue.h"
#include "graphics/shaders/ShaderSystem.h"

ResourceHandle GraphicsDrawing::acquireImage(const std::string& path, int flags)
{
    return acquireShader(path, flags);
}

ResourceHandle GraphicsDrawing::loadFont(const std::string& path)
{
    ResourceSystem* resources = ResourceSystem::instance();
    return resources ? resources->load(path) : ResourceHandle();
}

Vec2 GraphicsDrawing::imageSize(const ResourceHandle& image)
{
    ShaderTextureSize size = getShaderTextureSize(image);
    return {size.width, size.height};
}

void GraphicsDrawing::drawImage(const ResourceHandle& image, float x0, float y0, float x1, float y1,
                                float alpha, const float colour[3], bool tiled, bool tiledToFit)
{
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        graphics->drawImage(colour, image, x0, y0, x1, y1, alpha, tiled, tiledToFit);
    }
}

void GraphicsDrawing::drawText(const ResourceHandle& font, const std::string& text, int x, int y,
                               const float colour[3], bool backdrop, float alpha)
{
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        graphics->drawText(font, text, x, y, colour, backdrop, alpha);
    }
}

Vec2 GraphicsDrawing::layoutText(const ResourceHandle& font, const std::string& text)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    return graphics ? graphics->layoutText(text, font) : Vec2();
}

const ResourceHandle* GraphicsDrawing::standardImage(int index)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    return graphics ? graphics->getStandardTexture(index) : nullptr;
}

void GraphicsDrawing::drawLine(float x0, float y0, float x1, float y1, float width, const float colour[3],
                               uint16_t stipple)
{
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        graphics->drawLine2D(ResourceHandle(), x0, y0, x1, y1, colour, width, stipple);
    }
}

void GraphicsDrawing::drawRadialWipe(const ResourceHandle& image, float x, float y, float width, float height,
                                     float alpha, const float colour[3], float fraction)
{
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        graphics->drawRadialWipe(image, colour[0], colour[1], colour[2], x, y, width, height, alpha,
                                 fraction);
    }
}

int GraphicsDrawing::textEventCount()
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    return graphics ? graphics->getTextEventCount() : 0;
}

bool GraphicsDrawing::messageLogBox(std::array<float, 4>& box)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    return graphics && graphics->getMessageLogBox(box.data());
}

void GraphicsDrawing::setClip(bool on, const std::array<float, 4>& box)
{
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        graphics->setInterfaceClip(on, box[0], box[1], box[2], box[3]);
    }
}

void GraphicsDrawing::drawModel(const ResourceHandle& model, int facing, float x0, float y0, float x1,
                                float y1)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics || !model.isValid() || !model.isLoaded()) {
        return;
    }
    ModelDrawRequest request = ModelDrawRequest::at(
        model.getIndex(), ZonePosition3(-1, 1000.0f, 1000.0f, 0.0f), directionToMatrix(facing));
    graphics->drawModelPreview(request, x0, y0, x1, y1);
}

void GraphicsDrawing::beginModelView(float x0, float y0, float x1, float y1, const ZonePosition3& eye,
                                     const ZonePosition& target, float zoom, bool clear)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics) {
        return;
    }
    int width = 0, height = 0;
    graphics->getDrawableSize(width, height);
    // The interface's 640 x 480 scaled to the window, y up.
    const float sx = static_cast<float>(width) / 640.0f, sy = static_cast<float>(height) / 480.0f;
    graphics->setViewport(x0 * sx, static_cast<float>(height) - y1 * sy, (x1 - x0) * sx, (y1 - y0) * sy,
                          false);
    if (clear) {
        graphics->clearViewport();
    }
    graphics->getRenderQueue().beginFrame();
    graphics->setCamera(target, eye, zoom);
    // The rectangle's own shape, so the model is not stretched to the window's.
    if (y1 > y0) {
        graphics->setProjectionShape(zoom, ((x1 - x0) * sx) / ((y1 - y0) * sy));
    }
}

void GraphicsDrawing::endModelView()
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics) {
        return;
    }
    graphics->drawQueuedSurfaces(graphics->getRenderQueue().getQueued());
    float stored[4];
    graphics->getViewport(stored);
    graphics->setViewport(stored[0], stored[1], stored[2], stored[3], false);
    graphics->setOrthoOverlay();
}

// ---- The maps' pictures ------------------------------------------------------

int GraphicsDrawing::uploadTexture(int texture, const uint8_t* rgba, int width, int height, bool)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics || !graphics->hasContext() || !rgba) {
        return texture;
    }
    if (texture >= 0) {
        graphics->updateTexture(static_cast<uint32_t>(texture), rgba, width, height);
        return texture;
    }
    uint32_t name = graphics->uploadTexture(rgba, width, height, GraphicsSystem::kFormatRgba, 1);
    return name == GraphicsSystem::kNoTexture ? -1 : static_cast<int>(name);
}

void GraphicsDrawing::deleteTexture(int texture)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (graphics && texture >= 0) {
        graphics->deleteTexture(static_cast<uint32_t>(texture));
    }
}

float GraphicsDrawing::setupPlayerCamera(float zoom, bool clear)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics) {
        return 1.0f;
    }
    float used = zoom > 0.0f ? zoom : graphics->getZoom();
    graphics->setupPlayerCamera(used, clear);
    return used;
}

void GraphicsDrawing::setOrthoOverlay()
{
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        graphics->setOrthoOverlay();
    }
}

void GraphicsDrawing::setStencilTest(bool on)
{
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        graphics->setStencilTest(on);
    }
}

void GraphicsDrawing::drawGroundQuad(int texture, const ZonePosition& corner, float side, const float uv[4],
                                     bool repeat, const float colour[3], float alpha)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (graphics && texture >= 0) {
        graphics->drawGroundQuad(static_cast<uint32_t>(texture), corner, side, uv, repeat, colour, alpha);
    }
}

void GraphicsDrawing::drawGroundImage(const ResourceHandle& image, const ZonePosition& corner, float side,
                                      const float colour[3], float alpha)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    const TextureResource* texture = resolveShaderTexture(image);
    if (graphics && texture && texture->glName != 0xFFFFFFFFu) {
        const float uv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
        graphics->drawGroundQuad(texture->glName, corner, side, uv, false, colour, alpha);
    }
}

float GraphicsDrawing::getViewFactor()
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    return graphics ? graphics->getDistanceRatio() : 1.0f;
}

ZonePosition GraphicsDrawing::getCameraTarget()
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    return graphics ? graphics->getCameraTarget() : ZonePosition(-1, 0.0f, 0.0f);
}

float GraphicsDrawing::getAspectRatio()
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    int width = 0, height = 0;
    if (graphics) {
        graphics->getDrawableSize(width, height);
    }
    return height > 0 ? static_cast<float>(width) / static_cast<float>(height) : 4.0f / 3.0f;
}
