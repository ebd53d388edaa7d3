#pragma once

#include <cstdint>
#include <memory>

// A system mouse cursor made from 32-bit pixels.
class Cursor {
public:
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // From width × height R, G, B, A pixels, rows top first, with the hot
    // spot in pixels from the top left; null when the system refuses it.
    static std::unique_ptr<Cursor> fromPixels(const uint8_t* rgba, int width, int height, int hotX, int hotY);
    // The system's standard arrow.
    static std::unique_ptr<Cursor> arrow();

    // Makes this the cursor shown over the window.
    void set() const;
    static void show(bool visible);
    static bool isShown();
    // The cursor the system shows now is this one.
    bool isCurrent() const;

private:
    explicit Cursor(void* cursor) : m_cursor(cursor) {}
    void* m_cursor;
};
