#include "engine/core/TextReader.h"

#include "engine/core/StringUtil.h"

#include "engine/core/DebugSystem.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

bool isBlank(char c)
{
    // A lone CR (and the CR of CR LF) is a blank; only LF ends a line. Stray
    // zero bytes are blanks too.
    return c == ' ' || c == '\t' || c == '\r' || c == '\0' || c == '\v' || c == '\f';
}

int countLines(const char* begin, const char* end)
{
    int n = 0;
    for (const char* p = begin; p < end; ++p) {
        n += (*p == '\n') ? 1 : 0;
    }
    return n;
}

} // namespace

TextReader::TextReader(std::string_view text, std::string name)
    : m_copy(text), m_text(m_copy), m_name(std::move(name))
{
    start();
}

TextReader::TextReader(InPlace, std::string_view text, std::string name)
    : m_text(text), m_name(std::move(name))
{
    start();
}

void TextReader::start()
{
    if (m_name.empty()) {
        m_name = "text";
    }
    if (!m_text.empty() && static_cast<unsigned char>(m_text.back()) == 0xFF) {
        m_text.remove_suffix(1);
    }
    size_t ff = m_text.find('\xFF');
    if (ff != std::string_view::npos) {
        int line = 1 + countLines(m_text.data(), m_text.data() + ff);
        debugPrint(2, "%s:%d: byte 0xFF inside the text; reading on to the end\n", m_name.c_str(), line);
    }
}

bool TextReader::skipToToken(bool crossLines)
{
    const size_t n = m_text.size();
    const char* t = m_text.data();
    while (m_pos < n) {
        char c = t[m_pos];
        if (isBlank(c)) {
            ++m_pos;
            continue;
        }
        if (c == '\n') {
            if (!crossLines) {
                return false;
            }
            ++m_pos;
            ++m_line;
            continue;
        }
        if (c == '/' && m_pos + 1 < n && t[m_pos + 1] == '/') {
            const void* eol = std::memchr(t + m_pos, '\n', n - m_pos);
            m_pos = eol ? static_cast<size_t>(static_cast<const char*>(eol) - t) : n;
            continue;
        }
        if (c == '/' && m_pos + 1 < n && t[m_pos + 1] == '*') {
            size_t close = m_text.find("*/", m_pos + 2);
            size_t end = (close == std::string_view::npos) ? n : close + 2;
            int lines = countLines(t + m_pos, t + end);
            if (lines > 0 && !crossLines) {
                return false;
            }
            m_line += lines;
            m_pos = end;
            continue;
        }
        return true;
    }
    return false;
}

[[gnu::always_inline]] inline bool TextReader::scanToken(bool crossLines, size_t& tokenStart, size_t& length)
{
    m_lastQuoted = false;
    m_lastUnclosed = false;
    if (!skipToToken(crossLines)) {
        return false;
    }
    const size_t n = m_text.size();
    const char* t = m_text.data();
    if (t[m_pos] == '"') {
        m_lastQuoted = true;
        size_t start = ++m_pos;
        while (m_pos < n && t[m_pos] != '"' && t[m_pos] != '\n') {
            ++m_pos;
        }
        size_t end = m_pos;
        if (m_pos < n && t[m_pos] == '"') {
            ++m_pos;
        } else {
            m_lastUnclosed = true;
            if (end > start && t[end - 1] == '\r') {
                // Unterminated quote on a CR LF line: the CR is not text.
                --end;
            }
        }
        tokenStart = start;
        length = end - start;
        return true;
    }
    auto isBrace = [this](char c) { return m_braceTokens && (c == '{' || c == '}'); };
    if (isBrace(t[m_pos])) {
        tokenStart = m_pos++;
        length = 1;
        return true;
    }
    size_t start = m_pos;
    while (m_pos < n) {
        char c = t[m_pos];
        if (isBlank(c) || c == '\n' || isBrace(c)) {
            break;
        }
        if (c == '/' && m_pos + 1 < n && (t[m_pos + 1] == '/' || t[m_pos + 1] == '*')) {
            break;
        }
        ++m_pos;
    }
    tokenStart = start;
    length = m_pos - start;
    return true;
}

bool TextReader::readToken(std::string& out, bool crossLines)
{
    size_t start = 0;
    size_t length = 0;
    if (!scanToken(crossLines, start, length)) {
        out.clear();
        return false;
    }
    out.assign(m_text.data() + start, length);
    return true;
}

bool TextReader::readTokenView(std::string_view& out, bool crossLines)
{
    size_t start = 0;
    size_t length = 0;
    if (!scanToken(crossLines, start, length)) {
        out = std::string_view();
        return false;
    }
    out = std::string_view(m_text.data() + start, length);
    return true;
}

bool TextReader::readInt(int& out)
{
    std::string token;
    if (!readToken(token, false)) {
        return false;
    }
    out = textToInt(token);
    return true;
}

bool TextReader::readFloat(float& out)
{
    std::string token;
    if (!readToken(token, false)) {
        return false;
    }
    out = textToFloat(token);
    return true;
}

bool TextReader::readBool(bool& out)
{
    int v = 0;
    if (!readInt(v)) {
        return false;
    }
    out = v != 0;
    return true;
}

bool TextReader::readString(std::string& out)
{
    std::string token;
    if (!readToken(token, false)) {
        return false;
    }
    out = std::move(token);
    return true;
}

int TextReader::getInt()
{
    int v = 0;
    readInt(v);
    return v;
}

float TextReader::getFloat()
{
    float v = 0.0f;
    readFloat(v);
    return v;
}

bool TextReader::getBool()
{
    bool v = false;
    readBool(v);
    return v;
}

Vec2 TextReader::getVec2()
{
    Vec2 v;
    v.x = getFloat();
    v.y = getFloat();
    return v;
}

bool TextReader::expect(std::string_view text)
{
    std::string token;
    if (!readToken(token, true)) {
        return false;
    }
    return token == text;
}

bool TextReader::atEnd()
{
    size_t pos = m_pos;
    int line = m_line;
    bool found = skipToToken(true);
    m_pos = pos;
    m_line = line;
    return !found;
}

std::string TextReader::location() const
{
    return formatString("%s:%d", m_name.c_str(), m_line);
}

void TextReader::report(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string message = formatStringV(format, args);
    va_end(args);
    if (message.empty() || message.back() != '\n') {
        message += '\n';
    }
    debugPrint(level, "%s:%d: %s", m_name.c_str(), m_line, message.c_str());
}
