#include "game/covenants/CovenantNames.h"

#include "engine/core/ColorCodes.h"
#include "game/covenants/CovenantBase.h"

std::string coloredName(const CovenantBase* covenant)
{
    if (!covenant)
        return std::string();
    return formatColorCode(covenant->getColorType()) + covenant->getDisplayName() + formatColorCode(145);
}
