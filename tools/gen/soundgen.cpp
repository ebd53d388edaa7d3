// Synthesises the game's sounds from a text recipe (*.soundsrc): one line per
// file with its name, channels, rate, sample format or Ogg quality, length
// and voice. Writes WAVE itself and Ogg through libvorbisenc (a fixed serial
// number per file, so the bytes repeat). See docs/formats.md, "Sound recipes".
#include "sound/SoundFileWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Recipe {
    std::string name;
    int channels = 1;
    int rate = 22050;
    int bits = 16;         // WAVE
    float quality = -1.0f; // Ogg when >= -0.1
    double seconds = 0.0;
    std::string voice;
    std::vector<double> freqs;
    int line = 0;
};

[[noreturn]] void fail(const std::string& file, int line, const std::string& what)
{
    std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), line, what.c_str());
    std::exit(1);
}

bool toNumber(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(out);
}

// A deterministic noise source per file.
struct Noise {
    uint32_t state;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>((state >> 8) & 0xFFFF) / 32768.0f - 1.0f;
    }
};

// The voice, one value per frame in -1 … 1, before the envelope.
std::vector<float> synthesise(const Recipe& r)
{
    const int frames = static_cast<int>(r.seconds * r.rate);
    std::vector<float> out(static_cast<size_t>(frames));
    const double f0 = r.freqs[0];
    double phase = 0.0;
    Noise noise{static_cast<uint32_t>(f0 * 1000.0)};
    float low = 0.0f;
    const float cutoff = static_cast<float>(1.0 - std::exp(-2.0 * M_PI * f0 * 4.0 / r.rate));
    for (int i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / r.rate;
        double f = f0;
        if (r.voice == "sweep") {
            f = f0 + (r.freqs[1] - f0) * t / r.seconds;
        } else if (r.voice == "chord") {
            size_t step = std::min(r.freqs.size() - 1, static_cast<size_t>(t / r.seconds * r.freqs.size()));
            f = r.freqs[step];
        }
        phase += 2.0 * M_PI * f / r.rate;
        float v = static_cast<float>(0.7 * std::sin(phase) + 0.2 * std::sin(2.0 * phase) +
                                     0.1 * std::sin(3.0 * phase));
        if (r.voice == "noise") {
            low += cutoff * (noise.next() - low);
            v = 0.5f * v + 0.5f * std::max(-1.0f, std::min(1.0f, 3.0f * low));
        }
        out[static_cast<size_t>(i)] = v;
    }
    if (r.voice != "loop") {
        // Envelope: 10 ms attack, exponential decay, 5 ms release.
        for (int i = 0; i < frames; ++i) {
            double t = static_cast<double>(i) / r.rate;
            double env = std::min(1.0, t / 0.01) * std::exp(-2.0 * t / r.seconds);
            double left = r.seconds - t;
            env *= std::min(1.0, left / 0.005);
            out[static_cast<size_t>(i)] *= static_cast<float>(env);
        }
    }
    return out;
}

Recipe parseLine(const std::string& file, int lineNumber, const std::vector<std::string>& words)
{
    if (words.size() < 7) {
        fail(file, lineNumber, "expected: name channels rate format seconds voice frequency…");
    }
    Recipe r;
    r.line = lineNumber;
    r.name = words[0];
    std::string ext = r.name.size() > 4 ? r.name.substr(r.name.size() - 4) : "";
    if (ext != ".wav" && ext != ".ogg") {
        fail(file, lineNumber, "name must end in .wav or .ogg: " + r.name);
    }
    if (words[1] == "mono") {
        r.channels = 1;
    } else if (words[1] == "stereo") {
        r.channels = 2;
    } else {
        fail(file, lineNumber, "channels must be mono or stereo: " + words[1]);
    }
    double v = 0;
    if (!toNumber(words[2], v) || v < 8000 || v > 48000) {
        fail(file, lineNumber, "rate must be 8000 to 48000: " + words[2]);
    }
    r.rate = static_cast<int>(v);
    const std::string& format = words[3];
    if (ext == ".wav") {
        if (format == "pcm8") {
            r.bits = 8;
        } else if (format == "pcm16") {
            r.bits = 16;
        } else {
            fail(file, lineNumber, "a WAVE format is pcm8 or pcm16: " + format);
        }
    } else {
        if (format.rfind("q", 0) != 0 || !toNumber(format.substr(1), v) || v < -0.1 || v > 1.0) {
            fail(file, lineNumber, "an Ogg format is q<quality>, -0.1 to 1.0: " + format);
        }
        r.quality = static_cast<float>(v);
    }
    if (!toNumber(words[4], r.seconds) || r.seconds <= 0.01 || r.seconds > 120) {
        fail(file, lineNumber, "length must be 0.01 to 120 seconds: " + words[4]);
    }
    r.voice = words[5];
    size_t need = r.voice == "sweep" ? 2 : r.voice == "chord" ? 2 : 1;
    if (r.voice != "tone" && r.voice != "noise" && r.voice != "sweep" && r.voice != "chord" &&
        r.voice != "loop") {
        fail(file, lineNumber, "unknown voice " + r.voice + " (tone, noise, sweep, chord, loop)");
    }
    for (size_t i = 6; i < words.size(); ++i) {
        if (!toNumber(words[i], v) || v < 20 || v > r.rate / 2.0) {
            fail(file, lineNumber, "frequency must be 20 Hz to half the rate: " + words[i]);
        }
        r.freqs.push_back(v);
    }
    if (r.freqs.size() < need) {
        fail(file, lineNumber, r.voice + " needs " + std::to_string(need) + " frequencies");
    }
    if (r.voice == "loop") {
        // Whole cycles over the length, so the end meets the start.
        double cycles = std::round(r.freqs[0] * r.seconds);
        r.freqs[0] = cycles / r.seconds;
    }
    return r;
}

bool writeIfChanged(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (old == bytes) {
                return true;
            }
        }
    }
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return !ec;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: soundgen <recipe.soundsrc> <output data directory>\n");
        return 2;
    }
    const std::string file = argv[1];
    std::ifstream in(file);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read\n", file.c_str());
        return 1;
    }
    std::vector<Recipe> recipes;
    std::map<long, int> fundamentals; // Hz × 100 → line
    std::string text;
    for (int lineNumber = 1; std::getline(in, text); ++lineNumber) {
        size_t hash = text.find('#');
        if (hash != std::string::npos) {
            text.erase(hash);
        }
        std::istringstream words(text);
        std::vector<std::string> list;
        for (std::string w; words >> w;) {
            list.push_back(w);
        }
        if (list.empty()) {
            continue;
        }
        Recipe r = parseLine(file, lineNumber, list);
        long key = std::lround(r.freqs[0] * 100.0);
        if (auto it = fundamentals.find(key); it != fundamentals.end()) {
            fail(file, lineNumber,
                 "fundamental frequency already used on line " + std::to_string(it->second));
        }
        fundamentals[key] = lineNumber;
        recipes.push_back(r);
    }
    for (const Recipe& r : recipes) {
        // The serial number comes from the name, so it stays with the file.
        int serial = 0;
        uint32_t hash = 2166136261u;
        for (char c : r.name) {
            hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
        }
        serial = static_cast<int>(hash & 0x7FFFFFFF);
        std::vector<float> voice = synthesise(r);
        std::vector<int16_t> samples;
        samples.reserve(voice.size() * static_cast<size_t>(r.channels));
        for (size_t i = 0; i < voice.size(); ++i) {
            for (int c = 0; c < r.channels; ++c) {
                // Stereo: the right channel a little quieter, so the two differ.
                float gain = c == 0 ? 0.8f : 0.7f;
                samples.push_back(static_cast<int16_t>(std::lround(voice[i] * gain * 32767.0f)));
            }
        }
        std::vector<uint8_t> bytes;
        if (r.quality >= -0.1f) {
            if (!SoundFileWriter::makeOgg(samples, r.channels, r.rate, r.quality, serial, bytes)) {
                fail(file, r.line, "the Ogg encoder refused the settings");
            }
        } else {
            bytes = SoundFileWriter::makeWave(samples, r.channels, r.rate, r.bits);
        }
        if (!writeIfChanged(std::filesystem::path(argv[2]) / r.name, bytes)) {
            fail(file, r.line, "cannot write " + r.name);
        }
    }
    return 0;
}
