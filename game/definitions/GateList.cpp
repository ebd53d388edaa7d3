#include "game/definitions/GateList.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"

namespace {
const GateSource* s_worldSource = nullptr;
}

void GateList::setWorldSource(const GateSource* source)
{
    s_worldSource = source;
}

void GateList::build()
{
    const GateSource* source = m_source ? m_source : s_worldSource;
    // A character file is read before its world loads: the records wait,
    // as read, for a world to match them against.
    if (!source && m_asRead)
        return;
    std::vector<GateRecord> read;
    if (m_asRead)
        read.swap(m_records);
    m_records.clear();
    if (source) {
        std::vector<GateLocation> gates;
        source->collectGates(gates);
        m_records.reserve(gates.size());
        for (size_t i = 0; i < gates.size(); ++i) {
            GateRecord record;
            record.levelId = gates[i].levelId;
            record.index = static_cast<int32_t>(i);
            record.zone = gates[i].zone;
            m_records.push_back(record);
        }
    }
    m_built = true;
    if (m_asRead) {
        m_asRead = false;
        activateRead(read, m_readHasZone);
    }
}

void GateList::clear()
{
    m_records.clear();
    m_built = false;
    m_asRead = false;
}

void GateList::ensureBuilt()
{
    if (!m_built)
        build();
}

GateRecord* GateList::find(int32_t levelId, int32_t zone)
{
    for (GateRecord& record : m_records)
        if (record.levelId == levelId && record.zone == zone)
            return &record;
    return nullptr;
}

const GateRecord* GateList::find(int32_t levelId, int32_t zone) const
{
    return const_cast<GateList*>(this)->find(levelId, zone);
}

void GateList::copyActivationFrom(const GateList& other)
{
    if (other.m_asRead) {
        activateRead(other.m_records, other.m_readHasZone);
        return;
    }
    if (m_mode == Mode::Covenant) {
        for (size_t i = 0; i < m_records.size() && i < other.m_records.size(); ++i)
            m_records[i].activated = other.m_records[i].activated;
        return;
    }
    for (GateRecord& record : m_records) {
        const GateRecord* match = other.find(record.levelId, record.zone);
        if (match)
            record.activated = match->activated;
    }
}

void GateList::write(ByteBuffer& buffer)
{
    ensureBuilt();
    for (const GateRecord& record : m_records)
        buffer.writeInt(static_cast<uint32_t>(record.activated ? 1 : 0));
}

bool GateList::read(ByteBuffer& buffer)
{
    ensureBuilt();
    if (buffer.remaining() < m_records.size() * 4) {
        debugPrint(3, "Gate list: %zu gate flags expected, only %zu bytes left\n", m_records.size(),
                   buffer.remaining());
        buffer.setReadPos(buffer.size() + 1); // marks the buffer failed
        return false;
    }
    for (GateRecord& record : m_records)
        record.activated = buffer.readUInt() != 0 ? 1 : 0;
    return buffer.ok();
}

void GateList::writeFileImage(ByteBuffer& buffer)
{
    ensureBuilt();
    buffer.writeInt(static_cast<uint32_t>(m_records.size()));
    for (const GateRecord& record : m_records) {
        buffer.writeInt(record.levelId);
        buffer.writeInt(record.zone);
        buffer.writeInt(static_cast<uint32_t>(record.activated ? 1 : 0));
    }
}

bool GateList::readFileImage(ByteBuffer& buffer, int version)
{
    clear();
    const bool hasZone = version >= kZoneVersion;
    const size_t recordSize = hasZone ? 12 : 8;
    uint32_t count = buffer.readUInt();
    if (buffer.failed())
        return false;
    if (count > buffer.remaining() / recordSize) {
        debugPrint(3, "Gate list: count %u exceeds the %zu bytes left\n", count, buffer.remaining());
        buffer.setReadPos(buffer.size() + 1);
        return false;
    }
    m_records.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        GateRecord& record = m_records[i];
        record.levelId = buffer.readInt();
        record.zone = hasZone ? buffer.readInt() : -1;
        record.activated = buffer.readUInt() != 0 ? 1 : 0;
        record.index = static_cast<int32_t>(i);
    }
    m_asRead = true;
    m_readHasZone = hasZone;
    return buffer.ok();
}

void GateList::activateRead(const std::vector<GateRecord>& read, bool hasZone)
{
    for (size_t i = 0; i < read.size(); ++i) {
        GateRecord* record = nullptr;
        if (m_mode == Mode::Covenant) {
            if (i < m_records.size())
                record = &m_records[i];
        } else if (hasZone) {
            record = find(read[i].levelId, read[i].zone);
        } else {
            for (GateRecord& candidate : m_records)
                if (candidate.levelId == read[i].levelId) {
                    record = &candidate;
                    break;
                }
        }
        if (record)
            record->activated = read[i].activated;
    }
}

int GateList::getActivatedCount() const
{
    int count = 0;
    for (const GateRecord& record : m_records)
        if (record.activated)
            ++count;
    return count;
}
