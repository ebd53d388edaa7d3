#include "engine/data/Database.h"
#include "game/covenants/ActorCovenantFixture.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Recruit.h"

#include <algorithm>

namespace {
bool holds(const ActorCovenant& c, const std::string& trait)
{
    return std::any_of(c.traits.begin(), c.traits.end(),
                       [&](const CovenantTrait* t) { return t->name == "$$" + trait + "$$"; });
}

int countRelics(const ActorCovenant& c)
{
    int n = 0;
    for (int slot = 0; slot < Covenant::kHouseSlots; ++slot) {
        const ItemBase* item = c.getHouseItem(slot);
        n += item && item->getItemType() == ItemType::Relic;
    }
    const InventoryGroup* stash = c.inventory->getOwnGroup(toIndex(InventoryGroupIndex::Stash));
    for (int i = 0; stash && i < stash->getSize(); ++i)
        n += stash->getItem(i) && stash->getItem(i)->getItemType() == ItemType::Relic;
    return n;
}
} // namespace

using ActorCovenantSetUpTest = ActorCovenantFixture;

TEST_F(ActorCovenantSetUpTest, IronboundAtLevelTenHasItsTraitsPeopleStoneAndRelations)
{
    for (const char* name : {"Ironbound", "GildedScale", "Thornveil", "Emberwatch"})
        addActorCovenant(name);
    ActorCovenant& c = *static_cast<ActorCovenant*>(world.game->getCovenant(0));
    c.initNew(nav.tileCentre(0, 40, 40), 10, 1);
    c.initRelations();

    EXPECT_EQ(c.getDifficulty(), 1);
    ASSERT_EQ(c.traits.size(), 2u);
    EXPECT_TRUE(holds(c, "TraitWarlike"));
    EXPECT_FALSE(holds(c, "TraitPeaceful"));
    EXPECT_NE(c.traits[1], c.traits[0]);

    ASSERT_NE(c.getLeader(), nullptr);
    EXPECT_EQ(c.getLeader()->getStat(toIndex(CharacterStat::Level)), 10);
    ASSERT_EQ(c.getRecruitCount(), 2);
    const Recruit* other = c.getRecruit(0)->hero ? c.getRecruit(1) : c.getRecruit(0);
    ASSERT_NE(other, nullptr);
    EXPECT_GE(other->getActor()->getStat(toIndex(CharacterStat::Level)), 7);
    EXPECT_LE(other->getActor()->getStat(toIndex(CharacterStat::Level)), 10);
    EXPECT_EQ(c.getDefinition()->getStartMoney(10), 630); // floor(4.2 x 10 x 15)
    EXPECT_EQ(countRelics(c), 0);

    long long summed = 0;
    for (int i = 0; i < c.getRecruitSlotCount(); ++i) {
        if (const Recruit* r = c.getRecruit(i))
            summed += r->getActor()->getMaxHealth();
    }
    const int expected =
        static_cast<int>(std::floor(c.getMultiplier(toIndex(CovenantMultiplier::LifeStone)) *
                                    static_cast<double>(summed) * c.getDefinition()->LifestoneHealthMult));
    EXPECT_EQ(c.getLifestoneMaxHealth(), expected);
    EXPECT_EQ(c.getLifestoneHealth(), expected);

    EXPECT_FLOAT_EQ(c.getRelation(1), 45.0f);
    EXPECT_FLOAT_EQ(c.getRelation(2), 40.0f);
    EXPECT_FLOAT_EQ(c.getRelation(3), 35.0f);
    EXPECT_FLOAT_EQ(c.getRelation(4), 40.0f); // the player's, who joins later
    for (int i = 1; i <= 4; ++i) {
        EXPECT_GE(c.memoryOf(i).naturalHate, 0.0f);
        EXPECT_LT(c.memoryOf(i).naturalHate, 30.0f);
    }
}

TEST_F(ActorCovenantSetUpTest, LevelZeroTheRelicCapAndMoreTraitsThanCanBeDrawn)
{
    ActorCovenant& low = setUpCovenant("Ironbound", 0);
    EXPECT_EQ(low.getLeader()->getStat(toIndex(CharacterStat::Level)), 1);
    EXPECT_EQ(low.covenantItemsWorth(false), 0);
    EXPECT_EQ(countRelics(low), 0);

    auto* d = const_cast<CovenantDefinition*>(low.getDefinition());
    const CovenantDefinition saved = *d;
    d->StartNumRelicsPerLevel = 0.79f;
    ActorCovenant& rich = setUpCovenant("Ironbound", 10);
    EXPECT_EQ(countRelics(rich), 4);

    *d = saved;
    d->NumTraits = 12;
    ActorCovenant& greedy = setUpCovenant("Ironbound", 1);
    // It returns, holding every trait that could still be drawn.
    EXPECT_GE(greedy.traits.size(), 2u);
    for (const auto& t : world.data->getCovenantTraits()) {
        const bool held =
            std::find(greedy.traits.begin(), greedy.traits.end(), t.definition) != greedy.traits.end();
        EXPECT_TRUE(held || t.definition->conflictsWithAny(greedy.traits)) << t.name;
    }
    *d = saved;
}

TEST_F(ActorCovenantSetUpTest, EveryPersonalityCanDrawItsNumberOfTraits)
{
    for (const auto& loaded : world.data->getCovenantDefinitions()) {
        if (!loaded.definition || loaded.name == "Human")
            continue;
        for (uint32_t seed : {1u, 99u, 4242u}) {
            Random::setState(0, seed);
            ActorCovenant c;
            c.setDefinitionByName(loaded.name);
            c.chooseTraits();
            EXPECT_EQ(static_cast<int>(c.traits.size()), loaded.definition->NumTraits) << loaded.name;
            for (const CovenantTrait* t : c.traits)
                EXPECT_FALSE(t->conflictsWithAny(c.traits)) << loaded.name << " " << t->name;
        }
    }
}

TEST_F(ActorCovenantSetUpTest, StartingRelationsOutsideZeroToAHundredAreClamped)
{
    Database& database = *Database::instance();
    database.addSubDatabase("ClampFixture", "clamp.dbl",
                            "IronboundOutOfRange {\n Base Ironbound\n StartingRelationGildedScale 120\n"
                            " StartingRelationThornveil -5\n}\n");
    database.resolveBases();
    ActorCovenant& c = addActorCovenant("Ironbound");
    addActorCovenant("GildedScale");
    addActorCovenant("Thornveil");
    auto* d = const_cast<CovenantDefinition*>(c.getDefinition());
    const CovenantDefinition saved = *d;
    d->load(database.findEntry("IronboundOutOfRange"));
    c.initRelations();
    *d = saved;
    EXPECT_FLOAT_EQ(c.getRelation(1), 100.0f);
    EXPECT_FLOAT_EQ(c.getRelation(2), 0.0f);
}
