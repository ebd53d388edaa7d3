#pragma once

#include "graphics/shaders/ShaderDefinition.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TextReader;

// Reads shader scripts (".sdr"). Keywords may stand on any line; every
// argument is read from its keyword's line only, so a short line never takes
// the next keyword as a number (a missing number reads as 0). Bad values are
// logged with "file:line: " in front and replaced by a fixed value; unknown
// keywords are skipped silently. Nothing in a file stops the reading.
class ShaderScriptParser {
public:
    // `betterLighting` decides the vertex colour mode of sphere-lit stages.
    explicit ShaderScriptParser(bool betterLighting = false) : m_betterLighting(betterLighting) {}

    // Appends every definition of the text in file order, numbering them
    // from nextIndex on (which is advanced).
    void parseFile(std::string_view text, const std::string& fileName,
                   std::vector<std::unique_ptr<ShaderDefinition>>& out, int32_t& nextIndex) const;

    // The keywords of one definition after its opening brace, up to its "}"
    // or the end of the text; then the blend group and its hash are settled.
    void parseShaderBody(TextReader& reader, ShaderDefinition& definition) const;
    // The keywords of one stage after its "{", up to its "}" or the end.
    void parseShaderStage(TextReader& reader, ShaderDefinition& definition,
                          ShaderStageDefinition& stage) const;

private:
    bool m_betterLighting;
};

// The value readers: one token from the current line each, a logged fixed
// value when it is missing from the set.
unsigned readSourceBlend(TextReader& reader);
unsigned readDestBlend(TextReader& reader);
unsigned readComparison(TextReader& reader);
unsigned readStencilAction(TextReader& reader);
unsigned readClampMode(TextReader& reader);
// A name of an enumeration table; logs "Unknown %s name %s" and gives the
// table's default when it is missing.
int readEnumName(TextReader& reader, const EnumNameTable& table);
