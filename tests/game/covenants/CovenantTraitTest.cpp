#include "game/covenants/CovenantTrait.h"
#include "game/covenants/CovenantTestData.h"
#include "game/definitions/DefinitionReader.h"

namespace {

class CovenantTraitTest : public CovenantTestData {
protected:
    CovenantTraitTest() : CovenantTestData(true) {}

    const CovenantTrait* shipped(const char* name) const
    {
        for (const auto& t : data->getCovenantTraits())
            if (t.name == name)
                return t.definition;
        return nullptr;
    }
    std::unique_ptr<CovenantTrait> fixture(const char* name)
    {
        auto trait = std::make_unique<CovenantTrait>();
        trait->load(DefinitionReader::findEntry(name));
        return trait;
    }
};

} // namespace

TEST_F(CovenantTraitTest, ShippedMultipliers)
{
    ASSERT_TRUE(loaded);
    const CovenantTrait* fierce = shipped("TraitFierce");
    ASSERT_NE(fierce, nullptr);
    for (float m : fierce->multipliers)
        EXPECT_FLOAT_EQ(m, 1.0f);
    const CovenantTrait* treacherous = shipped("TraitTreacherous");
    ASSERT_NE(treacherous, nullptr);
    for (int kind = 0; kind < kCovenantMultiplierCount; ++kind)
        EXPECT_FLOAT_EQ(treacherous->getMultiplier(kind),
                        kind == static_cast<int>(CovenantMultiplier::Honor) ? 0.0f : 1.0f)
            << kind;
    EXPECT_FLOAT_EQ(treacherous->getMultiplier(14), 1.0f);
    EXPECT_FLOAT_EQ(treacherous->getMultiplier(-1), 1.0f);
    EXPECT_EQ(treacherous->name, "$$TraitTreacherous$$");
    EXPECT_EQ(treacherous->description, "$$TraitTreacherousDesc$$");
    const CovenantTrait* greedy = shipped("TraitGreedy");
    ASSERT_NE(greedy, nullptr);
    EXPECT_FLOAT_EQ(greedy->getMultiplier(static_cast<int>(CovenantMultiplier::Trading)), 1.25f);
    // The traits a personality draws from: Greedy and Generous exclude each other.
    const CovenantTrait* generous = shipped("TraitGenerous");
    EXPECT_TRUE(greedy->conflictsWithAny({fierce, generous}));
    EXPECT_FALSE(greedy->conflictsWithAny({fierce, treacherous}));
}

TEST_F(CovenantTraitTest, ConflictsAreOneSided)
{
    ASSERT_TRUE(loaded);
    log.clear();
    auto a = fixture("CovFixtureTraitA");
    auto b = fixture("CovFixtureTraitB");
    auto unknown = fixture("CovFixtureTraitUnknown");
    EXPECT_TRUE(log.contains("NoSuchTrait", 2));
    EXPECT_EQ(unknown->conflictingTrait, nullptr);
    EXPECT_FALSE(unknown->conflictsWithAny({a.get(), b.get()}));
    EXPECT_TRUE(a->conflictsWithAny({b.get()}));
    EXPECT_FALSE(b->conflictsWithAny({a.get()}));
    EXPECT_FALSE(a->conflictsWithAny({}));
    EXPECT_FLOAT_EQ(a->getMultiplier(static_cast<int>(CovenantMultiplier::Honor)), 0.0f);
    EXPECT_FLOAT_EQ(b->getMultiplier(static_cast<int>(CovenantMultiplier::Honor)), 1.0f);
}

TEST_F(CovenantTraitTest, MultiplierNames)
{
    EXPECT_EQ(getCovenantMultiplierName(14, false), "");
    EXPECT_EQ(getCovenantMultiplierName(14, true), "");
    EXPECT_EQ(getCovenantMultiplierName(-1, true), "");
    EXPECT_EQ(getCovenantMultiplierName(10, true), "$$Honor$$");
    EXPECT_EQ(getCovenantMultiplierName(13, false), "Trading");
    EXPECT_EQ(getCovenantMultiplierName(0, false), "None");
}
