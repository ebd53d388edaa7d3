// The README's checkable facts against the program: the user-directory
// folders its Files paragraph names exist after a headless game was started,
// saved and quit; every `make X` is a Makefile target; every key of its Keys
// part is a "VirtualKey" line of data/default.cfg (or one the program handles
// itself) that runs the action the README gives it.
#include "client/Client.h"
#include "client/GameClient.h"
#include "engine/app/AppHooks.h"
#include "engine/app/Application.h"
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "main/ProgramHooks.h"
#include "support/TestSupport.h"
#include "tools/datacheck/DataCheck.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string readme()
{
    return readText(std::string(GLOAM_SOURCE_DIR) + "/README.md");
}

// The bullet that starts with the marker, up to the next bullet, heading or
// blank line, its lines joined by blanks.
std::string bullet(const std::string& text, const std::string& marker)
{
    const size_t start = text.find("\n- " + marker);
    if (start == std::string::npos) {
        return "";
    }
    std::string out;
    std::istringstream lines(text.substr(start + 1));
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        if (!first && (line.empty() || line.rfind("- ", 0) == 0 || line.rfind("#", 0) == 0)) {
            break;
        }
        out += (first ? "" : " ") + line.substr(line.find_first_not_of(' '));
        first = false;
    }
    return out;
}

// The folders a Files paragraph names: its double-quoted names ending in "/".
std::vector<std::string> quotedFolders(const std::string& paragraph)
{
    std::vector<std::string> out;
    static const std::regex quoted("\"([^\"]+)\"");
    for (auto it = std::sregex_iterator(paragraph.begin(), paragraph.end(), quoted);
         it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1];
        if (name.back() == '/') {
            out.push_back(name);
        }
    }
    return out;
}

// The targets a Makefile defines (a rule's name at the start of a line).
std::set<std::string> makeTargets(const std::string& makefile)
{
    std::set<std::string> out;
    static const std::regex rule(R"(^([A-Za-z0-9_-]+)[ \t]*:([^=]|$))");
    std::istringstream lines(makefile);
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_search(line, m, rule)) {
            out.insert(m[1]);
        }
    }
    return out;
}

std::vector<std::string> makeCommands(const std::string& text)
{
    std::vector<std::string> out;
    static const std::regex make(R"(\bmake ([a-z][a-z0-9_-]*))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), make); it != std::sregex_iterator(); ++it) {
        out.push_back((*it)[1]);
    }
    return out;
}

struct KeyItem {
    std::string key;    // as the README writes it
    std::string action; // the words after it
};

// The Keys part's items, "<key> <action>" separated by commas, up to the end
// of its first sentence; parenthesised notes are left out.
std::vector<KeyItem> keyItems(const std::string& part, const std::vector<std::string>& keyNames)
{
    std::string text = part.substr(part.find(':') + 1);
    const size_t end = text.find(". ");
    text = text.substr(0, end == std::string::npos ? text.size() : end);
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    std::string plain;
    int depth = 0;
    for (char c : text) {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (depth == 0 && c != ')') {
            plain += c;
        }
    }
    std::vector<KeyItem> out;
    std::istringstream items(plain);
    std::string item;
    while (std::getline(items, item, ',')) {
        item = item.substr(std::min(item.size(), item.find_first_not_of(' ')));
        KeyItem parsed;
        for (const std::string& name : keyNames) {
            if (item.rfind(name + " ", 0) == 0 && name.size() > parsed.key.size()) {
                parsed.key = name;
            }
        }
        if (parsed.key.empty() && item.size() > 1 && item[1] == ' ' &&
            std::isalnum(static_cast<unsigned char>(item[0]))) {
            parsed.key = item.substr(0, 1);
        }
        parsed.action = parsed.key.empty() ? item : item.substr(parsed.key.size() + 1);
        out.push_back(parsed);
    }
    return out;
}

// "VirtualKey <action> <key> …" lines: key name (lower case) → action.
std::map<std::string, std::string> virtualKeys(const std::string& cfg)
{
    std::map<std::string, std::string> out;
    std::istringstream lines(cfg);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word, action, key;
        if (words >> word >> action >> key && word == "VirtualKey") {
            std::transform(key.begin(), key.end(), key.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            out[key] = action;
        }
    }
    return out;
}

std::string lowerLetters(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (std::isalpha(static_cast<unsigned char>(c))) {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

// The README's action for a key names its virtual action: one of its words of
// four letters or more (without a plural s), a hyphenated pair joined, or an
// alias below, lies in the action's name.
bool actionMatches(const std::string& readmeAction, const std::string& virtualAction)
{
    static const std::map<std::string, std::string> aliases = {{"hot bar", "useslot"}};
    const std::string name = lowerLetters(virtualAction);
    for (const auto& [words, part] : aliases) {
        if (readmeAction.find(words) != std::string::npos && name.find(part) != std::string::npos) {
            return true;
        }
    }
    std::istringstream words(readmeAction);
    std::string word;
    while (words >> word) {
        std::string letters = lowerLetters(word);
        if (letters.size() > 4 && letters.back() == 's') {
            letters.pop_back();
        }
        if (letters.size() >= 4 && name.find(letters) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Keys no "VirtualKey" line binds: the program handles them itself, in the
// file given, by the code given.
struct ProgramKey {
    const char* key;
    const char* source;
    const char* handling;
};
const ProgramKey kProgramKeys[] = {
    {"Print Screen", "engine/app/Application.cpp", "DIK_SYSRQ"},
    {"`", "engine/app/DebugConsole.h", "kToggleKey = 0x29"},
    {"Alt", "ui/widgets/UIHelp.cpp", "DIK_LMENU"},
};

// README key names that are not one letter or digit, as default.cfg names them.
const std::map<std::string, std::vector<std::string>> kNamedKeys = {
    {"Escape", {"escape"}},
    {"Delete", {"delete"}},
    {"Tab", {"tab"}},
    {"Enter", {"return"}},
    {"Space", {"space"}},
    {"1…9 and 0", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"}},
    {"Left and Right", {"left", "right"}},
    {"F1…F4", {"f1", "f2", "f3", "f4"}},
    {"F6…F9", {"f6", "f7", "f8", "f9"}},
    {"[ and ]", {"lbracket", "rbracket"}},
};

struct Problems {
    std::vector<std::string> folders; // quoted folders missing from the user directory
    std::vector<std::string> targets; // `make X` without a rule
    std::vector<std::string> keys;    // keys unknown or with another action
};

// Every check on one README text, against the user directory, the Makefile
// text and data/default.cfg.
Problems check(const std::string& text, const std::filesystem::path& userDir, const std::string& makefile)
{
    Problems found;
    const std::string files = bullet(text, "Files");
    const std::vector<std::string> folders = quotedFolders(files);
    if (folders.empty()) {
        found.folders.push_back("the Files paragraph names no folder");
    }
    for (const std::string& folder : folders) {
        // Exactly as written: the user directory may be on a file system
        // that tells the letters' case apart.
        bool exists = false;
        for (const auto& entry : std::filesystem::directory_iterator(userDir)) {
            exists = exists || (entry.is_directory() && entry.path().filename().string() + "/" == folder);
        }
        if (!exists) {
            found.folders.push_back(folder);
        }
    }
    const std::set<std::string> targets = makeTargets(makefile);
    for (const std::string& target : makeCommands(text)) {
        if (!targets.count(target)) {
            found.targets.push_back(target);
        }
    }
    std::vector<std::string> names;
    for (const auto& [name, bound] : kNamedKeys) {
        names.push_back(name);
    }
    for (const ProgramKey& key : kProgramKeys) {
        names.push_back(key.key);
    }
    const std::map<std::string, std::string> bound =
        virtualKeys(readText(std::string(GLOAM_DATA_DIR) + "/default.cfg"));
    const std::vector<KeyItem> items = keyItems(bullet(text, "Keys"), names);
    if (items.empty()) {
        found.keys.push_back("the Keys part lists no key");
    }
    for (const KeyItem& item : items) {
        if (item.key.empty()) {
            found.keys.push_back("\"" + item.action + "\" names no key");
            continue;
        }
        const auto program = std::find_if(std::begin(kProgramKeys), std::end(kProgramKeys),
                                          [&](const ProgramKey& k) { return item.key == k.key; });
        if (program != std::end(kProgramKeys)) {
            if (readText(std::string(GLOAM_SOURCE_DIR) + "/" + program->source).find(program->handling) ==
                std::string::npos) {
                found.keys.push_back(item.key + ": " + program->source + " no longer handles it");
            }
            continue;
        }
        std::vector<std::string> cfgNames;
        if (auto named = kNamedKeys.find(item.key); named != kNamedKeys.end()) {
            cfgNames = named->second;
        } else {
            cfgNames = {
                std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(item.key[0]))))};
        }
        for (const std::string& name : cfgNames) {
            auto it = bound.find(name);
            if (it == bound.end()) {
                found.keys.push_back(item.key + ": no VirtualKey line binds \"" + name + "\"");
            } else if (!actionMatches(item.action, it->second)) {
                found.keys.push_back(item.key + ": \"" + item.action + "\" is not what " + it->second +
                                     " does");
            }
        }
    }
    return found;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

// The headless program in a user directory of its own: a new character
// started from the main menu, saved and exited, then the program quit. The
// names of its internal-only commands go to `internalOnly`.
void playAndQuit(const TempDir& user, std::vector<std::string>& internalOnly)
{
    AppHooks hooks;
    installProgramHooks(hooks, true);
    Application app(headlessOptions(user), hooks);
    app.startup();
    UISystem& ui = UISystem::get();
    auto click = [&](const char* name) {
        UIWidget* widget = ui.findWidget(name);
        ASSERT_NE(widget, nullptr) << name;
        const Vec2 at = widget->getScreenPosition();
        const int x = static_cast<int>(at.x + widget->getSize().x / 2.0f);
        const int y = static_cast<int>(at.y + widget->getSize().y / 2.0f);
        ui.onMouseButton(0, true, x, y);
        ui.onMouseButton(0, false, x, y);
    };
    app.frame();
    click("Main::NewGame");
    UserVarSystem::get().getVar("PlayerName", "", UserVarSystem::kCreate).setString("Orla");
    UserVarSystem::get().getVar("CovenantName", "", UserVarSystem::kCreate).setString("Fen Wardens");
    click("NewCharacter::Start");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(Client::get().isJoined() && GameClient::instance() && GameClient::get().isLoaded()) &&
           std::chrono::steady_clock::now() < deadline) {
        app.frame();
    }
    ASSERT_TRUE(Client::get().isJoined()) << "the game did not start";
    CommandSystem::get().execute("saveAndExit", nullptr, false, true);
    app.frame();
    for (const CommandRecord* record : CommandSystem::get().listCommands()) {
        if (record->internalOnly) {
            internalOnly.push_back(record->name);
        }
    }
    Application::runConsoleLine("quit");
    app.shutdown();
}

} // namespace

TEST(ReadmeFacts, FoldersTargetsAndKeysAreThoseOfTheProgram)
{
    TempDir user;
    std::vector<std::string> internalOnly;
    ASSERT_NO_FATAL_FAILURE(playAndQuit(user, internalOnly));
    // Every internal-only command is sent by a menu, a key or the program's
    // code, or the README says it is not yet.
    ASSERT_GT(internalOnly.size(), 100u);
    std::vector<std::string> unsent;
    const std::vector<std::string> data =
        DataCheck::run(gameDataPath(), generatedDataPath(), GLOAM_SOURCE_DIR, internalOnly, &unsent);
    EXPECT_TRUE(data.empty()) << joined(data);
    // What the player is given no way to send: the new world and the web
    // page are the program's own steps, the rest the menu files' words.
    std::sort(unsent.begin(), unsent.end());
    EXPECT_EQ(unsent, (std::vector<std::string>{"addHelpTopic", "moveWidgetY", "newWorld", "openBrowser",
                                                "repositionHelpTopics", "sendCommandToMenu", "setCovenantDir",
                                                "setFocus", "setUIMode", "toggleMenu", "uiBusy",
                                                "updateParsedCharacterLevel"}))
        << joined(unsent);
    const std::string makefile = readText(std::string(GLOAM_SOURCE_DIR) + "/Makefile");
    const Problems found = check(readme(), user.path(), makefile);
    EXPECT_TRUE(found.folders.empty()) << "folders not in the user directory:\n" << joined(found.folders);
    EXPECT_TRUE(found.targets.empty()) << "make targets the Makefile lacks:\n" << joined(found.targets);
    EXPECT_TRUE(found.keys.empty()) << joined(found.keys);

    // Each check fails on what the program does not have.
    std::string wrong = readme();
    const size_t files = wrong.find("\n- Files");
    ASSERT_NE(files, std::string::npos);
    wrong.insert(files + 1, "- Files: \"Saves/\" and \"chars/\".\n");
    wrong.insert(0, "Run `make everything`.\n");
    const size_t keys = wrong.find("\n- Keys:");
    ASSERT_NE(keys, std::string::npos);
    wrong.insert(keys + 1, "- Keys: X examines, Q the world map, Print Screen a screenshot.\n");
    const Problems caught = check(wrong, user.path(), makefile);
    EXPECT_EQ(caught.folders, (std::vector<std::string>{"Saves/", "chars/"}));
    EXPECT_EQ(caught.targets, (std::vector<std::string>{"everything"}));
    EXPECT_EQ(caught.keys, (std::vector<std::string>{"X: no VirtualKey line binds \"x\"",
                                                     "Q: \"the world map\" is not what questScreen does"}));
}
