#pragma once

#include <string>

class CovenantBase;

// The definition's colour code, the display name, then the pop code
// "^c145"; "" for no covenant.
std::string coloredName(const CovenantBase* covenant);
