#include "game/covenants/CovenantLoaders.h"

#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"

namespace {

template <class T> DefinitionLoader<T> makeLoader()
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

} // namespace

void registerCovenantLoaders()
{
    DefinitionLoaders& l = GameData::loaders();
    l.covenantTraits = makeLoader<CovenantTrait>();
    l.covenantDefinitions = makeLoader<CovenantDefinition>();
    l.describeCovenant = [](const CovenantBase* covenant, std::string& name, int& colorIndex) {
        name = covenant->getDisplayName();
        colorIndex = covenant->getColorType();
    };
}
