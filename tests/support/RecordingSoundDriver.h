#pragma once

// A sound driver that records every call in order and answers isPlaying as
// the test scripts it (playing unless told otherwise).
#include "sound/SoundDriver.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

class RecordingSoundDriver : public SoundDriver {
public:
    explicit RecordingSoundDriver(int sources = 256) : m_sources(sources) {}

    std::vector<std::string> calls;
    bool initResult = true;
    std::set<int> stopped; // sources whose isPlaying answers false
    std::map<int, float> gain;
    std::map<int, float> pitch;
    std::map<int, Vec3> referenceDistance;
    std::vector<float> masterGains;
    std::vector<ZonePosition3> listeners;
    int updateStreamsCalls = 0;
    bool refuseBind = false;
    bool open = false;

    void clear() { calls.clear(); }
    size_t count(const std::string& prefix) const
    {
        return static_cast<size_t>(std::count_if(
            calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }
    bool has(const std::string& call) const
    {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    bool init() override
    {
        log("init()");
        open = initResult;
        return initResult;
    }
    void shutdown() override
    {
        log("shutdown()");
        open = false;
    }
    int getSourceCount() const override { return m_sources; }
    void postInit() override { log("postInit()"); }
    void setSpeakerType(int type) override { log("setSpeakerType(" + std::to_string(type) + ")"); }
    float getCpuUsage() const override { return 0.0f; }
    int getPlayingSourceCount() override { return 0; }
    void updateStreams() override
    {
        ++updateStreamsCalls;
        log("updateStreams()");
    }
    void setMasterGain(float g) override
    {
        masterGains.push_back(g);
        log("setMasterGain(" + fmt(g) + ")");
    }
    void setListener(const ZonePosition3& p) override { listeners.push_back(p); }
    void stopSource(int s, SoundStream*) override { log("stopSource(" + std::to_string(s) + ")"); }
    void stopAndDetach(int s) override { log("stopAndDetach(" + std::to_string(s) + ")"); }
    void setSourceGain(int s, float g) override
    {
        gain[s] = g;
        log("setSourceGain(" + std::to_string(s) + "," + fmt(g) + ")");
    }
    void setSourcePosition(int s, const ZonePosition3& p) override
    {
        positions[s] = p;
        log("setSourcePosition(" + std::to_string(s) + ")");
    }
    void setReferenceDistance(int s, float minDist, float maxDist) override
    {
        referenceDistance[s] = Vec3{minDist, maxDist, 0.0f};
        log("setReferenceDistance(" + std::to_string(s) + "," + fmt(minDist) + ")");
    }
    void setPitch(int s, int, float p) override
    {
        pitch[s] = p;
        log("setPitch(" + std::to_string(s) + "," + fmt(p) + ")");
    }
    bool isPlaying(int s) override { return !stopped.count(s); }
    void setLooping(int s, bool loop) override
    {
        log("setLooping(" + std::to_string(s) + "," + (loop ? "1" : "0") + ")");
    }
    void setStreamLooping(int s, SoundStream*, bool loop) override
    {
        log("setStreamLooping(" + std::to_string(s) + "," + (loop ? "1" : "0") + ")");
    }
    unsigned createBuffer(const uint8_t*, size_t, const PcmDescription&) override { return ++m_nextBuffer; }
    SoundStream* createStream(const uint8_t* data, size_t size) override
    {
        // The music resource owns the handle and frees it.
        return new SoundStream{data, size};
    }
    int bindBufferSource(int s, unsigned) override { return refuseBind ? -1 : s; }
    void playBuffer(int s, unsigned buffer) override
    {
        stopped.erase(s);
        log("playBuffer(" + std::to_string(s) + "," + std::to_string(buffer) + ")");
    }
    int bindStreamSource(int s, SoundStream*) override { return refuseBind ? -1 : s; }
    void playStream(int s, SoundStream*) override
    {
        stopped.erase(s);
        log("playStream(" + std::to_string(s) + ")");
    }
    void deleteBuffer(unsigned b) override { log("deleteBuffer(" + std::to_string(b) + ")"); }
    void freeStream(SoundStream*) override {}
    bool pause(int) override { return true; }
    bool resume(int) override { return true; }
    void getSourceRange(int soundClass, int& first, int& count) const override
    {
        if (soundClass >= 0 && soundClass <= 2) {
            first = 2;
            count = std::max(0, m_sources - 2);
        } else if (soundClass == 3) {
            first = 0;
            count = std::min(2, m_sources);
        } else {
            first = count = 0;
        }
    }
    bool allowsSharedStreams() const override { return true; }
    bool isPositionalClass(int soundClass) const override { return soundClass == 0 || soundClass == 2; }

    std::map<int, ZonePosition3> positions;

private:
    static std::string fmt(float v)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", v);
        return text;
    }
    void log(const std::string& call) { calls.push_back(call); }

    int m_sources;
    unsigned m_nextBuffer = 100;
};
