#include "engine/object/SimpleData.h"

#include "engine/data/Database.h"

// Database look-ups of SimpleData, kept together so that the database wiring
// sits in one place.
namespace {
const DatabaseEntry* findDatabaseEntry(const std::string& name)
{
    const Database* database = Database::instance();
    return database != nullptr ? database->findEntry(name) : nullptr;
}

int readEntryInt(const DatabaseEntry* entry, const std::string& key)
{
    const Database* database = Database::instance();
    return database != nullptr ? database->getInt(entry, key) : 0;
}

float readEntryFloat(const DatabaseEntry* entry, const std::string& key)
{
    const Database* database = Database::instance();
    return database != nullptr ? database->getFloat(entry, key, 0.0f) : 0.0f;
}
} // namespace

SimpleData::~SimpleData() = default;

int SimpleData::getInt(const std::string& key) const
{
    return m_entry ? readEntryInt(m_entry, key) : 0;
}

bool SimpleData::getBool(const std::string& key) const
{
    return getInt(key) != 0;
}

float SimpleData::getFloat(const std::string& key) const
{
    return m_entry ? readEntryFloat(m_entry, key) : 0.0f;
}

void SimpleData::setEntry(const DatabaseEntry* entry, const std::string& name)
{
    m_entry = entry;
    m_entryName = name;
}

void SimpleData::setEntryByName(const std::string& name)
{
    const DatabaseEntry* entry = findDatabaseEntry(name);
    if (!entry || entry == m_entry) {
        return;
    }
    m_entry = entry;
    m_entryName = name;
    loadFromDatabase();
}
