#include "engine/core/ByteBuffer.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes image(const ByteBuffer& b)
{
    return b.bytes();
}

// Everything the readers know, written in one record.
ByteBuffer fullRecord()
{
    ByteBuffer b;
    b.writeInt(int32_t(-5));
    b.writeFloat(2.5f);
    b.writeDouble(-0.125);
    b.writeBool(true);
    b.writeString("name");
    b.writeVec2({1.0f, 2.0f});
    b.writeVec3({3.0f, 4.0f, 5.0f});
    b.writeZonePosition(ZonePosition(3, 6.0f, 7.0f));
    b.writeGameTime(GameTime(1, 2, 3, 4.5f));
    b.writeIntVector({10, 20, 30});
    b.writeBoolVector({true, false, true});
    return b;
}

struct RecordValues {
    int32_t i;
    float f;
    double d;
    bool flag;
    std::string s;
    Vec2 v2;
    Vec3 v3;
    ZonePosition zp;
    GameTime gt;
    std::vector<int32_t> ints;
    std::vector<bool> bools;
};

RecordValues readRecord(ByteBuffer& b)
{
    RecordValues r;
    r.i = b.readInt();
    r.f = b.readFloat();
    r.d = b.readDouble();
    r.flag = b.readBool();
    r.s = b.readString();
    r.v2 = b.readVec2();
    r.v3 = b.readVec3();
    r.zp = b.readZonePosition();
    r.gt = b.readGameTime();
    b.readIntVector(r.ints);
    b.readBoolVector(r.bools, true);
    return r;
}

} // namespace

TEST(ByteBuffer, ScalarsAreLittleEndianByteImages)
{
    ByteBuffer b;
    b.writeInt(int32_t(0x01020304));
    b.writeInt(int32_t(-2));
    b.writeInt(uint32_t(0xDEADBEEF));
    b.writeFloat(1.0f);
    b.writeDouble(1.0);
    b.writeBool(true);
    b.writeBool(false);
    EXPECT_EQ(image(b), (Bytes{0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xBE, 0xAD,
                               0xDE, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0xF0, 0x3F, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(b.readInt(), 0x01020304);
    EXPECT_EQ(b.readInt(), -2);
    EXPECT_EQ(b.readUInt(), 0xDEADBEEFu);
    EXPECT_EQ(b.readFloat(), 1.0f);
    EXPECT_EQ(b.readDouble(), 1.0);
    EXPECT_TRUE(b.readBool());
    EXPECT_FALSE(b.readBool());
    EXPECT_TRUE(b.ok());
    EXPECT_TRUE(b.atEnd());
}

TEST(ByteBuffer, ReadBoolIsAnyNonZeroInt)
{
    ByteBuffer b(Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    EXPECT_TRUE(b.readBool());
    EXPECT_FALSE(b.readBool());
}

TEST(ByteBuffer, ZonePositionIsTwelveBytesAndReadsNeedNormalising)
{
    ByteBuffer b;
    ZonePosition p(7, 1.0f, -2.0f);
    p.needsNormalizing = false;
    b.writeZonePosition(p);
    EXPECT_EQ(image(b), (Bytes{0x07, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0}));
    ZonePosition back = b.readZonePosition();
    EXPECT_EQ(back, p);
    EXPECT_TRUE(back.needsNormalizing);

    // A short read gives nowhere, not a half-filled position.
    ByteBuffer shortBuffer(Bytes{0x07, 0, 0, 0, 0x00, 0x00, 0x80});
    ZonePosition bad = shortBuffer.readZonePosition();
    EXPECT_EQ(bad.zone, -1);
    EXPECT_EQ(bad.x, 0.0f);
    EXPECT_TRUE(shortBuffer.failed());
}

TEST(ByteBuffer, GameTimeIsSixteenBytes)
{
    ByteBuffer b;
    b.writeGameTime(GameTime(2, 23, -1, 0.5f));
    EXPECT_EQ(image(b),
              (Bytes{0x02, 0, 0, 0, 0x17, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x3F}));
    EXPECT_EQ(b.readGameTime(), GameTime(2, 23, -1, 0.5f));
    EXPECT_TRUE(b.ok());
}

TEST(ByteBuffer, StringsAreZeroTerminated)
{
    ByteBuffer b;
    b.writeString("ab");
    b.writeString("");
    b.writeString(std::string("x\0y", 3)); // stops at the embedded zero
    b.writeInt(int32_t(9));
    EXPECT_EQ(image(b), (Bytes{'a', 'b', 0, 0, 'x', 0, 9, 0, 0, 0}));
    EXPECT_EQ(b.readString(), "ab");
    EXPECT_EQ(b.readString(), "");
    EXPECT_EQ(b.readString(), "x");
    EXPECT_EQ(b.readInt(), 9);
    EXPECT_TRUE(b.ok());
}

TEST(ByteBuffer, StringWithoutZeroTakesTheRestAndFails)
{
    ByteBuffer b(Bytes{'a', 0, 'r', 'e', 's', 't'});
    EXPECT_EQ(b.readString(), "a");
    EXPECT_TRUE(b.ok());
    EXPECT_EQ(b.readString(), "rest");
    EXPECT_TRUE(b.failed());
    EXPECT_TRUE(b.atEnd());
    EXPECT_EQ(b.readString(), "");
}

TEST(ByteBuffer, CountedVectors)
{
    ByteBuffer b;
    b.writeIntVector({1, -1});
    b.writeBoolVector({true, false, true});
    b.writeIntVector({});
    EXPECT_EQ(image(b), (Bytes{2, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0,
                               1, 0, 0, 0, 0, 0, 0, 0, 1,    0,    0,    0,    0, 0, 0, 0}));
    std::vector<int32_t> ints{99};
    EXPECT_TRUE(b.readIntVector(ints));
    EXPECT_EQ(ints, (std::vector<int32_t>{1, -1}));
    std::vector<bool> flags;
    EXPECT_TRUE(b.readBoolVector(flags, true));
    EXPECT_EQ(flags, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(b.readIntVector(ints));
    EXPECT_TRUE(ints.empty());
    EXPECT_TRUE(b.ok());
}

TEST(ByteBuffer, ReadBoolVectorWithoutResizeKeepsTheTargetSize)
{
    ByteBuffer b;
    b.writeBoolVector({true, false, true});
    b.writeInt(int32_t(77));

    // Longer target: missing flags become false.
    std::vector<bool> longer(5, true);
    EXPECT_TRUE(b.readBoolVector(longer, false));
    EXPECT_EQ(longer, (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(b.readInt(), 77);

    // Shorter target: surplus stored flags are skipped, the cursor still
    // lands after all of them.
    b.setReadPos(0);
    std::vector<bool> shorter(2, false);
    EXPECT_TRUE(b.readBoolVector(shorter, false));
    EXPECT_EQ(shorter, (std::vector<bool>{true, false}));
    EXPECT_EQ(b.readInt(), 77);

    b.setReadPos(0);
    std::vector<bool> resized(5, true);
    EXPECT_TRUE(b.readBoolVector(resized, true));
    EXPECT_EQ(resized, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(b.ok());
}

TEST(ByteBuffer, HugeVectorCountsAreRefused)
{
    // A count of four billion with eight bytes behind it.
    ByteBuffer b(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 2, 0, 0, 0});
    std::vector<int32_t> ints{5};
    EXPECT_FALSE(b.readIntVector(ints));
    EXPECT_TRUE(ints.empty());
    EXPECT_TRUE(b.failed());
    EXPECT_EQ(b.readInt(), 0);

    // One element more than the bytes hold.
    ByteBuffer c(Bytes{3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    std::vector<bool> flags(4, true);
    EXPECT_FALSE(c.readBoolVector(flags, false));
    EXPECT_EQ(flags, std::vector<bool>(4, false));
    c.setReadPos(0);
    c.clearFailed();
    EXPECT_FALSE(c.readBoolVector(flags, true));
    EXPECT_TRUE(flags.empty());
}

TEST(ByteBuffer, SingleBytesAndCheckedCounts)
{
    ByteBuffer w;
    w.writeByte(0xAB);
    w.writeInt(2u); // two 4-byte elements follow: accepted
    w.writeInt(7);
    w.writeInt(8);
    w.writeInt(3u); // three elements of 4 bytes, but only one byte is left
    w.writeByte(1);
    EXPECT_EQ(image(w), (Bytes{0xAB, 2, 0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0, 3, 0, 0, 0, 1}));

    ByteBuffer r(w.bytes());
    EXPECT_EQ(r.readByte(), 0xAB);
    EXPECT_EQ(r.readCount(4), 2u);
    EXPECT_EQ(r.readInt(), 7);
    EXPECT_EQ(r.readInt(), 8);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.readCount(4), 0u);
    EXPECT_TRUE(r.failed());
    EXPECT_TRUE(r.atEnd()); // refused: the reader does not go on inside the data
    EXPECT_EQ(r.readByte(), 0);

    // A zero element size still checks one byte per element, so a huge count
    // in a short buffer is refused.
    ByteBuffer huge(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 1, 2});
    EXPECT_EQ(huge.readCount(0), 0u);
    EXPECT_TRUE(huge.failed());
    ByteBuffer exact(Bytes{2, 0, 0, 0, 1, 2});
    EXPECT_EQ(exact.readCount(0), 2u);
    EXPECT_TRUE(exact.ok());

    // A count cut short fails like any other read.
    ByteBuffer cut(Bytes{1, 0, 0});
    EXPECT_EQ(cut.readCount(1), 0u);
    EXPECT_TRUE(cut.failed());
    EXPECT_EQ(cut.getReadPos(), 3u);
}

TEST(ByteBuffer, EveryTruncationFailsCleanlyWithZeroResults)
{
    const ByteBuffer full = fullRecord();
    {
        ByteBuffer b = full;
        RecordValues r = readRecord(b);
        ASSERT_TRUE(b.ok());
        EXPECT_TRUE(b.atEnd());
        EXPECT_EQ(r.s, "name");
        EXPECT_EQ(r.zp, ZonePosition(3, 6.0f, 7.0f));
        EXPECT_EQ(r.gt, GameTime(1, 2, 3, 4.5f));
        EXPECT_EQ(r.ints, (std::vector<int32_t>{10, 20, 30}));
        EXPECT_EQ(r.bools, (std::vector<bool>{true, false, true}));
    }
    // Each prefix is a copy of exactly that many bytes, so AddressSanitizer
    // catches a read one byte too far.
    for (size_t n = 0; n < full.size(); ++n) {
        ByteBuffer b(full.data(), n);
        RecordValues r = readRecord(b);
        EXPECT_TRUE(b.failed()) << n;
        EXPECT_EQ(b.getReadPos(), n);
        // The last field never survives a cut.
        EXPECT_TRUE(r.bools.empty()) << n;
        if (n < 4) {
            EXPECT_EQ(r.i, 0);
            EXPECT_EQ(r.zp.zone, -1);
            EXPECT_EQ(r.gt, GameTime());
        }
    }
}

TEST(ByteBuffer, FailureIsStickyAndCursorIsChecked)
{
    ByteBuffer b(Bytes{1, 0, 0});
    EXPECT_EQ(b.readInt(), 0);
    EXPECT_TRUE(b.failed());
    b.setReadPos(0);
    EXPECT_TRUE(b.failed()); // stays until cleared
    b.clearFailed();
    EXPECT_TRUE(b.ok());
    b.setReadPos(4);
    EXPECT_TRUE(b.failed());
    EXPECT_EQ(b.getReadPos(), 3u);
    b.clear();
    EXPECT_TRUE(b.ok());
    EXPECT_EQ(b.size(), 0u);
}

TEST(ByteBuffer, RawAppendAndRead)
{
    ByteBuffer b;
    const uint8_t raw[] = {9, 8, 7};
    b.writeInt(int32_t(1));
    b.reserve(raw, sizeof(raw));
    EXPECT_EQ(b.size(), 7u);
    EXPECT_EQ(b.readInt(), 1);
    uint8_t out[3] = {};
    EXPECT_TRUE(b.readBytes(out, 3));
    EXPECT_EQ(Bytes(out, out + 3), Bytes(raw, raw + 3));
    uint8_t more[2] = {5, 5};
    EXPECT_FALSE(b.readBytes(more, 2));
    EXPECT_EQ(more[0], 0);
    EXPECT_EQ(more[1], 0);
}

TEST(ByteBuffer, SpecialFloatsSurviveBitForBit)
{
    ByteBuffer b;
    b.writeFloat(-0.0f);
    b.writeFloat(INFINITY);
    b.writeDouble(-1e300);
    EXPECT_TRUE(std::signbit(b.readFloat()));
    EXPECT_EQ(b.readFloat(), INFINITY);
    EXPECT_EQ(b.readDouble(), -1e300);
}

TEST(ByteBuffer, PackedSixteenBitHalves)
{
    uint32_t w = packBits16(0, 0x1234, 0);
    w = packBits16(w, 0xABCDE, 16); // only the low 16 bits of the value
    EXPECT_EQ(w, 0xBCDE1234u);
    EXPECT_EQ(unpackBits16(w, 0), 0x1234u);
    EXPECT_EQ(unpackBits16(w, 16), 0xBCDEu);
    EXPECT_EQ(packBits16(w, 0x0000, 0), 0xBCDE0000u);
    uint16_t low = 0, high = 0;
    readUInt16(w, low, high);
    EXPECT_EQ(low, 0x1234);
    EXPECT_EQ(high, 0xBCDE);
}

TEST(ByteBuffer, VectorsReadAgainAfterRewindingAFailedBuffer)
{
    ByteBuffer b;
    b.writeIntVector({4, 5});
    b.writeBoolVector({true});
    std::vector<int32_t> ints;
    std::vector<bool> flags;
    b.setReadPos(b.size() + 1); // fails
    b.setReadPos(0);
    // The flag stays set, but the data is still read correctly.
    EXPECT_TRUE(b.readIntVector(ints));
    EXPECT_EQ(ints, (std::vector<int32_t>{4, 5}));
    EXPECT_TRUE(b.readBoolVector(flags, true));
    EXPECT_EQ(flags, std::vector<bool>{true});
    EXPECT_TRUE(b.failed());
}

TEST(ByteBuffer, GrowthCopiesAndMovesKeepEveryByte)
{
    // Across many regrowths, and after clear() reuses the storage, the bytes
    // read back are the ones written.
    ByteBuffer b;
    for (int round = 0; round < 2; ++round) {
        b.clear();
        for (int32_t i = 0; i < 100000; ++i) {
            b.writeInt(i * 7 + round);
            b.writeByte(static_cast<uint8_t>(i));
        }
        ASSERT_EQ(b.size(), 500000u);
        bool same = true;
        for (int32_t i = 0; i < 100000 && same; ++i) {
            same = b.readInt() == i * 7 + round && b.readByte() == static_cast<uint8_t>(i);
        }
        EXPECT_TRUE(same);
        EXPECT_TRUE(b.ok());
        EXPECT_TRUE(b.atEnd());
    }

    // A copy takes bytes, cursor and failed flag and is independent.
    ByteBuffer small;
    small.writeInt(int32_t(11));
    small.writeInt(int32_t(22));
    EXPECT_EQ(small.readInt(), 11);
    small.setReadPos(99);
    small.setReadPos(4);
    ByteBuffer copy = small;
    EXPECT_EQ(copy.getReadPos(), 4u);
    EXPECT_TRUE(copy.failed());
    copy.writeInt(int32_t(33));
    EXPECT_EQ(small.size(), 8u);
    EXPECT_EQ(image(copy), (Bytes{11, 0, 0, 0, 22, 0, 0, 0, 33, 0, 0, 0}));
    copy = b; // larger into smaller
    EXPECT_EQ(copy.size(), b.size());
    b = small;
    EXPECT_EQ(image(b), image(small));

    // A moved-from buffer is empty and usable.
    ByteBuffer moved = std::move(small);
    EXPECT_EQ(moved.readInt(), 22);
    EXPECT_EQ(small.size(), 0u);
    EXPECT_TRUE(small.ok());
    EXPECT_EQ(small.readInt(), 0);
    EXPECT_TRUE(small.failed());
    small.writeInt(int32_t(5));
    EXPECT_EQ(small.size(), 4u);
}
