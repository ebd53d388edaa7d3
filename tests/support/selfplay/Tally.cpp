#include "support/selfplay/Tally.h"

#include "engine/core/StringUtil.h"
#include "engine/data/DatabaseEntry.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/ItemBase.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "support/PlayedGame.h"
#include "support/selfplay/Bot.h"

#include <algorithm>
#include <cstdlib>
#include <sys/resource.h>

namespace selfplay {

Tally::Tally(Bot& bot) : Part(bot) {}

void Tally::checkProgress()
{
    const Covenant* own = player()->getCovenant();
    const int level = player()->getStat(toIndex(CharacterStat::Level));
    const int gates = player()->getGates().getActivatedCount();
    if (level > m_progressLevel || gates > m_progressGates || !own || own->destroyed) {
        m_progressAt = frame();
    }
    // Pushing its luck it leaves its quests on purpose until it dies: the
    // push is progress while it moves toward its goal, and at its end.
    m_progressAt = std::max(m_progressAt, m_bot.push.advancedAt());
    if (m_progressAt == frame()) {
        m_raidHeldFrames = 0;
    }
    // Home during a raid on it, the player meets the raid: a raid whose
    // raiders never come to its stone holds it there, however long.
    if (own && m_bot.raids.raidedNow() && player()->getPosition().zone == own->housePosition.zone) {
        ++m_raidHeldFrames;
    }
    m_progressLevel = std::max(m_progressLevel, level);
    m_progressGates = std::max(m_progressGates, gates);
    if (frame() - m_progressAt - m_raidHeldFrames < kStallMinutes * kFramesPerMinute) {
        return;
    }
    fault() << "no quest solved, no level gained and no gate woken in " << kStallMinutes
            << " game minutes (since frame " << m_progressAt << ", level " << level << ", " << gates
            << " gates awake, " << m_raidHeldFrames / kFramesPerMinute
            << " more game minutes home while raided); the last of its play:\n"
            << m_ctx.traceTail();
    m_progressAt = frame();
    m_raidHeldFrames = 0;
}

void Tally::count(Figures& figures)
{
    Game& game = Game::get();
    const bool alive = player()->isAlive();
    if (m_wasAlive && !alive) {
        ++figures.deaths;
        if (m_bot.push.pushing()) {
            m_bot.push.noteEnd();
            const int begun = m_bot.push.begunAt() >= 0 ? m_bot.push.begunAt() : frame();
            figures.pushMinutes = static_cast<double>(frame() - begun) / kFramesPerMinute;
        }
        ++m_ctx.deaths;
        trace("dies");
        // A death in its own town, where raiders and a raid's wait hold it,
        // says nothing of the way to the quest it last went after.
        const Covenant* own = player()->getCovenant();
        if (!own || player()->getPosition().zone != own->housePosition.zone) {
            m_bot.quests.noteDeathOnTheWay(m_bot.journey.pursued());
        }
        if (std::getenv("GLOAM_SELFPLAY_TRACE")) {
            traceDeath();
        }
    }
    m_wasAlive = alive;
    m_bot.gear.count(figures);
    // Quest numbers come round again: what was known of a quest the
    // player no longer holds is forgotten.
    if (frame() % 200 == 0) {
        m_bot.quests.forgetDropped();
        m_bot.hunt.forgetDropped();
    }
    m_bot.quests.countAccepted(figures);
    m_bot.recruits.count(figures);
    m_bot.quests.countSolved(figures);
    m_bot.quests.countGivenUp(figures);
    m_bot.loot.count(figures);
    m_bot.fights.count(figures);
    // A warp soon after the player used a gate is a gate travel.
    const bool warping = player()->isWarpPending();
    if (warping && !m_wasWarping && alive && frame() - m_ctx.usedGateAt < 200) {
        ++figures.gateTravels;
        trace("travels by a gate");
    }
    m_wasWarping = warping;
    m_bot.relations.countOffers();
    m_levels.insert(player()->getPosition().zone);
    figures.peakEntities = std::max(figures.peakEntities, game.getEntityCount());
    const Covenant* own = player()->getCovenant();
    if (own && own->getLifestoneMaxHealth() > 0) {
        const float stone =
            static_cast<float>(own->getLifestoneHealth()) / static_cast<float>(own->getLifestoneMaxHealth());
        figures.lowestStone = figures.lowestStone < 0.0f ? stone : std::min(figures.lowestStone, stone);
    }
    m_bot.raids.countThreat();
    m_bot.relations.countDeclared(figures);
    m_bot.relations.checkOwnRaidEnded();
    checkProgress();
    m_bot.raids.countRaids(figures);
}

// The fight as it stood: the player's stats and gear, and the foes about it
// with theirs.
void Tally::traceDeath() const
{
    auto stats = [](const Sentient& a) {
        auto st = [&](CharacterStat s) { return a.getStat(toIndex(s)); };
        return formatString("health %d/%d, damage %d-%d per %d ms, attack %d, defense %d, armor %d, "
                            "resist %d %d %d %d %d %d",
                            a.getHealth(), st(CharacterStat::MaxHealth), st(CharacterStat::MinDamage),
                            st(CharacterStat::MaxDamage), st(CharacterStat::AttackSpeed),
                            st(CharacterStat::Attack), st(CharacterStat::Defense), st(CharacterStat::Armor),
                            st(CharacterStat::ResistancePhysical), st(CharacterStat::ResistanceFire),
                            st(CharacterStat::ResistanceCold), st(CharacterStat::ResistancePoison),
                            st(CharacterStat::ResistanceLightning), st(CharacterStat::ResistanceMagic));
    };
    trace(("  itself: " + stats(*player())).c_str());
    std::string worn = "  wears:";
    InventoryBase* inventory = player()->getInventory();
    const InventoryGroup* equipment = inventory ? inventory->getOwnGroup(kEquipment) : nullptr;
    for (int slot = 0; equipment && slot < equipment->getSize(); ++slot) {
        if (const ItemBase* item = inventory->getItemAt(kEquipment, slot)) {
            worn += formatString(" %s (%d)", item->getName().c_str(), item->getPrice(1));
        }
    }
    trace(formatString("%s; money %d", worn.c_str(), money()).c_str());
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
        if (actor && actor->isAlive() && player()->isEnemyOf(actor) &&
            actor->getPosition().zone == player()->getPosition().zone &&
            distance(actor->getPosition(), player()->getPosition()) < 300.0f) {
            const MonsterType* type = actor->getMonsterType();
            trace(formatString("  near: %s of level %d (covenant %d, %s, rarity %d)",
                               actor->getName().c_str(), actor->getStat(toIndex(CharacterStat::Level)),
                               actor->getCovenantIndex(),
                               type && type->getEntry() ? type->getEntry()->getName().c_str() : "-",
                               actor->getEnhancementRarity())
                      .c_str());
            trace(("    " + stats(*actor)).c_str());
        }
    }
}

void Tally::recordFrame(double frameMs, double stepMs)
{
    m_frameMs.push_back(frameMs);
    m_stepMs.push_back(stepMs);
}

void Tally::finish(Figures& figures)
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
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peakRssKb = usage.ru_maxrss;
    figures.levelsVisited = static_cast<int>(m_levels.size());
    GameClient& client = GameClient::get();
    figures.offersAccepted =
        client.getDiplomacyResultCount(toIndex(CovenantResponse::TradeAcceptedConfirmation)) +
        client.getDiplomacyResultCount(toIndex(CovenantResponse::DemandAcceptedConfirmation)) +
        client.getDiplomacyResultCount(toIndex(CovenantResponse::GiftAccepted));
    figures.offersRejected =
        client.getDiplomacyResultCount(toIndex(CovenantResponse::TradeRejectedConfirmation)) +
        client.getDiplomacyResultCount(toIndex(CovenantResponse::DemandRejectedConfirmation));
    figures.warnings = m_ctx.program.warningCount;
    m_bot.raids.judgeAtEnd(figures);
}

} // namespace selfplay
