#pragma once

#include "engine/resources/Resource.h"

// Base of the sound and sound-bank resources. A file that cannot be loaded
// is represented by the type's placeholder (Resource::isPlaceholder), which
// the sound system skips.
class BaseSoundResource : public Resource {
public:
    bool hasFailedToLoad() const { return isPlaceholder(); }
};
