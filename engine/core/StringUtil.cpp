#include "engine/core/StringUtil.h"

#include <cctype>
#include <cstdio>

void appendFormatV(std::string& target, const char* format, va_list args)
{
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(small, sizeof(small), format, copy);
    va_end(copy);
    if (needed <= 0) {
        return;
    }
    if (static_cast<size_t>(needed) < sizeof(small)) {
        target.append(small, static_cast<size_t>(needed));
        return;
    }
    size_t start = target.size();
    target.resize(start + static_cast<size_t>(needed) + 1);
    std::vsnprintf(target.data() + start, static_cast<size_t>(needed) + 1, format, args);
    target.resize(start + static_cast<size_t>(needed));
}

std::string formatStringV(const char* format, va_list args)
{
    std::string out;
    appendFormatV(out, format, args);
    return out;
}

std::string formatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string out = formatStringV(format, args);
    va_end(args);
    return out;
}

void formatInto(std::string& target, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    target = formatStringV(format, args);
    va_end(args);
}

void appendFormat(std::string& target, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    appendFormatV(target, format, args);
    va_end(args);
}

int compareNoCase(std::string_view a, std::string_view b)
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && compareNoCase(a, b) == 0;
}

std::string toLowerCopy(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}
