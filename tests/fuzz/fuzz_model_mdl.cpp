// Fuzzes the model file reader (.mdl text) and the queries on what it read.
#include "engine/core/DebugSystem.h"
#include "engine/resources/ModelResource.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    auto model = ModelResource::parse("Models/fuzz/fuzz.mdl", data, size);
    if (!model) {
        __builtin_trap(); // the text reader always gives a model
    }
    for (int i = 0; i < model->getNumAnimations(); ++i) {
        const ModelAnimation* anim = model->getAnimation(i);
        model->pickAnimation(anim->name);
        ModelAnimation::getEventFrame(anim, "attackMarker");
        anim->getDuration();
        anim->getSpriteTexture(i, i);
        size_t cursor = 0;
        while (anim->findNextEvent(-1, 1000, cursor)) {
        }
    }
    for (int y = -1; y <= model->getFootprintHeight(); ++y) {
        for (int x = -1; x <= model->getFootprintWidth(); ++x) {
            model->isFootprintBlocked(x, y);
        }
    }
    model->findAttachPoint("tag");
    model->addTag();
    model->removeTag(0);
    debug->clearRecentLines();
    return 0;
}
