#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class Database;
class FileSystem;
class Localization;

// Finds the references of the game data that lead nowhere: a database entry
// naming a model, texture, sound, shader, entry or text key that does not
// exist, a menu list naming a missing menu file, a menu using a missing image
// or text key, and text keys the program's own sources use without a
// translation. Each problem is one "file:line: entry Name: ..." line.
class DataCheck {
public:
    DataCheck(FileSystem& files, const Database& database, const Localization& texts);

    // Loads the database and the English translations of a data directory
    // (with the build's generated files) and runs every check; the errors
    // and warnings logged while loading count as problems too. An empty
    // source root skips the sources' text keys.
    // The internal-only commands given are checked to be sent by something
    // (checkUnsentCommands).
    // Those nothing sends that the README names go to `knownUnsent` when
    // given; what nothing in the data uses and the README names, to
    // `knownUnused` (checkUnused, run with a source root).
    static std::vector<std::string> run(const std::string& dataDirectory,
                                        const std::string& generatedDirectory, const std::string& sourceRoot,
                                        const std::vector<std::string>& internalOnly = {},
                                        std::vector<std::string>* knownUnsent = nullptr,
                                        std::vector<std::string>* knownUnused = nullptr);

    // The database's own fields (not inherited ones, so each problem is
    // reported once, where it is written).
    void checkDatabase();
    // "UI/menus.lst" and every menu file it lists; a menu named by a menu
    // file (a command line, a page, a parent, a bag template) must be listed.
    void checkMenus();
    // The menu names the client opens and closes in code: string literals
    // given to the interface's openOnStack, takeOffStack, close and show, and
    // menu command lines ("showMenu Name") written whole. Run after checkMenus.
    void checkSourceMenuNames(const std::string& sourceRoot, const std::vector<std::string>& folders);
    // Every skill, shown status effect, monster enhancement and covenant
    // trait reaches an icon ("TextureName") through itself or its Base chain.
    // Templates ("BaseOnly"), per-level entries and effects with "Public" 0
    // are never shown and need none.
    void checkIconNames();
    // The command names the program registers (the registerCommand and
    // registerServerCommand calls of the C++ files below the folders) and the
    // verbs of "menuCommand" lines (ui/menus/UIMenuCommands.cpp) and of the
    // menu classes that handle lines themselves. Once read,
    // checkMenus checks the verb of every command line of the menu files.
    void readCommandNames(const std::string& sourceRoot, const std::vector<std::string>& folders);
    // The keywords of the menu files that take a yes/no value (0 or 1): the
    // parser branches of the C++ files below the folders that read one with
    // `reader.getBool()`. Once read, checkMenus reports such a keyword given
    // a word that is not a number (which reads as no).
    void readYesNoKeywords(const std::string& sourceRoot, const std::vector<std::string>& folders);
    // Every item a quest can ask for (an area's or a monster class's
    // "QuestItem", a quest's "DefaultItem") has "QuestItemName" and
    // "QuestItemNamePlural", or its quest texts read "Find 3 s".
    void checkQuestItemNames();
    // Every monster type flagged "Unique" or "Legend" (the prey a unique
    // monster quest draws, credited only for its death) or "BossCapable" (an
    // area's boss quest may draw it) can be fought: its class is no
    // townsperson (an "Npc" class not "NpcRenegade", no enemy of the player)
    // and no blow is refused it ("CanBeAttacked" 0).
    void checkUniqueMonsterPrey();
    // Every name of the enumerations the program shows as text keys has a
    // translation.
    void checkEnumTranslations();
    // "$$Key$$" literals and wrapText("Key", ...) calls in the C++ files
    // below the directories.
    void checkSourceTextKeys(const std::string& sourceRoot, const std::vector<std::string>& folders);

    // Internal-only commands (as registered) that nothing sends: no command
    // line of a menu (checkMenus reads them), no key binding of default.cfg
    // and no string literal of the sources but the command's registration.
    // One that the README's "What does not work yet" names (in backquotes
    // or double quotes) is known and left out (getKnownUnsent); one it names
    // that something sends is reported, as the README is wrong there.
    void checkUnsentCommands(const std::vector<std::string>& internalOnly, const std::string& sourceRoot,
                             const std::vector<std::string>& folders);
    // The internal-only commands that nothing sends and the README names,
    // in the order given.
    const std::vector<std::string>& getKnownUnsent() const { return m_knownUnsent; }

    // What the program builds that nothing in data/ uses: a behaviour type
    // that no behaviour stack a monster class names lists; an effect file
    // under "Effects/" that no model event, database field or string literal
    // of the sources names; an animation event the entity mirrors act on
    // that no model under "Models/" fires; and a story: a text under "Text/"
    // that no "TextFile" names, a kind of story holder (a book, a monster,
    // an area) none of whose entries has a "TextFile", and a book with a
    // story that nothing gives (it drops by no "SpawnChance", no quest's
    // "ItemReward" and no class's "StartingItem" names it); an item that
    // drops by no "SpawnChance" and only quests no world sets up give (one
    // the rules do not name, or whose town person is nobody). One that the
    // README's "What does not work yet" names (in backquotes or double
    // quotes) is known and left out (getKnownUnused); one it names that the
    // data uses is reported, as the README is wrong there. A model event
    // naming an effect or sound file that does not exist is reported too.
    void checkUnused(const std::string& sourceRoot, const std::vector<std::string>& folders);
    // What checkUnused found unused and the README names, each as
    // `kind "name"`, in the order found.
    const std::vector<std::string>& getKnownUnused() const { return m_knownUnused; }

    const std::vector<std::string>& getProblems() const { return m_problems; }

private:
    enum class Kind { Entry, File, Shader, TextKey, Menu };

    void checkItem(Kind kind, std::string_view item, const std::string& where);
    void checkTextKeysIn(std::string_view text, const std::string& where);
    void checkMenuName(const std::string& name, const std::string& where);
    void checkMenuCommand(std::string_view line, const std::string& where);
    void checkCommandVerb(std::string_view line, const std::string& where);
    bool shaderExists(std::string_view name);
    bool translationExists(std::string_view key) const;
    void loadShaderNames();
    void report(const std::string& where, const std::string& what);

    FileSystem& m_files;
    const Database& m_database;
    const Localization& m_texts;
    std::unordered_set<std::string> m_shaderNames;   // lower case
    std::unordered_set<std::string> m_menuNames;     // as listed
    std::unordered_set<std::string> m_commandNames;  // lower case
    std::unordered_set<std::string> m_menuVerbs;     // lower case
    std::unordered_set<std::string> m_menuOwnVerbs;  // as written
    std::unordered_set<std::string> m_menuSent;      // lower case: commands of menu lines
    std::unordered_set<std::string> m_yesNoKeywords; // lower case
    std::vector<std::string> m_knownUnsent;
    std::vector<std::string> m_knownUnused;
    bool m_shadersLoaded = false;
    std::vector<std::string> m_problems;
};
