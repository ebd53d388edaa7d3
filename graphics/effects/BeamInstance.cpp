#include "graphics/effects/BeamInstance.h"

#include "engine/core/Random.h"
#include "graphics/effects/BeamDefinition.h"
#include "graphics/effects/EffectSystem.h"
#include "graphics/render/RenderQueue.h"

#include <cmath>

const BeamDefinition* BeamInstance::getDefinition() const
{
    return definition.isValid() && definition.isLoaded() ? definition.getAs<BeamDefinition>() : nullptr;
}

void BeamInstance::newSeed()
{
    seed = Random::next(EffectSystem::kRandomStream);
}

void BeamInstance::reset()
{
    entity.reset();
    active = false;
    alpha = 1.0f;
    colour[0] = colour[1] = colour[2] = 1.0f;
    changeTimer = 0.0f;
    newSeed();
}

void BeamInstance::update(float seconds)
{
    EffectHost* host = entity.get();
    if (!host) {
        active = false;
    }
    const BeamDefinition* d = getDefinition();
    if (!d) {
        return;
    }
    if (host) {
        if (d->endPointsFromEntity) {
            ZonePosition3 a, b;
            if (!host->getEffectBeamEnds(a, b)) {
                return;
            }
            start = a;
            end = b;
        } else {
            Matrix3 turn;
            if (host->getEffectTagTransform(attachPoint, start, turn)) {
                const Vec3 axis = turn.row(0) * d->length;
                end = start;
                end.addOffset(axis.x, axis.y, axis.z);
                end.normalize();
            }
        }
    }
    changeTimer += seconds;
    if (changeTimer >= d->changeTime) {
        newSeed();
        changeTimer -= d->changeTime;
    }
    if (!active) {
        alpha = d->maxAge > 0.0f ? alpha - seconds / d->maxAge : 0.0f;
    }
    const float k = d->additive ? alpha : 1.0f;
    colour[0] = d->colour[0] * k;
    colour[1] = d->colour[1] * k;
    colour[2] = d->colour[2] * k;
}

int BeamInstance::segmentCount() const
{
    const BeamDefinition* d = getDefinition();
    if (!d) {
        return 0;
    }
    double count = d->segmentCount;
    if (d->segmentCount == 0 && d->segmentLength > 0.0f) {
        const Vec3 span = ZonePosition3::getLocal(start, end);
        count = std::floor(static_cast<double>(span.length()) / d->segmentLength + 0.5);
    }
    // The ends come from other entities: a far one must not make millions of quads.
    if (!(count >= 1.0)) {
        return 1;
    }
    return count > BeamDefinition::kMaxSegments ? BeamDefinition::kMaxSegments : static_cast<int>(count);
}

void BeamInstance::draw(RenderQueue& queue) const
{
    const BeamDefinition* d = getDefinition();
    EffectHost* host = entity.get();
    if ((host && !host->isNotLocalPlayer()) || !d || (attachPoint == -1 && !d->endPointsFromEntity)) {
        return;
    }
    queue.addBeam(d->shader.getIndex(), start, end, segmentCount(), d->size, d->minOffset, d->maxOffset,
                  d->startSize, d->endSize, colour, alpha, seed);
}
