#include "support/selfplay/SelfPlayer.h"

#include "client/Client.h"
#include "engine/core/ByteBuffer.h"
#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/quests/Quest.h"
#include "game/world/World.h"
#include "server/Server.h"
#include "support/PlayedGame.h"
#include "support/selfplay/Bot.h"

#include <chrono>

using namespace selfplay;

namespace {

uint64_t fnv1a(const std::vector<uint8_t>& bytes, uint64_t h = 1469598103934665603ull)
{
    for (uint8_t b : bytes) {
        h = (h ^ b) * 1099511628211ull;
    }
    return h;
}

} // namespace

SelfPlayer::SelfPlayer(PlayedGame& program, uint32_t seed, FaultSink sink)
    : m_bot(std::make_unique<Bot>(program, seed, std::move(sink)))
{
}

SelfPlayer::~SelfPlayer() = default;

bool SelfPlayer::startNew(uint32_t seed, int aiCovenants, const char* covenantDifficulty,
                          const char* playerClass)
{
    PlayedGame::set("PlayerName", kPlayerName);
    PlayedGame::set("CovenantName", "Selfplay Hold");
    PlayedGame::set("PlayerClass", std::string("$$Class") + playerClass + "$$");
    PlayedGame::set("NumAiCovenants",
                    std::to_string(aiCovenants < 0 ? GameData::get().rules().maxAiCovenants : aiCovenants));
    PlayedGame::set("CovenantDifficultyLevel", covenantDifficulty);
    PlayedGame::set("WorldDifficultyLevel", "Normal");
    PlayedGame::set("StartingLevel", "1");
    PlayedGame::seedStreams(seed);
    if (!PlayedGame::run("start both 0") || !m_bot->context.program.waitForJoin()) {
        m_bot->context.fault() << "seed " << seed << ": the player cannot join";
        return false;
    }
    return attach();
}

bool SelfPlayer::resume()
{
    PlayedGame::set("resumeGameChar", kPlayerName);
    if (!PlayedGame::run("resumeGame") || !m_bot->context.program.waitForJoin()) {
        m_bot->context.fault() << "the saved character cannot be resumed";
        return false;
    }
    return attach();
}

bool SelfPlayer::attach()
{
    Context& c = m_bot->context;
    Server& server = Server::get();
    const ClientRecord* record = server.getClientCount() > 0 ? server.getClient(0) : nullptr;
    c.player = record ? dynamic_cast<Player*>(Game::get().getEntity(record->playerNumber)) : nullptr;
    c.mirror = Client::get().getLocalPlayer();
    if (!c.player || !c.mirror) {
        c.fault() << "the joined player has no " << (c.player ? "client mirror" : "server entity");
    }
    return c.player && c.mirror;
}

void SelfPlayer::setSpan(int frames)
{
    m_bot->context.span = frames;
}

void SelfPlayer::play(int frames, Figures& figures)
{
    Context& c = m_bot->context;
    const int faultsBefore = c.faultCount();
    for (int i = 0; i < frames; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        c.program.frame([&] {
            if ((figures.frames + 1) % kFramesPerMinute == 0) {
                checkInvariants((figures.frames + 1) / kFramesPerMinute);
            } else if (m_bot->checks.mirrorsAgain()) {
                m_bot->checks.recheckMirrors();
            }
            decide(figures);
        });
        m_bot->tally.recordFrame(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count(),
            c.program.lastServerMs);
        m_bot->tally.count(figures);
        ++figures.frames;
        if (c.faultCount() != faultsBefore) {
            return;
        }
    }
}

void SelfPlayer::finish(Figures& figures)
{
    m_bot->tally.finish(figures);
    const int hardest = hardestLevel();
    figures.outgrewWorld = hardest < 0 || World::get().getLevelMonsterLevel(hardest) <=
                                              serverPlayer()->getStat(toIndex(CharacterStat::Level));
}

int SelfPlayer::hardestLevel()
{
    World& world = World::get();
    int hardest = -1;
    for (int level = 1; level < world.getLevelCount(); ++level) {
        if (hardest < 0 || world.getLevelMonsterLevel(level) > world.getLevelMonsterLevel(hardest)) {
            hardest = level;
        }
    }
    return hardest;
}

Player* SelfPlayer::serverPlayer() const
{
    return m_bot->context.player;
}

int SelfPlayer::pushGoal() const
{
    return m_bot->push.goal();
}

std::vector<std::string> SelfPlayer::saveEvents() const
{
    const Player* player = m_bot->context.player;
    std::vector<std::string> events;
    if (!player->isAlive()) {
        events.push_back("while dead");
    }
    // Its own raid a game minute after it was declared, and a raid on it
    // while its raiders are out, each once.
    if (m_bot->relations.inOwnRaid()) {
        events.push_back("during its own raid");
    }
    if (m_bot->raids.raidOnItUnderWay()) {
        events.push_back("during a raid on it");
    }
    // The covenant at its fullest for a resume: a recruit, and a hired
    // guard standing at the house.
    if (const Covenant* own = player->getCovenant(); own && own->getRecruitCount() > 0) {
        for (int place = 0; place < Covenant::kGuardSlots; ++place) {
            const Entity* guard = own->getGuard(place);
            if (guard && guard->isAlive()) {
                events.push_back("with a recruit and a guard at its house");
                break;
            }
        }
    }
    if (player->getPosition().zone != 0) {
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            const Quest* quest = player->getQuest(slot);
            if (quest && quest->isInUse() && quest->progress > 0) {
                events.push_back("away from the town with progress on a quest");
                break;
            }
        }
    }
    return events;
}

uint64_t SelfPlayer::worldHash()
{
    ByteBuffer out;
    if (!Game::get().saveWorld(out)) {
        m_bot->context.fault() << "the world cannot be saved";
    }
    return fnv1a(std::vector<uint8_t>(out.data(), out.data() + out.size()));
}

void SelfPlayer::checkInvariants(int minute)
{
    m_bot->checks.checkInvariants(minute);
}

void SelfPlayer::decide(Figures& figures)
{
    Bot& bot = *m_bot;
    Context& c = bot.context;
    Player* player = c.player;
    ++c.frame;
    if (player->getPosition().zone != c.arrivedZone) {
        c.arrivedZone = player->getPosition().zone;
        c.arrivedAt = c.frame;
    }
    // The push's plan is weighed even by a player held still: it is what
    // the stall check judges.
    if (c.frame % 10 == 1 && (c.frame % kFramesPerMinute == 1 || bot.push.due())) {
        bot.push.planStart();
    }
    if (c.frame % 10 == 1 && bot.push.pushing()) {
        bot.push.choosePushLevel();
    }
    if (m_held) {
        return;
    }
    if (!player->isAlive()) {
        decideDead();
        return;
    }
    if (m_deadFrames > 0) {
        m_deadFrames = 0;
        ++figures.resurrections;
        // The death window's Resurrect brings the player back beside its
        // covenant's life stone.
        const Covenant* own = player->getCovenant();
        c.trace(formatString(
                    "is back, %.0f from its life stone",
                    static_cast<double>(
                        own ? ZonePosition::distanceTo(player->getPosition(), own->housePosition) : -1.0f))
                    .c_str());
        if (own && (player->getPosition().zone != own->housePosition.zone ||
                    ZonePosition::distanceTo(player->getPosition(), own->housePosition) > 400.0f)) {
            c.fault() << "frame " << c.frame << ": resurrected at level " << player->getPosition().zone
                      << ", away from its life stone at level " << own->housePosition.zone;
        }
        bot.trade.planErrandsNow();
    }
    if (c.frame % 10 != 1) {
        return;
    }
    if (c.frame % 200 == 1) {
        traceState();
    }
    // A pending offer: the relations screen's trade-request page.
    if (bot.relations.answerOffer()) {
        c.branch = "offer";
        return;
    }
    if (bot.relations.declareWar()) {
        c.branch = "war";
        return;
    }
    if (bot.relations.endOwnRaid()) {
        c.branch = "stop raid";
        return;
    }
    // The relations screen holds the player still while it is up: it is
    // closed once it has served.
    if (menuShown("CovenantRelations")) {
        clickWidget(shownWidget("Hud::Relations"));
        c.branch = "relations";
        return;
    }
    // A quest being given up in the quest log is seen through first.
    if (bot.quests.givingUp() && bot.quests.giveUpQuest()) {
        c.branch = "give up";
        return;
    }
    // Called home by a raid it fights only what stands in its way. A
    // thing its quests ask for lying near is taken up before the next
    // fight but one at hand.
    const bool homeward = bot.raids.homewardToRaid();
    const int wanted = bot.loot.wantedNear(homeward);
    const int foe = bot.fights.choose(homeward, wanted);
    if (foe >= 0 && bot.fights.leaveIfUnreachable(foe)) {
        return;
    }
    if (bot.fights.drinkPotion()) {
        c.branch = "potion";
        return;
    }
    if (foe >= 0) {
        bot.fights.attack(foe);
        c.branch = "foe";
        return;
    }
    bot.fights.clearFoe();
    if (bot.loot.pickUp(homeward, wanted)) {
        return;
    }
    if (!bot.push.pushing() && !bot.trade.trading() && !bot.quests.choosing() && !bot.raids.raidedNow() &&
        bot.loot.openChest()) {
        c.branch = "chest";
        return;
    }
    if (bot.gear.equip()) {
        c.branch = "equip";
        return;
    }
    if (bot.fights.fillHotBar()) {
        c.branch = "hot bar";
        return;
    }
    if (bot.raids.defend()) {
        c.branch = "raided";
        return;
    }
    // Pushing its luck, the player leaves quests, recruits, guards and
    // errands for later; a trade under way is finished.
    if (bot.push.pushing()) {
        if (bot.trade.hasErrands() && bot.trade.trading()) {
            bot.trade.runErrand(figures);
            c.branch = "errand";
            return;
        }
        if (bot.trade.hasErrands()) {
            bot.trade.dropErrands();
        }
        c.branch = "push";
        // Sent home by a raid, it goes back out by the house's gate to the
        // woken gate nearest its level.
        if (bot.gates.gateOut()) {
            c.branch = "push gate out";
            return;
        }
        if (bot.gates.homeByLevelGate()) {
            c.branch = "push gate";
            return;
        }
        if (!bot.push.seekFoe()) {
            bot.walker.wander();
        }
        return;
    }
    if (bot.gear.spendPoints() || bot.gear.spendSkillPoints()) {
        c.branch = "points";
        return;
    }
    // A quest it cannot finish is given up, its slot free for another.
    if ((!bot.trade.hasErrands() || (!bot.trade.trading() && !bot.quests.choosing())) &&
        bot.quests.giveUpQuest()) {
        c.branch = "give up";
        return;
    }
    // A done quest is handed in before the next errand: a click on a
    // giver who takes it opens the solve window, not the quest list.
    if ((!bot.trade.hasErrands() || (!bot.trade.trading() && !bot.quests.choosing())) &&
        bot.quests.solveQuest()) {
        c.branch = "solve";
        return;
    }
    // On its way to its raid's gate it takes in no recruit: one chased
    // about a level or back across an edge kept it from the gate until
    // the raid was called off.
    if (!bot.trade.hasErrands() && !bot.relations.raidGateLevel() && bot.recruits.recruitSomeone()) {
        c.branch = "recruit";
        return;
    }
    if (!bot.trade.hasErrands() && bot.recruits.hireGuard(figures)) {
        c.branch = "guard";
        return;
    }
    if (bot.trade.errands(figures)) {
        c.branch = "errand";
        return;
    }
    if (bot.gates.openDoor()) {
        c.branch = "door";
        return;
    }
    if (bot.gates.gateOut()) {
        c.branch = "gate out";
        return;
    }
    c.branch = "wander";
    if (bot.gates.wakeLevelGate()) {
        c.branch = "wake gate";
        return;
    }
    if (bot.gates.homeByLevelGate()) {
        c.branch = "gate";
        return;
    }
    if (bot.hunt.hunt()) {
        c.branch = "hunt";
        return;
    }
    bot.walker.wander();
}

void SelfPlayer::decideDead()
{
    Context& c = m_bot->context;
    ++m_deadFrames;
    // The death window's button, as the user clicks it.
    if (m_deadFrames % 40 == 0) {
        if (!clickWidget(shownWidget("PlayerDead::Resurrect"))) {
            c.fault() << "frame " << c.frame << ": dead, but the death window has no Resurrect button";
        }
    }
}

void SelfPlayer::traceState() const
{
    const Bot& bot = *m_bot;
    const Context& c = bot.context;
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        Quest* quest = c.player->getQuest(slot);
        if (quest && quest->isInUse()) {
            const MonsterType* prey = quest->getMonsterType(0);
            c.trace(formatString("quest %d type %d: progress %d of %d, target level %d (monsters %d), "
                                 "complete %d, solver %d, prey %s on level %d",
                                 quest->id, quest->type, quest->progress, quest->goal,
                                 quest->getTargetLevel(), Quests::targetMonsterLevel(*quest),
                                 quest->isComplete(), bot.quests.solverOf(*quest),
                                 prey ? prey->getName().c_str() : "-", bot.hunt.knownPreyLevel(quest->id))
                        .c_str());
        }
    }
    c.trace(formatString("level %d, foe %d, loot %d, errands %zu, action %d, money %d, quests %d, "
                         "route %zu, walking %d, last %s",
                         c.ownLevel(), bot.fights.foe(), bot.loot.target(), bot.trade.errandCount(),
                         c.mirror->action, c.money(), c.player->countQuests(), bot.walker.routeSize(),
                         c.mirror->hasDestination(), c.branch)
                .c_str());
}
