#pragma once

#include "engine/console/CommandRecord.h"

#include <string>

// The character's exports: the web page and forum text in the user
// directory, the covenant and statistics pages, and the page by mail.
namespace CharacterExport {

enum class Result { Written, Failed, Nothing };

// "Character", "Covenant" or "GlobalStats" (exactly, with case); anything
// else does nothing.
Result exportHtmlByType(const std::string& whatToExport);
Result exportCharacterHtml();
Result exportCharacterVbulletin();
Result exportCovenantHtml();
Result exportGlobalStatsHtml();

// The console commands.
void exportHtml(const CommandArgs& args);
void exportVbulletin(const CommandArgs& args);
void emailCharHtml(const CommandArgs& args);

} // namespace CharacterExport
