#include "game/covenants/InfluenceCounters.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/Random.h"
#include "game/definitions/GameData.h"
#include "game/skills/Saturate.h"

#include <limits>

int32_t InfluenceCounters::total() const
{
    return saturateWide(static_cast<int64_t>(adventure) + competition + world + transferred);
}

void writeInfluenceCounters(ByteBuffer& buffer, const InfluenceCounters& counters)
{
    buffer.writeInt(counters.adventure);
    buffer.writeInt(counters.competition);
    buffer.writeInt(counters.world);
    buffer.writeInt(counters.transferred);
}

bool readInfluenceCounters(ByteBuffer& buffer, InfluenceCounters& counters)
{
    if (buffer.failed() || buffer.remaining() < 16)
        return false;
    counters.adventure = buffer.readInt();
    counters.competition = buffer.readInt();
    counters.world = buffer.readInt();
    counters.transferred = buffer.readInt();
    return true;
}

void addDestructionInfluence(const InfluenceCounters& destroyed, InfluenceCounters& destroyer, float factor)
{
    const GameData* data = GameData::instance();
    if (!data)
        return;
    double sum = static_cast<double>(destroyed.adventure) + destroyed.competition + destroyed.world;
    float gained = static_cast<float>(sum * factor * data->rules().influenceMultDestroyedCovenant);
    destroyer.competition = saturateWide(static_cast<int64_t>(destroyer.competition) + ceilToInt(gained));
}
