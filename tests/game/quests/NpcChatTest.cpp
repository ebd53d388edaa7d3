#include "game/quests/NpcChat.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "engine/data/Database.h"
#include "game/definitions/GameEnums.h"
#include "game/quests/DynamicChatLine.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

const char* const kChats = R"(Plain {
    Type NpcChat
    DialogType Normal
    MinLevel 1
    ChatText "ChatPlain"
}
Banded {
    Type NpcChat
    DialogType normal
    MinLevel 5
    MaxLevel 10
    ChanceEachChat 0.5
    ChatText "ChatOne"
    ChatText "ChatTwo"
    ChatText "ChatThree"
}
Silent {
    Type NpcChat
    DialogType Any
    MinLevel 0
    MaxLevel 100
    ChanceEachChat 3
}
Odd {
    Type NpcChat
    DialogType Singing
    MaxLevel 100
    Dynamic 1
    DynamicChance 0.25
    DynamicTimeLimit 300
    ChatText "ChatOdd"
}
)";

class NpcChats : public ::testing::Test {
protected:
    NpcChats()
    {
        database.addSubDatabase("NpcChat", "npcchat.dbl", kChats);
        database.resolveBases();
        for (const char* name : {"Plain", "Banded", "Silent", "Odd"}) {
            chats.emplace_back();
            chats.back().setEntry(database.findEntry(name), name);
            chats.back().loadFromDatabase();
        }
    }
    ~NpcChats() override { Random::setState(0, saved); }

    uint32_t saved = Random::getState(0);
    LogCapture log;
    Database database;
    std::vector<NpcChat> chats;
};

} // namespace

TEST_F(NpcChats, MatchesByTypeAndInclusiveLevelBand)
{
    const NpcChat& plain = chats[0];
    const NpcChat& banded = chats[1];
    const NpcChat& silent = chats[2];
    const int normal = toIndex(ChatDialogType::Normal);
    const int any = toIndex(ChatDialogType::Any);
    // Without MaxLevel the band is MinLevel … 0.
    EXPECT_FALSE(plain.matches(normal, 1));
    EXPECT_FALSE(plain.matches(normal, 0));
    EXPECT_TRUE(banded.matches(normal, 5));
    EXPECT_TRUE(banded.matches(normal, 10));
    EXPECT_FALSE(banded.matches(normal, 11));
    EXPECT_FALSE(banded.matches(normal, 4));
    // Any is answered by Normal entries only, never by Any ones.
    EXPECT_TRUE(banded.matches(any, 7));
    EXPECT_FALSE(silent.matches(any, 7));
    EXPECT_FALSE(silent.matches(normal, 7));
    EXPECT_FALSE(banded.matches(toIndex(ChatDialogType::Rain), 7));
}

TEST_F(NpcChats, AMissingMaxLevelMatchesLevelZeroOnly)
{
    NpcChat zero;
    zero.setEntry(database.findEntry("Odd"), "Odd");
    zero.loadFromDatabase();
    zero.maxLevel = 0.0f;
    EXPECT_TRUE(zero.matches(toIndex(ChatDialogType::Normal), 0));
    EXPECT_FALSE(zero.matches(toIndex(ChatDialogType::Normal), 1));
    EXPECT_FALSE(zero.matches(toIndex(ChatDialogType::Normal), -1));
}

TEST_F(NpcChats, WeightsAndTexts)
{
    EXPECT_FLOAT_EQ(chats[1].getWeight(), 1.5f);
    // No texts: no weight, no text and no draw.
    EXPECT_EQ(chats[2].getWeight(), 0.0f);
    Random::setState(0, 5);
    EXPECT_EQ(chats[2].pickText(), "");
    EXPECT_EQ(Random::getState(0), 5u);
    Random::setState(0, 0); // r = 0.00424
    EXPECT_EQ(chats[1].pickText(), "ChatOne");
    Random::setState(0, 549118299); // r = 0.97412 → 2.92
    EXPECT_EQ(chats[1].pickText(), "ChatThree");
}

TEST_F(NpcChats, AnUnknownDialogTypeIsReportedOnceAndReadsNormal)
{
    const NpcChat& odd = chats[3];
    EXPECT_EQ(odd.dialogType, toIndex(ChatDialogType::Normal));
    size_t lines = 0;
    for (const LogCapture::Line& line : log.lines())
        if (line.text.find("Unknown ChatDialogType name Singing") != std::string::npos)
            ++lines;
    EXPECT_EQ(lines, 1u);
    EXPECT_TRUE(odd.dynamic);
    EXPECT_FLOAT_EQ(odd.dynamicChance, 0.25f);
    EXPECT_FLOAT_EQ(odd.dynamicTimeLimit, 300.0f);
    EXPECT_FALSE(chats[1].dynamic);
}

TEST(DynamicChatLine, RoundTripsAndRefusesBadBytes)
{
    DynamicChatLine line{9, "ChatGuardRain", 300.5f};
    ByteBuffer buffer;
    line.write(buffer);
    ASSERT_EQ(buffer.size(), 22u);
    DynamicChatLine back;
    ASSERT_TRUE(back.read(buffer));
    EXPECT_EQ(back.key, 9u);
    EXPECT_EQ(back.text, "ChatGuardRain");
    EXPECT_EQ(back.secondsLeft, 300.5f);

    for (size_t cut = 0; cut < buffer.size(); ++cut) {
        ByteBuffer shorter(buffer.data(), cut);
        DynamicChatLine untouched{1, "Keep", 2.0f};
        EXPECT_FALSE(untouched.read(shorter)) << cut;
        EXPECT_EQ(untouched.text, "Keep");
        EXPECT_EQ(untouched.secondsLeft, 2.0f);
    }
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        ByteBuffer nan;
        DynamicChatLine{3, "ChatX", bad}.write(nan);
        DynamicChatLine untouched{1, "Keep", 2.0f};
        EXPECT_FALSE(untouched.read(nan));
        EXPECT_EQ(untouched.key, 1u);
    }
}
