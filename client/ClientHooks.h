#pragma once

struct AppHooks;

// Plugs the client into the application frame, after the hooks already set.
void installClientHooks(AppHooks& hooks);
