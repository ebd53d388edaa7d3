#pragma once

#include "engine/core/Singleton.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

// Keyboard and mouse. The platform pump queues key, button and wheel events
// and sets the mouse position (in 640 × 480 screen space); the client polls
// them once a frame, which runs them as "keyPress key down repeat" and
// "buttonPress button down x y" command lines with the program flag, and
// keeps the held and pressed-this-frame arrays by DirectInput code.
class Input : public Singleton<Input> {
public:
    static constexpr int kNumKeys = 256;
    static constexpr int kNumButtons = 5; // left, right, middle, X1, X2
    static constexpr int kScreenWidth = 640;
    static constexpr int kScreenHeight = 480;

    // Runs one command line as issued by the program.
    using LineRunner = std::function<void(const std::string& line)>;

    Input();
    ~Input();

    // Starts the devices; false when they cannot be started. Without
    // devices (headless) nothing is opened and polls find nothing.
    bool start(bool devices);
    void stop();
    bool isStarted() const { return m_started; }
    void setLineRunner(LineRunner runner) { m_runner = std::move(runner); }

    // Fed by the platform layer.
    void queueKey(int code, bool down, bool repeat);
    void queueButton(int button, bool down, int x, int y);
    void queueWheel(int notches); // > 0 up, < 0 down
    void setMousePosition(int x, int y);
    // The window lost the focus: every held key and button is let go.
    void focusLost();
    // A new window after a video restart: held state and queue are dropped.
    void reset();
    // Counts everything fed in above: the frame redraws after any of it.
    uint64_t getEventCount() const { return m_eventCount; }

    // Polled by the client each frame: every event in the order it came,
    // so that a click is judged with the keys held when it was made (Alt
    // let go in the same frame as a click on a label leaves the click a
    // click on the label).
    void poll();

    bool isKeyHeld(int code) const;
    bool wasKeyPressed(int code) const;
    const uint8_t* getHeldKeys() const { return m_held; }
    const uint8_t* getPressedKeys() const { return m_pressed; }
    bool isButtonHeld(int button) const;
    bool wasButtonPressed(int button) const;
    // The client clears the pressed flags after each drawn frame.
    void clearPressed();

    void getMousePosition(int& x, int& y) const;
    int getMouseX() const { return m_mouseX; }
    int getMouseY() const { return m_mouseY; }

    // The typed character of a key with the state of either shift key; 0 for
    // codes outside 2 … 181 and keys that type nothing. Tab gives '\t'.
    int scanCodeToChar(int code) const;
    static int scanCodeToChar(int code, bool shift);

private:
    enum class Kind { Key, Button, Wheel };
    struct Event {
        Kind kind;
        int code;
        bool down;
        bool repeat;
        int x, y;
    };
    void run(const std::string& line);
    void dispatch(const Event& e);

    mutable std::mutex m_mutex; // the queue: the pump and the poll may differ in thread
    std::deque<Event> m_queue;
    uint8_t m_queuedKeys[kNumKeys] = {}; // held state once the queue is drained
    bool m_queuedButtons[kNumButtons] = {};
    uint8_t m_held[kNumKeys] = {};
    uint8_t m_pressed[kNumKeys] = {};
    bool m_buttonHeld[kNumButtons] = {};
    bool m_buttonPressed[kNumButtons] = {};
    int m_mouseX = 0;
    int m_mouseY = 0;
    bool m_started = false;
    bool m_devices = false;
    LineRunner m_runner;
    std::atomic<uint64_t> m_eventCount{0};
};
