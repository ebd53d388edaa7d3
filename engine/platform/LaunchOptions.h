#pragma once

#include <string>

// The program's command line:
//   --headless          no window, sound or input devices; console lines are
//                       read from standard input
//   --data-dir <dir>    the game data directory (default: the executable's)
//   --user-dir <dir>    the user directory (log, settings, saves)
//   --help, -h          prints the usage
//   --version           prints the program's and the game data's versions
// "--data-dir=<dir>" and "--user-dir=<dir>" work as well.
struct LaunchOptions {
    bool headless = false;
    bool help = false;
    bool version = false;
    std::string dataDir;
    std::string userDir;

    // False with a message for an unknown or incomplete argument.
    static bool parse(int argc, const char* const* argv, LaunchOptions& out, std::string& error);
    static const char* usage();
};
