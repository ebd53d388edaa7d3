// The client game state's console commands, list providers and check
// function, in registration order. A row whose handler is not built yet is
// not registered: nothing forwards it or pretends to run it.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/commands/PlayerCommands.h"
#include "client/export/CharacterExport.h"
#include "client/player/CharacterCommands.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "client/trade/TradeCommands.h"

#include "engine/console/CommandSystem.h"
#include "engine/core/StringUtil.h"

#include <cstdlib>

namespace {

using Handler = void (*)(const CommandArgs& args);

struct CommandRow {
    const char* name;
    const char* argNames;
    const char* argTypes;
    bool internalOnly;
    unsigned flags;
    const char* help;
    Handler handler;
};

// The server's damage line: a floating text on the entity's mirror; -1
// names no entity.
void onDamage(const CommandArgs& args)
{
    int number = std::atoi(args[0].c_str());
    GameClient* game = GameClient::instance();
    EntityClient* entity = game && number != -1 ? game->getEntity(number) : nullptr;
    if (entity) {
        entity->addFloatingText(args[1]);
    }
}

void onNpcChat(const CommandArgs& args)
{
    if (GameClient* game = GameClient::instance()) {
        game->setNpcChatText(args[0]);
    }
}

void onClearNpcChat(const CommandArgs&)
{
    if (GameClient* game = GameClient::instance()) {
        game->setNpcChatText("");
    }
}

void onMessage(const CommandArgs& args)
{
    if (const GameClient* game = GameClient::instance()) {
        game->showMessage(std::atoi(args[0].c_str()), args[1]);
    }
}

void listNpcs(std::vector<ListEntry>& list)
{
    const Client* client = Client::instance();
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    if (!covenant) {
        return;
    }
    std::vector<PlayerCovenantClient::ListRow> rows;
    covenant->listRecruits(rows);
    for (PlayerCovenantClient::ListRow& row : rows) {
        ListEntry entry;
        entry.name = std::move(row.text);
        entry.value = std::move(row.value);
        list.push_back(std::move(entry));
    }
}

void listGates(std::vector<ListEntry>& list)
{
    const Client* client = Client::instance();
    if (const PlayerClient* player = client ? client->getLocalPlayer() : nullptr) {
        player->fillGateList(list);
    }
}

// clang-format off
constexpr CommandRow kCommands[] = {
    {"msg", "messageType message", "ds", true, 0, "Adds a message to the message queue", &onMessage},
    {"dipRes", "responseIndex covenantIndex", "dd", true, 0, "Sets the diplomacy response string", &TradeCommands::dipRes},
    {"calculateSkillLevel", "baseCost skillPoints", "dd", false, 0, "Gets the skill level from for the given data", &PlayerCommands::calculateSkillLevel},
    {"reloadCollision", "", "", false, 0, "Reloads collision data for models/levels", &PlayerCommands::reloadCollision},
    {"clearOffer", "", "", true, 0, "Clear the current trade offer", &TradeCommands::clearOffer},
    {"chooseGoldAmount", "side", "i", true, 0, "Choose gold amount", &TradeCommands::chooseGoldAmount},
    {"addGoldToOffer", "", "", true, 0, "Adds gold to the current trade offer", &TradeCommands::addGoldToOffer},
    {"chooseInfluenceAmount", "side", "i", true, 0, "Choose influence amount", &TradeCommands::chooseInfluenceAmount},
    {"addInfluenceToOffer", "", "", true, 0, "Adds influence to the current trade offer", &TradeCommands::addInfluenceToOffer},
    {"chooseCrystalsAmount", "side", "i", true, 0, "Choose crystals amount", &TradeCommands::chooseCrystalsAmount},
    {"addCrystalsToOffer", "", "", true, 0, "Adds crystals to the current trade offer", &TradeCommands::addCrystalsToOffer},
    {"chooseOtherCovenant", "agreementType tradeSide", "ii", true, 0, "Choose other covenant", &TradeCommands::chooseOtherCovenant},
    {"addAgreementToOffer", "", "", true, 0, "Adds an agreement to the current trade offer", &TradeCommands::addAgreementToOffer},
    {"addAdventureToOffer", "", "", true, 0, "Adds adventure to the current trade offer", &TradeCommands::addAdventureToOffer},
    {"addItemToOffer", "side itemIndex", "ii", true, 0, "Adds item to the current trade offer", &TradeCommands::addItemToOffer},
    {"addTradeRouteToOffer", "tradeRouteType", "i", true, 0, "Adds trade route to the current trade offer", &TradeCommands::addTradeRouteToOffer},
    {"addToOffer", "side type", "ii", true, 0, "Adds to the current trade offer", &TradeCommands::addToOffer},
    {"removeFromOffer", "offerIndex", "i", true, 0, "Removes the trade item at the index specified from the trade offer", &TradeCommands::removeFromOffer},
    {"offerTrade", "tradeType", "i", true, 0, "Offers the current trade", &TradeCommands::offerTrade},
    {"cancelCurrentTreaty", "", "", true, 0, "Cancels the currently selected treaty", &TradeCommands::cancelCurrentTreaty},
    {"offerToPlayer", "", "", true, CommandRecord::kSkipArgumentCheck, "Trade offer to the player covenant", &TradeCommands::offerToPlayer},
    {"offerExpired", "covenantIndex", "i", true, 0, "Trade offer to the player covenant has expired", &TradeCommands::offerExpired},
    {"acceptTrade", "", "", true, 0, "Accepts the current trade", &TradeCommands::acceptTrade},
    {"ignoreTrade", "", "", true, 0, "Ignores the current trade", &TradeCommands::ignoreTrade},
    {"rejectTrade", "", "", true, 0, "Rejects the current trade", &TradeCommands::rejectTrade},
    {"ClientAcceptQuest", "", "", true, 0, "Accepts the current quest", &PlayerCommands::acceptQuest},
    {"ClientDeclineQuest", "", "", true, 0, "Declines the current quest", &PlayerCommands::declineQuest},
    {"ClientSkipPlayerQuest", "", "", true, 0, "Skips the current quest", &PlayerCommands::skipPlayerQuest},
    {"ClientSkipQuest", "", "", true, 0, "Skips the current quest", &PlayerCommands::skipQuest},
    {"ClientIncrementAttribute", "AttributeName", "s", true, 0, "Increments the names attribute", &PlayerCommands::incrementAttribute},
    {"War", "", "", true, 0, "Declares war on current covenant", &PlayerCommands::declareWar},
    {"PrevItemComparision", "", "", true, 0, "Goes to the previous item comparision person", &PlayerCommands::prevItemComparison},
    {"NextItemComparision", "", "", true, 0, "Goes to the next item comparision person", &PlayerCommands::nextItemComparison},
    {"switchItemSetClient", "", "", true, 0, "Switches the players item set", &PlayerCommands::switchItemSet},
    {"selectPlayer", "", "", true, 0, "Selects the player", &PlayerCommands::selectPlayer},
    {"dmg", "entityNum damage", "is", true, 0, "Tells the client about a damage event", &onDamage},
    {"timer", "entityNum time timerType", "ifi", true, 0, "Tells the client about a timer event", &PlayerCommands::timer},
    {"npcRecruit", "joinParty", "b", true, 0, "Tries to recruit the currently selected npc to join the covenant/party", &PlayerCommands::recruit},
    {"npcDirectInvite", "", "", true, 0, "Invites a recruited npc to the party", &PlayerCommands::directInvite},
    {"npcRemove", "partyMemberNumber", "d", true, 0, "Removes a npc from the party", &PlayerCommands::removeNpc},
    {"clientForceFood", "partyMemberNumber", "d", true, 0, "Forces the npc to use player's food", &PlayerCommands::forceFood},
    {"clientForcePotion", "partyMemberNumber", "d", true, 0, "Forces the npc to use player's potion", &PlayerCommands::forcePotion},
    {"npcDirectRemove", "", "", true, 0, "Removes a npc from the party", &PlayerCommands::directRemove},
    {"npcDirectKick", "", "", true, 0, "Kicks out the specified npc from the covenant", &PlayerCommands::directKick},
    {"npcEquipment", "", "", true, 0, "Shows the currently selected npcs equipment", &PlayerCommands::npcEquipment},
    {"npcRescue", "", "", true, 0, "Tries to rescue the currently selected npc", &PlayerCommands::rescue},
    {"npcDelivery", "", "", true, 0, "Tries to deliver a package to the currently selected npc", &PlayerCommands::delivery},
    {"npcEscort", "", "", true, 0, "Tries to escort the currently selected npc", &PlayerCommands::escort},
    {"selectPartyMember", "partyMemberIndex", "d", true, 0, "Selects the specified party member", &PlayerCommands::selectPartyMember},
    {"warp", "level x y", "dff", true, 0, "Warps the player to the specified coordinates", &PlayerCommands::warp},
    {"warpDir", "direction", "d", true, 0, "Warps the player to the specified direction", &PlayerCommands::warpDir},
    {"usedSkill", "skillDatabaseIndex used", "dd", true, 0, "Tells the client that a skill was used (or not used)", &PlayerCommands::usedSkill},
    {"itemTimer", "itemTimerIndex time", "df", true, 0, "Tells the client that a item timer needs to be started", &PlayerCommands::itemTimer},
    {"exportHtml", "whatToExport", "s", false, 0, "Exports something to html (character, covenant, or global stats)", &CharacterExport::exportHtml},
    {"exportVbulletin", "", "", false, 0, "Exports character to vbulletin format", &CharacterExport::exportVbulletin},
    {"emailCharHtml", "", "", false, 0, "Exports and sets up email with character html", &CharacterExport::emailCharHtml},
    {"randomPlayerName", "", "", true, 0, "Generates a random player name", &CharacterCommands::randomPlayerName},
    {"parseCharacter", "", "", true, 0, "parses character to get some info", &CharacterCommands::parseCharacter},
    {"deleteCharacter", "", "", true, 0, "Deletes the current character", &CharacterCommands::deleteCharacter},
    {"updateParsedCharacterLevel", "", "", true, 0, "Updates the parsed character level", &CharacterCommands::updateParsedCharacterLevel},
    {"clearNpcChat", "", "", true, 0, "Clears the chat text from npc", &onClearNpcChat},
    {"npcChat", "chatText", "s", true, 0, "Chat text from npc", &onNpcChat},
    {"selectPrevRecruit", "", "", true, 0, "Selects the previous recruit", &PlayerCommands::selectPrevRecruit},
    {"selectNextRecruit", "", "", true, 0, "Selects the next recruit", &PlayerCommands::selectNextRecruit},
    {"selectFirstRecruit", "", "", true, 0, "Selects the first recruit", &PlayerCommands::selectFirstRecruit},
    {"nextTarget", "", "", true, 0, "Selects the next target", &PlayerCommands::nextTarget},
    {"startRumorClient", "rumorLevel", "d", true, 0, "Starts a rumor against the current covenant", &PlayerCommands::startRumor},
    {"selectLifestone", "covenantIndex", "d", true, 0, "Selects the specified covenant's lifestone", &PlayerCommands::selectLifestone},
};
// clang-format on

struct ProviderRow {
    const char* name;
    CommandSystem::ListFunction (*make)();
};

constexpr ProviderRow kProviders[] = {
    {"getTradePlayerMoneyInfluence",
     [] { return CommandSystem::ListFunction(&TradeCommands::playerMoneyInfluence); }},
    {"getTradeOtherMoneyInfluence",
     [] { return CommandSystem::ListFunction(&TradeCommands::otherMoneyInfluence); }},
    {"getTradePlayerInfluence", [] { return CommandSystem::ListFunction(&TradeCommands::playerInfluence); }},
    {"getTradeOtherInfluence", [] { return CommandSystem::ListFunction(&TradeCommands::otherInfluence); }},
    {"getTradePlayerCrystals", [] { return CommandSystem::ListFunction(&TradeCommands::playerCrystals); }},
    {"getTradeOtherCrystals", [] { return CommandSystem::ListFunction(&TradeCommands::otherCrystals); }},
    {"getTradePlayerGold", [] { return CommandSystem::ListFunction(&TradeCommands::playerGold); }},
    {"getTradeOtherGold", [] { return CommandSystem::ListFunction(&TradeCommands::otherGold); }},
    {"getTradePlayerAllMoney", [] { return CommandSystem::ListFunction(&TradeCommands::playerAllMoney); }},
    {"getTradeOtherAllMoney", [] { return CommandSystem::ListFunction(&TradeCommands::otherAllMoney); }},
    {"getTradePlayerItems", [] { return CommandSystem::ListFunction(&TradeCommands::playerItems); }},
    {"getTradeOtherItems", [] { return CommandSystem::ListFunction(&TradeCommands::otherItems); }},
    {"getTradePlayerTreaties", [] { return CommandSystem::ListFunction(&TradeCommands::playerTreaties); }},
    {"getTradeOtherTreaties", [] { return CommandSystem::ListFunction(&TradeCommands::otherTreaties); }},
    {"getTradePlayerOffer", [] { return CommandSystem::ListFunction(&TradeCommands::playerOffer); }},
    {"getTradeOtherOffer", [] { return CommandSystem::ListFunction(&TradeCommands::otherOffer); }},
    {"getIncomingTradePlayerOffer",
     [] { return CommandSystem::ListFunction(&TradeCommands::incomingPlayerOffer); }},
    {"getIncomingTradeOtherOffer",
     [] { return CommandSystem::ListFunction(&TradeCommands::incomingOtherOffer); }},
    {"getCurrentTreaties", [] { return CommandSystem::ListFunction(&TradeCommands::currentTreaties); }},
    {"getCovenantsForAgreement",
     [] { return CommandSystem::ListFunction(&TradeCommands::covenantsForAgreement); }},
    {"getNpcList", [] { return CommandSystem::ListFunction(&listNpcs); }},
    {"getGateList", [] { return CommandSystem::ListFunction(&listGates); }},
    {"getAvailableQuests", [] { return CommandSystem::ListFunction(&PlayerCommands::getAvailableQuests); }},
    {"getPlayerQuests", [] { return CommandSystem::ListFunction(&PlayerCommands::getPlayerQuests); }},
    {"getAvailableCharacters",
     [] { return CommandSystem::ListFunction(&CharacterCommands::getAvailableCharacters); }},
    {"getNumCovenantOptions",
     [] { return CommandSystem::ListFunction(&CharacterCommands::getNumCovenantOptions); }},
};

} // namespace

std::vector<GameClient::CommandInfo> GameClient::getCommandTable()
{
    std::vector<CommandInfo> rows;
    for (const CommandRow& row : kCommands) {
        rows.push_back({row.name, row.argNames, row.argTypes, row.internalOnly, row.flags, row.help,
                        row.handler != nullptr});
    }
    return rows;
}

std::vector<std::pair<std::string, bool>> GameClient::getListProviderTable()
{
    std::vector<std::pair<std::string, bool>> rows;
    for (const ProviderRow& row : kProviders) {
        rows.emplace_back(row.name, row.make != nullptr);
    }
    return rows;
}

void GameClient::registerCommandTable(CommandSystem& commands)
{
    for (const CommandRow& row : kCommands) {
        if (row.handler) {
            commands.registerCommand(row.handler, row.name, row.help, row.argNames, row.argTypes,
                                     row.internalOnly, row.flags);
        }
    }
    for (const ProviderRow& row : kProviders) {
        if (row.make) {
            commands.registerListFunction(row.name, row.make());
        }
    }
    commands.registerCheckFunction("verifyCharName", [] { return GameClient::verifyCharName(); });
}
