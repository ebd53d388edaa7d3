#include "engine/platform/Directories.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

std::string Directories::executableDirectory()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) {
        return fs::current_path(ec).string();
    }
    return exe.parent_path().string();
}

std::string Directories::builtDataDirectory()
{
#ifdef GLOAM_BUILT_DATA_DIR
    return GLOAM_BUILT_DATA_DIR;
#else
    return std::string();
#endif
}

std::string Directories::builtGeneratedDirectory()
{
#ifdef GLOAM_BUILT_GENERATED_DIR
    return GLOAM_BUILT_GENERATED_DIR;
#else
    return std::string();
#endif
}

std::string Directories::xdgUserDirectory()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') {
        return (fs::path(xdg) / "gloamreach" / "User").string();
    }
    const char* home = std::getenv("HOME");
    fs::path root = home && *home ? fs::path(home) : fs::path();
    if (root.empty()) {
        // Without a home, the temporary directory; a bad TMPDIR must not throw.
        std::error_code ec;
        root = fs::temp_directory_path(ec);
        if (ec || root.empty()) {
            root = "/tmp";
        }
    }
    return (root / ".local" / "share" / "gloamreach" / "User").string();
}

Directories Directories::resolve(const std::string& dataDirArg, const std::string& userDirArg)
{
    Directories d;
    std::error_code ec;
    if (!dataDirArg.empty()) {
        d.base = dataDirArg;
    } else {
        // An installed program sits beside its data; one run from the build
        // tree reads the checkout's data directory.
        d.base = executableDirectory();
        std::string built = builtDataDirectory();
        if (!fs::is_regular_file(fs::path(d.base) / "Database" / "database.dbl", ec) && !built.empty() &&
            fs::is_directory(built, ec)) {
            d.base = built;
        }
    }
    std::string generated = builtGeneratedDirectory();
    if (!generated.empty() && fs::is_directory(generated, ec)) {
        d.generated = generated;
    }
    if (fs::path(d.base).is_relative()) {
        d.base = fs::absolute(d.base, ec).lexically_normal().string();
    }
    while (d.base.size() > 1 && d.base.back() == '/') {
        d.base.pop_back();
    }
    if (!userDirArg.empty()) {
        d.user = fs::absolute(userDirArg, ec).lexically_normal().string();
    } else {
        fs::path inBase = fs::path(d.base) / "User";
        bool usable = fs::is_directory(inBase, ec) ? ::access(inBase.c_str(), W_OK) == 0
                                                   : ::access(d.base.c_str(), W_OK) == 0;
        d.user = usable ? inBase.string() : xdgUserDirectory();
    }
    while (d.user.size() > 1 && d.user.back() == '/') {
        d.user.pop_back();
    }
    return d;
}
