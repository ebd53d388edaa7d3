#include "game/quests/RecruitBase.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"

#include <string>

namespace {

// The name of an entry id; "" for -1 or an id that names no entry.
std::string entryName(int32_t id)
{
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->getEntryByIndex(id) : nullptr;
    return entry ? entry->getName() : std::string();
}

// The id of the entry of that name anywhere in the database; -1 when none.
int32_t findEntryId(const std::string& name)
{
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db && !name.empty() ? db->findEntry(name) : nullptr;
    return entry ? entry->getId() : -1;
}

} // namespace

RecruitBase::RecruitBase() : RecruitBase(std::make_unique<InventoryBase>()) {}

RecruitBase::RecruitBase(std::unique_ptr<InventoryBase> ownedInventory)
    : stats(kStatCount), inventory(std::move(ownedInventory))
{
    if (!inventory)
        inventory = std::make_unique<InventoryBase>();
}

RecruitBase::~RecruitBase() = default;

int RecruitBase::getSkill(int i) const
{
    return i >= 0 && i < getSkillCount() ? skills[static_cast<size_t>(i)] : -1;
}

int RecruitBase::skillPointsStat(int i) const
{
    if (i < 0)
        return -1;
    const GameData* data = GameData::instance();
    const MonsterType* type = data ? data->findMonsterTypeByEntryId(typeEntry) : nullptr;
    if (!type || !type->archetype || !type->archetype->useSkillPoints)
        return toIndex(CharacterStat::Skill1);
    const int stat = toIndex(CharacterStat::Skill1) + 1 + i;
    return stat <= toIndex(CharacterStat::Skill60) ? stat : -1;
}

void RecruitBase::write(ByteBuffer& buffer) const
{
    buffer.writeString(entryName(typeEntry));
    stats.write(buffer);
    inventory->write(buffer, true);
    buffer.writeInt(static_cast<uint32_t>(entryList.size()));
    for (int32_t id : entryList)
        buffer.writeString(entryName(id));
    buffer.writeInt(seed);
    buffer.writeInt(static_cast<uint32_t>(skills.size()));
    for (int32_t id : skills)
        buffer.writeString(entryName(id));
}

std::unique_ptr<InventoryBase> RecruitBase::makeInventory() const
{
    return std::make_unique<InventoryBase>();
}

bool RecruitBase::read(ByteBuffer& buffer, int dataVersion)
{
    Parsed parsed;
    if (!parse(buffer, dataVersion, parsed))
        return false;
    take(std::move(parsed));
    return true;
}

bool RecruitBase::parse(ByteBuffer& buffer, int dataVersion, Parsed& parsed) const
{
    if (buffer.failed())
        return false;
    const DatabaseEntry* type = readDatabaseEntryRef(buffer, true, dataVersion);
    parsed.typeEntry = type ? type->getId() : -1;

    parsed.stats = stats;
    int statCount = dataVersion >= kVersionFullStats ? kStatCount : kStatCount - 1;
    if (buffer.failed() || !parsed.stats.read(buffer, statCount))
        return false;

    // The image goes into an inventory of its own, taken over only once the
    // whole record has been accepted.
    parsed.inventory = makeInventory();
    if (!parsed.inventory->read(buffer, false, true, dataVersion, "recruit record"))
        return false;

    uint32_t entryCount = buffer.readCount(1);
    for (uint32_t i = 0; i < entryCount && buffer.ok(); ++i) {
        std::string name = buffer.readString();
        if (buffer.failed())
            break;
        int32_t id = findEntryId(name);
        if (id < 0)
            debugPrint(2, "Recruit record: kept entry \"%s\" names no database entry; dropped\n",
                       name.c_str());
        else
            parsed.entryList.push_back(id);
    }
    parsed.seed = buffer.readInt();
    uint32_t skillCount = buffer.readCount(1);
    for (uint32_t i = 0; i < skillCount && buffer.ok(); ++i) {
        std::string name = buffer.readString();
        parsed.skills.push_back(findEntryId(name));
    }
    return !buffer.failed();
}

void RecruitBase::take(Parsed&& parsed)
{
    typeEntry = parsed.typeEntry;
    stats = std::move(parsed.stats);
    inventory = std::move(parsed.inventory);
    entryList = std::move(parsed.entryList);
    seed = parsed.seed;
    skills = std::move(parsed.skills);
}
