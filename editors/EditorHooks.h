#pragma once

struct AppHooks;

// Makes the area editor and the model editor, registers their commands and
// variables once the interface is set up, fills the frame's and the client's
// editor slots and deletes both at shut-down. Installed after the interface.
void installEditorHooks(AppHooks& hooks);
