#include "client/StateSectionScanner.h"
#include "engine/core/ByteBuffer.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Item.h"
#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "support/FixedGateSource.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// The player section as the client's scanner reads it: it must end exactly
// where the server's writer ended.
class PlayerSection : public ::testing::Test {
protected:
    PlayerSection() : gates({{7, 1}, {7, 2}, {7, 4}})
    {
        player = std::make_unique<Player>();
        world.game->addEntity(player.get());
        player->buildForWorld();
    }
    ~PlayerSection() override
    {
        world.game->removeEntity(player.get());
        player.reset();
    }

    // Writes the section and scans it; the bytes the scanner left over.
    size_t leftOver(ByteBuffer& out)
    {
        out.clear();
        player->writePlayerSection(out);
        ByteBuffer in(out.bytes());
        ByteRange range;
        std::string field;
        EXPECT_TRUE(StateSectionScanner::scanPlayerSection(in, StateSectionScanner::worldGateFlagCount(),
                                                           range, field))
            << field;
        EXPECT_EQ(range.begin, 0u);
        return out.size() - range.end;
    }

    TestWorld world;
    FixedGateSource gates;
    std::unique_ptr<Player> player;
};

} // namespace

TEST_F(PlayerSection, FreshWarriorScansExactly)
{
    ByteBuffer out;
    EXPECT_EQ(leftOver(out), 0u);
    // No automatic target is sent as 0xFFFFFFFF: the word before the two
    // flag lists (visited levels empty, 65 flags).
    ByteBuffer in(out.bytes());
    in.setReadPos(out.size() - 4 * (1 + 1 + 1 + Player::kFlagCount));
    EXPECT_EQ(in.readUInt(), Player::kNoTarget);
}

TEST_F(PlayerSection, FullPlayerScansExactly)
{
    InventoryBase& inventory = *player->getInventory();
    const DatabaseEntry* potion = DefinitionReader::findEntry("MinorHealthPotion");
    ASSERT_NE(potion, nullptr);
    for (int g = 0; g < kInventoryGroupCount; ++g) {
        InventoryGroup* group = inventory.getOwnGroup(g);
        if (group->getSize() == 0)
            group->setSize(4);
        for (int i = 0; i < group->getSize(); ++i) {
            auto* item = new Item();
            item->clear();
            item->setItemEntry(potion);
            item->generate();
            group->setItem(i, item);
        }
    }
    for (int slot = 0; slot < Player::kQuestSlots; ++slot)
        player->getQuest(slot)->setup(3 + slot, GameTime(), 1234u + slot, toIndex(QuestType::KillMonsters),
                                      0);
    for (GateRecord& record : player->getGates().getRecords())
        record.activated = 1;
    player->getVisitedLevels().assign(9, true);
    player->getFlags65()[0] = true;
    Sentient follower;
    world.game->addEntity(&follower);
    follower.setLeader(player.get(), 4);
    ASSERT_EQ(player->getFollowers().size(), 1u);

    ByteBuffer out;
    EXPECT_EQ(leftOver(out), 0u);
    follower.clearLeader();
    world.game->removeEntity(&follower);
}

TEST_F(PlayerSection, DeadPlayerScansExactlyAndPriorityOneGoesOnce)
{
    player->setModel("BoxMan/boxman.mdl");
    ASSERT_NE(player->getModel(), nullptr);
    player->setHealth(0);
    player->update(0.05f);
    EXPECT_EQ(player->getDeathStage(), 1);
    ByteBuffer out;
    EXPECT_EQ(leftOver(out), 0u);

    // Coming back plays "idle" at priority 1 (the test model has no death
    // animations: another one stands in).
    ASSERT_TRUE(player->playAnimation("walk", 15, EntityBase::kModeLoop, true));
    player->resurrect(false);
    ASSERT_EQ(player->getAnimationPriority(), 1);
    auto priority = [&] {
        ByteBuffer section;
        player->writePlayerSection(section);
        ByteBuffer in(section.bytes());
        in.setReadPos(8);
        return in.readUInt();
    };
    EXPECT_EQ(priority(), 1u);
    EXPECT_EQ(priority(), 0u);
    EXPECT_EQ(priority(), 0u);
}
