#pragma once

#include "engine/console/CommandRecord.h"

#include <vector>

// The offer screen: the commands that compose the player's offer with the
// selected covenant and answer the offers made to the player, and the lists
// the screen shows. The offer state lives on GameClient.
namespace TradeCommands {

// Commands, in the order of the command table.
void dipRes(const CommandArgs& args);
void clearOffer(const CommandArgs& args);
void chooseGoldAmount(const CommandArgs& args);
void addGoldToOffer(const CommandArgs& args);
void chooseInfluenceAmount(const CommandArgs& args);
void addInfluenceToOffer(const CommandArgs& args);
void chooseCrystalsAmount(const CommandArgs& args);
void addCrystalsToOffer(const CommandArgs& args);
void chooseOtherCovenant(const CommandArgs& args);
void addAgreementToOffer(const CommandArgs& args);
void addAdventureToOffer(const CommandArgs& args);
void addItemToOffer(const CommandArgs& args);
void addTradeRouteToOffer(const CommandArgs& args);
void addToOffer(const CommandArgs& args);
void removeFromOffer(const CommandArgs& args);
void offerTrade(const CommandArgs& args);
void cancelCurrentTreaty(const CommandArgs& args);
void offerToPlayer(const CommandArgs& args);
void offerExpired(const CommandArgs& args);
void acceptTrade(const CommandArgs& args);
void ignoreTrade(const CommandArgs& args);
void rejectTrade(const CommandArgs& args);

// List providers (side 0 the player's, 1 the selected covenant's).
void playerMoneyInfluence(std::vector<ListEntry>& list);
void otherMoneyInfluence(std::vector<ListEntry>& list);
void playerInfluence(std::vector<ListEntry>& list);
void otherInfluence(std::vector<ListEntry>& list);
void playerCrystals(std::vector<ListEntry>& list);
void otherCrystals(std::vector<ListEntry>& list);
void playerGold(std::vector<ListEntry>& list);
void otherGold(std::vector<ListEntry>& list);
void playerAllMoney(std::vector<ListEntry>& list);
void otherAllMoney(std::vector<ListEntry>& list);
void playerItems(std::vector<ListEntry>& list);
void otherItems(std::vector<ListEntry>& list);
void playerTreaties(std::vector<ListEntry>& list);
void otherTreaties(std::vector<ListEntry>& list);
void playerOffer(std::vector<ListEntry>& list);
void otherOffer(std::vector<ListEntry>& list);
void incomingPlayerOffer(std::vector<ListEntry>& list);
void incomingOtherOffer(std::vector<ListEntry>& list);
void currentTreaties(std::vector<ListEntry>& list);
void covenantsForAgreement(std::vector<ListEntry>& list);

// The amount a side owns: 0 money, 1 influence, 2 crystals (0 when missing).
long long sideAmount(int side, int what);
// The third covenants an agreement of that type and side may name.
std::vector<int> covenantsFor(int agreementType, int side);

} // namespace TradeCommands
