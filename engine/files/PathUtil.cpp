#include "engine/files/PathUtil.h"

#include "engine/core/StringUtil.h"

namespace {

size_t lastSeparator(std::string_view path)
{
    size_t pos = path.find_last_of("/\\");
    return pos;
}

std::string_view bareExtension(std::string_view extension)
{
    if (!extension.empty() && extension.front() == '.') {
        extension.remove_prefix(1);
    }
    return extension;
}

} // namespace

int findExtension(std::string_view path, int offset)
{
    size_t sep = lastSeparator(path);
    size_t start = sep == std::string_view::npos ? 0 : sep + 1;
    size_t dot = path.find('.', start);
    if (dot == std::string_view::npos) {
        return -1;
    }
    return static_cast<int>(dot) + offset;
}

bool hasExtension(std::string_view path, std::string_view extension)
{
    extension = bareExtension(extension);
    if (extension.empty() || path.size() < extension.size() + 1) {
        return false;
    }
    size_t dot = path.size() - extension.size() - 1;
    if (path[dot] != '.') {
        return false;
    }
    size_t sep = lastSeparator(path);
    if (sep != std::string_view::npos && sep > dot) {
        return false;
    }
    return equalsNoCase(path.substr(dot + 1), extension);
}

void addExtensionIfMissing(std::string& path, std::string_view extension)
{
    extension = bareExtension(extension);
    if (extension.empty() || hasExtension(path, extension)) {
        return;
    }
    path += '.';
    path.append(extension);
}

std::string replaceExtension(std::string_view path, std::string_view extension)
{
    extension = bareExtension(extension);
    size_t sep = lastSeparator(path);
    size_t dot = path.rfind('.');
    bool hasDot = dot != std::string_view::npos && (sep == std::string_view::npos || dot > sep);
    std::string result(hasDot ? path.substr(0, dot) : path);
    if (!extension.empty()) {
        result += '.';
        result.append(extension);
    }
    return result;
}

std::string getPathDirectory(std::string_view path)
{
    size_t sep = lastSeparator(path);
    if (sep == std::string_view::npos) {
        return std::string();
    }
    return normalizeSlashes(path.substr(0, sep));
}

void stripDirectory(std::string& path)
{
    size_t sep = lastSeparator(path);
    if (sep != std::string::npos) {
        path.erase(0, sep + 1);
    }
}

std::string normalizeSlashes(std::string_view path)
{
    std::string result(path);
    for (char& c : result) {
        if (c == '\\') {
            c = '/';
        }
    }
    return result;
}
