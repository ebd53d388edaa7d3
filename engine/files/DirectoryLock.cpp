#include "engine/files/DirectoryLock.h"

#include "engine/core/StringUtil.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

DirectoryLock::~DirectoryLock()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool DirectoryLock::acquire(const std::string& directory, std::string& error)
{
    error.clear();
    const std::string path = directory + "/" + kFileName;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = formatString("Cannot open %s: %s; the user folder is not held for this program", path.c_str(),
                             std::strerror(errno));
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int reason = errno;
        if (reason != EWOULDBLOCK) {
            ::close(fd);
            error = formatString("Cannot lock %s: %s; the user folder is not held for this program",
                                 path.c_str(), std::strerror(reason));
            return true;
        }
        // The holder wrote its process number into the file.
        char text[32] = {};
        const ssize_t got = ::pread(fd, text, sizeof(text) - 1, 0);
        ::close(fd);
        const long holder = got > 0 ? std::strtol(text, nullptr, 10) : 0;
        error =
            formatString("The user folder \"%s\" is in use by another Gloamreach program", directory.c_str());
        if (holder > 0) {
            error += formatString(" (process %ld)", holder);
        }
        error += ". Close that one first, or start this one with --user-dir and another folder.";
        return false;
    }
    m_fd = fd;
    const std::string self = std::to_string(::getpid()) + "\n";
    // The number serves a second program's message only.
    const bool noted = ::ftruncate(fd, 0) == 0 &&
                       ::pwrite(fd, self.data(), self.size(), 0) == static_cast<ssize_t>(self.size());
    (void)noted;
    return true;
}
