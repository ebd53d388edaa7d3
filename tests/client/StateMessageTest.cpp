#include "client/StateMessage.h"
#include "client/ServerMessages.h"
#include "game/definitions/GateList.h"
#include "support/ClientMessageBytes.h"

#include <gtest/gtest.h>

namespace CMB = ClientMessageBytes;

namespace {

// Reads a message 3 the way the client does: type first, then the body.
bool readState(const ByteBuffer& bytes, StateMessage& out, MessageError& error)
{
    ByteBuffer in(bytes.bytes());
    EXPECT_EQ(in.readUInt(), 3u);
    return readStateMessage(in, out, error);
}

CMB::StateValues fullState()
{
    CMB::StateValues s;
    s.names = {{3, "Models/a.mdl"}, {70, "Models/b.mdl"}};
    s.lines = {"set clientProbe 5", "dmg 3 +10"};
    s.entities = {4, 999};
    s.game.time.hours = 3;
    s.game.time.seconds = 12.5f;
    s.game.v3 = 2;
    s.game.covenants = 2;
    s.game.v4 = 7.5f;
    s.game.named = {{11, "Alpha"}, {12, "Beta"}};
    s.game.quests = {2, -1, 0};
    s.game.v1 = 1.25f;
    s.game.v2 = 0.75f;
    s.game.allied = true;
    s.sounds = {{3, 4, 50.0f}, {kMessageEndMark, 5, 0.0f}};
    return s;
}

} // namespace

TEST(StateMessage, FullMessageIsReadToItsLastByte)
{
    ByteBuffer bytes = CMB::state(fullState());
    StateMessage state;
    MessageError error;
    ASSERT_TRUE(readState(bytes, state, error)) << error.field << " at " << error.offset;
    EXPECT_EQ(state.playerLevel, kMessageEndMark);
    ASSERT_EQ(state.names.size(), 2u);
    EXPECT_EQ(state.names[1].index, 70u);
    EXPECT_EQ(state.names[1].name, "Models/b.mdl");
    EXPECT_EQ(state.lines, (std::vector<std::string>{"set clientProbe 5", "dmg 3 +10"}));
    ASSERT_EQ(state.entities.size(), 2u);
    EXPECT_EQ(state.entities[1].number, 999u);
    EXPECT_EQ(state.entities[0].health, 60);
    EXPECT_FLOAT_EQ(state.entities[0].position.x, 104.0f);
    EXPECT_EQ(state.entities[0].visualFlags.size(), 8u);
    EXPECT_EQ(state.entities[0].typeSection.kind, EntityTypeSection::Kind::None);
    const GameSectionRecord& g = state.game;
    EXPECT_EQ(g.time.hours, 3);
    EXPECT_FLOAT_EQ(g.time.seconds, 12.5f);
    EXPECT_EQ(g.valueV3, 2u);
    ASSERT_EQ(g.covenants.size(), 2u);
    EXPECT_EQ(g.covenants[1].name, "Covenant 1");
    EXPECT_EQ(g.covenants[1].relations.size(), 2u);
    EXPECT_EQ(g.covenants[1].questState, 7);
    EXPECT_EQ(g.covenants[1].raidTarget, -1);
    EXPECT_FLOAT_EQ(g.valueV4, 7.5f);
    ASSERT_EQ(g.namedValues.size(), 2u);
    EXPECT_EQ(g.namedValues[1].first, 12u);
    EXPECT_EQ(g.namedValues[1].second, "Beta");
    ASSERT_EQ(g.quests.size(), 3u);
    EXPECT_TRUE(g.quests[0].present);
    EXPECT_FALSE(g.quests[1].present);
    EXPECT_TRUE(g.quests[2].present);
    // The fixed part of a quest with a monster type is 52 bytes; each target adds 8.
    EXPECT_EQ(g.quests[0].image.size(), 52u + 16u);
    EXPECT_EQ(g.quests[2].image.size(), 52u);
    EXPECT_FLOAT_EQ(g.valueV1, 1.25f);
    EXPECT_FLOAT_EQ(g.valueV2, 0.75f);
    EXPECT_FLOAT_EQ(g.windY, -2.0f);
    EXPECT_TRUE(g.alliedVictory);
    ASSERT_EQ(state.sounds.size(), 2u);
    EXPECT_EQ(state.sounds[0].owner, 4u);
    EXPECT_FLOAT_EQ(state.sounds[0].minimumDistance, 50.0f);
    EXPECT_EQ(state.sounds[1].nameIndex, kMessageEndMark);
}

TEST(StateMessage, EmptyMessageIsEightyFourBytes)
{
    ByteBuffer bytes = CMB::state({});
    EXPECT_EQ(bytes.size(), 84u);
    StateMessage state;
    MessageError error;
    EXPECT_TRUE(readState(bytes, state, error));
    EXPECT_TRUE(state.sounds.empty());
}

TEST(StateMessage, PlainEntityRecordIs152Bytes)
{
    ByteBuffer one;
    CMB::writeEntity(one, 7);
    EXPECT_EQ(one.size(), 152u);
}

TEST(StateMessage, EveryTruncationIsRefused)
{
    ByteBuffer bytes = CMB::state(fullState());
    for (size_t length = 4; length < bytes.size(); ++length) {
        ByteBuffer cut(bytes.data(), length);
        StateMessage state;
        MessageError error;
        EXPECT_FALSE(readState(cut, state, error)) << "length " << length;
        EXPECT_FALSE(error.field.empty());
        EXPECT_LE(error.offset, length);
    }
}

TEST(StateMessage, EveryCountRaisedByOneIsRefused)
{
    std::vector<size_t> counts;
    CMB::countOffsets = &counts;
    ByteBuffer bytes = CMB::state(fullState());
    CMB::countOffsets = nullptr;
    ASSERT_GE(counts.size(), 10u);
    for (size_t at : counts) {
        std::vector<uint8_t> raw = bytes.bytes();
        ByteBuffer word(raw.data() + at, 4);
        uint32_t value = word.readUInt() + 1;
        ByteBuffer patched;
        patched.writeInt(value);
        std::copy(patched.data(), patched.data() + 4, raw.begin() + static_cast<long>(at));
        StateMessage state;
        MessageError error;
        EXPECT_FALSE(readState(ByteBuffer(raw), state, error))
            << "count at byte " << at << " of " << bytes.size() << ", " << state.sounds.size() << " sounds";
    }
}

TEST(StateMessage, BoundsMakeTheMessageMalformed)
{
    {
        CMB::StateValues s;
        s.names = {{65536, "x.mdl"}};
        StateMessage state;
        MessageError error;
        EXPECT_FALSE(readState(CMB::state(s), state, error));
        EXPECT_NE(error.field.find("resource name index"), std::string::npos);
        EXPECT_EQ(error.offset, 8u);
    }
    {
        CMB::StateValues s;
        s.names = {{65535, "x.mdl"}};
        StateMessage state;
        MessageError error;
        EXPECT_TRUE(readState(CMB::state(s), state, error));
    }
    {
        CMB::StateValues s;
        s.entities = {1000};
        StateMessage state;
        MessageError error;
        EXPECT_FALSE(readState(CMB::state(s), state, error));
        EXPECT_NE(error.field.find("entity number"), std::string::npos);
    }
}

TEST(StateMessage, TrailingBytesAreRefused)
{
    ByteBuffer bytes = CMB::state({});
    bytes.writeInt(uint32_t(0));
    StateMessage state;
    MessageError error;
    EXPECT_FALSE(readState(bytes, state, error));
    EXPECT_EQ(error.offset, 84u);
}

namespace {

class ThreeGates : public GateSource {
public:
    void collectGates(std::vector<GateLocation>& out) const override { out = {{1, 0}, {2, 0}, {3, 1}}; }
};

// A message with both player sections; the world has three gates.
class PlayerSectionsTest : public ::testing::Test {
protected:
    PlayerSectionsTest() { GateList::setWorldSource(&gates); }
    ~PlayerSectionsTest() override { GateList::setWorldSource(nullptr); }

    static CMB::StateValues withPlayer()
    {
        CMB::StateValues s = fullState();
        CMB::PlayerValues p;
        p.recruits = 2;
        p.candidate = true;
        p.party = {4, 999};
        p.gateFlags = 3;
        s.player = p;
        return s;
    }

    ThreeGates gates;
};

} // namespace

TEST_F(PlayerSectionsTest, BothSectionsAreScannedToTheSoundRecords)
{
    ByteBuffer bytes = CMB::state(withPlayer());
    StateMessage state;
    MessageError error;
    ASSERT_TRUE(readState(bytes, state, error)) << error.field << " at " << error.offset;
    EXPECT_EQ(state.playerLevel, 4u);
    EXPECT_TRUE(state.hasPlayerSections);
    EXPECT_GT(state.covenantSection.size(), 2u * 4u * 113u);
    EXPECT_EQ(state.playerSection.begin, state.covenantSection.end);
    EXPECT_GT(state.playerSection.size(), 0u);
    ASSERT_EQ(state.sounds.size(), 2u);
    EXPECT_EQ(state.sounds[0].nameIndex, 3u);

    // The player's sections alone are refused when the world has another
    // gate count: the flags carry no count of their own.
    GateList::setWorldSource(nullptr);
    EXPECT_FALSE(readState(bytes, state, error));
}

TEST_F(PlayerSectionsTest, NoCandidateAndNoRecruitsStillFit)
{
    CMB::StateValues s = withPlayer();
    s.player->recruits = 0;
    s.player->candidate = false;
    s.player->explored = 0;
    s.player->hints = 0;
    StateMessage state;
    MessageError error;
    ASSERT_TRUE(readState(CMB::state(s), state, error)) << error.field << " at " << error.offset;
    EXPECT_TRUE(state.hasPlayerSections);
}

TEST_F(PlayerSectionsTest, EveryTruncationAndOversizedCountIsRefused)
{
    std::vector<size_t> counts;
    CMB::countOffsets = &counts;
    ByteBuffer bytes = CMB::state(withPlayer());
    CMB::countOffsets = nullptr;
    for (size_t length = 4; length < bytes.size(); ++length) {
        ByteBuffer cut(bytes.data(), length);
        StateMessage state;
        MessageError error;
        ASSERT_FALSE(readState(cut, state, error)) << "length " << length;
        EXPECT_FALSE(error.field.empty());
    }
    // Recruits, their effect and skill lists, party, quest targets, explored
    // levels and hints: a count beyond the bytes left is refused before
    // anything is read for it.
    StateMessage whole;
    MessageError error;
    ASSERT_TRUE(readState(bytes, whole, error));
    int checked = 0;
    for (size_t at : counts) {
        if (at < whole.covenantSection.begin || at >= whole.playerSection.end) {
            continue;
        }
        std::vector<uint8_t> raw = bytes.bytes();
        ByteBuffer patched;
        patched.writeInt(uint32_t(0x10000000u));
        std::copy(patched.data(), patched.data() + 4, raw.begin() + static_cast<long>(at));
        StateMessage state;
        EXPECT_FALSE(readState(ByteBuffer(raw), state, error)) << "count at byte " << at;
        ++checked;
    }
    EXPECT_EQ(checked, 1 + 2 * 2 + 2 + 1 + 6 + 2); // recruits, 2 × 2 lists, candidate's 2, party, quests, 2
}

TEST(ServerMessages, WorldInfoJoinedAndNewWorldWholeOrNothing)
{
    ByteBuffer info;
    info.writeInt(uint32_t(2));
    info.writeInt(uint32_t(3));
    info.writeInt(uint32_t(4));
    ByteBuffer joined = CMB::joined(0, {{1, "Models/a.mdl"}, {5, "Models/b.mdl"}});
    ByteBuffer world;
    world.writeInt(uint32_t(6));
    world.writeInt(uint32_t(1));
    world.writeInt(uint32_t(2));
    world.writeInt(uint32_t(3));

    auto readInfo = [](ByteBuffer in, MessageError& e) {
        in.readUInt();
        WorldInfoMessage m;
        return readWorldInfoMessage(in, m, e);
    };
    auto readJoined = [](ByteBuffer in, MessageError& e) {
        in.readUInt();
        JoinAcceptedMessage m;
        bool ok = readJoinAcceptedMessage(in, m, e);
        if (ok) {
            EXPECT_EQ(m.names.size(), 2u);
            EXPECT_EQ(m.layoutSeed, 77u);
        }
        return ok;
    };
    auto readWorld = [](ByteBuffer in, MessageError& e) {
        in.readUInt();
        NewWorldMessage m;
        bool ok = readNewWorldMessage(in, m, e);
        if (ok) {
            EXPECT_EQ(m.secretSeed, 3u);
        }
        return ok;
    };
    MessageError error;
    EXPECT_TRUE(readInfo(info, error));
    EXPECT_TRUE(readJoined(joined, error));
    EXPECT_TRUE(readWorld(world, error));
    for (size_t length = 4; length < info.size(); ++length) {
        EXPECT_FALSE(readInfo(ByteBuffer(info.data(), length), error)) << length;
    }
    for (size_t length = 4; length < joined.size(); ++length) {
        EXPECT_FALSE(readJoined(ByteBuffer(joined.data(), length), error)) << length;
    }
    for (size_t length = 4; length < world.size(); ++length) {
        EXPECT_FALSE(readWorld(ByteBuffer(world.data(), length), error)) << length;
    }
}
