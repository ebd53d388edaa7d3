#pragma once

#include "engine/core/Singleton.h"

#include <string>
#include <string_view>
#include <vector>

// The key-binding table: named actions ("virtual keys"), each bound to one
// key (DirectInput code) or mouse button and carrying the command line that
// a key-down runs. default.cfg declares the actions with their default keys
// and command lines; user.cfg rebinds them. No two actions share a key.
// Virtual key codes handed to the UI are index + 256 (kVirtualKeyBase), so
// that they never collide with raw key codes. Main thread only.
class VirtualKeys : public Singleton<VirtualKeys> {
public:
    static constexpr int kVirtualKeyBase = 256;

    struct Action {
        std::string name;
        std::string command;
        int code = -1; // -1 unbound
        bool isMouse = false;
        int defaultCode = -1;
        bool defaultIsMouse = false;
    };

    VirtualKeys();
    ~VirtualKeys();

    // Adds an action (or redefines one of that name) with its default key
    // (-1 for none) and command line; returns its index.
    int declareAction(const std::string& name, int code, bool isMouse, const std::string& command);

    // Runs the command line bound to the key on key-down, as a line that
    // is not the program's own (internal-only commands refuse it).
    void onKey(int key, bool down);

    // Binds the key or button to the action and saves the user
    // configuration; false (nothing changed) when the action is unknown, the
    // key has no display name or another action already uses it.
    bool bindKey(const std::string& action, int code, bool isMouse);

    // Index of the action of that name (case-insensitive), + 256 with
    // `asVirtualKey`; -1 when none.
    int findKey(std::string_view name, bool asVirtualKey) const;
    // Whether the key or button is bound to the virtual key (index + 256;
    // smaller codes are raw key codes and name no virtual key).
    bool isBoundTo(int virtualKey, int keyCode, bool isMouse) const;
    // Display name of the key bound to virtual key `code` (index + 256);
    // empty when the code names no action or the action is unbound.
    std::string getBoundKeyName(int code) const;
    // Index of the action bound to a key or button, -1 when none.
    int findActionForKey(int code, bool isMouse) const;

    size_t getCount() const { return m_actions.size(); }
    const Action* getAction(int index) const;

    // One tokenised "VirtualKey" cfg line; false when malformed (logged).
    bool applyConfigLine(const std::vector<std::string>& words, bool isDefault, const std::string& fileName,
                         int lineNumber);
    // "VirtualKey" lines of user.cfg: every action whose binding differs
    // from its default.
    void appendUserConfig(std::string& out) const;

private:
    std::vector<Action> m_actions;
};
