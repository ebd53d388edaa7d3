#include "ui/widgets/StatusEffectData.h"

#include "client/mirrors/StatusEffectClient.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/DefinitionReader.h"
#include "ui/UIDrawing.h"
#include "ui/UISystem.h"

void StatusEffectData::loadFromDatabase()
{
    if (id == 0) {
        texture.release();
        return;
    }
    std::string name = DefinitionReader(getEntry()).getString("TextureName");
    UISystem* ui = UISystem::instance();
    UIDrawing* drawing = ui ? ui->getDrawing() : nullptr;
    if (drawing && !name.empty()) {
        texture = drawing->acquireImage(name, 6);
    } else {
        texture.release();
    }
}

void StatusEffectData::setEffect(const StatusEffectClient* shown)
{
    if (!shown) {
        effect = nullptr;
        id = 0;
        texture.release();
        return;
    }
    effect = shown;
    const DatabaseEntry* entry = shown->getEntry();
    int newId = entry ? entry->getId() : 0;
    if (newId == id) {
        return;
    }
    id = newId;
    setEntry(entry, entry ? entry->getName() : std::string());
    loadFromDatabase();
}

void StatusEffectData::copyFrom(const StatusEffectData& other)
{
    id = other.id;
    effect = other.effect;
    texture = other.texture;
    setEntry(other.getEntry(), other.getEntryName());
}
