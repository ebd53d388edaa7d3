// A quest's second set-up phase: its NPCs, monsters, traps, chest and the
// effects on the town, then the closing step. Also run when a quest is read
// back from a save ("restoring"): then the targets are already chosen and
// nothing is counted twice.
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/data/Localization.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameRules.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Player.h"
#include "game/entities/TrapGround.h"
#include "game/quests/Quest.h"
#include "game/quests/QuestDefinition.h"
#include "game/quests/QuestWorld.h"
#include "game/world/AreaDefinition.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/ServerLink.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kClassNames[4] = {"Warrior", "Rogue", "Priest", "Mage"};

Actor* townNpcAt(int slot)
{
    const Game* game = Game::instance();
    return game ? game->getTownNpcAt(slot) : nullptr;
}

// A random spot of a level: its area when it is built, else none.
ZonePosition randomSpotIn(int levelIndex)
{
    World* world = World::instance();
    if (!world || levelIndex < 0 || levelIndex >= world->getLevelCount()) {
        return ZonePosition(-1, 0.0f, 0.0f);
    }
    return world->randomPositionInLevel(levelIndex);
}

// A monster of the type placed near a spot of the level; monster level -1
// is the type's own.
Actor* spawnAt(const MonsterType* type, const ZonePosition& where, int monsterLevel, int levelIndex)
{
    const SpawnSystem* spawns = SpawnSystem::instance();
    if (!spawns || !type || where.zone < 0) {
        return nullptr;
    }
    Actor* actor = spawns->spawnMonsterAt(monsterLevel, type, where, levelIndex);
    if (actor) {
        actor->setQuestActor(true);
    }
    return actor;
}

// A monster of the type in a block of the level: block -1 lets the Game take
// one not yet populated and comes back as the block used.
Actor* spawnInBlock(const MonsterType* type, int levelIndex, int& block, int monsterLevel)
{
    Game* game = Game::instance();
    if (!game || !type) {
        return nullptr;
    }
    Actor* actor = game->spawnMonsterAtFreeBlock(levelIndex, block, type, monsterLevel);
    if (actor) {
        actor->setQuestActor(true);
    }
    return actor;
}

// The level's own monster level, for quest people who name none.
int levelMonsterLevel(int levelIndex)
{
    const World* world = World::instance();
    return world ? world->getLevelMonsterLevel(levelIndex) : -1;
}

// The block of the level grid a position lies in.
int blockAt(const ZonePosition& at)
{
    const GameRules& rules = worldRules();
    const float width = static_cast<float>(rules.blockTileWidth) * rules.tileSize;
    const float height = static_cast<float>(rules.blockTileHeight) * rules.tileSize;
    if (width <= 0.0f || height <= 0.0f) {
        return -1;
    }
    const int across = std::max(1, rules.blocksAcross);
    const int column = std::clamp(static_cast<int>(at.x / width), 0, across - 1);
    const int row = std::clamp(static_cast<int>(at.y / height), 0, std::max(1, rules.blocksDown) - 1);
    return row * across + column;
}

} // namespace

void Quest::place(bool restoring, QuestBase* source)
{
    if (failed || invalid) {
        return;
    }
    Game* game = Game::instance();
    const GameData* data = GameData::instance();
    if (!game || !data) {
        return;
    }
    const bool complete = isComplete();
    const int target = getTargetLevel();
    const int npcClass = is(QuestType::StoryShankarRescue) ? 0 : rollNpcClass();
    auto npcType = [&](const char* pattern) {
        return data->findMonsterType(std::string(pattern) + kClassNames[npcClass]);
    };
    // Every pattern NPC is named as the quest's texts name it.
    auto namedNpc = [this](Actor* npc) {
        if (npc) {
            npc->setNameSeed(static_cast<int32_t>(npcSeed));
        }
        return npc;
    };
    auto healthRoll = [this](Actor* npc, bool onlyLower) {
        if (!npc) {
            return;
        }
        const float share = randomFloatBetween(definition->minHealth, definition->maxHealth);
        // Never a dead NPC from a missing or zero range.
        const int health = std::max(1, static_cast<int>(static_cast<float>(npc->getMaxHealth()) * share));
        if (!onlyLower || health < npc->getHealth()) {
            npc->setHealth(health);
        }
    };
    auto fail = [this] { invalid = true; };

    switch (static_cast<QuestType>(type)) {
    case QuestType::LevelQuestItem:
    case QuestType::ArmorsmithLevelQuestItem:
    case QuestType::WeaponsmithLevelQuestItem:
    case QuestType::StoryTurenGraves:
    case QuestType::StoryCiglioFindItem:
        itemsPending = true;
        break;
    case QuestType::PoisonedSupply:
        itemsPending = true;
        setSupplyMultiplier(1.0f, restoring ? multiplier : definition->startMult);
        break;
    case QuestType::DeadlyPoison:
    case QuestType::Petrify:
        if (Actor* npc = townNpcAt(npcChoice)) {
            questNpc = npc;
            npc->setQuestActor(true);
            if (definition->statusEffect) {
                npc->addStatusEffect(definition->statusEffect, npc, level);
            }
        }
        break;
    case QuestType::Recruit:
        if (!restoring) {
            createRecruitNpc();
            if (!questNpc) {
                fail();
                return;
            }
            // The covenants' copies name the quest by its number, which
            // the table gives after the set-up.
            m_covenantCopyWanted = true;
        }
        break;
    case QuestType::UniqueMonsterSpotted:
    case QuestType::StoryKillTurenScout:
    case QuestType::StoryKillShankarPartner:
    case QuestType::StoryKillCiglioGuard:
    case QuestType::StoryKillDraaienMage:
    case QuestType::StoryDraaienNullifier: {
        if (complete && (is(QuestType::UniqueMonsterSpotted) || is(QuestType::StoryDraaienNullifier))) {
            break;
        }
        int block = -1;
        questNpc = spawnInBlock(monsterType, target, block, -1);
        if (!questNpc) {
            fail();
            return;
        }
        break;
    }
    case QuestType::Assassin:
    case QuestType::MonsterScout: {
        if (complete) {
            break;
        }
        Actor* monster = spawnAt(monsterType, randomSpotIn(0), -1, 0);
        questNpc = monster;
        if (!monster) {
            fail();
            return;
        }
        monster->setChecksActivity(false);
        monster->setWander(true);
        if (is(QuestType::MonsterScout)) {
            monster->setNoTargetScan(true);
        }
        break;
    }
    case QuestType::RescueNpc: {
        if (complete) {
            break;
        }
        const Quest* escort = dynamic_cast<const Quest*>(source);
        if (escort && escort->type == toIndex(QuestType::Escort)) {
            questNpc = escort->getQuestEntity();
            break;
        }
        int block = -1;
        Actor* npc = namedNpc(spawnInBlock(npcType("NpcRescue"), target, block, levelMonsterLevel(target)));
        questNpc = npc;
        if (!npc) {
            fail();
            return;
        }
        // The captive's block gets its monsters now.
        pendingBlock = block;
        populatePendingBlock();
        healthRoll(npc, false);
        npc->setNoTargetScan(true);
        break;
    }
    case QuestType::Escort:
    case QuestType::Delivery:
    case QuestType::WanderingVendor:
    case QuestType::Renegade:
    case QuestType::GhostRevenge: {
        if (complete && !is(QuestType::WanderingVendor) && !is(QuestType::GhostRevenge)) {
            break;
        }
        const char* pattern = is(QuestType::Escort)         ? "NpcEscort"
                              : is(QuestType::Delivery)     ? "NpcDelivery"
                              : is(QuestType::Renegade)     ? "NpcRenegade"
                              : is(QuestType::GhostRevenge) ? "NpcGhost"
                                                            : "NpcVendorWandering";
        const int npcLevel = is(QuestType::Renegade)       ? level + definition->levelChange
                             : is(QuestType::GhostRevenge) ? -1
                                                           : levelMonsterLevel(target);
        int block = -1;
        Actor* npc = namedNpc(spawnInBlock(npcType(pattern), target, block, npcLevel));
        questNpc = npc;
        if (!npc) {
            fail();
            return;
        }
        if (is(QuestType::Escort)) {
            healthRoll(npc, false);
        } else if (is(QuestType::Delivery)) {
            npc->setNoTargetScan(true);
        }
        if (is(QuestType::GhostRevenge)) {
            npc->setFade(0.25f);
            if (!complete && !fromSourceQuest) {
                int killerBlock = -1;
                spawnInBlock(monsterType, target, killerBlock, -1);
            }
        }
        break;
    }
    case QuestType::RenegadeAttack: {
        if (complete) {
            break;
        }
        const ZonePosition spot = randomSpotIn(0);
        if (Entity* npc = questNpc.get()) {
            // A restored quest whose renegade still lives moves it.
            npc->warp(spot);
            if (Actor* actor = dynamic_cast<Actor*>(npc)) {
                actor->setChecksActivity(false);
            }
        } else if (Actor* npc = namedNpc(spawnAt(npcType("NpcRenegade"), spot, -1, 0))) {
            questNpc = npc;
            npc->setChecksActivity(false);
        }
        break;
    }
    case QuestType::Kidnapping: {
        if (complete) {
            break;
        }
        Actor* npc = townNpcAt(npcChoice);
        questNpc = npc;
        if (!npc) {
            break;
        }
        const ZonePosition spot = randomSpotIn(target);
        // In a level not built yet it finds free ground when it is built.
        npc->warp(spot);
        // Held where it was taken: a way home it cannot walk would otherwise
        // teleport it back to its stand, out of the rescuer's reach.
        npc->setHomePosition(npc->getPosition());
        npc->setFlags(npc->getFlags() | EntityBase::kFlagKidnapped);
        npc->setQuestActor(true);
        npc->setNoTargetScan(true);
        healthRoll(npc, true);
        spawnAt(monsterType, spot, -1, target);
        break;
    }
    case QuestType::Revenge: {
        // In the middle block of the town.
        const GameRules& rules = data->rules();
        const int across = std::max(1, rules.blocksAcross);
        const int down = std::max(1, rules.blocksDown);
        int middle = (down / 2) * across + across / 2;
        Actor* npc = namedNpc(spawnInBlock(npcType("NpcRevenge"), 0, middle, -1));
        questNpc = npc;
        if (!npc) {
            fail();
            return;
        }
        if (!complete && !fromSourceQuest) {
            int killerBlock = -1;
            spawnInBlock(monsterType, target, killerBlock, -1);
        }
        break;
    }
    case QuestType::StoryShankarRescue: {
        if (complete) {
            break;
        }
        int block = -1;
        Actor* npc = spawnInBlock(data->findMonsterType(definition->defaultMonster), target, block,
                                  levelMonsterLevel(target));
        questNpc = npc;
        if (!npc) {
            fail();
            return;
        }
        const MonsterType* guard = data->findMonsterType(definition->monsterType);
        const int guards = randomIntInclusive(definition->minCount, definition->maxCount);
        for (int i = 0; i < guards; ++i) {
            spawnInBlock(guard, target, block, -1);
        }
        healthRoll(npc, false);
        npc->setNoTargetScan(true);
        break;
    }
    case QuestType::KillMonsterGroup:
    case QuestType::StoryShankarLuteKefah:
    case QuestType::Meeting: {
        if (targets.empty()) {
            break;
        }
        for (QuestTarget& t : targets) {
            t.needed = 1;
        }
        Actor* leader = nullptr;
        int block = -1;
        int where = target;
        if (source && source->getMonsterType(0)) {
            const Quest* sourceQuest = dynamic_cast<const Quest*>(source);
            leader = dynamic_cast<Actor*>(sourceQuest ? sourceQuest->getQuestEntity() : nullptr);
            if (leader) {
                where = leader->getPosition().zone;
                block = blockAt(leader->getPosition());
            }
        } else if (targets[0].count < targets[0].needed) {
            leader = spawnInBlock(targets[0].monsterType, target, block, -1);
        }
        Actor* last = nullptr;
        for (size_t i = 1; i < targets.size(); ++i) {
            last = nullptr;
            if (targets[i].count >= targets[i].needed) {
                continue;
            }
            last = spawnInBlock(targets[i].monsterType, where, block, -1);
            if (last && leader) {
                last->setLeader(leader, static_cast<int>(targets.size()) + 1);
            }
        }
        if (is(QuestType::Meeting)) {
            questNpc = leader;
            secondNpc = last;
        }
        break;
    }
    case QuestType::Thief: {
        Actor* thief = namedNpc(spawnAt(data->findMonsterType("NpcThief"), randomSpotIn(0), -1, 0));
        questNpc = thief;
        const Database* db = Database::instance();
        thiefEffect = db ? db->findEntry("StatusEffectThiefStealth") : nullptr;
        if (thief && thiefEffect) {
            thief->addStatusEffect(thiefEffect, thief, level);
        }
        moveThief(false);
        break;
    }
    case QuestType::NewNpc: {
        // Someone comes to live in an empty house of the town.
        const std::vector<int> empty = game->emptyTownNpcSlots();
        if (empty.empty()) {
            break;
        }
        const int slot = empty[static_cast<size_t>(randomInt(static_cast<int>(empty.size())))];
        game->createTownNpc(slot);
        // The newcomer stands at the player's level as the other townsfolk
        // do; it would rise only at the next level-up or join, so a world
        // saved before then would come back with it raised.
        game->levelTownNpcsTo(game->getFirstPlayer());
        Actor* npc = game->getTownNpcAt(slot);
        questNpc = npc;
        if (npc) {
            sendGameMessage(wrapText("QuestAnnounceNewNpc") + " $$NpcType" +
                                getNpcTypeName(npc->getNpcType()) + "$$ " + npc->getName(),
                            3);
        }
        break;
    }
    case QuestType::MonsterQuest: {
        int block = -1;
        Actor* monster = spawnInBlock(getMonsterType(0), target, block, levelMonsterLevel(target));
        questNpc = monster;
        if (!monster) {
            fail();
            return;
        }
        monster->setFriendly(true);
        break;
    }
    case QuestType::TownTraps: {
        World* world = World::instance();
        Level* town = world && world->getLevelCount() > 0 ? world->getLevel(0) : nullptr;
        const DatabaseEntry* trapEntry = town ? town->pickTrapObject() : nullptr;
        for (int i = std::max(progress, 0); trapEntry && i < goal; ++i) {
            auto* trap = new TrapGround();
            trap->setEntry(trapEntry, trapEntry->getName());
            trap->loadFromDatabase();
            trap->setLevel(level);
            trap->setPosition(randomSpotIn(0));
            trap->setTownTrap(true);
            trap->setHitsAnyone(true);
            if (game->addEntity(trap) < 0) {
                delete trap;
                break;
            }
            trap->onPlaced();
            appendSpawnedEntity(trap);
        }
        break;
    }
    case QuestType::Siege: {
        const MonsterType* engine = data->findMonsterType(definition->monsterType);
        for (int i = std::max(progress, 0); i < goal; ++i) {
            const ZonePosition spot = randomSpotIn(target);
            Actor* siegeEngine = spawnAt(engine, spot, -1, target);
            if (!siegeEngine) {
                break; // no room: the rest would fail the same way
            }
            appendSpawnedEntity(siegeEngine);
            spawnAt(monsterType, spot, -1, target);
        }
        break;
    }
    case QuestType::TownAttack: {
        if (gateHealth > 0.0f) {
            Actor* gate = spawnAt(data->findMonsterType("MonsterTownAttackGate"), attackPosition, -1, 0);
            questNpc = gate;
            if (gate && gateHealth < 1.0f) {
                gate->setHealth(
                    std::max(1, static_cast<int>(static_cast<float>(gate->getMaxHealth()) * gateHealth)));
            }
        }
        const int attackers = randomIntInclusive(definition->minCount, definition->maxCount);
        for (int i = 0; i < attackers; ++i) {
            addSpawnedEntity(spawnAt(monsterType, attackPosition, -1, 0));
        }
        break;
    }
    case QuestType::GuardBreaksFree: {
        Covenant* covenant = game->pickRandomCovenant();
        if (!covenant) {
            return;
        }
        const int slot = randomInt(Covenant::kGuardSlots);
        if (covenant->getGuard(slot)) {
            const std::string name = game->getCovenantColoredName(covenant->index);
            sendGameMessage(wrapText("QuestAnnounceGuardBreaksFree", "%s%s", name.c_str(), "'s"), 3);
            covenant->releaseGuard(slot);
        }
        break;
    }
    case QuestType::CrystalGain:
    case QuestType::CrystalLoss:
    case QuestType::InfluenceGain:
    case QuestType::InfluenceLoss: {
        Covenant* covenant = game->pickRandomCovenant();
        if (!covenant) {
            return;
        }
        // A restored quest has had its effect already.
        if (!restoring) {
            applyCovenantEffect(*covenant);
        }
        break;
    }
    case QuestType::TreasureMap: {
        World* world = World::instance();
        const Database* db = Database::instance();
        const std::string chestName = world ? world->getTreasureMapChestName(target) : std::string();
        const DatabaseEntry* entry = db && !chestName.empty() ? db->findEntry(chestName) : nullptr;
        if (!entry) {
            fail();
            return;
        }
        auto* chest = new Chest();
        chest->setEntry(entry, entry->getName());
        chest->loadFromDatabase();
        chest->setLevel(level);
        ZonePosition spot = randomSpotIn(target);
        ZonePosition free;
        for (int ring = 0; ring <= 64; ++ring) {
            if (game->findFreeSpotOnRing(spot, ring, free, chest)) {
                spot = free;
                break;
            }
        }
        chest->setPosition(spot);
        chest->setSecondaryPosition(spot);
        chest->setNotifiesQuests(true);
        if (game->addEntity(chest) < 0) {
            delete chest;
            fail();
            return;
        }
        questChest = chest;
        break;
    }
    default:
        break;
    }
    if (definition->boss) {
        if (!monsterType) {
            if (definition->defaultMonster.empty()) {
                pickBossMonsterType();
            } else {
                monsterType = data->findMonsterType(definition->defaultMonster);
            }
        }
        if (!complete) {
            spawnBoss();
        }
    }

    // Closing step. A restored quest has its count already and its spawn
    // entry once.
    addSpawnEntry();
    if (!restoring) {
        successCount += definition->startSuccess;
    }
}

void Quest::applyCovenantEffect(Covenant& covenant)
{
    Game* game = Game::instance();
    if (!game || !definition) {
        return;
    }
    const std::string name = game->getCovenantColoredName(covenant.index);
    const auto money = static_cast<int>(CovenantStat::Money);
    const float minChange = definition->minPercentChange;
    const float maxChange = definition->maxPercentChange;
    int amount = 0;
    switch (static_cast<QuestType>(type)) {
    case QuestType::CrystalGain:
        amount = static_cast<int>(std::lround(static_cast<double>(game->getAverageCovenantStat(money)) *
                                              randomFloatBetween(minChange, maxChange)));
        if (amount >= 1) {
            covenant.stats.addCapped(money, amount, 0);
            sendGameMessage(wrapText("QuestAnnounceCrystalGain", "%s %s %s", name.c_str(),
                                     formatThousands(amount).c_str(), pluralSuffix(amount)),
                            3);
        }
        break;
    case QuestType::CrystalLoss:
        amount = static_cast<int>(static_cast<double>(game->getAverageCovenantStat(money)) *
                                  randomFloatBetween(minChange, maxChange));
        amount = std::min(amount, covenant.stats.get(money));
        if (amount >= 1) {
            covenant.stats.subtractFloored(money, amount);
            sendGameMessage(wrapText("QuestAnnounceCrystalLoss", "%s %s %s", name.c_str(),
                                     formatThousands(amount).c_str(), pluralSuffix(amount)),
                            3);
        }
        break;
    case QuestType::InfluenceGain:
    case QuestType::InfluenceLoss: {
        const bool gain = static_cast<QuestType>(type) == QuestType::InfluenceGain;
        amount = gain ? game->giveCovenantInfluence(&covenant, minChange, maxChange)
                      : game->takeCovenantInfluence(&covenant, minChange, maxChange);
        if (amount >= 1) {
            sendGameMessage(wrapText(gain ? "QuestAnnounceInfluenceGain" : "QuestAnnounceInfluenceLoss",
                                     "%s %s", name.c_str(), formatThousands(amount).c_str()),
                            3);
        }
        break;
    }
    default:
        break;
    }
}

void Quest::createRecruitNpc()
{
    const GameData* data = GameData::instance();
    const SpawnSystem* spawns = SpawnSystem::instance();
    if (!data || !spawns) {
        return;
    }
    // The recruit the quest's texts describe: its class and recruit level.
    // A class of would-be recruits drawn from by level would hold a single
    // character class and belie the text (docs/formats.md, "Quests").
    const int cls = rollNpcClass();
    const std::string& typeName = data->rules().recruitMonsterTypes[static_cast<size_t>(cls)];
    const MonsterType* recruitType = data->findMonsterType(typeName);
    if (!recruitType) {
        return;
    }
    Actor* npc = spawns->spawnMonster(recruitType, 0, MonsterRarity::Normal, std::max(1, recruitLevel), true);
    if (!npc) {
        return;
    }
    questNpc = npc;
    placeRecruitNpc();
}

void Quest::placeRecruitNpc()
{
    Actor* npc = dynamic_cast<Actor*>(questNpc.get());
    Game* game = Game::instance();
    const GameData* data = GameData::instance();
    if (!npc || !game || !data) {
        return;
    }
    const int recruitStand = toIndex(NpcType::Recruit);
    const ZonePosition stand = data->rules().npcPositions[static_cast<size_t>(recruitStand)];
    ZonePosition spot = stand;
    bool found = false;
    for (int ring = 0; ring < 5 && !found; ++ring) {
        found = game->findFreeSpotOnRing(stand, ring, spot, npc);
    }
    if (!found) {
        spot = stand;
    }
    npc->setPosition(spot);
    npc->setSecondaryPosition(spot);
    npc->setDirection(data->rules().npcDirections[static_cast<size_t>(recruitStand)]);
    npc->setNameSeed(static_cast<int32_t>(npcSeed));
    npc->setQuestActor(true);
    npc->addStatusEffectByName("EnhancementRecruitBasic", npc);
    if (npc->getEntityNumber() < 0 && game->addEntity(npc) < 0) {
        questNpc = nullptr;
        delete npc;
    }
}

namespace {
// The world area a boss quest's boss guards: 1 … 3 for the first three boss
// types, 4 for every other.
int bossAreaOf(int questType)
{
    return questType >= toIndex(QuestType::BossKnight) && questType <= toIndex(QuestType::BossPrince)
               ? questType
               : 4;
}

// The monster level of a world area's first level; -1 when it has none.
int bossAreaLevel(int area, int& firstLevel)
{
    World* world = World::instance();
    firstLevel = world ? questworld::firstLevelOfArea(area) : -1;
    return firstLevel >= 0 ? world->getLevelMonsterLevel(firstLevel) : -1;
}
} // namespace

void Quest::pickBossMonsterType()
{
    Game* game = Game::instance();
    World* world = World::instance();
    if (monsterType || !game || !world) {
        return;
    }
    const int area = bossAreaOf(type);
    int firstLevel = -1;
    const int base = bossAreaLevel(area, firstLevel);
    const AreaDefinition* definitionOfArea = world->getArea(area);
    if (base < 0 || !definitionOfArea) {
        return;
    }
    const std::vector<MonsterType*> candidates = game->collectUnusedMonsterTypes(
        7, base + definitionOfArea->minMonsterLevelOffset, base + definitionOfArea->maxMonsterLevelOffset);
    if (candidates.empty()) {
        return;
    }
    const size_t n = candidates.size();
    monsterType = candidates[std::min(static_cast<size_t>(randomFloat() * static_cast<float>(n)), n - 1)];
}

void Quest::spawnBoss()
{
    const SpawnSystem* spawns = SpawnSystem::instance();
    World* world = World::instance();
    if (!spawns || !world || !monsterType) {
        return;
    }
    const int area = bossAreaOf(type);
    int firstLevel = -1;
    const int bossLevel = bossAreaLevel(area, firstLevel);
    const AreaDefinition* definitionOfArea = world->getArea(area);
    if (bossLevel < 0 || !definitionOfArea) {
        return;
    }
    Actor* boss = spawns->spawnMonster(monsterType, firstLevel, MonsterRarity::Boss, bossLevel);
    if (!boss) {
        return;
    }
    if (!spawns->placeMonster(boss, definitionOfArea->getFirstLevelCenter(), nullptr)) {
        delete boss;
        return;
    }
    boss->setQuestActor(true);
    questNpc = boss;
    level = bossLevel;
}
