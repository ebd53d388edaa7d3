#pragma once

class ByteBuffer;

// A count-down with a random length, owned by value. Owners set min and max
// directly and clear running to stop it; expiry is asked, never signalled.
struct Timer {
    bool running = false;
    // Set by the owner once the timer is in its TimerList; not stored.
    bool listed = false;
    float min = 0.0f;
    float max = 0.0f;
    float duration = 0.0f;
    float remaining = 0.0f;

    // Draws a length in [min, max) from random stream 0 and starts.
    void startRandom();
    // Starts for exactly that many seconds.
    void start(float seconds)
    {
        duration = seconds;
        remaining = seconds;
        running = true;
    }
    // A running timer loses dt seconds, stopping at 0.
    void advance(float dt);
    bool isExpired() const { return running && remaining <= 0.0f; }

    // 20 bytes: u32 running, f32 min, max, duration, remaining.
    void write(ByteBuffer& out) const;
    // A failed or short read leaves the timer as it was; returns success.
    bool read(ByteBuffer& in);
};
