#include "engine/console/UserVarRef.h"

#include "engine/console/UserVar.h"
#include "engine/core/DebugSystem.h"

bool UserVarRef::check() const
{
    if (m_var) {
        return true;
    }
    debugPrint(3, "Trying to reference a userVar before it has been set up!\n");
    return false;
}

const std::string& UserVarRef::getString() const
{
    static const std::string empty;
    return check() ? m_var->getString() : empty;
}

int UserVarRef::getInt() const
{
    return check() ? m_var->getInt() : 0;
}

float UserVarRef::getFloat() const
{
    return check() ? m_var->getFloat() : 0.0f;
}

bool UserVarRef::getBool() const
{
    return check() ? m_var->getBool() : false;
}

void UserVarRef::setString(const std::string& text) const
{
    if (check()) {
        m_var->setValue(text);
    }
}

bool UserVarRef::hasChanged() const
{
    return check() ? m_var->hasChanged() : false;
}

void UserVarRef::clearChanged() const
{
    if (check()) {
        m_var->clearChanged();
    }
}
