#pragma once

#include "engine/resources/Resource.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Builds a resource from its file image; runs on the loader thread. A null
// result means the file was unusable (the type's placeholder is used then).
using ResourceFactory = std::function<std::unique_ptr<Resource>(const std::string& fileName,
                                                                const uint8_t* data, size_t size, int flags)>;
// Builds the stand-in object for a file that cannot be read or parsed.
using ResourcePlaceholderFactory = std::function<std::unique_ptr<Resource>(const std::string& fileName)>;

// One resource type, chosen by the file name's extension.
struct ResourceTypeInfo {
    std::string extension; // without the dot, compared without regard to case
    ResourceFactory factory;
    ResourcePlaceholderFactory placeholderFactory; // may be empty: no object then
    int memoryCategory = 1;                        // "General"
    bool keepImage = false;                        // the object keeps the file bytes
    std::string subTypeName;
};
