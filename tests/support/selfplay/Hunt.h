#pragma once

// The hunt: on a level its quests call it to, the player seeks out their
// prey and frees their captives; it knows where a quest's prey is, and when
// none is left where its kills count.
#include "engine/core/ZonePosition.h"
#include "support/selfplay/Part.h"

#include <functional>
#include <map>
#include <set>
#include <utility>
#include <vector>

class Actor;
class Quest;

namespace selfplay {

class Hunt : public Part {
public:
    explicit Hunt(Bot& bot);

    // On a level its quests call it to, the player seeks out what they ask
    // it to kill; on a level it came to for its own strength, any foe.
    bool hunt();

    // Where a quest's prey is: its target level, unless the kills count on
    // any level and its prey has gone elsewhere (then the level holding the
    // nearest of it, its own level first).
    int preyLevel(Quest& quest) const;
    // The level last found for the quest's prey, -1 for none yet.
    int knownPreyLevel(int id) const;

    // A quest of kills (or of what its kills let fall) whose prey stands
    // nowhere its kills count (there, for kills that count on its target
    // level only, else anywhere) and will not come: the target level is
    // explored, or its area does not spawn that kind of monster at all (a
    // quest the game may make); or a quest of things to pick up on its
    // level of which none lies there any more; or a quest of one
    // character's death whose character lives and is no enemy. Meanwhile
    // the player goes where it can do something.
    bool preyGone(Quest& quest) const;

    // A quest the player cannot finish: its one prey lives and is no enemy,
    // its things are gone from its level, its prey is gone and no level
    // where its kills count can bring it back (none whose area spawns it
    // has blocks still to populate or, as a quest's target, respawns the
    // monsters killed there), or its hunt has spent six game minutes on
    // the level its prey is sought on, every block in reach explored, with
    // none of its prey about and no progress.
    bool cannotFinish(Quest& quest) const;

    // What was known of quests the player no longer holds is forgotten.
    void forgetDropped();

private:
    // No thing a quest of things on its level asks for lies there, and
    // none is still to be placed.
    bool itemsGone(Quest& quest) const;

    // Whether a quest's prey or things are gone: known for 200 frames after a
    // look (anyLeft), and traced when the answer changes.
    bool goneOnLook(const Quest& quest, const char* back, const char* gone,
                    const std::function<bool()>& anyLeft) const;

    // Whether a level its kills count on may still bring the quest's prey.
    bool preyMayCome(Quest& quest) const;

    // Whether an actor's death counts for a held quest that is not done.
    bool countsFor(const Quest& held, const Actor& actor) const;

    // On a level with none of its quests' prey about, the player walks to
    // the nearest reachable cell of a block no player has neared yet (its
    // monsters come then). False when none is left in reach.
    bool explore();

    // A captive of a held rescue quest is walked up to and clicked; its
    // window's Rescue button frees it.
    bool rescue(const std::vector<Quest*>& held);

    int m_lastPreyAt = 0;
    int m_huntZone = -1;
    int m_prey = -1;
    int m_preyUntil = 0;
    std::map<int, int> m_leftPrey; // prey the hunt left: until which frame
    int m_rescuing = -1;
    int m_rescueSince = 0;                                   // when it began on the captive
    mutable std::map<int, std::pair<int, int>> m_preyLevels; // quest id: until which frame, level
    mutable std::map<int, std::pair<int, bool>> m_preyGone;  // quest id: until which frame, gone
    std::map<int, std::pair<int, int>> m_preylessTime;       // quest id: frames hunted without prey, progress
    int m_exploring = -1;                                    // level * blocks + block, -1 for none
    int m_exploringUntil = 0;
    ZonePosition m_exploreTo;
    std::set<int> m_unexplorable; // level * blocks + block: no reachable cell of it was neared
    static constexpr int kPreylessFrames = 6 * kFramesPerMinute;
};

} // namespace selfplay
