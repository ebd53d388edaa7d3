#pragma once

#include "engine/console/UserVarRef.h"
#include "engine/core/Color.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Singleton.h"
#include "graphics/LightRecord.h"

#include <functional>
#include <vector>

// The frame's lights: collected anew every frame (the world's placed
// models, entities, effects), asked how much light falls on a point, and
// turned into six directional colours that light an entity's model by the
// direction of each normal.
class LightingSystem : public Singleton<LightingSystem> {
public:
    static constexpr int kMaxLightsLimit = 256;

    LightingSystem();

    // Reads the tuning and registers `r_fullbright`.
    void registerVariables();
    // The database entry "LightingSystem"; false (with a line) when missing.
    bool load();
    void setTuning(float falloffMultiplier, float top, float bottom, float ambient, float direct);
    float getFalloffMultiplier() const { return m_falloffMultiplier; }

    // Limit of point lights a frame (clamped to 0..256); two more slots take
    // only lights of type 1 or 2.
    void setMaxLights(int n);
    int getMaxLights() const { return m_maxLights; }
    int getCapacity() const { return static_cast<int>(m_lights.size()); }
    // The client's per-frame step (not while paused).
    void beginFrame() { m_count = 0; }
    // While it answers true no light is added (the last frame's list stays).
    void setPausedQuery(std::function<bool()> paused) { m_paused = std::move(paused); }

    void addLight(const ZonePosition& position, const Color& colour, float radius, int type);
    void addEntityLight(const EntityLightRecord* entity);
    int getCount() const { return m_count; }
    const LightRecord& getLight(int index) const { return m_lights[static_cast<size_t>(index)]; }

    Color lightAt(const ZonePosition& position) const;
    // Six colours: right of the facing, left, front, back, top, bottom.
    void computeSphereColors(const ZonePosition& position, const Vec2& facing, float out[6][3]) const;
    bool isFullbright() const;

private:
    Color contribution(const LightRecord& light, const ZonePosition& position) const;

    std::vector<LightRecord> m_lights;
    int m_count = 0;
    int m_maxLights = -1;
    bool m_linearFalloff = false;
    float m_falloffMultiplier = 0.0f;
    float m_topMult = 0.0f, m_bottomMult = 0.0f, m_ambientMult = 0.0f, m_directMult = 0.0f;
    UserVarRef m_fullbright;
    std::function<bool()> m_paused;
};
