#include "game/ai/BehaviorReturnHome.h"

#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"

int BehaviorReturnHome::getType() const
{
    return static_cast<int>(ActorBehavior::ReturnHome);
}

bool BehaviorReturnHome::canStart()
{
    // A player's companion goes where its player goes.
    if (dynamic_cast<const Player*>(m_owner->getLeader())) {
        return false;
    }
    const ZonePosition& position = m_owner->getPosition();
    // Zone -1 (before the first start, or nowhere) never counts as near.
    bool nearHome = homeTarget.zone >= 0 && ZonePosition::isWithinSquare(position, homeTarget, kHomeRange);
    bool atFailure = failedAt.zone >= 0 && ZonePosition::isWithinSquare(position, failedAt, kArriveDistance);
    return !nearHome && !atFailure;
}

bool BehaviorReturnHome::canContinue()
{
    return !m_finished && !(homeTarget.zone >= 0 && ZonePosition::isWithinSquare(
                                                        m_owner->getPosition(), homeTarget, kArriveDistance));
}

void BehaviorReturnHome::start()
{
    homeTarget = m_owner->getHome();
    failedAt = ZonePosition(-1, 0.0f, 0.0f);
    m_owner->moveAlongPathTo(homeTarget);
}

void BehaviorReturnHome::update(float)
{
    m_owner->moveAlongPathTo(homeTarget);
}

bool BehaviorReturnHome::mayTeleportHome() const
{
    if (m_owner->isCovenantGuard()) {
        return true;
    }
    bool inCovenant = m_owner->getCovenant() != nullptr;
    if (inCovenant && m_owner->isNpc() && !m_owner->getLeader() && m_owner->getFollowers().empty()) {
        return true;
    }
    return m_owner->isNpc() && !inCovenant && m_owner->getNpcType() != 0;
}

void BehaviorReturnHome::notify(int code, int)
{
    if (code == static_cast<int>(SimpleEvent::PathFindingSuccess)) {
        m_finished = true;
    } else if (code == static_cast<int>(SimpleEvent::PathFindingFailed)) {
        if (mayTeleportHome()) {
            teleportHome = true;
        } else {
            failedAt = m_owner->getPosition();
        }
        m_finished = true;
    }
}

void BehaviorReturnHome::stop()
{
    if (teleportHome) {
        teleportHome = false;
        Game* game = Game::instance();
        ZonePosition spot;
        for (int ring = 0; game && ring <= kTeleportRings; ++ring) {
            if (game->findFreeSpotOnRing(homeTarget, ring, spot, m_owner)) {
                m_owner->warp(spot);
                break;
            }
        }
    }
    m_owner->setNoTargetScan(false);
}
