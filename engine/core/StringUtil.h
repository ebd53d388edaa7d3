#pragma once

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

#define GLOAM_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))

// printf-style formatting into growing strings; never truncates.
std::string formatString(const char* format, ...) GLOAM_PRINTF(1, 2);
std::string formatStringV(const char* format, va_list args);
void formatInto(std::string& target, const char* format, ...) GLOAM_PRINTF(2, 3);
void appendFormat(std::string& target, const char* format, ...) GLOAM_PRINTF(2, 3);
void appendFormatV(std::string& target, const char* format, va_list args);

// Case-insensitive (ASCII) comparisons; 0 when equal.
int compareNoCase(std::string_view a, std::string_view b);
bool equalsNoCase(std::string_view a, std::string_view b);
std::string toLowerCopy(std::string_view text);
