#pragma once

#include "engine/core/StringUtil.h"

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

    // A line as it is, for tests and the formatters below: the rules send
    // theirs through `queueServerLine`.
    static void queueClientCommand(const std::string& line);
    static uint32_t registerResourceName(const std::string& fileName, bool hold = false);
};

// Every command line the server sends its clients. Each is a client command
// of that name; the rules format a line only through `queueServerLine`, so
// this table is the whole list. One entry a line, in this form: the format
// tests read it.
enum class ServerLine {
    Message,
    Damage,
    Timer,
    ItemTimer,
    UsedSkill,
    Warp,
    WarpDir,
    NpcChat,
    OfferToPlayer,
    DiplomacyResult,
    OfferExpired,
};

struct ServerLineName {
    ServerLine line;
    const char* name;
};

inline constexpr ServerLineName kServerLineNames[] = {
    {ServerLine::Message, "msg"},
    {ServerLine::Damage, "dmg"},
    {ServerLine::Timer, "timer"},
    {ServerLine::ItemTimer, "itemTimer"},
    {ServerLine::UsedSkill, "usedSkill"},
    {ServerLine::Warp, "warp"},
    {ServerLine::WarpDir, "warpDir"},
    {ServerLine::NpcChat, "npcChat"},
    {ServerLine::OfferToPlayer, "offerToPlayer"},
    {ServerLine::DiplomacyResult, "dipRes"},
    {ServerLine::OfferExpired, "offerExpired"},
};

const char* serverLineName(ServerLine line);
// "<name> <arguments>", the arguments printf-formatted.
std::string formatServerLine(ServerLine line, const char* format, ...) GLOAM_PRINTF(2, 3);
// Appends the formatted line for every client's next state message (nothing
// without a server).
void queueServerLine(ServerLine line, const char* format, ...) GLOAM_PRINTF(2, 3);
// "msg <kind> \"<text>\"", with every double quote of the text made a single one.
void sendGameMessage(const std::string& text, int kind);
