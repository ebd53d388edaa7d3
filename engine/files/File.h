#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// An open file handed out by FileSystem::open and given back to
// FileSystem::close. Reads come from a real file or from a package member
// held in memory; writes go to a temporary file next to the target, which
// FileSystem::close moves over the target.
struct File {
    std::string name;     // the name the caller asked for
    std::string path;     // the real file (for writes: the final target)
    std::string tempPath; // writes: the temporary file being filled
    std::FILE* handle = nullptr;
    bool writing = false;
    bool textMode = false;
    bool failed = false; // a write went wrong; close discards the file
    bool fromPackage = false;
    std::vector<uint8_t> memberData; // contents of a package member
};
