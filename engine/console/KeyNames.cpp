#include "engine/console/KeyNames.h"

#include "engine/core/StringUtil.h"

#include <array>

namespace {
struct KeyName {
    int code;
    const char* name;
    const char* display;
};

constexpr KeyName kKeys[] = {
    {0x01, "escape", "Esc"},
    {0x02, "1", "1"},
    {0x03, "2", "2"},
    {0x04, "3", "3"},
    {0x05, "4", "4"},
    {0x06, "5", "5"},
    {0x07, "6", "6"},
    {0x08, "7", "7"},
    {0x09, "8", "8"},
    {0x0A, "9", "9"},
    {0x0B, "0", "0"},
    {0x0C, "minus", "-"},
    {0x0D, "equals", "="},
    {0x0E, "backspace", "Backspace"},
    {0x0F, "tab", "Tab"},
    {0x10, "q", "Q"},
    {0x11, "w", "W"},
    {0x12, "e", "E"},
    {0x13, "r", "R"},
    {0x14, "t", "T"},
    {0x15, "y", "Y"},
    {0x16, "u", "U"},
    {0x17, "i", "I"},
    {0x18, "o", "O"},
    {0x19, "p", "P"},
    {0x1A, "lbracket", "["},
    {0x1B, "rbracket", "]"},
    {0x1C, "enter", "Enter"},
    {0x1D, "lctrl", "Left Ctrl"},
    {0x1E, "a", "A"},
    {0x1F, "s", "S"},
    {0x20, "d", "D"},
    {0x21, "f", "F"},
    {0x22, "g", "G"},
    {0x23, "h", "H"},
    {0x24, "j", "J"},
    {0x25, "k", "K"},
    {0x26, "l", "L"},
    {0x27, "semicolon", ";"},
    {0x28, "apostrophe", "'"},
    {0x29, "grave", "`"},
    {0x2A, "lshift", "Left Shift"},
    {0x2B, "backslash", "\\"},
    {0x2C, "z", "Z"},
    {0x2D, "x", "X"},
    {0x2E, "c", "C"},
    {0x2F, "v", "V"},
    {0x30, "b", "B"},
    {0x31, "n", "N"},
    {0x32, "m", "M"},
    {0x33, "comma", ","},
    {0x34, "period", "."},
    {0x35, "slash", "/"},
    {0x36, "rshift", "Right Shift"},
    {0x37, "kp_multiply", "Keypad *"},
    {0x38, "lalt", "Left Alt"},
    {0x39, "space", "Space"},
    {0x3A, "capslock", "Caps Lock"},
    {0x3B, "f1", "F1"},
    {0x3C, "f2", "F2"},
    {0x3D, "f3", "F3"},
    {0x3E, "f4", "F4"},
    {0x3F, "f5", "F5"},
    {0x40, "f6", "F6"},
    {0x41, "f7", "F7"},
    {0x42, "f8", "F8"},
    {0x43, "f9", "F9"},
    {0x44, "f10", "F10"},
    {0x45, "numlock", "Num Lock"},
    {0x46, "scrolllock", "Scroll Lock"},
    {0x47, "kp7", "Keypad 7"},
    {0x48, "kp8", "Keypad 8"},
    {0x49, "kp9", "Keypad 9"},
    {0x4A, "kp_minus", "Keypad -"},
    {0x4B, "kp4", "Keypad 4"},
    {0x4C, "kp5", "Keypad 5"},
    {0x4D, "kp6", "Keypad 6"},
    {0x4E, "kp_plus", "Keypad +"},
    {0x4F, "kp1", "Keypad 1"},
    {0x50, "kp2", "Keypad 2"},
    {0x51, "kp3", "Keypad 3"},
    {0x52, "kp0", "Keypad 0"},
    {0x53, "kp_period", "Keypad ."},
    {0x57, "f11", "F11"},
    {0x58, "f12", "F12"},
    {0x9C, "kp_enter", "Keypad Enter"},
    {0x9D, "rctrl", "Right Ctrl"},
    {0xB5, "kp_slash", "Keypad /"},
    {0xB7, "sysrq", "Print Screen"},
    {0xB8, "ralt", "Right Alt"},
    {0xC5, "pause", "Pause"},
    {0xC7, "home", "Home"},
    {0xC8, "up", "Up"},
    {0xC9, "pgup", "Page Up"},
    {0xCB, "left", "Left"},
    {0xCD, "right", "Right"},
    {0xCF, "end", "End"},
    {0xD0, "down", "Down"},
    {0xD1, "pgdn", "Page Down"},
    {0xD2, "insert", "Insert"},
    {0xD3, "delete", "Delete"},
};

constexpr KeyName kMouseButtons[kMouseButtonCount] = {
    {0, "mouse1", "Left Mouse"}, {1, "mouse2", "Right Mouse"}, {2, "mouse3", "Middle Mouse"},
    {3, "mouse4", "Mouse 4"},    {4, "mouse5", "Mouse 5"},
};

// Code -> table row, built once.
const std::array<const KeyName*, 256>& keysByCode()
{
    static const std::array<const KeyName*, 256> table = [] {
        std::array<const KeyName*, 256> t{};
        for (const KeyName& k : kKeys) {
            t[static_cast<size_t>(k.code)] = &k;
        }
        return t;
    }();
    return table;
}

const KeyName* findByCode(int code, bool mouse)
{
    if (mouse) {
        return (code >= 0 && code < kMouseButtonCount) ? &kMouseButtons[code] : nullptr;
    }
    if (code < 0 || code > 255) {
        return nullptr;
    }
    return keysByCode()[static_cast<size_t>(code)];
}
} // namespace

int keyNameToCode(std::string_view name, bool mouse)
{
    std::string lower = toLowerCopy(name);
    if (mouse) {
        for (const KeyName& k : kMouseButtons) {
            if (lower == k.name) {
                return k.code;
            }
        }
        return -1;
    }
    for (const KeyName& k : kKeys) {
        if (lower == k.name) {
            return k.code;
        }
    }
    return -1;
}

int keyOrButtonNameToCode(std::string_view name, bool& isMouse)
{
    int code = keyNameToCode(name, false);
    isMouse = false;
    if (code < 0) {
        code = keyNameToCode(name, true);
        isMouse = code >= 0;
    }
    return code;
}

std::string keyCodeToName(int code, bool mouse)
{
    const KeyName* k = findByCode(code, mouse);
    return k ? k->display : "";
}

std::string keyCodeToConfigName(int code, bool mouse)
{
    const KeyName* k = findByCode(code, mouse);
    return k ? k->name : "";
}
