#include "engine/core/StringUtil.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

int textToInt(const std::string& text)
{
    long long v = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
}

float textToFloat(const std::string& text)
{
    float v = std::strtof(text.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0f;
}

int compareNoCase(std::string_view a, std::string_view b)
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int ca = lowerAscii(static_cast<unsigned char>(a[i]));
        int cb = lowerAscii(static_cast<unsigned char>(b[i]));
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
    if (a.size() != b.size()) {
        return false;
    }
    // Field and entry lookups compare many keys: equal bytes skip the folding.
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] &&
            lowerAscii(static_cast<unsigned char>(a[i])) != lowerAscii(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string toLowerCopy(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(lowerAscii(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string_view trimBlanks(std::string_view text)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string formatThousands(long long n)
{
    // Work on the unsigned magnitude: negating the most negative value overflows.
    unsigned long long magnitude =
        n < 0 ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    char digits[32];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::string out;
    out.reserve(static_cast<size_t>(count) + static_cast<size_t>(count) / 3 + 1);
    if (n < 0) {
        out += '-';
    }
    for (int i = count - 1; i >= 0; --i) {
        out += digits[i];
        if (i > 0 && i % 3 == 0) {
            out += ',';
        }
    }
    return out;
}

const char* pluralSuffix(long long n)
{
    return n == 1 ? "" : "s";
}

const char* possessiveSuffix(std::string_view name)
{
    if (!name.empty() && (name.back() == 's' || name.back() == 'S')) {
        return "'";
    }
    return "'s";
}

const char* indefiniteArticle(std::string_view text)
{
    if (!text.empty()) {
        switch (std::tolower(static_cast<unsigned char>(text.front()))) {
        case 'a':
        case 'e':
        case 'i':
        case 'o':
        case 'u':
            return "an";
        default:
            break;
        }
    }
    return "a";
}

const char* ordinalSuffix(long long n)
{
    long long last = n % 10;
    if (last < 0) {
        last = -last;
    }
    switch (last) {
    case 1:
        return "st";
    case 2:
        return "nd";
    case 3:
        return "rd";
    default:
        return "th";
    }
}

std::string formatDuration(float seconds, bool clockStyle, float tolerance)
{
    double s = std::isfinite(seconds) && seconds > 0.0f ? static_cast<double>(seconds) : 0.0;
    if (s > 2.0e9) {
        s = 2.0e9;
    }
    if (clockStyle) {
        long long whole = static_cast<long long>(s);
        return formatString("%2d:%02d", static_cast<int>(whole / 60), static_cast<int>(whole % 60));
    }
    double value = s < 60.0 ? s : s / 60.0;
    const char* unit = s < 60.0 ? "second" : "minute";
    double rounded = std::round(value);
    if (std::fabs(value - rounded) <= tolerance) {
        return formatString("%.0f %s%s", rounded, unit, rounded == 1.0 ? "" : "s");
    }
    return formatString("%.1f %ss", value, unit);
}

std::string formatDuration(int days, int milliseconds)
{
    long long totalMs = static_cast<long long>(days) * 86400000LL + milliseconds;
    if (totalMs < 0) {
        totalMs = 0;
    }
    long long totalMinutes = totalMs / 60000;
    long long d = totalMinutes / (24 * 60);
    long long h = (totalMinutes / 60) % 24;
    long long m = totalMinutes % 60;
    std::string out;
    if (d > 0) {
        appendFormat(out, "%lldd ", d);
    }
    if (d > 0 || h > 0) {
        appendFormat(out, "%lldh ", h);
    }
    appendFormat(out, "%lldm ", m);
    return out;
}

std::string formatTimeLeft(float seconds)
{
    return formatDuration(seconds, false, 0.05f);
}

void unescapeNewlines(std::string& text)
{
    size_t out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            text[out++] = '\n';
            ++i;
        } else {
            text[out++] = text[i];
        }
    }
    text.resize(out);
}

std::string stripTextKeyMarkers(std::string_view text)
{
    std::string out(text);
    replaceAll(out, "$$", "");
    return out;
}

void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement)
{
    if (pattern.empty()) {
        return;
    }
    std::string out;
    size_t start = 0;
    size_t found = text.find(pattern);
    if (found == std::string::npos) {
        return;
    }
    while (found != std::string::npos) {
        out.append(text, start, found - start);
        out.append(replacement);
        start = found + pattern.size();
        found = text.find(pattern, start);
    }
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

int findStringInList(const std::vector<std::string>& list, std::string_view text)
{
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int hashString(std::string_view text)
{
    // Unsigned arithmetic wraps where a signed sum of a long text would overflow.
    unsigned int sum = 0;
    for (char c : text) {
        sum += static_cast<unsigned int>(static_cast<int>(static_cast<signed char>(c)));
    }
    return static_cast<int>(sum);
}

std::string latin1ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string utf8ToLatin1(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        // The length of the sequence from its lead byte; a broken one counts
        // as one character.
        size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
        size_t n = 1;
        while (n < length && i + n < text.size() &&
               (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) {
            ++n;
        }
        if (length == 2 && n == 2) {
            unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            out.push_back(code >= 0x80 && code <= 0xFF ? static_cast<char>(code) : '?');
        } else {
            out.push_back('?');
        }
        i += n;
    }
    return out;
}
