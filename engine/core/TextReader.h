#pragma once

#include "engine/core/MathUtil.h"
#include "engine/core/StringUtil.h"

#include <cstddef>
#include <string>
#include <string_view>

// Token reader of the engine's text files (menus, fonts, translations, model
// and configuration texts).
//
// Tokens are separated by blanks and tabs; "//" comments run to the end of the
// line and "/* */" comments may span lines (a spanning comment counts as a
// line break). A double quote starts a token that runs to the next double
// quote or, when there is none, to the end of the line. LF and CR LF both end
// a line. Value readers and getters never cross a line break: a value sits on
// its keyword's line.
//
// The whole text is read; a single 0xFF byte at the very end (the terminator of
// old text images) is dropped.
class TextReader {
public:
    // `name` (usually the file name) is used in error messages. The reader
    // keeps a copy of the text.
    explicit TextReader(std::string_view text, std::string name = {});
    // Reads the text where it is, without a copy: the caller keeps it alive
    // and unchanged while the reader and the views it returned are in use.
    struct InPlace {};
    TextReader(InPlace, std::string_view text, std::string name = {});
    // The text it reads may be the reader's own copy.
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // The next token. Without crossLines a line break before the token ends
    // the search. False, with an empty token, when none is found.
    bool readToken(std::string& out, bool crossLines);
    // The same token as a view into the text, valid while the text lives;
    // spares the copy for readers that store the token themselves.
    bool readTokenView(std::string_view& out, bool crossLines);
    // Off by default. When on, '{' and '}' outside quotes are tokens of their
    // own and end the word before them ("name{" is "name" then "{").
    void setBraceTokens(bool on) { m_braceTokens = on; }
    // Whether the last token readToken found was a quoted one, and whether its
    // closing quote was missing.
    bool lastTokenQuoted() const { return m_lastQuoted; }
    bool lastQuoteUnclosed() const { return m_lastUnclosed; }

    // One value on the current line; false at the end (target unchanged).
    bool readInt(int& out);
    bool readFloat(float& out);
    bool readBool(bool& out);
    bool readString(std::string& out);

    // One value on the current line; 0, 0.0 or false when missing.
    int getInt();
    float getFloat();
    // Read as an integer; non-zero is true.
    bool getBool();
    Vec2 getVec2();

    // Reads the next token (crossing lines) and compares it exactly. The token
    // is consumed either way.
    bool expect(std::string_view text);

    // No token left in the text (the cursor does not move).
    bool atEnd();

    // 1-based line of the read cursor: the line of the last token read.
    int getLine() const { return m_line; }
    const std::string& getName() const { return m_name; }
    // "name:line"
    std::string location() const;
    // Prints "name:line: message" through the debug system.
    void report(int level, const char* format, ...) GLOAM_PRINTF(3, 4);

    size_t getPos() const { return m_pos; }
    size_t size() const { return m_text.size(); }

private:
    // Moves to the start of the next token; false when there is none (or,
    // without crossLines, when a line break comes first).
    bool skipToToken(bool crossLines);

    // Finds the next token: its start and length in the text.
    bool scanToken(bool crossLines, size_t& start, size_t& length);

    // Checks the end of the text and names the reader.
    void start();

    std::string m_copy;      // the text, unless read in place
    std::string_view m_text; // what is read: m_copy or the caller's
    std::string m_name;
    size_t m_pos = 0;
    int m_line = 1;
    bool m_braceTokens = false;
    bool m_lastQuoted = false;
    bool m_lastUnclosed = false;
};
