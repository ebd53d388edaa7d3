#include "game/ai/CorpseSearch.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/entities/Actor.h"

#include <string>

const DatabaseEntry* resolveBehaviorEntry(const DatabaseEntry* dataEntry, const char* key)
{
    const Database* db = Database::instance();
    if (!db || !dataEntry) {
        return nullptr;
    }
    std::string name = db->getString(dataEntry, key);
    if (name.empty()) {
        return nullptr;
    }
    const DatabaseEntry* entry = db->findEntry(name);
    if (!entry) {
        debugPrint(3, "%s:%d: %s names no entry %s\n", dataEntry->getFileName().c_str(), dataEntry->getLine(),
                   key, name.c_str());
    }
    return entry;
}

bool isLyingDead(const Actor* actor)
{
    return actor && actor->isDead() && actor->getDeathState() < Actor::kGone;
}
