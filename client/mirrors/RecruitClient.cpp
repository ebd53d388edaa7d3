#include "client/mirrors/RecruitClient.h"

#include "client/GameClient.h"
#include "client/mirrors/InventoryClient.h"
#include "engine/core/ByteBuffer.h"

namespace {

void writeList(ByteBuffer& out, const std::vector<int32_t>& values)
{
    out.writeInt(static_cast<uint32_t>(values.size()));
    for (int32_t value : values) {
        out.writeInt(value);
    }
}

bool readList(ByteBuffer& in, std::vector<int32_t>& values)
{
    uint32_t count = in.readCount(4);
    if (in.failed()) {
        return false;
    }
    values.resize(count);
    for (int32_t& value : values) {
        value = in.readInt();
    }
    return in.ok();
}

} // namespace

RecruitClient::RecruitClient() : RecruitBase(std::make_unique<InventoryClient>()) {}

std::unique_ptr<InventoryBase> RecruitClient::makeInventory() const
{
    return std::make_unique<InventoryClient>();
}

void RecruitClient::writeNetwork(ByteBuffer& out) const
{
    out.writeInt(typeEntry);
    stats.write(out);
    inventory->write(out, false);
    writeList(out, entryList);
    out.writeInt(seed);
    writeList(out, skills);
}

bool RecruitClient::readImage(ByteBuffer& in)
{
    if (in.failed()) {
        return false;
    }
    int32_t readEntry = in.readInt();
    CounterList readStats(kStatCount);
    if (!readStats.read(in, kStatCount)) {
        return false;
    }
    auto readInventory = std::make_unique<InventoryClient>();
    if (!readInventory->read(in, true, false, 0, "recruit inventory image")) {
        return false;
    }
    int32_t readNumber = in.readInt();
    std::vector<int32_t> readEffects;
    std::vector<int32_t> readSkills;
    if (!readList(in, readEffects)) {
        return false;
    }
    int32_t readSeed = in.readInt();
    if (!readList(in, readSkills)) {
        return false;
    }
    typeEntry = readEntry;
    stats.copyFrom(readStats);
    inventory = std::move(readInventory);
    entityNumber = readNumber;
    entryList = std::move(readEffects);
    seed = readSeed;
    skills = std::move(readSkills);
    return true;
}

bool RecruitClient::readSnapshot(ByteBuffer& in)
{
    if (!readImage(in)) {
        return false;
    }
    refreshName();
    return true;
}

void RecruitClient::refreshName()
{
    const GameClient* game = GameClient::instance();
    const EntityClient* mirror = game && entityNumber != -1 ? game->getEntity(entityNumber) : nullptr;
    if (!mirror) {
        return;
    }
    if (!name.empty() && nameSource == mirror->getLevel()) {
        return;
    }
    // The short hover text: the name line alone.
    std::string built;
    mirror->getTooltipText(built, true, true, true);
    name = built;
    nameSource = mirror->getLevel();
}
