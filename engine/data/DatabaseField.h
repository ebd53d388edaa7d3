#pragma once

#include <span>
#include <string_view>

// One "Key item item ..." line of a database entry. The raw text (value) is
// the items joined by one blank; a quoted item keeps its blanks as one item.
// Every text views into storage its database owns: a field is valid as long
// as the database holds its entry.
struct DatabaseField {
    std::string_view key;
    std::string_view value;
    std::span<const std::string_view> items;
    int line = 0;
};
