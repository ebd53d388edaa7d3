#pragma once

#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Sentient.h"

#include <cstddef>

// Gives the character the class and the class's five start attributes, as a
// new character of that class begins; stats are left for the caller to update.
inline void giveClassStart(Sentient& s, CharacterClassType type)
{
    s.setCharacterClass(toIndex(type));
    const CharacterClass* c = s.getCharacterClass();
    if (!c)
        return;
    for (int i = 0; i < 5; ++i)
        s.setStat(toIndex(CharacterStat::BaseStrength) + i, c->startAttributes[static_cast<size_t>(i)]);
}
