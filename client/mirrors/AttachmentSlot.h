#pragma once

#include "engine/resources/ResourceHandle.h"

#include <string>

// What a mirror shows in one attachment slot: the item entry, the model hung
// on the body (none: an invalid handle), its scale, the body tag it hangs on
// and its glow (0 none, 5 set item, 6 unique, 7 artifact).
struct AttachmentSlot {
    int entry = -1;
    ResourceHandle model;
    float scale = 0.0f;
    std::string tagName;
    int glow = 0;
};

// Copies the entry, a new reference to the model, the scale, the tag and the
// glow (the local player's mirror takes the server mirror's slots).
inline void copyAttachmentSlot(AttachmentSlot& target, const AttachmentSlot& source)
{
    target = source;
}
