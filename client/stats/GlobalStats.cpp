#include "client/stats/GlobalStats.h"

#include "client/Client.h"
#include "client/player/CharacterFiles.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ByteBuffer.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameFormulas.h"

namespace {

constexpr int kGlobalNormal = 5;
constexpr int kGlobalFun = 6;
constexpr int kLevel = 84;
constexpr int kXp = 85;
constexpr int kClass = 92;
constexpr int kTimePlayedMs = 4;
constexpr int kTimePlayedDays = 5;

// Values read per record by the stored version.
void listLengths(int version, int& stats, int& funStats)
{
    stats = version < 13 ? 111 : 112;
    funStats = version < 23 ? 17 : version < 29 ? 19 : version < 34 ? 24 : 25;
}

std::string covenantText(const PlayerCovenantClient& covenant)
{
    return covenant.name.empty() ? covenant.getDefinitionName() : covenant.name;
}

const std::vector<int32_t>& selected(const GlobalStats::Record& r, int statType)
{
    return statType == kGlobalNormal ? r.stats.values()
           : statType == kGlobalFun  ? r.funStats.values()
                                     : r.otherStats.values();
}

int at(const std::vector<int32_t>& values, int index)
{
    return index >= 0 && static_cast<size_t>(index) < values.size() ? values[static_cast<size_t>(index)] : 0;
}

// Whether the candidate beats the holder; ties keep the holder.
bool isBetter(const GlobalStats::Record& candidate, const GlobalStats::Record& holder, int statType,
              int index)
{
    const std::vector<int32_t>& c = selected(candidate, statType);
    const std::vector<int32_t>& h = selected(holder, statType);
    if (statType == kGlobalNormal && index == kLevel) {
        return at(c, kLevel) != at(h, kLevel) ? at(c, kLevel) > at(h, kLevel) : at(c, kXp) > at(h, kXp);
    }
    if (statType == kGlobalFun) {
        if (index == kTimePlayedMs) {
            return at(c, kTimePlayedDays) != at(h, kTimePlayedDays)
                       ? at(c, kTimePlayedDays) > at(h, kTimePlayedDays)
                       : at(c, kTimePlayedMs) > at(h, kTimePlayedMs);
        }
        // Monster pairs: the entry id, then the packed level, rarity and player level.
        const int pair = index >= 8 && index <= 15 ? index & ~1 : -1;
        if (pair == 8) {
            return monsterExperienceFromRecord(c, 8, false) > monsterExperienceFromRecord(h, 8, false);
        }
        if (pair == 10 || pair == 12) {
            const bool atPlayerLevel = pair == 10;
            const int mine = monsterExperienceFromRecord(c, pair, atPlayerLevel);
            return mine > 0 && mine > monsterExperienceFromRecord(h, pair, atPlayerLevel);
        }
        if (pair == 14) {
            const int mine = monsterExperienceFromRecord(c, 14, false);
            const int theirs = monsterExperienceFromRecord(h, 14, false);
            return mine > 0 && (theirs == 0 || mine < theirs);
        }
    }
    return at(c, index) > at(h, index);
}

} // namespace

bool GlobalStats::parse(ByteBuffer& in, std::vector<Record>& out, std::string& field, size_t& offset)
{
    offset = 0;
    const int version = in.readInt();
    const int count = in.readInt();
    if (in.failed()) {
        field = "header";
        return false;
    }
    if (version > kVersion) {
        field = "version";
        return false;
    }
    if (count < 0) {
        offset = 4;
        field = "record count";
        return false;
    }
    int statCount = 0;
    int funCount = 0;
    listLengths(version, statCount, funCount);
    for (int i = 0; i < count; ++i) {
        offset = in.getReadPos();
        Record record;
        record.name = in.readString();
        record.covenant = in.readString();
        record.stats.read(in, statCount);
        record.funStats.read(in, funCount);
        if (in.failed()) {
            // A count beyond the bytes ends here too: nothing is sized by it.
            field = "record " + std::to_string(i);
            return false;
        }
        out.push_back(std::move(record));
    }
    return true;
}

void GlobalStats::load()
{
    s_records.clear();
    std::optional<std::vector<uint8_t>> bytes = CharacterFiles::read(kFile);
    if (!bytes) {
        CharacterFiles::keepDamaged(kFile, false);
        return;
    }
    ByteBuffer in(std::move(*bytes));
    std::string field;
    size_t offset = 0;
    if (!parse(in, s_records, field, offset)) {
        // What could not be read is kept aside before the next save replaces
        // it; without that copy no save replaces it.
        CharacterFiles::logRefusal(kFile, field, offset);
        ByteBuffer copy(in.data(), in.size());
        CharacterFiles::keepDamaged(kFile, !CharacterFiles::write(std::string(kFile) + ".damaged", copy));
    } else {
        CharacterFiles::keepDamaged(kFile, false);
    }
}

void GlobalStats::write(ByteBuffer& out)
{
    out.writeInt(static_cast<int32_t>(kVersion));
    out.writeInt(static_cast<int32_t>(s_records.size()));
    for (const Record& record : s_records) {
        out.writeString(record.name);
        out.writeString(record.covenant);
        record.stats.write(out);
        record.funStats.write(out);
    }
}

bool GlobalStats::save()
{
    ByteBuffer out;
    write(out);
    return CharacterFiles::write(kFile, out);
}

void GlobalStats::clear()
{
    s_records.clear();
}

GlobalStats::Record& GlobalStats::findOrAddRecord(const PlayerClient& player,
                                                  const PlayerCovenantClient& covenant)
{
    const std::string& name = player.getGeneratedName();
    const std::string covenantName = covenantText(covenant);
    for (Record& record : s_records) {
        if (record.name == name && record.covenant == covenantName) {
            return record;
        }
    }
    Record record;
    record.name = name;
    record.covenant = covenantName;
    record.stats.copyFrom(player.stats);
    record.funStats.copyFrom(player.statistics);
    s_records.push_back(std::move(record));
    return s_records.back();
}

void GlobalStats::setOtherStat(int index, int value)
{
    const Client* client = Client::instance();
    const PlayerClient* player = client ? client->getLocalPlayer() : nullptr;
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    if (player && covenant) {
        findOrAddRecord(*player, *covenant).otherStats.set(index, value);
    }
}

void GlobalStats::findRecordHolder(int statType, int index, std::string& text, int& value)
{
    text = "-";
    value = 0;
    if (s_records.empty() || index < 0 ||
        static_cast<size_t>(index) >= selected(s_records.front(), statType).size()) {
        return;
    }
    const Record* holder = &s_records.front();
    for (const Record& record : s_records) {
        if (&record != holder && isBetter(record, *holder, statType, index)) {
            holder = &record;
        }
    }
    const GameData* data = GameData::instance();
    const CharacterClass* characterClass =
        data ? data->findCharacterClassById(holder->stats.get(kClass)) : nullptr;
    text = holder->name + " (";
    if (characterClass) {
        text += characterClass->name + " from ";
    }
    text += holder->covenant + ")";
    value = at(selected(*holder, statType), index);
}
