#pragma once

class MonsterType;

// One monster type of a multi-target quest and how many of it are counted.
struct QuestTarget {
    int count = 0;  // monsters counted so far
    int needed = 0; // monsters the goal asks for
    MonsterType* monsterType = nullptr;
    int rank = 0; // MonsterRarity: 0 normal, 5 unique, 6 legend
};
