// Fuzzes the tags reader (.tag); once written and read back, the text must
// stay the same.
#include "engine/core/DebugSystem.h"
#include "engine/resources/TagsResource.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    auto tags = TagsResource::parse("fuzz.tag", data, size);
    std::string once = TagsResource::format(tags->getTags());
    auto again = TagsResource::parse("once.tag", reinterpret_cast<const uint8_t*>(once.data()), once.size());
    std::string twice = TagsResource::format(again->getTags());
    auto third =
        TagsResource::parse("twice.tag", reinterpret_cast<const uint8_t*>(twice.data()), twice.size());
    if (TagsResource::format(third->getTags()) != twice) {
        __builtin_trap();
    }
    debug->clearRecentLines();
    return 0;
}
