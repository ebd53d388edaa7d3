#pragma once

#include <array>
#include <string>
#include <string_view>

// The markup the character exports share: HTML tags by index, the forum's
// tag kinds, links, colour-code conversion and the escaping of game texts.
namespace ExportMarkup {

enum HtmlTag { kHtml, kHead, kTitle, kBody, kParagraph, kHeading1, kHeading2, kCenter };
extern const std::array<const char*, 8> htmlTagNames;

enum class VbulletinTagKind { Paragraph, Heading, Subheading, Center };

// The footer's link; a reserved name until the project has an address.
inline constexpr const char* kFooterUrl = "https://gloamreach.example/";
inline constexpr const char* kFooterText = "Gloamreach / Varnholt";

void openHtmlTag(std::string& out, int tag, const char* attributes = nullptr);
void closeHtmlTag(std::string& out, int tag);
// <html><head><title>title</title></head>, no line breaks.
void beginHtmlDocument(std::string& out, std::string_view title);
void appendHtmlLink(std::string& out, std::string_view url, std::string_view text);
void openVbulletinTag(std::string& out, VbulletinTagKind kind);
void closeVbulletinTag(std::string& out, VbulletinTagKind kind);
void appendVbulletinUrl(std::string& out, std::string_view url, std::string_view text);

// Colour codes ("^c" and three digits) become FONT tags or COLOR tags; other
// codes and carets that start none are left for the strip step.
void convertColorCodesToHtml(std::string& text, bool darkPage);
void convertColorCodesToVbulletin(std::string& text);

// A game text, translated, made safe for its target: HTML escapes & < > " ',
// forum text turns [ and ] into ( and ). Colour codes and newlines pass.
std::string htmlText(std::string_view text);
std::string forumText(std::string_view text);

} // namespace ExportMarkup
