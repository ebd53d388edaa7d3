#pragma once

// The hooks the headless program installs for the game's server side, in the
// program's order, for end-to-end tests that start the real application.
#include "engine/app/AppHooks.h"
#include "game/covenants/CovenantLoaders.h"
#include "game/definitions/GameData.h"
#include "game/quests/QuestLoaders.h"
#include "game/skills/SkillLoaders.h"
#include "game/world/FightingServices.h"
#include "game/world/WorldHooks.h"
#include "graphics/shaders/ShaderHooks.h"
#include "server/GameStartup.h"

inline void installServerSideHooks(AppHooks& hooks)
{
    registerQuestLoaders();
    registerCovenantLoaders();
    installShaderHooks(hooks);
    registerSkillLoaders();
    registerFightingServices();
    installGameDataHooks(hooks);
    installServerHooks(hooks);
    installWorldHooks(hooks);
}
