#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/ZonePosition.h"
#include "engine/resources/ResourceHandle.h"
#include "game/covenants/CovenantBase.h"
#include "game/skills/CounterList.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ByteBuffer;
class InventoryClient;
class RecruitClient;

// One offer another covenant made to the player's covenant.
struct OfferEntry {
    int32_t side = 0;
    int32_t type = 0;
    int32_t value = 0;
};

// One covenant's figures of one game minute: the five power values (House,
// AbsoluteInfluence, People, Items, LifeStone) and the four influence values.
struct HistoryRecord {
    std::array<int32_t, 5> power{};
    std::array<int32_t, 4> influence{};
    friend bool operator==(const HistoryRecord&, const HistoryRecord&) = default;
};
using HistorySample = std::vector<HistoryRecord>;

// The player covenant's part of message 3, parsed whole before anything is
// applied. Recruit and candidate images are kept as bytes, already checked
// by the recruit reader on scratch recruits.
struct PlayerCovenantSection {
    std::string name;
    ZonePosition house;
    int32_t covenantIndex = -1;
    std::unique_ptr<InventoryClient> inventory;
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> recruits;
    std::array<int32_t, 4> funStats{};
    int32_t maxNpcs = 0;
    int32_t maxLifeStone = 0;
    int32_t money = 0;
    bool destroyed = false;
    bool beingRaided = false;
    bool houseAttacked = false;
    bool raiding = false;
    int32_t raidTarget = -1;
    int32_t lifestoneHealth = 0;
    int32_t lifestoneMaxHealth = 0;
    bool hasCandidate = false;
    std::vector<uint8_t> candidate;

    PlayerCovenantSection();
    ~PlayerCovenantSection();
    PlayerCovenantSection(PlayerCovenantSection&&) noexcept;
    PlayerCovenantSection& operator=(PlayerCovenantSection&&) noexcept;
};

// The client's mirror of the player's own covenant: what the server reports
// each frame, what outlives a world (fun-stat totals, the shared inventory of
// "Chars/global.sav", the power and influence history) and the offers other
// covenants made.
class PlayerCovenantClient : public CovenantBase {
public:
    // An offer waiting for the player's answer. Nested: the server's covenants
    // have a record of the same name, and both live in one program.
    struct PendingOffer {
        std::vector<OfferEntry> entries;
        int32_t kind = 0;
        bool flag = false;
        int32_t extra = 0;
    };

    // Versions written here: the global save and the history file.
    static constexpr int kGlobalVersion = 39;
    static constexpr int kHistoryVersion = 2;
    // One sample per game minute, at most this many (about 69 days).
    static constexpr size_t kMaxHistorySamples = 100000;
    static constexpr float kAlarmSeconds = 5.0f;
    static constexpr const char* kGlobalFile = "Chars/global.sav";

    struct Timer {
        bool running = false;
        float duration = 0.0f;
        float remaining = 0.0f;
    };

    PlayerCovenantClient();
    ~PlayerCovenantClient() override;

    bool isPlayerCovenant() const override { return true; }
    void reset();

    // ---- Server messages
    void writeJoinSection(ByteBuffer& out) const;
    // Whole or nothing: false with the field for bytes that do not fit, a
    // recruit slot outside 0 … MaxRecruits - 1 or named twice, or a count
    // above MaxRecruits.
    static bool parseSection(ByteBuffer& in, int maxRecruits, PlayerCovenantSection& out, std::string& field);
    void applySection(PlayerCovenantSection& section);
    // At a join the stone of the character file is not the server's: the
    // stone warnings wait for the server's first section.
    void awaitServerStone();
    // Parse and apply; false (nothing applied) for a malformed section.
    bool readSnapshot(ByteBuffer& in);

    // ---- Per frame
    void update(float seconds);
    void recordHistory();

    // ---- Files
    bool saveGlobal() const;
    // False when there is no global save or it was refused (a refused file
    // is renamed to "<file>.damaged").
    bool loadGlobal();
    // The global save's bytes: a parse applies nothing unless the whole
    // file reads (field named otherwise).
    void writeGlobal(ByteBuffer& out) const;
    bool parseGlobal(ByteBuffer& in, std::string& field);
    void writeCharacterSection(ByteBuffer& out) const;
    // False (field named) for a section that does not fit or counts more
    // recruits than there are slots; the mirror may then be half read and
    // must be discarded.
    bool readCharacterSection(ByteBuffer& in, int version, std::string& field);
    void writeHistory(ByteBuffer& out) const;
    bool readHistory(ByteBuffer& in, std::string& field);
    bool saveHistory(const std::string& characterName) const;
    bool loadHistory(const std::string& characterName);

    // ---- Recruits
    RecruitClient* getRecruit(int slot) const;
    int getRecruitSlotCount() const { return static_cast<int>(recruits.size()); }
    int findRecruitSlot(int entityNumber) const;
    bool isRecruitCandidate(int entityNumber) const;
    // Menu rows (name, slot as "%d") of the occupied slots in slot order.
    struct ListRow {
        std::string text;
        std::string value;
    };
    void listRecruits(std::vector<ListRow>& rows) const;

    // ---- Offers
    void receiveOffer(int covenant, const PendingOffer& offer);
    PendingOffer* getPendingOffer(int covenant);
    void dropPendingOffer(int covenant);
    int findPendingOffer() const;
    void clearIgnoredOffers() { ignoredOffers.clear(); }
    bool isAllyBeingRaided() const;

    // ---- State
    CounterList funStatTotals{4};
    CounterList funStatLastSeen{4};
    bool globalLoaded = false;
    std::vector<std::unique_ptr<RecruitClient>> recruits;
    std::unique_ptr<RecruitClient> recruitCandidate;
    std::vector<HistorySample> history;
    std::array<int32_t, 5> powerMin{};
    std::array<int32_t, 5> powerMax{};
    std::array<int32_t, 4> influenceMin{};
    std::array<int32_t, 4> influenceMax{};
    GameTime nextSampleTime;
    std::vector<PendingOffer> pendingOffers;
    std::vector<bool> ignoredOffers;
    bool beingRaided = false;
    bool houseAttacked = false;
    bool raiding = false;
    Timer alarmTimer;
    Timer townAttackTimer;
    float lastLifeStoneFraction = 1.0f;
    // The server's section has come since the join: the stone is watched.
    bool stoneFromServer = false;
    int lastInfluenceLeader = -1;
    int lastPowerLeader = -1;

private:
    void growOffers();
    void playSound(int index) const;
    void checkLifeStone();
    // Pads every sample to the covenant count.
    void padHistory(size_t covenants);

    // alarm, town attack, treaty request, declared war, started raid
    std::array<ResourceHandle, 5> m_sounds;
    bool m_historyFullLogged = false;
};
