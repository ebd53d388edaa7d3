#pragma once

#include "engine/data/DatabaseField.h"

#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

// A named record of the text database. Its id is the sub-database index
// times 65536 plus the entry number inside that sub-database. Fields missing
// from an entry are looked up along its "Base" chain, which the loader has
// checked to be free of cycles.
class DatabaseEntry {
public:
    // Values one reader derives from the entry's fields (the item code's
    // per-level table), so hot paths skip the name lookups. Built on first
    // use, kept with the entry and dropped when the Base links change.
    struct Derived {
        virtual ~Derived() = default;
        const Derived* next = nullptr; // the entry's other kinds
    };

    DatabaseEntry() = default;
    DatabaseEntry(const DatabaseEntry&) = delete;
    DatabaseEntry& operator=(const DatabaseEntry&) = delete;
    ~DatabaseEntry();

    // The entry's derived values of type T (a Derived), made by build(entry)
    // the first time. Each kind is kept apart, so readers of different kinds
    // may share an entry (a save may name any entry for any use).
    template <class T, class Build> const T& derived(Build build) const
    {
        for (const Derived* values = m_derived.load(std::memory_order_acquire); values; values = values->next)
            if (typeid(*values) == typeid(T))
                return static_cast<const T&>(*values);
        return static_cast<const T&>(
            buildDerived([](const Derived* values) { return typeid(*values) == typeid(T); },
                         [&]() -> std::unique_ptr<Derived> { return std::make_unique<T>(build(*this)); }));
    }

    const std::string& getName() const { return m_name; }
    int getId() const { return m_id; }
    int getSubDatabase() const { return m_id >> 16; }
    int getNumber() const { return m_id & 0xFFFF; }
    // The entry's own "Type" (0 when it has none).
    int getType() const { return m_type; }
    bool isBaseOnly() const { return m_baseOnly; }
    const DatabaseEntry* getBase() const { return m_base; }
    const std::string& getFileName() const { return *m_fileName; }
    int getLine() const { return m_line; }

    // The first non-zero type along the Base chain.
    int getTypeInherited() const;
    // True when the entry is the given one or lies above it on the Base chain.
    bool isDerivedFrom(const DatabaseEntry* base) const;

    // The first own field of that key (without regard to case), or null.
    const DatabaseField* findOwnField(std::string_view key) const;
    std::span<const DatabaseField> getFields() const { return m_fields; }

private:
    friend class Database;

    const Derived& buildDerived(const std::function<bool(const Derived*)>& isKind,
                                const std::function<std::unique_ptr<Derived>()>& build) const;
    void dropDerived();

    std::string m_name;
    size_t m_nameHash = 0; // the database's hash of the name, without regard to case
    const DatabaseEntry* m_base = nullptr;
    DatabaseEntry* m_nextSameName = nullptr;      // the next entry of this name in load order
    std::string_view m_baseName;                  // in the database's storage
    const std::string* m_fileName = &kNoFileName; // the sub-database's, shared
    static const std::string kNoFileName;
    std::span<const DatabaseField> m_fields;                // in the database's storage
    mutable std::atomic<const Derived*> m_derived{nullptr}; // owned, a list
    int m_id = -1;
    int m_type = 0;
    int m_line = 0;
    int m_baseLine = 0;
    bool m_baseOnly = false;
};
