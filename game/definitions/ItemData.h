#pragma once

#include "engine/data/DatabaseEntryType.h"

#include <cstdint>
#include <string>
#include <vector>

class ByteBuffer;
class DatabaseEntry;

// The database look-ups the item and inventory code makes, in one place,
// over DefinitionReader. Every function accepts a null entry (0, 0.0, "" or
// empty) and works without a database (then nothing is found and the defaults
// apply).

constexpr uint32_t kNoEntryId = 0xFFFFFFFFu;
// Entry types items deal with.
constexpr int kEntryTypeItem = static_cast<int>(DatabaseEntryType::Item);
constexpr int kEntryTypeMagicModifier = static_cast<int>(DatabaseEntryType::MagicModifier);
constexpr int kEntryTypeMoney = static_cast<int>(DatabaseEntryType::Money);
constexpr int kEntryTypeQuestItem = static_cast<int>(DatabaseEntryType::QuestItem);
// Files of this data version and later refer to entries by name.
constexpr int kEntryNamesFromVersion = 38;

int entryInt(const DatabaseEntry* entry, const std::string& key, int defaultValue = 0);
float entryFloat(const DatabaseEntry* entry, const std::string& key, float defaultValue = 0.0f);
std::string entryString(const DatabaseEntry* entry, const std::string& key);
std::vector<std::string> entryStringList(const DatabaseEntry* entry, const std::string& key);
std::string entryNameOf(const DatabaseEntry* entry);
uint32_t entryIdOf(const DatabaseEntry* entry);
int entryTypeOf(const DatabaseEntry* entry);
const DatabaseEntry* findEntryByName(const std::string& name);
const DatabaseEntry* findEntryById(uint32_t id);

// "GameSystem" values with defaults.
int gameSystemInt(const std::string& key, int defaultValue);
float gameSystemFloat(const std::string& key, float defaultValue);

// The sell factor over a price (the game data's level curve).
float sellFactorForPrice(int price);

// Entry references in item images: by name in file form (version >= 38),
// else a u32 id. readEntryRef sets error for an entry that does not exist.
void writeEntryRef(ByteBuffer& buffer, const DatabaseEntry* entry, bool byName);
const DatabaseEntry* readEntryRef(ByteBuffer& buffer, bool fileForm, int version, bool& missing);
