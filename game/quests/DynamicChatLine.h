#pragma once

#include <cstdint>
#include <string>

class ByteBuffer;

// A chat line handed to a town character for a while after an event; the key
// is the NPC type that says it. A line with no seconds left is free.
struct DynamicChatLine {
    uint32_t key = 0;
    std::string text;
    float secondsLeft = 0.0f;

    // u32 key, the text with its terminating zero, f32 seconds left.
    void write(ByteBuffer& buffer) const;
    // False, the line untouched, when the bytes run out or the seconds are
    // not finite (such a line would never expire).
    bool read(ByteBuffer& buffer);
};
