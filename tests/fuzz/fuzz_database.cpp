// Database parser and Base-chain linking over arbitrary text: two
// sub-databases split at the first zero byte, then every getter on every entry.
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"

#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    (void)debug;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t split = text.find('\0');
    Database database;
    database.addSubDatabase("First", "first.dbl", text.substr(0, split));
    if (split != std::string_view::npos) {
        database.addSubDatabase("Second", "second.dbl", text.substr(split + 1));
    }
    database.resolveBases();
    std::vector<std::string> strings;
    std::vector<int> ints;
    std::vector<float> floats;
    for (int i = 0; i < database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = database.getEntryAt(i);
        if (database.getEntryByIndex(entry->getId()) != entry ||
            database.findEntry(entry->getName()) == nullptr) {
            __builtin_trap();
        }
        entry->getTypeInherited();
        entry->isDerivedFrom(database.getEntryAt(0));
        for (const DatabaseField& field : entry->getFields()) {
            database.getString(entry, field.key);
            database.getInt(entry, field.key);
            database.getFloat(entry, field.key, 1.0f);
            database.getStringList(entry, field.key, strings);
            database.getIntList(entry, field.key, ints);
            database.getFloatList(entry, field.key, floats);
        }
        database.findField(entry, "NoSuchKey");
    }
    for (int type = 0; type < kDatabaseEntryTypeCount; ++type) {
        int guard = 0;
        for (const DatabaseEntry* e = database.findFirstEntryOfType(type); e && guard < 100000;
             e = database.findNextEntryOfType(e)) {
            ++guard;
        }
    }
    if (size >= 4) {
        int id;
        std::memcpy(&id, data, 4);
        database.getEntryByIndex(id);
    }
    return 0;
}
