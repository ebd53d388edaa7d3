#pragma once

#include "ui/ClientView.h"

#include "engine/resources/ResourceHandle.h"
#include "game/definitions/ItemBase.h"
#include "game/skills/SkillBase.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

// A client as the interface reads it, every answer a field the test sets.
class FakeClientView : public ClientView {
public:
    bool isGameRunning() const override { return gameRunning; }
    bool isInGame() const override { return inGame; }
    bool isPaused() const override { return paused; }
    void setAutoPause(bool on) override { autoPauses.push_back(on); }
    bool hasLocalPlayer() const override { return localPlayer != nullptr; }
    EntityClient* getPlayerEntity() const override { return playerEntity; }
    EntityClient* getLocalPlayer() const override { return localPlayer; }
    EntityClient* getTargetEntity(bool) const override { return target; }
    EntityClient* getPartyMember(int index) const override
    {
        return index >= 0 && index < static_cast<int>(party.size()) ? party[static_cast<size_t>(index)]
                                                                    : nullptr;
    }
    CovenantBase* getPlayerCovenant() const override { return playerCovenant; }
    int getPlayerCovenantIndex() const override { return playerCovenantIndex; }
    int getCovenantCount() const override { return static_cast<int>(covenants.size()); }
    CovenantBase* getCovenant(int index) const override
    {
        return index >= 0 && index < getCovenantCount() ? covenants[static_cast<size_t>(index)] : nullptr;
    }
    int getCovenantIndexByPower(int place) const override
    {
        return place >= 0 && place < static_cast<int>(powerOrder.size())
                   ? powerOrder[static_cast<size_t>(place)]
                   : -1;
    }
    int getPlayerStat(int stat) const override
    {
        auto it = playerStats.find(stat);
        return localPlayer && it != playerStats.end() ? it->second : 0;
    }
    int getEntityLevel(const EntityClient* entity) const override
    {
        auto it = levels.find(entity);
        return it == levels.end() ? 0 : it->second;
    }
    bool getEntityClassColor(const EntityClient* entity, Color& out) const override
    {
        auto it = classColors.find(entity);
        if (it == classColors.end()) {
            return false;
        }
        out = it->second;
        return true;
    }
    int getChosenClassIndex() const override { return chosenClass; }
    void playInterfaceSound(const ResourceHandle& sound) override
    {
        soundsPlayed.push_back(sound.getIndex());
    }
    bool getHoverEntityTooltip(std::string& text, bool& onScreen, Vec2& screen) const override
    {
        if (hoverText.empty()) {
            return false;
        }
        text = hoverText;
        onScreen = hoverOnScreen;
        screen = hoverScreen;
        return true;
    }
    std::string getSelectedStoryFile() const override { return storyFile; }
    bool isPlayerCovenantBeingRaided() const override { return beingRaided; }
    bool isPlayerCovenantRaiding() const override { return raiding; }
    void showErrorMessage(const std::string& text) override { errors.push_back(text); }

    // ---- Player: each answer is absent without `localPlayer`.
    struct QuestSlot {
        bool held = false;
        int id = 0;
        std::string title, description;
        bool finished = false;
        const EntityClient* giver = nullptr;
    };
    const QuestSlot* slot(int i) const
    {
        return localPlayer && i >= 0 && i < 6 && quests[static_cast<size_t>(i)].held
                   ? &quests[static_cast<size_t>(i)]
                   : nullptr;
    }
    int getPlayerFunStat(int stat) const override
    {
        auto it = funStats.find(stat);
        return localPlayer && it != funStats.end() ? it->second : 0;
    }
    std::string getPlayerName() const override { return localPlayer ? playerName : std::string(); }
    std::string getPlayerNameAndTitle() const override { return localPlayer ? nameAndTitle : std::string(); }
    std::string getPlayerTitle() const override { return localPlayer ? title : std::string(); }
    const CharacterClass* getPlayerClass() const override { return localPlayer ? playerClass : nullptr; }
    int getActiveItemSet() const override { return itemSet; }
    const ItemBase* getPlayerItem(int group, int entry) const override
    {
        auto it = items.find({group, entry});
        return localPlayer && it != items.end() ? it->second : nullptr;
    }
    int getPlayerGroupCount(int group) const override
    {
        auto it = groupCounts.find(group);
        return localPlayer && it != groupCounts.end() ? it->second : 0;
    }
    int getPlayerGroupCapacity(int group) const override
    {
        auto it = groupCapacities.find(group);
        return localPlayer && it != groupCapacities.end() ? it->second : 0;
    }
    int getIdentifyAllCost() const override { return identifyCost; }
    int getEquipmentWorth() const override { return equipmentWorth; }
    int getInventoryWorth() const override { return inventoryWorth; }
    int getPlayerDps() const override { return dps; }
    bool playerHasQuest(int i) const override { return slot(i) != nullptr; }
    int getPlayerQuestId(int i) const override { return slot(i) ? slot(i)->id : -1; }
    std::string getPlayerQuestTitle(int i) const override { return slot(i) ? slot(i)->title : std::string(); }
    std::string getPlayerQuestDescription(int i) const override
    {
        return slot(i) ? slot(i)->description : std::string();
    }
    bool isPlayerQuestFinished(int i) const override { return slot(i) && slot(i)->finished; }
    int countActiveQuests() const override
    {
        int n = 0;
        for (int i = 0; i < 6; ++i) {
            n += slot(i) ? 1 : 0;
        }
        return n;
    }
    QuestBase* findMostUrgentQuest() const override { return localPlayer ? urgentQuest : nullptr; }
    bool playerHasQuestInLevel(int level) const override { return localPlayer && questLevels.count(level); }
    int findCompletedQuestSlot(const EntityClient* giver) const override
    {
        for (int i = 0; i < 6; ++i) {
            if (slot(i) && slot(i)->finished && slot(i)->giver == giver) {
                return i;
            }
        }
        return -1;
    }
    bool canSkipQuest(int id) const override { return localPlayer && skippable.count(id); }
    int getPlayerSkillLevel(int tree, int skill) const override
    {
        auto it = skillLevels.find({tree, skill});
        return localPlayer && it != skillLevels.end() ? it->second : 0;
    }
    void setTradingFlag(bool on) override { tradingFlags.push_back(on); }
    void showHelpTopic(const std::string& name) override { helpTopics.push_back(name); }

    // ---- Player covenant
    bool isPlayerCovenantAttacked() const override { return attacked; }
    int findPendingOffer() const override { return pendingOffer; }
    bool isRecruitCandidate(const EntityClient* entity) const override
    {
        return entity && entity == recruitCandidate;
    }
    int getPlayerCovenantFunStat(int stat) const override
    {
        return playerCovenant && stat >= 0 && stat < 4 ? covenantFunStats[static_cast<size_t>(stat)] : 0;
    }

    // ---- Game
    GameTime getGameTime() const override { return gameTime; }
    int getCovenantIndexByInfluence(int place) const override
    {
        return place >= 0 && place < static_cast<int>(influenceOrder.size())
                   ? influenceOrder[static_cast<size_t>(place)]
                   : -1;
    }
    bool isCovenantBeingRaided(int index) const override { return raidedCovenants.count(index) > 0; }
    int getCurrentCovenant() const override { return currentCovenant; }
    void setCurrentCovenant(int index) override { currentCovenant = index; }
    std::string getDiplomacyResponse() const override { return diplomacyResponse; }
    std::string getNpcChatText() const override { return npcChat; }
    std::string getWonGameText() const override { return wonText; }
    std::string getLostGameText() const override { return lostText; }
    bool hasOpenTownQuest(bool townAttack, bool siege) const override
    {
        return (townAttack && townAttacked) || (siege && townSieged);
    }
    QuestBase* getOfferedQuest(int index) const override
    {
        return index >= 0 && index < static_cast<int>(offeredQuests.size())
                   ? offeredQuests[static_cast<size_t>(index)]
                   : nullptr;
    }
    const RecruitBase* getSelectedRecruit() const override { return selectedRecruit; }
    std::string getGlobalRecordText(int statType, int index) const override
    {
        auto it = records.find({statType, index});
        return it == records.end() ? std::string() : it->second;
    }
    int getCurrentLevel() const override { return currentLevel; }
    std::string getLevelName(int level) const override
    {
        auto it = levelNames.find(level);
        return it == levelNames.end() ? std::string() : it->second;
    }
    std::string getLevelStoryFile(int level) const override
    {
        auto it = levelStories.find(level);
        return it == levelStories.end() ? std::string() : it->second;
    }

    // ---- Diplomacy
    float getMutualRelation(int a, int b) const override
    {
        auto it = relations.find({std::min(a, b), std::max(a, b)});
        return it == relations.end() ? 50.0f : it->second;
    }
    bool getTradingFlag() const override { return tradingFlags.empty() ? false : tradingFlags.back(); }
    int getPendingOfferKind(int covenant) const override { return covenant == pendingOffer ? offerKind : 0; }
    void clearIgnoredOffers() override { ++ignoredCleared; }
    void setDiplomacyResponse(int covenant, int kind) override { responses.push_back({covenant, kind}); }
    void clearDiplomacyResponse() override { responses.push_back({-1, 0}); }
    // history[snapshot][covenant][component]
    int getHistorySnapshotCount() const override { return static_cast<int>(history.size()); }
    int getHistoryValue(int snapshot, int covenant, int component) const override
    {
        if (snapshot < 0 || snapshot >= getHistorySnapshotCount() || covenant < 0 || component < 0 ||
            component >= 9) {
            return 0;
        }
        const auto& sample = history[static_cast<size_t>(snapshot)];
        return static_cast<size_t>(covenant) < sample.size()
                   ? sample[static_cast<size_t>(covenant)][static_cast<size_t>(component)]
                   : 0;
    }
    int getHistoryMinimum(int component) const override
    {
        return component >= 0 && component < 9 ? historyMin[static_cast<size_t>(component)] : 0;
    }
    int getHistoryMaximum(int component) const override
    {
        return component >= 0 && component < 9 ? historyMax[static_cast<size_t>(component)] : 0;
    }

    // ---- Items, skills and the hot bar
    const ItemBase* getCovenantItem(int group, int entry) const override
    {
        auto it = covenantItems.find({group, entry});
        return localPlayer && it != covenantItems.end() ? it->second : nullptr;
    }
    int getCovenantCounter(int index) const override
    {
        auto it = covenantCounters.find(index);
        return localPlayer && it != covenantCounters.end() ? it->second : 0;
    }
    // General takes anything, a bag's place any item for the bag; other
    // types take what fits them, unless the test refuses the place.
    bool canPlaceItem(const ItemBase& item, int group, int entry, int slotType) const override
    {
        if (!localPlayer || refusedPlaces.count({group, entry})) {
            return false;
        }
        auto type = static_cast<ItemSlotType>(slotType);
        const ItemBase* there = getPlayerItem(group, entry);
        bool intoBag = type == ItemSlotType::Bag && item.getItemType() != ItemType::Bag && there &&
                       there->getItemType() == ItemType::Bag;
        return type == ItemSlotType::General || item.fitsSlotType(type) || intoBag;
    }
    bool meetsItemRequirement(const ItemBase& item) const override
    {
        return localPlayer && !unmetItems.count(&item);
    }
    float getItemTimerRemaining(const ItemBase& item) const override
    {
        auto it = itemTimers.find(item.getInt("ItemTimer"));
        return localPlayer && it != itemTimers.end() ? it->second : 0.0f;
    }
    void queueServerCommand(const std::string& line) override { queued.push_back(line); }
    void useItem(int group, int entry) override
    {
        queued.push_back("useItem " + std::to_string(group) + " " + std::to_string(entry));
    }
    void playItemSound(const ItemBase& item) override { itemSounds.push_back(&item); }
    void addUseHint(const std::string& entryName) override { useHints.push_back(entryName); }
    std::string getItemTooltip(const ItemBase& item, const TooltipContext& context) const override
    {
        lastTooltipContext = context;
        return localPlayer ? item.getName() : std::string();
    }
    std::string getEquipTooltip(const ItemBase&, const TooltipContext&) override { return equipTooltip; }
    const SkillBase* getPlayerSkill(int tree, int skill) const override
    {
        auto it = skills.find({tree, skill});
        return localPlayer && it != skills.end() ? it->second : nullptr;
    }
    int checkSkillUse(const SkillBase& skill) const override
    {
        auto it = skillRefusals.find(&skill);
        return it == skillRefusals.end() ? 0 : it->second;
    }
    std::string describeSkill(const SkillBase& skill, SkillText which) const override
    {
        static const char* const kinds[] = {"tooltip", "raise", "lower"};
        return std::string(kinds[static_cast<int>(which)]) + " " + std::to_string(skill.getTree()) + " " +
               std::to_string(skill.getSlot());
    }
    void useSkill(int tree, int skill) override
    {
        queued.push_back("useSkill " + std::to_string(tree) + " " + std::to_string(skill));
    }
    std::array<int, 4> getHotkey(int index) const override
    {
        return localPlayer && index >= 0 && static_cast<size_t>(index) < hotkeys.size()
                   ? hotkeys[static_cast<size_t>(index)]
                   : std::array<int, 4>{2, -1, -1, 0};
    }
    void setHotkey(int index, const std::array<int, 4>& record) override
    {
        if (!localPlayer || index < 0 || index >= 64) {
            return;
        }
        if (static_cast<size_t>(index) >= hotkeys.size()) {
            hotkeys.resize(static_cast<size_t>(index) + 1, {2, -1, -1, 0});
        }
        hotkeys[static_cast<size_t>(index)] = record;
    }
    ResourceHandle getGameSound(const std::string& name) const override
    {
        auto it = gameSounds.find(name);
        return it == gameSounds.end() ? ResourceHandle() : it->second;
    }
    bool isFriendly(const EntityClient* entity) const override { return entity && friendly.count(entity); }
    EntityClient* getEntityUnderMouse() const override { return underMouse; }

    bool gameRunning = false;
    bool inGame = false;
    bool paused = false;
    std::vector<bool> autoPauses;
    EntityClient* localPlayer = nullptr;
    EntityClient* playerEntity = nullptr;
    EntityClient* target = nullptr;
    std::vector<EntityClient*> party;
    CovenantBase* playerCovenant = nullptr;
    int playerCovenantIndex = -1;
    std::vector<CovenantBase*> covenants;
    std::vector<int> powerOrder;
    std::map<int, int> playerStats;
    std::map<const EntityClient*, int> levels;
    std::map<const EntityClient*, Color> classColors;
    int chosenClass = 0;
    std::vector<int> soundsPlayed;
    std::string hoverText;
    bool hoverOnScreen = false;
    Vec2 hoverScreen;
    std::string storyFile;
    bool beingRaided = false;
    bool raiding = false;
    std::vector<std::string> errors;

    std::map<int, int> funStats;
    std::string playerName, nameAndTitle, title;
    const CharacterClass* playerClass = nullptr;
    int itemSet = 0;
    std::map<std::pair<int, int>, const ItemBase*> items;
    std::map<int, int> groupCounts, groupCapacities;
    int identifyCost = 0, equipmentWorth = 0, inventoryWorth = 0, dps = 0;
    std::array<QuestSlot, 6> quests{};
    QuestBase* urgentQuest = nullptr;
    std::set<int> questLevels;
    std::set<int> skippable;
    std::map<std::pair<int, int>, int> skillLevels;
    std::vector<bool> tradingFlags;
    std::vector<std::string> helpTopics;
    bool attacked = false;
    int pendingOffer = -1;
    const EntityClient* recruitCandidate = nullptr;
    std::array<int, 4> covenantFunStats{};
    GameTime gameTime;
    std::vector<int> influenceOrder;
    std::set<int> raidedCovenants;
    int currentCovenant = -1;
    std::string diplomacyResponse, npcChat, wonText, lostText;
    bool townAttacked = false, townSieged = false;
    std::vector<QuestBase*> offeredQuests;
    const RecruitBase* selectedRecruit = nullptr;
    std::map<std::pair<int, int>, std::string> records;
    int currentLevel = -1;
    std::map<int, std::string> levelNames;
    std::map<int, std::string> levelStories;
    std::map<std::pair<int, int>, float> relations;
    int offerKind = 0;
    int ignoredCleared = 0;
    std::vector<std::pair<int, int>> responses;
    std::vector<std::vector<std::array<int, 9>>> history;
    std::array<int, 9> historyMin{}, historyMax{};

    // ---- Help topics, labels and the cursor
    void setHelpTopicRead(int index) override { helpTopicsRead.push_back(index); }
    void setAllHelpTopicsRead() override { allHelpTopicsRead = true; }
    void resetHelpTopics() override { helpTopicsReset = true; }
    int getHoverMouseAction() const override { return hoverAction; }
    bool getEntityLabel(int number, std::string& text, Vec2& screen) const override
    {
        for (const Label& label : labels) {
            if (label.number == number) {
                text = label.text;
                screen = label.screen;
                return true;
            }
        }
        return false;
    }
    void selectEntity(int number) override { selected.push_back(number); }
    bool isStartupDone() const override { return startupDone; }

    struct Label {
        int number;
        std::string text;
        Vec2 screen;
    };
    std::vector<int> helpTopicsRead;
    bool allHelpTopicsRead = false;
    bool helpTopicsReset = false;
    int hoverAction = 0;
    std::vector<Label> labels;
    std::vector<int> selected;
    bool startupDone = true;

    std::map<std::pair<int, int>, const ItemBase*> covenantItems;
    std::map<int, int> covenantCounters;
    std::set<std::pair<int, int>> refusedPlaces;
    std::set<const ItemBase*> unmetItems;
    std::map<int, float> itemTimers;
    std::vector<std::string> queued;
    std::vector<const ItemBase*> itemSounds;
    std::vector<std::string> useHints;
    mutable TooltipContext lastTooltipContext;
    std::string equipTooltip;
    std::map<std::pair<int, int>, const SkillBase*> skills;
    std::map<const SkillBase*, int> skillRefusals;
    std::vector<std::array<int, 4>> hotkeys;
    std::map<std::string, ResourceHandle> gameSounds;
    std::set<const EntityClient*> friendly;
    EntityClient* underMouse = nullptr;
    // ---- The maps
    ZonePosition getPlayerPosition() const override { return playerPosition; }
    int getPlayerAction() const override { return playerAction; }
    ZonePosition getReturnPosition() const override { return returnPosition; }
    std::vector<int> getActivatedGateLevels() const override { return gateLevels; }
    bool getMapEntity(int number, bool, ZonePosition& at, std::string& text, int& colour) const override
    {
        for (const MapEntity& entity : mapEntities) {
            if (entity.number == number) {
                at = entity.at;
                text = entity.text;
                colour = entity.colour;
                return true;
            }
        }
        return false;
    }
    // A flat projection: the player at the screen's middle, two world units a pixel.
    Vec2 worldToScreen(const ZonePosition& position) const override
    {
        return {(position.x - playerPosition.x) / 2.0f + 320.0f,
                (position.y - playerPosition.y) / 2.0f + 240.0f};
    }
    ZonePosition screenToWorld(float x, float y) const override
    {
        return {playerPosition.zone, (x - 320.0f) * 2.0f + playerPosition.x,
                (y - 240.0f) * 2.0f + playerPosition.y};
    }
    void setMapCapture(bool on) override { mapCapture = on; }

    struct MapEntity {
        int number;
        ZonePosition at;
        std::string text;
        int colour;
    };
    ZonePosition playerPosition{-1, 0.0f, 0.0f};
    int playerAction = 0;
    ZonePosition returnPosition{-1, 0.0f, 0.0f};
    std::vector<int> gateLevels;
    std::vector<MapEntity> mapEntities;
    bool mapCapture = false;
};
