#include "game/world/NpcDisplayName.h"

#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Player.h"

namespace {
// The one-shot NPC type shows no type.
constexpr int kOneShotNpc = static_cast<int>(NpcType::OneShot);
} // namespace

std::string getNpcDisplayName(const Entity* entity)
{
    if (!entity)
        return std::string();
    const auto* actor = dynamic_cast<const Actor*>(entity);
    const auto* player = dynamic_cast<const Player*>(entity);
    std::string name = player ? player->getName() : actor ? actor->getName() : entity->getEntryName();
    if (const Covenant* covenant = entity->getCovenant()) {
        name += " (" + coloredName(covenant) + ")";
    } else if (actor) {
        const int type = actor->getNpcType();
        if (type > 0 && type != kOneShotNpc)
            name += " ($$NpcType" + getNpcTypeName(type) + "$$)";
    }
    return name;
}
