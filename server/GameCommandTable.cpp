#include "server/GameCommandTable.h"

#include "engine/console/CommandSystem.h"
#include "engine/core/StringUtil.h"
#include "game/entities/Entity.h"
#include "game/world/Game.h"

namespace {

// Prints the debug lines of the entity with that number; nothing for a
// number outside the table or a free slot.
void entityInfo(const CommandArgs& args, Player* player)
{
    if (args.empty()) {
        return;
    }
    Game* game = Game::instance();
    unsigned number = static_cast<unsigned>(textToInt(args[0]));
    if (!game || number >= static_cast<unsigned>(Game::kMaxEntities)) {
        return;
    }
    if (const Entity* entity = game->getEntity(static_cast<int>(number))) {
        entity->printInfo();
    }
}

std::vector<GameCommandRow> makeTable()
{
    std::vector<GameCommandRow> rows = {
        {"offer", "", "", "Trade offer from the player to a covenant", true, true, 1u, nullptr},
        {"acceptOffer", "", "", "Player accepted the offer", true, true, 1u, nullptr},
        {"rejectOffer", "", "", "Player rejected the offer", true, true, 1u, nullptr},
        {"cancelTreaty", "covenantIndex", "d", "Cancels the current treaty with the specified covenant", true,
         true, 0u, nullptr},
        {"cancelTradeRoute", "covenantIndex", "d",
         "Cancels the current trade route with the specified covenant", true, true, 0u, nullptr},
        {"declareWar", "covenantIndex", "d", "Declares war with the specified covenant", true, true, 0u,
         nullptr},
        {"suggestTrade", "", "", "Asks the ai to suggest a trade", true, true, 0u, nullptr},
        {"alliedVictoryAccept", "", "", "Accepts the allied victory", true, true, 0u, nullptr},
        {"alliedVictoryReject", "", "", "", true, true, 0u, nullptr},
        {"switchItemSet", "", "", "Switches the player items", true, true, 0u, nullptr},
        {"IdentifyAll", "", "", "Identifies all of the players items", true, true, 0u, nullptr},
        {"SkipTutorial", "", "", "Skips the tutorial", true, true, 0u, nullptr},
        {"RestartTutorial", "", "", "Restart the tutorial", true, true, 0u, nullptr},
        {"WarpConfirm", "level x y", "dff", "Confirms the warp", true, true, 0u, nullptr},
        {"useSkill", "skillTreeIndex skillIndex targetEntnum mouseLevel mouseX mouseY", "ddddff",
         "Uses the specifiec skill", true, true, 0u, nullptr},
        {"IncAtrb", "attributeName", "s", "Increases the named attribute", true, true, 0u, nullptr},
        {"increaseSkill", "skillTreeIndex skillIndex", "dd", "Increases the specified skill", true, true, 0u,
         nullptr},
        {"decreaseSkill", "skillTreeIndex skillIndex", "dd", "Decreases the specified skill", true, true, 0u,
         nullptr},
        {"moveItem", "oldGroup oldSlot newGroup newSlot", "dddd", "Moves items around", true, true, 0u,
         nullptr},
        {"useItem", "group slot", "dd", "Uses the specified item", true, true, 0u, nullptr},
        {"dropItem", "group slot", "dd", "Drop the specified item", true, true, 0u, nullptr},
        {"sellItem", "group slot", "dd", "Sell the specified item", true, true, 0u, nullptr},
        {"buyItem", "group slot", "dd", "Buy the specified item", true, true, 0u, nullptr},
        {"forceUse", "entnum group slot", "ddd", "Forces the entity to use the players item", true, true, 0u,
         nullptr},
        {"forceFood", "entnum", "d", "Forces the entity to use the players food", true, true, 0u, nullptr},
        {"forcePotion", "entnum", "d", "Forces the entity to use the players potion", true, true, 0u,
         nullptr},
        {"recruit", "entnum joinParty", "dd", "Tries to recruit specified entity to join the covenant", true,
         true, 0u, nullptr},
        {"rescue", "entnum", "d", "Tries to rescue the specified entity", true, true, 0u, nullptr},
        {"delivery", "entnum", "d", "Tries to delivery a package to the specified entity", true, true, 0u,
         nullptr},
        {"escort", "entnum", "d", "Tries to escort the specified entity", true, true, 0u, nullptr},
        {"invite", "recruitNum", "d", "Invites a recruited npc to join the party", true, true, 0u, nullptr},
        {"removeNpc", "entnum", "d", "Removes the specified npc from the group", true, true, 0u, nullptr},
        {"kickout", "entnum", "d", "Kicks out the specified entity from the group", true, true, 0u, nullptr},
        {"resurrect", "", "", "Tells the server to resurrect the player back in the covenant", true, true, 0u,
         nullptr},
        {"useEntity", "entnum", "d", "Uses the specified entity", true, true, 0u, nullptr},
        {"pickupEntity", "entnum", "d", "Picks up the specified entity", true, true, 0u, nullptr},
        {"acceptQuest", "questIndex", "d", "Accepts the quest from the current npc", true, true, 0u, nullptr},
        {"declineQuest", "questToDecline", "d", "Declines the current quest", true, true, 0u, nullptr},
        {"skipQuest", "questToSkip", "d", "Skips the current quest", true, true, 0u, nullptr},
        {"solveQuest", "", "", "Solves the quest from the current npc", true, true, 0u, nullptr},
        {"completeQuest", "questIndex", "d", "Completes the specified quest", true, true, 0u, nullptr},
        {"gate", "gateNum", "d", "Teleports to the specified gate", true, true, 0u, nullptr},
        {"gateToCovenant", "covenantNum", "d", "Teleports to the specified covenant", true, true, 0u,
         nullptr},
        {"gateTown", "townGateNum", "d", "Teleports to the specified town gate", true, true, 0u, nullptr},
        {"entityInfo", "entityNum", "d", "Prints out info about the specified entity", false, false, 0u,
         nullptr},
        {"Raid", "covenantIndex npc1 npc2 npc3 npc4 npc5 npc6 npc7 npc8 npc9 npc10", "iIIIIIIIIII",
         "Starts a raid on the specified covenant", true, true, 0u, nullptr},
        {"stopRaid", "", "", "Stops the current raid", true, true, 0u, nullptr},
        {"resetNpcIntro", "", "", "Resets the intro on the current npc", true, true, 0u, nullptr},
        {"getNpcChat", "", "", "Gets the npc chat from the current npc", true, true, 0u, nullptr},
        {"stopSharedAdventure", "", "", "Stops the shared adventure", true, false, 0u, nullptr},
        {"startRumor", "covenantIndex rumorLevel", "dd", "Starts a rumor against the current covenant", true,
         false, 0u, nullptr},
    };
    for (GameCommandRow& row : rows) {
        if (std::string(row.name) == "entityInfo") {
            row.handler = entityInfo;
        }
    }
    return rows;
}

} // namespace

std::vector<GameCommandRow>& gameCommandTable()
{
    static std::vector<GameCommandRow> table = makeTable();
    return table;
}

bool attachGameCommandHandler(const std::string& name, ServerCommandHandler handler)
{
    for (GameCommandRow& row : gameCommandTable()) {
        if (name == row.name) {
            row.handler = std::move(handler);
            return true;
        }
    }
    return false;
}

int registerGameCommands()
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return 0;
    }
    int count = 0;
    for (const GameCommandRow& row : gameCommandTable()) {
        if (!row.handler) {
            continue;
        }
        commands->registerServerCommand(row.handler, row.argTypes, row.name, row.argNames, row.help,
                                        row.needsPlayer, row.internalOnly, row.flags);
        ++count;
    }
    return count;
}
