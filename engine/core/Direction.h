#pragma once

#include "engine/core/MathUtil.h"

#include <string_view>

// The eight facings. As angles (degrees, counter-clockwise from east, +x):
// North 90, NorthEast 45, East 0, SouthEast -45, South -90, SouthWest -135,
// West 180, NorthWest 135.
enum Direction {
    North = 0,
    NorthEast = 1,
    East = 2,
    SouthEast = 3,
    South = 4,
    SouthWest = 5,
    West = 6,
    NorthWest = 7,
};

constexpr int kDirectionCount = 8;

// Values outside 0..7 wrap around.
const char* directionName(int direction);
// Exact name; -1 when unknown.
int directionFromName(std::string_view name);
float directionToAngle(int direction);

// The direction whose 45-degree sector [centre - 22.5, centre + 22.5) holds the angle.
Direction angleToDirection8(float degrees);
// Components 0, 1 or -1.
Vec2 directionToVector2(int direction);
// One step of the global grid in that direction; diagonals are (±cell, ±cell).
Vec2 directionToVector2Scaled(int direction);
// The yaw rotation facing that direction.
Matrix3 directionToMatrix(int direction);
