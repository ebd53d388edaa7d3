#pragma once

// data/ and the generated content with a client joined to a server that is
// only an address, for the client benchmarks. Header-only: every
// bench_*.cpp is a program of its own.
#include "bench/BenchSupport.h"
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/input/Input.h"
#include "engine/net/SocketLayer.h"
#include "engine/object/ClassRegistry.h"
#include "engine/object/EventSystem.h"
#include "engine/resources/ModelResource.h"
#include "engine/resources/ResourceSystem.h"
#include "game/definitions/GameData.h"
#include "tests/support/ClientMessageBytes.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

struct BenchClient {
    // A playing client also has the game data, the class registry and the
    // input (the local player's questions read them); a bare one reads only
    // what the messages bring.
    BenchClient(const std::string& userDirName, bool playing)
        : userDir(benchTempDir(userDirName).string()), files(GLOAM_DATA_DIR, userDir)
    {
        if (playing) {
            events.emplace();
            classes.emplace();
            input.emplace();
        }
        files.mountGeneratedDirectory(GLOAM_GENERATED_DATA_DIR);
        resources.readThroughFileSystem(&files);
        ModelResource::registerTypes(resources);
        resources.startLoader();
        database.load(Database::kMasterFile, false);
        if (playing) {
            startUpGameData(data);
        }
        client.registerCommands();
        GameClient::registerCommands();
        ByteBuffer joined = ClientMessageBytes::joined(0);
        ByteBuffer in(joined.bytes());
        client.dispatchMessage(in, server);
    }
    ~BenchClient()
    {
        GameClient::destroy();
        resources.stopLoader();
        std::filesystem::remove_all(userDir);
    }
    BenchClient(const BenchClient&) = delete;
    BenchClient& operator=(const BenchClient&) = delete;

    std::string userDir;
    DebugSystem debug;
    FileSystem files;
    ResourceSystem resources;
    std::optional<EventSystem> events;
    std::optional<ClassRegistry> classes;
    Database database;
    std::unique_ptr<GameData> data;
    CommandSystem commands;
    UserVarSystem vars;
    SocketLayer sockets;
    std::optional<Input> input;
    Client client;
    NetAddress server;
};
