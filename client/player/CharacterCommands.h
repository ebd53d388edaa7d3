#pragma once

#include "engine/console/CommandRecord.h"

#include <vector>

// The new-game and load-game screens' pieces: the saved characters, the
// covenant-count choices, a random name, a saved character's level and the
// deletion of a character's files.
namespace CharacterCommands {

void getAvailableCharacters(std::vector<ListEntry>& list);
void getNumCovenantOptions(std::vector<ListEntry>& list);
void randomPlayerName(const CommandArgs& args);
void parseCharacter(const CommandArgs& args);
void updateParsedCharacterLevel(const CommandArgs& args);
void deleteCharacter(const CommandArgs& args);

} // namespace CharacterCommands
