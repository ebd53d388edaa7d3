#pragma once

#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/net/SocketLayer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/world/FightingServices.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "server/Server.h"
#include "support/TestSupport.h"

#include <memory>

// The systems a server world needs, on the shipped data (or without a
// database): log, events, classes, resources (BoxMan), commands, variables,
// the packet transport, then the Server and the Game.
class TestWorld {
public:
    explicit TestWorld(bool withData = true, bool withGame = true)
        : files(gameDataPath(), temp.path().string())
    {
        log.clear();
        useGameData(resources);
        ModelResource::registerTypes(resources);
        if (withData) {
            database.load(Database::kMasterFile, false);
            // The server makes every joining player a covenant on "Human".
            registerCovenantLoaders();
            startUpGameData(data);
            registerFightingServices();
        }
        registerGameClasses();
        classes.declareAllEvents();
        classes.bindAllHandlers();
        server = std::make_unique<Server>();
        server->registerCommands();
        if (withGame) {
            game = std::make_unique<Game>();
        }
    }
    ~TestWorld()
    {
        game.reset();
        server.reset();
        data.reset();
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }
    TestWorld(const TestWorld&) = delete;
    TestWorld& operator=(const TestWorld&) = delete;

    LogCapture log;
    TempDir temp;
    FileSystem files;
    EventSystem events;
    ClassRegistry classes;
    ResourceSystem resources;
    CommandSystem commands;
    UserVarSystem vars;
    SocketLayer sockets;
    Database database;
    std::unique_ptr<GameData> data;
    std::unique_ptr<Server> server;
    std::unique_ptr<Game> game;
};
