// What the Game does when things end or come into a level: deaths told and
// reacted to, a destroyed covenant's chest, respawns, and actors placed
// before their level was built moved off blocked ground once it is.
#include "engine/core/ColorCodes.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/MathUtil.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "engine/data/NameGenerator.h"
#include "game/covenants/ActorCovenant.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/CovenantReward.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Player.h"
#include "game/entities/Vendor.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/NpcDisplayName.h"
#include "game/world/ServerLink.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

std::vector<Entity*> Game::collectEntitiesOnLevel(int level) const
{
    std::vector<Entity*> out;
    for (int i = 0; i < kMaxEntities; ++i) {
        Entity* entity = getEntity(i);
        if (entity && entity->getPosition().zone == level) {
            out.push_back(entity);
        }
    }
    return out;
}

namespace {

// How far out a level lies: its row of the world grid; a dungeon floor lies
// its floor number below the level it hangs from.
int levelDepth(Level* level)
{
    if (level->gridRow >= 0) {
        return level->gridRow;
    }
    Level* root = level->getRootLevel();
    return (root && root->gridRow >= 0 ? root->gridRow : 0) + std::max(0, level->levelNumber);
}

} // namespace

// Opened bits are m_levelFlags1 (kept in the world save), placed bits
// m_levelFlags2 (a loaded world places its chests again).
void Game::placeBonusChest(int level)
{
    World* world = World::instance();
    const SpawnSystem* spawns = SpawnSystem::instance();
    const Database* db = Database::instance();
    if (level <= 0 || level >= static_cast<int>(m_levelFlags1.size()) ||
        level >= static_cast<int>(m_levelFlags2.size()) || m_levelFlags1[static_cast<size_t>(level)] ||
        m_levelFlags2[static_cast<size_t>(level)] || !world || !spawns || !db) {
        return;
    }
    Level* where = world->getLevel(level);
    if (!where || !where->definition) {
        return;
    }
    // A chest still standing from before the level records were sized anew
    // keeps its place: one per level.
    for (Entity* entity : collectEntitiesOnLevel(level)) {
        if (const auto* chest = dynamic_cast<const Chest*>(entity); chest && chest->isBonusChest()) {
            m_levelFlags2[static_cast<size_t>(level)] = true;
            return;
        }
    }
    // The chest is part of the level's build: its draws come from the
    // level's seed and the shared streams are left as they were, so one world
    // seed places it alike whatever order the levels are built in.
    const uint32_t kept[2] = {Random::getState(0), Random::getState(1)};
    Random::setState(0, where->seed ^ 0xB0C5u);
    Random::setState(1, where->seed ^ 0xC4E5u);
    const GameRules& rules = worldRules();
    const int depth = levelDepth(where);
    const std::string& name = depth >= rules.bonusChestGreatDepth  ? rules.bonusChestGreatName
                              : depth >= rules.bonusChestGoodDepth ? rules.bonusChestGoodName
                              : where->subLevel                    ? rules.bonusChestDecentName
                                                                   : rules.bonusChestNormalName;
    const DatabaseEntry* entry = name.empty() ? nullptr : db->findEntry(name);
    Chest* chest = entry ? spawns->createChest(level, entry) : nullptr;
    if (chest) {
        const ZonePosition around = where->randomPositionInArea();
        ZonePosition spot = around;
        findFreeSpotNear(around, rules.freeSpotRingLimit, spot, chest, true);
        chest->setPosition(spot);
        chest->setSecondaryPosition(spot);
        chest->setBonusChest(true);
        if (addEntity(chest) < 0) {
            delete chest;
        } else {
            m_levelFlags2[static_cast<size_t>(level)] = true;
        }
    }
    Random::setState(0, kept[0]);
    Random::setState(1, kept[1]);
}

void Game::relocateBlockedEntities(int level)
{
    const GameData* data = GameData::instance();
    const int rings = data ? data->rules().freeSpotRingLimit : 0;
    // A spot drawn before the level was built may lie deep in a band of rock,
    // farther than the ring limit from any ground: the rings then go on until
    // they cover the whole level, so the entity reaches the nearest ground
    // instead of staying in the rock where nobody can reach it.
    const GameRules& rules = worldRules();
    const GridSettings& grid = getGrid();
    const int wholeLevel = static_cast<int>(
        std::ceil(std::max(rules.levelWidth / grid.cellWidth, rules.levelHeight / grid.cellHeight)));
    // Bounded, so that rules with a tiny grid cannot make the search endless.
    constexpr int kMostRings = 256;
    const int lastRing = std::max(rings, std::min(wholeLevel, kMostRings));
    constexpr uint32_t kSolidMask = 3;
    for (Entity* entity : collectEntitiesOnLevel(level)) {
        auto* actor = dynamic_cast<Actor*>(entity);
        if (!actor || !actor->relocated || isPlaceFree(actor->getPosition(), actor, kSolidMask)) {
            continue;
        }
        ZonePosition spot;
        if (findFreeSpotNear(actor->getPosition(), lastRing, spot, actor, false, kSolidMask)) {
            // A home where it was put moves with it: a home in the rock
            // would be a way back it can never walk.
            const ZonePosition from = actor->getPosition();
            const bool homeThere = actor->getHome().zone == from.zone &&
                                   ZonePosition::isWithinSquare(actor->getHome(), from, 0.5f);
            actor->warp(spot);
            if (homeThere) {
                actor->setHomePosition(actor->getPosition());
            }
        } else {
            const ZonePosition& at = actor->getPosition();
            debugPrint(2, "Level %d has no free ground for %s at %g %g; it stays there\n", level,
                       actor->getName().c_str(), static_cast<double>(at.x), static_cast<double>(at.y));
        }
    }
}

std::string Game::randomNpcName() const
{
    const char* list = randomFloat() < 0.5f ? "npcsMale" : "npcsFemale";
    NameGenerator* names = NameGenerator::instance();
    const uint32_t seed = Random::next(0);
    return names ? names->generateName(list, seed) : std::string();
}

// ---- Deaths -----------------------------------------------------------------------------

namespace {

constexpr int kNews = 3;
constexpr int kKilledByUnique = 21;
constexpr int kKilledByNormal = 22;
constexpr int kPlayerDestroyedCovenant = 17;
constexpr int kCovenantDestroyedCovenant = 18;
constexpr int kMonstersDestroyedCovenant = 19;
constexpr int kPlainColor = 145;

bool isUniqueRarity(int rarity)
{
    return rarity == 5 || rarity == 6 || rarity == 7;
}

// The rarity as the death lines name it: its colour, its name and a space.
std::string rarityText(int rarity)
{
    const GameRules& rules = worldRules();
    const std::string color = rarity >= 0 && rarity < kMonsterRarityCount
                                  ? rules.monsterRarityColor[static_cast<size_t>(rarity)]
                                  : std::string();
    return color + getMonsterRarityName(rarity) + " ";
}

std::string typeNameOf(const Actor* actor)
{
    const MonsterType* type = actor ? actor->getMonsterType() : nullptr;
    return type ? type->getName() : std::string();
}

} // namespace

void Game::announceDeath(Actor* victim, Entity* killer, bool silent)
{
    if (!victim) {
        return;
    }
    const auto* killerActor = dynamic_cast<const Actor*>(killer);
    const MonsterType* victimType = victim->getMonsterType();
    const bool townNpc =
        (victimType && victimType->givesQuests()) || dynamic_cast<const Vendor*>(victim) != nullptr;
    const int rarity = killerActor ? killerActor->getEnhancementRarity() : 0;
    const std::string name = getNpcDisplayName(victim);
    const std::string killerName = typeNameOf(killerActor);
    const std::string plain = formatColorCode(kPlainColor);
    if (!silent) {
        const MonsterType* killerType = killerActor ? killerActor->getMonsterType() : nullptr;
        const bool monster = killerType && !(killerType->archetype && killerType->archetype->npc);
        std::string line;
        if (!townNpc) {
            line = name + " (wandering recruit) has died!";
        } else if (monster && !isUniqueRarity(rarity)) {
            line = name + " was killed by a " + killerName + "!";
        } else if (monster) {
            line = name + " was killed by " + rarityText(rarity) + killerName + plain + "!";
        } else {
            line = name + " has died!";
        }
        sendGameMessage(line, kNews);
    }
    if (killerActor) {
        if (isUniqueRarity(rarity)) {
            triggerNpcChat(kKilledByUnique,
                           chatArguments(wrapText("", "%s%s%s", rarityText(rarity).c_str(),
                                                  killerName.c_str(), plain.c_str())),
                           victim->getNpcType());
        } else {
            triggerNpcChat(kKilledByNormal, chatArguments(wrapText("", "%s", killerName.c_str())),
                           victim->getNpcType());
        }
    }
}

void Game::onCovenantEnded(Covenant* destroyed, Covenant* destroyer)
{
    if (!destroyed) {
        return;
    }
    const std::string destroyedName = getCovenantColoredName(destroyed->index);
    if (!destroyer) {
        triggerNpcChat(kMonstersDestroyedCovenant, chatArguments(wrapText("", "%s", destroyedName.c_str())),
                       0);
        return;
    }
    const Sentient* leader = destroyed->getLeader();
    if (!leader) {
        return;
    }
    const int chestLevel =
        leader->getStat(toIndex(CharacterStat::Level)) + worldRules().rewardChestLevelBonus;
    const SpawnSystem* spawns = SpawnSystem::instance();
    const Database* db = Database::instance();
    const DatabaseEntry* entry = db ? db->findEntry("ChestRewardSmall") : nullptr;
    if (chestLevel < 1 || !spawns || !entry) {
        return;
    }
    const ZonePosition home = destroyed->housePosition;
    Chest* chest = spawns->createChest(home.zone, entry, chestLevel);
    if (!chest) {
        return;
    }
    const Player* first = getFirstPlayer();
    if (!first || first->getCovenant() != destroyer) {
        triggerNpcChat(kCovenantDestroyedCovenant,
                       chatArguments(wrapText("", "%s %s", getCovenantColoredName(destroyer->index).c_str(),
                                              destroyedName.c_str())),
                       0);
        if (auto* taker = dynamic_cast<ActorCovenant*>(destroyer)) {
            Sentient* finder = taker->getLeader();
            CovenantReward contents;
            contents.chance = chest->getItemChance();
            contents.minimum = chest->getMinItems();
            contents.maximum = chest->getMaxItems();
            contents.levelBonus = finder ? chestLevel - finder->getStat(toIndex(CharacterStat::Level)) : 0;
            taker->gainRandomItems(finder, &contents, chestLevel);
        }
        delete chest;
        return;
    }
    ZonePosition spot = home;
    for (int ring = 0; ring <= 4; ++ring) {
        if (findFreeSpotOnRing(home, ring, spot, chest)) {
            break;
        }
        spot = home;
    }
    chest->setPosition(spot);
    chest->setSecondaryPosition(spot);
    if (addEntity(chest) < 0) {
        delete chest;
        return;
    }
    sendGameMessage("Reward chest (lvl " + std::to_string(chestLevel) + ") now available in " +
                        destroyedName + possessiveSuffix(destroyedName) + " house!",
                    kNews);
    triggerNpcChat(kPlayerDestroyedCovenant, chatArguments(wrapText("", "%s", destroyedName.c_str())), 0);
}

void Game::scheduleMonsterRespawn(Actor* monster, Entity*)
{
    if (!monster || monster->getCovenant() || monster->noRespawn || !monster->respawn) {
        return;
    }
    const int level = monster->spawnPosition.zone;
    if (level <= 0 || level >= static_cast<int>(m_levels.size())) {
        return;
    }
    m_levels[static_cast<size_t>(level)].respawns.push_back(
        RespawnRecord{monster->spawnPosition, worldRules().monsterRespawnTime, true});
}

void Game::runRespawnQueues(float dt)
{
    const GameRules& rules = worldRules();
    const SpawnSystem* spawns = SpawnSystem::instance();
    for (size_t level = 0; level < m_levels.size(); ++level) {
        std::vector<RespawnRecord>& queue = m_levels[level].respawns;
        std::vector<RespawnRecord> again;
        for (size_t i = 0; i < queue.size();) {
            RespawnRecord& record = queue[i];
            if (record.active) {
                record.left = std::max(0.0f, record.left - dt);
            }
            if (!record.active || record.left > 0.0f) {
                ++i;
                continue;
            }
            const Player* nearest = findNearestPlayer(record.position);
            const bool farEnough =
                nearest &&
                ZonePosition::distanceTo(nearest->getPosition(), record.position) >= rules.respawnDistance;
            if (isLevelQuestTarget(static_cast<int>(level)) && farEnough && spawns) {
                spawns->spawnAndPlaceMonster(static_cast<int>(level), record.position);
            } else {
                again.push_back(RespawnRecord{record.position, rules.respawnDelay, true});
            }
            queue.erase(queue.begin() + static_cast<long>(i));
        }
        queue.insert(queue.end(), again.begin(), again.end());
    }
}
