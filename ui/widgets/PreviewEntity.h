#pragma once

#include "client/mirrors/EntityClient.h"

// An entity the interface shows on its own (a model widget's model and its
// attachments): never in the game's entity table, and never answering the
// mouse.
class PreviewEntity : public EntityClient {
public:
    int getMouseAction(bool, bool) const override { return 0; }
};
