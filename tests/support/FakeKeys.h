#pragma once

// Key presses on an X display through the XTEST extension, for tests that
// drive the program running in a process of its own. The X libraries are
// opened at run time (the tests do not link them); `open` is false when they
// or the display cannot be had.
#include <dlfcn.h>
#include <string>
#include <unistd.h>

class FakeKeys {
public:
    ~FakeKeys()
    {
        if (m_display && m_close) {
            m_close(m_display);
        }
    }

    bool open(const std::string& displayName)
    {
        void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        void* xtst = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!x11 || !xtst) {
            return false;
        }
        auto openDisplay = reinterpret_cast<void* (*)(const char*)>(dlsym(x11, "XOpenDisplay"));
        m_close = reinterpret_cast<int (*)(void*)>(dlsym(x11, "XCloseDisplay"));
        m_flush = reinterpret_cast<int (*)(void*)>(dlsym(x11, "XFlush"));
        m_keysymToKeycode =
            reinterpret_cast<unsigned char (*)(void*, unsigned long)>(dlsym(x11, "XKeysymToKeycode"));
        m_stringToKeysym = reinterpret_cast<unsigned long (*)(const char*)>(dlsym(x11, "XStringToKeysym"));
        m_fakeKey =
            reinterpret_cast<int (*)(void*, unsigned, int, unsigned long)>(dlsym(xtst, "XTestFakeKeyEvent"));
        m_fakeMotion = reinterpret_cast<int (*)(void*, int, int, int, unsigned long)>(
            dlsym(xtst, "XTestFakeMotionEvent"));
        if (!openDisplay || !m_close || !m_flush || !m_keysymToKeycode || !m_stringToKeysym || !m_fakeKey ||
            !m_fakeMotion) {
            return false;
        }
        m_display = openDisplay(displayName.c_str());
        return m_display != nullptr;
    }

    // The pointer to a point of the screen: without a window manager the
    // keys go to the window under it.
    void pointAt(int x, int y)
    {
        m_fakeMotion(m_display, -1, x, y, 0);
        m_flush(m_display);
    }

    // One press and release of the key of an X key name ("grave", "Return",
    // "Print", "a"), with the shift key held when asked.
    bool press(const std::string& keyName, bool shift = false)
    {
        const unsigned code = m_keysymToKeycode(m_display, m_stringToKeysym(keyName.c_str()));
        const unsigned shiftCode = m_keysymToKeycode(m_display, m_stringToKeysym("Shift_L"));
        if (code == 0) {
            return false;
        }
        if (shift) {
            m_fakeKey(m_display, shiftCode, 1, 0);
        }
        m_fakeKey(m_display, code, 1, 0);
        m_fakeKey(m_display, code, 0, 0);
        if (shift) {
            m_fakeKey(m_display, shiftCode, 0, 0);
        }
        m_flush(m_display);
        usleep(30000); // one frame or so, so that no press is merged away
        return true;
    }

    // Lower-case letters, digits and blanks.
    bool type(const std::string& text)
    {
        for (char c : text) {
            if (!press(c == ' ' ? std::string("space") : std::string(1, c))) {
                return false;
            }
        }
        return true;
    }

private:
    void* m_display = nullptr;
    int (*m_close)(void*) = nullptr;
    int (*m_flush)(void*) = nullptr;
    unsigned char (*m_keysymToKeycode)(void*, unsigned long) = nullptr;
    unsigned long (*m_stringToKeysym)(const char*) = nullptr;
    int (*m_fakeKey)(void*, unsigned, int, unsigned long) = nullptr;
    int (*m_fakeMotion)(void*, int, int, int, unsigned long) = nullptr;
};
