// The computer covenant's step: raid upkeep, offers, the adventure cycle,
// diplomacy, the recruit quest and guards; and the battles its members fight
// while away.
#include "game/covenants/ActorCovenant.h"

#include "engine/core/Random.h"
#include "game/covenants/CovenantDefinition.h"
#include "game/definitions/GameEnums.h"
#include "game/entities/Actor.h"
#include "game/entities/Chest.h"
#include "game/entities/Recruit.h"
#include "game/quests/Quest.h"
#include "game/world/CombatSystem.h"
#include "game/world/Game.h"
#include "game/world/Level.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kRaid = static_cast<int>(CovenantTreaty::Raid);
constexpr int kTownAttackQuest = static_cast<int>(QuestType::TownAttack);
constexpr int kSiegeQuest = static_cast<int>(QuestType::Siege);
constexpr float kTeleportEffectTime = 5.0f;

int statOf(const Actor* actor, CharacterStat stat)
{
    return actor ? actor->getStat(toIndex(stat)) : 0;
}

// A random place to stand on the level; the position as it is without a level.
bool randomSpotOn(int levelIndex, ZonePosition& out)
{
    World* world = World::instance();
    Level* level = world ? world->getLevel(levelIndex) : nullptr;
    if (!level)
        return false;
    out = level->randomPositionInArea();
    return true;
}
} // namespace

void ActorCovenant::update(float dt)
{
    if (destroyed) {
        if (raidTarget != -1)
            endRaid();
        return;
    }
    Covenant::update(dt);
    Game* game = Game::instance();
    if (game && !game->isCovenantAiOn())
        return;
    timers.update(dt);

    if (raidTarget != -1) {
        // Only a hero with a body can be missing from the raid.
        Recruit* hero = findHeroRecruit();
        if (isRaiding() && hero && hero->getActor() && !takesPartInRaid(hero->getActor())) {
            startRaid(raidTarget);
        } else if (raidLoaded && isRaiding()) {
            // A raid read from a save: its gate is not kept, and its party
            // stands at home. Both go back to the target's stone, once the
            // target's level stands to take them.
            const Covenant* t = covenantAt(raidTarget);
            if (t && !raidGate.get())
                createRaidGate(t->getPositionNearLifestone());
            raidLoaded = !sendRaidPartyToGate();
        }
        if (!isRaiding())
            raidLoaded = false;
        // A destroyed target's treaties are reset without a word to the
        // raider, so a raid target without the raid treaty ends here too.
        if (shouldStopRaid())
            endRaid();
    }
    updatePendingOffers(dt);
    updateAdventure();
    diplomacyStep();

    if (quest && quest->level != -1 && game) {
        Quest* running = game->getQuest(quest->id);
        Actor* candidate = nullptr;
        if (running && !running->failed)
            candidate = dynamic_cast<Actor*>(running->getQuestEntity());
        tryRecruit(candidate, true, quest.get());
    }
    upgradeGuard();
}

int ActorCovenant::decideAdventureType() const
{
    if (isRaiding() || isBeingRaided() || isAlarmActive())
        return kNoAdventure;
    const Game* game = Game::instance();
    if (game && game->hasOpenQuestOfType(kTownAttackQuest))
        return kTownAttack;
    if (game && game->hasOpenQuestOfType(kSiegeQuest))
        return kSiege;
    const Sentient* leader = getLeader();
    for (const auto& recruit : recruits) {
        const Actor* actor = recruit ? recruit->getActor() : nullptr;
        if (!actor || !actor->getTarget())
            continue;
        if (adventureState == kSharedAdventure && actor == leader)
            continue;
        return kNoAdventure;
    }
    return kAdventure;
}

int ActorCovenant::chooseAdventureType()
{
    if (adventureTypeTimer.running && !adventureTypeTimer.isExpired())
        return adventureType;
    float base = def().AdventureTypeTime;
    if (isOnAlert())
        base *= def().AlertAdventureTypeTimeMult;
    adventureTypeTimer.min = base - base * 0.1f;
    adventureTypeTimer.max = base + base * 0.1f;
    adventureTypeTimer.startRandom();
    adventureType = decideAdventureType();
    return adventureType;
}

void ActorCovenant::updateAdventure()
{
    if (isRaiding() && getRelationState(raidTarget) == kRaid)
        return;
    const int t = chooseAdventureType();
    auto defend = [this](int type) {
        if (type == kTownAttack)
            startTownDefence();
        else if (type == kSiege)
            startSiegeDefence();
    };
    auto goHome = [this] {
        endAdventure(true);
        setAllRecruitsLevel(-1);
    };
    switch (adventureState) {
    case kIdle:
        if (t == kAdventure)
            startAdventure();
        else
            defend(t);
        break;
    case kDefendingTown:
        if (t != kTownAttack)
            goHome();
        break;
    case kBesieged:
        if (t != kSiege)
            goHome();
        break;
    case kAdventuring:
        if (t != kAdventure) {
            endAdventure(true);
        } else if (adventureTimer.isExpired()) {
            endAdventure(true);
        } else if (battleTimer.isExpired()) {
            simulateBattles();
        } else if (quest && quest->level != -1 && questCandidateWilling) {
            if (quest->targetLevel < 0)
                quest->computeTargetLevels();
            const int questLevel = quest->targetLevel;
            World* world = World::instance();
            if (!world || !world->getLevel(questLevel))
                break;
            const int depth = world->getLevelMonsterLevel(questLevel);
            const Sentient* leader = getLeader();
            for (const auto& recruit : recruits) {
                if (!recruit || !recruit->away || recruit->levelIndex == questLevel)
                    continue;
                if (recruit->levelIndex < 0)
                    recruit->moveToRandomLevel(0);
                if (world->getLevelMonsterLevel(recruit->levelIndex) < depth)
                    continue;
                recruit->setLevel(questLevel);
                ZonePosition spot;
                if (recruit->getActor() && recruit->getActor() == leader && randomSpotOn(questLevel, spot))
                    teleportMember(recruit->getActor(), spot);
            }
        }
        break;
    case kReturned:
        if (t == kAdventure)
            goVisitTown();
        else
            defend(t);
        break;
    case kVisitingTown:
        if (t == kTownAttack || t == kSiege)
            defend(t);
        else if (!restTimer.running || restTimer.isExpired())
            adventureState = kIdle;
        break;
    case kSharedAdventure:
        if (t != kAdventure)
            stopSharedAdventure(this);
        break;
    default:
        break;
    }
}

void ActorCovenant::startAdventure()
{
    battleTimer.startRandom();
    adventureTimer.startRandom();
    restTimer.running = false;
    adventureState = kAdventuring;
    formAdventureParty();
}

void ActorCovenant::startTownDefence()
{
    adventureState = kDefendingTown;
    setAllRecruitsLevel(0);
    formAdventureParty();
}

void ActorCovenant::startSiegeDefence()
{
    adventureState = kBesieged;
    setAllRecruitsLevel(0);
    formAdventureParty();
}

void ActorCovenant::goVisitTown()
{
    adventureState = kVisitingTown;
    setAllRecruitsLevel(0);
    formAdventureParty();
    Game* game = Game::instance();
    // Without a town NPC there is nothing to visit; the rest still starts.
    Actor* npc = game ? game->pickRandomTownNpc() : nullptr;
    if (npc && !game->findQuestByGiver(npc, static_cast<int>(QuestType::Petrify)) &&
        !game->findQuestByGiver(npc, static_cast<int>(QuestType::Kidnapping))) {
        townVisit = true;
        townVisitPosition = npc->getPosition();
    }
    if (!restTimer.running)
        restTimer.startRandom();
}

void ActorCovenant::teleportMember(Entity* member, const ZonePosition& destination)
{
    if (!member)
        return;
    Game* game = Game::instance();
    if (game)
        game->spawnEntity("EffectTeleport", member->getPosition(), kTeleportEffectTime);
    member->warp(destination);
    if (game)
        game->spawnEntity("EffectTeleport", member->getPosition(), kTeleportEffectTime);
}

void ActorCovenant::endAdventure(bool moveToRandomLevel)
{
    restTimer.startRandom();
    battleTimer.running = false;
    adventureTimer.running = false;
    adventureState = kReturned;
    townVisit = false;
    for (const auto& recruit : recruits) {
        Actor* actor = recruit ? recruit->getActor() : nullptr;
        if (!actor)
            continue;
        if (recruit->away) {
            teleportMember(actor, getHouseSpot(actor));
            recruit->away = 0;
            if (moveToRandomLevel)
                recruit->moveToRandomLevel(0); // another level of its depth
        }
        actor->clearLeader();
    }
}

void ActorCovenant::formAdventureParty()
{
    const int n = getRecruitCount();
    int k = static_cast<int>(std::floor(randomFloat(0) * static_cast<float>(n)));
    if (k == n)
        k = n - 1;
    const int partySize = k + 1;
    for (const auto& recruit : recruits) {
        if (!recruit)
            continue;
        recruit->away = 0;
        if (Actor* actor = recruit->getActor())
            actor->clearLeader();
    }
    Sentient* leader = getLeader();
    Recruit* leaderRecruit = findRecruitByActor(dynamic_cast<Actor*>(leader));
    // Without a leader no party forms.
    if (!leaderRecruit)
        return;
    leaderRecruit->away = 1;
    if (leaderRecruit->levelIndex < 0)
        leaderRecruit->moveToRandomLevel(0);
    ZonePosition spot;
    if (randomSpotOn(leaderRecruit->levelIndex, spot))
        teleportMember(leader, spot);
    if (partySize <= 1)
        return;
    if (Recruit* member = findWeakestIdleRecruit()) {
        member->away = 1;
        member->setLevel(leaderRecruit->levelIndex);
        if (Actor* actor = member->getActor())
            actor->setLeader(leader, getRecruitSlotCount());
    }
}

Recruit* ActorCovenant::findWeakestIdleRecruit() const
{
    Recruit* weakest = nullptr;
    for (const auto& recruit : recruits) {
        const Actor* actor = recruit ? recruit->getActor() : nullptr;
        if (!actor || recruit->away)
            continue;
        if (!weakest) {
            weakest = recruit.get();
            continue;
        }
        const Actor* best = weakest->getActor();
        const int level = statOf(actor, CharacterStat::Level);
        const int bestLevel = statOf(best, CharacterStat::Level);
        if (level < bestLevel ||
            (level == bestLevel && statOf(actor, CharacterStat::Xp) < statOf(best, CharacterStat::Xp)))
            weakest = recruit.get();
    }
    return weakest;
}

Recruit* ActorCovenant::pickRandomIdleRecruit() const
{
    Recruit* picked = nullptr;
    float best = -1.0f;
    for (const auto& recruit : recruits) {
        if (!recruit || recruit->away || !recruit->getActor())
            continue;
        const float draw = randomFloat(0);
        if (draw > best) {
            best = draw;
            picked = recruit.get();
        }
    }
    return picked;
}

void ActorCovenant::simulateBattles()
{
    Game* game = Game::instance();
    if (game && game->hasOpenQuestOfType(kTownAttackQuest)) {
        endAdventure(false);
        return;
    }
    const CovenantDefinition& d = def();
    // A battle may recruit (and drop a member): walk the slots by index; a
    // new member is not away.
    for (size_t slot = 0; slot < recruits.size(); ++slot) {
        Recruit* recruit = recruits[slot].get();
        if (!recruit || !recruit->away)
            continue;
        const Actor* actor = recruit->getActor();
        if (actor && game) {
            const int zone = actor->getPosition().zone;
            // Hurt in a level a player keeps active: it fights there for real.
            if (zone > 0 && game->isLevelActive(zone) && actor->getHealth() < actor->getMaxHealth())
                continue;
        }
        if (!simulateBattle(recruit))
            continue;
        if (recruit->levelIndex < 0)
            recruit->moveToRandomLevel(0);
        World* world = World::instance();
        const int monsterLevel = world ? world->getLevelMonsterLevel(recruit->levelIndex) : 1;
        if (randomFloat(0) < d.QuestChancePerBattle) {
            const float mult = d.rollQuestXpMult();
            if (Actor* member = recruit->getActor())
                member->awardExperience(monsterLevel, 2, mult);
        }
        if (randomFloat(0) < d.ChestChancePerBattle && world) {
            Level* level = world->getLevel(recruit->levelIndex);
            const int place = level ? static_cast<int>(randomFloat(0) * 65536.0f) : 0;
            const int n = level ? world->rollChestCountAt(recruit->levelIndex, place) : 0;
            SpawnSystem* spawns = SpawnSystem::instance();
            for (int i = 0; i < n && spawns; ++i) {
                bool valid = false;
                level->randomPositionInArea(&valid);
                if (!valid)
                    continue;
                Chest* chest = spawns->createChest(recruit->levelIndex);
                if (!chest)
                    continue;
                CovenantReward reward;
                reward.chance = chest->getItemChance();
                reward.minimum = chest->getMinItems();
                reward.maximum = chest->getMaxItems();
                gainRandomItems(recruit->getActor(), &reward, monsterLevel);
                delete chest;
            }
        }
    }
    battleTimer.startRandom();
}

bool ActorCovenant::simulateBattle(Recruit* recruit)
{
    if (!recruit)
        return false;
    if (recruit->levelIndex < 0)
        recruit->moveToRandomLevel(0);
    SpawnSystem* spawns = SpawnSystem::instance();
    Actor* monster = spawns ? spawns->spawnMonsterForLevel(
                                  recruit->levelIndex, getMultiplier(toIndex(CovenantMultiplier::Recruiting)))
                            : nullptr;
    if (!monster)
        return true;
    if (monster->getNpcType() == toIndex(NpcType::Recruit) && tryRecruit(monster, false, nullptr))
        return false;
    CombatSystem* combat = CombatSystem::instance();
    const bool won = combat && combat->resolveOffscreenFight(monster, recruit);
    Actor* member = recruit->getActor();
    if (won && member) {
        member->enemyKilled(monster);
        monster->dropLoot();
        takeLootFromActor(monster);
    }
    delete monster;
    return true;
}
