#pragma once

#include "engine/console/CommandRecord.h"

#include <string>

class Actor;
class Covenant;
class Entity;

// The handlers of the player's own requests (skills, attributes, items,
// entities, gates and warps). Each parses its arguments, resolves numbers
// into objects and hands the work to the player; a number that names
// nothing makes the handler do nothing.
namespace PlayerCommands {

// Decimal: leading blanks, a sign, digits up to the first other character;
// no number reads as 0.
int parseInt(const std::string& text);
float parseFloat(const std::string& text);
// The entity in slot n of the Game's table; n compared unsigned with 1000,
// so negative numbers name nothing.
Entity* lookupEntity(int number);
// An entity lookup that names only actors.
Actor* lookupActor(int number);
// The covenant at that index of the Game's list; null outside it.
Covenant* lookupCovenant(int index);

} // namespace PlayerCommands

// Attaches the handlers to the game command table (before it is registered).
void attachPlayerCommands();
