// The byte forms of the relation records: the state message's entry and the
// saved record.
#include "engine/core/ByteBuffer.h"
#include "game/covenants/CovenantBase.h"
#include "game/definitions/GameEnums.h"

#include <algorithm>
#include <cmath>

bool CovenantBase::validEntry(float relation, int treaty, int route)
{
    return !std::isnan(relation) && treaty >= 0 && treaty < kCovenantTreatyCount && route >= 0 &&
           route < kTradeRouteCount;
}

void CovenantBase::writeRelationEntry(ByteBuffer& buffer, int other) const
{
    const RelationRecord* r = getRelationRecord(other);
    RelationRecord none;
    none.relation = 0.0f;
    if (!r)
        r = &none;
    buffer.writeFloat(r->relation);
    buffer.writeInt(static_cast<int32_t>(r->treaty));
    buffer.writeInt(static_cast<int32_t>(r->tradeRoute));
    buffer.writeGameTime(r->tradeRouteTime);
}

bool CovenantBase::readRelationEntry(ByteBuffer& buffer, int other)
{
    if (buffer.failed() || buffer.remaining() < kRelationEntryBytes)
        return false;
    float relation = buffer.readFloat();
    int treaty = buffer.readInt();
    int route = buffer.readInt();
    GameTime start = buffer.readGameTime();
    if (!validEntry(relation, treaty, route) || !std::isfinite(start.seconds))
        return false;
    if (ensureRelation(other)) {
        setRelation(other, relation);
        setRelationState(other, treaty);
        setTradeRoute(other, route, start);
    }
    return true;
}

void CovenantBase::writeRelationSaved(ByteBuffer& buffer, int other) const
{
    const RelationRecord* r = getRelationRecord(other);
    RelationRecord none;
    none.relation = 0.0f;
    if (!r)
        r = &none;
    buffer.writeFloat(r->relation);
    buffer.writeInt(static_cast<int32_t>(r->treaty));
    buffer.writeGameTime(r->treatyTime);
    buffer.writeInt(static_cast<int32_t>(r->tradeRoute));
    buffer.writeGameTime(r->tradeRouteTime);
}

bool CovenantBase::readRelationSaved(ByteBuffer& buffer, int other)
{
    if (buffer.failed() || buffer.remaining() < kRelationSavedBytes)
        return false;
    RelationRecord saved;
    saved.relation = buffer.readFloat();
    saved.treaty = buffer.readInt();
    saved.treatyTime = buffer.readGameTime();
    saved.tradeRoute = buffer.readInt();
    saved.tradeRouteTime = buffer.readGameTime();
    if (!validEntry(saved.relation, saved.treaty, saved.tradeRoute) ||
        !std::isfinite(saved.treatyTime.seconds) || !std::isfinite(saved.tradeRouteTime.seconds))
        return false;
    saved.relation = std::clamp(saved.relation, 0.0f, 100.0f);
    if (ensureRelation(other))
        m_relations[static_cast<size_t>(other)] = saved;
    return true;
}
