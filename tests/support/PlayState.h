#pragma once

// What play meets of a saved record, as text to compare before a save and
// after its read back: a quest's goal, counts, target level roll, rewards,
// deadline and end; a sentient's level, health, attack and effects; a
// house's guard contracts, guards and relics.
#include "engine/core/GameTime.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Sentient.h"
#include "game/quests/QuestBase.h"
#include "game/skills/StatusEffect.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

inline std::string gameTimeText(const GameTime& t)
{
    std::ostringstream out;
    out << t.days << 'd' << t.hours << 'h' << t.minutes << 'm' << t.seconds << 's';
    return out.str();
}

inline std::string questState(const QuestBase& q)
{
    std::ostringstream out;
    out << getQuestTypeName(q.type) << " level " << q.level << " goal " << q.progress << '/' << q.goal
        << " needed";
    for (const QuestTarget& t : q.targets)
        out << ' ' << t.count << '/' << t.needed;
    out << " place roll " << q.placeRoll << " xp " << q.xpReward << " money " << q.moneyReward << " deadline "
        << gameTimeText(q.deadline) << (q.isComplete() ? " complete" : "") << (q.failed ? " failed" : "");
    return out.str();
}

inline std::string sentientState(const Sentient* s)
{
    if (!s)
        return "none";
    std::vector<std::string> effects;
    for (const StatusEffect* e : s->getStatusEffects())
        if (e && !e->ended && e->getEntry())
            effects.push_back(e->getEntry()->getName());
    std::sort(effects.begin(), effects.end());
    std::ostringstream out;
    out << "level " << s->getStat(toIndex(CharacterStat::Level)) << " health " << s->getHealth() << '/'
        << s->getMaxHealth() << " attack " << s->getStat(toIndex(CharacterStat::Attack)) << " effects";
    for (const std::string& name : effects)
        out << ' ' << name;
    return out.str();
}

// The guards' contracts and the guards standing at the house with their
// health, and the relics shown.
inline std::string houseState(const Covenant& c)
{
    std::ostringstream out;
    for (int slot = 0; slot < Covenant::kGuardSlots; ++slot) {
        if (const ItemBase* contract = c.getHouseItem(slot); contract && contract->getGuardType())
            out << " contract " << slot << (contract->hasBrokenFree() ? " broken free" : "");
        if (const auto* guard = dynamic_cast<const Sentient*>(c.getGuard(slot)))
            out << " guard " << slot << ": " << (guard->isDead() ? "dead " : "") << guard->getHealth() << '/'
                << guard->getMaxHealth();
    }
    for (int slot = Covenant::kGuardSlots; slot < 2 * Covenant::kGuardSlots; ++slot)
        if (const auto* shown = dynamic_cast<const ItemGround*>(c.getRelicDisplay(slot)))
            out << " relic " << slot << ": "
                << (shown->getGroundItem() ? shown->getGroundItem()->getEntryName() : "none");
    return out.str();
}
