#pragma once

// The two editors on the shipped data and menus, without a window: the
// interface on its fakes, files read through the file system (the user
// directory's "Levels" and "Models" first) and written into the user
// directory as the program does.
#include "support/UITestBench.h"

#include "editors/Editor.h"
#include "editors/ModelEditor.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelResource.h"
#include "game/definitions/GameData.h"
#include "game/world/AreaResource.h"
#include "graphics/shaders/ShaderSystem.h"

#include <memory>
#include <string>
#include <vector>

struct EditorBench {
    EditorBench() : files(gameDataPath(), user.path().string())
    {
        files.mountGeneratedDirectory(generatedDataPath());
        database.load(Database::kMasterFile, false);
        startUpGameData(data);
        bench.resources.readThroughFileSystem(&files);
        bench.resources.setFileWriter([this](const std::string& name, const std::string& contents) {
            File* file = files.open(name, true, false, true, true);
            if (!file) {
                return false;
            }
            const bool written = files.write(file, contents);
            return files.close(file) && written;
        });
        ModelResource::registerTypes(bench.resources);
        shaders.registerCommands();
        shaders.loadAll();
        registerAreaResourceType(bench.resources);
        bench.keys.declareAction("gameMenu", 1, false, "");
        bench.ui.registerCommands();
        bench.ui.loadMenus(false);
        editor.registerCommands();
        editor.start();
        models.registerCommands();
        models.start();
    }
    ~EditorBench()
    {
        bench.resources.stopLoader();
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }

    // A line as the menus issue it (internal-only commands allowed).
    void run(const std::string& line) { executeCommandLine(line); }
    void set(const std::string& name, const std::string& value) { bench.vars.setVar(name, value); }
    std::string var(const std::string& name) { return bench.vars.getVar(name, "", 0).getString(); }
    std::vector<std::string> listed(const std::string& provider)
    {
        std::vector<ListEntry> rows;
        bench.commands.callListFunction(provider, rows);
        std::vector<std::string> names;
        for (const ListEntry& row : rows) {
            names.push_back(row.name);
        }
        return names;
    }
    bool onStack(const char* menu) { return bench.ui.isOnMenuStack(bench.ui.findMenu(menu)); }

    TempDir user;
    FileSystem files;
    Database database;
    UITestBench bench;
    ShaderSystem shaders;
    std::unique_ptr<GameData> data;
    Editor editor;
    ModelEditor models;
};
