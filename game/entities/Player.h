#pragma once

#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "game/definitions/GateList.h"
#include "game/entities/Actor.h"
#include "game/entities/Sentient.h"
#include "game/entities/Timer.h"
#include "game/skills/SkillRefusal.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Actor;
class ByteBuffer;
class Item;
class ItemBase;
class Vendor;
class Covenant;
class ItemGround;
class Quest;

// The server-side body of a human player's character. Its decisions come
// from the client: the action and target of every frame (setAction) and the
// command lines. Its own step keeps an automatic target, strikes the chosen
// enemy in reach, counts play time and plays the death animations.
// Snapshot and join in PlayerSnapshot.cpp, new characters in PlayerStart.cpp,
// level-ups and training in PlayerProgress.cpp, travel in PlayerTravel.cpp.
class Player : public Sentient {
public:
    static constexpr int kStatisticCount = 25;
    static constexpr int kQuestSlots = 6;
    static constexpr int kItemTimers = 5;
    static constexpr int kFlagCount = 65;
    static constexpr uint32_t kNoTarget = 0xFFFFFFFFu;

    // Statistics entries with a fixed meaning.
    enum Statistic {
        MoneyPickedUp = 3,
        MsPlayedToday = 4,
        DaysPlayed = 5,
        LargestHitDealt = 6,
        LargestHitTaken = 7,
        StrongestKill = 8,         // record: experience at level 1
        StrongestKillAtLevel = 10, // record: experience at the player's level
        StrongestKiller = 12,
        WeakestKiller = 14,
        QuestsSolved = 16,
        LargestSkillTotal = 17,
        LargestHeal = 18,
        HighestTrapDisarmed = 24,
    };

    // Action codes the player reacts to.
    enum Action {
        ActionAttack = 2,
        ActionAttackNear = 3,
        ActionLootStash = 10,
        ActionLootBody = 15,
        ActionCovenantInventory = 17,
        ActionUseBegin = 18,
        ActionUseHold = 19,
        ActionUseOnce = 20,
        ActionUseOnceAlt = 21,
        ActionTrade = 22,
        ActionChooseCovenant = 29,
    };

    static constexpr int kMsPerDay = 86400000;

    Player();
    ~Player() override;

    static void declareEvents(ClassRecord& record);
    static void bindHandlers(ClassRecord& record);

    // Action, targets, gate pairs and positions, view level, quests and gate
    // lists back to their start; the warp is no longer pending.
    void reset();

    // ---- Entity and Sentient operations replaced
    // Moves only for a change of more than 0.01 in x or y.
    void setPosition(const ZonePosition& position) override;
    void update(float dt) override;
    bool isEnemyOf(const Entity* entity) const override;
    bool isFriendOf(const Entity* entity) const override;
    void attackedBy(Entity* attacker) override;
    Entity* getTarget() const override;
    void getTargetPosition(ZonePosition& out) const override { out = m_skillTarget; }
    void warp(const ZonePosition& position) override;
    float getLootShare() const override { return getAdventureXpMult(); }
    void giveLoot(Actor* victim) override { giveAdventureLoot(victim); }
    void trapDisarmed(Entity* trap) override;
    void damaged(int amount, Entity* source, bool overTime, bool quiet) override;
    void hitLanded(int amount, Entity* target, bool hit, bool critical, bool crushingBlow, bool deepWounds,
                   bool flag) override;
    void levelUp() override;
    InventoryGroup* getInventoryGroup(int group) override;
    // Group Loot shows a covenant's inventory (actions 17 and 29).
    bool showsCovenantInventory() const
    {
        return m_action == ActionCovenantInventory || m_action == ActionChooseCovenant;
    }
    void killed(Entity* killer) override;
    void onItemFound(const ItemBase* item) override;
    bool usesClassEntry() const override { return true; }
    bool isItemTimerReady(const ItemBase* item) const override;
    void sendItemTimer(const ItemBase* item) override;
    void sendMessage(int type, const std::string& text) override;
    void sendWarpDirection() override;
    std::vector<int32_t>* getFunStats() override { return &m_statistics; }
    bool hasLostFocus() const override { return m_action == ActionAttack; }
    void recordSkillTotal(int value) override;
    void recordValue18(int value) override;
    // Text i of the character class into out; out untouched without a class.
    void getClassText(int i, std::string& out) const;

    // ---- Actions
    void setAction(int action, uint32_t targetNumber);
    void requestSkillUse(int treeIndex, int skillIndex, int targetNumber, const ZonePosition& mousePosition);
    bool isAttacking() const override { return m_action == ActionAttack; }
    Entity* getActionTarget() const override { return m_actionTarget.get(); }
    Actor* getTargetActor() const { return m_targetActor.get(); }
    Sentient* getTargetSentient() const { return m_targetSentient.get(); }
    Covenant* getTargetCovenant() const { return m_targetCovenant; }
    Entity* getAutoTarget() const { return m_autoTarget.get(); }
    int getAction() const { return m_action; }
    // Run when attacked: keeps a current enemy in reach, else takes the
    // attacker and starts the first blow a quarter second later.
    void considerAttacker(Entity* attacker);
    void onSuccessfulKill(Event& event);
    void onSuccessfulKill(Entity* victim);
    void onResurrectEvent(Event& event);
    void discoverLevel(int level);
    // Only while dead; health and power come back by the game's percentages.
    void resurrect(bool warpToCovenant);
    bool isTalkingToOwnNpc() const;
    int getDeathStage() const { return m_deathStage; }
    const std::string& getName() const { return m_name; }
    void setName(const std::string& name) { m_name = name; }

    // ---- Snapshot and join (PlayerSnapshot.cpp)
    // Appends the player section; only the animation priority changes (1 → 0).
    void writePlayerSection(ByteBuffer& out);
    // Reads the join's character section whole before applying it. False,
    // with the failing field named and the player unchanged, when the bytes
    // are cut short, the class is unknown or a value is out of range.
    bool initNewCharacter(ByteBuffer& in, std::string& failedField);

    // ---- New characters (PlayerStart.cpp)
    void giveStartingItems();
    void startFresh();
    // keepQuests: a saved character arriving from another world keeps its slots.
    void startFresh(bool keepQuests);
    // A fresh start made before the player had a covenant (a join) resets the
    // covenant's running state once the covenant is linked.
    void finishFreshStart();
    void startNewWorld();
    // The gate lists rebuilt for the running world, visited levels sized to it.
    void buildForWorld();

    // ---- Growth (PlayerProgress.cpp)
    void increaseAttribute(const std::string& name);
    void increaseSkill(int treeIndex, int skillIndex);
    void decreaseSkill(int treeIndex, int skillIndex);
    void giveBonusSkill(int stat);

    // ---- Items and trade (PlayerItems.cpp)
    // Buys the vendor's goods at (Loot, slot); a gambler's may fail.
    void buyItem(int group, int slot);
    void sellItem(int group, int slot);
    void pickupEntity(int number);
    void moveItem(int oldGroup, int oldSlot, int newGroup, int newSlot);
    void switchItemSet();
    void identifyAll();
    void forceUse(int number, int group, int slot);
    void forceFood(int number);
    void forcePotion(int number);
    // Tells the player a two-handed weapon and a shield cannot be held together.
    void canEquip(const ItemBase* twoHanded, const ItemBase* shield);
    // A House place took or lost an item: guards are hired or dismissed,
    // relics shown on their pedestals or taken off.
    void itemAdded(ItemBase* item, int group, int slot);
    void itemRemoved(ItemBase* item, int group, int slot);
    // Effects are not saved and a fresh start ends them: the bonuses of the
    // sets worn are given again (one already held is not given twice).
    void applyWornSetBonuses();
    // The House places read with a joining character stand again once its
    // covenant is linked: its hired guards at their posts, its relics shown.
    void restoreHouse();

    // ---- Party and recruits (PlayerParty.cpp)
    // Into the covenant; with joinParty also into the party, else sent home.
    void recruitToCovenant(Actor* npc, bool joinParty);
    // The covenant's recruit in that slot follows while the party, the
    // player included, stays below the limit.
    void inviteToParty(int recruitSlot, int partyLimit);
    // Every follower leaves and is sent home.
    void disbandParty();
    // The covenant index, then the recruit slots taken along.
    void startRaid(const std::vector<int>& arguments);
    // The saved party's recruit slots follow again ("MaxRaidGroupSize").
    void restoreJoinParty();
    // 0.5 while the covenant adventures with a partner, else 1.
    float getAdventureXpMult() const;
    // On a shared adventure the computer-run partner takes from the loot.
    void giveAdventureLoot(Actor* victim);

    // ---- Travel (PlayerTravel.cpp)
    void travelToGate(int gateIndex);
    void travelToCovenant(int covenantIndex);
    void travelToTownGate(int index);
    // Marks the current world level's gate of that zone activated in both lists.
    void activateGate(int zone);
    void sendWarp(const ZonePosition& position);
    // Clears the pending warp when the confirmed spot is within 0.5 of it.
    void confirmWarp(const ZonePosition& position);
    void requestResurrect();
    // Kind 0: the player's own pair, from the position to beside the house
    // gate; kind 1: the raid pair. Restoring keeps a gate at its saved spot
    // when no ring around it is free.
    void createGate(const ZonePosition& position, int kind, bool restoring);
    void deleteGatePair(int kind);
    // A gate of a pair (end 0 at the chosen place, 1 at the house); null when none.
    Entity* getGate(int kind, int end) const;
    // The saved pairs made again where they stood (the join).
    void restoreGatePairs();
    // "TeleportHome": the pair opens at the player after the rules' gate time.
    void startCreateGate();
    void onCreateGateEvent(Event& event);
    void sendItemTimer(int index, float seconds);
    bool isItemTimerReady(int index) const;

    // ---- Quest slots (PlayerQuests.cpp); quests are named by Game quest number
    // The slot's copy, or null when the quest is gone, already held (nothing
    // sent) or every slot is taken.
    Quest* acceptQuest(int number);
    void skipQuest(int number);
    // number -1: the complete quest the NPC the player talks to takes back.
    void solveQuest(int number);
    // The client's own test passed: only for a held, running quest whose
    // type lets the client complete it.
    void completeQuest(int number);
    // Takes on the escort quest of the NPC when a slot is free.
    void startEscort(Actor* npc);
    bool hasFreeQuestSlot() const { return findFreeQuestSlot() >= 0; }
    int findFreeQuestSlot() const;
    int countQuests() const;
    bool hasQuest(int number) const;
    bool isQuestComplete(int number) const;
    void refreshQuest(int number, bool onlyTracked);
    void copyQuestCount(int number);
    // A quest item picked up: the first slot that takes it counts one more
    // (up to its goal) and the ground item goes. False when none takes it.
    bool offerToQuests(ItemGround* ground);
    // A running count quest asks for monsters of the entity's type.
    bool hasOpenCountQuest(const Entity* entity) const;
    void finishTutorial(bool skipped);
    void restartTutorial();
    // The slot holding the Game quest; -1 when none.
    int findQuestSlot(int number) const;

    // ---- State
    std::vector<int32_t>& getStatistics() { return m_statistics; }
    const std::vector<int32_t>& getStatistics() const { return m_statistics; }
    int getViewLevel() const { return m_viewLevel; }
    void setViewLevel(int level) { m_viewLevel = level; }
    Quest* getQuest(int slot) const;
    GateList& getGates() { return *m_gates; }
    GateList& getGatesCopy() { return *m_gatesCopy; }
    std::vector<bool>& getVisitedLevels() { return m_visitedLevels; }
    const std::vector<bool>& getVisitedLevels() const { return m_visitedLevels; }
    std::vector<bool>& getFlags65() { return m_flags65; }
    const std::vector<bool>& getFlags65() const { return m_flags65; }
    const ZonePosition& getPlayerGatePosition() const { return m_playerGatePosition; }
    const ZonePosition& getRaidGatePosition() const { return m_raidGatePosition; }
    const ZonePosition& getPendingWarp() const { return m_pendingWarp; }
    // Set once the tutorial is finished or skipped; until then the town has a tutor.
    bool isTutorialDone() const { return m_tutorialDone; }
    void setTutorialDone(bool done) { m_tutorialDone = done; }
    bool isWarpPending() const { return m_warpPending; }
    const Timer& getItemTimer(int index) const { return m_itemTimers[static_cast<size_t>(index)]; }
    const Timer& getAttackTimer() const { return m_timer; }

private:
    // Moves a player that a warp left on a level not built yet off walls and
    // solid things once the level is built.
    void settleOnBuiltLevel();
    // Into the bags: stacked (the caller deletes the item), placed or no room.
    int handOver(Item* item);
    // Money, or the covenant's crystals for bound items.
    int getFunds(bool bound) const;
    void spendFunds(bool bound, int amount);
    Vendor* getTradingVendor() const;
    // A House guard whose guard has died marks its item dead.
    void checkHouseGuards();
    // forceUse with the highest-level item of the kind in the bags.
    void forceFromBags(int number, const char* baseName);
    // The nearest live attacker among the listeners; null when none.
    Entity* nearestAttacker() const;
    void pickAutoTarget();
    void attackTarget();
    void refuseAttack(Entity* target, SkillRefusal why);
    void updateDeathAnimation();
    bool hasDisablingEffect() const;
    // The reach of a melee blow: GridSize × 1.9.
    static float reach();

    std::string m_name;
    std::vector<int32_t> m_statistics;
    int m_viewLevel = -1;
    int m_action = 0;
    SafePtr<Entity> m_target;
    SafePtr<Entity> m_actionTarget;
    SafePtr<Sentient> m_targetSentient;
    SafePtr<Actor> m_targetActor;
    Covenant* m_targetCovenant = nullptr;
    SafePtr<Entity> m_autoTarget;
    // The last refused blow's target and reason, said once; the seconds
    // since the player last moved.
    SafePtr<Entity> m_refusedTarget;
    SkillRefusal m_refusedWhy = SkillRefusal::None;
    float m_stillSeconds = 0.0f;
    using GatePair = std::array<SafePtr<Entity>, 2>;
    GatePair m_playerGatePair;
    GatePair m_raidGatePair;
    ZonePosition m_playerGatePosition{-1, 0.0f, 0.0f};
    ZonePosition m_raidGatePosition{-1, 0.0f, 0.0f};
    std::array<std::unique_ptr<Quest>, kQuestSlots> m_quests;
    std::array<Timer, kItemTimers> m_itemTimers{};
    ZonePosition m_skillTarget{-1, 0.0f, 0.0f};
    std::unique_ptr<GateList> m_gates;
    std::unique_ptr<GateList> m_gatesCopy;
    std::vector<bool> m_visitedLevels;
    std::vector<bool> m_flags65;
    ZonePosition m_pendingWarp{-1, 0.0f, 0.0f};
    bool m_warpPending = false;
    bool m_settleOnBuild = false; // warped into a level not built yet
    bool m_covenantResetPending = false;
    bool m_tutorialDone = false;
    // The recruit slots of the saved party, until the covenant exists.
    std::vector<int32_t> m_joinParty;
    // 0 alive, 1 dying, 2 dead.
    int m_deathStage = 0;
};
