#include "game/world/ServerLink.h"

#include <algorithm>

namespace {
ServerLink::LineSink g_sink;
ServerLink::ResourceNamer g_namer;
int g_token = 0;

static_assert(std::size(kServerLineNames) == static_cast<size_t>(ServerLine::OfferExpired) + 1,
              "every server line needs its name in the table");

std::string formatLineV(ServerLine line, const char* format, va_list args)
{
    std::string text = serverLineName(line);
    text += ' ';
    appendFormatV(text, format, args);
    return text;
}
} // namespace

int ServerLink::install(LineSink sink, ResourceNamer namer)
{
    g_sink = std::move(sink);
    g_namer = std::move(namer);
    return ++g_token;
}

void ServerLink::clear(int token)
{
    if (token != g_token) {
        return;
    }
    g_sink = nullptr;
    g_namer = nullptr;
}

bool ServerLink::isInstalled()
{
    return static_cast<bool>(g_sink);
}

void ServerLink::queueClientCommand(const std::string& line)
{
    if (g_sink) {
        g_sink(line);
    }
}

uint32_t ServerLink::registerResourceName(const std::string& fileName, bool hold)
{
    return g_namer ? g_namer(fileName, hold) : kNoIndex;
}

const char* serverLineName(ServerLine line)
{
    for (const ServerLineName& entry : kServerLineNames) {
        if (entry.line == line) {
            return entry.name;
        }
    }
    return "";
}

std::string formatServerLine(ServerLine line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = formatLineV(line, format, args);
    va_end(args);
    return text;
}

void queueServerLine(ServerLine line, const char* format, ...)
{
    if (!g_sink) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::string text = formatLineV(line, format, args);
    va_end(args);
    g_sink(text);
}

void sendGameMessage(const std::string& text, int kind)
{
    // The client's line reader knows no escapes: a quote would split the text.
    std::string safe = text;
    std::replace(safe.begin(), safe.end(), '"', '\'');
    queueServerLine(ServerLine::Message, "%d \"%s\"", kind, safe.c_str());
}
