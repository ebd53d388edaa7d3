#include "engine/console/EngineCommands.h"
#include "engine/files/WholeFile.h"

#include "engine/console/CommandLine.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/KeyNames.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/MemorySystem.h"
#include "engine/core/Profiler.h"
#include "engine/files/FileSystem.h"

#include <fstream>
#include <iterator>

namespace {
UserVarSystem* vars()
{
    UserVarSystem* v = UserVarSystem::instance();
    if (!v) {
        debugPrint(3, "No user variables\n");
    }
    return v;
}

void cmdList(const CommandArgs&)
{
    const auto commands = CommandSystem::get().listCommands();
    for (const CommandRecord* rec : commands) {
        std::string usage = rec->usage();
        if (rec->help.empty()) {
            debugPrintRaw("%s\n", usage.c_str());
        } else {
            debugPrintRaw("%s - %s\n", usage.c_str(), rec->help.c_str());
        }
    }
    debugPrintRaw("%zu commands\n", commands.size());
}

void varList(const CommandArgs&)
{
    UserVarSystem* v = vars();
    if (!v) {
        return;
    }
    for (const UserVar* var : v->listVars()) {
        debugPrintRaw("%s \"%s\"%s%s\n", var->getName().c_str(), var->getString().c_str(),
                      var->isSaved() ? " save" : "", var->needsRestart() ? " restart" : "");
    }
    debugPrintRaw("%zu user variables\n", v->getCount());
}

void setVar(const CommandArgs& args)
{
    UserVarSystem* v = vars();
    if (!v) {
        return;
    }
    if (args.size() < 2) {
        UserVar* var = v->findVar(args[0]);
        if (var) {
            debugPrintRaw("%s is \"%s\" (default \"%s\")\n", var->getName().c_str(), var->getString().c_str(),
                          var->getDefault().c_str());
        } else {
            debugPrintRaw("%s is not set\n", args[0].c_str());
        }
        return;
    }
    // A name that user.cfg could not carry back is refused.
    if (!UserVarSystem::isWritableName(args[0])) {
        debugPrint(2, "Bad user variable name %s\n", args[0].c_str());
        return;
    }
    v->setVar(args[0], args[1]);
}

void toggleVar(const CommandArgs& args)
{
    UserVarSystem* v = vars();
    UserVar* var = v ? v->findVar(args[0]) : nullptr;
    if (!var) {
        debugPrint(2, "No user variable %s\n", args[0].c_str());
        return;
    }
    // Only a switch toggles: anything else would be lost to "1" and saved.
    const std::string& value = var->getString();
    if (value != "0" && value != "1") {
        debugPrint(2, "toggle: %s is \"%s\", not 0 or 1; left as it is\n", var->getName().c_str(),
                   value.c_str());
        return;
    }
    var->setValue(value == "1" ? "0" : "1");
    debugPrintRaw("%s is \"%s\"\n", var->getName().c_str(), var->getString().c_str());
}

// Reads a script named relative to the user directory (beside user.cfg), else
// from the game data through the file system. Paths that could leave those
// directories are refused.
bool readScript(const std::string& given, std::string& path, std::string& text)
{
    // "./x.cfg" is x.cfg of the directory.
    std::string name = given;
    while (name.starts_with("./")) {
        name.erase(0, 2);
    }
    if (!FileSystem::isSafeRelativePath(name)) {
        debugPrint(3, "exec: %s is not a relative path inside the game's directories\n", name.c_str());
        return false;
    }
    if (UserVarSystem* v = UserVarSystem::instance()) {
        const std::string& userCfg = v->getUserConfigPath();
        size_t slash = userCfg.find_last_of('/');
        path = (slash == std::string::npos ? std::string() : userCfg.substr(0, slash + 1)) + name;
        switch (readWholeFile(path, text)) {
        case WholeFileResult::Read:
            return true;
        case WholeFileResult::Failed:
            return false; // a directory or unreadable file of that name: said why
        case WholeFileResult::Missing:
            break;
        }
    }
    if (FileSystem* files = FileSystem::instance()) {
        if (auto data = files->readFile(name)) {
            path = name;
            text.assign(data->begin(), data->end());
            return true;
        }
    }
    debugPrint(2, "Cannot read %s\n", name.c_str());
    return false;
}

// Scripts may run scripts, but a script that runs itself must not recurse
// until the stack gives out.
constexpr int kMaxExecDepth = 8;
int g_execDepth = 0;

// Runs a file: a line whose first word is a command runs as if typed (its
// comment left off); any other line is read as a user.cfg line.
void execFile(const CommandArgs& args)
{
    if (g_execDepth >= kMaxExecDepth) {
        debugPrint(3, "exec %s: scripts nested more than %d deep\n", args[0].c_str(), kMaxExecDepth);
        return;
    }
    std::string path;
    std::string text;
    if (!readScript(args[0], path, text)) {
        return;
    }
    ++g_execDepth;
    CommandSystem& commands = CommandSystem::get();
    // default.cfg keeps its flags wherever it is read from.
    std::string baseName =
        path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    bool isDefault = equalsNoCase(baseName, "default.cfg");
    forEachConfigLine(text, [&](const std::vector<std::string>& words, int lineNumber) {
        if (commands.findCommand(words[0])) {
            commands.execute(joinCommandWords(words), nullptr, false, false);
        } else if (UserVarSystem* v = vars()) {
            v->applyConfigLine(words, isDefault, path, lineNumber);
        }
    });
    --g_execDepth;
}

void echo(const CommandArgs& args)
{
    std::string text;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) {
            text += ' ';
        }
        text += args[i];
    }
    debugPrintRaw("%s\n", text.c_str());
}

void bind(const CommandArgs& args)
{
    VirtualKeys* keys = VirtualKeys::instance();
    if (!keys) {
        debugPrint(3, "No key bindings\n");
        return;
    }
    if (keys->findKey(args[0], false) < 0) {
        debugPrint(2, "No key action %s\n", args[0].c_str());
        return;
    }
    bool mouse = false;
    int code = keyOrButtonNameToCode(args[1], mouse);
    if (code < 0) {
        debugPrint(2, "Unknown key %s\n", args[1].c_str());
        return;
    }
    if (!keys->bindKey(args[0], code, mouse)) {
        int owner = keys->findActionForKey(code, mouse);
        const VirtualKeys::Action* other = keys->getAction(owner);
        debugPrint(2, "%s is already bound to %s\n", keyCodeToName(code, mouse).c_str(),
                   other ? other->name.c_str() : "another action");
    }
}

void writeConfig(const CommandArgs&)
{
    if (UserVarSystem* v = vars()) {
        if (v->writeUserConfig()) {
            debugPrintRaw("Wrote %s\n", v->getUserConfigPath().c_str());
        }
    }
}

void printMem(const CommandArgs&)
{
    MemorySystem::printReport();
}

void printProfile(const CommandArgs&)
{
    if (Profiler* profiler = Profiler::instance()) {
        profiler->printReport();
    } else {
        debugPrint(2, "No profiler\n");
    }
}
} // namespace

void registerEngineCommands()
{
    CommandSystem& c = CommandSystem::get();
    c.registerCommand(cmdList, "cmdlist", "Lists every console command with its help", "", "", false, 0);
    c.registerCommand(varList, "varlist", "Lists every user variable with its value", "", "", false, 0);
    c.registerCommand(setVar, "set", "Shows or sets a user variable (created when missing)", "name value",
                      "sS", false, 0);
    c.registerCommand(toggleVar, "toggle", "Switches a user variable between 0 and 1", "name", "s", false, 0);
    c.registerCommand(execFile, "exec", "Runs the command and variable lines of a file", "file", "s", false,
                      0);
    c.registerCommand(echo, "echo", "Prints its arguments", "text", "SSSSSSSS", false,
                      CommandRecord::kSkipArgumentCheck);
    c.registerCommand(bind, "bind", "Binds a key or mouse button to a key action", "action key", "ss", false,
                      0);
    c.registerCommand(writeConfig, "writeconfig", "Writes user.cfg now", "", "", false, 0);
    c.registerCommand(printMem, "printmem", "Prints the memory use of every category", "", "", false, 0);
    c.registerCommand(printProfile, "printprofile", "Prints the frame and section timings", "", "", false, 0);
}
