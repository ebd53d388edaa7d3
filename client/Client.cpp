#include "client/Client.h"
#include "graphics/effects/EffectSystem.h"

#include "graphics/GraphicsSystem.h"
#include "graphics/LightingSystem.h"

#include "client/GameClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/MemorySystem.h"
#include "engine/core/Profiler.h"
#include "engine/input/Input.h"
#include "engine/net/SocketLayer.h"
#include "engine/platform/Shell.h"
#include "engine/platform/SystemInfo.h"
#include "engine/resources/ResourceSystem.h"
#include "sound/SoundSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// One wheel step: the menus first, else the camera zoom by a tenth (a step
// up brings the camera closer).
void scrollZoom(bool up)
{
    GraphicsSystem* graphics = GraphicsSystem::instance();
    if (!graphics) {
        return;
    }
    const FrameHooks& hooks = graphics->getFrameHooks();
    if (hooks.handleMouseScroll && hooks.handleMouseScroll(up)) {
        return;
    }
    graphics->setZoom(graphics->getVar("zoom").getFloat() + (up ? -0.1f : 0.1f));
}

} // namespace

namespace {

// Starts a profiler section and stops it on every way out.
class SectionTimer {
public:
    explicit SectionTimer(int section) : m_section(section)
    {
        if (Profiler* profiler = Profiler::instance()) {
            profiler->startSection(m_section);
        }
    }
    ~SectionTimer()
    {
        if (Profiler* profiler = Profiler::instance()) {
            profiler->stopSection(m_section);
        }
    }
    SectionTimer(const SectionTimer&) = delete;
    SectionTimer& operator=(const SectionTimer&) = delete;

private:
    int m_section;
};

bool argTrue(const std::string& text)
{
    return text == "1" || text == "true";
}

} // namespace

Client::Client() = default;

Client::~Client()
{
    shutdown();
    // The effects' hooks point at this client.
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->setEnvironment({});
    }
}

void Client::registerCommands()
{
    CommandSystem* commands = CommandSystem::instance();
    if (commands) {
        commands->registerCommand(
            [this](const CommandArgs& args) {
                if (args.size() >= 3) {
                    onKeyPress(std::atoi(args[0].c_str()), argTrue(args[1]), argTrue(args[2]));
                }
            },
            "keyPress", "Tells the client about a key press event", "key down repeat", "ibb", true, 0);
        commands->registerCommand(
            [this](const CommandArgs& args) {
                if (args.size() >= 4) {
                    onButtonPress(std::atoi(args[0].c_str()), argTrue(args[1]), std::atoi(args[2].c_str()),
                                  std::atoi(args[3].c_str()));
                }
            },
            "buttonPress", "Tells the client about a key press event", "button down posX posY", "ibii", true,
            0);
        commands->registerCommand(
            [this](const CommandArgs& args) {
                std::string line;
                for (const std::string& arg : args) {
                    if (!line.empty()) {
                        line += ' ';
                    }
                    line += arg;
                }
                if (!line.empty()) {
                    queueServerCommand(line);
                }
            },
            "serverCommand", "Server command so just forward it along",
            "commandName parm1 parm2 parm3 parm4 parm5 parm6 parm7 parm8", "sSSSSSSSS", true, 0);
        // The menus take the wheel first; otherwise it zooms the camera.
        commands->registerCommand([](const CommandArgs&) { scrollZoom(true); }, "mouseScrollUp",
                                  "Mouse scroll up command", "", "", true, 0);
        commands->registerCommand([](const CommandArgs&) { scrollZoom(false); }, "mouseScrollDown",
                                  "Mouse scroll down command", "", "", true, 0);
        commands->registerCommand(
            [](const CommandArgs& args) {
                if (!args.empty()) {
                    openBrowser(args[0]);
                }
            },
            "openBrowser", "Opens the default browser to the specified page", "webAddress", "s", true, 0);
    }
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        m_showEntnums = vars->getVar("showEntnums", "0", UserVarSystem::kCreate);
        m_showPlayerPosition = vars->getVar("showPlayerPosition", "0", UserVarSystem::kCreate);
        m_pausedAuto = vars->getVar("pausedAuto", "0", UserVarSystem::kCreate);
        m_paused = vars->getVar("paused", "0", UserVarSystem::kCreate);
        m_pauseWhenInactive = vars->getVar("pauseWhenInactive", "1", UserVarSystem::kCreate);
        m_maxThreshold = vars->getVar("m_maxThreshold", "128", UserVarSystem::kCreate);
    }
    applyMemoryThreshold();
}

void Client::applyMemoryThreshold()
{
    if (!m_maxThreshold.isValid()) {
        return;
    }
    int megabytes = std::clamp(m_maxThreshold.getInt(), 0, kMaxThresholdMegabytes);
    MemorySystem::setThreshold(static_cast<uint64_t>(megabytes) * 1048576u);
    m_maxThreshold.clearChanged();
}

void Client::shutdown()
{
    if (m_endpoint >= 0) {
        // Closed on the in-memory list too, so that a later client can bind the port.
        closeUdpSocket(m_endpoint);
    }
    m_endpoint = -1;
    m_endpointsReady = false;
    m_connected = false;
    m_joined = false;
    m_themeMusic.release();
    m_themePlaying = false;
    m_hoverEntity = nullptr;
    m_outgoing.clear();
    m_resourceNames.clear();
    m_resourceNameBytes = 0;
}

// ---- Frame steps ------------------------------------------------------------------

void Client::update()
{
    SectionTimer timer(Profiler::ClientUpdate);
    if (Input* input = Input::instance()) {
        input->poll();
    }
    // The lights of the last frame stay while paused.
    if (LightingSystem* lighting = LightingSystem::instance(); lighting && !isPaused()) {
        lighting->beginFrame();
    }
    receiveMessages();
    updateHoverEntity();
}

void Client::think(double seconds)
{
    SectionTimer timer(Profiler::ClientThink);
    if (GraphicsSystem* graphics = GraphicsSystem::instance()) {
        graphics->setFrameSeconds(seconds);
    }
    if (m_joined) {
        if (!isPaused()) {
            float dt = static_cast<float>(seconds);
            if (m_covenant) {
                m_covenant->recordHistory();
            }
            if (GameClient* game = GameClient::instance()) {
                game->update(dt);
            }
            if (m_covenant) {
                m_covenant->update(dt);
            }
            if (m_player) {
                m_player->update(dt);
            }
        }
        sendInput();
    }
    // Effects run on the frame's time (none while paused).
    if (EffectSystem* effects = EffectSystem::instance()) {
        effects->update(isPaused() ? 0.0f : static_cast<float>(seconds));
    }
    m_editors.update(seconds);
    updateThemeMusic();
    checkJoinAnswer(seconds);
}

void Client::draw(double seconds)
{
    SectionTimer timer(Profiler::ClientDraw);
    if (SoundSystem* sound = SoundSystem::instance()) {
        sound->update();
    }
    if (m_player) {
        m_player->syncWithServerMirror();
    }
    addFrameTexts();
    if (m_frameRenderer) {
        m_frameRenderer(seconds);
    }
    if (Input* input = Input::instance()) {
        input->clearPressed();
    }
    if (m_maxThreshold.isValid() && m_maxThreshold.hasChanged()) {
        applyMemoryThreshold();
    }
}

void Client::addFrameTexts()
{
    if (isPaused()) {
        addTextEvent(formatString("%sPaused", "^f004"), 320.0f, 50.0f, 0.0f, 6, true, false);
    }
    if (m_showPlayerPosition.isValid() && m_showPlayerPosition.getInt() != 0 && getPlayerSlot() != -1) {
        const ZonePosition p = getPlayerPosition();
        addTextEvent(formatString("%d %.1f %.1f", p.zone, p.x, p.y), 10.0f, 30.0f, 1.5f, 3, false, false);
    }
}

void Client::checkJoinAnswer(double seconds)
{
    if (!m_connected || m_joined || m_noAnswerLogged) {
        return;
    }
    if (std::isfinite(seconds) && seconds > 0.0) {
        m_sinceHello += seconds;
    }
    if (m_sinceHello >= kJoinAnswerSeconds) {
        m_noAnswerLogged = true;
        debugPrint(2, "No answer from a server on port %u\n", static_cast<unsigned>(kServerPort));
    }
}

void Client::updateThemeMusic()
{
    SoundSystem* sound = SoundSystem::instance();
    const GameClient* game = GameClient::instance();
    if (!sound || !sound->isInitialized() || !game || game->getThemeMusicName().empty()) {
        return;
    }
    bool wanted = !m_joined || (m_player && m_player->getPosition().zone == 0);
    ResourceSystem* resources = ResourceSystem::instance();
    if (wanted && sound->getMusicVolume() > 0.0f && !m_themeMusic.isValid() && resources) {
        m_themeMusic = resources->loadIfTyped(game->getThemeMusicName());
    }
    if (wanted && !m_themePlaying && m_themeMusic.isValid() && m_themeMusic.isLoaded()) {
        sound->playMusic(m_themeMusic, game->getMusicFadeTime());
        m_themePlaying = true;
    } else if (!wanted && m_themePlaying) {
        sound->stopMusic(game->getMusicFadeTime());
        m_themePlaying = false;
    }
}

// ---- Pausing --------------------------------------------------------------------

bool Client::isPaused() const
{
    if (!m_joined) {
        return false;
    }
    if ((m_pausedAuto.isValid() && m_pausedAuto.getBool()) || (m_paused.isValid() && m_paused.getBool())) {
        return true;
    }
    if (GameClient* game = GameClient::instance(); game && game->isGameOver()) {
        return true;
    }
    const SystemInfo* info = SystemInfo::instance();
    return m_pauseWhenInactive.isValid() && m_pauseWhenInactive.getBool() && info && !info->isActive();
}

void Client::setAutoPause()
{
    if (m_joined && m_pausedAuto.isValid()) {
        m_pausedAuto.setString("1");
    }
}

// ---- Games ----------------------------------------------------------------------

bool Client::connect()
{
    if (!m_endpointsReady) {
        getLocalAddress(m_ownAddress, kClientPort);
        getLocalAddress(m_serverAddress, kServerPort);
        m_queryAddress = makeAddress(kAddressFamilyInet, kServerPort, makeHostAddress(127, 0, 0, 1));
        m_endpoint = openUdpSocket(m_ownAddress);
        if (m_endpoint < 0) {
            debugPrint(3, "Client: cannot open port %u\n", static_cast<unsigned>(kClientPort));
            return false;
        }
        m_endpointsReady = true;
    }
    sendHello();
    m_connected = true;
    m_sinceHello = 0.0;
    m_noAnswerLogged = false;
    return true;
}

const std::string& Client::getResourceName(int index) const
{
    static const std::string empty;
    if (index < 0 || static_cast<size_t>(index) >= m_resourceNames.size()) {
        return empty;
    }
    return m_resourceNames[static_cast<size_t>(index)].name;
}
