#pragma once

#include <string>

// A text shown over the game view for a while, then faded out. Times are
// seconds of the engine clock.
struct TextEvent {
    std::string text;
    float x = 0.0f, y = 0.0f; // top-left after centring
    double fadeStart = 0.0;   // full opacity until then
    double removeAt = 0.0;    // fadeStart + 1 second
    int kind = 0;
    int stacked = 0;     // 1: always new, drawn under earlier ones of its kind
    int orientation = 0; // 1: the given position was the centre
    bool visible = true; // a log line stays, invisible, after it fades
};
