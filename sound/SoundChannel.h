#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/ZonePosition3.h"
#include "engine/resources/ResourceHandle.h"

struct SoundStream;

// One slot of the sound system's table of playing sounds. Channels 0 and 1
// carry music, 2 to 255 everything else.
class SoundChannel {
public:
    int index = 0;
    int source = -1;
    int handle = -1; // the driver's bind result, -1 refused
    bool inUse = false;
    float minDist = 64.0f;
    float maxDist = 10000.0f;
    float volume = 1.0f; // the sound's own gain before the category volume
    int sampleRate = 0;
    float pitch = 1.0f;
    int owner = -1;
    int soundId = 0; // -2 is the ambient base sound
    int soundClass = 0;
    unsigned buffer = 0;
    SoundStream* stream = nullptr;
    bool looping = false;
    ZonePosition3 position;
    bool fadingOut = false;
    bool fadingIn = false;
    GameTime fadeStamp;
    float fadeRate = 0.0f;   // volume units per second, negative fading out
    float fadeTarget = 0.0f; // where a fade-in stops
    ResourceHandle resource;

    // Fades out over the seconds (one second for 0 or less), then stops.
    void fadeOut(float seconds);
    // Back to the defaults of a new play (the resource is kept until the
    // next play replaces it).
    void reset();
};
