#pragma once

#include "client/ClientEditors.h"
#include "client/ClientTextEvents.h"
#include "client/ClientUi.h"
#include "client/ScreenProjection.h"
#include "client/mirrors/EntityClient.h"
#include "engine/console/UserVarRef.h"
#include "engine/core/Singleton.h"
#include "engine/core/ZonePosition.h"
#include "engine/net/NetAddress.h"
#include "engine/object/SafePtr.h"
#include "engine/resources/ResourceHandle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ByteBuffer;
class PlayerClient;
class PlayerCovenantClient;
struct MessageError;
struct StateMessage;

// The client side of the one-process game: joins the in-process server
// through messages 0, 2, 4 and 5, sends one input message per joined frame
// with the queued command lines, reads the server's state messages, keeps
// the server's resource-name table, decides whether the game is paused and
// routes key and mouse-button events.
class Client : public Singleton<Client> {
public:
    struct ResourceName {
        ResourceHandle handle;
        std::string name;
    };
    using KeyHook = std::function<void(int key, bool down, bool repeat)>;
    using ButtonHook = std::function<void(int button, bool down, int x, int y)>;
    using FrameRenderer = std::function<void(double seconds)>;

    // A join that has no answer after this long is logged once.
    static constexpr float kJoinAnswerSeconds = 5.0f;
    // m_maxThreshold is taken in megabytes up to this.
    static constexpr int kMaxThresholdMegabytes = 2000;
    // The resource-name table holds at most this many bytes of names; a name
    // that would pass it is refused (and logged), the slot keeps what it had.
    static constexpr size_t kMaxResourceNameBytes = size_t(4) << 20;

    Client();
    ~Client();

    // Commands and user variables; sets the memory threshold.
    void registerCommands();
    void shutdown();

    // Frame steps (profiler sections ClientUpdate, ClientThink, ClientDraw).
    void update();
    void think(double seconds);
    void draw(double seconds);
    // The frame's per-entity 3D pass: the local player's mirror first, then
    // every other mirror of numbers 0 … 999.
    void drawEntities();
    // The overlay pass: the same walk drawing the numbers and bars over
    // entities, while joined and the mouse is not over a menu.
    void drawOverheadTexts();
    // The pause banner and the position line of this frame.
    void addFrameTexts();
    // Draws the frame inside draw (until the graphics system renders it).
    void setFrameRenderer(FrameRenderer renderer) { m_frameRenderer = std::move(renderer); }

    // Starting and ending a game. A character file that exists but is
    // refused starts nothing, new game or not (the loader logged why).
    bool startGame(bool resume);
    bool wasCharacterFileRefused() const { return m_characterFileRefused; }
    // Opens the endpoint (until that worked once) and sends the hello; false
    // when the endpoint cannot be opened.
    bool connect();
    // Ends the game: the mirrors go, the pause is lifted and the on-screen
    // texts are cleared.
    void endGame();
    // The covenant's stash, the character's history, file and map, and the
    // statistics; false when one of them could not be written, which fails
    // the open save set too. Callers that save the world too make both one
    // save (SaveSet), after catchUpWithServer.
    bool saveGameState();
    // The mirrors hear of the commands the server ran this frame and of its
    // last step only with its next state message, while the world is saved
    // from the server's own state: before a save the server sends its state
    // now and the client reads it, so the client's files and the world are of
    // one step. Nothing without a server in this process (set by the hooks).
    void catchUpWithServer();
    void setServerStateSender(std::function<void()> sender) { m_serverStateSender = std::move(sender); }
    // True while the waiting messages are read: the mirrors hold only part of
    // the newest state until the last of them is read.
    bool isReadingMessages() const { return m_readingMessages; }

    // Messages.
    void sendHello();
    void sendInput();
    // The action and target message 1 carries (target -1 for none; the
    // current covenant for an action the interface forces).
    void getInputAction(int& action, int& target) const;
    void dispatchMessage(ByteBuffer& message, const NetAddress& sender);
    void joinServer(ByteBuffer& message, const NetAddress& sender);
    void onJoinAccepted(ByteBuffer& message);
    void readStateUpdate(ByteBuffer& message);
    void onNewWorld(ByteBuffer& message);
    void writeQueuedCommands(ByteBuffer& out) const;
    void queueServerCommand(const std::string& line);

    // Queries.
    bool isPaused() const;
    bool isJoined() const { return m_joined; }
    bool isConnected() const { return m_connected; }
    bool isStartupDone() const { return m_startupDone; }
    void setStartupDone() { m_startupDone = true; }
    int getPlayerZone() const { return m_playerZone; }
    // The local player's entity number; -1 without a player mirror.
    int getPlayerSlot() const;
    bool hasLocalPlayer() const { return m_player != nullptr; }
    int getPlayerCovenantIndex() const;
    PlayerClient* getLocalPlayer() const { return m_player.get(); }
    PlayerCovenantClient* getPlayerCovenant() const { return m_covenant.get(); }
    // The live target of the local player, none without one.
    // The live target; with the flag, the auto-attack entity while the action is auto-attack.
    EntityClient* getTargetEntity(bool allowAutoAttack = false) const;
    EntityClient* getPlayerEntity() const;
    // The mirror of party member i (place i of the local player's party
    // list); none without a player or outside the list.
    EntityClient* getEntityByIndex(int index) const;
    // The "Index" of the "Class" entry that PlayerClass names; 0 when none.
    static uint32_t chosenClassIndex();
    // The class the interface was last told of.
    int getKnownClass() const { return m_knownClass; }
    void setKnownClass(int classId) { m_knownClass = classId; }
    // What the client asks of the interface (hooks installed by the menus).
    ClientUi& getUi() { return m_ui; }
    const ClientUi& getUi() const { return m_ui; }
    // What the client asks of the editors (hooks installed by them).
    ClientEditors& getEditors() { return m_editors; }
    // Zone -1 at (0, 0) without a joined player or while the area editor is shown.
    ZonePosition getPlayerPosition() const;
    // Entry i of the resource-name table; empty for an index outside it.
    const std::string& getResourceName(int index) const;
    const std::vector<ResourceName>& getResourceNames() const { return m_resourceNames; }
    const std::vector<std::string>& getQueuedCommands() const { return m_outgoing; }
    const NetAddress& getServerAddress() const { return m_serverAddress; }
    // Messages refused as malformed since start.
    unsigned getDroppedCount() const { return m_droppedMessages; }
    void setAutoPause();
    // An interface sound: a free channel, no position, owned by the local
    // player's entity number; nothing without sound or a valid handle.
    void playInterfaceSound(const ResourceHandle& handle) const;
    // A mirror made by the game state: the one of the player's number
    // becomes the local player's server mirror.
    void onNewEntity(EntityClient& entity);
    // A help topic offered through the local player mirror (none without it).
    void showHelpTopic(const std::string& name);
    // Texts of this kind make the message log kept with the character.
    static constexpr int kMessageLogKind = 4;
    const std::vector<std::string>& getMessageLog() const { return m_messageLog; }
    void clearMessageLog() { m_messageLog.clear(); }
    // A started character's log from its file: the texts on screen go, and
    // its lines come back at the log's place, already fading, before any
    // line of the game that starts.
    void restoreMessageLog(const std::vector<std::string>& lines);
    // On-screen texts go to the installed sink; without one they are dropped.
    void setTextEventSink(ClientTextEventSink sink) { m_textSink = std::move(sink); }
    // What takes every on-screen text away again (a game's end).
    void setTextEventClear(std::function<void()> clear) { m_textClear = std::move(clear); }
    void addTextEvent(const std::string& text, float x, float y, float lifetime, int kind, bool centred,
                      bool alwaysNew) const
    {
        if (kind == kMessageLogKind) {
            m_messageLog.push_back(text);
        }
        if (m_textSink) {
            m_textSink(ClientTextEvent{text, x, y, lifetime, kind, centred, alwaysNew});
        }
    }

    // Event routing.
    void onKeyPress(int key, bool down, bool repeat);
    void onButtonPress(int button, bool down, int x, int y);
    void setKeyHook(KeyHook hook) { m_keyHook = std::move(hook); }
    bool hasKeyHook() const { return static_cast<bool>(m_keyHook); }
    void setButtonHook(ButtonHook hook) { m_buttonHook = std::move(hook); }
    // Every button event to `hook` alone, or back to the game with nullptr;
    // nothing happens without a client.
    static void captureButtons(ButtonHook hook)
    {
        if (Client* client = instance())
            client->setButtonHook(std::move(hook));
    }

    // Projection and picking. The frame renderer hands over its view each
    // frame; a value that is not finite or not above 0 is not taken.
    void setViewParameters(const ViewParameters& view);
    const ViewParameters& getViewParameters() const { return m_view; }
    // The local player's position while joined, else zone -1 at (0, 0).
    ZonePosition getCameraCentre() const { return getPlayerPosition(); }
    ScreenProjection getProjection() const { return ScreenProjection(getCameraCentre(), m_view); }
    Vec2 worldToScreen(const ZonePosition& position, bool applyZoom) const;
    Vec2 screenPositionOf(const ZonePosition& position, float height) const;
    Vec2 screenToWorldOffset(float x, float y, bool applyZoom) const;
    ZonePosition screenToWorld(float x, float y, bool flag = true) const;
    ZonePosition screenToWorldFrom(const ZonePosition& position, float x, float y) const;
    ScreenRect getEntityScreenRect(const EntityClient& entity) const;
    // None while not joined.
    EntityClient* pickEntity(float x, float y, const EntityClient* excluded) const;
    void updateHoverEntity();
    EntityClient* getHoverEntity() const { return m_hoverEntity.get(); }
    bool isThemePlaying() const { return m_themePlaying; }

private:
    // "paused" and "pausedAuto" both "0".
    void clearPause();
    void receiveMessages();
    void applyResourceNames(const std::vector<struct ResourceNameEntry>& names);
    void executeServerCommands(const std::vector<std::string>& lines);
    void applyPositionalSounds(const StateMessage& state);
    void dropMessage(uint32_t type, const MessageError& error) const;
    void applyMemoryThreshold();
    void checkJoinAnswer(double seconds);
    // Starts the theme while it is wanted (not joined) and stops it after.
    void updateThemeMusic();
    // The world takes message 5's or 6's variant and seeds; it is rebuilt
    // only when not built or built from another seed.
    // True when the World was loaded anew for these values.
    bool applyWorldValues(uint32_t worldSize, uint32_t layoutSeed, uint32_t secretSeed);

    std::vector<ResourceName> m_resourceNames;
    size_t m_resourceNameBytes = 0;
    bool m_joined = false;
    // The local mirror stands where the server placed the player once its
    // server mirror has been seen; until then message 1 sends no position.
    bool m_playerPlaced = false;
    bool m_connected = false;
    bool m_readingMessages = false;
    // A state message has been read since the last join.
    bool m_stateSinceJoin = false;
    std::function<void()> m_serverStateSender;
    int m_playerZone = -1;
    std::vector<std::string> m_outgoing;
    int m_endpoint = -1;
    NetAddress m_ownAddress;
    NetAddress m_serverAddress;
    NetAddress m_queryAddress;
    ButtonHook m_buttonHook;
    KeyHook m_keyHook;
    SafePtr<EntityClient> m_hoverEntity;
    UserVarRef m_showEntnums;
    UserVarRef m_showPlayerPosition;
    UserVarRef m_pausedAuto;
    UserVarRef m_paused;
    UserVarRef m_pauseWhenInactive;
    UserVarRef m_maxThreshold;
    bool m_endpointsReady = false;
    ResourceHandle m_themeMusic;
    bool m_themePlaying = false;
    bool m_startupDone = false;

    FrameRenderer m_frameRenderer;
    ClientTextEventSink m_textSink;
    std::function<void()> m_textClear;
    ViewParameters m_view;
    // Seconds since the hello while connected and not joined; the missing
    // answer is logged once per connect.
    double m_sinceHello = 0.0;
    bool m_noAnswerLogged = false;
    mutable unsigned m_droppedMessages = 0;

    std::unique_ptr<PlayerCovenantClient> m_covenant;
    std::unique_ptr<PlayerClient> m_player;
    ClientUi m_ui;
    ClientEditors m_editors;
    int m_knownClass = -1;
    bool m_characterFileRefused = false;
    mutable std::vector<std::string> m_messageLog;
};
