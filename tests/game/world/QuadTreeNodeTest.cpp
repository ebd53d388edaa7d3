#include "game/world/QuadTreeNode.h"
#include "game/world/LevelIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

QuadTreeNode levelRoot()
{
    return QuadTreeNode(0.0f, 0.0f, 4096.0f, 4096.0f, LevelIndex::kLimit, LevelIndex::kMaxDepth);
}

std::vector<int> sorted(std::vector<int> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

TEST(QuadTreeNodeTest, TenthInsertSplitsTheRootAndEmptiesIt)
{
    QuadTreeNode root = levelRoot();
    for (int i = 0; i < 9; ++i) {
        root.insert({i, 100.0f + 400.0f * i, 50.0f + 430.0f * i});
    }
    EXPECT_TRUE(root.isLeaf());
    EXPECT_EQ(root.getCount(), 9);
    root.insert({9, 4000.0f, 10.0f});
    EXPECT_FALSE(root.isLeaf());
    EXPECT_EQ(root.getCount(), 0);
    std::vector<int> all;
    root.collectAll(all);
    EXPECT_EQ(sorted(all), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    int inChildren = 0;
    for (int c = 0; c < 4; ++c) {
        EXPECT_TRUE(root.getChild(c)->isLeaf());
        EXPECT_EQ(root.getChild(c)->getDepth(), 1);
        inChildren += root.getChild(c)->getCount();
    }
    EXPECT_EQ(inChildren, 10);
}

TEST(QuadTreeNodeTest, OnePointSplitsDownToMaxDepthThenPilesUp)
{
    QuadTreeNode root = levelRoot();
    for (int i = 0; i < 40; ++i) {
        root.insert({i, 700.0f, 900.0f});
    }
    QuadTreeNode* leaf = root.leafFor(700.0f, 900.0f);
    EXPECT_EQ(leaf->getDepth(), 4);
    EXPECT_EQ(leaf->getCount(), 40);
    EXPECT_EQ(leaf->getMaxX() - leaf->getMinX(), 256.0f);
    // Removing takes out exactly the named item.
    QuadTreeItem taken;
    EXPECT_TRUE(root.remove(700.0f, 900.0f, 17, &taken));
    EXPECT_EQ(taken.entityNumber, 17);
    EXPECT_FALSE(root.remove(700.0f, 900.0f, 17));
    EXPECT_EQ(leaf->getCount(), 39);
}

TEST(QuadTreeNodeTest, MidlinesGoRightAndUp)
{
    QuadTreeNode root = levelRoot();
    EXPECT_EQ(root.quadrant(2048.0f, 3000.0f), 1);
    EXPECT_EQ(root.quadrant(2048.0f, 100.0f), 3);
    EXPECT_EQ(root.quadrant(2047.5f, 100.0f), 2);
    EXPECT_EQ(root.quadrant(100.0f, 2048.0f), 0);
    EXPECT_EQ(root.quadrant(2048.0f, 2048.0f), 1);
}

TEST(QuadTreeNodeTest, RangeTakesWholeOverlappingLeavesWithClosedBounds)
{
    QuadTreeNode root = levelRoot();
    for (int i = 0; i < 10; ++i) {
        // Nine in the lower-left quarter, one in the upper right.
        float x = i < 9 ? 100.0f + 10.0f * i : 3000.0f;
        root.insert({i, x, x});
    }
    std::vector<int> out;
    // The square's right edge touches the midline: the right-hand leaves count.
    root.queryRange(1000.0f, 1000.0f, 1048.0f, out);
    EXPECT_EQ(sorted(out).size(), 10u);
    out.clear();
    root.queryRange(1000.0f, 1000.0f, 1047.0f, out);
    EXPECT_EQ(out.size(), 9u); // unfiltered: the whole lower-left leaf
    out.clear();
    root.queryRange(3000.0f, 3000.0f, 10.0f, out);
    EXPECT_EQ(out, std::vector<int>{9});
}

TEST(LevelIndexTest, MoveStaysInItsLeafOrChangesLeafWithOneItem)
{
    LevelIndex index(0, 4096.0f, 4096.0f);
    for (int i = 0; i < 12; ++i) {
        index.insertEntity(i, 100.0f * (i + 1), 100.0f);
    }
    index.moveEntity(3, 400.0f, 100.0f, 410.0f, 120.0f);
    index.moveEntity(5, 600.0f, 100.0f, 3900.0f, 3900.0f);
    // An item missing from the old point is inserted afresh.
    index.moveEntity(50, 10.0f, 10.0f, 20.0f, 20.0f);
    std::vector<int> all;
    index.getRoot().collectAll(all);
    EXPECT_EQ(all.size(), 13u);
    EXPECT_EQ(std::count(all.begin(), all.end(), 5), 1);
    std::vector<int> out;
    index.query(ZonePosition(0, 3900.0f, 3900.0f), 5.0f, out);
    EXPECT_EQ(out, std::vector<int>{5});
}

} // namespace
