#include "game/world/Game.h"

#include "game/covenants/PlayerCovenant.h"
#include "game/entities/Player.h"

namespace {
constexpr int kAlliance = 6;
} // namespace

Covenant* Game::findStrongestCovenant() const
{
    Covenant* strongest = nullptr;
    int best = 0;
    for (const auto& covenant : m_covenants) {
        if (!covenant || covenant->destroyed)
            continue;
        const int power = covenant->computePower();
        if (!strongest || power > best) {
            strongest = covenant.get();
            best = power;
        }
    }
    return strongest;
}

bool Game::canOfferAlliedVictory() const
{
    const Player* player = getFirstPlayer();
    const Covenant* own = player ? player->getCovenant() : nullptr;
    const Covenant* strongest = findStrongestCovenant();
    if (!own || own->destroyed || !strongest)
        return false;
    // A covenant standing alone has no allies: that is a conquest.
    int allies = 0;
    for (const auto& covenant : m_covenants) {
        if (!covenant || covenant->destroyed || covenant.get() == strongest)
            continue;
        if (strongest->getRelationState(covenant->index) != kAlliance)
            return false;
        ++allies;
    }
    return allies > 0;
}

void Game::endAllCovenants()
{
    // The winner's covenant stands: ending it too would leave the world
    // paused before the player reaches the reward.
    const Player* player = getFirstPlayer();
    const Covenant* own = player ? player->getCovenant() : nullptr;
    for (size_t i = 0; i < m_covenants.size(); ++i) {
        Covenant* covenant = m_covenants[i].get();
        if (!covenant || covenant == own || covenant->destroyed)
            continue;
        covenant->onDestroyed(nullptr, false, false);
        covenant->destroyed = true;
    }
}

void Game::checkWorldEnd()
{
    // Only a generated world is won or lost.
    if (!m_worldGenerated)
        return;
    if (!m_worldEnded && !m_alliedVictoryOffered) {
        const Player* player = getFirstPlayer();
        const Covenant* own = player ? player->getCovenant() : nullptr;
        if (allAiCovenantsDestroyed()) {
            offerRewardChest(true);
        } else if (canOfferAlliedVictory()) {
            if (findStrongestCovenant() == own)
                offerRewardChest(false);
            else
                m_alliedVictoryOffered = true;
        }
    }
    if (!m_worldEnded && isPlayerCovenantDestroyed())
        onWorldLost();
}

void Game::onWorldLost()
{
    m_worldEnded = true;
    const Player* player = getFirstPlayer();
    if (auto* own = dynamic_cast<PlayerCovenant*>(player ? player->getCovenant() : nullptr))
        own->funStats.add(PlayerCovenant::kWorldsLost, 1);
}

void Game::keepWorldLost(Player* player)
{
    // A won world ended every computer covenant.
    if (!m_worldGenerated || !m_worldEnded || !player || player != getFirstPlayer() ||
        allAiCovenantsDestroyed())
        return;
    Covenant* own = player->getCovenant();
    if (!own || own->destroyed)
        return;
    // The base's end: the player's own end would count its defence again.
    own->Covenant::onDestroyed(nullptr, true, false);
}
