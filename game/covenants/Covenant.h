#pragma once

#include "engine/core/GameTime.h"
#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "game/covenants/CovenantBase.h"
#include "game/covenants/InfluenceCounters.h"
#include "game/covenants/PendingOffer.h"
#include "game/definitions/ItemBase.h"
#include "game/entities/Entity.h"

#include <array>
#include <memory>
#include <vector>

class Actor;
class ByteBuffer;
class DatabaseEntry;
class Entity;
class InventoryBase;
class InventoryGroup;
class Quest;
class Recruit;
class Sentient;
struct TradeTerm;

// The server's covenant: the house in the world (life stone, guard posts,
// relic pedestals), its recruits, its crystals and influence, the offers it
// has pending and the relic multipliers. The computer-run and the player's
// covenant derive from it; the Game owns every covenant of its list.
//
// Files: Covenant.cpp (fields, stats, entity relation, item worth),
// CovenantUpdate.cpp (step, state section), CovenantUpkeep.cpp,
// CovenantHouse.cpp, CovenantRecruits.cpp, CovenantRaids.cpp,
// CovenantAttacks.cpp, CovenantOffers.cpp.
class Covenant : public CovenantBase {
public:
    static constexpr int kHouseGroup = 24;
    static constexpr int kGuardSlots = 4;
    static constexpr int kFirstRelicSlot = 4;
    static constexpr int kRelicSlots = 4;
    static constexpr int kHouseSlots = kGuardSlots + kRelicSlots;
    static constexpr float kAlarmSeconds = 10.0f;
    static constexpr float kNearHouseDistance = 200.0f;

    // The recruit slots number the rules' "MaxRecruits".
    Covenant();
    ~Covenant() override;

    // ---- CovenantBase slots
    // The life stone entity's health and maximum: 0 without a stone, and the
    // setters do nothing then.
    void setLifestoneHealth(int health) override;
    int getLifestoneHealth() const override;
    // Lowers the health to the new maximum when above.
    void setLifestoneMaxHealth(int health) override;
    int getLifestoneMaxHealth() const override;
    int getInfluence() const override;
    // floor(Taxes multiplier x the base's period income).
    int sumRelationValues() const override;
    int getRelationValue(int cap, int other, int tradeRoute, const GameTime& since) const override;

    // ---- Covenant operations (defaults as a covenant without a mind)
    // One server step (CovenantUpdate.cpp).
    virtual void update(float dt);
    virtual void receiveOffer(Covenant* from, const TradeOffer& offer) {}
    virtual void receiveOfferResult(Covenant* from, const TradeOffer& offer, bool accepted, int extra) {}
    virtual void sendDiplomacyResult(Covenant* to, int code) {}
    virtual void offerExpired(int other) {}
    // partner: the covenant the treaty was with; treaty / size: the former one.
    virtual void onTreatyCancelled(Covenant* partner, Covenant* canceller, int treaty) {}
    virtual void onTradeRouteCancelled(Covenant* partner, Covenant* canceller, int size) {}
    virtual float getItemSaleValue(const ItemBase* item, bool forPlayer) const;
    virtual void onOfferCarriedOut(const TradeOffer& offer, int role, Covenant* partner) {}
    virtual void onDealBetween(const TradeOffer& offer, Covenant* first, Covenant* second) {}
    // A member or house object was hit (CovenantAttacks.cpp).
    virtual void onAttacked(Entity* victim, Entity* attacker, int amount, bool noAlarm);
    // A blow between others that involved some covenant; nothing by default.
    virtual void onAttackNoticed(Entity* attacker, Entity* victim) {}
    virtual void countPeople();
    virtual void countItems();
    virtual bool isMemberBusy(const Entity* member) const { return false; }
    virtual bool canBeRaided() const { return true; }
    virtual void onRaidStarted(Covenant* target) {}
    // A member beside the recruits (the player's leader); null for none.
    virtual Sentient* getExtraMember() const { return nullptr; }
    // The leading character; null for none.
    virtual Sentient* getLeader() const = 0;
    virtual int getQuestState() const { return 0; }
    // Covenant item access of the kinds that keep items.
    virtual ItemBase* getItem(int group, int slot) const { return nullptr; }
    virtual void removeItem(int group, int slot) {}
    virtual InventoryGroup* getInventoryGroup(int group) { return nullptr; }
    virtual ItemBase* getItemAt(int group, int slot) const { return nullptr; }
    // Takes the item out of the store; the caller owns it.
    virtual std::unique_ptr<ItemBase> removeTradeItem(int group, int slot) { return nullptr; }
    // Takes ownership of an item given in a deal.
    virtual void receiveItem(std::unique_ptr<ItemBase> item) {}
    virtual int getTraitCount() const { return 0; }
    virtual int getTraitId(int i) const { return -1; }
    virtual void onRecruitAdded(Actor* actor) {}
    // Appends the entries of the effects onRecruitAdded gives a member.
    virtual void memberEffects(std::vector<const DatabaseEntry*>& out) const {}
    // Whether a member is one of those on the covenant's raid.
    virtual bool takesPartInRaid(const Entity* member) const { return false; }
    virtual bool isDefender(const Entity* member) const { return false; }
    // The members on the raid: alive, and dead.
    virtual void countRaidParty(int& alive, int& dead) const
    {
        alive = 0;
        dead = 0;
    }
    // The relics' product for that CovenantMultiplier; 1.0 outside 0 … 13.
    virtual float getMultiplier(int kind) const;
    virtual void killAllMembers() {}
    virtual void removeAllMembers() {}
    // "RelationForPeaceTreaty" + the difficulty's name, from the definition.
    virtual float getDifficultyRelationBase(const Covenant* other) const;
    // Entry of the definition's "RelationChangeCancelledTreaty" family.
    virtual float getCancelledTreatyChange(int treaty) const;
    // Hands an offer with at least one term to the other covenant.
    virtual void sendOffer(Covenant* to, const TradeOffer& offer);
    virtual void onSharedAdventureXp(Sentient* member, int xp) {}
    virtual void setLevelFound(Recruit* recruit, int level) {}
    virtual void onWarStarted(Covenant* aggressor) {}
    // The quest record a computer-run covenant keeps: emptied, or a copy
    // of a Game quest (the recruit quest).
    virtual void clearQuestRecord() {}
    virtual void copyQuestRecord(const Quest& quest) {}
    // A member killed the victim: the recruit quest record counts it.
    virtual void countQuestKill(Entity* victim) {}
    // Every recruit drops the other covenant's entities from its targets.
    virtual void forgetCovenantTargets(Covenant* other);
    // 0 Easy, 1 Average, 2 Hard.
    virtual int getDifficulty() const { return 1; }
    // A purchase proposal to the player's covenant for an item its leader carries.
    virtual void offerToBuyItem(Covenant* player) {}
    virtual void sendRelationChange(Covenant* other, float change) {}
    // A guard of this covenant changed an item: the stats follow.
    virtual void onMemberItemChanged(Entity* member, ItemBase* item);
    // Every covenant hears of a kill in which a covenant member took part.
    virtual void onKill(Entity* victim, Entity* credited) {}
    // The covenant that destroyed this one; null for none.
    virtual Covenant* getDestroyer() const { return nullptr; }
    // Whether getDestroyer is a reckoning of harm done, whose null means
    // monsters did the most.
    virtual bool keepsDestroyerReckoning() const { return false; }
    // Who ends this covenant at the blow from the attacker: its own
    // reckoning where it keeps one, else the attacker's covenant; null for
    // monsters.
    Covenant* findDestroyer(const Entity* attacker) const;
    // The house alarm runs for 10 game seconds from now.
    virtual void raiseAlarm();
    virtual void onRaidRepelled(Covenant* raider) {}
    // Ends the covenant (CovenantAttacks.cpp).
    virtual void onDestroyed(Entity* attacker, bool dismissGuards, bool announce);
    virtual void playTeleportEffect(Entity* member) {}
    virtual bool isVisitingTown() const { return false; }
    virtual ZonePosition getTownVisitPosition() const { return ZonePosition(-1, 0.0f, 0.0f); }
    // Whether raiders may teleport to this covenant's raid target.
    virtual bool allowsRaidTeleport() const { return true; }
    virtual int getMemberCount() const { return getRecruitCount(); }
    virtual void startSharedAdventure(Covenant* partner) {}
    virtual void stopSharedAdventure(Covenant* partner) {}
    virtual void onSharedAdventureProgress(Covenant* first, Covenant* second) {}
    virtual void onRumorStarted(Covenant* starter) {}
    virtual void raidOnRequest(Covenant* requester, Covenant* target) {}
    virtual float getDamageFrom(const Covenant* other) const { return 0.0f; }
    // The share of a monster's loot that drops when a member killed it.
    virtual float lootShareFor(const Entity* killer) const { return 1.0f; }
    // A member killed the victim: the covenant may take from its loot.
    virtual void takeLoot(Actor* victim) {}
    // The shared-adventure partner is the player's covenant.
    virtual bool isExcludedFromKillCredit() const;
    // The spot a member returns to (CovenantRaids.cpp).
    virtual ZonePosition getReturnPosition(const Entity* member) const;
    // Seconds before a dead member comes back: -1 destroyed, 0 for none or
    // a guard (CovenantHouse.cpp).
    virtual float getResurrectTime(const Entity* member) const;
    // A free spot beside the house gate for the requester; zone -1 here.
    virtual ZonePosition getSpotNearGate(const Entity* requester) const
    {
        return ZonePosition(-1, 0.0f, 0.0f);
    }

    // ---- Stats (Covenant.cpp)
    // Multipliers, guard costs, member maxima, regeneration and the life
    // stone's maximum.
    void updateStats();
    void refreshPowerStats();
    void zeroPowerStats();
    // 2 neutral, 4 own covenant, 0 at War or Raid with its covenant.
    int getRelationToEntity(const Entity* entity) const;
    static int peopleValueOfActor(const Sentient* actor);
    static int peopleValueOfRecruit(const Recruit* recruit);
    // Worth of group 1, places 0 … 17.
    static int inventoryGroupWorth(InventoryBase* inventory);
    // value x count (stacks) x type multiplier, rounded up.
    static int itemWorth(const ItemBase* item);
    // The house item of a place (group 24: guard items 0 … 3, relics 4 … 7),
    // wherever the covenant keeps its house; null outside 0 … 7.
    ItemBase* getHouseItem(int slot) const;
    // The stat bonus of the relics to a member's stat sum (groups 0 and 1).
    void addRelicStatBonus(int stat, int& value, int group) const;
    // The same for every stat below totals.size() in one pass over the relics.
    void addRelicStatBonuses(int group, std::vector<int>& totals) const;
    int getBestArmor() const { return bestArmor; }
    int getBestDefense() const { return bestDefense; }
    int getBestResistance(int i) const { return i >= 0 && i < 6 ? bestResistances[i] : 0; }
    int getLifestoneRegen() const { return lifestoneRegen; }
    // The stone's stand-in stats: Defense, Armor and the resistances.
    int getLifestoneStat(int stat) const;

    // ---- State section (CovenantUpdate.cpp)
    void writeUpdate(ByteBuffer& out) const;

    // ---- Upkeep, crystals, influence (CovenantUpkeep.cpp)
    void payUpkeep();
    void computeGuardCosts();
    int covenantItemsWorth(bool guardsOnly) const;
    // The leader's gold; nothing / 0 without a leader.
    void addMoney(int delta);
    int getLeaderGold() const;
    // source: 0 combat, 1 secret, 2 quest, 3 exploration.
    void gainInfluenceFromXp(int level, float xp, int source);
    int guardSlotToSell() const;
    // Group 27 and index -1 when the leader carries no guard item.
    void findGuardItemOfLeader(int& group, int& index) const;

    // ---- House (CovenantHouse.cpp)
    void setLifestone(Entity* stone);
    Entity* getLifestone() const { return lifestone.get(); }
    float lifestoneFraction() const;
    void onMemberDied(Sentient* member);
    ZonePosition getPositionNearLifestone() const;
    // A guard post; the house position for another slot.
    ZonePosition guardPost(int slot) const;
    void createGuard(ItemBase* guardItem, int slot);
    // Guards made on a post before its level was built move off ground the
    // built level blocks.
    void seatGuards();
    void dismissGuard(int slot);
    void fadeOutGuard(int slot);
    void removeAllGuards();
    Entity* getGuard(int slot) const;
    void releaseGuard(int slot);
    int slotForNewGuard() const;
    void createPedestals();
    Entity* getPedestal(int i) const;
    void createRelicDisplay(ItemBase* relic, int slot);
    // Every relic the house keeps on show at its pedestal (after a load or a
    // move to a new world, where the displays are gone).
    void showHouseRelics();
    void removeRelicDisplay(int slot);
    Entity* getRelicDisplay(int slot) const;
    int relicSlotToReplace() const;
    // True when the entity is a member (a recruit's actor, the leader or the
    // extra member).
    bool isMember(const Entity* entity) const;

    // ---- Recruits (CovenantRecruits.cpp)
    void resizeRecruitSlots(int count);
    int getRecruitSlotCount() const { return static_cast<int>(recruits.size()); }
    // The new recruit's slot, -1 when none is free.
    int addRecruit(Actor* actor);
    int firstFreeRecruitSlot() const;
    bool hasRoomForRecruit() const;
    // Below the recruit limit and with a free slot: what taking one in needs.
    bool canTakeRecruit() const { return hasRoomForRecruit() && firstFreeRecruitSlot() >= 0; }
    int getRecruitCount() const;
    // The actor stays in the world.
    void removeRecruit(int slot);
    Recruit* getRecruit(int slot) const;
    Recruit* findRecruitByActor(const Actor* actor) const;
    Actor* getRecruitActor(int slot) const;
    void updateMemberStats(const Entity* except);
    void membersTargetAttacker(Entity* attacker);
    void lifestoneAttacked(Entity* attacker, int amount);
    // The members: recruit actors, then the extra member.
    void collectMembers(std::vector<Sentient*>& out) const;

    // ---- Raids, relations, routes (CovenantRaids.cpp)
    // Some covenant other than exclude raids this one.
    bool isBeingRaided(const Covenant* exclude = nullptr) const;
    static int countRaiders(const Covenant* target, const Covenant* exclude);
    // The raid target names a covenant and the relation with it is Raid.
    bool isRaiding() const;
    int countWars(const Covenant* exclude) const;
    static int countPactsNotAllied(const Covenant* self, const Covenant* other);
    static int countAlliancesNotShared(const Covenant* self, const Covenant* other);
    static bool isFriendOfEnemy(const Covenant* a, const Covenant* b);
    ZonePosition getHouseSpot(const Entity* forEntity) const;
    bool isAlarmActive() const;
    int tradeRouteToCancel() const;
    bool canAffordTradeRoute(const Covenant* other, int routeSize) const;

    // ---- Offers (CovenantOffers.cpp)
    void evaluateOffer(const TradeOffer& offer, const Covenant* counterpart, int ourSide, int mode,
                       float& gain, float& loss) const;
    float termValue(const TradeTerm& term, const Covenant* counterpart, int ourSide, int mode) const;
    float getInfluenceValue(int amount, bool ours) const;
    float getCrystalsValue(int amount, bool ours) const;
    // Relation points of an amount when `have` is held already.
    static float diminishingValue(int amount, int have, int floor, float mult, float cap, float chunkPercent);
    float treatyValue(int kind, const Covenant* counterpart, int mode) const;
    float treatyBreakCost(int treaty, const Covenant* counterpart) const;
    float tradeRouteValue(int size, const Covenant* counterpart, int mode) const;
    float agreementBonus(const Covenant* counterpart) const;
    float agreementValue(int value, const Covenant* counterpart, bool ours) const;
    // The smallest amount of this covenant's crystals (influence) that the
    // evaluator values at the target or more; -1 when even all is not enough.
    int findCrystalsAmountWorth(const Covenant* evaluator, bool ours, int target) const;
    int findInfluenceAmountWorth(const Covenant* evaluator, bool ours, int target) const;
    void storeOffer(const TradeOffer& offer, int other, float timeout);
    // Empties the pending offer with the other; with notify it gets an empty
    // offer, which withdraws it.
    void clearPendingOffer(Covenant* other, bool notify);
    const PendingOffer& getPendingOffer(int other) const
    {
        return pendingOffers[static_cast<size_t>(other & 31)];
    }

    InfluenceCounters influence;
    int linkedCovenant = -1;
    float lastLifestoneFraction = 1.0f;
    GameTime alarmUntil;

protected:
    // The group holding the house items: the covenant's own group 24 here;
    // null when there is none.
    virtual InventoryGroup* getHouseGroup() const;
    bool isHouseEntity(const Entity* entity) const;
    void setGuardHealthOfItems();

    std::vector<std::unique_ptr<Recruit>> recruits;
    SafePtr<Entity> lifestone;
    std::array<SafePtr<Entity>, kRelicSlots> pedestals;
    std::array<SafePtr<Entity>, kGuardSlots> guards;
    std::array<SafePtr<Entity>, kRelicSlots> relicDisplays;
    std::array<PendingOffer, kMaxCovenants> pendingOffers;
    std::array<float, 14> multipliers;
    int lifestoneRegen = 0;
    // The stone maximum the last member refresh set; -1 once the maximum was
    // set from elsewhere (a save, a new stone), so loaded health stays as saved.
    int refreshedStoneMaximum = -1;
    int bestArmor = 0;
    int bestDefense = 0;
    std::array<int, 6> bestResistances{};
};
