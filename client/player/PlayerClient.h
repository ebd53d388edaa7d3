#pragma once

#include "client/mirrors/EntityClient.h"
#include "client/mirrors/HotkeyRecord.h"
#include "engine/console/CommandRecord.h"
#include "engine/object/SafePtr.h"
#include "engine/resources/ResourceHandle.h"
#include "game/definitions/GateList.h"
#include "game/definitions/ItemHolder.h"
#include "game/entities/Timer.h"
#include "game/skills/CounterList.h"
#include "game/world/GridPath.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class ByteBuffer;
class InventoryClient;
class PlayerCovenantClient;
class QuestClient;
class ItemBase;
class SkillListClient;
struct TooltipContext;

// The player section of message 3, parsed whole before anything is applied.
// Inventory and quests are read by their own readers on scratch objects.
struct PlayerSection {
    int32_t entityNumber = -1;
    int32_t animation = -1;
    int32_t animationPriority = 0;
    int32_t animationParameter = 0;
    // Stat index and value of every stat the section carries, in order.
    std::vector<std::pair<int, int32_t>> stats;
    int32_t level = 0;
    int32_t classId = 0;
    ZonePosition returnPosition;
    ZonePosition secondPosition;
    uint32_t tickFlags = 0;
    std::unique_ptr<InventoryClient> inventory;
    std::string name;
    std::vector<int32_t> partyMembers;
    std::array<int32_t, 25> statistics{};
    uint32_t flags = 0;
    std::array<std::vector<uint8_t>, 6> quests;
    std::vector<int32_t> gateFlags;
    int32_t autoAttackEntity = -1;
    std::vector<bool> exploredLevels;
    std::vector<bool> tutorialHints;

    PlayerSection();
    ~PlayerSection();
    PlayerSection(PlayerSection&&) noexcept;
    PlayerSection& operator=(PlayerSection&&) noexcept;
};

// A use-hint icon over the player: the definition (item entry or skill) it
// shows, free when empty, at an offset of the game's hint list.
struct UseHintRecord {
    std::string definition;
    ResourceHandle shader;
    float alpha = 0.0f;
    bool fadingIn = false;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
};

// The summary values a player update keeps for the global statistics.
struct PlayerSummary {
    int damagePerSecond = 0;
    int maxHealth = 0;
    int equipmentValue = 0;
    int inventoryValue = 0;
};

// The local player's character on the client: an entity mirror that the
// client moves itself, with everything only the player's own client knows
// (full stats, statistics, inventory, skills, quests, gates, explored levels,
// help topics, hints and hotkeys). Health, activity and the dead test come
// from the server's ordinary mirror of the same entity (serverMirror).
class PlayerClient : public EntityClient, public ItemHolder {
public:
    static constexpr int kStatCount = 112;
    static constexpr int kStatisticCount = 25;
    static constexpr int kQuestSlots = 6;
    static constexpr int kMaxHotkeys = 64;
    static constexpr int kItemTimers = 5;
    // Party places the F-keys and the healing hints name.
    static constexpr int kPartyPlaces = 4;
    // Stat indices read by number.
    static constexpr int kStatAttackTime = 77;
    static constexpr int kStatLevel = 84;
    static constexpr int kStatMinDamage = 88;
    static constexpr int kStatMaxDamage = 89;
    static constexpr int kStatClass = 92;
    static constexpr int kStatMovement = 95;
    // Character file versions: written, and the gates of the reader.
    static constexpr int kFileVersion = 40;
    static constexpr int kHighestFileVersion = 40;

    PlayerClient();
    ~PlayerClient() override;

    void reset();

    // ---- Entity operations
    void setPosition(const ZonePosition& position) override;
    void update(float dt) override;
    int getStat(int index) const override;
    ItemBase* getItem(int group, int slot) const override;
    InventoryBase* getInventory() override;
    bool hasRoomInGroup(int group) const override;
    float getMovement() const override;
    void setModelFromDefinition(int classIndex) override;
    // Stores the number and re-binds serverMirror to the client mirror of it.
    void setPlayerEntityNumber(int number);
    EntityClient* getServerMirror() const { return serverMirror.get(); }
    // Moves the server mirror to the local position and takes its light,
    // fade, covenant and attachments.
    void syncWithServerMirror();

    // ---- Server messages
    static bool parseSection(ByteBuffer& in, size_t levelGates, PlayerSection& out, std::string& field);
    void applySection(PlayerSection& section);
    // Parse and apply; false (nothing applied) for a malformed section.
    bool readServerUpdate(ByteBuffer& in);
    void writeJoinSection(ByteBuffer& out, uint32_t serverAreaValue, uint32_t serverWorldValue);
    // The world identity of the running world; builds the gate lists once per world.
    void setWorldIdentity(uint32_t area, uint32_t world);
    // Both gate lists built again for the running world, keeping what matches.
    void rebuildGateLists();
    const PlayerSummary& getSummary() const { return m_summary; }
    int sumGroupValue(int group) const;
    int sumInventoryValue() const;

    // ---- Character file
    void writeFile(ByteBuffer& out, const PlayerCovenantClient* covenant);
    // False (field named) when the bytes do not fit; the mirrors are then
    // half read and must be discarded.
    bool readFile(ByteBuffer& in, PlayerCovenantClient* covenant, std::string& field);
    bool save(PlayerCovenantClient* covenant, const std::string& characterName);
    // False for a missing or refused file (the refusal is logged with the
    // file's name and the byte).
    bool load(const std::string& characterName, PlayerCovenantClient* covenant);

    // ---- Actions and targets (PlayerClientActions.cpp)
    static constexpr int kActionCount = 30;
    enum Action {
        kActionNone = 0,
        kActionDead = 1,
        kActionAttack = 2,
        kActionAutoAttack = 3,
        kActionApproach = 4,
        kActionOwnHouse = 16,   // the house's guard places ("House")
        kActionOtherHouse = 17, // another covenant's house ("HouseEnemy")
        kActionNoMenu = 18,
        kActionLifeStone = 19,
        kActionUse = 20,
        kActionPickup = 23,
        kActionSolveQuest = 25,
        kActionForced = 29,
    };
    // Button 0 walks and selects, button 1 targets; true when handled.
    bool onMouseButton(int button, bool pressed, float x, float y);
    void setTarget(EntityClient* entity, bool clearAction);
    // A click in the world over an entity.
    void selectEntity(EntityClient* entity);
    // The live target; under action 3 (with the flag) the auto-attack entity.
    EntityClient* getTarget(bool allowAutoAttack) const;
    int getTargetEntityNumber(bool allowAutoAttack) const;
    // False when refused.
    bool setAction(int code, bool allowWhileStealthed, bool force);
    int getCurrentAction() const;
    // Targets the entity and runs the action forced (a menu kind is an action code).
    void openNpcMenu(int code, EntityClient* entity);
    // The live target, else the entity of the current menu, else the one before.
    EntityClient* getSelectedNpc() const;
    bool isTargetInReach() const;
    // The next mirror after the target whose action would be an attack, within reach of selection.
    void selectNextTarget();
    void selectFirstRecruit(bool inParty);
    // Both positions, move target and path; nothing else.
    void warpTo(const ZonePosition& position);
    bool isMoveButtonHeld() const { return moveButtonHeld; }
    // The mirror a pick leaves out: the player's own, unless the target is a
    // person the player would not attack.
    const EntityClient* pickExclusion() const;

    // ---- Movement (PlayerClientMovement.cpp)
    void setDestination(const ZonePosition& position, bool findFreeSpot);
    void approachTarget(EntityClient* entity);
    void stopFollowing();
    void stopMoving();
    // One frame of walking along the path; true when the player moved.
    bool followPath(float dt);
    // Whether the player fits at the grid point of the position, apart from
    // solid mirrors whose group is in the mask.
    bool canStandAt(const ZonePosition& position, uint32_t groupMask) const;
    void markObstacles(PathGrid& grid, float halfWidth, float halfHeight, uint32_t mask) override;
    bool isEnemy(const SkillEntity* other) const override;
    // The target is a selectable entity of the player's own covenant.
    bool isTargetFriendly() const;
    bool meetsItemRequirement(int requirement) const override;
    // ---- The item rules' holder (tooltips, placement)
    bool allowsItemPlacement(const ItemBase& item, int group, int entry) const override;
    bool meetsItemRequirement(ItemRequirement requirement) const override
    {
        return meetsItemRequirement(static_cast<int>(requirement));
    }
    int getItemHolderLevel() const override { return stats.get(kStatLevel); }
    const InventoryBase* getItemHolderInventory() const override;
    std::string getItemHolderPowerName() const override;
    bool hasDestination() const { return m_hasDestination; }
    const ZonePosition& getPathGoal() const { return m_pathGoal; }
    const GridPath& getPath() const { return m_path; }

    // ---- Skills (PlayerClientSkills.cpp)
    void useSkill(int tree, int index);
    void onSkillUsed(int definitionId, bool used);

    // ---- Item comparison and titles (PlayerClientTooltips.cpp)
    void getEquipTooltip(const ItemBase* item, std::string& tooltip, const TooltipContext& context);
    void getHouseSlotTooltip(const ItemBase* item, std::string& tooltip, const TooltipContext& context);
    void scrollItemComparison(int step);
    void offerItemHelp(const ItemBase* item);
    std::string getSkillRankName() const;
    std::string getTitleLine() const;
    std::string getTitle() const;

    // ---- Queries
    bool isQuestSlotActive(int slot) const;
    int getQuestSlotId(int slot) const;
    QuestClient* getQuestSlot(int slot) const;
    bool hasQuest(int id) const;
    std::string getQuestSlotTitle(int slot) const;
    int countActiveQuests() const;
    bool hasCompletedQuest() const;
    // An active, complete slot whose quest id stands in the list.
    bool hasCompletedQuestFor(const std::vector<int32_t>& ids) const;
    // False when a held copy is complete; else the world's hint flag of the quest's solved bit.
    bool isQuestHintSet(int id) const;
    // The first complete slot whose quest is taken back to that NPC, -1 none.
    int findCompletedQuestSlot(const EntityClient* npc) const;
    // Some slot's quest targets that level.
    bool hasQuestInLevel(int level) const;
    // The slot of the open timed quest with the least time left, -1 none.
    int findMostUrgentQuest() const;
    // The quest's description at the player's level; empty out of range.
    std::string getQuestSlotDescription(int slot) const;
    // One row per level gate (level name, place in the list, activated), sorted by name.
    void fillGateList(std::vector<ListEntry>& list) const;
    float getItemTimerRemaining(int type) const;
    Timer& getItemTimer(int type) { return m_itemTimers[static_cast<size_t>(type)]; }
    bool isPartyMember(int entityNumber) const;
    void showHelpTopic(const std::string& name);
    void setHelpTopicRead(int index);
    void setAllHelpTopicsRead();
    void resetHelpTopics();
    // False (with a line) for an index outside 0 … 63.
    bool setHotkey(int index, const HotkeyRecord& record);
    HotkeyRecord getHotkey(int index) const;
    const std::vector<HotkeyRecord>& getHotkeys() const { return hotkeyTable; }
    void toggleWeaponSet();
    void selectPreviousRecruit() { stepRecruit(-1); }
    void selectNextRecruit() { stepRecruit(1); }
    // The level gate record of the running world's level and that zone is activated.
    bool isGateActivated(int zone) const;
    // The gate of the level the player stands in; a level without a gate record counts as activated.
    bool isCurrentLevelGateActive() const;
    int getLevelGateCount() const { return static_cast<int>(levelGates.getRecords().size()); }

    // ---- Use hints and the selection ring (PlayerClientHints.cpp)
    // Puts the entry (an item entry or a skill definition) into the first
    // free hint, fading in; only while "ui_showUseHints" is on.
    void addUseHint(const std::string& definition);
    void removeUseHint(const std::string& definition);
    void clearUseHints();
    const std::vector<UseHintRecord>& getUseHints() const { return useHints; }
    // The ring under a target that is not hidden, in the target's colour.
    void drawIndicators();
    // The server mirror's overhead text, then the use-hint icons.
    void drawOverheadText() override;

    // ---- State
    CounterList stats{kStatCount};
    std::unique_ptr<InventoryClient> inventory;
    CounterList statistics{kStatisticCount};
    SafePtr<EntityClient> target;
    int action = 0;
    int autoAttackEntity = -1;
    SafePtr<EntityClient> serverMirror;
    std::vector<int32_t> partyMembers;
    std::vector<int32_t> partyRecruits;
    bool loadedFromFile = false;
    // The message log the file held: the client shows it again when the
    // character starts (a file read for the character list shows nothing).
    std::vector<std::string> messageLog;
    // Lasting effects the character had on (an aura cast on itself): entry
    // name and level, sent again in the join.
    std::vector<std::pair<std::string, int32_t>> lastingEffects;
    // The last load found a file and refused it (the file stays as it is).
    bool loadRefused = false;
    std::vector<HotkeyRecord> hotkeyTable;
    std::unique_ptr<SkillListClient> skills;
    uint32_t areaValue = 0;
    uint32_t worldValue = 0;
    ZonePosition returnPosition{-1, 0.0f, 0.0f};
    ZonePosition secondPosition{-1, 0.0f, 0.0f};
    std::array<std::unique_ptr<QuestClient>, kQuestSlots> quests;
    std::string currentLevelName;
    int activity = 0;
    int lastQuestSecondsShown = -1;
    std::vector<bool> readHelpTopics;
    GateList levelGates{GateList::Mode::Level};
    GateList covenantGates{GateList::Mode::Covenant};
    GateList savedLevelGates{GateList::Mode::Level};
    GateList savedCovenantGates{GateList::Mode::Covenant};
    std::vector<bool> exploredLevels;
    bool uiForcedAction = false;
    int tooltipRecruitIndex = -1;
    int tooltipGuardSlot = 0;
    int tooltipRelicSlot = 0;
    int pendingSkillTree = -1;
    int pendingSkillIndex = -1;
    int activeWeaponSet = 0;
    std::vector<bool> tutorialHints;
    int tooltipMode = 0;
    bool movedThisFrame = false;
    // The entity whose menus the current action opened, and the one before.
    int menuEntity = -1;
    int lastMenuEntity = -1;
    int warpDirection = -1;
    std::vector<UseHintRecord> useHints;
    ResourceHandle selectionShader;

private:
    void buildUseHints();
    void fadeUseHints(float dt);
    void stepRecruit(int step);
    void closeActionMenus(int code);
    void openActionMenus(int code);
    void releaseMoveHook();
    void firePendingSkill();
    bool findStandablePoint(const ZonePosition& around, int rings, ZonePosition& out) const;
    void startStep(int code);
    void announceLevel();
    void updateActivity();
    void updateQuestClock();
    // The light the player carries, at the player's own place.
    void addOwnLight();
    void checkHelpCues();
    void playOwnerSound(const ResourceHandle& handle, bool stopFirst);

    std::array<Timer, kItemTimers> m_itemTimers;
    // identifying, done identifying, chest, stash, body, gate, time tick
    std::array<ResourceHandle, 7> m_sounds;
    PlayerSummary m_summary;
    bool m_identityKnown = false;

    // Movement.
    ZonePosition m_pathGoal;
    ZonePosition m_destination;
    bool m_hasDestination = false;
    bool m_needsPath = false;
    bool m_atWaypoint = true;
    ZonePosition m_waypoint;
    GridPath m_path;
    bool m_walkingStep = false;
    SafePtr<EntityClient> m_followEntity;
    bool moveButtonHeld = false;
};
