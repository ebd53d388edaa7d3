#include "main/ProgramHooks.h"

#include "client/ClientHooks.h"
#include "editors/Editor.h"
#include "editors/EditorHooks.h"
#include "engine/app/AppHooks.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/quests/QuestLoaders.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FightingServices.h"
#include "game/world/World.h"
#include "game/world/WorldHooks.h"
#include "graphics/GraphicsHooks.h"
#include "graphics/shaders/ShaderHooks.h"
#include "main/FrameCommands.h"
#include "server/GameStartup.h"
#include "sound/SoundResourceTypes.h"
#include "ui/UiHooks.h"

void installProgramHooks(AppHooks& hooks, bool headless)
{
    registerQuestLoaders();
    registerCovenantLoaders();
    installShaderHooks(hooks);
    registerSkillLoaders();
    registerFightingServices();
    installGameDataHooks(hooks);
    GraphicsSystem::GameLinks graphicsLinks;
    graphicsLinks.tileSize = [] {
        GameData* data = GameData::instance();
        return data ? data->rules().tileSize : 32.0f;
    };
    graphicsLinks.applyGroundDetail = [] {
        if (World* world = World::instance()) {
            world->applyGroundDetail();
        }
        // The area editor's preview level is built from ground cells too.
        if (Editor* editor = Editor::instance()) {
            editor->applyGroundDetail();
        }
    };
    graphicsLinks.gameValues = [] {
        FrameGameValues values;
        if (GameData* data = GameData::instance()) {
            const GameRules& rules = data->rules();
            values.tileSize = rules.tileSize;
            values.gridSize = rules.gridSize;
            values.drawDistance = rules.drawDistance;
            values.fontNames = rules.fontNames;
        }
        return values;
    };
    installGraphicsHooks(hooks, graphicsLinks);
    installServerHooks(hooks);
    installSoundHooks(hooks, headless);
    installClientHooks(hooks);
    installUiHooks(hooks);
    installEditorHooks(hooks);
    installFrameCommands(hooks);

    installWorldHooks(hooks);
}
