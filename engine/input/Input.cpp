#include "engine/input/Input.h"

#include "engine/core/FatalError.h"
#include "engine/core/StringUtil.h"
#include "engine/input/KeyCodes.h"

#include <SDL.h>
#include <algorithm>

namespace {
// Unshifted and shifted characters of codes 0 … 0x35 (US positions).
constexpr char kPlain[] = "\0\0"
                          "1234567890-=\0\t"
                          "qwertyuiop[]\0\0"
                          "asdfghjkl;'`\0\\"
                          "zxcvbnm,./";
constexpr char kShift[] = "\0\0"
                          "!@#$%^&*()_+\0\t"
                          "QWERTYUIOP{}\0\0"
                          "ASDFGHJKL:\"~\0|"
                          "ZXCVBNM<>?";
constexpr int kTableSize = static_cast<int>(sizeof kPlain) - 1;
static_assert(sizeof kPlain == sizeof kShift);
static_assert(kTableSize == 0x36);
} // namespace

Input::Input() = default;

Input::~Input()
{
    stop();
}

bool Input::start(bool devices)
{
    if (m_started) {
        return true;
    }
    if (devices && SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
        return false;
    }
    m_devices = devices;
    m_started = true;
    reset();
    return true;
}

void Input::stop()
{
    if (!m_started) {
        return;
    }
    if (m_devices) {
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
    m_started = false;
    m_devices = false;
}

void Input::queueKey(int code, bool down, bool repeat)
{
    ++m_eventCount;
    if (code <= 0 || code >= kNumKeys) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back({Kind::Key, code, down, repeat, 0, 0});
    m_queuedKeys[code] = down ? 1 : 0;
}

void Input::queueButton(int button, bool down, int x, int y)
{
    ++m_eventCount;
    if (button < 0 || button >= kNumButtons) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back({Kind::Button, button, down, false, x, y});
    m_queuedButtons[button] = down;
}

void Input::queueWheel(int notches)
{
    ++m_eventCount;
    if (notches == 0) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back({Kind::Wheel, notches, false, false, 0, 0});
}

void Input::setMousePosition(int x, int y)
{
    ++m_eventCount;
    m_mouseX = std::clamp(x, 0, kScreenWidth - 1);
    m_mouseY = std::clamp(y, 0, kScreenHeight - 1);
}

void Input::focusLost()
{
    ++m_eventCount;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int k = 1; k < kNumKeys; ++k) {
        if (m_queuedKeys[k]) {
            m_queue.push_back({Kind::Key, k, false, false, 0, 0});
            m_queuedKeys[k] = 0;
        }
    }
    for (int b = 0; b < kNumButtons; ++b) {
        if (m_queuedButtons[b]) {
            m_queue.push_back({Kind::Button, b, false, false, m_mouseX, m_mouseY});
            m_queuedButtons[b] = false;
        }
    }
}

void Input::reset()
{
    ++m_eventCount;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    std::fill(std::begin(m_queuedKeys), std::end(m_queuedKeys), 0);
    std::fill(std::begin(m_queuedButtons), std::end(m_queuedButtons), false);
    std::fill(std::begin(m_held), std::end(m_held), 0);
    std::fill(std::begin(m_pressed), std::end(m_pressed), 0);
    std::fill(std::begin(m_buttonHeld), std::end(m_buttonHeld), false);
    std::fill(std::begin(m_buttonPressed), std::end(m_buttonPressed), false);
}

void Input::run(const std::string& line)
{
    if (m_runner) {
        m_runner(line);
    }
}

void Input::dispatch(const Event& e)
{
    if (e.kind == Kind::Key) {
        m_held[e.code] = e.down ? 1 : 0;
        if (e.down && !e.repeat) {
            m_pressed[e.code] = 1;
        }
        run(formatString("keyPress %d %d %d", e.code, e.down ? 1 : 0, e.repeat ? 1 : 0));
        return;
    }
    if (e.kind == Kind::Wheel) {
        const char* line = e.code > 0 ? "mouseScrollUp" : "mouseScrollDown";
        for (int i = 0; i < std::abs(e.code); ++i) {
            run(line);
        }
        return;
    }
    if (m_buttonHeld[e.code] == e.down) {
        return; // no change
    }
    m_buttonHeld[e.code] = e.down;
    if (e.down) {
        m_buttonPressed[e.code] = true;
    }
    run(formatString("buttonPress %d %d %d %d", e.code, e.down ? 1 : 0, e.x, e.y));
}

void Input::poll()
{
    std::deque<Event> events;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        events.swap(m_queue);
    }
    for (const Event& e : events) {
        dispatch(e);
    }
}

bool Input::isKeyHeld(int code) const
{
    return code > 0 && code < kNumKeys && m_held[code] != 0;
}

bool Input::wasKeyPressed(int code) const
{
    return code > 0 && code < kNumKeys && m_pressed[code] != 0;
}

bool Input::isButtonHeld(int button) const
{
    return button >= 0 && button < kNumButtons && m_buttonHeld[button];
}

bool Input::wasButtonPressed(int button) const
{
    return button >= 0 && button < kNumButtons && m_buttonPressed[button];
}

void Input::clearPressed()
{
    std::fill(std::begin(m_pressed), std::end(m_pressed), 0);
    std::fill(std::begin(m_buttonPressed), std::end(m_buttonPressed), false);
}

void Input::getMousePosition(int& x, int& y) const
{
    x = m_mouseX;
    y = m_mouseY;
}

int Input::scanCodeToChar(int code) const
{
    return scanCodeToChar(code, isKeyHeld(DIK_LSHIFT) || isKeyHeld(DIK_RSHIFT));
}

int Input::scanCodeToChar(int code, bool shift)
{
    if (code < 2 || code > 181) {
        return 0;
    }
    if (code < kTableSize) {
        return static_cast<unsigned char>(shift ? kShift[code] : kPlain[code]);
    }
    switch (code) {
    case 0x37:
        return '*';
    case 0x39:
        return ' ';
    case 0x4A:
        return '-';
    case 0x4E:
        return '+';
    case 0x53:
        return '.';
    case 0xB5:
        return '/';
    default:
        break;
    }
    static const char kKeypad[] = "789\0"
                                  "456\0"
                                  "1230";
    if (code >= 0x47 && code <= 0x52) {
        return static_cast<unsigned char>(kKeypad[code - 0x47]);
    }
    return 0;
}
