#include "engine/platform/Platform.h"
#include "engine/input/Input.h"
#include "engine/input/KeyCodes.h"
#include "engine/platform/CriticalError.h"
#include "engine/platform/Cursor.h"
#include "engine/platform/Directories.h"
#include "engine/platform/HeapPolicy.h"
#include "engine/platform/LaunchOptions.h"
#include "engine/platform/MonotonicTime.h"
#include "engine/platform/Shell.h"
#include "engine/platform/Signals.h"
#include "engine/platform/SystemInfo.h"
#include "support/TestSupport.h"
#include "support/XvfbDisplay.h"

#include <SDL.h>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <vector>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace {

bool parse(std::vector<const char*> args, LaunchOptions& out, std::string& error)
{
    args.insert(args.begin(), "gloamreach");
    return LaunchOptions::parse(static_cast<int>(args.size()), args.data(), out, error);
}

TEST(LaunchOptionsTest, ReadsTheThreeFlagsInBothForms)
{
    LaunchOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--headless", "--data-dir", "data", "--user-dir=/tmp/u"}, o, error)) << error;
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.dataDir, "data");
    EXPECT_EQ(o.userDir, "/tmp/u");
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_FALSE(o.headless);
    EXPECT_EQ(o.dataDir, "");

    EXPECT_FALSE(parse({"--data-dir"}, o, error));
    EXPECT_EQ(error, "argument 1: --data-dir needs a directory");
    EXPECT_FALSE(parse({"--headless", "--user-dir="}, o, error));
    EXPECT_EQ(error, "argument 2: --user-dir needs a directory");
    EXPECT_FALSE(parse({"--fullscreen"}, o, error));
    EXPECT_EQ(error, "argument 1: unknown option \"--fullscreen\"");
    EXPECT_FALSE(parse({"--headless=1"}, o, error));
}

TEST(DirectoriesTest, BaseAndUserFollowTheArgumentsAndFallBacks)
{
    TempDir dir;
    Directories d = Directories::resolve(dir.path().string() + "/", "");
    EXPECT_EQ(d.base, dir.path().string());
    EXPECT_EQ(d.user, dir.file("User")); // the base can be written
    d = Directories::resolve(dir.path().string(), dir.file("elsewhere"));
    EXPECT_EQ(d.user, dir.file("elsewhere"));
    // The test program's directory has no game data: the build's data/.
    d = Directories::resolve("", "");
    EXPECT_EQ(d.base, std::string(GLOAM_SOURCE_DIR) + "/data");
    EXPECT_TRUE(std::filesystem::exists(d.base + "/Database/database.dbl"));
    EXPECT_EQ(d.generated, std::string(GLOAM_GENERATED_DIR) + "/data");

    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    std::string saved = oldXdg ? oldXdg : "";
    setenv("XDG_DATA_HOME", "/xdg/data", 1);
    EXPECT_EQ(Directories::xdgUserDirectory(), "/xdg/data/gloamreach/User");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_NE(Directories::xdgUserDirectory().find("/.local/share/gloamreach/User"), std::string::npos);
    if (oldXdg) {
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

// Sets or removes an environment variable for one scope.
class EnvOverride {
public:
    EnvOverride(const char* name, const char* value) : m_name(name)
    {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        m_old = old ? old : "";
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~EnvOverride()
    {
        if (m_had) {
            setenv(m_name.c_str(), m_old.c_str(), 1);
        } else {
            unsetenv(m_name.c_str());
        }
    }

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

TEST(DirectoriesTest, FallbackUserDirectorySurvivesABareEnvironment)
{
    // No home and a temporary directory that does not exist (a bare service
    // environment): still a user directory, never an exception.
    EnvOverride xdg("XDG_DATA_HOME", nullptr);
    EnvOverride home("HOME", nullptr);
    EnvOverride tmp("TMPDIR", "/nonexistent/gloam-tmp");
    std::string user;
    EXPECT_NO_THROW(user = Directories::xdgUserDirectory());
    EXPECT_EQ(user, "/tmp/.local/share/gloamreach/User");
}

std::vector<std::string> g_opened;
bool captureOpen(const std::string& url)
{
    g_opened.push_back(url);
    return true;
}

TEST(ShellTest, OnlyWebAddressesOpenAndMailIsEncoded)
{
    LogCapture log;
    EXPECT_EQ(percentEncode("a b&c=d/é~"), "a%20b%26c%3Dd%2F%C3%A9~");
    EXPECT_TRUE(isWebAddress("https://example.org/x?y=1"));
    EXPECT_TRUE(isWebAddress("HTTP://example.org"));
    EXPECT_FALSE(isWebAddress("http://"));
    EXPECT_FALSE(isWebAddress("file:///etc/passwd"));
    EXPECT_FALSE(isWebAddress("javascript:alert(1)"));
    EXPECT_FALSE(isWebAddress("https://a b"));
    EXPECT_FALSE(isWebAddress("https://a\nb"));

    g_opened.clear();
    setUrlOpener(captureOpen);
    EXPECT_TRUE(openBrowser("https://example.org"));
    EXPECT_FALSE(openBrowser("ftp://example.org"));
    EXPECT_TRUE(log.contains("Refusing to open \"ftp://example.org\"", 2));
    EXPECT_TRUE(composeEmail("me@example.org", "Hi & bye", "line 1\nline 2"));
    setUrlOpener(nullptr);
    ASSERT_EQ(g_opened.size(), 2u);
    EXPECT_EQ(g_opened[0], "https://example.org");
    EXPECT_EQ(g_opened[1], "mailto:me%40example.org?subject=Hi%20%26%20bye&body=line%201%0Aline%202");

    std::string longBody(kMailBodyLimit + 100, 'x');
    std::string url = buildMailtoUrl("a", "b", longBody);
    EXPECT_EQ(url.size(), std::string("mailto:a?subject=b&body=").size() + kMailBodyLimit);
    // Without a video layer there is no clipboard.
    EXPECT_FALSE(copyHtmlToClipboard("<b>x</b>"));
}

TEST(ShellTest, XdgOpenFallbackGetsTheAddressAndLatin1MailGoesAsUtf8)
{
    EXPECT_EQ(buildMailtoUrl("a", "Caf\xE9", ""), "mailto:a?subject=Caf%C3%A9&body=");

    // A stand-in xdg-open on PATH records the address it was given.
    TempDir dir;
    dir.write("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/../opened.tmp\"\n"
                              "mv \"$(dirname \"$0\")/../opened.tmp\" \"$(dirname \"$0\")/../opened\"\n");
    std::filesystem::permissions(dir.file("bin/xdg-open"), std::filesystem::perms::owner_all);
    const char* oldPath = std::getenv("PATH");
    std::string saved = oldPath ? oldPath : "";
    setenv("PATH", (dir.file("bin") + ":" + saved).c_str(), 1);
    EXPECT_TRUE(openUrlWithXdgOpen("https://example.org/caf\xC3\xA9"));
    std::string opened;
    // The opener runs in a process of its own: a minute only catches a hang.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (opened.empty() && std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(dir.file("opened"));
        std::getline(in, opened);
        if (opened.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    EXPECT_EQ(opened, "https://example.org/caf\xC3\xA9");

    // Without any xdg-open: false, with a line.
    LogCapture log;
    setenv("PATH", dir.file("nothing-here").c_str(), 1);
    EXPECT_FALSE(openUrlWithXdgOpen("https://example.org"));
    EXPECT_TRUE(log.contains("xdg-open could not be started", 2));
    setenv("PATH", saved.c_str(), 1);
}

TEST(CriticalErrorTest, WithoutABoxTheTextGoesToStderr)
{
    setCriticalErrorBoxAllowed(false);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(showCriticalError("Cannot start the video system: x11 not available"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Critical Error: Cannot start the video system: x11 not available\n");
    setCriticalErrorBoxAllowed(true);
}

TEST(CriticalErrorTest, TheBoxTextBreaksAtBlanksIntoShortLines)
{
    const std::string sound =
        "Sound system failed to initialize!  See /home/someone/.local/share/game/log.txt "
        "for more info.  To play without sound, put \"s_initSound 0\" in "
        "/home/someone/.local/share/game/user.cfg, or start with ALSOFT_DRIVERS=null "
        "for OpenAL Soft's silent device.";
    const std::string longWord(90, 'x');
    struct Case {
        std::string text;
        std::size_t width;
        std::string expected; // empty: only the line lengths and the words are checked
    };
    const Case cases[] = {
        {"short text", 72, "short text"},
        {"aaa bbb ccc", 7, "aaa bbb\nccc"},
        {"aaa  bbb ccc", 8, "aaa  bbb\nccc"},
        {"aaa bbb", 3, "aaa\nbbb"},
        {"one\ntwo three", 7, "one\ntwo\nthree"},
        {"a " + longWord + " b", 72, "a\n" + longWord + "\nb"},
        {"", 72, ""},
        {sound, kCriticalErrorLineWidth, ""},
    };
    auto words = [](const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string word; in >> word;) {
            out.push_back(word);
        }
        return out;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string broken = breakCriticalErrorText(c.text, c.width);
        if (!c.expected.empty() || c.text.empty()) {
            EXPECT_EQ(broken, c.expected);
        }
        EXPECT_EQ(words(broken), words(c.text));
        std::istringstream lines(broken);
        for (std::string line; std::getline(lines, line);) {
            if (line != longWord) {
                EXPECT_LE(line.size(), c.width) << line;
            }
        }
    }
    EXPECT_GT(sound.size(), 2 * kCriticalErrorLineWidth);
}

TEST(CriticalErrorTest, TheEnvironmentSwitchTurnsTheBoxOffWhateverWasAllowed)
{
    setCriticalErrorBoxAllowed(true);
    unsetenv(kNoCriticalErrorBoxEnv);
    EXPECT_TRUE(isCriticalErrorBoxAllowed());
    setenv(kNoCriticalErrorBoxEnv, "1", 1);
    EXPECT_FALSE(isCriticalErrorBoxAllowed());
    setenv(kNoCriticalErrorBoxEnv, "0", 1);
    EXPECT_TRUE(isCriticalErrorBoxAllowed());
    setenv(kNoCriticalErrorBoxEnv, "", 1);
    EXPECT_TRUE(isCriticalErrorBoxAllowed());
    unsetenv(kNoCriticalErrorBoxEnv);
}

TEST(SignalsTest, TerminationSignalsClearTheRunningFlag)
{
    std::atomic<bool> running{true};
    installTerminationSignals(&running);
    std::raise(SIGTERM);
    EXPECT_FALSE(running);
    EXPECT_EQ(lastTerminationSignal(), SIGTERM);
    running = true;
    std::raise(SIGINT);
    EXPECT_FALSE(running);
    installTerminationSignals(nullptr);
}

// Each setting of the heap policy takes on glibc (the sanitizers' allocator
// takes none): a policy compiled out left every freed heap top to the kernel,
// and a database load cost its page faults again.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLOAM_HEAP_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GLOAM_HEAP_SANITIZED 1
#endif
TEST(HeapPolicyTest, EverySettingTakesOnGlibc)
{
#if defined(__GLIBC__) && !defined(GLOAM_HEAP_SANITIZED)
    EXPECT_TRUE(keepHeapMemory());
#else
    GTEST_SKIP() << "not glibc's allocator";
#endif
}

TEST(ClockTest, MonotonicAndSleepsAtLeastAsLongAsAsked)
{
    uint64_t a = monotonicNanoseconds();
    sleepMilliseconds(15);
    uint64_t b = monotonicNanoseconds();
    EXPECT_GE(b - a, 15'000'000u);
    double ms = monotonicMilliseconds();
    yieldThread();
    EXPECT_GE(monotonicMilliseconds(), ms);
}

class PlatformEventTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        input.start(false);
        input.setLineRunner([this](const std::string& line) { lines.push_back(line); });
        platform.addHooks({[this](bool active, bool minimised) {
                               activations.push_back({active, minimised});
                           },
                           [this] { ++fullscreenToggles; }, [this] { ++cursorUpdates; }});
    }
    static SDL_Event key(SDL_Scancode code, bool down, bool repeat = false, Uint16 mod = KMOD_NONE)
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.keysym.scancode = code;
        e.key.keysym.mod = mod;
        e.key.repeat = repeat ? 1 : 0;
        return e;
    }
    static SDL_Event window(Uint8 event)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = event;
        return e;
    }

    std::atomic<bool> running{true};
    SystemInfo info;
    Input input;
    Platform platform{&running};
    std::vector<std::string> lines;
    std::vector<std::pair<bool, bool>> activations;
    int fullscreenToggles = 0;
    int cursorUpdates = 0;
};

TEST_F(PlatformEventTest, KeysReachInputAndAltEnterTogglesFullscreen)
{
    platform.handleEvent(key(SDL_SCANCODE_A, true));
    platform.handleEvent(key(SDL_SCANCODE_RETURN, true, false, KMOD_LALT));
    platform.handleEvent(key(SDL_SCANCODE_RETURN, true, true, KMOD_LALT)); // repeat: no second toggle
    platform.handleEvent(key(SDL_SCANCODE_F13, true));                     // no DirectInput code
    input.poll();
    EXPECT_EQ(fullscreenToggles, 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"keyPress 30 1 0", "keyPress 28 1 0", "keyPress 28 1 1"}));
}

TEST_F(PlatformEventTest, EverySubscriberHearsActivationAndAltEnterInOrder)
{
    std::vector<std::string> heard;
    int second =
        platform.addHooks({[&](bool active, bool) { heard.push_back(active ? "B active" : "B inactive"); },
                           [&] { heard.push_back("B toggle"); }, nullptr});
    platform.handleEvent(window(SDL_WINDOWEVENT_FOCUS_LOST));
    platform.handleEvent(key(SDL_SCANCODE_RETURN, true, false, KMOD_LALT));
    EXPECT_EQ(activations.back(), std::make_pair(false, false));
    EXPECT_EQ(fullscreenToggles, 1);
    EXPECT_EQ(heard, (std::vector<std::string>{"B inactive", "B toggle"}));
    platform.removeHooks(second);
    platform.handleEvent(window(SDL_WINDOWEVENT_FOCUS_GAINED));
    EXPECT_EQ(heard.size(), 2u);
    EXPECT_EQ(activations.back(), std::make_pair(true, false));
}

TEST_F(PlatformEventTest, MouseIsScaledTo640By480)
{
    int x = 0, y = 0;
    Platform::toScreenSpace(640, 480, 1280, 960, x, y);
    EXPECT_EQ(x, 320);
    EXPECT_EQ(y, 240);
    Platform::toScreenSpace(1919, 1079, 1920, 1080, x, y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);

    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 100;
    motion.motion.y = 50;
    platform.handleEvent(motion);
    EXPECT_EQ(input.getMouseX(), 100); // no window: 640 × 480 already
    EXPECT_EQ(cursorUpdates, 1);

    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_RIGHT;
    click.button.x = 320;
    click.button.y = 240;
    platform.handleEvent(click);
    click.type = SDL_MOUSEBUTTONUP;
    platform.handleEvent(click);
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_X2;
    platform.handleEvent(click);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    platform.handleEvent(wheel);
    input.poll();
    EXPECT_EQ(lines, (std::vector<std::string>{"buttonPress 1 1 320 240", "buttonPress 1 0 320 240",
                                               "buttonPress 4 1 320 240", "mouseScrollUp"}));
}

TEST_F(PlatformEventTest, WindowEventsSetTheFlagsAndQuitClearsRunning)
{
    platform.handleEvent(key(SDL_SCANCODE_W, true));
    input.poll();
    lines.clear();
    platform.handleEvent(window(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_FALSE(info.isActive());
    EXPECT_FALSE(platform.isActive());
    input.poll();
    EXPECT_EQ(lines, (std::vector<std::string>{"keyPress 17 0 0"})); // W let go
    platform.handleEvent(window(SDL_WINDOWEVENT_FOCUS_GAINED));
    EXPECT_TRUE(info.isActive());
    platform.handleEvent(window(SDL_WINDOWEVENT_MINIMIZED));
    EXPECT_TRUE(info.isMinimised());
    EXPECT_FALSE(info.isActive());
    platform.handleEvent(window(SDL_WINDOWEVENT_RESTORED));
    EXPECT_FALSE(info.isMinimised());
    EXPECT_TRUE(info.isActive());
    platform.handleEvent(window(SDL_WINDOWEVENT_ENTER));
    EXPECT_EQ(cursorUpdates, 1);
    EXPECT_EQ(activations, (std::vector<std::pair<bool, bool>>{
                               {false, false}, {true, false}, {true, true}, {true, false}}));

    EXPECT_TRUE(running);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    platform.handleEvent(quit);
    EXPECT_FALSE(running);
}

} // namespace

// The interface may still ask for a cursor after the window is gone (a
// command run late, a later test in the same process): SDL's mouse calls
// crash once its video part has quit, so the cursor calls do nothing then.
TEST(CursorXvfbTest, CursorCallsAfterTheVideoHasQuitDoNothing)
{
    XvfbDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "no X display";
    }
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    {
        std::unique_ptr<Cursor> arrow = Cursor::arrow();
        ASSERT_TRUE(arrow);
        arrow->set();
        EXPECT_TRUE(arrow->isCurrent());
        Cursor::show(false);
        EXPECT_FALSE(Cursor::isShown());
        Cursor::show(true);
        EXPECT_TRUE(Cursor::isShown());
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    Cursor::show(false);
    Cursor::show(true);
    EXPECT_FALSE(Cursor::isShown());
    EXPECT_FALSE(Cursor::arrow());
}
