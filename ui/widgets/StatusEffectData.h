#pragma once

#include "engine/object/SimpleData.h"
#include "engine/resources/ResourceHandle.h"

class StatusEffectClient;

// One status-effect icon: the effect shown, its entry id and its image.
class StatusEffectData : public SimpleData {
public:
    // Reads the entry's "TextureName" and acquires it; id 0 releases the image.
    void loadFromDatabase() override;
    // A new entry id loads it; the same id changes nothing; none clears.
    void setEffect(const StatusEffectClient* effect);
    void copyFrom(const StatusEffectData& other);

    int id = 0;
    const StatusEffectClient* effect = nullptr;
    ResourceHandle texture;
};
