#include "game/entities/Timer.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"

void Timer::startRandom()
{
    float r = randomFloat(0);
    duration = min + r * (max - min);
    remaining = duration;
    running = true;
}

void Timer::advance(float dt)
{
    if (!running) {
        return;
    }
    remaining -= dt;
    if (remaining < 0.0f) {
        remaining = 0.0f;
    }
}

void Timer::write(ByteBuffer& out) const
{
    out.writeInt(uint32_t(running ? 1 : 0));
    out.writeFloat(min);
    out.writeFloat(max);
    out.writeFloat(duration);
    out.writeFloat(remaining);
}

bool Timer::read(ByteBuffer& in)
{
    if (in.failed() || in.remaining() < 20) {
        // Consume what is left so the caller sees the failure.
        in.setReadPos(in.getReadPos() + 20);
        return false;
    }
    uint32_t word = in.readUInt();
    float mn = in.readFloat();
    float mx = in.readFloat();
    float dur = in.readFloat();
    float rem = in.readFloat();
    if (in.failed()) {
        return false;
    }
    running = word != 0;
    min = mn;
    max = mx;
    duration = dur;
    remaining = rem;
    return true;
}
