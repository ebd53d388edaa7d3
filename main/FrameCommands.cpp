#include "main/FrameCommands.h"

#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/app/AppHooks.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameEnums.h"
#include "graphics/GraphicsSystem.h"
#include "server/Server.h"

#include <string>

namespace {

UserVarRef userVar(const char* name, const char* defaultText)
{
    UserVarSystem* vars = UserVarSystem::instance();
    return vars ? vars->getVar(name, defaultText, UserVarSystem::kCreate) : UserVarRef();
}

// The names end up in file names, command lines and text keys as typed.
bool namesAreValid()
{
    std::string player = getUserVarString("PlayerName");
    if (!FileSystem::isValidUserName(player)) {
        debugPrint(2, "start: PlayerName \"%s\" must have 1 to 20 letters, digits, blanks, '-' or '''\n",
                   player.c_str());
        return false;
    }
    std::string covenant = getUserVarString("CovenantName");
    if (!covenant.empty() && !FileSystem::isValidUserName(covenant)) {
        debugPrint(2, "start: CovenantName \"%s\" must have 1 to 20 letters, digits, blanks, '-' or '''\n",
                   covenant.c_str());
        return false;
    }
    return true;
}

void start(const CommandArgs& args)
{
    std::string mode = args.size() > 0 && !args[0].empty() ? args[0] : "both";
    std::string resumeText = args.size() > 1 && !args[1].empty() ? args[1] : "0";
    if (mode != "both" && mode != "client") {
        debugPrint(2, "start: mode \"%s\" is neither \"both\" nor \"client\"\n", mode.c_str());
        return;
    }
    if (resumeText != "0" && resumeText != "1") {
        debugPrint(2, "start: resume \"%s\" is neither 1 nor 0\n", resumeText.c_str());
        return;
    }
    bool resume = resumeText == "1";
    Client* client = Client::instance();
    if (!client || !namesAreValid()) {
        return;
    }
    // The busy cursor while the game starts.
    if (GraphicsSystem* graphics = GraphicsSystem::instance();
        graphics && graphics->getFrameHooks().setCursor) {
        graphics->getFrameHooks().setCursor(7);
    }
    // A save that could not finish in this run is finished before its
    // files are read.
    if (FileSystem* files = FileSystem::instance()) {
        files->recoverSaveSet();
    }
    if (!client->startGame(resume)) {
        // A damaged file was named by its loader; the file stays.
        if (!client->wasCharacterFileRefused()) {
            debugPrint(2, "Cannot resume %s: its character file cannot be read\n",
                       getUserVarString("PlayerName").c_str());
            userVar("resumeGameChar", "").setString("");
        }
        return;
    }
    if (mode == "both") {
        if (Server* server = Server::instance()) {
            int covenantDifficulty =
                static_cast<int>(parseCovenantDifficultyLevel(getUserVarString("CovenantDifficultyLevel")));
            int worldDifficulty =
                static_cast<int>(parseWorldDifficultyLevel(getUserVarString("WorldDifficultyLevel")));
            if (!server->start(resume, getUserVarInt("StartingLevel"), covenantDifficulty, worldDifficulty,
                               getUserVarInt("NumAiCovenants"))) {
                // The damaged world file stays as it is; the game ends here.
                debugPrint(2, "Cannot resume %s: %s\n", getUserVarString("PlayerName").c_str(),
                           server->getStartError().c_str());
                client->endGame();
                return;
            }
        }
    }
    if (!client->connect()) {
        debugPrint(2, "start: the client cannot open its port %u\n", static_cast<unsigned>(kClientPort));
        return;
    }
    client->getUi().switchToGameMenus();
    if (Server* server = Server::instance(); server && mode == "both" && server->madeNewWorldOnResume()) {
        if (GameClient* game = GameClient::instance()) {
            game->showNotice(formatString("No saved world was found for %s: a new world was made.",
                                          getUserVarString("PlayerName").c_str()));
        }
    }
    // The main menu's Continue resumes the character last played.
    userVar("resumeGameChar", "").setString(getUserVarString("PlayerName"));
}

void resumeGame()
{
    std::string character = getUserVarString("resumeGameChar");
    if (character.empty()) {
        debugPrint(2, "resumeGame: there is no character to resume\n");
        return;
    }
    userVar("PlayerName", "").setString(character);
    executeCommandLine("start both 1");
    userVar("paused", "0").setString("0");
    userVar("pausedAuto", "0").setString("0");
}

} // namespace

void installFrameCommands(AppHooks& hooks)
{
    hooks.start = [](const CommandArgs& args) { start(args); };
    hooks.resumeGame = [](const CommandArgs&) { resumeGame(); };
    hooks.saveBeforeQuit = [] {
        Client* client = Client::instance();
        GameClient* game = GameClient::instance();
        // Out of a game, or amid the client's messages, the end of the
        // loop saves what there is.
        if (!client || !game || !client->isJoined() || client->isReadingMessages()) {
            return QuitSave::NotInGame;
        }
        return game->saveForQuit() ? QuitSave::Saved : QuitSave::Refused;
    };
    std::function<void()> saveServerGame = hooks.saveServerGame;
    hooks.saveAndExit = [saveServerGame](const CommandArgs&) {
        Client* client = Client::instance();
        if (GameClient* game = GameClient::instance(); game && client) {
            // A save that could not be made keeps the player in the game,
            // told so, with the last save whole.
            if (!game->saveGame()) {
                return;
            }
        } else if (saveServerGame) {
            saveServerGame();
        }
        if (client) {
            client->endGame();
        }
        if (Server* server = Server::instance()) {
            server->reset();
        }
        // Out of the game the player is back at the start: the main menu.
        if (client) {
            client->getUi().hideMenus();
            client->getUi().show("Main");
        }
    };
}
