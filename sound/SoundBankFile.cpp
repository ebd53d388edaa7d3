#include "sound/SoundBankFile.h"

#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"

namespace {

void reportUnknown(TextReader& reader, const std::string& word)
{
    reader.report(1, "unknown sound bank word %s", word.c_str());
}

} // namespace

SoundBankFile SoundBankFile::parse(std::string_view text, const std::string& fileName)
{
    SoundBankFile bank;
    TextReader reader(text, fileName);
    std::string word;
    // Each keyword takes the token after it, on its line or a later one.
    auto readValue = [&reader](std::optional<float>& field) {
        std::string token;
        if (reader.readToken(token, true)) {
            field = textToFloat(token);
        }
    };
    while (reader.readToken(word, true)) {
        if (word == "Sound") {
            std::string name;
            if (reader.readToken(name, true)) {
                bank.sounds.push_back({name, reader.getLine()});
            }
        } else if (word == "MinDist") {
            readValue(bank.minDist);
        } else if (word == "MaxDist") {
            readValue(bank.maxDist);
        } else if (word == "Volume") {
            readValue(bank.volume);
        } else if (word == "VolumeVariation") {
            readValue(bank.volumeVariation);
        } else if (word == "Pitch") {
            readValue(bank.pitch);
        } else if (word == "PitchVariation") {
            // A missing value counts as 0 here.
            bank.pitchVariation = 0.0f;
            readValue(bank.pitchVariation);
        } else {
            ++bank.unknownWords;
            reportUnknown(reader, word);
        }
    }
    return bank;
}

LevelSoundBankFile LevelSoundBankFile::parse(std::string_view text, const std::string& fileName)
{
    LevelSoundBankFile bank;
    TextReader reader(text, fileName);
    std::string word;
    while (reader.readToken(word, true)) {
        if (equalsNoCase(word, "randomSound")) {
            Random sound;
            sound.line = reader.getLine();
            reader.readString(sound.fileName);
            sound.quietTime = reader.getFloat();
            sound.checkInterval = reader.getFloat();
            sound.chance = reader.getFloat();
            sound.minRadius = reader.getFloat();
            sound.maxRadius = reader.getFloat();
            bank.randomSounds.push_back(std::move(sound));
        } else if (equalsNoCase(word, "baseSound")) {
            std::string name;
            if (reader.readString(name)) {
                bank.baseSound = name;
                bank.baseSoundLine = reader.getLine();
            }
        } else {
            ++bank.unknownWords;
            reportUnknown(reader, word);
        }
    }
    return bank;
}
