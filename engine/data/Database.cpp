#include "engine/data/Database.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/FatalError.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <unordered_set>

namespace {

// The field a thread read last, so that a value found wrong later (an
// enumeration name) can still be reported with its place.
// Bumped whenever a database drops its entries: older reads are stale.
std::atomic<uint64_t> g_generation{1};

struct LastRead {
    uint64_t generation = 0;
    const Database* database = nullptr;
    const DatabaseEntry* entry = nullptr; // the entry read
    const DatabaseEntry* owner = nullptr; // the one on its Base chain holding the field
    const DatabaseField* field = nullptr;
};
thread_local LastRead t_lastRead;

// A bad number is reported once per field, however often it is read.
std::mutex g_reportedMutex;
std::unordered_set<const DatabaseField*> g_reported;

bool firstReport(const DatabaseField* field)
{
    std::lock_guard<std::mutex> lock(g_reportedMutex);
    return g_reported.insert(field).second;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A whole number, or a decimal one (cut toward zero), saturated to int.
bool parseInt(std::string_view text, int& out)
{
    std::string clean(trimmed(text));
    if (clean.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(clean.c_str(), &end, 10);
    if (end != clean.c_str() && *end == '\0') {
        out = static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
        return true;
    }
    double d = std::strtod(clean.c_str(), &end);
    if (end == clean.c_str() || *end != '\0' || std::isnan(d)) {
        return false;
    }
    out = d <= INT_MIN ? INT_MIN : d >= INT_MAX ? INT_MAX : static_cast<int>(d);
    return true;
}

bool parseFloat(std::string_view text, float& out)
{
    std::string clean(trimmed(text));
    char* end = nullptr;
    float v = clean.empty() ? 0.0f : std::strtof(clean.c_str(), &end);
    if (clean.empty() || end == clean.c_str() || *end != '\0') {
        return false;
    }
    out = std::isfinite(v) ? v : 0.0f;
    return true;
}

// Whether the items lie in the text one blank apart, so that the text from
// the first to the last is the items joined (not when one was quoted).
bool joinedInText(const std::vector<std::string_view>& items)
{
    for (size_t i = 1; i < items.size(); ++i) {
        const char* end = items[i - 1].data() + items[i - 1].size();
        if (items[i].data() != end + 1 || *end != ' ') {
            return false;
        }
    }
    return true;
}

bool isNumber(std::string_view text)
{
    size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i >= text.size()) {
        return false;
    }
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

} // namespace

size_t Database::hashName(std::string_view name)
{
    size_t hash = 1469598103934665603ull;
    for (char c : name) {
        hash = (hash ^ static_cast<size_t>(lowerAscii(static_cast<unsigned char>(c)))) * 1099511628211ull;
    }
    return hash ^ (hash >> 29);
}

DatabaseEntry** Database::findNameSlot(std::string_view name, size_t hash) const
{
    size_t mask = m_nameSlots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        DatabaseEntry*& slot = m_nameSlots[i];
        if (slot == nullptr || (slot->m_nameHash == hash && equalsNoCase(slot->m_name, name))) {
            return &slot;
        }
    }
}

void Database::growNameTable(size_t wanted)
{
    size_t size = 64;
    while (size < wanted * 2) {
        size *= 2;
    }
    if (size <= m_nameSlots.size()) {
        return;
    }
    std::vector<DatabaseEntry*> old = std::move(m_nameSlots);
    m_nameSlots.assign(size, nullptr);
    for (DatabaseEntry* entry : old) {
        if (entry != nullptr) {
            *findNameSlot(entry->m_name, entry->m_nameHash) = entry;
        }
    }
}

Database::Database() = default;
Database::~Database()
{
    clear();
}

void Database::clear()
{
    {
        std::lock_guard<std::mutex> lock(g_reportedMutex);
        g_reported.clear();
    }
    ++g_generation;
    m_entries.clear();
    m_subDatabases.clear();
    m_nameSlots.clear();
    m_nameCount = 0;
    m_textStore.clear();
    m_itemStore.clear();
    m_fieldStore.clear();
    m_fieldCount = 0;
    m_loadSeconds = 0.0;
}

bool Database::load(const std::string& masterFile, bool missingIsFatal)
{
    auto start = std::chrono::steady_clock::now();
    clear();
    FileSystem* fileSystem = FileSystem::instance();
    std::optional<std::vector<uint8_t>> master;
    if (fileSystem != nullptr) {
        master = fileSystem->readFile(masterFile);
    }
    if (!master) {
        std::string text = formatString("Couldn't load the database %s", masterFile.c_str());
        if (missingIsFatal) {
            fatalError(text);
        }
        debugPrint(3, "%s\n", text.c_str());
        return false;
    }
    std::string directory = getPathDirectory(masterFile);
    TextReader reader(std::string_view(reinterpret_cast<const char*>(master->data()), master->size()),
                      masterFile);
    std::string keyword;
    while (reader.readToken(keyword, true)) {
        int line = reader.getLine();
        std::string name;
        std::string file;
        if (!equalsNoCase(keyword, "SubDatabase")) {
            reader.report(3, "unknown keyword %s (expected SubDatabase <Name> \"<file>\")", keyword.c_str());
            while (reader.readToken(name, false)) {
            }
            continue;
        }
        if (!reader.readToken(name, false) || !reader.readToken(file, false)) {
            debugPrint(3, "%s:%d: SubDatabase needs a name and a file\n", masterFile.c_str(), line);
            continue;
        }
        std::string extra;
        if (reader.readToken(extra, false)) {
            reader.report(2, "text after the SubDatabase file name ignored");
            while (reader.readToken(extra, false)) {
            }
        }
        if (static_cast<int>(m_subDatabases.size()) >= kMaxSubDatabases) {
            debugPrint(3, "%s:%d: too many sub-databases; %s refused\n", masterFile.c_str(), line,
                       name.c_str());
            continue;
        }
        std::string path = directory.empty() ? file : directory + "/" + file;
        std::optional<std::vector<uint8_t>> text;
        if (fileSystem != nullptr) {
            text = fileSystem->readFile(path);
        }
        if (!text) {
            // The index stays taken so that later ids do not move.
            debugPrint(3, "%s:%d: sub-database %s: cannot read %s\n", masterFile.c_str(), line, name.c_str(),
                       path.c_str());
            addSubDatabase(name, path, std::string_view());
            continue;
        }
        addSubDatabase(name, path,
                       std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    }
    resolveBases();
    m_loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return true;
}

void Database::addSubDatabase(const std::string& name, const std::string& fileName, std::string_view text)
{
    if (static_cast<int>(m_subDatabases.size()) >= kMaxSubDatabases) {
        debugPrint(3, "%s: too many sub-databases; refused\n", fileName.c_str());
        return;
    }
    int subIndex = static_cast<int>(m_subDatabases.size());
    m_subDatabases.push_back({name, fileName, m_entries.size(), 0});
    SubDatabase& sub = m_subDatabases.back();
    // The database keeps the whole text: keys and items view into it.
    std::string_view stored = storeText(text);
    TextReader reader(TextReader::InPlace{}, stored, fileName);
    int refused = 0;
    // A rough guess of the entry count saves rehashing large files.
    growNameTable(m_nameCount + text.size() / 128);

    // Starts an entry; null when the sub-database is full.
    auto beginEntry = [&](std::string_view entryName, int line) -> DatabaseEntry* {
        if (sub.count >= kMaxEntriesPerSubDatabase) {
            if (refused++ == 0) {
                debugPrint(3,
                           "%s:%d: sub-database %s is full (%d entries); entry %s and later ones refused\n",
                           fileName.c_str(), line, name.c_str(), kMaxEntriesPerSubDatabase,
                           std::string(entryName).c_str());
            }
            return nullptr;
        }
        DatabaseEntry* entry = &m_entries.emplace_back();
        entry->m_name = entryName;
        entry->m_id = (subIndex << 16) + sub.count;
        entry->m_fileName = &sub.fileName;
        entry->m_line = line;
        growNameTable(m_nameCount + 1);
        entry->m_nameHash = hashName(entry->m_name);
        DatabaseEntry** slot = findNameSlot(entry->m_name, entry->m_nameHash);
        if (*slot == nullptr) {
            *slot = entry;
            ++m_nameCount;
        } else {
            DatabaseEntry* last = *slot;
            debugPrint(2, "%s:%d: duplicate entry name %s (first at %s:%d)\n", fileName.c_str(), line,
                       entry->m_name.c_str(), last->m_fileName->c_str(), last->m_line);
            while (last->m_nextSameName != nullptr) {
                last = last->m_nextSameName;
            }
            last->m_nextSameName = entry;
        }
        ++sub.count;
        return entry;
    };

    // A brace token; a quoted "{" or "}" is an ordinary item.
    auto isBrace = [&](std::string_view token, const char* brace) {
        return token == brace && !reader.lastTokenQuoted();
    };
    // Every token is a view into the stored text.
    std::string_view pendingName;
    int pendingLine = 0;
    std::vector<DatabaseField> fieldBuffer;
    std::vector<std::string_view> itemBuffer;
    std::vector<size_t> singleItem; // the fields of one item in fieldBuffer
    std::string_view key;
    std::string_view item;
    while (true) {
        std::string_view entryName;
        int entryLine;
        if (!pendingName.empty()) {
            entryName = pendingName;
            entryLine = pendingLine;
            pendingName = {};
        } else {
            if (!reader.readTokenView(entryName, true)) {
                break;
            }
            entryLine = reader.getLine();
            if (isBrace(entryName, "{") || isBrace(entryName, "}")) {
                reader.report(3, "unexpected %s outside an entry", std::string(entryName).c_str());
                continue;
            }
            // The entry name is the last token before a "{".
            std::string_view brace;
            bool found = false;
            bool empty = false;
            while (reader.readTokenView(brace, true)) {
                if (isBrace(brace, "{") || isBrace(brace, "{}")) {
                    found = true;
                    empty = brace == "{}";
                    break;
                }
                reader.report(3, "expected { after entry name %s, found %s", std::string(entryName).c_str(),
                              std::string(brace).c_str());
                if (isBrace(brace, "}")) {
                    break;
                }
                entryName = brace;
                entryLine = reader.getLine();
            }
            if (!found) {
                if (brace.empty()) {
                    debugPrint(3, "%s:%d: entry %s has no body\n", fileName.c_str(), entryLine,
                               std::string(entryName).c_str());
                    break;
                }
                continue;
            }
            if (empty) {
                if (DatabaseEntry* entry = beginEntry(entryName, entryLine)) {
                    finishEntry(*entry);
                }
                continue;
            }
        }
        DatabaseEntry* entry = beginEntry(entryName, entryLine);
        // The fields gather in reused buffers; their lists of several items
        // and the finished field list go into the database's block storage.
        fieldBuffer.clear();
        singleItem.clear();
        bool closed = false;
        while (!closed) {
            if (!reader.readTokenView(key, true)) {
                debugPrint(3, "%s:%d: entry %s is not terminated (missing })\n", fileName.c_str(), entryLine,
                           std::string(entryName).c_str());
                break;
            }
            if (isBrace(key, "}")) {
                closed = true;
                break;
            }
            int fieldLine = reader.getLine();
            itemBuffer.clear();
            size_t valueSize = 0;
            bool nextEntry = false;
            while (reader.readTokenView(item, false)) {
                if (isBrace(item, "}")) {
                    closed = true;
                    break;
                }
                if (isBrace(item, "{")) {
                    // "Name {" inside an entry: the entry before lacks its "}".
                    debugPrint(3, "%s:%d: entry %s is not terminated (missing } before line %d)\n",
                               fileName.c_str(), entryLine, std::string(entryName).c_str(), fieldLine);
                    nextEntry = true;
                    break;
                }
                valueSize += item.size() + (itemBuffer.empty() ? 0 : 1);
                itemBuffer.push_back(item);
            }
            if (nextEntry) {
                pendingName = key;
                pendingLine = fieldLine;
                break;
            }
            if (isBrace(key, "{")) {
                debugPrint(3, "%s:%d: unexpected { inside entry %s\n", fileName.c_str(), fieldLine,
                           std::string(entryName).c_str());
                continue;
            }
            DatabaseField& field = fieldBuffer.emplace_back();
            field.key = key;
            field.line = fieldLine;
            if (itemBuffer.size() == 1) {
                // The one item is the value, and the stored field's item list
                // views it (set below, once the field has its place).
                field.value = itemBuffer.front();
                singleItem.push_back(fieldBuffer.size() - 1);
                continue;
            }
            if (itemBuffer.empty()) {
                continue;
            }
            std::string_view* items = m_itemStore.take(itemBuffer.size());
            std::uninitialized_copy(itemBuffer.begin(), itemBuffer.end(), items);
            field.items = std::span<const std::string_view>(items, itemBuffer.size());
            if (joinedInText(itemBuffer)) {
                // Items one blank apart in the text are their own joined value.
                const char* first = itemBuffer.front().data();
                field.value = std::string_view(
                    first, static_cast<size_t>(itemBuffer.back().data() + itemBuffer.back().size() - first));
            } else {
                char* joined = m_textStore.take(valueSize);
                char* at = joined;
                for (size_t i = 0; i < itemBuffer.size(); ++i) {
                    if (i > 0) {
                        *at++ = ' ';
                    }
                    if (!itemBuffer[i].empty()) {
                        std::memcpy(at, itemBuffer[i].data(), itemBuffer[i].size());
                        at += itemBuffer[i].size();
                    }
                }
                field.value = std::string_view(joined, valueSize);
            }
        }
        if (entry != nullptr) {
            DatabaseField* fields = m_fieldStore.take(fieldBuffer.size());
            std::uninitialized_copy(fieldBuffer.begin(), fieldBuffer.end(), fields);
            for (size_t i : singleItem) {
                fields[i].items = std::span<const std::string_view>(&fields[i].value, 1);
            }
            entry->m_fields = std::span<const DatabaseField>(fields, fieldBuffer.size());
            finishEntry(*entry);
        }
    }
}

std::string_view Database::storeText(std::string_view text)
{
    char* stored = m_textStore.take(text.size());
    if (!text.empty()) {
        std::memcpy(stored, text.data(), text.size());
    }
    return std::string_view(stored, text.size());
}

void Database::finishEntry(DatabaseEntry& entry)
{
    m_fieldCount += entry.m_fields.size();
    // The three keys the loader needs, in one pass (the first of each counts).
    const DatabaseField* type = nullptr;
    const DatabaseField* baseOnly = nullptr;
    const DatabaseField* base = nullptr;
    for (const DatabaseField& field : entry.m_fields) {
        std::string_view key = field.key;
        if (key.size() == 4 && !type && equalsNoCase(key, "Type")) {
            type = &field;
        } else if (key.size() == 4 && !base && equalsNoCase(key, "Base")) {
            base = &field;
        } else if (key.size() == 8 && !baseOnly && equalsNoCase(key, "BaseOnly")) {
            baseOnly = &field;
        }
    }
    if (type != nullptr) {
        std::string value(type->items.empty() ? type->value : type->items.front());
        if (isNumber(value)) {
            int number = textToInt(value);
            if (number < 0 || number >= kDatabaseEntryTypeCount) {
                debugPrint(3, "%s:%d: entry %s: Type %d out of range\n", entry.m_fileName->c_str(),
                           type->line, entry.m_name.c_str(), number);
                number = 0;
            }
            entry.m_type = number;
        } else {
            int index = getDatabaseEntryTypeTable().find(value);
            if (index < 0) {
                debugPrint(3, "%s:%d: Unknown %s name %s\n", entry.m_fileName->c_str(), type->line,
                           "DatabaseEntryType", value.c_str());
                index = 0;
            }
            entry.m_type = index;
        }
    }
    if (baseOnly != nullptr) {
        entry.m_baseOnly = textToInt(std::string(baseOnly->value)) != 0;
    }
    if (base != nullptr) {
        entry.m_baseName = base->items.empty() ? std::string_view() : base->items.front();
        entry.m_baseLine = base->line;
    }
}

void Database::resolveBases()
{
    size_t count = m_entries.size();
    for (size_t i = 0; i < count; ++i) {
        DatabaseEntry& entry = m_entries[i];
        entry.m_base = nullptr;
        entry.dropDerived();
        if (entry.m_baseName.empty()) {
            continue;
        }
        const DatabaseEntry* base = findEntry(entry.m_baseName);
        if (base == nullptr) {
            debugPrint(3, "%s:%d: entry %s: unknown Base %.*s\n", entry.m_fileName->c_str(), entry.m_baseLine,
                       entry.m_name.c_str(), static_cast<int>(entry.m_baseName.size()),
                       entry.m_baseName.data());
        }
        entry.m_base = base;
    }
    // Index of an entry in m_entries from its id.
    auto positionOf = [this](const DatabaseEntry* entry) {
        const SubDatabase& sub = m_subDatabases[static_cast<size_t>(entry->getSubDatabase())];
        return sub.firstEntry + static_cast<size_t>(entry->getNumber());
    };
    // 0 unvisited, 1 on the current path, 2 done.
    std::vector<uint8_t> state(count, 0);
    std::vector<int> depth(count, 0);
    std::vector<size_t> path;
    for (size_t start = 0; start < count; ++start) {
        if (state[start] != 0) {
            continue;
        }
        path.clear();
        size_t current = start;
        bool valid = true;
        while (state[current] == 0) {
            state[current] = 1;
            path.push_back(current);
            const DatabaseEntry* base = m_entries[current].m_base;
            if (base == nullptr) {
                valid = false;
                break;
            }
            current = positionOf(base);
        }
        if (valid && state[current] == 1) {
            DatabaseEntry& last = m_entries[path.back()];
            debugPrint(3, "%s:%d: Base cycle between %s and %s; the link is cut\n", last.m_fileName->c_str(),
                       last.m_baseLine, last.m_name.c_str(), last.m_base->m_name.c_str());
            last.m_base = nullptr;
        }
        for (size_t i = path.size(); i-- > 0;) {
            DatabaseEntry& entry = m_entries[path[i]];
            depth[path[i]] = entry.m_base == nullptr ? 0 : depth[positionOf(entry.m_base)] + 1;
            if (depth[path[i]] > kMaxBaseDepth) {
                debugPrint(3, "%s:%d: Base chain of %s is deeper than %d; the link to %s is cut\n",
                           entry.m_fileName->c_str(), entry.m_baseLine, entry.m_name.c_str(), kMaxBaseDepth,
                           entry.m_base->m_name.c_str());
                entry.m_base = nullptr;
                depth[path[i]] = 0;
            }
            state[path[i]] = 2;
        }
    }
}

const DatabaseEntry* Database::findEntry(std::string_view name, std::string_view subDatabase) const
{
    if (m_nameSlots.empty()) {
        return nullptr;
    }
    const DatabaseEntry* first = *findNameSlot(name, hashName(name));
    if (first == nullptr || subDatabase.empty()) {
        return first;
    }
    int sub = findSubDatabase(subDatabase);
    for (const DatabaseEntry* entry = first; entry != nullptr && sub >= 0; entry = entry->m_nextSameName) {
        if (entry->getSubDatabase() == sub) {
            return entry;
        }
    }
    return nullptr;
}

const DatabaseEntry* Database::getEntryByIndex(int id) const
{
    if (id < 0) {
        return nullptr;
    }
    size_t sub = static_cast<size_t>(id >> 16);
    int number = id & 0xFFFF;
    if (sub >= m_subDatabases.size() || number >= m_subDatabases[sub].count) {
        return nullptr;
    }
    return &m_entries[m_subDatabases[sub].firstEntry + static_cast<size_t>(number)];
}

const DatabaseEntry* Database::getEntryAt(int index) const
{
    return index >= 0 && index < getEntryCount() ? &m_entries[static_cast<size_t>(index)] : nullptr;
}

const std::string& Database::getSubDatabaseName(int index) const
{
    static const std::string empty;
    return index >= 0 && index < getSubDatabaseCount() ? m_subDatabases[static_cast<size_t>(index)].name
                                                       : empty;
}

int Database::findSubDatabase(std::string_view name) const
{
    for (size_t i = 0; i < m_subDatabases.size(); ++i) {
        if (equalsNoCase(m_subDatabases[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const DatabaseEntry* Database::findFirstEntryOfType(int type) const
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const DatabaseEntry& entry = m_entries[i];
        if (!entry.m_baseOnly && entry.getTypeInherited() == type) {
            return &entry;
        }
    }
    return nullptr;
}

const DatabaseEntry* Database::findNextEntryOfType(const DatabaseEntry* previous) const
{
    if (previous == nullptr || getEntryByIndex(previous->m_id) != previous) {
        return nullptr;
    }
    int type = previous->getTypeInherited();
    size_t start = m_subDatabases[static_cast<size_t>(previous->getSubDatabase())].firstEntry +
                   static_cast<size_t>(previous->getNumber()) + 1;
    for (size_t i = start; i < m_entries.size(); ++i) {
        const DatabaseEntry* entry = &m_entries[i];
        if (!entry->m_baseOnly && entry->getTypeInherited() == type) {
            return entry;
        }
    }
    return nullptr;
}

const DatabaseField* Database::findField(const DatabaseEntry* entry, std::string_view key) const
{
    for (const DatabaseEntry* e = entry; e != nullptr; e = e->m_base) {
        if (const DatabaseField* field = e->findOwnField(key)) {
            t_lastRead = {g_generation.load(), this, entry, e, field};
            return field;
        }
    }
    return nullptr;
}

std::string Database::describeLastRead(std::string_view value)
{
    const LastRead& last = t_lastRead;
    if (last.field == nullptr || last.generation != g_generation.load() ||
        last.database != Database::instance() || value.empty()) {
        return std::string();
    }
    bool matches = last.field->value == value || std::find(last.field->items.begin(), last.field->items.end(),
                                                           value) != last.field->items.end();
    if (!matches) {
        return std::string();
    }
    return formatString("%s:%d: entry %s: ", last.owner->m_fileName->c_str(), last.field->line,
                        last.entry->m_name.c_str());
}

void Database::reportBadNumber(const DatabaseEntry* entry, std::string_view key, std::string_view text,
                               const char* kind) const
{
    const LastRead& last = t_lastRead;
    if (last.field == nullptr || last.generation != g_generation.load() || !firstReport(last.field)) {
        return;
    }
    debugPrint(3, "%s:%d: entry %s: %.*s \"%.*s\" is not %s\n", last.owner->m_fileName->c_str(),
               last.field->line, entry->m_name.c_str(), static_cast<int>(key.size()), key.data(),
               static_cast<int>(text.size()), text.data(), kind);
}

std::string Database::getString(const DatabaseEntry* entry, std::string_view key) const
{
    const DatabaseField* field = findField(entry, key);
    return field != nullptr ? std::string(field->value) : std::string();
}

int Database::getInt(const DatabaseEntry* entry, std::string_view key, int defaultValue) const
{
    const DatabaseField* field = findField(entry, key);
    if (field == nullptr || field->value.empty()) {
        return defaultValue;
    }
    int value = 0;
    if (!parseInt(field->value, value)) {
        reportBadNumber(entry, key, field->value, "a number");
        return defaultValue;
    }
    return value;
}

float Database::getFloat(const DatabaseEntry* entry, std::string_view key, float defaultValue) const
{
    const DatabaseField* field = findField(entry, key);
    if (field == nullptr || field->value.empty()) {
        return defaultValue;
    }
    float value = 0.0f;
    if (!parseFloat(field->value, value)) {
        reportBadNumber(entry, key, field->value, "a number");
        return defaultValue;
    }
    return value;
}

std::vector<const DatabaseField*> Database::collectFields(const DatabaseEntry* entry,
                                                          std::string_view key) const
{
    std::vector<const DatabaseField*> fields;
    for (const DatabaseEntry* e = entry; e != nullptr && fields.empty(); e = e->m_base) {
        for (const DatabaseField& field : e->m_fields) {
            if (equalsNoCase(field.key, key)) {
                fields.push_back(&field);
            }
        }
        if (!fields.empty()) {
            t_lastRead = {g_generation.load(), this, entry, e, fields.front()};
        }
    }
    return fields;
}

void Database::getStringList(const DatabaseEntry* entry, std::string_view key, std::vector<std::string>& out,
                             bool clearFirst) const
{
    if (clearFirst) {
        out.clear();
    }
    for (const DatabaseField* field : collectFields(entry, key)) {
        for (std::string_view item : field->items) {
            out.emplace_back(item);
        }
    }
}

std::vector<std::string> Database::getStringList(const DatabaseEntry* entry, std::string_view key) const
{
    std::vector<std::string> out;
    getStringList(entry, key, out, true);
    return out;
}

void Database::getIntList(const DatabaseEntry* entry, std::string_view key, std::vector<int>& out,
                          bool clearFirst) const
{
    if (clearFirst) {
        out.clear();
    }
    for (const DatabaseField* field : collectFields(entry, key)) {
        for (std::string_view item : field->items) {
            int value = 0;
            if (!parseInt(item, value)) {
                reportBadNumber(entry, key, item, "a number");
            }
            out.push_back(value);
        }
    }
}

void Database::getFloatList(const DatabaseEntry* entry, std::string_view key, std::vector<float>& out,
                            bool clearFirst) const
{
    if (clearFirst) {
        out.clear();
    }
    for (const DatabaseField* field : collectFields(entry, key)) {
        for (std::string_view item : field->items) {
            float value = 0.0f;
            if (!parseFloat(item, value)) {
                reportBadNumber(entry, key, item, "a number");
            }
            out.push_back(value);
        }
    }
}

void Database::logStatistics() const
{
    debugPrintRaw("Database: %d sub-databases, %d entries, %zu fields, loaded in %.3f s\n",
                  getSubDatabaseCount(), getEntryCount(), m_fieldCount, m_loadSeconds);
}

const DatabaseEntry* readDatabaseEntryRef(ByteBuffer& reader, bool byName, int dataVersion)
{
    const Database* database = Database::instance();
    if (byName && dataVersion >= 38) {
        std::string name = reader.readString();
        if (reader.failed() || name.empty() || database == nullptr) {
            return nullptr;
        }
        return database->findEntry(name);
    }
    uint32_t id = reader.readUInt();
    if (reader.failed() || database == nullptr || id > 0x7FFFFFFFu) {
        return nullptr;
    }
    return database->getEntryByIndex(static_cast<int>(id));
}
