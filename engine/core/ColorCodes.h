#pragma once

#include <string>
#include <string_view>

// Colour codes inside texts: a caret, a letter (c colour, f font, l lock) and
// three decimal digits, e.g. "^c005". Built with the pattern "%c%c%03d".
constexpr char kColorCodeCaret = '^';
constexpr int kColorCodeLength = 5;

// "^c" and the index as three digits.
std::string formatColorCode(int index);

// True when a code starts at position: at least five characters remain, a caret,
// then c, f or l, then three decimal digits. Letter and number are returned.
bool isColorCodeAt(std::string_view text, size_t position, char* letter = nullptr, int* number = nullptr);

// Removes every colour code, in place.
void stripColorCodes(std::string& text);
std::string stripColorCodesCopy(std::string_view text);
