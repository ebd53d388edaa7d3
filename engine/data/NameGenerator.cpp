#include "engine/data/NameGenerator.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/files/FileSystem.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A private stream stepped like the engine's random streams.
class NameRandom {
public:
    explicit NameRandom(uint32_t seed) : m_state(seed) {}
    float next()
    {
        m_state = m_state * Random::kMultiplier + Random::kIncrement;
        return static_cast<float>((m_state >> 16) & 0x7FFF) / 32768.0f;
    }
    // One of n (n > 0).
    size_t pick(size_t n) { return std::min(static_cast<size_t>(next() * static_cast<float>(n)), n - 1); }

private:
    uint32_t m_state;
};

} // namespace

NameGenerator::NameGenerator() = default;
NameGenerator::~NameGenerator() = default;

void NameGenerator::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lists.clear();
}

NameGenerator::NameList NameGenerator::parse(const std::string& fileName, std::string_view text)
{
    NameList list;
    std::vector<std::string>* section = &list.names;
    int lineNumber = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = trimBlanks(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;
        if (line.empty() || line.starts_with("//") || line.starts_with("#")) {
            continue;
        }
        if (line.front() == '[') {
            size_t close = line.find(']');
            std::string name(line.substr(1, close == std::string_view::npos ? 0 : close - 1));
            if (equalsNoCase(name, "first")) {
                section = &list.first;
            } else if (equalsNoCase(name, "middle")) {
                section = &list.middle;
            } else if (equalsNoCase(name, "last")) {
                section = &list.last;
            } else if (equalsNoCase(name, "count")) {
                std::string values(line.substr(close + 1));
                char* after = nullptr;
                long lo = std::strtol(values.c_str(), &after, 10);
                long hi = std::strtol(after, nullptr, 10);
                list.minMiddle = static_cast<int>(std::clamp(lo, 0L, static_cast<long>(kMaxMiddleSyllables)));
                list.maxMiddle = static_cast<int>(std::clamp(hi, static_cast<long>(list.minMiddle),
                                                             static_cast<long>(kMaxMiddleSyllables)));
                if (lo != list.minMiddle || hi != list.maxMiddle) {
                    debugPrint(2, "%s:%d: [count] limited to %d .. %d\n", fileName.c_str(), lineNumber,
                               list.minMiddle, list.maxMiddle);
                }
                continue;
            } else {
                debugPrint(2, "%s:%d: unknown section %s\n", fileName.c_str(), lineNumber, name.c_str());
                section = nullptr;
                continue;
            }
            list.sections = true;
            continue;
        }
        if (section != nullptr) {
            section->emplace_back(line);
        }
    }
    return list;
}

void NameGenerator::addList(const std::string& listName, std::string_view text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lists[toLowerCopy(listName)] = parse(listName, text);
}

const NameGenerator::NameList& NameGenerator::getList(const std::string& listName)
{
    std::string key = toLowerCopy(listName);
    auto it = m_lists.find(key);
    if (it != m_lists.end()) {
        return it->second;
    }
    std::string path = "Names/" + listName + ".txt";
    NameList list;
    FileSystem* fileSystem = FileSystem::instance();
    std::optional<std::vector<uint8_t>> data;
    if (fileSystem != nullptr && FileSystem::isSafeRelativePath(path)) {
        data = fileSystem->readFile(path);
    }
    if (data) {
        list = parse(path, std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
    }
    if (list.first.empty() && list.middle.empty() && list.last.empty() && list.names.empty()) {
        debugPrint(2, "Name file %s is missing or empty\n", path.c_str());
    }
    return m_lists.emplace(key, std::move(list)).first->second;
}

std::string NameGenerator::generateName(const std::string& listName, uint32_t seed)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const NameList& list = getList(listName);
    NameRandom random(seed);
    std::string name;
    if (!list.sections) {
        if (!list.names.empty()) {
            name = list.names[random.pick(list.names.size())];
        }
        return name;
    }
    if (!list.first.empty()) {
        name += list.first[random.pick(list.first.size())];
    }
    int middles = list.minMiddle;
    if (list.maxMiddle > list.minMiddle) {
        middles += static_cast<int>(random.pick(static_cast<size_t>(list.maxMiddle - list.minMiddle + 1)));
    }
    for (int i = 0; i < middles && !list.middle.empty(); ++i) {
        name += list.middle[random.pick(list.middle.size())];
    }
    if (!list.last.empty()) {
        name += list.last[random.pick(list.last.size())];
    }
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') {
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    }
    return name;
}
