#include "engine/core/ByteBuffer.h"
#include "game/covenants/ActorCovenantFixture.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"
#include "game/entities/Recruit.h"
#include "game/quests/QuestBase.h"
#include "support/TestQuest.h"

#include <cstring>

namespace {
std::vector<uint8_t> sectionOf(const ActorCovenant& c)
{
    ByteBuffer out;
    c.write(out);
    return out.bytes();
}

// Offset of the covenant count: the i32 after the difficulty modifier.
size_t covenantCountOffset(const std::vector<uint8_t>& bytes, const ActorCovenant& c, int count)
{
    ByteBuffer probe;
    probe.writeFloat(c.difficultyModifier);
    probe.writeInt(static_cast<int32_t>(count));
    std::vector<uint8_t> pattern = probe.bytes();
    for (size_t i = 0; i + pattern.size() <= bytes.size(); ++i) {
        if (std::memcmp(bytes.data() + i, pattern.data(), pattern.size()) == 0)
            return i + 4;
    }
    return 0;
}

void putInt(std::vector<uint8_t>& bytes, size_t at, int32_t value)
{
    ByteBuffer b;
    b.writeInt(value);
    std::memcpy(bytes.data() + at, b.data(), 4);
}
} // namespace

class ActorCovenantSaveTest : public ActorCovenantFixture {
protected:
    // A covenant at the index of the source, not in the Game's list.
    std::unique_ptr<ActorCovenant> freshAt(const ActorCovenant& source)
    {
        auto fresh = std::make_unique<ActorCovenant>();
        fresh->index = source.index;
        return fresh;
    }
};

TEST_F(ActorCovenantSaveTest, ASectionReadsBackIntoTheSameBytesWithHeroOffersAndMemory)
{
    ActorCovenant& a = setUpCovenant("Ironbound", 10);
    TestCovenant& b = addTestCovenant(*world.game, "Human");
    a.initRelations();
    TradeOffer offer;
    offer.type = 1;
    offer.addEntry(static_cast<int>(TradeTermKind::TermCrystals), 5, 1);
    a.sendOffer(&b, offer);
    a.memoryOf(b.index).damage = 12.5f;
    a.memoryOf(b.index).sharedXp = 30;
    a.raidRequester = 1;

    const std::vector<uint8_t> bytes = sectionOf(a);
    auto fresh = freshAt(a);
    ByteBuffer in(bytes);
    ASSERT_TRUE(fresh->read(in, ActorCovenant::kSaveVersion));
    EXPECT_TRUE(in.atEnd());
    const std::vector<uint8_t> again = sectionOf(*fresh);
    ASSERT_EQ(again.size(), bytes.size());
    size_t firstDifference = 0;
    while (firstDifference < bytes.size() && again[firstDifference] == bytes[firstDifference])
        ++firstDifference;
    EXPECT_EQ(firstDifference, bytes.size());
    ASSERT_NE(fresh->getLeader(), nullptr);
    EXPECT_EQ(fresh->getLeader()->getStat(toIndex(CharacterStat::Level)), 10);
    EXPECT_EQ(fresh->getPendingOffer(b.index).offer.terms, a.getPendingOffer(b.index).offer.terms);
    EXPECT_TRUE(fresh->getPendingOffer(b.index).active);
    EXPECT_EQ(fresh->memoryOf(b.index), a.memoryOf(b.index));
    EXPECT_EQ(fresh->traits, a.traits);
    EXPECT_EQ(fresh->getLifestoneMaxHealth(), a.getLifestoneMaxHealth());
}

// A member's record holds what a body made from it has: an effect that
// passes (a hex lowering its Attack, a battle cry raising it) or a sprint is
// not written, so the section read and written again at once is the same,
// and the living member plays on as it was.
TEST_F(ActorCovenantSaveTest, AMembersPassingEffectsAndSprintAreNotWrittenIntoItsRecord)
{
    const int attack = toIndex(CharacterStat::Attack);
    const int movement = toIndex(CharacterStat::Movement);
    struct Case {
        const char* name;
        const char* effect; // given by another sentient
        bool sprint;
        int moved; // the stat the case moves; -1 none
    };
    const Case cases[] = {
        {"nothing passing", nullptr, false, -1},
        {"hexed", "StatusEffectHex", false, attack},
        {"battle cry", "StatusEffectBattleCry", false, attack},
        {"sprinting", nullptr, true, movement},
    };
    Sentient* foe = placeTarget(10, 100, 100);
    ASSERT_NE(foe, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActorCovenant& a = setUpCovenant("Ironbound", 10);
        Recruit* record = a.getRecruit(0);
        ASSERT_NE(record, nullptr);
        Actor* body = record->getActor();
        ASSERT_NE(body, nullptr);
        const int before = c.moved >= 0 ? body->getStat(c.moved) : 0;
        if (c.effect)
            body->addStatusEffectByName(c.effect, foe, 1);
        if (c.sprint) {
            body->setSprinting(true);
            body->updateStats(false);
        }
        if (c.moved >= 0) {
            ASSERT_NE(body->getStat(c.moved), before) << "the case moves the stat";
        }
        const CounterList living = body->getStats();
        const int health = body->getHealth();
        const size_t effects = body->getStatusEffects().size();

        const std::vector<uint8_t> bytes = sectionOf(a);
        for (int s = 0; s < RecruitBase::kStatCount; ++s)
            EXPECT_EQ(body->getStat(s), living.get(s)) << "the write leaves stat " << s << " be";
        EXPECT_EQ(body->getHealth(), health);
        EXPECT_EQ(body->getStatusEffects().size(), effects);
        EXPECT_EQ(body->isSprinting(), c.sprint);

        auto fresh = freshAt(a);
        ByteBuffer in(bytes);
        ASSERT_TRUE(fresh->read(in, ActorCovenant::kSaveVersion));
        ASSERT_NE(fresh->getRecruit(0), nullptr);
        const CounterList written = record->stats;
        const std::vector<uint8_t> again = sectionOf(*fresh);
        for (int s = 0; s < RecruitBase::kStatCount; ++s)
            EXPECT_EQ(fresh->getRecruit(0)->stats.get(s), written.get(s)) << "stat " << s;
        EXPECT_EQ(again, bytes);
    }
}

TEST_F(ActorCovenantSaveTest, EveryTruncationAndABadCountIsRefusedWithNothingAdded)
{
    ActorCovenant& a = setUpCovenant("Ironbound", 10);
    setUpCovenant("Thornveil", 5);
    a.initRelations();
    std::vector<uint8_t> bytes = sectionOf(a);
    const int entities = world.game->getEntityCount();
    // Every cut in the header and the tail, a spread of cuts between.
    for (size_t cut = 0; cut < bytes.size(); cut += (cut < 64 || cut + 32 >= bytes.size()) ? 1 : 29) {
        auto fresh = freshAt(a);
        ByteBuffer in(bytes.data(), cut);
        ASSERT_FALSE(fresh->read(in, ActorCovenant::kSaveVersion)) << "cut at " << cut;
        ASSERT_EQ(world.game->getEntityCount(), entities) << "cut at " << cut;
    }
    const size_t at = covenantCountOffset(bytes, a, world.game->getCovenantCount());
    ASSERT_GT(at, 0u);
    for (int32_t bad : {33, -1}) {
        std::vector<uint8_t> patched = bytes;
        putInt(patched, at, bad);
        auto fresh = freshAt(a);
        ByteBuffer in(patched);
        EXPECT_FALSE(fresh->read(in, ActorCovenant::kSaveVersion)) << bad;
        EXPECT_EQ(world.game->getEntityCount(), entities);
    }
}

TEST_F(ActorCovenantSaveTest, UnknownTraitsAndGoneMonsterTypesAreDroppedAndADestroyedCovenantSpawnsNoOne)
{
    ActorCovenant& a = setUpCovenant("Ironbound", 10);
    ASSERT_FALSE(a.traits.empty());
    std::vector<uint8_t> bytes = sectionOf(a);
    // The first trait id follows the position, flag, definition, stone pair and count.
    putInt(bytes, 32, 999);
    world.log.clear();
    auto fresh = freshAt(a);
    ByteBuffer in(bytes);
    ASSERT_TRUE(fresh->read(in, ActorCovenant::kSaveVersion));
    EXPECT_EQ(fresh->traits.size(), a.traits.size() - 1);
    EXPECT_EQ(world.log.count(2), 1u);

    // A recruit whose monster type is gone: its record is dropped.
    Recruit* first = a.getRecruit(0);
    ASSERT_NE(first, nullptr);
    first->dismissActor();
    first->typeEntry = 999999;
    auto typeless = freshAt(a);
    ByteBuffer in2(sectionOf(a));
    ASSERT_TRUE(typeless->read(in2, ActorCovenant::kSaveVersion));
    EXPECT_EQ(typeless->getRecruit(0), nullptr);
    EXPECT_NE(typeless->getLeader(), nullptr);

    a.destroyed = true;
    const std::vector<uint8_t> gone = sectionOf(a);
    const int entities = world.game->getEntityCount();
    auto destroyed = freshAt(a);
    ByteBuffer in3(gone);
    ASSERT_TRUE(destroyed->read(in3, ActorCovenant::kSaveVersion));
    EXPECT_EQ(destroyed->getLeader(), nullptr);
    EXPECT_NE(destroyed->findHeroRecruit(), nullptr);
    // The stone and its pedestals are the only entities it adds.
    EXPECT_LE(world.game->getEntityCount(), entities + 5);
}

// A destroyed covenant makes no bodies on loading, so its stone has no
// members to sum: it keeps the pair it was saved with, and saves again alike.
TEST_F(ActorCovenantSaveTest, ADestroyedCovenantsStoneReadsBackAsSaved)
{
    struct Case {
        const char* name;
        bool killMembers; // its stone fell (members killed), else its members left
    };
    for (const Case& c : {Case{"stone fallen", true}, Case{"members gone", false}}) {
        SCOPED_TRACE(c.name);
        ActorCovenant& a = setUpCovenant("Ironbound", 10);
        a.onDestroyed(nullptr, c.killMembers, false);
        ASSERT_TRUE(a.destroyed);
        const std::vector<uint8_t> bytes = sectionOf(a);
        auto fresh = freshAt(a);
        ByteBuffer in(bytes);
        ASSERT_TRUE(fresh->read(in, ActorCovenant::kSaveVersion));
        EXPECT_EQ(fresh->getLifestoneMaxHealth(), a.getLifestoneMaxHealth());
        EXPECT_EQ(fresh->getLifestoneHealth(), a.getLifestoneHealth());
        EXPECT_EQ(sectionOf(*fresh), bytes);
    }
}

// A recruit quest that was held and then cleared saves as the empty record,
// so the covenant loads and saves again alike.
TEST_F(ActorCovenantSaveTest, AClearedRecruitQuestSavesAsTheEmptyRecord)
{
    ActorCovenant& a = setUpCovenant("Ironbound", 10);
    a.quest = std::make_unique<TestQuest>();
    // What a reset leaves of a quest that ran.
    a.quest->type = static_cast<int>(QuestType::Recruit);
    a.quest->startTime = GameTime(0, 0, 41, 20.0f);
    a.quest->id = 41;
    a.quest->reset();
    const std::vector<uint8_t> bytes = sectionOf(a);
    auto fresh = freshAt(a);
    ByteBuffer in(bytes);
    ASSERT_TRUE(fresh->read(in, ActorCovenant::kSaveVersion));
    EXPECT_EQ(sectionOf(*fresh), bytes);
}

TEST(QuestBaseEmptyRecord, TheEmptyBytesAreThoseOfARealEmptyRecordAndSkipKeepsNothing)
{
    TestQuest empty;
    ByteBuffer real;
    empty.write(real, true);
    ByteBuffer written;
    QuestBase::writeEmpty(written);
    EXPECT_EQ(written.bytes(), real.bytes());
    ByteBuffer in(written.bytes());
    EXPECT_TRUE(QuestBase::skip(in, true, ActorCovenant::kSaveVersion));
    EXPECT_TRUE(in.atEnd());
    ByteBuffer cut(written.data(), written.size() - 1);
    EXPECT_FALSE(QuestBase::skip(cut, true, ActorCovenant::kSaveVersion));
}
