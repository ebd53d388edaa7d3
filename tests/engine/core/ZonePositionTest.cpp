#include "engine/core/ZonePosition.h"
#include "engine/core/ZonePosition3.h"
#include "engine/core/ZoneTopology.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Zones 0..8 laid out as a 3 x 3 block, zone = row * 3 + column, x along
// columns and y along rows; each zone 100 wide and 50 high.
class ZonePositionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZoneTopology::setSize(100.0f, 50.0f);
        ZoneTopology::setNeighbourFunction([](int zone, int dx, int dy) {
            int column = zone % 3 + dx;
            int row = zone / 3 + dy;
            if (zone > 8 || column < 0 || column > 2 || row < 0 || row > 2) {
                return -1;
            }
            return row * 3 + column;
        });
    }
    void TearDown() override { ZoneTopology::reset(); }

    static ZonePosition normalised(int zone, float x, float y)
    {
        ZonePosition p(zone, x, y);
        p.normalize();
        return p;
    }
};

} // namespace

TEST_F(ZonePositionTest, NewPositionIsNowhereAndNeedsNormalising)
{
    ZonePosition p;
    EXPECT_EQ(p.zone, -1);
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_TRUE(p.needsNormalizing);
    p.normalize();
    EXPECT_FALSE(p.needsNormalizing);
    EXPECT_EQ(p.zone, -1);
}

TEST_F(ZonePositionTest, NormalizeCrossesEachSideAndCorner)
{
    EXPECT_EQ(normalised(4, 50, 25), ZonePosition(4, 50, 25));
    EXPECT_EQ(normalised(4, -1, 25), ZonePosition(3, 99, 25));
    EXPECT_EQ(normalised(4, 100, 25), ZonePosition(5, 0, 25));
    EXPECT_EQ(normalised(4, 50, -1), ZonePosition(1, 50, 49));
    EXPECT_EQ(normalised(4, 50, 50), ZonePosition(7, 50, 0));
    EXPECT_EQ(normalised(4, -1, -1), ZonePosition(0, 99, 49));
    EXPECT_EQ(normalised(4, 100, -1), ZonePosition(2, 0, 49));
    EXPECT_EQ(normalised(4, -1, 50), ZonePosition(6, 99, 0));
    EXPECT_EQ(normalised(4, 100, 50), ZonePosition(8, 0, 0));
    // Two zones in one go.
    EXPECT_EQ(normalised(0, 250, 120), ZonePosition(8, 50, 20));
}

TEST_F(ZonePositionTest, NoNeighbourGivesNowhere)
{
    EXPECT_EQ(normalised(0, -1, 10).zone, -1);
    EXPECT_EQ(normalised(2, 10, -0.5f).zone, -1);
    EXPECT_EQ(normalised(8, 100, 10).zone, -1);
    EXPECT_EQ(normalised(6, 10, 50).zone, -1);
    EXPECT_EQ(normalised(4, NAN, 10).zone, -1);
    EXPECT_EQ(normalised(4, 1e30f, 10).zone, -1);

    // Without a neighbour lookup every zone is alone.
    ZoneTopology::setNeighbourFunction(nullptr);
    EXPECT_EQ(normalised(4, -1, 10).zone, -1);
    EXPECT_EQ(normalised(4, 1, 10), ZonePosition(4, 1, 10));
}

TEST_F(ZonePositionTest, TinyNegativeStaysInsideTheNewZone)
{
    ZonePosition p = normalised(4, -1e-6f, 25);
    EXPECT_EQ(p.zone, 3);
    EXPECT_GE(p.x, 0.0f);
    EXPECT_LT(p.x, 100.0f);
}

TEST_F(ZonePositionTest, ToZoneOnlyReachesNeighbours)
{
    ZonePosition p(4, 10, 10);
    ASSERT_TRUE(p.toZone(5));
    EXPECT_EQ(p, ZonePosition(5, -90, 10));
    ASSERT_TRUE(p.toZone(1)); // diagonal neighbour of 5
    EXPECT_EQ(p, ZonePosition(1, 10, 60));

    ZonePosition far(0, 10, 10);
    EXPECT_FALSE(far.toZone(8));
    EXPECT_EQ(far, ZonePosition(0, 10, 10));
    EXPECT_FALSE(far.toZone(-1));
}

TEST_F(ZonePositionTest, GetLocalIsAPointAndGetOffsetAVector)
{
    ZonePosition a(5, 10, 20);
    ZonePosition b(4, 90, 20);
    // a as a point in b's zone ...
    EXPECT_EQ(ZonePosition::getLocal(a, b), Vec2(110, 20));
    // ... and the vector from a to b.
    EXPECT_EQ(ZonePosition::getOffset(a, b), Vec2(-20, 0));
    EXPECT_EQ(ZonePosition::getOffset(b, a), Vec2(20, 0));
    EXPECT_FLOAT_EQ(ZonePosition::distanceTo(a, b), 20.0f);

    ZonePosition c(8, 3, 4);
    ZonePosition d(4, 100, 50);
    EXPECT_FLOAT_EQ(ZonePosition::distanceTo(c, d), 5.0f);
}

TEST_F(ZonePositionTest, IsWithinSquareAcrossABorder)
{
    ZonePosition a(4, 95, 25);
    ZonePosition b(5, 3, 25);
    EXPECT_TRUE(ZonePosition::isWithinSquare(a, b, 8.0f)); // inclusive
    EXPECT_FALSE(ZonePosition::isWithinSquare(a, b, 7.9f));
    EXPECT_TRUE(ZonePosition::isWithinSquare(b, a, 8.0f));

    ZonePosition corner(0, 99, 49);
    ZonePosition other(4, 1, 1);
    EXPECT_TRUE(ZonePosition::isWithinSquare(corner, other, 2.0f));
    EXPECT_FALSE(ZonePosition::isWithinSquare(corner, other, 1.9f));

    // Zones that do not touch are never close.
    EXPECT_FALSE(ZonePosition::isWithinSquare(ZonePosition(0, 99, 49), ZonePosition(8, 0, 0), 1e6f));
    EXPECT_GT(ZonePosition::distanceTo(ZonePosition(0, 0, 0), ZonePosition(8, 0, 0)), 1e8f);
}

TEST_F(ZonePositionTest, IsWithinBoxUsesBothHalfExtents)
{
    ZonePosition centre(4, 98, 48);
    EXPECT_TRUE(ZonePosition::isWithinBox(ZonePosition(8, 2, 1), centre, 4, 3));
    EXPECT_FALSE(ZonePosition::isWithinBox(ZonePosition(8, 2, 1), centre, 4, 2.9f));
    EXPECT_FALSE(ZonePosition::isWithinBox(ZonePosition(8, 2, 1), centre, 3.9f, 3));
}

TEST_F(ZonePositionTest, OffsetAndAddOffsetRenormalise)
{
    ZonePosition p(4, 90, 45);
    ZonePosition moved = p.offset({15, 10});
    EXPECT_EQ(moved, ZonePosition(8, 5, 5));
    EXPECT_FALSE(moved.needsNormalizing);
    EXPECT_EQ(p, ZonePosition(4, 90, 45));
    p.addOffset(-100, 0);
    EXPECT_EQ(p, ZonePosition(3, 90, 45));
    p.addOffset(-100, 0);
    EXPECT_EQ(p.zone, -1);
}

TEST_F(ZonePositionTest, SnapKeepsZone)
{
    GridSettings saved = getGrid();
    setGrid(10.0f, 10.0f, 5.0f, 5.0f);
    EXPECT_EQ(snapToGrid(ZonePosition(7, 13, 1)), ZonePosition(7, 15, 5));
    setGrid(saved.cellWidth, saved.cellHeight, saved.originX, saved.originY);
}

TEST_F(ZonePositionTest, ThreeDimensionalPositions)
{
    ZonePosition3 p = ZonePosition3::fromZonePosition(ZonePosition(4, 10, 20));
    EXPECT_EQ(p, ZonePosition3(4, 10, 20, 0));
    EXPECT_TRUE(p.needsNormalizing);

    p.addOffset(-20, 40, 7);
    EXPECT_EQ(p, ZonePosition3(6, 90, 10, 7));
    EXPECT_FALSE(p.needsNormalizing);

    // Displacement from the reference to the position, in the position's zone.
    ZonePosition3 reference(4, 95, 45, 100);
    ZonePosition3 position(8, 5, 5, 0);
    Vec3 d = ZonePosition3::getLocal(reference, position);
    EXPECT_EQ(d, Vec3(10, 10, -100));

    ZonePosition3 q(4, 10, 10, 3);
    ASSERT_TRUE(q.toZone(1));
    EXPECT_EQ(q, ZonePosition3(1, 10, 60, 3));
}
