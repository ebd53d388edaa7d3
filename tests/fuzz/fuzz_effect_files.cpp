// Parses arbitrary bytes as each of the three effect formats and checks the
// limits every definition keeps.
#include "engine/core/DebugSystem.h"
#include "engine/core/TextReader.h"
#include "graphics/effects/BeamDefinition.h"
#include "graphics/effects/EffectDefinition.h"
#include "graphics/effects/SwipeDefinition.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem debug;
    auto effect = EffectDefinition::create("Effects/fuzz.eff", data, size);
    FUZZ_CHECK(effect->spawnCount <= EffectDefinition::kMaxSpawnCount);
    FUZZ_CHECK(effect->spawnInterval >= 0.0f);
    for (const RandomValue& v : effect->velocity) {
        FUZZ_CHECK(v.kind == RandomValue::Constant || v.kind == RandomValue::Range);
    }
    auto beam = BeamDefinition::create("Effects/fuzz.bem", data, size);
    FUZZ_CHECK(beam->startSize != -1.0f || beam->size == -1.0f);
    auto swipe = SwipeDefinition::create("Effects/fuzz.swp", data, size);
    FUZZ_CHECK(!swipe->shader.isValid());
    return 0;
}
