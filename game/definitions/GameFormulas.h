#pragma once

#include "game/definitions/GameEnums.h"

#include <cstdint>
#include <string>
#include <vector>

class MonsterType;
struct GameRules;

// Rule formulas over the "GameSystem" record of the running GameData (the
// record's defaults when none exists). docs/formats.md "Rules" gives each one.

// Experience needed to pass a level: ceil(BaseXpNeededEachLevel × the
// "XpMultEachLevel%d" factors of levels 2 … min(level, MaxLevel)).
int xpNeededForLevel(int level);
// Product of the per-level factors of levels b + 1 … a; 1.0 when a <= b.
float experienceMultiplierBetweenLevels(int a, int b);

// (MinDamage + MaxDamage) / (2 × AttackSpeed / 1000); 0 when either damage is
// below 1 or the attack time is not positive.
float damagePerSecond(int minDamage, int maxDamage, int attackSpeedMs);
// The same read from a character stat list (missing stats count as 0).
float damagePerSecond(const std::vector<int32_t>& stats);

// clamp((a − b) × 0.05 + 0.5, 0, 1).
float levelDifferenceChance(int a, int b);

// Chance that an attack value hits a defence value (negative values count as 0).
float computeHitChance(float attack, float defence);

// The most armour or a resistance takes off one blow (absorption is uniform
// between this times the rules' minimum percent and this).
float armorAbsorbLimit(const GameRules& rules, float armor);
float resistanceAbsorbLimit(const GameRules& rules, float resistance, bool overTime);

// ResistancePhysical + type; None and a log line for other values.
CharacterStat damageTypeToStat(int damageType);
// The damage type of a resistance stat; -1 for any other stat.
int statToDamageType(int stat);

// Sell factor for a price: MaxSellPercent at 0 falling linearly to
// MinSellPercent at MinSellPercentPrice and beyond.
float lerpByLevel(float price);

// Monster records in statistics lists: two entries, the monster type's entry id
// (-1 for none) and a word with the monster level in the low byte, its rarity
// in the second and the player's level in the third.
int32_t packMonsterRecordInfo(int monsterLevel, int rarity, int playerLevel);
void storeMonsterRecord(std::vector<int32_t>& values, int index, const MonsterType* type, int monsterLevel,
                        int rarity, int playerLevel);
// Experience value of a monster type at a level and rarity (the amount a kill
// passes to the experience award, before the 100 × level-factor scaling).
float monsterExperienceValue(const MonsterType* type, int monsterLevel, int rarity);
// Experience that the recorded monster gave (at player level) or would give a
// level-1 character; 0 when the entry id is -1, unknown, or the index is out of range.
int monsterExperienceFromRecord(const std::vector<int32_t>& values, int index, bool atPlayerLevel);
// Display name of the monster type with that entry id; "" when none.
std::string getMonsterTypeName(int32_t entryId, bool atPlayerLevel);
