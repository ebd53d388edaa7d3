#pragma once

#include <string>
#include <string_view>

// Path helpers shared by every file user. Backslashes count as "/" wherever a
// directory separator is looked for.

// Index of the "." that starts the extension (the first "." after the last
// "/") plus the offset; -1 when the file name has no extension.
int findExtension(std::string_view path, int offset = 0);

// True when the path ends in "." + extension (case-insensitive; a leading
// "." of the extension is ignored).
bool hasExtension(std::string_view path, std::string_view extension);

// Appends "." + extension when the path does not already end in it, so
// "a.tga" with "fnt" becomes "a.tga.fnt".
void addExtensionIfMissing(std::string& path, std::string_view extension);

// The path with its last extension replaced (".tga" or "tga" both work);
// the extension is appended when the path has none.
std::string replaceExtension(std::string_view path, std::string_view extension);

// The directory part before the last "/"; "" when there is none.
std::string getPathDirectory(std::string_view path);

// Backslashes become "/", then everything up to and including the last "/"
// is removed.
void stripDirectory(std::string& path);

// Backslashes become "/".
std::string normalizeSlashes(std::string_view path);
