#include "server/PlayerCommands.h"

#include "engine/core/StringUtil.h"
#include "game/entities/Actor.h"
#include "game/entities/Inventory.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "server/GameCommandTable.h"
#include "server/QuestCommands.h"

namespace PlayerCommands {

int parseInt(const std::string& text)
{
    return textToInt(text);
}

float parseFloat(const std::string& text)
{
    return textToFloat(text);
}

Entity* lookupEntity(int number)
{
    Game* game = Game::instance();
    if (!game || static_cast<unsigned>(number) >= static_cast<unsigned>(Game::kMaxEntities)) {
        return nullptr;
    }
    return game->getEntity(number);
}

Actor* lookupActor(int number)
{
    return dynamic_cast<Actor*>(lookupEntity(number));
}

Covenant* lookupCovenant(int index)
{
    Game* game = Game::instance();
    if (!game || index < 0 || index >= game->getCovenantCount()) {
        return nullptr;
    }
    return game->getCovenant(index);
}

} // namespace PlayerCommands

namespace {

using PlayerCommands::parseFloat;
using PlayerCommands::parseInt;

// The argument at i as an integer; a missing one reads as 0 (the
// interpreter's type check has already refused short lines).
int intArg(const CommandArgs& args, size_t i)
{
    return i < args.size() ? parseInt(args[i]) : 0;
}

float floatArg(const CommandArgs& args, size_t i)
{
    return i < args.size() ? parseFloat(args[i]) : 0.0f;
}

// Every handler receives the issuing player; without one it does nothing.
void attach(const char* name, void (*handler)(const CommandArgs&, Player&))
{
    attachGameCommandHandler(name, [handler](const CommandArgs& args, Player* player) {
        if (player) {
            handler(args, *player);
        }
    });
}

void warpConfirm(const CommandArgs& args, Player& player)
{
    player.confirmWarp(ZonePosition(intArg(args, 0), floatArg(args, 1), floatArg(args, 2)));
}

void useSkill(const CommandArgs& args, Player& player)
{
    player.requestSkillUse(intArg(args, 0), intArg(args, 1), intArg(args, 2),
                           ZonePosition(intArg(args, 3), floatArg(args, 4), floatArg(args, 5)));
}

void increaseAttribute(const CommandArgs& args, Player& player)
{
    if (!args.empty()) {
        player.increaseAttribute(args[0]);
    }
}

void increaseSkill(const CommandArgs& args, Player& player)
{
    player.increaseSkill(intArg(args, 0), intArg(args, 1));
}

void decreaseSkill(const CommandArgs& args, Player& player)
{
    player.decreaseSkill(intArg(args, 0), intArg(args, 1));
}

void useItem(const CommandArgs& args, Player& player)
{
    if (player.getMaxHealth() > 0 && player.getHealth() <= 0) {
        return;
    }
    if (auto* inventory = dynamic_cast<Inventory*>(player.getInventory())) {
        inventory->removeUsedItem(intArg(args, 0), intArg(args, 1), &player);
    }
    player.updateStats(false);
}

void dropItem(const CommandArgs& args, Player& player)
{
    player.dropItem(intArg(args, 0), intArg(args, 1), player.getActionTarget());
}

void resurrect(const CommandArgs&, Player& player)
{
    player.requestResurrect();
}

void useEntity(const CommandArgs& args, Player& player)
{
    player.useEntityByNumber(intArg(args, 0));
}

void gate(const CommandArgs& args, Player& player)
{
    player.travelToGate(intArg(args, 0));
}

void gateToCovenant(const CommandArgs& args, Player& player)
{
    player.travelToCovenant(intArg(args, 0));
}

void gateTown(const CommandArgs& args, Player& player)
{
    player.travelToTownGate(intArg(args, 0));
}

void buyItem(const CommandArgs& args, Player& player)
{
    player.buyItem(intArg(args, 0), intArg(args, 1));
}

void sellItem(const CommandArgs& args, Player& player)
{
    player.sellItem(intArg(args, 0), intArg(args, 1));
}

void pickupEntity(const CommandArgs& args, Player& player)
{
    player.pickupEntity(intArg(args, 0));
}

void moveItem(const CommandArgs& args, Player& player)
{
    player.moveItem(intArg(args, 0), intArg(args, 1), intArg(args, 2), intArg(args, 3));
}

void switchItemSet(const CommandArgs&, Player& player)
{
    player.switchItemSet();
}

void identifyAll(const CommandArgs&, Player& player)
{
    player.identifyAll();
}

// The three gifts pass a missing target on; the player refuses it.
void forceUse(const CommandArgs& args, Player& player)
{
    player.forceUse(intArg(args, 0), intArg(args, 1), intArg(args, 2));
}

void forceFood(const CommandArgs& args, Player& player)
{
    player.forceFood(intArg(args, 0));
}

void forcePotion(const CommandArgs& args, Player& player)
{
    player.forcePotion(intArg(args, 0));
}

} // namespace

void attachPlayerCommands()
{
    attach("WarpConfirm", warpConfirm);
    attach("useSkill", useSkill);
    attach("IncAtrb", increaseAttribute);
    attach("increaseSkill", increaseSkill);
    attach("decreaseSkill", decreaseSkill);
    attach("useItem", useItem);
    attach("dropItem", dropItem);
    attach("resurrect", resurrect);
    attach("useEntity", useEntity);
    attach("gate", gate);
    attach("gateToCovenant", gateToCovenant);
    attach("gateTown", gateTown);
    attachQuestCommands();
    attach("buyItem", buyItem);
    attach("sellItem", sellItem);
    attach("pickupEntity", pickupEntity);
    attach("moveItem", moveItem);
    attach("switchItemSet", switchItemSet);
    attach("IdentifyAll", identifyAll);
    attach("forceUse", forceUse);
    attach("forceFood", forceFood);
    attach("forcePotion", forcePotion);
}
