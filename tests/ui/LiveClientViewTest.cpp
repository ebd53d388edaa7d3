#include "support/UITestBench.h"

#include "ui/LiveClientView.h"

#include <gtest/gtest.h>

namespace {

// Without a client every read answers "nothing there" and every request
// does nothing.
TEST(LiveClientViewTest, WithoutAClientEveryReadIsEmpty)
{
    UITestBench bench;
    LiveClientView view;
    EXPECT_FALSE(view.hasLocalPlayer());
    EXPECT_EQ(view.getPlayerClass(), nullptr);
    EXPECT_FALSE(view.playerHasQuest(0));
    EXPECT_EQ(view.getPlayerQuestId(-1), -1);
    EXPECT_EQ(view.findMostUrgentQuest(), nullptr);
    EXPECT_EQ(view.getCovenantIndexByPower(0), -1);
    EXPECT_EQ(view.getCovenantIndexByInfluence(0), -1);
    EXPECT_EQ(view.getCurrentCovenant(), -1);
    EXPECT_EQ(view.getHistorySnapshotCount(), 0);
    EXPECT_EQ(view.getHistoryValue(0, 0, 0), 0);
    EXPECT_EQ(view.findPendingOffer(), -1);
    EXPECT_EQ(view.getSelectedRecruit(), nullptr);
    EXPECT_EQ(view.getWonGameText(), "");
    view.setDiplomacyResponse(0, 7);
    EXPECT_EQ(view.getDiplomacyResponse(), "");
}

} // namespace
