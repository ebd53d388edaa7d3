#pragma once

#include <cstdint>
#include <functional>
#include <string>

// What the rules need of the server that runs them, and nothing more: a sink
// for the command lines every client gets in its next state message, and a
// namer that gives a resource file its index in the name table clients are
// told (keeping the resource loaded when asked). The server fills both when
// it starts and empties them when it goes; without a server a line goes
// nowhere and a name has no index.
class ServerLink {
public:
    static constexpr uint32_t kNoIndex = 0xFFFFFFFFu;

    using LineSink = std::function<void(const std::string& line)>;
    // (file name, keep loaded) → index, or kNoIndex.
    using ResourceNamer = std::function<uint32_t(const std::string& fileName, bool hold)>;

    // Returns a token for `clear`, so a server that went away cannot empty
    // the link that a newer one filled.
    static int install(LineSink sink, ResourceNamer namer);
    static void clear(int token);
    static bool isInstalled();

    static void queueClientCommand(const std::string& line);
    static uint32_t registerResourceName(const std::string& fileName, bool hold = false);
};

// Appends a line for every client's next state message (nothing without a server).
void queueClientCommand(const std::string& line);
// "msg <kind> \"<text>\"", with every double quote of the text made a single one.
void sendGameMessage(const std::string& text, int kind);
