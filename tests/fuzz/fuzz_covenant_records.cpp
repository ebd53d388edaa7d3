// The covenant and recruit record readers over arbitrary bytes, against the
// shipped database. The first byte picks the reader: 0-4 a recruit record at
// data version 12, 13, 37, 38 or 39; 5 a run of relation entries and 6 a run
// of saved relation records (each preceded by one byte naming the other
// covenant, 0-47); 7 the influence counters; 8 an offer's term list; 9-12 a
// computer covenant's save section at version 6, 14, 35 or 39, read on a live
// Game: a refused section adds no entity; 13 a server recruit's save record
// (with the hero flag) and 14 a recruit section as a join carries it.
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/covenants/InfluenceCounters.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/entities/Actor.h"
#include "game/entities/Recruit.h"
#include "game/quests/RecruitBase.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FightingServices.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"

#include "FuzzSupport.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace {

struct RecruitImage {
    int32_t typeEntry;
    std::vector<int32_t> stats;
    std::vector<uint8_t> inventory;
    std::vector<int32_t> entryList;
    int32_t seed;
    std::vector<int32_t> skills;

    explicit RecruitImage(const RecruitBase& r)
        : typeEntry(r.typeEntry), stats(r.stats.values()), entryList(r.entryList), seed(r.seed),
          skills(r.skills)
    {
        ByteBuffer b;
        r.inventory->write(b, true);
        inventory = b.bytes();
    }
    bool operator==(const RecruitImage&) const = default;
};

void fuzzRecruit(ByteBuffer& buffer, int version)
{
    RecruitBase r;
    r.typeEntry = 7;
    r.seed = 11;
    r.stats.set(111, 5);
    r.skills = {-1};
    RecruitImage before(r);
    if (!r.read(buffer, version)) {
        FUZZ_CHECK(RecruitImage(r) == before);
        return;
    }
    for (int32_t id : r.entryList)
        FUZZ_CHECK(Database::get().getEntryByIndex(id) != nullptr);
    if (r.typeEntry != -1)
        FUZZ_CHECK(Database::get().getEntryByIndex(r.typeEntry) != nullptr);
    ByteBuffer again;
    r.write(again);
    RecruitBase copy;
    FUZZ_CHECK(copy.read(again, 39));
    FUZZ_CHECK(RecruitImage(copy) == RecruitImage(r));
}

void checkCovenant(const CovenantBase& c)
{
    FUZZ_CHECK(c.getRelationCount() >= 0 && c.getRelationCount() <= CovenantBase::kMaxCovenants);
    for (int i = 0; i < c.getRelationCount(); ++i) {
        const RelationRecord* r = c.getRelationRecord(i);
        FUZZ_CHECK(r != nullptr);
        FUZZ_CHECK(std::isfinite(r->relation) && r->relation >= 0.0f && r->relation <= 100.0f);
        FUZZ_CHECK(r->treaty >= 0 && r->treaty < kCovenantTreatyCount);
        FUZZ_CHECK(r->tradeRoute >= 0 && r->tradeRoute < kTradeRouteCount);
    }
}

std::vector<RelationRecord> recordsOf(const CovenantBase& c)
{
    std::vector<RelationRecord> out;
    for (int i = 0; i < c.getRelationCount(); ++i)
        out.push_back(*c.getRelationRecord(i));
    return out;
}

void fuzzRelations(ByteBuffer& buffer, bool saved)
{
    CovenantBase c;
    c.setRelationState(2, static_cast<int>(CovenantTreaty::War));
    while (buffer.remaining() > 0) {
        int other = buffer.readByte() % 48;
        std::vector<RelationRecord> before = recordsOf(c);
        bool ok = saved ? c.readRelationSaved(buffer, other) : c.readRelationEntry(buffer, other);
        if (!ok) {
            FUZZ_CHECK(recordsOf(c) == before);
            break;
        }
        checkCovenant(c);
    }
    checkCovenant(c);
}

void fuzzCounters(ByteBuffer& buffer)
{
    InfluenceCounters c{1, 2, 3, 4};
    bool enough = buffer.remaining() >= 16;
    bool ok = readInfluenceCounters(buffer, c);
    FUZZ_CHECK(ok == enough);
    if (!ok)
        FUZZ_CHECK((c == InfluenceCounters{1, 2, 3, 4}));
}

void fuzzTerms(ByteBuffer& buffer)
{
    TradeOffer offer;
    offer.addEntry(static_cast<int>(TradeTermKind::TermCrystals), 3, 1);
    TradeOffer before = offer;
    if (!offer.readTerms(buffer)) {
        FUZZ_CHECK(offer.terms == before.terms && offer.onlyItems == before.onlyItems);
        return;
    }
    for (const TradeTerm& term : offer.terms)
        FUZZ_CHECK(term.isWellFormed());
    FUZZ_CHECK(offer.onlyItems == offer.hasOnlyItemTerms());
    ByteBuffer again;
    offer.writeTerms(again);
    TradeOffer copy;
    FUZZ_CHECK(copy.readTerms(again) && copy.terms == offer.terms);
}

// The game data, classes and a Game for the covenant sections.
struct LiveGame {
    LiveGame()
    {
        registerSkillLoaders();
        registerCovenantLoaders();
        startUpGameData(data);
        registerFightingServices();
        registerGameClasses();
        classes.declareAllEvents();
        classes.bindAllHandlers();
        game = std::make_unique<Game>();
        game->loadSettings();
    }
    EventSystem events;
    ClassRegistry classes;
    std::unique_ptr<GameData> data;
    std::unique_ptr<Game> game;
};

void fuzzSection(ByteBuffer& buffer, int version)
{
    static LiveGame* live = new LiveGame();
    Game& game = *live->game;
    const int entities = game.getEntityCount();
    {
        ActorCovenant covenant;
        covenant.index = 0;
        if (!covenant.read(buffer, version)) {
            FUZZ_CHECK(game.getEntityCount() == entities);
            return;
        }
        FUZZ_CHECK(covenant.getRecruitCount() <= covenant.getRecruitSlotCount());
        for (int i = 0; i < covenant.getRelationCount(); ++i)
            FUZZ_CHECK(covenant.getRelation(i) >= 0.0f && covenant.getRelation(i) <= 100.0f);
        ByteBuffer again;
        covenant.write(again);
        ActorCovenant copy;
        copy.index = 0;
        FUZZ_CHECK(copy.read(again, ActorCovenant::kSaveVersion));
    }
    game.clear();
}

// A refused read leaves the recruit as it was; an accepted one writes a
// form that reads back the same.
void fuzzServerRecruit(ByteBuffer& buffer, bool section)
{
    Recruit r;
    r.typeEntry = 7;
    r.seed = 11;
    r.hero = true;
    r.skills = {3};
    RecruitImage before(r);
    bool ok = section ? r.readSection(buffer) : r.read(buffer, 39);
    if (!ok) {
        FUZZ_CHECK(RecruitImage(r) == before && r.hero);
        return;
    }
    if (section)
        return;
    ByteBuffer again;
    r.write(again);
    Recruit copy;
    FUZZ_CHECK(copy.read(again, 39));
    FUZZ_CHECK(RecruitImage(copy) == RecruitImage(r) && copy.hero == r.hero);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool loaded = (loadShippedDatabase("gloam-fuzz-covenants"), true);
    (void)loaded;
    if (size == 0)
        return 0;
    static const int kVersions[5] = {12, 13, 37, 38, 39};
    static const int kSectionVersions[4] = {6, 14, 35, ActorCovenant::kSaveVersion};
    int pick = data[0] % 15;
    ByteBuffer buffer(data + 1, size - 1);
    if (pick < 5)
        fuzzRecruit(buffer, kVersions[pick]);
    else if (pick == 5 || pick == 6)
        fuzzRelations(buffer, pick == 6);
    else if (pick == 7)
        fuzzCounters(buffer);
    else if (pick == 8)
        fuzzTerms(buffer);
    else if (pick <= 12)
        fuzzSection(buffer, kSectionVersions[pick - 9]);
    else
        fuzzServerRecruit(buffer, pick == 14);
    return 0;
}
