#include "client/player/CharacterFiles.h"
#include "client/player/PlayerCovenantClient.h"

#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/RecruitClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"

namespace {

constexpr int kStatMoney = 10;
constexpr size_t kHistoryRecordBytes = 9 * 4;

bool fail(std::string& field, const char* name)
{
    field = name;
    return false;
}

} // namespace

// ---- Chars/global.sav

void PlayerCovenantClient::writeGlobal(ByteBuffer& out) const
{
    out.writeInt(static_cast<uint32_t>(kGlobalVersion));
    inventory->write(out, true);
}

bool PlayerCovenantClient::saveGlobal() const
{
    ByteBuffer out;
    writeGlobal(out);
    return CharacterFiles::write(kGlobalFile, out);
}

bool PlayerCovenantClient::parseGlobal(ByteBuffer& in, std::string& field)
{
    uint32_t version = in.readUInt();
    auto loaded = std::make_unique<InventoryClient>();
    if (in.failed()) {
        return fail(field, "version");
    }
    if (version > static_cast<uint32_t>(kGlobalVersion)) {
        field = "version " + std::to_string(version);
        return false;
    }
    if (!loaded->read(in, false, true, static_cast<int>(version), kGlobalFile)) {
        return fail(field, "inventory");
    }
    inventory = std::move(loaded);
    globalLoaded = true;
    return true;
}

bool PlayerCovenantClient::loadGlobal()
{
    auto result = CharacterFiles::readChecked(
        kGlobalFile, [&](ByteBuffer& in, std::string& field) { return parseGlobal(in, field); });
    if (result == CharacterFiles::ReadResult::Refused) {
        CharacterFiles::setAside(kGlobalFile);
    }
    return result == CharacterFiles::ReadResult::Read;
}

// ---- The character file's covenant section

void PlayerCovenantClient::writeCharacterSection(ByteBuffer& out) const
{
    for (const auto& recruit : recruits) {
        out.writeInt(static_cast<uint32_t>(recruit ? 1 : 0));
        if (recruit) {
            recruit->write(out);
        }
    }
    out.writeInt(getLifestoneHealth());
    out.writeInt(getLifestoneMaxHealth());
    out.writeInt(stats.get(kStatMoney));
    out.writeString(name.empty() ? getDefinitionName() : name);
    out.writeInt(lastInfluenceLeader);
    out.writeInt(lastPowerLeader);
    for (int i = 0; i < 4; ++i) {
        out.writeInt(funStatTotals.get(i));
    }
    for (int i = 0; i < kCovenantStatCount; ++i) {
        out.writeInt(stats.get(i));
    }
}

bool PlayerCovenantClient::readCharacterSection(ByteBuffer& in, int version, std::string& field)
{
    for (auto& recruit : recruits) {
        recruit.reset();
    }
    int read = 0;
    if (version >= 2) {
        for (auto& recruit : recruits) {
            uint32_t present = in.readUInt();
            if (in.failed()) {
                return fail(field, "recruit slot");
            }
            if (present != 0) {
                auto loaded = std::make_unique<RecruitClient>();
                if (!loaded->read(in, version)) {
                    return fail(field, "recruit");
                }
                recruit = std::move(loaded);
                ++read;
            }
        }
    } else {
        uint32_t count = in.readCount(4);
        if (in.failed() || count > recruits.size()) {
            return fail(field, "recruit count");
        }
        for (uint32_t slot = 0; slot < count; ++slot) {
            auto loaded = std::make_unique<RecruitClient>();
            if (!loaded->read(in, version)) {
                return fail(field, "recruit");
            }
            recruits[slot] = std::move(loaded);
            ++read;
        }
    }
    recruitCount = read;
    int health = in.readInt();
    int maximum = in.readInt();
    int money = in.readInt();
    if (in.failed()) {
        return fail(field, "life stone and money");
    }
    setLifestoneHealth(health);
    setLifestoneMaxHealth(maximum);
    stats.set(kStatMoney, money);
    if (version < 30) {
        name = "Test";
    } else {
        name = in.readString();
        if (in.failed()) {
            return fail(field, "covenant name");
        }
    }
    if (version >= 19) {
        int influenceLeader = in.readInt();
        int powerLeader = in.readInt();
        if (in.failed()) {
            return fail(field, "announced leaders");
        }
        lastInfluenceLeader = influenceLeader;
        lastPowerLeader = powerLeader;
    }
    if (version >= 30) {
        CounterList totals(4);
        CounterList values(kCovenantStatCount);
        if (!totals.read(in, 4) || !values.read(in, kCovenantStatCount)) {
            return fail(field, "fun stats and covenant stats");
        }
        for (int i = 0; i < 4; ++i) {
            funStatTotals.set(i, totals.get(i));
        }
        for (int i = 0; i < kCovenantStatCount; ++i) {
            stats.set(i, values.get(i));
        }
    }
    return true;
}

// ---- History

void PlayerCovenantClient::writeHistory(ByteBuffer& out) const
{
    out.writeInt(static_cast<uint32_t>(kHistoryVersion));
    out.writeGameTime(nextSampleTime);
    for (size_t k = 0; k < 5; ++k) {
        out.writeInt(powerMin[k]);
        out.writeInt(powerMax[k]);
    }
    for (size_t k = 0; k < 4; ++k) {
        out.writeInt(influenceMin[k]);
        out.writeInt(influenceMax[k]);
    }
    // Samples are padded to the covenant count as it grows, so the widest
    // sample gives the record count of all.
    size_t records = 0;
    for (const HistorySample& sample : history) {
        records = std::max(records, sample.size());
    }
    out.writeInt(static_cast<uint32_t>(history.size()));
    out.writeInt(static_cast<uint32_t>(history.empty() ? 0 : records));
    for (const HistorySample& sample : history) {
        for (size_t c = 0; c < records; ++c) {
            HistoryRecord record = c < sample.size() ? sample[c] : HistoryRecord{};
            for (int32_t v : record.power) {
                out.writeInt(v);
            }
            for (int32_t v : record.influence) {
                out.writeInt(v);
            }
        }
    }
}

bool PlayerCovenantClient::readHistory(ByteBuffer& in, std::string& field)
{
    uint32_t version = in.readUInt();
    if (in.failed()) {
        return fail(field, "version");
    }
    if (version > static_cast<uint32_t>(kHistoryVersion)) {
        field = "version " + std::to_string(version);
        return false;
    }
    GameTime next = in.readGameTime();
    std::array<int32_t, 5> pMin{}, pMax{};
    std::array<int32_t, 4> iMin{}, iMax{};
    for (size_t k = 0; k < 5; ++k) {
        if (version >= 2) {
            pMin[k] = in.readInt();
        }
        pMax[k] = in.readInt();
    }
    for (size_t k = 0; k < 4; ++k) {
        if (version >= 2) {
            iMin[k] = in.readInt();
        }
        iMax[k] = in.readInt();
    }
    uint32_t samples = in.readUInt();
    uint32_t records = in.readUInt();
    if (in.failed()) {
        return fail(field, "time, extremes and counts");
    }
    if (samples > kMaxHistorySamples || records > static_cast<uint32_t>(kMaxCovenants)) {
        return fail(field, "sample count");
    }
    if (static_cast<uint64_t>(samples) * records * kHistoryRecordBytes > in.remaining()) {
        return fail(field, "samples");
    }
    std::vector<HistorySample> loaded(samples, HistorySample(records));
    for (HistorySample& sample : loaded) {
        for (HistoryRecord& record : sample) {
            for (int32_t& v : record.power) {
                v = in.readInt();
            }
            for (int32_t& v : record.influence) {
                v = in.readInt();
            }
        }
    }
    if (in.failed()) {
        return fail(field, "samples");
    }
    nextSampleTime = next;
    powerMin = pMin;
    powerMax = pMax;
    influenceMin = iMin;
    influenceMax = iMax;
    history = std::move(loaded);
    return true;
}

bool PlayerCovenantClient::saveHistory(const std::string& characterName) const
{
    std::string file;
    if (!CharacterFiles::fileName(characterName, ".his", file)) {
        return false;
    }
    ByteBuffer out;
    writeHistory(out);
    return CharacterFiles::write(file, out);
}

bool PlayerCovenantClient::loadHistory(const std::string& characterName)
{
    std::string file;
    if (!CharacterFiles::fileName(characterName, ".his", file)) {
        return false;
    }
    auto result = CharacterFiles::readChecked(
        file, [&](ByteBuffer& in, std::string& field) { return readHistory(in, field); });
    if (result == CharacterFiles::ReadResult::Refused) {
        CharacterFiles::setAside(file);
    }
    return result == CharacterFiles::ReadResult::Read;
}
