#include "client/StateSectionScanner.h"

#include "client/mirrors/RecruitClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"
#include "game/definitions/GateList.h"
#include "game/definitions/InventoryBase.h"

namespace {

bool skipWords(ByteBuffer& in, size_t words)
{
    for (size_t i = 0; i < words; ++i) {
        in.readUInt();
    }
    return in.ok();
}

bool fail(std::string& field, const char* name)
{
    field = name;
    return false;
}

// An inventory in its network form, read into a scratch inventory so that
// every bound of the real reader applies.
bool scanInventory(ByteBuffer& in, const char* source)
{
    InventoryBase scratch;
    return in.ok() && scratch.read(in, true, false, 0, source);
}

// A counted list of u32 values.
bool scanWordList(ByteBuffer& in)
{
    uint32_t count = in.readCount(4);
    return skipWords(in, count);
}

constexpr size_t kRecruitStatCount = 112;

// A recruit's state image, read by the recruit mirror's own reader on a
// scratch recruit.
bool scanRecruitImage(ByteBuffer& in)
{
    RecruitClient scratch;
    return scratch.readImage(in);
}

} // namespace

namespace StateSectionScanner {

bool scanQuestRecord(ByteBuffer& in, ByteRange& range, std::string& field)
{
    range.begin = in.getReadPos();
    skipWords(in, 4); // level, seed, progress, type
    in.readGameTime();
    in.readUInt(); // id
    in.readUInt(); // failed
    bool hasType = in.readUInt() != 0;
    if (hasType) {
        in.readUInt(); // monster type index
    }
    uint32_t targets = in.readCount(8);
    skipWords(in, static_cast<size_t>(targets) * 2);
    if (in.failed()) {
        return fail(field, "quest record");
    }
    range.end = in.getReadPos();
    return true;
}

bool scanPlayerCovenantSection(ByteBuffer& in, ByteRange& range, std::string& field)
{
    range.begin = in.getReadPos();
    in.readString();       // name
    in.readZonePosition(); // house
    in.readUInt();         // covenant index
    if (in.failed())
        return fail(field, "player covenant name, house and index");
    if (!scanInventory(in, "player covenant inventory image"))
        return fail(field, "player covenant inventory");
    // A recruit takes its slot, the entry id, the stats and an inventory.
    uint32_t recruits = in.readCount(4 * (2 + kRecruitStatCount));
    if (in.failed())
        return fail(field, "player covenant recruit count");
    for (uint32_t i = 0; i < recruits; ++i) {
        in.readUInt(); // slot
        if (!scanRecruitImage(in))
            return fail(field, "player covenant recruit");
    }
    // Fun stats, three covenant stats, four raid flags, raid target and the
    // life stone's health and maximum.
    skipWords(in, 4 + 3 + 4 + 3);
    bool candidate = in.readUInt() != 0;
    if (in.failed())
        return fail(field, "player covenant statistics and flags");
    if (candidate && !scanRecruitImage(in))
        return fail(field, "player covenant recruit candidate");
    range.end = in.getReadPos();
    return true;
}

size_t worldGateFlagCount()
{
    GateList gates(GateList::Mode::Level);
    gates.build();
    return gates.getRecords().size();
}

bool scanPlayerSection(ByteBuffer& in, size_t gateFlags, ByteRange& range, std::string& field)
{
    range.begin = in.getReadPos();
    // Entity number, animation, then the stats in their groups of 10, 9, 1,
    // 6, 1 and 7.
    skipWords(in, 1 + 3 + 10 + 9 + 1 + 6 + 1 + 7);
    in.readZonePosition(); // return position
    in.readZonePosition(); // second position
    skipWords(in, 60 + 1); // stats 10 … 69, second flags word
    if (in.failed())
        return fail(field, "player stats and positions");
    if (!scanInventory(in, "player inventory image"))
        return fail(field, "player inventory");
    in.readString();
    scanWordList(in);      // party members
    skipWords(in, 25 + 1); // statistics, first flags word
    if (in.failed())
        return fail(field, "player name, party and statistics");
    for (int slot = 0; slot < 6; ++slot) {
        ByteRange quest;
        if (!scanQuestRecord(in, quest, field))
            return fail(field, "player quest");
    }
    if (in.remaining() / 4 < gateFlags)
        return fail(field, "player gate flags");
    skipWords(in, gateFlags);
    in.readUInt();    // auto-attack entity
    scanWordList(in); // explored levels
    scanWordList(in); // tutorial hints
    if (in.failed())
        return fail(field, "player gates, explored levels and hints");
    range.end = in.getReadPos();
    return true;
}

} // namespace StateSectionScanner
