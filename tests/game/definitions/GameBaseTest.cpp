#include "game/definitions/GameBase.h"

#include <gtest/gtest.h>

namespace {
class CountingBase : public GameBase {
public:
    void loadSettings() override { ++loads; }
    int loads = 0;
};
} // namespace

TEST(GameBaseTest, StartsWithUnitScalesAndDifficultyOne)
{
    GameBase base;
    EXPECT_EQ(base.getScaleFactor1(), 1.0f);
    EXPECT_EQ(base.getScaleFactor2(), 1.0f);
    EXPECT_EQ(base.getDifficulty(), 1);
}

TEST(GameBaseTest, LoadSettingsIsVirtualAndServerBaseIsRegistered)
{
    CountingBase derived;
    GameBase& base = derived;
    base.loadSettings();
    EXPECT_EQ(derived.loads, 1);

    EXPECT_EQ(getServerGameBase(), nullptr);
    setServerGameBase(&derived);
    EXPECT_EQ(getServerGameBase(), &derived);
    setServerGameBase(nullptr);
    EXPECT_EQ(getServerGameBase(), nullptr);
}
