#pragma once

#include "engine/resources/Resource.h"
#include "engine/resources/ResourceHandle.h"

#include <memory>
#include <string>

class TextReader;

// A jagged beam read from a ".bem" file under "Effects/".
class BeamDefinition : public Resource {
public:
    // Longest beam drawn, in segments: its ends come from other entities.
    static constexpr int kMaxSegments = 256;

    static std::unique_ptr<BeamDefinition> create(const std::string& fileName, const uint8_t* data,
                                                  size_t size);
    static void parse(TextReader& reader, BeamDefinition& d, const std::string& fileName);
    std::string describe() const override;

    ResourceHandle shader;
    bool linked = false;
    bool additive = false;
    bool fade = false;
    float size = 1.0f;
    float maxAge = 1.0f; // seconds a stopped beam takes to fade out
    float alpha = 1.0f;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    float length = 100.0f;
    int segmentCount = 0;
    float segmentLength = 0.0f;
    float minOffset = 0.0f;
    float maxOffset = 0.0f;
    float startSize = -1.0f;
    float endSize = -1.0f;
    float changeTime = 0.1f;
    bool alongAxis = true;
    bool endPointsFromEntity = false;
};
