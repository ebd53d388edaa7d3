#include "game/entities/Player.h"

#include "game/covenants/ActorCovenant.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/GameData.h"
#include "game/entities/Actor.h"
#include "game/world/Game.h"

namespace {
constexpr int kPartyMessage = 4;

int adventurePartySize()
{
    const Game* game = Game::instance();
    return game ? game->settings().maxAdventureGroupSize : 0;
}
} // namespace

void Player::recruitToCovenant(Actor* npc, bool joinParty)
{
    auto* covenant = dynamic_cast<PlayerCovenant*>(getCovenant());
    if (!covenant)
        return;
    // One place per person: a member is not taken in again.
    if (npc && covenant->findRecruitByActor(npc))
        return;
    if (!npc || !covenant->canTakeRecruit()) {
        sendMessage(kPartyMessage, "Already have max covenant recruits");
        return;
    }
    const int partySize = adventurePartySize();
    if (joinParty && static_cast<int>(m_followers.size()) >= partySize - 1) {
        sendMessage(kPartyMessage, "Already have max party size");
        return;
    }
    if (covenant->addRecruit(npc) < 0)
        return;
    if (joinParty)
        npc->setLeader(this, partySize);
    else
        covenant->sendRecruitHome(npc);
    playSound("Sounds/newRecruit.ogg", 500.0f, 100.0f);
}

void Player::inviteToParty(int recruitSlot, int partyLimit)
{
    auto* covenant = dynamic_cast<PlayerCovenant*>(getCovenant());
    if (!covenant)
        return;
    if (static_cast<int>(m_followers.size()) >= partyLimit - 1) {
        sendMessage(kPartyMessage, "Already have max party size");
        return;
    }
    if (Actor* actor = covenant->getRecruitActorForPlayer(recruitSlot, this))
        actor->setLeader(this, partyLimit);
}

void Player::disbandParty()
{
    auto* covenant = dynamic_cast<PlayerCovenant*>(getCovenant());
    // clearLeader takes the follower out of the list.
    std::vector<Sentient*> followers = m_followers;
    for (Sentient* follower : followers) {
        if (!follower)
            continue;
        follower->clearLeader();
        if (auto* actor = dynamic_cast<Actor*>(follower); actor && covenant)
            covenant->sendRecruitHome(actor);
    }
    m_followers.clear();
    updatePartyXpShare();
}

void Player::startRaid(const std::vector<int>& arguments)
{
    auto* covenant = dynamic_cast<PlayerCovenant*>(getCovenant());
    if (!covenant || arguments.empty())
        return;
    covenant->startRaid(arguments[0], std::vector<int>(arguments.begin() + 1, arguments.end()), this);
}

void Player::restoreJoinParty()
{
    std::vector<int32_t> slots = std::move(m_joinParty);
    m_joinParty.clear();
    const Game* game = Game::instance();
    if (!getCovenant() || !game)
        return;
    for (int32_t slot : slots)
        inviteToParty(slot, game->settings().maxRaidGroupSize);
}

float Player::getAdventureXpMult() const
{
    const Covenant* covenant = getCovenant();
    return covenant && covenant->linkedCovenant != -1 ? 0.5f : 1.0f;
}

void Player::giveAdventureLoot(Actor* victim)
{
    const Covenant* covenant = getCovenant();
    const Game* game = Game::instance();
    if (!covenant || covenant->linkedCovenant == -1 || !game)
        return;
    if (auto* partner = dynamic_cast<ActorCovenant*>(game->getCovenant(covenant->linkedCovenant)))
        partner->takeLootFromActor(victim);
}
