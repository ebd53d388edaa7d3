#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Splits one console line into its words. Words are separated by blanks and
// tabs (line breaks count as blanks); a word in double quotes may hold blanks
// and ends at the next double quote; there are no escapes, so a quoted word
// cannot hold a double quote; a quote left open runs to the end of the line.
// With `comments` set, "//" at the start of an unquoted word ends the line
// (configuration files). Returns the number of words; `out` is replaced.
size_t splitCommandLine(std::string_view line, std::vector<std::string>& out, bool comments = false);

// Quotes a word for a console or cfg line when it is empty or holds blanks.
// Double quotes and line breaks cannot be written inside a word and are
// removed.
std::string quoteCommandWord(std::string_view word);

// Calls `visit` with the words and the 1-based line number of every line of
// a cfg file or script that holds a word (split as above, with comments). A
// CR before the LF is no part of the line.
void forEachConfigLine(
    std::string_view text,
    const std::function<void(const std::vector<std::string>& words, int lineNumber)>& visit);

// The words as one console line that splits back into the same words.
std::string joinCommandWords(const std::vector<std::string>& words);
