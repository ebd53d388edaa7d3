#pragma once

#include "engine/core/Singleton.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// Random names from the seed files "Names/<list>.txt". A file holds the
// sections [first], [middle] and [last] of syllables, one per line, and an
// optional "[count] min max" line giving the number of middle syllables; a
// file without sections is a list of whole names. The name depends only on
// the file and the seed: a private generator with the engine's LCG constants
// is seeded with it, so the shared random streams are never touched.
class NameGenerator : public Singleton<NameGenerator> {
public:
    static constexpr int kMaxMiddleSyllables = 8;

    NameGenerator();
    ~NameGenerator();

    // "" (and one warning per list) when the file is missing or empty.
    std::string generateName(const std::string& listName, uint32_t seed);
    // Parses a name file's text; exposed for tools and tests.
    void addList(const std::string& listName, std::string_view text);
    void clear();

private:
    struct NameList {
        std::vector<std::string> first;
        std::vector<std::string> middle;
        std::vector<std::string> last;
        std::vector<std::string> names; // a file without sections
        int minMiddle = 0;
        int maxMiddle = 0;
        bool sections = false;
    };

    const NameList& getList(const std::string& listName);
    static NameList parse(const std::string& fileName, std::string_view text);

    std::mutex m_mutex;
    std::unordered_map<std::string, NameList> m_lists; // lower-case list name
};
