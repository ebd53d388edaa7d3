#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of a sound bank (".snd") as read, before any sound is loaded.
// Keywords match exactly; each takes the next token on its line as value.
// A later line overrides an earlier one; unknown words are skipped and
// logged at level 1.
struct SoundBankFile {
    struct Entry {
        std::string fileName;
        int line = 0;
    };
    std::optional<float> minDist, maxDist, volume, volumeVariation, pitch, pitchVariation;
    std::vector<Entry> sounds;
    int unknownWords = 0;

    static SoundBankFile parse(std::string_view text, const std::string& fileName);
};

// The text of a level sound bank (".lsb"): keywords in any case.
//   randomSound file quietTime checkInterval chance minRadius maxRadius
//   baseSound file
// A missing number counts as 0; a later "baseSound" replaces the earlier.
struct LevelSoundBankFile {
    struct Random {
        std::string fileName;
        float quietTime = 0, checkInterval = 0, chance = 0, minRadius = 0, maxRadius = 0;
        int line = 0;
    };
    std::vector<Random> randomSounds;
    std::string baseSound;
    int baseSoundLine = 0;
    int unknownWords = 0;

    static LevelSoundBankFile parse(std::string_view text, const std::string& fileName);
};
