// Every format the server writes and the client reads, each with the test
// that runs the server's own writer into the client's own reader. The list is
// made from the code: the message types, the kinds of entity class section,
// the state-message writers defined in game/ and server/ (found as
// tests/layers/check_layers.sh finds includes) and the server's table of
// command lines. A format without a row fails; so does a row naming a test
// this program does not have, or a writer or line the code no longer has.
#include "client/mirrors/EntityTypeSection.h"
#include "engine/net/MessageTypes.h"

#include "game/world/ServerLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

struct Row {
    const char* format;
    const char* test; // "Suite.Name"
};

constexpr const char* kWorldMessages = "CrossReaders.ServerWorldMessagesReadAlikeByBoth";
constexpr const char* kStateMessages = "CrossReaders.ServerStateMessagesReadAlikeByBoth";
constexpr const char* kRoundTrip = "EntityMirrorRoundTrip.MirrorsHoldWhatTheServerWrote";
constexpr const char* kPlayerCovenant = "PlayerCovenantSection.EveryCaseReadsToItsEndOnTheClient";
constexpr const char* kCovenant = "GameSectionReadBack.ACovenantSectionIsParsedWholeAndNoPrefixOfIt";
constexpr const char* kObjects = "ObjectSections.ChestGateAndVendorAreReadToTheirEnd";
constexpr const char* kTravelLines = "ServerLinesCross.TravelLinesMoveAndTurnTheLocalPlayer";
constexpr const char* kCombatLines = "ServerLinesCross.CombatLinesReachTheMirrorsTheyName";
constexpr const char* kMessageLines = "ServerLinesCross.MessagesAndNpcChatArriveWhole";
constexpr const char* kDiplomacyLines = "ServerLinesCross.DiplomacyLinesReachThePendingOffers";

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

    {"writer Entity::writeUpdate", kRoundTrip},
    {"writer Sentient::writeSnapshot", kRoundTrip},
    {"writer Actor::writeSnapshot", "EntityMirrorRoundTrip.AQuestGiversOfferedListReachesItsMirror"},
    {"writer ItemGround::writeSnapshot", kRoundTrip},
    {"writer Projectile::writeSnapshot", kRoundTrip},
    {"writer Chest::writeSnapshot", kObjects},
    {"writer Gate::writeSnapshot", kObjects},
    {"writer Game::writeUpdate", kStateMessages},
    {"writer Game::writeQuestList", "GameSectionReadBack.TheServersQuestsReachTheClientsQuestMirrors"},
    {"writer Weather::writeUpdate", "GameSectionReadBack.TownNpcSlotsAndTheWeatherAtThePlayerReachTheClient"},
    {"writer Covenant::writeUpdate", kCovenant},
    {"writer CovenantBase::writeRelationEntry", kCovenant},
    {"writer PlayerCovenant::writeSnapshot", kPlayerCovenant},
    // Both the recruits and the candidate the player looks at (present, then gone).
    {"writer Recruit::writeSection", kPlayerCovenant},
    {"writer Player::writePlayerSection", "PlayerCross.ServerPlayerSectionParsesWhole"},
    {"writer Server::writeWorldIdentity", kWorldMessages},
    {"writer Server::writeNameTable", kWorldMessages},

    {"line msg", kMessageLines},
    {"line dmg", kCombatLines},
    {"line timer", kCombatLines},
    {"line itemTimer", kTravelLines},
    {"line usedSkill", kCombatLines},
    {"line warp", kTravelLines},
    {"line warpDir", kTravelLines},
    {"line npcChat", kMessageLines},
    {"line offerToPlayer", kDiplomacyLines},
    {"line dipRes", kDiplomacyLines},
    {"line offerExpired", kDiplomacyLines},
};

const char* kKindNames[] = {"None",      "Equipped", "Sentient",   "Item", "Money",
                            "QuestItem", "Chest",    "Projectile", "Gate", "Plain"};
static_assert(std::size(kKindNames) == static_cast<size_t>(EntityTypeSection::Kind::Plain) + 1,
              "a new kind of class section needs its name here and a row above");

bool hasRow(const std::string& format)
{
    for (const Row& row : kRows) {
        // "message 3:" stands for every row of that message.
        if (format == row.format || (format.back() == ':' && std::string(row.format).rfind(format, 0) == 0)) {
            return true;
        }
    }
    return false;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "writer Class::method" for each definition of a state-message writer in
// <root>/game and <root>/server (a definition starts at the line's start with
// its return type; calls and declarations are indented), and "line name" for
// each entry of the server's line table, "file:line" beside each.
std::vector<std::pair<std::string, std::string>> scanServerFormats(const std::filesystem::path& root)
{
    namespace fs = std::filesystem;
    static const std::regex writer(
        R"re(^[A-Za-z_][\w:<>&* ]*[ &*]([A-Za-z_]\w*)::(write(Snapshot|Update|Section|PlayerSection|QuestList|RelationEntry|WorldIdentity|NameTable))\s*\()re");
    static const std::regex line(R"re(^\s*\{ServerLine::\w+,\s*"([^"]+)"\},)re");
    std::vector<std::pair<std::string, std::string>> found;
    // The regular expressions run only on lines holding the marker: the
    // sanitizer build's regex takes seconds over every line of the tree.
    auto scanLines = [&](const fs::path& file, const std::regex& pattern, const char* kind,
                         const char* marker) {
        const std::string text = readFile(file);
        size_t number = 0;
        for (size_t begin = 0; begin < text.size();) {
            size_t end = text.find('\n', begin);
            if (end == std::string::npos) {
                end = text.size();
            }
            ++number;
            const std::string row = text.substr(begin, end - begin);
            std::smatch m;
            if (row.find(marker) != std::string::npos && std::regex_search(row, m, pattern)) {
                std::string name = m.size() > 3 ? m[1].str() + "::" + m[2].str() : m[1].str();
                found.emplace_back(std::string(kind) + " " + name,
                                   fs::relative(file, root).string() + ":" + std::to_string(number));
            }
            begin = end + 1;
        }
    };
    for (const char* top : {"game", "server"}) {
        if (!fs::is_directory(root / top)) {
            continue;
        }
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            if (entry.is_regular_file() && entry.path().extension() == ".cpp") {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            scanLines(file, writer, "writer", "::write");
        }
    }
    scanLines(root / "game/world/ServerLink.h", line, "line", "{ServerLine::");
    return found;
}

// The scanned formats that have no row, as "format (file:line)".
std::vector<std::string> formatsWithoutRow(const std::filesystem::path& root)
{
    std::vector<std::string> missing;
    for (const auto& [format, where] : scanServerFormats(root)) {
        if (!hasRow(format)) {
            missing.push_back(format + " (" + where + ")");
        }
    }
    return missing;
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
    for (const std::string& format : formatsWithoutRow(GLOAM_SOURCE_DIR)) {
        ADD_FAILURE() << format << " has no cross test";
    }
    std::set<std::string> scanned;
    for (const auto& found : scanServerFormats(GLOAM_SOURCE_DIR)) {
        scanned.insert(found.first);
    }
    for (const Row& row : kRows) {
        EXPECT_TRUE(testExists(row.test)) << row.format << ": no test " << row.test;
        const std::string format = row.format;
        if (format.rfind("writer ", 0) == 0 || format.rfind("line ", 0) == 0) {
            EXPECT_TRUE(scanned.count(format)) << format << ": the code has no such writer or line";
        }
    }
}

// The scan sees the line table as compiled, and in the fixture tree it finds
// exactly the new line and the new writer (not a call, a declaration or a
// comment naming one).
TEST(ServerFormats, TheScanFindsNewWritersAndLines)
{
    std::set<std::string> lines;
    for (const auto& [format, where] : scanServerFormats(GLOAM_SOURCE_DIR)) {
        if (format.rfind("line ", 0) == 0) {
            lines.insert(format.substr(5));
        }
    }
    std::set<std::string> compiled;
    for (const ServerLineName& entry : kServerLineNames) {
        compiled.insert(entry.name);
    }
    EXPECT_EQ(lines, compiled);

    EXPECT_EQ(formatsWithoutRow(std::string(GLOAM_TESTDATA_DIR) + "/serverformats"),
              (std::vector<std::string>{"writer Lantern::writeSection (game/entities/Lantern.cpp:7)",
                                        "line shout (game/world/ServerLink.h:10)"}));
}
