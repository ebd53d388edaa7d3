// Every format the server writes and the client reads, each with the test
// that runs the server's own writer into the client's own reader. A message
// type the server sends, or a kind of entity class section, without a row
// fails; so does a row naming a test this program does not have.
#include "client/mirrors/EntityTypeSection.h"
#include "engine/net/MessageTypes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Row {
    const char* format;
    const char* test; // "Suite.Name"
};

constexpr const char* kWorldMessages = "CrossReaders.ServerWorldMessagesReadAlikeByBoth";
constexpr const char* kStateMessages = "CrossReaders.ServerStateMessagesReadAlikeByBoth";
constexpr const char* kRoundTrip = "EntityMirrorRoundTrip.MirrorsHoldWhatTheServerWrote";

const Row kRows[] = {
    {"message 2: world info", kWorldMessages},
    {"message 5: join accepted", kWorldMessages},
    {"message 6: new world", kWorldMessages},
    {"message 3: state (names, lines, entity records, sounds)", kStateMessages},
    {"message 3: game section", kStateMessages},
    {"game section: town NPC slots and the weather",
     "GameSectionReadBack.TownNpcSlotsAndTheWeatherAtThePlayerReachTheClient"},
    {"game section: covenant", "GameSectionReadBack.ACovenantSectionIsParsedWholeAndNoPrefixOfIt"},
    {"game section: quest", "GameSectionReadBack.TheServersQuestsReachTheClientsQuestMirrors"},
    {"message 3: player covenant section", "PlayerCovenantSection.EveryCaseReadsToItsEndOnTheClient"},
    {"message 3: player section", "PlayerCross.ServerPlayerSectionParsesWhole"},
    {"class section: None", kRoundTrip},
    {"class section: Equipped", "ClientEndToEnd.JoinsExchangesMessagesPausesAndLeaves"},
    {"class section: Sentient", kRoundTrip},
    {"class section: Item", kRoundTrip},
    {"class section: Money", kRoundTrip},
    {"class section: QuestItem", kRoundTrip},
    {"class section: Chest", "ObjectSections.ChestGateAndVendorAreReadToTheirEnd"},
    {"class section: Projectile", kRoundTrip},
    {"class section: Gate", "ObjectSections.ChestGateAndVendorAreReadToTheirEnd"},
    {"class section: Plain", kRoundTrip},

};

const char* kKindNames[] = {"None",      "Equipped", "Sentient",   "Item", "Money",
                            "QuestItem", "Chest",    "Projectile", "Gate", "Plain"};
static_assert(std::size(kKindNames) == static_cast<size_t>(EntityTypeSection::Kind::Plain) + 1,
              "a new kind of class section needs its name here and a row above");

bool hasRow(const std::string& format)
{
    for (const Row& row : kRows) {
        if (format == row.format || std::string(row.format).rfind(format, 0) == 0) {
            return true;
        }
    }
    return false;
}

bool testExists(const std::string& name)
{
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    for (int i = 0; i < unit.total_test_suite_count(); ++i) {
        const ::testing::TestSuite& suite = *unit.GetTestSuite(i);
        for (int j = 0; j < suite.total_test_count(); ++j) {
            if (name == std::string(suite.name()) + "." + suite.GetTestInfo(j)->name()) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(ServerFormats, EveryFormatTheClientReadsHasItsCrossTest)
{
    // The message types: those the client sends, and those with a row.
    for (uint32_t type = 0; type <= MessageType::NewWorld; ++type) {
        if (type == MessageType::Hello || type == MessageType::Input || type == MessageType::Join) {
            continue;
        }
        EXPECT_TRUE(hasRow("message " + std::to_string(type) + ":"))
            << "message " << type << " has no cross test";
    }
    for (const char* kind : kKindNames) {
        EXPECT_TRUE(hasRow(std::string("class section: ") + kind)) << kind << " has no cross test";
    }
    for (const Row& row : kRows) {
        EXPECT_TRUE(testExists(row.test)) << row.format << ": no test " << row.test;
    }
}
