// The rules of the numbers and bars over entities.
#include "client/mirrors/OverheadText.h"

#include <gtest/gtest.h>

namespace {

TEST(OverheadTextTest, KindsFadesAndBars)
{
    using K = OverheadText::Kind;
    struct KindCase {
        const char* text;
        K kind;
    };
    for (const KindCase& c : {KindCase{"+12", K::Healing}, KindCase{"^c002+7", K::Healing},
                              KindCase{"35xp", K::Experience}, KindCase{"12", K::Damage},
                              // Too short to have a sixth character: damage.
                              KindCase{"^c02+", K::Damage}, KindCase{"", K::Damage}}) {
        EXPECT_EQ(OverheadText::classify(c.text), c.kind) << c.text;
    }
    // Lifetime 1.5, fade 0.5: opaque to 1.0, half at 1.25, gone from 1.5.
    EXPECT_FLOAT_EQ(OverheadText::alpha(0.5f, 1.5f, 0.5f), 1.0f);
    EXPECT_FLOAT_EQ(OverheadText::alpha(1.25f, 1.5f, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(OverheadText::alpha(1.5f, 1.5f, 0.5f), 0.0f);
    EXPECT_FLOAT_EQ(OverheadText::alpha(1.4f, 1.5f, 0.0f), 1.0f);
    EXPECT_FLOAT_EQ(OverheadText::alpha(1.6f, 1.5f, 0.0f), 0.0f);
    // The bar stays inside its frame.
    EXPECT_FLOAT_EQ(OverheadText::healthFraction(5, 10), 0.5f);
    EXPECT_FLOAT_EQ(OverheadText::healthFraction(-5, 10), 0.0f);
    EXPECT_FLOAT_EQ(OverheadText::healthFraction(20, 10), 1.0f);
    EXPECT_FLOAT_EQ(OverheadText::healthFraction(3, 0), 1.0f);
}

} // namespace
