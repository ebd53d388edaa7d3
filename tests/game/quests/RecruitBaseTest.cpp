#include "game/quests/RecruitBase.h"
#include "engine/core/ByteBuffer.h"
#include "game/covenants/CovenantTestData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/ItemBase.h"

namespace {

constexpr int kVersion = 39;

class RecruitBaseTest : public CovenantTestData {
protected:
    int idOf(const char* name) const
    {
        const DatabaseEntry* e = database.findEntry(name);
        EXPECT_NE(e, nullptr) << name;
        return e ? e->getId() : -1;
    }

    // A recruit with every field set.
    void fill(RecruitBase& r) const
    {
        r.typeEntry = idOf("RecruitWarrior");
        for (int i = 0; i < RecruitBase::kStatCount; ++i)
            r.stats.set(i, i * 3 - 7);
        auto sword = std::make_unique<ItemBase>();
        sword->setLevel(3);
        sword->setItemEntry(database.findEntry("ShortSword"));
        InventoryGroup* equipment = r.inventory->getOwnGroup(toIndex(InventoryGroupIndex::Equipment));
        ASSERT_NE(equipment, nullptr);
        equipment->setItem(toIndex(EquipedLocation::HandPrimary), sword.release());
        r.entryList = {idOf(kKeptEntry)};
        r.seed = -12345;
        r.skills = {idOf(kSkillA), -1, idOf(kSkillB)};
    }

    static std::vector<uint8_t> inventoryBytes(const RecruitBase& r)
    {
        ByteBuffer b;
        r.inventory->write(b, true);
        return b.bytes();
    }

    static std::vector<uint8_t> recordBytes(const RecruitBase& r)
    {
        ByteBuffer b;
        r.write(b);
        return b.bytes();
    }

    // A record written field by field: type name, 112 stats, an empty
    // inventory, the kept names, the seed, the skill names.
    static ByteBuffer handWritten(const std::string& type, const std::vector<std::string>& kept,
                                  const std::vector<std::string>& skillNames)
    {
        ByteBuffer b;
        b.writeString(type);
        for (int i = 0; i < RecruitBase::kStatCount; ++i)
            b.writeInt(i);
        InventoryBase().write(b, true);
        b.writeInt(static_cast<uint32_t>(kept.size()));
        for (const std::string& n : kept)
            b.writeString(n);
        b.writeInt(77);
        b.writeInt(static_cast<uint32_t>(skillNames.size()));
        for (const std::string& n : skillNames)
            b.writeString(n);
        return b;
    }

    static constexpr const char* kKeptEntry = "StatusEffectBasicRegen";
    static constexpr const char* kSkillA = "WarriorStrike";
    static constexpr const char* kSkillB = "WarriorCleave";
};

} // namespace

TEST_F(RecruitBaseTest, RoundTripsEveryField)
{
    ASSERT_TRUE(loaded);
    RecruitBase r;
    fill(r);
    ByteBuffer b;
    r.write(b);
    RecruitBase back;
    ASSERT_TRUE(back.read(b, kVersion));
    EXPECT_TRUE(b.atEnd());
    EXPECT_EQ(back.typeEntry, r.typeEntry);
    EXPECT_EQ(back.stats, r.stats);
    EXPECT_EQ(inventoryBytes(back), inventoryBytes(r));
    EXPECT_EQ(back.entryList, r.entryList);
    EXPECT_EQ(back.seed, -12345);
    EXPECT_EQ(back.skills, r.skills);
    EXPECT_EQ(back.getSkillCount(), 3);
    EXPECT_EQ(database.getEntryByIndex(back.getSkill(0))->getTypeInherited(), toIndex(DatabaseEntryType::Skill));
    EXPECT_EQ(back.getSkill(1), -1);
    EXPECT_EQ(back.getSkill(3), -1);
    EXPECT_EQ(back.getSkill(-1), -1);
    EXPECT_EQ(log.count(3), 0u);
}

TEST_F(RecruitBaseTest, AnEmptyRecordHasItsSize)
{
    ASSERT_TRUE(loaded);
    RecruitBase r;
    EXPECT_EQ(r.typeEntry, -1);
    EXPECT_EQ(r.seed, 0);
    ByteBuffer b;
    r.write(b);
    EXPECT_EQ(b.size(), 685u); // 1 + 448 + 224 + 12
    EXPECT_EQ(b.data()[0], 0);
    RecruitBase back;
    back.typeEntry = 5;
    ASSERT_TRUE(back.read(b, kVersion));
    EXPECT_EQ(back.typeEntry, -1);

    RecruitBase stale;
    stale.typeEntry = 0x7FFF0003; // no such sub-database
    stale.entryList.clear();
    ByteBuffer s;
    stale.write(s);
    EXPECT_EQ(s.size(), 685u);
}

TEST_F(RecruitBaseTest, OlderDataVersions)
{
    ASSERT_TRUE(loaded);
    RecruitBase r;
    fill(r);
    // Version 12: 111 stats; the 112th keeps its value.
    ByteBuffer v12;
    v12.writeInt(static_cast<uint32_t>(idOf("RecruitWarrior"))); // ids before version 38
    for (int i = 0; i < 111; ++i)
        v12.writeInt(i + 1);
    InventoryBase().write(v12, true);
    v12.writeInt(0u);
    v12.writeInt(9);
    v12.writeInt(0u);
    RecruitBase old;
    old.stats.set(111, 4242);
    ASSERT_TRUE(old.read(v12, 12));
    EXPECT_EQ(old.stats.get(110), 111);
    EXPECT_EQ(old.stats.get(111), 4242);
    EXPECT_EQ(old.typeEntry, idOf("RecruitWarrior"));

    // Version 37: the type as a u32 entry id.
    ByteBuffer v37;
    v37.writeInt(static_cast<uint32_t>(idOf("RecruitWarrior")));
    for (int i = 0; i < RecruitBase::kStatCount; ++i)
        v37.writeInt(i);
    InventoryBase().write(v37, true);
    v37.writeInt(0u);
    v37.writeInt(1);
    v37.writeInt(0u);
    RecruitBase byId;
    ASSERT_TRUE(byId.read(v37, 37));
    EXPECT_EQ(byId.typeEntry, idOf("RecruitWarrior"));
    EXPECT_TRUE(v37.atEnd());
}

TEST_F(RecruitBaseTest, UnknownNames)
{
    ASSERT_TRUE(loaded);
    ByteBuffer b = handWritten("NoSuchMonster", {"NoSuchEffect", kKeptEntry}, {kSkillA, "NoSuchSkill", ""});
    RecruitBase r;
    log.clear();
    ASSERT_TRUE(r.read(b, kVersion));
    EXPECT_EQ(log.count(2), 1u);
    EXPECT_TRUE(log.contains("NoSuchEffect", 2));
    EXPECT_EQ(r.typeEntry, -1);
    EXPECT_EQ(r.entryList, std::vector<int32_t>({idOf(kKeptEntry)}));
    EXPECT_EQ(r.skills, std::vector<int32_t>({idOf(kSkillA), -1, -1}));
    EXPECT_EQ(r.seed, 77);
}

TEST_F(RecruitBaseTest, DamagedRecordsLeaveTheRecordUnchanged)
{
    ASSERT_TRUE(loaded);
    RecruitBase source;
    fill(source);
    std::vector<uint8_t> full = recordBytes(source);

    RecruitBase target;
    target.typeEntry = 12;
    target.seed = 99;
    target.stats.set(3, 3);
    target.skills = {4};
    std::vector<uint8_t> before = recordBytes(target);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        ByteBuffer b(full.data(), cut);
        ASSERT_FALSE(target.read(b, kVersion)) << cut;
        ASSERT_EQ(recordBytes(target), before) << cut;
    }

    // A count that the bytes cannot hold is refused before anything is made.
    ByteBuffer huge = handWritten("", {}, {});
    std::vector<uint8_t> bytes = huge.bytes();
    size_t countAt = 1 + 448 + 224;
    bytes[countAt] = bytes[countAt + 1] = bytes[countAt + 2] = bytes[countAt + 3] = 0xFF;
    ByteBuffer damaged(bytes);
    EXPECT_FALSE(target.read(damaged, kVersion));
    EXPECT_EQ(recordBytes(target), before);

    // A refused inventory image fails the record.
    bytes = handWritten("", {}, {}).bytes();
    bytes[1 + 448] = 9; // image version
    ByteBuffer badInventory(bytes);
    EXPECT_FALSE(target.read(badInventory, kVersion));
    EXPECT_EQ(recordBytes(target), before);
}
