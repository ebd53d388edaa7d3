#include "client/export/CharacterExport.h"

#include "client/Client.h"
#include "client/export/CharacterSheet.h"
#include "client/export/ExportMarkup.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/CharacterFileName.h"
#include "engine/files/FileSystem.h"
#include "engine/platform/Shell.h"

#include <vector>

namespace CharacterExport {

namespace {

constexpr const char* kCharacterFailure = "Could not export character!";

// The whole text, replacing the file only once every byte is written.
bool writeText(const std::string& file, const std::string& text, const char* failure)
{
    FileSystem* files = FileSystem::instance();
    File* handle = files ? files->open(file, true, true, true) : nullptr;
    bool written = handle && files->write(handle, text);
    bool closed = handle && files->close(handle);
    if (!written || !closed) {
        debugPrint(3, "%s\n", failure);
        return false;
    }
    return true;
}

// The character's name as the stem of its export files, by the name rule of
// its other files; empty for a name the rule refuses.
std::string stem(const PlayerClient& player)
{
    const std::string& name = player.getGeneratedName();
    const std::string bare = CharacterFileName::bareName(name);
    return bare == name ? bare : std::string();
}

Result exportSheet(const char* extension, bool html)
{
    const Client* client = Client::instance();
    const PlayerClient* player = client ? client->getLocalPlayer() : nullptr;
    if (!player) {
        return Result::Nothing;
    }
    const std::string name = stem(*player);
    if (name.empty()) {
        debugPrint(3, "%s\n", kCharacterFailure);
        return Result::Failed;
    }
    std::string sheet;
    if (html) {
        buildCharacterHtml(sheet, true);
    } else {
        buildCharacterVbulletin(sheet);
    }
    return writeText(name + extension, sheet, kCharacterFailure) ? Result::Written : Result::Failed;
}

std::string placeholderPage(const std::string& title)
{
    std::string page;
    for (const std::string& line :
         {std::string("<html>"), std::string("<head>"), "<title>" + title + "</title>",
          std::string("</head>"), std::string("<body>"), std::string("<h1>"),
          "<center>" + title + "</center>", std::string("</h1>"), std::string("<h2>"), std::string("Blah"),
          std::string("</h2>")}) {
        page += line + "\n";
    }
    return page;
}

void notice(const std::string& text)
{
    if (const Client* client = Client::instance()) {
        client->addTextEvent(text, 320.0f, 240.0f, 1.0f, 0, true, false);
    }
}

void report(Result result, const char* success)
{
    if (result == Result::Written) {
        notice(success);
    } else if (result == Result::Failed) {
        notice(kCharacterFailure);
    }
}

} // namespace

Result exportCharacterHtml()
{
    return exportSheet(".htm", true);
}

Result exportCharacterVbulletin()
{
    return exportSheet(".txt", false);
}

Result exportCovenantHtml()
{
    const Client* client = Client::instance();
    const PlayerCovenantClient* covenant = client ? client->getPlayerCovenant() : nullptr;
    if (!covenant) {
        return Result::Nothing;
    }
    const std::string name = covenant->name.empty() ? covenant->getDefinitionName() : covenant->name;
    return writeText("covenant.htm", placeholderPage(ExportMarkup::htmlText(name)), kCharacterFailure)
               ? Result::Written
               : Result::Failed;
}

Result exportGlobalStatsHtml()
{
    return writeText("globalStats.htm", placeholderPage("blah"), "Could not export globalStats!")
               ? Result::Written
               : Result::Failed;
}

Result exportHtmlByType(const std::string& whatToExport)
{
    if (whatToExport == "Character") {
        return exportCharacterHtml();
    }
    if (whatToExport == "Covenant") {
        return exportCovenantHtml();
    }
    if (whatToExport == "GlobalStats") {
        return exportGlobalStatsHtml();
    }
    return Result::Nothing;
}

void exportHtml(const CommandArgs& args)
{
    report(exportHtmlByType(args.empty() ? std::string() : args[0]), "Character Exported to HTML");
}

void exportVbulletin(const CommandArgs&)
{
    report(exportCharacterVbulletin(), "Character Exported to Vbulletin");
}

void emailCharHtml(const CommandArgs&)
{
    std::string page;
    buildCharacterHtml(page, false);
    notice("Opening email");
    // Without a clipboard there is nothing to paste: no mail is opened.
    if (!copyHtmlToClipboard(page)) {
        notice(kCharacterFailure);
        return;
    }
    composeEmail("", "My Gloamreach character", "Highlight this sentence and hit Ctrl-V to add character");
    notice("Opening email");
}

} // namespace CharacterExport
