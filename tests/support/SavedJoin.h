#pragma once

#include "engine/core/ByteBuffer.h"
#include "engine/core/ZonePosition.h"
#include "game/covenants/CovenantBase.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Inventory.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/skills/CounterList.h"

#include <string>
#include <vector>

// A saved character's join as a returning client writes it, taken from a
// player of the running game.
struct SavedJoin {
    uint32_t levelId = 0;
    uint32_t worldId = 0;
    std::vector<bool> flags = std::vector<bool>(Player::kFlagCount, false);
    bool positions = true;
    ZonePosition playerGate{0, 100.0f, 200.0f};
    std::vector<bool> visited = {true, false, true};
    uint32_t extended = 1;
    // A saved covenant with these recruit slots (one record for all), and
    // the party's recruit slots.
    std::vector<int> recruitSlots;
    const Recruit* recruit = nullptr;
    std::vector<int32_t> party;
    std::string covenantName = "Red Hand";
    // The saved form even without recruits, with these crystals and stone.
    bool savedCovenant = false;
    int32_t crystals = 0;
    uint32_t stoneHealth = 500;

    void writeCovenant(ByteBuffer& out) const
    {
        if (!recruit && !savedCovenant) {
            out.writeInt(uint32_t(0));
            out.writeString(covenantName);
            return;
        }
        out.writeInt(uint32_t(1));
        out.writeString(covenantName);
        Inventory bags;
        bags.write(out, false);
        out.writeInt(static_cast<uint32_t>(recruitSlots.size()));
        for (int slot : recruitSlots) {
            out.writeInt(static_cast<uint32_t>(slot));
            out.writeInt(recruit->typeEntry);
            recruit->stats.write(out);
            recruit->inventory->write(out, false);
            out.writeInt(static_cast<uint32_t>(recruit->entryList.size()));
            for (int32_t id : recruit->entryList)
                out.writeInt(id);
            out.writeInt(recruit->seed);
            out.writeInt(static_cast<uint32_t>(recruit->skills.size()));
            for (int32_t id : recruit->skills)
                out.writeInt(id);
        }
        CounterList stats(kCovenantStatCount);
        stats.set(toIndex(CovenantStat::Money), crystals);
        stats.write(out);
        out.writeInt(stoneHealth);
        out.writeInt(uint32_t(500));
    }

    ByteBuffer write(Player& from) const
    {
        ByteBuffer out;
        out.writeInt(uint32_t(4));
        writeCovenant(out);
        out.writeInt(uint32_t(1));
        out.writeString(from.getName());
        out.writeInt(from.getMaxHealth());
        out.writeInt(from.getHealth());
        out.writeInt(uint32_t(from.getStat(toIndex(CharacterStat::Class))));
        from.getStats().write(out);
        for (int32_t value : from.getStatistics())
            out.writeInt(value);
        from.getInventory()->write(out, false);
        for (int i = 0; i < Player::kQuestSlots; ++i)
            from.getQuest(i)->write(out, false);
        out.writeBoolVector(flags);
        out.writeInt(uint32_t(positions ? 1 : 0));
        if (positions) {
            out.writeZonePosition(playerGate);
            out.writeZonePosition(ZonePosition(-1, 0.0f, 0.0f));
            out.writeBoolVector(visited);
        }
        out.writeInt(levelId);
        out.writeInt(worldId);
        out.writeInt(extended);
        const size_t gates = from.getGates().getRecords().size();
        for (size_t i = 0; i < gates; ++i)
            out.writeInt(uint32_t(i % 2));
        if (extended != 0) {
            for (size_t i = 0; i < gates; ++i)
                out.writeInt(uint32_t(1));
            out.writeIntVector(party);
        }
        return out;
    }
};
