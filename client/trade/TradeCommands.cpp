// The offer screen's commands: the player's offer to the selected covenant,
// sent to the server after every change, and the answers to offers made to
// the player.
#include "client/trade/TradeCommands.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/DiplomacyText.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"

#include <cerrno>
#include <cstdlib>

namespace {

constexpr int kClientStream = 4;
constexpr int kAppraisal = 4;
constexpr int kOfferBlank = 1;
constexpr int kCopyToCurrent = 3;

GameClient* game()
{
    return GameClient::instance();
}

PlayerCovenantClient* ownCovenant()
{
    Client* client = Client::instance();
    return client ? client->getPlayerCovenant() : nullptr;
}

int selected()
{
    const GameClient* g = game();
    return g ? g->getCurrentCovenant() : -1;
}

bool inCovenantList(int index)
{
    const GameClient* g = game();
    return g && index >= 0 && static_cast<uint32_t>(index) < g->getCovenantCount();
}

int intArg(const CommandArgs& args, size_t i)
{
    return i < args.size() ? std::atoi(args[i].c_str()) : 0;
}

// A user variable as a 64-bit number; a text that is no number counts 0.
long long amountVar(const char* name)
{
    std::string text = getUserVarString(name);
    errno = 0;
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    return errno == 0 ? value : 0;
}

void runMenuLine(const std::string& line)
{
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->execute(line, nullptr, false, true);
    }
}

void queue(const std::string& line)
{
    if (Client* client = Client::instance()) {
        client->queueServerCommand(line);
    }
}

void sendOffer(int tradeType)
{
    GameClient* g = game();
    if (!g) {
        return;
    }
    std::string line = formatString("offer %d %d", tradeType, selected());
    for (const TradeTerm& term : g->getCurrentOffer().terms) {
        line += formatString(" %d %d %d", term.side, term.kind, term.value);
    }
    queue(line);
}

// Each side holds at most one amount of each kind: a new one replaces it.
void addTerm(int side, int kind, int value)
{
    GameClient* g = game();
    if (!g) {
        return;
    }
    std::vector<TradeTerm>& terms = g->getCurrentOffer().terms;
    const bool amount = kind == static_cast<int>(TradeTermKind::TermInfluence) ||
                        kind == static_cast<int>(TradeTermKind::TermGold) ||
                        kind == static_cast<int>(TradeTermKind::TermCrystals);
    if (amount) {
        for (auto it = terms.begin(); it != terms.end(); ++it) {
            if (it->kind == kind && it->side == side) {
                terms.erase(it);
                break;
            }
        }
    }
    terms.push_back(TradeTerm{side, kind, value});
    sendOffer(kAppraisal);
}

// Adds an amount the side owns; more is refused on screen, less than 0 in the log.
void addAmount(long long amount, int what, int kind, const char* refusal, const char* name)
{
    const int side = getUserVarInt("TradeSide");
    if (amount < 0) {
        debugPrint(2, "%s: a negative amount (%lld) is not offered\n", name, amount);
        return;
    }
    if (TradeCommands::sideAmount(side, what) < amount) {
        if (const GameClient* g = game()) {
            g->showErrorMessage(refusal, false);
        }
        return;
    }
    addTerm(side, kind, static_cast<int>(amount));
}

void chooseAmount(const CommandArgs& args, const char* menuLine)
{
    setUserVar("TradeSide", std::to_string(intArg(args, 0)));
    runMenuLine(menuLine);
}

void answerPending(const char* verb)
{
    PlayerCovenantClient* covenant = ownCovenant();
    const int other = selected();
    if (!covenant || !inCovenantList(other)) {
        return;
    }
    const PlayerCovenantClient::PendingOffer* pending = covenant->getPendingOffer(other);
    if (!pending || pending->entries.empty()) {
        return;
    }
    std::string line = formatString("%s %d %d", verb, pending->kind, other);
    for (const OfferEntry& entry : pending->entries) {
        line += formatString(" %d %d %d", entry.side, entry.type, entry.value);
    }
    queue(line);
}

} // namespace

void GameClient::setCurrentCovenant(int index)
{
    if (index != m_currentCovenant) {
        m_currentOffer.terms.clear();
        m_responseText.clear();
    }
    m_currentCovenant = index;
}

void GameClient::setDiplomacyResponse(int covenant, int response)
{
    const CovenantClient* other = getCovenant(covenant);
    const PlayerCovenantClient* own = ownCovenant();
    m_responseText.clear();
    if (!other || response < 0 || response >= kCovenantResponseCount) {
        return;
    }
    // The lines are chosen by how the covenant feels about the player's.
    std::string relation;
    if (const GameData* data = GameData::instance(); data && own) {
        relation = data->getRelationName(static_cast<int>(other->getRelation(own->index)));
    }
    m_responseText = ::getDiplomacyResponseText(other, response, relation, kClientStream);
}

void GameClient::countDiplomacyResult(int response)
{
    if (response >= 0 && response < kCovenantResponseCount) {
        ++m_resultCounts[static_cast<size_t>(response)];
    }
}

int GameClient::getDiplomacyResultCount(int response) const
{
    return response >= 0 && response < kCovenantResponseCount ? m_resultCounts[static_cast<size_t>(response)]
                                                              : 0;
}

namespace TradeCommands {

long long sideAmount(int side, int what)
{
    Client* client = Client::instance();
    const GameClient* g = game();
    if (side == 0) {
        const PlayerClient* player = client ? client->getLocalPlayer() : nullptr;
        const PlayerCovenantClient* covenant = ownCovenant();
        switch (what) {
        case 0:
            return player ? player->getStat(toIndex(CharacterStat::Money)) : 0;
        case 1:
            return covenant ? covenant->stats.get(toIndex(CovenantStat::AbsoluteInfluence)) : 0;
        default:
            return covenant ? covenant->stats.get(toIndex(CovenantStat::Money)) : 0;
        }
    }
    const CovenantClient* other = g ? g->getCovenant(selected()) : nullptr;
    if (!other) {
        return 0;
    }
    switch (what) {
    case 0:
        return other->getLeaderGold();
    case 1:
        return other->stats.get(toIndex(CovenantStat::AbsoluteInfluence));
    default:
        return other->stats.get(toIndex(CovenantStat::Money));
    }
}

void dipRes(const CommandArgs& args)
{
    if (GameClient* g = game()) {
        g->setDiplomacyResponse(intArg(args, 1), intArg(args, 0));
        g->countDiplomacyResult(intArg(args, 0));
    }
}

void clearOffer(const CommandArgs&)
{
    if (GameClient* g = game()) {
        g->getCurrentOffer().terms.clear();
        g->setDiplomacyResponse(selected(), kOfferBlank);
    }
}

void chooseGoldAmount(const CommandArgs& args)
{
    chooseAmount(args, "showMenu ChooseGoldAmount");
}

void chooseInfluenceAmount(const CommandArgs& args)
{
    chooseAmount(args, "showMenu ChooseInfluenceAmount");
}

void chooseCrystalsAmount(const CommandArgs& args)
{
    chooseAmount(args, "showMenu ChooseCrystalsAmount");
}

void addGoldToOffer(const CommandArgs&)
{
    // In 64 bits: a large gold amount must not wrap into a small one.
    const long long amount =
        (amountVar("GoldAmount") * 100 + amountVar("SilverAmount")) * 100 + amountVar("CopperAmount");
    addAmount(amount, 0, static_cast<int>(TradeTermKind::TermGold), "Not enough money", "addGoldToOffer");
}

void addInfluenceToOffer(const CommandArgs&)
{
    addAmount(amountVar("InfluenceAmount"), 1, static_cast<int>(TradeTermKind::TermInfluence),
              "Not enough influence", "addInfluenceToOffer");
}

void addCrystalsToOffer(const CommandArgs&)
{
    addAmount(amountVar("CrystalsAmount"), 2, static_cast<int>(TradeTermKind::TermCrystals),
              "Not enough crystals", "addCrystalsToOffer");
}

void chooseOtherCovenant(const CommandArgs& args)
{
    setUserVar("AgreementType", std::to_string(intArg(args, 0)));
    setUserVar("TradeSide", std::to_string(intArg(args, 1)));
    runMenuLine("showMenu ChooseOtherCovenant");
}

void addAgreementToOffer(const CommandArgs&)
{
    const uint32_t value = (static_cast<uint32_t>(getUserVarInt("OtherCovenant")) << 16) |
                           (static_cast<uint32_t>(getUserVarInt("AgreementType")) & 0xFFFFu);
    addTerm(getUserVarInt("TradeSide"), static_cast<int>(TradeTermKind::TermThirdParty),
            static_cast<int>(value));
}

void addAdventureToOffer(const CommandArgs&)
{
    addTerm(2, static_cast<int>(TradeTermKind::TermSharedAdventure), 0);
}

void addItemToOffer(const CommandArgs& args)
{
    addTerm(intArg(args, 0), static_cast<int>(TradeTermKind::TermItem), intArg(args, 1));
}

void addTradeRouteToOffer(const CommandArgs& args)
{
    addTerm(2, static_cast<int>(TradeTermKind::TermTradeRoute), intArg(args, 0));
}

void addToOffer(const CommandArgs& args)
{
    addTerm(intArg(args, 0), intArg(args, 1), 0);
}

void removeFromOffer(const CommandArgs& args)
{
    GameClient* g = game();
    const int index = intArg(args, 0);
    if (!g || index < 0 || static_cast<size_t>(index) >= g->getCurrentOffer().terms.size()) {
        return;
    }
    std::vector<TradeTerm>& terms = g->getCurrentOffer().terms;
    terms.erase(terms.begin() + index);
    if (!terms.empty()) {
        sendOffer(kAppraisal);
    } else {
        g->setDiplomacyResponse(selected(), kOfferBlank);
    }
}

void offerTrade(const CommandArgs& args)
{
    sendOffer(intArg(args, 0));
}

void cancelCurrentTreaty(const CommandArgs&)
{
    const std::string which = getUserVarString("TreatyToCancel");
    if (equalsNoCase(which, "MainTreaty")) {
        queue(formatString("cancelTreaty %d", selected()));
    } else if (equalsNoCase(which, "TradeRoute")) {
        queue(formatString("cancelTradeRoute %d", selected()));
    }
}

void offerToPlayer(const CommandArgs& args)
{
    GameClient* g = game();
    if (!g) {
        return;
    }
    const int covenant = intArg(args, 1);
    if (args.size() < 2 || !inCovenantList(covenant)) {
        debugPrint(2, "offerToPlayer: needs a kind and a covenant of the list (%zu arguments)\n",
                   args.size());
        return;
    }
    TradeOffer& incoming = g->getIncomingOffer();
    incoming.type = intArg(args, 0);
    incoming.terms.clear();
    // Only complete triples count.
    for (size_t i = 2; i + 3 <= args.size(); i += 3) {
        incoming.terms.push_back(TradeTerm{intArg(args, i), intArg(args, i + 1), intArg(args, i + 2)});
    }
    if (incoming.type == kCopyToCurrent) {
        g->getCurrentOffer().terms = incoming.terms;
    } else if (PlayerCovenantClient* own = ownCovenant()) {
        PlayerCovenantClient::PendingOffer pending;
        pending.kind = incoming.type;
        for (const TradeTerm& term : incoming.terms) {
            pending.entries.push_back(OfferEntry{term.side, term.kind, term.value});
        }
        own->receiveOffer(covenant, pending);
    }
}

void offerExpired(const CommandArgs& args)
{
    PlayerCovenantClient* own = ownCovenant();
    const int covenant = intArg(args, 0);
    if (own && inCovenantList(covenant)) {
        own->dropPendingOffer(covenant);
    }
}

void acceptTrade(const CommandArgs&)
{
    answerPending("acceptOffer");
}

void rejectTrade(const CommandArgs&)
{
    answerPending("rejectOffer");
}

void ignoreTrade(const CommandArgs&)
{
    PlayerCovenantClient* own = ownCovenant();
    const int other = selected();
    if (!own || !inCovenantList(other)) {
        return;
    }
    if (own->ignoredOffers.size() <= static_cast<size_t>(other)) {
        own->ignoredOffers.resize(static_cast<size_t>(other) + 1, false);
    }
    own->ignoredOffers[static_cast<size_t>(other)] = true;
}

} // namespace TradeCommands
