#pragma once

#include <string>
#include <vector>

// One "Key item item ..." line of a database entry. The raw text is the items
// joined by one blank; a quoted item keeps its blanks as one item.
struct DatabaseField {
    std::string key;
    std::string value;
    std::vector<std::string> items;
    int line = 0;
};
