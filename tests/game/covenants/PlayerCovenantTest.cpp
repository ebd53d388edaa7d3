#include "game/covenants/PlayerCovenant.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Direction.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/ActorFixture.h"
#include "game/entities/Gate.h"
#include "game/entities/Inventory.h"
#include "game/entities/Recruit.h"
#include "game/entities/Stash.h"
#include "server/Server.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
// The data version the saves are written at.
constexpr int kSaveVersion = 39;
} // namespace

// The player's covenant in a Game on the shipped data, as the join makes it.
class PlayerCovenantTest : public ActorFixture {
protected:
    PlayerCovenantTest()
    {
        auto made = std::make_unique<PlayerCovenant>();
        covenant = made.get();
        world.game->addCovenant(std::move(made));
        firstLine = Server::instance()->getQueuedCommands().size();
    }

    std::vector<std::string> lines() const
    {
        const std::vector<std::string>& all = Server::instance()->getQueuedCommands();
        return std::vector<std::string>(all.begin() + static_cast<long>(firstLine), all.end());
    }

    // The start cell's corner shifted by whole tiles.
    ZonePosition houseTile(int dx, int dy) const
    {
        const GameRules& r = world.data->rules();
        float cx = std::floor(r.startPosition.x * static_cast<float>(r.levelTileWidth)) + dx;
        float cy = std::floor(r.startPosition.y * static_cast<float>(r.levelTileHeight)) + dy;
        return snapToGrid(
            ZonePosition(0, r.tileOrigin.x + cx * r.tileSize, r.tileOrigin.y + cy * r.tileSize));
    }

    // A returning covenant's section: recruits in the slots, the stone pair.
    ByteBuffer returningSection(const std::vector<int>& slots, int health, int maximum)
    {
        ByteBuffer out;
        out.writeInt(1u);
        out.writeString("Oakhold");
        Inventory bags;
        bags.write(out, false);
        out.writeInt(static_cast<uint32_t>(slots.size()));
        Actor* body = spawn(findType("RecruitWarrior"), 5, 60, 60);
        Recruit record;
        record.saveFromActor(body);
        for (int slot : slots) {
            out.writeInt(static_cast<uint32_t>(slot));
            writeJoinRecruit(out, record);
        }
        CounterList(kCovenantStatCount).write(out);
        out.writeInt(static_cast<uint32_t>(health));
        out.writeInt(static_cast<uint32_t>(maximum));
        world.game->deleteEntity(body, true);
        world.game->update(0.0f);
        return out;
    }

    // A recruit as the client's join writes it: the section without the
    // entity number.
    static void writeJoinRecruit(ByteBuffer& out, const Recruit& record)
    {
        out.writeInt(record.typeEntry);
        record.stats.write(out);
        record.inventory->write(out, false);
        out.writeInt(static_cast<uint32_t>(record.entryList.size()));
        for (int32_t id : record.entryList)
            out.writeInt(id);
        out.writeInt(record.seed);
        out.writeInt(static_cast<uint32_t>(record.skills.size()));
        for (int32_t id : record.skills)
            out.writeInt(id);
    }

    PlayerCovenant* covenant = nullptr;
    size_t firstLine = 0;
};

TEST_F(PlayerCovenantTest, ANewCovenantGetsItsHouseAndOneBag)
{
    ByteBuffer in;
    in.writeInt(0u);
    in.writeString("Oakhold");
    std::string field;
    ASSERT_TRUE(covenant->initNew(in, field)) << field;
    EXPECT_EQ(covenant->name, "Oakhold");
    EXPECT_EQ(covenant->getDefinitionName(), "Human");
    EXPECT_EQ(covenant->getRecruitCount(), 0);
    EXPECT_EQ(covenant->getMemberCount(), 1) << "the player";
    InventoryGroup* stash = covenant->inventory->getSlot(PlayerCovenant::kStashGroup);
    ASSERT_NE(stash, nullptr);
    ASSERT_EQ(stash->countItems(), 1);
    const ItemBase* bag = nullptr;
    for (int i = 0; i < stash->getSize() && !bag; ++i)
        bag = stash->getItem(i);
    ASSERT_NE(bag, nullptr);
    ASSERT_NE(bag->getItemEntry(), nullptr);
    EXPECT_EQ(bag->getItemEntry()->getName(), "Bag1");
    EXPECT_EQ(covenant->getLifestoneMaxHealth(), -1);
    EXPECT_LE(covenant->getLifestoneHealth(), -1);

    // The five objects around the start cell: the three stashes a column to
    // the west, facing north; the stone on the cell, the gate to the east.
    struct Place {
        const char* entry;
        int dy;
    };
    int stashes = 0;
    for (int n = 0; n < Game::kMaxEntities; ++n) {
        const Entity* e = world.game->getEntity(n);
        stashes += e && dynamic_cast<const Stash*>(e) ? 1 : 0;
    }
    EXPECT_EQ(stashes, 3);
    for (const Place& place :
         {Place{"ObjectCovenantStash", -2}, Place{"ObjectBookshelf", 0}, Place{"ObjectPlayerStash", 2}}) {
        const Entity* found = nullptr;
        for (int n = 0; n < Game::kMaxEntities && !found; ++n) {
            const Entity* e = world.game->getEntity(n);
            found = e && e->getEntry() && e->getEntry()->getName() == place.entry ? e : nullptr;
        }
        ASSERT_NE(found, nullptr) << place.entry;
        EXPECT_EQ(found->getPosition(), houseTile(-5, place.dy)) << place.entry;
        EXPECT_EQ(found->getDirection(), static_cast<int>(Direction::North)) << place.entry;
        EXPECT_EQ(found->getCovenantIndex(), covenant->index) << place.entry;
    }
    ASSERT_NE(covenant->getLifestone(), nullptr);
    EXPECT_EQ(covenant->getLifestone()->getPosition(), houseTile(0, 0));
    EXPECT_EQ(covenant->housePosition, houseTile(0, 0));
    ASSERT_NE(covenant->getGate(), nullptr);
    EXPECT_EQ(covenant->getGate()->getPosition(), houseTile(3, 0));
    for (int i = 0; i < Covenant::kRelicSlots; ++i)
        EXPECT_NE(covenant->getPedestal(i), nullptr) << i;
}

TEST_F(PlayerCovenantTest, AReturningCovenantBringsItsRecruitsAndAClampedStone)
{
    ByteBuffer in = returningSection({1, 3}, 900, 800);
    std::string field;
    ASSERT_TRUE(covenant->initNew(in, field)) << field;
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(covenant->getRecruitCount(), 2);
    for (int slot : {1, 3}) {
        Actor* actor = covenant->getRecruitActor(slot);
        ASSERT_NE(actor, nullptr) << slot;
        EXPECT_EQ(world.game->getEntity(actor->getEntityNumber()), actor);
        EXPECT_EQ(actor->getCovenant(), covenant);
    }
    EXPECT_EQ(covenant->getRecruit(0), nullptr);
    EXPECT_EQ(covenant->getLifestoneMaxHealth(), 800);
    EXPECT_EQ(covenant->getLifestoneHealth(), 800);
}

TEST_F(PlayerCovenantTest, ADestroyedCovenantGetsItsRecordsButNoBodies)
{
    ByteBuffer in = returningSection({1, 3}, 500, 800);
    const int entities = world.game->getEntityCount();
    covenant->destroyed = true;
    std::string field;
    ASSERT_TRUE(covenant->initNew(in, field)) << field;
    EXPECT_EQ(covenant->getRecruitCount(), 2);
    for (int slot : {1, 3}) {
        ASSERT_NE(covenant->getRecruit(slot), nullptr) << slot;
        EXPECT_EQ(covenant->getRecruitActor(slot), nullptr) << slot;
    }
    // Only the house objects were added.
    int house = 0;
    for (int i = 0; i < Game::kMaxEntities; ++i)
        if (const Entity* e = world.game->getEntity(i); e && e->getCovenantIndex() == covenant->index)
            ++house;
    EXPECT_EQ(world.game->getEntityCount() - entities, house);
}

TEST_F(PlayerCovenantTest, ABadSectionIsRefusedWithNothingMade)
{
    const int entities = world.game->getEntityCount();
    ByteBuffer good = returningSection({1, 3}, 500, 800);
    const int before = world.game->getEntityCount();
    ASSERT_EQ(before, entities);
    std::string field;
    for (size_t cut = 0; cut < good.size(); ++cut) {
        ByteBuffer in(good.data(), cut);
        PlayerCovenant scratch;
        EXPECT_FALSE(scratch.parseJoinSection(in, field)) << cut;
    }
    struct Case {
        std::vector<int> slots;
        const char* field;
    };
    for (const Case& c : {Case{{7}, "covenant recruit slot"}, Case{{1, 1}, "covenant recruit slot"},
                          Case{{0, 1, 2, 3, 0}, "covenant recruit count"}}) {
        ByteBuffer in = returningSection(c.slots, 500, 800);
        PlayerCovenant scratch;
        EXPECT_FALSE(scratch.parseJoinSection(in, field));
        EXPECT_EQ(field, c.field);
        scratch.applyJoinSection(); // nothing kept to apply
        EXPECT_EQ(scratch.getLifestone(), nullptr);
    }
    EXPECT_EQ(world.game->getEntityCount(), before);
}

TEST_F(PlayerCovenantTest, DiplomacyBecomesTheClientsLines)
{
    struct Case {
        float change;
        const char* text;
    };
    for (const Case& c : {Case{0.5f, "+0.5 relation (N)"}, Case{-0.05f, "-0.05 relation (N)"},
                          Case{-2.0f, "-2.0 relation (N)"}, Case{0.1f, "+0.10 relation (N)"},
                          Case{0.001f, "+0.001 relation (N)"}})
        EXPECT_EQ(PlayerCovenant::relationChangeText(c.change, "N"), c.text);

    auto other = std::make_unique<PlayerCovenant>();
    PlayerCovenant* partner = other.get();
    world.game->addCovenant(std::move(other));
    covenant->sendRelationChange(partner, 0.0f);
    covenant->sendRelationChange(nullptr, 1.0f);
    partner->destroyed = true;
    covenant->sendRelationChange(partner, 1.0f);
    EXPECT_TRUE(lines().empty());
    partner->destroyed = false;
    covenant->sendRelationChange(partner, 0.5f);
    ASSERT_EQ(lines().size(), 1u);
    EXPECT_EQ(lines()[0].rfind("msg 6 \"+0.5 relation (", 0), 0u) << lines()[0];

    TradeOffer offer;
    offer.type = 3;
    offer.terms = {{0, 6, 10}, {1, 8, 20}, {0, 1, 5}};
    covenant->receiveOffer(partner, offer);
    const std::string offerLine = "offerToPlayer 3 1 0 6 10 1 8 20 0 1 5";
    ASSERT_EQ(lines().size(), 2u);
    EXPECT_EQ(lines()[1], offerLine);
    covenant->receiveOfferResult(partner, offer, false, 2);
    ASSERT_EQ(lines().size(), 4u);
    EXPECT_EQ(lines()[2], offerLine) << "a completed request is shown again";
    EXPECT_EQ(lines()[3], "dipRes 2 1");
    covenant->offerExpired(1);
    covenant->sendDiplomacyResult(partner, 16);
    EXPECT_EQ(lines()[4], "offerExpired 1");
    EXPECT_EQ(lines()[5], "dipRes 16 1");
}

TEST_F(PlayerCovenantTest, RecruitRecordsSurviveBothFormsAndRefuseEveryCut)
{
    Actor* body = spawn(findType("RecruitWarrior"), 5, 60, 60);
    ASSERT_NE(body, nullptr);
    Recruit record;
    record.saveFromActor(body);
    record.hero = true;
    record.seed = 1234;
    record.entryList = {body->getEntry() ? body->getEntry()->getId() : 0};
    ASSERT_FALSE(record.skills.empty());
    auto same = [](const Recruit& a, const Recruit& b) {
        return a.typeEntry == b.typeEntry && a.stats == b.stats && a.entryList == b.entryList &&
               a.seed == b.seed && a.skills == b.skills && a.hero == b.hero;
    };

    // The save form: the record, then the hero flag.
    ByteBuffer saved;
    record.write(saved);
    Recruit copy;
    ASSERT_TRUE(copy.read(saved, kSaveVersion));
    EXPECT_TRUE(same(copy, record));

    // The section of a record without actor keeps entries, name and skills
    // after the -1; without that number it is the join's form.
    ByteBuffer section;
    record.writeSection(section);
    ByteBuffer join;
    writeJoinRecruit(join, record);
    ASSERT_EQ(section.size(), join.size() + 4);
    EXPECT_TRUE(std::equal(join.data(), join.data() + 4 + 4 * RecruitBase::kStatCount, section.data()));
    EXPECT_TRUE(std::equal(join.data() + join.size() - 12, join.data() + join.size(),
                           section.data() + section.size() - 12));
    Recruit fromJoin;
    ASSERT_TRUE(fromJoin.readSection(join));
    fromJoin.hero = true;
    EXPECT_TRUE(same(fromJoin, record));

    // Every cut of either form is refused and leaves the record as it was.
    Recruit untouched;
    untouched.seed = 77;
    for (size_t cut = 0; cut < saved.size(); ++cut) {
        ByteBuffer in(saved.data(), cut);
        EXPECT_FALSE(untouched.read(in, kSaveVersion)) << cut;
    }
    for (size_t cut = 0; cut < join.size(); ++cut) {
        ByteBuffer in(join.data(), cut);
        EXPECT_FALSE(untouched.readSection(in)) << cut;
    }
    EXPECT_EQ(untouched.seed, 77);
    EXPECT_EQ(untouched.typeEntry, Recruit().typeEntry);
}
