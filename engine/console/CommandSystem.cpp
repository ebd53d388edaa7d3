#include "engine/console/CommandSystem.h"

#include "engine/console/CommandLine.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <iterator>

CommandSystem::CommandSystem() = default;
CommandSystem::~CommandSystem() = default;

namespace {

// The record a registration leaves: the new description, and the handlers and
// needsPlayer carried over from the old record, for the caller to set its own.
CommandRecord renewedRecord(CommandRecord& old, const std::string& name, const std::string& help,
                            const std::string& argNames, const std::string& argTypes, bool internalOnly,
                            unsigned flags)
{
    CommandRecord rec;
    rec.name = name;
    rec.help = help;
    rec.argNames = argNames;
    rec.argTypes = argTypes;
    rec.handler = std::move(old.handler);
    rec.serverHandler = std::move(old.serverHandler);
    rec.needsPlayer = old.needsPlayer;
    rec.internalOnly = internalOnly;
    rec.flags = flags;
    return rec;
}

} // namespace

CommandRecord& CommandSystem::recordFor(const std::string& name, bool& existed)
{
    auto key = toLowerCopy(name);
    auto it = m_commands.find(key);
    existed = it != m_commands.end();
    if (!existed) {
        it = m_commands.emplace(key, CommandRecord()).first;
    }
    return it->second;
}

void CommandSystem::registerCommand(CommandHandler handler, const std::string& name, const std::string& help,
                                    const std::string& argNames, const std::string& argTypes,
                                    bool internalOnly, unsigned flags)
{
    if (name.empty()) {
        debugPrint(3, "registerCommand: empty command name\n");
        return;
    }
    bool existed = false;
    CommandRecord& rec = recordFor(name, existed);
    if (existed && rec.handler) {
        debugPrint(1, "Command %s registered again, replacing it\n", name.c_str());
    }
    rec = renewedRecord(rec, name, help, argNames, argTypes, internalOnly, flags);
    rec.handler = std::move(handler);
}

void CommandSystem::registerServerCommand(ServerCommandHandler handler, const std::string& argTypes,
                                          const std::string& name, const std::string& argNames,
                                          const std::string& help, bool needsPlayer, bool internalOnly,
                                          unsigned flags)
{
    if (name.empty()) {
        debugPrint(3, "registerServerCommand: empty command name\n");
        return;
    }
    bool existed = false;
    CommandRecord& rec = recordFor(name, existed);
    if (existed && rec.serverHandler) {
        debugPrint(1, "Server command %s registered again, replacing it\n", name.c_str());
    }
    rec = renewedRecord(rec, name, help, argNames, argTypes, internalOnly, flags);
    rec.serverHandler = std::move(handler);
    rec.needsPlayer = needsPlayer;
}

void CommandSystem::unregisterCommand(const std::string& name)
{
    m_commands.erase(toLowerCopy(name));
}

const CommandRecord* CommandSystem::findCommand(std::string_view name) const
{
    auto it = m_commands.find(toLowerCopy(name));
    return it == m_commands.end() ? nullptr : &it->second;
}

std::vector<const CommandRecord*> CommandSystem::listCommands() const
{
    std::vector<const CommandRecord*> out;
    out.reserve(m_commands.size());
    for (const auto& [key, rec] : m_commands) {
        out.push_back(&rec);
    }
    return out;
}

bool CommandSystem::execute(const std::string& line, Player* player, bool fromServer, bool fromProgram)
{
    std::vector<std::string> words;
    splitCommandLine(line, words);
    if (words.empty()) {
        return false;
    }
    auto it = m_commands.find(toLowerCopy(words[0]));
    if (it == m_commands.end()) {
        ++m_refused;
        if (fromServer) {
            debugPrintRaw("Unknown server command - %s\n", line.c_str());
        } else if (fromProgram) {
            // A line of a menu, a key binding or the server: no one typed it.
            debugPrintRaw("Unknown command - %s\n", line.c_str());
        } else {
            debugPrintRaw("Unknown command - %s (cmdlist lists the commands)\n", line.c_str());
        }
        return false;
    }
    const CommandRecord& rec = it->second;
    CommandArgs args(std::make_move_iterator(words.begin() + 1), std::make_move_iterator(words.end()));

    if (rec.internalOnly && !fromProgram) {
        ++m_refused;
        // A warning, so a command typed at the console is never refused
        // without a word.
        if (!fromServer) {
            debugPrint(2, "%s can only be issued by the program\n", rec.name.c_str());
        }
        return true;
    }
    if (!(rec.flags & CommandRecord::kSkipArgumentCheck)) {
        std::string problem = rec.checkArguments(args);
        if (!problem.empty()) {
            ++m_refused;
            if (!fromServer) {
                debugPrint(2, "Bad arguments for %s: %s\n", rec.name.c_str(), problem.c_str());
            }
            return true;
        }
    }

    if (fromServer) {
        if (!rec.serverHandler || (rec.needsPlayer && player == nullptr)) {
            ++m_refused;
            return true;
        }
        // Copies: a handler may re-register or remove its own command.
        ServerCommandHandler handler = rec.serverHandler;
        ++m_executed;
        handler(args, player);
        return true;
    }
    if (rec.handler) {
        CommandHandler handler = rec.handler;
        ++m_executed;
        handler(args);
        return true;
    }
    if (rec.serverHandler) {
        if (!m_forwarder) {
            ++m_refused;
            debugPrint(2, "%s needs a server to run on\n", rec.name.c_str());
            return true;
        }
        ++m_executed;
        m_forwarder(line);
        return true;
    }
    ++m_refused;
    return true;
}

void CommandSystem::registerListFunction(const std::string& name, ListFunction provider)
{
    m_listFunctions[toLowerCopy(name)] = std::move(provider);
}

void CommandSystem::callListFunction(const std::string& name, std::vector<ListEntry>& list) const
{
    list.clear();
    auto it = m_listFunctions.find(toLowerCopy(name));
    if (it != m_listFunctions.end() && it->second) {
        it->second(list);
    }
}

void CommandSystem::registerCheckFunction(const std::string& name, CheckFunction check)
{
    m_checkFunctions[toLowerCopy(name)] = std::move(check);
}

CommandSystem::CheckFunction CommandSystem::findCheckFunction(const std::string& name) const
{
    auto it = m_checkFunctions.find(toLowerCopy(name));
    return it == m_checkFunctions.end() ? CheckFunction() : it->second;
}

void CommandSystem::logStatistics() const
{
    debugPrintRaw("Commands: %zu registered, %llu lines run, %llu refused\n", m_commands.size(), m_executed,
                  m_refused);
}

bool executeCommandLine(const std::string& line)
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        debugPrint(3, "No command system for: %s\n", line.c_str());
        return false;
    }
    return commands->execute(line, nullptr, false, true);
}
