#include "game/world/ServerLink.h"

#include "engine/core/StringUtil.h"

#include <algorithm>

namespace {
ServerLink::LineSink g_sink;
ServerLink::ResourceNamer g_namer;
int g_token = 0;
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

void queueClientCommand(const std::string& line)
{
    ServerLink::queueClientCommand(line);
}

void sendGameMessage(const std::string& text, int kind)
{
    // The client's line reader knows no escapes: a quote would split the text.
    std::string safe = text;
    std::replace(safe.begin(), safe.end(), '"', '\'');
    queueClientCommand(formatString("msg %d \"%s\"", kind, safe.c_str()));
}
