#include "game/definitions/AttachmentDefinition.h"

#include "game/definitions/DefinitionReader.h"

void AttachmentDefinition::load(const DatabaseEntry* entry)
{
    m_entry = entry;
    DefinitionReader r(entry);
    m_entryName = r.entryName();
    modelName = r.getString("ModelName");
    skinName = r.getString("SkinName");
    tagName = r.getString("TagName");
    scale = r.getFloat("Scale", 1.0f);
}
