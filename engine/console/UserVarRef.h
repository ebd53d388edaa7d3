#pragma once

#include <string>

class UserVar;

// A handle to a user variable (the record itself lives in the user-variable
// system for the whole run). Reading or setting through a handle that was
// never set up prints an error and gives "", 0, 0.0 or false.
class UserVarRef {
public:
    UserVarRef() = default;
    explicit UserVarRef(UserVar* var) : m_var(var) {}

    bool isValid() const { return m_var != nullptr; }
    UserVar* get() const { return m_var; }
    UserVar* operator->() const { return m_var; }

    const std::string& getString() const;
    int getInt() const;
    float getFloat() const;
    bool getBool() const;
    void setString(const std::string& text) const;
    bool hasChanged() const;
    void clearChanged() const;

private:
    bool check() const;

    UserVar* m_var = nullptr;
};
