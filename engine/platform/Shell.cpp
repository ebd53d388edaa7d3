#include "engine/platform/Shell.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"

#include <SDL.h>
#include <atomic>

namespace {
bool defaultOpenUrl(const std::string& url)
{
    // SDL hands the address to xdg-open from a detached process, so a handler
    // that runs the browser in the foreground never blocks the frame.
    return SDL_OpenURL(url.c_str()) == 0;
}

std::atomic<UrlOpener> g_opener{defaultOpenUrl};
} // namespace

void setUrlOpener(UrlOpener opener)
{
    g_opener = opener ? opener : defaultOpenUrl;
}

std::string percentEncode(std::string_view text)
{
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

bool isWebAddress(std::string_view address)
{
    auto startsWith = [&](std::string_view prefix) {
        return address.size() > prefix.size() && equalsNoCase(address.substr(0, prefix.size()), prefix);
    };
    if (!startsWith("http://") && !startsWith("https://")) {
        return false;
    }
    // Control characters and blanks never belong in an address.
    for (unsigned char c : address) {
        if (c <= ' ' || c == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string buildMailtoUrl(std::string_view recipient, std::string_view subject, std::string_view body)
{
    if (body.size() > kMailBodyLimit) {
        body = body.substr(0, kMailBodyLimit);
    }
    return "mailto:" + percentEncode(recipient) + "?subject=" + percentEncode(subject) +
           "&body=" + percentEncode(body);
}

bool openBrowser(const std::string& address)
{
    if (!isWebAddress(address)) {
        debugPrint(2, "Refusing to open \"%s\": only http:// and https:// addresses are opened\n",
                   address.c_str());
        return false;
    }
    return g_opener.load()(address);
}

bool composeEmail(const std::string& recipient, const std::string& subject, const std::string& body)
{
    return g_opener.load()(buildMailtoUrl(recipient, subject, body));
}

bool copyHtmlToClipboard(const std::string& html)
{
    // SDL offers plain UTF-8 text only: the page goes over as its source.
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        return false;
    }
    return SDL_SetClipboardText(html.c_str()) == 0;
}
