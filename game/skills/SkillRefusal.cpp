#include "game/skills/SkillRefusal.h"

#include "engine/core/StringUtil.h"
#include "game/definitions/CharacterClass.h"

namespace {

constexpr const char* kTexts[kSkillRefusalCount] = {"",
                                                    "",
                                                    "Can't use when dead",
                                                    "Don't have skill",
                                                    "Can't use yet",
                                                    "Not enough %s",
                                                    "Need an enemy",
                                                    "Can only use in combat",
                                                    "Out of range",
                                                    "Missing requirement",
                                                    "Blocked from using",
                                                    "Don't meet requirements",
                                                    "Can't see",
                                                    "$$InViewOfEnemies$$"};

} // namespace

std::string getSkillRefusalText(int code, const CharacterClass* userClass)
{
    if (code < 0 || code >= kSkillRefusalCount)
        return "";
    if (code == static_cast<int>(SkillRefusal::NotEnoughPower)) {
        const std::string power = userClass && !userClass->powerName.empty() ? userClass->powerName : "Power";
        return formatString("Not enough %s", power.c_str());
    }
    return kTexts[code];
}
