#include "graphics/LightingSystem.h"

#include "engine/console/UserVarSystem.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/DebugSystem.h"
#include "engine/data/Database.h"

#include <algorithm>
#include <cmath>

namespace {

void limit(float c[3])
{
    Color colour(c[0], c[1], c[2]);
    Color::limitBrightness(colour);
    c[0] = colour.r;
    c[1] = colour.g;
    c[2] = colour.b;
}

} // namespace

LightingSystem::LightingSystem()
{
    setMaxLights(16);
}

// The entry is read once the database is loaded (the start-up hooks call
// load then), never here: it would report a missing entry on every start.
void LightingSystem::registerVariables()
{
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        m_fullbright = vars->getVar("r_fullbright", "0", UserVarSystem::kCreate);
    }
}

bool LightingSystem::load()
{
    Database* database = Database::instance();
    const DatabaseEntry* entry = database ? database->findEntry("LightingSystem") : nullptr;
    if (!entry) {
        debugPrint(3, "LightingSystem database entry not found!");
        return false;
    }
    m_linearFalloff = database->getInt(entry, "linearFalloff", 0) != 0;
    setTuning(database->getFloat(entry, "falloffMultiplier", 0.0f),
              database->getFloat(entry, "TopSphereColorMult"),
              database->getFloat(entry, "BottomSphereColorMult"),
              database->getFloat(entry, "AmbientSphereColorMult"),
              database->getFloat(entry, "DirectSphereColorMult"));
    return true;
}

void LightingSystem::setTuning(float falloffMultiplier, float top, float bottom, float ambient, float direct)
{
    m_falloffMultiplier = falloffMultiplier;
    m_topMult = top;
    m_bottomMult = bottom;
    m_ambientMult = ambient;
    m_directMult = direct;
}

void LightingSystem::setMaxLights(int n)
{
    n = std::clamp(n, 0, kMaxLightsLimit);
    if (n == m_maxLights) {
        return;
    }
    m_maxLights = n;
    m_lights.resize(static_cast<size_t>(n) + 2);
    // Lights already added this frame never reach past the new list.
    m_count = std::min(m_count, n + 2);
}

bool LightingSystem::isFullbright() const
{
    return m_fullbright.isValid() && m_fullbright.getInt() != 0;
}

void LightingSystem::addLight(const ZonePosition& position, const Color& colour, float radius, int type)
{
    if (m_paused && m_paused()) {
        return;
    }
    if (type == 0) {
        if (m_count >= m_maxLights) {
            return;
        }
    } else {
        if (m_count >= getCapacity()) {
            return;
        }
        if (type == 1) {
            type = 0;
        }
    }
    if (!(radius > 0.0f) && type != 2) {
        return;
    }
    Color none = ColorSystem::getColor(10);
    if (colour.r == none.r && colour.g == none.g && colour.b == none.b) {
        return;
    }
    LightRecord& light = m_lights[static_cast<size_t>(m_count++)];
    light.position = position;
    light.colour[0] = colour.r;
    light.colour[1] = colour.g;
    light.colour[2] = colour.b;
    light.type = type;
    light.radius = radius;
    light.radiusSquared = radius * radius;
    float outer = radius * m_falloffMultiplier;
    light.outerSquared = outer * outer;
}

void LightingSystem::addEntityLight(const EntityLightRecord* entity)
{
    if (!entity) {
        return;
    }
    ZonePosition at(entity->position.zone, entity->position.x + entity->offsetX,
                    entity->position.y + entity->offsetY);
    at.normalize();
    addLight(at, Color(entity->colour[0], entity->colour[1], entity->colour[2]), entity->radius, 0);
}

Color LightingSystem::contribution(const LightRecord& light, const ZonePosition& position) const
{
    if (light.type == 2) {
        return Color(light.colour[0], light.colour[1], light.colour[2]);
    }
    if (light.type != 0) {
        return Color(0, 0, 0);
    }
    Vec2 d = ZonePosition::getOffset(light.position, position);
    float d2 = d.x * d.x + d.y * d.y;
    // Inside the radius first: with a multiplier of 1 or less there is no
    // ramp, only the disc.
    if (d2 < light.radiusSquared) {
        return Color(light.colour[0], light.colour[1], light.colour[2]);
    }
    if (d2 >= light.outerSquared) {
        return Color(0, 0, 0);
    }
    float f = 1.0f - (std::sqrt(d2) - light.radius) / (light.radius * (m_falloffMultiplier - 1.0f));
    return Color(light.colour[0] * f, light.colour[1] * f, light.colour[2] * f);
}

Color LightingSystem::lightAt(const ZonePosition& position) const
{
    if (isFullbright()) {
        return Color(1, 1, 1);
    }
    Color sum(0, 0, 0);
    for (int i = 0; i < m_count; ++i) {
        Color c = contribution(m_lights[static_cast<size_t>(i)], position);
        sum.r += c.r;
        sum.g += c.g;
        sum.b += c.b;
    }
    Color::limitBrightness(sum);
    return sum;
}

void LightingSystem::computeSphereColors(const ZonePosition& position, const Vec2& facing,
                                         float out[6][3]) const
{
    if (isFullbright()) {
        for (int i = 0; i < 6; ++i) {
            out[i][0] = out[i][1] = out[i][2] = 1.0f;
        }
        return;
    }
    for (int i = 0; i < 6; ++i) {
        out[i][0] = out[i][1] = out[i][2] = 0.0f;
    }
    float a = std::atan2(facing.y, facing.x) - kPi / 2.0f;
    Vec2 s0(std::cos(a), std::sin(a));
    const Vec2 sides[4] = {s0, Vec2(-s0.x, -s0.y), facing, Vec2(-facing.x, -facing.y)};
    for (int l = 0; l < m_count; ++l) {
        const LightRecord& light = m_lights[static_cast<size_t>(l)];
        Color c = contribution(light, position);
        Vec2 towards = ZonePosition::getOffset(position, light.position);
        if (towards.x * towards.x + towards.y * towards.y < 64.0f) {
            towards = Vec2(towards.x + facing.x * 8.0f, towards.y + facing.y * 8.0f);
        }
        float length = std::sqrt(towards.x * towards.x + towards.y * towards.y);
        if (length > 0.0f) {
            towards = Vec2(towards.x / length, towards.y / length);
        }
        for (int i = 0; i < 4; ++i) {
            float share = 0.0f;
            if (light.type == 2) {
                share = 1.0f;
            } else {
                float dot = sides[i].x * towards.x + sides[i].y * towards.y;
                if (dot > 0.0f) {
                    share += dot * m_directMult;
                }
                share += m_ambientMult;
            }
            out[i][0] += c.r * share;
            out[i][1] += c.g * share;
            out[i][2] += c.b * share;
        }
    }
    for (int ch = 0; ch < 3; ++ch) {
        out[4][ch] = (out[0][ch] + out[1][ch] + out[2][ch] + out[3][ch]) * m_topMult;
        out[5][ch] = out[4][ch] * m_bottomMult;
    }
    for (int i = 0; i < 6; ++i) {
        limit(out[i]);
    }
}
