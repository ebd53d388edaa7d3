#include "game/covenants/CovenantBase.h"
#include "engine/core/ByteBuffer.h"
#include "game/covenants/CovenantTestData.h"
#include "support/RecordingCovenant.h"

#include <cmath>
#include <limits>

namespace {

using CovenantBaseTest = CovenantTestData;

constexpr int kPeace = static_cast<int>(CovenantTreaty::Peace);
constexpr int kWar = static_cast<int>(CovenantTreaty::War);
constexpr int kTiny = static_cast<int>(TradeRoute::Tiny);
constexpr int kLarge = static_cast<int>(TradeRoute::Large);

const GameTime kStamp(1, 2, 3, 4.5f);

void setStat(CovenantBase& c, CovenantStat s, int value)
{
    c.stats.set(static_cast<int>(s), value);
}

} // namespace

TEST_F(CovenantBaseTest, StartsWithTheDocumentedValues)
{
    CovenantBase c;
    EXPECT_EQ(c.stats.getCount(), kCovenantStatCount);
    EXPECT_EQ(c.stats.get(static_cast<int>(CovenantStat::MaxNPCs)), 4);
    EXPECT_EQ(c.stats.get(static_cast<int>(CovenantStat::MaxLifeStone)), 100);
    EXPECT_EQ(c.stats.get(static_cast<int>(CovenantStat::Money)), 0);
    EXPECT_EQ(c.index, -1);
    EXPECT_EQ(c.definitionIndex, -1);
    EXPECT_EQ(c.raidTarget, -1);
    EXPECT_EQ(c.level, 1);
    EXPECT_EQ(c.housePosition.zone, -1);
    EXPECT_EQ(c.getLifestoneHealth(), 0);
    EXPECT_EQ(c.getLifestoneMaxHealth(), 0);
    EXPECT_EQ(c.getRelationCount(), 0);
}

TEST_F(CovenantBaseTest, RecordsAppearLazilyWithinZeroToThirtyOne)
{
    CovenantBase c;
    EXPECT_FLOAT_EQ(c.getRelation(5), 50.0f);
    ASSERT_EQ(c.getRelationCount(), 6);
    for (int i = 0; i <= 5; ++i) {
        EXPECT_FLOAT_EQ(c.getRelation(i), 50.0f);
        EXPECT_EQ(c.getRelationState(i), kPeace);
        EXPECT_EQ(c.getRelationSubState(i), 0);
        EXPECT_EQ(c.getRelationStateTime(i), GameTime());
    }
    EXPECT_EQ(c.getRelationState(32), kPeace);
    EXPECT_FLOAT_EQ(c.getRelation(32), 0.0f);
    EXPECT_FLOAT_EQ(c.getRelation(-1), 0.0f);
    EXPECT_EQ(c.getRelationSubState(-1), 0);
    c.setRelation(32, 10.0f);
    c.setRelationState(-1, kWar);
    EXPECT_EQ(c.getRelationCount(), 6);
    EXPECT_TRUE(c.ensureRelation(31));
    EXPECT_EQ(c.getRelationCount(), 32);
    EXPECT_FALSE(c.ensureRelation(32));
}

TEST_F(CovenantBaseTest, RelationIsClampedAndNeverNaN)
{
    CovenantBase c;
    c.setRelation(2, 150.0f);
    EXPECT_FLOAT_EQ(c.getRelation(2), 100.0f);
    c.setRelation(2, 50.0f);
    c.changeRelation(2, -80.0f);
    EXPECT_FLOAT_EQ(c.getRelation(2), 0.0f);
    c.setRelation(2, 50.0f);
    log.clear();
    c.setRelation(2, std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(c.getRelation(2), 50.0f);
    EXPECT_EQ(log.count(2), 1u);
    c.changeRelation(2, std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(c.getRelation(2), 50.0f);
    c.changeRelation(2, std::numeric_limits<float>::infinity());
    EXPECT_FLOAT_EQ(c.getRelation(2), 100.0f);
    c.setRelation(2, -std::numeric_limits<float>::infinity());
    EXPECT_FLOAT_EQ(c.getRelation(2), 0.0f);
}

TEST_F(CovenantBaseTest, OnlyRealChangesNotify)
{
    RecordingCovenant c;
    c.setRelationStateAt(3, kPeace, kStamp); // the stored value: nothing
    EXPECT_TRUE(c.treatyChanges.empty());
    EXPECT_EQ(c.getRelationStateTime(3), GameTime());

    c.setRelationStateAt(3, kWar, kStamp);
    c.setRelationState(3, kWar);
    EXPECT_EQ(c.treatyChanges, std::vector<int>({3}));
    EXPECT_EQ(c.getRelationStateTime(3), kStamp);
    c.setRelationState(3, kPeace);
    EXPECT_EQ(c.getRelationStateTime(3), GameTime());
    EXPECT_EQ(c.treatyChanges.size(), 2u);

    c.setTradeRoute(2, kTiny, kStamp);
    c.setTradeRoute(2, kTiny, GameTime());
    EXPECT_EQ(c.routeChanges, std::vector<int>({2}));
    EXPECT_EQ(c.getTradeRouteTime(2), kStamp);
    EXPECT_EQ(c.getRelationSubState(2), kTiny);
    c.setRelationSubState(2, 0);
    EXPECT_EQ(c.getTradeRouteTime(2), GameTime());
    EXPECT_EQ(c.routeChanges.size(), 2u);

    c.setDefinitionByName("GildedScale");
    EXPECT_EQ(c.definitionCalls, 1);
    EXPECT_EQ(c.definitionIndex, definitionIndex("GildedScale"));
}

TEST_F(CovenantBaseTest, HostilityFriendshipAndPacts)
{
    CovenantBase c;
    c.setRelationState(1, kWar);
    c.setRelation(1, 12.0f);
    EXPECT_TRUE(c.isHostile(1));
    c.setRelationState(2, static_cast<int>(CovenantTreaty::Raid));
    EXPECT_TRUE(c.isHostile(2));
    EXPECT_FALSE(c.isHostile(3));

    c.setTradeRoute(4, kTiny, kStamp);
    EXPECT_TRUE(c.isFriendly(4));
    EXPECT_FALSE(c.isFriendly(3));
    for (int treaty = 0; treaty < kCovenantTreatyCount; ++treaty) {
        CovenantBase d;
        d.setRelationState(0, treaty);
        bool protection = treaty == 5 || treaty == 6;
        EXPECT_EQ(d.hasProtectionPact(0), protection) << treaty;
        EXPECT_EQ(d.hasPact(0), protection || treaty == 4) << treaty;
        EXPECT_EQ(d.isFriendly(0), d.hasPact(0)) << treaty;
    }

    c.destroyed = true;
    EXPECT_FALSE(c.isHostile(1));
    EXPECT_FALSE(c.isFriendly(4));
    EXPECT_FLOAT_EQ(c.getRelation(1), 12.0f);
    EXPECT_EQ(c.getRelationState(1), kWar);
}

TEST_F(CovenantBaseTest, PowerUsesTheRulesMultipliers)
{
    ASSERT_TRUE(loaded);
    CovenantBase c;
    EXPECT_EQ(c.computePower(), 0);
    setStat(c, CovenantStat::House, 1);
    setStat(c, CovenantStat::AbsoluteInfluence, 3);
    EXPECT_EQ(c.computePower(), 3); // 2.5 rounds up
    setStat(c, CovenantStat::House, 10);
    setStat(c, CovenantStat::AbsoluteInfluence, 5);
    setStat(c, CovenantStat::People, 3);
    setStat(c, CovenantStat::Items, 25);
    setStat(c, CovenantStat::LifeStone, 1);
    EXPECT_EQ(c.computePower(), 24);
}

TEST_F(CovenantBaseTest, IncomeAddsRoutesAndSubtractsGuards)
{
    ASSERT_TRUE(loaded);
    RecordingCovenant c;
    c.influence = 300;
    EXPECT_EQ(c.getBaseIncome(), 20);
    setStat(c, CovenantStat::GuardCosts, 25);
    EXPECT_EQ(c.sumRelationValues(), -5);
    EXPECT_TRUE(c.routeCalls.empty());

    c.setTradeRoute(1, kTiny, kStamp);
    c.setTradeRoute(3, kLarge, kStamp);
    c.routeAnswers = {7, 11};
    EXPECT_EQ(c.sumRelationValues(), 13);
    ASSERT_EQ(c.routeCalls.size(), 2u);
    EXPECT_EQ(c.routeCalls[0].cap, 20);
    EXPECT_EQ(c.routeCalls[0].other, 1);
    EXPECT_EQ(c.routeCalls[0].tradeRoute, kTiny);
    EXPECT_EQ(c.routeCalls[0].since, kStamp);
    EXPECT_EQ(c.routeCalls[1].other, 3);
    EXPECT_EQ(c.routeCalls[1].tradeRoute, kLarge);

    c.routeAnswers = {9};
    EXPECT_EQ(c.getTradeRouteIncomeWith(3), 9);
    EXPECT_EQ(c.getTradeRouteIncomeWith(2), 0);
    EXPECT_EQ(c.routeCalls.size(), 3u);

    // Without influence the house still yields the curve's first point.
    CovenantBase plain;
    EXPECT_EQ(plain.getBaseIncome(), 10);
    plain.addCrystals(40);
    plain.addCrystals(-15);
    EXPECT_EQ(plain.stats.get(static_cast<int>(CovenantStat::Money)), 25);
}

TEST_F(CovenantBaseTest, NamesComeFromTheDefinition)
{
    ASSERT_TRUE(loaded);
    CovenantBase gilded;
    gilded.setDefinitionByName("GildedScale");
    EXPECT_EQ(gilded.getName(), "GildedScale");
    EXPECT_EQ(gilded.getDisplayName(), "Gilded Scale");
    EXPECT_EQ(data->getColoredCovenantDisplayName(&gilded), "^c005Gilded Scale");
    gilded.name = "Goldhall";
    EXPECT_EQ(gilded.getName(), "Goldhall");
    EXPECT_EQ(gilded.getDisplayName(), "Gilded Scale"); // the short name wins

    CovenantBase player;
    player.setDefinitionByName("Human");
    player.name = "Oakhold";
    EXPECT_EQ(player.getDisplayName(), "Oakhold");
    EXPECT_EQ(player.getDefinitionName(), "Human");

    CovenantBase none;
    EXPECT_EQ(none.getName(), "");
    EXPECT_EQ(none.getDisplayName(), "");
    EXPECT_EQ(none.getColorType(), 0);
    none.setDefinitionByName("NoSuchCovenant");
    EXPECT_EQ(none.definitionIndex, -1);
    none.setDefinitionIndex(1000);
    EXPECT_EQ(none.getDefinitionShortName(), "");
}

TEST_F(CovenantBaseTest, RelationEntryHasItsTwentyEightBytes)
{
    CovenantBase c;
    c.setRelation(2, 75.0f);
    c.setRelationState(2, kWar);
    c.setTradeRoute(2, kTiny, kStamp);
    ByteBuffer b;
    c.writeRelationEntry(b, 2);
    EXPECT_EQ(b.bytes(), std::vector<uint8_t>({0x00, 0x00, 0x96, 0x42, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00,
                                                0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                                0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x40}));
    RecordingCovenant fresh;
    ASSERT_TRUE(fresh.readRelationEntry(b, 2));
    EXPECT_TRUE(b.atEnd());
    EXPECT_FLOAT_EQ(fresh.getRelation(2), 75.0f);
    EXPECT_EQ(fresh.getRelationState(2), kWar);
    EXPECT_EQ(fresh.getRelationSubState(2), kTiny);
    EXPECT_EQ(fresh.getTradeRouteTime(2), kStamp);
    EXPECT_EQ(fresh.treatyChanges.size(), 1u); // the message's entry is a change like any other

    // Past 31: consumed, nothing stored.
    b.setReadPos(0);
    ASSERT_TRUE(fresh.readRelationEntry(b, 40));
    EXPECT_EQ(b.getReadPos(), 28u);
    EXPECT_EQ(fresh.getRelationCount(), 3);

    ByteBuffer outside;
    c.writeRelationEntry(outside, 40);
    outside.setReadPos(0);
    EXPECT_FLOAT_EQ(outside.readFloat(), 0.0f);
    EXPECT_EQ(outside.readInt(), kPeace);

    CovenantBase eight;
    eight.ensureRelation(6);
    ByteBuffer seventh;
    eight.writeRelationEntry(seventh, 7);
    EXPECT_EQ(eight.getRelationCount(), 8);
    EXPECT_FLOAT_EQ(seventh.readFloat(), 50.0f);
    EXPECT_EQ(seventh.readInt(), kPeace);
}

TEST_F(CovenantBaseTest, RelationEntryReadRefusesBadValues)
{
    auto entry = [](float relation, int treaty, int route) {
        ByteBuffer b;
        b.writeFloat(relation);
        b.writeInt(treaty);
        b.writeInt(route);
        b.writeGameTime(GameTime());
        return b;
    };
    for (ByteBuffer b : {entry(std::numeric_limits<float>::quiet_NaN(), 1, 0), entry(50.0f, 11, 0),
                         entry(50.0f, -1, 0), entry(50.0f, 1, 6), entry(50.0f, 1, -1)}) {
        CovenantBase c;
        c.setRelation(0, 33.0f);
        EXPECT_FALSE(c.readRelationEntry(b, 0));
        EXPECT_FLOAT_EQ(c.getRelation(0), 33.0f);
    }
    ByteBuffer nanTime;
    nanTime.writeFloat(50.0f);
    nanTime.writeInt(1);
    nanTime.writeInt(1);
    nanTime.writeGameTime(GameTime(0, 0, 0, std::numeric_limits<float>::quiet_NaN()));
    CovenantBase stamped;
    EXPECT_FALSE(stamped.readRelationEntry(nanTime, 0));
    EXPECT_EQ(stamped.getRelationCount(), 0);

    ByteBuffer shortBuffer = entry(50.0f, 1, 0);
    ByteBuffer cut(shortBuffer.data(), 27);
    CovenantBase c;
    EXPECT_FALSE(c.readRelationEntry(cut, 0));
    EXPECT_EQ(c.getRelationCount(), 0);

    ByteBuffer high = entry(250.0f, 1, 0);
    ASSERT_TRUE(c.readRelationEntry(high, 0));
    EXPECT_FLOAT_EQ(c.getRelation(0), 100.0f);
}

TEST_F(CovenantBaseTest, SavedRecordRestoresWithoutNotifying)
{
    CovenantBase c;
    c.setRelation(4, 21.5f);
    c.setRelationStateAt(4, kWar, GameTime(3, 4, 5, 6.0f));
    c.setTradeRoute(4, kLarge, kStamp);
    ByteBuffer b;
    c.writeRelationSaved(b, 4);
    ASSERT_EQ(b.size(), CovenantBase::kRelationSavedBytes);

    RecordingCovenant loaded;
    loaded.setRelation(4, 70.0f);
    ASSERT_TRUE(loaded.readRelationSaved(b, 4));
    EXPECT_TRUE(loaded.treatyChanges.empty());
    EXPECT_TRUE(loaded.routeChanges.empty());
    ASSERT_NE(loaded.getRelationRecord(4), nullptr);
    EXPECT_EQ(*loaded.getRelationRecord(4), *c.getRelationRecord(4));

    ByteBuffer none;
    c.writeRelationSaved(none, 33);
    EXPECT_EQ(none.size(), 44u);
    EXPECT_FLOAT_EQ(none.readFloat(), 0.0f);
    EXPECT_EQ(none.readInt(), kPeace);

    ByteBuffer high;
    high.writeFloat(250.0f);
    high.writeInt(kWar);
    high.writeGameTime(GameTime());
    high.writeInt(0);
    high.writeGameTime(GameTime());
    ASSERT_TRUE(loaded.readRelationSaved(high, 0));
    EXPECT_FLOAT_EQ(loaded.getRelation(0), 100.0f);

    ByteBuffer badRoute;
    badRoute.writeFloat(10.0f);
    badRoute.writeInt(kWar);
    badRoute.writeGameTime(GameTime());
    badRoute.writeInt(6);
    badRoute.writeGameTime(GameTime());
    EXPECT_FALSE(loaded.readRelationSaved(badRoute, 0));
    EXPECT_FLOAT_EQ(loaded.getRelation(0), 100.0f);
    ByteBuffer cut(b.data(), 43);
    EXPECT_FALSE(loaded.readRelationSaved(cut, 9));
    EXPECT_EQ(loaded.getRelationCount(), 5);
}
