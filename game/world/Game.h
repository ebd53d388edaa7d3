#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/GameTime.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"
#include "engine/object/SafePtr.h"
#include "game/ai/BehaviorStack.h"
#include "game/definitions/GameBase.h"
#include "game/entities/Timer.h"
#include "game/quests/DynamicChatLine.h"
#include "game/world/EntitySlot.h"
#include "game/world/GameHooks.h"
#include "game/world/LevelIndex.h"

#include <array>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class Actor;
class ByteBuffer;
class Covenant;
class Entity;
struct TradeOffer;
class Event;
class Level;
class Listener;
class MonsterArchetype;
class MonsterType;
class NpcChat;
class Player;
class Weather;
class Quest;
class QuestBase;
class QuestDefinition;
class Sentient;
class WorldNavigation;
struct GridPath;
struct EventType;
enum class ChatDialogType : int;

// A sound to be sent to clients in the next state message.
struct SoundEvent {
    int32_t nameIndex = -1; // resource-name index, -1 none
    int32_t entityNumber = -1;
    ZonePosition position;
    uint8_t flag = 1;
    float parameter = 0.0f;
    float radius = 500.0f;
};

// A simple countdown of the world step.
struct GameCountdown {
    bool active = false;
    float left = 0.0f;
    float reset = 0.0f;
};

// A monster waiting to reappear at a place of a level.
struct RespawnRecord {
    ZonePosition position;
    float left = 0.0f;
    bool active = false;
};

// What the Game keeps for one level of the world.
struct LevelRecord {
    std::vector<RespawnRecord> respawns;
    std::vector<bool> populatedBlocks; // sized on first use
    int populatedCount = 0;
    std::unique_ptr<LevelIndex> index;
};

// The server's world: owns every entity through the entity table (entity
// numbers 0 … 999), the game clock, the delayed events and the sounds to send.
class Game : public GameBase {
public:
    // The one Game (created by startGame); null while there is none.
    static Game* instance() { return s_instance; }
    static Game& get() { return *s_instance; }

    static constexpr int kMaxEntities = 1000;
    static constexpr int kCountdownCount = 5;
    static constexpr int kUpkeepCountdown = 1;

    Game();
    ~Game() override;

    // Reads the "GameSystem" rules the server keeps (GameSettings.cpp).
    void loadSettings() override;
    // Back to the empty state: every entity destroyed, lists emptied.
    void clear();

    // ---- Entity table (Game.cpp)
    // The entity's number, or -1 when the table is full (the caller keeps
    // ownership and must delete it).
    int addEntity(Entity* entity);
    // Unregisters without destroying; the slot is freed only when it holds
    // this entity.
    void removeEntity(Entity* entity);
    // Removes and destroys now, or through a "delete" event at the next
    // event update.
    void deleteEntity(Entity* entity, bool immediate);
    // The entity of a number; null when free or out of range.
    Entity* getEntity(int number) const;
    const EntitySlot& getSlot(int number) const { return m_entities[number]; }
    int getEntityCount() const;
    // A plain object from a database entry, placed at the position; with a
    // lifetime above 0 it is deleted after that many seconds. Null when the
    // entry is unknown or the table is full.
    Entity* spawnEntity(const std::string& entryName, const ZonePosition& position, float lifetime);

    // ---- Spatial index and queries (GameQueries.cpp)
    // Follows an entity of the table to its position: moved inside a level,
    // between levels, or out for a zone without a record. Entities outside
    // the table are not indexed.
    void moveEntityInSpatialIndex(const Entity* entity, const ZonePosition& position);
    // The level index of a zone; null without a record.
    const LevelIndex* getLevelIndex(int zone) const;
    // Candidate numbers of the centre's level and its eight neighbours; the
    // radius grows by 64 when entity radii are to be counted.
    void querySpatialIndex(const ZonePosition& centre, float radius, bool addEntityRadius,
                           std::vector<int>& out) const;
    // Entities at most radius from the centre (less their own radius with
    // subtractRadius).
    void queryEntitiesInRadius(const ZonePosition& centre, float radius, bool subtractRadius,
                               std::vector<Entity*>& out) const;
    // Candidates filtered by the relation mask (EntityQueryMask.h); with
    // addRadius self's radius is added and each entity's radius counted.
    void getEntitiesInRange(bool addRadius, const ZonePosition& centre, const Entity* self, float radius,
                            uint32_t mask, std::vector<Entity*>& out) const;
    // The nearest dead body outside covenants around self; the first found
    // wins on equal distances.
    Entity* findNearestEntityInRange(const Entity* self, float radius) const;
    // Whether the entity may stand there: never in zone -1; blocked by solid
    // entities whose solid type's bit is in the mask (0 counts as 1).
    bool isPlaceFree(const ZonePosition& position, const Entity* entity, uint32_t blockingMask = 0) const;
    // Whether an item may be dropped there: never in zone -1, nor within
    // 0.05 of an item on the ground.
    bool isItemSpotFree(const ZonePosition& position) const;
    // The first free cell on the border of ring r around the centre: a free
    // item spot with itemSpot, else a free place for the entity.
    bool findFreeSpotOnRing(const ZonePosition& centre, int ring, ZonePosition& out, const Entity* entity,
                            bool itemSpot = false, bool allowOtherZone = false,
                            uint32_t blockingMask = 0) const;
    // Rings 0 … maxRing in turn; the centre itself when none is free and
    // fallBackToCentre is set.
    bool findFreeSpotNear(const ZonePosition& centre, int maxRing, ZonePosition& out, const Entity* entity,
                          bool fallBackToCentre, uint32_t blockingMask = 0, bool itemSpot = false) const;
    // Hands the event to every entity the query returns around the centre
    // entity, then returns it to the pool unless it is kept.
    void sendEventToEntitiesInRange(Entity* centreEntity, Event* event, float radius, uint32_t mask);
    // A "HeardSound" event carrying the object, to every live entity but the
    // source within the radius.
    void emitHeardSound(Entity* source, Entity* object, float radius);

    // ---- Players (filled by addEntity; a leaving player's entry is nulled and reused)
    const std::vector<Player*>& getPlayers() const { return m_players; }
    // The first joined player still in the list; null when none.
    Player* getFirstPlayer() const;
    // The nearest player (null entries skipped); the earlier one on equal
    // distances; null without players.
    Player* findNearestPlayer(const ZonePosition& position) const;
    // Game::playSound at the first player's position with its number.
    void playSoundAtPlayer(const std::string& fileName, float radius = 500.0f, float parameter = 0.0f);

    // ---- Covenants (owned; GameDiplomacy.cpp has the relation changes)
    // Takes the covenant, gives it the next index and returns it; a 33rd is
    // refused with -1 (and deleted).
    int addCovenant(std::unique_ptr<Covenant> covenant);
    // The covenant at the index gives way to a new one that takes its index
    // (a player joining again): its members and house objects leave the
    // world and the others forget it. -1 when the index holds none.
    int replaceCovenant(int index, std::unique_ptr<Covenant> covenant);
    Covenant* getCovenant(int index) const;
    int getCovenantCount() const { return static_cast<int>(m_covenants.size()); }
    // The player's covenant; null when there is none.
    Covenant* getPlayerCovenant() const;
    // True for the player's covenant; with none, true only for null.
    bool isPlayerCovenant(const Covenant* covenant) const;
    // The colour-coded name of the covenant at the index; "" for none.
    std::string getCovenantColoredName(int index) const;
    // A "msg" line to every client.
    void sendGameMessage(const std::string& text, int type);
    // Mode 0: type 2 for the player's own covenant, else 3; mode 1: type 2
    // also for one with a protection pact with it; other modes are the type.
    void sendCovenantMessage(const Covenant* covenant, const std::string& text, int mode);
    void announceDiplomacy(int a, int b, int state, bool silent);
    void announceTradeRoute(int a, int b, int size, bool silent);
    void onWarDeclared(int aggressor, int victim);
    void notifyTreatyBroken(int a, int b);
    void notifyTradeRouteCancelled(int a, int b);
    void onMutualProtectionSigned(int a, int b);
    void onAllianceSigned(int a, int b);
    void notifyOtherCovenants(int a, int b);
    void announceRaidStart(int raider, int target);
    void announceRaidEnd(int raider, int target);
    void announceLifestoneDanger(int covenant, float fraction);
    void resetRelationStatesWith(int covenant);
    void resetRelationSubStatesWith(int covenant);
    // The game message of a covenant's end and the destroyer's gain.
    void onCovenantDestroyed(Covenant* destroyed, Covenant* destroyer);
    // Carries out an accepted offer term by term (GameTrade.cpp).
    void executeTradeOffer(const TradeOffer& offer, Covenant* first, Covenant* second);
    void announcePeaceRejected(const Covenant* rejecting, const Covenant* proposing, bool silent);
    bool isPlayerTargetingCovenant(const Covenant* covenant) const;
    bool hasPlayerDiplomacy() const { return m_playerDiplomacy; }

    // ---- Delayed events (GameEvents.cpp)
    // False (and logged) when the instance is already pending.
    bool scheduleEvent(Listener* target, Event* event, float delay);
    bool cancelEvents(const EventType* type, const Listener* target);
    Event* findEvent(const EventType* type, const Listener* target);
    void cancelEventsFor(const Listener* target);
    void updateEvents(float dt);
    void clearEvents();
    size_t getPendingEventCount() const { return m_pendingEvents.size(); }
    bool isPending(const Event* event) const { return m_pendingSet.count(event) != 0; }

    // ---- Sounds
    void playSound(const std::string& fileName, const ZonePosition& position, int entityNumber,
                   float radius = 500.0f, float parameter = 0.0f);
    const std::vector<SoundEvent>& getSoundEvents() const { return m_soundEvents; }
    void clearSoundEvents() { m_soundEvents.clear(); }

    // ---- World step (GameStep.cpp)
    void update(float dt);
    // With ai_numActive set, logs how many actors are active; returns the
    // count (-1 when the variable is off).
    int printActiveActors() const;
    // Per-level records and flag lists for a world of that many levels.
    void resizeForWorld(int levelCount);
    void onLevelActivated(int level);
    // The entities standing in a level, in table order.
    std::vector<Entity*> collectEntitiesOnLevel(int level) const;
    // Actors put into a level before it was built move off blocked ground.
    void relocateBlockedEntities(int level);
    // The level's chest by its depth, once, and never again once opened.
    void placeBonusChest(int level);
    // A name from the male or the female NPC list, seeded from the shared stream.
    std::string randomNpcName() const;
    // A town NPC's or wandering recruit's death told to all (unless silent);
    // the NPCs of its type react when an actor killed it.
    void announceDeath(Actor* victim, Entity* killer, bool silent);
    // The end of a covenant's destruction: the NPCs' reaction and, when
    // another covenant did it, the reward chest of the fallen leader's level.
    void onCovenantEnded(Covenant* destroyed, Covenant* destroyer);
    // A killed wild monster's place is queued to be filled again.
    void scheduleMonsterRespawn(Actor* monster, Entity* killer);
    void runRespawnQueues(float dt);
    int countRespawns(int level) const
    {
        return level >= 0 && level < static_cast<int>(m_levels.size())
                   ? static_cast<int>(m_levels[static_cast<size_t>(level)].respawns.size())
                   : 0;
    }

    // ---- Town chat (GameChat.cpp)
    // A line of the NPC for the player: its introduction once (dialog 1),
    // then now and then an event line, else a weighted entry of its list
    // (handed back in chosen, null for none). Empty when nothing fits.
    std::string chooseNpcChat(Actor* npc, const Player* player, int dialogType,
                              const NpcChat** chosen = nullptr);
    // Offers an event to every town NPC (of that type; 0 = all).
    void triggerNpcChat(int dialogType, const std::string& eventText, int npcTypeFilter);
    // The argument part of wrapText("", ...), the form event texts take.
    static std::string chatArguments(const std::string& wrapped);
    // An event the town talks of, with its subjects as the line's arguments
    // (none when empty), offered to the NPCs of that type (0 = all).
    void raiseNpcChat(ChatDialogType type, const std::string& subject, int npcType = 0);
    void raiseNpcChat(ChatDialogType type, const std::string& first, const std::string& second,
                      int npcType = 0);
    void addDynamicChat(int npcType, const std::string& text, float seconds);
    void updateDynamicChats(float seconds);
    bool hasDynamicChat(int npcType) const;
    std::string takeDynamicChat(int npcType);
    const std::vector<DynamicChatLine>& getDynamicChats() const { return m_dynamicChats; }
    // i32 count of live lines, then each line. Read is all or nothing.
    void writeDynamicChats(ByteBuffer& out) const;
    bool readDynamicChats(ByteBuffer& in);
    // The weather's step; a front starting or ending with rain in the town
    // gives the NPCs something to say.
    void updateWeatherChat(float seconds);
    void onLevelReleased(int level);
    bool isLevelActive(int level) const;
    // The user variable "ai_covenants": computer covenants plan and act only
    // while it is on (default on).
    bool isCovenantAiOn() const;
    // Populated-block flags of a level (sized to the level's blocks on first
    // use); out-of-range levels or blocks read false and mark nothing.
    bool isBlockPopulated(int level, int block) const;
    void markBlockPopulated(int level, int block);
    int getPopulatedBlockCount(int level) const;
    int getLevelCount() const { return static_cast<int>(m_levels.size()); }
    const std::vector<bool>& getLevelFlags(int list) const
    {
        return list == 0 ? m_levelFlags1 : m_levelFlags2;
    }
    GameCountdown& getCountdown(int index) { return m_countdowns[index]; }
    // The game section of the state message.
    void writeUpdate(ByteBuffer& out, const Entity* player) const;

    // ---- Behaviour-stack templates (GameBehaviors.cpp)
    // One stack per monster class whose entry names one, in class order.
    void createBehaviorStacks();
    // The first template of the class; null when it has none.
    const BehaviorStack* findBehaviorStack(const MonsterArchetype* archetype) const;
    // Copies the class's template into the actor's list; nothing without one.
    void copyBehaviorStack(const MonsterArchetype* archetype, Actor* actor, BehaviorList& list) const;
    const std::vector<std::unique_ptr<BehaviorStack>>& getBehaviorStacks() const { return m_behaviorStacks; }

    // ---- Navigation and services of later systems
    // Not owned; null goes back to the World and its path finder.
    void setNavigation(WorldNavigation* navigation);
    WorldNavigation* getNavigation() const { return m_navigation; }
    bool findPath(Entity* mover, const ZonePosition& from, const ZonePosition& to, Entity* goal,
                  GridPath& out) const;
    bool isLevelLoaded(int level) const;
    bool isBlockedForMovement(const ZonePosition& position) const;
    bool isBlockedForSight(const ZonePosition& position) const;
    GameHooks& hooks() { return m_hooks; }
    // Whether the monster set up last hid (monsters hide in groups).
    bool getPreviousMonsterHid() const { return m_previousMonsterHid; }
    void setPreviousMonsterHid(bool hid) { m_previousMonsterHid = hid; }

    // ---- Rules (GameSettings.cpp)
    int getTotalSkillPoints(int level) const;
    float getIdentifyTime(int itemLevel, int characterLevel) const;
    float getChestOpenTime(int chestLevel, int characterLevel) const;

    // ---- Objects of the world (GameObjects.cpp)
    // Rain and wind at the position: none without weather.
    void getWeatherAt(const ZonePosition& position, float& rain, Vec2& wind) const;
    // Two gates of the kind, each on the first free spot of rings 0 … 4
    // around its point (else the point), leading to each other.
    void createLinkedGates(const ZonePosition& a, const ZonePosition& b, int kind);

    // ---- Population and world end (GamePopulation.cpp)
    // Asks the spawn system to fill the block once; true when it is filled.
    bool populateAreaBlockOnce(int level, int block);
    // The (2 × SpawnSteps + 1)² points around the position, SpawnStepDistance
    // apart, each filling its block once; returns the points examined.
    int populateAroundPosition(const ZonePosition& position);
    // Around every player, only while the world is generated.
    void updatePopulation();
    // A covenant start position not drawn before in this world; zone -1 once
    // none is left.
    void takeRandomCovenantPosition(ZonePosition& out);
    // True once every computer-run covenant is destroyed; false while the
    // world is not generated or has none.
    bool allAiCovenantsDestroyed() const;
    // The first player's covenant is destroyed.
    bool isPlayerCovenantDestroyed() const;
    void setAiCovenantCount(int count) { m_aiCovenantCount = count; }
    // The world is won: the reward chest ("ChestRewardLarge" or
    // "ChestRewardMedium") in the town centre, and the two messages.
    void offerRewardChest(bool large);
    // ---- The world's end (GameAlliedVictory.cpp)
    // The standing covenant of the highest power; the earlier on a tie.
    Covenant* findStrongestCovenant() const;
    // Every other standing covenant is allied with the strongest one.
    bool canOfferAlliedVictory() const;
    // Every covenant but the first player's ends.
    void endAllCovenants();
    // The victory and defeat checks of the world step.
    void checkWorldEnd();
    void onWorldLost();
    // A world loaded after its player's covenant fell (ended, with a computer
    // covenant standing) was lost: the covenant the join rebuilt ends again,
    // unannounced and uncounted.
    void keepWorldLost(Player* player);
    void setAlliedVictoryOffered(bool offered) { m_alliedVictoryOffered = offered; }
    // A monster of the type (at monsterLevel, -1 the type's own) on a random
    // point of the block; block -1 takes a block not yet populated (any
    // block when none is left) and writes it back. Null when none stands.
    Actor* spawnMonsterAtFreeBlock(int level, int& block, const MonsterType* type, int monsterLevel = -1);

    // ---- Secrets (GameSecrets.cpp)
    // The World's secret levels one after another; null once past the last.
    Level* nextSecretLevel();
    // The first player found a secret of that level: message, sound, count
    // and experience by the level's depth (1 for no level).
    void onSecretFound(int level);

    // ---- New worlds (GameNewWorld.cpp, GameGates.cpp)
    // A fresh World and its computer-run covenants; nothing when the world
    // is already generated. Returns the covenants made.
    int generateWorld(int startingLevel, int difficulty, int worldDifficulty, int numAiCovenants);
    // The level gates, the connection pairs and the town gates.
    void createGates();
    // Gates of a level just built that stand on blocked cells move free.
    void settleGates(int level);
    // The newWorld command: the first player and its covenant move into a
    // freshly generated world. False (nothing changed) without a player.
    bool startNewWorld(int startingLevel, int difficulty, int worldDifficulty, int numAiCovenants);

    // ---- Town NPCs (GameTownNpcs.cpp); slots follow the rules' NpcType list
    Actor* makeTownNpc(int npcType, int slot);
    void createTownNpc(int slot);
    void createTownNpcs();
    int getTownNpcCount() const { return static_cast<int>(m_townNpcs.size()); }
    // The town-NPC slots of the rules that hold no NPC.
    std::vector<int> emptyTownNpcSlots() const;
    Actor* getTownNpcAt(int slot) const;
    int getTownNpcType(int slot) const;
    int findTownNpcIndex(int npcType) const;
    Actor* getTownNpc(int npcType) const;
    int countLivingTownNpcs() const;
    Actor* pickRandomTownNpc() const;
    // Town NPCs below the player's level rise to it one level at a time,
    // keeping their share of health and taking their starting gear again.
    void levelTownNpcsTo(const Player* player);
    void raiseTownNpc(Actor* npc, int level);
    Actor* getTutor() const;

    // ---- World save (GameSave.cpp, GameLoad.cpp)
    static constexpr int kWorldSaveVersion = 41;
    // Writes "chars/<name>.wld" for the first client's player; false when
    // nothing was written.
    bool saveCharacter();
    // Reads "chars/<PlayerName>.wld". Missing: false with error empty.
    // Damaged: false, error "chars/<name>.wld: offset <n>: ...", the Game
    // cleared and the World reset.
    bool loadCharacter(std::string& error);
    bool saveWorld(ByteBuffer& out) const;
    bool loadWorld(ByteBuffer& in, std::string& what, size_t& offset);
    // Player-covenant values of a loaded save, given to the player's
    // covenant when it is added.
    struct ParkedRelations {
        bool pending = false;
        std::array<int32_t, 4> values{};
        std::vector<int32_t> states;
        std::vector<int32_t> routes;
        int32_t linked = -1;
    };
    const ParkedRelations& getParkedRelations() const { return m_parked; }
    Weather& weather() { return *m_weather; }
    const Weather& weather() const { return *m_weather; }
    // ---- Quests (GameQuests.cpp). A quest's number is its table entry.
    // Takes the quest into the first empty entry (else appends), numbers
    // and announces it; returns the number.
    int addQuest(std::unique_ptr<Quest> quest);
    // Null for a number outside the table, an empty entry or a deleted quest.
    Quest* getQuest(int number) const;
    int getQuestTableSize() const { return static_cast<int>(m_quests.size()); }
    // Takes the quest out at once (players' copies dropped, the number free
    // again); it is destroyed once no walk of the table runs.
    void deleteQuest(int number);
    void deleteQuestIfUnheld(int number);
    void solveQuest(int number, Player* player);
    // Another covenant took the quest (index -1: none named).
    void closeQuest(int number, int covenantIndex);
    void finishQuest(int number);
    void dropQuestFromPlayers(int number);
    void refreshQuestForPlayers(int number);
    void notifyPlayersOfQuest(int number);
    bool isQuestHeldByPlayer(int number) const;
    bool isQuestCompletedByPlayer(int number) const;
    int countActiveQuests() const;
    bool hasOpenQuestOfType(int type) const;
    bool hasDuplicateQuest(const Quest& quest) const;
    Quest* findQuestByGiver(const Entity* giver, int type) const;
    Quest* findRecruitQuest() const;
    bool isLevelQuestTarget(int level) const;
    // Open, unfailed, incomplete quests the NPC offers, in table order.
    std::vector<int> collectQuestsOfferedBy(Actor* npc) const;
    bool isMonsterTypeUsedByQuest(const MonsterType* type) const;
    // kind 5 unique, 6 legend, 7 boss types in the level range that no
    // quest uses; any other kind gives none.
    std::vector<MonsterType*> collectUnusedMonsterTypes(int kind, int minLevel, int maxLevel) const;
    Covenant* pickRandomCovenant() const;
    void clearActorCovenantQuests();
    void copyQuestToActorCovenants(Quest* quest);
    int pickQuestLevel(int requested) const;
    // type 0 draws a type each try; source: the quest this one follows.
    Quest* generateQuests(int type, QuestBase* source, int requestedLevel);
    // The follow-up of a quest whose set-up failed. Asked for while quests
    // are generated, it waits until the outermost generation is over: a
    // chain of failing set-ups is walked one quest after another, never
    // nested.
    // A story quest the first player has solved is passed over for the one
    // after it, so the chain never offers a finished part again.
    void generateFollowUpQuest(int type);
    void endTutorial(bool deleteQuests);
    bool isPlayerInTown() const;
    // Visits the quests in the table when the walk began that are still in
    // it; quests may be added and deleted from inside.
    void forEachQuest(const std::function<void(Quest&)>& visit);
    // The first bit of the player's solved-quest bits for this world.
    int getSolvedBitBase() const;
    // Whether the player holds the solved bit of a story quest of this world.
    bool isChainQuestSolved(const QuestDefinition& definition, const Player& player) const;
    // From a quest type on along the NextQuest links, the first that
    // passOver declines; 0 at the chain's end, at a type without a
    // definition, or where the chain comes back on itself.
    int chainQuestFrom(int type, const std::function<bool(const QuestDefinition&)>& passOver) const;
    void onChestOpened(Entity* chest, Entity* opener);
    void onGateUsed(Player* player, const ZonePosition& from, const ZonePosition& to);
    void onQuestLevelActivated(int level);
    // The game section's quest list: count, then per entry 0 or 1 + record.
    void writeQuestList(ByteBuffer& out) const;
    void clearQuests();
    // A quest read back from the world save into its old number; not
    // announced again.
    void restoreQuest(int number, std::unique_ptr<Quest> quest);
    // Grows the table with empty entries up to the size (never shrinks it).
    void resizeQuestTable(int size);
    // Influence moved to or from a covenant's transferred counter: the
    // average absolute influence times a fraction drawn between the two,
    // capped at the covenant's own influence; the amount (0: none moved).
    int takeCovenantInfluence(Covenant* covenant, float minFraction, float maxFraction);
    int giveCovenantInfluence(Covenant* covenant, float minFraction, float maxFraction);
    // The average of a covenant stat over the covenants still standing
    // (index 3: their influence sums); 0 without any.
    int getAverageCovenantStat(int index) const;
    // A paid rumour of level 0 … 2 against the target: it takes influence,
    // or fails in one of four ways; the spreader is told, the target
    // sometimes. Nothing when either is missing or the spreader cannot pay.
    void resolveRumor(int rumorLevel, Covenant* spreader, Covenant* target);
    // ---- Quests running (GameQuestHooks.cpp)
    // Every quest hears of the death, then every computer-run covenant.
    void onActorKilled(Actor* victim, Entity* killer);
    void onActorAttacked(Actor* actor, Entity* attacker);
    // A blow in which a covenant's member or house took part: every covenant notices it.
    void notifyCovenantsOfAttack(Entity* attacker, Entity* victim);
    // A body back on its feet catches the plague again from every plague quest that holds it.
    void applyPlagueEffects(Sentient* body);
    // A story quest whose outcome the player already has is dropped.
    void skipQuest(int number, Player* player);
    // The product of the rarity factors of the quests about that type there.
    float getQuestRarityMultiplier(int level, const MonsterType* type) const;
    // A disarmed town trap counts for its town-traps quest.
    void onTownTrapRemoved(Entity* trap);
    // A read treasure map: its quest made at the map's level and taken.
    bool startTreasureMapQuest(int mapLevel, Player* player);
    // The first quest that takes the delivery; else the player is told.
    bool deliverPackage(Player* player, Actor* npc);
    // A lost world stays lost; the town rises to a joining player, who takes
    // its escort back; then the story chain moves on.
    void onPlayerJoined(Player* player);
    // A unique or legend placed outside a quest's own placing starts its
    // quest, or leaves again when a quest already hunts its type.
    void onMonsterSpawned(Actor* monster, const MonsterType* previous);
    // Held while a quest places its own monsters (set-up, restore, its
    // block, its events): what it places starts no quest. No game, no hold.
    class QuestPlacing {
    public:
        explicit QuestPlacing(Game* game) : m_game(game)
        {
            if (m_game)
                ++m_game->m_questPlacementDepth;
        }
        ~QuestPlacing()
        {
            if (m_game)
                --m_game->m_questPlacementDepth;
        }
        QuestPlacing(const QuestPlacing&) = delete;
        QuestPlacing& operator=(const QuestPlacing&) = delete;

    private:
        Game* m_game;
    };
    // ---- Quests over time (GameQuestUpdate.cpp)
    void updateQuests(float seconds);
    void createInitialQuests();
    // One random event; an event-only one has had its effect and is not kept.
    Quest* generateEvent();
    Quest* generateUniqueMonsterQuest(Actor* monster);
    void deleteOldQuests();
    // The first story quest whose bit the player lacks, unless one is open.
    void advanceQuestChain(Player* player);
    bool areInitialQuestsPending() const { return m_initialQuestsPending; }
    void setInitialQuestsPending(bool pending) { m_initialQuestsPending = pending; }

    // ---- State
    const GameTime& getClock() const { return m_clock; }
    void setClock(const GameTime& clock) { m_clock = clock; }
    double getTimeOfDay() const { return m_timeOfDay; }
    void setTimeOfDay(double hours) { m_timeOfDay = hours; }
    float getLastStep() const { return m_lastStep; }
    int getStartLevel() const { return m_startLevel; }
    void setStartLevel(int level) { m_startLevel = level; }
    bool isWorldGenerated() const { return m_worldGenerated; }
    void setWorldGenerated(bool generated) { m_worldGenerated = generated; }
    bool isWorldEnded() const { return m_worldEnded; }
    bool hasLeftTown() const { return m_leftTown; }
    void setLeftTown(bool left) { m_leftTown = left; }
    bool isAlliedVictoryOffered() const { return m_alliedVictoryOffered; }
    int getAiCovenantCount() const { return m_aiCovenantCount; }

    // The rules record.
    struct Settings {
        std::vector<Vec2> covenantPositions;
        int covenantPositionCount = 0;
        std::vector<Vec2> pedestalOffsets;
        int baseSkillPointsPerLevel = 0;
        int levelsBetweenSkillPointRaises = 0;
        int skillPointRaise = 0;
        int maxRaidGroupSize = 0;
        int maxAdventureGroupSize = 0;
        float potentialRecruitArriveTime = 0.0f;
        float potentialRecruitArriveChance = 0.0f;
        float xpDebtPerDeath = 0.0f;
        float soulStoneXpReduction = 0.0f;
        int minInitialQuests = 0;
        int maxInitialQuests = 0;
        int createQuestTries = 0;
        std::vector<std::string> beginningQuests;
        std::vector<int> questThresholds;
        std::vector<float> questChances;
        float eventChance = 0.0f;
        Timer newQuestTimer;
        Timer newEventTimer;
        int deleteOldQuestsThreshold = 0;
        int deleteOldQuestsLevelDiff = 0;
        int easyQuestLevelDiff = 0;
        int hardQuestLevelDiff = 0;
        int minLevelForHardQuests = 0;
        float deleteOldQuestsTime = 0.0f;
        Timer deleteOldQuestsTimer;
        std::vector<std::string> npcTypes;
        int spawnSteps = 0;
        float spawnStepDistance = 0.0f;
        float minIdentifyTime = 0.0f;
        float baseIdentifyTime = 0.0f;
        float identifyTimeIncreasePerLevel = 0.0f;
        float identifyTimeDecreasePerLevel = 0.0f;
        float minChestOpenTime = 0.0f;
        float baseChestOpenTime = 0.0f;
        float chestOpenTimeIncreasePerLevel = 0.0f;
        float chestOpenTimeDecreasePerLevel = 0.0f;
        float gateCreateTime = 0.0f;
        float dynamicChatChance = 0.0f;
    };
    const Settings& settings() const { return m_settings; }
    Settings& mutableSettings() { return m_settings; }

private:
    void stepEntities(float dt);
    // Destroys the deleted quests once no walk or generation runs.
    void flushDeletedQuests();
    // Generates the waiting follow-ups once no generation runs; each type
    // once per round, so a chain that comes back on itself ends.
    void generateWaitingFollowUps();
    // Fills the hooks by which the covenants reach the quests.
    void installQuestHooks();
    void installQuestRunningHooks();

    void insertIntoSpatialIndex(const Entity* entity);
    void removeFromSpatialIndex(int number);

    // Where each entity number's item is stored (level -1: not indexed).
    struct IndexedPoint {
        int level = -1;
        float x = 0.0f;
        float y = 0.0f;
    };

    std::vector<EntitySlot> m_entities;
    std::vector<IndexedPoint> m_indexed;
    std::vector<Player*> m_players;
    std::vector<std::unique_ptr<Covenant>> m_covenants;
    bool m_playerDiplomacy = false;
    int m_aiCovenantCount = 0;
    int m_startLevel = -1;
    GameTime m_clock;
    std::vector<SoundEvent> m_soundEvents;
    UserVarRef m_aiNumActive;
    UserVarRef m_aiCovenants;
    std::list<Event*> m_pendingEvents;
    std::unordered_set<const Event*> m_pendingSet;
    unsigned m_eventsCleared = 0;
    bool m_worldGenerated = false;
    std::vector<LevelRecord> m_levels;
    std::vector<bool> m_levelFlags1;
    std::vector<bool> m_levelFlags2;
    std::vector<int> m_activeLevels;
    std::array<int, 2> m_levelListeners{0, 0}; // World listener ids

    float m_lastStep = 0.0f;
    std::array<GameCountdown, kCountdownCount> m_countdowns{};
    double m_timeOfDay = 0.0;
    bool m_leftTown = false;
    bool m_worldEnded = false;
    bool m_alliedVictoryOffered = false;

    Settings m_settings;
    std::vector<std::unique_ptr<BehaviorStack>> m_behaviorStacks;
    std::unique_ptr<WorldNavigation> m_worldNavigation;
    WorldNavigation* m_navigation = nullptr;
    GameHooks m_hooks;
    bool m_previousMonsterHid = false;
    int m_secretLevelCursor = -1;
    std::vector<SafePtr<Actor>> m_townNpcs;
    SafePtr<Actor> m_tutor;
    ParkedRelations m_parked;
    std::unique_ptr<Weather> m_weather;
    std::vector<Vec2> m_covenantPositionsAtLoad;

    std::vector<std::unique_ptr<Quest>> m_quests;
    std::vector<DynamicChatLine> m_dynamicChats;
    std::vector<std::unique_ptr<Quest>> m_deletedQuests;
    int m_questWalkDepth = 0;
    int m_questGenerationDepth = 0;
    std::vector<int> m_waitingFollowUps;
    bool m_generatingFollowUps = false;
    // A story quest could not be made: the chain is tried again as new
    // quests come, not only when a player next joins.
    bool m_chainWaiting = false;
    int m_questPlacementDepth = 0;
    bool m_initialQuestsPending = false;

    static inline Game* s_instance = nullptr;
};
