#pragma once

// The self-playing player's parts, held together: each reaches the others
// through this.
#include "support/selfplay/Context.h"
#include "support/selfplay/Fights.h"
#include "support/selfplay/Figures.h"
#include "support/selfplay/Gates.h"
#include "support/selfplay/Gear.h"
#include "support/selfplay/Hunt.h"
#include "support/selfplay/Journey.h"
#include "support/selfplay/Loot.h"
#include "support/selfplay/Push.h"
#include "support/selfplay/Quests.h"
#include "support/selfplay/Raids.h"
#include "support/selfplay/Recruits.h"
#include "support/selfplay/Relations.h"
#include "support/selfplay/RoutePlanner.h"
#include "support/selfplay/Tally.h"
#include "support/selfplay/Trade.h"
#include "support/selfplay/Walker.h"
#include "support/selfplay/WorldCheck.h"

namespace selfplay {

struct Bot {
    Bot(PlayedGame& program, uint32_t seed, FaultSink sink)
        : context(program, seed, std::move(sink)), walker(*this), gates(*this), journey(*this), push(*this),
          fights(*this), loot(*this), quests(*this), hunt(*this), trade(*this), gear(*this), recruits(*this),
          raids(*this), relations(*this), tally(*this), checks(*this)
    {
    }

    Context context;
    RoutePlanner planner;
    Walker walker;
    Gates gates;
    Journey journey;
    Push push;
    Fights fights;
    Loot loot;
    Quests quests;
    Hunt hunt;
    Trade trade;
    Gear gear;
    Recruits recruits;
    Raids raids;
    Relations relations;
    Tally tally;
    WorldCheck checks;
};

inline Part::Part(Bot& bot) : m_bot(bot), m_ctx(bot.context) {}

} // namespace selfplay
