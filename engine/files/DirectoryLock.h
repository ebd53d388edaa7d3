#pragma once

#include <string>

// Holds a folder for one program: an exclusive lock on a file in it, which
// the system lets go when the holder ends, however it ends. Two programs on
// one user folder would mix their saves and discard each other's unfinished
// ones.
class DirectoryLock {
public:
    static constexpr const char* kFileName = "gloamreach.lock";

    DirectoryLock() = default;
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    // False, with `error` naming the holder, when another program holds the
    // folder; nothing in it is changed then. A folder that cannot be locked
    // at all (a file system without locks) is not held: true, with `error`
    // saying why.
    bool acquire(const std::string& directory, std::string& error);
    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
