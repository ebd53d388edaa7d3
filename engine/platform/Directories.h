#pragma once

#include <string>

// Where the game data and the user's files live.
//   base: the executable's directory, or --data-dir
//   user: --user-dir; else "User" under the base directory when that can be
//         written; else $XDG_DATA_HOME/gloamreach/User
//         (~/.local/share/gloamreach/User)
struct Directories {
    std::string base;
    std::string user;

    static std::string executableDirectory();
    // Empty arguments mean "not given". Does not create anything.
    static Directories resolve(const std::string& dataDirArg, const std::string& userDirArg);
    // The fallback user directory from the environment.
    static std::string xdgUserDirectory();
};
