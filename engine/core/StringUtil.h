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

// Numbers in data and settings texts, read as atoi/atof do, except that an
// integer saturates at the int range and a float that is not finite ("nan",
// "inf", 1e39) reads as 0.
int textToInt(const std::string& text);
float textToFloat(const std::string& text);

// Case folding of the "C" locale (A–Z only), without a locale call per
// character: every case-insensitive comparison of names and keys uses it.
constexpr int lowerAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// Case-insensitive (ASCII) comparisons; 0 when equal.
int compareNoCase(std::string_view a, std::string_view b);
bool equalsNoCase(std::string_view a, std::string_view b);
std::string toLowerCopy(std::string_view text);

// The text without leading and trailing blanks, tabs and carriage returns.
std::string_view trimBlanks(std::string_view text);

// Decimal digits with "," between groups of three, "-" for negatives.
std::string formatThousands(long long n);
// "" for 1, else "s".
const char* pluralSuffix(long long n);
// "'" when the name ends in s or S, else "'s".
const char* possessiveSuffix(std::string_view name);
// "an" when the text begins with a vowel (either case), else "a".
const char* indefiniteArticle(std::string_view text);
// "st", "nd", "rd" or "th" by the last digit only; callers give 11 to 13 "th".
const char* ordinalSuffix(long long n);

// Clock style "%2d:%02d" (minutes:seconds); otherwise seconds below 60 and
// minutes from 60, whole within the tolerance as "%.0f second(s)" /
// "%.0f minute(s)", else "%.1f seconds" / "%.1f minutes".
std::string formatDuration(float seconds, bool clockStyle, float tolerance);
// Days and milliseconds as "%dd %dh %dm " (with the closing blank); leading
// zero parts are left out, minutes always shown ("0m " for less than a
// minute).
std::string formatDuration(int days, int milliseconds);
// formatDuration(seconds, clock style off, tolerance 0.05).
std::string formatTimeLeft(float seconds);

// Every backslash-n pair becomes a line feed.
void unescapeNewlines(std::string& text);
// The text with every "$$" removed.
std::string stripTextKeyMarkers(std::string_view text);
// Replaces every occurrence of pattern, left to right, in place.
void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement);
// Index of the first equal text (case-sensitive), -1 when absent.
int findStringInList(const std::vector<std::string>& list, std::string_view text);
// The sum of the characters as signed bytes.
int hashString(std::string_view text);

// The game's texts are Latin-1; SDL and the desktop speak UTF-8. Characters
// outside Latin-1 (and broken sequences) come back as '?'.
std::string latin1ToUtf8(std::string_view text);
std::string utf8ToLatin1(std::string_view text);
