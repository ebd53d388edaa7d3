#include "engine/core/Direction.h"

#include <cmath>

namespace {

const char* const kNames[kDirectionCount] = {"North", "NorthEast", "East", "SouthEast",
                                             "South", "SouthWest", "West", "NorthWest"};
const int kSteps[kDirectionCount][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};

int wrap(int direction)
{
    return ((direction % kDirectionCount) + kDirectionCount) % kDirectionCount;
}

} // namespace

const char* directionName(int direction)
{
    return kNames[wrap(direction)];
}

int directionFromName(std::string_view name)
{
    for (int i = 0; i < kDirectionCount; ++i) {
        if (name == kNames[i]) {
            return i;
        }
    }
    return -1;
}

float directionToAngle(int direction)
{
    float angle = 90.0f - 45.0f * static_cast<float>(wrap(direction));
    return angle <= -180.0f ? angle + 360.0f : angle;
}

Direction angleToDirection8(float degrees)
{
    if (!std::isfinite(degrees)) {
        return East;
    }
    double a = std::fmod(static_cast<double>(degrees), 360.0);
    if (a < 0.0) {
        a += 360.0;
    }
    // Sector 0 is East, counting counter-clockwise.
    int sector = static_cast<int>(std::floor((a + 22.5) / 45.0)) % kDirectionCount;
    return static_cast<Direction>(wrap(2 - sector));
}

Vec2 directionToVector2(int direction)
{
    const int* s = kSteps[wrap(direction)];
    return {static_cast<float>(s[0]), static_cast<float>(s[1])};
}

Vec2 directionToVector2Scaled(int direction)
{
    const int* s = kSteps[wrap(direction)];
    const GridSettings& grid = getGrid();
    return {static_cast<float>(s[0]) * grid.cellWidth, static_cast<float>(s[1]) * grid.cellHeight};
}

Matrix3 directionToMatrix(int direction)
{
    return eulerToMatrix(directionToAngle(direction), 0.0f, 0.0f);
}
