#pragma once

#include <string>

class DatabaseEntry;

// A model attached to an object at a tag (database entry type "Attachment").
class AttachmentDefinition {
public:
    void load(const DatabaseEntry* entry);

    const DatabaseEntry* getEntry() const { return m_entry; }
    const std::string& getEntryName() const { return m_entryName; }

    std::string modelName;
    std::string skinName;
    std::string tagName;
    float scale = 1.0f;

private:
    const DatabaseEntry* m_entry = nullptr;
    std::string m_entryName;
};
