#pragma once

#include <string_view>

// Vectors, matrices and quaternions of the engine.
//
// World axes: x forward, y left, z up. A Matrix3 stores its rows; a rotation
// keeps the turned axes (forward, left, up) as rows, and vectors are row vectors
// multiplied from the left (`transformVectorByMatrix`), so v × M turns a local
// vector into the world.

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    Vec2() = default;
    Vec2(float ax, float ay) : x(ax), y(ay) {}

    Vec2 operator+(const Vec2& o) const { return {x + o.x, y + o.y}; }
    Vec2 operator-(const Vec2& o) const { return {x - o.x, y - o.y}; }
    Vec2 operator*(float s) const { return {x * s, y * s}; }
    Vec2& operator+=(const Vec2& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    friend bool operator==(const Vec2&, const Vec2&) = default;
};

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vec3() = default;
    Vec3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vec3& operator+=(const Vec3& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    float length() const;

    // Exact comparison of all three components.
    friend bool operator==(const Vec3&, const Vec3&) = default;
    // Each component within the tolerance.
    bool nearlyEquals(const Vec3& o, float tolerance) const;
};

struct Matrix3 {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    static Matrix3 identity() { return Matrix3(); }
    Vec3 row(int i) const { return {m[i][0], m[i][1], m[i][2]}; }
    void setRow(int i, const Vec3& v)
    {
        m[i][0] = v.x;
        m[i][1] = v.y;
        m[i][2] = v.z;
    }
    friend bool operator==(const Matrix3&, const Matrix3&) = default;
};

// m[row][column]; the product a × b is the usual one.
struct Matrix4 {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    static Matrix4 identity() { return Matrix4(); }
    friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

// Stored x, y, z, w (as in the animation keys).
struct Quaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    Quaternion() = default;
    Quaternion(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
    friend bool operator==(const Quaternion&, const Quaternion&) = default;
};

// {min x, min y, max x, max y}
struct RectF {
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 0.0f;
    float maxY = 0.0f;
};

constexpr float kPi = 3.14159265358979323846f;
inline float degToRad(float degrees)
{
    return degrees * (kPi / 180.0f);
}
inline float radToDeg(float radians)
{
    return radians * (180.0f / kPi);
}

// Normalise in place and return the former length; a zero vector stays as it is.
float vec2Normalize(Vec2& v);
float vec2Length(const Vec2& v);
// Degrees of atan2(y, x); 0 for the zero vector.
float vec2Angle(const Vec2& v);
float vec3Normalize(Vec3& v);
float vec3Dot(const Vec3& a, const Vec3& b);
Vec3 vec3Cross(const Vec3& a, const Vec3& b);

// (yaw, pitch, roll) in degrees as x, y, z: yaw = atan2(y, x) in [0, 360),
// pitch positive when the vector points down, roll 0. All 0 for the zero vector.
// anglesToDirection(yaw, pitch) gives the normalised vector back.
Vec3 vectorToAngles(const Vec3& v);
// (cos p cos y, cos p sin y, -sin p)
Vec3 anglesToDirection(float yaw, float pitch);

// Yaw about z, pitch about y, roll about x (the forward axis), all in degrees;
// rows forward, left, up. Angles 0, 0, r spin about the view axis.
Matrix3 eulerToMatrix(float yaw, float pitch, float roll);
inline Matrix3 eulerToMatrix(const Vec3& angles)
{
    return eulerToMatrix(angles.x, angles.y, angles.z);
}

// Row vector times matrix.
Vec3 transformVectorByMatrix(const Vec3& v, const Matrix3& m);
Matrix3 multiplyMatrix3(const Matrix3& a, const Matrix3& b);
// False (and identity) when the matrix is singular.
bool invertMatrix3(const Matrix3& in, Matrix3& out);
// Gram-Schmidt on the rows; a degenerate matrix becomes the identity.
void orthonormalizeMatrix(Matrix3& m);

// Hamilton product: the rotation b followed by a.
Quaternion quaternionMultiply(const Quaternion& a, const Quaternion& b);
// Both follow the row convention above: transformVectorByMatrix(v,
// quaternionToMatrix(q)) turns v by q.
Matrix3 quaternionToMatrix(const Quaternion& q);
Quaternion matrixToQuaternion(const Matrix3& m);

Matrix4 multiplyMatrix4(const Matrix4& a, const Matrix4& b);
// Gauss-Jordan with partial pivoting; false (and identity) when singular.
bool invertMatrix4(const Matrix4& in, Matrix4& out);

// True when the rectangles touch or overlap.
bool rectsOverlap(const RectF& a, const RectF& b);

// "x y"; missing or unreadable values are 0.
Vec2 parseVec2(std::string_view text);

// The global grid: cell i along an axis is centred on origin + i × size.
struct GridSettings {
    float cellWidth = 1.0f;
    float cellHeight = 1.0f;
    float originX = 0.0f;
    float originY = 0.0f;
};
// Set from the game definitions (tile size and tile origin). Sizes <= 0 are ignored.
void setGrid(float cellWidth, float cellHeight, float originX, float originY);
const GridSettings& getGrid();
// The centre of the nearest grid cell.
Vec2 snapToGrid(const Vec2& point);
