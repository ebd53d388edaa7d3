#pragma once

#include <functional>
#include <string>
#include <vector>

class Player;

using CommandArgs = std::vector<std::string>;
// A local handler gets the arguments after the command name.
using CommandHandler = std::function<void(const CommandArgs& args)>;
// A server handler also gets the player that issued the line (may be null
// when the command does not need one).
using ServerCommandHandler = std::function<void(const CommandArgs& args, Player* player)>;

// One console command. Type letters, one per argument: i integer, f float,
// s string, b boolean (0, 1, true, false), d any text (counted, not checked);
// an upper-case letter makes the argument optional.
struct CommandRecord {
    // Bit 0 of the flags word: hand the line to the handler without checking
    // the arguments (commands whose argument list has no fixed length).
    static constexpr unsigned kSkipArgumentCheck = 1;

    std::string name;
    std::string help;
    std::string argNames;
    std::string argTypes;
    CommandHandler handler;
    ServerCommandHandler serverHandler;
    bool internalOnly = false;
    bool needsPlayer = false;
    unsigned flags = 0;

    size_t requiredArgCount() const;
    size_t maxArgCount() const { return argTypes.size(); }
    // The command with its arguments, "<name>" required and "[name]"
    // optional: "set <name> [value]". Type letters beyond the names repeat
    // the last one ("echo [text...]").
    std::string usage() const;
    // Empty when the arguments fit the type letters, else what is wrong.
    std::string checkArguments(const CommandArgs& args) const;
};

// One row that a list provider adds for a list or drop-down widget.
struct ListEntry {
    std::string name;
    std::string value;
    std::string tooltipTitle;
    std::string tooltipText;
    bool enabled = true;
};
