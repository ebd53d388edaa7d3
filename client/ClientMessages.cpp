#include "client/Client.h"

#include "client/GameClient.h"
#include "client/ServerMessages.h"
#include "client/StateMessage.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/net/SocketLayer.h"
#include "engine/resources/ResourceSystem.h"
#include "game/world/World.h"
#include "sound/SoundSystem.h"

namespace {

std::string userVarText(const char* name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    const UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getString() : std::string();
}

} // namespace

uint32_t Client::chosenClassIndex()
{
    const Database* db = Database::instance();
    std::string name = stripTextKeyMarkers(userVarText("PlayerClass"));
    if (!db || name.empty()) {
        return 0;
    }
    const DatabaseEntry* entry = db->findEntry(name, "Class");
    if (!entry) {
        entry = db->findEntry(name);
    }
    int index = entry ? db->getInt(entry, "Index", 0) : 0;
    return index > 0 ? static_cast<uint32_t>(index) : 0;
}

void Client::dropMessage(uint32_t type, const MessageError& error) const
{
    ++m_droppedMessages;
    debugPrint(2, "Client: message %u dropped: %s at byte %zu\n", static_cast<unsigned>(type),
               error.field.c_str(), error.offset);
}

void Client::receiveMessages()
{
    if (!m_connected || m_endpoint < 0) {
        return;
    }
    ByteBuffer message;
    NetAddress sender;
    m_readingMessages = true;
    while (socketReadable(m_endpoint)) {
        if (!receiveDatagram(m_endpoint, message, sender)) {
            break;
        }
        if (message.size() > 0) {
            dispatchMessage(message, sender);
        }
    }
    m_readingMessages = false;
    // A save that a message asked for (a victory in its game section) is
    // made now that the mirrors hold the whole of the state.
    if (GameClient* game = GameClient::instance()) {
        game->runDeferredSave();
    }
}

void Client::catchUpWithServer()
{
    // Until the first state message after the join the mirrors hold the
    // character as its files gave it and the server what the join made of
    // them, with no step between: there is nothing to catch up.
    if (!m_serverStateSender || !m_joined || !m_stateSinceJoin || m_readingMessages) {
        return;
    }
    m_serverStateSender();
    receiveMessages();
}

void Client::sendHello()
{
    ByteBuffer message;
    message.writeInt(static_cast<uint32_t>(MessageType::Hello));
    if (m_endpoint >= 0) {
        sendDatagram(m_endpoint, message, m_queryAddress);
    }
}

void Client::queueServerCommand(const std::string& line)
{
    m_outgoing.push_back(line);
}

void Client::writeQueuedCommands(ByteBuffer& out) const
{
    out.writeInt(static_cast<uint32_t>(m_outgoing.size()));
    for (const std::string& line : m_outgoing) {
        out.writeString(line);
    }
}

void Client::sendInput()
{
    if (!m_joined) {
        return;
    }
    ByteBuffer message;
    message.writeInt(static_cast<uint32_t>(MessageType::Input));
    // The mirror's two positions, its current action and its target's
    // number; an action forced by the interface carries the current covenant.
    ZonePosition none(-1, 0.0f, 0.0f);
    int action = 0;
    int target = -1;
    getInputAction(action, target);
    const bool placed = m_player && m_playerPlaced;
    message.writeZonePosition(placed ? m_player->getPosition() : none);
    message.writeZonePosition(placed ? m_player->getSecondaryPosition() : none);
    message.writeInt(static_cast<uint32_t>(action));
    message.writeInt(target >= 0 ? static_cast<uint32_t>(target) : kMessageEndMark);
    writeQueuedCommands(message);
    if (m_endpoint >= 0) {
        sendDatagram(m_endpoint, message, m_serverAddress);
    }
    m_outgoing.clear();
}

void Client::getInputAction(int& action, int& target) const
{
    action = m_player ? m_player->getCurrentAction() : 0;
    target = m_player ? m_player->getTargetEntityNumber(true) : -1;
    if (action == PlayerClient::kActionForced) {
        const GameClient* game = GameClient::instance();
        target = game ? game->getCurrentCovenant() : -1;
    }
}

void Client::dispatchMessage(ByteBuffer& message, const NetAddress& sender)
{
    message.setReadPos(0);
    message.clearFailed();
    uint32_t type = message.readUInt();
    if (message.failed()) {
        MessageError error{"message type", 0};
        dropMessage(type, error);
        return;
    }
    switch (type) {
    case MessageType::WorldInfo:
        joinServer(message, sender);
        break;
    case MessageType::State:
        readStateUpdate(message);
        break;
    case MessageType::Joined:
        onJoinAccepted(message);
        break;
    case MessageType::NewWorld:
        onNewWorld(message);
        break;
    default:
        break; // 0, 1, 4 and unknown types are not for the client
    }
}

void Client::joinServer(ByteBuffer& message, const NetAddress& sender)
{
    WorldInfoMessage info;
    MessageError error;
    if (!readWorldInfoMessage(message, info, error)) {
        dropMessage(MessageType::WorldInfo, error);
        return;
    }
    ByteBuffer reply;
    reply.writeInt(static_cast<uint32_t>(MessageType::Join));
    if (m_covenant && m_player) {
        m_covenant->writeJoinSection(reply);
        m_player->writeJoinSection(reply, info.worldSize, info.layoutSeed);
        m_player->setWorldIdentity(info.worldSize, info.layoutSeed);
    } else {
        // Without a started game: a covenant without a global save and a new
        // character of the chosen class.
        reply.writeInt(static_cast<uint32_t>(0));
        reply.writeString(userVarText("CovenantName"));
        reply.writeInt(static_cast<uint32_t>(0));
        reply.writeString(userVarText("PlayerName"));
        reply.writeInt(chosenClassIndex());
    }
    if (m_endpoint >= 0) {
        sendDatagram(m_endpoint, reply, sender);
    }
    m_serverAddress = sender;
}

void Client::onJoinAccepted(ByteBuffer& message)
{
    JoinAcceptedMessage joined;
    MessageError error;
    if (!readJoinAcceptedMessage(message, joined, error)) {
        dropMessage(MessageType::Joined, error);
        return;
    }
    // A World loaded only now has gates the mirror's lists, built at message
    // 2, did not count; the server's player counts them.
    if (applyWorldValues(joined.worldSize, joined.layoutSeed, joined.secretSeed) && m_player) {
        m_player->rebuildGateLists();
    }
    if (World* world = World::instance()) {
        world->addPlayerView(-1, static_cast<int>(joined.playerLevel));
    }
    m_playerZone = static_cast<int>(joined.playerLevel);
    m_playerPlaced = false;
    if (m_player) {
        ZonePosition at = m_player->getPosition();
        at.zone = m_playerZone;
        m_player->EntityBase::setPosition(at);
    }
    applyResourceNames(joined.names);
    if (m_covenant) {
        m_covenant->awaitServerStone();
    }
    m_joined = true;
    m_stateSinceJoin = false;
}

void Client::onNewWorld(ByteBuffer& message)
{
    NewWorldMessage world;
    MessageError error;
    if (!readNewWorldMessage(message, world, error)) {
        dropMessage(MessageType::NewWorld, error);
        return;
    }
    applyWorldValues(world.worldSize, world.layoutSeed, world.secretSeed);
    if (World* shared = World::instance()) {
        shared->addPlayerView(-1, 0);
    }
    m_playerZone = 0;
    m_playerPlaced = false;
    if (GameClient* game = GameClient::instance()) {
        game->resetForNewWorld();
    }
    if (m_covenant) {
        m_covenant->reset();
    }
    if (m_player) {
        m_player->reset();
        m_player->setWorldIdentity(world.worldSize, world.layoutSeed);
    }
    m_ui.miniMapBuilt(false);
}

void Client::readStateUpdate(ByteBuffer& message)
{
    if (!m_joined) {
        return;
    }
    // The gate flags are counted by the mirror's list, built at the same
    // world change as the server player's, never by the world as it is now:
    // a message written before a new world may be read after it.
    std::optional<size_t> gateFlags;
    if (m_player) {
        if (!m_player->levelGates.isBuilt()) {
            m_player->levelGates.build();
        }
        gateFlags = m_player->levelGates.getRecords().size();
    }
    StateMessage state;
    MessageError error;
    if (!readStateMessage(message, state, error, gateFlags)) {
        dropMessage(MessageType::State, error);
        return;
    }
    // The two player sections are parsed by their mirrors before anything
    // of the message is applied.
    PlayerCovenantSection covenantSection;
    PlayerSection playerSection;
    bool playerSections = state.hasPlayerSections && m_covenant && m_player;
    if (playerSections) {
        std::string field;
        ByteBuffer covenantBytes(message.data() + state.covenantSection.begin, state.covenantSection.size());
        ByteBuffer playerBytes(message.data() + state.playerSection.begin, state.playerSection.size());
        if (!PlayerCovenantClient::parseSection(covenantBytes, m_covenant->getRecruitSlotCount(),
                                                covenantSection, field) ||
            !PlayerClient::parseSection(playerBytes, m_player->levelGates.getRecords().size(), playerSection,
                                        field)) {
            size_t base = field.rfind("player covenant", 0) == 0 ? state.covenantSection.begin
                                                                 : state.playerSection.begin;
            MessageError sectionError{field, base};
            dropMessage(MessageType::State, sectionError);
            return;
        }
    }
    applyResourceNames(state.names);
    executeServerCommands(state.lines);
    // A line may have ended the game.
    if (!m_joined) {
        return;
    }
    if (GameClient* game = GameClient::instance()) {
        game->readStateUpdate(state);
    }
    if (playerSections && m_covenant && m_player) {
        m_covenant->applySection(covenantSection);
        m_player->applySection(playerSection);
    }
    m_stateSinceJoin = true;
    if (m_player && !m_playerPlaced) {
        if (const EntityClient* own = m_player->getServerMirror()) {
            m_player->warpTo(own->getPosition());
            m_playerPlaced = true;
        }
    }
    applyPositionalSounds(state);
}

void Client::applyResourceNames(const std::vector<ResourceNameEntry>& names)
{
    ResourceSystem* resources = ResourceSystem::instance();
    for (const ResourceNameEntry& entry : names) {
        size_t replaced = entry.index < m_resourceNames.size() ? m_resourceNames[entry.index].name.size() : 0;
        if (m_resourceNameBytes - replaced + entry.name.size() > kMaxResourceNameBytes) {
            debugPrint(2,
                       "Client: resource name %u (%zu bytes) refused: the name table would pass %zu bytes\n",
                       static_cast<unsigned>(entry.index), entry.name.size(), kMaxResourceNameBytes);
            continue;
        }
        if (entry.index >= m_resourceNames.size()) {
            m_resourceNames.resize(static_cast<size_t>(entry.index) + 1);
        }
        ResourceName& slot = m_resourceNames[entry.index];
        m_resourceNameBytes = m_resourceNameBytes - replaced + entry.name.size();
        slot.name = entry.name;
        slot.handle.release();
        if (resources && !entry.name.empty()) {
            slot.handle = resources->loadIfTyped(entry.name);
        }
    }
}

void Client::executeServerCommands(const std::vector<std::string>& lines)
{
    CommandSystem* commands = CommandSystem::instance();
    if (!commands) {
        return;
    }
    // The interpreter reports a refused line itself.
    for (const std::string& line : lines) {
        commands->execute(line, nullptr, false, true);
    }
}

void Client::applyPositionalSounds(const StateMessage& state)
{
    SoundSystem* sound = SoundSystem::instance();
    if (!sound || !sound->isInitialized()) {
        return;
    }
    for (const PositionalSoundRecord& record : state.sounds) {
        // An index outside the name table plays nothing.
        if (record.nameIndex == kMessageEndMark || record.nameIndex >= m_resourceNames.size()) {
            continue;
        }
        ResourceHandle handle = m_resourceNames[record.nameIndex].handle;
        if (!handle.isValid()) {
            continue;
        }
        SoundChannel* channel = sound->findFreeChannel();
        if (!channel) {
            continue;
        }
        ZonePosition3 at(record.position.zone, record.position.x, record.position.y, 0.0f);
        sound->playSound(channel, at, handle, static_cast<int>(record.owner), 0, false,
                         record.minimumDistance, 0.0f);
    }
}

void Client::playInterfaceSound(const ResourceHandle& handle) const
{
    SoundSystem* sound = SoundSystem::instance();
    if (!sound || !sound->isInitialized() || !handle.isValid()) {
        return;
    }
    if (SoundChannel* channel = sound->findFreeChannel()) {
        sound->playSound(channel, ZonePosition3(-1, 0.0f, 0.0f, 0.0f), handle, getPlayerSlot(), 0, false,
                         0.0f, 0.0f);
    }
}
