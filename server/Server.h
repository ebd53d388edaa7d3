#pragma once

#include "engine/console/CommandRecord.h"
#include "engine/console/UserVarRef.h"
#include "engine/core/Singleton.h"
#include "engine/net/MessageTypes.h"
#include "engine/net/NetAddress.h"
#include "engine/resources/ResourceHandle.h"
#include "game/world/ServerLink.h"
#include "server/ClientInput.h"
#include "server/ClientRecord.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ByteBuffer;
class Entity;
class Player;

// The server side of the one-process game: the endpoint on port 5002, one
// record per joined client, fixed 50 ms steps of the Game, the messages
// clients send and the one state message per client per frame.
class Server : public Singleton<Server> {
public:
    static constexpr uint32_t kStepMs = 50;
    static constexpr uint32_t kMaxSimulateMs = 250;
    static constexpr uint32_t kNoIndex = ServerLink::kNoIndex;

    // Message types.
    enum : uint32_t {
        kMsgHello = MessageType::Hello,
        kMsgInput = MessageType::Input,
        kMsgWorldInfo = MessageType::WorldInfo,
        kMsgState = MessageType::State,
        kMsgJoin = MessageType::Join,
        kMsgJoined = MessageType::Joined,
        kMsgNewWorld = MessageType::NewWorld,
    };

    Server();
    ~Server();

    // The user variables "paused" and "pausedAuto".
    void registerCommands();
    // Opens the endpoint (once), then loads the saved world (loadSaved) or
    // generates one; a missing save also generates. True, world marked made
    // and server active, when one of them succeeded; false (inactive, the
    // reason in getStartError) for a damaged save.
    bool start(bool loadSaved, int startingLevel, int difficulty, int worldDifficulty, int numAiCovenants);
    const std::string& getStartError() const { return m_startError; }
    // The last start was asked to resume but found no saved world, and made a new one.
    bool madeNewWorldOnResume() const { return m_newWorldOnResume; }
    // The newWorld command: the player's new world, message 6 to every
    // client; false (one line) for an unknown difficulty name or no player.
    bool newWorld(const CommandArgs& args);
    void receiveMessages(uint32_t frameMs, bool clientPaused);
    void update();
    void sendUpdates();
    void shutdown();
    // Back to no game: inactive, no clients, the Game cleared; the endpoint
    // and the name table stay.
    void reset();
    // Also true after a lost game: the first client's covenant is destroyed
    // and the world has ended.
    bool isPaused() const;
    // The first client's player number; -1 without a client or player.
    int getFirstClientPlayer() const;
    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    // Handles one datagram (by its first word).
    void dispatch(ByteBuffer& message, const NetAddress& sender);
    void handleHello(const NetAddress& sender);
    // Reads the covenant and character sections and makes the client's
    // Player (ServerJoin.cpp). A refused join leaves no record, no Player and
    // no view behind and sends nothing.
    void handlePlayerJoin(ByteBuffer& message, const NetAddress& sender);
    void handleClientInput(ByteBuffer& message, const NetAddress& sender);
    // Each line through the interpreter as coming from the server and the program.
    void runClientCommands(const std::vector<std::string>& lines, Player* player);

    // The resource system's index of the name, stored in the name table and
    // sent to clients in the next state message when new.
    uint32_t registerResourceName(const std::string& fileName);
    // Keeps a reference to a loaded resource until shutdown.
    void holdResource(int index);
    void queueCommand(const std::string& line) { m_broadcastCommands.push_back(line); }

    // State message for one client (also used by tests).
    void buildStateMessage(const ClientRecord& client, ByteBuffer& out);
    // The entities a client's viewer is to hear of, in slot order.
    void collectVisibleEntities(const Entity* viewer, std::vector<Entity*>& out) const;

    uint32_t getElapsedMs() const { return m_elapsedMs; }
    float getElapsedSeconds() const { return m_elapsedSeconds; }
    uint32_t getAccumulator() const { return m_accumulator; }
    uint32_t getTimeToSimulate() const { return m_timeToSimulate; }
    uint32_t getStepCount() const { return m_stepCount; }
    int getSocket() const { return m_socket; }
    size_t getClientCount() const { return m_clients.size(); }
    ClientRecord* getClient(size_t i) const { return i < m_clients.size() ? m_clients[i].get() : nullptr; }
    ClientRecord* findClient(const NetAddress& address) const;
    const std::vector<std::string>& getResourceNames() const { return m_resourceNames; }
    const std::vector<std::string>& getQueuedCommands() const { return m_broadcastCommands; }

private:
    void openEndpoint();
    // World size id and layout seed (and the secret-level seed).
    void writeWorldIdentity(ByteBuffer& out, bool withSecretSeed) const;
    // A client position the server takes: a zone of the World, finite.
    static bool adoptable(const ZonePosition& position);
    void refuseJoin(const NetAddress& sender, const std::string& field) const;
    void writeNameTable(ByteBuffer& out) const;
    void dropMessage(uint32_t type, const NetAddress& sender, const std::string& field) const;

    bool m_active = false;
    std::string m_startError;
    bool m_newWorldOnResume = false;
    uint32_t m_elapsedMs = 0;
    float m_elapsedSeconds = 0.0f;
    uint32_t m_timeToSimulate = 0;
    uint32_t m_accumulator = 0;
    int m_socket = -1;
    NetAddress m_ownAddress;
    std::vector<std::unique_ptr<ClientRecord>> m_clients;
    std::vector<uint32_t> m_newResourceNames;
    std::vector<std::string> m_broadcastCommands;
    std::vector<std::string> m_resourceNames;
    std::vector<ResourceHandle> m_heldResources;
    std::vector<Entity*> m_visibleEntities;
    uint32_t m_stepCount = 0;
    UserVarRef m_pausedVar;
    UserVarRef m_pausedAutoVar;
    bool m_socketOpen = false;
    int m_linkToken = 0;
};
