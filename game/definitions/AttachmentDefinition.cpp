#include "game/definitions/AttachmentDefinition.h"

#include "game/definitions/DefinitionReader.h"

void AttachmentDefinition::load(const DatabaseEntry* entry, int index)
{
    bindEntry(entry, index);
    DefinitionReader r(entry);
    modelName = r.getString("ModelName");
    skinName = r.getString("SkinName");
    tagName = r.getString("TagName");
    scale = r.getFloat("Scale", 1.0f);
}
