#include "server/Server.h"

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Profiler.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/EnumNameTable.h"
#include "engine/net/SocketLayer.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Entity.h"
#include "game/entities/Player.h"
#include "game/world/Game.h"
#include "game/world/World.h"
#include "server/PlayerCommands.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr uint32_t kEndOfList = kMessageEndMark;
constexpr float kStepSeconds = static_cast<float>(Server::kStepMs) / 1000.0f;
} // namespace

Server::Server()
{
    // The rules reach the clients and the name table through the link.
    m_linkToken = ServerLink::install([this](const std::string& line) { queueCommand(line); },
                                      [this](const std::string& fileName, bool hold) {
                                          uint32_t index = registerResourceName(fileName);
                                          if (hold && index != kNoIndex) {
                                              holdResource(static_cast<int>(index));
                                          }
                                          return index;
                                      });
}

Server::~Server()
{
    ServerLink::clear(m_linkToken);
    shutdown();
}

void Server::registerCommands()
{
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        m_pausedVar = vars->getVar("paused", "0", 1);
        m_pausedAutoVar = vars->getVar("pausedAuto", "0", 1);
    }
    if (CommandSystem* commands = CommandSystem::instance()) {
        commands->registerServerCommand(
            [](const CommandArgs& args, Player*) {
                if (Server* server = Server::instance()) {
                    server->newWorld(args);
                }
            },
            "issi", "newWorld", "startingLevel difficultyLevel worldDifficultyLevel numAiCovenants",
            "Starts a new world", true, true, 0u);
    }
}

bool Server::newWorld(const CommandArgs& args)
{
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
    const int difficulty = lookupEnumName(getGameEnumTable(GameEnum::CovenantDifficultyLevel), arg(1), -1);
    const int worldDifficulty = lookupEnumName(getGameEnumTable(GameEnum::WorldDifficultyLevel), arg(2), -1);
    if (difficulty < 0 || worldDifficulty < 0) {
        debugPrint(2, "newWorld: \"%s\" or \"%s\" names no covenant or world difficulty\n", arg(1).c_str(),
                   arg(2).c_str());
        return false;
    }
    Game* game = Game::instance();
    if (!game || !game->startNewWorld(PlayerCommands::parseInt(arg(0)), difficulty, worldDifficulty,
                                      PlayerCommands::parseInt(arg(3)))) {
        return false;
    }
    // The game was cleared; its start level is the town again, as in start.
    game->setStartLevel(0);
    // The player may hold another entity number in the new table.
    for (const auto& client : m_clients) {
        if (const Entity* player = client->player.get()) {
            client->playerNumber = player->getEntityNumber();
        }
    }
    ByteBuffer message;
    message.writeInt(static_cast<uint32_t>(kMsgNewWorld));
    writeWorldIdentity(message, true);
    if (m_socket >= 0) {
        for (const auto& client : m_clients) {
            sendDatagram(m_socket, message, client->address);
        }
    }
    m_active = true;
    return true;
}

void Server::openEndpoint()
{
    if (m_socketOpen) {
        return;
    }
    getLocalAddress(m_ownAddress, kServerPort);
    m_socket = openUdpSocket(m_ownAddress);
    if (m_socket < 0) {
        debugPrint(3, "Server: cannot open port %u\n", static_cast<unsigned>(kServerPort));
        return;
    }
    m_socketOpen = true;
}

bool Server::start(bool loadSaved, int startingLevel, int difficulty, int worldDifficulty, int numAiCovenants)
{
    openEndpoint();
    m_startError.clear();
    m_newWorldOnResume = false;
    Game* game = Game::instance();
    if (!game) {
        m_startError = "there is no game";
        return false;
    }
    game->setStartLevel(0);
    bool ready = false;
    if (loadSaved) {
        ready = game->loadCharacter(m_startError);
        if (!ready && m_startError.empty()) {
            debugPrint(1, "%s has no saved world; a new world is made\n",
                       getUserVarString("PlayerName").c_str());
            m_newWorldOnResume = true;
        }
    }
    if (!ready && m_startError.empty()) {
        game->generateWorld(startingLevel, difficulty, worldDifficulty, numAiCovenants);
        game->createTownNpcs();
        ready = true;
    }
    // A damaged save leaves the server inactive, so nothing overwrites it.
    if (!ready) {
        return false;
    }
    game->setStartLevel(0);
    game->setWorldGenerated(true);
    m_active = true;
    return true;
}

int Server::getFirstClientPlayer() const
{
    if (m_clients.empty()) {
        return -1;
    }
    const Entity* player = m_clients.front()->player.get();
    return player ? player->getEntityNumber() : -1;
}

bool Server::isPaused() const
{
    if (!m_active) {
        return false;
    }
    if ((m_pausedVar.isValid() && m_pausedVar.getBool()) ||
        (m_pausedAutoVar.isValid() && m_pausedAutoVar.getBool())) {
        return true;
    }
    // After a lost game the world stands still.
    const Game* game = Game::instance();
    if (!game || !game->isWorldGenerated() || !game->isWorldEnded() || m_clients.empty()) {
        return false;
    }
    const Entity* player = m_clients.front()->player.get();
    const Covenant* covenant = player ? player->getCovenant() : nullptr;
    return covenant && covenant->destroyed;
}

// ---- The frame ------------------------------------------------------------------

void Server::receiveMessages(uint32_t frameMs, bool clientPaused)
{
    if (!m_active) {
        return;
    }
    if (!isPaused() && !clientPaused) {
        m_accumulator += frameMs;
    }
    m_timeToSimulate = 0;
    while (m_accumulator > kStepMs) {
        m_accumulator -= kStepMs;
        m_timeToSimulate += kStepMs;
    }
    // Slow frames slow the game down instead of piling up steps.
    m_timeToSimulate = std::min(m_timeToSimulate, kMaxSimulateMs);

    if (m_socket < 0) {
        return;
    }
    ByteBuffer message;
    NetAddress sender;
    while (socketReadable(m_socket)) {
        if (!receiveDatagram(m_socket, message, sender)) {
            break;
        }
        dispatch(message, sender);
    }
}

void Server::update()
{
    if (!m_active) {
        return;
    }
    Game* game = Game::instance();
    Profiler* profiler = Profiler::instance();
    while (m_timeToSimulate > 0) {
        m_elapsedMs += kStepMs;
        m_elapsedSeconds = static_cast<float>(m_elapsedMs) / 1000.0f;
        m_timeToSimulate -= std::min(m_timeToSimulate, kStepMs);
        if (profiler) {
            profiler->startSection(Profiler::WorldStep);
        }
        if (game) {
            game->update(kStepSeconds);
        }
        if (profiler) {
            profiler->stopSection(Profiler::WorldStep);
        }
        ++m_stepCount;
    }
    sendUpdates();
}

void Server::sendUpdates()
{
    if (!m_active) {
        return;
    }
    ByteBuffer message;
    for (const auto& client : m_clients) {
        message.clear();
        buildStateMessage(*client, message);
        if (m_socket >= 0) {
            sendDatagram(m_socket, message, client->address);
        }
    }
    m_broadcastCommands.clear();
    m_newResourceNames.clear();
    // The first client took the frame's sounds; without one nobody hears
    // them, and they must not pile up.
    if (Game* game = Game::instance()) {
        game->clearSoundEvents();
    }
}

void Server::shutdown()
{
    if (m_socketOpen && m_socket >= 0) {
        closeUdpSocket(m_socket);
    }
    m_socket = -1;
    m_clients.clear();
    m_resourceNames.clear();
    m_newResourceNames.clear();
    m_heldResources.clear();
    m_broadcastCommands.clear();
    m_visibleEntities.clear();
}

void Server::reset()
{
    m_active = false;
    m_clients.clear();
    m_broadcastCommands.clear();
    m_visibleEntities.clear();
    m_accumulator = 0;
    m_timeToSimulate = 0;
    if (Game* game = Game::instance()) {
        game->clear();
    }
}

// ---- Incoming messages ----------------------------------------------------------

ClientRecord* Server::findClient(const NetAddress& address) const
{
    for (const auto& client : m_clients) {
        if (sameAddress(client->address, address)) {
            return client.get();
        }
    }
    return nullptr;
}

void Server::dropMessage(uint32_t type, const NetAddress& sender, const std::string& field) const
{
    debugPrint(2, "Server: message %u from port %u dropped: %s missing\n", type,
               static_cast<unsigned>(sender.port), field.c_str());
}

void Server::dispatch(ByteBuffer& message, const NetAddress& sender)
{
    message.setReadPos(0);
    uint32_t type = message.readUInt();
    if (message.failed()) {
        return;
    }
    switch (type) {
    case kMsgHello:
        handleHello(sender);
        break;
    case kMsgInput:
        handleClientInput(message, sender);
        break;
    case kMsgJoin:
        handlePlayerJoin(message, sender);
        break;
    default:
        break; // unknown types are dropped silently
    }
}

void Server::handleHello(const NetAddress& sender)
{
    ByteBuffer reply;
    reply.writeInt(static_cast<uint32_t>(kMsgWorldInfo));
    writeWorldIdentity(reply, false);
    if (m_socket >= 0) {
        sendDatagram(m_socket, reply, sender);
    }
}

void Server::handleClientInput(ByteBuffer& message, const NetAddress& sender)
{
    ClientInput input;
    std::string field;
    if (!input.read(message, field)) {
        dropMessage(kMsgInput, sender, field);
        return;
    }
    ClientRecord* client = findClient(sender);
    if (!client) {
        return;
    }
    ++client->inputMessages;
    client->linesReceived += static_cast<unsigned>(input.lines.size());
    // The player is looked up afresh: a record without one is ignored whole.
    Game* game = Game::instance();
    int number = client->playerNumber;
    Player* player = game && number >= 0 && number < Game::kMaxEntities
                         ? dynamic_cast<Player*>(game->getEntity(number))
                         : nullptr;
    if (!player) {
        return;
    }
    if (!player->isWarpPending() && input.positionsValid && adoptable(input.position) &&
        adoptable(input.secondaryPosition)) {
        player->setPosition(input.position);
        player->setSecondaryPosition(input.secondaryPosition);
        if (World* world = World::instance(); world && world->getView(number)) {
            int level = player->getViewLevel();
            world->updatePlayerView(number, player->getPosition(), level);
            if (level != player->getViewLevel()) {
                player->setViewLevel(level);
            }
        }
    }
    player->setAction(static_cast<int>(input.action), input.target);
    runClientCommands(input.lines, player);
}

bool Server::adoptable(const ZonePosition& position)
{
    // Only a zone that names a level of the World reaches the spatial index.
    const World* world = World::instance();
    return world && position.zone >= 0 && position.zone < world->getLevelCount() &&
           std::isfinite(position.x) && std::isfinite(position.y);
}

void Server::writeWorldIdentity(ByteBuffer& out, bool withSecretSeed) const
{
    const World* world = World::instance();
    const WorldSize* size = world ? world->getWorldSize() : nullptr;
    out.writeInt(static_cast<uint32_t>(size ? size->entryId : 0));
    out.writeInt(world ? world->getWorldSeed() : 0u);
    if (withSecretSeed) {
        out.writeInt(world ? world->getSecretSeed() : 0u);
    }
}

void Server::runClientCommands(const std::vector<std::string>& lines, Player* player)
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    for (const std::string& line : lines) {
        commands->execute(line, player, true, true);
    }
}

// ---- Names ----------------------------------------------------------------------

uint32_t Server::registerResourceName(const std::string& fileName)
{
    ResourceSystem* resources = ResourceSystem::instance();
    int index = resources ? resources->findOrCreateIndex(fileName) : -1;
    if (index < 0) {
        return kNoIndex;
    }
    if (static_cast<uint32_t>(index) >= kMaxResourceNames) {
        // Clients take such an index as a malformed message.
        debugPrint(3, "Server: resource %s has index %d, past the %u names a message may carry\n",
                   fileName.c_str(), index, static_cast<unsigned>(kMaxResourceNames));
        return kNoIndex;
    }
    if (static_cast<size_t>(index) >= m_resourceNames.size()) {
        m_resourceNames.resize(static_cast<size_t>(index) + 1);
    }
    if (m_resourceNames[index] != fileName) {
        m_resourceNames[index] = fileName;
        m_newResourceNames.push_back(static_cast<uint32_t>(index));
    }
    return static_cast<uint32_t>(index);
}

void Server::holdResource(int index)
{
    ResourceSystem* resources = ResourceSystem::instance();
    if (!resources || index < 0) {
        return;
    }
    for (const ResourceHandle& held : m_heldResources) {
        if (held.getIndex() == index) {
            return;
        }
    }
    m_heldResources.push_back(resources->load(resources->getFileName(index)));
}

void Server::writeNameTable(ByteBuffer& out) const
{
    for (size_t i = 0; i < m_resourceNames.size(); ++i) {
        if (!m_resourceNames[i].empty()) {
            out.writeInt(static_cast<uint32_t>(i));
            out.writeString(m_resourceNames[i]);
        }
    }
    out.writeInt(kEndOfList);
}

// ---- State message --------------------------------------------------------------

void Server::collectVisibleEntities(const Entity* viewer, std::vector<Entity*>& out) const
{
    out.clear();
    Game* game = Game::instance();
    if (!viewer || !game) {
        return;
    }
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        Entity* entity = game->getEntity(i);
        if (!entity || std::find(out.begin(), out.end(), entity) != out.end()) {
            continue;
        }
        if (isEntityRelevantToViewer(entity, viewer)) {
            out.push_back(entity);
            entity->addRelatedEntities(out);
        }
    }
}

void Server::buildStateMessage(const ClientRecord& client, ByteBuffer& out)
{
    Game* game = Game::instance();
    const Entity* viewer = client.player.get();

    out.writeInt(static_cast<uint32_t>(kMsgState));
    // The player's level; no Player yet means none. The client reads the
    // covenant and player sections whenever a level is sent, so a player
    // whose covenant is missing is sent as none too.
    Player* player = dynamic_cast<Player*>(client.player.get());
    PlayerCovenant* covenant = player ? dynamic_cast<PlayerCovenant*>(player->getCovenant()) : nullptr;
    if (!covenant) {
        player = nullptr;
    }
    if (player) {
        // Never the end mark: the level says the two sections follow.
        int level = player->getViewLevel();
        if (level < 0 && game) {
            level = game->getStartLevel();
        }
        out.writeInt(static_cast<uint32_t>(std::max(level, 0)));
    } else {
        out.writeInt(kEndOfList);
    }
    for (uint32_t index : m_newResourceNames) {
        out.writeInt(index);
        out.writeString(index < m_resourceNames.size() ? m_resourceNames[index] : std::string());
    }
    out.writeInt(kEndOfList);
    out.writeInt(static_cast<uint32_t>(m_broadcastCommands.size()));
    for (const std::string& line : m_broadcastCommands) {
        out.writeString(line);
    }

    collectVisibleEntities(viewer, m_visibleEntities);
    for (const Entity* entity : m_visibleEntities) {
        entity->writeUpdate(out);
        entity->writeSnapshot(out);
    }
    out.writeInt(kEndOfList);
    m_visibleEntities.clear();

    if (game) {
        game->writeUpdate(out, viewer);
    }
    if (player) {
        covenant->writeSnapshot(out);
        player->writePlayerSection(out);
    }

    // Sounds the viewer hears; the first client of a frame takes them all.
    std::vector<const SoundEvent*> heard;
    if (game && viewer) {
        for (const SoundEvent& sound : game->getSoundEvents()) {
            bool own = sound.entityNumber == viewer->getEntityNumber();
            if (own || sound.radius > ZonePosition::distanceTo(sound.position, viewer->getPosition())) {
                heard.push_back(&sound);
            }
        }
    }
    out.writeInt(static_cast<uint32_t>(heard.size()));
    for (const SoundEvent* sound : heard) {
        out.writeInt(sound->nameIndex);
        out.writeInt(sound->entityNumber);
        out.writeInt(sound->position.zone);
        out.writeFloat(sound->position.x);
        out.writeFloat(sound->position.y);
        out.writeFloat(sound->parameter);
    }
    if (game) {
        game->clearSoundEvents();
    }
}
