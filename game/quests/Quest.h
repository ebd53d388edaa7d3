#pragma once

#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "game/entities/Timer.h"
#include "game/quests/QuestBase.h"

#include <cstdint>
#include <string>
#include <vector>

class Actor;
class ByteBuffer;
class Covenant;
class DatabaseEntry;
class Entity;
class Item;
class Player;

// One running quest of the server's world, or a player's copy of one held in
// a quest slot. The shared record is QuestBase; this adds what the server
// keeps: the quest's entities, its event state and the player's-copy flag.
// Life cycle and small operations in Quest.cpp, target choice in
// QuestSetUp.cpp, placing in QuestPlacement.cpp, lines in QuestAnnounce.cpp,
// world helpers in QuestWorldHelpers.cpp, the save record in QuestSave.cpp.
class Quest : public QuestBase {
public:
    // An entity carrying a spreading effect, with the two numbers it is saved by.
    struct Carrier {
        SafePtr<Entity> entity;
        int32_t covenantIndex = -1;
        int32_t slot = -1;
    };

    explicit Quest(bool playerCopy = false);
    ~Quest() override;
    Quest(const Quest&) = delete;
    Quest& operator=(const Quest&) = delete;

    // ---- QuestBase slots
    void onReset() override;
    void setUpFromEntity(Entity* entity) override;
    // flag 1 = restoring (the targets are kept); the source is the quest
    // this one follows, null for none.
    void setUp(int flag, QuestBase* source) override;
    // Once only: a failing quest starts its follow-up type.
    void fail() override;
    GameBase* getGameBase() const override;
    // A MonsterQuest goes back to its own monster; a one-shot type to the
    // quest's entity; any other to every NPC of the return type.
    bool isGivenBy(NpcType npcType, Entity* entity) const override;
    int getNpcCount() const override;
    std::string getNpcNameAt(int index) const override;
    NpcType getNpcType(int index) const override;

    bool isPlayerCopy() const { return m_playerCopy; }
    // In use: the slot holds a quest (its level is not -1).
    bool isInUse() const { return level != -1; }

    // ---- Life cycle (Quest.cpp)
    // The Game quest's main entity; a copy looks its Game quest up. Null
    // when the Game quest is gone.
    Entity* getQuestEntity() const;
    // The quest's own Game quest: itself, or for a copy the Game's quest of
    // the same number (null when gone).
    Quest* getGameQuest() const;
    void dismissNpcs();
    bool isExpired() const;
    void finish();
    bool isRescueNpc(const Entity* entity) const;
    bool isDeliveryNpc(const Entity* entity) const;
    bool isEscortNpc(const Entity* entity) const;
    // A Game quest counts its targets that are done (or keeps its goal
    // progress); a copy takes the larger of its own and the Game quest's.
    void updateProgress();
    // The checks a quest must pass to exist now.
    bool checkPrerequisites();

    // ---- Lines (QuestAnnounce.cpp)
    void announce();
    void accept();
    void solve(Player* player);
    void closeForCovenant(int covenantIndex);
    void onTreasureChestOpened(Entity* chest, Entity* opener);
    // Moves the Game's food or drink multiplier from old to the new value;
    // false (nothing changed, one line) when the result would not be a
    // positive finite number or the supply is unknown.
    bool setSupplyMultiplier(float oldValue, float newValue);

    // ---- World helpers (QuestWorldHelpers.cpp)
    void removeFromWorld();
    // Ends the quest's affliction on the NPC or carriers that still have it.
    void cureAfflicted();
    void placeQuestItems();
    void removeQuestItems();
    void onPlayerEnteredLevel();
    void populatePendingBlock();
    void appendSpawnedEntity(Entity* entity);
    bool isDuplicateOf(const Quest& other) const;
    bool usesMonsterType(const MonsterType* type) const;
    // An escorted NPC near the player's old spot goes along through a gate.
    void followWarp(Player* player, const ZonePosition& oldPosition, const ZonePosition& newPosition);
    bool isCarrier(const Entity* entity) const;
    // The quest items a player picks up: true when this slot's quest takes it.
    bool acceptsItem(const Item* item) const;
    bool takeSourceLevelAndSeed(QuestBase* source);
    // A type at the level related to the given one (by faction liking, else
    // by the given class's related classes; any when none fits); null when
    // the level has no types or none is given.
    static MonsterType* pickRelatedMonsterType(const MonsterType* given, int questLevel, bool byFaction);
    // The faction a type's actors get: the type's own, else its class's.
    static int factionOf(const MonsterType* type);
    // Of the Game's unique-monster quests whose monster type is flagged for
    // the search, the one with the most successes (the first on ties).
    static Quest* findLeadingUniqueMonsterQuest();
    // The recruit the quest's texts describe, placed at the recruit stand.
    void createRecruitNpc();
    void placeRecruitNpc();
    // Boss quests: a boss type for the boss area, and the boss at the
    // middle of the area's first level.
    void pickBossMonsterType();
    void spawnBoss();
    bool syncTargetToLevel(int levelIndex);
    // A Meeting whose every side fell makes the Game start a War.
    void checkMeetingWar();
    // The meeting broke up: the living sides go to war with the town.
    void endMeeting();
    // An armour or weapon of the quest's level on the ground for the player.
    void dropRewardItem(Player* player);
    bool removeSpawnedEntity(const Entity* entity);

    // ---- Running (QuestProgress.cpp)
    // The periodic check; a player's copy checks what its player does.
    void think(Player* player, float seconds);
    void countKill(Entity* killed);
    void onEntityKilled(Entity* killed, Entity* killer);
    void onTargetAttacked(Entity* attacked, Entity* attacker);
    // True when another covenant's kill took the quest over (it is gone).
    bool onKilledByCovenant(Entity* killer);
    void tryRescue(Actor* npc);
    bool deliverTo(Player* player, Actor* npc);
    void startEscort(Player* player, Actor* npc);
    // A rejoining player leads its escort again.
    void relinkEscort(Player* player);
    void giveReward(Player* player);
    // The quest's story bit is already set for the player.
    bool isSolvedFor(const Player* player) const;
    bool canSkip(const Player* player) const;
    void skip(Player* player);

    // ---- Events (QuestEvents.cpp)
    // One event step of a Game quest; true when the quest ended in it.
    bool handleEvent(float seconds);
    // A town NPC, a recruit of the first player's covenant or the first
    // player, drawn uniformly; an empty record when there is none.
    Carrier pickCarrierCandidate();

    // ---- Thief, siege and town attack (QuestMechanics.cpp)
    // Where a town attack gathers: near the town centre or at a house.
    void pickTownAttackTarget();
    // The town NPC of that type is a vendor with something in its random stock.
    static bool isVendorOpen(NpcType npcType);
    // The thief goes to a random open vendor; with none it wins (when asked
    // to, returning true: the quest ended) or stays hidden.
    bool moveThief(bool winWhenNone);
    void thiefSteal();
    void thiefDisappear();
    void thiefWins();
    void fireSiegeProjectiles();
    // Marks the actor as the quest's monster and keeps it.
    void addSpawnedEntity(Actor* actor);

    // ---- Save record (QuestSave.cpp); the shared record's forms stay in reach.
    using QuestBase::read;
    using QuestBase::write;
    void write(ByteBuffer& buffer) const;
    // All or nothing: false, the quest untouched and nothing put into the
    // world, when the record is cut short or holds a value out of range.
    bool read(ByteBuffer& buffer, int version);
    void rebindCarriers();

    // The Game's table marks a quest it took out while a walk runs.
    bool isDeleted() const { return m_deleted; }
    void markDeleted() { m_deleted = true; }

    SafePtr<Entity> questNpc;
    SafePtr<Entity> secondNpc;
    SafePtr<Entity> questChest;
    Timer eventTimer;
    int successCount = 0;
    float multiplier = 1.0f;
    std::vector<Carrier> carriers;
    bool carriersPending = false;
    ZonePosition attackPosition{-1, 0.0f, 0.0f};
    float gateHealth = 1.0f;
    std::vector<SafePtr<Entity>> spawnedEntities;
    int spawnedCount = 0;
    bool hidden = false;
    bool itemsPending = false;
    int pendingBlock = -1;
    bool fromSourceQuest = false;
    const DatabaseEntry* thiefEffect = nullptr;
    bool meetingDisturbed = false;

    // The Game's table has given the quest its number: a spawn entry its
    // set-up asked for is added now, under that number.
    void onNumbered();

private:
    // Target choice by type (QuestSetUp.cpp); false fails the set-up.
    bool chooseTargets(QuestBase* source);
    // Placing and the closing step (QuestPlacement.cpp).
    void place(bool restoring, QuestBase* source);
    void addSpawnEntry();
    // Crystals or influence of one covenant, announced when at least 1.
    void applyCovenantEffect(Covenant& covenant);
    void removeSpawnEntry();

    bool m_playerCopy = false;
    bool m_deleted = false;
    // The set-up's spawn entry: asked for, added, and where (level, id).
    bool m_spawnEntryWanted = false;
    bool m_spawnEntryAdded = false;
    // A new Recruit quest waits for its number before the covenants copy it.
    bool m_covenantCopyWanted = false;
    int m_spawnEntryLevel = -1;
    int m_spawnEntryId = 0;
};
