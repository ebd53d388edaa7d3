#pragma once

#include "engine/console/CommandRecord.h"

#include <string>
#include <vector>

// One game command: a request a client sends to the server as a text line.
struct GameCommandRow {
    const char* name;
    const char* argNames;
    const char* argTypes;
    const char* help;
    bool needsPlayer;
    bool internalOnly;
    unsigned flags; // bit 0: argument check skipped
    ServerCommandHandler handler;
};

// The 51 game commands in registration order. The code that implements a
// command attaches its handler to the row; only rows with a handler are
// registered, so a line naming another is logged as unknown.
std::vector<GameCommandRow>& gameCommandTable();
// False when no row has that name.
bool attachGameCommandHandler(const std::string& name, ServerCommandHandler handler);
// Registers every row with a handler, in table order; returns how many.
int registerGameCommands();
