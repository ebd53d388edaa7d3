#pragma once

#include <cstdint>
#include <vector>

class ByteBuffer;

// Where a gate stands: the level it belongs to and its zone.
struct GateLocation {
    int32_t levelId = -1;
    int32_t zone = -1;
};

// The world's gates, as the gate list builds from them. The world implements it.
class GateSource {
public:
    virtual ~GateSource() = default;
    virtual void collectGates(std::vector<GateLocation>& out) const = 0;
};

// One record per world gate (16 bytes).
struct GateRecord {
    int32_t levelId = -1;
    int32_t index = 0;
    int32_t activated = 0;
    int32_t zone = -1;
};

// The gates a character has activated. Level mode matches records by level id
// and zone; covenant mode (covenant gates) by position in the list.
class GateList {
public:
    enum class Mode { Level, Covenant };
    // Character files before this version store no zone per record.
    static constexpr int kZoneVersion = 14;

    explicit GateList(Mode mode = Mode::Level) : m_mode(mode) {}

    // The source used by every list without one of its own (the running world).
    static void setWorldSource(const GateSource* source);
    void setSource(const GateSource* source) { m_source = source; }

    // One record per gate of the source, all inactive; empty without a source.
    // Records read from a character file are matched against the source's
    // gates; with no source yet they stay as read and the list unbuilt.
    void build();
    bool isBuilt() const { return m_built; }
    void clear();

    GateRecord* find(int32_t levelId, int32_t zone);
    const GateRecord* find(int32_t levelId, int32_t zone) const;
    // From a list read and not yet built: as its file's records would be read.
    void copyActivationFrom(const GateList& other);

    // World-save form: one u32 per record, 1 activated, 0 not. Both build first.
    void write(ByteBuffer& buffer);
    bool read(ByteBuffer& buffer);

    // Character-file form: u32 count, then per record u32 level id, u32 zone
    // (from version 14) and u32 activated. The reader keeps the records as
    // read, unbuilt: the file is read before the world it was saved in is
    // loaded. The next build activates the matching ones and skips the rest.
    void writeFileImage(ByteBuffer& buffer);
    bool readFileImage(ByteBuffer& buffer, int version);

    Mode getMode() const { return m_mode; }
    const std::vector<GateRecord>& getRecords() const { return m_records; }
    std::vector<GateRecord>& getRecords() { return m_records; }
    int getActivatedCount() const;

private:
    void ensureBuilt();
    void activateRead(const std::vector<GateRecord>& read, bool hasZone);

    Mode m_mode;
    const GateSource* m_source = nullptr;
    std::vector<GateRecord> m_records;
    bool m_built = false;
    // m_records holds a character file's records as read, not yet built.
    bool m_asRead = false;
    bool m_readHasZone = true;
};
