#include "game/world/Game.h"

#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Player.h"
#include "game/entities/Sentient.h"
#include "game/quests/Quest.h"

#include <algorithm>
#include <climits>

namespace {
constexpr int kMoney = static_cast<int>(CovenantStat::Money);

// An agreement about a third covenant: the index high, the action low.
void carryOutAgreement(Game& game, int value, Covenant* giver, Covenant* first, Covenant* second)
{
    int third = 0;
    int action = 0;
    TradeTerm::readThirdParty(value, third, action);
    Covenant* target = game.getCovenant(third);
    // An agreement against one of the dealing covenants does nothing.
    if (!target || target == first || target == second)
        return;
    switch (static_cast<CovenantTreaty>(action)) {
    case CovenantTreaty::Peace: {
        const CovenantDefinition* d = giver->getDefinition();
        float least = d ? d->AgreementPeaceMinRelation : 0.0f;
        if (giver->getRelation(third) < least)
            giver->setRelation(third, least);
        TradeOffer peace;
        peace.addEntry(static_cast<int>(TradeTermKind::TermPeace), 0, 0);
        // Flagged so that the third covenant's refusal is announced.
        peace.peaceTreaty = 1;
        giver->sendOffer(target, peace);
        break;
    }
    case CovenantTreaty::War:
        for (Covenant* side : {first, second}) {
            const CovenantDefinition* d = side->getDefinition();
            float most = d ? d->AgreementWarMaxRelation : 0.0f;
            if (side->getRelation(third) > most)
                side->setRelation(third, most);
        }
        game.announceDiplomacy(first->index, third, static_cast<int>(CovenantTreaty::War), false);
        game.announceDiplomacy(second->index, third, static_cast<int>(CovenantTreaty::War), false);
        break;
    case CovenantTreaty::Raid:
        first->raidOnRequest(second, target);
        second->raidOnRequest(first, target);
        break;
    case CovenantTreaty::BreakTreaty:
        game.announceDiplomacy(giver->index, third, static_cast<int>(CovenantTreaty::Peace), false);
        break;
    case CovenantTreaty::BreakTradeRoute:
        game.announceTradeRoute(giver->index, third, 0, false);
        break;
    default:
        break;
    }
}
} // namespace

void Game::executeTradeOffer(const TradeOffer& offer, Covenant* first, Covenant* second)
{
    if (!first || !second)
        return;
    first->onOfferCarriedOut(offer, 0, second);
    second->onOfferCarriedOut(offer, 1, first);
    for (int i = 0; i < getCovenantCount(); ++i) {
        Covenant* c = getCovenant(i);
        if (c && !c->destroyed && c != first && c != second)
            c->onDealBetween(offer, first, second);
    }
    // The player's own deal completes the tutorial's trade step.
    if (first->getLeader() && first->getLeader() == static_cast<Sentient*>(getFirstPlayer())) {
        forEachQuest([this](Quest& quest) {
            if (quest.type == toIndex(QuestType::TutorialCovenantTrade)) {
                quest.updateProgress();
                refreshQuestForPlayers(quest.id);
            }
        });
    }
    for (const TradeTerm& term : offer.terms) {
        Covenant* giver = term.side == 0 ? first : second;
        Covenant* receiver = term.side == 0 ? second : first;
        switch (static_cast<TradeTermKind>(term.kind)) {
        case TradeTermKind::TermInfluence:
            giver->influence.transferred = static_cast<int32_t>(std::max<long long>(
                INT_MIN, static_cast<long long>(giver->influence.transferred) - term.value));
            receiver->influence.transferred = static_cast<int32_t>(std::min<long long>(
                INT_MAX, static_cast<long long>(receiver->influence.transferred) + term.value));
            break;
        case TradeTermKind::TermPeace:
        case TradeTermKind::TermNonAggressionPact:
        case TradeTermKind::TermMutualProtectionPact:
        case TradeTermKind::TermAlliance:
            announceDiplomacy(second->index, first->index, TradeOffer::treatyOfKind(term.kind), false);
            break;
        case TradeTermKind::TermGold:
            if (Sentient* leader = giver->getLeader())
                leader->getStats().subtractFloored(toIndex(CharacterStat::Money), term.value);
            receiver->addMoney(term.value);
            break;
        case TradeTermKind::TermItem: {
            int group = 0;
            int slot = 0;
            TradeTerm::readItemPlace(term.value, group, slot);
            if (std::unique_ptr<ItemBase> item = giver->removeTradeItem(group, slot))
                receiver->receiveItem(std::move(item));
            // A guard contract or relic changing hands changes both sides' upkeep and multipliers.
            giver->updateStats();
            receiver->updateStats();
            break;
        }
        case TradeTermKind::TermCrystals: {
            int have = giver->stats.get(kMoney);
            giver->stats.set(kMoney, std::max(0, have - std::max(0, term.value)));
            receiver->addCrystals(term.value);
            break;
        }
        case TradeTermKind::TermTradeRoute:
            announceTradeRoute(first->index, second->index, term.value, false);
            break;
        case TradeTermKind::TermSharedAdventure:
            first->startSharedAdventure(second);
            break;
        case TradeTermKind::TermThirdParty:
            carryOutAgreement(*this, term.value, giver, first, second);
            break;
        default:
            break;
        }
    }
}
