#pragma once

#include <cstdint>
#include <string>

// The names under which the player sees monsters and NPCs: rank words,
// the descriptions of the statistics pages and exports. They only format.

// Colour code that ends a coloured stretch.
constexpr int kColorCodePop = 145;

// The rank part of a hover text: the rarity colour, then by the flags the
// monster name with "Elite " / " Champion", or "lvl %d" and the rank word.
void getMonsterRankText(std::string& out, int rarity, int level, const std::string& monsterName, bool flagA,
                        bool flagB, bool flagC);

// A monster record word (low byte level, second rarity, third the player's
// level) of a monster type's entry: "None" for an unknown entry.
std::string formatMonsterDescription(int entryId, uint32_t record, bool withPlayerLevel);

// "st", "nd", "rd" or "th" for a level; 11, 12 and 13 (also 111, 212 …) take "th".
const char* levelSuffix(int level);
