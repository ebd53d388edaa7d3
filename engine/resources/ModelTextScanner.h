#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The tokens of a text model file (.mdl, .skn) with their lines, read ahead
// by the engine's TextReader with braces as tokens of their own, so that the
// parsers can look at what follows on a line. '#' is a footprint cell, not a
// comment.
class ModelTextScanner {
public:
    struct Token {
        std::string text;
        int line = 0;
        bool quoted = false;
    };

    ModelTextScanner(const std::string& fileName, const uint8_t* data, size_t size);

    bool atEnd() const { return m_pos >= m_tokens.size(); }
    const Token& peek() const;
    Token next();
    // The tokens left on the current token's line.
    std::vector<Token> restOfLine();
    void skipLine(int line);
    int line() const;

    // "file:line: what" at level 2 (a problem that the reader skips).
    void warn(int line, const std::string& what) const;
    // Numbers: false (and a warning) when the token is not a number.
    bool toInt(const Token& token, int& out) const;
    bool toFloat(const Token& token, float& out) const;

    const std::string& fileName() const { return m_fileName; }

private:
    std::string m_fileName;
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
};
