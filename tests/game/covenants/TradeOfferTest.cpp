#include "game/covenants/TradeOffer.h"
#include "engine/core/ByteBuffer.h"
#include "game/definitions/GameEnums.h"

#include <gtest/gtest.h>

namespace {

constexpr int kind(TradeTermKind k)
{
    return static_cast<int>(k);
}

} // namespace

TEST(TradeOfferTest, AddSwapAndItemOnly)
{
    TradeOffer offer;
    EXPECT_TRUE(offer.hasOnlyItemTerms());
    offer.addEntry(kind(TradeTermKind::TermGold), 0, 0);
    EXPECT_TRUE(offer.terms.empty());
    offer.addEntry(kind(TradeTermKind::TermCrystals), 0, 1);
    ASSERT_EQ(offer.terms.size(), 1u);
    offer.addEntry(kind(TradeTermKind::TermPeace), 0, 2);
    EXPECT_FALSE(offer.hasOnlyItemTerms());

    TradeOffer before = offer;
    offer.swapSides();
    EXPECT_EQ(offer.terms[0].side, 0);
    EXPECT_EQ(offer.terms[1].side, 2);
    offer.swapSides();
    EXPECT_EQ(offer.terms, before.terms);

    TradeOffer items;
    items.addEntry(kind(TradeTermKind::TermGold), 30, 0);
    items.addEntry(kind(TradeTermKind::TermItem), TradeTerm::itemPlace(24, 5), 1);
    EXPECT_TRUE(items.hasOnlyItemTerms());
}

TEST(TradeOfferTest, PackedValues)
{
    EXPECT_EQ(TradeTerm::thirdParty(3, static_cast<int>(CovenantTreaty::War)), 196610);
    int index = 0, action = 0;
    TradeTerm::readThirdParty(196610, index, action);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(action, 2);
    EXPECT_EQ(TradeTerm::itemPlace(24, 5), 327704);
    int group = 0, slot = 0;
    TradeTerm::readItemPlace(327704, group, slot);
    EXPECT_EQ(group, 24);
    EXPECT_EQ(slot, 5);
    TradeTerm::readThirdParty(TradeTerm::thirdParty(31, 10), index, action);
    EXPECT_EQ(index, 31);
    EXPECT_EQ(action, 10);

    EXPECT_EQ(TradeOffer::treatyOfKind(kind(TradeTermKind::TermPeace)), 1);
    EXPECT_EQ(TradeOffer::treatyOfKind(kind(TradeTermKind::TermNonAggressionPact)), 4);
    EXPECT_EQ(TradeOffer::treatyOfKind(kind(TradeTermKind::TermMutualProtectionPact)), 5);
    EXPECT_EQ(TradeOffer::treatyOfKind(kind(TradeTermKind::TermAlliance)), 6);
    EXPECT_EQ(TradeOffer::treatyOfKind(kind(TradeTermKind::TermGold)), 0);
}

TEST(TradeOfferTest, WellFormedTerms)
{
    auto term = [](int side, TradeTermKind k, int value) { return TradeTerm{side, kind(k), value}; };
    EXPECT_FALSE(term(0, TradeTermKind::TermGold, -1).isWellFormed());
    EXPECT_FALSE(term(3, TradeTermKind::TermGold, 5).isWellFormed());
    EXPECT_FALSE(term(0, TradeTermKind::TermInfluence, -5).isWellFormed());
    EXPECT_FALSE(term(2, TradeTermKind::TermItem, 0).isWellFormed());
    EXPECT_FALSE(term(0, TradeTermKind::TermTradeRoute, 6).isWellFormed());
    EXPECT_FALSE(term(0, TradeTermKind::TermTradeRoute, 0).isWellFormed());
    EXPECT_TRUE(term(0, TradeTermKind::TermTradeRoute, 5).isWellFormed());
    EXPECT_TRUE(term(1, TradeTermKind::TermCrystals, 0).isWellFormed());
    EXPECT_TRUE(term(2, TradeTermKind::TermAlliance, 0).isWellFormed());
    EXPECT_TRUE((TradeTerm{0, 12, -7}).isWellFormed());
}

TEST(TradeOfferTest, TermListBytes)
{
    TradeOffer offer;
    offer.addEntry(kind(TradeTermKind::TermGold), 150, 0);
    offer.addEntry(kind(TradeTermKind::TermItem), 327704, 1);
    ByteBuffer b;
    offer.writeTerms(b);
    EXPECT_EQ(b.bytes(),
              std::vector<uint8_t>({0x02, 0, 0,    0, 0, 0, 0,    0, 0x06, 0, 0,    0,    0x96, 0,
                                    0,    0, 0x01, 0, 0, 0, 0x07, 0, 0,    0, 0x18, 0x00, 0x05, 0x00}));
    TradeOffer back;
    ASSERT_TRUE(back.readTerms(b));
    EXPECT_EQ(back.terms, offer.terms);
    EXPECT_TRUE(back.onlyItems);

    // A count the bytes cannot hold, a cut term or an ill-formed one: unchanged.
    TradeOffer kept;
    kept.addEntry(kind(TradeTermKind::TermCrystals), 4, 0);
    ByteBuffer huge;
    huge.writeInt(3u);
    huge.writeInt(0);
    huge.writeInt(8);
    huge.writeInt(1);
    EXPECT_FALSE(kept.readTerms(huge));
    ByteBuffer cut(b.data(), b.size() - 1);
    EXPECT_FALSE(kept.readTerms(cut));
    ByteBuffer negative;
    negative.writeInt(1u);
    negative.writeInt(0);
    negative.writeInt(kind(TradeTermKind::TermGold));
    negative.writeInt(-1);
    EXPECT_FALSE(kept.readTerms(negative));
    ASSERT_EQ(kept.terms.size(), 1u);
    EXPECT_EQ(kept.terms[0].value, 4);
    EXPECT_FALSE(kept.onlyItems);

    ByteBuffer empty;
    empty.writeInt(0u);
    ASSERT_TRUE(kept.readTerms(empty));
    EXPECT_TRUE(kept.terms.empty());
    EXPECT_TRUE(kept.onlyItems);
}
