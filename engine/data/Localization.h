#pragma once

#include "engine/core/Singleton.h"
#include "engine/core/StringUtil.h"

#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

// Translations of the current language, read from "loc/<language>/"
// "global.trn", "npcChat.trn" and "quests.trn" (later files override earlier
// ones). A text key is written "$$Key$$" inside a text; with arguments
// (see wrapText) it is "$$Key~<a@@b@@>~$$", and the translation refers to the
// arguments as "%1" ... "%9", or "%s"/"%d" for the next unused one.
class Localization : public Singleton<Localization> {
public:
    static constexpr int kMaxPasses = 8;
    static constexpr size_t kMaxTextLength = 65536;
    static constexpr const char* kDefaultLanguage = "english";

    Localization();
    ~Localization();

    // Loads the three files of a language; a missing file is a warning.
    // False when none of them could be read.
    bool load(const std::string& language);
    // Loads the language named by the `loc_language` user variable
    // ("english" when it is unset).
    bool loadCurrentLanguage();
    // Parses one file's text and adds (or replaces) its translations.
    void addTranslations(std::string_view text, const std::string& fileName);
    void clear();

    const std::string& getLanguage() const { return m_language; }
    size_t getCount() const { return m_texts.size(); }
    // The translation of a key (without the dollar signs), or null.
    const std::string* findTranslation(std::string_view key) const;

    // Replaces every text key of the text by its translation, repeating
    // while keys are left, at most kMaxPasses times. A key without a
    // translation becomes the bare key; an unmatched "$$" stays as text.
    // The two options are unused.
    void translate(std::string& text, int optionA = 0, int optionB = 0) const;
    std::string translateCopy(std::string_view text) const;

private:
    bool translatePass(const std::string& in, std::string& out, bool translateKeys) const;

    std::string m_language;
    std::unordered_map<std::string, std::string> m_texts; // lower-case key -> text
};

// "$$" + key + "$$".
std::string wrapText(const char* key);
// "$$" + key + "~<" + the values printed with the format whose blanks became
// "@@", then "@@>~$$". Argument values cannot break the markup: "@@", "$$",
// "~<" and ">~" inside a value are reduced to "@", "$" and "~".
std::string wrapText(const char* key, const char* format, ...) GLOAM_PRINTF(2, 3);
void wrapText(std::string& out, const char* key, const char* format, ...) GLOAM_PRINTF(3, 4);
// "$$" + a + b + "$$": a key with a trailing argument text.
std::string wrapTextPair(std::string_view a, std::string_view b);

// One argument of translateFormat, captured with its kind so that a
// translated format can never read an argument as the wrong type.
struct FormatArg {
    enum Kind { Signed, Unsigned, Floating, Text } kind = Signed;
    long long i = 0;
    unsigned long long u = 0;
    double d = 0.0;
    std::string s;
};

template <class T> FormatArg makeFormatArg(const T& value)
{
    FormatArg arg;
    using V = std::decay_t<T>;
    if constexpr (std::is_same_v<V, bool> || (std::is_integral_v<V> && std::is_signed_v<V>) ||
                  std::is_enum_v<V>) {
        arg.kind = FormatArg::Signed;
        arg.i = static_cast<long long>(value);
    } else if constexpr (std::is_integral_v<V>) {
        arg.kind = FormatArg::Unsigned;
        arg.u = static_cast<unsigned long long>(value);
    } else if constexpr (std::is_floating_point_v<V>) {
        arg.kind = FormatArg::Floating;
        arg.d = static_cast<double>(value);
    } else if constexpr (std::is_pointer_v<V>) {
        static_assert(std::is_convertible_v<V, const char*>, "unsupported translateFormat argument");
        arg.kind = FormatArg::Text;
        const char* text = value;
        arg.s = text != nullptr ? text : "(null)";
    } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
        arg.kind = FormatArg::Text;
        arg.s = std::string(std::string_view(value));
    } else {
        static_assert(std::is_convertible_v<const T&, std::string_view>,
                      "unsupported translateFormat argument");
    }
    return arg;
}
inline FormatArg makeFormatArg(const char* value)
{
    FormatArg arg;
    arg.kind = FormatArg::Text;
    arg.s = value != nullptr ? value : "(null)";
    return arg;
}

// printf-style formatting of a format whose text keys were translated first.
// Each conversion takes the next argument converted to the kind it asks for;
// missing arguments print nothing.
std::string translateFormatArgs(const char* format, const std::vector<FormatArg>& args);
template <class... Args> std::string translateFormat(const char* format, const Args&... args)
{
    std::vector<FormatArg> list;
    list.reserve(sizeof...(Args));
    (list.push_back(makeFormatArg(args)), ...);
    return translateFormatArgs(format, list);
}
