#pragma once

// The game played by itself through the real client: the headless program's
// Server and Client over the loopback, a new world of a seed with the New Game
// options at their busiest, and a player that looks at the server to decide
// but acts only as a user can: the player mirror's mouse operations, the
// buttons of the windows the client opened (found by name, clicked through
// the widget) and the commands its keys are bound to. Every game minute the
// mirrors are held against the server and the world's invariants are checked;
// what breaks them is a fault, handed to the sink the player was given.
//
// GLOAM_SELFPLAY_TRACE prints the player's doings now and then.
#include "client/Client.h"
#include "client/GameClient.h"
#include "client/mirrors/CovenantClient.h"
#include "client/mirrors/SkillListClient.h"
#include "client/player/PlayerClient.h"
#include "client/player/PlayerCovenantClient.h"
#include "engine/console/CommandSystem.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "engine/input/Input.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/covenants/PlayerCovenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/ItemData.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Door.h"
#include "game/entities/Gate.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/entities/Vendor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/skills/SkillBase.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/LevelRoute.h"
#include "support/PlayedGame.h"
#include "ui/UISystem.h"
#include "ui/maps/MapLabel.h"
#include "ui/maps/WorldMap.h"
#include "ui/menus/RelationsCovenantEntry.h"
#include "ui/menus/UIMenu.h"
#include "ui/menus/UIRelationsMenu.h"
#include "ui/widgets/UIItemSlot.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIWidget.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <queue>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

class SelfPlayer {
public:
    static constexpr int kFramesPerMinute = 1200; // 50 ms frames
    static constexpr const char* kPlayerName = "Selfplay";

    // The player's own choices draw from a stream of the harness, so the game's
    // streams see only what the game itself draws.
    class BotRandom {
    public:
        explicit BotRandom(uint32_t seed) : m_state(seed * 2654435761u + 1u) {}
        int below(int n)
        {
            m_state = m_state * 1664525u + 1013904223u;
            return n <= 0 ? 0 : static_cast<int>((m_state >> 8) % static_cast<uint32_t>(n));
        }

    private:
        uint32_t m_state;
    };

    struct Figures {
        int frames = 0;
        int questsAccepted = 0;
        int questsSolved = 0;
        int questsBeyondTutorial = 0; // solved quests other than the tutorial's
        int questsRewarded = 0;
        int bought = 0;
        int sold = 0;
        int equipped = 0;
        int looted = 0; // ground items picked up: drops of bodies and chests
        int chestsOpened = 0;
        int offersAccepted = 0;
        int offersRejected = 0;
        int recruits = 0;
        int guards = 0;
        int raidsOnPlayer = 0;
        int raidsByPlayer = 0;
        int raidsOther = 0;
        // Raids on the player that it met: it reached its stone while the
        // raid lasted and stayed by it (alive, or resurrected there) until
        // the raid ended or no raider was left near the stone.
        int raidsMet = 0;
        // Raids on the player beaten off at their first weighing before it
        // could come (see beatenOffAtOnce).
        int raidsBeatenOff = 0;
        float lowestStone = -1.0f; // the stone's lowest health, a fraction of its maximum
        int deaths = 0;
        int resurrections = 0;
        int gateTravels = 0;
        int levelsVisited = 0;
        int kills = 0;
        int peakEntities = 0;
        long peakRssKb = 0;
        double stepMeanMs = 0.0;
        double stepP99Ms = 0.0;
        double frameMeanMs = 0.0;
        double frameP99Ms = 0.0;
        int warnings = 0;
        double wallSeconds = 0.0;
        uint64_t endHash = 0;
    };

    static void printFigures(uint32_t seed, int minutes, const Figures& f)
    {
        std::printf(
            "seed %u, %d game minutes: quests %d accepted / %d solved (%d beyond the tutorial) / %d "
            "rewarded; %d bought, %d sold, "
            "%d equipped, %d looted, %d chests opened; offers %d accepted / %d rejected; %d recruits, "
            "%d guards; raids %d on it (%d met, %d beaten off before it came) / %d by it / %d others, lowest "
            "stone %.2f; %d deaths / %d "
            "resurrections; %d gate travels, "
            "%d levels, %d kills; peak %d entities, RSS %ld KB; step %.3f ms mean / %.3f p99, frame %.3f "
            "ms mean / %.3f p99; %d warnings; wall %.1f s; end hash %016llx\n",
            seed, minutes, f.questsAccepted, f.questsSolved, f.questsBeyondTutorial, f.questsRewarded,
            f.bought, f.sold, f.equipped, f.looted, f.chestsOpened, f.offersAccepted, f.offersRejected,
            f.recruits, f.guards, f.raidsOnPlayer, f.raidsMet, f.raidsBeatenOff, f.raidsByPlayer,
            f.raidsOther, static_cast<double>(f.lowestStone), f.deaths, f.resurrections, f.gateTravels,
            f.levelsVisited, f.kills, f.peakEntities, f.peakRssKb, f.stepMeanMs, f.stepP99Ms, f.frameMeanMs,
            f.frameP99Ms, f.warnings, f.wallSeconds, static_cast<unsigned long long>(f.endHash));
        std::fflush(stdout);
    }

    // Where a fault of the run goes: a test turns it into a failure; without
    // a sink it is printed.
    using FaultSink = std::function<void(const std::string&)>;

    SelfPlayer(PlayedGame& program, uint32_t seed, FaultSink sink = {})
        : m_program(program), m_bot(seed), m_sink(std::move(sink))
    {
    }

    // Faults reported so far; play stops at the frame of a new one.
    int faultCount() const { return m_faults; }

    // A new world as the New Game window starts it, by default with its
    // options at their busiest: the most computer covenants the rules allow,
    // "Hard".
    bool startNew(uint32_t seed, int aiCovenants = -1, const char* covenantDifficulty = "Hard")
    {
        PlayedGame::set("PlayerName", kPlayerName);
        PlayedGame::set("CovenantName", "Selfplay Hold");
        PlayedGame::set("PlayerClass", "$$ClassWarrior$$");
        PlayedGame::set(
            "NumAiCovenants",
            std::to_string(aiCovenants < 0 ? GameData::get().rules().maxAiCovenants : aiCovenants));
        PlayedGame::set("CovenantDifficultyLevel", covenantDifficulty);
        PlayedGame::set("WorldDifficultyLevel", "Normal");
        PlayedGame::set("StartingLevel", "1");
        PlayedGame::seedStreams(seed);
        if (!PlayedGame::run("start both 0") || !m_program.waitForJoin()) {
            fault() << "seed " << seed << ": the player cannot join";
            return false;
        }
        return attach();
    }

    // The saved character of the user directory, as Continue resumes it.
    bool resume()
    {
        PlayedGame::set("resumeGameChar", kPlayerName);
        if (!PlayedGame::run("resumeGame") || !m_program.waitForJoin()) {
            fault() << "the saved character cannot be resumed";
            return false;
        }
        return attach();
    }

    // Plays that many frames; every game minute the invariants hold.
    void play(int frames, Figures& figures)
    {
        const int faultsBefore = m_faults;
        for (int i = 0; i < frames; ++i) {
            const auto begin = std::chrono::steady_clock::now();
            m_program.frame([&] {
                if ((figures.frames + 1) % kFramesPerMinute == 0) {
                    checkInvariants((figures.frames + 1) / kFramesPerMinute);
                } else if (m_mirrorsAgain) {
                    recheckMirrors();
                }
                decide(figures);
            });
            m_frameMs.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
            m_stepMs.push_back(m_program.lastServerMs);
            count(figures);
            ++figures.frames;
            if (m_faults != faultsBefore) {
                return;
            }
        }
    }

    void finish(Figures& figures)
    {
        auto meanP99 = [](std::vector<double> values, double& mean, double& p99) {
            if (values.empty()) {
                return;
            }
            double sum = 0.0;
            for (double v : values) {
                sum += v;
            }
            std::sort(values.begin(), values.end());
            mean = sum / static_cast<double>(values.size());
            p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
        };
        meanP99(m_stepMs, figures.stepMeanMs, figures.stepP99Ms);
        meanP99(m_frameMs, figures.frameMeanMs, figures.frameP99Ms);
        figures.peakRssKb = peakRssKb();
        figures.levelsVisited = static_cast<int>(m_levels.size());
        GameClient& client = GameClient::get();
        figures.offersAccepted =
            client.getDiplomacyResultCount(toIndex(CovenantResponse::TradeAcceptedConfirmation)) +
            client.getDiplomacyResultCount(toIndex(CovenantResponse::DemandAcceptedConfirmation)) +
            client.getDiplomacyResultCount(toIndex(CovenantResponse::GiftAccepted));
        figures.offersRejected =
            client.getDiplomacyResultCount(toIndex(CovenantResponse::TradeRejectedConfirmation)) +
            client.getDiplomacyResultCount(toIndex(CovenantResponse::DemandRejectedConfirmation));
        figures.warnings = m_program.warningCount;
        // A raid still going on at the end counts as met when the player
        // reached its stone and stayed by it. One begun in the last two
        // minutes that it has not reached yet is not judged: it may still
        // be on its way.
        for (int i : m_raidOnMe) {
            if (metRaid(i)) {
                ++figures.raidsMet;
            } else if (m_frame - m_raidBegan[i] < 2 * kFramesPerMinute) {
                --figures.raidsOnPlayer;
                trace(
                    formatString("the raid of covenant %d is still young at the end: not judged", i).c_str());
            }
        }
    }

    Player* serverPlayer() const { return m_player; }
    // A player that makes no choice at all: it stands where it joined.
    void holdStill() { m_held = true; }

    bool metRaid(int covenant) const
    {
        const auto i = static_cast<size_t>(covenant);
        return i < m_raidWatch.size() && m_raidWatch[i].met && !m_raidWatch[i].left;
    }
    // The frames the run will play, for the plan's phases.
    void setSpan(int frames) { m_span = frames; }

    // The moments worth a save point that hold now.
    std::vector<std::string> saveEvents() const
    {
        std::vector<std::string> events;
        if (!m_player->isAlive()) {
            events.push_back("while dead");
        }
        const Covenant* own = m_player->getCovenant();
        Game& game = Game::get();
        // Its own raid a game minute after it was declared (the player by
        // the target's stone, the raid not yet ended), and a raid on it a
        // game minute in (its raiders on their way or at the stone), each once.
        const bool ownRaid = own && own->isRaiding() && m_raidDeclared && m_ownRaidDeclaredAt >= 0 &&
                             m_frame - m_ownRaidDeclaredAt >= kFramesPerMinute;
        bool raidOnIt = false;
        for (int i = 0; own && i < game.getCovenantCount(); ++i) {
            const Covenant* covenant = game.getCovenant(i);
            if (!covenant || !covenant->isRaiding()) {
                continue;
            }
            const auto began = m_raidBegan.find(i);
            raidOnIt =
                raidOnIt || (covenant != own && covenant->raidTarget == own->index &&
                             began != m_raidBegan.end() && m_frame - began->second >= kFramesPerMinute);
        }
        if (ownRaid) {
            events.push_back("during its own raid");
        }
        if (raidOnIt) {
            events.push_back("during a raid on it");
        }
        if (m_player->getPosition().zone != 0) {
            for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
                const Quest* quest = m_player->getQuest(slot);
                if (quest && quest->isInUse() && quest->progress > 0) {
                    events.push_back("away from the town with progress on a quest");
                    break;
                }
            }
        }
        return events;
    }

    // The world's state in bytes, for "the same seed ends alike".
    uint64_t worldHash()
    {
        ByteBuffer out;
        if (!Game::get().saveWorld(out)) {
            fault() << "the world cannot be saved";
        }
        return fnv1a(std::vector<uint8_t>(out.data(), out.data() + out.size()));
    }

    // Checks the mirrors against the server and the world's rules.
    void checkInvariants(int minute)
    {
        m_context = formatString("game minute %d: ", minute);
        if (!m_program.errors.empty()) {
            fault() << "error logged: " << m_program.errors.front();
        }
        // A command the server took in this frame (a sale, a purchase) shows
        // in the mirror with the next state: a difference is looked at once
        // more then, and only one that stays is a fault.
        m_holdFaults = true;
        checkMirrors();
        m_holdFaults = false;
        m_mirrorsAgain = !m_heldFaults.empty();
        m_heldFaults.clear();
        checkWorld();
        m_context.clear();
    }

    void recheckMirrors()
    {
        m_mirrorsAgain = false;
        m_context = "a frame after a game minute: ";
        checkMirrors();
        m_context.clear();
    }

    // Takes up the joined player: its entity on the server and the client's
    // mirror of it.
    bool attach()
    {
        Server& server = Server::get();
        const ClientRecord* record = server.getClientCount() > 0 ? server.getClient(0) : nullptr;
        m_player = record ? dynamic_cast<Player*>(Game::get().getEntity(record->playerNumber)) : nullptr;
        m_mirror = Client::get().getLocalPlayer();
        if (!m_player || !m_mirror) {
            fault() << "the joined player has no " << (m_player ? "client mirror" : "server entity");
        }
        return m_player && m_mirror;
    }

private:
    EntityClient* mirrorOf(int number) const { return GameClient::get().getEntity(number); }
    int money() const { return m_mirror->getStat(kMoney); }

    // The nearest entity of the player's level that is wanted, within the
    // range; by default only one the client shows (one it can click).
    template <class Wanted> int nearest(Wanted wanted, float range, bool shownOnly = true) const
    {
        Game& game = Game::get();
        const ZonePosition& here = m_player->getPosition();
        int best = -1;
        float bestDistance = range;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            Entity* e = game.getEntity(i);
            if (!e || e == m_player || e->getPosition().zone != here.zone || !wanted(e) ||
                (shownOnly && !mirrorOf(i))) {
                continue;
            }
            const float d = distance(e->getPosition(), here);
            if (d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        return best;
    }

    // The foe of the highest level within the range (the nearer of two
    // alike) that the client shows.
    template <class Wanted> int strongest(Wanted wanted, float range) const
    {
        const ZonePosition& here = m_player->getPosition();
        int best = -1;
        int bestLevel = -1;
        float bestDistance = range;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            Entity* e = Game::get().getEntity(i);
            if (!e || e == m_player || e->getPosition().zone != here.zone || !wanted(e) || !mirrorOf(i)) {
                continue;
            }
            const float d = distance(e->getPosition(), here);
            const int level = e->getStat(toIndex(CharacterStat::Level));
            if (d < range && (level > bestLevel || (level == bestLevel && d < bestDistance))) {
                best = i;
                bestLevel = level;
                bestDistance = d;
            }
        }
        return best;
    }

    // Pushing, the player keeps to the foe it fights while that stays in
    // reach. On its way it stops only for a foe that stands in its way and
    // is worth a fight: one more than kPassBy levels below its own it walks
    // past (and lets it follow). At the push's level it takes on the
    // strongest foe in reach.
    static constexpr int kPassBy = 4;
    template <class Wanted> int pushFoe(Wanted isFoe) const
    {
        const float reach = onThePush() ? 150.0f : 400.0f;
        Entity* current = m_foe >= 0 ? Game::get().getEntity(m_foe) : nullptr;
        if (current && current->getPosition().zone == m_player->getPosition().zone && isFoe(current) &&
            mirrorOf(m_foe) && distance(current->getPosition(), m_player->getPosition()) < reach + 100.0f) {
            return m_foe;
        }
        if (!onThePush()) {
            return strongest(isFoe, reach);
        }
        const int worth = m_player->getStat(toIndex(CharacterStat::Level)) - kPassBy;
        return nearest(
            [&](Entity* e) { return isFoe(e) && e->getStat(toIndex(CharacterStat::Level)) >= worth; }, reach);
    }

    // A line of what the player does: printed with GLOAM_SELFPLAY_TRACE set,
    // and the last ones kept for a fault that needs them.
    void trace(const char* what) const
    {
        const ZonePosition p = m_player ? m_player->getPosition() : ZonePosition();
        std::string line = formatString("frame %d: zone %d (%.0f, %.0f) %s\n", m_frame, p.zone,
                                        static_cast<double>(p.x), static_cast<double>(p.y), what);
        if (std::getenv("GLOAM_SELFPLAY_TRACE")) {
            std::fputs(line.c_str(), stdout);
        }
        m_traceTail.push_back(std::move(line));
        if (m_traceTail.size() > kTraceTail) {
            m_traceTail.pop_front();
        }
    }

    // Thirty game minutes with no quest solved, no level gained and no gate
    // woken while the player's covenant stands are a stuck game: a fault,
    // with the trace that led there.
    void checkProgress()
    {
        const Covenant* own = m_player->getCovenant();
        const int level = m_player->getStat(toIndex(CharacterStat::Level));
        const int gates = m_player->getGates().getActivatedCount();
        // Pushing its luck it leaves its quests on purpose until it dies:
        // the time without progress counts from the push's end.
        if (level > m_progressLevel || gates > m_progressGates || !own || own->destroyed || pushing()) {
            m_progressAt = m_frame;
        }
        m_progressLevel = std::max(m_progressLevel, level);
        m_progressGates = std::max(m_progressGates, gates);
        if (m_frame - m_progressAt < kStallMinutes * kFramesPerMinute) {
            return;
        }
        std::string tail;
        for (const std::string& line : m_traceTail) {
            tail += line;
        }
        fault() << "no quest solved, no level gained and no gate woken in " << kStallMinutes
                << " game minutes (since frame " << m_progressAt << ", level " << level << ", " << gates
                << " gates awake); the last of its play:\n"
                << tail;
        m_progressAt = m_frame;
    }

    // The player's choice for this frame, made between the client's read of
    // the server's state and its own movement.
    void decide(Figures& figures)
    {
        ++m_frame;
        if (m_player->getPosition().zone != m_arrivedZone) {
            m_arrivedZone = m_player->getPosition().zone;
            m_arrivedAt = m_frame;
        }
        if (m_held) {
            return;
        }
        if (!m_player->isAlive()) {
            decideDead();
            return;
        }
        if (m_deadFrames > 0) {
            m_deadFrames = 0;
            ++figures.resurrections;
            // The death window's Resurrect brings the player back beside its
            // covenant's life stone.
            const Covenant* own = m_player->getCovenant();
            trace(formatString("is back, %.0f from its life stone",
                               static_cast<double>(
                                   own ? ZonePosition::distanceTo(m_player->getPosition(), own->housePosition)
                                       : -1.0f))
                      .c_str());
            if (own && (m_player->getPosition().zone != own->housePosition.zone ||
                        ZonePosition::distanceTo(m_player->getPosition(), own->housePosition) > 400.0f)) {
                fault() << "frame " << m_frame << ": resurrected at level " << m_player->getPosition().zone
                        << ", away from its life stone at level " << own->housePosition.zone;
            }
            m_planErrands = true;
        }
        if (m_frame % 10 != 1) {
            return;
        }
        if (pushing()) {
            choosePushLevel();
        }
        Game& game = Game::get();
        if (m_frame % 200 == 1) {
            for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
                Quest* quest = m_player->getQuest(slot);
                if (quest && quest->isInUse()) {
                    const MonsterType* prey = quest->getMonsterType(0);
                    trace(formatString(
                              "quest %d type %d: progress %d of %d, target level %d (monsters %d), "
                              "complete %d, solver %d, prey %s on level %d",
                              quest->id, quest->type, quest->progress, quest->goal, quest->getTargetLevel(),
                              targetMonsterLevel(*quest), quest->isComplete(), solverOf(*quest),
                              prey ? prey->getName().c_str() : "-",
                              m_preyLevels.contains(quest->id) ? m_preyLevels.at(quest->id).second : -1)
                              .c_str());
                }
            }
            trace(formatString("level %d, foe %d, loot %d, errands %zu, action %d, money %d, quests %d, "
                               "route %zu, walking %d, last %s",
                               ownLevel(), m_foe, m_loot, m_errands.size(), m_mirror->action, money(),
                               m_player->countQuests(), m_route.size(), m_mirror->hasDestination(), m_branch)
                      .c_str());
        }
        // A pending offer: the relations screen's trade-request page.
        if (answerOffer()) {
            m_branch = "offer";
            return;
        }
        if (m_frame >= m_warFrame && m_warStage < kWarDone && warAndRaid()) {
            m_branch = "war";
            return;
        }
        if (endOwnRaid()) {
            m_branch = "stop raid";
            return;
        }
        // The relations screen holds the player still while it is up: it is
        // closed once it has served.
        if (menuShown("CovenantRelations")) {
            clickWidget(shownWidget("Hud::Relations"));
            m_branch = "relations";
            return;
        }
        auto isFoe = [&](Entity* e) {
            auto* actor = dynamic_cast<Actor*>(e);
            return actor && actor->isAlive() && m_player->isEnemyOf(actor) &&
                   !leftAlone(m_ignoredFoes, e->getEntityNumber());
        };
        // Called home by a raid it fights only what stands in its way. A
        // thing its quests ask for lying near is taken up before the next
        // fight but one at hand.
        const bool homeward = homewardToRaid();
        const int wanted =
            pushing() || homeward ? -1 : nearest([&](Entity* e) { return isWantedLoot(e); }, 320.0f);
        const int foe = pushing()                 ? pushFoe(isFoe)
                        : homeward || wanted >= 0 ? nearest(isFoe, 150.0f)
                                                  : nearest(isFoe, 400.0f);
        // A foe it cannot reach (across a wall, up a cliff) is left alone
        // for a while once ten seconds of fighting it bring nothing. Only
        // the frames spent on it count, and they add up while the player
        // turns between it and something else: one at the edge of its
        // sight would otherwise hold it there for good.
        if (foe >= 0) {
            const auto* actor = dynamic_cast<const Actor*>(game.getEntity(foe));
            const int health = actor ? actor->getHealth() : 0;
            // Each foe keeps its own count, so that several pacing out of
            // reach, nearest by turns, do not wipe each other's.
            FoeFight& fight = m_foeFights[foe];
            if (m_frame - fight.seenAt > kFramesPerMinute || health < fight.health) {
                fight.frames = 0;
            } else if ((fight.frames += 10) > 200) {
                trace("leaves a foe it cannot reach");
                m_ignoredFoes[foe] = m_frame + 2 * kFramesPerMinute;
                m_foeFights.erase(foe);
                m_foe = -1;
                groundClick();
                return;
            }
            fight.health = health;
            fight.seenAt = m_frame;
        }
        if (drinkPotion()) {
            m_branch = "potion";
            return;
        }
        if (foe >= 0) {
            closeWindows();
            if (m_foe != foe) {
                m_foe = foe;
                m_mirror->selectEntity(mirrorOf(foe));
            } else if (m_mirror->action != PlayerClient::kActionAttack &&
                       m_mirror->action != PlayerClient::kActionApproach) {
                m_mirror->selectEntity(mirrorOf(foe));
            }
            if (m_frame % 40 == 1) {
                useSkillOn(foe);
            }
            m_branch = "foe";
            return;
        }
        m_foe = -1;
        // With its bags full the rest would stay where it lies: not worth
        // the walk.
        const bool bagsHaveRoom = freeBagPlaces() > 0;
        const int loot = pushing() || homeward ? -1
                         : wanted >= 0
                             ? wanted
                             : nearest(
                                   [&](Entity* e) {
                                       const auto* lying = dynamic_cast<ItemGround*>(e);
                                       return lying && !leftAlone(m_ignoredLoot, e->getEntityNumber()) &&
                                              (bagsHaveRoom || takenWithoutRoom(*lying));
                                   },
                                   320.0f);
        if (loot >= 0 && m_loot == loot && m_frame - m_lootSince >= 200) {
            // Out of reach (across a wall) or no room in the bags: left
            // alone for a while.
            trace("leaves loot it cannot take");
            m_ignoredLoot[loot] = m_frame + 10 * kFramesPerMinute;
            m_loot = -1;
            groundClick();
            return;
        }
        if (loot >= 0 && m_loot != loot) {
            closeWindows();
            m_loot = loot;
            m_lootSince = m_frame;
            m_mirror->selectEntity(mirrorOf(loot));
            return;
        }
        if (loot >= 0 && m_frame - m_lootSince < 200) {
            // A click that did not take (the item still fading in, a fight
            // between, a window that held the player) is made again.
            if (!stillClicked(mirrorOf(loot))) {
                m_mirror->selectEntity(mirrorOf(loot));
            }
            m_branch = "loot";
            return;
        }
        m_loot = -1;
        if (!pushing() && m_tradeStage == 0 && m_questStage == 0 && !raidedNow() && openChest()) {
            m_branch = "chest";
            return;
        }
        if ((m_equipping || m_frame % 50 == 21) && equipSomething(figures)) {
            m_branch = "equip";
            return;
        }
        if (raidedNow()) {
            const ZonePosition& stone = m_player->getCovenant()->housePosition;
            if (stone.zone == m_player->getPosition().zone &&
                distance(stone, m_player->getPosition()) > 300.0f) {
                walkTo(stone);
            } else if (stone.zone != m_player->getPosition().zone && !homeByScroll() && !homeByLevelGate()) {
                wander();
            }
            m_branch = "raided";
            return;
        }
        // Pushing its luck, the player leaves quests, recruits, guards and
        // errands for later; a trade under way is finished.
        if (pushing()) {
            if (!m_errands.empty() && m_tradeStage != 0) {
                runErrand(figures);
                m_branch = "errand";
                return;
            }
            if (!m_errands.empty()) {
                m_errands.clear();
                m_errandGivers = 0;
                groundClick();
            }
            m_branch = "push";
            if (homeByLevelGate()) {
                m_branch = "push gate";
                return;
            }
            wander();
            return;
        }
        if (spendPoints()) {
            m_branch = "points";
            return;
        }
        // A done quest is handed in before the next errand: a click on a
        // giver who takes it opens the solve window, not the quest list.
        if ((m_errands.empty() || (m_tradeStage == 0 && m_questStage == 0)) && solveQuest()) {
            m_branch = "solve";
            return;
        }
        if (m_errands.empty() && recruitSomeone()) {
            m_branch = "recruit";
            return;
        }
        if (m_errands.empty() && hireGuard(figures)) {
            m_branch = "guard";
            return;
        }
        // In the town now and then: the givers and the vendor again.
        if (m_player->getPosition().zone == 0 && m_frame >= m_nextErrands) {
            m_planErrands = true;
        }
        if (m_planErrands) {
            m_planErrands = false;
            m_nextErrands = m_frame + 4 * kFramesPerMinute;
            planErrands();
        }
        if (!m_errands.empty()) {
            runErrand(figures);
            m_branch = "errand";
            return;
        }
        if (openDoor()) {
            m_branch = "door";
            return;
        }
        if (gateOut()) {
            m_branch = "gate out";
            return;
        }
        m_branch = "wander";
        if (wakeLevelGate()) {
            m_branch = "wake gate";
            return;
        }
        if (homeByLevelGate()) {
            m_branch = "gate";
            return;
        }
        if (hunt()) {
            m_branch = "hunt";
            return;
        }
        wander();
    }

    // Held still beside a closed door (one that shuts the only way out of a
    // nook) the player opens it as anyone would: a click on it. A door that
    // stays shut is left alone for a while.
    bool openDoor()
    {
        const ZonePosition& here = m_player->getPosition();
        if (here.zone != m_stillAt.zone || distance(here, m_stillAt) > 1.0f) {
            m_stillAt = here;
            m_stillSince = m_frame;
        }
        auto closed = [&](Entity* e) {
            const auto* door = dynamic_cast<const Door*>(e);
            return door && door->getState() == Door::Closed && !leftAlone(m_triedDoors, e->getEntityNumber());
        };
        if (m_door >= 0 && (m_frame - m_doorSince > 100 || !closed(Game::get().getEntity(m_door)))) {
            m_triedDoors[m_door] = m_frame + 10 * kFramesPerMinute;
            m_door = -1;
        }
        if (m_door < 0) {
            if (m_frame - m_stillSince < 100) {
                return false;
            }
            m_door = nearest(closed, 64.0f);
            if (m_door < 0) {
                return false;
            }
            m_doorSince = m_frame;
            trace("opens a door beside it");
        }
        EntityClient* mirror = mirrorOf(m_door);
        if (!mirror) {
            m_triedDoors[m_door] = m_frame + 10 * kFramesPerMinute;
            m_door = -1;
            return false;
        }
        if (!stillClicked(mirror)) {
            closeWindows();
            m_mirror->selectEntity(mirror);
        }
        return true;
    }

    // A closed chest the player passes near is clicked as any object: the
    // player walks up to it and opens it, and what falls out is picked up as
    // ground loot. One it cannot reach or open is left alone for a while.
    bool openChest()
    {
        const int chest = nearest(
            [&](Entity* e) {
                const auto* candidate = dynamic_cast<const Chest*>(e);
                return candidate && candidate->isClosed() &&
                       !leftAlone(m_ignoredChests, e->getEntityNumber());
            },
            400.0f);
        const bool resumed = m_frame - m_chestSeenAt > 10; // other branches came between
        m_chestSeenAt = m_frame;
        if (chest < 0) {
            m_chest = -1;
            return false;
        }
        // Only the frames spent on the chest count, and they add up while
        // other choices come between.
        if (chest != m_chest) {
            trace("goes to open a chest");
            m_chestFrames = 0;
        } else if ((m_chestFrames += 10) >= 400) {
            trace("leaves a chest it cannot open");
            m_ignoredChests[chest] = m_frame + 10 * kFramesPerMinute;
            m_chest = -1;
            groundClick();
            return false;
        }
        if (chest != m_chest || resumed) {
            closeWindows();
            m_chest = chest;
            m_mirror->selectEntity(mirrorOf(chest));
        } else if (!stillClicked(mirrorOf(chest))) {
            m_mirror->selectEntity(mirrorOf(chest));
        }
        return true;
    }

    // Whether the last click on that entity still holds: it is the target
    // and the player acts on it. A window that held the player (an offer
    // answered on the way) leaves its forced action behind.
    bool stillClicked(EntityClient* mirror) const
    {
        return m_mirror->getTarget(false) == mirror && m_mirror->action != PlayerClient::kActionNone &&
               m_mirror->action != PlayerClient::kActionForced;
    }

    int ownLevel() const { return m_player->getStat(toIndex(CharacterStat::Level)); }

    // The held quests not set aside.
    int questsToGoAfter() const
    {
        int count = 0;
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            const Quest* quest = m_player->getQuest(slot);
            count += quest && quest->isInUse() && !setAside(quest->id) ? 1 : 0;
        }
        return count;
    }

    // Bound from its house for a level far off, the player takes the
    // house's gate to the woken gate nearest that level when the way from
    // there is shorter by two levels or more: the gate opens the world map,
    // and a right click on that gate's mark carries it there.
    bool gateOut()
    {
        const Covenant* own = m_player->getCovenant();
        const ZonePosition& here = m_player->getPosition();
        if (!own || here.zone != own->housePosition.zone || pushing() || m_frame < m_gateOutAfter) {
            m_gateOutSince = -1;
            return false;
        }
        const int goal = journeyGoal();
        if (goal < 0 || goal == here.zone) {
            m_gateOutSince = -1;
            return false;
        }
        if (m_gateOutSince < 0) {
            m_gateOutIndex = gateNearest(goal);
            if (m_gateOutIndex < 0) {
                // Weighed again a little later: the walk meanwhile.
                m_gateOutAfter = m_frame + 200;
                return false;
            }
        }
        const int gateIndex = m_gateOutIndex;
        const Gate* houseGate = nullptr;
        for (int i = 0; gateIndex >= 0 && i < Game::kMaxEntities; ++i) {
            const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
            if (gate && !gate->isRaidGate() && gate->getCovenantIndex() == own->index &&
                gate->getPosition().zone == here.zone) {
                houseGate = gate;
            }
        }
        EntityClient* mirror = houseGate ? mirrorOf(houseGate->getEntityNumber()) : nullptr;
        if (!mirror) {
            m_gateOutSince = -1;
            return false;
        }
        if (m_gateOutSince < 0) {
            m_gateOutSince = m_frame;
            trace(formatString("goes by its house's gate to the gate of level %d, bound for level %d",
                               m_mirror->levelGates.getRecords()[static_cast<size_t>(gateIndex)].zone, goal)
                      .c_str());
        } else if (m_frame - m_gateOutSince > kFramesPerMinute) {
            // The gate or its map did not take it: the walk, and another try later.
            trace("gives up the house's gate");
            m_gateOutSince = -1;
            m_gateOutAfter = m_frame + 5 * kFramesPerMinute;
            groundClick();
            return false;
        }
        WorldMap& map = WorldMap::get();
        if (!map.isShown() || !map.isAtGate()) {
            if (distance(houseGate->getPosition(), here) > 200.0f) {
                walkTo(houseGate->getPosition());
            } else if (m_mirror->getTarget(false) != mirror ||
                       m_mirror->action == PlayerClient::kActionNone) {
                m_mirror->selectEntity(mirror);
            }
            return true;
        }
        map.layout();
        for (const MapLabel& label : map.getLabels()) {
            if (label.kind != MapLabel::Gate || label.target != gateIndex) {
                continue;
            }
            const Vec2 point = map.screenPointOf(label.position);
            if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
                break;
            }
            const Vec2 at{std::clamp(point.x, -1.0e6f, 1.0e6f), std::clamp(point.y, -1.0e6f, 1.0e6f)};
            const int x = static_cast<int>(at.x);
            const int y = static_cast<int>(at.y);
            Input::get().setMousePosition(x, y);
            map.layout();
            const int hovered = map.getHoveredLabel();
            if (hovered >= 0 && map.getLabels()[static_cast<size_t>(hovered)].kind == MapLabel::Gate &&
                map.getLabels()[static_cast<size_t>(hovered)].target == gateIndex) {
                map.onClick(1, true, x, y);
                map.onClick(1, false, x, y);
                m_usedGateAt = m_frame;
                m_route.clear();
                break;
            }
            // The mark lies off the view: the map is dragged towards the
            // middle of the screen, a step at a time.
            constexpr int cx = Input::kScreenWidth / 2;
            constexpr int cy = Input::kScreenHeight / 2;
            const int dx = static_cast<int>(std::clamp(static_cast<float>(cx) - at.x, -100.0f, 100.0f));
            const int dy = static_cast<int>(std::clamp(static_cast<float>(cy) - at.y, -100.0f, 100.0f));
            map.onClick(0, true, cx, cy);
            map.onClick(0, true, cx + dx, cy + dy);
            map.onClick(0, false, cx + dx, cy + dy);
            break;
        }
        return true;
    }

    // The place in the player's gate list of the woken gate from which the
    // way to the goal is shortest, when it is shorter by two levels or more
    // than the way from where the player stands; -1 for none.
    int gateNearest(int goal) const
    {
        const LevelFlood flood = floodLevel(m_player->getPosition());
        const int walk = stepTowards(goal, flood).levels;
        const std::vector<GateRecord>& records = m_mirror->levelGates.getRecords();
        int best = -1;
        int bestWay = walk < 0 ? std::numeric_limits<int>::max() : walk - 1;
        for (size_t i = 0; i < records.size(); ++i) {
            if (!records[i].activated || records[i].zone == flood.zone) {
                continue;
            }
            // From the far gate every side counts as open on its own level.
            LevelFlood far;
            far.zone = records[i].zone;
            far.edge = {0, 0, 0, 0};
            const int way = stepTowards(goal, far).levels;
            if (way >= 0 && way < bestWay) {
                best = static_cast<int>(i);
                bestWay = way;
            }
        }
        return best;
    }

    // On a level new to it the player wakes the level's gate when it stands
    // near: a way home at once when its stone is raided.
    bool wakeLevelGate()
    {
        const int here = m_player->getPosition().zone;
        if (here == 0 || pushing() || m_gatesWoken.contains(here)) {
            return false;
        }
        const Gate* gate = levelGateHere();
        EntityClient* mirror = gate ? mirrorOf(gate->getEntityNumber()) : nullptr;
        if (m_mirror->isCurrentLevelGateActive()) {
            m_gatesWoken.insert(here);
            if (mirror && m_mirror->getTarget(false) == mirror) {
                groundClick();
                return true;
            }
            return false;
        }
        if (!gate || distance(gate->getPosition(), m_player->getPosition()) > 1200.0f) {
            return false;
        }
        if (m_wakeZone != here) {
            m_wakeZone = here;
            m_wakeUntil = m_frame + kFramesPerMinute;
            trace("goes to wake its level's gate");
        }
        if (m_frame > m_wakeUntil) {
            m_gatesWoken.insert(here);
            return false;
        }
        if (!mirror || distance(gate->getPosition(), m_player->getPosition()) > 200.0f) {
            walkTo(gate->getPosition());
        } else if (m_mirror->getTarget(false) != mirror || m_mirror->action == PlayerClient::kActionNone) {
            m_mirror->selectEntity(mirror);
        }
        return true;
    }

    bool setAside(int id) const
    {
        const auto aside = m_setAside.find(id);
        return aside != m_setAside.end() && aside->second > m_frame;
    }

    // The bag places of the healing potions the player carries.
    std::vector<std::pair<int, int>> carriedPotions() const
    {
        std::vector<std::pair<int, int>> potions;
        InventoryBase* inventory = m_player->getInventory();
        for (int group = kBag1; inventory && group <= kBag4; ++group) {
            const InventoryGroup* items = inventory->getOwnGroup(group);
            for (int slot = 0; items && slot < items->getSize(); ++slot) {
                const ItemBase* item = inventory->getItemAt(group, slot);
                if (item && item->getItemEntry() && isHealingPotion(*item)) {
                    potions.emplace_back(group, slot);
                }
            }
        }
        return potions;
    }

    static bool isHealingPotion(const ItemBase& item)
    {
        return item.getItemEntry() &&
               item.getItemEntry()->getName().find("HealthPotion") != std::string::npos;
    }

    // A scroll that opens the player's own gate pair home; it is kept, not
    // sold, and read when a raid calls the player home from afar.
    static bool isReturnScroll(const ItemBase& item) { return item.getBool("TeleportHome"); }

    // The bag place of the first item the player carries that `wanted`
    // takes, {-1, -1} without one.
    template <class Wanted> std::pair<int, int> findInBags(Wanted wanted) const
    {
        InventoryBase* inventory = m_player->getInventory();
        for (int group = kBag1; inventory && group <= kBag4; ++group) {
            const InventoryGroup* items = inventory->getOwnGroup(group);
            for (int slot = 0; items && slot < items->getSize(); ++slot) {
                const ItemBase* item = inventory->getItemAt(group, slot);
                if (item && wanted(*item)) {
                    return {group, slot};
                }
            }
        }
        return {-1, -1};
    }

    std::pair<int, int> carriedScroll() const { return findInBags(isReturnScroll); }

    // The places of the groups `first` to the last bag that hold an item
    // (`filled`), or none.
    int countPlaces(int first, bool filled) const
    {
        int count = 0;
        InventoryBase* inventory = m_player->getInventory();
        for (int group = first; inventory && group <= kBag4; ++group) {
            const InventoryGroup* items = inventory->getOwnGroup(group);
            for (int slot = 0; items && slot < items->getSize(); ++slot) {
                count += (inventory->getItemAt(group, slot) != nullptr) == filled ? 1 : 0;
            }
        }
        return count;
    }

    int freeBagPlaces() const { return countPlaces(kBag1, false); }

    // A right click on a bag item in its bag's window, opened first (one
    // frame each): 1 once clicked, 0 while a window opens, -1 when the
    // window shows no such place (a fault).
    int useBagItem(int group, int slot)
    {
        const std::string bag = formatString("bag%d", group - kBag1);
        if (!menuShown("Inventory")) {
            clickWidget(shownWidget("Hud::Inventory"));
            return 0;
        }
        if (!menuShown(bag.c_str())) {
            clickWidget(shownWidget(formatString("Inventory::Bag%d", group - kBag1)), 1);
            return 0;
        }
        UIItemSlot* place = findSlot(bag.c_str(), group, slot);
        if (!place) {
            fault() << "the window " << bag << " shows no place " << slot << " of its bag";
            return -1;
        }
        clickWidget(place, 1);
        return 1;
    }

    // Low on health, the player drinks a healing potion: a right click on
    // it in its bag's window.
    bool drinkPotion()
    {
        const int most = m_player->getStat(toIndex(CharacterStat::MaxHealth));
        if (pushing() || m_frame < m_nextDrinkAt || most <= 0 || m_player->getHealth() * 100 >= most * 40) {
            return false;
        }
        const std::vector<std::pair<int, int>> potions = carriedPotions();
        if (potions.empty()) {
            return false;
        }
        const int used = useBagItem(potions.front().first, potions.front().second);
        if (used <= 0) {
            return used == 0;
        }
        // Its healing takes a while before the next.
        m_nextDrinkAt = m_frame + 100;
        trace(formatString("drinks a potion (health %d of %d)", m_player->getHealth(), most).c_str());
        return true;
    }

    // Raided with no gate of its level to take, the player reads its
    // scroll of return and steps into the gate that opens where it stands
    // (or into its pair's gate on this level, opened before). A level where
    // no gate opened is walked from.
    bool homeByScroll()
    {
        const int here = m_player->getPosition().zone;
        if (const auto* near = dynamic_cast<const Gate*>(m_player->getGate(0, 0));
            near && near->getPosition().zone == here) {
            takeGate(*near);
            return true;
        }
        if (m_scrollZone == here) {
            // The gate takes a few seconds to open.
            return m_frame - m_scrollReadAt < 200;
        }
        const auto [group, slot] = carriedScroll();
        if (group < 0 || here == m_player->getCovenant()->housePosition.zone || levelGateHere()) {
            return false;
        }
        const int used = useBagItem(group, slot);
        if (used <= 0) {
            return used == 0;
        }
        m_scrollZone = here;
        m_scrollReadAt = m_frame;
        trace("reads a scroll of return");
        return true;
    }

    // The points a new level brings go into strength and vitality, by the
    // plus buttons of the Character window; the window closes again after.
    bool spendPoints()
    {
        const bool left = m_mirror->getStat(toIndex(CharacterStat::AttributePointsLeft)) > 0;
        if (!left || m_frame < m_nextPointAt) {
            if (!left && m_characterOpened) {
                m_characterOpened = false;
                if (menuShown("Character")) {
                    clickWidget(shownWidget("Hud::Character"));
                    return true;
                }
            }
            return false;
        }
        if (!menuShown("Character")) {
            if (!clickWidget(shownWidget("Hud::Character"))) {
                fault() << "the Hud has no Character button";
                m_nextPointAt = m_frame + 10 * kFramesPerMinute;
                return false;
            }
            m_characterOpened = true;
            return true;
        }
        const char* button = m_pointsSpent % 3 == 2 ? "Character::IncVitality" : "Character::IncStrength";
        if (!clickWidget(shownWidget(button))) {
            fault() << "points are left but the Character window has no " << button << " button";
            m_nextPointAt = m_frame + 10 * kFramesPerMinute;
            return false;
        }
        ++m_pointsSpent;
        // The server's answer comes with the next state.
        m_nextPointAt = m_frame + 10;
        return true;
    }

    // The level of the monsters where a quest sends the player; -1 for a
    // quest with no target level.
    static int targetMonsterLevel(Quest& quest)
    {
        const int level = quest.getTargetLevel();
        World& world = World::get();
        return level > 0 && level < world.getLevelCount() ? world.getLevelMonsterLevel(level) : -1;
    }

    // A townsperson turned to stone stands still and answers no click.
    static bool canTalk(const Actor& npc) { return npc.getStat(toIndex(CharacterStat::Movement)) > 0; }

    // Quests done on their target level only: kills that count there
    // alone, and the captive waiting there.
    static bool zoneBound(const Quest& quest)
    {
        return quest.countsKillsOnTargetLevelOnly() || isRescue(quest);
    }

    // A captive to free: a stranger, or a townsperson taken away.
    static bool isRescue(const Quest& quest)
    {
        return quest.type == toIndex(QuestType::RescueNpc) || quest.type == toIndex(QuestType::Kidnapping);
    }

    // Whether the entity is in that list of things left alone until a frame
    // still to come.
    bool leftAlone(const std::map<int, int>& until, int entity) const
    {
        const auto found = until.find(entity);
        return found != until.end() && found->second >= m_frame;
    }

    // Money, and the stone its death left, are taken with no bag place.
    bool takenWithoutRoom(const ItemGround& lying) const
    {
        const Item* item = lying.getGroundItem();
        return item && (item->getEntryType() == kEntryTypeMoney || item->getOwner() == m_player);
    }

    // A thing on the ground a held quest asks for (a quest item stands for
    // the entry it carries), not left alone.
    bool isWantedLoot(Entity* e) const
    {
        const auto* lying = dynamic_cast<ItemGround*>(e);
        const Item* item = lying && !lying->isItemTaken() ? lying->getGroundItem() : nullptr;
        if (!item || leftAlone(m_ignoredLoot, e->getEntityNumber())) {
            return false;
        }
        const DatabaseEntry* entry = item->getLinkedEntry() ? item->getLinkedEntry() : item->getItemEntry();
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            Quest* quest = m_player->getQuest(slot);
            if (quest && quest->isInUse() && !quest->isComplete() && quest->isQuestItem(entry)) {
                return true;
            }
        }
        return false;
    }

    // Where a quest's prey is: its target level, unless the kills count on
    // any level and its prey has gone elsewhere (then the level holding the
    // nearest of it, its own level first).
    int preyLevel(Quest& quest) const
    {
        const int target = quest.getTargetLevel();
        if (target < 0 || zoneBound(quest)) {
            return target;
        }
        auto& known = m_preyLevels.try_emplace(quest.id, 0, -1).first->second;
        if (known.first > m_frame) {
            return known.second;
        }
        // Not the town, unless the quest names it: no hunt is made there
        // (what strays into it is fought when met), and one sought there
        // would hold the player in it.
        std::set<int> levels;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
            if (actor && actor->isAlive() && m_player->isEnemyOf(actor) && countsFor(quest, *actor) &&
                (actor->getPosition().zone != 0 || target == 0)) {
                levels.insert(actor->getPosition().zone);
            }
        }
        // The level it goes to now while prey is left there, else the
        // target, the player's own level, the nearest by the way there.
        const int here = m_player->getPosition().zone;
        int best = -1;
        for (int wanted : {known.second, target, here}) {
            if (best < 0 && wanted >= 0 && levels.contains(wanted)) {
                best = wanted;
            }
        }
        if (best < 0 && !levels.empty()) {
            const LevelFlood flood = floodLevel(m_player->getPosition());
            int bestWay = 0;
            for (int level : levels) {
                const int way = stepTowards(level, flood).levels;
                if (way >= 0 && (best < 0 || way < bestWay)) {
                    best = level;
                    bestWay = way;
                }
            }
        }
        known = {m_frame + 200, best >= 0 ? best : target};
        return known.second;
    }

    // Whether an actor's death counts for a held quest that is not done.
    bool countsFor(const Quest& held, const Actor& actor) const
    {
        const Quest* own = held.getGameQuest();
        if (own && own->questNpc.get() == &actor) {
            return true;
        }
        const MonsterType* type = actor.getMonsterType();
        if (!type) {
            return false;
        }
        if (!held.targets.empty()) {
            return std::any_of(held.targets.begin(), held.targets.end(), [&](const QuestTarget& target) {
                return target.monsterType == type && target.count < target.needed;
            });
        }
        return type == held.getMonsterType(0) || held.type == toIndex(QuestType::ClearLevel);
    }

    // On a level its quests call it to, the player seeks out what they ask
    // it to kill; on a level it came to for its own strength, any foe.
    bool hunt()
    {
        const int here = m_player->getPosition().zone;
        if (here == 0 || pushing() || journeyGoal() != here) {
            return false;
        }
        std::vector<Quest*> held;
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            Quest* quest = m_player->getQuest(slot);
            if (quest && quest->isInUse() && !quest->isComplete() && preyLevel(*quest) == here) {
                held.push_back(quest);
            }
        }
        const bool training = held.empty() && here == m_training;
        if (held.empty() && !training) {
            return false;
        }
        // Its time for prey counts from its arrival: back after a death or
        // a journey, the clock of its last stay would set all aside at once.
        if (here != m_huntZone || m_lastPreyAt < m_arrivedAt) {
            m_huntZone = here;
            m_lastPreyAt = m_frame;
        }
        const int prey = nearest(
            [&](Entity* e) {
                // A thing a quest asks for, lying on the ground: the loot
                // choice takes it up once near.
                if (dynamic_cast<ItemGround*>(e)) {
                    return isWantedLoot(e);
                }
                auto* actor = dynamic_cast<Actor*>(e);
                if (!actor || !actor->isAlive() || !m_player->isEnemyOf(actor) ||
                    leftAlone(m_ignoredFoes, e->getEntityNumber())) {
                    return false;
                }
                return training || std::any_of(held.begin(), held.end(),
                                               [&](const Quest* quest) { return countsFor(*quest, *actor); });
            },
            1.0e9f, false);
        if (prey < 0 && !training && rescue(held)) {
            m_lastPreyAt = m_frame;
            return true;
        }
        if (prey < 0 && training && m_frame - m_lastPreyAt > 2 * kFramesPerMinute) {
            // No foe it can reach is left here: another level for a while.
            m_barredTraining[here] = m_frame + 20 * kFramesPerMinute;
            m_trainingUntil = 0;
            m_lastPreyAt = m_frame;
            trace("finds no foe to train on here");
            return false;
        }
        if (prey < 0) {
            // Nothing of the quests' prey about: after a while they are set
            // aside for others (or new ones from the town).
            if (!training && m_frame - m_lastPreyAt > 3 * kFramesPerMinute) {
                for (const Quest* quest : held) {
                    m_setAside[quest->id] = m_frame + 10 * kFramesPerMinute;
                }
                trace("sets its quests here aside for a while");
                if (std::getenv("GLOAM_SELFPLAY_TRACE")) {
                    for (const Quest* quest : held) {
                        int alive = 0;
                        int anywhere = 0;
                        for (int i = 0; i < Game::kMaxEntities; ++i) {
                            auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
                            if (actor && actor->isAlive() && actor->getMonsterType() &&
                                actor->getMonsterType() == quest->getMonsterType(0)) {
                                ++anywhere;
                                alive += actor->getPosition().zone == here ? 1 : 0;
                                trace(formatString(
                                          "    %s at %d %.0f %.0f, enemy %d, ignored %d, reached %d",
                                          actor->getName().c_str(), actor->getPosition().zone,
                                          static_cast<double>(actor->getPosition().x),
                                          static_cast<double>(actor->getPosition().y),
                                          m_player->isEnemyOf(actor), leftAlone(m_ignoredFoes, i),
                                          floodLevel(m_player->getPosition()).reaches(actor->getPosition()))
                                          .c_str());
                            }
                        }
                        trace(formatString(
                                  "  quest %d type %d: %d of its monsters here, %d in the world, %zu targets",
                                  quest->id, quest->type, alive, anywhere, quest->targets.size())
                                  .c_str());
                    }
                }
                m_lastPreyAt = m_frame;
            }
            return false;
        }
        m_lastPreyAt = m_frame;
        if (prey != m_prey) {
            m_prey = prey;
            m_preyUntil = m_frame + 3 * kFramesPerMinute;
            trace(formatString("hunts %d", prey).c_str());
        } else if (m_frame > m_preyUntil) {
            // Out of reach for three minutes: another first.
            trace("leaves its prey");
            m_ignoredFoes[prey] = m_frame + 5 * kFramesPerMinute;
            m_prey = -1;
            return false;
        }
        walkTo(Game::get().getEntity(prey)->getPosition());
        return true;
    }

    // A captive of a held rescue quest is walked up to and clicked; its
    // window's Rescue button frees it.
    bool rescue(const std::vector<Quest*>& held)
    {
        for (const Quest* quest : held) {
            const Entity* captive = isRescue(*quest) ? quest->getQuestEntity() : nullptr;
            if (!captive || captive->getPosition().zone != m_player->getPosition().zone) {
                continue;
            }
            if (m_rescuing != quest->id || m_rescueSince < m_arrivedAt) {
                m_rescuing = quest->id;
                m_rescueSince = m_frame;
            } else if (m_frame > m_rescueSince + 3 * kFramesPerMinute) {
                // Not freed in three minutes (foes about it, no way to it).
                trace("leaves its captive for a while");
                m_setAside[quest->id] = m_frame + 10 * kFramesPerMinute;
                m_rescuing = -1;
                continue;
            }
            EntityClient* mirror = mirrorOf(captive->getEntityNumber());
            if (menuShown("NpcRescueMenu") && m_mirror->getTarget(false) == mirror) {
                if (!clickWidget(shownWidget("NpcRescueMenu::Rescue"))) {
                    fault() << "the rescue window has no Rescue button";
                }
                trace("frees a captive");
                groundClick();
                return true;
            }
            // A click on it walks up and opens its window (action 26).
            if (!mirror || distance(captive->getPosition(), m_player->getPosition()) > 300.0f) {
                walkTo(captive->getPosition());
            } else if (m_mirror->getTarget(false) != mirror ||
                       (m_mirror->action != PlayerClient::kActionApproach && m_mirror->action != 26)) {
                m_mirror->selectEntity(mirror);
            }
            return true;
        }
        return false;
    }

    // Where the player gains levels: a kill of a foe not above its own level
    // brings the same experience whatever the foe's level, so the nearest
    // level with foes to kill whose monsters are at most one above its own,
    // one whose monsters stand kEasier below it counting as kEasier levels
    // nearer (the harder of two as near). A level has foes to kill while
    // some stand or blocks are unexplored (a block's monsters come when the
    // player first nears it; a cleared level's dead come back only while a
    // quest is about it).
    static constexpr int kEasier = 2;
    int trainingLevel() const
    {
        if (m_frame < m_trainingUntil && m_trainingFor == ownLevel()) {
            return m_training;
        }
        m_trainingUntil = m_frame + kFramesPerMinute;
        m_trainingFor = ownLevel();
        const LevelFlood flood = floodLevel(m_player->getPosition());
        const int own = ownLevel();
        World& world = World::get();
        const std::map<int, int> foes = foesByLevel();
        int best = -1;
        int bestMonsters = -1;
        int bestWay = 0;
        int bestCost = 0;
        for (int level = 1; level < world.getLevelCount(); ++level) {
            const int monsters = world.getLevelMonsterLevel(level);
            const auto barred = m_barredTraining.find(level);
            if (monsters > own + 1 || (barred != m_barredTraining.end() && barred->second > m_frame)) {
                continue;
            }
            const auto standing = foes.find(level);
            if ((standing == foes.end() || standing->second < kFewFoes) &&
                unexploredBlocks(level) < kFewBlocks) {
                continue;
            }
            const int way = level == flood.zone ? 0 : stepTowards(level, flood).levels;
            if (way < 0) {
                continue;
            }
            const int cost = way + (monsters <= own - kEasier ? 0 : kEasier);
            if (best < 0 || cost < bestCost || (cost == bestCost && monsters > bestMonsters)) {
                best = level;
                bestMonsters = monsters;
                bestWay = way;
                bestCost = cost;
            }
        }
        if (best != m_training) {
            trace(formatString("player of level %d trains on level %d (monsters %d, %d levels away)", own,
                               best, bestMonsters, bestWay)
                      .c_str());
        }
        m_training = best;
        return best;
    }

    // The blocks of a level no player has neared yet.
    static int unexploredBlocks(int level)
    {
        const GameRules& rules = worldRules();
        int count = 0;
        for (int block = 0; block < rules.blocksAcross * rules.blocksDown; ++block) {
            count += Game::get().isBlockPopulated(level, block) ? 0 : 1;
        }
        return count;
    }

    // The living foes of each level.
    std::map<int, int> foesByLevel() const
    {
        std::map<int, int> foes;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
            if (actor && actor->isAlive() && actor->getMonsterType() && m_player->isEnemyOf(actor)) {
                ++foes[actor->getPosition().zone];
            }
        }
        return foes;
    }

    // A quest of kills (or of what its kills let fall) whose prey stands
    // nowhere its kills count (there, for kills that count on its target
    // level only, else anywhere) and will not come: the target level is
    // explored, or its area does not spawn that kind of monster at all (a
    // quest the game may make). Meanwhile the player goes where it can do
    // something.
    bool preyGone(Quest& quest) const
    {
        const auto type = static_cast<QuestType>(quest.type);
        const bool kills = (zoneBound(quest) && !isRescue(quest)) || type == QuestType::KillMonsters ||
                           type == QuestType::MonsterQuestItem ||
                           type == QuestType::ArmorsmithMonsterQuestItem ||
                           type == QuestType::WeaponsmithMonsterQuestItem ||
                           type == QuestType::DeadlyPoison || type == QuestType::Petrify;
        const int target = quest.getTargetLevel();
        if (!kills || quest.isComplete() || target < 0) {
            return false;
        }
        // Unexplored blocks of its level may yet bring its prey, when that
        // level's area spawns it at all.
        const Level* level = World::get().getLevel(target);
        const MonsterType* prey = quest.targets.empty() ? quest.getMonsterType(0) : nullptr;
        bool spawnsThere = !prey || (level && level->definition && level->definition->isMonsterOfArea(prey));
        // A quest's own spawn entry brings its prey to an area lacking it.
        if (!spawnsThere && level && level->definition) {
            for (const AreaDefinition::SpawnEntry& entry : level->definition->getSpawnEntries())
                spawnsThere = spawnsThere || entry.monster == prey;
        }
        if (spawnsThere && unexploredBlocks(target) > 0) {
            return false;
        }
        auto& known = m_preyGone.try_emplace(quest.id, 0, false).first->second;
        if (known.first > m_frame) {
            return known.second;
        }
        bool standing = false;
        for (int i = 0; i < Game::kMaxEntities && !standing; ++i) {
            auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
            standing = actor && actor->isAlive() && m_player->isEnemyOf(actor) && countsFor(quest, *actor) &&
                       (!zoneBound(quest) || actor->getPosition().zone == target);
        }
        if (known.second != !standing) {
            trace(
                formatString("quest %d: its prey %s", quest.id, standing ? "is back" : "is nowhere it counts")
                    .c_str());
        }
        known = {m_frame + 200, !standing};
        return known.second;
    }

    // Called home (a quest to hand in, a raid on its stone) the player takes
    // its level's gate: the first use activates it, the next carries it home.
    bool homeByLevelGate()
    {
        const int here = m_player->getPosition().zone;
        if (here == 0 || (journeyGoal() != 0 && !pushHomeFirst()) || m_gateTries > 6) {
            return false;
        }
        const Gate* gate = levelGateHere();
        if (!gate) {
            return false;
        }
        EntityClient* mirror = mirrorOf(gate->getEntityNumber());
        if (!mirror || distance(gate->getPosition(), m_player->getPosition()) > 200.0f) {
            walkTo(gate->getPosition());
            return true;
        }
        if (m_mirror->getTarget(false) == mirror && m_mirror->action == PlayerClient::kActionNoMenu &&
            m_mirror->isCurrentLevelGateActive()) {
            // Activated by that use: a click elsewhere, then on the gate again.
            groundClick();
            return true;
        }
        if (m_mirror->getTarget(false) != mirror || m_mirror->action == PlayerClient::kActionNone) {
            m_mirror->selectEntity(mirror);
            m_usedGateAt = m_frame;
            ++m_gateTries;
            trace(formatString("uses its level's gate (action %d)", m_mirror->action).c_str());
        }
        return true;
    }

    void decideDead()
    {
        ++m_deadFrames;
        // The death window's button, as the user clicks it.
        if (m_deadFrames % 40 == 0) {
            if (!clickWidget(shownWidget("PlayerDead::Resurrect"))) {
                fault() << "frame " << m_frame << ": dead, but the death window has no Resurrect button";
            }
        }
    }

    void closeWindows()
    {
        if (!m_errands.empty() || m_tradeStage != 0) {
            return;
        }
        for (const char* name :
             {"Buy-sell", "VendorMenu", "VendorMenuWithQuests", "GetQuest", "QuestNpcMenu"}) {
            if (menuShown(name)) {
                groundClick();
                return;
            }
        }
    }

    // A pending offer is answered on the trade-request page of the relations
    // screen, opened by the Hud's Relations button; some are accepted, some
    // rejected.
    bool answerOffer()
    {
        PlayerCovenantClient* own = Client::get().getPlayerCovenant();
        if (m_relationsOpened && (!own || own->findPendingOffer() < 0)) {
            // The offer went before it was answered: the screen closes again.
            m_relationsOpened = false;
            if (menuShown("CovenantRelations")) {
                clickWidget(shownWidget("Hud::Relations"));
            }
            return true;
        }
        if (!own || own->findPendingOffer() < 0 || m_frame < m_nextOfferLook) {
            return false;
        }
        m_nextOfferLook = m_frame + 10;
        if (!menuShown("CovenantRelations")) {
            m_relationsOpened = true;
            if (!clickWidget(shownWidget("Hud::Relations"))) {
                fault() << "the Hud has no Relations button to open the relations screen";
            }
            return true;
        }
        // Every other offer is accepted, the first by chance.
        if (m_offersAnswered == 0) {
            m_offersAnswered = 2 + m_bot.below(2);
        }
        const char* button =
            m_offersAnswered++ % 2 == 0 ? "RelationsTradeRequest::Accept" : "RelationsTradeRequest::Reject";
        if (!clickWidget(shownWidget(button))) {
            fault() << "an offer is pending but the trade-request page has no " << button << " button";
            m_nextOfferLook = m_frame + kFramesPerMinute;
        }
        trace(button);
        // Back to the game: the Hud's button closes the screen again.
        clickWidget(shownWidget("Hud::Relations"));
        m_relationsOpened = false;
        m_nextOfferLook = m_frame + 40;
        return true;
    }

    // Clicks on the ground along a route to a point of the player's level.
    void walkTo(const ZonePosition& point)
    {
        // A new route for a new goal; a route that brought it nowhere is
        // left for a walk elsewhere (in wander) before the next.
        const bool newGoal = m_walkGoal.zone != point.zone || distance(m_walkGoal, point) > 64.0f;
        if (newGoal || (m_route.empty() && m_frame >= m_detourUntil)) {
            m_walkGoal = point;
            m_route = homewardToRaid() ? straightRoute(m_player->getPosition(), point)
                                       : routeToPoint(m_player->getPosition(), point);
            m_routeLeft = m_route.size();
            m_routeProgressAt = m_frame;
            m_routeUntil = m_frame + 2 * kFramesPerMinute;
            if (homewardToRaid()) {
                // Called home by a raid, it turns at once rather than end the
                // walk it was on.
                m_wanderUntil = m_frame;
            }
        }
        followRoute();
    }

    // The linked gate whose partner stands by the raid target's life stone.
    const Gate* raidHomeGate() const
    {
        const Covenant* target = Game::get().getCovenant(m_raidTarget);
        if (!target) {
            return nullptr;
        }
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
            const Entity* far = gate ? gate->getLinked() : nullptr;
            if (gate && gate->getKind() == Gate::kLinked && far &&
                ZonePosition::distanceTo(far->getPosition(), target->housePosition) < 400.0f &&
                ZonePosition::distanceTo(gate->getPosition(), target->housePosition) >= 400.0f) {
                return gate;
            }
        }
        return nullptr;
    }

    // At a fixed minute the player declares war on the covenant it is on
    // worst terms with and raids it: the relations screen, the covenant's
    // crest, the War button of its page, the raid page and its StartRaid;
    // then the raid gate that opens beside the player takes it to the target's
    // life stone, where the raid is declared.
    bool warAndRaid()
    {
        auto* relations = dynamic_cast<UIRelationsMenu*>(UISystem::get().findMenu("CovenantRelations"));
        const Covenant* own = m_player->getCovenant();
        if (!relations || !own) {
            m_warStage = kWarDone;
            return false;
        }
        if (m_frame > m_warFrame + 6 * kFramesPerMinute) {
            // A raid it never came to is called off, not left waiting to
            // break out when it next passes the target's house, at peace
            // by then or not.
            const auto* mine = dynamic_cast<const PlayerCovenant*>(own);
            if (own->raidTarget >= 0 && mine && !mine->isRaidAnnounced() && !executeCommandLine("stopRaid")) {
                fault() << "frame " << m_frame << ": the command stopRaid is unknown";
            }
            trace("gives up its raid");
            m_warStage = kWarDone;
            return false;
        }
        const bool shown = relations->isActive();
        switch (m_warStage) {
        case 0:
            if (!shown) {
                clickWidget(shownWidget("Hud::Relations"));
            }
            m_warStage = 1;
            return true;
        case 1: {
            if (!shown || relations->getCurrentPage() != relations->getPage(UIRelationsMenu::Main)) {
                m_warStage = 0;
                if (shown) {
                    clickWidget(shownWidget("Hud::Relations"));
                }
                return true;
            }
            GameClient& client = GameClient::get();
            const int mine = Client::get().getPlayerCovenantIndex();
            int worst = -1;
            for (int i = 0; i < static_cast<int>(client.getCovenantCount()); ++i) {
                const CovenantClient* other = client.getCovenant(i);
                if (i == mine || !other || other->destroyed) {
                    continue;
                }
                if (worst < 0 || client.getRelationValue(i, mine) < client.getRelationValue(worst, mine)) {
                    worst = i;
                }
            }
            // The circle of crests is laid out by the screen's update, which
            // the headless program never runs: once here, as a shown frame would.
            relations->update(static_cast<float>(PlayedGame::kFrameMs / 1000.0));
            UIWidget* crest = worst >= 0 ? relations->getEntry(worst).picture : nullptr;
            if (!crest) {
                m_warStage = kWarDone;
                return false;
            }
            const Vec2 at = crest->getScreenPosition();
            const int x = static_cast<int>(at.x + crest->getSize().x / 2.0f);
            const int y = static_cast<int>(at.y + crest->getSize().y / 2.0f);
            relations->handleMouseButton(0, true, x, y);
            relations->handleMouseButton(0, false, x, y);
            m_raidTarget = worst;
            m_warStage = 2;
            trace(formatString("talks to covenant %d", worst).c_str());
            return true;
        }
        case 2:
            if (relations->getCurrentPage() != relations->getPage(UIRelationsMenu::Diplomacy) ||
                relations->getTalkCovenant() != m_raidTarget) {
                fault() << "a click on covenant " << m_raidTarget << "'s crest does not open its page";
                m_warStage = kWarDone;
                return false;
            }
            [[fallthrough]];
        case 3:
        case 4: {
            // The page's covenant becomes the current one with the screen's
            // update (see above).
            relations->update(static_cast<float>(PlayedGame::kFrameMs / 1000.0));
            const char* button = m_warStage == 2   ? "RelationsDiplomacy::War"
                                 : m_warStage == 3 ? "RelationsDiplomacy::Raid"
                                                   : "RelationsRaid::StartRaid";
            if (!clickWidget(shownWidget(button))) {
                fault() << "the relations screen shows no " << button << " button";
                m_warStage = kWarDone;
                return false;
            }
            trace(formatString("%s (current covenant %d, talk %d)", button,
                               GameClient::get().getCurrentCovenant(), relations->getTalkCovenant())
                      .c_str());
            ++m_warStage;
            if (m_warStage == 5) {
                m_raidGateSince = m_frame;
            }
            return true;
        }
        default: {
            if (shown) {
                clickWidget(shownWidget("Hud::Relations"));
                return true;
            }
            const Covenant* target = Game::get().getCovenant(m_raidTarget);
            if (own->raidTarget < 0 || !target || m_deaths > 0) {
                trace("its raid is over");
                m_warStage = kWarDone;
                return false;
            }
            if (ZonePosition::distanceTo(m_player->getPosition(), target->housePosition) < 250.0f) {
                trace("reaches its raid's target");
                m_warStage = kWarDone;
                return false;
            }
            if (m_player->getPosition().zone == target->housePosition.zone) {
                walkTo(target->housePosition);
                return true;
            }
            // The raid's gate at home leads to the target's life stone; the
            // journey takes the player home first.
            const Gate* gate = raidHomeGate();
            if (!gate) {
                trace("finds no raid gate");
                m_warStage = kWarDone;
                return false;
            }
            if (gate->getPosition().zone != m_player->getPosition().zone) {
                return false;
            }
            EntityClient* mirror = mirrorOf(gate->getEntityNumber());
            if (!mirror || distance(gate->getPosition(), m_player->getPosition()) > 200.0f) {
                walkTo(gate->getPosition());
                return true;
            }
            if (m_mirror->getTarget(false) != mirror || m_mirror->action == PlayerClient::kActionNone) {
                m_mirror->selectEntity(mirror);
                m_usedGateAt = m_frame;
            }
            return true;
        }
        }
    }

    // Its raid declared, the player ends it once its raiders are spent or
    // kOwnRaidMinutes after the declaration. The relations screen has no
    // control for it: the player gives the "stopRaid" command, which the
    // client sends to the server as a control's command is sent.
    static constexpr int kOwnRaidMinutes = 2;
    bool endOwnRaid()
    {
        const Covenant* own = m_player->getCovenant();
        if (m_ownRaidDeclaredAt < 0 || m_stopRaidAt >= 0 || !own || own->raidTarget < 0) {
            return false;
        }
        int alive = 0, dead = 0;
        own->countRaidParty(alive, dead);
        const bool spent = dead > 0 && alive == 0;
        if (!spent && m_frame - m_ownRaidDeclaredAt < kOwnRaidMinutes * kFramesPerMinute) {
            return false;
        }
        m_stopRaidAt = m_frame;
        m_stopRaidTarget = own->raidTarget;
        m_stopRaidLogFrom = Client::get().getMessageLog().size();
        if (!executeCommandLine("stopRaid")) {
            fault() << "frame " << m_frame << ": the command stopRaid is unknown";
        }
        trace(formatString("ends its raid on covenant %d (%d raiders standing, %d fallen)", m_stopRaidTarget,
                           alive, dead)
                  .c_str());
        return true;
    }

    // After "stopRaid" the server ends the raid and tells every player
    // "<raider> has stopped raiding <target>"; within a game minute, or
    // it is a fault.
    void checkOwnRaidEnded()
    {
        if (m_stopRaidAt < 0 || m_ownRaidEnded) {
            return;
        }
        const Covenant* own = m_player->getCovenant();
        const Covenant* target = Game::get().getCovenant(m_stopRaidTarget);
        const std::vector<std::string>& log = Client::get().getMessageLog();
        bool told = false;
        for (size_t i = std::min(m_stopRaidLogFrom, log.size()); own && target && i < log.size() && !told;
             ++i) {
            const std::string& line = log[i];
            const size_t at = line.find(" has stopped raiding ");
            told = at != std::string::npos && line.find(own->getDisplayName()) < at &&
                   line.find(target->getDisplayName(), at) != std::string::npos;
        }
        if (own && own->raidTarget < 0 && told) {
            m_ownRaidEnded = true;
            trace("its raid has ended");
            return;
        }
        if (m_frame - m_stopRaidAt > kFramesPerMinute) {
            m_ownRaidEnded = true;
            fault() << "frame " << m_frame << ": a game minute after stopRaid its raid on covenant "
                    << m_stopRaidTarget << (own && own->raidTarget >= 0 ? " still lasts" : " ended")
                    << (told ? "" : ", and no \"has stopped raiding\" line came");
        }
    }

    // One of the player's learnt skills that is ready, on the foe, as its
    // hot bar key uses it.
    void useSkillOn(int foe)
    {
        if (!m_mirror->skills) {
            return;
        }
        std::vector<SkillBase*> ready;
        for (SkillBase* skill : m_mirror->skills->getSkills()) {
            if (skill && skill->getLevel() > 0 && skill->getDefinition() && skill->isReady()) {
                ready.push_back(skill);
            }
        }
        if (ready.empty()) {
            return;
        }
        SkillBase* skill = ready[static_cast<size_t>(m_bot.below(static_cast<int>(ready.size())))];
        m_mirror->setTarget(mirrorOf(foe), false);
        m_mirror->useSkill(skill->getTree(), skill->getSlot());
    }

    // An item the player would wear in place of what it wears there (worth
    // more), or where it wears nothing. Bags stay where they are: one
    // holding items cannot move.
    bool isUpgrade(const ItemBase& item) const
    {
        InventoryBase* inventory = m_player->getInventory();
        const EquipedLocation place = inventory ? inventory->findEquipSlot(item) : EquipedLocation::None;
        if (place == EquipedLocation::None || !inventory->canHoldAt(item, kEquipment, toIndex(place))) {
            return false;
        }
        const ItemBase* worn = inventory->getItemAt(kEquipment, toIndex(place));
        return !worn || (worn->getPrice(1) < item.getPrice(1) && item.getItemType() != ItemType::Bag);
    }

    // An item of the bags that fits an empty place of the equipment, or is
    // worth more than what the place holds, is put on by a right click on it
    // in its bag's window (the worn one goes to the bag).
    bool equipSomething(Figures& figures)
    {
        (void)figures;
        InventoryBase* inventory = m_player->getInventory();
        for (int group = kBag1; inventory && group <= kBag4; ++group) {
            const InventoryGroup* items = inventory->getOwnGroup(group);
            for (int slot = 0; items && slot < items->getSize(); ++slot) {
                ItemBase* item = inventory->getItemAt(group, slot);
                if (!item || !isUpgrade(*item)) {
                    continue;
                }
                const EquipedLocation place = inventory->findEquipSlot(*item);
                // The inventory opens by its Hud button, the bag by a right
                // click on it there; each shows with the next frame.
                const std::string bag = formatString("bag%d", group - kBag1);
                if (!menuShown("Inventory")) {
                    clickWidget(shownWidget("Hud::Inventory"));
                    m_equipping = true;
                    return true;
                }
                if (!menuShown(bag.c_str())) {
                    clickWidget(shownWidget(formatString("Inventory::Bag%d", group - kBag1)), 1);
                    m_equipping = true;
                    return true;
                }
                m_equipping = false;
                UIItemSlot* place0 = findSlot(bag.c_str(), group, slot);
                if (!place0) {
                    fault() << "the window " << bag << " shows no place " << slot << " of its bag";
                    return false;
                }
                clickWidget(place0, 1);
                m_equipAsked = item;
                m_equipPlace = toIndex(place);
                m_equipAt = m_frame;
                trace("equips");
                return true;
            }
        }
        m_equipping = false;
        return false;
    }

    // Money, experience (with the level) and items carried: a reward adds
    // to one of them.
    std::array<int, 4> holdings() const
    {
        return {m_player->getStat(kMoney), m_player->getStat(toIndex(CharacterStat::Level)),
                m_player->getStat(toIndex(CharacterStat::Xp)), countPlaces(kMain, true)};
    }

    // Who takes a done quest in: its own person for a one-shot quest or a
    // monster quest; else its giver, or the nearest person of the kind the
    // quest returns to (a recruit is handed in to the steward, who sends the
    // recruit to the house).
    int solverOf(const Quest& quest) const
    {
        const NpcType kind = quest.definition ? quest.definition->returnNpcType : NpcType::None;
        if (kind == NpcType::OneShot || quest.type == toIndex(QuestType::MonsterQuest)) {
            const Entity* own = quest.getQuestEntity();
            return own ? own->getEntityNumber() : -1;
        }
        const auto known = m_givers.find(quest.id);
        const auto* giver = known == m_givers.end()
                                ? nullptr
                                : dynamic_cast<const Actor*>(Game::get().getEntity(known->second));
        // Its own giver while it lives; else another of its kind takes it.
        if (giver && giver->isAlive() && giver->getNpcType() == toIndex(kind)) {
            return giver->getEntityNumber();
        }
        const int near = nearest(
            [&](Entity* e) {
                auto* actor = dynamic_cast<Actor*>(e);
                return actor && actor->isAlive() && actor->getNpcType() == toIndex(kind) &&
                       !m_player->isEnemyOf(actor);
            },
            1.0e9f, false);
        if (near >= 0 || kind == NpcType::None) {
            return near;
        }
        // None on this level: one in another, the town's first.
        int found = -1;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            const auto* actor = dynamic_cast<const Actor*>(Game::get().getEntity(i));
            if (actor && actor->isAlive() && actor->getNpcType() == toIndex(kind) &&
                !m_player->isEnemyOf(actor) && (found < 0 || actor->getPosition().zone == 0)) {
                found = i;
                if (actor->getPosition().zone == 0) {
                    break;
                }
            }
        }
        return found;
    }

    // A held quest that is done is solved with its giver: a click on the
    // giver opens the solve window, whose button hands the quest in.
    bool solveQuest()
    {
        const Quest* done = nullptr;
        int giver = -1;
        // One whose giver is dead or not yet come waits for another of its
        // kind: the next done quest is handed in meanwhile.
        for (int slot = 0; slot < Player::kQuestSlots && !done; ++slot) {
            const Quest* quest = m_player->getQuest(slot);
            if (quest && quest->isInUse() && quest->isComplete() && !m_unsolvable.contains(quest->id)) {
                const int solver = solverOf(*quest);
                const auto* actor = dynamic_cast<const Actor*>(Game::get().getEntity(solver));
                if (actor && actor->isAlive()) {
                    giver = solver;
                    done = quest;
                }
            }
        }
        if (!done) {
            return false;
        }
        auto* npc = dynamic_cast<Actor*>(Game::get().getEntity(giver));
        if (!npc || npc->getPosition().zone != m_player->getPosition().zone || !canTalk(*npc)) {
            // Another level's giver waits until the player is back there, one
            // turned to stone until it is cured.
            return false;
        }
        if (m_solvingId != done->id) {
            m_solvingId = done->id;
            m_solveUntil = m_frame + kFramesPerMinute;
            trace(formatString("goes to solve quest %d", done->id).c_str());
        }
        if (m_frame > m_solveUntil) {
            // Another try after two game minutes.
            trace("cannot solve its quest yet");
            m_solveUntil = m_frame + 3 * kFramesPerMinute;
            m_solveRestAt = m_frame + 2 * kFramesPerMinute;
            groundClick();
            return false;
        }
        if (m_frame < m_solveRestAt) {
            return false;
        }
        if (m_solveAsked >= 0) {
            return true; // the answer comes with the next states
        }
        if (menuShown("SolveQuest")) {
            if (!clickWidget(shownWidget("SolveQuest::CompleteQuest"))) {
                fault() << "the solve window has no CompleteQuest button";
                m_unsolvable.insert(done->id);
                return false;
            }
            m_solveAsked = done->id;
            m_solveAskedAt = m_frame;
            m_solveAskedTutorial = getQuestTypeName(done->type).starts_with("Tutorial");
            m_rewardBefore = holdings();
            trace(formatString("solves a quest (%d xp, %d money promised)", done->xpReward, done->moneyReward)
                      .c_str());
            return true;
        }
        if (!mirrorOf(giver) || distance(npc->getPosition(), m_player->getPosition()) > 400.0f) {
            // Out of sight across the level: walked up to first.
            walkTo(npc->getPosition());
            return true;
        }
        if (m_mirror->getTarget(false) != mirrorOf(giver) || m_mirror->action == PlayerClient::kActionNone) {
            m_mirror->selectEntity(mirrorOf(giver));
        }
        return true;
    }

    // A person of its level who would join is asked to join the covenant:
    // a click on it opens its window, whose button recruits.
    bool recruitSomeone()
    {
        const Covenant* own = m_player->getCovenant();
        if (!own || !own->hasRoomForRecruit()) {
            return false;
        }
        if (m_recruit < 0 || m_frame > m_recruitUntil) {
            if (m_recruit >= 0) {
                m_recruitTried.insert(m_recruit);
            }
            // A would-be recruit anywhere on the level: a click on it walks
            // up and opens its recruit window beside its talk.
            m_recruit = nearest(
                [&](Entity* e) {
                    auto* actor = dynamic_cast<Actor*>(e);
                    return actor && actor->isAlive() && actor->getNpcType() == toIndex(NpcType::Recruit) &&
                           PlayerCovenant::isRecruitCandidate(*m_player, actor) &&
                           !m_recruitTried.contains(e->getEntityNumber());
                },
                1.0e9f, false);
            m_recruitUntil = m_frame + 3 * kFramesPerMinute / 2;
            if (m_recruit < 0) {
                return false;
            }
            trace(formatString("goes to recruit %d", m_recruit).c_str());
        }
        auto* npc = dynamic_cast<Actor*>(Game::get().getEntity(m_recruit));
        if (!npc || !npc->isAlive() || npc->getCovenant() ||
            npc->getPosition().zone != m_player->getPosition().zone) {
            m_recruitTried.insert(m_recruit);
            m_recruit = -1;
            return false;
        }
        // The window of this person, not one left open by the last.
        if (menuShown("Recruit") && m_mirror->getTarget(false) == mirrorOf(m_recruit) &&
            m_mirror->action == 24) {
            if (!clickWidget(shownWidget("Recruit::ToCovenant"))) {
                fault() << "the recruit window has no ToCovenant button";
            }
            trace("recruits");
            m_recruitTried.insert(m_recruit);
            m_recruit = -1;
            m_recruitsBefore = own->getRecruitCount();
            m_recruitAskedAt = m_frame;
            return true;
        }
        if (!mirrorOf(m_recruit) || distance(npc->getPosition(), m_player->getPosition()) > 300.0f) {
            walkTo(npc->getPosition());
            return true;
        }
        if (m_mirror->getTarget(false) != mirrorOf(m_recruit) ||
            m_mirror->action == PlayerClient::kActionNone) {
            m_mirror->selectEntity(mirrorOf(m_recruit));
        }
        return true;
    }

    // A guard for the covenant's house, as a user hires one: a contract
    // bought from a guard vendor of the house's level (paid in the
    // covenant's crystals, so only when they cover its price), then laid
    // into a free guard place of the House window the house's pedestal
    // opens. Tried again a few minutes after it fails or ends.
    bool hireGuard(Figures& figures)
    {
        Covenant* own = m_player->getCovenant();
        if (!own || m_frame < m_nextGuardLook) {
            return false;
        }
        if (m_guardLaid >= 0) {
            // The server takes the contract with the next state.
            if (own->getGuard(m_guardLaid)) {
                ++figures.guards;
                trace(formatString("hires a guard at place %d", m_guardLaid).c_str());
            } else if (m_frame <= m_guardUntil) {
                return true;
            } else {
                trace("its guard contract was not taken");
            }
            m_guardLaid = -1;
            endGuardHire();
            return true;
        }
        const int place = freeGuardPlace(*own);
        const int here = m_player->getPosition().zone;
        if (m_guardStage == 0) {
            if (place < 0 || own->housePosition.zone != here) {
                return false;
            }
            if (carriedContract().first >= 0) {
                m_guardStage = 2;
            } else {
                m_guardVendor = nearest(
                    [&](Entity* e) {
                        auto* v = dynamic_cast<Vendor*>(e);
                        // A vendor no one has traded with yet shows its
                        // goods only once visited.
                        return v && v->isAlive() && v->isGuardVendor() &&
                               (contractSlot(*v, *own) >= 0 ||
                                (notStocked(*v) && own->stats.get(toIndex(CovenantStat::Money)) > 0));
                    },
                    1.0e9f, false);
                if (m_guardVendor < 0) {
                    m_nextGuardLook = m_frame + kFramesPerMinute;
                    return false;
                }
                m_guardStage = 1;
                trace(formatString("goes to buy a guard contract (%d crystals)",
                                   own->stats.get(toIndex(CovenantStat::Money)))
                          .c_str());
            }
            m_guardTries = 0;
            m_guardUntil = m_frame + 2 * kFramesPerMinute;
        }
        if (place < 0 || own->housePosition.zone != here || m_frame > m_guardUntil) {
            trace("guard hiring given up");
            endGuardHire();
            return false;
        }
        return m_guardStage == 1 ? buyContract(*own) : layContract(*own, place);
    }

    void endGuardHire()
    {
        m_guardStage = 0;
        m_guardVendor = -1;
        m_nextGuardLook = m_frame + 5 * kFramesPerMinute;
        groundClick();
    }

    // The guard vendor's window: a right click on a contract buys it.
    bool buyContract(Covenant& own)
    {
        auto* vendor = dynamic_cast<Vendor*>(Game::get().getEntity(m_guardVendor));
        if (!vendor || !vendor->isAlive() || vendor->getPosition().zone != m_player->getPosition().zone) {
            endGuardHire();
            return false;
        }
        if (carriedContract().first >= 0) {
            trace("bought a guard contract");
            m_guardStage = 2;
            m_guardTries = 0;
            groundClick();
            return true;
        }
        EntityClient* mirror = mirrorOf(m_guardVendor);
        if (!menuShown("Vendor")) {
            bool lost = false;
            if (clickBuyAndSell("the guard vendor", lost)) {
                if (lost) {
                    endGuardHire();
                }
            } else if (!mirror || distance(vendor->getPosition(), m_player->getPosition()) > 400.0f) {
                walkTo(vendor->getPosition());
            } else if (m_mirror->getTarget(false) != mirror ||
                       m_mirror->action == PlayerClient::kActionNone) {
                m_mirror->selectEntity(mirror);
            }
            return true;
        }
        // The goods arrive with the state after the window opens.
        const int slot = contractSlot(*vendor, own);
        if (++m_guardTries > 4 || slot < 0) {
            trace("no guard contract bought");
            endGuardHire();
            return false;
        }
        if (!clickWidget(shownWidget(formatString("Vendor::Stock%d", slot)), 1)) {
            fault() << "the guard vendor's window shows no goods place " << slot;
            endGuardHire();
        }
        return true;
    }

    // The House window: the contract taken up from its bag and let go on a
    // free guard place.
    bool layContract(Covenant& own, int place)
    {
        const auto [group, slot] = carriedContract();
        Entity* pedestal = own.getPedestal(0);
        if (group < 0 || !pedestal || pedestal->getPosition().zone != m_player->getPosition().zone ||
            ++m_guardTries > 60) {
            trace("no guard contract laid down");
            endGuardHire();
            return false;
        }
        if (!menuShown("House")) {
            EntityClient* mirror = mirrorOf(pedestal->getEntityNumber());
            if (!mirror || distance(pedestal->getPosition(), m_player->getPosition()) > 300.0f) {
                walkTo(pedestal->getPosition());
            } else if (m_mirror->getTarget(false) != mirror ||
                       m_mirror->action == PlayerClient::kActionNone) {
                m_mirror->selectEntity(mirror);
            }
            return true;
        }
        const std::string bag = formatString("bag%d", group - kBag1);
        if (!menuShown(bag.c_str())) {
            if (!clickWidget(shownWidget(formatString("Inventory::Bag%d", group - kBag1)), 1)) {
                fault() << "the House window shows no inventory to open " << bag << " from";
                endGuardHire();
            }
            return true;
        }
        UIItemSlot* from = findSlot(bag.c_str(), group, slot);
        UIWidget* to = shownWidget(formatString("House::Guard%d", place));
        if (!from || !to) {
            fault() << "the House window has no guard place " << place << " or " << bag << " no place "
                    << slot;
            endGuardHire();
            return false;
        }
        clickWidget(from);
        clickWidget(to);
        m_guardLaid = place;
        m_guardUntil = m_frame + 40;
        return true;
    }

    // The first of the house's four guard places that holds nothing.
    static int freeGuardPlace(const Covenant& own)
    {
        for (int place = 0; place < Covenant::kGuardSlots; ++place) {
            if (!own.getHouseItem(place) && !own.getGuard(place)) {
                return place;
            }
        }
        return -1;
    }

    // The bag place of a guard contract the player carries.
    std::pair<int, int> carriedContract() const
    {
        return findInBags([](const ItemBase& item) { return item.getItemType() == ItemType::Guard; });
    }

    static bool notStocked(Vendor& vendor)
    {
        for (int slot = 0; slot < Vendor::kSlotCount; ++slot) {
            if (vendor.getStockItem(slot)) {
                return false;
            }
        }
        return true;
    }

    // A guard vendor's goods place holding a contract the covenant's
    // crystals pay for.
    static int contractSlot(Vendor& vendor, const Covenant& own)
    {
        const int crystals = own.stats.get(toIndex(CovenantStat::Money));
        for (int slot = 0; slot < Vendor::kSlotCount; ++slot) {
            const ItemBase* item = vendor.getStockItem(slot);
            if (item && item->getItemType() == ItemType::Guard && !vendor.isBuyBackSlot(slot) &&
                std::floor(item->getPrice(1) * static_cast<double>(vendor.getSlotPriceFactor(slot))) <=
                    static_cast<double>(crystals)) {
                return slot;
            }
        }
        return -1;
    }

    // How well the player can finish a quest: 3 done by what it does
    // anyway (equipping, killing what it meets), 2 a fight elsewhere, 1 any
    // other, 0 none or held.
    int questRank(int id) const
    {
        const Quest* quest = Game::get().getQuest(id);
        if (!quest || !quest->isInUse() || m_player->hasQuest(id)) {
            return 0;
        }
        switch (static_cast<QuestType>(quest->type)) {
        case QuestType::Recruit: {
            // Its recruit is taken in as it is handed in: a full covenant
            // could never hand it in, and it would hold a slot for good.
            const Covenant* own = m_player->getCovenant();
            return own && own->canTakeRecruit() ? 3 : 0;
        }
        case QuestType::TutorialEquipWeapon:
        case QuestType::TutorialGetQuest:
        case QuestType::KillMonsters:
        case QuestType::KillMonsterGroup:
            return 3;
        case QuestType::UniqueMonsterSpotted:
        case QuestType::ClearLevel:
        case QuestType::ScoutLocation:
        case QuestType::BossKnight:
        // One monster or a number of them killed elsewhere, as the story's
        // own quests ask too.
        case QuestType::Assassin:
        case QuestType::MonsterScout:
        case QuestType::Uprising:
        case QuestType::StoryKillTurenScout:
        case QuestType::StoryTurenArmy:
        case QuestType::StoryKillShankarPartner:
        case QuestType::StoryKillCiglioGuard:
        case QuestType::StoryCiglioHorde:
        case QuestType::StoryKillDraaienMage:
        case QuestType::StoryDraaienArmy:
        case QuestType::WarAgainstBarbarians:
        // A captive freed through its window once no foe stands near it.
        case QuestType::RescueNpc:
        case QuestType::Kidnapping:
        // Things found on a level, picked up.
        case QuestType::LevelQuestItem:
        case QuestType::ArmorsmithLevelQuestItem:
        case QuestType::WeaponsmithLevelQuestItem:
            return 2;
        // What a kind of monster lets fall, when its kind carries any: the
        // cure of a poisoned or petrified townsperson too.
        case QuestType::MonsterQuestItem:
        case QuestType::DeadlyPoison:
        case QuestType::Petrify:
        case QuestType::ArmorsmithMonsterQuestItem:
        case QuestType::WeaponsmithMonsterQuestItem: {
            const MonsterType* prey = quest->getMonsterType(0);
            return prey && prey->archetype && prey->archetype->questItem ? 2 : 0;
        }
        // Hot bar keys and a tour of the house's objects are not among the
        // player's doings.
        case QuestType::TutorialUseSlot:
        case QuestType::TutorialInvestigateHouse:
            return 0;
        default:
            return 1;
        }
    }

    // The nearest quest giver and vendor of the player's level, in that order.
    void planErrands()
    {
        Game& game = Game::get();
        // The givers of quests it can finish, nearest first; without any,
        // the giver of the best other one.
        const int free = Player::kQuestSlots - m_player->countQuests();
        std::vector<int> givers;
        for (int rank = 3; rank >= 1 && givers.empty() && free > 0; --rank) {
            for (;;) {
                const int giver = nearest(
                    [&](Entity* e) {
                        auto* actor = dynamic_cast<Actor*>(e);
                        if (!actor || !actor->isAlive() || !canTalk(*actor) || m_player->isEnemyOf(actor) ||
                            std::find(givers.begin(), givers.end(), e->getEntityNumber()) != givers.end()) {
                            return false;
                        }
                        for (int id : game.collectQuestsOfferedBy(actor)) {
                            if (questRank(id) >= rank) {
                                return true;
                            }
                        }
                        return false;
                    },
                    1.0e9f, false);
                if (giver < 0 || (rank < 2 && !givers.empty()) || static_cast<int>(givers.size()) >= free) {
                    break;
                }
                givers.push_back(giver);
            }
        }
        // The nearest vendor, unless another sells something better to
        // wear than the player wears, or has not been seen yet.
        const auto shop = [&](Entity* e) {
            auto* v = dynamic_cast<Vendor*>(e);
            return v && v->isAlive() && !v->isGuardVendor() && !v->isGambler();
        };
        int vendor = nearest(
            [&](Entity* e) {
                return shop(e) && (sellsUpgrade(*static_cast<Vendor*>(e)) ||
                                   !m_vendorsSeen.contains(e->getEntityNumber()));
            },
            1.0e9f, false);
        vendor = vendor >= 0 ? vendor : nearest(shop, 1.0e9f, false);
        if (vendor >= 0) {
            m_vendorsSeen.insert(vendor);
        }
        m_errands = givers;
        m_errandGivers = givers.size();
        if (vendor >= 0) {
            m_errands.push_back(vendor);
        }
        m_errandUntil = m_frame + 2 * kFramesPerMinute;
        startTrade();
    }

    // A vendor's window starts from nothing bought or sold.
    void startTrade()
    {
        m_tradeStage = 0;
        m_tradeTries = 0;
        m_buysHere = 0;
        m_salesHere = 0;
        m_placesBoughtHere.clear();
        m_buyAfterSale = false;
    }

    void nextErrand()
    {
        m_acceptsHere = 0;
        m_errandGivers -= m_errandGivers > 0 ? 1 : 0;
        if (!m_errands.empty()) {
            m_errands.erase(m_errands.begin());
        }
        startTrade();
        m_errandUntil = m_frame + 2 * kFramesPerMinute;
        groundClick();
    }

    // What a click on the ground does to the player's action: none, and its
    // windows close.
    void groundClick() { m_mirror->setAction(PlayerClient::kActionNone, true, true); }

    // Walks up to the errand's NPC by clicking it; its window opens and the
    // player takes a quest or trades through the window's buttons.
    void runErrand(Figures& figures)
    {
        const int number = m_errands.front();
        auto* npc = dynamic_cast<Actor*>(Game::get().getEntity(number));
        if (!npc || !npc->isAlive() || npc->getPosition().zone != m_player->getPosition().zone ||
            m_frame > m_errandUntil) {
            trace("errand given up");
            nextErrand();
            return;
        }
        if (!mirrorOf(number) || distance(npc->getPosition(), m_player->getPosition()) > 400.0f) {
            // Out of sight across the level: walked up to first.
            walkTo(npc->getPosition());
            return;
        }
        // A vendor is asked for its quests first when it gives any (a
        // smith), then traded with.
        if (auto* vendor = dynamic_cast<Vendor*>(npc); vendor && m_errandGivers == 0) {
            trade(*vendor, figures);
        } else {
            takeQuest(*npc, figures);
        }
    }

    void takeQuest(Actor& npc, Figures& figures)
    {
        if (!menuShown("GetQuest")) {
            // A vendor's window holds its quests behind a button, there
            // while it has any to give.
            if (menuShown("VendorMenuWithQuests") &&
                clickWidget(shownWidget("VendorMenuWithQuests::Quests"))) {
                return;
            }
            if (menuShown("VendorMenu") || menuShown("VendorMenuWithQuests")) {
                nextErrand();
                return;
            }
            if (m_mirror->getTarget(false) != mirrorOf(npc.getEntityNumber()) ||
                m_mirror->action == PlayerClient::kActionNone) {
                m_mirror->selectEntity(mirrorOf(npc.getEntityNumber()));
            }
            return;
        }
        auto* list = dynamic_cast<UIList*>(shownWidget("GetQuest::Quests"));
        if (!list || list->getItems().empty()) {
            nextErrand();
            return;
        }
        if (m_questStage == 0) {
            // A click on the row of the quest it can best finish selects it.
            int row = 0;
            int best = -1;
            const std::vector<ListEntry>& rows = list->getItems();
            std::string offered;
            for (size_t i = 0; i < rows.size() && static_cast<int>(i) < list->getVisibleRows(); ++i) {
                const int rank = questRank(std::atoi(rows[i].value.c_str()));
                if (Quest* quest = Game::get().getQuest(std::atoi(rows[i].value.c_str()))) {
                    offered += formatString(" %d (type %d, rank %d, monsters %d)", quest->id, quest->type,
                                            rank, targetMonsterLevel(*quest));
                }
                if (rank > best) {
                    best = rank;
                    row = static_cast<int>(i);
                }
            }
            trace(("is offered" + offered).c_str());
            if (best <= 0 || (best < 2 && questsToGoAfter() > 0) ||
                m_player->countQuests() >= Player::kQuestSlots) {
                nextErrand();
                return;
            }
            const Vec2 at = list->getScreenPosition();
            const int x = static_cast<int>(at.x + 8.0f);
            const int y = static_cast<int>(at.y + (static_cast<float>(row) + 0.5f) *
                                                      static_cast<float>(list->getItemHeight()));
            list->handleMouseButton(0, true, x, y);
            list->handleMouseButton(0, false, x, y);
            m_questStage = 1;
            return;
        }
        m_questStage = 0;
        const int before = m_player->countQuests();
        if (!clickWidget(shownWidget("GetQuest::Accept"))) {
            fault() << "the quest window has no Accept button";
        }
        m_questsBefore = before;
        m_questAskedAt = m_frame;
        m_askedGiver = npc.getEntityNumber();
        (void)figures;
        trace("accepts a quest");
        // The same giver again for its next quest (the window closes with
        // the accept), three at most.
        if (++m_acceptsHere >= 3) {
            m_acceptsHere = 0;
            nextErrand();
        } else {
            groundClick();
        }
    }

    // In a vendor's talk window, its "Buy and sell" button clicked: true when
    // such a window was up; `lost` when it had no button (a fault, named
    // after `who`).
    bool clickBuyAndSell(const char* who, bool& lost)
    {
        if (!menuShown("VendorMenu") && !menuShown("VendorMenuWithQuests")) {
            return false;
        }
        const char* button =
            menuShown("VendorMenu") ? "VendorMenu::BuyAndSell" : "VendorMenuWithQuests::BuyAndSell";
        lost = !clickWidget(shownWidget(button));
        if (lost) {
            fault() << who << "'s window has no " << button << " button";
        }
        return true;
    }

    // The vendor's window: purchases (a right click on its goods), then
    // sales (a bag item dropped on the vendor's goods), more than one while
    // the bags have little room.
    void trade(Vendor& vendor, Figures& figures)
    {
        EntityClient* mirror = mirrorOf(vendor.getEntityNumber());
        if (!menuShown("Vendor")) {
            bool lost = false;
            if (clickBuyAndSell("the vendor", lost)) {
                if (lost) {
                    nextErrand();
                }
                return;
            }
            if (m_mirror->getTarget(false) != mirror || m_mirror->action == PlayerClient::kActionNone) {
                m_mirror->selectEntity(mirror);
            }
            return;
        }
        bool bought = false;
        bool sold = false;
        if (m_fundsBefore >= 0) {
            if (m_tradeStage == 1 && money() < m_fundsBefore) {
                ++figures.bought;
                bought = true;
            } else if (m_tradeStage == 3 && money() > m_fundsBefore) {
                ++figures.sold;
                sold = true;
            }
            m_fundsBefore = -1;
        }
        switch (m_tradeStage) {
        case 0:
            ++m_tradeStage; // the goods arrive with the next state
            break;
        case 1: {
            // A right click on the goods buys; after a purchase that went
            // through, what else it wants, three at most. A scroll of
            // return, which stacks on nothing, waits for the sale to make
            // room for it.
            const bool more = m_buysHere < 3 && (m_buysHere == 0 || bought);
            const int slot = more ? affordableSlot(vendor, m_buysHere == 0) : -1;
            const ItemBase* item = slot >= 0 ? vendor.getStockItem(slot) : nullptr;
            if (item && isReturnScroll(*item) && !m_buyAfterSale && freeBagPlaces() == 0) {
                m_buyAfterSale = true;
                m_tradeStage = 2;
                break;
            }
            UIWidget* goods = item ? shownWidget(formatString("Vendor::Stock%d", slot)) : nullptr;
            if (!goods) {
                m_buyAfterSale = false;
                ++m_tradeStage;
                break;
            }
            trace(formatString("buys %s (%d) with %d", item->getName().c_str(), item->getPrice(1), money())
                      .c_str());
            m_fundsBefore = money();
            clickWidget(goods, 1);
            ++m_buysHere;
            if (const EquipedLocation place = m_player->getInventory()->findEquipSlot(*item);
                place != EquipedLocation::None) {
                m_placesBoughtHere.insert(toIndex(place));
            }
            break;
        }
        case 2: {
            // A bag item taken up and let go on the goods sells; its bag's
            // window opens first, with the next frame.
            const auto [group, slot] = sellableItem();
            if (group < 0 || ++m_tradeTries > 5) {
                m_tradeStage = m_buyAfterSale ? 1 : 4;
                break;
            }
            const std::string bag = formatString("bag%d", group - kBag1);
            if (!menuShown(bag.c_str())) {
                clickWidget(shownWidget(formatString("Inventory::Bag%d", group - kBag1)), 1);
                break;
            }
            UIItemSlot* from = findSlot(bag.c_str(), group, slot);
            UIItemSlot* to = dynamic_cast<UIItemSlot*>(shownWidget("Vendor::Stock0"));
            if (from && to) {
                m_fundsBefore = money();
                clickWidget(from);
                clickWidget(to);
            }
            ++m_tradeStage;
            break;
        }
        case 3:
            // After a sale that made room, the purchase it waited for; else
            // more sales while the bags have little room for loot.
            if (m_buyAfterSale) {
                m_tradeStage = 1;
            } else if (sold && freeBagPlaces() < 4 && ++m_salesHere < 8) {
                m_tradeTries = 0;
                m_tradeStage = 2;
            } else {
                m_tradeStage = 4;
            }
            break;
        default:
            trace("traded");
            nextErrand();
            break;
        }
    }

    // The first bag item that may be sold, a healing potion last; not one
    // the player is yet to put on.
    std::pair<int, int> sellableItem() const
    {
        InventoryBase* inventory = m_player->getInventory();
        std::pair<int, int> potion{-1, -1};
        for (int group = kBag1; inventory && group <= kBag4; ++group) {
            const InventoryGroup* items = inventory->getOwnGroup(group);
            for (int slot = 0; items && slot < items->getSize(); ++slot) {
                const ItemBase* item = inventory->getItemAt(group, slot);
                const DatabaseEntry* entry = item ? item->getItemEntry() : nullptr;
                // A guard contract is for the house, and only a guard
                // vendor takes it back.
                if (!entry || item->isNoSale() || item->getItemType() == ItemType::Guard ||
                    isReturnScroll(*item) || isUpgrade(*item)) {
                    continue;
                }
                if (entry->getName().find("HealthPotion") == std::string::npos) {
                    return {group, slot};
                }
                potion = potion.first < 0 ? std::make_pair(group, slot) : potion;
            }
        }
        return potion;
    }

    // An item of the vendor's goods (not one it buys back) the player can
    // pay for.
    bool affordableAt(const Vendor& vendor, int slot, const ItemBase* item) const
    {
        return item && !vendor.isBuyBackSlot(slot) &&
               item->getPrice(1) * static_cast<double>(vendor.getSlotPriceFactor(slot)) <=
                   static_cast<double>(money());
    }

    // The vendor's goods hold something to wear that the player can pay for.
    bool sellsUpgrade(const Vendor& vendor) const
    {
        for (int slot = 0; slot < Vendor::kSlotCount; ++slot) {
            const ItemBase* item = vendor.getStockItem(slot);
            if (affordableAt(vendor, slot, item) && isUpgrade(*item)) {
                return true;
            }
        }
        return false;
    }

    // A piece of the vendor's goods the player can pay for: a scroll of
    // return, then something better to wear or wield. With `anything` (the
    // visit's first purchase), a potion when it has few before those, and
    // else the first it can pay for.
    int affordableSlot(Vendor& vendor, bool anything) const
    {
        InventoryBase* own = m_player->getInventory();
        int fallback = -1;
        const bool fewPotions = carriedPotions().size() < 3;
        // One scroll of return lasts (it is read again and again): bought
        // before anything else.
        for (int slot = 0; carriedScroll().first < 0 && slot < Vendor::kSlotCount; ++slot) {
            const ItemBase* item = vendor.getStockItem(slot);
            if (affordableAt(vendor, slot, item) && isReturnScroll(*item)) {
                return slot;
            }
        }
        // Of the better things to wear, the one that adds most to what the
        // player wears, one for each place a visit.
        int upgrade = -1;
        int most = 0;
        for (int slot = 0; own && slot < Vendor::kSlotCount; ++slot) {
            const ItemBase* item = vendor.getStockItem(slot);
            if (!affordableAt(vendor, slot, item)) {
                continue;
            }
            if (fewPotions && anything && isHealingPotion(*item)) {
                return slot;
            }
            const EquipedLocation place = own->findEquipSlot(*item);
            if (isUpgrade(*item) && !m_placesBoughtHere.contains(toIndex(place))) {
                const ItemBase* worn = own->getItemAt(kEquipment, toIndex(place));
                const int gain = item->getPrice(1) - (worn ? worn->getPrice(1) : 0);
                if (upgrade < 0 || gain > most) {
                    upgrade = slot;
                    most = gain;
                }
            }
            fallback = fallback < 0 && anything ? slot : fallback;
        }
        return upgrade >= 0 ? upgrade : fallback;
    }

    // A computer covenant's raid on the player's covenant is under way and
    // some of its raiders still stand: the player goes home and stays by
    // its stone until the raid ends or none of them is left; raiders that
    // come near are fought as any foe.
    bool raidedNow() const
    {
        const Covenant* own = m_player->getCovenant();
        Game& game = Game::get();
        for (int i = 0; own && i < game.getCovenantCount(); ++i) {
            const Covenant* covenant = game.getCovenant(i);
            if (!covenant || covenant == own || !covenant->isRaiding() ||
                covenant->raidTarget != own->index) {
                continue;
            }
            // A raid just begun calls it home before its raiders set out.
            const auto began = m_raidBegan.find(i);
            const bool fresh = began != m_raidBegan.end() && m_frame - began->second < kFramesPerMinute / 3;
            if (fresh || !raidersGone(*covenant)) {
                return true;
            }
        }
        return false;
    }

    // A raid that its raider gave up at its first weighing, losing badly
    // (its members fell at the house, and each fall cost its own stone):
    // the house's guards beat it off within half a minute, sooner than a
    // player beyond the town can come home.
    static bool beatenOffAtOnce(const Covenant& raider, const Covenant& own, double seconds)
    {
        const auto* covenant = dynamic_cast<const ActorCovenant*>(&raider);
        const CovenantDefinition* definition = covenant ? covenant->getDefinition() : nullptr;
        return definition && seconds <= definition->StopRaidTime * 1.1 + 1.0 &&
               raider.lifestoneFraction() - own.lifestoneFraction() <
                   -definition->WinningRaidWellLifeStoneDifference;
    }

    // None of a raiding covenant's raiders stands or lies waiting to rise
    // again at its stone: the stone is safe.
    static bool raidersGone(const Covenant& raider)
    {
        int alive = 0, dead = 0;
        raider.countRaidParty(alive, dead);
        return alive == 0 && dead == 0;
    }

    // The shortest route over free cells, diagonals included (none past a
    // blocked corner), to the reachable cell nearest to `goal`: the way a
    // player in a hurry walks.
    static std::vector<ZonePosition> straightRoute(const ZonePosition& from, const ZonePosition& goal)
    {
        const int zone = from.zone;
        const int sx = static_cast<int>(from.x / 32.0f);
        const int sy = static_cast<int>(from.y / 32.0f);
        if (from.zone != goal.zone || sx < 0 || sx >= 128 || sy < 0 || sy >= 128) {
            return routeToPoint(from, goal);
        }
        auto centre = [zone](int cell) {
            return ZonePosition(zone, static_cast<float>(cell % 128) * 32.0f + 16.0f,
                                static_cast<float>(cell / 128) * 32.0f + 16.0f);
        };
        auto free = [&](int x, int y) {
            return x >= 0 && x < 128 && y >= 0 && y < 128 && walkable(centre(y * 128 + x));
        };
        std::vector<int> cost(128 * 128, std::numeric_limits<int>::max());
        std::vector<int> previous(128 * 128, -1);
        using Entry = std::pair<int, int>;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
        const int start = sy * 128 + sx;
        cost[static_cast<size_t>(start)] = 0;
        open.push({0, start});
        int best = start;
        float bestDistance = distance(centre(start), goal);
        while (!open.empty()) {
            const auto [c, cell] = open.top();
            open.pop();
            if (c > cost[static_cast<size_t>(cell)]) {
                continue;
            }
            const float d = distance(centre(cell), goal);
            if (d < bestDistance) {
                best = cell;
                bestDistance = d;
            }
            const int x = cell % 128;
            const int y = cell / 128;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if ((dx == 0 && dy == 0) || !free(x + dx, y + dy) ||
                        (dx != 0 && dy != 0 && (!free(x + dx, y) || !free(x, y + dy)))) {
                        continue;
                    }
                    const int next = (y + dy) * 128 + x + dx;
                    const int nextCost = c + (dx != 0 && dy != 0 ? 14 : 10);
                    if (nextCost < cost[static_cast<size_t>(next)]) {
                        cost[static_cast<size_t>(next)] = nextCost;
                        previous[static_cast<size_t>(next)] = cell;
                        open.push({nextCost, next});
                    }
                }
            }
        }
        std::vector<ZonePosition> route;
        for (int cell = best; cell >= 0; cell = previous[static_cast<size_t>(cell)]) {
            route.push_back(centre(cell));
        }
        std::reverse(route.begin(), route.end());
        return route;
    }

    // The gate of the level the player stands on, if it has one.
    const Gate* levelGateHere() const
    {
        const int here = m_player->getPosition().zone;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
            if (gate && gate->getKind() == Gate::kLevelGate && gate->getPosition().zone == here) {
                return gate;
            }
        }
        return nullptr;
    }

    // A covenant still hostile to the player's covenant ended a raid on it
    // within the last five minutes: it raids again soon.
    bool raidsExpected() const
    {
        const Covenant* own = m_player->getCovenant();
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
            const int since = m_frame - ended;
            if (since < 5 * kFramesPerMinute || (since >= rest - 3 * kFramesPerMinute && since < rest)) {
                return true;
            }
        }
        return false;
    }

    // A raid on the player's covenant may come soon: a computer covenant
    // hostile to it would raid it, weighed as the covenant weighs it but
    // without the world's early calm (none raids in its first half) and as
    // if another already raided it (the others then join in); or one on
    // terms worse than it makes peace on is busy raiding another, and comes
    // when that raid is over.
    bool raidThreatened() const
    {
        const Covenant* own = m_player->getCovenant();
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

    // A level from which the player reaches its stone within a raid: its
    // town, one whose gate it has woken, or any with a scroll of return in
    // its bags.
    bool nearHome(int zone) const
    {
        return zone == m_player->getCovenant()->housePosition.zone || m_mirror->isGateActivated(zone) ||
               carriedScroll().first >= 0;
    }

    // Raided and not yet by its stone: it hurries home.
    bool homewardToRaid() const
    {
        if (!raidedNow()) {
            return false;
        }
        const ZonePosition& stone = m_player->getCovenant()->housePosition;
        return stone.zone != m_player->getPosition().zone ||
               distance(stone, m_player->getPosition()) > 300.0f;
    }

    // The farthest cell of the route within a click's reach (on screen)
    // that the player sees over free ground.
    size_t farthestInSight() const
    {
        const ZonePosition& here = m_player->getPosition();
        size_t best = 0;
        for (size_t i = 1; i < m_route.size(); ++i) {
            const ZonePosition& to = m_route[i];
            const float length = distance(here, to);
            if (length > 384.0f) {
                continue;
            }
            bool clear = true;
            for (float t = 16.0f; clear && t < length; t += 16.0f) {
                clear = walkable(ZonePosition(here.zone, here.x + (to.x - here.x) * t / length,
                                              here.y + (to.y - here.y) * t / length));
            }
            if (clear) {
                best = i;
            }
        }
        return best > 0 ? best : std::min<size_t>(m_route.size() - 1, 12);
    }

    // The level the player's quests call it to: a done quest's giver, else
    // the target of one it holds; -1 for none.
    int journeyGoal() const
    {
        // Raided, it goes home to defend its stone.
        if (raidedNow()) {
            return m_player->getCovenant()->housePosition.zone;
        }
        if (m_warStage == 5) {
            if (const Gate* gate = raidHomeGate()) {
                return gate->getPosition().zone;
            }
        }
        // Pushing, it makes for the level it chose.
        if (pushing() && m_pushGoal >= 0) {
            return m_pushGoal;
        }
        // A covenant that raided it lately will be back: it keeps to its
        // town, from where it reaches its stone while a raid lasts.
        if (raidsExpected()) {
            return m_player->getCovenant()->housePosition.zone;
        }
        // Of the quests to do, the one with the weakest monsters; one too
        // strong for the player waits until it has gained levels elsewhere.
        int goal = -1;
        int goalMonsters = 0;
        m_pursued = -1;
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            Quest* quest = m_player->getQuest(slot);
            if (!quest || !quest->isInUse() || m_unsolvable.contains(quest->id)) {
                continue;
            }
            if (quest->isComplete()) {
                // A giver turned to stone takes nothing until it is cured,
                // which may be a quest of its own to go after meanwhile.
                const Entity* giver = Game::get().getEntity(solverOf(*quest));
                const auto* talker = dynamic_cast<const Actor*>(giver);
                if (giver && (!talker || canTalk(*talker))) {
                    m_pursued = -1;
                    return giver->getPosition().zone;
                }
            } else if (quest->getTargetLevel() >= 0 && !setAside(quest->id) && !preyGone(*quest) &&
                       (goal < 0 || targetMonsterLevel(*quest) < goalMonsters)) {
                goal = preyLevel(*quest);
                goalMonsters = targetMonsterLevel(*quest);
                m_pursued = quest->id;
            }
        }
        if (goal > 0 && goalMonsters > ownLevel() + kReach) {
            const int training = trainingLevel();
            goal = training >= 0 ? training : goal;
        }
        // With no quest to go after it gains levels where foes stand, and
        // goes home now and then for new quests; holding few, it also goes
        // home now and then for more, as a player keeps a few in hand.
        const bool idle = goal < 0;
        const bool fewQuests = m_player->countQuests() < kQuestsInHand;
        const bool errandsDue =
            m_frame >= m_nextErrands + (idle ? kIdleErrandsEvery : kFewQuestsErrandsEvery) &&
            (idle || fewQuests);
        if (idle && !errandsDue) {
            goal = trainingLevel();
        }
        // Under threat of a raid it goes only where it is quickly home from;
        // a threat that brings no raid holds it only every other ten
        // minutes, or a raid that never comes would keep it home for good.
        if (raidThreatened() && (m_frame - m_threatSince) / kThreatHeld % 2 == 0) {
            const int here = m_player->getPosition().zone;
            if (goal >= 0 && !nearHome(goal)) {
                return nearHome(here) ? -1 : m_player->getCovenant()->housePosition.zone;
            }
            if (goal < 0 && !nearHome(here)) {
                return m_player->getCovenant()->housePosition.zone;
            }
        }
        if (errandsDue) {
            return 0;
        }
        return goal;
    }

    static constexpr int kSideDx[] = {0, 1, 0, -1};
    static constexpr int kSideDy[] = {-1, 0, 1, 0};

    // The player's level flooded over free cells from where it stands: the
    // way back from each cell reached, and per side (0 north, 1 east, 2
    // south, 3 west) the nearest edge cell with free ground across.
    struct LevelFlood {
        int zone = -1;
        std::vector<int> previous = std::vector<int>(128 * 128, -2);
        std::array<int, 4> edge{-1, -1, -1, -1};

        // A point whose cell, or a cell beside it, was reached.
        bool reaches(const ZonePosition& p) const
        {
            const int cx = static_cast<int>(p.x / 32.0f);
            const int cy = static_cast<int>(p.y / 32.0f);
            for (int y = cy - 1; p.zone == zone && y <= cy + 1; ++y) {
                for (int x = cx - 1; x <= cx + 1; ++x) {
                    if (x >= 0 && x < 128 && y >= 0 && y < 128 &&
                        previous[static_cast<size_t>(y * 128 + x)] != -2) {
                        return true;
                    }
                }
            }
            return false;
        }
        // The cell centres from the start to the side's edge cell, then a
        // point across the edge.
        std::vector<ZonePosition> routeToSide(int side) const
        {
            std::vector<ZonePosition> route;
            for (int cell = edge[static_cast<size_t>(side)]; cell >= 0;
                 cell = previous[static_cast<size_t>(cell)]) {
                route.push_back(ZonePosition(zone, static_cast<float>(cell % 128) * 32.0f + 16.0f,
                                             static_cast<float>(cell / 128) * 32.0f + 16.0f));
            }
            std::reverse(route.begin(), route.end());
            if (!route.empty()) {
                const ZonePosition last = route.back();
                route.push_back(ZonePosition(zone, last.x + static_cast<float>(kSideDx[side]) * 48.0f,
                                             last.y + static_cast<float>(kSideDy[side]) * 48.0f));
            }
            return route;
        }
    };

    static LevelFlood floodLevel(const ZonePosition& from)
    {
        LevelFlood flood;
        flood.zone = from.zone;
        const int sx = static_cast<int>(from.x / 32.0f);
        const int sy = static_cast<int>(from.y / 32.0f);
        if (sx < 0 || sx >= 128 || sy < 0 || sy >= 128) {
            return flood;
        }
        std::vector<int> queue{sy * 128 + sx};
        flood.previous[static_cast<size_t>(queue.front())] = -1;
        for (size_t head = 0; head < queue.size(); ++head) {
            const int cell = queue[head];
            for (int d = 0; d < 4; ++d) {
                const int nx = cell % 128 + kSideDx[d];
                const int ny = cell / 128 + kSideDy[d];
                const ZonePosition centre(from.zone, static_cast<float>(nx) * 32.0f + 16.0f,
                                          static_cast<float>(ny) * 32.0f + 16.0f);
                if (nx < 0 || nx >= 128 || ny < 0 || ny >= 128) {
                    ZonePosition beyond = centre;
                    beyond.normalize();
                    // A level not built yet is taken as open across the edge.
                    if (flood.edge[static_cast<size_t>(d)] < 0 && beyond.zone >= 0 &&
                        beyond.zone != from.zone &&
                        (!World::get().isLevelLoaded(beyond.zone) || walkable(beyond))) {
                        flood.edge[static_cast<size_t>(d)] = cell;
                    }
                    continue;
                }
                const int next = ny * 128 + nx;
                if (flood.previous[static_cast<size_t>(next)] != -2 || !walkable(centre)) {
                    continue;
                }
                flood.previous[static_cast<size_t>(next)] = cell;
                queue.push_back(next);
            }
        }
        return flood;
    }

    // The gates between levels (a level's connection to the one below or
    // above it), by the level they stand on.
    static std::multimap<int, const Gate*> connectionGates()
    {
        std::multimap<int, const Gate*> gates;
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
            const Entity* far = gate ? gate->getLinked() : nullptr;
            if (gate && gate->getKind() == Gate::kConnection && far &&
                far->getPosition().zone != gate->getPosition().zone) {
                gates.emplace(gate->getPosition().zone, gate);
            }
        }
        return gates;
    }

    // The first step on the shortest way from the player's level to another:
    // a side to walk off, or a gate. On its own level only the sides and
    // gates it can walk to count; elsewhere, sides found closed before are
    // left out. Of ways as short, the one whose hardest level on the way
    // (neither end counted) has the weakest monsters: two ways round a
    // block of levels often tie, and the wrong one sent a player through a
    // nest of spiders it died in time after time.
    struct LevelStep {
        int side = -1;
        const Gate* gate = nullptr;
        int levels = -1;  // the way's length in levels
        int hardest = -1; // the monster level of the hardest level passed through
    };
    // Levels whose monsters are above the cap are not passed through (the
    // goal itself may be one); -1 for no cap.
    LevelStep stepTowards(int goal, const LevelFlood& flood, int monsterCap = -1) const
    {
        World& world = World::get();
        const std::multimap<int, const Gate*> gates = connectionGates();
        std::map<int, LevelStep> first{{flood.zone, LevelStep{-1, nullptr, 0}}};
        std::vector<int> queue{flood.zone};
        for (size_t head = 0; head < queue.size(); ++head) {
            const int level = queue[head];
            const LevelStep way = first[level];
            if (level == goal) {
                return way;
            }
            auto reach = [&](int next, LevelStep step) {
                if (next < 0 ||
                    (monsterCap >= 0 && next != goal && world.getLevelMonsterLevel(next) > monsterCap)) {
                    return;
                }
                if (level != flood.zone) {
                    step = way;
                    step.hardest = std::max(way.hardest, world.getLevelMonsterLevel(level));
                }
                step.levels = way.levels + 1;
                // Every level of one length is taken from the queue before
                // any of the next, so a level found again as near is not
                // yet passed on.
                const auto found = first.find(next);
                if (found == first.end()) {
                    first[next] = step;
                    queue.push_back(next);
                } else if (found->second.levels == step.levels && step.hardest < found->second.hardest) {
                    found->second = step;
                }
            };
            for (int side = 0; side < 4; ++side) {
                const bool open = level == flood.zone ? flood.edge[static_cast<size_t>(side)] >= 0
                                                      : !m_closedSides.contains(level * 4 + side);
                if (open) {
                    reach(world.getNeighbourLevel(level, kSideDx[side], kSideDy[side]),
                          LevelStep{side, nullptr});
                }
            }
            for (auto [at, end] = gates.equal_range(level); at != end; ++at) {
                const Gate* gate = at->second;
                if (level != flood.zone || flood.reaches(gate->getPosition())) {
                    reach(gate->getLinked()->getPosition().zone, LevelStep{-1, gate});
                }
            }
        }
        return LevelStep{};
    }

    // With no death by two thirds of the span the player pushes its luck
    // until it dies: on to the nearest level whose monsters stand above its
    // own level, with no quest, errand or loot on the way; a level it
    // outlives for a while sends it on to the next harder one.
    bool pushing() const { return m_span > 0 && m_deaths == 0 && m_frame * 3 >= m_span * 2; }

    // On its way to the push's level (see pushFoe).
    bool onThePush() const
    {
        return pushing() && m_pushGoal >= 0 && m_player->getPosition().zone != m_pushGoal;
    }

    // The push's level: chosen once as the push begins; after kStay on it,
    // the nearest level harder than it and than the player.
    void choosePushLevel()
    {
        static constexpr int kStay = 3 * kFramesPerMinute / 2;
        const int own = m_player->getStat(toIndex(CharacterStat::Level));
        if (m_pushGoal < 0 && !m_pushChosen) {
            m_pushChosen = true;
            m_pushGoal = nearestLevelAbove(own);
            m_pushArrivedAt = -1;
            trace(formatString("pushes on to level %d", m_pushGoal).c_str());
            return;
        }
        if (m_pushGoal < 0 || m_player->getPosition().zone != m_pushGoal) {
            return;
        }
        if (m_pushArrivedAt < 0) {
            m_pushArrivedAt = m_frame;
            trace("reaches the level of its push");
        } else if (m_frame - m_pushArrivedAt > kStay) {
            const int next = nearestLevelAbove(std::max(own, World::get().getLevelMonsterLevel(m_pushGoal)));
            m_pushArrivedAt = next == m_pushGoal ? m_frame : -1;
            m_pushGoal = next;
            trace(formatString("outlives its level; pushes on to level %d", m_pushGoal).c_str());
        }
    }

    // Pushing from a level whose gate it can walk to, the player goes home
    // through that gate when the way from the town is shorter by two levels
    // or more. Weighed once a level.
    bool pushHomeFirst()
    {
        const int here = m_player->getPosition().zone;
        if (!pushing() || m_pushGoal < 0 || here == 0 || here == m_pushGoal) {
            return false;
        }
        if (m_pushHomeZone != here) {
            m_pushHomeZone = here;
            m_pushHome = false;
            const Covenant* own = m_player->getCovenant();
            const LevelFlood flood = floodLevel(m_player->getPosition());
            for (int i = 0; i < Game::kMaxEntities && own; ++i) {
                const auto* gate = dynamic_cast<const Gate*>(Game::get().getEntity(i));
                if (gate && gate->getKind() == Gate::kLevelGate && gate->getPosition().zone == here &&
                    flood.reaches(gate->getPosition())) {
                    const int fromHere = stepTowards(m_pushGoal, flood).levels;
                    const int fromHome = stepTowards(m_pushGoal, floodLevel(own->housePosition)).levels;
                    m_pushHome = fromHome >= 0 && (fromHere < 0 || fromHome + 2 <= fromHere);
                    trace(formatString("level %d is %d levels away, %d from home", m_pushGoal, fromHere,
                                       fromHome)
                              .c_str());
                    break;
                }
            }
        }
        return m_pushHome;
    }

    // The nearest level (by the levels crossed on the way, the player's own
    // counting as none) whose monsters stand above the given level, the
    // harder of two as near; without any, the hardest it can reach.
    int nearestLevelAbove(int above) const
    {
        const LevelFlood flood = floodLevel(m_player->getPosition());
        World& world = World::get();
        auto better = [&](int monsters, int way, int bestMonsters, int bestWay) {
            const bool isAbove = monsters > above;
            if (isAbove != (bestMonsters > above)) {
                return isAbove;
            }
            if (isAbove && way != bestWay) {
                return way < bestWay;
            }
            return monsters > bestMonsters || (monsters == bestMonsters && way < bestWay);
        };
        int best = -1;
        int bestMonsters = -1;
        int bestWay = 0;
        for (int level = 1; level < world.getLevelCount(); ++level) {
            const int way = level == flood.zone ? 0 : stepTowards(level, flood).levels;
            const int monsters = world.getLevelMonsterLevel(level);
            if (way >= 0 && (best < 0 || better(monsters, way, bestMonsters, bestWay))) {
                best = level;
                bestMonsters = monsters;
                bestWay = way;
            }
        }
        trace(formatString("above %d: level %d has monsters of level %d, %d levels away", above, best,
                           bestMonsters, bestWay)
                  .c_str());
        return best;
    }

    // To a gate and through it: a click on it once the player stands near.
    void takeGate(const Gate& gate)
    {
        EntityClient* mirror = mirrorOf(gate.getEntityNumber());
        if (!mirror || distance(gate.getPosition(), m_player->getPosition()) > 200.0f) {
            walkTo(gate.getPosition());
            return;
        }
        if (m_mirror->getTarget(false) != mirror || m_mirror->action == PlayerClient::kActionNone) {
            m_mirror->selectEntity(mirror);
            m_usedGateAt = m_frame;
            trace("takes a gate to another level");
        }
    }

    // Every two game minutes the player walks off its level into a
    // neighbouring one, by clicks on the ground along a route to the edge;
    // between journeys it walks to free points of its level.
    void wander()
    {
        const ZonePosition& here = m_player->getPosition();
        if (here.zone != m_zone) {
            m_cameFrom = m_zone;
            m_zone = here.zone;
            m_gateTries = 0;
        }
        if (!m_route.empty() && m_route.front().zone != here.zone) {
            m_route.clear(); // across the edge
            m_nextJourney = m_frame + 2 * kFramesPerMinute;
        }
        const int goal = journeyGoal();
        if (goal >= 0 && goal != here.zone && m_route.empty() && m_frame >= m_detourUntil) {
            // Over level edges and connection gates; a side it cannot walk
            // to from where it entered is noted as closed.
            const LevelFlood flood = floodLevel(here);
            for (int side = 0; side < 4; ++side) {
                if (flood.edge[static_cast<size_t>(side)] < 0 &&
                    World::get().getNeighbourLevel(here.zone, kSideDx[side], kSideDy[side]) >= 0) {
                    m_closedSides.insert(here.zone * 4 + side);
                }
            }
            // Around levels too strong for it, when there is a way; not
            // when it pushes its luck.
            LevelStep step = pushing() ? LevelStep{} : stepTowards(goal, flood, ownLevel() + kReach);
            if (!step.gate && step.side < 0) {
                step = stepTowards(goal, flood);
            }
            if (step.gate) {
                takeGate(*step.gate);
                return;
            }
            if (step.side >= 0) {
                m_route = flood.routeToSide(step.side);
                m_journeyGoal = goal;
                m_routeLeft = m_route.size();
                m_routeProgressAt = m_frame;
                m_nextJourney = m_frame + 2 * kFramesPerMinute;
                m_routeUntil = m_frame + 2 * kFramesPerMinute;
                trace(formatString("sets off for level %d, %zu cells", goal, m_route.size()).c_str());
            }
        }
        if (m_route.empty() && m_frame >= m_detourUntil && m_frame >= m_nextJourney && goal != here.zone) {
            m_route = routeToLevelEdge(here, m_bot.below(4));
            m_routeLeft = m_route.size();
            m_routeProgressAt = m_frame;
            m_nextJourney = m_frame + 2 * kFramesPerMinute;
            m_routeUntil = m_frame + kFramesPerMinute;
            trace(formatString("sets off for the edge, %zu cells", m_route.size()).c_str());
        }
        followRoute();
    }

    // Clicks on the ground along the route; without one, walks to free
    // points of the level.
    void followRoute()
    {
        const ZonePosition& here = m_player->getPosition();
        if (!m_route.empty() && m_route.size() < m_routeLeft) {
            m_routeLeft = m_route.size();
            m_routeProgressAt = m_frame;
        }
        if (!m_route.empty() && (m_frame > m_routeUntil || m_frame - m_routeProgressAt > 200)) {
            // Stuck where the route's cells are too narrow for the player:
            // a walk elsewhere first, then a route from there.
            trace("leaves its route");
            m_route.clear();
            m_detourUntil = m_frame + 300;
        }
        if (!m_route.empty()) {
            // The walk may cut corners: the route goes on from the cell
            // nearest to the player.
            size_t nearestCell = 0;
            for (size_t i = 1; i < m_route.size(); ++i) {
                if (distance(m_route[i], here) < distance(m_route[nearestCell], here)) {
                    nearestCell = i;
                }
            }
            if (distance(m_route[nearestCell], here) < 48.0f) {
                m_route.erase(m_route.begin(), m_route.begin() + static_cast<long>(nearestCell) + 1);
            }
            if (!m_route.empty() && (!m_mirror->hasDestination() || m_frame >= m_wanderUntil)) {
                // A click some cells ahead on the route, nearer when the
                // last one found no path.
                const size_t ahead = homewardToRaid()
                                         ? farthestInSight()
                                         : std::min<size_t>(m_route.size() - 1, m_misses % 2 == 0 ? 12 : 3);
                ZonePosition to = m_route[ahead];
                to.normalize();
                m_misses += m_frame < m_wanderUntil ? 1 : 0;
                trace(formatString("clicks %.0f %.0f (zone %d)", static_cast<double>(to.x),
                                   static_cast<double>(to.y), to.zone)
                          .c_str());
                m_mirror->setDestination(to, true);
                groundClick();
                m_wanderUntil = m_frame + 60;
            }
            return;
        }
        if (m_mirror->hasDestination() && m_frame < m_wanderUntil) {
            return;
        }
        for (int tries = 0; tries < 64; ++tries) {
            ZonePosition p(here.zone, static_cast<float>(m_bot.below(128)) * 32.0f + 16.0f,
                           static_cast<float>(m_bot.below(128)) * 32.0f + 16.0f);
            if (walkable(p)) {
                m_mirror->setDestination(p, true);
                groundClick();
                m_wanderUntil = m_frame + 400;
                return;
            }
        }
    }

    // What the server did with the player's asks.
    void count(Figures& figures)
    {
        Game& game = Game::get();
        const bool alive = m_player->isAlive();
        if (m_wasAlive && !alive) {
            ++figures.deaths;
            ++m_deaths;
            trace("dies");
            // Two deaths on the way to one quest: it is set aside for a
            // while, for others.
            if (m_pursued >= 0 && ++m_questDeaths[m_pursued] >= 2) {
                m_setAside[m_pursued] = m_frame + 20 * kFramesPerMinute;
                m_questDeaths.erase(m_pursued);
                trace(formatString("sets quest %d aside after its deaths on the way", m_pursued).c_str());
            }
            if (std::getenv("GLOAM_SELFPLAY_TRACE")) {
                // The fight as it stood: the player's stats and gear, and the
                // foes about it with theirs.
                auto stats = [](const Sentient& a) {
                    auto st = [&](CharacterStat s) { return a.getStat(toIndex(s)); };
                    return formatString(
                        "health %d/%d, damage %d-%d per %d ms, attack %d, defense %d, armor %d, "
                        "resist %d %d %d %d %d %d",
                        a.getHealth(), st(CharacterStat::MaxHealth), st(CharacterStat::MinDamage),
                        st(CharacterStat::MaxDamage), st(CharacterStat::AttackSpeed),
                        st(CharacterStat::Attack), st(CharacterStat::Defense), st(CharacterStat::Armor),
                        st(CharacterStat::ResistancePhysical), st(CharacterStat::ResistanceFire),
                        st(CharacterStat::ResistanceCold), st(CharacterStat::ResistancePoison),
                        st(CharacterStat::ResistanceLightning), st(CharacterStat::ResistanceMagic));
                };
                trace(("  itself: " + stats(*m_player)).c_str());
                std::string worn = "  wears:";
                InventoryBase* inventory = m_player->getInventory();
                const InventoryGroup* equipment = inventory ? inventory->getOwnGroup(kEquipment) : nullptr;
                for (int slot = 0; equipment && slot < equipment->getSize(); ++slot) {
                    if (const ItemBase* item = inventory->getItemAt(kEquipment, slot)) {
                        worn += formatString(" %s (%d)", item->getName().c_str(), item->getPrice(1));
                    }
                }
                trace(formatString("%s; money %d", worn.c_str(), money()).c_str());
                for (int i = 0; i < Game::kMaxEntities; ++i) {
                    auto* actor = dynamic_cast<Actor*>(game.getEntity(i));
                    if (actor && actor->isAlive() && m_player->isEnemyOf(actor) &&
                        actor->getPosition().zone == m_player->getPosition().zone &&
                        distance(actor->getPosition(), m_player->getPosition()) < 300.0f) {
                        const MonsterType* type = actor->getMonsterType();
                        trace(formatString(
                                  "  near: %s of level %d (covenant %d, %s, rarity %d)",
                                  actor->getName().c_str(), actor->getStat(toIndex(CharacterStat::Level)),
                                  actor->getCovenantIndex(),
                                  type && type->getEntry() ? type->getEntry()->getName().c_str() : "-",
                                  actor->getEnhancementRarity())
                                  .c_str());
                        trace(("    " + stats(*actor)).c_str());
                    }
                }
            }
        }
        m_wasAlive = alive;
        if (m_equipAsked && m_frame - m_equipAt >= 2) {
            InventoryBase* inventory = m_player->getInventory();
            if (inventory && inventory->getItemAt(kEquipment, m_equipPlace) == m_equipAsked) {
                ++figures.equipped;
            }
            m_equipAsked = nullptr;
        }
        // Quest numbers come round again: what was known of a quest the
        // player no longer holds is forgotten.
        if (m_frame % 200 == 0) {
            std::erase_if(m_unsolvable, [&](int id) { return !m_player->hasQuest(id); });
            std::erase_if(m_setAside, [&](const auto& aside) { return !m_player->hasQuest(aside.first); });
            std::erase_if(m_preyLevels, [&](const auto& prey) { return !m_player->hasQuest(prey.first); });
            std::erase_if(m_preyGone, [&](const auto& prey) { return !m_player->hasQuest(prey.first); });
            std::erase_if(m_questDeaths,
                          [&](const auto& deaths) { return !m_player->hasQuest(deaths.first); });
            std::erase_if(m_givers, [&](const auto& known) { return !m_player->hasQuest(known.first); });
        }
        if (m_questAskedAt >= 0 && m_frame - m_questAskedAt >= 2) {
            figures.questsAccepted += m_player->countQuests() > m_questsBefore ? 1 : 0;
            m_questAskedAt = -1;
            for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
                const Quest* quest = m_player->getQuest(slot);
                if (quest && quest->isInUse() && !m_givers.contains(quest->id)) {
                    trace(formatString("holds quest %d of type %d, target level %d, goal %d", quest->id,
                                       quest->type, quest->targetLevel, quest->goal)
                              .c_str());
                    m_givers[quest->id] = m_askedGiver;
                }
            }
        }
        if (m_recruitAskedAt >= 0 && m_frame - m_recruitAskedAt >= 20) {
            const Covenant* own = m_player->getCovenant();
            figures.recruits += own && own->getRecruitCount() > m_recruitsBefore ? 1 : 0;
            m_recruitAskedAt = -1;
            groundClick();
        }
        if (m_solveAsked >= 0 && m_frame - m_solveAskedAt >= 20) {
            if (!m_player->hasQuest(m_solveAsked)) {
                ++figures.questsSolved;
                figures.questsBeyondTutorial += m_solveAskedTutorial ? 0 : 1;
                m_progressAt = m_frame;
                const std::array<int, 4> now = holdings();
                bool rewarded = false;
                for (size_t i = 0; i < now.size(); ++i) {
                    rewarded = rewarded || now[i] > m_rewardBefore[i];
                }
                figures.questsRewarded += rewarded ? 1 : 0;
            } else {
                m_unsolvable.insert(m_solveAsked);
            }
            m_solveAsked = -1;
            groundClick();
        }
        if (m_loot >= 0 && !game.getEntity(m_loot)) {
            ++figures.looted;
            m_loot = -1;
        }
        if (m_chest >= 0) {
            const auto* chest = dynamic_cast<const Chest*>(game.getEntity(m_chest));
            if (!chest || !chest->isClosed()) {
                ++figures.chestsOpened;
                trace("opened a chest");
                m_chest = -1;
            }
        }
        if (m_foe >= 0) {
            auto* foe = dynamic_cast<Actor*>(game.getEntity(m_foe));
            if (!foe || !foe->isAlive()) {
                ++figures.kills;
                m_foe = -1;
            }
        }
        // A warp soon after the player used a gate is a gate travel.
        const bool warping = m_player->isWarpPending();
        if (warping && !m_wasWarping && alive && m_frame - m_usedGateAt < 200) {
            ++figures.gateTravels;
            trace("travels by a gate");
        }
        m_wasWarping = warping;
        const PlayerCovenantClient* offers = Client::get().getPlayerCovenant();
        const int pending = offers ? offers->findPendingOffer() : -1;
        if (pending >= 0 && pending != m_pendingOffer) {
            trace(formatString("is offered a deal by covenant %d", pending).c_str());
        }
        m_pendingOffer = pending;
        m_levels.insert(m_player->getPosition().zone);
        figures.peakEntities = std::max(figures.peakEntities, game.getEntityCount());
        const Covenant* own = m_player->getCovenant();
        if (own && own->getLifestoneMaxHealth() > 0) {
            const float stone = static_cast<float>(own->getLifestoneHealth()) /
                                static_cast<float>(own->getLifestoneMaxHealth());
            figures.lowestStone = figures.lowestStone < 0.0f ? stone : std::min(figures.lowestStone, stone);
        }
        if (own && raidThreatened() != m_threatened) {
            m_threatened = !m_threatened;
            m_threatSince = m_frame;
            trace(m_threatened ? "keeps within reach of its stone: a raid may come" : "no raid threatens");
            // A journey begun before the threat to a level it no longer
            // goes to is planned again: walked to its end it took the
            // player on, away from home.
            if (m_threatened && !m_route.empty() && m_route.back().zone != m_player->getPosition().zone &&
                journeyGoal() != m_journeyGoal) {
                m_route.clear();
            }
        }
        const auto* mine = dynamic_cast<const PlayerCovenant*>(own);
        const bool declared = mine && mine->isRaidAnnounced();
        if (declared && !m_raidDeclared) {
            ++figures.raidsByPlayer;
            m_ownRaidDeclaredAt = m_frame;
            trace("declares its raid");
        }
        m_raidDeclared = declared;
        checkOwnRaidEnded();
        checkProgress();
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
                const double seconds = static_cast<double>(m_frame - m_raidBegan[i]) / 20.0;
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
                m_raidEnded[i] = m_frame;
            }
            if (raiding && !m_raiding[static_cast<size_t>(i)]) {
                watch = RaidWatch();
                if (onMe) {
                    m_raidOnMe.insert(i);
                    m_raidBegan[i] = m_frame;
                    m_threatSince = m_frame;
                    if (std::getenv("GLOAM_SELFPLAY_TRACE")) {
                        const LevelFlood flood = floodLevel(m_player->getPosition());
                        const Gate* gate = levelGateHere();
                        trace(formatString(
                                  "is raided by covenant %d (its stone %.2f, %s), %d levels from home; its "
                                  "level's gate %s, %.0f away; %s scroll of return",
                                  i, static_cast<double>(covenant->lifestoneFraction()),
                                  covenant->isBeingRaided(own) ? "raided" : "not raided",
                                  stepTowards(own->housePosition.zone, flood).levels,
                                  !gate                                  ? "none"
                                  : m_mirror->isCurrentLevelGateActive() ? "awake"
                                                                         : "asleep",
                                  gate ? static_cast<double>(
                                             distance(gate->getPosition(), m_player->getPosition()))
                                       : 0.0,
                                  carriedScroll().first >= 0 ? "a" : "no")
                                  .c_str());
                    }
                    m_gateTries = 0; // its level's gate is tried afresh for the way home
                    m_route.clear(); // the way it was on leads elsewhere
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
            if (onMe && m_player->isAlive()) {
                const ZonePosition& at = m_player->getPosition();
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

    // The client's mirrors agree with the server: the player's position
    // (within a frame's walk), health, money, inventory, quest slots and the
    // covenants' relations.
    void checkMirrors()
    {
        const ZonePosition& there = m_player->getPosition();
        const ZonePosition& here = m_mirror->getPosition();
        if (!m_player->isWarpPending()) {
            if (here.zone != there.zone ||
                distance(here, there) > m_mirror->getMovement() * 0.05f * 2.0f + 1.0f) {
                fault() << "the mirror stands at " << here.zone << " " << here.x << " " << here.y
                        << ", the server's player at " << there.zone << " " << there.x << " " << there.y;
            }
        }
        // The player's health reaches the client on its entity's mirror.
        const EntityClient* body = mirrorOf(m_player->getEntityNumber());
        if ((body ? body->getHealth() : -1) != m_player->getHealth()) {
            fault() << "the mirror's health is " << (body ? body->getHealth() : -1) << ", the server's "
                    << m_player->getHealth();
        }
        if (m_mirror->getStat(kMoney) != m_player->getStat(kMoney)) {
            fault() << "the mirror's money is " << m_mirror->getStat(kMoney) << ", the server's "
                    << m_player->getStat(kMoney);
        }
        InventoryBase* inventory = m_player->getInventory();
        for (int group = kMain; inventory && group <= kBag4; ++group) {
            const InventoryGroup* items = inventory->getOwnGroup(group);
            for (int slot = 0; items && slot < items->getSize(); ++slot) {
                const ItemBase* real = inventory->getItemAt(group, slot);
                const ItemBase* seen = m_mirror->getItem(group, slot);
                if ((seen ? seen->getItemEntry() : nullptr) != (real ? real->getItemEntry() : nullptr)) {
                    fault() << "inventory group " << group << " place " << slot << " differs in the mirror";
                }
            }
        }
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            const Quest* quest = m_player->getQuest(slot);
            const int id = quest && quest->isInUse() ? quest->id : -1;
            const int seen = m_mirror->isQuestSlotActive(slot) ? m_mirror->getQuestSlotId(slot) : -1;
            if (seen != id) {
                fault() << "quest slot " << slot << " holds " << seen << " in the mirror, " << id
                        << " on the server";
            }
        }
        Game& game = Game::get();
        GameClient& client = GameClient::get();
        for (int i = 0; i < game.getCovenantCount(); ++i) {
            const Covenant* real = game.getCovenant(i);
            const CovenantBase* seen =
                real == m_player->getCovenant()
                    ? static_cast<const CovenantBase*>(Client::get().getPlayerCovenant())
                    : client.getCovenant(i);
            if (!real || !seen) {
                fault() << "covenant " << i << " has no mirror";
                continue;
            }
            for (int j = 0; j < game.getCovenantCount(); ++j) {
                if (j != i) {
                    if (seen->getRelationState(j) != real->getRelationState(j)) {
                        fault() << "the relation of covenant " << i << " to " << j
                                << " differs in the mirror";
                    }
                }
            }
        }
    }

    // Every covenant member points back to its covenant, no sentient stands
    // and no item or chest lies on a blocked cell, and no living monster is
    // off every level.
    void checkWorld()
    {
        Game& game = Game::get();
        World& world = World::get();
        if (game.getEntityCount() > Game::kMaxEntities * 9 / 10) {
            fault() << game.getEntityCount() << " entities, above 90 % of the table";
        }
        for (int i = 0; i < game.getCovenantCount(); ++i) {
            const Covenant* covenant = game.getCovenant(i);
            if (!covenant) {
                fault() << "covenant " << i << " is missing";
                return;
            }
            checkMembersPointBack(*covenant);
            // Two covenants see one relation between them.
            for (int j = 0; j < game.getCovenantCount(); ++j) {
                const Covenant* other = game.getCovenant(j);
                if (j != i && other && covenant->getRelationState(j) != other->getRelationState(i)) {
                    fault() << "covenants " << i << " and " << j << " see their relation otherwise";
                }
            }
        }
        // Every quest in use names a level of the world and its definition;
        // the player's slots hold quests of the table.
        for (int i = 0; i < game.getQuestTableSize(); ++i) {
            const Quest* quest = game.getQuest(i);
            if (quest && quest->isInUse() &&
                (quest->level >= world.getLevelCount() || !quest->definition || quest->progress < 0)) {
                fault() << "quest " << i << " has level " << quest->level << ", progress " << quest->progress
                        << (quest->definition ? "" : " and no definition");
            }
        }
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            const Quest* quest = m_player->getQuest(slot);
            if (quest && quest->isInUse() && (quest->id < 0 || quest->id >= game.getQuestTableSize())) {
                fault() << "the player's quest slot " << slot << " holds quest " << quest->id;
            }
        }
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            Entity* entity = game.getEntity(i);
            if (!entity) {
                continue;
            }
            checkListedByItsCovenant(*entity);
            const ZonePosition& p = entity->getPosition();
            auto* sentient = dynamic_cast<Sentient*>(entity);
            // Such a monster can neither be met nor killed.
            const auto* monster = dynamic_cast<const Actor*>(entity);
            if (p.zone < 0 && monster && monster->isAlive() && !entity->getParent() &&
                entity->getCovenantIndex() < 0) {
                fault() << "entity " << i << " " << monster->getName() << " is alive off every level at "
                        << p.x << " " << p.y;
            }
            if (p.zone < 0 || !world.isLevelLoaded(p.zone) || entity->getParent()) {
                continue;
            }
            const bool lying =
                dynamic_cast<ItemGround*>(entity) != nullptr || dynamic_cast<Chest*>(entity) != nullptr;
            if ((sentient && sentient->isAlive()) || lying) {
                if (!walkable(p)) {
                    const auto* actor = dynamic_cast<const Actor*>(entity);
                    fault() << "entity " << i << (lying ? " (an item or chest)" : "") << " "
                            << (actor ? actor->getName() : std::string()) << " (covenant "
                            << entity->getCovenantIndex() << ", npc type "
                            << (actor ? actor->getNpcType() : -1) << ") is on a blocked cell at " << p.zone
                            << " " << p.x << " " << p.y;
                }
            }
        }
    }

    static std::string describe(const Entity& entity)
    {
        const auto* sentient = dynamic_cast<const Sentient*>(&entity);
        const auto* actor = dynamic_cast<const Actor*>(&entity);
        const auto* player = dynamic_cast<const Player*>(&entity);
        const std::string name = actor ? actor->getName() : player ? player->getName() : "an object";
        return formatString("entity %d, %s%s", entity.getEntityNumber(), name.c_str(),
                            sentient && !sentient->isAlive() ? ", dead" : "");
    }

    // Each member a covenant lists (its leader, its recruits' bodies and
    // records, the extra member), its life stone and its guards name that
    // covenant.
    void checkMembersPointBack(const Covenant& covenant)
    {
        const int i = covenant.index;
        auto pointsBack = [&](const Entity* member, const std::string& what) {
            if (member && member->getCovenantIndex() != i) {
                fault() << what << " of covenant " << i << " (" << describe(*member)
                        << ") points to covenant " << member->getCovenantIndex();
            }
        };
        pointsBack(covenant.getLeader(), "the leader");
        pointsBack(covenant.getExtraMember(), "the extra member");
        for (int slot = 0; slot < covenant.getRecruitSlotCount(); ++slot) {
            const Recruit* recruit = covenant.getRecruit(slot);
            if (!recruit) {
                continue;
            }
            if (recruit->covenantIndex != i) {
                fault() << "the record of recruit " << slot << " of covenant " << i << " names covenant "
                        << recruit->covenantIndex;
            }
            pointsBack(recruit->getActor(), formatString("recruit %d", slot));
        }
        pointsBack(covenant.getLifestone(), "the life stone");
        for (int slot = 0; slot < Covenant::kGuardSlots; ++slot) {
            pointsBack(covenant.getGuard(slot), formatString("guard %d", slot));
        }
    }

    // What names a covenant is one it has: a character naming one is among
    // its members or guards.
    void checkListedByItsCovenant(const Entity& entity)
    {
        const int index = entity.getCovenantIndex();
        if (index < 0) {
            return;
        }
        const Covenant* covenant = Game::get().getCovenant(index);
        if (!covenant || covenant->index != index) {
            fault() << describe(entity) << " names covenant " << index << ", which the game does not have";
            return;
        }
        bool guard = false;
        for (int slot = 0; slot < Covenant::kGuardSlots; ++slot) {
            guard = guard || covenant->getGuard(slot) == &entity;
        }
        if (dynamic_cast<const Sentient*>(&entity) && !covenant->isMember(&entity) && !guard) {
            fault() << describe(entity) << " names covenant " << index << ", which does not list it";
        }
    }

    // A fault's words, reported when the line ends.
    class FaultLine {
    public:
        explicit FaultLine(SelfPlayer& player) : m_player(player) {}
        FaultLine(const FaultLine&) = delete;
        FaultLine& operator=(const FaultLine&) = delete;
        ~FaultLine() { m_player.report(m_text.str()); }
        template <class T> FaultLine& operator<<(const T& value)
        {
            m_text << value;
            return *this;
        }

    private:
        SelfPlayer& m_player;
        std::ostringstream m_text;
    };

    FaultLine fault() { return FaultLine(*this); }
    void report(const std::string& text)
    {
        if (m_holdFaults) {
            m_heldFaults.push_back(text);
            return;
        }
        ++m_faults;
        if (m_sink) {
            m_sink(m_context + text);
        } else {
            std::fprintf(stderr, "self-play fault: %s%s\n", m_context.c_str(), text.c_str());
        }
    }

    PlayedGame& m_program;
    BotRandom m_bot;
    FaultSink m_sink;
    int m_faults = 0;
    std::string m_context;
    bool m_holdFaults = false;
    bool m_mirrorsAgain = false;
    std::vector<std::string> m_heldFaults;
    Player* m_player = nullptr;
    PlayerClient* m_mirror = nullptr;
    int m_frame = 0;
    const char* m_branch = ""; // the plan's last choice, for the trace
    int m_deadFrames = 0;
    int m_span = 0;
    int m_deaths = 0;
    bool m_wasAlive = true;
    int m_foe = -1;
    // A fight judged by the frames spent on its foe since its health last
    // fell; one not looked at for a minute starts afresh.
    struct FoeFight {
        int frames = 0;
        int health = 0;
        int seenAt = -kFramesPerMinute - 1;
    };
    std::map<int, FoeFight> m_foeFights;
    ZonePosition m_stillAt; // where the player has stood since
    int m_stillSince = 0;   // this frame
    int m_door = -1;        // the door it opens
    int m_doorSince = 0;
    std::map<int, int> m_triedDoors;  // door: left alone until which frame
    std::map<int, int> m_ignoredFoes; // entity: until which frame
    std::map<int, int> m_ignoredLoot; // entity: until which frame
    int m_loot = -1;
    int m_lootSince = 0;
    std::map<int, int> m_ignoredChests; // entity: until which frame
    int m_chest = -1;
    int m_chestFrames = 0; // spent on it
    int m_chestSeenAt = -100;
    bool m_planErrands = true;
    std::vector<int> m_errands;
    size_t m_errandGivers = 0;   // the errands at the front that are for quests
    std::map<int, int> m_givers; // quest id: the NPC it was taken from
    std::set<int> m_unsolvable;
    int m_askedGiver = -1;
    int m_solvingId = -1;
    int m_solveUntil = 0;
    int m_solveRestAt = 0;
    int m_recruit = -1;
    int m_recruitUntil = 0;
    std::set<int> m_recruitTried;
    int m_recruitsBefore = 0;
    int m_recruitAskedAt = -1;
    int m_solveAsked = -1;
    int m_solveAskedAt = 0;
    bool m_solveAskedTutorial = false;
    bool m_held = false;
    static constexpr int kStallMinutes = 30;
    static constexpr size_t kTraceTail = 60;
    mutable std::deque<std::string> m_traceTail;
    int m_progressAt = 0;
    int m_progressLevel = 0;
    int m_progressGates = 0;
    std::array<int, 4> m_rewardBefore{};
    int m_errandUntil = 0;
    int m_tradeStage = 0;
    int m_guardStage = 0; // 1 buying a contract, 2 laying it in the house
    int m_guardVendor = -1;
    int m_guardTries = 0;
    int m_guardUntil = 0;
    int m_guardLaid = -1;
    int m_nextGuardLook = 0;
    int m_tradeTries = 0;
    bool m_buyAfterSale = false;
    int m_buysHere = 0;               // purchases at this vendor
    int m_salesHere = 0;              // sales after the first there
    std::set<int> m_placesBoughtHere; // the places worn that they are for
    std::set<int> m_vendorsSeen;      // vendors whose goods it has been to see
    int m_questStage = 0;
    int m_acceptsHere = 0;
    int m_fundsBefore = -1;
    int m_questsBefore = 0;
    int m_questAskedAt = -1;
    int m_nextOfferLook = 0;
    int m_offersAnswered = 0;
    int m_pendingOffer = -1;
    bool m_relationsOpened = false;
    static constexpr int kWarDone = 6;
    int m_warFrame = 5 * kFramesPerMinute;
    int m_warStage = 0;
    int m_raidTarget = -1;
    int m_raidGateSince = 0;
    int m_usedGateAt = -1000;
    bool m_wasWarping = false;
    bool m_raidDeclared = false;
    int m_ownRaidDeclaredAt = -1;
    int m_stopRaidAt = -1; // the frame it gave "stopRaid"
    int m_stopRaidTarget = -1;
    size_t m_stopRaidLogFrom = 0; // the message log's length then
    bool m_ownRaidEnded = false;
    bool m_threatened = false; // a raid may come (for the trace)
    int m_threatSince = 0;     // the frame the threat began, or the last raid on it
    static constexpr int kThreatHeld = 10 * kFramesPerMinute;
    int m_gateOutSince = -1; // the frame it set off for its house's gate
    int m_gateOutAfter = 0;  // the house's gate is weighed again from this frame
    int m_gateOutIndex = -1; // the place in the gate list it makes for
    int m_nextErrands = 0;
    int m_gateTries = 0;
    int m_wanderUntil = 0;
    std::vector<ZonePosition> m_route;
    int m_journeyGoal = -1; // the level the last journey over a level's side was planned for
    int m_nextJourney = 600;
    int m_routeUntil = 0;
    int m_misses = 0;
    size_t m_routeLeft = 0;
    int m_routeProgressAt = 0;
    int m_detourUntil = 0;
    int m_zone = 0;
    ZonePosition m_walkGoal{-1, 0.0f, 0.0f};
    int m_cameFrom = -1;
    int m_pushGoal = -1;
    static constexpr int kReach = 1; // monster levels above its own a quest may send it to
    mutable int m_training = -1;
    mutable int m_trainingUntil = 0;
    mutable int m_trainingFor = 0;
    int m_prey = -1;
    int m_preyUntil = 0;
    int m_pointsSpent = 0;
    int m_nextPointAt = 0;
    bool m_characterOpened = false;
    int m_nextDrinkAt = 0;
    int m_scrollReadAt = -1000;
    int m_scrollZone = -1; // the level where the scroll was last read
    int m_lastPreyAt = 0;
    int m_huntZone = -1;
    int m_arrivedZone = -1; // the level it stands on, and since when
    int m_arrivedAt = 0;
    int m_rescuing = -1;
    int m_rescueSince = 0;      // when it began on the captive
    std::set<int> m_gatesWoken; // levels whose gate is awake or was not reached
    int m_wakeZone = -1;
    int m_wakeUntil = 0;
    std::map<int, int> m_setAside;                           // quest id: until which frame
    mutable int m_pursued = -1;                              // the quest the player's journey is for
    mutable std::map<int, std::pair<int, int>> m_preyLevels; // quest id: until which frame, level
    mutable std::map<int, std::pair<int, bool>> m_preyGone;  // quest id: until which frame, gone
    std::map<int, int> m_barredTraining;                     // level: until which frame it is not trained on
    static constexpr int kFewFoes = 4;   // a level with fewer standing foes is not trained on
    static constexpr int kFewBlocks = 2; // unless it has this many blocks unexplored
    static constexpr int kIdleErrandsEvery = 6 * kFramesPerMinute; // idle, home for quests this long after
    static constexpr int kFewQuestsErrandsEvery = 12 * kFramesPerMinute;
    static constexpr int kQuestsInHand = 3;
    std::map<int, int> m_questDeaths;
    bool m_pushChosen = false;
    int m_pushArrivedAt = -1;
    int m_pushHomeZone = -1;
    bool m_pushHome = false;
    std::set<int> m_closedSides; // level * 4 + side
    const ItemBase* m_equipAsked = nullptr;
    int m_equipPlace = 0;
    bool m_equipping = false;
    int m_equipAt = 0;
    std::set<int> m_levels;
    std::vector<bool> m_raiding;
    // Per covenant, its raid on the player as the player met it.
    struct RaidWatch {
        bool met = false;         // reached the stone during the raid
        bool left = false;        // and left it while raiders stood, not back yet
        bool safe = false;        // and stood by it while no raider was left
        bool raidersSeen = false; // the raiders have set out
    };
    std::vector<RaidWatch> m_raidWatch;
    std::set<int> m_raidOnMe;
    std::map<int, int> m_raidBegan; // covenant: the frame its raid on the player began
    std::map<int, int> m_raidEnded; // covenant: the frame its last raid on the player ended
    std::vector<double> m_stepMs;
    std::vector<double> m_frameMs;

    static constexpr int kMain = toIndex(InventoryGroupIndex::Main);
    static constexpr int kEquipment = toIndex(InventoryGroupIndex::Equipment);
    static constexpr int kBag1 = toIndex(InventoryGroupIndex::Bag1);
    static constexpr int kBag4 = toIndex(InventoryGroupIndex::Bag4);
    static constexpr int kMoney = toIndex(CharacterStat::Money);

    static uint64_t fnv1a(const std::vector<uint8_t>& bytes, uint64_t h = 1469598103934665603ull)
    {
        for (uint8_t b : bytes) {
            h = (h ^ b) * 1099511628211ull;
        }
        return h;
    }

    static long peakRssKb()
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    }

    static float distance(const ZonePosition& a, const ZonePosition& b)
    {
        return std::hypot(a.x - b.x, a.y - b.y);
    }

    // A press and release of a mouse button at the widget's centre, as the
    // interface delivers it; false when the widget is not there to be clicked.
    static bool clickWidget(UIWidget* widget, int button = 0)
    {
        if (!widget || !widget->isVisible()) {
            return false;
        }
        const Vec2 at = widget->getScreenPosition();
        const int x = static_cast<int>(at.x + widget->getSize().x / 2.0f);
        const int y = static_cast<int>(at.y + widget->getSize().y / 2.0f);
        const bool handled = widget->handleMouseButton(button, true, x, y);
        widget->handleMouseButton(button, false, x, y);
        return handled;
    }

    static UIWidget* shownWidget(const std::string& fullName)
    {
        UIWidget* widget = UISystem::get().findWidget(fullName);
        return widget && widget->isVisible() ? widget : nullptr;
    }

    static bool menuShown(const char* name)
    {
        UIMenu* menu = UISystem::get().findMenu(name);
        return menu && menu->isActive();
    }

    // The item slot of a shown menu that holds that place.
    static UIItemSlot* findSlot(const char* menuName, int group, int entry)
    {
        UIMenu* menu = UISystem::get().findMenu(menuName);
        if (!menu || !menu->isActive()) {
            return nullptr;
        }
        for (const auto& widget : menu->getWidgets()) {
            auto* slot = dynamic_cast<UIItemSlot*>(widget.get());
            if (slot && slot->getGroup() == group && slot->getEntry() == entry) {
                return slot;
            }
        }
        return nullptr;
    }
};
