#include "engine/core/ColorCodes.h"

#include "engine/core/StringUtil.h"

std::string formatColorCode(int index)
{
    return formatString("%c%c%03d", kColorCodeCaret, 'c', index);
}

bool isColorCodeAt(std::string_view text, size_t position, char* letter, int* number)
{
    if (position >= text.size() || text.size() - position < static_cast<size_t>(kColorCodeLength)) {
        return false;
    }
    if (text[position] != kColorCodeCaret) {
        return false;
    }
    char l = text[position + 1];
    if (l != 'c' && l != 'f' && l != 'l') {
        return false;
    }
    int value = 0;
    for (size_t i = position + 2; i < position + 5; ++i) {
        char d = text[i];
        if (d < '0' || d > '9') {
            return false;
        }
        value = value * 10 + (d - '0');
    }
    if (letter) {
        *letter = l;
    }
    if (number) {
        *number = value;
    }
    return true;
}

void stripColorCodes(std::string& text)
{
    size_t out = 0;
    for (size_t i = 0; i < text.size();) {
        if (isColorCodeAt(text, i)) {
            i += kColorCodeLength;
            continue;
        }
        text[out++] = text[i++];
    }
    text.resize(out);
}

std::string stripColorCodesCopy(std::string_view text)
{
    std::string out(text);
    stripColorCodes(out);
    return out;
}
