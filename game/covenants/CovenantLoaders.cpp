#include "game/covenants/CovenantLoaders.h"

#include "game/covenants/CovenantBase.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/CovenantTrait.h"
#include "game/definitions/GameData.h"
#include "game/definitions/SimpleDataLoader.h"

void registerCovenantLoaders()
{
    DefinitionLoaders& l = GameData::loaders();
    l.covenantTraits = simpleDataLoader<CovenantTrait>();
    l.covenantDefinitions = simpleDataLoader<CovenantDefinition>();
    l.describeCovenant = [](const CovenantBase* covenant, std::string& name, int& colorIndex) {
        name = covenant->getDisplayName();
        colorIndex = covenant->getColorType();
    };
}
