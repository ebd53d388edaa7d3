#pragma once

#include "game/world/FactionReputation.h"

#include <string>
#include <vector>

// A faction of the faction system: its name (matched exactly), its id (its
// place in the system's list) and its reputations toward other factions.
struct Faction {
    std::string name;
    int id = -1;
    std::vector<FactionReputation> reputations;
    bool canGoToWar = true;
    float defaultReputation = 50.0f;

    FactionReputation* findReputation(int otherId)
    {
        for (FactionReputation& entry : reputations) {
            if (entry.factionId == otherId) {
                return &entry;
            }
        }
        return nullptr;
    }
    const FactionReputation* findReputation(int otherId) const
    {
        return const_cast<Faction*>(this)->findReputation(otherId);
    }
    // The entry toward the other faction, appended with the defaults when
    // there is none.
    FactionReputation& reputationToward(int otherId)
    {
        if (FactionReputation* entry = findReputation(otherId)) {
            return *entry;
        }
        reputations.push_back(FactionReputation{otherId, 50.0f, false});
        return reputations.back();
    }
};
