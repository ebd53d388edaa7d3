#pragma once

#include <string>
#include <string_view>

// What a character sheet is written with: the web page and the forum text
// take the same content in the same order and differ only here.
class SheetWriter {
public:
    virtual ~SheetWriter() = default;
    // Document head and body (the web page only).
    virtual void begin(const std::string& name) = 0;
    virtual void nameHeading(const std::string& name) = 0;
    virtual void titleHeading(const std::string& title) = 0;
    virtual void openSection(const char* heading) = 0;
    virtual void closeSection() = 0;
    // A line of markup and escaped text, then its line break.
    virtual void line(const std::string& text) = 0;
    virtual void blank() = 0;
    // After an equipped item's description.
    virtual void itemEnd() = 0;
    // Footer, closing tags and the finishing steps (translation, colours).
    virtual void finish() = 0;
    // A text taken from the game, translated and made safe for the target.
    virtual std::string escape(std::string_view gameText) const = 0;
};

// Walks the local character's sheet into the writer; false (nothing
// written) without a local player, its entity mirror, its class or its covenant.
bool writeCharacterSheet(SheetWriter& writer);

// The whole sheet appended to the caller's string (nothing when the sheet
// cannot be made).
void buildCharacterHtml(std::string& out, bool darkPage);
void buildCharacterVbulletin(std::string& out);
