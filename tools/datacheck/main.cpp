// datacheck [data directory] [generated directory] [source root]: lists the
// game data's references that lead nowhere, the program's internal-only
// commands that no menu, key or code sends, and what the program builds that
// nothing in the data uses (behaviour types, effect files, animation events,
// stories), one per line; exits 1 when there are any. Those the README names
// as not working yet are listed apart and are no problem.
#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/console/CommandRecord.h"
#include "engine/console/CommandSystem.h"
#include "engine/platform/Directories.h"
#include "main/ProgramHooks.h"
#include "tools/datacheck/DataCheck.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

// The internal-only commands the program registers, read from a headless
// start of it on the data directory in a user directory of its own.
std::vector<std::string> internalOnlyCommands(const std::string& data)
{
    std::error_code ec;
    const std::filesystem::path user =
        std::filesystem::temp_directory_path(ec) / ("gloam-datacheck-program-" + std::to_string(::getpid()));
    std::vector<std::string> names;
    // The program's start and exit lines belong in its log, not in this
    // listing.
    std::fflush(stdout);
    const int listing = ::dup(STDOUT_FILENO);
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (listing >= 0 && quiet >= 0) {
        ::dup2(quiet, STDOUT_FILENO);
    }
    {
        LaunchOptions options;
        options.headless = true;
        options.dataDir = data;
        options.userDir = user.string();
        AppHooks hooks;
        installProgramHooks(hooks, true);
        Application app(options, hooks);
        app.startup();
        for (const CommandRecord* record : CommandSystem::get().listCommands()) {
            if (record->internalOnly) {
                names.push_back(record->name);
            }
        }
        Application::runConsoleLine("quit");
        app.shutdown();
    }
    std::fflush(stdout);
    if (listing >= 0 && quiet >= 0) {
        ::dup2(listing, STDOUT_FILENO);
    }
    for (int descriptor : {listing, quiet}) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
    std::filesystem::remove_all(user, ec);
    return names;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string data = argc > 1 ? argv[1] : Directories::builtDataDirectory();
    const std::string generated = argc > 2 ? argv[2] : Directories::builtGeneratedDirectory();
    const std::string sources = argc > 3 ? argv[3] : GLOAM_SOURCE_DIR;
    const std::vector<std::string> internalOnly =
        sources.empty() ? std::vector<std::string>() : internalOnlyCommands(data);
    std::vector<std::string> known;
    std::vector<std::string> knownUnused;
    const std::vector<std::string> problems =
        DataCheck::run(data, generated, sources, internalOnly, &known, &knownUnused);
    for (const std::string& name : known) {
        std::printf(
            "known: internal-only command \"%s\" is sent by nothing (README: What does not work yet)\n",
            name.c_str());
    }
    for (const std::string& what : knownUnused) {
        std::printf("known: %s is used by nothing in data/ (README: What does not work yet)\n", what.c_str());
    }
    for (const std::string& problem : problems) {
        std::printf("%s\n", problem.c_str());
    }
    std::printf("%zu problem%s\n", problems.size(), problems.size() == 1 ? "" : "s");
    return problems.empty() ? 0 : 1;
}
