#include "client/Client.h"

#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "client/stats/GlobalStats.h"
#include "engine/console/UserVarSystem.h"
#include "engine/files/CharacterFileName.h"
#include "engine/files/FileSystem.h"
#include "game/world/World.h"

namespace {

std::string userVarText(const char* name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    const UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getString() : std::string();
}

} // namespace

int Client::getPlayerSlot() const
{
    return m_player ? m_player->getEntityNumber() : -1;
}

int Client::getPlayerCovenantIndex() const
{
    return m_covenant ? m_covenant->index : -1;
}

EntityClient* Client::getTargetEntity(bool allowAutoAttack) const
{
    return m_player ? m_player->getTarget(allowAutoAttack) : nullptr;
}

EntityClient* Client::getPlayerEntity() const
{
    return m_player.get();
}

EntityClient* Client::getEntityByIndex(int index) const
{
    GameClient* game = GameClient::instance();
    if (!m_player || !game || index < 0 || static_cast<size_t>(index) >= m_player->partyMembers.size()) {
        return nullptr;
    }
    const int number = m_player->partyMembers[static_cast<size_t>(index)];
    return number < 0 ? nullptr : game->getEntity(number);
}

void Client::onNewEntity(EntityClient& entity)
{
    if (m_player && entity.getEntityNumber() == m_player->getEntityNumber()) {
        m_player->serverMirror = &entity;
    }
}

void Client::showHelpTopic(const std::string& name)
{
    if (m_player) {
        m_player->showHelpTopic(name);
    }
}

ZonePosition Client::getPlayerPosition() const
{
    if (m_joined && m_player && !m_editors.areaEditorActive()) {
        return m_player->getPosition();
    }
    return ZonePosition(-1, 0.0f, 0.0f);
}

void Client::restoreMessageLog(const std::vector<std::string>& lines)
{
    m_messageLog.clear();
    if (m_textClear) {
        m_textClear();
    }
    // At the log's own place, where new lines stack on them: anchored
    // anywhere else they leave the log's backdrop empty.
    const Vec2 at = m_ui.eventsText();
    for (const std::string& line : lines) {
        addTextEvent(line, at.x, at.y, 0.0f, kMessageLogKind, false, true);
    }
}

bool Client::startGame(bool resume)
{
    // Every game begins unpaused, whatever menu was open when the last one ended.
    clearPause();
    std::string covenantName = userVarText("CovenantName");
    std::string playerName = userVarText("playerName");
    m_covenant = std::make_unique<PlayerCovenantClient>();
    m_covenant->loadGlobal();
    if (resume) {
        m_covenant->loadHistory(playerName);
    }
    m_player = std::make_unique<PlayerClient>();
    bool loaded = false;
    m_characterFileRefused = false;
    if (!CharacterFileName::bareName(playerName).empty()) {
        loaded = m_player->load(playerName, m_covenant.get());
        m_characterFileRefused = m_player->loadRefused;
    }
    if (m_characterFileRefused) {
        // Starting afresh would overwrite the damaged file at the next save.
        m_covenant.reset();
        m_player.reset();
        return false;
    }
    if (!loaded) {
        // A half-read file never reaches a game: both mirrors start anew.
        m_covenant = std::make_unique<PlayerCovenantClient>();
        m_covenant->loadGlobal();
        m_player = std::make_unique<PlayerClient>();
        // Nothing on screen is the new character's: a line that came after
        // the last game ended goes too.
        restoreMessageLog({});
        m_covenant->name = covenantName;
        if (resume) {
            m_covenant.reset();
            m_player.reset();
            return false;
        }
    }
    if (loaded) {
        restoreMessageLog(m_player->messageLog);
    }
    m_ui.gameStarted();
    if (resume) {
        std::string map;
        if (CharacterFileName::make(playerName, ".map", map)) {
            m_ui.loadMap(map);
        }
    } else if (loaded) {
        m_covenant->funStatTotals.add(2, 1);
    }
    return true;
}

void Client::clearPause()
{
    if (m_paused.isValid()) {
        m_paused.setString("0");
    }
    if (m_pausedAuto.isValid()) {
        m_pausedAuto.setString("0");
    }
}

void Client::endGame()
{
    // Nothing of the ended game stays: a pausing menu still open at its end
    // no longer lifts its pause once the game is gone, and its texts go too.
    clearPause();
    if (m_textClear) {
        m_textClear();
    }
    m_covenant.reset();
    m_player.reset();
    m_knownClass = -1;
    m_joined = false;
    m_connected = false;
    if (GameClient* game = GameClient::instance()) {
        game->reset();
    }
}

bool Client::saveGameState()
{
    if (!m_player) {
        return true;
    }
    std::string name = m_player->getGeneratedName();
    bool saved = m_covenant->saveGlobal();
    // Before the server has described the character there is nothing of it
    // to keep, and no name to file it under.
    if (!name.empty()) {
        saved = m_covenant->saveHistory(name) && saved;
        // Without the server's mirror the character file is not written.
        if (m_player->getServerMirror()) {
            saved = m_player->save(m_covenant.get(), name) && saved;
        }
        std::string map;
        if (CharacterFileName::make(name, ".map", map)) {
            saved = m_ui.saveMap(map) && saved;
        }
    }
    saved = GlobalStats::save() && saved;
    // user.cfg names the character Continue resumes: it lands with the save.
    if (UserVarSystem* vars = UserVarSystem::instance(); vars && !vars->getUserConfigPath().empty()) {
        saved = vars->writeUserConfig() && saved;
    }
    // A file the client could not even hand to the file system leaves the
    // others of an open save unmade too.
    if (!saved) {
        if (FileSystem* files = FileSystem::instance()) {
            files->failSaveSet("the character's files", "not all could be written");
        }
    }
    return saved;
}

bool Client::applyWorldValues(uint32_t worldSize, uint32_t layoutSeed, uint32_t secretSeed)
{
    World* world = World::instance();
    if (!world) {
        return false;
    }
    world->setRequestedWorldSize(static_cast<int>(worldSize));
    bool rebuilt = false;
    if (!world->isLoaded() || world->getWorldSeed() != layoutSeed) {
        world->setWorldSeed(layoutSeed);
        world->load();
        rebuilt = true;
    }
    // A rebuilt world has no secret levels (and no secret seed) yet.
    if (world->getSecretSeed() != secretSeed) {
        world->setSecretSeed(secretSeed);
        world->createSecretLevels();
    }
    return rebuilt;
}
