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
    std::vector<ListEntry> list;
    CharacterCommands::getNumCovenantOptions(list);
    const GameRules& rules = world.data->rules();
    ASSERT_EQ(list.size(),
              static_cast<size_t>(std::max(0, rules.maxAiCovenants - rules.minAiCovenants + 1) + 1));
    EXPECT_EQ(list[0].name, "Random");
    EXPECT_EQ(list[0].value, "0");
    if (list.size() > 1) {
        EXPECT_EQ(list[1].name, std::to_string(rules.minAiCovenants) + " covenants");
        EXPECT_EQ(list.back().value, std::to_string(rules.maxAiCovenants));
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
}

TEST_F(CharacterCommandsTest, DeleteTakesEveryFileOfTheNameRuleOnly)
{
    saveCharacter("Aldric", 3, 0, "Oak");
    PlayerCovenantClient().saveHistory("Aldric");
    world.vars.setVar("resumeGameChar", "aLDRIC");

    world.vars.setVar("PlayerName", "../Aldric*");
    CharacterCommands::deleteCharacter({});
    EXPECT_TRUE(std::filesystem::exists(user("chars/Aldric.chr")));
    EXPECT_EQ(var("resumeGameChar"), "aLDRIC");

    world.vars.setVar("PlayerName", "Aldric");
    CharacterCommands::deleteCharacter({});
    EXPECT_FALSE(std::filesystem::exists(user("chars/Aldric.chr")));
    EXPECT_FALSE(std::filesystem::exists(user("chars/Aldric.his")));
    EXPECT_EQ(var("resumeGameChar"), "");
}
