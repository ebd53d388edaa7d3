#pragma once

#include "graphics/RenderSurface.h"
#include "graphics/render/SwipePoint.h"

#include <vector>

struct RenderView;

// A swipe trail's ribbon; the point list is the swipe's and stays valid for
// the frame.
class SwipeRenderSurface : public RenderSurface {
public:
    explicit SwipeRenderSurface(const RenderView& view) : m_view(view) {}
    void draw(StageBatch& batch, bool withNormals) override;

    const std::vector<SwipePoint>* points = nullptr;
    float colour[3] = {1.0f, 1.0f, 1.0f};

private:
    const RenderView& m_view;
};
