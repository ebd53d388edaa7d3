// Parses arbitrary bytes as a shader script and checks every definition read.
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "graphics/shaders/ShaderScriptParser.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <string>

namespace {

template <class E> bool inTable(E value, const EnumNameTable& table)
{
    int v = static_cast<int>(value);
    return v >= 0 && v < table.count();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem debug;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::unique_ptr<ShaderDefinition>> defs;
    int32_t next = 0;
    ShaderScriptParser(size > 0 && (data[0] & 1)).parseFile(text, "Shaders/fuzz.sdr", defs, next);
    FUZZ_CHECK(next == static_cast<int32_t>(defs.size()));
    for (const auto& d : defs) {
        FUZZ_CHECK(d->groupHash == hashString(d->blendGroup));
        FUZZ_CHECK(inTable(d->sort, sortTypeTable()));
        FUZZ_CHECK(isComparison(d->depthFunc) && isComparison(d->stencilFunc));
        for (unsigned action : d->stencilActions) {
            FUZZ_CHECK(isStencilAction(action));
        }
        FUZZ_CHECK(d->cullFace == GL_BACK || d->cullFace == GL_FRONT);
        FUZZ_CHECK(d->vertexDeformation == !d->deforms.empty());
        for (const VertexDeform& deform : d->deforms) {
            FUZZ_CHECK(inTable(deform.type, deformVertsTypeTable()));
        }
        bool stageNormals = false;
        for (const ShaderStageDefinition& s : d->stages) {
            FUZZ_CHECK(s.vertexColorMode >= 0 && s.vertexColorMode <= 3);
            FUZZ_CHECK(inTable(s.colorGen, colorGenTable()) && inTable(s.alphaGen, alphaGenTable()));
            FUZZ_CHECK(isClampMode(s.clampU) && isClampMode(s.clampV));
            FUZZ_CHECK(isSourceBlend(s.sourceBlend) && isDestBlend(s.destBlend));
            FUZZ_CHECK(!s.alphaTestEnabled || isComparison(s.alphaTestFunc));
            for (const UVModifier& m : s.uvModifiers) {
                FUZZ_CHECK(inTable(m.type, uvModTable()));
            }
            stageNormals = stageNormals || s.needsNormals;
        }
        FUZZ_CHECK(d->needsNormals == stageNormals);
    }
    return 0;
}
