#pragma once

#include "engine/resources/Resource.h"

#include <string>

class ResourceSystem;

// A text file's bytes and their count (help texts, menus read through the
// resource manager). Registered for "txt".
class TextResource : public Resource {
public:
    TextResource(const uint8_t* data, size_t size) : m_text(reinterpret_cast<const char*>(data), size) {}

    const std::string& getText() const { return m_text; }
    const char* getData() const { return m_text.data(); }
    size_t getSize() const { return m_text.size(); }

    static void registerType(ResourceSystem& resources);

private:
    std::string m_text;
};
