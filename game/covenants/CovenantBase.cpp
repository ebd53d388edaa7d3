#include "game/covenants/CovenantBase.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTreatyPeace = static_cast<int>(CovenantTreaty::Peace);

int stat(CovenantStat s)
{
    return static_cast<int>(s);
}

bool isHostileTreaty(int treaty)
{
    return treaty == static_cast<int>(CovenantTreaty::War) ||
           treaty == static_cast<int>(CovenantTreaty::Raid);
}

bool isProtectionTreaty(int treaty)
{
    return treaty == static_cast<int>(CovenantTreaty::MutualProtectionPact) ||
           treaty == static_cast<int>(CovenantTreaty::Alliance);
}

bool isPactTreaty(int treaty)
{
    return treaty == static_cast<int>(CovenantTreaty::NonAggressionPact) || isProtectionTreaty(treaty);
}

float clampRelation(float value)
{
    return std::clamp(value, 0.0f, 100.0f);
}

} // namespace

CovenantBase::CovenantBase() : stats(kCovenantStatCount)
{
    stats.set(stat(CovenantStat::MaxNPCs), 4);
    stats.set(stat(CovenantStat::MaxLifeStone), 100);
}

CovenantBase::~CovenantBase() = default;

// ---- Virtual slots

void CovenantBase::setDefinitionIndex(int definition)
{
    definitionIndex = definition;
}

void CovenantBase::setDefinitionByName(const std::string& definitionName)
{
    const GameData* data = GameData::instance();
    setDefinitionIndex(data ? data->findCovenantDefinition(definitionName) : -1);
}

void CovenantBase::onTreatyChanged(int) {}

void CovenantBase::onTradeRouteChanged(int) {}

void CovenantBase::setLifestoneHealth(int health)
{
    lifestoneHealth = health;
}

int CovenantBase::getLifestoneHealth() const
{
    return lifestoneHealth;
}

void CovenantBase::setLifestoneMaxHealth(int health)
{
    lifestoneMaxHealth = health;
}

int CovenantBase::getLifestoneMaxHealth() const
{
    return lifestoneMaxHealth;
}

int CovenantBase::getInfluence() const
{
    return 0;
}

int CovenantBase::sumRelationValues() const
{
    int base = getBaseIncome();
    long long total = 0;
    for (int i = 0; i < m_relationCount; ++i) {
        const RelationRecord& r = m_relations[static_cast<size_t>(i)];
        if (r.tradeRoute != static_cast<int>(TradeRoute::None))
            total += getRelationValue(base, i, r.tradeRoute, r.tradeRouteTime);
    }
    total += base;
    total -= getGuardCosts();
    return static_cast<int>(std::clamp<long long>(total, INT32_MIN, INT32_MAX));
}

int CovenantBase::getRelationValue(int, int, int, const GameTime&) const
{
    return 0;
}

bool CovenantBase::isPlayerCovenant() const
{
    return false;
}

// ---- Relation table

bool CovenantBase::ensureRelation(int other) const
{
    if (static_cast<unsigned>(other) >= static_cast<unsigned>(kMaxCovenants))
        return false;
    while (m_relationCount <= other)
        m_relations[static_cast<size_t>(m_relationCount++)] = RelationRecord();
    return true;
}

RelationRecord* CovenantBase::record(int other) const
{
    return ensureRelation(other) ? &m_relations[static_cast<size_t>(other)] : nullptr;
}

const RelationRecord* CovenantBase::getRelationRecord(int other) const
{
    return record(other);
}

float CovenantBase::getRelation(int other) const
{
    const RelationRecord* r = record(other);
    return r ? r->relation : 0.0f;
}

void CovenantBase::setRelation(int other, float value)
{
    RelationRecord* r = record(other);
    if (!r)
        return;
    if (std::isnan(value)) {
        debugPrint(2, "Covenant %d: relation towards %d is not a number; kept at %g\n", index, other,
                   static_cast<double>(r->relation));
        return;
    }
    r->relation = clampRelation(value);
}

void CovenantBase::changeRelation(int other, float delta)
{
    RelationRecord* r = record(other);
    if (r)
        setRelation(other, r->relation + delta);
}

int CovenantBase::getRelationState(int other) const
{
    const RelationRecord* r = record(other);
    return r ? r->treaty : kTreatyPeace;
}

void CovenantBase::setRelationState(int other, int treaty)
{
    setRelationStateAt(other, treaty, GameTime());
}

void CovenantBase::setRelationStateAt(int other, int treaty, const GameTime& time)
{
    RelationRecord* r = record(other);
    if (!r || r->treaty == treaty)
        return;
    r->treaty = treaty;
    r->treatyTime = time;
    onTreatyChanged(other);
}

GameTime CovenantBase::getRelationStateTime(int other) const
{
    const RelationRecord* r = record(other);
    return r ? r->treatyTime : GameTime();
}

int CovenantBase::getRelationSubState(int other) const
{
    const RelationRecord* r = record(other);
    return r ? r->tradeRoute : static_cast<int>(TradeRoute::None);
}

void CovenantBase::setRelationSubState(int other, int tradeRoute)
{
    setTradeRoute(other, tradeRoute, GameTime());
}

void CovenantBase::setTradeRoute(int other, int tradeRoute, const GameTime& start)
{
    RelationRecord* r = record(other);
    if (!r || r->tradeRoute == tradeRoute)
        return;
    r->tradeRoute = tradeRoute;
    r->tradeRouteTime = start;
    onTradeRouteChanged(other);
}

GameTime CovenantBase::getTradeRouteTime(int other) const
{
    const RelationRecord* r = record(other);
    return r ? r->tradeRouteTime : GameTime();
}

bool CovenantBase::isHostile(int other) const
{
    const RelationRecord* r = destroyed ? nullptr : record(other);
    return r && isHostileTreaty(r->treaty);
}

bool CovenantBase::hasPact(int other) const
{
    const RelationRecord* r = destroyed ? nullptr : record(other);
    return r && isPactTreaty(r->treaty);
}

bool CovenantBase::hasProtectionPact(int other) const
{
    const RelationRecord* r = destroyed ? nullptr : record(other);
    return r && isProtectionTreaty(r->treaty);
}

bool CovenantBase::isFriendly(int other) const
{
    const RelationRecord* r = destroyed ? nullptr : record(other);
    return r && (isPactTreaty(r->treaty) || r->tradeRoute != static_cast<int>(TradeRoute::None));
}

// ---- Identity and figures

const CovenantDefinition* CovenantBase::getDefinition() const
{
    const GameData* data = GameData::instance();
    return data ? data->getCovenantDefinition(definitionIndex) : nullptr;
}

std::string CovenantBase::getName() const
{
    return name.empty() ? getDefinitionName() : name;
}

std::string CovenantBase::getDefinitionName() const
{
    const CovenantDefinition* d = getDefinition();
    return d ? d->getEntryName() : std::string();
}

std::string CovenantBase::getDefinitionShortName() const
{
    const CovenantDefinition* d = getDefinition();
    return d ? d->shortName : std::string();
}

std::string CovenantBase::getDisplayName() const
{
    std::string shortName = getDefinitionShortName();
    if (!shortName.empty())
        return shortName;
    return name.empty() ? getDefinitionName() : name;
}

int CovenantBase::getColorType() const
{
    const CovenantDefinition* d = getDefinition();
    return d ? d->color : 0;
}

int CovenantBase::computePower() const
{
    const GameData* data = GameData::instance();
    if (!data)
        return 0;
    static constexpr CovenantStat kPowerStats[5] = {CovenantStat::House, CovenantStat::AbsoluteInfluence,
                                                    CovenantStat::People, CovenantStat::Items,
                                                    CovenantStat::LifeStone};
    const auto& mult = data->rules().covenantPowerMult;
    float sum = 0.0f;
    for (size_t k = 0; k < 5; ++k)
        sum += mult[k] * static_cast<float>(stats.get(stat(kPowerStats[k])));
    return roundToInt(sum);
}

int CovenantBase::getBaseIncome() const
{
    const GameData* data = GameData::instance();
    return data ? std::max(0, data->getInfluenceForLevel(getInfluence())) : 0;
}

int CovenantBase::getTradeRouteIncomeWith(int other) const
{
    const RelationRecord* r = record(other);
    if (!r || r->tradeRoute == static_cast<int>(TradeRoute::None))
        return 0;
    return getRelationValue(getBaseIncome(), other, r->tradeRoute, r->tradeRouteTime);
}

int CovenantBase::getGuardCosts() const
{
    return stats.get(stat(CovenantStat::GuardCosts));
}

void CovenantBase::addCrystals(int amount)
{
    stats.add(stat(CovenantStat::Money), amount);
}
