#include "engine/platform/Shell.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/platform/Platform.h"
#include "engine/platform/X11Clipboard.h"

#include <SDL.h>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
bool defaultOpenUrl(const std::string& url)
{
    // SDL hands the address to xdg-open from a detached process, so a handler
    // that runs the browser in the foreground never blocks the frame.
    std::string utf8 = latin1ToUtf8(url);
    if (SDL_OpenURL(utf8.c_str()) == 0) {
        return true;
    }
    return openUrlWithXdgOpen(utf8);
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
    // Percent-encoded as UTF-8, which is what mail programs read.
    return "mailto:" + percentEncode(latin1ToUtf8(recipient)) +
           "?subject=" + percentEncode(latin1ToUtf8(subject)) + "&body=" + percentEncode(latin1ToUtf8(body));
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

bool openUrlWithXdgOpen(const std::string& url)
{
    // The opener runs in a grandchild, so nothing waits for the browser and
    // no zombie is left; a pipe closed on exec tells whether it started.
    int status[2];
    if (pipe2(status, O_CLOEXEC) != 0) {
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        close(status[0]);
        close(status[1]);
        return false;
    }
    if (child == 0) {
        close(status[0]);
        setsid();
        pid_t opener = fork();
        if (opener == 0) {
            int devnull = ::open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                dup2(devnull, 0);
                dup2(devnull, 1);
                dup2(devnull, 2);
            }
            execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
            int error = errno;
            ssize_t ignored = write(status[1], &error, sizeof error);
            (void)ignored;
            _exit(127);
        }
        _exit(opener < 0 ? 1 : 0);
    }
    close(status[1]);
    int childStatus = 0;
    while (waitpid(child, &childStatus, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    while ((n = read(status[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(status[0]);
    if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0 || n > 0) {
        debugPrint(2, "Cannot open %s: xdg-open could not be started\n", url.c_str());
        return false;
    }
    return true;
}

bool copyHtmlToClipboard(const std::string& html)
{
    // SDL's clipboard holds plain text only: the program's window owns the
    // X11 selection itself and offers the page as HTML (and as its source to
    // those who ask for text).
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !Platform::instance() || !Platform::get().hasWindow()) {
        return false;
    }
    return X11Clipboard::offer(Platform::get().getWindow(), latin1ToUtf8(html));
}

std::string readClipboardText()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_HasClipboardText()) {
        return std::string();
    }
    char* text = SDL_GetClipboardText();
    if (text == nullptr) {
        return std::string();
    }
    std::string latin1 = utf8ToLatin1(text);
    SDL_free(text);
    return latin1;
}
