#include "engine/console/CommandLine.h"

namespace {
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
} // namespace

size_t splitCommandLine(std::string_view line, std::vector<std::string>& out, bool comments)
{
    out.clear();
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        while (i < n && isBlank(line[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        if (line[i] == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) {
                out.emplace_back(line.substr(i + 1));
                break;
            }
            out.emplace_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (comments && line[i] == '/' && i + 1 < n && line[i + 1] == '/') {
            break;
        }
        size_t start = i;
        while (i < n && !isBlank(line[i]) && line[i] != '"') {
            ++i;
        }
        out.emplace_back(line.substr(start, i - start));
    }
    return out.size();
}

std::string quoteCommandWord(std::string_view word)
{
    std::string clean;
    clean.reserve(word.size());
    bool blank = word.empty();
    for (char c : word) {
        if (c == '"') {
            continue;
        }
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
        if (c == ' ' || c == '\t') {
            blank = true;
        }
        clean.push_back(c);
    }
    if (clean.empty()) {
        blank = true;
    }
    if (!blank && clean.size() >= 2 && clean[0] == '/' && clean[1] == '/') {
        blank = true;
    }
    if (!blank) {
        return clean;
    }
    return "\"" + clean + "\"";
}

void forEachConfigLine(
    std::string_view text,
    const std::function<void(const std::vector<std::string>& words, int lineNumber)>& visit)
{
    std::vector<std::string> words;
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        ++lineNumber;
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (splitCommandLine(line, words, true) > 0) {
            visit(words, lineNumber);
        }
    }
}

std::string joinCommandWords(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) {
            line += ' ';
        }
        line += quoteCommandWord(word);
    }
    return line;
}
