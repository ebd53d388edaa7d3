#pragma once

#include <string>
#include <string_view>

// The key-name table: DirectInput key codes (0-255) with a lower-case name
// (used in cfg files and console lines) and a display name. Mouse buttons
// are codes 0-4 with the names "mouse1" to "mouse5".
constexpr int kMouseButtonCount = 5;

// Code of a key name, compared lower-cased; with `mouse` set the name is
// looked up among the mouse-button names. -1 when unknown.
int keyNameToCode(std::string_view name, bool mouse = false);
// Code of a key name, or else of a mouse-button name (then `isMouse` is
// set); -1 when it is neither.
int keyOrButtonNameToCode(std::string_view name, bool& isMouse);
// Display name of a key (or, with `mouse`, of a mouse button); empty when
// the code has none (such a key cannot be bound).
std::string keyCodeToName(int code, bool mouse = false);
// Lower-case name of a key or button as cfg files write it; empty when none.
std::string keyCodeToConfigName(int code, bool mouse = false);
