#include "game/world/Weather.h"
#include "engine/core/ByteBuffer.h"
#include "game/world/WeatherFront.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

Weather::Settings frontSettings(int slots)
{
    Weather::Settings s;
    s.maxFronts = slots;
    s.minFrontIntensity = s.maxFrontIntensity = 0.8f;
    s.maxTotalIntensity = 1.0f;
    s.maxFrontWindSpeed = 10.0f;
    s.maxTotalWindSpeed = 8.0f;
    s.minFrontTime = s.maxFrontTime = 100.0f;
    s.randomChangeTime = 1000.0f;
    return s;
}

// A front fully faded in at zone 0 (100, 100) with the given radii.
WeatherFront* placeFront(Weather& weather, float inner, float outer)
{
    WeatherFront* front = weather.startFront(ZonePosition(0, 100.0f, 100.0f));
    front->intensity = 0.8f;
    front->wind = Vec2(3.0f, 4.0f);
    front->minDistance = inner;
    front->maxDistance = outer;
    front->fadeUpTime = 0.0f;
    front->velocity = Vec2(0.0f, 0.0f);
    return front;
}

} // namespace

class WeatherTest : public ::testing::Test {
protected:
    TestWorld world;
    Weather weather;
};

TEST_F(WeatherTest, AFrontGivesItsFullValueInsideAndFadesToNothingAtItsEdge)
{
    weather.setSettings(frontSettings(3));
    placeFront(weather, 100.0f, 300.0f);
    struct Row {
        float dx, intensity, windX, windY;
    } rows[] = {{50.0f, 0.8f, 3.0f, 4.0f}, {200.0f, 0.4f, 1.5f, 2.0f}, {300.0f, 0.0f, 0.0f, 0.0f}};
    for (const Row& row : rows) {
        float intensity = -1.0f;
        Vec2 wind;
        weather.getIntensityAt(ZonePosition(0, 100.0f + row.dx, 100.0f), intensity, wind);
        EXPECT_NEAR(intensity, row.intensity, 1e-5f) << row.dx;
        EXPECT_NEAR(wind.x, row.windX, 1e-5f) << row.dx;
        EXPECT_NEAR(wind.y, row.windY, 1e-5f) << row.dx;
    }
    // Equal radii: the edge itself gets nothing, a point inside all of it.
    weather.setSettings(frontSettings(3));
    placeFront(weather, 100.0f, 100.0f);
    float intensity = 0.0f;
    Vec2 wind;
    weather.getIntensityAt(ZonePosition(0, 200.0f, 100.0f), intensity, wind);
    EXPECT_EQ(intensity, 0.0f);
    weather.getIntensityAt(ZonePosition(0, 199.0f, 100.0f), intensity, wind);
    EXPECT_FLOAT_EQ(intensity, 0.8f);
}

TEST_F(WeatherTest, TotalsAreCappedAndAFrontWithoutFadeDownEndsWithItsHold)
{
    weather.setSettings(frontSettings(3));
    for (int i = 0; i < 3; ++i) {
        placeFront(weather, 100.0f, 300.0f);
    }
    float intensity = 0.0f;
    Vec2 wind;
    weather.getIntensityAt(ZonePosition(0, 100.0f, 100.0f), intensity, wind);
    EXPECT_FLOAT_EQ(intensity, 1.0f);
    EXPECT_NEAR(std::hypot(wind.x, wind.y), 8.0f, 1e-4f);
    // Full slots: a due start is skipped.
    EXPECT_EQ(weather.startFront(ZonePosition(0, 1.0f, 1.0f)), nullptr);

    weather.setSettings(frontSettings(1));
    WeatherFront* front = placeFront(weather, 100.0f, 300.0f);
    front->holdTimer.start(0.1f);
    front->fadeDownTime = 0.0f;
    weather.update(0.05f);
    EXPECT_EQ(weather.getActiveFronts(), 1);
    weather.update(0.05f);
    EXPECT_EQ(weather.getActiveFronts(), 0);
    EXPECT_EQ(weather.getFront(0), nullptr);
}

TEST_F(WeatherTest, FrontsStartNowhereWhenNoAreaRainsAndAddNothingThere)
{
    // The test world has no levels: no area lets it rain.
    Weather::Settings s = frontSettings(2);
    s.minFrontStartTime = s.maxFrontStartTime = 1.0f;
    weather.setSettings(s);
    for (int i = 0; i < 25; ++i) {
        weather.update(0.05f);
    }
    ASSERT_EQ(weather.getActiveFronts(), 1);
    const WeatherFront* front = weather.getFront(0);
    EXPECT_EQ(front->position.zone, -1);
    weather.update(0.05f);
    EXPECT_EQ(weather.getFront(0)->position.zone, -1);
    float intensity = 0.0f;
    Vec2 wind;
    weather.getIntensityAt(ZonePosition(0, 0.0f, 0.0f), intensity, wind);
    EXPECT_EQ(intensity, 0.0f);
}

TEST_F(WeatherTest, SavedFrontsReadIntoTheSlotsThereAreAndDamageIsRefused)
{
    Weather five;
    five.setSettings(frontSettings(5));
    for (int i = 0; i < 5; ++i) {
        placeFront(five, 10.0f + i, 300.0f);
    }
    ByteBuffer saved;
    five.write(saved);
    EXPECT_EQ(saved.size(), 4u + 5u * WeatherFront::kSavedBytes);

    weather.setSettings(frontSettings(3));
    ByteBuffer in(saved.bytes());
    ASSERT_TRUE(weather.read(in));
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(weather.getActiveFronts(), 3);
    EXPECT_FLOAT_EQ(weather.getFront(2)->minDistance, 12.0f);

    // A NaN wind, a cut block and a count beyond the bytes change nothing.
    std::vector<uint8_t> nan = saved.bytes();
    const float bad = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(nan.data() + 4 + 4 * 20 + 4, &bad, 4);
    std::vector<uint8_t> cut = saved.bytes();
    cut.pop_back();
    std::vector<uint8_t> huge = saved.bytes();
    huge[3] = 0x7f;
    for (const std::vector<uint8_t>& bytes : {nan, cut, huge}) {
        ByteBuffer damaged(bytes);
        EXPECT_FALSE(weather.read(damaged));
        EXPECT_EQ(weather.getActiveFronts(), 3);
    }
}
