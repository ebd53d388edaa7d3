#include "game/entities/Sentient.h"

#include "engine/core/DebugSystem.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameData.h"

#include <algorithm>

namespace {

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

} // namespace

void Sentient::setCharacterClass(int index)
{
    // Both looked up first: a failure changes nothing.
    const GameData* data = GameData::instance();
    const CharacterClass* record = data ? data->findCharacterClassById(index) : nullptr;
    const DatabaseEntry* entry = index >= 0 && index < kCharacterClassTypeCount
                                     ? DefinitionReader::findEntry("Class" + getCharacterClassTypeName(index))
                                     : nullptr;
    if (!record || !entry) {
        debugPrint(3, "Unknown class index %d\n", index);
        return;
    }
    m_class = record;
    m_baseSpeed = DefinitionReader(entry).getInt("BaseSpeed");
    for (int t = 0; t < std::min(record->getSkillTreeCount(), CharacterClass::kMaxSkillTrees); ++t) {
        int n = record->skillTrees[static_cast<size_t>(t)].skillCount;
        for (int i = 0; i < kSkillStatsPerTree; ++i)
            m_stats.set(toIndex(skillStat(t, i)), i < n ? 1 : 0);
    }
    m_stats.set(stat(CharacterStat::Class), index);
    if (usesClassEntry() && getEntry() != entry) {
        SimpleData::setEntry(entry, entry->getName());
        loadFromDatabase();
    }
    if (!record->modelName.empty())
        setModel(record->modelName);
}

void Sentient::levelUp()
{
    const int level = stat(CharacterStat::Level);
    m_stats.set(level, std::min(100, m_stats.get(level) + 1));
    if (m_class) {
        const GameData* data = GameData::instance();
        for (int i = 0; i < kBaseAttributeCount; ++i) {
            int value = m_stats.get(stat(CharacterStat::BaseStrength) + i) +
                        m_class->attributesPerLevel[static_cast<size_t>(i)];
            int cap = data ? data->rules().maxBaseAttributes[static_cast<size_t>(i)] : 0;
            if (cap >= 1)
                value = std::min(value, cap);
            m_stats.set(stat(CharacterStat::BaseStrength) + i, value);
        }
    }
    updateStats(false);
    if (m_maxHealth < 1 || m_health > 0) {
        m_health = m_maxHealth;
        if (m_class && m_class->maxPowerOnLevelUp)
            m_stats.set(stat(CharacterStat::Power), m_stats.get(stat(CharacterStat::MaxPower)));
    }
    // The level-up model of covenant members joins with the covenant code.
}
