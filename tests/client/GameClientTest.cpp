#include "client/GameClient.h"
#include "client/Client.h"
#include "client/StateMessage.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class GameClientTest : public ::testing::Test {
protected:
    GameClientTest() : files(gameDataPath(), user.path().string()) {}
    ~GameClientTest() override { GameClient::destroy(); }

    // Loaded by a first (empty) state message.
    void load()
    {
        StateMessage state;
        GameClient::get().readStateUpdate(state);
        ASSERT_TRUE(GameClient::get().isLoaded());
    }
    // The updates (1-based) in which an automatic save happened.
    std::vector<int> savesOver(int updates, float seconds)
    {
        std::vector<int> at;
        unsigned saves = GameClient::get().getAutomaticSaveCount();
        for (int i = 1; i <= updates; ++i) {
            GameClient::get().update(seconds);
            if (GameClient::get().getAutomaticSaveCount() != saves) {
                saves = GameClient::get().getAutomaticSaveCount();
                at.push_back(i);
            }
        }
        return at;
    }

    LogCapture log;
    TempDir user;
    FileSystem files;
    CommandSystem commands;
    UserVarSystem vars;
    Database database;
};

} // namespace

TEST_F(GameClientTest, MissingGameSystemLeavesNoSoundsNoThemeNoFade)
{
    GameClient::registerCommands();
    EXPECT_TRUE(log.contains("GameSystem database entry not found!", 3));
    for (int i = 0; i < GameClient::kSoundCount; ++i) {
        EXPECT_EQ(GameClient::get().getSound(i).getIndex(), -1);
    }
    EXPECT_TRUE(GameClient::get().getThemeMusicName().empty());
    EXPECT_EQ(GameClient::get().getMusicFadeTime(), 0.0f);
    EXPECT_TRUE(GameClient::get().getPrecache().empty());
}

TEST_F(GameClientTest, RegisteringTwiceMakesOneGameClient)
{
    GameClient::registerCommands();
    GameClient* first = GameClient::instance();
    vars.setVar("autoSaveTime", "42");
    GameClient::registerCommands();
    EXPECT_EQ(GameClient::instance(), first);
    EXPECT_EQ(getUserVarString("autoSaveTime"), "42");
    EXPECT_EQ(getUserVarString("ui_drawPlayerHelmet"), "1");
    EXPECT_TRUE(static_cast<bool>(commands.findCheckFunction("verifyCharName")));
}

TEST_F(GameClientTest, VerifyCharNameOrderAndRule)
{
    GameClient::registerCommands();
    auto check = commands.findCheckFunction("verifyCharName");
    ASSERT_TRUE(static_cast<bool>(check));
    auto refusal = [&](const char* covenant, const char* player) {
        vars.setVar("CovenantName", covenant);
        vars.setVar("PlayerName", player);
        vars.setVar("LastError", "");
        bool ok = check();
        return ok ? std::string("ok") : getUserVarString("LastError");
    };
    EXPECT_EQ(refusal("", ""), "$$ErrorCovenantNameEmpty$$");
    EXPECT_EQ(refusal("Red Hand", ""), "$$ErrorCharacterNameEmpty$$");
    EXPECT_EQ(refusal("Red Hand", "a/b"), "$$ErrorCharacterNameInvalid$$");
    EXPECT_EQ(refusal("Red Hand", "../x"), "$$ErrorCharacterNameInvalid$$");
    EXPECT_EQ(refusal("Red Hand", std::string(21, 'a').c_str()), "$$ErrorCharacterNameInvalid$$");
    EXPECT_EQ(refusal("Red/Hand", "Aldric"), "$$ErrorCovenantNameInvalid$$");
    EXPECT_EQ(refusal("Red Hand", std::string(20, 'a').c_str()), "ok");
    EXPECT_EQ(refusal("Red Hand", "Aldric"), "ok");
    user.write("chars/Aldric.chr", "x");
    EXPECT_EQ(refusal("Red Hand", "Aldric"), "$$ErrorCharacterNameUsed$$");
    EXPECT_EQ(refusal("Red Hand", "O'Neil-2"), "ok");
}

TEST_F(GameClientTest, AutosavePeriods)
{
    GameClient::registerCommands();
    vars.setVar("autoSaveTime", "1");
    // Not loaded: no autosave.
    EXPECT_TRUE(savesOver(8, 0.25f).empty());
    load();
    EXPECT_EQ(savesOver(13, 0.25f), (std::vector<int>{5, 9, 13}));

    GameClient::destroy();
    vars.setVar("autoSaveTime", "0");
    GameClient::registerCommands();
    load();
    EXPECT_TRUE(savesOver(40, 0.25f).empty());
}

TEST_F(GameClientTest, ShorterPeriodTakesEffectAfterTheRunningOne)
{
    GameClient::registerCommands();
    vars.setVar("autoSaveTime", "300");
    load();
    GameClient::get().update(1.0f); // starts the 300 s period
    EXPECT_TRUE(savesOver(100, 1.0f).empty());
    vars.setVar("autoSaveTime", "60");
    // The running period ends 300 s after it started; then every 60 s.
    EXPECT_EQ(savesOver(320, 1.0f), (std::vector<int>{200, 260, 320}));
}
