#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "game/definitions/GameEnums.h"

CovenantClient* GameClient::getCovenant(int index, bool create)
{
    if (index < 0 || index >= CovenantBase::kMaxCovenants) {
        return nullptr;
    }
    if (static_cast<size_t>(index) >= m_covenants.size()) {
        if (!create) {
            return nullptr;
        }
        while (m_covenants.size() <= static_cast<size_t>(index)) {
            m_covenants.push_back(std::make_unique<CovenantClient>(static_cast<int>(m_covenants.size())));
        }
    }
    return m_covenants[static_cast<size_t>(index)].get();
}

const CovenantClient* GameClient::getCovenant(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_covenants.size()) {
        return nullptr;
    }
    return m_covenants[static_cast<size_t>(index)].get();
}

CovenantClient* GameClient::getLastCovenant() const
{
    if (m_covenantCount == 0 || m_covenantCount > m_covenants.size()) {
        return nullptr;
    }
    return m_covenants[m_covenantCount - 1].get();
}

float GameClient::getRelationValue(int a, int b) const
{
    const Client* client = Client::instance();
    int player = client ? client->getPlayerCovenantIndex() : -1;
    if (a == player && b == player) {
        return 0.5f;
    }
    // Only the other covenants' mirrors are asked, never the player's own.
    auto side = [&](int self, int other) {
        const CovenantClient* covenant = getCovenant(self);
        const RelationRecord* record = covenant ? covenant->getRelationRecord(other) : nullptr;
        return record ? record->relation : 0.0f;
    };
    if (a == player) {
        return side(b, a);
    }
    if (b == player) {
        return side(a, b);
    }
    return (side(a, b) + side(b, a)) * 0.5f;
}

int GameClient::getTreatyState(int a, int b) const
{
    const CovenantClient* covenant = getCovenant(a);
    const RelationRecord* record = covenant ? covenant->getRelationRecord(b) : nullptr;
    return record ? record->treaty : static_cast<int>(CovenantTreaty::Peace);
}

int GameClient::getTradeRouteSize(int a, int b) const
{
    const CovenantClient* covenant = getCovenant(a);
    const RelationRecord* record = covenant ? covenant->getRelationRecord(b) : nullptr;
    return record ? record->tradeRoute : 0;
}

const CovenantBase* GameClient::findNearestCovenant(const ZonePosition& position) const
{
    const Client* client = Client::instance();
    const CovenantBase* nearest = client ? client->getPlayerCovenant() : nullptr;
    float best = 0.0f;
    // Homes are compared within the position's zone.
    const auto distance = [&position](const CovenantBase& covenant) {
        return ZonePosition::distanceTo(position, covenant.housePosition);
    };
    if (nearest && nearest->housePosition.zone >= 0) {
        best = distance(*nearest);
    } else {
        nearest = nullptr;
    }
    for (const auto& covenant : m_covenants) {
        if (!covenant || covenant->housePosition.zone < 0) {
            continue;
        }
        float d = distance(*covenant);
        if (!nearest || d < best) {
            nearest = covenant.get();
            best = d;
        }
    }
    return nearest;
}
