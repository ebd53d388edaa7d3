#include "ui/GraphicsDrawing.h"

#include "engine/core/Direction.h"
#include "engine/resources/ResourceSystem.h"
#include "graphics/GraphicsSystem.h"
#include "graphics/ShaderTextures.h"
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
