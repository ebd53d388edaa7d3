#include "game/covenants/CovenantTrait.h"

#include "engine/core/DebugSystem.h"
#include "game/definitions/DefinitionReader.h"

namespace {

// The entry a key names; null for an empty text, and with a level-2 line for
// a name that no entry has.
const DatabaseEntry* readEntryRef(const DefinitionReader& r, const char* key)
{
    std::string name = r.getString(key);
    if (name.empty())
        return nullptr;
    const DatabaseEntry* entry = DefinitionReader::findEntry(name);
    if (!entry)
        debugPrint(2, "%s: %s %s names no database entry\n", r.where(key).c_str(), key, name.c_str());
    return entry;
}

} // namespace

CovenantTrait::CovenantTrait()
{
    multipliers.fill(1.0f);
}

void CovenantTrait::loadFromDatabase()
{
    load(getEntry());
}

void CovenantTrait::load(const DatabaseEntry* entry)
{
    DefinitionReader r(entry);
    if (entry && getEntry() != entry)
        setEntry(entry, r.entryName());
    name = r.getString("Name");
    description = r.getString("Desc");
    textureName = r.getString("TextureName");
    statusEffect = readEntryRef(r, "StatusEffect");
    for (int kind = 0; kind < kCovenantMultiplierCount; ++kind) {
        std::string key = "CovMult" + getCovenantMultiplierName(kind, false);
        if (r.has(key))
            multipliers[static_cast<size_t>(kind)] = r.getFloat(key);
    }
    conflictingTrait = readEntryRef(r, "ConflictingTrait");
}

float CovenantTrait::getMultiplier(int kind) const
{
    return kind >= 0 && kind < kCovenantMultiplierCount ? multipliers[static_cast<size_t>(kind)] : 1.0f;
}

bool CovenantTrait::conflictsWithAny(const std::vector<const CovenantTrait*>& traits) const
{
    if (!conflictingTrait)
        return false;
    for (const CovenantTrait* trait : traits)
        if (trait && trait->getEntry() == conflictingTrait)
            return true;
    return false;
}
