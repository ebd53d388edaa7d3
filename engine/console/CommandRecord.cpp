#include "engine/console/CommandRecord.h"

#include "engine/core/StringUtil.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {
bool isInteger(const std::string& text)
{
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE) {
        return false;
    }
    // Leading blanks are skipped by strtoll but are no part of a number.
    if (std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    return value >= INT_MIN && value <= INT_MAX;
}

bool isFloat(const std::string& text)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    // Handlers read the argument as a float: it must fit one.
    return end != text.c_str() && *end == '\0' && std::fabs(value) <= FLT_MAX;
}

bool isBoolean(const std::string& text)
{
    return text == "0" || text == "1" || equalsNoCase(text, "true") || equalsNoCase(text, "false");
}
} // namespace

std::string CommandRecord::usage() const
{
    std::vector<std::string> names;
    for (size_t start = 0; start < argNames.size();) {
        size_t end = argNames.find(' ', start);
        if (end == std::string::npos) {
            end = argNames.size();
        }
        if (end > start) {
            names.push_back(argNames.substr(start, end - start));
        }
        start = end + 1;
    }
    std::string text = name;
    for (size_t i = 0; i < argTypes.size(); ++i) {
        bool optional = std::isupper(static_cast<unsigned char>(argTypes[i])) != 0;
        std::string argName = i < names.size() ? names[i] : "arg" + std::to_string(i + 1);
        if (!names.empty() && i + 1 == names.size() && argTypes.size() > names.size()) {
            // The rest of the letters repeat this one.
            argName += "...";
            text += optional ? " [" + argName + "]" : " <" + argName + ">";
            break;
        }
        text += optional ? " [" + argName + "]" : " <" + argName + ">";
    }
    return text;
}

size_t CommandRecord::requiredArgCount() const
{
    size_t n = 0;
    for (char c : argTypes) {
        if (std::islower(static_cast<unsigned char>(c))) {
            ++n;
        }
    }
    return n;
}

std::string CommandRecord::checkArguments(const CommandArgs& args) const
{
    size_t required = requiredArgCount();
    if (args.size() < required) {
        return formatString("needs %zu argument%s (%s)", required, required == 1 ? "" : "s",
                            argNames.c_str());
    }
    if (args.size() > argTypes.size()) {
        return formatString("takes at most %zu argument%s (%s)", argTypes.size(),
                            argTypes.size() == 1 ? "" : "s", argNames.c_str());
    }
    for (size_t i = 0; i < args.size(); ++i) {
        char type = static_cast<char>(std::tolower(static_cast<unsigned char>(argTypes[i])));
        const std::string& arg = args[i];
        bool ok = true;
        const char* what = "";
        switch (type) {
        case 'i':
            ok = isInteger(arg);
            what = "an integer";
            break;
        case 'f':
            ok = isFloat(arg);
            what = "a number";
            break;
        case 'b':
            ok = isBoolean(arg);
            what = "0 or 1";
            break;
        default:
            break;
        }
        if (!ok) {
            return formatString("argument %zu \"%s\" is not %s", i + 1, arg.c_str(), what);
        }
    }
    return std::string();
}
