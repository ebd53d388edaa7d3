#include "server/CovenantCommands.h"

#include "engine/core/DebugSystem.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "server/GameCommandTable.h"
#include "server/PlayerCommands.h"

#include <vector>

namespace {

using PlayerCommands::lookupActor;
using PlayerCommands::parseInt;

int intArg(const CommandArgs& args, size_t i)
{
    return i < args.size() ? parseInt(args[i]) : 0;
}

PlayerCovenant* covenantOf(Player& player)
{
    return dynamic_cast<PlayerCovenant*>(player.getCovenant());
}

void attach(const char* name, void (*handler)(const CommandArgs&, Player&))
{
    attachGameCommandHandler(name, [handler](const CommandArgs& args, Player* player) {
        if (player) {
            handler(args, *player);
        }
    });
}

// Only someone who would join: not a monster, another house's people or an enemy.
void recruit(const CommandArgs& args, Player& player)
{
    const int number = intArg(args, 0);
    Actor* actor = lookupActor(number);
    if (!actor) {
        return;
    }
    if (!PlayerCovenant::isRecruitCandidate(player, actor)) {
        debugPrint(2, "recruit: entity %d is not a recruit candidate; refused\n", number);
        return;
    }
    player.recruitToCovenant(actor, intArg(args, 1) != 0);
}

void invite(const CommandArgs& args, Player& player)
{
    const Game* game = Game::instance();
    player.inviteToParty(intArg(args, 0), game ? game->settings().maxAdventureGroupSize : 0);
}

void removeNpc(const CommandArgs& args, Player& player)
{
    PlayerCovenant* covenant = covenantOf(player);
    Actor* actor = lookupActor(intArg(args, 0));
    // Only the player's own followers: another leader's party is not its to break.
    if (!covenant || !actor || actor->getLeader() != &player) {
        return;
    }
    actor->clearLeader();
    covenant->sendRecruitHome(actor);
}

// The number is a recruit slot, as the client's recruit list sends it.
void kickout(const CommandArgs& args, Player& player)
{
    if (PlayerCovenant* covenant = covenantOf(player)) {
        covenant->dismissRecruit(intArg(args, 0), &player);
    }
}

void raid(const CommandArgs& args, Player& player)
{
    std::vector<int> numbers;
    for (size_t i = 0; i < args.size(); ++i) {
        numbers.push_back(intArg(args, i));
    }
    player.startRaid(numbers);
}

void stopRaid(const CommandArgs&, Player& player)
{
    if (PlayerCovenant* covenant = covenantOf(player)) {
        covenant->endRaid(&player);
    }
}

void stopSharedAdventure(const CommandArgs&, Player& player)
{
    if (PlayerCovenant* covenant = covenantOf(player)) {
        covenant->stopSharedAdventure(covenant);
    }
}

} // namespace

void attachCovenantCommands()
{
    attach("recruit", recruit);
    attach("invite", invite);
    attach("removeNpc", removeNpc);
    attach("kickout", kickout);
    attach("Raid", raid);
    attach("stopRaid", stopRaid);
    attach("stopSharedAdventure", stopSharedAdventure);
}
