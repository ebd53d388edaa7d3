#pragma once

#include "engine/console/UserVar.h"
#include "engine/console/UserVarRef.h"
#include "engine/core/Singleton.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The user variables, by case-insensitive name, and the two configuration
// files: "default.cfg" (defaults, the save and restart flags and the
// declared key-binding actions) and "user.cfg" (the user's values and
// rebindings), read in that order. See docs/formats.md. Main thread only.
class UserVarSystem : public Singleton<UserVarSystem> {
public:
    // getVar flag: create a missing variable with the default text.
    static constexpr unsigned kCreate = 1;

    // Creates the engine's own variables `developer` and `logfile`, which
    // drive the debug system whenever they are set.
    UserVarSystem();
    ~UserVarSystem();

    bool isReady() const { return m_ready; }

    // Reads default.cfg then user.cfg (either may be missing) and remembers
    // the user.cfg path for writing.
    void loadConfig(const std::string& defaultPath, const std::string& userPath);
    // The same with default.cfg already read (it may come from a package);
    // null when it could not be read.
    void loadConfig(const std::string* defaultText, const std::string& defaultName,
                    const std::string& userPath);
    // False when the file cannot be read. Bad lines are logged with file and
    // line and skipped.
    bool readConfigFile(const std::string& path, bool isDefault);
    void parseConfigText(std::string_view text, const std::string& fileName, bool isDefault);
    // One tokenised cfg line (variable or "VirtualKey"); false when it is
    // malformed (and logged with file and line).
    bool applyConfigLine(const std::vector<std::string>& words, bool isDefault, const std::string& fileName,
                         int lineNumber);

    // The text of user.cfg: every saved variable sorted by name, then every
    // key binding that differs from its default.
    std::string buildUserConfig() const;
    // Writes user.cfg atomically (temporary file, flush, fsync, rename);
    // the old file stays whole when anything fails.
    bool writeUserConfig();
    bool writeUserConfig(const std::string& path);
    const std::string& getUserConfigPath() const { return m_userConfigPath; }
    void setUserConfigPath(const std::string& path) { m_userConfigPath = path; }

    // The variable of that name; with kCreate a missing one is created with
    // the default text, else a missing one gives an invalid handle. An
    // existing variable keeps its value.
    UserVarRef getVar(const std::string& name, const std::string& defaultText, unsigned flags);
    UserVar* findVar(std::string_view name) const;
    // Sets a variable, creating it (with that default) when missing.
    UserVarRef setVar(const std::string& name, const std::string& value);
    // Every variable, sorted by name.
    std::vector<const UserVar*> listVars() const;

    // A name that a cfg line can carry back unchanged: not empty, not
    // "VirtualKey", not starting with "//", no blank, control character or
    // double quote.
    static bool isWritableName(std::string_view name);

    size_t getCount() const { return m_vars.size(); }
    size_t getSavedCount() const;
    size_t getChangedFromDefaultCount() const;
    void logStatistics() const;

private:
    UserVar& create(const std::string& name, const std::string& defaultText);

    bool m_ready = false;
    std::map<std::string, std::unique_ptr<UserVar>> m_vars; // key: lower-case name
    std::string m_userConfigPath;
};

// True once the user-variable system exists and is set up; widgets test it
// before reading or writing variables.
bool userVarsReady();

// By name, through the system: "", 0, 0.0 or false when there is no such
// variable (or no system). setUserVar creates a missing variable.
std::string getUserVarString(std::string_view name);
int getUserVarInt(std::string_view name);
float getUserVarFloat(std::string_view name);
bool getUserVarBool(std::string_view name);
void setUserVar(const std::string& name, const std::string& value);
