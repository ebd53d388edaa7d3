#include "server/CovenantCommands.h"

#include "engine/core/DebugSystem.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "server/GameCommandTable.h"
#include "server/PlayerCommands.h"

namespace {

using PlayerCommands::lookupCovenant;
using PlayerCommands::parseInt;

constexpr int kPeace = 1;
constexpr int kWar = 2;
constexpr int kOfferExpired = static_cast<int>(CovenantResponse::OfferExpired);

enum class OfferCommand { Offer, Accept, Reject };

int intArg(const CommandArgs& args, size_t i)
{
    return i < args.size() ? parseInt(args[i]) : 0;
}

Covenant* covenantOf(Player& player)
{
    return player.getCovenant();
}

// The offer the player's lines fill; one record, reused.
TradeOffer& playerOffer()
{
    static TradeOffer offer;
    return offer;
}

// A term the executor could not carry out soundly: an ill-formed amount,
// side or place, or an agreement that names one of the two dealing covenants.
bool acceptableTerm(const TradeTerm& term, const Covenant* own, const Covenant* other)
{
    if (!term.isWellFormed())
        return false;
    if (term.is(TradeTermKind::TermThirdParty)) {
        int third = 0;
        int action = 0;
        TradeTerm::readThirdParty(term.value, third, action);
        return third != own->index && third != other->index;
    }
    return true;
}

// The covenant's pending offer to the player, term for term.
bool matchesPending(const TradeOffer& offer, const Covenant* target, const Covenant* own)
{
    const TradeOffer& pending = target->getPendingOffer(own->index).offer;
    if (pending.terms.size() != offer.terms.size())
        return false;
    for (size_t i = 0; i < offer.terms.size(); ++i) {
        const TradeTerm& a = pending.terms[i];
        const TradeTerm& b = offer.terms[i];
        if (a.side != b.side || a.kind != b.kind || a.value != b.value)
            return false;
    }
    return true;
}

void handleOffer(OfferCommand command, const CommandArgs& args, Player& player)
{
    Covenant* own = covenantOf(player);
    TradeOffer& offer = playerOffer();
    offer.type = intArg(args, 0);
    const int index = intArg(args, 1);
    offer.terms.clear();
    offer.peaceTreaty = 0;
    for (size_t i = 2; i + 2 < args.size(); i += 3) {
        offer.terms.push_back(TradeTerm{intArg(args, i), intArg(args, i + 1), intArg(args, i + 2)});
    }
    if (command == OfferCommand::Offer && (offer.type == 0 || offer.type == 1)) {
        bool theyGive = false;
        for (const TradeTerm& term : offer.terms) {
            theyGive = theyGive || term.side == 1 || term.side == 2;
        }
        if (!theyGive) {
            offer.type = 2;
        }
    }
    Covenant* target = lookupCovenant(index);
    if (!own || !target || target == own) {
        return;
    }
    for (const TradeTerm& term : offer.terms) {
        if (!acceptableTerm(term, own, target)) {
            debugPrint(2, "Diplomacy: offer to covenant %d dropped: term %d %d %d cannot be carried out\n",
                       index, term.side, term.kind, term.value);
            return;
        }
    }
    offer.onlyItems = offer.hasOnlyItemTerms();
    if (command == OfferCommand::Offer) {
        target->receiveOffer(own, offer);
        return;
    }
    // An offer of nothing is a covenant's withdrawal notice: there is
    // nothing to answer, and an answer would only bring the notice again.
    if (offer.terms.empty())
        return;
    // Only the offer the covenant made is answered: a line with other values
    // would carry out terms it never proposed.
    if (!matchesPending(offer, target, own)) {
        own->sendDiplomacyResult(target, kOfferExpired);
        return;
    }
    target->receiveOfferResult(own, offer, command == OfferCommand::Accept, 0);
}

void offer(const CommandArgs& args, Player& player)
{
    handleOffer(OfferCommand::Offer, args, player);
}

void acceptOffer(const CommandArgs& args, Player& player)
{
    handleOffer(OfferCommand::Accept, args, player);
}

void rejectOffer(const CommandArgs& args, Player& player)
{
    handleOffer(OfferCommand::Reject, args, player);
}

void treatyCommand(const CommandArgs& args, Player& player, int state)
{
    Game* game = Game::instance();
    Covenant* own = covenantOf(player);
    Covenant* target = lookupCovenant(intArg(args, 0));
    if (game && own && target) {
        game->announceDiplomacy(own->index, target->index, state, false);
    }
}

void cancelTreaty(const CommandArgs& args, Player& player)
{
    treatyCommand(args, player, kPeace);
}

void declareWar(const CommandArgs& args, Player& player)
{
    treatyCommand(args, player, kWar);
}

void cancelTradeRoute(const CommandArgs& args, Player& player)
{
    Game* game = Game::instance();
    Covenant* own = covenantOf(player);
    Covenant* target = lookupCovenant(intArg(args, 0));
    if (game && own && target) {
        game->announceTradeRoute(own->index, target->index, 0, false);
    }
}

void suggestTrade(const CommandArgs&, Player& player)
{
    Covenant* own = covenantOf(player);
    Covenant* partner = player.getTargetCovenant();
    if (own && partner && partner != own) {
        partner->offerToBuyItem(own);
    }
}

void alliedVictoryAccept(const CommandArgs&, Player&)
{
    Game* game = Game::instance();
    if (!game || !game->isAlliedVictoryOffered()) {
        return;
    }
    game->setAlliedVictoryOffered(false);
    game->offerRewardChest(false);
}

void alliedVictoryReject(const CommandArgs&, Player& player)
{
    Game* game = Game::instance();
    Covenant* own = covenantOf(player);
    if (!game || !own || !game->isAlliedVictoryOffered()) {
        return;
    }
    game->setAlliedVictoryOffered(false);
    for (int i = 0; i < game->getCovenantCount(); ++i) {
        Covenant* covenant = game->getCovenant(i);
        if (!covenant || covenant->destroyed || covenant == own) {
            continue;
        }
        game->announceDiplomacy(i, own->index, kWar, false);
        const CovenantDefinition* definition = covenant->getDefinition();
        covenant->setRelation(own->index, definition ? definition->MaxWarRelation : 0.0f);
    }
}

void attach(const char* name, void (*handler)(const CommandArgs&, Player&))
{
    attachGameCommandHandler(name, [handler](const CommandArgs& args, Player* player) {
        if (player) {
            handler(args, *player);
        }
    });
}

} // namespace

void attachDiplomacyCommands()
{
    attach("offer", offer);
    attach("acceptOffer", acceptOffer);
    attach("rejectOffer", rejectOffer);
    attach("cancelTreaty", cancelTreaty);
    attach("cancelTradeRoute", cancelTradeRoute);
    attach("declareWar", declareWar);
    attach("suggestTrade", suggestTrade);
    attach("alliedVictoryAccept", alliedVictoryAccept);
    attach("alliedVictoryReject", alliedVictoryReject);
}
