// The character list, covenant choices, random names, parsing and deleting
// saved characters.
#include "client/player/CharacterCommands.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/Random.h"
#include "engine/data/NameGenerator.h"
#include "support/TestEntityMirror.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

class CharacterCommandsTest : public ::testing::Test {
protected:
    CharacterCommandsTest() { GameClient::registerCommands(); }
    ~CharacterCommandsTest() override { GameClient::destroy(); }

    // Saves a character of that level and class.
    void saveCharacter(const std::string& name, int level, int classId, const std::string& covenantName)
    {
        auto mirror = std::make_unique<TestEntityMirror>();
        mirror->setMaxHealth(10);
        mirror->setHealth(10);
        GameClient::get().setEntity(3, std::move(mirror));
        PlayerCovenantClient covenant;
        covenant.name = covenantName;
        PlayerClient player;
        player.setPlayerEntityNumber(3);
        player.setName(name);
        player.stats.set(PlayerClient::kStatLevel, level);
        player.stats.set(PlayerClient::kStatClass, classId);
        ASSERT_TRUE(player.save(&covenant, name));
    }
    std::filesystem::path user(const std::string& name) const { return world.temp.path() / name; }
    std::string var(const char* name) const
    {
        const UserVar* v = world.vars.findVar(name);
        return v ? v->getString() : "";
    }

    TestWorld world{true, false};
    Client client;
    NameGenerator names;
};

} // namespace

TEST_F(CharacterCommandsTest, CharacterListSurvivesDamagedFiles)
{
    std::vector<ListEntry> list;
    CharacterCommands::getAvailableCharacters(list);
    EXPECT_TRUE(list.empty());

    saveCharacter("Aldric", 7, 3, "Red Hand");
    saveCharacter("Bera", 2, 0, "Oak");
    std::vector<uint8_t> bytes = readFileBytes(user("chars/Bera.chr"));
    bytes.resize(bytes.size() / 2);
    writeFileBytes(user("chars/Bera.chr"), bytes);
    world.log.clear();
    CharacterCommands::getAvailableCharacters(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].value, "Aldric");
    EXPECT_EQ(list[0].name.rfind("Aldric (Red Hand)\n  level 7 ", 0), 0u) << list[0].name;
    EXPECT_EQ(list[1].value, "Bera");
    EXPECT_EQ(list[1].name, "Bera ()\n  level 0 Warrior") << list[1].name; // a fresh mirror
    EXPECT_TRUE(world.log.contains("chars/Bera.chr: ", 2));

    world.vars.setVar("PlayerName", "Aldric");
    CharacterCommands::parseCharacter({});
    EXPECT_EQ(var("ParsedCharacterLevel"), "7");
}

TEST_F(CharacterCommandsTest, CovenantChoicesFollowTheRules)
{
    GameRules& rules = GameData::get().mutableRules();
    struct Row {
        int min, max;
        std::vector<std::string> names;
    };
    const Row rows[] = {{2, 4, {"Random", "2 covenants", "3 covenants", "4 covenants"}}, {3, 2, {"Random"}}};
    for (const Row& row : rows) {
        rules.minAiCovenants = row.min;
        rules.maxAiCovenants = row.max;
        std::vector<ListEntry> list;
        CharacterCommands::getNumCovenantOptions(list);
        std::vector<std::string> names;
        std::vector<std::string> values;
        for (const ListEntry& e : list) {
            names.push_back(e.name);
            values.push_back(e.value);
        }
        EXPECT_EQ(names, row.names) << row.min << "-" << row.max;
        EXPECT_EQ(values.front(), "0");
        if (values.size() > 1) {
            EXPECT_EQ(values, (std::vector<std::string>{"0", "2", "3", "4"}));
        }
    }
}

TEST_F(CharacterCommandsTest, RandomNameLeavesTheWorldStreamAlone)
{
    Random::setState(0, 1234);
    Random::setState(4, 99);
    world.vars.setVar("PlayerClass", "$$ClassMage$$");
    CharacterCommands::randomPlayerName({});
    EXPECT_FALSE(var("PlayerName").empty());
    EXPECT_EQ(Random::getState(0), 1234u);
    EXPECT_NE(Random::getState(4), 99u);

    // The list follows the class: priests draw women's names, mages and an
    // unknown class men's.
    constexpr uint32_t kSeed = 4321;
    const auto drawn = [this](const char* list) {
        Random::setState(4, kSeed);
        return names.generateName(list, Random::next(4));
    };
    const std::string male = drawn("npcsMale");
    const std::string female = drawn("npcsFemale");
    ASSERT_NE(male, female);
    for (const auto& [playerClass, expected] :
         {std::pair<const char*, std::string>{"$$ClassPriest$$", female},
          {"$$ClassMage$$", male},
          {"$$ClassNobody$$", male}}) {
        world.vars.setVar("PlayerClass", playerClass);
        Random::setState(4, kSeed);
        CharacterCommands::randomPlayerName({});
        EXPECT_EQ(var("PlayerName"), expected) << playerClass;
    }
}

TEST_F(CharacterCommandsTest, DeleteTakesEveryFileOfTheNameRuleOnly)
{
    saveCharacter("Aldric", 3, 0, "Oak");
    PlayerCovenantClient().saveHistory("Aldric");
    for (const char* other : {"chars/Aldric.map", "chars/Aldric.wld", "chars/x.chr", "x.chr"}) {
        writeFileBytes(user(other), {1, 2, 3});
    }
    const auto exists = [this](const char* name) { return std::filesystem::exists(user(name)); };
    world.vars.setVar("resumeGameChar", "ALDRIC");

    // Names the rule refuses delete nothing; "../x" is read as "x".
    for (const char* refused : {"../Aldric*", "a<b"}) {
        world.vars.setVar("PlayerName", refused);
        CharacterCommands::deleteCharacter({});
        EXPECT_TRUE(exists("chars/Aldric.chr")) << refused;
        EXPECT_EQ(var("resumeGameChar"), "ALDRIC") << refused;
    }
    world.vars.setVar("PlayerName", "../x");
    CharacterCommands::deleteCharacter({});
    EXPECT_FALSE(exists("chars/x.chr"));
    EXPECT_TRUE(exists("x.chr")) << "nothing outside chars/";

    world.vars.setVar("PlayerName", "Aldric");
    CharacterCommands::deleteCharacter({});
    for (const char* gone :
         {"chars/Aldric.chr", "chars/Aldric.his", "chars/Aldric.map", "chars/Aldric.wld"}) {
        EXPECT_FALSE(exists(gone)) << gone;
    }
    EXPECT_EQ(var("resumeGameChar"), "");
}
