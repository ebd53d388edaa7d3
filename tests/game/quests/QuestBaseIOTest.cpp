#include "QuestFixture.h"

#include "engine/core/ByteBuffer.h"

#include <climits>

namespace {

class QuestRecordBytes : public QuestFixture {
protected:
    // The KillMonsters record of the golden rolls with some progress.
    void makeKillMonsters(TestQuest& q)
    {
        q.setUpType = monster("GoblinScout");
        roll(q, QuestType::KillMonsters);
        q.progress = 2;
        q.id = 7;
    }
    static ByteBuffer bytesOf(const QuestBase& q, bool byName)
    {
        ByteBuffer buffer;
        q.write(buffer, byName);
        return buffer;
    }
    static std::vector<uint8_t> prefix(const ByteBuffer& buffer, size_t n)
    {
        return std::vector<uint8_t>(buffer.data(), buffer.data() + n);
    }
};

std::vector<uint8_t> le32(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

} // namespace

TEST_F(QuestRecordBytes, KillMonstersRecordByIndexAndByName)
{
    ASSERT_TRUE(loaded);
    ASSERT_EQ(monster("GoblinScout")->getIndex(), 0);
    TestQuest q;
    makeKillMonsters(q);
    ByteBuffer byIndex = bytesOf(q, false);
    ASSERT_EQ(byIndex.size(), 52u);
    EXPECT_EQ(prefix(byIndex, 16),
              (std::vector<uint8_t>{0x0A, 0, 0, 0, 0x39, 0x30, 0, 0, 2, 0, 0, 0, 5, 0, 0, 0}));
    std::vector<uint8_t> tail(byIndex.data() + 32, byIndex.data() + byIndex.size());
    EXPECT_EQ(tail, (std::vector<uint8_t>{7, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ByteBuffer byName = bytesOf(q, true);
    EXPECT_EQ(byName.size(), 60u);

    // Read into an empty quest with rebuild: the golden roll comes back.
    for (auto [buffer, names, version] : {std::tuple{&byIndex, false, 0}, std::tuple{&byName, true, 39}}) {
        buffer->setReadPos(0);
        TestQuest back;
        ASSERT_TRUE(back.read(*buffer, true, names, version));
        EXPECT_TRUE(buffer->atEnd());
        EXPECT_EQ(back.monsterType, monster("GoblinScout"));
        EXPECT_EQ(back.goal, 5);
        EXPECT_EQ(back.progress, 2);
        EXPECT_EQ(back.id, 7);
        EXPECT_EQ(back.xpReward, 63);
        EXPECT_EQ(back.moneyReward, 157);
        EXPECT_EQ(back.deadline, q.deadline);
        EXPECT_EQ(back.textVariant, 0);
        EXPECT_EQ(back.setUpCalls, 1);
        EXPECT_EQ(back.lastSetUpFlag, 1);
        EXPECT_EQ(bytesOf(back, names).bytes(), buffer->bytes());

        // Read again: only progress, failure, type and counts change; no roll.
        q.progress = 4;
        q.failed = true;
        ByteBuffer again = bytesOf(q, names);
        back.xpReward = 1;
        uint32_t stream3 = Random::next(3);
        ASSERT_TRUE(back.read(again, true, names, version));
        EXPECT_EQ(back.progress, 4);
        EXPECT_TRUE(back.failed);
        EXPECT_EQ(back.xpReward, 1);
        EXPECT_EQ(back.setUpCalls, 1);
        EXPECT_EQ(Random::getState(3), stream3);
        q.progress = 2;
        q.failed = false;
    }
}

TEST_F(QuestRecordBytes, FormsFollowTheFlagAndVersion)
{
    ASSERT_TRUE(loaded);
    TestQuest q;
    makeKillMonsters(q);
    // Names are read only from version 38 on; before, the index form.
    ByteBuffer byIndex = bytesOf(q, false);
    TestQuest old;
    ASSERT_TRUE(old.read(byIndex, false, true, 37));
    EXPECT_EQ(old.monsterType, monster("GoblinScout"));
    EXPECT_EQ(old.goal, 0); // no rebuild
    // A name that left the data resolves to null.
    ByteBuffer renamed;
    TestQuest other;
    other.setUpType = monster("Rat");
    roll(other, QuestType::KillMonsters);
    other.write(renamed, true);
    std::vector<uint8_t> raw = renamed.bytes();
    std::string rat = "Rat";
    auto at = std::search(raw.begin(), raw.end(), rat.begin(), rat.end());
    ASSERT_NE(at, raw.end());
    *at = 'X';
    ByteBuffer changed(raw);
    TestQuest lost;
    ASSERT_TRUE(lost.read(changed, true, true, 39));
    EXPECT_EQ(lost.monsterType, nullptr);
    EXPECT_EQ(lost.getTitle(false, -1).find("Rat"), std::string::npos);
}

TEST_F(QuestRecordBytes, EmptyRecordStaysEmpty)
{
    ASSERT_TRUE(loaded);
    TestQuest empty;
    ByteBuffer buffer = bytesOf(empty, false);
    EXPECT_EQ(buffer.size(), 48u);
    TestQuest back;
    ASSERT_TRUE(back.read(buffer, true, false, 0));
    EXPECT_EQ(back.level, -1);
    EXPECT_EQ(back.setUpCalls, 0);
    EXPECT_EQ(back.getTitle(false, -1), "$$QuestSlotEmpty$$");
    EXPECT_EQ(back.getDescription(1, GameTime(), "Ann"), "");
}

TEST_F(QuestRecordBytes, TargetsComeBackWithTheirRanks)
{
    ASSERT_TRUE(loaded);
    TestQuest q;
    q.setUpTargets = {monster("GrabnakTheCruel"), monster("SkeletonLord"), monster("GoblinScout")};
    roll(q, QuestType::KillMonsterGroup);
    q.targets[0].count = 1;
    for (bool names : {false, true}) {
        ByteBuffer buffer = bytesOf(q, names);
        TestQuest back;
        back.targets.resize(5, QuestTarget{9, 9, nullptr, 3}); // another length: replaced
        ASSERT_TRUE(back.read(buffer, false, names, 39));
        ASSERT_EQ(back.targets.size(), 3u);
        EXPECT_EQ(back.targets[0].rank, 5);
        EXPECT_EQ(back.targets[1].rank, 6);
        EXPECT_EQ(back.targets[2].rank, 0);
        EXPECT_EQ(back.targets[0].count, 1);
        EXPECT_EQ(back.targets[2].needed, 0);
        EXPECT_EQ(back.targets[2].monsterType, monster("GoblinScout"));
    }
}

TEST_F(QuestRecordBytes, ShortTargetListsRollAndTextSafely)
{
    ASSERT_TRUE(loaded);
    for (QuestType type : {QuestType::MonsterQuest, QuestType::Meeting}) {
        for (size_t n : {0u, 1u}) {
            SCOPED_TRACE(getQuestTypeName(toIndex(type)) + " " + std::to_string(n));
            TestQuest q;
            roll(q, type);
            q.targets.assign(n, QuestTarget{0, 0, monster("GoblinScout"), 0});
            ByteBuffer buffer = bytesOf(q, false);
            TestQuest back;
            ASSERT_TRUE(back.read(buffer, true, false, 0));
            EXPECT_EQ(back.targets.size(), n);
            EXPECT_FALSE(back.getTitle(false, -1).empty());
            back.getTitle(true, 3);
            back.getDescription(10, GameTime(0, 8, 0, 0.0f), "Ann");
            back.getProgressText(true);
            back.getProgressText(false);
        }
    }
}

TEST_F(QuestRecordBytes, BadRecordsLeaveTheQuestAsItWas)
{
    ASSERT_TRUE(loaded);
    TestQuest q;
    makeKillMonsters(q);
    ByteBuffer good = bytesOf(q, false);
    auto expectRefused = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
        TestQuest victim;
        makeKillMonsters(victim);
        ByteBuffer before = bytesOf(victim, false);
        ByteBuffer buffer(bytes);
        EXPECT_FALSE(victim.read(buffer, true, false, 0)) << what;
        EXPECT_EQ(bytesOf(victim, false).bytes(), before.bytes()) << what;
        EXPECT_EQ(victim.goal, 5) << what;
    };
    for (size_t cut = 0; cut < good.size(); ++cut)
        expectRefused(prefix(good, cut), "cut at " + std::to_string(cut));

    std::vector<uint8_t> bytes = good.bytes();
    auto patch = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> copy = bytes;
        std::vector<uint8_t> v = le32(value);
        std::copy(v.begin(), v.end(), copy.begin() + static_cast<long>(at));
        return copy;
    };
    expectRefused(patch(48, INT_MAX), "huge target count");
    expectRefused(patch(12, 67), "type 67");
    expectRefused(patch(12, static_cast<uint32_t>(-1)), "type -1");
    expectRefused(patch(0, static_cast<uint32_t>(-2)), "level -2");
    expectRefused(patch(0, 1001), "level above the limit");
    uint32_t nan = 0x7FC00000u;
    expectRefused(patch(28, nan), "NaN seconds");
}
