// Runs every ByteBuffer reader over arbitrary bytes. The bytes are read in an
// order picked by the bytes themselves; every value read is written again and
// must read back the same.
#include "engine/core/ByteBuffer.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ByteBuffer in(data, size);
    ByteBuffer copy;
    size_t step = 0;
    while (!in.atEnd() && step < 4096) {
        uint8_t op = data[step % size];
        ++step;
        size_t before = in.getReadPos();
        switch (op % 16) {
        case 0: {
            int32_t v = in.readInt();
            copy.writeInt(v);
            FUZZ_CHECK(copy.readInt() == v);
            break;
        }
        case 1: {
            float v = in.readFloat();
            copy.writeFloat(v);
            FUZZ_CHECK(sameBits(copy.readFloat(), v));
            break;
        }
        case 2: {
            double v = in.readDouble();
            copy.writeDouble(v);
            double back = copy.readDouble();
            FUZZ_CHECK(std::memcmp(&back, &v, sizeof(double)) == 0);
            break;
        }
        case 3: {
            bool v = in.readBool();
            copy.writeBool(v);
            FUZZ_CHECK(copy.readBool() == v);
            break;
        }
        case 4: {
            std::string s = in.readString();
            FUZZ_CHECK(s.size() <= size - before);
            FUZZ_CHECK(s.find('\0') == std::string::npos);
            copy.writeString(s);
            FUZZ_CHECK(copy.readString() == s);
            break;
        }
        case 5: {
            Vec2 v = in.readVec2();
            copy.writeVec2(v);
            Vec2 back = copy.readVec2();
            FUZZ_CHECK(sameBits(back.x, v.x) && sameBits(back.y, v.y));
            break;
        }
        case 6: {
            Vec3 v = in.readVec3();
            copy.writeVec3(v);
            Vec3 back = copy.readVec3();
            FUZZ_CHECK(sameBits(back.x, v.x) && sameBits(back.y, v.y) && sameBits(back.z, v.z));
            break;
        }
        case 7: {
            ZonePosition p = in.readZonePosition();
            FUZZ_CHECK(in.ok() || p.zone == -1);
            copy.writeZonePosition(p);
            ZonePosition back = copy.readZonePosition();
            FUZZ_CHECK(back.zone == p.zone && sameBits(back.x, p.x) && sameBits(back.y, p.y));
            break;
        }
        case 8: {
            GameTime t = in.readGameTime();
            copy.writeGameTime(t);
            GameTime back = copy.readGameTime();
            FUZZ_CHECK(back.days == t.days && back.hours == t.hours && back.minutes == t.minutes &&
                       sameBits(back.seconds, t.seconds));
            t.normalize();
            FUZZ_CHECK(t.seconds >= 0.0f && t.seconds < 60.0f && t.minutes >= 0 && t.minutes < 60 &&
                       t.hours >= 0 && t.hours < 24);
            break;
        }
        case 9: {
            std::vector<int32_t> v;
            bool ok = in.readIntVector(v);
            FUZZ_CHECK(ok || v.empty());
            FUZZ_CHECK(v.size() * 4 <= size);
            copy.writeIntVector(v);
            std::vector<int32_t> back;
            FUZZ_CHECK(copy.readIntVector(back) && back == v);
            break;
        }
        case 10:
        case 11: {
            bool resize = (op % 16) == 10;
            std::vector<bool> v(op % 7, true);
            size_t oldSize = v.size();
            in.readBoolVector(v, resize);
            FUZZ_CHECK(resize || v.size() == oldSize);
            FUZZ_CHECK(v.size() * 4 <= size || !resize);
            break;
        }
        case 12: {
            uint8_t raw[8];
            size_t n = op % 9;
            in.readBytes(raw, n);
            copy.reserve(raw, n);
            uint8_t back[8];
            FUZZ_CHECK(copy.readBytes(back, n) && std::memcmp(back, raw, n) == 0);
            break;
        }
        case 13: {
            uint8_t v = in.readByte();
            copy.writeByte(v);
            FUZZ_CHECK(copy.readByte() == v);
            break;
        }
        case 14: {
            size_t elementSize = op % 9;
            uint32_t n = in.readCount(elementSize);
            // A count is only handed out when the bytes left can hold it.
            FUZZ_CHECK(n == 0 ||
                       static_cast<uint64_t>(n) * (elementSize ? elementSize : 1) <= in.remaining());
            FUZZ_CHECK(in.ok() || n == 0);
            break;
        }
        default:
            // Jump somewhere, possibly past the end, and carry on.
            in.setReadPos(data[(step + 1) % size] % (size + 2));
            in.clearFailed();
            break;
        }
        FUZZ_CHECK(in.getReadPos() <= size);
        FUZZ_CHECK(!copy.failed());
        if (in.failed()) {
            FUZZ_CHECK(in.atEnd());
        }
    }
    return 0;
}
