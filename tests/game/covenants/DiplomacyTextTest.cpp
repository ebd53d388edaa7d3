#include "game/covenants/DiplomacyText.h"
#include "engine/core/Random.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantTestData.h"

namespace {

class DiplomacyTextTest : public CovenantTestData {
protected:
    DiplomacyTextTest() : CovenantTestData(true)
    {
        localization.load(Localization::kDefaultLanguage);
        ironbound.setDefinitionByName("Ironbound");
    }

    int response(CovenantResponse r) const { return static_cast<int>(r); }

    Localization localization;
    CovenantBase ironbound;
};

} // namespace

TEST_F(DiplomacyTextTest, LinesCarryTheResponseColour)
{
    ASSERT_TRUE(loaded);
    ASSERT_GE(ironbound.definitionIndex, 0);
    for (int i = 0; i < 10; ++i) {
        std::string good = getDiplomacyResponseText(&ironbound, response(CovenantResponse::OfferGood), "");
        ASSERT_EQ(good.rfind("^c002$$DipIronboundOfferGood", 0), 0u) << good;
        std::string shown = localization.translateCopy(good);
        EXPECT_EQ(shown.find("$$"), std::string::npos) << shown;
        EXPECT_GT(shown.size(), 5u);

        std::string accepted =
            getDiplomacyResponseText(&ironbound, response(CovenantResponse::TradeAccepted), "");
        EXPECT_EQ(accepted.rfind("$$DipIronboundTradeAccepted", 0), 0u) << accepted;
        std::string close = getDiplomacyResponseText(&ironbound, response(CovenantResponse::OfferClose), "");
        EXPECT_EQ(close.rfind("^c005", 0), 0u) << close;
        std::string rejected =
            getDiplomacyResponseText(&ironbound, response(CovenantResponse::DemandRejected), "");
        EXPECT_EQ(rejected.rfind("^c001", 0), 0u) << rejected;
    }
}

TEST_F(DiplomacyTextTest, SuffixedListsFallBackToThePlainOne)
{
    ASSERT_TRUE(loaded);
    int bad = response(CovenantResponse::OfferBad);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(
            getDiplomacyResponseText(&ironbound, bad, "Hated").rfind("^c001$$DipIronboundOfferBadHated", 0),
            0u);
        std::string plain = getDiplomacyResponseText(&ironbound, bad, "Friendly");
        EXPECT_EQ(plain.rfind("^c001$$DipIronboundOfferBad", 0), 0u);
        EXPECT_EQ(plain.find("Hated"), std::string::npos);
    }
    std::string line = localization.translateCopy(getDiplomacyResponseText(&ironbound, bad, ""));
    EXPECT_TRUE(line == "^c001Keep your scraps. Come back with steel." ||
                line == "^c001You insult the forge with that.")
        << line;
}

TEST_F(DiplomacyTextTest, MissingCovenantsAndListsGiveNothing)
{
    ASSERT_TRUE(loaded);
    int good = response(CovenantResponse::OfferGood);
    EXPECT_EQ(getDiplomacyResponseText(nullptr, good, ""), "");
    CovenantBase none;
    EXPECT_EQ(getDiplomacyResponseText(&none, good, ""), "");
    EXPECT_EQ(getDiplomacyResponseText(&ironbound, 21, ""), "");
    EXPECT_EQ(getRandomResponseText(&ironbound, "DiplomacyTextResponseNoSuchList"), "");

    CovenantBase fixture;
    fixture.setDefinitionByName("CovFixtureOneLine");
    ASSERT_GE(fixture.definitionIndex, 0);
    EXPECT_EQ(getDiplomacyResponseText(&fixture, good, ""), ""); // no list, no colour code alone
    Random::setState(0, 12345u);
    EXPECT_EQ(getDiplomacyResponseText(&fixture, response(CovenantResponse::Trade), ""), "$$DipTrade1$$");
    uint32_t after = Random::getState(0);
    Random::setState(0, 12345u);
    randomFloat(0);
    EXPECT_EQ(Random::getState(0), after);
}
