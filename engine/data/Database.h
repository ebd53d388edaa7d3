#pragma once

#include "engine/core/Singleton.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/data/DatabaseEntryType.h"

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

class ByteBuffer;

// The text database: the master file "Database/database.dbl" lists the
// sub-databases ("SubDatabase <Name> "<file>"", files under "Database/"),
// each a sequence of "<EntryName> { <Key> <item> ... }" entries. Entries are
// kept in one array in load order; an entry's id is its sub-database index
// times 65536 plus its number inside that sub-database. Keys and entry names
// compare without regard to case. Getters follow the "Base" chain and take a
// null entry as one without fields.
class Database : public Singleton<Database> {
public:
    static constexpr const char* kMasterFile = "Database/database.dbl";
    static constexpr int kMaxEntriesPerSubDatabase = 65535;
    static constexpr int kMaxSubDatabases = 32767;
    static constexpr int kMaxBaseDepth = 64;

    Database();
    ~Database();

    // Loads the master file and every sub-database it lists through the file
    // system, then links the Base chains. A missing master file is a critical
    // error (the process ends) unless missingIsFatal is false, when the call
    // returns false. Errors in sub-databases are logged and the rest loads.
    bool load(const std::string& masterFile = kMasterFile, bool missingIsFatal = true);
    void clear();

    // Parses one sub-database from text and appends it (used by load, tools
    // and tests); call resolveBases() after the last one.
    void addSubDatabase(const std::string& name, const std::string& fileName, std::string_view text);
    // Links every entry's "Base", logging unknown names and cutting cycles
    // and chains deeper than kMaxBaseDepth.
    void resolveBases();

    // Lookup by name without regard to case; an empty sub-database name
    // searches the whole database (first entry in load order).
    const DatabaseEntry* findEntry(std::string_view name, std::string_view subDatabase = {}) const;
    // The entry of an id; null for -1 and for ids outside the tables.
    const DatabaseEntry* getEntryByIndex(int id) const;
    const DatabaseEntry* findFirstEntryOfType(int type) const;
    const DatabaseEntry* findNextEntryOfType(const DatabaseEntry* entry) const;

    // The entry's field or, when it lacks it, that of its Base chain. A
    // number that does not parse is reported once (file, line, entry, key)
    // and reads as the default (0 in a list).
    const DatabaseField* findField(const DatabaseEntry* entry, std::string_view key) const;
    std::string getString(const DatabaseEntry* entry, std::string_view key) const;
    int getInt(const DatabaseEntry* entry, std::string_view key, int defaultValue = 0) const;
    float getFloat(const DatabaseEntry* entry, std::string_view key, float defaultValue = 0.0f) const;
    // Every item of every occurrence of the key, from the first entry on the
    // Base chain that has it; nothing when it is absent.
    void getStringList(const DatabaseEntry* entry, std::string_view key, std::vector<std::string>& out,
                       bool clearFirst = true) const;
    std::vector<std::string> getStringList(const DatabaseEntry* entry, std::string_view key) const;
    void getIntList(const DatabaseEntry* entry, std::string_view key, std::vector<int>& out,
                    bool clearFirst = true) const;
    void getFloatList(const DatabaseEntry* entry, std::string_view key, std::vector<float>& out,
                      bool clearFirst = true) const;

    int getEntryCount() const { return static_cast<int>(m_entries.size()); }
    // By position in load order (not an id).
    const DatabaseEntry* getEntryAt(int index) const;
    int getSubDatabaseCount() const { return static_cast<int>(m_subDatabases.size()); }
    const std::string& getSubDatabaseName(int index) const;
    int findSubDatabase(std::string_view name) const;

    void logStatistics() const;

    // "file:line: entry Name: " of the field this thread read last from the
    // running database when its value (or one of its items) is the text;
    // "" otherwise. Lets a value found wrong later (an unknown enumeration
    // name) be reported where it is.
    static std::string describeLastRead(std::string_view value);

private:
    // A number field whose text does not parse: one error line per field
    // naming file, line, entry and key; the caller uses its default.
    void reportBadNumber(const DatabaseEntry* entry, std::string_view key, std::string_view text,
                         const char* kind) const;
    struct SubDatabase {
        std::string name;
        std::string fileName;
        size_t firstEntry = 0;
        int count = 0;
    };

    void finishEntry(DatabaseEntry& entry);
    std::vector<const DatabaseField*> collectFields(const DatabaseEntry* entry, std::string_view key) const;

    // Storage filled front to back in blocks that never move, so views into
    // it stay valid until clear(): the texts, item lists and fields of all
    // entries take a few large allocations instead of several per field.
    // Plain values only: take() gives room the caller copies them into, so
    // nothing is written twice.
    template <class T, size_t BlockSize> class BlockArena {
        static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

    public:
        T* take(size_t count)
        {
            if (count > m_left) {
                size_t size = count > BlockSize ? count : BlockSize;
                m_blocks.emplace_back(static_cast<T*>(::operator new(size * sizeof(T))));
                m_next = m_blocks.back().get();
                m_left = size;
            }
            T* out = m_next;
            m_next += count;
            m_left -= count;
            return out;
        }
        void clear()
        {
            m_blocks.clear();
            m_next = nullptr;
            m_left = 0;
        }

    private:
        struct Free {
            void operator()(T* p) const { ::operator delete(p); }
        };
        std::vector<std::unique_ptr<T, Free>> m_blocks;
        T* m_next = nullptr;
        size_t m_left = 0;
    };
    std::string_view storeText(std::string_view text);

    // A list whose elements never move, kept in blocks of BlockSize made
    // whole (one allocation per block, not per few elements as a deque of
    // large elements would).
    template <class T, size_t BlockSize> class BlockList {
    public:
        T& emplace_back()
        {
            if (m_size == m_blocks.size() * BlockSize) {
                m_blocks.emplace_back(new T[BlockSize]);
            }
            ++m_size;
            return (*this)[m_size - 1];
        }
        T& operator[](size_t i) { return m_blocks[i / BlockSize][i % BlockSize]; }
        const T& operator[](size_t i) const { return m_blocks[i / BlockSize][i % BlockSize]; }
        size_t size() const { return m_size; }
        void clear()
        {
            m_blocks.clear();
            m_size = 0;
        }

    private:
        std::vector<std::unique_ptr<T[]>> m_blocks;
        size_t m_size = 0;
    };

    // The first entry of a name (without regard to case): an open-addressed
    // table of entries, probed linearly, at most half full; no copy of a name
    // is made to look it up.
    static size_t hashName(std::string_view name);
    DatabaseEntry** findNameSlot(std::string_view name, size_t hash) const;
    void growNameTable(size_t wanted);

    // Entries and file names stay where they are as the tables grow.
    BlockList<DatabaseEntry, 256> m_entries;
    std::deque<SubDatabase> m_subDatabases;
    BlockArena<char, 65536> m_textStore;
    BlockArena<std::string_view, 4096> m_itemStore;
    BlockArena<DatabaseField, 1024> m_fieldStore;
    mutable std::vector<DatabaseEntry*> m_nameSlots; // null: free; size a power of two
    size_t m_nameCount = 0;
    size_t m_fieldCount = 0;
    double m_loadSeconds = 0.0;
};

// Reads an entry reference from a save or message: the entry name (data
// version 38 and later, when asked by name) or a u32 entry id (earlier).
// Null for a missing entry, an out-of-range id or a failed read.
const DatabaseEntry* readDatabaseEntryRef(ByteBuffer& reader, bool byName, int dataVersion);
