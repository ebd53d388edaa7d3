#pragma once

#include "engine/object/SafePtr.h"
#include "game/covenants/Covenant.h"
#include "game/skills/CounterList.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class Actor;
class ByteBuffer;
class Gate;
class Player;

// The human player's covenant on the server: the house the player founded
// (stashes, life stone, gate, pedestals), its recruits and its covenant
// inventory. What a computer-run covenant decides by itself is, for this one,
// sent to the player's client as a line.
//
// Files: PlayerCovenant.cpp (set-up, house, spots), PlayerCovenantSnapshot.cpp,
// PlayerCovenantDiplomacy.cpp (lines, shared adventures), PlayerCovenantRaids.cpp,
// PlayerCovenantMembers.cpp (recruits, items, update).
class PlayerCovenant : public Covenant {
public:
    static constexpr int kStashGroup = 6;
    static constexpr int kStashBags = 8;
    static constexpr int kFunStatCount = 4;
    // The game-result counters of funStats.
    static constexpr int kWorldsConquered = 0;
    static constexpr int kWorldsLost = 1;
    static constexpr int kWorldsAbandoned = 2;
    static constexpr int kWorldsAllyWin = 3;

    // On the "Human" definition; definitionIndex stays -1 when the data has
    // none (the join refuses such a covenant).
    PlayerCovenant();
    ~PlayerCovenant() override;

    // ---- The join's covenant section. Parsing checks every field and keeps
    // the result; applying needs the covenant's index, so it follows
    // Game::addCovenant. False, with the field named, and nothing kept, when
    // the section does not fit: a cut section, a recruit count beyond the
    // slots, a slot outside them or named twice, a refused record.
    bool parseJoinSection(ByteBuffer& in, std::string& field);
    // Builds the house objects, then the parsed name, inventory, recruits
    // (with actors unless destroyed), stats and life-stone pair.
    void applyJoinSection();
    // Both, for a covenant already in the Game's list.
    bool initNew(ByteBuffer& in, std::string& field);

    // The two stashes, the bookshelf, the life stone and the gate around the
    // start cell, then the pedestals.
    void createHouseObjects();
    // Gate none, raid target -1, not destroyed, no alarm.
    void resetState();
    // A free spot on rings 0 … 5 around the gate (the life stone); the
    // object's own position when all are taken; zone -1 without it.
    ZonePosition getSpotNearGate(const Entity* requester) const override;
    ZonePosition getSpotNearLifestone(const Entity* requester) const;
    // Warps one of its recruits' actors to its house spot and makes that its
    // home; another actor is left alone.
    void sendRecruitHome(Actor* actor);

    // After the world was replaced: relations, offers and the adventure
    // partner forgotten, the house objects and recruit actors made again,
    // then the house reset.
    void restoreInWorld();
    // Crystals and influence to 0, stats recounted, the stone healed, the
    // guard items destroyed and their guards dismissed.
    void resetHouse();
    // Every live recruit actor copied into its record.
    void saveRecruits();

    // ---- Covenant operations
    bool isPlayerCovenant() const override { return true; }
    Sentient* getLeader() const override;
    Sentient* getExtraMember() const override { return getLeader(); }
    int getMemberCount() const override { return getRecruitCount() + 1; }
    // The covenant's step, the raid announcement, then the recruit preview.
    void update(float dt) override;

    // ---- Recruits and items (PlayerCovenantMembers.cpp)
    // Null for no requester, a slot outside the slots or an empty one.
    Actor* getRecruitActorForPlayer(int slot, const Entity* requester) const;
    Recruit* findRecruitOfActor(const Entity* entity) const;
    // The recruit leaves: its equipment falls to the ground, its actor goes.
    // Nothing for a bad or empty slot or no requester.
    void dismissRecruit(int slot, Player* requester);
    void countPeople() override;
    void countItems() override;
    // Group 24 is the player's own House group.
    ItemBase* getItem(int group, int slot) const override;
    void removeItem(int group, int slot) override;
    InventoryGroup* getInventoryGroup(int group) override;
    // Items of a deal come from and go to the player's own inventory.
    ItemBase* getItemAt(int group, int slot) const override;
    std::unique_ptr<ItemBase> removeTradeItem(int group, int slot) override;
    // Stacked, placed in the bags, or dropped at the player's feet.
    void receiveItem(std::unique_ptr<ItemBase> item) override;
    // Bound to the recruitable NPC the player has selected, else unbound.
    void updateRecruitPreview();
    // A living NPC of no covenant, not the player's enemy and not a quest's
    // rescue, delivery or escort charge; quest givers only when recruits.
    static bool isRecruitCandidate(const Player& player, const Actor* actor);

    // ---- Raids (PlayerCovenantRaids.cpp)
    // Nothing for an index naming no covenant, the own one, a destroyed one
    // or while a raid runs.
    void startRaid(int target, const std::vector<int>& slots, Player* raider);
    void formRaidParty(Covenant* target, const std::vector<int>& slots, Player* raider);
    // Counts, announces the end and brings everyone home; nothing without a raid.
    void endRaid(Player* raider);
    bool isRaidAnnounced() const { return raidAnnounced; }
    bool allowsRaidTeleport() const override { return raidAnnounced; }
    bool takesPartInRaid(const Entity* member) const override;
    void countRaidParty(int& alive, int& dead) const override;
    void forgetCovenantTargets(Covenant* other) override;
    void onRaidRepelled(Covenant* raider) override;
    void onDestroyed(Entity* attacker, bool dismissGuards, bool announce) override;
    // A raid target is set and the relation with it is Raid.
    bool isRaidInProgress() const;

    // ---- Shared adventures (PlayerCovenantDiplomacy.cpp); the partner is
    // linkedCovenant.
    void startSharedAdventure(Covenant* partner) override;
    void stopSharedAdventure(Covenant* stopper) override;

    // ---- Diplomacy turned into the client's lines (PlayerCovenantDiplomacy.cpp)
    void receiveOffer(Covenant* from, const TradeOffer& offer) override;
    // Carries an accepted offer out before the result line; a completed
    // request (type 3 answered OfferGood) is shown again first.
    void receiveOfferResult(Covenant* from, const TradeOffer& offer, bool accepted, int code) override;
    void sendDiplomacyResult(Covenant* to, int code) override;
    void offerExpired(int other) override;
    // "+0.5 relation (name)" as a kind-6 game message; nothing for 0, no
    // covenant or a destroyed one.
    void sendRelationChange(Covenant* other, float change) override;
    // Decimals shown for a relation change: 1 above 0.1 (and above 1), 2 down
    // to 0.01, else 3, on 4-byte floats.
    static int relationDecimals(float change);
    static std::string relationChangeText(float change, const std::string& coloredName);

    // ---- The state message's covenant section (PlayerCovenantSnapshot.cpp)
    void writeSnapshot(ByteBuffer& out) const;

    Gate* getGate() const;
    Recruit* getRecruitPreview() const { return recruitPreview.get(); }

    CounterList funStats;
    SafePtr<Player> player;
    bool raidAnnounced = false;

private:
    struct ParsedSection {
        bool saved = false;
        std::string name;
        std::unique_ptr<InventoryBase> inventory;
        std::vector<std::pair<int, std::unique_ptr<Recruit>>> recruits;
        CounterList stats;
        int lifestoneHealth = 0;
        int lifestoneMaxHealth = 0;
    };

    // The house items live in the player's own House group; none without a
    // player.
    InventoryGroup* getHouseGroup() const override;
    Entity* addHouseObject(Entity* object, const char* entryName, int dx, int dy);
    void announceRaidWhenNear();
    Player* getPlayer() const;
    void placeRecruitActor(Recruit* recruit);
    void giveStartingBag();

    SafePtr<Entity> gate;
    std::unique_ptr<Recruit> recruitPreview;
    std::unique_ptr<ParsedSection> parsed;
};
