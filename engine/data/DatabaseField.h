#pragma once

#include <span>
#include <string>
#include <string_view>

// One "Key item item ..." line of a database entry. The raw text (value) is
// the items joined by one blank; a quoted item keeps its blanks as one item.
// Every text views into storage its entry owns: a field is valid as long as
// its entry.
struct DatabaseField {
    std::string_view key;
    std::string_view value;
    std::span<const std::string> items;
    int line = 0;
};
