#include "game/definitions/ItemData.h"

#include "engine/core/ByteBuffer.h"
#include "engine/data/Database.h"
#include "game/definitions/DefinitionReader.h"
#include "game/definitions/GameFormulas.h"

int entryInt(const DatabaseEntry* entry, const std::string& key, int defaultValue)
{
    return DefinitionReader(entry).getInt(key, defaultValue);
}

float entryFloat(const DatabaseEntry* entry, const std::string& key, float defaultValue)
{
    return DefinitionReader(entry).getFloat(key, defaultValue);
}

std::string entryString(const DatabaseEntry* entry, const std::string& key)
{
    return DefinitionReader(entry).getString(key);
}

std::vector<std::string> entryStringList(const DatabaseEntry* entry, const std::string& key)
{
    return DefinitionReader(entry).getStringList(key);
}

std::string entryNameOf(const DatabaseEntry* entry)
{
    return DefinitionReader(entry).entryName();
}

uint32_t entryIdOf(const DatabaseEntry* entry)
{
    // A null entry's id -1 is kNoEntryId.
    return static_cast<uint32_t>(DefinitionReader(entry).entryId());
}

int entryTypeOf(const DatabaseEntry* entry)
{
    return DefinitionReader(entry).entryType();
}

const DatabaseEntry* findEntryByName(const std::string& name)
{
    return DefinitionReader::findEntry(name);
}

const DatabaseEntry* findEntryById(uint32_t id)
{
    const Database* db = Database::instance();
    if (!db || id == kNoEntryId || id > 0x7FFFFFFFu)
        return nullptr;
    return db->getEntryByIndex(static_cast<int>(id));
}

int gameSystemInt(const std::string& key, int defaultValue)
{
    return DefinitionReader(DefinitionReader::findEntry("GameSystem")).getInt(key, defaultValue);
}

float gameSystemFloat(const std::string& key, float defaultValue)
{
    return DefinitionReader(DefinitionReader::findEntry("GameSystem")).getFloat(key, defaultValue);
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
