#include "game/entities/Player.h"
#include "game/entities/Vendor.h"

#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/core/StringUtil.h"
#include "engine/data/Database.h"
#include "engine/object/ClassRecord.h"
#include "engine/object/Event.h"
#include "engine/object/EventSystem.h"
#include "game/covenants/Covenant.h"
#include "game/definitions/CharacterClass.h"
#include "game/definitions/GameData.h"
#include "game/definitions/GameEnums.h"
#include "game/definitions/GameFormulas.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/Actor.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Inventory.h"
#include "game/entities/Item.h"
#include "game/entities/Stash.h"
#include "game/quests/Quest.h"
#include "game/skills/SkillRefusal.h"
#include "game/world/FactionSystem.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "game/world/ServerLink.h"
#include "game/world/SpawnSystem.h"
#include "game/world/World.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {
constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}
constexpr int group(InventoryGroupIndex g)
{
    return toIndex(g);
}
constexpr float kFirstBlowDelay = 0.25f;
constexpr float kSamePlace = 0.01f;
// The message kind of a refusal, as a skill's; and how long a player stands
// before a blow it stands short of counts as out of reach.
constexpr int kAttackRefusalMessage = 5;
constexpr float kStandingSeconds = 1.0f;

bool aliveOrHealthless(const Entity* e)
{
    // Dead means a health capacity with less than 1 health left.
    return e && !(e->getMaxHealth() > 0 && e->getHealth() < 1);
}

// Stores the actor's record at index when it beats the stored one by the
// value chosen (at the player's level or at level 1).
void keepRecordIfHigher(std::vector<int32_t>& values, int index, const Actor& actor, int playerLevel,
                        bool atPlayerLevel)
{
    std::vector<int32_t> candidate(2, -1);
    storeMonsterRecord(candidate, 0, actor.getMonsterType(), actor.getLevel(), actor.getEnhancementRarity(),
                       playerLevel);
    if (monsterExperienceFromRecord(candidate, 0, atPlayerLevel) >
        monsterExperienceFromRecord(values, index, atPlayerLevel))
        storeMonsterRecord(values, index, actor.getMonsterType(), actor.getLevel(),
                           actor.getEnhancementRarity(), playerLevel);
}

void setupGroup(InventoryBase& inventory, InventoryGroupIndex index, int size)
{
    if (InventoryGroup* g = inventory.getOwnGroup(group(index)))
        g->setSize(size);
}
} // namespace

Player::Player()
{
    if (g_playerClass)
        setClassRecord(g_playerClass);
    setBaseLight(Vec3(1.0f, 1.0f, 1.0f), 40.0f);
    m_statistics.assign(kStatisticCount, 0);
    setCharacterClass(0);
    if (const CharacterClass* c = getCharacterClass())
        for (int i = 0; i < 5; ++i)
            m_stats.set(stat(CharacterStat::BaseStrength) + i, c->startAttributes[static_cast<size_t>(i)]);
    updateStats(false);
    m_health = m_maxHealth;
    m_inventory->setOwner(this);
    const GameData* data = GameData::instance();
    setupGroup(*m_inventory, InventoryGroupIndex::Main, 4);
    setupGroup(*m_inventory, InventoryGroupIndex::Stash, 8);
    setupGroup(*m_inventory, InventoryGroupIndex::Equipment, 18);
    setupGroup(*m_inventory, InventoryGroupIndex::House, 8);
    setupGroup(*m_inventory, InventoryGroupIndex::Bookshelf, data ? data->rules().bookshelfSize : 0);
    setupGroup(*m_inventory, InventoryGroupIndex::Backup, 2);
    // Loot and the loot bags show whatever the player deals with.
    for (int g = group(InventoryGroupIndex::Loot); g <= group(InventoryGroupIndex::LootBag8); ++g)
        if (InventoryGroup* own = m_inventory->getOwnGroup(g))
            own->setHeldByOwner(true);
    if (FactionSystem* factions = FactionSystem::instance())
        if (Faction* faction = factions->getOrAddFaction("Barbarian"))
            m_factionId = faction->id;
    addStatusEffectByName("StatusEffectBasicRegen", nullptr, 1);
    m_statistics[StrongestKill] = -1;
    m_statistics[StrongestKiller] = -1;
    m_statistics[WeakestKiller] = -1;
    for (auto& quest : m_quests)
        quest = std::make_unique<Quest>(true);
    for (Timer& timer : m_itemTimers) {
        m_timers.add(&timer);
        timer.listed = true;
    }
    m_gates = std::make_unique<GateList>(GateList::Mode::Level);
    m_gatesCopy = std::make_unique<GateList>(GateList::Mode::Covenant);
    m_flags65.assign(kFlagCount, false);
    reset();
}

Player::~Player()
{
    deleteGatePair(0);
    deleteGatePair(1);
    reset();
}

void Player::declareEvents(ClassRecord& record) {}

void Player::bindHandlers(ClassRecord& record)
{
    Sentient::bindHandlers(record);
    if (const EventType* kill = getEventType(SuccessfulKillEvent))
        record.addEventHandler(kill->id, static_cast<void (Player::*)(Event&)>(&Player::onSuccessfulKill));
    if (const EventType* resurrect = getEventType(ResurrectEvent))
        record.addEventHandler(resurrect->id, &Player::onResurrectEvent);
    if (const EventType* gate = getEventType(CreateGateEvent))
        record.addEventHandler(gate->id, &Player::onCreateGateEvent);
}

void Player::reset()
{
    m_action = 0;
    m_playerGatePosition = ZonePosition(-1, 0.0f, 0.0f);
    m_raidGatePosition = ZonePosition(-1, 0.0f, 0.0f);
    m_viewLevel = -1;
    for (auto& quest : m_quests)
        if (quest)
            quest->reset();
    m_target = nullptr;
    m_actionTarget = nullptr;
    m_targetSentient = nullptr;
    m_targetActor = nullptr;
    m_autoTarget = nullptr;
    m_targetCovenant = nullptr;
    if (m_gates)
        m_gates->clear();
    if (m_gatesCopy)
        m_gatesCopy->clear();
    m_warpPending = false;
}

Quest* Player::getQuest(int slot) const
{
    return slot >= 0 && slot < kQuestSlots ? m_quests[static_cast<size_t>(slot)].get() : nullptr;
}

float Player::reach()
{
    return worldRules().gridSize * 1.9f;
}

// ---- Actions ---------------------------------------------------------------------

void Player::setAction(int action, uint32_t targetNumber)
{
    Game* game = Game::instance();
    Entity* entity = nullptr;
    Covenant* covenant = nullptr;
    if (action == ActionChooseCovenant) {
        // The target number is a covenant index here.
        if (game && targetNumber < static_cast<uint32_t>(game->getCovenantCount()))
            covenant = game->getCovenant(static_cast<int>(targetNumber));
    } else if (game && targetNumber < static_cast<uint32_t>(Game::kMaxEntities)) {
        entity = game->getEntity(static_cast<int>(targetNumber));
    }
    if (action == m_action && entity == m_actionTarget.get() && covenant == m_targetCovenant)
        return;
    if ((m_action == ActionUseBegin || m_action == ActionUseHold) && m_actionTarget.get())
        m_actionTarget->endUse(this);
    m_action = action;
    m_target = entity;
    m_actionTarget = entity;
    m_targetSentient = dynamic_cast<Sentient*>(entity);
    m_targetActor = dynamic_cast<Actor*>(entity);
    m_targetCovenant = covenant;
    if (!m_actionTarget.get())
        return;
    if (action == ActionUseBegin || action == ActionUseHold) {
        cancelSkillWindup();
        m_actionTarget->beginUse(this);
    } else if (action == ActionUseOnce || action == ActionUseOnceAlt) {
        m_actionTarget->use(this);
    }
}

void Player::requestSkillUse(int treeIndex, int skillIndex, int targetNumber,
                             const ZonePosition& mousePosition)
{
    m_skillTarget = mousePosition;
    if ((m_action == ActionUseBegin || m_action == ActionUseHold) && m_actionTarget.get())
        m_actionTarget->endUse(this);
    Game* game = Game::instance();
    Entity* target = game && static_cast<uint32_t>(targetNumber) < static_cast<uint32_t>(Game::kMaxEntities)
                         ? game->getEntity(targetNumber)
                         : nullptr;
    useSkillByIndex(treeIndex, skillIndex, target);
}

Entity* Player::getTarget() const
{
    Entity* target = m_target.get();
    if (target && aliveOrHealthless(target))
        return target;
    if (m_action == ActionAttackNear) {
        Entity* automatic = m_autoTarget.get();
        if (automatic && aliveOrHealthless(automatic))
            return automatic;
    }
    return nullptr;
}

bool Player::hasDisablingEffect() const
{
    return !canAct();
}

// ---- Automatic target and attacking ---------------------------------------------------

Entity* Player::nearestAttacker() const
{
    Entity* best = nullptr;
    float bestDistance = 0.0f;
    for (const SafePtr<Listener>& listener : m_listeners) {
        auto* e = dynamic_cast<Entity*>(listener.get());
        if (!e || !e->isAlive() || e->hasFlag(kFlagHidden) || (e->getTickFlags() & kFlagHidden))
            continue;
        float d = distanceToEntity(e, false);
        if (!best || d < bestDistance) {
            best = e;
            bestDistance = d;
        }
    }
    return best;
}

void Player::pickAutoTarget()
{
    Entity* current = m_autoTarget.get();
    if (current && !current->isDead())
        return;
    m_autoTarget = nullptr;
    if (hasFlag(kFlagHidden))
        return;
    if (Entity* attacker = nearestAttacker()) {
        m_autoTarget = attacker;
        return;
    }
    for (Sentient* member : m_followers) {
        auto* follower = dynamic_cast<Player*>(member);
        Entity* attacker = nullptr;
        if (follower) {
            attacker = follower->nearestAttacker();
        } else if (member) {
            for (const SafePtr<Listener>& listener : member->getListeners()) {
                auto* e = dynamic_cast<Entity*>(listener.get());
                if (e && e->isAlive() && !e->hasFlag(kFlagHidden) &&
                    (!attacker ||
                     member->distanceToEntity(e, false) < member->distanceToEntity(attacker, false)))
                    attacker = e;
            }
        }
        if (attacker) {
            m_autoTarget = attacker;
            return;
        }
    }
}

void Player::considerAttacker(Entity* attacker)
{
    if (!attacker || attacker == m_autoTarget.get())
        return;
    Entity* current = m_autoTarget.get();
    if (current && current->isAlive() && distanceToEntity(current, true) < reach())
        return;
    m_autoTarget = attacker;
    if (!m_timer.running || m_timer.remaining <= 0.0f) {
        m_timer.min = kFirstBlowDelay;
        m_timer.max = kFirstBlowDelay;
        m_timer.start(kFirstBlowDelay);
    }
}

void Player::attackedBy(Entity* attacker)
{
    Sentient::attackedBy(attacker);
    considerAttacker(attacker);
}

void Player::refuseAttack(Entity* target, SkillRefusal why)
{
    if (m_refusedTarget.get() == target && m_refusedWhy == why)
        return;
    m_refusedTarget = target;
    m_refusedWhy = why;
    sendMessage(kAttackRefusalMessage, getSkillRefusalText(toIndex(why), nullptr));
}

void Player::attackTarget()
{
    Entity* target = getTarget();
    if (!target || !isEnemyOf(target))
        return;
    // A blow the player asked for that cannot land says why, once for each
    // target and reason: a hidden foe is no mark, and one the player stands
    // short of (its walk ended) is out of reach.
    const bool asked = m_action == ActionAttack;
    if (target->hasFlag(kFlagHidden) || (target->getTickFlags() & kFlagHidden)) {
        if (asked)
            refuseAttack(target, SkillRefusal::CantSee);
        return;
    }
    if (!(distanceToEntity(target, true) < reach())) {
        if (asked && m_stillSeconds >= kStandingSeconds)
            refuseAttack(target, SkillRefusal::OutOfRange);
        return;
    }
    m_refusedTarget = nullptr;
    if (m_timer.running && m_timer.remaining > 0.0f)
        return;
    startAttack(target);
    float seconds = static_cast<float>(m_stats.get(stat(CharacterStat::AttackSpeed))) / 1000.0f *
                    randomFloatBetween(0.95f, 1.05f);
    m_timer.min = seconds;
    m_timer.max = seconds;
    m_timer.start(seconds);
    alertParty(target);
}

// ---- Step --------------------------------------------------------------------------

void Player::update(float dt)
{
    if (m_settleOnBuild)
        settleOnBuiltLevel();
    pickAutoTarget();
    m_stillSeconds += dt;
    Sentient::update(dt);
    m_statistics[MsPlayedToday] += static_cast<int32_t>(dt * 1000.0f);
    if (m_statistics[MsPlayedToday] > kMsPerDay) {
        m_statistics[MsPlayedToday] -= kMsPerDay;
        ++m_statistics[DaysPlayed];
    }
    if (m_maxHealth < 1 || m_health > 0) {
        if (m_action == ActionAttack ||
            (m_action == ActionAttackNear && !hasDisablingEffect() && !hasFlag(kFlagHidden)))
            attackTarget();
        checkHouseGuards();
        for (int i = 0; i < kQuestSlots; ++i)
            if (Quest* quest = getQuest(i); quest && quest->isInUse())
                quest->think(this, dt);
    } else {
        updateDeathAnimation();
    }
}

void Player::updateDeathAnimation()
{
    if (m_deathStage == 0) {
        playAnimation("dying", toIndex(AnimationPriority::Dying), kModeHold, true);
        m_deathStage = 1;
        return;
    }
    if (m_animationFinished && m_deathStage == 1) {
        if (playAnimation("dead", toIndex(AnimationPriority::HighestPriority), kModeLoop, true))
            m_deathStage = 2;
    }
}

// ---- Position and discovery --------------------------------------------------------

void Player::setPosition(const ZonePosition& position)
{
    if (m_position.zone != -1) {
        // The coordinates' own rounding does not count as a move.
        Vec2 d = ZonePosition::getOffset(position, m_position);
        float tolerance =
            kSamePlace + 4.0f * FLT_EPSILON * std::max(std::fabs(m_position.x), std::fabs(m_position.y));
        if (std::fabs(d.x) <= tolerance && std::fabs(d.y) <= tolerance)
            return;
    }
    // The spatial index, the view level and the stored position.
    Entity::setPosition(position);
    if (World* world = World::instance(); world && m_entityNumber >= 0 && world->getView(m_entityNumber)) {
        int level = m_viewLevel;
        world->updatePlayerView(m_entityNumber, m_position, level);
        m_viewLevel = level;
    }
    fireSimpleEvent(toIndex(SimpleEvent::Move), -1);
    m_stillSeconds = 0.0f;
    m_autoTarget = nullptr;
    discoverLevel(m_position.zone);
}

void Player::discoverLevel(int level)
{
    if (level < 0 || level >= static_cast<int>(m_visitedLevels.size()) || m_visitedLevels[level])
        return;
    m_visitedLevels[level] = true;
    if (level == 0)
        return;
    World* world = World::instance();
    int monsterLevel = world ? world->getLevelMonsterLevel(level) : 0;
    int xp = awardExperience(monsterLevel, 3, 1.0f);
    queueServerLine(ServerLine::Damage, "%d +%dxp", m_entityNumber, xp);
}

// ---- Damage, kills and death ---------------------------------------------------------

void Player::damaged(int amount, Entity* source, bool overTime, bool quiet)
{
    m_statistics[LargestHitTaken] = std::max(m_statistics[LargestHitTaken], amount);
    int number = source ? source->getEntityNumber() : -1;
    if (overTime)
        fireSimpleEvent(toIndex(SimpleEvent::DamageOverTime), number);
    else if (!quiet)
        fireSimpleEvent(toIndex(SimpleEvent::Hit), number);
}

void Player::hitLanded(int amount, Entity* target, bool hit, bool critical, bool crushingBlow,
                       bool deepWounds, bool flag)
{
    m_statistics[LargestHitDealt] = std::max(m_statistics[LargestHitDealt], amount);
    Sentient::hitLanded(amount, target, hit, critical, crushingBlow, deepWounds, flag);
}

void Player::onSuccessfulKill(Event& event)
{
    event.rewind();
    onSuccessfulKill(dynamic_cast<Entity*>(event.readObject()));
}

void Player::onSuccessfulKill(Entity* victim)
{
    auto* actor = dynamic_cast<Actor*>(victim);
    if (!actor || !actor->getMonsterType())
        return;
    // Kills count for the quests the player holds.
    for (int i = 0; i < kQuestSlots; ++i)
        if (Quest* quest = getQuest(i); quest && quest->isInUse())
            quest->countKill(actor);
    const int level = m_stats.get(stat(CharacterStat::Level));
    keepRecordIfHigher(m_statistics, StrongestKill, *actor, level, false);
    keepRecordIfHigher(m_statistics, StrongestKillAtLevel, *actor, level, true);
}

void Player::killed(Entity* killer)
{
    Sentient::killed(killer);
    const int level = m_stats.get(stat(CharacterStat::Level));
    if (auto* actor = dynamic_cast<Actor*>(killer); actor && actor->getMonsterType()) {
        keepRecordIfHigher(m_statistics, StrongestKiller, *actor, level, false);
        // The weakest killer: an empty record (value 0) takes any.
        std::vector<int32_t> candidate(2, -1);
        storeMonsterRecord(candidate, 0, actor->getMonsterType(), actor->getLevel(),
                           actor->getEnhancementRarity(), level);
        int value = monsterExperienceFromRecord(candidate, 0, false);
        int weakest = monsterExperienceFromRecord(m_statistics, WeakestKiller, false);
        if (weakest == 0 || weakest > value)
            storeMonsterRecord(m_statistics, WeakestKiller, actor->getMonsterType(), actor->getLevel(),
                               actor->getEnhancementRarity(), level);
    }
    // A death to another covenant's member costs nothing.
    if (killer && killer != this && killer->getCovenant())
        return;
    int debt = addDeathDebt();
    Game* game = Game::instance();
    float share = game ? game->settings().soulStoneXpReduction : 0.0f;
    const Database* db = Database::instance();
    const DatabaseEntry* stoneEntry = db ? db->findEntry("ObjectSoulStone") : nullptr;
    if (SpawnSystem* spawns = SpawnSystem::instance(); spawns && stoneEntry) {
        if (Item* stone = spawns->createItemOnGround(stoneEntry, m_position, 0, true)) {
            stone->setQuantity(static_cast<int>(std::floor(static_cast<double>(debt) * share)));
            stone->setOwner(this);
        }
    }
    if (game)
        game->raiseNpcChat(ChatDialogType::PlayerDeath, m_name);
}

void Player::onItemFound(const ItemBase* item)
{
    // Sets, uniques and artifacts are news in the town.
    const int rarity = item ? toIndex(item->getRarity()) : 0;
    if (Game* game = Game::instance(); game && rarity >= toIndex(ItemRarity::Set))
        game->raiseNpcChat(ChatDialogType::FoundUniqueItem, item->getDisplayName(true));
}

// ---- Friends and enemies -------------------------------------------------------------

bool Player::isEnemyOf(const Entity* entity) const
{
    if (!entity || entity == this)
        return false;
    Covenant* own = getCovenant();
    const auto* actor = dynamic_cast<const Actor*>(entity);
    if (!actor) {
        if ((own && entity->getCovenant() == own) || entity->getMaxHealth() < 1 || entity->getHealth() < 1)
            return false;
        return true;
    }
    const MonsterArchetype* monsterClass = actor->getMonsterClass();
    if (actor->isNpc() && monsterClass && monsterClass->npcRenegade)
        return true;
    Covenant* theirs = actor->getCovenant();
    if (actor->isNpc() && !theirs)
        return false;
    if (theirs && !(own && own->isHostile(theirs->index)))
        return false;
    return !actor->isFriendly();
}

bool Player::isFriendOf(const Entity* entity) const
{
    Covenant* own = getCovenant();
    if (!entity || !own)
        return false;
    if (Covenant* theirs = entity->getCovenant())
        return !own->isHostile(theirs->index);
    const auto* actor = dynamic_cast<const Actor*>(entity);
    if (!actor)
        return false;
    if (actor->isFriendly())
        return true;
    return actor->isNpc() && EntityServices::factionRelation(actor, this) > 1;
}

bool Player::isTalkingToOwnNpc() const
{
    const Actor* actor = m_targetActor.get();
    Covenant* own = getCovenant();
    return actor && actor->isNpc() && own && actor->getCovenant() == own;
}

// ---- Resurrection ------------------------------------------------------------------------

void Player::onResurrectEvent(Event& event)
{
    resurrect(true);
}

void Player::resurrect(bool warpToCovenant)
{
    if (!isDead())
        return;
    Covenant* covenant = getCovenant();
    if (warpToCovenant && covenant)
        warp(covenant->getPositionNearLifestone());
    const GameRules& rules = worldRules();
    m_health = static_cast<int>(std::floor(static_cast<double>(m_maxHealth) * rules.resurrectHealthPercent));
    if (const CharacterClass* c = getCharacterClass(); c && c->usesPower()) {
        int power = static_cast<int>(std::floor(
            static_cast<double>(m_stats.get(stat(CharacterStat::MaxPower))) * rules.resurrectPowerPercent));
        if (power > m_stats.get(stat(CharacterStat::Power)))
            m_stats.set(stat(CharacterStat::Power), power);
    }
    playAnimation("idle", toIndex(AnimationPriority::Override), 0, true);
    m_deathStage = 0;
    if (Game* game = Game::instance(); game && game->hooks().applyPlagueEffects)
        game->hooks().applyPlagueEffects(this);
}

// ---- Small slots --------------------------------------------------------------------------

void Player::warp(const ZonePosition& position)
{
    Sentient::warp(position);
    // A level not built yet shows no walls: the spot is looked at again
    // once it is.
    const Game* game = Game::instance();
    m_settleOnBuild = game && !game->isLevelLoaded(m_position.zone);
    sendWarp(m_position);
}

void Player::settleOnBuiltLevel()
{
    Game* game = Game::instance();
    if (!game || !game->isLevelLoaded(m_position.zone))
        return;
    m_settleOnBuild = false;
    if (!game->isPlaceFree(m_position, this, kWarpBlocking))
        warp(m_position);
}

void Player::trapDisarmed(Entity* trap)
{
    if (!trap)
        return;
    Entity* owner = trap->getParent();
    int level = owner ? owner->getStat(10) : trap->getStat(10);
    m_statistics[HighestTrapDisarmed] = std::max(m_statistics[HighestTrapDisarmed], level);
}

void Player::recordSkillTotal(int value)
{
    m_statistics[LargestSkillTotal] = std::max(m_statistics[LargestSkillTotal], value);
}

void Player::getClassText(int i, std::string& out) const
{
    if (const CharacterClass* c = getCharacterClass())
        out = c->getText(i);
}

void Player::recordValue18(int value)
{
    m_statistics[LargestHeal] = std::max(m_statistics[LargestHeal], value);
}

void Player::sendMessage(int type, const std::string& text)
{
    sendGameMessage(text, type);
}

InventoryGroup* Player::getInventoryGroup(int g)
{
    if (g == group(InventoryGroupIndex::Loot)) {
        Sentient* other = m_targetSentient.get();
        if ((m_action == ActionLootBody || m_action == ActionLootStash) && other && other->getInventory())
            return other->getInventory()->getOwnGroup(g);
    }
    if (m_action == ActionLootStash && g >= group(InventoryGroupIndex::Loot) &&
        g <= group(InventoryGroupIndex::LootBag8)) {
        const auto* stash = dynamic_cast<const Stash*>(m_target.get());
        return stash ? stash->getGroupFor(this, g) : nullptr;
    }
    if (g == group(InventoryGroupIndex::Loot)) {
        if (m_action == ActionTrade) {
            // The vendor takes the player as its customer before showing its goods.
            auto* vendor = dynamic_cast<Vendor*>(m_actionTarget.get());
            if (!vendor || !vendor->getInventory())
                return nullptr;
            vendor->setCustomer(this);
            return vendor->getInventory()->getOwnGroup(g);
        }
        Covenant* covenant = nullptr;
        if (m_action == ActionCovenantInventory && m_actionTarget)
            covenant = m_actionTarget->getCovenant();
        else if (m_action == ActionChooseCovenant)
            covenant = m_targetCovenant;
        return covenant ? covenant->getInventoryGroup(g) : nullptr;
    }
    if (g > group(InventoryGroupIndex::Loot) && g <= group(InventoryGroupIndex::LootBag8))
        return nullptr;
    return Sentient::getInventoryGroup(g);
}
