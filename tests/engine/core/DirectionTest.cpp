#include "engine/core/Direction.h"

#include <gtest/gtest.h>

TEST(Direction, NamesAndAngles)
{
    const char* names[] = {"North", "NorthEast", "East", "SouthEast",
                           "South", "SouthWest", "West", "NorthWest"};
    const float angles[] = {90, 45, 0, -45, -90, -135, 180, 135};
    for (int d = 0; d < kDirectionCount; ++d) {
        EXPECT_STREQ(directionName(d), names[d]);
        EXPECT_EQ(directionFromName(names[d]), d);
        EXPECT_EQ(directionToAngle(d), angles[d]);
    }
    EXPECT_STREQ(directionName(-1), "NorthWest");
    EXPECT_EQ(directionFromName("north"), -1);
}

TEST(Direction, AngleSectorsAreHalfOpen)
{
    EXPECT_EQ(angleToDirection8(0.0f), East);
    EXPECT_EQ(angleToDirection8(22.4f), East);
    EXPECT_EQ(angleToDirection8(22.5f), NorthEast);
    EXPECT_EQ(angleToDirection8(-22.5f), East);
    EXPECT_EQ(angleToDirection8(-22.6f), SouthEast);
    EXPECT_EQ(angleToDirection8(90.0f), North);
    EXPECT_EQ(angleToDirection8(180.0f), West);
    EXPECT_EQ(angleToDirection8(-180.0f), West);
    EXPECT_EQ(angleToDirection8(540.0f), West);
    EXPECT_EQ(angleToDirection8(-135.0f), SouthWest);
    EXPECT_EQ(angleToDirection8(337.5f), East);
    EXPECT_EQ(angleToDirection8(337.4f), SouthEast);
}

TEST(Direction, VectorsAgreeWithAngles)
{
    GridSettings saved = getGrid();
    setGrid(32.0f, 16.0f, 0.0f, 0.0f);
    for (int d = 0; d < kDirectionCount; ++d) {
        Vec2 v = directionToVector2(d);
        EXPECT_EQ(angleToDirection8(vec2Angle(v)), d);
        EXPECT_EQ(angleToDirection8(directionToAngle(d)), d);
        Vec2 step = directionToVector2Scaled(d);
        EXPECT_EQ(step, Vec2(v.x * 32.0f, v.y * 16.0f));
        // The rotation faces the direction.
        Vec3 forward = transformVectorByMatrix({1, 0, 0}, directionToMatrix(d));
        vec2Normalize(v);
        EXPECT_TRUE(forward.nearlyEquals({v.x, v.y, 0.0f}, 1e-5f)) << d;
    }
    EXPECT_EQ(directionToVector2(North), Vec2(0, 1));
    EXPECT_EQ(directionToVector2(SouthWest), Vec2(-1, -1));
    setGrid(saved.cellWidth, saved.cellHeight, saved.originX, saved.originY);
}
