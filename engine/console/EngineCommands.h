#pragma once

// Registers the engine's own console commands (cmdlist, varlist, set,
// toggle, exec, echo, bind, writeconfig, printmem, printprofile). Called by
// the application once the command system exists.
void registerEngineCommands();
