#pragma once

// DirectInput key codes (US positions) as the key bindings and the "keyPress"
// lines use them, and the mapping from SDL scancodes.
enum : int {
    DIK_ESCAPE = 0x01,
    DIK_1 = 0x02,
    DIK_0 = 0x0B,
    DIK_BACK = 0x0E,
    DIK_TAB = 0x0F,
    DIK_Q = 0x10,
    DIK_RETURN = 0x1C,
    DIK_LCONTROL = 0x1D,
    DIK_A = 0x1E,
    DIK_GRAVE = 0x29,
    DIK_LSHIFT = 0x2A,
    DIK_RSHIFT = 0x36,
    DIK_LMENU = 0x38,
    DIK_SPACE = 0x39,
    DIK_F1 = 0x3B,
    DIK_F12 = 0x58,
    DIK_NUMPADENTER = 0x9C,
    DIK_RCONTROL = 0x9D,
    DIK_SYSRQ = 0xB7,
    DIK_RMENU = 0xB8,
    DIK_UP = 0xC8,
    DIK_PRIOR = 0xC9,
    DIK_DOWN = 0xD0,
    DIK_NEXT = 0xD1,
};

// The DirectInput code of an SDL scancode; 0 for keys without one.
int sdlScancodeToDik(int scancode);
