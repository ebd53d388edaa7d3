#include "client/StateMessage.h"

#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/mirrors/QuestClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"

#include <algorithm>

namespace {

// An entity record is at least its number and common fields.
constexpr size_t kMinEntityRecord = 4;
// A named value: a number and at least a zero byte.
constexpr size_t kMinNamedValue = 5;
constexpr size_t kSoundRecordBytes = 24;
// A record without effects, visual flags or type section.
constexpr size_t kMinEntityRecordBytes = 120;

bool readEntity(ByteBuffer& in, EntityUpdateRecord& e, MessageError& error)
{
    e.entryId = in.readUInt();
    e.flags = in.readUInt();
    e.solid = in.readUInt();
    e.covenant = in.readInt();
    e.position = in.readZonePosition();
    e.secondaryPosition = in.readZonePosition();
    e.parent = in.readInt();
    e.attachPoint = in.readInt();
    for (float& c : e.light) {
        c = in.readFloat();
    }
    e.falloff = in.readFloat();
    e.lightOffset[0] = in.readFloat();
    e.lightOffset[1] = in.readFloat();
    e.model = in.readUInt();
    e.health = in.readInt();
    e.maxHealth = in.readInt();
    e.animation = in.readInt();
    e.animationMode = in.readInt();
    e.direction = in.readInt();
    e.scale = in.readFloat();
    e.fade = in.readFloat();
    if (!checkRead(in, "entity common fields", error)) {
        return false;
    }
    in.readBoolVector(e.visualFlags, true);
    e.alwaysRelevant = in.readUInt();
    uint32_t effects = in.readCount(8);
    if (!checkRead(in, "entity visual flags and effect count", error)) {
        return false;
    }
    e.effects.resize(effects);
    for (auto& effect : e.effects) {
        effect.first = in.readUInt();
        effect.second = in.readInt();
    }
    if (!checkRead(in, "entity kept effects", error)) {
        return false;
    }
    const Database* db = Database::instance();
    const DatabaseEntry* entry =
        (db && e.entryId != kMessageEndMark) ? db->getEntryByIndex(static_cast<int>(e.entryId)) : nullptr;
    if (e.entryId != kMessageEndMark && !entry) {
        return failRead(in, "entity entry (no such entry)", error);
    }
    for (const auto& effect : e.effects) {
        if (!db || !db->getEntryByIndex(static_cast<int>(effect.first))) {
            return failRead(in, "entity kept effect (no such entry)", error);
        }
    }
    std::string field;
    if (!EntityClient::parseTypeSection(in, entry, e.typeSection, field)) {
        return failRead(in, field, error);
    }
    return true;
}

bool readGameSection(ByteBuffer& in, GameSectionRecord& g, MessageError& error)
{
    std::string field;
    g.time = in.readGameTime();
    g.valueV3 = in.readUInt();
    uint32_t covenants = in.readCount(4);
    if (!checkRead(in, "game time, value V3 and covenant count", error)) {
        return false;
    }
    if (covenants > static_cast<uint32_t>(CovenantBase::kMaxCovenants)) {
        return failRead(in, "covenant count (more than 32)", error);
    }
    g.covenants.resize(covenants);
    for (CovenantSection& section : g.covenants) {
        if (!CovenantClient::parseSection(in, covenants, section, field)) {
            return failRead(in, field, error);
        }
    }
    g.valueV4 = in.readFloat();
    uint32_t named = in.readCount(kMinNamedValue);
    if (!checkRead(in, "value V4 and named-value count", error)) {
        return false;
    }
    g.namedValues.resize(named);
    for (auto& value : g.namedValues) {
        value.first = in.readUInt();
        value.second = in.readString();
    }
    uint32_t quests = in.readCount(4);
    if (!checkRead(in, "named values and quest slot count", error)) {
        return false;
    }
    g.quests.resize(quests);
    for (QuestSlotRecord& slot : g.quests) {
        slot.present = in.readUInt() != 0;
        if (!checkRead(in, "quest present flag", error)) {
            return false;
        }
        if (slot.present) {
            // The real reader on a scratch quest: its checks make the message
            // malformed; the live quest reads the same bytes when applied.
            size_t begin = in.getReadPos();
            QuestClient scratch;
            if (!scratch.read(in, true, false, 0)) {
                return failRead(in, "quest record", error);
            }
            slot.image.assign(in.data() + begin, in.data() + in.getReadPos());
        }
    }
    g.valueV1 = in.readFloat();
    g.valueV2 = in.readFloat();
    g.weatherIntensity = in.readFloat();
    g.windX = in.readFloat();
    g.windY = in.readFloat();
    g.alliedVictory = in.readBool();
    return checkRead(in, "values V1, V2, weather and allied victory", error);
}

} // namespace

bool readStateMessage(ByteBuffer& in, StateMessage& out, MessageError& error, std::optional<size_t> gateFlags)
{
    out = StateMessage();
    out.playerLevel = in.readUInt();
    if (!checkRead(in, "player level", error) || !readResourceNameEntries(in, out.names, error)) {
        return false;
    }
    uint32_t lines = in.readCount(1);
    if (!checkRead(in, "line count", error)) {
        return false;
    }
    out.lines.resize(lines);
    for (std::string& line : out.lines) {
        line = in.readString();
    }
    if (!checkRead(in, "command line", error)) {
        return false;
    }
    // Room for as many records as the bytes can hold, so the list grows once.
    out.entities.reserve(std::min<size_t>(in.remaining() / kMinEntityRecordBytes, kMaxEntityNumbers));
    for (;;) {
        size_t at = in.getReadPos();
        uint32_t number = in.readUInt();
        if (!checkRead(in, "entity number", error)) {
            return false;
        }
        if (number == kMessageEndMark) {
            break;
        }
        if (number >= kMaxEntityNumbers) {
            error.field = "entity number (1000 or more)";
            error.offset = at;
            return false;
        }
        if (in.remaining() < kMinEntityRecord) {
            return failRead(in, "entity record", error);
        }
        EntityUpdateRecord record;
        record.number = number;
        if (!readEntity(in, record, error)) {
            return false;
        }
        out.entities.push_back(std::move(record));
    }
    if (!readGameSection(in, out.game, error)) {
        return false;
    }
    if (out.playerLevel != kMessageEndMark) {
        std::string field;
        if (!StateSectionScanner::scanPlayerCovenantSection(in, out.covenantSection, field) ||
            !StateSectionScanner::scanPlayerSection(
                in, gateFlags ? *gateFlags : StateSectionScanner::worldGateFlagCount(), out.playerSection,
                field)) {
            return failRead(in, field, error);
        }
        out.hasPlayerSections = true;
    }
    uint32_t sounds = in.readCount(kSoundRecordBytes);
    if (!checkRead(in, "sound count", error)) {
        return false;
    }
    out.sounds.resize(sounds);
    for (PositionalSoundRecord& sound : out.sounds) {
        sound.nameIndex = in.readUInt();
        sound.owner = in.readUInt();
        sound.position = in.readZonePosition();
        sound.minimumDistance = in.readFloat();
    }
    return checkRead(in, "sound records", error) && checkEnd(in, error);
}
