#include "engine/core/MathUtil.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr float kTol = 1e-5f;

void expectVecNear(const Vec3& a, const Vec3& b, float tol = kTol)
{
    EXPECT_TRUE(a.nearlyEquals(b, tol))
        << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y << ", " << b.z << ")";
}

void expectMatrixNear(const Matrix3& a, const Matrix3& b, float tol = kTol)
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(a.m[i][j], b.m[i][j], tol) << i << "," << j;
        }
    }
}

float det3(const Matrix3& m)
{
    return vec3Dot(m.row(0), vec3Cross(m.row(1), m.row(2)));
}

Quaternion axisAngle(Vec3 axis, float degrees)
{
    vec3Normalize(axis);
    float h = degToRad(degrees) * 0.5f;
    return {axis.x * std::sin(h), axis.y * std::sin(h), axis.z * std::sin(h), std::cos(h)};
}

} // namespace

TEST(MathUtil, Vec2NormalizeLengthAndAngle)
{
    Vec2 v(3.0f, 4.0f);
    EXPECT_FLOAT_EQ(vec2Normalize(v), 5.0f);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    Vec2 zero;
    EXPECT_EQ(vec2Normalize(zero), 0.0f);
    EXPECT_EQ(zero, Vec2());

    EXPECT_FLOAT_EQ(vec2Angle({0.0f, 1.0f}), 90.0f);
    EXPECT_FLOAT_EQ(vec2Angle({-1.0f, 0.0f}), 180.0f);
    EXPECT_FLOAT_EQ(vec2Angle({1.0f, -1.0f}), -45.0f);
    EXPECT_EQ(vec2Angle({0.0f, 0.0f}), 0.0f);
}

TEST(MathUtil, Vec3EqualityIsExactAndNearlyEqualsUsesTolerance)
{
    Vec3 a(1.0f, 2.0f, 3.0f);
    Vec3 b(1.0f, 2.0f, 3.0f + 1e-4f);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a.nearlyEquals(b, 1e-3f));
    EXPECT_FALSE(a.nearlyEquals(b, 1e-5f));
    Vec3 c = a;
    EXPECT_EQ(vec3Normalize(c), a.length());
    EXPECT_NEAR(c.length(), 1.0f, kTol);
}

TEST(MathUtil, VectorToAnglesAndBack)
{
    Vec3 left = vectorToAngles({0.0f, 1.0f, 0.0f});
    EXPECT_FLOAT_EQ(left.x, 90.0f);
    Vec3 right = vectorToAngles({0.0f, -1.0f, 0.0f});
    EXPECT_FLOAT_EQ(right.x, 270.0f);
    Vec3 down = vectorToAngles({1.0f, 0.0f, -1.0f});
    EXPECT_NEAR(down.y, 45.0f, kTol);
    EXPECT_EQ(vectorToAngles({0.0f, 0.0f, 0.0f}), Vec3(0.0f, 0.0f, 0.0f));

    const Vec3 samples[] = {{1, 2, 3}, {-4, 0.5f, -1}, {0, 0, -7}, {-1, -1, 0}, {0.2f, -3, 2}};
    for (Vec3 v : samples) {
        Vec3 angles = vectorToAngles(v);
        EXPECT_GE(angles.x, 0.0f);
        EXPECT_LT(angles.x, 360.0f);
        EXPECT_EQ(angles.z, 0.0f);
        Vec3 dir = anglesToDirection(angles.x, angles.y);
        vec3Normalize(v);
        expectVecNear(dir, v);
    }
}

TEST(MathUtil, EulerMatrixAxesAndRowConvention)
{
    // Yaw 90 turns forward (+x) to +y.
    expectVecNear(transformVectorByMatrix({1, 0, 0}, eulerToMatrix(90, 0, 0)), {0, 1, 0});
    // Positive pitch looks down.
    expectVecNear(transformVectorByMatrix({1, 0, 0}, eulerToMatrix(0, 90, 0)), {0, 0, -1});
    // Roll spins about the forward (view) axis and leaves it alone.
    Matrix3 roll = eulerToMatrix(0, 0, 90);
    expectVecNear(transformVectorByMatrix({1, 0, 0}, roll), {1, 0, 0});
    expectVecNear(transformVectorByMatrix({0, 1, 0}, roll), {0, 0, 1});

    std::mt19937 rng(3);
    std::uniform_real_distribution<float> angle(-360.0f, 360.0f);
    for (int i = 0; i < 50; ++i) {
        float y = angle(rng), p = angle(rng), r = angle(rng);
        Matrix3 m = eulerToMatrix(y, p, r);
        expectVecNear(m.row(0), anglesToDirection(y, p));
        EXPECT_NEAR(det3(m), 1.0f, 1e-4f);
        expectMatrixNear(multiplyMatrix3(m,
                                         [&] {
                                             Matrix3 inv;
                                             EXPECT_TRUE(invertMatrix3(m, inv));
                                             return inv;
                                         }()),
                         Matrix3::identity(), 1e-4f);
    }
}

TEST(MathUtil, MatrixProductComposesRowVectorTurns)
{
    Matrix3 a = eulerToMatrix(30, 10, 0);
    Matrix3 b = eulerToMatrix(-70, 0, 25);
    Vec3 v(0.3f, -2.0f, 1.5f);
    expectVecNear(transformVectorByMatrix(v, multiplyMatrix3(a, b)),
                  transformVectorByMatrix(transformVectorByMatrix(v, a), b), 1e-4f);
    expectMatrixNear(multiplyMatrix3(eulerToMatrix(20, 0, 0), eulerToMatrix(50, 0, 0)),
                     eulerToMatrix(70, 0, 0));
}

TEST(MathUtil, InvertMatrix3RefusesSingular)
{
    Matrix3 m;
    m.setRow(0, {1, 2, 3});
    m.setRow(1, {2, 4, 6});
    m.setRow(2, {0, 1, 0});
    Matrix3 out;
    out.m[0][0] = 5.0f;
    EXPECT_FALSE(invertMatrix3(m, out));
    EXPECT_EQ(out, Matrix3::identity());

    Matrix3 s;
    s.setRow(0, {2, 0, 0});
    s.setRow(1, {0, 4, 0});
    s.setRow(2, {1, 0, 0.5f});
    ASSERT_TRUE(invertMatrix3(s, out));
    expectMatrixNear(multiplyMatrix3(s, out), Matrix3::identity());
}

TEST(MathUtil, OrthonormalizeRepairsDriftedRotation)
{
    Matrix3 r = eulerToMatrix(40, -20, 15);
    Matrix3 drifted = r;
    drifted.m[0][1] += 0.01f;
    drifted.m[2][0] -= 0.02f;
    drifted.m[1][2] += 0.015f;
    orthonormalizeMatrix(drifted);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(drifted.row(i).length(), 1.0f, kTol);
        for (int j = i + 1; j < 3; ++j) {
            EXPECT_NEAR(vec3Dot(drifted.row(i), drifted.row(j)), 0.0f, kTol);
        }
    }
    EXPECT_NEAR(det3(drifted), 1.0f, 1e-4f);
    expectMatrixNear(drifted, r, 0.05f);

    Matrix3 zero;
    zero.setRow(0, {0, 0, 0});
    orthonormalizeMatrix(zero);
    EXPECT_EQ(zero, Matrix3::identity());
}

TEST(MathUtil, QuaternionsMatchMatrices)
{
    // A quarter turn about z is yaw 90.
    expectMatrixNear(quaternionToMatrix(axisAngle({0, 0, 1}, 90)), eulerToMatrix(90, 0, 0));
    // About x it is roll.
    expectMatrixNear(quaternionToMatrix(axisAngle({1, 0, 0}, 35)), eulerToMatrix(0, 0, 35));

    // Round trips, including half turns that take the non-trace branches.
    const Quaternion samples[] = {axisAngle({1, 0, 0}, 180),     axisAngle({0, 1, 0}, 180),
                                  axisAngle({0, 0, 1}, 180),     axisAngle({1, 2, 3}, 77),
                                  axisAngle({-1, 0.5f, 2}, 250), Quaternion()};
    for (const Quaternion& q : samples) {
        Quaternion back = matrixToQuaternion(quaternionToMatrix(q));
        float sign = (back.w * q.w + back.x * q.x + back.y * q.y + back.z * q.z) < 0.0f ? -1.0f : 1.0f;
        EXPECT_NEAR(back.x * sign, q.x, 1e-4f);
        EXPECT_NEAR(back.y * sign, q.y, 1e-4f);
        EXPECT_NEAR(back.z * sign, q.z, 1e-4f);
        EXPECT_NEAR(back.w * sign, q.w, 1e-4f);
    }

    // a * b turns by b first, then by a.
    Quaternion a = axisAngle({0, 1, 1}, 60);
    Quaternion b = axisAngle({1, 0, -2}, 110);
    expectMatrixNear(quaternionToMatrix(quaternionMultiply(a, b)),
                     multiplyMatrix3(quaternionToMatrix(b), quaternionToMatrix(a)), 1e-4f);
}

TEST(MathUtil, InvertMatrix4NeedsPivotingAndRefusesSingular)
{
    Matrix4 m;
    const float values[4][4] = {{0, 2, 0, 1}, {1, 0, 3, 0}, {0, 1, 1, 4}, {2, 0, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m.m[i][j] = values[i][j];
        }
    }
    Matrix4 inv;
    ASSERT_TRUE(invertMatrix4(m, inv));
    Matrix4 p = multiplyMatrix4(m, inv);
    Matrix4 q = multiplyMatrix4(inv, m);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(p.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f);
            EXPECT_NEAR(q.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f);
        }
    }
    Matrix4 singular = m;
    for (int j = 0; j < 4; ++j) {
        singular.m[3][j] = singular.m[0][j] * 2.0f;
    }
    EXPECT_FALSE(invertMatrix4(singular, inv));
    EXPECT_EQ(inv, Matrix4::identity());
}

TEST(MathUtil, RectsOverlapCountsTouching)
{
    RectF a{0, 0, 10, 10};
    EXPECT_TRUE(rectsOverlap(a, {5, 5, 15, 15}));
    EXPECT_TRUE(rectsOverlap(a, {10, 0, 20, 10}));  // shared edge
    EXPECT_TRUE(rectsOverlap(a, {10, 10, 20, 20})); // shared corner
    EXPECT_TRUE(rectsOverlap(a, {2, 2, 3, 3}));     // inside
    EXPECT_FALSE(rectsOverlap(a, {10.01f, 0, 20, 10}));
    EXPECT_FALSE(rectsOverlap(a, {0, -5, 10, -0.01f}));
}

TEST(MathUtil, ParseVec2MissingValuesAreZero)
{
    EXPECT_EQ(parseVec2("1.5 -2"), Vec2(1.5f, -2.0f));
    EXPECT_EQ(parseVec2("  3"), Vec2(3.0f, 0.0f));
    EXPECT_EQ(parseVec2(""), Vec2());
    EXPECT_EQ(parseVec2("abc 4"), Vec2());
    EXPECT_EQ(parseVec2("7 x"), Vec2(7.0f, 0.0f));
}

TEST(MathUtil, SnapToGridRoundsToCellCentres)
{
    GridSettings saved = getGrid();
    setGrid(32.0f, 16.0f, 16.0f, 8.0f);
    // Cells along x are centred on 16 + 32 i, along y on 8 + 16 i.
    EXPECT_EQ(snapToGrid({20.0f, 9.0f}), Vec2(16.0f, 8.0f));
    EXPECT_EQ(snapToGrid({33.0f, 17.0f}), Vec2(48.0f, 24.0f));
    EXPECT_EQ(snapToGrid({-0.1f, -0.1f}), Vec2(-16.0f, -8.0f));
    EXPECT_EQ(snapToGrid({0.0f, 0.0f}), Vec2(16.0f, 8.0f)); // halfway goes up
    setGrid(0.0f, -1.0f, 0.0f, 0.0f);                       // sizes <= 0 are ignored
    EXPECT_EQ(getGrid().cellWidth, 32.0f);
    EXPECT_EQ(getGrid().cellHeight, 16.0f);
    setGrid(saved.cellWidth, saved.cellHeight, saved.originX, saved.originY);
}
