#include "engine/resources/ModelTextScanner.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/TextReader.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

ModelTextScanner::ModelTextScanner(const std::string& fileName, const uint8_t* data, size_t size)
    : m_fileName(fileName)
{
    TextReader reader(std::string_view(reinterpret_cast<const char*>(data), size), fileName);
    reader.setBraceTokens(true);
    std::string text;
    while (reader.readToken(text, true)) {
        if (reader.lastQuoteUnclosed()) {
            warn(reader.getLine(), "unterminated quoted string");
        }
        m_tokens.push_back({std::move(text), reader.getLine(), reader.lastTokenQuoted()});
    }
}

const ModelTextScanner::Token& ModelTextScanner::peek() const
{
    static const Token kEnd;
    return atEnd() ? kEnd : m_tokens[m_pos];
}

ModelTextScanner::Token ModelTextScanner::next()
{
    if (atEnd()) {
        return Token{};
    }
    return m_tokens[m_pos++];
}

std::vector<ModelTextScanner::Token> ModelTextScanner::restOfLine()
{
    std::vector<Token> out;
    if (atEnd()) {
        return out;
    }
    int l = m_tokens[m_pos].line;
    while (!atEnd() && m_tokens[m_pos].line == l) {
        out.push_back(m_tokens[m_pos++]);
    }
    return out;
}

void ModelTextScanner::skipLine(int line)
{
    while (!atEnd() && m_tokens[m_pos].line == line) {
        ++m_pos;
    }
}

int ModelTextScanner::line() const
{
    if (atEnd()) {
        return m_tokens.empty() ? 1 : m_tokens.back().line;
    }
    return m_tokens[m_pos].line;
}

void ModelTextScanner::warn(int line, const std::string& what) const
{
    debugPrint(2, "%s:%d: %s\n", m_fileName.c_str(), line, what.c_str());
}

bool ModelTextScanner::toInt(const Token& token, int& out) const
{
    const char* s = token.text.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (token.text.empty() || *end != '\0' || errno != 0 || v < -2147483647L || v > 2147483647L) {
        warn(token.line, "expected a whole number, found \"" + token.text + "\"");
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool ModelTextScanner::toFloat(const Token& token, float& out) const
{
    const char* s = token.text.c_str();
    char* end = nullptr;
    float v = std::strtof(s, &end);
    if (token.text.empty() || *end != '\0' || !std::isfinite(v)) {
        warn(token.line, "expected a number, found \"" + token.text + "\"");
        return false;
    }
    out = v;
    return true;
}
