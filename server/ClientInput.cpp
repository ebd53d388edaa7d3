#include "server/ClientInput.h"

#include "engine/core/ByteBuffer.h"

#include <cmath>

namespace {
bool usable(const ZonePosition& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && p.zone >= -1;
}
} // namespace

bool ClientInput::read(ByteBuffer& in, std::string& failedField)
{
    position = in.readZonePosition();
    secondaryPosition = in.readZonePosition();
    if (in.failed()) {
        failedField = "positions";
        return false;
    }
    action = in.readUInt();
    target = in.readUInt();
    if (in.failed()) {
        failedField = "action";
        return false;
    }
    // Every line takes at least its zero byte.
    uint32_t count = in.readCount(1);
    if (in.failed()) {
        failedField = "line count";
        return false;
    }
    lines.clear();
    lines.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        lines.push_back(in.readString());
        if (in.failed()) {
            failedField = "command line";
            return false;
        }
    }
    positionsValid = usable(position) && usable(secondaryPosition);
    return true;
}
