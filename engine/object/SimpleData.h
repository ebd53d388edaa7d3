#pragma once

#include "engine/object/BaseClass.h"

#include <string>

class DatabaseEntry;

// An object loaded from one database entry. Holds the entry (null before
// loading) and its name; getInt/getBool/getFloat read a field of the entry
// by key (following its "Base" chain) and give 0, false or 0.0 without an
// entry or field. loadFromDatabase is the subclass's loader.
class SimpleData : public BaseClass {
public:
    SimpleData() = default;
    ~SimpleData() override;

    virtual int getInt(const std::string& key) const;
    virtual bool getBool(const std::string& key) const;
    virtual float getFloat(const std::string& key) const;
    virtual void loadFromDatabase() {}

    const DatabaseEntry* getEntry() const { return m_entry; }
    const std::string& getEntryName() const { return m_entryName; }
    // Stores the entry (and its name) without loading.
    void setEntry(const DatabaseEntry* entry, const std::string& name);

    // Finds the entry of that name; when it differs from the current one,
    // stores it and reloads the object through loadFromDatabase. Nothing
    // when the entry is missing or is the current one.
    void setEntryByName(const std::string& name);

private:
    const DatabaseEntry* m_entry = nullptr;
    std::string m_entryName;
};
