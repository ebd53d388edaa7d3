#pragma once

#include <functional>
#include <string>

// An on-screen text of the client (a notice, a quest announcement, a log
// line) on the 640 x 480 virtual screen, handed to the installed sink: the
// frame's text drawing, or a test's recorder.
struct ClientTextEvent {
    std::string text;
    float x = 0.0f;
    float y = 0.0f;
    float lifetime = 0.0f;
    int kind = 0;
    bool centred = false;
    // Kept beside earlier events of its kind instead of replacing them.
    bool alwaysNew = false;
};

using ClientTextEventSink = std::function<void(const ClientTextEvent& event)>;
