#pragma once

#include <string>

// Where the game data and the user's files live.
//   base: --data-dir; else the executable's directory when it holds
//         "Database/database.dbl"; else the source tree's data directory
//         the build knows
//   generated: the build's generated content (mounted after base); empty
//         when the program does not run from its build tree
//   user: --user-dir; else "User" under the base directory when that can be
//         written; else $XDG_DATA_HOME/gloamreach/User
//         (~/.local/share/gloamreach/User)
struct Directories {
    std::string base;
    std::string user;
    std::string generated;

    static std::string executableDirectory();
    // The build's defaults (empty when the build gave none).
    static std::string builtDataDirectory();
    static std::string builtGeneratedDirectory();
    // Empty arguments mean "not given". Does not create anything.
    static Directories resolve(const std::string& dataDirArg, const std::string& userDirArg);
    // The fallback user directory from the environment.
    static std::string xdgUserDirectory();
};
