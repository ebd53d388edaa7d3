#include "support/selfplay/Raids.h"

#include "engine/core/StringUtil.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/entities/Gate.h"
#include "support/selfplay/Bot.h"

#include <algorithm>
#include <cstdlib>

namespace selfplay {

Raids::Raids(Bot& bot) : Part(bot) {}

bool Raids::defend()
{
    if (!raidedNow()) {
        return false;
    }
    const ZonePosition& stone = player()->getCovenant()->housePosition;
    if (stone.zone == player()->getPosition().zone && distance(stone, player()->getPosition()) > 300.0f) {
        m_bot.walker.walkTo(stone);
    } else if (stone.zone != player()->getPosition().zone && !m_bot.gates.homeByScroll() &&
               !m_bot.gates.homeByLevelGate()) {
        m_bot.walker.wander();
    }
    return true;
}

bool Raids::threatHolds() const
{
    if (raidThreatened()) {
        return (frame() - m_threatSince) / kThreatHeld % 2 == 0;
    }
    return frame() < m_lapsedHeldUntil;
}

bool Raids::metRaid(int covenant) const
{
    const auto i = static_cast<size_t>(covenant);
    return i < m_raidWatch.size() && m_raidWatch[i].met && !m_raidWatch[i].left;
}

bool Raids::raidOnItUnderWay() const
{
    const Covenant* own = player()->getCovenant();
    Game& game = Game::get();
    for (int i = 0; own && i < game.getCovenantCount(); ++i) {
        const Covenant* covenant = game.getCovenant(i);
        if (covenant && covenant != own && covenant->isRaiding() && covenant->raidTarget == own->index &&
            !raidersGone(*covenant)) {
            return true;
        }
    }
    return false;
}

void Raids::countThreat()
{
    const Covenant* own = player()->getCovenant();
    if (own && raidThreatened() != m_threatened) {
        m_threatened = !m_threatened;
        // A threat that lapses while it holds the player holds it to the
        // end of its ten minutes: weighed near the line, it lapses and
        // comes back as the relations sway, and the player gone off in
        // the lapse is raided too far from home to meet the raid.
        const int held = frame() - m_threatSince;
        m_lapsedHeldUntil =
            !m_threatened && held / kThreatHeld % 2 == 0 ? frame() + kThreatHeld - held % kThreatHeld : 0;
        // Back within ten minutes of its lapse it is the same threat, on
        // the same clock: begun afresh at each sway, held on by the lapses,
        // it would hold the player home for good.
        if (!m_threatened) {
            m_lapsedAt = frame();
        } else if (frame() - m_lapsedAt >= kThreatHeld) {
            m_threatSince = frame();
        }
        trace(m_threatened ? "keeps within reach of its stone: a raid may come"
              : m_lapsedHeldUntil > frame()
                  ? "no raid threatens; it keeps within reach to the end of the threat's ten minutes"
                  : "no raid threatens");
        // A journey begun before the threat to a level it no longer
        // goes to is planned again: walked to its end it took the
        // player on, away from home.
        if (m_threatened) {
            m_bot.walker.dropJourneyElsewhere();
        }
    }
}

void Raids::countRaids(Figures& figures)
{
    Game& game = Game::get();
    const Covenant* own = player()->getCovenant();
    for (int i = 0; i < game.getCovenantCount(); ++i) {
        const Covenant* covenant = game.getCovenant(i);
        const bool raiding = covenant && covenant->isRaiding();
        if (static_cast<size_t>(i) >= m_raiding.size()) {
            m_raiding.resize(static_cast<size_t>(i) + 1, false);
        }
        const bool onMe = raiding && own && covenant != own && covenant->raidTarget == own->index;
        if (static_cast<size_t>(i) >= m_raidWatch.size()) {
            m_raidWatch.resize(static_cast<size_t>(i) + 1);
        }
        RaidWatch& watch = m_raidWatch[static_cast<size_t>(i)];
        if (!raiding && m_raiding[static_cast<size_t>(i)] && m_raidOnMe.contains(i)) {
            const double seconds = static_cast<double>(frame() - m_raidBegan[i]) / 20.0;
            const bool met = metRaid(i);
            const bool beatenOff = !watch.met && beatenOffAtOnce(*covenant, *own, seconds);
            figures.raidsMet += met ? 1 : 0;
            figures.raidsBeatenOff += beatenOff ? 1 : 0;
            trace(formatString("%s the raid of covenant %d on its stone (%.1f s long)",
                               met         ? "has met"
                               : beatenOff ? "was too far to meet, before it was beaten off at once,"
                                           : "missed",
                               i, seconds)
                      .c_str());
            m_raidOnMe.erase(i);
            m_raidEnded[i] = frame();
        }
        if (raiding && !m_raiding[static_cast<size_t>(i)]) {
            watch = RaidWatch();
            if (onMe) {
                m_raidOnMe.insert(i);
                m_raidBegan[i] = frame();
                m_threatSince = frame();
                if (std::getenv("GLOAM_SELFPLAY_TRACE")) {
                    const LevelFlood flood = RoutePlanner::floodLevel(player()->getPosition());
                    const Gate* gate = m_bot.gates.levelGateHere();
                    trace(
                        formatString(
                            "is raided by covenant %d (its stone %.2f, %s), %d levels from home; its "
                            "level's gate %s, %.0f away; %s scroll of return",
                            i, static_cast<double>(covenant->lifestoneFraction()),
                            covenant->isBeingRaided(own) ? "raided" : "not raided",
                            m_bot.planner.stepTowards(own->housePosition.zone, flood).levels,
                            !gate                                  ? "none"
                            : mirror()->isCurrentLevelGateActive() ? "awake"
                                                                   : "asleep",
                            gate ? static_cast<double>(distance(gate->getPosition(), player()->getPosition()))
                                 : 0.0,
                            m_ctx.carriedScroll().first >= 0 ? "a" : "no")
                            .c_str());
                }
                m_bot.gates.newRaid(); // its level's gate and its scroll are tried afresh for the way home
                m_bot.walker.clearRoute(); // the way it was on leads elsewhere
            }
            if (covenant == own) {
                // The player's raid begins when it is declared, by the target's house.
            } else if (own && covenant->raidTarget == own->index) {
                ++figures.raidsOnPlayer;
            } else {
                ++figures.raidsOther;
            }
        }
        // Met: reached the stone while the raid lasts, then by it from
        // its last arrival (a fight about the house is by it; dead counts
        // as staying, since the resurrection is at the stone) until the
        // raid ends or its raiders are gone.
        if (onMe && player()->isAlive()) {
            const ZonePosition& at = player()->getPosition();
            const ZonePosition& house = own->housePosition;
            const bool gone = raidersGone(*covenant);
            watch.raidersSeen = watch.raidersSeen || !gone;
            if (at.zone == house.zone && distance(at, house) < 600.0f) {
                // Back at the stone while the raid lasts: its stay is
                // judged from this arrival.
                if (watch.left) {
                    watch.left = false;
                    trace(formatString("is back at its stone during the raid of covenant %d", i).c_str());
                }
                watch.met = true;
                // By the stone once its raiders are gone: met, whatever
                // the raid does after.
                if (gone && watch.raidersSeen) {
                    watch.safe = true;
                }
            } else if (watch.met && !watch.left && !watch.safe &&
                       (at.zone != house.zone || distance(at, house) > 900.0f) && !gone) {
                watch.left = true;
                trace(formatString("leaves its stone during the raid of covenant %d", i).c_str());
            }
        }
        m_raiding[static_cast<size_t>(i)] = raiding;
    }
}

void Raids::judgeAtEnd(Figures& figures)
{
    // A raid still going on at the end counts as met when the player
    // reached its stone and stayed by it. One begun in the last two
    // minutes that it has not reached yet is not judged: it may still
    // be on its way.
    for (int i : m_raidOnMe) {
        if (metRaid(i)) {
            ++figures.raidsMet;
        } else if (frame() - m_raidBegan[i] < 2 * kFramesPerMinute) {
            --figures.raidsOnPlayer;
            trace(formatString("the raid of covenant %d is still young at the end: not judged", i).c_str());
        }
    }
}

bool Raids::raidedNow() const
{
    const Covenant* own = player()->getCovenant();
    Game& game = Game::get();
    for (int i = 0; own && i < game.getCovenantCount(); ++i) {
        const Covenant* covenant = game.getCovenant(i);
        if (!covenant || covenant == own || !covenant->isRaiding() || covenant->raidTarget != own->index) {
            continue;
        }
        // A raid just begun calls it home before its raiders set out.
        const auto began = m_raidBegan.find(i);
        const bool fresh = began != m_raidBegan.end() && frame() - began->second < kFramesPerMinute / 3;
        if (fresh || !raidersGone(*covenant)) {
            return true;
        }
    }
    return false;
}

bool Raids::beatenOffAtOnce(const Covenant& raider, const Covenant& own, double seconds)
{
    const auto* covenant = dynamic_cast<const ActorCovenant*>(&raider);
    const CovenantDefinition* definition = covenant ? covenant->getDefinition() : nullptr;
    return definition && seconds <= definition->StopRaidTime * 1.1 + 1.0 &&
           raider.lifestoneFraction() - own.lifestoneFraction() <
               -definition->WinningRaidWellLifeStoneDifference;
}

bool Raids::raidersGone(const Covenant& raider)
{
    int alive = 0, dead = 0;
    raider.countRaidParty(alive, dead);
    return alive == 0 && dead == 0;
}

bool Raids::raidsExpected() const
{
    const Covenant* own = player()->getCovenant();
    for (const auto& [index, ended] : m_raidEnded) {
        const auto* raider = dynamic_cast<const ActorCovenant*>(Game::get().getCovenant(index));
        if (!own || !raider || raider->destroyed || !raider->isHostile(own->index)) {
            continue;
        }
        // Right after its raid, and again as its rest after the raid
        // runs out (it may come at once then).
        const CovenantDefinition* definition = raider->getDefinition();
        const int rest =
            definition ? static_cast<int>(definition->MinimumTimeBetweenRaids.toSeconds() * 20.0) : 0;
        const int since = frame() - ended;
        if (since < 5 * kFramesPerMinute || (since >= rest - 3 * kFramesPerMinute && since < rest)) {
            return true;
        }
    }
    return false;
}

bool Raids::raidThreatened() const
{
    const Covenant* own = player()->getCovenant();
    Game& game = Game::get();
    const double now = game.getClock().toSeconds();
    for (int i = 0; own && i < game.getCovenantCount(); ++i) {
        const auto* covenant = dynamic_cast<const ActorCovenant*>(game.getCovenant(i));
        const CovenantDefinition* definition = covenant ? covenant->getDefinition() : nullptr;
        if (!definition || covenant->destroyed || !covenant->isHostile(own->index)) {
            continue;
        }
        if (covenant->isRaiding()) {
            if (covenant->raidTarget != own->index && GameClient::get().getRelationValue(i, own->index) <
                                                          covenant->getDifficultyRelationBase(own)) {
                return true;
            }
        } else if (now >= definition->SlowStartTime * 0.5 &&
                   covenant->shouldRaid(own->index, true,
                                        std::max(1.0f, definition->RaidChanceMultEnemyBeingRaided))) {
            return true;
        }
    }
    return false;
}

bool Raids::nearHome(int zone) const
{
    return zone == player()->getCovenant()->housePosition.zone || mirror()->isGateActivated(zone) ||
           m_ctx.carriedScroll().first >= 0;
}

bool Raids::homewardToRaid() const
{
    if (!raidedNow()) {
        return false;
    }
    const ZonePosition& stone = player()->getCovenant()->housePosition;
    return stone.zone != player()->getPosition().zone || distance(stone, player()->getPosition()) > 300.0f;
}

} // namespace selfplay
