#include "graphics/ViewPlanes.h"

#include <algorithm>
#include <cmath>

RenderView::Plane planeFromNormal(const Vec3& normal, const Vec3& point)
{
    RenderView::Plane plane;
    float length = std::sqrt(vec3Dot(normal, normal));
    plane.normal = length > 0.0f ? Vec3(normal.x / length, normal.y / length, normal.z / length) : normal;
    plane.distance = vec3Dot(plane.normal, point);
    return plane;
}

RenderView::Plane planeFromPoints(const Vec3& a, const Vec3& b, const Vec3& c)
{
    Vec3 u(b.x - a.x, b.y - a.y, b.z - a.z);
    Vec3 v(c.x - a.x, c.y - a.y, c.z - a.z);
    Vec3 n(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
    return planeFromNormal(n, a);
}

void extendRect(const Vec2& point, float rect[4])
{
    rect[0] = std::min(rect[0], point.x);
    rect[1] = std::min(rect[1], point.y);
    rect[2] = std::max(rect[2], point.x);
    rect[3] = std::max(rect[3], point.y);
}

std::vector<RenderView::Plane> buildViewBox(const Vec3& eye, const Matrix3& rotation, float halfWidth,
                                            float halfHeight)
{
    const Vec3 left(rotation.m[1][0], rotation.m[1][1], rotation.m[1][2]);
    const Vec3 right(-left.x, -left.y, -left.z);
    const Vec3 up(rotation.m[2][0], rotation.m[2][1], rotation.m[2][2]);
    const Vec3 down(-up.x, -up.y, -up.z);
    auto along = [&](const Vec3& axis, float amount) {
        return Vec3(eye.x + axis.x * amount, eye.y + axis.y * amount, eye.z + axis.z * amount);
    };
    return {planeFromNormal(right, along(right, halfWidth)), planeFromNormal(left, along(left, halfWidth)),
            planeFromNormal(up, along(up, halfHeight)), planeFromNormal(down, along(down, halfHeight))};
}

float projectionWiden(int windowWidth, int windowHeight)
{
    if (windowWidth <= 0 || windowHeight <= 0) {
        return 1.0f;
    }
    const float aspect = static_cast<float>(windowWidth) / static_cast<float>(windowHeight);
    return aspect > 1.4f ? aspect / (4.0f / 3.0f) : 1.0f;
}

bool projectionExtents(int windowWidth, int windowHeight, float zoom, float out[4])
{
    if (windowWidth <= 0 || windowHeight <= 0 || !std::isfinite(zoom)) {
        return false;
    }
    const float widen = projectionWiden(windowWidth, windowHeight);
    out[0] = -320.0f * zoom * widen;
    out[1] = 320.0f * zoom * widen;
    out[2] = -240.0f * zoom;
    out[3] = 240.0f * zoom;
    return true;
}
