#include "engine/resources/TextResource.h"

#include "engine/resources/ResourceSystem.h"

void TextResource::registerType(ResourceSystem& resources)
{
    ResourceTypeInfo info;
    info.extension = "txt";
    info.factory = [](const std::string&, const uint8_t* data, size_t size, int) {
        return std::make_unique<TextResource>(data, size);
    };
    info.placeholderFactory = [](const std::string&) { return std::make_unique<TextResource>(nullptr, 0); };
    resources.registerType(std::move(info));
}
