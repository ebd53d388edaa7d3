// A monster's class section as the server writes it, read by the client's
// section reader: every byte is taken and the appearance seed and level
// land where the reader looks for them.
#include "client/StateSectionScanner.h"
#include "engine/core/ByteBuffer.h"
#include "game/entities/Actor.h"
#include "game/skills/SkillLoaders.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

namespace {

TEST(ActorSectionTest, TheClientReadsAMonsterSectionToItsLastByte)
{
    registerSkillLoaders();
    TestWorld world;
    for (const char* name : {"GoblinWarrior", "TownGuardType", "CultAdept"}) {
        const MonsterType* type = nullptr;
        for (const auto& t : world.data->getMonsterTypes())
            if (t->getEntryName() == name)
                type = t.get();
        ASSERT_NE(type, nullptr) << name;
        Actor actor;
        actor.initFromMonsterType(type, 7);
        actor.setNameSeed(0x5eed);
        actor.setEnhancementRarity(3);
        ByteBuffer out;
        actor.writeSnapshot(out);

        ByteBuffer in(out.data(), out.size());
        ByteRange range;
        std::string field;
        ASSERT_TRUE(StateSectionScanner::scanEntityTypeSection(in, actor.getEntry(), range, field)) << field;
        EXPECT_EQ(range.end, out.size()) << name;
        // Ten items, five values, an empty quest list, seed, level.
        ByteBuffer check(out.data(), out.size());
        for (int i = 0; i < 10; ++i)
            check.readInt();
        check.readInt();
        check.readInt();
        EXPECT_EQ(check.readInt(), actor.getStat(toIndex(CharacterStat::Movement)));
        EXPECT_EQ(check.readInt(), 0);
        EXPECT_EQ(check.readInt(), 3);
        EXPECT_EQ(check.readInt(), 0);
        EXPECT_EQ(check.readInt(), 0x5eed);
        EXPECT_EQ(check.readInt(), 7);
    }
}

} // namespace
