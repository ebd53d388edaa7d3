#include "client/player/PlayerCovenantClient.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/InventoryClient.h"
#include "client/mirrors/RecruitClient.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"

#include <set>

namespace {

constexpr int kStatMaxNpcs = 4;
constexpr int kStatMaxLifeStone = 5;
constexpr int kStatMoney = 10;

const char* const kSoundNames[5] = {"Sounds/alarm.ogg", "Sounds/town_being_attacked.ogg",
                                    "Sounds/treatyRequest.ogg", "Sounds/declaredWar.ogg",
                                    "Sounds/startedRaid.ogg"};
enum SoundIndex { kAlarm, kTownAttack, kTreatyRequest };

int maxRecruitsRule()
{
    const GameData* data = GameData::instance();
    return data ? std::max(0, data->rules().maxRecruits) : 0;
}

bool fail(std::string& field, const char* name)
{
    field = name;
    return false;
}

// A recruit's state image checked on a scratch recruit; its bytes are kept.
bool takeRecruitImage(ByteBuffer& in, std::vector<uint8_t>& bytes)
{
    size_t begin = in.getReadPos();
    RecruitClient scratch;
    if (!scratch.readImage(in)) {
        return false;
    }
    bytes.assign(in.data() + begin, in.data() + in.getReadPos());
    return true;
}

} // namespace

PlayerCovenantSection::PlayerCovenantSection() = default;
PlayerCovenantSection::~PlayerCovenantSection() = default;
PlayerCovenantSection::PlayerCovenantSection(PlayerCovenantSection&&) noexcept = default;
PlayerCovenantSection& PlayerCovenantSection::operator=(PlayerCovenantSection&&) noexcept = default;

PlayerCovenantClient::PlayerCovenantClient()
{
    stats.resize(kCovenantStatCount);
    stats.set(kStatMaxNpcs, 4);
    stats.set(kStatMaxLifeStone, 100);
    inventory = std::make_unique<InventoryClient>();
    recruits.resize(static_cast<size_t>(maxRecruitsRule()));
    if (ResourceSystem* resources = ResourceSystem::instance()) {
        for (size_t i = 0; i < m_sounds.size(); ++i) {
            m_sounds[i] = resources->loadIfTyped(kSoundNames[i]);
        }
    }
    recruitCandidate = std::make_unique<RecruitClient>();
    reset();
}

PlayerCovenantClient::~PlayerCovenantClient()
{
    reset();
}

void PlayerCovenantClient::reset()
{
    powerMin.fill(0);
    powerMax.fill(0);
    influenceMin.fill(0);
    influenceMax.fill(0);
    history.clear();
    nextSampleTime = GameTime();
    awaitServerStone();
    beingRaided = false;
    houseAttacked = false;
    raiding = false;
    lastInfluenceLeader = -1;
    lastPowerLeader = -1;
    m_historyFullLogged = false;
    for (PendingOffer& offer : pendingOffers) {
        offer.entries.clear();
    }
}

// ---- Server messages

void PlayerCovenantClient::writeJoinSection(ByteBuffer& out) const
{
    out.writeInt(static_cast<uint32_t>(globalLoaded ? 1 : 0));
    out.writeString(name.empty() ? getDefinitionName() : name);
    if (!globalLoaded) {
        return;
    }
    inventory->write(out, false);
    int occupied = 0;
    for (const auto& recruit : recruits) {
        occupied += recruit ? 1 : 0;
    }
    out.writeInt(occupied);
    for (size_t slot = 0; slot < recruits.size(); ++slot) {
        if (recruits[slot]) {
            out.writeInt(static_cast<uint32_t>(slot));
            recruits[slot]->writeNetwork(out);
        }
    }
    stats.write(out);
    out.writeInt(getLifestoneHealth());
    out.writeInt(getLifestoneMaxHealth());
}

bool PlayerCovenantClient::parseSection(ByteBuffer& in, int maxRecruits, PlayerCovenantSection& out,
                                        std::string& field)
{
    out.name = in.readString();
    out.house = in.readZonePosition();
    out.covenantIndex = in.readInt();
    if (in.failed()) {
        return fail(field, "player covenant name, house and index");
    }
    out.inventory = std::make_unique<InventoryClient>();
    if (!out.inventory->read(in, true, false, 0, "player covenant inventory image")) {
        return fail(field, "player covenant inventory");
    }
    uint32_t count = in.readUInt();
    if (in.failed() || count > static_cast<uint32_t>(std::max(0, maxRecruits))) {
        return fail(field, "player covenant recruit count");
    }
    std::set<int32_t> seen;
    for (uint32_t i = 0; i < count; ++i) {
        int32_t slot = in.readInt();
        if (in.failed() || slot < 0 || slot >= maxRecruits || !seen.insert(slot).second) {
            return fail(field, "player covenant recruit slot");
        }
        std::vector<uint8_t> image;
        if (!takeRecruitImage(in, image)) {
            return fail(field, "player covenant recruit");
        }
        out.recruits.emplace_back(slot, std::move(image));
    }
    for (int32_t& value : out.funStats) {
        value = in.readInt();
    }
    out.maxNpcs = in.readInt();
    out.maxLifeStone = in.readInt();
    out.money = in.readInt();
    out.destroyed = in.readUInt() != 0;
    out.beingRaided = in.readUInt() != 0;
    out.houseAttacked = in.readUInt() != 0;
    out.raiding = in.readUInt() != 0;
    out.raidTarget = in.readInt();
    out.lifestoneHealth = in.readInt();
    out.lifestoneMaxHealth = in.readInt();
    out.hasCandidate = in.readUInt() != 0;
    if (in.failed()) {
        return fail(field, "player covenant statistics and flags");
    }
    if (out.hasCandidate && !takeRecruitImage(in, out.candidate)) {
        return fail(field, "player covenant recruit candidate");
    }
    return true;
}

void PlayerCovenantClient::applySection(PlayerCovenantSection& section)
{
    name = section.name;
    housePosition = section.house;
    index = section.covenantIndex;
    inventory = std::move(section.inventory);
    int count = static_cast<int>(section.recruits.size());
    Client* client = Client::instance();
    if (count > 0 && count != recruitCount && client && client->hasLocalPlayer()) {
        client->showHelpTopic("YourRecruits");
    }
    recruitCount = count;
    for (auto& recruit : recruits) {
        if (recruit) {
            recruit->stale = true;
        }
    }
    for (auto& [slot, image] : section.recruits) {
        auto& place = recruits[static_cast<size_t>(slot)];
        if (!place) {
            place = std::make_unique<RecruitClient>();
        }
        ByteBuffer bytes(image);
        place->readSnapshot(bytes);
        place->stale = false;
    }
    for (auto& recruit : recruits) {
        if (recruit && recruit->stale) {
            recruit.reset();
        }
    }
    for (int i = 0; i < 4; ++i) {
        int last = funStatLastSeen.get(i);
        if (section.funStats[static_cast<size_t>(i)] != last) {
            funStatTotals.add(i, section.funStats[static_cast<size_t>(i)] - last);
            funStatLastSeen.set(i, section.funStats[static_cast<size_t>(i)]);
        }
    }
    stats.set(kStatMaxNpcs, section.maxNpcs);
    stats.set(kStatMaxLifeStone, section.maxLifeStone);
    stats.set(kStatMoney, section.money);
    destroyed = section.destroyed;
    beingRaided = section.beingRaided;
    houseAttacked = section.houseAttacked;
    raiding = section.raiding;
    raidTarget = section.raidTarget;
    setLifestoneHealth(section.lifestoneHealth);
    setLifestoneMaxHealth(section.lifestoneMaxHealth);
    stoneFromServer = true;
    if (section.hasCandidate) {
        ByteBuffer bytes(section.candidate);
        recruitCandidate->readSnapshot(bytes);
    } else {
        recruitCandidate->entityNumber = -1;
    }
}

bool PlayerCovenantClient::readSnapshot(ByteBuffer& in)
{
    PlayerCovenantSection section;
    std::string field;
    if (!parseSection(in, getRecruitSlotCount(), section, field)) {
        return false;
    }
    applySection(section);
    return true;
}

// ---- Per frame

void PlayerCovenantClient::playSound(int which) const
{
    if (Client* client = Client::instance()) {
        client->playInterfaceSound(m_sounds[static_cast<size_t>(which)]);
    }
}

void PlayerCovenantClient::update(float seconds)
{
    for (Timer* timer : {&alarmTimer, &townAttackTimer}) {
        if (timer->running) {
            timer->remaining = std::max(0.0f, timer->remaining - seconds);
        }
    }
    GameClient* game = GameClient::instance();
    if (game) {
        int count = static_cast<int>(game->getCovenantCount());
        for (int c = 0; c < count; ++c) {
            const CovenantClient* other = game->getCovenant(c);
            if (!other) {
                continue;
            }
            int theirs = other->getRelationState(index);
            int ours = getRelationState(c);
            if (theirs != ours) {
                setRelationState(c, theirs);
            }
        }
    }
    auto sound = [this](Timer& timer, int which) {
        if (!timer.running || timer.remaining <= 0.0f) {
            playSound(which);
            timer.running = true;
            timer.duration = kAlarmSeconds;
            timer.remaining = kAlarmSeconds;
        }
    };
    if (beingRaided || houseAttacked) {
        sound(alarmTimer, kAlarm);
    }
    if (game) {
        bool townAttacked = false;
        for (size_t i = 0; i < game->getQuestCount(); ++i) {
            const QuestClient* quest = game->getQuest(static_cast<int>(i));
            if (quest && (quest->type == 35 || quest->type == 45) && !quest->isComplete()) {
                townAttacked = true;
            }
        }
        if (townAttacked) {
            sound(townAttackTimer, kTownAttack);
        }
    }
    checkLifeStone();
}

void PlayerCovenantClient::awaitServerStone()
{
    lastLifeStoneFraction = 1.0f;
    stoneFromServer = false;
}

void PlayerCovenantClient::checkLifeStone()
{
    if (!stoneFromServer) {
        return;
    }
    int maximum = getLifestoneMaxHealth();
    float f = maximum > 0 ? static_cast<float>(static_cast<double>(getLifestoneHealth()) / maximum) : 1.0f;
    float last = lastLifeStoneFraction;
    static const struct {
        float threshold;
        const char* text;
    } kRows[] = {{0.10f, "Life stone almost destroyed (below 10%)!"},
                 {0.25f, "Life stone in danger (below 25%)!"},
                 {0.50f, "Life stone is threatened (below 50%)!"},
                 {0.75f, "Life stone is damaged (below 75%)!"}};
    // A fallen covenant's stone warns of nothing: the lost game's window says it.
    for (const auto& row : kRows) {
        if (!destroyed && f < row.threshold && last >= row.threshold) {
            if (Client* client = Client::instance()) {
                client->addTextEvent(row.text, 320.0f, 240.0f, 5.0f, 5, true, false);
            }
            break;
        }
    }
    lastLifeStoneFraction = f;
}

void PlayerCovenantClient::padHistory(size_t covenants)
{
    for (HistorySample& sample : history) {
        if (sample.size() < covenants) {
            sample.resize(covenants);
        }
    }
}

void PlayerCovenantClient::recordHistory()
{
    GameClient* game = GameClient::instance();
    if (!game || !game->isLoaded()) {
        return;
    }
    const GameTime& now = game->getGameTime();
    if (now < nextSampleTime && history.empty()) {
        return;
    }
    int64_t minute = (static_cast<int64_t>(now.days) * 24 + now.hours) * 60 + now.minutes;
    if (minute < 0) {
        return;
    }
    if (static_cast<uint64_t>(minute) >= kMaxHistorySamples) {
        if (!m_historyFullLogged) {
            debugPrint(2, "Covenant history: minute %lld is past the last sample kept (%zu)\n",
                       static_cast<long long>(minute), kMaxHistorySamples);
            m_historyFullLogged = true;
        }
        return;
    }
    size_t covenants = game->getCovenantCount();
    padHistory(covenants);
    while (history.size() <= static_cast<size_t>(minute)) {
        history.emplace_back(covenants);
    }
    HistorySample& sample = history[static_cast<size_t>(minute)];
    static constexpr int kPower[5] = {9, 3, 6, 7, 8};
    static constexpr int kInfluence[4] = {11, 12, 13, 14};
    for (size_t c = 0; c < covenants; ++c) {
        const CovenantClient* mirror = game->getCovenant(static_cast<int>(c));
        for (int k = 0; k < 5; ++k) {
            int v = mirror ? mirror->stats.get(kPower[k]) : 0;
            sample[c].power[static_cast<size_t>(k)] = v;
            if (v < powerMin[static_cast<size_t>(k)]) {
                powerMin[static_cast<size_t>(k)] = v;
            } else if (v > powerMax[static_cast<size_t>(k)]) {
                powerMax[static_cast<size_t>(k)] = v;
            }
        }
        for (int k = 0; k < 4; ++k) {
            int v = mirror ? mirror->stats.get(kInfluence[k]) : 0;
            sample[c].influence[static_cast<size_t>(k)] = v;
            if (v < influenceMin[static_cast<size_t>(k)]) {
                influenceMin[static_cast<size_t>(k)] = v;
            } else if (v > influenceMax[static_cast<size_t>(k)]) {
                influenceMax[static_cast<size_t>(k)] = v;
            }
        }
    }
    GameTime next(0, 0, static_cast<int32_t>(history.size()), 0.0f);
    next.normalize();
    nextSampleTime = next;
}

// ---- Recruits

RecruitClient* PlayerCovenantClient::getRecruit(int slot) const
{
    if (slot < 0 || slot >= getRecruitSlotCount()) {
        return nullptr;
    }
    return recruits[static_cast<size_t>(slot)].get();
}

int PlayerCovenantClient::findRecruitSlot(int entityNumber) const
{
    if (entityNumber < 0) {
        return -1;
    }
    for (size_t slot = 0; slot < recruits.size(); ++slot) {
        if (recruits[slot] && recruits[slot]->entityNumber == entityNumber) {
            return static_cast<int>(slot);
        }
    }
    return -1;
}

bool PlayerCovenantClient::isRecruitCandidate(int entityNumber) const
{
    return recruitCandidate->entityNumber != -1 && entityNumber >= 0 &&
           entityNumber == recruitCandidate->entityNumber;
}

void PlayerCovenantClient::listRecruits(std::vector<ListRow>& rows) const
{
    for (size_t slot = 0; slot < recruits.size(); ++slot) {
        if (recruits[slot]) {
            rows.push_back({recruits[slot]->name, formatString("%d", static_cast<int>(slot))});
        }
    }
}

// ---- Offers

void PlayerCovenantClient::growOffers()
{
    GameClient* game = GameClient::instance();
    size_t count = game ? game->getCovenantCount() : 0;
    if (pendingOffers.size() < count) {
        pendingOffers.resize(count);
    }
}

void PlayerCovenantClient::receiveOffer(int covenant, const PendingOffer& offer)
{
    growOffers();
    if (covenant < 0 || static_cast<size_t>(covenant) >= pendingOffers.size()) {
        return;
    }
    if (!offer.entries.empty()) {
        playSound(kTreatyRequest);
    }
    pendingOffers[static_cast<size_t>(covenant)] = offer;
}

PlayerCovenantClient::PendingOffer* PlayerCovenantClient::getPendingOffer(int covenant)
{
    growOffers();
    if (covenant < 0 || static_cast<size_t>(covenant) >= pendingOffers.size()) {
        return nullptr;
    }
    return &pendingOffers[static_cast<size_t>(covenant)];
}

void PlayerCovenantClient::dropPendingOffer(int covenant)
{
    if (PendingOffer* offer = getPendingOffer(covenant)) {
        offer->entries.clear();
    }
}

int PlayerCovenantClient::findPendingOffer() const
{
    GameClient* game = GameClient::instance();
    size_t count = std::min<size_t>(game ? game->getCovenantCount() : 0, pendingOffers.size());
    for (size_t c = 0; c < count; ++c) {
        bool ignored = c < ignoredOffers.size() && ignoredOffers[c];
        if (!ignored && !pendingOffers[c].entries.empty()) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

bool PlayerCovenantClient::isAllyBeingRaided() const
{
    GameClient* game = GameClient::instance();
    if (!game || destroyed) {
        return false;
    }
    for (uint32_t c = 0; c < game->getCovenantCount(); ++c) {
        const CovenantClient* other = game->getCovenant(static_cast<int>(c));
        int state = getRelationState(static_cast<int>(c));
        if (other && (state == 5 || state == 6) && other->isBeingRaided()) {
            return true;
        }
    }
    return false;
}
