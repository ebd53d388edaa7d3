#pragma once

#include <string_view>

struct EnumNameTable;

// How the levels of an area are laid out: filled grids ("Normal"), grown
// caves and dungeons.
enum class RandomGenerator : int { Normal = 0, Cave = 1, Dungeon = 2 };

// The table "RandomGenerator" ("Normal" is the default).
const EnumNameTable& randomGeneratorTable();
// Index of a generator name without regard to case; an unknown name logs
// "Unknown RandomGenerator name …" and gives "Normal".
int lookupRandomGenerator(std::string_view name);
