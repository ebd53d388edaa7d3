#pragma once

#include "engine/console/CommandRecord.h"
#include "engine/core/Singleton.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class Player;

// The console command table and its interpreter. Every key binding, menu
// button, console line and client/server request is a command line run
// through `execute`. Names of commands, list providers and check functions
// are case-insensitive. Main thread only.
class CommandSystem : public Singleton<CommandSystem> {
public:
    using ListFunction = std::function<void(std::vector<ListEntry>& list)>;
    using CheckFunction = std::function<bool()>;
    // Receives a locally run line whose command has only a server handler
    // (the client installs one that appends to its outgoing queue).
    using Forwarder = std::function<void(const std::string& line)>;

    CommandSystem();
    ~CommandSystem();

    // A command with a local handler. Registering a name again replaces the
    // command (keeping a server handler registered under it).
    void registerCommand(CommandHandler handler, const std::string& name, const std::string& help,
                         const std::string& argNames, const std::string& argTypes, bool internalOnly,
                         unsigned flags);
    // A command run by the server with the issuing player (keeping a local
    // handler registered under the same name).
    void registerServerCommand(ServerCommandHandler handler, const std::string& argTypes,
                               const std::string& name, const std::string& argNames, const std::string& help,
                               bool needsPlayer, bool internalOnly, unsigned flags);
    void unregisterCommand(const std::string& name);
    const CommandRecord* findCommand(std::string_view name) const;
    // Every command, sorted by name.
    std::vector<const CommandRecord*> listCommands() const;

    // Runs one line. False only when the line names no registered command
    // (logged as "Unknown command - %s (cmdlist lists the commands)\n", or
    // "Unknown server command - %s\n"
    // with fromServer). A known command that is refused (internal only and
    // not from the program, bad arguments, needs a player and has none) is
    // not run and gives true. With fromServer the server handler runs with
    // the player; otherwise the local handler runs, or, when the command has
    // only a server handler, the line goes whole to the forwarder, after the
    // same checks as a local command.
    bool execute(const std::string& line, Player* player, bool fromServer, bool fromProgram);

    void setForwarder(Forwarder forwarder) { m_forwarder = std::move(forwarder); }
    bool hasForwarder() const { return static_cast<bool>(m_forwarder); }

    void registerListFunction(const std::string& name, ListFunction provider);
    // Clears the list and lets the provider of that name fill it; the list
    // stays empty when there is none.
    void callListFunction(const std::string& name, std::vector<ListEntry>& list) const;

    void registerCheckFunction(const std::string& name, CheckFunction check);
    // The check of that name, or an empty function.
    CheckFunction findCheckFunction(const std::string& name) const;

    // Lines run, and lines refused, since start (for the exit statistics).
    unsigned long long getExecutedCount() const { return m_executed; }
    unsigned long long getRefusedCount() const { return m_refused; }
    void logStatistics() const;

private:
    CommandRecord& recordFor(const std::string& name, bool& existed);

    std::map<std::string, CommandRecord> m_commands; // key: lower-case name
    std::map<std::string, ListFunction> m_listFunctions;
    std::map<std::string, CheckFunction> m_checkFunctions;
    Forwarder m_forwarder;
    unsigned long long m_executed = 0;
    unsigned long long m_refused = 0;
};

// Runs a line as the program's own (menus, widgets, program code): no player,
// not from the server, internal-only commands allowed.
bool executeCommandLine(const std::string& line);
