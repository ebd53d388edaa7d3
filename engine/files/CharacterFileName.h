#pragma once

#include <string>
#include <string_view>

// The one rule that turns a character's name into the stem of its files in
// the user directory: backslashes become "/", the directory part and the
// extension are removed, and the rest must be a valid user name. The stem is
// "chars/<name>"; the files add ".chr", ".his", ".map" or ".wld".
namespace CharacterFileName {

// The bare name; empty when what is left breaks FileSystem::isValidUserName.
std::string bareName(std::string_view name);
// "chars/<bare>" + extension; false (out empty) for a name the rule refuses.
bool make(std::string_view name, std::string_view extension, std::string& out);

} // namespace CharacterFileName
