#include "game/entities/Player.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/InventoryGroup.h"
#include "game/entities/Inventory.h"
#include "game/quests/Quest.h"
#include "game/skills/SkillListBase.h"
#include "game/skills/StatusEffectBase.h"
#include "game/world/World.h"

#include <cmath>

namespace {
constexpr int kJoinStatCount = Sentient::kStatCount;
// A saved stat beyond this is no character's: the stat formulas would leave
// the int range on it.
constexpr int kMaxJoinStat = 100000000;

// The stats of the section after the ten attributes, in their order.
constexpr CharacterStat kSectionStats[] = {
    CharacterStat::Power,
    CharacterStat::MaxPower,
    CharacterStat::PowerRising,
    CharacterStat::Xp,
    CharacterStat::XpNeeded,
    CharacterStat::XpDebt,
    CharacterStat::Attack,
    CharacterStat::Defense,
    CharacterStat::Armor,
    CharacterStat::Level,
    CharacterStat::MinDamage,
    CharacterStat::MaxDamage,
    CharacterStat::AttackSpeed,
    CharacterStat::AttributePointsLeft,
    CharacterStat::SkillPointsLeft,
    CharacterStat::Movement,
    CharacterStat::Class,
    CharacterStat::Money,
    CharacterStat::ResistanceFire,
    CharacterStat::ResistanceCold,
    CharacterStat::ResistancePoison,
    CharacterStat::ResistanceLightning,
    CharacterStat::ResistanceMagic,
    CharacterStat::SecretsFound,
};

bool validPosition(const ZonePosition& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && p.zone >= -1;
}

// A bool vector read into scratch: u32 count, one u32 per element.
bool readFlags(ByteBuffer& in, std::vector<bool>& out)
{
    uint32_t count = in.readCount(4);
    if (in.failed())
        return false;
    out.assign(count, false);
    for (uint32_t i = 0; i < count; ++i)
        out[i] = in.readUInt() != 0;
    return in.ok();
}

// One u32 per record of a gate list built for the running world.
bool readGateFlags(ByteBuffer& in, size_t records, std::vector<int32_t>& out)
{
    if (in.remaining() / 4 < records)
        return false;
    out.resize(records);
    for (size_t i = 0; i < records; ++i)
        out[i] = in.readUInt() != 0 ? 1 : 0;
    return in.ok();
}
} // namespace

// ---- Player section -------------------------------------------------------------------

void Player::writePlayerSection(ByteBuffer& out)
{
    out.writeInt(static_cast<uint32_t>(m_entityNumber));
    out.writeInt(static_cast<uint32_t>(m_animation));
    out.writeInt(static_cast<uint32_t>(m_animationPriority));
    out.writeInt(static_cast<uint32_t>(m_animationMode));
    // A priority of 1 reaches the client once.
    if (m_animationPriority == 1)
        m_animationPriority = 0;
    for (int i = toIndex(CharacterStat::BaseStrength); i <= toIndex(CharacterStat::Spirit); ++i)
        out.writeInt(m_stats.get(i));
    for (CharacterStat s : kSectionStats)
        out.writeInt(m_stats.get(toIndex(s)));
    out.writeZonePosition(m_playerGatePosition);
    out.writeZonePosition(m_raidGatePosition);
    for (int i = toIndex(CharacterStat::Skill1); i <= toIndex(CharacterStat::Skill60); ++i)
        out.writeInt(m_stats.get(i));
    out.writeInt(m_tickFlags);
    m_inventory->write(out, false);
    out.writeString(m_name);
    std::vector<int32_t> party;
    for (const Sentient* follower : m_followers)
        if (follower)
            party.push_back(follower->getEntityNumber());
    out.writeIntVector(party);
    for (int32_t value : m_statistics)
        out.writeInt(value);
    out.writeInt(m_flags);
    for (const auto& quest : m_quests)
        quest->write(out, false);
    // The flags carry no count: the reader counts the world's gates.
    m_gates->write(out);
    Entity* automatic = m_autoTarget.get();
    out.writeInt(automatic ? static_cast<uint32_t>(automatic->getEntityNumber()) : kNoTarget);
    out.writeBoolVector(m_visitedLevels);
    out.writeBoolVector(m_flags65);
}

// ---- Join character section ---------------------------------------------------------------

void Player::buildForWorld()
{
    m_gates->build();
    m_gatesCopy->build();
    World* world = World::instance();
    m_visitedLevels.assign(world ? static_cast<size_t>(world->getLevelCount()) : 0, false);
}

bool Player::initNewCharacter(ByteBuffer& in, std::string& failedField)
{
    auto fail = [&](const char* field) {
        failedField = field;
        return false;
    };
    const GameData* data = GameData::instance();
    auto knownClass = [&](uint32_t index) {
        return index < static_cast<uint32_t>(kPlayerClassCount) && data &&
               data->findCharacterClassById(static_cast<int>(index));
    };

    uint32_t existing = in.readUInt();
    if (in.failed())
        return fail("existing");
    std::string name = in.readString();
    if (in.failed())
        return fail("name");

    if (existing == 0) {
        uint32_t classIndex = in.readUInt();
        if (in.failed())
            return fail("class index");
        if (!knownClass(classIndex))
            return fail("class index (unknown class)");
        buildForWorld();
        m_name = name;
        setCharacterClass(static_cast<int>(classIndex));
        // The class's skills now, so that their passives count in the
        // health the character starts with.
        if (m_skillList)
            m_skillList->update(m_class, 0.0f, this);
        if (const CharacterClass* c = getCharacterClass())
            for (int i = 0; i < 5; ++i)
                m_stats.set(toIndex(CharacterStat::BaseStrength) + i,
                            c->startAttributes[static_cast<size_t>(i)]);
        giveStartingItems();
        updateStats(true);
        startFresh();
        return true;
    }

    // A saved character: everything is read and checked before any of it is
    // applied.
    std::vector<int32_t> partyRecruits;
    int32_t maxHealth = in.readInt();
    int32_t health = in.readInt();
    if (in.failed())
        return fail("health");
    if (maxHealth < 0 || maxHealth > kMaxJoinStat)
        return fail("health (maximum out of range)");
    uint32_t classIndex = in.readUInt();
    if (in.failed())
        return fail("class index");
    if (!knownClass(classIndex))
        return fail("class index (unknown class)");
    CounterList stats(kJoinStatCount);
    if (!stats.read(in) || in.failed())
        return fail("stats");
    for (int i = 0; i < kJoinStatCount; ++i)
        if (stats.get(i) > kMaxJoinStat || stats.get(i) < -kMaxJoinStat)
            return fail("stats (value out of range)");
    const int level = stats.get(toIndex(CharacterStat::Level));
    if (level < 1 || level > GameRules::kMaxLevelLimit)
        return fail("stats (level out of range)");
    std::vector<int32_t> statistics(kStatisticCount, 0);
    for (int32_t& value : statistics)
        value = in.readInt();
    if (in.failed())
        return fail("statistics");
    // Read once; its items move into the player's inventory when all holds.
    Inventory scratch;
    if (!scratch.read(in, true, false, 0, "join inventory"))
        return fail("inventory");
    std::array<std::unique_ptr<Quest>, kQuestSlots> quests;
    for (auto& quest : quests) {
        quest = std::make_unique<Quest>(true);
        if (!quest->read(in, true, false, 0))
            return fail("quests");
    }
    std::vector<bool> flags;
    if (!readFlags(in, flags))
        return fail("flags");
    uint32_t hasPositions = in.readUInt();
    if (in.failed())
        return fail("has positions");
    ZonePosition playerGate(-1, 0.0f, 0.0f);
    ZonePosition raidGate(-1, 0.0f, 0.0f);
    std::vector<bool> visited;
    if (hasPositions != 0) {
        playerGate = in.readZonePosition();
        raidGate = in.readZonePosition();
        if (in.failed())
            return fail("gate positions");
        if (!validPosition(playerGate) || !validPosition(raidGate))
            return fail("gate positions (bad value)");
        if (!readFlags(in, visited))
            return fail("visited levels");
    }
    uint32_t savedLevelId = in.readUInt();
    uint32_t savedWorldId = in.readUInt();
    if (in.failed())
        return fail("saved level and world");
    uint32_t extended = in.readUInt();
    if (in.failed())
        return fail("extended");
    // Both lists have one record per gate of the running world.
    buildForWorld();
    std::vector<int32_t> gateFlags;
    std::vector<int32_t> copyFlags;
    // A character from another world (extended 0) sends its covenant's gate
    // flags alone: they become the gate list, and the copy follows it below.
    if (!readGateFlags(in, m_gates->getRecords().size(), gateFlags))
        return fail("gates");
    if (extended != 0) {
        if (!readGateFlags(in, m_gatesCopy->getRecords().size(), copyFlags))
            return fail("gate copy");
        // The party's recruits are invited again once the covenant exists.
        if (!in.readIntVector(partyRecruits))
            return fail("party recruits");
    }
    // The lasting effects the character had on (an aura it cast on itself);
    // a section without them brings none.
    std::vector<std::pair<const DatabaseEntry*, int32_t>> lasting;
    if (!in.atEnd()) {
        uint32_t count = in.readCount(5);
        if (in.failed())
            return fail("lasting effect count");
        const Database* db = Database::instance();
        for (uint32_t i = 0; i < count; ++i) {
            std::string effect = in.readString();
            int32_t effectLevel = in.readInt();
            if (in.failed())
                return fail("lasting effects");
            if (effectLevel < 1 || effectLevel > GameRules::kMaxLevelLimit)
                return fail("lasting effects (level out of range)");
            // Only an effect that lasts by itself and that the join does not
            // give back on its own is put on again.
            const DatabaseEntry* entry = db ? db->findEntry(effect) : nullptr;
            StatusEffectBase base;
            if (entry)
                base.setEntry(entry, effectLevel, nullptr);
            if (entry && base.forever && !base.itemSetEffect && !base.basicRegen)
                lasting.emplace_back(entry, effectLevel);
            else
                debugPrint(2, "Player: join of %s: lasting effect %s left out\n", name.c_str(),
                           effect.c_str());
        }
    }

    // Apply.
    m_joinParty = std::move(partyRecruits);
    m_name = name;
    setCharacterClass(static_cast<int>(classIndex));
    m_stats.copyFrom(stats);
    m_maxHealth = maxHealth;
    m_health = std::min(health, maxHealth);
    m_statistics = std::move(statistics);
    for (int g = 0; g < kInventoryGroupCount; ++g) {
        InventoryGroup* from = scratch.getOwnGroup(g);
        InventoryGroup* to = m_inventory->getOwnGroup(g);
        if (!from || !to)
            continue;
        to->destroyAll();
        to->setSize(from->getSize());
        for (int i = 0; i < from->getSize(); ++i)
            to->setItem(i, from->releaseItem(i));
    }
    for (size_t i = 0; i < m_quests.size(); ++i)
        m_quests[i] = std::move(quests[i]);
    for (size_t i = 0; i < m_flags65.size(); ++i)
        m_flags65[i] = i < flags.size() && flags[i];
    m_playerGatePosition = playerGate;
    m_raidGatePosition = raidGate;
    // Recreating the two gate pairs at their saved places comes with gates.
    if (hasPositions != 0)
        m_visitedLevels = std::move(visited);
    auto applyFlags = [](GateList& list, const std::vector<int32_t>& values) {
        std::vector<GateRecord>& records = list.getRecords();
        for (size_t i = 0; i < records.size() && i < values.size(); ++i)
            records[i].activated = values[i];
    };
    applyFlags(*m_gates, gateFlags);
    if (extended == 0)
        m_gatesCopy->copyActivationFrom(*m_gates);
    else
        applyFlags(*m_gatesCopy, copyFlags);

    // A character saved while dead still had its set's bonuses and its aura
    // on; a dead body takes no effect, so they go on as if alive.
    const int savedHealth = m_health;
    m_health = std::max(m_health, 1);
    applyWornSetBonuses();
    for (const auto& [entry, effectLevel] : lasting)
        addStatusEffect(entry, this, effectLevel);
    m_health = savedHealth;
    update(0.0f);
    updateStats(false);
    // The recomputes on the way hold the health to maxima counted before
    // the passives and the sets' bonuses: the saved health is kept.
    m_health = std::min(health, m_maxHealth);
    World* world = World::instance();
    const WorldSize* size = world ? world->getWorldSize() : nullptr;
    bool sameWorld = world && size && savedLevelId == static_cast<uint32_t>(size->entryId) &&
                     savedWorldId == world->getWorldSeed();
    if (!sameWorld)
        startFresh(true);
    return true;
}
