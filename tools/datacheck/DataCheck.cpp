#include "tools/datacheck/DataCheck.h"

#include "client/mirrors/AnimationEventNames.h"
#include "engine/console/CommandLine.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/DatabaseEntryType.h"
#include "engine/data/Localization.h"
#include "engine/files/FileSystem.h"
#include "engine/resources/ModelAnimation.h"
#include "engine/resources/ModelResource.h"
#include "game/definitions/GameEnums.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

namespace {

// Every .cpp and .h file below the folders, with its path relative to the root.
void forEachSource(const std::string& sourceRoot, const std::vector<std::string>& folders,
                   const std::function<void(const std::filesystem::path&, const std::string&)>& visit)
{
    namespace fs = std::filesystem;
    for (const std::string& folder : folders) {
        std::error_code error;
        fs::recursive_directory_iterator it(fs::path(sourceRoot) / folder, error), end;
        for (; !error && it != end; it.increment(error)) {
            const fs::path& path = it->path();
            if (it->is_regular_file() && (path.extension() == ".cpp" || path.extension() == ".h")) {
                visit(path, fs::relative(path, sourceRoot).generic_string());
            }
        }
    }
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

bool isNumber(std::string_view item)
{
    if (item.empty()) {
        return false;
    }
    size_t i = (item[0] == '-' || item[0] == '+') ? 1 : 0;
    bool digit = false;
    for (; i < item.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(item[i]))) {
            digit = true;
        } else if (item[i] != '.') {
            return false;
        }
    }
    return digit;
}

// Keys whose items name other database entries ("Class" and the NPC types
// are enumeration names, which their loaders check).
constexpr std::string_view kEntryKeys[] = {"Archetype",
                                           "Area",
                                           "ApproachData",
                                           "Attachment",
                                           "AuraStatusEffect",
                                           "Base",
                                           "BaseStartItem",
                                           "Beam",
                                           "BeginningQuest",
                                           "BehaviorStack",
                                           "ChestSpawn",
                                           "Companion",
                                           "ConflictingTrait",
                                           "DeathSkill",
                                           "DefaultItem",
                                           "DefaultMonster",
                                           "DesiredMonsterSpawn",
                                           "DownGateName",
                                           "Dungeon",
                                           "EatCorpseData",
                                           "EffectName",
                                           "EndArea",
                                           "Enhancement",
                                           "EntranceGateName",
                                           "Explosion",
                                           "GuardItem",
                                           "GuardType",
                                           "ItemSet",
                                           "LegendVersion",
                                           "Linked",
                                           "Member",
                                           "MonsterSpawn",
                                           "MonsterType",
                                           "NextQuest",
                                           "NpcChat",
                                           "OnHitSkill",
                                           "PerLevel",
                                           "ProjName",
                                           "Projectile",
                                           "QuestItem",
                                           "RaiseDeadData",
                                           "RaiseEntity",
                                           "RandomSkill",
                                           "RecruitMonsterType",
                                           "RelatedClass",
                                           "RequiredSkill",
                                           "RetreatData",
                                           "Secret",
                                           "Section",
                                           "SetBonusFull",
                                           "SetBonusPartial",
                                           "Skill",
                                           "SkillTree",
                                           "StartArea",
                                           "StartingItem",
                                           "StartingSkills",
                                           "StatusEffect",
                                           "SuccessEndEffect",
                                           "Successor",
                                           "Trait",
                                           "TrapSpawn",
                                           "TreasureMapChestName",
                                           "UniqueVersion",
                                           "UpGateName",
                                           "UseStatusEffect",
                                           "WorldSize",
                                           "ReputationWith",
                                           "GameMenu"};
constexpr std::string_view kEntryPrefixes[] = {"CombatEffect"};

// Keys whose items are files of the game data.
constexpr std::string_view kFileKeys[] = {"ModelName",
                                          "UseModelName",
                                          "MonsterRareEffectModel",
                                          "MonsterUniqueEffectModel",
                                          "MonsterVeryRareEffectModel",
                                          "precache",
                                          "SkinName",
                                          "TextureName",
                                          "AreaFileName",
                                          "SoundFileName",
                                          "UseSoundName",
                                          "DropSoundName",
                                          "IdleSound",
                                          "OnSightSound",
                                          "SoundHardRain",
                                          "SoundLightRain",
                                          "SoundMediumRain",
                                          "SoundThunder",
                                          "ThemeMusicName",
                                          "TextFile",
                                          "Font"};
constexpr std::string_view kFilePrefixes[] = {"AttackSound", "SoundName", "Scrollbar"};

// Keys whose items are shader names (a shader script, or an image of that name).
constexpr std::string_view kShaderKeys[] = {"VictimShader", "DefaultShader"};
constexpr std::string_view kShaderPrefixes[] = {"SkinTextureName"};

// Keys whose items are bare text keys ("TextList" items may be plain words,
// shown as they are when no translation exists).
constexpr std::string_view kTextKeyKeys[] = {"ChatText", "IntroText"};

template <size_t N> bool inList(std::string_view key, const std::string_view (&list)[N])
{
    return std::any_of(std::begin(list), std::end(list),
                       [&](std::string_view k) { return equalsNoCase(k, key); });
}

template <size_t N> bool hasPrefix(std::string_view key, const std::string_view (&list)[N])
{
    return std::any_of(std::begin(list), std::end(list),
                       [&](std::string_view p) { return startsWithNoCase(key, p); });
}

// "Quest<Type>" keys of the "GameSystem" entry name each quest type's entry;
// these other "Quest..." keys hold plain values.
constexpr std::string_view kQuestValueKeys[] = {"QuestItemName", "QuestSolvedBit", "QuestItemDropChance"};

// The file's text with its comments blanked out (string and character
// literals kept, line breaks kept).
std::string withoutComments(const std::string& text)
{
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out.compare(i, 2, "//") == 0) {
            for (; i < out.size() && out[i] != '\n'; ++i) {
                out[i] = ' ';
            }
        } else if (out.compare(i, 2, "/*") == 0) {
            const size_t close = std::min(out.find("*/", i + 2), out.size() - 2) + 2;
            for (; i < close; ++i) {
                out[i] = out[i] == '\n' ? '\n' : ' ';
            }
            --i;
        } else if (out[i] == '\'' && i + 2 < out.size()) {
            i += out[i + 1] == '\\' ? 3 : 2;
        } else if (out[i] == '"') {
            for (++i; i < out.size() && out[i] != '"' && out[i] != '\n'; ++i) {
                if (out[i] == '\\') {
                    ++i;
                }
            }
        }
    }
    return out;
}

// Every string literal of the sources, comments left out: the code it stands
// in, the place of its opening quote and its text as written.
void forEachStringLiteral(const std::string& sourceRoot, const std::vector<std::string>& folders,
                          const std::function<void(const std::string&, size_t, std::string_view)>& visit)
{
    forEachSource(sourceRoot, folders, [&](const std::filesystem::path& path, const std::string&) {
        std::ifstream in(path);
        std::stringstream buffer;
        buffer << in.rdbuf();
        const std::string code = withoutComments(buffer.str());
        for (size_t i = 0; i < code.size(); ++i) {
            if (code[i] == '\'' && i + 2 < code.size()) {
                i += code[i + 1] == '\\' ? 3 : 2;
                continue;
            }
            if (code[i] != '"') {
                continue;
            }
            const size_t quote = i;
            for (++i; i < code.size() && code[i] != '"' && code[i] != '\n'; ++i) {
                if (code[i] == '\\') {
                    ++i;
                }
            }
            visit(code, quote, std::string_view(code).substr(quote + 1, i - quote - 1));
        }
    });
}

std::string trimmedCode(std::string_view text)
{
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) {
        return std::string();
    }
    return std::string(text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1));
}

// The top-level items between the bracket at `open` and its partner, split
// at commas and trimmed; the position after the partner goes to `end`.
std::vector<std::string> splitBracketed(const std::string& code, size_t open, size_t* end = nullptr)
{
    std::vector<std::string> items;
    std::string item;
    int depth = 0;
    size_t i = open;
    for (; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            const size_t start = i;
            for (++i; i < code.size() && code[i] != '"' && code[i] != '\n'; ++i) {
                if (code[i] == '\\') {
                    ++i;
                }
            }
            item.append(code, start, i - start + 1);
            continue;
        }
        if (c == '\'' && i + 2 < code.size()) {
            const size_t length = code[i + 1] == '\\' ? 4 : 3;
            item.append(code, i, length);
            i += length - 1;
            continue;
        }
        if (c == '(' || c == '{' || c == '[') {
            if (++depth == 1) {
                continue;
            }
        } else if (c == ')' || c == '}' || c == ']') {
            if (--depth == 0) {
                break;
            }
        } else if (c == ',' && depth == 1) {
            items.push_back(trimmedCode(item));
            item.clear();
            continue;
        }
        item += c;
    }
    if (!trimmedCode(item).empty()) {
        items.push_back(trimmedCode(item));
    }
    if (end) {
        *end = i + 1;
    }
    return items;
}

// The text of an item that is one string literal and nothing else.
std::optional<std::string> literalOf(std::string_view item)
{
    if (item.size() < 2 || item.front() != '"' || item.back() != '"' ||
        item.find('"', 1) != item.size() - 1) {
        return std::nullopt;
    }
    return std::string(item.substr(1, item.size() - 2));
}

bool isIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The positions of `name` followed by "(" where it is not part of a longer
// identifier.
std::vector<size_t> callsOf(const std::string& code, std::string_view name)
{
    std::vector<size_t> out;
    const std::string call = std::string(name) + "(";
    for (size_t at = code.find(call); at != std::string::npos; at = code.find(call, at + 1)) {
        if (at == 0 || !isIdentifierChar(code[at - 1])) {
            out.push_back(at);
        }
    }
    return out;
}

// The last word of a declaration ("const char* name" gives "name").
std::string lastWord(std::string_view text)
{
    size_t end = text.size();
    while (end > 0 && !isIdentifierChar(text[end - 1])) {
        --end;
    }
    size_t start = end;
    while (start > 0 && isIdentifierChar(text[start - 1])) {
        --start;
    }
    return std::string(text.substr(start, end - start));
}

// The command names one source file registers: the name argument of each
// registerCommand / registerServerCommand call, given as a literal, as a
// parameter of a local helper lambda (its callers' literals) or as a field of
// the rows of a table the call loops over (each row's first literal).
void collectRegisteredCommands(const std::string& code, std::unordered_set<std::string>& names)
{
    constexpr std::pair<std::string_view, size_t> kCalls[] = {{"registerCommand", 1},
                                                              {"registerServerCommand", 2}};
    for (const auto& [call, nameIndex] : kCalls) {
        for (size_t at : callsOf(code, call)) {
            if (!(at > 0 && code[at - 1] == '.') && !(at > 1 && code.compare(at - 2, 2, "->") == 0)) {
                continue; // a declaration or a definition
            }
            const std::vector<std::string> args = splitBracketed(code, at + call.size());
            if (args.size() <= nameIndex) {
                continue;
            }
            const std::string& name = args[nameIndex];
            if (std::optional<std::string> literal = literalOf(name)) {
                names.insert(toLowerCopy(*literal));
            } else if (size_t dot = name.find('.'); dot != std::string::npos) {
                // "row.name" inside "for (const Row& row : table)": the rows of
                // every table of that row type in the file.
                const std::string row = name.substr(0, dot);
                const size_t loop = code.rfind(" " + row + " :", at);
                const size_t typeEnd = loop == std::string::npos ? loop : code.find_last_not_of("& ", loop);
                if (typeEnd == std::string::npos) {
                    continue;
                }
                const std::string type = lastWord(std::string_view(code).substr(0, typeEnd + 1));
                for (size_t use = code.find(type); use != std::string::npos; use = code.find(type, use + 1)) {
                    size_t i = use + type.size();
                    if (use > 0 && isIdentifierChar(code[use - 1])) {
                        continue;
                    }
                    // "Type name[] = {", "std::vector<Type> name = {"
                    while (i < code.size() && (code[i] == '>' || code[i] == ' ')) {
                        ++i;
                    }
                    const size_t word = i;
                    while (i < code.size() && isIdentifierChar(code[i])) {
                        ++i;
                    }
                    if (i == word) {
                        continue;
                    }
                    if (code.compare(i, 2, "[]") == 0) {
                        i += 2;
                    }
                    while (i < code.size() && (code[i] == ' ' || code[i] == '=')) {
                        ++i;
                    }
                    if (i >= code.size() || code[i] != '{') {
                        continue;
                    }
                    for (const std::string& entry : splitBracketed(code, i)) {
                        if (!entry.empty() && entry.front() == '{') {
                            std::vector<std::string> fields = splitBracketed(entry, 0);
                            if (!fields.empty()) {
                                if (std::optional<std::string> literal = literalOf(fields[0])) {
                                    names.insert(toLowerCopy(*literal));
                                }
                            }
                        }
                    }
                }
            } else {
                // A parameter of the helper lambda around the call.
                const size_t lambda = code.rfind("auto ", at);
                const size_t capture = lambda == std::string::npos ? lambda : code.find("= [", lambda);
                const size_t params = capture == std::string::npos ? capture : code.find("](", capture);
                if (params == std::string::npos || params > at) {
                    continue;
                }
                const std::string helper = lastWord(std::string_view(code).substr(lambda, capture - lambda));
                const std::vector<std::string> declared = splitBracketed(code, params + 1);
                size_t index = 0;
                while (index < declared.size() && lastWord(declared[index]) != name) {
                    ++index;
                }
                if (index == declared.size()) {
                    continue;
                }
                for (size_t use : callsOf(code, helper)) {
                    const std::vector<std::string> given = splitBracketed(code, use + helper.size());
                    if (index < given.size()) {
                        if (std::optional<std::string> literal = literalOf(given[index])) {
                            names.insert(toLowerCopy(*literal));
                        }
                    }
                }
            }
        }
    }
}

std::string describeWhere(const std::string& file, int line, std::string_view entry)
{
    std::string out = file + ":" + std::to_string(line) + ": ";
    if (!entry.empty()) {
        out += "entry ";
        out += entry;
        out += ": ";
    }
    return out;
}

} // namespace

DataCheck::DataCheck(FileSystem& files, const Database& database, const Localization& texts)
    : m_files(files), m_database(database), m_texts(texts)
{
}

void DataCheck::report(const std::string& where, const std::string& what)
{
    m_problems.push_back(where + what);
}

bool DataCheck::translationExists(std::string_view key) const
{
    return m_texts.findTranslation(key) != nullptr;
}

void DataCheck::loadShaderNames()
{
    m_shadersLoaded = true;
    for (const std::string& name : m_files.listFiles("Shaders", "sdr")) {
        auto bytes = m_files.readWholeFile("Shaders/" + name);
        if (!bytes) {
            continue;
        }
        // A script's name is the last word before a "{" at depth 0.
        std::string text(bytes->begin(), bytes->end());
        std::istringstream lines(text);
        std::string line;
        std::string last;
        int depth = 0;
        while (std::getline(lines, line)) {
            if (size_t comment = line.find("//"); comment != std::string::npos) {
                line.erase(comment);
            }
            std::istringstream words(line);
            std::string word;
            while (words >> word) {
                if (word == "{") {
                    if (depth == 0 && !last.empty()) {
                        m_shaderNames.insert(toLowerCopy(last));
                    }
                    ++depth;
                } else if (word == "}") {
                    depth = std::max(0, depth - 1);
                } else if (depth == 0) {
                    last = word;
                }
            }
        }
    }
}

bool DataCheck::shaderExists(std::string_view name)
{
    if (!m_shadersLoaded) {
        loadShaderNames();
    }
    std::string key = toLowerCopy(name);
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".tga") == 0) {
        key.resize(key.size() - 4);
    }
    return m_shaderNames.count(key) != 0 || m_files.fileExists(key + ".tga");
}

void DataCheck::checkItem(Kind kind, std::string_view item, const std::string& where)
{
    if (item.empty()) {
        return;
    }
    switch (kind) {
    case Kind::Entry:
        if (!isNumber(item) && !m_database.findEntry(item)) {
            report(where, "no entry named \"" + std::string(item) + "\"");
        }
        break;
    case Kind::File: {
        std::string name(item);
        bool hasExtension = name.find('.', name.find_last_of('/') + 1) != std::string::npos;
        if (!m_files.fileExists(name) && (hasExtension || !shaderExists(name))) {
            report(where, "no file \"" + name + "\"");
        }
        break;
    }
    case Kind::Shader:
        if (!shaderExists(item)) {
            report(where, "no shader or image \"" + std::string(item) + "\"");
        }
        break;
    case Kind::TextKey:
        if (!translationExists(item)) {
            report(where, "no translation of \"" + std::string(item) + "\"");
        }
        break;
    case Kind::Menu:
        if (!m_files.fileExists("UI/" + std::string(item) + ".mnu")) {
            report(where, "no menu \"" + std::string(item) + "\"");
        }
        break;
    }
}

void DataCheck::checkTextKeysIn(std::string_view text, const std::string& where)
{
    // "$$Key$$" and "$$Key~<args>~$$": the key runs to the first '$' or '~'.
    size_t at = 0;
    while ((at = text.find("$$", at)) != std::string_view::npos) {
        size_t start = at + 2;
        size_t end = start;
        while (end < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) {
            ++end;
        }
        bool closed = end < text.size() && (text.compare(end, 2, "$$") == 0 || text[end] == '~');
        if (end > start && closed) {
            checkItem(Kind::TextKey, text.substr(start, end - start), where);
            at = text[end] == '~' ? end : end + 2;
        } else {
            at = start;
        }
    }
}

void DataCheck::checkDatabase()
{
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (!entry) {
            continue;
        }
        const bool gameSystem = equalsNoCase(entry->getName(), "GameSystem");
        for (const DatabaseField& field : entry->getFields()) {
            const std::string where = describeWhere(entry->getFileName(), field.line, entry->getName()) +
                                      std::string(field.key) + ": ";
            checkTextKeysIn(field.value, where);
            std::optional<Kind> kind;
            if (inList(field.key, kEntryKeys) || hasPrefix(field.key, kEntryPrefixes)) {
                kind = Kind::Entry;
            } else if (inList(field.key, kFileKeys) || hasPrefix(field.key, kFilePrefixes)) {
                kind = Kind::File;
            } else if (inList(field.key, kShaderKeys) || hasPrefix(field.key, kShaderPrefixes)) {
                kind = Kind::Shader;
            } else if (inList(field.key, kTextKeyKeys)) {
                kind = Kind::TextKey;
            } else if (gameSystem && startsWithNoCase(field.key, "Quest") &&
                       !inList(field.key, kQuestValueKeys)) {
                kind = Kind::Entry;
            }
            if (!kind) {
                continue;
            }
            for (std::string_view item : field.items) {
                if (*kind == Kind::Entry && equalsNoCase(field.key, "GameMenu")) {
                    checkItem(Kind::Menu, item, where);
                } else {
                    checkItem(*kind, item, where);
                }
            }
        }
    }
}

void DataCheck::checkMenuName(const std::string& name, const std::string& where)
{
    // Menus are looked up by name with case, among those the list loads; a
    // name formatted at run time ("showMenu %s") is not checked.
    if (!name.empty() && name.find('%') == std::string::npos && m_menuNames.count(name) == 0) {
        report(where, "no menu \"" + name + "\"");
    }
}

void DataCheck::checkMenuCommand(std::string_view line, const std::string& where)
{
    // The verbs that name a menu; popMenu names one only when it has an argument.
    constexpr std::string_view kMenuVerbs[] = {"pushMenu",    "showMenu", "toggleMenu",
                                               "pushPopMenu", "hideMenu", "popMenu"};
    std::istringstream command{std::string(line)};
    std::string verb, name;
    if (command >> verb >> name && inList(verb, kMenuVerbs)) {
        checkMenuName(name, where);
    }
}

void DataCheck::checkCommandVerb(std::string_view line, const std::string& where)
{
    std::vector<std::string> words;
    splitCommandLine(std::string(line), words);
    if (words.empty()) {
        return;
    }
    m_menuSent.insert(toLowerCopy(words[0]));
    if (words.size() > 1 && equalsNoCase(words[0], "serverCommand")) {
        m_menuSent.insert(toLowerCopy(words[1]));
    }
    if (m_commandNames.empty()) {
        return; // no command table read
    }
    // Matched without case, as the command table looks names up.
    if (!m_commandNames.count(toLowerCopy(words[0])) && !m_menuOwnVerbs.count(words[0])) {
        report(where, "unknown command \"" + words[0] + "\"");
    } else if (equalsNoCase(words[0], "menuCommand") && words.size() > 1 &&
               !m_menuVerbs.count(toLowerCopy(words[1]))) {
        report(where, "unknown command \"menuCommand " + words[1] + "\"");
    }
}

void DataCheck::readCommandNames(const std::string& sourceRoot, const std::vector<std::string>& folders)
{
    auto read = [](const std::filesystem::path& path) {
        std::ifstream in(path);
        std::stringstream buffer;
        buffer << in.rdbuf();
        return withoutComments(buffer.str());
    };
    forEachSource(sourceRoot, folders, [&](const std::filesystem::path& path, const std::string&) {
        if (path.extension() == ".cpp") {
            collectRegisteredCommands(read(path), m_commandNames);
        }
    });
    // A menu class that handles lines itself takes the verbs it compares
    // ("verb == \"ShowRelations\""), as they are written.
    forEachSource(sourceRoot, {"ui/menus"}, [&](const std::filesystem::path& path, const std::string&) {
        const std::string code = path.extension() == ".cpp" ? read(path) : std::string();
        if (code.find("::handleCommand(") == std::string::npos) {
            return;
        }
        constexpr std::string_view kCompare = "verb == \"";
        for (size_t at = code.find(kCompare); at != std::string::npos; at = code.find(kCompare, at + 1)) {
            const size_t start = at + kCompare.size();
            m_menuOwnVerbs.insert(code.substr(start, code.find('"', start) - start));
        }
    });
    // A menu runs "menuCommand <verb>" itself; the verbs are the names its
    // handler compares.
    const std::filesystem::path handler = std::filesystem::path(sourceRoot) / "ui/menus/UIMenuCommands.cpp";
    if (std::filesystem::exists(handler)) {
        const std::string code = read(handler);
        m_commandNames.insert("menucommand");
        for (size_t at : callsOf(code, "equalsNoCase")) {
            const std::vector<std::string> args = splitBracketed(code, at + 12);
            if (args.size() == 2 && args[0] == "verb") {
                if (std::optional<std::string> literal = literalOf(args[1])) {
                    m_menuVerbs.insert(toLowerCopy(*literal));
                }
            }
        }
    }
}

void DataCheck::readYesNoKeywords(const std::string& sourceRoot, const std::vector<std::string>& folders)
{
    // A keyword branch of a parser: `is("name")`, `equalsNoCase(keyword,
    // "name")` or `keyword == "name"`, whose body reads `reader.getBool()`.
    constexpr std::string_view kRead = "reader.getBool()";
    forEachSource(sourceRoot, folders, [&](const std::filesystem::path& path, const std::string&) {
        if (path.extension() != ".cpp") {
            return;
        }
        std::ifstream in(path);
        std::stringstream buffer;
        buffer << in.rdbuf();
        const std::string code = withoutComments(buffer.str());
        for (size_t at = code.find(kRead); at != std::string::npos; at = code.find(kRead, at + 1)) {
            const size_t branch = code.rfind("if (", at);
            const size_t body = branch == std::string::npos ? std::string::npos : code.find('{', branch);
            // The read must lie in the branch's own body, before any other statement.
            if (body == std::string::npos || body > at || code.find(';', body) < at) {
                continue;
            }
            const size_t open = code.find('"', branch);
            const size_t close = open < body ? code.find('"', open + 1) : std::string::npos;
            if (close != std::string::npos && close < body) {
                m_yesNoKeywords.insert(toLowerCopy(code.substr(open + 1, close - open - 1)));
            }
        }
    });
}

namespace {

// The command a line runs: its first word, the second after "serverCommand".
std::string commandOfLine(std::string_view line)
{
    std::istringstream words{std::string(line)};
    std::string word;
    words >> word;
    if (equalsNoCase(word, "serverCommand")) {
        words >> word;
    }
    const size_t format = word.find('%');
    return toLowerCopy(format == std::string::npos ? word : word.substr(0, format));
}

// Whether the literal opening at `quote` registers a command rather than
// sends one: the first item of a table row, an argument of a registering
// call, or a name compared with.
bool isRegistration(const std::string& code, size_t quote)
{
    size_t before = code.find_last_not_of(" \t\r\n", quote == 0 ? 0 : quote - 1);
    if (before == std::string::npos) {
        return false;
    }
    if (code[before] == '{' ||
        (before > 0 && code[before] == '=' && (code[before - 1] == '=' || code[before - 1] == '!'))) {
        return true;
    }
    int depth = 0;
    for (size_t i = quote; i-- > 0;) {
        const char c = code[i];
        if (c == ')' || c == '}' || c == ']') {
            ++depth;
        } else if (c == '(' || c == '{' || c == '[') {
            if (depth-- > 0) {
                continue;
            }
            if (c != '(') {
                return false;
            }
            constexpr std::string_view kRegistering[] = {"registerCommand",
                                                         "registerServerCommand",
                                                         "unregisterCommand",
                                                         "findCommand",
                                                         "attach",
                                                         "attachGameCommandHandler",
                                                         "add"};
            return inList(lastWord(std::string_view(code).substr(0, i)), kRegistering);
        }
    }
    return false;
}

// The section of the README that names what is known not to work.
std::string notWorkingYet(const std::string& sourceRoot)
{
    std::ifstream in(std::filesystem::path(sourceRoot) / "README.md");
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const size_t start = text.find("## What does not work yet");
    if (start == std::string::npos) {
        return std::string();
    }
    return text.substr(start, text.find("\n## ", start + 1) - start);
}

} // namespace

void DataCheck::checkUnsentCommands(const std::vector<std::string>& internalOnly,
                                    const std::string& sourceRoot, const std::vector<std::string>& folders)
{
    std::unordered_set<std::string> sent = m_menuSent;
    if (auto cfg = m_files.readWholeFile("default.cfg")) {
        std::istringstream lines(std::string(cfg->begin(), cfg->end()));
        std::string line;
        while (std::getline(lines, line)) {
            std::vector<std::string> words;
            splitCommandLine(line, words);
            if (words.size() > 3 && equalsNoCase(words[0], "VirtualKey")) {
                sent.insert(commandOfLine(words[3]));
            }
        }
    }
    std::unordered_set<std::string> wanted;
    for (const std::string& name : internalOnly) {
        wanted.insert(toLowerCopy(name));
    }
    forEachStringLiteral(
        sourceRoot, folders, [&](const std::string& code, size_t quote, std::string_view literal) {
            const std::string command = commandOfLine(literal);
            if (wanted.count(command) && !sent.count(command) && !isRegistration(code, quote)) {
                sent.insert(command);
            }
        });
    const std::string known = notWorkingYet(sourceRoot);
    for (const std::string& name : internalOnly) {
        const bool named = known.find("`" + name + "`") != std::string::npos ||
                           known.find("\"" + name + "\"") != std::string::npos;
        if (sent.count(toLowerCopy(name))) {
            if (named) {
                report("README.md: ",
                       "\"What does not work yet\" names \"" + name + "\", which a menu, key or code sends");
            }
        } else if (named) {
            m_knownUnsent.push_back(name);
        } else {
            report("program: ", "internal-only command \"" + name + "\" is sent by no menu, key or code");
        }
    }
}

void DataCheck::checkUnused(const std::string& sourceRoot, const std::vector<std::string>& folders)
{
    struct Unused {
        std::string where; // "file:line: entry Name: " or "file: "
        std::string kind;  // what it is ("behaviour type")
        std::string name;  // its name, as the README would write it
        std::string why;   // what nothing does with it
    };
    std::vector<Unused> unused;
    std::vector<std::string> used; // names the data uses: the README must not name them
    auto lower = [](std::string_view text) { return toLowerCopy(text); };

    // The town's people, by their "NpcType" (lower case).
    std::unordered_set<std::string> townTypes;
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        const auto kind =
            entry ? static_cast<DatabaseEntryType>(entry->getTypeInherited()) : DatabaseEntryType{};
        const std::string npc = entry ? m_database.getString(entry, "NpcType") : std::string();
        if (!npc.empty() && !entry->isBaseOnly() &&
            (kind == DatabaseEntryType::MonsterArchetype || kind == DatabaseEntryType::MonsterType)) {
            townTypes.insert(lower(npc));
        }
    }
    // Why no world gives a quest's reward, or empty when one can: the program
    // loads only the quests the "GameSystem" names by "Quest<Type>", sets one
    // up only while the town has someone of its "NeedNpcType", and a reward
    // fetched in town ("ReturnForReward") needs someone of "ReturnNpcType".
    std::unordered_set<std::string> loadedQuests; // lower case
    if (const DatabaseEntry* system = m_database.findEntry("GameSystem")) {
        for (const std::string& type : getGameEnumTable(GameEnum::QuestType).names) {
            const std::string name = m_database.getString(system, "Quest" + type);
            if (!name.empty()) {
                loadedQuests.insert(lower(name));
            }
        }
    }
    auto whyNoReward = [&](const DatabaseEntry* quest) -> std::string {
        if (!loadedQuests.count(lower(quest->getName()))) {
            return "no \"Quest<Type>\" of \"GameSystem\" names the quest";
        }
        auto missing = [&](const std::string& npc) {
            return !npc.empty() && !equalsNoCase(npc, "None") && !equalsNoCase(npc, "OneShot") &&
                   !townTypes.count(lower(npc));
        };
        const std::string need = m_database.getString(quest, "NeedNpcType");
        if (missing(need)) {
            return "it needs an \"NpcType\" " + need + " in town, which nobody is";
        }
        const std::string back = m_database.getString(quest, "ReturnNpcType");
        if (m_database.getInt(quest, "ReturnForReward") != 0 && missing(back)) {
            return "its reward waits with an \"NpcType\" " + back + " in town, which nobody is";
        }
        return {};
    };

    // Every item of every field of the database and the stories: the texts,
    // who holds one, and the books nothing gives. A monster's story is told
    // once a world can bring the monster (below).
    std::unordered_set<std::string> fieldItems;
    std::unordered_set<std::string> told; // lower case "TextFile" items
    std::vector<std::pair<const DatabaseEntry*, std::string>> monsterTales;
    std::unordered_set<std::string> given; // items a quest or a class gives
    bool holds[3] = {false, false, false}; // a book, a monster, an area
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (!entry) {
            continue;
        }
        for (const DatabaseField& field : entry->getFields()) {
            for (std::string_view item : field.items) {
                fieldItems.insert(lower(item));
                const auto kind = static_cast<DatabaseEntryType>(entry->getTypeInherited());
                const bool monster =
                    kind == DatabaseEntryType::MonsterArchetype || kind == DatabaseEntryType::MonsterType;
                if (equalsNoCase(field.key, "TextFile") && monster && !entry->isBaseOnly()) {
                    monsterTales.emplace_back(entry, lower(item));
                } else if (equalsNoCase(field.key, "TextFile")) {
                    told.insert(lower(item));
                } else if ((equalsNoCase(field.key, "ItemReward") && kind != DatabaseEntryType::Quest) ||
                           equalsNoCase(field.key, "StartingItem")) {
                    given.insert(lower(item));
                }
            }
        }
        const auto type = static_cast<DatabaseEntryType>(entry->getTypeInherited());
        // A quest's reward, its own or its template's, is given once a world
        // can set the quest up.
        const std::string reward = type == DatabaseEntryType::Quest && !entry->isBaseOnly()
                                       ? m_database.getString(entry, "ItemReward")
                                       : "";
        if (!reward.empty() && whyNoReward(entry).empty()) {
            given.insert(lower(reward));
        }
        if (entry->isBaseOnly() || m_database.getString(entry, "TextFile").empty()) {
            continue;
        }
        if (type == DatabaseEntryType::Item &&
            equalsNoCase(m_database.getString(entry, "ItemType"), "Tome")) {
            holds[0] = true;
        } else if (type == DatabaseEntryType::Area) {
            holds[2] = true;
        }
    }

    // The monster classes a world can bring: those of the monster types an
    // area draws ("MonsterSpawn" with a "SelectionWeight" above 0; no unique
    // or legend version) and spawns (a "SpawnWeight" above 0), or another
    // entry names (a quest, an area's spawn,
    // a skill, the rules), and of every type these bring with them: its
    // companion, successor, members, unique and legend versions, and what its
    // class's spawner brings forth; and the town's people.
    auto isType = [](const DatabaseEntry* entry, DatabaseEntryType type) {
        return entry && entry->getTypeInherited() == static_cast<int>(type);
    };
    // The town places its people by their "NpcType".
    auto townsfolk = [&](const DatabaseEntry* entry) {
        const std::string npc = m_database.getString(entry, "NpcType");
        return !npc.empty() && !equalsNoCase(npc, "None");
    };
    std::unordered_set<std::string> drawnClasses; // lower case
    std::vector<const DatabaseEntry*> reached;    // monster types, each once
    std::unordered_set<const DatabaseEntry*> seen;
    // A drawn type, its companion and its successor come by their class's
    // spawn weight alone (the weights default to 1, as the game reads them).
    auto weight = [&](const DatabaseEntry* type, const char* key) {
        const DatabaseEntry* archetype = m_database.findEntry(m_database.getString(type, "Archetype"));
        return archetype ? m_database.getFloat(archetype, key, 1.0f) : 0.0f;
    };
    auto reach = [&](const std::string& name, bool byWeight) {
        const DatabaseEntry* type = m_database.findEntry(name);
        if (isType(type, DatabaseEntryType::MonsterType) && !type->isBaseOnly() &&
            (!byWeight || weight(type, "SpawnWeight") > 0.0f) && seen.insert(type).second) {
            reached.push_back(type);
        }
    };
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (isType(entry, DatabaseEntryType::Area)) {
            for (const std::string& name : m_database.getStringList(entry, "MonsterSpawn")) {
                const DatabaseEntry* archetype = m_database.findEntry(name);
                if (archetype && m_database.getFloat(archetype, "SelectionWeight", 1.0f) > 0.0f) {
                    drawnClasses.insert(lower(name));
                }
            }
        }
    }
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (!entry || isType(entry, DatabaseEntryType::MonsterArchetype) ||
            isType(entry, DatabaseEntryType::BehaviorData)) {
            continue;
        }
        if (!isType(entry, DatabaseEntryType::MonsterType)) {
            for (const DatabaseField& field : entry->getFields()) {
                for (std::string_view item : field.items) {
                    reach(std::string(item), false);
                }
            }
        } else if ((drawnClasses.count(lower(m_database.getString(entry, "Archetype"))) &&
                    m_database.getInt(entry, "Unique") == 0 && m_database.getInt(entry, "Legend") == 0) ||
                   townsfolk(entry)) {
            reach(entry->getName(), !townsfolk(entry));
        }
    }
    std::unordered_set<std::string> reachedClasses; // lower case
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (isType(entry, DatabaseEntryType::MonsterArchetype) && townsfolk(entry)) {
            reachedClasses.insert(lower(entry->getName()));
        }
    }
    for (size_t i = 0; i < reached.size(); ++i) {
        const DatabaseEntry* type = reached[i];
        const std::string archetype = m_database.getString(type, "Archetype");
        reachedClasses.insert(lower(archetype));
        for (const char* key : {"Companion", "Successor", "Member", "UniqueVersion", "LegendVersion"}) {
            for (const std::string& name : m_database.getStringList(type, key)) {
                reach(name, equalsNoCase(key, "Companion") || equalsNoCase(key, "Successor"));
            }
        }
        if (const DatabaseEntry* classEntry = m_database.findEntry(archetype)) {
            if (const DatabaseEntry* spawner =
                    m_database.findEntry(m_database.getString(classEntry, "SpawnerData"))) {
                reach(m_database.getString(spawner, "SpawnEntity"), false);
            }
        }
    }

    for (const auto& [entry, tale] : monsterTales) {
        if (seen.count(entry) || reachedClasses.count(lower(entry->getName()))) {
            told.insert(tale);
            holds[1] = true;
        }
    }

    // Behaviour types: listed by a stack that a monster class a world can
    // bring, or another kind of entry, names. A class no world brings that
    // has a spawner's behaviour is reported: a spawner nobody meets.
    std::unordered_set<std::string> broughtStacks;
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (!entry || entry->isBaseOnly()) {
            continue;
        }
        const std::string stack = m_database.getString(entry, "BehaviorStack");
        if (stack.empty()) {
            continue;
        }
        if (!isType(entry, DatabaseEntryType::MonsterArchetype) ||
            reachedClasses.count(lower(entry->getName()))) {
            broughtStacks.insert(lower(stack));
        } else if (const DatabaseEntry* stackEntry = m_database.findEntry(stack)) {
            for (const std::string& name : m_database.getStringList(stackEntry, "Behavior")) {
                if (equalsNoCase(name, "Spawner")) {
                    unused.push_back(
                        {describeWhere(entry->getFileName(), entry->getLine(), {}), "spawner",
                         entry->getName(),
                         "no area draws a monster of its class, and no type drawn, named or brought "
                         "along by another brings one"});
                }
            }
        }
    }
    std::unordered_set<std::string> behaviours;
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (entry && entry->getTypeInherited() == static_cast<int>(DatabaseEntryType::BehaviorStack) &&
            broughtStacks.count(lower(entry->getName()))) {
            for (const std::string& name : m_database.getStringList(entry, "Behavior")) {
                behaviours.insert(lower(name));
            }
        }
    }
    for (const std::string& name : getGameEnumTable(GameEnum::ActorBehavior).names) {
        if (behaviours.count(lower(name))) {
            used.push_back(name);
        } else {
            unused.push_back({"data: ", "behaviour type", name,
                              "no behaviour stack of a monster class a world can bring lists it"});
        }
    }

    // The models' events: the kinds fired, and the files they name.
    std::unordered_set<std::string> fired;
    std::unordered_set<std::string> eventFiles; // lower case, as named
    std::vector<std::string> models;
    m_files.listFiles(models, "Models", "mdl", false, true);
    for (const std::string& name : models) {
        const std::string file = "Models/" + name;
        auto bytes = m_files.readWholeFile(file);
        std::unique_ptr<ModelResource> model =
            bytes ? ModelResource::parse(file, bytes->data(), bytes->size()) : nullptr;
        for (int a = 0; model && a < model->getNumAnimations(); ++a) {
            for (const AnimationEvent& event : model->getAnimation(a)->events) {
                fired.insert(lower(event.name));
                // The effect file is the first argument, the second of the
                // worn model's swipes; a sound lies under "Sounds".
                const bool wornSwipe = equalsNoCase(event.name, "startClientModelSwipe") ||
                                       equalsNoCase(event.name, "stopClientModelSwipe");
                const bool sound = equalsNoCase(event.name, "sound") || equalsNoCase(event.name, "loopSound");
                const size_t at = wornSwipe ? 1 : 0;
                const bool names =
                    std::any_of(std::begin(kAnimationEventNames), std::end(kAnimationEventNames),
                                [&](const char* kind) { return equalsNoCase(kind, event.name); });
                if (!names || equalsNoCase(event.name, "stopLoopSound") || event.args.size() <= at ||
                    event.args[at].empty()) {
                    continue;
                }
                const std::string& named = event.args[at];
                eventFiles.insert(lower(named));
                std::string path = sound ? (startsWithNoCase(named, "Sounds/") ? named : "Sounds/" + named)
                                         : "Effects/" + named;
                if (!m_files.fileExists(path)) {
                    report(file + ": ", "animation \"" + model->getAnimation(a)->name + "\": event \"" +
                                            event.name + "\" names no file \"" + path + "\"");
                }
            }
        }
    }
    for (const char* kind : kAnimationEventNames) {
        if (fired.count(lower(kind))) {
            used.push_back(kind);
        } else {
            unused.push_back({"data: ", "animation event", kind, "no model under \"Models/\" fires it"});
        }
    }

    // Effect files: named by a model event, a database field or a string
    // literal of the sources.
    std::unordered_set<std::string> literals;
    forEachStringLiteral(sourceRoot, folders, [&](const std::string&, size_t, std::string_view literal) {
        literals.insert(lower(literal));
    });
    for (const char* extension : {"eff", "bem", "swp"}) {
        for (const std::string& name : m_files.listFiles("Effects", extension)) {
            const std::string key = lower(name);
            const bool named = eventFiles.count(key) || fieldItems.count(key) ||
                               fieldItems.count("effects/" + key) || literals.count(key);
            if (named) {
                used.push_back(name);
            } else {
                unused.push_back({"Effects/" + name + ": ", "effect file", name,
                                  "no model event, database entry or code names it"});
            }
        }
    }

    // Stories.
    constexpr const char* kHolders[] = {"book story", "monster story", "area story"};
    constexpr const char* kHolderWhy[] = {"no book (\"ItemType\" Tome) has a \"TextFile\"",
                                          "no monster class or type a world can bring has a \"TextFile\"",
                                          "no area has a \"TextFile\""};
    for (int k = 0; k < 3; ++k) {
        if (holds[k]) {
            used.push_back(kHolders[k]);
        } else {
            unused.push_back({"data: ", "story kind", kHolders[k], kHolderWhy[k]});
        }
    }
    for (const std::string& name : m_files.listFiles("Text", "txt")) {
        const std::string path = "Text/" + name;
        if (told.count(lower(path))) {
            used.push_back(path);
        } else {
            unused.push_back({path + ": ", "story", path, "no \"TextFile\" names it"});
        }
    }
    // An item only quests no world sets up give (a book among them with its
    // story): named once, by the quest.
    auto drops = [&](const DatabaseEntry* item) {
        return m_database.getFloat(item, "SpawnChance") > 0.0f && m_database.getInt(item, "NoDrop") == 0;
    };
    std::unordered_set<std::string> lostRewards; // lower case
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* quest = m_database.getEntryAt(i);
        if (!isType(quest, DatabaseEntryType::Quest) || quest->isBaseOnly()) {
            continue;
        }
        const std::string reward = m_database.getString(quest, "ItemReward");
        const DatabaseEntry* item = m_database.findEntry(reward);
        const std::string why = reward.empty() ? std::string() : whyNoReward(quest);
        if (!item || why.empty() || drops(item) || given.count(lower(reward)) ||
            !lostRewards.insert(lower(reward)).second) {
            continue;
        }
        const std::string story = m_database.getString(item, "TextFile");
        unused.push_back({describeWhere(quest->getFileName(), quest->getLine(), {}), "item reward", reward,
                          "only quest \"" + quest->getName() + "\" gives it, and no world sets that up: " +
                              why + (story.empty() ? "" : "; nobody reads its story \"" + story + "\"")});
    }
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (!entry || entry->isBaseOnly() || lostRewards.count(lower(entry->getName())) ||
            entry->getTypeInherited() != static_cast<int>(DatabaseEntryType::Item) ||
            !equalsNoCase(m_database.getString(entry, "ItemType"), "Tome") ||
            m_database.getString(entry, "TextFile").empty()) {
            continue;
        }
        if (drops(entry) || given.count(lower(entry->getName()))) {
            used.push_back(entry->getName());
        } else {
            unused.push_back(
                {describeWhere(entry->getFileName(), entry->getLine(), {}), "book", entry->getName(),
                 "it tells a story, but no \"SpawnChance\" drops it, no quest's \"ItemReward\" and "
                 "no class's \"StartingItem\" gives it"});
        }
    }

    const std::string known = notWorkingYet(sourceRoot);
    auto namedThere = [&known](const std::string& name) {
        return known.find("`" + name + "`") != std::string::npos ||
               known.find("\"" + name + "\"") != std::string::npos;
    };
    for (const Unused& u : unused) {
        const std::string what = u.kind + " \"" + u.name + "\"";
        if (namedThere(u.name)) {
            m_knownUnused.push_back(what);
        } else {
            report(u.where, what + " is used by nothing in data/: " + u.why);
        }
    }
    for (const std::string& name : used) {
        if (namedThere(name)) {
            report("README.md: ", "\"What does not work yet\" names \"" + name + "\", which the data uses");
        }
    }
}

void DataCheck::checkEnumTranslations()
{
    constexpr GameEnum kShown[] = {
        GameEnum::ItemRequirement, GameEnum::DamageType,         GameEnum::EntityState, GameEnum::DynamicStat,
        GameEnum::CharacterStat,   GameEnum::CovenantMultiplier, GameEnum::TimedAction};
    for (GameEnum which : kShown) {
        const EnumNameTable& table = getGameEnumTable(which);
        for (const std::string& name : table.names) {
            // "None" and the count are never shown.
            if (name != "None" && name != "Num" && !translationExists(name)) {
                report("loc/english: ", table.tableName + " \"" + name + "\" has no translation");
            }
        }
    }
}

void DataCheck::checkIconNames()
{
    std::unordered_set<std::string> perLevel; // lower case
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        for (const std::string& name : m_database.getStringList(m_database.getEntryAt(i), "PerLevel")) {
            perLevel.insert(toLowerCopy(name));
        }
    }
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (!entry || entry->isBaseOnly() || perLevel.count(toLowerCopy(entry->getName())) != 0) {
            continue;
        }
        const auto type = static_cast<DatabaseEntryType>(entry->getTypeInherited());
        const bool effect = type == DatabaseEntryType::StatusEffect;
        if (type != DatabaseEntryType::Skill && !effect && type != DatabaseEntryType::MonsterEnhancement &&
            type != DatabaseEntryType::CovenantTrait) {
            continue;
        }
        if (effect && m_database.getInt(entry, "Public", 0) == 0) {
            continue;
        }
        if (m_database.getString(entry, "TextureName").empty()) {
            report(describeWhere(entry->getFileName(), entry->getLine(), entry->getName()), "no TextureName");
        }
    }
}

void DataCheck::checkQuestItemNames()
{
    std::unordered_set<const DatabaseEntry*> checked;
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (!entry) {
            continue;
        }
        for (const DatabaseField& field : entry->getFields()) {
            if (!equalsNoCase(field.key, "QuestItem") && !equalsNoCase(field.key, "DefaultItem")) {
                continue;
            }
            for (std::string_view name : field.items) {
                // A missing entry is checkDatabase's to report.
                const DatabaseEntry* item = m_database.findEntry(name);
                if (!item || !checked.insert(item).second) {
                    continue;
                }
                for (const char* key : {"QuestItemName", "QuestItemNamePlural"}) {
                    if (m_database.getString(item, key).empty()) {
                        report(describeWhere(item->getFileName(), item->getLine(), item->getName()),
                               std::string("a quest can ask for it, but it has no ") + key);
                    }
                }
            }
        }
    }
}

void DataCheck::checkUniqueMonsterPrey()
{
    for (int i = 0; i < m_database.getEntryCount(); ++i) {
        const DatabaseEntry* entry = m_database.getEntryAt(i);
        if (!entry || entry->isBaseOnly() ||
            entry->getTypeInherited() != static_cast<int>(DatabaseEntryType::MonsterType)) {
            continue;
        }
        const char* flag = m_database.getInt(entry, "Unique") != 0        ? "Unique"
                           : m_database.getInt(entry, "Legend") != 0      ? "Legend"
                           : m_database.getInt(entry, "BossCapable") != 0 ? "BossCapable"
                                                                          : nullptr;
        // A missing class is checkDatabase's to report.
        const DatabaseEntry* monsterClass =
            flag ? m_database.findEntry(m_database.getString(entry, "Archetype")) : nullptr;
        if (!monsterClass) {
            continue;
        }
        const bool townsperson = m_database.getInt(monsterClass, "Npc") != 0 &&
                                 m_database.getInt(monsterClass, "NpcRenegade") == 0;
        const bool untouchable = m_database.getInt(monsterClass, "CanBeAttacked", 1) == 0;
        if (!townsperson && !untouchable) {
            continue;
        }
        int line = entry->getLine();
        for (const DatabaseField& field : entry->getFields()) {
            if (equalsNoCase(field.key, flag)) {
                line = field.line;
            }
        }
        const bool boss = std::string_view(flag) == "BossCapable";
        report(describeWhere(entry->getFileName(), line, entry->getName()),
               std::string(flag) +
                   (boss ? ": an area's boss quest can draw it, but "
                         : ": a unique monster quest can hunt it, but ") +
                   (townsperson ? "its class is townsfolk, no enemy of the player"
                                : "its class cannot be attacked"));
    }
}

void DataCheck::checkMenus()
{
    const std::string listName = "UI/menus.lst";
    auto list = m_files.readWholeFile(listName);
    if (!list) {
        report(listName + ": ", "cannot be read");
        return;
    }
    constexpr std::string_view kMenuTypes[] = {"Menu", "RelationsMenu", "BagMenu"};
    std::vector<std::string> menus;
    {
        std::istringstream lines(std::string(list->begin(), list->end()));
        std::string line;
        int number = 0;
        while (std::getline(lines, line)) {
            ++number;
            if (size_t comment = line.find("//"); comment != std::string::npos) {
                line.erase(comment);
            }
            std::istringstream words(line);
            std::string word, name;
            if (!(words >> word)) {
                continue;
            }
            const std::string where = describeWhere(listName, number, {});
            if (!inList(word, kMenuTypes)) {
                report(where, "unknown menu type \"" + word + "\"");
                continue;
            }
            words >> name;
            checkItem(Kind::Menu, name, where);
            if (m_files.fileExists("UI/" + name + ".mnu")) {
                menus.push_back(name);
                m_menuNames.insert(name);
            }
        }
    }
    for (const std::string& menu : menus) {
        const std::string fileName = "UI/" + menu + ".mnu";
        auto bytes = m_files.readWholeFile(fileName);
        if (!bytes) {
            continue; // reported above
        }
        std::istringstream lines(std::string(bytes->begin(), bytes->end()));
        std::string line;
        int number = 0;
        while (std::getline(lines, line)) {
            ++number;
            if (size_t comment = line.find("//"); comment != std::string::npos) {
                line.erase(comment);
            }
            const std::string where = describeWhere(fileName, number, {});
            checkTextKeysIn(line, where);
            std::istringstream words(line);
            std::string key;
            if (!(words >> key)) {
                continue;
            }
            std::string rest;
            std::getline(words, rest);
            rest.erase(0, rest.find_first_not_of(" \t"));
            if (!rest.empty() && rest.front() == '"') {
                rest = rest.substr(1, rest.find('"', 1) - 1);
            }
            constexpr std::string_view kCommandKeys[] = {
                "addCommand",     "addShowCommand", "addHideCommand", "addRightClickCommand",
                "addFailCommand", "successCommand", "listCommand"};
            if (m_yesNoKeywords.count(toLowerCopy(key))) {
                std::istringstream values(rest);
                std::string value;
                values >> value;
                if (!value.empty() && !isNumber(value)) {
                    report(where, "\"" + key + "\" takes 0 or 1, not \"" + value + "\"");
                }
            } else if (equalsNoCase(key, "texture") ||
                       (key.size() > 7 && startsWithNoCase(key.substr(key.size() - 7), "Texture"))) {
                checkItem(Kind::File, rest, where);
            } else if (equalsNoCase(key, "addSubMenu") || equalsNoCase(key, "parent") ||
                       equalsNoCase(key, "DuplicateMenuName")) {
                checkMenuName(rest, where);
            } else if (key == "bagTemplate") {
                std::istringstream parts(rest);
                std::string capacity, name;
                parts >> capacity >> name;
                checkMenuName(name, where);
            } else if (equalsNoCase(key, "font")) {
                if (!m_files.fileExists("fonts/" + rest + ".fnt")) {
                    report(where, "no font \"" + rest + "\"");
                }
            } else if (inList(key, kCommandKeys)) {
                checkMenuCommand(rest, where);
                checkCommandVerb(rest, where);
            } else if (equalsNoCase(key, "addChoice")) {
                // addChoice "label" "command line"
                std::vector<std::string> parts;
                splitCommandLine(std::string(trimBlanks(line.substr(line.find(key) + key.size()))), parts);
                if (parts.size() > 1) {
                    checkMenuCommand(parts[1], where);
                    checkCommandVerb(parts[1], where);
                }
            }
        }
    }
}

void DataCheck::checkSourceMenuNames(const std::string& sourceRoot, const std::vector<std::string>& folders)
{
    // The interface calls of the client that take menu names.
    constexpr std::string_view kCalls[] = {"openOnStack(", "takeOffStack(", "close(", "show("};
    forEachSource(sourceRoot, folders, [&](const std::filesystem::path& path, const std::string& relative) {
        std::ifstream in(path);
        std::stringstream buffer;
        buffer << in.rdbuf();
        const std::string text = buffer.str();
        // The string literals of the file, with their lines; comments are skipped.
        struct Literal {
            size_t at;
            int line;
            std::string text;
        };
        std::vector<Literal> literals;
        int line = 1;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ++line;
            } else if (text.compare(i, 2, "//") == 0) {
                i = std::min(text.find('\n', i), text.size()) - 1;
            } else if (text.compare(i, 2, "/*") == 0) {
                const size_t close = std::min(text.find("*/", i + 2), text.size());
                line += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(i),
                                                    text.begin() + static_cast<std::ptrdiff_t>(close), '\n'));
                i = close + 1;
            } else if (text[i] == '\'' && i + 2 < text.size()) {
                i += text[i + 1] == '\\' ? 3 : 2; // a character literal
            } else if (text[i] == '"') {
                Literal literal{i, line, {}};
                for (++i; i < text.size() && text[i] != '"' && text[i] != '\n'; ++i) {
                    if (text[i] == '\\' && i + 1 < text.size()) {
                        ++i;
                    }
                    literal.text += text[i];
                }
                literals.push_back(std::move(literal));
            }
        }
        for (const Literal& literal : literals) {
            const std::string where = describeWhere(relative, literal.line, {});
            checkMenuCommand(literal.text, where);
            // A literal inside the parentheses of one of the calls.
            for (std::string_view call : kCalls) {
                size_t open = text.rfind(call, literal.at);
                if (open == std::string::npos || open == 0 ||
                    (text[open - 1] != '.' && (open < 2 || text.compare(open - 2, 2, "->") != 0))) {
                    continue;
                }
                int depth = 0;
                bool inside = true;
                for (size_t j = open + call.size() - 1; j < literal.at; ++j) {
                    depth += text[j] == '(' ? 1 : text[j] == ')' ? -1 : 0;
                    if (depth == 0 || text[j] == ';') {
                        inside = false;
                        break;
                    }
                }
                if (inside) {
                    checkMenuName(literal.text, where);
                    break;
                }
            }
        }
    });
}

void DataCheck::checkSourceTextKeys(const std::string& sourceRoot, const std::vector<std::string>& folders)
{
    forEachSource(sourceRoot, folders, [&](const std::filesystem::path& path, const std::string& relative) {
        std::ifstream in(path);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            const std::string_view code = trimBlanks(line);
            if (code.rfind("//", 0) == 0 || code.rfind("*", 0) == 0) {
                continue;
            }
            const std::string where = describeWhere(relative, number, {});
            // Only literal keys inside quotes count.
            for (size_t quote = line.find("\"$$"); quote != std::string::npos;
                 quote = line.find("\"$$", quote + 1)) {
                size_t close = line.find('"', quote + 1);
                if (close != std::string::npos) {
                    checkTextKeysIn(std::string_view(line).substr(quote + 1, close - quote - 1), where);
                }
            }
            for (size_t call = line.find("wrapText(\""); call != std::string::npos;
                 call = line.find("wrapText(\"", call + 1)) {
                size_t start = call + 10;
                size_t close = line.find('"', start);
                if (close != std::string::npos) {
                    checkItem(Kind::TextKey, std::string_view(line).substr(start, close - start), where);
                }
            }
        }
    });
}

std::vector<std::string> DataCheck::run(const std::string& dataDirectory,
                                        const std::string& generatedDirectory, const std::string& sourceRoot,
                                        const std::vector<std::string>& internalOnly,
                                        std::vector<std::string>* knownUnsent,
                                        std::vector<std::string>* knownUnused)
{
    DebugSystem debug;
    std::vector<std::string> logged;
    debug.addSink([&logged](int level, const std::string& text) {
        if (level >= 2) {
            logged.push_back(text);
        }
    });
    std::vector<std::string> problems;
    {
        const std::string user = (std::filesystem::temp_directory_path() / "gloam-datacheck").string();
        FileSystem files(dataDirectory, user);
        files.mountGeneratedDirectory(generatedDirectory);
        Database database;
        if (!database.load(Database::kMasterFile, false)) {
            problems.push_back(std::string(Database::kMasterFile) + ": cannot be read");
            return problems;
        }
        Localization texts;
        texts.load("english");
        DataCheck check(files, database, texts);
        const std::vector<std::string> programFolders = {"engine",   "game",  "server",  "client", "ui",
                                                         "graphics", "sound", "editors", "main"};
        if (!sourceRoot.empty()) {
            check.readCommandNames(sourceRoot, programFolders);
            check.readYesNoKeywords(sourceRoot, {"ui", "editors"});
        }
        check.checkDatabase();
        check.checkMenus();
        check.checkEnumTranslations();
        check.checkIconNames();
        check.checkQuestItemNames();
        check.checkUniqueMonsterPrey();
        if (!sourceRoot.empty()) {
            check.checkSourceTextKeys(sourceRoot, programFolders);
            check.checkSourceMenuNames(sourceRoot, {"client", "main"});
            if (!internalOnly.empty()) {
                check.checkUnsentCommands(internalOnly, sourceRoot, programFolders);
            }
            check.checkUnused(sourceRoot, programFolders);
        }
        problems = check.getProblems();
        if (knownUnsent) {
            *knownUnsent = check.getKnownUnsent();
        }
        if (knownUnused) {
            *knownUnused = check.getKnownUnused();
        }
    }
    problems.insert(problems.begin(), logged.begin(), logged.end());
    return problems;
}
