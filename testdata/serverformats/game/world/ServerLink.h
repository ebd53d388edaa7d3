#pragma once

struct ServerLineName {
    ServerLine line;
    const char* name;
};

inline constexpr ServerLineName kServerLineNames[] = {
    {ServerLine::Message, "msg"},
    {ServerLine::Shout, "shout"},
    {ServerLine::Damage, "dmg"},
};
