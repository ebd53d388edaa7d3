#include "game/covenants/PlayerCovenant.h"

#include "engine/core/StringUtil.h"
#include "game/covenants/TradeOffer.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/ServerLink.h"

#include <cmath>

namespace {
constexpr int kOfferGood = 2;
constexpr int kCompletionRequest = 3;
constexpr int kRelationMessageKind = 6;
constexpr int kOwnAffairsKind = 2;
constexpr int kTownAttackQuest = 35;
constexpr int kSiegeQuest = 45;
// The partner's leader and the player.
constexpr int kAdventurePartySize = 2;
} // namespace

void PlayerCovenant::receiveOffer(Covenant* from, const TradeOffer& offer)
{
    std::string terms;
    for (const TradeTerm& term : offer.terms)
        appendFormat(terms, " %d %d %d", term.side, term.kind, term.value);
    queueServerLine(ServerLine::OfferToPlayer, "%d %d%s", offer.type, from ? from->index : -1, terms.c_str());
}

void PlayerCovenant::receiveOfferResult(Covenant* from, const TradeOffer& offer, bool accepted, int code)
{
    if (accepted) {
        if (Game* game = Game::instance())
            game->executeTradeOffer(offer, this, from);
    }
    if (offer.type == kCompletionRequest && code == kOfferGood)
        receiveOffer(from, offer);
    queueServerLine(ServerLine::DiplomacyResult, "%d %d", code, from ? from->index : -1);
}

void PlayerCovenant::sendDiplomacyResult(Covenant* to, int code)
{
    queueServerLine(ServerLine::DiplomacyResult, "%d %d", code, to ? to->index : -1);
}

void PlayerCovenant::offerExpired(int other)
{
    queueServerLine(ServerLine::OfferExpired, "%d", other);
}

int PlayerCovenant::relationDecimals(float change)
{
    const float a = std::fabs(change);
    if (a > 1.0f)
        return 1;
    const float step = 0.1f;
    float t = step;
    for (int k = 1; k <= 3; ++k) {
        if (t < a)
            return k;
        t *= step;
    }
    return 3;
}

std::string PlayerCovenant::relationChangeText(float change, const std::string& coloredName)
{
    const double d = static_cast<double>(change);
    switch (relationDecimals(change)) {
    case 1:
        return formatString("%+.1f relation (%s)", d, coloredName.c_str());
    case 2:
        return formatString("%+.2f relation (%s)", d, coloredName.c_str());
    default:
        return formatString("%+.3f relation (%s)", d, coloredName.c_str());
    }
}

void PlayerCovenant::sendRelationChange(Covenant* other, float change)
{
    if (!other || other->destroyed || change == 0.0f)
        return;
    const Game* game = Game::instance();
    const std::string coloredName = game ? game->getCovenantColoredName(other->index) : std::string();
    sendGameMessage(relationChangeText(change, coloredName), kRelationMessageKind);
}

// ---- Shared adventures

void PlayerCovenant::startSharedAdventure(Covenant* partner)
{
    Game* game = Game::instance();
    Player* p = getPlayer();
    Sentient* leader = partner ? partner->getLeader() : nullptr;
    if (!game || !p || !leader)
        return;
    if (isRaiding() || isBeingRaided() || partner->isRaiding() || partner->isBeingRaided()) {
        game->sendGameMessage("Can't adventure together during raids", kOwnAffairsKind);
        return;
    }
    if (game->hasOpenQuestOfType(kTownAttackQuest) || game->hasOpenQuestOfType(kSiegeQuest)) {
        game->sendGameMessage("Can't adventure together during town attacks", kOwnAffairsKind);
        return;
    }
    p->disbandParty();
    linkedCovenant = partner->index;
    partner->startSharedAdventure(this);
    leader->setLeader(p, kAdventurePartySize);
    game->sendGameMessage("Adventuring with " + game->getCovenantColoredName(partner->index),
                          kOwnAffairsKind);
}

void PlayerCovenant::stopSharedAdventure(Covenant* stopper)
{
    Game* game = Game::instance();
    if (linkedCovenant == -1 || !game)
        return;
    if (stopper == this) {
        if (Covenant* partner = game->getCovenant(linkedCovenant); partner && partner != this) {
            // The partner's own stop must not find this one still linked.
            linkedCovenant = -1;
            partner->stopSharedAdventure(this);
        }
    } else if (stopper) {
        game->sendGameMessage(game->getCovenantColoredName(stopper->index) +
                                  " has stopped adventuring with us",
                              kOwnAffairsKind);
    }
    if (Player* p = getPlayer())
        p->disbandParty();
    linkedCovenant = -1;
}
