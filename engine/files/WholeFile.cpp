#include "engine/files/WholeFile.h"

#include "engine/core/DebugSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* describeType(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "it is a directory";
    }
    if (S_ISFIFO(mode)) {
        return "it is a pipe";
    }
    if (S_ISSOCK(mode)) {
        return "it is a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "it is a device";
    }
    return "it is not a regular file";
}

template <class Buffer> WholeFileResult readInto(const std::string& path, Buffer& out)
{
    out.clear();
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return WholeFileResult::Missing;
        }
        debugPrint(2, "Cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        return WholeFileResult::Failed;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        debugPrint(2, "Cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        ::close(fd);
        return WholeFileResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        debugPrint(2, "Cannot read %s: %s\n", path.c_str(), describeType(st.st_mode));
        ::close(fd);
        return WholeFileResult::Failed;
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxWholeFileBytes) {
        debugPrint(2, "Cannot read %s: larger than %llu MB\n", path.c_str(),
                   static_cast<unsigned long long>(kMaxWholeFileBytes >> 20));
        ::close(fd);
        return WholeFileResult::Failed;
    }
    // The size is a hint: a file that grows or shrinks meanwhile is read to
    // its end, within the limit.
    out.resize(static_cast<size_t>(st.st_size));
    size_t have = 0;
    for (;;) {
        if (have == out.size()) {
            if (out.size() >= kMaxWholeFileBytes) {
                debugPrint(2, "Cannot read %s: larger than %llu MB\n", path.c_str(),
                           static_cast<unsigned long long>(kMaxWholeFileBytes >> 20));
                ::close(fd);
                out.clear();
                return WholeFileResult::Failed;
            }
            out.resize(out.size() + 65536);
        }
        ssize_t n = ::read(fd, &out[have], out.size() - have);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            debugPrint(2, "Cannot read %s: %s\n", path.c_str(), std::strerror(errno));
            ::close(fd);
            out.clear();
            return WholeFileResult::Failed;
        }
        if (n == 0) {
            break;
        }
        have += static_cast<size_t>(n);
    }
    ::close(fd);
    out.resize(have);
    return WholeFileResult::Read;
}

} // namespace

WholeFileResult readWholeFile(const std::string& path, std::string& out)
{
    return readInto(path, out);
}

WholeFileResult readWholeFile(const std::string& path, std::vector<uint8_t>& out)
{
    return readInto(path, out);
}
