// Runs the Ogg stream decoder over arbitrary bytes. The first bytes choose a
// list of fills, rewinds and seeks; the rest is the image. The read position
// never leaves the image.
#include "sound/OggStreamDecoder.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <vector>

// libvorbisfile itself keeps a few bytes when some damaged headers make
// ov_open_callbacks fail, after its own clean-up; nothing of ours can free them.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libvorbisfile.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t ops = size > 0 ? data[0] % 16 : 0;
    if (size < 1 + ops) {
        return 0;
    }
    const uint8_t* script = data + 1;
    // The image is copied so that ASan sees reads past its end.
    std::vector<uint8_t> image(data + 1 + ops, data + size);
    // Never closed, so that the library is still loaded when the leak check
    // at exit names it (the suppression above goes by its name).
    static VorbisFileLibrary* vorbis = new VorbisFileLibrary;
    if (!vorbis->isOpen() && !vorbis->open()) {
        return 0;
    }
    OggStreamDecoder decoder;
    if (!decoder.open(*vorbis, image.data(), image.size())) {
        FUZZ_CHECK(!decoder.isOpen());
        decoder.clear();
        return 0;
    }
    static uint8_t buffer[8192];
    for (size_t i = 0; i < ops; ++i) {
        uint8_t op = script[i];
        switch (op % 4) {
        case 0:
        case 1: {
            int want = 1 + (op >> 2) * 128;
            int got = decoder.fill(buffer, want);
            FUZZ_CHECK(got >= 0 && got <= want);
            break;
        }
        case 2:
            decoder.rewind();
            break;
        default:
            decoder.seekPcm(static_cast<int64_t>(op >> 2) * 997);
            break;
        }
        FUZZ_CHECK(decoder.getReadPosition() >= 0);
        FUZZ_CHECK(static_cast<uint64_t>(decoder.getReadPosition()) <= image.size());
    }
    decoder.clear();
    return 0;
}
