#include "graphics/effects/SwipeInstance.h"

#include "graphics/effects/Particle.h"
#include "graphics/effects/SwipeDefinition.h"
#include "graphics/render/RenderQueue.h"

#include <algorithm>

const SwipeDefinition* SwipeInstance::getDefinition() const
{
    return definition.isValid() && definition.isLoaded() ? definition.getAs<SwipeDefinition>() : nullptr;
}

void SwipeInstance::update(float seconds)
{
    EffectHost* host = entity.get();
    if (!host) {
        active = false;
    }
    const SwipeDefinition* d = getDefinition();
    if (!d) {
        return;
    }
    timer += seconds;
    if (active && timer >= d->updateTime) {
        SwipePoint point;
        Matrix3 ignored;
        bool made = false;
        if (followsParticle && particle) {
            point.a = particle->position;
            point.b = particle->position;
            point.a.x -= particle->size;
            point.b.x += particle->size;
            made = true;
        } else if (host && location == kOwnModel) {
            made = host->getEffectTagTransform(attachPointA, point.a, ignored) &&
                   host->getEffectTagTransform(attachPointB, point.b, ignored);
        } else if (host) {
            made = host->getEffectAttachmentTagTransform(location, attachPointAName, point.a, ignored) &&
                   host->getEffectAttachmentTagTransform(location, attachPointBName, point.b, ignored);
        }
        if (made) {
            point.alpha = d->alpha;
            points.push_back(point);
        }
        timer -= d->updateTime;
    }
    const float fade = d->maxAge > 0.0f ? seconds / d->maxAge : 1.0f;
    for (SwipePoint& p : points) {
        p.alpha -= fade;
    }
    std::erase_if(points, [](const SwipePoint& p) { return p.alpha < 0.0f; });
}

void SwipeInstance::draw(RenderQueue& queue) const
{
    const SwipeDefinition* d = getDefinition();
    EffectHost* host = entity.get();
    if ((host && !host->isNotLocalPlayer()) || !d) {
        return;
    }
    if (followsParticle || (attachPointA != -1 && attachPointB != -1)) {
        queue.addSwipe(d->shader.getIndex(), &points, d->colour);
    }
}

void SwipeInstance::reset()
{
    entity.reset();
    timer = 0.0f;
    particle = nullptr;
    followsParticle = false;
    active = false;
    location = kOwnModel;
    points.clear();
}
