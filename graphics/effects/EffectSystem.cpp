#include "graphics/effects/EffectSystem.h"

#include "engine/core/DebugSystem.h"
#include "graphics/effects/EffectFileParser.h"

#include <algorithm>

EffectSystem::EffectSystem() = default;

EffectSystem::~EffectSystem()
{
    // Instances release their definitions and hosts with their owners.
    m_effects.clear();
    m_beams.clear();
    m_swipes.clear();
}

template <class T> T* EffectSystem::take(std::vector<T*>& freeList, std::vector<std::unique_ptr<T>>& storage)
{
    if (!freeList.empty()) {
        T* object = freeList.back();
        freeList.pop_back();
        return object;
    }
    storage.push_back(std::make_unique<T>());
    return storage.back().get();
}

Particle* EffectSystem::takeParticle()
{
    return take(m_freeParticles, m_particleStore);
}

void EffectSystem::freeParticle(Particle* particle)
{
    particle->recycle();
    m_freeParticles.push_back(particle);
}

EffectInstance* EffectSystem::spawnEffect(EffectHost* host, const std::string& name,
                                          const std::string& attachPoint)
{
    if (!host) {
        return nullptr;
    }
    const int point = host->findEffectAttachPoint(attachPoint);
    for (EffectInstance* e : m_effects) {
        if (e->entity == host && e->definitionName == name && e->attachPoint == point) {
            return e;
        }
    }
    EffectInstance* e = take(m_freeEffects, m_effectStore);
    e->entity.reset(host);
    e->attachPointName = attachPoint;
    e->attachPoint = point;
    e->loadDefinition(name);
    e->initColour();
    m_effects.push_back(e);
    return e;
}

BeamInstance* EffectSystem::startBeam(EffectHost* host, const std::string& name,
                                      const std::string& attachPoint)
{
    if (!host) {
        return nullptr;
    }
    const int point = host->findEffectAttachPoint(attachPoint);
    for (BeamInstance* b : m_beams) {
        if (b->entity == host && b->definitionName == name && b->attachPoint == point) {
            return b;
        }
    }
    BeamInstance* b = take(m_freeBeams, m_beamStore);
    b->reset();
    b->entity.reset(host);
    b->name = name;
    b->attachPoint = point;
    b->definition = EffectFileParser::loadIfKnown("Effects/" + name);
    b->definitionName = b->definition.isValid() && b->definition.get() ? name : std::string();
    m_beams.push_back(b);
    return b;
}

void EffectSystem::stopBeam(EffectHost* host, const std::string& name, const std::string& attachPoint)
{
    if (!host) {
        return;
    }
    const int point = host->findEffectAttachPoint(attachPoint);
    for (BeamInstance* b : m_beams) {
        if (b->entity == host && b->definitionName == name && b->attachPoint == point) {
            b->active = false;
            b->entity.reset();
            return;
        }
    }
}

bool EffectSystem::resolveSwipe(EffectHost* host, const std::string& location, const std::string& pointA,
                                const std::string& pointB, int& slot, int& a, int& b)
{
    if (location.empty()) {
        slot = SwipeInstance::kOwnModel;
        a = host->findEffectAttachPoint(pointA);
        b = host->findEffectAttachPoint(pointB);
        return true;
    }
    slot = host->parseEffectLocation(location);
    if (slot < 0 || slot >= SwipeInstance::kOwnModel) {
        // A typing error in a model file: said once per model and name.
        std::string key = host->getEffectModelName() + "\n" + location;
        if (m_reportedLocations.insert(key).second) {
            debugPrint(2, "%s: swipe location \"%s\" is no equipment location; the swipe does not start\n",
                       host->getEffectModelName().c_str(), location.c_str());
        }
        return false;
    }
    a = host->findEffectTagInAttachment(slot, pointA);
    b = host->findEffectTagInAttachment(slot, pointB);
    return true;
}

SwipeInstance* EffectSystem::findSwipe(EffectHost* host, int slot, int a, int b,
                                       const std::string& name) const
{
    for (SwipeInstance* s : m_swipes) {
        if (s->entity == host && !s->followsParticle && s->attachPointA == a && s->attachPointB == b &&
            s->location == slot && s->definitionName == name) {
            return s;
        }
    }
    return nullptr;
}

SwipeInstance* EffectSystem::startSwipe(EffectHost* host, const std::string& location,
                                        const std::string& name, const std::string& pointA,
                                        const std::string& pointB)
{
    if (!host || !host->isNotLocalPlayer()) {
        return nullptr;
    }
    int slot = 0, a = -1, b = -1;
    if (!resolveSwipe(host, location, pointA, pointB, slot, a, b)) {
        return nullptr;
    }
    SwipeInstance* s = findSwipe(host, slot, a, b, name);
    if (!s) {
        s = take(m_freeSwipes, m_swipeStore);
        s->reset();
        s->entity.reset(host);
        s->attachPointAName = pointA;
        s->attachPointBName = pointB;
        s->attachPointA = a;
        s->attachPointB = b;
        s->location = slot;
        s->definition = EffectFileParser::loadIfKnown("Effects/" + name);
        s->definitionName = s->definition.isValid() && s->definition.get() ? name : std::string();
        m_swipes.push_back(s);
    }
    s->active = true;
    return s;
}

void EffectSystem::stopSwipe(EffectHost* host, const std::string& location, const std::string& name,
                             const std::string& pointA, const std::string& pointB)
{
    if (!host || !host->isNotLocalPlayer()) {
        return;
    }
    int slot = 0, a = -1, b = -1;
    if (!resolveSwipe(host, location, pointA, pointB, slot, a, b)) {
        return;
    }
    if (SwipeInstance* s = findSwipe(host, slot, a, b, name)) {
        s->active = false;
        s->entity.reset();
    }
}

SwipeInstance* EffectSystem::startParticleSwipe(EffectHost* host, const std::string& name, Particle* particle)
{
    for (SwipeInstance* s : m_swipes) {
        if (s->entity == host && s->followsParticle && s->particle == particle && s->definitionName == name) {
            return s;
        }
    }
    SwipeInstance* s = take(m_freeSwipes, m_swipeStore);
    s->reset();
    s->entity.reset(host);
    s->particle = particle;
    s->followsParticle = true;
    s->definition = EffectFileParser::loadIfKnown("Effects/" + name);
    s->definitionName = s->definition.isValid() && s->definition.get() ? name : std::string();
    m_swipes.push_back(s);
    return s;
}

void EffectSystem::stopParticleSwipe(EffectHost* host, const std::string& name, const Particle* particle)
{
    for (SwipeInstance* s : m_swipes) {
        if (s->entity == host && s->followsParticle && s->particle == particle && s->definitionName == name) {
            s->active = false;
            s->entity.reset();
            // The particle goes back to the free list: the trail keeps only its points.
            s->particle = nullptr;
            return;
        }
    }
}

void EffectSystem::update(float seconds)
{
    if (m_environment.paused()) {
        seconds = 0.0f;
    } else {
        seconds = std::min(std::max(seconds, 0.0f), kMaxFrameSeconds);
    }
    for (size_t i = 0; i < m_effects.size(); ++i) {
        m_effects[i]->update(seconds, *this);
    }
    for (BeamInstance* b : m_beams) {
        b->update(seconds);
    }
    for (SwipeInstance* s : m_swipes) {
        s->update(seconds);
    }
    std::erase_if(m_effects, [this](EffectInstance* e) {
        if (e->active || e->entity || !e->particles.empty()) {
            return false;
        }
        e->reset(*this);
        m_freeEffects.push_back(e);
        return true;
    });
    std::erase_if(m_beams, [this](BeamInstance* b) {
        if (b->active || b->alpha > 0.0f) {
            return false;
        }
        b->reset();
        m_freeBeams.push_back(b);
        return true;
    });
    std::erase_if(m_swipes, [this](SwipeInstance* s) {
        if (s->active || !s->points.empty()) {
            return false;
        }
        s->reset();
        m_freeSwipes.push_back(s);
        return true;
    });
}

void EffectSystem::draw(RenderQueue& queue) const
{
    for (const EffectInstance* e : m_effects) {
        e->draw(queue);
    }
    for (const BeamInstance* b : m_beams) {
        b->draw(queue);
    }
    for (const SwipeInstance* s : m_swipes) {
        s->draw(queue);
    }
}
