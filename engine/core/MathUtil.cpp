#include "engine/core/MathUtil.h"

#include <cmath>
#include <cstdlib>
#include <string>

float Vec3::length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

bool Vec3::nearlyEquals(const Vec3& o, float tolerance) const
{
    return std::fabs(x - o.x) <= tolerance && std::fabs(y - o.y) <= tolerance &&
           std::fabs(z - o.z) <= tolerance;
}

float vec2Length(const Vec2& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y);
}

float vec2Normalize(Vec2& v)
{
    float len = vec2Length(v);
    if (len > 0.0f) {
        v.x /= len;
        v.y /= len;
    }
    return len;
}

float vec2Angle(const Vec2& v)
{
    if (v.x == 0.0f && v.y == 0.0f) {
        return 0.0f;
    }
    return radToDeg(std::atan2(v.y, v.x));
}

float vec3Normalize(Vec3& v)
{
    float len = v.length();
    if (len > 0.0f) {
        v.x /= len;
        v.y /= len;
        v.z /= len;
    }
    return len;
}

float vec3Dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 vec3Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 vectorToAngles(const Vec3& v)
{
    if (v.x == 0.0f && v.y == 0.0f && v.z == 0.0f) {
        return {0.0f, 0.0f, 0.0f};
    }
    float yaw = 0.0f;
    if (v.x != 0.0f || v.y != 0.0f) {
        yaw = radToDeg(std::atan2(v.y, v.x));
        if (yaw < 0.0f) {
            yaw += 360.0f;
        }
        if (yaw >= 360.0f) {
            yaw -= 360.0f;
        }
    }
    float flat = std::sqrt(v.x * v.x + v.y * v.y);
    float pitch = radToDeg(std::atan2(-v.z, flat));
    return {yaw, pitch, 0.0f};
}

Vec3 anglesToDirection(float yaw, float pitch)
{
    float y = degToRad(yaw);
    float p = degToRad(pitch);
    return {std::cos(p) * std::cos(y), std::cos(p) * std::sin(y), -std::sin(p)};
}

Matrix3 eulerToMatrix(float yaw, float pitch, float roll)
{
    float y = degToRad(yaw);
    float p = degToRad(pitch);
    float r = degToRad(roll);
    float sy = std::sin(y), cy = std::cos(y);
    float sp = std::sin(p), cp = std::cos(p);
    float sr = std::sin(r), cr = std::cos(r);
    Matrix3 out;
    out.setRow(0, {cp * cy, cp * sy, -sp});
    out.setRow(1, {sr * sp * cy - cr * sy, sr * sp * sy + cr * cy, sr * cp});
    out.setRow(2, {cr * sp * cy + sr * sy, cr * sp * sy - sr * cy, cr * cp});
    return out;
}

Vec3 transformVectorByMatrix(const Vec3& v, const Matrix3& m)
{
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

Matrix3 multiplyMatrix3(const Matrix3& a, const Matrix3& b)
{
    Matrix3 out;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            out.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
        }
    }
    return out;
}

bool invertMatrix3(const Matrix3& in, Matrix3& out)
{
    const auto& a = in.m;
    double c00 = double(a[1][1]) * a[2][2] - double(a[1][2]) * a[2][1];
    double c01 = double(a[1][2]) * a[2][0] - double(a[1][0]) * a[2][2];
    double c02 = double(a[1][0]) * a[2][1] - double(a[1][1]) * a[2][0];
    double det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) {
        out = Matrix3();
        return false;
    }
    double inv = 1.0 / det;
    Matrix3 r;
    r.m[0][0] = float(c00 * inv);
    r.m[1][0] = float(c01 * inv);
    r.m[2][0] = float(c02 * inv);
    r.m[0][1] = float((double(a[0][2]) * a[2][1] - double(a[0][1]) * a[2][2]) * inv);
    r.m[1][1] = float((double(a[0][0]) * a[2][2] - double(a[0][2]) * a[2][0]) * inv);
    r.m[2][1] = float((double(a[0][1]) * a[2][0] - double(a[0][0]) * a[2][1]) * inv);
    r.m[0][2] = float((double(a[0][1]) * a[1][2] - double(a[0][2]) * a[1][1]) * inv);
    r.m[1][2] = float((double(a[0][2]) * a[1][0] - double(a[0][0]) * a[1][2]) * inv);
    r.m[2][2] = float((double(a[0][0]) * a[1][1] - double(a[0][1]) * a[1][0]) * inv);
    out = r;
    return true;
}

void orthonormalizeMatrix(Matrix3& m)
{
    Vec3 r0 = m.row(0);
    Vec3 r1 = m.row(1);
    Vec3 r2 = m.row(2);
    if (vec3Normalize(r0) <= 1e-12f) {
        m = Matrix3();
        return;
    }
    r1 = r1 - r0 * vec3Dot(r0, r1);
    if (vec3Normalize(r1) <= 1e-12f) {
        m = Matrix3();
        return;
    }
    r2 = r2 - r0 * vec3Dot(r0, r2) - r1 * vec3Dot(r1, r2);
    if (vec3Normalize(r2) <= 1e-12f) {
        // The third row carried no direction of its own: complete the basis.
        r2 = vec3Cross(r0, r1);
    }
    m.setRow(0, r0);
    m.setRow(1, r1);
    m.setRow(2, r2);
}

Quaternion quaternionMultiply(const Quaternion& a, const Quaternion& b)
{
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Matrix3 quaternionToMatrix(const Quaternion& q)
{
    float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    // The usual column-vector rotation, stored transposed for row vectors.
    Matrix3 out;
    out.m[0][0] = 1.0f - 2.0f * (yy + zz);
    out.m[1][0] = 2.0f * (xy - wz);
    out.m[2][0] = 2.0f * (xz + wy);
    out.m[0][1] = 2.0f * (xy + wz);
    out.m[1][1] = 1.0f - 2.0f * (xx + zz);
    out.m[2][1] = 2.0f * (yz - wx);
    out.m[0][2] = 2.0f * (xz - wy);
    out.m[1][2] = 2.0f * (yz + wx);
    out.m[2][2] = 1.0f - 2.0f * (xx + yy);
    return out;
}

Quaternion matrixToQuaternion(const Matrix3& m)
{
    // r(i, j) is the column-vector rotation, the transpose of what is stored.
    auto r = [&m](int i, int j) { return m.m[j][i]; };
    float trace = r(0, 0) + r(1, 1) + r(2, 2);
    Quaternion q;
    if (trace > 0.0f) {
        float s = std::sqrt(trace + 1.0f) * 2.0f;
        q.w = 0.25f * s;
        q.x = (r(2, 1) - r(1, 2)) / s;
        q.y = (r(0, 2) - r(2, 0)) / s;
        q.z = (r(1, 0) - r(0, 1)) / s;
    } else if (r(0, 0) > r(1, 1) && r(0, 0) > r(2, 2)) {
        float s = std::sqrt(std::fmax(0.0f, 1.0f + r(0, 0) - r(1, 1) - r(2, 2))) * 2.0f;
        if (s == 0.0f) {
            return Quaternion();
        }
        q.w = (r(2, 1) - r(1, 2)) / s;
        q.x = 0.25f * s;
        q.y = (r(0, 1) + r(1, 0)) / s;
        q.z = (r(0, 2) + r(2, 0)) / s;
    } else if (r(1, 1) > r(2, 2)) {
        float s = std::sqrt(std::fmax(0.0f, 1.0f + r(1, 1) - r(0, 0) - r(2, 2))) * 2.0f;
        if (s == 0.0f) {
            return Quaternion();
        }
        q.w = (r(0, 2) - r(2, 0)) / s;
        q.x = (r(0, 1) + r(1, 0)) / s;
        q.y = 0.25f * s;
        q.z = (r(1, 2) + r(2, 1)) / s;
    } else {
        float s = std::sqrt(std::fmax(0.0f, 1.0f + r(2, 2) - r(0, 0) - r(1, 1))) * 2.0f;
        if (s == 0.0f) {
            return Quaternion();
        }
        q.w = (r(1, 0) - r(0, 1)) / s;
        q.x = (r(0, 2) + r(2, 0)) / s;
        q.y = (r(1, 2) + r(2, 1)) / s;
        q.z = 0.25f * s;
    }
    return q;
}

Matrix4 multiplyMatrix4(const Matrix4& a, const Matrix4& b)
{
    Matrix4 out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            out.m[i][j] = sum;
        }
    }
    return out;
}

bool invertMatrix4(const Matrix4& in, Matrix4& out)
{
    double a[4][8];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            a[i][j] = in.m[i][j];
            a[i][j + 4] = (i == j) ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 4; ++row) {
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) {
                pivot = row;
            }
        }
        if (!std::isfinite(a[pivot][col]) || std::fabs(a[pivot][col]) < 1e-12) {
            out = Matrix4();
            return false;
        }
        if (pivot != col) {
            for (int j = 0; j < 8; ++j) {
                double t = a[col][j];
                a[col][j] = a[pivot][j];
                a[pivot][j] = t;
            }
        }
        double scale = 1.0 / a[col][col];
        for (int j = 0; j < 8; ++j) {
            a[col][j] *= scale;
        }
        for (int row = 0; row < 4; ++row) {
            if (row == col || a[row][col] == 0.0) {
                continue;
            }
            double f = a[row][col];
            for (int j = 0; j < 8; ++j) {
                a[row][j] -= f * a[col][j];
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out.m[i][j] = static_cast<float>(a[i][j + 4]);
        }
    }
    return true;
}

bool rectsOverlap(const RectF& a, const RectF& b)
{
    return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

Vec2 parseVec2(std::string_view text)
{
    std::string copy(text);
    float values[2] = {0.0f, 0.0f};
    const char* p = copy.c_str();
    for (float& value : values) {
        char* end = nullptr;
        float v = std::strtof(p, &end);
        if (end == p) {
            break;
        }
        value = std::isfinite(v) ? v : 0.0f;
        p = end;
    }
    return {values[0], values[1]};
}

namespace {
GridSettings g_grid;
}

void setGrid(float cellWidth, float cellHeight, float originX, float originY)
{
    if (cellWidth > 0.0f && std::isfinite(cellWidth)) {
        g_grid.cellWidth = cellWidth;
    }
    if (cellHeight > 0.0f && std::isfinite(cellHeight)) {
        g_grid.cellHeight = cellHeight;
    }
    g_grid.originX = std::isfinite(originX) ? originX : 0.0f;
    g_grid.originY = std::isfinite(originY) ? originY : 0.0f;
}

const GridSettings& getGrid()
{
    return g_grid;
}

Vec2 snapToGrid(const Vec2& point)
{
    const GridSettings& g = g_grid;
    return {g.originX + std::floor((point.x - g.originX) / g.cellWidth + 0.5f) * g.cellWidth,
            g.originY + std::floor((point.y - g.originY) / g.cellHeight + 0.5f) * g.cellHeight};
}
