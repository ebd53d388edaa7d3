// Runs the text tokenizer over arbitrary bytes with every reader, choosing the
// reader from the bytes. The reader must always advance or report the end.
#include "engine/core/DebugSystem.h"
#include "engine/core/TextReader.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Keep warnings about odd bytes in memory rather than on stderr.
    static DebugSystem debug;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    TextReader r(text, "fuzz.txt");
    int lines = 1;
    for (char c : text) {
        lines += (c == '\n') ? 1 : 0;
    }
    std::string token;
    size_t step = 0;
    while (step < size * 4 + 16) {
        uint8_t op = size ? data[step % size] : 0;
        ++step;
        size_t before = r.getPos();
        switch (op % 8) {
        case 0:
            r.readToken(token, false);
            break;
        case 1: {
            int v = 0;
            r.getInt();
            r.readInt(v);
            break;
        }
        case 2:
            r.getFloat();
            r.getVec2();
            break;
        case 3:
            r.getBool();
            r.readString(token);
            break;
        case 4:
            r.expect("{");
            break;
        case 5: {
            // Braces as tokens of their own: a plain word never holds one.
            bool braces = (op & 8) != 0;
            r.setBraceTokens(braces);
            bool got = r.readToken(token, true);
            FUZZ_CHECK(!got || r.getPos() > before);
            if (got && braces && !r.lastTokenQuoted() && token != "{" && token != "}") {
                FUZZ_CHECK(token.find_first_of("{}") == std::string::npos);
            }
            break;
        }
        default: {
            bool atEnd = r.atEnd();
            bool got = r.readToken(token, true);
            FUZZ_CHECK(got != atEnd);
            FUZZ_CHECK(!got || r.getPos() > before);
            break;
        }
        }
        FUZZ_CHECK(r.getPos() <= r.size());
        FUZZ_CHECK(r.getLine() >= 1 && r.getLine() <= lines);
        if (r.atEnd()) {
            break;
        }
    }
    r.report(2, "done at %zu", r.getPos());
    debug.clearRecentLines();
    return 0;
}
