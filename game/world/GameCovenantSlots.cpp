#include "game/world/Game.h"

#include "game/covenants/Covenant.h"
#include "game/entities/Player.h"

int Game::replaceCovenant(int index, std::unique_ptr<Covenant> covenant)
{
    if (!covenant || index < 0 || index >= getCovenantCount() || !m_covenants[static_cast<size_t>(index)])
        return -1;
    Covenant* old = m_covenants[static_cast<size_t>(index)].get();
    for (int i = 0; i < kMaxEntities; ++i) {
        Entity* entity = getEntity(i);
        if (entity && entity->getCovenantIndex() == index && !dynamic_cast<Player*>(entity))
            deleteEntity(entity, true);
    }
    for (const auto& other : m_covenants)
        if (other && other.get() != old)
            other->clearPendingOffer(old, false);
    resetRelationStatesWith(index);
    resetRelationSubStatesWith(index);
    covenant->index = index;
    m_covenants[static_cast<size_t>(index)] = std::move(covenant);
    return index;
}
