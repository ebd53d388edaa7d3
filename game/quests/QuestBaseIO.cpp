// The quest record's byte format: only what cannot be rolled again (level,
// seed, type, start time, counters); the rest comes back from the seed.
#include "engine/core/ByteBuffer.h"
#include "engine/data/DatabaseEntry.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/MonsterType.h"
#include "game/quests/QuestBase.h"

#include <cmath>

namespace {

// Monster type references are read by name from data version 38 on.
constexpr int kFirstVersionByName = 38;

void writeMonsterRef(ByteBuffer& buffer, const MonsterType* type, bool byName)
{
    if (byName)
        buffer.writeString(type && type->getEntry() ? type->getEntry()->getName() : std::string());
    else
        buffer.writeInt(static_cast<int32_t>(type ? type->getIndex() : -1));
}

MonsterType* readMonsterRef(ByteBuffer& buffer, bool byName)
{
    const GameData* data = GameData::instance();
    if (byName) {
        std::string name = buffer.readString();
        return data && !name.empty() ? data->findMonsterType(name) : nullptr;
    }
    int index = buffer.readInt();
    return data ? data->getMonsterType(index) : nullptr;
}

struct ReadTarget {
    MonsterType* type = nullptr;
    int count = 0;
};

} // namespace

void QuestBase::write(ByteBuffer& buffer, bool byName) const
{
    buffer.writeInt(static_cast<int32_t>(level));
    buffer.writeInt(seed);
    buffer.writeInt(static_cast<int32_t>(progress));
    buffer.writeInt(static_cast<int32_t>(type));
    buffer.writeGameTime(startTime);
    buffer.writeInt(static_cast<int32_t>(id));
    buffer.writeInt(static_cast<int32_t>(failed ? 1 : 0));
    bool hasType = monsterType && monsterType->getEntry();
    buffer.writeInt(static_cast<int32_t>(hasType ? 1 : 0));
    if (hasType)
        writeMonsterRef(buffer, monsterType, byName);
    buffer.writeInt(static_cast<uint32_t>(targets.size()));
    for (const QuestTarget& t : targets) {
        writeMonsterRef(buffer, t.monsterType, byName);
        buffer.writeInt(static_cast<int32_t>(t.count));
    }
}

bool QuestBase::read(ByteBuffer& buffer, bool rebuild, bool byName, int version)
{
    if (buffer.failed())
        return false;
    const bool names = byName && version >= kFirstVersionByName;

    // The whole record first; nothing is applied unless it is complete and valid.
    int readLevel = buffer.readInt();
    uint32_t readSeed = buffer.readUInt();
    int readProgress = buffer.readInt();
    int readType = buffer.readInt();
    GameTime readStart = buffer.readGameTime();
    int readId = buffer.readInt();
    bool readFailed = buffer.readInt() != 0;
    bool hasType = buffer.readInt() != 0;
    MonsterType* readType0 = nullptr;
    if (hasType)
        readType0 = readMonsterRef(buffer, names);
    // A target takes at least a reference (4 bytes, or 1 for an empty name) and a count.
    uint32_t n = buffer.readCount(names ? 5 : 8);
    std::vector<ReadTarget> readTargets;
    if (buffer.ok()) {
        readTargets.resize(n);
        for (ReadTarget& t : readTargets) {
            t.type = readMonsterRef(buffer, names);
            t.count = buffer.readInt();
        }
    }
    if (buffer.failed())
        return false;
    if (readType < 0 || readType >= kQuestTypeCount)
        return false;
    if (readLevel != -1 && (readLevel < 0 || readLevel > GameRules::kMaxLevelLimit))
        return false;
    if (!std::isfinite(readStart.seconds))
        return false;

    id = readId;
    bool changed = setup(readLevel, readStart, readSeed, readType, 0);
    progress = readProgress;
    failed = readFailed;
    if (hasType)
        monsterType = readType0;
    if (targets.size() != readTargets.size())
        targets.assign(readTargets.size(), QuestTarget());
    for (size_t i = 0; i < readTargets.size(); ++i) {
        QuestTarget& t = targets[i];
        t.monsterType = readTargets[i].type;
        t.count = readTargets[i].count;
        if (t.monsterType && t.monsterType->unique)
            t.rank = toIndex(MonsterRarity::Unique);
        else if (t.monsterType && t.monsterType->legend)
            t.rank = toIndex(MonsterRarity::Legend);
    }
    if (changed && rebuild) {
        rollChoices(false);
        setUp(1, nullptr);
        randomizeParameters();
    }
    return true;
}

void QuestBase::writeEmpty(ByteBuffer& buffer)
{
    buffer.writeInt(static_cast<int32_t>(-1)); // level
    buffer.writeInt(static_cast<uint32_t>(0)); // seed
    buffer.writeInt(static_cast<int32_t>(0));  // progress
    buffer.writeInt(static_cast<int32_t>(0));  // type
    buffer.writeGameTime(GameTime());
    buffer.writeInt(static_cast<int32_t>(0));  // id
    buffer.writeInt(static_cast<int32_t>(0));  // failed
    buffer.writeInt(static_cast<int32_t>(0));  // no monster type
    buffer.writeInt(static_cast<uint32_t>(0)); // no targets
}

bool QuestBase::skip(ByteBuffer& buffer, bool byName, int version)
{
    if (buffer.failed())
        return false;
    const bool names = byName && version >= kFirstVersionByName;
    int readLevel = buffer.readInt();
    buffer.readUInt();
    buffer.readInt();
    int readType = buffer.readInt();
    GameTime readStart = buffer.readGameTime();
    buffer.readInt();
    buffer.readInt();
    if (buffer.readInt() != 0)
        readMonsterRef(buffer, names);
    uint32_t n = buffer.readCount(names ? 5 : 8);
    for (uint32_t i = 0; i < n && buffer.ok(); ++i) {
        readMonsterRef(buffer, names);
        buffer.readInt();
    }
    if (buffer.failed())
        return false;
    if (readType < 0 || readType >= kQuestTypeCount)
        return false;
    if (readLevel != -1 && (readLevel < 0 || readLevel > GameRules::kMaxLevelLimit))
        return false;
    return std::isfinite(readStart.seconds);
}
