#pragma once

#include "game/entities/Timer.h"

#include <utility>

class Actor;
class DatabaseEntry;

// The wait-then-search of the corpse behaviours: an idle timer is started
// and waited for; once it has run out the search runs, and a search that
// finds nothing starts the wait again.
template <class Search> bool timedCorpseSearch(Timer& timer, Search&& search)
{
    if (!timer.running) {
        timer.startRandom();
        return false;
    }
    if (timer.remaining > 0.0f) {
        return false;
    }
    if (std::forward<Search>(search)()) {
        return true;
    }
    timer.startRandom();
    return false;
}

// A named database entry resolved once at load; an unknown name logs the
// file and line of the behaviour data and gives null.
const DatabaseEntry* resolveBehaviorEntry(const DatabaseEntry* dataEntry, const char* key);

// A body still lying in the world (dead, not yet gone).
bool isLyingDead(const Actor* actor);
