#pragma once

#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"

// The loader of a definition that reads itself from its entry: created with
// new, given its entry and entry name, then loadFromDatabase(); never dropped.
template <class T> DefinitionLoader<T> simpleDataLoader()
{
    DefinitionLoader<T> loader;
    loader.create = []() -> T* { return new T(); };
    loader.load = [](T* definition, const DatabaseEntry* entry) {
        definition->setEntry(entry, DefinitionReader(entry).entryName());
        definition->loadFromDatabase();
        return true;
    };
    loader.destroy = [](T* definition) { delete definition; };
    return loader;
}
