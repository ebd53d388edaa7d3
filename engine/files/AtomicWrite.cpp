#include "engine/files/AtomicWrite.h"

#include "engine/core/DebugSystem.h"
#include "engine/files/PathUtil.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

void syncDirectory(const std::string& directory)
{
    int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool commitAtomicWrite(std::FILE* handle, const std::string& tempPath, const std::string& path, bool ok)
{
    int error = 0;
    auto step = [&](bool done) {
        if (!done && error == 0) {
            error = errno;
        }
        ok = ok && done;
    };
    if (ok) {
        step(std::fflush(handle) == 0);
        step(ok && ::fsync(::fileno(handle)) == 0);
    }
    step(std::fclose(handle) == 0);
    if (ok) {
        step(std::rename(tempPath.c_str(), path.c_str()) == 0);
    }
    if (!ok) {
        if (error != 0) {
            debugPrint(3, "Cannot write %s: %s; the previous file is kept\n", path.c_str(),
                       std::strerror(error));
        } else {
            debugPrint(3, "Cannot write %s; the previous file is kept\n", path.c_str());
        }
        std::remove(tempPath.c_str());
        return false;
    }
    std::string directory = getPathDirectory(path);
    syncDirectory(directory.empty() && path.starts_with("/") ? "/" : directory);
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view contents)
{
    const std::string temp = path + ".tmp";
    std::FILE* handle = std::fopen(temp.c_str(), "wb");
    if (handle == nullptr) {
        debugPrint(3, "Cannot write %s: %s\n", temp.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(contents.data(), 1, contents.size(), handle) == contents.size();
    if (!ok) {
        debugPrint(3, "Cannot write %s: %s\n", temp.c_str(), std::strerror(errno));
    }
    return commitAtomicWrite(handle, temp, path, ok);
}
