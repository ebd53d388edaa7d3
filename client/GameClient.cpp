#include "client/GameClient.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/files/PathUtil.h"
#include "engine/object/ClassRecord.h"
#include "engine/object/ClassRegistry.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "game/world/World.h"

namespace {

// The sound keys of "GameSystem", in the order of the interface sounds.
constexpr const char* kSoundKeys[GameClient::kSoundCount] = {
    "SoundNameItemPickup",    "SoundNameQuestComplete", "SoundNameQuestFailed",       "SoundNameMessageAlert",
    "SoundNameInvalidAction", "SoundNameLostEffect",    "SoundNameBuyItem",           "SoundNameSellItem",
    "SoundNameUseSlot",       "SoundNameSkillIncrease", "SoundNameAttributeIncrease", "SoundNameWonGame",
    "SoundNameLostGame",
};

std::unique_ptr<GameClient>& ownedGameClient()
{
    static std::unique_ptr<GameClient> owned;
    return owned;
}

std::string userVarText(const char* name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    const UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getString() : std::string();
}

void setLastError(const char* key)
{
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        vars->getVar("LastError", "", UserVarSystem::kCreate).setString(key);
    }
}

} // namespace

GameClient::GameClient()
{
    s_instance = this;
    m_influence.spare = true;
    m_autoSave.spare = true;
    loadGameSystem();
    // Level sound banks follow the levels the world builds and drops.
    if (World* world = World::instance()) {
        m_levelListeners[0] =
            world->addLevelListener(World::kFirstBuilt, [this](int level) { onLevelBuilt(level); });
        m_levelListeners[1] =
            world->addLevelListener(World::kFirstReleased, [this](int level) { onLevelRemoved(level); });
    }
    if (GameData* data = GameData::instance()) {
        for (int font = 0; font < kFontCount; ++font) {
            std::string name = data->getFontName(font);
            if (!name.empty()) {
                ResourceHandle handle = loadKnownType(name);
                if (handle.isValid()) {
                    m_precache.push_back(std::move(handle));
                }
            }
        }
    }
    m_weatherClient = std::make_unique<WeatherClient>();
    reset();
}

GameClient::~GameClient()
{
    reset();
    if (World* world = World::instance()) {
        for (int id : m_levelListeners) {
            world->removeLevelListener(id);
        }
    }
    m_weatherClient.reset();
    if (s_instance == this) {
        s_instance = nullptr;
    }
    m_precache.clear();
    for (ResourceHandle& sound : m_sounds) {
        sound.release();
    }
}

ResourceHandle GameClient::loadKnownType(const std::string& name)
{
    ResourceSystem* resources = ResourceSystem::instance();
    return resources && !name.empty() ? resources->loadIfTyped(name) : ResourceHandle();
}

void GameClient::loadGameSystem()
{
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("GameSystem") : nullptr;
    if (!entry) {
        debugPrint(3, "GameSystem database entry not found!\n");
        return;
    }
    for (int i = 0; i < kSoundCount; ++i) {
        m_sounds[static_cast<size_t>(i)] = loadKnownType(db->getString(entry, kSoundKeys[i]));
    }
    m_themeMusicName = db->getString(entry, "ThemeMusicName");
    m_musicFadeTime = db->getFloat(entry, "MusicFadeTime", 0.0f);
    for (const std::string& name : db->getStringList(entry, "precache")) {
        if (name.empty()) {
            continue;
        }
        ResourceHandle handle = loadKnownType(name);
        if (handle.isValid()) {
            m_precache.push_back(std::move(handle));
        }
    }
}

void GameClient::reset()
{
    m_loaded = false;
    m_quitRefused = false;
    m_gameEnded = false;
    m_alliedVictory = false;
    m_valueV4 = 12.0f;
    m_gameTime = GameTime();
    for (auto& entity : m_entities) {
        entity.reset();
    }
    m_currentCovenant = -1;
    m_influenceRanking.clear();
    m_powerRanking.clear();
    m_influence.active = false;
    m_leadersStored = false;
    m_unknownModelIndices.clear();
    releaseLevelSoundBanks();
}

void GameClient::registerCommands()
{
    if (GameClient::instance()) {
        return;
    }
    ownedGameClient() = std::make_unique<GameClient>();
    GameClient& game = *ownedGameClient();
    // Mirrors take their class record from here, with the animation events
    // and their handlers.
    if (ClassRegistry* classes = ClassRegistry::instance(); classes && !classes->findClass("EntityClient")) {
        ClassRecord* record = classes->registerClass("EntityClient", "Listener", &EntityClient::declareEvents,
                                                     &EntityClient::bindHandlers);
        record->declareEvents();
        record->bindHandlers();
    }
    if (CommandSystem* commands = CommandSystem::instance()) {
        registerCommandTable(*commands);
    }
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        game.m_autoSaveTime = vars->getVar("autoSaveTime", "300.0", UserVarSystem::kCreate);
        game.m_drawPlayerHelmet = vars->getVar("ui_drawPlayerHelmet", "1", UserVarSystem::kCreate);
    }
}

void GameClient::destroy()
{
    ownedGameClient().reset();
}

bool GameClient::verifyCharName()
{
    std::string covenant = userVarText("CovenantName");
    std::string player = userVarText("PlayerName");
    if (covenant.empty()) {
        setLastError("$$ErrorCovenantNameEmpty$$");
        return false;
    }
    if (player.empty()) {
        setLastError("$$ErrorCharacterNameEmpty$$");
        return false;
    }
    // Every later use takes the names as typed (file names, command lines,
    // text keys), so they must follow the user-name rule as they stand.
    if (!FileSystem::isValidUserName(covenant)) {
        setLastError("$$ErrorCovenantNameInvalid$$");
        return false;
    }
    if (!FileSystem::isValidUserName(player)) {
        setLastError("$$ErrorCharacterNameInvalid$$");
        return false;
    }
    FileSystem* files = FileSystem::instance();
    if (files && files->fileExists(formatString("chars/%s.chr", player.c_str()), true)) {
        setLastError("$$ErrorCharacterNameUsed$$");
        return false;
    }
    return true;
}
