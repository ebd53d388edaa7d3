#pragma once

#include "engine/core/ZoneTopology.h"
#include "engine/data/Database.h"
#include "engine/files/FileSystem.h"
#include "game/definitions/GameData.h"
#include "game/definitions/ItemBase.h"
#include "game/skills/SkillLoaders.h"
#include "support/TestSupport.h"

#include <memory>
#include <string>

// A database made of the given sub-database texts, with the skill loaders
// registered and the game data loaded from it.
class SkillTestData {
public:
    explicit SkillTestData(const std::string& text, const std::string& gameSystem = kGameSystem)
    {
        registerSkillLoaders();
        database.addSubDatabase("GameSystem", "gamesystem.dbl", gameSystem);
        database.addSubDatabase("Test", "test.dbl", text);
        database.resolveBases();
        loaded = startUpGameData(data);
    }
    ~SkillTestData() { release(); }

    static constexpr const char* kGameSystem = R"(
GameSystem {
    MoneyPerSkillPoint 25.0
    WorthHealthChange 1.0
    WorthPowerChange 0.5
    WorthAttributeChange 2.0
    WorthResistanceChange 1.0
    WorthMagicFindChange 1.5
}
ClassWarrior {
    Type Class
    Index 0
    PowerName "Rage"
}
)";

    Database database;
    std::unique_ptr<GameData> data;
    bool loaded = false;

private:
    void release()
    {
        data.reset();
        GameData::loaders().skillDefinitions = {};
        ItemBase::setStatusEffectHooks({});
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }
};

// The shipped data loaded as at start-up, with the skill loaders.
class ShippedSkillData {
public:
    ShippedSkillData() : files(gameDataPath(), temp.path().string())
    {
        // Level-1 lines (the start-up counts) are kept in developer mode only.
        DebugSystem::get().setDeveloper(true);
        log.clear();
        registerSkillLoaders();
        database.load(Database::kMasterFile, false);
        loaded = startUpGameData(data);
    }
    ~ShippedSkillData()
    {
        DebugSystem::get().setDeveloper(false);
        data.reset();
        GameData::loaders().skillDefinitions = {};
        ItemBase::setStatusEffectHooks({});
        ZoneTopology::reset();
        setGrid(1.0f, 1.0f, 0.0f, 0.0f);
    }

    LogCapture log;
    TempDir temp;
    FileSystem files;
    Database database;
    std::unique_ptr<GameData> data;
    bool loaded = false;
};
