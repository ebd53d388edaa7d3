// Runs both sound bank readers over arbitrary text. Every entry they keep
// carries a line inside the text.
#include "engine/core/DebugSystem.h"
#include "sound/SoundBankFile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem debug;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    int lines = 1;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    SoundBankFile bank = SoundBankFile::parse(text, "fuzz.snd");
    for (const auto& entry : bank.sounds) {
        FUZZ_CHECK(entry.line >= 1 && entry.line <= lines);
    }
    LevelSoundBankFile level = LevelSoundBankFile::parse(text, "fuzz.lsb");
    for (const auto& entry : level.randomSounds) {
        FUZZ_CHECK(entry.line >= 1 && entry.line <= lines);
    }
    FUZZ_CHECK(level.baseSound.empty() || (level.baseSoundLine >= 1 && level.baseSoundLine <= lines));
    debug.clearRecentLines();
    return 0;
}
