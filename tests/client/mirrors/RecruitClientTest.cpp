// Recruit mirrors: the state image whole or nothing, the network image and
// the name taken from the recruit's entity mirror.
#include "client/mirrors/RecruitClient.h"
#include "client/GameClient.h"
#include "client/StateMessage.h"
#include "engine/core/ByteBuffer.h"
#include "game/definitions/InventoryBase.h"
#include "support/TestEntityMirror.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

class RecruitClientTest : public ::testing::Test {
protected:
    RecruitClientTest() { GameClient::registerCommands(); }
    ~RecruitClientTest() override { GameClient::destroy(); }

    // A state image: entry, stats, empty inventory, entity number, effects, value, skills.
    static ByteBuffer image(int32_t entry, int32_t number, std::vector<int32_t> effects, int32_t value,
                            std::vector<int32_t> skills)
    {
        ByteBuffer out;
        out.writeInt(entry);
        for (int i = 0; i < RecruitBase::kStatCount; ++i) {
            out.writeInt(int32_t(i * 3));
        }
        InventoryBase().write(out, false);
        out.writeInt(number);
        out.writeInt(static_cast<uint32_t>(effects.size()));
        for (int32_t e : effects) {
            out.writeInt(e);
        }
        out.writeInt(value);
        out.writeInt(static_cast<uint32_t>(skills.size()));
        for (int32_t s : skills) {
            out.writeInt(s);
        }
        return out;
    }
    TestEntityMirror& addMirror(int number, const char* entryName, int level)
    {
        auto mirror = std::make_unique<TestEntityMirror>();
        EntityUpdateRecord r;
        r.model = kMessageEndMark;
        r.entryId = static_cast<uint32_t>(world.database.findEntry(entryName)->getId());
        mirror->readUpdate(r);
        EntityTypeSection s;
        s.kind = EntityTypeSection::Kind::Sentient;
        s.equipped.fill(-1);
        s.level = level;
        mirror->readSnapshot(s);
        TestEntityMirror& kept = *mirror;
        GameClient::get().setEntity(number, std::move(mirror));
        return kept;
    }

    TestWorld world{true, false};
};

} // namespace

TEST_F(RecruitClientTest, StateImageWholeOrNothing)
{
    RecruitClient recruit;
    ByteBuffer good = image(12, -1, {4, 5}, 77, {8});
    ASSERT_TRUE(recruit.readSnapshot(good));
    EXPECT_TRUE(good.atEnd());
    EXPECT_EQ(recruit.typeEntry, 12);
    EXPECT_EQ(recruit.stats.get(111), 333);
    EXPECT_EQ(recruit.entryList, (std::vector<int32_t>{4, 5}));
    EXPECT_EQ(recruit.seed, 77);
    EXPECT_EQ(recruit.skills, (std::vector<int32_t>{8}));

    // The network image is the state image without the entity number.
    ByteBuffer network;
    recruit.writeNetwork(network);
    ByteBuffer expected = image(12, -1, {4, 5}, 77, {8});
    std::vector<uint8_t> bytes = expected.bytes();
    ByteBuffer probe;
    InventoryBase().write(probe, false);
    size_t numberAt = 4 + 4 * RecruitBase::kStatCount + probe.size();
    bytes.erase(bytes.begin() + static_cast<long>(numberAt), bytes.begin() + static_cast<long>(numberAt) + 4);
    EXPECT_EQ(network.bytes(), bytes);

    ByteBuffer full = image(30, 2, {1, 2, 3}, 9, {});
    for (size_t cut = 0; cut < full.size(); cut += 7) {
        ByteBuffer shorter(full.data(), cut);
        EXPECT_FALSE(recruit.readImage(shorter)) << cut;
    }
    EXPECT_EQ(recruit.typeEntry, 12);
    EXPECT_EQ(recruit.entryList.size(), 2u);
}

TEST_F(RecruitClientTest, TheNameComesFromTheEntityMirror)
{
    RecruitClient recruit;
    recruit.name = "Old";
    recruit.refreshName(); // no entity: kept
    EXPECT_EQ(recruit.name, "Old");
    recruit.entityNumber = 6;
    recruit.refreshName(); // no mirror of that number: kept
    EXPECT_EQ(recruit.name, "Old");

    TestEntityMirror& mirror = addMirror(6, "RecruitWarrior", 12);
    mirror.setName("Borin");
    recruit.refreshName();
    EXPECT_EQ(recruit.name, "Borin (12th lvl Warrior)");
    EXPECT_EQ(recruit.nameSource, 12);
    // The same level keeps the name built before.
    mirror.setName("Other");
    recruit.refreshName();
    EXPECT_EQ(recruit.name, "Borin (12th lvl Warrior)");

    // Not an NPC: the name with the rank text.
    RecruitClient monster;
    monster.entityNumber = 7;
    addMirror(7, "GoblinWarrior", 3);
    monster.refreshName();
    EXPECT_EQ(monster.name, "Goblin Warrior");
}
