#include "game/entities/Actor.h"

#include "game/entities/Player.h"

#include "engine/core/ByteBuffer.h"
#include "engine/core/DebugSystem.h"
#include "engine/core/Random.h"
#include "engine/object/ClassRecord.h"
#include "engine/object/EventSystem.h"
#include "game/covenants/Covenant.h"
#include "game/covenants/StatChangeList.h"
#include "game/definitions/GameData.h"
#include "game/definitions/InventoryBase.h"
#include "game/definitions/InventoryGroup.h"
#include "game/definitions/MonsterArchetype.h"
#include "game/definitions/MonsterType.h"
#include "game/definitions/WorldRules.h"
#include "game/entities/EntityServices.h"
#include "game/entities/Inventory.h"
#include "game/entities/Player.h"
#include "game/entities/Recruit.h"
#include "game/skills/Skill.h"
#include "game/skills/SkillBase.h"
#include "game/skills/SkillDefinition.h"
#include "game/skills/SkillList.h"
#include "game/skills/SkillListBase.h"
#include "game/world/EntityQueryMask.h"
#include "game/world/Game.h"
#include "game/world/GameClasses.h"
#include "game/world/PathFinder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int stat(CharacterStat s)
{
    return toIndex(s);
}

constexpr const char* kEventNames[Actor::EventCount] = {"EnemyHealed", "EnemyBuffed", "PassToBehavior",
                                                        "HeardSound"};

constexpr int kEquipmentSlots = 18;
constexpr int kLootSlots = 8;
// Item types an actor takes into its hands without usesAllItems.
constexpr int kUsableItemTypes[] = {19, 12, 13, 14, 4};

float entityDistance(const Entity* a, const Entity* b)
{
    return ZonePosition::distanceTo(a->getPosition(), b->getPosition());
}

} // namespace

Actor::Actor() : Actor(HeldStats{})
{
    resumeStatUpdates();
}

Actor::Actor(HeldStats)
{
    if (g_actorClass)
        setClassRecord(g_actorClass);
    m_secondaryPosition = snapToGrid(m_position);
    m_secondaryPosition.normalize();
    if (InventoryGroup* equipment = m_inventory->getOwnGroup(toIndex(InventoryGroupIndex::Equipment)))
        equipment->setSize(kEquipmentSlots);
    if (InventoryGroup* loot = m_inventory->getOwnGroup(toIndex(InventoryGroupIndex::Loot)))
        loot->setSize(kLootSlots);
    m_activityTimer.min = 0.5f;
    m_activityTimer.max = 0.6f;
    m_activityTimer.startRandom();
    for (Timer* t : {&m_activityTimer, &m_corpseTimer, &m_hearingTimer}) {
        m_timers.add(t);
        t->listed = true;
    }
    // One recompute for the fresh stats and the regeneration together.
    deferStatUpdates();
    updateStats(true);
    addStatusEffectByName(kRegenEffect, this, 1);
}

Actor::~Actor()
{
    clearTargetList();
}

// ---- Events --------------------------------------------------------------------

void Actor::declareEvents(ClassRecord& record)
{
    if (EventSystem* events = EventSystem::instance())
        for (int i = 0; i < EventCount; ++i)
            s_events[i] = events->findEvent(kEventNames[i]) ? events->findEvent(kEventNames[i])
                                                            : events->createEvent(kEventNames[i]);
}

void Actor::bindHandlers(ClassRecord& record)
{
    if (s_events[EnemyHealedEvent])
        record.addEventHandler(s_events[EnemyHealedEvent]->id, &Actor::onEnemyHealed);
    if (s_events[EnemyBuffedEvent])
        record.addEventHandler(s_events[EnemyBuffedEvent]->id, &Actor::onEnemyBuffed);
    if (s_events[PassToBehaviorEvent])
        record.addEventHandler(s_events[PassToBehaviorEvent]->id, &Actor::onPassToBehavior);
    if (s_events[HeardSoundEvent])
        record.addEventHandler(s_events[HeardSoundEvent]->id, &Actor::onHeardSound);
    if (const EventType* killed = Sentient::getEventType(Sentient::EnemyKilledEvent))
        record.addEventHandler(killed->id, &Actor::onEnemyKilled);
}

void Actor::onEnemyHealed(Event& event)
{
    auto* healed = event.readObjectAs<Sentient>();
    auto* healer = event.readObjectAs<Sentient>();
    int amount = event.readInt();
    if (healed && healer && healer != healed && isEnemyOf(healed))
        updateTargetEntry(healer, static_cast<float>(amount), kThreatHeal);
}

void Actor::onEnemyBuffed(Event& event)
{
    auto* buffed = event.readObjectAs<Entity>();
    auto* buffer = event.readObjectAs<Entity>();
    int skillIndex = event.readInt();
    if (!buffed || !buffer || skillIndex < 0 || !isEnemyOf(buffed))
        return;
    auto* user = dynamic_cast<Sentient*>(buffer);
    SkillListBase* list = user ? user->getSkillList() : nullptr;
    auto* skill = dynamic_cast<Skill*>(list ? list->findById(skillIndex) : nullptr);
    float hate = skill ? skill->getSilentHateChange(user) : 0.0f;
    if (hate > 0.0f)
        updateTargetEntry(buffer, hate, kThreatBuff);
}

void Actor::onPassToBehavior(Event& event)
{
    passEventToCurrentBehavior(event);
}

void Actor::onHeardSound(Event& event)
{
    auto* source = dynamic_cast<Sentient*>(event.readObjectAs<Entity>());
    if (!source || source == this || isDead())
        return;
    if (!canAct())
        return;
    int relation = EntityServices::factionRelation(this, source);
    if (relation != 0 && relation != 1)
        return;
    if (m_hearingTimer.running && !m_hearingTimer.isExpired())
        return;
    m_hearingTimer.min = m_hearingTimer.max = 0.0f;
    float senses = m_monsterClass ? m_monsterClass->sensesTime : 0.0f;
    m_hearingTimer.duration = m_hearingTimer.remaining = randomRange(senses, 0.25f);
    m_hearingTimer.running = true;
    if (isEnemyOf(source))
        return;
    Game* game = Game::instance();
    GridPath path;
    if (game && game->findPath(this, m_position, source->getPosition(), source, path))
        addTargetEntry(source);
}

void Actor::onEnemyKilled(Event& event)
{
    if (auto* killed = event.readObjectAs<Entity>())
        removeTargetEntry(killed);
}

// ---- Entity operations ---------------------------------------------------------

void Actor::setPosition(const ZonePosition& position)
{
    if (!ZonePosition::isWithinSquare(position, m_position, 0.01f))
        fireSimpleEvent(toIndex(SimpleEvent::Move), -1);
    Entity::setPosition(position);
    if (!m_homeSet)
        setHomePosition(position);
}

bool Actor::canUseItemType(int type) const
{
    if (m_usesAllItems)
        return true;
    return std::find(std::begin(kUsableItemTypes), std::end(kUsableItemTypes), type) !=
           std::end(kUsableItemTypes);
}

bool Actor::canMove() const
{
    if (!m_monsterClass || !m_monsterClass->canTurn)
        return false;
    return getStat(stat(CharacterStat::Movement)) > 0 && Sentient::canMove();
}

int Actor::getNpcType() const
{
    return m_monsterClass ? m_monsterClass->npcType : 0;
}

bool Actor::isPlaceFree(const ZonePosition& position) const
{
    // The actor itself never blocks its own next step.
    Game* game = Game::instance();
    return game && game->isPlaceFree(position, this);
}

void Actor::markObstacles(PathGrid& grid, float ex, float ey, uint32_t mask)
{
    std::vector<Entity*> found;
    collectObstacles(ex, ey, mask, found);
    for (Entity* e : found)
        PathFinder::markObstacle(grid, e);
}

void Actor::collectObstacles(float ex, float ey, uint32_t mask, std::vector<Entity*>& out) const
{
    Game* game = Game::instance();
    if (!game)
        return;
    std::vector<Entity*> found;
    game->queryEntitiesInRadius(m_position, std::sqrt(ex * ex + ey * ey), false, found);
    for (Entity* e : found) {
        if (e == this || e->getEntityNumber() < 0 || e->getEntityNumber() >= Game::kMaxEntities)
            continue;
        if (!e->isSolid() || (mask & (1u << std::clamp(e->getSolidType(), 0, 31))) == 0)
            continue;
        if (!ZonePosition::isWithinBox(e->getPosition(), m_position, ex, ey))
            continue;
        out.push_back(e);
    }
}

void Actor::writeSnapshot(ByteBuffer& out) const
{
    Sentient::writeSnapshot(out);
    out.writeInt(getStat(stat(CharacterStat::Power)));
    out.writeInt(getStat(stat(CharacterStat::MaxPower)));
    out.writeInt(getStat(stat(CharacterStat::Movement)));
    out.writeInt(m_usesAllItems ? 1 : 0);
    out.writeInt(m_enhancementRarity);
    // The quests this actor offers: only quest givers and quest actors.
    std::vector<int32_t> offered;
    Game* game = Game::instance();
    if (game && (m_questActor || (m_monsterClass && m_monsterClass->givesQuests))) {
        for (int number : game->collectQuestsOfferedBy(const_cast<Actor*>(this))) {
            offered.push_back(number);
        }
    }
    out.writeIntVector(offered);
    out.writeInt(m_nameIndex);
    out.writeInt(getStat(stat(CharacterStat::Level)));
}

void Actor::attackedBy(Entity* attacker)
{
    Sentient::attackedBy(attacker);
    addTargetEntry(attacker);
    if (Game* game = Game::instance()) {
        auto* sentient = dynamic_cast<Sentient*>(attacker);
        float range = sentient ? getDetectionRange(sentient) : 0.0f;
        if (range > 0.0f)
            game->emitHeardSound(this, attacker, range);
        if (m_questActor && game->hooks().questNpcAttacked)
            game->hooks().questNpcAttacked(this, attacker);
    }
}

void Actor::fireSimpleEvent(int event, int datum)
{
    Sentient::fireSimpleEvent(event, datum);
    notifyBehaviors(event, datum);
}

void Actor::printInfo() const
{
    Entity::printInfo();
    printBehaviorInfo();
}

void Actor::getTargetPosition(ZonePosition& out) const
{
    out = m_currentTarget ? m_currentTarget->getPosition() : m_position;
}

void Actor::warp(const ZonePosition& position)
{
    Sentient::warp(position);
    dropWalk();
    // A level not built yet has no ground to test: the actor finds free
    // ground when it is built, as the level's own monsters do.
    const Game* game = Game::instance();
    const int zone = m_position.zone;
    if (game && zone >= 0 && zone < game->getLevelCount() && !game->isLevelLoaded(zone)) {
        relocated = true;
    }
}

// ---- Sentient operations ---------------------------------------------------------

void Actor::addStatBonus(int s, int& value, int group)
{
    if (group != 1)
        return;
    if (s == stat(CharacterStat::MinDamage))
        value += getBaseMinDamage();
    else if (s == stat(CharacterStat::MaxDamage))
        value += getBaseMaxDamage();
    else if (s == stat(CharacterStat::Movement))
        value = m_sprinting ? m_sprintSpeed
                            : (m_monsterClass ? static_cast<int>(m_monsterClass->baseSpeed) : value);
    else if (s >= stat(CharacterStat::ResistancePhysical) && s <= stat(CharacterStat::ResistanceMagic))
        value += m_resistanceBonus[static_cast<size_t>(s - stat(CharacterStat::ResistancePhysical))];
}

CounterList Actor::walkingStatsWith(const std::vector<StatusEffect*>& effects) const
{
    auto* self = const_cast<Actor*>(this);
    const bool sprinting = std::exchange(self->m_sprinting, false);
    CounterList walking = statsWithEffects(effects);
    self->m_sprinting = sprinting;
    return walking;
}

void Actor::levelUp()
{
    Sentient::levelUp();
    spendSkillPoints();
}

bool Actor::hasEnemyNear(bool targetingMe, bool targetingParty, float radius) const
{
    if (Sentient::hasEnemyNear(targetingMe, targetingParty, radius))
        return true;
    for (const TargetEntry& entry : m_targets)
        if (entry.entity && entry.entity->getTarget() == this)
            return true;
    return false;
}

void Actor::addBaseDamage(StatChangeList& list)
{
    int lo = getBaseMinDamage();
    int hi = getBaseMaxDamage();
    if (hi > 0)
        list.add(0, lo, hi);
    if (auto* inventory = dynamic_cast<const Inventory*>(m_inventory.get()))
        inventory->addEquippedDamage(list);
}

void Actor::triggerStatusEffectsOnHit(Event& event, bool flag)
{
    passEventToBehaviors(event);
    Sentient::triggerStatusEffectsOnHit(event, flag);
}

void Actor::enemyKilled(Entity* victim)
{
    Sentient::enemyKilled(victim);
    // The kill counts for the covenant's quest here, once, for the killer:
    // the kill event also reaches every follower of a party's leader.
    if (Covenant* covenant = getCovenant())
        covenant->countQuestKill(victim);
}

float Actor::getSizeScale() const
{
    if (m_monsterType && m_monsterType->scale > 0.0f)
        return m_monsterType->scale;
    if (m_monsterClass && m_monsterClass->scale > 0.0f)
        return m_monsterClass->scale;
    return 1.0f;
}

bool Actor::hasOwnAvoidance() const
{
    return m_monsterClass && m_monsterClass->simpleDefenseOnly;
}

std::string Actor::getAttackSoundName(int index) const
{
    if (m_monsterClass && index >= 0 && index < MonsterArchetype::kCombatSoundCount &&
        !m_monsterClass->attackSounds[static_cast<size_t>(index)].empty())
        return m_monsterClass->attackSounds[static_cast<size_t>(index)];
    return Sentient::getAttackSoundName(index);
}

std::string Actor::getCombatEffectName(int index) const
{
    if (m_monsterClass && index >= 0 && index < MonsterArchetype::kCombatSoundCount)
        return m_monsterClass->combatEffects[static_cast<size_t>(index)];
    return {};
}

float Actor::getLootShare() const
{
    const Covenant* covenant = getCovenant();
    return covenant ? covenant->lootShareFor(this) : 1.0f;
}

void Actor::giveLoot(Actor* victim)
{
    if (Covenant* covenant = getCovenant())
        covenant->takeLoot(victim);
}

bool Actor::canBeAttacked() const
{
    return m_monsterClass && m_monsterClass->canBeAttacked;
}

float Actor::getXpShareFactor() const
{
    // A follower ranked below its covenant's leader takes a smaller share.
    const Covenant* covenant = getCovenant();
    const Sentient* leader = covenant ? covenant->getLeader() : nullptr;
    if (!leader || leader == this)
        return 1.0f;
    const int level = toIndex(CharacterStat::Level);
    const int xp = toIndex(CharacterStat::Xp);
    const int leaderLevel = leader->getStat(level);
    const int ownLevel = getStat(level);
    if (leaderLevel > ownLevel || (leaderLevel == ownLevel && leader->getStat(xp) > getStat(xp)))
        return worldRules().followerXpFactor;
    return 1.0f;
}

float Actor::getXpMult() const
{
    const GameRules& rules = worldRules();
    int rarity = std::clamp(m_enhancementRarity, 0, kMonsterRarityCount - 1);
    return rules.enhancementXpMult[static_cast<size_t>(rarity)] *
           (m_monsterClass ? m_monsterClass->xpMult : 1.0f);
}

void Actor::playIdleAnimation(bool restart)
{
    bool hidden = hasFlag(kFlagHidden);
    int priority = restart
                       ? toIndex(AnimationPriority::Override)
                       : (hidden ? toIndex(AnimationPriority::IdleHidden) : toIndex(AnimationPriority::Idle));
    playAnimation(hidden ? "idleHiding" : "idle", priority, kModeLoop, false);
}

// ---- Update ----------------------------------------------------------------------

void Actor::update(float dt)
{
    Sentient::update(dt);
    if (m_maxHealth < 1 || m_health > 0) {
        checkActivity();
        if (m_active) {
            lookForTargets(dt);
            updateTargets(dt);
            // The skill list stepped in Sentient::update; its choice is
            // ready before the behaviours run.
            if (auto* skills = dynamic_cast<SkillList*>(m_skillList))
                skills->chooseSkill(this);
            thinkBehaviors(dt);
            Game* game = Game::instance();
            if (game && game->isLevelLoaded(m_position.zone))
                walk(dt);
        }
        lookAtTalkingPlayer();
        faceLifestoneWhenIdle();
        if (m_monsterClass && m_monsterClass->invisibleDistance > 0.0f) {
            if (Entity* nearest = findNearestTarget()) {
                float d = entityDistance(this, nearest);
                float alpha = std::clamp(1.0f - d / m_monsterClass->invisibleDistance, 0.0f, 1.0f);
                Entity::fadeTo(this, alpha, 0.5f);
            }
        }
        if (m_deathState == kAlive)
            playIdleAnimation(false);
        return;
    }
    updateDead(dt);
}

void Actor::checkActivity()
{
    if (m_activityTimer.running && !m_activityTimer.isExpired())
        return;
    m_activityTimer.startRandom();
    bool wasActive = m_active;
    const Covenant* covenant = getCovenant();
    const bool ledByPlayer = dynamic_cast<const Player*>(getLeader()) != nullptr;
    // A raider stays awake far from any player: asleep it would drop the
    // stone from its targets and the raid could never strike.
    const bool raiding = covenant && covenant->takesPartInRaid(this);
    if (m_checksActivity && !(covenant && covenant->isPlayerCovenant()) && !ledByPlayer && !raiding) {
        // Players wake monsters as they come near; without any the distance
        // counts as far away.
        float d = 1.0e10f;
        const Game* game = Game::instance();
        if (const Player* player = game ? game->findNearestPlayer(m_position) : nullptr)
            d = ZonePosition::distanceTo(player->getPosition(), m_position);
        if (!m_active && d < m_activationDistance)
            m_active = true;
        else if (m_active && (getCurrentBehaviorType() < 0 || getCurrentBehaviorType() == 0) &&
                 d > m_activationDistance)
            m_active = false;
    } else {
        m_active = true;
    }
    if (wasActive && !m_active)
        clearTargetList();
}

bool Actor::isInPlayerRange(float distance) const
{
    const Game* game = Game::instance();
    const Player* player = game ? game->findNearestPlayer(m_position) : nullptr;
    return player && ZonePosition::distanceTo(player->getPosition(), m_position) <= distance;
}

void Actor::faceLifestoneWhenIdle()
{
    const Covenant* covenant = getCovenant();
    if (!covenant)
        return;
    if (!m_covenantGuard && !(m_isNpc && !getLeader() && getFollowers().empty()))
        return;
    const int behavior = getCurrentBehaviorType();
    if (behavior != 0 && behavior != 1)
        return;
    if (const Entity* stone = covenant->getLifestone())
        faceEntity(stone);
}

void Actor::lookAtTalkingPlayer()
{
    if (!m_isNpc || !m_monsterClass || !m_monsterClass->givesQuests || !canMove())
        return;
    const Game* game = Game::instance();
    const Player* player = game ? game->getFirstPlayer() : nullptr;
    if (player && player->getActionTarget() == this &&
        ZonePosition::distanceTo(player->getPosition(), m_position) <= m_monsterClass->maxLookAtDistance)
        faceEntity(player);
}

// ---- Walking ----------------------------------------------------------------------

void Actor::setHomePosition(const ZonePosition& position)
{
    m_home = position;
    m_homeSet = true;
}

void Actor::moveAlongPathTo(const ZonePosition& position)
{
    ZonePosition snapped = snapToGrid(position);
    snapped.normalize();
    m_destination = snapped;
    m_moving = true;
    m_needsPath = true;
    m_pathGoal = nullptr;
}

void Actor::followEntity(Entity* entity)
{
    if (!entity)
        return;
    moveAlongPathTo(entity->getPosition());
    m_pathGoal = entity;
}

void Actor::stopMoving()
{
    m_moving = false;
    m_needsPath = false;
    m_pathLength = 0;
    m_path.clear();
    m_pathGoal = nullptr;
}

void Actor::dropWalk()
{
    stopMoving();
    m_stepping = false;
    m_atNode = true;
}

void Actor::walk(float dt)
{
    Game* game = Game::instance();
    if (!game)
        return;
    if (m_atNode && m_needsPath) {
        m_needsPath = false;
        // Asked from the centre of the walker's tile, where the path starts: a
        // spot off it (a placing spot, a tile's edge) would round the goal
        // into a neighbouring tile.
        ZonePosition from = snapToGrid(m_position);
        from.normalize();
        if (!game->findPath(this, from, m_destination, m_pathGoal.get(), m_path)) {
            m_moving = false;
            m_path.clear();
            m_pathLength = 0;
            fireSimpleEvent(toIndex(SimpleEvent::PathFindingFailed), -1);
        } else {
            m_pathLength = m_path.stepCount;
        }
    }
    const float tile = worldRules().tileSize;
    float distance = dt * getMovement();
    bool stepped = false;
    ZonePosition position = m_position;
    // Each pass either takes a node or walks towards one; the walk ends when
    // the distance or the path runs out.
    for (int guard = 0; distance > 0.0f && guard < GridPath::kMaxSteps + 2; ++guard) {
        if (!m_stepping) {
            if (m_pathLength < 1 || m_path.stepIndex >= m_path.stepCount) {
                if (m_moving)
                    fireSimpleEvent(toIndex(SimpleEvent::PathFindingSuccess), -1);
                m_moving = false;
                m_pathLength = 0;
                m_path.clear();
                break;
            }
            if (!m_atNode)
                break;
            ZonePosition next = snapToGrid(position);
            next.normalize();
            if (next == position) {
                GridStep step = gridStepOfCode(m_path.codes[static_cast<size_t>(m_path.stepIndex)]);
                ++m_path.stepIndex;
                if (m_path.stepIndex >= m_path.stepCount)
                    m_pathLength = 0;
                next.addOffset(static_cast<float>(step.dx) * tile, static_cast<float>(step.dy) * tile);
            }
            // Off its tile's centre the walker first goes there: the path
            // keeps its room from the centre on, and a straight line from
            // elsewhere to a diagonal node cuts across a neighbouring tile
            // the path never asked to be free.
            if (!isPlaceFree(next)) {
                stopMoving();
                fireSimpleEvent(toIndex(SimpleEvent::PathFindingFailed), -1);
                break;
            }
            m_nextNode = next;
            faceTowards(next, false);
            m_stepping = true;
            m_atNode = false;
        }
        Vec2 offset = ZonePosition::getOffset(position, m_nextNode);
        float left = std::sqrt(offset.x * offset.x + offset.y * offset.y);
        if (left <= distance) {
            distance -= left;
            position = snapToGrid(m_nextNode);
            position.normalize();
            m_stepping = false;
            m_atNode = true;
            stepped = true;
            if (m_needsPath) {
                m_needsPath = false;
                if (!game->findPath(this, position, m_destination, m_pathGoal.get(), m_path)) {
                    m_moving = false;
                    m_path.clear();
                    m_pathLength = 0;
                    fireSimpleEvent(toIndex(SimpleEvent::PathFindingFailed), -1);
                    break;
                }
                m_pathLength = m_path.stepCount;
            }
        } else {
            float f = distance / left;
            position.addOffset(offset.x * f, offset.y * f);
            distance = 0.0f;
            stepped = true;
        }
    }
    if (stepped) {
        setPosition(position);
        playAnimation("walk", toIndex(AnimationPriority::Movement), kModeLoop, false);
    } else {
        stopAnimation("walk");
    }
}

// ---- Damage and death -----------------------------------------------------------

void Actor::damaged(int amount, Entity* source, bool overTime, bool quiet)
{
    Sentient::damaged(amount, source, overTime, quiet);
    m_active = true;
    // The threat update lists the source first when it is new.
    if (auto* sentient = dynamic_cast<Sentient*>(source))
        updateTargetEntry(sentient, static_cast<float>(amount), kThreatDamage);
    // The ledger is kept by covenant index; sources outside covenants add
    // nothing.
    int covenant = source ? source->getCovenantIndex() : -1;
    Game* game = Game::instance();
    if (covenant >= 0 && game && game->getCovenant(covenant)) {
        auto it = std::find(m_damageCovenants.begin(), m_damageCovenants.end(), covenant);
        if (it == m_damageCovenants.end()) {
            m_damageCovenants.push_back(covenant);
            m_damageAmounts.push_back(amount);
        } else {
            int32_t& total = m_damageAmounts[static_cast<size_t>(it - m_damageCovenants.begin())];
            total = static_cast<int32_t>(std::clamp<int64_t>(int64_t{total} + amount, INT32_MIN, INT32_MAX));
        }
    }
    if (isDead())
        chooseKillCredit(source);
}

int Actor::getDamageByCovenant(int covenantIndex) const
{
    for (size_t i = 0; i < m_damageCovenants.size(); ++i)
        if (m_damageCovenants[i] == covenantIndex)
            return m_damageAmounts[i];
    return 0;
}

void Actor::chooseKillCredit(Entity* source)
{
    // The covenant that did the most damage takes the kill when its leader is
    // near; a covenant gone from the game is passed over.
    Game* game = Game::instance();
    Covenant* best = nullptr;
    int bestIndex = -1;
    int bestDamage = 0;
    for (size_t i = 0; i < m_damageCovenants.size(); ++i) {
        Covenant* covenant = game ? game->getCovenant(m_damageCovenants[i]) : nullptr;
        if (!covenant || m_damageAmounts[i] <= bestDamage || covenant->isExcludedFromKillCredit())
            continue;
        Sentient* leader = covenant->getLeader();
        if (!leader || ZonePosition::distanceTo(leader->getPosition(), m_position) > kCreditRange)
            continue;
        best = covenant;
        bestIndex = m_damageCovenants[i];
        bestDamage = m_damageAmounts[i];
    }
    auto* sourceSentient = dynamic_cast<Sentient*>(source);
    if (best)
        m_killCredit =
            sourceSentient && source->getCovenantIndex() == bestIndex ? sourceSentient : best->getLeader();
    else
        m_killCredit = sourceSentient;
    m_damageCovenants.clear();
    m_damageAmounts.clear();
}

float Actor::getCovenantResurrectTime() const
{
    const Covenant* covenant = getCovenant();
    return covenant ? covenant->getResurrectTime(this) : 0.0f;
}

void Actor::updateDead(float dt)
{
    (void)dt;
    if (m_monsterClass && m_monsterClass->hiddenWhenDead)
        m_flags |= kFlagHidden;
    switch (m_deathState) {
    case kAlive:
        deathBookkeeping();
        if (!playAnimation("dying", toIndex(AnimationPriority::Dying), 0, false))
            enterCorpseState();
        break;
    case kDying:
        // A body without a looping "dead" is a corpse at once, so its slot
        // still frees.
        if (playAnimation("dead", toIndex(AnimationPriority::Dead), kModeLoop, false) ||
            isPlayingAnimation("dead") || findAnimation("dead") < 0)
            enterCorpseState();
        break;
    case kCorpse:
        playAnimation("dead", toIndex(AnimationPriority::Dead), kModeLoop, false);
        if (!m_corpseTimer.running || m_corpseTimer.isExpired()) {
            // A body its covenant cannot raise fades like any other.
            if (getCovenantResurrectTime() > 0.0f && resurrect())
                break;
            m_deathState = kFading;
            m_corpseTimer.min = m_corpseTimer.max = kFadeSeconds;
            m_corpseTimer.duration = m_corpseTimer.remaining = kFadeSeconds;
            m_corpseTimer.running = true;
            Entity::fadeTo(this, 0.0f, kFadeSeconds);
        }
        break;
    case kFading:
        playAnimation("dead", toIndex(AnimationPriority::Dead), kModeLoop, false);
        if (m_corpseTimer.isExpired())
            m_deathState = kGone;
        break;
    case kGone:
    default:
        if (m_deathState == kGone) {
            // A member's record outlives its body: it keeps what the body
            // grew to (levels, items) rather than what it was made with. The
            // covenant counts its members again at once (the life stone's
            // maximum among them), as a loaded world would.
            if (Covenant* covenant = getCovenant()) {
                if (Recruit* recruit = covenant->findRecruitByActor(this)) {
                    recruit->saveFromActor(this);
                    recruit->attachActor(nullptr, false);
                    covenant->updateStats();
                }
            }
            scheduleDelete(0.0f);
            m_deathState = kGone + 1;
        }
        break;
    }
}

void Actor::deathBookkeeping()
{
    dropLoot();
    m_deathState = kDying;
    Game* game = Game::instance();
    if (game) {
        for (Sentient::EventIndex i :
             {Sentient::IdentifyItemEvent, Sentient::UseSkillEvent, Sentient::AttackEvent})
            if (const EventType* type = Sentient::getEventType(i))
                game->cancelEvents(type, this);
    }
    clearTargetList();
    if (!game)
        return;
    GameHooks& hooks = game->hooks();
    bool questNpc = m_questActor ||
                    (m_monsterClass && (m_monsterClass->canBeRescued || m_monsterClass->canReceiveDelivery ||
                                        m_monsterClass->canBeEscorted));
    if (questNpc) {
        if (hooks.questNpcDied)
            hooks.questNpcDied(this, m_killCredit.get());
    } else if (m_isNpc && !getCovenant()) {
        if (hooks.announceDeath)
            hooks.announceDeath(this);
    }
    if (hooks.monsterDied)
        hooks.monsterDied(this, m_killCredit.get());
}

void Actor::enterCorpseState()
{
    m_deathState = kCorpse;
    float wait = getCovenantResurrectTime();
    float seconds = wait > 0.0f ? wait : (m_monsterClass ? m_monsterClass->deathFadeTime : 0.0f);
    m_corpseTimer.min = m_corpseTimer.max = seconds;
    m_corpseTimer.duration = m_corpseTimer.remaining = seconds;
    m_corpseTimer.running = true;
    // Forced: the checks would refuse a dead user.
    if (m_deathSkill)
        EntityServices::useSkill(m_deathSkill, this, nullptr, 0, true);
}

bool Actor::resurrect()
{
    if (!m_monsterClass || !m_monsterClass->canBeRaised)
        return false;
    if (m_enhancementRarity >= 5 && m_enhancementRarity <= 7)
        return false;
    if (m_deathState != kCorpse || m_maxHealth <= 0 || m_health >= 1)
        return false;
    m_flags &= ~kFlagHidden;
    m_deathState = kAlive;
    m_corpseTimer.running = false;
    m_health = m_maxHealth;
    playAnimation("idle", toIndex(AnimationPriority::Idle), 0, false);
    if (Covenant* covenant = getCovenant()) {
        warp(covenant->getReturnPosition(this));
        covenant->playTeleportEffect(this);
    } else {
        ZonePosition spot;
        for (int ring = 0; ring <= 5; ++ring) {
            if (EntityServices::findFreeSpotOnRing(m_position, ring, spot, this, false)) {
                warp(spot);
                break;
            }
        }
    }
    m_solid = true;
    m_pristine = false;
    if (Game* game = Game::instance(); game && game->hooks().applyPlagueEffects)
        game->hooks().applyPlagueEffects(this);
    return true;
}

void Actor::endCorpse()
{
    // Covenants that raise their dead keep the body.
    if (getCovenantResurrectTime() > 0.0f)
        return;
    if (isDead() && m_deathState >= kDying && m_deathState < kGone)
        m_deathState = kGone;
}

void Actor::dropLoot()
{
    if (m_covenantGuard || m_isNpc)
        return;
    Sentient* killer = m_killCredit.get();
    float share = killer ? killer->getLootShare() : 0.0f;
    int money = m_monsterClass ? m_monsterClass->lootExtraMoney : 0;
    float items = m_monsterClass ? m_monsterClass->lootExtraItemsChance : 0.0f;
    float magic = m_monsterClass ? m_monsterClass->lootExtraMagicChance : 0.0f;
    if (killer) {
        money += killer->getStat(stat(CharacterStat::ExtraMoney));
        items += static_cast<float>(killer->getStat(stat(CharacterStat::ItemsChance)));
        magic += static_cast<float>(killer->getStat(stat(CharacterStat::MagicChance)));
    }
    if (Game* game = Game::instance(); game && game->hooks().dropMonsterLoot)
        game->hooks().dropMonsterLoot(this, share, money, items, magic);
    if (killer)
        killer->giveLoot(this);
}

// ---- World save --------------------------------------------------------------------

void Actor::write(ByteBuffer& out) const
{
    out.writeInt(m_nameIndex);
    out.writeFloat(m_maxHealth > 0 ? static_cast<float>(m_health) / static_cast<float>(m_maxHealth) : 1.0f);
    out.writeInt(m_savedFlag ? 1 : 0);
}

bool Actor::read(ByteBuffer& in, int version)
{
    int32_t seed = in.readInt();
    if (in.failed())
        return false;
    setNameSeed(seed);
    if (version > 7) {
        float fraction = in.readFloat();
        if (in.failed())
            return false;
        if (!std::isfinite(fraction) || fraction < 0.0f || fraction > 1.0f) {
            float kept = std::isfinite(fraction) ? std::clamp(fraction, 0.0f, 1.0f) : 1.0f;
            debugPrint(2, "Actor %s: health fraction %f out of range, read as %f\n", getName().c_str(),
                       static_cast<double>(fraction), static_cast<double>(kept));
            fraction = kept;
        }
        // A part of a point counts as a whole one, but the float product of a
        // saved h / max can land just above h: without the margin every load
        // would add a point.
        m_health = static_cast<int>(std::ceil(static_cast<float>(m_maxHealth) * fraction - 1e-3f));
    }
    if (version > 30) {
        int32_t saved = in.readInt();
        if (in.failed())
            return false;
        m_savedFlag = saved != 0;
    }
    return true;
}
