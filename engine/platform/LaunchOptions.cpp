#include "engine/platform/LaunchOptions.h"

#include <cstring>

bool LaunchOptions::parse(int argc, const char* const* argv, LaunchOptions& out, std::string& error)
{
    out = LaunchOptions();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i] ? argv[i] : "";
        std::string value;
        bool hasValue = false;
        if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            hasValue = true;
        }
        if (arg == "--headless" && !hasValue) {
            out.headless = true;
            continue;
        }
        if ((arg == "--help" || arg == "-h") && !hasValue) {
            out.help = true;
            continue;
        }
        if (arg == "--version" && !hasValue) {
            out.version = true;
            continue;
        }
        if (arg == "--data-dir" || arg == "--user-dir") {
            if (!hasValue) {
                if (i + 1 >= argc || !argv[i + 1]) {
                    error = "argument " + std::to_string(i) + ": " + arg + " needs a directory";
                    return false;
                }
                value = argv[++i];
            }
            if (value.empty()) {
                error = "argument " + std::to_string(i) + ": " + arg + " needs a directory";
                return false;
            }
            (arg == "--data-dir" ? out.dataDir : out.userDir) = value;
            continue;
        }
        error = "argument " + std::to_string(i) + ": unknown option \"" +
                std::string(argv[i] ? argv[i] : "") + "\"";
        return false;
    }
    return true;
}

const char* LaunchOptions::usage()
{
    return "usage: gloamreach [--headless] [--data-dir <dir>] [--user-dir <dir>] [--help] [--version]\n"
           "  --headless        no window, sound or input devices; console lines from standard input\n"
           "  --data-dir <dir>  the game data (default: beside the program, else the build's data/)\n"
           "  --user-dir <dir>  log.txt, user.cfg and saves (default: User in the data directory\n"
           "                    when writable, else ~/.local/share/gloamreach/User)\n"
           "  --help, -h        this text\n"
           "  --version         the program's and the game data's versions\n";
}
