#include "server/QuestCommands.h"

#include "game/entities/Actor.h"

#include "game/entities/Player.h"
#include "game/quests/Quest.h"
#include "game/world/Game.h"
#include "game/world/ServerLink.h"
#include "server/GameCommandTable.h"
#include "server/PlayerCommands.h"

#include <algorithm>

namespace {

int intArg(const CommandArgs& args, size_t i)
{
    return i < args.size() ? PlayerCommands::parseInt(args[i]) : 0;
}

void attach(const char* name, void (*handler)(const CommandArgs&, Player&))
{
    attachGameCommandHandler(name, [handler](const CommandArgs& args, Player* player) {
        if (player) {
            handler(args, *player);
        }
    });
}

void acceptQuest(const CommandArgs& args, Player& player)
{
    player.acceptQuest(intArg(args, 0));
}

// The argument is a slot: the Game's quest is finished first, then the copy.
void declineQuest(const CommandArgs& args, Player& player)
{
    Quest* slot = player.getQuest(intArg(args, 0));
    if (!slot || !slot->isInUse()) {
        return;
    }
    if (Game* game = Game::instance()) {
        game->finishQuest(slot->id);
    }
    slot->finish();
}

void skipQuest(const CommandArgs& args, Player& player)
{
    player.skipQuest(intArg(args, 0));
}

void solveQuest(const CommandArgs&, Player& player)
{
    player.solveQuest(-1);
}

void completeQuest(const CommandArgs& args, Player& player)
{
    player.completeQuest(intArg(args, 0));
}

void escort(const CommandArgs& args, Player& player)
{
    player.startEscort(PlayerCommands::lookupActor(intArg(args, 0)));
}

// The rescue quests in a fixed order: a plain rescue before a kidnapping
// before the story's rescue, when one NPC is named by several.
void rescue(const CommandArgs& args, Player&)
{
    Game* game = Game::instance();
    Actor* npc = PlayerCommands::lookupActor(intArg(args, 0));
    if (!game || !npc) {
        return;
    }
    for (QuestType type : {QuestType::RescueNpc, QuestType::Kidnapping, QuestType::StoryShankarRescue}) {
        if (Quest* quest = game->findQuestByGiver(npc, toIndex(type))) {
            quest->tryRescue(npc);
            return;
        }
    }
}

void delivery(const CommandArgs& args, Player& player)
{
    Game* game = Game::instance();
    Actor* npc = PlayerCommands::lookupActor(intArg(args, 0));
    if (game && npc) {
        game->deliverPackage(&player, npc);
    }
}

void skipTutorial(const CommandArgs&, Player& player)
{
    player.finishTutorial(true);
}

void restartTutorial(const CommandArgs&, Player& player)
{
    player.restartTutorial();
}

// The line goes out also when empty; a quote in it (the player's name
// comes from the client) becomes an apostrophe so the line stays whole.
void getNpcChat(const CommandArgs&, Player& player)
{
    Game* game = Game::instance();
    Actor* npc = player.getTargetActor();
    if (!game || !npc) {
        return;
    }
    std::string line = game->chooseNpcChat(npc, &player, 1);
    std::replace(line.begin(), line.end(), '"', '\'');
    queueServerLine(ServerLine::NpcChat, "\"%s\"", line.c_str());
}

void resetNpcIntro(const CommandArgs&, Player& player)
{
    if (Actor* npc = player.getTargetActor()) {
        npc->introGiven = false;
    }
}

void startRumor(const CommandArgs& args, Player& player)
{
    Game* game = Game::instance();
    const auto rumorLevel = static_cast<unsigned>(intArg(args, 1));
    if (!game || rumorLevel > 2u) {
        return;
    }
    game->resolveRumor(static_cast<int>(rumorLevel), player.getCovenant(),
                       game->getCovenant(intArg(args, 0)));
}

} // namespace

void attachQuestCommands()
{
    attach("acceptQuest", acceptQuest);
    attach("declineQuest", declineQuest);
    attach("skipQuest", skipQuest);
    attach("solveQuest", solveQuest);
    attach("completeQuest", completeQuest);
    attach("escort", escort);
    attach("rescue", rescue);
    attach("delivery", delivery);
    attach("SkipTutorial", skipTutorial);
    attach("RestartTutorial", restartTutorial);
    attach("getNpcChat", getNpcChat);
    attach("resetNpcIntro", resetNpcIntro);
    attach("startRumor", startRumor);
}
