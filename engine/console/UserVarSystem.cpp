#include "engine/console/UserVarSystem.h"
#include "engine/files/WholeFile.h"

#include "engine/console/CommandLine.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/StringUtil.h"
#include "engine/files/AtomicWrite.h"
#include "engine/files/FileSystem.h"

#include <filesystem>
#include <fstream>
#include <iterator>

bool UserVarSystem::isWritableName(std::string_view name)
{
    if (name.empty() || equalsNoCase(name, "VirtualKey") || name.starts_with("//")) {
        return false;
    }
    for (char c : name) {
        if (c == '"' || static_cast<unsigned char>(c) <= ' ') {
            return false;
        }
    }
    return true;
}

UserVarSystem::UserVarSystem()
{
    UserVar& developer = create("developer", "0");
    developer.setChangeHook([](const UserVar& v) {
        if (DebugSystem* debug = DebugSystem::instance()) {
            debug->setDeveloper(v.getBool());
        }
    });
    UserVar& logfile = create("logfile", "2");
    logfile.setChangeHook([](const UserVar& v) {
        if (DebugSystem* debug = DebugSystem::instance()) {
            debug->setLogMode(v.getInt());
        }
    });
    m_ready = true;
}

UserVarSystem::~UserVarSystem()
{
    m_ready = false;
}

UserVar& UserVarSystem::create(const std::string& name, const std::string& defaultText)
{
    auto& slot = m_vars[toLowerCopy(name)];
    if (!slot) {
        slot = std::make_unique<UserVar>(name, defaultText);
    }
    return *slot;
}

UserVar* UserVarSystem::findVar(std::string_view name) const
{
    auto it = m_vars.find(toLowerCopy(name));
    return it == m_vars.end() ? nullptr : it->second.get();
}

UserVarRef UserVarSystem::getVar(const std::string& name, const std::string& defaultText, unsigned flags)
{
    if (name.empty()) {
        debugPrint(3, "getVar: empty user variable name\n");
        return UserVarRef();
    }
    if (UserVar* var = findVar(name)) {
        if (!var->hasDefault()) {
            var->setDefault(defaultText);
        }
        return UserVarRef(var);
    }
    if (!(flags & kCreate)) {
        return UserVarRef();
    }
    return UserVarRef(&create(name, defaultText));
}

UserVarRef UserVarSystem::setVar(const std::string& name, const std::string& value)
{
    UserVarRef ref = getVar(name, value, kCreate);
    if (ref.isValid()) {
        ref->setValue(value);
    }
    return ref;
}

std::vector<const UserVar*> UserVarSystem::listVars() const
{
    std::vector<const UserVar*> out;
    out.reserve(m_vars.size());
    for (const auto& [key, var] : m_vars) {
        out.push_back(var.get());
    }
    return out;
}

void UserVarSystem::loadConfig(const std::string& defaultPath, const std::string& userPath)
{
    std::string text;
    WholeFileResult result = readWholeFile(defaultPath, text);
    if (result == WholeFileResult::Failed) {
        // Said why already; the defaults stay as the code has them.
        loadConfig(nullptr, std::string(), userPath);
        return;
    }
    loadConfig(result == WholeFileResult::Read ? &text : nullptr, defaultPath, userPath);
}

void UserVarSystem::loadConfig(const std::string* defaultText, const std::string& defaultName,
                               const std::string& userPath)
{
    m_userConfigPath = userPath;
    if (defaultText) {
        parseConfigText(*defaultText, defaultName, true);
    } else if (!defaultName.empty()) {
        debugPrint(2, "Cannot read %s\n", defaultName.c_str());
    }
    std::string text;
    switch (readWholeFile(userPath, text)) {
    case WholeFileResult::Read:
        parseConfigText(text, userPath, false);
        break;
    case WholeFileResult::Missing:
        debugPrint(1, "No %s yet\n", userPath.c_str());
        break;
    case WholeFileResult::Failed:
        break;
    }
}

bool UserVarSystem::readConfigFile(const std::string& path, bool isDefault)
{
    std::string text;
    if (readWholeFile(path, text) != WholeFileResult::Read) {
        return false;
    }
    parseConfigText(text, path, isDefault);
    return true;
}

void UserVarSystem::parseConfigText(std::string_view text, const std::string& fileName, bool isDefault)
{
    forEachConfigLine(text, [&](const std::vector<std::string>& words, int lineNumber) {
        applyConfigLine(words, isDefault, fileName, lineNumber);
    });
}

bool UserVarSystem::applyConfigLine(const std::vector<std::string>& words, bool isDefault,
                                    const std::string& fileName, int lineNumber)
{
    const char* file = fileName.c_str();
    if (words.empty()) {
        return true;
    }
    if (equalsNoCase(words[0], "VirtualKey")) {
        VirtualKeys* keys = VirtualKeys::instance();
        if (!keys) {
            debugPrint(2, "%s:%d: no key bindings to apply VirtualKey to\n", file, lineNumber);
            return false;
        }
        return keys->applyConfigLine(words, isDefault, fileName, lineNumber);
    }
    const std::string& name = words[0];
    if (!isWritableName(name)) {
        debugPrint(2, "%s:%d: bad variable name %s\n", file, lineNumber, name.c_str());
        return false;
    }
    if (words.size() < 2) {
        debugPrint(2, "%s:%d: %s has no value\n", file, lineNumber, name.c_str());
        return false;
    }
    const std::string& value = words[1];
    bool save = false;
    bool restart = false;
    if (!isDefault && words.size() > 2) {
        // Not a "name value" line: creating the first word would write the
        // damage back on every save.
        debugPrint(
            2, "%s:%d: more than a name and a value (flags are read from default.cfg only); line ignored\n",
            file, lineNumber);
        return false;
    }
    for (size_t i = 2; i < words.size(); ++i) {
        if (equalsNoCase(words[i], "save")) {
            save = true;
        } else if (equalsNoCase(words[i], "restart")) {
            restart = true;
        } else {
            debugPrint(2, "%s:%d: unknown flag %s\n", file, lineNumber, words[i].c_str());
        }
    }

    UserVar* var = findVar(name);
    if (!var) {
        var = &create(name, value);
        if (!isDefault) {
            var->forgetDefault();
        }
    }
    if (isDefault) {
        var->setDefault(value);
        if (save) {
            var->setSaved(true);
        }
        if (restart) {
            var->setNeedsRestart(true);
        }
    } else {
        // What user.cfg holds was saved before and is saved again.
        var->setSaved(true);
    }
    var->setValue(value);
    return true;
}

std::string UserVarSystem::buildUserConfig() const
{
    std::string out = "// User settings, written by the game.\n";
    for (const auto& [key, var] : m_vars) {
        if (!var->isSaved()) {
            continue;
        }
        if (!isWritableName(var->getName())) {
            debugPrint(2, "User variable \"%s\" cannot be saved: bad name\n", var->getName().c_str());
            continue;
        }
        // A double quote could not be read back and a line break would end
        // the line: the first is dropped, the second becomes a blank.
        out += var->getName();
        out += " \"";
        for (char c : var->getString()) {
            if (c == '"') {
                continue;
            }
            out += (c == '\n' || c == '\r') ? ' ' : c;
        }
        out += "\"\n";
    }
    if (VirtualKeys* keys = VirtualKeys::instance()) {
        keys->appendUserConfig(out);
    }
    return out;
}

bool UserVarSystem::writeUserConfig()
{
    if (m_userConfigPath.empty()) {
        debugPrint(2, "No user.cfg path to write to\n");
        return false;
    }
    return writeUserConfig(m_userConfigPath);
}

bool UserVarSystem::writeUserConfig(const std::string& path)
{
    // In the user folder it goes through the file system, so that a save
    // open on this thread carries it (the character Continue resumes is the
    // one of the save on disk, even after a crash).
    FileSystem* files = FileSystem::instance();
    const std::filesystem::path target = std::filesystem::path(path).lexically_normal();
    if (files && target.has_filename() &&
        target.parent_path() == std::filesystem::path(files->getUserDirectory()).lexically_normal()) {
        File* file = files->open(target.filename().string(), true, false, true);
        if (!file) {
            return false;
        }
        const bool written = files->write(file, buildUserConfig());
        return files->close(file) && written;
    }
    return writeFileAtomically(path, buildUserConfig());
}

size_t UserVarSystem::getSavedCount() const
{
    size_t n = 0;
    for (const auto& [key, var] : m_vars) {
        n += var->isSaved() ? 1 : 0;
    }
    return n;
}

size_t UserVarSystem::getChangedFromDefaultCount() const
{
    size_t n = 0;
    for (const auto& [key, var] : m_vars) {
        n += var->isDefault() ? 0 : 1;
    }
    return n;
}

void UserVarSystem::logStatistics() const
{
    debugPrintRaw("User variables: %zu, %zu saved, %zu changed from default\n", getCount(), getSavedCount(),
                  getChangedFromDefaultCount());
}

bool userVarsReady()
{
    UserVarSystem* vars = UserVarSystem::instance();
    return vars && vars->isReady();
}

std::string getUserVarString(std::string_view name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getString() : std::string();
}

int getUserVarInt(std::string_view name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getInt() : 0;
}

float getUserVarFloat(std::string_view name)
{
    UserVarSystem* vars = UserVarSystem::instance();
    UserVar* var = vars ? vars->findVar(name) : nullptr;
    return var ? var->getFloat() : 0.0f;
}

bool getUserVarBool(std::string_view name)
{
    return getUserVarInt(name) != 0;
}

void setUserVar(const std::string& name, const std::string& value)
{
    if (UserVarSystem* vars = UserVarSystem::instance()) {
        vars->setVar(name, value);
    } else {
        debugPrint(3, "No user variables to set %s in\n", name.c_str());
    }
}
