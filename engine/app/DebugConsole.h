#pragma once

#include "engine/app/StdinLineSource.h"
#include "engine/core/Singleton.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The debug console's logic: opening and closing with the grave key, the
// line being typed, the history of entered lines and the scroll position
// over the debug system's ring of lines. Typed lines run as console commands
// without the program flag. While open it has the client install its key
// hook (every key comes here). Drawing and the scroll bar are attached by the
// graphics and UI layers. Without a window it reads its lines from standard
// input instead.
class DebugConsole : public Singleton<DebugConsole> {
public:
    static constexpr int kToggleKey = 0x29; // grave
    static constexpr size_t kMaxHistory = 64;

    // Runs a typed line (fromProgram clear).
    using LineRunner = std::function<void(const std::string& line)>;
    // Asks the client to route every key here (true) or stop doing so.
    using KeyHookSetter = std::function<void(bool install)>;
    using DrawHook = std::function<void(const DebugConsole& console)>;
    using MouseHook = std::function<bool(int button, bool down, int x)>;
    // Whether the program goes on running (false once a quit was asked for).
    using RunningCheck = std::function<bool()>;

    DebugConsole();
    ~DebugConsole();

    // Starts the console; with readStdin, lines come from standard input.
    void start(bool readStdin, int fd = 0);
    void setLineRunner(LineRunner runner) { m_runner = std::move(runner); }
    void setKeyHookSetter(KeyHookSetter setter) { m_keyHookSetter = std::move(setter); }
    void setDrawHook(DrawHook hook) { m_drawHook = std::move(hook); }
    void setMouseHook(MouseHook hook) { m_mouseHook = std::move(hook); }
    void setRunningCheck(RunningCheck check) { m_runningCheck = std::move(check); }

    void open();
    void close();
    void toggle();
    bool isOpen() const { return m_open; }

    // A key (DirectInput code); true when the console took it. Closed, it
    // takes only the toggle key.
    bool handleKey(int code, bool down, bool repeat);
    // A mouse button, offered before the menus; true when taken.
    bool handleMouseButton(int button, bool down, int x);

    // Runs a line as typed and keeps it in the history.
    void submit(const std::string& line);
    // Each frame: lines from standard input in headless runs.
    void update();
    void draw() const;

    const std::string& getInput() const { return m_input; }
    const std::vector<std::string>& getHistory() const { return m_history; }
    int getScroll() const { return m_scroll; }
    // Lines scrolled back from the newest (the scroll bar moves it too).
    void setScroll(int scroll) { m_scroll = scroll > 0 ? scroll : 0; }
    bool isReadingStdin() const { return m_stdin != nullptr; }
    bool isStdinClosed() const { return m_stdin && m_stdin->isClosed(); }

private:
    void recallHistory(int step);

    bool m_open = false;
    std::string m_input;
    // The typed line reached its length limit (said once per line).
    bool m_inputCut = false;
    std::vector<std::string> m_history;
    int m_historyPos = -1; // -1: the line being typed
    int m_scroll = 0;      // lines scrolled back from the newest
    std::unique_ptr<StdinLineSource> m_stdin;
    LineRunner m_runner;
    KeyHookSetter m_keyHookSetter;
    DrawHook m_drawHook;
    MouseHook m_mouseHook;
    RunningCheck m_runningCheck;
};
