#pragma once

#include "engine/core/Color.h"
#include "engine/core/GameTime.h"
#include "engine/core/MathUtil.h"
#include "engine/core/ZonePosition.h"

#include <array>
#include <string>
#include <vector>

class CharacterClass;
class CovenantBase;
class EntityClient;
class ItemBase;
class QuestBase;
class RecruitBase;
class ResourceHandle;
class SkillBase;
struct TooltipContext;

// What the interface reads of the client, in the client's own terms.
// Entities and covenants are the client's mirrors; everything else comes as
// values, so a test can answer without a running client. Every read answers
// "nothing there" (false, null, -1, 0) when the client has no game.
class ClientView {
public:
    virtual ~ClientView() = default;

    // A game is loaded and running.
    virtual bool isGameRunning() const = 0;
    // The client has joined a game.
    virtual bool isInGame() const = 0;
    virtual bool isPaused() const = 0;
    // The automatic pause of a pausing menu ("pausedAuto").
    virtual void setAutoPause(bool on) = 0;

    virtual bool hasLocalPlayer() const = 0;
    virtual EntityClient* getPlayerEntity() const = 0;
    virtual EntityClient* getLocalPlayer() const = 0;
    // The player's target; with the fallback the last one while attacking.
    virtual EntityClient* getTargetEntity(bool fallback) const = 0;
    virtual EntityClient* getPartyMember(int index) const = 0;
    virtual CovenantBase* getPlayerCovenant() const = 0;
    virtual int getPlayerCovenantIndex() const = 0;
    virtual int getCovenantCount() const = 0;
    // Null outside 0 … count − 1: the interface never makes a mirror.
    virtual CovenantBase* getCovenant(int index) const = 0;
    // The covenant index at a place of the power order; −1 outside it.
    virtual int getCovenantIndexByPower(int place) const = 0;
    // A character stat of the local player; 0 without one.
    virtual int getPlayerStat(int stat) const = 0;
    virtual int getEntityLevel(const EntityClient* entity) const = 0;
    // The colour of an entity's character class (the second colour for a
    // player entity whose power is rising); false when it has no class.
    virtual bool getEntityClassColor(const EntityClient* entity, Color& out) const = 0;
    // 0 warrior, 1 rogue, 2 priest, 3 mage.
    virtual int getChosenClassIndex() const = 0;
    // Plays an interface sound at the local player while sound is on, a
    // channel is free and the handle is valid.
    virtual void playInterfaceSound(const ResourceHandle& sound) = 0;

    // The entity under the mouse: its hover text, and its screen point when
    // it is on screen; false when there is none.
    virtual bool getHoverEntityTooltip(std::string& text, bool& onScreen, Vec2& screen) const = 0;
    // The story file of the selected entity; empty without one.
    virtual std::string getSelectedStoryFile() const = 0;
    // The player covenant's raid flags.
    virtual bool isPlayerCovenantBeingRaided() const = 0;
    virtual bool isPlayerCovenantRaiding() const = 0;
    // A refusal shown to the player as a floating message.
    virtual void showErrorMessage(const std::string& text) = 0;

    // ---- The local player (nothing without one). Quest slots are 0 … 5:
    // any other number reads as an empty slot.
    virtual int getPlayerFunStat(int stat) const = 0;
    virtual std::string getPlayerName() const = 0;
    virtual std::string getPlayerNameAndTitle() const = 0;
    // "Level %d %s %s".
    virtual std::string getPlayerTitle() const = 0;
    virtual const CharacterClass* getPlayerClass() const = 0;
    virtual int getActiveItemSet() const = 0;
    virtual const ItemBase* getPlayerItem(int group, int entry) const = 0;
    virtual int getPlayerGroupCount(int group) const = 0;
    virtual int getPlayerGroupCapacity(int group) const = 0;
    virtual int getIdentifyAllCost() const = 0;
    virtual int getEquipmentWorth() const = 0;
    virtual int getInventoryWorth() const = 0;
    virtual int getPlayerDps() const = 0;
    virtual bool playerHasQuest(int slot) const = 0;
    virtual int getPlayerQuestId(int slot) const = 0;
    virtual std::string getPlayerQuestTitle(int slot) const = 0;
    virtual std::string getPlayerQuestDescription(int slot) const = 0;
    virtual bool isPlayerQuestFinished(int slot) const = 0;
    virtual int countActiveQuests() const = 0;
    // The open timed quest with the least time left.
    virtual QuestBase* findMostUrgentQuest() const = 0;
    virtual bool playerHasQuestInLevel(int level) const = 0;
    // The first slot whose quest is complete and was given by the entity; −1 none.
    virtual int findCompletedQuestSlot(const EntityClient* giver) const = 0;
    // The client holds no solved bits: a quest may be skipped when its
    // definition has a solved bit (the server checks the rest).
    virtual bool canSkipQuest(int id) const = 0;
    // The effective level of the player's skill (SkillBase::getLevel); 0
    // for a skill the player's class lacks.
    virtual int getPlayerSkillLevel(int tree, int skill) const = 0;
    // The flag that forces the menu action while a trade screen is open.
    virtual void setTradingFlag(bool on) = 0;
    virtual void showHelpTopic(const std::string& name) = 0;

    // ---- The player covenant
    virtual bool isPlayerCovenantAttacked() const = 0;
    virtual int findPendingOffer() const = 0;
    virtual bool isRecruitCandidate(const EntityClient* entity) const = 0;
    virtual int getPlayerCovenantFunStat(int stat) const = 0;

    // ---- The game
    virtual GameTime getGameTime() const = 0;
    // The covenant index at a place of the influence order; −1 outside it.
    virtual int getCovenantIndexByInfluence(int place) const = 0;
    virtual bool isCovenantBeingRaided(int index) const = 0;
    // The covenant whose trade, talk or rumour page is open; −1 none.
    virtual int getCurrentCovenant() const = 0;
    virtual void setCurrentCovenant(int index) = 0;
    virtual std::string getDiplomacyResponse() const = 0;
    virtual std::string getNpcChatText() const = 0;
    virtual std::string getWonGameText() const = 0;
    virtual std::string getLostGameText() const = 0;
    virtual bool hasOpenTownQuest(bool townAttack, bool siege) const = 0;
    virtual QuestBase* getOfferedQuest(int index) const = 0;
    virtual const RecruitBase* getSelectedRecruit() const = 0;
    // The holder text of a global record (stat type 5, 6 or 7).
    virtual std::string getGlobalRecordText(int statType, int index) const = 0;
    // The level the player stands in; −1 none.
    virtual int getCurrentLevel() const = 0;
    virtual std::string getLevelName(int level) const = 0;

    // ---- Diplomacy
    // The mean of both sides' relation (the other side's toward the player's covenant).
    virtual float getMutualRelation(int a, int b) const = 0;
    virtual bool getTradingFlag() const = 0;
    // The kind of the offer covenant c made to the player's; 0 without one.
    virtual int getPendingOfferKind(int covenant) const = 0;
    // Forgets which offers the player set aside.
    virtual void clearIgnoredOffers() = 0;
    virtual void setDiplomacyResponse(int covenant, int kind) = 0;
    virtual void clearDiplomacyResponse() = 0;
    // The player covenant's recorded history: components 0 … 4 are the power
    // parts, 5 … 8 the influence parts; 0 where nothing was recorded.
    virtual int getHistorySnapshotCount() const = 0;
    virtual int getHistoryValue(int snapshot, int covenant, int component) const = 0;
    virtual int getHistoryMinimum(int component) const = 0;
    virtual int getHistoryMaximum(int component) const = 0;

    // ---- Help topics, labels and the cursor
    virtual void setHelpTopicRead(int index) = 0;
    virtual void setAllHelpTopicsRead() = 0;
    virtual void resetHelpTopics() = 0;
    // The action (acting, not forced) a click on the entity under the mouse
    // would take; 0 without one.
    virtual int getHoverMouseAction() const = 0;
    // Entity number 0 … 999 when it takes a label (an item or chest placed
    // in the world): its short hover text (the name, no hints) and screen
    // point.
    virtual bool getEntityLabel(int number, std::string& text, Vec2& screen) const = 0;
    // The local player acts on the entity as on a click in the world.
    virtual void selectEntity(int number) = 0;
    // The client has finished starting up (the cursor follows the mouse from then on).
    virtual bool isStartupDone() const = 0;

    // ---- Items, skills and the hot bar (nothing without a local player)
    // An item of the player covenant's inventory; null when none.
    virtual const ItemBase* getCovenantItem(int group, int entry) const = 0;
    // A counter of the player covenant (10 is the guard currency); 0 without one.
    virtual int getCovenantCounter(int index) const = 0;
    // The item rules' placement with the local player as holder.
    virtual bool canPlaceItem(const ItemBase& item, int group, int entry, int slotType) const = 0;
    virtual bool meetsItemRequirement(const ItemBase& item) const = 0;
    // Seconds left on the player's timer of the item's kind ("ItemTimer").
    virtual float getItemTimerRemaining(const ItemBase& item) const = 0;
    virtual void queueServerCommand(const std::string& line) = 0;
    // "useItem" for the item at the place, with its use sound.
    virtual void useItem(int group, int entry) = 0;
    virtual void playItemSound(const ItemBase& item) = 0;
    // The hint that an item or skill of the hot bar is ready again.
    virtual void addUseHint(const std::string& entryName) = 0;
    // The item's description for the local player; the comparison with the
    // equipped item is a separate text.
    virtual std::string getItemTooltip(const ItemBase& item, const TooltipContext& context) const = 0;
    virtual std::string getEquipTooltip(const ItemBase& item, const TooltipContext& context) = 0;
    virtual const SkillBase* getPlayerSkill(int tree, int skill) const = 0;
    // The player's use check of the skill: 0 when it may be used now.
    virtual int checkSkillUse(const SkillBase& skill) const = 0;
    enum class SkillText { Tooltip, RaiseCost, LowerCost };
    // The definition's texts for the player's stats and class.
    virtual std::string describeSkill(const SkillBase& skill, SkillText which) const = 0;
    virtual void useSkill(int tree, int skill) = 0;
    // The player's hot-bar records {kind, a, b, entry id}; 0 … 63.
    virtual std::array<int, 4> getHotkey(int index) const = 0;
    virtual void setHotkey(int index, const std::array<int, 4>& record) = 0;
    // A "SoundName…" sound of the game rules; an invalid handle when none.
    virtual ResourceHandle getGameSound(const std::string& name) const = 0;
    virtual bool isFriendly(const EntityClient* entity) const = 0;
    virtual EntityClient* getEntityUnderMouse() const = 0;
    // ---- The maps
    // The local player's position; zone -1 without one or while the area
    // editor is active.
    virtual ZonePosition getPlayerPosition() const = 0;
    virtual int getPlayerAction() const = 0;
    // The player's own gate; zone -1 while it is not placed.
    virtual ZonePosition getReturnPosition() const = 0;
    // The levels of the player's activated gates, by gate-list index (-1 for
    // one not activated).
    virtual std::vector<int> getActivatedGateLevels() const = 0;
    // Entity number 0 … 999 when it is shown on the world map or the
    // mini-map (-1: the local player): its position, hover text (full
    // details) and map colour code.
    virtual bool getMapEntity(int number, bool worldMap, ZonePosition& at, std::string& text,
                              int& colour) const = 0;
    virtual Vec2 worldToScreen(const ZonePosition& position) const = 0;
    virtual ZonePosition screenToWorld(float x, float y) const = 0;
    // Sends every mouse button to the world map while set.
    virtual void setMapCapture(bool on) = 0;
};
