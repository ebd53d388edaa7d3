#include "game/skills/StatusEffectBase.h"

#include "engine/data/Database.h"
#include "game/skills/SkillTestData.h"

#include <gtest/gtest.h>

namespace {

const char* const kEffects = R"(
EffectTemplate {
    Type StatusEffect
    BaseOnly 1
    Alpha 1
    Public 1
}
BuffPerLevel {
    Type StatusEffect
    StatChangeStrength 2
    StatMultStrength 0.1
    TotalTime 5
    HealthChange 1
}
Buff {
    Base EffectTemplate
    Name "Buff"
    PerLevel BuffPerLevel
    StatChangeStrength 4
    StatMultStrength 0.25
    StatMultVitality -0.0015
    TotalTime 10
    HealthChange 5
    TickTime 2
    GroupName "Buffs"
    EntityState Block Stealthed
}
NoPublic {
    Name "Hidden"
    Type StatusEffect
}
ExactA {
    Base EffectTemplate
    EffectType OnlyOneExact
    GroupName "Same"
}
ExactB {
    Base EffectTemplate
    EffectType OnlyOneExact
    GroupName "Same"
}
Plain1 {
    Base EffectTemplate
}
Plain2 {
    Base EffectTemplate
}
Timed {
    Base EffectTemplate
    StrengthTime 5
    StrengthEffectEasy 1.5
    StrengthEffectHard 0.5
    Strength 10
    HealthChange -6
    Aura 0
    AuraDistance 100
    AuraStatusEffect Buff
    CheckSuccess 1
    SuccessEndEffect Plain1
}
AuraEffect {
    Base EffectTemplate
    Aura 1
    AuraDistance 200
    AuraStatusEffect Buff
    SuccessEndEffect Plain1
}
)";

const DatabaseEntry* entry(const char* name)
{
    return Database::get().findEntry(name);
}

TEST(StatusEffectBaseTest, NewRecordDefaults)
{
    StatusEffectBase effect;
    EXPECT_TRUE(effect.isPublic);
    EXPECT_TRUE(effect.present);
    EXPECT_EQ(effect.level, 0);
    EXPECT_EQ(effect.getEntry(), nullptr);
    EXPECT_EQ(effect.timers.size(), 2u);
    EXPECT_EQ(effect.timers.at(0), &effect.durationTimer);
    EXPECT_EQ(effect.timers.at(1), &effect.tickTimer);
    // The list advances the record's own timers.
    effect.durationTimer.running = true;
    effect.durationTimer.remaining = 1.0f;
    effect.timers.update(0.25f);
    EXPECT_FLOAT_EQ(effect.durationTimer.remaining, 0.75f);
}

TEST(StatusEffectBaseTest, LoadsAtLevelsWithThePerLevelEntry)
{
    SkillTestData data(kEffects);
    StatusEffectBase effect;
    effect.setEntry(entry("Buff"), 1, nullptr);
    EXPECT_EQ(effect.name, "Buff");
    EXPECT_EQ(effect.statChanges[5], 4);
    EXPECT_EQ(effect.statMults[5], 250);
    EXPECT_EQ(effect.statMults[7], -1);
    EXPECT_FLOAT_EQ(effect.totalTime, 10.0f);
    EXPECT_FLOAT_EQ(effect.alpha, 1.0f);
    EXPECT_TRUE(effect.isPublic);
    EXPECT_EQ(effect.entityStates, (1u << 0) | (1u << 10));
    EXPECT_EQ(effect.perLevelEntry, entry("BuffPerLevel"));

    // Same entry, new level: only the level changes, nothing reloads.
    effect.setEntry(entry("Buff"), 3, nullptr);
    EXPECT_EQ(effect.level, 3);
    EXPECT_EQ(effect.statChanges[5], 4);

    StatusEffectBase third;
    third.setEntry(entry("Buff"), 3, nullptr);
    EXPECT_EQ(third.statChanges[5], 8);
    EXPECT_EQ(third.statMults[5], 450);
    EXPECT_FLOAT_EQ(third.totalTime, 20.0f);
    EXPECT_FLOAT_EQ(third.healthChange, 7.0f);
    EXPECT_FLOAT_EQ(third.tickTime, 2.0f);
    EXPECT_EQ(third.getInt("StatChangeStrength"), 8);
    EXPECT_FLOAT_EQ(third.getFloat("TotalTime"), 20.0f);

    // Loads share what the entry gave at a level, never what one effect
    // changed of its own copy afterwards.
    third.statChanges[5] = 99;
    third.healthChange = -1.0f;
    StatusEffectBase again;
    again.setEntry(entry("Buff"), 3, nullptr);
    EXPECT_EQ(again.statChanges[5], 8);
    EXPECT_FLOAT_EQ(again.healthChange, 7.0f);
    StatusEffectBase first;
    first.setEntry(entry("Buff"), 0, nullptr);
    EXPECT_EQ(first.statChanges[5], 4) << "levels below 2 read the entry alone";

    StatusEffectBase hidden;
    hidden.setEntry(entry("NoPublic"), 1, nullptr);
    EXPECT_FALSE(hidden.isPublic);
    EXPECT_FLOAT_EQ(hidden.alpha, 0.0f);
}

TEST(StatusEffectBaseTest, ConditionalKeys)
{
    SkillTestData data(kEffects);
    StatusEffectBase timed;
    timed.setEntry(entry("Timed"), 1, nullptr);
    EXPECT_FLOAT_EQ(timed.auraDistance, 0.0f);
    EXPECT_EQ(timed.auraStatusEffect, nullptr);
    EXPECT_EQ(timed.successEndEffect, entry("Plain1"));
    EXPECT_EQ(timed.strengthLeft, 10);

    StatusEffectBase aura;
    aura.setEntry(entry("AuraEffect"), 1, nullptr);
    EXPECT_FLOAT_EQ(aura.auraDistance, 200.0f);
    EXPECT_EQ(aura.auraStatusEffect, entry("Buff"));
    EXPECT_EQ(aura.successEndEffect, nullptr);

    // Reloading another entry clears what the new one does not set.
    aura.setEntry(entry("Timed"), 1, nullptr);
    EXPECT_EQ(aura.auraStatusEffect, nullptr);
    EXPECT_FLOAT_EQ(aura.auraDistance, 0.0f);
}

TEST(StatusEffectBaseTest, SameKind)
{
    SkillTestData data(kEffects);
    StatusEffectBase a, b, p1, p2;
    a.setEntry(entry("ExactA"), 1, nullptr);
    b.setEntry(entry("ExactB"), 1, nullptr);
    p1.setEntry(entry("Plain1"), 1, nullptr);
    p2.setEntry(entry("Plain2"), 1, nullptr);
    EXPECT_FALSE(a.isSameKind(&b));
    StatusEffectBase a2;
    a2.setEntry(entry("ExactA"), 2, nullptr);
    EXPECT_TRUE(a.isSameKind(&a2));
    EXPECT_TRUE(p1.isSameKind(&p2));
    EXPECT_FALSE(p1.isSameKind(nullptr));
    p2.ended = true;
    EXPECT_FALSE(p1.isSameKind(&p2));
    EXPECT_FALSE(p2.isSameKind(&p1));
}

TEST(StatusEffectBaseTest, StrengthWeakeningAndWorth)
{
    SkillTestData data(kEffects);
    StatusEffectBase timed;
    timed.setEntry(entry("Timed"), 1, nullptr);
    EXPECT_FLOAT_EQ(timed.getStrengthFactor(5.0f, 3), 2.0f);
    EXPECT_FLOAT_EQ(timed.getStrengthFactor(5.0f, 5), 1.0f);
    EXPECT_FLOAT_EQ(timed.getStrengthFactor(5.0f, 7), 0.375f);

    EXPECT_FLOAT_EQ(timed.scaleByStrength(8.0f), 8.0f);
    timed.strengthLeft = 5;
    EXPECT_FLOAT_EQ(timed.scaleByStrength(8.0f), 4.0f);

    timed.level = 3;
    timed.weakenDamageOverTime(2);
    EXPECT_FLOAT_EQ(timed.healthChange, -4.0f);
    EXPECT_EQ(timed.level, 2);
    EXPECT_FALSE(timed.ended);
    timed.weakenDamageOverTime(10);
    EXPECT_TRUE(timed.ended);

    StatusEffectBase buff;
    buff.setEntry(entry("Buff"), 1, nullptr);
    buff.weakenDamageOverTime(3);
    EXPECT_FLOAT_EQ(buff.healthChange, 5.0f);
    EXPECT_FALSE(buff.ended);
    // 1.0 × 5 × 5 ticks + 4 Strength × 2.0 × 10 s ÷ 60
    EXPECT_NEAR(buff.getWorth(), 26.333f, 0.001f);
}

} // namespace
