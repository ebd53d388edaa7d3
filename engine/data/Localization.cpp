#include "engine/data/Localization.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/TextReader.h"
#include "engine/files/FileSystem.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kTranslationFiles[] = {"global.trn", "npcChat.trn", "quests.trn"};

bool startsWithAt(const std::string& text, size_t pos, const char* marker)
{
    return text.compare(pos, 2, marker) == 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Reduces the markup sequences inside an argument value until none is left.
// One pass: a reduction leaves one character, which may pair with the one
// before it.
std::string sanitizeArgument(const std::string& value)
{
    static const char* const pairs[][2] = {{"@@", "@"}, {"$$", "$"}, {"~<", "~"}, {">~", "~"}};
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out += c;
        bool reduced = true;
        while (reduced && out.size() >= 2) {
            reduced = false;
            for (const auto& pair : pairs) {
                if (out[out.size() - 2] == pair[0][0] && out.back() == pair[0][1]) {
                    out.pop_back();
                    out.back() = pair[1][0];
                    reduced = true;
                    break;
                }
            }
        }
    }
    return out;
}

// Splits "a@@b@@" into its values. A run of '@' is separators, two each; an
// odd one leaves its first '@' to the value before it (a value may end in '@'
// but never hold "@@"), so "a@@@@b" holds an empty value between a and b.
std::vector<std::string> splitArguments(const std::string& text)
{
    std::vector<std::string> args;
    std::string current;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '@' && i + 1 < text.size() && text[i + 1] == '@') {
            size_t run = i;
            while (run < text.size() && text[run] == '@') {
                ++run;
            }
            size_t length = run - i;
            if (length % 2 == 1) {
                current += '@';
                --length;
            }
            for (; length > 0; length -= 2) {
                args.push_back(std::move(current));
                current.clear();
            }
            i = run;
            continue;
        }
        current += text[i++];
    }
    if (!current.empty()) {
        args.push_back(std::move(current));
    }
    return args;
}

// Inserts the arguments into a translation: "%1".."%9" by number, "%s" and
// "%d" the next unused one, "%%" a percent sign.
std::string substituteArguments(const std::string& translation, const std::vector<std::string>& args)
{
    std::string out;
    std::vector<bool> used(args.size(), false);
    for (size_t i = 0; i < translation.size(); ++i) {
        char c = translation[i];
        if (c != '%' || i + 1 >= translation.size()) {
            out += c;
            continue;
        }
        char next = translation[i + 1];
        if (next >= '1' && next <= '9') {
            size_t index = static_cast<size_t>(next - '1');
            if (index < args.size()) {
                out += args[index];
                used[index] = true;
            }
            ++i;
        } else if (next == 's' || next == 'd') {
            for (size_t index = 0; index < args.size(); ++index) {
                if (!used[index]) {
                    out += args[index];
                    used[index] = true;
                    break;
                }
            }
            ++i;
        } else if (next == '%') {
            out += '%';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// A parsed printf conversion.
struct Conversion {
    std::string flags;
    std::string width;     // digits, or "*"
    std::string precision; // "" for none, else "." + digits or ".*"
    std::string length;    // hh h l ll j z t L q
    char type = 0;
    size_t end = 0; // index after the conversion
};

// Parses the conversion starting at format[pos] == '%'; type 0 when it is
// not a complete one.
Conversion parseConversion(const char* format, size_t pos)
{
    Conversion c;
    size_t i = pos + 1;
    while (format[i] != '\0' && std::strchr("-+ #0'", format[i]) != nullptr) {
        c.flags += format[i++];
    }
    if (format[i] == '*') {
        c.width = "*";
        ++i;
    } else {
        while (format[i] >= '0' && format[i] <= '9') {
            c.width += format[i++];
        }
    }
    if (format[i] == '.') {
        c.precision = ".";
        ++i;
        if (format[i] == '*') {
            c.precision += '*';
            ++i;
        } else {
            while (format[i] >= '0' && format[i] <= '9') {
                c.precision += format[i++];
            }
        }
    }
    while (format[i] != '\0' && std::strchr("hljztLq", format[i]) != nullptr) {
        c.length += format[i++];
    }
    if (format[i] != '\0' && std::strchr("diuoxXcsfFeEgGaApn%", format[i]) != nullptr) {
        c.type = format[i++];
    }
    c.end = i;
    return c;
}

// Digits of a width or precision, saturating at the limit (atoi would
// overflow on long runs of digits).
int limitedDigits(const char* digits, int limit)
{
    int value = 0;
    for (; *digits >= '0' && *digits <= '9'; ++digits) {
        value = std::min(value * 10 + (*digits - '0'), limit);
    }
    return value;
}

// Width and precision digits are limited so that one conversion cannot ask
// for gigabytes.
std::string specOf(const Conversion& c, int width, int precision, const char* length, char type)
{
    std::string spec = "%" + c.flags;
    if (c.width == "*") {
        spec += std::to_string(std::clamp(width, -4096, 4096));
    } else if (!c.width.empty()) {
        spec += std::to_string(limitedDigits(c.width.c_str(), 4096));
    }
    if (c.precision == ".*") {
        spec += "." + std::to_string(std::clamp(precision, -1, 4096));
    } else if (!c.precision.empty()) {
        spec += "." + std::to_string(limitedDigits(c.precision.c_str() + 1, 4096));
    }
    spec += length;
    spec += type;
    return spec;
}

template <class T> std::string formatOne(const std::string& spec, T value)
{
    char small[128];
    int n = std::snprintf(small, sizeof(small), spec.c_str(), value);
    if (n < 0) {
        return std::string();
    }
    if (static_cast<size_t>(n) < sizeof(small)) {
        return std::string(small, static_cast<size_t>(n));
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), spec.c_str(), value);
    big.resize(static_cast<size_t>(n));
    return big;
}

// Formats one conversion of wrapText, taking its value from the va_list
// according to the conversion's type and length.
std::string formatFromList(const Conversion& c, va_list& args)
{
    int width = c.width == "*" ? va_arg(args, int) : 0;
    int precision = c.precision == ".*" ? va_arg(args, int) : 0;
    const std::string& l = c.length;
    switch (c.type) {
    case 'd':
    case 'i': {
        long long v;
        if (l == "l") {
            v = va_arg(args, long);
        } else if (l == "ll" || l == "q") {
            v = va_arg(args, long long);
        } else if (l == "j") {
            v = va_arg(args, intmax_t);
        } else if (l == "z" || l == "t") {
            v = va_arg(args, ptrdiff_t);
        } else {
            v = va_arg(args, int);
        }
        return formatOne(specOf(c, width, precision, "ll", c.type), v);
    }
    case 'u':
    case 'o':
    case 'x':
    case 'X': {
        unsigned long long v;
        if (l == "l") {
            v = va_arg(args, unsigned long);
        } else if (l == "ll" || l == "q") {
            v = va_arg(args, unsigned long long);
        } else if (l == "j") {
            v = va_arg(args, uintmax_t);
        } else if (l == "z" || l == "t") {
            v = va_arg(args, size_t);
        } else {
            v = va_arg(args, unsigned int);
        }
        return formatOne(specOf(c, width, precision, "ll", c.type), v);
    }
    case 'c':
        return formatOne(specOf(c, width, precision, "", 'c'), va_arg(args, int));
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A': {
        double v = l == "L" ? static_cast<double>(va_arg(args, long double)) : va_arg(args, double);
        return formatOne(specOf(c, width, precision, "", c.type), v);
    }
    case 's': {
        const char* v = va_arg(args, const char*);
        return formatOne(specOf(c, width, precision, "", 's'), v != nullptr ? v : "(null)");
    }
    case 'p':
        return formatOne(specOf(c, width, precision, "", 'p'), va_arg(args, void*));
    case 'n':
        (void)va_arg(args, void*); // never written through
        return std::string();
    default:
        return std::string();
    }
}

void wrapTextV(std::string& out, const char* key, const char* format, va_list input)
{
    va_list args;
    va_copy(args, input);
    out = "$$";
    out += key != nullptr ? key : "";
    if (format != nullptr) {
        out += "~<";
        for (size_t i = 0; format[i] != '\0';) {
            char c = format[i];
            if (c != '%') {
                if (c == ' ') {
                    out += "@@";
                } else {
                    out += c;
                }
                ++i;
                continue;
            }
            Conversion conversion = parseConversion(format, i);
            if (conversion.type == '%') {
                out += '%';
            } else if (conversion.type != 0) {
                out += sanitizeArgument(formatFromList(conversion, args));
            } else {
                out.append(format + i, conversion.end - i);
            }
            i = std::max(conversion.end, i + 1);
        }
        out += "@@>~";
    }
    out += "$$";
    va_end(args);
}

} // namespace

Localization::Localization() = default;
Localization::~Localization() = default;

void Localization::clear()
{
    m_texts.clear();
    m_language.clear();
}

bool Localization::loadCurrentLanguage()
{
    std::string language = getUserVarString("loc_language");
    return load(language.empty() ? std::string(kDefaultLanguage) : language);
}

bool Localization::load(const std::string& language)
{
    clear();
    std::string name = language;
    if (!FileSystem::isSafeRelativePath(name) || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos) {
        debugPrint(2, "Language name %s is not a folder name; using %s\n", name.c_str(), kDefaultLanguage);
        name = kDefaultLanguage;
    }
    m_language = name;
    FileSystem* fileSystem = FileSystem::instance();
    int loaded = 0;
    for (const char* file : kTranslationFiles) {
        std::string path = "loc/" + name + "/" + file;
        std::optional<std::vector<uint8_t>> data;
        if (fileSystem != nullptr) {
            data = fileSystem->readFile(path);
        }
        if (!data) {
            debugPrint(2, "Translation file %s not found\n", path.c_str());
            continue;
        }
        addTranslations(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()), path);
        ++loaded;
    }
    return loaded > 0;
}

void Localization::addTranslations(std::string_view text, const std::string& fileName)
{
    TextReader reader(text, fileName);
    std::string key;
    std::string translation;
    std::string extra;
    while (reader.readToken(key, true)) {
        int line = reader.getLine();
        if (!reader.readToken(translation, false)) {
            debugPrint(3, "%s:%d: key %s has no text\n", fileName.c_str(), line, key.c_str());
            continue;
        }
        if (reader.readToken(extra, false)) {
            reader.report(2, "text after the translation of %s ignored (quote texts with blanks)",
                          key.c_str());
            while (reader.readToken(extra, false)) {
            }
        }
        m_texts[toLowerCopy(key)] = translation;
    }
}

const std::string* Localization::findTranslation(std::string_view key) const
{
    auto it = m_texts.find(toLowerCopy(key));
    return it == m_texts.end() ? nullptr : &it->second;
}

// One pass over the text. With translateKeys false, keys are replaced by
// their bare names (used to end a translation that did not settle).
bool Localization::translatePass(const std::string& in, std::string& out, bool translateKeys) const
{
    out.clear();
    bool changed = false;
    size_t pos = 0;
    // The last ">~" search: positions only move forward, so its result holds
    // while it does not lie behind the next search start. Arguments are split
    // only for a real key. Without both, a text of many "$$a~<" that are not
    // keys is scanned (and split) to its end once for each of them.
    bool closeSearched = false;
    size_t close = std::string::npos;
    while (pos < in.size()) {
        size_t start = in.find("$$", pos);
        // Past the length limit keys stay for the final pass, which only shortens.
        if (start == std::string::npos || (translateKeys && out.size() > kMaxTextLength)) {
            out.append(in, pos, std::string::npos);
            break;
        }
        out.append(in, pos, start - pos);
        size_t i = start + 2;
        while (i < in.size() && !startsWithAt(in, i, "$$") && !startsWithAt(in, i, "~<") && !isBlank(in[i])) {
            ++i;
        }
        std::string key = in.substr(start + 2, i - start - 2);
        bool hasArgs = false;
        size_t argsStart = 0;
        if (!key.empty() && startsWithAt(in, i, "~<")) {
            if (!closeSearched || (close != std::string::npos && close < i + 2)) {
                close = in.find(">~", i + 2);
                closeSearched = true;
            }
            if (close != std::string::npos) {
                argsStart = i + 2;
                hasArgs = true;
                i = close + 2;
            } else {
                i = in.size();
            }
        }
        if (key.empty() || !startsWithAt(in, i, "$$")) {
            // Not a key: keep the dollar signs as text.
            out += "$$";
            pos = start + 2;
            continue;
        }
        const std::string* translation = translateKeys ? findTranslation(key) : nullptr;
        if (translation == nullptr) {
            if (translateKeys) {
                debugPrint(1, "No translation for %s\n", key.c_str());
            }
            out += key;
        } else if (hasArgs) {
            out += substituteArguments(*translation, splitArguments(in.substr(argsStart, i - 2 - argsStart)));
        } else {
            out += *translation;
        }
        changed = true;
        pos = i + 2;
    }
    return changed;
}

void Localization::translate(std::string& text, int optionA, int optionB) const
{
    (void)optionA;
    (void)optionB;
    if (text.find("$$") == std::string::npos) {
        return;
    }
    std::string next;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        if (!translatePass(text, next, true)) {
            return;
        }
        text.swap(next);
        if (text.size() > kMaxTextLength) {
            break;
        }
    }
    if (translatePass(text, next, false)) {
        debugPrint(2, "Translation did not settle after %d passes: %.80s\n", kMaxPasses, text.c_str());
        text.swap(next);
    }
}

std::string Localization::translateCopy(std::string_view text) const
{
    std::string result(text);
    translate(result);
    return result;
}

std::string wrapText(const char* key)
{
    return std::string("$$") + (key != nullptr ? key : "") + "$$";
}

std::string wrapText(const char* key, const char* format, ...)
{
    std::string out;
    va_list args;
    va_start(args, format);
    wrapTextV(out, key, format, args);
    va_end(args);
    return out;
}

void wrapText(std::string& out, const char* key, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    wrapTextV(out, key, format, args);
    va_end(args);
}

std::string wrapTextPair(std::string_view a, std::string_view b)
{
    std::string out = "$$";
    out.append(a);
    out.append(b);
    out += "$$";
    return out;
}

namespace {

long long asSigned(const FormatArg& arg)
{
    switch (arg.kind) {
    case FormatArg::Signed:
        return arg.i;
    case FormatArg::Unsigned:
        return static_cast<long long>(arg.u);
    case FormatArg::Floating:
        return arg.d > -9.2e18 && arg.d < 9.2e18 ? static_cast<long long>(arg.d) : 0;
    case FormatArg::Text:
        return std::atoll(arg.s.c_str());
    }
    return 0;
}

double asDouble(const FormatArg& arg)
{
    switch (arg.kind) {
    case FormatArg::Signed:
        return static_cast<double>(arg.i);
    case FormatArg::Unsigned:
        return static_cast<double>(arg.u);
    case FormatArg::Floating:
        return arg.d;
    case FormatArg::Text:
        return std::atof(arg.s.c_str());
    }
    return 0.0;
}

std::string asText(const FormatArg& arg)
{
    switch (arg.kind) {
    case FormatArg::Signed:
        return std::to_string(arg.i);
    case FormatArg::Unsigned:
        return std::to_string(arg.u);
    case FormatArg::Floating:
        return formatString("%g", arg.d);
    case FormatArg::Text:
        return arg.s;
    }
    return std::string();
}

} // namespace

std::string translateFormatArgs(const char* format, const std::vector<FormatArg>& args)
{
    std::string translated = format != nullptr ? format : "";
    if (const Localization* localization = Localization::instance()) {
        localization->translate(translated);
    } else {
        translated = stripTextKeyMarkers(translated);
    }
    std::string out;
    size_t next = 0;
    auto take = [&]() -> const FormatArg* { return next < args.size() ? &args[next++] : nullptr; };
    for (size_t i = 0; i < translated.size();) {
        if (translated[i] != '%') {
            out += translated[i++];
            continue;
        }
        Conversion c = parseConversion(translated.c_str(), i);
        size_t end = std::max(c.end, i + 1);
        if (c.type == '%') {
            out += '%';
        } else if (c.type == 0) {
            out.append(translated, i, end - i);
        } else {
            int width = 0;
            int precision = 0;
            if (c.width == "*") {
                const FormatArg* w = take();
                width = w != nullptr ? static_cast<int>(std::clamp<long long>(asSigned(*w), -4096, 4096)) : 0;
            }
            if (c.precision == ".*") {
                const FormatArg* p = take();
                precision =
                    p != nullptr ? static_cast<int>(std::clamp<long long>(asSigned(*p), -1, 4096)) : 0;
            }
            const FormatArg* arg = c.type == 'n' ? nullptr : take();
            if (arg != nullptr) {
                switch (c.type) {
                case 'd':
                case 'i':
                    out += formatOne(specOf(c, width, precision, "ll", c.type), asSigned(*arg));
                    break;
                case 'u':
                case 'o':
                case 'x':
                case 'X':
                    out += formatOne(specOf(c, width, precision, "ll", c.type),
                                     static_cast<unsigned long long>(asSigned(*arg)));
                    break;
                case 'c':
                    out += formatOne(specOf(c, width, precision, "", 'c'), static_cast<int>(asSigned(*arg)));
                    break;
                case 's':
                    out += formatOne(specOf(c, width, precision, "", 's'), asText(*arg).c_str());
                    break;
                case 'p':
                    out += formatOne(specOf(c, width, precision, "ll", 'x'),
                                     static_cast<unsigned long long>(asSigned(*arg)));
                    break;
                default:
                    out += formatOne(specOf(c, width, precision, "", c.type), asDouble(*arg));
                    break;
                }
            }
        }
        i = end;
    }
    return out;
}
