// A saved computer covenant's difficulty is one of Easy, Average and Hard: a
// file holding another index is refused with one line naming the file and
// the field's byte, and the file stays as it was.
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/files/FileSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "server/Server.h"
#include "support/HeadlessServer.h"
#include "support/TestCovenant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

TEST(CovenantDifficultySave, ADifficultyOutsideTheThreeIsRefusedAtItsByte)
{
    HeadlessServer server;
    Game& game = *server.game;
    Random::setState(0, 4242);
    server.generateWithOneComputerCovenant();
    ASSERT_EQ(game.getAiCovenantCount(), 1);
    auto* computer = dynamic_cast<ActorCovenant*>(game.getCovenant(0));
    ASSERT_NE(computer, nullptr);
    // A modifier no other field holds marks the place: the difficulty is the
    // int before it.
    const float mark = 1.2345678f;
    computer->difficultyModifier = mark;
    auto* covenant = new TestPlayerCovenant();
    covenant->setDefinitionByName("Human");
    game.addCovenant(std::unique_ptr<Covenant>(covenant));
    Player* player = addPlayerLeading(game, *covenant, GameData::get().getStartPosition());
    ASSERT_NE(player, nullptr);
    player->setName("Aldric");
    ASSERT_TRUE(game.saveCharacter());
    const std::string file = server.user.path().string() + "/chars/Aldric.wld";
    const std::vector<uint8_t> whole = HeadlessServer::savedBytes(file);
    uint8_t markBytes[4];
    std::memcpy(markBytes, &mark, 4);
    const auto at = std::search(whole.begin(), whole.end(), markBytes, markBytes + 4);
    ASSERT_NE(at, whole.end());
    const size_t difficultyAt = static_cast<size_t>(at - whole.begin()) - 4;
    int32_t saved = 0;
    std::memcpy(&saved, whole.data() + difficultyAt, 4);
    ASSERT_EQ(saved, computer->difficulty);

    setUserVar("PlayerName", "Aldric");
    for (int32_t difficulty : {3, -1, 2}) {
        SCOPED_TRACE(difficulty);
        std::vector<uint8_t> bytes = whole;
        std::memcpy(bytes.data() + difficultyAt, &difficulty, 4);
        writeFileBytes(file, bytes);
        game.clear();
        std::string error;
        const bool loaded = game.loadCharacter(error);
        EXPECT_EQ(HeadlessServer::savedBytes(file), bytes) << "the file on disk is unchanged";
        if (difficulty == 2) {
            EXPECT_TRUE(loaded) << error;
            continue;
        }
        EXPECT_FALSE(loaded);
        EXPECT_EQ(error.rfind("chars/Aldric.wld: ", 0), 0u) << error;
        EXPECT_NE(error.find("covenant difficulty at byte " + std::to_string(difficultyAt)),
                  std::string::npos)
            << error;
        EXPECT_EQ(game.getCovenantCount(), 0);
    }
}
