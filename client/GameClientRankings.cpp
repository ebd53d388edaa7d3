// The covenants ranked by influence and by power, and the small covenant
// queries of the menus.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ColorCodes.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/GameEnums.h"

#include <algorithm>

namespace {

// Highest value first; equal values keep the lower index first.
void sortRanking(std::vector<std::pair<int, int>>& ranking)
{
    std::stable_sort(
        ranking.begin(), ranking.end(),
        [](const std::pair<int, int>& a, const std::pair<int, int>& b) { return a.second > b.second; });
}

int rankOf(const std::vector<std::pair<int, int>>& ranking, int covenant)
{
    for (size_t i = 0; i < ranking.size(); ++i) {
        if (ranking[i].first == covenant) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

int GameClient::playerCovenantIndex() const
{
    const Client* client = Client::instance();
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    return covenant ? covenant->index : -1;
}

void GameClient::rankCovenantsByInfluence()
{
    m_influenceRanking.assign(m_covenantCount, {0, 0});
    for (uint32_t c = 0; c < m_covenantCount; ++c) {
        if (const CovenantClient* covenant = getCovenant(static_cast<int>(c))) {
            m_influenceRanking[c] = {static_cast<int>(c),
                                     covenant->stats.get(toIndex(CovenantStat::AbsoluteInfluence))};
        }
    }
    sortRanking(m_influenceRanking);
}

void GameClient::rankCovenantsByPower()
{
    m_powerRanking.assign(m_covenantCount, {0, 0});
    for (uint32_t c = 0; c < m_covenantCount; ++c) {
        if (const CovenantClient* covenant = getCovenant(static_cast<int>(c))) {
            m_powerRanking[c] = {static_cast<int>(c), covenant->computePower()};
        }
    }
    sortRanking(m_powerRanking);
}

int GameClient::getInfluenceRank(int covenant) const
{
    return rankOf(m_influenceRanking, covenant);
}

int GameClient::getPowerRank(int covenant) const
{
    return rankOf(m_powerRanking, covenant);
}

int GameClient::getCovenantAtPowerRank(int rank) const
{
    return rank >= 0 && static_cast<size_t>(rank) < m_powerRanking.size()
               ? m_powerRanking[static_cast<size_t>(rank)].first
               : -1;
}

int GameClient::getPowerLeader() const
{
    return getCovenantAtPowerRank(0);
}

int GameClient::countDestroyedCovenants(int skip) const
{
    int count = 0;
    for (uint32_t c = 0; c < m_covenantCount; ++c) {
        const CovenantClient* covenant = getCovenant(static_cast<int>(c));
        count += covenant && static_cast<int>(c) != skip && covenant->destroyed ? 1 : 0;
    }
    return count;
}

int GameClient::countRemainingCovenants(int skip) const
{
    int count = 0;
    for (uint32_t c = 0; c < m_covenantCount; ++c) {
        const CovenantClient* covenant = getCovenant(static_cast<int>(c));
        count += covenant && static_cast<int>(c) != skip && !covenant->destroyed ? 1 : 0;
    }
    return count;
}

int GameClient::countAllies(int of) const
{
    if (of < 0) {
        return 0;
    }
    int count = 0;
    for (uint32_t c = 0; c < m_covenantCount; ++c) {
        const CovenantClient* covenant = getCovenant(static_cast<int>(c));
        if (covenant && static_cast<int>(c) != of && !covenant->destroyed &&
            getTreatyState(static_cast<int>(c), of) == toIndex(CovenantTreaty::Alliance)) {
            ++count;
        }
    }
    return count;
}

std::string GameClient::getColoredCovenantName(int index) const
{
    const CovenantClient* covenant = getCovenant(index);
    if (!covenant) {
        return std::string();
    }
    return formatColorCode(covenant->getColorType()) + covenant->getDisplayName() + formatColorCode(145);
}

std::string GameClient::getColoredCovenantShortName(int index) const
{
    // The display name: the definition's short name before the own name.
    return coloredName(getCovenant(index));
}
