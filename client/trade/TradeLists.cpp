// The offer screen's lists: amounts, items, treaties and agreements the
// player may offer or ask for, the offers themselves and the treaties in force.
#include "client/trade/TradeCommands.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/Money.h"

#include <algorithm>

namespace {

using Kind = TradeTermKind;

int kindOf(Kind k)
{
    return static_cast<int>(k);
}

GameClient* game()
{
    return GameClient::instance();
}

PlayerClient* player()
{
    Client* client = Client::instance();
    return client ? client->getLocalPlayer() : nullptr;
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

ListEntry entry(std::string name, std::string value, std::string tooltip = {})
{
    ListEntry e;
    e.name = std::move(name);
    e.value = std::move(value);
    e.tooltipText = std::move(tooltip);
    return e;
}

void influenceEntry(int side, std::vector<ListEntry>& list)
{
    list.push_back(entry(formatThousands(TradeCommands::sideAmount(side, 1)) + " influence",
                         formatString("ChooseInfluenceAmount %d", side)));
}

void crystalsEntry(int side, std::vector<ListEntry>& list)
{
    list.push_back(entry(formatCrystals(TradeCommands::sideAmount(side, 2)),
                         formatString("ChooseCrystalsAmount %d", side)));
}

void moneyEntry(int side, std::vector<ListEntry>& list)
{
    list.push_back(
        entry(formatMoney(TradeCommands::sideAmount(side, 0)), formatString("ChooseGoldAmount %d", side)));
}

bool offerHolds(int side, int kind, int value, bool anyValue)
{
    const GameClient* g = game();
    if (!g) {
        return false;
    }
    const auto& terms = const_cast<GameClient*>(g)->getCurrentOffer().terms;
    return std::any_of(terms.begin(), terms.end(), [&](const TradeTerm& t) {
        return t.side == side && t.kind == kind && (anyValue || t.value == value);
    });
}

std::string treatyName(int treaty)
{
    const GameData* data = GameData::instance();
    return data ? data->getColoredTreatyName(treaty) : std::string();
}

std::string treatyDescription(int treaty)
{
    const GameData* data = GameData::instance();
    return data ? data->getTreatyDescription(treaty) : std::string();
}

std::string routeName(int size)
{
    const GameData* data = GameData::instance();
    return data ? data->getColoredTradeRouteName(size) + " Trade Route" : std::string();
}

std::string routeDescription(int size)
{
    const GameData* data = GameData::instance();
    return data ? data->getTradeRouteDescription(size) : std::string();
}

// Offer kinds 2 … 5 are these treaties.
int treatyOfKind(int kind)
{
    static constexpr CovenantTreaty kTreaties[] = {CovenantTreaty::Peace, CovenantTreaty::NonAggressionPact,
                                                   CovenantTreaty::MutualProtectionPact,
                                                   CovenantTreaty::Alliance};
    return toIndex(kTreaties[kind - kindOf(Kind::TermPeace)]);
}

// The items of a side worth trading: equipment of note, relics and better.
bool isTradeable(const ItemBase& item)
{
    const ItemType type = item.getItemType();
    return !item.getBool("NoDrop") &&
           (type == ItemType::Chest || type == ItemType::HandPrimary || type == ItemType::HandSecondary ||
            type == ItemType::Relic || item.getRarity() > ItemRarity::Normal);
}

void describeItem(const ItemBase& item, std::vector<ListEntry>& list, std::string value)
{
    PlayerClient* p = player();
    std::string tooltip;
    item.getTooltip(p, TooltipContext{}, tooltip);
    if (p) {
        std::string compared;
        p->getEquipTooltip(&item, compared, TooltipContext{});
        ItemBase::appendTooltipPart(tooltip, compared);
    }
    list.push_back(entry(item.getDisplayName(true), std::move(value), std::move(tooltip)));
}

void items(int side, std::vector<ListEntry>& list)
{
    PlayerClient* p = player();
    InventoryBase* inventory = p ? p->getInventory() : nullptr;
    if (!inventory) {
        return;
    }
    std::vector<int> groups;
    if (side == 0) {
        groups = {toIndex(InventoryGroupIndex::Bag1), toIndex(InventoryGroupIndex::Bag2),
                  toIndex(InventoryGroupIndex::Bag3), toIndex(InventoryGroupIndex::Bag4)};
    } else {
        groups = {toIndex(InventoryGroupIndex::Loot)};
    }
    for (int group : groups) {
        const InventoryGroup* g = inventory->getOwnGroup(group);
        for (int slot = 0; g && slot < g->getSize(); ++slot) {
            const ItemBase* item = g->getItem(slot);
            const int reference = TradeTerm::itemPlace(group, slot);
            if (item && isTradeable(*item) && !offerHolds(side, kindOf(Kind::TermItem), reference, false)) {
                describeItem(*item, list, formatString("addItemToOffer %d %d", side, reference));
            }
        }
    }
}

void treaties(int side, std::vector<ListEntry>& list)
{
    const GameClient* g = game();
    const PlayerCovenantClient* own = ownCovenant();
    const int other = selected();
    if (!g || !own || !g->getCovenant(other)) {
        return;
    }
    const int r = g->getTreatyState(other, own->index);
    const auto inOffer = [](Kind kind) { return offerHolds(2, kindOf(kind), 0, true); };
    const auto add = [&](int kind) {
        list.push_back(entry(treatyName(treatyOfKind(kind)), formatString("addToOffer %d %d", 2, kind),
                             treatyDescription(treatyOfKind(kind))));
    };
    if (r == 2 || r == 3) {
        if (!inOffer(Kind::TermPeace)) {
            add(kindOf(Kind::TermPeace));
        }
        return;
    }
    if (!inOffer(Kind::TermNonAggressionPact) && !inOffer(Kind::TermMutualProtectionPact) &&
        !inOffer(Kind::TermAlliance)) {
        if (r == 1) {
            add(kindOf(Kind::TermNonAggressionPact));
        }
        if (r == 1 || r == 4) {
            add(kindOf(Kind::TermMutualProtectionPact));
        }
        if (r == 1 || r == 4 || r == 5) {
            add(kindOf(Kind::TermAlliance));
        }
    }
    if (!inOffer(Kind::TermSharedAdventure)) {
        list.push_back(entry("$$SharedAdventureTitle$$", "addAdventureToOffer", "$$SharedAdventureDesc$$"));
    }
    struct Agreement {
        const char* text;
        int type;
        bool bothSides;
    };
    static constexpr Agreement kAgreements[] = {{"Declare War on...", 2, true},
                                                {"Raid...", 3, true},
                                                {"Make peace with...", 1, false},
                                                {"Break treaty with...", 9, false},
                                                {"Break trade route with...", 10, false}};
    for (const Agreement& a : kAgreements) {
        const int t = a.bothSides ? 2 : side;
        if (!TradeCommands::covenantsFor(a.type, t).empty()) {
            list.push_back(entry(a.text, formatString("chooseOtherCovenant %d %d", a.type, t)));
        }
    }
    if (!inOffer(Kind::TermTradeRoute)) {
        for (int size = g->getTradeRouteSize(other, own->index) + 1; size <= 5; ++size) {
            list.push_back(entry(routeName(size), formatString("addTradeRouteToOffer %d", size)));
        }
    }
}

std::string agreementText(int value)
{
    const int third = static_cast<int>(static_cast<uint32_t>(value) >> 16);
    const int type = static_cast<int>(static_cast<uint32_t>(value) & 0xFFFFu);
    const GameClient* g = game();
    const std::string name = g ? coloredName(g->getCovenant(third)) : std::string();
    switch (type) {
    case 2:
        return "Declare war on " + name;
    case 3:
        return "Raid " + name;
    case 1:
        return "Make peace with " + name;
    case 9:
        return "Break treaty with " + name;
    case 10:
        return "Break trade route with " + name;
    default:
        return std::string();
    }
}

void offerEntries(const std::vector<TradeTerm>& terms, int side, std::vector<ListEntry>& list)
{
    for (size_t i = 0; i < terms.size(); ++i) {
        const TradeTerm& t = terms[i];
        if (t.side != side && t.side != 2) {
            continue;
        }
        const std::string value = formatString("removeFromOffer %d", static_cast<int>(i));
        switch (static_cast<Kind>(t.kind)) {
        case Kind::TermInfluence:
            list.push_back(entry(formatThousands(t.value) + " influence", value));
            break;
        case Kind::TermCrystals:
            list.push_back(entry(formatCrystals(t.value), value));
            break;
        case Kind::TermPeace:
        case Kind::TermNonAggressionPact:
        case Kind::TermMutualProtectionPact:
        case Kind::TermAlliance:
            list.push_back(
                entry(treatyName(treatyOfKind(t.kind)), value, treatyDescription(treatyOfKind(t.kind))));
            break;
        case Kind::TermGold:
            list.push_back(entry(formatMoney(t.value), value));
            break;
        case Kind::TermTradeRoute:
            list.push_back(entry(routeName(t.value), value, routeDescription(t.value)));
            break;
        case Kind::TermItem: {
            int group = 0, slot = 0;
            TradeTerm::readItemPlace(t.value, group, slot);
            PlayerClient* p = player();
            const ItemBase* item = p ? p->getItem(group, slot) : nullptr;
            if (item) {
                describeItem(*item, list, value);
            }
            break;
        }
        case Kind::TermSharedAdventure:
            list.push_back(entry("$$SharedAdventureTitle$$", value, "$$SharedAdventureDesc$$"));
            break;
        case Kind::TermThirdParty:
            list.push_back(entry(agreementText(t.value), value));
            break;
        default:
            break;
        }
    }
}

std::vector<TradeTerm> pendingTerms()
{
    PlayerCovenantClient* own = ownCovenant();
    const int other = selected();
    const GameClient* g = game();
    std::vector<TradeTerm> terms;
    if (!own || !g || other < 0 || static_cast<uint32_t>(other) >= g->getCovenantCount()) {
        return terms;
    }
    if (const PlayerCovenantClient::PendingOffer* pending = own->getPendingOffer(other)) {
        for (const OfferEntry& e : pending->entries) {
            terms.push_back(TradeTerm{e.side, e.type, e.value});
        }
    }
    return terms;
}

} // namespace

namespace TradeCommands {

std::vector<int> covenantsFor(int agreementType, int side)
{
    std::vector<int> out;
    const GameClient* g = game();
    const PlayerCovenantClient* own = ownCovenant();
    const int other = selected();
    if (!g || !own) {
        return out;
    }
    const int p = own->index;
    const int s = side != 0 ? other : p;
    const auto hostile = [&](int a, int b) {
        const int state = g->getTreatyState(a, b);
        return state == 2 || state == 3;
    };
    for (uint32_t c = 0; c < g->getCovenantCount(); ++c) {
        const int i = static_cast<int>(c);
        const CovenantClient* candidate = g->getCovenant(i);
        if (!candidate || i == p || i == other || candidate->destroyed) {
            continue;
        }
        bool stays = true;
        switch (agreementType) {
        case 2:
            stays = !(hostile(p, i) && hostile(other, i));
            break;
        case 1:
            stays = hostile(s, i);
            break;
        case 9: {
            const int state = g->getTreatyState(s, i);
            stays = state != 1 && state != 2 && state != 3;
            break;
        }
        case 10:
            stays = g->getTradeRouteSize(s, i) != 0;
            break;
        default:
            break;
        }
        const int value =
            static_cast<int>((static_cast<uint32_t>(i) << 16) | static_cast<uint32_t>(agreementType));
        if (stays && !offerHolds(side, kindOf(Kind::TermThirdParty), value, false)) {
            out.push_back(i);
        }
    }
    return out;
}

void playerMoneyInfluence(std::vector<ListEntry>& list)
{
    influenceEntry(0, list);
    crystalsEntry(0, list);
}

void otherMoneyInfluence(std::vector<ListEntry>& list)
{
    influenceEntry(1, list);
    crystalsEntry(1, list);
}

void playerInfluence(std::vector<ListEntry>& list)
{
    influenceEntry(0, list);
}

void otherInfluence(std::vector<ListEntry>& list)
{
    influenceEntry(1, list);
}

void playerCrystals(std::vector<ListEntry>& list)
{
    crystalsEntry(0, list);
}

void otherCrystals(std::vector<ListEntry>& list)
{
    crystalsEntry(1, list);
}

void playerGold(std::vector<ListEntry>& list)
{
    moneyEntry(0, list);
}

void otherGold(std::vector<ListEntry>& list)
{
    moneyEntry(1, list);
}

void playerAllMoney(std::vector<ListEntry>& list)
{
    moneyEntry(0, list);
    influenceEntry(0, list);
    crystalsEntry(0, list);
}

void otherAllMoney(std::vector<ListEntry>& list)
{
    moneyEntry(1, list);
    influenceEntry(1, list);
    crystalsEntry(1, list);
}

void playerItems(std::vector<ListEntry>& list)
{
    items(0, list);
}

void otherItems(std::vector<ListEntry>& list)
{
    items(1, list);
}

void playerTreaties(std::vector<ListEntry>& list)
{
    treaties(0, list);
}

void otherTreaties(std::vector<ListEntry>& list)
{
    treaties(1, list);
}

void playerOffer(std::vector<ListEntry>& list)
{
    if (GameClient* g = game()) {
        offerEntries(g->getCurrentOffer().terms, 0, list);
    }
}

void otherOffer(std::vector<ListEntry>& list)
{
    if (GameClient* g = game()) {
        offerEntries(g->getCurrentOffer().terms, 1, list);
    }
}

void incomingPlayerOffer(std::vector<ListEntry>& list)
{
    offerEntries(pendingTerms(), 1, list);
}

void incomingOtherOffer(std::vector<ListEntry>& list)
{
    offerEntries(pendingTerms(), 0, list);
}

void currentTreaties(std::vector<ListEntry>& list)
{
    const GameClient* g = game();
    const PlayerCovenantClient* own = ownCovenant();
    const int other = selected();
    if (!g || !own || !g->getCovenant(other)) {
        return;
    }
    const int state = g->getTreatyState(other, own->index);
    if (state >= 4 && state <= 6) {
        list.push_back(entry(treatyName(state), "MainTreaty", treatyDescription(state)));
    }
    const int route = g->getTradeRouteSize(other, own->index);
    if (route != 0) {
        list.push_back(entry(routeName(route), "TradeRoute", routeDescription(route)));
    }
}

void covenantsForAgreement(std::vector<ListEntry>& list)
{
    const GameClient* g = game();
    if (!g) {
        return;
    }
    for (int i : covenantsFor(getUserVarInt("AgreementType"), getUserVarInt("TradeSide"))) {
        list.push_back(entry(coloredName(g->getCovenant(i)), formatString("%d", i)));
    }
}

} // namespace TradeCommands
