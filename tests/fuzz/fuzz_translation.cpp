// Translation file parser and the translator: the text before the first zero
// byte is a translation file, the rest is translated and used as a format.
#include "engine/core/DebugSystem.h"
#include "engine/data/Localization.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    (void)debug;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t split = text.find('\0');
    Localization localization;
    localization.addTranslations(text.substr(0, split), "fuzz.trn");
    std::string rest(split == std::string_view::npos ? std::string_view() : text.substr(split + 1));
    std::string translated = localization.translateCopy(rest);
    if (translated.size() > 4 * Localization::kMaxTextLength + rest.size()) {
        __builtin_trap();
    }
    translateFormat(rest.c_str(), 7, "name", 2.5, -3);
    std::string wrapped = wrapText("Key", "%s %d", rest.c_str(), 5);
    localization.translate(wrapped);
    return 0;
}
