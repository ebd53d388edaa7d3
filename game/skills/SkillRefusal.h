#pragma once

#include <string>

class CharacterClass;

// Why a skill use is refused. The runtime skill decides codes 1–4, 10, 12 and
// 13; the definition's check decides 5–9 and 11. Server and client show the
// same texts.
enum class SkillRefusal : int {
    None = 0,
    Silent = 1,
    Dead = 2,
    NotOwned = 3,
    NotReady = 4,
    NotEnoughPower = 5,
    NeedsEnemy = 6,
    CombatOnly = 7,
    OutOfRange = 8,
    MissingState = 9,
    Blocked = 10,
    Equipment = 11,
    CantSee = 12,
    SeenByEnemies = 13
};
constexpr int kSkillRefusalCount = 14;

// The message of a refusal code; "" for 0, 1 and codes outside the table.
// "Not enough %s" takes the class's power name ("Power" without a class).
std::string getSkillRefusalText(int code, const CharacterClass* userClass);
