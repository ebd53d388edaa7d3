#include "client/StateSectionScanner.h"

#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"

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

} // namespace

namespace StateSectionScanner {

bool scanEntityTypeSection(ByteBuffer& in, const DatabaseEntry* entry, ByteRange& range, std::string& field)
{
    range.begin = in.getReadPos();
    range.end = range.begin;
    if (!entry) {
        return true; // no entry: a plain entity writes no class section
    }
    const Database* db = Database::instance();
    int type = entry->getTypeInherited();
    bool vendor = db && db->getInt(entry, "Vendor", 0) != 0;
    bool monster = type == static_cast<int>(DatabaseEntryType::MonsterType);
    if (monster || type == static_cast<int>(DatabaseEntryType::Class) || vendor) {
        skipWords(in, 10); // equipped item entries
        if (monster || vendor) {
            skipWords(in, 5); // two values, interaction, sentient flag, rank
            uint32_t quests = in.readCount(4);
            skipWords(in, quests);
            skipWords(in, 2); // appearance seed, level
        }
    } else {
        switch (type) {
        case static_cast<int>(DatabaseEntryType::Item):
        case static_cast<int>(DatabaseEntryType::Money):
        case static_cast<int>(DatabaseEntryType::QuestItem):
        case static_cast<int>(DatabaseEntryType::Chest):
            in.readUInt();
            break;
        case static_cast<int>(DatabaseEntryType::Projectile):
            if (in.readUInt() != 0) {
                skipWords(in, 4); // colour
            } else if (in.readUInt() != 0) {
                in.readFloat(); // height above the ground
            }
            break;
        default:
            if (db && db->getInt(entry, "Gate", 0) != 0) {
                in.readZonePosition();
            }
            break;
        }
    }
    if (in.failed()) {
        return fail(field, "entity class section");
    }
    range.end = in.getReadPos();
    return true;
}

bool scanCovenantSection(ByteBuffer& in, uint32_t covenantCount, ByteRange& range, std::string& field)
{
    range.begin = in.getReadPos();
    in.readUInt();                        // definition index
    in.readString();                      // name
    in.readZonePosition();                // home
    skipWords(in, 1 + 4 + 1 + 5 + 1 + 2); // destroyed, stats 11-14, stat 0, stats 6-10, value, life stone
    if (in.failed()) {
        return fail(field, "covenant section");
    }
    for (uint32_t i = 0; i < covenantCount; ++i) {
        in.readFloat();    // relation
        in.readUInt();     // relation state
        in.readGameTime(); // since
        in.readUInt();     // trade-route size
        if (in.failed()) {
            return fail(field, "covenant relation record");
        }
    }
    in.readUInt();
    uint32_t traits = in.readCount(4);
    skipWords(in, traits);
    skipWords(in, 3);
    if (in.failed()) {
        return fail(field, "covenant traits and flags");
    }
    range.end = in.getReadPos();
    return true;
}

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

} // namespace StateSectionScanner
