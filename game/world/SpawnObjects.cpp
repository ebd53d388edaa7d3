#include "game/entities/Chest.h"
#include "game/world/SpawnSystem.h"

void SpawnSystem::dropChestItems(const Chest* chest, float countBonus, int moneyBonus, int magicChance) const
{
    if (!chest) {
        return;
    }
    // Chest contents always land on the ground.
    dropItems(chest->getPosition(), chest->getItemChance(), chest->getMinItems(), chest->getMaxItems(),
              chest->getLevel(), countBonus, chest->getIncreasedMagicChance() + magicChance, moneyBonus, 1.0f,
              nullptr);
}
