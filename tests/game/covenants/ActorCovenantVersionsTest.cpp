// Sections of older save versions. The fixtures testdata/covenants/section_v<N>.bin
// are written by sectionAt from the shipped data (GLOAM_UPDATE_GOLDEN=1
// rewrites them); the tests read the kept files.
#include "engine/core/ByteBuffer.h"
#include "game/covenants/ActorCovenantFixture.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/Inventory.h"
#include "game/entities/Recruit.h"
#include "game/quests/QuestBase.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {
// A recruit record as older versions wrote it: the type as an entry id, 111
// stats before version 13, an empty inventory, no kept entries or skills.
void writeOldRecruit(ByteBuffer& out, const Recruit& r, int version)
{
    out.writeInt(static_cast<uint32_t>(r.typeEntry));
    const int stats =
        version >= RecruitBase::kVersionFullStats ? RecruitBase::kStatCount : RecruitBase::kStatCount - 1;
    for (int i = 0; i < stats; ++i)
        out.writeInt(static_cast<int32_t>(r.stats.get(i)));
    Inventory empty;
    empty.write(out, true);
    out.writeInt(static_cast<uint32_t>(0));
    out.writeInt(r.seed);
    out.writeInt(static_cast<uint32_t>(0));
    out.writeInt(static_cast<int32_t>(r.hero ? 1 : 0));
}

// The covenant's section in the form of an older version, with an empty
// covenant inventory.
std::vector<uint8_t> sectionAt(const ActorCovenant& c, int version, int covenants)
{
    ByteBuffer out;
    out.writeZonePosition(c.housePosition);
    out.writeBool(c.destroyed);
    out.writeInt(static_cast<int32_t>(c.definitionIndex));
    out.writeInt(static_cast<int32_t>(c.getLifestoneHealth()));
    out.writeInt(static_cast<int32_t>(c.getLifestoneMaxHealth()));
    out.writeInt(static_cast<int32_t>(c.getTraitCount()));
    for (int i = 0; i < c.getTraitCount(); ++i)
        out.writeInt(static_cast<int32_t>(c.getTraitId(i)));
    if (version >= 7) {
        for (int i = 0; i < c.getRecruitSlotCount(); ++i) {
            out.writeInt(static_cast<int32_t>(c.getRecruit(i) ? 1 : 0));
            if (c.getRecruit(i))
                writeOldRecruit(out, *c.getRecruit(i), version);
        }
    } else {
        out.writeInt(static_cast<int32_t>(c.getRecruitCount()));
        // Saved at the slots from the last down, as the old form allows.
        for (int i = c.getRecruitSlotCount() - 1; i >= 0; --i) {
            if (!c.getRecruit(i))
                continue;
            out.writeInt(static_cast<int32_t>(c.getRecruitSlotCount() - 1 - i));
            writeOldRecruit(out, *c.getRecruit(i), version);
        }
    }
    writeInfluenceCounters(out, c.influence);
    c.stats.write(out);
    out.writeInt(c.reservedA);
    out.writeInt(c.reservedB);
    out.writeGameTime(c.lastRaidEnd);
    out.writeGameTime(c.raidStart);
    if (version >= 22)
        out.writeInt(static_cast<int32_t>(c.raidTarget));
    out.writeInt(static_cast<int32_t>(c.difficulty));
    if (version >= 9)
        out.writeFloat(c.difficultyModifier);
    out.writeInt(static_cast<int32_t>(covenants));
    for (int i = 0; i < covenants; ++i) {
        c.writeRelationSaved(out, i);
        out.writeInt(static_cast<int32_t>(0));
        out.writeFloat(0.0f);
        out.writeFloat(0.0f);
        out.writeInt(static_cast<int32_t>(0));
        out.writeInt(static_cast<uint32_t>(0));
        const CovenantMemory& m = c.memoryOf(i);
        out.writeFloat(m.fear);
        out.writeFloat(m.tradeFactor);
        out.writeFloat(m.demandFactor);
        if (version >= 15)
            out.writeFloat(m.damage);
        if (version >= 16)
            out.writeFloat(m.naturalHate);
        if (version >= 33)
            out.writeInt(m.sharedXp);
    }
    QuestBase::writeEmpty(out);
    Inventory empty;
    empty.getSlot(toIndex(InventoryGroupIndex::Stash))->setSize(ActorCovenant::kStashSize);
    empty.getSlot(toIndex(InventoryGroupIndex::House))->setSize(ActorCovenant::kHouseSize);
    empty.write(out, true);
    out.writeBoolVector(c.knownLevels);
    if (version >= 11)
        out.writeInt(static_cast<int32_t>(c.level));
    if (version >= 27)
        out.writeFloat(c.monsterDamageTaken);
    if (version >= 36) {
        out.writeInt(static_cast<int32_t>(c.raidRequester));
        out.writeFloat(c.targetDamageFromSelfAtStart);
        out.writeFloat(c.targetDamageFromRequesterAtStart);
    }
    return out.bytes();
}
} // namespace

class ActorCovenantVersionsTest : public ActorCovenantFixture {
protected:
    // The kept fixture of that version (rewritten first on request).
    std::vector<uint8_t> fixture(int version)
    {
        const std::string path = testDataPath("covenants/section_v" + std::to_string(version) + ".bin");
        if (std::getenv("GLOAM_UPDATE_GOLDEN")) {
            ActorCovenant& source = setUpCovenant("Ironbound", 10);
            source.initRelations();
            for (CovenantMemory& m : source.covenantMemory) {
                m.damage = 4.0f;
                m.sharedXp = 7;
            }
            source.raidRequester = 0;
            const std::vector<uint8_t> bytes = sectionAt(source, version, world.game->getCovenantCount());
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    std::unique_ptr<ActorCovenant> readAt(int version)
    {
        const std::vector<uint8_t> bytes = fixture(version);
        auto c = std::make_unique<ActorCovenant>();
        c->index = 0;
        ByteBuffer in(bytes);
        if (bytes.empty() || !c->read(in, version) || !in.atEnd())
            return nullptr;
        return c;
    }
};

TEST_F(ActorCovenantVersionsTest, OlderSectionsReadWithTheDefaultsOfTheFieldsTheyLack)
{
    auto v14 = readAt(14);
    ASSERT_NE(v14, nullptr);
    EXPECT_EQ(v14->memoryOf(0).damage, 0.0f);
    EXPECT_EQ(v14->memoryOf(0).naturalHate, 0.0f);
    EXPECT_EQ(v14->memoryOf(0).sharedXp, 0);
    EXPECT_EQ(v14->raidRequester, -1);
    EXPECT_NE(v14->getLeader(), nullptr);

    auto v35 = readAt(35);
    ASSERT_NE(v35, nullptr);
    EXPECT_EQ(v35->raidRequester, -1);
    EXPECT_EQ(v35->memoryOf(0).sharedXp, 7);
    EXPECT_EQ(v35->memoryOf(0).damage, 4.0f);

    // Version 6: recruits as a count and slot indices, the hero kept.
    auto v6 = readAt(6);
    ASSERT_NE(v6, nullptr);
    EXPECT_EQ(v6->getRecruitCount(), 2);
    EXPECT_NE(v6->getRecruit(v6->getRecruitSlotCount() - 1), nullptr);
    EXPECT_NE(v6->getLeader(), nullptr);
    EXPECT_EQ(v6->difficultyModifier, 1.0f);
    EXPECT_EQ(v6->raidTarget, -1);
}
