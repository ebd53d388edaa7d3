#pragma once

#include "engine/core/Singleton.h"
#include "graphics/effects/BeamInstance.h"
#include "graphics/effects/EffectHost.h"
#include "graphics/effects/EffectInstance.h"
#include "graphics/effects/Particle.h"
#include "graphics/effects/SwipeInstance.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

class RenderQueue;

// The client's visual effects: particle effects, beams and swipe trails that
// the entity mirrors ask for. Every object comes from a free list and goes
// back to it; nothing is freed while the game runs. Main thread only.
class EffectSystem : public Singleton<EffectSystem> {
public:
    // The longest frame effects are advanced by.
    static constexpr float kMaxFrameSeconds = 0.25f;
    static constexpr int kRandomStream = 4;

    EffectSystem();
    ~EffectSystem();

    void setEnvironment(EffectEnvironment environment) { m_environment = std::move(environment); }
    const EffectEnvironment& getEnvironment() const { return m_environment; }

    // The instance of this host, effect and attach point, made when there is
    // none; its active flag is the caller's. Null without a host.
    EffectInstance* spawnEffect(EffectHost* host, const std::string& name, const std::string& attachPoint);
    BeamInstance* startBeam(EffectHost* host, const std::string& name, const std::string& attachPoint);
    void stopBeam(EffectHost* host, const std::string& name, const std::string& attachPoint);
    // An empty location is the host's own model; otherwise the tags are
    // those of the model worn there.
    SwipeInstance* startSwipe(EffectHost* host, const std::string& location, const std::string& name,
                              const std::string& pointA, const std::string& pointB);
    void stopSwipe(EffectHost* host, const std::string& location, const std::string& name,
                   const std::string& pointA, const std::string& pointB);
    SwipeInstance* startParticleSwipe(EffectHost* host, const std::string& name, Particle* particle);
    // The swipe following that particle stops and forgets it.
    void stopParticleSwipe(EffectHost* host, const std::string& name, const Particle* particle);

    void update(float seconds);
    // Queues every effect, then every beam, then every swipe.
    void draw(RenderQueue& queue) const;

    Particle* takeParticle();
    void freeParticle(Particle* particle);

    const std::vector<EffectInstance*>& getEffects() const { return m_effects; }
    const std::vector<BeamInstance*>& getBeams() const { return m_beams; }
    const std::vector<SwipeInstance*>& getSwipes() const { return m_swipes; }
    size_t getFreeParticleCount() const { return m_freeParticles.size(); }
    size_t getFreeBeamCount() const { return m_freeBeams.size(); }

private:
    // Resolves a swipe's location and attach points; false (with one line
    // per model and name) for a location that is none.
    bool resolveSwipe(EffectHost* host, const std::string& location, const std::string& pointA,
                      const std::string& pointB, int& slot, int& a, int& b);
    SwipeInstance* findSwipe(EffectHost* host, int slot, int a, int b, const std::string& name) const;
    template <class T> T* take(std::vector<T*>& freeList, std::vector<std::unique_ptr<T>>& storage);

    EffectEnvironment m_environment;
    std::vector<EffectInstance*> m_effects;
    std::vector<BeamInstance*> m_beams;
    std::vector<SwipeInstance*> m_swipes;
    std::vector<EffectInstance*> m_freeEffects;
    std::vector<Particle*> m_freeParticles;
    std::vector<BeamInstance*> m_freeBeams;
    std::vector<SwipeInstance*> m_freeSwipes;
    // Owners of everything the lists point at.
    std::vector<std::unique_ptr<EffectInstance>> m_effectStore;
    std::vector<std::unique_ptr<Particle>> m_particleStore;
    std::vector<std::unique_ptr<BeamInstance>> m_beamStore;
    std::vector<std::unique_ptr<SwipeInstance>> m_swipeStore;
    std::set<std::string> m_reportedLocations;
};
