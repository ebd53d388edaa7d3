#include "client/export/ExportMarkup.h"

#include "engine/core/Color.h"
#include "engine/core/ColorCodes.h"
#include "engine/core/ColorSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Localization.h"

namespace ExportMarkup {

const std::array<const char*, 8> htmlTagNames = {"html", "head", "title", "body", "p", "h1", "h2", "center"};

namespace {

constexpr int kNormalColor = 145;

struct TagText {
    const char* open;
    const char* close;
};
constexpr TagText kForumTags[] = {{"\n\n", "\n"},
                                  {"[SIZE=\"3\"][B]", "[/B][/SIZE]"},
                                  {"[SIZE=\"3\"]", "[/SIZE]"},
                                  {"[CENTER]", "[/CENTER]"}};

std::string forumColorName(int n)
{
    switch (n) {
    case 1:
        return "Red";
    case 2:
        return "Green";
    case 4:
        return "Gray";
    case 5:
        return "YellowGreen";
    case 6:
        return "Orange";
    case 8:
        return "Cyan";
    case 26:
        return "Sienna";
    case 32:
        return "DeepSkyBlue";
    case 35:
        return "DimGray";
    case 61:
        return "SandyBrown";
    case 95:
    case 147:
        return "Purple";
    case 128:
        return "Silver";
    default:
        return "Gray";
    }
}

std::string htmlColor(int n, bool darkPage)
{
    if (n == kNormalColor) {
        return darkPage ? "<FONT color=#CCCCCC>" : "<FONT color=#000000>";
    }
    std::string hex;
    if (!darkPage && n == 5) {
        hex = Color::toHexString(0.75f, 0.75f, 0.0f);
    } else {
        const Color c = ColorSystem::getColor(n >= 0 && n <= 148 ? n : 0);
        hex = Color::toHexString(c.r, c.g, c.b);
    }
    return "<FONT color=" + hex + ">";
}

// Each colour code with the letter c is replaced everywhere at its first
// sight; the scan goes on past the replacement, so it ends.
template <class Replacement> void convert(std::string& text, Replacement replacement)
{
    size_t at = 0;
    while ((at = text.find('^', at)) != std::string::npos) {
        char letter = 0;
        int number = 0;
        if (!isColorCodeAt(text, at, &letter, &number) || letter != 'c') {
            ++at;
            continue;
        }
        const std::string code = text.substr(at, 5);
        const std::string with = replacement(number);
        replaceAll(text, code, with);
        at += with.size();
    }
}

std::string translated(std::string_view text)
{
    std::string out(text);
    if (Localization* loc = Localization::instance()) {
        loc->translate(out);
    }
    return out;
}

} // namespace

void openHtmlTag(std::string& out, int tag, const char* attributes)
{
    out += '<';
    out += htmlTagNames[static_cast<size_t>(tag)];
    if (attributes) {
        out += ' ';
        out += attributes;
    }
    out += '>';
}

void closeHtmlTag(std::string& out, int tag)
{
    out += "</";
    out += htmlTagNames[static_cast<size_t>(tag)];
    out += '>';
}

void beginHtmlDocument(std::string& out, std::string_view title)
{
    openHtmlTag(out, kHtml);
    openHtmlTag(out, kHead);
    openHtmlTag(out, kTitle);
    out += title;
    closeHtmlTag(out, kTitle);
    closeHtmlTag(out, kHead);
}

void appendHtmlLink(std::string& out, std::string_view url, std::string_view text)
{
    out += "<a href=\"";
    out += url;
    out += "\">";
    out += text;
    out += "</a>";
}

void openVbulletinTag(std::string& out, VbulletinTagKind kind)
{
    out += kForumTags[static_cast<size_t>(kind)].open;
}

void closeVbulletinTag(std::string& out, VbulletinTagKind kind)
{
    out += kForumTags[static_cast<size_t>(kind)].close;
}

void appendVbulletinUrl(std::string& out, std::string_view url, std::string_view text)
{
    out += "[URL=\"";
    out += url;
    out += "\"]";
    out += text;
    out += "[/URL]";
}

void convertColorCodesToHtml(std::string& text, bool darkPage)
{
    convert(text, [darkPage](int n) { return htmlColor(n, darkPage); });
}

void convertColorCodesToVbulletin(std::string& text)
{
    convert(text, [](int n) {
        return n == kNormalColor ? std::string("[/COLOR]") : "[COLOR=\"" + forumColorName(n) + "\"]";
    });
}

std::string htmlText(std::string_view text)
{
    std::string out;
    for (char c : translated(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string forumText(std::string_view text)
{
    std::string out = translated(text);
    for (char& c : out) {
        c = c == '[' ? '(' : c == ']' ? ')' : c;
    }
    return out;
}

} // namespace ExportMarkup
