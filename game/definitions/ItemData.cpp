#include "game/definitions/ItemData.h"

#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "game/definitions/GameFormulas.h"

namespace {

const Database* database()
{
    return Database::instance();
}

} // namespace

int entryInt(const DatabaseEntry* entry, const std::string& key, int defaultValue)
{
    const Database* db = database();
    return db && entry ? db->getInt(entry, key, defaultValue) : defaultValue;
}

float entryFloat(const DatabaseEntry* entry, const std::string& key, float defaultValue)
{
    const Database* db = database();
    return db && entry ? db->getFloat(entry, key, defaultValue) : defaultValue;
}

std::string entryString(const DatabaseEntry* entry, const std::string& key)
{
    const Database* db = database();
    return db && entry ? db->getString(entry, key) : std::string();
}

std::vector<std::string> entryStringList(const DatabaseEntry* entry, const std::string& key)
{
    const Database* db = database();
    return db && entry ? db->getStringList(entry, key) : std::vector<std::string>();
}

std::string entryNameOf(const DatabaseEntry* entry)
{
    return entry ? entry->getName() : std::string();
}

uint32_t entryIdOf(const DatabaseEntry* entry)
{
    return entry ? static_cast<uint32_t>(entry->getId()) : kNoEntryId;
}

int entryTypeOf(const DatabaseEntry* entry)
{
    return entry ? entry->getTypeInherited() : 0;
}

const DatabaseEntry* findEntryByName(const std::string& name)
{
    const Database* db = database();
    return db && !name.empty() ? db->findEntry(name) : nullptr;
}

const DatabaseEntry* findEntryById(uint32_t id)
{
    const Database* db = database();
    if (!db || id == kNoEntryId || id > 0x7FFFFFFFu)
        return nullptr;
    return db->getEntryByIndex(static_cast<int>(id));
}

int gameSystemInt(const std::string& key, int defaultValue)
{
    const Database* db = database();
    const DatabaseEntry* rules = db ? db->findEntry("GameSystem") : nullptr;
    return rules ? db->getInt(rules, key, defaultValue) : defaultValue;
}

float gameSystemFloat(const std::string& key, float defaultValue)
{
    const Database* db = database();
    const DatabaseEntry* rules = db ? db->findEntry("GameSystem") : nullptr;
    return rules ? db->getFloat(rules, key, defaultValue) : defaultValue;
}

float sellFactorForPrice(int price)
{
    return lerpByLevel(static_cast<float>(price));
}

void writeEntryRef(ByteBuffer& buffer, const DatabaseEntry* entry, bool byName)
{
    if (byName)
        buffer.writeString(entryNameOf(entry));
    else
        buffer.writeInt(entryIdOf(entry));
}

const DatabaseEntry* readEntryRef(ByteBuffer& buffer, bool fileForm, int version, bool& missing)
{
    missing = false;
    if (fileForm && version >= kEntryNamesFromVersion) {
        std::string name = buffer.readString();
        if (buffer.failed() || name.empty())
            return nullptr;
        const DatabaseEntry* entry = findEntryByName(name);
        missing = entry == nullptr;
        return entry;
    }
    uint32_t id = buffer.readUInt();
    if (buffer.failed() || id == kNoEntryId)
        return nullptr;
    const DatabaseEntry* entry = findEntryById(id);
    missing = entry == nullptr;
    return entry;
}
