#include "engine/core/Random.h"
#include "game/world/SpawnSystem.h"

#include <algorithm>
#include <cmath>

namespace {

// The integer part of a random value × 100, 99 at most.
int rollPercent()
{
    return std::min(static_cast<int>(randomFloat(0) * 100.0f), 99);
}

} // namespace

std::array<float, kItemRarityCount> SpawnSystem::adjustedRarityChances(int increasedMagicChance) const
{
    std::array<float, kItemRarityCount> adjusted{};
    // The increase carries over the cap of a rarity into the next one.
    float f = 1.0f + static_cast<float>(increasedMagicChance) * 0.01f;
    for (int k = 1; k < kItemRarityCount; ++k) {
        const float c = static_cast<float>(m_itemRarityChance[static_cast<size_t>(k)]);
        float value = c;
        if (f > 1.0f) {
            const float cap = std::max(c, 75.0f);
            const float v = f * c;
            if (v > cap) {
                value = cap;
                f = v / cap;
            } else {
                value = v;
                f = 1.0f;
            }
        }
        adjusted[static_cast<size_t>(k)] = value;
    }
    return adjusted;
}

ItemRarity SpawnSystem::rollItemRarity(int increasedMagicChance, ItemRarity startRarity) const
{
    const std::array<float, kItemRarityCount> adjusted = adjustedRarityChances(increasedMagicChance);
    int rarity = std::clamp(static_cast<int>(startRarity), 0, kItemRarityCount - 1);
    for (int k = rarity + 1; k < kItemRarityCount; ++k) {
        const float x = randomFloat(0) * 100.0f;
        if (!(adjusted[static_cast<size_t>(k)] > x)) {
            break;
        }
        rarity = k;
    }
    return static_cast<ItemRarity>(rarity);
}

int SpawnSystem::rollItemLevel(int baseLevel, int minSpread, int maxSpread, ItemRarity rarity,
                               float aboveBaseChance, int maxAboveBase) const
{
    const int r = rollPercent();
    int low = 0;
    int high = 0;
    if (aboveBaseChance > static_cast<float>(r)) {
        low = baseLevel + 1;
        high = baseLevel + maxAboveBase;
    } else {
        int s = 0;
        if (m_spreads.maxNormalItemLevel > 0) {
            const float share =
                static_cast<float>(baseLevel) / static_cast<float>(m_spreads.maxNormalItemLevel);
            s = static_cast<int>(std::floor(share * static_cast<float>(maxSpread - minSpread) + 0.5f));
        }
        const float mult = m_levelSpreadMult[static_cast<size_t>(std::clamp(static_cast<int>(rarity), 0, 7))];
        const int d = static_cast<int>(std::floor(static_cast<float>(s + m_spreads.minLevelSpread) * mult));
        low = baseLevel - d;
        high = baseLevel;
    }
    low = std::clamp(low, LevelTable::kMinLevel, LevelTable::kMaxLevel);
    high = std::clamp(high, low, LevelTable::kMaxLevel);
    const int n = high - low + 1;
    const int k = static_cast<int>(randomFloat(0) * static_cast<float>(n));
    return k >= n ? high : low + k;
}
