#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantMemory.h"
#include "game/covenants/CovenantReward.h"
#include "game/entities/Timer.h"
#include "game/entities/TimerList.h"

#include <array>
#include <memory>
#include <vector>

class Actor;
class CovenantDefinition;
class CovenantTrait;
class Item;
class QuestBase;

// The covenant the computer plays: its timers, traits, memory of the other
// covenants and the decisions it takes about offers, items and world events.
//
// Files: ActorCovenant.cpp (fields, set-up, small overrides),
// ActorCovenantSave.cpp (save section), ActorCovenantDiplomacy.cpp (review
// step), ActorCovenantAnswers.cpp (answering offers), ActorCovenantPlanning.cpp
// (making offers, fear), ActorCovenantItems.cpp, ActorCovenantReactions.cpp,
// ActorCovenantStep.cpp (the step, adventures, battles), ActorCovenantRaids.cpp,
// ActorCovenantRecruiting.cpp (recruits and guards).
class ActorCovenant : public Covenant {
public:
    static constexpr int kSaveVersion = 41;
    static constexpr int kStashSize = 10;
    static constexpr int kHouseSize = 8;
    static constexpr float kOfferWait = 60.0f;
    // adventureState values.
    enum AdventureState {
        kIdle,
        kDefendingTown,
        kBesieged,
        kAdventuring,
        kReturned,
        kVisitingTown,
        kSharedAdventure
    };
    // adventureType values.
    enum AdventureType { kNoAdventure, kAdventure, kTownAttack, kSiege };

    ActorCovenant();
    ~ActorCovenant() override;

    // ---- Set-up (ActorCovenant.cpp)
    // New-world set-up at the house position for a covenant of that level.
    void initNew(const ZonePosition& position, int level, int difficulty);
    // Starting relations toward every covenant and the player's, and the
    // natural hate toward each.
    void initRelations();
    float startingRelationTo(int covenantIndex) const;
    void createLifestone(int health, int maxHealth);
    void createStartingRecruits(int level);
    void chooseTraits();
    void setTimerIntervals();
    // Destroys a recruit record held in a slot and empties the slot.
    void deleteRecruit(Recruit* recruit);
    Recruit* findHeroRecruit() const;

    // ---- Save section (ActorCovenantSave.cpp)
    void write(ByteBuffer& buffer) const;
    // Parses the whole section before anything enters the Game: false, and
    // nothing created, for a short or damaged section.
    bool read(ByteBuffer& buffer, int version);

    // ---- Small overrides
    void onTreatyChanged(int other) override;
    void countPeople() override;
    void countItems() override;
    bool isMemberBusy(const Entity* member) const override;
    // The recruit quest record: emptied, or made a copy of a Game quest.
    void clearQuestRecord() override;
    void copyQuestRecord(const Quest& source) override;
    void countQuestKill(Entity* victim) override;
    void onRaidStarted(Covenant* target) override;
    Sentient* getLeader() const override;
    ItemBase* getItem(int group, int slot) const override;
    void removeItem(int group, int slot) override;
    int getDifficulty() const override { return difficulty; }
    bool isVisitingTown() const override { return townVisit; }
    ZonePosition getTownVisitPosition() const override;
    float getMultiplier(int kind) const override;
    int getTraitCount() const override { return static_cast<int>(traits.size()); }
    int getTraitId(int i) const override;
    void onRecruitAdded(Actor* actor) override;
    // The traits' effects.
    void memberEffects(std::vector<const DatabaseEntry*>& out) const override;
    float lootShareFor(const Entity* killer) const override;
    void takeLoot(Actor* victim) override;

    // ---- Answering offers (ActorCovenantAnswers.cpp)
    void receiveOffer(Covenant* from, const TradeOffer& offer) override;
    void receiveOfferResult(Covenant* from, const TradeOffer& offer, bool accepted, int extra) override;
    void onOfferCarriedOut(const TradeOffer& offer, int role, Covenant* partner) override;
    void onTreatyCancelled(Covenant* partner, Covenant* canceller, int treaty) override;
    void onTradeRouteCancelled(Covenant* partner, Covenant* canceller, int size) override;
    // Scaled by both covenants' diplomacy multipliers and the other's
    // relation factor for this covenant's difficulty; clamped 0 … 100.
    void changeRelationScaled(int other, float amount, bool positive);
    void updateCovenantMemory(int other);
    // Adds the payment terms; this covenant plays side 0. A CovenantResponse.
    int completeOffer(TradeOffer& offer, Covenant* partner, float margin);
    int findStashItemWorthAtMost(int amount) const;
    float valueOfWantedItems(const TradeOffer& offer, const Covenant* partner, int role) const;

    // ---- Planning (ActorCovenantPlanning.cpp)
    void updateFear(int other);
    // other -1: the damage of no covenant.
    void forgetDamage(int other);
    bool wantsToBreakTreaty(int other) const;
    bool wantsToBreakTradeRoute(int other) const;
    float getCancelledTreatyChange(int treaty) const override;
    float getDifficultyRelationBase(const Covenant* other) const override;
    bool wantsToTrade(int other) const;
    int chooseOfferKind(int other) const;
    void planTrade(int other);
    void planDemand(int other);
    void planGift(int other);
    bool pickOfferTerm(Covenant* partner, bool demand, bool gift, TradeTerm& out);
    void sendOffer(Covenant* to, const TradeOffer& offer) override;
    void updatePendingOffers(float dt);
    void withdrawOffer(Covenant* partner, bool ignoredPenalty);
    bool wantsToStartRumor(int other) const;
    void startRumor(int other);

    // ---- Diplomacy review (ActorCovenantDiplomacy.cpp)
    void diplomacyStep();
    void randomRelationChanges();

    // ---- Items (ActorCovenantItems.cpp)
    void gainRandomItems(Sentient* finder, const CovenantReward* reward, int level);
    void takeLootFromActor(Actor* victim);
    // Takes ownership: true when kept, else the item was sold and deleted.
    bool storeItem(ItemBase* item);
    // Puts the item at a place findPlaceForItem gave; an item there is sold.
    void placeItem(ItemBase* item, InventoryBase* inv, int group, int slot);
    // inventoryOwner null: the covenant's own inventory.
    bool findPlaceForItem(const ItemBase* item, bool stashAllowed, InventoryBase*& inventoryOut, int& group,
                          int& slot) const;
    int findRelicSlot(const ItemBase* relic) const;
    void sellItem(const ItemBase* item);
    float getItemSaleValue(const ItemBase* item, bool stashRank) const override;
    float getItemDesirability(const ItemBase* item) const;
    float getStashRank(const ItemBase* item) const;
    int pickStashItemForTrade() const;
    // Group Loot is the stash: the goods its trades offer, in slot order.
    InventoryGroup* getInventoryGroup(int group) override;
    ItemBase* getItemAt(int group, int slot) const override;
    std::unique_ptr<ItemBase> removeTradeItem(int group, int slot) override;
    void receiveItem(std::unique_ptr<ItemBase> item) override;
    void offerToBuyItem(Covenant* player) override;
    void withdrawOffersWithStashItem(int slot);
    void announceFoundUniqueItem(const ItemBase* item) const;

    // ---- Reactions (ActorCovenantReactions.cpp)
    void onDealBetween(const TradeOffer& offer, Covenant* first, Covenant* second) override;
    float getDamageFrom(const Covenant* other) const override;
    void onAttacked(Entity* victim, Entity* attacker, int amount, bool noAlarm) override;
    Covenant* getDestroyer() const override;
    bool keepsDestroyerReckoning() const override { return true; }
    void onThreateningMonsterKilled(Entity* killer, Entity* monster);
    void onRumorStarted(Covenant* starter) override;
    void startSharedAdventure(Covenant* partner) override;
    void stopSharedAdventure(Covenant* partner) override;
    void onSharedAdventureXp(Sentient* member, int xp) override;
    void onSharedAdventureProgress(Covenant* first, Covenant* second) override;
    void raiseAlarm() override;
    bool isOnAlert() const;
    void playTeleportEffect(Entity* member) override;
    void setAllRecruitsLevel(int value);
    int chooseRecruitClass() const;
    void onKill(Entity* victim, Entity* credited) override;
    void onWarStarted(Covenant* other) override;
    void forgetCovenantTargets(Covenant* other) override;
    void setLevelFound(Recruit* recruit, int level) override;
    bool takesPartInRaid(const Entity* member) const override;
    bool isDefender(const Entity* member) const override;
    void countRaidParty(int& alive, int& dead) const override;
    void killAllMembers() override;
    void removeAllMembers() override;

    // ---- Step and adventures (ActorCovenantStep.cpp)
    void update(float dt) override;
    void updateAdventure();
    // The type in force, drawn again once adventureTypeTimer has run out.
    int chooseAdventureType();
    int decideAdventureType() const;
    void startAdventure();
    void startTownDefence();
    void startSiegeDefence();
    void goVisitTown();
    void endAdventure(bool moveToRandomLevel);
    void formAdventureParty();
    Recruit* findWeakestIdleRecruit() const;
    Recruit* pickRandomIdleRecruit() const;
    void simulateBattles();
    // True when a battle counts (fought, or no monster found).
    bool simulateBattle(Recruit* recruit);
    // Effect, warp to the destination, effect.
    void teleportMember(Entity* member, const ZonePosition& destination);

    // ---- Raids (ActorCovenantRaids.cpp)
    // No random draw of its own: roll 0 leaves the score as it is.
    bool shouldRaid(int target, bool skipSlowStart, float roll) const;
    void startRaid(int target);
    bool shouldStopRaid();
    void endRaid();
    void raidOnRequest(Covenant* requester, Covenant* target) override;
    void createRaidGate(const ZonePosition& position);
    void removeRaidGate();
    void formRaidParty();
    // The away members at the raid's gate, the target's stone their aim;
    // false while the gate or a free spot by it is missing.
    bool sendRaidPartyToGate();

    // ---- Recruiting and guards (ActorCovenantRecruiting.cpp)
    bool tryRecruit(Actor* candidate, bool alreadyInWorld, const QuestBase* withQuest);
    int findStrongestMember() const;
    bool isStrongerThanMembers(const Actor* candidate) const;
    int getQuestState() const override;
    void upgradeGuard();

    // ---- Fields
    int32_t reservedA = 1;
    int32_t reservedB = 1;
    TimerList timers;
    Timer battleTimer;
    Timer adventureTimer;
    Timer restTimer;
    Timer relationChangeTimer;
    Timer adventureTypeTimer;
    Timer stopRaidTimer;
    Timer guardChangeTimer;
    int adventureState = 0;
    SafePtr<Entity> raidGate;
    GameTime lastRaidEnd;
    GameTime raidStart;
    int difficulty = 0;
    float difficultyModifier = 1.0f;
    // The recruit quest; null until the quest code provides one.
    std::unique_ptr<QuestBase> quest;
    SafePtr<Actor> questCandidate;
    bool questCandidateWilling = false;
    // Read from a save that had decided on the quest's candidate: the next
    // candidate seen is that one, and keeps the decision without a new draw.
    bool questCandidateLoaded = false;
    // A raid read from a save, whose gate and party stand again at the
    // first step.
    bool raidLoaded = false;
    std::vector<const CovenantTrait*> traits;
    std::array<CovenantMemory, kMaxCovenants> covenantMemory{};
    std::vector<bool> knownLevels;
    int lastProposalGroup = -1;
    int lastProposalSlot = -1;
    float monsterDamageTaken = 0.0f;
    bool townVisit = false;
    ZonePosition townVisitPosition{-1, 0.0f, 0.0f};
    int adventureType = 1;
    int raidRequester = -1;
    float targetDamageFromSelfAtStart = 0.0f;
    float targetDamageFromRequesterAtStart = 0.0f;
    GameTime alertUntil;

    CovenantMemory& memoryOf(int other) { return covenantMemory[static_cast<size_t>(other & 31)]; }
    const CovenantMemory& memoryOf(int other) const
    {
        return covenantMemory[static_cast<size_t>(other & 31)];
    }

private:
    const CovenantDefinition& def() const;
    // Creates and places the actor of a recruit record put into a slot.
    bool embodyRecruit(Recruit* recruit, bool restore);
    void createRecruit(int level, bool hero);
    Covenant* covenantAt(int other) const;
    float relationTo(int other) const;
};
