#pragma once

#include "engine/resources/Resource.h"
#include "engine/resources/ResourceHandle.h"

#include <memory>
#include <string>

class TextReader;

// A swipe trail read from a ".swp" file under "Effects/".
class SwipeDefinition : public Resource {
public:
    static std::unique_ptr<SwipeDefinition> create(const std::string& fileName, const uint8_t* data,
                                                   size_t size);
    static void parse(TextReader& reader, SwipeDefinition& d, const std::string& fileName);
    std::string describe() const override;

    ResourceHandle shader;
    bool additive = false;
    float maxAge = 1.0f; // seconds a trail point lives
    float alpha = 1.0f;
    float colour[3] = {1.0f, 1.0f, 1.0f};
    float updateTime = 0.05f; // seconds between trail points
};
