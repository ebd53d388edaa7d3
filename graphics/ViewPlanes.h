#pragma once

#include "engine/core/MathUtil.h"
#include "graphics/render/RenderView.h"

#include <vector>

// The plane through three points (normal = normalised (b − a) × (c − a)).
RenderView::Plane planeFromPoints(const Vec3& a, const Vec3& b, const Vec3& c);
// The plane with that normal (normalised) through the point.
RenderView::Plane planeFromNormal(const Vec3& normal, const Vec3& point);
// Grows {min x, min y, max x, max y} to hold the point.
void extendRect(const Vec2& point, float rect[4]);

// The four sides of the view box of an orthographic camera at `eye` with
// the rotation's rows forward, left and up: through eye ± right × half width
// and eye ± up × half height, normals pointing out.
std::vector<RenderView::Plane> buildViewBox(const Vec3& eye, const Matrix3& rotation, float halfWidth,
                                            float halfHeight);

// The orthographic extents (left, right, bottom, top) for a window and
// zoom: ±320 × zoom × widen across, ±240 × zoom up, widened by
// (width / height) / (4 / 3) when the window is wider than 1.4. False for a
// window with a side of 0 (nothing can be drawn).
bool projectionExtents(int windowWidth, int windowHeight, float zoom, float out[4]);
// The widening factor of a window (1 for a side of 0).
float projectionWiden(int windowWidth, int windowHeight);
