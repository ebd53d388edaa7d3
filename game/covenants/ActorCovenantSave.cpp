// The computer-run covenant's section of the world save (docs/formats.md,
// "Computer covenant section"). Reading parses the whole section into a
// staging record first; only a complete, valid section creates anything.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Actor.h"
#include "game/entities/Inventory.h"
#include "game/entities/Recruit.h"
#include "game/quests/QuestBase.h"
#include "game/world/Game.h"

#include <cmath>

namespace {
// A relation block is at least 44 + 16 + 4 + 12 bytes; an old recruit at
// least its slot index and a few bytes of record.
constexpr size_t kMinRelationBlock = CovenantBase::kRelationSavedBytes + 32;
constexpr int kMaxAttribute = 100000;
// Recruit slot marks: 0 empty, 1 a record with its body, 2 a record whose
// body is gone.
constexpr int32_t kSlotEmbodied = 1;
constexpr int32_t kSlotBodiless = 2;
// The recruit quest's decision on its candidate: none drawn, refused, willing.
constexpr int32_t kCandidateNone = 0;
constexpr int32_t kCandidateRefused = 1;
constexpr int32_t kCandidateWilling = 2;

struct RelationBlock {
    PendingOffer pending;
    CovenantMemory memory;
};

struct Staged {
    ZonePosition house;
    bool destroyed = false;
    int definition = -1;
    int stoneHealth = -1;
    int stoneMax = -1;
    std::vector<const CovenantTrait*> traits;
    std::vector<std::unique_ptr<Recruit>> slots;
    std::vector<bool> bodiless;
    InfluenceCounters influence;
    CounterList stats{kCovenantStatCount};
    int32_t reservedA = 1;
    int32_t reservedB = 1;
    GameTime lastRaidEnd;
    GameTime raidStart;
    int raidTarget = -1;
    int difficulty = 0;
    float difficultyModifier = 1.0f;
    int relationCount = 0;
    CovenantBase relations; // a scratch holder of the relation records
    std::array<RelationBlock, CovenantBase::kMaxCovenants> blocks{};
    size_t questStart = 0;
    size_t questEnd = 0;
    std::unique_ptr<Inventory> inventory = std::make_unique<Inventory>();
    std::vector<bool> knownLevels;
    int level = 1;
    float monsterDamageTaken = 0.0f;
    int raidRequester = -1;
    float damageSelf = 0.0f;
    float damageRequester = 0.0f;
    GameTime alertUntil;
    // Where play stood (V >= 41); older files start from idle with the
    // timers at their intervals.
    bool hasPlayState = false;
    int adventureState = 0;
    int adventureType = 1;
    bool townVisit = false;
    ZonePosition townVisitPosition{-1, 0.0f, 0.0f};
    int linkedCovenant = -1;
    std::array<Timer, 7> timers{};
    std::vector<std::pair<int, int>> awayAndLevel;
    int candidate = kCandidateNone;
    std::array<bool, Covenant::kGuardSlots> guardStanding{};
};

bool finite(float v)
{
    return std::isfinite(v);
}

bool readRecruit(ByteBuffer& buffer, int version, int covenantIndex, std::unique_ptr<Recruit>& out)
{
    auto recruit = std::make_unique<Recruit>();
    recruit->covenantIndex = covenantIndex;
    if (!recruit->read(buffer, version))
        return false;
    // The actor is rebuilt from these: a level or base attribute no character
    // can have marks a damaged record.
    const int level = recruit->stats.get(toIndex(CharacterStat::Level));
    if (level < 0 || level > GameRules::kMaxLevelLimit)
        return false;
    for (int i = 0; i < 5; ++i) {
        const int value = recruit->stats.get(toIndex(CharacterStat::BaseStrength) + i);
        if (value < 0 || value > kMaxAttribute)
            return false;
    }
    out = std::move(recruit);
    return true;
}

bool readPending(ByteBuffer& buffer, PendingOffer& pending)
{
    pending.offer.type = buffer.readInt();
    pending.timeLeft = buffer.readFloat();
    float timeout = buffer.readFloat();
    pending.resendsLeft = buffer.readInt();
    uint32_t n = buffer.readCount(12);
    if (buffer.failed() || !finite(pending.timeLeft) || !finite(timeout))
        return false;
    pending.offer.terms.resize(n);
    for (TradeTerm& term : pending.offer.terms) {
        term.side = buffer.readInt();
        term.kind = buffer.readInt();
        term.value = buffer.readInt();
    }
    pending.offer.onlyItems = pending.offer.hasOnlyItemTerms();
    pending.active = n > 0;
    pending.wait = n > 0 ? timeout : 0.0f;
    return buffer.ok();
}
} // namespace

void ActorCovenant::write(ByteBuffer& buffer) const
{
    buffer.writeZonePosition(housePosition);
    buffer.writeBool(destroyed);
    buffer.writeInt(static_cast<int32_t>(definitionIndex));
    // Without a stone the pair is "unset", which a new stone fills on reading.
    const bool stone = getLifestone() != nullptr;
    buffer.writeInt(static_cast<int32_t>(stone ? getLifestoneHealth() : -1));
    buffer.writeInt(static_cast<int32_t>(stone ? getLifestoneMaxHealth() : -1));
    buffer.writeInt(static_cast<int32_t>(traits.size()));
    for (int i = 0; i < getTraitCount(); ++i)
        buffer.writeInt(static_cast<int32_t>(getTraitId(i)));
    for (const auto& recruit : recruits) {
        if (!recruit) {
            buffer.writeInt(static_cast<int32_t>(0));
            continue;
        }
        // A member whose body faded for good keeps its record but gets no
        // new body on loading. The record takes its body's state as it is
        // written.
        const bool embodied = recruit->getActor() != nullptr;
        buffer.writeInt(static_cast<int32_t>(embodied || destroyed ? kSlotEmbodied : kSlotBodiless));
        recruit->write(buffer);
    }
    writeInfluenceCounters(buffer, influence);
    stats.write(buffer);
    buffer.writeInt(reservedA);
    buffer.writeInt(reservedB);
    buffer.writeGameTime(lastRaidEnd);
    buffer.writeGameTime(raidStart);
    buffer.writeInt(static_cast<int32_t>(raidTarget));
    buffer.writeInt(static_cast<int32_t>(difficulty));
    buffer.writeFloat(difficultyModifier);
    const Game* game = Game::instance();
    const int n = std::min(game ? game->getCovenantCount() : 0, static_cast<int>(kMaxCovenants));
    buffer.writeInt(static_cast<int32_t>(n));
    for (int i = 0; i < n; ++i) {
        if (i < getRelationCount())
            writeRelationSaved(buffer, i);
        else {
            buffer.writeFloat(0.0f);
            buffer.writeInt(static_cast<int32_t>(CovenantTreaty::Peace));
            buffer.writeGameTime(GameTime());
            buffer.writeInt(static_cast<int32_t>(0));
            buffer.writeGameTime(GameTime());
        }
        const PendingOffer& pending = getPendingOffer(i);
        const bool active = pending.active && !pending.offer.terms.empty();
        buffer.writeInt(static_cast<int32_t>(pending.offer.type));
        buffer.writeFloat(pending.timeLeft);
        buffer.writeFloat(active ? pending.wait : 0.0f);
        buffer.writeInt(static_cast<int32_t>(pending.resendsLeft));
        buffer.writeInt(static_cast<uint32_t>(pending.offer.terms.size()));
        for (const TradeTerm& term : pending.offer.terms) {
            buffer.writeInt(term.side);
            buffer.writeInt(term.kind);
            buffer.writeInt(term.value);
        }
        const CovenantMemory& m = memoryOf(i);
        buffer.writeFloat(m.fear);
        buffer.writeFloat(m.tradeFactor);
        buffer.writeFloat(m.demandFactor);
        buffer.writeFloat(m.damage);
        buffer.writeFloat(m.naturalHate);
        buffer.writeInt(m.sharedXp);
    }
    // A cleared record keeps its type and start time; it is written as
    // the empty record it reads back as.
    if (quest && quest->level != -1)
        quest->write(buffer, false);
    else
        QuestBase::writeEmpty(buffer);
    inventory->write(buffer, true);
    buffer.writeBoolVector(knownLevels);
    buffer.writeInt(static_cast<int32_t>(level));
    buffer.writeFloat(monsterDamageTaken);
    buffer.writeInt(static_cast<int32_t>(raidRequester));
    buffer.writeFloat(targetDamageFromSelfAtStart);
    buffer.writeFloat(targetDamageFromRequesterAtStart);
    buffer.writeGameTime(alertUntil);
    // The adventure under way, its timers and the quest candidate's answer:
    // a game resumed from the save goes on as it was, with no adventure,
    // level found, guard or answer that play had not drawn.
    buffer.writeInt(static_cast<int32_t>(adventureState));
    buffer.writeInt(static_cast<int32_t>(adventureType));
    buffer.writeBool(townVisit);
    buffer.writeZonePosition(townVisitPosition);
    buffer.writeInt(static_cast<int32_t>(linkedCovenant));
    for (const Timer* timer : {&battleTimer, &adventureTimer, &restTimer, &relationChangeTimer,
                               &adventureTypeTimer, &stopRaidTimer, &guardChangeTimer})
        timer->write(buffer);
    for (const auto& recruit : recruits) {
        buffer.writeInt(static_cast<int32_t>(recruit ? recruit->away : 0));
        buffer.writeInt(static_cast<int32_t>(recruit ? recruit->levelIndex : -1));
    }
    const bool decided = quest && quest->level != -1 && (questCandidate.get() || questCandidateLoaded);
    // A guard item whose guard has fallen stays in the house until it is
    // sold: its guard does not stand again at a load.
    for (int slot = 0; slot < kGuardSlots; ++slot) {
        const Entity* guard = getGuard(slot);
        buffer.writeBool(guard && !guard->isDead());
    }
    buffer.writeInt(!decided                ? kCandidateNone
                    : questCandidateWilling ? kCandidateWilling
                                            : kCandidateRefused);
}

bool ActorCovenant::read(ByteBuffer& buffer, int version)
{
    const GameData* data = GameData::instance();
    const size_t start = buffer.getReadPos();
    auto refuse = [&](const char* what) {
        debugPrint(3, "Covenant section %d: %s at offset %zu; section refused\n", index, what,
                   buffer.getReadPos());
        return false;
    };
    if (buffer.failed())
        return refuse("stream already failed");
    Staged s;
    s.house = buffer.readZonePosition();
    s.destroyed = buffer.readInt() != 0;
    s.definition = buffer.readInt();
    s.stoneHealth = buffer.readInt();
    s.stoneMax = buffer.readInt();
    uint32_t traitCount = buffer.readCount(4);
    if (buffer.failed())
        return refuse("short header");
    const auto* allTraits = data ? &data->getCovenantTraits() : nullptr;
    int dropped = 0;
    for (uint32_t i = 0; i < traitCount; ++i) {
        int id = buffer.readInt();
        if (allTraits && id >= 0 && id < static_cast<int>(allTraits->size()) &&
            (*allTraits)[static_cast<size_t>(id)].definition)
            s.traits.push_back((*allTraits)[static_cast<size_t>(id)].definition);
        else
            ++dropped;
    }
    if (buffer.failed())
        return refuse("short trait list");
    if (dropped > 0)
        debugPrint(2, "Covenant section %d: %d trait index(es) outside the traits dropped (data changed)\n",
                   index, dropped);

    const int slotCount = getRecruitSlotCount();
    s.slots.resize(static_cast<size_t>(slotCount));
    s.bodiless.resize(static_cast<size_t>(slotCount));
    if (version >= 7) {
        for (int i = 0; i < slotCount; ++i) {
            int present = buffer.readInt();
            if (buffer.failed())
                return refuse("short recruit slots");
            if (present != 0 && !readRecruit(buffer, version, index, s.slots[static_cast<size_t>(i)]))
                return refuse("bad recruit record");
            s.bodiless[static_cast<size_t>(i)] = present == kSlotBodiless;
        }
    } else {
        uint32_t count = buffer.readCount(8);
        if (buffer.failed() || count > static_cast<uint32_t>(slotCount))
            return refuse("bad recruit count");
        for (uint32_t i = 0; i < count; ++i) {
            int slot = buffer.readInt();
            if (buffer.failed() || slot < 0 || slot >= slotCount || s.slots[static_cast<size_t>(slot)])
                return refuse("bad recruit slot");
            if (!readRecruit(buffer, version, index, s.slots[static_cast<size_t>(slot)]))
                return refuse("bad recruit record");
        }
    }
    if (!readInfluenceCounters(buffer, s.influence) || !s.stats.read(buffer))
        return refuse("short counters");
    s.reservedA = buffer.readInt();
    s.reservedB = buffer.readInt();
    s.lastRaidEnd = buffer.readGameTime();
    s.raidStart = buffer.readGameTime();
    if (version >= 22)
        s.raidTarget = buffer.readInt();
    const size_t difficultyAt = buffer.getReadPos();
    s.difficulty = buffer.readInt();
    if (version >= 9)
        s.difficultyModifier = buffer.readFloat();
    s.relationCount = buffer.readInt();
    if (buffer.failed())
        return refuse("short raid fields");
    if (s.relationCount < 0 || s.relationCount > kMaxCovenants ||
        buffer.remaining() < static_cast<size_t>(s.relationCount) * kMinRelationBlock)
        return refuse("bad covenant count");
    if (!finite(s.difficultyModifier))
        return refuse("bad difficulty modifier");
    // Easy, Average or Hard: any other index has no definition values.
    if (s.difficulty < 0 || s.difficulty >= CovenantDefinition::kDifficultyCount) {
        debugPrint(3, "Covenant section %d: covenant difficulty at byte %zu; section refused\n", index,
                   difficultyAt);
        return false;
    }
    for (int i = 0; i < s.relationCount; ++i) {
        if (!s.relations.readRelationSaved(buffer, i))
            return refuse("bad relation record");
        RelationBlock& b = s.blocks[static_cast<size_t>(i)];
        if (!readPending(buffer, b.pending))
            return refuse("bad pending offer");
        b.memory.fear = buffer.readFloat();
        b.memory.tradeFactor = buffer.readFloat();
        b.memory.demandFactor = buffer.readFloat();
        if (version >= 15)
            b.memory.damage = buffer.readFloat();
        if (version >= 16)
            b.memory.naturalHate = buffer.readFloat();
        if (version >= 33)
            b.memory.sharedXp = buffer.readInt();
        if (buffer.failed())
            return refuse("short relation block");
    }
    s.questStart = buffer.getReadPos();
    if (!QuestBase::skip(buffer, false, 0))
        return refuse("bad recruit quest");
    s.questEnd = buffer.getReadPos();
    if (!s.inventory->read(buffer, false, true, version, "covenant section"))
        return refuse("bad covenant inventory");
    if (!buffer.readBoolVector(s.knownLevels, true))
        return refuse("bad known levels");
    if (version >= 11)
        s.level = buffer.readInt();
    if (version >= 27)
        s.monsterDamageTaken = buffer.readFloat();
    if (version >= 36) {
        s.raidRequester = buffer.readInt();
        s.damageSelf = buffer.readFloat();
        s.damageRequester = buffer.readFloat();
    }
    if (version >= 39)
        s.alertUntil = buffer.readGameTime();
    if (buffer.failed())
        return refuse("short tail");
    if (version >= 41) {
        s.hasPlayState = true;
        s.adventureState = buffer.readInt();
        s.adventureType = buffer.readInt();
        s.townVisit = buffer.readInt() != 0;
        s.townVisitPosition = buffer.readZonePosition();
        s.linkedCovenant = buffer.readInt();
        if (buffer.failed() || s.adventureState < kIdle || s.adventureState > kSharedAdventure ||
            s.adventureType < kNoAdventure || s.adventureType > kSiege || s.linkedCovenant < -1 ||
            s.linkedCovenant >= kMaxCovenants)
            return refuse("bad adventure state");
        for (Timer& timer : s.timers)
            if (!timer.read(buffer) || !finite(timer.remaining) || !finite(timer.duration) ||
                !finite(timer.min) || !finite(timer.max))
                return refuse("bad covenant timer");
        for (int i = 0; i < slotCount; ++i) {
            const int away = buffer.readInt();
            const int levelIndex = buffer.readInt();
            if (buffer.failed() || away < 0 || away > 1 || levelIndex < -1 || levelIndex > 100000)
                return refuse("bad member adventure");
            s.awayAndLevel.emplace_back(away, levelIndex);
        }
        for (bool& standing : s.guardStanding)
            standing = buffer.readInt() != 0;
        s.candidate = buffer.readInt();
        if (buffer.failed() || s.candidate < kCandidateNone || s.candidate > kCandidateWilling)
            return refuse("bad quest candidate answer");
    }
    if (s.stoneMax < -1 || s.stoneHealth < -1 ||
        (data && s.definition != -1 && !data->getCovenantDefinition(s.definition)))
        return refuse("bad life stone or definition");
    if (s.knownLevels.size() > 100000)
        return refuse("too many levels");

    // ---- The section is sound: apply it.
    (void)start;
    housePosition = s.house;
    destroyed = s.destroyed;
    setDefinitionIndex(s.definition);
    createLifestone(s.stoneHealth, s.stoneMax);
    createPedestals();
    traits = std::move(s.traits);
    for (int i = 0; i < slotCount; ++i) {
        std::unique_ptr<Recruit>& staged = s.slots[static_cast<size_t>(i)];
        if (!staged)
            continue;
        if (version >= 7 && (!data || !data->findMonsterTypeByEntryId(staged->typeEntry))) {
            debugPrint(2, "Covenant section %d: recruit of a removed monster type dropped\n", index);
            continue;
        }
        recruits[static_cast<size_t>(i)] = std::move(staged);
        if (!destroyed && !s.bodiless[static_cast<size_t>(i)])
            embodyRecruit(recruits[static_cast<size_t>(i)].get(), true);
    }
    recruitCount = getRecruitCount();
    influence = s.influence;
    stats = s.stats;
    reservedA = s.reservedA;
    reservedB = s.reservedB;
    lastRaidEnd = s.lastRaidEnd;
    raidStart = s.raidStart;
    raidTarget = s.raidTarget;
    raidLoaded = raidTarget != -1;
    difficulty = s.difficulty;
    difficultyModifier = s.difficultyModifier;
    if (Game* game = Game::instance())
        game->setDifficulty(difficulty);
    for (int i = 0; i < s.relationCount; ++i) {
        ByteBuffer record;
        s.relations.writeRelationSaved(record, i);
        readRelationSaved(record, i);
        pendingOffers[static_cast<size_t>(i)] = s.blocks[static_cast<size_t>(i)].pending;
        covenantMemory[static_cast<size_t>(i)] = s.blocks[static_cast<size_t>(i)].memory;
    }
    if (quest) {
        // The record is written in the index form, which no file version
        // changes; what is not stored (goal, rewards, deadline) is rolled
        // again from its seed, as every reader but the Game's own does.
        ByteBuffer questBytes(buffer.data() + s.questStart, s.questEnd - s.questStart);
        quest->read(questBytes, true, false, 0);
    }
    inventory = std::move(s.inventory);
    knownLevels = std::move(s.knownLevels);
    level = s.level;
    monsterDamageTaken = s.monsterDamageTaken;
    raidRequester = s.raidRequester;
    targetDamageFromSelfAtStart = s.damageSelf;
    targetDamageFromRequesterAtStart = s.damageRequester;
    alertUntil = s.alertUntil;

    for (int slot = 0; slot < kGuardSlots; ++slot) {
        ItemBase* item = getHouseItem(slot);
        if (item && item->getGuardType() && (!s.hasPlayState || s.guardStanding[static_cast<size_t>(slot)]))
            createGuard(item, slot);
    }
    // The relics it keeps are shown on their pedestals again, as when stored.
    showHouseRelics();
    setLifestoneMaxHealth(s.stoneMax);
    setLifestoneHealth(std::min(s.stoneHealth, s.stoneMax));
    updateStats();
    setTimerIntervals();
    if (s.hasPlayState) {
        adventureState = s.adventureState;
        adventureType = s.adventureType;
        townVisit = s.townVisit;
        townVisitPosition = s.townVisitPosition;
        linkedCovenant = s.linkedCovenant;
        size_t t = 0;
        for (Timer* timer : {&battleTimer, &adventureTimer, &restTimer, &relationChangeTimer,
                             &adventureTypeTimer, &stopRaidTimer, &guardChangeTimer}) {
            const bool listed = timer->listed;
            *timer = s.timers[t++];
            timer->listed = listed;
        }
        // The party as it was: the members away with their levels, each
        // follower behind the leader again.
        Sentient* leader = getLeader();
        for (int i = 0; i < slotCount; ++i) {
            Recruit* recruit = recruits[static_cast<size_t>(i)].get();
            if (!recruit)
                continue;
            recruit->away = static_cast<uint8_t>(s.awayAndLevel[static_cast<size_t>(i)].first);
            recruit->levelIndex = s.awayAndLevel[static_cast<size_t>(i)].second;
            Actor* actor = recruit->getActor();
            if (actor && recruit->away && leader && actor != leader && adventureState != kSharedAdventure)
                actor->setLeader(leader, getRecruitSlotCount());
        }
        questCandidateLoaded = s.candidate != kCandidateNone;
        questCandidateWilling = s.candidate == kCandidateWilling;
    }
    return true;
}
