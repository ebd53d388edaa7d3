#pragma once

#include <functional>
#include <string>

// A named setting: its text with the integer (atoi) and float (atof) values
// parsed from it (an integer out of range saturates, a float that is not
// finite reads as 0), the default text, a changed flag (set whenever the value
// is set, even to the same text), and whether it is saved to "user.cfg" and
// whether a change needs a video restart.
class UserVar {
public:
    using ChangeHook = std::function<void(const UserVar&)>;

    UserVar(std::string name, std::string defaultText);

    const std::string& getName() const { return m_name; }
    const std::string& getString() const { return m_text; }
    int getInt() const { return m_int; }
    float getFloat() const { return m_float; }
    bool getBool() const { return m_int != 0; }

    // Sets the text, re-parses both numbers and flags the variable changed.
    void setValue(const std::string& text);

    const std::string& getDefault() const { return m_default; }
    void setDefault(const std::string& text);
    bool hasDefault() const { return m_hasDefault; }
    // For a variable known only from "user.cfg": the code that registers it
    // later gives the default.
    void forgetDefault()
    {
        m_default.clear();
        m_hasDefault = false;
    }
    bool isDefault() const { return m_text == m_default; }

    bool hasChanged() const { return m_changed; }
    void clearChanged() { m_changed = false; }
    void setChanged() { m_changed = true; }

    bool isSaved() const { return m_saved; }
    void setSaved(bool saved) { m_saved = saved; }
    bool needsRestart() const { return m_needsRestart; }
    void setNeedsRestart(bool restart) { m_needsRestart = restart; }

    // Called after every setValue (the engine ties `developer` and
    // `logfile` to the debug system this way).
    void setChangeHook(ChangeHook hook) { m_hook = std::move(hook); }

private:
    std::string m_name;
    std::string m_text;
    float m_float = 0.0f;
    int m_int = 0;
    std::string m_default;
    bool m_hasDefault = false;
    bool m_changed = false;
    bool m_saved = false;
    bool m_needsRestart = false;
    ChangeHook m_hook;
};
