#pragma once

struct ClientUi;
struct FrameHooks;

// The maps' and cursor's answers in the frame's slots, the client's slots
// and the platform's cursor hook; the clearing undoes each.
void installMapHooks(FrameHooks& frame, ClientUi* client);
void clearMapHooks(FrameHooks& frame, ClientUi* client);
