#pragma once

#include "client/mirrors/QuestClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/ZonePosition.h"
#include "game/definitions/GateList.h"
#include "game/definitions/InventoryBase.h"

#include <string>
#include <vector>

// A character file of any version, written field by field after the
// version table the reader follows (an empty inventory, six empty quests,
// the world's gates with the first activated, no recruits). Stat i holds i,
// statistic i 500 + i.
inline ByteBuffer writeCharacterFileOfVersion(int version, const std::string& name,
                                              const std::vector<GateLocation>& gates)
{
    ByteBuffer out;
    out.writeInt(static_cast<uint32_t>(version));
    out.writeString(name);
    out.writeInt(int32_t(80));
    out.writeInt(int32_t(70));
    out.writeInt(uint32_t(1));
    out.writeInt(uint32_t(2));
    out.writeZonePosition(ZonePosition(-1, 0.0f, 0.0f));
    out.writeZonePosition(ZonePosition(3, 1.5f, 2.5f));
    for (int i = 0; i < (version < 13 ? 111 : 112); ++i)
        out.writeInt(int32_t(i));
    int statistics = version < 23 ? 17 : version < 29 ? 19 : version < 34 ? 24 : 25;
    for (int i = 0; i < statistics; ++i)
        out.writeInt(int32_t(500 + i));
    InventoryBase().write(out, true);
    if (version >= 25)
        out.writeInt(int32_t(1));
    out.writeInt(uint32_t(1));
    for (int32_t v : {1, 6, 0})
        out.writeInt(v);
    if (version >= 20)
        out.writeInt(int32_t(-1));
    for (int q = 0; q < 6; ++q) {
        QuestClient quest;
        quest.reset();
        quest.level = -1;
        quest.write(out, version >= 38);
    }
    out.writeBoolVector({true, false});
    for (int list = 0; list < 2; ++list) {
        out.writeInt(static_cast<uint32_t>(gates.size()));
        for (size_t i = 0; i < gates.size(); ++i) {
            out.writeInt(static_cast<uint32_t>(gates[i].levelId));
            if (version >= 14)
                out.writeInt(static_cast<uint32_t>(gates[i].zone));
            out.writeInt(uint32_t(i == 0 ? 1 : 0));
        }
    }
    out.writeBoolVector({true});
    if (version >= 26)
        out.writeBoolVector({false, true});
    if (version >= 3)
        out.writeIntVector({});
    // The covenant section: four empty recruit slots (a count of 0 before 2).
    for (int slot = 0; slot < (version >= 2 ? 4 : 1); ++slot)
        out.writeInt(uint32_t(0));
    for (int32_t v : {10, 20, 30})
        out.writeInt(v);
    if (version >= 30)
        out.writeString("Red Hand");
    if (version >= 19) {
        out.writeInt(int32_t(1));
        out.writeInt(int32_t(2));
    }
    if (version >= 30) {
        for (int i = 0; i < 4; ++i)
            out.writeInt(int32_t(i));
        for (int i = 0; i < 15; ++i)
            out.writeInt(int32_t(i == 10 ? 30 : i)); // Money as above
    }
    if (version >= 17) {
        out.writeInt(uint32_t(1));
        out.writeString("An old line");
    }
    if (version >= 40)
        out.writeInt(uint32_t(0)); // no lasting effects
    return out;
}
