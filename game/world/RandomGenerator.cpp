#include "game/world/RandomGenerator.h"

#include "engine/data/EnumNameTable.h"

const EnumNameTable& randomGeneratorTable()
{
    static const EnumNameTable table("RandomGenerator", {"Normal", "Cave", "Dungeon"},
                                     static_cast<int>(RandomGenerator::Normal));
    return table;
}

int lookupRandomGenerator(std::string_view name)
{
    return randomGeneratorTable().lookup(name);
}
