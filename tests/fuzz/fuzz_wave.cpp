// Runs the WAVE parser over arbitrary bytes: it must end, and whatever it
// describes must lie inside the image.
#include "sound/WaveFile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PcmDescription pcm;
    std::string error;
    if (parseWave(data, size, pcm, error)) {
        FUZZ_CHECK(pcm.data >= data);
        FUZZ_CHECK(pcm.sampleCount > 0);
        FUZZ_CHECK(pcm.bitsPerSample == 8 || pcm.bitsPerSample == 16);
        FUZZ_CHECK(pcm.channels == 1 || pcm.channels == 2);
        FUZZ_CHECK(pcm.sampleCount % pcm.channels == 0);
        FUZZ_CHECK(static_cast<size_t>(pcm.data - data) + pcm.byteSize() <= size);
        // Touch the first and last byte so ASan sees any overrun.
        volatile uint8_t first = pcm.data[0];
        volatile uint8_t last = pcm.data[pcm.byteSize() - 1];
        (void)first;
        (void)last;
    } else {
        FUZZ_CHECK(!error.empty());
    }
    return 0;
}
