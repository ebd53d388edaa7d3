// What the player is told (errors, server messages, leader changes) and the
// end of a game: won, lost, the allied victory and a new world.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/SaveSet.h"
#include "game/covenants/CovenantNames.h"
#include "game/definitions/GameData.h"
#include "graphics/GraphicsSystem.h"

namespace {

constexpr int kMessageAlertSound = 3;
constexpr int kInvalidActionSound = 4;
constexpr int kWonGameSound = 11;
constexpr int kLostGameSound = 12;
// Kinds of on-screen texts: relation changes, centred messages and errors.
constexpr int kRelationKind = 7;
constexpr int kErrorKind = 8;
// The client's own draws never touch the server's stream.
constexpr int kClientStream = 4;
constexpr float kLeaderCheckPeriod = 30.0f;

void runMenuLine(const std::string& line)
{
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->execute(line, nullptr, false, true);
    }
}

// A centred text's size as drawn.
Vec2 noticeSize(const std::string& text)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    return graphics ? graphics->layoutText(text, graphics->getFontHandle(1)) : Vec2();
}

} // namespace

void GameClient::playAtPlayer(int sound) const
{
    if (const Client* client = Client::instance()) {
        client->playInterfaceSound(m_sounds[static_cast<size_t>(sound)]);
    }
}

void GameClient::showErrorMessage(const std::string& text, bool silent) const
{
    const Client* client = Client::instance();
    if (!client) {
        return;
    }
    if (!silent) {
        playAtPlayer(kInvalidActionSound);
    }
    const Vec2 at = client->getUi().centerText(noticeSize(text));
    client->addTextEvent(text, at.x, at.y, 5.0f, kErrorKind, true, false);
}

void GameClient::showMessage(int type, const std::string& text) const
{
    const Client* client = Client::instance();
    if (!client) {
        return;
    }
    const ClientUi& ui = client->getUi();
    const Vec2 centre = ui.centerText(noticeSize(text));
    switch (type) {
    case 4:
        showErrorMessage(text, false);
        return;
    case 5:
        client->addTextEvent(text, centre.x, centre.y, 5.0f, kErrorKind, true, false);
        return;
    case 2:
        client->addTextEvent(text, centre.x, centre.y, 1.0f, kErrorKind, true, false);
        break;
    case 6: {
        const Vec2 at = ui.relationText();
        client->addTextEvent(text, at.x, at.y, 1.0f, kRelationKind, true, false);
        break;
    }
    default:
        playAtPlayer(kMessageAlertSound);
        break;
    }
    // Every message but the centred ones stays in the event list.
    const Vec2 events = ui.eventsText();
    client->addTextEvent(text, events.x, events.y, 30.0f, Client::kMessageLogKind, false, true);
}

bool GameClient::isPlayerCovenantDestroyed() const
{
    const Client* client = Client::instance();
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    return covenant && covenant->destroyed;
}

bool GameClient::isLastCovenantStanding() const
{
    if (!m_loaded) {
        return false;
    }
    const int own = playerCovenantIndex();
    for (uint32_t c = 0; c < m_covenantCount && c < m_covenants.size(); ++c) {
        const CovenantClient* covenant = m_covenants[c].get();
        if (covenant && static_cast<int>(c) != own && !covenant->destroyed) {
            return false;
        }
    }
    return true;
}

bool GameClient::isGameOver() const
{
    return m_loaded && isPlayerCovenantDestroyed() && m_gameEnded;
}

bool GameClient::saveGame(std::string_view notSavedHint)
{
    Client* client = Client::instance();
    if (client && client->isReadingMessages()) {
        m_saveDeferred = true;
        return true;
    }
    // One asked for while a save takes in the server's state is that save.
    if (m_saving) {
        return true;
    }
    m_saving = true;
    if (client) {
        client->catchUpWithServer();
    }
    SaveSet set;
    bool saved = true;
    if (client) {
        saved = client->saveGameState();
    }
    if (m_serverSaver) {
        m_serverSaver();
    }
    saved = set.commit() && saved;
    m_saving = false;
    if (!saved) {
        std::string text =
            formatString("The game could not be saved (%s). The last save is kept.",
                         set.error().empty() ? "a file could not be written" : set.error().c_str());
        if (!notSavedHint.empty()) {
            text += " ";
            text += notSavedHint;
        }
        showNotice(text);
    } else {
        m_quitRefused = false;
    }
    return saved;
}

bool GameClient::saveForQuit()
{
    if (saveGame(m_quitRefused ? std::string_view() : "Quit again to leave without saving.")) {
        return true;
    }
    // Told once; the second Quit leaves with the last save.
    const bool leave = m_quitRefused;
    m_quitRefused = true;
    return leave;
}

void GameClient::runDeferredSave()
{
    if (!m_saveDeferred) {
        return;
    }
    m_saveDeferred = false;
    saveGame();
}

void GameClient::showNotice(const std::string& text) const
{
    showErrorMessage(text, true);
    if (const Client* client = Client::instance()) {
        const Vec2 events = client->getUi().eventsText();
        client->addTextEvent(text, events.x, events.y, 30.0f, Client::kMessageLogKind, false, true);
    }
}

void GameClient::saveAtGameEnd()
{
    saveGame();
}

void GameClient::wonGame()
{
    saveAtGameEnd();
    m_gameEnded = true;
    if (Client* client = Client::instance()) {
        client->showHelpTopic("WonGame");
    }
    playAtPlayer(kWonGameSound);
    const GameData* data = GameData::instance();
    m_wonGameText = data ? data->getRandomWonGameText(kClientStream) : std::string();
}

void GameClient::lostGame()
{
    saveAtGameEnd();
    m_gameEnded = true;
    if (const Client* client = Client::instance()) {
        client->getUi().switchToGameMenus();
    }
    runMenuLine("showMenu LoseGame");
    playAtPlayer(kLostGameSound);
    const GameData* data = GameData::instance();
    m_lostGameText = data ? data->getRandomLostGameText(kClientStream) : std::string();
}

void GameClient::setAlliedVictory(bool allied)
{
    if (allied == m_alliedVictory) {
        return;
    }
    m_alliedVictory = allied;
    if (allied) {
        saveAtGameEnd();
        runMenuLine("showMenu AlliedVictory");
    } else {
        runMenuLine("hideMenu AlliedVictory");
    }
}

void GameClient::resetForNewWorld()
{
    reset();
    // The camera keeps no per-world state; the world map and the menus start anew.
    if (const Client* client = Client::instance()) {
        client->getUi().mapAreas();
        client->getUi().switchToGameMenus();
    }
}

void GameClient::checkGameEnd()
{
    if (m_gameEnded) {
        return;
    }
    if (isLastCovenantStanding()) {
        wonGame();
    } else if (m_loaded && isPlayerCovenantDestroyed()) {
        lostGame();
    }
}

void GameClient::announceLeaders()
{
    Client* client = Client::instance();
    PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    if (!covenant || (m_influence.active && m_influence.timeLeft > 0.0f)) {
        return;
    }
    const int influence = m_influenceRanking.empty() ? -1 : m_influenceRanking.front().first;
    const int power = m_powerRanking.empty() ? -1 : m_powerRanking.front().first;
    const bool first = !m_leadersStored;
    m_leadersStored = true;
    const auto announce = [&](int leader, int last, const char* format) {
        if (first || leader == last || leader == -1 || last == -1) {
            return;
        }
        playAtPlayer(kMessageAlertSound);
        const Vec2 at = client->getUi().eventsText();
        client->addTextEvent(formatString(format, getColoredCovenantName(leader).c_str()), at.x, at.y, 30.0f,
                             Client::kMessageLogKind, false, true);
    };
    announce(influence, covenant->lastInfluenceLeader, "Leading covenant in influence is now %s");
    announce(power, covenant->lastPowerLeader, "Leading covenant in power is now %s");
    covenant->lastInfluenceLeader = influence;
    covenant->lastPowerLeader = power;
    m_influence.active = true;
    m_influence.period = kLeaderCheckPeriod;
    m_influence.timeLeft = kLeaderCheckPeriod;
}
