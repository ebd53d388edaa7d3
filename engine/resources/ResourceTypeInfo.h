#pragma once

#include "engine/resources/Resource.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Builds a resource from its file image; runs on the loader thread. A null
// result means the file was unusable (the type's placeholder is used then).
using ResourceFactory = std::function<std::unique_ptr<Resource>(const std::string& fileName,
                                                                const uint8_t* data, size_t size, int flags)>;
// Builds the stand-in object for a file that cannot be read or parsed.
using ResourcePlaceholderFactory = std::function<std::unique_ptr<Resource>(const std::string& fileName)>;
// Builds a resource from its name and load flags alone, for types without a
// file; runs on the loader thread without the table's lock.
using ResourceNameFactory = std::function<std::unique_ptr<Resource>(const std::string& name, int flags)>;
// Names the entry (an index) that has to be built before this one, -1 for
// none. Asked before every build, without the table's lock.
using ResourceReadinessCheck = std::function<int(const std::string& name, int flags)>;

// Reads a whole file for one type; false when it cannot be read.
using ResourceFileReader = std::function<bool(const std::string& name, std::vector<uint8_t>& out)>;

// One resource type, chosen by the file name's extension.
struct ResourceTypeInfo {
    std::string extension; // without the dot, compared without regard to case
    ResourceFactory factory;
    ResourcePlaceholderFactory placeholderFactory; // may be empty: no object then
    int memoryCategory = 1;                        // "General"
    bool keepImage = false;                        // the object keeps the file bytes
    std::string subTypeName;
    // When the file cannot be read or the factory refuses it, the same name
    // with this extension is built through that extension's type (one level)
    // before the placeholder; the entry keeps its own name.
    std::string standsInFor;
    // Reads this type's files instead of the manager's reader (may be empty).
    ResourceFileReader fileReader;
    // Set for types without a file: the entry is built from its name.
    ResourceNameFactory nameFactory;
    ResourceReadinessCheck readinessCheck;
    // The load flags are part of the entry's key: one name asked for with
    // two flag values gives two entries.
    bool flagsInKey = false;
};
