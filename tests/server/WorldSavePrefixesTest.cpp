// Every prefix of a saved world is refused whole: one line naming the file
// and the offset where the broken field starts, nothing left in the Game and
// the file as it was. Each refusal past the header lays out a world: a long
// run of its own.
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/world/Weather.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/TestCovenant.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class WorldSavePrefixes : public ::testing::Test {
protected:
    void TearDown() override { DebugSystem::get().removeSink(m_sink); }

    HeadlessServer server;
    size_t warnings = 0;
    int m_sink =
        DebugSystem::get().addSink([this](int level, const std::string&) { warnings += level >= 2 ? 1 : 0; });
};

TEST_F(WorldSavePrefixes, EveryCutOfASavedWorldIsRefusedWithOneLineAndLeavesNothing)
{
    Game& game = *server.game;
    Random::setState(0, 4242);
    // One computer covenant: every kind of record, in a file that keeps the
    // walk short.
    server.generateWithOneComputerCovenant();
    ASSERT_EQ(game.getAiCovenantCount(), 1);
    game.createTownNpcs();
    auto* covenant = new TestPlayerCovenant();
    covenant->setDefinitionByName("Human");
    game.addCovenant(std::unique_ptr<Covenant>(covenant));
    Player* player = addPlayerLeading(game, *covenant, GameData::get().getStartPosition());
    ASSERT_NE(player, nullptr);
    player->setName("Aldric");
    covenant->influence = {11, 22, 33, 44};
    covenant->setRelationState(0, 4);
    covenant->setRelationSubState(0, 2);
    game.getTownNpcAt(1)->setHealth(game.getTownNpcAt(1)->getMaxHealth() / 2);
    // A generated world's initial quests.
    game.setWorldGenerated(true);
    game.createInitialQuests();
    for (int i = 0; i < 200; ++i) {
        game.update(0.05f);
    }
    ASSERT_NE(game.weather().startFront(ZonePosition(1, 500.0f, 500.0f)), nullptr);
    game.addDynamicChat(3, "$$ChatEventRain1$$", 120.0f);
    game.addDynamicChat(9, "$$ChatEventPlayerDeath1~<Aldric@@>~$$", 300.5f);
    ASSERT_GT(game.getQuestTableSize(), 0);
    ASSERT_TRUE(game.saveCharacter());
    const std::string file = server.user.path().string() + "/chars/Aldric.wld";
    const std::vector<uint8_t> whole = HeadlessServer::savedBytes(file);
    ASSERT_GT(whole.size(), 1000u);

    // The whole file reads, chat lines and all.
    setUserVar("PlayerName", "Aldric");
    const std::vector<DynamicChatLine> chats = game.getDynamicChats();
    std::string error;
    game.clear();
    ASSERT_TRUE(game.loadCharacter(error)) << error;
    ASSERT_EQ(game.getDynamicChats().size(), chats.size());
    for (size_t i = 0; i < chats.size(); ++i) {
        EXPECT_EQ(game.getDynamicChats()[i].key, chats[i].key);
        EXPECT_EQ(game.getDynamicChats()[i].text, chats[i].text);
        EXPECT_EQ(game.getDynamicChats()[i].secondsLeft, chats[i].secondsLeft);
    }

    // Every shorter length: refused, one line, nothing left, the file untouched.
    const std::string head = "chars/Aldric.wld: offset ";
    int faults = 0;
    for (size_t cut = 0; cut < whole.size() && faults < 10; ++cut) {
        writeFileBytes(file, {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)});
        warnings = 0;
        const bool loaded = game.loadCharacter(error);
        const size_t offset = error.rfind(head, 0) == 0 ? std::stoul(error.substr(head.size())) : cut + 1;
        const std::vector<uint8_t> after = HeadlessServer::savedBytes(file);
        const bool untouched = after.size() == cut && std::equal(after.begin(), after.end(), whole.begin());
        if (loaded || offset > cut || warnings != 1 || game.getCovenantCount() != 0 ||
            game.getEntityCount() != 0 || !untouched) {
            ADD_FAILURE() << "cut " << cut << ": loaded " << loaded << ", \"" << error << "\", " << warnings
                          << " lines, " << game.getCovenantCount() << " covenants, " << game.getEntityCount()
                          << " entities, file " << (untouched ? "as it was" : "changed");
            ++faults;
        }
    }
}

} // namespace
