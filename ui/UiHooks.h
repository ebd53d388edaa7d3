#pragma once

struct AppHooks;
struct ClientUi;
class UISystem;

// Makes the interface with the other systems, starts it once the world is
// set up (in headless runs too, so console lines drive the menus), fills the
// frame's and the client's interface slots and deletes it at shut-down.
void installUiHooks(AppHooks& hooks);

// The client's interface slots answered by the menus, and emptied again.
void installClientUi(ClientUi& slots, UISystem& ui);
void clearClientUi(ClientUi& slots);
