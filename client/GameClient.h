#pragma once

#include "client/WeatherClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/EntityClient.h"
#include "client/mirrors/QuestClient.h"
#include "engine/console/UserVarRef.h"
#include "engine/core/Color.h"
#include "engine/core/GameTime.h"
#include "engine/net/MessageTypes.h"
#include "engine/resources/ResourceHandle.h"
#include "game/covenants/TradeOffer.h"
#include "game/definitions/GameBase.h"
#include "game/definitions/GameEnums.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct GameSectionRecord;
struct StateMessage;

// The client's game state: the entity mirrors by entity number, the game
// section's values, the interface sounds and theme of "GameSystem", the
// resources kept loaded for the run and the automatic save.
class GameClient : public GameBase {
public:
    // The one GameClient (made by registerCommands); null while there is none.
    static GameClient* instance() { return s_instance; }
    static GameClient& get() { return *s_instance; }

    static constexpr int kSoundCount = 13;
    // Interface sounds by place.
    static constexpr int kItemPickupSound = 0;
    static constexpr int kQuestCompleteSound = 1;
    static constexpr int kAttributeIncreaseSound = 10;
    static constexpr int kQuestFailedSound = 2;
    static constexpr int kLostEffectSound = 5;
    static constexpr int kFontCount = 7;
    static constexpr int kEntityCount = static_cast<int>(kMaxEntityNumbers);

    // A running period: the autosave and the leader announcement.
    struct Countdown {
        bool active = false;
        bool spare = false;
        float period = 0.0f;
        float timeLeft = 0.0f;
    };

    GameClient();
    ~GameClient() override;
    GameClient(const GameClient&) = delete;
    GameClient& operator=(const GameClient&) = delete;

    // Makes the one GameClient (a second call does nothing), its user
    // variables and the check function "verifyCharName". Runs after the
    // database load: the constructor reads "GameSystem".
    static void registerCommands();
    // One row of the command table: whether its handler is built (and so
    // registered) is the last field.
    struct CommandInfo {
        std::string name;
        std::string argNames;
        std::string argTypes;
        bool internalOnly = false;
        unsigned flags = 0;
        std::string help;
        bool bound = false;
    };
    static std::vector<CommandInfo> getCommandTable();
    // The list providers in registration order, with their bound flags.
    static std::vector<std::pair<std::string, bool>> getListProviderTable();
    // Deletes the one made by registerCommands.
    static void destroy();
    // The name check of the new-game screen; the refusal's text key goes to "LastError".
    static bool verifyCharName();

    void loadSettings() override { loadGameSystem(); }
    void loadGameSystem();
    void reset();
    void update(float seconds);
    // The entity list and game section of a state message read whole.
    void readStateUpdate(const StateMessage& state);
    // One entity record: makes the mirror on first sight, applies both
    // sections and stores the counter.
    void readEntityUpdate(const struct EntityUpdateRecord& record);
    void removeStaleEntities();
    void onFirstUpdate();

    // The mirror of that number; none for -1 and out of range.
    EntityClient* getEntity(int number) const;
    // Puts a mirror into the table (the entity readers and tests).
    void setEntity(int number, std::unique_ptr<EntityClient> entity);

    // ---- Covenant mirrors
    // The mirror of that index; with create the table grows up to it, each
    // new mirror numbered by its place. None outside 0 … 31.
    CovenantClient* getCovenant(int index, bool create);
    const CovenantClient* getCovenant(int index) const;
    // The mirror at (covenant count - 1); none for a count of 0.
    CovenantClient* getLastCovenant() const;
    size_t getCovenantTableSize() const { return m_covenants.size(); }
    // Relation value of a toward b: the mean of both sides, the other side's
    // value when one is the player's covenant, 0.5 for a covenant and itself.
    float getRelationValue(int a, int b) const;
    // Covenant a's treaty toward b (1, Peace, without a record).
    int getTreatyState(int a, int b) const;
    // Covenant a's trade-route size toward b (0 without a record).
    int getTradeRouteSize(int a, int b) const;
    // The covenant whose home is nearest to the position, starting from the
    // player's own; a covenant without a home is skipped. None without either.
    const CovenantBase* findNearestCovenant(const ZonePosition& position) const;
    int getCurrentCovenant() const { return m_currentCovenant; }
    // Another covenant's page starts with no terms and no answer: both
    // belong to the covenant they were made with (TradeCommands.cpp).
    void setCurrentCovenant(int index);

    // The last text of the npc the player talks to ("npcChat", "clearNpcChat").
    const std::string& getNpcChatText() const { return m_npcChatText; }
    void setNpcChatText(const std::string& text) { m_npcChatText = text; }

    // ---- The world's quests by slot (empty slots are null)
    size_t getQuestCount() const { return m_quests.size(); }
    QuestClient* getQuest(int slot) const;
    // The offered quest of a list row: the quest in that slot; none for an empty slot.
    QuestClient* getOfferedQuest(int index) const;
    // A valid, unfinished town-attack (with the first flag) or siege (with the second) quest.
    bool hasOpenTownQuest(bool townAttack, bool siege) const;

    bool isLoaded() const { return m_loaded; }
    // Loaded, the player's covenant destroyed and the lose step run.
    bool isGameOver() const;
    uint32_t getUpdateCounter() const { return m_updateCounter; }
    const GameTime& getGameTime() const { return m_gameTime; }
    float getValueV4() const { return m_valueV4; }
    uint32_t getCovenantCount() const { return m_covenantCount; }
    bool getAlliedVictory() const { return m_alliedVictory; }
    const std::vector<uint32_t>& getNamedNumbers() const { return m_namedNumbers; }
    const std::vector<std::string>& getNamedNames() const { return m_namedNames; }
    float getWeatherIntensity() const { return m_weatherClient->getIntensity(); }
    float getWindX() const { return m_weatherClient->getWindX(); }
    float getWindY() const { return m_weatherClient->getWindY(); }
    WeatherClient& getWeather() { return *m_weatherClient; }
    const ResourceHandle& getSound(int index) const { return m_sounds[static_cast<size_t>(index)]; }
    const std::string& getThemeMusicName() const { return m_themeMusicName; }
    float getMusicFadeTime() const { return m_musicFadeTime; }
    const std::vector<ResourceHandle>& getPrecache() const { return m_precache; }
    const Countdown& getAutoSave() const { return m_autoSave; }
    unsigned getAutomaticSaveCount() const { return m_automaticSaves; }
    // True the first time a model index outside the resource-name table is met.
    bool noteUnknownModelIndex(uint32_t index) { return m_unknownModelIndices.insert(index).second; }
    // Saves the server's game after the client's automatic save (set by the hooks).
    void setServerSaver(std::function<void()> saver) { m_serverSaver = std::move(saver); }
    // One save of the whole game: the client's files and the server's world
    // made as one, of the same step. False when a file could not be written:
    // the previous save stays whole and the player is told. Asked for while
    // the client reads its messages, it is made once they are read.
    bool saveGame(std::string_view notSavedHint = {});
    void runDeferredSave();
    // Quit or the window's close: the save Save and exit makes. One that
    // cannot be made keeps the player in the game, told so and that a
    // second Quit leaves without it; true when the program may end.
    bool saveForQuit();

    // ---- Messages and the end of a game (GameClientMessages.cpp)
    // A refusal in the centre (kind 8, 5 s), with the invalid-action sound unless silent.
    void showErrorMessage(const std::string& text, bool silent) const;
    // The server's "msg" line by its type.
    void showMessage(int type, const std::string& text) const;
    // What the player must know of its game itself (a save not made, a
    // world not found): in the centre, 5 s, and kept in the message log.
    void showNotice(const std::string& text) const;
    void wonGame();
    void lostGame();
    void setAlliedVictory(bool allied);
    bool isLastCovenantStanding() const;
    bool isPlayerCovenantDestroyed() const;
    bool hasGameEnded() const { return m_gameEnded; }
    // Message 6: the state anew, the world map's areas and the game's menus.
    void resetForNewWorld();
    const std::string& getWonGameText() const { return m_wonGameText; }
    const std::string& getLostGameText() const { return m_lostGameText; }

    // ---- The offer screen (client/trade/)
    // The player's offer to the current covenant, terms in order.
    TradeOffer& getCurrentOffer() { return m_currentOffer; }
    // The last offer a covenant made to the player; its type is the kind.
    TradeOffer& getIncomingOffer() { return m_incomingOffer; }
    const std::string& getDiplomacyResponseText() const { return m_responseText; }
    // The covenant's answer text for that response, against the player's
    // covenant; "" for an unknown covenant or response.
    void setDiplomacyResponse(int covenant, int response);
    // The server's answers ("dipRes") counted by response, for the figures of a run.
    void countDiplomacyResult(int response);
    int getDiplomacyResultCount(int response) const;

    // ---- Rankings and covenant queries (GameClientRankings.cpp)
    // {covenant index, value}, highest first; equal values keep the lower index first.
    void rankCovenantsByInfluence();
    void rankCovenantsByPower();
    const std::vector<std::pair<int, int>>& getInfluenceRanking() const { return m_influenceRanking; }
    const std::vector<std::pair<int, int>>& getPowerRanking() const { return m_powerRanking; }
    // 0-based places, -1 when absent.
    int getInfluenceRank(int covenant) const;
    int getPowerRank(int covenant) const;
    int getCovenantAtPowerRank(int rank) const;
    int getPowerLeader() const;
    // Counts of the covenant list leaving out the one given (-1 leaves out none).
    int countDestroyedCovenants(int skip) const;
    int countRemainingCovenants(int skip) const;
    // Living covenants allied to that one; 0 for none.
    int countAllies(int of) const;
    // The covenant's own name, or its display name, in its colour; "" outside the list.
    std::string getColoredCovenantName(int index) const;
    std::string getColoredCovenantShortName(int index) const;

    // ---- Level ambience (GameClientAmbience.cpp)
    // The level the local player mirror stands in while connected and the
    // area editor is closed; -1 otherwise.
    int getCurrentLevel() const;
    // Fades the stored colour toward the level's sun and adds the ambient
    // light, dimmed by rain and brightened by a flash.
    void updateAmbientLight(float seconds);
    // Steps the current level's bank around the listener; a new bank's base
    // sound replaces the old one.
    void updateAmbientSound(float seconds);
    void onLevelBuilt(int level);
    void onLevelRemoved(int level);
    const Color& getAmbientColor() const { return m_ambientColor; }
    void setAmbientColor(const Color& colour, float fadeTime)
    {
        m_ambientColor = colour;
        m_ambientFadeTime = fadeTime;
    }
    float getAmbientFadeTime() const { return m_ambientFadeTime; }
    const ResourceHandle& getLevelSoundBank(int level) const;
    const std::string& getCurrentAmbientBank() const { return m_currentAmbientBank; }

private:
    void releaseLevelSoundBanks();
    static void registerCommandTable(class CommandSystem& commands);
    // Loads a file when the resource system knows its extension.
    static ResourceHandle loadKnownType(const std::string& name);
    void runAutoSave(float seconds);
    void readQuests(const GameSectionRecord& game);
    void playAtPlayer(int sound) const;
    void saveAtGameEnd();
    void checkGameEnd();
    void announceLeaders();
    int playerCovenantIndex() const;

    bool m_loaded = false;
    bool m_gameEnded = false;
    bool m_alliedVictory = false;
    uint32_t m_updateCounter = 0;
    GameTime m_gameTime;
    float m_valueV4 = 12.0f;
    uint32_t m_covenantCount = 0;
    std::array<std::unique_ptr<EntityClient>, kMaxEntityNumbers> m_entities;
    std::vector<std::unique_ptr<CovenantClient>> m_covenants;
    std::vector<std::unique_ptr<QuestClient>> m_quests;
    std::array<ResourceHandle, kSoundCount> m_sounds;
    Countdown m_influence;
    // The first leader check after a join only stores the leaders, even
    // those a loaded character brings from its file.
    bool m_leadersStored = false;
    Countdown m_autoSave;
    int m_currentCovenant = -1;
    std::string m_themeMusicName;
    float m_musicFadeTime = 0.0f;
    std::vector<ResourceHandle> m_precache;
    std::vector<uint32_t> m_namedNumbers;
    std::vector<std::string> m_namedNames;
    std::unique_ptr<WeatherClient> m_weatherClient;
    Color m_ambientColor{1.0f, 1.0f, 1.0f};
    float m_ambientFadeTime = 0.0f;
    std::vector<ResourceHandle> m_levelSoundBanks;
    std::string m_currentAmbientBank;
    int m_levelListeners[2] = {-1, -1};
    UserVarRef m_autoSaveTime;
    UserVarRef m_drawPlayerHelmet;
    unsigned m_automaticSaves = 0;
    std::function<void()> m_serverSaver;
    bool m_saving = false;
    bool m_saveDeferred = false;
    // A Quit was refused for a save not made and no save was made since.
    bool m_quitRefused = false;
    std::set<uint32_t> m_unknownModelIndices;
    std::string m_npcChatText;
    TradeOffer m_currentOffer;
    TradeOffer m_incomingOffer;
    std::string m_responseText;
    std::array<int, kCovenantResponseCount> m_resultCounts{};
    std::string m_wonGameText;
    std::string m_lostGameText;
    std::vector<std::pair<int, int>> m_influenceRanking;
    std::vector<std::pair<int, int>> m_powerRanking;

    static inline GameClient* s_instance = nullptr;
};
