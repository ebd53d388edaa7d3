#include "client/player/PlayerClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/QuestClient.h"
#include "client/player/CharacterFiles.h"
#include "client/player/PlayerCovenantClient.h"
#include "client/stats/GlobalStats.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "game/definitions/GameFormulas.h"
#include "game/skills/Saturate.h"

namespace {

// Stats of the section after the ten attributes, by group.
constexpr int kGroup6[] = {80, 81, 83, 85, 86, 87, 76, 70, 78};
constexpr int kGroup8[] = {88, 89, 77, 93, 94, 95};
constexpr int kGroup10[] = {96, 98, 99, 100, 101, 102, 110};

bool fail(std::string& field, const char* name)
{
    field = name;
    return false;
}

// A quest image checked by the quest reader on a scratch quest; its bytes are kept.
bool takeQuest(ByteBuffer& in, std::vector<uint8_t>& bytes)
{
    size_t begin = in.getReadPos();
    QuestClient scratch;
    if (!scratch.read(in, true, false, 0)) {
        return false;
    }
    bytes.assign(in.data() + begin, in.data() + in.getReadPos());
    return true;
}

std::string userVarText(const char* name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    const UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getString() : std::string();
}

} // namespace

bool PlayerClient::parseSection(ByteBuffer& in, size_t levelGates, PlayerSection& out, std::string& field)
{
    out.entityNumber = in.readInt();
    out.animation = in.readInt();
    out.animationPriority = in.readInt();
    out.animationParameter = in.readInt();
    for (int i = 0; i < 10; ++i) {
        out.stats.emplace_back(i, in.readInt());
    }
    for (int stat : kGroup6) {
        out.stats.emplace_back(stat, in.readInt());
    }
    out.level = in.readInt();
    for (int stat : kGroup8) {
        out.stats.emplace_back(stat, in.readInt());
    }
    out.classId = in.readInt();
    for (int stat : kGroup10) {
        out.stats.emplace_back(stat, in.readInt());
    }
    out.returnPosition = in.readZonePosition();
    out.secondPosition = in.readZonePosition();
    for (int stat = 10; stat < 70; ++stat) {
        out.stats.emplace_back(stat, in.readInt());
    }
    out.tickFlags = in.readUInt();
    if (in.failed()) {
        return fail(field, "player stats and positions");
    }
    out.inventory = std::make_unique<InventoryClient>();
    if (!out.inventory->read(in, true, false, 0, "player inventory image")) {
        return fail(field, "player inventory");
    }
    out.name = in.readString();
    if (in.failed() || !in.readIntVector(out.partyMembers)) {
        return fail(field, "player name and party");
    }
    for (int32_t& value : out.statistics) {
        value = in.readInt();
    }
    out.flags = in.readUInt();
    if (in.failed()) {
        return fail(field, "player statistics and flags");
    }
    for (auto& quest : out.quests) {
        if (!takeQuest(in, quest)) {
            return fail(field, "player quest");
        }
    }
    // The gate flags carry no count: one per record of the level gate list.
    if (in.remaining() / 4 < levelGates) {
        return fail(field, "player gate flags");
    }
    out.gateFlags.resize(levelGates);
    for (int32_t& flag : out.gateFlags) {
        flag = in.readUInt() != 0 ? 1 : 0;
    }
    out.autoAttackEntity = in.readInt();
    if (in.failed() || !CharacterFiles::readFlags(in, out.exploredLevels) ||
        !CharacterFiles::readFlags(in, out.tutorialHints)) {
        return fail(field, "player explored levels and hints");
    }
    return true;
}

void PlayerClient::applySection(PlayerSection& section)
{
    Client* client = Client::instance();
    setPlayerEntityNumber(section.entityNumber);
    if (section.animation >= 0) {
        playAnimationIndex(section.animation, section.animationPriority, section.animationParameter, false,
                           true);
    }
    for (const auto& [stat, value] : section.stats) {
        stats.set(stat, value);
    }
    if (section.level != stats.get(kStatLevel)) {
        stats.set(kStatLevel, section.level);
        if (section.level > 1) {
            showHelpTopic("LevelUp");
        }
    }
    stats.set(kStatClass, section.classId);
    returnPosition = section.returnPosition;
    secondPosition = section.secondPosition;
    setTickFlags(section.tickFlags);
    inventory = std::move(section.inventory);
    inventory->setOwner(this);
    setName(section.name);
    partyMembers = section.partyMembers;
    for (int i = 0; i < kStatisticCount; ++i) {
        statistics.set(i, section.statistics[static_cast<size_t>(i)]);
    }
    int entry0 = statistics.get(0);
    int entry1 = statistics.get(1);
    statistics.set(2, entry1 > 0 ? entry0 / entry1 : entry0);
    setFlags(section.flags);
    for (size_t slot = 0; slot < quests.size(); ++slot) {
        ByteBuffer image(section.quests[slot]);
        quests[slot]->read(image, true, false, 0);
        quests[slot]->slot = static_cast<int>(slot);
    }
    if (!levelGates.isBuilt()) {
        levelGates.build();
    }
    std::vector<GateRecord>& records = levelGates.getRecords();
    for (size_t i = 0; i < records.size() && i < section.gateFlags.size(); ++i) {
        records[i].activated = section.gateFlags[i];
    }
    if (!covenantGates.isBuilt()) {
        covenantGates.build();
    }
    covenantGates.copyActivationFrom(levelGates);
    autoAttackEntity = section.autoAttackEntity;
    exploredLevels = section.exploredLevels;
    bool hintBefore = !tutorialHints.empty() && tutorialHints[0];
    tutorialHints = section.tutorialHints;
    if (!hintBefore && !tutorialHints.empty() && tutorialHints[0]) {
        showHelpTopic("TutorialFinishedHints");
    }
    // The class: the interface hears of a change once, then the model follows.
    if (client && client->getKnownClass() != section.classId) {
        client->getUi().classChanged(section.classId);
        client->setKnownClass(section.classId);
        setModelFromDefinition(section.classId);
    }
    // The stats come from the server: a figure past the int range saturates.
    m_summary.damagePerSecond = saturate(static_cast<double>(damagePerSecond(stats.values())) * 100.0);
    m_summary.maxHealth = serverMirror ? serverMirror->getMaxHealth() : 0;
    m_summary.equipmentValue = sumGroupValue(1);
    m_summary.inventoryValue = sumInventoryValue();
    // This character's record of the global statistics follows every update.
    if (client && client->getPlayerCovenant()) {
        GlobalStats::Record& record = GlobalStats::findOrAddRecord(*this, *client->getPlayerCovenant());
        record.stats.copyFrom(stats);
        record.funStats.copyFrom(statistics);
        record.otherStats.set(GlobalStats::kOtherDps, m_summary.damagePerSecond);
        record.otherStats.set(GlobalStats::kOtherMaxHealth, m_summary.maxHealth);
        record.otherStats.set(GlobalStats::kOtherEquipmentWorth, m_summary.equipmentValue);
        record.otherStats.set(GlobalStats::kOtherInventoryWorth, m_summary.inventoryValue);
    }
    if (client) {
        client->getUi().playerUpdated();
    }
}

bool PlayerClient::readServerUpdate(ByteBuffer& in)
{
    if (!levelGates.isBuilt()) {
        levelGates.build();
    }
    PlayerSection section;
    std::string field;
    if (!parseSection(in, levelGates.getRecords().size(), section, field)) {
        return false;
    }
    applySection(section);
    return true;
}

void PlayerClient::setWorldIdentity(uint32_t area, uint32_t world)
{
    areaValue = area;
    worldValue = world;
    if (!levelGates.isBuilt()) {
        levelGates.build();
    }
    if (!covenantGates.isBuilt()) {
        covenantGates.build();
    }
    m_identityKnown = true;
}

void PlayerClient::rebuildGateLists()
{
    for (GateList* list : {&levelGates, &covenantGates}) {
        GateList before(list->getMode());
        before.getRecords() = list->getRecords();
        list->build();
        list->copyActivationFrom(before);
    }
}

void PlayerClient::writeJoinSection(ByteBuffer& out, uint32_t serverAreaValue, uint32_t serverWorldValue)
{
    out.writeInt(static_cast<uint32_t>(loadedFromFile ? 1 : 0));
    if (!loadedFromFile) {
        out.writeString(userVarText("PlayerName"));
        out.writeInt(Client::chosenClassIndex());
        return;
    }
    for (GateList* list : {&levelGates, &covenantGates, &savedLevelGates, &savedCovenantGates}) {
        if (!list->isBuilt()) {
            list->build();
        }
    }
    bool same = areaValue == serverAreaValue && worldValue == serverWorldValue;
    covenantGates.copyActivationFrom(savedCovenantGates);
    if (same) {
        levelGates.copyActivationFrom(savedLevelGates);
    } else {
        levelGates.clear();
        levelGates.build();
        if (Client* client = Client::instance()) {
            client->clearMessageLog();
        }
    }
    out.writeString(getGeneratedName());
    out.writeInt(getMaxHealth());
    out.writeInt(getHealth());
    out.writeInt(stats.get(kStatClass));
    stats.write(out);
    statistics.write(out);
    inventory->write(out, false);
    for (const auto& quest : quests) {
        quest->write(out, false);
    }
    out.writeBoolVector(tutorialHints);
    out.writeInt(static_cast<uint32_t>(same ? 1 : 0));
    if (same) {
        out.writeZonePosition(returnPosition);
        out.writeZonePosition(secondPosition);
        out.writeBoolVector(exploredLevels);
    }
    out.writeInt(areaValue);
    out.writeInt(worldValue);
    out.writeInt(static_cast<uint32_t>(same ? 1 : 0));
    if (same) {
        levelGates.write(out);
        covenantGates.write(out);
        out.writeIntVector(partyRecruits);
    } else {
        covenantGates.write(out);
    }
    out.writeInt(static_cast<uint32_t>(lastingEffects.size()));
    for (const auto& [name, level] : lastingEffects) {
        out.writeString(name);
        out.writeInt(level);
    }
}
