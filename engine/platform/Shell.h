#pragma once

#include <string>
#include <string_view>

// Opening web addresses and mail messages with the desktop's handlers, and
// the clipboard. Nothing here goes through a shell. Texts are the game's
// Latin-1 on this side and UTF-8 towards the desktop.

// RFC 3986 percent-encoding: everything but unreserved characters.
std::string percentEncode(std::string_view text);
// True for "http://" and "https://" addresses (without regard to case).
bool isWebAddress(std::string_view address);
// "mailto:" + recipient + "?subject=" + subject + "&body=" + body, each
// percent-encoded, the body cut to kMailBodyLimit bytes first.
constexpr size_t kMailBodyLimit = 1500;
std::string buildMailtoUrl(std::string_view recipient, std::string_view subject, std::string_view body);

// Opens a web address; other schemes are refused (false).
bool openBrowser(const std::string& address);
bool composeEmail(const std::string& recipient, const std::string& subject, const std::string& body);
// Puts the HTML text on the clipboard; false when it cannot be opened.
bool copyHtmlToClipboard(const std::string& html);
// The clipboard's text in Latin-1 ('?' for other characters); "" when there
// is none or no video layer.
std::string readClipboardText();

// Starts xdg-open with the (UTF-8) address, without waiting for it; false
// when it cannot be started.
bool openUrlWithXdgOpen(const std::string& url);

// The URL opener; tests replace it. The default is SDL_OpenURL (xdg-open,
// without waiting for the handler), and xdg-open itself when SDL cannot.
using UrlOpener = bool (*)(const std::string& url);
void setUrlOpener(UrlOpener opener);
