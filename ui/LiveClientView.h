#pragma once

#include "ui/ClientView.h"

// The interface's reads answered from the running client (none while there
// is no client).
class LiveClientView : public ClientView {
public:
    bool isGameRunning() const override;
    bool isInGame() const override;
    bool isPaused() const override;
    void setAutoPause(bool on) override;
    bool hasLocalPlayer() const override;
    EntityClient* getPlayerEntity() const override;
    EntityClient* getLocalPlayer() const override;
    EntityClient* getTargetEntity(bool fallback) const override;
    EntityClient* getPartyMember(int index) const override;
    CovenantBase* getPlayerCovenant() const override;
    int getPlayerCovenantIndex() const override;
    int getCovenantCount() const override;
    CovenantBase* getCovenant(int index) const override;
    int getCovenantIndexByPower(int place) const override;
    int getPlayerStat(int stat) const override;
    int getEntityLevel(const EntityClient* entity) const override;
    bool getEntityClassColor(const EntityClient* entity, Color& out) const override;
    int getChosenClassIndex() const override;
    void playInterfaceSound(const ResourceHandle& sound) override;
    bool getHoverEntityTooltip(std::string& text, bool& onScreen, Vec2& screen) const override;
    std::string getSelectedStoryFile() const override;
    void showErrorMessage(const std::string& text) override;
    bool isPlayerCovenantBeingRaided() const override;
    bool isPlayerCovenantRaiding() const override;

    int getPlayerFunStat(int stat) const override;
    std::string getPlayerName() const override;
    std::string getPlayerNameAndTitle() const override;
    std::string getPlayerTitle() const override;
    const CharacterClass* getPlayerClass() const override;
    int getActiveItemSet() const override;
    const ItemBase* getPlayerItem(int group, int entry) const override;
    int getPlayerGroupCount(int group) const override;
    int getPlayerGroupCapacity(int group) const override;
    int getIdentifyAllCost() const override;
    int getEquipmentWorth() const override;
    int getInventoryWorth() const override;
    int getPlayerDps() const override;
    bool playerHasQuest(int slot) const override;
    int getPlayerQuestId(int slot) const override;
    std::string getPlayerQuestTitle(int slot) const override;
    std::string getPlayerQuestDescription(int slot) const override;
    bool isPlayerQuestFinished(int slot) const override;
    int countActiveQuests() const override;
    QuestBase* findMostUrgentQuest() const override;
    bool playerHasQuestInLevel(int level) const override;
    int findCompletedQuestSlot(const EntityClient* giver) const override;
    bool canSkipQuest(int id) const override;
    int getPlayerSkillLevel(int tree, int skill) const override;
    void setTradingFlag(bool on) override;
    void showHelpTopic(const std::string& name) override;
    bool isPlayerCovenantAttacked() const override;
    int findPendingOffer() const override;
    bool isRecruitCandidate(const EntityClient* entity) const override;
    int getPlayerCovenantFunStat(int stat) const override;
    GameTime getGameTime() const override;
    int getCovenantIndexByInfluence(int place) const override;
    bool isCovenantBeingRaided(int index) const override;
    int getCurrentCovenant() const override;
    void setCurrentCovenant(int index) override;
    std::string getDiplomacyResponse() const override;
    std::string getNpcChatText() const override;
    std::string getWonGameText() const override;
    std::string getLostGameText() const override;
    bool hasOpenTownQuest(bool townAttack, bool siege) const override;
    QuestBase* getOfferedQuest(int index) const override;
    const RecruitBase* getSelectedRecruit() const override;
    std::string getGlobalRecordText(int statType, int index) const override;
    int getCurrentLevel() const override;
    std::string getLevelName(int level) const override;
    float getMutualRelation(int a, int b) const override;
    bool getTradingFlag() const override;
    int getPendingOfferKind(int covenant) const override;
    void clearIgnoredOffers() override;
    void setDiplomacyResponse(int covenant, int kind) override;
    void clearDiplomacyResponse() override;
    int getHistorySnapshotCount() const override;
    int getHistoryValue(int snapshot, int covenant, int component) const override;
    int getHistoryMinimum(int component) const override;
    int getHistoryMaximum(int component) const override;

    void setHelpTopicRead(int index) override;
    void setAllHelpTopicsRead() override;
    void resetHelpTopics() override;
    int getHoverMouseAction() const override;
    bool getEntityLabel(int number, std::string& text, Vec2& screen) const override;
    void selectEntity(int number) override;
    bool isStartupDone() const override;
};
