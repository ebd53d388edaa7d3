#include "game/skills/Skill.h"

#include "engine/data/DatabaseEntry.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/skills/SkillLoaders.h"
#include "game/skills/StatusEffect.h"
#include "support/SkillUser.h"
#include "support/TestWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

constexpr int kPower = toIndex(CharacterStat::Power);
constexpr int kSkillFinished = toIndex(SimpleEvent::SkillFinished);
constexpr int kUseSkill = toIndex(SimpleEvent::UseSkill);

// Sprite animations need no binary parts: "strike" has ten frames with its
// marker at frame 5 (0.5 s at 20 frames a second).
constexpr const char* kCasterModel = R"(
sprite idle {
    frame "t"
    loop 1
}
sprite castLoop {
    frame "t"
    frame "t"
    loop 1
}
sprite strike {
    frame "t"
    frame "t"
    frame "t"
    frame "t"
    frame "t"
    frame "t"
    frame "t"
    frame "t"
    frame "t"
    frame "t"
    event frame 5 skillMarker
}
)";

struct Loaders {
    Loaders() { registerSkillLoaders(); }
};

// A class-less sentient in the real Game (its power neither regenerates nor
// decays) with a fixed skill list of definitions made by hand.
class SkillUseTest : public ::testing::Test {
protected:
    SkillUseTest()
    {
        world.temp.write("Models/Caster/caster.mdl", kCasterModel);
        setResourceRoots(world.resources, {world.temp.path().string(), gameDataPath(), generatedDataPath()});
        user = new SkillUser();
        user->setMaxHealth(100);
        user->setHealth(100);
        user->getStats().set(kPower, 50);
        user->setModel("Caster/caster.mdl");
        user->setPosition(ZonePosition(0, 100.0f, 100.0f));
        EXPECT_GE(world.game->addEntity(user), 0);
        list = dynamic_cast<SkillList*>(user->getSkillList());
        EXPECT_NE(list, nullptr);
        list->setFixed(true);
    }

    // A basic skill (always known) at (0, slot).
    Skill* learn(SkillDefinition& definition, int slot = 0)
    {
        definition.basicSkill = true;
        return static_cast<Skill*>(list->addSkill(&definition, user, 0, slot));
    }

    int queued(const std::string& prefix) const
    {
        const auto& lines = world.server->getQueuedCommands();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.compare(0, prefix.size(), prefix) == 0;
        }));
    }

    // Steps the world until the predicate holds; the number of steps, or -1.
    template <class F> int stepUntil(F done, int limit = 200)
    {
        for (int i = 1; i <= limit; ++i) {
            world.game->update(0.05f);
            if (done())
                return i;
        }
        return -1;
    }

    Loaders loaders;
    TestWorld world;
    SkillUser* user = nullptr;
    SkillList* list = nullptr;
};

TEST_F(SkillUseTest, CastThenMarkerThenAct)
{
    SkillDefinition def;
    def.castTime = 2.0f;
    def.castingAnimation = "castLoop";
    def.animation = "strike";
    def.power = 20;
    def.reuseTime = 3.0f;
    Skill* skill = learn(def);
    ASSERT_NE(skill, nullptr);
    ASSERT_FLOAT_EQ(skill->getCastTime(user), 2.0f);
    EXPECT_EQ(skill->getUseStage(Skill::kStageRequest, user), Skill::kUseCast);
    EXPECT_EQ(skill->getUseStage(Skill::kStageCastDone, user), Skill::kUseAtMarker);
    EXPECT_EQ(skill->getUseStage(Skill::kStageMarker, user), Skill::kUseNow);

    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_TRUE(user->isPlayingAnimation("castLoop"));
    EXPECT_EQ(queued("timer " + std::to_string(user->getEntityNumber()) + " 2.000000 1"), 1);
    EXPECT_EQ(user->getStat(kPower), 50);
    EXPECT_EQ(user->countEvents(kUseSkill), 1);
    EXPECT_EQ(user->countEvents(kSkillFinished), 0);

    // A second request while the cast winds up does nothing and says nothing.
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_TRUE(user->messages.empty());
    EXPECT_EQ(queued("timer "), 1);
    EXPECT_EQ(user->countEvents(kSkillFinished), 0);

    // The cast returns: the animation plays and winds up to its marker,
    // without a timer line.
    int castSteps = stepUntil([&] { return user->isPlayingAnimation("strike"); });
    EXPECT_GE(castSteps, 40);
    EXPECT_LE(castSteps, 41);
    EXPECT_EQ(user->getStat(kPower), 50);
    EXPECT_EQ(queued("timer "), 1);
    EXPECT_FALSE(skill->getUseTimer().running);

    // The marker: acts, pays and starts the reuse timer.
    int markerSteps = stepUntil([&] { return user->getStat(kPower) != 50; });
    EXPECT_GE(markerSteps, 10);
    EXPECT_LE(markerSteps, 11);
    EXPECT_EQ(user->getStat(kPower), 30);
    EXPECT_EQ(user->countEvents(kSkillFinished), 1);
    EXPECT_TRUE(skill->getUseTimer().running);
    EXPECT_NEAR(skill->getUseTimer().remaining, 3.0f, 0.06f);
    EXPECT_TRUE(user->messages.empty());

    // Ready again only when the reuse time has run out.
    skill->use(user, nullptr, Skill::kStageRequest, false);
    ASSERT_EQ(user->messages.size(), 1u);
    EXPECT_EQ(user->messages[0], std::make_pair(5, std::string("Can't use yet")));
}

TEST_F(SkillUseTest, RefusalsComeInTheCheckOrder)
{
    SkillDefinition unknown;
    unknown.castTime = 1.0f;
    Skill* skill = static_cast<Skill*>(list->addSkill(&unknown, user, 1, 2));
    ASSERT_NE(skill, nullptr);
    auto* silence = new StatusEffect();
    silence->name = "Silence";
    silence->forever = true;
    silence->cantUseSkills = true;
    user->insertStatusEffect(silence, nullptr);
    // The recompute took the class-less maximum health.
    user->setMaxHealth(100);
    user->setHealth(100);

    // Not known (its level stat is 0) comes before being blocked.
    skill->use(user, nullptr, Skill::kStageRequest, false);
    user->setHealth(0);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    ASSERT_EQ(user->messages.size(), 2u);
    EXPECT_EQ(user->messages[0], std::make_pair(5, std::string("Don't have skill")));
    EXPECT_EQ(user->messages[1], std::make_pair(5, std::string("Can't use when dead")));
    // Each refusal ends a waiting behaviour.
    EXPECT_EQ(user->countEvents(kSkillFinished), 2);

    user->setHealth(100);
    user->getStats().set(toIndex(CharacterStat::Skill1) + 1 * 15 + 2, 1);
    EXPECT_TRUE(skill->isKnown(user));
    EXPECT_EQ(skill->checkUse(user, nullptr, Skill::kStageRequest, false), 10);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_EQ(user->messages.back().second, "Blocked from using");
    // unchecked skips everything.
    EXPECT_EQ(skill->checkUse(user, nullptr, Skill::kStageRequest, true), 0);
    EXPECT_EQ(skill->checkUse(nullptr, nullptr, Skill::kStageRequest, true), 1);

    // A skill whose points stat is below its requirement is unknown.
    SkillDefinition trained;
    trained.statReq = toIndex(CharacterStat::Strength);
    trained.pointsReq = 20;
    Skill* needsStrength = static_cast<Skill*>(list->addSkill(&trained, user, 0, 3));
    user->getStats().set(toIndex(CharacterStat::Strength), 19);
    EXPECT_FALSE(needsStrength->isKnown(user));
    user->getStats().set(toIndex(CharacterStat::Strength), 20);
    EXPECT_TRUE(needsStrength->isKnown(user));
}

TEST_F(SkillUseTest, SpellsAloneAreBlockedByCantUseSpells)
{
    SkillDefinition spell;
    spell.castTime = 0.5f;
    SkillDefinition swing;
    Skill* castSkill = learn(spell, 0);
    Skill* plainSkill = learn(swing, 1);
    auto* hush = new StatusEffect();
    hush->name = "Hush";
    hush->forever = true;
    hush->cantUseSpells = true;
    user->insertStatusEffect(hush, nullptr);
    EXPECT_EQ(castSkill->checkUse(user, nullptr, Skill::kStageRequest, false), 10);
    EXPECT_EQ(plainSkill->checkUse(user, nullptr, Skill::kStageRequest, false), 0);
}

TEST_F(SkillUseTest, ClearedUsableFlagIsSilentButFinishes)
{
    SkillDefinition def;
    Skill* skill = learn(def);
    skill->setUsable(false);
    EXPECT_EQ(skill->checkUse(user, nullptr, Skill::kStageRequest, false), 1);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_TRUE(user->messages.empty());
    EXPECT_EQ(user->countEvents(kSkillFinished), 1);
    EXPECT_FALSE(skill->getUseTimer().running);
    // A staged use coming back is not held by the flag.
    EXPECT_EQ(skill->checkUse(user, nullptr, Skill::kStageMarker, false), 0);
}

TEST_F(SkillUseTest, PowerCostAndTheNoCostFlag)
{
    SkillDefinition def;
    def.power = 20;
    Skill* skill = learn(def);
    user->getStats().set(kPower, 19);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    // Too little power is refused and pays nothing.
    EXPECT_EQ(user->getStat(kPower), 19);
    ASSERT_EQ(user->messages.size(), 1u);
    EXPECT_EQ(user->messages[0].second, "Not enough Power");
    EXPECT_FALSE(skill->getUseTimer().running);

    user->getStats().set(kPower, 0);
    user->setFlags(user->getFlags() | Entity::kFlagNoPowerCost);
    EXPECT_EQ(skill->getPowerCost(user), 0);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_EQ(user->getStat(kPower), 0);
    EXPECT_TRUE(skill->getUseTimer().running);
    EXPECT_EQ(user->messages.size(), 1u);

    // "UseAllRage" spends everything.
    user->setFlags(0);
    def.useAllRage = true;
    skill->getUseTimer().running = false;
    user->getStats().set(kPower, 45);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_EQ(user->getStat(kPower), 0);
}

TEST_F(SkillUseTest, ZeroReuseTimeNeverBlocks)
{
    SkillDefinition def;
    def.power = 5;
    Skill* skill = learn(def);
    for (int i = 0; i < 3; ++i)
        skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_EQ(user->getStat(kPower), 35);
    EXPECT_TRUE(skill->getUseTimer().running);
    EXPECT_EQ(skill->getUseTimer().remaining, 0.0f);
    EXPECT_TRUE(user->messages.empty());
}

TEST_F(SkillUseTest, UseCheckPacing)
{
    SkillDefinition never;
    Skill* unpaced = learn(never, 0);
    unpaced->startUseCheck();
    for (int i = 0; i < 50; ++i)
        unpaced->updateTimer(0.5f);
    EXPECT_TRUE(unpaced->isUsable());
    EXPECT_FALSE(unpaced->getUseCheckTimer().running);

    SkillDefinition paced;
    paced.useCheckTime = 1.0f;
    paced.useCheckChance = 0.0f;
    Skill* skill = learn(paced, 1);
    skill->startUseCheck();
    EXPECT_FALSE(skill->isUsable());
    EXPECT_GE(skill->getUseCheckTimer().duration, 0.9f);
    EXPECT_LT(skill->getUseCheckTimer().duration, 1.1f);
    // A chance of 0 never sets the flag again; a chance of 1 always does.
    for (int i = 0; i < 10; ++i)
        skill->updateTimer(0.5f);
    EXPECT_FALSE(skill->isUsable());
    paced.useCheckChance = 1.0f;
    for (int i = 0; i < 3; ++i)
        skill->updateTimer(0.5f);
    EXPECT_TRUE(skill->isUsable());
    EXPECT_TRUE(skill->getUseCheckTimer().running);

    // A usable skill that its check refuses starts a fresh wait at once.
    skill->getUseTimer().running = true;
    skill->getUseTimer().remaining = 5.0f;
    skill->updateTimer(0.05f);
    EXPECT_FALSE(skill->isUsable());
    EXPECT_GT(skill->getUseCheckTimer().remaining, 0.85f);
}

TEST_F(SkillUseTest, SendUsedNamesTheDefinitionEntry)
{
    SkillDefinition handMade;
    Skill* skill = learn(handMade);
    skill->sendUsed(false);
    EXPECT_EQ(queued("usedSkill -1 0"), 1);

    const SkillDefinition* shipped = world.data->findSkillDefinition("MageFirebolt");
    ASSERT_NE(shipped, nullptr);
    ASSERT_NE(shipped->getEntry(), nullptr);
    Skill* firebolt = static_cast<Skill*>(list->addSkill(shipped, user, 0, 4));
    firebolt->sendUsed(true);
    EXPECT_EQ(queued("usedSkill " + std::to_string(shipped->getEntry()->getId()) + " 1"), 1);
}

TEST_F(SkillUseTest, OwnerIsKeptAsSentientOnlyWhenItIsOne)
{
    SkillDefinition def;
    Skill* skill = learn(def);
    EXPECT_EQ(skill->getSentientOwner(), user);
    Entity plain;
    skill->setOwner(&plain);
    EXPECT_EQ(skill->getOwner(), &plain);
    EXPECT_EQ(skill->getSentientOwner(), nullptr);
}

TEST_F(SkillUseTest, FailedStagedReturnStopsTheAnimation)
{
    SkillDefinition def;
    def.animation = "strike";
    def.power = 10;
    Skill* skill = learn(def);
    skill->use(user, nullptr, Skill::kStageRequest, false);
    EXPECT_TRUE(user->isPlayingAnimation("strike"));
    // Power is gone by the time the marker comes back: the use fails, the
    // skill's animation gives way and the behaviour hears it ended.
    user->getStats().set(kPower, 0);
    int steps = stepUntil([&] { return user->countEvents(kSkillFinished) > 0; });
    EXPECT_GT(steps, 0);
    EXPECT_FALSE(user->isPlayingAnimation("strike"));
    EXPECT_FALSE(skill->getUseTimer().running);
}

} // namespace
