#include "support/selfplay/Hunt.h"

#include "engine/core/StringUtil.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Item.h"
#include "game/entities/ItemGround.h"
#include "game/quests/Quest.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Level.h"
#include "game/world/World.h"
#include "support/selfplay/Bot.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace selfplay {

Hunt::Hunt(Bot& bot) : Part(bot) {}

int Hunt::preyLevel(Quest& quest) const
{
    const int target = quest.getTargetLevel();
    if (target < 0 || Quests::zoneBound(quest)) {
        return target;
    }
    auto& known = m_preyLevels.try_emplace(quest.id, 0, -1).first->second;
    if (known.first > frame()) {
        return known.second;
    }
    // Not the town, unless the quest names it: no hunt is made there
    // (what strays into it is fought when met), and one sought there
    // would hold the player in it.
    std::set<int> levels;
    for (int i = 0; i < Game::kMaxEntities; ++i) {
        auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
        if (actor && actor->isAlive() && player()->isEnemyOf(actor) && countsFor(quest, *actor) &&
            (actor->getPosition().zone != 0 || target == 0)) {
            levels.insert(actor->getPosition().zone);
        }
    }
    // The level it goes to now while prey is left there, else the
    // target, the player's own level, the nearest by the way there.
    const int here = player()->getPosition().zone;
    int best = -1;
    for (int wanted : {known.second, target, here}) {
        if (best < 0 && wanted >= 0 && levels.contains(wanted)) {
            best = wanted;
        }
    }
    if (best < 0 && !levels.empty()) {
        const LevelFlood flood = RoutePlanner::floodLevel(player()->getPosition());
        int bestWay = 0;
        for (int level : levels) {
            const int way = m_bot.planner.stepTowards(level, flood).levels;
            if (way >= 0 && (best < 0 || way < bestWay)) {
                best = level;
                bestWay = way;
            }
        }
    }
    known = {frame() + 200, best >= 0 ? best : target};
    return known.second;
}

bool Hunt::countsFor(const Quest& held, const Actor& actor) const
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

bool Hunt::hunt()
{
    const int here = player()->getPosition().zone;
    if (here == 0 || m_bot.push.pushing() || m_bot.journey.journeyGoal() != here) {
        return false;
    }
    std::vector<Quest*> held;
    for (int slot = 0; slot < Player::kQuestSlots; ++slot) {
        Quest* quest = player()->getQuest(slot);
        if (quest && quest->isInUse() && !quest->isComplete() && preyLevel(*quest) == here) {
            held.push_back(quest);
        }
    }
    const bool training = held.empty() && here == m_bot.journey.trainedLevel();
    if (held.empty() && !training) {
        return false;
    }
    // Its time for prey counts from its arrival: back after a death or
    // a journey, the clock of its last stay would set all aside at once,
    // and the prey it hunted then would be left as soon as seen again.
    if (here != m_huntZone || m_lastPreyAt < m_ctx.arrivedAt) {
        m_huntZone = here;
        m_lastPreyAt = frame();
        m_prey = -1;
    }
    const int prey = nearest(
        [&](Entity* e) {
            // A thing a quest asks for, lying on the ground: the loot
            // choice takes it up once near.
            if (dynamic_cast<ItemGround*>(e)) {
                return m_bot.loot.isWantedLoot(e);
            }
            auto* actor = dynamic_cast<Actor*>(e);
            // One lying in hiding takes no click, so the fight left it: it
            // is walked up to, and its ambush brings it out; unless the hunt
            // itself left it, not come out in three minutes.
            if (!actor || !actor->isAlive() || !player()->isEnemyOf(actor) ||
                (m_bot.fights.ignores(e->getEntityNumber()) && !actor->hasFlag(EntityBase::kFlagHidden)) ||
                leftAlone(m_leftPrey, e->getEntityNumber())) {
                return false;
            }
            return training || std::any_of(held.begin(), held.end(),
                                           [&](const Quest* quest) { return countsFor(*quest, *actor); });
        },
        1.0e9f, false);
    if (prey < 0 && !training && rescue(held)) {
        m_lastPreyAt = frame();
        return true;
    }
    if (prey < 0 && training && frame() - m_lastPreyAt > 2 * kFramesPerMinute) {
        // No foe it can reach is left here: another level for a while.
        m_bot.journey.barTraining(here);
        m_lastPreyAt = frame();
        trace("finds no foe to train on here");
        return false;
    }
    if (prey < 0 && !training && explore()) {
        // Blocks of this level no player has neared yet may hold the prey.
        m_lastPreyAt = frame();
        return true;
    }
    if (prey < 0 && !training) {
        // Its time here with none of its prey about, all blocks in reach
        // explored, counted while the quest makes no progress.
        for (const Quest* quest : held) {
            auto& time = m_preylessTime[quest->id];
            time = {time.second == quest->progress ? time.first + 10 : 10, quest->progress};
        }
    }
    if (prey < 0) {
        // Nothing of the quests' prey about: after a while they are set
        // aside for others (or new ones from the town).
        if (!training && frame() - m_lastPreyAt > 3 * kFramesPerMinute) {
            for (const Quest* quest : held) {
                m_bot.quests.putAside(quest->id, frame() + 10 * kFramesPerMinute);
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
                            trace(formatString("    %s at %d %.0f %.0f, enemy %d, ignored %d, reached %d",
                                               actor->getName().c_str(), actor->getPosition().zone,
                                               static_cast<double>(actor->getPosition().x),
                                               static_cast<double>(actor->getPosition().y),
                                               player()->isEnemyOf(actor), m_bot.fights.ignores(i),
                                               RoutePlanner::floodLevel(player()->getPosition())
                                                   .reaches(actor->getPosition()))
                                      .c_str());
                        }
                    }
                    trace(formatString(
                              "  quest %d type %d: %d of its monsters here, %d in the world, %zu targets",
                              quest->id, quest->type, alive, anywhere, quest->targets.size())
                              .c_str());
                }
            }
            m_lastPreyAt = frame();
        }
        return false;
    }
    m_lastPreyAt = frame();
    if (prey != m_prey) {
        m_prey = prey;
        m_preyUntil = frame() + 3 * kFramesPerMinute;
        trace(formatString("hunts %d", prey).c_str());
    } else if (frame() > m_preyUntil) {
        // Out of reach for three minutes: another first.
        trace("leaves its prey");
        m_bot.fights.ignore(prey, frame() + 5 * kFramesPerMinute);
        m_leftPrey[prey] = frame() + 5 * kFramesPerMinute;
        m_prey = -1;
        return false;
    }
    m_bot.walker.walkTo(Game::get().getEntity(prey)->getPosition());
    return true;
}

bool Hunt::explore()
{
    const ZonePosition here = player()->getPosition();
    const GameRules& rules = worldRules();
    const int columns = std::max(1, rules.blocksAcross);
    const int blocks = columns * std::max(1, rules.blocksDown);
    const float blockWidth = static_cast<float>(rules.blockTileWidth) * rules.tileSize;
    const float blockHeight = static_cast<float>(rules.blockTileHeight) * rules.tileSize;
    if (m_exploring >= 0 && (Game::get().isBlockPopulated(here.zone, m_exploring % blocks) ||
                             m_exploring / blocks != here.zone)) {
        m_exploring = -1;
    }
    if (m_exploring >= 0 && frame() > m_exploringUntil) {
        // Not neared in two minutes: the way there is too narrow.
        m_unexplorable.insert(m_exploring);
        m_exploring = -1;
    }
    if (m_exploring < 0) {
        // The unexplored block whose nearest reachable cell lies nearest;
        // the level is flooded only while such a block is left.
        const auto candidate = [&](int block) {
            return !Game::get().isBlockPopulated(here.zone, block) &&
                   !m_unexplorable.contains(here.zone * blocks + block);
        };
        bool any = false;
        for (int block = 0; block < blocks && !any; ++block) {
            any = candidate(block);
        }
        if (!any) {
            return false;
        }
        const LevelFlood flood = RoutePlanner::floodLevel(here);
        float bestDistance = 0.0f;
        for (int block = 0; block < blocks; ++block) {
            const int key = here.zone * blocks + block;
            if (!candidate(block)) {
                continue;
            }
            const float left = static_cast<float>(block % columns) * blockWidth;
            const float top = static_cast<float>(block / columns) * blockHeight;
            for (float y = top + 16.0f; y < top + blockHeight; y += 32.0f) {
                for (float x = left + 16.0f; x < left + blockWidth; x += 32.0f) {
                    const ZonePosition cell(here.zone, x, y);
                    if (!flood.reachedCell(static_cast<int>(x / 32.0f), static_cast<int>(y / 32.0f))) {
                        continue;
                    }
                    if (m_exploring < 0 || distance(cell, here) < bestDistance) {
                        m_exploring = key;
                        m_exploreTo = cell;
                        bestDistance = distance(cell, here);
                    }
                }
            }
            if (m_exploring != key) {
                m_unexplorable.insert(key); // no cell of it can be walked to
            }
        }
        if (m_exploring < 0) {
            return false;
        }
        m_exploringUntil = frame() + 2 * kFramesPerMinute;
        trace(formatString("explores block %d of its level for its quests' prey", m_exploring % blocks)
                  .c_str());
    }
    m_bot.walker.walkTo(m_exploreTo);
    return true;
}

bool Hunt::rescue(const std::vector<Quest*>& held)
{
    for (const Quest* quest : held) {
        const Entity* captive = Quests::isRescue(*quest) ? quest->getQuestEntity() : nullptr;
        if (!captive || captive->getPosition().zone != player()->getPosition().zone) {
            continue;
        }
        if (m_rescuing != quest->id || m_rescueSince < m_ctx.arrivedAt) {
            m_rescuing = quest->id;
            m_rescueSince = frame();
        } else if (frame() > m_rescueSince + 3 * kFramesPerMinute) {
            // Not freed in three minutes (foes about it, no way to it).
            trace("leaves its captive for a while");
            m_bot.quests.putAside(quest->id, frame() + 10 * kFramesPerMinute);
            m_rescuing = -1;
            continue;
        }
        EntityClient* clickable = mirrorOf(captive->getEntityNumber());
        if (menuShown("NpcRescueMenu") && mirror()->getTarget(false) == clickable) {
            if (!clickWidget(shownWidget("NpcRescueMenu::Rescue"))) {
                fault() << "the rescue window has no Rescue button";
            }
            trace("frees a captive");
            groundClick();
            return true;
        }
        // A click on it walks up and opens its window (action 26).
        if (!clickable || distance(captive->getPosition(), player()->getPosition()) > 300.0f) {
            m_bot.walker.walkTo(captive->getPosition());
        } else if (mirror()->getTarget(false) != clickable ||
                   (mirror()->action != PlayerClient::kActionApproach && mirror()->action != 26)) {
            mirror()->selectEntity(clickable);
        }
        return true;
    }
    return false;
}

bool Hunt::preyGone(Quest& quest) const
{
    const auto type = static_cast<QuestType>(quest.type);
    const bool kills = (Quests::zoneBound(quest) && !Quests::isRescue(quest)) ||
                       type == QuestType::KillMonsters || type == QuestType::MonsterQuestItem ||
                       type == QuestType::ArmorsmithMonsterQuestItem ||
                       type == QuestType::WeaponsmithMonsterQuestItem || type == QuestType::DeadlyPoison ||
                       type == QuestType::Petrify;
    // Things lying on its level: all are put there at once, and one of
    // their kind is counted by whichever held quest asks for it first, so
    // another quest may have taken this one's.
    const bool items = type == QuestType::LevelQuestItem || type == QuestType::ArmorsmithLevelQuestItem ||
                       type == QuestType::WeaponsmithLevelQuestItem;
    if (quest.isComplete()) {
        return false;
    }
    // A quest of one character's death counts it only when that one is
    // killed: while it lives and is no enemy (a townsperson, a member of a
    // covenant at peace), no blow of the player's reaches it.
    if (type == QuestType::UniqueMonsterSpotted || type == QuestType::Assassin) {
        const Quest* own = quest.getGameQuest();
        const auto* prey = own ? dynamic_cast<const Actor*>(own->questNpc.get()) : nullptr;
        return prey && prey->isAlive() &&
               goneOnLook(quest, "its one prey may be fought again", "its one prey is no enemy",
                          [&] { return player()->isEnemyOf(prey); });
    }
    const int target = quest.getTargetLevel();
    if ((!kills && !items) || target < 0) {
        return false;
    }
    if (items) {
        return itemsGone(quest);
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
    if (spawnsThere && Journey::unexploredBlocks(target) > 0) {
        return false;
    }
    return goneOnLook(quest, "its prey is back", "its prey is nowhere it counts", [&] {
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            auto* actor = dynamic_cast<Actor*>(Game::get().getEntity(i));
            if (actor && actor->isAlive() && player()->isEnemyOf(actor) && countsFor(quest, *actor) &&
                (!Quests::zoneBound(quest) || actor->getPosition().zone == target)) {
                return true;
            }
        }
        return false;
    });
}

bool Hunt::itemsGone(Quest& quest) const
{
    const Quest* own = quest.getGameQuest();
    if (!own || own->itemsPending) {
        return false; // placed once its level is built
    }
    return goneOnLook(quest, "its things lie on its level again", "its things are gone", [&] {
        for (int i = 0; i < Game::kMaxEntities; ++i) {
            const auto* ground = dynamic_cast<const ItemGround*>(Game::get().getEntity(i));
            const Item* item = ground && !ground->isItemTaken() ? ground->getGroundItem() : nullptr;
            if (item && ground->getPosition().zone == quest.getTargetLevel() &&
                quest.isQuestItem(item->getLinkedEntry() ? item->getLinkedEntry() : item->getItemEntry())) {
                return true;
            }
        }
        return false;
    });
}

bool Hunt::cannotFinish(Quest& quest) const
{
    // Its hunt has spent long on the level its prey is sought on, every
    // block in reach explored, with none of its prey about and no
    // progress: the prey that may yet come there (a respawn, a straggler)
    // does not.
    const auto preyless = m_preylessTime.find(quest.id);
    if (!quest.isComplete() && preyless != m_preylessTime.end() &&
        preyless->second.first >= kPreylessFrames && preyless->second.second == quest.progress) {
        return true;
    }
    if (!preyGone(quest)) {
        return false;
    }
    const auto type = static_cast<QuestType>(quest.type);
    const bool onePrey = type == QuestType::UniqueMonsterSpotted || type == QuestType::Assassin;
    const bool items = type == QuestType::LevelQuestItem || type == QuestType::ArmorsmithLevelQuestItem ||
                       type == QuestType::WeaponsmithLevelQuestItem;
    return onePrey || items || !preyMayCome(quest);
}

bool Hunt::preyMayCome(Quest& quest) const
{
    // Clearing a level counts any of its monsters.
    if (quest.type == toIndex(QuestType::ClearLevel)) {
        return true;
    }
    std::vector<const MonsterType*> wanted;
    for (const QuestTarget& target : quest.targets) {
        if (target.count < target.needed) {
            wanted.push_back(target.monsterType);
        }
    }
    if (quest.targets.empty()) {
        wanted.push_back(quest.getMonsterType(0));
    }
    World& world = World::get();
    const int target = quest.getTargetLevel();
    for (int index = 1; index < world.getLevelCount(); ++index) {
        const Level* level = world.getLevel(index);
        const AreaDefinition* area = level ? level->definition : nullptr;
        if (!area || (Quests::zoneBound(quest) && index != target) ||
            (Journey::unexploredBlocks(index) == 0 && !Game::get().isLevelQuestTarget(index))) {
            continue;
        }
        for (const MonsterType* prey : wanted) {
            bool spawns = prey && area->isMonsterOfArea(prey);
            for (const AreaDefinition::SpawnEntry& entry : area->getSpawnEntries()) {
                spawns = spawns || (prey && entry.monster == prey);
            }
            if (spawns) {
                return true;
            }
        }
    }
    return false;
}

bool Hunt::goneOnLook(const Quest& quest, const char* back, const char* gone,
                      const std::function<bool()>& anyLeft) const
{
    auto& known = m_preyGone.try_emplace(quest.id, 0, false).first->second;
    if (known.first > frame()) {
        return known.second;
    }
    const bool left = anyLeft();
    if (known.second != !left) {
        trace(formatString("quest %d: %s", quest.id, left ? back : gone).c_str());
    }
    known = {frame() + 200, !left};
    return known.second;
}

int Hunt::knownPreyLevel(int id) const
{
    const auto known = m_preyLevels.find(id);
    return known != m_preyLevels.end() ? known->second.second : -1;
}

void Hunt::forgetDropped()
{
    std::erase_if(m_preyLevels, [&](const auto& prey) { return !player()->hasQuest(prey.first); });
    std::erase_if(m_preyGone, [&](const auto& prey) { return !player()->hasQuest(prey.first); });
    std::erase_if(m_preylessTime, [&](const auto& time) { return !player()->hasQuest(time.first); });
}

} // namespace selfplay
