#include "client/mirrors/CovenantClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/InventoryClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"

#include <algorithm>

namespace {

int stat(CovenantStat s)
{
    return static_cast<int>(s);
}

bool fail(std::string& field, const char* name)
{
    field = name;
    return false;
}

size_t traitCount()
{
    const GameData* data = GameData::instance();
    return data ? data->getCovenantTraits().size() : 0;
}

} // namespace

CovenantClient::CovenantClient(int covenantIndex)
{
    index = covenantIndex;
    inventory = std::make_unique<InventoryClient>();
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        m_eliminatedSound = resources->loadIfTyped(kEliminatedSound);
    }
}

CovenantClient::~CovenantClient() = default;

InventoryClient& CovenantClient::getInventory()
{
    return static_cast<InventoryClient&>(*inventory);
}

bool CovenantClient::parseSection(ByteBuffer& in, uint32_t covenantCount, CovenantSection& out,
                                  std::string& field)
{
    out = CovenantSection();
    out.definition = in.readInt();
    out.name = in.readString();
    out.home = in.readZonePosition();
    out.destroyed = in.readUInt() != 0;
    for (int32_t& counter : out.influence) {
        counter = in.readInt();
    }
    out.guardCosts = in.readInt();
    out.people = in.readInt();
    out.items = in.readInt();
    out.lifeStone = in.readInt();
    out.house = in.readInt();
    out.money = in.readInt();
    out.level = in.readInt();
    out.lifestoneHealth = in.readInt();
    out.lifestoneMaxHealth = in.readInt();
    if (in.failed()) {
        return fail(field, "covenant section");
    }
    // The entries go through the real reader on a scratch covenant, so that
    // every rule of the stored record applies.
    CovenantBase scratch;
    out.relations.resize(covenantCount);
    for (uint32_t i = 0; i < covenantCount; ++i) {
        if (!scratch.readRelationEntry(in, static_cast<int>(i))) {
            return fail(field, "covenant relation entry");
        }
        if (const RelationRecord* record = scratch.getRelationRecord(static_cast<int>(i))) {
            out.relations[i] = *record;
        }
    }
    out.questState = in.readInt();
    uint32_t traits = in.readCount(4);
    if (in.failed()) {
        return fail(field, "covenant quest state and trait count");
    }
    out.traits.resize(traits);
    for (int32_t& trait : out.traits) {
        trait = in.readInt();
    }
    out.leaderGold = in.readInt();
    out.beingRaided = in.readUInt() != 0;
    out.raidTarget = in.readInt();
    if (in.failed()) {
        return fail(field, "covenant traits and raid values");
    }
    for (int32_t trait : out.traits) {
        if (trait < 0 || static_cast<size_t>(trait) >= traitCount()) {
            return fail(field, "covenant trait id (outside the trait list)");
        }
    }
    if (out.raidTarget != -1 &&
        (out.raidTarget < 0 || static_cast<uint32_t>(out.raidTarget) >= covenantCount)) {
        return fail(field, "covenant raid target (no such covenant)");
    }
    return true;
}

void CovenantClient::readSection(const CovenantSection& s)
{
    setDefinitionIndex(s.definition);
    name = s.name;
    housePosition = s.home;
    if (m_received && s.destroyed && !destroyed) {
        if (const Client* client = Client::instance()) {
            client->playInterfaceSound(m_eliminatedSound);
        }
    }
    destroyed = s.destroyed;
    static constexpr CovenantStat kInfluence[] = {
        CovenantStat::InfluenceAdventure, CovenantStat::InfluenceCompetition, CovenantStat::InfluenceWorld,
        CovenantStat::InfluenceTransferred};
    int64_t total = 0;
    for (size_t i = 0; i < s.influence.size(); ++i) {
        stats.set(stat(kInfluence[i]), s.influence[i]);
        total += s.influence[i];
    }
    stats.set(stat(CovenantStat::AbsoluteInfluence),
              static_cast<int>(std::clamp<int64_t>(total, INT32_MIN, INT32_MAX)));
    stats.set(stat(CovenantStat::GuardCosts), s.guardCosts);
    stats.set(stat(CovenantStat::People), s.people);
    stats.set(stat(CovenantStat::Items), s.items);
    stats.set(stat(CovenantStat::LifeStone), s.lifeStone);
    stats.set(stat(CovenantStat::House), s.house);
    stats.set(stat(CovenantStat::Money), s.money);
    level = s.level;
    setLifestoneHealth(s.lifestoneHealth);
    setLifestoneMaxHealth(s.lifestoneMaxHealth);
    for (size_t i = 0; i < s.relations.size(); ++i) {
        int other = static_cast<int>(i);
        if (!ensureRelation(other)) {
            continue;
        }
        const RelationRecord& r = s.relations[i];
        float before = getRelation(other);
        setRelation(other, r.relation);
        // A relation toward the last covenant that falls to 45 or below.
        bool last = i + 1 == s.relations.size() && other != index;
        if (last && before > 45.0f && getRelation(other) <= 45.0f) {
            if (Client* client = Client::instance()) {
                client->showHelpTopic("LowRelation");
            }
        }
        setRelationState(other, r.treaty);
        setTradeRoute(other, r.tradeRoute, r.tradeRouteTime);
    }
    m_questState = s.questState;
    m_traits.clear();
    if (const GameData* data = GameData::instance()) {
        for (int32_t trait : s.traits) {
            m_traits.push_back(data->getCovenantTraits()[static_cast<size_t>(trait)].definition);
        }
    }
    m_leaderGold = s.leaderGold;
    m_beingRaided = s.beingRaided;
    raidTarget = s.raidTarget;
    m_received = true;
}

int CovenantClient::getInfluence() const
{
    return stats.get(stat(CovenantStat::AbsoluteInfluence));
}

int CovenantClient::getRelationValue(int cap, int other, int tradeRoute, const GameTime& since) const
{
    const GameClient* game = GameClient::instance();
    const GameData* data = GameData::instance();
    const CovenantClient* covenant = game ? game->getCovenant(other) : nullptr;
    if (!covenant || !data) {
        return 0;
    }
    int curve = data->getInfluenceForLevel(covenant->getInfluence());
    cap = std::min(cap, curve < 1 ? 0 : curve);
    return data->getTradeRouteValue(game->getGameTime() - since, tradeRoute, cap);
}

const CovenantTrait* CovenantClient::getTrait(int i) const
{
    return i >= 0 && i < getTraitCount() ? m_traits[static_cast<size_t>(i)] : nullptr;
}

std::string CovenantClient::getRelationName(int other) const
{
    const GameData* data = GameData::instance();
    if (!data || !getDefinition()) {
        return {};
    }
    const RelationRecord* record = getRelationRecord(other);
    return data->getRelationName(record ? static_cast<int>(record->relation) : 0);
}
