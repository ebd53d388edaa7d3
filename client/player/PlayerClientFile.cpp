#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/mirrors/RecruitClient.h"
#include "client/mirrors/StatusEffectClient.h"
#include "client/player/CharacterFiles.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/data/DatabaseEntry.h"

namespace {

bool fail(std::string& field, const char* name)
{
    field = name;
    return false;
}

// Statistics counters a file of that version holds.
int statisticsInFile(int version)
{
    if (version < 23)
        return 17;
    if (version < 29)
        return 19;
    if (version < 34)
        return 24;
    return 25;
}

} // namespace

void PlayerClient::writeFile(ByteBuffer& out, const PlayerCovenantClient* covenant)
{
    EntityClient* mirror = serverMirror.get();
    out.writeInt(static_cast<uint32_t>(kFileVersion));
    out.writeString(getGeneratedName());
    out.writeInt(mirror ? mirror->getMaxHealth() : getMaxHealth());
    out.writeInt(mirror ? mirror->getHealth() : getHealth());
    out.writeInt(areaValue);
    out.writeInt(worldValue);
    out.writeZonePosition(returnPosition);
    bool raiding = covenant && covenant->raiding;
    out.writeZonePosition(raiding ? secondPosition : ZonePosition(-1, 0.0f, 0.0f));
    stats.write(out);
    statistics.write(out);
    inventory->write(out, true);
    out.writeInt(activeWeaponSet);
    out.writeInt(static_cast<uint32_t>(hotkeyTable.size()));
    // The third value is the skill's index in its tree or the item's entry:
    // writing anything else there puts another skill on the bar at Continue.
    for (const HotkeyRecord& record : hotkeyTable) {
        for (int32_t value : record.values) {
            out.writeInt(value);
        }
    }
    for (const auto& quest : quests) {
        quest->write(out, true);
    }
    out.writeBoolVector(readHelpTopics);
    levelGates.writeFileImage(out);
    covenantGates.writeFileImage(out);
    out.writeBoolVector(exploredLevels);
    out.writeBoolVector(tutorialHints);
    partyRecruits.clear();
    GameClient* game = GameClient::instance();
    if (covenant && game) {
        for (int32_t member : partyMembers) {
            EntityClient* entity = game->getEntity(member);
            int slot = entity ? covenant->findRecruitSlot(member) : -1;
            if (slot >= 0) {
                partyRecruits.push_back(slot);
            }
        }
    }
    out.writeIntVector(partyRecruits);
    if (covenant) {
        covenant->writeCharacterSection(out);
    } else {
        PlayerCovenantClient().writeCharacterSection(out);
    }
    Client* client = Client::instance();
    static const std::vector<std::string> kNone;
    const std::vector<std::string>& log = client ? client->getMessageLog() : kNone;
    out.writeInt(static_cast<uint32_t>(log.size()));
    for (const std::string& line : log) {
        out.writeString(line);
    }
    // Effects the join gives back by itself (regeneration, a worn set's
    // bonus) and passing ones are left out.
    std::vector<std::pair<std::string, int32_t>> lasting;
    for (size_t i = 0; mirror && i < mirror->getStatusEffects().size(); ++i) {
        const StatusEffectClient* effect = mirror->getStatusEffects()[i].get();
        const DatabaseEntry* entry = effect ? effect->getEntry() : nullptr;
        if (entry && effect->forever && !effect->itemSetEffect && !effect->basicRegen) {
            lasting.emplace_back(entry->getName(), effect->level);
        }
    }
    out.writeInt(static_cast<uint32_t>(lasting.size()));
    for (const auto& [name, level] : lasting) {
        out.writeString(name);
        out.writeInt(level);
    }
}

bool PlayerClient::readFile(ByteBuffer& in, PlayerCovenantClient* covenant, std::string& field)
{
    uint32_t version = in.readUInt();
    if (in.failed()) {
        return fail(field, "version");
    }
    if (version > static_cast<uint32_t>(kHighestFileVersion)) {
        field = "version " + std::to_string(version);
        return false;
    }
    int v = static_cast<int>(version);
    std::string name = in.readString();
    int maximum = in.readInt();
    int health = in.readInt();
    uint32_t area = in.readUInt();
    uint32_t world = in.readUInt();
    ZonePosition first = in.readZonePosition();
    ZonePosition second = in.readZonePosition();
    if (in.failed()) {
        return fail(field, "name, health and positions");
    }
    setName(name);
    setMaxHealth(maximum);
    setHealth(std::min(getHealth(), maximum));
    setHealth(health);
    areaValue = area;
    worldValue = world;
    returnPosition = first;
    secondPosition = second;
    if (!stats.read(in, v < 13 ? kStatCount - 1 : kStatCount)) {
        return fail(field, "stats");
    }
    if (!statistics.read(in, statisticsInFile(v))) {
        return fail(field, "statistics");
    }
    auto loaded = std::make_unique<InventoryClient>();
    if (!loaded->read(in, false, true, v, "character inventory")) {
        return fail(field, "inventory");
    }
    inventory = std::move(loaded);
    inventory->setOwner(this);
    activeWeaponSet = 0;
    if (v >= 25) {
        activeWeaponSet = in.readInt() != 0 ? 1 : 0;
    }
    uint32_t hotkeys = in.readUInt();
    if (in.failed() || hotkeys > static_cast<uint32_t>(kMaxHotkeys)) {
        return fail(field, "hotkey count");
    }
    std::vector<HotkeyRecord> table(hotkeys);
    for (HotkeyRecord& record : table) {
        for (int i = 0; i < 3; ++i) {
            record.values[i] = in.readInt();
        }
        record.values[3] = v >= 20 ? in.readInt() : -1;
    }
    if (in.failed()) {
        return fail(field, "hotkeys");
    }
    hotkeyTable = std::move(table);
    for (auto& quest : quests) {
        if (!quest->read(in, true, true, v)) {
            return fail(field, "quest");
        }
    }
    if (!CharacterFiles::readFlags(in, readHelpTopics)) {
        return fail(field, "read help topics");
    }
    if (!savedLevelGates.readFileImage(in, v) || in.failed()) {
        return fail(field, "level gates");
    }
    if (!savedCovenantGates.readFileImage(in, v) || in.failed()) {
        return fail(field, "covenant gates");
    }
    if (!CharacterFiles::readFlags(in, exploredLevels)) {
        return fail(field, "explored levels");
    }
    if (v >= 26 && !CharacterFiles::readFlags(in, tutorialHints)) {
        return fail(field, "tutorial hints");
    }
    partyRecruits.clear();
    if (v >= 3 && !in.readIntVector(partyRecruits)) {
        return fail(field, "party recruits");
    }
    if (covenant) {
        if (!covenant->readCharacterSection(in, v, field)) {
            return false;
        }
    } else {
        PlayerCovenantClient scratch;
        if (!scratch.readCharacterSection(in, v, field)) {
            return false;
        }
    }
    std::vector<std::string> log;
    if (v >= 17) {
        uint32_t lines = in.readCount(1);
        if (in.failed()) {
            return fail(field, "message log count");
        }
        for (uint32_t i = 0; i < lines; ++i) {
            log.push_back(in.readString());
            if (in.failed()) {
                return fail(field, "message log");
            }
        }
    }
    std::vector<std::pair<std::string, int32_t>> lasting;
    if (v >= 40) {
        uint32_t count = in.readCount(5);
        if (in.failed()) {
            return fail(field, "lasting effect count");
        }
        for (uint32_t i = 0; i < count; ++i) {
            std::string effect = in.readString();
            int32_t level = in.readInt();
            if (in.failed()) {
                return fail(field, "lasting effects");
            }
            lasting.emplace_back(std::move(effect), level);
        }
    }
    messageLog = std::move(log);
    lastingEffects = std::move(lasting);
    loadedFromFile = true;
    return true;
}

bool PlayerClient::save(PlayerCovenantClient* covenant, const std::string& characterName)
{
    std::string file;
    if (!serverMirror || !CharacterFiles::fileName(characterName, ".chr", file)) {
        return false;
    }
    ByteBuffer out;
    writeFile(out, covenant);
    return CharacterFiles::write(file, out);
}

bool PlayerClient::load(const std::string& characterName, PlayerCovenantClient* covenant)
{
    loadRefused = false;
    std::string file;
    if (!CharacterFiles::fileName(characterName, ".chr", file)) {
        return false;
    }
    auto result = CharacterFiles::readChecked(
        file, [&](ByteBuffer& in, std::string& field) { return readFile(in, covenant, field); });
    if (result != CharacterFiles::ReadResult::Read) {
        loadRefused = result == CharacterFiles::ReadResult::Refused;
        return false;
    }
    return true;
}
