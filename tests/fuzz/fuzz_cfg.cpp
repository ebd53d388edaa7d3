// Fuzzes the cfg reader: default.cfg and user.cfg lines, key bindings, and
// writing user.cfg back out.
#include "engine/console/CommandSystem.h"
#include "engine/console/UserVarSystem.h"
#include "engine/console/VirtualKeys.h"
#include "engine/core/DebugSystem.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DebugSystem* debug = new DebugSystem();
    (void)debug;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // The first half reads as default.cfg, the rest as user.cfg.
    size_t half = size / 2;
    CommandSystem commands;
    VirtualKeys keys;
    UserVarSystem vars;
    vars.parseConfigText(text.substr(0, half), "default.cfg", true);
    vars.parseConfigText(text.substr(half), "user.cfg", false);
    std::string written = vars.buildUserConfig();

    // What is written must read back to the same text.
    vars.parseConfigText(written, "written.cfg", false);
    if (vars.buildUserConfig() != written) {
        __builtin_trap();
    }
    DebugSystem::get().clearRecentLines();
    return 0;
}
