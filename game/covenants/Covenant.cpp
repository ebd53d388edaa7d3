#include "game/covenants/Covenant.h"

#include "game/definitions/GameEnums.h"

bool Covenant::isRaiding() const
{
    return raidTarget != -1 && getRelationState(raidTarget) == static_cast<int>(CovenantTreaty::Raid);
}
