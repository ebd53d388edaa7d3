#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/console/UserVarSystem.h"
#include "ui/ClientView.h"
#include "ui/UISystem.h"

// Small reads shared by the widgets' conditions, text sources and stats.

inline ClientView* widgetClientView()
{
    UISystem* ui = UISystem::instance();
    return ui ? ui->getClientView() : nullptr;
}

inline bool boundVarReady(const UserVarRef& var)
{
    return userVarsReady() && var.isValid();
}

// The bound variable's integer value, −1 when it is not ready.
inline int boundVarInt(const UserVarRef& var)
{
    return boundVarReady(var) ? var.getInt() : -1;
}
