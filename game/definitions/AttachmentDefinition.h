#pragma once

#include "game/definitions/EntryDefinition.h"

#include <string>

class DatabaseEntry;

// A model attached to an object at a tag (database entry type "Attachment").
class AttachmentDefinition : public EntryDefinition {
public:
    void load(const DatabaseEntry* entry, int index = -1);

    std::string modelName;
    std::string skinName;
    std::string tagName;
    float scale = 1.0f;
};
