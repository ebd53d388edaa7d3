#include "graphics/effects/EffectDefinition.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/core/TextReader.h"
#include "graphics/effects/EffectFileParser.h"

#include <functional>
#include <utility>

namespace {

using Reader = std::function<void(TextReader&, EffectDefinition&)>;

void readRandom3(TextReader& r, RandomValue* out)
{
    for (int i = 0; i < 3; ++i) {
        out[i] = EffectFileParser::readRandomValue(r);
    }
}

// The keywords in the order they are tried.
const std::pair<const char*, Reader>* keywordTable(size_t& count)
{
    static const std::pair<const char*, Reader> table[] = {
        {"spawnRate",
         [](TextReader& r, EffectDefinition& d) {
             float rate = r.getFloat();
             d.spawnInterval = rate > 0.0f ? 1.0f / rate : 0.0f;
         }},
        {"spawnCount", [](TextReader& r, EffectDefinition& d) { d.spawnCount = r.getInt(); }},
        {"texture", [](TextReader&, EffectDefinition&) {}}, // kept by the walk, see parse
        {"linked", [](TextReader&, EffectDefinition& d) { d.linked = true; }},
        {"additive", [](TextReader&, EffectDefinition& d) { d.additive = true; }},
        {"fadeIn", [](TextReader&, EffectDefinition& d) { d.fadeIn = true; }},
        {"fadeOut", [](TextReader&, EffectDefinition& d) { d.fadeOut = true; }},
        {"fade",
         [](TextReader&, EffectDefinition& d) {
             d.fadeIn = true;
             d.fadeOut = true;
         }},
        {"fadeTime", [](TextReader& r, EffectDefinition& d) { d.fadeTime = r.getFloat(); }},
        {"flicker", [](TextReader&, EffectDefinition& d) { d.flicker = true; }},
        {"dieTouch", [](TextReader&, EffectDefinition& d) { d.dieOnTouch = true; }},
        {"tagOriented", [](TextReader&, EffectDefinition& d) { d.tagOriented = true; }},
        {"bounce", [](TextReader&, EffectDefinition& d) { d.bounce = true; }},
        {"bounceFactor", [](TextReader& r, EffectDefinition& d) { d.bounceFactor = r.getFloat(); }},
        {"size", [](TextReader& r, EffectDefinition& d) { d.size = r.getFloat(); }},
        {"maxAge", [](TextReader& r, EffectDefinition& d) { d.maxAge = r.getFloat(); }},
        {"scaleRate", [](TextReader& r, EffectDefinition& d) { d.scaleRate = r.getFloat(); }},
        {"velocity", [](TextReader& r, EffectDefinition& d) { readRandom3(r, d.velocity); }},
        {"avelocity", [](TextReader& r, EffectDefinition& d) { readRandom3(r, d.angularVelocity); }},
        {"speed", [](TextReader& r, EffectDefinition& d) { d.speed = r.getFloat(); }},
        {"direction",
         [](TextReader& r, EffectDefinition& d) {
             d.hasDirection = true;
             readRandom3(r, d.direction);
         }},
        {"alpha", [](TextReader& r, EffectDefinition& d) { d.alpha = r.getFloat(); }},
        {"offset", [](TextReader& r, EffectDefinition& d) { readRandom3(r, d.offset); }},
        {"accel", [](TextReader& r, EffectDefinition& d) { EffectFileParser::readFloats(r, d.acceleration, 3); }},
        {"scale", [](TextReader& r, EffectDefinition& d) { d.scale = EffectFileParser::readRandomValue(r); }},
        {"sphere",
         [](TextReader& r, EffectDefinition& d) {
             d.sphereRadius = r.getFloat();
             bool surface = true;
             r.readBool(surface);
             d.onSurface = surface;
         }},
        {"circle",
         [](TextReader& r, EffectDefinition& d) {
             d.circleRadius = r.getFloat();
             bool surface = true;
             r.readBool(surface);
             d.onSurface = surface;
         }},
        {"color", [](TextReader& r, EffectDefinition& d) { EffectFileParser::readFloats(r, d.colour, 3); }},
        {"maxBounces", [](TextReader& r, EffectDefinition& d) { d.maxBounces = r.getInt(); }},
        {"bounceSound",
         [](TextReader& r, EffectDefinition& d) {
             std::string name;
             r.readString(name);
             d.bounceSound = name.empty() ? ResourceHandle() : EffectFileParser::loadIfKnown("Sounds/" + name);
         }},
        {"spin", [](TextReader& r, EffectDefinition& d) { d.spin = r.getFloat() * 360.0f; }},
        {"swipe",
         [](TextReader& r, EffectDefinition& d) {
             d.swipeName.clear();
             r.readString(d.swipeName);
         }},
        {"spawnRateMultWeather", [](TextReader& r, EffectDefinition& d) { d.spawnRateFollowsWeather = r.getBool(); }},
        {"velocityAddWind", [](TextReader& r, EffectDefinition& d) { d.windFactor = r.getFloat(); }},
        {"colorFromItemType", [](TextReader& r, EffectDefinition& d) { d.colourFromItemType = r.getBool(); }},
        {"colorFromCovenant", [](TextReader& r, EffectDefinition& d) { d.colourFromCovenant = r.getBool(); }},
        {"hideWhenParentDead", [](TextReader& r, EffectDefinition& d) { d.hideWhenParentDead = r.getBool(); }},
        {"hideWhenParentHidden", [](TextReader& r, EffectDefinition& d) { d.hideWhenParentHidden = r.getBool(); }},
        {"matchRotationToInitialVelocity",
         [](TextReader& r, EffectDefinition& d) { d.matchRotationToInitialVelocity = r.getBool(); }},
        {"line",
         [](TextReader& r, EffectDefinition& d) {
             d.line = true;
             d.lineAttachPoint.clear();
             r.readString(d.lineAttachPoint);
         }},
    };
    count = std::size(table);
    return table;
}

} // namespace

std::unique_ptr<EffectDefinition> EffectDefinition::create(const std::string& fileName, const uint8_t* data,
                                                           size_t size)
{
    return EffectFileParser::readWhole<EffectDefinition>(fileName, data, size);
}

void EffectDefinition::parse(TextReader& reader, EffectDefinition& d, const std::string& fileName)
{
    size_t count = 0;
    const auto* table = keywordTable(count);
    std::string texture;
    int spawnCountLine = 0;
    EffectFileParser::walk(reader, fileName, "Unknown effects parm %s in %s\n",
                           [&](std::string_view keyword) {
                               for (size_t i = 0; i < count; ++i) {
                                   if (equalsNoCase(keyword, table[i].first)) {
                                       if (i == 2) {
                                           texture.clear();
                                           reader.readString(texture);
                                       }
                                       table[i].second(reader, d);
                                       if (i == 1) {
                                           spawnCountLine = reader.getLine();
                                       }
                                       return true;
                                   }
                               }
                               return false;
                           });
    // One frame must not allocate millions of particles.
    if (d.spawnCount > kMaxSpawnCount) {
        debugPrint(2, "%s:%d: spawnCount %d is above %d; %d used\n", fileName.c_str(), spawnCountLine,
                   d.spawnCount, kMaxSpawnCount, kMaxSpawnCount);
        d.spawnCount = kMaxSpawnCount;
    }
    if (d.spawnInterval > 0.0f && d.spawnInterval * kMaxParticlesPerUpdate < 0.25f) {
        debugPrint(2, "%s: spawnRate %g spawns more than %d particles a frame; the rest is dropped\n",
                   fileName.c_str(), 1.0 / d.spawnInterval, kMaxParticlesPerUpdate);
    }
    d.shader = EffectFileParser::acquireTextureShader(texture, d.additive);
}

std::string EffectDefinition::describe() const
{
    return formatString("%s: effect, %d burst, interval %g, max age %g", getFileName().c_str(), spawnCount,
                        spawnInterval, maxAge);
}
