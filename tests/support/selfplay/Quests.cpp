#include "support/selfplay/Quests.h"

#include "engine/core/StringUtil.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/entities/Actor.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/world/World.h"
#include "support/PlayedGame.h"
#include "support/selfplay/Bot.h"
#include "ui/UISystem.h"
#include "ui/menus/UIMenu.h"
#include "ui/widgets/UIList.h"
#include "ui/widgets/UIWidget.h"

#include <cstdlib>

namespace selfplay {

Quests::Quests(Bot& bot) : Part(bot) {}

int Quests::questsToGoAfter() const
{
    int count = 0;
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        const Quest* quest = player()->getQuest(slot);
        count += quest && quest->isInUse() && !setAside(quest->id) ? 1 : 0;
    }
    return count;
}

bool Quests::setAside(int id) const
{
    const auto aside = m_setAside.find(id);
    return aside != m_setAside.end() && aside->second > frame();
}

int Quests::targetMonsterLevel(Quest& quest)
{
    const int level = quest.getTargetLevel();
    World& world = World::get();
    return level > 0 && level < world.getLevelCount() ? world.getLevelMonsterLevel(level) : -1;
}

bool Quests::zoneBound(const Quest& quest)
{
    return quest.countsKillsOnTargetLevelOnly() || isRescue(quest);
}

bool Quests::isRescue(const Quest& quest)
{
    return quest.type == toIndex(QuestType::RescueNpc) || quest.type == toIndex(QuestType::Kidnapping);
}

std::array<int, 4> Quests::holdings() const
{
    return {player()->getStat(kMoney), player()->getStat(toIndex(CharacterStat::Level)),
            player()->getStat(toIndex(CharacterStat::Xp)), m_ctx.countPlaces(kMain, true)};
}

int Quests::solverOf(const Quest& quest) const
{
    const NpcType kind = quest.definition ? quest.definition->returnNpcType : NpcType::None;
    if (kind == NpcType::OneShot || quest.type == toIndex(QuestType::MonsterQuest)) {
        const Entity* own = quest.getQuestEntity();
        return own ? own->getEntityNumber() : -1;
    }
    const auto known = m_givers.find(quest.id);
    const auto* giver =
        known == m_givers.end() ? nullptr : dynamic_cast<const Actor*>(Game::get().getEntity(known->second));
    // Its own giver while it lives; else another of its kind takes it.
    if (giver && giver->isAlive() && giver->getNpcType() == toIndex(kind)) {
        return giver->getEntityNumber();
    }
    const int near = nearest(
        [&](Entity* e) {
            auto* actor = dynamic_cast<Actor*>(e);
            return actor && actor->isAlive() && actor->getNpcType() == toIndex(kind) &&
                   !player()->isEnemyOf(actor);
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
            !player()->isEnemyOf(actor) && (found < 0 || actor->getPosition().zone == 0)) {
            found = i;
            if (actor->getPosition().zone == 0) {
                break;
            }
        }
    }
    return found;
}

bool Quests::solveQuest()
{
    const Quest* done = nullptr;
    int giver = -1;
    // One whose giver is dead or not yet come waits for another of its
    // kind, one turned to stone until it is cured: the next done quest is
    // handed in meanwhile (it may be the very quest that cures it).
    for (int slot = 0; slot < Player::kQuestSlots && !done; ++slot) {
        const Quest* quest = player()->getQuest(slot);
        if (quest && quest->isInUse() && quest->isComplete() && !m_unsolvable.contains(quest->id)) {
            const int solver = solverOf(*quest);
            const auto* actor = dynamic_cast<const Actor*>(Game::get().getEntity(solver));
            if (actor && actor->isAlive() && canTalk(*actor)) {
                giver = solver;
                done = quest;
            }
        }
    }
    if (!done) {
        return false;
    }
    auto* npc = dynamic_cast<Actor*>(Game::get().getEntity(giver));
    if (!npc || npc->getPosition().zone != player()->getPosition().zone) {
        // Another level's giver waits until the player is back there.
        return false;
    }
    if (m_solvingId != done->id) {
        m_solvingId = done->id;
        m_solveUntil = frame() + kFramesPerMinute;
        trace(formatString("goes to solve quest %d", done->id).c_str());
    }
    if (frame() > m_solveUntil) {
        // Another try after two game minutes.
        trace("cannot solve its quest yet");
        m_solveUntil = frame() + 3 * kFramesPerMinute;
        m_solveRestAt = frame() + 2 * kFramesPerMinute;
        groundClick();
        return false;
    }
    if (frame() < m_solveRestAt) {
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
        m_solveAskedAt = frame();
        m_rewardBefore = holdings();
        // The window hands in one done quest of this giver's, not always
        // the one the player came for: each is noted with its promise.
        m_doneAtAsk.clear();
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            const Quest* held = player()->getQuest(slot);
            if (held && held->isInUse() && held->isComplete()) {
                m_doneAtAsk[held->id] = {held->moneyReward,
                                         getQuestTypeName(held->type).starts_with("Tutorial")};
            }
        }
        trace(formatString("solves a quest (%d xp, %d money promised)", done->xpReward, done->moneyReward)
                  .c_str());
        return true;
    }
    if (!mirrorOf(giver) || distance(npc->getPosition(), player()->getPosition()) > 400.0f) {
        // Out of sight across the level: walked up to first.
        m_bot.walker.walkTo(npc->getPosition());
        return true;
    }
    if (mirror()->getTarget(false) != mirrorOf(giver) || mirror()->action == PlayerClient::kActionNone) {
        mirror()->selectEntity(mirrorOf(giver));
    }
    return true;
}

int Quests::questRank(int id) const
{
    const Quest* quest = Game::get().getQuest(id);
    if (!quest || !quest->isInUse() || player()->hasQuest(id)) {
        return 0;
    }
    switch (static_cast<QuestType>(quest->type)) {
    case QuestType::Recruit: {
        // Its recruit is taken in as it is handed in: a full covenant
        // could never hand it in, and it would hold a slot for good.
        const Covenant* own = player()->getCovenant();
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
    // A boss of a world area, on that area's first level.
    case QuestType::BossKnight:
    case QuestType::BossLord:
    case QuestType::BossPrince:
    case QuestType::BossKing:
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

void Quests::takeQuest(Actor& npc)
{
    if (!menuShown("GetQuest")) {
        // A vendor's window holds its quests behind a button, there
        // while it has any to give.
        if (menuShown("VendorMenuWithQuests") && clickWidget(shownWidget("VendorMenuWithQuests::Quests"))) {
            return;
        }
        if (menuShown("VendorMenu") || menuShown("VendorMenuWithQuests")) {
            m_bot.trade.nextErrand();
            return;
        }
        if (mirror()->getTarget(false) != mirrorOf(npc.getEntityNumber()) ||
            mirror()->action == PlayerClient::kActionNone) {
            mirror()->selectEntity(mirrorOf(npc.getEntityNumber()));
        }
        return;
    }
    auto* list = dynamic_cast<UIList*>(shownWidget("GetQuest::Quests"));
    if (!list || list->getItems().empty()) {
        m_bot.trade.nextErrand();
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
                offered += formatString(" %d (type %d, rank %d, monsters %d)", quest->id, quest->type, rank,
                                        targetMonsterLevel(*quest));
            }
            if (rank > best) {
                best = rank;
                row = static_cast<int>(i);
            }
        }
        trace(("is offered" + offered).c_str());
        if (best <= 0 || (best < 2 && questsToGoAfter() > 0) ||
            player()->countQuests() >= Player::kQuestSlots) {
            m_bot.trade.nextErrand();
            return;
        }
        clickRow(*list, row);
        m_questStage = 1;
        return;
    }
    m_questStage = 0;
    const int before = player()->countQuests();
    if (!clickWidget(shownWidget("GetQuest::Accept"))) {
        fault() << "the quest window has no Accept button";
    }
    m_questsBefore = before;
    m_questAskedAt = frame();
    m_askedGiver = npc.getEntityNumber();
    trace("accepts a quest");
    // The same giver again for its next quest (the window closes with
    // the accept), three at most.
    if (++m_acceptsHere >= 3) {
        m_acceptsHere = 0;
        m_bot.trade.nextErrand();
    } else {
        groundClick();
    }
}

bool Quests::canTalk(const Actor& npc)
{
    return npc.getStat(toIndex(CharacterStat::Movement)) > 0;
}

void Quests::noteDeathOnTheWay(int pursued)
{
    if (pursued >= 0 && ++m_questDeaths[pursued] >= 2) {
        m_setAside[pursued] = frame() + 20 * kFramesPerMinute;
        m_questDeaths.erase(pursued);
        trace(formatString("sets quest %d aside after its deaths on the way", pursued).c_str());
    }
}

void Quests::forgetDropped()
{
    std::erase_if(m_unsolvable, [&](int id) { return !player()->hasQuest(id); });
    std::erase_if(m_setAside, [&](const auto& aside) { return !player()->hasQuest(aside.first); });
    std::erase_if(m_questDeaths, [&](const auto& deaths) { return !player()->hasQuest(deaths.first); });
    std::erase_if(m_givers, [&](const auto& known) { return !player()->hasQuest(known.first); });
}

bool Quests::giveUpQuest()
{
    // The log's key toggles it: pressed only while it is not up.
    const auto openLog = [&] {
        if (++m_giveUpKeys > 3) {
            fault() << "frame " << frame() << ": the key questScreen opens no quest log";
            return false;
        }
        if (!pressKey("questScreen")) {
            fault() << "frame " << frame() << ": no key is bound to questScreen";
            return false;
        }
        return true;
    };
    const auto stop = [&] {
        m_giveUpStage = 0;
        if (menuShown("QuestGiveUp")) {
            clickWidget(shownWidget("QuestGiveUp::Keep"));
        }
        if (menuShown("Quests")) {
            clickWidget(shownWidget("Quests::Close"));
        }
        return false;
    };
    if (m_giveUpStage == 0) {
        if (frame() < m_nextGiveUpLook || m_givenUp >= 0) {
            return false;
        }
        m_nextGiveUpLook = frame() + 200;
        for (int slot = 0; slot < Player::kQuestSlots && m_giveUpStage == 0; ++slot) {
            Quest* quest = player()->getQuest(slot);
            // The tutorial's quests have the log's own "Skip tutorial".
            if (quest && quest->isInUse() && !quest->isComplete() &&
                !getQuestTypeName(quest->type).starts_with("Tutorial") && m_bot.hunt.cannotFinish(*quest)) {
                m_giveUpStage = 1;
                m_giveUpId = quest->id;
                m_giveUpSlot = slot;
                m_giveUpSince = frame();
                m_giveUpKeys = 0;
                trace(formatString("gives up quest %d of type %d (target level %d, progress %d of %d): it "
                                   "cannot be finished",
                                   quest->id, quest->type, quest->getTargetLevel(), quest->progress,
                                   quest->goal)
                          .c_str());
            }
        }
        if (m_giveUpStage == 0) {
            return false;
        }
        if (!menuShown("Quests") && !openLog()) {
            return stop();
        }
        return true;
    }
    if (player()->findQuestSlot(m_giveUpId) != m_giveUpSlot) {
        trace("no longer holds the quest it gives up");
        return stop();
    }
    if (frame() > m_giveUpSince + kFramesPerMinute) {
        fault() << "frame " << frame() << ": quest " << m_giveUpId << " is not given up in a game minute";
        return stop();
    }
    if (!menuShown("Quests")) {
        // Another window took the log's place meanwhile: it is opened again.
        m_giveUpStage = 1;
        return openLog() || stop();
    }
    const std::string slot = std::to_string(m_giveUpSlot);
    switch (m_giveUpStage) {
    case 1: {
        // The log's rows are refreshed by its update, which the headless
        // program never runs: once here, as a shown frame would.
        UISystem::get().findMenu("Quests")->update(static_cast<float>(PlayedGame::kFrameMs / 1000.0));
        auto* list = dynamic_cast<UIList*>(shownWidget("Quests::QuestList"));
        if (!list) {
            fault() << "the quest log has no QuestList";
            return stop();
        }
        const std::vector<ListEntry>& rows = list->getItems();
        for (size_t i = 0; i < rows.size() && static_cast<int>(i) < list->getVisibleRows(); ++i) {
            if (rows[i].value == slot) {
                clickRow(*list, static_cast<int>(i));
                m_giveUpStage = 2;
                return true;
            }
        }
        std::string shown;
        for (const ListEntry& entry : rows) {
            shown += " " + entry.value;
        }
        fault() << "the quest log shows no row of slot " << slot << " (rows:" << shown << ")";
        return stop();
    }
    case 2:
        if (!clickWidget(shownWidget("Quests::GiveUp"))) {
            fault() << "the quest log has no GiveUp button for slot " << slot;
            return stop();
        }
        m_giveUpStage = 3;
        return true;
    default:
        if (!menuShown("QuestGiveUp") || !clickWidget(shownWidget("QuestGiveUp::GiveUp"))) {
            fault() << "the quest log's question has no GiveUp button";
            return stop();
        }
        m_givenUp = m_giveUpId;
        m_givenUpAt = frame();
        stop();
        return true;
    }
}

void Quests::countGivenUp(Figures& figures)
{
    if (m_givenUp < 0 || frame() - m_givenUpAt < 20) {
        return;
    }
    if (player()->hasQuest(m_givenUp)) {
        fault() << "frame " << frame() << ": quest " << m_givenUp << " is held after it was given up";
    } else {
        ++figures.questsGivenUp;
    }
    m_givenUp = -1;
}

void Quests::countAccepted(Figures& figures)
{
    if (m_questAskedAt >= 0 && frame() - m_questAskedAt >= 2) {
        figures.questsAccepted += player()->countQuests() > m_questsBefore ? 1 : 0;
        m_questAskedAt = -1;
        for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
            const Quest* quest = player()->getQuest(slot);
            if (quest && quest->isInUse() && !m_givers.contains(quest->id)) {
                trace(formatString("holds quest %d of type %d, target level %d, goal %d", quest->id,
                                   quest->type, quest->targetLevel, quest->goal)
                          .c_str());
                m_givers[quest->id] = m_askedGiver;
            }
        }
    }
}

void Quests::countSolved(Figures& figures)
{
    if (m_solveAsked < 0 || frame() - m_solveAskedAt < 20) {
        return;
    }
    // The quest handed in: the one asked for, else another done one that
    // left the log with it (the giver's window took that one first).
    int handed = player()->hasQuest(m_solveAsked) ? -1 : m_solveAsked;
    for (const auto& [id, promise] : m_doneAtAsk) {
        if (handed < 0 && !player()->hasQuest(id)) {
            handed = id;
        }
    }
    const auto promise = m_doneAtAsk.find(handed);
    if (handed >= 0 && promise != m_doneAtAsk.end()) {
        if (handed != m_solveAsked) {
            trace(formatString("handed in quest %d, not quest %d", handed, m_solveAsked).c_str());
        }
        ++figures.questsSolved;
        m_bot.tally.noteProgress();
        // Paid: the money it promised arrived (nothing spends it meanwhile),
        // or without money, experience, a level or an item.
        const int moneyPromised = promise->second.first;
        const std::array<int, 4> now = holdings();
        bool rewarded = moneyPromised > 0 && now[0] - m_rewardBefore[0] >= moneyPromised;
        for (size_t i = 0; moneyPromised <= 0 && i < now.size(); ++i) {
            rewarded = rewarded || now[i] > m_rewardBefore[i];
        }
        figures.questsRewarded += rewarded ? 1 : 0;
        figures.questsBeyondTutorial += rewarded && !promise->second.second ? 1 : 0;
        if (!rewarded) {
            trace(formatString("quest %d was handed in unpaid", handed).c_str());
        }
    } else {
        m_unsolvable.insert(m_solveAsked);
    }
    m_solveAsked = -1;
    m_doneAtAsk.clear();
    groundClick();
}

} // namespace selfplay
