#include "game/definitions/GameBase.h"

namespace {
GameBase* g_serverGameBase = nullptr;
}

GameBase* getServerGameBase()
{
    return g_serverGameBase;
}

void setServerGameBase(GameBase* base)
{
    g_serverGameBase = base;
}
