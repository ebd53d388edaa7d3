#include "support/selfplay/Figures.h"

#include <cstdio>

namespace selfplay {

void printFigures(uint32_t seed, int minutes, const Figures& f)
{
    std::printf(
        "seed %u (%s), %d game minutes: quests %d accepted / %d solved (%d beyond the tutorial) / %d "
        "rewarded / %d given up; %d bought, %d sold, "
        "%d equipped, %d looted, %d chests opened; offers %d accepted / %d rejected of %d / %d answered; "
        "%d recruits, "
        "%d guards; raids %d on it (%d met, %d beaten off before it came) / %d by it / %d others, lowest "
        "stone %.2f; %d deaths / %d "
        "resurrections, push %.1f game minutes to its death; %d gate travels, "
        "%d levels, %d kills (%d in the first %d game minutes), %d skills used by hot bar keys; peak %d "
        "entities, RSS %ld KB; step %.3f ms mean / %.3f p99, frame %.3f "
        "ms mean / %.3f p99; %d warnings; wall %.1f s; end hash %016llx\n",
        seed, f.playerClass, minutes, f.questsAccepted, f.questsSolved, f.questsBeyondTutorial,
        f.questsRewarded, f.questsGivenUp, f.bought, f.sold, f.equipped, f.looted, f.chestsOpened,
        f.offersAccepted, f.offersRejected, f.acceptsClicked, f.rejectsClicked, f.recruits, f.guards,
        f.raidsOnPlayer, f.raidsMet, f.raidsBeatenOff, f.raidsByPlayer, f.raidsOther,
        static_cast<double>(f.lowestStone), f.deaths, f.resurrections, f.pushMinutes, f.gateTravels,
        f.levelsVisited, f.kills, f.earlyKills, kEarlyMinutes, f.hotBarUses, f.peakEntities, f.peakRssKb,
        f.stepMeanMs, f.stepP99Ms, f.frameMeanMs, f.frameP99Ms, f.warnings, f.wallSeconds,
        static_cast<unsigned long long>(f.endHash));
    std::fflush(stdout);
}

} // namespace selfplay
