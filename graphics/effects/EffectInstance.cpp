#include "graphics/effects/EffectInstance.h"

#include "engine/core/ColorSystem.h"
#include "engine/core/Random.h"
#include "graphics/effects/EffectDefinition.h"
#include "graphics/effects/EffectFileParser.h"
#include "graphics/effects/EffectSystem.h"
#include "graphics/effects/Particle.h"
#include "graphics/render/RenderQueue.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kStream = EffectSystem::kRandomStream;
// Below this a particle sits on its origin and has no outward direction.
constexpr float kMinOutwardLength = 0.001f;

Vec3 drawVector(const RandomValue* v)
{
    float x = v[0].draw();
    float y = v[1].draw();
    float z = v[2].draw();
    return Vec3(x, y, z);
}

} // namespace

const EffectDefinition* EffectInstance::getDefinition() const
{
    return definition.isValid() && definition.isLoaded() ? definition.getAs<EffectDefinition>() : nullptr;
}

void EffectInstance::loadDefinition(const std::string& name)
{
    definition = EffectFileParser::loadIfKnown("Effects/" + name);
    // The first request waits for the file, so a burst asked for with it spawns.
    definitionName = definition.isValid() && definition.get() ? name : std::string();
}

void EffectInstance::initColour()
{
    const EffectDefinition* d = getDefinition();
    EffectHost* host = entity.get();
    if (!d || !host) {
        return;
    }
    if (d->colourFromItemType) {
        host->getEffectItemColour(colour);
    } else if (d->colourFromCovenant) {
        if (!host->getEffectCovenantColour(colour)) {
            Color c = ColorSystem::getColor(0);
            colour[0] = c.r;
            colour[1] = c.g;
            colour[2] = c.b;
        }
    }
    if (d->line) {
        lineAttachPoint = host->findEffectAttachPoint(d->lineAttachPoint);
    }
}

void EffectInstance::updateOrigin()
{
    EffectHost* host = entity.get();
    if (!host) {
        originDelta = Vec3();
        return;
    }
    ZonePosition3 next = origin;
    Matrix3 turn = orientation;
    if (host->getEffectTagTransform(attachPoint, next, turn)) {
        next.normalize();
        originDelta = origin.zone < 0 ? Vec3() : ZonePosition3::getLocal(origin, next);
        origin = next;
        orientation = turn;
    } else {
        originDelta = Vec3();
    }
}

void EffectInstance::update(float seconds, EffectSystem& system)
{
    if (!entity) {
        active = false;
    }
    updateOrigin();
    if (active) {
        accumulator += seconds;
    }
    spawnParticles(system);
    updateParticles(seconds, system);
    removeDeadParticles(system);
}

void EffectInstance::spawnParticles(EffectSystem& system)
{
    const EffectDefinition* d = getDefinition();
    EffectHost* host = entity.get();
    if (!active || !host || !host->isNotLocalPlayer() || !d || !(d->spawnInterval > 0.0f)) {
        return;
    }
    const EffectHost::ParentState parent = host->getEffectParentState();
    if (d->hideWhenParentDead && parent.exists && parent.dead) {
        return;
    }
    if (d->hideWhenParentHidden && parent.exists && parent.hidden) {
        accumulator = 0.0f;
        return;
    }
    float interval = d->spawnInterval;
    if (d->spawnRateFollowsWeather) {
        float w = system.getEnvironment().localWeather();
        if (!(w > 0.0f)) {
            accumulator = 0.0f;
            return;
        }
        interval /= w;
    }
    int spawned = 0;
    while (accumulator > interval) {
        if (spawned == EffectDefinition::kMaxParticlesPerUpdate) {
            // A rate no frame can show: the rest is dropped.
            accumulator = 0.0f;
            break;
        }
        spawnParticle(system);
        accumulator -= interval;
        ++spawned;
    }
}

void EffectInstance::spawnParticle(EffectSystem& system)
{
    const EffectDefinition* d = getDefinition();
    if (!d) {
        return;
    }
    Particle* p = system.takeParticle();
    p->fresh = true;
    EffectHost* host = entity.get();

    Vec3 offset;
    if (d->sphereRadius > 0.0f || d->circleRadius > 0.0f) {
        const bool sphere = d->sphereRadius > 0.0f;
        const float radius = sphere ? d->sphereRadius : d->circleRadius;
        Vec3 dir;
        if (sphere) {
            float r1 = randomFloat(kStream), r2 = randomFloat(kStream), r3 = randomFloat(kStream);
            dir = Vec3(2.0f * r3 - 1.0f, 2.0f * r2 - 1.0f, 2.0f * r1 - 1.0f);
        } else {
            float r1 = randomFloat(kStream), r2 = randomFloat(kStream);
            dir = Vec3(2.0f * r2 - 1.0f, 2.0f * r1 - 1.0f, 0.0f);
        }
        vec3Normalize(dir);
        offset = d->onSurface ? dir * radius : dir * (radius * randomFloat(kStream));
    } else if (d->line && host) {
        ZonePosition3 end;
        Matrix3 ignored;
        Vec3 v;
        if (host->getEffectTagTransform(lineAttachPoint, end, ignored)) {
            v = ZonePosition3::getLocal(origin, end);
        }
        offset = v * randomFloat(kStream);
    }
    offset += drawVector(d->offset);
    if (d->tagOriented) {
        offset = transformVectorByMatrix(offset, orientation);
    }
    p->position = origin;
    p->position.addOffset(offset.x, offset.y, offset.z);
    p->position.normalize();

    if (d->hasDirection) {
        Vec3 dir = drawVector(d->direction);
        vec3Normalize(dir);
        p->velocity = dir * d->speed;
    } else {
        p->velocity = drawVector(d->velocity);
    }
    if (d->tagOriented) {
        p->velocity = transformVectorByMatrix(p->velocity, orientation);
    }
    const EffectEnvironment& env = system.getEnvironment();
    if (d->windFactor > 0.0f && env.wind) {
        const Vec2 wind = env.wind();
        const float area = env.areaWeatherIntensity ? env.areaWeatherIntensity() : 0.0f;
        p->velocity.x += wind.x * area * d->windFactor;
        p->velocity.y += wind.y * area * d->windFactor;
    }
    p->angularVelocity = drawVector(d->angularVelocity);
    p->scale = d->scale.draw();
    p->alpha = d->alpha;
    if (d->matchRotationToInitialVelocity && env.screenPositionOf) {
        ZonePosition3 ahead = p->position;
        ahead.addOffset(p->velocity.x, p->velocity.y, p->velocity.z);
        Vec2 a = env.screenPositionOf(p->position);
        Vec2 b = env.screenPositionOf(ahead);
        p->rotation = vec2Angle(Vec2(b.x - a.x, b.y - a.y)) - 90.0f;
    }
    if (!d->swipeName.empty() && host && host->isNotLocalPlayer()) {
        if (SwipeInstance* swipe = system.startParticleSwipe(host, d->swipeName, p)) {
            swipe->active = true;
        }
    }
    particles.push_back(p);
}

void EffectInstance::updateParticles(float seconds, EffectSystem& system)
{
    const EffectDefinition* d = getDefinition();
    if (!d) {
        return;
    }
    EffectHost* host = entity.get();
    const EffectHost::ParentState parent = host ? host->getEffectParentState() : EffectHost::ParentState();
    const EffectEnvironment& env = system.getEnvironment();
    for (Particle* p : particles) {
        if (p->fresh) {
            p->fresh = false;
            continue;
        }
        p->age += seconds;
        p->velocity.x += d->acceleration[0] * seconds;
        p->velocity.y += d->acceleration[1] * seconds;
        p->velocity.z += d->acceleration[2] * seconds;
        p->position.addOffset(p->velocity.x * seconds, p->velocity.y * seconds, p->velocity.z * seconds);
        p->position.normalize();
        if (d->linked) {
            p->position.addOffset(originDelta.x, originDelta.y, originDelta.z);
            p->position.normalize();
        }
        const Vec3& av = p->angularVelocity;
        if (av.x != 0.0f || av.y != 0.0f || av.z != 0.0f) {
            Vec3 w = ZonePosition3::getLocal(origin, p->position);
            float length = w.length();
            Vec3 angles = vectorToAngles(w);
            Vec3 dir = anglesToDirection(angles.x + av.z * seconds, angles.y + av.x * seconds);
            vec3Normalize(dir);
            p->position = origin;
            p->position.addOffset(dir.x * length, dir.y * length, dir.z * length);
            p->position.normalize();
        }
        if (d->speed != 0.0f && !d->hasDirection) {
            Vec3 w = ZonePosition3::getLocal(origin, p->position);
            float length = w.length();
            // A particle on its origin has no outward direction to follow.
            if (length >= kMinOutwardLength) {
                float reach = (length + d->speed * seconds) / length;
                p->position = origin;
                p->position.addOffset(w.x * reach, w.y * reach, w.z * reach);
                p->position.normalize();
            }
        }
        if (d->dieOnTouch && p->position.z < 0.0f && p->velocity.z < 0.0f) {
            p->age = d->maxAge;
        }
        if (d->bounce && p->position.z < 0.0f) {
            p->position.z = -p->position.z * d->bounceFactor;
            p->velocity.z = -p->velocity.z;
            p->velocity = p->velocity * d->bounceFactor;
            ++p->bounces;
            if (d->maxBounces > 0 && p->bounces > d->maxBounces) {
                p->age = d->maxAge;
            } else if (d->bounceSound.isValid() && env.playSound) {
                env.playSound(d->bounceSound, p->position);
            }
        }
        if (d->scaleRate != 0.0f) {
            p->scale *= seconds * d->scaleRate + 1.0f;
        }
        p->size = p->scale * d->size;
        p->alpha = d->alpha;
        if (d->fadeIn || d->fadeOut) {
            const float fade = d->fadeTime > 0.0f ? d->fadeTime : d->maxAge * 0.5f;
            if (d->fadeIn && fade > 0.0f && p->age < fade) {
                p->alpha = p->age / fade * d->alpha;
            } else if (d->fadeOut && fade > 0.0f && p->age > d->maxAge - fade) {
                p->alpha = std::max(0.0f, (1.0f - (p->age - (d->maxAge - fade)) / fade) * d->alpha);
            }
        }
        if (d->flicker) {
            p->alpha *= randomFloat(kStream);
        }
        if (parent.exists) {
            p->alpha *= parent.fade;
        }
        const float* c = (d->colourFromItemType || d->colourFromCovenant) ? colour : d->colour;
        const float k = d->additive ? p->alpha : 1.0f;
        p->colour[0] = c[0] * k;
        p->colour[1] = c[1] * k;
        p->colour[2] = c[2] * k;
        float turned = p->rotation + d->spin * seconds;
        turned -= 360.0f * std::trunc(turned / 360.0f);
        if (turned < 0.0f) {
            turned += 360.0f;
        }
        p->rotation = std::isfinite(turned) ? turned : 0.0f;
    }
}

void EffectInstance::removeDeadParticles(EffectSystem& system)
{
    const EffectDefinition* d = getDefinition();
    const float maxAge = d ? d->maxAge : 0.0f;
    auto dead = [&](Particle* p) {
        if (p->age < maxAge) {
            return false;
        }
        if (d && !d->swipeName.empty()) {
            system.stopParticleSwipe(entity.get(), d->swipeName, p);
        }
        system.freeParticle(p);
        return true;
    };
    std::erase_if(particles, dead);
}

void EffectInstance::spawnBurst(EffectSystem& system)
{
    updateOrigin();
    const EffectDefinition* d = getDefinition();
    if (!d) {
        return;
    }
    for (int i = 0; i < d->spawnCount; ++i) {
        spawnParticle(system);
    }
}

void EffectInstance::draw(RenderQueue& queue) const
{
    const EffectDefinition* d = getDefinition();
    if (!d) {
        return;
    }
    const int shader = d->shader.getIndex();
    for (const Particle* p : particles) {
        queue.addParticle(shader, p->position, p->rotation, p->size, p->colour, p->alpha, p->age);
    }
}

void EffectInstance::reset(EffectSystem& system)
{
    entity.reset();
    accumulator = 0.0f;
    attachPoint = -1;
    lineAttachPoint = -1;
    active = false;
    for (Particle* p : particles) {
        system.freeParticle(p);
    }
    particles.clear();
}
